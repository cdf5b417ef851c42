#pragma once

#include "criteria/cxFilterOperatorCatalogue.h"
#include "criteria/Variant.h"
#include "criteria/cxFilterCriteriaItemList.h"

#include <memory>
#include <string>
#include <vector>

class TcxFilterCriteria;

// One value of a condition row: the value and the text the user saw for it (GBK).
struct TcxFilterValueSlot
{
    TVariant value;
    std::string text;
};

// What the tree needs to know of a builder column.
struct TcxFilterControlColumnInfo
{
    int id = 0;
    bool textType = true; // the like operators need a text field
};

// A row of the filter builder: a group with its operator and children, or a condition with
// its builder column, operator and value slots.
class TcxFilterControlRow
{
public:
    TcxFilterControlRow(TcxFilterControlRow *parent, bool group) : m_parent(parent), m_group(group)
    {}

    bool isGroup() const { return m_group; }
    TcxFilterControlRow *parent() const { return m_parent; }
    int depth() const;
    // The row itself for a group, else its parent.
    TcxFilterControlRow &group() { return m_group ? *this : *m_parent; }

    TcxFilterBoolOperatorKind boolOperator = TcxFilterBoolOperatorKind::And;
    std::vector<std::unique_ptr<TcxFilterControlRow>> children;

    int column = -1; // index into the builder columns
    TcxFilterEditorOperator op = TcxFilterEditorOperator::None;
    std::vector<TcxFilterValueSlot> values;

private:
    TcxFilterControlRow *m_parent;
    bool m_group;
};

// The rows of the filter builder, as a tree under the root group and as a flat list in display
// order (the root first, then every row depth first). No toolkit code: the tree editor paints
// and edits it, and it builds and reads a criteria whose condition columns are column IDs.
class TcxFilterControlTree
{
public:
    explicit TcxFilterControlTree(std::vector<TcxFilterControlColumnInfo> columns = {});

    void setColumns(std::vector<TcxFilterControlColumnInfo> columns);
    const std::vector<TcxFilterControlColumnInfo> &columns() const { return m_columns; }
    // The operators a column offers, in ascending order: the extended set of a text editor.
    std::vector<TcxFilterEditorOperator> supportedOperators(int column) const;
    int columnById(int id) const; // -1 when no builder column has the ID

    TcxFilterControlRow &root() { return *m_root; }
    const TcxFilterControlRow &root() const { return *m_root; }
    const std::vector<TcxFilterControlRow *> &rows() const { return m_rows; }
    int count() const { return static_cast<int>(m_rows.size()); }
    TcxFilterControlRow *row(int index) const { return m_rows.at(index); }
    int indexOf(const TcxFilterControlRow *row) const; // -1 when not in the tree

    // A new condition (first column, "等于", one empty value) as the last child of the row's
    // group.
    TcxFilterControlRow *addCondition(TcxFilterControlRow &row);
    // A new AND group in the row's group, with one new condition in it; returns the condition.
    TcxFilterControlRow *addGroup(TcxFilterControlRow &row);
    // Deletes the row, and with it every group that would be left empty; returns the row that
    // stood before it, which takes the focus. The root stays.
    TcxFilterControlRow *deleteRow(TcxFilterControlRow &row);
    // Every row goes; the root is AND again.
    void clear();

    // A new column resets the operator to the column's first and the values to one empty slot.
    void setColumn(TcxFilterControlRow &row, int column);
    // A new operator keeps the values it can use.
    void setOperator(TcxFilterControlRow &row, TcxFilterEditorOperator op);
    static void adjustValues(TcxFilterControlRow &row);
    void addValue(TcxFilterControlRow &row);
    void removeValue(TcxFilterControlRow &row, int index);

    // Rebuilds the rows from a criteria whose conditions name column IDs. Throws Exception with
    // "不能从源建立过滤" at a condition whose ID no builder column has; the rows built before
    // it stay.
    void load(const TcxFilterCriteria &criteria);
    // Builds the criteria from the rows, in one change; false (and the criteria untouched)
    // while a condition row lacks its column or operator.
    bool build(TcxFilterCriteria &criteria) const;

private:
    void reindex();
    bool complete(const TcxFilterControlRow &row) const;

    std::vector<TcxFilterControlColumnInfo> m_columns;
    std::unique_ptr<TcxFilterControlRow> m_root;
    std::vector<TcxFilterControlRow *> m_rows;
};
