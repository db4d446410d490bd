// Server import benchmark: stages many saved readings in a temporary DB folder and carries them
// into an empty database on a PostgreSQL server the way an update does (read and parse the staged
// files, connect, one transaction, the bulk inserter); for reference, loads the same rows into
// another empty database with psql's \copy.
//
// Usage: kiv-bench-pg-import PORT [readings] [encoders]   (a server on 127.0.0.1 where the role
// postgres may log in without a password, as scripts/pg-server starts one; defaults 10000 and 100)
#include "StagedReadings.h"
#include "db/DbError.h"
#include "db/uPgBulkInsert.h"
#include "db/uPgServer.h"
#include "db/FmxUtils.h"
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int Runs = 5;
const QString FaultColumns = QStringLiteral("Serialnr,FaultIndex,FaultStatus,FaultFrequency,FaultOpTime,FaultTemp,DateSaved");
const QString PropertyColumns = QStringLiteral("SerialNr,LineCounts,ActualOpTime,ActualTemp,ActualFrequency,MaxTemp,MinTemp,DateTaken");
// The CSV rows are in the tables' own column order.
const QString FaultCsvColumns = QStringLiteral("Serialnr,FaultIndex,FaultOpTime,FaultStatus,FaultFrequency,FaultTemp,DateSaved");
const QString PropertyCsvColumns = QStringLiteral("SerialNr,ActualOpTime,ActualTemp,ActualFrequency,LineCounts,MaxTemp,MinTemp,DateTaken");

int Port = 0;

QString Uri(const QString& database)
{
    return QStringLiteral("postgresql://postgres@127.0.0.1:%1/%2").arg(Port).arg(database);
}

// Runs statements on one database of the server; returns the first value of the last one.
QString Run(const QString& database, const QStringList& statements)
{
    const QString name = QStringLiteral("bench-admin");
    QString value;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(PgServer::DriverName, name);
        PgServer::Configure(db, ParseRemoteLocation(Uri(database)));
        if (!db.open())
            throw EDatabaseError(db.lastError().text());
        QSqlQuery q(db);
        for (const QString& s : statements)
            if (!q.exec(s))
                throw EDatabaseError(s + QStringLiteral(": ") + q.lastError().text());
        if (q.next())
            value = q.value(0).toString();
    }
    QSqlDatabase::removeDatabase(name);
    return value;
}

void FreshDatabase(const QString& database)
{
    Run(QStringLiteral("postgres"), {QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database),
                                     QStringLiteral("CREATE DATABASE %1").arg(database)});
    const QString name = QStringLiteral("bench-schema");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(PgServer::DriverName, name);
        const TRemoteLocation location = ParseRemoteLocation(Uri(database));
        PgServer::Configure(db, location);
        if (!db.open())
            throw EDatabaseError(db.lastError().text());
        PgServer::CreateSchema(db, location);
    }
    QSqlDatabase::removeDatabase(name);
}

void ImportFile(const QSqlDatabase& db, const QString& path, const QString& table, const QString& columns)
{
    const QStringList lines = ReadTextLines(path);
    const QStringList names = columns.split(QLatin1Char(','));
    TPgBulkInserter inserter(db, table, names, path);
    TStagedValues values;
    QString reason;
    for (qsizetype n = 1; n < lines.size(); ++n) {
        if (!ParseStagedLine(lines[n], names.size(), values, reason))
            throw Exception(QStringLiteral("%1, line %2: %3").arg(path).arg(n + 1).arg(reason));
        inserter.Add(values, n + 1);
    }
    inserter.Finish();
}

