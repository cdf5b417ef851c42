#include "tervana-data/DataTool.h"
#include "tervana-data/Json.h"
#include "tervana-data/Lint.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

// The content check's rules, each on a record or two that it must catch and on the nearest
// record that it must let pass. Records are JSON rows built from one sound record.

namespace {

using TOverrides = std::map<std::string, std::optional<std::string>>;

// A record that passes every rule: paracetamol 0.5 g, so that the paracetamol warnings are
// in force from the start.
const std::vector<std::pair<std::string, std::string>> SoundRecord = {
    {"TongYongMing", "对乙酰氨基酚片"},
    {"ShangPinMing", "例一"},
    {"LeiBie", "甲类非处方药"},
    {"PinYin", "Duiyixian'anjifen Pian"},
    {"ChengFen", "本品每片含主要成分对乙酰氨基酚0.5克。辅料为淀粉、硬脂酸镁。"},
    {"XingZhuang", "本品为白色片。"},
    {"ZuoYongLeiBie", "本品为解热镇痛类非处方药药品。"},
    {"YaoLiZuoYong", "本品能抑制前列腺素的合成，有解热镇痛作用。"},
    {"ShiYongZheng", "用于普通感冒或流行性感冒引起的发热，也用于缓解轻至中度疼痛。"},
    {"YongFaYongLiang",
     "口服。12岁以上儿童及成人一次1片，若持续发热或疼痛，可间隔4～6小时重复用药一"
     "次，24小时内不得超过4次。"},
    {"JinJiZheng", "严重肝肾功能不全者禁用。"},
    {"YaoWuXiangHuZuoYong", "如与其他药物同时使用可能会发生药物相互作用，详情请咨询医师或药师。"},
    {"BuLiangFanYong", "偶见皮疹、荨麻疹、药热及粒细胞减少。"},
    {"ZhuYiShiXiang", "1.本品为对症治疗药，用于解热连续使用不超过3天，用于止痛不超过5天，症状未缓解"
                      "请咨询医师或药师。\r\n2.不能同时服用其他含有解热镇痛药的药品。\r\n3.服用本品"
                      "期间不得饮酒或含有酒精的饮料。\r\n4.肝、肾功能不全者慎用。"},
    {"GuiGe", "0.5g"},
    {"ChuCang", "密封保存。"},
    {"BaoZhuang", "铝塑泡罩包装，每板10片，每盒1板。"},
    {"YouXiaoQi", "36个月"},
    {"PiZhunWenHao", "国药准字H00000001（示例）"},
    {"ShengChanQiYe", "示例制药股份有限公司"},
    {"Phone", "000-12345601"},
    {"Web", "www.shili-yy.cn"},
};

// Precautions without paracetamol's warnings, for records of other ingredients.
const std::string PlainNotes =
    "1.对本品过敏者禁用，过敏体质者慎用。\r\n2.本品性状发生改变时禁止使用。";
const std::string DrivingNotes =
    "1.服药期间不得驾驶机、车、船，不得从事高空作业、机械作业及操作精密仪器。\r\n" + PlainNotes;

// The sound record with some fields changed; a field given as nullopt is left out.
std::string row(const TOverrides &overrides)
{
    std::string json = "{";
    for (const auto &[name, value] : SoundRecord) {
        std::optional<std::string> text = value;
        if (auto it = overrides.find(name); it != overrides.end()) text = it->second;
        if (!text) continue;
        if (json.size() > 1) json += ", ";
        appendJsonString(json, name);
        json += ": ";
        appendJsonString(json, *text);
    }
    return json + "}";
}

std::vector<std::string> lint(const std::vector<TOverrides> &records)
{
    std::string json = "[";
    for (const TOverrides &record : records)
        json += (json.size() > 1 ? ",\n" : "\n") + row(record);
    const TLintData data = lintDataFromJson(json + "]");
    std::vector<std::string> lines;
    for (const TLintFinding &finding : lintRecords(data))
        lines.push_back(findingLine(data, finding));
    return lines;
}

struct TCase
{
    const char *name;
    std::vector<TOverrides> records;
    std::vector<std::string> findings;
};

void runCases(const std::vector<TCase> &cases)
{
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(lint(c.records), c.findings);
    }
}

const std::string Apap = "对乙酰氨基酚片（例一） ";

} // namespace

