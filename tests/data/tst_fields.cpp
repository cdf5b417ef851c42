// The drug field set: binding to the file's fields, reading values and cutting writes.
#include "DataSetTestSupport.h"

#include "data/DataSource.h"

using namespace testsupport;

namespace {

class DrugFieldsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        createDrugFields(cds);
        cds.SetFileName(folder + "YaoPin.XML");
    }

    void openWith(const std::vector<TPacketField> &fields,
                  const std::vector<std::vector<TValue>> &rows)
    {
        writeFile(cds.FileName(), packet(fields, rows));
        cds.Open();
    }

    const std::string folder = makeFolder();
    TClientDataSet cds{"cds"};
};

} // namespace

TEST_F(DrugFieldsTest, DeclaresTheTwentyTwoFieldsInRecordOrder)
{
    ASSERT_EQ(cds.FieldCount(), 22);
    const TField *first = cds.field(0);
    EXPECT_EQ(first->Name(), "cdsTongYongMing");
    EXPECT_EQ(first->DisplayLabel(), "通用名");
    EXPECT_EQ(first->Size(), 40);
    const TField *web = cds.field(21);
    EXPECT_EQ(web->FieldName(), "Web");
    EXPECT_EQ(web->DisplayName(), "网站");
    EXPECT_EQ(web->Size(), TStringField::DefaultSize);
    EXPECT_EQ(cds.FieldByName("YaoWuXiangHuZuoYong").Size(), 1024);
    EXPECT_EQ(cds.FieldByName("Phone").Size(), 15);
    for (int i = 0; i < cds.FieldCount(); ++i)
        EXPECT_EQ(cds.field(i)->FieldNo(), 0u) << "unbound while closed";
}

TEST_F(DrugFieldsTest, BindsFileFieldsInAnyLetterCaseAndOrder)
{
    // The file lists the fields in reverse order and spells every name in other letter case.
    std::vector<TPacketField> fields = drugPacketFields();
    for (std::size_t i = 0; i < fields.size(); ++i)
        for (char &c : fields[i].name)
            c = static_cast<char>(i % 2 ? std::tolower(c) : std::toupper(c));
    std::reverse(fields.begin(), fields.end());
    std::vector<TValue> row(22);
    row[21] = gbkOf("感冒灵颗粒"); // the generic name is the file's last field
    row[0] = std::string("www.example.cn");
    openWith(fields, {row});

    ASSERT_TRUE(cds.Active());
    EXPECT_EQ(cds.FieldByName("TongYongMing").FieldNo(), 22u);
    EXPECT_EQ(cds.FieldByName("Web").FieldNo(), 1u);
    EXPECT_EQ(cds.FieldByName("tongyongming").AsString(), gbkOf("感冒灵颗粒"));
    EXPECT_EQ(cds.FieldByName("WEB").AsString(), "www.example.cn");

    cds.Close();
    EXPECT_EQ(cds.FieldByName("Web").FieldNo(), 0u);
}

