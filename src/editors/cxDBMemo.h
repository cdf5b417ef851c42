#pragma once

#include "data/FieldDataLink.h"
#include "platformui/SystemColors.h"

#include <QWidget>

#include <optional>
#include <string>

class QPlainTextEdit;
class TDataSource;
class TField;
class TcxInnerMemo;

enum class TcxEditBorderStyle { ebsNone, ebsSingle };
enum class TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// A multi-line text pane bound to one string field of the current record. The container owns
// the binding and decides whether a change may happen; the inner edit holds the text, the
// caret and the selection, and asks the container before it changes anything.
class TcxDBMemo : public QWidget
{
    Q_OBJECT
public:
    // Which data source and field the pane shows.
    class TDataBinding
    {
    public:
        TDataSource *DataSource() const { return m_link.DataSource(); }
        void SetDataSource(TDataSource *dataSource);
        const std::string &DataField() const { return m_link.FieldName(); }
        void SetDataField(std::string fieldName);
        TField *Field() const { return m_link.Field(); }
        TFieldDataLink &dataLink() { return m_link; }

    private:
        friend class TcxDBMemo;
        explicit TDataBinding(TcxDBMemo &memo) : m_memo(memo) {}
        TcxDBMemo &m_memo;
        TFieldDataLink m_link;
    };

    class TStyle
    {
    public:
        TcxEditBorderStyle BorderStyle() const { return m_borderStyle; }
        void SetBorderStyle(TcxEditBorderStyle borderStyle);
        TColor BorderColor() const { return m_borderColor; }
        void SetBorderColor(TColor color);
        TColor Color() const { return m_color; }
        void SetColor(TColor color);

    private:
        friend class TcxDBMemo;
        explicit TStyle(TcxDBMemo &memo) : m_memo(memo) {}
        TcxDBMemo &m_memo;
        TcxEditBorderStyle m_borderStyle = TcxEditBorderStyle::ebsNone;
        TColor m_borderColor = clWindowFrame;
        TColor m_color = clWindow;
    };

    class TProperties
    {
    public:
        // Unassigned, the pane is read-only exactly when its field is or the data set is closed.
        std::optional<bool> ReadOnly() const { return m_readOnly; }
        void SetReadOnly(std::optional<bool> readOnly);
        // In stored bytes; 0 takes the size of the bound string field.
        int MaxLength() const { return m_maxLength; }
        void SetMaxLength(int maxLength) { m_maxLength = maxLength < 0 ? 0 : maxLength; }
        bool WordWrap() const { return m_wordWrap; }
        void SetWordWrap(bool wordWrap);
        TScrollStyle ScrollBars() const { return m_scrollBars; }
        void SetScrollBars(TScrollStyle scrollBars);
        bool WantReturns() const { return m_wantReturns; }
        void SetWantReturns(bool wantReturns) { m_wantReturns = wantReturns; }
        bool WantTabs() const { return m_wantTabs; }
        void SetWantTabs(bool wantTabs);

    private:
        friend class TcxDBMemo;
        explicit TProperties(TcxDBMemo &memo) : m_memo(memo) {}
        TcxDBMemo &m_memo;
        std::optional<bool> m_readOnly;
        int m_maxLength = 0;
        bool m_wordWrap = true;
        TScrollStyle m_scrollBars = TScrollStyle::ssNone;
        bool m_wantReturns = true;
        bool m_wantTabs = false;
    };

    explicit TcxDBMemo(QWidget *owner = nullptr);
    ~TcxDBMemo() override;

    TDataBinding &DataBinding() { return m_dataBinding; }
    TStyle &Style() { return m_style; }
    TProperties &Properties() { return m_properties; }

    // The pane's text as the inner edit holds it; '\n' separates the lines.
    QString Text() const;
    // Whether the inner edit currently refuses changes.
    bool isReadOnly() const { return m_readOnly; }
    // The byte limit in force: the assigned one, else the string field's size; 0 is none.
    int maxLength() const;

    // Runs before any change the user makes; a refusal leaves everything as it was.
    bool editStartCheck();
    // Restores the value the pane held when it received the focus (Escape).
    void Reset();
    void SelectAll();
    // Puts the pane's text into its field, starting the edit if needed.
    void writeToField();
    // Shows the field's current value and forgets every pending change.
    void reloadFromField();

    bool editModified() const { return m_editModified; }
    bool modifiedSinceEntry() const { return m_modifiedSinceEntry; }

    QPlainTextEdit *innerEdit() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    friend class TcxInnerMemo;

    // Holds off reloads while the pane itself writes to the field or starts editing.
    class TRefreshLock
    {
    public:
        explicit TRefreshLock(TcxDBMemo &memo) : m_memo(memo) { ++m_memo.m_refreshLock; }
        ~TRefreshLock() { --m_memo.m_refreshLock; }
        TRefreshLock(const TRefreshLock &) = delete;
        TRefreshLock &operator=(const TRefreshLock &) = delete;

    private:
        TcxDBMemo &m_memo;
    };

    // Called by the inner edit.
    void entered();
    void exited();
    void changed();

    QRect innerRect() const;
    int borderWidth() const;
    void updateReadOnly();
    void updateColors();
    void applyOptions();
    void setEditText(const QString &text);

    TDataBinding m_dataBinding{*this};
    TStyle m_style{*this};
    TProperties m_properties{*this};
    TcxInnerMemo *m_innerEdit = nullptr;

    QString m_valueAtEntry;
    bool m_modifiedSinceEntry = false;
    bool m_editModified = false;
    // The shown value is the field's bytes exactly; a damaged value is not editable, since
    // writing it back would replace the bytes the text could not show.
    bool m_valueExact = true;
    bool m_readOnly = false;
    int m_refreshLock = 0;
};
