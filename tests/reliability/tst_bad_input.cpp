#include "data/ClientDataSet.h"
#include "engine/DataPacket.h"
#include "DataSetTestSupport.h"
#include "data/Field.h"
#include "criteria/FilterStream.h"
#include "platform/IntegrityRecord.h"
#include "platform/SharedReadFile.h"
#include "criteria/cxDataFilterCriteria.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <csignal>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

// Files users receive from elsewhere, damaged or hostile: every one gives the message below
// in well under a second, and nothing of it stays behind. The small inputs are the files in
// data/bad/; the big ones are made here.
namespace {

namespace fs = std::filesystem;
// The processor time this process spends, so that a machine busy with other work does not
// make a refusal look slow.
struct Clock
{
    static std::chrono::nanoseconds now()
    {
        timespec spent{};
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &spent);
        return std::chrono::seconds(spent.tv_sec) + std::chrono::nanoseconds(spent.tv_nsec);
    }
};

const fs::path BadFolder = fs::path(TERVANA_TEST_DATA_DIR) / "bad";
constexpr auto TimeLimit = std::chrono::seconds(1);

std::string readFile(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.is_open()) << path;
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

fs::path scratchFolder()
{
    static const fs::path folder = [] {
        fs::path made = fs::temp_directory_path() / ("tervana-bad-" + std::to_string(getpid()));
        fs::remove_all(made);
        fs::create_directories(made);
        return made;
    }();
    return folder;
}

fs::path scratchFile(const std::string &name, const std::string &bytes)
{
    const fs::path path = scratchFolder() / name;
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

// The drug fields with `rows` of values: the shape of the shipped file.
std::string drugPacket(const std::vector<std::vector<testsupport::TValue>> &rows)
{
    return integrity::sealed(testsupport::packet(testsupport::drugPacketFields(), rows));
}

std::vector<testsupport::TValue> drugRow(std::string name, std::string notes = "")
{
    std::vector<testsupport::TValue> row(22);
    row[0] = std::move(name);
    row[21] = std::move(notes);
    return row;
}

// Opens `path` as the main window's data set does. Returns the message of the refusal, or
// "opened" with the record count when the file loads. Either way the data set is checked
// for leftovers: a refused file leaves it closed with no field bound, and it then opens a
// good file as if nothing had happened.
std::string openDataFile(const fs::path &path)
{
    TClientDataSet cds("cds");
    createDrugFields(cds);
    cds.SetFileName(path.string());
    std::string result;
    const auto start = Clock::now();
    try {
        cds.Open();
        result = "opened, " + std::to_string(cds.RecordCount()) + " records";
    } catch (const EDatabaseError &error) {
        result = error.what();
    }
    const auto took = Clock::now() - start;
    EXPECT_LT(took, TimeLimit)
        << path << ": " << std::chrono::duration_cast<std::chrono::milliseconds>(took).count()
        << " ms";
    if (cds.Active()) {
        cds.Close();
        return result;
    }
    for (int i = 0; i < cds.FieldCount(); ++i)
        EXPECT_EQ(cds.field(i)->FieldNo(), 0u) << "a field of a refused file stays bound";
    const fs::path good = scratchFile("good.XML", drugPacket({drugRow("good")}));
    cds.SetFileName(good.string());
    cds.Open();
    EXPECT_EQ(cds.RecordCount(), 1);
    EXPECT_EQ(cds.field(0)->AsString(), "good");
    cds.Close();
    return result;
}

std::string packetError(int line, int offset, const std::string &what)
{
    return "cds: Data packet error at line " + std::to_string(line) + ", byte offset " +
           std::to_string(offset) + ": " + what;
}

// The filter stream of a ".flt" file read into criteria over the drug list's thirteen
// columns, whose IDs are their indexes: the refusal's message, or the filter text it gives.
std::string readFilter(const std::string &bytes, bool timed = true)
{
    TcxDataFilterCriteria criteria(TcxDataFilterItems{
        [] { return 13; },
        [](int, int) -> std::optional<std::string_view> { return std::string_view("abc"); },
        [](int column) { return "C" + std::to_string(column); },
        {}});
    const auto start = Clock::now();
    std::string result;
    try {
        criteria.readFromStream(bytes);
        result = "read: " + criteria.filterText();
        (void)criteria.matches(0);
    } catch (const Exception &error) {
        result = error.what();
    }
    if (timed) {
        EXPECT_LT(Clock::now() - start, TimeLimit);
    }
    return result;
}

struct TBadFile
{
    const char *file; // in data/bad/
    std::string message;
};

} // namespace

