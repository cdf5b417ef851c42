#include "widgets/FlatRadioButton.h"

#include "platformui/SystemColors.h"

#include <QPainter>

namespace {

constexpr int BoxSize = 13;

void paintFocusRect(QPainter &painter, const QRect &area)
{
    painter.setPen(QPen(toQColor(clBtnText), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(area.adjusted(0, 0, -1, -1));
}

} // namespace

bool TFlatRadioButton::hitButton(const QPoint &point) const
{
    return rect().contains(point);
}

void TFlatRadioButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect box(0, (height() - BoxSize) / 2, BoxSize, BoxSize);
    painter.setPen(toQColor(clBtnShadow));
    painter.setBrush(toQColor(isDown() ? clBtnFace : clWindow));
    painter.drawEllipse(box.adjusted(0, 0, -1, -1));
    if (isChecked()) {
        painter.setPen(toQColor(clBtnText));
        painter.setBrush(toQColor(clBtnText));
        painter.drawEllipse(QRect(box.left() + 4, box.top() + 4, 4, 4));
    }
    const QRect textArea(BoxSize + 4, 0, width() - BoxSize - 4, height());
    painter.setPen(toQColor(clBtnText));
    QRect drawn;
    painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter, text(), &drawn);
    if (hasFocus()) paintFocusRect(painter, drawn.adjusted(-1, 0, 1, 0) & rect());
}
