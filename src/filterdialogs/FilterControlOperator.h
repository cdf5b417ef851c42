#pragma once

#include "criteria/cxFilterOperator.h"

#include <array>
#include <string_view>

// The operators as the filter editors offer them, numbered 1 to 26; each stands for a
// criteria operator kind, and "为空" and "不为空" for an equality test with a null value.
enum class TcxFilterControlOperator : int {
    None = 0,
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
constexpr int cxFilterControlOperatorCount = 26;

// How many values an operator takes, which decides the value slots a condition row shows.
enum class TcxFilterValueArity { None, One, Two, List };

inline constexpr std::array<std::string_view, cxFilterControlOperatorCount + 1>
    FilterControlOperatorWords = {
        "",       "等于",   "不等于", "小于",   "小于等于",  "大于",        "大于等于",
        "相似",   "不相似", "为空",   "不为空", "在...之间", "不在...之间", "包含",
        "不包含", "昨天",   "今天",   "明天",   "前一周",    "前一月",      "前一年",
        "本周",   "本月",   "本年",   "下一周", "下一月",    "下一年"};

// The operator's word in the lists and the tree (UTF-8).
constexpr std::string_view operatorWord(TcxFilterControlOperator op)
{
    const int index = static_cast<int>(op);
    return index >= 0 && index <= cxFilterControlOperatorCount ? FilterControlOperatorWords[index]
                                                               : std::string_view();
}

constexpr TcxFilterValueArity valueArity(TcxFilterControlOperator op)
{
    using Op = TcxFilterControlOperator;
    switch (op) {
    case Op::None:
    case Op::Null:
    case Op::NotNull: return TcxFilterValueArity::None;
    case Op::Between:
    case Op::NotBetween: return TcxFilterValueArity::Two;
    case Op::InList:
    case Op::NotInList: return TcxFilterValueArity::List;
    default: break;
    }
    return op >= Op::Yesterday ? TcxFilterValueArity::None : TcxFilterValueArity::One;
}

constexpr bool isLikeOperator(TcxFilterControlOperator op)
{
    return op == TcxFilterControlOperator::Like || op == TcxFilterControlOperator::NotLike;
}

// The criteria kind a condition with this operator is stored with.
constexpr TcxFilterOperatorKind criteriaKind(TcxFilterControlOperator op)
{
    const int index = static_cast<int>(op);
    if (op == TcxFilterControlOperator::Null) return TcxFilterOperatorKind::Equal;
    if (op == TcxFilterControlOperator::NotNull) return TcxFilterOperatorKind::NotEqual;
    if (index <= 8) return static_cast<TcxFilterOperatorKind>(index - 1);
    return static_cast<TcxFilterOperatorKind>(index - 3);
}

// The operator a stored condition shows with; equality tests of a null value are the null
// operators.
constexpr TcxFilterControlOperator controlOperator(TcxFilterOperatorKind kind, bool nullValue)
{
    const int index = static_cast<int>(kind);
    if (kind == TcxFilterOperatorKind::Equal && nullValue) return TcxFilterControlOperator::Null;
    if (kind == TcxFilterOperatorKind::NotEqual && nullValue)
        return TcxFilterControlOperator::NotNull;
    if (index <= 7) return static_cast<TcxFilterControlOperator>(index + 1);
    return static_cast<TcxFilterControlOperator>(index + 3);
}
