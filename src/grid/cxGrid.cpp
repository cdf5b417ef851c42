#include "grid/cxGrid.h"

#include "grid/cxGridDBTableView.h"
#include "grid/GridPainter.h"
#include "grid/cxMiddleButtonScroller.h"
#include "grid/cxScrollBar.h"

#include "platformui/GbkQt.h"

#include <QApplication>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QWheelEvent>

#include <cstdlib>

namespace {

TShiftState shiftState(Qt::KeyboardModifiers modifiers)
{
    modifiers &= Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (modifiers == Qt::NoModifier) return TShiftState::None;
    if (modifiers == Qt::ShiftModifier) return TShiftState::Shift;
    if (modifiers == Qt::ControlModifier) return TShiftState::Ctrl;
    return TShiftState::Other;
}

// The height of one line of text in the font, measured on a sample.
int textHeight(const QFont &font, const QString &sample)
{
    return QFontMetrics(font).boundingRect(QRect(), Qt::TextSingleLine, sample).height();
}

} // namespace

TcxGrid::TcxGrid(QWidget *parent, const std::vector<TcxGridDBTableView::TColumnBinding> &columns)
    : QWidget(parent),
      cxGridDBTableView1(std::make_unique<TcxGridDBTableView>("cxGridDBTableView1", columns))
{
    setObjectName(QStringLiteral("cxGrid2"));
    TcxGridDBTableView &view = *cxGridDBTableView1;

    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    updateTextHeights();
    view.setBounds(size());

    m_verticalScrollBar = new TcxControlScrollBar(TScrollBarKind::sbVertical, this);
    m_verticalScrollBar->onScroll = [this](TScrollCode code, int position) {
        return scrollVertically(code, position);
    };
    // OptionsView.ScrollBars is ssVertical.
    m_horizontalScrollBar = new TcxControlScrollBar(TScrollBarKind::sbHorizontal, this);
    m_horizontalScrollBar->setAllowed(false);
    view.onChanged = [this] {
        updateScrollBars();
        update();
    };
    updateScrollBars();
}

TcxGrid::~TcxGrid()
{
    cxGridDBTableView1->onChanged = nullptr;
    m_verticalScrollBar->onScroll = nullptr;
}

// --- Scroll bars ---------------------------------------------------------------------------

void TcxGrid::updateScrollBars()
{
    const TcxGridDBTableView &view = *cxGridDBTableView1;
    const QRect place = view.verticalScrollBarRect();
    if (!place.isEmpty()) m_verticalScrollBar->setGeometry(place);
    m_verticalScrollBar->setData(0, view.DataController().RowCount() - 1,
                                 view.fullyVisibleRowCount(), view.TopRowIndex());
}

int TcxGrid::scrollVertically(TScrollCode code, int position)
{
    TcxGridDBTableView &view = *cxGridDBTableView1;
    switch (code) {
    case TScrollCode::LineUp: view.scrollRows(-1); break;
    case TScrollCode::LineDown: view.scrollRows(1); break;
    case TScrollCode::PageUp: view.scrollPageUp(); break;
    case TScrollCode::PageDown: view.scrollPageDown(); break;
    case TScrollCode::Track: view.SetTopRowIndex(position); break;
    case TScrollCode::Position:
    case TScrollCode::EndScroll: break;
    }
    return view.TopRowIndex();
}

void TcxGrid::scrollByMiddleButton(QPoint screenPoint)
{
    TcxMiddleButtonScroller scroller(
        this, !m_horizontalScrollBar->isHidden(), !m_verticalScrollBar->isHidden(),
        [this](TcxScrollDirection direction) { scrollStep(direction); });
    scroller.exec(screenPoint);
}

