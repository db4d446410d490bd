#include "app/uMain.h"
#include "core/uBiDirDiagProtocol.h"
#include "core/uCommRes.h"
#include "core/uUpdateTimer.h"
#include "db/fKivDB.h"
#include "db/uKivDataMod.h"
#include "model/uDynamicDiagObs.h"
#include "model/uEncoderModel.h"
#include "model/uStaticDiagObs.h"
#include "model/uTrendObs.h"
#include "platform/Dialogs.h"
#include "platform/FileAccess.h"
#include "platform/IniFile.h"
#include "platform/TextFormat.h"
#include "ui/KivApplication.h"
#include "ui/LOESEN.h"
#include "ui/fDiagManager.h"
#include "ui/fDiagOptions.h"
#include "ui/fDialScript.h"
#include "ui/fKiv.h"
#include "ui/fTrend.h"
#include "settings/uApplIniFile.h"
#include "settings/uCommResIniFile.h"
#include "settings/uDialogLanguage.h"
#include "ui/uCommResObs.h"
#include "settings/uDynamicDiagVarIniFile.h"
#include "settings/uLangController.h"
#include "settings/uLangIniFile.h"
#include "settings/uWorkFiles.h"
#include "ui/uKivWebBrowser.h"
#include "ui/uModemFields.h"
#include "ui/uUpdateTimerObs.h"
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QThread>
#include <array>

namespace {
const QString StatusOnline = QStringLiteral("Status: Online");
const QString StatusOffline = QStringLiteral("Status: Offline");
const QString StatusReset = QStringLiteral("Status: Reset...");
constexpr int StatusPanelPort = 0;
constexpr int StatusPanelState = 1;

// The modem fields as the options dialog shows them at this moment.
class TOptionsModemFields : public TModemFields {
public:
    explicit TOptionsModemFields(const TDiagOptions& options) : Options(options) {}
    bool UseModem() const override { return Options.cbUseModem->isChecked(); }
    QString TelephoneNumber() const override { return Options.edTelphoneNumber->text(); }

private:
    const TDiagOptions& Options;
};

} // namespace

TMain::TMain(const TProgramPaths& paths, TDialogs& dialogs) : Paths(paths), Dialogs(dialogs) {}

TMain::~TMain()
{
    DestroyWindows();
    ShutDown();
}

void TMain::StartUp(TDiagManager* controlWindow)
{
    ControlWindow = controlWindow;
    CreateObjects();
    LinkSettings();
    WireObjects();
    ApplySettingsAndLanguage();
    ReportWorkFiles();
}

void TMain::Start(TDiagManager* controlWindow)
{
    // As a form's creation does: an error is shown and Kiv goes on with what it could set up.
    DeliverShowingErrors(
        [&] {
            StartUp(controlWindow);
            return true;
        },
        Dialogs);
    if (ControlWindow && Model)
        DeliverShowingErrors(
            [&] {
                ControlWindow->FirstStartCheck();
                return true;
            },
            Dialogs);
    // The control window is the one the user ends Kiv with; it must be there whatever failed.
    if (controlWindow && !controlWindow->isVisible())
        controlWindow->show();
}

void TMain::ShutDown()
{
    if (!Model)
        return;
    UnwireObjects();
    FreeObjects();
}

