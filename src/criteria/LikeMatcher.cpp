#include "criteria/LikeMatcher.h"

#include <cstring>

TLikeMatcher::TLikeMatcher(std::string_view pattern, char percent, char underscore)
    : m_underscore(underscore)
{
    m_pieces.emplace_back();
    std::size_t run = 0;
    for (const char byte : pattern) {
        if (byte == percent) {
            // The percent wins when both wildcards are the same byte.
            m_hasPercent = true;
            if (run++ == 0) m_pieces.emplace_back();
            continue;
        }
        run = 0;
        m_pieces.back().bytes += byte;
        if (byte == underscore) m_pieces.back().hasUnderscore = true;
    }
    m_lastRun = run;
}

bool TLikeMatcher::pieceAt(const TPiece &piece, std::string_view text, std::size_t position) const
{
    if (piece.bytes.empty()) return true;
    if (!piece.hasUnderscore)
        return std::memcmp(text.data() + position, piece.bytes.data(), piece.bytes.size()) == 0;
    for (std::size_t i = 0; i < piece.bytes.size(); ++i)
        if (piece.bytes[i] != m_underscore && piece.bytes[i] != text[position + i]) return false;
    return true;
}

// The leftmost place at or after `from` where the piece lies wholly before `end`.
std::size_t TLikeMatcher::findPiece(const TPiece &piece, std::string_view text, std::size_t from,
                                    std::size_t end) const
{
    const std::size_t length = piece.bytes.size();
    if (from > end || end - from < length) return std::string_view::npos;
    if (!piece.hasUnderscore) {
        const void *found = memmem(text.data() + from, end - from, piece.bytes.data(), length);
        return found ? static_cast<std::size_t>(static_cast<const char *>(found) - text.data())
                     : std::string_view::npos;
    }
    for (std::size_t position = from; position + length <= end; ++position)
        if (pieceAt(piece, text, position)) return position;
    return std::string_view::npos;
}

bool TLikeMatcher::matches(std::string_view text) const
{
    const TPiece &first = m_pieces.front();
    if (!m_hasPercent) return text.size() == first.bytes.size() && pieceAt(first, text, 0);
    if (text.size() < first.bytes.size() || !pieceAt(first, text, 0)) return false;
    std::size_t position = first.bytes.size();

    const TPiece &last = m_pieces.back();
    if (last.bytes.empty()) {
        // The pattern ends with percents. The leftmost places leave the most text for them;
        // a run of two or more needs one byte of it, since only the run's last percent may
        // stand at the very end of the text.
        for (std::size_t i = 1; i + 1 < m_pieces.size(); ++i) {
            position = findPiece(m_pieces[i], text, position, text.size());
            if (position == std::string_view::npos) return false;
            position += m_pieces[i].bytes.size();
        }
        return m_lastRun < 2 || position < text.size();
    }

    // The last piece is tied to the end of the text; the middle pieces must fit before it.
    if (text.size() - position < last.bytes.size()) return false;
    const std::size_t lastStart = text.size() - last.bytes.size();
    for (std::size_t i = 1; i + 1 < m_pieces.size(); ++i) {
        position = findPiece(m_pieces[i], text, position, lastStart);
        if (position == std::string_view::npos) return false;
        position += m_pieces[i].bytes.size();
    }
    return pieceAt(last, text, lastStart);
}

bool likeMatches(std::string_view text, std::string_view pattern, char percent, char underscore)
{
    return TLikeMatcher(pattern, percent, underscore).matches(text);
}