TEST_F(DrugFieldsTest, OpenFailsOnAMissingOrMistypedField)
{
    struct TCase
    {
        const char *name;
        std::string fieldName;           // the file field that is changed
        std::optional<std::string> type; // its new type; none removes the field
        std::string message;
    };
    const TCase cases[] = {
        {"missing Web names its label", "Web", std::nullopt, "cds: Field '网站' not found"},
        {"missing generic name", "TongYongMing", std::nullopt, "cds: Field '通用名' not found"},
        {"Memo precautions", "ZhuYiShiXiang", "Memo",
         "cds: Type mismatch for field '注意事项', expecting: String actual: Memo"},
        {"WideString GuiGe", "GuiGe", "WideString",
         "cds: Type mismatch for field '规格', expecting: String actual: WideString"},
        {"Integer telephone", "Phone", "Integer",
         "cds: Type mismatch for field '电话', expecting: String actual: Integer"},
        {"a type name in Chinese is shown as such", "Web", gbkOf("备注"),
         "cds: Type mismatch for field '网站', expecting: String actual: 备注"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<TPacketField> fields = drugPacketFields();
        auto it = std::find_if(fields.begin(), fields.end(),
                               [&](const auto &f) { return f.name == c.fieldName; });
        ASSERT_NE(it, fields.end());
        if (c.type)
            it->type = *c.type;
        else
            fields.erase(it);
        writeFile(cds.FileName(), packet(fields, {drugRow("x")}));

        EXPECT_EQ(errorOf([&] { cds.Open(); }), c.message);
        EXPECT_FALSE(cds.Active());
        EXPECT_EQ(cds.State(), TDataSetState::Inactive);
        EXPECT_TRUE(cds.IsEmpty());
        EXPECT_TRUE(cds.FieldByName("TongYongMing").IsNull());
        for (int i = 0; i < cds.FieldCount(); ++i)
            EXPECT_EQ(cds.field(i)->FieldNo(), 0u);
    }
}

TEST_F(DrugFieldsTest, AcceptsEveryTypeOfTheStringClass)
{
    std::vector<TPacketField> fields = drugPacketFields();
    fields[1].type = "FixedChar";
    fields[2].type = "Guid";
    openWith(fields, {drugRow("x")});
    EXPECT_TRUE(cds.Active());
}

TEST_F(DrugFieldsTest, ReadsValuesInFullAndShowsNullAndEmptyAlike)
{
    std::vector<TPacketField> fields = drugPacketFields();
    const std::string longSpecification(300, 'g');
    std::vector<TValue> row = drugRow("");
    row[14] = longSpecification;          // GuiGe, declared with size 100
    row[21] = std::nullopt;               // Web null
    row[20] = std::string("\t<&>\"\r\n"); // Phone: characters the file must escape
    openWith(fields, {row});

    EXPECT_EQ(cds.FieldByName("GuiGe").AsString(), longSpecification);
    EXPECT_EQ(cds.FieldByName("GuiGe").DisplayText(), longSpecification);
    EXPECT_EQ(cds.FieldByName("Phone").AsString(), "\t<&>\"\r\n");

    const TField &empty = cds.FieldByName("TongYongMing");
    const TField &null = cds.FieldByName("Web");
    EXPECT_FALSE(empty.IsNull());
    EXPECT_TRUE(null.IsNull());
    EXPECT_EQ(empty.DisplayText(), "");
    EXPECT_EQ(null.DisplayText(), "");
    EXPECT_EQ(null.AsString(), "");
}

TEST_F(DrugFieldsTest, WritesAreCutToTheSizeAtAWholeCharacter)
{
    openWith(drugPacketFields(), {drugRow("x")});
    const std::string chinese =
        gbkOf("复方氨酚烷胺片每片含对乙酰氨基酚"); // 16 characters, 32 bytes
    struct TCase
    {
        const char *name;
        const char *field;
        std::string written;
        std::string stored;
    };
    const TCase cases[] = {
        {"150 bytes into GuiGe keep 100", "GuiGe", std::string(150, 's'), std::string(100, 's')},
        {"Web takes at most 20 bytes", "Web", std::string(21, 'w'), std::string(20, 'w')},
        {"exactly the size stays whole", "Web", std::string(20, 'w'), std::string(20, 'w')},
        {"Chinese text cut at a character", "Web", chinese, chinese.substr(0, 20)},
        {"a character that would straddle the limit is dropped", "Web", "a" + chinese,
         "a" + chinese.substr(0, 18)},
        {"a value ends at its first zero byte", "Web", std::string("ab\0cd", 5), "ab"},
        {"an empty text stays empty, not null", "Web", "", ""},
    };
    cds.Edit();
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        TField &field = cds.FieldByName(c.field);
        field.SetAsString(c.written);
        EXPECT_EQ(field.AsString(), c.stored);
        EXPECT_FALSE(field.IsNull());
    }
    cds.FieldByName("Web").Clear();
    EXPECT_TRUE(cds.FieldByName("Web").IsNull());
}

TEST_F(DrugFieldsTest, WritingOutsideAnEditFails)
{
    TField &name = cds.FieldByName("TongYongMing");
    EXPECT_EQ(errorOf([&] { name.SetAsString("x"); }), "cds: Dataset not in edit or insert mode");
    openWith(drugPacketFields(), {drugRow("x")});
    EXPECT_EQ(errorOf([&] { name.SetAsString("y"); }), "cds: Dataset not in edit or insert mode");
    EXPECT_EQ(name.AsString(), "x");
    EXPECT_FALSE(cds.Modified());
}

TEST(FieldLookUp, IgnoresLetterCaseButNotTheBytesOfAChineseCharacter)
{
    TClientDataSet dataSet("cds");
    // 0x81 0x41 and 0x81 0x61 are two different characters whose trail bytes are the letters
    // 'A' and 'a'.
    dataSet.addField(std::make_unique<TStringField>("cdsA", "Name\x81\x41"));
    dataSet.addField(std::make_unique<TStringField>("cdsB", "Name\x81\x61"));
    EXPECT_EQ(dataSet.FindField("NAME\x81\x61")->Name(), "cdsB");
    EXPECT_EQ(dataSet.FindField("name\x81\x41")->Name(), "cdsA");
    EXPECT_EQ(dataSet.FindField("Nam"), nullptr);
    EXPECT_EQ(errorOf([&] { dataSet.FieldByName("Nope"); }), "cds: Field 'Nope' not found");
}

TEST(FieldLookUp, DisplayNameFallsBackToTheFieldName)
{
    TClientDataSet dataSet("cds");
    TField *field = dataSet.addField(std::make_unique<TStringField>("cdsExtra", "Extra"));
    EXPECT_EQ(field->DisplayName(), "Extra");
    field->SetDisplayLabel("附加");
    EXPECT_EQ(field->DisplayName(), "附加");
}
