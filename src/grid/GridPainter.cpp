#include "grid/GridPainter.h"

#include "grid/StartTiming.h"

#include "grid/cxGridDBTableView.h"

#include "platformui/GbkQt.h"
#include "platformui/SystemColors.h"

#include <QPainter>

namespace {

constexpr TColor GridLineColor = clWhite;

struct TCellStyle
{
    TColor background;
    TColor text;
};

constexpr TCellStyle ContentStyle{clWindow, clWindowText};
constexpr TCellStyle SelectionStyle{clHighlight, clHighlightText};
constexpr TCellStyle InactiveStyle{clBtnFace, clBtnText};

// Inverts the pixels of a rectangle, as the platform's XOR drawing does.
void invert(QPainter &painter, const QRect &rect)
{
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(rect, Qt::white);
    painter.restore();
}

} // namespace

TGridPainter::TGridPainter(const TcxGridDBTableView &view, const QFont &font,
                           const TGridPaintState &state)
    : m_view(view), m_font(font), m_state(state)
{}

void TGridPainter::paint(QPainter &painter) const
{
    painter.setFont(m_font);
    paintBackground(painter);
    painter.save();
    painter.setClipRect(m_view.siteRect());
    for (const TcxGridDBColumn *column : m_view.visibleColumns())
        paintHeader(painter, column->Index());
    paintRows(painter);
    paintFocusFrame(painter);
    painter.restore();
    // The vertical scroll bar and the filter box are child widgets of their own; they paint
    // themselves over the places the layout keeps free for them.
    paintFrame(painter);
    paintSizingLine(painter);
}

void TGridPainter::paintBackground(QPainter &painter) const
{
    painter.fillRect(m_view.clientRect(), toQColor(clWindow));
}

void TGridPainter::paintFrame(QPainter &painter) const
{
    TFlatLookAndFeelPainter::drawSunkenFrame(painter, QRect(QPoint(0, 0), m_view.bounds()));
}

void TGridPainter::paintHeader(QPainter &painter, int column) const
{
    const TcxGridDBColumn *header = m_view.Columns(column);
    TFlatLookAndFeelPainter::drawHeader(painter, m_view.headerRect(column));

    const QRect caption = m_view.captionRect(column);
    if (caption.isValid()) {
        painter.save();
        painter.setClipRect(caption & m_view.siteRect());
        painter.setPen(toQColor(clBtnText));
        // One line from the top left, cut at the text area's edge without an ellipsis.
        painter.drawText(QRect(caption.left(), caption.top(), 0x7FFF, caption.height()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                         header->Caption());
        painter.restore();
    }
    if (const QRect mark = m_view.sortMarkRect(column); !mark.isNull())
        TFlatLookAndFeelPainter::drawSortMark(painter, mark,
                                              header->SortOrder() == TcxDataSortOrder::soAscending
                                                  ? TSortMarkDirection::Ascending
                                                  : TSortMarkDirection::Descending);
    if (const QRect button = m_view.filterButtonRect(column); !button.isNull())
        TFlatLookAndFeelPainter::drawFilterButton(painter, button, m_state.filterButton,
                                                  m_state.filterActive);
}

void TGridPainter::paintRows(QPainter &painter) const
{
    const int top = m_view.TopRowIndex();
    const int count = m_view.visibleRowCount();
    for (int row = top; row < top + count; ++row)
        for (const TcxGridDBColumn *column : m_view.visibleColumns())
            paintCell(painter, row, column->Index());
    if (count > 0) noteFirstRowsPainted();
}

void TGridPainter::paintCell(QPainter &painter, int row, int column) const
{
    const TcxGridDBDataController &controller = m_view.DataController();
    // Only the focused row can be selected, and only while no column is focused: the one
    // visible column's cell is then the focused cell, which is never drawn selected.
    const bool selected = row == controller.FocusedRowIndex() && m_view.FocusedColumnIndex() < 0;
    const TCellStyle style = !selected                          ? ContentStyle
                             : m_state.focus == TGridFocus::Yes ? SelectionStyle
                                                                : InactiveStyle;
    const QRect band = m_view.rowRect(row, column);
    const QRect cell = m_view.cellRect(row, column);
    painter.fillRect(cell, toQColor(style.background));

    const QRect text = cell.adjusted(1, 1, -1, -1);
    painter.save();
    painter.setClipRect(cell & m_view.siteRect());
    painter.setPen(toQColor(style.text));
    painter.drawText(QRect(text.left(), text.top(), 0x7FFF, text.height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip,
                     toQString(controller.displayText(row, column)));
    painter.restore();

    painter.fillRect(QRect(band.left(), band.bottom(), band.width(), 1), toQColor(GridLineColor));
    painter.fillRect(QRect(band.right(), band.top(), 1, band.height()), toQColor(GridLineColor));
}

void TGridPainter::paintFocusFrame(QPainter &painter) const
{
    const int focused = m_view.DataController().FocusedRowIndex();
    if (m_state.focus == TGridFocus::No || focused < 0) return;
    const int top = m_view.TopRowIndex();
    if (focused < top || focused >= top + m_view.visibleRowCount()) return;
    const std::vector<TcxGridDBColumn *> columns = m_view.visibleColumns();
    if (columns.empty()) return;
    // From the row's left edge to the last column's vertical grid line, top to the horizontal
    // grid line, both lines left out.
    const QRect first = m_view.cellRect(focused, columns.front()->Index());
    const QRect last = m_view.cellRect(focused, columns.back()->Index());
    const QRect frame(first.topLeft(), last.bottomRight());
    // The dotted frame: every other pixel of the ring inverted.
    auto dot = [&](int x, int y) {
        if ((x + y) % 2 == 0) invert(painter, QRect(x, y, 1, 1));
    };
    for (int x = frame.left(); x <= frame.right(); ++x) {
        dot(x, frame.top());
        if (frame.bottom() != frame.top()) dot(x, frame.bottom());
    }
    for (int y = frame.top() + 1; y < frame.bottom(); ++y) {
        dot(frame.left(), y);
        if (frame.right() != frame.left()) dot(frame.right(), y);
    }
}

void TGridPainter::paintSizingLine(QPainter &painter) const
{
    if (m_state.sizingLineX < 0) return;
    const QRect rows = m_view.rowsRect();
    const int top = m_view.clientRect().top();
    invert(painter, QRect(m_state.sizingLineX, top, 1, rows.bottom() + 1 - top));
}
