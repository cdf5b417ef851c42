#include "criteria/cxFilterOperator.h"

#include "criteria/FilterWords.h"
#include "criteria/LikeMatcher.h"
#include "criteria/cxFilterOperatorCatalogue.h"

#include <cassert>

namespace {

using TKind = TcxFilterOperatorKind;
using Op = TcxFilterEditorOperator;

constexpr const TcxFilterOperatorEntry &entry(Op op) { return operatorEntry(op); }

class TcxFilterEqualOperator : public TcxFilterOperator
{
public:
    std::string symbol() const override { return std::string(entry(Op::Equal).symbol); }
    std::string word() const override { return gbkWord(entry(Op::Equal).word); }
    bool matches(std::optional<std::string_view> value) const override
    {
        return variantsEqual(TVariantRef(value), *m_value);
    }
};

class TcxFilterNotEqualOperator : public TcxFilterEqualOperator
{
public:
    std::string symbol() const override { return std::string(entry(Op::NotEqual).symbol); }
    std::string word() const override { return gbkWord(entry(Op::NotEqual).word); }
    bool matches(std::optional<std::string_view> value) const override
    {
        return !TcxFilterEqualOperator::matches(value);
    }
};

// The four ordering operators differ only in which results of the comparison they keep.
template<int Lowest, int Highest>
class TcxFilterOrderOperator : public TcxFilterOperator
{
public:
    bool matches(std::optional<std::string_view> value) const override
    {
        const int result = compareVariants(TVariantRef(value), *m_value);
        return result >= Lowest && result <= Highest;
    }
};

class TcxFilterLessOperator : public TcxFilterOrderOperator<-1, -1>
{
public:
    std::string symbol() const override { return std::string(entry(Op::Less).symbol); }
    std::string word() const override { return gbkWord(entry(Op::Less).word); }
};

class TcxFilterLessEqualOperator : public TcxFilterOrderOperator<-1, 0>
{
public:
    std::string symbol() const override { return std::string(entry(Op::LessEqual).symbol); }
    std::string word() const override { return gbkWord(entry(Op::LessEqual).word); }
};

class TcxFilterGreaterOperator : public TcxFilterOrderOperator<1, 1>
{
public:
    std::string symbol() const override { return std::string(entry(Op::Greater).symbol); }
    std::string word() const override { return gbkWord(entry(Op::Greater).word); }
};

class TcxFilterGreaterEqualOperator : public TcxFilterOrderOperator<0, 1>
{
public:
    std::string symbol() const override { return std::string(entry(Op::GreaterEqual).symbol); }
    std::string word() const override { return gbkWord(entry(Op::GreaterEqual).word); }
};

enum class TPatternShape { Plain, StartsWith, EndsWith, Contains };

class TcxFilterLikeOperator : public TcxFilterOperator
{
public:
    std::string symbol() const override { return std::string(entry(Op::Like).symbol); }
    std::string word() const override
    {
        return gbkWord(filteroperators::LikeShapeWords[static_cast<std::size_t>(m_shape)]);
    }

    std::string describedValue(std::string_view displayText) const override
    {
        const char percent = m_context.percentWildcard;
        const bool atStart =
            m_shape == TPatternShape::EndsWith || m_shape == TPatternShape::Contains;
        const bool atEnd =
            m_shape == TPatternShape::StartsWith || m_shape == TPatternShape::Contains;
        if (atStart && !displayText.empty() && displayText.front() == percent)
            displayText.remove_prefix(1);
        if (atEnd && !displayText.empty() && displayText.back() == percent)
            displayText.remove_suffix(1);
        return std::string(displayText);
    }

    void prepare(const TVariant &preparedValue, const TcxFilterOperatorContext &context) override
    {
        TcxFilterOperator::prepare(preparedValue, context);
        m_pattern.reset();
        try {
            m_pattern.emplace(variantToText(preparedValue), context.percentWildcard,
                              context.underscoreWildcard);
            m_shape = shapeOf(variantToText(preparedValue), context.percentWildcard);
        } catch (const EVariantError &) {
            m_shape = TPatternShape::Plain; // the test itself reports the failed conversion
        }
    }