TEST(Lint, EveryFieldFilledWithinItsWidthInGbkBytes)
{
    runCases({
        {"sound record", {{}}, {}},
        {"blank", {{{"Web", " \u3000"}}}, {Apap + "Web: 未填写"}},
        {"empty", {{{"XingZhuang", ""}}}, {Apap + "XingZhuang: 未填写"}},
        {"left out", {{{"PinYin", std::nullopt}}}, {Apap + "PinYin: 未填写"}},
        // 20 Chinese characters are 60 UTF-8 bytes but 40 GBK bytes: exactly the width.
        {"at the width", {{{"ShangPinMing", "一二三四五六七八九十一二三四五六七八九十"}}}, {}},
        {"one character over",
         {{{"ShangPinMing", "一二三四五六七八九十一二三四五六七八九十一"}}},
         {"对乙酰氨基酚片（一二三四五六七八九十一二三四五六七八九十一） ShangPinMing: "
          "长42字节，超出字段宽度40字节"}},
        {"ascii over",
         {{{"Phone", "000-123456012345"}}},
         {Apap + "Phone: 长16字节，超出字段宽度15字节"}},
        {"not in GBK",
         {{{"XingZhuang", "本品为白色片\U0001F600"}}},
         {Apap + "XingZhuang: 含有GBK无法表示的字符"}},
    });
}

TEST(Lint, TheClassIsExactlyOneOfTheTwoOtcClasses)
{
    runCases({
        {"乙类", {{{"LeiBie", "乙类非处方药"}}}, {}},
        {"short form",
         {{{"LeiBie", "甲类"}}},
         {Apap + "LeiBie: 应为“甲类非处方药”或“乙类非处方药”"}},
        {"trailing space",
         {{{"LeiBie", "甲类非处方药 "}}},
         {Apap + "LeiBie: 应为“甲类非处方药”或“乙类非处方药”"}},
        {"prescription",
         {{{"LeiBie", "处方药"}}},
         {Apap + "LeiBie: 应为“甲类非处方药”或“乙类非处方药”"}},
    });
}

TEST(Lint, GenericAndTradeNameTogetherAreUnique)
{
    runCases({
        {"other trade name", {{}, {{"ShangPinMing", "例二"}}}, {}},
        {"twice and thrice",
         {{}, {{"ShangPinMing", "例二"}}, {}, {}},
         {Apap + "ShangPinMing: 第3条记录与第1条记录的通用名称和商品名称相同",
          Apap + "ShangPinMing: 第4条记录与第1条记录的通用名称和商品名称相同"}},
    });
}

namespace {

// A cold tablet with pseudoephedrine and chlorphenamine, 30 mg a tablet, 24 tablets a box.
TOverrides ephedrine(TOverrides changes)
{
    TOverrides record = {
        {"TongYongMing", "复方盐酸伪麻黄碱片"},
        {"ChengFen", "本品为复方制剂，每片含盐酸伪麻黄碱30毫克、马来酸氯苯那敏2毫克。辅料为淀粉。"},
        {"GuiGe", "每片含盐酸伪麻黄碱30mg、马来酸氯苯那敏2mg"},
        {"BaoZhuang", "铝塑泡罩包装，每板12片，每盒2板。"},
        {"ZhuYiShiXiang", DrivingNotes},
    };
    for (auto &[name, value] : changes)
        record[name] = value;
    return record;
}

const std::string Pse = "复方盐酸伪麻黄碱片（例一） ";

} // namespace

