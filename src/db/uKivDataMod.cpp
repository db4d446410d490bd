#include "db/uKivDataMod.h"
#include "db/DbError.h"
#include "db/FmxUtils.h"
#include "db/uPgBulkInsert.h"
#include "db/uPgServer.h"
#include "db/Search.h"
#include "platform/Dialogs.h"
#include "platform/TextFile.h"
#include "platform/TextFormat.h"
#include "platform/Win1252.h"
#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlDriver>
#include <atomic>
#include <sqlite3.h>

namespace {

struct TTextFileInfo {
    const char* Name;
    const char* Header;
};

const TTextFileInfo TextFiles[] = {
    {"ENCDER_ID.TXT", "Serialnr;PartNum;Softversion;HardwareVersion"},
    {"ENCODER_IDDB.TXT", "Serialnr;PartNum;Softversion;HardwareVersion"},
    {"FAULTS_ID.TXT", "Serialnr;FaultIndex;FaultStatus;Frequency;Optime;Temp;DateSaved"},
    {"ENCPROPID.TXT", "Serialnr;UnitsPerRev;OpTime;Temp;Frequency;MaxTemp;MinTemp;DateTaken"},
    {"ENCALIAS.TXT", "Alias;Serienr"},
    {"ENCALIAS_DB.TXT", "Alias;Serialnr"},
};

const TTextFileInfo& Info(TDataMod::TTextFile file)
{
    return TextFiles[int(file)];
}

// SQLite keeps index names in one name space per database, ignoring case, so the two serial-number
// indexes carry their table's name.
const char* const Schema[] = {
    "CREATE TABLE ENCODER_ID(SerialNr VARCHAR(10) NOT NULL, StockNumber VARCHAR(10) NOT NULL,"
    " SoftwareVersion VARCHAR(5) NOT NULL, HardwareVersion VARCHAR(5) NOT NULL)",
    "CREATE TABLE EncoderPropertyID(SerialNr VARCHAR(10) NOT NULL, ActualOpTime VARCHAR(10) NOT NULL,"
    " ActualTemp VARCHAR(10) NOT NULL, ActualFrequency VARCHAR(10) NOT NULL, LineCounts VARCHAR(10) NOT NULL,"
    " MaxTemp VARCHAR(10) NOT NULL, MinTemp VARCHAR(10) NOT NULL, DateTaken VARCHAR(20) NOT NULL)",
    "CREATE TABLE FAULTS_ID(Serialnr VARCHAR(10) NOT NULL, FaultIndex VARCHAR(5) NOT NULL, FaultOpTime VARCHAR(10),"
    " FaultStatus VARCHAR(10) NOT NULL, FaultFrequency VARCHAR(10), FaultTemp VARCHAR(10),"
    " DateSaved VARCHAR(20) NOT NULL)",
    "CREATE TABLE AliasTab(Alias VARCHAR(20) NOT NULL, Serienr VARCHAR(10) NOT NULL)",
    "CREATE INDEX FAULTS_ID_Serialnr ON FAULTS_ID(Serialnr COLLATE NOCASE)",
    "CREATE INDEX EncoderPropertyID_SerialNr ON EncoderPropertyID(SerialNr COLLATE NOCASE)",
};

// A second station writing the shared file at the same moment makes this one wait, not fail.
const QString ConnectOptions = QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000");

std::atomic<int> InstanceCounter{0};

QString ErrorText(const QSqlError& error)
{
    return error.text();
}

// A staged line that cannot go into the database: malformed, or refused by the engine. It names
// the file and the line (counted from 1) so that the line can be set aside.
class EBadLine : public EStagingError {
public:
    EBadLine(const QString& path, qsizetype line, const QString& reason)
        : EStagingError(QStringLiteral("%1, line %2: %3").arg(path).arg(line).arg(reason)), Path(path), Line(line)
    {
    }
    QString Path;
    qsizetype Line;
};

const char* const JournalName = "ENCSAVE.JNL";
const char* const ImportsTable = "KivImports";

QString FoldedKey(const TStagedValues& values)
{
    QStringList parts;
    for (const TStagedValue& v : values)
        parts << (v ? v->toCaseFolded() : QStringLiteral("\x01"));
    return parts.join(QChar(0x1f));
}

// A staged line repeats a row when its first keyColumns values equal the row's (ignoring case).
// Skips the rows the table already holds, as the query returns them, and repeats within the import.
std::function<bool(const TStagedValues&)> SkipRepeats(const QString& connection, const QString& keyQuery,
                                                      int keyColumns)
{
    auto known = std::make_shared<QSet<QString>>();
    QSqlQuery query(QSqlDatabase::database(connection, false));
    query.setForwardOnly(true);
    if (!query.exec(keyQuery))
        throw EDatabaseError(ErrorText(query.lastError()));
    while (query.next()) {
        TStagedValues row;
        for (int i = 0; i < keyColumns; ++i)
            row.push_back(query.value(i).toString());
        known->insert(FoldedKey(row));
    }
    return [known, keyColumns](const TStagedValues& values) {
        const QString key = FoldedKey(TStagedValues(values.begin(), values.begin() + keyColumns));
        if (known->contains(key))
            return true;
        known->insert(key);
        return false;
    };
}

} // namespace

