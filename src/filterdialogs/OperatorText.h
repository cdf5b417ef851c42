#pragma once

#include "criteria/cxFilterOperatorCatalogue.h"

#include <QString>
#include <QStringList>

// The catalogue's words as the dialogs show them.

inline QString catalogueText(std::string_view word)
{
    return QString::fromUtf8(word.data(), static_cast<qsizetype>(word.size()));
}

// The entry text of an operator list; empty for None.
inline QString operatorText(TcxFilterEditorOperator op) { return catalogueText(operatorWord(op)); }

// The group operators' words: and, or, not and, not or.
inline QStringList booleanWordTexts()
{
    QStringList words;
    for (std::string_view word : filteroperators::BooleanWords) words << catalogueText(word);
    return words;
}
