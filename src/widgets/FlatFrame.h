#pragma once

class QColor;
class QPainter;
class QRect;

// The one-pixel frame on the outermost ring of `bounds`: the left and top edges in
// `highlight`, the right and bottom edges in `shadow`. The bottom-left corner pixel takes the
// highlight and the top-right one the shadow.
void paintFlatFrame(QPainter &painter, const QRect &bounds, const QColor &highlight,
                    const QColor &shadow);
