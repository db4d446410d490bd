#include "db/fKivDB.h"
#include "db/DbError.h"
#include "db/FmxUtils.h"
#include "db/KivQRprt.h"
#include "db/fDbSrch.h"
#include "db/fFaultHistory.h"
#include "db/fReportRange.h"
#include "db/uKivDataMod.h"
#include "platform/Dialogs.h"
#include "ui/KivApplication.h"
#include "settings/uApplIniFile.h"
#include "ui/uHelp.h"
#include "ui/uKivResources.h"
#include <QFrame>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QResizeEvent>
#include <QTableView>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>

namespace {

const char* const Section = "KivDBViewFrm";
const QColor Navy(0x00, 0x00, 0x80);
const QColor Teal(0x00, 0x80, 0x80);
constexpr int GridTop = 208;
constexpr int GridMargin = 4;

void SetTextColor(QWidget* widget, QPalette::ColorRole role, const QColor& color)
{
    QPalette pal = widget->palette();
    pal.setColor(role, color);
    widget->setPalette(pal);
}

QFont SerifFont(int points)
{
    QFont font(QStringLiteral("Times New Roman"), points, QFont::Bold);
    font.setStyleHint(QFont::Serif);
    return font;
}

} // namespace

TKivDBViewFrm::TKivDBViewFrm(TDataMod& dataMod, TDialogs& dialogs, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                          | Qt::WindowCloseButtonHint),
      DataMod(dataMod), Dialogs(dialogs)
{
    EnsureKivResources();
    setObjectName(QString::fromLatin1(Section));
    setFont(FormFont());
    setWindowTitle(QStringLiteral("Kiv Database Viewer"));
    setModal(true);
    resize(ClientWidth, ClientHeight);
    move(288, 268);
    SetHelpContext(this, HelpContext);

    FormCreate();
    CreateToolBar();
    CreateFields();
    CreateGrid();

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo1"));
    Memo->setGeometry(8, 216, 469, 159);
    Memo->hide();

    // Beside the navigator, whose encoder it charts; browsing, so usable on either database.
    tbtnHistory = new QToolButton(this);
    tbtnHistory->setObjectName(QStringLiteral("tbtnHistory"));
    tbtnHistory->setIcon(QIcon(QStringLiteral(":/images/db-history.png")));
    tbtnHistory->setAutoRaise(true);
    tbtnHistory->setGeometry(482, 50, 22, 30);
    History = new TFaultHistoryFrm(DataMod, this);
    connect(tbtnHistory, &QToolButton::clicked, this, [this] { tbtnHistoryClick(); });

    connect(&DataMod.EncoderIDTab, &TDbCursor::CurrentChanged, this, [this] { UpdateNavigator(); });
    connect(&DataMod.EncoderIDTab, &TDbCursor::RowsChanged, this, [this] { UpdateNavigator(); });
    UpdateNavigator();
}

TKivDBViewFrm::~TKivDBViewFrm() = default;

void TKivDBViewFrm::FormCreate()
{
    Report = std::make_unique<TQRMDForm>(DataMod);
    Search = new TSrchFrm(this);
    ReportRange = new TReportRangeFrm(this);
}

QToolButton* TKivDBViewFrm::AddToolButton(const char* name, const char* picture, const QString& caption)
{
    auto* button = new QToolButton(ToolBar1);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(QIcon(QStringLiteral(":/images/") + QString::fromLatin1(picture)));
    button->setText(caption);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    button->setMinimumSize(42, 36);
    if (!ToolBar1->actions().isEmpty())
        ToolBar1->addSeparator();
    ToolBar1->addWidget(button);
    return button;
}

