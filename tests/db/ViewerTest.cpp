#include "ViewerFixture.h"
#include "db/fDbSrch.h"
#include "settings/uApplIniFile.h"
#include "ui/uHelp.h"
#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTextBrowser>
#include <QTimer>

using TF = TDataMod::TTextFile;

namespace {

const QString ConnectionErrorSv =
    QStringLiteral("Fel vid anslutning till server. Kontrollera att rätt sökväg är \rangiven i inställningar!");
const QStringList AllToolButtons = {"spbtnConnected", "tbtnAlias", "tbtnClose", "tbtnDelete",
                                    "tbtnHelp",       "tbtnPrint", "tbtnSearch", "tbtnUpdate"};

// Runs steps once the next modal loop is running.
void WhenModal(std::function<void()> steps)
{
    QTimer::singleShot(0, std::move(steps));
}

} // namespace

TEST_F(ViewerFixture, WithoutARemoteDatabaseShowingFallsBackToTheLocalOneForBrowsingOnly)
{
    QFile::remove(RemotePath());
    bool ran = false;
    WhenModal([&] {
        ran = true;
        ASSERT_EQ(Dialogs.Messages.size(), 1u);
        // The engine's reason beside the text: here, the missing file.
        EXPECT_EQ(Dialogs.Messages[0].Text,
                  ConnectionErrorSv + "\n\nCould not find file '" + RemotePath() + "'.");
        EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::Error);
        EXPECT_EQ(Dialogs.Messages[0].Buttons, TMsgDlgButtons(mbOK));
        EXPECT_FALSE(Mod->Remote());
        auto* connect = Find<QToolButton>("spbtnConnected");
        EXPECT_FALSE(connect->isChecked());
        EXPECT_EQ(connect->text(), "Oansluten");
        EXPECT_EQ(Usable(), (QStringList{"spbtnConnected", "tbtnClose"}));
        // Fallen back: on the last local encoder, and the navigator browses.
        EXPECT_EQ(Text("DBEdit1"), "L2");
        EXPECT_FALSE(Find<QToolButton>("nbNext")->isEnabled());
        Find<QToolButton>("nbFirst")->click();
        EXPECT_EQ(Text("DBEdit1"), "L1");
        EXPECT_EQ(Text("DBEdit2"), "P-1");
        Find<QToolButton>("tbtnClose")->click();
    });
    View->RunModal();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(View->isVisible());
    EXPECT_FALSE(Mod->Remote());
}

