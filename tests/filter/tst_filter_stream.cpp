#include "criteria/FilterStream.h"
#include "criteria/cxDataFilterCriteria.h"

#include "FilterTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <new>
#include <random>

// The largest single allocation, to show that the reader never believes a claimed size.
// NOTE: the replacements below pair malloc with free themselves; an optimising gcc that
// inlines them takes the pair for a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
namespace {
std::size_t s_largestAllocation = 0;
}

void *operator new(std::size_t size)
{
    s_largestAllocation = std::max(s_largestAllocation, size);
    if (void *memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}
void operator delete(void *memory) noexcept
{
    std::free(memory);
}
void operator delete(void *memory, std::size_t) noexcept
{
    std::free(memory);
}

namespace {

using K = TcxFilterOperatorKind;
using B = TcxFilterBoolOperatorKind;

std::string bytes(std::initializer_list<int> values)
{
    std::string result;
    for (int value : values)
        result += static_cast<char>(value);
    return result;
}

std::string int32(std::int64_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    return bytes(
        {int(bits & 0xFF), int(bits >> 8 & 0xFF), int(bits >> 16 & 0xFF), int(bits >> 24)});
}

const std::string Header = bytes({0xFF, 0xFF, 0xFF, 0xFF});

// A condition node: kind, display text, column ID, then the value's bytes as given.
std::string conditionNode(int kind, const std::string &display, int id, const std::string &value)
{
    return bytes({0, kind}) + int32(display.size()) + display + int32(id) + value;
}

std::string shortText(const std::string &text)
{
    return bytes({6, static_cast<int>(text.size())}) + text;
}

void expectSameTree(const TcxCustomFilterCriteriaItem &a, const TcxCustomFilterCriteriaItem &b)
{
    ASSERT_EQ(a.isGroup(), b.isGroup());
    if (a.isGroup()) {
        const auto &first = static_cast<const TcxFilterCriteriaItemList &>(a);
        const auto &second = static_cast<const TcxFilterCriteriaItemList &>(b);
        ASSERT_EQ(first.boolOperator(), second.boolOperator());
        ASSERT_EQ(first.count(), second.count());
        for (int i = 0; i < first.count(); ++i)
            expectSameTree(*first.item(i), *second.item(i));
        return;
    }
    const auto &first = static_cast<const TcxFilterCriteriaItem &>(a);
    const auto &second = static_cast<const TcxFilterCriteriaItem &>(b);
    EXPECT_EQ(first.operatorKind(), second.operatorKind());
    EXPECT_EQ(first.column(), second.column());
    EXPECT_EQ(first.displayText(), second.displayText());
    EXPECT_TRUE(first.value() == second.value());
}

int countNodes(const TcxFilterCriteriaItemList &group)
{
    int count = 0;
    for (int i = 0; i < group.count(); ++i) {
        ++count;
        if (group.item(i)->isGroup())
            count += countNodes(static_cast<const TcxFilterCriteriaItemList &>(*group.item(i)));
    }
    return count;
}

int depthOf(const TcxFilterCriteriaItemList &group)
{
    int depth = 0;
    for (int i = 0; i < group.count(); ++i)
        if (group.item(i)->isGroup())
            depth = std::max(
                depth, 1 + depthOf(static_cast<const TcxFilterCriteriaItemList &>(*group.item(i))));
    return depth;
}

// Reads and expects "Stream read error".
void expectReadError(TcxFilterCriteria &criteria, const std::string &stream)
{
    try {
        criteria.readFromStream(stream);
        ADD_FAILURE() << "the stream was accepted";
    } catch (const Exception &error) {
        EXPECT_EQ(error.Message(), "Stream read error");
    }
    EXPECT_EQ(criteria.lockCount(), 0);
}

class TRandomTree
{
public:
    explicit TRandomTree(unsigned seed) : m_random(seed) {}

    void fill(TcxFilterCriteria &criteria)
    {
        criteria.root().setBoolOperator(static_cast<B>(below(4)));
        fillGroup(criteria, &criteria.root(), 0);
    }

private:
    int below(int limit) { return std::uniform_int_distribution<int>(0, limit - 1)(m_random); }

    std::string text(std::size_t length)
    {
        static const std::string Alphabet = "Aa%_ \x01" + g("感冒灵");
        std::string result;
        for (std::size_t i = 0; i < length; ++i)
            result += Alphabet[below(static_cast<int>(Alphabet.size()))];
        return result;
    }

    std::size_t textLength()
    {
        static const std::size_t Lengths[] = {0, 1, 6, 254, 255, 256, 300};
        return Lengths[below(7)];
    }

    TVariant value(int depth)
    {
        static const std::int32_t Integers[] = {0,     -1,     127,       128,      -128,
                                                -129,  32767,  32768,     -32768,   -32769,
                                                65536, 123456, INT32_MAX, INT32_MIN};
        static const double Reals[] = {0.1,
                                       -0.0,
                                       1e-310,
                                       5e-324,
                                       1.7976931348623157e308,
                                       -3.5,
                                       std::numeric_limits<double>::infinity(),
                                       std::numeric_limits<double>::quiet_NaN()};
        switch (below(depth < 2 ? 12 : 11)) {
        case 0: return TVariant();
        case 1: return TVariant::unassigned();
        case 2: return TVariant::boolean(below(2));
        case 3: return TVariant::integer(Integers[below(14)]);
        case 4: return TVariant::single(static_cast<float>(below(100000)) / 7.0f);
        case 5: return TVariant::real(Reals[below(8)]);
        case 6: return TVariant::currency(below(2) ? INT64_MIN : INT64_MAX / (1 + below(1000)));
        case 7: return TVariant::date(45351.5 + below(100));
        case 8:
        case 9: return TVariant(text(textLength()));
        case 10: return TVariant::wideText(u"感冒\U0001F600A" + std::u16string(below(3), u'x'));
        default: {
            std::vector<TVariant> elements;
            const int count = below(4);
            for (int i = 0; i < count; ++i)
                elements.push_back(value(depth + 1));
            return TVariant::array(std::move(elements));
        }
        }
    }

    void fillGroup(TcxFilterCriteria &criteria, TcxFilterCriteriaItemList *group, int depth)
    {
        const int count = below(depth == 0 ? 6 : 4);
        for (int i = 0; i < count; ++i) {
            if (depth < 4 && below(3) == 0) {
                fillGroup(criteria, criteria.addGroup(group, static_cast<B>(below(4))), depth + 1);
            } else {
                const int column = below(5) == 0 ? -1 : below(13);
                criteria.addCondition(group, column, static_cast<K>(below(24)), value(0),
                                      text(textLength()));
            }
        }
    }

    std::mt19937 m_random;
};

class FilterStream : public testing::Test
{
protected:
    FilterStream()
    {
        criteria.setItems(table.items());
        criteria.OnChanged = [this] { ++changes; };
    }

    TRecordTable table;
    TcxDataFilterCriteria criteria;
    int changes = 0;
};

} // namespace

TEST_F(FilterStream, WritesAndReadsTheTwoExamplesByteForByte)
{
    const std::string empty = bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0});
    EXPECT_EQ(criteria.writeToStream(), empty);

    const std::string coldRemedy =
        bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00,
               0x06, 0x00, 0x00, 0x00, 0xB8, 0xD0, 0xC3, 0xB0, 0xC1, 0xE9, 0x00,
               0x00, 0x00, 0x00, 0x06, 0x06, 0xB8, 0xD0, 0xC3, 0xB0, 0xC1, 0xE9});
    criteria.addCondition(nullptr, 0, K::Equal, g("感冒灵"), g("感冒灵"));
    EXPECT_EQ(criteria.writeToStream(), coldRemedy);

    changes = 0;
    criteria.readFromStream(empty);
    EXPECT_TRUE(criteria.isEmpty());
    EXPECT_EQ(changes, 1);
    criteria.readFromStream(coldRemedy);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(criteria.filterText(), g("(药品列表 = 感冒灵)"));
    ASSERT_NE(criteria.findCondition(0), nullptr);
    EXPECT_TRUE(criteria.findCondition(0)->value() == TVariant(g("感冒灵")));
}

