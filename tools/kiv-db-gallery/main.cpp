// kiv-db-gallery viewer|search|history|range|report [PDF]: the database viewer connected to a made-up
// remote database of four encoders, standing on one with faults in its grid; or the viewer's search
// dialog over the same aliases; or that encoder's fault history; or the print dialog's choice of
// encoders and pages; or the report of the same database written to PDF (default report.pdf).
// Windows stand at the top left of the screen so scripts/screenshot can take them.
#include "db/FmxUtils.h"
#include "db/KivQRprt.h"
#include "db/fDbSrch.h"
#include "db/fFaultHistory.h"
#include "db/fReportRange.h"
#include "db/fKivDB.h"
#include "db/uKivDataMod.h"
#include "platform/Dialogs.h"
#include "settings/uLangIniFile.h"
#include <QApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {

// Four encoders, two readings of the press and one of each other; the fan was saved without faults.
const char* const Seed[] = {
    "INSERT INTO ENCODER_ID VALUES('20417','405123-07','2.1','1.3'),('20533','405123-07','2.1','1.3'),"
    "('31002','405311-02','2.3','1.5'),('31877','405118-01','1.9','1.2')",
    "INSERT INTO AliasTab VALUES('Press 7','20417'),('Valsverk 2','20533'),('Hiss A','31002'),('Fläkt 3','31877')",
    "INSERT INTO EncoderPropertyID VALUES"
    "('20417','19120','41','7000','2048 ppr','69','-18','2025-02-11 09:42:05'),"
    "('20417','19876','43','7500','2048 ppr','71','-18','2025-03-04 14:03:51'),"
    "('20533','8811','37','4000','2048 ppr','58','-6','2025-03-03 10:15:20'),"
    "('31002','30502','29','2500','1024 ppr','48','2','2025-03-01 07:58:44'),"
    "('31877','1203','25','1500','512 ppr','31','11','2025-02-27 16:20:09')",
    "INSERT INTO FAULTS_ID VALUES"
    "('20417','47','19793','08','9500','50','2025-03-04 14:03:51'),"
    "('20417','46','19611','31','7000','53','2025-03-04 14:03:51'),"
    "('20417','45','19437','04','17500','56','2025-03-04 14:03:51'),"
    "('20417','44','19258','80','8000','-7','2025-03-04 14:03:51'),"
    "('20417','43','19087','10','19000','62','2025-03-04 14:03:51'),"
    "('20417','42','18911','20','13000','65','2025-02-11 09:42:05'),"
    "('20417','41','18741','C0','4500','68','2025-02-11 09:42:05'),"
    "('20417','40','18566','0C','7500','-4','2025-02-11 09:42:05'),"
    "('20533','12','8790','30','4000','37','2025-03-03 10:15:20'),"
    "('20533','11','8402','08','3500','35','2025-03-03 10:15:20'),"
    "('31002','3','30477','04','2500','29','2025-03-01 07:58:44'),"
    "('31877','0',NULL,'OK',NULL,NULL,'2025-02-27 16:20:09')",
};

void Fill(const QString& path)
{
    const QString name = QStringLiteral("gallery-fill");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            throw Exception(db.lastError().text());
        for (const char* sql : Seed) {
            QSqlQuery q(db);
            if (!q.exec(QString::fromUtf8(sql)))
                throw Exception(q.lastError().text());
        }
    }
    QSqlDatabase::removeDatabase(name);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("viewer");
    QTemporaryDir program, remote;
    TStderrDialogs dialogs;
    try {
        TDataMod mod(program.path(), dialogs);
        mod.RemoteDir = [&remote] { return remote.path(); };
        CopyDataFile(mod.LocalDatabasePath(), remote.path());
        Fill(remote.filePath(TDataMod::DatabaseFileName));

        TKivDBViewFrm viewer(mod, dialogs);
        TLangIniFile lang(program.path(), TLangIniFile::DefaultLanguage());
        viewer.UpdateLanguage(&lang);
        viewer.FormShow();
        mod.LocateEncoder(QStringLiteral("20417"));
        mod.LocateSnapshot(QStringLiteral("2025-03-04 14:03:51"));

        if (mode == QLatin1String("report")) {
            const QString pdf = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("report.pdf");
            TQRMDForm& report = viewer.QRMDForm();
            report.Clock = [] { return QDateTime(QDate(2025, 3, 4), QTime(15, 30, 0)); };
            TBandReport::ExportPdf(report.Prepare(), pdf);
            std::printf("kiv-db-gallery: %s written\n", qPrintable(pdf));
            return 0;
        }
        if (mode == QLatin1String("search")) {
            TSrchFrm& search = viewer.SrchFrm();
            search.SetQuery([&mod] { return mod.EncAliasQry(); });
            search.FormShow();
            search.move(0, 0);
            search.show();
        } else if (mode == QLatin1String("history")) {
            TFaultHistoryFrm& history = viewer.FaultHistory();
            history.move(0, 0);
            history.resize(820, 620);
            history.ShowHistory();
        } else if (mode == QLatin1String("range")) {
            TReportRangeFrm& range = viewer.ReportRangeFrm();
            const int serial = mod.EncoderIDTab.ColumnIndex(QStringLiteral("SerialNr"));
            range.SetEncoders(mod.EncoderIDTab.RecordCount(),
                              [&mod, serial](int row) { return mod.EncoderIDTab.Value(row, serial).toString(); });
            range.move(0, 0);
            range.show();
        } else {
            viewer.move(0, 0);
            viewer.show();
        }
        std::printf("kiv-db-gallery: %s shown\n", qPrintable(mode));
        std::fflush(stdout);
        return app.exec();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
