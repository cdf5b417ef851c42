#include "druglist/DrugFields.h"

#include "data/ClientDataSet.h"
#include "data/Field.h"

#include <memory>

namespace {

// A size of 0 means none declared: the field keeps the default size.
constexpr TDrugField DrugFields[] = {
    {"TongYongMing", "通用名", 40},
    {"ShangPinMing", "商品名", 40},
    {"LeiBie", "类别", 30},
    {"PinYin", "拼音", 100},
    {"ChengFen", "成分", 200},
    {"XingZhuang", "性状", 100},
    {"ZuoYongLeiBie", "作用类别", 60},
    {"YaoLiZuoYong", "药理作用", 200},
    {"ShiYongZheng", "适用症", 200},
    {"YongFaYongLiang", "用法与用量", 200},
    {"JinJiZheng", "禁忌症", 200},
    {"YaoWuXiangHuZuoYong", "药物相互作用", 1024},
    {"BuLiangFanYong", "不良反应", 1024},
    {"ZhuYiShiXiang", "注意事项", 1024},
    {"GuiGe", "规格", 100},
    {"ChuCang", "储藏", 100},
    {"BaoZhuang", "包装", 100},
    {"YouXiaoQi", "有效期", 60},
    {"PiZhunWenHao", "批准文号", 200},
    {"ShengChanQiYe", "生产企业", 100},
    {"Phone", "电话", 15},
    {"Web", "网站", 0},
};

} // namespace

std::span<const TDrugField> drugFields()
{
    return DrugFields;
}

int byteWidth(const TDrugField &field)
{
    return field.size > 0 ? field.size : TStringField::DefaultSize;
}

void createDrugFields(TClientDataSet &dataSet)
{
    for (const TDrugField &drugField : DrugFields) {
        auto field = std::make_unique<TStringField>(dataSet.Name() + drugField.fieldName,
                                                    drugField.fieldName);
        if (drugField.size > 0) field->SetSize(drugField.size);
        field->SetDisplayLabel(drugField.displayLabel);
        dataSet.addField(std::move(field));
    }
}