TEST(Lint, EphedrineTypeAtMost30MgAUnitAnd720MgAPack)
{
    const std::string syrup = "本品每10ml含盐酸伪麻黄碱15毫克。辅料为蔗糖。";
    runCases({
        {"720 mg exactly", {ephedrine({})}, {}},
        {"three blisters",
         {ephedrine({{"BaoZhuang", "铝塑泡罩包装，每板12片，每盒3板。"}})},
         {Pse + "BaoZhuang: 每盒含麻黄碱类成分共1080毫克（每片30毫克×36片），超过720毫克"}},
        {"60 mg a tablet",
         {ephedrine({{"ChengFen", "本品每片含盐酸伪麻黄碱0.06克。"},
                     {"GuiGe", "60mg"},
                     {"BaoZhuang", "每盒10片。"}})},
         {Pse + "ChengFen: 每片含麻黄碱类成分60毫克，超过30毫克"}},
        {"grams within the limit",
         {ephedrine({{"ChengFen", "本品每片含盐酸伪麻黄碱0.03克。"}, {"GuiGe", "30mg"}})},
         {}},
        {"two ephedrines add up",
         {ephedrine({{"ChengFen", "本品每片含盐酸伪麻黄碱20毫克、盐酸甲麻黄碱15毫克。"},
                     {"GuiGe", "每片含盐酸伪麻黄碱20mg、盐酸甲麻黄碱15mg"}})},
         {Pse + "ChengFen: 每片含麻黄碱类成分35毫克，超过30毫克",
          Pse + "BaoZhuang: 每盒含麻黄碱类成分共840毫克（每片35毫克×24片），超过720毫克"}},
        {"pack count unreadable",
         {ephedrine({{"BaoZhuang", "铝塑泡罩包装。"}})},
         {Pse +
          "BaoZhuang: 含麻黄碱类成分，但读不出每个包装有多少片，无法核对每个包装不超过720毫克"}},
        {"a blister of day and night tablets",
         {ephedrine({{"BaoZhuang", "铝塑泡罩包装，每板日用片10片、夜用片5片，每盒2板。"}})},
         {Pse + "BaoZhuang: 每盒含麻黄碱类成分共900毫克（每片30毫克×30片），超过720毫克"}},
        {"the stated total is no count",
         {ephedrine({{"BaoZhuang", "铝塑泡罩包装（每盒含盐酸伪麻黄碱720毫克）。"}})},
         {Pse +
          "BaoZhuang: 含麻黄碱类成分，但读不出每个包装有多少片，无法核对每个包装不超过720毫克"}},
        {"pack in another unit",
         {ephedrine({{"BaoZhuang", "每盒24粒。"}})},
         {Pse +
          "BaoZhuang: 含麻黄碱类成分，但读不出每个包装有多少片，无法核对每个包装不超过720毫克"}},
        {"amount not given",
         {ephedrine({{"ChengFen", "本品含盐酸伪麻黄碱。"}, {"GuiGe", "复方"}})},
         {Pse + "ChengFen: 含麻黄碱类成分，却未写出每单位的含量"}},
        {"syrup bottle",
         {ephedrine({{"ChengFen", syrup}, {"GuiGe", "10ml:15mg"}, {"BaoZhuang", "每瓶100ml。"}})},
         {}},
        {"syrup vials",
         {ephedrine(
             {{"ChengFen", syrup}, {"GuiGe", "10ml:15mg"}, {"BaoZhuang", "每支10ml，每盒60支。"}})},
         {Pse + "BaoZhuang: 每盒含麻黄碱类成分共900毫克（每10ml含15毫克，共600ml），超过720毫克"}},
        {"the herb ephedra is not one",
         {ephedrine({{"ChengFen", "麻黄、苦杏仁、甘草。辅料为蔗糖。"},
                     {"GuiGe", "每袋装10g"},
                     {"BaoZhuang", "每盒30袋。"}})},
         {}},
    });
}

TEST(Lint, ParacetamolWarnsOfLiverAlcoholDaysAndDoubleDosing)
{
    const std::string notes = SoundRecord[13].second;
    auto without = [&](const std::string &part, const std::string &instead) {
        std::string text = notes;
        text.replace(text.find(part), part.size(), instead);
        return TOverrides{{"ZhuYiShiXiang", text}};
    };
    const std::string days = "用于解热连续使用不超过3天，用于止痛不超过5天";
    runCases({
        {"no liver",
         {without("肝、肾功能不全者慎用", "肾功能不全者慎用")},
         {Apap + "ZhuYiShiXiang: 含对乙酰氨基酚，未提示肝损害（肝）"}},
        {"no alcohol",
         {without("3.服用本品期间不得饮酒或含有酒精的饮料。\r\n", "")},
         {Apap + "ZhuYiShiXiang: 含对乙酰氨基酚，未提示饮酒的危险（酒）"}},
        {"no days",
         {without(days, "如症状未缓解")},
         {Apap + "ZhuYiShiXiang: 含对乙酰氨基酚，未写明自我药疗的最多天数（如“不超过3天”）"}},
        {"a daily limit is not a limit of days",
         {without(days, "一天内不超过4次")},
         {Apap + "ZhuYiShiXiang: 含对乙酰氨基酚，未写明自我药疗的最多天数（如“不超过3天”）"}},
        {"不得超过X天", {without(days, "连续使用不得超过5天")}, {}},
        {"a range of days", {without(days, "用药3～7天，症状未缓解")}, {}},
        {"days in Chinese numerals", {without(days, "用于解热不超过三天")}, {}},
        {"no double dosing",
         {without("2.不能同时服用其他含有解热镇痛药的药品。", "2.多饮水。")},
         {Apap +
          "ZhuYiShiXiang: 含对乙酰氨基酚，未提示不得同时服用含相同成分或其他解热镇痛药的药品"}},
        {"the two words in different items",
         {without("2.不能同时服用其他含有解热镇痛药的药品。",
                  "2.避免同时服用多种药品。解热镇痛药不宜久用。")},
         {Apap +
          "ZhuYiShiXiang: 含对乙酰氨基酚，未提示不得同时服用含相同成分或其他解热镇痛药的药品"}},
        {"similar ingredients",
         {without("其他含有解热镇痛药的药品", "与本品成分相似的其他抗感冒药")},
         {}},
    });
}

