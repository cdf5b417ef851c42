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

// A name as a message shows it: quoted, on one line.
std::string quote(std::string_view utf8)
{
    std::string result = "'";
    for (char c : utf8)
        result += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    return result + "'";
}

// `value` must be of `kind`, in the words of jsonKindName ("a text", "an array", ...).
void expectKind(const TJson &value, std::string_view kind, const std::string &what)
{
    if (jsonKindName(value) != kind)
        throw EToolError(what + " must be " + std::string(kind) + ", not " + jsonKindName(value));
}

// The members of an object by name; an unknown or repeated member is an error.
std::unordered_map<std::string, const TJson *>
membersOf(const TJsonDocument &document, const TJson &object,
          std::initializer_list<std::string_view> known, const std::string &what)
{
    std::unordered_map<std::string, const TJson *> found;
    for (const auto &[name, value] : document.members(object)) {
        if (std::find(known.begin(), known.end(), name) == known.end())
            throw EToolError(what + " has an unknown member " + quote(name));
        if (!value || !found.emplace(name, value).second)
            throw EToolError(what + " has the member " + quote(name) + " twice");
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

std::uint32_t widthOf(const TJson &value, const std::string &what)
{
    expectKind(value, "a number", what + " width");
    if (!value.is_number_unsigned() ||
        value.get<std::uint64_t>() > std::numeric_limits<std::uint32_t>::max())
        throw EToolError(what + " width must be a whole number from 0 to 4294967295, not " +
                         jsonShown(value));
    return static_cast<std::uint32_t>(value.get<std::uint64_t>());
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
    TJsonDocument document;
    try {
        document = parseJson(jsonSource);
    } catch (const EJsonError &error) {
        throw EToolError("not valid JSON: " + error.Message());
    }
    const TJson &source = document.root;
    expectKind(source, "an object", "the source");
    auto top = membersOf(document, source, {"fields", "params", "rows"}, "the source");
    if (!top.count("fields")) throw EToolError("the source has no \"fields\"");

    const TJson &fieldList = *top["fields"];
    expectKind(fieldList, "an array", "\"fields\"");
    std::vector<TFieldDescriptor> fields;
    std::vector<std::string> names; // UTF-8, as the rows name them
    std::unordered_map<std::string, std::uint32_t> fieldNoOf;
    for (const TJson &entry : fieldList) {
        const auto fieldNo = static_cast<std::uint32_t>(fields.size() + 1);
        const std::string what = "field " + std::to_string(fieldNo);
        expectKind(entry, "an object", what);
        auto members = membersOf(document, entry, {"name", "type", "width"}, what);
        if (!members.count("name")) throw EToolError(what + " has no name");
        if (!members.count("type")) throw EToolError(what + " has no type");
        expectKind(*members["name"], "a text", what + " name");
        expectKind(*members["type"], "a text", what + " type");
        const auto &name = members["name"]->get_ref<const std::string &>();
        const auto &type = members["type"]->get_ref<const std::string &>();
        if (name.empty()) throw EToolError(what + " has an empty name");
        if (type.empty()) throw EToolError(what + " has an empty type");

        TFieldDescriptor field;
        field.name = toGbk(name, what + " name");
        field.typeName = toGbk(type, what + " type");
        field.width = members.count("width") ? widthOf(*members["width"], what) : 0;
        field.position = fieldNo;
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (sameFieldName(fields[i].name, field.name))
                throw EToolError("fields " + std::to_string(i + 1) + " and " +
                                 std::to_string(fieldNo) + " have the same name " + quote(name) +
                                 " (names ignore letter case)");
        fields.push_back(std::move(field));
        names.push_back(name);
        fieldNoOf.emplace(name, fieldNo);
    }

    std::vector<TPacketParam> params;
    if (top.count("params")) {
        const TJson &paramList = *top["params"];
        expectKind(paramList, "an object", "\"params\"");
        for (const auto &[name, value] : document.members(paramList)) {
            const std::string what = "param " + quote(name);
            if (!value) throw EToolError(what + " is given twice (names ignore letter case)");
            expectKind(*value, "a Boolean", what);
            TPacketParam param{toGbk(name, what + " name"), value->get<bool>()};
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
        const TJson &rowList = *top["rows"];
        expectKind(rowList, "an array", "\"rows\"");
        rows.reserve(rowList.size());
        for (const TJson &entry : rowList) {
            const std::string what = "row " + std::to_string(rows.size() + 1);
            expectKind(entry, "an object", what);
            auto &row = rows.emplace_back(table.fields.size());
            std::vector<bool> given(table.fields.size(), false);
            for (const auto &[name, value] : document.members(entry)) {
                auto it = fieldNoOf.find(name);
                if (it == fieldNoOf.end())
                    throw EToolError(what + ": no field is named " + quote(name));
                const std::size_t index = it->second - 1;
                const std::string where = what + ", field " + quote(name);
                if (!value || given[index]) throw EToolError(where + " is given twice");
                given[index] = true;
                if (value->is_null()) continue;
                if (!value->is_string())
                    throw EToolError(where + " must be a text or null, not " +
                                     jsonKindName(*value));
                row[index] = toGbk(value->get_ref<const std::string &>(), where);
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
            appendJsonString(out, toUtf8(*row[f], "row " + std::to_string(rowNumber) + ", field " +
                                                      quote(names[f])));
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
