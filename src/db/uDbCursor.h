#pragma once
#include <QAbstractTableModel>
#include <QObject>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <map>
#include <optional>
#include <utility>
#include <vector>

// A table cursor over one named database connection: the rows of one table, a current row and the
// usual moves. A detail cursor presents only the rows whose link column equals the master's current
// value and follows the master whenever it moves; detached, it presents every row of its table.
// Rows are fetched on demand in blocks and only a bounded number of blocks is kept, so a cursor over
// a million rows opens as fast as one over ten; the row count is asked of the engine only when
// someone needs it.
class TDbCursor : public QObject {
    Q_OBJECT
public:
    using TFieldValues = QList<std::pair<QString, QVariant>>;
    // Rows are fetched this many at a time, and at most this many blocks are kept.
    static constexpr int BlockRows = 256;
    static constexpr int MaxBlocks = 32;
    static constexpr int WalkBlocks = 8;

    struct TBookmark {
        qint64 RowId = -1;
        int Row = -1;
    };

    TDbCursor(const QString& table, const QStringList& columns, QObject* parent = nullptr);
    ~TDbCursor() override;

    const QString& TableName() const { return Table; }
    const QStringList& Columns() const { return Cols; }
    // Column names match without regard to case; -1 for an unknown name.
    int ColumnIndex(const QString& name) const;

    void SetConnectionName(const QString& name) { Connection = name; }
    // Makes this a detail of master, linked by master's masterColumn and this cursor's detailColumn,
    // which also orders the rows.
    void SetMasterLink(TDbCursor* master, const QString& masterColumn, const QString& detailColumn);
    void Detach();
    void Attach();
    bool IsDetached() const { return Detached; }

    // Opening opens the connection if it is not open yet; an engine error raises EDatabaseError.
    void Open();
    void Close();
    bool Active() const { return IsOpen; }
    // Reloads the rows, staying on the same row where it still exists.
    void Refresh();

    int RecordCount() const;
    // Whether a row exists at that position, without counting the rows.
    bool HasRow(int row) const;
    int RecNo() const { return Current; } // -1 when there is no current row
    bool Eof() const { return EofFlag; }  // past the last row (or no rows)
    bool Bof() const { return BofFlag; }  // before the first row (or no rows)
    void First();
    void Prior();
    void Next();
    void Last();
    void MoveTo(int row);

    // The current row's value; null when there is no current row.
    QVariant FieldValue(const QString& column) const;
    QString FieldText(const QString& column) const { return FieldValue(column).toString(); }
    QVariant Value(int row, int column) const;

    // Moves to the first row whose column equals value, ignoring case; stays put when none does.
    bool Locate(const QString& column, const QString& value);
    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark& bookmark);

    // Writes through the cursor: a new row, or new values for the current row (a new row when there
    // is none). The written row becomes current.
    void AppendRow(const TFieldValues& values);
    void EditCurrent(const TFieldValues& values);

signals:
    void RowsChanged();    // rows reloaded, or the cursor closed
    void CurrentChanged(); // another current row (also after every reload)

private:
    struct TBlock {
        std::vector<qint64> RowIds;
        std::vector<QVector<QVariant>> Rows;
    };

    void Load();
    void Reloaded(qint64 keepRowId);
    void SetCurrent(int row);
    void MasterMoved();
    bool RowIdOrder() const { return Filtered || DetailColumn.isEmpty(); }
    QString Where(const QString& condition = {}) const;
    QString OrderBy() const;
    const TBlock* Block(int index) const;
    qint64 RowIdAt(int row) const;
    std::optional<int> PositionOf(qint64 rowId) const;
    void GotoRowId(qint64 rowId);

    QString Table;
    QStringList Cols;
    QString Connection;
    TDbCursor* Master = nullptr;
    std::vector<TDbCursor*> Details;
    QString MasterColumn;
    QString DetailColumn;
    bool Detached = false;
    bool IsOpen = false;
    bool Filtered = false; // following the master's current row
    bool NoRows = false;   // following a master that stands on no row
    QString Link;          // the master's value the rows follow
    mutable std::map<int, TBlock> Blocks;
    mutable int Count = -1; // -1 until known
    int Current = -1;
    bool EofFlag = true;
    bool BofFlag = true;
};

// The rows of a cursor for a grid: the chosen columns in the chosen order, reset whenever the
// cursor's rows change. Titles default to the column names. The grid is given a block of rows at
// a time, more as it scrolls to its end, so that neither the rows nor their count need to be at
// hand when it opens on a long history.
class TDbCursorModel : public QAbstractTableModel {
    Q_OBJECT
public:
    TDbCursorModel(TDbCursor& cursor, const QStringList& columns, QObject* parent = nullptr);

    void SetTitle(int section, const QString& title);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    // How many rows the next block adds to those shown.
    int NextBlock() const;

    TDbCursor& Cursor;
    QVector<int> ColumnMap;
    QStringList Titles;
    int Shown = 0;
};
