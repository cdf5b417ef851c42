#include "platform/ByteBuffer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <utility>

namespace {

// Below this, the allocator's own pages are warm and cheap; above it, a mapping of its own.
constexpr std::size_t MappedFrom = std::size_t(1) << 20;
constexpr std::size_t HugePage = std::size_t(2) << 20;

std::size_t roundUp(std::size_t size, std::size_t unit)
{
    return (size + unit - 1) / unit * unit;
}

// `length` bytes (a multiple of the huge page) that start on a huge page boundary: the system
// backs only whole, aligned huge pages with huge pages.
char *mapAligned(std::size_t length)
{
    void *place = ::mmap(nullptr, length + HugePage, PROT_READ | PROT_WRITE,
                         MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (place == MAP_FAILED) throw std::bad_alloc();
    auto *start = static_cast<char *>(place);
    auto *aligned =
        reinterpret_cast<char *>(roundUp(reinterpret_cast<std::uintptr_t>(start), HugePage));
    if (aligned > start) ::munmap(start, std::size_t(aligned - start));
    const std::size_t tail = HugePage - std::size_t(aligned - start);
    if (tail) ::munmap(aligned + length, tail);
    // Only advice: without huge pages the buffer works the same, more slowly.
    ::madvise(aligned, length, MADV_HUGEPAGE);
    return aligned;
}

} // namespace

void *allocateLarge(std::size_t bytes)
{
    if (bytes < MappedFrom) return ::operator new(bytes);
    return mapAligned(roundUp(bytes, HugePage));
}

void releaseLarge(void *memory, std::size_t bytes) noexcept
{
    if (!memory) return;
    if (bytes < MappedFrom)
        ::operator delete(memory);
    else
        ::munmap(memory, roundUp(bytes, HugePage));
}

TByteBuffer::TByteBuffer(std::size_t size)
{
    resize(size);
}

TByteBuffer::TByteBuffer(std::string_view bytes)
{
    resize(bytes.size());
    if (!bytes.empty()) std::memcpy(m_data, bytes.data(), bytes.size());
}

TByteBuffer::~TByteBuffer()
{
    release();
}

TByteBuffer::TByteBuffer(TByteBuffer &&other) noexcept
    : m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0))
{}

TByteBuffer &TByteBuffer::operator=(TByteBuffer &&other) noexcept
{
    if (this != &other) {
        release();
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
    }
    return *this;
}

void TByteBuffer::resize(std::size_t size)
{
    if (size <= m_capacity) {
        // Bytes given up and taken again read as zero, as if they were new.
        if (size > m_size) std::memset(m_data + m_size, 0, size - m_size);
        m_size = size;
        if (m_data) m_data[m_size] = 0;
        return;
    }
    // Growing reads a file that grew while it was read: leave room for more of the same.
    const std::size_t capacity = m_capacity ? std::max(size, m_capacity + m_capacity / 2) : size;
    std::size_t length = capacity + 1;
    // A mapping of its own comes zero-filled and in whole huge pages: use all of it.
    if (length >= MappedFrom) length = roundUp(length, HugePage);
    auto *data = static_cast<char *>(allocateLarge(length));
    if (length < MappedFrom) std::memset(data, 0, length);
    if (m_size) std::memcpy(data, m_data, m_size);
    release();
    m_data = data;
    m_size = size;
    m_capacity = length - 1;
}

void TByteBuffer::release()
{
    releaseLarge(m_data, m_capacity + 1);
    m_data = nullptr;
    m_size = m_capacity = 0;
}
