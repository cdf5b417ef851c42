#include "filterdialogs/cxFilterControl.h"
#include "filterdialogs/OperatorText.h"

#include "shell/Application.h"
#include "platform/Exception.h"
#include "filterdialogs/cxFilterControlDropDown.h"
#include "platformui/GbkQt.h"
#include "platformui/SystemColors.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>

namespace {

constexpr int HorizontalStep = 8;

bool isCondition(const TcxFilterControlTree &tree, int row)
{
    return row >= 0 && row < tree.count() && !tree.row(row)->isGroup();
}

} // namespace

TcxFilterControl::TcxFilterControl(QWidget *owner)
    : QAbstractScrollArea(owner), m_nullString(QStringLiteral("<空>"))
{
    setFocusPolicy(Qt::StrongFocus);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, toQColor(clBtnShadow));
    setPalette(colours);
    viewport()->setMouseTracking(true);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(HorizontalStep);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    m_rowMenu = new QMenu(this);
    m_dropDown = new TcxFilterControlDropDown(this);
    m_editor = new QLineEdit(viewport());
    m_editor->setFrame(false);
    m_editor->hide();
    m_editor->installEventFilter(this);
    connect(m_editor, &QLineEdit::textEdited, this, [this] {
        applyWildcardRule();
        placeEditor();
    });
    updateFonts();
}

TcxFilterControl::~TcxFilterControl() = default;

void TcxFilterControl::setColumns(std::vector<TcxFilterControlColumn> columns)
{
    cancelEdit();
    m_columns = std::move(columns);
    std::vector<TcxFilterControlColumnInfo> infos;
    for (const TcxFilterControlColumn &column : m_columns)
        infos.push_back({column.id, column.textType});
    m_tree.setColumns(std::move(infos));
    m_focus = {0, TcxFilterControlElement::BoolOperator, -1};
    rowsChanged();
}

void TcxFilterControl::setLinkedCriteria(TcxFilterCriteria *criteria)
{
    m_linked = criteria;
    if (m_linked) loadFromLinked();
}

void TcxFilterControl::rebuildRows()
{
    try {
        m_tree.load(m_criteria);
    } catch (...) {
        rowsChanged();
        throw;
    }
    rowsChanged();
}

void TcxFilterControl::loadFromLinked()
{
    if (!m_linked) return;
    cancelEdit();
    m_criteria.assign(*m_linked);
    rebuildRows();
}

void TcxFilterControl::buildCriteria()
{
    acceptEdit();
    m_tree.build(m_criteria);
}

void TcxFilterControl::applyFilter()
{
    buildCriteria();
    if (!m_linked) return;
    {
        // One change for the copy and the switch, so the list is filtered once.
        TUpdateLock lock(*m_linked);
        m_linked->assign(m_criteria);
        if (OnApplyFilter) OnApplyFilter();
    }
    loadFromLinked();
}

void TcxFilterControl::loadFromStream(std::string_view bytes)
{
    cancelEdit();
    m_tree.clear();
    m_criteria.clear();
    try {
        m_criteria.readFromStream(bytes);
    } catch (...) {
        // The tree shows what the own criteria holds, up to the damage.
        try {
            m_tree.load(m_criteria);
        } catch (const Exception &) {}
        rowsChanged();
        throw;
    }
    rebuildRows();
}

std::string TcxFilterControl::saveToStream()
{
    buildCriteria();
    return m_criteria.writeToStream();
}

void TcxFilterControl::updateFonts()
{
    for (QHash<QString, int> &widths : m_widths)
        widths.clear();
    m_rowHeight = 0;
    const QFont base = font();
    for (QFont &each : m_fonts) {
        each = QFont(base.family());
        each.setPixelSize(base.pixelSize() > 0 ? base.pixelSize() : QFontInfo(base).pixelSize());
    }
    for (int index = 0; index < 3; ++index)
        m_fonts[index].setUnderline(true);
    m_editor->setFont(valueFont());
    QPalette colours = m_editor->palette();
    colours.setColor(QPalette::Text, toQColor(clBlue));
    m_editor->setPalette(colours);
    rowsChanged();
}

