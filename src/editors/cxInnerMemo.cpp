#include "editors/cxInnerMemo.h"

#include "shell/Application.h"
#include "editors/MemoText.h"
#include "editors/cxDBMemo.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QTextBlock>

namespace {

bool isNavigationKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: return true;
    default: return false;
    }
}

// Text a key types: printable characters only, never with Ctrl (which makes control codes)
// unless Alt comes with it, as AltGr does.
QString typedText(const QKeyEvent &event)
{
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if ((modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier)) return {};
    const QString text = event.text();
    for (const QChar c : text)
        if (c.unicode() < 32 || c.unicode() == 127) return {};
    return text;
}

} // namespace

TcxInnerMemo::TcxInnerMemo(TcxDBMemo &memo) : QPlainTextEdit(&memo), m_memo(memo)
{
    setFrameShape(QFrame::NoFrame);
    setUndoRedoEnabled(false);
    setTabChangesFocus(true);
    setAcceptDrops(false);
    viewport()->setAcceptDrops(false);
    document()->setDocumentMargin(2);
}

QString TcxInnerMemo::editText() const
{
    QString text;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        if (block != document()->begin()) text += u'\n';
        text += block.text();
    }
    return text;
}

void TcxInnerMemo::setEditText(const QString &text)
{
    if (text == editText()) return;
    setPlainText(text);
}

QString TcxInnerMemo::selectedEditText() const
{
    const QTextCursor cursor = textCursor();
    return editText().mid(cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart());
}

std::optional<QString> TcxInnerMemo::admit(const QTextCursor &range, const QString &insertion)
{
    if (!range.hasSelection() && insertion.isEmpty()) return std::nullopt;
    if (!m_memo.editStartCheck()) return std::nullopt;
    const int limit = m_memo.maxLength();
    if (limit <= 0) return insertion;
    const QString text = editText();
    const QString kept = text.left(range.selectionStart()) + text.mid(range.selectionEnd());
    // What is already there stays; only the new text is cut to what still fits.
    const int left = limit - memotext::storedLength(kept);
    return memotext::prefixWithin(insertion, left);
}

void TcxInnerMemo::replace(QTextCursor range, const QString &insertion)
{
    const std::optional<QString> admitted = admit(range, insertion);
    if (!admitted) return;
    if (!range.hasSelection() && admitted->isEmpty()) return;
    range.insertText(*admitted);
    setTextCursor(range);
    ensureCursorVisible();
    m_memo.changed();
}

void TcxInnerMemo::typeText(const QString &text)
{
    const std::optional<QString> insertable = memotext::insertableText(text);
    if (!insertable) return;
    replace(textCursor(), *insertable);
}

void TcxInnerMemo::deleteText(QTextCursor::MoveOperation unit)
{
    QTextCursor range = textCursor();
    if (!range.hasSelection()) range.movePosition(unit, QTextCursor::KeepAnchor);
    if (range.hasSelection()) replace(range, QString());
}

void TcxInnerMemo::pasteText(const QString &text)
{
    const std::optional<QString> insertable = memotext::insertableText(text);
    if (!insertable || insertable->isEmpty()) return;
    replace(textCursor(), *insertable);
}

void TcxInnerMemo::cutSelection()
{
    if (!textCursor().hasSelection()) return;
    QGuiApplication::clipboard()->setMimeData(createMimeDataFromSelection());
    replace(textCursor(), QString());
}

void TcxInnerMemo::deleteSelection()
{
    if (textCursor().hasSelection()) replace(textCursor(), QString());
}

void TcxInnerMemo::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    const bool control = modifiers & Qt::ControlModifier;
    const bool alt = modifiers & Qt::AltModifier;
    const int key = event->key();
    event->accept();
    guarded([&] {
        if (event->matches(QKeySequence::Cut)) {
            cutSelection();
        } else if (event->matches(QKeySequence::Paste)) {
            if (const QMimeData *data = QGuiApplication::clipboard()->mimeData())
                insertFromMimeData(data);
        } else if (event->matches(QKeySequence::Copy)) {
            copy();
        } else if (key == Qt::Key_A && control && !alt && !(modifiers & Qt::ShiftModifier)) {
            m_memo.SelectAll();
        } else if (isNavigationKey(key)) {
            QPlainTextEdit::keyPressEvent(event);
        } else if (key == Qt::Key_Backspace && !alt) {
            deleteText(control ? QTextCursor::PreviousWord : QTextCursor::PreviousCharacter);
        } else if (key == Qt::Key_Delete && !alt) {
            deleteText(control ? QTextCursor::NextWord : QTextCursor::NextCharacter);
        } else if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !alt &&
                   m_memo.Properties().WantReturns()) {
            typeText(QStringLiteral("\n"));
        } else if (key == Qt::Key_Tab && !control && !alt && m_memo.Properties().WantTabs()) {
            typeText(QStringLiteral("\t"));
        } else if (key == Qt::Key_Backtab && !control && !alt) {
            // Reached only while tabs are typed: Shift+Tab still leaves the pane.
            QWidget::focusNextPrevChild(false);
        } else if (key == Qt::Key_Escape && m_memo.editModified()) {
            m_memo.Reset();
        } else if (key == Qt::Key_Z && control) {
            // Undo is not offered: it would change the text behind the pane's back.
        } else if (const QString text = typedText(*event); !text.isEmpty()) {
            typeText(text);
        } else {
            // Anything else is not the edit's: the form may want it.
            event->ignore();
        }
    });
}

