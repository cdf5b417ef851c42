#pragma once

#include "criteria/cxFilterCriteriaItem.h"

#include <cstdint>
#include <memory>
#include <vector>

// The Boolean operator of a group, as the filter stream stores it.
enum class TcxFilterBoolOperatorKind : std::uint8_t { And, Or, NotAnd, NotOr };

// A group of the filter tree. It owns its children and frees them with itself.
class TcxFilterCriteriaItemList : public TcxCustomFilterCriteriaItem
{
public:
    TcxFilterCriteriaItemList(TcxFilterCriteria &criteria, TcxFilterCriteriaItemList *parent,
                              TcxFilterBoolOperatorKind boolOperator);

    bool isGroup() const override { return true; }
    TcxFilterBoolOperatorKind boolOperator() const { return m_boolOperator; }
    void setBoolOperator(TcxFilterBoolOperatorKind boolOperator); // one change when it differs

    int count() const { return static_cast<int>(m_items.size()); }
    bool isEmpty() const { return m_items.empty(); }
    TcxCustomFilterCriteriaItem *item(int index) const { return m_items.at(index).get(); }
    int indexOf(const TcxCustomFilterCriteriaItem *item) const;

    // Every child is tested, in order, and combined by the group's operator; a group without
    // children is true.
    bool matches(int recordIndex) const override;
    std::string filterText() const override;

private:
    friend class TcxFilterCriteria;
    TcxCustomFilterCriteriaItem *append(std::unique_ptr<TcxCustomFilterCriteriaItem> item);
    std::unique_ptr<TcxCustomFilterCriteriaItem> take(TcxCustomFilterCriteriaItem *item);
    void clear() { m_items.clear(); }

    TcxFilterBoolOperatorKind m_boolOperator;
    std::vector<std::unique_ptr<TcxCustomFilterCriteriaItem>> m_items;
};