void TcxFilterControl::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::FontChange) updateFonts();
    QAbstractScrollArea::changeEvent(event);
}

// State changes.

void TcxFilterControl::rowsChanged()
{
    validateFocus();
    if (m_hot.row > m_tree.count()) m_hot = {};
    updateScrollBars();
    viewport()->update();
}

TcxFilterControlHit TcxFilterControl::firstElementOf(int row) const
{
    if (row >= m_tree.count()) return {m_tree.count(), TcxFilterControlElement::AddCondition, -1};
    return {row,
            m_tree.row(row)->isGroup() ? TcxFilterControlElement::BoolOperator
                                       : TcxFilterControlElement::Column,
            -1};
}

void TcxFilterControl::validateFocus()
{
    const auto elements = rowElements(m_focus.row);
    for (const TcxFilterControlHit &hit : elements)
        if (hit == m_focus) return;
    m_focus = firstElementOf(qBound(0, m_focus.row, m_tree.count()));
}

void TcxFilterControl::setFocusedElement(const TcxFilterControlHit &hit)
{
    if (hit == m_focus) return;
    m_focus = hit;
    validateFocus();
    makeFocusedVisible();
    viewport()->update();
}

void TcxFilterControl::setHot(const TcxFilterControlHit &hit)
{
    const TcxFilterControlHit hot =
        hasFocus() || m_hotTrackOnUnfocused ? hit : TcxFilterControlHit();
    viewport()->setCursor(hot.element == TcxFilterControlElement::None ? Qt::ArrowCursor
                                                                       : Qt::PointingHandCursor);
    if (hot == m_hot) return;
    m_hot = hot;
    // A hot value widens and moves what follows it, the editor included.
    placeEditor();
    viewport()->update();
}

void TcxFilterControl::updateScrollBars()
{
    const int height = rowHeight();
    const int visible = qMax(1, viewport()->height() / height);
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setRange(0, qMax(0, m_tree.count() + 1 - visible));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setRange(0, qMax(0, contentWidth() - viewport()->width()));
}

void TcxFilterControl::makeFocusedVisible()
{
    const int visible = qMax(1, viewport()->height() / rowHeight());
    if (m_focus.row < topRow())
        verticalScrollBar()->setValue(m_focus.row);
    else if (m_focus.row >= topRow() + visible)
        verticalScrollBar()->setValue(m_focus.row - visible + 1);
    const QRect rect = contentRectOf(m_focus);
    QScrollBar *bar = horizontalScrollBar();
    if (rect.right() >= bar->value() + viewport()->width())
        bar->setValue(rect.right() - viewport()->width() + HorizontalStep);
    if (rect.left() < bar->value()) bar->setValue(rect.left() - HorizontalStep / 2);
}

void TcxFilterControl::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    placeEditor();
}

void TcxFilterControl::scrollContentsBy(int, int)
{
    placeEditor();
    viewport()->update();
}

