#include "tervana-data/Merge.h"

#include "platform/Codec.h"
#include "engine/DataPacket.h"
#include "tervana-data/DataTool.h"
#include "druglist/DrugFields.h"

#include <map>
#include <utility>

namespace {

using TRow = std::vector<std::optional<std::string>>;
using TKey = std::pair<std::string, std::string>;

constexpr std::string_view GenericName = "TongYongMing";
constexpr std::string_view TradeName = "ShangPinMing";

// The index of the field named `name` (letter case ignored), or -1.
int fieldIndex(const TDataTable &table, std::string_view name)
{
    for (std::size_t i = 0; i < table.fields.size(); ++i)
        if (sameFieldName(table.fields[i].name, name)) return static_cast<int>(i);
    return -1;
}

std::string valueAt(const TRow &row, int index)
{
    return index >= 0 && row[static_cast<std::size_t>(index)] ? *row[static_cast<std::size_t>(index)]
                                                              : std::string();
}

// For every record, its key and how many records before it have the same key: the n-th
// record of a key in one table is the n-th of that key in another.
std::vector<std::pair<TKey, std::size_t>> keysOf(const TDataTable &table, const char *which)
{
    const int generic = fieldIndex(table, GenericName), trade = fieldIndex(table, TradeName);
    if (generic < 0)
        throw EToolError(std::string(which) + " has no field " + std::string(GenericName));
    std::map<TKey, std::size_t> seen;
    std::vector<std::pair<TKey, std::size_t>> keys;
    keys.reserve(table.rows.size());
    for (const TRow &row : table.rows) {
        TKey key{valueAt(row, generic), valueAt(row, trade)};
        keys.emplace_back(key, seen[key]++);
    }
    return keys;
}

// partner[i] = the record of `to` that is record i of `from`, or -1.
std::vector<long> pairByKey(const std::vector<std::pair<TKey, std::size_t>> &from,
                            const std::vector<std::pair<TKey, std::size_t>> &to)
{
    std::map<std::pair<TKey, std::size_t>, long> where;
    for (std::size_t i = 0; i < to.size(); ++i) where.emplace(to[i], static_cast<long>(i));
    std::vector<long> partner(from.size(), -1);
    for (std::size_t i = 0; i < from.size(); ++i)
        if (auto it = where.find(from[i]); it != where.end()) partner[i] = it->second;
    return partner;
}

// The user's name for a record and for a field.
std::string recordName(const TKey &key)
{
    std::string name = gbk::toUtf8(key.first);
    if (!key.second.empty()) name += "（" + gbk::toUtf8(key.second) + "）";
    return name;
}

// A field's caption for the user: the drug record's display label, else its name.
std::string fieldCaption(const std::string &fieldName)
{
    for (const TDrugField &field : drugFields())
        if (gbk::equalIgnoringAsciiCase(field.fieldName, fieldName)) return field.displayLabel;
    return gbk::toUtf8(fieldName);
}

// Where each field of `target` stands in `table` (-1 where it lacks it), worked out once.
class TLayout
{
public:
    TLayout(const TDataTable &table, const TDataTable &target)
    {
        for (const TFieldDescriptor &field : target.fields)
            m_from.push_back(fieldIndex(table, field.name));
    }
    // A row of `table` in the fields of `target`; a field it lacks is null.
    TRow operator()(const TRow &row) const
    {
        TRow result(m_from.size());
        for (std::size_t i = 0; i < m_from.size(); ++i)
            if (m_from[i] >= 0) result[i] = row[static_cast<std::size_t>(m_from[i])];
        return result;
    }

private:
    std::vector<int> m_from;
};

} // namespace

