#pragma once
#include "settings/uLangIniFile.h"

class TDialogs;

// Gives the message boxes their words from section "Dialogs" of the language, filled in with the
// Swedish defaults like every other section.
class TDialogLanguage : public TLangClient {
public:
    explicit TDialogLanguage(TDialogs& dialogs) : Dialogs(dialogs) {}
    void UpdateLanguage(TLangIniFile* langFile) override;

    static QString Section() { return QStringLiteral("Dialogs"); }

private:
    TDialogs& Dialogs;
};
