#pragma once

#include "criteria/Variant.h"
#include "criteria/cxFilterOperator.h"

#include <memory>
#include <optional>
#include <string>

class TcxFilterCriteria;
class TcxFilterCriteriaItemList;

// A node of the filter tree: a group or a condition, always inside a group of one criteria
// (except the root, which has no parent).
class TcxCustomFilterCriteriaItem
{
public:
    virtual ~TcxCustomFilterCriteriaItem() = default;
    TcxCustomFilterCriteriaItem(const TcxCustomFilterCriteriaItem &) = delete;
    TcxCustomFilterCriteriaItem &operator=(const TcxCustomFilterCriteriaItem &) = delete;

    virtual bool isGroup() const = 0;
    TcxFilterCriteriaItemList *parent() const { return m_parent; }
    TcxFilterCriteria &criteria() const { return *m_criteria; }

    // The record test and the display form of this node.
    virtual bool matches(int recordIndex) const = 0;
    virtual std::string filterText() const = 0;

protected:
    TcxCustomFilterCriteriaItem(TcxFilterCriteria &criteria, TcxFilterCriteriaItemList *parent)
        : m_criteria(&criteria), m_parent(parent)
    {}

private:
    friend class TcxFilterCriteriaItemList;
    TcxFilterCriteria *m_criteria;
    TcxFilterCriteriaItemList *m_parent;
};

// A condition: one column, one operator, a value and the text the user saw for it. The column
// is the criteria's item index, -1 when it could not be resolved; such a condition tests a
// null value and has an empty caption.
class TcxFilterCriteriaItem : public TcxCustomFilterCriteriaItem
{
public:
    TcxFilterCriteriaItem(TcxFilterCriteria &criteria, TcxFilterCriteriaItemList *parent,
                          int column, TcxFilterOperatorKind kind, TVariant value,
                          std::string displayText);

    bool isGroup() const override { return false; }
    int column() const { return m_column; }
    TcxFilterOperatorKind operatorKind() const { return m_kind; }
    const TVariant &value() const { return m_value; }
    const std::string &displayText() const { return m_displayText; }
    const TcxFilterOperator &filterOperator() const { return *m_operator; }

    // Each setter raises one change when the property differs. A new kind or value chooses
    // the operator again.
    void setColumn(int column);
    void setOperatorKind(TcxFilterOperatorKind kind);
    void setValue(TVariant value);
    void setDisplayText(std::string displayText);

    bool matches(int recordIndex) const override;
    std::string filterText() const override;

    // The criteria's settings changed: prepare the value and the operator again.
    void prepare();
    void setToday(std::chrono::sys_days today, std::chrono::weekday firstDayOfWeek);

private:
    void chooseOperator();

    int m_column;
    TcxFilterOperatorKind m_kind;
    TVariant m_value;
    std::string m_displayText;
    TVariant m_preparedValue;
    std::unique_ptr<TcxFilterOperator> m_operator;
};