    bool matches(std::optional<std::string_view> value) const override
    {
        if (!m_pattern) variantToText(*m_value); // throws
        return m_pattern->matches(value ? *value : std::string_view());
    }

protected:
    static TPatternShape shapeOf(std::string pattern, char percent)
    {
        const std::string doubled(2, percent);
        for (std::size_t at; (at = pattern.find(doubled)) != std::string::npos;)
            pattern.erase(at, 1);
        if (pattern.size() < 2) return TPatternShape::Plain;
        const bool leading = pattern.front() == percent;
        const bool trailing = pattern.back() == percent;
        if (leading && trailing) return TPatternShape::Contains;
        if (leading) return TPatternShape::EndsWith;
        if (trailing) return TPatternShape::StartsWith;
        return TPatternShape::Plain;
    }

    std::optional<TLikeMatcher> m_pattern;
    TPatternShape m_shape = TPatternShape::Plain;
};

class TcxFilterNotLikeOperator : public TcxFilterLikeOperator
{
public:
    std::string symbol() const override { return std::string(entry(Op::NotLike).symbol); }
    std::string word() const override
    {
        return gbkWord(filteroperators::NotLikeShapeWords[static_cast<std::size_t>(m_shape)]);
    }
    bool matches(std::optional<std::string_view> value) const override
    {
        return !TcxFilterLikeOperator::matches(value);
    }
};

const std::vector<TVariant> &elementsOf(const TVariant &value, std::size_t atLeast)
{
    if (!value.isArray() || value.elements().size() < atLeast)
        throw EVariantError("Invalid variant operation");
    return value.elements();
}

class TcxFilterBetweenOperator : public TcxFilterOperator
{
public:
    std::string symbol() const override { return std::string(entry(Op::Between).symbol); }
    std::string word() const override { return gbkWord(entry(Op::Between).word); }
    bool alwaysNamedByWord() const override { return true; }
    bool matches(std::optional<std::string_view> value) const override
    {
        const std::vector<TVariant> &ends = elementsOf(*m_value, 2);
        const TVariantRef v(value);
        return compareVariants(ends[0], v) <= 0 && compareVariants(v, ends[1]) <= 0;
    }
};

class TcxFilterNotBetweenOperator : public TcxFilterBetweenOperator
{
public:
    std::string symbol() const override { return std::string(entry(Op::NotBetween).symbol); }
    std::string word() const override { return gbkWord(entry(Op::NotBetween).word); }
    bool matches(std::optional<std::string_view> value) const override
    {
        return !TcxFilterBetweenOperator::matches(value);
    }
};

class TcxFilterInListOperator : public TcxFilterOperator
{
public:
    std::string symbol() const override { return std::string(entry(Op::InList).symbol); }
    std::string word() const override { return gbkWord(entry(Op::InList).word); }
    bool alwaysNamedByWord() const override { return true; }
    bool matches(std::optional<std::string_view> value) const override
    {
        const TVariantRef v(value);
        for (const TVariant &element : elementsOf(*m_value, 1))
            if (variantsEqual(v, element)) return true;
        return false;
    }
};

class TcxFilterNotInListOperator : public TcxFilterInListOperator
{
public:
    std::string symbol() const override { return std::string(entry(Op::NotInList).symbol); }
    std::string word() const override { return gbkWord(entry(Op::NotInList).word); }
    bool matches(std::optional<std::string_view> value) const override
    {
        return !TcxFilterInListOperator::matches(value);
    }
};

class TcxFilterNullOperator : public TcxFilterOperator
{
public:
    std::string symbol() const override { return std::string(entry(Op::Null).symbol); }
    std::string word() const override { return gbkWord(entry(Op::Null).word); }
    bool isNullTest() const override { return true; }
    std::string describedValue(std::string_view) const override { return {}; }
    bool matches(std::optional<std::string_view> value) const override
    {
        return isNullValue(value);
    }
};

class TcxFilterNotNullOperator : public TcxFilterNullOperator
{
public:
    std::string symbol() const override { return std::string(entry(Op::NotNull).symbol); }
    std::string word() const override { return gbkWord(entry(Op::NotNull).word); }
    bool matches(std::optional<std::string_view> value) const override
    {
        return !isNullValue(value);
    }
};

// The twelve date kinds: a day range [start, end) worked out from today's date.
class TcxFilterDateOperator : public TcxFilterOperator
{
public:
    explicit TcxFilterDateOperator(TKind kind) : m_kind(kind) {}
    std::string symbol() const override { return gbkWord(kindEntry(m_kind).symbol); }
    std::string word() const override { return gbkWord(kindEntry(m_kind).word); }
    bool isDateTest() const override { return true; }

