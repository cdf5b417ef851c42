#include "shell/Application.h"
#include "data/ClientDataSet.h"
#include "DataSetTestSupport.h"
#include "data/DataSetJournal.h"
#include "data/Field.h"
#include "platform/Journal.h"
#include "platform/IntegrityRecord.h"
#include "forms/main/Main.h"
#include "MessageRecorder.h"
#include "ModalDriver.h"
#include "platform/ModulePath.h"
#include "RecordingPlatform.h"

#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/resource.h>
#include <sys/file.h>
#include <unistd.h>

#include <gtest/gtest.h>

// The data file check at the main window's activation. Each test runs in a process of its
// own, since a failed check ends the program.
namespace {

const std::string DataPath = executableDirectory() + "YaoPin.XML";

std::string shippedLikeFile()
{
    using testsupport::TValue;
    std::vector<std::vector<TValue>> rows;
    for (const char *name : {"\xB8\xD0\xC3\xB0\xC1\xE9", "ABC", "\xB0\xE5\xC0\xB6\xB8\xF9"}) {
        std::vector<TValue> row(22);
        row[0] = name;
        rows.push_back(row);
    }
    return integrity::sealed(testsupport::packet(testsupport::drugPacketFields(), rows));
}

const std::string JournalPath = DataPath + ".journal";

// The data file, with no journal of an earlier test beside it.
void writeDataFile(const std::string &bytes)
{
    std::ofstream(DataPath, std::ios::binary | std::ios::trunc) << bytes;
    for (const auto &entry : std::filesystem::directory_iterator(executableDirectory()))
        if (entry.path().filename().string().rfind("YaoPin.XML.journal", 0) == 0)
            std::filesystem::remove(entry.path());
}

// A journal for `file` whose one entry changes the first record's 适用症 to `text`.
void writeJournal(const std::string &file, const std::string &text)
{
    journal::TWriter writer;
    ASSERT_TRUE(writer.create(JournalPath, journalOwner(file)));
    TJournalEntry entry{TJournalEntry::TKind::Modify, 0, std::vector<std::optional<std::string>>(22)};
    entry.values[0] = "\xB8\xD0\xC3\xB0\xC1\xE9";
    entry.values[8] = text; // ShiYongZheng
    ASSERT_TRUE(writer.append(encodeJournalEntry(entry)));
}

std::string readDataFile(const std::string &path = DataPath)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

// Creates the main window and gives it the focus, which runs its activation handler.
TForm1 *startMainWindow()
{
    Application->CreateForm(Form1);
    Form1->show();
    Form1->activateWindow();
    waitFor([] { return Application->Screen().FocusedForm() == Form1; });
    return Form1;
}

bool programEnds()
{
    return waitFor([] { return Application->Terminated(); });
}

} // namespace

TEST(DataFileCheck, SealedFileOpensWithoutAnyMessage)
{
    writeDataFile(shippedLikeFile());
    TRecordingPlatform platform;
    TMessageRecorder recorder;
    TForm1 *form = startMainWindow();
    EXPECT_TRUE(recorder.messages.isEmpty());
    EXPECT_TRUE(platform.errorBoxes.isEmpty());
    ASSERT_TRUE(form->cds->Active());
    EXPECT_EQ(form->cds->RecordCount(), 3);
    EXPECT_EQ(form->cds->FileName(), DataPath);
    EXPECT_FALSE(programEnds());
}

TEST(DataFileCheck, OneByteMoreIsWrongButTheRecordsStillLoad)
{
    writeDataFile(shippedLikeFile() + " ");
    TRecordingPlatform platform;
    TMessageRecorder recorder;
    TForm1 *form = startMainWindow();
    EXPECT_EQ(recorder.messages, QStringList{"数据文件错误！"});
    EXPECT_TRUE(form->cds->Active()) << "the rest of the handler runs after the close request";
    EXPECT_EQ(form->cds->RecordCount(), 3);
    EXPECT_TRUE(programEnds());
}

