#include "data/ClientDataSet.h"
#include "data/DataSetJournal.h"
#include "DataSetTestSupport.h"
#include "data/Field.h"
#include "platform/FileIdentity.h"
#include "platform/IntegrityRecord.h"
#include "platform/Journal.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

// The posted edits through the ends a session meets: a crash (the journal), another writer
// (the side file) and a data file the user made read-only.
namespace {

namespace fs = std::filesystem;
using testsupport::readFile;
using testsupport::writeFile;

std::string dataFile(const std::string &firstName, int records = 20)
{
    std::vector<std::vector<testsupport::TValue>> rows;
    for (int i = 0; i < records; ++i) {
        std::vector<testsupport::TValue> row(22);
        row[0] = i == 0 ? firstName : "drug " + std::to_string(i);
        row[5] = "indication " + std::to_string(i);
        rows.push_back(row);
    }
    return integrity::sealed(testsupport::packet(testsupport::drugPacketFields(), rows));
}

// Runs `check` in a child process, as a user without privileges when the suite runs as
// root, so that permissions count; its exit status is the result (0: all held).
int inChild(const std::function<int()> &check, bool asNormalUser)
{
    const pid_t child = ::fork();
    if (child == 0) {
        if (asNormalUser && ::geteuid() == 0 &&
            (::setgroups(0, nullptr) != 0 || ::setresgid(65534, 65534, 65534) != 0 ||
             ::setresuid(65534, 65534, 65534) != 0))
            ::_exit(90);
        ::_exit(check());
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

class Lifecycle : public ::testing::Test
{
protected:
    void SetUp() override
    {
        folder = fs::temp_directory_path() /
                 ("tervana-lifecycle-" + std::to_string(getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
        path = (folder / "YaoPin.XML").string();
        journalPath = path + ".journal";
        original = dataFile("first");
        writeFile(path, original);
    }
    void TearDown() override { fs::remove_all(folder); }

    void open(TClientDataSet &cds, const std::string &file, bool withJournal = true)
    {
        createDrugFields(cds);
        cds.SetFileName(file);
        if (withJournal) cds.SetJournalFileName(file + ".journal");
        cds.Open();
    }

    // A fixed session of edits: a change, an inserted record, a change after it, a second
    // change of the first record.
    static void editSession(TClientDataSet &cds)
    {
        auto change = [&](int recordNumber, int field, const std::string &text) {
            cds.SetRecNo(recordNumber);
            cds.Edit();
            cds.field(field)->SetAsString(text);
            cds.Post();
        };
        change(1, 0, "changed first");
        cds.SetRecNo(3);
        cds.Insert();
        cds.field(0)->SetAsString("inserted");
        cds.field(9)->SetAsString(std::string(300, 'z'));
        cds.Post();
        change(5, 5, "after the insert");
        change(1, 6, "second change");
    }

    // What the same edits write when the session ends normally, without a journal.
    std::string expectedAfterSession()
    {
        const std::string reference = (folder / "reference.XML").string();
        writeFile(reference, original);
        {
            TClientDataSet cds("cds");
            open(cds, reference, false);
            editSession(cds);
            cds.Close();
        }
        std::string bytes = readFile(reference);
        fs::remove(reference);
        return bytes;
    }

    std::vector<std::string> namesIn() const
    {
        std::vector<std::string> names;
        for (const auto &entry : fs::directory_iterator(folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path folder;
    std::string path, journalPath, original;
};

TEST(Journal, TornTailAndBadChecksumKeepOnlyTheCompleteEntriesBefore)
{
    const std::string path =
        (fs::temp_directory_path() / ("tervana-journal-" + std::to_string(getpid()))).string();
    const std::vector<std::string> payloads = {"one", std::string(1000, 'b'), "", "three"};
    {
        journal::TWriter writer;
        ASSERT_TRUE(writer.create(path, "owner A"));
        for (const std::string &payload : payloads)
            ASSERT_TRUE(writer.append(payload));
    }
    const std::string whole = readFile(path);
    std::optional<journal::TContents> contents = journal::read(path);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->owner, "owner A");
    EXPECT_EQ(contents->entries, payloads);
    EXPECT_FALSE(contents->tornTail);
    EXPECT_EQ(contents->validLength, whole.size());

    // Cut anywhere inside the last entry: the three before it, and a torn tail.
    const std::size_t lastEntry = whole.size() - journal::entryBytes("three").size();
    for (std::size_t cut = lastEntry + 1; cut < whole.size(); ++cut) {
        writeFile(path, whole.substr(0, cut));
        contents = journal::read(path);
        ASSERT_TRUE(contents);
        EXPECT_EQ(contents->entries.size(), 3u) << cut;
        EXPECT_TRUE(contents->tornTail);
        EXPECT_EQ(contents->validLength, lastEntry);
    }
    // A changed byte in the second entry: only the first counts; what follows depends on it.
    std::string damaged = whole;
    const std::size_t second = journal::headerBytes("owner A").size() + journal::entryBytes("one").size();
    damaged[second + 12 + 500] ^= 0x01;
    writeFile(path, damaged);
    contents = journal::read(path);
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->entries, std::vector<std::string>{"one"});
    EXPECT_TRUE(contents->tornTail);
    // A damaged header belongs to nobody.
    damaged = whole;
    damaged[10] ^= 0x01;
    writeFile(path, damaged);
    contents = journal::read(path);
    ASSERT_TRUE(contents);
    EXPECT_TRUE(contents->owner.empty());
    EXPECT_TRUE(contents->entries.empty());

    // Reopened at the end of the complete entries, the torn tail goes and new entries follow.
    writeFile(path, whole.substr(0, whole.size() - 2));
    contents = journal::read(path);
    {
        journal::TWriter writer;
        ASSERT_TRUE(writer.reopen(path, contents->validLength));
        ASSERT_TRUE(writer.append("four"));
    }
    contents = journal::read(path);
    EXPECT_EQ(contents->entries,
              (std::vector<std::string>{"one", std::string(1000, 'b'), "", "four"}));
    EXPECT_FALSE(contents->tornTail);
    fs::remove(path);
    EXPECT_FALSE(journal::read(path));
}

TEST(Journal, EntriesOfTheDataSetSurviveTheirEncodingAndRefuseDamage)
{
    TJournalEntry entry{TJournalEntry::TKind::Insert, 7, {std::string("a"), std::nullopt, std::string()}};
    const std::string bytes = encodeJournalEntry(entry);
    EXPECT_EQ(decodeJournalEntry(bytes), entry);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(decodeJournalEntry(bytes.substr(0, cut))) << cut;
    EXPECT_FALSE(decodeJournalEntry(bytes + "x"));
    EXPECT_FALSE(decodeJournalEntry("X" + bytes.substr(1)));
}

// A crash after the edits: the next open shows them from the journal, and its close writes
// exactly the file the session would have written, then the journal goes.
TEST_F(Lifecycle, ACrashedSessionIsReplayedAndFoldedIntoTheSameFile)
{
    const std::string expected = expectedAfterSession();
    EXPECT_EQ(inChild(
                  [&] {
                      TClientDataSet cds("cds");
                      open(cds, path);
                      editSession(cds);
                      ::_exit(0); // no close, no destructor: as killed
                      return 0;
                  },
                  false),
              0);
    EXPECT_EQ(readFile(path), original);
    ASSERT_TRUE(fs::exists(journalPath));

    // A torn last write is dropped; the four complete entries stay.
    writeFile(journalPath, readFile(journalPath) + std::string("\x40\0\0\0garbage", 11));
    {
        TClientDataSet cds("cds");
        open(cds, path);
        EXPECT_EQ(cds.ReplayedChanges(), 4);
        EXPECT_EQ(cds.RecordCount(), 21);
        EXPECT_EQ(cds.field(0)->AsString(), "changed first");
        EXPECT_EQ(cds.field(6)->AsString(), "second change");
        cds.SetRecNo(3);
        EXPECT_EQ(cds.field(0)->AsString(), "inserted");
        cds.Close();
    }
    EXPECT_EQ(readFile(path), expected);
    EXPECT_FALSE(fs::exists(journalPath));
    EXPECT_EQ(namesIn(), std::vector<std::string>{"YaoPin.XML"});
}

// Edits after a replay join the journal; a second crash keeps both sessions' edits.
TEST_F(Lifecycle, EditsAfterAReplayAreJournaledToo)
{
    for (const char *name : {"one", "two"}) {
        EXPECT_EQ(inChild(
                      [&] {
                          TClientDataSet cds("cds");
                          open(cds, path);
                          cds.Last();
                          cds.Edit();
                          cds.field(1)->SetAsString(name);
                          cds.Post();
                          cds.Insert();
                          cds.field(0)->SetAsString(name);
                          cds.Post();
                          ::_exit(0);
                          return 0;
                      },
                      false),
                  0);
    }
    TClientDataSet cds("cds");
    open(cds, path);
    EXPECT_EQ(cds.ReplayedChanges(), 4);
    EXPECT_EQ(cds.RecordCount(), 22);
    cds.Close();
    TClientDataSet check("check");
    open(check, path, false);
    check.Last();
    EXPECT_EQ(check.field(1)->AsString(), "two");
    check.Prior();
    EXPECT_EQ(check.field(0)->AsString(), "two");
    check.Prior();
    EXPECT_EQ(check.field(0)->AsString(), "one");
}

// A journal of another file (an update replaced it, or its header is damaged, or its
// entries do not fit) is kept aside and never applied.
TEST_F(Lifecycle, AForeignJournalIsSetAsideNotApplied)
{
    const std::string otherFile = dataFile("other release", 5);
    journal::TWriter writer;
    ASSERT_TRUE(writer.create(journalPath, journalOwner(otherFile)));
    TJournalEntry entry{TJournalEntry::TKind::Modify, 0, std::vector<std::optional<std::string>>(22)};
    entry.values[0] = "from the other file";
    ASSERT_TRUE(writer.append(encodeJournalEntry(entry)));
    writer.close();
    const std::string foreign = readFile(journalPath);

    const std::string owner = journalOwner(original);
    TJournalEntry tooFar = entry;
    tooFar.position = 20; // one past the last record: no record to change
    const std::vector<std::string> cases = {
        foreign,
        journal::headerBytes(owner).substr(0, 9),
        journal::headerBytes(owner) + journal::entryBytes(encodeJournalEntry(tooFar)),
    };
    for (const std::string &journalBytes : cases) {
        writeFile(journalPath, journalBytes);
        TClientDataSet cds("cds");
        open(cds, path);
        EXPECT_EQ(cds.ReplayedChanges(), 0);
        EXPECT_EQ(cds.field(0)->AsString(), "first");
        EXPECT_FALSE(fs::exists(journalPath));
        std::vector<std::string> names = namesIn();
        ASSERT_EQ(names.size(), 2u);
        EXPECT_EQ(names[0], "YaoPin.XML");
        EXPECT_EQ(names[1].rfind("YaoPin.XML.journal.foreign-", 0), 0u) << names[1];
        EXPECT_EQ(readFile((folder / names[1]).string()), journalBytes);
        fs::remove(folder / names[1]);
        cds.Close();
        EXPECT_EQ(readFile(path), original);
    }
}

// A crash between making the journal and its first entry: nothing to replay, the close
// writes nothing and the empty journal goes.
TEST_F(Lifecycle, AJournalWithoutEntriesChangesNothingAndGoes)
{
    writeFile(journalPath, journal::headerBytes(journalOwner(original)) + "\x20\0");
    TClientDataSet cds("cds");
    open(cds, path);
    EXPECT_EQ(cds.ReplayedChanges(), 0);
    cds.Close();
    EXPECT_EQ(readFile(path), original);
    EXPECT_EQ(namesIn(), std::vector<std::string>{"YaoPin.XML"});
}

// At the close, a data file that is no longer the one read is left byte for byte; the data
// goes to a sealed side file that the error names.
TEST_F(Lifecycle, AFileChangedSinceTheOpenGetsASideFileInstead)
{
    struct TCase
    {
        const char *what;
        std::function<void(const std::string &)> change;
    };
    const std::vector<TCase> cases = {
        {"replaced by a rename",
         [](const std::string &file) {
             writeFile(file + ".new", dataFile("outsider"));
             fs::rename(file + ".new", file);
         }},
        {"rewritten in place, same size and time",
         [](const std::string &file) {
             struct stat before
             {};
             ::stat(file.c_str(), &before);
             std::string bytes = readFile(file);
             std::string other = dataFile("firsT");
             ASSERT_EQ(other.size(), bytes.size());
             writeFile(file, other);
             const timespec times[2] = {before.st_atim, before.st_mtim};
             ::utimensat(AT_FDCWD, file.c_str(), times, 0);
         }},
        {"touched", [](const std::string &file) {
             const timespec times[2] = {{1000, 0}, {1000, 0}};
             ::utimensat(AT_FDCWD, file.c_str(), times, 0);
         }},
    };
    for (const TCase &test : cases) {
        SCOPED_TRACE(test.what);
        writeFile(path, original);
        TClientDataSet cds("cds");
        open(cds, path);
        cds.Edit();
        cds.field(0)->SetAsString("mine");
        cds.Post();
        test.change(path);
        const std::string theirs = readFile(path);
        std::string side;
        try {
            cds.Close();
            ADD_FAILURE() << "the close replaced the file";
        } catch (const EDataFileReplaced &error) {
            side = error.SidePath();
            EXPECT_NE(error.Message().find(side), std::string::npos);
        }
        EXPECT_FALSE(cds.Active());
        EXPECT_EQ(readFile(path), theirs);
        EXPECT_FALSE(fs::exists(journalPath));
        ASSERT_FALSE(side.empty());
        EXPECT_EQ(fs::path(side).parent_path(), folder);
        const std::string name = fs::path(side).filename().string();
        EXPECT_EQ(name.rfind("YaoPin（我的修改 ", 0), 0u) << name;
        EXPECT_EQ(name.substr(name.size() - 7), "）.XML") << name;
        EXPECT_TRUE(integrity::isSealed(readFile(side)));
        // Renamed into place, it is the data file with the edit.
        fs::rename(side, path);
        TClientDataSet check("check");
        open(check, path, false);
        EXPECT_EQ(check.field(0)->AsString(), "mine");
        check.Close();
        EXPECT_EQ(namesIn(), std::vector<std::string>{"YaoPin.XML"});
    }
}

TEST_F(Lifecycle, AFileLeftAsItWasIsReplacedAndAMissingOneMadeAgain)
{
    for (bool removed : {false, true}) {
        writeFile(path, original);
        TClientDataSet cds("cds");
        open(cds, path);
        cds.Edit();
        cds.field(0)->SetAsString("mine");
        cds.Post();
        if (removed) fs::remove(path);
        cds.Close();
        EXPECT_EQ(namesIn(), std::vector<std::string>{"YaoPin.XML"});
        TClientDataSet check("check");
        open(check, path, false);
        EXPECT_EQ(check.field(0)->AsString(), "mine");
    }
}

TEST(SideFile, NameKeepsTheExtensionAndNeverTakesAnExistingFile)
{
    const fs::path folder = fs::temp_directory_path() / ("tervana-side-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::tm when{};
    when.tm_year = 126;
    when.tm_mon = 11;
    when.tm_mday = 11;
    when.tm_hour = 16;
    when.tm_min = 30;
    when.tm_sec = 5;
    when.tm_isdst = -1;
    const std::time_t time = std::mktime(&when);
    const std::string path = (folder / "YaoPin.XML").string();
    const std::string first = sideFilePath(path, time);
    EXPECT_EQ(first, (folder / "YaoPin（我的修改 2026-12-11 16-30-05）.XML").string());
    writeFile(first, "taken");
    EXPECT_EQ(sideFilePath(path, time), (folder / "YaoPin（我的修改 2026-12-11 16-30-05 2）.XML").string());
    EXPECT_EQ(fs::path(sideFilePath((folder / "data").string(), time)).filename().string(),
              "data（我的修改 2026-12-11 16-30-05）");
    fs::remove_all(folder);
}

// A data file that the user may not write is not replaced: the close fails as a file that
// cannot be created does, the file stays, and a second close ends without writing.
TEST_F(Lifecycle, AReadOnlyDataFileIsRefusedAtTheClose)
{
    ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    }
    const int result = inChild(
        [&] {
            TClientDataSet cds("cds");
            open(cds, path);
            cds.Edit();
            cds.field(0)->SetAsString("mine");
            cds.Post();
            const std::string message = testsupport::errorOf([&] { cds.Close(); });
            if (message != "cds: Cannot create file " + path) return 1;
            if (cds.Active()) return 2;
            if (!testsupport::errorOf([&] { cds.Close(); }).empty()) return 3;
            return 0;
        },
        true);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(path), original);
    struct stat info
    {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
    // The edit is not lost: the journal keeps it for the next start.
    EXPECT_TRUE(fs::exists(journalPath));
}

} // namespace
