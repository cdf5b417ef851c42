#pragma once

#include <array>
#include <string_view>

// The drug list's columns as the main window declares them, in column order (the column's
// index is also its ID in saved filters). Only the first is shown; the others carry fields
// that the filters can test.
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

// The visible column's caption (UTF-8); the hidden ones show their fields' display labels.
inline constexpr std::string_view NameColumnCaption = "药品列表";
