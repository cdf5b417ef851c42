#include "grid/cxGridDBTableView.h"

#include "platformui/GbkQt.h"
#include "platformui/SystemColors.h"

#include <algorithm>

namespace {

// Left and Right move the list sideways by this many pixels.
constexpr int HorizontalScrollStep = 10;
// The header's sizing zone is this wide, centred on the column's right edge.
constexpr int SizingZoneWidth = 8;
constexpr int FilterButtonWidth = 15;
constexpr int SortMarkWidth = 8;
constexpr int SortMarkHeight = 7;
// Text margin and the space around it that best fit adds, plus the vertical grid line.
constexpr int BestFitExtra = 3 + 2 + 1;

} // namespace

TcxGridDBTableView::TcxGridDBTableView(std::string name, const std::vector<TColumnBinding> &columns)
    : m_name(std::move(name))
{
    std::vector<std::string> fieldNames;
    for (const TColumnBinding &binding : columns)
        fieldNames.push_back(binding.fieldName);
    m_controller = std::make_unique<TcxGridDBDataController>(std::move(fieldNames));
    m_controller->setViewLoading(true);
    for (std::size_t i = 0; i < columns.size(); ++i)
        m_columns.push_back(
            std::make_unique<TcxGridDBColumn>(*this, static_cast<int>(i), columns[i].name));
    m_subscriptions.push_back(m_controller->OnDataChanged.subscribe([this] { dataChanged(); }));
    m_subscriptions.push_back(m_controller->OnLayoutChanged.subscribe([this] { changed(); }));
    m_subscriptions.push_back(m_controller->OnFocusedRecordChanged.subscribe(
        [this](int, int, int, int) { focusedRecordChanged(); }));
    m_subscriptions.push_back(m_controller->OnSelectionChanged.subscribe([this] { changed(); }));
    m_subscriptions.push_back(m_controller->OnSortingChanged.subscribe([this] { changed(); }));
    m_controller->setItemCaptions([this](int item) {
        if (item < 0 || item >= ColumnCount()) return std::string();
        return toGbk(m_columns[item]->Caption()).value_or(std::string());
    });
    m_controller->setViewLoading(false);
}

TcxGridDBTableView::~TcxGridDBTableView()
{
    m_controller->setViewDestroying(true);
    m_subscriptions.clear();
    onChanged = nullptr;
}

std::vector<TcxGridDBColumn *> TcxGridDBTableView::visibleColumns() const
{
    std::vector<TcxGridDBColumn *> result;
    for (const auto &column : m_columns)
        if (column->Visible()) result.push_back(column.get());
    return result;
}

void TcxGridDBTableView::setBounds(QSize size)
{
    if (m_bounds == size) return;
    m_bounds = size;
    columnChanged();
}

void TcxGridDBTableView::setTextHeights(int headerTextHeight, int cellTextHeight)
{
    if (m_headerTextHeight == headerTextHeight && m_cellTextHeight == cellTextHeight) return;
    m_headerTextHeight = headerTextHeight;
    m_cellTextHeight = cellTextHeight;
    columnChanged();
}

void TcxGridDBTableView::setFilterBoxHeight(int height)
{
    if (m_filterBoxHeight == height) return;
    m_filterBoxHeight = height;
    columnChanged();
}

void TcxGridDBTableView::columnChanged()
{
    // A new size or width moves the limits of both scroll directions.
    clampTopRow();
    m_horizontalOffset = std::clamp(m_horizontalOffset, 0, maxHorizontalOffset());
    makeFocusedRowVisible();
    changed();
}

void TcxGridDBTableView::changed()
{
    if (onChanged) onChanged();
}

void TcxGridDBTableView::dataChanged()
{
    clampTopRow();
    makeFocusedRowVisible();
    changed();
}

void TcxGridDBTableView::focusedRecordChanged()
{
    makeFocusedRowVisible();
    changed();
}

// --- State ---------------------------------------------------------------------------------

