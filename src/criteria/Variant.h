#pragma once

#include "platform/Exception.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Dates are day serials counted from 1899-12-30: 1970-01-01, the start of the system clock,
// is day 25569.
inline constexpr double UnixEpochDaySerial = 25569;

// A value that cannot be converted to the kind a comparison needs, such as a text that is not
// a number. The record test passes it on unless the criteria compares softly.
class EVariantError : public Exception
{
public:
    using Exception::Exception;
};

// A filter value: null, unassigned, a Boolean, one of the stream's number kinds, a GBK text,
// a wide (UTF-16) text, or a one-dimensional array of values.
class TVariant
{
public:
    enum class TType : std::uint8_t {
        Null,
        Unassigned,
        Boolean,
        Integer,
        Single,
        Double,
        Currency,
        Date,
        Text,
        WideText,
        Array
    };

    TVariant() = default; // null
    TVariant(std::string gbkText) : m_type(TType::Text), m_text(std::move(gbkText)) {}
    TVariant(const char *gbkText) : TVariant(std::string(gbkText)) {}
    // A bare number or null pointer would otherwise pass for a text; say which kind is meant.
    TVariant(int) = delete;
    TVariant(std::nullptr_t) = delete;

    static TVariant unassigned();
    static TVariant boolean(bool value);
    static TVariant integer(std::int32_t value);
    static TVariant single(float value);
    static TVariant real(double value);
    static TVariant currency(std::int64_t scaledBy10000);
    static TVariant date(double daysSince18991230);
    static TVariant wideText(std::u16string value);
    static TVariant array(std::vector<TVariant> elements);

    TType type() const { return m_type; }
    bool isNull() const { return m_type == TType::Null; }
    bool isArray() const { return m_type == TType::Array; }
    bool isText() const { return m_type == TType::Text; }

    bool asBoolean() const { return m_integer != 0; }
    std::int32_t asInteger() const { return static_cast<std::int32_t>(m_integer); }
    std::int64_t asCurrency() const { return m_integer; }
    float asSingle() const { return static_cast<float>(m_real); }
    double asDouble() const { return m_real; } // Double and Date
    const std::string &asText() const { return m_text; }
    const std::u16string &asWideText() const { return m_wide; }
    const std::vector<TVariant> &elements() const { return m_elements; }

    // The same kind and the same payload: what a stream round trip must preserve.
    bool operator==(const TVariant &other) const;

private:
    TType m_type = TType::Null;
    std::int64_t m_integer = 0; // Boolean, Integer, Currency
    double m_real = 0;          // Single, Double, Date
    std::string m_text;
    std::u16string m_wide;
    std::vector<TVariant> m_elements;
};

// A borrowed look at a value, either a TVariant or a record's text (nullopt for null) as the
// data controller holds it, so that testing a record copies nothing.
class TVariantRef
{
public:
    TVariantRef(const TVariant &value) : m_variant(&value) {}
    explicit TVariantRef(std::optional<std::string_view> recordValue) : m_record(recordValue) {}

    TVariant::TType type() const;
    bool isNull() const { return type() == TVariant::TType::Null; }
    bool isArray() const { return type() == TVariant::TType::Array; }
    const TVariant *variant() const { return m_variant; }
    std::string_view recordText() const { return *m_record; }

private:
    const TVariant *m_variant = nullptr;
    std::optional<std::string_view> m_record;
};

// Variant equality: texts by their bytes up to the first zero byte; a text against a number,
// a Boolean or a date is converted first, and a failed conversion throws EVariantError.
bool variantsEqual(TVariantRef first, TVariantRef second);

// The criteria's three-way comparison (-1, 0, +1): arrays by length and then element by
// element, equal values 0, null before everything, otherwise by order; a failed conversion
// gives -1.
int compareVariants(TVariantRef first, TVariantRef second);

// The value as text, as the like operators see it: null and unassigned give the empty text.
// Throws EVariantError for an array.
std::string variantToText(TVariantRef value);

// The value as a date serial (days since 30 December 1899), for the date operators. Throws
// EVariantError for a value that is no date.
double variantToDate(TVariantRef value);
