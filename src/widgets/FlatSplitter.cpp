#include "widgets/FlatSplitter.h"

#include "widgets/FlatFrame.h"
#include "platformui/SystemColors.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>

namespace {

// The inverted copy of the bar that follows the mouse: it shows the parent's pixels under
// it inverted, so it reads on any background and leaves nothing behind when it goes.
class TSplitterFeedback : public QWidget
{
public:
    TSplitterFeedback(QWidget *parent, const QImage &invertedParent)
        : QWidget(parent), m_invertedParent(invertedParent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        painter.drawImage(QPoint(0, 0), m_invertedParent, geometry());
    }

private:
    const QImage &m_invertedParent;
};

} // namespace

TFlatSplitter::TFlatSplitter(QWidget *owner)
    : QWidget(owner), m_colorFocused(bgrColor(DefaultColorFocused)),
      m_colorBorder(bgrColor(DefaultColorBorder))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::SplitHCursor);
    resize(5, height());
    setAlign(this, alLeft);
}

TFlatSplitter::~TFlatSplitter()
{
    endDrag();
}

QColor TFlatSplitter::Color() const
{
    return palette().color(QPalette::Active, QPalette::Window);
}

void TFlatSplitter::SetColor(const QColor &color)
{
    if (m_color == color) return;
    m_color = color;
    applyPalette();
}

void TFlatSplitter::SetParentColor(bool parentColor)
{
    if (parentColor == ParentColor()) return;
    if (parentColor)
        m_color.reset();
    else
        m_color = Color();
    applyPalette();
}

void TFlatSplitter::applyPalette()
{
    // The palette change repaints.
    QPalette own;
    if (m_color) own.setColor(QPalette::Window, *m_color);
    setPalette(own);
}

void TFlatSplitter::SetColorFocused(const QColor &color)
{
    if (color == m_colorFocused) return;
    m_colorFocused = color;
    update();
}

void TFlatSplitter::SetColorBorder(const QColor &color)
{
    if (color == m_colorBorder) return;
    m_colorBorder = color;
    update();
}

void TFlatSplitter::SetUseAdvColors(bool useAdvColors)
{
    if (useAdvColors == m_useAdvColors) return;
    m_useAdvColors = useAdvColors;
    update();
}

void TFlatSplitter::SetAdvColorBorder(int percent)
{
    if (percent == m_advColorBorder) return;
    m_advColorBorder = percent;
    update();
}

void TFlatSplitter::SetAdvColorFocused(int percent)
{
    if (percent == m_advColorFocused) return;
    m_advColorFocused = percent;
    update();
}

// Geometry.

QWidget *TFlatSplitter::findNeighbour() const
{
    QWidget *parent = parentWidget();
    if (!parent) return nullptr;
    const QRect bounds = geometry();
    QPoint outside;
    switch (Align()) {
    case alTop: outside = QPoint(bounds.left(), bounds.top() - 1); break;
    case alBottom: outside = QPoint(bounds.left(), bounds.top() + bounds.height()); break;
    case alLeft: outside = QPoint(bounds.left() - 1, bounds.top()); break;
    case alRight: outside = QPoint(bounds.left() + bounds.width(), bounds.top()); break;
    default: return nullptr;
    }
    for (QObject *object : parent->children()) {
        if (!object->isWidgetType() || object == this) continue;
        auto *sibling = static_cast<QWidget *>(object);
        if (sibling->isWindow() || isExplicitlyHidden(sibling)) continue;
        if (sibling->geometry().contains(outside)) return sibling;
    }
    return nullptr;
}

int TFlatSplitter::upperLimit(const QWidget *neighbour) const
{
    const QWidget *parent = parentWidget();
    const bool horizontal = isHorizontal();
    // The parent's whole client area, its inner border included, so the limit can exceed
    // the room the docked children really have by that border.
    int limit = (horizontal ? parent->height() : parent->width()) - m_minSize;
    for (const QObject *object : parent->children()) {
        if (!object->isWidgetType()) continue;
        auto *sibling = static_cast<const QWidget *>(object);
        if (sibling->isWindow() || isExplicitlyHidden(sibling)) continue;
        const TAlign align = alignOf(sibling);
        if (horizontal && (align == alTop || align == alBottom)) limit -= sibling->height();
        if (!horizontal && (align == alLeft || align == alRight)) limit -= sibling->width();
    }
    return limit + (horizontal ? neighbour->height() : neighbour->width());
}

QRect TFlatSplitter::feedbackRect() const
{
    if (!m_drag || !m_drag->feedback || m_drag->feedback->isHidden()) return {};
    return m_drag->feedback->geometry();
}

int TFlatSplitter::neighbourSize() const
{
    return isHorizontal() ? m_drag->neighbour->height() : m_drag->neighbour->width();
}

