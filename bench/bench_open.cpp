#include "PacketGenerator.h"

#include "ClientDataSet.h"
#include "DSIntf.h"
#include "DrugFields.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <cstdio>
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
                     engine = find("EngineOpen"), dataSet = find("DataSetOpen");
        if (read <= 0 || parse <= 0) return;
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
    std::uint32_t records = 100000;
    if (const char *count = std::getenv("TERVANA_BENCH_RECORDS")) records = std::stoul(count);

    char path[] = "/tmp/tervana-bench-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return 1;
    close(fd);
    s_path = path;
    const std::string packet = generateDrugPacket(records);
    std::ofstream(s_path, std::ios::binary) << packet;
    std::cout << "packet: " << records << " records, " << packet.size() << " bytes\n";

    for (auto *bench : {benchmark::RegisterBenchmark("ReadBytes", ReadBytes),
                        benchmark::RegisterBenchmark("PugixmlParse", PugixmlParse),
                        benchmark::RegisterBenchmark("EngineOpen", EngineOpen),
                        benchmark::RegisterBenchmark("DataSetOpen", DataSetOpen)})
        bench->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios(std::cout);
    benchmark::Shutdown();
    std::remove(s_path.c_str());
    return 0;
}
