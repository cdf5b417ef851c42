#include "engine/DSIntf.h"

#include <cassert>

TRecordBuffer::TRecordBuffer(std::size_t fieldCount) : m_cells(fieldCount)
{}

bool TRecordBuffer::isBlank(std::uint32_t fieldNo) const
{
    if (fieldNo == 0 || fieldNo > m_cells.size()) return true;
    return m_cells[fieldNo - 1].blank;
}

std::string_view TRecordBuffer::value(std::uint32_t fieldNo) const
{
    if (fieldNo == 0 || fieldNo > m_cells.size()) return {};
    const TCell &cell = m_cells[fieldNo - 1];
    if (cell.blank) return {};
    if (cell.owned >= 0) return m_owned[static_cast<std::size_t>(cell.owned)];
    return std::string_view(cell.data, cell.length);
}

void TRecordBuffer::setValue(std::uint32_t fieldNo, std::optional<std::string_view> value)
{
    assert(fieldNo >= 1 && fieldNo <= m_cells.size());
    if (fieldNo == 0 || fieldNo > m_cells.size()) return;
    TCell &cell = m_cells[fieldNo - 1];
    if (!value) {
        cell = TCell{};
        return;
    }
    // A value ends at its first zero byte.
    std::string_view bytes = value->substr(0, value->find('\0'));
    if (cell.owned < 0) {
        cell.owned = static_cast<std::int32_t>(m_owned.size());
        m_owned.emplace_back();
    }
    m_owned[static_cast<std::size_t>(cell.owned)].assign(bytes);
    cell.data = nullptr;
    cell.length = static_cast<std::uint32_t>(bytes.size());
    cell.blank = false;
}

void TRecordBuffer::clear()
{
    for (TCell &cell : m_cells)
        cell = TCell{};
    m_owned.clear();
    attribute = TRecordAttribute::Normal;
    bookmark.reset();
}

void TRecordBuffer::referValue(std::uint32_t fieldNo, const char *data, std::uint32_t length,
                               bool blank)
{
    if (fieldNo == 0 || fieldNo > m_cells.size()) return;
    TCell &cell = m_cells[fieldNo - 1];
    cell.data = data;
    cell.length = blank ? 0 : length;
    cell.blank = blank;
    cell.owned = -1;
}
