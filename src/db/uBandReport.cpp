#include "db/uBandReport.h"
#include "platform/Exception.h"
#include <QAction>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSaveFile>
#include <QToolBar>
#include <algorithm>

namespace {

constexpr double MmPerInch = 25.4;
constexpr double FrameWidthMm = 0.25;
constexpr double TextIndentMm = 0.4;

QPageLayout PaperLayout(const QSizeF& paperMm)
{
    // The pages carry their own margins, so the device's are zero and its origin is the paper's corner.
    return QPageLayout(QPageSize(paperMm, QPageSize::Millimeter), QPageLayout::Portrait, QMarginsF(),
                       QPageLayout::Millimeter);
}

} // namespace

QFont TReportFont::ToQFont() const
{
    QFont font(Family);
    font.setPointSizeF(PointSize);
    font.setBold(Bold);
    return font;
}

TReportText& TReportBand::AddText(const QString& name, double left, const TReportFont& font, TReportTextKind kind,
                                  const QString& text)
{
    TReportText t;
    t.Name = name;
    t.Left = left;
    t.Font = font;
    t.Kind = kind;
    t.Text = text;
    Texts.push_back(std::move(t));
    return Texts.back();
}

TReportText* TReportBand::FindText(const QString& name)
{
    for (TReportText& t : Texts)
        if (t.Name == name)
            return &t;
    return nullptr;
}

QString TBandReport::PrintTimeText(const QDateTime& printedAt) const
{
    return Locale.toString(printedAt.date(), QLocale::ShortFormat) + QLatin1Char(' ')
           + Locale.toString(printedAt.time(), QStringLiteral("HH:mm:ss"));
}

QString TBandReport::TextOf(const TReportText& text, const QDateTime& printedAt) const
{
    switch (text.Kind) {
    case TReportTextKind::Label:
        return text.Text;
    case TReportTextKind::Field:
        return text.Text + (text.Field ? text.Field() : QString());
    case TReportTextKind::ReportTitle:
        return text.Text + Title;
    case TReportTextKind::PrintTime:
        return text.Text + PrintTimeText(printedAt);
    }
    return text.Text;
}

TPlacedBand TBandReport::Place(const TReportBand& band, double top, const QDateTime& printedAt) const
{
    TPlacedBand placed;
    placed.Name = band.Name;
    placed.Rect = QRectF(Margins.left(), top, BandWidth(), band.Height);
    placed.Color = band.Color;
    placed.Frame = band.Frame;
    for (const TReportText& text : band.Texts) {
        const double left = placed.Rect.left() + text.Left;
        placed.Texts.push_back({text.Name, QRectF(left, top, placed.Rect.right() - left, band.Height),
                                TextOf(text, printedAt), text.Font});
    }
    return placed;
}

TReportLayout TBandReport::Layout(const QDateTime& printedAt)
{
    TReportLayout layout;
    layout.Title = Title;
    layout.PaperSize = PaperSize;
    if (BeforePrint)
        BeforePrint();
    if (!Master)
        return layout;
    Master.First();
    if (Master.Eof())
        return layout;

    const double top = Margins.top();
    const double footerTop = PaperSize.height() - Margins.bottom() - PageFooterBand.Height;
    double y = top;
    double pageStart = top; // below the page's column header: a band placed there always stays
    TReportPage* page = nullptr;

    auto put = [&](const TReportBand& band) {
        if (band.Height <= 0)
            return;
        page->Bands.push_back(Place(band, y, printedAt));
        y += band.Height;
    };
    auto endPage = [&] {
        if (PageFooterBand.Height > 0)
            page->Bands.push_back(Place(PageFooterBand, footerTop, printedAt));
    };
    auto newPage = [&] {
        if (page)
            endPage();
        layout.Pages.emplace_back();
        page = &layout.Pages.back();
        y = top;
        if (layout.Pages.size() == 1)
            put(TitleBand);
        put(ColumnHeaderBand);
        pageStart = y;
    };
    auto flow = [&](const TReportBand& band) {
        // A band taller than a whole page still goes on a fresh page rather than forever onto the next.
        if (band.Height > 0 && y + band.Height > footerTop + 1e-9 && y > pageStart)
            newPage();
        put(band);
    };

    newPage();
    for (; !Master.Eof(); Master.Next()) {
        flow(DetailBand);
        if (SubDetail)
            for (SubDetail.First(); !SubDetail.Eof(); SubDetail.Next())
                flow(SubDetailBand);
    }
    endPage();
    return layout;
}

