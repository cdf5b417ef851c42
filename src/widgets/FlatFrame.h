#pragma once

class QColor;
class QPainter;
class QRect;

// Which colour the frame's bottom-left corner pixel takes. The flat panel's frame gives it to
// the left edge; the flat look's edges (grid frame, header, small buttons, boxes) draw the
// right and bottom edges last, so that they own both far corners.
enum class TBottomLeftCorner { LeftTop, RightBottom };

// The one-pixel frame on the outermost ring of `bounds`: the left and top edges in `leftTop`,
// the right and bottom edges in `rightBottom`. The top-left corner pixel takes `leftTop`; the
// top-right and bottom-right ones take `rightBottom`; the bottom-left one takes the colour
// `corner` names. The edges of that colour are drawn last (with LeftTop the top edge stops
// short of the top-right corner), so they show where a frame one pixel wide or high makes
// two edges coincide.
void paintFlatFrame(QPainter &painter, const QRect &bounds, const QColor &leftTop,
                    const QColor &rightBottom, TBottomLeftCorner corner);
