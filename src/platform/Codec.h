#pragma once

#include <optional>
#include <string>
#include <string_view>

// The code page of every stored text (GBK) and its conversion to and from UTF-8.
namespace gbk {

// Converts GBK bytes to UTF-8. Bytes that are not valid GBK become U+FFFD, one per byte,
// so a damaged value still shows but never passes for something it is not.
std::string toUtf8(std::string_view gbkBytes);

// Converts UTF-8 text to GBK bytes; empty when the text is not valid UTF-8 or holds a
// character that GBK cannot represent. Nothing is ever replaced silently.
std::optional<std::string> fromUtf8(std::string_view utf8);

// True for a byte that starts a double-byte character.
constexpr bool isLeadByte(unsigned char byte)
{
    return byte >= 0x81 && byte <= 0xFE;
}

// The length of the longest prefix of `bytes` that is at most `limit` bytes long and does
// not end inside a double-byte character.
std::size_t wholeCharPrefix(std::string_view bytes, std::size_t limit);

// True when every byte sequence of `bytes` is a character that GBK defines.
bool isValid(std::string_view bytes);

} // namespace gbk
