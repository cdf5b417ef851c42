#include "platform/IntegrityRecord.h"

#include "platform/RegularFile.h"

#include <xxhash.h>

#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace integrity {

namespace {

constexpr std::string_view SealHead = "<!-- tervana-integrity xxh64:";
constexpr std::string_view SealTail = " -->\n";
constexpr std::size_t DigitCount = 16;
constexpr std::size_t SealLength = SealHead.size() + DigitCount + SealTail.size();

std::string hex16(std::uint64_t value)
{
    static const char digits[] = "0123456789abcdef";
    std::string text(DigitCount, '0');
    for (std::size_t i = 0; i < DigitCount; ++i)
        text[DigitCount - 1 - i] = digits[(value >> (4 * i)) & 0xF];
    return text;
}

bool hasSealShape(std::string_view fileBytes)
{
    if (fileBytes.size() < SealLength) return false;
    std::string_view seal = fileBytes.substr(fileBytes.size() - SealLength);
    if (seal.substr(0, SealHead.size()) != SealHead ||
        seal.substr(SealLength - SealTail.size()) != SealTail)
        return false;
    for (char c : seal.substr(SealHead.size(), DigitCount))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

} // namespace

TChecksum::TChecksum() : m_state(XXH64_createState())
{
    if (!m_state) throw std::bad_alloc();
    XXH64_reset(m_state.get(), 0);
}

void TChecksum::update(std::string_view bytes)
{
    XXH64_update(m_state.get(), bytes.data(), bytes.size());
}

std::uint64_t TChecksum::digest() const
{
    return XXH64_digest(m_state.get());
}

void TChecksum::TFreeState::operator()(XXH64_state_s *state) const
{
    XXH64_freeState(state);
}

std::uint64_t checksum(std::string_view bytes)
{
    return XXH64(bytes.data(), bytes.size(), 0);
}

std::string sealFor(std::string_view content)
{
    return sealFor(checksum(content));
}

std::string sealFor(std::uint64_t contentChecksum)
{
    std::string seal;
    seal.reserve(SealLength);
    seal += SealHead;
    seal += hex16(contentChecksum);
    seal += SealTail;
    return seal;
}

std::string sealed(std::string_view content)
{
    std::string result;
    result.reserve(content.size() + SealLength);
    result += content;
    result += sealFor(content);
    return result;
}

bool isSealed(std::string_view fileBytes)
{
    if (!hasSealShape(fileBytes)) return false;
    std::string_view content = fileBytes.substr(0, fileBytes.size() - SealLength);
    return fileBytes.substr(fileBytes.size() - SealTail.size() - DigitCount, DigitCount) ==
           hex16(checksum(content));
}

std::string_view withoutSeal(std::string_view fileBytes)
{
    return hasSealShape(fileBytes) ? fileBytes.substr(0, fileBytes.size() - SealLength) : fileBytes;
}

std::int32_t expectedSize(const std::string &path)
{
    // What the size check reads for a file that cannot be opened.
    constexpr std::uint32_t Unreadable = 0xFFFFFFFFu;
    // Never waits on a FIFO or reads a device: only a regular file has a size to answer.
    TFileFailure failure;
    const int fd = openRegularFile(path, failure);
    if (fd < 0) return static_cast<std::int32_t>(Unreadable - 1);
    struct stat info
    {};
    if (::fstat(fd, &info) != 0) {
        ::close(fd);
        return static_cast<std::int32_t>(Unreadable - 1);
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    bool good = false;
    if (size >= SealLength) {
        void *mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (mapped != MAP_FAILED) {
            good = isSealed(std::string_view(static_cast<const char *>(mapped), size));
            ::munmap(mapped, size);
        }
    }
    ::close(fd);
    auto low = static_cast<std::uint32_t>(size);
    if (good) return static_cast<std::int32_t>(low);
    // Anything but the file's own size, and never the unreadable marker.
    std::uint32_t mismatch = low + 1;
    if (mismatch == Unreadable) mismatch = 0;
    if (mismatch == low) mismatch = 1;
    return static_cast<std::int32_t>(mismatch);
}

} // namespace integrity
