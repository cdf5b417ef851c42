#include "DrugListTestSupport.h"
#include "ManualTimer.h"

#include "grid/cxMiddleButtonScroller.h"
#include "grid/cxScrollBar.h"
#include "grid/ScrollPictures.h"
#include "platformui/SystemColors.h"

#include <QApplication>
#include <QBitmap>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using testsupport::TManualClock;
using testsupport::TManualTimer;

namespace {

constexpr QRect Screen(0, 0, 1280, 1024);

// Stands in for the list: logs what reaches it, and runs the mode from its middle press as the
// grid does.
class TListStandIn : public QWidget
{
public:
    std::vector<std::string> log;
    TcxMiddleButtonScroller *scroller = nullptr;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        log.push_back("press " + buttonName(event->button()));
        if (event->button() == Qt::MiddleButton && scroller)
            scroller->exec(event->globalPosition().toPoint());
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        log.push_back("release " + buttonName(event->button()));
    }
    void mouseDoubleClickEvent(QMouseEvent *event) override
    {
        log.push_back("double " + buttonName(event->button()));
    }
    void wheelEvent(QWheelEvent *) override { log.push_back("wheel"); }
    void keyPressEvent(QKeyEvent *event) override
    {
        log.push_back("key " + std::to_string(event->key()));
    }

private:
    static std::string buttonName(Qt::MouseButton button)
    {
        switch (button) {
        case Qt::LeftButton: return "left";
        case Qt::RightButton: return "right";
        case Qt::MiddleButton: return "middle";
        default: return "other";
        }
    }
};

struct TModeFixture
{
    explicit TModeFixture(bool horizontal = false, bool vertical = true)
        : scroller(&list, horizontal, vertical,
                   [this](TcxScrollDirection direction) { steps.push_back(direction); })
    {
        auto manual = std::make_unique<TManualTimer>(clock);
        timer = manual.get();
        scroller.setTimer(std::move(manual));
        list.resize(235, 300);
        list.setFocusPolicy(Qt::StrongFocus);
        list.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&list));
        list.setFocus();
    }
    ~TModeFixture() { scroller.end(); }

    QPoint local(QPoint screen) { return list.mapFromGlobal(screen); }
    void startAt(QPoint point)
    {
        origin = list.mapToGlobal(point);
        ASSERT_TRUE(scroller.start(origin));
    }
    // Moves the pointer by an offset from the start point, with buttons held or not.
    void moveBy(int dx, int dy) { QTest::mouseMove(&list, local(origin + QPoint(dx, dy))); }
    void ticks(int count) { timer->advance(count * TcxMiddleButtonScroller::TimerInterval); }

    TListStandIn list;
    TManualClock clock;
    TManualTimer *timer = nullptr;
    std::vector<TcxScrollDirection> steps;
    TcxMiddleButtonScroller scroller;
    QPoint origin;
};

bool sameImage(const QImage &a, const QImage &b)
{
    return a.convertToFormat(QImage::Format_ARGB32) == b.convertToFormat(QImage::Format_ARGB32);
}

// Runs the steps one after another from the event loop, each once the one before has
// returned, so that they can drive a mode that blocks its caller.
void runLater(std::vector<std::function<void()>> steps)
{
    auto shared = std::make_shared<std::vector<std::function<void()>>>(std::move(steps));
    auto next = std::make_shared<std::function<void(std::size_t)>>();
    *next = [shared, next](std::size_t index) {
        if (index >= shared->size()) {
            *next = nullptr; // breaks the cycle
            return;
        }
        (*shared)[index]();
        QTimer::singleShot(0, [next, index] {
            if (*next) (*next)(index + 1);
        });
    };
    QTimer::singleShot(0, [next] { (*next)(0); });
}

} // namespace

// --- Zone, direction and speed -------------------------------------------------------------

