#pragma once
#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QLocale>
#include <QMarginsF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QWidget;

// A small banded report: a title band once, a column header band at the top of every page, a
// detail band per master row, a sub-detail band per row of a detail that follows the master, and
// a page footer on every page. Laying out (pages of positioned boxes and texts, in millimetres
// from the paper's top left corner) is kept apart from painting, so the pages can be examined
// without a printer and painted the same way on screen, on paper and into a PDF file. Pages are
// laid out one at a time just before they are painted, so a report of any length prints, previews
// and exports in the memory of one page.

struct TReportFont {
    QString Family = QStringLiteral("Arial");
    double PointSize = 10;
    bool Bold = false;
    QColor Color = Qt::black;

    QFont ToQFont() const;
};

enum class TReportTextKind {
    Label,        // Text as it stands
    Field,        // Text followed by the value of Field, read when the band is laid out
    ReportTitle,  // Text followed by the report's title
    PrintTime     // Text followed by the date and time of printing
};

struct TReportText {
    QString Name;
    double Left = 0; // mm from the band's left edge
    TReportFont Font;
    TReportTextKind Kind = TReportTextKind::Label;
    QString Text;
    std::function<QString()> Field;
};

struct TReportBand {
    QString Name;
    double Height = 0; // mm; a band of height 0 is not printed
    QColor Color = Qt::white;
    bool Frame = false;
    std::vector<TReportText> Texts;

    TReportText& AddText(const QString& name, double left, const TReportFont& font,
                         TReportTextKind kind = TReportTextKind::Label, const QString& text = {});
    TReportText* FindText(const QString& name);
};

// The rows a report runs through: a master, or a detail that follows the master's current row.
// Count and MoveTo are optional; with them, pages before a chosen range are passed over without
// reading their rows.
struct TReportRows {
    std::function<void()> First;
    std::function<bool()> Eof;
    std::function<void()> Next;
    std::function<int()> Count;
    std::function<void(int)> MoveTo; // to the row at that position from 0

    explicit operator bool() const { return First && Eof && Next; }

    template <class TCursor>
    static TReportRows Of(TCursor& cursor)
    {
        return {[&cursor] { cursor.First(); }, [&cursor] { return cursor.Eof(); }, [&cursor] { cursor.Next(); },
                [&cursor] { return cursor.RecordCount(); }, [&cursor](int row) { cursor.MoveTo(row); }};
    }
};

// Which part of a report to produce: master rows and pages, each counted from 0 and inclusive;
// -1 as the last means to the end. Pages are those of the report over the chosen master rows.
struct TReportRange {
    int FirstMaster = 0;
    int LastMaster = -1;
    int FirstPage = 0;
    int LastPage = -1;
};

struct TPlacedText {
    QString Name;
    QRectF Rect; // mm; the text starts at the left edge and is centred vertically
    QString Text;
    TReportFont Font;
};

struct TPlacedBand {
    QString Name;
    QRectF Rect; // mm
    QColor Color;
    bool Frame = false;
    std::vector<TPlacedText> Texts;
};

struct TReportPage {
    std::vector<TPlacedBand> Bands;
};

struct TReportLayout {
    QString Title;
    QSizeF PaperSize; // mm
    std::vector<TReportPage> Pages;

    bool IsEmpty() const { return Pages.empty(); }
};

class TBandReport;

// Lays out a report page after page. The report's rows move as pages are produced; nothing but
// the page being produced is kept.
class TReportPager {
public:
    TReportPager(TBandReport& report, const QDateTime& printedAt, const TReportRange& range = {});
    ~TReportPager();
    TReportPager(const TReportPager&) = delete;
    TReportPager& operator=(const TReportPager&) = delete;

    // The next page, or nothing after the last.
    std::optional<TReportPage> Next();

private:
    enum class TStage { Detail, SubDetail };

    void Fill(TReportPage* page);
    void Advance(bool skipping);
    void NextMaster();

    TBandReport& Report;
    QDateTime PrintedAt;
    TReportRange Range;
    bool Done = false;
    int PageIndex = 0;
    int MasterIndex = 0;
    TStage Stage = TStage::Detail;
    // While pages are passed over, the sub-detail rows are counted rather than read.
    bool CountingSubRows = false;
    int SubRow = 0;
    int SubRows = 0;
};

class TBandReport {
public:
    QString Title;
    QSizeF PaperSize{210, 297};                // A4 portrait
    QMarginsF Margins{12.7, 12.7, 12.7, 12.7}; // mm
    QLocale Locale;

    TReportBand TitleBand;
    TReportBand ColumnHeaderBand;
    TReportBand DetailBand;
    TReportBand SubDetailBand;
    TReportBand PageFooterBand;

    TReportRows Master;
    TReportRows SubDetail;
    // Runs before the report is produced, so that elements can take their texts.
    std::function<void()> BeforePrint;
    // Runs when a run through the rows ends, also one cut short.
    std::function<void()> AfterPrint;

    double BandWidth() const { return PaperSize.width() - Margins.left() - Margins.right(); }
    QString PrintTimeText(const QDateTime& printedAt) const;

    // Every page at once: runs through the master from its first row to its last. An empty master
    // gives no pages. For examining small reports; printing and exporting stream their pages.
    TReportLayout Layout(const QDateTime& printedAt, const TReportRange& range = {});

    // The next page to paint, or nothing after the last; the page stays valid until the next call.
    using TPageSource = std::function<const TReportPage*()>;

    // Paints pages first to last (indexes from 0) onto a device whose origin is the paper's top
    // left corner.
    static void Paint(const TReportLayout& layout, QPainter& painter, QPagedPaintDevice& device, int first,
                      int last);
    // Paints every page the source gives, each on its own page of the device; yields how many.
    static int PaintPages(const TPageSource& pages, QPainter& painter, QPagedPaintDevice& device);
    // Writes the pages as a PDF file, replacing the file whole. Raises Exception when the file
    // cannot be written. No pages write nothing and yield false.
    static bool ExportPdf(const TReportLayout& layout, const QString& path);
    bool ExportPdf(const QDateTime& printedAt, const QString& path, const TReportRange& range = {});
    // Prints the range, narrowed further by a page range chosen in the print dialog.
    void Print(const QDateTime& printedAt, QPrinter& printer, const TReportRange& range = {});

    // A modal print preview of the range, from which the user prints the pages or saves them as a
    // PDF file; askPdfPath names the file (empty: not saved). The preview lays the pages out each
    // time it paints them.
    void Preview(const QDateTime& printedAt, const TReportRange& range, QWidget* parent,
                 const std::function<QString()>& askPdfPath);

private:
    friend class TReportPager;
    QString TextOf(const TReportText& text, const QDateTime& printedAt) const;
    TPlacedBand Place(const TReportBand& band, double top, const QDateTime& printedAt) const;
    static bool WritePdf(const QString& title, const QSizeF& paperSize, const TPageSource& pages, const QString& path);
};
