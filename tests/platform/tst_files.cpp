#include "platform/AtomicFile.h"
#include "platform/ModulePath.h"
#include "platform/RegularFile.h"
#include "platform/SharedReadFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <vector>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <functional>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string makeFolder()
{
    char folder[] = "/tmp/tervana-files-XXXXXX";
    return mkdtemp(folder) ? std::string(folder) + "/" : std::string();
}

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> entriesOf(const std::string &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Pieces of uneven sizes, many megabytes in all, each byte telling where it belongs.
std::vector<std::string> unevenPieces()
{
    std::vector<std::string> pieces;
    std::size_t at = 0;
    for (std::size_t size : {1u, 7u, 1u << 20, (1u << 20) - 1, 3u, 5u << 20, 65536u, 2u << 20}) {
        std::string piece;
        for (std::size_t i = 0; i < size; ++i, ++at)
            piece += static_cast<char>(at * 2654435761u >> 13);
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

// The write fails once this many bytes have gone to the file.
std::size_t s_writeRoom = 0;
ssize_t writeUntilFull(int fd, const void *bytes, std::size_t count)
{
    if (count > s_writeRoom) {
        errno = ENOSPC;
        return -1;
    }
    s_writeRoom -= count;
    return ::write(fd, bytes, count);
}

} // namespace

TEST(ModulePath, DirectoryEndsWithSlash)
{
    EXPECT_EQ(directoryOf("/opt/tervana/tervana"), "/opt/tervana/");
    EXPECT_EQ(directoryOf("tervana"), "");
    const std::string directory = executableDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), '/');
}

TEST(SharedReadFile, OpensReadsAndRefusesWhileAWriterHoldsTheLock)
{
    const std::string folder = makeFolder();
    const std::string path = folder + "data.xml";
    std::ofstream(path, std::ios::binary) << "12345";

    TSharedReadFile file(path);
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(file.size32(), 5u);
    const std::optional<TByteBuffer> content = file.readAll();
    ASSERT_TRUE(content);
    EXPECT_EQ(content->view(), "12345");
    EXPECT_EQ(content->data()[5], '\0');
    file.close();
    EXPECT_EQ(file.size32(), 0xFFFFFFFFu);

    int writer = ::open(path.c_str(), O_RDWR);
    ASSERT_EQ(flock(writer, LOCK_EX), 0);
    EXPECT_FALSE(TSharedReadFile(path).isOpen());
    ::close(writer);
    EXPECT_TRUE(TSharedReadFile(path).isOpen());

    EXPECT_FALSE(TSharedReadFile(folder + "missing.xml").isOpen());
    EXPECT_FALSE(TSharedReadFile(folder).isOpen()); // a folder is not a data file
}

TEST(RegularFile, ReadsWholeUpToItsBoundAndTakesTheSizeOnlyAsAHint)
{
    const std::string folder = makeFolder();
    const std::string path = folder + "ten";
    std::ofstream(path, std::ios::binary) << "0123456789";
    TFileFailure failure;
    EXPECT_EQ(readRegularFile(path, NoSizeBound, failure).value_or("(refused)"), "0123456789");
    EXPECT_EQ(readRegularFile(path, 10, failure).value_or("(refused)"), "0123456789");
    EXPECT_FALSE(readRegularFile(path, 9, failure));
    EXPECT_EQ(failure.kind, TFileFailure::TooLarge);
    EXPECT_EQ(readRegularFileHead(path, 4, failure).value_or("(refused)"), "0123");
    EXPECT_EQ(readRegularFileHead(path, 40, failure).value_or("(refused)"), "0123456789");
    EXPECT_FALSE(readRegularFile(folder + "missing", NoSizeBound, failure));
    EXPECT_EQ(failure.kind, TFileFailure::CannotOpen);
    EXPECT_EQ(failure.describe(), std::strerror(ENOENT));

    // A regular file whose size says 0 and that holds text all the same (the kernel's own
    // files do): read to its end, and still held to the bound.
    const std::optional<std::string> status = readRegularFile("/proc/self/status", NoSizeBound, failure);
    ASSERT_TRUE(status);
    EXPECT_EQ(status->rfind("Name:", 0), 0u) << *status;
    EXPECT_FALSE(readRegularFile("/proc/self/status", 16, failure));
    EXPECT_EQ(failure.kind, TFileFailure::TooLarge);

    // The descriptor it opens reads as any other: blocking, and closed on exec.
    const int fd = openRegularFile(path, failure);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0);
    ::close(fd);
    EXPECT_EQ(openRegularFile(folder, failure), -1);
    EXPECT_EQ(failure.kind, TFileFailure::NotRegular);
}

