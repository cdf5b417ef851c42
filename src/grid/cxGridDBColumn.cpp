#include "grid/cxGridDBColumn.h"

#include "grid/cxGridDBTableView.h"

#include "data/ClientDataSet.h"
#include "data/Field.h"

#include <algorithm>

TcxGridDBColumn::TcxGridDBColumn(TcxGridDBTableView &view, int index, std::string name)
    : m_view(view), m_index(index), m_name(std::move(name))
{}

const std::string &TcxGridDBColumn::FieldName() const
{
    return m_view.DataController().itemFieldName(m_index);
}

QString TcxGridDBColumn::Caption() const
{
    if (!m_caption.isEmpty()) return m_caption;
    const TcxGridDBDataController &controller = m_view.DataController();
    // The controller binds its fields only while the data set is open; the data set's
    // declared fields give the same display name before that.
    TField *field = controller.itemField(m_index);
    if (!field && controller.DataSet()) field = controller.DataSet()->FindField(FieldName());
    // Display labels and field names are the program's own texts, written in UTF-8.
    return QString::fromStdString(field ? field->DisplayName() : FieldName());
}

void TcxGridDBColumn::SetCaption(const QString &caption)
{
    if (m_caption == caption) return;
    m_caption = caption;
    m_view.columnChanged();
}

void TcxGridDBColumn::SetVisible(bool visible)
{
    if (m_visible == visible) return;
    m_visible = visible;
    m_view.columnChanged();
}

void TcxGridDBColumn::SetWidth(int width)
{
    width = std::max(width, m_minWidth);
    if (m_width == width) return;
    m_width = width;
    m_view.columnChanged();
}

TcxDataSortOrder TcxGridDBColumn::SortOrder() const
{
    return m_view.DataController().sortOrder(m_index);
}

void TcxGridDBColumn::SetSortOrder(TcxDataSortOrder order)
{
    m_view.DataController().SetSortOrder(m_index, order);
}

bool TcxGridDBColumn::canSort() const
{
    // The text editor of every column supports sorting.
    return m_view.OptionsCustomize.ColumnSorting && Options.Sorting;
}

bool TcxGridDBColumn::canFilter() const
{
    return m_view.OptionsCustomize.ColumnFiltering && Options.Filtering;
}
