// The tree editor's painting: it reads the rows and the geometry and changes neither.
#include "filterdialogs/cxFilterControl.h"

#include "widgets/FlatLookAndFeelPainter.h"
#include "platformui/GbkQt.h"
#include "platformui/SystemColors.h"

#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>

namespace {

constexpr TColor clGreen = 0x008000;
constexpr TColor clMaroon = 0x000080;

TColor styleColor(TcxFilterControlPieceStyle style)
{
    switch (style) {
    case TcxFilterControlPieceStyle::BoolOperator: return clRed;
    case TcxFilterControlPieceStyle::Column: return clGreen;
    case TcxFilterControlPieceStyle::Operator: return clMaroon;
    case TcxFilterControlPieceStyle::Value: return clBlue;
    case TcxFilterControlPieceStyle::AddCondition: return clGrayText;
    default: return clWindowText;
    }
}

// Every other pixel, so that the lines read as the dotted level lines of a tree. Only the
// points within `area` are drawn: a line can run past thousands of rows off screen.
void dottedLine(QPainter &painter, QPoint from, QPoint to, TColor color, const QRect &area)
{
    painter.setPen(toQColor(color));
    if (from.x() == to.x()) {
        if (from.x() < area.left() || from.x() > area.right()) return;
        const int last = qMin(qMax(from.y(), to.y()), area.bottom());
        for (int y = qMax(qMin(from.y(), to.y()), area.top()); y <= last; ++y)
            if ((y & 1) == 0) painter.drawPoint(from.x(), y);
    } else {
        if (from.y() < area.top() || from.y() > area.bottom()) return;
        const int last = qMin(qMax(from.x(), to.x()), area.right());
        for (int x = qMax(qMin(from.x(), to.x()), area.left()); x <= last; ++x)
            if ((x & 1) == 0) painter.drawPoint(x, from.y());
    }
}

} // namespace

void TcxFilterControl::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    painter.setClipRect(event->rect());
    paintBackground(painter, event->rect());
    painter.translate(-contentOffset());
    const QRect area = event->rect().translated(contentOffset());
    if (m_showLevelLines) paintLevelLines(painter, area);
    const int height = rowHeight();
    const int first = topRow();
    const int last = qMin(m_tree.count(), first + viewport()->height() / height + 1);
    // Pieces well clear of the painted area are left out (a long list runs far off screen);
    // the margin keeps a glyph's overhang past its piece.
    const QRect reach = area.adjusted(-height, -height, height, height);
    for (int row = first; row <= last; ++row)
        for (const TcxFilterControlPiece &piece : rowPieces(row))
            if (piece.rect.intersects(reach)) paintPiece(painter, piece);
    paintFocus(painter);
}

void TcxFilterControl::paintBackground(QPainter &painter, const QRect &area) const
{
    painter.fillRect(area, toQColor(clWindow));
}

void TcxFilterControl::paintLevelLines(QPainter &painter, const QRect &area) const
{
    // Children stand one row height further in, so the line runs half a row height into the
    // parent's button.
    const int half = rowHeight() / 2;
    // The rows come depth first, so a row's parent is on the path of groups down to it.
    std::vector<int> groups{0};
    for (int index = 1; index < m_tree.count(); ++index) {
        const TcxFilterControlRow &row = *m_tree.row(index);
        while (m_tree.row(groups.back()) != row.parent())
            groups.pop_back();
        const int parentIndex = groups.back();
        if (row.isGroup()) groups.push_back(index);
        const QRect parentButton = rowButtonRect(parentIndex);
        if (parentButton.bottom() + 1 > area.bottom()) continue; // wholly below
        const QRect button = rowButtonRect(index);
        const int x = parentButton.left() + half;
        const int y = button.center().y();
        if (y < area.top()) continue;
        // A row's line down from its parent lies within that of its last sibling, which is
        // drawn alone: the siblings of a large group would draw it again thousands of times.
        if (row.parent()->children.back().get() == &row)
            dottedLine(painter, QPoint(x, parentButton.bottom() + 1), QPoint(x, y), clBtnShadow,
                       area);
        dottedLine(painter, QPoint(x, y), QPoint(button.left() - 1, y), clBtnShadow, area);
    }
}

void TcxFilterControl::paintPiece(QPainter &painter, const TcxFilterControlPiece &piece) const
{
    using Style = TcxFilterControlPieceStyle;
    const bool hot = piece.hit.element != TcxFilterControlElement::None && piece.hit == m_hot;
    if (piece.hit == m_editing && isEditing()) return; // the editor stands there
    if (piece.style == Style::RowButton || piece.style == Style::AddValue) {
        TFlatLookAndFeelPainter::drawSmallButton(painter, piece.rect,
                                                 hot ? TButtonState::Hot : TButtonState::Normal);
        painter.setFont(font());
        painter.setPen(toQColor(clBtnText));
        painter.drawText(piece.rect, Qt::AlignCenter | Qt::TextSingleLine, piece.text);
        return;
    }
    QFont font = styleFont(piece.style);
    // The underlined elements show that they react; values and the add text do when hot.
    if (hot) font.setUnderline(true);
    painter.setFont(font);
    painter.setPen(toQColor(styleColor(piece.style)));
    painter.drawText(piece.rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, piece.text);
}

void TcxFilterControl::paintFocus(QPainter &painter) const
{
    if (!hasFocus() || isEditing()) return;
    const QRect rect = contentRectOf(m_focus);
    if (rect.isNull()) return;
    painter.setPen(QPen(toQColor(clWindowText), 1, Qt::DotLine));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect.adjusted(-1, 0, 0, -1));
}
