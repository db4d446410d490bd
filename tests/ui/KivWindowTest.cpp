#include "support/FakeDialogs.h"
#include "support/TestFiles.h"
#include "support/FaultBlock.h"
#include "UiTestHelpers.h"
#include "model/uDynamicDiagObs.h"
#include "model/uStaticDiagObs.h"
#include "settings/uLangController.h"
#include "ui/fKiv.h"
#include "ui/fStoredFaultView.h"
#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>

namespace {

const char* const ListNames[5] = {"lstbIndex", "lstbOpTime", "lstbFaultStatus", "lstbFreq", "lstbTemp"};

class KivWindowTest : public ::testing::Test {
protected:
    KivWindowTest()
    {
        Window.UpdateLanguage(&Lang);
        Static.SetMainWindow(&Window);
        Static.SetActive(true);
        Static.UpdateLanguage(&Lang);
    }

    QListWidget* List(int column) { return Component<QListWidget>(&Window, ListNames[column]); }
    QHeaderView* Header() { return Component<QHeaderView>(&Window, "HeaderControl1"); }
    QLabel* Label(const char* name) { return Component<QLabel>(&Window, name); }
    void Click(const char* button) { QTest::mouseClick(Component<QPushButton>(&Window, button), Qt::LeftButton); }

    std::vector<int> SelectedRows()
    {
        std::vector<int> rows;
        for (int c = 0; c < 5; ++c)
            rows.push_back(List(c)->currentRow());
        return rows;
    }

    // Shows n faults the way a reading does: the observer fills the five lists.
    void ShowFaults(int n)
    {
        Faults.Faults.Attach(&Static);
        Faults.Load(FaultBlock(n));
        Window.SetStoredFaults(&Faults.Faults);
    }

    QTemporaryDir Dir;
    TLangIniFile Lang{Dir.path(), QStringLiteral("DefLang")};
    FakeDialogs Dialogs;
    TKIV Window{Dialogs};
    TStaticDiagObs Static;
    FaultListFixture Faults;
};

} // namespace

TEST_F(KivWindowTest, EveryComponentIsThereByName)
{
    const char* names[] = {
        "Panel2", "Image1", "lbKivText", "grpbDignosticData", "lbPartNumTitle", "lbPartNum", "lbSerialNumTitle",
        "lbSerialNum", "lbSoftVerTitle", "lbSoftVer", "lbHardVerTitle", "lbHardVer", "lbUnitsPerRevTitle",
        "lbUnitsPerRev", "Bevel1", "lbTitleOperatingTime", "lbOperatingTime", "lbTitleFreq", "lbFreq",
        "lbTitleTemp", "lbTemp", "Bevel2", "lbTitleMaxTemp", "lbMaxTemp", "lbTitleMinTemp", "lbMinTemp",
        "lbTitleOpTime", "lbOpTime", "lbTitleNumOfFaults", "lbNumOfFaults", "lbStoredFaults", "Panel1",
        "HeaderControl1", "lstbIndex", "lstbOpTime", "lstbFaultStatus", "lstbFreq", "lstbTemp", "btnOpen", "btnUp",
        "btnDown", "btnSingleUpdate", "kivStatusBar", "kivProgressBar"};
    for (const char* name : names)
        EXPECT_NE(Window.findChild<QWidget*>(name), nullptr) << name;
    EXPECT_EQ(Window.objectName(), "KIV");
    EXPECT_EQ(Window.size(), QSize(513, 503));
    EXPECT_EQ(Window.minimumSize(), Window.maximumSize());
    EXPECT_FALSE(Window.windowFlags() & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint));
    EXPECT_FALSE(Window.findChild<QWidget*>("kivProgressBar")->isVisible());
}

TEST_F(KivWindowTest, LanguagePassShowsTheWindowWithGreyIdentity)
{
    Window.ShowSerialNumber(1234);
    Window.UpdateLanguage(&Lang);

    EXPECT_TRUE(Window.isVisible());
    EXPECT_EQ(Window.windowTitle(), "Kiv");
    EXPECT_EQ(Component<QPushButton>(&Window, "btnOpen")->text(), QString::fromUtf8("Öppna"));
    EXPECT_EQ(Component<QGroupBox>(&Window, "grpbDignosticData")->title(), "Kivdata");
    EXPECT_EQ(Label("lbHardVerTitle")->text(), QString::fromUtf8("Hårdvaruversion:"));
    for (const char* value : {"lbPartNum", "lbSerialNum", "lbSoftVer", "lbHardVer", "lbUnitsPerRev"}) {
        EXPECT_EQ(Label(value)->text(), "-") << value;
        EXPECT_FALSE(Label(value)->isEnabled()) << value;
    }
    EXPECT_FALSE(Label("lbSerialNumTitle")->isEnabled());
}

