#include "tervana-data/DataTool.h"
#include "tervana-data/Lint.h"
#include "tervana-data/Merge.h"

#include "criteria/FilterStream.h"
#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <optional>
#include <vector>

// tervana-data: builds the data file from its JSON source, exports it back, and checks a data
// file as the program would open it.

namespace {

constexpr int BadInput = 2;

const char Usage[] = "usage: tervana-data build SOURCE.json -o FILE\n"
                     "       tervana-data export FILE [-o OUT.json]\n"
                     "       tervana-data check FILE\n"
                     "       tervana-data query FILE --flt FILTER.flt\n"
                     "       tervana-data merge BASE MINE NEW -o OUT\n"
                     "       tervana-data lint FILE\n";

int usageError()
{
    std::cerr << Usage;
    return BadInput;
}

int badInput(const std::string &path, const std::string &message)
{
    std::cerr << "tervana-data: " << path << ": " << message << '\n';
    return BadInput;
}

// Only a regular file is read: a FIFO would wait for a writer and a device such as
// /dev/zero would never end. Filter files are read only up to the bound the program keeps.
std::optional<std::string> readFile(const std::string &path, std::string &error,
                                    std::size_t bound = NoSizeBound)
{
    TFileFailure failure;
    std::optional<std::string> content = readRegularFile(path, bound, failure);
    if (!content) {
        error = failure.kind == TFileFailure::TooLarge
                    ? "larger than " + std::to_string(bound) + " bytes"
                    : failure.describe();
    }
    return content;
}

struct TArguments
{
    std::vector<std::string> files;
    std::optional<std::string> output;
    std::optional<std::string> filter;
};

// The positional arguments and the value of -o; nullopt on anything else.
std::optional<TArguments> parseArguments(int argc, char **argv)
{
    TArguments arguments;
    for (int i = 2; i < argc; ++i) {
        std::string argument = argv[i];
        if (argument == "-o") {
            if (arguments.output || i + 1 >= argc) return std::nullopt;
            arguments.output = argv[++i];
        } else if (argument == "--flt") {
            if (arguments.filter || i + 1 >= argc) return std::nullopt;
            arguments.filter = argv[++i];
        } else if (!argument.empty() && argument[0] == '-' && argument != "-") {
            return std::nullopt;
        } else {
            arguments.files.push_back(argument);
        }
    }
    return arguments;
}

int build(const TArguments &arguments)
{
    if (arguments.files.size() != 1 || !arguments.output) return usageError();
    const std::string &sourcePath = arguments.files[0];
    std::string error;
    std::optional<std::string> source = readFile(sourcePath, error);
    if (!source) return badInput(sourcePath, "cannot read: " + error);
    std::string packet;
    try {
        packet = buildPacket(*source);
    } catch (const EToolError &failure) {
        return badInput(sourcePath, failure.Message());
    }
    if (!writeFileAtomically(*arguments.output, packet))
        return badInput(*arguments.output, std::string("cannot write: ") + std::strerror(errno));
    return 0;
}

int exportFile(const TArguments &arguments)
{
    if (arguments.files.size() != 1) return usageError();
    const std::string &path = arguments.files[0];
    std::string error;
    std::optional<std::string> packet = readFile(path, error);
    if (!packet) return badInput(path, "cannot read: " + error);
    std::string json;
    try {
        json = exportPacket(std::move(*packet));
    } catch (const EToolError &failure) {
        return badInput(path, failure.Message());
    }
    if (!arguments.output) {
        std::cout << json << std::flush;
        return std::cout ? 0 : BadInput;
    }
    if (!writeFileAtomically(*arguments.output, json))
        return badInput(*arguments.output, std::string("cannot write: ") + std::strerror(errno));
    return 0;
}

int query(const TArguments &arguments)
{
    if (arguments.files.size() != 1 || !arguments.filter || arguments.output) return usageError();
    std::string error;
    std::optional<std::string> stream = readFile(*arguments.filter, error, cxFilterFileMaxSize);
    if (!stream) return badInput(*arguments.filter, "cannot read: " + error);
    return queryDataFile(arguments.files[0], *stream, std::cout, std::cerr);
}

// The user's copy MINE, which came from BASE, brought to the release NEW; prints what it did.
int merge(const TArguments &arguments)
{
    if (arguments.files.size() != 3 || !arguments.output) return usageError();
    TDataTable tables[3];
    for (int i = 0; i < 3; ++i) {
        const std::string &path = arguments.files[static_cast<std::size_t>(i)];
        std::string error;
        std::optional<std::string> packet = readFile(path, error);
        if (!packet) return badInput(path, "cannot read: " + error);
        try {
            tables[i] = readDataTable(std::move(*packet));
        } catch (const EToolError &failure) {
            return badInput(path, failure.Message());
        }
    }
    std::string packet;
    TMergeReport report;
    try {
        TMergeResult result = mergeDataTables(tables[0], tables[1], tables[2]);
        packet = writeDataTable(result.table);
        report = std::move(result.report);
    } catch (const EToolError &failure) {
        return badInput(arguments.files[1], failure.Message());
    }
    if (!writeFileAtomically(*arguments.output, packet))
        return badInput(*arguments.output, std::string("cannot write: ") + std::strerror(errno));
    std::cout << report.text() << std::flush;
    return 0;
}

// The content check of a data file, or of a JSON source or an array of draft rows when the
// name ends in .json; one line per finding, status 1 when there is any.
int lint(const TArguments &arguments)
{
    if (arguments.files.size() != 1 || arguments.output) return usageError();
    const std::string &path = arguments.files[0];
    std::string error;
    std::optional<std::string> content = readFile(path, error);
    if (!content) return badInput(path, "cannot read: " + error);
    const bool json = path.size() >= 5 && (path.compare(path.size() - 5, 5, ".json") == 0 ||
                                           path.compare(path.size() - 5, 5, ".JSON") == 0);
    TLintData data;
    std::vector<TLintFinding> findings;
    try {
        data = json ? lintDataFromJson(*content) : lintDataFromPacket(std::move(*content));
        findings = lintRecords(data);
    } catch (const EToolError &failure) {
        return badInput(path, failure.Message());
    }
    for (const TLintFinding &finding : findings)
        std::cout << findingLine(data, finding) << '\n';
    const std::string records = std::to_string(data.rows.size()) + " records";
    if (findings.empty())
        std::cout << records << ", clean\n";
    else
        std::cerr << records << ", " << findings.size() << " findings\n";
    std::cout << std::flush;
    if (!std::cout) return BadInput;
    return findings.empty() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) return usageError();
    const std::string command = argv[1];
    if (command == "--help" || command == "-h") {
        std::cout << Usage;
        return 0;
    }
    std::optional<TArguments> arguments = parseArguments(argc, argv);
    if (!arguments) return usageError();
    if (arguments->filter && command != "query") return usageError();
    if (command == "build") return build(*arguments);
    if (command == "export") return exportFile(*arguments);
    if (command == "query") return query(*arguments);
    if (command == "merge") return merge(*arguments);
    if (command == "lint") return lint(*arguments);
    if (command == "check") {
        if (arguments->files.size() != 1 || arguments->output || arguments->filter)
            return usageError();
        return checkDataFile(arguments->files[0], std::cout);
    }
    return usageError();
}
