#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One posted change of a data set as its journal keeps it: the record's position in the
// data set's order once the change was made, and all of the record's values then. Replayed
// in order on the store read from the same file, the entries give the same records.
struct TJournalEntry
{
    enum class TKind : char { Modify = 'M', Insert = 'I' };
    TKind kind = TKind::Modify;
    std::uint32_t position = 0; // 0-based
    std::vector<std::optional<std::string>> values;
    bool operator==(const TJournalEntry &) const = default;
};

std::string encodeJournalEntry(const TJournalEntry &entry);
// Nothing when the bytes are not an entry.
std::optional<TJournalEntry> decodeJournalEntry(std::string_view bytes);

// The identity of the data file that a journal belongs to, made from the bytes that were
// read: its size and checksum. A journal of another file (an older release, a file replaced
// since) has another owner and is never applied.
std::string journalOwner(std::string_view fileBytes);
