#include "PdfText.h"
#include "db/uBandReport.h"
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A master of rows, each with its own detail rows, walked like a pair of database cursors.
struct Rows {
    std::vector<int> DetailCounts;
    int Master = 0;
    int Detail = 0;
    int BeforePrintCalls = 0;
};

TBandReport MakeReport(Rows& rows)
{
    TBandReport report;
    report.Locale = QLocale::c();
    report.TitleBand = {"Title", 10.6, Qt::white, false, {}};
    report.TitleBand.AddText("Sys", 0, {}, TReportTextKind::ReportTitle, "Kiv Report");
    report.ColumnHeaderBand = {"Header", 6.1, Qt::darkBlue, true, {}};
    report.ColumnHeaderBand.AddText("H", 4.8, {}, TReportTextKind::Label, "Serialnumber");
    report.DetailBand = {"Detail", 6.9, Qt::white, false, {}};
    report.DetailBand.AddText("Master", 8.5, {}, TReportTextKind::Field).Field = [&rows] {
        return QString::number(rows.Master);
    };
    report.SubDetailBand = {"Sub", 6.6, Qt::yellow, false, {}};
    report.SubDetailBand.AddText("Detail", 36, {}, TReportTextKind::Field).Field = [&rows] {
        return QStringLiteral("%1.%2").arg(rows.Master).arg(rows.Detail);
    };
    report.PageFooterBand = {"Footer", 6.6, Qt::white, false, {}};
    report.PageFooterBand.AddText("When", 16.9, {}, TReportTextKind::PrintTime, "at ");
    report.Master = {[&rows] { rows.Master = 0; }, [&rows] { return rows.Master >= int(rows.DetailCounts.size()); },
                     [&rows] { ++rows.Master; }};
    report.SubDetail = {[&rows] { rows.Detail = 0; },
                        [&rows] { return rows.Detail >= rows.DetailCounts[rows.Master]; },
                        [&rows] { ++rows.Detail; }};
    report.BeforePrint = [&rows] { ++rows.BeforePrintCalls; };
    return report;
}

const QDateTime PrintedAt(QDate(2025, 3, 4), QTime(10, 11, 12));

} // namespace

TEST(BandReport, PagesCarryHeaderAndFooterAndKeepEveryDetailAfterItsMaster)
{
    struct Case {
        std::vector<int> Counts;
        size_t Pages;
    };
    // One page holds 271.6 mm: the title, header and footer take 23.3, a detail line 6.9, a fault line 6.6.
    const Case cases[] = {{{2, 0, 1}, 1}, {{36}, 1}, {{37}, 2}, {{13, 13, 13, 13, 13, 13}, 3}, {{0, 0, 0, 0}, 1}};
    for (const Case& c : cases) {
        Rows rows{c.Counts};
        TBandReport report = MakeReport(rows);
        const TReportLayout layout = report.Layout(PrintedAt);
        ASSERT_EQ(layout.Pages.size(), c.Pages) << c.Counts.size() << " masters, first with " << c.Counts[0];
        EXPECT_EQ(rows.BeforePrintCalls, 1);

        QStringList lines;
        for (size_t p = 0; p < layout.Pages.size(); ++p) {
            const auto& bands = layout.Pages[p].Bands;
            size_t i = 0;
            if (p == 0) {
                EXPECT_EQ(bands[i++].Name, "Title");
            }
            ASSERT_GE(bands.size(), i + 2);
            EXPECT_EQ(bands[i].Name, "Header");
            EXPECT_DOUBLE_EQ(bands[i].Rect.top(), p == 0 ? 12.7 + 10.6 : 12.7);
            EXPECT_EQ(bands.back().Name, "Footer");
            EXPECT_DOUBLE_EQ(bands.back().Rect.bottom(), 297 - 12.7);
            EXPECT_EQ(bands.back().Texts[0].Text, "at 4 Mar 2025 10:11:12");
            for (++i; i + 1 < bands.size(); ++i) {
                EXPECT_LE(bands[i].Rect.bottom(), bands.back().Rect.top() + 1e-9);
                EXPECT_DOUBLE_EQ(bands[i].Rect.top(), bands[i - 1].Rect.bottom());
                lines << bands[i].Texts[0].Text;
            }
        }
        QStringList expected;
        for (size_t m = 0; m < c.Counts.size(); ++m) {
            expected << QString::number(m);
            for (int d = 0; d < c.Counts[m]; ++d)
                expected << QStringLiteral("%1.%2").arg(m).arg(d);
        }
        EXPECT_EQ(lines, expected);
    }
}

TEST(BandReport, PlacesTextsAtTheirOffsetsWithinThePrintableWidth)
{
    Rows rows{{1}};
    TBandReport report = MakeReport(rows);
    const TReportLayout layout = report.Layout(PrintedAt);
    ASSERT_EQ(layout.Pages.size(), 1u);
    const TPlacedBand& title = layout.Pages[0].Bands[0];
    EXPECT_EQ(title.Rect, QRectF(12.7, 12.7, 184.6, 10.6));
    EXPECT_EQ(title.Texts[0].Text, "Kiv Report");
    const TPlacedBand& fault = layout.Pages[0].Bands[3];
    EXPECT_DOUBLE_EQ(fault.Texts[0].Rect.left(), 12.7 + 36);
    EXPECT_EQ(fault.Color, QColor(Qt::yellow));
}

TEST(BandReport, EmptyMasterGivesNothingAtAll)
{
    Rows rows{{}};
    TBandReport report = MakeReport(rows);
    const TReportLayout layout = report.Layout(PrintedAt);
    EXPECT_TRUE(layout.IsEmpty());

    QTemporaryDir dir;
    const QString pdf = dir.filePath("empty.pdf");
    EXPECT_FALSE(TBandReport::ExportPdf(layout, pdf));
    EXPECT_FALSE(QFile::exists(pdf));
}

TEST(BandReport, PdfExportWritesEveryPageAndFailsLoudlyOnAnUnwritablePath)
{
    Rows rows{{40, 40}};
    TBandReport report = MakeReport(rows);
    const TReportLayout layout = report.Layout(PrintedAt);
    QTemporaryDir dir;
    const QString pdf = dir.filePath("r.pdf");
    ASSERT_TRUE(TBandReport::ExportPdf(layout, pdf));
    const QString text = PdfText(pdf);
    EXPECT_EQ(text.count(QLatin1Char('\f')), qsizetype(layout.Pages.size()));
    EXPECT_EQ(text.count("at 4 Mar 2025 10:11:12"), qsizetype(layout.Pages.size()));
    EXPECT_TRUE(text.contains("1.39"));

    EXPECT_THROW(TBandReport::ExportPdf(layout, dir.filePath("missing/folder/r.pdf")), std::exception);
}
