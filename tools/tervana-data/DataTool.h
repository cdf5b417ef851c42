#pragma once

#include "engine/DSIntf.h"
#include "platform/Exception.h"

#include <iosfwd>
#include <optional>
#include <vector>
#include <string>
#include <string_view>

// The data tool's commands, apart from argument handling and files.

// Bad input: a one-line message naming the problem.
class EToolError : public Exception
{
public:
    using Exception::Exception;
};

// A data file's fields and values, as the data tool's commands read them (values in GBK, null as nullopt).
struct TDataTable
{
    std::vector<TFieldDescriptor> fields;
    std::vector<TPacketParam> params;
    std::vector<std::vector<std::optional<std::string>>> rows;
};

// Reads a packet's fields and records; throws EToolError naming the fault.
TDataTable readDataTable(std::string packet);
// The sealed packet of a table.
std::string writeDataTable(const TDataTable &table);

// A sealed data packet from a UTF-8 JSON source
// {"fields":[{"name":..,"type":..,"width":..}], "params":{..}, "rows":[{"Field": "text" or null}]}.
std::string buildPacket(std::string_view jsonSource);

// The JSON source that builds `packet` again byte for byte.
std::string exportPacket(std::string packet);

// Opens the data file at `path` as the program does, binding the drug record's fields, and
// runs the size check on it. Prints the outcome to `out`; returns the exit status.
int checkDataFile(const std::string &path, std::ostream &out);

// Reads the filter stream (a ".flt" file's bytes), applies it, taken as active, to the drug
// list over the data file at `path`, and prints the filter text and then the generic names of
// the records that pass, in the list's ascending order. A failure is printed to `errors`;
// returns the exit status.
int queryDataFile(const std::string &path, std::string_view filterStream, std::ostream &out,
                  std::ostream &errors);
