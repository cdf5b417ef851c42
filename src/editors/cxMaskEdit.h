#pragma once

#include "criteria/Variant.h"

#include <QLineEdit>

// The masked text editor as the filter editors use it, without a mask: a one-line editor in
// the flat look whose value is null until something is typed, and which takes what was typed
// as its value when it is left or Enter is pressed. Text that the code page cannot hold is
// refused as it is typed or pasted.
class TcxMaskEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit TcxMaskEdit(QWidget *parent = nullptr);

    // The value: null, or the GBK text last taken from the editor or set.
    const TVariant &EditValue() const { return m_editValue; }
    // Shows the value (nothing for null); what was typed and not yet taken is dropped.
    void SetEditValue(const TVariant &value);
    // Takes the text as the value if it was edited since the value was last taken or set.
    void postEditValue();
    bool isEditModified() const { return m_editModified; }

    // Characters that an edit mask lets through in addition to its own. Without a mask every
    // character can be typed already, so the set only matters once a mask is set.
    const QString &allowedChars() const { return m_allowedChars; }
    void addAllowedChars(const QString &chars);
    void removeAllowedChars(const QString &chars);

    // Deletes every occurrence of these characters from the text, as an edit would.
    void deleteChars(const QString &chars);

protected:
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    TVariant m_editValue;
    bool m_editModified = false;
    QString m_allowedChars;
};