TEST(ByteBuffer, ZeroFilledTerminatedAndKeptWhenGrown)
{
    // Sizes on both sides of the point where buffers get a mapping of their own.
    for (std::size_t size : {0u, 1u, 4095u, (1u << 20) - 2, 1u << 20, (5u << 20) + 3}) {
        SCOPED_TRACE(size);
        TByteBuffer buffer(size);
        ASSERT_EQ(buffer.size(), size);
        EXPECT_EQ(buffer.view().find_first_not_of('\0'), std::string_view::npos);
        EXPECT_EQ(buffer.data()[size], '\0');
        if (size) std::memset(buffer.data(), 'x', size);

        buffer.resize(size + 3000000); // moves to a mapping when it was small
        EXPECT_EQ(buffer.view().substr(0, size), std::string(size, 'x'));
        EXPECT_EQ(buffer.view().find_first_not_of('\0', size), std::string_view::npos);
        EXPECT_EQ(buffer.data()[buffer.size()], '\0');

        buffer.resize(size / 2);
        buffer.resize(size); // bytes given up come back as zeros
        EXPECT_EQ(buffer.view().substr(0, size / 2), std::string(size / 2, 'x'));
        EXPECT_EQ(buffer.view().find_first_not_of('\0', size / 2), std::string_view::npos);

        const char *bytes = buffer.data();
        TByteBuffer moved(std::move(buffer));
        EXPECT_EQ(moved.size(), size);
        if (size) {
            EXPECT_EQ(moved.data(), bytes);
        }
        EXPECT_TRUE(buffer.empty());
        EXPECT_EQ(buffer.data()[0], '\0');
    }
    EXPECT_EQ(TByteBuffer(std::string_view("a\0b", 3)).view(), std::string_view("a\0b", 3));
}

TEST(AtomicFile, StreamedPiecesArriveInOrder)
{
    const std::string folder = makeFolder();
    const std::string path = folder + "YaoPin.XML";
    std::ofstream(path, std::ios::binary) << "old";
    std::string expected;
    {
        TAtomicFile file(path);
        ASSERT_TRUE(file.ok());
        for (const std::string &piece : unevenPieces()) {
            ASSERT_TRUE(file.write(piece));
            expected += piece;
        }
        EXPECT_EQ(readFile(path), "old"); // nothing is in place before the commit
        ASSERT_TRUE(file.commit());
    }
    EXPECT_TRUE(readFile(path) == expected);
    EXPECT_EQ(entriesOf(folder), std::vector<std::string>{"YaoPin.XML"});
}

