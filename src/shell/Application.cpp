#include "shell/Application.h"

#include "shell/Form.h"

#include "platform/Exception.h"
#include "platformui/Fonts.h"
#include "platformui/PlatformServices.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

#include <cassert>

TApplication *Application = nullptr;

namespace {

// The quit request travels through the event queue, so that it is taken by whichever loop
// runs when it arrives: the outer one or a modal one.
const QEvent::Type QuitRequest = static_cast<QEvent::Type>(QEvent::User + 1);

} // namespace

// The toolkit's application object, extended so that every failure that escapes an event
// handler reaches the error box and the loop goes on.
class TToolkitApplication : public QApplication
{
public:
    TToolkitApplication(int &argc, char **argv) : QApplication(argc, argv) {}

    bool notify(QObject *receiver, QEvent *event) override
    {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception &failure) {
            if (Application) Application->HandleException(failure);
        }
        return false;
    }

    bool event(QEvent *event) override
    {
        if (event->type() == QuitRequest) {
            if (Application) Application->takeQuitRequest();
            return true;
        }
        return QApplication::event(event);
    }
};

TApplication::TApplication(int &argc, char **argv)
    : m_toolkit(std::make_unique<TToolkitApplication>(argc, argv))
{
    assert(!Application);
    Application = this;
    registerFontSubstitutes();
    QApplication::setFont(formFont(MsSansSerif, 13));
    QObject::connect(qApp, &QApplication::focusChanged, [this](QWidget *, QWidget *now) {
        if (!now) return;
        guarded([&] { m_screen.focusEntered(qobject_cast<TForm *>(now->window())); });
    });
}

TApplication::~TApplication()
{
    // The forms go last created first, before the toolkit's application object.
    m_destroying = true;
    while (!m_forms.empty()) {
        std::unique_ptr<TForm> form = std::move(m_forms.back());
        m_forms.pop_back();
        form.reset();
    }
    m_toolkit.reset();
    Application = nullptr;
}

void TApplication::adopt(std::unique_ptr<TForm> form)
{
    TForm *raw = form.get();
    m_forms.push_back(std::move(form));
    if (!m_mainForm) {
        m_mainForm = raw;
        raw->winId();
    }
}

void TApplication::DestroyForm(TForm *form)
{
    for (auto it = m_forms.begin(); it != m_forms.end(); ++it) {
        if (it->get() == form) {
            std::unique_ptr<TForm> owned = std::move(*it);
            m_forms.erase(it);
            owned.reset();
            return;
        }
    }
    delete form;
}

void TApplication::formDestroyed(TForm *form)
{
    if (m_mainForm == form) m_mainForm = nullptr;
    m_screen.forget(form);
    if (m_destroying) return;
    for (auto it = m_forms.begin(); it != m_forms.end(); ++it) {
        if (it->get() == form) {
            (void)it->release(); // destroyed by someone else already
            m_forms.erase(it);
            return;
        }
    }
}

void TApplication::Run()
{
    m_running = true;
    if (m_mainForm) {
        guarded([&] {
            m_mainForm->show();
            m_mainForm->activateWindow();
        });
    }
    while (!m_terminated)
        HandleMessage();
    m_running = false;
}

void TApplication::HandleMessage()
{
    try {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    } catch (const std::exception &failure) {
        HandleException(failure);
    }
}

void TApplication::Terminate()
{
    QCoreApplication::postEvent(qApp, new QEvent(QuitRequest));
}

void TApplication::takeQuitRequest()
{
    m_terminated = true;
}

void TApplication::HandleException(const std::exception &failure)
{
    if (dynamic_cast<const EAbort *>(&failure)) return;
    if (QWidget *grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
    const auto *own = dynamic_cast<const Exception *>(&failure);
    const std::string message = own ? own->Message() : std::string(failure.what());
    QWidget *owner = QApplication::activeWindow();
    if (!owner) owner = m_mainForm;
    platformServices().errorBox(owner, errorBoxText(message), m_title);
}

QString errorBoxText(const std::string &message)
{
    QString text = QString::fromStdString(message);
    if (message.empty()) return text;
    // The first byte of the last character decides, in UTF-8 as in any multi-byte code page.
    std::size_t last = message.size() - 1;
    while (last > 0 && (static_cast<unsigned char>(message[last]) & 0xC0) == 0x80)
        --last;
    if (static_cast<unsigned char>(message[last]) > static_cast<unsigned char>('.'))
        text += QLatin1Char('.');
    return text;
}

void guarded(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const std::exception &failure) {
        if (Application) Application->HandleException(failure);
    }
}
