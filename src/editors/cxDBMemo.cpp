#include "editors/cxDBMemo.h"

#include "data/Field.h"
#include "editors/MemoText.h"
#include "editors/cxInnerMemo.h"

#include <QPainter>
#include <QPaintEvent>

void TcxDBMemo::TDataBinding::SetDataSource(TDataSource *dataSource)
{
    m_link.SetControlName(m_memo.objectName().toStdString());
    m_link.SetDataSource(dataSource);
    m_memo.updateReadOnly();
}

void TcxDBMemo::TDataBinding::SetDataField(std::string fieldName)
{
    m_link.SetControlName(m_memo.objectName().toStdString());
    m_link.SetFieldName(std::move(fieldName));
    m_memo.updateReadOnly();
}

void TcxDBMemo::TStyle::SetBorderStyle(TcxEditBorderStyle borderStyle)
{
    if (m_borderStyle == borderStyle) return;
    m_borderStyle = borderStyle;
    m_memo.m_innerEdit->setGeometry(m_memo.innerRect());
    m_memo.update();
}

void TcxDBMemo::TStyle::SetBorderColor(TColor color)
{
    if (m_borderColor == color) return;
    m_borderColor = color;
    m_memo.update();
}

void TcxDBMemo::TStyle::SetColor(TColor color)
{
    if (m_color == color) return;
    m_color = color;
    m_memo.updateColors();
    m_memo.update();
}

void TcxDBMemo::TProperties::SetReadOnly(std::optional<bool> readOnly)
{
    if (m_readOnly == readOnly) return;
    m_readOnly = readOnly;
    m_memo.updateReadOnly();
}

void TcxDBMemo::TProperties::SetWordWrap(bool wordWrap)
{
    if (m_wordWrap == wordWrap) return;
    m_wordWrap = wordWrap;
    m_memo.applyOptions();
}

void TcxDBMemo::TProperties::SetScrollBars(TScrollStyle scrollBars)
{
    if (m_scrollBars == scrollBars) return;
    m_scrollBars = scrollBars;
    m_memo.applyOptions();
}

void TcxDBMemo::TProperties::SetWantTabs(bool wantTabs)
{
    if (m_wantTabs == wantTabs) return;
    m_wantTabs = wantTabs;
    m_memo.applyOptions();
}

TcxDBMemo::TcxDBMemo(QWidget *owner) : QWidget(owner), m_innerEdit(new TcxInnerMemo(*this))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_innerEdit);

    TFieldDataLink &link = m_dataBinding.m_link;
    link.OnDataChange = [this] { reloadFromField(); };
    link.OnEditingChange = [this] { updateReadOnly(); };
    link.OnActiveChange = [this] { updateReadOnly(); };
    link.OnFocusControl = [this] { m_innerEdit->setFocus(); };
    // The data set collects pending text before it posts; the link calls this only while
    // the pane owes its field a change.
    link.OnUpdateData = [this] {
        TField *field = m_dataBinding.Field();
        const std::optional<std::string> stored = memotext::toStoredText(Text());
        if (!field || !stored) return;
        TRefreshLock lock(*this);
        field->SetAsString(*stored);
        m_editModified = false;
    };
    connect(this, &QObject::objectNameChanged, this, [this](const QString &name) {
        m_dataBinding.m_link.SetControlName(name.toStdString());
    });

    applyOptions();
    updateColors();
    updateReadOnly();
}

TcxDBMemo::~TcxDBMemo()
{
    TFieldDataLink &link = m_dataBinding.m_link;
    link.OnDataChange = nullptr;
    link.OnEditingChange = nullptr;
    link.OnActiveChange = nullptr;
    link.OnFocusControl = nullptr;
    link.OnUpdateData = nullptr;
    link.SetDataSource(nullptr);
}

QString TcxDBMemo::Text() const
{
    return m_innerEdit->editText();
}

QPlainTextEdit *TcxDBMemo::innerEdit() const
{
    return m_innerEdit;
}

int TcxDBMemo::maxLength() const
{
    if (m_properties.MaxLength() > 0) return m_properties.MaxLength();
    const TField *field = m_dataBinding.Field();
    if (field && field->DataType() == TFieldType::String) return field->Size();
    return 0;
}

bool TcxDBMemo::editStartCheck()
{
    TFieldDataLink &link = m_dataBinding.m_link;
    if (link.Modified()) return true;
    if (const std::optional<bool> readOnly = m_properties.ReadOnly()) {
        if (*readOnly) return false;
    } else {
        const TField *field = link.Field();
        if (!link.Active() || !field || field->ReadOnly()) return false;
        if (!link.CanModify()) return false;
    }
    if (!m_valueExact) return false;
    {
        TRefreshLock lock(*this);
        link.Edit();
    }
    if (!link.Editing()) return false;
    link.SetModified();
    return true;
}

void TcxDBMemo::Reset()
{
    if (!m_modifiedSinceEntry) return;
    setEditText(m_valueAtEntry);
    m_innerEdit->selectAll();
    m_modifiedSinceEntry = false;
}

