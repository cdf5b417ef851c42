#include "gridfilter/cxGridFilterPopup.h"

#include "shell/Application.h"
#include "platform/Codec.h"
#include "filterdialogs/fmFilterControlDialog.h"
#include "platformui/GbkQt.h"
#include "grid/cxGrid.h"
#include "grid/cxGridDBTableView.h"
#include "gridfilter/cxGridTableFiltering.h"
#include "grid/cxScrollBar.h"
#include "platformui/SystemColors.h"
#include "criteria/cxDataFilterCriteria.h"
#include "filterdialogs/cxFilterDialog.h"

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// The entries' text starts this far from the left edge.
constexpr int TextIndent = 2;
// Added to the widest text when the list sizes itself.
constexpr int WidthExtra = 4;

int textHeight(const QFont &font, const QString &text)
{
    // The line's height, as the grid measures its rows, not the glyphs' tight box.
    return QFontMetrics(font).boundingRect(QRect(), Qt::TextSingleLine, text).height();
}

// Restores the cursor on every way out, failures included.
class TWaitCursor
{
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor &) = delete;
    TWaitCursor &operator=(const TWaitCursor &) = delete;
};

} // namespace

// What the widest entry needs to know of one font without shaping every entry: the advance of
// each GBK character met so far, and whether it is a full-width CJK character (Han, CJK
// punctuation, full-width forms). Those take no kerning or joining with their neighbours, so
// a text of them alone is exactly as wide as its characters' advances added up (in the font
// engine's 1/64 pixel units), rounded; only a pair of two other characters can kern. A text
// with such pairs is measured whole when its advances plus the most its pairs could add say
// it might be the widest.
class TcxGridFilterPopup::TAdvanceTable
{
public:
    explicit TAdvanceTable(const QFont &font) : m_font(font), m_metrics(font) {}
    const QFont &font() const { return m_font; }

    struct TText
    {
        double advance = 0; // the characters' advances added up
        int otherPairs = 0; // neighbours that are both not full-width CJK
    };
    TText measure(std::string_view gbkText)
    {
        TText text;
        bool previousOther = false;
        for (std::size_t i = 0; i < gbkText.size();) {
            const auto lead = static_cast<unsigned char>(gbkText[i]);
            const std::size_t length =
                gbk::isLeadByte(lead) && i + 1 < gbkText.size() ? 2 : 1;
            const unsigned key =
                length == 2 ? (lead << 8) | static_cast<unsigned char>(gbkText[i + 1]) : lead;
            TUnit &unit = m_units[key];
            if (unit.kind == TKind::Unknown) learn(unit, gbkText.substr(i, length));
            text.advance += unit.advance;
            const bool other = unit.kind != TKind::Wide;
            if (other && i > 0 && previousOther) ++text.otherPairs;
            previousOther = other;
            i += length;
        }
        return text;
    }

private:
    enum class TKind : std::uint8_t { Unknown, Wide, Other };
    struct TUnit
    {
        float advance = 0; // multiples of 1/64 pixel, exact in a float
        TKind kind = TKind::Unknown;
    };
    void learn(TUnit &unit, std::string_view bytes)
    {
        const QString text = toQString(bytes);
        unit.advance = static_cast<float>(m_metrics.horizontalAdvance(text));
        const char16_t code = text.size() == 1 ? text.at(0).unicode() : 0;
        const bool wide = text.size() == 1 &&
                          (text.at(0).script() == QChar::Script_Han ||
                           (code >= 0x3000 && code <= 0x303F) || (code >= 0xFF00 && code <= 0xFFEF));
        unit.kind = wide ? TKind::Wide : TKind::Other;
    }

    QFont m_font;
    QFontMetricsF m_metrics;
    std::vector<TUnit> m_units = std::vector<TUnit>(1 << 16);
};

int TcxGridFilterPopup::widestTextWidth(const QFont &font,
                                        const std::vector<TcxFilterValueItem> &items,
                                        std::shared_ptr<TAdvanceTable> &advances)
{
    if (!advances || advances->font() != font) advances = std::make_shared<TAdvanceTable>(font);
    const QFontMetrics metrics(font);
    auto exact = [&](const TcxFilterValueItem &item) {
        return metrics.horizontalAdvance(toQString(item.displayText));
    };
    // Kerning moves a pair of letters by a fraction of the font's height; half the height per
    // character that may kern bounds what a text can gain over its advances.
    const double slackPerPair = metrics.height() / 2.0;
    struct TCandidate
    {
        double bound; // no wider than this
        std::size_t index;
    };
    std::vector<TCandidate> others;
    int widest = 0;
    std::size_t widestPlain = items.size();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TAdvanceTable::TText text = advances->measure(items[i].displayText);
        if (text.otherPairs == 0) {
            const int width = static_cast<int>(std::floor(text.advance + 0.5));
            if (widestPlain == items.size() || width > widest) {
                widest = width;
                widestPlain = i;
            }
        } else {
            others.push_back({text.advance + slackPerPair * text.otherPairs + 1, i});
        }
    }
    // The sum stands for the measure only if the font agrees on the widest text without pairs;
    // should it not, every text is measured.
    if (widestPlain < items.size() && exact(items[widestPlain]) != widest) {
        widest = 0;
        for (const TcxFilterValueItem &item : items)
            widest = std::max(widest, exact(item));
        return widest;
    }
    std::sort(others.begin(), others.end(),
              [](const TCandidate &a, const TCandidate &b) { return a.bound > b.bound; });
    for (const TCandidate &candidate : others) {
        if (candidate.bound < widest) break;
        widest = std::max(widest, exact(items[candidate.index]));
    }
    return widest;
}

