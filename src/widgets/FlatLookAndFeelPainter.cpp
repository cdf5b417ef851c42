#include "widgets/FlatLookAndFeelPainter.h"

#include "widgets/FlatFrame.h"

#include <QFont>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <utility>

namespace {

// Octants counted from the positive x axis with y pointing down, 1 to 8.
int octant(int dx, int dy)
{
    if (dy > 0) {
        if (dx > 0) return dx > dy ? 1 : 2;
        return -dx > dy ? 4 : 3;
    }
    if (dx < 0) return -dx > -dy ? 5 : 6;
    return dx > -dy ? 8 : 7;
}

// Walks the pixels of a line as the platform's line drawing sets them: Bresenham steps with
// the tie rule that makes a line and its reverse cover the same pixels; the end point is left
// out, so that polylines do not set their joints twice.
template<typename Plot>
void forEachLinePixel(QPoint from, QPoint to, Plot plot)
{
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    if (dx == 0 && dy == 0) return;
    const int o = octant(dx, dy);
    const bool xMajor = o == 1 || o == 4 || o == 5 || o == 8;
    const int bias = (o == 3 || o == 5 || o == 6 || o == 8) ? 1 : 0;
    const int major = xMajor ? std::abs(dx) : std::abs(dy);
    const int minor = xMajor ? std::abs(dy) : std::abs(dx);
    const int xStep = dx > 0 ? 1 : -1;
    const int yStep = dy > 0 ? 1 : -1;
    int x = from.x();
    int y = from.y();
    int error = 2 * minor - major;
    for (int i = 0; i < major; ++i) {
        plot(x, y);
        const bool stepMinor = error + bias > 0;
        error += stepMinor ? 2 * minor - 2 * major : 2 * minor;
        if (xMajor) {
            x += xStep;
            if (stepMinor) y += yStep;
        } else {
            y += yStep;
            if (stepMinor) x += xStep;
        }
    }
}

void setPixel(QPainter &painter, int x, int y, TColor color)
{
    painter.fillRect(QRect(x, y, 1, 1), toQColor(color));
}

void fill(QPainter &painter, const QRect &rect, TColor color)
{
    if (rect.isValid()) painter.fillRect(rect, toQColor(color));
}

// The flat look's one-pixel edge: the right and bottom edges drawn last own both far corners.
void drawEdge(QPainter &painter, const QRect &rect, TColor leftTop, TColor rightBottom)
{
    paintFlatFrame(painter, rect, toQColor(leftTop), toQColor(rightBottom),
                   TBottomLeftCorner::RightBottom);
}

// Integer halving that rounds a half away from zero.
int halfRoundedAway(int value)
{
    return value >= 0 ? (value + 1) / 2 : -((-value + 1) / 2);
}

} // namespace

void TFlatLookAndFeelPainter::drawLine(QPainter &painter, QPoint from, QPoint to, TColor color)
{
    forEachLinePixel(from, to, [&](int x, int y) { setPixel(painter, x, y, color); });
}

void TFlatLookAndFeelPainter::fillTriangle(QPainter &painter, QPoint a, QPoint b, QPoint c,
                                           TColor color)
{
    // The pen's outline plus the brush's interior: for a convex shape, every row runs from
    // its leftmost to its rightmost outline pixel.
    std::map<int, std::pair<int, int>> rows;
    auto plot = [&](int x, int y) {
        auto [it, inserted] = rows.try_emplace(y, x, x);
        if (!inserted) {
            it->second.first = std::min(it->second.first, x);
            it->second.second = std::max(it->second.second, x);
        }
    };
    forEachLinePixel(a, b, plot);
    forEachLinePixel(b, c, plot);
    forEachLinePixel(c, a, plot);
    for (const auto &[y, span] : rows)
        painter.fillRect(QRect(span.first, y, span.second - span.first + 1, 1), toQColor(color));
}

void TFlatLookAndFeelPainter::drawSunkenFrame(QPainter &painter, const QRect &rect)
{
    drawEdge(painter, rect, clBtnShadow, clBtnHighlight);
}

void TFlatLookAndFeelPainter::drawHeader(QPainter &painter, const QRect &rect)
{
    if (rect.isEmpty()) return;
    fill(painter, rect.adjusted(1, 1, -1, -1), clBtnFace);
    drawEdge(painter, rect, clBtnHighlight, clBtnShadow);
    // Soften the corner pixels so the edge reads as a flat raised bar, not a bevelled box.
    const int l = rect.left(), t = rect.top();
    const int r = l + rect.width(), b = t + rect.height();
    setPixel(painter, l, t + 1, clBtnFace);
    setPixel(painter, l, b - 2, clBtnFace);
    setPixel(painter, r - 1, t, clBtnHighlight);
    setPixel(painter, r - 1, t + 1, clBtnFace);
    setPixel(painter, r - 1, b - 2, clBtnFace);
}