void TMain::CreateObjects()
{
    const TFileAccess disk;
    WorkFiles = std::make_unique<TWorkFiles>(Paths, FileAccess ? *FileAccess : disk);
    LangController = std::make_unique<TLangController>(WorkFiles->Dir());
    DiagOptions = std::make_unique<TDiagOptions>();
    SettingsFile = std::make_unique<TIniFile>(WorkFiles->SettingsFile());
    ApplIniFile = std::make_unique<TApplIniFile>();
    CommResIniFile = std::make_unique<TCommResIniFile>(nullptr, &Dialogs);
    UpdateTimer = std::make_unique<TUpdateTimer>();
    CommRes = std::make_unique<TCommRes>();
    CommResObs = std::make_unique<TCommResObs>();
    Protocol = std::make_unique<TBiDirDiagProtocol>();
    MainWindow = std::make_unique<TKIV>(Dialogs);
    Protocol->ProgressBar = &MainWindow->ProgressBar();
    ShowProgress(false);
    StaticDiagObs = std::make_unique<TStaticDiagObs>();
    Model = std::make_unique<TEncoderModel>(Dialogs);
    DynamicDiagObs = std::make_unique<TDynamicDiagObs>();
    DynDiagVarIniFile = std::make_unique<TDynDiagVarIniFile>();
    UpdateTimerObs = std::make_unique<TUpdateTimerObs>();
    DialScript = std::make_unique<TDialScript>(Paths.Dir());
    PasswordDlg = std::make_unique<TPasswordDlg>();
    ModemFields = std::make_unique<TOptionsModemFields>(*DiagOptions);
    TrendObs = std::make_unique<TTrendObs>();
    TrendFrm = std::make_unique<TTrendFrm>(*TrendObs, Dialogs);
    DialogLanguage = std::make_unique<TDialogLanguage>(Dialogs);
    if (DataMod) {
        DataMod->RemoteDir = [this] { return DiagOptions->edDBDir->text(); };
        DBViewer = std::make_unique<TKivDBViewFrm>(*DataMod, Dialogs);
    }
}

void TMain::LinkSettings()
{
    LangController->SetLangList(DiagOptions.get());
    LangController->SetSettings(ApplIniFile.get());
    ApplIniFile->SetIniFile(SettingsFile.get());
    CommResIniFile->SetIniFile(SettingsFile.get());
    DynDiagVarIniFile->SetIniFile(SettingsFile.get());
    if (DBViewer)
        DBViewer->ApplIniFile = ApplIniFile.get();
}

