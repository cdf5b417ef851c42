// Where a point of the drug list falls, worked out by the view from its geometry alone: no
// widget and no application object are made.
#include "DataSetTestSupport.h"

#include "data/DataSource.h"
#include "druglist/DrugListColumns.h"
#include "grid/cxGridDBTableView.h"

#include <string>
#include <vector>

using namespace testsupport;

namespace {

struct TLayout
{
    int rows;            // medicines in the list
    int filterBoxHeight; // 0: no filter box
    int topRow;
    int secondColumnWidth; // 0: the name column alone, as the main window shows it
};

constexpr int SecondColumn = 6; // 规格, shown as the second column when asked for

// The view as the main window sets it up, 235 wide as there and 160 high with its frame: text
// 16 pixels high (so the header is 22 pixels and a row 21), the name column 217 wide and the
// others hidden.
class TView
{
public:
    explicit TView(const TLayout &layout)
        : view("cxGridDBTableView1", [] {
              std::vector<TcxGridDBTableView::TColumnBinding> bindings;
              for (const TDrugListColumn &column : DrugListColumns)
                  bindings.push_back(
                      {std::string(column.componentName), std::string(column.fieldName)});
              return bindings;
          }())
    {
        std::vector<std::vector<TValue>> rows;
        for (int i = 0; i < layout.rows; ++i)
            rows.push_back(drugRow("Drug " + std::to_string(10 + i)));
        const std::string path = makeFolder() + "YaoPin.XML";
        writeFile(path, packet(drugPacketFields(), rows));
        createDrugFields(cds);
        cds.SetFileName(path);
        source.SetDataSet(&cds);

        view.Columns(0)->SetWidth(217);
        for (int i = 1; i < view.ColumnCount(); ++i)
            view.Columns(i)->SetVisible(false);
        if (layout.secondColumnWidth > 0) {
            view.Columns(0)->SetWidth(100);
            view.Columns(SecondColumn)->SetVisible(true);
            view.Columns(SecondColumn)->SetWidth(layout.secondColumnWidth);
        }
        view.setTextHeights(16, 16);
        view.setBounds(QSize(235, 160));
        view.setFilterBoxHeight(layout.filterBoxHeight);
        view.DataController().SetDataSource(&source);
        cds.Open();
        view.SetTopRowIndex(layout.topRow);
    }

    // The data set goes after the view, the data source after the data set.
    TDataSource source{"DataSource1"};
    TClientDataSet cds{"cds"};
    TcxGridDBTableView view;
};

std::string described(TGridPart part, int column, int row)
{
    const char *const names[] = {"None",         "Header", "HeaderSizingZone",
                                 "FilterButton", "Row",    "RowsBackground"};
    return std::string(names[static_cast<int>(part)]) + " column " + std::to_string(column) +
           " row " + std::to_string(row);
}

struct TCase
{
    const char *what;
    QPoint at;
    TGridPart part;
    int column = -1;
    int row = -1;
};

struct TLayoutCases
{
    const char *name;
    TLayout layout;
    std::vector<TCase> cases;
};

} // namespace

