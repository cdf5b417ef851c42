#include "platform/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::string TFileFailure::describe() const
{
    switch (kind) {
    case None: return {};
    case CannotOpen:
    case CannotRead: return std::strerror(error);
    case NotRegular: return "not a regular file";
    case TooLarge: return "too large";
    }
    return {};
}

int openRegularFile(const std::string &path, TFileFailure &failure)
{
    failure = {};
    // Looked at before it is opened: opening some devices already does something (a tape
    // rewinds, a terminal becomes ours), and a FIFO would wait for a writer.
    struct stat before
    {};
    if (::stat(path.c_str(), &before) != 0) {
        failure = {TFileFailure::CannotOpen, errno};
        return -1;
    }
    if (!S_ISREG(before.st_mode)) {
        failure = {TFileFailure::NotRegular, 0};
        return -1;
    }
    // Non-blocking, in case the name now stands for something else; the descriptor is
    // looked at again, then made blocking for the reads.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        failure = {TFileFailure::CannotOpen, errno};
        return -1;
    }
    struct stat opened
    {};
    if (::fstat(fd, &opened) != 0) {
        failure = {TFileFailure::CannotOpen, errno};
        ::close(fd);
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (!S_ISREG(opened.st_mode) || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        failure = {S_ISREG(opened.st_mode) ? TFileFailure::CannotOpen : TFileFailure::NotRegular,
                   S_ISREG(opened.st_mode) ? errno : 0};
        ::close(fd);
        return -1;
    }
    return fd;
}

namespace {

// Reads from `fd` into `content` from its current size on, until the end of the file or until
// it holds more than `bound` bytes (it then holds `bound` + 1). False on a read error.
bool readOn(int fd, std::string &content, std::size_t bound, TFileFailure &failure)
{
    constexpr std::size_t Piece = 64 * 1024;
    for (;;) {
        const std::size_t at = content.size();
        if (at > bound) return true;
        // What the size promised in one go, then a piece at a time; never past the bound's
        // first byte too many.
        std::size_t room = std::max(Piece, content.capacity() - at);
        if (bound - at < room) room = bound - at + 1;
        content.resize(at + room);
        const ssize_t got = ::read(fd, content.data() + at, room);
        if (got < 0) {
            content.resize(at);
            if (errno == EINTR) continue;
            failure = {TFileFailure::CannotRead, errno};
            return false;
        }
        content.resize(at + static_cast<std::size_t>(got));
        if (got == 0) return true;
    }
}

class TDescriptor
{
public:
    explicit TDescriptor(int fd) : m_fd(fd) {}
    ~TDescriptor()
    {
        if (m_fd >= 0) ::close(m_fd);
    }
    TDescriptor(const TDescriptor &) = delete;
    TDescriptor &operator=(const TDescriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

std::optional<std::string> readRegularFile(const std::string &path, std::size_t bound,
                                           TFileFailure &failure)
{
    const TDescriptor file(openRegularFile(path, failure));
    if (file.get() < 0) return std::nullopt;
    struct stat info
    {};
    if (::fstat(file.get(), &info) != 0) {
        failure = {TFileFailure::CannotOpen, errno};
        return std::nullopt;
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size > bound) {
        failure = {TFileFailure::TooLarge, 0};
        return std::nullopt;
    }
    std::string content;
    // The size is only a hint: the file may shrink or grow while it is read.
    content.reserve(static_cast<std::size_t>(size) + (size < bound ? 1 : 0));
    if (!readOn(file.get(), content, bound, failure)) return std::nullopt;
    if (content.size() > bound) {
        failure = {TFileFailure::TooLarge, 0};
        return std::nullopt;
    }
    return content;
}

std::optional<std::string> readRegularFileHead(const std::string &path, std::size_t count,
                                               TFileFailure &failure)
{
    const TDescriptor file(openRegularFile(path, failure));
    if (file.get() < 0) return std::nullopt;
    std::string content;
    if (count > 0 && !readOn(file.get(), content, count - 1, failure)) return std::nullopt;
    return content;
}
