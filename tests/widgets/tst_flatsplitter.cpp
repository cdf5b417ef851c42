#include "widgets/FlatSplitter.h"

#include "widgets/AlignLayout.h"
#include "widgets/FlatPanel.h"
#include "platformui/SystemColors.h"

#include <QApplication>
#include <QEnterEvent>
#include <QImage>
#include <QLineEdit>
#include <QPalette>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

const QColor White = toQColor(clWhite);

void makeWhite(QWidget &widget)
{
    QPalette palette = widget.palette();
    palette.setColor(QPalette::Window, White);
    widget.setPalette(palette);
}

QImage render(QWidget &widget)
{
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A drag of `delta` pixels along the bar's axis, pressed at the bar's middle.
struct TDrag
{
    TDrag(TFlatSplitter *bar) : bar(bar), start(bar->width() / 2, bar->height() / 2) {}
    QPoint along(int delta) const
    {
        return bar->isHorizontal() ? start + QPoint(0, delta) : start + QPoint(delta, 0);
    }
    void press(Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(bar, button, Qt::NoModifier, start);
    }
    void move(int delta) { QTest::mouseMove(bar, along(delta)); }
    void release(int delta, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseRelease(bar, button, Qt::NoModifier, along(delta));
    }
    void to(int delta)
    {
        press();
        move(delta);
        release(delta);
    }

    TFlatSplitter *bar;
    QPoint start;
};

// The left column of detail sections: five sections above their bars and "规格" taking the
// rest, each with its 20-pixel caption bar and a memo pane filling it.
struct TLeftColumn
{
    TLeftColumn()
    {
        makeWhite(column);
        column.SetColorHighLight(White);
        column.SetColorShadow(White);
        column.resize(268, 492);
        const int heights[] = {76, 73, 89, 97, 69};
        for (int height : heights) {
            sections.push_back(section(alTop, height));
            auto *bar = new TFlatSplitter(&column);
            bar->resize(264, 3);
            bar->SetAlign(alTop);
            bar->setCursor(Qt::SplitVCursor);
            bars.push_back(bar);
        }
        sections.push_back(section(alClient, 10));
        column.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&column));
    }

    TFlatPanel *section(TAlign align, int height)
    {
        auto *panel = new TFlatPanel(&column);
        panel->SetColorHighLight(White);
        panel->SetColorShadow(White);
        panel->resize(264, height);
        panel->SetAlign(align);
        auto *caption = new TFlatPanel(panel);
        caption->resize(262, 20);
        caption->SetAlign(alTop);
        auto *memo = new QLineEdit(panel);
        setAlign(memo, alClient);
        memos.push_back(memo);
        return panel;
    }

    std::vector<int> heights() const
    {
        std::vector<int> result;
        for (const TFlatPanel *panel : sections)
            result.push_back(panel->height());
        return result;
    }

    TFlatPanel column;
    std::vector<TFlatPanel *> sections;
    std::vector<TFlatSplitter *> bars;
    std::vector<QLineEdit *> memos;
};

} // namespace

TEST(FlatSplitter, InitialColumnLayout)
{
    TLeftColumn left;
    EXPECT_EQ(left.heights(), (std::vector<int>{76, 73, 89, 97, 69, 71}));
    EXPECT_EQ(left.bars[0]->geometry(), QRect(1, 77, 266, 3));
    EXPECT_EQ(left.sections[5]->geometry(), QRect(1, 420, 266, 71));
}

