#pragma once

// Builds data packet files for the data set suites and records what data links hear.

#include "data/ClientDataSet.h"
#include "platform/Codec.h"
#include "data/DataLink.h"
#include "druglist/DrugFields.h"
#include "data/Field.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

using TValue = std::optional<std::string>;

struct TPacketField
{
    std::string name;
    std::string type = "String";
    int width = 40;
};

inline std::string escaped(const std::string &value)
{
    std::string out;
    for (char c : value) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\t': out += "&#9;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        default: out += c;
        }
    }
    return out;
}

// A data packet as the program writes it, without the integrity seal (the reader ignores it).
inline std::string packet(const std::vector<TPacketField> &fields,
                          const std::vector<std::vector<TValue>> &rows,
                          const std::vector<std::pair<std::string, bool>> &params = {})
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"GBK\"?>\n"
                      "<packet format=\"tervana-data\" version=\"1\">\n  <fields>\n";
    for (const TPacketField &field : fields)
        xml += "    <field name=\"" + field.name + "\" type=\"" + field.type + "\" width=\"" +
               std::to_string(field.width) + "\"/>\n";
    xml += "  </fields>\n  <params>\n";
    for (const auto &[name, value] : params)
        xml += "    <param name=\"" + name + "\" value=\"" + (value ? "true" : "false") + "\"/>\n";
    xml += "  </params>\n  <rows>\n";
    for (const std::vector<TValue> &row : rows) {
        xml += "    <row";
        for (std::size_t i = 0; i < row.size(); ++i)
            if (row[i]) xml += " c" + std::to_string(i + 1) + "=\"" + escaped(*row[i]) + "\"";
        xml += "/>\n";
    }
    xml += "  </rows>\n</packet>\n";
    return xml;
}

// The 22 drug fields in record order, as a shipped file declares them.
inline std::vector<TPacketField> drugPacketFields()
{
    TClientDataSet declared("cds");
    createDrugFields(declared);
    std::vector<TPacketField> fields;
    for (int i = 0; i < declared.FieldCount(); ++i)
        fields.push_back({declared.field(i)->FieldName(), "String", declared.field(i)->Size()});
    return fields;
}

// A drug row whose generic name is `name` and whose other fields are null.
inline std::vector<TValue> drugRow(const std::string &name)
{
    std::vector<TValue> row(22);
    row[0] = name;
    return row;
}

inline std::string gbkOf(const char *utf8)
{
    return gbk::fromUtf8(utf8).value();
}

inline std::string makeFolder()
{
    char folder[] = "/tmp/tervana-dataset-XXXXXX";
    EXPECT_NE(mkdtemp(folder), nullptr);
    return std::string(folder) + "/";
}

inline void writeFile(const std::string &path, const std::string &content)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << content;
}

inline std::string readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The message of the data set error that `action` raises, or "" when it raises none.
template<class TAction>
std::string errorOf(TAction &&action)
{
    try {
        action();
    } catch (const Exception &error) {
        return error.Message();
    }
    return {};
}

// A link that writes every notification it hears into a shared log, tagged with its name.
class TRecordingLink : public TDataLink
{
public:
    TRecordingLink(std::vector<std::string> &log, std::string tag, bool visual = true)
        : m_log(log), m_tag(std::move(tag))
    {
        SetVisualControl(visual);
    }

    bool logCheckBrowseMode = false;

protected:
    void ActiveChanged() override { note(Active() ? "active" : "inactive"); }
    void EditingChanged() override { note(Editing() ? "editing" : "not editing"); }
    void RecordChanged(TField *field) override
    {
        note(field ? "record " + field->FieldName() : std::string("record"));
    }
    void DataSetChanged() override { note("changed"); }
    void DataSetScrolled(int distance) override { note("scrolled " + std::to_string(distance)); }
    void LayoutChanged() override { note("layout"); }
    void UpdateData() override { note("update data"); }
    void CheckBrowseMode() override
    {
        if (logCheckBrowseMode) note("check browse mode");
    }

private:
    void note(const std::string &what) { m_log.push_back(m_tag + ": " + what); }

    std::vector<std::string> &m_log;
    std::string m_tag;
};

using TLog = std::vector<std::string>;

} // namespace testsupport
