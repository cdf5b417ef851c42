#include "grid/cxScrollBar.h"

#include "grid/cxTimer.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace {

// a · b / c rounded to nearest, a half away from zero, without overflow on the way.
int mulDiv(std::int64_t a, std::int64_t b, std::int64_t c)
{
    if (c == 0) return 0;
    const std::int64_t product = a * b;
    const bool negative = (product < 0) != (c < 0);
    const std::int64_t magnitude = (std::abs(product) * 2 + std::abs(c)) / (std::abs(c) * 2);
    return static_cast<int>(negative ? -magnitude : magnitude);
}

// Integer halving that rounds a half away from zero.
int halfRoundedAway(int value)
{
    return value >= 0 ? (value + 1) / 2 : -((-value + 1) / 2);
}

QRect transposed(const QRect &rect)
{
    return rect.isNull() ? rect : QRect(rect.y(), rect.x(), rect.height(), rect.width());
}

QPoint transposed(QPoint point)
{
    return QPoint(point.y(), point.x());
}

} // namespace

// --- State ---------------------------------------------------------------------------------

TcxScrollBar::TcxScrollBar(TScrollBarKind kind, QWidget *parent)
    : QWidget(parent), m_kind(kind), m_timer(TcxTimer::create())
{
    m_timer->onTimeout = [this] { repeat(); };
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
}

TcxScrollBar::~TcxScrollBar()
{
    m_timer->onTimeout = nullptr;
}

void TcxScrollBar::setTimer(std::unique_ptr<TcxTimer> timer)
{
    m_timer->onTimeout = nullptr;
    m_timer = std::move(timer);
    m_timer->onTimeout = [this] { repeat(); };
}

void TcxScrollBar::SetPosition(int position)
{
    SetScrollParams(Min(), Max(), position, PageSize());
}

void TcxScrollBar::SetScrollParams(int min, int max, int position, int pageSize)
{
    if (max >= min) position = std::clamp(position, min, max);
    const TScrollBarParams params{min, max, pageSize, position};
    if (params.min == m_params.min && params.max == m_params.max &&
        params.pageSize == m_params.pageSize && params.position == m_params.position)
        return;
    m_params = params;
    update();
}

bool TcxScrollBar::isNeeded() const
{
    const std::int64_t range = std::int64_t(Max()) - Min() + 1;
    return Max() >= Min() && PageSize() < range && Position() >= Min();
}

// --- Geometry ------------------------------------------------------------------------------

int TcxScrollBar::arrowLength() const
{
    const bool vertical = m_kind == TScrollBarKind::sbVertical;
    const int metric = systemMetric(vertical ? TSystemMetric::VScrollArrowHeight
                                             : TSystemMetric::HScrollArrowWidth);
    return std::min(metric, (vertical ? height() : width()) / 2);
}

TScrollBarGeometry TcxScrollBar::calcGeometry(TScrollBarKind kind, QSize size, int arrowHeight,
                                              const TScrollBarParams &params, bool enabled,
                                              int thumbStart)
{
    // Worked out for a vertical bar; a horizontal one is the same with the axes swapped.
    const bool vertical = kind == TScrollBarKind::sbVertical;
    const int length = vertical ? size.height() : size.width();
    const int breadth = vertical ? size.width() : size.height();
    const int a = std::clamp(arrowHeight, 0, std::max(0, length / 2));
    const int n = length - 2 * a;

    TScrollBarGeometry g;
    g.lineUp = QRect(0, 0, breadth, a);
    g.lineDown = QRect(0, length - a, breadth, a);
    g.track = QRect(0, a, breadth, n);

    const std::int64_t range = std::int64_t(params.max) - params.min + 1;
    if (enabled && n >= MinThumbLength && params.max > params.min) {
        const int t =
            std::max<int>(MinThumbLength, std::min<int>(n, mulDiv(params.pageSize, n, range)));
        int top = a;
        if (thumbStart >= 0) {
            top = thumbStart;
        } else {
            const std::int64_t steps = range - params.pageSize;
            if (steps > 0) {
                const int offset = std::min(params.position, params.max - params.pageSize + 1);
                top = a + mulDiv(n - t, std::int64_t(offset) - params.min, steps);
            }
        }
        top = std::clamp(top, a, a + n - t);
        g.thumb = QRect(0, top, breadth, t);
        g.pageUp = QRect(0, a, breadth, top - a);
        g.pageDown = QRect(0, top + t, breadth, a + n - top - t);
    }
    if (!vertical) {
        for (QRect *rect : {&g.lineUp, &g.lineDown, &g.track, &g.thumb, &g.pageUp, &g.pageDown})
            *rect = transposed(*rect);
    }
    return g;
}

