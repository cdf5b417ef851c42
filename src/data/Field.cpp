#include "data/Field.h"

#include "data/ClientDataSet.h"
#include "platform/Codec.h"
#include "data/DatabaseError.h"

#include <cassert>

TField::TField(std::string componentName, std::string fieldName, TFieldType dataType)
    : m_name(std::move(componentName)), m_fieldName(std::move(fieldName)), m_dataType(dataType)
{}

TField::~TField() = default;

void TField::SetFieldName(std::string fieldName)
{
    // Bindings are made when the data set opens; renaming an open field would leave it bound
    // to the wrong column.
    assert(!m_dataSet || !m_dataSet->Active());
    m_fieldName = std::move(fieldName);
}

const std::string &TField::DisplayName() const
{
    return m_displayLabel.empty() ? m_fieldName : m_displayLabel;
}

void TField::SetSize(int size)
{
    assert(size >= 0);
    m_size = size < 0 ? 0 : size;
}

bool TField::CanModify() const
{
    return !m_readOnly && m_fieldNo != 0 && m_dataSet && m_dataSet->CanModify() &&
           m_dataSet->packetAllowsChange();
}

bool TField::IsNull() const
{
    return !data().has_value();
}

std::string TField::AsString() const
{
    return std::string(data().value_or(std::string_view()));
}

std::string TField::DisplayText() const
{
    return AsString();
}

void TField::SetAsString(std::string_view text)
{
    setData(text);
}

void TField::Clear()
{
    setData(std::nullopt);
}

void TField::FocusControl()
{
    if (m_dataSet) m_dataSet->focusControl(this);
}

std::optional<std::string_view> TField::data() const
{
    if (!m_dataSet) return std::nullopt;
    return m_dataSet->fieldData(*this);
}

void TField::setData(std::optional<std::string_view> value)
{
    if (!m_dataSet) return;
    m_dataSet->setFieldData(*this, value);
}

TStringField::TStringField(std::string componentName, std::string fieldName, int size)
    : TField(std::move(componentName), std::move(fieldName), TFieldType::String)
{
    SetSize(size);
}

void TStringField::SetAsString(std::string_view text)
{
    // A value ends at its first zero byte; a longer text is cut at the last whole character
    // that fits, so no half of a double-byte character is ever stored.
    text = text.substr(0, text.find('\0'));
    text = text.substr(0, gbk::wholeCharPrefix(text, static_cast<std::size_t>(Size())));
    setData(text);
}
