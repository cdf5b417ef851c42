#include "platform/AtomicFile.h"
#include "data/ClientDataSet.h"
#include "DataSetTestSupport.h"
#include "data/Field.h"
#include "platform/IntegrityRecord.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// The write-back of the data file when the disk, the folder or the process fails on the way:
// the file is always the old one byte for byte or the whole new one.
namespace {

namespace fs = std::filesystem;

std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

void writeFile(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// A data file of a few hundred records, so that the new file takes several writes.
std::string dataFile(const char *firstName)
{
    using testsupport::TValue;
    std::vector<std::vector<TValue>> rows;
    for (int i = 0; i < 300; ++i) {
        std::vector<TValue> row(22);
        row[0] = i == 0 ? std::string(firstName) : "drug " + std::to_string(i);
        row[9] = std::string(200, 'x');
        rows.push_back(row);
    }
    return integrity::sealed(testsupport::packet(testsupport::drugPacketFields(), rows));
}

class WriteFaults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 ("tervana-faults-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        path = (folder / "YaoPin.XML").string();
        original = dataFile("old");
        writeFile(path, original);
    }
    void TearDown() override
    {
        setFileOperations(nullptr);
        fs::remove_all(folder);
    }

    // Opens the file, changes the first record's name and posts it.
    void openAndEdit(TClientDataSet &cds, const char *name = "new")
    {
        createDrugFields(cds);
        cds.SetFileName(path);
        cds.Open();
        cds.Edit();
        cds.field(0)->SetAsString(name);
        cds.Post();
    }

    // The first record's name in the file as it is now, read by a fresh data set.
    std::string firstNameOnDisk()
    {
        TClientDataSet check("check");
        createDrugFields(check);
        check.SetFileName(path);
        check.Open();
        return check.field(0)->AsString();
    }

    std::vector<std::string> strayFiles() const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(folder))
            if (entry.path().filename() != "YaoPin.XML") names.push_back(entry.path().string());
        return names;
    }

    fs::path folder;
    std::string path;
    std::string original;
};

// The installed operations fail one step with one error, the rest go to the system.
struct TFailingStep
{
    static inline int failAt = 0; // 1 create, 2 write, 3 sync, 4 close, 5 rename
    static inline int error = 0;

    static int fails(int step)
    {
        if (step != failAt) return 0;
        errno = error;
        return -1;
    }
    static int create(char *name)
    {
        return fails(1) ? -1 : systemFileOperations().createTemporary(name);
    }
    static ssize_t write(int fd, const void *bytes, std::size_t count)
    {
        return fails(2) ? -1 : systemFileOperations().write(fd, bytes, count);
    }
    static int sync(int fd) { return fails(3) ? -1 : systemFileOperations().sync(fd); }
    static int close(int fd)
    {
        // A failed close still releases the descriptor, as the system's does.
        const int result = systemFileOperations().close(fd);
        return fails(4) ? -1 : result;
    }
    static int rename(const char *from, const char *to)
    {
        return fails(5) ? -1 : systemFileOperations().rename(from, to);
    }
    static constexpr TFileOperations Operations = {create, write, sync, close, rename};
};

} // namespace

TEST_F(WriteFaults, AFailedStepKeepsTheOldFileAndNamesTheFile)
{
    struct Row
    {
        const char *name;
        int step;
        int error;
    };
    const Row rows[] = {
        {"read-only folder: no new file can be made", 1, EACCES},
        {"read-only file system", 1, EROFS},
        {"disk full on writing", 2, ENOSPC},
        {"quota exceeded on writing", 2, EDQUOT},
        {"I/O error on flushing", 3, EIO},
        {"disk full reported on closing", 4, ENOSPC},
        {"the folder refuses the rename", 5, EACCES},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        writeFile(path, original);
        TFailingStep::failAt = row.step;
        TFailingStep::error = row.error;
        TClientDataSet cds("cds");
        openAndEdit(cds);
        setFileOperations(&TFailingStep::Operations);
        try {
            cds.Close();
            ADD_FAILURE() << "the failed write-back was not reported";
        } catch (const EDatabaseError &error) {
            EXPECT_EQ(std::string(error.what()), "cds: Cannot create file " + path);
        }
        setFileOperations(nullptr);
        EXPECT_FALSE(cds.Active());
        EXPECT_EQ(readFile(path), original);
        EXPECT_EQ(strayFiles(), std::vector<std::string>{}) << "the temporary stays behind";
    }
}

