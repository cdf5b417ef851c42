#include "PacketGenerator.h"

#include "data/ClientDataSet.h"
#include "engine/DSIntf.h"
#include "druglist/DrugFields.h"
#include "data/Field.h"
#include "platform/ModulePath.h"
#include "platform/SharedReadFile.h"
#include "companion/Tolvane.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdio>
#include <cstring>
#include <sys/wait.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <unistd.h>

// Opening a large data file, beside the two costs it cannot avoid: reading the bytes and
// parsing them as XML. Every figure starts from the file on disk (in the page cache).

namespace {

std::string s_path;

std::string readBytes()
{
    std::string bytes;
    int fd = ::open(s_path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info
    {};
    if (fd < 0 || ::fstat(fd, &info) != 0) return bytes;
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    ::close(fd);
    bytes.resize(done);
    return bytes;
}

// Freeing what an iteration made is not part of opening: it runs with the clock stopped.
template<class TValue>
void discard(benchmark::State &state, TValue &value)
{
    state.PauseTiming();
    value = TValue();
    state.ResumeTiming();
}

void ReadBytes(benchmark::State &state)
{
    std::string bytes;
    for (auto _ : state) {
        bytes = readBytes();
        benchmark::DoNotOptimize(bytes.data());
        discard(state, bytes);
    }
}

// The program's own read, into memory on huge pages: shown beside the plain read, as that
// difference is much of what the open gains on the plain read and parse.
void ReadIntoBuffer(benchmark::State &state)
{
    std::optional<TByteBuffer> bytes;
    for (auto _ : state) {
        TSharedReadFile file(s_path);
        bytes = file.readAll();
        if (!bytes) state.SkipWithError("read");
        benchmark::DoNotOptimize(bytes->data());
        discard(state, bytes);
    }
}

void PugixmlParse(benchmark::State &state)
{
    std::string bytes;
    std::unique_ptr<pugi::xml_document> document;
    for (auto _ : state) {
        bytes = readBytes();
        document = std::make_unique<pugi::xml_document>();
        pugi::xml_parse_result result = document->load_buffer_inplace(
            bytes.data(), bytes.size(), pugi::parse_default, pugi::encoding_utf8);
        if (!result) state.SkipWithError(result.description());
        benchmark::DoNotOptimize(document->first_child());
        discard(state, document);
        discard(state, bytes);
    }
}

// The engine alone: parse, cells, and the first record through a cursor.
void EngineOpen(benchmark::State &state)
{
    std::unique_ptr<IDSBase> store;
    std::unique_ptr<IDSCursor> cursor;
    for (auto _ : state) {
        store = createDSBase();
        store->AppendData(readBytes(), true);
        cursor = store->createCursor();
        TRecordBuffer buffer = cursor->newRecordBuffer();
        if (cursor->getNextRecord(buffer) != TFetchResult::Ok) state.SkipWithError("no record");
        benchmark::DoNotOptimize(buffer.value(1).data());
        discard(state, cursor);
        discard(state, store);
    }
}

// What the program does: the data set reads the file, binds the 22 fields, fills its window.
void DataSetOpen(benchmark::State &state)
{
    for (auto _ : state) {
        TClientDataSet cds("cds");
        createDrugFields(cds);
        cds.SetFileName(s_path);
        cds.Open();
        benchmark::DoNotOptimize(cds.RecordCount());
        state.PauseTiming();
        cds.Close();
        state.ResumeTiming();
    }
}

// The start's size check: the companion library reads the sealed file and checks its seal.
void SizeCheck(benchmark::State &state)
{
    std::int32_t size = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(size = OKSize());
    struct stat info
    {};
    ::stat(s_path.c_str(), &info);
    if (size != static_cast<std::int32_t>(info.st_size)) state.SkipWithError("file not accepted");
}

// Writing every record back: one changed value makes the closing data set stream the whole
// packet out and replace the file through a flushed temporary.
void WriteBack(benchmark::State &state)
{
    const std::string copy = s_path + ".write";
    std::ofstream(copy, std::ios::binary) << readBytes();
    TClientDataSet cds("cds");
    createDrugFields(cds);
    cds.SetFileName(copy);
    bool even = false;
    for (auto _ : state) {
        state.PauseTiming();
        cds.Open();
        cds.Edit();
        // Alternating values keep the file's size and content the same from run to run.
        cds.FieldByName("Phone").SetAsString(even ? "010-12345678" : "010-87654321");
        even = !even;
        cds.Post();
        state.ResumeTiming();
        cds.Close();
    }
    std::remove(copy.c_str());
}

// The least a write of the same bytes costs: write() and fsync() to a file of its own.
void WriteFsync(benchmark::State &state)
{
    const std::string bytes = readBytes();
    const std::string target = s_path + ".plain";
    for (auto _ : state) {
        int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        std::size_t done = 0;
        while (fd >= 0 && done < bytes.size()) {
            ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (put <= 0) break;
            done += static_cast<std::size_t>(put);
        }
        if (fd < 0 || done != bytes.size() || ::fsync(fd) != 0) state.SkipWithError("write");
        ::close(fd);
    }
    std::remove(target.c_str());
}

// The peak resident set of this process so far, in KiB.
long peakKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

// Runs this program again as a child that only does `what` and prints its peak.
long childPeakKiB(const char *what)
{
    int out[2];
    if (::pipe(out) != 0) return -1;
    const std::string self = executablePath();
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::execl(self.c_str(), self.c_str(), what, s_path.c_str(), static_cast<char *>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    char text[64] = {};
    const ssize_t got = ::read(out[0], text, sizeof text - 1);
    ::close(out[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (got <= 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return std::atol(text);
}

// The peak after the program's open, above the same program that opened nothing; reported
// as counters of a single run (the figure is a size, not a time).
void PeakMemory(benchmark::State &state)
{
    long open = 0, empty = 0;
    for (auto _ : state) {
        open = childPeakKiB("--peak-open");
        empty = childPeakKiB("--peak-empty");
    }
    struct stat info
    {};
    ::stat(s_path.c_str(), &info);
    if (open < 0 || empty < 0) state.SkipWithError("child failed");
    state.counters["open_KiB"] = static_cast<double>(open);
    state.counters["empty_KiB"] = static_cast<double>(empty);
    state.counters["file_KiB"] = static_cast<double>(info.st_size) / 1024.0;
    state.counters["above_empty_per_file"] =
        static_cast<double>(open - empty) * 1024.0 / static_cast<double>(info.st_size);
}

// Keeps each benchmark's time per iteration, to print the ratios after the table.
class TRatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                m_seconds[run.benchmark_name()] =
                    run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }

    void printRatios(std::ostream &out) const
    {
        auto find = [&](const std::string &prefix) {
            for (const auto &[name, seconds] : m_seconds)
                if (name.rfind(prefix, 0) == 0) return seconds;
            return 0.0;
        };
        const double read = find("ReadBytes"), parse = find("PugixmlParse"),
                     engine = find("EngineOpen"), dataSet = find("DataSetOpen"),
                     check = find("SizeCheck"), write = find("WriteBack"),
                     plainWrite = find("WriteFsync");
        if (read <= 0 || parse <= 0) return;
        out << "\nsize check / read bytes:       " << check / read
            << "\nsize check / data set open:    " << check / dataSet
            << "\nwrite-back / write + fsync:    " << (plainWrite > 0 ? write / plainWrite : 0);
        out << "\nengine open / pugixml parse:   " << engine / parse
            << "\ndata set open / pugixml parse: " << dataSet / parse
            << "\nengine open / read bytes:      " << engine / read
            << "\npugixml parse / read bytes:    " << parse / read << "\n";
    }

private:
    std::map<std::string, double> m_seconds;
};

} // namespace

int main(int argc, char **argv)
{
    // The children of PeakMemory.
    if (argc == 3 && std::strcmp(argv[1], "--peak-empty") == 0) {
        std::printf("%ld\n", peakKiB());
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "--peak-open") == 0) {
        TClientDataSet cds("cds");
        createDrugFields(cds);
        cds.SetFileName(argv[2]);
        cds.Open();
        std::printf("%ld\n", peakKiB());
        return 0;
    }

    std::uint32_t records = 100000;
    if (const char *count = std::getenv("TERVANA_BENCH_RECORDS")) records = std::stoul(count);

    // The size check reads the data file beside the executable, as the program's does.
    s_path = executableDirectory() + "YaoPin.XML";
    const std::string packet = generateDrugPacket(records);
    std::ofstream(s_path, std::ios::binary) << packet;
    std::cout << "packet: " << records << " records, " << packet.size() << " bytes\n";

    for (auto *bench : {benchmark::RegisterBenchmark("ReadBytes", ReadBytes),
                        benchmark::RegisterBenchmark("ReadIntoBuffer", ReadIntoBuffer),
                        benchmark::RegisterBenchmark("PugixmlParse", PugixmlParse),
                        benchmark::RegisterBenchmark("EngineOpen", EngineOpen),
                        benchmark::RegisterBenchmark("DataSetOpen", DataSetOpen),
                        benchmark::RegisterBenchmark("SizeCheck", SizeCheck),
                        benchmark::RegisterBenchmark("WriteFsync", WriteFsync),
                        benchmark::RegisterBenchmark("WriteBack", WriteBack)})
        bench->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
    benchmark::RegisterBenchmark("PeakMemory", PeakMemory)
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);

    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios(std::cout);
    benchmark::Shutdown();
    std::remove(s_path.c_str());
    return 0;
}
