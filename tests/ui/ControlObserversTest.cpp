#include "ControlWindowFixture.h"
#include <QLabel>
#include "ui/uHelp.h"
#include <QPushButton>

namespace {

using ControlObserversTest = ControlWindowFixture;

TEST_F(ControlObserversTest, PortObserverShowsTheSelectedPortAndGoesOnlineAndOffline)
{
    LangController.SelectLanguage("DefLang"); // fills the port list, then notifies code 0
    EXPECT_EQ(GoOfflineCalls, 1);
    EXPECT_EQ(Options.cbComPort->currentText(), "COM1");

    CommRes.SetComPort("COM3"); // 101
    EXPECT_EQ(Options.cbComPort->currentIndex(), 2);

    CommRes.SetComPort("COM1");
    CommRes.Open(); // 102
    EXPECT_TRUE(ShowsLed(Window.btnOnLine, true));
    EXPECT_EQ(GoOnlineCalls, 1);

    CommRes.Notify(0); // 101, then 102: online again while open
    EXPECT_EQ(GoOnlineCalls, 2);
    CommResObs.Update(&UpdateTimer, 102); // not a port: ignored
    EXPECT_EQ(GoOnlineCalls, 2);

    CommRes.Close();
    EXPECT_TRUE(ShowsLed(Window.btnOnLine, false));
    EXPECT_EQ(GoOfflineCalls, 2);
    EXPECT_EQ(GoOnlineCalls, 2);
}

TEST_F(ControlObserversTest, TimerObserverShowsIntervalAndRepeatState)
{
    LangController.SelectLanguage("DefLang"); // fills the interval list, then notifies code 0
    EXPECT_EQ(Options.cbUpdateInterval->count(), TUpdateTimer::IntervalCount);
    EXPECT_EQ(Options.cbUpdateInterval->currentText(), "1,0");
    EXPECT_FALSE(MainWindow.Enabled.at("lbTemp"));

    UpdateTimer.SetInterval(50000); // 100
    EXPECT_EQ(Options.cbUpdateInterval->currentText(), "50");

    UpdateTimer.SetRepeat(true); // opens the port, then 101
    EXPECT_TRUE(ShowsLed(Window.btnUpdate, true));
    EXPECT_EQ(ObserverRefreshCalls, 1);
    for (const char* name : {"lbTitleTemp", "lbTitleFreq", "lbTitleOperatingTime"})
        EXPECT_TRUE(MainWindow.Enabled.at(name)) << name;

    UpdateTimer.SetRepeat(false);
    EXPECT_TRUE(ShowsLed(Window.btnUpdate, false));
    for (const char* name :
         {"lbTemp", "lbFreq", "lbOperatingTime", "lbTitleTemp", "lbTitleFreq", "lbTitleOperatingTime"})
        EXPECT_FALSE(MainWindow.Enabled.at(name)) << name;
    EXPECT_EQ(ObserverRefreshCalls, 1);
}

TEST_F(ControlObserversTest, ClosingThePortWhileRepeatingPutsBothLedsOut)
{
    QTest::mouseClick(Window.btnUpdate, Qt::LeftButton);
    ASSERT_TRUE(UpdateTimer.IsRepeating());
    EXPECT_TRUE(CommRes.IsOpen());
    EXPECT_TRUE(ShowsLed(Window.btnOnLine, true));
    EXPECT_TRUE(ShowsLed(Window.btnUpdate, true));
    EXPECT_EQ(SingleUpdateCalls, 1); // a first reading at once

    QTest::mouseClick(Window.btnOnLine, Qt::LeftButton);
    EXPECT_FALSE(CommRes.IsOpen());
    EXPECT_FALSE(UpdateTimer.IsRepeating());
    EXPECT_TRUE(ShowsLed(Window.btnOnLine, false));
    EXPECT_TRUE(ShowsLed(Window.btnUpdate, false));
}

TEST_F(ControlObserversTest, RepeatingOnAMissingDeviceRaisesAndLeavesBothLedsOut)
{
    CommRes.SetComPort("COM2");
    EXPECT_THROW(Window.btnUpdateClick(), ECommResError);
    EXPECT_FALSE(UpdateTimer.IsRepeating());
    EXPECT_TRUE(ShowsLed(Window.btnOnLine, false));
    EXPECT_TRUE(ShowsLed(Window.btnUpdate, false));
    EXPECT_EQ(SingleUpdateCalls, 0);
}

TEST_F(ControlObserversTest, LanguagePassFillsTheControlWindowAndShowsIt)
{
    EXPECT_FALSE(Window.isVisible());
    LangController.SelectLanguage("DefLang");
    EXPECT_TRUE(Window.isVisible());
    EXPECT_EQ(Window.windowTitle(), "Kiv V2.0");
    EXPECT_EQ(Window.btnOnLine->text(), "Online");
    EXPECT_EQ(Window.btnUpdate->text(), "Rep. uppdatering");
    EXPECT_EQ(Window.StatusText(0), "F1 för Hjälp");
    EXPECT_EQ(Window.DBFunctionMsg(), "Slå på repeterad uppdatering innan du kan spara\ntill databasen.");
    EXPECT_EQ(Options.lbComPort->text(), "Serieport:");
    EXPECT_EQ(Options.cbLang->currentText(), TDiagOptions::LangPlaceholder);
    EXPECT_EQ(HelpContextFor(Window.btnOptions), 10);
    EXPECT_EQ(HelpContextFor(Options.cbLang), 19);
    // The window's placement is stored by its first restore.
    EXPECT_TRUE(ApplIniFile.FormPlacementExists(&Window));
}

} // namespace
