#include "DrugListTestSupport.h"
#include "ManualTimer.h"

#include "grid/cxScrollBar.h"
#include "platformui/SystemColors.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

using testsupport::TManualClock;
using testsupport::TManualTimer;

namespace {

// A list as the grid answers the bar: rows, how many fit fully and the top row, with the
// grid's top row limits and its page rule (the old bottom row becomes the top row).
struct TFakeList
{
    int rows = 0;
    int fullyVisible = 0;
    int top = 0;

    int maxTop() const { return std::max(0, rows - std::max(1, fullyVisible)); }
    int answer(TScrollCode code, int position)
    {
        const int page = fullyVisible > 1 ? fullyVisible - 1 : 1;
        switch (code) {
        case TScrollCode::LineUp: top -= 1; break;
        case TScrollCode::LineDown: top += 1; break;
        case TScrollCode::PageUp:
            if (top > 0) top -= page;
            break;
        case TScrollCode::PageDown: top += page; break;
        case TScrollCode::Track: top = position; break;
        case TScrollCode::Position:
        case TScrollCode::EndScroll: break;
        }
        top = std::clamp(top, 0, maxTop());
        return top;
    }
};

// A vertical grid bar in a window, wired to a fake list and a hand-driven timer; every request
// is logged with the clock's time and the answer.
struct TBarFixture
{
    struct TRequest
    {
        int time;
        TScrollCode code;
        int proposed;
        int answer;
    };

