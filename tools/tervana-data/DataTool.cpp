#include "tervana-data/DataTool.h"

#include "data/ClientDataSet.h"
#include "platform/Codec.h"
#include "engine/DataPacket.h"
#include "druglist/DrugFields.h"
#include "platform/IntegrityRecord.h"
#include "tervana-data/Json.h"
#include "platform/SharedReadFile.h"

#include <limits>
#include <ostream>
#include <unordered_map>

namespace {

using TKind = TJsonValue::TKind;

// A name as a message shows it: quoted, on one line.
std::string quoted(std::string_view utf8)
{
    std::string result = "'";
    for (char c : utf8)
        result += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    return result + "'";
}

const char *kindName(TKind kind)
{
    switch (kind) {
    case TKind::Null: return "null";
    case TKind::Boolean: return "a Boolean";
    case TKind::Number: return "a number";
    case TKind::String: return "a text";
    case TKind::Array: return "an array";
    case TKind::Object: return "an object";
    }
    return "a value";
}

void expectKind(const TJsonValue &value, TKind kind, const std::string &what)
{
    if (value.kind != kind)
        throw EToolError(what + " must be " + kindName(kind) + ", not " + kindName(value.kind));
}

// The members of an object by name; an unknown or repeated member is an error.
std::unordered_map<std::string, const TJsonValue *>
membersOf(const TJsonValue &object, std::initializer_list<std::string_view> known,
          const std::string &what)
{
    std::unordered_map<std::string, const TJsonValue *> found;
    for (const auto &[name, value] : object.members) {
        if (std::find(known.begin(), known.end(), name) == known.end())
            throw EToolError(what + " has an unknown member " + quoted(name));
        if (!found.emplace(name, &value).second)
            throw EToolError(what + " has the member " + quoted(name) + " twice");
    }
    return found;
}

std::string toGbk(std::string_view utf8, const std::string &what)
{
    if (utf8.find('\0') != std::string_view::npos)
        throw EToolError(what + " holds the character U+0000, which a value cannot hold");
    std::optional<std::string> bytes = gbk::fromUtf8(utf8);
    if (!bytes) throw EToolError(what + " holds a character that GBK cannot represent");
    return *bytes;
}

std::string toUtf8(std::string_view bytes, const std::string &what)
{
    if (!gbk::isValid(bytes))
        throw EToolError(what + " is not valid GBK text, which a JSON source cannot carry");
    return gbk::toUtf8(bytes);
}

std::uint32_t widthOf(const TJsonValue &value, const std::string &what)
{
    expectKind(value, TKind::Number, what + " width");
    const std::string &text = value.text;
    bool digitsOnly = !text.empty() && text.size() <= 10 && (text == "0" || text[0] != '0');
    std::uint64_t width = 0;
    for (char c : text) {
        if (c < '0' || c > '9') digitsOnly = false;
        width = width * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (!digitsOnly || width > std::numeric_limits<std::uint32_t>::max())
        throw EToolError(what + " width must be a whole number from 0 to 4294967295, not " + text);
    return static_cast<std::uint32_t>(width);
}

} // namespace

TDataTable readDataTable(std::string packet)
{
    std::unique_ptr<IDSBase> store = createDSBase();
    try {
        store->AppendData(std::move(packet), true);
    } catch (const EDSEngineError &error) {
        throw EToolError(error.Message());
    }
    TDataTable table;
    table.fields = store->fieldDescriptors();
    table.params = store->params();
    std::unique_ptr<IDSCursor> cursor = store->createCursor();
    TRecordBuffer buffer = cursor->newRecordBuffer();
    cursor->moveToBOF();
    while (cursor->getNextRecord(buffer) == TFetchResult::Ok) {
        auto &row = table.rows.emplace_back(table.fields.size());
        for (std::uint32_t fieldNo = 1; fieldNo <= table.fields.size(); ++fieldNo)
            if (!buffer.isBlank(fieldNo)) row[fieldNo - 1] = std::string(buffer.value(fieldNo));
    }
    return table;
}

std::string writeDataTable(const TDataTable &table)
{
    try {
        return writeDataPacket(table.fields, table.params, table.rows.size(),
                               [&](std::size_t row, std::uint32_t fieldNo) {
                                   const auto &value = table.rows[row][fieldNo - 1];
                                   return value ? std::optional<std::string_view>(*value)
                                                : std::nullopt;
                               });
    } catch (const EDSEngineError &error) {
        throw EToolError(error.Message());
    }
}

std::string buildPacket(std::string_view jsonSource)
{
    TJsonValue source;
    try {
        source = parseJson(jsonSource);
    } catch (const EJsonError &error) {
        throw EToolError("not valid JSON: " + error.Message());
    }
    expectKind(source, TKind::Object, "the source");
    auto top = membersOf(source, {"fields", "params", "rows"}, "the source");
    if (!top.count("fields")) throw EToolError("the source has no \"fields\"");

    const TJsonValue &fieldList = *top["fields"];
    expectKind(fieldList, TKind::Array, "\"fields\"");
    std::vector<TFieldDescriptor> fields;
    std::vector<std::string> names; // UTF-8, as the rows name them
    std::unordered_map<std::string, std::uint32_t> fieldNoOf;
    for (const TJsonValue &entry : fieldList.items) {
        const auto fieldNo = static_cast<std::uint32_t>(fields.size() + 1);
        const std::string what = "field " + std::to_string(fieldNo);
        expectKind(entry, TKind::Object, what);
        auto members = membersOf(entry, {"name", "type", "width"}, what);
        if (!members.count("name")) throw EToolError(what + " has no name");
        if (!members.count("type")) throw EToolError(what + " has no type");
        expectKind(*members["name"], TKind::String, what + " name");
        expectKind(*members["type"], TKind::String, what + " type");
        const std::string &name = members["name"]->text;
        if (name.empty()) throw EToolError(what + " has an empty name");
        if (members["type"]->text.empty()) throw EToolError(what + " has an empty type");

        TFieldDescriptor field;
        field.name = toGbk(name, what + " name");
        field.typeName = toGbk(members["type"]->text, what + " type");
        field.width = members.count("width") ? widthOf(*members["width"], what) : 0;
        field.position = fieldNo;
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (sameFieldName(fields[i].name, field.name))
                throw EToolError("fields " + std::to_string(i + 1) + " and " +
                                 std::to_string(fieldNo) + " have the same name " + quoted(name) +
                                 " (names ignore letter case)");
        fields.push_back(std::move(field));
        names.push_back(name);
        fieldNoOf.emplace(name, fieldNo);
    }

    std::vector<TPacketParam> params;
    if (top.count("params")) {
        const TJsonValue &paramList = *top["params"];
        expectKind(paramList, TKind::Object, "\"params\"");
        for (const auto &[name, value] : paramList.members) {
            const std::string what = "param " + quoted(name);
            expectKind(value, TKind::Boolean, what);
            TPacketParam param{toGbk(name, what + " name"), value.boolean};
            if (param.name.empty()) throw EToolError("a param has an empty name");
            for (const TPacketParam &earlier : params)
                if (sameFieldName(earlier.name, param.name))
                    throw EToolError(what + " is given twice (names ignore letter case)");
            params.push_back(std::move(param));
        }
    }

    // Row values, null unless the row gives one.
    TDataTable table{std::move(fields), std::move(params), {}};
    auto &rows = table.rows;
    if (top.count("rows")) {
        const TJsonValue &rowList = *top["rows"];
        expectKind(rowList, TKind::Array, "\"rows\"");
        rows.reserve(rowList.items.size());
        for (const TJsonValue &entry : rowList.items) {
            const std::string what = "row " + std::to_string(rows.size() + 1);
            expectKind(entry, TKind::Object, what);
            auto &row = rows.emplace_back(table.fields.size());
            std::vector<bool> given(table.fields.size(), false);
            for (const auto &[name, value] : entry.members) {
                auto it = fieldNoOf.find(name);
                if (it == fieldNoOf.end())
                    throw EToolError(what + ": no field is named " + quoted(name));
                const std::size_t index = it->second - 1;
                const std::string where = what + ", field " + quoted(name);
                if (given[index]) throw EToolError(where + " is given twice");
                given[index] = true;
                if (value.kind == TKind::Null) continue;
                if (value.kind != TKind::String)
                    throw EToolError(where + " must be a text or null, not " +
                                     kindName(value.kind));
                row[index] = toGbk(value.text, where);
            }
        }
    }

    return writeDataTable(table);
}

std::string exportPacket(std::string packet)
{
    const TDataTable table = readDataTable(std::move(packet));
    const std::vector<TFieldDescriptor> &fields = table.fields;
    std::vector<std::string> names;
    std::string out = "{\n  \"fields\": [";
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string what = "field " + std::to_string(i + 1);
        names.push_back(toUtf8(fields[i].name, what + " name"));
        out += i ? ",\n    {\"name\": " : "\n    {\"name\": ";
        appendJsonString(out, names.back());
        out += ", \"type\": ";
        appendJsonString(out, toUtf8(fields[i].typeName, what + " type"));
        out += ", \"width\": " + std::to_string(fields[i].width) + "}";
    }
    out += fields.empty() ? "],\n" : "\n  ],\n";

