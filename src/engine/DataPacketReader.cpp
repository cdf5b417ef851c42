#include "engine/DataPacket.h"

#include "platform/Codec.h"

#include <pugixml.hpp>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <limits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace {

// The parser's tree lives only while one packet is read, and for a large packet it takes as
// much memory as the packet itself. Its blocks are cut in order from large chunks on huge
// pages, which are given back all at once when the packet has been read: no fresh small
// page is touched one by one, and nothing is freed block by block.
class TTreeArena
{
public:
    TTreeArena() : m_outer(s_current) { s_current = this; }
    ~TTreeArena()
    {
        s_current = m_outer;
        for (const auto &[memory, size] : m_chunks)
            releaseLarge(memory, size);
    }
    TTreeArena(const TTreeArena &) = delete;
    TTreeArena &operator=(const TTreeArena &) = delete;

    // The parser's allocation functions. Blocks made while no arena is open (by some other
    // user of the parser) come from the ordinary heap; a tag in front tells them apart.
    static void *allocate(std::size_t size)
    {
        if (size > std::numeric_limits<std::size_t>::max() - Header) return nullptr;
        char *block = nullptr;
        if (s_current) {
            try {
                block = s_current->take(size + Header);
            } catch (const std::bad_alloc &) {
                return nullptr; // the parser reports "out of memory" itself
            }
        } else {
            block = static_cast<char *>(std::malloc(size + Header));
            if (!block) return nullptr;
        }
        block[0] = s_current ? FromArena : FromHeap;
        return block + Header;
    }
    static void deallocate(void *memory)
    {
        if (!memory) return;
        char *block = static_cast<char *>(memory) - Header;
        if (block[0] == FromHeap) std::free(block);
    }

private:
    static constexpr std::size_t Header = alignof(std::max_align_t);
    static constexpr std::size_t LargestChunk = std::size_t(8) << 20;
    static constexpr char FromHeap = 0;
    static constexpr char FromArena = 1;

    char *take(std::size_t size)
    {
        size = (size + Header - 1) / Header * Header;
        if (size > m_left) {
            // Each chunk twice the last: a small packet takes little, a large one soon gets
            // chunks of whole huge pages.
            m_nextChunk = std::min(m_nextChunk * 2, LargestChunk);
            const std::size_t chunk = std::max(size, m_nextChunk);
            m_chunks.reserve(m_chunks.size() + 1);
            m_free = static_cast<char *>(allocateLarge(chunk));
            m_chunks.emplace_back(m_free, chunk);
            m_left = chunk;
        }
        char *block = m_free;
        m_free += size;
        m_left -= size;
        return block;
    }

    static inline thread_local TTreeArena *s_current = nullptr;
    TTreeArena *m_outer;
    std::vector<std::pair<char *, std::size_t>> m_chunks;
    char *m_free = nullptr;
    std::size_t m_left = 0;
    std::size_t m_nextChunk = std::size_t(32) << 10; // half the first chunk's size
};

// In place before any tree can exist, so that every block goes back to where it came from.
const bool s_treeMemoryInstalled =
    (pugi::set_memory_management_functions(TTreeArena::allocate, TTreeArena::deallocate), true);

constexpr std::string_view PacketFormat = "tervana-data";
constexpr std::string_view PacketVersion = "1";

// Lines are counted on the bytes as they came in: the parser writes terminators into the
// buffer, and some of them land where a line break was.
class TLineIndex
{
public:
    explicit TLineIndex(std::string_view bytes)
    {
        const char *begin = bytes.data();
        const char *end = begin + bytes.size();
        for (const char *p = begin; p < end; ++p) {
            p = static_cast<const char *>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            if (!p) break;
            m_newlines.push_back(static_cast<std::size_t>(p - begin));
        }
    }

    std::size_t lineOf(std::size_t offset) const
    {
        auto before = std::lower_bound(m_newlines.begin(), m_newlines.end(), offset);
        return 1 + static_cast<std::size_t>(before - m_newlines.begin());
    }

private:
    std::vector<std::size_t> m_newlines;
};

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string quoted(std::string_view text)
{
    // Names in messages are shown as far as they are printable; a message stays one line.
    std::string result = "'";
    for (char c : text.substr(0, 64))
        result += (static_cast<unsigned char>(c) < 0x20) ? '?' : c;
    if (text.size() > 64) result += "...";
    result += '\'';
    return result;
}

