#include "criteria/cxFilterCriteriaItem.h"

#include "platform/Codec.h"

#include "criteria/cxFilterCriteria.h"

namespace {

// A currency becomes a float; a text becomes upper case for a case-insensitive criteria.
TVariant preparedValue(const TVariant &value, bool caseInsensitive)
{
    switch (value.type()) {
    case TVariant::TType::Currency:
        return TVariant::real(static_cast<double>(value.asCurrency()) / 10000.0);
    case TVariant::TType::Text:
        return caseInsensitive ? TVariant(gbk::upperAscii(value.asText())) : value;
    case TVariant::TType::Array: {
        std::vector<TVariant> elements;
        elements.reserve(value.elements().size());
        for (const TVariant &element : value.elements())
            elements.push_back(preparedValue(element, caseInsensitive));
        return TVariant::array(std::move(elements));
    }
    default: return value;
    }
}

} // namespace

TcxFilterCriteriaItem::TcxFilterCriteriaItem(TcxFilterCriteria &criteria,
                                             TcxFilterCriteriaItemList *parent, int column,
                                             TcxFilterOperatorKind kind, TVariant value,
                                             std::string displayText)
    : TcxCustomFilterCriteriaItem(criteria, parent), m_column(column), m_kind(kind),
      m_value(std::move(value)), m_displayText(std::move(displayText))
{
    chooseOperator();
}

void TcxFilterCriteriaItem::chooseOperator()
{
    m_operator =
        TcxFilterOperator::create(m_kind, m_value, criteria().Options().contains(fcoSoftNull));
    prepare();
    if (m_operator->isDateTest()) setToday(criteria().today(), criteria().firstDayOfWeek());
}

void TcxFilterCriteriaItem::prepare()
{
    const TcxFilterCriteria &owner = criteria();
    m_preparedValue = preparedValue(m_value, owner.Options().contains(fcoCaseInsensitive));
    m_operator->prepare(m_preparedValue, {owner.Options().contains(fcoSoftNull),
                                          owner.PercentWildcard(), owner.UnderscoreWildcard()});
}

void TcxFilterCriteriaItem::setToday(std::chrono::sys_days today,
                                     std::chrono::weekday firstDayOfWeek)
{
    m_operator->setToday(today, firstDayOfWeek);
}

void TcxFilterCriteriaItem::setColumn(int column)
{
    if (column == m_column) return;
    m_column = column;
    criteria().changed();
}

void TcxFilterCriteriaItem::setOperatorKind(TcxFilterOperatorKind kind)
{
    if (kind == m_kind) return;
    m_kind = kind;
    chooseOperator();
    criteria().changed();
}

void TcxFilterCriteriaItem::setValue(TVariant value)
{
    if (value == m_value) return;
    m_value = std::move(value);
    chooseOperator();
    criteria().changed();
}

void TcxFilterCriteriaItem::setDisplayText(std::string displayText)
{
    if (displayText == m_displayText) return;
    m_displayText = std::move(displayText);
    criteria().changed();
}

bool TcxFilterCriteriaItem::matches(int recordIndex) const
{
    const TcxFilterCriteria &owner = criteria();
    std::optional<std::string_view> value;
    if (m_column >= 0) value = owner.itemValue(recordIndex, m_column);
    std::string upper;
    if (value && owner.Options().contains(fcoCaseInsensitive)) {
        upper = gbk::upperAscii(*value);
        value = upper;
    }
    try {
        return m_operator->matches(value);
    } catch (const EVariantError &) {
        if (owner.Options().contains(fcoSoftCompare)) return false;
        throw;
    }
}

std::string TcxFilterCriteriaItem::filterText() const
{
    const TcxFilterCriteria &owner = criteria();
    const bool described = owner.Options().contains(fcoShowOperatorDescription);
    std::string text = m_column >= 0 ? owner.itemCaption(m_column) : std::string();
    text += ' ';
    text +=
        described || m_operator->alwaysNamedByWord() ? m_operator->word() : m_operator->symbol();
    const std::string value = described ? m_operator->describedValue(m_displayText) : m_displayText;
    if (!value.empty()) text += ' ' + value;
    return text;
}