void TcxGrid::scrollStep(TcxScrollDirection direction)
{
    // One row as the bar's arrows scroll it, or 10 pixels sideways.
    switch (direction) {
    case TcxScrollDirection::Up: scrollVertically(TScrollCode::LineUp, 0); break;
    case TcxScrollDirection::Down: scrollVertically(TScrollCode::LineDown, 0); break;
    case TcxScrollDirection::Left: cxGridDBTableView1->scrollHorizontally(-10); break;
    case TcxScrollDirection::Right: cxGridDBTableView1->scrollHorizontally(10); break;
    case TcxScrollDirection::None: break;
    }
}

void TcxGrid::updateTextHeights()
{
    cxGridDBTableView1->setTextHeights(textHeight(font(), QStringLiteral("Qq")),
                                       textHeight(font(), QStringLiteral("Zg")));
}

// --- Painting ------------------------------------------------------------------------------

void TcxGrid::paintEvent(QPaintEvent *)
{
    TGridPaintState state;
    state.focus = hasFocus() ? TGridFocus::Yes : TGridFocus::No;
    state.filterButton = m_filterButtonState;
    state.filterActive =
        isColumnFiltered && isColumnFiltered(0) ? TFilterActive::Yes : TFilterActive::No;
    state.sizingLineX = m_sizingLineX;

    // At the screen's own resolution, so that text stays crisp on a scaled screen.
    QPixmap buffer(size() * devicePixelRatioF());
    buffer.setDevicePixelRatio(devicePixelRatioF());
    {
        QPainter painter(&buffer);
        TGridPainter(*cxGridDBTableView1, font(), state).paint(painter);
    }
    QPainter(this).drawPixmap(0, 0, buffer);
}

void TcxGrid::resizeEvent(QResizeEvent *event)
{
    cxGridDBTableView1->setBounds(size());
    updateScrollBars();
    QWidget::resizeEvent(event);
}

void TcxGrid::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) {
        updateTextHeights();
        updateScrollBars();
    }
    QWidget::changeEvent(event);
}

void TcxGrid::focusInEvent(QFocusEvent *event)
{
    update();
    QWidget::focusInEvent(event);
}

void TcxGrid::focusOutEvent(QFocusEvent *event)
{
    update();
    QWidget::focusOutEvent(event);
}

// --- Mouse ---------------------------------------------------------------------------------

