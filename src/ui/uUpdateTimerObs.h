#pragma once
#include "core/uObserver.h"
#include "settings/uLangIniFile.h"
#include <functional>

class TDiagManager;
class TDiagOptions;
class TMainWindowView;
class TUpdateTimer;

// Keeps the control window, the options dialog and the main window in step with the update
// timer: the repeat LED, the selected interval and the live-value labels.
class TUpdateTimerObs : public TObserver, public TLangClient {
public:
    // References set by the controller, none owned.
    void SetUpdateTimer(TUpdateTimer* updateTimer) { UpdateTimer = updateTimer; }
    void SetControlWindow(TDiagManager* controlWindow) { ControlWindow = controlWindow; }
    void SetOptions(TDiagOptions* options) { Options = options; }
    void SetMainWindow(TMainWindowView* mainWindow) { MainWindow = mainWindow; }
    // The controller's re-announcement of the live values; empty does nothing.
    void SetRefreshLiveValues(std::function<void()> action) { RefreshLiveValues = std::move(action); }

    void Update(TSubject* subject, int32_t code) override;
    void UpdateLanguage(TLangIniFile* langFile) override;

private:
    TUpdateTimer* UpdateTimer = nullptr;
    TDiagManager* ControlWindow = nullptr;
    TDiagOptions* Options = nullptr;
    TMainWindowView* MainWindow = nullptr;
    std::function<void()> RefreshLiveValues;
};
