#include "DataStorage.h"

#include "Exception.h"

#include <algorithm>
#include <cassert>
#include <limits>

namespace {

std::uint64_t prefixOf(std::string_view text)
{
    std::uint64_t prefix = 0;
    const std::size_t count = std::min<std::size_t>(text.size(), 8);
    for (std::size_t i = 0; i < 8; ++i) {
        prefix <<= 8;
        if (i < count) prefix |= static_cast<unsigned char>(text[i]);
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
    m_recordCount = 0;
    m_cells.clear();
    m_arena.clear();
    for (std::vector<std::uint64_t> &prefixes : m_sortPrefixes)
        prefixes.clear();
}

void TcxDataStorage::reserve(int records, std::size_t bytes)
{
    m_cells.reserve(static_cast<std::size_t>(records) * m_fieldCount);
    m_arena.reserve(bytes);
}

int TcxDataStorage::appendRecord()
{
    m_cells.resize(m_cells.size() + m_fieldCount);
    for (std::vector<std::uint64_t> &prefixes : m_sortPrefixes)
        if (!prefixes.empty()) prefixes.push_back(0);
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
    } else {
        // Offsets are 32-bit to keep the slots small; a store past 4 GiB is refused, not
        // wrapped.
        if (m_arena.size() + value->size() > std::numeric_limits<std::uint32_t>::max())
            throw Exception("Out of memory");
        target.offset = static_cast<std::uint32_t>(m_arena.size());
        target.length = static_cast<std::uint32_t>(value->size());
        target.null = false;
        m_arena.append(*value);
    }
    std::vector<std::uint64_t> &prefixes = m_sortPrefixes[static_cast<std::size_t>(fieldIndex)];
    if (!prefixes.empty())
        prefixes[static_cast<std::size_t>(recordIndex)] = value ? prefixOf(*value) : 0;
}

std::optional<std::string_view> TcxDataStorage::value(int recordIndex, int fieldIndex) const
{
    assert(recordIndex >= 0 && recordIndex < m_recordCount);
    assert(fieldIndex >= 0 && fieldIndex < m_fieldCount);
    const TCell &source = cell(recordIndex, fieldIndex);
    if (source.null) return std::nullopt;
    return std::string_view(m_arena.data() + source.offset, source.length);
}

const std::vector<std::uint64_t> &TcxDataStorage::sortPrefixes(int fieldIndex) const
{
    assert(fieldIndex >= 0 && fieldIndex < m_fieldCount);
    std::vector<std::uint64_t> &prefixes = m_sortPrefixes[static_cast<std::size_t>(fieldIndex)];
    if (prefixes.empty() && m_recordCount > 0) {
        prefixes.reserve(static_cast<std::size_t>(m_recordCount));
        for (int recordIndex = 0; recordIndex < m_recordCount; ++recordIndex) {
            const std::optional<std::string_view> text = value(recordIndex, fieldIndex);
            prefixes.push_back(text ? prefixOf(*text) : 0);
        }
    }
    return prefixes;
}
