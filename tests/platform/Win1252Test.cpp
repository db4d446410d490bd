#include "platform/Win1252.h"
#include <gtest/gtest.h>

TEST(Win1252, EveryByteSurvivesDecodeAndEncode)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));
    const QString text = Win1252::Decode(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(Win1252::Encode(text), all);
    EXPECT_TRUE(Win1252::CanEncode(text));
}

TEST(Win1252, KnownCharactersAreSingleBytes)
{
    const struct {
        QString Text;
        QByteArray Bytes;
    } cases[] = {
        {QStringLiteral("25 °C"), QByteArray("25 \xB0" "C")},
        {QStringLiteral("åäöÅÄÖé"), QByteArray("\xE5\xE4\xF6\xC5\xC4\xD6\xE9")},
        {QStringLiteral("€‚ƒ„…†‡ˆ‰Š‹ŒŽ"), QByteArray("\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E")},
        {QStringLiteral("‘’“”•–—˜™š›œžŸ"), QByteArray("\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Win1252::Encode(c.Text), c.Bytes) << c.Text.toStdString();
        EXPECT_EQ(Win1252::Decode(c.Bytes), c.Text) << c.Text.toStdString();
    }
}

TEST(Win1252, UnmappableCharactersBecomeOneQuestionMarkEach)
{
    // Greek omega, a Cyrillic letter, and one character outside the basic plane.
    const QString text = QStringLiteral("a\u03A9b\u0416c") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("d");
    EXPECT_EQ(Win1252::Encode(text), QByteArray("a?b?c?d"));
    EXPECT_FALSE(Win1252::CanEncode(text));
}