void TKivDBViewFrm::CreateToolBar()
{
    ToolBar1 = new QToolBar(this);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFloatable(false);
    ToolBar1->setIconSize(QSize(16, 16));
    ToolBar1->setGeometry(0, 0, ClientWidth, 41);

    tbtnClose = AddToolButton("tbtnClose", "db-close.png", QStringLiteral("Close"));
    tbtnClose->setProperty("Tag", 1);
    tbtnPrint = AddToolButton("tbtnPrint", "db-print.png", QStringLiteral("Print"));
    tbtnSearch = AddToolButton("tbtnSearch", "db-search.png", QStringLiteral("Search"));
    tbtnAlias = AddToolButton("tbtnAlias", "db-alias.png", QStringLiteral("Alias"));
    tbtnDelete = AddToolButton("tbtnDelete", "db-delete.png", QStringLiteral("Delete"));

    spbtnConnected = new QToolButton(ToolBar1);
    spbtnConnected->setObjectName(QStringLiteral("spbtnConnected"));
    QIcon states;
    states.addFile(QStringLiteral(":/images/db-disconnected.png"), QSize(), QIcon::Normal, QIcon::Off);
    states.addFile(QStringLiteral(":/images/db-connected.png"), QSize(), QIcon::Normal, QIcon::On);
    spbtnConnected->setIcon(states);
    spbtnConnected->setCheckable(true);
    spbtnConnected->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    spbtnConnected->setFont(SerifFont(10));
    SetTextColor(spbtnConnected, QPalette::ButtonText, Navy);
    spbtnConnected->setMinimumSize(118, 36);
    spbtnConnected->setText(QStringLiteral("Locale"));
    ToolBar1->addSeparator();
    ToolBar1->addWidget(spbtnConnected);

    tbtnUpdate = AddToolButton("tbtnUpdate", "db-update.png", QStringLiteral("Update"));
    tbtnHelp = AddToolButton("tbtnHelp", "db-help.png", QStringLiteral("Help"));

    connect(tbtnClose, &QToolButton::clicked, this, [this] { mmiCloseClick(); });
    connect(tbtnPrint, &QToolButton::clicked, this, [this] { tbtnPrintClick(); });
    connect(tbtnSearch, &QToolButton::clicked, this, [this] { tbtnSearchClick(); });
    connect(tbtnAlias, &QToolButton::clicked, this, [this] { tbtnAliasClick(); });
    connect(tbtnDelete, &QToolButton::clicked, this, [this] { tbtnDeleteClick(); });
    connect(spbtnConnected, &QToolButton::clicked, this, [this] { spbtnConnectedClick(); });
    connect(tbtnUpdate, &QToolButton::clicked, this, [this] { tbtnUpdateClick(); });
    connect(tbtnHelp, &QToolButton::clicked, this, [this] { tbtnHelpClick(); });
}

QLabel* TKivDBViewFrm::AddLabel(const char* name, int x, int y, const QString& text)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(QString::fromLatin1(name));
    SetTextColor(label, QPalette::WindowText, Navy);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLineEdit* TKivDBViewFrm::AddField(const char* name, int x, int y, int width, TDbCursor& cursor, const char* column)
{
    auto* field = new QLineEdit(this);
    field->setObjectName(QString::fromLatin1(name));
    field->setReadOnly(true);
    field->setGeometry(x, y, width, 21);
    const QString col = QString::fromLatin1(column);
    auto show = [field, &cursor, col] {
        field->setText(cursor.FieldText(col));
        field->setCursorPosition(0);
    };
    connect(&cursor, &TDbCursor::CurrentChanged, field, show);
    show();
    return field;
}

