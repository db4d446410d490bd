#pragma once
#include "model/uReadingTexts.h"
#include "settings/uLangIniFile.h"
#include <QIcon>
#include <QObject>
#include <QString>
#include <QWidget>
#include <array>
#include <functional>
#include <optional>

class QFrame;
class QLabel;
class QPushButton;
class QStatusBar;
class QToolButton;
class TApplIniFile;
class TCommRes;
class TDiagOptions;
class TDialogs;
class TPasswordDlg;
class TUpdateTimer;

// The two arrow pictures of btnArrow: 0 while the window is collapsed, 1 while it is expanded.
class TImageList : public QObject {
public:
    TImageList(const QString& name, std::array<QIcon, 2> images, QObject* parent);
    const QIcon& Image(int index) const { return Images.at(static_cast<size_t>(index)); }

private:
    std::array<QIcon, 2> Images;
};

// What the control window asks of the rest of the program. The controller fills these in when it
// wires the objects; an action left empty does nothing (a query left empty answers "no").
struct TDiagManagerActions {
    std::function<void()> ResetEncoder;
    std::function<void()> RefreshLiveValues;
    // The same as a click on the main window's single-update button.
    std::function<void()> SingleUpdate;
    std::function<void()> ShutDown;

    // The database layer behind the save and viewer buttons.
    // Saves the reading the main window shows; askAlias is asked only for an encoder without an
    // alias and answers nothing when the user declines.
    std::function<TSaveOutcome(const std::function<std::optional<QString>()>& askAlias)> SaveReading;
    // Shows the database viewer modally.
    std::function<void()> ShowDBViewer;
    // Runs a button's handler; the controller defers it while a reading is running, so a click
    // handled while the reading lets pending events run never starts a second one on the link.
    // Left empty, the handler runs at once.
    std::function<void(const std::function<void()>&)> RunButton;
};

// The application's main form: a narrow panel of buttons that brings the encoder online,
// switches repeated updating, resets the encoder and opens the options and the database. It
// starts collapsed to its two top buttons; the arrow expands it.
class TDiagManager : public QWidget, public TLangClient {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 202;
    static constexpr int ClientHeight = 227;
    static constexpr int HelpContext = 10;
    static const QString AdminPassword;

    explicit TDiagManager(TDialogs& dialogs, QWidget* parent = nullptr);
    ~TDiagManager() override;

    // References set by the controller, none owned.
    void SetSettings(TApplIniFile* settings) { Settings = settings; }
    void SetCommRes(TCommRes* commRes) { CommRes = commRes; }
    void SetUpdateTimer(TUpdateTimer* updateTimer) { UpdateTimer = updateTimer; }
    TUpdateTimer* GetUpdateTimer() const { return UpdateTimer; }
    void SetOptions(TDiagOptions* options) { Options = options; }
    void SetPasswordDlg(TPasswordDlg* passwordDlg) { PasswordDlg = passwordDlg; }
    void SetActions(TDiagManagerActions actions) { Actions = std::move(actions); }

    // The window's language pass; it also restores the placement and shows the window.
    void Init(TLangIniFile* langFile);
    void UpdateLanguage(TLangIniFile* langFile) override { Init(langFile); }

    // The end of the window's creation, run by the program entry once the controller's StartUp has
    // returned: on the first start, the hint to set up the remote database, then the options.
    void FirstStartCheck();

    void ShowOnlineLed(bool lit);
    void ShowUpdateLed(bool lit);
    const QIcon& Led(bool lit) const { return lit ? LedOn : LedOff; }
    // Panel 0 shows the help hint; panel 1 stays empty.
    QString StatusText(int panel) const;

    bool IsExpanded() const { return Expanded; }
    int FullHeight() const { return FullClientHeight; }
    int CollapsedHeight() const;

    // Texts kept by Init for the handlers.
    const QString& FirstTimeMsg() const { return sFirstTimeMsg; }
    const QString& DBFunctionMsg() const { return sDBFunction; }
    const QString& NoAliasMsg() const { return sNoAliasMsg; }

    void btnOnLineClick();
    void btnUpdateClick();
    void btnRstEncoderClick();
    void btnOptionsClick();
    void bitbtnDatabaseClick();
    void btnDBViewerClick();
    void btnArrowClick();

    // Components; the observers set the captions of btnOnLine and btnUpdate.
    QPushButton* btnUpdate;
    QPushButton* btnOnLine;
    QFrame* Bevel1;
    QLabel* StaticText1;
    QToolButton* btnArrow;
    QPushButton* btnRstEncoder;
    QPushButton* btnOptions;
    QPushButton* bitbtnDatabase;
    QPushButton* btnDBViewer;
    QStatusBar* aStatusBar = nullptr;
    QLabel* imgUpdateLedOn;
    QLabel* imgUpdateLedOff;
    TImageList* ImageList1;

protected:
    // Closing the control window ends the application, whatever other windows are open.
    void closeEvent(QCloseEvent* event) override;

private:
    void RunButton(const std::function<void()>& handler);
    void CreateComponents();
    QPushButton* AddButton(const char* name, int top, const QString& picture = QString());
    void SetClientHeight(int height);
    // Repeated updating is paused while a modal window is open and resumed afterwards.
    void ModalPause(const std::function<void()>& showModal);
    void FormDestroy();

    TDialogs& Dialogs;
    TApplIniFile* Settings = nullptr;
    TCommRes* CommRes = nullptr;
    TUpdateTimer* UpdateTimer = nullptr;
    TDiagOptions* Options = nullptr;
    TPasswordDlg* PasswordDlg = nullptr;
    TDiagManagerActions Actions;

    std::array<QLabel*, 2> StatusPanels{};
    QIcon LedOn;
    QIcon LedOff;
    int FullClientHeight = ClientHeight;
    bool Expanded = false;
    QString sFirstTimeMsg;
    QString sDBFunction;
    QString sNoAliasMsg;
};
