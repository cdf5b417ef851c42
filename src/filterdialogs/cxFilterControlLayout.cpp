// The tree editor's geometry: where every piece of a row stands, and which element a point
#include "filterdialogs/OperatorText.h"
// is on. Painting and input both work from here.
#include "filterdialogs/cxFilterControl.h"

#include "platformui/GbkQt.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QScrollBar>

namespace {

constexpr int ButtonIndent = 4;
constexpr int Gap = 8;
constexpr int HotValueZeros = 12;

const QString &addConditionText()
{
    static const QString text = QStringLiteral("按此按钮增加新条件");
    return text;
}

QString boolOperatorText(TcxFilterBoolOperatorKind kind)
{
    return catalogueText(filteroperators::BooleanWords[static_cast<std::size_t>(kind) & 3]);
}

} // namespace

int TcxFilterControl::rowHeight() const
{
    if (m_rowHeight > 0) return m_rowHeight;
    int height = QFontMetrics(font()).height();
    for (const QFont &each : m_fonts)
        height = qMax(height, QFontMetrics(each).height());
    m_rowHeight = height;
    return height;
}

int TcxFilterControl::textWidth(int fontIndex, const QString &text) const
{
    QHash<QString, int> &widths = m_widths[fontIndex];
    if (const auto found = widths.constFind(text); found != widths.cend()) return *found;
    // Bounded, so that a list of many different values does not keep them all.
    constexpr qsizetype MaxRemembered = 4096;
    if (widths.size() >= MaxRemembered) widths.clear();
    const int width = QFontMetrics(fontIndex < 4 ? m_fonts[fontIndex] : font()).horizontalAdvance(text);
    widths.insert(text, width);
    return width;
}

int TcxFilterControl::topRow() const
{
    return verticalScrollBar()->value();
}

QPoint TcxFilterControl::contentOffset() const
{
    return QPoint(horizontalScrollBar()->value(), topRow() * rowHeight());
}

const QFont &TcxFilterControl::styleFont(TcxFilterControlPieceStyle style) const
{
    switch (style) {
    case TcxFilterControlPieceStyle::BoolOperator: return m_fonts[0];
    case TcxFilterControlPieceStyle::Column: return m_fonts[1];
    case TcxFilterControlPieceStyle::Operator: return m_fonts[2];
    case TcxFilterControlPieceStyle::Value: return m_fonts[3];
    default: return font();
    }
}

namespace {

int styleFontIndex(TcxFilterControlPieceStyle style)
{
    switch (style) {
    case TcxFilterControlPieceStyle::BoolOperator: return 0;
    case TcxFilterControlPieceStyle::Column: return 1;
    case TcxFilterControlPieceStyle::Operator: return 2;
    case TcxFilterControlPieceStyle::Value: return 3;
    default: return 4;
    }
}

} // namespace

QString TcxFilterControl::rowButtonText(int row) const
{
    return row == 0 ? QStringLiteral("过滤") : QStringLiteral("...");
}

QString TcxFilterControl::valueText(const TcxFilterControlRow &row, int index) const
{
    const TcxFilterValueSlot &slot = row.values.at(index);
    return slot.value.isNull() ? m_nullString : toQString(slot.text);
}

int TcxFilterControl::valueWidth(const TcxFilterControlHit &hit, const QString &text) const
{
    const int zero = textWidth(3, QStringLiteral("0"));
    // An empty text keeps a little width, so that it can still be clicked.
    int width = text.isEmpty() ? 2 * zero : textWidth(3, text);
    if (hit == m_editing) width += 4;
    // A value grows while it is hot or edited, so that a short one is easy to hit and type in.
    if (hit == m_hot || hit == m_editing) width = qMax(width, HotValueZeros * zero);
    return width;
}

QRect TcxFilterControl::rowButtonRect(int rowIndex) const
{
    const int height = rowHeight();
    const int x = m_tree.row(rowIndex)->depth() * height + ButtonIndent;
    const QString button = rowButtonText(rowIndex);
    const int zero = textWidth(4, QStringLiteral("0"));
    // The button is as wide as its text's bytes in zeros, as a double-byte character counts twice.
    const auto bytes = toGbk(button);
    const int buttonWidth = zero * static_cast<int>(bytes ? bytes->size() : button.size());
    return QRect(x, rowIndex * height, buttonWidth, height);
}

