#pragma once

#include "platform/Codec.h"
#include "criteria/cxDataFilterCriteria.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// GBK bytes of a UTF-8 literal.
inline std::string g(const char *utf8)
{
    std::optional<std::string> bytes = gbk::fromUtf8(utf8);
    if (!bytes) throw std::invalid_argument(utf8);
    return *bytes;
}

// A small table of text records with the drug list's thirteen columns, and a criteria that
// reads it the way the grid's data controller lends its store.
class TRecordTable
{
public:
    using TRecord = std::vector<std::optional<std::string>>;

    static const std::vector<std::string> &captions()
    {
        static const std::vector<std::string> Captions = {
            g("药品列表"), g("作用类别"), g("药理作用"),     g("适用症"),   g("用法与用量"),
            g("禁忌症"),   g("规格"),     g("药物相互作用"), g("不良反应"), g("注意事项"),
            g("类别"),     g("电话"),     g("生产企业")};
        return Captions;
    }

    // One record per value, in column `column`.
    void addColumnValues(std::vector<std::optional<std::string>> values, int column = 0)
    {
        for (auto &value : values) {
            TRecord record(captions().size());
            record[column] = std::move(value);
            records.push_back(std::move(record));
        }
    }

    TcxDataFilterItems items() const
    {
        TcxDataFilterItems items;
        items.count = [] { return static_cast<int>(captions().size()); };
        items.value = [this](int recordIndex, int column) -> std::optional<std::string_view> {
            const std::optional<std::string> &value = records.at(recordIndex).at(column);
            if (!value) return std::nullopt;
            return std::string_view(*value);
        };
        items.caption = [](int column) { return captions().at(column); };
        return items;
    }

    // The indexes of the records the criteria keeps.
    std::vector<int> kept(const TcxFilterCriteria &criteria) const
    {
        std::vector<int> indexes;
        for (int i = 0; i < static_cast<int>(records.size()); ++i)
            if (criteria.matches(i)) indexes.push_back(i);
        return indexes;
    }

    std::vector<TRecord> records;
};
