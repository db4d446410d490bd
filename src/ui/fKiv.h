#pragma once
#include "core/uProgressIndicator.h"
#include "model/uMainWindowView.h"
#include "model/uReadingTexts.h"
#include "settings/uLangIniFile.h"
#include <QProgressBar>
#include <QHash>
#include <QStringList>
#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

class QFrame;
class QGroupBox;
class QHeaderView;
class QLabel;
class QListWidget;
class QPushButton;
class QStatusBar;
class QStandardItemModel;
class TApplIniFile;
class TDialogs;
class TStoredFaults;
class TStoredFaultView;

// The reading progress of the main window. The link steps it during block transfers; Windows'
// progress bars start over at the minimum when a step passes the maximum, and so does this one.
class TKivProgressBar : public QProgressBar, public TProgressIndicator {
public:
    explicit TKivProgressBar(QWidget* parent);
    void SetMin(int value) override;
    void SetMax(int value) override;
    void SetPosition(int value) override;
    void SetStep(int value) override;
    void SetSegmented(bool segmented) override;
    int GetPosition() const override;
    int GetMax() const override;
    void StepIt() override;

    int GetStep() const { return Step; }
    bool IsSegmented() const { return Segmented; }

private:
    int Step = 10;
    bool Segmented = false;
};

// What the window asks of the rest of the program. The controller fills these in when it wires
// the objects; an action left empty does nothing (a repeat query left empty answers "off").
struct TKivActions {
    std::function<void()> ReadIdentity;
    std::function<void()> ReadDiagnostics;
    std::function<bool()> IsRepeating;
    std::function<void(bool)> SetRepeat;
    std::function<void()> RefreshLiveValues;
    // The web browser's start address, which the logo opens and names in its hint.
    std::function<QString()> BrowserAddress;
    // Opens the live trend window; it only looks at the readings, so it never waits for one.
    std::function<void()> ShowTrend;
    // Runs a button's handler; the controller defers it while a reading is running, so a click
    // handled while the reading lets pending events run never starts a second one on the link.
    // Left empty, the handler runs at once.
    std::function<void(const std::function<void()>&)> RunButton;
};

// The main diagnostic window: the encoder's identity, its live and stored values and the table of
// stored faults. It shows what the controller and the presentation observers put into it.
class TKIV : public QWidget, public TMainWindowView, public TLangClient {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 513;
    static constexpr int ClientHeight = 503;
    static constexpr int HelpContext = 10;
    static constexpr int HeaderHelpContext = 13;
    static constexpr int TableHelpContext = 18;
    static constexpr int StatusPanelCount = 3;

    explicit TKIV(TDialogs& dialogs, QWidget* parent = nullptr);
    ~TKIV() override;

    void SetSettings(TApplIniFile* settings) { Settings = settings; }
    void SetStoredFaults(TStoredFaults* storedFaults) { StoredFaults = storedFaults; }
    TStoredFaults* GetStoredFaults() const { return StoredFaults; }
    void SetActions(TKivActions actions) { Actions = std::move(actions); }

    void UpdateLanguage(TLangIniFile* langFile) override;
    // The observers have set the column titles and the value titles by now.
    void LanguagePassEnded() override;

    void ShowPartNumber(int32_t number, bool newFormat);
    void ShowSerialNumber(int32_t number);
    void ShowSoftwareVersion(uint8_t version);
    void ShowHardwareVersion(uint8_t version);
    void ShowUnitsPerRevolution(int32_t number);

    void FormResize();
    void HeaderControl1SectionResize();
    void AutoSizeColumns();
    int MaxItemWidth(const QListWidget* list) const;

    void lstbClick(QListWidget* sender);
    void lstbFaultStatusDblClick(QListWidget* sender);
    void btnSingleUpdateClick();
    // The caller is the viewer when it steps through the faults; the viewer then shows the fault
    // of the row selected afterwards.
    void btnUpClick(QObject* caller);
    void btnDownClick(QObject* caller);
    void btnOpenClick();
    void Image1Click();
    void btnTrendClick();
    void Image1MouseMove();
    // What the logo's hint names: the start address's host, or the address itself for a page
    // without one (a local file).
    static QString HostHint(const QString& address);