// The frame is the outermost pixel; the header covers y 1 to 22 and the rows start at 23. The
// name column's header spans x 1 to 217, its filter button x 200 to 214 (y 4 to 19), and its
// sizing zone x 214 to 221, over the column's right edge.
TEST(DrugListHitTest, PartsOfTheList)
{
    using enum TGridPart;
    const TLayoutCases layouts[] = {
        {"more rows than fit: the scroll bar takes x 218 to 233",
         {20, 0, 0, 0},
         {
             {"the frame, left", {0, 10}, None},
             {"the frame, top", {100, 0}, None},
             {"the caption", {100, 10}, Header, 0},
             {"the header's last line", {100, 22}, Header, 0},
             {"just left of the filter button", {199, 10}, Header, 0},
             {"the filter button's left edge", {200, 10}, FilterButton, 0},
             {"the filter button", {207, 12}, FilterButton, 0},
             {"the filter button's margin above it", {207, 3}, Header, 0},
             {"the filter button's last pixel left of the sizing zone", {213, 10}, FilterButton, 0},
             {"the filter button's right edge, in the sizing zone", {214, 10}, HeaderSizingZone, 0},
             {"the column's right edge", {217, 10}, HeaderSizingZone, 0},
             {"the sizing zone's part over the scroll bar", {218, 10}, None},
             {"the scroll bar beside the rows", {225, 60}, None},
             {"the first row", {100, 23}, Row, 0, 0},
             {"the first row's last line", {100, 43}, Row, 0, 0},
             {"the second row", {100, 44}, Row, 0, 1},
             {"the row shown in part at the bottom", {100, 158}, Row, 0, 6},
             {"the frame, bottom", {100, 159}, None},
         }},
        {"scrolled to row 3, with the filter box in the lowest 21 pixels",
         {20, 21, 3, 0},
         {
             {"the first row in sight", {100, 30}, Row, 0, 3},
             {"the row shown in part above the filter box", {100, 137}, Row, 0, 8},
             {"the filter box's top", {100, 138}, None},
             {"the filter box", {100, 150}, None},
             {"the filter button", {207, 12}, FilterButton, 0},
             {"the column's right edge", {217, 10}, HeaderSizingZone, 0},
         }},
        {"three rows: no scroll bar, empty space below the rows",
         {3, 0, 0, 0},
         {
             {"the sizing zone past the column's right edge", {221, 10}, HeaderSizingZone, 0},
             {"the header right of the sizing zone", {222, 10}, None},
             {"the last row's last line", {100, 85}, Row, 0, 2},
             {"just below the last row", {100, 86}, RowsBackground},
             {"far below the rows", {100, 158}, RowsBackground},
             {"right of the column beside a row", {225, 30}, RowsBackground},
             {"the frame, right", {234, 30}, None},
         }},
        {"three rows over a filter box", {3, 21, 0, 0}, {{"the filter box", {100, 150}, None}}},
        {"an empty list",
         {0, 0, 0, 0},
         {
             {"the filter button", {207, 12}, FilterButton, 0},
             {"where the first row would be", {100, 30}, RowsBackground},
         }},
        // The name column at x 1 to 100 (filter button 83 to 97, sizing zone 97 to 104), then
        // 规格 at 101 to 180 (filter button 163 to 177, sizing zone 177 to 184).
        {"two columns side by side",
         {3, 0, 0, 80},
         {
             {"the first column's filter button", {96, 10}, FilterButton, 0},
             {"the first column's filter button in its sizing zone", {97, 10}, HeaderSizingZone, 0},
             {"the first column's sizing zone over the second header",
              {104, 10},
              HeaderSizingZone,
              0},
             {"the second column's caption", {105, 10}, Header, SecondColumn},
             {"the second column's filter button", {170, 10}, FilterButton, SecondColumn},
             {"the second column's sizing zone", {184, 10}, HeaderSizingZone, SecondColumn},
             {"past the second column's sizing zone", {185, 10}, None},
             {"the first column of the second row", {50, 50}, Row, 0, 1},
             {"the second column of the first row", {150, 30}, Row, SecondColumn, 0},
             {"right of the columns beside a row", {190, 30}, RowsBackground},
         }},
    };
    for (const TLayoutCases &layout : layouts) {
        SCOPED_TRACE(layout.name);
        TView view(layout.layout);
        ASSERT_EQ(view.view.DataController().RowCount(), layout.layout.rows);
        for (const TCase &c : layout.cases) {
            SCOPED_TRACE(c.what);
            const TGridHitTest hit = view.view.hitTest(c.at);
            EXPECT_EQ(described(hit.part, hit.column, hit.row), described(c.part, c.column, c.row))
                << "at " << c.at.x() << "," << c.at.y();
        }
    }
}
