#include "engine/DataPacket.h"

#include "platform/Codec.h"
#include "platform/IntegrityRecord.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using TRow = std::vector<std::optional<std::string>>;

std::vector<TFieldDescriptor> stringFields(std::size_t count)
{
    std::vector<TFieldDescriptor> fields;
    for (std::size_t i = 1; i <= count; ++i)
        fields.push_back({"F" + std::to_string(i), "String", 40, static_cast<std::uint32_t>(i)});
    return fields;
}

std::string write(const std::vector<TFieldDescriptor> &fields, const std::vector<TRow> &rows,
                  const std::vector<TPacketParam> &params = {})
{
    return writeDataPacket(
        fields, params, rows.size(),
        [&](std::size_t row, std::uint32_t fieldNo) -> std::optional<std::string_view> {
            const auto &value = rows[row][fieldNo - 1];
            if (!value) return std::nullopt;
            return std::string_view(*value);
        });
}

std::vector<TRow> rowsOf(const TPacketContent &content)
{
    std::vector<TRow> rows;
    const std::size_t fieldCount = content.fields.size();
    for (std::size_t r = 0; r < content.rowCount; ++r) {
        TRow row;
        for (std::size_t f = 0; f < fieldCount; ++f) {
            const TPacketCell &cell = content.cells[r * fieldCount + f];
            row.push_back(cell.isNull() ? std::nullopt : std::optional<std::string>(cell.bytes()));
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// Every double-byte code of a GBK range that the codec accepts, one after another.
std::string gbkRange(unsigned leadFirst, unsigned leadLast, unsigned trailFirst, unsigned trailLast)
{
    std::string text;
    for (unsigned lead = leadFirst; lead <= leadLast; ++lead) {
        for (unsigned trail = trailFirst; trail <= trailLast; ++trail) {
            if (trail == 0x7F) continue;
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            if (gbk::isValid(std::string_view(pair, 2))) text.append(pair, 2);
        }
    }
    return text;
}

struct TRoundTripCase
{
    const char *name;
    std::optional<std::string> value;
    bool hexForm;
};

std::vector<TRoundTripCase> roundTripCases()
{
    return {
        {"null", std::nullopt, false},
        {"empty", std::string(), false},
        {"plain ascii", std::string("Aspirin 0.5 g"), false},
        {"line breaks of every kind", std::string("a\nb\r\nc\rd\n\n"), false},
        {"tabs and spaces", std::string("\t lead\t\ttrail \t"), false},
        {"quotes and apostrophes", std::string("say \"\" and 'x'"), false},
        {"markup characters", std::string("<row c1=\"x\"/> & &amp; &#10; ]]> <![CDATA[ x ]]>"),
         false},
        {"gbk text", gbk::fromUtf8("感冒灵颗粒，每次1袋，一日3次。").value(), false},
        {"GBK/1 symbols", gbkRange(0xA1, 0xA9, 0xA1, 0xFE), false},
        {"GBK/2 GB2312 hanzi", gbkRange(0xB0, 0xF7, 0xA1, 0xFE), false},
        {"GBK/3 extension hanzi", gbkRange(0x81, 0xA0, 0x40, 0xFE), false},
        {"GBK/4 extension hanzi", gbkRange(0xAA, 0xFE, 0x40, 0xA0), false},
        {"GBK/5 extension symbols", gbkRange(0xA8, 0xA9, 0x40, 0xA0), false},
        {"trail bytes that look like ASCII", gbk::fromUtf8("丂丄丅丆乗乚").value(), false},
        {"control bytes", std::string("bell\x07 esc\x1b unit\x1f", 16), true},
        {"control byte among line breaks", std::string("a\n\x01\r\n"), true},
        {"lone lead byte at the end", std::string("abc\xB0"), true},
        {"lead byte before a quote", std::string("\x81\"<&"), true},
        {"invalid byte 0xFF", std::string("x\xFFy"), true},
        {"user-defined area", std::string("\xAA\xA1\xF8\xA1"), true},
        {"a long value", std::string(100000, 'z'), false},
    };
}

std::string hexOf(std::string_view bytes)
{
    static const char Digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) {
        text += Digits[c >> 4];
        text += Digits[c & 0x0F];
    }
    return text;
}

class TTempFile
{
public:
    explicit TTempFile(const std::string &content)
    {
        char name[] = "/tmp/tervana-packet-XXXXXX";
        int fd = mkstemp(name);
        EXPECT_GE(fd, 0);
        if (fd >= 0) close(fd);
        m_path = name;
        std::ofstream(m_path, std::ios::binary) << content;
    }
    ~TTempFile() { std::remove(m_path.c_str()); }
    const std::string &path() const { return m_path; }

private:
    std::string m_path;
};

// Runs a shell command; its standard output and exit status.
std::pair<std::string, int> run(const std::string &command)
{
    std::string output;
    FILE *pipe = popen(command.c_str(), "r");
    if (!pipe) return {output, -1};
    char chunk[65536];
    std::size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, pipe)) > 0)
        output.append(chunk, got);
    int status = pclose(pipe);
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

