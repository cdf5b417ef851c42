#include "widgets/FlatButton.h"

#include "widgets/FlatLookAndFeelPainter.h"
#include "platformui/SystemColors.h"

#include <QPainter>

TFlatButton::TFlatButton(QWidget *parent) : TFlatButton(QString(), parent)
{}

TFlatButton::TFlatButton(const QString &text, QWidget *parent) : QPushButton(text, parent)
{
    // Hovering repaints, so that a hot look would show; the flat look draws hot like normal.
    setAttribute(Qt::WA_Hover);
}

void TFlatButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const TButtonState state = isDown()       ? TButtonState::Pressed
                               : underMouse() ? TButtonState::Hot
                                              : TButtonState::Normal;
    TFlatLookAndFeelPainter::drawSmallButton(painter, rect(), state);
    painter.setFont(font());
    painter.setPen(toQColor(clBtnText));
    painter.drawText(TFlatLookAndFeelPainter::pushButtonCaptionRect(rect(), state),
                     Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic, text());
    if (hasFocus()) {
        painter.setPen(QPen(toQColor(clBtnText), 1, Qt::DotLine));
        painter.drawRect(rect().adjusted(3, 3, -4, -4));
    }
}
