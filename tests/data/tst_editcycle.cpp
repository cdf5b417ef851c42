// The edit cycle through field links, opening the data file and writing it back on close.
#include "DataSetTestSupport.h"

#include "engine/DataPacket.h"
#include "data/DataSource.h"
#include "data/FieldDataLink.h"
#include "platform/IntegrityRecord.h"

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace testsupport;

namespace {

// A memo-pane-like view: a field link plus the text the control holds.
struct TPane
{
    TPane(TDataSource &source, const std::string &fieldName, const std::string &controlName)
    {
        link.SetControlName(controlName);
        link.OnDataChange = [this] {
            ++reloads;
            text = link.Field() ? link.Field()->AsString() : std::string();
        };
        link.OnUpdateData = [this] { link.Field()->SetAsString(text); };
        link.OnEditingChange = [this] { ++editingChanges; };
        link.SetFieldName(fieldName);
        link.SetDataSource(&source);
    }

    // What a keystroke does: start editing once, then change the control's text.
    bool type(const std::string &typed)
    {
        if (!link.Edit()) return false;
        text = typed;
        link.SetModified();
        return true;
    }

    TFieldDataLink link;
    std::string text;
    int reloads = 0;
    int editingChanges = 0;
};

class EditCycleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        createDrugFields(cds);
        cds.SetFileName(path);
        source.SetDataSet(&cds);
    }

    void writeDrugs(const std::vector<std::string> &names,
                    const std::vector<std::pair<std::string, bool>> &params = {})
    {
        std::vector<std::vector<TValue>> rows;
        for (const std::string &name : names)
            rows.push_back(drugRow(name));
        writeFile(path, packet(drugPacketFields(), rows, params));
    }

    std::string name() const { return cds.FieldByName("TongYongMing").AsString(); }

    // The generic names of the file at `path`, read through a fresh data set.
    std::vector<std::string> namesInFile() const
    {
        TClientDataSet reader("cds");
        createDrugFields(reader);
        reader.SetFileName(path);
        reader.Open();
        std::vector<std::string> names;
        for (reader.First(); !reader.Eof(); reader.Next())
            names.push_back(reader.FieldByName("TongYongMing").AsString());
        reader.Close();
        return names;
    }

    const std::string folder = makeFolder();
    const std::string path = folder + "YaoPin.XML";
    TClientDataSet cds{"cds"};
    TDataSource source{"DataSource1"};
};

} // namespace

TEST_F(EditCycleTest, OpenFailuresNameTheirCauseAndLeaveTheSetClosed)
{
    struct TCase
    {
        const char *name;
        std::function<std::string()> prepare; // returns the file name to open
        std::string message;                  // "" = only the prefix is fixed
    };
    int writer = -1;
    const TCase cases[] = {
        {"no file name", [] { return std::string(); }, "cds: Missing data provider or data packet"},
        {"missing file", [&] { return folder + "none.xml"; },
         "cds: Missing data provider or data packet"},
        {"empty file",
         [&] {
             writeFile(folder + "empty.xml", "");
             return folder + "empty.xml";
         },
         "cds: Missing data provider or data packet"},
        {"a folder", [&] { return folder; }, "cds: Cannot open file " + folder},
        {"locked by a writer",
         [&] {
             writeDrugs({"a"});
             writer = ::open(path.c_str(), O_RDWR);
             EXPECT_EQ(flock(writer, LOCK_EX), 0);
             return path;
         },
         "cds: Cannot open file " + path},
        {"not a data packet",
         [&] {
             writeFile(folder + "junk.xml", "this is no packet");
             return folder + "junk.xml";
         },
         ""},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        cds.SetFileName(c.prepare());
        const std::string message = errorOf([&] { cds.Open(); });
        if (c.message.empty()) {
            EXPECT_EQ(message.rfind("cds: ", 0), 0u) << message;
            EXPECT_GT(message.size(), 5u);
        } else {
            EXPECT_EQ(message, c.message);
        }
        EXPECT_FALSE(cds.Active());
        EXPECT_EQ(source.State(), TDataSetState::Inactive);
        if (writer >= 0) {
            ::close(writer);
            writer = -1;
            EXPECT_NO_THROW(cds.Open()) << "opens once the writer is gone";
            cds.Close();
        }
    }
}

