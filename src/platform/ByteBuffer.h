#pragma once

#include <cstddef>
#include <new>
#include <string>
#include <string_view>

// Memory for large arrays, from the system in the same way as a large TByteBuffer. Blocks below
// a megabyte come from the ordinary allocator; `bytes` must be the same when released.
void *allocateLarge(std::size_t bytes);
void releaseLarge(void *memory, std::size_t bytes) noexcept;

// A standard allocator over allocateLarge, for containers that may grow to many megabytes.
template<class T>
struct TLargeAllocator
{
    using value_type = T;

    TLargeAllocator() = default;
    template<class U>
    TLargeAllocator(const TLargeAllocator<U> &)
    {}

    T *allocate(std::size_t count)
    {
        if (count > std::size_t(-1) / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T *>(allocateLarge(count * sizeof(T)));
    }
    void deallocate(T *memory, std::size_t count) noexcept
    {
        releaseLarge(memory, count * sizeof(T));
    }

    template<class U>
    bool operator==(const TLargeAllocator<U> &) const
    {
        return true;
    }
};

// Bytes of a whole file or packet in memory of their own, always followed by a zero byte
// that is not one of them (so that C string functions stop at the end). Large buffers come
// straight from the system, unfilled and asked to be backed by huge pages: on the machines
// we run on, touching a fresh page costs far more than the bytes copied into it, and a
// quarter-gigabyte file otherwise takes sixty thousand such first touches to read.
class TByteBuffer
{
public:
    TByteBuffer() = default;
    // `size` zero bytes.
    explicit TByteBuffer(std::size_t size);
    // A copy of `bytes`; also what lets a plain string stand where a buffer is taken.
    TByteBuffer(std::string_view bytes);
    TByteBuffer(const std::string &bytes) : TByteBuffer(std::string_view(bytes)) {}
    TByteBuffer(const char *bytes) : TByteBuffer(std::string_view(bytes)) {}
    ~TByteBuffer();

    TByteBuffer(TByteBuffer &&other) noexcept;
    TByteBuffer &operator=(TByteBuffer &&other) noexcept;
    TByteBuffer(const TByteBuffer &) = delete;
    TByteBuffer &operator=(const TByteBuffer &) = delete;

    char *data() { return m_data ? m_data : m_empty; }
    const char *data() const { return m_data ? m_data : m_empty; }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    std::string_view view() const { return {data(), m_size}; }

    // Grows (new bytes are zero, earlier ones kept; the bytes may move) or shrinks the buffer.
    void resize(std::size_t size);

private:
    void release();

    char *m_data = nullptr;
    std::size_t m_size = 0;
    std::size_t m_capacity = 0; // bytes that fit before the terminating zero
    char m_empty[1] = {0};
};
