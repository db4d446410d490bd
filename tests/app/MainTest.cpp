// The whole object graph in a temporary program folder, talking to the simulated encoder.
#include "EncoderSim.h"
#include "core/uBiDirDiagProtocol.h"
#include "core/uCommRes.h"
#include "app/uMain.h"
#include "core/uUpdateTimer.h"
#include "db/fKivDB.h"
#include "db/uKivDataMod.h"
#include "model/uEncoderModel.h"
#include "model/uTrendObs.h"
#include "support/DeviceServer.h"
#include "support/FakeDialogs.h"
#include "support/TestFiles.h"
#include "ui/fDiagManager.h"
#include "settings/uApplIniFile.h"
#include "ui/fDiagOptions.h"
#include "ui/fDialScript.h"
#include "ui/fKiv.h"
#include "ui/fTrend.h"
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QToolButton>
#include <QFile>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace {

const QString HealthyImage = QStringLiteral(KIV_SOURCE_DIR "/tools/encoder-sim/images/healthy.txt");
const QString ErasedImage = QStringLiteral(KIV_SOURCE_DIR "/tools/encoder-sim/images/erased.txt");

struct TRequestCounts {
    int RamReads = 0, EepromReads = 0, RamWrites = 0, EepromWrites = 0;
};

class MainTest : public ::testing::Test {
protected:
    QTemporaryDir Folder;
    TEncoderSim Sim;
    FakeDialogs Dialogs;
    std::unique_ptr<TDataMod> DataMod;
    std::unique_ptr<TDiagManager> Control;
    std::unique_ptr<TMain> Main;
    TDeviceServer Server;

    void TearDown() override
    {
        if (Main)
            Main->DestroyWindows();
        Control.reset();
        Main.reset();
        DataMod.reset();
        Sim.Stop();
    }

    // A program folder whose COM1 is the simulator running the given image, directly or through
    // a device server on the network.
    void StartWith(const QString& image, std::optional<TDeviceServer::TMode> network = std::nullopt)
    {
        Sim.LoadImage(image.toStdString());
        QString device = QString::fromStdString(Sim.Start());
        if (network) {
            ASSERT_TRUE(Server.Start(device, *network)) << Server.Error.toStdString();
            device = Server.Address(*network);
        }
        QFile ini(Folder.filePath(QStringLiteral("kiv.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[SerialCommunication]\r\nComPort=COM1\r\nCOM1Device=%1\r\n"
                                 "[Application]\r\nDBIniValue=1\r\n")
                      .arg(device)
                      .toUtf8());
        ini.close();
        StartUp();
    }

    void StartUp()
    {
        Control = std::make_unique<TDiagManager>(Dialogs);
        Main = std::make_unique<TMain>(TProgramPaths(Folder.path(), QStringLiteral("kiv")), Dialogs);
        Main->DataMod = DataMod.get();
        Main->StartUp(Control.get());
    }

    QString Text(const char* component) const { return Main->MainWindow->ComponentText(QString::fromLatin1(component)); }

    TRequestCounts Counts() const
    {
        TRequestCounts counts;
        for (const auto& frame : Sim.RequestLog()) {
            switch (frame.at(1)) {
            case 0x80: ++counts.RamReads; break;
            case 0x81: ++counts.EepromReads; break;
            case 0x90: ++counts.RamWrites; break;
            case 0x91: ++counts.EepromWrites; break;
            }
        }
        return counts;
    }

    // Confirms the connection as soon as the dial window is up and the modem has answered.
    void ConfirmDialWhenConnected()
    {
        ConfirmDial = [this] {
            if (Main->DialScript->isVisible() && Sim.ModemConnected())
                QTimer::singleShot(300, [this] { Main->DialScript->accept(); });
            else
                QTimer::singleShot(50, ConfirmDial);
        };
        QTimer::singleShot(0, ConfirmDial);
    }
    std::function<void()> ConfirmDial;

    bool ShowsLed(const QAbstractButton* button, bool lit) const
    {
        return button->icon().cacheKey() == Control->Led(lit).cacheKey();
    }
};

TEST_F(MainTest, FirstStartInAnEmptyFolderSelectsCom1AndFillsTheDefaultLanguage)
{
    StartUp();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, QStringLiteral("Serial communication port is not set. Using \"COM1\""));
    EXPECT_EQ(Main->CommRes->GetComPort(), QStringLiteral("COM1"));
    EXPECT_FALSE(Main->CommRes->IsOpen());
    EXPECT_EQ(Main->UpdateTimer->GetInterval(), 1000u);
    EXPECT_EQ(Main->MainWindow->StatusText(0), QStringLiteral("COM1"));
    EXPECT_EQ(Main->MainWindow->StatusText(1), QStringLiteral("Status: Offline"));
    EXPECT_EQ(Main->AckResetText, QStringLiteral("Är du säker att givaren skall raderas?"));

