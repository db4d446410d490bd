#include "ViewerFixture.h"
#include "db/uDbCursor.h"
#include <QCoreApplication>
#include <QTableView>

namespace {

// Enough fault rows for one encoder to span several of the cursor's blocks, interleaved with
// another encoder's rows so that the rows of one are not a run of the table.
constexpr int ManyFaults = 3 * TDbCursor::BlockRows + 17;

QStringList ManyFaultRows()
{
    QStringList s{"INSERT INTO ENCODER_ID VALUES('BIG','P','1','1'),('\u00c5SA','P','1','1')"};
    s << "BEGIN";
    for (int i = 0; i < ManyFaults; ++i) {
        s << QString("INSERT INTO FAULTS_ID VALUES('big','%1','%2','01','5','6','d%1')").arg(i).arg(i * 7);
        if (i % 5 == 0)
            s << QString("INSERT INTO FAULTS_ID VALUES('1003','x%1','0','01','5','6','o%1')").arg(i);
    }
    s << "COMMIT";
    return s;
}

} // namespace

class DbCursorFixture : public ViewerFixture {
protected:
    void SetUp() override
    {
        ViewerFixture::SetUp();
        Exec(RemotePath(), ManyFaultRows());
        View->FormShow(); // connected to the remote database
        ASSERT_TRUE(Mod->LocateEncoder("BIG"));
    }
};

TEST_F(DbCursorFixture, ADetailOfManyBlocksPresentsEveryRowInOrderWhereverItIsAsked)
{
    TDbCursor& faults = Mod->FaultsIDTable;
    const int index = faults.ColumnIndex("FaultIndex");
    EXPECT_EQ(faults.RecordCount(), ManyFaults);

    // Walking forward, backward and jumping all see the same rows in the table's order.
    QStringList forward;
    for (faults.First(); !faults.Eof(); faults.Next())
        forward << faults.FieldText("FaultIndex");
    ASSERT_EQ(forward.size(), ManyFaults);
    for (int i = 0; i < ManyFaults; ++i)
        ASSERT_EQ(forward[i], QString::number(i)) << "row " << i;
    EXPECT_EQ(faults.RecNo(), ManyFaults - 1);
    faults.Last();
    EXPECT_EQ(faults.FieldText("DateSaved"), QString("d%1").arg(ManyFaults - 1));
    for (int i = 0; i < TDbCursor::BlockRows + 3; ++i)
        faults.Prior();
    EXPECT_EQ(faults.FieldText("FaultIndex"), QString::number(ManyFaults - 1 - TDbCursor::BlockRows - 3));
    struct Jump {
        const char* Name;
        int Row;
    };
    for (const Jump& j : {Jump{"first", 0}, Jump{"block end", TDbCursor::BlockRows - 1},
                          Jump{"block start", 2 * TDbCursor::BlockRows}, Jump{"last", ManyFaults - 1}}) {
        SCOPED_TRACE(j.Name);
        EXPECT_EQ(faults.Value(j.Row, index).toString(), QString::number(j.Row));
    }
    EXPECT_FALSE(faults.HasRow(ManyFaults));
    EXPECT_FALSE(faults.Value(ManyFaults, index).isValid());

    // A bookmark and a look-up far from the rows at hand, with the engine's ASCII-only case rule
    // not in the way.
    faults.MoveTo(ManyFaults - 5);
    const TDbCursor::TBookmark mark = faults.GetBookmark();
    faults.First();
    faults.GotoBookmark(mark);
    EXPECT_EQ(faults.RecNo(), ManyFaults - 5);
    faults.First();
    ASSERT_TRUE(faults.Locate("FaultOpTime", QString::number(7 * 700)));
    EXPECT_EQ(faults.RecNo(), 700);
    EXPECT_FALSE(faults.Locate("FaultOpTime", "no such"));
    EXPECT_EQ(faults.RecNo(), 700);
    ASSERT_TRUE(Mod->LocateEncoder("\u00e5sa"));
    EXPECT_EQ(Mod->EncoderIDTab.FieldText("SerialNr"), "\u00c5SA");
    EXPECT_EQ(faults.RecordCount(), 0);
    EXPECT_TRUE(faults.Eof());

    // The other encoder's rows are its own, and a detached cursor sees every row of the table.
    ASSERT_TRUE(Mod->LocateEncoder("1003"));
    EXPECT_EQ(faults.RecordCount(), 3 + (ManyFaults + 4) / 5);
    faults.Detach();
    const int all = 3 + 3 + ManyFaults + (ManyFaults + 4) / 5;
    EXPECT_EQ(faults.RecordCount(), all);
    // Ordered by serial number (ignoring case), then as saved: reached by a jump and by walking.
    QStringList expected;
    for (const QStringList& row : RemoteRows("SELECT DateSaved FROM FAULTS_ID ORDER BY Serialnr COLLATE NOCASE, rowid"))
        expected << row[0];
    const int date = faults.ColumnIndex("DateSaved");
    EXPECT_EQ(faults.Value(all - 2, date).toString(), expected[all - 2]);
    QStringList walked;
    for (int r = 0; r < all; ++r)
        walked << faults.Value(r, date).toString();
    EXPECT_EQ(walked, expected);
    faults.Attach();
    EXPECT_EQ(faults.RecordCount(), 3 + (ManyFaults + 4) / 5);
}

