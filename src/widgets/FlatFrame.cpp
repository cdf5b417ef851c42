#include "widgets/FlatFrame.h"

#include <QColor>
#include <QPainter>
#include <QRect>

void paintFlatFrame(QPainter &painter, const QRect &bounds, const QColor &leftTop,
                    const QColor &rightBottom, TBottomLeftCorner corner)
{
    if (bounds.isEmpty()) return;
    const int left = bounds.left();
    const int top = bounds.top();
    const int right = bounds.right();
    const int bottom = bounds.bottom();
    // Filled one-pixel rectangles rather than lines, so that no pen rule decides which end
    // pixel of an edge is drawn; the edges painted last own the corners they share.
    auto paintLeftTop = [&] {
        painter.fillRect(QRect(QPoint(left, top), QPoint(left, bottom)), leftTop);
        if (right > left)
            painter.fillRect(QRect(QPoint(left, top), QPoint(right - 1, top)), leftTop);
    };
    auto paintRightBottom = [&] {
        painter.fillRect(QRect(QPoint(right, top), QPoint(right, bottom)), rightBottom);
        painter.fillRect(QRect(QPoint(left, bottom), QPoint(right, bottom)), rightBottom);
    };
    if (corner == TBottomLeftCorner::LeftTop) {
        paintRightBottom();
        paintLeftTop();
    } else {
        paintLeftTop();
        paintRightBottom();
    }
}
