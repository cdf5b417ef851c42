#pragma once

#include "platform/ByteBuffer.h"

#include <cstdint>
#include <optional>
#include <string>

// A file opened for reading that nobody may write while it is open: it takes a shared
// advisory lock, so the open fails while a writer holds the exclusive lock.
class TSharedReadFile
{
public:
    TSharedReadFile() = default;
    explicit TSharedReadFile(const std::string &path) { open(path); }
    ~TSharedReadFile() { close(); }
    TSharedReadFile(const TSharedReadFile &) = delete;
    TSharedReadFile &operator=(const TSharedReadFile &) = delete;

    bool open(const std::string &path);
    void close();
    bool isOpen() const { return m_fd >= 0; }

    // The size's low 32 bits, or 0xFFFFFFFF when the file is not open.
    std::uint32_t size32() const;

    // The whole content, or nothing when it cannot be read.
    std::optional<TByteBuffer> readAll() const;

private:
    int m_fd = -1;
};

// True when the file exists as a directory entry, whether or not it can be opened.
bool fileExists(const std::string &path);
