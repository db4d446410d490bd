#include "model/uDynamicDiagObs.h"
#include "model/uBiDirDataAsFreq.h"
#include "model/uBiDirDataAsOpTime.h"
#include "model/uBiDirDataAsTemp.h"
#include "model/uMainWindowView.h"
#include "platform/Exception.h"

void TDynamicDiagObs::Update(TSubject* subject, int32_t /*code*/)
{
    auto* item = dynamic_cast<TBiDirDataBase*>(subject);
    if (!item)
        throw Exception("Invalid class typecast");

    QString label;
    QString unit;
    if (dynamic_cast<TBiDirDataAsOpTime*>(item)) {
        label = QStringLiteral("lbOperatingTime");
        unit = QStringLiteral(" h");
    } else if (dynamic_cast<TBiDirDataAsTemp*>(item)) {
        label = QStringLiteral("lbTemp");
        unit = QStringLiteral(" °C");
    } else if (dynamic_cast<TBiDirDataAsFreq*>(item)) {
        label = QStringLiteral("lbFreq");
        unit = QStringLiteral(" Hz");
    } else {
        return; // the polled fault count is watched here too, but not shown
    }
    MainWindow->SetComponentText(label, item->GetAsText() + unit);
    MainWindow->SetComponentEnabled(label, true);
}

void TDynamicDiagObs::UpdateLanguage(TLangIniFile* langFile)
{
    langFile->SetSection(QStringLiteral("KIV"));
    MainWindow->SetComponentText(QStringLiteral("lbTitleTemp"),
                                 langFile->ReadText(QStringLiteral("lbTitleTemp"), QStringLiteral("Temperatur:")));
    MainWindow->SetComponentText(QStringLiteral("lbTitleFreq"),
                                 langFile->ReadText(QStringLiteral("lbTitleFreq"), QStringLiteral("Frekvens:")));
    MainWindow->SetComponentText(QStringLiteral("lbTitleOperatingTime"),
                                 langFile->ReadText(QStringLiteral("lbTitleOperatingTime"), QStringLiteral("Drifttid:")));
    for (const char* value : {"lbTemp", "lbFreq", "lbOperatingTime"}) {
        MainWindow->SetComponentEnabled(QString::fromLatin1(value), false);
        MainWindow->SetComponentText(QString::fromLatin1(value), QStringLiteral("-"));
    }
    // Only the values come back with the next reading; the titles wait for repeated updating.
    for (const char* title : {"lbTitleTemp", "lbTitleFreq", "lbTitleOperatingTime"})
        MainWindow->SetComponentEnabled(QString::fromLatin1(title), false);
}
