#pragma once

#include "filterdialogs/cxFilterEditHelper.h"

// The filter editors' helper for the masked text editor, which the drug list's columns use
// without a mask: every operator but the dates, each value typed into a TcxMaskEdit.
class TcxFilterMaskEditHelper : public TcxFilterEditHelper
{
public:
    std::vector<TcxFilterEditorOperator> supportedOperators(bool extended) const override;
    QWidget *createEditor(QWidget *parent) const override;
    TcxFilterEditValue readValue(QWidget *editor) const override;
    void writeValue(QWidget *editor, const TVariant &value) const override;
    void setWildcardsAllowed(QWidget *editor, const QString &wildcards,
                             bool allowed) const override;
};