TEST_F(DbCursorFixture, ABookmarkSurvivesDetachingWhereTheOrderChangesAndAWriteStaysOnItsRow)
{
    TDbCursor& faults = Mod->FaultsIDTable;
    faults.MoveTo(2 * TDbCursor::BlockRows + 1);
    const QString stoodOn = faults.FieldText("DateSaved");
    const TDbCursor::TBookmark mark = faults.GetBookmark();
    faults.Detach(); // ordered by serial number: 1001's and 1003's rows come first
    faults.First();
    faults.GotoBookmark(mark);
    EXPECT_EQ(faults.FieldText("DateSaved"), stoodOn);
    EXPECT_GT(faults.RecNo(), 2 * TDbCursor::BlockRows + 1);
    faults.Attach();
    EXPECT_EQ(faults.FieldText("DateSaved"), stoodOn) << "a reload stays on the same row";

    faults.EditCurrent({{"FaultTemp", "99"}});
    EXPECT_EQ(faults.RecNo(), 2 * TDbCursor::BlockRows + 1);
    EXPECT_EQ(faults.FieldText("FaultTemp"), "99");
    faults.AppendRow({{"Serialnr", "BIG"}, {"FaultIndex", "new"}, {"FaultStatus", "01"}, {"DateSaved", "d"}});
    EXPECT_EQ(faults.RecNo(), ManyFaults);
    EXPECT_EQ(faults.RecordCount(), ManyFaults + 1);
}

TEST_F(DbCursorFixture, TheViewersGridFetchesABlockAtATimeAsItScrollsToItsEnd)
{
    auto* grid = Find<QTableView>("DBGrid2");
    QAbstractItemModel* model = grid->model();
    ASSERT_EQ(model->rowCount(), TDbCursor::BlockRows) << "the grid opens on the first block";
    // Scrolling to the end asks for more rows until there are no more.
    int fetches = 0;
    while (model->canFetchMore({}) && fetches < 100) {
        grid->scrollToBottom();
        QCoreApplication::processEvents();
        if (model->canFetchMore({}))
            model->fetchMore({});
        ++fetches;
    }
    EXPECT_GE(fetches, 1);
    ASSERT_EQ(model->rowCount(), ManyFaults);
    EXPECT_EQ(model->index(ManyFaults - 1, 0).data().toString(), QString::number(ManyFaults - 1));
    // A click on a row far down picks that row's reading, as a click near the top does.
    grid->selectRow(ManyFaults - 2);
    View->DBGrid2CellClick();
    EXPECT_EQ(Mod->FaultsIDTable.RecNo(), ManyFaults - 2);

    // Another encoder: the grid starts again with that encoder's rows, all of them when they are few.
    ASSERT_TRUE(Mod->LocateEncoder("1003"));
    EXPECT_EQ(model->rowCount(), 3 + (ManyFaults + 4) / 5);
    EXPECT_FALSE(model->canFetchMore({}));
}
