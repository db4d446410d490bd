#pragma once
#include "settings/uLangController.h"
#include "settings/uLangIniFile.h"
#include <QComboBox>
#include <QDialog>
#include <functional>
#include <memory>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TApplIniFile;
class TCommRes;
class TCommResIniFile;
class TSerialPortSystem;
class TUpdateTimer;
class QTimer;

// What the options dialog asks of the rest of the program; set by the controller, an action left
// empty does nothing.
struct TDiagOptionsActions {
    std::function<void()> GoOnline;
    std::function<void()> ApplySettingsAndLanguage;
    // The database layer's initialisation of the remote database.
    std::function<void()> InitRemoteDatabase;
};

// The modal settings dialog: port, update interval, language, modem and remote database folder.
// While closed it still holds what others read: the language list in cbLang, the modem check
// box and number, the remote folder.
class TDiagOptions : public QDialog, public TLangClient, public TLangList {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 290;
    static constexpr int ClientHeight = 362;
    // How often the device list looks for adapters plugged in or out while the dialog is shown.
    static constexpr int DeviceScanMs = 1000;
    static constexpr int HelpContext = 19;
    // Shown in cbLang while no language is chosen; never taken for a language name.
    static const QString LangPlaceholder;

    explicit TDiagOptions(QWidget* parent = nullptr);
    ~TDiagOptions() override;

    // References set by the controller, none owned.
    void SetCommRes(TCommRes* commRes) { CommRes = commRes; }
    void SetCommResIniFile(TCommResIniFile* commResIniFile) { CommResIniFile = commResIniFile; }
    void SetApplIniFile(TApplIniFile* applIniFile) { ApplIniFile = applIniFile; }
    void SetUpdateTimer(TUpdateTimer* updateTimer) { UpdateTimer = updateTimer; }
    void SetLangController(TLangController* langController) { LangController = langController; }
    void SetActions(TDiagOptionsActions actions) { Actions = std::move(actions); }
    // Not owned; without one the machine's own serial devices are listed.
    void SetPortSystem(const TSerialPortSystem* system) { PortSystem = system; }

    // True when the dialog was closed with OK.
    bool RunModal();
    void UpdateLanguage(TLangIniFile* langFile) override;

    // Sets a label's text and fits the label to it, so no caption is ever cut off.
    static void SetCaption(QLabel* label, const QString& text);
    // Selects an entry as a program does: the box shows the entry's text and reports no change.
    static void SelectEntry(QComboBox* box, int index);
    // Each port name with the device it stands for, one per line.
    QString PortDevicesText() const;

    // The language list of the language controller lives in cbLang.
    QStringList LangItems() const override;
    void SetLangItems(const QStringList& items) override;
    int LangItemIndex() const override;
    void SetLangItemIndex(int index) override;

    void cbComPortChange();
    // Lists the devices present and shows the one the selected port stands for.
    void RefreshDevices();
    // The chosen or typed device becomes the selected port's device, in the settings at once.
    void cbComDeviceChange();
    void cbUpdateIntervalChange();
    void cbLangChange();
    void cbLangKeyDown();
    void cbLangKeyUp();
    // True when the key was Enter and has been used up.
    bool cbLangKeyPress(int key);
    void btnOkClick();
    void sbtnDbDirClick();
    void spbtnUpdateDBClick();

    // Components
    QLabel* lbComPort;
    QComboBox* cbComPort;
    QLabel* lbComDevice;
    QComboBox* cbComDevice;
    QLabel* lbComDeviceInfo;
    QLabel* lbUpdateInterval;
    QComboBox* cbUpdateInterval;
    QLabel* lbLangTitle;
    QComboBox* cbLang;
    QCheckBox* cbUseModem;
    QLabel* lbTelephoneNumberTitle;
    QLineEdit* edTelphoneNumber;
    QFrame* Bevel1;
    QFrame* Bevel2;
    QLabel* lbRemDBDir;
    QLineEdit* edDBDir;
    // What the remote-database field names: a folder or a database server.
    QLabel* lbDBKind;
    QToolButton* sbtnDbDir;
    QToolButton* spbtnUpdateDB;
    QPushButton* btnOk;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void CreateComponents();
    void ShowDBKind();
    QString sDBKindFolder = QStringLiteral("Mapp med databasfilen");
    QString sDBKindServer = QStringLiteral("PostgreSQL-server");
    QString sDBKindInvalid = QStringLiteral("Ogiltig serveradress");
    QString PortTip(int item) const;
    void RefreshPortTips();
    const TSerialPortSystem& Ports() const;
    void ShowDeviceInfo();

    TCommRes* CommRes = nullptr;
    TCommResIniFile* CommResIniFile = nullptr;
    TApplIniFile* ApplIniFile = nullptr;
    TUpdateTimer* UpdateTimer = nullptr;
    TLangController* LangController = nullptr;
    TDiagOptionsActions Actions;
    const TSerialPortSystem* PortSystem = nullptr;
    std::unique_ptr<TSerialPortSystem> MachinePorts;
    QTimer* DeviceScan = nullptr;
    // What the device list showed last, so a scan that finds the same devices changes nothing.
    QStringList ListedDevices;
    // False while a key is down in cbLang: typing never switches the language.
    bool LangChangeAttached = true;
    // The placeholder as the current language words it.
    QString ShownPlaceholder = LangPlaceholder;
};
