#include "shell/Application.h"

#include "shell/Form.h"

#include "platform/Exception.h"
#include "platformui/Fonts.h"
#include "platformui/PlatformServices.h"

#include <QApplication>
#include <QEvent>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QWidget>

#include <cassert>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

TApplication *Application = nullptr;

namespace {

// The quit request travels through the event queue, so that it is taken by whichever loop
// runs when it arrives: the outer one or a modal one.
const QEvent::Type QuitRequest = static_cast<QEvent::Type>(QEvent::User + 1);

// The signal handler's end of the pair: a byte written there wakes the loop.
int s_signalWriteEnd = -1;

void onSessionSignal(int signal)
{
    const int savedErrno = errno;
    const char byte = static_cast<char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(s_signalWriteEnd, &byte, 1);
    errno = savedErrno;
}

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
    watchSessionEnd();
}

void TApplication::watchSessionEnd()
{
    // The session manager asks the program to save before it ends the session. The save
    // runs within the request, as the toolkit wants it; the end follows once the request
    // has been answered, so the session manager is not left waiting for a reply.
    QObject::connect(
        qApp, &QGuiApplication::commitDataRequest, qApp,
        [this](QSessionManager &) {
            saveForSessionEnd();
            QMetaObject::invokeMethod(qApp, [this] { EndSession(); }, Qt::QueuedConnection);
        },
        Qt::DirectConnection);
    // SIGTERM and SIGHUP, as a logout or shutdown sends them, reach the loop through a
    // socket pair: the handler writes one byte and does nothing else.
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return;
    ::fcntl(ends[0], F_SETFL, O_NONBLOCK);
    ::fcntl(ends[1], F_SETFL, O_NONBLOCK);
    s_signalWriteEnd = ends[1];
    auto *notifier = new QSocketNotifier(ends[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [this, ends] {
        char bytes[64];
        while (::read(ends[0], bytes, sizeof bytes) > 0) {
        }
        EndSession();
    });
    struct sigaction action
    {};
    action.sa_handler = onSessionSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGHUP, &action, nullptr);
}

void TApplication::saveForSessionEnd()
{
    if (m_sessionSaved) return;
    m_sessionSaved = true;
    bool saved = true;
    if (OnSessionEnd) {
        try {
            saved = OnSessionEnd();
        } catch (const std::exception &failure) {
            std::fprintf(stderr, "Tervana: %s\n", failure.what());
            saved = false;
        }
    }
    m_exitCode = saved ? 0 : 1;
}

void TApplication::EndSession()
{
    if (m_sessionEnding) return;
    m_sessionEnding = true;
    saveForSessionEnd();
    // Every loop ends now: the outer one and the modal ones (which see the terminated flag),
    // and any box of the toolkit's that is open or opened later.
    m_terminated = true;
    QCoreApplication::exit(m_exitCode);
}

TApplication::~TApplication()
{
    // From here a session's end is the system's default again: the loop is gone.
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGHUP, SIG_DFL);
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
    if (m_mainForm && !m_terminated) {
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