TDataMod::TDataMod(const QString& programDir, TDialogs& dialogs, TClock clock, const QLocale& locale,
                   QObject* parent)
    : QObject(parent),
      EncoderIDTab(QStringLiteral("ENCODER_ID"),
                   {QStringLiteral("SerialNr"), QStringLiteral("StockNumber"), QStringLiteral("SoftwareVersion"),
                    QStringLiteral("HardwareVersion")}),
      FaultsIDTable(QStringLiteral("FAULTS_ID"),
                    {QStringLiteral("Serialnr"), QStringLiteral("FaultIndex"), QStringLiteral("FaultOpTime"),
                     QStringLiteral("FaultStatus"), QStringLiteral("FaultFrequency"), QStringLiteral("FaultTemp"),
                     QStringLiteral("DateSaved")}),
      EncoderPropIDTab(QStringLiteral("EncoderPropertyID"),
                       {QStringLiteral("SerialNr"), QStringLiteral("ActualOpTime"), QStringLiteral("ActualTemp"),
                        QStringLiteral("ActualFrequency"), QStringLiteral("LineCounts"), QStringLiteral("MaxTemp"),
                        QStringLiteral("MinTemp"), QStringLiteral("DateTaken")}),
      EncAliasTab(QStringLiteral("AliasTab"), {QStringLiteral("Alias"), QStringLiteral("Serienr")}),
      ProgramDir(programDir),
      Dialogs(dialogs),
      Clock(std::move(clock)),
      Locale(locale),
      FolderLock(programDir + QLatin1Char('/') + DatabaseFolder + QStringLiteral("/KIV.lock"))
{
    UpdateLanguage(nullptr);
    const int id = ++InstanceCounter;
    LocalConnection = QStringLiteral("KivLocal%1").arg(id);
    RemoteConnection = QStringLiteral("KivRemote%1").arg(id);
    for (const QString& name : {LocalConnection, RemoteConnection}) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setConnectOptions(ConnectOptions);
    }
    ServerConnection = QStringLiteral("KivServer%1").arg(id);
    QSqlDatabase::addDatabase(PgServer::DriverName, ServerConnection);
    FaultsIDTable.SetMasterLink(&EncoderIDTab, QStringLiteral("SerialNr"), QStringLiteral("Serialnr"));
    EncoderPropIDTab.SetMasterLink(&EncoderIDTab, QStringLiteral("SerialNr"), QStringLiteral("SerialNr"));
    EncAliasTab.SetMasterLink(&EncoderIDTab, QStringLiteral("SerialNr"), QStringLiteral("Serienr"));
    try {
        OpenTables();
    } catch (const Exception& e) {
        Dialogs.MessageDlg(e.Message(), TMsgDlgType::Error, mbOK);
    }
}

TDataMod::~TDataMod()
{
    CloseConnection();
    QSqlDatabase::removeDatabase(LocalConnection);
    QSqlDatabase::removeDatabase(RemoteConnection);
    QSqlDatabase::removeDatabase(ServerConnection);
}

QString TDataMod::LocalDatabasePath() const
{
    return ProgramDir + QLatin1Char('/') + DatabaseFolder + QLatin1Char('/') + DatabaseFileName;
}

QString TDataMod::RemoteDatabasePath() const
{
    if (OnServer())
        return Location().Shown();
    return (RemoteDir ? RemoteDir() : QString()) + QLatin1Char('/') + DatabaseFileName;
}

QString TDataMod::DatabasePath() const
{
    return IsRemote ? RemoteDatabasePath() : LocalDatabasePath();
}

QString TDataMod::ConnectionString() const
{
    if (IsRemote && OnServer())
        return QStringLiteral("Driver=QPSQL;Data Source=") + DatabasePath();
    return QStringLiteral("Driver=QSQLITE;Data Source=") + DatabasePath();
}

QString TDataMod::DataSourceText() const
{
    const QString s = ConnectionString();
    const qsizetype at = s.indexOf(QLatin1String("Data Source"), 0, Qt::CaseInsensitive);
    return at < 0 ? s : s.mid(at);
}

QString TDataMod::TextFileName(TTextFile file)
{
    return QLatin1String(Info(file).Name);
}

QString TDataMod::TextFilePath(TTextFile file) const
{
    return ProgramDir + QLatin1Char('/') + DatabaseFolder + QLatin1Char('/') + TextFileName(file);
}

QString TDataMod::ConnectionName() const
{
    return IsRemote ? (OnServer() ? ServerConnection : RemoteConnection) : LocalConnection;
}

TRemoteLocation TDataMod::Location() const
{
    return ParseRemoteLocation(RemoteDir ? RemoteDir() : QString());
}

bool TDataMod::OnServer() const
{
    return Location().IsServer();
}

void TDataMod::ThrowServerError(const EDatabaseError& e) const
{
    const auto* server = dynamic_cast<const EServerError*>(&e);
    throw EServerError(server ? server->Server : Location().Shown(),
                       FormatTexts(sServerError, {server ? server->Server : Location().Shown(),
                                                  WithoutPasswords(server ? server->Reason : e.Message())}),
                       server ? server->Code : QString());
}

void TDataMod::OpenServer(QSqlDatabase& db)
{
    const TRemoteLocation location = Location();
    if (!location.Usable())
        throw EServerError(location.Shown(), FormatTexts(sServerError, {location.Shown(), location.Problem}));
    PgServer::Configure(db, location);
    try {
        if (!db.open())
            throw PgServer::Error(location, db.lastError());
        PgServer::CreateSchema(db, location);
    } catch (const EDatabaseError& e) {
        db.close();
        ThrowServerError(e);
    }
}

int TDataMod::CopyToServer()
{
    CloseConnection();
    const bool wasRemote = IsRemote;
    IsRemote = false;
    int copied = 0;
    try {
        OpenConnection();
        QSqlDatabase server = QSqlDatabase::database(ServerConnection, false);
        OpenServer(server);
        try {
            copied = PgServer::CopyRows(QSqlDatabase::database(LocalConnection, false), server, Location(), LockWaitMs);
        } catch (const EDatabaseError& e) {
            ThrowServerError(e);
        }
    } catch (...) {
        IsRemote = wasRemote;
        CloseConnection();
        throw;
    }
    IsRemote = wasRemote;
    CloseConnection();
    return copied;
}

bool TDataMod::Connected() const
{
    return QSqlDatabase::database(ConnectionName(), false).isOpen();
}

