#include "widgets/TopLineBevel.h"

#include "widgets/FlatLookAndFeelPainter.h"

#include <QPainter>

void TTopLineBevel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const int w = width();
    TFlatLookAndFeelPainter::drawLine(painter, QPoint(0, 0), QPoint(w, 0), clBtnShadow);
    TFlatLookAndFeelPainter::drawLine(painter, QPoint(0, 1), QPoint(w, 1), clBtnHighlight);
}