TEST_F(FilterStream, AStreamThatStartsWithTheCountHasAnAndRoot)
{
    criteria.root().setBoolOperator(B::NotOr);
    criteria.readFromStream(int32(2) + conditionNode(6, "%a%", 3, shortText("%a%")) +
                            bytes({1, 1}) + int32(0));
    EXPECT_EQ(criteria.root().boolOperator(), B::And);
    EXPECT_EQ(criteria.filterText(), g("(适用症 LIKE %a%) 并且 ()"));
}

TEST_F(FilterStream, PicksTheSmallestTagThatHoldsAValue)
{
    struct Row
    {
        const char *name;
        TVariant value;
        std::string expected;
    };
    const Row rows[] = {
        {"null", TVariant(), bytes({0})},
        {"unassigned", TVariant::unassigned(), bytes({13})},
        {"false", TVariant::boolean(false), bytes({8})},
        {"true", TVariant::boolean(true), bytes({9})},
        {"127", TVariant::integer(127), bytes({2, 0x7F})},
        {"-128", TVariant::integer(-128), bytes({2, 0x80})},
        {"128", TVariant::integer(128), bytes({3, 0x80, 0x00})},
        {"-32768", TVariant::integer(-32768), bytes({3, 0x00, 0x80})},
        {"32768", TVariant::integer(32768), bytes({4, 0x00, 0x80, 0x00, 0x00})},
        {"1.0 as extended", TVariant::real(1.0), bytes({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F})},
        {"-2.5 as extended", TVariant::real(-2.5),
         bytes({5, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0})},
        {"the smallest subnormal", TVariant::real(5e-324),
         bytes({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xCD, 0x3B})},
        {"single", TVariant::single(1.5f), bytes({15, 0x00, 0x00, 0xC0, 0x3F})},
        {"currency", TVariant::currency(12345), bytes({16, 0x39, 0x30, 0, 0, 0, 0, 0, 0})},
        {"date", TVariant::date(1.0), bytes({17, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F})},
        {"wide text", TVariant::wideText(u"感A"), bytes({18, 2, 0, 0, 0, 0x1F, 0x61, 0x41, 0x00})},
        {"array", TVariant::array({"A", TVariant::integer(1)}), bytes({1, 2, 2, 6, 1, 'A', 2, 1})},
        {"255-byte text", TVariant(std::string(255, 'x')),
         bytes({6, 0xFF}) + std::string(255, 'x')},
        {"256-byte text", TVariant(std::string(256, 'x')),
         bytes({12, 0x00, 0x01, 0x00, 0x00}) + std::string(256, 'x')},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        criteria.clear();
        criteria.addCondition(nullptr, 0, K::Equal, row.value, "");
        const std::string expected =
            Header + bytes({0}) + int32(1) + conditionNode(0, "", 0, row.expected);
        EXPECT_EQ(criteria.writeToStream(), expected);
        criteria.readFromStream(expected);
        ASSERT_NE(criteria.findCondition(0), nullptr);
        EXPECT_TRUE(criteria.findCondition(0)->value() == row.value);
    }
}