void TDataMod::OpenConnection()
{
    QSqlDatabase db = QSqlDatabase::database(ConnectionName(), false);
    if (db.isOpen())
        return;
    if (IsRemote && OnServer()) {
        OpenServer(db);
        return;
    }
    const QString path = DatabasePath();
    if (IsRemote && !QFileInfo(path).isFile())
        throw EDatabaseError(QStringLiteral("Could not find file '%1'.").arg(path));
    if (!IsRemote && !QFileInfo::exists(path)) {
        CreateLocalDatabase();
        return;
    }
    db.setDatabaseName(path);
    if (!db.open())
        throw EDatabaseError(ErrorText(db.lastError()));
    QSqlQuery query(db);
    if (IsRemote) {
        // The engine opens lazily: one short read finds a locked or damaged file at once, with
        // the engine's reason, instead of every cursor waiting out the busy time-out.
        query.exec(QStringLiteral("PRAGMA busy_timeout=1000"));
        const bool readable = query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) && query.next();
        const QString reason = ErrorText(query.lastError());
        query.finish();
        query.exec(QStringLiteral("PRAGMA busy_timeout=%1").arg(BusyTimeoutMs));
        if (!readable) {
            db.close();
            throw EDatabaseError(QStringLiteral("%1: %2").arg(path, reason));
        }
    }
    query.exec(QStringLiteral("PRAGMA cache_size=-32768"));
}

void TDataMod::CreateLocalDatabase()
{
    const QString path = LocalDatabasePath();
    if (!QDir().mkpath(QFileInfo(path).path()))
        throw EDatabaseError(QStringLiteral("Cannot create the folder of %1").arg(path));
    QSqlDatabase db = QSqlDatabase::database(LocalConnection, false);
    db.setDatabaseName(path);
    if (!db.open())
        throw EDatabaseError(ErrorText(db.lastError()));
    QString failure;
    if (!db.transaction()) {
        failure = ErrorText(db.lastError());
    } else {
        QSqlQuery query(db);
        for (const char* statement : Schema) {
            if (!query.exec(QLatin1String(statement))) {
                failure = ErrorText(query.lastError());
                break;
            }
        }
        if (failure.isEmpty() && !db.commit())
            failure = ErrorText(db.lastError());
    }
    if (!failure.isEmpty()) {
        db.rollback();
        db.close();
        QFile::remove(path);
        throw EDatabaseError(failure);
    }
}

void TDataMod::OpenTables()
{
    for (TDbCursor* c : {&FaultsIDTable, &EncoderPropIDTab, &EncoderIDTab, &EncAliasTab})
        c->SetConnectionName(ConnectionName());
    try {
        OpenConnection();
        FaultsIDTable.Open();
        EncoderPropIDTab.Open();
        EncoderIDTab.Open();
        EncAliasTab.Open();
    } catch (...) {
        CloseTables();
        throw;
    }
}

void TDataMod::CloseTables()
{
    FaultsIDTable.Close();
    EncoderPropIDTab.Close();
    EncoderIDTab.Close();
    EncAliasTab.Close();
}

void TDataMod::CloseConnection()
{
    CloseTables();
    for (const QString& name : {LocalConnection, RemoteConnection, ServerConnection}) {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen())
            db.close();
    }
}

void TDataMod::SelectDatabase(bool remote)
{
    IsRemote = remote;
    CloseConnection();
    OpenTables();
    EncoderIDTab.Last();
}

void TDataMod::Reconnect()
{
    CloseConnection();
    OpenTables();
}

void TDataMod::DeleteEncoder(const QString& serialNumber)
{
    static const std::pair<const char*, const char*> Deletes[] = {
        {"AliasTab", "Serienr"},
        {"FAULTS_ID", "Serialnr"},
        {"EncoderPropertyID", "SerialNr"},
        {"ENCODER_ID", "SerialNr"},
    };
    QSqlDatabase db = QSqlDatabase::database(ConnectionName(), false);
    if (!db.isOpen())
        throw EDatabaseError(QStringLiteral("The database %1 is not open").arg(DatabasePath()));
    BeginWrite(db);
    try {
        for (const auto& [table, column] : Deletes) {
            QSqlQuery query(db);
            if (!query.prepare(QStringLiteral("DELETE FROM %1 WHERE %2 = ? COLLATE NOCASE")
                                   .arg(QLatin1String(table), QLatin1String(column))))
                throw EDatabaseError(ErrorText(query.lastError()));
            query.addBindValue(serialNumber);
            if (!query.exec())
                throw EDatabaseError(ErrorText(query.lastError()));
        }
        QSqlQuery commit(db);
        if (!commit.exec(QStringLiteral("COMMIT")))
            throw EDatabaseError(ErrorText(commit.lastError()));
    } catch (...) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
    Reconnect();
}

bool TDataMod::LocateEncoder(const QString& serialNumber)
{
    return EncoderIDTab.Locate(QStringLiteral("SerialNr"), serialNumber);
}

bool TDataMod::LocateSnapshot(const QString& dateText)
{
    const bool wasClosed = !EncoderPropIDTab.Active();
    if (wasClosed)
        EncoderPropIDTab.Open();
    const bool found = EncoderPropIDTab.Locate(QStringLiteral("DateTaken"), dateText);
    if (wasClosed)
        EncoderPropIDTab.Close();
    return found;
}

bool TDataMod::EncoderHasAlias(const QString& serialNumber)
{
    return EncAliasTab.Locate(QStringLiteral("Serienr"), serialNumber);
}

QList<TDataMod::TAliasRow> TDataMod::EncAliasQry()
{
    QSqlQuery query(QSqlDatabase::database(ConnectionName(), false));
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT Alias,SerieNr FROM AliasTab")))
        throw EDatabaseError(ErrorText(query.lastError()));
    QList<TAliasRow> rows;
    while (query.next())
        rows.append({query.value(0).toString(), query.value(1).toString()});
    return rows;
}

QString TDataMod::DateText() const
{
    return DateTimeText(Clock ? Clock() : QDateTime::currentDateTime(), Locale);
}

