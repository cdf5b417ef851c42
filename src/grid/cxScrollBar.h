#pragma once

#include "widgets/FlatLookAndFeelPainter.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

#include <functional>
#include <memory>

class TcxTimer;
class QPainter;

enum class TScrollBarKind { sbHorizontal, sbVertical };

// The parts of a scroll bar a point can be in. For a horizontal bar "up" is left.
enum class TScrollPart { None, LineUp, LineDown, Thumb, PageUp, PageDown };

// The requests a scroll bar sends to its owner.
enum class TScrollCode { LineUp, LineDown, PageUp, PageDown, Track, Position, EndScroll };

// What the geometry is computed from.
struct TScrollBarParams
{
    int min = 0;
    int max = 100;
    int pageSize = 0;
    int position = 0;
};

// The rectangles of a bar's parts, in the bar's own coordinates; the thumb and the page areas
// are empty when there is no thumb.
struct TScrollBarGeometry
{
    QRect lineUp;
    QRect lineDown;
    QRect track;
    QRect thumb;
    QRect pageUp;
    QRect pageDown;
};

// A flat scroll bar drawn by the program: arrow buttons and thumb as small buttons, page areas
// checkered. Its owner sets the range, page and position and answers its scroll requests.
class TcxScrollBar : public QWidget
{
    Q_OBJECT
public:
    explicit TcxScrollBar(TScrollBarKind kind, QWidget *parent = nullptr);
    ~TcxScrollBar() override;

    TScrollBarKind Kind() const { return m_kind; }
    int Min() const { return m_params.min; }
    int Max() const { return m_params.max; }
    int PageSize() const { return m_params.pageSize; }
    int Position() const { return m_params.position; }
    int SmallChange() const { return m_smallChange; }
    int LargeChange() const { return m_largeChange; }
    // A position set from outside is kept within Min to Max.
    void SetPosition(int position);
    void SetSmallChange(int change) { m_smallChange = change; }
    void SetLargeChange(int change) { m_largeChange = change; }
    // All four at once; the thumb is recomputed and the bar repaints when anything changed.
    void SetScrollParams(int min, int max, int position, int pageSize);

    // Whether the parameters leave anything to scroll: a range, a page smaller than it, and a
    // position at or after Min.
    bool isNeeded() const;

    // Asked at every step with the proposed position; the answer is the position the bar then
    // shows. With no handler the proposal stands.
    std::function<int(TScrollCode code, int position)> onScroll;

    // Replaces the repeat timer (for tests that drive it by hand).
    void setTimer(std::unique_ptr<TcxTimer> timer);
    TcxTimer &timer() const { return *m_timer; }

    // Geometry and hit testing, for painting, input and tests alike.
    TScrollBarGeometry partRects() const;
    TScrollPart partAt(QPoint point) const;
    TScrollPart pressedPart() const { return m_pressedPart; }
    TScrollPart hotPart() const { return m_hotPart; }
    // The arrow height: the platform's, but at most half the bar's length.
    int arrowLength() const;

    // The geometry of a bar of `size` (its length along the kind's axis); the thumb only while
    // `enabled`. A thumb dragged to `thumbStart` (a pixel along the axis) is put there instead
    // of at the position's place.
    static TScrollBarGeometry calcGeometry(TScrollBarKind kind, QSize size, int arrowHeight,
                                           const TScrollBarParams &params, bool enabled,
                                           int thumbStart = -1);
    // The position a thumb starting at `thumbStart` stands for.
    static int positionFromThumb(const TScrollBarParams &params, const TScrollBarGeometry &geometry,
                                 TScrollBarKind kind, int thumbStart);

    // Paints the whole bar as it now is.
    void paintTo(QPainter &painter) const;

    // How far the pointer may stray from the bar while dragging the thumb before the thumb
    // jumps back: across the bar and along it.
    static constexpr int DragToleranceAcross = 136;
    static constexpr int DragToleranceAlong = 34;
    static constexpr int FirstRepeatDelay = 400;
    static constexpr int RepeatInterval = 60;
    static constexpr int MinThumbLength = 8;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

    // Whether the bar still has the pointer to itself, as a press gives it.
    virtual bool holdsCapture() const;

private:
    TScrollBarParams params() const { return m_params; }
    bool isRepeatingPart(TScrollPart part) const;
    void repeat();
    void step(TScrollPart part);
    int request(TScrollCode code, int position);
    void dragThumb(QPoint point);
    void endPress();
    void setHotPart(TScrollPart part);
    void paintButton(QPainter &painter, const QRect &rect, TScrollPart part) const;
    void paintPageArea(QPainter &painter, const QRect &rect, TScrollPart part) const;
    bool isDrawnPressed(TScrollPart part) const;
    int along(QPoint point) const;

    TScrollBarKind m_kind;
    TScrollBarParams m_params{0, 100, 0, 0};
    int m_smallChange = 1;
    int m_largeChange = 1;

    TScrollPart m_pressedPart = TScrollPart::None;
    TScrollPart m_hotPart = TScrollPart::None;
    bool m_captured = false;
    QPoint m_pointer;
    std::unique_ptr<TcxTimer> m_timer;

    // The thumb drag: where it began, the position then and the thumb's start then; the
    // thumb's start now, or -1 while the thumb sits at the position's place.
    QPoint m_dragPressPoint;
    int m_dragPressPosition = 0;
    int m_dragPressThumbStart = 0;
    int m_dragThumbStart = -1;
};

// The scroll bar as a grid holds it: placed by the grid and shown only while there is
// something to scroll.
class TcxControlScrollBar : public TcxScrollBar
{
    Q_OBJECT
public:
    explicit TcxControlScrollBar(TScrollBarKind kind, QWidget *parent = nullptr);

    // Takes the grid's parameters and shows or hides the bar by them; `LargeChange` follows
    // the page. A bar that its owner keeps hidden for good is never shown.
    void setData(int min, int max, int pageSize, int position);
    void setAllowed(bool allowed);
    bool allowed() const { return m_allowed; }

private:
    void updateVisibility();

    bool m_allowed = true;
};
