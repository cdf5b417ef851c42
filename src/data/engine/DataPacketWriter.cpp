#include "DataPacket.h"

#include "Codec.h"
#include "IntegrityRecord.h"

#include <mutex>
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

void appendHex(std::string &out, std::string_view value)
{
    static const char Digits[] = "0123456789abcdef";
    for (unsigned char c : value) {
        out += Digits[c >> 4];
        out += Digits[c & 0x0F];
    }
}

bool isPlainText(std::string_view text)
{
    for (unsigned char c : text)
        if (c < 0x20) return false;
    return gbk::isValid(text);
}

// Which byte sequences the codec takes for GBK characters, asked once per sequence: the writer
// checks every value it writes, and a table is far quicker than converting each one.
struct TGbkTable
{
    std::vector<bool> single = std::vector<bool>(256);
    std::vector<bool> pair = std::vector<bool>(65536);
};

const TGbkTable &gbkTable()
{
    static std::once_flag once;
    static TGbkTable table;
    std::call_once(once, [] {
        for (unsigned c = 0; c < 256; ++c) {
            const char byte = static_cast<char>(c);
            table.single[c] = c < 0x80 || gbk::isValid(std::string_view(&byte, 1));
        }
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                table.pair[(lead << 8) | trail] = gbk::isValid(std::string_view(bytes, 2));
            }
        }
    });
    return table;
}

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
    const TGbkTable &table = gbkTable();
    const auto *bytes = reinterpret_cast<const unsigned char *>(value.data());
    const std::size_t size = value.size();
    for (std::size_t i = 0; i < size;) {
        const unsigned char c = bytes[i];
        if (c < 0x80) {
            if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') return true;
            ++i;
        } else if (i + 1 < size && table.pair[(c << 8) | bytes[i + 1]]) {
            i += 2;
        } else if (table.single[c]) {
            ++i;
        } else {
            return true;
        }
    }
    return false;
}

std::string writeDataPacket(const std::vector<TFieldDescriptor> &fields,
                            const std::vector<TPacketParam> &params, std::size_t rowCount,
                            const TPacketValueSource &valueAt, std::size_t sizeHint)
{
    checkLists(fields, params);

    std::string out;
    out.reserve(sizeHint);
    out += "<?xml version=\"1.0\" encoding=\"GBK\"?>\n";
    out += "<packet format=\"tervana-data\" version=\"1\">\n";
    out += "  <fields>\n";
    for (const TFieldDescriptor &field : fields) {
        out += "    <field name=\"";
        appendEscaped(out, field.name);
        out += "\" type=\"";
        appendEscaped(out, field.typeName);
        out += "\" width=\"";
        out += std::to_string(field.width);
        out += "\"/>\n";
    }
    out += "  </fields>\n";
    if (!params.empty()) {
        out += "  <params>\n";
        for (const TPacketParam &param : params) {
            out += "    <param name=\"";
            appendEscaped(out, param.name);
            out += param.value ? "\" value=\"true\"/>\n" : "\" value=\"false\"/>\n";
        }
        out += "  </params>\n";
    }
    out += "  <rows>\n";
    const auto fieldCount = static_cast<std::uint32_t>(fields.size());
    for (std::size_t row = 0; row < rowCount; ++row) {
        out += "    <row";
        for (std::uint32_t fieldNo = 1; fieldNo <= fieldCount; ++fieldNo) {
            std::optional<std::string_view> value = valueAt(row, fieldNo);
            if (!value) continue;
            if (value->find('\0') != std::string_view::npos)
                throw EDSEngineError("Cannot write a data packet: row " + std::to_string(row + 1) +
                                     ", field " + std::to_string(fieldNo) + " holds a zero byte");
            const bool hex = needsHexForm(*value);
            out += hex ? " h" : " c";
            out += std::to_string(fieldNo);
            out += "=\"";
            if (hex)
                appendHex(out, *value);
            else
                appendEscaped(out, *value);
            out += '"';
        }
        out += "/>\n";
    }
    out += "  </rows>\n";
    out += "</packet>\n";
    out += integrity::sealFor(out);
    return out;
}