TEST(DataFileCheck, MissingFileGivesBothMessagesThenTheDataSetError)
{
    ::unlink(DataPath.c_str());
    TRecordingPlatform platform;
    TMessageRecorder recorder;
    TForm1 *form = startMainWindow();
    EXPECT_EQ(recorder.messages, (QStringList{"数据文件不能打开！", "数据文件错误！"}));
    EXPECT_EQ(platform.errorBoxes, QStringList{"cds: Missing data provider or data packet."});
    EXPECT_FALSE(form->cds->Active());
    EXPECT_TRUE(programEnds());
}

TEST(DataFileCheck, FileHeldByAWriterCannotBeOpened)
{
    writeDataFile(shippedLikeFile());
    int writer = ::open(DataPath.c_str(), O_RDWR);
    ASSERT_EQ(flock(writer, LOCK_EX), 0);
    TRecordingPlatform platform;
    TMessageRecorder recorder;
    TForm1 *form = startMainWindow();
    ::close(writer);
    EXPECT_EQ(recorder.messages, (QStringList{"数据文件不能打开！", "数据文件错误！"}));
    EXPECT_EQ(platform.errorBoxes,
              QStringList{QString::fromStdString("cds: Cannot open file " + DataPath + ".")});
    EXPECT_FALSE(form->cds->Active());
    EXPECT_TRUE(programEnds());
}

TEST(DataFileCheck, AFifoAsTheDataFileIsAFileThatCannotBeOpenedAndNoWait)
{
    ::unlink(DataPath.c_str());
    ASSERT_EQ(::mkfifo(DataPath.c_str(), 0600), 0);
    // Nobody writes the FIFO: a reader that waits on it would hang the start for good.
    TRecordingPlatform platform;
    TMessageRecorder recorder;
    TForm1 *form = startMainWindow();
    EXPECT_EQ(recorder.messages, (QStringList{"数据文件不能打开！", "数据文件错误！"}));
    EXPECT_EQ(platform.errorBoxes,
              QStringList{QString::fromStdString("cds: Cannot open file " + DataPath + ".")});
    EXPECT_FALSE(form->cds->Active());
    EXPECT_TRUE(programEnds());
    ::unlink(DataPath.c_str());
}

TEST(DataFileCheck, AnUpdatesReportIsShownOnceAfterASoundOpen)
{
    const std::string report = executableDirectory() + ".update-report";
    writeDataFile(shippedLikeFile());
    std::ofstream(report, std::ios::binary)
        << "数据已更新到新版：更正 1 种药品，新增 0 种，删除 1 种。\n已删除：某药（某）\n";
    TRecordingPlatform platform;
    TMessageRecorder recorder;
    TForm1 *form = startMainWindow();
    EXPECT_EQ(recorder.messages, QStringList{"数据已更新到新版：更正 1 种药品，新增 0 种，删除 1 种。"});
    EXPECT_FALSE(std::filesystem::exists(report));
    form->FormActivate();
    EXPECT_EQ(recorder.messages.size(), 1) << "shown once";
    EXPECT_FALSE(programEnds());
}

TEST(DataFileCheck, AReportIsNotShownWhenTheCheckFailsNorReadWhenItIsNoFile)
{
    const std::string report = executableDirectory() + ".update-report";
    writeDataFile(shippedLikeFile() + " ");
    std::ofstream(report, std::ios::binary) << "数据已更新到新版。\n";
    {
        TRecordingPlatform platform;
        TMessageRecorder recorder;
        startMainWindow();
        EXPECT_EQ(recorder.messages, QStringList{"数据文件错误！"});
    }
    EXPECT_TRUE(std::filesystem::exists(report)) << "kept for a start that opens the data";
    std::filesystem::remove(report);
}

TEST(DataFileCheck, AReportThatIsAFifoDoesNotHangTheStart)
{
    const std::string report = executableDirectory() + ".update-report";
    std::filesystem::remove(report);
    ASSERT_EQ(::mkfifo(report.c_str(), 0600), 0);
    writeDataFile(shippedLikeFile());
    TRecordingPlatform platform;
    TMessageRecorder recorder;
    TForm1 *form = startMainWindow();
    EXPECT_TRUE(recorder.messages.isEmpty());
    EXPECT_TRUE(form->cds->Active());
    std::filesystem::remove(report);
}

