#pragma once

#include "engine/DSIntf.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The grid's record store: one value slot per (record, data field), null or a GBK byte string.
// A slot is a view, not a copy: a record loaded from the data set's engine reads its values
// straight from the engine's cells (the packet's bytes, or the bytes of a posted edit), and the
// store holds the engine's store so that those bytes stay valid for as long as it needs them.
// Only values written here (the mirror of an edit in progress) are copied, into an arena of
// large blocks that never moves bytes and keeps its blocks when the store is emptied.
class TcxDataStorage
{
public:
    TcxDataStorage() = default;

    // Changing the number of fields empties the store.
    void setFieldCount(int fieldCount);
    int fieldCount() const { return m_fieldCount; }
    int RecordCount() const { return static_cast<int>(m_records.size()); }

    // Empties the store, keeping its memory for the next load.
    void clear();
    // Empties the store and gives its memory back.
    void release();
    // Room for `records` records, so a reload does not grow the slots.
    void reserve(int records);

    // Empties the store, then takes every record of `engine` in record order, each field's
    // slot a view of the engine's cell for packet field number `fieldNos[field]` (counted from
    // 1; 0 = a field that stays null). Copies no value.
    void load(std::shared_ptr<const IDSBase> engine, std::vector<std::uint32_t> fieldNos);
    // The record index of the engine record `recordId` at the last load, or -1.
    int recordIndexOfEngineRecord(std::uint32_t recordId) const;

    // Appends a record whose values are all null; returns its record index.
    int appendRecord();
    // Indexes are not checked here beyond debug assertions; the controller checks them.
    // Writes a copy of `value` (a value equal to the slot's keeps the slot as it is).
    void setValue(int recordIndex, int fieldIndex, std::optional<std::string_view> value);
    std::optional<std::string_view> value(int recordIndex, int fieldIndex) const
    {
        const TPacketCell &source = cell(recordIndex, fieldIndex);
        if (source.isNull()) return std::nullopt;
        return std::string_view(source.data, source.length);
    }

    // Per record, the first eight bytes of the field's value as one big-endian number,
    // zero-padded (0 for null). Where two of these differ they order the values exactly as
    // the byte-wise comparison does, so a sort reads the values only for the rare ties. Built
    // on first use and kept until the store is emptied.
    const std::vector<std::uint64_t> &sortPrefixes(int fieldIndex) const;

private:
    static constexpr std::uint32_t BlockShift = 20;
    static constexpr std::uint32_t BlockSize = 1u << BlockShift;
    // A record's entry: the engine's record id, or with this bit the index of its own cells.
    static constexpr std::uint32_t OwnRecord = 1u << 31;

    static inline const TPacketCell NullCell{};
    const TPacketCell &cell(int recordIndex, int fieldIndex) const
    {
        const std::uint32_t entry = m_records[static_cast<std::size_t>(recordIndex)];
        if (entry & OwnRecord)
            return m_ownCells[static_cast<std::size_t>(entry & ~OwnRecord) * m_fieldCount +
                              fieldIndex];
        const std::uint32_t fieldNo = m_fieldNos[static_cast<std::size_t>(fieldIndex)];
        if (fieldNo == 0) return NullCell;
        return (*m_engineCells)[(entry - 1) * m_engineFieldCount + fieldNo - 1];
    }
    // The record's own cells, made from its views on the first write.
    TPacketCell *ownCells(int recordIndex);
    const char *copyOf(std::string_view bytes);

    int m_fieldCount = 0;
    std::vector<std::uint32_t> m_records; // by record index
    std::vector<TPacketCell> m_ownCells;  // fieldCount to a record written here

    std::shared_ptr<const IDSBase> m_engine;
    const TPacketCells *m_engineCells = nullptr;
    std::size_t m_engineFieldCount = 0;
    std::vector<std::uint32_t> m_fieldNos; // by field; 0 = none

    // The copies: block b holds offsets b * BlockSize on. A value never crosses a block's end.
    std::vector<std::unique_ptr<char[]>> m_blocks;
    std::size_t m_blockUsed = 0; // in the last block
    std::size_t m_blocksUsed = 0; // blocks written since the store was emptied
    std::vector<std::unique_ptr<char[]>> m_large; // the rare value longer than a block
    mutable std::vector<std::vector<std::uint64_t>> m_sortPrefixes; // per field; empty = none
};