TEST(BadInput, DataFilesGiveTheirMessage)
{
    const std::string typeMismatch = "cds: Type mismatch for field '";
    const TBadFile rows[] = {
        {"empty.xml", "cds: Missing data provider or data packet"},
        {"not-xml.xml", packetError(1, 0, "text outside the root element")},
        {"wrong-root.xml",
         packetError(2, 37, "the root element must be <packet>, not <DATAPACKET>")},
        {"no-field-list.xml", packetError(2, 37, "<packet> has no <fields>")},
        {"duplicate-field-names.xml",
         packetError(5, 160, "duplicate field name 'tongyongming' (fields 1 and 2)")},
        {"unknown-field-type.xml", typeMismatch + "类别', expecting: String actual: Integer"},
        {"made-up-field-type.xml", typeMismatch + "通用名', expecting: String actual: Bogus"},
        {"row-unknown-field.xml",
         packetError(28, 1383, "attribute 'c23' names a field beyond the 22 fields of the packet")},
        {"row-named-field.xml", packetError(28, 1376, "unknown attribute 'TongYongMing' in <row>")},
        // Shown with a replacement character per bad byte; written back in the hex form.
        {"invalid-gbk-text.xml", "opened, 1 records"},
        {"invalid-gbk-reference.xml",
         packetError(28, 1380,
                     "character reference &#x1F600; names a character that GBK cannot represent")},
        {"nul-byte-literal.xml", packetError(28, 1381, "the packet contains a zero byte")},
        {"nul-byte-hex.xml", packetError(28, 1382, "a value must not contain a zero byte")},
        {"nul-byte-reference.xml",
         packetError(28, 1381, "a value must not contain a zero byte (&#0;)")},
        // Refused as a whole: no entity is ever expanded.
        {"billion-laughs.xml", packetError(2, 47, "a document type declaration is not allowed")},
        {"entity-without-doctype.xml", packetError(28, 1380, "unknown entity &lol9;")},
        {"cdata.xml", packetError(28, 1385, "unexpected text in <row>")},
        {"no-declaration.xml",
         packetError(1, 0, "missing XML declaration <?xml version=\"1.0\" encoding=\"GBK\"?>")},
        {"utf8-declaration.xml",
         packetError(1, 30, "the XML declaration must say encoding=\"GBK\", not 'UTF-8'")},
    };
    for (const TBadFile &row : rows) {
        SCOPED_TRACE(row.file);
        EXPECT_EQ(openDataFile(BadFolder / row.file), row.message);
    }
}

TEST(BadInput, FilterFilesGiveTheirMessage)
{
    const std::string damaged = "Stream read error";
    const TBadFile rows[] = {
        {"empty.flt", damaged},
        {"unknown-value-tag.flt", damaged},
        {"unknown-operator.flt", damaged},
        {"unknown-node-kind.flt", damaged},
        {"unknown-bool-operator.flt", damaged},
        {"truncated.flt", damaged},
        {"absurd-child-count.flt", damaged},
        {"absurd-text-length.flt", damaged},
        {"absurd-long-value.flt", damaged},
        {"absurd-array-count.flt", damaged},
        {"absurd-wide-length.flt", damaged},
        {"negative-child-count.flt", damaged},
        {"negative-text-length.flt", damaged},
        {"negative-long-value.flt", damaged},
        {"negative-array-count.flt", damaged},
        // A column the list does not have is kept, named by nothing and matching nothing.
        {"unknown-column-id.flt", "read: ( = abc)"},
    };
    for (const TBadFile &row : rows) {
        SCOPED_TRACE(row.file);
        EXPECT_EQ(readFilter(readFile(BadFolder / row.file)), row.message);
    }
}

TEST(BadInput, ATruncatedDataFileIsRefusedAtEveryOffset)
{
    const std::string whole =
        drugPacket({drugRow("\xB8\xD0\xC3\xB0", "a&b<c>\"d\"\r\n"), drugRow("x"), drugRow("", "")});
    const std::size_t rootEnd = whole.find("</packet>") + 9;
    const std::regex refusal("cds: Data packet error at line [0-9]+, byte offset ([0-9]+): .+");
    for (std::size_t cut = 1; cut < rootEnd; ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        const std::string message =
            openDataFile(scratchFile("truncated.XML", whole.substr(0, cut)));
        std::smatch match;
        ASSERT_TRUE(std::regex_match(message, match, refusal)) << message;
        EXPECT_LE(std::stoul(match[1]), cut) << "the fault lies beyond the file's end";
    }
    // Only the seal is cut: the data is whole, so it loads; the size check at start-up is
    // what refuses such a file.
    EXPECT_EQ(openDataFile(scratchFile("truncated.XML", whole.substr(0, rootEnd + 1))),
              "opened, 3 records");
    EXPECT_FALSE(integrity::isSealed(whole.substr(0, whole.size() - 1)));
}

