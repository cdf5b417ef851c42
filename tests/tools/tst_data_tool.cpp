#include "platform/Codec.h"
#include "platform/IntegrityRecord.h"
#include "criteria/cxFilterCriteria.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

// Runs the built tervana-data as a user would and checks its output, files and exit status.

namespace {

namespace fs = std::filesystem;

const char *const DrugFields[][2] = {
    {"TongYongMing", "40"},
    {"ShangPinMing", "40"},
    {"LeiBie", "30"},
    {"PinYin", "100"},
    {"ChengFen", "200"},
    {"XingZhuang", "100"},
    {"ZuoYongLeiBie", "60"},
    {"YaoLiZuoYong", "200"},
    {"ShiYongZheng", "200"},
    {"YongFaYongLiang", "200"},
    {"JinJiZheng", "200"},
    {"YaoWuXiangHuZuoYong", "1024"},
    {"BuLiangFanYong", "1024"},
    {"ZhuYiShiXiang", "1024"},
    {"GuiGe", "100"},
    {"ChuCang", "100"},
    {"BaoZhuang", "100"},
    {"YouXiaoQi", "60"},
    {"PiZhunWenHao", "200"},
    {"ShengChanQiYe", "100"},
    {"Phone", "15"},
    {"Web", "20"},
};

// The fields part of a source: the drug record's 22 fields, with `skip` left out and
// `memo` given the type Memo.
std::string drugFieldList(const std::string &skip = "", const std::string &memo = "")
{
    std::string list;
    for (const auto &field : DrugFields) {
        if (field[0] == skip) continue;
        if (!list.empty()) list += ",\n    ";
        list += std::string("{\"name\": \"") + field[0] + "\", \"type\": \"" +
                (field[0] == memo ? "Memo" : "String") + "\", \"width\": " + field[1] + "}";
    }
    return list;
}

// A source in exactly the layout that export writes, so that export must give it back.
const std::string EdgeSource = R"({
  "fields": [
    {"name": "名称", "type": "String", "width": 40},
    {"name": "Text", "type": "Memo", "width": 0},
    {"name": "Other", "type": "Integer", "width": 4294967295}
  ],
  "params": {
    "DISABLE_EDITS": false,
    "NO_RESET_CALL": true
  },
  "rows": [
    {
      "名称": "感冒灵颗粒",
      "Text": "line\nbreaks\r\nand\ttabs \"quoted\" <b> & ]]> \u0001\u001f end",
      "Other": null
    },
    {
      "名称": "",
      "Text": null,
      "Other": "/\\ ～！"
    }
  ]
}
)";

struct TResult
{
    int status = -1;
    std::string out;
    std::string err;
};

class DataTool : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_folder = fs::temp_directory_path() /
                   ("tervana-data-tool-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(m_folder);
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }

    std::string path(const std::string &name) const { return (m_folder / name).string(); }

    void writeFile(const std::string &name, const std::string &content) const
    {
        std::ofstream(path(name), std::ios::binary) << content;
    }

    static std::string readFile(const std::string &file)
    {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

    TResult tool(const std::string &arguments) const
    {
        const std::string out = path("stdout"), err = path("stderr");
        const std::string command = std::string("'") + TERVANA_BIN_DIR + "/tervana-data' " +
                                    arguments + " >'" + out + "' 2>'" + err + "' </dev/null";
        TResult result;
        int status = std::system(command.c_str());
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = readFile(out);
        result.err = readFile(err);
        return result;
    }

    // Builds a drug file from `fieldList` with one record.
    std::string buildDrugFile(const std::string &name, const std::string &fieldList)
    {
        writeFile(name + ".json",
                  "{\"fields\": [" + fieldList +
                      "], \"rows\": [{\"TongYongMing\": \"Vitamin C 维生素C片\"}, {}]}");
        TResult built = tool("build '" + path(name + ".json") + "' -o '" + path(name) + "'");
        EXPECT_EQ(built.status, 0) << built.err;
        return path(name);
    }

    fs::path m_folder;
};