bool haveCommand(const std::string &name)
{
    return run("command -v " + name + " >/dev/null 2>&1").second == 0;
}

} // namespace

TEST(DataPacket, ValuesRoundTripByteForByte)
{
    const auto cases = roundTripCases();
    const auto fields = stringFields(cases.size());
    TRow row;
    for (const auto &c : cases)
        row.push_back(c.value);
    const std::string written = write(fields, {row, TRow(cases.size())});
    ASSERT_TRUE(integrity::isSealed(written));

    TPacketContent content = readDataPacket(written);
    ASSERT_EQ(content.rowCount, 2u);
    const auto rows = rowsOf(content);
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(rows[0][i], cases[i].value);
        EXPECT_EQ(rows[1][i], std::nullopt);
        if (cases[i].value) {
            EXPECT_EQ(needsHexForm(*cases[i].value), cases[i].hexForm);
        }
    }
    // Writing what was read gives the same file again.
    EXPECT_EQ(write(fields, rows), written);

    // An empty value may come as a view of nothing at all.
    const std::string empty = writeDataPacket(
        stringFields(2), {}, 1, [](std::size_t, std::uint32_t) -> std::optional<std::string_view> {
            return std::string_view();
        });
    EXPECT_EQ(rowsOf(readDataPacket(empty)), (std::vector<TRow>{{"", ""}}));
}

TEST(DataPacket, HexFormIsChosenExactlyWhereTheCodecRefuses)
{
    // The writer's fast check, which takes whole words of plain text or of Chinese characters
    // at once, must agree with the codec on every kind of byte sequence, and escape exactly
    // what XML needs escaped.
    std::uint64_t state = 99;
    auto next = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<unsigned>(state >> 33);
    };
    auto escaped = [](std::string_view value) {
        std::string text;
        for (char c : value) {
            switch (c) {
            case '&': text += "&amp;"; break;
            case '<': text += "&lt;"; break;
            case '>': text += "&gt;"; break;
            case '"': text += "&quot;"; break;
            case '\t': text += "&#9;"; break;
            case '\n': text += "&#10;"; break;
            case '\r': text += "&#13;"; break;
            default: text += c;
            }
        }
        return text;
    };
    const std::string specials = "&<>\"\t\n\r";
    const auto fields = stringFields(1);
    for (int round = 0; round < 20000; ++round) {
        std::string value;
        const unsigned length = 1 + next() % (round % 2 ? 6 : 48);
        while (value.size() < length) {
            switch (next() % 8) {
            case 0: value += static_cast<char>(0x20 + next() % 0x60); break;
            case 1: value += specials[next() % specials.size()]; break;
            case 2: // a common character, or one of the lead bytes with holes in their rows
                value += static_cast<char>(next() % 4 ? 0xB0 + next() % 0x48 : 0xA1 + next() % 9);
                value += static_cast<char>(0xA1 + next() % 0x5E);
                break;
            case 3:
                if (next() % 16 == 0) value += static_cast<char>(next() % 0x20);
                break;
            default: value += static_cast<char>(0x80 + next() % 0x80);
            }
        }
        SCOPED_TRACE(hexOf(value));
        bool control = false;
        for (unsigned char c : value)
            control |= c < 0x20 && c != '\t' && c != '\n' && c != '\r';
        const bool hex = control || !gbk::isValid(value);
        ASSERT_EQ(needsHexForm(value), hex);
        if (hex || value.find('\0') != std::string::npos) continue;
        const std::string written = write(fields, {{value}});
        ASSERT_NE(written.find(" c1=\"" + escaped(value) + "\"/>"), std::string::npos);
    }
    EXPECT_TRUE(needsHexForm("ok\x01"));
    EXPECT_FALSE(needsHexForm("ok\t\r\n"));
}