    QFile lang(Folder.filePath(QStringLiteral("DefLang.txt")));
    ASSERT_TRUE(lang.open(QIODevice::ReadOnly));
    const QByteArray text = lang.readAll();
    for (const char* expected : {"[DiagManager]", "[KIV]", "[Main]", "[TStoredFault]", "[DiagOptions]",
                                 "sRecycleEncoderPower=", "lbTitleMaxTemp=", "btnOnLine="})
        EXPECT_TRUE(text.contains(expected)) << expected;
    EXPECT_TRUE(text.contains("H\xE5rdvaruversion:")) << "texts are stored in Windows-1252";
    EXPECT_FALSE(QFile::exists(Folder.filePath(QStringLiteral("lang.lst"))));
}

TEST_F(MainTest, OnlineButtonGoesOnlineOnceAndReadsTheWholeEncoder)
{
    StartWith(HealthyImage);
    Sim.ClearLog();
    Control->btnOnLine->click();

    EXPECT_TRUE(Main->CommRes->IsOpen());
    EXPECT_TRUE(ShowsLed(Control->btnOnLine, true));
    EXPECT_EQ(Main->MainWindow->StatusText(1), QStringLiteral("Status: Online"));
    // One single update: eight identity reads (the software version twice) of 1, 1, 1, 4, 4, 4, 4
    // and 2 bytes, then the 99-byte block. A second GoOnline would double these.
    const TRequestCounts counts = Counts();
    EXPECT_EQ(counts.RamReads + counts.EepromReads, 2 + 1 + 4 * 4 + 2 + 99);
    EXPECT_EQ(counts.RamWrites + counts.EepromWrites, 0);

    EXPECT_EQ(Text("lbSoftVer"), QStringLiteral("2.1"));
    EXPECT_FALSE(Text("lbSerialNum").isEmpty());
    EXPECT_NE(Text("lbSerialNum"), QStringLiteral("-"));
    EXPECT_TRUE(Text("lbUnitsPerRev").endsWith(QStringLiteral(" ppr")));
    EXPECT_TRUE(Text("lbMaxTemp").endsWith(QStringLiteral(" °C")));
    EXPECT_EQ(Main->MainWindow->ListItems(QStringLiteral("lstbIndex")).size(), 13);
    EXPECT_EQ(Main->MainWindow->ListItems(QStringLiteral("lstbIndex")).first(), QStringLiteral("14"));
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.Texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_GE(Dialogs.Beeps, 1);

    Control->btnOnLine->click();
    EXPECT_FALSE(Main->CommRes->IsOpen());
    EXPECT_EQ(Main->MainWindow->StatusText(1), QStringLiteral("Status: Offline"));
}

TEST_F(MainTest, UpdateCycleReadsTheBlockOnlyWhenTheFaultCountGrows)
{
    StartWith(HealthyImage);
    Main->CommRes->Open();
    Sim.ClearLog();

    Main->OnUpdateTimer();
    EXPECT_EQ(Counts().EepromReads, 2 + 99) << "the count, then the block";
    EXPECT_EQ(Main->LastFaultCount, 14);

    Sim.ClearLog();
    Main->OnUpdateTimer();
    EXPECT_EQ(Counts().EepromReads, 2) << "same count: no block";

    Sim.StoreFault(0x31);
    Sim.ClearLog();
    Main->OnUpdateTimer();
    EXPECT_EQ(Counts().EepromReads, 2 + 99);
    EXPECT_EQ(Main->LastFaultCount, 15);
    EXPECT_EQ(Main->MainWindow->ListItems(QStringLiteral("lstbIndex")).first(), QStringLiteral("15"));
}