TEST(DataFileCheck, LaterActivationRepeatsTheCheckWithoutReloading)
{
    writeDataFile(shippedLikeFile());
    TRecordingPlatform platform;
    TMessageRecorder recorder;
    TForm1 *form = startMainWindow();
    form->cds->Next();
    const int recordNumber = form->cds->RecNo();

    // Unchanged file: nothing shown, the data set stays where it was.
    form->FormActivate();
    EXPECT_TRUE(recorder.messages.isEmpty());
    EXPECT_EQ(form->cds->RecNo(), recordNumber);

    // A file changed on disk meanwhile fails the check, and the program ends.
    writeDataFile(shippedLikeFile() + "x");
    form->FormActivate();
    EXPECT_EQ(recorder.messages, QStringList{"数据文件错误！"});
    EXPECT_TRUE(programEnds());
}

TEST(DataFileCheck, ClosingWritesPostedEditsAndTheNextStartAcceptsTheFile)
{
    writeDataFile(shippedLikeFile());
    TRecordingPlatform platform;
    TMessageRecorder recorder;
    TForm1 *form = startMainWindow();
    TClientDataSet &cds = *form->cds;
    cds.Edit();
    cds.FieldByName("ShiYongZheng").SetAsString("\xCD\xB7\xCD\xB4"); // 头痛
    cds.Next();                                                      // posts
    form->Close();
    EXPECT_FALSE(cds.Active());
    EXPECT_TRUE(programEnds());
    EXPECT_TRUE(platform.errorBoxes.isEmpty());

    std::ifstream in(DataPath, std::ios::binary);
    const std::string written((std::istreambuf_iterator<char>(in)), {});
    EXPECT_TRUE(integrity::isSealed(written)) << "the next start's check passes";
    EXPECT_NE(written.find("\xCD\xB7\xCD\xB4"), std::string::npos);
}

TEST(DataFileCheck, ClosingWithAnUnpostedEditLeavesTheFileAlone)
{
    const std::string original = shippedLikeFile();
    writeDataFile(original);
    TRecordingPlatform platform;
    TMessageRecorder recorder;
    TForm1 *form = startMainWindow();
    form->cds->Edit();
    form->cds->FieldByName("ShiYongZheng").SetAsString("x");
    form->Close();
    EXPECT_TRUE(programEnds());
    std::ifstream in(DataPath, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), original);
}

TEST(DataFileCheck, FailedWriteBackShowsTheErrorAndASecondCloseEnds)
{
    const std::string original = shippedLikeFile();
    writeDataFile(original);
    TRecordingPlatform platform;
    TMessageRecorder recorder;
    TForm1 *form = startMainWindow();
    form->cds->Edit();
    form->cds->FieldByName("ShiYongZheng").SetAsString("\xCD\xB7\xCD\xB4");
    form->cds->Next();

    // A disk that takes no more than a few bytes: the new file cannot be written.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    getrlimit(RLIMIT_FSIZE, &previous);
    rlimit tiny = previous;
    tiny.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &tiny);
    form->Close();
    setrlimit(RLIMIT_FSIZE, &previous);

    EXPECT_EQ(platform.errorBoxes,
              QStringList{QString::fromStdString("cds: Cannot create file " + DataPath + ".")});
    EXPECT_FALSE(programEnds()) << "a failed close handler abandons the close";
    std::ifstream in(DataPath, std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), {}), original);

    // The data set is closed already, so the second close writes nothing and ends.
    form->Close();
    EXPECT_TRUE(programEnds());
    EXPECT_EQ(platform.errorBoxes.size(), 1);
}

