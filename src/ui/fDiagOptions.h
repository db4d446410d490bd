#pragma once
#include "settings/uLangController.h"
#include "settings/uLangIniFile.h"
#include <QComboBox>
#include <QDialog>
#include <functional>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TApplIniFile;
class TCommRes;
class TCommResIniFile;
class TUpdateTimer;

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
    static constexpr int ClientHeight = 306;
    static constexpr int HelpContext = 19;
    // Shown in cbLang while no language is chosen; never taken for a language name.
    static const QString LangPlaceholder;

    explicit TDiagOptions(QWidget* parent = nullptr);

    // References set by the controller, none owned.
    void SetCommRes(TCommRes* commRes) { CommRes = commRes; }
    void SetCommResIniFile(TCommResIniFile* commResIniFile) { CommResIniFile = commResIniFile; }
    void SetApplIniFile(TApplIniFile* applIniFile) { ApplIniFile = applIniFile; }
    void SetUpdateTimer(TUpdateTimer* updateTimer) { UpdateTimer = updateTimer; }
    void SetLangController(TLangController* langController) { LangController = langController; }
    void SetActions(TDiagOptionsActions actions) { Actions = std::move(actions); }

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

private:
    void CreateComponents();
    void ShowDBKind();
    QString sDBKindFolder = QStringLiteral("Mapp med databasfilen");
    QString sDBKindServer = QStringLiteral("PostgreSQL-server");
    QString sDBKindInvalid = QStringLiteral("Ogiltig serveradress");
    QString PortTip(int item) const;
    void RefreshPortTips();

    TCommRes* CommRes = nullptr;
    TCommResIniFile* CommResIniFile = nullptr;
    TApplIniFile* ApplIniFile = nullptr;
    TUpdateTimer* UpdateTimer = nullptr;
    TLangController* LangController = nullptr;
    TDiagOptionsActions Actions;
    // False while a key is down in cbLang: typing never switches the language.
    bool LangChangeAttached = true;
    // The placeholder as the current language words it.
    QString ShownPlaceholder = LangPlaceholder;
};
