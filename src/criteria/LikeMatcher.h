#pragma once

#include <string>
#include <string_view>
#include <vector>

// Matches byte texts against one like pattern: `percent` stands for any run of bytes,
// `underscore` for exactly one byte, every other byte for itself; there is no escape. A
// percent that is not the pattern's last byte needs at least one byte of text left where it
// stands, so "感冒%" matches the text 感冒 and "感冒%%" does not.
//
// The pattern is split once into the literal pieces between runs of percents; a text is then
// matched by finding each piece at its leftmost place, which costs at most text length times
// pattern length, however many percents the pattern holds.
class TLikeMatcher
{
public:
    TLikeMatcher(std::string_view pattern, char percent, char underscore);
    bool matches(std::string_view text) const;

private:
    struct TPiece
    {
        std::string bytes;
        bool hasUnderscore = false;
    };
    bool pieceAt(const TPiece &piece, std::string_view text, std::size_t position) const;
    std::size_t findPiece(const TPiece &piece, std::string_view text, std::size_t from,
                          std::size_t end) const;

    char m_underscore;
    bool m_hasPercent = false;
    std::vector<TPiece> m_pieces; // first, middle ones, last; first and last may be empty
    std::size_t m_lastRun = 0;    // percents at the pattern's end
};

bool likeMatches(std::string_view text, std::string_view pattern, char percent, char underscore);
