// The record window of TClientDataSet: fetching records into its buffers, the moves,
// resynchronising after an edit, bookmarks and the window's size.
#include "data/ClientDataSet.h"

#include "data/DataLink.h"
#include "data/DataSource.h"

#include <algorithm>
#include <cassert>

void TClientDataSet::moveSlot(int from, int to)
{
    if (from == to) return;
    auto begin = m_slots.begin();
    if (from < to)
        std::rotate(begin + from, begin + from + 1, begin + to + 1);
    else
        std::rotate(begin + to, begin + from, begin + from + 1);
}

bool TClientDataSet::getRecord(int index, TGetMode mode)
{
    TSlot &target = slot(index);
    TFetchResult result = engineCall([&] {
        switch (mode) {
        case TGetMode::Current: return m_cursor->getCurrentRecord(target.buffer);
        case TGetMode::Next: return m_cursor->getNextRecord(target.buffer);
        case TGetMode::Prior: return m_cursor->getPriorRecord(target.buffer);
        }
        return TFetchResult::Eof;
    });
    target.inserted = false;
    target.insertBefore.reset();
    return result == TFetchResult::Ok;
}

void TClientDataSet::setToRecord(const TSlot &target)
{
    if (target.inserted) {
        // A new record goes before the record it was opened on, or at the end of an empty set.
        if (target.insertBefore)
            engineCall([&] { m_cursor->moveToBookmark(*target.insertBefore); });
        else
            engineCall([&] { m_cursor->moveToEOF(); });
        return;
    }
    if (target.buffer.bookmark)
        engineCall([&] { m_cursor->moveToBookmark(*target.buffer.bookmark); });
}

void TClientDataSet::setCurrentRecord(int index)
{
    if (m_currentRecord == index) return;
    setToRecord(slot(index));
    m_currentRecord = index;
}

void TClientDataSet::updateCursorPos()
{
    if (m_recordCount > 0) setCurrentRecord(m_activeRecord);
}

void TClientDataSet::activateBuffers()
{
    m_recordCount = 1;
    m_activeRecord = 0;
    m_currentRecord = 0;
    m_bof = false;
    m_eof = false;
}

void TClientDataSet::clearBuffers()
{
    m_recordCount = 0;
    m_activeRecord = 0;
    m_currentRecord = -1;
    m_bof = true;
    m_eof = true;
}

bool TClientDataSet::getNextRecord()
{
    if (m_recordCount > 0) setCurrentRecord(m_recordCount - 1);
    if (!getRecord(m_recordCount, TGetMode::Next)) {
        cursorPosChanged();
        return false;
    }
    if (m_recordCount == 0)
        activateBuffers();
    else if (m_recordCount < m_bufferCount)
        ++m_recordCount;
    else
        moveSlot(0, m_recordCount); // the window slides forward by one
    m_currentRecord = m_recordCount - 1;
    return true;
}

bool TClientDataSet::getPriorRecord()
{
    if (m_recordCount > 0) setCurrentRecord(0);
    if (!getRecord(m_recordCount, TGetMode::Prior)) {
        cursorPosChanged();
        return false;
    }
    if (m_recordCount == 0) {
        activateBuffers();
    } else {
        moveSlot(m_recordCount, 0);
        if (m_recordCount < m_bufferCount) {
            ++m_recordCount;
            ++m_activeRecord;
        }
    }
    m_currentRecord = 0;
    return true;
}

void TClientDataSet::getNextRecords()
{
    while (m_recordCount < m_bufferCount && getNextRecord()) {}
}

void TClientDataSet::getPriorRecords()
{
    while (m_recordCount < m_bufferCount && getPriorRecord()) {}
}

void TClientDataSet::First()
{
    CheckBrowseMode();
    clearBuffers();
    // The views hear of the move even when a fetch fails on the way.
    try {
        engineCall([&] { m_cursor->moveToBOF(); });
        getNextRecord();
        getNextRecords();
    } catch (...) {
        m_bof = true;
        dataEvent(TDataEvent::DataSetChange);
        throw;
    }
    m_bof = true;
    dataEvent(TDataEvent::DataSetChange);
}

void TClientDataSet::Last()
{
    CheckBrowseMode();
    clearBuffers();
    try {
        engineCall([&] { m_cursor->moveToEOF(); });
        getPriorRecord();
        getPriorRecords();
    } catch (...) {
        m_eof = true;
        dataEvent(TDataEvent::DataSetChange);
        throw;
    }
    m_eof = true;
    dataEvent(TDataEvent::DataSetChange);
}

int TClientDataSet::MoveBy(int distance)
{
    CheckBrowseMode();
    if ((distance > 0 && m_eof) || (distance < 0 && m_bof) || distance == 0) return 0;
    m_bof = false;
    m_eof = false;
    const int previousRecordCount = m_recordCount;
    int scrollCount = 0;
    int moved = 0;
    // A failed fetch leaves the window as far as it got, and the views still hear of it.
    auto notify = [&] {
        if (m_recordCount != previousRecordCount)
            dataEvent(TDataEvent::DataSetChange);
        else
            dataEvent(TDataEvent::DataSetScroll, scrollCount);
    };
    try {
        for (; distance > 0; --distance, ++moved) {
            if (m_activeRecord < m_recordCount - 1) {
                ++m_activeRecord;
                continue;
            }
            const int slide = m_recordCount < m_bufferCount ? 0 : 1;
            if (!getNextRecord()) {
                m_eof = true;
                break;
            }
            scrollCount -= slide;
        }
        for (; distance < 0; ++distance, --moved) {
            if (m_activeRecord > 0) {
                --m_activeRecord;
                continue;
            }
            const int slide = m_recordCount < m_bufferCount ? 0 : 1;
            if (!getPriorRecord()) {
                m_bof = true;
                break;
            }
            scrollCount += slide;
        }
    } catch (...) {
        notify();
        throw;
    }
    notify();
    return moved;
}