    const std::vector<TPacketParam> &params = table.params;
    out += "  \"params\": {";
    for (std::size_t i = 0; i < params.size(); ++i) {
        out += i ? ",\n    " : "\n    ";
        appendJsonString(out, toUtf8(params[i].name, "param " + std::to_string(i + 1) + " name"));
        out += params[i].value ? ": true" : ": false";
    }
    out += params.empty() ? "},\n" : "\n  },\n";

    out += "  \"rows\": [";
    std::size_t rowNumber = 0;
    for (const auto &row : table.rows) {
        ++rowNumber;
        out += rowNumber > 1 ? ",\n    {" : "\n    {";
        for (std::size_t f = 0; f < fields.size(); ++f) {
            out += f > 0 ? ",\n      " : "\n      ";
            appendJsonString(out, names[f]);
            out += ": ";
            if (!row[f]) {
                out += "null";
                continue;
            }
            appendJsonString(out, toUtf8(*row[f], "row " + std::to_string(rowNumber) +
                                                      ", field " + quoted(names[f])));
        }
        out += fields.empty() ? "}" : "\n    }";
    }
    out += rowNumber ? "\n  ]\n}\n" : "]\n}\n";
    return out;
}

int checkDataFile(const std::string &path, std::ostream &out)
{
    TClientDataSet cds("cds");
    createDrugFields(cds);
    cds.SetFileName(path);
    try {
        cds.Open();
    } catch (const Exception &error) {
        out << error.Message() << '\n';
        return 1;
    }
    out << "records: " << cds.RecordCount() << '\n';
    cds.Close();

    std::optional<TByteBuffer> bytes;
    {
        TSharedReadFile file;
        if (file.open(path)) bytes = file.readAll();
    }
    const bool sealed = bytes && integrity::isSealed(bytes->view());
    out << "size check: " << (sealed ? "pass" : "fail") << '\n';
    return sealed ? 0 : 1;
}