namespace {

// The drug fields followed by `count` empty rows, one per line.
std::string emptyRows(std::size_t count)
{
    std::string packet = testsupport::packet(testsupport::drugPacketFields(), {});
    std::string rows;
    rows.reserve(count * 7);
    for (std::size_t i = 0; i < count; ++i)
        rows += "<row/>\n";
    packet.insert(packet.find("  </rows>"), rows);
    return packet;
}

// The refusal at the empty row after the first `limit` of emptyRows().
std::string refusedRow(std::size_t limit, const std::string &what)
{
    const std::string packet = testsupport::packet(testsupport::drugPacketFields(), {});
    const std::size_t firstRow = packet.find("  </rows>");
    const auto lines = std::count(packet.begin(), packet.begin() + std::ptrdiff_t(firstRow), '\n');
    return packetError(static_cast<int>(1 + lines + limit), static_cast<int>(firstRow + 7 * limit),
                       what);
}

} // namespace

TEST(BadInput, HostileDataFiles)
{
    struct Row
    {
        const char *name;
        std::function<std::string()> make;
        std::string message;
    };
    // An external entity naming a pipe nobody writes: reading it would hang the test.
    const fs::path pipe = scratchFolder() / "never-read";
    fs::remove(pipe);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const Row rows[] = {
        {"external entity (never read)",
         [&] {
             std::string packet =
                 testsupport::packet(testsupport::drugPacketFields(), {drugRow("&secret;")});
             const std::size_t root = packet.find("<packet");
             packet.insert(root, "<!DOCTYPE packet [<!ENTITY secret SYSTEM \"file://" +
                                     pipe.string() + "\">]>\n");
             packet.replace(packet.find("&amp;secret;"), 12, "&secret;");
             return packet;
         },
         packetError(2, 47, "a document type declaration is not allowed")},
        {"a value of 64 KiB and one byte",
         [] { return drugPacket({drugRow("x", std::string(64 * 1024 + 1, 'a'))}); },
         "opened, 1 records"},
        {"a value of 8 MiB", [] { return drugPacket({drugRow(std::string(8 << 20, '\xB8'))}); },
         "opened, 1 records"},
        // Refused before the file is parsed, so neither the parser nor the store grows.
        {"ten million empty rows", [] { return emptyRows(10'000'000); },
         refusedRow(MaxPacketValues, "more than 4194304 rows")},
        // Few enough rows to parse, too many values for the drug fields.
        {"two hundred thousand empty rows", [] { return emptyRows(200'000); },
         refusedRow(MaxPacketValues / 22, "more than 4194304 values (rows times fields)")},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(openDataFile(scratchFile("hostile.XML", row.make())), row.message);
    }
}

TEST(BadInput, LongValuesLoadWhole)
{
    // The store keeps what the file holds; only an edit cuts a value to the field's size.
    const std::string value(64 * 1024 + 1, 'a');
    const fs::path path = scratchFile("long.XML", drugPacket({drugRow("x", value)}));
    TClientDataSet cds("cds");
    createDrugFields(cds);
    cds.SetFileName(path.string());
    cds.Open();
    EXPECT_EQ(cds.field(21)->AsString(), value);
}

namespace {

// Groups nested `depth` deep, one condition in the innermost.
std::string nestedGroups(int depth)
{
    std::string bytes = "\xFF\xFF\xFF\xFF";
    bytes += '\0';
    auto int32 = [&](std::int32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes += static_cast<char>(v >> (8 * i) & 0xFF);
    };
    int32(1);
    for (int i = 0; i < depth; ++i) {
        bytes += '\x01';
        bytes += '\0';
        int32(1);
    }
    bytes += '\0';
    bytes += '\0';
    int32(1);
    bytes += 'x';
    int32(0);
    bytes += "\x06\x01x";
    return bytes;
}

// One condition whose value is arrays nested `depth` deep.
std::string nestedArrays(int depth)
{
    std::string bytes = nestedGroups(0);
    bytes.resize(bytes.size() - 3);
    for (int i = 0; i < depth; ++i)
        bytes += "\x01\x02\x01";
    bytes += '\0';
    return bytes;
}

} // namespace

TEST(BadInput, HostileFilterFiles)
{
    EXPECT_EQ(readFilter(nestedGroups(cxFilterStreamMaxDepth)).substr(0, 6), "read: ");
    EXPECT_EQ(readFilter(nestedGroups(cxFilterStreamMaxDepth + 1)), "Stream read error");
    EXPECT_EQ(readFilter(nestedGroups(1'000'000)), "Stream read error");
    EXPECT_EQ(readFilter(nestedArrays(cxFilterStreamMaxDepth + 1)), "Stream read error");
    EXPECT_EQ(readFilter(nestedArrays(1'000'000)), "Stream read error");

    const std::string whole = nestedGroups(3);
    ASSERT_EQ(readFilter(whole).substr(0, 6), "read: ");
    for (std::size_t cut = 0; cut < whole.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        EXPECT_EQ(readFilter(whole.substr(0, cut)), "Stream read error");
    }
}

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif
#else
constexpr bool Sanitized = false;
#endif

// Runs `read` in a child process and gives back what it returned. A read that waits for good
// or keeps reading is ended after a few seconds and reported as such, and an address space
// of a gigabyte turns a read without a bound into a failure: the suite itself never hangs
// and never takes the machine's memory. (The sanitizer's own reservations need more room,
// so its build goes without the limit.)
std::string inChild(const std::function<std::string()> &read)
{
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        if (!Sanitized) {
            const rlimit room{rlim_t(1) << 30, rlim_t(1) << 30};
            ::setrlimit(RLIMIT_AS, &room);
        }
        std::string result;
        try {
            result = read();
        } catch (const std::exception &failure) {
            result = std::string("failed: ") + failure.what();
        }
        const char *at = result.data();
        for (std::size_t left = result.size(); left > 0;) {
            const ssize_t written = ::write(pipeEnds[1], at, left);
            if (written <= 0) break;
            at += written;
            left -= static_cast<std::size_t>(written);
        }
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    ::close(pipeEnds[1]);
    std::string result;
    bool ended = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!ended) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd waiting{pipeEnds[0], POLLIN, 0};
        if (::poll(&waiting, 1, static_cast<int>(left.count())) <= 0) continue;
        char piece[4096];
        const ssize_t got = ::read(pipeEnds[0], piece, sizeof piece);
        if (got <= 0)
            ended = true;
        else
            result.append(piece, static_cast<std::size_t>(got));
    }
    ::close(pipeEnds[0]);
    if (!ended) ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!ended) return "still reading after 5 s";
    if (WIFSIGNALED(status)) return "ended by signal " + std::to_string(WTERMSIG(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a check inside the child failed: " << result;
    return result;
}

struct TToolRun
{
    int status = -1;
    std::string err;
    std::string out;
};

// The data tool as a user runs it, under the same bounds of time and (unsanitized) memory.
TToolRun tool(const std::string &arguments)
{
    const fs::path out = scratchFolder() / "tool.out", err = scratchFolder() / "tool.err";
    const std::string command = std::string(Sanitized ? "" : "ulimit -v 1048576; ") +
                                "timeout -s KILL 5 '" + TERVANA_BIN_DIR + "/tervana-data' " +
                                arguments + " >'" + out.string() + "' 2>'" + err.string() +
                                "' </dev/null";
    const int status = std::system(command.c_str());
    TToolRun run;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = readFile(out);
    run.err = readFile(err);
    return run;
}

std::string quotedPath(const fs::path &path)
{
    return "'" + path.string() + "'";
}

// What the size check at the start sees: whether the file opens for it, and whether its size
// matches the companion library's answer.
std::string sizeCheck(const fs::path &path)
{
    TSharedReadFile file;
    const bool opened = file.open(path.string());
    const bool matches = file.size32() == static_cast<std::uint32_t>(integrity::expectedSize(path));
    return std::string(opened ? "opens" : "cannot open") + ", size " + (matches ? "passes" : "fails");
}

std::string filterFileMessage(const fs::path &path)
{
    try {
        return "read " + std::to_string(readFilterFile(path.string()).size()) + " bytes";
    } catch (const Exception &failure) {
        return failure.Message();
    }
}

} // namespace