// The owner-drawn list: it holds the keyboard focus while the drop-down is open.
class TcxGridFilterPopup::TListBox : public QWidget
{
public:
    explicit TListBox(TcxGridFilterPopup &popup) : QWidget(&popup), m_popup(popup)
    {
        setObjectName(QStringLiteral("ListBox"));
        setFocusPolicy(Qt::StrongFocus);
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        m_popup.paintList(painter);
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        const int index = m_popup.itemAt(event->position().toPoint());
        if (index >= 0) m_popup.setItemIndex(index);
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() != Qt::LeftButton) return;
        const int index = m_popup.itemAt(event->position().toPoint());
        if (index >= 0) guarded([&] { m_popup.select(index); });
    }
    void wheelEvent(QWheelEvent *event) override
    {
        const int steps = event->angleDelta().y() / 120;
        if (steps != 0) m_popup.setTopIndex(m_popup.topIndex() - steps * 3);
    }
    void keyPressEvent(QKeyEvent *event) override { m_popup.listKeyPress(event->key()); }

private:
    TcxGridFilterPopup &m_popup;
};

TcxGridFilterPopup::TcxGridFilterPopup(TcxGridTableFiltering &filtering)
    : m_filtering(filtering), m_valueList(filtering.criteria())
{
    setObjectName(QStringLiteral("FilterPopup"));
    setWindowFlags(Qt::Popup | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    m_listBox = new TListBox(*this);
    m_scrollBar = new TcxScrollBar(TScrollBarKind::sbVertical, this);
    m_scrollBar->hide();
    m_scrollBar->setFocusPolicy(Qt::NoFocus);
    m_scrollBar->onScroll = [this](TScrollCode, int position) {
        setTopIndex(position);
        return m_topIndex;
    };
}

TcxGridFilterPopup::~TcxGridFilterPopup() = default;

QString TcxGridFilterPopup::entryText(int index) const
{
    if (index < 0 || index >= entryCount()) return {};
    return toQString(m_valueList.Items(index).displayText);
}

QStringList TcxGridFilterPopup::entries() const
{
    QStringList texts;
    texts.reserve(entryCount());
    for (int index = 0; index < entryCount(); ++index)
        texts.push_back(entryText(index));
    return texts;
}

bool TcxGridFilterPopup::hasScrollBar() const
{
    return entryCount() > m_visibleRows;
}

void TcxGridFilterPopup::open(int column)
{
    TWaitCursor waitCursor;
    m_column = column;
    fill();
    place();
    m_listBox->setFocus(Qt::PopupFocusReason);
    show();
    raise();
    activateWindow();
    m_listBox->setFocus(Qt::PopupFocusReason);
}

void TcxGridFilterPopup::fill()
{
    TcxGridDBTableView &view = m_filtering.view();
    m_valueList.Load(view.DataController(), m_column);

    const QFont listFont = m_filtering.grid().font();
    setFont(listFont);
    m_listBox->setFont(listFont);
    m_itemHeight = std::max(1, textHeight(listFont, QStringLiteral("Qq")));
    const int count = entryCount();
    const int limit = m_filtering.MaxDropDownCount();
    m_visibleRows = limit != 0 && count >= limit ? limit : count;
    m_topIndex = 0;
    m_itemIndex = -1;
    setItemIndex(currentFilterIndex());
}

void TcxGridFilterPopup::place()
{
    TcxGrid &grid = m_filtering.grid();
    TcxGridDBTableView &view = m_filtering.view();

    int listWidth = m_filtering.DropDownWidth();
    if (listWidth == 0) listWidth = widestTextWidth(font(), m_valueList.items(), m_advances) + WidthExtra;
    const int scrollWidth = hasScrollBar() ? systemMetric(TSystemMetric::VScrollWidth) : 0;
    listWidth += scrollWidth;
    const QRect header = view.headerRect(m_column);
    if (2 * FrameWidth + listWidth < header.width()) listWidth = header.width() - 2 * FrameWidth;
    const int listHeight = m_visibleRows * m_itemHeight;
    const QSize size(listWidth + 2 * FrameWidth, listHeight + 2 * FrameWidth);

    m_listBox->setGeometry(FrameWidth, FrameWidth, listWidth - scrollWidth, listHeight);
    if (scrollWidth > 0) {
        m_scrollBar->setGeometry(FrameWidth + listWidth - scrollWidth, FrameWidth, scrollWidth,
                                 listHeight);
        m_scrollBar->SetScrollParams(0, entryCount() - 1, m_topIndex,
                                     m_visibleRows);
        m_scrollBar->show();
    } else {
        m_scrollBar->hide();
    }

    // Horizontally the column's header cell, vertically its filter button.
    const QRect button = view.filterButtonRect(m_column);
    const QPoint topLeft = grid.mapToGlobal(QPoint(header.left(), button.top()));
    const QRect owner(topLeft, QSize(header.width(), button.height()));
    QScreen *screen = grid.screen() ? grid.screen() : QGuiApplication::primaryScreen();
    const QRect screenRect = screen ? screen->geometry() : QRect(owner.topLeft(), size);
    const QRect workArea = screen ? screen->availableGeometry() : screenRect;
    QRect bounds(QPoint(owner.right() + 1 - size.width(), owner.bottom() + 1), size);
    const int roomBelow = screenRect.bottom() - owner.bottom();
    const int roomAbove = owner.top() - screenRect.top();
    if (bounds.bottom() > screenRect.bottom() && roomAbove > roomBelow)
        bounds.moveBottom(owner.top() - 1);
    bounds.moveLeft(
        std::max(workArea.left(), std::min(bounds.left(), workArea.right() + 1 - bounds.width())));
    bounds.moveTop(
        std::max(workArea.top(), std::min(bounds.top(), workArea.bottom() + 1 - bounds.height())));
    setGeometry(bounds);
}

int TcxGridFilterPopup::currentFilterIndex() const
{
    const TcxDataFilterCriteria &criteria = m_filtering.criteria();
    const TcxFilterCriteriaItem *condition = criteria.findCondition(m_column);
    if (!condition) return -1;
    const TcxFilterOperatorKind kind = condition->operatorKind();
    const TVariant &value = condition->value();
    if (value.isNull() && kind == TcxFilterOperatorKind::Equal)
        return m_valueList.findKind(TcxFilterValueItemKind::fviBlanks);
    if (value.isNull() && kind == TcxFilterOperatorKind::NotEqual)
        return m_valueList.findKind(TcxFilterValueItemKind::fviNonBlanks);
    if (kind == TcxFilterOperatorKind::Equal && condition->parent() == &criteria.root()) {
        const int index = value.isText() ? m_valueList.findValue(value.asText()) : -1;
        return index >= 0 ? index : m_valueList.findKind(TcxFilterValueItemKind::fviAll);
    }
    return m_valueList.findKind(TcxFilterValueItemKind::fviCustom);
}

void TcxGridFilterPopup::setItemIndex(int index)
{
    const int count = entryCount();
    if (index < -1 || index >= count) index = -1;
    if (index == m_itemIndex) return;
    m_itemIndex = index;
    // The highlighted entry stays in sight.
    if (index >= 0 && m_visibleRows > 0) {
        if (index < m_topIndex)
            setTopIndex(index);
        else if (index >= m_topIndex + m_visibleRows)
            setTopIndex(index - m_visibleRows + 1);
    }
    m_listBox->update();
}

void TcxGridFilterPopup::setTopIndex(int index)
{
    const int maxTop = std::max(0, entryCount() - m_visibleRows);
    index = std::clamp(index, 0, maxTop);
    if (index == m_topIndex) return;
    m_topIndex = index;
    if (m_scrollBar->isVisible() || hasScrollBar()) m_scrollBar->SetPosition(m_topIndex);
    m_listBox->update();
}

QRect TcxGridFilterPopup::itemRect(int index) const
{
    const int row = index - m_topIndex;
    if (index < 0 || row < 0 || row >= m_visibleRows) return {};
    return QRect(0, row * m_itemHeight, m_listBox->width(), m_itemHeight);
}

int TcxGridFilterPopup::itemAt(QPoint point) const
{
    if (!m_listBox->rect().contains(point) || m_itemHeight <= 0) return -1;
    const int index = m_topIndex + point.y() / m_itemHeight;
    return index < entryCount() ? index : -1;
}

void TcxGridFilterPopup::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(toQColor(clWindowFrame));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TcxGridFilterPopup::paintList(QPainter &painter) const
{
    painter.fillRect(m_listBox->rect(), toQColor(clWindow));
    painter.setFont(font());
    for (int row = 0; row < m_visibleRows; ++row) {
        const int index = m_topIndex + row;
        if (index >= entryCount()) break;
        const QRect rowRect = itemRect(index);
        const bool highlighted = index == m_itemIndex;
        painter.fillRect(rowRect, toQColor(highlighted ? clHighlight : clWindow));
        painter.setPen(toQColor(highlighted ? clHighlightText : clWindowText));
        painter.drawText(rowRect.adjusted(TextIndent, 0, 0, 0),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, entryText(index));
        if (highlighted) {
            // The focus rectangle: every other pixel of the row's edge, inverted.
            painter.save();
            painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter.setPen(QPen(Qt::white, 1, Qt::DotLine));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(rowRect.adjusted(0, 0, -1, -1));
            painter.restore();
        }
    }
}

void TcxGridFilterPopup::listKeyPress(int key)
{
    const int count = entryCount();
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: guarded([&] { select(m_itemIndex); }); break;
    case Qt::Key_Escape: closeUp(); break;
    case Qt::Key_Up: setItemIndex(std::max(0, m_itemIndex - 1)); break;
    case Qt::Key_Down: setItemIndex(std::min(count - 1, m_itemIndex + 1)); break;
    case Qt::Key_PageUp: setItemIndex(std::max(0, m_itemIndex - std::max(1, m_visibleRows))); break;
    case Qt::Key_PageDown:
        setItemIndex(std::min(count - 1, m_itemIndex + std::max(1, m_visibleRows)));
        break;
    case Qt::Key_Home: setItemIndex(count > 0 ? 0 : -1); break;
    case Qt::Key_End: setItemIndex(count - 1); break;
    default: break;
    }
}

