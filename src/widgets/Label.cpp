#include "widgets/Label.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

TLabel::TLabel(QWidget *owner) : QWidget(owner)
{
    setFocusPolicy(Qt::NoFocus);
}

void TLabel::SetCaption(const QString &caption)
{
    if (caption == m_caption) return;
    m_caption = caption;
    adjustSize();
    update();
}

void TLabel::SetAutoSize(bool autoSize)
{
    if (autoSize == m_autoSize) return;
    m_autoSize = autoSize;
    adjustSize();
}

QColor TLabel::FontColor() const
{
    return palette().color(QPalette::WindowText);
}

void TLabel::SetFontColor(const QColor &color)
{
    if (color == FontColor()) return;
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, color);
    setPalette(palette);
    update();
}

QSize TLabel::textSize() const
{
    const QFontMetrics metrics(font());
    if (m_caption.isEmpty())
        return QSize(metrics.horizontalAdvance(QLatin1Char(' ')), metrics.height());
    const QRect bounds =
        metrics.boundingRect(QRect(0, 0, 100000, 100000), Qt::AlignLeft | Qt::AlignTop, m_caption);
    return bounds.size();
}

void TLabel::adjustSize()
{
    if (m_autoSize) resize(textSize());
}

void TLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QWidget *parent = parentWidget();
    painter.fillRect(rect(), parent ? parent->palette().color(QPalette::Window)
                                    : palette().color(QPalette::Window));
    painter.setPen(FontColor());
    painter.setFont(font());
    painter.setClipRect(rect());
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, m_caption);
}

void TLabel::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        OnClick)
        OnClick();
    QWidget::mouseReleaseEvent(event);
}

void TLabel::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) adjustSize();
    QWidget::changeEvent(event);
}
