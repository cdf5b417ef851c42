#include "widgets/StatusBar.h"

#include "widgets/FlatFrame.h"
#include "platformui/SystemColors.h"

#include <QPainter>
#include <QSizeGrip>

namespace {

constexpr int Height = 19;
constexpr int PanelGap = 2;
constexpr int TextIndent = 3;

} // namespace

TStatusBar::TStatusBar(QWidget *owner) : QWidget(owner), m_grip(new QSizeGrip(this))
{
    setFocusPolicy(Qt::NoFocus);
    setFixedHeight(Height);
    m_grip->resize(Height - 2, Height - 2);
}

void TStatusBar::addPanel(int width, const QString &text)
{
    m_panels.push_back({text, width});
    update();
}

QString TStatusBar::panelText(int index) const
{
    return index >= 0 && index < panelCount() ? m_panels[std::size_t(index)].text : QString();
}

void TStatusBar::setPanelText(int index, const QString &text)
{
    if (index < 0 || index >= panelCount() || m_panels[std::size_t(index)].text == text) return;
    m_panels[std::size_t(index)].text = text;
    update(panelRect(index));
}

QRect TStatusBar::panelRect(int index) const
{
    int left = 0;
    for (int i = 0; i < index; ++i)
        left += m_panels[std::size_t(i)].width;
    const bool last = index == panelCount() - 1;
    const int right = last ? width() : left + m_panels[std::size_t(index)].width;
    // The panels sit below a two-pixel top margin and keep a gap between them.
    return QRect(QPoint(left, PanelGap), QPoint(right - (last ? 1 : PanelGap + 1), height() - 1));
}

void TStatusBar::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(clBtnFace));
    painter.setFont(font());
    for (int i = 0; i < panelCount(); ++i) {
        const QRect panel = panelRect(i);
        paintFlatFrame(painter, panel, toQColor(clBtnShadow), toQColor(clBtnHighlight),
                       TBottomLeftCorner::LeftTop);
        painter.setPen(toQColor(clBtnText));
        const QRect text = panel.adjusted(TextIndent, 1, -1, -1);
        painter.save();
        painter.setClipRect(text);
        painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         m_panels[std::size_t(i)].text);
        painter.restore();
    }
}

void TStatusBar::resizeEvent(QResizeEvent *event)
{
    m_grip->move(width() - m_grip->width(), height() - m_grip->height());
    QWidget::resizeEvent(event);
}
