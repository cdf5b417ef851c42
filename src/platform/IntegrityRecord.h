#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct XXH64_state_s; // libxxhash's streaming state

// The seal at the end of every data file that this program writes: an XML comment holding
// a checksum of all bytes before it. A file with a matching seal is one we wrote and nobody
// changed since; the companion library's size check accepts exactly those.

namespace integrity {

// The 64-bit xxHash (XXH64, seed 0) of `bytes`, as libxxhash computes it.
std::uint64_t checksum(std::string_view bytes);

// The same checksum of bytes that come a piece at a time, however they are cut.
class TChecksum
{
public:
    TChecksum();
    void update(std::string_view bytes);
    std::uint64_t digest() const;

private:
    struct TFreeState
    {
        void operator()(XXH64_state_s *state) const;
    };
    std::unique_ptr<XXH64_state_s, TFreeState> m_state;
};

// The seal for `content`, to be appended to it as the file's last bytes.
std::string sealFor(std::string_view content);
// The seal for content whose checksum is `contentChecksum`.
std::string sealFor(std::uint64_t contentChecksum);

// `content` followed by its seal.
std::string sealed(std::string_view content);

// True when `fileBytes` ends with a seal whose checksum matches all bytes before it.
bool isSealed(std::string_view fileBytes);

// `fileBytes` without its seal when it carries one (matching or not), else unchanged.
std::string_view withoutSeal(std::string_view fileBytes);

// The size check's answer for the file at `path`: its size's low 32 bits when it is sealed,
// otherwise a number that differs from what the size check reads for that file (the file's
// own size, 0xFFFFFFFF for a missing file), so that the check fails.
std::int32_t expectedSize(const std::string &path);

} // namespace integrity
