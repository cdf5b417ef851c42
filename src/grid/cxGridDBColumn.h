#pragma once

#include "controller/cxGridDBDataController.h"

#include <QString>

#include <string>

class TcxGridDBTableView;

// Per-column switches; every one is on unless the form turns it off.
struct TcxGridColumnOptions
{
    bool Filtering = true;
    bool HorzSizing = true;
    bool Sorting = true;
};

// One column of the table view: a data binding to one field of the view's data controller
// (item index = column index), its header caption, width and sort order.
class TcxGridDBColumn
{
public:
    TcxGridDBColumn(TcxGridDBTableView &view, int index, std::string name);

    const std::string &Name() const { return m_name; }
    int Index() const { return m_index; }
    TcxGridDBTableView &GridView() const { return m_view; }

    // The binding's field name, as the view's data controller was given it.
    const std::string &FieldName() const;

    // The caption of the column's own, or, when it has none, the bound field's display name,
    // else the binding's field name.
    QString Caption() const;
    void SetCaption(const QString &caption);

    bool Visible() const { return m_visible; }
    void SetVisible(bool visible);
    int Width() const { return m_width; }
    // Never below MinWidth.
    void SetWidth(int width);
    int MinWidth() const { return m_minWidth; }

    TcxDataSortOrder SortOrder() const;
    void SetSortOrder(TcxDataSortOrder order);

    int GroupIndex() const { return -1; }

    TcxGridColumnOptions Options;

    // Header clicks sort this column.
    bool canSort() const;
    // The header shows the filter button.
    bool canFilter() const;

private:
    TcxGridDBTableView &m_view;
    int m_index;
    std::string m_name;
    QString m_caption;
    bool m_visible = true;
    int m_width = 64;
    int m_minWidth = 20;
};
