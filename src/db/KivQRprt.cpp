#include "db/KivQRprt.h"
#include "db/uKivDataMod.h"
#include <QFileDialog>

namespace {

const QColor Navy(0x00, 0x00, 0x80);

TReportFont Font(const char* family, double points, bool bold, const QColor& color)
{
    return {QString::fromLatin1(family), points, bold, color};
}

} // namespace

TQRMDForm::TQRMDForm(TDataMod& dataMod) : DataMod(dataMod)
{
    Clock = [] { return QDateTime::currentDateTime(); };
    AskPdfPath = [] {
        return QFileDialog::getSaveFileName(nullptr, QStringLiteral("Save as PDF"), QStringLiteral("KivReport.pdf"),
                                            QStringLiteral("PDF (*.pdf)"));
    };

    TBandReport& r = QuickRep1;
    r.PaperSize = {210, 297};
    r.Margins = {12.7, 12.7, 12.7, 12.7};

    r.TitleBand = {QStringLiteral("TitleBand1"), 10.6, Qt::white, false, {}};
    r.TitleBand.AddText(QStringLiteral("QRSysData1"), 0, Font("Arial", 18, false, Qt::black),
                        TReportTextKind::ReportTitle, QStringLiteral("Kiv Report"));

    r.ColumnHeaderBand = {QStringLiteral("ColumnHeaderBand1"), 6.1, Navy, true, {}};
    const TReportFont header = Font("Arial", 10, true, Qt::white);
    const std::pair<double, const char*> titles[] = {{4.8, "Serialnumber"}, {33.9, "Index"},
                                                     {46.3, "Op Time"},     {65.6, "Fault Status"},
                                                     {90.5, "Frequency"},   {116.4, "Temp"},
                                                     {139.4, "Date/Time Saved"}};
    int n = 2;
    for (const auto& [left, text] : titles)
        r.ColumnHeaderBand.AddText(QStringLiteral("QRLabel%1").arg(n++), left, header, TReportTextKind::Label,
                                   QString::fromLatin1(text));

    r.DetailBand = {QStringLiteral("DetailBand1"), 6.9, Qt::white, false, {}};
    r.DetailBand.AddText(QStringLiteral("qrdbSerienr"), 8.5, Font("Times New Roman", 12, true, Navy),
                         TReportTextKind::Field)
        .Field = [this] { return DataMod.EncoderIDTab.FieldText(QStringLiteral("SerialNr")); };

    r.SubDetailBand = {QStringLiteral("QRSubDetail1"), 6.6, Qt::yellow, false, {}};
    const TReportFont fault = Font("Times New Roman", 12, true, Qt::black);
    const std::pair<double, const char*> columns[] = {{36.0, "FaultIndex"},     {50.8, "FaultOpTime"},
                                                      {72.0, "FaultStatus"},    {93.1, "FaultFrequency"},
                                                      {118.5, "FaultTemp"},     {139.7, "DateSaved"}};
    for (const auto& [left, column] : columns) {
        const QString name = QString::fromLatin1(column);
        r.SubDetailBand.AddText(QStringLiteral("qrdb") + name, left, fault, TReportTextKind::Field).Field =
            [this, name] { return DataMod.FaultsIDTable.FieldText(name); };
    }

    r.PageFooterBand = {QStringLiteral("PageFooterBand1"), 6.6, Qt::white, false, {}};
    const TReportFont footer = Font("Arial", 8, false, Qt::black);
    r.PageFooterBand.AddText(QStringLiteral("QRLabel9"), 6.3, footer, TReportTextKind::Label, QStringLiteral("Printed:"));
    r.PageFooterBand.AddText(QStringLiteral("QRSysData2"), 16.9, footer, TReportTextKind::PrintTime);
    r.PageFooterBand.AddText(QStringLiteral("QRLabel1"), 89.2, footer);

    r.Master = TReportRows::Of(DataMod.EncoderIDTab);
    r.SubDetail = TReportRows::Of(DataMod.FaultsIDTable);
    r.BeforePrint = [this] {
        StoodOn = DataMod.EncoderIDTab.GetBookmark();
        QuickRep1BeforePrint();
    };
    r.AfterPrint = [this] {
        if (StoodOn.RowId >= 0)
            DataMod.EncoderIDTab.GotoBookmark(StoodOn);
    };
}

void TQRMDForm::QuickRep1BeforePrint()
{
    QuickRep1.PageFooterBand.FindText(QStringLiteral("QRLabel1"))->Text = DataMod.DataSourceText();
}

TReportLayout TQRMDForm::Prepare(const TReportRange& range)
{
    return QuickRep1.Layout(Clock(), range);
}

bool TQRMDForm::ExportPdf(const QString& path, const TReportRange& range)
{
    return QuickRep1.ExportPdf(Clock(), path, range);
}

void TQRMDForm::Preview(QWidget* parent, const TReportRange& range)
{
    QuickRep1.Preview(Clock(), range, parent, AskPdfPath);
}
