#include "tervana-data/Json.h"

#include <unordered_set>

namespace {

// Deep enough for any source we write, shallow enough for anything that walks a document.
constexpr int MaxDepth = 64;

// Length of the well-formed UTF-8 sequence at `at`, or 0.
std::size_t utf8Length(std::string_view text, std::size_t at)
{
    auto byte = [&](std::size_t i) {
        return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0u;
    };
    auto trail = [&](std::size_t i, unsigned low = 0x80, unsigned high = 0xBF) {
        return byte(i) >= low && byte(i) <= high;
    };
    const unsigned lead = byte(0);
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return trail(1) ? 2 : 0;
    if (lead == 0xE0) return trail(1, 0xA0) && trail(2) ? 3 : 0;
    if (lead == 0xED) return trail(1, 0x80, 0x9F) && trail(2) ? 3 : 0; // no surrogates
    if (lead >= 0xE1 && lead <= 0xEF) return trail(1) && trail(2) ? 3 : 0;
    if (lead == 0xF0) return trail(1, 0x90) && trail(2) && trail(3) ? 4 : 0;
    if (lead >= 0xF1 && lead <= 0xF3) return trail(1) && trail(2) && trail(3) ? 4 : 0;
    if (lead == 0xF4) return trail(1, 0x80, 0x8F) && trail(2) && trail(3) ? 4 : 0;
    return 0;
}

// The library's words for a fault, without its prefix and its own place (which counts bytes).
// They quote what was read last, which may stop inside a character or not be UTF-8 at all:
// such bytes show as '?'.
std::string description(const nlohmann::json::exception &error)
{
    std::string_view what = error.what();
    if (const auto end = what.find("] "); end != std::string_view::npos)
        what.remove_prefix(end + 2);
    if (what.starts_with("parse error"))
        if (const auto colon = what.find(": "); colon != std::string_view::npos)
            what.remove_prefix(colon + 2);
    std::string shown;
    for (std::size_t at = 0; at < what.size();) {
        const std::size_t length = utf8Length(what, at);
        if (length == 0) {
            shown += '?';
            ++at;
        } else {
            shown.append(what.substr(at, length));
            at += length;
        }
    }
    return shown;
}

// What the reader has seen of an object that is still open.
struct TOpenObject
{
    std::unordered_set<std::string> names;
    std::size_t kept = 0;
    std::vector<std::pair<std::size_t, std::string>> repeats;
};

} // namespace

std::vector<TJsonMember> TJsonDocument::members(const TJson &object) const
{
    const auto &kept = object.get_ref<const TJson::object_t &>();
    static const std::vector<std::pair<std::size_t, std::string>> None;
    const auto found = m_repeats.find(&kept);
    const auto &repeats = found == m_repeats.end() ? None : found->second;
    std::vector<TJsonMember> result;
    result.reserve(kept.size() + repeats.size());
    auto repeat = repeats.begin();
    std::size_t index = 0;
    for (const auto &[name, value] : kept) {
        for (; repeat != repeats.end() && repeat->first == index; ++repeat)
            result.push_back({repeat->second, nullptr});
        result.push_back({name, &value});
        ++index;
    }
    for (; repeat != repeats.end(); ++repeat)
        result.push_back({repeat->second, nullptr});
    return result;
}

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

TJsonDocument parseJson(std::string_view text)
{
    using TEvent = TJson::parse_event_t;
    TJsonDocument document;
    // By depth: the callback's depth for an object's start and end is that of the object,
    // for its names one more.
    std::vector<TOpenObject> open;
    auto watch = [&](int depth, TEvent event, TJson &parsed) {
        const auto level = static_cast<std::size_t>(depth);
        switch (event) {
        case TEvent::array_start:
        case TEvent::object_start:
            if (depth >= MaxDepth)
                throw EJsonError("values nested more than " + std::to_string(MaxDepth) + " deep");
            if (event == TEvent::object_start) {
                open.resize(level + 1);
                open[level] = {};
            }
            return true;
        case TEvent::key: {
            TOpenObject &object = open[level - 1];
            const auto &name = parsed.get_ref<const std::string &>();
            if (object.names.insert(name).second) {
                ++object.kept;
                return true;
            }
            object.repeats.emplace_back(object.kept, name);
            return false; // the first of the name stays
        }
        case TEvent::object_end:
            if (!open[level].repeats.empty())
                document.m_repeats[&parsed.get_ref<const TJson::object_t &>()] =
                    std::move(open[level].repeats);
            return true;
        default: return true;
        }
    };
    // The library takes a zero byte for the end of the text and would not look past it.
    if (const auto zero = text.find('\0'); zero != std::string_view::npos)
        throw EJsonError(jsonPlace(text, zero) + ": a zero byte, which JSON text cannot hold");
    try {
        document.root = TJson::parse(text.data(), text.data() + text.size(), watch);
    } catch (const nlohmann::json::parse_error &error) {
        // The library's byte counts from 1 and names the last byte it read.
        const std::size_t offset = error.byte ? error.byte - 1 : 0;
        throw EJsonError(jsonPlace(text, offset) + ": " + description(error));
    } catch (const nlohmann::json::exception &error) {
        throw EJsonError(description(error));
    }
    return document;
}

const char *jsonKindName(const TJson &value)
{
    switch (value.type()) {
    case TJson::value_t::null: return "null";
    case TJson::value_t::boolean: return "a Boolean";
    case TJson::value_t::number_integer:
    case TJson::value_t::number_unsigned:
    case TJson::value_t::number_float: return "a number";
    case TJson::value_t::string: return "a text";
    case TJson::value_t::array: return "an array";
    case TJson::value_t::object: return "an object";
    default: return "a value";
    }
}

std::string jsonShown(const TJson &value)
{
    return value.is_number() ? value.dump() : jsonKindName(value);
}

void appendJsonString(std::string &out, std::string_view utf8)
{
    out += TJson(std::string(utf8)).dump();
}
