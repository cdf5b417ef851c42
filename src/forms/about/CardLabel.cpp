#include "forms/about/CardLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>

TCardLabel::TCardLabel(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    adjustToText();
}

void TCardLabel::setText(const QString &text)
{
    if (text == m_text) return;
    m_text = text;
    adjustToText();
    update();
}

void TCardLabel::SetAutoSize(bool autoSize)
{
    if (autoSize == m_autoSize) return;
    m_autoSize = autoSize;
    adjustToText();
}

void TCardLabel::SetColor(const QColor &color)
{
    if (color == m_color) return;
    m_color = color;
    update();
}

void TCardLabel::setFontColor(const QColor &color)
{
    if (color == m_fontColor) return;
    m_fontColor = color;
    update();
}

QStringList TCardLabel::lines() const
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return m_text.split(lineBreak);
}

QSize TCardLabel::textExtent() const
{
    const QFontMetrics metrics(font());
    const QStringList textLines = m_text.isEmpty() ? QStringList{QStringLiteral(" ")} : lines();
    int width = 0;
    for (const QString &line : textLines)
        width = std::max(width, metrics.horizontalAdvance(line));
    return {width, metrics.height() * int(textLines.size())};
}

void TCardLabel::adjustToText()
{
    if (m_autoSize) resize(textExtent());
}

void TCardLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_color);
    painter.setFont(font());
    painter.setPen(m_fontColor);
    const QFontMetrics metrics(font());
    int baseline = metrics.ascent();
    for (const QString &line : lines()) {
        if (baseline - metrics.ascent() >= height()) break;
        painter.drawText(0, baseline, line);
        baseline += metrics.height();
    }
}

void TCardLabel::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
}

void TCardLabel::mouseReleaseEvent(QMouseEvent *event)
{
    // A click is a press and a release of the left button, both over the label.
    const bool click = m_pressed && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    m_pressed = false;
    if (click && OnClick) OnClick();
}

void TCardLabel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) adjustToText();
    QWidget::changeEvent(event);
}
