#include "filterdialogs/FilterDialogOperator.h"

#include "criteria/cxFilterCriteriaItem.h"

#include <array>
#include <cassert>

namespace {

// Entry texts by operator number, None first.
const std::array<const char *, 27> OperatorTexts = {
    "",       "等于",   "不等于", "小于",   "小于等于",  "大于",        "大于等于",
    "相似",   "不相似", "为空",   "不为空", "在...之间", "不在...之间", "包含",
    "不包含", "昨天",   "今天",   "明天",   "前一周",    "前一月",      "前一年",
    "本周",   "本月",   "本年",   "下一周", "下一月",    "下一年",
};

} // namespace

QString dialogOperatorText(TcxFilterDialogOperator op)
{
    const auto index = static_cast<std::size_t>(op);
    assert(index < OperatorTexts.size());
    return index < OperatorTexts.size() ? QString::fromUtf8(OperatorTexts[index]) : QString();
}

TcxFilterOperatorKind criteriaKind(TcxFilterDialogOperator op)
{
    const int number = static_cast<int>(op);
    assert(number >= 1 && number <= 26);
    if (op == TcxFilterDialogOperator::Blanks) return TcxFilterOperatorKind::Equal;
    if (op == TcxFilterDialogOperator::NonBlanks) return TcxFilterOperatorKind::NotEqual;
    // 1 to 8 are the kinds 0 to 7, and from 11 on the numbering runs two ahead of the kinds.
    if (number <= 8) return static_cast<TcxFilterOperatorKind>(number - 1);
    return static_cast<TcxFilterOperatorKind>(number - 3);
}

TcxFilterDialogOperator dialogOperatorOf(const TcxFilterCriteriaItem &condition)
{
    const TcxFilterOperatorKind kind = condition.operatorKind();
    if (condition.value().isNull()) {
        if (kind == TcxFilterOperatorKind::Equal) return TcxFilterDialogOperator::Blanks;
        if (kind == TcxFilterOperatorKind::NotEqual) return TcxFilterDialogOperator::NonBlanks;
    }
    const int number = static_cast<int>(kind);
    return static_cast<TcxFilterDialogOperator>(number <= 7 ? number + 1 : number + 3);
}
