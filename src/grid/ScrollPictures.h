#pragma once

#include <QCursor>
#include <QImage>

// The pictures of middle-button scrolling, drawn by the program: the anchor that marks where
// the button went down, and the cursors that show which way the list moves.

// The anchor for vertical scrolling only, horizontal only, and both.
enum class TcxScrollBitmap { CX_VERSCROLLBITMAP, CX_HORSCROLLBITMAP, CX_FULLSCROLLBITMAP };

// The neutral cursors (both directions, horizontal only, vertical only), then the moving ones.
enum class TcxScrollCursor {
    CX_FULLSCROLLCURSOR,
    CX_HORSCROLLCURSOR,
    CX_VERSCROLLCURSOR,
    CX_UPSCROLLCURSOR,
    CX_RIGHTSCROLLCURSOR,
    CX_DOWNSCROLLCURSOR,
    CX_LEFTSCROLLCURSOR
};

// 29 by 29: a dot with the arrows of the directions on a window-coloured ground.
QImage scrollBitmap(TcxScrollBitmap bitmap);

// 32 by 32 with transparency: black shapes outlined in white, centred on the hot spot.
QImage scrollCursorImage(TcxScrollCursor cursor);
constexpr int ScrollCursorHotSpot = 15;

// The cursors as the screen shows them, made the first time they are asked for.
const QCursor &screenCursor(TcxScrollCursor cursor);
