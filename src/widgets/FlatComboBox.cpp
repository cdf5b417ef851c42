#include "widgets/FlatComboBox.h"

#include "widgets/FlatFrame.h"
#include "widgets/FlatLookAndFeelPainter.h"
#include "platformui/SystemColors.h"

#include <QListView>
#include <QPainter>

TFlatComboBox::TFlatComboBox(QWidget *parent) : QComboBox(parent)
{
    // The list drops down below the box, in the system's list colours, rather than over it.
    setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
    auto *list = new QListView(this);
    QPalette colours = list->palette();
    colours.setColor(QPalette::Base, toQColor(clWindow));
    colours.setColor(QPalette::Text, toQColor(clWindowText));
    colours.setColor(QPalette::Highlight, toQColor(clHighlight));
    colours.setColor(QPalette::HighlightedText, toQColor(clHighlightText));
    list->setPalette(colours);
    setView(list);
    setMaxVisibleItems(DropDownCount);
}

void TFlatComboBox::showPopup()
{
    m_dropped = true;
    update();
    QComboBox::showPopup();
}

void TFlatComboBox::hidePopup()
{
    QComboBox::hidePopup();
    m_dropped = false;
    update();
}

void TFlatComboBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect outer = rect();
    TFlatLookAndFeelPainter::drawSunkenFrame(painter, outer);
    paintFlatFrame(painter, outer.adjusted(1, 1, -1, -1), toQColor(clBtnFace), toQColor(clBtnFace),
                   TBottomLeftCorner::RightBottom);
    const QRect inner = outer.adjusted(2, 2, -2, -2);
    const QRect button(inner.right() + 1 - DropDownButtonWidth, inner.top(), DropDownButtonWidth,
                       inner.height());
    const QRect field(inner.left(), inner.top(), inner.width() - DropDownButtonWidth,
                      inner.height());
    painter.fillRect(field, toQColor(isEnabled() ? clWindow : clBtnFace));
    TFlatLookAndFeelPainter::drawFilterButton(
        painter, button, m_dropped ? TButtonState::Pressed : TButtonState::Normal,
        TFilterActive::No);
    const QRect textArea = field.adjusted(1, 1, -1, -1);
    TColor textColor = clWindowText;
    if (hasFocus() && !m_dropped) {
        painter.fillRect(textArea, toQColor(clHighlight));
        textColor = clHighlightText;
    }
    painter.setPen(toQColor(textColor));
    painter.drawText(textArea.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                     currentText());
}