// A FIFO nobody writes, an endless device, a directory and a socket, each where the program
// and the tool expect a data file or a filter file: refused at once as files that cannot be
// opened, and never waited on or read.
TEST(BadInput, FilesThatAreNoOrdinaryFilesAreRefusedWithoutWaiting)
{
    const fs::path fifo = scratchFolder() / "fifo.XML";
    fs::remove(fifo);
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path folder = scratchFolder() / "folder.XML";
    fs::create_directories(folder);
    const fs::path socketPath = scratchFolder() / "socket.XML";
    fs::remove(socketPath);
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr *>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listening, 1), 0);
    const fs::path good = scratchFile("good-for-query.XML", drugPacket({drugRow("good")}));

    const struct
    {
        const char *name;
        fs::path path;
    } rows[] = {
        {"a FIFO", fifo},
        {"an endless device", "/dev/zero"},
        {"a directory", folder},
        {"a socket", socketPath},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = row.path.string();
        // The program: the size check, the data set, the filter builder's open.
        EXPECT_EQ(inChild([&] { return sizeCheck(row.path); }), "cannot open, size fails");
        EXPECT_EQ(inChild([&] { return openDataFile(row.path); }), "cds: Cannot open file " + path);
        EXPECT_EQ(inChild([&] { return filterFileMessage(row.path); }),
                  "过滤条件文件不能打开（不是普通文件）：" + path);
        // The tool: its check as the program opens the file, and every file it reads whole.
        const TToolRun check = tool("check " + quotedPath(row.path));
        EXPECT_EQ(check.status, 1);
        EXPECT_EQ(check.out, "cds: Cannot open file " + path + "\n");
        const std::string refused = "tervana-data: " + path + ": cannot read: not a regular file\n";
        for (const std::string &arguments :
             {"query " + quotedPath(good) + " --flt " + quotedPath(row.path),
              "export " + quotedPath(row.path), "lint " + quotedPath(row.path),
              "build " + quotedPath(row.path) + " -o " + quotedPath(scratchFolder() / "x.XML")}) {
            SCOPED_TRACE(arguments);
            const TToolRun run = tool(arguments);
            EXPECT_EQ(run.status, 2);
            EXPECT_EQ(run.err, refused);
        }
    }
    ::close(listening);
}