    void setToday(std::chrono::sys_days today, std::chrono::weekday firstDayOfWeek) override
    {
        using namespace std::chrono;
        const year_month_day date{today};
        const sys_days weekStart = today - (weekday(today) - firstDayOfWeek);
        const year_month thisMonth = date.year() / date.month();
        auto monthStart = [](year_month month) { return sys_days(month / 1); };
        auto yearStart = [](year y) { return sys_days(y / January / 1); };
        sys_days start = today, end = today + days(1);
        switch (m_kind) {
        case TKind::Yesterday: start = today - days(1), end = today; break;
        case TKind::Today: break;
        case TKind::Tomorrow: start = today + days(1), end = today + days(2); break;
        case TKind::LastWeek: start = weekStart - days(7), end = weekStart; break;
        case TKind::ThisWeek: start = weekStart, end = weekStart + days(7); break;
        case TKind::NextWeek: start = weekStart + days(7), end = weekStart + days(14); break;
        case TKind::LastMonth:
            start = monthStart(thisMonth - months(1)), end = monthStart(thisMonth);
            break;
        case TKind::ThisMonth:
            start = monthStart(thisMonth), end = monthStart(thisMonth + months(1));
            break;
        case TKind::NextMonth:
            start = monthStart(thisMonth + months(1)), end = monthStart(thisMonth + months(2));
            break;
        case TKind::LastYear:
            start = yearStart(date.year() - years(1)), end = yearStart(date.year());
            break;
        case TKind::ThisYear:
            start = yearStart(date.year()), end = yearStart(date.year() + years(1));
            break;
        case TKind::NextYear:
            start = yearStart(date.year() + years(1)), end = yearStart(date.year() + years(2));
            break;
        default: break;
        }
        m_start = serial(start);
        m_end = serial(end);
    }

    bool matches(std::optional<std::string_view> value) const override
    {
        if (isNullValue(value)) return false;
        const double date = variantToDate(TVariantRef(value));
        return date >= m_start && date < m_end;
    }

private:
    static double serial(std::chrono::sys_days day)
    {
        return day.time_since_epoch().count() + UnixEpochDaySerial;
    }

    TKind m_kind;
    double m_start = 0;
    double m_end = 0;
};

} // namespace

std::unique_ptr<TcxFilterOperator> TcxFilterOperator::create(TcxFilterOperatorKind kind,
                                                             const TVariant &value, bool softNull)
{
    const bool nullValue = value.isNull() || (softNull && value.isText() && value.asText().empty());
    switch (kind) {
    case TKind::Equal:
        if (nullValue) return std::make_unique<TcxFilterNullOperator>();
        return std::make_unique<TcxFilterEqualOperator>();
    case TKind::NotEqual:
        if (nullValue) return std::make_unique<TcxFilterNotNullOperator>();
        return std::make_unique<TcxFilterNotEqualOperator>();
    case TKind::Less: return std::make_unique<TcxFilterLessOperator>();
    case TKind::LessEqual: return std::make_unique<TcxFilterLessEqualOperator>();
    case TKind::Greater: return std::make_unique<TcxFilterGreaterOperator>();
    case TKind::GreaterEqual: return std::make_unique<TcxFilterGreaterEqualOperator>();
    case TKind::Like:
        if (nullValue) return std::make_unique<TcxFilterNullOperator>();
        return std::make_unique<TcxFilterLikeOperator>();
    case TKind::NotLike:
        if (nullValue) return std::make_unique<TcxFilterNotNullOperator>();
        return std::make_unique<TcxFilterNotLikeOperator>();
    case TKind::Between: return std::make_unique<TcxFilterBetweenOperator>();
    case TKind::NotBetween: return std::make_unique<TcxFilterNotBetweenOperator>();
    case TKind::InList: return std::make_unique<TcxFilterInListOperator>();
    case TKind::NotInList: return std::make_unique<TcxFilterNotInListOperator>();
    default: break;
    }
    assert(kindEntry(kind).date);
    if (!kindEntry(kind).date) return std::make_unique<TcxFilterEqualOperator>();
    return std::make_unique<TcxFilterDateOperator>(kind);
}
