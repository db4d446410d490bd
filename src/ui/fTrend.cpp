#include "ui/fTrend.h"
#include "model/uTrendObs.h"
#include "platform/Dialogs.h"
#include "platform/Exception.h"
#include "ui/uHelp.h"
#include "ui/uKivResources.h"
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLegend>
#include <QLineSeries>
#include <QPushButton>
#include <QScatterSeries>
#include <QValueAxis>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const char* const Section = "TrendFrm";

QLineSeries* AddLine(QChart* chart, const char* name, const QColor& color, Qt::PenStyle style, qreal width)
{
    auto* series = new QLineSeries(chart);
    series->setObjectName(QString::fromLatin1(name));
    QPen pen(color);
    pen.setStyle(style);
    pen.setWidthF(width);
    series->setPen(pen);
    chart->addSeries(series);
    return series;
}

// The frequency comes in steps of 500 Hz; an axis to the next step above keeps the line off its top.
double FreqAxisTop(int32_t highest)
{
    return std::max(1000.0, (highest / 500 + 2) * 500.0);
}

} // namespace

TTrendFrm::TTrendFrm(TTrendObs& trend, TDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), Trend(trend), Dialogs(dialogs)
{
    EnsureKivResources();
    setObjectName(QString::fromLatin1(Section));
    setFont(FormFont());
    setWindowTitle(QStringLiteral("Trend"));
    // The program ends with its control window, not when the trend is the last window open.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(760, 460);
    SetHelpContext(this, 10);
    AskFileName = [](QWidget* owner, const QString& caption, const QString& fileName, const QString& filter) {
        return QFileDialog::getSaveFileName(owner, caption, fileName, filter);
    };
    CreateComponents();
    Trend.Attach(this);
    SetActive(true);
}

TTrendFrm::~TTrendFrm()
{
    SetActive(false);
    Trend.Detach(this);
}

void TTrendFrm::CreateComponents()
{
    TrendChart = new QChart();
    TrendChart->setObjectName(QStringLiteral("TrendChart"));
    TrendChart->legend()->setAlignment(Qt::AlignBottom);
    TrendChart->legend()->setMarkerShape(QLegend::MarkerShapeFromSeries);
    TrendChart->setMargins(QMargins(4, 4, 4, 4));

    TimeAxis = new QDateTimeAxis(TrendChart);
    TimeAxis->setFormat(QStringLiteral("HH:mm:ss"));
    TimeAxis->setTickCount(7);
    TempAxis = new QValueAxis(TrendChart);
    TempAxis->setLabelFormat(QStringLiteral("%d"));
    FreqAxis = new QValueAxis(TrendChart);
    FreqAxis->setLabelFormat(QStringLiteral("%d"));
    TrendChart->addAxis(TimeAxis, Qt::AlignBottom);
    TrendChart->addAxis(TempAxis, Qt::AlignLeft);
    TrendChart->addAxis(FreqAxis, Qt::AlignRight);

    TempSeries = AddLine(TrendChart, "serTemp", QColor(0xc0, 0x28, 0x2d), Qt::SolidLine, 2);
    FreqSeries = AddLine(TrendChart, "serFreq", QColor(0x2d, 0x5f, 0xa8), Qt::SolidLine, 2);
    MaxTempSeries = AddLine(TrendChart, "serMaxTemp", QColor(0xe0, 0x80, 0x20), Qt::DashLine, 1.5);
    MinTempSeries = AddLine(TrendChart, "serMinTemp", QColor(0x20, 0x90, 0xa0), Qt::DashLine, 1.5);
    FaultSeries = new QScatterSeries(TrendChart);
    FaultSeries->setObjectName(QStringLiteral("serFaults"));
    FaultSeries->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
    FaultSeries->setMarkerSize(13);
    FaultSeries->setColor(QColor(0xd0, 0x10, 0x10));
    FaultSeries->setBorderColor(Qt::black);
    TrendChart->addSeries(FaultSeries);

    for (QAbstractSeries* series : std::initializer_list<QAbstractSeries*>{TempSeries, MaxTempSeries, MinTempSeries,
                                                                           FaultSeries}) {
        series->attachAxis(TimeAxis);
        series->attachAxis(TempAxis);
    }
    FreqSeries->attachAxis(TimeAxis);
    FreqSeries->attachAxis(FreqAxis);
    TempAxis->setLinePenColor(TempSeries->pen().color());
    TempAxis->setLabelsColor(TempSeries->pen().color());
    FreqAxis->setLinePenColor(FreqSeries->pen().color());
    FreqAxis->setLabelsColor(FreqSeries->pen().color());

    chvTrend = new QChartView(TrendChart, this);
    chvTrend->setObjectName(QStringLiteral("chvTrend"));
    chvTrend->setRenderHint(QPainter::Antialiasing);

    btnPause = new QPushButton(this);
    btnPause->setObjectName(QStringLiteral("btnPause"));
    btnPause->setCheckable(true);
    btnExportCsv = new QPushButton(this);
    btnExportCsv->setObjectName(QStringLiteral("btnExportCsv"));
    btnExportPng = new QPushButton(this);
    btnExportPng->setObjectName(QStringLiteral("btnExportPng"));
    connect(btnPause, &QPushButton::toggled, this, [this](bool on) { SetPaused(on); });
    connect(btnExportCsv, &QPushButton::clicked, this, [this] { ExportCsv(); });
    connect(btnExportPng, &QPushButton::clicked, this, [this] { ExportPng(); });

    auto* buttons = new QHBoxLayout();
    buttons->addWidget(btnPause);
    buttons->addStretch(1);
    buttons->addWidget(btnExportCsv);
    buttons->addWidget(btnExportPng);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(chvTrend, 1);
    layout->addLayout(buttons);

    // Texts until the first language pass.
    sPause = QStringLiteral("Paus");
    sResume = QStringLiteral("Fortsätt");
    UpdatePauseText();
}

