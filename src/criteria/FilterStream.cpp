#include "criteria/FilterStream.h"

#include "criteria/cxFilterCriteria.h"
#include "platform/RegularFile.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

namespace {

enum TValueTag : std::uint8_t {
    TagNull = 0,
    TagArray = 1,
    TagInt8 = 2,
    TagInt16 = 3,
    TagInt32 = 4,
    TagExtended = 5,
    TagShortText = 6,
    TagFalse = 8,
    TagTrue = 9,
    TagLongText = 12,
    TagUnassigned = 13,
    TagSingle = 15,
    TagCurrency = 16,
    TagDate = 17,
    TagWideText = 18,
};

// The 80-bit extended format: sign, 15-bit exponent biased by 16383, 64-bit significand with
// an explicit integer bit.
void toExtended(double value, unsigned char out[10])
{
    std::uint64_t bits;
    std::memcpy(&bits, &value, 8);
    const std::uint16_t sign = (bits >> 63) ? 0x8000 : 0;
    const int exponent = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction = bits & 0xFFFFFFFFFFFFFull;
    std::uint64_t significand = 0;
    std::uint16_t top = sign;
    if (exponent == 0x7FF) {
        top |= 0x7FFF;
        significand = (1ull << 63) | (fraction << 11);
        if (fraction != 0) significand |= 1ull << 62; // a quiet NaN stays quiet
    } else if (exponent != 0) {
        top |= static_cast<std::uint16_t>(exponent - 1023 + 16383);
        significand = (1ull << 63) | (fraction << 11);
    } else if (fraction != 0) {
        // A subnormal double is an ordinary number in the wider format.
        int highest = 63;
        while (!((fraction >> highest) & 1))
            --highest;
        top |= static_cast<std::uint16_t>(highest - 1074 + 16383);
        significand = fraction << (63 - highest);
    }
    for (int i = 0; i < 8; ++i)
        out[i] = static_cast<unsigned char>(significand >> (8 * i));
    out[8] = static_cast<unsigned char>(top);
    out[9] = static_cast<unsigned char>(top >> 8);
}

double fromExtended(const unsigned char in[10])
{
    std::uint64_t significand = 0;
    for (int i = 0; i < 8; ++i)
        significand |= std::uint64_t(in[i]) << (8 * i);
    const std::uint16_t top = static_cast<std::uint16_t>(in[8] | (in[9] << 8));
    const bool negative = top & 0x8000;
    const int exponent = top & 0x7FFF;
    double value;
    if (exponent == 0x7FFF) {
        value = (significand << 1) == 0 ? std::numeric_limits<double>::infinity()
                                        : std::numeric_limits<double>::quiet_NaN();
    } else {
        value = std::ldexp(static_cast<double>(significand),
                           (exponent == 0 ? 1 : exponent) - 16383 - 63);
    }
    return negative ? -value : value;
}

class TReader
{
public:
    explicit TReader(std::string_view bytes) : m_bytes(bytes) {}

    [[noreturn]] static void fail() { throw EReadError(); }

    std::size_t remaining() const { return m_bytes.size() - m_position; }

    const unsigned char *take(std::size_t count)
    {
        if (remaining() < count) fail();
        const auto *at = reinterpret_cast<const unsigned char *>(m_bytes.data()) + m_position;
        m_position += count;
        return at;
    }

    std::uint8_t byte() { return *take(1); }

    std::uint64_t unsignedOf(std::size_t size)
    {
        const unsigned char *at = take(size);
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < size; ++i)
            value |= std::uint64_t(at[i]) << (8 * i);
        return value;
    }

    std::int32_t int32() { return static_cast<std::int32_t>(unsignedOf(4)); }

    // A length or count that must fit what is left, each item taking `itemSize` bytes.
    std::size_t length(std::int64_t claimed, std::size_t itemSize)
    {
        if (claimed < 0 || static_cast<std::uint64_t>(claimed) > remaining() / itemSize) fail();
        return static_cast<std::size_t>(claimed);
    }

    std::string text(std::size_t size)
    {
        const unsigned char *at = take(size);
        return std::string(reinterpret_cast<const char *>(at), size);
    }

private:
    std::string_view m_bytes;
    std::size_t m_position = 0;
};

class TStreamReader
{
public:
    TStreamReader(TcxFilterCriteria &criteria, std::string_view bytes)
        : m_criteria(criteria), m_reader(bytes)
    {}

    void read()
    {
        const std::int32_t first = m_reader.int32();
        std::int32_t count = first;
        if (first == -1) {
            m_criteria.root().setBoolOperator(boolOperator());
            count = m_reader.int32();
        }
        readChildren(&m_criteria.root(), count, 0);
    }

private:
    TcxFilterBoolOperatorKind boolOperator()
    {
        const std::uint8_t value = m_reader.byte();
        if (value > 3) TReader::fail();
        return static_cast<TcxFilterBoolOperatorKind>(value);
    }

