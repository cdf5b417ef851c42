#include "criteria/cxFilterCriteriaItemList.h"

#include "criteria/FilterWords.h"
#include "criteria/cxFilterOperatorCatalogue.h"
#include "criteria/cxFilterCriteria.h"

#include <algorithm>
#include <cassert>

TcxFilterCriteriaItemList::TcxFilterCriteriaItemList(TcxFilterCriteria &criteria,
                                                     TcxFilterCriteriaItemList *parent,
                                                     TcxFilterBoolOperatorKind boolOperator)
    : TcxCustomFilterCriteriaItem(criteria, parent), m_boolOperator(boolOperator)
{}

void TcxFilterCriteriaItemList::setBoolOperator(TcxFilterBoolOperatorKind boolOperator)
{
    if (boolOperator == m_boolOperator) return;
    m_boolOperator = boolOperator;
    criteria().changed();
}

int TcxFilterCriteriaItemList::indexOf(const TcxCustomFilterCriteriaItem *item) const
{
    const auto found = std::find_if(m_items.begin(), m_items.end(),
                                    [item](const auto &child) { return child.get() == item; });
    return found == m_items.end() ? -1 : static_cast<int>(found - m_items.begin());
}

TcxCustomFilterCriteriaItem *
TcxFilterCriteriaItemList::append(std::unique_ptr<TcxCustomFilterCriteriaItem> item)
{
    item->m_parent = this;
    m_items.push_back(std::move(item));
    return m_items.back().get();
}

std::unique_ptr<TcxCustomFilterCriteriaItem>
TcxFilterCriteriaItemList::take(TcxCustomFilterCriteriaItem *item)
{
    const int index = indexOf(item);
    assert(index >= 0);
    if (index < 0) return nullptr;
    std::unique_ptr<TcxCustomFilterCriteriaItem> taken = std::move(m_items[index]);
    m_items.erase(m_items.begin() + index);
    taken->m_parent = nullptr;
    return taken;
}

bool TcxFilterCriteriaItemList::matches(int recordIndex) const
{
    if (m_items.empty()) return true;
    const bool negated = m_boolOperator == TcxFilterBoolOperatorKind::NotAnd ||
                         m_boolOperator == TcxFilterBoolOperatorKind::NotOr;
    bool result = m_items.front()->matches(recordIndex) != negated;
    // Every child is tested, even once the result is settled: a failure of a later child
    // reaches the caller just the same.
    for (std::size_t i = 1; i < m_items.size(); ++i) {
        const bool child = m_items[i]->matches(recordIndex);
        switch (m_boolOperator) {
        case TcxFilterBoolOperatorKind::And: result = result && child; break;
        case TcxFilterBoolOperatorKind::Or: result = result || child; break;
        case TcxFilterBoolOperatorKind::NotAnd: result = result || !child; break;
        case TcxFilterBoolOperatorKind::NotOr: result = result && !child; break;
        }
    }
    return result;
}

std::string TcxFilterCriteriaItemList::filterText() const
{
    const bool orWord = m_boolOperator == TcxFilterBoolOperatorKind::Or ||
                        m_boolOperator == TcxFilterBoolOperatorKind::NotOr;
    const std::string joint = ' ' + gbkWord(orWord ? filteroperators::OrWord : filteroperators::AndWord) + ' ';
    std::string text;
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        if (i > 0) text += joint;
        text += '(' + m_items[i]->filterText() + ')';
    }
    if (m_boolOperator == TcxFilterBoolOperatorKind::NotAnd ||
        m_boolOperator == TcxFilterBoolOperatorKind::NotOr)
        text = gbkWord("非") + " (" + text + ')';
    return text;
}
