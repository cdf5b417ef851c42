#pragma once

#include "platform/Exception.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The little JSON that the data tool reads and writes: the whole of RFC 8259, kept as read
// (object members in their order, numbers as their text), with the place of every value.

class EJsonError : public Exception
{
public:
    using Exception::Exception;
};

struct TJsonValue
{
    enum class TKind { Null, Boolean, Number, String, Array, Object };

    TKind kind = TKind::Null;
    bool boolean = false;
    std::string text; // a string's UTF-8 text, or a number as written
    std::vector<TJsonValue> items;
    std::vector<std::pair<std::string, TJsonValue>> members;
    std::size_t offset = 0; // where the value starts in the text
};

// "line L, column C" of a byte offset in `text`; columns count characters.
std::string jsonPlace(std::string_view text, std::size_t offset);

// Parses one JSON document. Throws EJsonError naming the line and column of the fault.
TJsonValue parseJson(std::string_view text);

// Appends `utf8` as a JSON string literal, quotes included. Non-ASCII text stays as it is.
void appendJsonString(std::string &out, std::string_view utf8);
