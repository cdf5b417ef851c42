#include "program/SingleInstance.h"

#include "shell/Application.h"
#include "shell/Form.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace {

const QByteArray ShowRequest = "show\n";
const QByteArray ShowAnswer = "shown\n";

// The same name for every spelling of the same file: links and relative parts resolved.
QString canonicalName(const std::string &path)
{
    std::error_code error;
    std::filesystem::path resolved = std::filesystem::weakly_canonical(path, error);
    if (error) resolved = std::filesystem::absolute(path, error);
    return QString::fromStdString(resolved.lexically_normal().string());
}

QString runtimeFolder()
{
    // Per user and private (0700): $XDG_RUNTIME_DIR, or the toolkit's own folder in /tmp.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

} // namespace

TSingleInstance::TSingleInstance(const std::string &dataFilePath, QString runtimeDirectory)
{
    if (runtimeDirectory.isEmpty()) runtimeDirectory = runtimeFolder();
    if (runtimeDirectory.isEmpty()) return;
    const QByteArray key =
        QCryptographicHash::hash(QFile::encodeName(canonicalName(dataFilePath)),
                                 QCryptographicHash::Sha256)
            .toHex()
            .left(16);
    const QString base = QDir(runtimeDirectory).filePath(QStringLiteral("tervana-") + key);
    m_lockPath = base + QStringLiteral(".lock");
    m_socketPath = base + QStringLiteral(".socket");
}

TSingleInstance::~TSingleInstance()
{
    if (m_server) {
        m_server->close();
        m_server.reset();
    }
    // The socket went with the server, while the lock still made it ours to remove; the
    // lock file stays, since another start may have it open already.
    if (m_lockFd >= 0) ::close(m_lockFd);
}

TSingleInstance::TClaim TSingleInstance::claim()
{
    if (m_lockPath.isEmpty()) return TClaim::Unguarded;
    QDir().mkpath(QFileInfo(m_lockPath).absolutePath());
    // Closed on exec: a program started from here (the shell's handler of a web address,
    // say) must not keep holding the lock once this process has ended.
    const int fd = ::open(QFile::encodeName(m_lockPath).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return TClaim::Unguarded;
    int locked;
    do {
        locked = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        const bool held = errno == EWOULDBLOCK;
        ::close(fd);
        return held ? TClaim::Running : TClaim::Unguarded;
    }
    m_lockFd = fd;
    // Whatever a run that ended without cleaning up left here is ours now.
    const std::string pid = std::to_string(::getpid()) + "\n";
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t written = ::pwrite(fd, pid.data(), pid.size(), 0);
    }
    listen();
    return TClaim::First;
}

void TSingleInstance::listen()
{
    // A socket left by a run that crashed answers nobody; the lock says it is not in use.
    QLocalServer::removeServer(m_socketPath);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_socketPath)) {
        // Later starts still find the lock held and end; they only cannot ask for the window.
        m_server.reset();
        return;
    }
    QObject::connect(m_server.get(), &QLocalServer::newConnection, m_server.get(), [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            QObject::connect(socket, &QLocalSocket::disconnected, socket,
                             &QLocalSocket::deleteLater);
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
                if (!socket->canReadLine()) {
                    if (socket->bytesAvailable() > 64) socket->abort();
                    return;
                }
                const QByteArray request = socket->readLine(64);
                if (request == ShowRequest) {
                    if (onShowRequest) guarded(onShowRequest);
                    socket->write(ShowAnswer);
                    socket->flush();
                }
                socket->disconnectFromServer();
            });
        }
    });
}

void TSingleInstance::holdUntilExit()
{
    m_server.reset();
    m_lockFd = -1; // closed by the process's end, with the lock
}

bool TSingleInstance::askRunningToShow(int timeoutMs) const
{
    if (m_socketPath.isEmpty()) return false;
    QElapsedTimer clock;
    clock.start();
    const auto left = [&] { return std::max(0, timeoutMs - static_cast<int>(clock.elapsed())); };
    QLocalSocket socket;
    // The running program may be between taking its lock and listening: try again a while.
    for (;;) {
        socket.connectToServer(m_socketPath);
        if (socket.waitForConnected(left())) break;
        socket.abort();
        if (left() == 0) return false;
        QThread::msleep(50);
    }
    socket.write(ShowRequest);
    if (!socket.waitForBytesWritten(left())) return false;
    QByteArray answer;
    while (!answer.endsWith('\n') && socket.waitForReadyRead(left()))
        answer += socket.readAll();
    return answer == ShowAnswer;
}

void bringProgramToFront()
{
    if (!Application) return;
    QWidget *main = Application->MainForm();
    if (main) {
        if (main->isMinimized()) main->setWindowState(main->windowState() & ~Qt::WindowMinimized);
        main->raise();
        main->activateWindow();
    }
    // A dialog that the program waits on stays above its main window.
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal != main) {
        modal->raise();
        modal->activateWindow();
    }
}