TMergeResult mergeDataTables(const TDataTable &base, const TDataTable &mine,
                             const TDataTable &shipped)
{
    const auto baseKeys = keysOf(base, "BASE");
    const auto mineKeys = keysOf(mine, "MINE");
    const auto shippedKeys = keysOf(shipped, "NEW");

    std::vector<long> mineOfBase;
    if (mine.rows.size() == base.rows.size()) {
        mineOfBase.resize(base.rows.size());
        for (std::size_t i = 0; i < base.rows.size(); ++i) mineOfBase[i] = static_cast<long>(i);
    } else {
        mineOfBase = pairByKey(baseKeys, mineKeys);
    }
    const std::vector<long> baseOfShipped = pairByKey(shippedKeys, baseKeys);
    std::vector<bool> baseInShipped(base.rows.size(), false), mineUsed(mine.rows.size(), false);
    for (long b : baseOfShipped)
        if (b >= 0) baseInShipped[static_cast<std::size_t>(b)] = true;
    for (long m : mineOfBase)
        if (m >= 0) mineUsed[static_cast<std::size_t>(m)] = true;

    const TLayout fromBase(base, shipped), fromMine(mine, shipped), mineAsBase(mine, base);
    TMergeResult result;
    TDataTable &out = result.table;
    TMergeReport &report = result.report;
    out.fields = shipped.fields;
    out.params = shipped.params;

    for (std::size_t n = 0; n < shipped.rows.size(); ++n) {
        const TRow &next = shipped.rows[n];
        const long b = baseOfShipped[n];
        if (b < 0) {
            out.rows.push_back(next);
            ++report.added;
            continue;
        }
        const long m = mineOfBase[static_cast<std::size_t>(b)];
        if (m < 0) continue; // the user removed it from their copy: it stays removed
        const TRow was = fromBase(base.rows[static_cast<std::size_t>(b)]);
        const TRow own = fromMine(mine.rows[static_cast<std::size_t>(m)]);
        TRow merged = next;
        for (std::size_t f = 0; f < merged.size(); ++f) {
            if (own[f] == was[f]) continue; // untouched by the user: the release's text
            merged[f] = own[f];
            ++report.keptFields;
            if (next[f] != was[f] && next[f] != own[f])
                report.conflicts.push_back(recordName(shippedKeys[n].first) + " " +
                                           fieldCaption(shipped.fields[f].name));
        }
        if (merged != own) ++report.corrected;
        out.rows.push_back(std::move(merged));
    }

    // Records the release no longer has: gone, unless the user's copy changed them.
    for (std::size_t b = 0; b < base.rows.size(); ++b) {
        if (baseInShipped[b]) continue;
        const long m = mineOfBase[b];
        if (m < 0) continue;
        const TRow &own = mine.rows[static_cast<std::size_t>(m)];
        if (mineAsBase(own) == base.rows[b]) {
            ++report.removed;
            report.removedRecords.push_back(recordName(baseKeys[b].first));
        } else {
            out.rows.push_back(fromMine(own));
            report.keptRecords.push_back(recordName(mineKeys[static_cast<std::size_t>(m)].first));
        }
    }
    // Records that only the user's copy has (added with another tool) stay.
    for (std::size_t m = 0; m < mine.rows.size(); ++m)
        if (!mineUsed[m]) {
            out.rows.push_back(fromMine(mine.rows[m]));
            report.ownRecords.push_back(recordName(mineKeys[m].first));
        }
    return result;
}

std::string TMergeReport::summary() const
{
    std::string line = "数据已更新到新版：更正 " + std::to_string(corrected) + " 种药品，新增 " +
                       std::to_string(added) + " 种，删除 " + std::to_string(removed) + " 种";
    if (keptFields) {
        line += "；保留了您修改的 " + std::to_string(keptFields) + " 处文字";
        if (!conflicts.empty())
            line += "（其中 " + std::to_string(conflicts.size()) + " 处新版也有修改）";
    }
    if (!keptRecords.empty())
        line += "；新版已删除、您修改过的 " + std::to_string(keptRecords.size()) + " 种药品仍保留";
    return line + "。";
}

std::string TMergeReport::text() const
{
    std::string out = summary() + "\n";
    for (const std::string &conflict : conflicts)
        out += "保留您的文字（新版也有修改）：" + conflict + "\n";
    for (const std::string &record : keptRecords)
        out += "仍保留（新版已删除，您修改过）：" + record + "\n";
    for (const std::string &record : ownRecords) out += "仍保留（只在您的数据中）：" + record + "\n";
    for (const std::string &record : removedRecords) out += "已删除：" + record + "\n";
    return out;
}