QDateTime TDataMod::DateFromText(const QString& text) const
{
    return DateTimeFromText(text, Locale);
}

QString TDataMod::FolderPath() const
{
    return ProgramDir + QLatin1Char('/') + DatabaseFolder;
}

QString TDataMod::JournalPath() const
{
    return FolderPath() + QLatin1Char('/') + QLatin1String(JournalName);
}

QString TDataMod::LockFilePath() const
{
    return FolderPath() + QStringLiteral("/KIV.lock");
}

void TDataMod::UpdateLanguage(TLangIniFile* langFile)
{
    auto text = [langFile](const char* key, const char* swedish) {
        const QString fallback = QString::fromUtf8(swedish);
        return langFile ? langFile->ReadText(QString::fromLatin1(key), fallback) : fallback;
    };
    if (langFile)
        langFile->SetSection(QStringLiteral("KivDataMod"));
    sFolderBusy = text("sFolderBusy", "En annan Kiv använder databasmappen %s. Försök igen när den är klar.");
    sServerError = text("sServerError", "Databasservern %s: %s");
    sStationWriting = text("sStationWriting", "En annan station skriver i databasen. Försök igen om en stund. (%s)");
    sAliasLineBreak = text("sAliasLineBreak", "Ett alias får inte innehålla radbrytningar.");
    sAliasCharacters = text("sAliasCharacters", "Aliaset innehåller tecken som inte kan sparas: %s");
    sAliasTooLong = text("sAliasTooLong", "Ett alias får vara högst %s tecken långt.");
    sSetAside = text("sSetAside", "%s\n\nSka raden läggas åt sidan i %s så att resten kan importeras?");
}

// Holds the DB folder's lock for one save or update; nested holds share it.
class TDataMod::TFolderGuard {
public:
    explicit TFolderGuard(TDataMod& mod) : Mod(mod) { Mod.LockFolder(); }
    ~TFolderGuard() { Mod.FolderLock.Release(); }
    TFolderGuard(const TFolderGuard&) = delete;
    TFolderGuard& operator=(const TFolderGuard&) = delete;

private:
    TDataMod& Mod;
};

void TDataMod::LockFolder()
{
    QDir().mkpath(FolderPath());
    if (!FolderLock.Acquire(LockWaitMs))
        throw Exception(FormatTexts(sFolderBusy, {QDir::toNativeSeparators(FolderPath())}));
}

QStringList TDataMod::LoadOrHeader(TTextFile file) const
{
    const QString path = TextFilePath(file);
    if (QFileInfo::exists(path))
        return ReadTextLines(path);
    return {QLatin1String(Info(file).Header)};
}

QString TDataMod::BufferText() const
{
    return Scratch.join(QLatin1String("\r\n"));
}

namespace {

// Appends lines to a staging file as bytes, so that the file grows by exactly those lines and a
// journal can tell whether it already did.
void AppendLines(const QString& path, const QByteArray& header, const QStringList& lines)
{
    QByteArray bytes;
    QFile file(path);
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            throw EFileError(QStringLiteral("Cannot open file %1").arg(path));
        bytes = file.readAll();
        if (file.error() != QFileDevice::NoError)
            throw EFileError(QStringLiteral("Cannot read file %1").arg(path));
        file.close();
        if (!bytes.isEmpty() && !bytes.endsWith('\n') && !bytes.endsWith('\r'))
            bytes += "\r\n";
    } else if (!header.isEmpty()) {
        bytes = header + "\r\n";
    }
    bytes += TextFile::LinesToBytes(lines);
    TextFile::WriteBytes(path, bytes);
}

qint64 SizeOrMissing(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() ? info.size() : -1;
}

} // namespace

bool TDataMod::IdentityStaged(const QString& serialNumber) const
{
    TStagedValues values;
    QString reason;
    for (TTextFile file : {TTextFile::EncoderIdsExport, TTextFile::EncoderIds}) {
        const QString path = TextFilePath(file);
        if (!QFileInfo::exists(path))
            continue;
        for (const QString& line : ReadTextLines(path))
            if (ParseStagedLine(line, 4, values, reason) && values[0]
                && values[0]->compare(serialNumber, Qt::CaseInsensitive) == 0)
                return true;
    }
    return false;
}

// The journal names each file with its size before the save (-1: missing), then the lines to
// append. Completing it appends to every file that still has that size, so a save interrupted
// anywhere ends whole, exactly once.
void TDataMod::RunJournal(const QList<TJournalEntry>& entries)
{
    QStringList journal;
    for (const TJournalEntry& e : entries) {
        journal << QStringLiteral("[%1] %2").arg(QLatin1String(Info(e.File).Name)).arg(SizeOrMissing(TextFilePath(e.File)));
        journal << e.Lines;
    }
    TextFile::WriteLines(JournalPath(), journal);
    CompleteJournal();
}

void TDataMod::CompleteJournal()
{
    const QString path = JournalPath();
    if (!QFileInfo::exists(path))
        return;
    const QStringList journal = ReadTextLines(path);
    for (qsizetype i = 0; i < journal.size();) {
        const QString& head = journal[i];
        const qsizetype close = head.indexOf(QLatin1Char(']'));
        if (!head.startsWith(QLatin1Char('[')) || close < 0)
            throw EStagingError(QStringLiteral("%1, line %2: not a file name").arg(path).arg(i + 1));
        const QString name = head.mid(1, close - 1);
        const qint64 before = head.mid(close + 1).trimmed().toLongLong();
        qsizetype end = i + 1;
        while (end < journal.size() && !journal[end].startsWith(QLatin1Char('[')))
            ++end;
        const QStringList lines = journal.mid(i + 1, end - i - 1);
        for (int f = 0; f < int(std::size(TextFiles)); ++f) {
            if (name != QLatin1String(TextFiles[f].Name))
                continue;
            const QString target = TextFilePath(TTextFile(f));
            if (SizeOrMissing(target) == before)
                AppendLines(target, TextFiles[f].Header, lines);
        }
        i = end;
    }
    if (!QFile::remove(path) && QFileInfo::exists(path))
        throw EFileError(QStringLiteral("Cannot delete file %1").arg(path));
    TextFile::SyncFolder(FolderPath());
}

