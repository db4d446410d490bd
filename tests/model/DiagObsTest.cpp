#include "support/FaultBlock.h"
#include "model/uBiDirDataAsFreq.h"
#include "model/uBiDirDataAsOpTime.h"
#include "model/uBiDirDataAsShortInt.h"
#include "model/uBiDirDataAsTemp.h"
#include "model/uDynamicDiagObs.h"
#include "model/uMainWindowView.h"
#include "model/uStaticDiagObs.h"
#include "platform/Exception.h"
#include <QMap>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Keeps what the observers wrote, component by component.
class RecordingView : public TMainWindowView {
public:
    struct Component {
        QString Text;
        bool Enabled = true;
        bool Visible = true;
    };

    QMap<QString, Component> Components;
    QStringList Headers = QStringList(5, QString());
    QMap<QString, QStringList> Lists;
    std::vector<int> ClickedRows;

    void SetComponentText(const QString& c, const QString& text) override { Components[c].Text = text; }
    void SetComponentEnabled(const QString& c, bool enabled) override { Components[c].Enabled = enabled; }
    void SetComponentVisible(const QString& c, bool visible) override { Components[c].Visible = visible; }
    void SetHeaderSectionText(int section, const QString& text) override { Headers[section] = text; }
    void ClearList(const QString& list) override { Lists[list].clear(); }
    void AppendListItem(const QString& list, const QString& text) override { Lists[list].append(text); }
    int ListCount(const QString& list) const override { return static_cast<int>(Lists.value(list).size()); }
    void SelectRowAsClicked(int row) override { ClickedRows.push_back(row); }

    QString Text(const char* c) const { return Components.value(QString::fromLatin1(c)).Text; }
    bool Enabled(const char* c) const { return Components.value(QString::fromLatin1(c)).Enabled; }
    bool Visible(const char* c) const { return Components.value(QString::fromLatin1(c)).Visible; }
};

const char* const FaultLists[] = {"lstbIndex", "lstbOpTime", "lstbFaultStatus", "lstbFreq", "lstbTemp"};

class DiagObsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Static.SetMainWindow(&View);
        Static.SetActive(true);
        Dynamic.SetMainWindow(&View);
        Dynamic.SetActive(true);
    }

    QTemporaryDir Dir;
    TLangIniFile Lang{Dir.path(), QStringLiteral("DefLang")};
    RecordingView View;
    TStaticDiagObs Static;
    TDynamicDiagObs Dynamic;
};

} // namespace

TEST_F(DiagObsTest, StaticValuesAreShownWithTheirUnits)
{
    TMaxTemp maxTemp;
    TMinTemp minTemp;
    TNumOfFaults numOfFaults;
    TOperatingTime operatingTime;
    maxTemp.Attach(&Static);
    minTemp.Attach(&Static);
    numOfFaults.Attach(&Static);
    operatingTime.Attach(&Static);
    View.Components["lbNumOfFaults"].Enabled = false;
    View.Components["lbOpTime"].Enabled = false;

    maxTemp.SetValue(45);
    minTemp.SetValue(-12, false);
    numOfFaults.SetValue(27);
    operatingTime.SetValue(197121);

    EXPECT_EQ(View.Text("lbMaxTemp"), QString::fromUtf8("45 °C"));
    EXPECT_EQ(View.Text("lbMinTemp"), QString::fromUtf8("-12 °C"));
    EXPECT_EQ(View.Text("lbNumOfFaults"), "27");
    EXPECT_TRUE(View.Enabled("lbNumOfFaults"));
    EXPECT_EQ(View.Text("lbOpTime"), "197121"); // the saved reading takes it without a unit
    EXPECT_TRUE(View.Enabled("lbOpTime"));
}

TEST_F(DiagObsTest, LiveValuesAreShownWithTheirUnitsAndEnabled)
{
    TBiDirDataAsOpTime opTime;
    TBiDirDataAsFreq freq;
    TBiDirDataAsTemp temp;
    TBiDirDataAsShortInt faultCount;
    for (TSubject* item : std::initializer_list<TSubject*>{&opTime, &freq, &temp, &faultCount})
        item->Attach(&Dynamic);
    Dynamic.UpdateLanguage(&Lang);

    opTime.SetValue(197121);
    freq.SetValue(1500);
    temp.SetValue(-12);
    faultCount.SetValue(7);

    EXPECT_EQ(View.Text("lbOperatingTime"), "197121 h");
    EXPECT_EQ(View.Text("lbFreq"), "1500 Hz");
    EXPECT_EQ(View.Text("lbTemp"), QString::fromUtf8("-12 °C"));
    for (const char* label : {"lbOperatingTime", "lbFreq", "lbTemp"})
        EXPECT_TRUE(View.Enabled(label)) << label;
    // Only the values come alive; the titles wait for repeated updating.
    for (const char* title : {"lbTitleOperatingTime", "lbTitleFreq", "lbTitleTemp"})
        EXPECT_FALSE(View.Enabled(title)) << title;
    EXPECT_EQ(View.Components.size(), 6); // the fault count wrote nothing
}

