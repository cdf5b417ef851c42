#include "gridfilter/cxGridFilterBox.h"

#include "shell/Application.h"
#include "platformui/GbkQt.h"
#include "grid/cxGrid.h"
#include "grid/cxGridDBTableView.h"
#include "gridfilter/cxGridTableFiltering.h"
#include "platformui/SystemColors.h"
#include "criteria/cxDataFilterCriteria.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace {

// Space before, between and after the controls.
constexpr int ControlSpacing = 4;
// The text keeps this far from the controls beside it.
constexpr int TextMargin = 3;
// The flat look's button border and the space its caption keeps from it, on each side.
constexpr int ButtonBorderSize = 1;
constexpr int ButtonTextOffset = 2;

} // namespace

TcxGridFilterBox::TcxGridFilterBox(TcxGridTableFiltering &filtering)
    : QWidget(&filtering.grid()), m_filtering(filtering)
{
    setObjectName(QStringLiteral("FilterBox"));
    hide();
}

bool TcxGridFilterBox::isShown() const
{
    switch (m_filtering.Visible()) {
    case TcxGridFilterVisible::fvNever: return false;
    case TcxGridFilterVisible::fvNonEmpty: return !m_filtering.criteria().isEmpty();
    case TcxGridFilterVisible::fvAlways: return true;
    }
    return false;
}

void TcxGridFilterBox::updateLayout()
{
    TcxGridDBTableView &view = m_filtering.view();
    const bool shown = isShown();
    // The box's height depends on its font only, not on its width.
    view.setFilterBoxHeight(shown ? boxHeight() : 0);
    if (!shown) {
        m_pressedPart = TcxFilterBoxPart::None;
        hide();
        return;
    }
    setGeometry(view.filterBoxRect());
    show();
    update();
}

QString TcxGridFilterBox::text() const
{
    const std::string filterText = m_filtering.criteria().filterText();
    if (filterText.empty()) return QStringLiteral("<数据过滤条件为空>");
    return toQString(filterText);
}

bool TcxGridFilterBox::isCloseButtonVisible() const
{
    return !m_filtering.criteria().isEmpty();
}

bool TcxGridFilterBox::isActivateCheckBoxVisible() const
{
    return !m_filtering.criteria().isEmpty();
}

bool TcxGridFilterBox::isCustomizeButtonVisible() const
{
    return m_filtering.CustomizeDialog();
}

QString TcxGridFilterBox::customizeCaption() const
{
    return QStringLiteral("定制...");
}

QSize TcxGridFilterBox::customizeButtonSize() const
{
    const QFontMetrics metrics(font());
    const int extra = 2 * (ButtonBorderSize + ButtonTextOffset);
    return {metrics.horizontalAdvance(customizeCaption()) + extra, metrics.height() + extra};
}

int TcxGridFilterBox::boxHeight() const
{
    int tallest = 0;
    if (isCloseButtonVisible()) tallest = std::max(tallest, CloseButtonSize.height());
    if (isActivateCheckBoxVisible()) tallest = std::max(tallest, CheckBoxSize.height());
    if (isCustomizeButtonVisible()) tallest = std::max(tallest, customizeButtonSize().height());
    const int controls = tallest == 0 ? 0 : tallest + 8;
    return std::max(QFontMetrics(font()).height() + 6, controls);
}

QRect TcxGridFilterBox::closeButtonRect() const
{
    if (!isCloseButtonVisible()) return {};
    return QRect(QPoint(ControlSpacing, (height() - CloseButtonSize.height()) / 2),
                 CloseButtonSize);
}

QRect TcxGridFilterBox::activateCheckBoxRect() const
{
    if (!isActivateCheckBoxVisible()) return {};
    int left = ControlSpacing;
    if (isCloseButtonVisible()) left += CloseButtonSize.width() + ControlSpacing;
    return QRect(QPoint(left, (height() - CheckBoxSize.height()) / 2), CheckBoxSize);
}