void TDataMod::Save(const TReadingTexts& r, bool withIdentity, const std::optional<QString>& alias)
{
    TFolderGuard guard(*this);
    CompleteJournal();
    // One date text for every line of the save: it is all that ties a reading's rows together.
    const QString date = DateText();
    QList<TJournalEntry> entries;
    // The identity goes first and whenever it is not staged or exported yet, so that an
    // interrupted first save can never leave readings without their encoder.
    if (!IdentityStaged(r.SerialNumber))
        entries.append({TTextFile::EncoderIds,
                        {FormatStagedLine({r.SerialNumber, r.PartNumber, r.SoftwareVersion, r.HardwareVersion})}});
    else if (withIdentity)
        entries.append({TTextFile::EncoderIds, {}}); // the update then imports the alias with it
    if (alias)
        entries.append({TTextFile::Aliases, {FormatStagedLine({*alias, r.SerialNumber})}});
    QStringList faults;
    if (r.Faults.isEmpty())
        faults << FormatStagedLine({r.SerialNumber, QStringLiteral("0"), QStringLiteral("OK"), std::nullopt,
                                    std::nullopt, std::nullopt, date});
    for (const TFaultTexts& f : r.Faults)
        faults << FormatStagedLine({r.SerialNumber, f.Index, f.Status, f.Freq, f.OpTime, f.Temp, date});
    entries.append({TTextFile::Faults, faults});
    entries.append({TTextFile::Properties,
                    {FormatStagedLine({r.SerialNumber, r.UnitsPerRev, r.OpTime, r.Temp, r.Freq, r.MaxTemp, r.MinTemp,
                                       date})}});
    RunJournal(entries);
}

void TDataMod::SaveSnapshot(const TReadingTexts& reading, bool withIdentity)
{
    Save(reading, withIdentity, std::nullopt);
}

TSaveOutcome TDataMod::SaveReading(const TReadingTexts& reading,
                                   const std::function<std::optional<QString>()>& askAlias)
{
    {
        TFolderGuard guard(*this);
        CompleteJournal();
        if (AliasFilesContain(reading.SerialNumber)) {
            Save(reading, false, std::nullopt);
            return TSaveOutcome::Saved;
        }
    }
    // The folder stays free while the user types.
    const std::optional<QString> alias = askAlias ? askAlias() : std::nullopt;
    if (!alias || alias->isEmpty())
        return TSaveOutcome::NotSaved;
    CheckAlias(*alias);
    TFolderGuard guard(*this);
    if (AliasFilesContain(*alias))
        return TSaveOutcome::AliasTaken;
    Save(reading, true, *alias);
    return TSaveOutcome::Saved;
}

void TDataMod::CheckAlias(const QString& alias) const
{
    if (alias.contains(QLatin1Char('\r')) || alias.contains(QLatin1Char('\n')))
        throw EInputError(sAliasLineBreak);
    QString refused;
    for (QChar c : alias)
        if (!Win1252::CanEncode(QString(c)) && !refused.contains(c))
            refused += c;
    if (!refused.isEmpty())
        throw EInputError(FormatTexts(sAliasCharacters, {refused}));
    if (alias.size() > AliasLength)
        throw EInputError(FormatTexts(sAliasTooLong, {QString::number(AliasLength)}));
}

bool TDataMod::AliasFilesContain(const QString& text)
{
    TFolderGuard guard(*this);
    // The files double a double quote inside a value; the search looks for the text as written there.
    QString written = text;
    written.replace(QLatin1Char('"'), QLatin1String("\"\""));
    const QString staged = TextFilePath(TTextFile::Aliases);
    const QString exported = TextFilePath(TTextFile::AliasesExport);
    const QStringList header{QLatin1String(Info(TTextFile::Aliases).Header)};
    Scratch.clear();
    if (QFileInfo::exists(exported))
        Scratch = ReadTextLines(exported);
    if (ContainsWord(BufferText(), written)) {
        if (!QFileInfo::exists(staged))
            WriteTextLines(staged, header);
        return true;
    }
    Scratch.clear();
    if (!QFileInfo::exists(staged))
        WriteTextLines(staged, header);
    Scratch = ReadTextLines(staged);
    return ContainsWord(BufferText(), written);
}

void TDataMod::AddAlias(const QString& alias, const QString& serialNumber)
{
    CheckAlias(alias);
    if (IsRemote) {
        EncAliasTab.AppendRow({{QStringLiteral("Serienr"), serialNumber}, {QStringLiteral("Alias"), alias}});
        return;
    }
    TFolderGuard guard(*this);
    CompleteJournal();
    RunJournal({{TTextFile::Aliases, {FormatStagedLine({alias, serialNumber})}}});
}

bool TDataMod::SetAlias(const QString& alias, const QString& serialNumber, bool isNew)
{
    CheckAlias(alias);
    if (isNew) {
        AddAlias(alias, serialNumber);
        return true;
    }
    const int column = EncAliasTab.ColumnIndex(QStringLiteral("Alias"));
    for (int r = 0; r < EncAliasTab.RecordCount(); ++r)
        if (EncAliasTab.Value(r, column).toString().compare(alias, Qt::CaseInsensitive) == 0)
            return false;
    EncAliasTab.EditCurrent({{QStringLiteral("Serienr"), serialNumber}, {QStringLiteral("Alias"), alias}});
    return true;
}

