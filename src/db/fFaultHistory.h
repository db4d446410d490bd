#pragma once
#include "model/uStoredFaults.h"
#include "settings/uLangIniFile.h"
#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <cstdint>
#include <vector>

class QChart;
class QChartView;
class QDateTimeAxis;
class QLineSeries;
class QValueAxis;
class QXYSeries;
class TDataMod;
class TDbCursor;

// One stored fault as the saved fault rows give it. A fault saved with several readings is one
// fault: it is the same record of the encoder's ring.
struct TFaultHistoryPoint {
    int32_t Index = 0;
    int32_t OpTime = 0;
    uint8_t Status = 0;
    QString StatusText;
    int32_t Temp = 0;
    int32_t Freq = 0;
};

// One saved reading's temperature.
struct TReadingPoint {
    QDateTime Taken;
    int32_t Temp = 0;
};

// The distinct faults of the cursor's rows, by operating time; the row of a reading without
// faults, and rows whose values are no numbers, are left out.
std::vector<TFaultHistoryPoint> FaultHistoryPoints(const TDbCursor& faults);
// The readings of the cursor's rows whose date and temperature can be read, oldest first.
std::vector<TReadingPoint> ReadingPoints(const TDbCursor& properties, const TDataMod& dataMod);

// The current encoder's history from the database: its saved faults over operating time, the
// temperature and frequency at each, one marker per fault status with the status in words as
// the point's tooltip; below, the temperature of each saved reading over the date it was saved.
// It follows the viewer's navigator as the grid does.
class TFaultHistoryFrm : public QWidget, public TLangClient {
    Q_OBJECT
public:
    explicit TFaultHistoryFrm(TDataMod& dataMod, QWidget* parent = nullptr);

    void ShowHistory();
    void Refresh();
    void UpdateLanguage(TLangIniFile* langFile) override;
    // The tooltip of the viewer's button that opens the history.
    const QString& OpenText() const { return sOpen; }

    QChart* FaultChart() const { return FaultsChart; }
    QChart* ReadingChart() const { return ReadingsChart; }
    // The tooltip of a fault point, by its series and position; empty for any other point.
    QString PointToolTip(const QXYSeries* series, int position) const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void CreateComponents();
    void FillFaults();
    void FillReadings();
    QString ToolTipText(const TFaultHistoryPoint& point) const;

    TDataMod& DataMod;
    TStoredFaultTexts FaultTexts;
    QHash<const QXYSeries*, QStringList> ToolTips;

    QString sCaption;
    QString sOpen;
    QString sTemp;
    QString sFreq;
    QString sStatus;
    QString sOpTime;
    QString sIndex;

    QChartView* chvFaults = nullptr;
    QChartView* chvReadings = nullptr;
    QChart* FaultsChart = nullptr;
    QChart* ReadingsChart = nullptr;
    QValueAxis* OpTimeAxis = nullptr;
    QValueAxis* FaultTempAxis = nullptr;
    QValueAxis* FreqAxis = nullptr;
    QDateTimeAxis* DateAxis = nullptr;
    QValueAxis* ReadingTempAxis = nullptr;
    QLineSeries* ReadingSeries = nullptr;
};
