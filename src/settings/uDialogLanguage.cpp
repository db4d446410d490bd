#include "settings/uDialogLanguage.h"
#include "platform/Dialogs.h"

void TDialogLanguage::UpdateLanguage(TLangIniFile* langFile)
{
    const TDialogTexts swedish;
    TDialogTexts texts;
    langFile->SetSection(Section());
    texts.Warning = langFile->ReadText(QStringLiteral("mtWarning"), swedish.Warning);
    texts.Error = langFile->ReadText(QStringLiteral("mtError"), swedish.Error);
    texts.Information = langFile->ReadText(QStringLiteral("mtInformation"), swedish.Information);
    texts.Confirmation = langFile->ReadText(QStringLiteral("mtConfirmation"), swedish.Confirmation);
    texts.Yes = langFile->ReadText(QStringLiteral("mbYes"), swedish.Yes);
    texts.No = langFile->ReadText(QStringLiteral("mbNo"), swedish.No);
    texts.OK = langFile->ReadText(QStringLiteral("mbOK"), swedish.OK);
    texts.Cancel = langFile->ReadText(QStringLiteral("mbCancel"), swedish.Cancel);
    Dialogs.SetTexts(texts);
}
