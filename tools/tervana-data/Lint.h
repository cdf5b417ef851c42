#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The content check of the drug records: rules a pharmacist would otherwise check by eye
// (every field filled and within its width, the OTC class, unique names, the ephedrine
// limits, the warnings that some ingredients require, texts copied between medicines, and
// the strengths in 规格 against 成分). Plain standard C++ on UTF-8 text, no toolkit.

struct TLintField
{
    std::string name;      // UTF-8, e.g. "TongYongMing"
    std::size_t width = 0; // GBK bytes; 0 when the field declares none
};

struct TLintData
{
    std::vector<TLintField> fields;
    // One value per field, in the order of `fields`; UTF-8; nullopt for null.
    std::vector<std::vector<std::optional<std::string>>> rows;
};

struct TLintFinding
{
    std::size_t row = 0; // 0-based
    std::string field;   // the field's name
    std::string message; // Chinese, one line
};

// Reads a JSON source in the form `export` writes ({"fields": [...], "rows": [...]}) or a
// bare array of row objects, which take the shipped fields; members of a row whose name
// starts with "_" are a draft's notes and are skipped. Throws EToolError naming the fault.
TLintData lintDataFromJson(std::string_view json);

// Reads a data file's packet. A value that is not valid GBK is read with U+FFFD in its place,
// which the width and encoding rule then reports. Throws EToolError for a packet the engine
// refuses.
TLintData lintDataFromPacket(std::string packet);

// Every finding, in record order. Throws EToolError when a drug field the rules read is
// missing from the data.
std::vector<TLintFinding> lintRecords(const TLintData &data);

// "<TongYongMing>（<ShangPinMing>） <FieldName>: <message>", on one line.
std::string findingLine(const TLintData &data, const TLintFinding &finding);
