#pragma once
#include "db/uBandReport.h"
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

    // The report as printed now. The master cursor returns to the encoder it stood on.
    TReportLayout Prepare();
    // The report engine's modal preview, from which the user prints or saves a PDF file.
    void Preview(QWidget* parent);

    void QuickRep1BeforePrint();

private:
    TDataMod& DataMod;
};
