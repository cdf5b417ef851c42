#include "shell/Form.h"

#include "shell/Application.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QShowEvent>

TForm::TForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    // A form without focusable controls must still take the focus when it becomes active,
    // or the focused-form record would never hear of it.
    setFocusPolicy(Qt::ClickFocus);
    if (Application) setWindowTitle(Application->Title());
}

TForm::~TForm()
{
    if (Application) Application->formDestroyed(this);
}

void TForm::Activate()
{
    if (OnActivate) guarded(OnActivate);
}

void TForm::Deactivate()
{
    if (OnDeactivate) guarded(OnDeactivate);
}

void TForm::centreOnScreen()
{
    QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->geometry();
    const QSize outer = frameGeometry().size();
    move(area.x() + (area.width() - outer.width()) / 2,
         area.y() + (area.height() - outer.height()) / 2);
}

int TForm::ShowModal()
{
    if (QWidget *grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    QPointer<QWidget> previousActive = QApplication::activeWindow();
    TScreen &screen = Application->Screen();
    // The toolkit's modality blocks input to the other windows without greying them out.
    setWindowModality(Qt::ApplicationModal);
    m_modal = true;
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    screen.pushModal(this);
    show();
    raise();
    activateWindow();
    m_modalResult = mrNone;
    while (true) {
        Application->HandleMessage();
        if (Application->Terminated()) {
            m_modalResult = mrCancel;
            break;
        }
        if (m_modalResult != mrNone) break;
    }
    const bool wasActive = QApplication::activeWindow() == this;
    // The previous form is the focused one again before the focus goes back to it, so that
    // its return is no activation.
    screen.popModal(this);
    hide();
    QApplication::restoreOverrideCursor();
    m_modal = false;
    setWindowModality(Qt::NonModal);
    // Without a window manager nothing hands the activation back, so a dialog that leaves
    // no active window behind gives it back itself.
    const QWidget *activeNow = QApplication::activeWindow();
    if (previousActive && previousActive != this && previousActive->isVisible() &&
        (wasActive || !activeNow || activeNow == this))
        previousActive->activateWindow();
    return m_modalResult;
}

void TForm::Close()
{
    close();
}

void TForm::closeEvent(QCloseEvent *event)
{
    // The form stays where it is unless the steps below say otherwise.
    event->ignore();
    if (m_modal) {
        m_modalResult = mrCancel;
        return;
    }
    TCloseAction action = TCloseAction::Hide;
    bool handled = true;
    if (OnClose) {
        handled = false;
        guarded([&] {
            OnClose(action);
            handled = true;
        });
    }
    // A failure in the close handler abandons the close.
    if (!handled) return;
    if (Application && Application->MainForm() == this) {
        Application->Terminate();
        return;
    }
    switch (action) {
    case TCloseAction::None: break;
    case TCloseAction::Hide: event->accept(); break;
    case TCloseAction::Minimize: showMinimized(); break;
    case TCloseAction::Free: {
        // Not from inside its own event: the form goes once the event has been handled.
        event->accept();
        QPointer<TForm> self(this);
        QMetaObject::invokeMethod(
            qApp,
            [self] {
                if (self && Application) Application->DestroyForm(self);
            },
            Qt::QueuedConnection);
        break;
    }
    }
}

void TForm::showEvent(QShowEvent *event)
{
    if (m_centredWhenShown && !event->spontaneous()) centreOnScreen();
    QWidget::showEvent(event);
}
