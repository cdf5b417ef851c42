// The data packet reader on arbitrary bytes: a packet it accepts must survive being written
// and read again unchanged, and a data set must open it (or refuse it with its own error),
// bind the drug fields, read every value, take an edit and write itself back. The seal's
// checksum (libxxhash) gives the same value however the bytes are cut.

#include "data/ClientDataSet.h"
#include "engine/DataPacket.h"
#include "druglist/DrugFields.h"
#include "data/Field.h"
#include "platform/IntegrityRecord.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const char *what)
{
    std::fprintf(stderr, "fuzz_data_packet: %s\n", what);
    std::abort();
}

void checkRoundTrip(const std::string &input)
{
    TPacketContent content;
    try {
        content = readDataPacket(input);
    } catch (const EDSEngineError &) {
        return;
    }
    if (content.cells.size() != content.rowCount * content.fields.size())
        fail("cell count is not rows times fields");
    const std::size_t width = content.fields.size();
    auto valueAt = [&](std::size_t row, std::uint32_t fieldNo) -> std::optional<std::string_view> {
        const TPacketCell &cell = content.cells[row * width + fieldNo - 1];
        if (cell.isNull()) return std::nullopt;
        return cell.bytes();
    };
    const std::string written =
        writeDataPacket(content.fields, content.params, content.rowCount, valueAt);
    TPacketContent again;
    try {
        again = readDataPacket(written);
    } catch (const EDSEngineError &error) {
        std::fprintf(stderr, "%s\n", error.what());
        fail("the written packet is refused when read back");
    }
    if (!integrity::isSealed(written)) fail("the written packet is not sealed");
    if (again.rowCount != content.rowCount || again.fields.size() != width ||
        again.params != content.params)
        fail("the shape changed on the way back");
    for (std::size_t i = 0; i < width; ++i) {
        const TFieldDescriptor &a = content.fields[i], &b = again.fields[i];
        if (a.name != b.name || a.typeName != b.typeName || a.width != b.width ||
            a.position != b.position)
            fail("a field changed on the way back");
    }
    for (std::size_t i = 0; i < again.cells.size(); ++i) {
        const TPacketCell &a = content.cells[i], &b = again.cells[i];
        if (a.isNull() != b.isNull() || a.bytes() != b.bytes())
            fail("a value changed on the way back");
        if (a.bytes().find('\0') != std::string_view::npos) fail("a value holds a zero byte");
    }
}

void checkChecksum(const std::string &input)
{
    const std::uint64_t whole = integrity::checksum(input);
    integrity::TChecksum pieces;
    std::size_t step = input.empty() ? 1 : static_cast<unsigned char>(input[0]) + 1;
    for (std::size_t at = 0; at < input.size(); at += step, step = step * 7 % 97 + 1)
        pieces.update(std::string_view(input).substr(at, step));
    if (pieces.digest() != whole) fail("the checksum in pieces differs from the whole");
    const std::string sealed = integrity::sealed(input);
    if (!integrity::isSealed(sealed) || integrity::withoutSeal(sealed) != input)
        fail("a sealed copy of the input is not taken for sealed");
}

const std::string &scratchFile()
{
    static const std::string path = [] {
        const char *folder = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(folder) + "/tervana-fuzz-" + std::to_string(getpid()) + ".XML";
    }();
    return path;
}

void checkDataSet(const std::string &input)
{
    {
        std::ofstream out(scratchFile(), std::ios::binary | std::ios::trunc);
        out.write(input.data(), static_cast<std::streamsize>(input.size()));
    }
    TClientDataSet cds("cds");
    createDrugFields(cds);
    cds.SetFileName(scratchFile());
    try {
        cds.Open();
    } catch (const Exception &) {
        if (cds.Active()) fail("a refused file left the data set open");
        return;
    }
    std::string firstValue;
    bool edited = false;
    try {
        const int count = cds.RecordCount();
        int seen = 0;
        for (cds.First(); !cds.Eof(); cds.Next()) {
            for (int i = 0; i < cds.FieldCount(); ++i)
                (void)cds.field(i)->AsString();
            ++seen;
        }
        if (seen != count) fail("walking the records did not see RecordCount of them");
        cds.First();
        if (!cds.IsEmpty() && cds.CanModify() && cds.packetAllowsChange()) {
            TField *field = cds.field(0);
            firstValue = field->AsString() + "x";
            cds.Edit();
            field->SetAsString(firstValue);
            cds.Post();
            firstValue = field->AsString(); // as the field keeps it (cut to its size)
            edited = true;
        }
        cds.Close();
    } catch (const Exception &) {
        return;
    }
    if (!edited) return;
    TClientDataSet back("cds");
    createDrugFields(back);
    back.SetFileName(scratchFile());
    try {
        back.Open();
    } catch (const Exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        fail("the written-back file does not open");
    }
    if (back.field(0)->AsString() != firstValue) fail("the edit was not written back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);
    checkChecksum(input);
    checkRoundTrip(input);
    checkDataSet(input);
    return 0;
}
