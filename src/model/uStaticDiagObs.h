#pragma once
#include "core/uObserver.h"
#include "settings/uLangIniFile.h"

class TMainWindowView;

// Writes the values decoded from the diagnostic block into the main window: the highest and
// lowest temperature, the hidden fault count and operating time, and the stored-fault table.
// The texts it writes are also what a saved reading stores, so their forms are fixed.
class TStaticDiagObs : public TObserver, public TLangClient {
public:
    void SetMainWindow(TMainWindowView* mainWindow) { MainWindow = mainWindow; }
    TMainWindowView* GetMainWindow() const { return MainWindow; }

    // The subject must be a value of the diagnostic block; anything else is a programming error
    // and raises.
    void Update(TSubject* subject, int32_t code) override;
    void UpdateLanguage(TLangIniFile* langFile) override;

private:
    void ClearFaultLists();

    TMainWindowView* MainWindow = nullptr;
};
