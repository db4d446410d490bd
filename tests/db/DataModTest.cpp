#include "DbFixture.h"
#include "db/DbError.h"
#include <QDir>
#include <QSet>
#include <QSqlDatabase>
#include <sys/file.h>
#include <chrono>
#include <latch>
#include <thread>

using TF = TDataMod::TTextFile;

namespace {

const QByteArray FaultsHeader = "Serialnr;FaultIndex;FaultStatus;Frequency;Optime;Temp;DateSaved\r\n";
const QByteArray PropsHeader = "Serialnr;UnitsPerRev;OpTime;Temp;Frequency;MaxTemp;MinTemp;DateTaken\r\n";
const QByteArray IdsHeader = "Serialnr;PartNum;Softversion;HardwareVersion\r\n";

} // namespace

TEST_F(DbFixture, CreatesTheLocalDatabaseWhenMissing)
{
    EXPECT_TRUE(Dialogs.Messages.empty());
    EXPECT_TRUE(QFile::exists(Program.path() + "/DB/KIV.db"));
    const auto objects = Rows(Mod->LocalDatabasePath(), "SELECT type,name,tbl_name FROM sqlite_master ORDER BY name");
    EXPECT_EQ(objects, (QList<QStringList>{{"table", "AliasTab", "AliasTab"},
                                           {"table", "ENCODER_ID", "ENCODER_ID"},
                                           {"table", "EncoderPropertyID", "EncoderPropertyID"},
                                           {"index", "EncoderPropertyID_SerialNr", "EncoderPropertyID"},
                                           {"table", "FAULTS_ID", "FAULTS_ID"},
                                           {"index", "FAULTS_ID_Serialnr", "FAULTS_ID"}}));
    // An empty master: past its end, details empty, nothing to locate.
    EXPECT_TRUE(Mod->EncoderIDTab.Active());
    EXPECT_TRUE(Mod->EncoderIDTab.Eof());
    EXPECT_EQ(Mod->FaultsIDTable.RecordCount() + Mod->EncoderPropIDTab.RecordCount() + Mod->EncAliasTab.RecordCount(), 0);
    EXPECT_FALSE(Mod->LocateEncoder("1"));
    EXPECT_EQ(Mod->DataSourceText(), "Data Source=" + Program.path() + "/DB/KIV.db");
}

TEST_F(DbFixture, UnopenableLocalDatabaseIsReportedAndStartUpGoesOn)
{
    QTemporaryDir program;
    QFile blocker(program.path() + "/DB"); // a file where the folder belongs
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TDataMod mod(program.path(), Dialogs);
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::Error);
    EXPECT_FALSE(mod.EncoderIDTab.Active());
    EXPECT_EQ(mod.TextFilePath(TF::Faults), program.path() + "/DB/FAULTS_ID.TXT");
}

