#pragma once
#include "core/uObserver.h"
#include "model/uTrendRing.h"
#include "settings/uLangIniFile.h"
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QPushButton;
class QScatterSeries;
class QValueAxis;
class TDialogs;
class TTrendObs;

// The live trend: temperature and frequency of the last hour against time, each on its own axis,
// the diagnostic block's highest and lowest temperature as reference lines, and a mark at every
// reading where the fault count grew. It only looks at the trend observer's samples, so opening,
// closing or pausing it never touches the update cycle. Pausing freezes the picture; the samples
// are still taken, and resuming shows them. The exports save what the window shows.
class TTrendFrm : public QWidget, public TObserver, public TLangClient {
    Q_OBJECT
public:
    // Asks for the name of a file to save; empty when the user cancels.
    using TAskFileName = std::function<QString(QWidget* parent, const QString& caption, const QString& fileName,
                                               const QString& filter)>;

    TTrendFrm(TTrendObs& trend, TDialogs& dialogs, QWidget* parent = nullptr);
    ~TTrendFrm() override;

    // The file dialog; tests answer in its place.
    TAskFileName AskFileName;

    // Shows the window in front, up to date unless paused.
    void ShowTrend();
    void Redraw();
    void SetPaused(bool paused);
    bool IsPaused() const { return Paused; }
    // Both report a file that cannot be written in an error box and leave the window as it was.
    void ExportCsv();
    void ExportPng();
    // The samples the picture shows.
    const std::vector<TTrendSample>& Shown() const { return ShownSamples; }

    void Update(TSubject* subject, int32_t code) override;
    void UpdateLanguage(TLangIniFile* langFile) override;

    QChart* Chart() const { return TrendChart; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateComponents();
    void UpdatePauseText();

    TTrendObs& Trend;
    TDialogs& Dialogs;
    bool Paused = false;
    std::vector<TTrendSample> ShownSamples;

    QString sResume;
    QString sPause;
    QString sSaveCsv;
    QString sSavePng;
    QString sCsvFilter;
    QString sPngFilter;

    QChartView* chvTrend = nullptr;
    QChart* TrendChart = nullptr;
    QDateTimeAxis* TimeAxis = nullptr;
    QValueAxis* TempAxis = nullptr;
    QValueAxis* FreqAxis = nullptr;
    QLineSeries* TempSeries = nullptr;
    QLineSeries* FreqSeries = nullptr;
    QLineSeries* MaxTempSeries = nullptr;
    QLineSeries* MinTempSeries = nullptr;
    QScatterSeries* FaultSeries = nullptr;
    QPushButton* btnPause = nullptr;
    QPushButton* btnExportCsv = nullptr;
    QPushButton* btnExportPng = nullptr;
};
