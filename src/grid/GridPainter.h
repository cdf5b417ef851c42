#pragma once

#include "widgets/FlatLookAndFeelPainter.h"

#include <QFont>

class QPainter;
class TcxGridDBTableView;

// Whether the grid has the keyboard focus while it is painted.
enum class TGridFocus { No, Yes };

// What the grid's painting needs beyond the view's state.
struct TGridPaintState
{
    TGridFocus focus = TGridFocus::No;
    TButtonState filterButton = TButtonState::Normal;
    TFilterActive filterActive = TFilterActive::No;
    // The x of the inverted line that marks a column's new right edge while it is sized; -1
    // when no column is being sized.
    int sizingLineX = -1;
};

// Draws the drug list from its view's state and geometry in the flat look: frame, header
// with sort mark and filter button, rows with their styles, grid lines and focus frame. It
// changes nothing; the grid paints through it into its off-screen pixmap.
class TGridPainter
{
public:
    TGridPainter(const TcxGridDBTableView &view, const QFont &font, const TGridPaintState &state);

    void paint(QPainter &painter) const;

private:
    void paintBackground(QPainter &painter) const;
    void paintFrame(QPainter &painter) const;
    void paintHeader(QPainter &painter, int column) const;
    void paintRows(QPainter &painter) const;
    void paintCell(QPainter &painter, int row, int column) const;
    void paintFocusFrame(QPainter &painter) const;
    void paintSizingLine(QPainter &painter) const;

    const TcxGridDBTableView &m_view;
    QFont m_font;
    TGridPaintState m_state;
};
