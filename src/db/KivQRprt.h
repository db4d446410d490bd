#pragma once
#include "db/uBandReport.h"
#include "db/uDbCursor.h"
#include <QDateTime>
#include <QString>
#include <functional>

class QWidget;
class TDataMod;

// The printed report over the snapshot database: a line per encoder, each followed by that
// encoder's saved fault rows, with the selected database named in every page footer. The form is
// never shown itself; the viewer previews its report.
class TQRMDForm {
public:
    explicit TQRMDForm(TDataMod& dataMod);

    TBandReport QuickRep1;
    // The time a report is printed at, and where the preview's PDF goes (empty: not saved).
    std::function<QDateTime()> Clock;
    std::function<QString()> AskPdfPath;

    // The report as printed now, every page at once (for small reports and for examining them).
    // After every run through the encoders the master cursor returns to the encoder it stood on.
    TReportLayout Prepare(const TReportRange& range = {});
    // Streams the pages into a PDF file, laying each out just before it is written.
    bool ExportPdf(const QString& path, const TReportRange& range = {});
    // The report engine's modal preview of the range, from which the user prints or saves a PDF file.
    void Preview(QWidget* parent, const TReportRange& range = {});

    void QuickRep1BeforePrint();

private:
    TDataMod& DataMod;
    TDbCursor::TBookmark StoodOn;
};