TEST(FlatSplitter, SectionUnderTheFirstBarStaysWithinItsLimits)
{
    const struct
    {
        const char *name;
        int minSize;
        int delta;
        int expected;      // height of "作用类别" after the drag
        int feedbackShift; // where the feedback showed the bar before release
    } rows[] = {
        {"a little down", 30, 20, 96, 20},
        {"down to the limit", 30, 43, 119, 43},
        {"far down stops at the limit", 30, 200, 119, 43},
        {"far up stops at the minimum", 30, -100, 30, -46},
        {"larger minimum, up", 50, -100, 50, -26},
        {"larger minimum, down", 50, 200, 99, 23},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        TLeftColumn left;
        TFlatSplitter *bar = left.bars[0];
        bar->SetMinSize(row.minSize);
        const QRect barBounds = bar->geometry();
        TDrag drag(bar);
        drag.press();
        drag.move(row.delta);
        EXPECT_EQ(bar->feedbackRect(), barBounds.translated(0, row.feedbackShift));
        drag.release(row.delta);

        const std::vector<int> heights = left.heights();
        EXPECT_EQ(heights[0], row.expected);
        // Only the section taking the rest gives or takes the difference.
        EXPECT_EQ(heights[5], 71 - (row.expected - 76));
        EXPECT_EQ(std::vector<int>(heights.begin() + 1, heights.end() - 1),
                  (std::vector<int>{73, 89, 97, 69}));
        // The panes inside follow; the caption bars keep their height.
        for (int index : {0, 5}) {
            const TFlatPanel *section = left.sections[index];
            EXPECT_EQ(left.memos[index]->geometry(), QRect(1, 21, 264, section->height() - 22));
        }
        EXPECT_EQ(bar->geometry().top(), 1 + row.expected);
        EXPECT_FALSE(bar->isDragging());
        EXPECT_TRUE(bar->feedbackRect().isEmpty());
    }
}

TEST(FlatSplitter, DragBackToTheStartChangesNothing)
{
    TLeftColumn left;
    int moved = 0;
    left.bars[2]->OnMoved = [&] { ++moved; };
    TDrag drag(left.bars[2]);
    drag.press();
    drag.move(35);
    drag.move(-12);
    drag.move(0);
    drag.release(0);
    EXPECT_EQ(left.heights(), (std::vector<int>{76, 73, 89, 97, 69, 71}));
    EXPECT_EQ(moved, 1);
}

TEST(FlatSplitter, EscapeCancelsTheDragAndOtherKeysStillReachTheFocus)
{
    TLeftColumn left;
    // A pane away from where the feedback shows, so its text does not change those pixels.
    QLineEdit *memo = left.memos[3];
    memo->setFocus();
    ASSERT_EQ(left.column.focusWidget(), memo);
    int moved = 0;
    TFlatSplitter *bar = left.bars[0];
    bar->OnMoved = [&] { ++moved; };
    const QImage before = render(left.column);

    TDrag drag(bar);
    drag.press();
    drag.move(30);
    QTest::keyClick(memo, Qt::Key_A);
    EXPECT_EQ(memo->text(), QStringLiteral("a"));
    EXPECT_TRUE(bar->isDragging());
    EXPECT_EQ(moved, 0);

    QTest::keyClick(memo, Qt::Key_Escape);
    EXPECT_FALSE(bar->isDragging());
    EXPECT_TRUE(bar->feedbackRect().isEmpty());
    EXPECT_EQ(moved, 1);
    // The release that follows is no longer part of a drag.
    drag.move(50);
    drag.release(50);
    EXPECT_EQ(moved, 1);
    EXPECT_EQ(left.heights(), (std::vector<int>{76, 73, 89, 97, 69, 71}));
    // No trace of the feedback where it was.
    const QImage after = render(left.column);
    const QRect shown = bar->geometry().translated(0, 30);
    for (int y = shown.top(); y <= shown.bottom(); ++y)
        for (int x = shown.left(); x <= shown.right(); ++x)
            ASSERT_EQ(after.pixelColor(x, y), before.pixelColor(x, y)) << x << ", " << y;
    // The focused control has its keys to itself again.
    QTest::keyClick(memo, Qt::Key_B);
    EXPECT_EQ(memo->text(), QStringLiteral("ab"));
}