TEST_F(EditCycleTest, APostedEditIsWrittenBackOnClose)
{
    writeDrugs({"a", "b", "c"});
    const std::string before = readFile(path);
    TPane pane(source, "Tongyongming", "cxDBMemo1");
    cds.Open();
    EXPECT_EQ(pane.text, "a");

    ASSERT_TRUE(pane.type(gbkOf("感冒灵颗粒")));
    EXPECT_EQ(cds.State(), TDataSetState::Edit);
    EXPECT_TRUE(pane.link.Editing());
    EXPECT_EQ(name(), "a") << "the field gets the text only when the record is left";

    cds.Next(); // leaving the record posts it
    EXPECT_EQ(cds.State(), TDataSetState::Browse);
    EXPECT_EQ(pane.text, "b");
    cds.Prior();
    EXPECT_EQ(name(), gbkOf("感冒灵颗粒"));
    EXPECT_EQ(readFile(path), before) << "nothing is written before the close";

    cds.Close();
    EXPECT_EQ(pane.text, "") << "a closed data set shows nothing";
    const std::string after = readFile(path);
    EXPECT_NE(after, before);
    EXPECT_TRUE(integrity::isSealed(after));
    ASSERT_EQ(std::system("command -v xmllint >/dev/null"), 0)
        << "xmllint is needed (Debian package libxml2-utils)";
    EXPECT_EQ(std::system(("xmllint --noout '" + path + "'").c_str()), 0);
    EXPECT_EQ(namesInFile(), (std::vector<std::string>{gbkOf("感冒灵颗粒"), "b", "c"}));
}

TEST_F(EditCycleTest, AnUnpostedEditIsDroppedOnClose)
{
    writeDrugs({"a", "b"});
    const std::string before = readFile(path);
    TPane pane(source, "TongYongMing", "cxDBMemo1");
    cds.Open();
    ASSERT_TRUE(pane.type("changed"));
    cds.UpdateRecord(); // even a value already in the field is not posted by a close
    EXPECT_EQ(name(), "changed");
    cds.Close();
    EXPECT_EQ(cds.State(), TDataSetState::Inactive);
    EXPECT_EQ(readFile(path), before);
}

TEST_F(EditCycleTest, LeavingARecordWithoutAChangeCancelsTheEdit)
{
    writeDrugs({"a", "b"});
    const std::string before = readFile(path);
    TLog log;
    TRecordingLink watcher(log, "watcher");
    watcher.logCheckBrowseMode = true;
    watcher.SetDataSource(&source);
    cds.Open();
    cds.Edit();
    EXPECT_TRUE(watcher.Editing());
    log.clear();
    cds.Next();
    EXPECT_EQ(log, TLog({"watcher: check browse mode", "watcher: update data",
                         "watcher: check browse mode", "watcher: not editing", "watcher: changed",
                         "watcher: scrolled 1"}));
    cds.Close();
    EXPECT_EQ(readFile(path), before) << "a cancelled edit changes nothing";
}

TEST_F(EditCycleTest, TheLinkThatWritesDoesNotHearItsOwnChange)
{
    writeDrugs({"a"});
    TPane pane(source, "TongYongMing", "cxDBMemo1");
    TPane other(source, "Web", "cxDBMemo2");
    TPane sameField(source, "TONGYONGMING", "DBText1");
    cds.Open();
    ASSERT_TRUE(pane.type("typed"));
    const int paneReloads = pane.reloads;
    const int otherReloads = other.reloads;
    const int sameReloads = sameField.reloads;
    cds.UpdateRecord();
    EXPECT_EQ(pane.reloads, paneReloads);
    EXPECT_EQ(other.reloads, otherReloads) << "a change of another field reloads nothing";
    EXPECT_EQ(sameField.reloads, sameReloads + 1);
    EXPECT_EQ(sameField.text, "typed");
    EXPECT_TRUE(cds.Modified());

    // Reset drops what the control holds and shows the field again.
    pane.text = "scribble";
    pane.link.SetModified();
    pane.link.Reset();
    EXPECT_EQ(pane.text, "typed");
    EXPECT_FALSE(pane.link.Modified());
    cds.Post();
    EXPECT_EQ(name(), "typed");
    EXPECT_FALSE(cds.Modified());
}

