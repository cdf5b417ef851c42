#include "controller/cxDataStorage.h"

#include "platform/Exception.h"

#include <algorithm>
#include <cassert>
#include <cstring>
#include <limits>

namespace {

const char EmptyValue[] = "";

std::uint64_t prefixOf(std::optional<std::string_view> value)
{
    if (!value) return 0;
    std::uint64_t prefix = 0;
    const std::size_t count = std::min<std::size_t>(value->size(), 8);
    for (std::size_t i = 0; i < 8; ++i) {
        prefix <<= 8;
        if (i < count) prefix |= static_cast<unsigned char>((*value)[i]);
    }
    return prefix;
}

} // namespace

void TcxDataStorage::setFieldCount(int fieldCount)
{
    assert(fieldCount >= 0);
    m_fieldCount = fieldCount;
    clear();
    m_sortPrefixes.assign(static_cast<std::size_t>(fieldCount), {});
}

void TcxDataStorage::clear()
{
    m_records.clear();
    m_ownCells.clear();
    m_engine.reset();
    m_engineCells = nullptr;
    m_engineFieldCount = 0;
    m_fieldNos.clear();
    m_blockUsed = 0;
    m_blocksUsed = 0;
    m_large.clear();
    for (std::vector<std::uint64_t> &prefixes : m_sortPrefixes)
        prefixes.clear();
}

void TcxDataStorage::release()
{
    clear();
    m_records.shrink_to_fit();
    m_ownCells.shrink_to_fit();
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    for (std::vector<std::uint64_t> &prefixes : m_sortPrefixes)
        prefixes.shrink_to_fit();
}

void TcxDataStorage::reserve(int records)
{
    m_records.reserve(static_cast<std::size_t>(records));
}

void TcxDataStorage::load(std::shared_ptr<const IDSBase> engine, std::vector<std::uint32_t> fieldNos)
{
    clear();
    if (!engine) return;
    assert(fieldNos.size() == static_cast<std::size_t>(m_fieldCount));
    const std::vector<std::uint32_t> &order = engine->recordOrder();
    // The entries' top bit marks a record of the store's own; engine ids never reach it.
    if (order.size() >= OwnRecord) throw Exception("Out of memory");
    m_engineFieldCount = engine->fieldDescriptors().size();
    for (std::uint32_t &fieldNo : fieldNos)
        if (fieldNo > m_engineFieldCount) fieldNo = 0;
    m_engineCells = &engine->recordCells();
    m_engine = std::move(engine);
    m_fieldNos = std::move(fieldNos);
    m_records.assign(order.begin(), order.end());
}

int TcxDataStorage::recordIndexOfEngineRecord(std::uint32_t recordId) const
{
    if (!m_engine || recordId == 0 || (recordId & OwnRecord)) return -1;
    const auto found = std::find(m_records.begin(), m_records.end(), recordId);
    return found == m_records.end() ? -1 : static_cast<int>(found - m_records.begin());
}

int TcxDataStorage::appendRecord()
{
    const std::size_t own = m_ownCells.size() / std::max(m_fieldCount, 1);
    if (own >= OwnRecord || m_records.size() >= static_cast<std::size_t>(std::numeric_limits<int>::max()))
        throw Exception("Out of memory");
    m_ownCells.resize(m_ownCells.size() + static_cast<std::size_t>(m_fieldCount));
    m_records.push_back(static_cast<std::uint32_t>(own) | OwnRecord);
    for (std::vector<std::uint64_t> &prefixes : m_sortPrefixes)
        if (!prefixes.empty()) prefixes.push_back(0);
    return RecordCount() - 1;
}

TPacketCell *TcxDataStorage::ownCells(int recordIndex)
{
    std::uint32_t &entry = m_records[static_cast<std::size_t>(recordIndex)];
    if (!(entry & OwnRecord)) {
        // The record keeps viewing the engine's bytes in every field not written here.
        const std::size_t own = m_ownCells.size() / std::max(m_fieldCount, 1);
        if (own >= OwnRecord) throw Exception("Out of memory");
        std::vector<TPacketCell> cells(static_cast<std::size_t>(m_fieldCount));
        for (int field = 0; field < m_fieldCount; ++field)
            cells[static_cast<std::size_t>(field)] = cell(recordIndex, field);
        m_ownCells.insert(m_ownCells.end(), cells.begin(), cells.end());
        entry = static_cast<std::uint32_t>(own) | OwnRecord;
    }
    return m_ownCells.data() + static_cast<std::size_t>(entry & ~OwnRecord) * m_fieldCount;
}

const char *TcxDataStorage::copyOf(std::string_view bytes)
{
    if (bytes.empty()) return EmptyValue;
    if (bytes.size() > BlockSize) {
        m_large.push_back(std::make_unique_for_overwrite<char[]>(bytes.size()));
        std::memcpy(m_large.back().get(), bytes.data(), bytes.size());
        return m_large.back().get();
    }
    // A value that would cross the block's end starts the next block; blocks are kept when
    // the store is emptied, so a later edit writes into memory that is already there.
    if (m_blocksUsed == 0 || m_blockUsed + bytes.size() > BlockSize) {
        if (m_blocksUsed == m_blocks.size())
            m_blocks.push_back(std::make_unique_for_overwrite<char[]>(BlockSize));
        ++m_blocksUsed;
        m_blockUsed = 0;
    }
    char *place = m_blocks[m_blocksUsed - 1].get() + m_blockUsed;
    std::memcpy(place, bytes.data(), bytes.size());
    m_blockUsed += bytes.size();
    return place;
}

void TcxDataStorage::setValue(int recordIndex, int fieldIndex,
                              std::optional<std::string_view> value)
{
    assert(recordIndex >= 0 && recordIndex < RecordCount());
    assert(fieldIndex >= 0 && fieldIndex < m_fieldCount);
    if (value && value->size() > std::numeric_limits<std::uint32_t>::max())
        throw Exception("Out of memory");
    // An edit mirrors the whole record at every change; the fields it did not change keep
    // their slots, so only the changed value is copied.
    const TPacketCell &current = cell(recordIndex, fieldIndex);
    if (current.isNull() ? !value
                         : value && current.length == value->size() &&
                               (value->empty() ||
                                std::memcmp(current.data, value->data(), value->size()) == 0))
        return;
    TPacketCell written;
    if (value) written = {copyOf(*value), static_cast<std::uint32_t>(value->size())};
    ownCells(recordIndex)[fieldIndex] = written;
    std::vector<std::uint64_t> &prefixes = m_sortPrefixes[static_cast<std::size_t>(fieldIndex)];
    if (!prefixes.empty()) prefixes[static_cast<std::size_t>(recordIndex)] = prefixOf(value);
}

const std::vector<std::uint64_t> &TcxDataStorage::sortPrefixes(int fieldIndex) const
{
    assert(fieldIndex >= 0 && fieldIndex < m_fieldCount);
    std::vector<std::uint64_t> &prefixes = m_sortPrefixes[static_cast<std::size_t>(fieldIndex)];
    if (prefixes.empty() && RecordCount() > 0) {
        prefixes.resize(static_cast<std::size_t>(RecordCount()));
        for (int recordIndex = 0; recordIndex < RecordCount(); ++recordIndex)
            prefixes[static_cast<std::size_t>(recordIndex)] = prefixOf(value(recordIndex, fieldIndex));
    }
    return prefixes;
}