void TcxDBMemo::SelectAll()
{
    if (!Text().isEmpty()) m_innerEdit->selectAll();
}

void TcxDBMemo::writeToField()
{
    TFieldDataLink &link = m_dataBinding.m_link;
    TField *field = link.Field();
    const std::optional<std::string> stored = memotext::toStoredText(Text());
    if (!field || !stored) return;
    TRefreshLock lock(*this);
    if (!link.Editing() && !link.Edit()) return;
    field->SetAsString(*stored);
    m_editModified = false;
}

void TcxDBMemo::reloadFromField()
{
    if (m_refreshLock > 0) return;
    const TField *field = m_dataBinding.Field();
    QString text;
    m_valueExact = true;
    if (field && m_dataBinding.m_link.Active() && !field->IsNull()) {
        const std::string stored = field->AsString();
        text = memotext::toEditText(stored);
        m_valueExact = memotext::toStoredText(text) == stored;
    }
    setEditText(text);
    m_editModified = false;
    m_modifiedSinceEntry = false;
    // NOTE: a record change under a focused pane must not leave the old record's text to be
    // restored by Escape into the new one.
    if (m_innerEdit->hasFocus()) m_valueAtEntry = text;
    updateReadOnly();
}

void TcxDBMemo::entered()
{
    m_valueAtEntry = Text();
    m_modifiedSinceEntry = false;
}

void TcxDBMemo::exited()
{
    if (!m_modifiedSinceEntry) return;
    writeToField();
    m_modifiedSinceEntry = false;
}

void TcxDBMemo::changed()
{
    m_editModified = true;
    m_modifiedSinceEntry = true;
}

void TcxDBMemo::setEditText(const QString &text)
{
    m_innerEdit->setEditText(text);
}

void TcxDBMemo::updateReadOnly()
{
    bool readOnly = false;
    if (const std::optional<bool> assigned = m_properties.ReadOnly()) {
        readOnly = *assigned;
    } else {
        const TField *field = m_dataBinding.Field();
        readOnly = !m_dataBinding.m_link.Active() || !field || field->ReadOnly();
    }
    if (readOnly == m_readOnly) return;
    m_readOnly = readOnly;
    // Read-only still lets the user move the caret and select, as the platform's edit does.
    m_innerEdit->setTextInteractionFlags(readOnly ? Qt::TextSelectableByMouse |
                                                        Qt::TextSelectableByKeyboard
                                                  : Qt::TextEditorInteraction);
    m_innerEdit->setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
}

void TcxDBMemo::updateColors()
{
    const QColor background = toQColor(m_style.Color());
    const QColor text = toQColor(clWindowText);
    QPalette palette = m_innerEdit->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Base, background);
        palette.setColor(group, QPalette::Window, background);
        palette.setColor(group, QPalette::Text, text);
    }
    palette.setColor(QPalette::Active, QPalette::Highlight, toQColor(clHighlight));
    palette.setColor(QPalette::Active, QPalette::HighlightedText, toQColor(clHighlightText));
    // The selection shows only while the pane has the focus.
    palette.setColor(QPalette::Inactive, QPalette::Highlight, background);
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText, text);
    m_innerEdit->setPalette(palette);
}

void TcxDBMemo::applyOptions()
{
    m_innerEdit->setLineWrapMode(m_properties.WordWrap() ? QPlainTextEdit::WidgetWidth
                                                         : QPlainTextEdit::NoWrap);
    const TScrollStyle bars = m_properties.ScrollBars();
    const bool vertical = bars == TScrollStyle::ssVertical || bars == TScrollStyle::ssBoth;
    const bool horizontal = bars == TScrollStyle::ssHorizontal || bars == TScrollStyle::ssBoth;
    m_innerEdit->setVerticalScrollBarPolicy(vertical ? Qt::ScrollBarAlwaysOn
                                                     : Qt::ScrollBarAlwaysOff);
    m_innerEdit->setHorizontalScrollBarPolicy(horizontal ? Qt::ScrollBarAlwaysOn
                                                         : Qt::ScrollBarAlwaysOff);
    m_innerEdit->setTabChangesFocus(!m_properties.WantTabs());
}

int TcxDBMemo::borderWidth() const
{
    return m_style.BorderStyle() == TcxEditBorderStyle::ebsNone ? 0 : 1;
}

QRect TcxDBMemo::innerRect() const
{
    const int inset = borderWidth() + 1;
    return rect().adjusted(inset, inset, -inset, -inset);
}

void TcxDBMemo::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_innerEdit->setGeometry(innerRect());
}

void TcxDBMemo::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.setClipRegion(event->region());
    // The ring around the inner edit is the pane's colour, so the text seems to sit on it.
    painter.fillRect(rect(), toQColor(m_style.Color()));
    if (borderWidth() > 0) {
        painter.setPen(toQColor(m_style.BorderColor()));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}
