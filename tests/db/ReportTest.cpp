#include "PdfText.h"
#include "ViewerFixture.h"
#include "db/KivQRprt.h"
#include "db/fReportRange.h"
#include <QApplication>
#include <QPushButton>
#include <QSpinBox>
#include <QAction>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QRegularExpression>
#include <QPointer>
#include <QTimer>
#include <functional>

namespace {

// Band name and first text of every band but the footers, page after page; and each page's footer.
struct Flow {
    QStringList Lines;
    QStringList Footers;
};

Flow FlowOf(const TReportLayout& layout)
{
    Flow flow;
    for (const TReportPage& page : layout.Pages) {
        for (const TPlacedBand& band : page.Bands) {
            QStringList texts;
            for (const TPlacedText& t : band.Texts)
                texts << t.Text;
            if (band.Name == "PageFooterBand1")
                flow.Footers << texts.join('|');
            else
                flow.Lines << band.Name + ":" + texts.join('|');
        }
    }
    return flow;
}

// Runs action once a visible modal window of type T turns up (the code under test opens it with exec).
// The watch ends when the window turns up; a caller expecting none deletes what this returns.
template <class T>
QPointer<QTimer> WhenShown(const std::function<void(T*)>& action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget()); window && window->isVisible()) {
            timer->stop();
            timer->deleteLater();
            action(window);
        }
    });
    timer->start();
    return timer;
}

} // namespace

class ReportFixture : public ViewerFixture {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        // Enough fault rows for 1001 to run onto a second page.
        QStringList more;
        for (int i = 4; i <= 40; ++i)
            more << QString("INSERT INTO FAULTS_ID VALUES('1001','%1','9','02','500','30','%2')").arg(i).arg(Reading2);
        Exec(RemotePath(), more);
        View->QRMDForm().Clock = [] { return QDateTime(QDate(2025, 3, 4), QTime(10, 11, 12)); };
        View->QRMDForm().QuickRep1.Locale = QLocale(QLocale::Swedish, QLocale::Sweden);
    }
};

TEST_F(ReportFixture, EachEncoderLineIsFollowedByExactlyItsOwnFaultLinesOnPagesWithHeaderAndFooter)
{
    View->FormShow(); // connected: the report covers the remote database
    Mod->LocateEncoder("1002");
    const TReportLayout layout = View->QRMDForm().Prepare();
    EXPECT_EQ(Text("DBEdit1"), "1002") << "the master returns to where it stood";
    ASSERT_EQ(layout.Pages.size(), 2u);

    const QString header = "ColumnHeaderBand1:Serialnumber|Index|Op Time|Fault Status|Frequency|Temp|Date/Time Saved";
    QStringList expected{"TitleBand1:Kiv Report", header, "DetailBand1:1001"};
    expected << QString("QRSubDetail1:3|150|0C|1500|41|%1").arg(Reading2)
             << QString("QRSubDetail1:2|120|04|1000|39|%1").arg(Reading1)
             << QString("QRSubDetail1:1|90|01|500|35|%1").arg(Orphan);
    for (int i = 4; i <= 40; ++i)
        expected << QString("QRSubDetail1:%1|9|02|500|30|%2").arg(i).arg(Reading2);
    expected << "DetailBand1:1002"
             << "DetailBand1:1003";
    for (int i = 1; i <= 3; ++i)
        expected << QString("QRSubDetail1:%1|%2|80|2500|50|%3").arg(i).arg(i * 10).arg(Reading2);
    // The second page starts with the column header again.
    const TPlacedBand& secondTop = layout.Pages[1].Bands.front();
    EXPECT_EQ(secondTop.Name, "ColumnHeaderBand1");
    Flow flow = FlowOf(layout);
    flow.Lines.removeAt(flow.Lines.indexOf(header, 2));
    EXPECT_EQ(flow.Lines, expected);

    const QString footer = "Printed:|2025-03-04 10:11:12|Data Source=" + RemotePath();
    EXPECT_EQ(flow.Footers, (QStringList{footer, footer}));

    // The same pages as a PDF file, read back.
    const QString pdf = Program.filePath("report.pdf");
    ASSERT_TRUE(TBandReport::ExportPdf(layout, pdf));
    const QString text = PdfText(pdf, true);
    const QStringList pages = text.split('\f', Qt::SkipEmptyParts);
    ASSERT_EQ(pages.size(), 2);
    QStringList serials;
    for (const QString& page : pages) {
        EXPECT_TRUE(page.contains(QRegularExpression("Serialnumber +Index +Op Time +Fault Status +Frequency +Temp"
                                                     " +Date/Time Saved")));
        EXPECT_TRUE(page.contains(QRegularExpression("Printed: *2025-03-04 10:11:12 +Data Source=" +
                                                     QRegularExpression::escape(RemotePath()))));
        for (const QString& line : page.split('\n')) {
            const QString s = line.simplified();
            if (QRegularExpression("^100[123]$").match(s).hasMatch())
                serials << s;
            else if (s.startsWith("3 150 0C") || s.startsWith("40 9 02") || s.startsWith("3 30 80"))
                serials << "  " + s.section(' ', 0, 2);
        }
    }
    EXPECT_TRUE(pages[0].contains("Kiv Report"));
    EXPECT_FALSE(pages[1].contains("Kiv Report"));
    EXPECT_EQ(serials, (QStringList{"1001", "  3 150 0C", "  40 9 02", "1002", "1003", "  3 30 80"}));
}