TEST_F(FilterStream, RandomTreesSurviveWriteAndRead)
{
    for (unsigned seed = 1; seed <= 300; ++seed) {
        SCOPED_TRACE(seed);
        TcxFilterCriteria original;
        TRandomTree(seed).fill(original);
        const std::string stream = original.writeToStream();
        TcxFilterCriteria copy;
        copy.readFromStream(stream);
        expectSameTree(original.root(), copy.root());
        EXPECT_EQ(copy.writeToStream(), stream);
        EXPECT_EQ(copy.filterText(), original.filterText());
        if (HasFailure()) return;
    }
}

TEST_F(FilterStream, AShortStreamKeepsTheNodesReadWhole)
{
    TcxFilterCriteria source;
    source.addCondition(nullptr, 1, K::Like, "%a%", "first");
    const std::size_t firstEnds = source.writeToStream().size();
    auto *group = source.addGroup(nullptr, B::Or);
    source.addCondition(group, 2, K::Between, TVariant::array({"A", "F"}), "second");
    source.addCondition(group, 3, K::InList, TVariant::array({"A", "B", "C"}), "third");
    source.addCondition(nullptr, 4, K::Equal, std::string(300, 'z'), "fourth");
    const std::string stream = source.writeToStream();

    int kept = 0;
    for (std::size_t length = 0; length < stream.size(); ++length) {
        SCOPED_TRACE(length);
        changes = 0;
        expectReadError(criteria, stream.substr(0, length));
        EXPECT_EQ(changes, 1);
        const int nodes = countNodes(criteria.root());
        EXPECT_GE(nodes, kept) << "a longer prefix never keeps less";
        kept = nodes;
        if (length == firstEnds - 1) {
            EXPECT_EQ(nodes, 0);
        }
        if (length == firstEnds) {
            EXPECT_EQ(criteria.filterText(), g("(作用类别 LIKE first)"));
        }
    }
    EXPECT_EQ(kept, 4) << "everything short of the last condition";
    criteria.readFromStream(stream);
    expectSameTree(source.root(), criteria.root());
}