void TcxGridDBTableView::SetTopRowIndex(int row)
{
    const int rowCount = m_controller->RowCount();
    const int top = rowCount == 0 ? -1 : std::clamp(row, 0, maxTopRow());
    if (top == m_topRow) return;
    m_topRow = top;
    changed();
}

void TcxGridDBTableView::clampTopRow()
{
    SetTopRowIndex(m_topRow);
}

void TcxGridDBTableView::focusFirstColumn()
{
    if (m_focusedColumn == 0 || m_columns.empty()) return;
    m_focusedColumn = 0;
    changed();
}

void TcxGridDBTableView::scrollHorizontally(int distance)
{
    const int offset = std::clamp(m_horizontalOffset + distance, 0, maxHorizontalOffset());
    if (offset == m_horizontalOffset) return;
    m_horizontalOffset = offset;
    changed();
}

// --- Geometry ------------------------------------------------------------------------------

QRect TcxGridDBTableView::clientRect() const
{
    // Inside the one-pixel grid frame.
    return QRect(QPoint(0, 0), m_bounds).adjusted(1, 1, -1, -1);
}

bool TcxGridDBTableView::isVerticalScrollBarShown() const
{
    const int rowCount = m_controller->RowCount();
    return rowCount > 0 && fullyVisibleRowCount() < rowCount && m_topRow >= 0;
}

QRect TcxGridDBTableView::verticalScrollBarRect() const
{
    if (!isVerticalScrollBarShown()) return {};
    const QRect client = clientRect();
    const int width = std::min(systemMetric(TSystemMetric::VScrollWidth), client.width());
    return QRect(client.right() + 1 - width, client.top(), width, client.height());
}

QRect TcxGridDBTableView::siteRect() const
{
    QRect site = clientRect();
    if (isVerticalScrollBarShown()) site.setWidth(site.width() - verticalScrollBarRect().width());
    return site;
}

QRect TcxGridDBTableView::rowsRect() const
{
    // Laid out without the scroll bar, which depends on how many rows fit here.
    const QRect client = clientRect();
    QRect rows = client.adjusted(0, headerHeight(), 0, -m_filterBoxHeight);
    rows.setWidth(siteRect().width());
    return rows;
}

QRect TcxGridDBTableView::filterBoxRect() const
{
    if (m_filterBoxHeight == 0) return {};
    const QRect rows = rowsRect();
    return QRect(rows.left(), rows.bottom() + 1, rows.width(), m_filterBoxHeight);
}

int TcxGridDBTableView::columnLeft(int column) const
{
    int x = clientRect().left() - m_horizontalOffset;
    for (const auto &each : m_columns) {
        if (each->Index() == column) break;
        if (each->Visible()) x += each->Width();
    }
    return x;
}

QRect TcxGridDBTableView::headerRect(int column) const
{
    return QRect(columnLeft(column), clientRect().top(), Columns(column)->Width(), headerHeight());
}

QRect TcxGridDBTableView::headerTextArea(int column) const
{
    return headerRect(column).adjusted(3, 3, -3, -3);
}

QRect TcxGridDBTableView::filterButtonRect(int column) const
{
    if (!Columns(column)->canFilter()) return {};
    const QRect area = headerTextArea(column);
    return QRect(area.right() + 1 - FilterButtonWidth, area.top(), FilterButtonWidth,
                 area.height());
}

QRect TcxGridDBTableView::sortMarkRect(int column) const
{
    if (Columns(column)->SortOrder() == TcxDataSortOrder::soNone) return {};
    const QRect area = headerTextArea(column);
    int right = area.right() + 1;
    if (const QRect button = filterButtonRect(column); !button.isNull()) right = button.left();
    return QRect(right - SortMarkWidth, area.top() + (area.height() - SortMarkHeight) / 2,
                 SortMarkWidth, SortMarkHeight);
}

QRect TcxGridDBTableView::captionRect(int column) const
{
    QRect area = headerTextArea(column);
    if (const QRect button = filterButtonRect(column); !button.isNull())
        area.setRight(button.left() - 1);
    if (const QRect mark = sortMarkRect(column); !mark.isNull()) area.setRight(mark.left() - 1);
    return area;
}

