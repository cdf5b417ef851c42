#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The grid's own copy of the records: one value slot per (record, data field), null or a GBK
// byte string. The bytes live in one arena of large blocks; a slot only says where its bytes
// are. The arena never moves bytes as it grows, and keeps its blocks when it is emptied, so a
// reload writes into memory that is already there.
class TcxDataStorage
{
public:
    TcxDataStorage() = default;

    // Changing the number of fields empties the store.
    void setFieldCount(int fieldCount);
    int fieldCount() const { return m_fieldCount; }
    int RecordCount() const { return m_recordCount; }

    // Empties the store, keeping its memory for the next load.
    void clear();
    // Empties the store and gives its memory back.
    void release();
    // Room for `records` records, so a reload does not grow the slots.
    void reserve(int records);
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
    static constexpr std::uint32_t BlockShift = 20;
    static constexpr std::uint32_t BlockSize = 1u << BlockShift;

    enum class TKind : std::uint8_t { Null, Arena, Large };
    struct TCell
    {
        std::uint32_t offset = 0; // into the arena, or the index of a large value
        std::uint32_t length = 0;
        TKind kind = TKind::Null;
    };
    const TCell &cell(int recordIndex, int fieldIndex) const
    {
        return m_cells[static_cast<std::size_t>(recordIndex) * m_fieldCount + fieldIndex];
    }
    std::uint32_t allocate(std::uint32_t length);
    char *arenaData(std::uint32_t offset) const
    {
        return m_blocks[offset >> BlockShift].get() + (offset & (BlockSize - 1));
    }

    int m_fieldCount = 0;
    int m_recordCount = 0;
    std::vector<TCell> m_cells; // record after record, each with fieldCount cells
    // The arena: offset o lies in block o / BlockSize. A value never crosses a block's end.
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::uint32_t m_arenaUsed = 0;
    std::vector<std::string> m_large; // the rare value longer than a block
    mutable std::vector<std::vector<std::uint64_t>> m_sortPrefixes; // per field; empty = none
};