QRect TcxGridFilterBox::customizeButtonRect() const
{
    if (!isCustomizeButtonVisible()) return {};
    const QSize size = customizeButtonSize();
    return QRect(QPoint(width() - ControlSpacing - size.width(), (height() - size.height()) / 2),
                 size);
}

QRect TcxGridFilterBox::textRect() const
{
    int left = ControlSpacing;
    if (isCloseButtonVisible()) left += CloseButtonSize.width() + ControlSpacing;
    if (isActivateCheckBoxVisible()) left += CheckBoxSize.width() + ControlSpacing;
    int right = ControlSpacing;
    if (isCustomizeButtonVisible()) right += customizeButtonSize().width() + ControlSpacing;
    return rect().adjusted(left + TextMargin, 0, -(right + TextMargin), 0);
}

TcxFilterBoxPart TcxGridFilterBox::hitTest(QPoint point) const
{
    if (closeButtonRect().contains(point)) return TcxFilterBoxPart::CloseButton;
    if (activateCheckBoxRect().contains(point)) return TcxFilterBoxPart::ActivateCheckBox;
    if (customizeButtonRect().contains(point)) return TcxFilterBoxPart::CustomizeButton;
    return TcxFilterBoxPart::None;
}

TButtonState TcxGridFilterBox::partState(TcxFilterBoxPart part) const
{
    return part == m_pressedPart && m_pressedOver ? TButtonState::Pressed : TButtonState::Normal;
}

void TcxGridFilterBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), toQColor(clBtnShadow));
    if (const QRect button = closeButtonRect(); !button.isNull())
        TFlatLookAndFeelPainter::drawCloseButton(painter, button,
                                                 partState(TcxFilterBoxPart::CloseButton));
    if (const QRect box = activateCheckBoxRect(); !box.isNull())
        TFlatLookAndFeelPainter::drawCheckBox(
            painter, box, partState(TcxFilterBoxPart::ActivateCheckBox),
            m_filtering.criteria().Active() ? TChecked::Yes : TChecked::No);
    if (const QRect button = customizeButtonRect(); !button.isNull())
        TFlatLookAndFeelPainter::drawPushButton(painter, button,
                                                partState(TcxFilterBoxPart::CustomizeButton),
                                                customizeCaption(), font());
    const QRect area = textRect();
    if (area.width() <= 0) return;
    painter.setFont(font());
    painter.setPen(toQColor(clBtnHighlight));
    painter.setClipRect(area);
    painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text());
}

void TcxGridFilterBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) return;
    m_pressedPart = hitTest(event->position().toPoint());
    m_pressedOver = m_pressedPart != TcxFilterBoxPart::None;
    update();
}

void TcxGridFilterBox::mouseMoveEvent(QMouseEvent *event)
{
    if (m_pressedPart == TcxFilterBoxPart::None) return;
    const bool over = hitTest(event->position().toPoint()) == m_pressedPart;
    if (over == m_pressedOver) return;
    m_pressedOver = over;
    update();
}

void TcxGridFilterBox::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_pressedPart == TcxFilterBoxPart::None) return;
    const TcxFilterBoxPart part = m_pressedPart;
    const bool over = hitTest(event->position().toPoint()) == part;
    m_pressedPart = TcxFilterBoxPart::None;
    m_pressedOver = false;
    update();
    if (!over) return;
    guarded([&] {
        switch (part) {
        case TcxFilterBoxPart::CloseButton: closeButtonClick(); break;
        case TcxFilterBoxPart::ActivateCheckBox: activateCheckBoxClick(); break;
        case TcxFilterBoxPart::CustomizeButton: customizeButtonClick(); break;
        case TcxFilterBoxPart::None: break;
        }
    });
}

void TcxGridFilterBox::closeButtonClick()
{
    m_filtering.criteria().clear();
}

void TcxGridFilterBox::activateCheckBoxClick()
{
    TcxDataFilterCriteria &criteria = m_filtering.criteria();
    criteria.SetActive(!criteria.Active());
}

void TcxGridFilterBox::customizeButtonClick()
{
    m_filtering.runFilterBuilder();
}
