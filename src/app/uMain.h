#pragma once
#include "core/uSequenceGuard.h"
#include "platform/ProgramPaths.h"
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class TApplIniFile;
class TBiDirDiagProtocol;
class TCommRes;
class TCommResIniFile;
class TCommResObs;
class TDiagManager;
class TDiagOptions;
class TDialScript;
class TDialogLanguage;
class TDataMod;
class TDialogs;
class TDynamicDiagObs;
class TDynDiagVarIniFile;
class TEncoderModel;
class TFileAccess;
class TIniFile;
class TKIV;
class TKivDBViewFrm;
class TLangController;
class TModemFields;
class TPasswordDlg;
class TStaticDiagObs;
class TTrendFrm;
class TTrendObs;
class TUpdateTimer;
class TUpdateTimerObs;
class TWorkFiles;

// The application controller: owns every non-window object, wires the whole object graph and
// runs every sequence that talks to the encoder. The program entry makes one; tests make their
// own in a temporary program folder.
class TMain {
public:
    TMain(const TProgramPaths& paths, TDialogs& dialogs);
    ~TMain();
    TMain(const TMain&) = delete;
    TMain& operator=(const TMain&) = delete;

    // Runs from the control window's creation; the control window stays the caller's.
    void StartUp(TDiagManager* controlWindow);
    // Start-up as the program entry runs it: StartUp and then the control window's first-start
    // check, each under the application's default exception display, so an error is shown and
    // Kiv goes on with what it could set up; the control window is shown in any case.
    void Start(TDiagManager* controlWindow);
    // Destroys the windows StartUp made, newest first. ShutDown may not use them afterwards.
    void DestroyWindows();
    // Runs from the control window's destruction.
    void ShutDown();

    void ApplySettingsAndLanguage();
    void GoOnline();
    void GoOffline();
    // The main window's single update: identity, then the diagnostic block, then a beep.
    void SingleUpdate();
    void ReadIdentity();
    void ReadDiagnostics();
    void OnUpdateTimer();
    void UpdateTick();
    void RefreshLiveValues();
    void ResetEncoder();

    // Runs a button's handler, unless a sequence is already running (a click handled while that
    // sequence lets pending events run): then the handler waits until the sequence has ended, so
    // two sequences never interleave on the one link.
    void RunButton(const std::function<void()>& handler);
    bool SequenceRunning() const { return Sequences.Running(); }

    // The one guard of every sequence on the link: the buttons, the update timer's ticks and the
    // sequences above, however they are reached.
    TSequenceGuard Sequences;

    int32_t LastFaultCount = 0;
    int32_t TickFailures = 0;
    QString AckResetText;
    QString ResetNotImplementedText;
    QString ResetWithModemText;
    QString RecyclePowerText;
    // How long the reset waits before closing the port, so the encoder has taken the last write.
    int ResetSettleMs = 500;

    // Where the settings and language files are read and written for this run.
    std::unique_ptr<TWorkFiles> WorkFiles;
    // The module objects, in creation order. Windows are owned here too but die in DestroyWindows.
    std::unique_ptr<TLangController> LangController;
    std::unique_ptr<TDiagOptions> DiagOptions;
    std::unique_ptr<TIniFile> SettingsFile;
    std::unique_ptr<TApplIniFile> ApplIniFile;
    std::unique_ptr<TCommResIniFile> CommResIniFile;
    std::unique_ptr<TUpdateTimer> UpdateTimer;
    std::unique_ptr<TCommRes> CommRes;
    std::unique_ptr<TCommResObs> CommResObs;
    std::unique_ptr<TBiDirDiagProtocol> Protocol;
    std::unique_ptr<TKIV> MainWindow;
    std::unique_ptr<TStaticDiagObs> StaticDiagObs;
    // The raw block, the decoded values, the live and identity items and the stored faults.
    std::unique_ptr<TEncoderModel> Model;
    std::unique_ptr<TDynamicDiagObs> DynamicDiagObs;
    std::unique_ptr<TDynDiagVarIniFile> DynDiagVarIniFile;
    std::unique_ptr<TUpdateTimerObs> UpdateTimerObs;
    std::unique_ptr<TDialScript> DialScript;
    std::unique_ptr<TPasswordDlg> PasswordDlg;
    // Only with a data module.
    std::unique_ptr<TKivDBViewFrm> DBViewer;
    // The live trend: its samples are taken whether its window is open or not.
    std::unique_ptr<TTrendObs> TrendObs;
    std::unique_ptr<TTrendFrm> TrendFrm;
    TDiagManager* ControlWindow = nullptr;
    // The snapshot database, made by the program entry before the control window; may be null.
    TDataMod* DataMod = nullptr;
    // Whether the program folder's files can be read and written; the disk when null.
    const TFileAccess* FileAccess = nullptr;

private:
    void CreateObjects();
    void LinkSettings();
    void WireObjects();
    // Says once why the settings and language files are a copy for this run.
    void ReportWorkFiles();
    void UnwireObjects();
    void FreeObjects();
    void ResetUpdateCounters();
    void EraseDiagnosticBlock();
    void LetPendingEventsRun();
    void SetStatus(const QString& text);
    void ShowProgress(bool visible);

    TProgramPaths Paths;
    TDialogs& Dialogs;
    std::unique_ptr<TModemFields> ModemFields;
    std::unique_ptr<TDialogLanguage> DialogLanguage;
};
