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
#include <memory>

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

TReportPager::TReportPager(TBandReport& report, const QDateTime& printedAt, const TReportRange& range)
    : Report(report), PrintedAt(printedAt), Range(range)
{
    if (Report.BeforePrint)
        Report.BeforePrint();
    TReportRows& master = Report.Master;
    if (!master) {
        Done = true;
        return;
    }
    master.First();
    if (Range.FirstMaster > 0 && !master.Eof()) {
        if (master.MoveTo && master.Count) {
            if (Range.FirstMaster < master.Count())
                master.MoveTo(Range.FirstMaster);
            else
                Done = true;
        } else {
            for (int i = 0; i < Range.FirstMaster && !master.Eof(); ++i)
                master.Next();
        }
    }
    Done = Done || master.Eof() || (Range.LastMaster >= 0 && Range.LastMaster < Range.FirstMaster);
}

TReportPager::~TReportPager()
{
    if (Report.AfterPrint)
        Report.AfterPrint();
}

std::optional<TReportPage> TReportPager::Next()
{
    while (!Done && PageIndex < Range.FirstPage)
        Fill(nullptr);
    if (Done)
        return std::nullopt;
    TReportPage page;
    Fill(&page);
    if (Range.LastPage >= 0 && PageIndex > Range.LastPage)
        Done = true;
    return page;
}

void TReportPager::Fill(TReportPage* page)
{
    TBandReport& r = Report;
    if (page && CountingSubRows) {
        // Back to reading rows: stand on the first sub-detail row still to be printed.
        r.SubDetail.First();
        r.SubDetail.MoveTo(SubRow);
        CountingSubRows = false;
    }
    const double top = r.Margins.top();
    const double footerTop = r.PaperSize.height() - r.Margins.bottom() - r.PageFooterBand.Height;
    double y = top;
    auto put = [&](const TReportBand& band, double at) {
        if (band.Height <= 0)
            return;
        if (page)
            page->Bands.push_back(r.Place(band, at, PrintedAt));
        if (&band != &r.PageFooterBand)
            y += band.Height;
    };
    if (PageIndex == 0)
        put(r.TitleBand, y);
    put(r.ColumnHeaderBand, y);
    const double pageStart = y; // below the page's column header: a band placed there always stays
    while (!Done) {
        const TReportBand& band = Stage == TStage::Detail ? r.DetailBand : r.SubDetailBand;
        // A band taller than a whole page still goes on a fresh page rather than forever onto the next.
        if (band.Height > 0 && y + band.Height > footerTop + 1e-9 && y > pageStart)
            break;
        put(band, y);
        Advance(!page);
    }
    put(r.PageFooterBand, footerTop);
    ++PageIndex;
}

void TReportPager::Advance(bool skipping)
{
    TReportRows& sub = Report.SubDetail;
    if (Stage == TStage::Detail) {
        if (sub) {
            SubRow = 0;
            CountingSubRows = skipping && sub.Count && sub.MoveTo;
            if (CountingSubRows) {
                SubRows = sub.Count();
            } else {
                sub.First();
                SubRows = sub.Eof() ? 0 : 1;
            }
            if (SubRows > 0) {
                Stage = TStage::SubDetail;
                return;
            }
        }
        NextMaster();
        return;
    }
    ++SubRow;
    if (CountingSubRows ? SubRow < SubRows : (sub.Next(), !sub.Eof()))
        return;
    CountingSubRows = false;
    NextMaster();
}

void TReportPager::NextMaster()
{
    Stage = TStage::Detail;
    Report.Master.Next();
    ++MasterIndex;
    if (Report.Master.Eof() || (Range.LastMaster >= 0 && Range.FirstMaster + MasterIndex > Range.LastMaster))
        Done = true;
}

TReportLayout TBandReport::Layout(const QDateTime& printedAt, const TReportRange& range)
{
    TReportLayout layout;
    layout.Title = Title;
    layout.PaperSize = PaperSize;
    TReportPager pager(*this, printedAt, range);
    while (std::optional<TReportPage> page = pager.Next())
        layout.Pages.push_back(std::move(*page));
    return layout;
}