TEST_F(MainTest, TheTrendFollowsTheUpdateCycleAndOpeningOrClosingItReadsNothing)
{
    StartWith(HealthyImage);
    Main->UpdateTimer->SetInterval(TUpdateTimer::IntervalFromIndex(24)); // no real tick in between
    Main->UpdateTimer->SetRepeat(true);
    Main->OnUpdateTimer();
    Sim.LiveStep();
    Main->OnUpdateTimer();
    Sim.StoreFault(0x08);
    Main->OnUpdateTimer();
    const TTrendRing& ring = Main->TrendObs->Ring();
    ASSERT_EQ(ring.Size(), 3u) << "samples are taken with the window closed";
    EXPECT_TRUE(ring.Newest().FaultCountGrew);
    EXPECT_EQ(ring.Newest().FaultCount, 15);

    Sim.ClearLog();
    auto* button = Main->MainWindow->findChild<QPushButton*>(QStringLiteral("btnTrend"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QStringLiteral("Trend"));
    button->click();
    EXPECT_TRUE(Main->TrendFrm->isVisible());
    EXPECT_EQ(Main->TrendFrm->Shown().size(), 3u);
    Main->TrendFrm->close();
    EXPECT_EQ(Sim.RequestCount(), 0u);
    EXPECT_TRUE(Main->UpdateTimer->IsRepeating());
    EXPECT_EQ(Main->TickFailures, 0);

    Sim.LiveStep();
    Main->OnUpdateTimer();
    EXPECT_EQ(ring.Size(), 4u);
    Main->UpdateTimer->SetRepeat(false);
}

TEST_F(MainTest, ErasedFaultCountIsTakenAsNoFaults)
{
    StartWith(ErasedImage);
    Main->CommRes->Open();
    Sim.ClearLog();
    Main->OnUpdateTimer();
    EXPECT_EQ(Counts().EepromReads, 2) << "FF FF is no stored fault, so no block read";
    EXPECT_EQ(Main->LastFaultCount, 0);
}

TEST_F(MainTest, TwoFailedCyclesAreForgivenTheThirdStopsRepeating)
{
    StartWith(HealthyImage);
    Main->UpdateTimer->SetInterval(TUpdateTimer::IntervalFromIndex(24)); // no real tick in between
    Main->UpdateTimer->SetRepeat(true);
    ASSERT_TRUE(Main->UpdateTimer->IsRepeating());
    Main->LastFaultCount = 14;
    Sim.SetChecksumMode(TSimChecksumMode::Wrong); // every cycle fails at once on its checksum
    Main->Protocol->RetryCount = 1;

    EXPECT_NO_THROW(Main->OnUpdateTimer());
    EXPECT_NO_THROW(Main->OnUpdateTimer());
    EXPECT_EQ(Main->TickFailures, 2);
    EXPECT_TRUE(Main->UpdateTimer->IsRepeating());
    EXPECT_THROW(Main->OnUpdateTimer(), std::exception);
    EXPECT_FALSE(Main->UpdateTimer->IsRepeating());
    EXPECT_EQ(Main->TickFailures, 0);
    EXPECT_EQ(Main->LastFaultCount, 0);

    // A good cycle in between starts the count again.
    Sim.SetChecksumMode(TSimChecksumMode::Chained);
    Main->OnUpdateTimer();
    Sim.SetChecksumMode(TSimChecksumMode::Wrong);
    EXPECT_NO_THROW(Main->OnUpdateTimer());
    Sim.SetChecksumMode(TSimChecksumMode::Chained);
    Main->OnUpdateTimer();
    EXPECT_EQ(Main->TickFailures, 0);
}

TEST_F(MainTest, ResetIsRefusedWithTheModemTicked)
{
    StartWith(HealthyImage);
    Main->DiagOptions->cbUseModem->setChecked(true);
    Sim.ClearLog();
    Main->ResetEncoder();
    ASSERT_EQ(Dialogs.Messages.size(), 1u);
    EXPECT_EQ(Dialogs.Messages[0].Text, Main->ResetWithModemText);
    EXPECT_EQ(Sim.RequestCount(), 0u);
    EXPECT_FALSE(Main->CommRes->IsOpen());
}

TEST_F(MainTest, ResetErasesTheBlockReadsItAgainAndCloses)
{
    StartWith(HealthyImage);
    Main->CommRes->Open();
    Main->ResetSettleMs = 0;
    Sim.ClearLog();
    Dialogs.Answers = {TModalResult::Yes, TModalResult::Ok};

    Main->ResetEncoder();

    const TRequestCounts counts = Counts();
    EXPECT_EQ(counts.EepromWrites, 111);
    EXPECT_EQ(counts.EepromReads, 99);
    EXPECT_EQ(counts.RamWrites, 1);
    const auto log = Sim.RequestLog();
    EXPECT_EQ(log.back(), (std::vector<uint8_t>{0x00, 0x90, 0x00, 0x62, 0xFF, 0xF1}));
    for (uint16_t address = 0; address <= 110; ++address)
        EXPECT_EQ(Sim.Eeprom(address), 0xFF) << address;
    EXPECT_NE(Sim.Eeprom(116), 0xFF) << "the identity stays";
    EXPECT_FALSE(Main->CommRes->IsOpen());
    EXPECT_EQ(Main->MainWindow->StatusText(1), QStringLiteral("Status: Offline"));
    EXPECT_TRUE(Main->MainWindow->ListItems(QStringLiteral("lstbIndex")).isEmpty());
}

TEST_F(MainTest, IdentityFollowsTheSoftwareVersion)
{
    struct TCase {
        uint8_t Version;
        bool NewPartNumber;
        bool Unfiltered;
    };
    StartWith(HealthyImage);
    Main->CommRes->Open();
    for (const TCase& c : {TCase{0x21, true, true}, TCase{0x15, false, false}, TCase{0x31, true, false}}) {
        Sim.SetRam(0x61, c.Version);
        Sim.SetEepromBytes(112, {0x33, 0x2B, 0x6A, 0x02}); // 40512307
        Sim.SetEeprom(5, 0x14);                             // lowest temperature +20
        Main->ReadIdentity();
        Main->ReadDiagnostics();
        EXPECT_EQ(Text("lbPartNum"), c.NewPartNumber ? QStringLiteral("405123-07") : QStringLiteral("40512307"))
            << int(c.Version);
        EXPECT_EQ(Main->Model->MinTemp.Value() == 20, c.Unfiltered) << int(c.Version);
        Main->Model->MinTemp.SetValue(-5, true);
    }
}

TEST_F(MainTest, ClosingThePortWhileRepeatingPutsBothLedsOut)
{
    StartWith(HealthyImage);
    Control->btnUpdate->click();
    ASSERT_TRUE(Main->UpdateTimer->IsRepeating());
    EXPECT_TRUE(ShowsLed(Control->btnUpdate, true));
    EXPECT_TRUE(ShowsLed(Control->btnOnLine, true));

    Control->btnOnLine->click();
    EXPECT_FALSE(Main->UpdateTimer->IsRepeating());
    EXPECT_TRUE(ShowsLed(Control->btnUpdate, false));
    EXPECT_TRUE(ShowsLed(Control->btnOnLine, false));
}

TEST_F(MainTest, ButtonPressedDuringAReadingWaitsUntilItEnds)
{
    StartWith(HealthyImage);
    Main->CommRes->Open();
    bool closedDuringReading = false;
    bool readingDone = false;
    // Pressed while the reading lets pending events run at its end.
    QTimer::singleShot(0, [&] {
        Control->btnOnLine->click();
        closedDuringReading = !Main->CommRes->IsOpen() && !readingDone;
    });
    Main->RunButton([&] {
        Main->SingleUpdate();
        readingDone = true;
    });
    EXPECT_FALSE(closedDuringReading);
    EXPECT_TRUE(Main->CommRes->IsOpen()) << "deferred, not yet run";
    QCoreApplication::processEvents();
    EXPECT_FALSE(Main->CommRes->IsOpen()) << "ran once the reading had ended";
}

TEST_F(MainTest, AStopClickedDuringATickRunsOnceRightAfterTheTick)
{
    StartWith(HealthyImage);
    Main->UpdateTimer->SetInterval(TUpdateTimer::IntervalFromIndex(24)); // only the ticks we deliver
    Control->btnUpdate->click();
    ASSERT_TRUE(Main->UpdateTimer->IsRepeating());
    QCoreApplication::processEvents();

    bool clickedInsideTick = false;
    // Pressed while the tick lets pending events run.
    QTimer::singleShot(0, [&] {
        Control->btnUpdate->click();
        clickedInsideTick = Main->SequenceRunning();
    });
    Main->UpdateTimer->Tick();
    ASSERT_TRUE(clickedInsideTick);
    EXPECT_TRUE(Main->UpdateTimer->IsRepeating()) << "the stop waits for the tick";
    QCoreApplication::processEvents();
    EXPECT_FALSE(Main->UpdateTimer->IsRepeating()) << "and runs right after it";
    QCoreApplication::processEvents();
    EXPECT_FALSE(Main->UpdateTimer->IsRepeating()) << "once";

    // The next press starts repeating on its own; nothing of the stop is replayed with it.
    Control->btnUpdate->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Main->UpdateTimer->IsRepeating());
    EXPECT_EQ(Main->Sequences.WaitingClicks(), 0u);
    Main->UpdateTimer->SetRepeat(false);
}