TEST_F(FilterStream, DamagedBytesStopTheReadAndKeepWhatCameBefore)
{
    const std::string first = conditionNode(0, "a", 0, shortText("a"));
    struct Row
    {
        const char *name;
        std::string second;
    };
    const Row rows[] = {
        {"tag 7", conditionNode(0, "b", 0, bytes({7}))},
        {"tag 10", conditionNode(0, "b", 0, bytes({10, 0}))},
        {"tag 11", conditionNode(0, "b", 0, bytes({11, 0}))},
        {"tag 14", conditionNode(0, "b", 0, bytes({14, 0}))},
        {"tag 19", conditionNode(0, "b", 0, bytes({19, 0}))},
        {"tag 255", conditionNode(0, "b", 0, bytes({255}))},
        {"an unknown tag inside an array",
         conditionNode(8, "b", 0, bytes({1, 2, 2, 6, 1, 'A', 7}))},
        {"an array counted by a text", conditionNode(8, "b", 0, bytes({1, 6, 1, '2'}))},
        {"a negative array count", conditionNode(10, "b", 0, bytes({1, 2, 0xFF}))},
        {"operator kind 24", conditionNode(24, "b", 0, bytes({0}))},
        {"a node that is neither", bytes({2, 0}) + int32(0)},
        {"group operator 4", bytes({1, 4}) + int32(0)},

        {"a negative text length", bytes({0, 0}) + int32(-1) + int32(0) + bytes({0})},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        expectReadError(criteria, Header + bytes({1}) + int32(3) + first + row.second);
        EXPECT_EQ(criteria.filterText(), g("(药品列表 = a)"));
        EXPECT_EQ(criteria.root().boolOperator(), B::Or);
    }
    // A group is in the tree before its children are read.
    expectReadError(criteria, Header + bytes({1}) + int32(3) + first + bytes({1, 0}) + int32(-1));
    EXPECT_EQ(criteria.filterText(), g("(药品列表 = a) 或者 ()"));
    expectReadError(criteria, Header + bytes({4}) + int32(0));
    expectReadError(criteria, int32(-2) + first);
}

TEST_F(FilterStream, ClaimedSizesAreNeverTrusted)
{
    const std::string condition = conditionNode(0, "a", 0, shortText("a"));
    struct Row
    {
        const char *name;
        std::string stream;
    };
    const Row rows[] = {
        {"2^31 - 1 root children", Header + bytes({0}) + int32(0x7FFFFFFF) + condition},
        {"2^31 root children", Header + bytes({0}) + int32(0x80000000) + condition},
        {"a count-first stream of 2^31 - 1", int32(0x7FFFFFFF) + condition},
        {"2^31 - 1 group children",
         Header + bytes({0}) + int32(1) + bytes({1, 0}) + int32(0x7FFFFFFF) + condition},
        {"a 2 GiB display text",
         Header + bytes({0}) + int32(1) + bytes({0, 0}) + int32(0x7FFFFFFF) + "abc"},
        {"a 2 GiB long text", Header + bytes({0}) + int32(1) +
                                  conditionNode(0, "a", 0, bytes({12}) + int32(0x7FFFFFF0)) +
                                  "abc"},
        {"a 4 GiB wide text", Header + bytes({0}) + int32(1) +
                                  conditionNode(0, "a", 0, bytes({18}) + int32(0x7FFFFFFF))},
        {"2^31 - 1 array elements",
         Header + bytes({0}) + int32(1) +
             conditionNode(10, "a", 0, bytes({1, 4}) + int32(0x7FFFFFFF) + bytes({0, 0}))},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        s_largestAllocation = 0;
        expectReadError(criteria, row.stream);
        EXPECT_LT(s_largestAllocation, 4096u);
    }
}

