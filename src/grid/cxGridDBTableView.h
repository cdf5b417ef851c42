#pragma once

#include "platform/Notifier.h"

#include "grid/cxGridDBColumn.h"
#include "controller/cxGridDBDataController.h"

#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// The view's switches, fixed as the drug list uses them.
struct TcxGridTableOptionsCustomize
{
    bool ColumnFiltering = true;
    bool ColumnHiding = false;
    bool ColumnHorzSizing = true;
    bool ColumnMoving = true;
    bool ColumnSorting = true;
};

// The parts of the grid a point can be in.
enum class TGridPart { None, Header, HeaderSizingZone, FilterButton, Row, RowsBackground };

struct TGridHitTest
{
    TGridPart part = TGridPart::None;
    int column = -1;
    int row = -1;
};

// Exact modifier states that header clicks tell apart.
enum class TShiftState { None, Shift, Ctrl, Other };

// The table view of the drug list: its columns, its data controller, and the view's state
// (top row, focused column, pressed header, horizontal offset) with the geometry that both
// painting and input read. It knows nothing of widgets; the grid feeds it the size and the
// text heights and repaints when told.
class TcxGridDBTableView
{
public:
    struct TColumnBinding
    {
        std::string name;
        std::string fieldName;
    };
    TcxGridDBTableView(std::string name, const std::vector<TColumnBinding> &columns);
    ~TcxGridDBTableView();
    TcxGridDBTableView(const TcxGridDBTableView &) = delete;
    TcxGridDBTableView &operator=(const TcxGridDBTableView &) = delete;

    const std::string &Name() const { return m_name; }
    TcxGridDBDataController &DataController() { return *m_controller; }
    const TcxGridDBDataController &DataController() const { return *m_controller; }

    int ColumnCount() const { return static_cast<int>(m_columns.size()); }
    TcxGridDBColumn *Columns(int index) const { return m_columns.at(index).get(); }
    // The visible columns, left to right.
    std::vector<TcxGridDBColumn *> visibleColumns() const;

    TcxGridTableOptionsCustomize OptionsCustomize;

    // Layout inputs from the grid.
    void setBounds(QSize size);
    QSize bounds() const { return m_bounds; }
    void setTextHeights(int headerTextHeight, int cellTextHeight);
    // Height of the strip under the rows kept for the filter box, 0 while it is hidden.
    void setFilterBoxHeight(int height);

    // State.
    int TopRowIndex() const { return m_topRow; }
    // Kept within the top row limits; -1 on an empty list.
    void SetTopRowIndex(int row);
    int FocusedColumnIndex() const { return m_focusedColumn; }
    void focusFirstColumn();
    int horizontalOffset() const { return m_horizontalOffset; }
    void scrollHorizontally(int distance);
    int pressedColumn() const { return m_pressedColumn; }
    bool hasFocusedRow() const { return m_controller->FocusedRowIndex() >= 0; }

    // Geometry.
    int headerHeight() const { return m_headerTextHeight + 6; }
    int rowHeight() const { return m_cellTextHeight + 5; }
    QRect clientRect() const;
    bool isVerticalScrollBarShown() const;
    QRect verticalScrollBarRect() const;
    // Header and rows, left of the scroll bar.
    QRect siteRect() const;
    QRect rowsRect() const;
    QRect filterBoxRect() const;
    int columnLeft(int column) const;
    QRect headerRect(int column) const;
    QRect headerTextArea(int column) const;
    QRect filterButtonRect(int column) const;
    QRect sortMarkRect(int column) const;
    QRect captionRect(int column) const;
    QRect sizingZone(int column) const;
    int fullyVisibleRowCount() const;
    // The rows that are at least partly in sight, from the top row.
    int visibleRowCount() const;
    int lastFullyVisibleRow() const;
    // The whole row band of one row in one column, its grid lines included.
    QRect rowRect(int row, int column) const;
    QRect cellRect(int row, int column) const
    {
        return rowRect(row, column).adjusted(0, 0, -1, -1);
    }
    int maxTopRow() const;
    int maxHorizontalOffset() const;
    TGridHitTest hitTest(QPoint point) const;

    // Row moves by the keyboard; each does nothing at the ends of the list.
    void goUp();
    void goDown();
    void goFirst();
    void goLast();
    void goHome();
    void goEnd();
    void goRight();
    void goLeft();
    void pageUp();
    void pageDown();
    // Focuses a row (the data set follows) and column 0, as a click on it does.
    void clickRow(int row);
    // Scrolls by whole rows, leaving the focused row alone.
    void scrollRows(int distance);
    // The scrolling step of Page Up and Page Down alone, as the scroll bar's track asks for it.
    void scrollPageUp();
    void scrollPageDown();
    void makeFocusedRowVisible();

    // Header clicks.
    void pressHeader(int column);
    void releaseHeader(TShiftState shift, bool withinDragThreshold);

    // The width that fits the widest text of the rows now in the list.
    int bestFitWidth(int column, const std::function<int(std::string_view)> &textWidth) const;

    // Discards a pending edit of the current record.
    void cancelEdit();

    // Told after every change that needs a repaint.
    std::function<void()> onChanged;

    // Called back by the columns.
    void columnChanged();

private:
    void changed();
    void dataChanged();
    void focusedRecordChanged();
    void clampTopRow();
    void focusRow(int row);

    std::string m_name;
    std::unique_ptr<TcxGridDBDataController> m_controller;
    std::vector<TSubscription> m_subscriptions; // to the controller's notifications
    std::vector<std::unique_ptr<TcxGridDBColumn>> m_columns;

    QSize m_bounds;
    int m_headerTextHeight = 16;
    int m_cellTextHeight = 16;
    int m_filterBoxHeight = 0;

    int m_topRow = -1;
    int m_focusedColumn = -1;
    int m_pressedColumn = -1;
    int m_horizontalOffset = 0;
};
