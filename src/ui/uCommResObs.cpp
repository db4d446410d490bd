#include "ui/uCommResObs.h"
#include "core/uCommRes.h"
#include "core/uUpdateTimer.h"
#include "ui/fDiagManager.h"
#include "ui/fDiagOptions.h"
#include <QPushButton>

void TCommResObs::Update(TSubject* subject, int32_t code)
{
    auto* commRes = dynamic_cast<TCommRes*>(subject);
    if (!commRes)
        return;
    switch (code) {
    case 0:
        Update(subject, 101);
        Update(subject, 102);
        break;
    case 101:
        if (Options)
            TDiagOptions::SelectEntry(Options->cbComPort, commRes->GetPortIndex());
        break;
    case 102:
        if (!ControlWindow)
            break;
        if (commRes->IsOpen()) {
            ControlWindow->ShowOnlineLed(true);
            if (Actions.GoOnline)
                Actions.GoOnline();
        } else {
            TUpdateTimer* timer = ControlWindow->GetUpdateTimer();
            if (timer && timer->IsRepeating())
                timer->SetRepeat(false);
            ControlWindow->ShowOnlineLed(false);
            if (Actions.GoOffline)
                Actions.GoOffline();
        }
        break;
    default:
        break;
    }
}

void TCommResObs::UpdateLanguage(TLangIniFile* langFile)
{
    if (langFile && ControlWindow) {
        if (Options) {
            const QSignalBlocker quiet(Options->cbComPort);
            Options->cbComPort->clear();
            Options->cbComPort->addItems({"COM1", "COM2", "COM3", "COM4"});
            langFile->SetSection(QStringLiteral("DiagOptions"));
            TDiagOptions::SetCaption(Options->lbComPort,
                                     langFile->ReadText(QStringLiteral("lbComPort"), QStringLiteral("Serieport:")));
        }
        langFile->SetSection(QStringLiteral("DiagManager"));
        ControlWindow->btnOnLine->setText(langFile->ReadText(QStringLiteral("btnOnLine"), QStringLiteral("Online")));
        ControlWindow->ShowOnlineLed(false);
    }
    // Through code 102 this goes online again when the port is open, offline when it is closed.
    if (CommRes)
        CommRes->Notify(0);
}
