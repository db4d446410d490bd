#include "db/uStagingFormat.h"
#include <gtest/gtest.h>

TEST(StagedLine, FormatsQuotedValuesAndNull)
{
    EXPECT_EQ(FormatStagedLine({QString("1234"), QString("0"), QString("OK"), std::nullopt, std::nullopt,
                                std::nullopt, QString("2025-03-04 10:11:12")}),
              QString("\"1234\",\"0\",\"OK\",NULL,NULL,NULL,\"2025-03-04 10:11:12\""));
    EXPECT_EQ(FormatStagedLine({QString("say \"hi\""), QString()}), QString("\"say \"\"hi\"\"\",\"\""));
}

TEST(StagedLine, ReadsBackEveryValueWhole)
{
    const TStagedValues values{QString("a\"b"), std::nullopt, QString(""), QString("'); DROP TABLE AliasTab; --"),
                               QString("\"\""), QString("x,y"), QString("NULL")};
    TStagedValues back;
    QString reason;
    ASSERT_TRUE(ParseStagedLine(FormatStagedLine(values), values.size(), back, reason)) << reason.toStdString();
    EXPECT_EQ(back, values);
}

TEST(StagedLine, RejectsMalformedLines)
{
    const char* bad[] = {
        "\"a\",\"b",      // unterminated
        "\"a\" ,\"b\"",   // blank before the comma
        "\"a\",b",        // bare text
        "\"a\",\"b\",",   // trailing comma
        "\"a\"",          // too few values
        "\"a\",\"b\",\"c\"", // too many values
        "\"a\"\"b\"",     // one value, quote doubled, not two values
    };
    for (const char* line : bad) {
        TStagedValues values;
        QString reason;
        EXPECT_FALSE(ParseStagedLine(QString::fromLatin1(line), 2, values, reason)) << line;
        EXPECT_FALSE(reason.isEmpty()) << line;
    }
}

TEST(DateText, LocaleShortDateAndTimeWithSecondsWithinTwentyCharacters)
{
    const QDateTime when(QDate(2025, 12, 31), QTime(23, 59, 58));
    EXPECT_EQ(DateTimeText(when, QLocale(QLocale::Swedish, QLocale::Sweden)), QString("2025-12-31 23:59:58"));
    EXPECT_EQ(DateTimeText(when, QLocale(QLocale::English, QLocale::UnitedStates)), QString("12/31/25 11:59:58 PM"));
    EXPECT_EQ(DateTimeText(when, QLocale(QLocale::German, QLocale::Germany)), QString("31.12.25 23:59:58"));
    // Texts the 8-bit files cannot hold, or too long for the column, take the sortable form.
    EXPECT_EQ(DateTimeText(when, QLocale(QLocale::Japanese, QLocale::Japan)), QString("2025-12-31 23:59:58"));
    EXPECT_EQ(DateTimeText(when, QLocale(QLocale::Korean, QLocale::SouthKorea)), QString("2025-12-31 23:59:58"));
}

TEST(DateText, ReadsBackToTheSameMomentInEveryForm)
{
    const QDateTime when(QDate(2025, 12, 31), QTime(23, 59, 58));
    const QLocale locales[] = {QLocale(QLocale::Swedish, QLocale::Sweden), QLocale(QLocale::English, QLocale::UnitedStates),
                               QLocale(QLocale::German, QLocale::Germany), QLocale(QLocale::Japanese, QLocale::Japan)};
    for (const QLocale& locale : locales) {
        SCOPED_TRACE(locale.name().toStdString());
        EXPECT_EQ(DateTimeFromText(DateTimeText(when, locale), locale), when);
        EXPECT_EQ(DateTimeFromText("2025-12-31 23:59:58", locale), when) << "the sortable form is always read";
        EXPECT_FALSE(DateTimeFromText("yesterday", locale).isValid());
    }
}