void TMain::WireObjects()
{
    // The password dialog has fixed texts and so is no language client. The message boxes' words
    // come first, so a box shown during a language pass already speaks that language.
    for (TLangClient* client : std::initializer_list<TLangClient*>{
             DialogLanguage.get(), ControlWindow, MainWindow.get(), CommResObs.get(), StaticDiagObs.get(),
             &Model->StoredFaults, DynamicDiagObs.get(), DiagOptions.get(), UpdateTimerObs.get(), DBViewer.get(),
             TrendFrm.get(), DataMod})
        if (client)
            LangController->Register(client);

    Model->Wire(Protocol.get());

    UpdateTimer->SetSettings(ApplIniFile.get());
    MainWindow->SetSettings(ApplIniFile.get());
    UpdateTimerObs->SetUpdateTimer(UpdateTimer.get());
    UpdateTimerObs->SetControlWindow(ControlWindow);
    UpdateTimerObs->SetOptions(DiagOptions.get());
    UpdateTimerObs->SetMainWindow(MainWindow.get());
    UpdateTimerObs->SetRefreshLiveValues([this] { RefreshLiveValues(); });

    UpdateTimer->SetCommRes(CommRes.get());
    UpdateTimer->SetSequenceGuard(&Sequences);
    UpdateTimer->Attach(UpdateTimerObs.get());

    MainWindow->SetStoredFaults(&Model->StoredFaults);

    Protocol->CommRes = CommRes.get();

    CommResObs->SetCommRes(CommRes.get());
    CommResObs->SetControlWindow(ControlWindow);
    CommResObs->SetOptions(DiagOptions.get());
    CommResObs->SetActions({[this] { GoOnline(); }, [this] { GoOffline(); }});
    CommRes->Attach(CommResObs.get());

    StaticDiagObs->SetMainWindow(MainWindow.get());
    Model->AttachObservers(StaticDiagObs.get(), DynamicDiagObs.get());
    DynamicDiagObs->SetMainWindow(MainWindow.get());
    TrendObs->Watch(Model.get());

    DynamicDiagObs->SetActive(true);
    StaticDiagObs->SetActive(true);
    CommResObs->SetActive(true);
    UpdateTimerObs->SetActive(true);

    DiagOptions->SetCommRes(CommRes.get());
    DiagOptions->SetCommResIniFile(CommResIniFile.get());
    DiagOptions->SetApplIniFile(ApplIniFile.get());
    DiagOptions->SetUpdateTimer(UpdateTimer.get());
    DiagOptions->SetLangController(LangController.get());
    TDiagOptionsActions optionsActions;
    optionsActions.GoOnline = [this] { GoOnline(); };
    optionsActions.ApplySettingsAndLanguage = [this] { ApplySettingsAndLanguage(); };
    if (DBViewer)
        optionsActions.InitRemoteDatabase = [this] { DBViewer->InitRemoteDatabase(); };
    DiagOptions->SetActions(std::move(optionsActions));

    UpdateTimer->OnTick = [this] { OnUpdateTimer(); };

    DialScript->SetCommRes(CommRes.get());
    DialScript->SetModemFields(ModemFields.get());

    TKivActions kivActions;
    kivActions.ReadIdentity = [this] { ReadIdentity(); };
    kivActions.ReadDiagnostics = [this] { ReadDiagnostics(); };
    kivActions.IsRepeating = [this] { return UpdateTimer->IsRepeating(); };
    kivActions.SetRepeat = [this](bool on) { UpdateTimer->SetRepeat(on); };
    kivActions.RefreshLiveValues = [this] { RefreshLiveValues(); };
    kivActions.RunButton = [this](const std::function<void()>& handler) { RunButton(handler); };
    kivActions.ShowTrend = [this] { TrendFrm->ShowTrend(); };
    kivActions.BrowserAddress = [this] { return TfKivWebBrowser::HomePage(*ApplIniFile, Paths.InstallDir()); };
    MainWindow->SetActions(std::move(kivActions));

    if (ControlWindow) {
        ControlWindow->SetSettings(ApplIniFile.get());
        ControlWindow->SetCommRes(CommRes.get());
        ControlWindow->SetUpdateTimer(UpdateTimer.get());
        ControlWindow->SetOptions(DiagOptions.get());
        ControlWindow->SetPasswordDlg(PasswordDlg.get());
        TDiagManagerActions actions;
        actions.ResetEncoder = [this] { ResetEncoder(); };
        actions.RefreshLiveValues = [this] { RefreshLiveValues(); };
        actions.SingleUpdate = [this] { SingleUpdate(); };
        actions.ShutDown = [this] { ShutDown(); };
        actions.RunButton = [this](const std::function<void()>& handler) { RunButton(handler); };
        if (DataMod) {
            actions.SaveReading = [this](const std::function<std::optional<QString>()>& askAlias) {
                return DataMod->SaveReading(MainWindow->ReadingTexts(), askAlias);
            };
            actions.ShowDBViewer = [this] { DBViewer->RunModal(); };
        }
        ControlWindow->SetActions(std::move(actions));
    }

    if (auto* app = dynamic_cast<TKivApplication*>(QCoreApplication::instance())) {
        app->EnableHelp(Paths.InstallDir());
        if (DBViewer)
            DBViewer->Help = app->Help();
    }
}

void TMain::ApplySettingsAndLanguage()
{
    CommResIniFile->ApplyComDevices(*CommRes);
    CommRes->SetComPort(CommResIniFile->ReadUsableComPort(QStringLiteral("COM1")));
    MainWindow->SetStatusText(StatusPanelPort, CommRes->GetComPort());

    UpdateTimer->LoadFromSettings();

    Model->RefreshStaticValues();

    ResetUpdateCounters();

    try {
        LangController->LoadLanguages();
    } catch (const Exception& e) {
        // A language that cannot be used (a name in lang.lst that leaves the folder) is refused
        // and the windows get the default language rather than no texts at all.
        Dialogs.MessageDlg(e.Message(), TMsgDlgType::Error, mbOK);
        LangController->GetLangList()->SetLangItemIndex(-1);
        LangController->SelectLanguage(TLangIniFile::DefaultLanguage());
    }

    TLangIniFile* lang = LangController->LangFile();
    lang->SetSection(QStringLiteral("Main"));
    AckResetText = lang->ReadText(QStringLiteral("sAckResetEncoder"), QStringLiteral("Är du säker att givaren skall raderas?"));
    ResetNotImplementedText = lang->ReadText(
        QStringLiteral("sResetEncoderNotImplemented"),
        QStringLiteral("Reset av givare är inte implementerad för givarens mjukvaruversion"));
    ResetWithModemText = lang->ReadText(QStringLiteral("sResetEncoderNotEnabledWithModem"),
                                        QStringLiteral("Reset av givare är inte möjlig vid användning av modem"));
    RecyclePowerText = lang->ReadText(
        QStringLiteral("sRecycleEncoderPower"),
        QStringLiteral("Reset har utförts, var god och klicka på Online knappen igen för att förtsätta."));

    Model->ConfigureIdentityItems();
}

