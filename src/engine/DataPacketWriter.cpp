#include "engine/DataPacket.h"

#include "platform/Codec.h"
#include "platform/IntegrityRecord.h"

#include <algorithm>
#include <endian.h>
#include <cstring>
#include <memory>
#include <unordered_set>
#include <vector>

namespace {

// The same folding as the reader's, so that a packet we write is one we can read.
std::string folded(std::string_view name)
{
    std::string result(name);
    for (std::size_t i = 0; i < result.size(); ++i) {
        auto c = static_cast<unsigned char>(result[i]);
        if (gbk::isLeadByte(c) && i + 1 < result.size()) {
            ++i;
            continue;
        }
        if (c >= 'A' && c <= 'Z') result[i] = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

// Bytes go out unchanged but for the characters that XML gives a meaning, and the line
// breaks and tabs, which XML would turn into spaces in an attribute.
void appendEscaped(std::string &out, std::string_view value)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        std::string_view replacement;
        switch (value[i]) {
        case '&': replacement = "&amp;"; break;
        case '<': replacement = "&lt;"; break;
        case '>': replacement = "&gt;"; break;
        case '"': replacement = "&quot;"; break;
        case '\t': replacement = "&#9;"; break;
        case '\n': replacement = "&#10;"; break;
        case '\r': replacement = "&#13;"; break;
        default: continue;
        }
        out.append(value.substr(start, i - start));
        out.append(replacement);
        start = i + 1;
    }
    out.append(value.substr(start));
}

bool isPlainText(std::string_view text)
{
    for (unsigned char c : text)
        if (c < 0x20) return false;
    return gbk::isValid(text);
}

// How the writer takes each byte of a value in the text form.
enum TByteKind : std::uint8_t {
    Plain,  // itself
    Lead,   // the first of a double-byte character, or a single one of its own
    Escape, // a reference (&amp;, &#10;, ...)
    Binary, // nothing XML can carry: the value goes out in hex
};

// Which bytes and byte pairs the codec takes for GBK characters, asked once: the writer checks
// every byte it writes, and a table is far quicker than converting each value.
struct TGbkTable
{
    TByteKind kind[256];
    bool single[256];      // a byte >= 0x80 that is a character of its own
    bool pair[65536] = {}; // at (trail << 8 | lead): a double-byte character

    TGbkTable()
    {
        for (unsigned c = 0; c < 256; ++c) {
            const char byte = static_cast<char>(c);
            single[c] = c >= 0x80 && gbk::isValid(std::string_view(&byte, 1));
            kind[c] = c >= 0x80 ? Lead : c < 0x20 ? Binary : Plain;
        }
        for (unsigned char c : {'&', '<', '>', '"', '\t', '\n', '\r'})
            kind[c] = Escape;
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                if (gbk::isValid(std::string_view(bytes, 2))) {
                    const unsigned index = (trail << 8) | lead;
                    pair[index] = true;
                }
            }
        }
    }

    bool isPair(unsigned lead, unsigned trail) const { return isPairAt((trail << 8) | lead); }
    // The two bytes at `p` as one little-endian word: the same index, in one load.
    bool isPair(const unsigned char *p) const
    {
        std::uint16_t index;
        std::memcpy(&index, p, sizeof index);
        return isPairAt(std::uint16_t(le16toh(index)));
    }
    bool isPairAt(unsigned index) const { return pair[index]; }
};

const TGbkTable &gbkTable()
{
    static const TGbkTable table;
    return table;
}

std::string_view escapeFor(unsigned char c)
{
    switch (c) {
    case '&': return "&amp;";
    case '<': return "&lt;";
    case '>': return "&gt;";
    case '"': return "&quot;";
    case '\t': return "&#9;";
    case '\n': return "&#10;";
    default: return "&#13;";
    }
}

constexpr std::uint64_t Ones = 0x0101010101010101ull;
constexpr std::uint64_t Highs = 0x8080808080808080ull;

// True when some byte of `word` is zero (for words whose bytes are below 0x80, exactly).
inline bool hasZeroByte(std::uint64_t word)
{
    return ((word - Ones) & ~word & Highs) != 0;
}