TEST(DataFileCheck, AJournalIsReplayedAfterAPassedCheckAndFoldedAtTheClose)
{
    const std::string file = shippedLikeFile();
    writeDataFile(file);
    writeJournal(file, "from the journal");
    TRecordingPlatform platform;
    TMessageRecorder recorder;
    TForm1 *form = startMainWindow();
    EXPECT_TRUE(recorder.messages.isEmpty());
    ASSERT_TRUE(form->cds->Active());
    EXPECT_EQ(form->cds->ReplayedChanges(), 1);
    EXPECT_EQ(form->cds->FieldByName("ShiYongZheng").AsString(), "from the journal");
    form->Close();
    EXPECT_TRUE(programEnds());
    EXPECT_TRUE(platform.errorBoxes.isEmpty());
    EXPECT_TRUE(integrity::isSealed(readDataFile()));
    EXPECT_NE(readDataFile().find("from the journal"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(JournalPath));
}

TEST(DataFileCheck, AFailedCheckLeavesTheJournalAlone)
{
    const std::string file = shippedLikeFile() + " ";
    writeDataFile(file);
    writeJournal(file, "from the journal");
    const std::string journalBytes = readDataFile(JournalPath);
    TRecordingPlatform platform;
    TMessageRecorder recorder;
    TForm1 *form = startMainWindow();
    EXPECT_EQ(recorder.messages, QStringList{QStringLiteral("数据文件错误！")});
    EXPECT_TRUE(programEnds());
    EXPECT_EQ(form->cds->ReplayedChanges(), 0);
    EXPECT_EQ(readDataFile(JournalPath), journalBytes);
}

TEST(DataFileCheck, AFileReplacedWhileRunningGetsASideFileNamedInTheErrorBox)
{
    writeDataFile(shippedLikeFile());
    TRecordingPlatform platform;
    TMessageRecorder recorder;
    TForm1 *form = startMainWindow();
    form->cds->Edit();
    form->cds->FieldByName("ShiYongZheng").SetAsString("mine");
    form->cds->Next();
    const std::string theirs = integrity::sealed(testsupport::packet(
        testsupport::drugPacketFields(), {testsupport::drugRow("theirs")}));
    std::ofstream(DataPath + ".new", std::ios::binary) << theirs;
    std::filesystem::rename(DataPath + ".new", DataPath);
    form->Close();
    EXPECT_FALSE(programEnds()) << "the close reports the side file like any failed write-back";
    ASSERT_EQ(platform.errorBoxes.size(), 1);
    const QString box = platform.errorBoxes[0];
    const qsizetype at = box.indexOf(QString::fromStdString(executableDirectory() + "YaoPin（我的修改 "));
    ASSERT_GE(at, 0) << box.toStdString();
    EXPECT_TRUE(box.endsWith(QStringLiteral("）.XML.")));
    const std::string side = box.mid(at, box.size() - at - 1).toStdString();
    EXPECT_EQ(readDataFile(), theirs);
    EXPECT_TRUE(integrity::isSealed(readDataFile(side)));
    EXPECT_NE(readDataFile(side).find("mine"), std::string::npos);
    std::filesystem::remove(side);
    form->Close();
    EXPECT_TRUE(programEnds());
}

TEST(DataFileCheck, TheSessionsEndPostsThePendingEditAndWritesBack)
{
    writeDataFile(shippedLikeFile());
    TRecordingPlatform platform;
    TMessageRecorder recorder;
    TForm1 *form = startMainWindow();
    form->cds->Edit();
    form->cds->FieldByName("ShiYongZheng").SetAsString("posted");
    form->cds->Next();
    form->cds->Edit();
    form->cds->FieldByName("ShiYongZheng").SetAsString("pending");
    Application->EndSession();
    EXPECT_TRUE(Application->Terminated());
    EXPECT_EQ(Application->ExitCode(), 0);
    EXPECT_FALSE(form->cds->Active());
    EXPECT_TRUE(platform.errorBoxes.isEmpty());
    const std::string written = readDataFile();
    EXPECT_TRUE(integrity::isSealed(written));
    EXPECT_NE(written.find("posted"), std::string::npos);
    EXPECT_NE(written.find("pending"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(JournalPath));
}
