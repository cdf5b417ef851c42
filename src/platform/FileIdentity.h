#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

// What tells one file at a path from another that has taken its place: the inode, the size,
// the modification time and the file's last bytes (where a data file keeps its integrity
// record). Two identities are equal only when all of them are.
struct TFileIdentity
{
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedSeconds = 0;
    std::int64_t modifiedNanoseconds = 0;
    std::string tail;
    bool operator==(const TFileIdentity &) const = default;
};

// The identity of the regular file at `path`, or nothing when there is none (or it cannot
// be opened: it is not waited for).
std::optional<TFileIdentity> identifyFile(const std::string &path);

// Where the data meant for `path` goes when the file there is no longer the one that was
// read: a new name beside it that says so, with the date and time, keeping the extension so
// that the file opens as a data file once renamed ("YaoPin（我的修改 2026-12-11 16-30-05）.XML").
// A name that is taken gets a number.
std::string sideFilePath(const std::string &path, std::time_t when);