// True when the eight bytes at `p` are all characters that go out as they are: ASCII without
// a control character or an escape, or four double-byte characters.
inline bool isPlainWord(const unsigned char *p, const TGbkTable &table)
{
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    const std::uint64_t high = word & Highs;
    if (high == 0) {
        return !hasZeroByte(word & ~(0x1F * Ones)) && // no byte below 0x20
               !hasZeroByte(word ^ ('&' * Ones)) && !hasZeroByte(word ^ ('<' * Ones)) &&
               !hasZeroByte(word ^ ('>' * Ones)) && !hasZeroByte(word ^ ('"' * Ones));
    }
    // Each pair starts at a lead byte, as the word starts on a character.
    return high == Highs &&
           (table.isPair(p) & table.isPair(p + 2) & table.isPair(p + 4) & table.isPair(p + 6));
}

// Writes `value` in the text form at `out`, which has room for six bytes per byte of it.
// Returns the end of what was written, or nullptr when the value needs the hex form.
char *putText(char *out, std::string_view value)
{
    if (value.empty()) return out; // an empty view may point nowhere
    const TGbkTable &table = gbkTable();
    const auto *p = reinterpret_cast<const unsigned char *>(value.data());
    const auto *end = p + value.size();
    const auto *run = p; // the start of the bytes that go out as they are
    while (p < end) {
        // Most of a value is whole words of plain text or of Chinese characters.
        if (end - p >= 8 && isPlainWord(p, table)) {
            p += 8;
            continue;
        }
        // The rest byte by byte, to the end of the word at least.
        auto *stop = std::min(p + 8, end);
        while (p < stop) {
            const unsigned char c = *p;
            switch (table.kind[c]) {
            case Plain: ++p; continue;
            case Lead:
                if (end - p > 1 && table.isPair(c, p[1]))
                    p += 2;
                else if (table.single[c])
                    ++p;
                else
                    return nullptr;
                continue;
            case Escape: {
                std::memcpy(out, run, std::size_t(p - run));
                out += p - run;
                const std::string_view escape = escapeFor(c);
                std::memcpy(out, escape.data(), escape.size());
                out += escape.size();
                run = ++p;
                stop = p; // the next word may be plain again
                continue;
            }
            case Binary: return nullptr;
            }
        }
    }
    std::memcpy(out, run, std::size_t(end - run));
    return out + (end - run);
}

char *putHex(char *out, std::string_view value)
{
    static const char Digits[] = "0123456789abcdef";
    for (unsigned char c : value) {
        *out++ = Digits[c >> 4];
        *out++ = Digits[c & 0x0F];
    }
    return out;
}

// The packet's bytes on their way to the sink: gathered into pieces of a fixed size, each
// added to the seal's checksum while it is still in the cache, then handed on.
class TPacketOut
{
public:
    explicit TPacketOut(const TByteSink &sink)
        : m_sink(sink), m_piece(std::make_unique_for_overwrite<char[]>(PieceSize))
    {}

    void append(std::string_view bytes)
    {
        char *place = reserve(bytes.size());
        std::memcpy(place, bytes.data(), bytes.size());
        m_used += bytes.size();
    }

    // Room for `size` bytes at the end; what is written there counts once commit() says so.
    char *reserve(std::size_t size)
    {
        if (m_used + size > m_size) {
            flush();
            if (size > m_size) {
                m_piece = std::make_unique_for_overwrite<char[]>(size);
                m_size = size;
            }
        }
        return m_piece.get() + m_used;
    }
    void commit(char *end) { m_used = std::size_t(end - m_piece.get()); }

    void finish()
    {
        flush();
        const std::string seal = integrity::sealFor(m_checksum.digest());
        m_sink(seal);
    }

private:
    static constexpr std::size_t PieceSize = std::size_t(1) << 20;

    void flush()
    {
        if (!m_used) return;
        const std::string_view piece(m_piece.get(), m_used);
        m_checksum.update(piece);
        m_sink(piece);
        m_used = 0;
    }

    const TByteSink &m_sink;
    std::unique_ptr<char[]> m_piece; // not filled beforehand: only what is written is touched
    std::size_t m_size = PieceSize;
    std::size_t m_used = 0;
    integrity::TChecksum m_checksum;
};

