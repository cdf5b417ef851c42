#include "grid/DrugListGrid.h"

#include "druglist/DrugListColumns.h"
#include "grid/cxGrid.h"
#include "grid/cxGridDBColumn.h"

TcxGrid *newDrugListGrid(QWidget *parent)
{
    std::vector<TcxGridDBTableView::TColumnBinding> bindings;
    for (const TDrugListColumn &column : DrugListColumns)
        bindings.push_back({std::string(column.componentName), std::string(column.fieldName)});
    auto *grid = new TcxGrid(parent, bindings);

    TcxGridDBTableView &view = *grid->cxGridDBTableView1;
    TcxGridDBColumn *names = view.Columns(NameColumn);
    names->SetCaption(QString::fromUtf8(NameColumnCaption.data(),
                                        static_cast<qsizetype>(NameColumnCaption.size())));
    names->SetWidth(NameColumnWidth);
    // The names can be neither edited nor moved: the view offers neither.
    names->SetSortOrder(TcxDataSortOrder::soAscending);
    for (int i = 0; i < view.ColumnCount(); ++i)
        if (i != NameColumn) view.Columns(i)->SetVisible(false);
    return grid;
}