void TcxGridFilterPopup::closeUp()
{
    hide();
}

void TcxGridFilterPopup::setVisible(bool visible)
{
    if (visible || isHidden()) {
        TForm::setVisible(visible);
        return;
    }
    // The toolkit gives the focus back to the main window while it closes a pop-up, before
    // the pop-up's window leaves the screen; the main window's activation would then show its
    // message with the drop-down still standing below it. So that focus change goes unheard
    // while the drop-down hides (every way it closes comes here), and the activation follows
    // once its window is unmapped.
    {
        const QSignalBlocker quiet(qApp);
        TForm::setVisible(false);
    }
    if (QWidget *focus = Application ? QApplication::focusWidget() : nullptr) {
        if (auto *form = qobject_cast<TForm *>(focus->window()))
            guarded([&] { Application->Screen().focusEntered(form); });
    }
}

void TcxGridFilterPopup::hideEvent(QHideEvent *event)
{
    TForm::hideEvent(event);
    m_valueList.Clear();
    m_itemIndex = -1;
    m_topIndex = 0;
    m_filtering.grid().filterDropDownClosed();
}

void TcxGridFilterPopup::select(int index)
{
    // The list is emptied as the drop-down hides.
    const bool valid = index >= 0 && index < m_valueList.Count();
    const TcxFilterValueItem entry = valid ? m_valueList.Items(index) : TcxFilterValueItem{};
    closeUp();
    if (!valid) return;
    applyEntry(entry);
}

