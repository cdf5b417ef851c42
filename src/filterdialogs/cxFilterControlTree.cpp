#include "filterdialogs/cxFilterControlTree.h"

#include "criteria/FilterWords.h"
#include "criteria/cxFilterCriteria.h"

#include <algorithm>
#include <functional>

int TcxFilterControlRow::depth() const
{
    int result = 0;
    for (const TcxFilterControlRow *row = m_parent; row; row = row->parent())
        ++result;
    return result;
}

TcxFilterControlTree::TcxFilterControlTree(std::vector<TcxFilterControlColumnInfo> columns)
    : m_columns(std::move(columns)), m_root(std::make_unique<TcxFilterControlRow>(nullptr, true))
{
    reindex();
}

void TcxFilterControlTree::setColumns(std::vector<TcxFilterControlColumnInfo> columns)
{
    clear();
    m_columns = std::move(columns);
}

std::vector<TcxFilterEditorOperator> TcxFilterControlTree::supportedOperators(int column) const
{
    std::vector<TcxFilterEditorOperator> result;
    if (column < 0 || column >= static_cast<int>(m_columns.size())) return result;
    for (int index = 1; index <= static_cast<int>(TcxFilterEditorOperator::NotInList); ++index) {
        const auto op = static_cast<TcxFilterEditorOperator>(index);
        if (isLikeOperator(op) && !m_columns[column].textType) continue;
        result.push_back(op);
    }
    return result;
}

int TcxFilterControlTree::columnById(int id) const
{
    for (int column = 0; column < static_cast<int>(m_columns.size()); ++column)
        if (m_columns[column].id == id) return column;
    return -1;
}

int TcxFilterControlTree::indexOf(const TcxFilterControlRow *row) const
{
    const auto found = std::find(m_rows.begin(), m_rows.end(), row);
    return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
}

void TcxFilterControlTree::reindex()
{
    m_rows.clear();
    std::function<void(TcxFilterControlRow &)> walk = [&](TcxFilterControlRow &row) {
        m_rows.push_back(&row);
        for (auto &child : row.children)
            walk(*child);
    };
    walk(*m_root);
}

TcxFilterControlRow *TcxFilterControlTree::addCondition(TcxFilterControlRow &row)
{
    TcxFilterControlRow &group = row.group();
    auto condition = std::make_unique<TcxFilterControlRow>(&group, false);
    if (!m_columns.empty()) setColumn(*condition, 0);
    group.children.push_back(std::move(condition));
    reindex();
    return group.children.back().get();
}

TcxFilterControlRow *TcxFilterControlTree::addGroup(TcxFilterControlRow &row)
{
    TcxFilterControlRow &parent = row.group();
    parent.children.push_back(std::make_unique<TcxFilterControlRow>(&parent, true));
    return addCondition(*parent.children.back());
}

TcxFilterControlRow *TcxFilterControlTree::deleteRow(TcxFilterControlRow &row)
{
    if (&row == m_root.get() || indexOf(&row) < 0) return nullptr;
    TcxFilterControlRow *doomed = &row;
    while (doomed->parent() != m_root.get() && doomed->parent()->children.size() == 1)
        doomed = doomed->parent();
    TcxFilterControlRow *previous = m_rows[indexOf(doomed) - 1];
    auto &siblings = doomed->parent()->children;
    siblings.erase(std::find_if(siblings.begin(), siblings.end(),
                                [doomed](const auto &child) { return child.get() == doomed; }));
    reindex();
    return previous;
}

void TcxFilterControlTree::clear()
{
    m_root->children.clear();
    m_root->boolOperator = TcxFilterBoolOperatorKind::And;
    reindex();
}

void TcxFilterControlTree::setColumn(TcxFilterControlRow &row, int column)
{
    row.column = column;
    const auto operators = supportedOperators(column);
    row.op = operators.empty() ? TcxFilterEditorOperator::None : operators.front();
    row.values.assign(1, TcxFilterValueSlot());
}

void TcxFilterControlTree::setOperator(TcxFilterControlRow &row, TcxFilterEditorOperator op)
{
    row.op = op;
    adjustValues(row);
}

void TcxFilterControlTree::adjustValues(TcxFilterControlRow &row)
{
    switch (valueArity(row.op)) {
    case TcxFilterValueArity::None: row.values.assign(1, TcxFilterValueSlot()); break;
    case TcxFilterValueArity::Two: row.values.resize(2); break;
    case TcxFilterValueArity::List:
        if (row.values.empty()) row.values.resize(1);
        break;
    case TcxFilterValueArity::One: row.values.resize(1); break;
    }
}

void TcxFilterControlTree::addValue(TcxFilterControlRow &row)
{
    row.values.emplace_back();
}

void TcxFilterControlTree::removeValue(TcxFilterControlRow &row, int index)
{
    if (index < 0 || index >= static_cast<int>(row.values.size()) || row.values.size() < 2) return;
    row.values.erase(row.values.begin() + index);
}

