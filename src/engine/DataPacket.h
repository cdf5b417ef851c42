#pragma once

#include "platform/ByteBuffer.h"
#include "engine/DSIntf.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reading and writing the XML data packet (docs/data-packet.md describes the format).

// A packet as read. The cells refer into `buffer`, the packet's own bytes decoded in place, so
// the values of a packet cost no allocation of their own.
struct TPacketContent
{
    TByteBuffer buffer;
    std::vector<TFieldDescriptor> fields;
    std::vector<TPacketParam> params;
    std::size_t rowCount = 0;
    TPacketCells cells; // rowCount * fields.size(), one row after another
};

// A packet holds at most this many values, rows times fields (null ones count): room for
// far more drugs than any reference lists, and a bound on what a hostile file can claim.
constexpr std::size_t MaxPacketValues = std::size_t(1) << 22;

// Parses a whole packet. Throws EDSEngineError naming the fault and its line and byte offset;
// nothing of a rejected packet survives.
TPacketContent readDataPacket(TByteBuffer packet);

// Supplies the value of field `fieldNo` (1-based) of row `row` (0-based); nullopt for null.
using TPacketValueSource =
    std::function<std::optional<std::string_view>(std::size_t row, std::uint32_t fieldNo)>;

// Writes a packet with the integrity seal at its end, handing it to `sink` a piece at a time.
// Throws EDSEngineError for a field list or parameter list that could not be read back (an
// empty or repeated name, a missing type) and for a value with a zero byte. Values are asked
// for row by row, each row's fields in order.
void writeDataPacket(const std::vector<TFieldDescriptor> &fields,
                     const std::vector<TPacketParam> &params, std::size_t rowCount,
                     const TPacketValueSource &valueAt, const TByteSink &sink);
// The same packet whole.
std::string writeDataPacket(const std::vector<TFieldDescriptor> &fields,
                            const std::vector<TPacketParam> &params, std::size_t rowCount,
                            const TPacketValueSource &valueAt);

// Field names are the same when they differ only in the letter case of ASCII letters. The
// second byte of a double-byte character is never folded: it is not a letter.
bool sameFieldName(std::string_view first, std::string_view second);

// True when the writer stores `value` as hex (hN) because XML cannot carry it as text.
bool needsHexForm(std::string_view value);
