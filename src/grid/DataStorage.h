#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The grid's own copy of the records: one value slot per (record, data field), null or a GBK
// byte string. All bytes live in one arena; a slot only says where its bytes are.
class TcxDataStorage
{
public:
    TcxDataStorage() = default;

    // Changing the number of fields empties the store.
    void setFieldCount(int fieldCount);
    int fieldCount() const { return m_fieldCount; }
    int RecordCount() const { return m_recordCount; }

    void clear();
    // Room for `records` records and `bytes` bytes of values, so a reload grows nothing.
    void reserve(int records, std::size_t bytes);
    // Appends a record whose values are all null; returns its record index.
    int appendRecord();
    // Indexes are not checked here beyond debug assertions; the controller checks them.
    void setValue(int recordIndex, int fieldIndex, std::optional<std::string_view> value);
    std::optional<std::string_view> value(int recordIndex, int fieldIndex) const;

    // Per record, the first eight bytes of the field's value as one big-endian number,
    // zero-padded (0 for null). Where two of these differ they order the values exactly as
    // the byte-wise comparison does, so a sort reads the arena only for the rare ties. Built
    // on first use and kept until the store is emptied.
    const std::vector<std::uint64_t> &sortPrefixes(int fieldIndex) const;

private:
    struct TCell
    {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;
        bool null = true;
    };
    const TCell &cell(int recordIndex, int fieldIndex) const
    {
        return m_cells[static_cast<std::size_t>(recordIndex) * m_fieldCount + fieldIndex];
    }

    int m_fieldCount = 0;
    int m_recordCount = 0;
    std::vector<TCell> m_cells; // record after record, each with fieldCount cells
    std::string m_arena;
    mutable std::vector<std::vector<std::uint64_t>> m_sortPrefixes; // per field; empty = none
};