TEST(Lint, AspirinNamesReyesSyndromeAndForbidsItInPregnancy)
{
    auto aspirin = [](TOverrides changes) {
        TOverrides record = {
            {"TongYongMing", "阿司匹林泡腾片"},
            {"ChengFen", "本品每片含主要成分阿司匹林0.5克。辅料为枸橼酸、碳酸氢钠。"},
            {"JinJiZheng", "1.孕妇、哺乳期妇女禁用。2.哮喘、鼻息肉综合征患者禁用。"},
            {"ZhuYiShiXiang",
             "1.儿童和青少年病毒感染时慎用，以免诱发瑞夷综合征。\r\n" + PlainNotes},
        };
        for (auto &[name, value] : changes)
            record[name] = value;
        return record;
    };
    const std::string name = "阿司匹林泡腾片（例一） ";
    runCases({
        {"sound", {aspirin({})}, {}},
        {"Reye in the contraindications",
         {aspirin({{"ZhuYiShiXiang", PlainNotes},
                   {"JinJiZheng", "1.妊娠期妇女禁用。2.16岁以下病毒感染者禁用（Reye综合征）。"}})},
         {}},
        {"no Reye",
         {aspirin({{"ZhuYiShiXiang", PlainNotes}})},
         {name + "ZhuYiShiXiang: 含阿司匹林，注意事项和禁忌均未提及瑞夷综合征"}},
        {"pregnancy only cautioned",
         {aspirin({{"JinJiZheng", "1.孕妇慎用。2.对本品过敏者禁用。"}})},
         {name + "JinJiZheng: 含阿司匹林，禁忌未写孕妇（妊娠期）禁用"}},
    });
}

TEST(Lint, SedatingAntihistaminesWarnAgainstDrivingAndMachinery)
{
    auto antihistamine = [](TOverrides changes) {
        TOverrides record = {
            {"TongYongMing", "马来酸氯苯那敏片"},
            {"ChengFen", "本品每片含主要成分马来酸氯苯那敏4毫克。辅料为淀粉。"},
            {"GuiGe", "4mg"},
            {"ZhuYiShiXiang", DrivingNotes},
        };
        for (auto &[name, value] : changes)
            record[name] = value;
        return record;
    };
    const std::string message =
        "ZhuYiShiXiang: 含氯苯那敏，未提示服药期间不得驾驶及从事高空、机械作业";
    runCases({
        {"sound", {antihistamine({})}, {}},
        {"no warning",
         {antihistamine({{"ZhuYiShiXiang", PlainNotes}})},
         {"马来酸氯苯那敏片（例一） " + message}},
        {"driving only",
         {antihistamine({{"ZhuYiShiXiang", "1.服药期间不宜驾驶车辆。"}})},
         {"马来酸氯苯那敏片（例一） " + message}},
        {"heights instead of machinery",
         {antihistamine({{"ZhuYiShiXiang", "1.服药期间不得驾驶车辆或高空作业。"}})},
         {}},
        {"ketotifen from the table",
         {antihistamine({{"TongYongMing", "富马酸酮替芬片"},
                         {"ChengFen", "本品每片含富马酸酮替芬1.38毫克（相当于酮替芬1毫克）。"},
                         {"GuiGe", "1mg（以酮替芬计）"},
                         {"ZhuYiShiXiang", PlainNotes}})},
         {"富马酸酮替芬片（例一） ZhuYiShiXiang: "
          "含酮替芬，未提示服药期间不得驾驶及从事高空、机械作业"}},
        {"eye drops",
         {antihistamine({{"TongYongMing", "萘敏维滴眼液"},
                         {"ChengFen", "本品每毫升含马来酸氯苯那敏0.2mg。"},
                         {"GuiGe", "15ml:3mg"},
                         {"ZhuYiShiXiang", PlainNotes}})},
         {}},
        {"for children only",
         {antihistamine({{"TongYongMing", "小儿氯苯那敏颗粒"}, {"ZhuYiShiXiang", PlainNotes}})},
         {}},
    });
}

