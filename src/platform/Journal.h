#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// An append-only journal of opaque entries beside a file: the changes made since that file
// was read, kept on the disk as they happen, so that neither a crash nor a killed process
// costs them. The journal names the file it belongs to (its owner, an identity text that
// the caller makes); each entry carries its own length and checksum, so that a write cut
// short by a crash is recognised as a torn tail and dropped, never read as an entry.
//
// Layout (all numbers little-endian):
//   header: "TVNJRNL1", owner length (u32), owner bytes, XXH64 of everything before (u64)
//   entry:  payload length (u32), XXH64 of the length and payload (u64), payload bytes
namespace journal {

struct TContents
{
    std::string owner;
    std::vector<std::string> entries; // the complete entries, in the order they were made
    std::uint64_t validLength = 0;    // bytes up to the end of the last complete entry
    bool tornTail = false;            // bytes after it that are no complete entry
};

// The journal at `path`: nothing when there is none (or it is no regular file, or cannot be
// read); an empty owner when its header is not whole or not intact.
std::optional<TContents> read(const std::string &path);

// The bytes of a header and of an entry, as the file holds them.
std::string headerBytes(std::string_view owner);
std::string entryBytes(std::string_view payload);

// Appends entries to a journal, each flushed to the disk (fdatasync) before append returns.
// Every failure is reported by a false result and closes the writer: the caller's data is
// then only where it was before, in memory.
class TWriter
{
public:
    TWriter() = default;
    ~TWriter();
    TWriter(const TWriter &) = delete;
    TWriter &operator=(const TWriter &) = delete;

    // A new journal for `owner` in place of whatever was at `path`.
    bool create(const std::string &path, std::string_view owner);
    // The journal at `path`, cut back to `validLength` (a torn tail goes), for more entries.
    bool reopen(const std::string &path, std::uint64_t validLength);
    bool isOpen() const { return m_fd >= 0; }
    bool append(std::string_view payload);
    void close();

private:
    int m_fd = -1;
};

// Removes the journal, and makes the removal itself last.
void remove(const std::string &path);
// Moves a journal that must not be applied out of the way, to a name that says so and keeps
// it for whoever wants to look at it; returns the new path (empty when it could not move).
std::string setAside(const std::string &path);

} // namespace journal
