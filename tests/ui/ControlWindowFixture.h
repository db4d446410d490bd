#pragma once
#include "support/FakeDialogs.h"
#include "UiTestHelpers.h"
#include "core/uCommRes.h"
#include "core/uUpdateTimer.h"
#include "model/uMainWindowView.h"
#include "platform/IniFile.h"
#include "ui/LOESEN.h"
#include "ui/fDiagManager.h"
#include "ui/fDiagOptions.h"
#include "settings/uApplIniFile.h"
#include "settings/uCommResIniFile.h"
#include "ui/uCommResObs.h"
#include "settings/uLangController.h"
#include "ui/uUpdateTimerObs.h"
#include <QAbstractButton>
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <fcntl.h>
#include <map>
#include <unistd.h>

// A pseudo-terminal whose slave stands in for a serial device; the master stays open so the
// slave can be opened and closed at will.
struct TTestPty {
    int Master = -1;
    QString SlavePath;
    TTestPty()
    {
        Master = posix_openpt(O_RDWR | O_NOCTTY);
        if (Master >= 0 && grantpt(Master) == 0 && unlockpt(Master) == 0)
            SlavePath = QString::fromLocal8Bit(ptsname(Master));
    }
    ~TTestPty()
    {
        if (Master >= 0)
            close(Master);
    }
};

// Records what the timer observer does to the main window's labels.
class TRecordingMainWindow : public TMainWindowView {
public:
    std::map<QString, bool> Enabled;
    void SetComponentText(const QString&, const QString&) override {}
    void SetComponentEnabled(const QString& component, bool enabled) override { Enabled[component] = enabled; }
    void SetComponentVisible(const QString&, bool) override {}
    void SetHeaderSectionText(int, const QString&) override {}
    void ClearList(const QString&) override {}
    void AppendListItem(const QString&, const QString&) override {}
    int ListCount(const QString&) const override { return 0; }
    void SelectRowAsClicked(int) override {}
};

// The control window, the options dialog and their two observers wired to a real port and a real
// update timer, as the controller wires them. COM1 is a pseudo-terminal, COM2 a missing device.
class ControlWindowFixture : public ::testing::Test {
protected:
    FakeDialogs Dialogs;
    QTemporaryDir Folder;
    TIniFile Settings{Folder.filePath("kiv.ini")};
    TApplIniFile ApplIniFile{&Settings};
    TCommResIniFile CommResIniFile{&Settings, &Dialogs};
    TTestPty Pty;
    TCommRes CommRes;
    TUpdateTimer UpdateTimer;
    TDiagOptions Options;
    TPasswordDlg PasswordDlg;
    TDiagManager Window{Dialogs};
    TRecordingMainWindow MainWindow;
    TCommResObs CommResObs;
    TUpdateTimerObs UpdateTimerObs;
    TLangController LangController{Folder.path()};

    int GoOnlineCalls = 0;
    int GoOfflineCalls = 0;
    int ObserverRefreshCalls = 0; // RefreshLiveValues from the timer observer
    int WindowRefreshCalls = 0;   // RefreshLiveValues from the control window's modal pause
    int SingleUpdateCalls = 0;
    int ResetCalls = 0;

    void SetUp() override
    {
        ASSERT_FALSE(Pty.SlavePath.isEmpty());
        CommRes.SetPortDevice(0, Pty.SlavePath);
        CommRes.SetPortDevice(1, Folder.filePath("no-such-device"));
        CommRes.SetComPort("COM1");
        UpdateTimer.SetSettings(&ApplIniFile);
        UpdateTimer.SetCommRes(&CommRes);

        Options.SetCommRes(&CommRes);
        Options.SetCommResIniFile(&CommResIniFile);
        Options.SetApplIniFile(&ApplIniFile);
        Options.SetUpdateTimer(&UpdateTimer);
        Options.SetLangController(&LangController);

        Window.SetSettings(&ApplIniFile);
        Window.SetCommRes(&CommRes);
        Window.SetUpdateTimer(&UpdateTimer);
        Window.SetOptions(&Options);
        Window.SetPasswordDlg(&PasswordDlg);
        TDiagManagerActions actions;
        actions.RefreshLiveValues = [this] { ++WindowRefreshCalls; };
        actions.SingleUpdate = [this] { ++SingleUpdateCalls; };
        actions.ResetEncoder = [this] { ++ResetCalls; };
        Window.SetActions(actions);

        CommResObs.SetCommRes(&CommRes);
        CommResObs.SetControlWindow(&Window);
        CommResObs.SetOptions(&Options);
        CommResObs.SetActions({[this] { ++GoOnlineCalls; }, [this] { ++GoOfflineCalls; }});
        UpdateTimerObs.SetUpdateTimer(&UpdateTimer);
        UpdateTimerObs.SetControlWindow(&Window);
        UpdateTimerObs.SetOptions(&Options);
        UpdateTimerObs.SetMainWindow(&MainWindow);
        UpdateTimerObs.SetRefreshLiveValues([this] { ++ObserverRefreshCalls; });
        CommRes.Attach(&CommResObs);
        UpdateTimer.Attach(&UpdateTimerObs);
        CommResObs.SetActive(true);
        UpdateTimerObs.SetActive(true);

        LangController.SetLangList(&Options);
        LangController.SetSettings(&ApplIniFile);
        for (TLangClient* client : std::initializer_list<TLangClient*>{&Window, &CommResObs, &Options, &UpdateTimerObs})
            LangController.Register(client);
    }

    void TearDown() override
    {
        UpdateTimer.SetRepeat(false);
        CommResObs.SetActive(false);
        UpdateTimerObs.SetActive(false);
        CommRes.Detach(&CommResObs);
        UpdateTimer.Detach(&UpdateTimerObs);
    }

    // The same icon as the lit or the unlit LED.
    bool ShowsLed(const QAbstractButton* button, bool lit) const
    {
        return button->icon().cacheKey() == Window.Led(lit).cacheKey();
    }
};