TEST_F(DbFixture, SaveStagesExactLinesAndUpdateCarriesThemIntoTheRemoteDatabase)
{
    Window.ShowEncoder("1234");
    Window.ShowFaults({"15", "14"});
    Mod->AddAlias("Press 7", "1234");
    Mod->SaveSnapshot(Window.Reading(), true);

    EXPECT_EQ(Bytes(TF::EncoderIds), IdsHeader + "\"1234\",\"405123-07\",\"2.1\",\"1.3\"\r\n");
    EXPECT_EQ(Bytes(TF::Faults), FaultsHeader
                                     + "\"1234\",\"15\",\"FaultStatus15\",\"Freq15\",\"OpTime15\",\"Temp15\",\"2025-03-04 10:11:12\"\r\n"
                                       "\"1234\",\"14\",\"FaultStatus14\",\"Freq14\",\"OpTime14\",\"Temp14\",\"2025-03-04 10:11:12\"\r\n");
    // The degree sign is the single byte 0xB0.
    EXPECT_EQ(Bytes(TF::Properties), PropsHeader
                                         + "\"1234\",\"2048 ppr\",\"1234\",\"23 \xb0" "C\",\"1500 Hz\",\"45 \xb0" "C\",\"-12 \xb0" "C\",\"2025-03-04 10:11:12\"\r\n");
    EXPECT_EQ(Bytes(TF::Aliases), "Alias;Serienr\r\n\"Press 7\",\"1234\"\r\n");

    ConnectRemote();
    Mod->UpdateDatabase();

    EXPECT_EQ(RemoteRows("SELECT * FROM ENCODER_ID"), (QList<QStringList>{{"1234", "405123-07", "2.1", "1.3"}}));
    EXPECT_EQ(RemoteRows("SELECT Serialnr,FaultIndex,FaultStatus,FaultFrequency,FaultOpTime,FaultTemp FROM FAULTS_ID"),
              (QList<QStringList>{{"1234", "15", "FaultStatus15", "Freq15", "OpTime15", "Temp15"},
                                  {"1234", "14", "FaultStatus14", "Freq14", "OpTime14", "Temp14"}}));
    EXPECT_EQ(RemoteRows("SELECT * FROM EncoderPropertyID"),
              (QList<QStringList>{{"1234", "1234", "23 \u00b0C", "1500 Hz", "2048 ppr", "45 \u00b0C", "-12 \u00b0C",
                                   "2025-03-04 10:11:12"}}));
    EXPECT_EQ(RemoteRows("SELECT * FROM AliasTab"), (QList<QStringList>{{"Press 7", "1234"}}));

    for (TF f : {TF::EncoderIds, TF::Faults, TF::Properties, TF::Aliases})
        EXPECT_FALSE(Exists(f));
    EXPECT_EQ(Bytes(TF::AliasesExport), "Alias;Serialnr\r\n\"Press 7\",\"1234\"\r\n");
    EXPECT_EQ(Bytes(TF::EncoderIdsExport), IdsHeader + "\"1234\",\"405123-07\",\"2.1\",\"1.3\"\r\n");

    // The cursors show the new rows, the master on its first encoder.
    EXPECT_EQ(Mod->EncoderIDTab.FieldText("SerialNr"), "1234");
    EXPECT_EQ(Mod->FaultsIDTable.RecordCount(), 2);
    EXPECT_EQ(Mod->EncAliasTab.FieldText("Alias"), "Press 7");
    EXPECT_TRUE(Mod->LocateSnapshot("2025-03-04 10:11:12"));
}

TEST_F(DbFixture, ReadingWithoutFaultsGivesTheNoFaultRow)
{
    Window.ShowEncoder("77");
    Mod->SaveSnapshot(Window.Reading(), false);
    EXPECT_EQ(Bytes(TF::Faults), FaultsHeader + "\"77\",\"0\",\"OK\",NULL,NULL,NULL,\"2025-03-04 10:11:12\"\r\n");
    // Not in the identity files yet: its identity goes with it, whatever the alias files say.
    EXPECT_EQ(Bytes(TF::EncoderIds), IdsHeader + "\"77\",\"405123-07\",\"2.1\",\"1.3\"\r\n");

    ConnectRemote();
    Mod->UpdateDatabase();
    EXPECT_EQ(RemoteRows("SELECT Serialnr,FaultIndex,FaultStatus,FaultFrequency,FaultOpTime,FaultTemp FROM FAULTS_ID"),
              (QList<QStringList>{{"77", "0", "OK", "<null>", "<null>", "<null>"}}));
    // Only faults and properties staged: all six files go, both exports are written.
    for (TF f : {TF::EncoderIds, TF::Faults, TF::Properties, TF::Aliases})
        EXPECT_FALSE(Exists(f));
    EXPECT_EQ(Bytes(TF::AliasesExport), "Alias;Serialnr\r\n");
    EXPECT_EQ(Bytes(TF::EncoderIdsExport), IdsHeader + "\"77\",\"405123-07\",\"2.1\",\"1.3\"\r\n");
}

TEST_F(DbFixture, StagedAliasWithoutIdentityFileIsImportedNotLost)
{
    WriteFile(TF::Aliases, "Alias;Serienr\r\n\"Drill\",\"31\"\r\n");
    ConnectRemote();
    Mod->UpdateDatabase();
    EXPECT_EQ(RemoteRows("SELECT * FROM AliasTab"), (QList<QStringList>{{"Drill", "31"}}));
    EXPECT_EQ(Bytes(TF::AliasesExport), "Alias;Serialnr\r\n\"Drill\",\"31\"\r\n");
}