TEST(FlatSplitter, FeedbackInvertsThePixelsUnderIt)
{
    TLeftColumn left;
    left.memos[1]->setText(QStringLiteral("药理作用"));
    TFlatSplitter *bar = left.bars[0];
    const QImage before = render(left.column);
    TDrag drag(bar);
    drag.press();
    drag.move(30);
    const QRect shown = bar->feedbackRect();
    ASSERT_EQ(shown, bar->geometry().translated(0, 30));
    const QImage during = render(left.column);
    for (int y = shown.top(); y <= shown.bottom(); ++y) {
        for (int x = shown.left(); x <= shown.right(); ++x) {
            const QRgb original = before.pixel(x, y);
            ASSERT_EQ(during.pixel(x, y),
                      qRgb(255 - qRed(original), 255 - qGreen(original), 255 - qBlue(original)))
                << x << ", " << y;
        }
    }
    // Outside the feedback nothing changes while dragging.
    EXPECT_EQ(during.pixel(100, shown.bottom() + 1), before.pixel(100, shown.bottom() + 1));
    drag.release(30);
    EXPECT_EQ(left.sections[0]->height(), 106);
}

TEST(FlatSplitter, EveryDockingSideResizesItsNeighbour)
{
    // A 200 by 200 panel: the neighbour (60), the bar (3) and a client-aligned rest.
    const struct
    {
        const char *name;
        TAlign align;
        int delta;
        int expected;
    } rows[] = {
        {"top, down", alTop, 25, 85},
        {"top, far down", alTop, 500, 167},
        {"bottom, up", alBottom, -25, 85},
        {"bottom, down", alBottom, 20, 40},
        {"bottom, far up", alBottom, -500, 167},
        {"left, right", alLeft, 25, 85},
        {"left, far left", alLeft, -500, 30},
        {"right, left", alRight, -25, 85},
        {"right, far left", alRight, -500, 167},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        TFlatPanel parent;
        makeWhite(parent);
        parent.resize(200, 200);
        const bool horizontal = row.align == alTop || row.align == alBottom;
        auto *neighbour = new TFlatPanel(&parent);
        neighbour->resize(60, 60);
        neighbour->SetAlign(row.align);
        auto *bar = new TFlatSplitter(&parent);
        bar->resize(3, 3);
        bar->SetAlign(row.align);
        auto *rest = new TFlatPanel(&parent);
        rest->SetAlign(alClient);
        parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
        const QRect farEdge = neighbour->geometry();

        TDrag(bar).to(row.delta);
        const QRect bounds = neighbour->geometry();
        EXPECT_EQ(horizontal ? bounds.height() : bounds.width(), row.expected);
        // The neighbour keeps its outer edge; the bar and the rest follow its inner one.
        switch (row.align) {
        case alTop:
            EXPECT_EQ(bounds.top(), farEdge.top());
            EXPECT_EQ(bar->geometry().top(), bounds.bottom() + 1);
            break;
        case alBottom:
            EXPECT_EQ(bounds.bottom(), farEdge.bottom());
            EXPECT_EQ(bar->geometry().bottom(), bounds.top() - 1);
            break;
        case alLeft:
            EXPECT_EQ(bounds.left(), farEdge.left());
            EXPECT_EQ(bar->geometry().left(), bounds.right() + 1);
            break;
        default:
            EXPECT_EQ(bounds.right(), farEdge.right());
            EXPECT_EQ(bar->geometry().right(), bounds.left() - 1);
            break;
        }
        EXPECT_EQ(horizontal ? rest->height() : rest->width(), 198 - 3 - row.expected);
    }
}

