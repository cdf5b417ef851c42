#include "platform/AtomicFile.h"

#include "platform/ModulePath.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const TFileOperations SystemOperations = {
    ::mkstemp, ::write, ::fsync, ::close, ::rename,
};
const TFileOperations *s_operations = &SystemOperations;

bool writeAll(int fd, std::string_view content)
{
    std::size_t done = 0;
    while (done < content.size()) {
        ssize_t written = s_operations->write(fd, content.data() + done, content.size() - done);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            if (written == 0) errno = ENOSPC;
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

void syncDirectory(const std::string &directory)
{
    int fd =
        ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// True when the file at `path` is missing (a new one is made) or can be opened for writing
// now. Opened without truncating and without waiting (a FIFO without a reader refuses at
// once), and closed again: nothing of the file changes. Sets errno when false.
bool oldFileWritable(const std::string &path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    return errno == ENOENT;
}

constexpr std::size_t PieceSize = std::size_t(1) << 20;

} // namespace

// Writes the pieces it is handed to the file in its own thread, one at a time and in order.
// One piece is written while the next is filled; the two buffers change places.
class TAtomicFile::TWriter
{
public:
    explicit TWriter(int fd) : m_fd(fd), m_thread([this] { run(); }) {}

    ~TWriter()
    {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    // Takes `piece` to write and gives back an empty buffer in its place. False (with the
    // error's errno) once a write has failed.
    bool hand(std::string &piece)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_full || m_errno; });
        if (m_errno) return fail();
        std::swap(piece, m_next);
        piece.clear();
        m_full = true;
        m_changed.notify_all();
        return true;
    }

    // Waits until everything handed has been written.
    bool drain()
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return (!m_full && !m_writing) || m_errno; });
        return m_errno ? fail() : true;
    }

private:
    bool fail() const
    {
        errno = m_errno;
        return false;
    }

    void run()
    {
        std::string piece;
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [this] { return m_full || m_stop; });
            // Stopped: everything wanted was drained before, or the file is being given up.
            if (m_stop) return;
            std::swap(piece, m_next);
            m_full = false;
            m_writing = true;
            m_changed.notify_all();
            lock.unlock();
            const bool written = writeAll(m_fd, piece);
            const int error = errno;
            if (written) startWriteBack(piece.size());
            lock.lock();
            m_writing = false;
            if (!written) m_errno = error ? error : EIO;
            m_changed.notify_all();
        }
    }

    // Asks the system to start putting what has been written on the disk, every few
    // megabytes, without waiting for it: the disk then works while the rest of the content is
    // made, and the flush at the commit finds little left to do. Only a hint; the commit's
    // flush is what makes the file safe.
    void startWriteBack(std::size_t written)
    {
        m_unstarted += written;
        if (m_unstarted < WriteBackStep) return;
        ::sync_file_range(m_fd, static_cast<off_t>(m_started), static_cast<off_t>(m_unstarted),
                          SYNC_FILE_RANGE_WRITE);
        m_started += m_unstarted;
        m_unstarted = 0;
    }

    static constexpr std::size_t WriteBackStep = std::size_t(8) << 20;
    const int m_fd;
    std::size_t m_started = 0;   // bytes handed to the disk's write-back so far
    std::size_t m_unstarted = 0; // bytes written since
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_next; // the piece waiting to be written, when m_full
    bool m_full = false;
    bool m_writing = false;
    bool m_stop = false;
    int m_errno = 0;
    std::thread m_thread; // last: starts once the rest is ready
};

const TFileOperations &systemFileOperations()
{
    return SystemOperations;
}

void setFileOperations(const TFileOperations *operations)
{
    s_operations = operations ? operations : &SystemOperations;
}

TAtomicFile::TAtomicFile(std::string path)
    : m_path(std::move(path)), m_temporary(m_path + ".XXXXXX")
{
    // A file that could not be opened for writing is not replaced either: whoever made it
    // read-only meant it, and the rename alone would not ask.
    if (!oldFileWritable(m_path)) {
        m_errno = errno;
        m_temporary.clear();
        return;
    }
    m_fd = s_operations->createTemporary(m_temporary.data());
    if (m_fd < 0) {
        m_errno = errno;
        m_temporary.clear();
        return;
    }
    // Keep the owner (where the system lets us) and the permissions of the file being
    // replaced; a new file gets the usual ones. The owner goes first: a change of owner
    // clears the set-id bits that the mode then puts back.
    struct stat old
    {};
    mode_t mode = 0644;
    if (::stat(m_path.c_str(), &old) == 0) {
        mode = old.st_mode & 07777;
        if (::fchown(m_fd, old.st_uid, old.st_gid) != 0) {
            // Not permitted for another owner: the file becomes the writer's, as a new one would.
        }
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(m_fd, mode) != 0) discard();
}

TAtomicFile::~TAtomicFile()
{
    discard();
}

bool TAtomicFile::write(std::string_view bytes)
{
    if (!ok()) {
        errno = m_errno;
        return false;
    }
    while (!bytes.empty()) {
        const std::size_t take = std::min(bytes.size(), PieceSize - m_piece.size());
        m_piece.append(bytes.substr(0, take));
        bytes.remove_prefix(take);
        if (m_piece.size() == PieceSize && !hand(m_piece)) return false;
    }
    return true;
}

bool TAtomicFile::hand(std::string &piece)
{
    if (!m_writer) m_writer = std::make_unique<TWriter>(m_fd);
    if (!m_writer->hand(piece)) {
        discard();
        return false;
    }
    if (piece.capacity() < PieceSize) piece.reserve(PieceSize);
    return true;
}

// Everything written that has come, and the thread gone.
bool TAtomicFile::finishWriter()
{
    bool written = true;
    if (m_writer) {
        written = m_writer->drain();
        const int error = errno;
        m_writer.reset();
        errno = error;
    }
    if (written && !m_piece.empty()) written = writeAll(m_fd, m_piece);
    m_piece.clear();
    return written;
}

bool TAtomicFile::commit()
{
    if (!ok()) {
        errno = m_errno;
        return false;
    }
    if (!finishWriter()) {
        discard();
        return false;
    }
    const int fd = std::exchange(m_fd, -1);
    bool done = s_operations->sync(fd) == 0;
    m_errno = errno;
    if (s_operations->close(fd) != 0 && done) {
        done = false;
        m_errno = errno;
    }
    if (done && s_operations->rename(m_temporary.c_str(), m_path.c_str()) != 0) {
        done = false;
        m_errno = errno;
    }
    if (!done) {
        ::unlink(m_temporary.c_str());
        m_temporary.clear();
        errno = m_errno;
        return false;
    }
    m_temporary.clear();
    syncDirectory(directoryOf(m_path));
    return true;
}

void TAtomicFile::discard()
{
    const int savedErrno = errno;
    m_writer.reset();
    m_piece.clear();
    if (m_fd >= 0) s_operations->close(std::exchange(m_fd, -1));
    if (!m_temporary.empty()) ::unlink(m_temporary.c_str());
    m_temporary.clear();
    if (savedErrno) m_errno = savedErrno;
    errno = m_errno;
}

bool writeFileAtomically(const std::string &path, std::string_view content)
{
    TAtomicFile file(path);
    return file.write(content) && file.commit();
}