void TKivDBViewFrm::CreateFields()
{
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(5, 50, 185, 30);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setAutoFillBackground(true);
    SetTextColor(Panel1, QPalette::Window, Teal);
    DBText1 = new QLabel(Panel1);
    DBText1->setObjectName(QStringLiteral("DBText1"));
    DBText1->setGeometry(1, 1, 183, 28);
    DBText1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    DBText1->setAlignment(Qt::AlignCenter);
    DBText1->setFont(SerifFont(12));
    SetTextColor(DBText1, QPalette::WindowText, Qt::yellow);
    auto showAlias = [this] { DBText1->setText(DataMod.EncAliasTab.FieldText(QStringLiteral("Alias"))); };
    connect(&DataMod.EncAliasTab, &TDbCursor::CurrentChanged, DBText1, showAlias);
    showAlias();

    DBNavigator1 = new QWidget(this);
    DBNavigator1->setObjectName(QStringLiteral("DBNavigator1"));
    DBNavigator1->setGeometry(216, 50, 264, 30);
    TDbCursor& master = DataMod.EncoderIDTab;
    auto navButton = [this](const char* name, const char* picture, int index, auto move) {
        auto* button = new QToolButton(DBNavigator1);
        button->setObjectName(QString::fromLatin1(name));
        button->setIcon(QIcon(QStringLiteral(":/images/") + QString::fromLatin1(picture)));
        button->setAutoRaise(true);
        button->setGeometry(index * 66, 0, 66, 30);
        connect(button, &QToolButton::clicked, this, move);
        return button;
    };
    nbFirst = navButton("nbFirst", "nav-first.png", 0, [&master] { master.First(); });
    nbPrior = navButton("nbPrior", "nav-prior.png", 1, [&master] { master.Prior(); });
    nbNext = navButton("nbNext", "nav-next.png", 2, [&master] { master.Next(); });
    nbLast = navButton("nbLast", "nav-last.png", 3, [&master] { master.Last(); });

    auto bevel = [this](const char* name, int x, int y, int w, int h) {
        auto* frame = new QFrame(this);
        frame->setObjectName(QString::fromLatin1(name));
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        frame->setGeometry(x, y, w, h);
    };
    bevel("Bevel1", 4, 86, 498, 118);
    bevel("Bevel4", 10, 92, 201, 105);
    bevel("Bevel2", 217, 92, 280, 105);

    TDbCursor& props = DataMod.EncoderPropIDTab;
    Label2 = AddLabel("Label2", 19, 100, QStringLiteral("Serial Number"));
    DBEdit1 = AddField("DBEdit1", 19, 116, 84, master, "SerialNr");
    Label3 = AddLabel("Label3", 19, 148, QStringLiteral("Stock Number"));
    AddField("DBEdit2", 19, 164, 84, master, "StockNumber");
    Label4 = AddLabel("Label4", 118, 100, QStringLiteral("Software Version"));
    AddField("DBEdit3", 128, 116, 46, master, "SoftwareVersion");
    Label5 = AddLabel("Label5", 118, 148, QStringLiteral("Hardware Version"));
    AddField("DBEdit4", 128, 164, 46, master, "HardwareVersion");
    Label6 = AddLabel("Label6", 230, 100, QStringLiteral("Line Counts"));
    AddField("DBEdit5", 230, 116, 64, props, "LineCounts");
    Label7 = AddLabel("Label7", 230, 148, QStringLiteral("Operating Time"));
    AddField("DBEdit6", 230, 164, 64, props, "ActualOpTime");
    Label8 = AddLabel("Label8", 326, 100, QStringLiteral("Frequency"));
    AddField("DBEdit7", 326, 116, 64, props, "ActualFrequency");
    Label9 = AddLabel("Label9", 326, 148, QStringLiteral("Actual Temp"));
    AddField("DBEdit8", 326, 164, 64, props, "ActualTemp");
    Label10 = AddLabel("Label10", 418, 100, QStringLiteral("HighestTemp"));
    AddField("DBEdit9", 419, 116, 63, props, "MaxTemp");
    Label11 = AddLabel("Label11", 418, 148, QStringLiteral("LowestTemp"));
    AddField("DBEdit10", 419, 164, 63, props, "MinTemp");
}