TEST(FlatSplitter, VerticalBarBetweenTheColumns)
{
    TFlatPanel half;
    makeWhite(half);
    half.resize(531, 494);
    auto *leftColumn = new TFlatPanel(&half);
    leftColumn->resize(268, 492);
    leftColumn->SetAlign(alLeft);
    auto *bar = new TFlatSplitter(&half);
    bar->resize(3, 492);
    auto *rightColumn = new TFlatPanel(&half);
    rightColumn->SetAlign(alClient);
    half.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&half));
    ASSERT_EQ(bar->geometry(), QRect(269, 1, 3, 492));
    EXPECT_EQ(bar->cursor().shape(), Qt::SplitHCursor);

    TDrag(bar).to(50);
    EXPECT_EQ(leftColumn->width(), 318);
    EXPECT_EQ(rightColumn->geometry(), QRect(322, 1, 208, 492));
    // The limit counts the half's full width, not the room inside its border.
    TDrag(bar).to(1000);
    EXPECT_EQ(leftColumn->width(), 531 - 30 - 3);
    EXPECT_EQ(rightColumn->width(), 28);
}

TEST(FlatSplitter, BarWithoutANeighbourDoesNothing)
{
    const struct
    {
        const char *name;
        TAlign align;
        Qt::MouseButton button;
    } rows[] = {
        {"first top bar, nothing above", alTop, Qt::LeftButton},
        {"not docked", alNone, Qt::LeftButton},
        {"right button", alTop, Qt::RightButton},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        TFlatPanel parent;
        makeWhite(parent);
        parent.resize(100, 100);
        TFlatSplitter *bar = nullptr;
        TFlatPanel *above = nullptr;
        if (row.button == Qt::RightButton) {
            above = new TFlatPanel(&parent);
            above->resize(98, 40);
            above->SetAlign(alTop);
        }
        bar = new TFlatSplitter(&parent);
        bar->setGeometry(1, 1, 98, 3);
        bar->SetAlign(row.align);
        auto *rest = new TFlatPanel(&parent);
        rest->SetAlign(alClient);
        parent.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&parent));
        int moved = 0;
        bar->OnMoved = [&] { ++moved; };
        const QRect restBefore = rest->geometry();

        TDrag drag(bar);
        drag.press(row.button);
        QTest::mouseMove(bar, drag.along(20));
        EXPECT_FALSE(bar->isDragging());
        EXPECT_TRUE(bar->feedbackRect().isEmpty());
        drag.release(20, row.button);
        EXPECT_EQ(rest->geometry(), restBefore);
        if (above) {
            EXPECT_EQ(above->height(), 40);
        }
        EXPECT_EQ(moved, 0);
    }
}

TEST(FlatSplitter, LightsUpWhileTheMouseIsOver)
{
    QWidget parent;
    makeWhite(parent);
    parent.resize(50, 50);
    TFlatSplitter bar(&parent);
    bar.setGeometry(10, 0, 3, 50);
    const QColor border = QColor(102, 94, 85);
    const QColor focused = QColor(255, 210, 83);
    ASSERT_EQ(bar.ColorBorder(), border);
    ASSERT_EQ(bar.ColorFocused(), focused);
    auto face = [&] { return render(bar).pixelColor(1, 25); };
    auto edges = [&] {
        const QImage image = render(bar);
        return std::vector<QColor>{image.pixelColor(0, 25), image.pixelColor(2, 25),
                                   image.pixelColor(1, 0), image.pixelColor(1, 49)};
    };
    const std::vector<QColor> allBorder(4, border);

    EXPECT_EQ(face(), White);
    EXPECT_EQ(edges(), allBorder);
    QEnterEvent enter(QPointF(1, 1), QPointF(11, 1), QPointF(11, 1));
    QApplication::sendEvent(&bar, &enter);
    EXPECT_TRUE(bar.isHovered());
    EXPECT_EQ(face(), focused);
    EXPECT_EQ(edges(), allBorder);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(&bar, &leave);
    EXPECT_EQ(face(), White);

    // Away from the mouse the face is the parent's colour, whatever it becomes.
    QPalette palette = parent.palette();
    palette.setColor(QPalette::Window, toQColor(clMoneyGreen));
    parent.setPalette(palette);
    EXPECT_EQ(face(), toQColor(clMoneyGreen));
}
