#include "editors/cxMaskEdit.h"

#include "widgets/FlatFrame.h"
#include "widgets/FlatLookAndFeelPainter.h"
#include "platformui/GbkQt.h"
#include "platformui/SystemColors.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QValidator>

namespace {

// Refuses any text with a character that has no GBK form, so that it never reaches a value.
class TGbkValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        return toGbk(input) ? Acceptable : Invalid;
    }
};

} // namespace

TcxMaskEdit::TcxMaskEdit(QWidget *parent) : QLineEdit(parent)
{
    setFrame(false);
    // Room for the flat two-pixel border, which paintEvent draws over the edge.
    setTextMargins(2, 2, 1, 1);
    setValidator(new TGbkValidator(this));
    QPalette colours = palette();
    colours.setColor(QPalette::Base, toQColor(clWindow));
    colours.setColor(QPalette::Text, toQColor(clWindowText));
    colours.setColor(QPalette::Highlight, toQColor(clHighlight));
    colours.setColor(QPalette::HighlightedText, toQColor(clHighlightText));
    setPalette(colours);
    connect(this, &QLineEdit::textEdited, this, [this] { m_editModified = true; });
}

void TcxMaskEdit::SetEditValue(const TVariant &value)
{
    m_editValue = value;
    m_editModified = false;
    if (value.isNull() || value.isArray()) {
        setText(QString());
    } else {
        setText(toQString(variantToText(value)));
    }
}

void TcxMaskEdit::postEditValue()
{
    if (!m_editModified) return;
    m_editModified = false;
    // The validator keeps every character GBK can hold, so the conversion cannot fail.
    m_editValue = TVariant(toGbk(text()).value_or(std::string()));
}

void TcxMaskEdit::addAllowedChars(const QString &chars)
{
    for (QChar c : chars)
        if (!m_allowedChars.contains(c)) m_allowedChars += c;
}

void TcxMaskEdit::removeAllowedChars(const QString &chars)
{
    for (QChar c : chars)
        m_allowedChars.remove(c);
}

void TcxMaskEdit::deleteChars(const QString &chars)
{
    // Characters, not bytes: a GBK character whose second byte equals a wildcard stays whole.
    QString kept = text();
    for (QChar c : chars)
        kept.remove(c);
    if (kept == text()) return;
    setText(kept);
    m_editModified = true;
    postEditValue();
}

void TcxMaskEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::MouseFocusReason)
        selectAll();
}

void TcxMaskEdit::focusOutEvent(QFocusEvent *event)
{
    postEditValue();
    QLineEdit::focusOutEvent(event);
    if (event->reason() != Qt::PopupFocusReason) deselect();
}

void TcxMaskEdit::keyPressEvent(QKeyEvent *event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter) postEditValue();
    QLineEdit::keyPressEvent(event);
    // Enter belongs to the form as well, whose default button it presses.
    if (enter) event->ignore();
}

void TcxMaskEdit::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    const QRect outer = rect();
    TFlatLookAndFeelPainter::drawSunkenFrame(painter, outer);
    paintFlatFrame(painter, outer.adjusted(1, 1, -1, -1), toQColor(clBtnFace), toQColor(clBtnFace),
                   TBottomLeftCorner::RightBottom);
}