TEST_F(FilterStream, DeepNestingIsRefusedWithoutRunningOutOfStack)
{
    std::string groups;
    for (int i = 0; i < 1000000; ++i)
        groups += bytes({1, 0, 1, 0, 0, 0});
    expectReadError(criteria, Header + bytes({0}) + int32(1) + groups);
    EXPECT_EQ(depthOf(criteria.root()), cxFilterStreamMaxDepth);

    std::string arrays;
    for (int i = 0; i < 1000000; ++i)
        arrays += bytes({1, 2, 1});
    expectReadError(criteria, Header + bytes({0}) + int32(2) +
                                  conditionNode(0, "a", 0, shortText("a")) +
                                  conditionNode(10, "b", 0, arrays));
    EXPECT_EQ(criteria.filterText(), g("(药品列表 = a)"));

    // Nesting up to the limit is read.
    std::string deepest;
    for (int i = 0; i < cxFilterStreamMaxDepth; ++i)
        deepest += bytes({1, 2, 1, 0, 0, 0});
    deepest.replace(deepest.size() - 4, 4, int32(0));
    criteria.readFromStream(Header + bytes({0}) + int32(1) + deepest);
    EXPECT_EQ(depthOf(criteria.root()), cxFilterStreamMaxDepth);
}

TEST_F(FilterStream, WritesNothingItCouldNotReadBack)
{
    auto expectWriteError = [](const TcxFilterCriteria &criteria) {
        try {
            criteria.writeToStream();
            ADD_FAILURE() << "the tree was written";
        } catch (const Exception &error) {
            EXPECT_EQ(error.Message(), "Stream write error");
        }
    };
    TcxFilterCriteriaItemList *group = nullptr;
    for (int i = 0; i < cxFilterStreamMaxDepth; ++i)
        group = criteria.addGroup(group, B::And);
    EXPECT_NO_THROW(criteria.writeToStream());
    criteria.addGroup(group, B::Or);
    expectWriteError(criteria);

    criteria.clear();
    TVariant value = TVariant::array({});
    for (int i = 1; i < cxFilterStreamMaxDepth; ++i)
        value = TVariant::array({value});
    auto *condition = criteria.addCondition(nullptr, 0, K::InList, value, "");
    criteria.readFromStream(criteria.writeToStream());
    condition = criteria.findCondition(0);
    ASSERT_NE(condition, nullptr);
    EXPECT_TRUE(condition->value() == value);
    condition->setValue(TVariant::array({value}));
    expectWriteError(criteria);
}

TEST_F(FilterStream, ColumnIdsNameTheColumns)
{
    TcxDataFilterItems items = table.items();
    items.id = [](int column) { return 12 - column; }; // IDs in reverse column order
    criteria.setItems(items);
    criteria.readFromStream(Header + bytes({0}) + int32(2) +
                            conditionNode(0, "a", 12, shortText("a")) +
                            conditionNode(0, "b", 13, shortText("b")));
    EXPECT_EQ(criteria.filterText(), g("(药品列表 = a) 并且 ( = b)"));
    EXPECT_EQ(criteria.root().count(), 2) << "a condition without a column stays in the tree";

    table.addColumnValues({"a"});
    EXPECT_FALSE(criteria.matches(0)) << "the lost column tests a null value";
    EXPECT_EQ(criteria.writeToStream(), Header + bytes({0}) + int32(2) +
                                            conditionNode(0, "a", 12, shortText("a")) +
                                            conditionNode(0, "b", -1, shortText("b")));
}
