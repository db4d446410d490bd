// Report benchmark: a database of many encoders with their fault rows; times the report's layout
// and its PDF export, and the database viewer's opening (connect and update) on a larger database.
// Then a fleet's history: the peak memory of the report's PDF export over many readings of many
// encoders (in a process of its own, so that nothing else counts), and the viewer's opening on
// many readings of one encoder.
//
// Usage: kiv-bench-report [encoders] [viewer encoders] [history readings] [history encoders]
//        (defaults 1000, 10000, 100000 and 1000; 13 faults per reading)
#include "db/FmxUtils.h"
#include "db/KivQRprt.h"
#include "db/fKivDB.h"
#include "db/uKivDataMod.h"
#include "platform/Dialogs.h"
#include "settings/uLangIniFile.h"
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

namespace {

constexpr int FaultsPerEncoder = 13;
constexpr int Runs = 3;

void Exec(QSqlQuery& q, const QString& sql)
{
    if (!q.exec(sql))
        throw Exception(q.lastError().text());
}

// Fills a database file with encoders, each with an alias, one reading and its fault rows.
void Fill(const QString& path, int encoders)
{
    const QString name = QStringLiteral("bench-fill");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            throw Exception(db.lastError().text());
        QSqlQuery q(db);
        Exec(q, QStringLiteral("BEGIN"));
        const QString date = QStringLiteral("2025-03-04 10:11:12");
        for (int e = 0; e < encoders; ++e) {
            const QString s = QString::number(4000000 + e);
            Exec(q, QStringLiteral("INSERT INTO ENCODER_ID VALUES('%1','405123-07','2.1','1.3')").arg(s));
            Exec(q, QStringLiteral("INSERT INTO AliasTab VALUES('Press %1','%1')").arg(s));
            Exec(q, QStringLiteral("INSERT INTO EncoderPropertyID VALUES('%1','1234','23','1500','2048','45','-12','%2')")
                        .arg(s, date));
            QStringList rows;
            for (int f = 0; f < FaultsPerEncoder; ++f)
                rows << QStringLiteral("('%1','%2','%3','0C','%4','%5','%6')")
                            .arg(s)
                            .arg(FaultsPerEncoder - f)
                            .arg(900 + e - f)
                            .arg(500 * (f + 1))
                            .arg(20 + f)
                            .arg(date);
            Exec(q, QStringLiteral("INSERT INTO FAULTS_ID VALUES") + rows.join(QLatin1Char(',')));
        }
        Exec(q, QStringLiteral("COMMIT"));
    }
    QSqlDatabase::removeDatabase(name);
}

// Fills a database file with a history: readings spread evenly over encoders, saved in rounds
// across the fleet as stations would save them (reading r belongs to encoder r % encoders and was
// taken r minutes after the first), each reading with its property row and 13 fault rows.
void FillHistory(const QString& path, int readings, int encoders)
{
    const QString name = QStringLiteral("bench-history");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            throw Exception(db.lastError().text());
        QSqlQuery q(db);
        auto numbers = [](int count) {
            return QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i+1 FROM n WHERE i < %1) ")
                .arg(count - 1);
        };
        const QString e = QString::number(encoders);
        const QString f = QString::number(FaultsPerEncoder);
        Exec(q, QStringLiteral("BEGIN"));
        Exec(q, numbers(encoders) + QStringLiteral("INSERT INTO ENCODER_ID SELECT 5000000+i,'405123-07','2.1','1.3' FROM n"));
        Exec(q, numbers(encoders) + QStringLiteral("INSERT INTO AliasTab SELECT 'Press '||(5000000+i),5000000+i FROM n"));
        Exec(q, numbers(readings)
                    + QStringLiteral("INSERT INTO EncoderPropertyID SELECT 5000000+i%%1,1000+i,'23','1500','2048','45','-12',"
                                     "strftime('%Y-%m-%d %H:%M:%S','2020-01-01','+'||i||' minutes') FROM n")
                          .arg(e));
        Exec(q, numbers(readings * FaultsPerEncoder)
                    + QStringLiteral("INSERT INTO FAULTS_ID SELECT 5000000+(i/%2)%%1,%2-i%%2,900+i/%2,'0C',500*(1+i%%2),"
                                     "20+i%%2,strftime('%Y-%m-%d %H:%M:%S','2020-01-01','+'||(i/%2)||' minutes') FROM n")
                          .arg(e, f));
        Exec(q, QStringLiteral("COMMIT"));
    }
    QSqlDatabase::removeDatabase(name);
}

double Ms(const QElapsedTimer& t)
{
    return t.nsecsElapsed() / 1e6;
}

struct TReportTimes {
    double Layout = 1e300;
    double Pdf = 1e300;
    size_t Pages = 0;
    qint64 Bytes = 0;
};

TReportTimes TimeReport(int encoders)
{
    QTemporaryDir program;
    TStderrDialogs dialogs;
    TDataMod mod(program.path(), dialogs);
    Fill(mod.LocalDatabasePath(), encoders);
    mod.Reconnect();
    TQRMDForm report(mod);
    TReportTimes best;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer t;
        t.start();
        const TReportLayout layout = report.Prepare();
        const double layoutMs = Ms(t);
        const QString pdf = program.filePath(QStringLiteral("report.pdf"));
        t.restart();
        TBandReport::ExportPdf(layout, pdf);
        const double pdfMs = Ms(t);
        t.restart();
        report.ExportPdf(pdf);
        const double streamedMs = Ms(t);
        std::printf("run %d: layout %.1f ms, PDF export %.1f ms; streamed layout and export %.1f ms\n", run + 1,
                    layoutMs, pdfMs, streamedMs);
        best.Layout = std::min(best.Layout, layoutMs);
        best.Pdf = std::min(best.Pdf, pdfMs);
        best.Pages = layout.Pages.size();
        best.Bytes = QFileInfo(pdf).size();
    }
    return best;
}

