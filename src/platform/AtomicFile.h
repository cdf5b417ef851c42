#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>

// Replaces the file at `path` with `content` so that, whatever happens on the way (a full
// disk, a killed process, a power loss), the path names either the old file whole or the new
// one whole: the bytes go to a temporary file in the same folder, are flushed to the disk,
// and only then is the temporary renamed over the old file. Returns false (with errno set)
// when the new file could not be put in place; the old file is then untouched. An old file
// that cannot be opened for writing (read-only to this user) is refused, as a plain rewrite
// would be; a replacement keeps the old file's mode and, where permitted, its owner.
bool writeFileAtomically(const std::string &path, std::string_view content);

// The same replacement for content that is made a piece at a time, so that none of it need
// be held whole: the pieces go to the temporary as they come, and commit() puts the file in
// place. Going without a successful commit (a failed write, an exception on the way)
// removes the temporary and leaves the old file as it was.
//
// Once more than a megabyte has come, the writing goes on in a thread of its own, so that
// whoever makes the content makes the next piece while the system copies the last one.
// A failed write is then reported by a later write() or by commit().
class TAtomicFile
{
public:
    explicit TAtomicFile(std::string path);
    ~TAtomicFile();
    TAtomicFile(const TAtomicFile &) = delete;
    TAtomicFile &operator=(const TAtomicFile &) = delete;

    // False once anything has failed, from the temporary's creation on, and after the commit.
    // write() and commit() return false with errno set when they or anything before failed.
    bool ok() const { return m_fd >= 0; }
    bool write(std::string_view bytes);
    bool commit();

private:
    class TWriter;

    void discard();
    bool hand(std::string &piece);
    bool finishWriter();

    std::string m_path;
    std::string m_temporary;
    int m_fd = -1;
    int m_errno = 0;
    std::string m_piece; // what has come since the last piece was handed on
    std::unique_ptr<TWriter> m_writer;
};

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