TEST(Lint, TextsSharedWordForWordOnlyBetweenTheSameIngredients)
{
    const std::string dose =
        "口服。成人一次1片，一日3次，饭后服用；12岁以下儿童用量请咨询医师或药师。";
    const TOverrides cetirizine = {
        {"TongYongMing", "盐酸西替利嗪片"},
        {"ShangPinMing", "例二"},
        {"ChengFen", "本品每片含盐酸西替利嗪10毫克。"},
        {"GuiGe", "10mg"},
        {"YongFaYongLiang", "口服。成人或12岁以上儿童，一次1片，一日1次，可于晚餐时少量液体送服。"},
        {"ZhuYiShiXiang", PlainNotes}};
    const TOverrides loratadine = {
        {"TongYongMing", "氯雷他定片"},
        {"ShangPinMing", "例三"},
        {"ChengFen", "本品每片含氯雷他定10毫克。"},
        {"GuiGe", "10mg"},
        {"YongFaYongLiang",
         "口服。成人及12岁以上儿童一日1次，一次1片；2～12岁儿童用量请咨询医师。"},
        {"ZhuYiShiXiang", PlainNotes}};
    TOverrides loratadineDose = loratadine;
    loratadineDose["YongFaYongLiang"] = dose;
    TOverrides cetirizineDose = cetirizine;
    cetirizineDose["YongFaYongLiang"] = dose;
    TOverrides strongerApap = {
        {"ShangPinMing", "例二"}, {"ChengFen", "本品每片含对乙酰氨基酚0.3克。"}, {"GuiGe", "0.3g"}};
    TOverrides otherWording = {{"ShangPinMing", "例二"},
                               {"ChengFen", "本品主要成份为对乙酰氨基酚，每片含对乙酰氨基酚500mg。"
                                            "辅料为乳糖。"}};
    runCases({
        {"different ingredients, same precautions",
         {cetirizine, loratadine},
         {"氯雷他定片（例三） ZhuYiShiXiang: "
          "注意事项与盐酸西替利嗪片（例二）的完全相同，但两者的成分不同"}},
        {"different ingredients, same doses",
         {cetirizineDose, {{"ShangPinMing", "例四"}}, loratadineDose},
         {"氯雷他定片（例三） ZhuYiShiXiang: "
          "注意事项与盐酸西替利嗪片（例二）的完全相同，但两者的成分不同",
          "氯雷他定片（例三） YongFaYongLiang: "
          "用法用量与盐酸西替利嗪片（例二）的完全相同，但两者的成分不同"}},
        {"another strength may share the precautions but not the doses",
         {{}, strongerApap},
         {"对乙酰氨基酚片（例二） YongFaYongLiang: "
          "用法用量与对乙酰氨基酚片（例一）的完全相同，但两者的成分不同"}},
        {"the same ingredients worded otherwise", {{}, otherWording}, {}},
        {"a short dose formula",
         {{{"YongFaYongLiang", "口服。成人一次1～2片，一日3次。"}},
          {{"TongYongMing", "盐酸溴己新片"},
           {"ShangPinMing", "例二"},
           {"ChengFen", "本品每片含盐酸溴己新8毫克。"},
           {"GuiGe", "8mg"},
           {"ZhuYiShiXiang", PlainNotes},
           {"YongFaYongLiang", "口服。成人一次1～2片，一日3次。"}}},
         {}},
        {"herbs with other excipients",
         {{{"TongYongMing", "板蓝根颗粒"},
           {"ChengFen", "板蓝根。辅料为蔗糖、糊精。"},
           {"GuiGe", "每袋装10g"},
           {"ZhuYiShiXiang", PlainNotes}},
          {{"TongYongMing", "板蓝根颗粒"},
           {"ShangPinMing", "例二"},
           {"ChengFen", "板蓝根。辅料为糊精、甜菊素。"},
           {"GuiGe", "每袋装3g"},
           {"ZhuYiShiXiang", PlainNotes}}},
         {}},
    });
}

