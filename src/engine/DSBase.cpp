#include "engine/DSIntf.h"

#include "engine/DataPacket.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <mutex>
#include <new>
#include <numeric>

namespace {

const char EmptyValue[] = "";

// Holds the values written into the store. Memory is only ever added, never moved or freed
// before the store goes, so record buffers that refer to an older value stay valid.
class TValueArena
{
public:
    const char *store(std::string_view bytes)
    {
        if (bytes.empty()) return EmptyValue;
        if (bytes.size() > ChunkSize / 4) {
            m_size += bytes.size();
            m_chunks.push_back(std::make_unique<char[]>(bytes.size()));
            std::memcpy(m_chunks.back().get(), bytes.data(), bytes.size());
            return m_chunks.back().get();
        }
        if (bytes.size() > m_left) {
            m_chunks.push_back(std::make_unique<char[]>(ChunkSize));
            m_free = m_chunks.back().get();
            m_left = ChunkSize;
        }
        m_size += bytes.size();
        char *place = m_free;
        std::memcpy(place, bytes.data(), bytes.size());
        m_free += bytes.size();
        m_left -= bytes.size();
        return place;
    }

    // Bytes of values stored so far.
    std::size_t size() const { return m_size; }

private:
    static constexpr std::size_t ChunkSize = 64 * 1024;
    std::vector<std::unique_ptr<char[]>> m_chunks;
    char *m_free = nullptr;
    std::size_t m_left = 0;
    std::size_t m_size = 0;
};

class TDSBase : public IDSBase
{
public:
    void AppendData(TByteBuffer packet, bool complete) override;
    const std::vector<TFieldDescriptor> &fieldDescriptors() const override { return m_fields; }
    std::optional<bool> param(std::string_view name) const override;
    const std::vector<TPacketParam> &params() const override { return m_params; }
    bool readOnly() const override;
    bool dataChanged() const override { return m_changed; }
    using IDSBase::StreamOut;
    void StreamOut(const TByteSink &sink) const override;
    std::unique_ptr<IDSCursor> createCursor() override;
    const TPacketCells &recordCells() const override { return m_cells; }
    const std::vector<std::uint32_t> &recordOrder() const override { return m_order; }

    // For the cursors. Record ids count from 1; positions from 0 in record order.
    std::uint32_t recordCount() const { return static_cast<std::uint32_t>(m_order.size()); }
    bool isRecord(std::uint32_t id) const { return id >= 1 && id <= m_positionOf.size(); }
    std::uint32_t positionOf(std::uint32_t id) const { return m_positionOf[id - 1]; }
    std::uint32_t idAt(std::uint32_t position) const { return m_order[position]; }
    void fill(std::uint32_t id, TRecordBuffer &buffer) const;
    void checkAllowed(std::string_view disablingParam) const;
    void store(std::uint32_t id, const TRecordBuffer &buffer);
    std::uint32_t insertAt(std::uint32_t position, const TRecordBuffer &buffer);

private:
    TPacketCell *cellsOf(std::uint32_t id) { return m_cells.data() + (id - 1) * m_fields.size(); }
    const TPacketCell *cellsOf(std::uint32_t id) const
    {
        return m_cells.data() + (id - 1) * m_fields.size();
    }
    void checkBuffer(const TRecordBuffer &buffer) const;
    // The cells that store `buffer`, given the cells it was read from (or none).
    std::vector<TPacketCell> cellsFor(const TRecordBuffer &buffer, const TPacketCell *current);

    bool m_loaded = false;
    bool m_changed = false;
    TByteBuffer m_packet; // the arena of every value read from the packet
    std::vector<TFieldDescriptor> m_fields;
    std::vector<TPacketParam> m_params;
    TPacketCells m_cells;                    // by record id, then field
    std::vector<std::uint32_t> m_order;      // record ids in record order
    std::vector<std::uint32_t> m_positionOf; // by record id
    std::uint32_t m_idCount = 0;
    TValueArena m_arena;
};

class TDSCursor : public IDSCursor
{
public:
    explicit TDSCursor(TDSBase &base) : m_base(base) {}

