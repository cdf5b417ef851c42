#include "AtomicFile.h"
#include "ModulePath.h"
#include "SharedReadFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <vector>
#include <fstream>
#include <sys/file.h>
#include <sys/stat.h>
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
    EXPECT_EQ(file.readAll().value_or(""), "12345");
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
