#pragma once
#include "settings/uLangIniFile.h"
#include <QDialog>
#include <QString>
#include <memory>

class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTableView;
class QToolBar;
class QToolButton;
class TApplIniFile;
class TDataMod;
class TDbCursor;
class TDbCursorModel;
class TDialogs;
class TFaultHistoryFrm;
class THelp;
class TQRMDForm;
class TReportRangeFrm;
class TSrchFrm;

// The database viewer: the saved readings one encoder at a time, identity and property values
// above, the encoder's fault rows below. Showing it connects to the remote database and carries
// the staged readings into it; when the remote database cannot be reached it browses the local
// one. It always closes on the local database.
class TKivDBViewFrm : public QDialog, public TLangClient {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 507;
    static constexpr int ClientHeight = 416;
    static constexpr int HelpContext = 10;
    static constexpr int GridHelpContext = 18;

    TKivDBViewFrm(TDataMod& dataMod, TDialogs& dialogs, QWidget* parent = nullptr);
    ~TKivDBViewFrm() override;

    // Set by the controller: the settings for the placement and the remote database
    // initialisation, and the help window.
    TApplIniFile* ApplIniFile = nullptr;
    THelp* Help = nullptr;

    // Connects and updates (FormShow), then runs the window until it is closed.
    void RunModal();
    void UpdateLanguage(TLangIniFile* langFile) override;
    // The options dialog's first copy of the database into the remote folder.
    void InitRemoteDatabase();
    void DisableToolButtons();
    void EnableToolButtons();

    TSrchFrm& SrchFrm() const { return *Search; }
    TQRMDForm& QRMDForm() const { return *Report; }
    // The current encoder's fault history as charts, a window of its own beside the viewer.
    TFaultHistoryFrm& FaultHistory() const { return *History; }
    TReportRangeFrm& ReportRangeFrm() const { return *ReportRange; }
    // The hidden text box that may serve as the data module's scratch buffer.
    QPlainTextEdit* Memo1() const { return Memo; }

    const QString& CopyMsg() const { return sCopyMsg; }
    const QString& CopyMsgError() const { return sCopyMsgError; }
    const QString& ConnectionError() const { return sConnectionError; }
    const QString& AliasFound() const { return sAliasFound; }
    const QString& DeleteFunction() const { return sDeleteFunction; }

    // Event handlers.
    void FormShow();
    void FormClose();
    void mmiCloseClick();
    void spbtnConnectedClick();
    void tbtnUpdateClick();
    void tbtnAliasClick();
    void tbtnDeleteClick();
    void tbtnSearchClick();
    void tbtnPrintClick();
    void tbtnHelpClick();
    void DBGrid2DblClick();
    void DBGrid2CellClick();
    void tbtnHistoryClick();

    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormCreate();
    void CreateToolBar();
    void CreateFields();
    void CreateGrid();
    QToolButton* AddToolButton(const char* name, const char* picture, const QString& caption);
    QLabel* AddLabel(const char* name, int x, int y, const QString& text);
    QLineEdit* AddField(const char* name, int x, int y, int width, TDbCursor& cursor, const char* column);
    void UpdateNavigator();
    bool Swedish() const;
    void ShowHelp(int context);

    TDataMod& DataMod;
    TDialogs& Dialogs;
    std::unique_ptr<TQRMDForm> Report;
    TSrchFrm* Search = nullptr;
    TFaultHistoryFrm* History = nullptr;
    TReportRangeFrm* ReportRange = nullptr;

    QString sCopyMsg;
    QString sCopyMsgError;
    QString sConnectionError;
    QString sAliasFound;
    QString sDeleteFunction;

    QToolBar* ToolBar1 = nullptr;
    QToolButton* tbtnClose = nullptr;
    QToolButton* tbtnPrint = nullptr;
    QToolButton* tbtnSearch = nullptr;
    QToolButton* tbtnAlias = nullptr;
    QToolButton* tbtnDelete = nullptr;
    QToolButton* spbtnConnected = nullptr;
    QToolButton* tbtnUpdate = nullptr;
    QToolButton* tbtnHelp = nullptr;
    QToolButton* tbtnHistory = nullptr;
    QFrame* Panel1 = nullptr;
    QLabel* DBText1 = nullptr;
    QWidget* DBNavigator1 = nullptr;
    QToolButton* nbFirst = nullptr;
    QToolButton* nbPrior = nullptr;
    QToolButton* nbNext = nullptr;
    QToolButton* nbLast = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label5 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label10 = nullptr;
    QLabel* Label11 = nullptr;
    QLineEdit* DBEdit1 = nullptr;
    QTableView* DBGrid2 = nullptr;
    TDbCursorModel* GridModel = nullptr;
    QPlainTextEdit* Memo = nullptr;
};