bool isXmlChar(std::uint32_t c)
{
    if (c < 0x20) return c == 0x09 || c == 0x0A || c == 0x0D;
    if (c >= 0xD800 && c <= 0xDFFF) return false;
    if (c == 0xFFFE || c == 0xFFFF) return false;
    return c <= 0x10FFFF;
}

// Names and type names are written as text with no hex form to fall back on.
bool isPlainText(std::string_view text)
{
    for (unsigned char c : text)
        if (c < 0x20) return false;
    return gbk::isValid(text);
}

class TReader
{
public:
    TReader(TByteBuffer &bytes, const TLineIndex &lines) : m_bytes(bytes), m_lines(lines) {}

    [[noreturn]] void fail(std::size_t offset, const std::string &what) const
    {
        offset = std::min(offset, m_bytes.size());
        throw EDSEngineError("Data packet error at line " + std::to_string(m_lines.lineOf(offset)) +
                             ", byte offset " + std::to_string(offset) + ": " + what);
    }

    std::size_t offsetOf(const char *p) const
    {
        const char *base = m_bytes.data();
        if (p < base || p > base + m_bytes.size()) return 0;
        return static_cast<std::size_t>(p - base);
    }

    std::size_t offsetOf(const pugi::xml_node &node) const
    {
        if (node.type() == pugi::node_element) {
            std::size_t offset = offsetOf(node.name());
            return offset > 0 ? offset - 1 : 0; // the '<' before the name
        }
        return offsetOf(node.value());
    }

    std::size_t offsetOf(const pugi::xml_attribute &attribute) const
    {
        return offsetOf(attribute.name());
    }

    // Decodes a text value in place (the parser left its escapes alone) and returns its length.
    // XML's own rules apply, so that every XML tool reads the same text: literal TAB, LF and
    // CR become spaces, a line break CR LF one space; the writer escapes them instead.
    std::size_t decodeText(char *value) const
    {
        static const char Special[] = "&<\t\n\r";
        std::size_t plain = std::strcspn(value, Special);
        if (value[plain] == '\0') return plain;
        char *out = value + plain;
        const char *in = value + plain;
        for (;;) {
            std::size_t run = std::strcspn(in, Special);
            if (out != in) std::memmove(out, in, run);
            out += run;
            in += run;
            const char c = *in;
            if (c == '\0') break;
            if (c == '<') fail(offsetOf(in), "'<' must be written as &lt; in an attribute value");
            if (c == '&') {
                in = decodeReference(in, out);
                continue;
            }
            *out++ = ' ';
            ++in;
            if (c == '\r' && *in == '\n') ++in;
        }
        return static_cast<std::size_t>(out - value);
    }

    // Decodes the hex form of a value in place and returns its length.
    std::size_t decodeHex(char *value) const
    {
        const char *in = value;
        char *out = value;
        while (in[0] != '\0') {
            if (in[1] == '\0') fail(offsetOf(in), "hex value has an odd number of digits");
            int high = hexDigit(in[0]);
            int low = hexDigit(in[1]);
            if (high < 0 || low < 0)
                fail(offsetOf(high < 0 ? in : in + 1), "invalid hex digit in hex value");
            if (high == 0 && low == 0) fail(offsetOf(in), "a value must not contain a zero byte");
            *out++ = static_cast<char>(high * 16 + low);
            in += 2;
        }
        return static_cast<std::size_t>(out - value);
    }

