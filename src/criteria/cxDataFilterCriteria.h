#pragma once

#include "criteria/cxFilterCriteria.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// What a data controller lends its criteria about its data fields; a condition's column is
// the data field's index.
struct TcxDataFilterItems
{
    std::function<int()> count;
    // A record's value of a data field; nullopt for null.
    std::function<std::optional<std::string_view>(int recordIndex, int itemIndex)> value;
    std::function<std::string(int itemIndex)> caption; // GBK
    // The ID of the field's column, which the stream stores; when unset, the index itself.
    std::function<int(int itemIndex)> id;
};

// The criteria of a data controller: it reads record values from the controller, and each of
// its changes makes the controller filter its rows again.
class TcxDataFilterCriteria : public TcxFilterCriteria
{
public:
    TcxDataFilterCriteria() = default;
    explicit TcxDataFilterCriteria(TcxDataFilterItems items) : m_items(std::move(items)) {}

    void setItems(TcxDataFilterItems items) { m_items = std::move(items); }
    // The controller's own handling of a change, its FilterChanged().
    void setFilterChangedHandler(std::function<void()> handler)
    {
        m_filterChanged = std::move(handler);
    }
    // True while the controller or its owner is being loaded or destroyed: changes are then
    // dropped.
    void setOwnerBusyTest(std::function<bool()> test) { m_ownerBusy = std::move(test); }
    void setGridMode(bool gridMode) { m_gridMode = gridMode; }

    // Active, not empty, and the controller not in grid mode.
    bool inForce() const { return Active() && !isEmpty() && !m_gridMode; }

    // Also copies Active from another data controller's criteria.
    void assign(const TcxFilterCriteria &source) override;

    std::optional<std::string_view> itemValue(int recordIndex, int column) const override;
    std::string itemCaption(int column) const override;
    int itemId(int column) const override;
    int itemById(int id) const override;

protected:
    void doChanged() override;

private:
    bool hasItem(int column) const;

    TcxDataFilterItems m_items;
    std::function<void()> m_filterChanged;
    std::function<bool()> m_ownerBusy;
    bool m_gridMode = false;
};

// The data controller's filter hook for this criteria: a record passes while the criteria is
// not in force, and otherwise when it matches. The criteria must outlive the hook.
std::function<bool(int recordIndex)> makeFilterHook(const TcxDataFilterCriteria &criteria);