QRect TcxGridDBTableView::sizingZone(int column) const
{
    const TcxGridDBColumn *each = Columns(column);
    if (!OptionsCustomize.ColumnHorzSizing || !each->Options.HorzSizing) return {};
    const QRect header = headerRect(column);
    return QRect(header.right() + 1 - SizingZoneWidth / 2, header.top(), SizingZoneWidth,
                 header.height());
}

int TcxGridDBTableView::fullyVisibleRowCount() const
{
    const QRect client = clientRect();
    const int height = client.height() - headerHeight() - m_filterBoxHeight;
    return std::max(0, height) / rowHeight();
}

int TcxGridDBTableView::visibleRowCount() const
{
    if (m_topRow < 0) return 0;
    const int height = std::max(0, rowsRect().height());
    const int inSight = (height + rowHeight() - 1) / rowHeight();
    return std::min(inSight, m_controller->RowCount() - m_topRow);
}

int TcxGridDBTableView::lastFullyVisibleRow() const
{
    const int rowCount = m_controller->RowCount();
    if (rowCount == 0 || m_topRow < 0) return -1;
    return std::min(rowCount - 1, m_topRow + std::max(1, fullyVisibleRowCount()) - 1);
}

QRect TcxGridDBTableView::rowRect(int row, int column) const
{
    return QRect(columnLeft(column), rowsRect().top() + (row - m_topRow) * rowHeight(),
                 Columns(column)->Width(), rowHeight());
}

int TcxGridDBTableView::maxTopRow() const
{
    // The last row stays fully visible at the bottom; when not even one row fits, it may
    // become the top row.
    return std::max(0, m_controller->RowCount() - std::max(1, fullyVisibleRowCount()));
}

int TcxGridDBTableView::maxHorizontalOffset() const
{
    int width = 0;
    for (const TcxGridDBColumn *column : visibleColumns())
        width += column->Width();
    return std::max(0, width - siteRect().width());
}

TGridHitTest TcxGridDBTableView::hitTest(QPoint point) const
{
    const QRect site = siteRect();
    if (!site.contains(point)) return {};
    const std::vector<TcxGridDBColumn *> columns = visibleColumns();
    if (point.y() < site.top() + headerHeight()) {
        for (const TcxGridDBColumn *column : columns)
            if (sizingZone(column->Index()).contains(point))
                return {TGridPart::HeaderSizingZone, column->Index(), -1};
        for (const TcxGridDBColumn *column : columns) {
            if (!headerRect(column->Index()).contains(point)) continue;
            if (filterButtonRect(column->Index()).contains(point))
                return {TGridPart::FilterButton, column->Index(), -1};
            return {TGridPart::Header, column->Index(), -1};
        }
        return {};
    }
    const QRect rows = rowsRect();
    if (!rows.contains(point)) return {};
    const int row = m_topRow < 0 ? -1 : m_topRow + (point.y() - rows.top()) / rowHeight();
    if (row >= 0 && row < m_controller->RowCount())
        for (const TcxGridDBColumn *column : columns)
            if (rowRect(row, column->Index()).contains(point))
                return {TGridPart::Row, column->Index(), row};
    return {TGridPart::RowsBackground, -1, -1};
}

// --- Moves ---------------------------------------------------------------------------------

void TcxGridDBTableView::focusRow(int row)
{
    // The controller reports the change back, which scrolls the row into sight.
    m_controller->focusRow(row);
}

void TcxGridDBTableView::makeFocusedRowVisible()
{
    const int focused = m_controller->FocusedRowIndex();
    if (focused < 0 || m_topRow < 0) return;
    const int fullyVisible = fullyVisibleRowCount();
    if (fullyVisible == 0 || focused < m_topRow)
        SetTopRowIndex(focused);
    else if (focused >= m_topRow + fullyVisible)
        SetTopRowIndex(focused - fullyVisible + 1);
}

void TcxGridDBTableView::goUp()
{
    const int focused = m_controller->FocusedRowIndex();
    if (focused > 0) focusRow(focused - 1);
}