namespace {

// Inserts parsed lines into one table, many rows per statement, straight through the engine's
// own interface on the connection's handle: an update carries tens of thousands of rows, and the
// cost of binding through the generic SQL layer would outweigh the inserts themselves. Values are
// still bound as parameters. A rejected batch is replayed row by row to name the refused line.
class TRowInserter {
public:
    static constexpr int BatchRows = 64;

    TRowInserter(const QSqlDatabase& db, const QString& table, const QStringList& columns, const QString& path)
        : Handle(SqliteHandle(db)), Table(table), Columns(columns), Path(path)
    {
        if (!Handle)
            throw EDatabaseError(QStringLiteral("The database %1 is not open").arg(db.databaseName()));
    }
    ~TRowInserter()
    {
        sqlite3_finalize(Batch);
        sqlite3_finalize(Single);
    }
    TRowInserter(const TRowInserter&) = delete;
    TRowInserter& operator=(const TRowInserter&) = delete;

    void Add(TStagedValues&& values, qsizetype lineNumber)
    {
        Pending.push_back({std::move(values), lineNumber});
        if (Pending.size() == BatchRows)
            Flush();
    }

    void Flush()
    {
        if (Pending.size() == BatchRows) {
            if (!Execute(Prepared(Batch, BatchRows), 0, BatchRows)) {
                const QString batchError = Message();
                if (EngineBusy())
                    throw EDatabaseError(batchError);
                ReplaySingly();
                throw EBadLine(Path, Pending[0].Number, batchError);
            }
        } else {
            ReplaySingly();
        }
        Pending.clear();
    }

private:
    struct TLine {
        TStagedValues Values;
        qsizetype Number;
    };

    static sqlite3* SqliteHandle(const QSqlDatabase& db)
    {
        const QVariant handle = db.isOpen() ? db.driver()->handle() : QVariant();
        if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
            return nullptr;
        return *static_cast<sqlite3* const*>(handle.constData());
    }

    QString Message() const { return QString::fromUtf8(sqlite3_errmsg(Handle)); }
    // A lock held by another station is the engine's state, not the fault of a staged line.
    bool EngineBusy() const
    {
        const int code = sqlite3_errcode(Handle) & 0xff;
        return code == SQLITE_BUSY || code == SQLITE_LOCKED;
    }

    sqlite3_stmt* Prepared(sqlite3_stmt*& slot, int rows)
    {
        if (slot)
            return slot;
        const QString row = QLatin1Char('(') + QStringLiteral("?,").repeated(Columns.size()).chopped(1) + QLatin1Char(')');
        const QString sql = QStringLiteral("INSERT INTO %1(%2) VALUES%3")
                                .arg(Table, Columns.join(QLatin1Char(',')), (row + QLatin1Char(',')).repeated(rows).chopped(1));
        if (sqlite3_prepare16_v2(Handle, sql.utf16(), -1, &slot, nullptr) != SQLITE_OK)
            throw EDatabaseError(Message());
        return slot;
    }

    // The bound texts stay in Pending until the statement has run, so the engine need not copy them.
    bool Execute(sqlite3_stmt* statement, qsizetype first, qsizetype count)
    {
        int p = 1;
        for (qsizetype r = first; r < first + count; ++r)
            for (const TStagedValue& v : Pending[r].Values) {
                if (v)
                    sqlite3_bind_text16(statement, p++, v->isEmpty() ? static_cast<const void*>(u"") : v->utf16(),
                                        int(v->size() * sizeof(char16_t)), SQLITE_STATIC);
                else
                    sqlite3_bind_null(statement, p++);
            }
        const bool done = sqlite3_step(statement) == SQLITE_DONE;
        sqlite3_reset(statement);
        return done;
    }

    void ReplaySingly()
    {
        sqlite3_stmt* single = Prepared(Single, 1);
        for (qsizetype i = 0; i < Pending.size(); ++i)
            if (!Execute(single, i, 1)) {
                if (EngineBusy())
                    throw EDatabaseError(Message());
                throw EBadLine(Path, Pending[i].Number, Message());
            }
    }

    sqlite3* Handle;
    QString Table;
    QStringList Columns;
    QString Path;
    sqlite3_stmt* Batch = nullptr;
    sqlite3_stmt* Single = nullptr;
    QList<TLine> Pending;
};

} // namespace


int TDataMod::ImportFile(const QString& path, const QString& table, const QStringList& columns,
                         const std::function<bool(const TStagedValues&)>& skip)
{
    if (!QFileInfo::exists(path))
        return 0;
    Scratch = ReadTextLines(path);
    const QSqlDatabase db = QSqlDatabase::database(ConnectionName(), false);
    // A server takes the rows through its own bulk path; the shared file through SQLite's.
    std::optional<TRowInserter> fileInserter;
    std::optional<TPgBulkInserter> serverInserter;
    if (IsRemote && OnServer())
        serverInserter.emplace(db, table, columns, path);
    else
        fileInserter.emplace(db, table, columns, path);
    int inserted = 0;
    TStagedValues values;
    QString reason;
    // A file that lost its header line still has its first line imported: a header never
    // parses as a data line.
    const bool headed = !Scratch.isEmpty() && !ParseStagedLine(Scratch[0], columns.size(), values, reason);
    for (qsizetype n = headed ? 1 : 0; n < Scratch.size(); ++n) {
        const QString& line = Scratch[n];
        if (line.isEmpty())
            continue;
        if (!ParseStagedLine(line, columns.size(), values, reason))
            throw EBadLine(path, n + 1, reason);
        if (skip && skip(values))
            continue;
        if (serverInserter)
            serverInserter->Add(values, n + 1);
        else
            fileInserter->Add(std::move(values), n + 1);
        ++inserted;
    }
    if (serverInserter)
        serverInserter->Finish();
    else
        fileInserter->Flush();
    return inserted;
}