TEST_F(WriteFaults, AFileSizeLimitKeepsTheOldFile)
{
    // The limit holds for root too, unlike a folder's permissions.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit tiny{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &tiny);
        int code = 1;
        try {
            TClientDataSet cds("cds");
            openAndEdit(cds);
            cds.Close();
        } catch (const EDatabaseError &error) {
            code = std::string(error.what()) == "cds: Cannot create file " + path ? 0 : 2;
        }
        _exit(code);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: the write succeeded, 2: another message";
    EXPECT_EQ(readFile(path), original);
    EXPECT_EQ(strayFiles(), std::vector<std::string>{});
}

namespace {

// Kills the process at the n-th step of the write: the steps are counted before and after
// each operation, and a write is cut to half of what it was asked for, so that a kill can
// also land inside the file's bytes.
struct TKillingSteps
{
    static inline int killAt = 0;
    static inline int step = 0;

    static void next()
    {
        if (++step == killAt) ::raise(SIGKILL);
    }
    static int create(char *name)
    {
        next();
        const int fd = systemFileOperations().createTemporary(name);
        next();
        return fd;
    }
    static ssize_t write(int fd, const void *bytes, std::size_t count)
    {
        next();
        const ssize_t written =
            systemFileOperations().write(fd, bytes, count > 1 ? count / 2 : count);
        next();
        return written;
    }
    static int sync(int fd)
    {
        next();
        const int result = systemFileOperations().sync(fd);
        next();
        return result;
    }
    static int close(int fd)
    {
        next();
        const int result = systemFileOperations().close(fd);
        next();
        return result;
    }
    static int rename(const char *from, const char *to)
    {
        next();
        const int result = systemFileOperations().rename(from, to);
        next();
        return result;
    }
    static constexpr TFileOperations Operations = {create, write, sync, close, rename};
};

} // namespace

TEST_F(WriteFaults, AProcessKilledAtAnyStepLeavesTheOldFileOrTheNewOne)
{
    // The file the write produces when nobody kills it.
    std::string written;
    {
        TClientDataSet cds("cds");
        openAndEdit(cds);
        cds.Close();
        written = readFile(path);
    }
    ASSERT_NE(written, original);

    bool sawOld = false, sawNew = false;
    for (int killAt = 1;; ++killAt) {
        SCOPED_TRACE("killed at step " + std::to_string(killAt));
        writeFile(path, original);
        for (const std::string &stray : strayFiles())
            fs::remove(stray);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            TClientDataSet cds("cds");
            openAndEdit(cds);
            TKillingSteps::killAt = killAt;
            setFileOperations(&TKillingSteps::Operations);
            try {
                cds.Close();
            } catch (...) {
                _exit(3);
            }
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        const std::string now = readFile(path);
        EXPECT_TRUE(now == original || now == written) << "a mix of both files";
        EXPECT_TRUE(integrity::isSealed(now));
        sawOld = sawOld || now == original;
        sawNew = sawNew || now == written;
        if (WIFEXITED(status)) {
            // The write ran to its end before the step came: every step has been tried.
            EXPECT_EQ(WEXITSTATUS(status), 0);
            EXPECT_EQ(now, written);
            break;
        }
        ASSERT_TRUE(WIFSIGNALED(status));
        ASSERT_LT(killAt, 10000) << "the write never ends";
    }
    EXPECT_TRUE(sawOld);
    EXPECT_TRUE(sawNew);
}

TEST_F(WriteFaults, AFileReplacedWhileOpenIsReplacedWholeOrLeftAlone)
{
    const std::string outsider = dataFile("outsider");

    // Unchanged data is never written: the file put there by someone else stays as it is.
    {
        TClientDataSet cds("cds");
        createDrugFields(cds);
        cds.SetFileName(path);
        cds.Open();
        const std::string moved = path + ".other";
        writeFile(moved, outsider);
        fs::rename(moved, path);
        cds.Close();
        EXPECT_EQ(readFile(path), outsider);
    }
    // Changed data does not replace the other writer's file: it goes whole to a side file.
    {
        writeFile(path, original);
        TClientDataSet cds("cds");
        openAndEdit(cds, "mine");
        writeFile(path, outsider); // overwritten in place this time
        std::string side;
        try {
            cds.Close();
        } catch (const EDataFileReplaced &error) {
            side = error.SidePath();
        }
        EXPECT_EQ(readFile(path), outsider);
        ASSERT_FALSE(side.empty());
        EXPECT_TRUE(integrity::isSealed(readFile(side)));
        TClientDataSet check("check");
        createDrugFields(check);
        check.SetFileName(side);
        check.Open();
        EXPECT_EQ(check.RecordCount(), 300);
        EXPECT_EQ(check.field(0)->AsString(), "mine");
    }
}
