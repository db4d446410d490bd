#include "support/TestFiles.h"
#include "platform/IniFile.h"
#include "settings/uApplIniFile.h"
#include "settings/uLangController.h"
#include "settings/uLangIniFile.h"
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Reads two texts as a window would, and remembers what it got.
class RecordingClient : public TLangClient {
public:
    explicit RecordingClient(std::vector<RecordingClient*>* calls = nullptr) : Calls(calls) {}
    void UpdateLanguage(TLangIniFile* langFile) override
    {
        LanguageName = langFile->LanguageName();
        langFile->SetSection("DiagManager");
        Caption = langFile->ReadText("btnOptions", "Inställningar");
        Message = langFile->ReadText("sDBFunction", "Slå på repeterad uppdatering innan du kan spara\rtill databasen.");
        if (Calls)
            Calls->push_back(this);
    }
    std::vector<RecordingClient*>* Calls;
    QString LanguageName, Caption, Message;
};

class LangTest : public ::testing::Test {
protected:
    QTemporaryDir Dir;
    TIniFile Ini{Dir.filePath("kiv.ini")};
    TApplIniFile Settings{&Ini};
    TMemLangList List;
    RecordingClient Client;
    TLangController Controller{Dir.path()};

    void SetUp() override
    {
        Controller.SetSettings(&Settings);
        Controller.SetLangList(&List);
        Controller.Register(&Client);
    }
    QString File(const char* name) const { return Dir.filePath(QString::fromLatin1(name)); }
};

} // namespace

TEST_F(LangTest, FirstStartFillsDefLangAndWritesNoList)
{
    Controller.LoadLanguages();
    EXPECT_EQ(Client.LanguageName, "DefLang");
    EXPECT_EQ(Client.Caption, "Inställningar");
    EXPECT_EQ(Controller.LangFile()->FileName(), File("DefLang.txt"));
    EXPECT_EQ(ReadAll(File("DefLang.txt")),
              QByteArray("[DiagManager]\r\nbtnOptions=Inst\xE4llningar\r\n"
                         "sDBFunction=Sl\xE5 p\xE5 repeterad uppdatering innan du kan spara\\ntill databasen.\r\n"));
    EXPECT_FALSE(QFile::exists(File("lang.lst")));
    EXPECT_FALSE(Ini.ValueExists("Application", "LangIndex"));

    // The next start reads the stored texts; the stored line break comes back as one.
    Controller.LoadLanguages();
    EXPECT_EQ(Client.Caption, "Inställningar");
    EXPECT_EQ(Client.Message, "Slå på repeterad uppdatering innan du kan spara\ntill databasen.");
}

TEST_F(LangTest, TypedNewLanguageIsAppendedAndRemembered)
{
    WriteAll(File("lang.lst"), "Deutsch\r\n");
    Controller.LoadLanguages();
    Controller.SelectLanguage("English");

    EXPECT_EQ(Client.LanguageName, "English");
    EXPECT_EQ(ReadAll(File("lang.lst")), QByteArray("Deutsch\r\nEnglish\r\n"));
    EXPECT_EQ(List.LangItems(), QStringList({"Deutsch", "English"}));
    EXPECT_EQ(List.LangItemIndex(), 1);
    EXPECT_EQ(Settings.ReadLangIndex(), 1);
    EXPECT_TRUE(ReadAll(File("English.txt")).contains("btnOptions=Inst\xE4llningar\r\n"));

    // The next start opens it again.
    WriteAll(File("English.txt"), "[DiagManager]\r\nbtnOptions=Options\r\n");
    TMemLangList list;
    RecordingClient client;
    TLangController next(Dir.path());
    next.SetSettings(&Settings);
    next.SetLangList(&list);
    next.Register(&client);
    next.LoadLanguages();
    EXPECT_EQ(client.LanguageName, "English");
    EXPECT_EQ(client.Caption, "Options");
    EXPECT_EQ(list.LangItemIndex(), 1);
}

TEST_F(LangTest, ListLinesEndInCrLfOrBoth)
{
    WriteAll(File("lang.lst"), "Deutsch\rEnglish\nSvenska\r\nSuomi");
    Settings.WriteLangIndex(3);
    Controller.LoadLanguages();
    EXPECT_EQ(List.LangItems(), QStringList({"Deutsch", "English", "Svenska", "Suomi"}));
    EXPECT_EQ(Client.LanguageName, "Suomi");
}

TEST_F(LangTest, IndexOutsideTheListOrMissingListFallsBack)
{
    WriteAll(File("lang.lst"), "Deutsch\r\nEnglish\r\n");
    Settings.WriteLangIndex(2);
    Controller.LoadLanguages();
    EXPECT_EQ(Client.LanguageName, "DefLang");
    EXPECT_EQ(List.LangItemIndex(), -1);
    EXPECT_EQ(Settings.ReadLangIndex(), 2);

    Settings.WriteLangIndex(1);
    ASSERT_TRUE(QFile::remove(File("lang.lst")));
    Controller.LoadLanguages();
    EXPECT_EQ(Client.LanguageName, "DefLang");
    EXPECT_TRUE(List.LangItems().isEmpty());
    EXPECT_EQ(Settings.ReadLangIndex(), 1);
}

TEST_F(LangTest, NameDifferingOnlyInCasePicksTheListedEntry)
{
    WriteAll(File("lang.lst"), "Deutsch\r\nEnglish\r\n");
    Controller.LoadLanguages();
    Controller.SelectLanguage("ENGLISH");
    EXPECT_EQ(ReadAll(File("lang.lst")), QByteArray("Deutsch\r\nEnglish\r\n"));
    EXPECT_EQ(List.LangItemIndex(), 1);
    EXPECT_EQ(Settings.ReadLangIndex(), 1);
    EXPECT_EQ(Controller.LangFile()->FileName(), File("ENGLISH.txt"));

    // The default language is never listed, and choosing it leaves the index alone.
    Controller.SelectLanguage("DefLang");
    EXPECT_EQ(ReadAll(File("lang.lst")), QByteArray("Deutsch\r\nEnglish\r\n"));
    EXPECT_EQ(Settings.ReadLangIndex(), 1);
}

