// The drug list's data controller over a real data set: loading, sorting, focus in both
// directions, filtering and the edit cycle.
#include "DataSetTestSupport.h"

#include "data/DataSource.h"
#include "controller/cxDataStorage.h"
#include "controller/cxFilterValueList.h"
#include "controller/cxGridDBDataController.h"
#include "druglist/DrugListColumns.h"

#include <algorithm>
#include <iterator>
#include <memory>

using namespace testsupport;

namespace {

// The field names of the list's columns, in column order, as the main window binds them.
const std::vector<std::string> ColumnFieldNames = [] {
    std::vector<std::string> names;
    for (const TDrugListColumn &column : DrugListColumns)
        names.emplace_back(column.fieldName);
    return names;
}();
constexpr int ColumnCount = static_cast<int>(DrugListColumns.size());

constexpr int NameField = 0;          // TongYongMing in the record
constexpr int ManufacturerField = 19; // ShengChanQiYe in the record
const int ManufacturerItem =
    static_cast<int>(std::find(ColumnFieldNames.begin(), ColumnFieldNames.end(), "Shengchanqiye") -
                     ColumnFieldNames.begin());

std::vector<TValue> drug(TValue name, TValue manufacturer = std::nullopt)
{
    std::vector<TValue> row(22);
    row[NameField] = std::move(name);
    row[ManufacturerField] = std::move(manufacturer);
    return row;
}

// A data set opened on a packet of the given rows, with the list's controller attached the
// way the main window has it: sorted by name, ascending.
class TGrid
{
public:
    explicit TGrid(const std::vector<std::vector<TValue>> &rows,
                   std::vector<std::string> fieldNames = ColumnFieldNames)
        : controller(std::move(fieldNames))
    {
        const std::string path = makeFolder() + "YaoPin.XML";
        writeFile(path, packet(drugPacketFields(), rows));
        createDrugFields(cds);
        cds.SetFileName(path);
        source.SetDataSet(&cds);
        controller.SetSortOrder(0, TcxDataSortOrder::soAscending);
        controller.SetDataSource(&source);
        subscriptions.push_back(controller.OnDataChanged.subscribe([this] { ++dataChanges; }));
        subscriptions.push_back(controller.OnFocusedRecordChanged.subscribe(
            [this](int previousRecord, int newRecord, int previousRow, int newRow) {
                focusChanges.push_back({previousRecord, newRecord, previousRow, newRow});
            }));
        cds.Open();
    }

    // The names in row order, "<null>" for a null one.
    std::vector<std::string> rowNames() const
    {
        std::vector<std::string> names;
        for (int row = 0; row < controller.RowCount(); ++row) {
            auto value = controller.value(controller.recordIndexOfRow(row), 0);
            names.push_back(value ? std::string(*value) : "<null>");
        }
        return names;
    }
    std::vector<int> rowRecords() const
    {
        std::vector<int> records;
        for (int row = 0; row < controller.RowCount(); ++row)
            records.push_back(controller.recordIndexOfRow(row));
        return records;
    }
    int rowOf(int recordIndex) const { return controller.rowIndexOfRecord(recordIndex); }
    // The data set's current record as a record index.
    int current() { return cds.RecNo() - 1; }
    std::string currentName() const { return cds.FieldByName("TongYongMing").AsString(); }
    // The controller's focus agrees with the data set's current record.
    void expectFocusOnCurrent()
    {
        EXPECT_EQ(controller.FocusedRecordIndex(), current());
        ASSERT_GE(controller.FocusedRowIndex(), 0);
        EXPECT_EQ(controller.recordIndexOfRow(controller.FocusedRowIndex()), current());
        EXPECT_EQ(std::string(controller.displayText(controller.FocusedRowIndex(), 0)),
                  currentName());
    }

    struct TFocusChange
    {
        int previousRecord, newRecord, previousRow, newRow;
        bool operator==(const TFocusChange &) const = default;
    };

