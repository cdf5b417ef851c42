#include "tervana-data/Json.h"

#include "platform/Codec.h"

#include <cstdint>

namespace {

// Deep enough for any source we write, shallow enough that the stack never runs out.
constexpr int MaxDepth = 64;

class TJsonParser
{
public:
    explicit TJsonParser(std::string_view text) : m_text(text)
    {
        if (m_text.substr(0, 3) == "\xEF\xBB\xBF") m_position = 3; // a byte order mark
    }

    TJsonValue document()
    {
        TJsonValue value = parseValue(0);
        skipSpace();
        if (m_position < m_text.size()) fail("unexpected text after the JSON value");
        return value;
    }

private:
    [[noreturn]] void fail(const std::string &what) const { failAt(m_position, what); }

    [[noreturn]] void failAt(std::size_t offset, const std::string &what) const
    {
        throw EJsonError(jsonPlace(m_text, offset) + ": " + what);
    }

    void skipSpace()
    {
        while (m_position < m_text.size()) {
            char c = m_text[m_position];
            if (c != ' ' && c != '\t' && c != '\n' && c != '\r') break;
            ++m_position;
        }
    }

    bool atEnd() const { return m_position >= m_text.size(); }
    char peek() const { return atEnd() ? '\0' : m_text[m_position]; }

    TJsonValue parseValue(int depth)
    {
        skipSpace();
        if (atEnd()) fail("unexpected end of the text: a value is missing");
        TJsonValue value;
        value.offset = m_position;
        const char c = peek();
        if (c == '{' || c == '[') {
            if (depth >= MaxDepth) fail("values nested too deeply");
            if (c == '{')
                parseObject(value, depth);
            else
                parseArray(value, depth);
        } else if (c == '"') {
            value.kind = TJsonValue::TKind::String;
            value.text = parseString();
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            value.kind = TJsonValue::TKind::Number;
            value.text = parseNumber();
        } else if (literal("true")) {
            value.kind = TJsonValue::TKind::Boolean;
            value.boolean = true;
        } else if (literal("false")) {
            value.kind = TJsonValue::TKind::Boolean;
        } else if (literal("null")) {
            value.kind = TJsonValue::TKind::Null;
        } else {
            fail("unexpected character where a value should be");
        }
        return value;
    }

    bool literal(std::string_view word)
    {
        if (m_text.substr(m_position, word.size()) != word) return false;
        m_position += word.size();
        return true;
    }

    void parseObject(TJsonValue &value, int depth)
    {
        value.kind = TJsonValue::TKind::Object;
        ++m_position;
        skipSpace();
        if (peek() == '}') {
            ++m_position;
            return;
        }
        for (;;) {
            skipSpace();
            if (peek() != '"') fail("expected a member name in double quotes");
            std::string name = parseString();
            skipSpace();
            if (peek() != ':') fail("expected ':' after the member name");
            ++m_position;
            TJsonValue member = parseValue(depth + 1);
            value.members.emplace_back(std::move(name), std::move(member));
            skipSpace();
            if (peek() == ',') {
                ++m_position;
                continue;
            }
            if (peek() == '}') {
                ++m_position;
                return;
            }
            fail("expected ',' or '}' in the object");
        }
    }

    void parseArray(TJsonValue &value, int depth)
    {
        value.kind = TJsonValue::TKind::Array;
        ++m_position;
        skipSpace();
        if (peek() == ']') {
            ++m_position;
            return;
        }
        for (;;) {
            value.items.push_back(parseValue(depth + 1));
            skipSpace();
            if (peek() == ',') {
                ++m_position;
                continue;
            }
            if (peek() == ']') {
                ++m_position;
                return;
            }
            fail("expected ',' or ']' in the array");
        }
    }

    std::string parseNumber()
    {
        const std::size_t start = m_position;
        auto digits = [&] {
            std::size_t first = m_position;
            while (peek() >= '0' && peek() <= '9')
                ++m_position;
            return m_position > first;
        };
        if (peek() == '-') ++m_position;
        if (peek() == '0') {
            ++m_position;
        } else if (!digits()) {
            fail("a number needs digits");
        }
        if (peek() == '.') {
            ++m_position;
            if (!digits()) fail("a number needs digits after '.'");
        }
        if (peek() == 'e' || peek() == 'E') {
            ++m_position;
            if (peek() == '+' || peek() == '-') ++m_position;
            if (!digits()) fail("a number needs digits in its exponent");
        }
        return std::string(m_text.substr(start, m_position - start));
    }