TEST_F(LangTest, StoredValuesNoValueAndEmpty)
{
    WriteAll(File("DefLang.txt"), "[DiagManager]\r\nbtnOptions=NoValue\r\nsDBFunction=\r\n");
    Controller.LoadLanguages();
    EXPECT_EQ(Client.Caption, "Inställningar");
    EXPECT_EQ(Client.Message, "");
    EXPECT_EQ(ReadAll(File("DefLang.txt")), QByteArray("[DiagManager]\r\nbtnOptions=Inst\xE4llningar\r\nsDBFunction=\r\n"));

    TLangIniFile lang(Dir.path(), "DefLang");
    EXPECT_EQ(lang.ReadTextFrom("Main", "sFirstTimeMsg", "Första"), "Första");
    EXPECT_EQ(lang.ReadTextFrom("MAIN", "SFIRSTTIMEMSG", "other"), "Första");
}

TEST_F(LangTest, UnwritableFolderRaisesTheWriteErrorAndLaterClientsKeepTheirTexts)
{
    std::vector<RecordingClient*> calls;
    RecordingClient first(&calls), second(&calls);
    WriteAll(File("notadir"), "");
    TLangController controller(File("notadir"));
    controller.Register(&first);
    controller.Register(&second);
    try {
        controller.LoadLanguages();
        FAIL() << "no error";
    } catch (const EIniFileError& e) {
        EXPECT_EQ(e.Message(), "Cannot write file " + File("notadir") + "/DefLang.txt: Not a directory");
    }
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(second.Caption, "");
}

TEST_F(LangTest, ClientsAreUpdatedOnceEachInRegistrationOrder)
{
    std::vector<RecordingClient*> calls;
    RecordingClient a(&calls), b(&calls), c(&calls);
    TLangController controller(Dir.path());
    controller.Register(&b);
    controller.Register(&a);
    controller.Register(&b);
    controller.Register(&c);
    controller.Unregister(&c);
    controller.Unregister(nullptr);
    EXPECT_EQ(controller.LangFile(), nullptr);
    controller.SelectLanguage("DefLang");
    EXPECT_EQ(calls, (std::vector<RecordingClient*>{&b, &a}));
}

TEST_F(LangTest, NamesThatCannotBeALanguageAreRefused)
{
    const struct {
        const char* Name;
        const char* Utf8;
        bool Usable;
    } rows[] = {
        {"empty", "", false},
        {"leaves the folder", "../English", false},
        {"path", "a/b", false},
        {"backslash", "a\\b", false},
        {"line break", "Eng\nlish", false},
        {"Cyrillic, not in Windows-1252", "\xD0\xA0\xD1\x83\xD1\x81\xD1\x81\xD0\xBA\xD0\xB8\xD0\xB9", false},
        {"emoji", "English \xF0\x9F\x98\x80", false},
        {"modem script", "ModemInit", false},
        {"modem script, other case", "modeminit", false},
        {"settings file", "kiv", false},
        {"settings file, other case", "KIV", false},
        {"language list", "Lang", false},
        {"default language, other case", "deflang", false},
        {"staged identities", "ENCDER_ID", false},
        {"alias export", "encalias_db", false},
        {"staged properties", "EncPropId", false},
        {"default language as named", "DefLang", true},
        {"plain", "English", true},
        {"Windows-1252 letters", "Fran\xC3\xA7" "ais \xE2\x80\x93 \xC3\x85", true},
        {"name that merely begins like a file", "Kivmanual", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString name = QString::fromUtf8(row.Utf8);
        EXPECT_EQ(Controller.IsUsableName(name), row.Usable);
        if (!row.Usable) {
            try {
                Controller.SelectLanguage(name);
                ADD_FAILURE() << "accepted";
            } catch (const Exception& e) {
                EXPECT_EQ(e.Message(), QStringLiteral("Invalid language name \"%1\"").arg(name));
            }
        }
    }
    // Nothing was written for the refused names: no list, no language file, no index.
    EXPECT_FALSE(QFile::exists(File("lang.lst")));
    EXPECT_FALSE(QFile::exists(File("ModemInit.txt")));
    EXPECT_FALSE(Ini.ValueExists("Application", "LangIndex"));
}

TEST_F(LangTest, SettingsFileOfAnotherNameIsRefusedToo)
{
    TIniFile other(Dir.filePath("kivtool.ini"));
    TApplIniFile settings(&other);
    Controller.SetSettings(&settings);
    EXPECT_FALSE(Controller.IsUsableName("KivTool"));
    EXPECT_TRUE(Controller.IsUsableName("English"));
}

TEST_F(LangTest, LanguageFileWithAByteOrderMarkKeepsItsFirstSection)
{
    WriteAll(File("English.txt"), "\xEF\xBB\xBF[DiagManager]\r\nbtnOptions=Options\r\nsDBFunction=Switch on\r\n");
    Controller.SelectLanguage("English");
    EXPECT_EQ(Client.Caption, "Options");
    EXPECT_EQ(Client.Message, "Switch on");
    // Nothing was missing, so the translator's file is left exactly as it was.
    EXPECT_EQ(ReadAll(File("English.txt")),
              QByteArray("\xEF\xBB\xBF[DiagManager]\r\nbtnOptions=Options\r\nsDBFunction=Switch on\r\n"));
}