    TBarFixture(int rows, int fullyVisible, int barHeight = 200) : list{rows, fullyVisible, 0}
    {
        window.resize(300, barHeight + 40);
        bar = new TcxControlScrollBar(TScrollBarKind::sbVertical, &window);
        bar->setGeometry(200, 10, 16, barHeight);
        auto manual = std::make_unique<TManualTimer>(clock);
        timer = manual.get();
        bar->setTimer(std::move(manual));
        bar->onScroll = [this](TScrollCode code, int position) {
            const int answer = list.answer(code, position);
            requests.push_back({clock.now, code, position, answer});
            // The grid passes its new top row back to the bar, as it does after every scroll.
            sync();
            return answer;
        };
        sync();
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    void sync() { bar->setData(0, list.rows - 1, list.fullyVisible, list.top); }

    void press(QPoint point) { QTest::mousePress(bar, Qt::LeftButton, {}, point); }
    void move(QPoint point) { QTest::mouseMove(bar, point); }
    void release(QPoint point) { QTest::mouseRelease(bar, Qt::LeftButton, {}, point); }

    std::vector<TScrollCode> codes() const
    {
        std::vector<TScrollCode> result;
        for (const TRequest &request : requests)
            result.push_back(request.code);
        return result;
    }

    TFakeList list;
    TManualClock clock;
    TManualTimer *timer = nullptr;
    QWidget window;
    TcxControlScrollBar *bar = nullptr;
    std::vector<TRequest> requests;
};

QImage render(const TcxScrollBar &bar)
{
    QImage image(bar.size(), QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter painter(&image);
    bar.paintTo(painter);
    return image;
}

QRgb rgb(TColor color)
{
    return toQColor(color).rgb();
}

} // namespace

// --- Parameters and geometry ---------------------------------------------------------------

TEST(ScrollBar, ShowsOnlyWhileMoreRowsThanFit)
{
    struct
    {
        const char *name;
        int rows;
        int fullyVisible;
        int top;
        bool shown;
    } const cases[] = {
        {"20 rows of which 19 fit", 20, 19, 0, true},
        {"19 rows of which 19 fit", 19, 19, 0, false},
        {"a few rows in a large area", 3, 19, 0, false},
        {"an empty list has no top row", 0, 19, -1, false},
        {"not even one row fits", 2, 0, 0, true},
    };
    QWidget grid;
    TcxControlScrollBar bar(TScrollBarKind::sbVertical, &grid);
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        bar.setData(0, row.rows - 1, row.fullyVisible, row.top);
        EXPECT_EQ(bar.isNeeded(), row.shown);
        EXPECT_EQ(bar.isVisibleTo(&grid), row.shown);
    }
    // A bar its grid keeps hidden stays hidden whatever the rows.
    bar.setAllowed(false);
    bar.setData(0, 99, 10, 0);
    EXPECT_FALSE(bar.isVisibleTo(&grid));
}

TEST(ScrollBar, PositionFromOutsideIsKeptInRangeAndLargeChangeIsThePage)
{
    QWidget grid;
    TcxControlScrollBar bar(TScrollBarKind::sbVertical, &grid);
    EXPECT_EQ(std::make_pair(bar.Min(), bar.Max()), std::make_pair(0, 100));
    EXPECT_EQ(bar.SmallChange(), 1);
    bar.setData(0, 29, 19, 50);
    EXPECT_EQ(bar.Position(), 29);
    EXPECT_EQ(bar.LargeChange(), 19);
    bar.SetPosition(-4);
    EXPECT_EQ(bar.Position(), 0);
}

TEST(ScrollBar, ThumbFromRangePageAndPosition)
{
    // The bar is 16 wide with 16-pixel arrows: the track starts at 16 and is `track` long.
    struct
    {
        const char *name;
        int min, max, pageSize, position, track;
        bool enabled;
        QRect thumb;
    } const cases[] = {
        {"19 of 20 rows at the top", 0, 19, 19, 0, 168, true, QRect(0, 16, 16, 160)},
        {"19 of 20 rows at the bottom", 0, 19, 19, 1, 168, true, QRect(0, 24, 16, 160)},
        {"length and top rounded to nearest, a half up", 0, 99, 10, 45, 168, true,
         QRect(0, 92, 16, 17)},
        {"a small page gives the minimum length", 0, 999, 5, 0, 168, true, QRect(0, 16, 16, 8)},
        {"the last position puts the thumb on the bottom arrow", 0, 999, 5, 995, 168, true,
         QRect(0, 176, 16, 8)},
        {"positions past the last page stay at the bottom", 0, 19, 10, 15, 168, true,
         QRect(0, 100, 16, 84)},
        {"a range that starts above zero starts at the top", 5, 24, 10, 5, 168, true,
         QRect(0, 16, 16, 84)},
        {"a track of 8 still has a thumb", 0, 19, 19, 0, 8, true, QRect(0, 16, 16, 8)},
        {"a page larger than the range fills the track", 0, 9, 30, 0, 100, true,
         QRect(0, 16, 16, 100)},
        {"a track below 8 has none", 0, 19, 19, 0, 7, true, QRect()},
        {"one position only has none", 0, 0, 0, 0, 168, true, QRect()},
        {"a disabled bar has none", 0, 99, 10, 0, 168, false, QRect()},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        const QSize size(16, row.track + 32);
        const TScrollBarGeometry g = TcxScrollBar::calcGeometry(
            TScrollBarKind::sbVertical, size, 16,
            TScrollBarParams{row.min, row.max, row.pageSize, row.position}, row.enabled);
        EXPECT_EQ(g.track, QRect(0, 16, 16, row.track));
        EXPECT_EQ(g.thumb, row.thumb);
        if (row.thumb.isNull()) {
            EXPECT_TRUE(g.pageUp.isEmpty() && g.pageDown.isEmpty());
            continue;
        }
        // The page areas fill the track on either side of the thumb.
        EXPECT_EQ(g.pageUp, QRect(0, 16, 16, row.thumb.top() - 16));
        EXPECT_EQ(g.pageDown.top(), row.thumb.bottom() + 1);
        EXPECT_EQ(g.pageDown.bottom(), g.track.bottom());
    }
}

TEST(ScrollBar, ArrowsAreAtMostHalfTheBarAndPartsAreFoundInOrder)
{
    const TScrollBarGeometry shortBar = TcxScrollBar::calcGeometry(
        TScrollBarKind::sbVertical, QSize(16, 23), 16, TScrollBarParams{0, 19, 19, 0}, true);
    EXPECT_EQ(shortBar.lineUp, QRect(0, 0, 16, 11));
    EXPECT_EQ(shortBar.lineDown, QRect(0, 12, 16, 11));
    EXPECT_TRUE(shortBar.thumb.isNull());

    // A horizontal bar is the vertical one with the axes swapped.
    const TScrollBarGeometry across = TcxScrollBar::calcGeometry(
        TScrollBarKind::sbHorizontal, QSize(200, 16), 16, TScrollBarParams{0, 99, 10, 45}, true);
    EXPECT_EQ(across.lineUp, QRect(0, 0, 16, 16));
    EXPECT_EQ(across.lineDown, QRect(184, 0, 16, 16));
    EXPECT_EQ(across.thumb, QRect(92, 0, 17, 16));

    QWidget grid;
    TcxControlScrollBar bar(TScrollBarKind::sbVertical, &grid);
    bar.resize(16, 200);
    bar.setData(0, 99, 10, 45); // thumb at 92 to 108
    const struct
    {
        QPoint point;
        TScrollPart part;
    } points[] = {
        {{0, 0}, TScrollPart::LineUp},     {{15, 15}, TScrollPart::LineUp},
        {{8, 16}, TScrollPart::PageUp},    {{8, 91}, TScrollPart::PageUp},
        {{8, 92}, TScrollPart::Thumb},     {{8, 108}, TScrollPart::Thumb},
        {{8, 109}, TScrollPart::PageDown}, {{8, 183}, TScrollPart::PageDown},
        {{8, 184}, TScrollPart::LineDown}, {{15, 199}, TScrollPart::LineDown},
        {{16, 100}, TScrollPart::None},    {{8, 200}, TScrollPart::None},
        {{-1, 5}, TScrollPart::None},
    };
    for (const auto &row : points) {
        SCOPED_TRACE(std::to_string(row.point.x()) + "," + std::to_string(row.point.y()));
        EXPECT_EQ(bar.partAt(row.point), row.part);
    }
}

// --- Presses, repeat, drag -----------------------------------------------------------------

TEST(ScrollBar, HoldingTheDownArrowRepeatsAfter400ThenEvery60Milliseconds)
{
    TBarFixture f(30, 19); // the last row is fully visible at top row 11
    const QPoint arrow(8, 192);
    ASSERT_EQ(f.bar->partAt(arrow), TScrollPart::LineDown);
    f.press(arrow);
    ASSERT_EQ(f.requests.size(), 1u);
    EXPECT_EQ(f.requests[0].time, 0);
    EXPECT_EQ(f.requests[0].code, TScrollCode::LineDown);
    EXPECT_EQ(f.requests[0].proposed, 1);
    EXPECT_EQ(f.bar->Position(), 1);

    f.timer->advance(399);
    EXPECT_EQ(f.requests.size(), 1u);
    f.timer->advance(1500);
    // One row at once, the next at 400 ms, then one every 60 ms; at row 11 the list is at its
    // end, and the steps after that change nothing.
    std::map<int, int> firstTimeAtTop;
    for (const auto &request : f.requests)
        firstTimeAtTop.try_emplace(request.answer, request.time);
    std::map<int, int> expected;
    for (int top = 1; top <= 11; ++top)
        expected[top] = top == 1 ? 0 : 400 + (top - 2) * 60;
    EXPECT_EQ(firstTimeAtTop, expected);
    for (std::size_t i = 2; i < f.requests.size(); ++i)
        EXPECT_EQ(f.requests[i].time - f.requests[i - 1].time, 60);
    EXPECT_EQ(f.bar->Position(), 11);

    f.requests.clear();
    f.release(arrow);
    EXPECT_EQ(f.codes(), std::vector<TScrollCode>{TScrollCode::EndScroll});
    EXPECT_FALSE(f.timer->isActive());
    EXPECT_EQ(f.bar->pressedPart(), TScrollPart::None);
    f.timer->advance(500);
    EXPECT_EQ(f.requests.size(), 1u);
}

TEST(ScrollBar, RepeatPausesOffThePressedPartAndResumesOnIt)
{
    TBarFixture f(100, 10);
    const QPoint arrow(8, 192);
    f.press(arrow);
    f.timer->advance(460); // rows 1, 2, 3
    ASSERT_EQ(f.bar->Position(), 3);

    f.move(QPoint(8, 100)); // onto the track: the arrow no longer repeats
    EXPECT_FALSE(f.timer->isActive());
    f.timer->advance(1000);
    EXPECT_EQ(f.bar->Position(), 3);
    // Off the pressed arrow it is drawn normal, back on it pressed again.
    EXPECT_EQ(render(*f.bar).pixel(0, 184), rgb(clBtnHighlight));

    f.move(QPoint(3, 190));
    EXPECT_TRUE(f.timer->isActive());
    EXPECT_EQ(render(*f.bar).pixel(0, 184), rgb(clBtnShadow));
    f.timer->advance(59);
    EXPECT_EQ(f.bar->Position(), 3);
    f.timer->advance(1);
    EXPECT_EQ(f.bar->Position(), 4);
    f.release(QPoint(3, 190));
}

TEST(ScrollBar, HidingTheBarEndsThePress)
{
    TBarFixture f(100, 10);
    const QPoint thumb = f.bar->partRects().thumb.center();
    f.press(thumb);
    f.move(thumb + QPoint(0, 40));
    ASSERT_GT(f.bar->Position(), 0);
    f.requests.clear();
    f.bar->hide();
    EXPECT_EQ(f.bar->pressedPart(), TScrollPart::None);
    EXPECT_EQ(f.codes(), (std::vector<TScrollCode>{TScrollCode::Position, TScrollCode::EndScroll}));
    // Moves after that drag nothing.
    f.move(thumb + QPoint(0, 80));
    EXPECT_EQ(f.requests.size(), 2u);
    f.release(thumb + QPoint(0, 80));
    EXPECT_EQ(f.requests.size(), 2u);
}

TEST(ScrollBar, TrackClickScrollsByTheListsPageRule)
{
    // 19 rows fit, so LargeChange is 19, but the list's page step keeps the old bottom row:
    // it moves by 18.
    TBarFixture f(100, 19);
    const TScrollBarGeometry before = f.bar->partRects();
    const QPoint below(8, before.thumb.bottom() + 10);
    ASSERT_EQ(f.bar->partAt(below), TScrollPart::PageDown);
    QTest::mouseClick(f.bar, Qt::LeftButton, {}, below);
    EXPECT_EQ(f.codes(), (std::vector<TScrollCode>{TScrollCode::PageDown, TScrollCode::EndScroll}));
    EXPECT_EQ(f.requests[0].proposed, 19);
    EXPECT_EQ(f.bar->Position(), 18);
    EXPECT_GT(f.bar->partRects().thumb.top(), before.thumb.top());

    f.requests.clear();
    const QPoint above(8, f.bar->partRects().thumb.top() - 2);
    ASSERT_EQ(f.bar->partAt(above), TScrollPart::PageUp);
    QTest::mouseClick(f.bar, Qt::LeftButton, {}, above);
    EXPECT_EQ(f.bar->Position(), 0);
}

TEST(ScrollBar, HeldPageAreaStopsWhereTheThumbReachesThePointer)
{
    TBarFixture f(1000, 10);
    const QPoint point(8, 120);
    f.press(point);
    f.timer->advance(5000);
    const TScrollBarGeometry g = f.bar->partRects();
    EXPECT_TRUE(g.thumb.contains(point)) << g.thumb.top() << ".." << g.thumb.bottom();
    EXPECT_FALSE(f.timer->isActive());
    const int position = f.bar->Position();
    f.timer->advance(1000);
    EXPECT_EQ(f.bar->Position(), position);
    f.release(point);
}

TEST(ScrollBar, ThumbDragFollowsThePointerAndJumpsBackFarToTheSide)
{
    TBarFixture f(100, 10); // 90 steps over 151 pixels of thumb travel
    const QPoint press(8, f.bar->partRects().thumb.top() + 5);
    ASSERT_EQ(f.bar->partAt(press), TScrollPart::Thumb);
    f.press(press);
    EXPECT_TRUE(f.requests.empty());

    f.move(press + QPoint(0, 50));
    ASSERT_FALSE(f.requests.empty());
    EXPECT_EQ(f.requests.back().code, TScrollCode::Track);
    const int dragged = f.list.top;
    EXPECT_EQ(dragged, 30); // 50 · 90 / 151 rounded
    EXPECT_EQ(f.bar->Position(), dragged);
    EXPECT_EQ(f.bar->partRects().thumb.top(), 16 + 50);

    // 136 pixels right of the bar is still in reach; one more is not.
    f.move(QPoint(15 + 136, press.y() + 50));
    EXPECT_EQ(f.list.top, dragged);
    f.move(QPoint(15 + 137, press.y() + 50));
    EXPECT_EQ(f.list.top, 0);
    EXPECT_EQ(f.bar->Position(), 0);
    EXPECT_EQ(f.bar->partRects().thumb.top(), 16);
    // Left of the bar and 34 pixels above it the same.
    f.move(QPoint(-136, -34));
    EXPECT_EQ(f.bar->partRects().thumb.top(), 16);
    f.move(QPoint(-137, 60));
    EXPECT_EQ(f.list.top, 0);

    // Coming back resumes the drag.
    f.move(press + QPoint(0, 50));
    EXPECT_EQ(f.list.top, dragged);

    // Far below the bar's end the thumb stops at the bottom arrow (within 34 pixels).
    f.move(QPoint(8, 200 + 33));
    EXPECT_EQ(f.list.top, 90);
    EXPECT_EQ(f.bar->partRects().thumb.bottom(), 183);

    f.requests.clear();
    f.move(press + QPoint(0, 50));
    f.release(press + QPoint(0, 50));
    EXPECT_EQ(f.codes(), (std::vector<TScrollCode>{TScrollCode::Track, TScrollCode::Position,
                                                   TScrollCode::EndScroll}));
    EXPECT_EQ(f.list.top, dragged);
    // Released, the thumb sits at the position's place: 16 + 151 · 30 / 90, rounded.
    EXPECT_EQ(f.bar->partRects().thumb.top(), 16 + 50);
}

TEST(ScrollBar, OnlyTheLeftButtonPresses)
{
    TBarFixture f(100, 10);
    QTest::mousePress(f.bar, Qt::RightButton, {}, QPoint(8, 192));
    QTest::mousePress(f.bar, Qt::MiddleButton, {}, QPoint(8, 192));
    EXPECT_TRUE(f.requests.empty());
    EXPECT_EQ(f.bar->pressedPart(), TScrollPart::None);
    QTest::mouseRelease(f.bar, Qt::RightButton, {}, QPoint(8, 192));
    QTest::mouseRelease(f.bar, Qt::MiddleButton, {}, QPoint(8, 192));
}

// --- Painting ------------------------------------------------------------------------------

namespace {

// Checks a button's face: button text exactly on the triangle's rows, button face elsewhere.
void expectArrow(const QImage &image, const QRect &face,
                 const std::map<int, std::pair<int, int>> &rows)
{
    for (int y = face.top(); y <= face.bottom(); ++y) {
        for (int x = face.left(); x <= face.right(); ++x) {
            const auto row = rows.find(y);
            const bool inside =
                row != rows.end() && x >= row->second.first && x <= row->second.second;
            ASSERT_EQ(image.pixel(x, y), rgb(inside ? clBtnText : clBtnFace)) << x << "," << y;
        }
    }
}

void expectFrame(const QImage &image, const QRect &rect, TColor leftTop, TColor rightBottom)
{
    for (int y = rect.top(); y < rect.bottom(); ++y)
        ASSERT_EQ(image.pixel(rect.left(), y), rgb(leftTop)) << "left " << y;
    for (int x = rect.left(); x < rect.right(); ++x)
        ASSERT_EQ(image.pixel(x, rect.top()), rgb(leftTop)) << "top " << x;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        ASSERT_EQ(image.pixel(rect.right(), y), rgb(rightBottom)) << "right " << y;
    for (int x = rect.left(); x <= rect.right(); ++x)
        ASSERT_EQ(image.pixel(x, rect.bottom()), rgb(rightBottom)) << "bottom " << x;
}

void expectPattern(const QImage &image, const QRect &rect, TColor same, TColor differ)
{
    ASSERT_FALSE(rect.isEmpty());
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            ASSERT_EQ(image.pixel(x, y), rgb((x + y) % 2 == 0 ? same : differ)) << x << "," << y;
}

} // namespace

TEST(ScrollBarPainting, ArrowTrianglesNormalAndPressed)
{
    TBarFixture f(100, 10, 100);
    // On a 16-pixel button the face is 14 square: a triangle 7 wide and 4 high.
    const std::map<int, std::pair<int, int>> up{
        {5, {7, 7}}, {6, {6, 8}}, {7, {5, 9}}, {8, {4, 10}}};
    const std::map<int, std::pair<int, int>> down{
        {90, {4, 10}}, {91, {5, 9}}, {92, {6, 8}}, {93, {7, 7}}};
    QImage image = render(*f.bar);
    expectFrame(image, QRect(0, 0, 16, 16), clBtnHighlight, clBtnShadow);
    expectArrow(image, QRect(1, 1, 14, 14), up);
    expectFrame(image, QRect(0, 84, 16, 16), clBtnHighlight, clBtnShadow);
    expectArrow(image, QRect(1, 85, 14, 14), down);

    // Pressed: a sunken frame and the triangle one pixel right and down.
    auto shifted = [](const std::map<int, std::pair<int, int>> &rows) {
        std::map<int, std::pair<int, int>> result;
        for (const auto &[y, span] : rows)
            result[y + 1] = {span.first + 1, span.second + 1};
        return result;
    };
    f.press(QPoint(8, 90));
    image = render(*f.bar);
    expectFrame(image, QRect(0, 84, 16, 16), clBtnShadow, clBtnHighlight);
    expectArrow(image, QRect(1, 85, 14, 14), shifted(down));
    expectArrow(image, QRect(1, 1, 14, 14), up);
    f.release(QPoint(8, 90));
    f.press(QPoint(8, 8));
    image = render(*f.bar);
    expectFrame(image, QRect(0, 0, 16, 16), clBtnShadow, clBtnHighlight);
    expectArrow(image, QRect(1, 1, 14, 14), shifted(up));
    f.release(QPoint(8, 8));
}

TEST(ScrollBarPainting, PageAreasCheckeredThumbAsAButton)
{
    TBarFixture f(100, 10);
    f.list.top = 45;
    f.sync(); // thumb at 92 to 108
    QImage image = render(*f.bar);
    const TScrollBarGeometry g = f.bar->partRects();
    ASSERT_EQ(g.thumb, QRect(0, 92, 16, 17));
    expectPattern(image, g.pageUp, clBtnFace, clBtnHighlight);
    expectPattern(image, g.pageDown, clBtnFace, clBtnHighlight);
    expectFrame(image, g.thumb, clBtnHighlight, clBtnShadow);
    for (int y = g.thumb.top() + 1; y < g.thumb.bottom(); ++y)
        for (int x = 1; x < 15; ++x)
            ASSERT_EQ(image.pixel(x, y), rgb(clBtnFace)) << x << "," << y;

    // Held, the page area under the pointer turns black and dark shadow; the other stays.
    const QPoint below(8, 150);
    f.press(below);
    image = render(*f.bar);
    const TScrollBarGeometry held = f.bar->partRects();
    expectPattern(image, held.pageDown, clBlack, cl3DDkShadow);
    expectPattern(image, held.pageUp, clBtnFace, clBtnHighlight);
    f.release(below);
}

TEST(ScrollBarPainting, ShortTrackShowsOnlyThePattern)
{
    TBarFixture f(100, 10, 39); // a track of 7 pixels
    ASSERT_TRUE(f.bar->partRects().thumb.isNull());
    const QImage image = render(*f.bar);
    expectPattern(image, QRect(0, 16, 16, 7), clBtnFace, clBtnHighlight);
    // Nothing in the track reacts to a press.
    f.press(QPoint(8, 19));
    EXPECT_TRUE(f.requests.empty());
    f.release(QPoint(8, 19));
}

// --- In the drug list ----------------------------------------------------------------------

namespace {

using testsupport::shuffledNames;
using testsupport::TDrugList;

QPoint centreOf(const QRect &rect)
{
    return rect.center();
}

} // namespace

TEST(DrugListScrollBar, ShownAlongTheRightEdgeWhileTheRowsDoNotFit)
{
    TDrugList fits(shuffledNames(19), 19);
    EXPECT_TRUE(fits.grid->verticalScrollBar()->isHidden());
    EXPECT_EQ(fits.view().siteRect().width(), 233) << "the rows use the full width";

    TDrugList more(shuffledNames(20), 19);
    const TcxControlScrollBar *bar = more.grid->verticalScrollBar();
    ASSERT_FALSE(bar->isHidden());
    EXPECT_EQ(bar->geometry(), QRect(218, 1, 16, more.grid->height() - 2));
    EXPECT_EQ(std::make_pair(bar->Min(), bar->Max()), std::make_pair(0, 19));
    EXPECT_EQ(bar->PageSize(), 19);
    EXPECT_EQ(bar->Position(), more.topRow());
    EXPECT_TRUE(more.grid->horizontalScrollBar()->isHidden());
    // Sorting or scrolling by the keyboard moves the thumb with the top row.
    more.key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(bar->Position(), 0);
}

TEST(DrugListScrollBar, ArrowsTrackAndThumbMoveTheRowsButNotTheFocus)
{
    TDrugList list(shuffledNames(20), 5); // the last row is fully visible at top row 15
    TcxControlScrollBar *bar = list.grid->verticalScrollBar();
    TManualClock clock;
    auto manual = std::make_unique<TManualTimer>(clock);
    TManualTimer *timer = manual.get();
    bar->setTimer(std::move(manual));
    list.view().SetTopRowIndex(0);
    const int focused = list.focusedRow();
    const std::string current = list.currentName();
    ASSERT_EQ(bar->Position(), 0);

    const QPoint arrow = centreOf(bar->partRects().lineDown);
    QTest::mousePress(bar, Qt::LeftButton, {}, arrow);
    EXPECT_EQ(list.topRow(), 1);
    timer->advance(399);
    EXPECT_EQ(list.topRow(), 1);
    timer->advance(1);
    EXPECT_EQ(list.topRow(), 2);
    timer->advance(60 * 12);
    EXPECT_EQ(list.topRow(), 14);
    timer->advance(60);
    EXPECT_EQ(list.topRow(), 15);
    timer->advance(600);
    EXPECT_EQ(list.topRow(), 15);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, arrow);
    EXPECT_EQ(bar->Position(), 15);