TEST_F(EditCycleTest, TypingIntoAnEmptySetStartsARecord)
{
    writeDrugs({});
    const std::string before = readFile(path);
    TPane pane(source, "TongYongMing", "cxDBMemo1");
    cds.Open();
    ASSERT_TRUE(pane.type("first"));
    EXPECT_EQ(cds.State(), TDataSetState::Insert);
    EXPECT_FALSE(cds.IsEmpty());
    EXPECT_FALSE(cds.BookmarkAvailable()) << "the new record is not stored yet";
    cds.Close(); // without moving: the new record is discarded
    EXPECT_EQ(readFile(path), before);

    cds.Open();
    ASSERT_TRUE(pane.type("first"));
    cds.Post();
    EXPECT_EQ(cds.RecordCount(), 1);
    EXPECT_EQ(name(), "first");
    EXPECT_TRUE(cds.BookmarkAvailable());
    cds.Close();
    EXPECT_EQ(namesInFile(), (std::vector<std::string>{"first"}));
}

TEST_F(EditCycleTest, InsertGoesBeforeTheCurrentRecordAndCancelReturnsToIt)
{
    writeDrugs({"a", "b", "c"});
    cds.Open();
    cds.Next();
    cds.Insert();
    EXPECT_TRUE(cds.FieldByName("TongYongMing").IsNull());
    cds.Cancel();
    EXPECT_EQ(name(), "b");
    EXPECT_EQ(cds.RecordCount(), 3);

    cds.Insert();
    cds.FieldByName("TongYongMing").SetAsString("new");
    cds.Next(); // posts, then moves on
    EXPECT_EQ(name(), "b");
    EXPECT_EQ(cds.RecNo(), 3);
    cds.Close();
    EXPECT_EQ(namesInFile(), (std::vector<std::string>{"a", "new", "b", "c"}));
}

TEST_F(EditCycleTest, ChangesThatThePacketOrTheSetForbidAreRefused)
{
    struct TCase
    {
        const char *name;
        std::vector<std::string> drugs;
        std::vector<std::pair<std::string, bool>> params;
        bool readOnly;
        std::string message;
    };
    const TCase cases[] = {
        {"edits disabled",
         {"a"},
         {{"DISABLE_EDITS", true}},
         false,
         "cds: Modifications are not allowed"},
        {"inserts disabled, empty set",
         {},
         {{"DISABLE_INSERTS", true}},
         false,
         "cds: Modifications are not allowed"},
        {"read-only data set", {"a"}, {}, true, "cds: Cannot modify a read-only dataset"},
        {"edits disabled, empty set may insert", {}, {{"DISABLE_EDITS", true}}, false, ""},
        {"parameter false", {"a"}, {{"DISABLE_EDITS", false}}, false, ""},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        writeDrugs(c.drugs, c.params);
        cds.SetReadOnly(c.readOnly);
        TPane pane(source, "TongYongMing", "cxDBMemo1");
        cds.Open();
        EXPECT_EQ(errorOf([&] { cds.Edit(); }), c.message);
        if (!c.message.empty()) {
            EXPECT_EQ(cds.State(), TDataSetState::Browse);
            // A pane refuses the keystroke quietly instead.
            EXPECT_FALSE(pane.link.CanModify());
            EXPECT_FALSE(pane.type("x"));
        } else {
            EXPECT_TRUE(cds.State() == TDataSetState::Edit || cds.State() == TDataSetState::Insert);
            EXPECT_TRUE(pane.link.Editing());
        }
        cds.Close();
        cds.SetReadOnly(false);
    }
}

TEST_F(EditCycleTest, PostAndUpdateRecordNeedAnEdit)
{
    writeDrugs({"a"});
    cds.Open();
    EXPECT_EQ(errorOf([&] { cds.Post(); }), "cds: Dataset not in edit or insert mode");
    EXPECT_EQ(errorOf([&] { cds.UpdateRecord(); }), "cds: Dataset not in edit or insert mode");
    EXPECT_NO_THROW(cds.Cancel());
    cds.Edit();
    cds.Edit(); // already editing: nothing happens
    EXPECT_EQ(cds.State(), TDataSetState::Edit);
}

TEST_F(EditCycleTest, AFieldLinkNamesItsControlWhenTheFieldIsMissing)
{
    writeDrugs({"a"});
    TPane pane(source, "NoSuchField", "cxDBMemo3");
    EXPECT_EQ(errorOf([&] { cds.Open(); }), "cxDBMemo3: Field 'NoSuchField' not found");
    EXPECT_EQ(pane.link.Field(), nullptr);
}

TEST_F(EditCycleTest, DestroyingAnOpenSetWritesItsPostedChanges)
{
    writeDrugs({"a"});
    {
        TClientDataSet owned("cds");
        createDrugFields(owned);
        owned.SetFileName(path);
        owned.Open();
        owned.Edit();
        owned.FieldByName("TongYongMing").SetAsString("kept");
        owned.Post();
    }
    EXPECT_EQ(namesInFile(), (std::vector<std::string>{"kept"}));
}