TEST_F(KivWindowTest, IdentityFormats)
{
    struct Case {
        std::function<void()> Show;
        const char* Title;
        const char* Value;
        const char* Expected;
    };
    const Case cases[] = {
        {[&] { Window.ShowPartNumber(40512307, true); }, "lbPartNumTitle", "lbPartNum", "405123-07"},
        {[&] { Window.ShowPartNumber(40512378, true); }, "lbPartNumTitle", "lbPartNum", "405123-08"},
        {[&] { Window.ShowPartNumber(40512307, false); }, "lbPartNumTitle", "lbPartNum", "40512307"},
        {[&] { Window.ShowPartNumber(4051237, true); }, "lbPartNumTitle", "lbPartNum", "4051237"},
        {[&] { Window.ShowSerialNumber(987654); }, "lbSerialNumTitle", "lbSerialNum", "987654"},
        {[&] { Window.ShowSoftwareVersion(0x21); }, "lbSoftVerTitle", "lbSoftVer", "2.1"},
        {[&] { Window.ShowSoftwareVersion(0x1A); }, "lbSoftVerTitle", "lbSoftVer", "1.10"},
        {[&] { Window.ShowHardwareVersion(0xF0); }, "lbHardVerTitle", "lbHardVer", "15.0"},
        {[&] { Window.ShowUnitsPerRevolution(2048); }, "lbUnitsPerRevTitle", "lbUnitsPerRev", "2048 ppr"},
        {[&] { Window.ShowUnitsPerRevolution(0); }, "lbUnitsPerRevTitle", "lbUnitsPerRev", "0 ppr"},
        {[&] { Window.ShowUnitsPerRevolution(-1); }, "lbUnitsPerRevTitle", "lbUnitsPerRev", "-1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Expected);
        Window.UpdateLanguage(&Lang); // greys the pair again
        c.Show();
        EXPECT_EQ(Label(c.Value)->text(), c.Expected);
        EXPECT_TRUE(Label(c.Value)->isEnabled());
        EXPECT_TRUE(Label(c.Title)->isEnabled());
        EXPECT_EQ(Label(c.Value)->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::black));
    }
}

TEST_F(KivWindowTest, AClickInAnyColumnSelectsThatRowInAllFive)
{
    ShowFaults(5);
    EXPECT_EQ(SelectedRows(), std::vector<int>(5, 0));
    for (int column = 0; column < 5; ++column) {
        SCOPED_TRACE(column);
        const int row = (column + 2) % 5;
        QListWidget* list = List(column);
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
        EXPECT_EQ(SelectedRows(), std::vector<int>(5, row));
        EXPECT_TRUE(List(4)->item(row)->isSelected());
    }
}

TEST_F(KivWindowTest, RowButtonsStopAtTheEnds)
{
    ShowFaults(3);
    Click("btnUp"); // already the newest
    EXPECT_EQ(SelectedRows(), std::vector<int>(5, 0));
    Click("btnDown");
    Click("btnDown");
    EXPECT_EQ(SelectedRows(), std::vector<int>(5, 2));
    Click("btnDown"); // already the oldest
    EXPECT_EQ(SelectedRows(), std::vector<int>(5, 2));
    Click("btnUp");
    EXPECT_EQ(SelectedRows(), std::vector<int>(5, 1));
}

TEST_F(KivWindowTest, OpenWithoutFaultsDoesNothingNotEvenPausing)
{
    int calls = 0;
    TKivActions actions;
    actions.IsRepeating = [&] { ++calls; return true; };
    actions.SetRepeat = [&](bool) { ++calls; };
    actions.RefreshLiveValues = [&] { ++calls; };
    Window.SetActions(actions);

    Click("btnOpen"); // no fault list at all
    ShowFaults(0);
    Click("btnOpen");

    EXPECT_EQ(calls, 0);
    EXPECT_EQ(Window.StoredFaultView().CurrentFault(), nullptr);
}