TEST(MiddleButtonScroll, SpeedAndDirectionAtTheZoneEdges)
{
    using D = TcxScrollDirection;
    struct
    {
        const char *name;
        bool horizontal;
        int dx, dy;
        TcxScrollMotion motion;
    } const cases[] = {
        {"still in the zone below", false, 0, 14, {}},
        {"still in the zone above", false, 0, -14, {}},
        {"15 below: speed 1", false, 0, 15, {D::Down, 1}},
        {"18 below: speed 1", false, 0, 18, {D::Down, 1}},
        {"19 below: speed 2", false, 0, 19, {D::Down, 2}},
        {"23 below: speed 2", false, 0, 23, {D::Down, 2}},
        {"24 below: speed 3", false, 0, 24, {D::Down, 3}},
        {"15 above: speed 1", false, 0, -15, {D::Up, 1}},
        {"23 above: speed 2", false, 0, -23, {D::Up, 2}},
        {"68 below: speed 11", false, 0, 68, {D::Down, 11}},
        {"69 below: full speed", false, 0, 69, {D::Down, 12}},
        {"69 above: full speed", false, 3, -69, {D::Up, 12}},
        {"far below stays at full speed", false, 0, 600, {D::Down, 12}},
        {"sideways alone never scrolls a vertical list", false, 600, 0, {}},
        {"at the screen's left edge still in the band", false, -400, 14, {}},
        {"at the screen's right edge still in the band", false, 879, -14, {}},
        {"a vertical list scrolls vertically even when mostly sideways",
         false,
         200,
         15,
         {D::Down, 1}},
        {"both ways: the larger distance wins", true, 30, 20, {D::Right, 4}},
        {"both ways: a tie goes vertical", true, -20, -20, {D::Up, 2}},
        {"both ways: left", true, -15, 0, {D::Left, 1}},
    };
    const QPoint start(400, 300);
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        const TcxScrollMotion motion = TcxMiddleButtonScroller::motionAt(
            start, start + QPoint(row.dx, row.dy), row.horizontal, true, 29, Screen);
        EXPECT_EQ(motion.direction, row.motion.direction);
        EXPECT_EQ(motion.speed, row.motion.speed);
    }
}

TEST(MiddleButtonScroll, NeutralZoneIsTheAnchorSquareStretchedWhereNothingScrolls)
{
    const QPoint start(400, 300);
    EXPECT_EQ(TcxMiddleButtonScroller::neutralZone(start, false, true, 29, Screen),
              QRect(0, 286, 1280, 29));
    EXPECT_EQ(TcxMiddleButtonScroller::neutralZone(start, true, false, 29, Screen),
              QRect(386, 0, 29, 1024));
    EXPECT_EQ(TcxMiddleButtonScroller::neutralZone(start, true, true, 29, Screen),
              QRect(386, 286, 29, 29));
}

TEST(MiddleButtonScroll, TimerStepsWhenTheTickCountIsAMultipleOf13LessTheSpeed)
{
    using D = TcxScrollDirection;
    struct
    {
        const char *name;
        int dx, dy;
        D direction;
        std::vector<int> stepTicks; // within the first 36 ticks
    } const cases[] = {
        {"speed 1: every 240 ms", 0, 15, D::Down, {12, 24, 36}},
        {"speed 2: every 220 ms", 0, -19, D::Up, {11, 22, 33}},
        {"speed 6", 0, 40, D::Down, {7, 14, 21, 28, 35}},
        {"in the zone nothing scrolls", 0, 10, D::None, {}},
        {"sideways nothing scrolls", 300, 0, D::None, {}},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        TModeFixture f;
        f.startAt(QPoint(100, 150));
        f.moveBy(row.dx, row.dy);
        std::vector<int> stepTicks;
        for (int tick = 1; tick <= 36; ++tick) {
            const std::size_t before = f.steps.size();
            f.ticks(1);
            if (f.steps.size() != before) stepTicks.push_back(tick);
        }
        EXPECT_EQ(stepTicks, row.stepTicks);
        for (D direction : f.steps)
            EXPECT_EQ(direction, row.direction);
    }
    // At full speed one row every 20 ms.
    TModeFixture f;
    f.startAt(QPoint(100, 150));
    f.moveBy(0, 69);
    f.ticks(10);
    EXPECT_EQ(f.steps.size(), 10u);
}

// --- How the mode ends ---------------------------------------------------------------------