TEST(AtomicFile, StreamedWriteThatFailsOrIsGivenUpLeavesTheOldFile)
{
    const std::string folder = makeFolder();
    const std::string path = folder + "YaoPin.XML";
    std::ofstream(path, std::ios::binary) << "old";
    const std::vector<std::string> pieces = unevenPieces();

    // The disk fills at several points: before the first write, in the writing thread's
    // first piece, and far into the content.
    const TFileOperations full = {::mkstemp, writeUntilFull, ::fsync, ::close, ::rename};
    for (std::size_t room : {0u, 100u, 3u << 20}) {
        SCOPED_TRACE(room);
        s_writeRoom = room;
        setFileOperations(&full);
        bool written = true;
        {
            TAtomicFile file(path);
            for (const std::string &piece : pieces)
                written = written && file.write(piece);
            written = written && file.commit();
            EXPECT_EQ(errno, ENOSPC);
        }
        setFileOperations(nullptr);
        EXPECT_FALSE(written);
        EXPECT_EQ(readFile(path), "old");
        EXPECT_EQ(entriesOf(folder), std::vector<std::string>{"YaoPin.XML"});
    }

    // The maker of the content gives up half way (an exception): no commit, nothing changes.
    try {
        TAtomicFile file(path);
        file.write(pieces[2]);
        file.write(pieces[5]);
        throw std::runtime_error("given up");
    } catch (const std::runtime_error &) {}
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(entriesOf(folder), std::vector<std::string>{"YaoPin.XML"});
}

TEST(AtomicFile, ReplacesWholeAndKeepsTheOldFileOnFailure)
{
    const std::string folder = makeFolder();
    const std::string path = folder + "YaoPin.XML";
    std::ofstream(path, std::ios::binary) << "old";
    ASSERT_TRUE(writeFileAtomically(path, "new content"));
    EXPECT_EQ(readFile(path), "new content");

    // A folder that is gone: nothing can be created, and nothing is left behind.
    const std::string gone = folder + "gone/YaoPin.XML";
    EXPECT_FALSE(writeFileAtomically(gone, "x"));

    // The target is a folder: the rename fails and the temporary is removed.
    const std::string blocked = folder + "blocked";
    ASSERT_EQ(::mkdir(blocked.c_str(), 0755), 0);
    EXPECT_FALSE(writeFileAtomically(blocked, "x"));
    std::vector<std::string> left;
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        left.push_back(entry.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"YaoPin.XML", "blocked"}));
    EXPECT_EQ(readFile(path), "new content");
}

namespace {

// Runs `check` as a user without privileges, so that file permissions count: in a child
// process that gives up root when the suite runs as root (as it does on the build machine).
// The child's result is its exit status: 0 when every expectation held.
int runAsNormalUser(const std::function<int()> &check)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
                                 ::setresuid(65534, 65534, 65534) != 0))
            ::_exit(90);
        ::_exit(check());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

} // namespace

TEST(AtomicFile, RefusesAReadOnlyFileInAWritableFolder)
{
    const std::string folder = makeFolder();
    const std::string path = folder + "YaoPin.XML";
    std::ofstream(path, std::ios::binary) << "old";
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    // The folder is the normal user's, as the user's own folder would be.
    ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }

    const int result = runAsNormalUser([&] {
        if (writeFileAtomically(path, "new")) return 1;
        if (errno != EACCES) return 2;
        TAtomicFile streamed(path);
        if (streamed.ok() || streamed.write("x") || streamed.commit()) return 3;
        return 0;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(path), "old");
    EXPECT_EQ(entriesOf(folder), std::vector<std::string>{"YaoPin.XML"});

    // Writable again, the same user replaces it, and the replacement keeps the mode.
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    EXPECT_EQ(runAsNormalUser([&] { return writeFileAtomically(path, "new") ? 0 : 1; }), 0);
    EXPECT_EQ(readFile(path), "new");
    struct stat info
    {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
}

TEST(AtomicFile, ReplacementKeepsTheOwnerWherePermitted)
{
    if (::geteuid() != 0) GTEST_SKIP() << "only root may give a file to another owner";
    const std::string folder = makeFolder();
    const std::string path = folder + "YaoPin.XML";
    std::ofstream(path, std::ios::binary) << "old";
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
    ASSERT_TRUE(writeFileAtomically(path, "new"));
    struct stat info
    {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, 65534u);
    EXPECT_EQ(info.st_gid, 65534u);
    EXPECT_EQ(info.st_mode & 07777, 0604u);
}
