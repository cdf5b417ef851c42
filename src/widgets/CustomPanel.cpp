#include "widgets/CustomPanel.h"

#include "widgets/AlignLayout.h"

#include <QPalette>

TCustomPanel::TCustomPanel(QWidget *owner)
    : QWidget(owner), m_alignLayout(new TAlignLayout(
                          this, QMargins(BevelWidth, BevelWidth, BevelWidth, BevelWidth)))
{
    setFocusPolicy(Qt::NoFocus);
}

void TCustomPanel::SetCaption(const QString &caption)
{
    if (caption == m_caption) return;
    m_caption = caption;
    update();
}

void TCustomPanel::SetAlignment(TAlignment alignment)
{
    if (alignment == m_alignment) return;
    m_alignment = alignment;
    update();
}

QColor TCustomPanel::Color() const
{
    // The active group, so that a disabled panel keeps its colour.
    return palette().color(QPalette::Active, QPalette::Window);
}

void TCustomPanel::SetColor(const QColor &color)
{
    if (m_color == color) return;
    m_color = color;
    applyPalette();
}

void TCustomPanel::SetParentColor(bool parentColor)
{
    if (parentColor == ParentColor()) return;
    if (parentColor)
        m_color.reset();
    else
        m_color = Color();
    applyPalette();
}

QColor TCustomPanel::FontColor() const
{
    return palette().color(QPalette::Active, QPalette::WindowText);
}

void TCustomPanel::SetFontColor(const QColor &color)
{
    if (m_fontColor == color) return;
    m_fontColor = color;
    applyPalette();
}

void TCustomPanel::applyPalette()
{
    // Only the roles set here are the panel's own; Qt fills in the rest from the parent, and
    // the palette change repaints.
    QPalette own;
    if (m_color) own.setColor(QPalette::Window, *m_color);
    if (m_fontColor) own.setColor(QPalette::WindowText, *m_fontColor);
    setPalette(own);
}
