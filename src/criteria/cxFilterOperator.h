#pragma once

#include "criteria/Variant.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// The operator kind as the filter stream stores it.
enum class TcxFilterOperatorKind : std::uint8_t {
    Equal,
    NotEqual,
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    Like,
    NotLike,
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
constexpr int cxFilterOperatorKindCount = 24;

// The settings of the criteria that an operator's test depends on.
struct TcxFilterOperatorContext
{
    bool softNull = false;
    char percentWildcard = '%';
    char underscoreWildcard = '_';
};

// The test of one condition and the two names the filter text can give it. It is chosen from
// the condition's kind and value when the condition is made: kinds Equal and Like with a null
// value test for a blank field, NotEqual and NotLike with a null value for one that is not.
class TcxFilterOperator
{
public:
    virtual ~TcxFilterOperator() = default;
    static std::unique_ptr<TcxFilterOperator> create(TcxFilterOperatorKind kind,
                                                     const TVariant &value, bool softNull);

    virtual std::string symbol() const = 0; // GBK
    virtual std::string word() const = 0;   // GBK
    virtual bool alwaysNamedByWord() const { return false; }
    virtual bool isNullTest() const { return false; }
    virtual bool isDateTest() const { return false; }

    // The value part of the filter text when operators are named by description.
    virtual std::string describedValue(std::string_view displayText) const
    {
        return std::string(displayText);
    }

    // The condition's prepared value (the condition keeps it alive) or the settings changed.
    virtual void prepare(const TVariant &preparedValue, const TcxFilterOperatorContext &context)
    {
        m_value = &preparedValue;
        m_context = context;
    }

    // The date kinds work out their day range from today's date.
    virtual void setToday(std::chrono::sys_days, std::chrono::weekday) {}

    // Tests a prepared record value (nullopt for null). Throws EVariantError when the
    // comparison needs a conversion that fails.
    virtual bool matches(std::optional<std::string_view> value) const = 0;

protected:
    bool isNullValue(std::optional<std::string_view> value) const
    {
        return !value || (m_context.softNull && value->empty());
    }

    const TVariant *m_value = nullptr;
    TcxFilterOperatorContext m_context;
};