TEST(MiddleButtonScroll, MiddleClickWithoutMovingRunsUntilTheNextClickWhichIsDropped)
{
    TModeFixture f;
    f.list.scroller = &f.scroller;
    const QPoint press(100, 150);
    bool runningAfterRelease = false;
    bool anchorShown = false;
    std::size_t stepsWhileRunning = 0;
    runLater({
        [&] { QTest::mouseRelease(&f.list, Qt::MiddleButton, {}, press); },
        [&] {
            runningAfterRelease = f.scroller.isActive();
            anchorShown = f.scroller.anchor() && f.scroller.anchor()->isVisible();
            QTest::mouseMove(&f.list, press + QPoint(0, 30)); // speed 4
            f.ticks(27);
            stepsWhileRunning = f.steps.size();
        },
        [&] { QTest::mousePress(&f.list, Qt::LeftButton, {}, press + QPoint(0, 30)); },
    });
    // A watchdog, should the mode not end.
    QTimer::singleShot(5000, [&] { f.scroller.end(); });
    QTest::mousePress(&f.list, Qt::MiddleButton, {}, press); // blocks while the mode runs
    EXPECT_TRUE(runningAfterRelease);
    EXPECT_TRUE(anchorShown);
    EXPECT_EQ(stepsWhileRunning, 3u);
    EXPECT_FALSE(f.scroller.isActive());
    EXPECT_EQ(f.scroller.anchor(), nullptr);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    // The left press ended the mode and never reached the list.
    EXPECT_EQ(f.list.log, (std::vector<std::string>{"press middle", "release middle"}));
    QTest::mouseRelease(&f.list, Qt::LeftButton, {}, press);
}

TEST(MiddleButtonScroll, DraggingOutOfTheZoneEndsAtTheMiddleRelease)
{
    TModeFixture f;
    f.startAt(QPoint(100, 150));
    f.moveBy(0, 5);
    QTest::mouseRelease(&f.list, Qt::MiddleButton, {}, f.local(f.origin + QPoint(0, 5)));
    QApplication::processEvents();
    ASSERT_TRUE(f.scroller.isActive()) << "still in the zone";
    QTest::mousePress(&f.list, Qt::MiddleButton, {}, f.local(f.origin + QPoint(0, 5)));
    ASSERT_FALSE(f.scroller.isActive()) << "another press ends it";

    f.startAt(QPoint(100, 150));
    f.moveBy(0, 70);
    f.ticks(3);
    EXPECT_EQ(f.steps.size(), 3u);
    EXPECT_TRUE(f.scroller.hasLeftZone());
    // Back in the zone it stops, but the release ends the mode all the same.
    f.moveBy(0, 0);
    f.ticks(24);
    EXPECT_EQ(f.steps.size(), 3u);
    QTest::mouseRelease(&f.list, Qt::MiddleButton, {}, f.local(f.origin));
    QApplication::processEvents();
    EXPECT_FALSE(f.scroller.isActive());
    EXPECT_EQ(f.list.log.back(), "release middle");
}

