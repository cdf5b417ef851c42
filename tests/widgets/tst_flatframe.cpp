// The one frame routine: which colour each edge and corner pixel takes under either corner
// rule, down to frames one pixel wide or high.
#include "widgets/FlatFrame.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <vector>

TEST(FlatFrame, CornerRules)
{
    // L: the left-top colour, R: the right-bottom colour, '.': untouched.
    const struct
    {
        const char *name;
        TBottomLeftCorner corner;
        std::vector<const char *> picture;
    } rows[] = {
        {"panel rule", TBottomLeftCorner::LeftTop, {"LLLR", "L..R", "LRRR"}},
        {"flat look rule", TBottomLeftCorner::RightBottom, {"LLLR", "L..R", "RRRR"}},
        {"panel rule, one wide", TBottomLeftCorner::LeftTop, {"L", "L", "L"}},
        {"flat look rule, one wide", TBottomLeftCorner::RightBottom, {"R", "R", "R"}},
        {"panel rule, one high", TBottomLeftCorner::LeftTop, {"LLR"}},
        {"flat look rule, one high", TBottomLeftCorner::RightBottom, {"RRR"}},
    };
    const QColor untouched(Qt::black), leftTop(Qt::white), rightBottom(Qt::gray);
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const int width = int(std::char_traits<char>::length(row.picture[0]));
        const int height = int(row.picture.size());
        // One pixel of margin all round shows that nothing is drawn outside the bounds.
        QImage image(width + 2, height + 2, QImage::Format_RGB32);
        image.fill(untouched);
        {
            QPainter painter(&image);
            paintFlatFrame(painter, QRect(1, 1, width, height), leftTop, rightBottom, row.corner);
        }
        for (int y = 0; y < height + 2; ++y) {
            for (int x = 0; x < width + 2; ++x) {
                const bool inside = x >= 1 && x <= width && y >= 1 && y <= height;
                const char expected = inside ? row.picture[std::size_t(y - 1)][x - 1] : '.';
                const QColor colour = expected == 'L'   ? leftTop
                                      : expected == 'R' ? rightBottom
                                                        : untouched;
                EXPECT_EQ(image.pixelColor(x, y), colour) << x << ", " << y;
            }
        }
    }
}