    std::uint32_t recordCount() const override { return m_base.recordCount(); }
    void moveToBOF() override { m_place = TPlace::Bof; }
    void moveToEOF() override { m_place = TPlace::Eof; }
    TFetchResult getNextRecord(TRecordBuffer &buffer) override;
    TFetchResult getPriorRecord(TRecordBuffer &buffer) override;
    TFetchResult getCurrentRecord(TRecordBuffer &buffer) override;
    std::uint32_t sequenceNumber() const override;
    bool moveToSeqNo(std::uint32_t sequenceNumber) override;
    bool moveToBookmark(TDSBookmark bookmark) override;
    int compareBookmarks(TDSBookmark first, TDSBookmark second) const override;
    TRecordBuffer newRecordBuffer() const override;
    void modifyRecord(const TRecordBuffer &buffer) override;
    void insertRecord(const TRecordBuffer &buffer) override;

private:
    enum class TPlace { Bof, Record, Eof };

    TFetchResult standOn(std::uint32_t position, TRecordBuffer &buffer);

    TDSBase &m_base;
    TPlace m_place = TPlace::Bof;
    std::uint32_t m_id = 0; // the record stood on, while m_place is Record
};

void TDSBase::AppendData(TByteBuffer packet, bool complete)
{
    // The engine reads a packet in one piece; there is no provider to fetch the rest from.
    if (!complete) throw EDSEngineError("Incomplete data packets are not supported");
    if (m_loaded) throw EDSEngineError("The store already holds a data packet");
    try {
        TPacketContent content = readDataPacket(std::move(packet));
        const auto count = static_cast<std::uint32_t>(content.rowCount);
        std::vector<std::uint32_t> order(count);
        std::iota(order.begin(), order.end(), 1u);
        std::vector<std::uint32_t> positionOf(count);
        std::iota(positionOf.begin(), positionOf.end(), 0u);

        // Nothing below can fail: the store takes the packet whole or not at all.
        m_packet = std::move(content.buffer);
        m_fields = std::move(content.fields);
        m_params = std::move(content.params);
        m_cells = std::move(content.cells);
        m_order = std::move(order);
        m_positionOf = std::move(positionOf);
        m_idCount = count;
        m_loaded = true;
    } catch (const std::bad_alloc &) {
        throw EDSEngineError("Not enough memory to load the data packet");
    } catch (const std::length_error &) {
        throw EDSEngineError("Not enough memory to load the data packet");
    }
}

std::optional<bool> TDSBase::param(std::string_view name) const
{
    for (const TPacketParam &entry : m_params)
        if (sameFieldName(entry.name, name)) return entry.value;
    return std::nullopt;
}

bool TDSBase::readOnly() const
{
    // Read-only means that nothing at all may change.
    return param("DISABLE_EDITS").value_or(false) && param("DISABLE_INSERTS").value_or(false) &&
           param("DISABLE_DELETES").value_or(false);
}

void TDSBase::StreamOut(const TByteSink &sink) const
{
    const std::size_t fieldCount = m_fields.size();
    writeDataPacket(
        m_fields, m_params, m_order.size(),
        [&](std::size_t row, std::uint32_t fieldNo) -> std::optional<std::string_view> {
            const TPacketCell &cell = m_cells[(m_order[row] - 1) * fieldCount + fieldNo - 1];
            if (cell.isNull()) return std::nullopt;
            return cell.bytes();
        },
        sink);
}

std::unique_ptr<IDSCursor> TDSBase::createCursor()
{
    return std::make_unique<TDSCursor>(*this);
}

void TDSBase::fill(std::uint32_t id, TRecordBuffer &buffer) const
{
    if (buffer.fieldCount() != m_fields.size())
        buffer = TRecordBuffer(m_fields.size());
    else
        buffer.clear();
    const TPacketCell *cells = cellsOf(id);
    for (std::uint32_t fieldNo = 1; fieldNo <= m_fields.size(); ++fieldNo) {
        const TPacketCell &cell = cells[fieldNo - 1];
        buffer.referValue(fieldNo, cell.isNull() ? EmptyValue : cell.data, cell.length,
                          cell.isNull());
    }
    buffer.attribute = TRecordAttribute::Normal;
    buffer.bookmark = TDSBookmark{id};
}

void TDSBase::checkAllowed(std::string_view disablingParam) const
{
    if (param(disablingParam).value_or(false))
        throw EDSEngineError("Modifications are not allowed");
}

void TDSBase::checkBuffer(const TRecordBuffer &buffer) const
{
    if (buffer.fieldCount() != m_fields.size())
        throw EDSEngineError("The record buffer does not match the store's " +
                             std::to_string(m_fields.size()) + " fields");
}

std::vector<TPacketCell> TDSBase::cellsFor(const TRecordBuffer &buffer, const TPacketCell *current)
{
    checkBuffer(buffer);
    std::vector<TPacketCell> cells(m_fields.size());
    for (std::uint32_t fieldNo = 1; fieldNo <= m_fields.size(); ++fieldNo) {
        if (buffer.isBlank(fieldNo)) continue;
        std::string_view value = buffer.value(fieldNo);
        // A value the buffer still refers to in the store needs no copy.
        if (current && current[fieldNo - 1].data == value.data() &&
            current[fieldNo - 1].length == value.size()) {
            cells[fieldNo - 1] = current[fieldNo - 1];
            continue;
        }
        cells[fieldNo - 1] =
            TPacketCell{m_arena.store(value), static_cast<std::uint32_t>(value.size())};
    }
    return cells;
}

void TDSBase::store(std::uint32_t id, const TRecordBuffer &buffer)
{
    std::vector<TPacketCell> cells = cellsFor(buffer, cellsOf(id));
    std::copy(cells.begin(), cells.end(), cellsOf(id));
    m_changed = true;
}

std::uint32_t TDSBase::insertAt(std::uint32_t position, const TRecordBuffer &buffer)
{
    if (m_idCount == std::numeric_limits<std::uint32_t>::max() - 1)
        throw EDSEngineError("The store cannot hold more records");
    std::vector<TPacketCell> cells = cellsFor(buffer, nullptr);
    // Reserve first: once the record is linked in, nothing may fail any more. Room grows by
    // half at a time, so that a run of inserts does not copy every cell each time.
    auto makeRoom = [](auto &vector, std::size_t more) {
        if (vector.capacity() - vector.size() < more)
            vector.reserve(
                std::max(vector.size() + more, vector.capacity() + vector.capacity() / 2));
    };
    makeRoom(m_cells, cells.size());
    makeRoom(m_positionOf, 1);
    makeRoom(m_order, 1);

    const std::uint32_t id = m_idCount + 1;
    m_cells.insert(m_cells.end(), cells.begin(), cells.end());
    m_positionOf.push_back(position);
    m_order.insert(m_order.begin() + position, id);
    m_idCount = id;
    for (std::uint32_t p = position + 1; p < m_order.size(); ++p)
        m_positionOf[m_order[p] - 1] = p;
    m_changed = true;
    return id;
}

TFetchResult TDSCursor::standOn(std::uint32_t position, TRecordBuffer &buffer)
{
    m_place = TPlace::Record;
    m_id = m_base.idAt(position);
    m_base.fill(m_id, buffer);
    return TFetchResult::Ok;
}

TFetchResult TDSCursor::getNextRecord(TRecordBuffer &buffer)
{
    std::uint32_t next = 0;
    switch (m_place) {
    case TPlace::Bof: next = 0; break;
    case TPlace::Record: next = m_base.positionOf(m_id) + 1; break;
    case TPlace::Eof: return TFetchResult::Eof;
    }
    if (next >= m_base.recordCount()) {
        m_place = TPlace::Eof;
        return TFetchResult::Eof;
    }
    return standOn(next, buffer);
}

TFetchResult TDSCursor::getPriorRecord(TRecordBuffer &buffer)
{
    std::uint32_t position = 0;
    switch (m_place) {
    case TPlace::Bof: return TFetchResult::Bof;
    case TPlace::Record: position = m_base.positionOf(m_id); break;
    case TPlace::Eof: position = m_base.recordCount(); break;
    }
    if (position == 0) {
        m_place = TPlace::Bof;
        return TFetchResult::Bof;
    }
    return standOn(position - 1, buffer);
}

TFetchResult TDSCursor::getCurrentRecord(TRecordBuffer &buffer)
{
    switch (m_place) {
    case TPlace::Bof: return TFetchResult::Bof;
    case TPlace::Eof: return TFetchResult::Eof;
    case TPlace::Record: break;
    }
    m_base.fill(m_id, buffer);
    return TFetchResult::Ok;
}

std::uint32_t TDSCursor::sequenceNumber() const
{
    return m_place == TPlace::Record ? m_base.positionOf(m_id) + 1 : 0;
}

bool TDSCursor::moveToSeqNo(std::uint32_t sequenceNumber)
{
    if (sequenceNumber == 0 || sequenceNumber > m_base.recordCount()) return false;
    m_place = TPlace::Record;
    m_id = m_base.idAt(sequenceNumber - 1);
    return true;
}

bool TDSCursor::moveToBookmark(TDSBookmark bookmark)
{
    if (!m_base.isRecord(bookmark.id)) return false;
    m_place = TPlace::Record;
    m_id = bookmark.id;
    return true;
}

int TDSCursor::compareBookmarks(TDSBookmark first, TDSBookmark second) const
{
    // A bookmark that names no record sorts after every one that does.
    const bool firstValid = m_base.isRecord(first.id);
    const bool secondValid = m_base.isRecord(second.id);
    if (firstValid != secondValid) return firstValid ? -1 : 1;
    std::uint32_t a = first.id, b = second.id;
    if (firstValid) {
        a = m_base.positionOf(first.id);
        b = m_base.positionOf(second.id);
    }
    return a < b ? -1 : (a > b ? 1 : 0);
}

TRecordBuffer TDSCursor::newRecordBuffer() const
{
    return TRecordBuffer(m_base.fieldDescriptors().size());
}

void TDSCursor::modifyRecord(const TRecordBuffer &buffer)
{
    m_base.checkAllowed("DISABLE_EDITS");
    if (!buffer.bookmark || !m_base.isRecord(buffer.bookmark->id))
        throw EDSEngineError("Record not found");
    m_base.store(buffer.bookmark->id, buffer);
    m_place = TPlace::Record;
    m_id = buffer.bookmark->id;
}

void TDSCursor::insertRecord(const TRecordBuffer &buffer)
{
    m_base.checkAllowed("DISABLE_INSERTS");
    std::uint32_t position = 0;
    switch (m_place) {
    case TPlace::Bof: position = 0; break;
    case TPlace::Record: position = m_base.positionOf(m_id); break;
    case TPlace::Eof: position = m_base.recordCount(); break;
    }
    m_id = m_base.insertAt(position, buffer);
    m_place = TPlace::Record;
}

// The one factory of stores, set up at the first request.
class TDSFactory
{
public:
    std::unique_ptr<IDSBase> createStore() const { return std::make_unique<TDSBase>(); }
};

const TDSFactory &factory()
{
    static std::once_flag once;
    static std::unique_ptr<TDSFactory> instance;
    std::call_once(once, [] { instance = std::make_unique<TDSFactory>(); });
    return *instance;
}

} // namespace

std::unique_ptr<IDSBase> createDSBase()
{
    return factory().createStore();
}