    std::string textOf(const pugi::xml_attribute &attribute) const
    {
        char *value = const_cast<char *>(attribute.value());
        if (offsetOf(value) == 0) return {}; // the parser's shared empty string
        return std::string(value, decodeText(value));
    }

private:
    // `in` points at '&'; writes the character and returns the position after the ';'.
    const char *decodeReference(const char *in, char *&out) const
    {
        const std::size_t at = offsetOf(in);
        const char *semicolon = nullptr;
        for (const char *p = in + 1; p < in + 12 && *p; ++p) {
            if (*p == ';') {
                semicolon = p;
                break;
            }
        }
        if (!semicolon) fail(at, "'&' must start a reference such as &amp; ending in ';'");
        std::string_view name(in + 1, static_cast<std::size_t>(semicolon - in - 1));
        const char *after = semicolon + 1;
        if (name == "amp")
            *out++ = '&';
        else if (name == "lt")
            *out++ = '<';
        else if (name == "gt")
            *out++ = '>';
        else if (name == "quot")
            *out++ = '"';
        else if (name == "apos")
            *out++ = '\'';
        else if (name.size() >= 2 && name[0] == '#') {
            const bool hex = name[1] == 'x';
            std::string_view digits = name.substr(hex ? 2 : 1);
            if (digits.empty()) fail(at, "empty character reference");
            std::uint32_t codePoint = 0;
            for (char d : digits) {
                int digit = hex ? hexDigit(d) : (d >= '0' && d <= '9' ? d - '0' : -1);
                if (digit < 0) fail(at, "invalid character reference &" + std::string(name) + ";");
                codePoint = codePoint * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
                if (codePoint > 0x10FFFF) break;
            }
            if (codePoint == 0) fail(at, "a value must not contain a zero byte (&#0;)");
            if (!isXmlChar(codePoint))
                fail(at, "character reference &" + std::string(name) +
                             "; names a character that XML does not allow (hex values carry "
                             "such bytes)");
            if (codePoint < 0x80) {
                *out++ = static_cast<char>(codePoint);
            } else {
                // A reference means a character, not a byte: store its GBK bytes.
                std::string utf8;
                utf8::append(utf8, codePoint);
                std::optional<std::string> bytes = gbk::fromUtf8(utf8);
                if (!bytes || bytes->empty() ||
                    bytes->size() > static_cast<std::size_t>(after - in))
                    fail(at, "character reference &" + std::string(name) +
                                 "; names a character that GBK cannot represent");
                std::memcpy(out, bytes->data(), bytes->size());
                out += bytes->size();
            }
        } else {
            fail(at, "unknown entity &" + std::string(name) + ";");
        }
        return after;
    }

    TByteBuffer &m_bytes;
    const TLineIndex &m_lines;
};

class TPacketParser
{
public:
    TPacketParser(TReader &reader, TPacketContent &content) : m_reader(reader), m_content(content)
    {}

    void parseDocument(const pugi::xml_document &document)
    {
        pugi::xml_node root;
        bool declared = false;
        for (pugi::xml_node node : document.children()) {
            switch (node.type()) {
            case pugi::node_declaration:
                checkDeclaration(node);
                declared = true;
                break;
            case pugi::node_doctype:
                m_reader.fail(m_reader.offsetOf(node.value()),
                              "a document type declaration is not allowed");
            case pugi::node_element:
                if (!declared)
                    m_reader.fail(
                        m_reader.offsetOf(node),
                        "missing XML declaration <?xml version=\"1.0\" encoding=\"GBK\"?>");
                if (root)
                    m_reader.fail(m_reader.offsetOf(node),
                                  "a second root element <" + std::string(node.name()) + ">");
                root = node;
                break;
            case pugi::node_pcdata:
            case pugi::node_cdata:
                m_reader.fail(m_reader.offsetOf(node), "text outside the root element");
            default: break;
            }
        }
        if (!root) m_reader.fail(0, "no root element");
        parsePacket(root);
    }

private:
    void checkDeclaration(const pugi::xml_node &declaration)
    {
        pugi::xml_attribute encoding = declaration.attribute("encoding");
        std::string_view value = encoding.value();
        if (!encoding || !gbk::equalIgnoringAsciiCase(value, "gbk"))
            m_reader.fail(m_reader.offsetOf(encoding ? encoding.value() : declaration.name()),
                          "the XML declaration must say encoding=\"GBK\"" +
                              (encoding ? ", not " + quoted(value) : std::string()));
    }

    [[noreturn]] void unexpected(const pugi::xml_node &node, std::string_view parent)
    {
        if (node.type() == pugi::node_element)
            m_reader.fail(m_reader.offsetOf(node), "unexpected element <" +
                                                       std::string(node.name()) + "> in <" +
                                                       std::string(parent) + ">");
        m_reader.fail(m_reader.offsetOf(node), "unexpected text in <" + std::string(parent) + ">");
    }

    // Takes the element's attributes by name; anything else, or a repeated one, is a fault.
    template<std::size_t N>
    std::array<pugi::xml_attribute, N> attributes(const pugi::xml_node &node,
                                                  const std::array<std::string_view, N> &names)
    {
        std::array<pugi::xml_attribute, N> found{};
        for (pugi::xml_attribute attribute : node.attributes()) {
            auto it = std::find(names.begin(), names.end(), std::string_view(attribute.name()));
            if (it == names.end())
                m_reader.fail(m_reader.offsetOf(attribute), "unknown attribute " +
                                                                quoted(attribute.name()) + " in <" +
                                                                node.name() + ">");
            auto &slot = found[static_cast<std::size_t>(it - names.begin())];
            if (slot)
                m_reader.fail(m_reader.offsetOf(attribute), "duplicate attribute " +
                                                                quoted(attribute.name()) + " in <" +
                                                                node.name() + ">");
            slot = attribute;
        }
        return found;
    }