TEST_F(DbFixture, IdentityStagingConsultsTheExport)
{
    WriteFile(TF::EncoderIdsExport, IdsHeader + "\"555\",\"1\",\"2.1\",\"1.0\"\r\n");
    Window.ShowEncoder("555");
    Mod->SaveSnapshot(Window.Reading(), true);
    EXPECT_EQ(Bytes(TF::EncoderIds), IdsHeader); // known: header only, so the alias still goes in

    Window.ShowEncoder("600");
    Mod->SaveSnapshot(Window.Reading(), true);
    Window.ShowEncoder("601");
    Mod->SaveSnapshot(Window.Reading(), true);
    Mod->SaveSnapshot(Window.Reading(), true); // staged already: not twice
    EXPECT_EQ(Bytes(TF::EncoderIds), IdsHeader + "\"600\",\"405123-07\",\"2.1\",\"1.3\"\r\n"
                                                 "\"601\",\"405123-07\",\"2.1\",\"1.3\"\r\n");
}

TEST_F(DbFixture, AliasFilesContainSearchesExportAndStagedAliases)
{
    WriteFile(TF::AliasesExport, "Alias;Serialnr\r\n\"Mill\",\"4711\"\r\n");
    EXPECT_TRUE(Mod->AliasFilesContain("4711")); // an alias equal to a known serial number is known
    EXPECT_TRUE(Mod->AliasFilesContain("mill"));
    EXPECT_EQ(Bytes(TF::Aliases), "Alias;Serienr\r\n"); // created on the way
    EXPECT_FALSE(Mod->AliasFilesContain("471"));
    Mod->AddAlias("Saw", "99");
    EXPECT_TRUE(Mod->AliasFilesContain("99"));
    EXPECT_TRUE(Mod->AliasFilesContain("Saw"));
}

TEST_F(DbFixture, HeaderOnlyFilesInsertNothing)
{
    WriteFile(TF::EncoderIds, IdsHeader);
    WriteFile(TF::Faults, FaultsHeader);
    WriteFile(TF::Properties, PropsHeader);
    WriteFile(TF::Aliases, "Alias;Serienr\r\n");
    ConnectRemote();
    Mod->UpdateDatabase();
    for (const char* table : {"ENCODER_ID", "FAULTS_ID", "EncoderPropertyID", "AliasTab"})
        EXPECT_EQ(RemoteRows(QString("SELECT count(*) FROM ") + table), (QList<QStringList>{{"0"}})) << table;
}