// Kiv's side, from the staged files on disk to the committed rows.
void ImportKiv(const QString& database, const QString& folder)
{
    const QString name = QStringLiteral("bench-kiv");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(PgServer::DriverName, name);
        PgServer::Configure(db, ParseRemoteLocation(Uri(database)));
        if (!db.open() || !db.transaction())
            throw EDatabaseError(db.lastError().text());
        ImportFile(db, folder + QStringLiteral("/FAULTS_ID.TXT"), QStringLiteral("FAULTS_ID"), FaultColumns);
        ImportFile(db, folder + QStringLiteral("/ENCPROPID.TXT"), QStringLiteral("EncoderPropertyID"), PropertyColumns);
        if (!db.commit())
            throw EDatabaseError(db.lastError().text());
    }
    QSqlDatabase::removeDatabase(name);
}

void WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw EFileError(QStringLiteral("Cannot write file %1").arg(path));
}

std::pair<TTimes, TTimes> RunOnce(const TStaged& staged, qint64 faults, qint64 properties)
{
    QTemporaryDir folder;
    WriteTextLines(folder.filePath(QStringLiteral("FAULTS_ID.TXT")), staged.Faults);
    WriteTextLines(folder.filePath(QStringLiteral("ENCPROPID.TXT")), staged.Properties);
    WriteBytes(folder.filePath(QStringLiteral("faults.csv")), staged.FaultsCsv);
    WriteBytes(folder.filePath(QStringLiteral("props.csv")), staged.PropertiesCsv);
    FreshDatabase(QStringLiteral("bench_kiv"));
    FreshDatabase(QStringLiteral("bench_psql"));

    QElapsedTimer timer;
    TTimes kiv;
    double cpu = CpuMs(RUSAGE_SELF);
    timer.start();
    ImportKiv(QStringLiteral("bench_kiv"), folder.path());
    kiv.Wall = timer.nsecsElapsed() / 1e6;
    kiv.Cpu = CpuMs(RUSAGE_SELF) - cpu;

    QProcess psql;
    psql.setWorkingDirectory(folder.path());
    TTimes ref;
    cpu = CpuMs(RUSAGE_CHILDREN);
    timer.restart();
    psql.start(QStringLiteral("psql"),
               {QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                QStringLiteral("-1"), QStringLiteral("-d"), Uri(QStringLiteral("bench_psql")), QStringLiteral("-c"),
                QStringLiteral("\\copy FAULTS_ID(%1) from 'faults.csv' with (format csv)").arg(FaultCsvColumns),
                QStringLiteral("-c"),
                QStringLiteral("\\copy EncoderPropertyID(%1) from 'props.csv' with (format csv)").arg(PropertyCsvColumns)});
    if (!psql.waitForFinished(600000) || psql.exitCode() != 0)
        throw Exception(QStringLiteral("psql failed: %1").arg(QString::fromLocal8Bit(psql.readAllStandardError())));
    ref.Wall = timer.nsecsElapsed() / 1e6;
    ref.Cpu = CpuMs(RUSAGE_CHILDREN) - cpu;

    for (const QString& db : {QStringLiteral("bench_kiv"), QStringLiteral("bench_psql")})
        if (Run(db, {QStringLiteral("SELECT count(*) FROM FAULTS_ID")}).toLongLong() != faults
            || Run(db, {QStringLiteral("SELECT count(*) FROM EncoderPropertyID")}).toLongLong() != properties)
            throw Exception(QStringLiteral("%1 does not hold every row").arg(db));
    return {kiv, ref};
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: kiv-bench-pg-import PORT [readings] [encoders]\n");
        return 2;
    }
    Port = args[1].toInt();
    const int readings = args.size() > 2 ? args[2].toInt() : 10000;
    const int encoders = args.size() > 3 ? args[3].toInt() : 100;
    try {
        const TStaged staged = MakeReadings(readings, std::max(1, encoders));
        std::printf("%d readings of %d encoders: %lld fault rows, %d property rows; best of %d runs\n", readings,
                    encoders, qint64(readings) * FaultsPerReading, readings, Runs);
        ReportBestOf(Runs, "kiv server import", "psql \\copy", "pg import ratio",
                     [&] { return RunOnce(staged, qint64(readings) * FaultsPerReading, readings); });
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