    TClientDataSet cds{"cds"};
    TDataSource source{"DataSource1"};
    TcxGridDBDataController controller;
    int dataChanges = 0;
    std::vector<TSubscription> subscriptions;
    std::vector<TFocusChange> focusChanges;
};

// What the header click does: clear the sort list, then set the new direction, in one batch.
void headerClick(TcxGridDBDataController &controller, TcxDataSortOrder order)
{
    TcxGridDBDataController::TUpdateLock lock(controller);
    controller.clearSorting();
    controller.SetSortOrder(0, order);
}

// Drugs with GBK names whose byte order differs from their Unicode order: in GBK the first
// level characters follow their pinyin reading (a, ban, pu, wei), in UTF-8 they do not.
const char *const Amoxilin = "阿莫西林";
const char *const Banlangen = "板蓝根";
const char *const Putaotang = "葡萄糖";
const char *const Weishengsu = "维生素C";

} // namespace

TEST(TcxDataStorage, KeepsEveryValueAcrossBlocksReloadsAndRewrites)
{
    // Several megabytes of values of awkward lengths, so that many would cross a block's end,
    // plus null, empty and one value larger than any block.
    auto valueOf = [](int record, int field, int round) -> std::optional<std::string> {
        if ((record + field) % 7 == 0) return std::nullopt;
        if ((record + field) % 7 == 1) return std::string();
        std::string text(static_cast<std::size_t>(900 + (record * 37 + field * 11) % 700), ' ');
        for (std::size_t i = 0; i < text.size(); ++i)
            text[i] = static_cast<char>((record * 131 + field * 17 + round * 7 + i) % 256);
        return text;
    };
    TcxDataStorage storage;
    storage.setFieldCount(3);
    const std::string large(3u << 20, '\xB0');
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "first load" : "reload into kept memory");
        storage.clear();
        for (int record = 0; record < 3000; ++record) {
            ASSERT_EQ(storage.appendRecord(), record);
            for (int field = 0; field < 3; ++field) {
                auto text = valueOf(record, field, round);
                storage.setValue(record, field,
                                 text ? std::optional<std::string_view>(*text) : std::nullopt);
            }
        }
        storage.setValue(1500, 2, large);
        // An edit writes the record's values again.
        storage.setValue(10, 0, std::string_view("edited"));
        for (int record = 0; record < 3000; ++record) {
            for (int field = 0; field < 3; ++field) {
                std::optional<std::string> expected = valueOf(record, field, round);
                if (record == 1500 && field == 2) expected = large;
                if (record == 10 && field == 0) expected = "edited";
                const auto actual = storage.value(record, field);
                ASSERT_EQ(actual.has_value(), expected.has_value()) << record << "/" << field;
                if (expected) {
                    ASSERT_EQ(*actual, *expected) << record << "/" << field;
                }
            }
        }
    }
    storage.release();
    EXPECT_EQ(storage.RecordCount(), 0);
}

TEST(GridDBDataController, SortsNullEmptyCaseAndGbkBytesInThatOrder)
{
    TGrid grid({drug(gbkOf(Weishengsu)), drug("abc"), drug(std::nullopt), drug(gbkOf(Banlangen)),
                drug("ABC"), drug(""), drug(gbkOf(Putaotang)), drug(gbkOf(Amoxilin))});
    const std::vector<std::string> ascending = {
        "<null>",         "", "ABC", "abc", gbkOf(Amoxilin), gbkOf(Banlangen), gbkOf(Putaotang),
        gbkOf(Weishengsu)};
    EXPECT_EQ(grid.rowNames(), ascending);

    headerClick(grid.controller, TcxDataSortOrder::soDescending);
    EXPECT_EQ(grid.rowNames(), std::vector<std::string>(ascending.rbegin(), ascending.rend()));
    // The null name shows as an empty text.
    EXPECT_EQ(grid.controller.displayText(grid.controller.RowCount() - 1, 0), "");
    EXPECT_FALSE(grid.controller.value(2, 0).has_value());
    EXPECT_EQ(grid.controller.value(5, 0), std::optional<std::string_view>(""));
}

TEST(GridDBDataController, EqualNamesKeepDataSetOrderInBothDirections)
{
    // Long names that share their first twelve bytes: "jiao" sorts before "pian" in GBK.
    const std::string x = gbkOf("复方氨酚烷胺片"), y = gbkOf("复方氨酚烷胺胶囊");
    TGrid grid({drug(x), drug(y), drug(x), drug(y), drug(x)});
    EXPECT_EQ(grid.rowRecords(), (std::vector<int>{1, 3, 0, 2, 4}));
    headerClick(grid.controller, TcxDataSortOrder::soDescending);
    EXPECT_EQ(grid.rowRecords(), (std::vector<int>{0, 2, 4, 1, 3}));
}

