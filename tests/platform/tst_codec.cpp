#include "platform/Codec.h"

#include <gtest/gtest.h>

TEST(Codec, RoundTripsChineseText)
{
    const std::string utf8 = "感冒灵颗粒（示例）ABC";
    const auto bytes = gbk::fromUtf8(utf8);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(*bytes, "\xB8\xD0\xC3\xB0\xC1\xE9\xBF\xC5\xC1\xA3\xA3\xA8\xCA\xBE\xC0\xFD\xA3\xA9"
                      "ABC");
    EXPECT_EQ(gbk::toUtf8(*bytes), utf8);
}

TEST(Codec, RefusesWhatGbkCannotHold)
{
    struct Row
    {
        const char *name;
        std::string utf8;
    };
    const Row rows[] = {
        {"emoji", "感冒\xF0\x9F\x98\x80"},
        {"hangul", "\xED\x95\x9C"},
        {"broken utf-8", "ab\xC3"},
        {"lone continuation byte", "\x80"},
        // The system's converter drops tag characters without a word; found by fuzzing.
        {"tag character", std::string("\0\xC3\xAC\0\xF3\xA0\x80\x80", 8)},
        {"last tag character", "a\xF3\xA0\x81\xBF"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_FALSE(gbk::fromUtf8(row.utf8));
    }
}

TEST(Codec, ShowsDamagedBytesAsReplacementCharacters)
{
    // A lead byte at the very end has no second byte.
    EXPECT_EQ(gbk::toUtf8("A\xB8\xD0\xB8"), "A感\xEF\xBF\xBD");
    EXPECT_FALSE(gbk::isValid("A\xB8"));
    EXPECT_TRUE(gbk::isValid("A\xB8\xD0"));
}

TEST(Codec, WholeCharPrefixNeverSplitsADoubleByteCharacter)
{
    const std::string text = "A\xB8\xD0\xC3\xB0"
                             "B"; // A 感 冒 B
    struct Row
    {
        std::size_t limit;
        std::size_t expected;
    };
    const Row rows[] = {{0, 0}, {1, 1}, {2, 1}, {3, 3}, {4, 3}, {5, 5}, {6, 6}, {100, 6}};
    for (const Row &row : rows) {
        SCOPED_TRACE(row.limit);
        EXPECT_EQ(gbk::wholeCharPrefix(text, row.limit), row.expected);
    }
}