TEST(DataPacket, ParserTreesOfOtherUsersKeepTheirOwnMemory)
{
    // The reader gives its tree memory of its own; a tree made elsewhere, before and after,
    // lives and goes on the ordinary heap (the sanitizer build would see a mix-up).
    auto before = std::make_unique<pugi::xml_document>();
    ASSERT_TRUE(before->load_string("<a><b c='1'/></a>"));
    const std::string packet = write(stringFields(2), {{"x", std::nullopt}, {"y", "z"}});
    EXPECT_EQ(readDataPacket(packet).rowCount, 2u);
    auto after = std::make_unique<pugi::xml_document>();
    ASSERT_TRUE(after->load_string("<d e='2'/>"));
    EXPECT_STREQ(before->child("a").child("b").attribute("c").value(), "1");
    before.reset();
    EXPECT_STREQ(after->child("d").attribute("e").value(), "2");
}

TEST(DataPacket, SampleRangesAreNotEmpty)
{
    // Guards the round-trip table: a codec that accepted nothing would make it vacuous.
    EXPECT_GT(gbkRange(0xB0, 0xF7, 0xA1, 0xFE).size(), 6000u * 2);
    EXPECT_GT(gbkRange(0x81, 0xA0, 0x40, 0xFE).size(), 6000u * 2);
}

TEST(DataPacket, WrittenLayout)
{
    auto fields = stringFields(2);
    fields[1].typeName = "Memo";
    fields[1].width = 0;
    const std::string written =
        write(fields, {{std::string("a&b"), std::nullopt}, {std::string(), std::string("\x01")}},
              {{"DISABLE_EDITS", true}, {"NO_RESET_CALL", false}});
    const std::string expected = "<?xml version=\"1.0\" encoding=\"GBK\"?>\n"
                                 "<packet format=\"tervana-data\" version=\"1\">\n"
                                 "  <fields>\n"
                                 "    <field name=\"F1\" type=\"String\" width=\"40\"/>\n"
                                 "    <field name=\"F2\" type=\"Memo\" width=\"0\"/>\n"
                                 "  </fields>\n"
                                 "  <params>\n"
                                 "    <param name=\"DISABLE_EDITS\" value=\"true\"/>\n"
                                 "    <param name=\"NO_RESET_CALL\" value=\"false\"/>\n"
                                 "  </params>\n"
                                 "  <rows>\n"
                                 "    <row c1=\"a&amp;b\"/>\n"
                                 "    <row c1=\"\" h2=\"01\"/>\n"
                                 "  </rows>\n"
                                 "</packet>\n";
    EXPECT_EQ(written, integrity::sealed(expected));

    TPacketContent content = readDataPacket(written);
    ASSERT_EQ(content.fields.size(), 2u);
    EXPECT_EQ(content.fields[1].name, "F2");
    EXPECT_EQ(content.fields[1].typeName, "Memo");
    EXPECT_EQ(content.fields[1].position, 2u);
    EXPECT_EQ(content.params,
              (std::vector<TPacketParam>{{"DISABLE_EDITS", true}, {"NO_RESET_CALL", false}}));
}

