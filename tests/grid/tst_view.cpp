// The drug list's input: keys, clicks on rows and the header, the wheel, column sizing and
// the Esc that cancels a pending edit.
#include "DrugListTestSupport.h"

#include "data/FieldDataLink.h"

#include <QWheelEvent>

using namespace testsupport;

namespace {

void wheel(TcxGrid *grid, int delta)
{
    const QPointF at(50, 60);
    QWheelEvent event(at, grid->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(grid, &event);
}

// A double-click as the toolkit delivers it: press, release, then the double-click (after a
// second press, on toolkits that deliver one) and the last release.
void doubleClick(TcxGrid *grid, QPoint at, bool secondPress)
{
    QTest::mousePress(grid, Qt::LeftButton, {}, at);
    QTest::mouseRelease(grid, Qt::LeftButton, {}, at);
    if (secondPress) QTest::mousePress(grid, Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid, Qt::LeftButton, {}, at);
    QTest::mouseRelease(grid, Qt::LeftButton, {}, at);
}

} // namespace

TEST(DrugListView, StartsOnTheFilesFirstRecordAndUpFollowsTheListOrder)
{
    TDrugList list(shuffledNames(12));
    // The file's first record sorts last: it is focused and scrolled into sight at the bottom.
    EXPECT_EQ(list.focusedRow(), 11);
    EXPECT_EQ(list.topRow(), 7);
    EXPECT_EQ(list.currentName(), "Drug B1");
    EXPECT_EQ(list.view().FocusedColumnIndex(), -1);
    list.key(Qt::Key_Up);
    // The previous name in the list, which is the file's fourth record, not its previous one.
    EXPECT_EQ(list.focusedRow(), 10);
    EXPECT_EQ(list.currentName(), "Drug B0");
    EXPECT_EQ(list.cds.RecNo(), 6);
}

TEST(DrugListView, KeysMoveTheFocusWithinTheList)
{
    struct TStep
    {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int focusedRow, topRow, focusedColumn;
    };
    struct TCase
    {
        const char *name;
        int startRow;
        std::vector<TStep> steps;
    };
    // 12 rows, 5 of them fully visible: the top row goes from 0 to 7.
    const TCase cases[] = {
        {"down at the last row stays", 11, {{Qt::Key_Down, {}, 11, 7, -1}}},
        {"up at the first row stays", 0, {{Qt::Key_Up, {}, 0, 0, -1}}},
        {"down scrolls the next row in at the bottom",
         4,
         {{Qt::Key_Down, {}, 5, 1, -1}, {Qt::Key_Up, {}, 4, 1, -1}}},
        {"ctrl+end then ctrl+home",
         3,
         {{Qt::Key_End, Qt::ControlModifier, 11, 7, -1},
          {Qt::Key_Home, Qt::ControlModifier, 0, 0, -1}}},
        {"home and end focus the column, not another row",
         6,
         {{Qt::Key_Home, {}, 6, 2, 0}, {Qt::Key_End, {}, 6, 2, 0}}},
        {"right focuses the column first", 6, {{Qt::Key_Right, {}, 6, 2, 0}}},
        {"page down: to the bottom row, then a page further, then the end",
         0,
         {{Qt::Key_PageDown, {}, 4, 0, -1},
          {Qt::Key_PageDown, {}, 8, 4, -1},
          {Qt::Key_PageDown, {}, 11, 7, -1},
          {Qt::Key_PageDown, {}, 11, 7, -1}}},
        {"page up: to the top row, then a page back, then the start",
         11,
         {{Qt::Key_PageUp, {}, 7, 7, -1},
          {Qt::Key_PageUp, {}, 3, 3, -1},
          {Qt::Key_PageUp, {}, 0, 0, -1},
          {Qt::Key_PageUp, {}, 0, 0, -1}}},
        {"enter, insert, delete and characters do nothing",
         6,
         {{Qt::Key_Return, {}, 6, 2, -1},
          {Qt::Key_Insert, {}, 6, 2, -1},
          {Qt::Key_Delete, Qt::ControlModifier, 6, 2, -1},
          {Qt::Key_A, {}, 6, 2, -1}}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        TDrugList list(shuffledNames(12));
        // Reach the start row from the top, so that the top row is where a user would have it.
        list.key(Qt::Key_Home, Qt::ControlModifier);
        for (int i = 0; i < c.startRow; ++i)
            list.key(Qt::Key_Down);
        ASSERT_EQ(list.focusedRow(), c.startRow);
        for (const TStep &step : c.steps) {
            list.key(step.key, step.modifiers);
            EXPECT_EQ(list.focusedRow(), step.focusedRow);
            EXPECT_EQ(list.topRow(), step.topRow);
            EXPECT_EQ(list.view().FocusedColumnIndex(), step.focusedColumn);
            // The data set follows the list.
            EXPECT_EQ(list.currentName(), list.rowName(list.focusedRow()));
        }
    }
}

TEST(DrugListView, PagingFirstBringsAFocusedRowOutOfSightBack)
{
    TDrugList list(shuffledNames(12));
    list.key(Qt::Key_Home, Qt::ControlModifier);
    list.key(Qt::Key_Down);
    list.key(Qt::Key_Down); // row 2, top row 0
    list.view().SetTopRowIndex(6);
    list.key(Qt::Key_PageUp);
    // Made visible first (it becomes the top row), then, being the top row, a page up.
    EXPECT_EQ(list.topRow(), 0);
    EXPECT_EQ(list.focusedRow(), 0);

    list.key(Qt::Key_Down);
    list.key(Qt::Key_Down); // row 2 again
    list.view().SetTopRowIndex(6);
    list.key(Qt::Key_PageDown);
    // Made visible at the top, where it is not the bottom row: only focus the bottom row.
    EXPECT_EQ(list.topRow(), 2);
    EXPECT_EQ(list.focusedRow(), 6);
}

TEST(DrugListView, WithoutAFocusedRow)
{
    struct TCase
    {
        const char *name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int focusedRow; // -1: still none
    };
    const TCase cases[] = {
        {"down focuses the first row", Qt::Key_Down, {}, 0},
        {"up does nothing", Qt::Key_Up, {}, -1},
        {"page up focuses the top row", Qt::Key_PageUp, {}, 2},
        {"page down focuses the bottom row", Qt::Key_PageDown, {}, 6},
        {"home acts as ctrl+home", Qt::Key_Home, {}, 0},
        {"end acts as ctrl+end", Qt::Key_End, {}, 10},
        {"right only scrolls", Qt::Key_Right, {}, -1},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        TDrugList list(shuffledNames(12));
        // The current record (the file's first, sorted last) filtered out.
        list.controller().SetFilterHook([](int record) { return record != 0; });
        list.controller().FilterChanged();
        list.view().SetTopRowIndex(2);
        ASSERT_EQ(list.focusedRow(), -1);
        ASSERT_EQ(list.controller().RowCount(), 11);
        list.key(c.key, c.modifiers);
        EXPECT_EQ(list.focusedRow(), c.focusedRow);
        EXPECT_EQ(list.view().FocusedColumnIndex(), -1);
        if (c.focusedRow >= 0)
            EXPECT_EQ(list.currentName(), list.rowName(c.focusedRow));
        else
            EXPECT_EQ(list.currentName(), "Drug B1");
    }
}

TEST(DrugListView, EmptyListIgnoresEveryMove)
{
    TDrugList list({});
    EXPECT_EQ(list.topRow(), -1);
    for (Qt::Key key : {Qt::Key_Down, Qt::Key_Up, Qt::Key_PageDown, Qt::Key_PageUp, Qt::Key_Home,
                        Qt::Key_End, Qt::Key_Right, Qt::Key_Left})
        list.key(key);
    wheel(list.grid, -120);
    QTest::mouseClick(list.grid, Qt::LeftButton, {}, QPoint(50, 60));
    EXPECT_EQ(list.focusedRow(), -1);
    EXPECT_EQ(list.topRow(), -1);
}

TEST(DrugListView, LeftAndRightScrollByTenPixelsWithinTheColumn)
{
    TDrugList list(shuffledNames(3));
    // Three rows fit: no scroll bar, the site is the grid's inside, 233 wide.
    ASSERT_FALSE(list.view().isVerticalScrollBarShown());
    list.key(Qt::Key_Right);
    EXPECT_EQ(list.view().FocusedColumnIndex(), 0);
    list.key(Qt::Key_Right);
    EXPECT_EQ(list.view().horizontalOffset(), 0) << "the column fits";

    list.view().Columns(0)->SetWidth(258); // 25 wider than the site
    list.key(Qt::Key_Right);
    EXPECT_EQ(list.view().horizontalOffset(), 10);
    list.key(Qt::Key_Right);
    list.key(Qt::Key_Right);
    EXPECT_EQ(list.view().horizontalOffset(), 25) << "stops with the right edge in sight";
    list.key(Qt::Key_Left);
    EXPECT_EQ(list.view().horizontalOffset(), 15);
    list.key(Qt::Key_Left);
    list.key(Qt::Key_Left);
    EXPECT_EQ(list.view().horizontalOffset(), 0);
    EXPECT_EQ(list.focusedRow(), 2) << "no row moves sideways";
}

TEST(DrugListView, MouseDownOnARowFocusesItAndTheColumn)
{
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
        SCOPED_TRACE(button == Qt::LeftButton ? "left" : "right");
        TDrugList list(shuffledNames(12));
        list.other->setFocus();
        QTest::mousePress(list.grid, button, {}, list.rowPoint(8));
        EXPECT_TRUE(list.grid->hasFocus());
        EXPECT_EQ(list.focusedRow(), 8);
        EXPECT_EQ(list.view().FocusedColumnIndex(), 0);
        EXPECT_EQ(list.currentName(), list.rowName(8));
        QTest::mouseRelease(list.grid, button, {}, list.rowPoint(8));
    }

    TDrugList list(shuffledNames(12));
    doubleClick(list.grid, list.rowPoint(9), true);
    EXPECT_EQ(list.focusedRow(), 9);
    EXPECT_EQ(list.currentName(), list.rowName(9));

    // Below the last row nothing is chosen.
    TDrugList few(shuffledNames(2));
    few.other->setFocus();
    QTest::mouseClick(few.grid, Qt::LeftButton, {}, few.rowPoint(3));
    EXPECT_TRUE(few.grid->hasFocus());
    EXPECT_EQ(few.focusedRow(), 1);
    EXPECT_EQ(few.view().FocusedColumnIndex(), -1);

    // The middle button only takes the focus (with all rows in sight, nothing to scroll).
    TDrugList middle(shuffledNames(12), 12);
    middle.other->setFocus();
    QTest::mouseClick(middle.grid, Qt::MiddleButton, {}, middle.rowPoint(8));
    EXPECT_TRUE(middle.grid->hasFocus());
    EXPECT_EQ(middle.focusedRow(), 11);
}

TEST(DrugListView, HeaderClicksToggleTheOrderKeepingTheDrugFocusedAndVisible)
{
    TDrugList list(shuffledNames(12));
    list.key(Qt::Key_Home, Qt::ControlModifier);
    list.key(Qt::Key_Down); // "Drug A1", the third record of the file
    ASSERT_EQ(list.currentName(), "Drug A1");
    const int recNo = list.cds.RecNo();
    std::vector<std::string> ascending = list.rowNames();
    std::vector<std::string> descending(ascending.rbegin(), ascending.rend());

    struct TStep
    {
        const char *name;
        Qt::KeyboardModifiers modifiers;
        TcxDataSortOrder order;
    };
    const TStep steps[] = {
        {"click", {}, TcxDataSortOrder::soDescending},
        {"click again", {}, TcxDataSortOrder::soAscending},
        {"click once more", {}, TcxDataSortOrder::soDescending},
        {"ctrl+click", Qt::ControlModifier, TcxDataSortOrder::soNone},
        {"click after ctrl+click", {}, TcxDataSortOrder::soAscending},
    };
    for (const TStep &step : steps) {
        SCOPED_TRACE(step.name);
        list.clickHeader(step.modifiers);
        EXPECT_EQ(list.view().Columns(0)->SortOrder(), step.order);
        if (step.order == TcxDataSortOrder::soAscending) {
            EXPECT_EQ(list.rowNames(), ascending);
        } else if (step.order == TcxDataSortOrder::soDescending) {
            EXPECT_EQ(list.rowNames(), descending);
        } else {
            for (int row = 0; row < 12; ++row)
                EXPECT_EQ(list.controller().recordIndexOfRow(row), row);
        }
        EXPECT_EQ(list.currentName(), "Drug A1");
        EXPECT_EQ(list.cds.RecNo(), recNo);
        EXPECT_EQ(list.rowName(list.focusedRow()), "Drug A1");
        EXPECT_TRUE(list.focusedRowFullyVisible());
    }
    // Neither the click nor the header takes any row's focus or the column's.
    EXPECT_EQ(list.view().FocusedColumnIndex(), -1);
}

TEST(DrugListView, ShiftClickKeepsOtherSortColumns)
{
    TDrugList list(shuffledNames(6));
    TcxGridDBDataController &controller = list.controller();
    controller.SetSortOrder(10, TcxDataSortOrder::soAscending); // a hidden column
    ASSERT_EQ(controller.sortList().size(), 2u);

    list.clickHeader(Qt::ShiftModifier);
    ASSERT_EQ(controller.sortList().size(), 2u);
    EXPECT_EQ(controller.sortOrder(0), TcxDataSortOrder::soDescending);
    EXPECT_EQ(controller.sortOrder(10), TcxDataSortOrder::soAscending);

    // Any other combination counts as a plain click.
    list.clickHeader(Qt::ShiftModifier | Qt::ControlModifier);
    ASSERT_EQ(controller.sortList().size(), 1u);
    EXPECT_EQ(controller.sortOrder(0), TcxDataSortOrder::soAscending);
}

TEST(DrugListView, AReleaseFiveOrMorePixelsAwayDoesNotSort)
{
    struct TCase
    {
        QPoint moved;
        bool sorts;
    };
    const TCase cases[] = {{{4, 0}, true},   {{4, -4}, true}, {{-4, 4}, true},  {{5, 0}, false},
                           {{-5, 0}, false}, {{0, 5}, false}, {{30, 0}, false}, {{0, 0}, true}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(testing::Message() << c.moved.x() << "," << c.moved.y());
        TDrugList list(shuffledNames(6));
        const QPoint press = list.headerPoint();
        QTest::mousePress(list.grid, Qt::LeftButton, {}, press);
        QTest::mouseMove(list.grid, press + c.moved);
        QTest::mouseRelease(list.grid, Qt::LeftButton, {}, press + c.moved);
        EXPECT_EQ(list.view().Columns(0)->SortOrder(),
                  c.sorts ? TcxDataSortOrder::soDescending : TcxDataSortOrder::soAscending);
        EXPECT_EQ(list.view().pressedColumn(), -1);
    }
}

TEST(DrugListView, ADoubleClickOnTheHeaderSortsOnce)
{
    // A double-click is a click and a second press that does not count as a press.
    for (bool secondPress : {false, true}) {
        SCOPED_TRACE(secondPress ? "second press delivered" : "no second press");
        TDrugList list(shuffledNames(6));
        doubleClick(list.grid, list.headerPoint(), secondPress);
        EXPECT_EQ(list.view().Columns(0)->SortOrder(), TcxDataSortOrder::soDescending);
    }
}

TEST(DrugListView, WheelScrollsWithoutMovingTheFocus)
{
    TDrugList list(shuffledNames(12));
    QApplication::setWheelScrollLines(2);
    list.key(Qt::Key_Home, Qt::ControlModifier);
    list.key(Qt::Key_Down);
    const std::string current = list.currentName();
    struct TStep
    {
        int delta, topRow;
    };
    // Down for a negative distance, within 0 .. 7; a finer wheel adds up to whole notches.
    const TStep steps[] = {{-120, 2}, {-240, 6}, {-120, 7}, {120, 5}, {60, 5}, {60, 3}, {360, 0}};
    for (const TStep &step : steps) {
        wheel(list.grid, step.delta);
        EXPECT_EQ(list.topRow(), step.topRow) << step.delta;
        EXPECT_EQ(list.focusedRow(), 1);
        EXPECT_EQ(list.currentName(), current);
    }
    QApplication::setWheelScrollLines(3);
}

TEST(DrugListView, PageScrollStepsLeaveTheFocusedRowAlone)
{
    TDrugList list(shuffledNames(12));
    list.key(Qt::Key_Home, Qt::ControlModifier);
    list.key(Qt::Key_Down);
    // The old bottom row becomes the top row and back, within 0 .. 7.
    struct TStep
    {
        bool down;
        int topRow;
    };
    const TStep steps[] = {{true, 4}, {true, 7}, {true, 7}, {false, 3}, {false, 0}, {false, 0}};
    for (const TStep &step : steps) {
        if (step.down)
            list.view().scrollPageDown();
        else
            list.view().scrollPageUp();
        EXPECT_EQ(list.topRow(), step.topRow);
        EXPECT_EQ(list.focusedRow(), 1);
    }
}

TEST(DrugListView, EscCancelsAPendingEditOfTheCurrentRecord)
{
    TDrugList list(shuffledNames(6));
    TFieldDataLink memo;
    memo.SetFieldName("ZhuYiShiXiang");
    memo.SetDataSource(&list.source);
    auto type = [&](const char *text) {
        ASSERT_TRUE(memo.Edit());
        memo.Field()->SetAsString(text);
    };

    type("typed");
    ASSERT_EQ(list.cds.State(), TDataSetState::Edit);
    // Clicking the focused row gives the list the focus without moving the cursor.
    QTest::mouseClick(list.grid, Qt::LeftButton, {}, list.rowPoint(list.focusedRow()));
    ASSERT_EQ(list.cds.State(), TDataSetState::Edit);
    list.key(Qt::Key_Escape);
    EXPECT_EQ(list.cds.State(), TDataSetState::Browse);
    EXPECT_TRUE(list.cds.FieldByName("ZhuYiShiXiang").IsNull());

    // Choosing another row instead posts the change first.
    type("kept");
    const std::string edited = list.currentName();
    list.key(Qt::Key_Up);
    EXPECT_EQ(list.cds.State(), TDataSetState::Browse);
    EXPECT_NE(list.currentName(), edited);
    list.key(Qt::Key_Down);
    EXPECT_EQ(list.currentName(), edited);
    EXPECT_EQ(list.cds.FieldByName("ZhuYiShiXiang").AsString(), "kept");
}

TEST(DrugListView, TabLeavesTheList)
{
    TDrugList list(shuffledNames(6));
    ASSERT_TRUE(list.grid->hasFocus());
    const int focused = list.focusedRow();
    QTest::keyClick(list.grid, Qt::Key_Tab);
    EXPECT_TRUE(list.other->hasFocus());
    EXPECT_EQ(list.focusedRow(), focused);
    QTest::keyClick(list.other, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(list.grid->hasFocus());
}

TEST(DrugListView, HeaderRightEdgeSizesTheColumn)
{
    TDrugList list(shuffledNames(3)); // no scroll bar: the whole sizing zone is in reach
    const QRect header = list.view().headerRect(0);
    const QPoint edge(header.right(), header.top() + 5);

    // The sizing zone is 8 wide, centred on the right edge, and shows the sizing cursor.
    for (int dx : {-3, 0, 4}) {
        QTest::mouseMove(list.grid, edge + QPoint(dx, 0));
        EXPECT_EQ(list.grid->cursor().shape(), Qt::SplitHCursor) << dx;
    }
    for (int dx : {-4, 5}) {
        QTest::mouseMove(list.grid, edge + QPoint(dx, 0));
        EXPECT_NE(list.grid->cursor().shape(), Qt::SplitHCursor) << dx;
    }

    struct TCase
    {
        int moved, width;
    };
    const TCase cases[] = {{-100, 117}, {-300, 20}, {40, 257}, {0, 217}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.moved);
        list.view().Columns(0)->SetWidth(217);
        QTest::mousePress(list.grid, Qt::LeftButton, {}, edge);
        QTest::mouseMove(list.grid, edge + QPoint(c.moved, 3));
        // The inverted line marks the new right edge while the button is held.
        const QImage during = list.grid->grab().toImage();
        const int lineX = header.left() + c.width - 1;
        if (lineX < 234) {
            const QRect rows = list.view().rowsRect();
            EXPECT_NE(during.pixelColor(lineX, rows.bottom()), toQColor(clWindow));
        }
        EXPECT_EQ(list.view().Columns(0)->Width(), 217) << "not before the release";
        QTest::mouseRelease(list.grid, Qt::LeftButton, {}, edge + QPoint(c.moved, 3));
        EXPECT_EQ(list.view().Columns(0)->Width(), c.width);
        EXPECT_EQ(list.view().Columns(0)->SortOrder(), TcxDataSortOrder::soAscending);
    }
}

TEST(DrugListView, DoubleClickOnTheSizingZoneFitsTheWidestName)
{
    const std::vector<std::string> names = {"Ab", "A much longer generic name", "Cd"};
    for (bool secondPress : {false, true}) {
        SCOPED_TRACE(secondPress ? "second press delivered" : "no second press");
        TDrugList list(names);
        const QRect header = list.view().headerRect(0);
        doubleClick(list.grid, QPoint(header.right(), header.top() + 5), secondPress);
        const int widest =
            QFontMetrics(list.grid->font()).horizontalAdvance("A much longer generic name");
        EXPECT_EQ(list.view().Columns(0)->Width(), widest + 6);
        EXPECT_EQ(list.view().Columns(0)->SortOrder(), TcxDataSortOrder::soAscending);

        TDrugList empty({});
        const QRect emptyHeader = empty.view().headerRect(0);
        doubleClick(empty.grid, QPoint(emptyHeader.right(), emptyHeader.top() + 5), secondPress);
        EXPECT_EQ(empty.view().Columns(0)->Width(), 20);
    }
}

TEST(DrugListView, ColumnsAsTheFormDeclaresThem)
{
    TDrugList list({"x"});
    TcxGridDBTableView &view = list.view();
    ASSERT_EQ(view.ColumnCount(), 13);
    const char *const hiddenCaptions[] = {"作用类别", "药理作用", "适用症",       "用法与用量",
                                          "禁忌症",   "规格",     "药物相互作用", "不良反应",
                                          "注意事项", "类别",     "电话",         "生产企业"};
    EXPECT_EQ(view.Columns(0)->Caption(), QStringLiteral("药品列表"));
    EXPECT_TRUE(view.Columns(0)->Visible());
    EXPECT_EQ(view.Columns(0)->Width(), 217);
    for (int i = 1; i < 13; ++i) {
        SCOPED_TRACE(i);
        EXPECT_FALSE(view.Columns(i)->Visible());
        EXPECT_EQ(view.Columns(i)->Caption(), QString::fromUtf8(hiddenCaptions[i - 1]));
    }
    EXPECT_EQ(view.visibleColumns().size(), 1u);
}
