// The live trend window on the real link to a simulated encoder in live mode.
#include "EncoderSim.h"
#include "UiTestHelpers.h"
#include "core/uBiDirDiagProtocol.h"
#include "core/uCommRes.h"
#include "model/uEncoderModel.h"
#include "model/uTrendObs.h"
#include "settings/uLangIniFile.h"
#include "support/FakeDialogs.h"
#include "support/TestFiles.h"
#include "ui/fTrend.h"
#include <QChart>
#include <QCoreApplication>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QXYSeries>
#include <gtest/gtest.h>

namespace {

const std::string HealthyImage = std::string(KIV_SOURCE_DIR) + "/tools/encoder-sim/images/healthy.txt";

class TrendWindowTest : public ::testing::Test {
protected:
    QTemporaryDir Folder;
    TEncoderSim Sim;
    TCommRes Comm;
    TBiDirDiagProtocol Protocol;
    FakeDialogs Dialogs;
    TEncoderModel Model{Dialogs};
    TTrendObs Trend;
    std::unique_ptr<TTrendFrm> Window;
    int32_t LastCount = 0;

    void SetUp() override
    {
        Sim.LoadImage(HealthyImage);
        Sim.SetRandomSeed(7);
        Comm.SetPortDevice(0, QString::fromStdString(Sim.Start()));
        Comm.SetComPort(QStringLiteral("COM1"));
        Comm.Open();
        Protocol.CommRes = &Comm;
        Model.Wire(&Protocol);
        Model.ConfigureIdentityItems();
        Trend.Watch(&Model);
        Window = std::make_unique<TTrendFrm>(Trend, Dialogs);
        TLangIniFile lang(Folder.path(), TLangIniFile::DefaultLanguage());
        Window->UpdateLanguage(&lang);
        Model.ReadIdentity();
        Model.ReadDiagnostics();
    }

    void TearDown() override
    {
        Window.reset();
        Trend.Unwatch();
        Comm.Close();
        Sim.Stop();
    }

    // Update cycles as the controller runs them: the live values, the block again when the count
    // grew, then pending events. The simulator drifts on its own between them.
    void Cycles(int count)
    {
        for (int i = 0; i < count; ++i) {
            QThread::msleep(12);
            const int32_t faults = Model.ReadLiveValues();
            if (faults > LastCount) {
                LastCount = faults;
                Model.ReadDiagnostics();
            }
            QCoreApplication::processEvents();
        }
    }

    QList<QPointF> Points(const char* series) const
    {
        for (QAbstractSeries* s : Window->Chart()->series())
            if (s->objectName() == QLatin1String(series))
                return static_cast<QXYSeries*>(s)->points();
        ADD_FAILURE() << "no series " << series;
        return {};
    }
    QString Name(const char* series) const
    {
        for (QAbstractSeries* s : Window->Chart()->series())
            if (s->objectName() == QLatin1String(series))
                return s->name();
        return QString();
    }

