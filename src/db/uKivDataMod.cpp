#include "db/uKivDataMod.h"
#include "db/DbError.h"
#include "db/FmxUtils.h"
#include "db/Search.h"
#include "db/uMainWindowTexts.h"
#include "platform/Dialogs.h"
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
      Locale(locale)
{
    const int id = ++InstanceCounter;
    LocalConnection = QStringLiteral("KivLocal%1").arg(id);
    RemoteConnection = QStringLiteral("KivRemote%1").arg(id);
    for (const QString& name : {LocalConnection, RemoteConnection}) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setConnectOptions(ConnectOptions);
    }
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
}

QString TDataMod::LocalDatabasePath() const
{
    return ProgramDir + QLatin1Char('/') + DatabaseFolder + QLatin1Char('/') + DatabaseFileName;
}

QString TDataMod::RemoteDatabasePath() const
{
    return (RemoteDir ? RemoteDir() : QString()) + QLatin1Char('/') + DatabaseFileName;
}

QString TDataMod::DatabasePath() const
{
    return IsRemote ? RemoteDatabasePath() : LocalDatabasePath();
}

QString TDataMod::ConnectionString() const
{
    return QStringLiteral("Driver=QSQLITE;Data Source=") + DatabasePath();
}

QString TDataMod::DataSourceText() const
{
    const QString s = ConnectionString();
    const qsizetype at = s.indexOf(QLatin1String("Data Source"), 0, Qt::CaseInsensitive);
    return at < 0 ? s : s.mid(at);
}

QString TDataMod::TextFilePath(TTextFile file) const
{
    return ProgramDir + QLatin1Char('/') + DatabaseFolder + QLatin1Char('/') + QLatin1String(Info(file).Name);
}