TEST_F(MainTest, GoingOnlineThroughTheModemReadsTheEncoderAfterOk)
{
    Sim.SetModemMode(true);
    StartWith(HealthyImage);
    Main->DiagOptions->cbUseModem->setChecked(true);
    ConfirmDialWhenConnected();
    Sim.ClearLog();
    Control->btnOnLine->click();

    EXPECT_TRUE(Main->CommRes->IsOpen());
    EXPECT_EQ(Text("lbSoftVer"), QStringLiteral("2.1"));
    EXPECT_EQ(Counts().EepromReads >= 99, true);
}

TEST_F(MainTest, ReselectingThePortWhileOnlineMovesToTheNewPortAndReadsIt)
{
    TEncoderSim second;
    second.LoadImage(HealthyImage.toStdString());
    second.SetRam(0x61, 0x15);
    const QString secondDevice = QString::fromStdString(second.Start());
    StartWith(HealthyImage);
    Main->SettingsFile->WriteString(QStringLiteral("SerialCommunication"), QStringLiteral("COM2Device"), secondDevice);
    Main->CommRes->SetPortDevice(1, secondDevice);
    Control->btnOnLine->click();
    ASSERT_EQ(Text("lbSoftVer"), QStringLiteral("2.1"));

    Main->DiagOptions->cbComPort->setCurrentIndex(1);
    Main->DiagOptions->cbComPortChange();

    EXPECT_EQ(Main->CommRes->GetComPort(), QStringLiteral("COM2"));
    EXPECT_TRUE(Main->CommRes->IsOpen());
    EXPECT_EQ(Text("lbSoftVer"), QStringLiteral("1.5"));
    EXPECT_EQ(Main->MainWindow->StatusText(0), QStringLiteral("COM2"));
    // GoOnline ran twice on the new port (the open notification and the dialog's own call): two
    // single updates of 21 identity and 99 block reads each.
    EXPECT_EQ(second.RequestCount(), 2u * (21 + 99));
    second.Stop();
}