// The three ways a write-back can fail; the old file (where there is one) must survive whole.
TEST_F(EditCycleTest, AFailedWriteBackIsReportedAndKeepsTheOldFile)
{
    struct TCase
    {
        const char *name;
        std::string fileName;
        std::function<void()> breakIt; // after the open, before the close
        std::function<void()> repair;
        bool oldFileRemains;
    };
    const std::string gone = makeFolder();
    // The temporary file's name (the file name plus a suffix) is too long for the folder.
    const std::string longName = folder + std::string(246, 'n') + ".xml";
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const TCase cases[] = {
        {"folder removed", gone + "YaoPin.XML", [&] { std::filesystem::remove_all(gone); }, [] {},
         false},
        {"temporary cannot be created", longName, [] {}, [] {}, true},
        {"disk full half-way", path,
         [&] {
             std::signal(SIGXFSZ, SIG_IGN);
             rlimit small = saved;
             small.rlim_cur = 64;
             setrlimit(RLIMIT_FSIZE, &small);
         },
         [&] { setrlimit(RLIMIT_FSIZE, &saved); }, true},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        writeDrugs({"a", "b"});
        if (c.fileName != path)
            std::filesystem::copy_file(path, c.fileName,
                                       std::filesystem::copy_options::overwrite_existing);
        const std::string before = readFile(c.fileName);
        cds.SetFileName(c.fileName);
        cds.Open();
        cds.Edit();
        cds.FieldByName("TongYongMing").SetAsString(std::string(500, 'x'));
        cds.Post();

        c.breakIt();
        const std::string message = errorOf([&] { cds.Close(); });
        c.repair();
        EXPECT_EQ(message, "cds: Cannot create file " + c.fileName);
        EXPECT_FALSE(cds.Active());
        EXPECT_NO_THROW(cds.Close()) << "a second close writes nothing";
        if (c.oldFileRemains) {
            EXPECT_EQ(readFile(c.fileName), before);
            for (const auto &entry : std::filesystem::directory_iterator(folder))
                EXPECT_TRUE(entry.path() == path || entry.path() == longName)
                    << "left behind: " << entry.path();
        }
    }
}

TEST_F(EditCycleTest, ALargeStoreIsWrittenBackWholeOrNotAtAll)
{
    // Megabytes of records: the packet goes to the disk in pieces, written by a thread of its
    // own, and must come out as one piece would.
    std::vector<std::string> names;
    for (int i = 0; i < 3000; ++i)
        names.push_back("drug " + std::to_string(i) + std::string(1000 + i % 7, 'a' + i % 26));
    writeDrugs(names);
    const std::string before = readFile(path);
    ASSERT_GT(before.size(), 3000000u);

    auto editFirst = [&] {
        cds.SetFileName(path);
        cds.Open();
        cds.Edit();
        cds.FieldByName("TongYongMing").SetAsString(gbkOf("感冒灵颗粒"));
        cds.Post();
    };

    // The disk fills two megabytes into the new file: the old file stays as it was.
    editFirst();
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 2u << 20;
    setrlimit(RLIMIT_FSIZE, &small);
    const std::string message = errorOf([&] { cds.Close(); });
    setrlimit(RLIMIT_FSIZE, &saved);
    EXPECT_EQ(message, "cds: Cannot create file " + path);
    EXPECT_TRUE(readFile(path) == before);
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        EXPECT_EQ(entry.path(), path) << "left behind";

    editFirst();
    cds.Close();
    const std::string after = readFile(path);
    ASSERT_TRUE(integrity::isSealed(after));
    names[0] = gbkOf("感冒灵颗粒");
    EXPECT_EQ(namesInFile(), names);
    // The same bytes, seal included, as the packet made in one piece from what was read.
    const TPacketContent content = readDataPacket(after);
    const std::size_t width = content.fields.size();
    const std::string whole = writeDataPacket(
        content.fields, content.params, content.rowCount,
        [&](std::size_t row, std::uint32_t fieldNo) -> std::optional<std::string_view> {
            const TPacketCell &cell = content.cells[row * width + fieldNo - 1];
            if (cell.isNull()) return std::nullopt;
            return cell.bytes();
        });
    EXPECT_TRUE(whole == after);
}
