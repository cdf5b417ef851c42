// The GBK codec on arbitrary bytes: what it produces is always valid UTF-8, valid GBK comes
// back byte for byte, and a character prefix never ends inside a double-byte character.

#include "platform/Codec.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_gbk_codec: %s\n", what);
    std::abort();
}

bool validUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        std::uint32_t code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
            code = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            code = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            code = c & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = code << 6 | (next & 0x3F);
        }
        if ((length == 3 && code < 0x800) || (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        if (code >= 0xD800 && code <= 0xDFFF) return false;
        i += length;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);

    const std::string utf8 = gbk::toUtf8(bytes);
    if (!validUtf8(utf8)) fail("toUtf8 produced bytes that are not UTF-8");
    if (gbk::isValid(bytes)) {
        const std::optional<std::string> back = gbk::fromUtf8(utf8);
        if (!back || *back != bytes) fail("valid GBK did not come back byte for byte");
    }

    // The same bytes read as UTF-8: what converts is GBK that reads back as the same text.
    if (const std::optional<std::string> converted = gbk::fromUtf8(bytes)) {
        if (!validUtf8(bytes)) fail("fromUtf8 accepted bytes that are not UTF-8");
        if (!gbk::isValid(*converted)) fail("fromUtf8 produced bytes that are not GBK");
        if (gbk::toUtf8(*converted) != bytes) fail("UTF-8 did not come back unchanged");
    }

    const std::size_t limit = size ? data[0] % (size + 1) : 0;
    const std::size_t prefix = gbk::wholeCharPrefix(bytes, limit);
    if (prefix > limit && prefix != bytes.size()) fail("prefix longer than the limit");
    if (prefix > bytes.size()) fail("prefix longer than the bytes");
    if (bytes.size() > limit) {
        // Walk the characters: the prefix must end on a character boundary.
        std::size_t position = 0;
        while (position < prefix)
            position += gbk::isLeadByte(static_cast<unsigned char>(bytes[position])) &&
                                position + 1 < bytes.size()
                            ? 2
                            : 1;
        if (position != prefix) fail("prefix ends inside a double-byte character");
        const std::size_t nextWidth =
            gbk::isLeadByte(static_cast<unsigned char>(bytes[prefix])) && prefix + 1 < bytes.size()
                ? 2
                : 1;
        if (prefix + nextWidth <= limit) fail("prefix is shorter than it could be");
    }
    return 0;
}