TEST(Lint, EveryAmountInTheCompositionStandsInTheStrength)
{
    auto strength = [](const std::string &composition, const std::string &guige,
                       const std::string &name = "维生素片") {
        return std::vector<TOverrides>{{{"TongYongMing", name},
                                        {"ChengFen", composition},
                                        {"GuiGe", guige},
                                        {"ZhuYiShiXiang", PlainNotes}}};
    };
    const std::string cream = "本品每克含硝酸咪康唑20mg。辅料为液状石蜡。";
    runCases({
        {"grams as g", strength("本品每片含维生素C 0.3克。", "0.3g"), {}},
        {"grams as milligrams", strength("本品每片含维生素C 0.3克。", "300mg"), {}},
        {"other amount",
         strength("本品每片含维生素C 0.3克。", "0.1g"),
         {"维生素片（例一） GuiGe: 未写出成分中的维生素C 0.3克"}},
        {"micrograms", strength("本品每片含维生素D3 10微克。", "10μg"), {}},
        {"units",
         strength("每粒含维生素A 1500单位、维生素D3 500单位。", "维生素A 1500IU，维生素D3 500IU"),
         {}},
        {"ten thousand units", strength("每粒含维生素A 1万单位。", "10000IU"), {}},
        {"one ingredient of three missing",
         strength("本品为复方制剂，每片含维生素B1 3毫克、维生素B2 1.5毫克、烟酰胺10毫克。",
                  "每片含维生素B1 3mg、烟酰胺10mg"),
         {"维生素片（例一） GuiGe: 未写出成分中的维生素B2 1.5毫克"}},
        {"a pack size alone",
         strength("本品每100ml含炉甘石15g、氧化锌5g。", "100ml", "炉甘石洗剂"),
         {"炉甘石洗剂（例一） GuiGe: 未写出成分中的炉甘石15g",
          "炉甘石洗剂（例一） GuiGe: 未写出成分中的氧化锌5g"}},
        {"stated as its equivalent",
         strength("本品每片含碳酸钙1.5克（相当于钙600毫克）。", "每片含钙600mg"),
         {}},
        {"a percentage", strength(cream, "2%", "硝酸咪康唑乳膏"), {}},
        {"a ratio", strength(cream, "2%（20g:0.4g）", "硝酸咪康唑乳膏"), {}},
        {"another percentage",
         strength(cream, "1%", "硝酸咪康唑乳膏"),
         {"硝酸咪康唑乳膏（例一） GuiGe: 未写出成分中的硝酸咪康唑20mg"}},
        {"per millilitre against the bottle",
         strength("本品每1ml含布洛芬20毫克。", "100ml:2g", "布洛芬混悬液"),
         {}},
        {"the weight of a sachet is no ingredient",
         strength("本品每袋0.67克中含L-谷氨酰胺663.3毫克。", "0.67g", "谷氨酰胺颗粒"),
         {"谷氨酰胺颗粒（例一） GuiGe: 未写出成分中的L-谷氨酰胺663.3毫克"}},
        {"herbs without amounts",
         strength("桑叶、菊花、连翘。辅料为蔗糖。", "每片重0.62g", "桑菊片"),
         {}},
        {"excipients are not compared",
         strength("本品每片含维生素C 0.1克。辅料为淀粉5毫克。", "0.1g"),
         {}},
    });
}

TEST(Lint, ReadsSourcesAndDraftRows)
{
    // A full source declares its own widths; a draft's notes are skipped.
    const std::string source =
        R"({"fields": [{"name": "TongYongMing", "type": "String", "width": 4}], "rows": [{"TongYongMing": "甲片"}]})";
    EXPECT_THROW(lintRecords(lintDataFromJson(source)), EToolError) << "no ChengFen field";
    const TLintData draft = lintDataFromJson(
        "[" + row({}).insert(1, R"("_sources": ["某说明书"], "_notes": [], )") + "]");
    EXPECT_EQ(draft.rows.size(), 1u);
    EXPECT_TRUE(lintRecords(draft).empty());
    EXPECT_THROW(lintDataFromJson(R"([{"TongYongMig": "x"}])"), EToolError);
    EXPECT_THROW(lintDataFromJson("\"text\""), EToolError);
    EXPECT_THROW(lintDataFromJson("[{\"Web\": 5}]"), EToolError);
}