void TcxInnerMemo::inputMethodEvent(QInputMethodEvent *event)
{
    if (event->commitString().isEmpty() && event->replacementLength() == 0) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    QString commit;
    guarded([&] {
        const std::optional<QString> insertable = memotext::insertableText(event->commitString());
        if (!insertable) return;
        if (const std::optional<QString> admitted = admit(textCursor(), *insertable))
            commit = *admitted;
    });
    QInputMethodEvent admittedEvent(event->preeditString(), event->attributes());
    admittedEvent.setCommitString(commit);
    QPlainTextEdit::inputMethodEvent(&admittedEvent);
    if (!commit.isEmpty()) guarded([&] { m_memo.changed(); });
}

void TcxInnerMemo::focusInEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusInEvent(event);
    m_memo.entered();
}

void TcxInnerMemo::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    // The context menu borrows the focus; the pane has not been left.
    if (event->reason() == Qt::PopupFocusReason) return;
    guarded([&] { m_memo.exited(); });
}

void TcxInnerMemo::mousePressEvent(QMouseEvent *event)
{
    // A press inside the selection would start dragging it away, a change no check sees; the
    // pane's edit has no dragging, so the press only places the caret.
    const QTextCursor cursor = textCursor();
    if (event->button() == Qt::LeftButton && cursor.hasSelection() &&
        !(event->modifiers() & Qt::ShiftModifier)) {
        const int position = cursorForPosition(event->position().toPoint()).position();
        if (position >= cursor.selectionStart() && position < cursor.selectionEnd()) {
            QTextCursor placed = cursor;
            placed.setPosition(position);
            setTextCursor(placed);
        }
    }
    QPlainTextEdit::mousePressEvent(event);
}

QMenu *TcxInnerMemo::createContextMenu()
{
    auto *menu = new QMenu(this);
    const bool selection = textCursor().hasSelection();
    const bool editable = !m_memo.isReadOnly();
    const QMimeData *clipboard = QGuiApplication::clipboard()->mimeData();
    const bool canPaste = editable && clipboard && clipboard->hasText();

    QAction *cut = menu->addAction(QStringLiteral("剪切(&T)"));
    cut->setEnabled(selection && editable);
    connect(cut, &QAction::triggered, this, [this] { guarded([this] { cutSelection(); }); });
    QAction *copyAction = menu->addAction(QStringLiteral("复制(&C)"));
    copyAction->setEnabled(selection);
    connect(copyAction, &QAction::triggered, this, [this] { guarded([this] { copy(); }); });
    QAction *paste = menu->addAction(QStringLiteral("粘贴(&P)"));
    paste->setEnabled(canPaste);
    connect(paste, &QAction::triggered, this, [this] {
        guarded([this] {
            if (const QMimeData *data = QGuiApplication::clipboard()->mimeData())
                insertFromMimeData(data);
        });
    });
    QAction *remove = menu->addAction(QStringLiteral("删除(&D)"));
    remove->setEnabled(selection && editable);
    connect(remove, &QAction::triggered, this, [this] { guarded([this] { deleteSelection(); }); });
    menu->addSeparator();
    QAction *all = menu->addAction(QStringLiteral("全选(&A)"));
    all->setEnabled(!document()->isEmpty());
    connect(all, &QAction::triggered, this, [this] { m_memo.SelectAll(); });
    return menu;
}

void TcxInnerMemo::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TcxInnerMemo::dragEnterEvent(QDragEnterEvent *event)
{
    event->ignore();
}

void TcxInnerMemo::dragMoveEvent(QDragMoveEvent *event)
{
    event->ignore();
}

void TcxInnerMemo::dropEvent(QDropEvent *event)
{
    event->ignore();
}

QMimeData *TcxInnerMemo::createMimeDataFromSelection() const
{
    auto *data = new QMimeData;
    data->setText(memotext::toClipboardText(selectedEditText()));
    return data;
}

bool TcxInnerMemo::canInsertFromMimeData(const QMimeData *source) const
{
    return source && source->hasText();
}

void TcxInnerMemo::insertFromMimeData(const QMimeData *source)
{
    if (!source || !source->hasText()) return;
    pasteText(source->text());
}
