#include "platform/Journal.h"

#include "platform/RegularFile.h"

#include "platform/IntegrityRecord.h"
#include "platform/ModulePath.h"

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace journal {

namespace {

constexpr std::string_view Magic = "TVNJRNL1";
// No entry of a data set comes near this; a larger length is a damaged file, not an entry.
constexpr std::uint32_t MaxPayload = 64u << 20;

void putNumber(std::string &out, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t getNumber(std::string_view in, std::size_t at, int bytes)
{
    std::uint64_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= std::uint64_t(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return value;
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void syncFolderOf(const std::string &path)
{
    const std::string folder = directoryOf(path);
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

std::string headerBytes(std::string_view owner)
{
    std::string out(Magic);
    putNumber(out, owner.size(), 4);
    out += owner;
    putNumber(out, integrity::checksum(out), 8);
    return out;
}

std::string entryBytes(std::string_view payload)
{
    std::string length;
    putNumber(length, payload.size(), 4);
    std::string out = length;
    putNumber(out, integrity::checksum(length + std::string(payload)), 8);
    out += payload;
    return out;
}

std::optional<TContents> read(const std::string &path)
{
    TFileFailure failure;
    const std::optional<std::string> whole = readRegularFile(path, NoSizeBound, failure);
    if (!whole) return std::nullopt;
    const std::string &bytes = *whole;

    TContents contents;
    const std::string_view all(bytes);
    // The header: whole and intact, or the journal belongs to nobody.
    if (all.size() < Magic.size() + 4 || all.substr(0, Magic.size()) != Magic) {
        contents.tornTail = !all.empty();
        return contents;
    }
    const std::uint64_t ownerLength = getNumber(all, Magic.size(), 4);
    const std::uint64_t headerLength = Magic.size() + 4 + ownerLength + 8;
    if (ownerLength > MaxPayload || all.size() < headerLength ||
        getNumber(all, headerLength - 8, 8) != integrity::checksum(all.substr(0, headerLength - 8))) {
        contents.tornTail = true;
        return contents;
    }
    contents.owner = std::string(all.substr(Magic.size() + 4, ownerLength));
    std::size_t at = headerLength;
    contents.validLength = at;
    // Entries up to the first that is not whole or whose checksum fails: what follows it
    // depends on it, so none of it is read.
    while (at + 12 <= all.size()) {
        const std::uint64_t length = getNumber(all, at, 4);
        if (length > MaxPayload || at + 12 + length > all.size()) break;
        std::string checked(all.substr(at, 4));
        checked += all.substr(at + 12, length);
        if (getNumber(all, at + 4, 8) != integrity::checksum(checked)) break;
        contents.entries.emplace_back(all.substr(at + 12, length));
        at += 12 + length;
        contents.validLength = at;
    }
    contents.tornTail = contents.validLength < all.size();
    return contents;
}

TWriter::~TWriter()
{
    close();
}

bool TWriter::create(const std::string &path, std::string_view owner)
{
    close();
    // A new file under a temporary name, put in place whole, so that a crash here leaves
    // either the old journal or the new one with its header.
    std::string temporary = path + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    mode_t mask = ::umask(0);
    ::umask(mask);
    if (::fchmod(fd, 0666 & ~mask) != 0 || !writeAll(fd, headerBytes(owner)) ||
        ::fdatasync(fd) != 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
        ::close(fd);
        ::unlink(temporary.c_str());
        return false;
    }
    syncFolderOf(path);
    m_fd = fd;
    return true;
}

bool TWriter::reopen(const std::string &path, std::uint64_t validLength)
{
    close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info
    {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) ||
        ::ftruncate(fd, static_cast<off_t>(validLength)) != 0 ||
        ::lseek(fd, static_cast<off_t>(validLength), SEEK_SET) < 0 || ::fdatasync(fd) != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

bool TWriter::append(std::string_view payload)
{
    if (m_fd < 0) return false;
    // One write for the whole entry: a crash cuts it at worst, and the checksum tells.
    if (!writeAll(m_fd, entryBytes(payload)) || ::fdatasync(m_fd) != 0) {
        close();
        return false;
    }
    return true;
}

void TWriter::close()
{
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

void remove(const std::string &path)
{
    if (::unlink(path.c_str()) == 0) syncFolderOf(path);
}

std::string setAside(const std::string &path)
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    for (int attempt = 1; attempt < 100; ++attempt) {
        std::string aside = path + ".foreign-" + stamp;
        if (attempt > 1) aside += "-" + std::to_string(attempt);
        struct stat info
        {};
        if (::lstat(aside.c_str(), &info) == 0) continue;
        if (::rename(path.c_str(), aside.c_str()) != 0) return {};
        syncFolderOf(path);
        return aside;
    }
    return {};
}

} // namespace journal