void expectOneLine(const std::string &text)
{
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
}

} // namespace

TEST_F(DataTool, BuildExportBuildIsByteForByte)
{
    writeFile("source.json", EdgeSource);
    TResult built = tool("build '" + path("source.json") + "' -o '" + path("one.xml") + "'");
    ASSERT_EQ(built.status, 0) << built.err;
    EXPECT_EQ(built.out, "");
    const std::string first = readFile(path("one.xml"));
    EXPECT_TRUE(integrity::isSealed(first));

    TResult exported = tool("export '" + path("one.xml") + "'");
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.out, EdgeSource);

    TResult toFile = tool("export '" + path("one.xml") + "' -o '" + path("again.json") + "'");
    ASSERT_EQ(toFile.status, 0) << toFile.err;
    EXPECT_EQ(readFile(path("again.json")), EdgeSource);
    ASSERT_EQ(tool("build '" + path("again.json") + "' -o '" + path("two.xml") + "'").status, 0);
    EXPECT_EQ(readFile(path("two.xml")), first);
}

TEST_F(DataTool, BuildAcceptsAnyLayoutAndFillsNulls)
{
    // Other spacing, members in another order, a missing field, no params and no width.
    writeFile("source.json",
              "\xEF\xBB\xBF{\"rows\":[{\"B\":\"x\"}],\"fields\":[{\"type\":\"String\","
              "\"name\":\"A\"},{\"name\":\"B\",\"type\":\"Date\",\"width\":8}]}");
    ASSERT_EQ(tool("build '" + path("source.json") + "' -o '" + path("a.xml") + "'").status, 0);
    TResult exported = tool("export '" + path("a.xml") + "'");
    ASSERT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.out, "{\n"
                            "  \"fields\": [\n"
                            "    {\"name\": \"A\", \"type\": \"String\", \"width\": 0},\n"
                            "    {\"name\": \"B\", \"type\": \"Date\", \"width\": 8}\n"
                            "  ],\n"
                            "  \"params\": {},\n"
                            "  \"rows\": [\n"
                            "    {\n"
                            "      \"A\": null,\n"
                            "      \"B\": \"x\"\n"
                            "    }\n"
                            "  ]\n"
                            "}\n");
}

TEST_F(DataTool, CheckPassesOnlyAnUntouchedFile)
{
    const std::string file = buildDrugFile("YaoPin.XML", drugFieldList());
    TResult good = tool("check '" + file + "'");
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_EQ(good.out, "records: 2\nsize check: pass\n");

    const std::string original = readFile(file);
    std::string changed = original;
    changed[changed.find("Vitamin")] = 'W'; // inside a value: the file still opens
    struct TCase
    {
        const char *name;
        std::string bytes;
    };
    const std::vector<TCase> cases = {
        {"one byte appended", original + " "},
        {"last byte cut", original.substr(0, original.size() - 1)},
        {"one byte changed", changed},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        writeFile("YaoPin.XML", c.bytes);
        TResult result = tool("check '" + file + "'");
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "records: 2\nsize check: fail\n");
    }
}

TEST_F(DataTool, CheckShowsTheProgramsOpenFailures)
{
    struct TCase
    {
        const char *name;
        std::string file;
        std::string message;
    };
    const std::vector<TCase> cases = {
        {"field missing", buildDrugFile("noweb", drugFieldList("Web")),
         "cds: Field '网站' not found\n"},
        {"type mismatch", buildDrugFile("memo", drugFieldList("", "ZhuYiShiXiang")),
         "cds: Type mismatch for field '注意事项', expecting: String actual: Memo\n"},
        {"no file", path("absent.xml"), "cds: Missing data provider or data packet\n"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        TResult result = tool("check '" + c.file + "'");
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, c.message);
    }

    writeFile("broken.xml", "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<packet/>\n");
    TResult broken = tool("check '" + path("broken.xml") + "'");
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.out.rfind("cds: Data packet error at line 2", 0), 0u) << broken.out;
    expectOneLine(broken.out);
}

