#include "DataStorage.h"

#include "Exception.h"

#include <cassert>
#include <limits>

void TcxDataStorage::setFieldCount(int fieldCount)
{
    assert(fieldCount >= 0);
    m_fieldCount = fieldCount;
    clear();
}

void TcxDataStorage::clear()
{
    m_recordCount = 0;
    m_cells.clear();
    m_arena.clear();
}

void TcxDataStorage::reserve(int records, std::size_t bytes)
{
    m_cells.reserve(static_cast<std::size_t>(records) * m_fieldCount);
    m_arena.reserve(bytes);
}

int TcxDataStorage::appendRecord()
{
    m_cells.resize(m_cells.size() + m_fieldCount);
    return m_recordCount++;
}

void TcxDataStorage::setValue(int recordIndex, int fieldIndex,
                              std::optional<std::string_view> value)
{
    assert(recordIndex >= 0 && recordIndex < m_recordCount);
    assert(fieldIndex >= 0 && fieldIndex < m_fieldCount);
    TCell &target = m_cells[static_cast<std::size_t>(recordIndex) * m_fieldCount + fieldIndex];
    if (!value) {
        target = TCell();
        return;
    }
    // Offsets are 32-bit to keep the slots small; a store past 4 GiB is refused, not wrapped.
    if (m_arena.size() + value->size() > std::numeric_limits<std::uint32_t>::max())
        throw Exception("Out of memory");
    target.offset = static_cast<std::uint32_t>(m_arena.size());
    target.length = static_cast<std::uint32_t>(value->size());
    target.null = false;
    m_arena.append(*value);
}

std::optional<std::string_view> TcxDataStorage::value(int recordIndex, int fieldIndex) const
{
    assert(recordIndex >= 0 && recordIndex < m_recordCount);
    assert(fieldIndex >= 0 && fieldIndex < m_fieldCount);
    const TCell &source = cell(recordIndex, fieldIndex);
    if (source.null) return std::nullopt;
    return std::string_view(m_arena.data() + source.offset, source.length);
}
