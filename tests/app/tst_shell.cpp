#include "shell/Application.h"
#include "shell/Form.h"
#include "shell/MessageForm.h"
#include "ModalDriver.h"
#include "RecordingPlatform.h"

#include "platform/Exception.h"

#include <QClipboard>
#include <QMessageBox>
#include <QTimer>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

// A form that counts its activation notices, as the main window's handler would run.
class TCountingForm : public TForm
{
    Q_OBJECT
public:
    TCountingForm()
    {
        resize(300, 200);
        OnActivate = [this] { ++activations; };
    }
    int activations = 0;
};

class TDialogForm : public TCountingForm
{
    Q_OBJECT
};

void focusForm(QWidget *form)
{
    form->show();
    form->activateWindow();
    form->setFocus();
    waitFor([&] { return QApplication::focusWidget() == form; });
}

TCountingForm *mainForm()
{
    static TCountingForm *form = [] {
        TCountingForm *created = nullptr;
        Application->CreateForm(created);
        return created;
    }();
    return form;
}

} // namespace

TEST(Shell, FirstFormBecomesTheMainWindow)
{
    TCountingForm *form = mainForm();
    EXPECT_EQ(Application->MainForm(), form);
    EXPECT_TRUE(form->testAttribute(Qt::WA_WState_Created)); // its window exists at once
    TCountingForm *second = nullptr;
    Application->CreateForm(second);
    EXPECT_EQ(Application->MainForm(), form);
    Application->DestroyForm(second);
}

TEST(Shell, ActivationRunsOnlyWhenFocusReturnsFromAnotherForm)
{
    TRecordingPlatform platform;
    TCountingForm *form = mainForm();
    focusForm(form);
    ASSERT_EQ(form->activations, 1);

    // A plain message box, closed with Enter.
    whenShown<TMessageForm>([](TMessageForm *box) { QTest::keyClick(box, Qt::Key_Return); });
    ShowMessage(QStringLiteral("数据文件错误！"));
    focusForm(form);
    EXPECT_EQ(form->activations, 1) << "after a message box";

    // A modal dialog of the program.
    TDialogForm dialog;
    whenShown<TDialogForm>([](TDialogForm *shown) { shown->Close(); });
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_EQ(dialog.activations, 1);
    focusForm(form);
    EXPECT_EQ(form->activations, 1) << "after a modal dialog";

    // The error box.
    Application->HandleException(Exception("boom"));
    focusForm(form);
    EXPECT_EQ(form->activations, 1) << "after the error box";

    // Another application's window takes the focus and gives it back.
    QWidget foreign;
    foreign.resize(100, 100);
    focusForm(&foreign);
    focusForm(form);
    EXPECT_EQ(form->activations, 1) << "after switching applications";

    // A non-modal form of the program, such as a drop-down, takes the focus and closes.
    TCountingForm popup;
    focusForm(&popup);
    EXPECT_EQ(Application->Screen().FocusedForm(), &popup);
    popup.Close();
    focusForm(form);
    EXPECT_EQ(form->activations, 2) << "after a non-modal form of the program";
}

TEST(Shell, ErrorBoxAppendsAFullStopUnlessTheTextEndsLowEnough)
{
    struct Row
    {
        const char *message;
        const char *shown;
    };
    const Row rows[] = {
        {"cds: Missing data provider or data packet", "cds: Missing data provider or data packet."},
        {"Stream read error.", "Stream read error."},
        {"Cannot create file (x)", "Cannot create file (x)"},
        {"Stop!", "Stop!"},
        {"trailing blank ", "trailing blank "},
        {"Field 'a' 1", "Field 'a' 1."},
        {"数据文件错误！", "数据文件错误！."},
        {"", ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.message);
        EXPECT_EQ(errorBoxText(row.message), QString::fromUtf8(row.shown));
    }
}

TEST(Shell, FailureInAClickHandlerEndsInTheErrorBoxAndTheProgramGoesOn)
{
    TRecordingPlatform platform;
    TCountingForm form;
    auto *guardedButton = new QPushButton(QStringLiteral("a"), &form);
    auto *rawButton = new QPushButton(QStringLiteral("b"), &form);
    rawButton->move(0, 40);
    QObject::connect(guardedButton, &QPushButton::clicked, [] {
        guarded([] { throw Exception("cds: Missing data provider or data packet"); });
    });
    // Not guarded: the application object's event dispatch catches it.
    QObject::connect(rawButton, &QPushButton::clicked, [] { throw Exception("plain failure"); });
    form.show();
    QTest::mouseClick(guardedButton, Qt::LeftButton);
    QTest::mouseClick(rawButton, Qt::LeftButton);
    EXPECT_EQ(platform.errorBoxes,
              (QStringList{"cds: Missing data provider or data packet.", "plain failure."}));
    EXPECT_EQ(platform.captions, (QStringList{"Tervana", "Tervana"}));
    // Still running: the next click is handled too.
    QTest::mouseClick(guardedButton, Qt::LeftButton);
    EXPECT_EQ(platform.errorBoxes.size(), 3);
}

TEST(Shell, SilentFailuresShowNothing)
{
    TRecordingPlatform platform;
    Application->HandleException(EAbort());
    EXPECT_TRUE(platform.errorBoxes.isEmpty());
}

