#pragma once

#include "criteria/cxFilterOperatorCatalogue.h"
#include "criteria/Variant.h"

#include <QString>

#include <vector>

class QWidget;

// The kinds of editor a list column can have.
enum class TcxColumnEditorKind { MaskEdit, Memo };

// The kind of value a column's field holds, as far as the filter editors check typed values.
enum class TcxFilterValueType { Text, Integer, Float };

// A value as an editor holds it, and the text the user sees for it.
struct TcxFilterEditValue
{
    TVariant value;
    QString text;
};

// What the filter editors need to know of one kind of column editor: which operators it can
// take values for, which editor to create for a value, and how a value gets into and out of
// that editor.
class TcxFilterEditHelper
{
public:
    virtual ~TcxFilterEditHelper() = default;

    // In ascending order; the extended set adds the between and in-list operators.
    virtual std::vector<TcxFilterEditorOperator> supportedOperators(bool extended) const = 0;
    // A value editor with the column editor's settings, starting with a null value.
    virtual QWidget *createEditor(QWidget *parent) const = 0;
    // Takes what was typed as the value first.
    virtual TcxFilterEditValue readValue(QWidget *editor) const = 0;
    virtual void writeValue(QWidget *editor, const TVariant &value) const = 0;
    // Lets the wildcards be typed, or takes that back and deletes them from the text.
    virtual void setWildcardsAllowed(QWidget *editor, const QString &wildcards,
                                     bool allowed) const = 0;
};

// The helper for a kind of column editor; null for a kind that the filter editors cannot
// take values from.
const TcxFilterEditHelper *filterEditHelper(TcxColumnEditorKind kind);

// The check of a typed value before it goes into a condition. An empty text becomes null
// for a field that holds no text; a value that a comparison would have to convert must be
// convertible to the field's type. Patterns are compared as text and always pass.
bool validateFilterValue(TVariant &value, TcxFilterEditorOperator op, TcxFilterValueType type);