TEST_F(ViewerFixture, ShowingConnectsAndUpdatesAndTheConnectButtonTogglesWithoutImporting)
{
    // A reading staged before the viewer opens is carried in on showing.
    WriteFile(TF::Faults, "Serialnr;FaultIndex;FaultStatus;Frequency;Optime;Temp;DateSaved\r\n"
                          "\"1002\",\"0\",\"OK\",NULL,NULL,NULL,\"2025-03-05 08:00:00\"\r\n");
    WriteFile(TF::Properties, "Serialnr;UnitsPerRev;OpTime;Temp;Frequency;MaxTemp;MinTemp;DateTaken\r\n"
                              "\"1002\",\"512\",\"8\",\"22\",\"500\",\"30\",\"0\",\"2025-03-05 08:00:00\"\r\n");
    bool ran = false;
    WhenModal([&] {
        ran = true;
        EXPECT_TRUE(Dialogs.Messages.empty());
        EXPECT_TRUE(Mod->Remote());
        auto* connect = Find<QToolButton>("spbtnConnected");
        EXPECT_TRUE(connect->isChecked());
        EXPECT_EQ(connect->text(), "Ansluten");
        EXPECT_EQ(Usable(), AllToolButtons);
        EXPECT_FALSE(Exists(TF::Faults));
        EXPECT_EQ(RemoteRows("SELECT count(*) FROM FAULTS_ID WHERE Serialnr='1002'"), (QList<QStringList>{{"1"}}));
        // The update reconnected: on the first encoder, with its alias and first reading.
        EXPECT_EQ(Text("DBEdit1"), "1001");
        EXPECT_EQ(Find<QLabel>("DBText1")->text(), "Pump");
        EXPECT_EQ(Text("DBEdit5"), "1024");
        EXPECT_FALSE(Find<QToolButton>("nbPrior")->isEnabled());

        // Toggling neither imports nor exports.
        WriteFile(TF::Faults, "Serialnr;FaultIndex;FaultStatus;Frequency;Optime;Temp;DateSaved\r\n"
                              "\"1003\",\"0\",\"OK\",NULL,NULL,NULL,\"2025-03-06 08:00:00\"\r\n");
        connect->click();
        EXPECT_FALSE(Mod->Remote());
        EXPECT_FALSE(connect->isChecked());
        EXPECT_EQ(connect->text(), "Oansluten");
        EXPECT_EQ(Usable(), (QStringList{"spbtnConnected", "tbtnClose"}));
        connect->click();
        EXPECT_TRUE(Mod->Remote());
        EXPECT_EQ(connect->text(), "Ansluten");
        EXPECT_EQ(Usable(), AllToolButtons);
        EXPECT_TRUE(Exists(TF::Faults));
        EXPECT_EQ(Text("DBEdit1"), "1003"); // selecting stands on the last

        // An update imports and returns to the first encoder.
        Find<QToolButton>("tbtnUpdate")->click();
        EXPECT_FALSE(Exists(TF::Faults));
        EXPECT_EQ(Text("DBEdit1"), "1001");
        View->close();
    });
    View->RunModal();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(Mod->Remote());
    EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(ViewerFixture, AliasActionAsksReplacesOrRefusesAndAlwaysUpdates)
{
    struct Case {
        const char* Name;
        const char* Serial;
        std::vector<TModalResult> Answers;
        std::vector<std::pair<bool, QString>> Inputs;
        QStringList Messages;
        size_t Queries;
        QList<QStringList> AliasRows; // of that serial number afterwards
    };
    const QString question = "Det finns redan ett Alias med detta serienr, skall det ersättas?";
    const Case cases[] = {
        {"no alias, Cancel", "1002", {}, {{false, "x"}}, {}, 1, {}},
        {"no alias, empty answer", "1002", {}, {{true, ""}}, {}, 1, {}},
        {"no alias, new one", "1002", {}, {{true, "Valve"}}, {}, 1, {{"Valve", "1002"}}},
        {"alias, No", "1001", {TModalResult::No}, {}, {question}, 0, {{"Pump", "1001"}}},
        {"alias, Yes, same alias", "1001", {TModalResult::Yes}, {{true, "pump"}}, {question, "Alias finns redan!"}, 1,
         {{"Pump", "1001"}}},
        {"alias, Yes, replaced", "1001", {TModalResult::Yes}, {{true, "Impeller"}}, {question}, 1,
         {{"Impeller", "1001"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        View->FormShow();
        ASSERT_TRUE(Mod->LocateEncoder(c.Serial));
        QFile::remove(PathOf(TF::AliasesExport));
        Dialogs.Messages.clear();
        Dialogs.Queries.clear();
        Dialogs.Answers.assign(c.Answers.begin(), c.Answers.end());
        Dialogs.InputAnswers.assign(c.Inputs.begin(), c.Inputs.end());

        Find<QToolButton>("tbtnAlias")->click();

        EXPECT_EQ(Dialogs.Texts(), c.Messages);
        ASSERT_EQ(Dialogs.Queries.size(), c.Queries);
        if (c.Queries) {
            EXPECT_EQ(Dialogs.Queries[0].Caption, "Alias Dialog");
            EXPECT_EQ(Dialogs.Queries[0].Prompt, "Alias :");
            EXPECT_EQ(Dialogs.Queries[0].Initial, "");
        }
        EXPECT_EQ(RemoteRows(QString("SELECT Alias,Serienr FROM AliasTab WHERE Serienr='%1'").arg(c.Serial)),
                  c.AliasRows);
        EXPECT_TRUE(Exists(TF::AliasesExport)) << "no update";
        View->FormClose();
    }
}

TEST_F(ViewerFixture, TranslationWithoutDetGivesTheEnglishCaptionsAndMessage)
{
    QFile english(Program.filePath("English.txt"));
    ASSERT_TRUE(english.open(QIODevice::WriteOnly));
    english.write("[KivDBViewFrm]\r\nsAliasFound=This encoder already has an alias. Replace it?\r\n");
    english.close();
    ApplyLanguage("English");

    View->FormShow();
    auto* connect = Find<QToolButton>("spbtnConnected");
    EXPECT_EQ(connect->text(), "Connected");
    Dialogs.Answers = {TModalResult::Yes};
    Dialogs.InputAnswers = {{true, "Pump"}};
    View->tbtnAliasClick();
    EXPECT_EQ(Dialogs.Texts(), (QStringList{"This encoder already has an alias. Replace it?", "Alias already exists!"}));
    EXPECT_EQ(Dialogs.Messages[1].Type, TMsgDlgType::Error);
    connect->click();
    EXPECT_EQ(connect->text(), "Disconnected");
}

TEST_F(ViewerFixture, DeleteAnsweredNoChangesNothingAndYesDeletesTheEncoder)
{
    View->FormShow();
    Mod->LocateEncoder("1003");
    QFile::remove(PathOf(TF::AliasesExport));
    const QString everything = "SELECT (SELECT count(*) FROM ENCODER_ID),(SELECT count(*) FROM FAULTS_ID),"
                               "(SELECT count(*) FROM EncoderPropertyID),(SELECT count(*) FROM AliasTab)";
    const auto before = RemoteRows(everything);

    Dialogs.Answers = {TModalResult::No};
    Find<QToolButton>("tbtnDelete")->click();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text,
              "Detta kommer att radera all data som är anknutna till det aktiva serienr, fortsätt ändå?");
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::Warning);
    EXPECT_EQ(Dialogs.Messages[0].Buttons, TMsgDlgButtons(mbYes | mbNo));
    EXPECT_EQ(RemoteRows(everything), before);
    EXPECT_FALSE(Exists(TF::AliasesExport)); // no update
    EXPECT_EQ(Text("DBEdit1"), "1003");

    Dialogs.Answers = {TModalResult::Yes};
    Find<QToolButton>("tbtnDelete")->click();
    EXPECT_EQ(RemoteRows(everything), (QList<QStringList>{{"2", "3", "3", "1"}}));
    EXPECT_TRUE(Exists(TF::AliasesExport));
    EXPECT_EQ(Text("DBEdit1"), "1001");
}

TEST_F(ViewerFixture, GridClickShowsTheReadingOfTheSelectedFaultRows)
{
    View->FormShow();
    ASSERT_EQ(Text("DBEdit1"), "1001");
    auto* grid = Find<QTableView>("DBGrid2");
    ASSERT_EQ(grid->model()->rowCount(), 3);
    EXPECT_EQ(grid->model()->headerData(5, Qt::Horizontal).toString(), "Sparat");
    auto select = [grid](std::initializer_list<int> rows) {
        grid->clearSelection();
        for (int row : rows)
            grid->selectionModel()->select(grid->model()->index(row, 0),
                                           QItemSelectionModel::Select | QItemSelectionModel::Rows);
        grid->selectionModel()->setCurrentIndex(grid->model()->index(*rows.begin(), 0), QItemSelectionModel::NoUpdate);
    };
    auto fields = [this] {
        return QStringList{Text("DBEdit5"), Text("DBEdit6"), Text("DBEdit7"), Text("DBEdit8"), Text("DBEdit9"),
                           Text("DBEdit10")};
    };
    const QStringList first = {"1024", "100", "1500", "20", "40", "-5"};
    const QStringList second = {"2048", "200", "2000", "25", "45", "-10"};
    ASSERT_EQ(fields(), first);

    // Grid rows in the detail's order: index 3 of the second reading, 2 of the first, 1 of none.
    select({0});
    View->DBGrid2CellClick();
    EXPECT_EQ(fields(), second);
    EXPECT_TRUE(grid->selectionModel()->selectedRows().isEmpty());

    select({2});
    View->DBGrid2CellClick();
    EXPECT_EQ(fields(), second) << "a fault row without its reading leaves the fields";

    // Several rows are taken in the grid's order, not the order of selecting them.
    select({1, 0});
    View->DBGrid2CellClick();
    EXPECT_EQ(fields(), first);
    select({2, 0});
    View->DBGrid2CellClick();
    EXPECT_EQ(fields(), second) << "the last selected row with a reading wins";
}

TEST_F(ViewerFixture, SearchMovesToTheEncoderOfThePickedAlias)
{
    View->FormShow();
    bool ran = false;
    WhenModal([&] {
        ran = true;
        auto* list = View->SrchFrm().findChild<QListWidget*>("ListBox1");
        ASSERT_NE(list, nullptr);
        QStringList entries;
        for (int i = 0; i < list->count(); ++i)
            entries << list->item(i)->text();
        EXPECT_EQ(entries, (QStringList{"Pump::1001", "Fan::1003"}));
        list->setCurrentRow(1);
        View->SrchFrm().findChild<QPushButton*>("btnOK")->click();
    });
    Find<QToolButton>("tbtnSearch")->click();
    EXPECT_TRUE(ran);
    EXPECT_EQ(Text("DBEdit1"), "1003");
    EXPECT_EQ(Find<QLabel>("DBText1")->text(), "Fan");
}

TEST(SearchDialog, EntriesSplitAtTheFirstDoubleColon)
{
    TSrchFrm dialog;
    const TSrchFrm::TAliasQuery query = [] {
        return QList<std::pair<QString, QString>>{{"Pump", "1001"}, {"a::b", "1003"}, {"Blank", ""}};
    };
    auto* list = dialog.findChild<QListWidget*>("ListBox1");
    struct Case {
        int Row; // -1: nothing selected
        QString Serial;
    };
    for (const Case& c : {Case{-1, "1001"}, Case{1, "b::1003"}, Case{2, ""}}) {
        dialog.FillList(query);
        ASSERT_EQ(list->count(), 3);
        EXPECT_EQ(list->item(2)->text(), "Blank::");
        if (c.Row >= 0)
            list->setCurrentRow(c.Row);
        dialog.btnOKClick();
        EXPECT_EQ(dialog.Result(), TModalResult::Ok);
        EXPECT_EQ(dialog.SerialNr(), c.Serial);
    }
    dialog.FillList([] { return QList<std::pair<QString, QString>>{}; });
    dialog.btnOKClick();
    EXPECT_EQ(dialog.Result(), TModalResult::Cancel);
    EXPECT_EQ(dialog.SerialNr(), "");
    dialog.btnCancelClick();
    EXPECT_EQ(dialog.Result(), TModalResult::Cancel);
}

TEST_F(ViewerFixture, HelpOpensAtTheViewersAndTheGridsContext)
{
    THelp help(Program.path());
    View->Help = &help;
    View->FormShow();
    Find<QToolButton>("tbtnHelp")->click();
    ASSERT_NE(help.Window(), nullptr);
    EXPECT_EQ(help.Window()->source().fragment(), "10");
    View->DBGrid2DblClick();
    EXPECT_EQ(help.Window()->source().fragment(), "18");
    EXPECT_EQ(HelpContextFor(Find<QTableView>("DBGrid2")->viewport()), 18);
    EXPECT_EQ(HelpContextFor(Find<QLineEdit>("DBEdit1")), 10);
}

TEST_F(ViewerFixture, LanguageWritesEveryKeyAndRestoresThePlacement)
{
    TIniFile settings(Program.filePath("kiv.ini"));
    TApplIniFile appl(&settings);
    View->ApplIniFile = &appl;
    ApplyLanguage(TLangIniFile::DefaultLanguage());

    TIniFile written(Program.filePath("DefLang.txt"));
    const QStringList keys = written.ReadSection("KivDBViewFrm");
    EXPECT_EQ(keys, (QStringList{"KivDBViewFrm", "Label2", "Label3", "Label4", "Label5", "Label6", "Label7",
                                 "Label8", "Label9", "Label10", "Label11", "tbtnUpdate", "tbtnSearch", "tbtnClose",
                                 "tbtnDelete", "tbtnPrint", "tbtnHelp", "sCopyMsg", "sCopyMsg1", "sCopyMsgError",
                                 "sConnectionError", "sConnectionError1", "sAliasFound", "sDeleteFunction",
                                 "FaultOpTime", "FaultFrequency", "DateSaved"}));
    EXPECT_EQ(View->windowTitle(), "KIV Database Viewer");
    EXPECT_EQ(Find<QLabel>("Label5")->text(), "Hårdvaruversion");
    EXPECT_EQ(View->CopyMsg(), "Detta kommer att skrivar över den \rbefintliga fjärrdatabasen,fortsätt ändå?");
    EXPECT_EQ(View->ConnectionError(), ConnectionErrorSv);
    EXPECT_EQ(Find<QTableView>("DBGrid2")->model()->headerData(3, Qt::Horizontal).toString(), "Driftid");
    EXPECT_EQ(settings.ReadInteger("Application", "KivDBViewFrmLeft", -1), View->x());
    EXPECT_EQ(settings.ReadInteger("Application", "KivDBViewFrmWindowState", -1), 0);

    settings.WriteInteger("Application", "KivDBViewFrmLeft", 40);
    settings.WriteInteger("Application", "KivDBViewFrmWidth", 900);
    ApplyLanguage(TLangIniFile::DefaultLanguage());
    EXPECT_EQ(View->x(), 40);
    EXPECT_EQ(View->width(), TKivDBViewFrm::ClientWidth); // the size is never restored
}

TEST_F(ViewerFixture, InitialisingTheRemoteDatabaseCopiesOnceWithTheViewersTexts)
{
    QFile::remove(RemotePath());
    TIniFile settings(Program.filePath("kiv.ini"));
    TApplIniFile appl(&settings);
    appl.WriteRemoteDBDir(RemoteFolder.path());
    View->ApplIniFile = &appl;

    View->InitRemoteDatabase();
    EXPECT_TRUE(QFile::exists(RemotePath()));
    EXPECT_EQ(appl.ReadDBIniValue(), 1);
    EXPECT_TRUE(Dialogs.Messages.empty());

    View->InitRemoteDatabase();
    EXPECT_EQ(Dialogs.Texts(), (QStringList{"Databas finns redan!"}));
}