void TKivDBViewFrm::CreateGrid()
{
    GridModel = new TDbCursorModel(DataMod.FaultsIDTable,
                                   {QStringLiteral("FaultIndex"), QStringLiteral("FaultTemp"),
                                    QStringLiteral("FaultStatus"), QStringLiteral("FaultOpTime"),
                                    QStringLiteral("FaultFrequency"), QStringLiteral("DateSaved")},
                                   this);
    const char* const titles[] = {"Index", "Temp", "Status", "OpTime", "Frequency", "Saved"};
    for (int i = 0; i < 6; ++i)
        GridModel->SetTitle(i, QString::fromLatin1(titles[i]));

    DBGrid2 = new QTableView(this);
    DBGrid2->setObjectName(QStringLiteral("DBGrid2"));
    DBGrid2->setModel(GridModel);
    DBGrid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid2->setSelectionMode(QAbstractItemView::ExtendedSelection);
    DBGrid2->setShowGrid(true);
    DBGrid2->setWordWrap(false);
    DBGrid2->verticalHeader()->hide();
    DBGrid2->verticalHeader()->setDefaultSectionSize(DBGrid2->fontMetrics().height() + 6);
    DBGrid2->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    DBGrid2->horizontalHeader()->setHighlightSections(false);
    const int widths[] = {50, 55, 60, 75, 75, 150};
    for (int i = 0; i < 6; ++i)
        DBGrid2->setColumnWidth(i, widths[i]);
    DBGrid2->setGeometry(GridMargin, GridTop, ClientWidth - 2 * GridMargin, ClientHeight - GridTop - 2);
    SetHelpContext(DBGrid2, GridHelpContext);
    connect(DBGrid2, &QTableView::clicked, this, [this] { DBGrid2CellClick(); });
    connect(DBGrid2, &QTableView::doubleClicked, this, [this] { DBGrid2DblClick(); });
}

void TKivDBViewFrm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    ToolBar1->setGeometry(0, 0, width(), 41);
    DBGrid2->setGeometry(GridMargin, GridTop, std::max(0, width() - 2 * GridMargin),
                         std::max(0, height() - GridTop - 2));
}

void TKivDBViewFrm::UpdateNavigator()
{
    const TDbCursor& master = DataMod.EncoderIDTab;
    const bool back = master.RecNo() > 0;
    const bool forward = master.RecNo() >= 0 && master.RecNo() < master.RecordCount() - 1;
    nbFirst->setEnabled(back);
    nbPrior->setEnabled(back);
    nbNext->setEnabled(forward);
    nbLast->setEnabled(forward);
}

bool TKivDBViewFrm::Swedish() const
{
    return sAliasFound.contains(QStringLiteral("Det"), Qt::CaseSensitive);
}

void TKivDBViewFrm::ShowHelp(int context)
{
    if (Help)
        Help->ShowHelp(context);
}

void TKivDBViewFrm::RunModal()
{
    // An update that fails is shown, and the window opens all the same in the state it reached.
    DeliverShowingErrors(
        [this] {
            FormShow();
            return true;
        },
        Dialogs);
    exec();
}

void TKivDBViewFrm::done(int result)
{
    // Every way of closing returns to the local database; a failure there is shown, and the
    // window closes all the same.
    DeliverShowingErrors(
        [this] {
            FormClose();
            return true;
        },
        Dialogs);
    History->hide();
    QDialog::done(result);
}

void TKivDBViewFrm::FormShow()
{
    spbtnConnectedClick();
    if (DataMod.Remote())
        DataMod.UpdateDatabase();
}

void TKivDBViewFrm::FormClose()
{
    if (DataMod.Remote())
        DataMod.SelectDatabase(false);
}

void TKivDBViewFrm::mmiCloseClick()
{
    close();
}

