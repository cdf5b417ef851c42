#pragma once

#include <QPlainTextEdit>

#include <optional>

class QMenu;
class TcxDBMemo;

// The memo pane's inner edit: the platform's multi-line edit, whose every change (typing,
// deletion, line breaks, paste, cut, the input method, the context menu) first asks the pane
// whether it may happen, and which stays within the pane's byte limit.
class TcxInnerMemo : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TcxInnerMemo(TcxDBMemo &memo);

    // The text with '\n' between lines, exactly as held (no space for a no-break space).
    QString editText() const;
    void setEditText(const QString &text);

    // The edit operations; each one that would change the text runs the pane's check first.
    void typeText(const QString &text);
    // Deletes the selection, or else from the caret to where `unit` moves it.
    void deleteText(QTextCursor::MoveOperation unit);
    void pasteText(const QString &text);
    void cutSelection();
    void deleteSelection();

    // The standard menu of a text pane (cut, copy, paste, delete, select all); the caller
    // owns it.
    QMenu *createContextMenu();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    QMimeData *createMimeDataFromSelection() const override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    // The part of `insertion` that may replace the text `range` selects, or nothing when the
    // change is refused. Runs the pane's check only when something would change.
    std::optional<QString> admit(const QTextCursor &range, const QString &insertion);
    void replace(QTextCursor range, const QString &insertion);
    QString selectedEditText() const;

    TcxDBMemo &m_memo;
};
