#include "platform/FileIdentity.h"

#include "platform/RegularFile.h"

#include "platform/ModulePath.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Longer than the integrity record, so that the tail holds it whole.
constexpr std::size_t TailLength = 96;

} // namespace

std::optional<TFileIdentity> identifyFile(const std::string &path)
{
    TFileFailure failure;
    const int fd = openRegularFile(path, failure);
    if (fd < 0) return std::nullopt;
    struct stat info
    {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return std::nullopt;
    }
    TFileIdentity identity;
    identity.device = info.st_dev;
    identity.inode = info.st_ino;
    identity.size = static_cast<std::uint64_t>(info.st_size);
    identity.modifiedSeconds = info.st_mtim.tv_sec;
    identity.modifiedNanoseconds = info.st_mtim.tv_nsec;
    const std::size_t length = std::min<std::uint64_t>(identity.size, TailLength);
    identity.tail.resize(length);
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::pread(fd, identity.tail.data() + done, length - done,
                                    static_cast<off_t>(identity.size - length + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    identity.tail.resize(done);
    ::close(fd);
    return identity;
}

std::string sideFilePath(const std::string &path, std::time_t when)
{
    const std::string folder = directoryOf(path);
    const std::string name = path.substr(folder.size());
    const std::size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
    const std::string extension =
        dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
    std::tm local{};
    ::localtime_r(&when, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H-%M-%S", &local);
    for (int number = 1;; ++number) {
        std::string side = folder + stem + "（我的修改 " + stamp;
        if (number > 1) side += " " + std::to_string(number);
        side += "）" + extension;
        struct stat info
        {};
        if (::lstat(side.c_str(), &info) != 0 && errno == ENOENT) return side;
        if (number > 1000) return side;
    }
}
