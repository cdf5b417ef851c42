#include "PacketGenerator.h"

#include "platform/Codec.h"
#include "engine/DataPacket.h"
#include "criteria/cxDataFilterCriteria.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
#include <map>
#include <stdexcept>
#include <memory>
#include <string>
#include <vector>

// Testing generated drug records (100,000 unless TERVANA_BENCH_RECORDS says otherwise) against the
// filter criteria, beside the least the same work could cost: a contains pattern beside memmem, a
// six-condition tree beside its six conditions scanned one at a time, and a pattern full of
// percents beside the plain one.

namespace {

std::string gbkText(const char *utf8)
{
    return gbk::fromUtf8(utf8).value_or(std::string());
}

// The drug list's columns in order, by the packet field each one shows.
const char *const ColumnFields[] = {
    "TongYongMing", "ZuoYongLeiBie", "YaoLiZuoYong",        "ShiYongZheng",   "YongFaYongLiang",
    "JinJiZheng",   "GuiGe",         "YaoWuXiangHuZuoYong", "BuLiangFanYong", "ZhuYiShiXiang",
    "LeiBie",       "Phone",         "ShengChanQiYe"};
constexpr int Precautions = 9; // "注意事项", a 1024-byte column

std::uint32_t s_recordCount = 100000;

struct TRecords
{
    TRecords() : content(readDataPacket(generateDrugPacket(s_recordCount)))
    {
        for (const char *name : ColumnFields)
            for (std::size_t f = 0; f < content.fields.size(); ++f)
                if (sameFieldName(content.fields[f].name, name)) fieldOf.push_back(f);
    }
    int count() const { return static_cast<int>(content.rowCount); }
    std::optional<std::string_view> value(int record, int column) const
    {
        const TPacketCell &cell =
            content.cells[std::size_t(record) * content.fields.size() + fieldOf[column]];
        if (cell.isNull()) return std::nullopt;
        return cell.bytes();
    }
    TcxDataFilterItems items() const
    {
        TcxDataFilterItems items;
        items.count = [] { return 13; };
        items.value = [this](int record, int column) { return value(record, column); };
        return items;
    }

    TPacketContent content;
    std::vector<std::size_t> fieldOf;
};

const TRecords &records()
{
    static const TRecords s_records;
    return s_records;
}

int scan(const TcxFilterCriteria &criteria)
{
    const int count = records().count();
    int kept = 0;
    for (int record = 0; record < count; ++record)
        kept += criteria.matches(record);
    return kept;
}

std::unique_ptr<TcxDataFilterCriteria> likeCriteria(const std::string &pattern)
{
    auto criteria = std::make_unique<TcxDataFilterCriteria>(records().items());
    criteria->addCondition(nullptr, Precautions, TcxFilterOperatorKind::Like, pattern, pattern);
    return criteria;
}

void keptCounter(benchmark::State &state, int kept)
{
    state.counters["kept"] = kept;
}

// The baselines' loop: `found` on every non-null precaution text, once per iteration; the
// number of values it found something in.
template<class TFound>
int scanPrecautions(benchmark::State &state, TFound found)
{
    const TRecords &data = records();
    int kept = 0;
    for (auto _ : state) {
        kept = 0;
        for (int record = 0; record < data.count(); ++record) {
            const auto value = data.value(record, Precautions);
            kept += value && found(*value) != nullptr;
        }
        benchmark::DoNotOptimize(kept);
    }
    return kept;
}

void LikeContains(benchmark::State &state)
{
    const auto criteria = likeCriteria(gbkText("%感冒%"));
    int kept = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(kept = scan(*criteria));
    keptCounter(state, kept);
}

void Memmem(benchmark::State &state)
{
    const std::string needle = gbkText("感冒");
    keptCounter(state, scanPrecautions(state, [&](std::string_view value) {
                    return memmem(value.data(), value.size(), needle.data(), needle.size());
                }));
}

// The same rows in an in-memory SQLite table, the same search as GLOB through a statement
// prepared once. SQLite reads its text as UTF-8, so the table holds the values converted:
// GBK bytes would decode into other characters and match other rows.
class TSqliteRows
{
public:
    TSqliteRows()
    {
        sqlite3_open(":memory:", &m_db);
        std::string create = "CREATE TABLE drugs(";
        for (int column = 0; column < 13; ++column)
            create += (column ? ",c" : "c") + std::to_string(column) + " TEXT";
        exec(create + ")");
        exec("BEGIN");
        std::string insert = "INSERT INTO drugs VALUES(?";
        for (int column = 1; column < 13; ++column)
            insert += ",?";
        sqlite3_stmt *statement = prepare(insert + ")");
        const TRecords &data = records();
        for (int record = 0; record < data.count(); ++record) {
            for (int column = 0; column < 13; ++column) {
                const auto value = data.value(record, column);
                if (!value) {
                    sqlite3_bind_null(statement, column + 1);
                    continue;
                }
                const std::string utf8 = gbk::toUtf8(*value);
                sqlite3_bind_text(statement, column + 1, utf8.data(), static_cast<int>(utf8.size()),
                                  SQLITE_TRANSIENT);
            }
            sqlite3_step(statement);
            sqlite3_reset(statement);
        }
        sqlite3_finalize(statement);
        exec("COMMIT");
    }
    ~TSqliteRows() { sqlite3_close(m_db); }

