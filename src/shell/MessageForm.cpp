#include "shell/MessageForm.h"

#include "shell/Application.h"
#include "widgets/Label.h"

#include <QApplication>
#include <QClipboard>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

namespace {

const QString ButtonCaption = QStringLiteral("OK");

// Multiply, then divide rounding to the nearest integer.
int mulDiv(int number, int numerator, int denominator)
{
    return (number * numerator + denominator / 2) / denominator;
}

} // namespace

TMessageLayout messageLayout(const QFont &font, const QString &text, int screenWidth)
{
    const QFontMetrics metrics(font);
    const int averageWidth = metrics.horizontalAdvance(QStringLiteral(
                                 "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                             52;
    const int height = metrics.height();
    const int horizontalMargin = mulDiv(8, averageWidth, 4);
    const int verticalMargin = mulDiv(8, height, 8);
    const int verticalSpacing = mulDiv(10, height, 8);
    const int buttonWidth =
        std::max(mulDiv(50, averageWidth, 4), metrics.horizontalAdvance(ButtonCaption) + 8);
    const int buttonHeight = mulDiv(14, height, 8);
    const int buttonCount = 1;
    const int buttonSpacing = mulDiv(4, averageWidth, 4);

    const QRect textRect = TLabel::wrappedTextRect(font, text, screenWidth / 2);
    const int buttonsWidth = buttonCount * buttonWidth + (buttonCount - 1) * buttonSpacing;

    TMessageLayout layout;
    layout.clientSize =
        QSize(std::max(textRect.width(), buttonsWidth) + 2 * horizontalMargin,
              textRect.height() + buttonHeight + verticalSpacing + 2 * verticalMargin);
    layout.messageRect =
        QRect(horizontalMargin, verticalMargin, textRect.width(), textRect.height());
    layout.buttonRect =
        QRect((layout.clientSize.width() - buttonsWidth) / 2,
              textRect.height() + verticalMargin + verticalSpacing, buttonWidth, buttonHeight);
    return layout;
}

TMessageForm::TMessageForm(const QString &text) : m_text(text)
{
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(Application ? Application->Title() : QString());
    setFont(QApplication::font("QMessageBox"));
    QScreen *screen = QGuiApplication::primaryScreen();
    const int screenWidth = screen ? screen->geometry().width() : 1024;
    const TMessageLayout layout = messageLayout(font(), text, screenWidth);

    // Drawn word-wrapped on the form's own background, exactly as it was measured.
    auto *label = new TLabel(this);
    label->setObjectName(QStringLiteral("Message"));
    label->SetBackground(TLabelBackground::Transparent);
    label->SetLineBreaks(TLineBreaks::WordWrap);
    label->SetCaption(text);
    label->setGeometry(layout.messageRect);
    m_button = new QPushButton(ButtonCaption, this);
    m_button->setObjectName(QStringLiteral("OK"));
    m_button->setGeometry(layout.buttonRect);
    m_button->setDefault(true);
    connect(m_button, &QPushButton::clicked, this, [this] { SetModalResult(mrOk); });
    setFixedSize(layout.clientSize);
    setCentredWhenShown(true);
    m_button->setFocus();
}

QString TMessageForm::clipboardText() const
{
    const QString rule(27, QLatin1Char('-'));
    const QString lineEnd = QStringLiteral("\r\n");
    QString buttons = ButtonCaption;
    buttons.remove(QLatin1Char('&'));
    buttons += QStringLiteral("   ");
    return rule + lineEnd + windowTitle() + lineEnd + rule + lineEnd + m_text + lineEnd + rule +
           lineEnd + buttons + lineEnd + rule + lineEnd;
}

void TMessageForm::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        QApplication::beep();
        QGuiApplication::clipboard()->setText(clipboardText());
        return;
    }
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        // The one button is both the default and the cancel button.
        SetModalResult(mrOk);
        return;
    default: TForm::keyPressEvent(event);
    }
}

void ShowMessage(const QString &text)
{
    auto form = std::make_unique<TMessageForm>(text);
    form->ShowModal();
}