void TcxFilterControl::focusInEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TcxFilterControl::focusOutEvent(QFocusEvent *event)
{
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

// Actions.

void TcxFilterControl::activate(const TcxFilterControlHit &hit)
{
    using Element = TcxFilterControlElement;
    switch (hit.element) {
    case Element::RowButton: showRowMenu(hit.row); break;
    case Element::BoolOperator: showBoolOperators(hit.row); break;
    case Element::Column: showColumns(hit.row); break;
    case Element::Operator: showOperators(hit.row); break;
    case Element::Value: openEditor(hit, QString()); break;
    case Element::AddValue: {
        TcxFilterControlRow &row = *m_tree.row(hit.row);
        m_tree.addValue(row);
        rowsChanged();
        setFocusedElement({hit.row, Element::Value, static_cast<int>(row.values.size()) - 1});
        break;
    }
    case Element::AddCondition: addConditionTo(m_tree.count() - 1); break;
    case Element::None: break;
    }
}

void TcxFilterControl::addConditionTo(int row)
{
    TcxFilterControlRow *added =
        m_tree.addCondition(*m_tree.row(qBound(0, row, m_tree.count() - 1)));
    rowsChanged();
    setFocusedElement({m_tree.indexOf(added), TcxFilterControlElement::Column, -1});
}

void TcxFilterControl::addGroupTo(int row)
{
    TcxFilterControlRow *added = m_tree.addGroup(*m_tree.row(qBound(0, row, m_tree.count() - 1)));
    rowsChanged();
    setFocusedElement({m_tree.indexOf(added), TcxFilterControlElement::Column, -1});
}

void TcxFilterControl::deleteRowAt(int row)
{
    if (row <= 0 || row >= m_tree.count()) return;
    const TcxFilterControlRow *previous = m_tree.deleteRow(*m_tree.row(row));
    rowsChanged();
    setFocusedElement(firstElementOf(m_tree.indexOf(previous)));
}

void TcxFilterControl::clearAll()
{
    m_tree.clear();
    m_criteria.clear();
    rowsChanged();
    setFocusedElement({0, TcxFilterControlElement::BoolOperator, -1});
}

void TcxFilterControl::showRowMenu(int row)
{
    m_rowMenu->clear();
    m_rowMenu->setFont(font());
    m_rowMenu->addAction(QStringLiteral("添加条件(&C)"), this,
                         [this, row] { guarded([&] { addConditionTo(row); }); });
    m_rowMenu->addAction(QStringLiteral("添加组(&G)"), this,
                         [this, row] { guarded([&] { addGroupTo(row); }); });
    if (row != 0) {
        m_rowMenu->addSeparator();
        m_rowMenu->addAction(QStringLiteral("删除行(&R)"), this,
                             [this, row] { guarded([&] { deleteRowAt(row); }); });
    } else if (!m_tree.root().children.empty()) {
        m_rowMenu->addSeparator();
        m_rowMenu->addAction(QStringLiteral("清除(&A)"), this,
                             [this] { guarded([&] { clearAll(); }); });
    }
    const QRect button = elementRect({row, TcxFilterControlElement::RowButton, -1});
    m_rowMenu->popup(viewport()->mapToGlobal(button.bottomLeft() + QPoint(0, 1)));
}

void TcxFilterControl::showBoolOperators(int row)
{
    const QStringList words = booleanWordTexts();
    const QRect anchor = elementRect({row, TcxFilterControlElement::BoolOperator, -1});
    m_dropDown->setFont(font());
    m_dropDown->popup(
        words, static_cast<int>(m_tree.row(row)->boolOperator),
        QRect(viewport()->mapToGlobal(anchor.topLeft()), anchor.size()), [this, row](int chosen) {
            m_tree.row(row)->boolOperator = static_cast<TcxFilterBoolOperatorKind>(chosen);
            rowsChanged();
            setFocus();
        });
}

void TcxFilterControl::showColumns(int row)
{
    QStringList captions;
    for (const TcxFilterControlColumn &column : m_columns)
        captions << column.caption;
    const QRect anchor = elementRect({row, TcxFilterControlElement::Column, -1});
    m_dropDown->setFont(font());
    m_dropDown->popup(captions, m_tree.row(row)->column,
                      QRect(viewport()->mapToGlobal(anchor.topLeft()), anchor.size()),
                      [this, row](int chosen) {
                          TcxFilterControlRow &condition = *m_tree.row(row);
                          if (chosen != condition.column) m_tree.setColumn(condition, chosen);
                          rowsChanged();
                          setFocus();
                          setFocusedElement({row, TcxFilterControlElement::Operator, -1});
                      });
}

void TcxFilterControl::showOperators(int row)
{
    const TcxFilterControlRow &condition = *m_tree.row(row);
    const auto operators = m_tree.supportedOperators(condition.column);
    QStringList words;
    int current = -1;
    for (TcxFilterEditorOperator op : operators) {
        if (op == condition.op) current = static_cast<int>(words.size());
        const std::string_view word = operatorWord(op);
        words << QString::fromUtf8(word.data(), static_cast<qsizetype>(word.size()));
    }
    const QRect anchor = elementRect({row, TcxFilterControlElement::Operator, -1});
    m_dropDown->setFont(font());
    m_dropDown->popup(words, current,
                      QRect(viewport()->mapToGlobal(anchor.topLeft()), anchor.size()),
                      [this, row, operators](int chosen) {
                          TcxFilterControlRow &condition = *m_tree.row(row);
                          m_tree.setOperator(condition, operators.at(chosen));
                          rowsChanged();
                          setFocus();
                          if (valueArity(condition.op) != TcxFilterValueArity::None)
                              setFocusedElement({row, TcxFilterControlElement::Value, 0});
                      });
}

// The in-place value editor.

void TcxFilterControl::openEditor(const TcxFilterControlHit &hit, const QString &typed)
{
    acceptEdit();
    if (!isCondition(m_tree, hit.row)) return;
    const TcxFilterControlRow &row = *m_tree.row(hit.row);
    if (hit.valueIndex < 0 || hit.valueIndex >= static_cast<int>(row.values.size())) return;
    setFocusedElement(hit);
    m_editing = hit;
    const TcxFilterValueSlot &slot = row.values[hit.valueIndex];
    m_editor->setText(slot.value.isNull() ? QString() : toQString(slot.text));
    m_editor->setModified(false);
    if (!typed.isEmpty()) {
        m_editor->setText(typed);
        m_editor->setModified(true);
    } else {
        m_editor->selectAll();
    }
    applyWildcardRule();
    placeEditor();
    m_editor->show();
    m_editor->setFocus();
    viewport()->update();
}

void TcxFilterControl::applyWildcardRule()
{
    if (!isEditing() || !isCondition(m_tree, m_editing.row)) return;
    if (isLikeOperator(m_tree.row(m_editing.row)->op)) return;
    // Outside the like operators the wildcards would be taken literally, so they are not let in.
    QString text = m_editor->text();
    const QChar wildcards[] = {QChar::fromLatin1(m_criteria.PercentWildcard()),
                               QChar::fromLatin1(m_criteria.UnderscoreWildcard())};
    bool changed = false;
    for (QChar wildcard : wildcards) {
        if (!text.contains(wildcard)) continue;
        text.remove(wildcard);
        changed = true;
    }
    if (!changed) return;
    const int cursor = m_editor->cursorPosition();
    m_editor->setText(text);
    m_editor->setCursorPosition(qMin(cursor, static_cast<int>(text.size())));
    m_editor->setModified(true);
}

void TcxFilterControl::placeEditor()
{
    if (!isEditing()) return;
    const QRect rect = elementRect(m_editing);
    m_editor->setGeometry(rect);
    viewport()->update();
}

void TcxFilterControl::acceptEdit()
{
    if (!isEditing()) return;
    TcxFilterControlRow &row = *m_tree.row(m_editing.row);
    TcxFilterValueSlot &slot = row.values.at(m_editing.valueIndex);
    if (m_editor->isModified()) {
        const std::optional<std::string> text = toGbk(m_editor->text());
        // A character the data's code page cannot hold could never match; refuse it here.
        if (!text) {
            m_editor->setFocus();
            throw Exception("输入值非法");
        }
        slot = {TVariant(*text), *text};
    }
    closeEditor();
}

void TcxFilterControl::cancelEdit()
{
    if (isEditing()) closeEditor();
}

void TcxFilterControl::closeEditor()
{
    const bool hadFocus = m_editor->hasFocus();
    m_editing = {};
    m_closingEditor = true;
    if (hadFocus) setFocus();
    m_editor->hide();
    m_closingEditor = false;
    rowsChanged();
}

bool TcxFilterControl::editorKey(QKeyEvent *event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: acceptEdit(); return true;
    case Qt::Key_Escape: cancelEdit(); return true;
    case Qt::Key_Up:
    case Qt::Key_Down: {
        const int row = m_editing.row;
        acceptEdit();
        moveFocusToRow(row + (event->key() == Qt::Key_Up ? -1 : 1));
        return true;
    }
    case Qt::Key_Insert:
        if (!ctrl) return false;
        acceptEdit();
        addConditionTo(m_focus.row);
        return true;
    case Qt::Key_Delete:
        if (!ctrl) return false;
        cancelEdit();
        deleteFocused();
        return true;
    default: return false;
    }
}

