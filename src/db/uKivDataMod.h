#pragma once
#include "db/DbError.h"
#include "db/uDbCursor.h"
#include "db/uStagingFormat.h"
#include "model/uReadingTexts.h"
#include "platform/FolderLock.h"
#include "settings/uLangIniFile.h"
#include "settings/uRemoteLocation.h"
#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <utility>

class QSqlDatabase;
class TDialogs;

// A value typed by the user that the files or the database could not keep as typed.
class EInputError : public Exception {
public:
    using Exception::Exception;
};

// The snapshot database: the local database DB/KIV.db beside the program (created with its four
// tables when missing) or the shared remote one, exactly one of them selected; a master cursor over
// the encoders with three detail cursors following it; and the staging of saved readings in text
// files of the DB folder, which an update carries into the remote database.
//
// Each database is its own named connection. Every statement is parameterised: staged text is
// parsed and bound, never pasted into SQL.
//
// A save is all or nothing: its lines go first into one journal file, then into the staging
// files, and the next save or update completes a journal a crash left behind. Saving and updating
// hold an exclusive lock on the DB folder, so two programs on one folder never interleave. An
// update imports each batch of staged lines exactly once: the files are renamed to an importing
// name first, and a fingerprint of the batch is recorded in the remote database in the same
// transaction as its rows.
class TDataMod : public QObject, public TLangClient {
    Q_OBJECT
public:
    using TClock = std::function<QDateTime()>;
    using TAliasRow = std::pair<QString, QString>; // alias, serial number

    // The staging and export files, by role.
    enum class TTextFile { EncoderIds, EncoderIdsExport, Faults, Properties, Aliases, AliasesExport };

    static inline const QString DatabaseFolder = QStringLiteral("DB");
    static inline const QString DatabaseFileName = QStringLiteral("KIV.db");

    // Opens the local database at once. When that fails the error is shown and the data module
    // goes on with its cursors closed.
    TDataMod(const QString& programDir, TDialogs& dialogs, TClock clock = {},
             const QLocale& locale = QLocale::system(), QObject* parent = nullptr);
    ~TDataMod() override;

    // Set by the controller: the text of the options dialog's remote-folder field.
    std::function<QString()> RemoteDir;
    // How long a save or an update waits for another program that uses the DB folder.
    int LockWaitMs = 10000;
    // How long a statement on the remote database waits while another station writes.
    int BusyTimeoutMs = 5000;
    // Longest texts the database columns declare.
    static constexpr int AliasLength = 20;

    TDbCursor EncoderIDTab;
    TDbCursor FaultsIDTable;
    TDbCursor EncoderPropIDTab;
    TDbCursor EncAliasTab;

    bool Remote() const { return IsRemote; }
    // Copies the local database's rows to the server that the remote setting names, creating
    // the tables there when missing; a second run copies nothing twice. Returns the rows copied.
    int CopyToServer();
    QString LocalDatabasePath() const;
    QString RemoteDatabasePath() const;
    QString ConnectionString() const;
    QString TextFilePath(TTextFile file) const;
    // The file's name in the DB folder, for example "ENCDER_ID.TXT".
    static QString TextFileName(TTextFile file);
    bool Connected() const;

    void OpenTables();
    void CloseTables();
    // Closes the cursors and the connection; the next SelectDatabase or Reconnect opens it again.
    void CloseConnection();
    // Raises EDatabaseError when the database cannot be opened; Remote then holds the request.
    void SelectDatabase(bool remote);
    void Reconnect();

    void DeleteEncoder(const QString& serialNumber);
    bool LocateEncoder(const QString& serialNumber);
    bool LocateSnapshot(const QString& dateText);
    bool EncoderHasAlias(const QString& serialNumber);
    QString DataSourceText() const;
    // Every alias with its serial number, in the order the table delivers them.
    QList<TAliasRow> EncAliasQry();

    // Saving and synchronising.
    bool AliasFilesContain(const QString& text);
    void AddAlias(const QString& alias, const QString& serialNumber);
    void SaveSnapshot(const TReadingTexts& reading, bool withIdentity);
    // The save button's sequence: an encoder known by its serial number is saved at once; a new
    // one needs an alias, asked for through askAlias (no answer: nothing saved), which must not
    // be known already.
    TSaveOutcome SaveReading(const TReadingTexts& reading,
                             const std::function<std::optional<QString>()>& askAlias);
    bool SetAlias(const QString& alias, const QString& serialNumber, bool isNew);
    void UpdateDatabase();
    void DeleteTextFiles();
    void ExportAliases();
    void ExportEncoderIds();
    void ExportLists();
    // Rows the last update inserted, by table.
    struct TImportCounts {
        int EncoderIds = 0;
        int Faults = 0;
        int Properties = 0;
        int Aliases = 0;
    };
    const TImportCounts& LastImport() const { return Imported; }
    // Raises EInputError when the alias could not be stored as typed.
    void CheckAlias(const QString& alias) const;

    // The date text of a reading saved now.
    QString DateText() const;
    QString JournalPath() const;
    QString LockFilePath() const;
    // Where a staged file lies while an update imports it.
    static QString ImportingSuffix() { return QStringLiteral(".importing-"); }
    // The moment a saved reading's date text stands for; invalid for a text of another form.
    QDateTime DateFromText(const QString& text) const;

    void UpdateLanguage(TLangIniFile* langFile) override;

private:
    struct TJournalEntry {
        TTextFile File;
        QStringList Lines;
    };
    class TFolderGuard;

    QString ConnectionName() const;
    bool OnServer() const;
    TRemoteLocation Location() const;
    void OpenServer(QSqlDatabase& db);
    [[noreturn]] void ThrowServerError(const EDatabaseError& e) const;
    QString DatabasePath() const;
    QString FolderPath() const;
    void OpenConnection();
    void CreateLocalDatabase();
    QStringList LoadOrHeader(TTextFile file) const;
    QString BufferText() const;
    void LockFolder();
    void Save(const TReadingTexts& reading, bool withIdentity, const std::optional<QString>& alias);
    bool IdentityStaged(const QString& serialNumber) const;
    void RunJournal(const QList<TJournalEntry>& entries);
    void CompleteJournal();
    void BeginWrite(QSqlDatabase& db);
    void ImportBatch(const QString& token, bool fresh, QStringList& problems);
    void ImportBatchOnce(const QString& token);
    void SetAside(const QString& path, qsizetype line);
    QString ImportingPath(TTextFile file, const QString& token) const;
    int ImportFile(const QString& path, const QString& table, const QStringList& columns,
                   const std::function<bool(const TStagedValues&)>& skip = {});

    QString ProgramDir;
    TDialogs& Dialogs;
    TClock Clock;
    QLocale Locale;
    bool IsRemote = false;
    QString LocalConnection;
    QString RemoteConnection;
    // The remote database on a PostgreSQL server, when the remote setting names one.
    QString ServerConnection;
    // The one text buffer every staging operation loads, edits, searches and saves in turn.
    QStringList Scratch;
    TFolderLock FolderLock;
    TImportCounts Imported;

    QString sFolderBusy;
    QString sStationWriting;
    QString sServerError;
    QString sAliasLineBreak;
    QString sAliasCharacters;
    QString sAliasTooLong;
    QString sSetAside;
};