    unsigned hex4()
    {
        unsigned value = 0;
        for (int i = 0; i < 4; ++i) {
            char c = peek();
            int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
            if (digit < 0) fail("\\u needs four hex digits");
            value = value * 16 + static_cast<unsigned>(digit);
            ++m_position;
        }
        return value;
    }

    // Length of the well-formed UTF-8 sequence at the position, or 0.
    std::size_t utf8Length() const
    {
        auto byte = [&](std::size_t i) {
            return m_position + i < m_text.size()
                       ? static_cast<unsigned char>(m_text[m_position + i])
                       : 0u;
        };
        const unsigned lead = byte(0);
        auto trail = [&](std::size_t i, unsigned low = 0x80, unsigned high = 0xBF) {
            return byte(i) >= low && byte(i) <= high;
        };
        if (lead >= 0xC2 && lead <= 0xDF) return trail(1) ? 2 : 0;
        if (lead == 0xE0) return trail(1, 0xA0) && trail(2) ? 3 : 0;
        if (lead == 0xED) return trail(1, 0x80, 0x9F) && trail(2) ? 3 : 0; // no surrogates
        if (lead >= 0xE1 && lead <= 0xEF) return trail(1) && trail(2) ? 3 : 0;
        if (lead == 0xF0) return trail(1, 0x90) && trail(2) && trail(3) ? 4 : 0;
        if (lead >= 0xF1 && lead <= 0xF3) return trail(1) && trail(2) && trail(3) ? 4 : 0;
        if (lead == 0xF4) return trail(1, 0x80, 0x8F) && trail(2) && trail(3) ? 4 : 0;
        return 0;
    }

    std::string parseString()
    {
        ++m_position; // the opening quote
        std::string out;
        for (;;) {
            if (atEnd()) fail("the string is not closed");
            const auto c = static_cast<unsigned char>(m_text[m_position]);
            if (c == '"') {
                ++m_position;
                return out;
            }
            if (c < 0x20) fail("a control character in a string must be escaped");
            if (c >= 0x80) {
                std::size_t length = utf8Length();
                if (length == 0) fail("invalid UTF-8");
                out.append(m_text.substr(m_position, length));
                m_position += length;
                continue;
            }
            if (c != '\\') {
                out += static_cast<char>(c);
                ++m_position;
                continue;
            }
            const std::size_t escapeAt = m_position;
            ++m_position;
            const char e = peek();
            ++m_position;
            switch (e) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                std::uint32_t code = hex4();
                if (code >= 0xDC00 && code <= 0xDFFF) failAt(escapeAt, "a lone low surrogate");
                if (code >= 0xD800 && code <= 0xDBFF) {
                    if (!literal("\\u")) failAt(escapeAt, "a high surrogate without its low half");
                    std::uint32_t low = hex4();
                    if (low < 0xDC00 || low > 0xDFFF)
                        failAt(escapeAt, "a high surrogate without its low half");
                    code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
                }
                utf8::append(out, code);
                break;
            }
            default: failAt(escapeAt, "unknown escape in a string");
            }
        }
    }

    std::string_view m_text;
    std::size_t m_position = 0;
};

} // namespace

std::string jsonPlace(std::string_view text, std::size_t offset)
{
    std::size_t line = 1, lineStart = 0;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            lineStart = i + 1;
        }
    }
    std::size_t column = 1;
    for (std::size_t i = lineStart; i < offset && i < text.size(); ++i)
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) ++column;
    return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

TJsonValue parseJson(std::string_view text)
{
    return TJsonParser(text).document();
}

void appendJsonString(std::string &out, std::string_view utf8)
{
    static const char Digits[] = "0123456789abcdef";
    out += '"';
    for (char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                out += "\\u00";
                out += Digits[(c >> 4) & 0x0F];
                out += Digits[c & 0x0F];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}
