// The database viewer's fault history on a made-up database.
#include "ViewerFixture.h"
#include "db/fFaultHistory.h"
#include <QChart>
#include <QScatterSeries>
#include <QXYSeries>

namespace {

class FaultHistoryTest : public ViewerFixture {
protected:
    TFaultHistoryFrm& History() const { return View->FaultHistory(); }

    QXYSeries* Series(const QChart* chart, const QString& name) const
    {
        for (QAbstractSeries* s : chart->series())
            if (s->objectName() == name)
                return static_cast<QXYSeries*>(s);
        return nullptr;
    }
    QList<QPointF> Points(const QString& name) const
    {
        QXYSeries* s = Series(History().FaultChart(), name);
        EXPECT_NE(s, nullptr) << "no series " << name.toStdString();
        return s ? s->points() : QList<QPointF>{};
    }
    // The status series of the fault chart, by name.
    QStringList StatusSeries() const
    {
        QStringList names;
        for (QAbstractSeries* s : History().FaultChart()->series())
            if (s->objectName().startsWith("serTemp_"))
                names << s->objectName();
        return names;
    }
    QList<QPointF> Readings() const { return Series(History().ReadingChart(), "serReadingTemp")->points(); }
    static qreal Ms(const char* text) { return qreal(QDateTime::fromString(text, "yyyy-MM-dd HH:mm:ss").toMSecsSinceEpoch()); }
};

TEST_F(FaultHistoryTest, ChartsHoldTheCurrentEncodersSavedFaultsAndReadingsAndFollowTheNavigator)
{
    // 1003's three faults saved once more with a later reading: still three faults.
    Exec(RemotePath(), {QString("INSERT INTO FAULTS_ID VALUES('1003','1','10','80','2500','50','2025-03-09 09:00:00')")});
    Mod->SelectDatabase(true);
    Mod->LocateEncoder("1001");
    auto* open = Find<QToolButton>("tbtnHistory");
    EXPECT_EQ(open->toolTip(), "Historik");
    open->click();
    ASSERT_TRUE(History().isVisible());
    EXPECT_EQ(History().windowTitle(), "Felhistorik - 1001");

    // Temperature and frequency at each fault, in order of operating time.
    EXPECT_EQ(Points("serFaultTemp"), (QList<QPointF>{{90, 35}, {120, 39}, {150, 41}}));
    EXPECT_EQ(Points("serFaultFreq"), (QList<QPointF>{{90, 500}, {120, 1000}, {150, 1500}}));
    // One marker per status, each status its own shape.
    EXPECT_EQ(StatusSeries(), (QStringList{"serTemp_01", "serTemp_04", "serTemp_0C"}));
    EXPECT_EQ(Points("serTemp_0C"), (QList<QPointF>{{150, 41}}));
    EXPECT_EQ(Points("serFreq_0C"), (QList<QPointF>{{150, 1500}}));
    auto shape = [this](const char* name) {
        return static_cast<QScatterSeries*>(Series(History().FaultChart(), name))->markerShape();
    };
    EXPECT_NE(shape("serTemp_01"), shape("serTemp_04"));
    EXPECT_EQ(shape("serTemp_0C"), shape("serFreq_0C"));
    // The status in words as the tooltip.
    const QString tip = History().PointToolTip(Series(History().FaultChart(), "serTemp_0C"), 0);
    EXPECT_EQ(tip, "Felstatus 0C\nNollpuls saknas.\nTillståndsfel.\nIndex 3, Drifttid 150 h, 41 °C, 1500 Hz");
    // The readings' temperature over the date saved.
    EXPECT_EQ(Readings(), (QList<QPointF>{{Ms(Reading1), 20}, {Ms(Reading2), 25}}));

    Find<QToolButton>("nbNext")->click();
    EXPECT_EQ(History().windowTitle(), "Felhistorik - 1002");
    EXPECT_TRUE(Points("serFaultTemp").isEmpty());
    EXPECT_TRUE(StatusSeries().isEmpty());
    EXPECT_EQ(Readings(), (QList<QPointF>{{Ms(Reading2), 21}}));

    Find<QToolButton>("nbNext")->click();
    EXPECT_EQ(StatusSeries(), QStringList{"serTemp_80"});
    EXPECT_EQ(Points("serTemp_80"), (QList<QPointF>{{10, 50}, {20, 50}, {30, 50}}));

    // The viewer's closing takes the history with it.
    View->done(0);
    EXPECT_FALSE(History().isVisible());
}

TEST_F(FaultHistoryTest, RowsWithoutNumbersAndTheNoFaultRowAreLeftOut)
{
    Exec(RemotePath(), {"INSERT INTO FAULTS_ID VALUES('1002','0',NULL,'OK',NULL,NULL,'2025-03-05 08:00:00')",
                        "INSERT INTO FAULTS_ID VALUES('1002','4','x','ZZ','500','30','2025-03-05 08:00:00')",
                        "INSERT INTO FAULTS_ID VALUES('1002','5','77','08','500 Hz','31 °C','2025-03-05 08:00:00')",
                        "INSERT INTO EncoderPropertyID VALUES('1002','8','hot','500','512','30','0','2025-03-06 08:00:00')",
                        "INSERT INTO EncoderPropertyID VALUES('1002','8','23 °C','500','512','30','0','not a date')"});
    Mod->SelectDatabase(true);
    Mod->LocateEncoder("1002");
    const std::vector<TFaultHistoryPoint> faults = FaultHistoryPoints(Mod->FaultsIDTable);
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_EQ(faults[0].OpTime, 77);
    EXPECT_EQ(faults[0].Temp, 31);
    EXPECT_EQ(faults[0].Freq, 500);
    EXPECT_EQ(faults[0].Status, 0x08);
    const std::vector<TReadingPoint> readings = ReadingPoints(Mod->EncoderPropIDTab, *Mod);
    ASSERT_EQ(readings.size(), 1u);
    EXPECT_EQ(readings[0].Temp, 21);
}

} // namespace
