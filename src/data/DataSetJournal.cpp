#include "data/DataSetJournal.h"

#include "platform/IntegrityRecord.h"

#include <cstdio>

namespace {

void putNumber(std::string &out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

bool getNumber(std::string_view &in, std::uint32_t &value)
{
    if (in.size() < 4) return false;
    value = 0;
    for (int i = 0; i < 4; ++i)
        value |= std::uint32_t(static_cast<unsigned char>(in[static_cast<std::size_t>(i)]))
                 << (8 * i);
    in.remove_prefix(4);
    return true;
}

} // namespace

std::string encodeJournalEntry(const TJournalEntry &entry)
{
    std::string out(1, static_cast<char>(entry.kind));
    putNumber(out, entry.position);
    putNumber(out, static_cast<std::uint32_t>(entry.values.size()));
    for (const std::optional<std::string> &value : entry.values) {
        out += value ? '\1' : '\0';
        if (!value) continue;
        putNumber(out, static_cast<std::uint32_t>(value->size()));
        out += *value;
    }
    return out;
}

std::optional<TJournalEntry> decodeJournalEntry(std::string_view bytes)
{
    TJournalEntry entry;
    if (bytes.empty()) return std::nullopt;
    if (bytes[0] != 'M' && bytes[0] != 'I') return std::nullopt;
    entry.kind = static_cast<TJournalEntry::TKind>(bytes[0]);
    bytes.remove_prefix(1);
    std::uint32_t count = 0;
    if (!getNumber(bytes, entry.position) || !getNumber(bytes, count)) return std::nullopt;
    // Each value takes at least its flag byte: a count beyond that is no entry of ours.
    if (count > bytes.size()) return std::nullopt;
    entry.values.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        if (bytes.empty()) return std::nullopt;
        const char present = bytes[0];
        bytes.remove_prefix(1);
        if (present == '\0') {
            entry.values.emplace_back();
            continue;
        }
        std::uint32_t length = 0;
        if (present != '\1' || !getNumber(bytes, length) || length > bytes.size())
            return std::nullopt;
        entry.values.emplace_back(std::string(bytes.substr(0, length)));
        bytes.remove_prefix(length);
    }
    if (!bytes.empty()) return std::nullopt;
    return entry;
}

std::string journalOwner(std::string_view fileBytes)
{
    char text[96];
    std::snprintf(text, sizeof text, "data file: %llu bytes, xxh64 %016llx",
                  static_cast<unsigned long long>(fileBytes.size()),
                  static_cast<unsigned long long>(integrity::checksum(fileBytes)));
    return text;
}
