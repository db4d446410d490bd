#include "ui/fDiagManager.h"
#include "core/uCommRes.h"
#include "core/uUpdateTimer.h"
#include "platform/Dialogs.h"
#include "ui/LOESEN.h"
#include "ui/fDiagOptions.h"
#include "settings/uApplIniFile.h"
#include "ui/uHelp.h"
#include "ui/uKivResources.h"
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

namespace {

constexpr int StatusBarHeight = 19;

// 0 normal, 1 minimised, 2 maximised, as the placement keys store it.
int32_t WindowStateNumber(const QWidget* window)
{
    if (window->windowState() & Qt::WindowMinimized)
        return 1;
    if (window->windowState() & Qt::WindowMaximized)
        return 2;
    return 0;
}

void Run(const std::function<void()>& action)
{
    if (action)
        action();
}

} // namespace

const QString TDiagManager::AdminPassword = QStringLiteral("583920174");

TImageList::TImageList(const QString& name, std::array<QIcon, 2> images, QObject* parent)
    : QObject(parent), Images(std::move(images))
{
    setObjectName(name);
}

TDiagManager::TDiagManager(TDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint
                          | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      Dialogs(dialogs)
{
    EnsureKivResources();
    setObjectName(QStringLiteral("DiagManager"));
    setWindowTitle(QStringLiteral("Kiv"));
    setFont(FormFont());
    SetHelpContext(this, HelpContext);
    move(52, 279);
    SetClientHeight(ClientHeight);
    CreateComponents();

    // What is left of the creation handler once the controller runs start-up on its own.
    FullClientHeight = height();
    SetClientHeight(CollapsedHeight());
}

TDiagManager::~TDiagManager()
{
    FormDestroy();
}

QPushButton* TDiagManager::AddButton(const char* name, int top, const QString& picture)
{
    auto* button = new QPushButton(this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(4, top, 195, 25);
    if (!picture.isEmpty())
        button->setIcon(QIcon(picture));
    return button;
}

void TDiagManager::CreateComponents()
{
    LedOn = QIcon(QStringLiteral(":/images/led-on.png"));
    LedOff = QIcon(QStringLiteral(":/images/led-off.png"));

    btnUpdate = AddButton("btnUpdate", 4);
    btnUpdate->setIcon(LedOff);
    connect(btnUpdate, &QPushButton::clicked, this, [this] { RunButton([this] { btnUpdateClick(); }); });

    btnOnLine = AddButton("btnOnLine", 32);
    btnOnLine->setIcon(LedOff);
    connect(btnOnLine, &QPushButton::clicked, this, [this] { RunButton([this] { btnOnLineClick(); }); });

    Bevel1 = new QFrame(this);
    Bevel1->setObjectName(QStringLiteral("Bevel1"));
    Bevel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Bevel1->setGeometry(5, 64, 156, 24);

    StaticText1 = new QLabel(QStringLiteral("Kiv"), this);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    StaticText1->setGeometry(10, 68, 148, 17);

    ImageList1 = new TImageList(QStringLiteral("ImageList1"),
                                {QIcon(QStringLiteral(":/images/arrow-expand.png")),
                                 QIcon(QStringLiteral(":/images/arrow-collapse.png"))},
                                this);
    btnArrow = new QToolButton(this);
    btnArrow->setObjectName(QStringLiteral("btnArrow"));
    btnArrow->setAutoRaise(true);
    btnArrow->setToolButtonStyle(Qt::ToolButtonIconOnly);
    btnArrow->setGeometry(165, 64, 33, 23);
    btnArrow->setIcon(ImageList1->Image(0));
    connect(btnArrow, &QToolButton::clicked, this, [this] { btnArrowClick(); });

    btnRstEncoder = AddButton("btnRstEncoder", 92);
    connect(btnRstEncoder, &QPushButton::clicked, this, [this] { RunButton([this] { btnRstEncoderClick(); }); });
    btnOptions = AddButton("btnOptions", 120);
    connect(btnOptions, &QPushButton::clicked, this, [this] { RunButton([this] { btnOptionsClick(); }); });
    bitbtnDatabase = AddButton("bitbtnDatabase", 150, QStringLiteral(":/images/save.png"));
    connect(bitbtnDatabase, &QPushButton::clicked, this, [this] { RunButton([this] { bitbtnDatabaseClick(); }); });
    btnDBViewer = AddButton("btnDBViewer", 179, QStringLiteral(":/images/database.png"));
    connect(btnDBViewer, &QPushButton::clicked, this, [this] { RunButton([this] { btnDBViewerClick(); }); });

    setTabOrder(btnOnLine, btnUpdate);
    setTabOrder(btnUpdate, btnArrow);
    setTabOrder(btnArrow, btnRstEncoder);

    aStatusBar = new QStatusBar(this);
    aStatusBar->setObjectName(QStringLiteral("aStatusBar"));
    aStatusBar->setSizeGripEnabled(false);
    // Collapsed, the bar lies over the lower buttons and must hide them.
    aStatusBar->setAutoFillBackground(true);
    for (int i = 0; i < 2; ++i) {
        auto* panel = new QLabel(aStatusBar);
        panel->setObjectName(QStringLiteral("aStatusPanel%1").arg(i));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        StatusPanels[static_cast<size_t>(i)] = panel;
    }
    StatusPanels[0]->setFixedWidth(150);
    aStatusBar->addWidget(StatusPanels[0]);
    StatusPanels[1]->setFixedWidth(50);
    aStatusBar->addPermanentWidget(StatusPanels[1]);

    imgUpdateLedOn = new QLabel(this);
    imgUpdateLedOn->setObjectName(QStringLiteral("imgUpdateLedOn"));
    imgUpdateLedOn->setPixmap(LedOn.pixmap(16, 16));
    imgUpdateLedOn->hide();
    imgUpdateLedOff = new QLabel(this);
    imgUpdateLedOff->setObjectName(QStringLiteral("imgUpdateLedOff"));
    imgUpdateLedOff->setPixmap(LedOff.pixmap(16, 16));
    imgUpdateLedOff->hide();
}

// The status bar keeps to the bottom edge whatever the height, as a bottom-aligned bar does.
void TDiagManager::SetClientHeight(int height)
{
    setFixedSize(ClientWidth, height);
    if (aStatusBar)
        aStatusBar->setGeometry(0, height - StatusBarHeight, ClientWidth, StatusBarHeight);
}

int TDiagManager::CollapsedHeight() const
{
    return btnArrow->y() + 2 * btnArrow->height();
}

QString TDiagManager::StatusText(int panel) const
{
    return StatusPanels.at(static_cast<size_t>(panel))->text();
}

void TDiagManager::Init(TLangIniFile* langFile)
{
    langFile->SetSection(QStringLiteral("DiagManager"));
    btnRstEncoder->setText(langFile->ReadText(QStringLiteral("btnRstEncoder"), QStringLiteral("Reset av givare")));
    btnOptions->setText(langFile->ReadText(QStringLiteral("btnOptions"), QStringLiteral("Inställningar")));
    StatusPanels[0]->setText(langFile->ReadText(QStringLiteral("aStatusBar"), QStringLiteral("F1 för Hjälp")));
    sDBFunction = langFile->ReadText(QStringLiteral("sDBFunction"),
                                     QStringLiteral("Slå på repeterad uppdatering innan du kan spara\ntill databasen."));
    setWindowTitle(langFile->ReadText(QStringLiteral("DiagManager"), QStringLiteral("Kiv")) + QStringLiteral(" V2.0"));
    bitbtnDatabase->setText(langFile->ReadText(QStringLiteral("bitbtnDatabase"), QStringLiteral("Spara till databas")));
    btnDBViewer->setText(langFile->ReadText(QStringLiteral("btnDBViewer"), QStringLiteral("Visa DBViewer...")));
    sFirstTimeMsg = langFile->ReadText(
        QStringLiteral("sFirstTimeMsg"),
        QStringLiteral("Ange sökvägen till fjärrdatabasen och sedan tryck på updatera knappen för att fullgöra "
                       "inställningen."));
    sNoAliasMsg = langFile->ReadText(
        QStringLiteral("sNoAliasMsg"),
        QStringLiteral("Det finns inget \"Alias\" anknutet till detta serienr, vill du defienera det nu?"));

    if (Settings)
        Settings->RestoreFormPlacement(this, 0, 0, -1, -1, WindowStateNumber(this));
    show();
}

void TDiagManager::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        QCoreApplication::quit();
}

void TDiagManager::FirstStartCheck()
{
    if (!Settings || Settings->ReadDBIniValue() != 0)
        return;
    Dialogs.MessageDlg(sFirstTimeMsg, TMsgDlgType::Information, mbOK);
    RunButton([this] { btnOptionsClick(); });
}

void TDiagManager::FormDestroy()
{
    // A destructor must not throw: a placement that cannot be written is lost, nothing else.
    try {
        if (Settings)
            Settings->SaveFormPlacement(this);
    } catch (const std::exception&) {
    }
    Run(Actions.ShutDown);
}

void TDiagManager::ShowOnlineLed(bool lit)
{
    btnOnLine->setIcon(Led(lit));
}

void TDiagManager::ShowUpdateLed(bool lit)
{
    btnUpdate->setIcon(Led(lit));
}

void TDiagManager::btnOnLineClick()
{
    if (CommRes->IsOpen())
        CommRes->Close();
    else
        CommRes->Open();
}

void TDiagManager::btnUpdateClick()
{
    UpdateTimer->SetRepeat(!UpdateTimer->IsRepeating());
    if (UpdateTimer->IsRepeating())
        Run(Actions.SingleUpdate);
}

// A wrong password is ignored without a word.
void TDiagManager::btnRstEncoderClick()
{
    if (PasswordDlg && PasswordDlg->RunModal() && PasswordDlg->GetPassword() == AdminPassword)
        Run(Actions.ResetEncoder);
}

void TDiagManager::ModalPause(const std::function<void()>& showModal)
{
    const bool wasRepeating = UpdateTimer->IsRepeating();
    UpdateTimer->SetRepeat(false);
    showModal();
    UpdateTimer->SetRepeat(wasRepeating);
    if (UpdateTimer->IsRepeating())
        Run(Actions.RefreshLiveValues);
}

void TDiagManager::btnOptionsClick()
{
    ModalPause([this] {
        if (Options)
            Options->RunModal();
    });
}

void TDiagManager::btnDBViewerClick()
{
    ModalPause([this] { Run(Actions.ShowDBViewer); });
}

void TDiagManager::bitbtnDatabaseClick()
{
    if (!UpdateTimer->IsRepeating()) {
        Dialogs.MessageDlg(sDBFunction, TMsgDlgType::Warning, mbOK);
        return;
    }
    if (!Actions.SaveReading)
        return;
    const TSaveOutcome outcome = Actions.SaveReading([this]() -> std::optional<QString> {
        if (Dialogs.MessageDlg(sNoAliasMsg, TMsgDlgType::Information, mbYes | mbNo) != TModalResult::Yes)
            return std::nullopt;
        QString alias;
        if (!Dialogs.InputQuery(QStringLiteral("Alias dialog"), QStringLiteral("Alias:"), alias) || alias.isEmpty())
            return std::nullopt;
        return alias;
    });
    if (outcome == TSaveOutcome::AliasTaken)
        // The Swedish question carries "Det"; a translation without it gets the English answer.
        Dialogs.MessageDlg(sNoAliasMsg.contains(QStringLiteral("Det")) ? QStringLiteral("Alias finns redan!")
                                                                       : QStringLiteral("Alias already exists!"),
                           TMsgDlgType::Error, mbOK);
}

void TDiagManager::btnArrowClick()
{
    Expanded = !Expanded;
    btnArrow->setIcon(ImageList1->Image(Expanded ? 1 : 0));
    SetClientHeight(Expanded ? FullClientHeight : CollapsedHeight());
}

void TDiagManager::RunButton(const std::function<void()>& handler)
{
    if (Actions.RunButton)
        Actions.RunButton(handler);
    else
        handler();
}