int TcxScrollBar::positionFromThumb(const TScrollBarParams &params,
                                    const TScrollBarGeometry &geometry, TScrollBarKind kind,
                                    int thumbStart)
{
    const bool vertical = kind == TScrollBarKind::sbVertical;
    const int n = vertical ? geometry.track.height() : geometry.track.width();
    const int t = vertical ? geometry.thumb.height() : geometry.thumb.width();
    const int trackStart = vertical ? geometry.track.top() : geometry.track.left();
    if (n - t <= 0) return params.min;
    const std::int64_t steps = std::int64_t(params.max) - params.min + 1 - params.pageSize;
    return params.min + mulDiv(steps, thumbStart - trackStart, n - t);
}

TScrollBarGeometry TcxScrollBar::partRects() const
{
    return calcGeometry(m_kind, size(), arrowLength(), m_params, isEnabled(), m_dragThumbStart);
}

TScrollPart TcxScrollBar::partAt(QPoint point) const
{
    if (!rect().contains(point)) return TScrollPart::None;
    const TScrollBarGeometry g = partRects();
    if (g.lineUp.contains(point)) return TScrollPart::LineUp;
    if (g.lineDown.contains(point)) return TScrollPart::LineDown;
    if (g.thumb.isEmpty()) return TScrollPart::None;
    if (g.thumb.contains(point)) return TScrollPart::Thumb;
    if (g.pageUp.contains(point)) return TScrollPart::PageUp;
    if (g.pageDown.contains(point)) return TScrollPart::PageDown;
    return TScrollPart::None;
}

int TcxScrollBar::along(QPoint point) const
{
    return m_kind == TScrollBarKind::sbVertical ? point.y() : point.x();
}

// --- Input ---------------------------------------------------------------------------------

bool TcxScrollBar::isRepeatingPart(TScrollPart part) const
{
    return part == TScrollPart::LineUp || part == TScrollPart::LineDown ||
           part == TScrollPart::PageUp || part == TScrollPart::PageDown;
}

bool TcxScrollBar::holdsCapture() const
{
    // The toolkit keeps the pointer with the pressed widget until the release; the press ends
    // early when the bar hides or its window loses the activation.
    return m_captured;
}

void TcxScrollBar::mousePressEvent(QMouseEvent *event)
{
    // The bar keeps every press to itself; only the left button does anything.
    event->accept();
    if (event->button() != Qt::LeftButton || m_pressedPart != TScrollPart::None) return;
    const QPoint point = event->position().toPoint();
    m_pointer = point;
    const TScrollPart part = partAt(point);
    if (part == TScrollPart::None) return;
    if (part == TScrollPart::Thumb) {
        m_dragPressPoint = point;
        m_dragPressPosition = Position();
        m_dragPressThumbStart = along(partRects().thumb.topLeft());
        m_dragThumbStart = m_dragPressThumbStart;
    }
    m_pressedPart = part;
    m_hotPart = part;
    m_captured = true;
    if (isRepeatingPart(part)) {
        step(part);
        m_timer->start(FirstRepeatDelay);
    }
    update();
}

void TcxScrollBar::mouseDoubleClickEvent(QMouseEvent *event)
{
    // A quick second click is one more press.
    mousePressEvent(event);
}

void TcxScrollBar::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    const QPoint point = event->position().toPoint();
    m_pointer = point;
    if (m_pressedPart == TScrollPart::Thumb) {
        dragThumb(point);
        return;
    }
    setHotPart(partAt(point));
    if (!isRepeatingPart(m_pressedPart)) return;
    // The repeat pauses while the pointer is off the pressed part.
    if (m_hotPart == m_pressedPart) {
        if (!m_timer->isActive()) m_timer->start(m_timer->interval());
    } else if (m_timer->isActive()) {
        m_timer->stop();
    }
}

void TcxScrollBar::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton && m_pressedPart != TScrollPart::None) endPress();
}

