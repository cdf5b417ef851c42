#include "platform/IntegrityRecord.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <unistd.h>

TEST(Integrity, ChecksumIsXxh64)
{
    // Published XXH64 values for seed 0.
    EXPECT_EQ(integrity::checksum(""), 0xEF46DB3751D8E999ull);
    EXPECT_EQ(integrity::checksum("a"), 0xD24EC4F1A98C6E5Bull);
    EXPECT_EQ(integrity::checksum("abc"), 0x44BC2CF5AD770999ull);
}

TEST(Integrity, ChecksumInPiecesIsTheSame)
{
    // Values of the one-shot function that sealed the files already written; the lengths
    // straddle the 32-byte stripe.
    std::string text;
    for (int i = 0; i < 1000; ++i)
        text += static_cast<char>('a' + i * 7 % 26);
    const struct
    {
        std::size_t length;
        std::uint64_t expected;
    } rows[] = {{31, 0xc60b040c0aa3c968ull},
                {32, 0xecb57311ef028954ull},
                {33, 0xaafb3e2eb53be3e9ull},
                {100, 0xe645df0208c9f1d6ull},
                {1000, 0x8e59a86212175cf6ull}};
    for (const auto &row : rows) {
        const std::string_view bytes = std::string_view(text).substr(0, row.length);
        SCOPED_TRACE(row.length);
        EXPECT_EQ(integrity::checksum(bytes), row.expected);
        for (std::size_t piece : {1, 3, 31, 32, 33, 64, 999}) {
            integrity::TChecksum sum;
            for (std::size_t at = 0; at < bytes.size(); at += piece)
                sum.update(bytes.substr(at, piece));
            sum.update({});
            EXPECT_EQ(sum.digest(), row.expected) << "pieces of " << piece;
        }
    }
}

TEST(Integrity, SealDetectsEveryKindOfChange)
{
    const std::string content = "<packet>\n<rows/></packet>\n" + std::string(100, 'x');
    const std::string file = integrity::sealed(content);
    ASSERT_TRUE(integrity::isSealed(file));
    EXPECT_EQ(integrity::withoutSeal(file), content);

    std::string changed = file;
    changed[3] ^= 1;
    std::string appended = file + " ";
    std::string cut = file.substr(1);
    std::string truncated = file.substr(0, file.size() - 1);
    for (const std::string *bad : {&changed, &appended, &cut, &truncated})
        EXPECT_FALSE(integrity::isSealed(*bad));
    EXPECT_FALSE(integrity::isSealed(""));
    EXPECT_FALSE(integrity::isSealed(content));
}

TEST(Integrity, ExpectedSizeMatchesOnlySealedFiles)
{
    char folder[] = "/tmp/tervana-integrity-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string path = std::string(folder) + "/YaoPin.XML";
    auto write = [&](const std::string &bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    };
    const std::string good = integrity::sealed("<packet/>\n");

    write(good);
    EXPECT_EQ(integrity::expectedSize(path), static_cast<std::int32_t>(good.size()));
    write(good + "x");
    EXPECT_NE(integrity::expectedSize(path), static_cast<std::int32_t>(good.size() + 1));
    write("");
    EXPECT_NE(integrity::expectedSize(path), 0);
    std::remove(path.c_str());
    EXPECT_NE(integrity::expectedSize(path), -1); // the size check reads 0xFFFFFFFF then
    rmdir(folder);
}