TEST(DataPacket, ReaderFollowsXmlRulesForHandWrittenPackets)
{
    // What another XML tool would read from the same attribute is what the engine reads.
    const std::string packet = "<?xml version='1.0' encoding='gbk'?>\n"
                               "<!-- written by hand -->\n"
                               "<packet version=\"1\" format='tervana-data'>\n"
                               "<fields><field type='Integer' name='n'/><field name='&#x540D;' "
                               "type='String' width='7'/></fields>\n"
                               "<rows>\n"
                               "<row c1='a\tb\r\nc\nd' c2='&#20013;&#x6587;&apos;&#65;'/>\n"
                               "<row h1='C4E3BAc3'/>\n"
                               "</rows></packet>\n";
    TPacketContent content = readDataPacket(packet);
    ASSERT_EQ(content.fields.size(), 2u);
    EXPECT_EQ(content.fields[0].width, 0u);
    EXPECT_EQ(content.fields[1].name, gbk::fromUtf8("名").value());
    const auto rows = rowsOf(content);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0][0], std::string("a b c d"));
    EXPECT_EQ(rows[0][1], gbk::fromUtf8("中文'A").value());
    EXPECT_EQ(rows[1][0], gbk::fromUtf8("你好").value());
    EXPECT_EQ(rows[1][1], std::nullopt);
}

TEST(DataPacket, FieldNamesCompareWithoutAsciiCase)
{
    EXPECT_TRUE(sameFieldName("TongYongMing", "TONGYONGMING"));
    EXPECT_TRUE(sameFieldName("tongyongming", "TongYongMing"));
    EXPECT_FALSE(sameFieldName("TongYongMing", "TongYongMin"));
    // 0x81 0x41 and 0x81 0x61 are two different characters, not one in two cases.
    EXPECT_FALSE(sameFieldName("\x81\x41", "\x81\x61"));
    EXPECT_TRUE(sameFieldName("\x81\x41x", "\x81\x41X"));
}