void TcxScrollBar::leaveEvent(QEvent *event)
{
    if (m_pressedPart == TScrollPart::None) setHotPart(TScrollPart::None);
    QWidget::leaveEvent(event);
}

void TcxScrollBar::changeEvent(QEvent *event)
{
    // Another window taking the activation takes the pointer too.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() &&
        m_pressedPart != TScrollPart::None)
        endPress();
    QWidget::changeEvent(event);
}

void TcxScrollBar::hideEvent(QHideEvent *event)
{
    if (m_pressedPart != TScrollPart::None) endPress();
    QWidget::hideEvent(event);
}

void TcxScrollBar::setHotPart(TScrollPart part)
{
    if (part == m_hotPart) return;
    m_hotPart = part;
    update();
}

void TcxScrollBar::repeat()
{
    if (!holdsCapture() || !isRepeatingPart(m_pressedPart)) {
        endPress();
        return;
    }
    m_timer->setInterval(RepeatInterval);
    step(m_pressedPart);
    // A page step can bring the thumb under the pointer, which ends the repeat there.
    setHotPart(partAt(m_pointer));
    if (m_hotPart != m_pressedPart) m_timer->stop();
}

int TcxScrollBar::request(TScrollCode code, int position)
{
    const int answer = onScroll ? onScroll(code, position) : position;
    return Max() >= Min() ? std::clamp(answer, Min(), Max()) : answer;
}

void TcxScrollBar::step(TScrollPart part)
{
    int proposed = Position();
    TScrollCode code = TScrollCode::LineUp;
    switch (part) {
    case TScrollPart::LineUp: proposed -= SmallChange(); break;
    case TScrollPart::LineDown:
        proposed += SmallChange();
        code = TScrollCode::LineDown;
        break;
    case TScrollPart::PageUp:
        proposed -= LargeChange();
        code = TScrollCode::PageUp;
        break;
    case TScrollPart::PageDown:
        proposed += LargeChange();
        code = TScrollCode::PageDown;
        break;
    default: return;
    }
    if (Max() >= Min()) proposed = std::clamp(proposed, Min(), Max());
    SetPosition(request(code, proposed));
}

void TcxScrollBar::dragThumb(QPoint point)
{
    const bool vertical = m_kind == TScrollBarKind::sbVertical;
    const int across = vertical ? DragToleranceAcross : DragToleranceAlong;
    const int alongBy = vertical ? DragToleranceAlong : DragToleranceAcross;
    const QRect tolerance = rect().adjusted(-across, -alongBy, across, alongBy);
    int target = m_dragPressPosition;
    if (tolerance.contains(point)) {
        const int start = m_dragPressThumbStart + along(point - m_dragPressPoint);
        const TScrollBarGeometry g =
            calcGeometry(m_kind, size(), arrowLength(), m_params, isEnabled(), start);
        m_dragThumbStart = along(g.thumb.topLeft());
        target = positionFromThumb(m_params, g, m_kind, m_dragThumbStart);
    } else {
        // Too far off: the list goes back to where the drag began, until the pointer returns.
        m_dragThumbStart = m_dragPressThumbStart;
    }
    update();
    if (target != Position()) {
        m_params.position = target;
        SetPosition(request(TScrollCode::Track, target));
    }
}

void TcxScrollBar::endPress()
{
    if (m_pressedPart == TScrollPart::Thumb) {
        const int position = positionFromThumb(m_params, partRects(), m_kind, m_dragThumbStart);
        SetPosition(position);
        SetPosition(request(TScrollCode::Position, position));
    }
    m_timer->stop();
    const bool wasPressed = m_pressedPart != TScrollPart::None;
    m_pressedPart = TScrollPart::None;
    m_dragThumbStart = -1;
    m_captured = false;
    if (wasPressed) SetPosition(request(TScrollCode::EndScroll, Position()));
    update();
}

// --- Painting ------------------------------------------------------------------------------

void TcxScrollBar::paintEvent(QPaintEvent *)
{
    // At the screen's own resolution, so that text stays crisp on a scaled screen.
    QPixmap buffer(size() * devicePixelRatioF());
    buffer.setDevicePixelRatio(devicePixelRatioF());
    {
        QPainter painter(&buffer);
        paintTo(painter);
    }
    QPainter(this).drawPixmap(0, 0, buffer);
}