void TDataMod::BeginWrite(QSqlDatabase& db)
{
    if (IsRemote && OnServer()) {
        // The stations take turns; one that waited too long, or that the server chose to end in
        // a deadlock, tries again a few times before it gives up.
        for (int attempt = 1;; ++attempt) {
            try {
                PgServer::BeginWrite(db, Location(), LockWaitMs);
                return;
            } catch (const EServerError& e) {
                if (attempt >= 3 || !PgServer::Retryable(e.Code))
                    throw EDatabaseError(FormatTexts(sStationWriting, {e.Reason}));
            }
        }
    }
    // The write lock is taken at the start, waiting as long as the connection's busy time-out;
    // a deferred transaction would fail on its first write instead.
    QSqlQuery begin(db);
    if (begin.exec(QStringLiteral("BEGIN IMMEDIATE")))
        return;
    const QString reason = begin.lastError().databaseText().isEmpty() ? ErrorText(begin.lastError())
                                                                      : begin.lastError().databaseText();
    const QString code = begin.lastError().nativeErrorCode();
    if (code == QLatin1String("5") || code == QLatin1String("6"))
        throw EDatabaseError(FormatTexts(sStationWriting, {reason}));
    throw EDatabaseError(reason);
}

QString TDataMod::ImportingPath(TTextFile file, const QString& token) const
{
    return TextFilePath(file) + ImportingSuffix() + token;
}

namespace {

const TDataMod::TTextFile StagedFiles[] = {TDataMod::TTextFile::EncoderIds, TDataMod::TTextFile::Faults,
                                           TDataMod::TTextFile::Properties, TDataMod::TTextFile::Aliases};

} // namespace

