#include "DrugListTestSupport.h"
#include "widgets/FlatLookAndFeelPainter.h"
#include "grid/GridPainter.h"

#include <QFont>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A colour no routine draws, so untouched pixels stand out.
const QColor Untouched(0x12, 0x34, 0x56);

template<typename Draw>
QImage render(QSize size, Draw draw)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Untouched);
    QPainter painter(&image);
    draw(painter);
    return image;
}

QColor pixel(const QImage &image, int x, int y)
{
    return image.pixelColor(x, y);
}

// Compares a picture with a map, one character per pixel: the legend gives each character's
// colour; '.' means the pixel is left as it was, `blank`.
void expectMap(const QImage &image, QPoint origin, const std::vector<std::string> &map,
               const std::vector<std::pair<char, TColor>> &legend, const QColor &blank = Untouched)
{
    for (int y = 0; y < static_cast<int>(map.size()); ++y)
        for (int x = 0; x < static_cast<int>(map[y].size()); ++x) {
            QColor expected = blank;
            for (const auto &[key, color] : legend)
                if (map[y][x] == key) expected = toQColor(color);
            EXPECT_EQ(pixel(image, origin.x() + x, origin.y() + y), expected)
                << "at " << x << "," << y << " of the map";
        }
}

} // namespace

TEST(FlatLook, LinesLeaveOutTheirEndPointAndCoverTheSamePixelsBothWays)
{
    struct TCase
    {
        const char *name;
        QPoint from, to;
    };
    const TCase cases[] = {
        {"horizontal", {1, 1}, {6, 1}},        {"steep with ties", {1, 0}, {4, 6}},
        {"shallow with ties", {0, 2}, {6, 5}}, {"diagonal", {0, 6}, {6, 0}},
        {"steep falling", {5, 0}, {2, 5}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QImage forward = render(QSize(8, 8), [&](QPainter &p) {
            TFlatLookAndFeelPainter::drawLine(p, c.from, c.to, clBtnText);
        });
        EXPECT_EQ(pixel(forward, c.from.x(), c.from.y()), toQColor(clBtnText));
        EXPECT_EQ(pixel(forward, c.to.x(), c.to.y()), Untouched);
        // Reversed, the line starts at the other end; apart from the two ends it is the same.
        QImage backward = render(QSize(8, 8), [&](QPainter &p) {
            TFlatLookAndFeelPainter::drawLine(p, c.to, c.from, clBtnText);
        });
        backward.setPixelColor(c.to, Untouched);
        backward.setPixelColor(c.from, toQColor(clBtnText));
        EXPECT_EQ(forward, backward);
        // One pixel per step along the longer axis, and no gaps.
        int set = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                set += pixel(forward, x, y) != Untouched;
        EXPECT_EQ(set, std::max(std::abs(c.to.x() - c.from.x()), std::abs(c.to.y() - c.from.y())));
    }
}

// The sort marks as the flat look draws them, 8 by 7.
const std::vector<std::string> AscendingMark = {
    "...SH...", "..SSHH..", "..S..H..", ".SS..HH.", ".S....H.", "SS....HH", "SHHHHHHH",
};
const std::vector<std::string> DescendingMark = {
    "SSSSSSSS", "SS....HH", ".S....H.", ".SS..HH.", "..S..H..", "..SSHH..", "...SH...",
};
const std::vector<std::pair<char, TColor>> MarkLegend = {{'H', clBtnHighlight}, {'S', clBtnShadow}};

TEST(FlatLook, SortMarksAreTheOutlinedTrianglesPixelForPixel)
{
    const QImage ascending = render(QSize(12, 11), [](QPainter &p) {
        TFlatLookAndFeelPainter::drawSortMark(p, QRect(2, 2, 8, 7), TSortMarkDirection::Ascending);
    });
    expectMap(ascending, QPoint(2, 2), AscendingMark, MarkLegend);
    const QImage descending = render(QSize(12, 11), [](QPainter &p) {
        TFlatLookAndFeelPainter::drawSortMark(p, QRect(2, 2, 8, 7), TSortMarkDirection::Descending);
    });
    expectMap(descending, QPoint(2, 2), DescendingMark, MarkLegend);
    // Nothing outside the mark's rectangle.
    for (const QImage *image : {&ascending, &descending})
        for (int y = 0; y < 11; ++y)
            for (int x = 0; x < 12; ++x)
                if (!QRect(2, 2, 8, 7).contains(x, y)) {
                    EXPECT_EQ(pixel(*image, x, y), Untouched);
                }
}

TEST(FlatLook, SmallButtonFramesByState)
{
    struct TCase
    {
        TButtonState state;
        TColor leftTop, rightBottom;
    };
    const TCase cases[] = {{TButtonState::Normal, clBtnHighlight, clBtnShadow},
                           {TButtonState::Hot, clBtnHighlight, clBtnShadow},
                           {TButtonState::Pressed, clBtnShadow, clBtnHighlight}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(static_cast<int>(c.state));
        const QImage image = render(QSize(20, 20), [&](QPainter &p) {
            TFlatLookAndFeelPainter::drawSmallButton(p, QRect(2, 3, 15, 16), c.state);
        });
        // Left and top first, then right and bottom, which own the two far corners.
        EXPECT_EQ(pixel(image, 2, 3), toQColor(c.leftTop));
        EXPECT_EQ(pixel(image, 2, 10), toQColor(c.leftTop));
        EXPECT_EQ(pixel(image, 9, 3), toQColor(c.leftTop));
        EXPECT_EQ(pixel(image, 16, 3), toQColor(c.rightBottom));
        EXPECT_EQ(pixel(image, 2, 18), toQColor(c.rightBottom));
        EXPECT_EQ(pixel(image, 16, 10), toQColor(c.rightBottom));
        EXPECT_EQ(pixel(image, 9, 18), toQColor(c.rightBottom));
        EXPECT_EQ(pixel(image, 3, 4), toQColor(clBtnFace));
        EXPECT_EQ(pixel(image, 15, 17), toQColor(clBtnFace));
        EXPECT_EQ(pixel(image, 17, 3), Untouched);
        EXPECT_EQ(pixel(image, 2, 19), Untouched);
    }
}

TEST(FlatLook, FilterButtonTriangleInTextOrActiveColour)
{
    for (TFilterActive active : {TFilterActive::No, TFilterActive::Yes}) {
        const TColor mark = active == TFilterActive::Yes ? clBlue : clBtnText;
        SCOPED_TRACE(active == TFilterActive::Yes ? "active" : "inactive");
        const QImage image = render(QSize(15, 16), [&](QPainter &p) {
            TFlatLookAndFeelPainter::drawFilterButton(p, QRect(0, 0, 15, 16), TButtonState::Normal,
                                                      active);
        });
        // A 7 by 4 triangle in the middle of the 13 by 14 face.
        expectMap(image, QPoint(1, 1),
                  {
                      "FFFFFFFFFFFFF",
                      "FFFFFFFFFFFFF",
                      "FFFFFFFFFFFFF",
                      "FFFFFFFFFFFFF",
                      "FFFFFFFFFFFFF",
                      "FFFMMMMMMMFFF",
                      "FFFFMMMMMFFFF",
                      "FFFFFMMMFFFFF",
                      "FFFFFFMFFFFFF",
                      "FFFFFFFFFFFFF",
                      "FFFFFFFFFFFFF",
                      "FFFFFFFFFFFFF",
                      "FFFFFFFFFFFFF",
                      "FFFFFFFFFFFFF",
                  },
                  {{'F', clBtnFace}, {'M', mark}});
    }
    // Pressed changes the frame, not the triangle.
    const QImage pressed = render(QSize(15, 16), [](QPainter &p) {
        TFlatLookAndFeelPainter::drawFilterButton(p, QRect(0, 0, 15, 16), TButtonState::Pressed,
                                                  TFilterActive::No);
    });
    EXPECT_EQ(pixel(pressed, 0, 0), toQColor(clBtnShadow));
    EXPECT_EQ(pixel(pressed, 14, 15), toQColor(clBtnHighlight));
    EXPECT_EQ(pixel(pressed, 4, 6), toQColor(clBtnText));
    EXPECT_EQ(pixel(pressed, 7, 9), toQColor(clBtnText));
}

TEST(FlatLook, HeaderEdgeWithSoftenedCorners)
{
    const QImage image = render(QSize(30, 24), [](QPainter &p) {
        TFlatLookAndFeelPainter::drawHeader(p, QRect(1, 1, 28, 22));
    });
    const int l = 1, t = 1, r = 29, b = 23; // right and bottom exclusive
    EXPECT_EQ(pixel(image, l, t), toQColor(clBtnHighlight));
    EXPECT_EQ(pixel(image, l, t + 1), toQColor(clBtnFace));
    EXPECT_EQ(pixel(image, l, t + 2), toQColor(clBtnHighlight));
    EXPECT_EQ(pixel(image, l, b - 3), toQColor(clBtnHighlight));
    EXPECT_EQ(pixel(image, l, b - 2), toQColor(clBtnFace));
    EXPECT_EQ(pixel(image, l, b - 1), toQColor(clBtnShadow));
    EXPECT_EQ(pixel(image, r - 1, t), toQColor(clBtnHighlight));
    EXPECT_EQ(pixel(image, r - 1, t + 1), toQColor(clBtnFace));
    EXPECT_EQ(pixel(image, r - 1, t + 2), toQColor(clBtnShadow));
    EXPECT_EQ(pixel(image, r - 1, b - 2), toQColor(clBtnFace));
    EXPECT_EQ(pixel(image, r - 1, b - 1), toQColor(clBtnShadow));
    EXPECT_EQ(pixel(image, 10, t), toQColor(clBtnHighlight));
    EXPECT_EQ(pixel(image, 10, b - 1), toQColor(clBtnShadow));
    EXPECT_EQ(pixel(image, 10, 10), toQColor(clBtnFace));
    EXPECT_EQ(pixel(image, 0, 0), Untouched);
    EXPECT_EQ(pixel(image, r, b), Untouched);
}

TEST(FlatLook, CloseButtonCrossOfTwoPixelStrokes)
{
    for (TButtonState state : {TButtonState::Normal, TButtonState::Pressed}) {
        SCOPED_TRACE(static_cast<int>(state));
        const QImage image = render(QSize(16, 14), [&](QPainter &p) {
            TFlatLookAndFeelPainter::drawCloseButton(p, QRect(0, 0, 16, 14), state);
        });
        // Face 1..15 by 1..13, cross size 7, one pixel lower and further right when pressed.
        const int shift = state == TButtonState::Pressed ? 1 : 0;
        const int x0 = 4 + shift, y0 = 3 + shift;
        QImage expected(14, 12, QImage::Format_RGB32);
        expected.fill(toQColor(clBtnFace));
        for (int i = 0; i < 7; ++i)
            for (int dx : {0, 1}) {
                expected.setPixelColor(x0 + dx + i - 1, y0 + i - 1, toQColor(clBtnText));
                expected.setPixelColor(x0 + dx + i - 1, y0 + 6 - i - 1, toQColor(clBtnText));
            }
        EXPECT_EQ(image.copy(1, 1, 14, 12), expected);
    }
}

TEST(FlatLook, CheckBoxBoxColourAndThreePixelMark)
{
    struct TCase
    {
        const char *name;
        TButtonState state;
        TChecked checked;
        TColor box;
    };
    const TCase cases[] = {
        {"normal unchecked", TButtonState::Normal, TChecked::No, clWindow},
        {"hot checked", TButtonState::Hot, TChecked::Yes, clWindow},
        {"pressed checked", TButtonState::Pressed, TChecked::Yes, clBtnFace},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        const QImage image = render(QSize(13, 13), [&](QPainter &p) {
            TFlatLookAndFeelPainter::drawCheckBox(p, QRect(0, 0, 13, 13), c.state, c.checked);
        });
        EXPECT_EQ(pixel(image, 0, 0), toQColor(clBtnShadow));
        EXPECT_EQ(pixel(image, 0, 11), toQColor(clBtnShadow));
        EXPECT_EQ(pixel(image, 12, 0), toQColor(clBtnHighlight));
        EXPECT_EQ(pixel(image, 0, 12), toQColor(clBtnHighlight));
        EXPECT_EQ(pixel(image, 12, 12), toQColor(clBtnHighlight));
        QImage expected(11, 11, QImage::Format_RGB32);
        expected.fill(toQColor(c.box));
        if (c.checked == TChecked::Yes) {
            // Inner area 2..10: a short stroke down to the corner at (5, 7) and a long one up.
            for (int d = 0; d < 3; ++d) {
                for (int i = 0; i < 2; ++i)
                    expected.setPixelColor(3 + i - 1, 5 + i + d - 1, toQColor(clBtnText));
                for (int i = 0; i < 5; ++i)
                    expected.setPixelColor(5 + i - 1, 7 - i + d - 1, toQColor(clBtnText));
            }
        }
        EXPECT_EQ(image.copy(1, 1, 11, 11), expected);
    }
}

TEST(FlatLook, PushButtonCaptionPlacement)
{
    struct TCase
    {
        const char *name;
        QRect button;
        TButtonState state;
        QRect caption;
    };
    // The face is the button inset by 1; an odd face loses its bottom row, and a face lower
    // than 18 then gains a row at the top; pressing moves it by one pixel.
    const TCase cases[] = {
        {"even, low", QRect(0, 0, 60, 18), TButtonState::Normal, QRect(1, 0, 58, 17)},
        {"odd, low", QRect(0, 0, 60, 17), TButtonState::Normal, QRect(1, 0, 58, 15)},
        {"even, 18 high", QRect(0, 0, 60, 20), TButtonState::Normal, QRect(1, 1, 58, 18)},
        {"odd, 19 high", QRect(0, 0, 60, 21), TButtonState::Normal, QRect(1, 1, 58, 18)},
        {"pressed", QRect(0, 0, 60, 18), TButtonState::Pressed, QRect(2, 1, 58, 17)},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(TFlatLookAndFeelPainter::pushButtonCaptionRect(c.button, c.state), c.caption);
    }

    // The caption's ink sits in the middle and follows the press by exactly one pixel.
    QFont font;
    font.setPixelSize(13);
    auto inkBounds = [&](TButtonState state) {
        const QImage image = render(QSize(80, 22), [&](QPainter &p) {
            TFlatLookAndFeelPainter::drawPushButton(p, QRect(0, 0, 80, 22), state,
                                                    QStringLiteral("Filter"), font);
        });
        QRect ink;
        for (int y = 1; y < 21; ++y)
            for (int x = 1; x < 79; ++x)
                if (pixel(image, x, y) != toQColor(clBtnFace)) ink |= QRect(x, y, 1, 1);
        return ink;
    };
    const QRect normal = inkBounds(TButtonState::Normal);
    const QRect pressed = inkBounds(TButtonState::Pressed);
    ASSERT_FALSE(normal.isEmpty());
    EXPECT_NEAR(normal.center().x(), 40, 2);
    EXPECT_EQ(pressed, normal.translated(1, 1));
}

// --- The drug list as painted -------------------------------------------------------------

using testsupport::TDrugList;

namespace {

QImage grab(TDrugList &list)
{
    QApplication::processEvents();
    return list.grid->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

QColor colour(TColor color)
{
    return toQColor(color);
}

// Whether any pixel of `rect` has exactly `color`.
bool contains(const QImage &image, const QRect &rect, const QColor &color)
{
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.pixelColor(x, y) == color) return true;
    return false;
}

} // namespace

TEST(DrugListPainting, FrameHeaderAndRowHeightsForTheFontInUse)
{
    // The first name of the file sorts first: the focused row is the top row.
    TDrugList list({"Aa", "Bb", "Cc"});
    // One line of text, measured on a sample as the header does.
    const int textHeight =
        QFontMetrics(list.grid->font()).boundingRect(QRect(), Qt::TextSingleLine, "Qq").height();
    const QImage image = grab(list);
    const int w = image.width(), h = image.height();

    // The sunken frame: shadow on the left and top, highlight on the right and bottom, which
    // own the top-right and bottom-left corners.
    EXPECT_EQ(pixel(image, 0, 0), colour(clBtnShadow));
    EXPECT_EQ(pixel(image, 0, h / 2), colour(clBtnShadow));
    EXPECT_EQ(pixel(image, w / 2, 0), colour(clBtnShadow));
    EXPECT_EQ(pixel(image, w - 1, 0), colour(clBtnHighlight));
    EXPECT_EQ(pixel(image, w - 1, h / 2), colour(clBtnHighlight));
    EXPECT_EQ(pixel(image, 0, h - 1), colour(clBtnHighlight));
    EXPECT_EQ(pixel(image, w / 2, h - 1), colour(clBtnHighlight));

    // The header: text height + 6 from y 1, its last row in shadow.
    const int headerBottom = 1 + textHeight + 6 - 1;
    EXPECT_EQ(pixel(image, 1, 1), colour(clBtnHighlight));
    EXPECT_EQ(pixel(image, 100, 1), colour(clBtnHighlight));
    EXPECT_EQ(pixel(image, 100, headerBottom - 1), colour(clBtnFace));
    EXPECT_EQ(pixel(image, 100, headerBottom), colour(clBtnShadow));
    EXPECT_EQ(pixel(image, 217, 5), colour(clBtnShadow)) << "the header's right edge";
    // Right of the 217-pixel column the grid is empty, in the header's band too.
    EXPECT_EQ(pixel(image, 220, 5), colour(clWindow));
    EXPECT_EQ(pixel(image, 220, headerBottom + 5), colour(clWindow));

    // Rows of text height + 5: the highlighted cell, then the white grid line.
    const QColor inverted = QColor::fromRgb(colour(clHighlight).rgb() ^ 0xFFFFFF);
    auto expectRowBand = [&](const QImage &picture, int row) {
        SCOPED_TRACE(row);
        const int top = headerBottom + 1 + row * (textHeight + 5);
        const int cellBottom = top + textHeight + 3;
        EXPECT_NE(pixel(picture, 150, top - 1), colour(clHighlight));
        for (int y = top + 1; y < cellBottom; ++y)
            EXPECT_EQ(pixel(picture, 150, y), colour(clHighlight));
        // The dotted focus frame on the cell's outer ring: every other pixel inverted.
        for (int y : {top, cellBottom}) {
            const QColor first = pixel(picture, 150, y), second = pixel(picture, 151, y);
            EXPECT_TRUE((first == colour(clHighlight) && second == inverted) ||
                        (first == inverted && second == colour(clHighlight)));
        }
        EXPECT_EQ(pixel(picture, 150, top + textHeight + 4), colour(clWhite));
        EXPECT_EQ(pixel(picture, 217, top + 5), colour(clWhite)) << "the vertical grid line";
        EXPECT_EQ(pixel(picture, 215, top + 5), colour(clHighlight));
        EXPECT_NE(pixel(picture, 150, top + textHeight + 5), colour(clHighlight));
    };
    expectRowBand(image, 0);
    list.key(Qt::Key_Down);
    const QImage next = grab(list);
    EXPECT_EQ(pixel(next, 150, headerBottom + 3), colour(clWindow));
    expectRowBand(next, 1);
}

TEST(DrugListPainting, FocusedRowStyleFollowsColumnFocusAndKeyboardFocus)
{
    struct TCase
    {
        const char *name;
        bool columnFocused, gridFocused;
        TColor background, text;
        bool dotted;
    };
    // Highlighted from the start until column 0 is first focused; from then on only the
    // dotted frame marks it, and only while the list has the focus.
    const TCase cases[] = {
        {"at start, list focused", false, true, clHighlight, clHighlightText, true},
        {"at start, focus elsewhere", false, false, clBtnFace, clBtnText, false},
        {"after a click, list focused", true, true, clWindow, clWindowText, true},
        {"after a click, focus elsewhere", true, false, clWindow, clWindowText, false},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        TDrugList list({"Aa", "Bb"});
        if (c.columnFocused) QTest::mouseClick(list.grid, Qt::LeftButton, {}, list.rowPoint(0));
        if (c.gridFocused)
            list.grid->setFocus();
        else
            list.other->setFocus();
        ASSERT_EQ(list.grid->hasFocus(), c.gridFocused);
        const QImage image = grab(list);
        const QRect cell = list.view().cellRect(0, 0);
        EXPECT_EQ(pixel(image, 150, cell.top() + 2), colour(c.background));
        EXPECT_TRUE(contains(image, cell.adjusted(1, 1, -1, -1), colour(c.text)));
        // The frame's ring: every other pixel inverted, or untouched.
        const QColor inverted = QColor::fromRgb(colour(c.background).rgb() ^ 0xFFFFFF);
        int invertedTop = 0, invertedLeft = 0;
        for (int x = 100; x < 110; ++x)
            invertedTop += pixel(image, x, cell.top()) == inverted;
        for (int y = cell.top() + 1; y < cell.top() + 11; ++y)
            invertedLeft += pixel(image, cell.left(), y) == inverted;
        EXPECT_EQ(invertedTop, c.dotted ? 5 : 0);
        EXPECT_EQ(invertedLeft, c.dotted ? 5 : 0);
        EXPECT_EQ(pixel(image, cell.right(), cell.top() + 2) == inverted ||
                      pixel(image, cell.right(), cell.top() + 3) == inverted,
                  c.dotted);
        // The other row stays in window colours, without a frame.
        const QRect other = list.view().cellRect(1, 0);
        for (int x = 100; x < 110; ++x)
            EXPECT_EQ(pixel(image, x, other.top()), colour(clWindow));
    }
}

TEST(DrugListPainting, SortMarkInTheHeaderFollowsTheOrder)
{
    TDrugList list({"Aa", "Bb"});
    const QRect mark = list.view().sortMarkRect(0);
    const QRect button = list.view().filterButtonRect(0);
    const QRect area = list.view().headerTextArea(0);
    // Left of the filter button, centred in the header's text area.
    EXPECT_EQ(mark.right() + 1, button.left());
    EXPECT_EQ(mark.size(), QSize(8, 7));
    EXPECT_EQ(mark.top(), area.top() + (area.height() - 7) / 2);
    expectMap(grab(list), mark.topLeft(), AscendingMark, MarkLegend, colour(clBtnFace));

    list.clickHeader();
    expectMap(grab(list), mark.topLeft(), DescendingMark, MarkLegend, colour(clBtnFace));

    list.clickHeader(Qt::ControlModifier);
    EXPECT_TRUE(list.view().sortMarkRect(0).isNull());
    const QImage none = grab(list);
    for (int y = mark.top(); y <= mark.bottom(); ++y)
        for (int x = mark.left(); x <= mark.right(); ++x)
            EXPECT_EQ(pixel(none, x, y), colour(clBtnFace)) << x << "," << y;
}

TEST(DrugListPainting, HeaderFilterButtonLooks)
{
    TDrugList list({"Aa", "Bb"});
    const QRect button = list.view().filterButtonRect(0);
    const QRect area = list.view().headerTextArea(0);
    EXPECT_EQ(button, QRect(area.right() - 14, area.top(), 15, area.height()));
    // The triangle's apex row and its colour.
    const QRect face = button.adjusted(1, 1, -1, -1);
    const int l = face.left(), t = face.top(), r = l + face.width(), b = t + face.height();
    const int y = (t + b - 4 + 1) / 2; // the top rounded half up
    const QPoint apex((l + r) / 2, y + 3);

    QImage image = grab(list);
    EXPECT_EQ(pixel(image, button.left(), button.top()), colour(clBtnHighlight));
    EXPECT_EQ(pixel(image, button.right(), button.bottom()), colour(clBtnShadow));
    EXPECT_EQ(pixel(image, apex.x(), apex.y()), colour(clBtnText));
    EXPECT_EQ(pixel(image, apex.x() - 3, y), colour(clBtnText));
    EXPECT_EQ(pixel(image, apex.x() + 3, y), colour(clBtnText));
    EXPECT_EQ(pixel(image, apex.x() + 4, y), colour(clBtnFace));

    list.grid->isColumnFiltered = [](int column) { return column == 0; };
    image = grab(list);
    EXPECT_EQ(pixel(image, apex.x(), apex.y()), colour(clBlue));
    EXPECT_EQ(pixel(image, apex.x() - 3, y), colour(clBlue));

    // Held down: the pressed frame; the header around it keeps its look.
    int opened = -1;
    list.grid->onFilterButtonDown = [&](int column) { opened = column; };
    QTest::mousePress(list.grid, Qt::LeftButton, {}, button.center());
    EXPECT_EQ(opened, 0);
    image = grab(list);
    EXPECT_EQ(pixel(image, button.left(), button.top()), colour(clBtnShadow));
    EXPECT_EQ(pixel(image, button.right(), button.bottom()), colour(clBtnHighlight));
    EXPECT_EQ(pixel(image, 1, 1), colour(clBtnHighlight));
    EXPECT_EQ(pixel(image, 100, list.view().headerRect(0).bottom()), colour(clBtnShadow));
    QTest::mouseRelease(list.grid, Qt::LeftButton, {}, button.center());
    image = grab(list);
    EXPECT_EQ(pixel(image, button.left(), button.top()), colour(clBtnHighlight));
    EXPECT_EQ(list.view().Columns(0)->SortOrder(), TcxDataSortOrder::soAscending)
        << "the filter button does not sort";
}

TEST(DrugListPainting, ANameWiderThanTheColumnIsCutAtItsEdgeWithoutEllipsis)
{
    const std::string name = "WWWWWWWWWWWWWWWWWWWWWWWWWWWW";
    TDrugList list({"Aa", name});
    list.view().Columns(0)->SetWidth(60);
    QTest::mouseClick(list.grid, Qt::LeftButton, {}, list.rowPoint(0)); // plain row colours
    list.other->setFocus();
    const QImage image = grab(list);
    const QRect cell = list.view().cellRect(1, 0);
    ASSERT_EQ(cell.right(), 59);

    // The same text drawn whole, from the cell's text position.
    QImage whole(image.size(), QImage::Format_RGB32);
    whole.fill(colour(clWindow));
    {
        QPainter painter(&whole);
        painter.setFont(list.grid->font());
        painter.setPen(colour(clWindowText));
        painter.drawText(QRect(cell.left() + 1, cell.top() + 1, 1000, cell.height()),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                         QString::fromStdString(name));
    }
    for (int y = cell.top(); y <= cell.bottom(); ++y) {
        for (int x = cell.left(); x <= cell.right(); ++x)
            ASSERT_EQ(pixel(image, x, y), pixel(whole, x, y)) << x << "," << y;
        // Nothing of it beyond the column.
        for (int x = cell.right() + 1; x < 150; ++x)
            ASSERT_EQ(pixel(image, x, y), colour(clWindow)) << x << "," << y;
    }
    EXPECT_TRUE(contains(image, QRect(cell.right() - 4, cell.top(), 4, cell.height()),
                         colour(clWindowText)));
}