    // The count is not trusted: nothing is reserved for it, so a short stream runs out of
    // bytes long before it could claim much memory.
    void readChildren(TcxFilterCriteriaItemList *group, std::int32_t count, int depth)
    {
        if (count < 0) TReader::fail();
        for (std::int32_t i = 0; i < count; ++i)
            readNode(group, depth);
    }

    void readNode(TcxFilterCriteriaItemList *group, int depth)
    {
        const std::uint8_t isGroup = m_reader.byte();
        if (isGroup > 1) TReader::fail();
        if (isGroup) {
            const TcxFilterBoolOperatorKind op = boolOperator();
            if (depth + 1 > cxFilterStreamMaxDepth) TReader::fail();
            TcxFilterCriteriaItemList *child = m_criteria.addGroup(group, op);
            readChildren(child, m_reader.int32(), depth + 1);
            return;
        }
        const std::uint8_t kind = m_reader.byte();
        if (kind >= cxFilterOperatorKindCount) TReader::fail();
        std::string displayText = m_reader.text(m_reader.length(m_reader.int32(), 1));
        const std::int32_t id = m_reader.int32();
        TVariant value = readValue(0);
        m_criteria.addCondition(group, m_criteria.itemById(id),
                                static_cast<TcxFilterOperatorKind>(kind), std::move(value),
                                std::move(displayText));
    }

    std::int32_t readInteger(std::uint8_t tag)
    {
        switch (tag) {
        case TagInt8: return static_cast<std::int8_t>(m_reader.byte());
        case TagInt16: return static_cast<std::int16_t>(m_reader.unsignedOf(2));
        case TagInt32: return m_reader.int32();
        default: TReader::fail();
        }
    }

    TVariant readValue(int depth)
    {
        const std::uint8_t tag = m_reader.byte();
        switch (tag) {
        case TagNull: return TVariant();
        case TagArray: {
            if (depth + 1 > cxFilterStreamMaxDepth) TReader::fail();
            const std::size_t count = m_reader.length(readInteger(m_reader.byte()), 1);
            std::vector<TVariant> elements;
            for (std::size_t i = 0; i < count; ++i)
                elements.push_back(readValue(depth + 1));
            return TVariant::array(std::move(elements));
        }
        case TagInt8:
        case TagInt16:
        case TagInt32: return TVariant::integer(readInteger(tag));
        case TagExtended: return TVariant::real(fromExtended(m_reader.take(10)));
        case TagShortText: return TVariant(m_reader.text(m_reader.byte()));
        case TagFalse: return TVariant::boolean(false);
        case TagTrue: return TVariant::boolean(true);
        case TagLongText: return TVariant(m_reader.text(m_reader.length(m_reader.int32(), 1)));
        case TagUnassigned: return TVariant::unassigned();
        case TagSingle: {
            const std::uint32_t bits = static_cast<std::uint32_t>(m_reader.unsignedOf(4));
            float value;
            std::memcpy(&value, &bits, 4);
            return TVariant::single(value);
        }
        case TagCurrency:
            return TVariant::currency(static_cast<std::int64_t>(m_reader.unsignedOf(8)));
        case TagDate: {
            const std::uint64_t bits = m_reader.unsignedOf(8);
            double value;
            std::memcpy(&value, &bits, 8);
            return TVariant::date(value);
        }
        case TagWideText: {
            const std::size_t units = m_reader.length(m_reader.int32(), 2);
            std::u16string text(units, u'\0');
            for (std::size_t i = 0; i < units; ++i)
                text[i] = static_cast<char16_t>(m_reader.unsignedOf(2));
            return TVariant::wideText(std::move(text));
        }
        default: TReader::fail();
        }
    }

    TcxFilterCriteria &m_criteria;
    TReader m_reader;
};

class TStreamWriter
{
public:
    explicit TStreamWriter(const TcxFilterCriteria &criteria) : m_criteria(criteria) {}

    std::string write()
    {
        const TcxFilterCriteriaItemList &root = m_criteria.root();
        int32(-1);
        byte(static_cast<std::uint8_t>(root.boolOperator()));
        writeChildren(root, 0);
        return std::move(m_bytes);
    }

private:
    void byte(std::uint8_t value) { m_bytes += static_cast<char>(value); }

    void unsignedOf(std::uint64_t value, std::size_t size)
    {
        for (std::size_t i = 0; i < size; ++i)
            byte(static_cast<std::uint8_t>(value >> (8 * i)));
    }

    void int32(std::int32_t value) { unsignedOf(static_cast<std::uint32_t>(value), 4); }