bool TcxScrollBar::isDrawnPressed(TScrollPart part) const
{
    return m_pressedPart == part && m_hotPart == part;
}

void TcxScrollBar::paintTo(QPainter &painter) const
{
    const TScrollBarGeometry g = partRects();
    paintButton(painter, g.lineUp, TScrollPart::LineUp);
    paintButton(painter, g.lineDown, TScrollPart::LineDown);
    if (g.thumb.isEmpty()) {
        paintPageArea(painter, g.track, TScrollPart::None);
        return;
    }
    paintPageArea(painter, g.pageUp, TScrollPart::PageUp);
    paintPageArea(painter, g.pageDown, TScrollPart::PageDown);
    // The thumb keeps its normal look while it is dragged.
    TFlatLookAndFeelPainter::drawSmallButton(painter, g.thumb, TButtonState::Normal);
}

void TcxScrollBar::paintButton(QPainter &painter, const QRect &rect, TScrollPart part) const
{
    if (rect.isEmpty()) return;
    const bool pressed = isDrawnPressed(part);
    TFlatLookAndFeelPainter::drawSmallButton(
        painter, rect, pressed ? TButtonState::Pressed : TButtonState::Normal);
    // The arrow sits in the largest square centred in the face; a horizontal bar's arrows are
    // the vertical ones mirrored across the diagonal.
    const bool vertical = m_kind == TScrollBarKind::sbVertical;
    const QRect face =
        vertical ? rect.adjusted(1, 1, -1, -1) : transposed(rect.adjusted(1, 1, -1, -1));
    if (face.isEmpty()) return;
    const int s = std::min(face.width(), face.height());
    const int l = face.left() + (face.width() - s) / 2;
    const int t = face.top() + (face.height() - s) / 2;
    const int r = l + s, b = t + s;
    int w = (s - 1) / 2;
    if (w % 2 == 0) w += 1;
    const int h = w / 2 + 1;
    const int g = halfRoundedAway(t + b - h);
    const int x1 = (l + r - w) / 2;
    const int apexX = (l + r - 1) / 2;
    QPoint a, c, d;
    if (part == TScrollPart::LineUp) {
        a = QPoint(apexX, g - 1);
        c = QPoint(x1, g + h - 2);
        d = QPoint(x1 + w - 1, g + h - 2);
    } else {
        a = QPoint(x1, g);
        c = QPoint(x1 + w - 1, g);
        d = QPoint(apexX, g + h - 1);
    }
    const QPoint shift = pressed ? QPoint(1, 1) : QPoint(0, 0);
    if (!vertical) {
        a = transposed(a);
        c = transposed(c);
        d = transposed(d);
    }
    TFlatLookAndFeelPainter::fillTriangle(painter, a + shift, c + shift, d + shift, clBtnText);
}

void TcxScrollBar::paintPageArea(QPainter &painter, const QRect &rect, TScrollPart part) const
{
    if (rect.isEmpty()) return;
    const bool pressed = part != TScrollPart::None && isDrawnPressed(part);
    const QColor same = toQColor(pressed ? clBlack : clBtnFace);
    const QColor differ = toQColor(pressed ? cl3DDkShadow : clBtnHighlight);
    // An 8 by 8 pattern, one pixel per square, anchored at the bar's own origin.
    QImage pattern(8, 8, QImage::Format_RGB32);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            pattern.setPixelColor(x, y, (x + y) % 2 == 0 ? same : differ);
    painter.save();
    painter.setBrushOrigin(0, 0);
    painter.fillRect(rect, QBrush(pattern));
    painter.restore();
}

// --- The grid's bar ------------------------------------------------------------------------

TcxControlScrollBar::TcxControlScrollBar(TScrollBarKind kind, QWidget *parent)
    : TcxScrollBar(kind, parent)
{
    hide();
}

void TcxControlScrollBar::setData(int min, int max, int pageSize, int position)
{
    SetSmallChange(1);
    SetLargeChange(pageSize);
    SetScrollParams(min, max, position, pageSize);
    updateVisibility();
}

void TcxControlScrollBar::setAllowed(bool allowed)
{
    if (allowed == m_allowed) return;
    m_allowed = allowed;
    updateVisibility();
}

void TcxControlScrollBar::updateVisibility()
{
    setVisible(m_allowed && isNeeded());
}
