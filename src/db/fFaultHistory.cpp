#include "db/fFaultHistory.h"
#include "db/uDbCursor.h"
#include "db/uKivDataMod.h"
#include "ui/uHelp.h"
#include "ui/uKivResources.h"
#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDateTimeAxis>
#include <QLegend>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMap>
#include <QRegularExpression>
#include <QScatterSeries>
#include <QToolTip>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>
#include <set>
#include <tuple>

namespace {

const char* const Section = "FaultHistoryFrm";

// The number a saved text starts with: the main window's texts carry their units (" °C").
std::optional<int32_t> LeadingNumber(const QVariant& value)
{
    if (value.isNull())
        return std::nullopt;
    static const QRegularExpression number(QStringLiteral("^\\s*(-?\\d{1,9})"));
    const QRegularExpressionMatch match = number.match(value.toString());
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

std::optional<uint8_t> StatusByte(const QString& text)
{
    bool ok = false;
    const uint value = text.trimmed().toUInt(&ok, 16);
    if (!ok || value > 0xFF)
        return std::nullopt;
    return static_cast<uint8_t>(value);
}

const QScatterSeries::MarkerShape Shapes[] = {
    QScatterSeries::MarkerShapeCircle,           QScatterSeries::MarkerShapeRectangle,
    QScatterSeries::MarkerShapeTriangle,         QScatterSeries::MarkerShapeRotatedRectangle,
    QScatterSeries::MarkerShapeStar,             QScatterSeries::MarkerShapePentagon,
};
const QColor Colors[] = {QColor(0xc0, 0x28, 0x2d), QColor(0x2d, 0x5f, 0xa8), QColor(0x1c, 0x7a, 0x2c),
                         QColor(0xd0, 0x80, 0x10), QColor(0x80, 0x30, 0xa0), QColor(0x20, 0x90, 0xa0),
                         QColor(0x60, 0x60, 0x60), QColor(0xa0, 0x60, 0x20)};

QChartView* AddChartView(QWidget* parent, const char* name, QChart* chart)
{
    chart->legend()->setAlignment(Qt::AlignRight);
    // The legend shows each marker's shape, so a status is found by its shape as well as its colour.
    chart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    chart->setMargins(QMargins(4, 4, 4, 4));
    auto* view = new QChartView(chart, parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setRenderHint(QPainter::Antialiasing);
    return view;
}

} // namespace

std::vector<TFaultHistoryPoint> FaultHistoryPoints(const TDbCursor& faults)
{
    const int index = faults.ColumnIndex(QStringLiteral("FaultIndex"));
    const int opTime = faults.ColumnIndex(QStringLiteral("FaultOpTime"));
    const int status = faults.ColumnIndex(QStringLiteral("FaultStatus"));
    const int temp = faults.ColumnIndex(QStringLiteral("FaultTemp"));
    const int freq = faults.ColumnIndex(QStringLiteral("FaultFrequency"));
    std::vector<TFaultHistoryPoint> points;
    std::set<std::tuple<int32_t, int32_t, int, int32_t, int32_t>> seen;
    for (int row = 0; row < faults.RecordCount(); ++row) {
        const auto at = LeadingNumber(faults.Value(row, opTime));
        const auto t = LeadingNumber(faults.Value(row, temp));
        const auto f = LeadingNumber(faults.Value(row, freq));
        const QString statusText = faults.Value(row, status).toString().trimmed();
        const auto bits = StatusByte(statusText);
        if (!at || !t || !f || !bits)
            continue;
        TFaultHistoryPoint point{LeadingNumber(faults.Value(row, index)).value_or(0), *at, *bits,
                                 statusText.toUpper(), *t, *f};
        if (!seen.insert({point.Index, point.OpTime, point.Status, point.Temp, point.Freq}).second)
            continue;
        points.push_back(point);
    }
    std::stable_sort(points.begin(), points.end(), [](const TFaultHistoryPoint& a, const TFaultHistoryPoint& b) {
        return std::tie(a.OpTime, a.Index) < std::tie(b.OpTime, b.Index);
    });
    return points;
}

std::vector<TReadingPoint> ReadingPoints(const TDbCursor& properties, const TDataMod& dataMod)
{
    const int taken = properties.ColumnIndex(QStringLiteral("DateTaken"));
    const int temp = properties.ColumnIndex(QStringLiteral("ActualTemp"));
    std::vector<TReadingPoint> points;
    for (int row = 0; row < properties.RecordCount(); ++row) {
        const QDateTime when = dataMod.DateFromText(properties.Value(row, taken).toString());
        const auto t = LeadingNumber(properties.Value(row, temp));
        if (when.isValid() && t)
            points.push_back({when, *t});
    }
    std::stable_sort(points.begin(), points.end(),
                     [](const TReadingPoint& a, const TReadingPoint& b) { return a.Taken < b.Taken; });
    return points;
}

TFaultHistoryFrm::TFaultHistoryFrm(TDataMod& dataMod, QWidget* parent)
    : QWidget(parent, Qt::Window), DataMod(dataMod)
{
    EnsureKivResources();
    setObjectName(QString::fromLatin1(Section));
    setFont(FormFont());
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(720, 560);
    SetHelpContext(this, 18);
    sCaption = QStringLiteral("Felhistorik");
    CreateComponents();
    // Whenever the navigator moves, the details reload: so does the picture.
    for (TDbCursor* cursor : {&DataMod.FaultsIDTable, &DataMod.EncoderPropIDTab})
        connect(cursor, &TDbCursor::RowsChanged, this, [this] {
            if (isVisible())
                Refresh();
        });
    connect(&DataMod.EncoderIDTab, &TDbCursor::CurrentChanged, this, [this] {
        if (isVisible())
            Refresh();
    });
}

void TFaultHistoryFrm::CreateComponents()
{
    FaultsChart = new QChart();
    FaultsChart->setObjectName(QStringLiteral("FaultChart"));
    OpTimeAxis = new QValueAxis(FaultsChart);
    FaultTempAxis = new QValueAxis(FaultsChart);
    FreqAxis = new QValueAxis(FaultsChart);
    FaultsChart->addAxis(OpTimeAxis, Qt::AlignBottom);
    FaultsChart->addAxis(FaultTempAxis, Qt::AlignLeft);
    FaultsChart->addAxis(FreqAxis, Qt::AlignRight);

    ReadingsChart = new QChart();
    ReadingsChart->setObjectName(QStringLiteral("ReadingChart"));
    DateAxis = new QDateTimeAxis(ReadingsChart);
    ReadingTempAxis = new QValueAxis(ReadingsChart);
    for (QValueAxis* axis : {OpTimeAxis, FaultTempAxis, FreqAxis, ReadingTempAxis})
        axis->setLabelFormat(QStringLiteral("%d"));
    ReadingsChart->addAxis(DateAxis, Qt::AlignBottom);
    ReadingsChart->addAxis(ReadingTempAxis, Qt::AlignLeft);
    ReadingSeries = new QLineSeries(ReadingsChart);
    ReadingSeries->setObjectName(QStringLiteral("serReadingTemp"));
    ReadingSeries->setPointsVisible(true);
    ReadingSeries->setPen(QPen(Colors[0], 2));
    ReadingsChart->addSeries(ReadingSeries);
    ReadingSeries->attachAxis(DateAxis);
    ReadingSeries->attachAxis(ReadingTempAxis);

    chvFaults = AddChartView(this, "chvFaults", FaultsChart);
    chvReadings = AddChartView(this, "chvReadings", ReadingsChart);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(chvFaults, 3);
    layout->addWidget(chvReadings, 2);
}

void TFaultHistoryFrm::ShowHistory()
{
    show();
    raise();
    activateWindow();
}

void TFaultHistoryFrm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Refresh();
}

void TFaultHistoryFrm::Refresh()
{
    const QString serial = DataMod.EncoderIDTab.FieldText(QStringLiteral("SerialNr"));
    setWindowTitle(serial.isEmpty() ? sCaption : sCaption + QStringLiteral(" - ") + serial);
    FillFaults();
    FillReadings();
}

void TFaultHistoryFrm::FillFaults()
{
    const std::vector<TFaultHistoryPoint> points = FaultHistoryPoints(DataMod.FaultsIDTable);
    FaultsChart->removeAllSeries();
    ToolTips.clear();

    // Grey lines through the faults in order of time, one per value, name the two kinds of marker.
    auto* tempLine = new QLineSeries();
    tempLine->setObjectName(QStringLiteral("serFaultTemp"));
    tempLine->setName(sTemp);
    tempLine->setPen(QPen(QColor(0x90, 0x90, 0x90), 1.5));
    auto* freqLine = new QLineSeries();
    freqLine->setObjectName(QStringLiteral("serFaultFreq"));
    freqLine->setName(sFreq);
    freqLine->setPen(QPen(QColor(0x90, 0x90, 0x90), 1.5, Qt::DashLine));
    QMap<QString, std::pair<QScatterSeries*, QScatterSeries*>> byStatus;
    int32_t lowTemp = 0, highTemp = 0, highFreq = 0, firstTime = 0, lastTime = 0;
    bool any = false;
    for (const TFaultHistoryPoint& p : points) {
        tempLine->append(p.OpTime, p.Temp);
        freqLine->append(p.OpTime, p.Freq);
        byStatus[p.StatusText];
        lowTemp = any ? std::min(lowTemp, p.Temp) : p.Temp;
        highTemp = any ? std::max(highTemp, p.Temp) : p.Temp;
        highFreq = std::max(highFreq, p.Freq);
        firstTime = any ? std::min(firstTime, p.OpTime) : p.OpTime;
        lastTime = any ? std::max(lastTime, p.OpTime) : p.OpTime;
        any = true;
    }
    FaultsChart->addSeries(tempLine);
    FaultsChart->addSeries(freqLine);
    tempLine->attachAxis(OpTimeAxis);
    tempLine->attachAxis(FaultTempAxis);
    freqLine->attachAxis(OpTimeAxis);
    freqLine->attachAxis(FreqAxis);

    // One marker per status: filled at the temperature, hollow at the frequency.
    int kind = 0;
    for (auto it = byStatus.begin(); it != byStatus.end(); ++it, ++kind) {
        const QColor color = Colors[kind % std::size(Colors)];
        auto make = [&](const char* prefix, bool filled) {
            auto* series = new QScatterSeries();
            series->setObjectName(QString::fromLatin1(prefix) + it.key());
            series->setMarkerShape(Shapes[kind % std::size(Shapes)]);
            series->setMarkerSize(11);
            series->setColor(filled ? color : QColor(Qt::white));
            series->setBorderColor(color);
            series->setPen(QPen(color, 2));
            connect(series, &QScatterSeries::hovered, this, [this, series](const QPointF& point, bool state) {
                if (!state) {
                    QToolTip::hideText();
                    return;
                }
                const int position = int(series->points().indexOf(point));
                QToolTip::showText(QCursor::pos(), PointToolTip(series, position));
            });
            return series;
        };
        it.value() = {make("serTemp_", true), make("serFreq_", false)};
        it.value().first->setName(sStatus + QLatin1Char(' ') + it.key());
    }
    for (const TFaultHistoryPoint& p : points) {
        auto [temps, freqs] = byStatus.value(p.StatusText);
        temps->append(p.OpTime, p.Temp);
        freqs->append(p.OpTime, p.Freq);
        ToolTips[temps] << ToolTipText(p);
        ToolTips[freqs] << ToolTipText(p);
    }
    for (const auto& [temps, freqs] : byStatus) {
        FaultsChart->addSeries(temps);
        FaultsChart->addSeries(freqs);
        temps->attachAxis(OpTimeAxis);
        temps->attachAxis(FaultTempAxis);
        freqs->attachAxis(OpTimeAxis);
        freqs->attachAxis(FreqAxis);
        for (QLegendMarker* marker : FaultsChart->legend()->markers(freqs))
            marker->setVisible(false);
    }

    const int32_t span = std::max(10, (lastTime - firstTime) / 20);
    OpTimeAxis->setRange(any ? firstTime - span : 0, any ? lastTime + span : 100);
    OpTimeAxis->applyNiceNumbers();
    FaultTempAxis->setRange(lowTemp - 5, highTemp + 5);
    FaultTempAxis->applyNiceNumbers();
    FreqAxis->setRange(0, std::max(1000, (highFreq / 500 + 2) * 500));
    FreqAxis->applyNiceNumbers();
}

void TFaultHistoryFrm::FillReadings()
{
    const std::vector<TReadingPoint> points = ReadingPoints(DataMod.EncoderPropIDTab, DataMod);
    QList<QPointF> values;
    int32_t low = 0, high = 0;
    for (const TReadingPoint& p : points) {
        values.append({qreal(p.Taken.toMSecsSinceEpoch()), qreal(p.Temp)});
        low = values.size() == 1 ? p.Temp : std::min(low, p.Temp);
        high = values.size() == 1 ? p.Temp : std::max(high, p.Temp);
    }
    ReadingSeries->replace(values);
    // A day either side, so a single reading stands inside the picture.
    const QDateTime first = points.empty() ? QDateTime::currentDateTime() : points.front().Taken;
    const QDateTime last = points.empty() ? first : points.back().Taken;
    DateAxis->setRange(first.addDays(-1), last.addDays(1));
    DateAxis->setFormat(first.daysTo(last) > 2 ? QStringLiteral("yyyy-MM-dd") : QStringLiteral("yyyy-MM-dd HH:mm"));
    ReadingTempAxis->setRange(low - 5, high + 5);
    ReadingTempAxis->applyNiceNumbers();
}

QString TFaultHistoryFrm::ToolTipText(const TFaultHistoryPoint& point) const
{
    TStoredFault fault(&FaultTexts);
    fault.Status = point.Status;
    QString text = sStatus + QLatin1Char(' ') + point.StatusText;
    const QString words = fault.StatusDescription();
    if (!words.isEmpty())
        text += QLatin1Char('\n') + words;
    text += QStringLiteral("\n%1 %2, %3 %4 h, %5 °C, %6 Hz")
                .arg(sIndex)
                .arg(point.Index)
                .arg(sOpTime)
                .arg(point.OpTime)
                .arg(point.Temp)
                .arg(point.Freq);
    return text;
}

QString TFaultHistoryFrm::PointToolTip(const QXYSeries* series, int position) const
{
    return ToolTips.value(series).value(position);
}

void TFaultHistoryFrm::UpdateLanguage(TLangIniFile* langFile)
{
    FaultTexts.Read(*langFile);
    langFile->SetSection(QString::fromLatin1(Section));
    auto text = [langFile](const char* key, const char* swedish) {
        return langFile->ReadText(QString::fromLatin1(key), QString::fromUtf8(swedish));
    };
    sCaption = text("FaultHistoryFrm", "Felhistorik");
    sOpen = text("tbtnHistory", "Historik");
    FaultsChart->setTitle(text("sFaultsTitle", "Lagrade fel över drifttid"));
    ReadingsChart->setTitle(text("sReadingsTitle", "Temperatur vid sparade avläsningar"));
    sOpTime = text("sOpTime", "Drifttid");
    OpTimeAxis->setTitleText(text("sOpTimeAxis", "Drifttid (h)"));
    const QString tempAxis = text("sTempAxis", "Temperatur (°C)");
    FaultTempAxis->setTitleText(tempAxis);
    ReadingTempAxis->setTitleText(tempAxis);
    FreqAxis->setTitleText(text("sFreqAxis", "Frekvens (Hz)"));
    DateAxis->setTitleText(text("sDateAxis", "Sparat"));
    ReadingSeries->setName(text("sReadingTemp", "Temperatur"));
    sTemp = text("sTemp", "Temperatur");
    sFreq = text("sFreq", "Frekvens");
    sStatus = text("sStatus", "Felstatus");
    sIndex = text("sIndex", "Index");
    if (isVisible())
        Refresh();
}