void TcxGrid::mousePressEvent(QMouseEvent *event)
{
    TcxGridDBTableView &view = *cxGridDBTableView1;
    const QPoint position = event->position().toPoint();
    const TGridHitTest hit = view.hitTest(position);
    setFocus(Qt::MouseFocusReason);
    if (event->button() == Qt::MiddleButton) {
        if (!m_verticalScrollBar->isHidden() || !m_horizontalScrollBar->isHidden())
            scrollByMiddleButton(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
    if (hit.part == TGridPart::Row) {
        view.clickRow(hit.row);
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    switch (hit.part) {
    case TGridPart::HeaderSizingZone:
        m_sizingColumn = hit.column;
        m_sizingStartX = position.x();
        m_sizingStartWidth = view.Columns(hit.column)->Width();
        m_sizingLineX = view.headerRect(hit.column).right();
        update();
        break;
    case TGridPart::FilterButton:
        m_filterButtonHeld = true;
        m_filterButtonState = TButtonState::Pressed;
        update();
        if (onFilterButtonDown) onFilterButtonDown(hit.column);
        break;
    case TGridPart::Header:
        view.pressHeader(hit.column);
        m_headerPressPoint = position;
        break;
    default: break;
    }
}

void TcxGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    TcxGridDBTableView &view = *cxGridDBTableView1;
    const TGridHitTest hit = view.hitTest(event->position().toPoint());
    // NOTE: the toolkit may deliver the second press of a double-click as a press too; what
    // that press started is undone here, so that only the first press counts.
    view.pressHeader(-1);
    if (m_sizingColumn >= 0) {
        m_sizingColumn = -1;
        m_sizingLineX = -1;
        update();
    }
    if (event->button() == Qt::LeftButton && hit.part == TGridPart::HeaderSizingZone) {
        const QFontMetrics metrics(font());
        TcxGridDBColumn *column = view.Columns(hit.column);
        column->SetWidth(view.bestFitWidth(hit.column, [&](std::string_view text) {
            return metrics.horizontalAdvance(toQString(text));
        }));
        return;
    }
    // A double-click on the header is not a press: it does not sort.
    if (hit.part == TGridPart::Header) return;
    mousePressEvent(event);
}

int TcxGrid::sizedWidth(QPoint position) const
{
    const TcxGridDBColumn *column = cxGridDBTableView1->Columns(m_sizingColumn);
    return std::max(column->MinWidth(), m_sizingStartWidth + position.x() - m_sizingStartX);
}

void TcxGrid::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint position = event->position().toPoint();
    if (m_sizingColumn >= 0) {
        const int lineX = cxGridDBTableView1->columnLeft(m_sizingColumn) + sizedWidth(position) - 1;
        if (lineX != m_sizingLineX) {
            m_sizingLineX = lineX;
            update();
        }
        return;
    }
    if (m_filterButtonHeld) {
        const bool over = cxGridDBTableView1->hitTest(position).part == TGridPart::FilterButton;
        const TButtonState state = over ? TButtonState::Pressed : TButtonState::Normal;
        if (state != m_filterButtonState) {
            m_filterButtonState = state;
            update();
        }
    }
    updateCursor(position);
}

void TcxGrid::updateCursor(QPoint position)
{
    if (cxGridDBTableView1->hitTest(position).part == TGridPart::HeaderSizingZone)
        setCursor(Qt::SplitHCursor);
    else
        unsetCursor();
}

void TcxGrid::filterDropDownClosed()
{
    m_filterButtonHeld = false;
    if (m_filterButtonState == TButtonState::Normal) return;
    m_filterButtonState = TButtonState::Normal;
    update();
}

void TcxGrid::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) return;
    TcxGridDBTableView &view = *cxGridDBTableView1;
    const QPoint position = event->position().toPoint();
    if (m_sizingColumn >= 0) {
        const int column = m_sizingColumn;
        const int width = sizedWidth(position);
        m_sizingColumn = -1;
        m_sizingLineX = -1;
        update();
        view.Columns(column)->SetWidth(width);
        return;
    }
    if (m_filterButtonHeld) {
        m_filterButtonHeld = false;
        m_filterButtonState = TButtonState::Normal;
        update();
        return;
    }
    if (view.pressedColumn() >= 0) {
        const QPoint moved = position - m_headerPressPoint;
        const bool within =
            std::abs(moved.x()) < DragThreshold && std::abs(moved.y()) < DragThreshold;
        view.releaseHeader(shiftState(event->modifiers()), within);
    }
}

void TcxGrid::wheelEvent(QWheelEvent *event)
{
    // One wheel notch is 120; finer wheels add up to whole notches.
    m_wheelRemainder += event->angleDelta().y();
    const int notches = m_wheelRemainder / 120;
    m_wheelRemainder %= 120;
    if (notches != 0) cxGridDBTableView1->scrollRows(-notches * QApplication::wheelScrollLines());
    event->accept();
}

// --- Keyboard ------------------------------------------------------------------------------

void TcxGrid::keyPressEvent(QKeyEvent *event)
{
    TcxGridDBTableView &view = *cxGridDBTableView1;
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Up: view.goUp(); break;
    case Qt::Key_Down: view.goDown(); break;
    case Qt::Key_PageUp: view.pageUp(); break;
    case Qt::Key_PageDown: view.pageDown(); break;
    case Qt::Key_Home: ctrl ? view.goFirst() : view.goHome(); break;
    case Qt::Key_End: ctrl ? view.goLast() : view.goEnd(); break;
    case Qt::Key_Right: view.goRight(); break;
    case Qt::Key_Left: view.goLeft(); break;
    case Qt::Key_Escape: view.cancelEdit(); break;
    default:
        // Enter, Insert, Delete and characters do nothing in a read-only list.
        break;
    }
    event->accept();
}
