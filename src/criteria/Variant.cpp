#include "criteria/Variant.h"

#include "platform/Codec.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>

TVariant TVariant::unassigned()
{
    TVariant value;
    value.m_type = TType::Unassigned;
    return value;
}

TVariant TVariant::boolean(bool flag)
{
    TVariant value;
    value.m_type = TType::Boolean;
    value.m_integer = flag ? 1 : 0;
    return value;
}

TVariant TVariant::integer(std::int32_t number)
{
    TVariant value;
    value.m_type = TType::Integer;
    value.m_integer = number;
    return value;
}

TVariant TVariant::single(float number)
{
    TVariant value;
    value.m_type = TType::Single;
    value.m_real = number;
    return value;
}

TVariant TVariant::real(double number)
{
    TVariant value;
    value.m_type = TType::Double;
    value.m_real = number;
    return value;
}

TVariant TVariant::currency(std::int64_t scaledBy10000)
{
    TVariant value;
    value.m_type = TType::Currency;
    value.m_integer = scaledBy10000;
    return value;
}

TVariant TVariant::date(double daysSince18991230)
{
    TVariant value;
    value.m_type = TType::Date;
    value.m_real = daysSince18991230;
    return value;
}

TVariant TVariant::wideText(std::u16string text)
{
    TVariant value;
    value.m_type = TType::WideText;
    value.m_wide = std::move(text);
    return value;
}

TVariant TVariant::array(std::vector<TVariant> elements)
{
    TVariant value;
    value.m_type = TType::Array;
    value.m_elements = std::move(elements);
    return value;
}

bool TVariant::operator==(const TVariant &other) const
{
    if (m_type != other.m_type) return false;
    switch (m_type) {
    case TType::Null:
    case TType::Unassigned: return true;
    case TType::Boolean:
    case TType::Integer:
    case TType::Currency: return m_integer == other.m_integer;
    case TType::Single:
    case TType::Double:
    case TType::Date:
        return m_real == other.m_real || (std::isnan(m_real) && std::isnan(other.m_real));
    case TType::Text: return m_text == other.m_text;
    case TType::WideText: return m_wide == other.m_wide;
    case TType::Array: return m_elements == other.m_elements;
    }
    return false;
}

TVariant::TType TVariantRef::type() const
{
    if (m_variant) return m_variant->type();
    return m_record ? TVariant::TType::Text : TVariant::TType::Null;
}

