#pragma once

#include <array>

// What the main window shows of the current medicine, by field: the one place the form, the
// tests and the tools take these bindings from (spelled as the form binds them; field look-up
// ignores letter case).

// The nine sections, in the order of their memo panes cxDBMemo1 to cxDBMemo9: the left column
// from the top, then the right one. Captions are UTF-8.
struct TDrugSection
{
    const char *caption;
    const char *fieldName;
};

inline constexpr std::array<TDrugSection, 9> DrugSections = {{
    {"作用类别", "Zuoyongleibie"},
    {"药理作用", "Yaolizuoyong"},
    {"适用症", "Shiyongzheng"},
    {"用法与用量", "Yongfayongliang"},
    {"禁忌症", "Jinjizheng"},
    {"规格", "Guige"},
    {"药物相互作用", "Yaowuxianghuzuoyong"},
    {"不良反应", "Buliangfanyong"},
    {"注意事项", "Zhuyishixiang"},
}};

// The data-bound texts: the name bar, the category in the first section's caption bar, and
// the manufacturer block.
namespace drugdetail {
inline constexpr const char *NameField = "Tongyongming";         // DBText1
inline constexpr const char *CategoryField = "Leibie";           // DBText2
inline constexpr const char *ManufacturerField = "Shengchanqiye"; // DBText3
inline constexpr const char *PhoneField = "Phone";               // DBText4
inline constexpr const char *WebField = "Web";                   // DBText5
} // namespace drugdetail