TEST_F(DiagObsTest, SubjectsOfAnotherKindAreRefused)
{
    TBiDirDataAsTemp liveTemp;
    TMaxTemp maxTemp;
    EXPECT_THROW(Static.Update(&liveTemp, 0), Exception);
    EXPECT_THROW(Dynamic.Update(&maxTemp, 0), Exception);
    EXPECT_TRUE(View.Components.isEmpty());
}

TEST_F(DiagObsTest, FaultTableIsRebuiltNewestFirstWithRowZeroClicked)
{
    FaultListFixture list;
    list.Faults.Attach(&Static);
    View.Lists["lstbIndex"] = QStringList{"old"};

    list.Load(FaultBlock(15, [](int i) { return i == 14 ? 0x0C : 0x31; }));

    ASSERT_EQ(View.Lists["lstbIndex"].size(), 13);
    EXPECT_EQ(View.Lists["lstbIndex"].mid(0, 3), (QStringList{"15", "14", "13"}));
    EXPECT_EQ(View.Lists["lstbIndex"].last(), "3");
    EXPECT_EQ(View.Lists["lstbOpTime"].mid(0, 2), (QStringList{"1140", "1130"}));
    EXPECT_EQ(View.Lists["lstbFaultStatus"].mid(0, 2), (QStringList{"0C", "31"}));
    EXPECT_EQ(View.Lists["lstbFreq"][0], "1500");  // no units in the table
    EXPECT_EQ(View.Lists["lstbTemp"][0], "20");
    for (const char* name : FaultLists)
        EXPECT_EQ(View.Lists[name].size(), 13) << name;
    EXPECT_EQ(View.ClickedRows, std::vector<int>{0});
}

TEST_F(DiagObsTest, EmptyFaultListLeavesTheTableEmptyAndClicksNothing)
{
    FaultListFixture list;
    list.Faults.Attach(&Static);
    for (const char* name : FaultLists)
        View.Lists[name] = QStringList{"stale"};

    list.Load(FaultBlock(0));

    for (const char* name : FaultLists)
        EXPECT_TRUE(View.Lists[name].isEmpty()) << name;
    EXPECT_TRUE(View.ClickedRows.empty());
}

TEST_F(DiagObsTest, LanguagePassClearsTheTableAndGreysTheLiveValues)
{
    for (const char* name : FaultLists)
        View.Lists[name] = QStringList{"1", "2"};
    View.Components["lbOperatingTime"] = {QStringLiteral("12 h"), true, true};
    View.Components["lbNumOfFaults"] = {QStringLiteral("3"), true, true};

    Static.UpdateLanguage(&Lang);
    Dynamic.UpdateLanguage(&Lang);

    for (const char* name : FaultLists)
        EXPECT_TRUE(View.Lists[name].isEmpty()) << name;
    EXPECT_EQ(View.Headers, (QStringList{"Index", "Drifttid", "Felstatus", "Frekvens", "Temperatur"}));
    EXPECT_EQ(View.Text("lbTitleMaxTemp"), QString::fromUtf8("Högsta temperatur:"));
    EXPECT_EQ(View.Text("lbTitleMinTemp"), QString::fromUtf8("Lägsta temperatur:"));
    EXPECT_EQ(View.Text("lbStoredFaults"), "Lagrade fel:");
    EXPECT_EQ(View.Text("lbTitleOpTime"), "Drifttid:");
    for (const char* hidden : {"lbTitleNumOfFaults", "lbTitleOpTime", "lbNumOfFaults", "lbOpTime"})
        EXPECT_FALSE(View.Visible(hidden)) << hidden;
    for (const char* live : {"lbOperatingTime", "lbFreq", "lbTemp"}) {
        EXPECT_EQ(View.Text(live), "-") << live;
        EXPECT_FALSE(View.Enabled(live)) << live;
    }
    EXPECT_EQ(View.Text("lbTitleTemp"), "Temperatur:");

    // A translation is taken from the language file.
    Lang.SetSection(QStringLiteral("KIV"));
    Lang.WriteString(QStringLiteral("KIV"), QStringLiteral("Section_2"), QStringLiteral("Fault status"));
    Static.UpdateLanguage(&Lang);
    EXPECT_EQ(View.Headers[2], "Fault status");
}