void TKivDBViewFrm::spbtnConnectedClick()
{
    try {
        DataMod.SelectDatabase(!DataMod.Remote());
    } catch (const EDatabaseError& e) {
        Dialogs.MessageDlg(sConnectionError + QStringLiteral("\n\n") + e.Message(), TMsgDlgType::Error, mbOK);
        DataMod.SelectDatabase(false);
    }
    const bool connected = DataMod.Remote();
    spbtnConnected->setChecked(connected);
    if (connected) {
        spbtnConnected->setText(Swedish() ? QStringLiteral("Ansluten") : QStringLiteral("Connected"));
        EnableToolButtons();
    } else {
        spbtnConnected->setText(Swedish() ? QStringLiteral("Oansluten") : QStringLiteral("Disconnected"));
        DisableToolButtons();
    }
}

void TKivDBViewFrm::DisableToolButtons()
{
    for (QToolButton* button : {tbtnClose, tbtnPrint, tbtnSearch, tbtnAlias, tbtnDelete, tbtnUpdate, tbtnHelp})
        if (button->property("Tag").toInt() != 1)
            button->setEnabled(false);
}

void TKivDBViewFrm::EnableToolButtons()
{
    for (QToolButton* button : {tbtnClose, tbtnPrint, tbtnSearch, tbtnAlias, tbtnDelete, tbtnUpdate, tbtnHelp})
        if (button->property("Tag").toInt() != 1)
            button->setEnabled(true);
}

void TKivDBViewFrm::tbtnUpdateClick()
{
    DataMod.UpdateDatabase();
}

void TKivDBViewFrm::tbtnAliasClick()
{
    const QString serial = DBEdit1->text();
    // Without a current encoder there is nothing to name: an alias would belong to no encoder.
    if (!serial.isEmpty()) {
        QString alias;
        if (DataMod.EncoderHasAlias(serial)) {
            if (Dialogs.MessageDlg(sAliasFound, TMsgDlgType::Warning, mbYes | mbNo) == TModalResult::Yes
                && Dialogs.InputQuery(QStringLiteral("Alias Dialog"), QStringLiteral("Alias :"), alias)
                && !alias.isEmpty() && !DataMod.SetAlias(alias, serial, false))
                Dialogs.MessageDlg(Swedish() ? QStringLiteral("Alias finns redan!")
                                             : QStringLiteral("Alias already exists!"),
                                   TMsgDlgType::Error, mbOK);
        } else if (Dialogs.InputQuery(QStringLiteral("Alias Dialog"), QStringLiteral("Alias :"), alias)
                   && !alias.isEmpty()) {
            DataMod.SetAlias(alias, serial, true);
        }
    }
    DataMod.UpdateDatabase();
}

void TKivDBViewFrm::tbtnDeleteClick()
{
    if (Dialogs.MessageDlg(sDeleteFunction, TMsgDlgType::Warning, mbYes | mbNo) != TModalResult::Yes)
        return;
    DataMod.DeleteEncoder(DBEdit1->text());
    DataMod.UpdateDatabase();
}

void TKivDBViewFrm::tbtnSearchClick()
{
    Search->SetQuery([this] { return DataMod.EncAliasQry(); });
    if (Search->RunModal() == TModalResult::Ok)
        DataMod.LocateEncoder(Search->SerialNr());
}

void TKivDBViewFrm::tbtnPrintClick()
{
    // The part to print is chosen before anything is laid out: a fleet's whole history is long.
    const TDbCursor& master = DataMod.EncoderIDTab;
    const int serial = master.ColumnIndex(QStringLiteral("SerialNr"));
    ReportRange->SetEncoders(master.RecordCount(),
                             [&master, serial](int row) { return master.Value(row, serial).toString(); });
    if (ReportRange->RunModal() == TModalResult::Ok)
        Report->Preview(this, ReportRange->Range());
}

void TKivDBViewFrm::tbtnHelpClick()
{
    ShowHelp(HelpContext);
}

void TKivDBViewFrm::DBGrid2DblClick()
{
    ShowHelp(GridHelpContext);
}