std::vector<TcxFilterControlPiece> TcxFilterControl::rowPieces(int rowIndex) const
{
    using Style = TcxFilterControlPieceStyle;
    using Element = TcxFilterControlElement;
    std::vector<TcxFilterControlPiece> pieces;
    const int height = rowHeight();
    const int top = rowIndex * height;
    auto text = [&](Style style, const QString &caption, int x, Element element,
                    int valueIndex = -1) {
        const int width = element == Element::Value
                              ? valueWidth({rowIndex, element, valueIndex}, caption)
                              : textWidth(styleFontIndex(style), caption);
        pieces.push_back({{element == Element::None ? -1 : rowIndex, element, valueIndex},
                          style,
                          QRect(x, top, width, height),
                          caption});
        return x + width;
    };
    if (rowIndex == m_tree.count()) {
        text(Style::AddCondition, addConditionText(), ButtonIndent, Element::AddCondition);
        return pieces;
    }
    if (rowIndex < 0 || rowIndex > m_tree.count()) return pieces;
    const TcxFilterControlRow &row = *m_tree.row(rowIndex);
    const QRect buttonRect = rowButtonRect(rowIndex);
    pieces.push_back(
        {{rowIndex, Element::RowButton, -1}, Style::RowButton, buttonRect, rowButtonText(rowIndex)});
    int x = buttonRect.right() + 1 + Gap;
    if (row.isGroup()) {
        x = text(Style::BoolOperator, boolOperatorText(row.boolOperator), x, Element::BoolOperator);
        text(Style::Plain,
             rowIndex == 0 ? QStringLiteral("<根>") : QStringLiteral("使用下面的条件"), x + Gap,
             Element::None);
        return pieces;
    }
    const QString caption = row.column >= 0 && row.column < static_cast<int>(m_columns.size())
                                ? m_columns[row.column].caption
                                : QString();
    x = text(Style::Column, caption, x, Element::Column) + Gap;
    x = text(Style::Operator, operatorText(row.op), x, Element::Operator);
    const TcxFilterValueArity arity = valueArity(row.op);
    if (arity == TcxFilterValueArity::None || row.values.empty()) return pieces;
    x += Gap;
    auto value = [&](int index) {
        const TcxFilterControlHit hit{rowIndex, Element::Value, index};
        const QString shown =
            hit == m_editing && m_editor ? m_editor->text() : valueText(row, index);
        return text(Style::Value, shown, x, Element::Value, index);
    };
    switch (arity) {
    case TcxFilterValueArity::Two:
        x = value(0);
        x = text(Style::Plain, QLatin1Char(' ') + catalogueText(filteroperators::AndWord) + QLatin1Char(' '), x, Element::None);
        if (row.values.size() > 1) value(1);
        break;
    case TcxFilterValueArity::List: {
        x = text(Style::Plain, QStringLiteral("("), x, Element::None);
        for (int index = 0; index < static_cast<int>(row.values.size()); ++index) {
            if (index > 0) x = text(Style::Plain, QStringLiteral(", "), x, Element::None);
            x = value(index);
        }
        x = text(Style::Plain, QStringLiteral(")"), x, Element::None) + Gap / 2;
        pieces.push_back({{rowIndex, Element::AddValue, -1},
                          Style::AddValue,
                          QRect(x, top + 1, height - 2, height - 2),
                          QStringLiteral("+")});
        break;
    }
    default: value(0); break;
    }
    return pieces;
}

std::vector<TcxFilterControlHit> TcxFilterControl::rowElements(int row) const
{
    std::vector<TcxFilterControlHit> elements;
    for (const TcxFilterControlPiece &piece : rowPieces(row))
        if (piece.hit.element != TcxFilterControlElement::None) elements.push_back(piece.hit);
    return elements;
}

QRect TcxFilterControl::contentRectOf(const TcxFilterControlHit &hit) const
{
    for (const TcxFilterControlPiece &piece : rowPieces(hit.row))
        if (piece.hit == hit) return piece.rect;
    return {};
}

QRect TcxFilterControl::elementRect(const TcxFilterControlHit &hit) const
{
    const QRect rect = contentRectOf(hit);
    return rect.isNull() ? rect : rect.translated(-contentOffset());
}

TcxFilterControlHit TcxFilterControl::hitTest(QPoint viewportPoint) const
{
    const QPoint point = viewportPoint + contentOffset();
    if (point.y() < 0) return {};
    const int row = point.y() / rowHeight();
    for (const TcxFilterControlPiece &piece : rowPieces(row))
        if (piece.hit.element != TcxFilterControlElement::None && piece.rect.contains(point))
            return piece.hit;
    return {};
}

int TcxFilterControl::contentWidth() const
{
    int width = 0;
    for (int row = 0; row <= m_tree.count(); ++row)
        for (const TcxFilterControlPiece &piece : rowPieces(row))
            width = qMax(width, piece.rect.right() + 1);
    return width + ButtonIndent;
}
