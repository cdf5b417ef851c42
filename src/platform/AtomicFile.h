#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

// Replaces the file at `path` with `content` so that, whatever happens on the way (a full
// disk, a killed process, a power loss), the path names either the old file whole or the new
// one whole: the bytes go to a temporary file in the same folder, are flushed to the disk,
// and only then is the temporary renamed over the old file. Returns false (with errno set)
// when the new file could not be put in place; the old file is then untouched.
bool writeFileAtomically(const std::string &path, std::string_view content);

// The system calls the atomic write is made of, one per step, with the system's meaning
// (-1 and errno on failure; `write` may write less than asked). The system's own are used
// unless another table is installed: a disk that fills up, a folder that refuses new files
// or a process that dies between two steps is then something a check can bring about.
struct TFileOperations
{
    int (*createTemporary)(char *pathTemplate); // mkstemp
    ssize_t (*write)(int fd, const void *bytes, std::size_t count);
    int (*sync)(int fd);
    int (*close)(int fd);
    int (*rename)(const char *from, const char *to);
};

const TFileOperations &systemFileOperations();
// Installs `operations` for every later atomic write; nullptr goes back to the system's.
void setFileOperations(const TFileOperations *operations);
