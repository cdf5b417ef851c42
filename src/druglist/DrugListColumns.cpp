#include "druglist/DrugListColumns.h"

#include "controller/cxGridDBDataController.h"
#include "data/ClientDataSet.h"
#include "data/Field.h"
#include "platform/Codec.h"

std::vector<std::string> drugListFieldNames()
{
    std::vector<std::string> names;
    for (const TDrugListColumn &column : DrugListColumns) names.emplace_back(column.fieldName);
    return names;
}

std::string drugListCaption(const TClientDataSet &dataSet, int column)
{
    if (column == NameColumn) return gbk::fromUtf8(NameColumnCaption).value_or(std::string());
    const std::string_view fieldName = DrugListColumns.at(static_cast<std::size_t>(column)).fieldName;
    const TField *field = dataSet.FindField(fieldName);
    return field ? gbk::fromUtf8(field->DisplayName()).value_or(std::string())
                 : std::string(fieldName);
}

void designDrugListController(TcxGridDBDataController &controller, const TClientDataSet &dataSet)
{
    controller.SetSortOrder(NameColumn, TcxDataSortOrder::soAscending);
    controller.setItemCaptions(
        [&dataSet](int item) { return drugListCaption(dataSet, item); });
}
