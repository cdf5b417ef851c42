#pragma once

#include "widgets/FlatLookAndFeelPainter.h"

#include <QPoint>
#include <QWidget>

#include <functional>
#include <memory>

#include "grid/cxGridDBTableView.h"

class TcxControlScrollBar;
enum class TScrollCode;
enum class TcxScrollDirection;

// The drug list control: the table view of generic names. It turns the
// toolkit's input into the view's moves and paints the view through an off-screen pixmap.
class TcxGrid : public QWidget
{
    Q_OBJECT
public:
    // The grid shows one table view, with these columns.
    TcxGrid(QWidget *parent, const std::vector<TcxGridDBTableView::TColumnBinding> &columns);
    ~TcxGrid() override;

    std::unique_ptr<TcxGridDBTableView> cxGridDBTableView1;

    // Pressing the header's filter button calls this with the button's column.
    std::function<void(int column)> onFilterButtonDown;
    // Whether a column takes part in the filter, for the filter button's active look.
    std::function<bool(int column)> isColumnFiltered;
    // The drop-down that the filter button opened has closed (it took the mouse release):
    // the button returns to its normal look.
    void filterDropDownClosed();

    // A release this far or further from the header press point, in either direction, is a
    // drag and does not sort.
    static constexpr int DragThreshold = 5;

    // The vertical bar, shown while the rows do not fit; the horizontal one stays hidden.
    TcxControlScrollBar *verticalScrollBar() const { return m_verticalScrollBar; }
    TcxControlScrollBar *horizontalScrollBar() const { return m_horizontalScrollBar; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void updateTextHeights();
    void updateScrollBars();
    int scrollVertically(TScrollCode code, int position);
    void scrollByMiddleButton(QPoint screenPoint);
    void scrollStep(TcxScrollDirection direction);
    void updateCursor(QPoint position);
    int sizedWidth(QPoint position) const;

    QPoint m_headerPressPoint;
    // Column sizing by its header's right edge: the column, where the drag began and the
    // width then; the inverted line follows the pointer.
    int m_sizingColumn = -1;
    int m_sizingStartX = 0;
    int m_sizingStartWidth = 0;
    int m_sizingLineX = -1;
    TButtonState m_filterButtonState = TButtonState::Normal;
    bool m_filterButtonHeld = false;
    int m_wheelRemainder = 0;
    TcxControlScrollBar *m_verticalScrollBar = nullptr;
    TcxControlScrollBar *m_horizontalScrollBar = nullptr;
};
