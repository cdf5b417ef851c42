#include "widgets/FlatFrame.h"

#include <QColor>
#include <QPainter>
#include <QRect>

void paintFlatFrame(QPainter &painter, const QRect &bounds, const QColor &highlight,
                    const QColor &shadow)
{
    if (bounds.isEmpty()) return;
    const int left = bounds.left();
    const int top = bounds.top();
    const int right = bounds.right();
    const int bottom = bounds.bottom();
    // Filled one-pixel rectangles rather than lines, so that no pen rule decides which end
    // pixel of an edge is drawn. Shadow first: the highlight owns the corners it shares.
    painter.fillRect(QRect(QPoint(right, top), QPoint(right, bottom)), shadow);
    painter.fillRect(QRect(QPoint(left, bottom), QPoint(right, bottom)), shadow);
    painter.fillRect(QRect(QPoint(left, top), QPoint(left, bottom)), highlight);
    if (right > left) painter.fillRect(QRect(QPoint(left, top), QPoint(right - 1, top)), highlight);
}
