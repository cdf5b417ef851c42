#include "criteria/cxDataFilterCriteria.h"

#include "FilterTestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

using K = TcxFilterOperatorKind;
using B = TcxFilterBoolOperatorKind;

TVariant list(std::vector<TVariant> elements)
{
    return TVariant::array(std::move(elements));
}

// The tree in short: groups as OP[...], conditions as column:display text.
std::string describe(const TcxCustomFilterCriteriaItem &node)
{
    if (!node.isGroup()) {
        const auto &condition = static_cast<const TcxFilterCriteriaItem &>(node);
        return std::to_string(condition.column()) + ":" + condition.displayText();
    }
    const auto &group = static_cast<const TcxFilterCriteriaItemList &>(node);
    static const char *const Names[] = {"AND", "OR", "NOTAND", "NOTOR"};
    std::string text = Names[static_cast<int>(group.boolOperator())] + std::string("[");
    for (int i = 0; i < group.count(); ++i)
        text += (i ? "," : "") + describe(*group.item(i));
    return text + "]";
}

class FilterCriteria : public testing::Test
{
public:
    FilterCriteria()
    {
        criteria.setItems(table.items());
        criteria.OnChanged = [this] { ++changes; };
    }

    TcxFilterCriteriaItem *add(int column, K kind, TVariant value, std::string display = "x",
                               TcxFilterCriteriaItemList *parent = nullptr)
    {
        return criteria.addCondition(parent, column, kind, std::move(value), std::move(display));
    }

    TRecordTable table;
    TcxDataFilterCriteria criteria;
    int changes = 0;
};

} // namespace

