#include "model/uStaticDiagObs.h"
#include "model/uMainWindowView.h"
#include "model/uStaticDiag.h"
#include "model/uStoredFaults.h"
#include "platform/Exception.h"

namespace {
const QString DegreesCelsius = QStringLiteral(" °C");
} // namespace

void TStaticDiagObs::ClearFaultLists()
{
    for (const char* list : {"lstbFaultStatus", "lstbOpTime", "lstbFreq", "lstbTemp", "lstbIndex"})
        MainWindow->ClearList(QString::fromLatin1(list));
}

void TStaticDiagObs::Update(TSubject* subject, int32_t /*code*/)
{
    auto* value = dynamic_cast<TStaticDiag*>(subject);
    if (!value)
        throw Exception("Invalid class typecast");

    if (dynamic_cast<TNumOfFaults*>(value)) {
        MainWindow->SetComponentEnabled(QStringLiteral("lbNumOfFaults"), true);
        MainWindow->SetComponentText(QStringLiteral("lbNumOfFaults"), value->GetAsText());
    } else if (dynamic_cast<TMaxTemp*>(value)) {
        MainWindow->SetComponentText(QStringLiteral("lbMaxTemp"), value->GetAsText() + DegreesCelsius);
    } else if (dynamic_cast<TMinTemp*>(value)) {
        MainWindow->SetComponentText(QStringLiteral("lbMinTemp"), value->GetAsText() + DegreesCelsius);
    } else if (dynamic_cast<TOperatingTime*>(value)) {
        MainWindow->SetComponentEnabled(QStringLiteral("lbOpTime"), true);
        MainWindow->SetComponentText(QStringLiteral("lbOpTime"), value->GetAsText());
    } else if (auto* storedFaults = dynamic_cast<TStoredFaults*>(value)) {
        ClearFaultLists();
        for (int i = 0; i < storedFaults->Count(); ++i) {
            const TStoredFault* fault = storedFaults->Fault(i);
            MainWindow->AppendListItem(QStringLiteral("lstbFaultStatus"), fault->StatusAsText());
            MainWindow->AppendListItem(QStringLiteral("lstbOpTime"), fault->OpTimeAsText());
            MainWindow->AppendListItem(QStringLiteral("lstbFreq"), fault->FreqAsText());
            MainWindow->AppendListItem(QStringLiteral("lstbTemp"), fault->TempAsText());
            MainWindow->AppendListItem(QStringLiteral("lstbIndex"), fault->IndexAsText());
        }
        if (MainWindow->ListCount(QStringLiteral("lstbIndex")) > 0)
            MainWindow->SelectRowAsClicked(0);
    }
}

void TStaticDiagObs::UpdateLanguage(TLangIniFile* langFile)
{
    langFile->SetSection(QStringLiteral("KIV"));
    MainWindow->SetComponentText(QStringLiteral("lbTitleMaxTemp"),
                                 langFile->ReadText(QStringLiteral("lbTitleMaxTemp"), QStringLiteral("Högsta temperatur:")));
    MainWindow->SetComponentText(QStringLiteral("lbTitleNumOfFaults"),
                                 langFile->ReadText(QStringLiteral("lbTitleNumOfFaults"), QStringLiteral("Antal fel:")));
    MainWindow->SetComponentVisible(QStringLiteral("lbTitleNumOfFaults"), false);
    MainWindow->SetComponentText(QStringLiteral("lbTitleMinTemp"),
                                 langFile->ReadText(QStringLiteral("lbTitleMinTemp"), QStringLiteral("Lägsta temperatur:")));
    // This title is not translated: it is the block's own operating time, which only a saved
    // reading shows.
    MainWindow->SetComponentText(QStringLiteral("lbTitleOpTime"), QStringLiteral("Drifttid:"));
    MainWindow->SetComponentVisible(QStringLiteral("lbTitleOpTime"), false);
    for (const char* hidden : {"lbNumOfFaults", "lbOpTime"}) {
        MainWindow->SetComponentEnabled(QString::fromLatin1(hidden), false);
        MainWindow->SetComponentVisible(QString::fromLatin1(hidden), false);
    }
    MainWindow->SetComponentText(QStringLiteral("lbStoredFaults"),
                                 langFile->ReadText(QStringLiteral("lbStoredFaults"), QStringLiteral("Lagrade fel:")));
    const char* const sectionDefaults[5] = {"Index", "Drifttid", "Felstatus", "Frekvens", "Temperatur"};
    for (int i = 0; i < 5; ++i) {
        MainWindow->SetHeaderSectionText(
            i, langFile->ReadText(QStringLiteral("Section_%1").arg(i), QString::fromLatin1(sectionDefaults[i])));
    }
    ClearFaultLists();
}
