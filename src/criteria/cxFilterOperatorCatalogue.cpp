#include "criteria/cxFilterOperatorCatalogue.h"

#include "criteria/cxFilterCriteriaItem.h"

TcxFilterEditorOperator editorOperatorOf(const TcxFilterCriteriaItem &condition)
{
    return editorOperator(condition.operatorKind(), condition.value().isNull());
}
