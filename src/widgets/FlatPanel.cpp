#include "widgets/FlatPanel.h"

#include "widgets/FlatFrame.h"
#include "platformui/SystemColors.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPixmap>

namespace {

int textFlags(TAlignment alignment)
{
    const int horizontal = alignment == taLeftJustify    ? Qt::AlignLeft
                           : alignment == taRightJustify ? Qt::AlignRight
                                                         : Qt::AlignHCenter;
    return horizontal | Qt::AlignVCenter | Qt::TextSingleLine;
}

} // namespace

TFlatPanel::TFlatPanel(QWidget *owner)
    : TCustomPanel(owner), m_colorHighLight(bgrColor(DefaultFrameColor)),
      m_colorShadow(bgrColor(DefaultFrameColor))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(185, 41);
}

void TFlatPanel::SetColorHighLight(const QColor &color)
{
    if (color == m_colorHighLight) return;
    m_colorHighLight = color;
    update();
}

void TFlatPanel::SetColorShadow(const QColor &color)
{
    if (color == m_colorShadow) return;
    m_colorShadow = color;
    update();
}

void TFlatPanel::SetTransparent(bool transparent)
{
    if (transparent == m_transparent) return;
    m_transparent = transparent;
    setAttribute(Qt::WA_OpaquePaintEvent, !transparent);
    update();
}

void TFlatPanel::paintEvent(QPaintEvent *event)
{
    // Everything is drawn off screen first and copied in one go, so a repaint never shows
    // the background without its frame and caption.
    // At the screen's own resolution, so that text stays crisp on a scaled screen.
    QPixmap buffer(size() * devicePixelRatioF());
    buffer.setDevicePixelRatio(devicePixelRatioF());
    {
        QPainter painter(&buffer);
        paintBackground(painter);
        paintFrame(painter);
        paintCaption(painter);
    }
    QPainter painter(this);
    painter.setClipRegion(event->region());
    painter.drawPixmap(0, 0, buffer);
}

void TFlatPanel::paintBackground(QPainter &painter) const
{
    painter.fillRect(rect(), Color());
    QWidget *parent = parentWidget();
    if (m_transparent && parent) {
        // The parent's own painting without its children, shifted so that the part under the
        // panel lands on the pixmap's origin; what lies outside the parent keeps Color.
        parent->render(&painter, QPoint(), QRegion(geometry() & parent->rect()),
                       QWidget::DrawWindowBackground);
    }
}

void TFlatPanel::paintFrame(QPainter &painter) const
{
    paintFlatFrame(painter, rect(), m_colorHighLight, m_colorShadow, TBottomLeftCorner::LeftTop);
}

void TFlatPanel::paintCaption(QPainter &painter) const
{
    if (Caption().isEmpty()) return;
    painter.setFont(font());
    // The whole client area, frame included: the captions bring their own leading spaces.
    const QRect bounds = rect();
    const int flags = textFlags(Alignment());
    if (isEnabled()) {
        painter.setPen(FontColor());
        painter.drawText(bounds, flags, Caption());
        return;
    }
    // Embossed: a light copy one pixel down and right, the shadow copy in place on top.
    painter.setPen(toQColor(clBtnHighlight));
    painter.drawText(bounds.translated(1, 1), flags, Caption());
    painter.setPen(toQColor(clBtnShadow));
    painter.drawText(bounds, flags, Caption());
}