TEST_F(KivWindowTest, OpenPausesRepeatingAroundTheViewerAndResumesIt)
{
    ShowFaults(4);
    Click("btnDown");
    std::vector<QString> log;
    bool repeating = true;
    TKivActions actions;
    actions.IsRepeating = [&] { return repeating; };
    actions.SetRepeat = [&](bool on) { repeating = on; log.push_back(on ? "on" : "off"); };
    actions.RefreshLiveValues = [&] { log.push_back("refresh"); };
    Window.SetActions(actions);

    WhenModal([&] {
        TStoredFaultView& view = Window.StoredFaultView();
        EXPECT_TRUE(view.isVisible());
        EXPECT_FALSE(repeating);
        view.reject();
    });
    Click("btnOpen");

    EXPECT_EQ(Window.StoredFaultView().CurrentFault(), Faults.Faults.Fault(1));
    EXPECT_EQ(log, (std::vector<QString>{"off", "on", "refresh"}));
}

TEST_F(KivWindowTest, OpenAfterALanguagePassWithEmptyListsDoesNothing)
{
    // The language pass empties the lists while the fault list still holds the last reading.
    ShowFaults(3);
    Static.UpdateLanguage(&Lang);
    int calls = 0;
    TKivActions actions;
    actions.SetRepeat = [&](bool) { ++calls; };
    Window.SetActions(actions);

    Click("btnOpen");
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(Window.StoredFaultView().CurrentFault(), nullptr);
}

TEST_F(KivWindowTest, ViewerButtonsWalkTheTableAndStopAtTheEnds)
{
    ShowFaults(3);
    TStoredFaultView& view = Window.StoredFaultView();
    auto back = [&] { QTest::mouseClick(Component<QPushButton>(&view, "btnBack"), Qt::LeftButton); };
    auto next = [&] { QTest::mouseClick(Component<QPushButton>(&view, "btnNext"), Qt::LeftButton); };

    next(); // on the newest: shown again
    EXPECT_EQ(view.CurrentFault(), Faults.Faults.Fault(0));
    back();
    back();
    EXPECT_EQ(view.CurrentFault(), Faults.Faults.Fault(2));
    EXPECT_EQ(SelectedRows(), std::vector<int>(5, 2));
    back(); // on the oldest: shown again
    EXPECT_EQ(view.CurrentFault(), Faults.Faults.Fault(2));
    next();
    EXPECT_EQ(view.CurrentFault(), Faults.Faults.Fault(1));
    EXPECT_EQ(view.windowTitle(), "Index 2, Felstatus:  01 ");
}