TEST_F(MainTest, ASavedReadingReachesTheRemoteDatabaseWhenTheViewerConnects)
{
    QTemporaryDir remote;
    DataMod = std::make_unique<TDataMod>(Folder.path(), Dialogs);
    StartWith(HealthyImage);
    Main->DiagOptions->edDBDir->setText(remote.path());
    Main->ApplIniFile->WriteRemoteDBDir(remote.path());
    Main->DBViewer->InitRemoteDatabase(); // the copy question is answered Yes
    ASSERT_TRUE(QFile::exists(remote.filePath(QStringLiteral("KIV.db"))));

    Control->btnUpdate->click();
    ASSERT_TRUE(Main->UpdateTimer->IsRepeating());
    const QString serial = Text("lbSerialNum");
    Dialogs.Messages.clear();
    Dialogs.InputAnswers = {{true, QStringLiteral("Pump 7")}};
    Control->bitbtnDatabase->click(); // no alias yet: Yes, then the alias
    ASSERT_EQ(Dialogs.Queries.size(), 1u);
    EXPECT_EQ(Dialogs.Queries[0].Caption, QStringLiteral("Alias dialog"));
    Main->UpdateTimer->SetRepeat(false);

    QTimer::singleShot(0, [&] { Main->DBViewer->findChild<QToolButton*>(QStringLiteral("tbtnClose"))->click(); });
    Main->DBViewer->RunModal();

    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("remote-check"));
        db.setDatabaseName(remote.filePath(QStringLiteral("KIV.db")));
        ASSERT_TRUE(db.open());
        auto count = [&](const QString& sql) {
            QSqlQuery query(db);
            query.prepare(sql);
            query.addBindValue(serial);
            EXPECT_TRUE(query.exec());
            return query.next() ? query.value(0).toInt() : -1;
        };
        EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM ENCODER_ID WHERE SerialNr = ?")), 1);
        EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM AliasTab WHERE Serienr = ?")), 1);
        EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM FAULTS_ID WHERE Serialnr = ?")), 13);
        EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM EncoderPropertyID WHERE SerialNr = ?")), 1);
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("remote-check"));
}

