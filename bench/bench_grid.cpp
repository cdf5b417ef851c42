#include "PacketGenerator.h"

#include "data/ClientDataSet.h"
#include "data/DataSource.h"
#include "druglist/DrugFields.h"
#include "druglist/DrugListColumns.h"
#include "data/Field.h"
#include "controller/cxGridDBDataController.h"
#include "controller/cxFilterValueList.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

// The drug list's controller on a large data file: a reload of its store, a sort reversal and
// a focus move, each beside the least the same work could cost.

namespace {

const std::vector<std::string> ColumnFieldNames = drugListFieldNames();

std::string s_path;

// The open data set and the controller on it, made once: opening is measured elsewhere.
struct TList
{
    TList()
    {
        createDrugFields(cds);
        cds.SetFileName(s_path);
        source.SetDataSet(&cds);
        controller.SetDataSource(&source);
        cds.Open();
    }
    TClientDataSet cds{"cds"};
    TDataSource source{"DataSource1"};
    TcxGridDBDataController controller{ColumnFieldNames};
};

TList &list()
{
    static TList s_list;
    return s_list;
}

// The data set's walk alone, as the reload makes it: controls disabled, first, next to the end.
void WalkOnly(benchmark::State &state)
{
    TClientDataSet &cds = list().cds;
    // Detached, the controller does not reload when controls are enabled again.
    list().controller.SetDataSource(nullptr);
    for (auto _ : state) {
        cds.DisableControls();
        int count = 0;
        for (cds.First(); !cds.Eof(); cds.Next())
            ++count;
        benchmark::DoNotOptimize(count);
        state.PauseTiming();
        cds.First();
        cds.EnableControls();
        state.ResumeTiming();
    }
    list().controller.SetDataSource(&list().source);
}

// The same walk copying the 13 listed fields' bytes into one buffer: what any copy costs.
void CopyFields(benchmark::State &state)
{
    TClientDataSet &cds = list().cds;
    list().controller.SetDataSource(nullptr);
    std::vector<TField *> fields;
    for (const std::string &name : ColumnFieldNames)
        fields.push_back(cds.FindField(name));
    std::string buffer;
    auto copy = [&] {
        buffer.clear();
        cds.DisableControls();
        for (cds.First(); !cds.Eof(); cds.Next())
            for (TField *field : fields)
                if (const auto bytes = field->valueView()) buffer += *bytes;
        benchmark::DoNotOptimize(buffer.data());
    };
    auto restore = [&] {
        cds.First();
        cds.EnableControls();
    };
    // One untimed pass sizes the buffer, as the store's arena keeps its blocks between reloads.
    copy();
    restore();
    for (auto _ : state) {
        copy();
        state.PauseTiming();
        restore();
        state.ResumeTiming();
    }
    state.counters["bytes"] = static_cast<double>(buffer.size());
    list().controller.SetDataSource(&list().source);
}

// The same copy into fresh memory each time, as the first load after opening has it.
void CopyFieldsFresh(benchmark::State &state)
{
    TClientDataSet &cds = list().cds;
    list().controller.SetDataSource(nullptr);
    std::vector<TField *> fields;
    for (const std::string &name : ColumnFieldNames)
        fields.push_back(cds.FindField(name));
    for (auto _ : state) {
        std::string buffer;
        cds.DisableControls();
        for (cds.First(); !cds.Eof(); cds.Next())
            for (TField *field : fields)
                if (const auto bytes = field->valueView()) buffer += *bytes;
        benchmark::DoNotOptimize(buffer.data());
        state.PauseTiming();
        buffer = std::string();
        cds.First();
        cds.EnableControls();
        state.ResumeTiming();
    }
    list().controller.SetDataSource(&list().source);
}

// A general change: the controller re-reads every record into its store, keeps the cursor.
void Reload(benchmark::State &state)
{
    TList &grid = list();
    grid.controller.clearSorting();
    for (auto _ : state) {
        grid.cds.DisableControls();
        grid.cds.EnableControls(); // sends the general change that reloads
        benchmark::DoNotOptimize(grid.controller.RowCount());
    }
    if (grid.controller.RecordCount() != grid.cds.RecordCount()) state.SkipWithError("not loaded");
}

// What the start costs beyond opening: a new controller, sorted by name, attached to the open
// data set, loads its store into fresh memory.
void FirstLoad(benchmark::State &state)
{
    TList &grid = list();
    for (auto _ : state) {
        auto controller = std::make_unique<TcxGridDBDataController>(ColumnFieldNames);
        controller->SetSortOrder(0, TcxDataSortOrder::soAscending);
        controller->SetDataSource(&grid.source);
        benchmark::DoNotOptimize(controller->FocusedRowIndex());
        state.PauseTiming();
        controller.reset();
        state.ResumeTiming();
    }
}

// Sorting by name ascending, then the header click that reverses it.
void SortAscendingDescending(benchmark::State &state)
{
    TcxGridDBDataController &controller = list().controller;
    for (auto _ : state) {
        state.PauseTiming();
        controller.clearSorting(); // back to data set order
        state.ResumeTiming();
        controller.SetSortOrder(0, TcxDataSortOrder::soAscending);
        {
            TcxGridDBDataController::TUpdateLock lock(controller);
            controller.clearSorting();
            controller.SetSortOrder(0, TcxDataSortOrder::soDescending);
        }
        benchmark::DoNotOptimize(controller.recordIndexOfRow(0));
    }
}

// The store's names as std::string, the baselines' input.
std::vector<std::string> nameStrings()
{
    const TcxGridDBDataController &controller = list().controller;
    std::vector<std::string> names;
    for (int record = 0; record < controller.RecordCount(); ++record)
        names.emplace_back(controller.value(record, 0).value_or(std::string_view()));
    return names;
}

// The same two orders with std::stable_sort on the names as std::string (byte-wise).
void StableSortStrings(benchmark::State &state)
{
    const std::vector<std::string> names = nameStrings();
    std::vector<std::string> sorted;
    for (auto _ : state) {
        state.PauseTiming();
        sorted = names;
        state.ResumeTiming();
        std::stable_sort(sorted.begin(), sorted.end());
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const std::string &a, const std::string &b) { return b < a; });
        benchmark::DoNotOptimize(sorted.data());
    }
}

