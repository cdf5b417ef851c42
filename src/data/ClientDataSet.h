#pragma once

#include "engine/DSIntf.h"
#include "data/DatabaseError.h"
#include "data/DataEvent.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TDataLink;
class TDataSource;
class TField;
struct TFileIdentity;
namespace journal {
class TWriter;
}

// The close found the data file replaced or changed by someone else since it was read: the
// data went to a side file beside it instead (named by sidePath), and the other file stays.
class EDataFileReplaced : public EDatabaseError
{
public:
    explicit EDataFileReplaced(std::string sidePath);
    const std::string &SidePath() const { return m_sidePath; }

private:
    std::string m_sidePath;
};

// A copy of a record's identity; empty means no bookmark.
using TBookmark = std::optional<TDSBookmark>;

// The data set over the records of one data packet file: it loads the file through the
// engine, binds its declared fields, keeps a window of record buffers around the current
// record, runs the edit cycle and tells its data sources of every change.
class TClientDataSet
{
public:
    explicit TClientDataSet(std::string name);
    // Closes the data set, which writes the file back when its data changed.
    ~TClientDataSet();
    TClientDataSet(const TClientDataSet &) = delete;
    TClientDataSet &operator=(const TClientDataSet &) = delete;

    const std::string &Name() const { return m_name; }

    // The declared fields, in the order they were added. Fields are added while closed.
    TField *addField(std::unique_ptr<TField> field);
    int FieldCount() const { return static_cast<int>(m_fields.size()); }
    TField *field(int index) const;
    // Case-insensitive look-up of a field name; the first match wins.
    TField *FindField(std::string_view fieldName) const;
    TField &FieldByName(std::string_view fieldName) const;

    const std::string &FileName() const { return m_fileName; }
    void SetFileName(std::string fileName) { m_fileName = std::move(fileName); }
    // The journal that keeps every posted change on the disk until the write-back: set
    // before the data set opens, it is replayed by the open when it belongs to the file
    // (and set aside when not), extended by every post and removed once the file holds the
    // changes. Empty: no journal.
    const std::string &JournalFileName() const { return m_journalFileName; }
    void SetJournalFileName(std::string fileName) { m_journalFileName = std::move(fileName); }
    // How many changes the last open took from the journal.
    int ReplayedChanges() const { return m_replayedChanges; }
    // Opened read-only, the data set refuses every change.
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);

    bool Active() const { return isActiveState(m_state); }
    void SetActive(bool active);
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    TDataSetState State() const { return m_state; }
    // Neither opened read-only nor read-only by the engine's word.
    bool CanModify() const;
    // True when the packet's parameters permit the change that an edit would start now.
    bool packetAllowsChange() const;
    bool Modified() const { return m_modified; }
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }

    void First();
    void Last();
    // Moves the current record by `distance` records; returns how far it actually moved.
    int MoveBy(int distance);
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    int RecNo();
    void SetRecNo(int recordNumber);
    int RecordCount() const;
    bool IsEmpty() const { return m_activeRecord >= m_recordCount; }

    bool BookmarkAvailable() const;
    TBookmark GetBookmark() const;
    void GotoBookmark(const TBookmark &bookmark);
    // -1, 0 or 1; a missing bookmark sorts after every present one.
    int CompareBookmarks(const TBookmark &first, const TBookmark &second) const;
    bool BookmarkValid(const TBookmark &bookmark);

    void Edit();
    void Insert();
    void UpdateRecord();
    void Post();
    void Cancel();
    void CheckBrowseMode();

    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return m_disableCount > 0; }

    // The engine's store while the data set is open, for readers that keep views of its
    // values (IDSBase::recordCells): holding it keeps those bytes valid after a close.
    std::shared_ptr<const IDSBase> store() const { return m_store; }

    // The window of record buffers: its size, how many records it holds, and the index of
    // the current record in it.
    int bufferCount() const { return m_bufferCount; }
    int windowRecordCount() const { return m_recordCount; }
    int activeRecord() const { return m_activeRecord; }

private:
    friend class TField;
    friend class TDataSource;
    friend class TDataLink;

    // One buffer of the window and where its record came from.
    struct TSlot
    {
        TRecordBuffer buffer;
        bool inserted = false;  // a new record that is not in the store yet
        TBookmark insertBefore; // for an inserted buffer: the record it goes before
    };
    enum class TGetMode { Current, Next, Prior };
    enum class TResyncMode { Plain, ExactCentred, Centred };

    [[noreturn]] void raise(std::string_view message) const;
    // Runs one engine call; an engine failure is raised as this data set's error.
    template<class TCall>
    decltype(auto) engineCall(TCall &&call) const;
    void checkActive() const;
    void openCursor();
    void closeCursor();
    void bindFields();
    void replayJournal(const std::string &owner);
    void journalPost(bool inserted);
    void setState(TDataSetState state);
    void dataEvent(TDataEvent event, int distance = 0, TField *field = nullptr);

    std::optional<std::string_view> fieldData(const TField &field) const;
    void setFieldData(TField &field, std::optional<std::string_view> value);
    void focusControl(TField *field);

    void attachDataSource(TDataSource *source);
    void detachDataSource(TDataSource *source);
    void updateBufferCount();
    void setBufferCount(int count);

    TSlot &slot(int index) { return m_slots[static_cast<std::size_t>(index)]; }
    const TSlot &slot(int index) const { return m_slots[static_cast<std::size_t>(index)]; }
    void moveSlot(int from, int to);
    bool getRecord(int index, TGetMode mode);
    void setCurrentRecord(int index);
    void setToRecord(const TSlot &slot);
    void updateCursorPos();
    void cursorPosChanged() { m_currentRecord = -1; }
    void activateBuffers();
    void clearBuffers();
    bool getNextRecord();
    bool getPriorRecord();
    void getNextRecords();
    void getPriorRecords();
    void resync(TResyncMode mode);

    std::string m_name;
    std::string m_fileName;
    bool m_readOnly = false;
    std::vector<std::unique_ptr<TField>> m_fields;
    std::vector<TDataSource *> m_dataSources;

    std::shared_ptr<IDSBase> m_store;
    std::unique_ptr<IDSCursor> m_cursor;
    // The data file as it was read, and its journal.
    std::unique_ptr<TFileIdentity> m_fileIdentity;
    std::string m_journalFileName;
    std::string m_journalOwner;
    std::unique_ptr<journal::TWriter> m_journal;
    enum class TJournalState { None, Open, Off } m_journalState = TJournalState::None;
    bool m_journalOnDisk = false; // a journal of this open is on the disk
    int m_replayedChanges = 0;
    bool m_engineReadOnly = false;
    bool m_disableEdits = false;
    bool m_disableInserts = false;

    TDataSetState m_state = TDataSetState::Inactive;
    std::vector<TSlot> m_slots; // the window plus one spare buffer for fetching
    int m_bufferCount = 1;
    int m_recordCount = 0;
    int m_activeRecord = 0;
    int m_currentRecord = -1;
    bool m_bof = false;
    bool m_eof = false;
    bool m_modified = false;

    int m_disableCount = 0;
    TDataSetState m_disableState = TDataSetState::Inactive;
    TDataEvent m_enableEvent = TDataEvent::DataSetChange;
};

template<class TCall>
decltype(auto) TClientDataSet::engineCall(TCall &&call) const
{
    try {
        return call();
    } catch (const EDatabaseError &) {
        throw;
    } catch (const Exception &error) {
        raise(error.Message());
    }
}