void TMain::ReportWorkFiles()
{
    if (!WorkFiles->IsCopy())
        return;
    TLangIniFile* lang = LangController->LangFile();
    lang->SetSection(QStringLiteral("Main"));
    const bool unreadable = !WorkFiles->UnreadableFile().isEmpty();
    const QString text = unreadable
        ? lang->ReadText(QStringLiteral("sFileNotReadable"),
                         QStringLiteral("Kiv kan inte läsa \"%s\" och fortsätter utan den. Ändringar av "
                                        "inställningar och språktexter sparas bara tills Kiv avslutas."))
        : lang->ReadText(QStringLiteral("sFileNotWritable"),
                         QStringLiteral("Kiv kan inte skriva till \"%s\". Ändringar av inställningar och "
                                        "språktexter sparas bara tills Kiv avslutas."));
    const QString file = QDir::toNativeSeparators(unreadable ? WorkFiles->UnreadableFile()
                                                             : WorkFiles->UnwritableFile());
    Dialogs.MessageDlg(FormatTexts(text, {file}), TMsgDlgType::Warning, mbOK);
}

void TMain::GoOnline()
{
    TSequenceGuard::TStep step(Sequences);
    try {
        CommRes->Open();
        CommRes->SetBaudRate(9600);
        CommRes->SetDataBits(8);
        CommRes->SetParity(cpNone);
        CommRes->SetStopBits(sbOne);
        // The port may have been re-selected since the settings pass wrote its name.
        MainWindow->SetStatusText(StatusPanelPort, CommRes->GetComPort());
        SetStatus(StatusOnline);
    } catch (const ECommResError& e) {
        Dialogs.MessageDlg(QStringLiteral("Communication resource error. \"%1\"").arg(e.Message()), TMsgDlgType::Error,
                           mbOK);
    }
    if (DialScript->Dial())
        SingleUpdate();
    else
        GoOffline();
}

void TMain::GoOffline()
{
    SetStatus(StatusOffline);
    CommRes->Close();
}

void TMain::SingleUpdate()
{
    TSequenceGuard::TStep step(Sequences);
    MainWindow->btnSingleUpdateClick();
}

void TMain::ReadIdentity()
{
    TSequenceGuard::TStep step(Sequences);
    Model->ReadIdentity();
    MainWindow->ShowSerialNumber(Model->SerialNumberItem.Value());
    MainWindow->ShowPartNumber(Model->PartNumberItem.Value(), Model->NewPartNumberFormat());
    MainWindow->ShowSoftwareVersion(Model->SoftwareVersionItem.Value());
    MainWindow->ShowHardwareVersion(Model->HardwareVersionItem.Value());
    MainWindow->ShowUnitsPerRevolution(Model->UnitsPerRevItem.Value());
}

void TMain::ReadDiagnostics()
{
    TSequenceGuard::TStep step(Sequences);
    ShowProgress(true);
    try {
        Model->ReadDiagnostics();
    } catch (...) {
        ShowProgress(false);
        throw;
    }
    ShowProgress(false);
    LetPendingEventsRun();
}

void TMain::OnUpdateTimer()
{
    // The timer's tick is itself a sequence of the guard, which drops a tick while another runs.
    TSequenceGuard::TStep step(Sequences);
    try {
        UpdateTick();
        TickFailures = 0;
    } catch (...) {
        ++TickFailures;
        if (TickFailures < 3)
            return;
        UpdateTimer->SetRepeat(false);
        ResetUpdateCounters();
        throw;
    }
}

void TMain::UpdateTick()
{
    const int32_t count = Model->ReadLiveValues();
    if (count > LastFaultCount) {
        ShowProgress(true);
        try {
            LastFaultCount = count;
            MainWindow->show();
            MainWindow->raise();
            Dialogs.Beep();
            ReadDiagnostics();
        } catch (...) {
            ShowProgress(false);
            throw;
        }
        ShowProgress(false);
    }
    LetPendingEventsRun();
}