    void parsePacket(const pugi::xml_node &packet)
    {
        if (std::string_view(packet.name()) != "packet")
            m_reader.fail(m_reader.offsetOf(packet), "the root element must be <packet>, not <" +
                                                         std::string(packet.name()) + ">");
        auto [format, version] = attributes<2>(packet, {"format", "version"});
        if (!format || m_reader.textOf(format) != PacketFormat)
            m_reader.fail(m_reader.offsetOf(format ? format.value() : packet.name()),
                          "<packet> must have format=\"tervana-data\"");
        if (!version)
            m_reader.fail(m_reader.offsetOf(packet.name()), "<packet> has no version attribute");
        if (std::string text = m_reader.textOf(version); text != PacketVersion)
            m_reader.fail(m_reader.offsetOf(version.value()),
                          "unsupported packet version " + quoted(text) + " (this program reads 1)");

        pugi::xml_node fields, params, rows;
        for (pugi::xml_node child : packet.children()) {
            if (child.type() != pugi::node_element) unexpected(child, "packet");
            std::string_view name = child.name();
            pugi::xml_node *slot = name == "fields"   ? &fields
                                   : name == "params" ? &params
                                   : name == "rows"   ? &rows
                                                      : nullptr;
            if (!slot) unexpected(child, "packet");
            if (*slot)
                m_reader.fail(m_reader.offsetOf(child), "a second <" + std::string(name) + ">");
            *slot = child;
        }
        if (!fields) m_reader.fail(m_reader.offsetOf(packet), "<packet> has no <fields>");
        parseFields(fields);
        if (params) parseParams(params);
        if (rows) parseRows(rows);
    }

    void parseFields(const pugi::xml_node &fields)
    {
        attributes<0>(fields, {});
        std::unordered_map<std::string, std::uint32_t> seen;
        for (pugi::xml_node field : fields.children()) {
            if (field.type() != pugi::node_element || std::string_view(field.name()) != "field")
                unexpected(field, "fields");
            if (field.first_child()) unexpected(field.first_child(), "field");
            if (m_content.fields.size() >= std::numeric_limits<std::uint32_t>::max() - 1)
                m_reader.fail(m_reader.offsetOf(field), "too many fields");
            auto [name, type, width] = attributes<3>(field, {"name", "type", "width"});
            TFieldDescriptor descriptor;
            descriptor.position = static_cast<std::uint32_t>(m_content.fields.size() + 1);
            const std::string where = "field " + std::to_string(descriptor.position);
            if (!name) m_reader.fail(m_reader.offsetOf(field), where + " has no name");
            descriptor.name = m_reader.textOf(name);
            if (descriptor.name.empty())
                m_reader.fail(m_reader.offsetOf(name), where + " has an empty name");
            if (!type) m_reader.fail(m_reader.offsetOf(field), where + " has no type");
            descriptor.typeName = m_reader.textOf(type);
            if (descriptor.typeName.empty())
                m_reader.fail(m_reader.offsetOf(type), where + " has an empty type");
            if (!isPlainText(descriptor.name))
                m_reader.fail(m_reader.offsetOf(name.value()),
                              where + " has a name that is not plain GBK text");
            if (!isPlainText(descriptor.typeName))
                m_reader.fail(m_reader.offsetOf(type.value()),
                              where + " has a type that is not plain GBK text");
            if (width) descriptor.width = parseWidth(width, where);
            auto [it, inserted] = seen.emplace(gbk::upperAscii(descriptor.name), descriptor.position);
            if (!inserted)
                m_reader.fail(m_reader.offsetOf(name),
                              "duplicate field name " + quoted(descriptor.name) + " (fields " +
                                  std::to_string(it->second) + " and " +
                                  std::to_string(descriptor.position) + ")");
            m_content.fields.push_back(std::move(descriptor));
        }
    }

