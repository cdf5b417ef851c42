#pragma once

#include <string>
#include <string_view>

// Replaces the file at `path` with `content` so that, whatever happens on the way (a full
// disk, a killed process, a power loss), the path names either the old file whole or the new
// one whole: the bytes go to a temporary file in the same folder, are flushed to the disk,
// and only then is the temporary renamed over the old file. Returns false (with errno set)
// when the new file could not be put in place; the old file is then untouched.
bool writeFileAtomically(const std::string &path, std::string_view content);