TEST(BadInput, FilterFilesAreReadOnlyUpToTheirBound)
{
    const fs::path data = scratchFile("good-for-query.XML", drugPacket({drugRow("good")}));
    // At the bound a file is read, whatever it holds: here one condition whose value is an
    // array of nulls filling the file, the most the reader builds from a byte. It is read at
    // once and in a fraction of the memory the process may take.
    std::string atBound = nestedGroups(0);
    atBound.resize(atBound.size() - 3);
    const std::size_t elements = cxFilterFileMaxSize - atBound.size() - 6;
    atBound += "\x01\x04";
    for (int i = 0; i < 4; ++i)
        atBound += static_cast<char>(elements >> (8 * i) & 0xFF);
    atBound.append(elements, '\0');
    ASSERT_EQ(atBound.size(), cxFilterFileMaxSize);
    const fs::path fits = scratchFile("at-bound.flt", atBound);
    EXPECT_EQ(inChild([&] {
                  const std::string read = filterFileMessage(fits);
                  // Not timed: the sanitizer's build takes longer than a second for it.
                  const std::string filter = readFilter(readFilterFile(fits.string()), false);
                  rusage usage{};
                  ::getrusage(RUSAGE_SELF, &usage);
                  if (!Sanitized) {
                      EXPECT_LT(usage.ru_maxrss, 512 * 1024) << "KiB at most";
                  }
                  return read + ", " + filter.substr(0, 6);
              }),
              "read " + std::to_string(cxFilterFileMaxSize) + " bytes, read: ");
    const TToolRun query = tool("query " + quotedPath(data) + " --flt " + quotedPath(fits));
    EXPECT_EQ(query.err, "");
    EXPECT_EQ(query.status, 0);

    // One byte more, or a file far larger, is refused before it is read.
    for (const std::uintmax_t size : {std::uintmax_t(cxFilterFileMaxSize) + 1, std::uintmax_t(1) << 40}) {
        SCOPED_TRACE(size);
        const fs::path tooLarge = scratchFile("too-large.flt", "");
        fs::resize_file(tooLarge, size); // sparse: nothing is written
        EXPECT_EQ(inChild([&] { return filterFileMessage(tooLarge); }),
                  "过滤条件文件不能打开（大于 1 MB）：" + tooLarge.string());
        const TToolRun run = tool("query " + quotedPath(data) + " --flt " + quotedPath(tooLarge));
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "tervana-data: " + tooLarge.string() +
                               ": cannot read: larger than 1048576 bytes\n");
        fs::remove(tooLarge);
    }
}
