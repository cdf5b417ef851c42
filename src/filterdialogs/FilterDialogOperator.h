#pragma once

#include "criteria/cxFilterOperator.h"

#include <QString>

#include <optional>

class TcxFilterCriteriaItem;

// The operators that the filter editors offer, numbered as their operator lists carry them.
// Each stands for a criteria operator kind; the blank tests stand for equal and not-equal
// with a null value.
enum class TcxFilterDialogOperator : int {
    None = 0, // the empty entry of a list whose row may stay unused
    Equal = 1,
    NotEqual,
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    Like,
    NotLike,
    Blanks,
    NonBlanks,
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

// The entry text of an operator list; empty for None.
QString dialogOperatorText(TcxFilterDialogOperator op);

// The criteria kind a condition of this operator is stored with.
TcxFilterOperatorKind criteriaKind(TcxFilterDialogOperator op);

// The operator that shows a stored condition: a blank test for equal and not-equal with a
// null value, otherwise the operator of its kind.
TcxFilterDialogOperator dialogOperatorOf(const TcxFilterCriteriaItem &condition);

// Whether the value is a pattern, in which the wildcards have their meaning.
inline bool isLikeOperator(TcxFilterDialogOperator op)
{
    return op == TcxFilterDialogOperator::Like || op == TcxFilterDialogOperator::NotLike;
}

// Whether the condition stands without a value of its own.
inline bool isBlankTest(TcxFilterDialogOperator op)
{
    return op == TcxFilterDialogOperator::Blanks || op == TcxFilterDialogOperator::NonBlanks;
}