    sqlite3_stmt *prepare(const std::string &sql)
    {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
        return statement;
    }

private:
    void exec(const std::string &sql)
    {
        if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(m_db));
    }

    sqlite3 *m_db = nullptr;
};

void SqliteGlob(benchmark::State &state)
{
    static TSqliteRows s_rows;
    sqlite3_stmt *statement = s_rows.prepare("SELECT count(*) FROM drugs WHERE c" +
                                             std::to_string(Precautions) + " GLOB ?1");
    const std::string pattern = "*感冒*";
    sqlite3_bind_text(statement, 1, pattern.data(), static_cast<int>(pattern.size()),
                      SQLITE_STATIC);
    int kept = 0;
    for (auto _ : state) {
        if (sqlite3_step(statement) != SQLITE_ROW) state.SkipWithError("no row");
        kept = sqlite3_column_int(statement, 0);
        sqlite3_reset(statement);
        benchmark::DoNotOptimize(kept);
    }
    sqlite3_finalize(statement);
    keptCounter(state, kept);
}

void LikePathological(benchmark::State &state)
{
    const auto criteria = likeCriteria("%a%a%a%a%a%b");
    int kept = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(kept = scan(*criteria));
    keptCounter(state, kept);
}

// The least the pathological pattern can cost: its first letter looked for in every value,
// which none holds (the values are Chinese text).
void MemchrFirstLetter(benchmark::State &state)
{
    keptCounter(state, scanPrecautions(state, [](std::string_view value) {
                    return std::memchr(value.data(), 'a', value.size());
                }));
}

// The six conditions: (interactions like %感冒% or name between 啊 and 感) and not (name =
// a generated name or class in three values) and indications like %痛% and phone <> 123.
using TAdd = void (*)(TcxFilterCriteria &, TcxFilterCriteriaItemList *, int);
const TAdd Conditions[] = {
    [](TcxFilterCriteria &c, TcxFilterCriteriaItemList *g, int) {
        c.addCondition(g, Precautions, TcxFilterOperatorKind::Like, gbkText("%感冒%"), "");
    },
    [](TcxFilterCriteria &c, TcxFilterCriteriaItemList *g, int) {
        c.addCondition(g, 0, TcxFilterOperatorKind::Equal,
                       std::string(records().value(5, 0).value_or("")), "");
    },
    [](TcxFilterCriteria &c, TcxFilterCriteriaItemList *g, int) {
        c.addCondition(g, 0, TcxFilterOperatorKind::Between,
                       TVariant::array({gbkText("啊"), gbkText("感")}), "");
    },
    [](TcxFilterCriteria &c, TcxFilterCriteriaItemList *g, int) {
        std::vector<TVariant> classes;
        for (int record = 0; record < 3; ++record)
            classes.emplace_back(std::string(records().value(record, 10).value_or("")));
        c.addCondition(g, 10, TcxFilterOperatorKind::InList, TVariant::array(classes), "");
    },
    [](TcxFilterCriteria &c, TcxFilterCriteriaItemList *g, int) {
        c.addCondition(g, 3, TcxFilterOperatorKind::Like, gbkText("%痛%"), "");
    },
    [](TcxFilterCriteria &c, TcxFilterCriteriaItemList *g, int) {
        c.addCondition(g, 11, TcxFilterOperatorKind::NotEqual, "123", "");
    },
};