    // Panel 0: port name, panel 1: connection status, panel 2: lies under the progress bar.
    void SetStatusText(int panel, const QString& text);
    QString StatusText(int panel) const;
    TKivProgressBar& ProgressBar() { return *kivProgressBar; }
    TStoredFaultView& StoredFaultView() { return *FaultView; }

    // The fault list of a column, as the window shows it.
    QListWidget* FaultList(int column) const { return Lists[column]; }
    int SelectedRow() const;

    // TMainWindowView
    void SetComponentText(const QString& component, const QString& text) override;
    void SetComponentEnabled(const QString& component, bool enabled) override;
    void SetComponentVisible(const QString& component, bool visible) override;
    void SetHeaderSectionText(int section, const QString& text) override;
    void ClearList(const QString& list) override;
    void AppendListItem(const QString& list, const QString& text) override;
    int ListCount(const QString& list) const override;
    // The text a label of the window shows, by its component name.
    QString ComponentText(const QString& component) const;
    // The rows of one of the five fault lists, by its component name.
    QStringList ListItems(const QString& list) const;
    // The reading as this window shows it, for a save.
    TReadingTexts ReadingTexts() const;
    void SelectRowAsClicked(int row) override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void RunButton(const std::function<void()>& handler);
    void CreateComponents();
    QLabel* AddLabel(QWidget* parent, const char* name, const QRect& rect, Qt::Alignment align);
    QWidget* Component(const QString& name) const;
    QListWidget* ListNamed(const QString& name) const;
    void ShowIdentityValue(QLabel* title, QLabel* value, const QString& text);
    void ShowSelectedFaultInViewer();
    int PanelBorder() const;
    // Title labels grow with their text; where a column of titles has no room left, its values
    // move aside. Each pass starts again from the design's places.
    void FitTexts();
    void FitTitleColumn(const std::vector<QLabel*>& titles, const std::vector<QLabel*>& values, int minLeft);
    QLabel* Label(const char* name) const;
    // The table's width for every column title and row with the usual room around each.
    int TableWidthNeeded() const;

    TDialogs& Dialogs;
    TApplIniFile* Settings = nullptr;
    TStoredFaults* StoredFaults = nullptr;
    TKivActions Actions;
    TStoredFaultView* FaultView = nullptr;
    bool Aligning = false;
    bool Selecting = false;
    // The places the design gives the labels and buttons that fit themselves to their texts.
    QHash<QWidget*, QRect> DesignPlaces;

    QFrame* Panel2 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* lbKivText = nullptr;
    QGroupBox* grpbDignosticData = nullptr;
    QLabel* lbPartNumTitle = nullptr;
    QLabel* lbPartNum = nullptr;
    QLabel* lbSerialNumTitle = nullptr;
    QLabel* lbSerialNum = nullptr;
    QLabel* lbSoftVerTitle = nullptr;
    QLabel* lbSoftVer = nullptr;
    QLabel* lbHardVerTitle = nullptr;
    QLabel* lbHardVer = nullptr;
    QLabel* lbUnitsPerRevTitle = nullptr;
    QLabel* lbUnitsPerRev = nullptr;
    QFrame* Panel1 = nullptr;
    QHeaderView* HeaderControl1 = nullptr;
    QStandardItemModel* HeaderModel = nullptr;
    std::array<QListWidget*, 5> Lists{};
    QPushButton* btnOpen = nullptr;
    QPushButton* btnUp = nullptr;
    QPushButton* btnDown = nullptr;
    QPushButton* btnSingleUpdate = nullptr;
    QPushButton* btnTrend = nullptr;
    QStatusBar* kivStatusBar = nullptr;
    std::array<QLabel*, StatusPanelCount> StatusPanels{};
    TKivProgressBar* kivProgressBar = nullptr;
};
