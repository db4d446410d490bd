#include "db/uDbCursor.h"
#include "db/DbError.h"
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

namespace {

// A server folds the names it was given without quotes to lower case; SQLite keeps them as written
// and compares them without regard to case.
bool OnServer(const QString& connection)
{
    return QSqlDatabase::database(connection, false).driverName() == QLatin1String("QPSQL");
}

QString QuotedName(const QString& identifier, bool onServer)
{
    return QLatin1Char('"') + (onServer ? identifier.toLower() : identifier) + QLatin1Char('"');
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
    Load();
    IsOpen = true;
    Reloaded(-1);
}

void TDbCursor::Close()
{
    if (!IsOpen)
        return;
    IsOpen = false;
    RowIds.clear();
    Rows.clear();
    Reloaded(-1);
}

void TDbCursor::Refresh()
{
    if (!IsOpen)
        return;
    const qint64 keep = Current >= 0 ? RowIds[Current] : -1;
    Load();
    Reloaded(keep);
}

QString TDbCursor::SelectStatement(bool filtered) const
{
    const bool server = OnServer(Connection);
    const auto Quoted = [server](const QString& identifier) { return QuotedName(identifier, server); };
    QStringList cols;
    for (const QString& c : Cols)
        cols << Quoted(c);
    QString sql = QStringLiteral("SELECT rowid,%1 FROM %2").arg(cols.join(QLatin1Char(',')), Quoted(Table));
    if (filtered)
        sql += QStringLiteral(" WHERE %1 = ? COLLATE NOCASE").arg(Quoted(DetailColumn));
    if (!DetailColumn.isEmpty())
        sql += QStringLiteral(" ORDER BY %1 COLLATE NOCASE,rowid").arg(Quoted(DetailColumn));
    else
        sql += QStringLiteral(" ORDER BY rowid");
    return sql;
}

void TDbCursor::Load()
{
    RowIds.clear();
    Rows.clear();
    const bool filtered = Master && !Detached;
    QVariant link;
    if (filtered) {
        if (!Master->IsOpen || Master->Current < 0)
            return;
        link = Master->FieldValue(MasterColumn);
        if (link.isNull())
            return;
    }
    QSqlQuery query(QSqlDatabase::database(Connection, false));
    query.setForwardOnly(true);
    if (!query.prepare(SelectStatement(filtered)))
        throw ErrorOf(query);
    if (filtered)
        query.addBindValue(link.toString());
    if (!query.exec())
        throw ErrorOf(query);
    const int n = int(Cols.size());
    while (query.next()) {
        RowIds.push_back(query.value(0).toLongLong());
        QVector<QVariant> row(n);
        for (int i = 0; i < n; ++i)
            row[i] = query.value(i + 1);
        Rows.push_back(std::move(row));
    }
}

void TDbCursor::Reloaded(qint64 keepRowId)
{
    Current = Rows.empty() ? -1 : 0;
    if (keepRowId >= 0) {
        auto it = std::find(RowIds.begin(), RowIds.end(), keepRowId);
        if (it != RowIds.end())
            Current = int(it - RowIds.begin());
    }
    BofFlag = Current <= 0;
    EofFlag = Rows.empty();
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
    if (Rows.empty()) {
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
    if (Current >= 0 && Current + 1 < RecordCount())
        SetCurrent(Current + 1);
    else
        EofFlag = true;
}

void TDbCursor::Last()
{
    if (Rows.empty()) {
        BofFlag = EofFlag = true;
        return;
    }
    SetCurrent(RecordCount() - 1);
}

void TDbCursor::MoveTo(int row)
{
    if (row >= 0 && row < RecordCount())
        SetCurrent(row);
}

QVariant TDbCursor::FieldValue(const QString& column) const
{
    return Value(Current, ColumnIndex(column));
}

QVariant TDbCursor::Value(int row, int column) const
{
    if (row < 0 || row >= RecordCount() || column < 0 || column >= Cols.size())
        return {};
    return Rows[row][column];
}

bool TDbCursor::Locate(const QString& column, const QString& value)
{
    const int c = ColumnIndex(column);
    if (c < 0)
        return false;
    for (int r = 0; r < RecordCount(); ++r) {
        const QVariant& v = Rows[r][c];
        if (!v.isNull() && v.toString().compare(value, Qt::CaseInsensitive) == 0) {
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
    return {RowIds[Current], Current};
}

void TDbCursor::GotoBookmark(const TBookmark& bookmark)
{
    GotoRowId(bookmark.RowId);
}

void TDbCursor::GotoRowId(qint64 rowId)
{
    auto it = std::find(RowIds.begin(), RowIds.end(), rowId);
    if (it != RowIds.end())
        SetCurrent(int(it - RowIds.begin()));
}

void TDbCursor::AppendRow(const TFieldValues& values)
{
    if (!IsOpen)
        throw EDatabaseError(QStringLiteral("Cannot write to %1: the table is closed").arg(Table));
    const bool server = OnServer(Connection);
    const auto Quoted = [server](const QString& identifier) { return QuotedName(identifier, server); };
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
    const qint64 old = Current >= 0 ? RowIds[Current] : -1;
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
    const bool server = OnServer(Connection);
    const auto Quoted = [server](const QString& identifier) { return QuotedName(identifier, server); };
    QStringList sets;
    for (const auto& field : values)
        sets << Quoted(field.first) + QStringLiteral("=?");
    QSqlQuery query(QSqlDatabase::database(Connection, false));
    if (!query.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?").arg(Quoted(Table), sets.join(QLatin1Char(',')))))
        throw ErrorOf(query);
    for (const auto& field : values)
        query.addBindValue(Bindable(field.second));
    const qint64 row = RowIds[Current];
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
    connect(&Cursor, &TDbCursor::RowsChanged, this, [this] {
        beginResetModel();
        endResetModel();
    });
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
    return parent.isValid() ? 0 : Cursor.RecordCount();
}

int TDbCursorModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(ColumnMap.size());
}

QVariant TDbCursorModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return Cursor.Value(index.row(), ColumnMap.value(index.column(), -1));
}

QVariant TDbCursorModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return Titles.value(section);
    return section + 1;
}
