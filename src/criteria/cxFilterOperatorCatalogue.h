#pragma once

#include "criteria/cxFilterOperator.h"

#include <array>
#include <string_view>

class TcxFilterCriteriaItem;

// The one table of the filter's operators: every word and symbol the criteria, the custom
// filter dialog and the filter builder show for an operator comes from here (UTF-8).

// The operators as the filter editors offer them, numbered 1 to 26 as their operator lists
// carry them. Each stands for a criteria kind; "为空" and "不为空" stand for an equality test
// of a null value.
enum class TcxFilterEditorOperator : int {
    None = 0, // the empty entry of a list whose row may stay unused
    Equal,
    NotEqual,
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    Like,
    NotLike,
    Null,
    NotNull,
    Between,
    NotBetween,
    InList,
    NotInList,
    Yesterday,
    Today,
    Tomorrow,
    LastWeek,
    LastMonth,
    LastYear,
    ThisWeek,
    ThisMonth,
    ThisYear,
    NextWeek,
    NextMonth,
    NextYear
};
constexpr int cxFilterEditorOperatorCount = 26;

// How many values an operator takes, which decides the value slots a condition shows.
enum class TcxFilterValueArity { None, One, Two, List };

struct TcxFilterOperatorEntry
{
    TcxFilterEditorOperator op;
    TcxFilterOperatorKind kind; // the kind a condition of this operator is stored with
    bool nullTest;              // stored with a null value
    std::string_view word;      // in the lists, the tree and the filter text
    std::string_view symbol;    // in the filter text when operators are named by symbol
    TcxFilterValueArity arity;
    bool like; // the value is a pattern, in which the wildcards have their meaning
    bool date; // a day range worked out from today's date
};

namespace filteroperators {

using Op = TcxFilterEditorOperator;
using Kind = TcxFilterOperatorKind;
using Arity = TcxFilterValueArity;

// By editor number; the None entry stands first so that an operator is its own index.
inline constexpr std::array<TcxFilterOperatorEntry, cxFilterEditorOperatorCount + 1> Catalogue = {{
    {Op::None, Kind::Equal, false, "", "", Arity::None, false, false},
    {Op::Equal, Kind::Equal, false, "等于", "=", Arity::One, false, false},
    {Op::NotEqual, Kind::NotEqual, false, "不等于", "<>", Arity::One, false, false},
    {Op::Less, Kind::Less, false, "小于", "<", Arity::One, false, false},
    {Op::LessEqual, Kind::LessEqual, false, "小于等于", "<=", Arity::One, false, false},
    {Op::Greater, Kind::Greater, false, "大于", ">", Arity::One, false, false},
    {Op::GreaterEqual, Kind::GreaterEqual, false, "大于等于", ">=", Arity::One, false, false},
    {Op::Like, Kind::Like, false, "相似", "LIKE", Arity::One, true, false},
    {Op::NotLike, Kind::NotLike, false, "不相似", "NOT LIKE", Arity::One, true, false},
    {Op::Null, Kind::Equal, true, "为空", "=", Arity::None, false, false},
    {Op::NotNull, Kind::NotEqual, true, "不为空", "<>", Arity::None, false, false},
    {Op::Between, Kind::Between, false, "在...之间", "BETWEEN", Arity::Two, false, false},
    {Op::NotBetween, Kind::NotBetween, false, "不在...之间", "NOT BETWEEN", Arity::Two, false, false},
    {Op::InList, Kind::InList, false, "包含", "IN", Arity::List, false, false},
    {Op::NotInList, Kind::NotInList, false, "不包含", "NOT IN", Arity::List, false, false},
    {Op::Yesterday, Kind::Yesterday, false, "昨天", "昨天", Arity::None, false, true},
    {Op::Today, Kind::Today, false, "今天", "今天", Arity::None, false, true},
    {Op::Tomorrow, Kind::Tomorrow, false, "明天", "明天", Arity::None, false, true},
    {Op::LastWeek, Kind::LastWeek, false, "前一周", "前一周", Arity::None, false, true},
    {Op::LastMonth, Kind::LastMonth, false, "前一月", "前一月", Arity::None, false, true},
    {Op::LastYear, Kind::LastYear, false, "前一年", "前一年", Arity::None, false, true},
    {Op::ThisWeek, Kind::ThisWeek, false, "本周", "本周", Arity::None, false, true},
    {Op::ThisMonth, Kind::ThisMonth, false, "本月", "本月", Arity::None, false, true},
    {Op::ThisYear, Kind::ThisYear, false, "本年", "本年", Arity::None, false, true},
    {Op::NextWeek, Kind::NextWeek, false, "下一周", "下一周", Arity::None, false, true},
    {Op::NextMonth, Kind::NextMonth, false, "下一月", "下一月", Arity::None, false, true},
    {Op::NextYear, Kind::NextYear, false, "下一年", "下一年", Arity::None, false, true},
}};

// The words of a pattern in the filter text by its shape: plain, 'x%', '%x', '%x%'.
inline constexpr std::array<std::string_view, 4> LikeShapeWords = {"相似", "起始于", "结束于",
                                                                   "包含"};
inline constexpr std::array<std::string_view, 4> NotLikeShapeWords = {"不相似", "不起始于",
                                                                      "不结束于", "不包含"};

// The Boolean words of groups, in the order of the group operators: and, or, not and, not or.
inline constexpr std::array<std::string_view, 4> BooleanWords = {"并且", "或者", "非并且",
                                                                 "非或者"};
inline constexpr std::string_view AndWord = BooleanWords[0];
inline constexpr std::string_view OrWord = BooleanWords[1];

} // namespace filteroperators

