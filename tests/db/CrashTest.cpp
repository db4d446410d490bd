#include "DbFixture.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

// Kills a program in the middle of saving and updating, again and again, and then checks that
// nothing a save reported as done was lost or doubled and that no encoder lost its identity.

namespace {

const char* const ChildVariable = "KIV_CRASH_CHILD";

} // namespace

// Runs only as the child of the test below: saves and updates until it is killed, and notes each
// save that returned.
TEST(SaveCrash, ChildSavesAndUpdatesUntilKilled)
{
    const QStringList setting = qEnvironmentVariable(ChildVariable).split(QLatin1Char('|'));
    if (setting.size() != 3)
        GTEST_SKIP() << "run by the crash test";
    const QString program = setting[0];
    const QString remote = setting[1];
    const QString round = setting[2];
    FakeDialogs dialogs;
    TDataMod mod(program, dialogs);
    mod.RemoteDir = [remote] { return remote; };
    const int log = ::open(QFile::encodeName(program + "/saved.log").constData(), O_WRONLY | O_APPEND | O_CREAT, 0644);
    for (int i = 0;; ++i) {
        const QString id = QStringLiteral("r%1n%2").arg(round).arg(i);
        TReadingTexts reading;
        reading.SerialNumber = QStringLiteral("S%1").arg(QRandomGenerator::global()->bounded(6));
        reading.PartNumber = "1";
        reading.SoftwareVersion = "2.1";
        reading.HardwareVersion = "1.0";
        reading.OpTime = id;
        reading.Faults = {{"1", id, "OK", "500 Hz", "20 \u00b0C"}, {"2", id, "OK", "0 Hz", "21 \u00b0C"}};
        const QString alias = "A" + reading.SerialNumber;
        if (mod.SaveReading(reading, [alias] { return std::optional<QString>(alias); }) == TSaveOutcome::Saved) {
            const QByteArray line = id.toLatin1() + '\n';
            ASSERT_EQ(::write(log, line.constData(), size_t(line.size())), line.size());
        }
        if (i % 3 == 2) {
            mod.SelectDatabase(true);
            mod.UpdateDatabase();
            mod.SelectDatabase(false);
        }
    }
}

TEST_F(DbFixture, EverySavedReadingArrivesOnceAfterRandomKills)
{
    CopyDataFile(Mod->LocalDatabasePath(), RemoteFolder.path());
    Mod.reset();
    QElapsedTimer running;
    running.start();
    int rounds = 0;
    for (; running.elapsed() < 4000; ++rounds) {
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(ChildVariable, Program.path() + "|" + RemoteFolder.path() + "|" + QString::number(rounds));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {"--gtest_filter=SaveCrash.ChildSavesAndUpdatesUntilKilled"});
        ASSERT_TRUE(child.waitForStarted());
        QThread::msleep(QRandomGenerator::global()->bounded(200, 800));
        ::kill(pid_t(child.processId()), SIGKILL);
        child.waitForFinished();
    }

    Mod = MakeDataMod();
    ConnectRemote();
    Mod->UpdateDatabase();
    const QStringList saved = QString::fromLatin1(ReadAll(Program.path() + "/saved.log")).split('\n', Qt::SkipEmptyParts);
    ASSERT_GT(saved.size(), 0) << "the children saved nothing to test";

    QMap<QString, int> props;
    for (const QStringList& row : RemoteRows("SELECT ActualOpTime, count(*) FROM EncoderPropertyID GROUP BY ActualOpTime"))
        props[row[0]] = row[1].toInt();
    QMap<QString, int> faults;
    for (const QStringList& row : RemoteRows("SELECT FaultOpTime, count(*) FROM FAULTS_ID GROUP BY FaultOpTime"))
        faults[row[0]] = row[1].toInt();
    for (const QString& id : saved) {
        EXPECT_EQ(props.value(id), 1) << id.toStdString();
        EXPECT_EQ(faults.value(id), 2) << id.toStdString();
    }
    // A save that was killed before it reported may be there, but whole and once.
    for (auto it = props.begin(); it != props.end(); ++it) {
        EXPECT_EQ(it.value(), 1) << it.key().toStdString();
        EXPECT_EQ(faults.value(it.key()), 2) << it.key().toStdString();
    }
    EXPECT_EQ(RemoteRows("SELECT DISTINCT SerialNr FROM EncoderPropertyID WHERE SerialNr NOT IN"
                         " (SELECT SerialNr FROM ENCODER_ID)"),
              QList<QStringList>());
    std::cout << "kills: " << rounds << ", saves reported: " << saved.size() << ", readings: " << props.size() << "\n";
}
