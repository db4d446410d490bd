// Import benchmark: stages many saved readings in the DB folder of a temporary program folder,
// carries them into an empty remote database with UpdateDatabase, and loads the same rows into
// another empty copy with the sqlite3 command-line tool's CSV import, for reference.
//
// Usage: kiv-bench-import [readings] [encoders]   (defaults 10000 and 100)
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

constexpr int FaultsPerReading = 13;
constexpr int Runs = 5;

// Processor time (user and system) of this process or of its finished children, in milliseconds.
double CpuMs(int who)
{
    rusage u{};
    getrusage(who, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

struct TTimes {
    double Wall = 0;
    double Cpu = 0;
};

struct TStaged {
    QStringList Faults;     // staged lines, header first
    QStringList Properties;
    QByteArray FaultsCsv;   // the same rows in the tables' column order
    QByteArray PropertiesCsv;
};

QByteArray CsvLine(const QStringList& values)
{
    QStringList quoted;
    for (const QString& v : values)
        quoted << QLatin1Char('"') + v + QLatin1Char('"');
    return quoted.join(QLatin1Char(',')).toLatin1() + "\r\n";
}

TStaged MakeReadings(int readings, int encoders)
{
    TStaged s;
    s.Faults << QStringLiteral("Serialnr;FaultIndex;FaultStatus;Frequency;Optime;Temp;DateSaved");
    s.Properties << QStringLiteral("Serialnr;UnitsPerRev;OpTime;Temp;Frequency;MaxTemp;MinTemp;DateTaken");
    const QDateTime start(QDate(2025, 1, 1), QTime(8, 0, 0));
    for (int r = 0; r < readings; ++r) {
        const QString serial = QString::number(4000000 + r % encoders);
        const QString date = start.addSecs(r).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        const QString opTime = QString::number(1000 + r);
        for (int f = 0; f < FaultsPerReading; ++f) {
            const QString index = QString::number(FaultsPerReading - f);
            const QString status = QStringLiteral("0C");
            const QString freq = QString::number(500 * (f + 1));
            const QString faultOpTime = QString::number(900 + r - f);
            const QString temp = QString::number(20 + f);
            s.Faults << FormatStagedLine({serial, index, status, freq, faultOpTime, temp, date});
            s.FaultsCsv += CsvLine({serial, index, faultOpTime, status, freq, temp, date});
        }
        const QString units = QStringLiteral("2048 ppr"), temp = QStringLiteral("23 C"), freq = QStringLiteral("1500 Hz"),
                      maxTemp = QStringLiteral("45 C"), minTemp = QStringLiteral("-12 C");
        s.Properties << FormatStagedLine({serial, units, opTime, temp, freq, maxTemp, minTemp, date});
        s.PropertiesCsv += CsvLine({serial, opTime, temp, freq, units, maxTemp, minTemp, date});
    }
    return s;
}

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
        TTimes kiv{1e300, 1e300}, ref{1e300, 1e300};
        for (int i = 0; i < Runs; ++i) {
            const auto [k, r] = RunOnce(staged, qint64(readings) * FaultsPerReading, readings);
            std::printf("run %d: kiv %.1f ms (processor %.1f ms), sqlite3 %.1f ms (processor %.1f ms)\n", i + 1,
                        k.Wall, k.Cpu, r.Wall, r.Cpu);
            kiv = {std::min(kiv.Wall, k.Wall), std::min(kiv.Cpu, k.Cpu)};
            ref = {std::min(ref.Wall, r.Wall), std::min(ref.Cpu, r.Cpu)};
        }
        std::printf("kiv UpdateDatabase: %.1f ms elapsed, %.1f ms processor\n", kiv.Wall, kiv.Cpu);
        std::printf("sqlite3 .import: %.1f ms elapsed, %.1f ms processor\n", ref.Wall, ref.Cpu);
        std::printf("processor ratio: %.2f\n", kiv.Cpu / ref.Cpu);
        std::printf("import ratio: %.2f\n", kiv.Wall / ref.Wall);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
