#include "criteria/LikeMatcher.h"

#include "FilterTestSupport.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// The matching procedure word for word, backtracking and all: the reference the fast
// matcher must agree with.
bool literalMatch(std::string_view text, std::size_t t, std::string_view pattern, std::size_t p,
                  char percent, char underscore)
{
    for (; p < pattern.size(); ++p) {
        const char byte = pattern[p];
        if (byte == percent) {
            if (p + 1 == pattern.size()) return true;
            if (t == text.size()) return false;
            for (std::size_t trial = t; trial < text.size(); ++trial)
                if (literalMatch(text, trial, pattern, p + 1, percent, underscore)) return true;
            return false;
        }
        if (byte == underscore) {
            if (t == text.size()) return false;
            ++t;
            continue;
        }
        if (t == text.size() || text[t] != byte) return false;
        ++t;
    }
    return t == text.size();
}

bool literalMatch(std::string_view text, std::string_view pattern, char percent = '%',
                  char underscore = '_')
{
    return literalMatch(text, 0, pattern, 0, percent, underscore);
}

} // namespace

TEST(LikeMatcher, MatchesBytesAsTheProcedureSays)
{
    struct Row
    {
        const char *name;
        std::string text;
        std::string pattern;
        bool matches;
    };
    const Row rows[] = {
        {"contains", g("复方感冒灵颗粒"), g("%感冒%"), true},
        {"contains at the very start", g("感冒灵"), g("%感冒%"), true},
        {"percent last matches nothing", g("感冒"), g("感冒%"), true},
        {"percent not last needs a byte", g("感冒"), g("感冒%%"), false},
        {"doubled percent with a byte left", g("感冒灵"), g("感冒%%"), true},
        {"lone percent on the empty text", "", "%", true},
        {"two percents on the empty text", "", "%%", false},
        {"two percents on one byte", "x", "%%", true},
        {"empty pattern, empty text", "", "", true},
        {"empty pattern, some text", "a", "", false},
        {"underscore is one byte", "A", "_", true},
        {"underscore is not a Chinese character", g("感"), "_", false},
        {"two underscores are one Chinese character", g("感"), "__", true},
        {"underscore needs a byte", "", "_", false},
        {"case matters", "abc", "ABC", false},
        {"literal tail", "abcb", "%b", true},
        {"tail must end the text", "abcba", "%b", false},
        {"middle then tail", "xaybz", "%a%b_", true},
        {"prefix and tail must not overlap", "ab", "ab%b", false},
        {"percent then underscore", "x", "%_", true},
        {"percent then underscore on nothing", "", "%_", false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(literalMatch(row.text, row.pattern), row.matches); // the table itself
        EXPECT_EQ(likeMatches(row.text, row.pattern, '%', '_'), row.matches);
    }
}

TEST(LikeMatcher, FindsBytesThatStraddleTwoCharacters)
{
    // 该 is B8 C3 and 啊 is B0 A1, so 该啊 holds C3 B0, the bytes of 冒.
    const std::string text = g("该啊");
    ASSERT_NE(text.find(g("冒")), std::string::npos);
    EXPECT_TRUE(likeMatches(text, g("%冒%"), '%', '_'));
}

TEST(LikeMatcher, AgreesWithTheProcedureOnRandomBytes)
{
    struct Alphabet
    {
        const char *name;
        char percent;
        char underscore;
        std::string bytes; // both wildcards, two letters and GBK bytes
    };
    const Alphabet alphabets[] = {
        {"the usual wildcards", '%', '_', "%_ab\xB8\xD0\xC3"},
        {"other wildcards", '*', '?', "*?%_a\xB8\xD0"},
        {"one byte for both wildcards", '%', '%', "%_a\xB8"},
        {"a lead byte as wildcard", '\xB8', '_', "\xB8_a\xD0%"},
    };
    std::mt19937 random(20240229);
    for (const Alphabet &alphabet : alphabets) {
        SCOPED_TRACE(alphabet.name);
        std::uniform_int_distribution<std::size_t> pick(0, alphabet.bytes.size() - 1);
        auto make = [&](std::size_t length) {
            std::string s;
            for (std::size_t i = 0; i < length; ++i)
                s += alphabet.bytes[pick(random)];
            return s;
        };
        std::uniform_int_distribution<std::size_t> textLength(0, 9), patternLength(0, 7);
        for (int trial = 0; trial < 60000; ++trial) {
            const std::string text = make(textLength(random));
            const std::string pattern = make(patternLength(random));
            const bool expected =
                literalMatch(text, pattern, alphabet.percent, alphabet.underscore);
            if (likeMatches(text, pattern, alphabet.percent, alphabet.underscore) != expected) {
                ADD_FAILURE() << "text " << testing::PrintToString(text) << " pattern "
                              << testing::PrintToString(pattern) << " expected " << expected;
                return;
            }
        }
    }
}

TEST(LikeMatcher, PatternsWithManyPercentsStayFast)
{
    // The procedure itself tries every split of the text for every percent: on these texts
    // it would not finish in any reasonable time.
    const std::string allA(1024, 'a');
    const TLikeMatcher pathological("%a%a%a%a%a%b", '%', '_');
    EXPECT_FALSE(pathological.matches(allA));
    EXPECT_TRUE(pathological.matches(allA + "b"));
    EXPECT_FALSE(pathological.matches(std::string(4, 'a') + "b"));

    std::string pattern;
    for (int i = 0; i < 40; ++i)
        pattern += "%a_";
    pattern += "%%";
    // Forty pieces of two bytes, and the closing pair of percents needs one byte more.
    EXPECT_FALSE(likeMatches(allA.substr(0, 80), pattern, '%', '_'));
    EXPECT_TRUE(likeMatches(allA.substr(0, 81), pattern, '%', '_'));
}
