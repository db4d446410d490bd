// Import benchmark: stages many saved readings in the DB folder of a temporary program folder,
// carries them into an empty remote database with UpdateDatabase, and loads the same rows into
// another empty copy with the sqlite3 command-line tool's CSV import, for reference.
//
// Usage: kiv-bench-import [readings] [encoders]   (defaults 10000 and 100)
#include "StagedReadings.h"
#include "db/FmxUtils.h"
#include "db/uKivDataMod.h"
#include "db/uStagingFormat.h"
#include "platform/Dialogs.h"
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <sys/resource.h>
#include <cstdio>

namespace {

constexpr int Runs = 5;

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw EFileError(QStringLiteral("Cannot write file %1").arg(path));
}

qint64 RowCount(const QString& dbPath, const QString& table)
{
    qint64 n = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("bench-check"));
        db.setDatabaseName(dbPath);
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec(QStringLiteral("SELECT count(*) FROM ") + table) && q.next())
                n = q.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("bench-check"));
    return n;
}

// One run of each; times in milliseconds.
std::pair<TTimes, TTimes> RunOnce(const TStaged& staged, qint64 faults, qint64 properties)
{
    QTemporaryDir program, remote, reference;
    TStderrDialogs dialogs;
    TDataMod mod(program.path(), dialogs);
    mod.RemoteDir = [&remote] { return remote.path(); };
    CopyDataFile(mod.LocalDatabasePath(), remote.path());
    CopyDataFile(mod.LocalDatabasePath(), reference.path());
    WriteTextLines(mod.TextFilePath(TDataMod::TTextFile::Faults), staged.Faults);
    WriteTextLines(mod.TextFilePath(TDataMod::TTextFile::Properties), staged.Properties);
    mod.SelectDatabase(true);

    QElapsedTimer timer;
    TTimes kiv;
    double cpu = CpuMs(RUSAGE_SELF);
    timer.start();
    mod.UpdateDatabase();
    kiv.Wall = timer.nsecsElapsed() / 1e6;
    kiv.Cpu = CpuMs(RUSAGE_SELF) - cpu;
    mod.SelectDatabase(false);

    const QString refDb = reference.filePath(TDataMod::DatabaseFileName);
    WriteBytes(reference.filePath("faults.csv"), staged.FaultsCsv);
    WriteBytes(reference.filePath("props.csv"), staged.PropertiesCsv);
    QProcess sqlite;
    sqlite.setWorkingDirectory(reference.path());
    TTimes reference3;
    cpu = CpuMs(RUSAGE_CHILDREN);
    timer.restart();
    sqlite.start(QStringLiteral("sqlite3"), {refDb, QStringLiteral(".mode csv"), QStringLiteral(".import faults.csv FAULTS_ID"),
                                             QStringLiteral(".import props.csv EncoderPropertyID")});
    if (!sqlite.waitForFinished(600000) || sqlite.exitCode() != 0)
        throw Exception(QStringLiteral("sqlite3 failed: %1").arg(QString::fromLocal8Bit(sqlite.readAllStandardError())));
    reference3.Wall = timer.nsecsElapsed() / 1e6;
    reference3.Cpu = CpuMs(RUSAGE_CHILDREN) - cpu;

    const QString remoteDb = remote.filePath(TDataMod::DatabaseFileName);
    for (const QString& db : {remoteDb, refDb})
        if (RowCount(db, QStringLiteral("FAULTS_ID")) != faults
            || RowCount(db, QStringLiteral("EncoderPropertyID")) != properties)
            throw Exception(QStringLiteral("%1 does not hold every row").arg(db));
    return {kiv, reference3};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int readings = args.size() > 1 ? args[1].toInt() : 10000;
    const int encoders = args.size() > 2 ? args[2].toInt() : 100;
    try {
        const TStaged staged = MakeReadings(readings, std::max(1, encoders));
        std::printf("%d readings of %d encoders: %lld fault rows, %d property rows; best of %d runs\n", readings,
                    encoders, qint64(readings) * FaultsPerReading, readings, Runs);
        ReportBestOf(Runs, "kiv UpdateDatabase", "sqlite3 .import", "import ratio",
                     [&] { return RunOnce(staged, qint64(readings) * FaultsPerReading, readings); });
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
