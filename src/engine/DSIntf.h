#pragma once

#include "platform/ByteBuffer.h"
#include "platform/Exception.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The client data set engine: a store of records parsed from a data packet (IDSBase) and
// cursors over it (IDSCursor). Values are GBK byte strings; a value is null or a (possibly
// empty) string. The engine knows nothing of fields' display labels or of the toolkit.

// A failure reported by the engine; its message names what is wrong and where.
class EDSEngineError : public Exception
{
public:
    using Exception::Exception;
};

// One field of the packet's field list, as the packet declares it.
struct TFieldDescriptor
{
    std::string name;     // GBK bytes, as in the packet
    std::string typeName; // "String", "FixedChar", "Guid", "Memo", "WideString", "Integer", ...
    std::uint32_t width = 0;
    std::uint32_t position = 0; // 1-based position in the field list
};

// One parameter of the packet's parameter list, in the order the packet lists them.
struct TPacketParam
{
    std::string name; // GBK bytes, as in the packet
    bool value = false;
    bool operator==(const TPacketParam &) const = default;
};

// Takes bytes as they are made, one piece after another.
using TByteSink = std::function<void(std::string_view bytes)>;

// An opaque record identity that stays valid while the record exists.
struct TDSBookmark
{
    std::uint32_t id = 0;
    bool operator==(const TDSBookmark &) const = default;
};

// What a record buffer holds besides values.
enum class TRecordAttribute { Normal, BeforeFirst, AfterLast };

// The data set's copy of one record. Unchanged values refer into the store's memory, so a
// fetch copies no bytes; written values are held by the buffer itself.
class TRecordBuffer
{
public:
    TRecordBuffer() = default;
    explicit TRecordBuffer(std::size_t fieldCount);

    std::size_t fieldCount() const { return m_cells.size(); }
    // `fieldNo` is 1-based, as field numbers are.
    bool isBlank(std::uint32_t fieldNo) const;
    std::string_view value(std::uint32_t fieldNo) const;
    void setValue(std::uint32_t fieldNo, std::optional<std::string_view> value);
    void clear(); // every value null, attribute Normal, no bookmark

    TRecordAttribute attribute = TRecordAttribute::Normal;
    std::optional<TDSBookmark> bookmark;

    // Used by the engine when it fills the buffer: refers to bytes the store keeps alive.
    void referValue(std::uint32_t fieldNo, const char *data, std::uint32_t length, bool blank);

private:
    struct TCell
    {
        const char *data = nullptr;
        std::uint32_t length = 0;
        bool blank = true;
        std::int32_t owned = -1; // index into m_owned when the buffer holds the bytes itself
    };
    std::vector<TCell> m_cells;
    std::vector<std::string> m_owned;
};

enum class TFetchResult { Ok, Bof, Eof };

// One value as the store holds it: null, or `length` bytes that the store keeps alive.
struct TPacketCell
{
    const char *data = nullptr; // nullptr for a null value
    std::uint32_t length = 0;

    bool isNull() const { return data == nullptr; }
    std::string_view bytes() const
    {
        return data ? std::string_view(data, length) : std::string_view();
    }
};

using TPacketCells = std::vector<TPacketCell, TLargeAllocator<TPacketCell>>;

class IDSCursor;

class IDSBase
{
public:
    virtual ~IDSBase() = default;

    // Parses a whole data packet into the store. Throws EDSEngineError (with the line or byte
    // offset of the fault) and leaves the store empty when the packet is malformed.
    virtual void AppendData(TByteBuffer packet, bool complete) = 0;

    virtual const std::vector<TFieldDescriptor> &fieldDescriptors() const = 0;
    // A Boolean parameter of the packet ("DISABLE_EDITS", ...); empty when the packet has none.
    virtual std::optional<bool> param(std::string_view name) const = 0;
    // Every parameter of the packet, as read; written back unchanged.
    virtual const std::vector<TPacketParam> &params() const = 0;
    virtual bool readOnly() const = 0;

    // The store's "data has changed" property: true once a record was modified or inserted.
    virtual bool dataChanged() const = 0;

    // The whole store as a data packet, sealed with the integrity record, handed to `sink` a
    // piece at a time as it is made.
    virtual void StreamOut(const TByteSink &sink) const = 0;
    // The same packet whole.
    std::string StreamOut() const
    {
        std::string packet;
        StreamOut([&](std::string_view bytes) { packet += bytes; });
        return packet;
    }

    virtual std::unique_ptr<IDSCursor> createCursor() = 0;

    // For readers that keep views of the values instead of copies. The cells of every record,
    // fieldDescriptors().size() to a record, by record id (ids count from 1). The vector
    // itself stays put for as long as the store lives, but an insert may move its cells, so
    // readers index it afresh; the bytes a cell points to never move or go before the store.
    virtual const TPacketCells &recordCells() const = 0;
    // Record ids in record order.
    virtual const std::vector<std::uint32_t> &recordOrder() const = 0;
};

class IDSCursor
{
public:
    virtual ~IDSCursor() = default;

    virtual std::uint32_t recordCount() const = 0;

    virtual void moveToBOF() = 0;
    virtual void moveToEOF() = 0;
    // Move and fill `buffer` with the record reached (values, attribute Normal, bookmark).
    // Past either end the cursor stands before the first or after the last record and
    // `buffer` is left as it was.
    virtual TFetchResult getNextRecord(TRecordBuffer &buffer) = 0;
    virtual TFetchResult getPriorRecord(TRecordBuffer &buffer) = 0;
    // The record the cursor stands on, without moving.
    virtual TFetchResult getCurrentRecord(TRecordBuffer &buffer) = 0;

    // 1-based position of the current record; 0 when before the first or after the last.
    virtual std::uint32_t sequenceNumber() const = 0;
    // False, and the cursor stays where it was, when no record has that number.
    virtual bool moveToSeqNo(std::uint32_t sequenceNumber) = 0;

    virtual bool moveToBookmark(TDSBookmark bookmark) = 0;
    // -1, 0 or 1 in record order; a bookmark that names no record sorts after all others.
    virtual int compareBookmarks(TDSBookmark first, TDSBookmark second) const = 0;

    // A new buffer with one null cell per field.
    virtual TRecordBuffer newRecordBuffer() const = 0;

    // Store the buffer: over the record its bookmark names, or as a new record inserted
    // before the current one (appended when the cursor is after the last). The cursor then
    // stands on the stored record. Throw "Modifications are not allowed" when the packet
    // forbids that kind of change.
    virtual void modifyRecord(const TRecordBuffer &buffer) = 0;
    virtual void insertRecord(const TRecordBuffer &buffer) = 0;
};

// Creates stores; the factory is set up once per process.
std::unique_ptr<IDSBase> createDSBase();
