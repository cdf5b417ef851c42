#include "criteria/cxDataFilterCriteria.h"

void TcxDataFilterCriteria::assign(const TcxFilterCriteria &source)
{
    TUpdateLock lock(*this);
    TcxFilterCriteria::assign(source);
    if (const auto *data = dynamic_cast<const TcxDataFilterCriteria *>(&source))
        SetActive(data->Active());
}

bool TcxDataFilterCriteria::hasItem(int column) const
{
    return column >= 0 && m_items.count && column < m_items.count();
}

std::optional<std::string_view> TcxDataFilterCriteria::itemValue(int recordIndex, int column) const
{
    if (!m_items.value || !hasItem(column)) return std::nullopt;
    return m_items.value(recordIndex, column);
}

std::string TcxDataFilterCriteria::itemCaption(int column) const
{
    if (!m_items.caption || !hasItem(column)) return {};
    return m_items.caption(column);
}

int TcxDataFilterCriteria::itemId(int column) const
{
    if (!hasItem(column)) return -1;
    return m_items.id ? m_items.id(column) : column;
}

int TcxDataFilterCriteria::itemById(int id) const
{
    const int count = m_items.count ? m_items.count() : 0;
    for (int column = 0; column < count; ++column)
        if (itemId(column) == id) return column;
    return -1;
}

void TcxDataFilterCriteria::doChanged()
{
    if (m_ownerBusy && m_ownerBusy()) return;
    refreshDates();
    if (m_filterChanged) m_filterChanged();
    notifyChanged();
}

std::function<bool(int recordIndex)> makeFilterHook(const TcxDataFilterCriteria &criteria)
{
    return [&criteria](int recordIndex) {
        return !criteria.inForce() || criteria.matches(recordIndex);
    };
}