namespace {

using TType = TVariant::TType;

const char *typeName(TType type)
{
    switch (type) {
    case TType::Null: return "Null";
    case TType::Unassigned: return "Empty";
    case TType::Boolean: return "Boolean";
    case TType::Integer: return "Integer";
    case TType::Single: return "Single";
    case TType::Double: return "Double";
    case TType::Currency: return "Currency";
    case TType::Date: return "Date";
    case TType::Text: return "String";
    case TType::WideText: return "OleStr";
    case TType::Array: return "Array";
    }
    return "Unknown";
}

[[noreturn]] void conversionFailed(TType from, TType to)
{
    throw EVariantError(std::string("Could not convert variant of type (") + typeName(from) +
                        ") into type (" + typeName(to) + ")");
}

bool isTextLike(TType type)
{
    return type == TType::Text || type == TType::WideText || type == TType::Unassigned;
}

std::string_view upToZero(std::string_view text)
{
    const std::size_t zero = text.find('\0');
    return zero == std::string_view::npos ? text : text.substr(0, zero);
}

std::string wideToGbk(const std::u16string &wide)
{
    std::string utf8;
    for (std::size_t i = 0; i < wide.size(); ++i) {
        char32_t code = wide[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < wide.size() && wide[i + 1] >= 0xDC00 &&
            wide[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
            ++i;
        }
        utf8::append(utf8, code);
    }
    std::optional<std::string> gbkText = gbk::fromUtf8(utf8);
    if (!gbkText) conversionFailed(TType::WideText, TType::Text);
    return *gbkText;
}

// The text of a text-like value. Record texts are borrowed; the others land in `storage`.
std::string_view textOf(TVariantRef value, std::string &storage)
{
    if (!value.variant()) return value.recordText();
    const TVariant &variant = *value.variant();
    switch (variant.type()) {
    case TType::Text: return variant.asText();
    case TType::WideText: storage = wideToGbk(variant.asWideText()); return storage;
    default: return {};
    }
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

std::optional<double> parseNumber(std::string_view text)
{
    text = trimmed(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double number = 0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), number, std::chars_format::general);
    if (text.empty() || error != std::errc() || end != text.data() + text.size()) return {};
    return number;
}

bool sameLetters(std::string_view text, std::string_view word)
{
    return gbk::equalIgnoringAsciiCase(text, word);
}

std::optional<double> parseDate(std::string_view text)
{
    text = trimmed(text);
    int parts[6] = {0, 0, 0, 0, 0, 0};
    int count = 0;
    const char *at = text.data();
    const char *end = text.data() + text.size();
    while (at < end && count < 6) {
        const auto [next, error] = std::from_chars(at, end, parts[count]);
        if (error != std::errc()) return {};
        ++count;
        at = next;
        if (at == end) break;
        const char separator = *at;
        const bool expected = count < 3    ? (separator == '-' || separator == '/')
                              : count == 3 ? separator == ' '
                                           : separator == ':';
        if (!expected) return {};
        ++at;
    }
    if (at != end || (count != 3 && count != 5 && count != 6)) return {};
    using namespace std::chrono;
    const year_month_day day{year(parts[0]), month(static_cast<unsigned>(parts[1])),
                             std::chrono::day(static_cast<unsigned>(parts[2]))};
    if (!day.ok() || parts[3] > 23 || parts[4] > 59 || parts[5] > 59) return {};
    const double days = sys_days(day).time_since_epoch().count() + UnixEpochDaySerial;
    return days + (parts[3] * 3600 + parts[4] * 60 + parts[5]) / 86400.0;
}

// The value as a number for a comparison with a value of kind `target`.
double numberOf(TVariantRef value, TType target)
{
    const TType type = value.type();
    if (value.variant()) {
        const TVariant &variant = *value.variant();
        switch (type) {
        case TType::Boolean: return variant.asBoolean() ? -1 : 0;
        case TType::Integer: return variant.asInteger();
        case TType::Currency: return static_cast<double>(variant.asCurrency()) / 10000.0;
        case TType::Single:
        case TType::Double:
        case TType::Date: return variant.asDouble();
        case TType::Unassigned: return 0;
        default: break;
        }
    }
    if (type == TType::Text || type == TType::WideText) {
        std::string storage;
        const std::string_view text = textOf(value, storage);
        std::optional<double> number;
        if (target == TType::Boolean && sameLetters(trimmed(text), "True"))
            number = -1;
        else if (target == TType::Boolean && sameLetters(trimmed(text), "False"))
            number = 0;
        else if (target == TType::Date)
            number = parseDate(text);
        if (!number) number = parseNumber(text);
        if (number) return target == TType::Boolean ? (*number != 0 ? -1 : 0) : *number;
    }
    conversionFailed(type, target);
}

TType numberTarget(TVariantRef first, TVariantRef second)
{
    return isTextLike(first.type()) ? second.type() : first.type();
}

int compareArrays(TVariantRef first, TVariantRef second)
{
    // A single value counts as an array holding just that value.
    auto elementsOf = [](TVariantRef value) {
        std::vector<TVariantRef> elements;
        if (value.isArray())
            for (const TVariant &element : value.variant()->elements())
                elements.emplace_back(element);
        else
            elements.push_back(value);
        return elements;
    };
    const std::vector<TVariantRef> a = elementsOf(first);
    const std::vector<TVariantRef> b = elementsOf(second);
    if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (const int result = compareVariants(a[i], b[i]); result != 0) return result;
    return 0;
}

} // namespace

bool variantsEqual(TVariantRef first, TVariantRef second)
{
    if (first.isNull() || second.isNull()) return first.isNull() && second.isNull();
    if (first.isArray() || second.isArray()) return compareArrays(first, second) == 0;
    if (isTextLike(first.type()) && isTextLike(second.type())) {
        std::string storage1, storage2;
        return upToZero(textOf(first, storage1)) == upToZero(textOf(second, storage2));
    }
    const TType target = numberTarget(first, second);
    return numberOf(first, target) == numberOf(second, target);
}

int compareVariants(TVariantRef first, TVariantRef second)
{
    try {
        if (first.isArray() || second.isArray()) return compareArrays(first, second);
        if (variantsEqual(first, second)) return 0;
        if (first.isNull()) return -1;
        if (second.isNull()) return 1;
        if (isTextLike(first.type()) && isTextLike(second.type())) {
            std::string storage1, storage2;
            return upToZero(textOf(first, storage1)) < upToZero(textOf(second, storage2)) ? -1 : 1;
        }
        const TType target = numberTarget(first, second);
        return numberOf(first, target) < numberOf(second, target) ? -1 : 1;
    } catch (const EVariantError &) {
        return -1;
    }
}

std::string variantToText(TVariantRef value)
{
    if (!value.variant()) return value.isNull() ? std::string() : std::string(value.recordText());
    const TVariant &variant = *value.variant();
    char buffer[64];
    switch (variant.type()) {
    case TType::Null:
    case TType::Unassigned: return {};
    case TType::Boolean: return variant.asBoolean() ? "True" : "False";
    case TType::Integer: return std::to_string(variant.asInteger());
    case TType::Single:
        std::snprintf(buffer, sizeof buffer, "%.7g", variant.asDouble());
        return buffer;
    case TType::Double:
        std::snprintf(buffer, sizeof buffer, "%.15g", variant.asDouble());
        return buffer;
    case TType::Currency: {
        const std::int64_t scaled = variant.asCurrency();
        const std::uint64_t magnitude = scaled < 0 ? 0 - static_cast<std::uint64_t>(scaled)
                                                   : static_cast<std::uint64_t>(scaled);
        std::snprintf(buffer, sizeof buffer, "%s%llu.%04u", scaled < 0 ? "-" : "",
                      static_cast<unsigned long long>(magnitude / 10000),
                      static_cast<unsigned>(magnitude % 10000));
        std::string text = buffer;
        while (text.back() == '0')
            text.pop_back();
        if (text.back() == '.') text.pop_back();
        return text;
    }
    case TType::Date: {
        using namespace std::chrono;
        const double serial = variant.asDouble();
        if (!std::isfinite(serial) || std::fabs(serial) > 3e6)
            conversionFailed(TType::Date, TType::Text);
        const double whole = std::floor(serial);
        const year_month_day day{sys_days(days(static_cast<int>(whole) - static_cast<int>(UnixEpochDaySerial)))};
        const int seconds = static_cast<int>(std::lround((serial - whole) * 86400.0)) % 86400;
        std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u", static_cast<int>(day.year()),
                      static_cast<unsigned>(day.month()), static_cast<unsigned>(day.day()));
        std::string text = buffer;
        if (seconds != 0) {
            std::snprintf(buffer, sizeof buffer, " %02d:%02d:%02d", seconds / 3600,
                          seconds / 60 % 60, seconds % 60);
            text += buffer;
        }
        return text;
    }
    case TType::Text: return variant.asText();
    case TType::WideText: return wideToGbk(variant.asWideText());
    case TType::Array: break;
    }
    conversionFailed(TType::Array, TType::Text);
}

double variantToDate(TVariantRef value)
{
    if (value.isArray() || value.isNull()) conversionFailed(value.type(), TType::Date);
    return numberOf(value, TType::Date);
}