    std::int32_t length(std::size_t size)
    {
        if (size > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
            throw EWriteError();
        return static_cast<std::int32_t>(size);
    }

    void writeChildren(const TcxFilterCriteriaItemList &group, int depth)
    {
        int32(group.count());
        for (int i = 0; i < group.count(); ++i)
            writeNode(*group.item(i), depth);
    }

    // Nothing is written that the reader would refuse, nesting included.
    void writeNode(const TcxCustomFilterCriteriaItem &node, int depth)
    {
        if (node.isGroup()) {
            if (depth + 1 > cxFilterStreamMaxDepth) throw EWriteError();
            const auto &group = static_cast<const TcxFilterCriteriaItemList &>(node);
            byte(1);
            byte(static_cast<std::uint8_t>(group.boolOperator()));
            writeChildren(group, depth + 1);
            return;
        }
        const auto &condition = static_cast<const TcxFilterCriteriaItem &>(node);
        byte(0);
        byte(static_cast<std::uint8_t>(condition.operatorKind()));
        int32(length(condition.displayText().size()));
        m_bytes += condition.displayText();
        int32(condition.column() < 0 ? -1 : m_criteria.itemId(condition.column()));
        writeValue(condition.value(), 0);
    }

    void writeInteger(std::int32_t value)
    {
        if (value >= -128 && value <= 127) {
            byte(TagInt8);
            unsignedOf(static_cast<std::uint8_t>(value), 1);
        } else if (value >= -32768 && value <= 32767) {
            byte(TagInt16);
            unsignedOf(static_cast<std::uint16_t>(value), 2);
        } else {
            byte(TagInt32);
            int32(value);
        }
    }

    void writeValue(const TVariant &value, int depth)
    {
        using TType = TVariant::TType;
        switch (value.type()) {
        case TType::Null: byte(TagNull); return;
        case TType::Unassigned: byte(TagUnassigned); return;
        case TType::Boolean: byte(value.asBoolean() ? TagTrue : TagFalse); return;
        case TType::Integer: writeInteger(value.asInteger()); return;
        case TType::Single: {
            const float single = value.asSingle();
            std::uint32_t bits;
            std::memcpy(&bits, &single, 4);
            byte(TagSingle);
            unsignedOf(bits, 4);
            return;
        }
        case TType::Double: {
            unsigned char extended[10];
            toExtended(value.asDouble(), extended);
            byte(TagExtended);
            m_bytes.append(reinterpret_cast<const char *>(extended), 10);
            return;
        }
        case TType::Currency:
            byte(TagCurrency);
            unsignedOf(static_cast<std::uint64_t>(value.asCurrency()), 8);
            return;
        case TType::Date: {
            const double date = value.asDouble();
            std::uint64_t bits;
            std::memcpy(&bits, &date, 8);
            byte(TagDate);
            unsignedOf(bits, 8);
            return;
        }
        case TType::Text: {
            const std::string &text = value.asText();
            if (text.size() <= 255) {
                byte(TagShortText);
                byte(static_cast<std::uint8_t>(text.size()));
            } else {
                byte(TagLongText);
                int32(length(text.size()));
            }
            m_bytes += text;
            return;
        }
        case TType::WideText: {
            const std::u16string &text = value.asWideText();
            byte(TagWideText);
            int32(length(text.size()));
            for (const char16_t unit : text)
                unsignedOf(unit, 2);
            return;
        }
        case TType::Array:
            if (depth + 1 > cxFilterStreamMaxDepth) throw EWriteError();
            byte(TagArray);
            writeInteger(length(value.elements().size()));
            for (const TVariant &element : value.elements())
                writeValue(element, depth + 1);
            return;
        }
        throw EWriteError();
    }

    const TcxFilterCriteria &m_criteria;
    std::string m_bytes;
};

} // namespace

std::string readFilterFile(const std::string &path)
{
    TFileFailure failure;
    std::optional<std::string> bytes = readRegularFile(path, cxFilterFileMaxSize, failure);
    if (bytes) return std::move(*bytes);
    switch (failure.kind) {
    case TFileFailure::NotRegular:
        throw Exception("过滤条件文件不能打开（不是普通文件）：" + path);
    case TFileFailure::TooLarge:
        throw Exception("过滤条件文件不能打开（大于 " +
                        std::to_string(cxFilterFileMaxSize >> 20) + " MB）：" + path);
    default: throw Exception(failure.describe() + ": " + path);
    }
}

void readFilterStream(TcxFilterCriteria &criteria, std::string_view bytes)
{
    TStreamReader(criteria, bytes).read();
}

std::string writeFilterStream(const TcxFilterCriteria &criteria)
{
    return TStreamWriter(criteria).write();
}