void checkLists(const std::vector<TFieldDescriptor> &fields,
                const std::vector<TPacketParam> &params)
{
    std::unordered_set<std::string> names;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string where = "Cannot write a data packet: field " + std::to_string(i + 1);
        const TFieldDescriptor &field = fields[i];
        if (field.name.empty()) throw EDSEngineError(where + " has an empty name");
        if (field.typeName.empty()) throw EDSEngineError(where + " has an empty type");
        if (!isPlainText(field.name) || !isPlainText(field.typeName))
            throw EDSEngineError(where + " has a name or type that is not plain GBK text");
        if (!names.insert(folded(field.name)).second)
            throw EDSEngineError(where + " repeats the name of an earlier field");
    }
    names.clear();
    for (const TPacketParam &param : params) {
        if (param.name.empty() || !isPlainText(param.name))
            throw EDSEngineError("Cannot write a data packet: a param has an empty or bad name");
        if (!names.insert(folded(param.name)).second)
            throw EDSEngineError("Cannot write a data packet: param name given twice");
    }
}

} // namespace

bool needsHexForm(std::string_view value)
{
    std::string room(value.size() * 6, '\0');
    return !putText(room.data(), value);
}

void writeDataPacket(const std::vector<TFieldDescriptor> &fields,
                     const std::vector<TPacketParam> &params, std::size_t rowCount,
                     const TPacketValueSource &valueAt, const TByteSink &sink)
{
    checkLists(fields, params);

    std::string head;
    head += "<?xml version=\"1.0\" encoding=\"GBK\"?>\n";
    head += "<packet format=\"tervana-data\" version=\"1\">\n";
    head += "  <fields>\n";
    for (const TFieldDescriptor &field : fields) {
        head += "    <field name=\"";
        appendEscaped(head, field.name);
        head += "\" type=\"";
        appendEscaped(head, field.typeName);
        head += "\" width=\"";
        head += std::to_string(field.width);
        head += "\"/>\n";
    }
    head += "  </fields>\n";
    if (!params.empty()) {
        head += "  <params>\n";
        for (const TPacketParam &param : params) {
            head += "    <param name=\"";
            appendEscaped(head, param.name);
            head += param.value ? "\" value=\"true\"/>\n" : "\" value=\"false\"/>\n";
        }
        head += "  </params>\n";
    }
    head += "  <rows>\n";

    TPacketOut out(sink);
    out.append(head);
    // The attribute names of every field in both forms, made once: ` c12="` and ` h12="`.
    const auto fieldCount = static_cast<std::uint32_t>(fields.size());
    std::vector<std::string> textNames, hexNames;
    for (std::uint32_t fieldNo = 1; fieldNo <= fieldCount; ++fieldNo) {
        textNames.push_back(" c" + std::to_string(fieldNo) + "=\"");
        hexNames.push_back(" h" + std::to_string(fieldNo) + "=\"");
    }
    for (std::size_t row = 0; row < rowCount; ++row) {
        out.append("    <row");
        for (std::uint32_t fieldNo = 1; fieldNo <= fieldCount; ++fieldNo) {
            std::optional<std::string_view> value = valueAt(row, fieldNo);
            if (!value) continue;
            const std::string &textName = textNames[fieldNo - 1];
            const std::string &hexName = hexNames[fieldNo - 1];
            // The longest either form can be: every byte a six-byte reference.
            char *place = out.reserve(hexName.size() + value->size() * 6 + 1);
            char *end = putText(place + textName.size(), *value);
            if (end) {
                std::memcpy(place, textName.data(), textName.size());
            } else {
                // A zero byte is one the text form cannot carry either.
                if (std::memchr(value->data(), 0, value->size()))
                    throw EDSEngineError("Cannot write a data packet: row " +
                                         std::to_string(row + 1) + ", field " +
                                         std::to_string(fieldNo) + " holds a zero byte");
                std::memcpy(place, hexName.data(), hexName.size());
                end = putHex(place + hexName.size(), *value);
            }
            *end++ = '"';
            out.commit(end);
        }
        out.append("/>\n");
    }
    out.append("  </rows>\n");
    out.append("</packet>\n");
    out.finish();
}

std::string writeDataPacket(const std::vector<TFieldDescriptor> &fields,
                            const std::vector<TPacketParam> &params, std::size_t rowCount,
                            const TPacketValueSource &valueAt)
{
    std::string packet;
    writeDataPacket(fields, params, rowCount, valueAt,
                    [&](std::string_view bytes) { packet += bytes; });
    return packet;
}
