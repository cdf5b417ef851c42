#include "controller/cxDataStorage.h"

#include "platform/Exception.h"

#include <algorithm>
#include <cassert>
#include <cstring>
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
    m_arenaUsed = 0;
    m_large.clear();
    for (std::vector<std::uint64_t> &prefixes : m_sortPrefixes)
        prefixes.clear();
}

void TcxDataStorage::release()
{
    clear();
    m_cells.shrink_to_fit();
    m_blocks.clear();
    m_blocks.shrink_to_fit();
    for (std::vector<std::uint64_t> &prefixes : m_sortPrefixes)
        prefixes.shrink_to_fit();
}

void TcxDataStorage::reserve(int records)
{
    m_cells.reserve(static_cast<std::size_t>(records) * m_fieldCount);
}

int TcxDataStorage::appendRecord()
{
    m_cells.resize(m_cells.size() + m_fieldCount);
    for (std::vector<std::uint64_t> &prefixes : m_sortPrefixes)
        if (!prefixes.empty()) prefixes.push_back(0);
    return m_recordCount++;
}

std::uint32_t TcxDataStorage::allocate(std::uint32_t length)
{
    assert(length > 0 && length <= BlockSize);
    std::uint64_t offset = m_arenaUsed;
    // A value that would cross the block's end starts the next block.
    if ((offset & (BlockSize - 1)) + length > BlockSize) offset = (offset | (BlockSize - 1)) + 1;
    // Offsets are 32-bit to keep the slots small; a store past 4 GiB is refused, not wrapped.
    if (offset + length > std::numeric_limits<std::uint32_t>::max())
        throw Exception("Out of memory");
    const std::size_t block = static_cast<std::size_t>(offset >> BlockShift);
    while (m_blocks.size() <= block)
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(BlockSize));
    m_arenaUsed = static_cast<std::uint32_t>(offset + length);
    // Readers take a value's bytes from its first block only.
    assert((offset >> BlockShift) == ((offset + length - 1) >> BlockShift));
    return static_cast<std::uint32_t>(offset);
}

void TcxDataStorage::setValue(int recordIndex, int fieldIndex,
                              std::optional<std::string_view> value)
{
    assert(recordIndex >= 0 && recordIndex < m_recordCount);
    assert(fieldIndex >= 0 && fieldIndex < m_fieldCount);
    TCell &target = m_cells[static_cast<std::size_t>(recordIndex) * m_fieldCount + fieldIndex];
    if (!value) {
        target = TCell();
    } else if (value->empty()) {
        target = {0, 0, TKind::Arena};
    } else if (value->size() > BlockSize) {
        if (m_large.size() >= std::numeric_limits<std::uint32_t>::max())
            throw Exception("Out of memory");
        m_large.emplace_back(*value);
        target = {static_cast<std::uint32_t>(m_large.size() - 1),
                  static_cast<std::uint32_t>(value->size()), TKind::Large};
    } else {
        const auto length = static_cast<std::uint32_t>(value->size());
        const std::uint32_t offset = allocate(length);
        std::memcpy(arenaData(offset), value->data(), length);
        target = {offset, length, TKind::Arena};
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
    switch (source.kind) {
    case TKind::Null: return std::nullopt;
    case TKind::Large: return std::string_view(m_large[source.offset]);
    case TKind::Arena:
        if (source.length == 0) return std::string_view();
        return std::string_view(arenaData(source.offset), source.length);
    }
    return std::nullopt;
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