TEST_F(KivWindowTest, DraggingADividerRealignsTheListsAndTheLastColumnFillsTheRest)
{
    QHeaderView* header = Header();
    auto checkAligned = [&] {
        int left = header->x();
        for (int c = 0; c < 5; ++c) {
            SCOPED_TRACE(c);
            EXPECT_EQ(List(c)->x(), left);
            EXPECT_EQ(List(c)->width(), header->sectionSize(c));
            EXPECT_EQ(List(c)->y(), header->y() + header->height());
            left += header->sectionSize(c);
        }
        EXPECT_EQ(left, header->x() + header->width()); // the last column ends with the header
    };
    checkAligned();

    // Drag the divider after column 1 by 25 pixels to the right.
    const int before1 = header->sectionSize(1);
    const int before4 = header->sectionSize(4);
    QWidget* viewport = header->viewport();
    const QPoint divider(header->sectionViewportPosition(1) + before1 - 1, header->height() / 2);
    const QPoint moved = divider + QPoint(25, 0);
    QMouseEvent press(QEvent::MouseButtonPress, divider, viewport->mapToGlobal(divider), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent move(QEvent::MouseMove, moved, viewport->mapToGlobal(moved), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, moved, viewport->mapToGlobal(moved), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &press);
    QApplication::sendEvent(viewport, &move);
    QApplication::sendEvent(viewport, &release);

    EXPECT_EQ(header->sectionSize(1), before1 + 25);
    EXPECT_EQ(header->sectionSize(4), before4 - 25);
    checkAligned();
}

TEST_F(KivWindowTest, AutoSizeMakesRoomForTheWidestEntry)
{
    QListWidget* opTime = List(1);
    Window.ClearList("lstbOpTime");
    EXPECT_EQ(Window.MaxItemWidth(opTime), 0);
    for (const char* hours : {"977", "16777215", "5000"})
        Window.AppendListItem("lstbOpTime", hours);
    EXPECT_EQ(Window.MaxItemWidth(opTime), opTime->fontMetrics().horizontalAdvance("16777215"));
    Window.AutoSizeColumns();

    QHeaderView* header = Header();
    EXPECT_GE(header->sectionSize(1), Window.MaxItemWidth(opTime) + 15);
    for (int c = 0; c < 4; ++c) {
        const int title = header->fontMetrics().horizontalAdvance(
            header->model()->headerData(c, Qt::Horizontal).toString());
        EXPECT_GE(header->sectionSize(c), title + 15) << c;
    }
    int sum = 0;
    for (int c = 0; c < 5; ++c)
        sum += header->sectionSize(c);
    EXPECT_EQ(sum, header->width());
}

TEST_F(KivWindowTest, SingleUpdateReadsIdentityThenDiagnosticsAndBeeps)
{
    std::vector<QString> log;
    TKivActions actions;
    actions.ReadIdentity = [&] { log.push_back("identity"); };
    actions.ReadDiagnostics = [&] {
        log.push_back(Label("lbMaxTemp")->isEnabled() ? "diagnostics" : "diagnostics, max disabled");
    };
    Window.SetActions(actions);
    Label("lbMaxTemp")->setEnabled(false);

    Click("btnSingleUpdate");

    EXPECT_EQ(log, (std::vector<QString>{"identity", "diagnostics"}));
    EXPECT_EQ(Dialogs.Beeps, 1);
}

TEST_F(KivWindowTest, ProgressBarServesTheLink)
{
    TProgressIndicator& progress = Window.ProgressBar();
    progress.SetMin(0);
    progress.SetMax(98);
    progress.SetStep(1);
    progress.SetPosition(97);
    progress.StepIt();
    EXPECT_EQ(progress.GetPosition(), 98);
    progress.StepIt(); // past the end it starts over
    EXPECT_EQ(progress.GetPosition(), 0);
    EXPECT_EQ(progress.GetMax(), 98);
}

TEST_F(KivWindowTest, SwedishTextsFitTheirLabels)
{
    Window.ShowPartNumber(40512307, true);
    for (QLabel* label : Window.findChildren<QLabel*>()) {
        if (label->text().isEmpty() || label->objectName().startsWith("kivStatusPanel"))
            continue;
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width())
            << label->objectName().toStdString();
    }
}

