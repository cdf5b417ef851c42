// The like matcher against the matching procedure done literally, backtracking and all
// (remembered per position, so that the reference stays fast on long runs of percents): any
// difference aborts. Input: percent byte, underscore byte, pattern length, pattern, text.

#include "criteria/LikeMatcher.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

class TLiteralMatch
{
public:
    TLiteralMatch(std::string_view text, std::string_view pattern, char percent, char underscore)
        : m_text(text), m_pattern(pattern), m_percent(percent), m_underscore(underscore),
          m_memo((text.size() + 1) * (pattern.size() + 1), Unknown)
    {}

    bool matches() { return match(0, 0); }

private:
    enum : signed char { Unknown = -1 };

    bool match(std::size_t t, std::size_t p)
    {
        signed char &memo = m_memo[t * (m_pattern.size() + 1) + p];
        if (memo == Unknown) memo = literal(t, p);
        return memo;
    }

    bool literal(std::size_t t, std::size_t p)
    {
        for (; p < m_pattern.size(); ++p) {
            const char byte = m_pattern[p];
            if (byte == m_percent) {
                if (p + 1 == m_pattern.size()) return true;
                if (t == m_text.size()) return false;
                for (std::size_t trial = t; trial < m_text.size(); ++trial)
                    if (match(trial, p + 1)) return true;
                return false;
            }
            if (byte == m_underscore) {
                if (t == m_text.size()) return false;
                ++t;
                continue;
            }
            if (t == m_text.size() || m_text[t] != byte) return false;
            ++t;
        }
        return t == m_text.size();
    }

    std::string_view m_text, m_pattern;
    char m_percent, m_underscore;
    std::vector<signed char> m_memo;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3 || size > 4096) return 0;
    const char percent = static_cast<char>(data[0]);
    const char underscore = static_cast<char>(data[1]);
    const std::string_view rest(reinterpret_cast<const char *>(data + 3), size - 3);
    const std::size_t patternLength = std::min<std::size_t>(data[2], rest.size());
    const std::string_view pattern = rest.substr(0, patternLength);
    const std::string_view text = rest.substr(patternLength);

    const bool expected = TLiteralMatch(text, pattern, percent, underscore).matches();
    const TLikeMatcher matcher(pattern, percent, underscore);
    if (matcher.matches(text) != expected ||
        likeMatches(text, pattern, percent, underscore) != expected) {
        std::fprintf(stderr, "like matcher: %s for the literal procedure\n",
                     expected ? "no match" : "a match");
        std::abort();
    }
    return 0;
}