    // The track scrolls by the page step: the old bottom row becomes the top row.
    list.view().SetTopRowIndex(0);
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(8, bar->partRects().thumb.bottom() + 5));
    EXPECT_EQ(list.topRow(), 4);

    // The top row follows the thumb, to the end of the list.
    const QPoint thumb = centreOf(bar->partRects().thumb);
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(bar, QPoint(thumb.x(), bar->height() - 1));
    EXPECT_EQ(list.topRow(), 15);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(thumb.x(), bar->height() - 1));
    EXPECT_EQ(list.topRow(), 15);

    EXPECT_EQ(list.focusedRow(), focused);
    EXPECT_EQ(list.currentName(), current);
}

TEST(DrugListScrollBarPainting, TheGridShowsTheBar)
{
    TDrugList list(shuffledNames(20), 5);
    list.view().SetTopRowIndex(0);
    QApplication::processEvents();
    const QImage shown = list.grid->grab().toImage();
    const QRect bar = list.view().verticalScrollBarRect();
    // The top arrow's raised frame and the checkered track right below the thumb.
    EXPECT_EQ(shown.pixel(bar.left(), bar.top()), rgb(clBtnHighlight));
    EXPECT_EQ(shown.pixel(bar.right(), bar.top() + 15), rgb(clBtnShadow));
    const int y = bar.top() + list.grid->verticalScrollBar()->partRects().thumb.bottom() + 3;
    for (int x = bar.left(); x <= bar.right(); ++x)
        EXPECT_EQ(shown.pixel(x, y),
                  rgb((x - bar.left() + y - bar.top()) % 2 == 0 ? clBtnFace : clBtnHighlight));
}