void TFlatLookAndFeelPainter::drawSortMark(QPainter &painter, const QRect &rect,
                                           TSortMarkDirection direction)
{
    const int l = rect.left(), t = rect.top();
    const int r = l + rect.width(), b = t + rect.height();
    const int w = r - l, h = b - t;
    const bool even = w % 2 == 0;
    const bool ascending = direction == TSortMarkDirection::Ascending;
    const int cx = (l + r) / 2 - (even ? 1 : 0);
    const int a = w / 2;
    const int bHalf = w / 2 - (even ? 1 : 0);
    const int d = ascending ? 1 : -1;
    const int y0 = ascending ? (t + b - h) / 2 : (t + b + h) / 2 - 1;

    TColor color = clBtnHighlight;
    QPoint pen(cx + a, y0 + (h - 2) * d);
    auto lineTo = [&](int x, int y) {
        drawLine(painter, pen, QPoint(x, y), color);
        pen = QPoint(x, y);
    };
    lineTo(cx + a - bHalf, y0);
    lineTo(cx + a, y0 + (h - 1) * d);
    if (!ascending) color = clBtnShadow;
    lineTo(cx - bHalf, y0 + (h - 1) * d);
    if (ascending) color = clBtnShadow;
    lineTo(cx, y0);
    lineTo(cx - bHalf, y0 + (h - w % 2) * d);
}

void TFlatLookAndFeelPainter::drawSmallButton(QPainter &painter, const QRect &rect,
                                              TButtonState state)
{
    if (state == TButtonState::Pressed)
        drawEdge(painter, rect, clBtnShadow, clBtnHighlight);
    else
        drawEdge(painter, rect, clBtnHighlight, clBtnShadow);
    fill(painter, rect.adjusted(1, 1, -1, -1), clBtnFace);
}

void TFlatLookAndFeelPainter::drawFilterButton(QPainter &painter, const QRect &rect,
                                               TButtonState state, TFilterActive active)
{
    drawSmallButton(painter, rect, state);
    const QRect face = rect.adjusted(1, 1, -1, -1);
    const int l = face.left(), t = face.top();
    const int r = l + face.width(), b = t + face.height();
    int w = (r - l) / 2;
    if (w % 2 == 0) w += 1;
    const int h = w / 2 + 1;
    const int y = halfRoundedAway(t + b - h);
    const int x = (l + r - w) / 2;
    fillTriangle(painter, QPoint(x, y), QPoint(x + w - 1, y), QPoint((l + r) / 2, y + h - 1),
                 active == TFilterActive::Yes ? clBlue : clBtnText);
}

QRect TFlatLookAndFeelPainter::pushButtonCaptionRect(const QRect &rect, TButtonState state)
{
    QRect caption = rect.adjusted(1, 1, -1, -1);
    if (caption.height() % 2 != 0) caption.setBottom(caption.bottom() - 1);
    if (caption.height() < 18) caption.setTop(caption.top() - 1);
    if (state == TButtonState::Pressed) caption.translate(1, 1);
    return caption;
}

void TFlatLookAndFeelPainter::drawPushButton(QPainter &painter, const QRect &rect,
                                             TButtonState state, const QString &caption,
                                             const QFont &font)
{
    drawSmallButton(painter, rect, state);
    painter.save();
    painter.setFont(font);
    painter.setPen(toQColor(clBtnText));
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.drawText(pushButtonCaptionRect(rect, state), Qt::AlignCenter | Qt::TextSingleLine,
                     caption);
    painter.restore();
}

void TFlatLookAndFeelPainter::drawCloseButton(QPainter &painter, const QRect &rect,
                                              TButtonState state)
{
    drawSmallButton(painter, rect, state);
    const QRect face = rect.adjusted(1, 1, -1, -1);
    const int l = face.left(), t = face.top();
    const int r = l + face.width(), b = t + face.height();
    int s = rect.width() / 2;
    if (s % 2 == 0) s -= 1;
    const int shift = state == TButtonState::Pressed ? 1 : 0;
    const int y0 = (t + b - s) / 2 + shift;
    // The pair drawn twice, one pixel apart, gives strokes two pixels wide.
    for (int x0 = (l + r - s) / 2 + shift, pass = 0; pass < 2; ++pass, ++x0) {
        drawLine(painter, QPoint(x0, y0), QPoint(x0 + s, y0 + s), clBtnText);
        drawLine(painter, QPoint(x0, y0 + s - 1), QPoint(x0 + s, y0 - 1), clBtnText);
    }
}

void TFlatLookAndFeelPainter::drawCheckBox(QPainter &painter, const QRect &rect, TButtonState state,
                                           TChecked checked)
{
    drawEdge(painter, rect, clBtnShadow, clBtnHighlight);
    fill(painter, rect.adjusted(1, 1, -1, -1),
         state == TButtonState::Pressed ? clBtnFace : clWindow);
    if (checked == TChecked::No) return;
    const QRect inner = rect.adjusted(2, 2, -2, -2);
    const int l = inner.left(), t = inner.top();
    const int r = l + inner.width(), b = t + inner.height();
    const int w = r - l - 2, h = b - t - 4;
    const int cx = (l + r) / 2 - 1;
    for (int d = 0; d < 3; ++d) {
        const int cy = (t + b + h) / 2 - 2 + d;
        drawLine(painter, QPoint(cx - (w / 2 - 1), cy - h / 2), QPoint(cx, cy), clBtnText);
        drawLine(painter, QPoint(cx, cy), QPoint(cx + w / 2 + 2, cy - h), clBtnText);
    }
}
