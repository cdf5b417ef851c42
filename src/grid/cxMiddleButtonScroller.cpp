#include "grid/cxMiddleButtonScroller.h"

#include "grid/ScrollPictures.h"
#include "platformui/SystemColors.h"
#include "grid/cxTimer.h"

#include <QApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace {

// The anchor: a round, borderless pop-up on top of everything, showing its picture with an
// outline.
class TAnchorWindow : public QWidget
{
public:
    explicit TAnchorWindow(const QImage &picture)
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowDoesNotAcceptFocus),
          m_picture(picture)
    {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        resize(picture.size());
        // One pixel larger than the picture, so that the outline stays inside the shape.
        setMask(QRegion(0, 0, picture.width() + 1, picture.height() + 1, QRegion::Ellipse));
    }

    static void paintAnchor(QPainter &painter, const QImage &picture)
    {
        painter.drawImage(0, 0, picture);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(toQColor(clWindowText), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(QRect(0, 0, picture.width() - 1, picture.height() - 1));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        paintAnchor(painter, m_picture);
    }

private:
    QImage m_picture;
};

TcxScrollBitmap bitmapFor(bool horizontal, bool vertical)
{
    if (horizontal && vertical) return TcxScrollBitmap::CX_FULLSCROLLBITMAP;
    return horizontal ? TcxScrollBitmap::CX_HORSCROLLBITMAP : TcxScrollBitmap::CX_VERSCROLLBITMAP;
}

QRect desktop()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->virtualGeometry()
                  : QRect(INT_MIN / 4, INT_MIN / 4, INT_MAX / 2, INT_MAX / 2);
}

bool isMouseButtonOrWheel(QEvent::Type type)
{
    return type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
           type == QEvent::MouseButtonDblClick || type == QEvent::Wheel;
}

} // namespace

TcxMiddleButtonScroller::TcxMiddleButtonScroller(QWidget *control, bool canScrollHorizontally,
                                                 bool canScrollVertically,
                                                 std::function<void(TcxScrollDirection)> scrollStep)
    : m_control(control), m_horizontal(canScrollHorizontally), m_vertical(canScrollVertically),
      m_scrollStep(std::move(scrollStep)), m_timer(TcxTimer::create())
{
    m_timer->onTimeout = [this] { tick(); };
}

TcxMiddleButtonScroller::~TcxMiddleButtonScroller()
{
    end();
    m_timer->onTimeout = nullptr;
}

void TcxMiddleButtonScroller::setTimer(std::unique_ptr<TcxTimer> timer)
{
    m_timer->onTimeout = nullptr;
    m_timer = std::move(timer);
    m_timer->onTimeout = [this] { tick(); };
}

QWidget *TcxMiddleButtonScroller::anchor() const
{
    return m_anchor.get();
}

// --- Zone, direction and speed -------------------------------------------------------------

QRect TcxMiddleButtonScroller::neutralZone(QPoint start, bool horizontal, bool vertical,
                                           int anchorWidth, const QRect &screen)
{
    QRect zone(start.x() - anchorWidth / 2, start.y() - anchorWidth / 2, anchorWidth, anchorWidth);
    if (!horizontal) {
        zone.setLeft(std::min(zone.left(), screen.left()));
        zone.setRight(std::max(zone.right(), screen.right()));
    }
    if (!vertical) {
        zone.setTop(std::min(zone.top(), screen.top()));
        zone.setBottom(std::max(zone.bottom(), screen.bottom()));
    }
    return zone;
}

TcxScrollMotion TcxMiddleButtonScroller::motionAt(QPoint start, QPoint pointer, bool horizontal,
                                                  bool vertical, int anchorWidth,
                                                  const QRect &screen)
{
    if (neutralZone(start, horizontal, vertical, anchorWidth, screen).contains(pointer)) return {};
    const int dx = pointer.x() - start.x();
    const int dy = pointer.y() - start.y();
    const bool alongY = !horizontal || (vertical && std::abs(dy) >= std::abs(dx));
    TcxScrollMotion motion;
    int distance = 0;
    if (alongY) {
        motion.direction = dy < 0 ? TcxScrollDirection::Up : TcxScrollDirection::Down;
        distance = std::abs(dy);
    } else {
        motion.direction = dx < 0 ? TcxScrollDirection::Left : TcxScrollDirection::Right;
        distance = std::abs(dx);
    }
    motion.speed = std::clamp((distance - anchorWidth / 2) / 5 + 1, 1, MaxSpeed);
    return motion;
}

// --- The mode ------------------------------------------------------------------------------

