#pragma once
#include "core/uObserver.h"
#include "settings/uLangIniFile.h"

class TMainWindowView;

// Writes the live operating time, frequency and temperature into the main window, with units.
class TDynamicDiagObs : public TObserver, public TLangClient {
public:
    void SetMainWindow(TMainWindowView* mainWindow) { MainWindow = mainWindow; }
    TMainWindowView* GetMainWindow() const { return MainWindow; }

    // The subject must be a data item; one that is none of the three live kinds is passed over.
    void Update(TSubject* subject, int32_t code) override;
    void UpdateLanguage(TLangIniFile* langFile) override;

private:
    TMainWindowView* MainWindow = nullptr;
};
