#include "db/uDbCursor.h"
#include "db/DbError.h"
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cstdlib>

namespace {

bool OnServer(const QString& connection)
{
    return QSqlDatabase::database(connection, false).driverName() == QLatin1String("QPSQL");
}

// In lower case: a server folds the names its tables were made with to lower case, and SQLite
// compares names without regard to case, quoted or not.
QString Quoted(const QString& identifier)
{
    return QLatin1Char('"') + identifier.toLower() + QLatin1Char('"');
}

EDatabaseError ErrorOf(const QSqlQuery& query)
{
    return EDatabaseError(query.lastError().text());
}

// A text written through a cursor is stored as text even when empty; only a value without any
// type is NULL (the driver would bind a null string as NULL).
QVariant Bindable(const QVariant& value)
{
    if (value.typeId() == QMetaType::QString && value.toString().isNull())
        return QString("");
    return value;
}

} // namespace

TDbCursor::TDbCursor(const QString& table, const QStringList& columns, QObject* parent)
    : QObject(parent), Table(table), Cols(columns)
{
}

TDbCursor::~TDbCursor()
{
    SetMasterLink(nullptr, {}, {});
    for (TDbCursor* detail : Details)
        detail->Master = nullptr;
}

int TDbCursor::ColumnIndex(const QString& name) const
{
    for (int i = 0; i < Cols.size(); ++i)
        if (Cols[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void TDbCursor::SetMasterLink(TDbCursor* master, const QString& masterColumn, const QString& detailColumn)
{
    if (Master)
        std::erase(Master->Details, this);
    Master = master;
    MasterColumn = masterColumn;
    DetailColumn = detailColumn;
    if (Master)
        Master->Details.push_back(this);
}

void TDbCursor::Detach()
{
    Detached = true;
    if (IsOpen)
        Refresh();
}

void TDbCursor::Attach()
{
    Detached = false;
    if (IsOpen)
        Refresh();
}

void TDbCursor::Open()
{
    if (IsOpen)
        return;
    QSqlDatabase db = QSqlDatabase::database(Connection, false);
    if (!db.isValid())
        throw EDatabaseError(QStringLiteral("No database connection named %1").arg(Connection));
    if (!db.isOpen() && !db.open())
        throw EDatabaseError(db.lastError().text());
    IsOpen = true;
    try {
        Load();
        Reloaded(-1);
    } catch (...) {
        IsOpen = false;
        Blocks.clear();
        throw;
    }
}

void TDbCursor::Close()
{
    if (!IsOpen)
        return;
    IsOpen = false;
    Blocks.clear();
    Count = -1;
    Reloaded(-1);
}

void TDbCursor::Refresh()
{
    if (!IsOpen)
        return;
    const qint64 keep = Current >= 0 ? RowIdAt(Current) : -1;
    Load();
    Reloaded(keep);
}

QString TDbCursor::Where(const QString& condition) const
{
    QStringList parts;
    if (Filtered)
        parts << QStringLiteral("%1 = ? COLLATE NOCASE").arg(Quoted(DetailColumn));
    if (!condition.isEmpty())
        parts << QLatin1Char('(') + condition + QLatin1Char(')');
    return parts.isEmpty() ? QString() : QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
}

QString TDbCursor::OrderBy() const
{
    // Following a master, every row has the same link value, so the rowid alone orders them and
    // the link column's index delivers them in that order.
    if (RowIdOrder())
        return QStringLiteral(" ORDER BY rowid");
    return QStringLiteral(" ORDER BY %1 COLLATE NOCASE,rowid").arg(Quoted(DetailColumn));
}

void TDbCursor::Load()
{
    Blocks.clear();
    Count = -1;
    Filtered = Master && !Detached;
    NoRows = false;
    Link.clear();
    if (Filtered) {
        const QVariant link = Master->IsOpen && Master->Current >= 0 ? Master->FieldValue(MasterColumn) : QVariant();
        NoRows = link.isNull();
        Link = link.toString();
    }
}

const TDbCursor::TBlock* TDbCursor::Block(int index) const
{
    if (!IsOpen || NoRows || index < 0 || (Count >= 0 && index * BlockRows >= Count))
        return nullptr;
    if (auto it = Blocks.find(index); it != Blocks.end())
        return &it->second;

    // A block right after a cached one continues from its last row, so walking through all rows
    // costs the same at the end as at the start; any other block is reached by its offset.
    QString after;
    QVariantList afterValues;
    if (auto prior = Blocks.find(index - 1); prior != Blocks.end() && !prior->second.RowIds.empty()) {
        const qint64 lastRowId = prior->second.RowIds.back();
        const int keyColumn = ColumnIndex(DetailColumn);
        if (RowIdOrder()) {
            after = QStringLiteral("rowid > ?");
            afterValues << lastRowId;
        } else if (keyColumn >= 0) {
            const QString c = Quoted(DetailColumn);
            const QVariant lastKey = prior->second.Rows.back()[keyColumn];
            if (lastKey.isNull()) {
                after = QStringLiteral("%1 IS NOT NULL OR rowid > ?").arg(c);
                afterValues << lastRowId;
            } else {
                after = QStringLiteral("%1 > ? COLLATE NOCASE OR (%1 = ? COLLATE NOCASE AND rowid > ?)").arg(c);
                afterValues << lastKey.toString() << lastKey.toString() << lastRowId;
            }
        }
    }
    // A walk through the rows takes several blocks per statement: a table without an index on its
    // order is sorted once per statement.
    const int blocks = after.isEmpty() ? 1 : WalkBlocks;
    QStringList cols;
    for (const QString& c : Cols)
        cols << Quoted(c);
    QString sql = QStringLiteral("SELECT rowid,%1 FROM %2").arg(cols.join(QLatin1Char(',')), Quoted(Table))
                  + Where(after) + OrderBy() + QStringLiteral(" LIMIT %1").arg(blocks * BlockRows);
    if (after.isEmpty())
        sql += QStringLiteral(" OFFSET %1").arg(qint64(index) * BlockRows);
    QSqlQuery query(QSqlDatabase::database(Connection, false));
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw ErrorOf(query);
    if (Filtered)
        query.addBindValue(Link);
    for (const QVariant& value : afterValues)
        query.addBindValue(value);
    if (!query.exec())
        throw ErrorOf(query);
    std::vector<TBlock> fetched(1);
    const int n = int(Cols.size());
    int total = 0;
    while (query.next()) {
        if (int(fetched.back().Rows.size()) == BlockRows)
            fetched.emplace_back();
        TBlock& block = fetched.back();
        block.RowIds.push_back(query.value(0).toLongLong());
        QVector<QVariant> row(n);
        for (int i = 0; i < n; ++i)
            row[i] = query.value(i + 1);
        block.Rows.push_back(std::move(row));
        ++total;
    }
    if (total < blocks * BlockRows)
        Count = index * BlockRows + total;
    if (total == 0)
        return nullptr;
    for (int i = 0; i < int(fetched.size()); ++i) {
        while (int(Blocks.size()) >= MaxBlocks) {
            auto far = std::max_element(Blocks.begin(), Blocks.end(), [index](const auto& a, const auto& b) {
                return std::abs(a.first - index) < std::abs(b.first - index);
            });
            Blocks.erase(far);
        }
        Blocks.insert_or_assign(index + i, std::move(fetched[i]));
    }
    return &Blocks.find(index)->second;
}

int TDbCursor::RecordCount() const
{
    if (!IsOpen || NoRows)
        return 0;
    if (Count < 0)
        Block(0); // a table of less than one block is counted by fetching it
    if (Count < 0) {
        QSqlQuery query(QSqlDatabase::database(Connection, false));
        if (!query.prepare(QStringLiteral("SELECT COUNT(*) FROM %1").arg(Quoted(Table)) + Where()))
            throw ErrorOf(query);
        if (Filtered)
            query.addBindValue(Link);
        if (!query.exec() || !query.next())
            throw ErrorOf(query);
        Count = query.value(0).toInt();
    }
    return Count;
}

bool TDbCursor::HasRow(int row) const
{
    if (row < 0)
        return false;
    const TBlock* block = Block(row / BlockRows);
    return block && row % BlockRows < int(block->Rows.size());
}

qint64 TDbCursor::RowIdAt(int row) const
{
    return HasRow(row) ? Block(row / BlockRows)->RowIds[row % BlockRows] : -1;
}

std::optional<int> TDbCursor::PositionOf(qint64 rowId) const
{
    if (!IsOpen || NoRows || rowId < 0)
        return std::nullopt;
    for (const auto& [index, block] : Blocks) {
        auto it = std::find(block.RowIds.begin(), block.RowIds.end(), rowId);
        if (it != block.RowIds.end())
            return index * BlockRows + int(it - block.RowIds.begin());
    }
    // The row's place is the number of rows ordered before it.
    QSqlDatabase db = QSqlDatabase::database(Connection, false);
    QSqlQuery key(db);
    if (!key.prepare(QStringLiteral("SELECT %1 FROM %2").arg(RowIdOrder() ? QStringLiteral("rowid") : Quoted(DetailColumn), Quoted(Table))
                     + Where(QStringLiteral("rowid = ?"))))
        throw ErrorOf(key);
    if (Filtered)
        key.addBindValue(Link);
    key.addBindValue(rowId);
    if (!key.exec())
        throw ErrorOf(key);
    if (!key.next())
        return std::nullopt;
    const QVariant keyValue = key.value(0);
    QSqlQuery before(db);
    QString condition = QStringLiteral("rowid < ?");
    if (!RowIdOrder()) {
        const QString c = Quoted(DetailColumn);
        condition = keyValue.isNull()
                        ? QStringLiteral("%1 IS NULL AND rowid < ?").arg(c)
                        : QStringLiteral("%1 IS NULL OR %1 < ? COLLATE NOCASE OR (%1 = ? COLLATE NOCASE AND rowid < ?)").arg(c);
    }
    if (!before.prepare(QStringLiteral("SELECT COUNT(*) FROM %1").arg(Quoted(Table)) + Where(condition)))
        throw ErrorOf(before);
    if (Filtered)
        before.addBindValue(Link);
    if (!RowIdOrder() && !keyValue.isNull()) {
        before.addBindValue(keyValue.toString());
        before.addBindValue(keyValue.toString());
    }
    before.addBindValue(rowId);
    if (!before.exec() || !before.next())
        throw ErrorOf(before);
    return before.value(0).toInt();
}

void TDbCursor::Reloaded(qint64 keepRowId)
{
    const bool empty = !HasRow(0);
    Current = empty ? -1 : 0;
    if (keepRowId >= 0)
        if (const std::optional<int> at = PositionOf(keepRowId))
            Current = *at;
    BofFlag = Current <= 0;
    EofFlag = empty;
    for (TDbCursor* detail : Details)
        detail->MasterMoved();
    emit RowsChanged();
    emit CurrentChanged();
}

void TDbCursor::SetCurrent(int row)
{
    BofFlag = false;
    EofFlag = false;
    if (row == Current)
        return;
    Current = row;
    for (TDbCursor* detail : Details)
        detail->MasterMoved();
    emit CurrentChanged();
}

void TDbCursor::MasterMoved()
{
    if (!IsOpen || Detached)
        return;
    Load();
    Reloaded(-1);
}

void TDbCursor::First()
{
    if (!HasRow(0)) {
        BofFlag = EofFlag = true;
        return;
    }
    SetCurrent(0);
    BofFlag = true;
}

void TDbCursor::Prior()
{
    if (Current > 0)
        SetCurrent(Current - 1);
    else
        BofFlag = true;
}

void TDbCursor::Next()
{
    if (Current >= 0 && HasRow(Current + 1))
        SetCurrent(Current + 1);
    else
        EofFlag = true;
}

void TDbCursor::Last()
{
    const int count = RecordCount();
    if (count == 0) {
        BofFlag = EofFlag = true;
        return;
    }
    SetCurrent(count - 1);
}

void TDbCursor::MoveTo(int row)
{
    if (HasRow(row))
        SetCurrent(row);
}

QVariant TDbCursor::FieldValue(const QString& column) const
{
    return Value(Current, ColumnIndex(column));
}

QVariant TDbCursor::Value(int row, int column) const
{
    if (row < 0 || column < 0 || column >= Cols.size() || !HasRow(row))
        return {};
    return Block(row / BlockRows)->Rows[row % BlockRows][column];
}

bool TDbCursor::Locate(const QString& column, const QString& value)
{
    const int c = ColumnIndex(column);
    if (c < 0 || !IsOpen || NoRows)
        return false;
    // The engine folds only ASCII letters, so the rows are compared here, fetching just the one column.
    QSqlQuery query(QSqlDatabase::database(Connection, false));
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT %1 FROM %2").arg(Quoted(Cols[c]), Quoted(Table)) + Where() + OrderBy()))
        throw ErrorOf(query);
    if (Filtered)
        query.addBindValue(Link);
    if (!query.exec())
        throw ErrorOf(query);
    for (int r = 0; query.next(); ++r) {
        const QVariant v = query.value(0);
        if (!v.isNull() && v.toString().compare(value, Qt::CaseInsensitive) == 0) {
            query.finish();
            SetCurrent(r);
            return true;
        }
    }
    return false;
}

TDbCursor::TBookmark TDbCursor::GetBookmark() const
{
    if (Current < 0)
        return {};
    return {RowIdAt(Current), Current};
}

void TDbCursor::GotoBookmark(const TBookmark& bookmark)
{
    GotoRowId(bookmark.RowId);
}

void TDbCursor::GotoRowId(qint64 rowId)
{
    if (const std::optional<int> at = PositionOf(rowId))
        SetCurrent(*at);
}

void TDbCursor::AppendRow(const TFieldValues& values)
{
    if (!IsOpen)
        throw EDatabaseError(QStringLiteral("Cannot write to %1: the table is closed").arg(Table));
    const bool server = OnServer(Connection);
    QStringList cols, marks;
    for (const auto& [column, value] : values) {
        cols << Quoted(column);
        marks << QStringLiteral("?");
    }
    QSqlQuery query(QSqlDatabase::database(Connection, false));
    // The server has no last-insert id for a table without OIDs; it returns the new row's instead.
    if (!query.prepare(QStringLiteral("INSERT INTO %1(%2) VALUES(%3)%4")
                           .arg(Quoted(Table), cols.join(QLatin1Char(',')), marks.join(QLatin1Char(',')),
                                server ? QStringLiteral(" RETURNING rowid") : QString())))
        throw ErrorOf(query);
    for (const auto& field : values)
        query.addBindValue(Bindable(field.second));
    if (!query.exec())
        throw ErrorOf(query);
    const qint64 newRow = server ? (query.next() ? query.value(0).toLongLong() : -1) : query.lastInsertId().toLongLong();
    const qint64 old = Current >= 0 ? RowIdAt(Current) : -1;
    Load();
    Reloaded(old);
    GotoRowId(newRow);
}

void TDbCursor::EditCurrent(const TFieldValues& values)
{
    if (!IsOpen)
        throw EDatabaseError(QStringLiteral("Cannot write to %1: the table is closed").arg(Table));
    if (Current < 0) {
        AppendRow(values);
        return;
    }
    QStringList sets;
    for (const auto& field : values)
        sets << Quoted(field.first) + QStringLiteral("=?");
    QSqlQuery query(QSqlDatabase::database(Connection, false));
    if (!query.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?").arg(Quoted(Table), sets.join(QLatin1Char(',')))))
        throw ErrorOf(query);
    for (const auto& field : values)
        query.addBindValue(Bindable(field.second));
    const qint64 row = RowIdAt(Current);
    query.addBindValue(row);
    if (!query.exec())
        throw ErrorOf(query);
    Load();
    Reloaded(row);
}

TDbCursorModel::TDbCursorModel(TDbCursor& cursor, const QStringList& columns, QObject* parent)
    : QAbstractTableModel(parent), Cursor(cursor), Titles(columns)
{
    for (const QString& c : columns)
        ColumnMap << cursor.ColumnIndex(c);
    auto reset = [this] {
        beginResetModel();
        Shown = 0;
        Shown = NextBlock();
        endResetModel();
    };
    connect(&Cursor, &TDbCursor::RowsChanged, this, reset);
    reset();
}

int TDbCursorModel::NextBlock() const
{
    try {
        // Shown is a whole number of blocks, so a block that is not full tells the cursor its count.
        if (Cursor.HasRow(Shown + TDbCursor::BlockRows - 1))
            return TDbCursor::BlockRows;
        return Cursor.HasRow(Shown) ? Cursor.RecordCount() - Shown : 0;
    } catch (const EDatabaseError&) {
        return 0; // a grid shows what it can; the next action that needs the rows reports the failure
    }
}

bool TDbCursorModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && NextBlock() > 0;
}

void TDbCursorModel::fetchMore(const QModelIndex& parent)
{
    const int more = parent.isValid() ? 0 : NextBlock();
    if (more <= 0)
        return;
    beginInsertRows({}, Shown, Shown + more - 1);
    Shown += more;
    endInsertRows();
}

void TDbCursorModel::SetTitle(int section, const QString& title)
{
    if (section < 0 || section >= Titles.size())
        return;
    Titles[section] = title;
    emit headerDataChanged(Qt::Horizontal, section, section);
}

int TDbCursorModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Shown;
}

int TDbCursorModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(ColumnMap.size());
}

QVariant TDbCursorModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    try {
        return Cursor.Value(index.row(), ColumnMap.value(index.column(), -1));
    } catch (const EDatabaseError&) {
        return {}; // a grid paints what it can; the next action that needs the rows reports the failure
    }
}

QVariant TDbCursorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return Titles.value(section);
    return section + 1;
}
