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

// The text with its ASCII letters in upper case. The second byte of a double-byte character
// is never changed: it may look like a letter, but it is not one.
std::string upperAscii(std::string_view bytes);

// Equal apart from the letter case of ASCII letters; double-byte characters compare exactly.
// Field names and the words of the filter's values compare so.
bool equalIgnoringAsciiCase(std::string_view first, std::string_view second);

} // namespace gbk

namespace utf8 {

// Appends the UTF-8 encoding of a code point (at most U+10FFFF).
void append(std::string &out, char32_t codePoint);

} // namespace utf8
