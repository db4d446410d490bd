#include "ui/uUpdateTimerObs.h"
#include "core/uUpdateTimer.h"
#include "model/uMainWindowView.h"
#include "ui/fDiagManager.h"
#include "ui/fDiagOptions.h"
#include <QPushButton>

void TUpdateTimerObs::Update(TSubject* subject, int32_t code)
{
    auto* timer = dynamic_cast<TUpdateTimer*>(subject);
    if (!timer)
        return;
    switch (code) {
    case 0:
        Update(subject, 100);
        Update(subject, 101);
        break;
    case 100:
        if (Options)
            TDiagOptions::SelectEntry(Options->cbUpdateInterval, TUpdateTimer::IndexFromInterval(timer->GetInterval()));
        break;
    case 101:
        if (timer->IsRepeating()) {
            if (MainWindow)
                for (const char* name : {"lbTitleTemp", "lbTitleFreq", "lbTitleOperatingTime"})
                    MainWindow->SetComponentEnabled(QString::fromLatin1(name), true);
            if (ControlWindow)
                ControlWindow->ShowUpdateLed(true);
            if (RefreshLiveValues)
                RefreshLiveValues();
        } else {
            if (MainWindow)
                for (const char* name :
                     {"lbTemp", "lbFreq", "lbOperatingTime", "lbTitleTemp", "lbTitleFreq", "lbTitleOperatingTime"})
                    MainWindow->SetComponentEnabled(QString::fromLatin1(name), false);
            if (ControlWindow)
                ControlWindow->ShowUpdateLed(false);
        }
        break;
    default:
        break;
    }
}

void TUpdateTimerObs::UpdateLanguage(TLangIniFile* langFile)
{
    if (langFile && ControlWindow && Options) {
        langFile->SetSection(QStringLiteral("DiagManager"));
        ControlWindow->btnUpdate->setText(
            langFile->ReadText(QStringLiteral("btnUpdate"), QStringLiteral("Rep. uppdatering")));
        langFile->SetSection(QStringLiteral("DiagOptions"));
        TDiagOptions::SetCaption(Options->lbUpdateInterval,
                                 langFile->ReadText(QStringLiteral("lbUpdateInterval"),
                                                    QStringLiteral("Uppdateringsintervall: (s)")));
        QStringList labels;
        for (int i = 0; i < TUpdateTimer::IntervalCount; ++i)
            labels << TUpdateTimer::IntervalLabel(i);
        const QSignalBlocker quiet(Options->cbUpdateInterval);
        Options->cbUpdateInterval->clear();
        Options->cbUpdateInterval->addItems(labels);
    }
    if (UpdateTimer)
        UpdateTimer->Notify(0);
}