    // The ring's samples as the series should hold them.
    QList<QPointF> Expected(int32_t TTrendSample::*value, bool faultsOnly = false) const
    {
        QList<QPointF> points;
        for (const TTrendSample& s : Trend.Ring().Samples())
            if (!faultsOnly || s.FaultCountGrew)
                points.append({qreal(s.TimeMs), qreal(s.*value)});
        return points;
    }
};

TEST_F(TrendWindowTest, SeriesHoldTheLiveSamplesTheExtremesAndTheFaultMoments)
{
    Sim.SetLive(true, std::chrono::milliseconds(10), 1000000);
    Window->ShowTrend();
    Cycles(6);
    Sim.StoreFault(0x08);
    Cycles(6);

    const std::vector<TTrendSample> samples = Trend.Ring().Samples();
    ASSERT_GE(samples.size(), 3u);
    EXPECT_EQ(samples.back().Temp, Model.LiveTemp.Value());
    EXPECT_EQ(samples.back().Freq, Model.LiveFreq.Value());
    EXPECT_EQ(samples.back().FaultCount, 15);

    EXPECT_EQ(Points("serTemp"), Expected(&TTrendSample::Temp));
    EXPECT_EQ(Points("serFreq"), Expected(&TTrendSample::Freq));
    const QList<QPointF> faults = Points("serFaults");
    ASSERT_EQ(faults.size(), 1) << "the one fault stored while the trend ran";
    EXPECT_EQ(faults, Expected(&TTrendSample::Temp, true));
    for (const QPointF& p : Points("serMaxTemp"))
        EXPECT_EQ(p.y(), Model.MaxTemp.Value());
    for (const QPointF& p : Points("serMinTemp"))
        EXPECT_EQ(p.y(), Model.MinTemp.Value());
    EXPECT_EQ(Points("serMaxTemp").size(), 2);

    EXPECT_EQ(Window->windowTitle(), "Trend");
    EXPECT_EQ(Name("serTemp"), "Temperatur");
    EXPECT_EQ(Name("serMaxTemp"), "Högsta temperatur");
    EXPECT_EQ(Name("serFaults"), "Nytt fel");
}

TEST_F(TrendWindowTest, PausedOrHiddenItKeepsItsPictureAndCatchesUpAfterwards)
{
    Sim.SetLive(true, std::chrono::milliseconds(10), 1000000);
    Window->ShowTrend();
    Cycles(3);
    auto* pause = Component<QPushButton>(Window.get(), "btnPause");
    EXPECT_EQ(pause->text(), "Paus");
    pause->click();
    EXPECT_TRUE(Window->IsPaused());
    EXPECT_EQ(pause->text(), "Fortsätt");
    const QList<QPointF> frozen = Points("serTemp");
    const size_t before = Trend.Ring().Size();
    Sim.StoreFault(0x04);
    Cycles(4);
    EXPECT_GT(Trend.Ring().Size(), before) << "samples are still taken";
    EXPECT_EQ(Points("serTemp"), frozen);
    pause->click();
    EXPECT_EQ(Points("serTemp"), Expected(&TTrendSample::Temp));

    Window->close();
    Sim.StoreFault(0x04);
    Cycles(4);
    EXPECT_LT(Points("serTemp").size(), qsizetype(Trend.Ring().Size()));
    Window->ShowTrend();
    EXPECT_EQ(Points("serTemp"), Expected(&TTrendSample::Temp));
    EXPECT_EQ(Points("serFaults").size(), 2);
}

TEST_F(TrendWindowTest, ExportsTheSamplesAndThePictureItShows)
{
    Window->ShowTrend();
    Sim.LiveStep();
    Cycles(1);
    Sim.LiveStep();
    Cycles(1);
    QStringList asked;
    QString answer;
    Window->AskFileName = [&](QWidget*, const QString& caption, const QString&, const QString&) {
        asked << caption;
        return answer;
    };

    answer = Folder.filePath("trend.csv");
    Component<QPushButton>(Window.get(), "btnExportCsv")->click();
    const QStringList lines = QString::fromLatin1(ReadAll(answer)).split("\r\n", Qt::SkipEmptyParts);
    EXPECT_EQ(lines, TrendCsv::Lines(Window->Shown()));
    EXPECT_EQ(lines.size(), qsizetype(Trend.Ring().Size()) + 1);

    answer = Folder.filePath("trend.png");
    Component<QPushButton>(Window.get(), "btnExportPng")->click();
    const QImage picture(answer);
    EXPECT_FALSE(picture.isNull());
    EXPECT_GT(picture.width(), 300);
    EXPECT_EQ(asked, (QStringList{"Spara mätvärden", "Spara bild"}));
    EXPECT_TRUE(Dialogs.Messages.empty());

    // Cancelled: nothing written, nothing said. Unwritable: said, as the file system puts it.
    answer.clear();
    Window->ExportCsv();
    EXPECT_TRUE(Dialogs.Messages.empty());
    answer = Folder.filePath("no/such/folder/trend.csv");
    Window->ExportCsv();
    Window->ExportPng();
    ASSERT_EQ(Dialogs.Messages.size(), 2u);
    EXPECT_EQ(Dialogs.Messages[0].Text, "Cannot write file " + answer + ": No such file or directory");
    EXPECT_EQ(Dialogs.Messages[0].Type, TMsgDlgType::Error);
}

} // namespace
