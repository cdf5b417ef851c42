#pragma once

#include "platformui/SystemColors.h"

#include <QPoint>
#include <QRect>

class QFont;
class QPainter;
class QString;

// States of the flat look's small buttons; the flat look draws hot exactly like normal.
enum class TButtonState { Normal, Hot, Pressed };

// Direction of a header's sort mark.
enum class TSortMarkDirection { Ascending, Descending };

// Whether a header filter button shows that its column takes part in the filter.
enum class TFilterActive { No, Yes };

// Whether a check box is checked.
enum class TChecked { No, Yes };

// The flat look's drawing routines: frames, header edges, sort marks and the small buttons
// that the grid's header and filter box use. Every routine draws pixel by pixel in system
// colours, with lines that leave out their end point, so that the shapes are exact.
class TFlatLookAndFeelPainter
{
public:
    // A one-pixel line from `from` towards `to`, leaving out `to`.
    static void drawLine(QPainter &painter, QPoint from, QPoint to, TColor color);
    // A filled triangle (pen and brush in one colour).
    static void fillTriangle(QPainter &painter, QPoint a, QPoint b, QPoint c, TColor color);

    // A sunken one-pixel edge, as around the grid; its right and bottom edges own both far
    // corners (paintFlatFrame with TBottomLeftCorner::RightBottom).
    static void drawSunkenFrame(QPainter &painter, const QRect &rect);
    // A header cell's background and raised edge with softened corners.
    static void drawHeader(QPainter &painter, const QRect &rect);
    // The 8 by 7 sort mark triangle in `rect`.
    static void drawSortMark(QPainter &painter, const QRect &rect, TSortMarkDirection direction);

    static void drawSmallButton(QPainter &painter, const QRect &rect, TButtonState state);
    static void drawFilterButton(QPainter &painter, const QRect &rect, TButtonState state,
                                 TFilterActive active);
    static void drawPushButton(QPainter &painter, const QRect &rect, TButtonState state,
                               const QString &caption, const QFont &font);
    static void drawCloseButton(QPainter &painter, const QRect &rect, TButtonState state);
    static void drawCheckBox(QPainter &painter, const QRect &rect, TButtonState state,
                             TChecked checked);

    // Where a push button's caption is centred, after the flat look's adjustments.
    static QRect pushButtonCaptionRect(const QRect &rect, TButtonState state);
};