bool TcxMiddleButtonScroller::start(QPoint screenPoint)
{
    if (m_active || !m_control || (!m_horizontal && !m_vertical)) return false;
    m_active = true;
    m_ending = false;
    m_startPoint = screenPoint;
    m_pointer = screenPoint;
    m_motion = {};
    m_leftZone = false;
    m_ticks = 0;

    const QImage picture = scrollBitmap(bitmapFor(m_horizontal, m_vertical));
    m_anchor = std::make_unique<TAnchorWindow>(picture);
    m_anchor->move(screenPoint - QPoint(picture.width() / 2, picture.height() / 2));
    m_anchor->show();

    qApp->installEventFilter(this);
    m_control->grabMouse();
    m_timer->start(TimerInterval);
    QGuiApplication::setOverrideCursor(QCursor());
    updateCursor();
    return true;
}

void TcxMiddleButtonScroller::exec(QPoint screenPoint)
{
    if (!start(screenPoint)) return;
    QEventLoop loop;
    m_loop = &loop;
    loop.exec();
    m_loop = nullptr;
    // The loop also ends when the application is asked to quit; the outer loops then end too.
    end();
}

void TcxMiddleButtonScroller::end()
{
    if (!m_active) return;
    m_active = false;
    qApp->removeEventFilter(this);
    if (m_control && QWidget::mouseGrabber() == m_control) m_control->releaseMouse();
    m_timer->stop();
    QGuiApplication::restoreOverrideCursor();
    m_anchor.reset();
    if (m_loop) m_loop->exit();
}

void TcxMiddleButtonScroller::endSoon()
{
    // Ends once the event now being delivered has reached its receiver.
    if (m_ending) return;
    m_ending = true;
    QMetaObject::invokeMethod(this, &TcxMiddleButtonScroller::end, Qt::QueuedConnection);
}

bool TcxMiddleButtonScroller::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_active || m_ending) return false;
    if (!m_control || QWidget::mouseGrabber() != m_control) {
        end();
        return false;
    }
    // Events reach a window first and then its widget: act once, at the widget.
    if (!watched->isWidgetType()) return false;
    const QEvent::Type type = event->type();
    if (isMouseButtonOrWheel(type)) {
        const bool middleRelease = type == QEvent::MouseButtonRelease &&
                                   static_cast<QMouseEvent *>(event)->button() == Qt::MiddleButton;
        if (!middleRelease) {
            // Any other click or turn of the wheel only ends the mode; the list never sees it.
            end();
            return true;
        }
        // A middle click without moving leaves the mode running until the next click.
        if (m_leftZone) endSoon();
        return false;
    }
    switch (type) {
    case QEvent::MouseMove:
        pointerMoved(static_cast<QMouseEvent *>(event)->globalPosition().toPoint());
        break;
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        // The list gets Esc first (it cancels a pending edit there); then the mode ends.
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) endSoon();
        break;
    default: break;
    }
    return false;
}

void TcxMiddleButtonScroller::pointerMoved(QPoint screenPoint)
{
    if (screenPoint == m_pointer) return;
    m_pointer = screenPoint;
    const QRect screen = desktop();
    const TcxScrollMotion motion =
        motionAt(m_startPoint, screenPoint, m_horizontal, m_vertical, AnchorSize, screen);
    if (motion.direction != TcxScrollDirection::None) m_leftZone = true;
    if (motion == m_motion) return;
    m_motion = motion;
    updateCursor();
}

void TcxMiddleButtonScroller::tick()
{
    if (!m_control) {
        end();
        return;
    }
    ++m_ticks;
    if (m_motion.direction == TcxScrollDirection::None) return;
    if (m_ticks % (MaxSpeed + 1 - m_motion.speed) == 0 && m_scrollStep)
        m_scrollStep(m_motion.direction);
}

void TcxMiddleButtonScroller::updateCursor()
{
    TcxScrollCursor cursor = TcxScrollCursor::CX_VERSCROLLCURSOR;
    switch (m_motion.direction) {
    case TcxScrollDirection::Up: cursor = TcxScrollCursor::CX_UPSCROLLCURSOR; break;
    case TcxScrollDirection::Down: cursor = TcxScrollCursor::CX_DOWNSCROLLCURSOR; break;
    case TcxScrollDirection::Left: cursor = TcxScrollCursor::CX_LEFTSCROLLCURSOR; break;
    case TcxScrollDirection::Right: cursor = TcxScrollCursor::CX_RIGHTSCROLLCURSOR; break;
    case TcxScrollDirection::None:
        if (m_horizontal && m_vertical)
            cursor = TcxScrollCursor::CX_FULLSCROLLCURSOR;
        else if (m_horizontal)
            cursor = TcxScrollCursor::CX_HORSCROLLCURSOR;
        break;
    }
    QGuiApplication::changeOverrideCursor(screenCursor(cursor));
}