void TBandReport::Paint(const TReportLayout& layout, QPainter& painter, QPagedPaintDevice& device, int first,
                        int last)
{
    first = std::max(first, 0);
    last = std::min(last, int(layout.Pages.size()) - 1);
    const double dotsPerMm = device.logicalDpiX() / MmPerInch;
    auto toDevice = [dotsPerMm](const QRectF& mm) {
        return QRectF(mm.left() * dotsPerMm, mm.top() * dotsPerMm, mm.width() * dotsPerMm, mm.height() * dotsPerMm);
    };
    for (int p = first; p <= last; ++p) {
        if (p > first)
            device.newPage();
        for (const TPlacedBand& band : layout.Pages[p].Bands) {
            const QRectF box = toDevice(band.Rect);
            painter.fillRect(box, band.Color);
            if (band.Frame) {
                const double w = FrameWidthMm * dotsPerMm;
                painter.setPen(QPen(Qt::black, w));
                painter.setBrush(Qt::NoBrush);
                painter.drawRect(box.adjusted(w / 2, w / 2, -w / 2, -w / 2));
            }
            for (const TPlacedText& text : band.Texts) {
                painter.setFont(text.Font.ToQFont());
                painter.setPen(text.Font.Color);
                painter.drawText(toDevice(text.Rect.adjusted(TextIndentMm, 0, 0, 0)),
                                 Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip, text.Text);
            }
        }
    }
}

void TBandReport::Print(const TReportLayout& layout, QPrinter& printer)
{
    if (layout.IsEmpty())
        return;
    printer.setFullPage(true);
    printer.setPageLayout(PaperLayout(layout.PaperSize));
    int first = 0;
    int last = int(layout.Pages.size()) - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = printer.fromPage() - 1;
        last = std::min(last, printer.toPage() - 1);
    }
    if (first > last)
        return;
    QPainter painter(&printer);
    Paint(layout, painter, printer, first, last);
}

bool TBandReport::ExportPdf(const TReportLayout& layout, const QString& path)
{
    if (layout.IsEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("Cannot create file %1").arg(path));
    {
        QPdfWriter writer(&file);
        writer.setTitle(layout.Title.isEmpty() ? QStringLiteral("Kiv Report") : layout.Title);
        writer.setCreator(QStringLiteral("Kiv"));
        writer.setResolution(600);
        writer.setPageLayout(PaperLayout(layout.PaperSize));
        QPainter painter(&writer);
        Paint(layout, painter, writer, 0, int(layout.Pages.size()) - 1);
    }
    if (!file.commit())
        throw Exception(QStringLiteral("Cannot create file %1").arg(path));
    return true;
}

void TBandReport::Preview(const TReportLayout& layout, QWidget* parent, const std::function<QString()>& askPdfPath)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setPageLayout(PaperLayout(layout.PaperSize));
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(layout.Title.isEmpty() ? QStringLiteral("Kiv Report") : layout.Title);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&layout](QPrinter* target) { Print(layout, *target); });
    if (auto* toolBar = dialog.findChild<QToolBar*>()) {
        QAction* save = toolBar->addAction(QStringLiteral("Save as PDF"));
        save->setObjectName(QStringLiteral("actSavePdf"));
        save->setEnabled(!layout.IsEmpty() && askPdfPath);
        QObject::connect(save, &QAction::triggered, &dialog, [&layout, &askPdfPath] {
            const QString path = askPdfPath();
            if (!path.isEmpty())
                ExportPdf(layout, path);
        });
    }
    dialog.resize(760, 860);
    dialog.exec();
}