TEST_F(ReportFixture, FooterNamesTheLocalDatabaseWhenDisconnectedAndAnEmptyMasterPrintsNothing)
{
    TReportLayout layout = View->QRMDForm().Prepare();
    ASSERT_EQ(layout.Pages.size(), 1u);
    EXPECT_EQ(FlowOf(layout).Footers,
              (QStringList{"Printed:|2025-03-04 10:11:12|Data Source=" + Mod->LocalDatabasePath()}));

    Exec(Mod->LocalDatabasePath(), {"DELETE FROM ENCODER_ID"});
    Mod->Reconnect();
    EXPECT_TRUE(View->QRMDForm().Prepare().IsEmpty());
}

TEST_F(ReportFixture, PrintShowsEveryPageInTheModalPreviewWhichSavesThemAsPdf)
{
    View->FormShow();
    const QString pdf = Program.filePath("saved.pdf");
    View->QRMDForm().AskPdfPath = [&pdf] { return pdf; };
    int pages = -1;
    QStringList offered;
    WhenShown<TReportRangeFrm>([&](TReportRangeFrm* range) {
        // Every encoder and every page unless the user narrows them.
        for (const char* name : {"spnFromEncoder", "spnToEncoder", "spnFromPage", "spnToPage"})
            offered << range->findChild<QSpinBox*>(name)->text();
        offered << range->findChild<QLabel*>("lblFromSerial")->text() << range->findChild<QLabel*>("lblToSerial")->text();
        WhenShown<QPrintPreviewDialog>([&](QPrintPreviewDialog* preview) {
            pages = preview->findChild<QPrintPreviewWidget*>()->pageCount();
            auto* save = preview->findChild<QAction*>("actSavePdf");
            ASSERT_NE(save, nullptr);
            save->trigger();
            preview->reject();
        });
        range->findChild<QPushButton*>("btnOK")->click();
    });
    Find<QToolButton>("tbtnPrint")->click();
    EXPECT_EQ(offered, (QStringList{"1", "3", "1", "sista", "1001", "1003"}));
    EXPECT_EQ(pages, 2);
    EXPECT_EQ(PdfText(pdf).count('\f'), 2);
}

TEST_F(ReportFixture, TheChosenEncodersAndPagesAreAllThatIsLaidOutAndCancelShowsNoPreview)
{
    View->FormShow();
    // Cancel: no preview at all.
    bool previewed = false;
    WhenShown<TReportRangeFrm>([](TReportRangeFrm* range) { range->findChild<QPushButton*>("btnCancel")->click(); });
    QPointer<QTimer> previewWatch = WhenShown<QPrintPreviewDialog>([&previewed](QPrintPreviewDialog* preview) {
        previewed = true;
        preview->reject();
    });
    Find<QToolButton>("tbtnPrint")->click();
    EXPECT_FALSE(previewed);
    delete previewWatch.data();

    // Encoders 2 to 3 (1002 and 1003): one page, and the title starts it.
    TReportRangeFrm& range = View->ReportRangeFrm();
    range.SetEncoders(3, [](int row) { return QString::number(1001 + row); });
    range.findChild<QSpinBox*>("spnFromEncoder")->setValue(2);
    EXPECT_EQ(range.findChild<QLabel*>("lblFromSerial")->text(), "1002");
    TReportLayout layout = View->QRMDForm().Prepare(range.Range());
    ASSERT_EQ(layout.Pages.size(), 1u);
    QStringList lines = FlowOf(layout).Lines;
    EXPECT_EQ(lines.mid(0, 3), (QStringList{"TitleBand1:Kiv Report",
                                            "ColumnHeaderBand1:Serialnumber|Index|Op Time|Fault Status|Frequency|Temp|Date/Time Saved",
                                            "DetailBand1:1002"}));
    EXPECT_EQ(lines.size(), 3 + 1 + 3);

    // Encoder 1 alone, its second page: the column header and the rest of 1001's faults.
    range.findChild<QSpinBox*>("spnToEncoder")->setValue(1);
    EXPECT_EQ(range.findChild<QSpinBox*>("spnFromEncoder")->value(), 1) << "the range never runs backwards";
    range.findChild<QSpinBox*>("spnFromPage")->setValue(2);
    const TReportLayout whole = View->QRMDForm().Prepare({0, 0, 0, -1});
    layout = View->QRMDForm().Prepare(range.Range());
    ASSERT_EQ(whole.Pages.size(), 2u);
    ASSERT_EQ(layout.Pages.size(), 1u);
    TReportLayout second = whole;
    second.Pages.erase(second.Pages.begin());
    EXPECT_EQ(FlowOf(layout).Lines, FlowOf(second).Lines);
    EXPECT_TRUE(FlowOf(layout).Lines.last().startsWith("QRSubDetail1:40|"));
}

TEST_F(ReportFixture, TheStreamedReportHasTheSamePagesAsTheOneLaidOutWhole)
{
    View->FormShow();
    Mod->LocateEncoder("1003");
    const QString laidOut = Program.filePath("laid-out.pdf");
    const QString streamed = Program.filePath("streamed.pdf");
    ASSERT_TRUE(TBandReport::ExportPdf(View->QRMDForm().Prepare(), laidOut));
    ASSERT_TRUE(View->QRMDForm().ExportPdf(streamed));
    EXPECT_EQ(Text("DBEdit1"), "1003") << "the master returns to where it stood";
    const QString text = PdfText(streamed, true);
    EXPECT_EQ(text.count('\f'), 2);
    EXPECT_EQ(text, PdfText(laidOut, true));
}