void TcxGridFilterPopup::applyEntry(const TcxFilterValueItem &entry)
{
    TcxDataFilterCriteria &criteria = m_filtering.criteria();
    // One change for the whole entry, so that the list is filtered once; a dialog runs inside.
    TUpdateLock lock(criteria);
    criteria.SetActive(true);
    const auto addToFilter = [&](TcxFilterOperatorKind kind, TVariant value, std::string text) {
        if (text.empty() && value.isText()) text = value.asText();
        criteria.removeConditions(m_column);
        criteria.addCondition(nullptr, m_column, kind, std::move(value), std::move(text));
    };
    switch (entry.kind) {
    case TcxFilterValueItemKind::fviAll: criteria.removeConditions(m_column); break;
    case TcxFilterValueItemKind::fviCustom:
        if (fitsCustomFilterDialog(criteria))
            executeCustomFilterDialog(criteria, filterDialogColumn(*m_filtering.view().Columns(m_column)),
                                m_filtering.grid().window());
        else
            m_filtering.runFilterBuilder();
        break;
    case TcxFilterValueItemKind::fviBlanks:
        addToFilter(TcxFilterOperatorKind::Equal, TVariant(),
                    gbk::fromUtf8("空").value_or(std::string()));
        break;
    case TcxFilterValueItemKind::fviNonBlanks:
        addToFilter(TcxFilterOperatorKind::NotEqual, TVariant(),
                    gbk::fromUtf8("空").value_or(std::string()));
        break;
    case TcxFilterValueItemKind::fviUser: break;
    case TcxFilterValueItemKind::fviValue:
        addToFilter(TcxFilterOperatorKind::Equal, TVariant(entry.value.value_or(std::string())),
                    entry.displayText);
        break;
    }
}