void TKivDBViewFrm::DBGrid2CellClick()
{
    QModelIndexList rows = DBGrid2->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    TDbCursor& faults = DataMod.FaultsIDTable;
    for (const QModelIndex& row : rows) {
        faults.MoveTo(row.row());
        DataMod.LocateSnapshot(faults.FieldText(QStringLiteral("DateSaved")));
    }
    DBGrid2->clearSelection();
}

void TKivDBViewFrm::tbtnHistoryClick()
{
    History->ShowHistory();
}

void TKivDBViewFrm::InitRemoteDatabase()
{
    if (ApplIniFile)
        ::InitRemoteDatabase(*ApplIniFile, DataMod, Dialogs, sCopyMsg, sCopyMsgError);
}

void TKivDBViewFrm::UpdateLanguage(TLangIniFile* langFile)
{
    langFile->SetSection(QString::fromLatin1(Section));
    auto text = [langFile](const char* key, const char* swedish) {
        return langFile->ReadText(QString::fromLatin1(key), QString::fromUtf8(swedish));
    };
    setWindowTitle(text("KivDBViewFrm", "KIV Database Viewer"));
    Label2->setText(text("Label2", "Serienummer"));
    Label3->setText(text("Label3", "Artikelnummer"));
    Label4->setText(text("Label4", "Mjukvaruversion"));
    Label5->setText(text("Label5", "Hårdvaruversion"));
    Label6->setText(text("Label6", "Pulstal"));
    Label7->setText(text("Label7", "Driftid"));
    Label8->setText(text("Label8", "Frekvens"));
    Label9->setText(text("Label9", "Temp"));
    Label10->setText(text("Label10", "Max Temp"));
    Label11->setText(text("Label11", "Min Temp"));
    for (QLabel* label : {Label2, Label3, Label4, Label5, Label6, Label7, Label8, Label9, Label10, Label11})
        label->adjustSize();
    tbtnUpdate->setText(text("tbtnUpdate", "Updatera"));
    tbtnSearch->setText(text("tbtnSearch", "Sök"));
    tbtnClose->setText(text("tbtnClose", "Stäng"));
    tbtnDelete->setText(text("tbtnDelete", "Radera"));
    tbtnPrint->setText(text("tbtnPrint", "Skriv ut"));
    tbtnHelp->setText(text("tbtnHelp", "Hjälp"));
    sCopyMsg = text("sCopyMsg", "Detta kommer att skrivar över den ");
    sCopyMsg += QLatin1Char('\r') + text("sCopyMsg1", "befintliga fjärrdatabasen,fortsätt ändå?");
    sCopyMsgError = text("sCopyMsgError", "Kan inte kopiera till en öppen databas!");
    sConnectionError = text("sConnectionError", "Fel vid anslutning till server. Kontrollera att rätt sökväg är ");
    sConnectionError += QLatin1Char('\r') + text("sConnectionError1", "angiven i inställningar!");
    sAliasFound = text("sAliasFound", "Det finns redan ett Alias med detta serienr, skall det ersättas?");
    sDeleteFunction = text("sDeleteFunction",
                           "Detta kommer att radera all data som är anknutna till det aktiva serienr, fortsätt ändå?");
    GridModel->SetTitle(3, text("FaultOpTime", "Driftid"));
    GridModel->SetTitle(4, text("FaultFrequency", "Frekvens"));
    GridModel->SetTitle(5, text("DateSaved", "Sparat"));
    // The history's texts, its button's too, keep to a section of their own.
    History->UpdateLanguage(langFile);
    tbtnHistory->setToolTip(History->OpenText());
    ReportRange->UpdateLanguage(langFile);
    langFile->SetSection(QString::fromLatin1(Section));

    if (ApplIniFile) {
        const int state = isMaximized() ? 2 : isMinimized() ? 1 : 0;
        ApplIniFile->RestoreFormPlacement(this, x(), y(), -1, -1, state);
    }
}