TEST_F(DbFixture, FailedUpdateLeavesDatabaseAndStagingFilesAsTheyWere)
{
    struct Case {
        const char* Name;
        TF File;
        QByteArray BadLine;
        const char* Expected;
    };
    const Case cases[] = {
        {"malformed", TF::Faults, "\"5\",\"1\",\"OK\",\"a\",\"b\",\"c\r\n", "FAULTS_ID.TXT, line 3"},
        {"rejected", TF::Properties, "NULL,\"1\",\"2\",\"3\",\"4\",\"5\",\"6\",\"d\"\r\n", "ENCPROPID.TXT, line 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        QDir(RemoteFolder.path()).remove("KIV.db");
        ConnectRemote();
        Window.ShowEncoder("5");
        Window.ShowFaults({"3"});
        Mod->SaveSnapshot(Window.Reading(), false);
        Mod->UpdateDatabase(); // one reading in, exports written
        const auto before = RemoteRows("SELECT count(*) FROM FAULTS_ID UNION ALL SELECT count(*) FROM EncoderPropertyID"
                                       " UNION ALL SELECT count(*) FROM ENCODER_ID UNION ALL SELECT count(*) FROM AliasTab");

        Mod->SelectDatabase(false);
        Window.ShowEncoder("6", "1");
        Mod->AddAlias("Six", "6");
        Mod->SaveSnapshot(Window.Reading(), true);
        Mod->SaveSnapshot(Window.Reading(), true); // a line after the bad one, and the same identity twice
        QByteArray file = Bytes(c.File);
        const qsizetype second = file.indexOf("\r\n", file.indexOf("\r\n") + 2) + 2;
        file.insert(second, c.BadLine);
        WriteFile(c.File, file);
        Mod->SelectDatabase(true);
        QMap<int, QByteArray> staged;
        for (TF f : {TF::EncoderIds, TF::EncoderIdsExport, TF::Faults, TF::Properties, TF::Aliases, TF::AliasesExport})
            staged[int(f)] = Bytes(f);

        Dialogs.Answers = {TModalResult::No}; // the bad line is not set aside
        try {
            Mod->UpdateDatabase();
            ADD_FAILURE() << "no error";
        } catch (const Exception& e) {
            EXPECT_TRUE(e.Message().contains(c.Expected)) << e.Message();
        }
        EXPECT_EQ(RemoteRows("SELECT count(*) FROM FAULTS_ID UNION ALL SELECT count(*) FROM EncoderPropertyID"
                             " UNION ALL SELECT count(*) FROM ENCODER_ID UNION ALL SELECT count(*) FROM AliasTab"),
                  before);
        for (auto it = staged.begin(); it != staged.end(); ++it)
            EXPECT_EQ(Bytes(TF(it.key())), it.value()) << it.key();

        // Mended by hand, the next update imports every staged line exactly once.
        file.remove(second, c.BadLine.size());
        WriteFile(c.File, file);
        Mod->UpdateDatabase();
        EXPECT_EQ(RemoteRows("SELECT count(*) FROM FAULTS_ID UNION ALL SELECT count(*) FROM EncoderPropertyID"
                             " UNION ALL SELECT count(*) FROM ENCODER_ID UNION ALL SELECT count(*) FROM AliasTab"),
                  (QList<QStringList>{{"3"}, {"3"}, {"2"}, {"1"}}));
        Mod->SelectDatabase(false);
        QDir(Program.path() + "/DB").remove("ENCALIAS_DB.TXT");
        QDir(Program.path() + "/DB").remove("ENCODER_IDDB.TXT");
    }
}

TEST_F(DbFixture, QuotesAndStatementTextRoundTripAsPlainText)
{
    const QString serial = "9\"9";
    const QString alias = "'); DROP TABLE x;--";
    Window.ShowEncoder(serial, "\"); DELETE FROM ENCODER_ID; --");
    Mod->AddAlias(alias, serial);
    Mod->SaveSnapshot(Window.Reading(), true);
    ConnectRemote();
    Mod->UpdateDatabase();
    EXPECT_EQ(RemoteRows("SELECT * FROM AliasTab"), (QList<QStringList>{{alias, serial}}));
    EXPECT_EQ(RemoteRows("SELECT SerialNr,StockNumber FROM ENCODER_ID"),
              (QList<QStringList>{{serial, "\"); DELETE FROM ENCODER_ID; --"}}));
    EXPECT_EQ(RemoteRows("SELECT count(*) FROM FAULTS_ID WHERE Serialnr = '9\"9'"), (QList<QStringList>{{"1"}}));
    EXPECT_EQ(Bytes(TF::AliasesExport), "Alias;Serialnr\r\n\"'); DROP TABLE x;--\",\"9\"\"9\"\r\n");
    EXPECT_TRUE(Mod->LocateEncoder(serial));
}

TEST_F(DbFixture, DuplicateIdentityAndAliasLinesAreSkipped)
{
    // Two stations staged the same new encoder before either updated: the second one to update
    // finds it there already.
    for (int station = 0; station < 2; ++station) {
        if (Mod->Remote())
            Mod->SelectDatabase(false);
        QFile::remove(PathOf(TF::AliasesExport));
        QFile::remove(PathOf(TF::EncoderIdsExport));
        Window.ShowEncoder("42");
        Mod->AddAlias("Fan", "42");
        Mod->SaveSnapshot(Window.Reading(), true);
        Mod->AddAlias("FAN", "42"); // the same row again, in other case
        ConnectRemote();
        Mod->UpdateDatabase();
    }
    EXPECT_EQ(RemoteRows("SELECT count(*) FROM ENCODER_ID UNION ALL SELECT count(*) FROM AliasTab"
                         " UNION ALL SELECT count(*) FROM EncoderPropertyID"),
              (QList<QStringList>{{"1"}, {"1"}, {"2"}}));
}

TEST_F(DbFixture, CursorsFollowTheMaster)
{
    ConnectRemote();
    for (const char* serial : {"A1", "B2", "C3"}) {
        Window.ShowEncoder(serial);
        Window.ShowFaults({QString(serial) == "B2" ? "" : "1"}); // B2: one fault with an empty index
        Mod->SaveSnapshot(Window.Reading(), true);
        Mod->AddAlias(QString("alias-") + serial, serial);
    }
    Now = Now.addSecs(60);
    Window.ShowEncoder("B2");
    Mod->SaveSnapshot(Window.Reading(), false);
    Mod->UpdateDatabase();

    TDbCursor& master = Mod->EncoderIDTab;
    EXPECT_EQ(master.FieldText("SerialNr"), "A1"); // after the update's reconnect: the first
    Mod->SelectDatabase(true);
    EXPECT_EQ(master.FieldText("SerialNr"), "C3"); // after selecting: the last
    EXPECT_FALSE(master.Eof());
    master.Next();
    EXPECT_TRUE(master.Eof());
    EXPECT_EQ(master.FieldText("SerialNr"), "C3");

    ASSERT_TRUE(Mod->LocateEncoder("b2"));
    EXPECT_EQ(master.FieldText("SerialNr"), "B2");
    EXPECT_EQ(Mod->EncoderPropIDTab.RecordCount(), 2);
    EXPECT_EQ(Mod->FaultsIDTable.RecordCount(), 2);
    EXPECT_EQ(Mod->EncAliasTab.FieldText("Alias"), "alias-B2");
    EXPECT_FALSE(Mod->LocateEncoder("B"));
    EXPECT_EQ(master.FieldText("SerialNr"), "B2");

    // The property row of a reading, by its date text.
    EXPECT_EQ(Mod->EncoderPropIDTab.FieldText("DateTaken"), "2025-03-04 10:11:12");
    EXPECT_TRUE(Mod->LocateSnapshot("2025-03-04 10:12:12"));
    EXPECT_EQ(Mod->EncoderPropIDTab.RecNo(), 1);
    EXPECT_FALSE(Mod->LocateSnapshot("2025-03-04 10:13:12"));
    EXPECT_EQ(Mod->EncoderPropIDTab.RecNo(), 1);

    // Remembered position across detaching.
    const auto mark = Mod->EncAliasTab.GetBookmark();
    Mod->EncAliasTab.Detach();
    EXPECT_EQ(Mod->EncAliasTab.RecordCount(), 3);
    Mod->EncAliasTab.Last();
    Mod->EncAliasTab.GotoBookmark(mark);
    Mod->EncAliasTab.Attach();
    EXPECT_EQ(Mod->EncAliasTab.RecordCount(), 1);
    EXPECT_EQ(Mod->EncAliasTab.FieldText("Serienr"), "B2");

    // Walking the master moves every detail with it.
    master.First();
    EXPECT_TRUE(master.Bof());
    QStringList seen;
    while (!master.Eof()) {
        seen << master.FieldText("SerialNr") + ":" + Mod->EncAliasTab.FieldText("Alias") + ":"
                    + QString::number(Mod->EncoderPropIDTab.RecordCount());
        master.Next();
    }
    EXPECT_EQ(seen, (QStringList{"A1:alias-A1:1", "B2:alias-B2:2", "C3:alias-C3:1"}));
    EXPECT_EQ(Mod->EncAliasQry(), (QList<TDataMod::TAliasRow>{{"alias-A1", "A1"}, {"alias-B2", "B2"}, {"alias-C3", "C3"}}));

    TDbCursorModel grid(Mod->FaultsIDTable, {"FaultIndex", "DateSaved"});
    Mod->LocateEncoder("B2");
    ASSERT_EQ(grid.rowCount(), 2);
    EXPECT_EQ(grid.index(1, 1).data().toString(), "2025-03-04 10:12:12");
    EXPECT_EQ(grid.headerData(0, Qt::Horizontal).toString(), "FaultIndex");
}

TEST_F(DbFixture, DeleteEncoderRemovesItsRowsAndReconnects)
{
    ConnectRemote();
    for (const char* serial : {"A1", "B2"}) {
        Window.ShowEncoder(serial);
        Mod->AddAlias(QString("x") + serial, serial);
        Mod->SaveSnapshot(Window.Reading(), true);
    }
    Mod->UpdateDatabase();
    Mod->EncoderIDTab.Last();
    Mod->DeleteEncoder("b2");
    for (const char* table : {"ENCODER_ID", "FAULTS_ID", "EncoderPropertyID", "AliasTab"})
        EXPECT_EQ(RemoteRows(QString("SELECT count(*) FROM ") + table), (QList<QStringList>{{"1"}})) << table;
    Mod->EncoderIDTab.Last();
    Mod->DeleteEncoder("nobody");
    EXPECT_EQ(Mod->EncoderIDTab.RecNo(), 0); // reconnected: on the first
    EXPECT_EQ(Mod->EncoderIDTab.RecordCount(), 1);
}

TEST_F(DbFixture, SetAliasAddsOrReplacesTheCurrentEncodersAlias)
{
    ConnectRemote();
    Window.ShowEncoder("A1");
    Mod->SaveSnapshot(Window.Reading(), true);
    Mod->UpdateDatabase();
    EXPECT_FALSE(Mod->EncoderHasAlias("A1"));
    EXPECT_TRUE(Mod->SetAlias("First", "A1", true)); // remote: straight into the table
    EXPECT_TRUE(Mod->EncoderHasAlias("a1"));
    EXPECT_FALSE(Mod->SetAlias("FIRST", "A1", false)); // the encoder has it already
    EXPECT_TRUE(Mod->SetAlias("Second", "A1", false));
    EXPECT_EQ(RemoteRows("SELECT * FROM AliasTab"), (QList<QStringList>{{"Second", "A1"}}));
    EXPECT_EQ(Mod->EncAliasTab.FieldText("Alias"), "Second");
}

TEST_F(DbFixture, MissingRemoteDatabaseIsAnErrorAndNeverCreated)
{
    try {
        Mod->SelectDatabase(true);
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.Message().contains(RemotePath())) << e.Message();
    }
    EXPECT_TRUE(Mod->Remote());
    EXPECT_FALSE(QFile::exists(RemotePath()));
    EXPECT_FALSE(Mod->EncoderIDTab.Active());

    Mod->RemoteDir = [] { return QString(); };
    EXPECT_EQ(Mod->RemoteDatabasePath(), "/KIV.db");
    Mod->SelectDatabase(false);
    EXPECT_TRUE(Mod->EncoderIDTab.Active());
}