bool TcxFilterControl::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_editor) return QAbstractScrollArea::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Esc ends the edit only; the dialog closes on the next one.
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) event->accept();
        return false;
    case QEvent::KeyPress: {
        // A key the editor takes stays taken when its action fails, or it would reach the
        // tree and act a second time.
        bool handled = true;
        guarded([&] { handled = editorKey(static_cast<QKeyEvent *>(event)); });
        return handled;
    }
    case QEvent::FocusOut:
        if (!m_closingEditor && isEditing()) guarded([&] { acceptEdit(); });
        return false;
    default: return false;
    }
}

// Mouse and keys.

bool TcxFilterControl::viewportEvent(QEvent *event)
{
    if (event->type() == QEvent::Leave) setHot({});
    return QAbstractScrollArea::viewportEvent(event);
}

void TcxFilterControl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) return;
    setFocus();
    const TcxFilterControlHit hit = hitTest(event->position().toPoint());
    if (hit.element == TcxFilterControlElement::None) return;
    guarded([&] {
        acceptEdit();
        setFocusedElement(hit);
        activate(hit);
    });
}

void TcxFilterControl::mouseMoveEvent(QMouseEvent *event)
{
    setHot(hitTest(event->position().toPoint()));
}

void TcxFilterControl::leaveEvent(QEvent *event)
{
    setHot({});
    QAbstractScrollArea::leaveEvent(event);
}

