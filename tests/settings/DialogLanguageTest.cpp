#include "support/TestFiles.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "settings/uDialogLanguage.h"
#include "settings/uLangController.h"
#include <QAbstractButton>
#include <QMessageBox>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct TBoxLook {
    QString Caption;
    QStringList Buttons; // in the order Yes, No, OK, Cancel, as far as shown
};

TBoxLook Look(const TQtDialogs& dialogs, TMsgDlgType type, TMsgDlgButtons buttons)
{
    QMessageBox box;
    dialogs.PrepareBox(box, QStringLiteral("text"), type, buttons);
    TBoxLook look{box.windowTitle(), {}};
    for (auto standard : {QMessageBox::Yes, QMessageBox::No, QMessageBox::Ok, QMessageBox::Cancel})
        if (QAbstractButton* button = box.button(standard))
            look.Buttons << button->text();
    return look;
}

class DialogLanguageTest : public ::testing::Test {
protected:
    QTemporaryDir Dir;
    TQtDialogs Dialogs;
    TDialogLanguage Client{Dialogs};
    TLangController Controller{Dir.path()};

    void SetUp() override { Controller.Register(&Client); }
};

} // namespace

TEST_F(DialogLanguageTest, BoxesSpeakSwedishAndTheDefaultLanguageIsFilledIn)
{
    // Before any language: Swedish already.
    EXPECT_EQ(Look(Dialogs, TMsgDlgType::Warning, mbOK).Caption, "Varning");

    Controller.LoadLanguages();
    const struct {
        const char* Name;
        TMsgDlgType Type;
        TMsgDlgButtons Buttons;
        const char* Caption;
        QStringList Texts;
    } rows[] = {
        {"warning with OK", TMsgDlgType::Warning, mbOK, "Varning", {"OK"}},
        {"error with OK", TMsgDlgType::Error, mbOK, "Fel", {"OK"}},
        {"information, yes or no", TMsgDlgType::Information, mbYes | mbNo, "Information", {"Ja", "Nej"}},
        {"confirmation, all buttons", TMsgDlgType::Confirmation, mbYes | mbNo | mbOK | mbCancel, "Bekräfta",
         {"Ja", "Nej", "OK", "Avbryt"}},
        {"no buttons asked for gives OK", TMsgDlgType::Error, 0, "Fel", {"OK"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const TBoxLook look = Look(Dialogs, row.Type, row.Buttons);
        EXPECT_EQ(look.Caption, QString::fromUtf8(row.Caption));
        EXPECT_EQ(look.Buttons, row.Texts);
    }
    EXPECT_EQ(ReadAll(Dir.filePath("DefLang.txt")),
              QByteArray("[Dialogs]\r\nmtWarning=Varning\r\nmtError=Fel\r\nmtInformation=Information\r\n"
                         "mtConfirmation=Bekr\xE4" "fta\r\nmbYes=Ja\r\nmbNo=Nej\r\nmbOK=OK\r\nmbCancel=Avbryt\r\n"));
}

TEST_F(DialogLanguageTest, TranslatedWordsAreUsedAndMissingOnesFilledIn)
{
    WriteAll(Dir.filePath("English.txt"), "[Dialogs]\r\nmtWarning=Warning\r\nmtConfirmation=Confirm\r\n"
                                          "mbYes=Yes\r\nmbNo=No\r\nmbCancel=Cancel\r\n");
    Controller.SelectLanguage("English");
    const TBoxLook look = Look(Dialogs, TMsgDlgType::Confirmation, mbYes | mbNo | mbCancel);
    EXPECT_EQ(look.Caption, "Confirm");
    EXPECT_EQ(look.Buttons, (QStringList{"Yes", "No", "Cancel"}));
    EXPECT_EQ(Look(Dialogs, TMsgDlgType::Warning, mbOK).Caption, "Warning");
    // Not yet translated: the Swedish word, now in the file for the translator.
    EXPECT_EQ(Look(Dialogs, TMsgDlgType::Error, mbOK).Caption, "Fel");
    TIniFile english(Dir.filePath("English.txt"));
    EXPECT_EQ(english.ReadString("Dialogs", "mtError", ""), "Fel");
    EXPECT_EQ(english.ReadString("Dialogs", "mbOK", ""), "OK");
}