TEST_F(DbFixture, UpdateWaitsForAnotherStationsWrite)
{
    ConnectRemote();
    Window.ShowEncoder("A1");
    Mod->SaveSnapshot(Window.Reading(), false);
    std::latch locked(1);
    std::thread other([&] {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other-station");
            db.setDatabaseName(RemotePath());
            EXPECT_TRUE(db.open());
            QSqlQuery q(db);
            EXPECT_TRUE(q.exec("BEGIN IMMEDIATE"));
            EXPECT_TRUE(q.exec("INSERT INTO AliasTab VALUES('other','B')"));
            locked.count_down();
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            q.exec("COMMIT");
            db.close();
        }
        QSqlDatabase::removeDatabase("other-station");
    });
    locked.wait();
    EXPECT_NO_THROW(Mod->UpdateDatabase());
    other.join();
    EXPECT_EQ(RemoteRows("SELECT count(*) FROM FAULTS_ID UNION ALL SELECT count(*) FROM AliasTab"),
              (QList<QStringList>{{"1"}, {"1"}}));
}

TEST_F(DbFixture, OneSaveCarriesOneDateTextAndItsIdentityFirst)
{
    // The clock moves on every time it is read; the save still forms one text.
    int reads = 0;
    TDataMod mod(Program.path(), Dialogs, [&] { return Now.addSecs(reads++); }, QLocale(QLocale::Swedish, QLocale::Sweden));
    // The alias is known from an earlier, interrupted first save, but the identity never made it.
    WriteFile(TF::Aliases, "Alias;Serienr\r\n\"Press\",\"88\"\r\n");
    Window.ShowEncoder("88");
    Window.ShowFaults({"3", "2", "1"});
    EXPECT_EQ(mod.SaveReading(Window.Reading(), [] { return std::optional<QString>(); }), TSaveOutcome::Saved);
    EXPECT_EQ(Bytes(TF::EncoderIds), IdsHeader + "\"88\",\"405123-07\",\"2.1\",\"1.3\"\r\n");
    QSet<QString> dates;
    for (TF f : {TF::Faults, TF::Properties}) {
        const QStringList lines = QString::fromLatin1(Bytes(f)).split("\r\n", Qt::SkipEmptyParts).mid(1);
        for (const QString& line : lines)
            dates.insert(line.section(',', -1));
    }
    EXPECT_EQ(dates.size(), 1) << QStringList(dates.values()).join(" ");
}