// An ordinary English translation is longer than the Swedish texts the design was drawn for.
TEST_F(KivWindowTest, LongTranslationsFitAfterTheLanguagePass)
{
    WriteAll(Dir.filePath("English.txt"),
             "[KIV]\r\nlbPartNumTitle=Part number of the encoder:\r\nlbSerialNumTitle=Serial number:\r\n"
             "lbSoftVerTitle=Software version:\r\nlbHardVerTitle=Hardware version:\r\n"
             "lbUnitsPerRevTitle=Units per revolution:\r\nlbTitleOperatingTime=Total operating time:\r\n"
             "lbTitleFreq=Frequency now:\r\nlbTitleTemp=Temperature now:\r\n"
             "lbTitleMaxTemp=Highest temperature ever measured:\r\nlbTitleMinTemp=Lowest temperature ever measured:\r\n"
             "lbStoredFaults=Stored faults, newest first:\r\nSection_0=Index\r\nSection_1=Operating time\r\n"
             "Section_2=Fault status\r\nSection_3=Frequency\r\nSection_4=Temperature\r\n"
             "btnOpen=Open the fault\r\nbtnSingleUpdate=Read everything once\r\n");
    TDynamicDiagObs dynamic;
    dynamic.SetMainWindow(&Window);
    TLangController controller(Dir.path());
    for (TLangClient* client : std::initializer_list<TLangClient*>{&Window, &Static, &dynamic})
        controller.Register(client);
    controller.SelectLanguage("English");
    ShowFaults(13);
    Window.ShowPartNumber(40512307, true);
    Window.ShowUnitsPerRevolution(2048);

    EXPECT_EQ(Label("lbUnitsPerRevTitle")->text(), "Units per revolution:");
    for (QLabel* label : Window.findChildren<QLabel*>()) {
        if (label->text().isEmpty() || !label->isVisibleTo(&Window) || label->window() != &Window
            || label->objectName().startsWith("kivStatusPanel"))
            continue;
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->width());
        EXPECT_GE(label->x(), 0);
        EXPECT_LE(label->geometry().right(), label->parentWidget()->width());
    }
    // Each title still ends before its value begins, and the values of a column stay in line.
    const char* const pairs[][2] = {
        {"lbPartNumTitle", "lbPartNum"}, {"lbUnitsPerRevTitle", "lbUnitsPerRev"},
        {"lbTitleOperatingTime", "lbOperatingTime"}, {"lbTitleTemp", "lbTemp"},
        {"lbTitleMaxTemp", "lbMaxTemp"}, {"lbTitleMinTemp", "lbMinTemp"},
    };
    for (const auto& pair : pairs) {
        SCOPED_TRACE(pair[0]);
        EXPECT_LT(Label(pair[0])->geometry().right(), Label(pair[1])->x());
    }
    EXPECT_EQ(Label("lbPartNum")->x(), Label("lbUnitsPerRev")->x());
    EXPECT_EQ(Label("lbMaxTemp")->x(), Label("lbMinTemp")->x());
    // The heading of the table and the title beside it do not overlap.
    EXPECT_LT(Label("lbStoredFaults")->x() + Label("lbStoredFaults")->fontMetrics().horizontalAdvance(
                  Label("lbStoredFaults")->text()),
              Label("lbTitleMinTemp")->x() + Label("lbTitleMinTemp")->width()
                  - Label("lbTitleMinTemp")->fontMetrics().horizontalAdvance(Label("lbTitleMinTemp")->text()));

    // The columns were sized for the titles the observers set in the pass, and for the rows.
    QHeaderView* header = Header();
    for (int c = 0; c < 5; ++c) {
        SCOPED_TRACE(c);
        const int title = header->fontMetrics().horizontalAdvance(header->model()->headerData(c, Qt::Horizontal).toString());
        EXPECT_GE(header->sectionSize(c), title);
        EXPECT_GE(List(c)->width(), Window.MaxItemWidth(List(c)));
    }
    for (const char* button : {"btnOpen", "btnSingleUpdate"}) {
        auto* b = Component<QPushButton>(&Window, button);
        EXPECT_GE(b->width(), b->sizeHint().width()) << button;
    }

    // Back in Swedish, every label stands where the design has it.
    controller.SelectLanguage("DefLang");
    EXPECT_EQ(Label("lbPartNumTitle")->geometry(), QRect(4, 20, 109, 14));
    EXPECT_EQ(Label("lbPartNum")->geometry(), QRect(120, 20, 110, 14));
}

TEST_F(KivWindowTest, LogoOpensTheBrowserAndNamesItsHost)
{
    TKivActions actions;
    actions.BrowserAddress = [] { return QStringLiteral("https://encoders.invalid/kiv/index.html"); };
    Window.SetActions(actions);
    QLabel* logo = Label("Image1");

    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(logo, &move);
    EXPECT_EQ(logo->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(logo->toolTip(), "encoders.invalid");

    QString shownAddress;
    WhenModal([&] {
        auto* browser = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(browser, nullptr);
        EXPECT_EQ(browser->objectName(), "fKivWebBrowser");
        EXPECT_EQ(browser->parentWidget(), &Window);
        shownAddress = browser->findChild<QLineEdit*>("Edit1")->text();
        browser->reject();
    });
    QTest::mouseClick(logo, Qt::LeftButton);
    EXPECT_EQ(shownAddress, "https://encoders.invalid/kiv/index.html");
    EXPECT_TRUE(Window.findChildren<QDialog*>("fKivWebBrowser").isEmpty()); // gone once closed

    EXPECT_EQ(TKIV::HostHint("/opt/kiv/HelpFiles/home.html"), "/opt/kiv/HelpFiles/home.html");
}
