#pragma once
#include "db/uDbCursor.h"
#include "db/uStagingFormat.h"
#include <QDateTime>
#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <utility>

class TDialogs;
class TMainWindowTexts;

// The snapshot database: the local database DB/KIV.db beside the program (created with its four
// tables when missing) or the shared remote one, exactly one of them selected; a master cursor over
// the encoders with three detail cursors following it; and the staging of saved readings in text
// files of the DB folder, which an update carries into the remote database.
//
// Each database is its own named connection. Every statement is parameterised: staged text is
// parsed and bound, never pasted into SQL.
class TDataMod : public QObject {
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

    // Set by the controller: the main window whose displayed texts a save stages, and the text of
    // the options dialog's remote-folder field.
    TMainWindowTexts* MainWindow = nullptr;
    std::function<QString()> RemoteDir;

    TDbCursor EncoderIDTab;
    TDbCursor FaultsIDTable;
    TDbCursor EncoderPropIDTab;
    TDbCursor EncAliasTab;

    bool Remote() const { return IsRemote; }
    QString LocalDatabasePath() const;
    QString RemoteDatabasePath() const;
    QString ConnectionString() const;
    QString TextFilePath(TTextFile file) const;
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
    void SaveSnapshot(bool withIdentity);
    bool SetAlias(const QString& alias, const QString& serialNumber, bool isNew);
    void UpdateDatabase();
    void StageEncoderId();
    void StageFaults();
    void StageProperties();
    void ImportEncoderIds();
    void ImportFaults();
    void ImportProperties();
    void ImportAliases();
    void DeleteTextFiles();
    void ExportAliases();
    void ExportEncoderIds();
    void ExportLists();

    // The date text of a reading saved now.
    QString DateText() const;
    // The moment a saved reading's date text stands for; invalid for a text of another form.
    QDateTime DateFromText(const QString& text) const;

private:
    QString ConnectionName() const;
    QString DatabasePath() const;
    void OpenConnection();
    void CreateLocalDatabase();
    QString DisplayedText(const QString& component) const;
    QStringList LoadOrHeader(TTextFile file) const;
    QString BufferText() const;
    int ImportFile(TTextFile file, const QString& table, const QStringList& columns,
                   const std::function<bool(const TStagedValues&)>& skip = {});

    QString ProgramDir;
    TDialogs& Dialogs;
    TClock Clock;
    QLocale Locale;
    bool IsRemote = false;
    QString LocalConnection;
    QString RemoteConnection;
    // The one text buffer every staging operation loads, edits, searches and saves in turn.
    QStringList Scratch;
};
