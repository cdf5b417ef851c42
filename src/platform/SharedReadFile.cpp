#include "platform/SharedReadFile.h"

#include "platform/RegularFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

bool TSharedReadFile::open(const std::string &path)
{
    close();
    // Only a regular file, and never a wait on a FIFO that nobody writes.
    TFileFailure failure;
    const int fd = openRegularFile(path, failure);
    if (fd < 0) return false;
    if (flock(fd, LOCK_SH | LOCK_NB) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

void TSharedReadFile::close()
{
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

std::uint32_t TSharedReadFile::size32() const
{
    struct stat info
    {};
    if (m_fd < 0 || fstat(m_fd, &info) != 0) return 0xFFFFFFFFu;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(info.st_size));
}

std::optional<TByteBuffer> TSharedReadFile::readAll() const
{
    struct stat info
    {};
    if (m_fd < 0 || fstat(m_fd, &info) != 0) return std::nullopt;
    TByteBuffer content(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < content.size()) {
        ssize_t got =
            pread(m_fd, content.data() + done, content.size() - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return std::nullopt;
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    content.resize(done);
    // A file that grew while being read is read to its new end.
    char extra[65536];
    for (;;) {
        ssize_t got = pread(m_fd, extra, sizeof extra, static_cast<off_t>(content.size()));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        const std::size_t at = content.size();
        content.resize(at + static_cast<std::size_t>(got));
        std::memcpy(content.data() + at, extra, static_cast<std::size_t>(got));
    }
    return content;
}

bool fileExists(const std::string &path)
{
    struct stat info
    {};
    return ::stat(path.c_str(), &info) == 0;
}
