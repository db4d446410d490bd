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
#include <vector>

class QPagedPaintDevice;
class QPainter;
class QPrinter;
class QWidget;

// A small banded report: a title band once, a column header band at the top of every page, a
// detail band per master row, a sub-detail band per row of a detail that follows the master, and
// a page footer on every page. Laying out (pages of positioned boxes and texts, in millimetres
// from the paper's top left corner) is kept apart from painting, so the pages can be examined
// without a printer and painted the same way on screen, on paper and into a PDF file.

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
struct TReportRows {
    std::function<void()> First;
    std::function<bool()> Eof;
    std::function<void()> Next;

    explicit operator bool() const { return First && Eof && Next; }

    template <class TCursor>
    static TReportRows Of(TCursor& cursor)
    {
        return {[&cursor] { cursor.First(); }, [&cursor] { return cursor.Eof(); }, [&cursor] { cursor.Next(); }};
    }
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

    double BandWidth() const { return PaperSize.width() - Margins.left() - Margins.right(); }
    QString PrintTimeText(const QDateTime& printedAt) const;

    // Runs through the master from its first row to its last. An empty master gives no pages.
    TReportLayout Layout(const QDateTime& printedAt);

    // Paints pages first to last (indexes from 0) onto a device whose origin is the paper's top
    // left corner.
    static void Paint(const TReportLayout& layout, QPainter& painter, QPagedPaintDevice& device, int first,
                      int last);
    // Respects a page range chosen in the print dialog.
    static void Print(const TReportLayout& layout, QPrinter& printer);
    // Writes the pages as a PDF file, replacing the file whole. Raises Exception when the file
    // cannot be written. An empty layout writes nothing and yields false.
    static bool ExportPdf(const TReportLayout& layout, const QString& path);

    // A modal print preview from which the user prints the pages or saves them as a PDF file;
    // askPdfPath names the file (empty: not saved).
    static void Preview(const TReportLayout& layout, QWidget* parent, const std::function<QString()>& askPdfPath);

private:
    QString TextOf(const TReportText& text, const QDateTime& printedAt) const;
    TPlacedBand Place(const TReportBand& band, double top, const QDateTime& printedAt) const;
};