// The viewer's opening on the remote database that fill makes: connecting and the update that
// follows, and with paint until its window with the grid is painted too. Best of a few runs.
double TimeViewerOpening(const std::function<void(const QString&)>& fill, bool paint, const char* label,
                         int expectedFaults = -1)
{
    QTemporaryDir program, remote;
    TStderrDialogs dialogs;
    TDataMod mod(program.path(), dialogs);
    mod.RemoteDir = [&remote] { return remote.path(); };
    CopyDataFile(mod.LocalDatabasePath(), remote.path());
    fill(remote.filePath(TDataMod::DatabaseFileName));
    TKivDBViewFrm viewer(mod, dialogs);
    TLangIniFile lang(program.path(), TLangIniFile::DefaultLanguage());
    viewer.UpdateLanguage(&lang);
    double best = 1e300;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer t;
        t.start();
        viewer.FormShow();
        if (paint) {
            viewer.show();
            viewer.grab(); // lays out and paints the window with its grid
            QCoreApplication::processEvents();
        }
        const double ms = Ms(t);
        std::printf("%s run %d: %.1f ms\n", label, run + 1, ms);
        best = std::min(best, ms);
        if (!mod.Remote() || (expectedFaults >= 0 && mod.FaultsIDTable.RecordCount() != expectedFaults))
            throw Exception(QStringLiteral("the viewer did not show the database"));
        viewer.hide();
        viewer.FormClose();
    }
    return best;
}

// The child's part: the report of the history in programDir's local database, exported as a PDF.
int RunHistoryReport(const QString& programDir)
{
    TStderrDialogs dialogs;
    TDataMod mod(programDir, dialogs);
    TQRMDForm report(mod);
    QElapsedTimer t;
    t.start();
    const QString pdf = programDir + QStringLiteral("/history.pdf");
    report.ExportPdf(pdf);
    std::printf("history report: PDF export (layout streamed) %.1f s, PDF %lld bytes\n", Ms(t) / 1e3,
                QFileInfo(pdf).size());
    std::fflush(stdout);
    return 0;
}

// Peak resident memory in MB of the history report, run in a process of its own.
double HistoryReportPeakMb(const QString& program, const QString& programDir)
{
    const QByteArray exe = program.toLocal8Bit();
    const QByteArray dir = programDir.toLocal8Bit();
    char* args[] = {const_cast<char*>(exe.constData()), const_cast<char*>("--history-report"),
                    const_cast<char*>(dir.constData()), nullptr};
    std::fflush(stdout); // the child's lines come after what was printed so far
    pid_t pid = 0;
    if (posix_spawn(&pid, exe.constData(), nullptr, nullptr, args, environ) != 0)
        throw Exception(QStringLiteral("cannot start %1").arg(program));
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw Exception(QStringLiteral("the history report failed"));
    return usage.ru_maxrss / 1024.0; // kilobytes on Linux
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() > 2 && args[1] == QStringLiteral("--history-report")) {
        try {
            return RunHistoryReport(args[2]);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
    }
    const int encoders = args.size() > 1 ? args[1].toInt() : 1000;
    const int viewerEncoders = args.size() > 2 ? args[2].toInt() : 10000;
    const int historyReadings = args.size() > 3 ? args[3].toInt() : 100000;
    const int historyEncoders = args.size() > 4 ? args[4].toInt() : 1000;
    try {
        std::printf("report of %d encoders with %d fault rows each; best of %d runs\n", encoders, FaultsPerEncoder,
                    Runs);
        const TReportTimes report = TimeReport(encoders);
        std::printf("%zu pages, PDF %lld bytes\n", report.Pages, report.Bytes);
        const double opening = TimeViewerOpening([viewerEncoders](const QString& path) { Fill(path, viewerEncoders); },
                                                 false, "viewer opening");
        std::printf("viewer opening (connect and update) on %d encoders: %.1f ms\n", viewerEncoders, opening);

        std::printf("history: %d readings over %d encoders, %d fault rows\n", historyReadings, historyEncoders,
                    historyReadings * FaultsPerEncoder);
        {
            QTemporaryDir program;
            TStderrDialogs dialogs;
            { TDataMod created(program.path(), dialogs); } // the local database with its tables
            FillHistory(program.filePath(QStringLiteral("DB/") + TDataMod::DatabaseFileName), historyReadings,
                        historyEncoders);
            const double peak = HistoryReportPeakMb(app.applicationFilePath(), program.path());
            std::printf("report peak MB: %.0f\n", peak);
        }
        std::printf("history: %d readings of one encoder\n", historyReadings);
        const double oneEncoder = TimeViewerOpening(
            [historyReadings](const QString& path) { FillHistory(path, historyReadings, 1); }, true,
            "viewer one-encoder (connect, update, paint)", historyReadings * FaultsPerEncoder);
        std::printf("viewer one-encoder seconds: %.2f\n", oneEncoder / 1e3);
        std::printf("report layout: %.1f ms\n", report.Layout);
        std::printf("report seconds: %.2f\n", report.Pdf / 1e3);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