    std::uint32_t parseWidth(const pugi::xml_attribute &width, const std::string &where)
    {
        std::string text = m_reader.textOf(width);
        std::uint64_t value = 0;
        bool good = !text.empty() && text.size() <= 10 && (text == "0" || text[0] != '0');
        for (char c : text) {
            if (c < '0' || c > '9') good = false;
            value = value * 10 + static_cast<std::uint64_t>(c - '0');
        }
        if (!good || value > std::numeric_limits<std::uint32_t>::max())
            m_reader.fail(m_reader.offsetOf(width.value()),
                          where + " has a bad width " + quoted(text) +
                              " (a whole number from 0 to 4294967295)");
        return static_cast<std::uint32_t>(value);
    }

    void parseParams(const pugi::xml_node &params)
    {
        attributes<0>(params, {});
        std::unordered_map<std::string, bool> seen;
        for (pugi::xml_node param : params.children()) {
            if (param.type() != pugi::node_element || std::string_view(param.name()) != "param")
                unexpected(param, "params");
            if (param.first_child()) unexpected(param.first_child(), "param");
            auto [name, value] = attributes<2>(param, {"name", "value"});
            TPacketParam entry;
            if (!name) m_reader.fail(m_reader.offsetOf(param), "<param> has no name");
            entry.name = m_reader.textOf(name);
            if (entry.name.empty())
                m_reader.fail(m_reader.offsetOf(name), "<param> has an empty name");
            if (!isPlainText(entry.name))
                m_reader.fail(m_reader.offsetOf(name.value()),
                              "<param> has a name that is not plain GBK text");
            if (!value) m_reader.fail(m_reader.offsetOf(param), "<param> has no value");
            std::string text = m_reader.textOf(value);
            if (text != "true" && text != "false")
                m_reader.fail(m_reader.offsetOf(value.value()),
                              "param " + quoted(entry.name) +
                                  " must have value \"true\" or \"false\", not " + quoted(text));
            entry.value = text == "true";
            if (!seen.emplace(gbk::upperAscii(entry.name), true).second)
                m_reader.fail(m_reader.offsetOf(name), "duplicate param " + quoted(entry.name));
            m_content.params.push_back(std::move(entry));
        }
    }

    void parseRows(const pugi::xml_node &rows)
    {
        attributes<0>(rows, {});
        const std::size_t fieldCount = m_content.fields.size();
        // Every value takes a cell, null or not, while an empty row takes seven bytes of the
        // file: without a bound a small hostile file would claim gigabytes and minutes.
        const std::size_t rowLimit = MaxPacketValues / std::max<std::size_t>(fieldCount, 1);
        std::size_t rowCount = 0;
        for (pugi::xml_node row : rows.children()) {
            if (row.type() != pugi::node_element || std::string_view(row.name()) != "row")
                unexpected(row, "rows");
            if (++rowCount > rowLimit)
                m_reader.fail(m_reader.offsetOf(row), "more than " +
                                                          std::to_string(MaxPacketValues) +
                                                          " values (rows times fields)");
        }
        // Record identities are 32-bit; so is every count the cursor reports.
        if (rowCount >= std::numeric_limits<std::uint32_t>::max())
            m_reader.fail(m_reader.offsetOf(rows), "too many rows");
        if (fieldCount > 0 && rowCount > m_content.cells.max_size() / fieldCount)
            m_reader.fail(m_reader.offsetOf(rows), "too many values");
        m_content.rowCount = rowCount;
        m_content.cells.resize(rowCount * fieldCount);

        // The row that last set each field, to find a field given twice in one row.
        std::vector<std::size_t> setBy(fieldCount, 0);
        std::size_t rowNumber = 0;
        for (pugi::xml_node row : rows.children()) {
            ++rowNumber;
            if (row.first_child()) unexpected(row.first_child(), "row");
            TPacketCell *cells = m_content.cells.data() + (rowNumber - 1) * fieldCount;
            for (pugi::xml_attribute attribute : row.attributes()) {
                const char *name = attribute.name();
                std::size_t fieldNo = fieldNumberOf(attribute, fieldCount);
                if (setBy[fieldNo - 1] == rowNumber)
                    m_reader.fail(m_reader.offsetOf(attribute),
                                  "row " + std::to_string(rowNumber) + " gives field " +
                                      std::to_string(fieldNo) + " twice");
                setBy[fieldNo - 1] = rowNumber;
                char *value = const_cast<char *>(attribute.value());
                std::size_t length = 0;
                if (m_reader.offsetOf(value) == 0) {
                    value = const_cast<char *>(""); // the parser's shared empty string
                } else {
                    length =
                        name[0] == 'h' ? m_reader.decodeHex(value) : m_reader.decodeText(value);
                }
                if (length > std::numeric_limits<std::uint32_t>::max())
                    m_reader.fail(m_reader.offsetOf(value), "value too long");
                cells[fieldNo - 1] = TPacketCell{value, static_cast<std::uint32_t>(length)};
            }
        }
    }

