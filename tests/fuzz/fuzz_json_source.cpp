// The data tool's reading of a JSON source on arbitrary bytes: a fault is a one-line message
// and nothing else; a source it builds gives a sealed packet that exports to a source that
// builds the same packet byte for byte; the content check reads the same source or refuses it
// with its own message.

#include "platform/IntegrityRecord.h"
#include "tervana-data/DataTool.h"
#include "tervana-data/Lint.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_json_source: %s\n", what);
    std::abort();
}

void checkMessage(const EToolError &error)
{
    const std::string &message = error.Message();
    if (message.empty()) fail("an empty message");
    for (char c : message)
        if (c == '\n' || c == '\r') fail("a message of more than one line");
}

void checkBuild(std::string_view source)
{
    std::string packet;
    try {
        packet = buildPacket(source);
    } catch (const EToolError &error) {
        checkMessage(error);
        return;
    }
    if (!integrity::isSealed(packet)) fail("a built packet is not sealed");
    std::string exported;
    try {
        exported = exportPacket(packet);
    } catch (const EToolError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        fail("a built packet does not export");
    }
    std::string again;
    try {
        again = buildPacket(exported);
    } catch (const EToolError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        fail("an exported source does not build");
    }
    if (again != packet) fail("the exported source builds another packet");
    if (exportPacket(again) != exported) fail("the export changed on the second round");
}

void checkLint(std::string_view source)
{
    try {
        const TLintData data = lintDataFromJson(source);
        for (const auto &row : data.rows)
            if (row.size() != data.fields.size()) fail("a row without a value per field");
        (void)lintRecords(data);
    } catch (const EToolError &error) {
        checkMessage(error);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view source(reinterpret_cast<const char *>(data), size);
    checkBuild(source);
    checkLint(source);
    return 0;
}
