// Report benchmark: a database of many encoders with their fault rows; times the report's layout
// and its PDF export, and the database viewer's opening (connect and update) on a larger database.
//
// Usage: kiv-bench-report [encoders] [viewer encoders]   (defaults 1000 and 10000; 13 faults each)
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
        std::printf("run %d: layout %.1f ms, PDF export %.1f ms\n", run + 1, layoutMs, pdfMs);
        best.Layout = std::min(best.Layout, layoutMs);
        best.Pdf = std::min(best.Pdf, pdfMs);
        best.Pages = layout.Pages.size();
        best.Bytes = QFileInfo(pdf).size();
    }
    return best;
}

double TimeViewerOpening(int encoders)
{
    QTemporaryDir program, remote;
    TStderrDialogs dialogs;
    TDataMod mod(program.path(), dialogs);
    mod.RemoteDir = [&remote] { return remote.path(); };
    CopyDataFile(mod.LocalDatabasePath(), remote.path());
    Fill(remote.filePath(TDataMod::DatabaseFileName), encoders);
    TKivDBViewFrm viewer(mod, dialogs);
    TLangIniFile lang(program.path(), TLangIniFile::DefaultLanguage());
    viewer.UpdateLanguage(&lang);
    double best = 1e300;
    for (int run = 0; run < Runs; ++run) {
        QElapsedTimer t;
        t.start();
        viewer.FormShow();
        best = std::min(best, Ms(t));
        if (!mod.Remote())
            throw Exception(QStringLiteral("the viewer did not connect"));
        viewer.FormClose();
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int encoders = args.size() > 1 ? args[1].toInt() : 1000;
    const int viewerEncoders = args.size() > 2 ? args[2].toInt() : 10000;
    try {
        std::printf("report of %d encoders with %d fault rows each; best of %d runs\n", encoders, FaultsPerEncoder,
                    Runs);
        const TReportTimes report = TimeReport(encoders);
        std::printf("%zu pages, PDF %lld bytes\n", report.Pages, report.Bytes);
        const double opening = TimeViewerOpening(viewerEncoders);
        std::printf("viewer opening (connect and update) on %d encoders: %.1f ms\n", viewerEncoders, opening);
        std::printf("report layout: %.1f ms\n", report.Layout);
        std::printf("report seconds: %.2f\n", report.Pdf / 1e3);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