// Pulling the adapter while repeating: the next cycle fails at once, not after a time-out, and
// the connection ends with one message (not one per cycle), both LEDs out and the port closed.
// Plugged back in at the same name, the online button works again.
TEST_F(MainTest, UnplugWhileRepeatingEndsTheConnectionOnceAndReplugWorks)
{
    StartWith(HealthyImage);
    const QString link = Folder.filePath(QStringLiteral("adapter"));
    ASSERT_TRUE(QFile::link(QString::fromStdString(Sim.SlavePath()), link));
    Main->CommRes->SetPortDevice(0, link);
    Main->UpdateTimer->SetInterval(TUpdateTimer::IntervalFromIndex(24)); // no real tick in between
    Control->btnUpdate->click();
    ASSERT_TRUE(Main->UpdateTimer->IsRepeating());

    TSimInjection unplug;
    unplug.HangUpAfter = 3; // in the middle of the live values
    Sim.SetInjection(unplug);
    QElapsedTimer clock;
    clock.start();
    try {
        Main->OnUpdateTimer();
        ADD_FAILURE() << "the cycle went through a pulled cable";
    } catch (const std::exception& e) {
        const QString message = QString::fromUtf8(e.what());
        EXPECT_TRUE(message.contains(QStringLiteral("communication resource error code 5"))) << e.what();
        EXPECT_TRUE(message.contains(link + QStringLiteral(": "))) << e.what();
    }
    EXPECT_LT(clock.elapsed(), 1500) << "a hang-up is no time-out";
    EXPECT_FALSE(Main->CommRes->IsOpen());
    EXPECT_FALSE(Main->UpdateTimer->IsRepeating());
    EXPECT_TRUE(ShowsLed(Control->btnUpdate, false));
    EXPECT_TRUE(ShowsLed(Control->btnOnLine, false));
    EXPECT_EQ(Main->MainWindow->StatusText(1), QStringLiteral("Status: Offline"));
    EXPECT_EQ(Main->TickFailures, 0);

    // Plugged in again: a new device behind the same name.
    Sim.Stop();
    Sim.SetInjection({});
    QFile::remove(link);
    ASSERT_TRUE(QFile::link(QString::fromStdString(Sim.Start()), link));
    Sim.ClearLog();
    Control->btnOnLine->click();
    EXPECT_TRUE(Main->CommRes->IsOpen());
    EXPECT_EQ(Main->MainWindow->StatusText(1), QStringLiteral("Status: Online"));
    EXPECT_GT(Counts().EepromReads, 99) << "a full single update";
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.Texts().join('\n').toStdString();
}

// A hang-up during a button's sequence closes the port too, so the name is free for the re-plug.
TEST_F(MainTest, UnplugDuringASingleUpdateClosesThePort)
{
    StartWith(HealthyImage);
    Main->CommRes->Open();
    TSimInjection unplug;
    unplug.HangUpAfter = 40; // inside the diagnostic block
    Sim.SetInjection(unplug);
    EXPECT_THROW(Main->RunButton([this] { Main->SingleUpdate(); }), std::exception);
    EXPECT_FALSE(Main->CommRes->IsOpen());
    EXPECT_EQ(Main->MainWindow->StatusText(1), QStringLiteral("Status: Offline"));
}