TEST_F(DataTool, BadInputIsOneLineAndStatusTwo)
{
    struct TCase
    {
        const char *name;
        std::string source;
        std::string message;
    };
    const std::string fields =
        "\"fields\": [{\"name\": \"A\", \"type\": \"String\", \"width\": 4}]";
    const std::vector<TCase> cases = {
        {"not json", "{\"fields\": [}", "not valid JSON: line 1, column 13"},
        {"trailing comma", "{\"fields\": [],}", "not valid JSON"},
        {"second line", "{\n  \"fields\": nul\n}",
         "not valid JSON: line 2, column 16: syntax error while parsing value - invalid literal"},
        {"bad utf-8", "{\"fields\": [], \"x\": \"\xC3\"}",
         "line 1, column 23: syntax error while parsing value - invalid string: ill-formed "
         "UTF-8 byte; last read: '\"?\"'"},
        {"not an object", "[]", "the source must be an object, not an array"},
        {"no fields", "{\"rows\": []}", "the source has no \"fields\""},
        {"unknown top member", "{" + fields + ", \"extra\": 1}", "unknown member 'extra'"},
        {"field without type", "{\"fields\": [{\"name\": \"A\"}]}", "field 1 has no type"},
        {"negative width", "{\"fields\": [{\"name\": \"A\", \"type\": \"String\", \"width\": -1}]}",
         "field 1 width must be a whole number"},
        {"fractional width",
         "{\"fields\": [{\"name\": \"A\", \"type\": \"String\", \"width\": 1.5}]}",
         "field 1 width must be a whole number"},
        {"width too large",
         "{\"fields\": [{\"name\": \"A\", \"type\": \"String\", \"width\": 4294967296}]}",
         "field 1 width must be a whole number"},
        {"same name twice",
         "{\"fields\": [{\"name\": \"Web\", \"type\": \"String\"}, {\"name\": \"WEB\", \"type\": "
         "\"String\"}]}",
         "fields 1 and 2 have the same name 'WEB'"},
        {"param not boolean", "{" + fields + ", \"params\": {\"DISABLE_EDITS\": \"yes\"}}",
         "param 'DISABLE_EDITS' must be a Boolean, not a text"},
        {"unknown field in a row", "{" + fields + ", \"rows\": [{}, {\"B\": \"x\"}]}",
         "row 2: no field is named 'B'"},
        {"number as value", "{" + fields + ", \"rows\": [{\"A\": 5}]}",
         "row 1, field 'A' must be a text or null, not a number"},
        {"field given twice", "{" + fields + ", \"rows\": [{\"A\": \"x\", \"A\": null}]}",
         "row 1, field 'A' is given twice"},
        {"field given twice, the second an object that repeats itself",
         "{" + fields + ", \"rows\": [{\"A\": \"x\", \"A\": {\"A\": 1, \"A\": [{}]}}]}",
         "row 1, field 'A' is given twice"},
        {"top member twice", "{" + fields + ", \"rows\": [], " + fields + "}",
         "the source has the member 'fields' twice"},
        {"field member twice",
         "{\"fields\": [{\"name\": \"A\", \"type\": \"String\", \"name\": \"B\"}]}",
         "field 1 has the member 'name' twice"},
        {"param twice", "{" + fields + ", \"params\": {\"P\": true, \"P\": true}}",
         "param 'P' is given twice"},
        {"nested too deeply",
         "{" + fields + ", \"rows\": [{\"A\": " + std::string(70, '[') + std::string(70, ']') +
             "}]}",
         "not valid JSON: values nested more than 64 deep"},
        {"zero byte after the value", "{" + fields + "}" + std::string(1, '\0') + "junk",
         "not valid JSON: line 1, column 58: a zero byte, which JSON text cannot hold"},
        {"width beyond a double",
         "{\"fields\": [{\"name\": \"A\", \"type\": \"S\", \"width\": 1e400}]}",
         "not valid JSON: number overflow parsing '1e400'"},
        {"text outside GBK",
         "{" + fields + ", \"rows\": [{\"A\": \"ok\"}, {\"A\": \"\\ud83d\\ude00\"}]}",
         "row 2, field 'A' holds a character that GBK cannot represent"},
        {"zero character", "{" + fields + ", \"rows\": [{\"A\": \"a\\u0000b\"}]}",
         "row 1, field 'A' holds the character U+0000"},
        {"lone surrogate", "{" + fields + ", \"rows\": [{\"A\": \"\\udc00\"}]}",
         "surrogate U+DC00..U+DFFF must follow U+D800..U+DBFF"},
    };
    writeFile("old.xml", "old content");
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        writeFile("source.json", c.source);
        TResult result = tool("build '" + path("source.json") + "' -o '" + path("old.xml") + "'");
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(result.err.rfind("tervana-data: " + path("source.json") + ": ", 0), 0u)
            << result.err;
        expectOneLine(result.err);
        EXPECT_EQ(readFile(path("old.xml")), "old content");
    }
}

