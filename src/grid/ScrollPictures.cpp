#include "grid/ScrollPictures.h"

#include "widgets/FlatLookAndFeelPainter.h"
#include "platformui/SystemColors.h"

#include <QPainter>
#include <QPixmap>

#include <array>

namespace {

enum TArrows : unsigned { NoArrow = 0, UpArrow = 1, DownArrow = 2, LeftArrow = 4, RightArrow = 8 };

constexpr unsigned Vertical = UpArrow | DownArrow;
constexpr unsigned Horizontal = LeftArrow | RightArrow;

// A filled arrow head pointing away from the centre `c`: its apex `reach` pixels out, its base
// `base` pixels out and `half` pixels to either side.
void drawArrow(QPainter &painter, QPoint c, unsigned arrow, int reach, int base, int half,
               TColor color)
{
    QPoint apex, left, right;
    switch (arrow) {
    case UpArrow:
        apex = c + QPoint(0, -reach);
        left = c + QPoint(-half, -base);
        right = c + QPoint(half, -base);
        break;
    case DownArrow:
        apex = c + QPoint(0, reach);
        left = c + QPoint(-half, base);
        right = c + QPoint(half, base);
        break;
    case LeftArrow:
        apex = c + QPoint(-reach, 0);
        left = c + QPoint(-base, -half);
        right = c + QPoint(-base, half);
        break;
    default:
        apex = c + QPoint(reach, 0);
        left = c + QPoint(base, -half);
        right = c + QPoint(base, half);
        break;
    }
    TFlatLookAndFeelPainter::fillTriangle(painter, apex, left, right, color);
}

// A round dot of radius 2 around `c`: a 5 by 5 square without its corners.
void drawDot(QPainter &painter, QPoint c, TColor color)
{
    const QColor colour = toQColor(color);
    painter.fillRect(QRect(c.x() - 1, c.y() - 2, 3, 5), colour);
    painter.fillRect(QRect(c.x() - 2, c.y() - 1, 5, 3), colour);
}

void drawGlyph(QPainter &painter, QPoint c, unsigned arrows, int reach, int base, int half,
               TColor color)
{
    drawDot(painter, c, color);
    for (unsigned arrow : {UpArrow, DownArrow, LeftArrow, RightArrow})
        if (arrows & arrow) drawArrow(painter, c, arrow, reach, base, half, color);
}

unsigned arrowsOf(TcxScrollCursor cursor)
{
    switch (cursor) {
    case TcxScrollCursor::CX_FULLSCROLLCURSOR: return Vertical | Horizontal;
    case TcxScrollCursor::CX_HORSCROLLCURSOR: return Horizontal;
    case TcxScrollCursor::CX_VERSCROLLCURSOR: return Vertical;
    case TcxScrollCursor::CX_UPSCROLLCURSOR: return UpArrow;
    case TcxScrollCursor::CX_RIGHTSCROLLCURSOR: return RightArrow;
    case TcxScrollCursor::CX_DOWNSCROLLCURSOR: return DownArrow;
    case TcxScrollCursor::CX_LEFTSCROLLCURSOR: return LeftArrow;
    }
    return NoArrow;
}

bool isMoving(TcxScrollCursor cursor)
{
    return cursor >= TcxScrollCursor::CX_UPSCROLLCURSOR;
}

} // namespace

QImage scrollBitmap(TcxScrollBitmap bitmap)
{
    QImage image(29, 29, QImage::Format_RGB32);
    image.fill(toQColor(clWindow));
    QPainter painter(&image);
    unsigned arrows = Vertical | Horizontal;
    if (bitmap == TcxScrollBitmap::CX_VERSCROLLBITMAP) arrows = Vertical;
    if (bitmap == TcxScrollBitmap::CX_HORSCROLLBITMAP) arrows = Horizontal;
    drawGlyph(painter, QPoint(14, 14), arrows, 10, 6, 4, clWindowText);
    return image;
}

QImage scrollCursorImage(TcxScrollCursor cursor)
{
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    const QPoint c(ScrollCursorHotSpot, ScrollCursorHotSpot);
    // A moving cursor shows its one arrow further out and larger.
    const int reach = isMoving(cursor) ? 13 : 11;
    const int base = 7;
    const int half = isMoving(cursor) ? 6 : 3;
    const unsigned arrows = arrowsOf(cursor);
    // White first, shifted all round, so that the black shapes keep an outline on any ground.
    for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -1; dx <= 1; ++dx)
            if (dx != 0 || dy != 0)
                drawGlyph(painter, c + QPoint(dx, dy), arrows, reach, base, half, clWhite);
    drawGlyph(painter, c, arrows, reach, base, half, clBlack);
    return image;
}

const QCursor &screenCursor(TcxScrollCursor cursor)
{
    // NOTE: kept until the process ends, so that no pixmap outlives the application object
    // in a destructor that runs after it.
    static const auto *cursors = [] {
        auto *made = new std::array<QCursor, 7>;
        for (std::size_t i = 0; i < made->size(); ++i)
            (*made)[i] = QCursor(QPixmap::fromImage(scrollCursorImage(TcxScrollCursor(i))),
                                 ScrollCursorHotSpot, ScrollCursorHotSpot);
        return made;
    }();
    return (*cursors)[std::size_t(cursor)];
}