TEST_F(DbFixture, AnInterruptedSaveIsCompletedOnceByTheNextOne)
{
    // The journal of a save whose fault line reached its file and whose property line did not.
    const QByteArray fault = "\"7\",\"0\",\"OK\",NULL,NULL,NULL,\"d1\"\r\n";
    const QByteArray prop = "\"7\",\"1\",\"2\",\"3\",\"4\",\"5\",\"6\",\"d1\"\r\n";
    WriteFile(TF::Faults, FaultsHeader + fault);
    WriteAll(Mod->JournalPath(), "[FAULTS_ID.TXT] -1\r\n" + fault + "[ENCPROPID.TXT] -1\r\n" + prop);
    Window.ShowEncoder("8");
    Mod->SaveSnapshot(Window.Reading(), false);
    EXPECT_FALSE(QFile::exists(Mod->JournalPath()));
    EXPECT_TRUE(Bytes(TF::Faults).startsWith(FaultsHeader + fault + "\"8\""));
    EXPECT_TRUE(Bytes(TF::Properties).startsWith(PropsHeader + prop + "\"8\""));
    EXPECT_EQ(Bytes(TF::Faults).count("\"7\""), 1);
}

TEST_F(DbFixture, AnotherProgramOnTheFolderMakesSavingWaitThenSaySo)
{
    QFile lockFile(Mod->LockFilePath());
    ASSERT_TRUE(lockFile.open(QIODevice::ReadWrite));
    ASSERT_EQ(::flock(lockFile.handle(), LOCK_EX), 0);
    Window.ShowEncoder("9");
    try {
        Mod->SaveSnapshot(Window.Reading(), false);
        ADD_FAILURE() << "no error";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().startsWith("En annan Kiv använder databasmappen")) << e.Message();
    }
    EXPECT_FALSE(Exists(TF::Faults));
    ::flock(lockFile.handle(), LOCK_UN);
    Mod->SaveSnapshot(Window.Reading(), false);
    EXPECT_TRUE(Exists(TF::Faults));
}

