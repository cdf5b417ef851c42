#include "platform/Codec.h"
#include "tervana-data/DataTool.h"
#include "platform/IntegrityRecord.h"
#include "tervana-data/Merge.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

// The update's three-way merge: the user's copy, the release it came from, the new release.

namespace {

namespace fs = std::filesystem;
using TRow = std::vector<std::optional<std::string>>;

// A table with a generic name, a trade name and two texts; rows in UTF-8 for readability.
TDataTable table(const std::vector<std::vector<const char *>> &rows,
                 std::vector<std::string> names = {"TongYongMing", "ShangPinMing", "GuiGe",
                                                   "ZhuYiShiXiang"})
{
    TDataTable result;
    for (const std::string &name : names)
        result.fields.push_back({name, "String", 100,
                                 static_cast<std::uint32_t>(result.fields.size() + 1)});
    for (const auto &values : rows) {
        TRow &row = result.rows.emplace_back();
        for (const char *value : values)
            row.push_back(value ? std::optional<std::string>(*gbk::fromUtf8(value)) : std::nullopt);
    }
    return result;
}

std::vector<std::vector<std::string>> utf8Rows(const TDataTable &table)
{
    std::vector<std::vector<std::string>> rows;
    for (const TRow &row : table.rows) {
        auto &out = rows.emplace_back();
        for (const auto &value : row) out.push_back(value ? gbk::toUtf8(*value) : "<null>");
    }
    return rows;
}

using TRows = std::vector<std::vector<std::string>>;

TEST(Merge, EachFieldTakesTheReleasesTextUnlessTheUserChangedIt)
{
    const TDataTable base = table({{"甲片", "甲", "0.1g", "旧注意"}, {"乙片", "乙", "5mg", "乙注意"}});
    const TDataTable mine = table({{"甲片", "甲", "0.1g", "我的注意"}, {"乙片", "乙", "我的规格", "乙注意"}});
    const TDataTable next = table({{"甲片", "甲", "0.2g", "新注意"}, {"乙片", "乙", "我的规格", "乙新注意"}});
    const TMergeResult result = mergeDataTables(base, mine, next);
    // 甲: the user's 注意事项 against a new one is a conflict (theirs kept); 0.2g arrives.
    // 乙: the release made the user's own change too (no conflict); the new 注意事项 arrives.
    EXPECT_EQ(utf8Rows(result.table), (TRows{{"甲片", "甲", "0.2g", "我的注意"},
                                             {"乙片", "乙", "我的规格", "乙新注意"}}));
    EXPECT_EQ(result.report.corrected, 2u);
    EXPECT_EQ(result.report.keptFields, 2u);
    EXPECT_EQ(result.report.conflicts, std::vector<std::string>{"甲片（甲） 注意事项"});
    EXPECT_EQ(result.report.summary(), "数据已更新到新版：更正 2 种药品，新增 0 种，删除 0 种；"
                                       "保留了您修改的 2 处文字（其中 1 处新版也有修改）。");
}

TEST(Merge, RemovedRecordsGoUnlessEditedAndNewOnesArriveInTheReleasesOrder)
{
    const TDataTable base = table({{"甲片", "甲", "1", "a"}, {"乙片", "乙", "2", "b"}, {"丙片", "丙", "3", "c"}});
    const TDataTable mine = table({{"甲片", "甲", "1", "a"}, {"乙片", "乙", "2", "b 我的"}, {"丙片", "丙", "3", "c"}});
    const TDataTable next = table({{"丁片", "丁", "4", "d"}, {"甲片", "甲", "1", "a"}});
    const TMergeResult result = mergeDataTables(base, mine, next);
    EXPECT_EQ(utf8Rows(result.table), (TRows{{"丁片", "丁", "4", "d"},
                                             {"甲片", "甲", "1", "a"},
                                             {"乙片", "乙", "2", "b 我的"}}));
    EXPECT_EQ(result.report.added, 1u);
    EXPECT_EQ(result.report.removed, 1u);
    EXPECT_EQ(result.report.removedRecords, std::vector<std::string>{"丙片（丙）"});
    EXPECT_EQ(result.report.keptRecords, std::vector<std::string>{"乙片（乙）"});
    const std::string text = result.report.text();
    EXPECT_NE(text.find("新版已删除、您修改过的 1 种药品仍保留"), std::string::npos) << text;
    EXPECT_NE(text.find("已删除：丙片（丙）"), std::string::npos) << text;
}

TEST(Merge, TheUsersCopyIsPairedByPositionSoARenamedRecordIsStillTheirs)
{
    const TDataTable base = table({{"甲片", "甲", "1", "a"}, {"乙片", "乙", "2", "b"}});
    const TDataTable mine = table({{"甲片（我改的名）", "甲", "1", "a"}, {"乙片", "乙", "2", "b"}});
    const TDataTable next = table({{"甲片", "甲", "1", "a 更正"}, {"乙片", "乙", "2", "b"}});
    EXPECT_EQ(utf8Rows(mergeDataTables(base, mine, next).table),
              (TRows{{"甲片（我改的名）", "甲", "1", "a 更正"}, {"乙片", "乙", "2", "b"}}));
}

TEST(Merge, ACopyOfAnotherLengthIsPairedByNameAndRepeatedNamesInTurn)
{
    // The user's copy lost a record (another tool): the rest still pair, by name; the two
    // records named alike pair first with first and second with second.
    const TDataTable base = table({{"甲片", "甲", "1", "一"}, {"甲片", "甲", "1", "二"}, {"乙片", "乙", "2", "b"}});
    const TDataTable mine = table({{"甲片", "甲", "1", "一"}, {"甲片", "甲", "1", "二 我的"}});
    const TDataTable next = table({{"甲片", "甲", "1", "一 新"}, {"甲片", "甲", "1", "二"}, {"乙片", "乙", "2", "b"}});
    const TMergeResult result = mergeDataTables(base, mine, next);
    EXPECT_EQ(utf8Rows(result.table),
              (TRows{{"甲片", "甲", "1", "一 新"}, {"甲片", "甲", "1", "二 我的"}}));
    EXPECT_EQ(result.report.removed, 0u); // 乙 was the user's removal, not the release's
}

TEST(Merge, TheResultHasTheReleasesFields)
{
    const TDataTable base = table({{"甲片", "甲", "1"}}, {"TongYongMing", "ShangPinMing", "GuiGe"});
    const TDataTable mine = table({{"甲片", "甲", "我的"}}, {"tongyongming", "SHANGPINMING", "guige"});
    const TDataTable next = table({{"甲片", "甲", "1", "新字段"}});
    const TMergeResult result = mergeDataTables(base, mine, next);
    ASSERT_EQ(result.table.fields.size(), 4u);
    EXPECT_EQ(result.table.fields[0].name, "TongYongMing");
    EXPECT_EQ(utf8Rows(result.table), (TRows{{"甲片", "甲", "我的", "新字段"}}));
}

TEST(Merge, AFileWithoutGenericNamesCannotBeMerged)
{
    const TDataTable good = table({{"甲片", "甲", "1", "a"}});
    const TDataTable nameless = table({{"1"}}, {"GuiGe"});
    EXPECT_THROW(mergeDataTables(good, nameless, good), EToolError);
    EXPECT_THROW(mergeDataTables(good, good, nameless), EToolError);
}

// The command as the update runs it: files in, a sealed file out, the report on stdout.
TEST(MergeCommand, WritesASealedFileAndPrintsTheReport)
{
    const fs::path folder = fs::temp_directory_path() / ("tervana-merge-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    auto write = [&](const char *name, const TDataTable &content) {
        std::ofstream(folder / name, std::ios::binary) << writeDataTable(content);
    };
    write("base.xml", table({{"甲片", "甲", "1", "a"}, {"乙片", "乙", "2", "b"}}));
    write("mine.xml", table({{"甲片", "甲", "1", "我的"}, {"乙片", "乙", "2", "b"}}));
    write("new.xml", table({{"甲片", "甲", "1.5", "a"}}));
    std::ofstream(folder / "broken.xml") << "<packet";
    auto run = [&](const std::string &arguments) {
        const std::string command = std::string("cd '") + folder.string() + "' && '" +
                                    TERVANA_BIN_DIR + "/tervana-data' merge " + arguments +
                                    " >stdout 2>stderr";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    auto read = [&](const char *name) {
        std::ifstream in(folder / name, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    };

    ASSERT_EQ(run("base.xml mine.xml new.xml -o out.xml"), 0) << read("stderr");
    const std::string out = read("out.xml");
    EXPECT_TRUE(integrity::isSealed(out));
    EXPECT_EQ(utf8Rows(readDataTable(out)), (TRows{{"甲片", "甲", "1.5", "我的"}}));
    EXPECT_EQ(read("stdout"), "数据已更新到新版：更正 1 种药品，新增 0 种，删除 1 种；保留了您修改的 1 处文字。\n"
                              "已删除：乙片（乙）\n");

    // A file that cannot be read leaves the output as it was and says which file it was.
    EXPECT_EQ(run("base.xml broken.xml new.xml -o out.xml"), 2);
    EXPECT_NE(read("stderr").find("broken.xml"), std::string::npos) << read("stderr");
    EXPECT_EQ(read("out.xml"), out);
    EXPECT_EQ(run("base.xml missing.xml new.xml -o out.xml"), 2);
    EXPECT_EQ(run("base.xml mine.xml -o out.xml"), 2); // usage
    fs::remove_all(folder);
}

} // namespace