void TDataMod::ImportBatchOnce(const QString& token)
{
    struct TTableImport {
        TTextFile File;
        const char* Table;
        QStringList Columns;
        const char* KeyQuery; // repeats of rows already there are skipped
        int KeyColumns;
        int TImportCounts::*Count;
    };
    const TTableImport imports[] = {
        {TTextFile::EncoderIds, "ENCODER_ID",
         {QStringLiteral("SerialNr"), QStringLiteral("StockNumber"), QStringLiteral("SoftwareVersion"),
          QStringLiteral("HardwareVersion")},
         "SELECT SerialNr FROM ENCODER_ID", 1, &TImportCounts::EncoderIds},
        {TTextFile::Faults, "FAULTS_ID",
         {QStringLiteral("Serialnr"), QStringLiteral("FaultIndex"), QStringLiteral("FaultStatus"),
          QStringLiteral("FaultFrequency"), QStringLiteral("FaultOpTime"), QStringLiteral("FaultTemp"),
          QStringLiteral("DateSaved")},
         nullptr, 0, &TImportCounts::Faults},
        {TTextFile::Properties, "EncoderPropertyID",
         {QStringLiteral("SerialNr"), QStringLiteral("LineCounts"), QStringLiteral("ActualOptime"),
          QStringLiteral("ActualTemp"), QStringLiteral("ActualFrequency"), QStringLiteral("MaxTemp"),
          QStringLiteral("MinTemp"), QStringLiteral("DateTaken")},
         nullptr, 0, &TImportCounts::Properties},
        // Aliases go in with every update: one left waiting would be deleted with the files.
        {TTextFile::Aliases, "AliasTab", {QStringLiteral("Alias"), QStringLiteral("Serienr")},
         "SELECT Alias,Serienr FROM AliasTab", 2, &TImportCounts::Aliases},
    };

    QSqlDatabase db = QSqlDatabase::database(ConnectionName(), false);
    BeginWrite(db);
    TImportCounts counts;
    try {
        QSqlQuery query(db);
        if (!query.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS %1(Fingerprint VARCHAR(64) PRIMARY KEY,"
                                       " Imported VARCHAR(20))")
                            .arg(QLatin1String(ImportsTable))))
            throw EDatabaseError(ErrorText(query.lastError()));
        for (const TTableImport& t : imports) {
            const QString path = ImportingPath(t.File, token);
            if (!QFileInfo::exists(path))
                continue;
            // Each file of a batch is recorded by itself: an update killed while deleting the
            // files of a batch leaves some of them, and those must still count as imported. The
            // token in the name makes a file's fingerprint its own, even for equal lines.
            QFile file(path);
            if (!file.open(QIODevice::ReadOnly))
                throw EFileError(QStringLiteral("Cannot open file %1").arg(path));
            QCryptographicHash hash(QCryptographicHash::Sha256);
            hash.addData(QFileInfo(path).fileName().toUtf8() + '\n');
            hash.addData(file.readAll());
            const QString fingerprint = QString::fromLatin1(hash.result().toHex());
            query.prepare(QStringLiteral("SELECT 1 FROM %1 WHERE Fingerprint = ?").arg(QLatin1String(ImportsTable)));
            query.addBindValue(fingerprint);
            if (!query.exec())
                throw EDatabaseError(ErrorText(query.lastError()));
            const bool done = query.next();
            query.finish();
            if (done)
                continue;
            counts.*t.Count = ImportFile(path, QLatin1String(t.Table), t.Columns,
                                         t.KeyQuery ? SkipRepeats(ConnectionName(), QLatin1String(t.KeyQuery), t.KeyColumns)
                                                    : std::function<bool(const TStagedValues&)>());
            query.prepare(QStringLiteral("INSERT INTO %1(Fingerprint,Imported) VALUES(?,?)").arg(QLatin1String(ImportsTable)));
            query.addBindValue(fingerprint);
            query.addBindValue(QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
            if (!query.exec())
                throw EDatabaseError(ErrorText(query.lastError()));
        }
        if (!query.exec(QStringLiteral("COMMIT")))
            throw EDatabaseError(ErrorText(query.lastError()));
    } catch (...) {
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
    Imported.EncoderIds += counts.EncoderIds;
    Imported.Faults += counts.Faults;
    Imported.Properties += counts.Properties;
    Imported.Aliases += counts.Aliases;
}

void TDataMod::SetAside(const QString& path, qsizetype line)
{
    QStringList lines = ReadTextLines(path);
    if (line < 1 || line > lines.size())
        return;
    const QString rejected = FolderPath() + QStringLiteral("/rejected-%1.txt")
                                                .arg((Clock ? Clock() : QDateTime::currentDateTime())
                                                         .toString(QStringLiteral("yyyy-MM-dd")));
    // Into the rejected file first: a crash in between may copy the line twice, never lose it.
    AppendLines(rejected, QByteArray(), {lines[line - 1]});
    lines.removeAt(line - 1);
    WriteTextLines(path, lines);
}

void TDataMod::ImportBatch(const QString& token, bool fresh, QStringList& problems)
{
    for (;;) {
        try {
            ImportBatchOnce(token);
            break;
        } catch (const EBadLine& e) {
            // Named as the user knows the file.
            const QString shown = QString(e.Message()).replace(ImportingSuffix() + token, QString());
            const QString rejected = QStringLiteral("DB/rejected-%1.txt")
                                         .arg((Clock ? Clock() : QDateTime::currentDateTime())
                                                  .toString(QStringLiteral("yyyy-MM-dd")));
            if (Dialogs.MessageDlg(FormatTexts(sSetAside, {shown, rejected}), TMsgDlgType::Confirmation,
                                   mbYes | mbNo)
                == TModalResult::Yes) {
                SetAside(e.Path, e.Line);
                continue;
            }
            if (fresh)
                for (TTextFile f : StagedFiles)
                    QFile::rename(ImportingPath(f, token), TextFilePath(f));
            throw EStagingError(shown);
        } catch (...) {
            // Not imported: a fresh batch goes back under the names the user knows. Unless the
            // server went away: it may have committed the batch before the answer was lost, and
            // only the batch's own name lets the next update recognise it.
            const bool server = IsRemote && OnServer();
            if (fresh && !(server && PgServer::Lost(QSqlDatabase::database(ServerConnection, false))))
                for (TTextFile f : StagedFiles)
                    QFile::rename(ImportingPath(f, token), TextFilePath(f));
            if (server) {
                try {
                    throw;
                } catch (const EDatabaseError& e) {
                    ThrowServerError(e);
                }
            }
            throw;
        }
    }
    for (TTextFile f : StagedFiles) {
        QFile file(ImportingPath(f, token));
        if (file.exists() && !file.remove())
            problems << QStringLiteral("Cannot delete file %1: %2").arg(file.fileName(), file.errorString());
    }
    TextFile::SyncFolder(FolderPath());
}

void TDataMod::UpdateDatabase()
{
    // Only the remote database receives staged readings; the local one is for browsing.
    if (!IsRemote)
        return;
    // A fresh connection: the server may have restarted since the last one was opened.
    if (OnServer())
        Reconnect();
    QSqlDatabase db = QSqlDatabase::database(ConnectionName(), false);
    if (!db.isOpen())
        throw EDatabaseError(QStringLiteral("The database %1 is not open").arg(DatabasePath()));
    TFolderGuard guard(*this);
    CompleteJournal();
    Imported = {};
    QStringList problems;
    // A batch an interrupted update left behind goes first; it is skipped if it went in already.
    QSet<QString> tokens;
    const QDir folder(FolderPath());
    for (const QString& name : folder.entryList({QStringLiteral("*") + ImportingSuffix() + QStringLiteral("*")}, QDir::Files))
        tokens.insert(name.mid(name.indexOf(ImportingSuffix()) + ImportingSuffix().size()));
    for (const QString& token : tokens)
        ImportBatch(token, false, problems);

    const QString token = QString::number(QRandomGenerator::global()->generate64(), 16);
    bool staged = false;
    for (TTextFile f : StagedFiles) {
        if (!QFileInfo::exists(TextFilePath(f)))
            continue;
        if (!QFile::rename(TextFilePath(f), ImportingPath(f, token)))
            throw EFileError(QStringLiteral("Cannot rename file %1").arg(TextFilePath(f)));
        staged = true;
    }
    if (staged) {
        TextFile::SyncFolder(FolderPath());
        ImportBatch(token, true, problems);
    }
    DeleteTextFiles();
    Reconnect();
    ExportLists();
    // The rows are in; a file that stayed behind would be skipped by its fingerprint next time,
    // but the user has to know it is there.
    if (!problems.isEmpty())
        throw EFileError(problems.join(QLatin1Char('\n')));
}

void TDataMod::DeleteTextFiles()
{
    for (TTextFile f : {TTextFile::EncoderIds, TTextFile::EncoderIdsExport, TTextFile::Faults, TTextFile::Properties,
                        TTextFile::Aliases, TTextFile::AliasesExport})
        QFile::remove(TextFilePath(f));
}

void TDataMod::ExportAliases()
{
    Scratch = LoadOrHeader(TTextFile::AliasesExport);
    const TDbCursor::TBookmark mark = EncAliasTab.GetBookmark();
    EncAliasTab.Detach();
    for (int r = 0; r < EncAliasTab.RecordCount(); ++r)
        Scratch << FormatStagedLine({EncAliasTab.Value(r, 0).toString(), EncAliasTab.Value(r, 1).toString()});
    EncAliasTab.GotoBookmark(mark);
    EncAliasTab.Attach();
    WriteTextLines(TextFilePath(TTextFile::AliasesExport), Scratch);
}

void TDataMod::ExportEncoderIds()
{
    Scratch = LoadOrHeader(TTextFile::EncoderIdsExport);
    for (int r = 0; r < EncoderIDTab.RecordCount(); ++r) {
        TStagedValues values;
        for (int c = 0; c < 4; ++c)
            values << EncoderIDTab.Value(r, c).toString();
        Scratch << FormatStagedLine(values);
    }
    WriteTextLines(TextFilePath(TTextFile::EncoderIdsExport), Scratch);
}

void TDataMod::ExportLists()
{
    ExportAliases();
    ExportEncoderIds();
}