// The name column's filter drop-down: every distinct name of the store, in byte order.
void ValueList(benchmark::State &state)
{
    TcxGridDBDataController &controller = list().controller;
    TcxFilterValueList values(controller.Filter());
    for (auto _ : state) {
        values.Load(controller, 0);
        benchmark::DoNotOptimize(values.Count());
    }
    state.counters["entries"] = values.Count();
}

// The same names as std::string through std::sort and std::unique.
void SortUnique(benchmark::State &state)
{
    const std::vector<std::string> names = nameStrings();
    std::vector<std::string> sorted;
    for (auto _ : state) {
        state.PauseTiming();
        sorted = names;
        state.ResumeTiming();
        std::sort(sorted.begin(), sorted.end());
        sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
        benchmark::DoNotOptimize(sorted.data());
    }
    state.counters["entries"] = static_cast<double>(sorted.size());
}

// Focusing another row: the cursor moves by the record distance, which the data set walks.
// `range(0)` is that distance in records.
void FocusMove(benchmark::State &state)
{
    TList &grid = list();
    TcxGridDBDataController &controller = grid.controller;
    controller.SetSortOrder(0, TcxDataSortOrder::soAscending);
    const int distance = static_cast<int>(state.range(0));
    grid.cds.First();
    const int from = controller.rowIndexOfRecord(0), to = controller.rowIndexOfRecord(distance);
    bool forward = true;
    for (auto _ : state) {
        controller.focusRow(forward ? to : from);
        forward = !forward;
    }
    if (grid.cds.RecNo() - 1 != controller.FocusedRecordIndex()) state.SkipWithError("lost");
}

// Keeps each benchmark's CPU time per iteration (the machine is shared, so wall time varies
// with the load), to print the ratios after the table.
class TRatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                m_seconds[run.benchmark_name()] =
                    run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
    }

    void printRatios(std::ostream &out) const
    {
        auto find = [&](const std::string &prefix) {
            for (const auto &[name, seconds] : m_seconds)
                if (name.rfind(prefix + "/", 0) == 0) return seconds;
            return 0.0;
        };
        const double walk = find("WalkOnly"), copy = find("CopyFields"), reload = find("Reload"),
                     sort = find("SortAscendingDescending"), stable = find("StableSortStrings");
        if (copy > 0 && walk > 0)
            out << "\nreload / copy of the 13 fields: " << reload / copy
                << "\nreload beyond the walk / copy beyond the walk: "
                << (reload - walk) / (copy - walk);
        const double firstLoad = find("FirstLoad"), freshCopy = find("CopyFieldsFresh");
        if (freshCopy > 0)
            out << "\nfirst load / copy into fresh memory: " << firstLoad / freshCopy;
        if (stable > 0)
            out << "\nsort asc+desc / std::stable_sort of std::string: " << sort / stable;
        out << "\n";
    }

private:
    std::map<std::string, double> m_seconds;
};

} // namespace

int main(int argc, char **argv)
{
    std::uint32_t records = 100000;
    if (const char *count = std::getenv("TERVANA_BENCH_RECORDS")) records = std::stoul(count);

    char path[] = "/tmp/tervana-bench-grid-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) return 1;
    close(fd);
    s_path = path;
    std::ofstream(s_path, std::ios::binary) << generateDrugPacket(records);
    std::cout << "packet: " << records << " records\n";

    for (auto *bench :
         {benchmark::RegisterBenchmark("WalkOnly", WalkOnly),
          benchmark::RegisterBenchmark("CopyFields", CopyFields),
          benchmark::RegisterBenchmark("Reload", Reload),
          benchmark::RegisterBenchmark("FirstLoad", FirstLoad),
          benchmark::RegisterBenchmark("CopyFieldsFresh", CopyFieldsFresh),
          benchmark::RegisterBenchmark("SortAscendingDescending", SortAscendingDescending),
          benchmark::RegisterBenchmark("StableSortStrings", StableSortStrings)})
        bench->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);
    benchmark::RegisterBenchmark("SortUnique", SortUnique)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("ValueList", ValueList)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark("FocusMove", FocusMove)
        ->Arg(1)
        ->Arg(3)
        ->Arg(static_cast<int>(records / 2))
        ->Unit(benchmark::kMicrosecond)
        ->UseRealTime();

    benchmark::Initialize(&argc, argv);
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios(std::cout);
    benchmark::Shutdown();
    std::remove(s_path.c_str());
    return 0;
}