TEST_F(DataTool, FilesThatCannotBeReadOrWritten)
{
    writeFile("source.json", EdgeSource);
    TResult noSource = tool("build '" + path("missing.json") + "' -o '" + path("x.xml") + "'");
    EXPECT_EQ(noSource.status, 2);
    EXPECT_NE(noSource.err.find("cannot read"), std::string::npos) << noSource.err;
    expectOneLine(noSource.err);

    TResult noFolder =
        tool("build '" + path("source.json") + "' -o '" + path("no/such/folder/x.xml") + "'");
    EXPECT_EQ(noFolder.status, 2);
    EXPECT_NE(noFolder.err.find("cannot write"), std::string::npos) << noFolder.err;
    expectOneLine(noFolder.err);

    writeFile("bad.xml", "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<packet format=\"x\"/>");
    TResult badPacket = tool("export '" + path("bad.xml") + "'");
    EXPECT_EQ(badPacket.status, 2);
    EXPECT_NE(badPacket.err.find("Data packet error at line 2"), std::string::npos)
        << badPacket.err;
    expectOneLine(badPacket.err);

    // Bytes that are not GBK text cannot go into JSON; export says where they are.
    writeFile("hex.xml",
              "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<packet format=\"tervana-data\" "
              "version=\"1\"><fields><field name=\"A\" type=\"String\"/></fields>"
              "<rows><row c1=\"ok\"/><row h1=\"ff\"/></rows></packet>");
    TResult notText = tool("export '" + path("hex.xml") + "'");
    EXPECT_EQ(notText.status, 2);
    EXPECT_NE(notText.err.find("row 2, field 'A' is not valid GBK text"), std::string::npos)
        << notText.err;
    EXPECT_EQ(notText.out, "");
}

TEST_F(DataTool, UsageErrors)
{
    for (const std::string arguments :
         {"", "frobnicate x", "build", "build a.json", "build a.json -o",
          "build a.json b.json -o c", "export", "export a b", "check", "check a b", "check a -o b",
          "build a.json -o b -o c", "export a --verbose"}) {
        SCOPED_TRACE(arguments);
        TResult result = tool(arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.err.rfind("usage: tervana-data build SOURCE.json -o FILE\n", 0), 0u)
            << result.err;
        EXPECT_EQ(result.out, "");
    }
}

namespace {

// A ".flt" stream holding one condition on the name column, written by the program's own
// criteria code.
std::string nameFilter(TcxFilterOperatorKind kind, const std::string &utf8Value)
{
    TcxFilterCriteria criteria;
    const std::string value = gbk::fromUtf8(utf8Value).value();
    criteria.addCondition(nullptr, 0, kind, TVariant(value), value);
    return criteria.writeToStream();
}

} // namespace