void SixConditionTree(benchmark::State &state)
{
    TcxDataFilterCriteria criteria(records().items());
    auto *either = criteria.addGroup(nullptr, TcxFilterBoolOperatorKind::Or);
    Conditions[0](criteria, either, 0);
    Conditions[2](criteria, either, 0);
    auto *neither = criteria.addGroup(nullptr, TcxFilterBoolOperatorKind::NotOr);
    Conditions[1](criteria, neither, 0);
    Conditions[3](criteria, neither, 0);
    Conditions[4](criteria, nullptr, 0);
    Conditions[5](criteria, nullptr, 0);
    int kept = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(kept = scan(criteria));
    keptCounter(state, kept);
}

void SixSingleScans(benchmark::State &state)
{
    std::vector<std::unique_ptr<TcxDataFilterCriteria>> singles;
    for (TAdd add : Conditions) {
        singles.push_back(std::make_unique<TcxDataFilterCriteria>(records().items()));
        add(*singles.back(), nullptr, 0);
    }
    int kept = 0;
    for (auto _ : state) {
        kept = 0;
        for (const auto &single : singles)
            kept += scan(*single);
        benchmark::DoNotOptimize(kept);
    }
    keptCounter(state, kept);
}

// Keeps each benchmark's processor time per iteration for the ratios printed at the end (the
// machine is shared, so wall time says more about the neighbours); with repetitions the
// medians are compared.
class TRatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &run : runs)
            m_times[run.benchmark_name()] = run.GetAdjustedCPUTime();
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatio(const char *what, const std::string &first, const std::string &second)
    {
        const double a = timeOf(first), b = timeOf(second);
        if (a > 0 && b > 0) std::printf("%-42s %8.2f\n", what, a / b);
    }

private:
    double timeOf(const std::string &name)
    {
        if (m_times.count(name + "_median")) return m_times[name + "_median"];
        return m_times.count(name) ? m_times[name] : 0;
    }

    std::map<std::string, double> m_times;
};

} // namespace

BENCHMARK(LikeContains)->Unit(benchmark::kMillisecond);
BENCHMARK(Memmem)->Unit(benchmark::kMillisecond);
BENCHMARK(SqliteGlob)->Unit(benchmark::kMillisecond);
BENCHMARK(SixConditionTree)->Unit(benchmark::kMillisecond);
BENCHMARK(SixSingleScans)->Unit(benchmark::kMillisecond);
BENCHMARK(LikePathological)->Unit(benchmark::kMillisecond);
BENCHMARK(MemchrFirstLetter)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    if (const char *count = std::getenv("TERVANA_BENCH_RECORDS")) s_recordCount = std::stoul(count);
    benchmark::Initialize(&argc, argv);
    records(); // generating and reading the packet is not part of any figure
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nRatios of processor time per scan of %u records:\n", s_recordCount);
    reporter.printRatio("like %感冒% / memmem", "LikeContains", "Memmem");
    reporter.printRatio("like %感冒% / SQLite GLOB", "LikeContains", "SqliteGlob");
    reporter.printRatio("six-condition tree / six single scans", "SixConditionTree",
                        "SixSingleScans");
    reporter.printRatio("like %a%a%a%a%a%b / like %感冒%", "LikePathological", "LikeContains");
    reporter.printRatio("like %a%a%a%a%a%b / memchr 'a'", "LikePathological", "MemchrFirstLetter");
    benchmark::Shutdown();
}
