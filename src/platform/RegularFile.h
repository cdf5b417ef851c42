#pragma once

#include <cstddef>
#include <limits>
#include <optional>
#include <string>

// Files that the program reads whole are read only when they are regular files: opening a
// FIFO for reading waits for a writer and every read waits for data, a device such as
// /dev/zero never ends, and a directory has no content to read. Nothing here ever blocks on
// such a file, and a regular file is read only up to a bound its caller chooses.
struct TFileFailure
{
    enum TKind {
        None,
        CannotOpen, // the open or the status query failed; `error` holds errno
        NotRegular, // a FIFO, socket, device or directory
        TooLarge,   // more bytes than the caller's bound
        CannotRead, // a read failed; `error` holds errno
    };
    TKind kind = None;
    int error = 0;

    explicit operator bool() const { return kind != None; }
    // In the words of the data tool: "No such file or directory", "not a regular file", ...
    std::string describe() const;
};

// A descriptor (read-only, closed on exec, blocking again) of `path` when it names a regular
// file, symbolic links followed; -1 with `failure` set otherwise. Anything that is not a
// regular file is refused before it is opened, and the open cannot block should the file be
// swapped for a FIFO in between.
int openRegularFile(const std::string &path, TFileFailure &failure);

constexpr std::size_t NoSizeBound = std::numeric_limits<std::size_t>::max();

// The whole content of the regular file `path` when it holds at most `bound` bytes, also when
// it grows while it is read; nothing with `failure` set otherwise.
std::optional<std::string> readRegularFile(const std::string &path, std::size_t bound,
                                           TFileFailure &failure);

// The first `count` bytes of the regular file `path` (all of it when it is shorter).
std::optional<std::string> readRegularFileHead(const std::string &path, std::size_t count,
                                               TFileFailure &failure);
