#pragma once
#include "core/uObserver.h"
#include "settings/uLangIniFile.h"
#include <functional>

class TCommRes;
class TDiagManager;
class TDiagOptions;

// The controller's sequences the port observer starts; an action left empty does nothing.
struct TCommResObsActions {
    std::function<void()> GoOnline;
    std::function<void()> GoOffline;
};

// Keeps the control window and the options dialog in step with the serial port: the online LED,
// the selected port name, and going online or offline when the port opens or closes.
class TCommResObs : public TObserver, public TLangClient {
public:
    // References set by the controller, none owned.
    void SetCommRes(TCommRes* commRes) { CommRes = commRes; }
    void SetControlWindow(TDiagManager* controlWindow) { ControlWindow = controlWindow; }
    void SetOptions(TDiagOptions* options) { Options = options; }
    void SetActions(TCommResObsActions actions) { Actions = std::move(actions); }

    void Update(TSubject* subject, int32_t code) override;
    void UpdateLanguage(TLangIniFile* langFile) override;

private:
    TCommRes* CommRes = nullptr;
    TDiagManager* ControlWindow = nullptr;
    TDiagOptions* Options = nullptr;
    TCommResObsActions Actions;
};
