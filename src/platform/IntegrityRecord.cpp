#include "platform/IntegrityRecord.h"

#include "platform/RegularFile.h"

#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace integrity {

namespace {

constexpr std::uint64_t Prime1 = 0x9E3779B185EBCA87ull;
constexpr std::uint64_t Prime2 = 0xC2B2AE3D27D4EB4Full;
constexpr std::uint64_t Prime3 = 0x165667B19E3779F9ull;
constexpr std::uint64_t Prime4 = 0x85EBCA77C2B2AE63ull;
constexpr std::uint64_t Prime5 = 0x27D4EB2F165667C5ull;

constexpr std::string_view SealHead = "<!-- tervana-integrity xxh64:";
constexpr std::string_view SealTail = " -->\n";
constexpr std::size_t DigitCount = 16;
constexpr std::size_t SealLength = SealHead.size() + DigitCount + SealTail.size();

inline std::uint64_t rotl(std::uint64_t value, int bits)
{
    return (value << bits) | (value >> (64 - bits));
}

inline std::uint64_t read64(const unsigned char *p)
{
    std::uint64_t value;
    std::memcpy(&value, p, sizeof value);
    return value; // little-endian host, as every machine we build for
}

inline std::uint32_t read32(const unsigned char *p)
{
    std::uint32_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

inline std::uint64_t round(std::uint64_t accumulator, std::uint64_t input)
{
    accumulator += input * Prime2;
    return rotl(accumulator, 31) * Prime1;
}

inline std::uint64_t mergeRound(std::uint64_t accumulator, std::uint64_t value)
{
    accumulator ^= round(0, value);
    return accumulator * Prime1 + Prime4;
}

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

TChecksum::TChecksum() : m_lanes{Prime1 + Prime2, Prime2, 0, 0 - Prime1}
{}

void TChecksum::update(std::string_view bytes)
{
    if (bytes.empty()) return; // an empty view may have no bytes to point at
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.data());
    const auto *end = p + bytes.size();
    m_length += bytes.size();
    if (m_pending + bytes.size() < sizeof m_stripe) {
        std::memcpy(m_stripe + m_pending, p, bytes.size());
        m_pending += bytes.size();
        return;
    }
    if (m_pending) {
        const std::size_t fill = sizeof m_stripe - m_pending;
        std::memcpy(m_stripe + m_pending, p, fill);
        p += fill;
        consume(m_stripe);
        m_pending = 0;
    }
    for (; end - p >= 32; p += 32)
        consume(p);
    m_pending = std::size_t(end - p);
    std::memcpy(m_stripe, p, m_pending);
}

void TChecksum::consume(const unsigned char *stripe)
{
    m_lanes[0] = round(m_lanes[0], read64(stripe));
    m_lanes[1] = round(m_lanes[1], read64(stripe + 8));
    m_lanes[2] = round(m_lanes[2], read64(stripe + 16));
    m_lanes[3] = round(m_lanes[3], read64(stripe + 24));
}

std::uint64_t TChecksum::digest() const
{
    const unsigned char *p = m_stripe;
    const unsigned char *end = p + m_pending;
    std::uint64_t hash;
    if (m_length >= 32) {
        const std::uint64_t *v = m_lanes;
        hash = rotl(v[0], 1) + rotl(v[1], 7) + rotl(v[2], 12) + rotl(v[3], 18);
        for (int lane = 0; lane < 4; ++lane)
            hash = mergeRound(hash, v[lane]);
    } else {
        hash = Prime5;
    }
    hash += m_length;
    for (; p + 8 <= end; p += 8) {
        hash ^= round(0, read64(p));
        hash = rotl(hash, 27) * Prime1 + Prime4;
    }
    if (p + 4 <= end) {
        hash ^= std::uint64_t(read32(p)) * Prime1;
        hash = rotl(hash, 23) * Prime2 + Prime3;
        p += 4;
    }
    for (; p < end; ++p) {
        hash ^= (*p) * Prime5;
        hash = rotl(hash, 11) * Prime1;
    }
    hash ^= hash >> 33;
    hash *= Prime2;
    hash ^= hash >> 29;
    hash *= Prime3;
    hash ^= hash >> 32;
    return hash;
}

std::uint64_t checksum(std::string_view bytes)
{
    TChecksum sum;
    sum.update(bytes);
    return sum.digest();
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
