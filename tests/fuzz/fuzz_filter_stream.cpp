// The filter stream reader on arbitrary bytes, then what the program does with a filter it
// read: its text, the record test over a small table, and writing it out again, which must
// read back to the same stream.

#include "platform/Codec.h"
#include "criteria/FilterStream.h"
#include "criteria/cxDataFilterCriteria.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_filter_stream: %s\n", what);
    std::abort();
}

using TRecord = std::vector<std::optional<std::string>>;

std::string g(const char *utf8)
{
    return gbk::fromUtf8(utf8).value();
}

// Thirteen columns like the drug list; a few records with text, empty, null and odd bytes.
const std::vector<TRecord> &records()
{
    static const std::vector<TRecord> Records = [] {
        std::vector<TRecord> table(5, TRecord(13));
        table[0][0] = g("感冒灵颗粒");
        table[0][10] = g("中成药");
        table[1][0] = g("维生素C片");
        table[1][11] = "010-12345678";
        table[2][0] = "";
        table[2][3] = "%_*?";
        table[3][0] = "\xB8";     // a lone lead byte
        table[3][5] = "20240229"; // digits a date or number condition may read
        table[4][1] = "1.5";
        return table;
    }();
    return Records;
}

TcxDataFilterItems items()
{
    TcxDataFilterItems items;
    items.count = [] { return 13; };
    items.value = [](int record, int column) -> std::optional<std::string_view> {
        const std::optional<std::string> &value = records().at(record).at(column);
        if (!value) return std::nullopt;
        return std::string_view(*value);
    };
    items.caption = [](int column) { return "C" + std::to_string(column); };
    items.id = [](int column) { return column * 7 + 1; }; // IDs that are not the indexes
    return items;
}

// The record test's outcome, a refused comparison included (the criteria's own error).
int outcome(const TcxFilterCriteria &criteria, int record)
{
    try {
        return criteria.matches(record) ? 1 : 0;
    } catch (const Exception &) {
        return -1;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    TcxDataFilterCriteria criteria(items());
    criteria.SetActive(true);
    bool whole = true;
    try {
        criteria.readFromStream(bytes);
    } catch (const EReadError &) {
        whole = false; // what was read up to the damage still has to behave
    }
    (void)criteria.filterText();
    for (int record = 0; record < static_cast<int>(records().size()); ++record)
        (void)outcome(criteria, record);
    if (!whole) return 0;

    std::string written;
    try {
        written = criteria.writeToStream();
    } catch (const EWriteError &) {
        fail("a filter that was read cannot be written");
    }
    TcxDataFilterCriteria again(items());
    try {
        again.readFromStream(written);
    } catch (const EReadError &) {
        fail("a written filter is refused when read back");
    }
    if (again.writeToStream() != written) fail("a filter changed on its way through the stream");
    if (again.filterText() != criteria.filterText()) fail("the filter text changed");
    for (int record = 0; record < static_cast<int>(records().size()); ++record)
        if (outcome(again, record) != outcome(criteria, record)) fail("a record test changed");
    return 0;
}
