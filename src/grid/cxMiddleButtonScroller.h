#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>

#include <functional>
#include <memory>

class QEventLoop;
class QWidget;
class TcxTimer;

enum class TcxScrollDirection { None, Up, Down, Left, Right };

// Which way and how fast the pointer's place asks the list to move.
struct TcxScrollMotion
{
    TcxScrollDirection direction = TcxScrollDirection::None;
    int speed = 0;
    bool operator==(const TcxScrollMotion &) const = default;
};

// The grid's middle-button scrolling: the pointer's distance from where the button went down
// sets the direction and speed of a timed scroll, while an anchor marks that place. It runs
// until any other button, the wheel, Esc or a loss of the pointer ends it.
class TcxMiddleButtonScroller : public QObject
{
    Q_OBJECT
public:
    // `control` holds the pointer while the mode runs; `scrollStep` scrolls it by one row or
    // by 10 pixels in a direction.
    TcxMiddleButtonScroller(QWidget *control, bool canScrollHorizontally, bool canScrollVertically,
                            std::function<void(TcxScrollDirection)> scrollStep);
    ~TcxMiddleButtonScroller() override;

    // Replaces the 20 ms timer (for tests that drive it by hand).
    void setTimer(std::unique_ptr<TcxTimer> timer);

    // Starts the mode at a screen point and returns at once; nothing happens, and false is
    // returned, when neither direction can scroll.
    bool start(QPoint screenPoint);
    // Starts the mode and returns only when it has ended.
    void exec(QPoint screenPoint);
    void end();

    bool isActive() const { return m_active; }
    QPoint startPoint() const { return m_startPoint; }
    TcxScrollMotion motion() const { return m_motion; }
    bool hasLeftZone() const { return m_leftZone; }
    QWidget *anchor() const;

    // The place around the start point where nothing scrolls; in a direction that cannot
    // scroll it spans the whole `screen`.
    static QRect neutralZone(QPoint start, bool horizontal, bool vertical, int anchorWidth,
                             const QRect &screen);
    static TcxScrollMotion motionAt(QPoint start, QPoint pointer, bool horizontal, bool vertical,
                                    int anchorWidth, const QRect &screen);

    static constexpr int AnchorSize = 29;
    static constexpr int TimerInterval = 20;
    static constexpr int MaxSpeed = 12;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pointerMoved(QPoint screenPoint);
    void tick();
    void updateCursor();
    void endSoon();

    QPointer<QWidget> m_control;
    bool m_horizontal;
    bool m_vertical;
    std::function<void(TcxScrollDirection)> m_scrollStep;
    std::unique_ptr<TcxTimer> m_timer;
    std::unique_ptr<QWidget> m_anchor;
    QEventLoop *m_loop = nullptr;

    bool m_active = false;
    bool m_ending = false;
    QPoint m_startPoint;
    QPoint m_pointer;
    TcxScrollMotion m_motion;
    bool m_leftZone = false;
    int m_ticks = 0;
};