TEST(MessageBox, LayoutFollowsTheFontMetrics)
{
    const QString text = QStringLiteral("数据文件错误！");
    TMessageForm box(text);
    const QFontMetrics metrics(box.font());
    const int cx = metrics.horizontalAdvance(
                       QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
                   52;
    const int cy = metrics.height();
    auto mulDiv = [](int a, int b, int c) { return (a * b + c / 2) / c; };
    const int buttonWidth = std::max(mulDiv(50, cx, 4), metrics.horizontalAdvance("OK") + 8);
    const int buttonHeight = mulDiv(14, cy, 8);
    const QRect textRect = metrics.boundingRect(
        QRect(0, 0, QGuiApplication::primaryScreen()->geometry().width() / 2, 0),
        Qt::TextWordWrap | Qt::TextExpandTabs, text);
    const int width = std::max(textRect.width(), buttonWidth) + 2 * mulDiv(8, cx, 4);
    const int height = textRect.height() + buttonHeight + mulDiv(10, cy, 8) + 2 * mulDiv(8, cy, 8);

    EXPECT_EQ(box.size(), QSize(width, height));
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Tervana"));
    auto *button = box.findChild<QPushButton *>(QStringLiteral("OK"));
    ASSERT_TRUE(button);
    EXPECT_EQ(button->text(), QStringLiteral("OK"));
    EXPECT_EQ(button->geometry(), QRect((width - buttonWidth) / 2,
                                        textRect.height() + mulDiv(8, cy, 8) + mulDiv(10, cy, 8),
                                        buttonWidth, buttonHeight));
    EXPECT_TRUE(box.findChild<QWidget *>(QStringLiteral("Message")));
}

TEST(MessageBox, LongTextWrapsAtHalfTheScreen)
{
    const int half = QGuiApplication::primaryScreen()->geometry().width() / 2;
    QString text;
    for (int i = 0; i < 60; ++i)
        text += QStringLiteral("word ");
    TMessageLayout layout = messageLayout(QApplication::font("QMessageBox"), text, half * 2);
    EXPECT_LE(layout.messageRect.width(), half);
    EXPECT_GT(layout.messageRect.height(), QFontMetrics(QApplication::font()).height());
}

TEST(MessageBox, EnterEscAndClickCloseIt)
{
    TCountingForm *form = mainForm();
    focusForm(form);
    const std::function<void(TMessageForm *)> closers[] = {
        [](TMessageForm *box) { QTest::keyClick(box, Qt::Key_Return); },
        [](TMessageForm *box) { QTest::keyClick(box, Qt::Key_Escape); },
        [](TMessageForm *box) {
            QTest::mouseClick(box->findChild<QPushButton *>(QStringLiteral("OK")), Qt::LeftButton);
        },
    };
    for (const auto &closer : closers) {
        bool seen = false;
        QPoint centreOffset;
        whenShown<TMessageForm>([&](TMessageForm *box) {
            seen = true;
            const QRect screen = QGuiApplication::primaryScreen()->geometry();
            centreOffset = box->frameGeometry().center() - screen.center();
            closer(box);
        });
        ShowMessage(QStringLiteral("数据文件错误！"));
        EXPECT_TRUE(seen);
        EXPECT_LE(std::abs(centreOffset.x()), 1);
        EXPECT_LE(std::abs(centreOffset.y()), 1);
    }
}

TEST(MessageBox, CtrlCCopiesTheSevenLines)
{
    whenShown<TMessageForm>([](TMessageForm *box) {
        QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
        box->SetModalResult(mrOk);
    });
    ShowMessage(QStringLiteral("数据文件错误！"));
    const QString rule(27, QLatin1Char('-'));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), rule + "\r\nTervana\r\n" + rule +
                                                        "\r\n数据文件错误！\r\n" + rule +
                                                        "\r\nOK   \r\n" + rule + "\r\n");
}

#include "tst_shell.moc"

// The end of the desktop session, while a modal form and a box of the toolkit's are open:
// the save runs once, from the loop rather than the signal handler, then every loop ends.
TEST(Shell, SessionEndSignalSavesOnceThenEndsEveryLoop)
{
    mainForm();
    int saves = 0;
    bool boxReturned = false;
    Application->OnSessionEnd = [&] {
        ++saves;
        return true;
    };
    TDialogForm dialog;
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(50, [] {
            ::raise(SIGTERM);
            ::raise(SIGHUP);
        });
        QMessageBox box(QMessageBox::Critical, QStringLiteral("Tervana"), QStringLiteral("open"));
        box.exec();
        boxReturned = true;
    });
    EXPECT_EQ(dialog.ShowModal(), mrCancel);
    EXPECT_TRUE(boxReturned);
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(Application->ExitCode(), 0);
    // A box opened afterwards does not wait for anyone.
    QMessageBox late(QMessageBox::Critical, QStringLiteral("Tervana"), QStringLiteral("late"));
    late.exec();
    Application->OnSessionEnd = nullptr;
}

TEST(Shell, SessionEndThatCannotSaveEndsWithAFailureStatus)
{
    mainForm();
    Application->OnSessionEnd = [] () -> bool { throw Exception("Cannot create file /x"); };
    QTimer::singleShot(0, [] { ::raise(SIGHUP); });
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(Application->ExitCode(), 1);
    Application->OnSessionEnd = nullptr;
}
