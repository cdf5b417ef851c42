#pragma once

#include "platform/Exception.h"

#include <iosfwd>
#include <string>
#include <string_view>

// The data tool's commands, apart from argument handling and files.

// Bad input: a one-line message naming the problem.
class EToolError : public Exception
{
public:
    using Exception::Exception;
};

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
