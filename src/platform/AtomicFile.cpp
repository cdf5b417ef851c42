#include "AtomicFile.h"

#include "ModulePath.h"

#include <cerrno>
#include <cstdlib>
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

} // namespace

const TFileOperations &systemFileOperations()
{
    return SystemOperations;
}

void setFileOperations(const TFileOperations *operations)
{
    s_operations = operations ? operations : &SystemOperations;
}

bool writeFileAtomically(const std::string &path, std::string_view content)
{
    const std::string directory = directoryOf(path);
    std::string temporary = path + ".XXXXXX";
    int fd = s_operations->createTemporary(temporary.data());
    if (fd < 0) return false;

    // Keep the permissions of the file being replaced; a new file gets the usual ones.
    struct stat old
    {};
    mode_t mode = 0644;
    if (::stat(path.c_str(), &old) == 0)
        mode = old.st_mode & 07777;
    else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, content) && s_operations->sync(fd) == 0;
    int savedErrno = errno;
    if (s_operations->close(fd) != 0 && ok) {
        ok = false;
        savedErrno = errno;
    }
    if (ok && s_operations->rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        savedErrno = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        errno = savedErrno;
        return false;
    }
    syncDirectory(directory);
    return true;
}
