#pragma once

#include "shell/Form.h"

#include <QFont>

class QPushButton;

// Where the plain message box puts its parts, worked out from the font's metrics.
struct TMessageLayout
{
    QSize clientSize;
    QRect messageRect;
    QRect buttonRect;
};

TMessageLayout messageLayout(const QFont &font, const QString &text, int screenWidth);

// The plain message box: the program's own messages, with one "OK" button.
class TMessageForm : public TForm
{
    Q_OBJECT
public:
    explicit TMessageForm(const QString &text);

    QString Text() const { return m_text; }
    // What Ctrl+C puts on the clipboard.
    QString clipboardText() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString m_text;
    QPushButton *m_button = nullptr;
};

// Builds, shows modally and destroys a plain message box.
void ShowMessage(const QString &text);
