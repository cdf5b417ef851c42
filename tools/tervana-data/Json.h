#pragma once

#include "platform/Exception.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The JSON that the data tool reads and writes, through nlohmann's ordered JSON: object
// members stay in the order they were written.

using TJson = nlohmann::ordered_json;

class EJsonError : public Exception
{
public:
    using Exception::Exception;
};

// One member of an object as the text gives it; `value` is null for a name that the object
// already had (the document keeps the first).
struct TJsonMember
{
    const std::string &name;
    const TJson *value;
};

// A parsed document. The library keeps one member per name, so the names an object repeats
// are kept beside it: the commands name a repeated member as the fault it is.
class TJsonDocument
{
public:
    TJson root;

    // The members of `object` (a value of this document) in the order of the text, repeats
    // included.
    std::vector<TJsonMember> members(const TJson &object) const;

private:
    friend TJsonDocument parseJson(std::string_view text);
    // For each object with repeats: how many members came before each repeat, and its name.
    std::map<const void *, std::vector<std::pair<std::size_t, std::string>>> m_repeats;
};

// "line L, column C" of a byte offset in `text`; columns count characters.
std::string jsonPlace(std::string_view text, std::size_t offset);

// Parses one JSON document (RFC 8259, a leading byte order mark allowed). Throws EJsonError
// naming the line and column of the fault.
TJsonDocument parseJson(std::string_view text);

// "null", "a Boolean", "a number", "a text", "an array" or "an object".
const char *jsonKindName(const TJson &value);

// A value as a message shows it: a number as JSON writes it, anything else by its kind.
std::string jsonShown(const TJson &value);

// Appends `utf8` as a JSON string literal, quotes included. Non-ASCII text stays as it is.
void appendJsonString(std::string &out, std::string_view utf8);