void TcxFilterControlTree::load(const TcxFilterCriteria &criteria)
{
    clear();
    m_root->boolOperator = criteria.root().boolOperator();
    // Rows are added as they are read, so that a failure leaves those before it in the tree.
    std::function<void(const TcxFilterCriteriaItemList &, TcxFilterControlRow &)> add =
        [&](const TcxFilterCriteriaItemList &source, TcxFilterControlRow &target) {
            for (int index = 0; index < source.count(); ++index) {
                const TcxCustomFilterCriteriaItem *item = source.item(index);
                if (item->isGroup()) {
                    const auto &group = static_cast<const TcxFilterCriteriaItemList &>(*item);
                    target.children.push_back(std::make_unique<TcxFilterControlRow>(&target, true));
                    target.children.back()->boolOperator = group.boolOperator();
                    add(group, *target.children.back());
                    continue;
                }
                const auto &condition = static_cast<const TcxFilterCriteriaItem &>(*item);
                const int column = columnById(condition.column());
                if (column < 0) throw Exception("不能从源建立过滤");
                auto row = std::make_unique<TcxFilterControlRow>(&target, false);
                row->column = column;
                row->op = editorOperator(condition.operatorKind(), condition.value().isNull());
                const TcxFilterOperatorKind kind = condition.operatorKind();
                if (kind >= TcxFilterOperatorKind::Between &&
                    kind <= TcxFilterOperatorKind::NotInList && condition.value().isArray()) {
                    for (const TVariant &element : condition.value().elements())
                        row->values.push_back({element, variantToText(element)});
                } else {
                    row->values.push_back({condition.value(), condition.displayText()});
                }
                adjustValues(*row);
                target.children.push_back(std::move(row));
            }
        };
    // The flat list is made once, at the end or at the failure: remade after every row it
    // cost the square of the rows.
    try {
        add(criteria.root(), *m_root);
    } catch (...) {
        reindex();
        throw;
    }
    reindex();
}

bool TcxFilterControlTree::complete(const TcxFilterControlRow &row) const
{
    if (!row.isGroup())
        return row.column >= 0 && row.column < static_cast<int>(m_columns.size()) &&
               row.op != TcxFilterEditorOperator::None;
    return std::all_of(row.children.begin(), row.children.end(),
                       [this](const auto &child) { return complete(*child); });
}

namespace {

std::string slotText(const TcxFilterValueSlot &slot)
{
    return slot.value.isNull() ? gbkWord("空") : slot.text;
}

} // namespace

bool TcxFilterControlTree::build(TcxFilterCriteria &criteria) const
{
    if (!complete(*m_root)) return false;
    TUpdateLock lock(criteria);
    criteria.clear();
    criteria.root().setBoolOperator(m_root->boolOperator);
    std::function<void(const TcxFilterControlRow &, TcxFilterCriteriaItemList *)> add =
        [&](const TcxFilterControlRow &group, TcxFilterCriteriaItemList *target) {
            for (const auto &child : group.children) {
                if (child->isGroup()) {
                    add(*child, criteria.addGroup(target, child->boolOperator));
                    continue;
                }
                const TcxFilterControlRow &row = *child;
                const int id = m_columns[row.column].id;
                const TcxFilterOperatorKind kind = criteriaKind(row.op);
                const TcxFilterValueSlot first =
                    row.values.empty() ? TcxFilterValueSlot() : row.values.front();
                using Op = TcxFilterEditorOperator;
                switch (row.op) {
                case Op::Equal:
                case Op::NotEqual:
                    criteria.addCondition(target, id, kind, first.value, slotText(first));
                    break;
                case Op::Null:
                case Op::NotNull:
                    criteria.addCondition(target, id, kind, TVariant(), gbkWord("空"));
                    break;
                case Op::Between:
                case Op::NotBetween: {
                    TcxFilterValueSlot lower = first;
                    TcxFilterValueSlot upper =
                        row.values.size() > 1 ? row.values[1] : TcxFilterValueSlot();
                    if (compareVariants(lower.value, upper.value) >= 0) std::swap(lower, upper);
                    criteria.addCondition(target, id, kind,
                                          TVariant::array({lower.value, upper.value}),
                                          slotText(lower) + gbkWord(" " + std::string(filteroperators::AndWord) + " ") + slotText(upper));
                    break;
                }
                case Op::InList:
                case Op::NotInList: {
                    std::vector<TVariant> elements;
                    std::string text = "(";
                    for (const TcxFilterValueSlot &slot : row.values) {
                        if (!elements.empty()) text += ", ";
                        elements.push_back(slot.value);
                        text += slotText(slot);
                    }
                    criteria.addCondition(target, id, kind, TVariant::array(std::move(elements)),
                                          text + ")");
                    break;
                }
                default: {
                    const bool blank = first.value.isNull() || first.text.empty();
                    criteria.addCondition(target, id, kind, first.value,
                                          blank ? gbkWord("空") : first.text);
                    break;
                }
                }
            }
        };
    add(*m_root, nullptr);
    return true;
}