void TTrendFrm::ShowTrend()
{
    show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();
}

void TTrendFrm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (!Paused)
        Redraw();
}

void TTrendFrm::Update(TSubject* /*subject*/, int32_t /*code*/)
{
    // A hidden or paused window catches up when it is shown or resumed.
    if (isVisible() && !Paused)
        Redraw();
}

void TTrendFrm::Redraw()
{
    ShownSamples = Trend.Ring().Samples();
    QList<QPointF> temps;
    QList<QPointF> freqs;
    QList<QPointF> faults;
    temps.reserve(qsizetype(ShownSamples.size()));
    freqs.reserve(qsizetype(ShownSamples.size()));
    const int32_t maxTemp = Trend.MaxTemp();
    const int32_t minTemp = Trend.MinTemp();
    int32_t lowTemp = std::min(minTemp, maxTemp);
    int32_t highTemp = std::max(minTemp, maxTemp);
    int32_t highFreq = 0;
    for (const TTrendSample& s : ShownSamples) {
        const auto t = static_cast<qreal>(s.TimeMs);
        temps.append({t, qreal(s.Temp)});
        freqs.append({t, qreal(s.Freq)});
        if (s.FaultCountGrew)
            faults.append({t, qreal(s.Temp)});
        lowTemp = std::min(lowTemp, s.Temp);
        highTemp = std::max(highTemp, s.Temp);
        highFreq = std::max(highFreq, s.Freq);
    }
    TempSeries->replace(temps);
    FreqSeries->replace(freqs);
    FaultSeries->replace(faults);

    // A single sample still gets a minute of axis around it.
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    const qint64 first = ShownSamples.empty() ? now - 60'000 : ShownSamples.front().TimeMs;
    qint64 last = ShownSamples.empty() ? now : ShownSamples.back().TimeMs;
    if (last - first < 60'000)
        last = first + 60'000;
    TimeAxis->setRange(QDateTime::fromMSecsSinceEpoch(first), QDateTime::fromMSecsSinceEpoch(last));
    if (!ShownSamples.empty()) {
        MaxTempSeries->replace({{qreal(first), qreal(maxTemp)}, {qreal(last), qreal(maxTemp)}});
        MinTempSeries->replace({{qreal(first), qreal(minTemp)}, {qreal(last), qreal(minTemp)}});
    } else {
        MaxTempSeries->clear();
        MinTempSeries->clear();
    }
    TempAxis->setRange(lowTemp - 5, highTemp + 5);
    TempAxis->applyNiceNumbers();
    FreqAxis->setRange(0, FreqAxisTop(highFreq));
    FreqAxis->applyNiceNumbers();
}

void TTrendFrm::SetPaused(bool paused)
{
    Paused = paused;
    if (btnPause->isChecked() != paused)
        btnPause->setChecked(paused);
    UpdatePauseText();
    if (!Paused && isVisible())
        Redraw();
}

void TTrendFrm::UpdatePauseText()
{
    btnPause->setText(Paused ? sResume : sPause);
}

void TTrendFrm::ExportCsv()
{
    const QString path = AskFileName(this, sSaveCsv, QStringLiteral("trend.csv"), sCsvFilter);
    if (path.isEmpty())
        return;
    try {
        TrendCsv::Write(path, ShownSamples);
    } catch (const Exception& e) {
        Dialogs.MessageDlg(e.Message(), TMsgDlgType::Error, mbOK);
    }
}

void TTrendFrm::ExportPng()
{
    const QString path = AskFileName(this, sSavePng, QStringLiteral("trend.png"), sPngFilter);
    if (path.isEmpty())
        return;
    if (!chvTrend->grab().save(path, "PNG"))
        Dialogs.MessageDlg(EWriteError(path, QStringLiteral("the picture could not be saved")).Message(), TMsgDlgType::Error, mbOK);
}

void TTrendFrm::UpdateLanguage(TLangIniFile* langFile)
{
    langFile->SetSection(QString::fromLatin1(Section));
    auto text = [langFile](const char* key, const char* swedish) {
        return langFile->ReadText(QString::fromLatin1(key), QString::fromUtf8(swedish));
    };
    setWindowTitle(text("TrendFrm", "Trend"));
    TempSeries->setName(text("serTemp", "Temperatur"));
    FreqSeries->setName(text("serFreq", "Frekvens"));
    MaxTempSeries->setName(text("serMaxTemp", "Högsta temperatur"));
    MinTempSeries->setName(text("serMinTemp", "Lägsta temperatur"));
    FaultSeries->setName(text("serFaults", "Nytt fel"));
    TimeAxis->setTitleText(text("sTimeAxis", "Tid"));
    TempAxis->setTitleText(text("sTempAxis", "Temperatur (°C)"));
    FreqAxis->setTitleText(text("sFreqAxis", "Frekvens (Hz)"));
    sPause = text("btnPause", "Paus");
    sResume = text("sResume", "Fortsätt");
    btnExportCsv->setText(text("btnExportCsv", "Spara CSV..."));
    btnExportPng->setText(text("btnExportPng", "Spara bild..."));
    sSaveCsv = text("sSaveCsv", "Spara mätvärden");
    sSavePng = text("sSavePng", "Spara bild");
    sCsvFilter = text("sCsvFilter", "CSV-filer (*.csv)");
    sPngFilter = text("sPngFilter", "PNG-bilder (*.png)");
    UpdatePauseText();
}
