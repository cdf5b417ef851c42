#pragma once

#include "tervana-data/DataTool.h"

#include <optional>
#include <string>
#include <vector>

// The three-way merge that brings a new release's data to a user who edited their copy:
// what the user did not change takes the new text, what they changed stays theirs.


// What a merge did, in the words the user is shown (UTF-8).
struct TMergeReport
{
    std::size_t corrected = 0;   // records whose text the release changed for the user
    std::size_t added = 0;       // records new in the release
    std::size_t removed = 0;     // records the release removed and the user had not edited
    std::size_t keptFields = 0;  // fields where the user's own text was kept
    std::vector<std::string> conflicts;   // "name 字段": the release changed it too
    std::vector<std::string> keptRecords; // removed by the release, kept as the user edited them
    std::vector<std::string> ownRecords;  // only in the user's copy (added with another tool)
    std::vector<std::string> removedRecords;

    // One plain line for the user, in Chinese.
    std::string summary() const;
    // The summary, then one line per conflict, kept and removed record.
    std::string text() const;
};

struct TMergeResult
{
    TDataTable table;
    TMergeReport report;
};

// Merges `mine` (the user's copy, which came from `base`) with `shipped` (the new release).
// Records are the same record when their generic and trade names are; between `base` and
// `mine`, which the program never adds to, removes from or reorders, the position decides
// when both hold as many records, so that an edited name is still the user's edit. The
// result has the release's fields and order; records kept for the user come after them.
TMergeResult mergeDataTables(const TDataTable &base, const TDataTable &mine,
                             const TDataTable &shipped);