TEST(MiddleButtonScroll, OtherButtonsAndTheWheelEndTheModeAndAreDropped)
{
    const struct
    {
        const char *name;
        std::function<void(QWidget *, QPoint)> input;
    } cases[] = {
        {"right press", [](QWidget *w, QPoint p) { QTest::mousePress(w, Qt::RightButton, {}, p); }},
        {"left release",
         [](QWidget *w, QPoint p) { QTest::mouseRelease(w, Qt::LeftButton, {}, p); }},
        {"double-click",
         [](QWidget *w, QPoint p) {
             QMouseEvent click(QEvent::MouseButtonDblClick, p, w->mapToGlobal(p), Qt::LeftButton,
                               Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(w, &click);
         }},
        {"wheel",
         [](QWidget *w, QPoint p) {
             QWheelEvent wheel(p, w->mapToGlobal(p), QPoint(), QPoint(0, -120), Qt::NoButton,
                               Qt::NoModifier, Qt::NoScrollPhase, false);
             QApplication::sendEvent(w, &wheel);
         }},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        TModeFixture f;
        f.startAt(QPoint(100, 150));
        row.input(&f.list, QPoint(100, 150));
        EXPECT_FALSE(f.scroller.isActive());
        EXPECT_TRUE(f.list.log.empty()) << f.list.log.front();
    }
}

TEST(MiddleButtonScroll, EscReachesTheListFirstThenEndsTheMode)
{
    TModeFixture f;
    f.startAt(QPoint(100, 150));
    QTest::keyPress(&f.list, Qt::Key_Escape);
    EXPECT_EQ(f.list.log, std::vector<std::string>{"key " + std::to_string(Qt::Key_Escape)});
    QApplication::processEvents();
    EXPECT_FALSE(f.scroller.isActive());
    QTest::keyRelease(&f.list, Qt::Key_Escape);

    // Other keys leave the mode running.
    f.startAt(QPoint(100, 150));
    QTest::keyClick(&f.list, Qt::Key_Down);
    QApplication::processEvents();
    EXPECT_TRUE(f.scroller.isActive());
}

TEST(MiddleButtonScroll, LosingThePointerEndsTheMode)
{
    TModeFixture f;
    f.startAt(QPoint(100, 150));
    QWidget other;
    other.show();
    other.grabMouse();
    f.moveBy(0, 40);
    EXPECT_FALSE(f.scroller.isActive());
    other.releaseMouse();
}

// --- What it shows -------------------------------------------------------------------------

TEST(MiddleButtonScroll, StartsOnlyWithADirectionAndShowsARoundAnchorOnThePress)
{
    TListStandIn list;
    TcxMiddleButtonScroller none(&list, false, false, [](TcxScrollDirection) {});
    EXPECT_FALSE(none.start(QPoint(10, 10)));
    EXPECT_FALSE(none.isActive());
    EXPECT_EQ(none.anchor(), nullptr);

    TModeFixture f;
    f.startAt(QPoint(100, 150));
    QWidget *anchor = f.scroller.anchor();
    ASSERT_NE(anchor, nullptr);
    EXPECT_TRUE(anchor->isVisible());
    EXPECT_TRUE(anchor->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(anchor->geometry(), QRect(f.origin - QPoint(14, 14), QSize(29, 29)));
    EXPECT_EQ(QWidget::mouseGrabber(), &f.list);
    // Elliptic: the centre and the middle of each edge are in, the corners are out.
    const QRegion shape = anchor->mask();
    for (QPoint in : {QPoint(14, 14), QPoint(14, 0), QPoint(0, 14), QPoint(28, 14), QPoint(14, 28)})
        EXPECT_TRUE(shape.contains(in)) << in.x() << "," << in.y();
    for (QPoint out : {QPoint(0, 0), QPoint(28, 0), QPoint(0, 28), QPoint(28, 28), QPoint(3, 3)})
        EXPECT_FALSE(shape.contains(out)) << out.x() << "," << out.y();

    // The picture with its outline in the window text colour.
    const QImage shown = anchor->grab().toImage();
    const QRgb text = toQColor(clWindowText).rgb();
    const QRgb ground = toQColor(clWindow).rgb();
    EXPECT_EQ(shown.pixel(14, 0), text);
    EXPECT_EQ(shown.pixel(0, 14), text);
    EXPECT_EQ(shown.pixel(14, 14), text) << "the dot";
    EXPECT_EQ(shown.pixel(14, 6), text) << "the up arrow";
    EXPECT_EQ(shown.pixel(6, 14), ground) << "no left arrow on a vertical list";
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(sameImage(QApplication::overrideCursor()->pixmap().toImage(),
                          scrollCursorImage(TcxScrollCursor::CX_VERSCROLLCURSOR)));
    f.scroller.end();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(MiddleButtonScroll, CursorFollowsTheDirection)
{
    auto cursorIs = [](TcxScrollCursor cursor) {
        const QCursor *shown = QApplication::overrideCursor();
        return shown && sameImage(shown->pixmap().toImage(), scrollCursorImage(cursor));
    };
    TModeFixture f(true, true);
    f.startAt(QPoint(100, 150));
    EXPECT_TRUE(cursorIs(TcxScrollCursor::CX_FULLSCROLLCURSOR));
    const struct
    {
        int dx, dy;
        TcxScrollCursor cursor;
    } moves[] = {
        {0, 20, TcxScrollCursor::CX_DOWNSCROLLCURSOR},
        {0, -20, TcxScrollCursor::CX_UPSCROLLCURSOR},
        {20, 0, TcxScrollCursor::CX_RIGHTSCROLLCURSOR},
        {-20, 0, TcxScrollCursor::CX_LEFTSCROLLCURSOR},
        {3, 3, TcxScrollCursor::CX_FULLSCROLLCURSOR},
    };
    for (const auto &move : moves) {
        f.moveBy(move.dx, move.dy);
        EXPECT_TRUE(cursorIs(move.cursor)) << move.dx << "," << move.dy;
    }
    // The seven cursors are told apart.
    for (int i = 0; i < 7; ++i)
        for (int j = i + 1; j < 7; ++j)
            EXPECT_FALSE(sameImage(scrollCursorImage(TcxScrollCursor(i)),
                                   scrollCursorImage(TcxScrollCursor(j))));
}

// --- In the drug list ----------------------------------------------------------------------

namespace {

using testsupport::shuffledNames;
using testsupport::TDrugList;

// Hands out hand-driven timers while it lives, and remembers the last one.
struct THandTimers
{
    THandTimers()
    {
        TcxTimer::setFactory([this] {
            auto timer = std::make_unique<TManualTimer>(clock);
            last = timer.get();
            return timer;
        });
    }
    ~THandTimers() { TcxTimer::setFactory(nullptr); }
    TManualClock clock;
    TManualTimer *last = nullptr;
};

} // namespace

TEST(DrugListMiddleButton, OnRowsThatFitItOnlyTakesTheFocus)
{
    TDrugList list(shuffledNames(3), 5);
    list.other->setFocus();
    const int focused = list.focusedRow();
    // Should the mode start, the watchdog ends it and the check below fails.
    bool started = false;
    QTimer::singleShot(0, [&] {
        started = QWidget::mouseGrabber() == list.grid;
        QTest::mousePress(list.grid, Qt::LeftButton, {}, QPoint(5, 5));
    });
    QTest::mousePress(list.grid, Qt::MiddleButton, {}, list.rowPoint(1));
    QTest::mouseRelease(list.grid, Qt::MiddleButton, {}, list.rowPoint(1));
    QApplication::processEvents();
    EXPECT_FALSE(started);
    EXPECT_TRUE(list.grid->hasFocus());
    EXPECT_EQ(list.focusedRow(), focused);
}

TEST(DrugListMiddleButton, ScrollsTheRowsWhileTheFocusStays)
{
    THandTimers timers;
    TDrugList list(shuffledNames(20), 5);
    list.view().SetTopRowIndex(0);
    list.other->setFocus();
    const int focused = list.focusedRow();
    const std::string current = list.currentName();
    const QPoint press = list.rowPoint(1);
    int topWhileRunning = -1;
    bool gridFocused = false;
    runLater({
        [&] { QTest::mouseRelease(list.grid, Qt::MiddleButton, {}, press); },
        [&] {
            gridFocused = list.grid->hasFocus();
            QTest::mouseMove(list.grid, press + QPoint(0, 30)); // one row every 9 ticks
            timers.last->advance(27 * 20);
            topWhileRunning = list.topRow();
        },
        // The click that ends the mode does not focus the row under it.
        [&] { QTest::mousePress(list.grid, Qt::LeftButton, {}, list.rowPoint(2)); },
    });
    QTimer::singleShot(5000, [&] { QTest::keyClick(list.grid, Qt::Key_Escape); });
    QTest::mousePress(list.grid, Qt::MiddleButton, {}, press);
    QTest::mouseRelease(list.grid, Qt::LeftButton, {}, list.rowPoint(2));
    EXPECT_TRUE(gridFocused);
    EXPECT_EQ(topWhileRunning, 3);
    EXPECT_EQ(list.topRow(), 3);
    EXPECT_EQ(list.grid->verticalScrollBar()->Position(), 3);
    EXPECT_EQ(list.focusedRow(), focused);
    EXPECT_EQ(list.currentName(), current);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
}