TEST(DataPacket, MalformedPacketsAreRejectedWithTheirPlace)
{
    const std::string head = "<?xml version=\"1.0\" encoding=\"GBK\"?>\n"
                             "<packet format=\"tervana-data\" version=\"1\">\n";
    const std::string twoFields = "<fields><field name=\"A\" type=\"String\" width=\"10\"/>"
                                  "<field name=\"B\" type=\"String\" width=\"10\"/></fields>\n";
    auto withRows = [&](const std::string &rows) {
        return head + twoFields + "<rows>\n" + rows + "\n</rows></packet>\n";
    };
    struct TCase
    {
        const char *name;
        std::string packet;
        std::string message;
    };
    const std::vector<TCase> cases = {
        {"empty", "", "line 1, byte offset 0: no root element"},
        {"not xml", "hello", "line 1, byte offset 0: text outside the root element"},
        {"binary junk", std::string("\x01\x02\xFF<", 4), "not well-formed XML"},
        {"zero byte", head + std::string("<fields/>\0</packet>", 19),
         "line 3, byte offset 89: the packet contains a zero byte"},
        {"unclosed element", head + twoFields + "<rows>\n<row c1=\"x\">\n", "line 5"},
        {"unclosed attribute", withRows("<row c1=\"x/>"), "not well-formed XML"},
        {"no declaration", "<packet format=\"tervana-data\" version=\"1\"><fields/></packet>",
         "missing XML declaration"},
        {"utf-8 declared", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><packet/>",
         "encoding=\"GBK\", not 'UTF-8'"},
        {"no encoding", "<?xml version=\"1.0\"?><packet/>", "must say encoding=\"GBK\""},
        {"doctype",
         "<?xml version=\"1.0\" encoding=\"GBK\"?><!DOCTYPE packet [<!ATTLIST row c1 CDATA "
         "\"x\">]><packet/>",
         "document type declaration is not allowed"},
        {"wrong root", "<?xml version=\"1.0\" encoding=\"GBK\"?>\n\n<datapacket/>",
         "line 3, byte offset 38: the root element must be <packet>, not <datapacket>"},
        {"two roots", head + twoFields + "</packet><packet/>", "a second root element"},
        {"text after root", head + twoFields + "</packet>junk", "text outside the root element"},
        {"wrong format",
         "<?xml version=\"1.0\" encoding=\"GBK\"?><packet format=\"other\" version=\"1\"/>",
         "must have format=\"tervana-data\""},
        {"no format", "<?xml version=\"1.0\" encoding=\"GBK\"?><packet version=\"1\"/>",
         "must have format=\"tervana-data\""},
        {"wrong version",
         "<?xml version=\"1.0\" encoding=\"GBK\"?><packet format=\"tervana-data\" version=\"2\"/>",
         "unsupported packet version '2'"},
        {"no version", "<?xml version=\"1.0\" encoding=\"GBK\"?><packet format=\"tervana-data\"/>",
         "no version attribute"},
        {"unknown packet attribute",
         "<?xml version=\"1.0\" encoding=\"GBK\"?><packet format=\"tervana-data\" version=\"1\" "
         "x=\"1\"/>",
         "unknown attribute 'x' in <packet>"},
        {"missing fields", head + "<rows/></packet>",
         "line 2, byte offset 37: <packet> has no <fields>"},
        {"two field lists", head + twoFields + twoFields + "</packet>",
         "line 4, byte offset 182: a second <fields>"},
        {"unknown element", head + twoFields + "<extra/></packet>",
         "unexpected element <extra> in <packet>"},
        {"text in packet", head + twoFields + "stray</packet>", "unexpected text in <packet>"},
        {"field without name", head + "<fields><field type=\"String\"/></fields></packet>",
         "field 1 has no name"},
        {"field with empty name",
         head + "<fields><field name=\"\" type=\"String\"/></fields></packet>",
         "field 1 has an empty name"},
        {"field name not GBK",
         head + "<fields><field name=\"A\xFF\" type=\"String\"/></fields></packet>",
         "field 1 has a name that is not plain GBK text"},
        {"field name with a line break",
         head + "<fields><field name=\"A&#10;B\" type=\"String\"/></fields></packet>",
         "field 1 has a name that is not plain GBK text"},
        {"type not GBK", head + "<fields><field name=\"A\" type=\"\x81\"/></fields></packet>",
         "field 1 has a type that is not plain GBK text"},
        {"param name not GBK",
         head + twoFields + "<params><param name=\"\xFF\" value=\"true\"/></params></packet>",
         "<param> has a name that is not plain GBK text"},
        {"field without type", head + "<fields><field name=\"A\"/></fields></packet>",
         "field 1 has no type"},
        {"duplicate field name",
         head + "<fields><field name=\"Web\" type=\"String\"/>\n<field name=\"WEB\" "
                "type=\"String\"/></fields></packet>",
         "line 4, byte offset 129: duplicate field name 'WEB' (fields 1 and 2)"},
        {"negative width",
         head + "<fields><field name=\"A\" type=\"String\" width=\"-1\"/></fields></packet>",
         "field 1 has a bad width '-1'"},
        {"overflowing width",
         head +
             "<fields><field name=\"A\" type=\"String\" width=\"4294967296\"/></fields></packet>",
         "bad width '4294967296'"},
        {"huge width",
         head + "<fields><field name=\"A\" type=\"String\" "
                "width=\"99999999999999999999\"/></fields></packet>",
         "bad width"},
        {"width with leading zero",
         head + "<fields><field name=\"A\" type=\"String\" width=\"040\"/></fields></packet>",
         "bad width '040'"},
        {"unknown field attribute",
         head + "<fields><field name=\"A\" type=\"String\" size=\"4\"/></fields></packet>",
         "unknown attribute 'size' in <field>"},
        {"duplicate field attribute",
         head + "<fields><field name=\"A\" name=\"B\" type=\"String\"/></fields></packet>",
         "duplicate attribute 'name' in <field>"},
        {"param value not boolean",
         head + twoFields +
             "<params><param name=\"DISABLE_EDITS\" value=\"yes\"/></params></packet>",
         "must have value \"true\" or \"false\", not 'yes'"},
        {"duplicate param",
         head + twoFields +
             "<params><param name=\"DISABLE_EDITS\" value=\"true\"/><param name=\"disable_edits\" "
             "value=\"false\"/></params></packet>",
         "duplicate param 'disable_edits'"},
        {"unknown row attribute", withRows("<row c1=\"a\" x1=\"b\"/>"),
         "line 5, byte offset 201: unknown attribute 'x1' in <row>"},
        {"field number zero", withRows("<row c0=\"a\"/>"), "unknown attribute 'c0' in <row>"},
        {"field number with leading zero", withRows("<row c01=\"a\"/>"),
         "unknown attribute 'c01' in <row>"},
        {"field number with letters", withRows("<row c1x=\"a\"/>"),
         "unknown attribute 'c1x' in <row>"},
        {"field beyond the count", withRows("<row c3=\"a\"/>"),
         "attribute 'c3' names a field beyond the 2 fields"},
        {"field number overflowing", withRows("<row c99999999999999999999999=\"a\"/>"),
         "names a field beyond the 2 fields"},
        {"duplicate row attribute", withRows("<row c1=\"a\" c1=\"b\"/>"),
         "row 1 gives field 1 twice"},
        {"text and hex for one field", withRows("<row/>\n<row c2=\"a\" h2=\"61\"/>"),
         "line 6, byte offset 208: row 2 gives field 2 twice"},
        {"odd hex", withRows("<row h1=\"abc\"/>"), "hex value has an odd number of digits"},
        {"bad hex digit", withRows("<row h1=\"0g\"/>"),
         "line 5, byte offset 199: invalid hex digit"},
        {"hex zero byte", withRows("<row h1=\"6100\"/>"), "a value must not contain a zero byte"},
        {"zero character reference", withRows("<row c1=\"a&#0;b\"/>"),
         "a value must not contain a zero byte (&#0;)"},
        {"control character reference", withRows("<row c1=\"&#1;\"/>"),
         "names a character that XML does not allow"},
        {"unknown entity", withRows("<row c1=\"&nbsp;\"/>"), "unknown entity &nbsp;"},
        {"bare ampersand", withRows("<row c1=\"a & b\"/>"), "'&' must start a reference"},
        {"ampersand at the very end", withRows("<row c1=\"&\"/>"), "'&' must start a reference"},
        {"character outside GBK", withRows("<row c1=\"&#x1F600;\"/>"),
         "names a character that GBK cannot represent"},
        {"raw less-than", withRows("<row c1=\"a<b\"/>"),
         "byte offset 199: '<' must be written as &lt;"},
        {"child of a row", withRows("<row><x/></row>"), "unexpected element <x> in <row>"},
        {"text in a row", withRows("<row>text</row>"), "unexpected text in <row>"},
        {"cdata in rows", withRows("<![CDATA[x]]>"), "unexpected text in <rows>"},
        {"other element in rows", withRows("<record/>"), "unexpected element <record> in <rows>"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        try {
            readDataPacket(c.packet);
            ADD_FAILURE() << "accepted";
        } catch (const EDSEngineError &error) {
            EXPECT_NE(error.Message().find(c.message), std::string::npos) << error.Message();
            EXPECT_EQ(error.Message().rfind("Data packet error at line ", 0), 0u)
                << error.Message();
            EXPECT_EQ(error.Message().find('\n'), std::string::npos) << error.Message();
        }
    }
}

TEST(DataPacket, WriterRefusesListsItCouldNotReadBack)
{
    auto fields = stringFields(2);
    fields[1].name = "f1";
    EXPECT_THROW(write(fields, {}), EDSEngineError);
    fields = stringFields(1);
    fields[0].typeName.clear();
    EXPECT_THROW(write(fields, {}), EDSEngineError);
    EXPECT_THROW(write(stringFields(1), {}, {{"P", true}, {"p", false}}), EDSEngineError);
    fields = stringFields(1);
    fields[0].name = "bad\xFF";
    EXPECT_THROW(write(fields, {}), EDSEngineError);
    EXPECT_THROW(write(stringFields(1), {{std::string("a\0b", 3)}}), EDSEngineError);
}

TEST(DataPacket, StandardXmlToolsReadWhatWeWrite)
{
    ASSERT_TRUE(haveCommand("xmllint")) << "xmllint is needed (Debian package libxml2-utils)";
    ASSERT_TRUE(haveCommand("python3")) << "python3 is needed";

    const auto cases = roundTripCases();
    auto fields = stringFields(cases.size());
    fields[0].name = gbk::fromUtf8("名称<&\"").value();
    TRow row;
    for (const auto &c : cases)
        row.push_back(c.value);
    TTempFile file(write(fields, {row}, {{"DISABLE_EDITS", false}}));

    auto [lint, lintStatus] = run("xmllint --noout --encode UTF-8 " + file.path() + " 2>&1");
    EXPECT_EQ(lintStatus, 0) << lint;
    EXPECT_EQ(lint, "");

    // Python prints, per attribute of the first row, its name and its text in UTF-8 as hex.
    const std::string script =
        "import sys, xml.etree.ElementTree as ET\n"
        // Python's expat reads no multi-byte encoding itself: decode with Python's own codec.
        "root = ET.fromstring(open(sys.argv[1], 'rb').read().decode('gbk'))\n"
        "print('field', 'x' + root.find('fields')[0].get('name').encode('utf-8').hex())\n"
        "for name, value in root.find('rows')[0].attrib.items():\n"
        "    print(name, 'x' + value.encode('utf-8').hex())\n";
    TTempFile scriptFile(script);
    auto [output, status] = run("python3 " + scriptFile.path() + " " + file.path());
    ASSERT_EQ(status, 0) << output;

    std::istringstream lines(output);
    std::string name, hex;
    lines >> name >> hex;
    EXPECT_EQ(name, "field");
    EXPECT_EQ(hex, "x" + hexOf("名称<&\""));
    std::size_t seen = 0;
    while (lines >> name >> hex) {
        const std::size_t index = std::stoul(name.substr(1)) - 1;
        ASSERT_LT(index, cases.size());
        SCOPED_TRACE(cases[index].name);
        ASSERT_TRUE(cases[index].value.has_value());
        const std::string &value = *cases[index].value;
        EXPECT_EQ(name[0] == 'h', cases[index].hexForm);
        // Text is read as the characters the GBK bytes stand for; hex as the bytes' digits.
        EXPECT_EQ(hex, "x" + (name[0] == 'h' ? hexOf(hexOf(value)) : hexOf(gbk::toUtf8(value))));
        ++seen;
    }
    std::size_t nonNull = 0;
    for (const auto &c : cases)
        nonNull += c.value.has_value();
    EXPECT_EQ(seen, nonNull);
}

TEST(DataPacket, DamagedPacketsFailCleanly)
{
    // Damage a good packet in many deterministic ways: each result is either read or refused
    // with an engine error, never a crash or another kind of failure.
    const auto cases = roundTripCases();
    TRow row;
    for (const auto &c : cases)
        row.push_back(c.value ? std::optional<std::string>(c.value->substr(0, 300)) : std::nullopt);
    const std::string good =
        write(stringFields(cases.size()), {row, row}, {{"DISABLE_EDITS", true}});
    const std::string specials[] = {
        "<",       ">",         "&",       "\"",      "'",
        "=",       "/",         "&#",      "&#x",     "<!--",
        "]]>",     "<![CDATA[", "\x81",    "\xFF",    std::string(1, '\0'),
        "c1=\"\"", "<row/>",    "</rows>", "h2=\"0\""};
    std::uint64_t state = 12345;
    auto next = [&] {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<std::size_t>(state >> 33);
    };
    std::size_t refused = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string damaged = good;
        const std::size_t at = next() % damaged.size();
        switch (round % 4) {
        case 0: damaged.resize(at); break;
        case 1: damaged[at] = static_cast<char>(next() % 256); break;
        case 2: damaged.insert(at, specials[next() % std::size(specials)]); break;
        case 3: damaged.erase(at, 1 + next() % 16); break;
        }
        try {
            TPacketContent content = readDataPacket(damaged);
            EXPECT_EQ(content.cells.size(), content.rowCount * content.fields.size());
        } catch (const EDSEngineError &error) {
            ++refused;
            EXPECT_EQ(error.Message().rfind("Data packet error at line ", 0), 0u)
                << error.Message();
        }
    }
    // Damage almost always shows; a run that refused nothing would test nothing.
    EXPECT_GT(refused, 1000u);
}