TEST_F(DbFixture, ABatchWhoseFingerprintIsRecordedIsDeletedNotImportedAgain)
{
    // What an update renamed before it was killed, found by the next one.
    const QByteArray faults = FaultsHeader + "\"5\",\"0\",\"OK\",NULL,NULL,NULL,\"d\"\r\n";
    const QByteArray props = PropsHeader + "\"5\",\"1\",\"2\",\"3\",\"4\",\"5\",\"6\",\"d\"\r\n";
    auto leave = [&](bool both) {
        if (both)
            WriteAll(PathOf(TF::Faults) + ".importing-abc", faults);
        WriteAll(PathOf(TF::Properties) + ".importing-abc", props);
    };
    ConnectRemote();
    leave(true);
    Mod->UpdateDatabase();
    EXPECT_EQ(Mod->LastImport().Faults, 1);
    EXPECT_EQ(Mod->LastImport().Properties, 1);
    // Killed after the commit, before the deletion, or in the middle of it: what is left of the
    // batch is deleted without going in again.
    for (bool both : {true, false}) {
        leave(both);
        Mod->UpdateDatabase();
        EXPECT_EQ(Mod->LastImport().Faults + Mod->LastImport().Properties, 0);
        EXPECT_FALSE(QFile::exists(PathOf(TF::Faults) + ".importing-abc"));
        EXPECT_FALSE(QFile::exists(PathOf(TF::Properties) + ".importing-abc"));
    }
    EXPECT_EQ(RemoteRows("SELECT count(*) FROM FAULTS_ID UNION ALL SELECT count(*) FROM EncoderPropertyID"),
              (QList<QStringList>{{"1"}, {"1"}}));
}