QString TDataMod::ConnectionName() const
{
    return IsRemote ? RemoteConnection : LocalConnection;
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
    QSqlQuery(db).exec(QStringLiteral("PRAGMA cache_size=-32768"));
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
    for (const QString& name : {LocalConnection, RemoteConnection}) {
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
    if (!db.transaction())
        throw EDatabaseError(ErrorText(db.lastError()));
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
        if (!db.commit())
            throw EDatabaseError(ErrorText(db.lastError()));
    } catch (...) {
        db.rollback();
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

QString TDataMod::DisplayedText(const QString& component) const
{
    if (!MainWindow)
        throw Exception(QStringLiteral("No main window to save the reading from"));
    return MainWindow->Text(component);
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

void TDataMod::StageEncoderId()
{
    const QString serial = DisplayedText(QStringLiteral("lbSerialNum"));
    bool known = false;
    const QString exportPath = TextFilePath(TTextFile::EncoderIdsExport);
    if (QFileInfo::exists(exportPath)) {
        Scratch = ReadTextLines(exportPath);
        known = ContainsWord(BufferText(), serial);
    }
    Scratch = LoadOrHeader(TTextFile::EncoderIds);
    if (!known)
        Scratch << FormatStagedLine({serial, DisplayedText(QStringLiteral("lbPartNum")),
                                     DisplayedText(QStringLiteral("lbSoftVer")),
                                     DisplayedText(QStringLiteral("lbHardVer"))});
    WriteTextLines(TextFilePath(TTextFile::EncoderIds), Scratch);
}

void TDataMod::StageFaults()
{
    const QString serial = DisplayedText(QStringLiteral("lbSerialNum"));
    Scratch = LoadOrHeader(TTextFile::Faults);
    if (!MainWindow)
        throw Exception(QStringLiteral("No main window to save the reading from"));
    const QStringList index = MainWindow->Items(QStringLiteral("lstbIndex"));
    if (index.isEmpty()) {
        Scratch << FormatStagedLine({serial, QStringLiteral("0"), QStringLiteral("OK"), std::nullopt, std::nullopt,
                                     std::nullopt, DateText()});
    } else {
        const QStringList status = MainWindow->Items(QStringLiteral("lstbFaultStatus"));
        const QStringList freq = MainWindow->Items(QStringLiteral("lstbFreq"));
        const QStringList opTime = MainWindow->Items(QStringLiteral("lstbOpTime"));
        const QStringList temp = MainWindow->Items(QStringLiteral("lstbTemp"));
        for (qsizetype i = 0; i < index.size(); ++i)
            Scratch << FormatStagedLine({serial, index[i], status.value(i), freq.value(i), opTime.value(i),
                                         temp.value(i), DateText()});
    }
    WriteTextLines(TextFilePath(TTextFile::Faults), Scratch);
}

void TDataMod::StageProperties()
{
    Scratch = LoadOrHeader(TTextFile::Properties);
    Scratch << FormatStagedLine({DisplayedText(QStringLiteral("lbSerialNum")),
                                 DisplayedText(QStringLiteral("lbUnitsPerRev")),
                                 DisplayedText(QStringLiteral("lbOpTime")), DisplayedText(QStringLiteral("lbTemp")),
                                 DisplayedText(QStringLiteral("lbFreq")), DisplayedText(QStringLiteral("lbMaxTemp")),
                                 DisplayedText(QStringLiteral("lbMinTemp")), DateText()});
    WriteTextLines(TextFilePath(TTextFile::Properties), Scratch);
}

void TDataMod::SaveSnapshot(bool withIdentity)
{
    if (withIdentity)
        StageEncoderId();
    StageFaults();
    StageProperties();
}

bool TDataMod::AliasFilesContain(const QString& text)
{
    const QString staged = TextFilePath(TTextFile::Aliases);
    const QString exported = TextFilePath(TTextFile::AliasesExport);
    const QStringList header{QLatin1String(Info(TTextFile::Aliases).Header)};
    Scratch.clear();
    if (QFileInfo::exists(exported))
        Scratch = ReadTextLines(exported);
    if (ContainsWord(BufferText(), text)) {
        if (!QFileInfo::exists(staged))
            WriteTextLines(staged, header);
        return true;
    }
    Scratch.clear();
    if (!QFileInfo::exists(staged))
        WriteTextLines(staged, header);
    Scratch = ReadTextLines(staged);
    return ContainsWord(BufferText(), text);
}

void TDataMod::AddAlias(const QString& alias, const QString& serialNumber)
{
    if (IsRemote) {
        EncAliasTab.AppendRow({{QStringLiteral("Serienr"), serialNumber}, {QStringLiteral("Alias"), alias}});
        return;
    }
    Scratch = LoadOrHeader(TTextFile::Aliases);
    Scratch << FormatStagedLine({alias, serialNumber});
    WriteTextLines(TextFilePath(TTextFile::Aliases), Scratch);
}

bool TDataMod::SetAlias(const QString& alias, const QString& serialNumber, bool isNew)
{
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
                ReplaySingly();
                throw EDatabaseError(QStringLiteral("%1 (%2, line %3)").arg(batchError, Path).arg(Pending[0].Number));
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
            if (!Execute(single, i, 1))
                throw EDatabaseError(QStringLiteral("%1 (%2, line %3)").arg(Message(), Path).arg(Pending[i].Number));
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

int TDataMod::ImportFile(TTextFile file, const QString& table, const QStringList& columns,
                         const std::function<bool(const TStagedValues&)>& skip)
{
    const QString path = TextFilePath(file);
    if (!QFileInfo::exists(path))
        return 0;
    Scratch = ReadTextLines(path);
    TRowInserter inserter(QSqlDatabase::database(ConnectionName(), false), table, columns, path);
    int inserted = 0;
    TStagedValues values;
    QString reason;
    for (qsizetype n = 1; n < Scratch.size(); ++n) {
        const QString& line = Scratch[n];
        if (line.isEmpty())
            continue;
        if (!ParseStagedLine(line, columns.size(), values, reason))
            throw EStagingError(QStringLiteral("%1, line %2: %3").arg(path).arg(n + 1).arg(reason));
        if (skip && skip(values))
            continue;
        inserter.Add(std::move(values), n + 1);
        ++inserted;
    }
    inserter.Flush();
    return inserted;
}

void TDataMod::ImportEncoderIds()
{
    ImportFile(TTextFile::EncoderIds, QStringLiteral("ENCODER_ID"),
               {QStringLiteral("SerialNr"), QStringLiteral("StockNumber"), QStringLiteral("SoftwareVersion"),
                QStringLiteral("HardwareVersion")},
               SkipRepeats(ConnectionName(), QStringLiteral("SELECT SerialNr FROM ENCODER_ID"), 1));
}

void TDataMod::ImportFaults()
{
    ImportFile(TTextFile::Faults, QStringLiteral("FAULTS_ID"),
               {QStringLiteral("Serialnr"), QStringLiteral("FaultIndex"), QStringLiteral("FaultStatus"),
                QStringLiteral("FaultFrequency"), QStringLiteral("FaultOpTime"), QStringLiteral("FaultTemp"),
                QStringLiteral("DateSaved")});
}

void TDataMod::ImportProperties()
{
    ImportFile(TTextFile::Properties, QStringLiteral("EncoderPropertyID"),
               {QStringLiteral("SerialNr"), QStringLiteral("LineCounts"), QStringLiteral("ActualOptime"),
                QStringLiteral("ActualTemp"), QStringLiteral("ActualFrequency"), QStringLiteral("MaxTemp"),
                QStringLiteral("MinTemp"), QStringLiteral("DateTaken")});
}

void TDataMod::ImportAliases()
{
    ImportFile(TTextFile::Aliases, QStringLiteral("AliasTab"), {QStringLiteral("Alias"), QStringLiteral("Serienr")},
               SkipRepeats(ConnectionName(), QStringLiteral("SELECT Alias,Serienr FROM AliasTab"), 2));
}

void TDataMod::UpdateDatabase()
{
    // Only the remote database receives staged readings; the local one is for browsing.
    if (!IsRemote)
        return;
    QSqlDatabase db = QSqlDatabase::database(ConnectionName(), false);
    if (!db.isOpen())
        throw EDatabaseError(QStringLiteral("The database %1 is not open").arg(DatabasePath()));
    if (!db.transaction())
        throw EDatabaseError(ErrorText(db.lastError()));
    try {
        if (QFileInfo::exists(TextFilePath(TTextFile::EncoderIds)))
            ImportEncoderIds();
        ImportFaults();
        ImportProperties();
        // Aliases go in with every update: one left waiting would be deleted with the staging files.
        ImportAliases();
        if (!db.commit())
            throw EDatabaseError(ErrorText(db.lastError()));
    } catch (...) {
        db.rollback();
        throw;
    }
    // Delete as soon as the rows are committed, so nothing can be imported twice.
    DeleteTextFiles();
    Reconnect();
    ExportLists();
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