TEST(GridDBDataController, SecondSortColumnDecidesEqualNames)
{
    TGrid grid({drug("B", "m2"), drug("A", "m9"), drug("B", "m1"), drug("B", std::nullopt)});
    grid.controller.SetSortOrder(ManufacturerItem, TcxDataSortOrder::soDescending);
    EXPECT_EQ(grid.rowRecords(), (std::vector<int>{1, 0, 2, 3}));
    EXPECT_EQ(grid.controller.sortOrder(ManufacturerItem), TcxDataSortOrder::soDescending);
    // Updating the first pair in place keeps its place in the list.
    grid.controller.SetSortOrder(0, TcxDataSortOrder::soDescending);
    EXPECT_EQ(grid.rowRecords(), (std::vector<int>{0, 2, 3, 1}));
    grid.controller.SetSortOrder(0, TcxDataSortOrder::soNone);
    EXPECT_EQ(grid.rowRecords(), (std::vector<int>{1, 0, 2, 3}));
}

TEST(GridDBDataController, OpensWithTheFilesFirstRecordFocused)
{
    TGrid grid({drug(gbkOf(Weishengsu)), drug(gbkOf(Amoxilin)), drug(gbkOf(Putaotang))});
    EXPECT_EQ(grid.controller.RecordCount(), 3);
    EXPECT_EQ(grid.controller.FocusedRecordIndex(), 0);
    EXPECT_EQ(grid.controller.FocusedRowIndex(), 2);
    EXPECT_EQ(grid.currentName(), gbkOf(Weishengsu));
    grid.expectFocusOnCurrent();
    // The walk put the cursor back where the open left it, BOF included.
    EXPECT_TRUE(grid.cds.Bof());
    EXPECT_EQ(grid.focusChanges.back(), (TGrid::TFocusChange{-1, 0, -1, 2}));
}

TEST(GridDBDataController, FocusingARowMovesTheCursorByTheRecordDistance)
{
    // Names chosen so that rows and records run in opposite directions.
    std::vector<std::vector<TValue>> rows;
    for (const char *name : {"H", "G", "F", "E", "D", "C", "B", "A"})
        rows.push_back(drug(std::string(name)));
    TGrid grid(rows);
    TLog log;
    TRecordingLink detail(log, "detail");
    detail.SetDataSource(&grid.source);

    struct TCase
    {
        int from, to;
    } cases[] = {{5, 2}, {2, 7}, {7, 0}, {0, 3}, {3, 3}};
    for (const TCase &step : cases) {
        SCOPED_TRACE(std::to_string(step.from) + " to " + std::to_string(step.to));
        ASSERT_TRUE(grid.controller.focusRow(grid.rowOf(step.from)));
        ASSERT_EQ(grid.current(), step.from);
        log.clear();
        ASSERT_TRUE(grid.controller.focusRow(grid.rowOf(step.to)));
        EXPECT_EQ(grid.current(), step.to);
        grid.expectFocusOnCurrent();
        const int distance = step.to - step.from;
        EXPECT_EQ(log,
                  distance == 0 ? TLog{} : TLog{"detail: scrolled " + std::to_string(distance)});
    }
}

TEST(GridDBDataController, FocusRowClampsAndReportsTheChange)
{
    TGrid grid({drug("C"), drug("A"), drug("B")});
    grid.focusChanges.clear();
    EXPECT_TRUE(grid.controller.focusRow(99));
    EXPECT_EQ(grid.controller.FocusedRowIndex(), 2);
    EXPECT_EQ(grid.current(), 0);
    EXPECT_TRUE(grid.controller.focusRow(-5) == false);
    EXPECT_EQ(grid.controller.FocusedRowIndex(), 2);
    EXPECT_TRUE(grid.controller.focusRow(0));
    EXPECT_EQ(grid.current(), 1);
    EXPECT_EQ(grid.focusChanges, (std::vector<TGrid::TFocusChange>{{0, 1, 2, 0}}));
}