void TMain::RefreshLiveValues()
{
    Model->AnnounceLiveValues();
}

void TMain::ResetEncoder()
{
    TSequenceGuard::TStep step(Sequences);
    if (ModemFields->UseModem()) {
        Dialogs.MessageDlg(ResetWithModemText, TMsgDlgType::Warning, mbOK);
        return;
    }
    if (!CommRes->IsOpen())
        CommRes->Open();
    if (UpdateTimer->IsRepeating())
        UpdateTimer->SetRepeat(false);
    SetStatus(StatusReset);
    if (Dialogs.MessageDlg(AckResetText, TMsgDlgType::Warning, mbYes | mbNo) == TModalResult::Yes) {
        ShowProgress(true);
        try {
            EraseDiagnosticBlock();
            Protocol->SetMemMode(0);
            Protocol->WriteByte(98, 0xFF);
            if (Dialogs.MessageDlg(RecyclePowerText, TMsgDlgType::Warning, mbOK) == TModalResult::Ok && ControlWindow)
                ControlWindow->btnOnLine->setFocus();
            QThread::msleep(static_cast<unsigned long>(ResetSettleMs));
        } catch (...) {
            ShowProgress(false);
            throw;
        }
        ShowProgress(false);
    }
    CommRes->Close();
}

void TMain::EraseDiagnosticBlock()
{
    // The diagnostic block and the twelve bytes after it; the identity from address 112 on stays.
    std::array<uint8_t, 128> erased;
    erased.fill(0xFF);
    Protocol->SetMemMode(1);
    Protocol->WriteBlock(0, erased.data(), 111);
    ResetUpdateCounters();
    ReadDiagnostics();
    Dialogs.Beep();
}

void TMain::RunButton(const std::function<void()>& handler)
{
    Sequences.RunClick(handler);
}

void TMain::UnwireObjects()
{
    UpdateTimer->OnTick = nullptr;
    TrendObs->Unwatch();
    DynamicDiagObs->SetActive(false);
    CommResObs->SetActive(false);
    UpdateTimerObs->SetActive(false);
    // Windows may already be gone: unregister by the pointers we registered, never touching them.
    for (TLangClient* client : std::vector<TLangClient*>(LangController->Clients()))
        LangController->Unregister(client);
    UpdateTimer->Detach(UpdateTimerObs.get());
    CommRes->Detach(CommResObs.get());
    Model->DetachObservers(StaticDiagObs.get(), DynamicDiagObs.get());
}

void TMain::FreeObjects()
{
    LangController.reset();
    WorkFiles.reset();
    SettingsFile.reset();
    ApplIniFile.reset();
    CommResIniFile.reset();
    UpdateTimer.reset();
    CommRes.reset();
    CommResObs.reset();
    Protocol.reset();
    StaticDiagObs.reset();
    DynamicDiagObs.reset();
    DynDiagVarIniFile.reset();
    // Its window normally went in DestroyWindows; one still there lets go of it first.
    TrendFrm.reset();
    TrendObs.reset();
    Model.reset();
    UpdateTimerObs.reset();
    ModemFields.reset();
}

void TMain::DestroyWindows()
{
    // The waiting clicks call into the windows that go now.
    Sequences.DropWaitingClicks();
    TrendFrm.reset();
    DBViewer.reset();
    PasswordDlg.reset();
    DialScript.reset();
    if (Protocol)
        Protocol->ProgressBar = nullptr;
    if (DataMod) {
        DataMod->RemoteDir = nullptr;
    }
    MainWindow.reset();
    ModemFields.reset();
    DiagOptions.reset();
}

void TMain::ResetUpdateCounters()
{
    LastFaultCount = 0;
    TickFailures = 0;
}

void TMain::LetPendingEventsRun()
{
    QCoreApplication::processEvents();
}

void TMain::SetStatus(const QString& text)
{
    if (MainWindow)
        MainWindow->SetStatusText(StatusPanelState, text);
}

void TMain::ShowProgress(bool visible)
{
    if (MainWindow)
        MainWindow->ProgressBar().setVisible(visible);
}