    // "cN" or "hN" with N from 1 to the field count, written without leading zeros.
    std::size_t fieldNumberOf(const pugi::xml_attribute &attribute, std::size_t fieldCount)
    {
        const char *name = attribute.name();
        bool good = (name[0] == 'c' || name[0] == 'h') && name[1] >= '1' && name[1] <= '9';
        std::size_t number = 0;
        bool beyond = false;
        for (const char *p = name + 1; good && *p; ++p) {
            if (*p < '0' || *p > '9') {
                good = false;
                break;
            }
            if (!beyond) {
                number = number * 10 + static_cast<std::size_t>(*p - '0');
                beyond = number > fieldCount;
            }
        }
        if (!good)
            m_reader.fail(m_reader.offsetOf(attribute),
                          "unknown attribute " + quoted(name) + " in <row>");
        if (beyond)
            m_reader.fail(m_reader.offsetOf(attribute),
                          "attribute " + quoted(name) + " names a field beyond the " +
                              std::to_string(fieldCount) + " fields of the packet");
        return number;
    }

    TReader &m_reader;
    TPacketContent &m_content;
};

// The offset of the row element after the first `limit` ones, counted on the raw bytes
// (a comment that spells out rows counts too); npos when there are no more than `limit`.
std::size_t rowBeyond(std::string_view bytes, std::size_t limit)
{
    std::size_t count = 0;
    for (std::size_t at = bytes.find("<row"); at != std::string_view::npos;
         at = bytes.find("<row", at + 4)) {
        const char next = at + 4 < bytes.size() ? bytes[at + 4] : '\0';
        if (next != '/' && next != '>' && next != ' ' && next != '\t' && next != '\n' &&
            next != '\r')
            continue; // <rows> or a longer name
        if (++count > limit) return at;
    }
    return std::string_view::npos;
}

} // namespace

TPacketContent readDataPacket(TByteBuffer packet)
{
    TPacketContent content;
    content.buffer = std::move(packet);
    TByteBuffer &bytes = content.buffer;
    // Before the parser builds its tree, which for millions of empty rows would itself take
    // gigabytes: every row holds a value unless the packet has no fields at all. Before the
    // line index too, which would cost as much again.
    const std::size_t beyond = rowBeyond(bytes.view(), MaxPacketValues);
    if (beyond != std::string_view::npos) {
        std::size_t newlines = 0;
        for (const char *p = bytes.data(), *end = p + beyond;
             (p = static_cast<const char *>(std::memchr(p, '\n', std::size_t(end - p)))); ++p)
            ++newlines;
        throw EDSEngineError("Data packet error at line " + std::to_string(newlines + 1) +
                             ", byte offset " + std::to_string(beyond) + ": more than " +
                             std::to_string(MaxPacketValues) + " rows");
    }
    const TLineIndex lines(bytes.view());
    TReader reader(bytes, lines);

    const std::size_t zero = std::strlen(bytes.data());
    if (zero < bytes.size()) reader.fail(zero, "the packet contains a zero byte");

    // The parser leaves escapes and white space alone: the reader decodes values itself, so
    // that a character reference becomes GBK bytes and a zero byte is caught, not truncated.
    // As a fragment, so that text after the root element is kept and can be refused.
    constexpr unsigned Options =
        pugi::parse_declaration | pugi::parse_doctype | pugi::parse_cdata | pugi::parse_fragment;
    const TTreeArena arena; // outlives the document
    pugi::xml_document document;
    pugi::xml_parse_result result =
        document.load_buffer_inplace(bytes.data(), bytes.size(), Options, pugi::encoding_utf8);
    if (!result)
        reader.fail(static_cast<std::size_t>(result.offset),
                    std::string("not well-formed XML: ") + result.description());

    TPacketParser parser(reader, content);
    parser.parseDocument(document);
    return content;
}

bool sameFieldName(std::string_view first, std::string_view second)
{
    return gbk::equalIgnoringAsciiCase(first, second);
}