TEST_F(FilterCriteria, FilterTextNamesEveryPartExactly)
{
    struct Row
    {
        const char *name;
        std::function<void(FilterCriteria &)> build;
        const char *expected;
    };
    const Row rows[] = {
        {"empty", [](FilterCriteria &) {}, ""},
        {"a name from the drop-down",
         [](FilterCriteria &f) { f.add(0, K::Equal, g("感冒灵"), g("感冒灵")); },
         "(药品列表 = 感冒灵)"},
        {"blanks", [](FilterCriteria &f) { f.add(0, K::Equal, TVariant(), g("空")); },
         "(药品列表 = 空)"},
        {"non-blanks", [](FilterCriteria &f) { f.add(0, K::NotEqual, TVariant(), g("空")); },
         "(药品列表 <> 空)"},
        {"two conditions of the custom dialog",
         [](FilterCriteria &f) {
             auto *group = f.criteria.addGroup(nullptr, B::Or);
             f.add(0, K::Like, g("%感冒%"), g("%感冒%"), group);
             f.add(0, K::Like, g("%咳%"), g("%咳%"), group);
         },
         "((药品列表 LIKE %感冒%) 或者 (药品列表 LIKE %咳%))"},
        {"a NOT OR root",
         [](FilterCriteria &f) {
             f.criteria.root().setBoolOperator(B::NotOr);
             f.add(3, K::Like, g("%头痛%"), g("%头痛%"));
             f.add(5, K::Like, g("%孕妇%"), g("%孕妇%"));
         },
         "非 ((适用症 LIKE %头痛%) 或者 (禁忌症 LIKE %孕妇%))"},
        {"between",
         [](FilterCriteria &f) {
             f.add(0, K::Between, list({"A", "F"}), g("A 并且 F"));
         },
         "(药品列表 在...之间 A 并且 F)"},
        {"in list",
         [](FilterCriteria &f) {
             f.add(0, K::InList, list({"A", "B"}), g("(A, B)"));
         },
         "(药品列表 包含 (A, B))"},
        {"a nested NOT AND group joins with AND's word",
         [](FilterCriteria &f) {
             f.add(10, K::NotBetween, list({"A", "B"}), g("A 并且 B"));
             auto *group = f.criteria.addGroup(nullptr, B::NotAnd);
             f.add(11, K::Less, "5", "5", group);
             f.add(12, K::NotInList, list({"C"}), "(C)", group);
         },
         "(类别 不在...之间 A 并且 B) 并且 (非 ((电话 < 5) 并且 (生产企业 不包含 (C))))"},
        {"no value text, no trailing blank", [](FilterCriteria &f) { f.add(1, K::Like, "", ""); },
         "(作用类别 LIKE)"},
        {"a date kind", [](FilterCriteria &f) { f.add(2, K::Today, TVariant(), ""); },
         "(药理作用 今天)"},
        {"a column that is not there has no caption",
         [](FilterCriteria &f) { f.add(-1, K::GreaterEqual, "A", "A"); }, "( >= A)"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        criteria.clear();
        criteria.root().setBoolOperator(B::And);
        row.build(*this);
        EXPECT_EQ(criteria.filterText(), g(row.expected));
    }
}

TEST_F(FilterCriteria, OperatorDescriptionNamesLikeByPatternShape)
{
    criteria.SetOptions({fcoShowOperatorDescription});
    struct Row
    {
        K kind;
        const char *pattern;
        const char *expected;
    };
    const Row rows[] = {
        {K::Like, "%感冒%", "(药品列表 包含 感冒)"},
        {K::Like, "感冒%", "(药品列表 起始于 感冒)"},
        {K::Like, "%灵", "(药品列表 结束于 灵)"},
        {K::Like, "感%灵", "(药品列表 相似 感%灵)"},
        {K::Like, "%", "(药品列表 相似 %)"},
        {K::Like, "%%", "(药品列表 相似 %%)"},
        {K::NotLike, "%咳%", "(药品列表 不包含 咳)"},
        {K::NotLike, "咳%", "(药品列表 不起始于 咳)"},
        {K::NotLike, "%咳", "(药品列表 不结束于 咳)"},
        {K::NotLike, "咳", "(药品列表 不相似 咳)"},
        {K::Equal, "A", "(药品列表 等于 A)"},
        {K::GreaterEqual, "A", "(药品列表 大于等于 A)"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.pattern);
        criteria.clear();
        add(0, row.kind, g(row.pattern), g(row.pattern));
        EXPECT_EQ(criteria.filterText(), g(row.expected));
    }
    criteria.clear();
    add(0, K::Equal, TVariant(), g("空"));
    add(1, K::NotLike, TVariant(), g("空"));
    EXPECT_EQ(criteria.filterText(), g("(药品列表 为空) 并且 (作用类别 不为空)"));
}

TEST_F(FilterCriteria, GroupsCombineEveryChildByTheirOperator)
{
    table.records = {{"x", "y"}, {"x", "n"}, {"n", "y"}, {"n", "n"}};
    for (auto &record : table.records)
        record.resize(TRecordTable::captions().size());
    struct Row
    {
        B op;
        std::vector<int> kept;
    };
    const Row rows[] = {{B::And, {0}}, {B::Or, {0, 1, 2}}, {B::NotAnd, {1, 2, 3}}, {B::NotOr, {3}}};
    for (const Row &row : rows) {
        SCOPED_TRACE(static_cast<int>(row.op));
        criteria.clear();
        auto *group = criteria.addGroup(nullptr, row.op);
        add(0, K::Equal, "x", "x", group);
        add(1, K::Equal, "y", "y", group);
        EXPECT_EQ(table.kept(criteria), row.kept);
    }

    // A NOT group of one child is that child negated; groups without children are true.
    criteria.clear();
    add(0, K::Equal, "x", "x", criteria.addGroup(nullptr, B::NotOr));
    EXPECT_EQ(table.kept(criteria), (std::vector<int>{2, 3}));
    criteria.clear();
    criteria.addGroup(nullptr, B::NotAnd);
    criteria.addGroup(nullptr, B::NotOr);
    criteria.addGroup(nullptr, B::Or);
    EXPECT_EQ(table.kept(criteria), (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(FilterCriteria, EveryChildIsTestedEvenWhenTheResultIsSettled)
{
    table.addColumnValues({"x"});
    auto *group = criteria.addGroup(nullptr, B::Or);
    add(0, K::Equal, "x", "x", group);
    add(0, K::Equal, TVariant::integer(5), "5", group); // "x" is no number
    EXPECT_THROW(criteria.matches(0), EVariantError);

    criteria.SetOptions({fcoSoftCompare});
    EXPECT_TRUE(criteria.matches(0));
    criteria.root().setBoolOperator(B::NotOr); // the failed condition counts as false
    group->setBoolOperator(B::And);
    EXPECT_TRUE(criteria.matches(0));
}

TEST_F(FilterCriteria, ComparesTextsByTheirBytes)
{
    struct Row
    {
        const char *name;
        K kind;
        TVariant value;
        std::vector<std::optional<std::string>> values;
        std::vector<int> kept;
    };
    const std::nullopt_t null = std::nullopt;
    const Row rows[] = {
        {"= the empty text keeps the empty text, not null", K::Equal, "", {"", null, "a"}, {0}},
        {"= null keeps null only", K::Equal, TVariant(), {"", null, "a"}, {1}},
        {"<> null keeps every text", K::NotEqual, TVariant(), {"", null, "a"}, {0, 2}},
        {"like with null keeps null only", K::Like, TVariant(), {"", null, "a"}, {1}},
        {"not like with null", K::NotLike, TVariant(), {"", null, "a"}, {0, 2}},
        {"% keeps every record, null ones too",
         K::Like,
         "%",
         {"", null, "a", g("感冒")},
         {0, 1, 2, 3}},
        {"_ keeps one-byte texts", K::Like, "_", {"", null, "A", "AB", g("感"), "1"}, {2, 5}},
        {"%冒% across two characters", K::Like, g("%冒%"), {g("该啊"), g("感冒"), g("感")}, {0, 1}},
        {"not like", K::NotLike, g("%冒%"), {g("该啊"), null, g("感")}, {1, 2}},
        {"equal is exact", K::Equal, "abc", {"abc", "ABC", "abc "}, {0}},
        {"A is less than a, null less than both", K::Less, "a", {"A", "a", "b", null}, {0, 3}},
        {"less or equal", K::LessEqual, "a", {"A", "a", "b", null}, {0, 1, 3}},
        {"greater", K::Greater, "a", {"A", "a", "b", "ab", null}, {2, 3}},
        {"greater or equal", K::GreaterEqual, "a", {"A", "a", "b", null}, {1, 2}},
        {"Chinese by code-page bytes", K::Greater, g("感"), {g("啊"), g("感"), g("灵"), "Z"}, {2}},
        {"a prefix before its extensions", K::Less, "ab", {"a", "ab", "abc", ""}, {0, 3}},
        {"between keeps both ends, not F1",
         K::Between,
         list({"A", "F"}),
         {"A", "B2", "F", "F1", "G", "a", null, ""},
         {0, 1, 2}},
        {"not between", K::NotBetween, list({"A", "F"}), {"A", "F1", null, ""}, {1, 2, 3}},
        {"in list", K::InList, list({"A", "B"}), {"A", "B", "C", null}, {0, 1}},
        {"in list with null", K::InList, list({TVariant(), "B"}), {"A", "B", null}, {1, 2}},
        {"not in list", K::NotInList, list({"A", "B"}), {"A", "B", "C", null}, {2, 3}},
        {"texts end at a zero byte", K::Equal, "ab", {std::string("ab\0cd", 5), "abc"}, {0}},
        {"a number against numeric texts",
         K::Greater,
         TVariant::integer(9),
         {"10", " 8", "9.5"},
         {0, 2}},
        {"like sees a number as its text", K::Like, TVariant::integer(-5), {"-5", "5", "-50"}, {0}},
        {"like sees a currency as its text",
         K::Like,
         TVariant::currency(12500),
         {"1.25", "1.2500", "1"},
         {0}},
        {"like sees a Boolean as its text",
         K::Like,
         TVariant::boolean(true),
         {"True", "true", "-1"},
         {0}},
        {"like sees a wide text as GBK",
         K::Like,
         TVariant::wideText(u"%感冒%"),
         {g("复方感冒灵"), g("感")},
         {0}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        table.records.clear();
        table.addColumnValues(row.values);
        criteria.clear();
        add(0, row.kind, row.value);
        EXPECT_EQ(table.kept(criteria), row.kept);
    }
}

TEST_F(FilterCriteria, OptionsChangeHowValuesAreTested)
{
    // B0 61 and B0 41 are two characters: their second bytes look like 'a' and 'A'.
    table.addColumnValues({"abc", "ABC", "\xB0\x61", "\xB0\x41", "", std::nullopt});
    add(0, K::Equal, "aBc");
    auto *condition = add(0, K::Equal, "\xB0\x61");
    criteria.root().setBoolOperator(B::Or);
    EXPECT_EQ(table.kept(criteria), (std::vector<int>{2}));
    criteria.SetOptions({fcoCaseInsensitive});
    EXPECT_EQ(table.kept(criteria), (std::vector<int>{0, 1, 2}));
    condition->setOperatorKind(K::Like);
    condition->setValue("%b%");
    EXPECT_EQ(table.kept(criteria), (std::vector<int>{0, 1}));

    // With soft null an empty text counts as null, for the record and for the condition.
    criteria.clear();
    criteria.SetOptions({fcoSoftNull});
    add(0, K::Equal, "");
    EXPECT_EQ(table.kept(criteria), (std::vector<int>{4, 5}));
    EXPECT_EQ(criteria.filterText(), g("(药品列表 = x)"));
}

TEST_F(FilterCriteria, RemovingAColumnTidiesTheGroupsThatLostAChild)
{
    struct Row
    {
        const char *name;
        std::function<void(FilterCriteria &)> build;
        const char *expected;
    };
    const Row rows[] = {
        {"the last condition of a nested group takes the group with it",
         [](FilterCriteria &f) {
             f.add(1, K::Equal, "a", "a");
             f.add(0, K::Equal, "b", "b", f.criteria.addGroup(nullptr, B::Or));
             f.add(2, K::Equal, "c", "c");
         },
         "AND[1:a,2:c]"},
        {"one of two: the other takes the group's place at the end of its parent",
         [](FilterCriteria &f) {
             auto *group = f.criteria.addGroup(nullptr, B::Or);
             f.add(0, K::Equal, "a", "a", group);
             f.add(1, K::Equal, "b", "b", group);
             f.add(2, K::Equal, "c", "c");
         },
         "AND[2:c,1:b]"},
        {"deeper down, and the root keeps its own children in place",
         [](FilterCriteria &f) {
             f.add(0, K::Equal, "r", "r");
             auto *outer = f.criteria.addGroup(nullptr, B::NotOr);
             auto *inner = f.criteria.addGroup(outer, B::And);
             f.add(0, K::Like, "a", "a", inner);
             f.add(3, K::Equal, "b", "b", inner);
             f.add(4, K::Equal, "x", "x", outer);
             f.add(0, K::Equal, "s", "s");
             f.add(5, K::Equal, "t", "t");
         },
         "AND[NOTOR[4:x,3:b],5:t]"},
        {"a group left with a group",
         [](FilterCriteria &f) {
             auto *outer = f.criteria.addGroup(nullptr, B::Or);
             f.add(0, K::Equal, "a", "a", outer);
             auto *inner = f.criteria.addGroup(outer, B::NotAnd);
             f.add(1, K::Equal, "b", "b", inner);
             f.add(2, K::Equal, "c", "c", inner);
         },
         "AND[NOTAND[1:b,2:c]]"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        criteria.clear();
        row.build(*this);
        changes = 0;
        criteria.removeConditions(0);
        EXPECT_EQ(describe(criteria.root()), row.expected);
        EXPECT_EQ(changes, 1);
        criteria.removeConditions(0);
        EXPECT_EQ(changes, 1) << "nothing left to remove";
    }
}

TEST_F(FilterCriteria, FindsTheFirstConditionDepthFirst)
{
    auto *outer = criteria.addGroup(nullptr, B::And);
    auto *inner = criteria.addGroup(outer, B::Or);
    add(1, K::Equal, "a", "other column", inner);
    add(0, K::Equal, "b", "inside", criteria.addGroup(inner, B::And));
    add(0, K::Equal, "c", "later sibling", outer);
    add(0, K::Equal, "d", "root");
    ASSERT_NE(criteria.findCondition(0), nullptr);
    EXPECT_EQ(criteria.findCondition(0)->displayText(), "inside");
    EXPECT_EQ(criteria.findCondition(7), nullptr);
}

TEST_F(FilterCriteria, RaisesOneChangePerOperationAndPerOutermostBracket)
{
    auto *condition = add(0, K::Equal, "a");
    auto *group = criteria.addGroup(nullptr, B::And);
    EXPECT_EQ(changes, 2);
    condition->setValue("a");
    condition->setDisplayText("x");
    group->setBoolOperator(B::And);
    criteria.SetActive(false);
    EXPECT_EQ(changes, 2) << "nothing differed";
    condition->setValue("b");
    group->setBoolOperator(B::Or);
    criteria.SetActive(true);
    EXPECT_EQ(changes, 5);

    criteria.clear();
    EXPECT_EQ(changes, 6);
    EXPECT_TRUE(criteria.Active()) << "clearing leaves the filter switched on";
    EXPECT_EQ(describe(criteria.root()), "AND[]");

    criteria.beginUpdate();
    criteria.beginUpdate();
    add(0, K::Equal, "a");
    criteria.removeConditions(0);
    criteria.endUpdate();
    EXPECT_EQ(changes, 6);
    criteria.endUpdate();
    EXPECT_EQ(changes, 7);
    {
        TUpdateLock lock(criteria);
    }
    EXPECT_EQ(changes, 8) << "an empty bracket still raises its change";

    // A failure inside a bracket still closes it, with its one change.
    auto failingEdit = [this] {
        TUpdateLock lock(criteria);
        add(0, K::Equal, "a");
        add(1, K::Equal, "b");
        throw Exception("edit failed");
    };
    EXPECT_THROW(failingEdit(), Exception);
    EXPECT_EQ(criteria.lockCount(), 0);
    EXPECT_EQ(changes, 9);
}

TEST_F(FilterCriteria, FiltersTheControllerOnlyWhileInForce)
{
    table.addColumnValues({"a", "b"});
    std::vector<std::string> calls;
    criteria.setFilterChangedHandler([&] { calls.push_back("controller"); });
    criteria.OnChanged = [&] { calls.push_back("OnChanged"); };
    const auto hook = makeFilterHook(criteria);

    criteria.SetActive(true);
    EXPECT_EQ(calls, (std::vector<std::string>{"controller", "OnChanged"}));
    EXPECT_TRUE(hook(0) && hook(1)) << "an empty root filters nothing";
    add(0, K::Equal, "a");
    EXPECT_TRUE(criteria.inForce());
    EXPECT_TRUE(hook(0));
    EXPECT_FALSE(hook(1));
    criteria.SetActive(false);
    EXPECT_TRUE(hook(0) && hook(1)) << "switched off";
    EXPECT_EQ(criteria.filterText(), g("(药品列表 = x)")) << "the text stays for the filter box";
    criteria.SetActive(true);
    criteria.setGridMode(true);
    EXPECT_FALSE(criteria.inForce());
    criteria.setGridMode(false);

    bool busy = true;
    criteria.setOwnerBusyTest([&] { return busy; });
    calls.clear();
    add(0, K::Equal, "b");
    EXPECT_TRUE(calls.empty()) << "nothing happens while the owner loads";
    busy = false;
    add(0, K::Equal, "c");
    EXPECT_EQ(calls.size(), 2u);
}

TEST_F(FilterCriteria, AssignCopiesSettingsAndCarriesColumnsByTheirIds)
{
    // The builder's criteria names columns by ID; this controller's columns have IDs 100 up.
    TcxDataFilterItems items = table.items();
    items.id = [](int column) { return 100 + column; };
    criteria.setItems(items);
    table.addColumnValues({"a", "b"}, 3);

    TcxFilterCriteria builder;
    builder.SetOptions({fcoSoftCompare});
    builder.SetPercentWildcard('*');
    builder.SetUnderscoreWildcard('?');
    builder.SetMaxValueListCount(7);
    builder.SetActive(true);
    builder.root().setBoolOperator(B::Or);
    builder.addCondition(nullptr, 103, K::Like, "*b", "*b");
    builder.addCondition(nullptr, 42, K::Equal, "z", "z"); // no such column

    criteria.assign(builder);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(describe(criteria.root()), "OR[3:*b,-1:z]");
    EXPECT_EQ(criteria.filterText(), g("(适用症 LIKE *b) 或者 ( = z)"));
    EXPECT_EQ(table.kept(criteria), (std::vector<int>{1}));
    EXPECT_TRUE(criteria.Options() == TcxFilterCriteriaOptions({fcoSoftCompare}));
    EXPECT_EQ(criteria.PercentWildcard(), '*');
    EXPECT_EQ(criteria.UnderscoreWildcard(), '?');
    EXPECT_EQ(criteria.MaxValueListCount(), 7);
    EXPECT_FALSE(criteria.Active()) << "only a controller's criteria hands on Active";

    changes = 0;
    criteria.assign(criteria);
    EXPECT_EQ(describe(criteria.root()), "OR[3:*b,-1:z]") << "assigned to itself";
    EXPECT_EQ(changes, 1);

    TcxDataFilterCriteria other(items);
    other.assign(criteria);
    EXPECT_EQ(describe(other.root()), "OR[3:*b,-1:z]");
    EXPECT_FALSE(other.Active());
    criteria.SetActive(true);
    other.assign(criteria);
    EXPECT_TRUE(other.Active());
}

TEST_F(FilterCriteria, DateKindsCoverTheirDayRanges)
{
    using namespace std::chrono;
    struct Row
    {
        K kind;
        sys_days today;
        sys_days first; // first day inside
        sys_days last;  // last day inside
    };
    const sys_days thursday = 2024y / February / 29; // a leap day
    const sys_days newYear = 2024y / January / 1;    // a Monday
    const Row rows[] = {
        {K::Yesterday, thursday, 2024y / February / 28, 2024y / February / 28},
        {K::Today, thursday, thursday, thursday},
        {K::Tomorrow, thursday, 2024y / March / 1, 2024y / March / 1},
        {K::LastWeek, thursday, 2024y / February / 19, 2024y / February / 25},
        {K::ThisWeek, thursday, 2024y / February / 26, 2024y / March / 3},
        {K::NextWeek, thursday, 2024y / March / 4, 2024y / March / 10},
        {K::LastMonth, thursday, 2024y / January / 1, 2024y / January / 31},
        {K::ThisMonth, thursday, 2024y / February / 1, 2024y / February / 29},
        {K::NextMonth, thursday, 2024y / March / 1, 2024y / March / 31},
        {K::LastYear, thursday, 2023y / January / 1, 2023y / December / 31},
        {K::ThisYear, thursday, 2024y / January / 1, 2024y / December / 31},
        {K::NextYear, thursday, 2025y / January / 1, 2025y / December / 31},
        {K::Yesterday, newYear, 2023y / December / 31, 2023y / December / 31},
        {K::LastWeek, newYear, 2023y / December / 25, 2023y / December / 31},
        {K::ThisWeek, newYear, newYear, 2024y / January / 7},
        {K::LastMonth, newYear, 2023y / December / 1, 2023y / December / 31},
    };
    auto text = [](sys_days day) {
        const year_month_day date{day};
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(date.year()),
                      static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()));
        return std::string(buffer);
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(text(row.today) + " kind " + std::to_string(static_cast<int>(row.kind)));
        criteria.setClock([&] { return row.today; });
        table.records.clear();
        table.addColumnValues({text(row.first - days(1)), text(row.first),
                               text(row.last) + " 23:59", text(row.last + days(1)), std::nullopt});
        criteria.clear();
        add(0, row.kind, TVariant(), "");
        EXPECT_EQ(table.kept(criteria), (std::vector<int>{1, 2}));
    }

    // The range follows the clock only when the criteria changes.
    sys_days today = thursday;
    criteria.setClock([&] { return today; });
    table.records.clear();
    table.addColumnValues({"2024-02-29", "2024-03-01"});
    criteria.clear();
    add(0, K::Today, TVariant(), "");
    today = 2024y / March / 1;
    EXPECT_EQ(table.kept(criteria), (std::vector<int>{0}));
    criteria.SetActive(true);
    EXPECT_EQ(table.kept(criteria), (std::vector<int>{1}));

    // A text that is no date cannot be tested against a day range.
    table.addColumnValues({"not a date"});
    EXPECT_THROW(criteria.matches(2), EVariantError);
}