// A block read that fails must not count the new faults as seen: the next cycle reads the block.
TEST_F(MainTest, FaultCountIsTakenOnlyAfterTheBlockWasRead)
{
    StartWith(HealthyImage);
    Main->CommRes->Open();
    Main->Protocol->RetryCount = 1; // the variant is known: a mismatch fails at once
    TSimInjection noise;
    noise.GarbageAfter = 7 + 10; // the live values, then ten bytes of the block
    Sim.SetInjection(noise);
    EXPECT_NO_THROW(Main->OnUpdateTimer());
    EXPECT_EQ(Main->TickFailures, 1);
    EXPECT_EQ(Main->LastFaultCount, 0);

    Sim.SetInjection({});
    Sim.ClearLog();
    Main->OnUpdateTimer();
    EXPECT_EQ(Counts().EepromReads, 2 + 99) << "the block is read on the next cycle";
    EXPECT_EQ(Main->LastFaultCount, 14);
}

TEST_F(MainTest, InstalledWhereTheUserCannotWriteItWritesOnlyIntoTheDataFolder)
{
    QTemporaryDir install;
    WriteAll(install.filePath(QStringLiteral("lang.lst")), "English\r\n");
    WriteAll(install.filePath(QStringLiteral("English.txt")), "[KIV]\r\n");
    const auto listing = [](const QString& folder) {
        QStringList entries = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        entries.sort();
        return entries;
    };
    const QStringList installed = listing(install.path());

    const QString data = Folder.filePath(QStringLiteral("share/kiv"));
    PrepareDataDir(install.path(), data);
    const TProgramPaths paths(install.path(), data, QStringLiteral("kiv"));
    DataMod = std::make_unique<TDataMod>(paths.Dir(), Dialogs);
    Control = std::make_unique<TDiagManager>(Dialogs);
    Main = std::make_unique<TMain>(paths, Dialogs);
    Main->DataMod = DataMod.get();
    Main->StartUp(Control.get());
    Main->ApplIniFile->WriteRemoteDBDir(Folder.path());
    // Shut down in the program's order: the windows, the control window (it saves its
    // placement), then the rest.
    Main->DestroyWindows();
    Control.reset();
    Main->ShutDown();

    EXPECT_EQ(listing(install.path()), installed);
    EXPECT_EQ(ReadAll(install.filePath(QStringLiteral("English.txt"))), QByteArray("[KIV]\r\n"));
    const QStringList written = listing(data);
    for (const char* name : {"kiv.ini", "DefLang.txt", "lang.lst", "English.txt"})
        EXPECT_TRUE(written.contains(QString::fromLatin1(name))) << name;
}

// Through a device server speaking RFC 2217: the update cycle, and the reset whose erasing writes
// carry 0xFF, Telnet's command byte, in every request.
TEST_F(MainTest, AnEncoderBehindADeviceServerIsUpdatedAndReset)
{
    StartWith(HealthyImage, TDeviceServer::TMode::Rfc2217);
    Control->btnOnLine->click();
    ASSERT_TRUE(Main->CommRes->IsOpen()) << Dialogs.Texts().join(QStringLiteral(" | ")).toStdString();
    EXPECT_EQ(Main->MainWindow->ListItems(QStringLiteral("lstbIndex")).first(), QStringLiteral("14"));

    Sim.StoreFault(0x31);
    Main->OnUpdateTimer();
    EXPECT_EQ(Main->LastFaultCount, 15);
    EXPECT_EQ(Main->MainWindow->ListItems(QStringLiteral("lstbIndex")).first(), QStringLiteral("15"));

    Main->ResetSettleMs = 0;
    Dialogs.Answers = {TModalResult::Yes, TModalResult::Ok};
    Main->ResetEncoder();
    for (uint16_t address = 0; address <= 110; ++address)
        ASSERT_EQ(Sim.Eeprom(address), 0xFF) << address;
    EXPECT_FALSE(Main->CommRes->IsOpen());
    // The question and the acknowledgement, no link error.
    EXPECT_EQ(Dialogs.Messages.size(), 2u) << Dialogs.Texts().join(QStringLiteral(" | ")).toStdString();
}

// A modem at the far end of a device server: dialling runs over the network line as over a port.
TEST_F(MainTest, TheModemIsDialledThroughARawDeviceServer)
{
    Sim.SetModemMode(true);
    StartWith(HealthyImage, TDeviceServer::TMode::Raw);
    Main->DiagOptions->cbUseModem->setChecked(true);
    ConfirmDialWhenConnected();
    Control->btnOnLine->click();

    EXPECT_TRUE(Main->CommRes->IsOpen());
    EXPECT_EQ(Text("lbSoftVer"), QStringLiteral("2.1"));
}

} // namespace