constexpr const TcxFilterOperatorEntry &operatorEntry(TcxFilterEditorOperator op)
{
    const int index = static_cast<int>(op);
    return filteroperators::Catalogue[index >= 0 && index <= cxFilterEditorOperatorCount
                                          ? static_cast<std::size_t>(index)
                                          : 0];
}

// The operator's word in the lists and the tree; empty for None.
constexpr std::string_view operatorWord(TcxFilterEditorOperator op)
{
    return operatorEntry(op).word;
}

constexpr TcxFilterValueArity valueArity(TcxFilterEditorOperator op)
{
    return operatorEntry(op).arity;
}

constexpr bool isLikeOperator(TcxFilterEditorOperator op) { return operatorEntry(op).like; }

// Whether the condition stands without a value of its own.
constexpr bool isNullTest(TcxFilterEditorOperator op) { return operatorEntry(op).nullTest; }

// The criteria kind a condition with this operator is stored with.
constexpr TcxFilterOperatorKind criteriaKind(TcxFilterEditorOperator op)
{
    return operatorEntry(op).kind;
}

// The entry of a criteria kind that is not a null test.
constexpr const TcxFilterOperatorEntry &kindEntry(TcxFilterOperatorKind kind)
{
    for (const TcxFilterOperatorEntry &entry : filteroperators::Catalogue)
        if (entry.op != TcxFilterEditorOperator::None && entry.kind == kind && !entry.nullTest)
            return entry;
    return filteroperators::Catalogue[0];
}

// The operator a stored condition shows with: equality tests of a null value are the null
// operators.
constexpr TcxFilterEditorOperator editorOperator(TcxFilterOperatorKind kind, bool nullValue)
{
    if (nullValue && kind == TcxFilterOperatorKind::Equal) return TcxFilterEditorOperator::Null;
    if (nullValue && kind == TcxFilterOperatorKind::NotEqual)
        return TcxFilterEditorOperator::NotNull;
    return kindEntry(kind).op;
}

TcxFilterEditorOperator editorOperatorOf(const TcxFilterCriteriaItem &condition);
