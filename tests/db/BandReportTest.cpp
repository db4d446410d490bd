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
                     [&rows] { ++rows.Master; }, {}, {}};
    report.SubDetail = {[&rows] { rows.Detail = 0; },
                        [&rows] { return rows.Detail >= rows.DetailCounts[rows.Master]; },
                        [&rows] { ++rows.Detail; }, {}, {}};
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

namespace {

// Every band of every page with its place and texts, for comparing pages whole.
QStringList Describe(const std::vector<TReportPage>& pages)
{
    QStringList lines;
    for (size_t p = 0; p < pages.size(); ++p) {
        for (const TPlacedBand& band : pages[p].Bands) {
            QStringList texts;
            for (const TPlacedText& t : band.Texts)
                texts << t.Text;
            lines << QStringLiteral("%1 %2 %3@%4: %5")
                         .arg(p)
                         .arg(band.Name)
                         .arg(band.Rect.top(), 0, 'f', 3)
                         .arg(band.Rect.height(), 0, 'f', 3)
                         .arg(texts.join('|'));
        }
    }
    return lines;
}

std::vector<TReportPage> Slice(const TReportLayout& layout, int first, int last)
{
    if (last < 0 || last >= int(layout.Pages.size()))
        last = int(layout.Pages.size()) - 1;
    if (first > last)
        return {};
    return {layout.Pages.begin() + first, layout.Pages.begin() + last + 1};
}

} // namespace

TEST(BandReport, ARangeOfPagesOrMastersGivesExactlyThosePagesOfTheWholeReport)
{
    // 13 masters of 0 to 48 detail rows: some run over a page, one fills more than a page.
    std::vector<int> counts;
    for (int m = 0; m < 13; ++m)
        counts.push_back((m * 17) % 49);
    struct Case {
        const char* Name;
        TReportRange Range;
    };
    const Case cases[] = {
        {"everything", {}},
        {"first page only", {0, -1, 0, 0}},
        {"pages 2 to 4", {0, -1, 1, 3}},
        {"from page 5 to the end", {0, -1, 4, -1}},
        {"pages past the end", {0, -1, 400, -1}},
        {"masters 3 to 7", {2, 6, 0, -1}},
        {"masters 3 to 7, their second page on", {2, 6, 1, -1}},
        {"last master alone", {12, 12, 0, -1}},
        {"masters past the end", {13, -1, 0, -1}},
    };
    // Passing over pages by counting detail rows (a database cursor) or by walking them.
    for (const bool counted : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.Name) + (counted ? ", counted" : ", walked"));
            // The whole report over the chosen masters alone, laid out at once, is the reference.
            std::vector<int> chosen;
            const int lastMaster = c.Range.LastMaster < 0 ? int(counts.size()) - 1 : c.Range.LastMaster;
            for (int m = c.Range.FirstMaster; m <= lastMaster && m < int(counts.size()); ++m)
                chosen.push_back(counts[m]);
            Rows whole{chosen};
            TBandReport reference = MakeReport(whole);
            const TReportLayout all = reference.Layout(PrintedAt);

            Rows rows{counts};
            TBandReport report = MakeReport(rows);
            // The masters' own numbers differ from the reference's (which starts at 0): shift them.
            report.DetailBand.Texts[0].Field = [&rows, &c] { return QString::number(rows.Master - c.Range.FirstMaster); };
            report.SubDetailBand.Texts[0].Field = [&rows, &c] {
                return QStringLiteral("%1.%2").arg(rows.Master - c.Range.FirstMaster).arg(rows.Detail);
            };
            int countCalls = 0;
            if (counted) {
                report.Master.Count = [&rows] { return int(rows.DetailCounts.size()); };
                report.Master.MoveTo = [&rows](int m) { rows.Master = m; };
                report.SubDetail.Count = [&rows, &countCalls] {
                    ++countCalls;
                    return rows.DetailCounts[rows.Master];
                };
                report.SubDetail.MoveTo = [&rows](int d) { rows.Detail = d; };
            }
            std::vector<TReportPage> streamed;
            TReportPager pager(report, PrintedAt, c.Range);
            while (std::optional<TReportPage> page = pager.Next())
                streamed.push_back(std::move(*page));
            EXPECT_EQ(Describe(streamed), Describe(Slice(all, c.Range.FirstPage, c.Range.LastPage)));
            EXPECT_EQ(rows.BeforePrintCalls, 1);
            if (counted && c.Range.FirstPage > 0 && !streamed.empty()) {
                EXPECT_GT(countCalls, 0) << "pages passed over are counted, not read";
            }
        }
    }
}

TEST(BandReport, StreamedPdfHasTheSamePagesAsTheLaidOutOne)
{
    Rows rows{{40, 3, 0, 77}};
    TBandReport report = MakeReport(rows);
    int afterCalls = 0;
    report.AfterPrint = [&afterCalls] { ++afterCalls; };
    QTemporaryDir dir;
    ASSERT_TRUE(TBandReport::ExportPdf(report.Layout(PrintedAt), dir.filePath("laid-out.pdf")));
    ASSERT_TRUE(report.ExportPdf(PrintedAt, dir.filePath("streamed.pdf")));
    EXPECT_EQ(afterCalls, 2) << "every run through the rows ends with AfterPrint";
    const QString laidOut = PdfText(dir.filePath("laid-out.pdf"), true);
    ASSERT_GE(laidOut.count('\f'), 3);
    EXPECT_EQ(PdfText(dir.filePath("streamed.pdf"), true), laidOut);

    ASSERT_TRUE(report.ExportPdf(PrintedAt, dir.filePath("part.pdf"), {0, -1, 1, 2}));
    const QStringList wholePages = laidOut.split('\f', Qt::SkipEmptyParts);
    EXPECT_EQ(PdfText(dir.filePath("part.pdf"), true).split('\f', Qt::SkipEmptyParts), wholePages.mid(1, 2));

    Rows none{{}};
    TBandReport empty = MakeReport(none);
    EXPECT_FALSE(empty.ExportPdf(PrintedAt, dir.filePath("none.pdf")));
    EXPECT_FALSE(QFile::exists(dir.filePath("none.pdf")));
}