TEST(GridDBDataController, EmptyDataSetGivesNoRowsAndNoFocus)
{
    TGrid grid({});
    EXPECT_EQ(grid.controller.RecordCount(), 0);
    EXPECT_EQ(grid.controller.RowCount(), 0);
    EXPECT_EQ(grid.controller.FocusedRowIndex(), -1);
    EXPECT_EQ(grid.controller.FocusedRecordIndex(), -1);
    EXPECT_TRUE(grid.controller.focusRow(0)); // clamped to -1: nothing to do
    EXPECT_EQ(grid.controller.FocusedRowIndex(), -1);
    grid.controller.FilterChanged();
    EXPECT_EQ(grid.controller.RowCount(), 0);
    EXPECT_EQ(grid.controller.FocusedRowIndex(), -1);
}

TEST(GridDBDataController, FollowsCursorMovesMadeElsewhere)
{
    TGrid grid({drug("D"), drug("B"), drug("E"), drug("A"), drug("C")});
    struct TCase
    {
        const char *name;
        std::function<void(TClientDataSet &)> move;
        int record;
    } cases[] = {
        {"next", [](TClientDataSet &cds) { cds.Next(); }, 1},
        {"move by 3", [](TClientDataSet &cds) { cds.MoveBy(3); }, 4},
        {"next at the end", [](TClientDataSet &cds) { cds.Next(); }, 4},
        {"prior by 2", [](TClientDataSet &cds) { cds.MoveBy(-2); }, 2},
        {"first", [](TClientDataSet &cds) { cds.First(); }, 0},
        {"last", [](TClientDataSet &cds) { cds.Last(); }, 4},
        {"record number", [](TClientDataSet &cds) { cds.SetRecNo(2); }, 1},
    };
    for (const TCase &step : cases) {
        SCOPED_TRACE(step.name);
        step.move(grid.cds);
        EXPECT_EQ(grid.current(), step.record);
        grid.expectFocusOnCurrent();
    }
}

TEST(GridDBDataController, GeneralChangeKeepsCursorAndEofWhereTheyWere)
{
    TGrid grid({drug("B"), drug("A"), drug("C")});
    grid.cds.Last();
    grid.cds.Next();
    ASSERT_TRUE(grid.cds.Eof());
    const int changes = grid.dataChanges;
    // Enabling controls sends the general change that makes the controller reload.
    grid.cds.DisableControls();
    grid.cds.EnableControls();
    EXPECT_GT(grid.dataChanges, changes);
    EXPECT_TRUE(grid.cds.Eof());
    EXPECT_FALSE(grid.cds.ControlsDisabled());
    EXPECT_FALSE(grid.controller.isLoading());
    EXPECT_EQ(grid.current(), 2);
    grid.expectFocusOnCurrent();
}

TEST(GridDBDataController, FilterHidingTheCurrentRecordLeavesNoFocusedRow)
{
    TGrid grid({drug("C", "x"), drug("A", "y"), drug("B", "x"), drug("D", "y")});
    ASSERT_TRUE(grid.controller.focusRow(grid.rowOf(1)));
    int filterNotices = 0;
    const TSubscription filterSubscription =
        grid.controller.OnFilterChanged.subscribe([&] { ++filterNotices; });
    auto &controller = grid.controller;
    int selectionNotices = 0;
    const TSubscription selectionSubscription =
        controller.OnSelectionChanged.subscribe([&] { ++selectionNotices; });
    controller.SetFilterHook([&controller](int recordIndex) {
        return controller.value(recordIndex, ManufacturerItem) == std::string_view("x");
    });
    // While the view is being loaded, a filter change does nothing.
    controller.setViewLoading(true);
    controller.FilterChanged();
    EXPECT_EQ(controller.RowCount(), 4);
    EXPECT_EQ(filterNotices, 0);
    controller.setViewLoading(false);

    controller.FilterChanged();
    EXPECT_EQ(filterNotices, 1);
    EXPECT_EQ(selectionNotices, 1); // rows were lost
    EXPECT_EQ(grid.rowNames(), (std::vector<std::string>{"B", "C"}));
    EXPECT_EQ(controller.FocusedRowIndex(), -1);
    EXPECT_EQ(controller.FocusedRecordIndex(), 1); // still the hidden current record
    EXPECT_EQ(grid.current(), 1);

    // Showing every record again brings the focus back to the current record.
    controller.SetFilterHook(nullptr);
    controller.FilterChanged();
    grid.expectFocusOnCurrent();

    controller.SetFilterHook([&controller](int recordIndex) {
        return controller.value(recordIndex, ManufacturerItem) == std::string_view("x");
    });
    controller.FilterChanged();
    ASSERT_EQ(controller.FocusedRowIndex(), -1);
    // Focusing a visible row (Down with no focused row) moves the data set there.
    EXPECT_TRUE(controller.focusRow(0));
    EXPECT_EQ(grid.current(), 2);
    grid.expectFocusOnCurrent();
    EXPECT_EQ(filterNotices, 3);
}