void TcxGridDBTableView::goDown()
{
    const int focused = m_controller->FocusedRowIndex();
    if (focused + 1 < m_controller->RowCount()) focusRow(focused + 1);
}

void TcxGridDBTableView::goFirst()
{
    if (m_controller->RowCount() > 0) focusRow(0);
}

void TcxGridDBTableView::goLast()
{
    if (m_controller->RowCount() > 0) focusRow(m_controller->RowCount() - 1);
}

void TcxGridDBTableView::goHome()
{
    // Column 0 is the first and the last focusable column alike.
    if (hasFocusedRow())
        focusFirstColumn();
    else
        goFirst();
}

void TcxGridDBTableView::goEnd()
{
    if (hasFocusedRow())
        focusFirstColumn();
    else
        goLast();
}

void TcxGridDBTableView::goRight()
{
    if (hasFocusedRow() && m_focusedColumn < 0)
        focusFirstColumn();
    else
        scrollHorizontally(HorizontalScrollStep);
}

void TcxGridDBTableView::goLeft()
{
    scrollHorizontally(-HorizontalScrollStep);
}

void TcxGridDBTableView::scrollPageUp()
{
    if (m_topRow <= 0) return;
    // The old top row becomes the bottom row.
    const int fullyVisible = fullyVisibleRowCount();
    SetTopRowIndex(fullyVisible > 1 ? m_topRow - fullyVisible + 1 : m_topRow - 1);
}

void TcxGridDBTableView::scrollPageDown()
{
    if (m_topRow < 0) return;
    // The old bottom row becomes the top row.
    const int fullyVisible = fullyVisibleRowCount();
    SetTopRowIndex(fullyVisible > 1 ? m_topRow + fullyVisible - 1 : m_topRow + 1);
}

void TcxGridDBTableView::pageUp()
{
    if (m_controller->RowCount() == 0) return;
    makeFocusedRowVisible();
    if (m_controller->FocusedRowIndex() == m_topRow) scrollPageUp();
    focusRow(m_topRow);
}

void TcxGridDBTableView::pageDown()
{
    if (m_controller->RowCount() == 0) return;
    makeFocusedRowVisible();
    if (m_controller->FocusedRowIndex() == lastFullyVisibleRow()) scrollPageDown();
    focusRow(lastFullyVisibleRow());
}

void TcxGridDBTableView::clickRow(int row)
{
    focusRow(row);
    focusFirstColumn();
}

void TcxGridDBTableView::scrollRows(int distance)
{
    if (m_topRow >= 0) SetTopRowIndex(m_topRow + distance);
}

// --- Header --------------------------------------------------------------------------------

void TcxGridDBTableView::pressHeader(int column)
{
    // The flat header looks the same pressed, so there is nothing to repaint.
    m_pressedColumn = column;
}

void TcxGridDBTableView::releaseHeader(TShiftState shift, bool withinDragThreshold)
{
    const int column = m_pressedColumn;
    m_pressedColumn = -1;
    if (column < 0 || !withinDragThreshold || !Columns(column)->canSort()) return;
    TcxGridDBColumn *sorted = Columns(column);
    if (shift == TShiftState::Ctrl) {
        sorted->SetSortOrder(TcxDataSortOrder::soNone);
        return;
    }
    const TcxDataSortOrder previous = sorted->SortOrder();
    TcxGridDBDataController::TUpdateLock lock(*m_controller);
    if (shift != TShiftState::Shift) m_controller->clearSorting();
    sorted->SetSortOrder(previous == TcxDataSortOrder::soAscending ? TcxDataSortOrder::soDescending
                                                                   : TcxDataSortOrder::soAscending);
}

int TcxGridDBTableView::bestFitWidth(int column,
                                     const std::function<int(std::string_view)> &textWidth) const
{
    int widest = 0;
    for (int row = 0; row < m_controller->RowCount(); ++row)
        widest = std::max(widest, textWidth(m_controller->displayText(row, column)));
    return std::max(Columns(column)->MinWidth(), widest + BestFitExtra);
}

void TcxGridDBTableView::cancelEdit()
{
    m_controller->cancelEdit();
}