void TcxFilterControl::moveFocusWithinRow(int step)
{
    const auto elements = rowElements(m_focus.row);
    const auto found = std::find(elements.begin(), elements.end(), m_focus);
    if (found == elements.end()) return;
    const int index = static_cast<int>(found - elements.begin()) + step;
    if (index < 0 || index >= static_cast<int>(elements.size())) return;
    setFocusedElement(elements[index]);
}

void TcxFilterControl::moveFocusToRow(int row)
{
    if (row < 0) return;
    setFocusedElement(firstElementOf(qMin(row, m_tree.count())));
}

void TcxFilterControl::deleteFocused()
{
    if (m_focus.element == TcxFilterControlElement::Value && isCondition(m_tree, m_focus.row)) {
        TcxFilterControlRow &row = *m_tree.row(m_focus.row);
        if (valueArity(row.op) == TcxFilterValueArity::List && row.values.size() > 1) {
            m_tree.removeValue(row, m_focus.valueIndex);
            const int index = qMin(m_focus.valueIndex, static_cast<int>(row.values.size()) - 1);
            m_focus.valueIndex = index;
            rowsChanged();
            return;
        }
    }
    deleteRowAt(m_focus.row);
}

void TcxFilterControl::keyPressEvent(QKeyEvent *event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    guarded([&] {
        switch (event->key()) {
        case Qt::Key_Left: moveFocusWithinRow(-1); return;
        case Qt::Key_Right: moveFocusWithinRow(1); return;
        case Qt::Key_Up: moveFocusToRow(m_focus.row - 1); return;
        case Qt::Key_Down: moveFocusToRow(m_focus.row + 1); return;
        case Qt::Key_Insert:
            if (!ctrl) addConditionTo(qMin(m_focus.row, m_tree.count() - 1));
            return;
        case Qt::Key_Delete:
            if (ctrl) deleteFocused();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space: activate(m_focus); return;
        default: break;
        }
        const QString text = event->text();
        if (m_focus.element == TcxFilterControlElement::Value && !text.isEmpty() &&
            text.at(0).isPrint() && !ctrl) {
            openEditor(m_focus, text);
            return;
        }
        event->ignore();
    });
}