TEST_F(DbFixture, ValuesThatCannotRoundTripAreRefusedAtInput)
{
    const struct {
        const char* Name;
        QString Alias;
        const char* Message;
    } cases[] = {
        {"line break", "Pump\n3", "Ett alias får inte innehålla radbrytningar."},
        {"outside Windows-1252", "Насос", "Aliaset innehåller tecken som inte kan sparas: Насо"},
        {"too long", QString(21, 'x'), "Ett alias får vara högst 20 tecken långt."},
    };
    Window.ShowEncoder("31");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        try {
            Mod->SaveReading(Window.Reading(), [&] { return std::optional<QString>(c.Alias); });
            ADD_FAILURE() << "no error";
        } catch (const EInputError& e) {
            EXPECT_EQ(e.Message(), QString::fromUtf8(c.Message));
        }
        EXPECT_THROW(Mod->AddAlias(c.Alias, "31"), EInputError);
        EXPECT_FALSE(Exists(TF::Faults));
    }
    EXPECT_EQ(Mod->SaveReading(Window.Reading(), [] { return std::optional<QString>(QString(20, 'x')); }),
              TSaveOutcome::Saved);

    // A serial number with a double quote is found although the files double it.
    Window.ShowEncoder("9\"9");
    EXPECT_EQ(Mod->SaveReading(Window.Reading(), [] { return std::optional<QString>("Quoted"); }), TSaveOutcome::Saved);
    EXPECT_TRUE(Mod->AliasFilesContain("9\"9"));
    EXPECT_EQ(Mod->SaveReading(Window.Reading(), [] { return std::optional<QString>(); }), TSaveOutcome::Saved);
}

TEST_F(DbFixture, AFileWithoutItsHeaderHasItsFirstLineImported)
{
    WriteFile(TF::Faults, "\"5\",\"0\",\"OK\",NULL,NULL,NULL,\"d\"\r\n\"5\",\"1\",\"OK\",NULL,NULL,NULL,\"d\"\r\n");
    ConnectRemote();
    Mod->UpdateDatabase();
    EXPECT_EQ(RemoteRows("SELECT FaultIndex FROM FAULTS_ID"), (QList<QStringList>{{"0"}, {"1"}}));
}

TEST_F(DbFixture, ABadLineCanBeSetAsideSoThatTheRestImports)
{
    WriteFile(TF::Faults, FaultsHeader + "\"5\",\"0\",\"OK\",NULL,NULL,NULL,\"d\"\r\n\"5\",\"1\r\n"
                                         "\"5\",\"2\",\"OK\",NULL,NULL,NULL,\"d\"\r\n");
    ConnectRemote();
    Dialogs.Answers = {TModalResult::Yes};
    Mod->UpdateDatabase();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_TRUE(Dialogs.Messages[0].Text.contains("FAULTS_ID.TXT, line 3")) << Dialogs.Messages[0].Text;
    EXPECT_TRUE(Dialogs.Messages[0].Text.contains("DB/rejected-2025-03-04.txt")) << Dialogs.Messages[0].Text;
    EXPECT_EQ(RemoteRows("SELECT FaultIndex FROM FAULTS_ID"), (QList<QStringList>{{"0"}, {"2"}}));
    EXPECT_EQ(ReadAll(Program.path() + "/DB/rejected-2025-03-04.txt"), QByteArray("\"5\",\"1\r\n"));
}

TEST_F(DbFixture, AnUpdateGivesUpWhileAnotherStationWritesAndSaysSo)
{
    ConnectRemote();
    Mod->BusyTimeoutMs = 300;
    Mod->SelectDatabase(true);
    Window.ShowEncoder("A1");
    Mod->SaveSnapshot(Window.Reading(), false);
    const QByteArray staged = Bytes(TF::Faults);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "writing-station");
        db.setDatabaseName(RemotePath());
        ASSERT_TRUE(db.open());
        QSqlQuery q(db);
        ASSERT_TRUE(q.exec("BEGIN IMMEDIATE"));
        try {
            Mod->UpdateDatabase();
            ADD_FAILURE() << "no error";
        } catch (const EDatabaseError& e) {
            // The engine's reason, not a staging file's line.
            EXPECT_TRUE(e.Message().startsWith("En annan station skriver i databasen")) << e.Message();
            EXPECT_TRUE(e.Message().contains("locked")) << e.Message();
            EXPECT_FALSE(e.Message().contains("line")) << e.Message();
        }
        q.exec("ROLLBACK");
        db.close();
    }
    QSqlDatabase::removeDatabase("writing-station");
    EXPECT_EQ(Bytes(TF::Faults), staged);
    Mod->UpdateDatabase();
    EXPECT_EQ(RemoteRows("SELECT count(*) FROM FAULTS_ID"), (QList<QStringList>{{"1"}}));
}
