#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

class TClientDataSet;
class TcxGridDBDataController;

// The drug list's columns as the main window declares them, in column order (the column's
// index is also its ID in saved filters). Only the first is shown; the others carry fields
// that the filters can test. This is the one list the program, the data tool, the tests and
// the benchmarks take them from.
struct TDrugListColumn
{
    std::string_view componentName;
    std::string_view fieldName;
};

inline constexpr std::array<TDrugListColumn, 13> DrugListColumns = {{
    {"cxGridDBColumn1", "Tongyongming"},
    {"cxGridDBTableView1DBColumn1", "Zuoyongleibie"},
    {"cxGridDBTableView1DBColumn2", "Yaolizuoyong"},
    {"cxGridDBTableView1DBColumn3", "Shiyongzheng"},
    {"cxGridDBTableView1DBColumn4", "Yongfayongliang"},
    {"cxGridDBTableView1DBColumn5", "Jinjizheng"},
    {"cxGridDBTableView1DBColumn6", "Guige"},
    {"cxGridDBTableView1DBColumn7", "Yaowuxianghuzuoyong"},
    {"cxGridDBTableView1DBColumn8", "Buliangfanyong"},
    {"cxGridDBTableView1DBColumn9", "Zhuyishixiang"},
    {"cxGridDBTableView1DBColumn10", "Leibie"},
    {"cxGridDBTableView1DBColumn11", "Phone"},
    {"cxGridDBTableView1DBColumn12", "Shengchanqiye"},
}};

// The one visible column, the names: its caption (UTF-8) and width. It sorts ascending from
// the start and can be neither edited nor moved.
inline constexpr int NameColumn = 0;
inline constexpr std::string_view NameColumnCaption = "药品列表";
inline constexpr int NameColumnWidth = 217;

// The columns' field names in column order, as the data controller binds them.
std::vector<std::string> drugListFieldNames();

// The caption of a column as the filter texts show it (GBK): the name column's own, the
// others their fields' display names in `dataSet`.
std::string drugListCaption(const TClientDataSet &dataSet, int column);

// A data controller over the drug list's columns as the list starts: sorted by name, with
// the captions of `dataSet`'s fields. For the data tool, which filters without a list.
void designDrugListController(TcxGridDBDataController &controller, const TClientDataSet &dataSet);