void TClientDataSet::resync(TResyncMode mode)
{
    if (mode == TResyncMode::ExactCentred) {
        cursorPosChanged();
        if (!getRecord(m_recordCount, TGetMode::Current)) raise("Record not found");
    } else if (!getRecord(m_recordCount, TGetMode::Current) &&
               !getRecord(m_recordCount, TGetMode::Next) &&
               !getRecord(m_recordCount, TGetMode::Prior)) {
        clearBuffers();
        dataEvent(TDataEvent::DataSetChange);
        return;
    }
    int count = mode == TResyncMode::Plain ? m_activeRecord : (m_bufferCount - 1) / 2;
    moveSlot(m_recordCount, 0);
    activateBuffers();
    try {
        while (count > 0 && getPriorRecord())
            --count;
        getNextRecords();
        getPriorRecords();
    } catch (...) {
        dataEvent(TDataEvent::DataSetChange);
        throw;
    }
    dataEvent(TDataEvent::DataSetChange);
}

int TClientDataSet::RecNo()
{
    checkActive();
    if (IsEmpty() || slot(m_activeRecord).inserted) return 0;
    updateCursorPos();
    return static_cast<int>(engineCall([&] { return m_cursor->sequenceNumber(); }));
}

void TClientDataSet::SetRecNo(int recordNumber)
{
    CheckBrowseMode();
    if (RecNo() == recordNumber) return;
    cursorPosChanged();
    const bool found = recordNumber > 0 && engineCall([&] {
                           return m_cursor->moveToSeqNo(static_cast<std::uint32_t>(recordNumber));
                       });
    if (!found) raise("Record not found");
    resync(TResyncMode::Centred);
}

bool TClientDataSet::BookmarkAvailable() const
{
    const bool stateAllows = m_state == TDataSetState::Browse || m_state == TDataSetState::Edit ||
                             m_state == TDataSetState::Insert;
    if (!Active() || !stateAllows || IsEmpty()) return false;
    const TSlot &active = slot(m_activeRecord);
    return !active.inserted && active.buffer.attribute == TRecordAttribute::Normal &&
           active.buffer.bookmark.has_value();
}

TBookmark TClientDataSet::GetBookmark() const
{
    if (!BookmarkAvailable()) return std::nullopt;
    return slot(m_activeRecord).buffer.bookmark;
}

void TClientDataSet::GotoBookmark(const TBookmark &bookmark)
{
    if (!bookmark) return;
    CheckBrowseMode();
    cursorPosChanged();
    if (!engineCall([&] { return m_cursor->moveToBookmark(*bookmark); })) raise("Record not found");
    resync(TResyncMode::ExactCentred);
}

int TClientDataSet::CompareBookmarks(const TBookmark &first, const TBookmark &second) const
{
    if (!first && !second) return 0;
    if (!first) return 1;
    if (!second) return -1;
    if (!m_cursor) return *first == *second ? 0 : (first->id < second->id ? -1 : 1);
    const int result = engineCall([&] { return m_cursor->compareBookmarks(*first, *second); });
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

bool TClientDataSet::BookmarkValid(const TBookmark &bookmark)
{
    if (!bookmark || !m_cursor) return false;
    cursorPosChanged();
    if (!engineCall([&] { return m_cursor->moveToBookmark(*bookmark); })) return false;
    TRecordBuffer scratch = m_cursor->newRecordBuffer();
    return engineCall([&] { return m_cursor->getCurrentRecord(scratch); }) == TFetchResult::Ok;
}

void TClientDataSet::updateBufferCount()
{
    int count = 1;
    for (TDataSource *source : m_dataSources)
        for (TDataLink *link : source->m_dataLinks)
            count = std::max(count, link->BufferCount());
    setBufferCount(count);
}

void TClientDataSet::setBufferCount(int count)
{
    if (!m_cursor) {
        m_bufferCount = count;
        return;
    }
    if (count == m_bufferCount && !m_slots.empty()) return;
    if (count < m_bufferCount && m_activeRecord >= count) {
        // Drop records from the window's start so that the current record stays in it.
        const int delta = m_activeRecord - count + 1;
        std::rotate(m_slots.begin(), m_slots.begin() + delta, m_slots.end());
        m_activeRecord -= delta;
        m_recordCount -= delta;
        for (TDataSource *source : m_dataSources)
            for (TDataLink *link : source->m_dataLinks)
                if (link->Active()) link->m_firstRecord = std::max(0, link->m_firstRecord - delta);
    }
    m_recordCount = std::min(m_recordCount, count);
    const std::size_t slotCount = static_cast<std::size_t>(count) + 1;
    if (m_slots.size() > slotCount) m_slots.resize(slotCount);
    while (m_slots.size() < slotCount)
        m_slots.push_back(TSlot{m_cursor->newRecordBuffer(), false, std::nullopt});
    m_bufferCount = count;
    cursorPosChanged();
    if (m_recordCount > 0) getNextRecords();
}