TEST_F(DataTool, QueryPrintsTheFilterTextAndTheNamesThatPassInListOrder)
{
    writeFile("source.json", "{\"fields\": [" + drugFieldList() +
                                 "], \"rows\": [{\"TongYongMing\": \"小儿感冒颗粒\"}, "
                                 "{\"TongYongMing\": \"ABC\"}, {}, {\"TongYongMing\": \"\"}, "
                                 "{\"TongYongMing\": \"感冒灵\\r\\n颗粒\"}, "
                                 "{\"TongYongMing\": \"头痛片\"}]}");
    ASSERT_EQ(tool("build '" + path("source.json") + "' -o '" + path("YaoPin.XML") + "'").status,
              0);
    struct Row
    {
        const char *name;
        std::string stream;
        std::string expected;
    };
    const Row rows[] = {
        {"empty filter", std::string("\xFF\xFF\xFF\xFF\0\0\0\0\0", 9),
         "\n<null>\n\nABC\n感冒灵\\n颗粒\n头痛片\n小儿感冒颗粒\n"},
        {"like", nameFilter(TcxFilterOperatorKind::Like, "%感冒%"),
         "(药品列表 LIKE %感冒%)\n感冒灵\\n颗粒\n小儿感冒颗粒\n"},
        {"equal", nameFilter(TcxFilterOperatorKind::Equal, "头痛片"),
         "(药品列表 = 头痛片)\n头痛片\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        writeFile("filter.flt", row.stream);
        TResult result =
            tool("query '" + path("YaoPin.XML") + "' --flt '" + path("filter.flt") + "'");
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(result.out, row.expected);
    }
}

TEST_F(DataTool, QueryRefusesABadFilterFile)
{
    const std::string file = buildDrugFile("YaoPin.XML", drugFieldList());
    const std::string good = nameFilter(TcxFilterOperatorKind::Like, "%感冒%");
    for (const std::string &bad : {std::string("xx"), good.substr(0, good.size() - 3)}) {
        writeFile("bad.flt", bad);
        TResult result = tool("query '" + file + "' --flt '" + path("bad.flt") + "'");
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "Stream read error\n");
        EXPECT_EQ(result.out, "");
    }
    EXPECT_EQ(tool("query '" + file + "'").status, 2) << "the filter file is required";
}

namespace {

// A sound record for the content check: a herbal medicine, so that only the rules for every
// record apply. `leiBie` replaces its class.
std::string herbalRow(const std::string &leiBie = "甲类非处方药", const std::string &extra = "")
{
    return "{" + extra +
           "\"TongYongMing\": \"板蓝根颗粒\", \"ShangPinMing\": \"例蓝\", \"LeiBie\": \"" + leiBie +
           "\", \"PinYin\": \"Banlangen Keli\", \"ChengFen\": \"板蓝根。辅料为蔗糖、糊精。\", "
           "\"XingZhuang\": \"本品为浅棕黄色至棕褐色的颗粒；味甜、微苦。\", "
           "\"ZuoYongLeiBie\": \"本品为感冒类非处方药药品。\", "
           "\"YaoLiZuoYong\": \"清热解毒，凉血利咽。\", "
           "\"ShiYongZheng\": \"清热解毒，凉血利咽。用于肺胃热盛所致的咽喉肿痛、口咽干燥。\", "
           "\"YongFaYongLiang\": \"开水冲服。一次5～10g（半袋～1袋），一日3～4次。\", "
           "\"JinJiZheng\": \"尚不明确。\", "
           "\"YaoWuXiangHuZuoYong\": "
           "\"如与其他药物同时使用可能会发生药物相互作用，详情请咨询医师或药师。\", "
           "\"BuLiangFanYong\": \"尚不明确。\", "
           "\"ZhuYiShiXiang\": "
           "\"1.忌烟、酒及辛辣、生冷、油腻食物。\\r\\n2.对本品过敏者禁用，过敏体质者慎用。\", "
           "\"GuiGe\": \"每袋装10g（相当于饮片14g）\", \"ChuCang\": \"密封。\", "
           "\"BaoZhuang\": \"复合膜袋装，每袋10g，每盒20袋。\", \"YouXiaoQi\": \"24个月\", "
           "\"PiZhunWenHao\": \"国药准字Z00000001（示例）\", "
           "\"ShengChanQiYe\": \"示例制药股份有限公司\", \"Phone\": \"000-12345601\", "
           "\"Web\": \"www.shili-yy.cn\"}";
}

} // namespace