namespace {

// What the painter was last set to: setting a font costs a font look-up, and most texts share
// the previous text's font.
struct TPenAndFont {
    bool Set = false;
    TReportFont Font;
};

bool SameFont(const TReportFont& a, const TReportFont& b)
{
    return a.Family == b.Family && a.PointSize == b.PointSize && a.Bold == b.Bold && a.Color == b.Color;
}

void PaintPage(const TReportPage& page, QPainter& painter, double dotsPerMm, TPenAndFont& current)
{
    auto toDevice = [dotsPerMm](const QRectF& mm) {
        return QRectF(mm.left() * dotsPerMm, mm.top() * dotsPerMm, mm.width() * dotsPerMm, mm.height() * dotsPerMm);
    };
    for (const TPlacedBand& band : page.Bands) {
        const QRectF box = toDevice(band.Rect);
        painter.fillRect(box, band.Color);
        if (band.Frame) {
            const double w = FrameWidthMm * dotsPerMm;
            painter.setPen(QPen(Qt::black, w));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(box.adjusted(w / 2, w / 2, -w / 2, -w / 2));
            current.Set = false; // the pen changed
        }
        for (const TPlacedText& text : band.Texts) {
            if (!current.Set || !SameFont(current.Font, text.Font)) {
                painter.setFont(text.Font.ToQFont());
                painter.setPen(text.Font.Color);
                current = {true, text.Font};
            }
            painter.drawText(toDevice(text.Rect.adjusted(TextIndentMm, 0, 0, 0)),
                             Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextDontClip, text.Text);
        }
    }
}

// The layout's pages first to last, one after the other.
TBandReport::TPageSource PagesOf(const TReportLayout& layout, int first, int last)
{
    auto next = std::make_shared<int>(std::max(first, 0));
    last = std::min(last, int(layout.Pages.size()) - 1);
    return [&layout, next, last]() -> const TReportPage* {
        return *next <= last ? &layout.Pages[(*next)++] : nullptr;
    };
}

// Pages as the pager lays them out, each kept only until the next is asked for.
TBandReport::TPageSource PagesOf(TReportPager& pager)
{
    auto current = std::make_shared<std::optional<TReportPage>>();
    return [&pager, current]() -> const TReportPage* {
        *current = pager.Next();
        return *current ? &**current : nullptr;
    };
}

// The source with its first page already taken (so that callers can tell an empty report early).
TBandReport::TPageSource Resumed(const TReportPage* first, const TBandReport::TPageSource& rest)
{
    auto pending = std::make_shared<const TReportPage*>(first);
    return [pending, rest]() -> const TReportPage* {
        if (const TReportPage* page = *pending) {
            *pending = nullptr;
            return page;
        }
        return rest();
    };
}

} // namespace

int TBandReport::PaintPages(const TPageSource& pages, QPainter& painter, QPagedPaintDevice& device)
{
    const double dotsPerMm = device.logicalDpiX() / MmPerInch;
    int painted = 0;
    TPenAndFont current;
    while (const TReportPage* page = pages()) {
        if (painted++ > 0) {
            device.newPage();
            current.Set = false; // a new page may start with a fresh painter state
        }
        PaintPage(*page, painter, dotsPerMm, current);
    }
    return painted;
}

void TBandReport::Paint(const TReportLayout& layout, QPainter& painter, QPagedPaintDevice& device, int first,
                        int last)
{
    PaintPages(PagesOf(layout, first, last), painter, device);
}

void TBandReport::Print(const QDateTime& printedAt, QPrinter& printer, const TReportRange& range)
{
    TReportRange pages = range;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        const int first = range.FirstPage + printer.fromPage() - 1;
        const int last = range.FirstPage + printer.toPage() - 1;
        pages.FirstPage = first;
        pages.LastPage = range.LastPage >= 0 ? std::min(range.LastPage, last) : last;
        if (pages.FirstPage > pages.LastPage)
            return;
    }
    TReportPager pager(*this, printedAt, pages);
    std::optional<TReportPage> first = pager.Next();
    if (!first)
        return;
    printer.setFullPage(true);
    printer.setPageLayout(PaperLayout(PaperSize));
    QPainter painter(&printer);
    PaintPages(Resumed(&*first, PagesOf(pager)), painter, printer);
}

bool TBandReport::WritePdf(const QString& title, const QSizeF& paperSize, const TPageSource& pages,
                           const QString& path)
{
    const TReportPage* first = pages();
    if (!first)
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Exception(QStringLiteral("Cannot create file %1").arg(path));
    {
        QPdfWriter writer(&file);
        writer.setTitle(title.isEmpty() ? QStringLiteral("Kiv Report") : title);
        writer.setCreator(QStringLiteral("Kiv"));
        writer.setResolution(600);
        writer.setPageLayout(PaperLayout(paperSize));
        QPainter painter(&writer);
        PaintPages(Resumed(first, pages), painter, writer);
    }
    if (!file.commit())
        throw Exception(QStringLiteral("Cannot create file %1").arg(path));
    return true;
}

bool TBandReport::ExportPdf(const TReportLayout& layout, const QString& path)
{
    return WritePdf(layout.Title, layout.PaperSize, PagesOf(layout, 0, int(layout.Pages.size()) - 1), path);
}

bool TBandReport::ExportPdf(const QDateTime& printedAt, const QString& path, const TReportRange& range)
{
    TReportPager pager(*this, printedAt, range);
    return WritePdf(Title, PaperSize, PagesOf(pager), path);
}

void TBandReport::Preview(const QDateTime& printedAt, const TReportRange& range, QWidget* parent,
                          const std::function<QString()>& askPdfPath)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setPageLayout(PaperLayout(PaperSize));
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(Title.isEmpty() ? QStringLiteral("Kiv Report") : Title);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [this, printedAt, range](QPrinter* target) { Print(printedAt, *target, range); });
    if (auto* toolBar = dialog.findChild<QToolBar*>()) {
        QAction* save = toolBar->addAction(QStringLiteral("Save as PDF"));
        save->setObjectName(QStringLiteral("actSavePdf"));
        save->setEnabled(bool(askPdfPath));
        QObject::connect(save, &QAction::triggered, &dialog, [this, printedAt, range, &askPdfPath] {
            const QString path = askPdfPath();
            if (!path.isEmpty())
                ExportPdf(printedAt, path, range);
        });
    }
    dialog.resize(760, 860);
    dialog.exec();
}
