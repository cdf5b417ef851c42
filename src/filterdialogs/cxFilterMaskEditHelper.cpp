#include "filterdialogs/cxFilterMaskEditHelper.h"

#include "editors/cxMaskEdit.h"

#include <cassert>

namespace {

TcxMaskEdit *maskEdit(QWidget *editor)
{
    auto *edit = qobject_cast<TcxMaskEdit *>(editor);
    assert(edit);
    return edit;
}

} // namespace

std::vector<TcxFilterEditorOperator>
TcxFilterMaskEditHelper::supportedOperators(bool extended) const
{
    const int last = static_cast<int>(extended ? TcxFilterEditorOperator::NotInList
                                               : TcxFilterEditorOperator::NotNull);
    std::vector<TcxFilterEditorOperator> operators;
    for (int number = 1; number <= last; ++number)
        operators.push_back(static_cast<TcxFilterEditorOperator>(number));
    return operators;
}

QWidget *TcxFilterMaskEditHelper::createEditor(QWidget *parent) const
{
    auto *edit = new TcxMaskEdit(parent);
    edit->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    edit->setReadOnly(false);
    return edit;
}

TcxFilterEditValue TcxFilterMaskEditHelper::readValue(QWidget *editor) const
{
    TcxMaskEdit *edit = maskEdit(editor);
    if (!edit) return {};
    edit->postEditValue();
    return {edit->EditValue(), edit->text()};
}

void TcxFilterMaskEditHelper::writeValue(QWidget *editor, const TVariant &value) const
{
    if (TcxMaskEdit *edit = maskEdit(editor)) edit->SetEditValue(value);
}

void TcxFilterMaskEditHelper::setWildcardsAllowed(QWidget *editor, const QString &wildcards,
                                                  bool allowed) const
{
    TcxMaskEdit *edit = maskEdit(editor);
    if (!edit) return;
    if (allowed) {
        edit->addAllowedChars(wildcards);
    } else {
        edit->removeAllowedChars(wildcards);
        edit->deleteChars(wildcards);
    }
}