TEST_F(DataTool, LintReadsDataFilesSourcesAndDraftsWithItsExitStatus)
{
    writeFile("clean.json",
              "{\"fields\": [" + drugFieldList() + "], \"rows\": [" + herbalRow() + "]}");
    TResult clean = tool("lint '" + path("clean.json") + "'");
    EXPECT_EQ(clean.status, 0) << clean.err;
    EXPECT_EQ(clean.out, "1 records, clean\n");
    EXPECT_EQ(clean.err, "");

    // A data file is read as export reads it; its own widths apply.
    writeFile("faulty.json",
              "{\"fields\": [" + drugFieldList() + "], \"rows\": [" + herbalRow("甲类") + "]}");
    ASSERT_EQ(tool("build '" + path("faulty.json") + "' -o '" + path("YaoPin.XML") + "'").status,
              0);
    TResult faulty = tool("lint '" + path("YaoPin.XML") + "'");
    EXPECT_EQ(faulty.status, 1);
    EXPECT_EQ(faulty.out, "板蓝根颗粒（例蓝） LeiBie: 应为“甲类非处方药”或“乙类非处方药”\n");
    EXPECT_EQ(faulty.err, "1 records, 1 findings\n");

    // Draft rows take the shipped widths and may carry notes.
    const std::string notes = "\"_sources\": [\"说明书\"], \"_notes\": [], ";
    writeFile("new_H1.json", "[" + herbalRow("乙类非处方药", notes) + ",\n" +
                                 herbalRow("乙类非处方药", notes) + "]");
    TResult drafts = tool("lint '" + path("new_H1.json") + "'");
    EXPECT_EQ(drafts.status, 1);
    EXPECT_EQ(drafts.out,
              "板蓝根颗粒（例蓝） ShangPinMing: 第2条记录与第1条记录的通用名称和商品名称相同\n");
}

TEST_F(DataTool, LintCannotReadStatusTwo)
{
    writeFile("bad.json", "[{\"TongYongMing\": }]");
    writeFile("twice.json", "[{\"TongYongMing\": \"a\", \"_note\": 1, \"_note\": 2, "
                            "\"TongYongMing\": \"b\"}]");
    writeFile("bad.xml", "<?xml version=\"1.0\" encoding=\"GBK\"?>\n<packet/>\n");
    writeFile("noweb.json", "{\"fields\": [" + drugFieldList("Web") + "], \"rows\": []}");
    struct TCase
    {
        const char *name;
        std::string file;
        std::string message;
    };
    const std::vector<TCase> cases = {
        {"no file", path("absent.xml"), "cannot read"},
        {"not JSON", path("bad.json"), "not valid JSON: line 1, column 19"},
        {"a field twice", path("twice.json"), "row 1, field 'TongYongMing' is given twice"},
        {"not a packet", path("bad.xml"), "Data packet error at line 2"},
        {"a field missing", path("noweb.json"), "the data has no field 'Web'"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        TResult result = tool("lint '" + c.file + "'");
        EXPECT_EQ(result.status, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err.rfind("tervana-data: " + c.file + ": ", 0), 0u) << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        expectOneLine(result.err);
    }
    for (const std::string arguments : {"lint", "lint a b", "lint a -o b", "lint a --flt b"}) {
        SCOPED_TRACE(arguments);
        TResult result = tool(arguments);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.err.find("tervana-data lint FILE\n"), std::string::npos) << result.err;
    }
}