TEST(GridDBDataController, CursorMoveToAHiddenRecordUnfocusesTheRow)
{
    TGrid grid({drug("A", "x"), drug("B", "y"), drug("C", "x")});
    auto &controller = grid.controller;
    controller.SetFilterHook([&controller](int recordIndex) {
        return controller.value(recordIndex, ManufacturerItem) == std::string_view("x");
    });
    controller.FilterChanged();
    grid.cds.Next();
    EXPECT_EQ(controller.FocusedRowIndex(), -1);
    EXPECT_EQ(controller.FocusedRecordIndex(), 1);
    grid.cds.Next();
    grid.expectFocusOnCurrent();
}

TEST(GridDBDataController, SortReversalKeepsTheFocusedRecordWithoutMovingTheCursor)
{
    TGrid grid({drug("C"), drug("A"), drug("E"), drug("B"), drug("D")});
    ASSERT_TRUE(grid.controller.focusRow(1)); // "B", record 3
    TLog log;
    TRecordingLink detail(log, "detail");
    detail.SetDataSource(&grid.source);
    log.clear();
    int sortingChanges = 0;
    const TSubscription sortingSubscription =
        grid.controller.OnSortingChanged.subscribe([&] { ++sortingChanges; });
    const int dataChanges = grid.dataChanges;

    headerClick(grid.controller, TcxDataSortOrder::soDescending);
    EXPECT_EQ(grid.dataChanges, dataChanges + 1); // one rebuild for the whole click
    EXPECT_EQ(sortingChanges, 1);
    EXPECT_EQ(grid.rowNames(), (std::vector<std::string>{"E", "D", "C", "B", "A"}));
    EXPECT_EQ(grid.controller.FocusedRowIndex(), 3);
    EXPECT_EQ(grid.focusChanges.back(), (TGrid::TFocusChange{3, 3, 1, 3}));

    // Ctrl+click: the rows stand in data set order.
    grid.controller.SetSortOrder(0, TcxDataSortOrder::soNone);
    EXPECT_EQ(grid.rowRecords(), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(grid.controller.FocusedRowIndex(), 3);
    EXPECT_EQ(grid.controller.sortOrder(0), TcxDataSortOrder::soNone);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(grid.current(), 3);
}

TEST(GridDBDataController, PostedEditReloadsRefiltersAndResorts)
{
    TGrid grid({drug("A", "x"), drug("B", "x"), drug("C", "x"), drug("D", "x")});
    auto &controller = grid.controller;
    controller.SetFilterHook([&controller](int recordIndex) {
        return controller.value(recordIndex, ManufacturerItem) == std::string_view("x");
    });
    controller.FilterChanged();
    ASSERT_TRUE(controller.focusRow(1)); // "B"
    int repaints = 0;
    const TSubscription layoutSubscription =
        controller.OnLayoutChanged.subscribe([&] { ++repaints; });

    // An edit of the hidden manufacturer and of the name: the store mirrors it at once,
    // the rows wait for the post.
    grid.cds.Edit();
    grid.cds.FieldByName("ShengChanQiYe").SetAsString("y");
    grid.cds.FieldByName("TongYongMing").SetAsString("Z");
    EXPECT_GT(repaints, 0);
    EXPECT_EQ(controller.value(1, ManufacturerItem), std::optional<std::string_view>("y"));
    EXPECT_EQ(grid.rowNames(), (std::vector<std::string>{"A", "Z", "C", "D"}));

    // Row 2 ("C") is chosen before the post, which re-sorts and hides the edited record.
    ASSERT_TRUE(controller.focusRow(2));
    EXPECT_EQ(grid.cds.State(), TDataSetState::Browse);
    EXPECT_EQ(grid.rowNames(), (std::vector<std::string>{"A", "C", "D"}));
    EXPECT_EQ(grid.current(), 2);
    grid.expectFocusOnCurrent();
    EXPECT_EQ(controller.value(1, 0), std::optional<std::string_view>("Z"));

    // Showing everything again puts the edited record in its new place.
    controller.SetFilterHook(nullptr);
    controller.FilterChanged();
    EXPECT_EQ(grid.rowNames(), (std::vector<std::string>{"A", "C", "D", "Z"}));
}

TEST(GridDBDataController, PostThatResortsStillFocusesTheChosenRecord)
{
    TGrid grid({drug("A"), drug("B"), drug("C"), drug("D")});
    auto &controller = grid.controller;
    ASSERT_TRUE(controller.focusRow(0)); // "A", record 0
    grid.cds.Edit();
    grid.cds.FieldByName("TongYongMing").SetAsString("E");
    // Row 3 shows "D" now; after the post "D" is on row 2 and "E" on row 3.
    ASSERT_TRUE(controller.focusRow(3));
    EXPECT_EQ(grid.current(), 3);
    EXPECT_EQ(grid.rowNames(), (std::vector<std::string>{"B", "C", "D", "E"}));
    EXPECT_EQ(controller.FocusedRowIndex(), 2);
    grid.expectFocusOnCurrent();
}

TEST(GridDBDataController, SortDuringAnEditUsesTheEditedValue)
{
    TGrid grid({drug("B"), drug("C"), drug("A")});
    ASSERT_TRUE(grid.controller.focusRow(0)); // "A", record 2
    grid.cds.Edit();
    grid.cds.FieldByName("TongYongMing").SetAsString("D");
    headerClick(grid.controller, TcxDataSortOrder::soDescending);
    EXPECT_EQ(grid.rowNames(), (std::vector<std::string>{"D", "C", "B"}));
    EXPECT_EQ(grid.controller.FocusedRowIndex(), 0);
    EXPECT_EQ(grid.cds.State(), TDataSetState::Edit);
}

TEST(GridDBDataController, EscAndFilterChangesCancelAPendingEdit)
{
    TGrid grid({drug("A"), drug("B")});
    auto &controller = grid.controller;
    for (bool byFilter : {false, true}) {
        SCOPED_TRACE(byFilter ? "filter change" : "Esc");
        grid.cds.Edit();
        grid.cds.FieldByName("TongYongMing").SetAsString("Q");
        ASSERT_EQ(controller.value(0, 0), std::optional<std::string_view>("Q"));
        if (byFilter)
            controller.FilterChanged();
        else
            controller.cancelEdit();
        EXPECT_EQ(grid.cds.State(), TDataSetState::Browse);
        EXPECT_EQ(grid.currentName(), "A");
        EXPECT_EQ(controller.value(0, 0), std::optional<std::string_view>("A"));
        grid.expectFocusOnCurrent();
    }
}

TEST(GridDBDataController, BindsColumnsByNameWithoutRegardToCase)
{
    // Every field of the record gets its own value, so a column bound to the wrong field shows.
    std::vector<TValue> row(22);
    for (int i = 0; i < 22; ++i)
        row[static_cast<std::size_t>(i)] = "f" + std::to_string(i);
    std::vector<std::string> names = ColumnFieldNames;
    names.push_back("NoSuchField");
    TGrid grid({row}, names);
    // The record field each column shows; the column's index is its ID in saved filters.
    const int recordFieldOfColumn[] = {0, 6, 7, 8, 9, 10, 14, 11, 12, 13, 2, 20, 19};
    ASSERT_EQ(std::size(recordFieldOfColumn), DrugListColumns.size());
    for (int item = 0; item < ColumnCount; ++item) {
        SCOPED_TRACE(ColumnFieldNames[static_cast<std::size_t>(item)]);
        ASSERT_NE(grid.controller.itemField(item), nullptr);
        EXPECT_EQ(grid.controller.value(0, item),
                  std::optional<std::string_view>(
                      *row[static_cast<std::size_t>(recordFieldOfColumn[item])]));
    }
    EXPECT_EQ(grid.controller.itemField(ColumnCount), nullptr);
    EXPECT_FALSE(grid.controller.value(0, ColumnCount).has_value());
    EXPECT_EQ(grid.controller.displayText(0, ColumnCount), "");
}

TEST(GridDBDataController, ClosingEmptiesTheListAndReopeningLoadsItAgain)
{
    TGrid grid({drug("B"), drug("A")});
    ASSERT_TRUE(grid.controller.focusRow(0));
    grid.cds.Close();
    EXPECT_EQ(grid.controller.RecordCount(), 0);
    EXPECT_EQ(grid.controller.RowCount(), 0);
    EXPECT_EQ(grid.controller.FocusedRowIndex(), -1);
    EXPECT_EQ(grid.controller.itemField(0), nullptr);
    grid.cds.Open();
    EXPECT_EQ(grid.rowNames(), (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(grid.controller.FocusedRecordIndex(), 0);
    grid.expectFocusOnCurrent();
}

TEST(GridDBDataController, ReopeningWhileControlsAreDisabledReloadsOnTheLayoutChange)
{
    TGrid grid({drug("B"), drug("A")});
    grid.cds.DisableControls();
    grid.cds.Close();
    writeFile(grid.cds.FileName(), packet(drugPacketFields(), {drug("Y"), drug("Z"), drug("X")}));
    grid.cds.Open();
    EXPECT_EQ(grid.rowNames(), (std::vector<std::string>{"A", "B"})); // nothing heard yet
    grid.cds.EnableControls();
    EXPECT_EQ(grid.rowNames(), (std::vector<std::string>{"X", "Y", "Z"}));
    grid.expectFocusOnCurrent();
    EXPECT_EQ(grid.controller.FocusedRowIndex(), 1);
}

TEST(GridDBDataController, IndexErrors)
{
    TGrid grid({drug("B"), drug("A")});
    const auto &controller = grid.controller;
    struct TCase
    {
        const char *name;
        std::function<void()> request;
        const char *message;
    } cases[] = {
        {"value, record -1", [&] { controller.value(-1, 0); }, "RecordIndex out of range"},
        {"value, record 2", [&] { controller.value(2, 0); }, "RecordIndex out of range"},
        {"value, item past the last", [&] { controller.value(0, ColumnCount); },
         "ItemIndex out of range"},
        {"display text, row 2", [&] { controller.displayText(2, 0); }, "RowIndex out of range"},
        {"display text, item -1", [&] { controller.displayText(0, -1); }, "ItemIndex out of range"},
        {"record of row -1", [&] { controller.recordIndexOfRow(-1); }, "RowIndex out of range"},
        {"sort order, item past the last", [&] { controller.sortOrder(ColumnCount); },
         "ItemIndex out of range"},
        {"set sort order, item past the last",
         [&] { grid.controller.SetSortOrder(ColumnCount, TcxDataSortOrder::soAscending); },
         "ItemIndex out of range"},
    };
    for (const TCase &request : cases) {
        SCOPED_TRACE(request.name);
        try {
            request.request();
            ADD_FAILURE() << "no error";
        } catch (const EcxInvalidDataControllerOperation &error) {
            EXPECT_EQ(error.Message(), request.message);
        }
    }
}

TEST(TcxDataStorage, ViewsTheEnginesBytesForAsLongAsItLives)
{
    TGrid grid({drug("B", "x"), drug("A", "y"), drug(std::nullopt, "z")});
    // The controller's values are the data set's own bytes, not copies of them.
    for (int record = 0; record < 2; ++record) {
        grid.cds.SetRecNo(record + 1);
        const auto shown = grid.cds.FieldByName("TongYongMing").valueView();
        ASSERT_TRUE(shown);
        EXPECT_EQ(grid.controller.value(record, 0)->data(), shown->data()) << record;
    }

    TcxDataStorage storage;
    storage.setFieldCount(3);
    const std::uint32_t nameNo = grid.cds.FieldByName("TongYongMing").FieldNo();
    const std::uint32_t makerNo = grid.cds.FieldByName("ShengChanQiYe").FieldNo();
    storage.load(grid.cds.store(), {nameNo, 0, makerNo});
    ASSERT_EQ(storage.RecordCount(), 3);
    EXPECT_EQ(storage.recordIndexOfEngineRecord(grid.cds.GetBookmark()->id), 1);
    // A write re-points that one slot; the record's other slots keep viewing the engine.
    storage.setValue(1, 2, std::string_view("w"));
    // Closing the data set ends its hold on the engine's store, not the store's.
    grid.cds.Close();
    const std::vector<std::optional<std::string>> expected[] = {
        {"B", std::nullopt, "x"}, {"A", std::nullopt, "w"}, {std::nullopt, std::nullopt, "z"}};
    for (int record = 0; record < 3; ++record)
        for (int field = 0; field < 3; ++field) {
            const auto actual = storage.value(record, field);
            const auto &wanted = expected[record][static_cast<std::size_t>(field)];
            ASSERT_EQ(actual.has_value(), wanted.has_value()) << record << "/" << field;
            if (wanted) {
                EXPECT_EQ(*actual, *wanted) << record << "/" << field;
            }
        }
}

TEST(GridDBDataController, InsertedRecordsMoveNoViewOfTheOthers)
{
    // Inserts grow the engine's cells, which may move them: the store reads them afresh.
    TGrid grid({drug("M"), drug("N")});
    for (const char *name : {"C", "A", "B", "D", "E", "F", "G", "H"}) {
        grid.cds.Insert();
        grid.cds.FieldByName("TongYongMing").SetAsString(name);
        grid.cds.Post();
    }
    EXPECT_EQ(grid.rowNames(), (std::vector<std::string>{"A", "B", "C", "D", "E", "F", "G", "H",
                                                         "M", "N"}));
    grid.expectFocusOnCurrent();
}

TEST(GridDBDataController, EditPostedAtAHundredThousandRecordsShowsEverywhereAtOnce)
{
    constexpr int Records = 100000;
    std::vector<std::vector<TValue>> rows;
    rows.reserve(Records);
    auto nameOf = [](int record) {
        std::string name = std::to_string(record);
        return "N" + std::string(6 - name.size(), '0') + name;
    };
    for (int record = 0; record < Records; ++record)
        rows.push_back(drug(nameOf(record), record % 2 ? "odd" : "even"));
    TGrid grid(rows);
    auto &controller = grid.controller;
    ASSERT_EQ(controller.RowCount(), Records);
    TcxDataFilterCriteria &filter = controller.Filter();
    {
        TUpdateLock lock(filter);
        filter.SetActive(true);
        filter.addCondition(nullptr, 0, TcxFilterOperatorKind::Equal, TVariant("Z"), "Z");
    }
    EXPECT_EQ(controller.RowCount(), 0);

    constexpr int Edited = 54321;
    grid.cds.SetRecNo(Edited + 1);
    grid.cds.Edit();
    grid.cds.FieldByName("TongYongMing").SetAsString("Z");
    grid.cds.Post();

    // The filter shows the posted value at once,
    ASSERT_EQ(controller.RowCount(), 1);
    EXPECT_EQ(controller.recordIndexOfRow(0), Edited);
    EXPECT_EQ(controller.displayText(0, 0), "Z");
    EXPECT_EQ(controller.value(Edited, ManufacturerItem), std::optional<std::string_view>("odd"));
    // so does the list, sorted by it,
    {
        TUpdateLock lock(filter);
        filter.removeConditions(0);
    }
    ASSERT_EQ(controller.RowCount(), Records);
    EXPECT_EQ(controller.recordIndexOfRow(Records - 1), Edited);
    EXPECT_EQ(controller.displayText(Records - 1, 0), "Z");
    EXPECT_EQ(controller.displayText(Edited, 0), nameOf(Edited + 1));
    // and the drop-down's value list: the new name once, the old one gone.
    TcxFilterValueList values(filter);
    values.Load(controller, 0);
    ASSERT_EQ(values.Count(), 2 + Records);
    EXPECT_EQ(values.Items(values.Count() - 1).value, std::optional<std::string>("Z"));
    EXPECT_EQ(values.findValue(nameOf(Edited)), -1);
    EXPECT_EQ(values.findValue(nameOf(Edited + 1)), Edited + 2);
}
