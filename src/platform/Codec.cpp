#include "platform/Codec.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace {

// One conversion descriptor per direction and thread: iconv_open is far too slow per call.
class TConverter
{
public:
    TConverter(const char *to, const char *from) : m_cd(iconv_open(to, from)) {}
    ~TConverter()
    {
        if (m_cd != reinterpret_cast<iconv_t>(-1)) iconv_close(m_cd);
    }
    TConverter(const TConverter &) = delete;
    TConverter &operator=(const TConverter &) = delete;

    bool usable() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts `input`; on an invalid or unconvertible sequence calls `onBad`, which returns
    // the number of input bytes to skip after appending its own replacement (0 = give up).
    template<typename OnBad>
    bool convert(std::string_view input, std::string &output, OnBad onBad)
    {
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        char *in = const_cast<char *>(input.data());
        std::size_t inLeft = input.size();
        char buffer[4096];
        while (inLeft > 0) {
            char *out = buffer;
            std::size_t outLeft = sizeof buffer;
            std::size_t result = iconv(m_cd, &in, &inLeft, &out, &outLeft);
            output.append(buffer, out - buffer);
            if (result != static_cast<std::size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            std::size_t skip = onBad(output);
            if (skip == 0) return false;
            skip = std::min(skip, inLeft);
            in += skip;
            inLeft -= skip;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        }
        return true;
    }

private:
    iconv_t m_cd;
};

TConverter &toUtf8Converter()
{
    thread_local TConverter converter("UTF-8", "GBK");
    return converter;
}

TConverter &fromUtf8Converter()
{
    thread_local TConverter converter("GBK", "UTF-8");
    return converter;
}

bool isAscii(std::string_view text)
{
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

} // namespace

namespace gbk {

std::string toUtf8(std::string_view gbkBytes)
{
    if (isAscii(gbkBytes)) return std::string(gbkBytes);
    std::string output;
    output.reserve(gbkBytes.size() * 3 / 2);
    TConverter &converter = toUtf8Converter();
    if (!converter.usable()) return output;
    converter.convert(gbkBytes, output, [](std::string &out) {
        out += "\xEF\xBF\xBD";
        return std::size_t(1);
    });
    return output;
}

std::optional<std::string> fromUtf8(std::string_view utf8)
{
    if (isAscii(utf8)) return std::string(utf8);
    // The system's converter leaves out the tag characters (U+E0000 to U+E007F) without a
    // word, where every other character GBK lacks is refused: refuse these too, so that no
    // text is ever changed on its way in.
    for (std::size_t at = utf8.find("\xF3\xA0"); at != std::string_view::npos;
         at = utf8.find("\xF3\xA0", at + 1)) {
        if (at + 2 < utf8.size() && (utf8[at + 2] == '\x80' || utf8[at + 2] == '\x81'))
            return std::nullopt;
    }
    std::string output;
    output.reserve(utf8.size());
    TConverter &converter = fromUtf8Converter();
    if (!converter.usable()) return std::nullopt;
    if (!converter.convert(utf8, output, [](std::string &) { return std::size_t(0); }))
        return std::nullopt;
    return output;
}

std::size_t wholeCharPrefix(std::string_view bytes, std::size_t limit)
{
    if (bytes.size() <= limit) return bytes.size();
    std::size_t position = 0;
    while (position < limit) {
        std::size_t width = 1;
        if (isLeadByte(static_cast<unsigned char>(bytes[position])) && position + 1 < bytes.size())
            width = 2;
        if (position + width > limit) break;
        position += width;
    }
    return position;
}

bool isValid(std::string_view bytes)
{
    if (isAscii(bytes)) return true;
    std::string ignored;
    return toUtf8Converter().convert(bytes, ignored, [](std::string &) { return std::size_t(0); });
}

} // namespace gbk

std::string gbk::upperAscii(std::string_view bytes)
{
    std::string upper(bytes);
    for (std::size_t i = 0; i < upper.size(); ++i) {
        const auto byte = static_cast<unsigned char>(upper[i]);
        if (isLeadByte(byte))
            ++i;
        else if (byte >= 'a' && byte <= 'z')
            upper[i] = static_cast<char>(byte - 'a' + 'A');
    }
    return upper;
}

bool gbk::equalIgnoringAsciiCase(std::string_view first, std::string_view second)
{
    return first.size() == second.size() && upperAscii(first) == upperAscii(second);
}

void utf8::append(std::string &out, char32_t codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}