void TFlatSplitter::calcSplitSize(QPoint position)
{
    TDrag &drag = *m_drag;
    const int offset = isHorizontal() ? position.y() - drag.downPosition.y()
                                      : position.x() - drag.downPosition.x();
    const bool growsWithOffset = Align() == alTop || Align() == alLeft;
    const int raw = growsWithOffset ? neighbourSize() + offset : neighbourSize() - offset;
    int size = raw;
    if (size < m_minSize)
        size = m_minSize;
    else if (size > drag.maxSize)
        size = drag.maxSize;
    // Bring the feedback back to where the clamped size puts the bar.
    drag.offset = growsWithOffset ? offset + (size - raw) : offset + (raw - size);
    drag.newSize = size;
}

// Painting.

void TFlatSplitter::paintEvent(QPaintEvent *event)
{
    // At the screen's own resolution, so that text stays crisp on a scaled screen.
    QPixmap buffer(size() * devicePixelRatioF());
    buffer.setDevicePixelRatio(devicePixelRatioF());
    {
        QPainter painter(&buffer);
        paintFace(painter);
        paintFlatFrame(painter, rect(), m_colorBorder, m_colorBorder, TBottomLeftCorner::LeftTop);
    }
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawPixmap(0, 0, buffer);
}

void TFlatSplitter::paintFace(QPainter &painter) const
{
    painter.fillRect(rect(), m_hovered ? m_colorFocused : Color());
}

void TFlatSplitter::drawFeedback()
{
    TDrag &drag = *m_drag;
    if (!drag.feedback) drag.feedback = new TSplitterFeedback(parentWidget(), drag.invertedParent);
    const QRect bounds = isHorizontal() ? geometry().translated(0, drag.offset)
                                        : geometry().translated(drag.offset, 0);
    drag.feedback->setGeometry(bounds);
    drag.feedback->raise();
    drag.feedback->show();
}

void TFlatSplitter::eraseFeedback()
{
    if (m_drag->feedback) m_drag->feedback->hide();
}

// Input.

void TFlatSplitter::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    if (m_hovered) return;
    m_hovered = true;
    update();
}

void TFlatSplitter::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    if (!m_hovered) return;
    m_hovered = false;
    update();
}

void TFlatSplitter::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_drag) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    QWidget *neighbour = findNeighbour();
    if (!neighbour) return;

    m_drag.emplace();
    TDrag &drag = *m_drag;
    drag.neighbour = neighbour;
    drag.downPosition = event->position().toPoint();
    drag.maxSize = upperLimit(neighbour);
    calcSplitSize(drag.downPosition);

    QWidget *parent = parentWidget();
    drag.invertedParent =
        parent->grab(parent->rect()).toImage().convertToFormat(QImage::Format_RGB32);
    drag.invertedParent.invertPixels();

    // The bar takes no focus, so Escape reaches the focused control; watch its keys.
    if (QWidget *focused = window()->focusWidget()) {
        drag.keyControl = focused;
        focused->installEventFilter(this);
    }
    drawFeedback();
}

void TFlatSplitter::mouseMoveEvent(QMouseEvent *event)
{
    QWidget::mouseMoveEvent(event);
    if (!m_drag) return;
    if (!m_drag->neighbour) {
        // The neighbour went away under the drag; there is nothing left to resize.
        stopSizing();
        return;
    }
    eraseFeedback();
    calcSplitSize(event->position().toPoint());
    drawFeedback();
}

void TFlatSplitter::mouseReleaseEvent(QMouseEvent *event)
{
    QWidget::mouseReleaseEvent(event);
    if (!m_drag) return;
    eraseFeedback();
    applySize();
    stopSizing();
}

bool TFlatSplitter::eventFilter(QObject *watched, QEvent *event)
{
    if (m_drag && watched == m_drag->keyControl && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        stopSizing();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TFlatSplitter::applySize()
{
    QWidget *neighbour = m_drag->neighbour;
    if (!neighbour) return;
    const int newSize = m_drag->newSize;
    const QRect old = neighbour->geometry();
    // One realign once the neighbour has its final bounds; a bottom or right neighbour moves
    // and resizes in one step, keeping its far edge where it was.
    TAlignLock lock(parentWidget());
    switch (Align()) {
    case alTop: neighbour->resize(old.width(), newSize); break;
    case alBottom:
        neighbour->setGeometry(old.left(), old.top() + old.height() - newSize, old.width(),
                               newSize);
        break;
    case alLeft: neighbour->resize(newSize, old.height()); break;
    case alRight:
        neighbour->setGeometry(old.left() + old.width() - newSize, old.top(), newSize,
                               old.height());
        break;
    default: break;
    }
}

void TFlatSplitter::stopSizing()
{
    endDrag();
    if (OnMoved) OnMoved();
}

void TFlatSplitter::endDrag()
{
    if (!m_drag) return;
    if (m_drag->keyControl) m_drag->keyControl->removeEventFilter(this);
    delete m_drag->feedback;
    m_drag.reset();
}
