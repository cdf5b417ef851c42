#include "data/ClientDataSet.h"

#include "platform/AtomicFile.h"
#include "platform/Codec.h"
#include "data/DataLink.h"
#include "data/DataSetJournal.h"
#include "platform/FileIdentity.h"
#include "platform/Journal.h"
#include "data/DataSource.h"
#include "data/Field.h"
#include "platform/SharedReadFile.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cerrno>
#include <ctime>
#include <filesystem>
#include <sys/stat.h>
#include <utility>

namespace {

constexpr std::string_view MissingPacket = "Missing data provider or data packet";
constexpr std::string_view ClosedDataSet = "Cannot perform this operation on a closed dataset";
constexpr std::string_view ReadOnlyDataSet = "Cannot modify a read-only dataset";
constexpr std::string_view NotAllowed = "Modifications are not allowed";
constexpr std::string_view NotEditing = "Dataset not in edit or insert mode";

bool isStringClass(std::string_view typeName)
{
    static constexpr std::array<std::string_view, 3> Accepted = {"String", "FixedChar", "Guid"};
    return std::find(Accepted.begin(), Accepted.end(), typeName) != Accepted.end();
}

struct TWriteFailed
{};

// Writes the store's packet to `path` atomically; false when it could not be put in place.
template<class TEngineCall>
bool writePacket(const std::string &path, const IDSBase &store, TEngineCall &&engineCall)
{
    TAtomicFile file(path);
    if (!file.ok()) return false;
    try {
        engineCall([&] {
            store.StreamOut([&](std::string_view bytes) {
                if (!file.write(bytes)) throw TWriteFailed();
            });
        });
    } catch (const TWriteFailed &) {
        return false;
    }
    return file.commit();
}

} // namespace

EDataFileReplaced::EDataFileReplaced(std::string sidePath)
    : EDatabaseError("数据文件在本程序读入后已被其他程序更改，为了不覆盖它，您的修改已另存为 " +
                     sidePath),
      m_sidePath(std::move(sidePath))
{}

TClientDataSet::TClientDataSet(std::string name) : m_name(std::move(name))
{}

TClientDataSet::~TClientDataSet()
{
    // NOTE: a destructor must not throw, so a failed write-back here is swallowed. The main
    // window closes the data set itself before it is destroyed, so that such a failure
    // reaches the error box there.
    try {
        Close();
    } catch (...) {}
    m_state = TDataSetState::Inactive;
    for (TDataSource *source : std::vector<TDataSource *>(m_dataSources))
        source->SetDataSet(nullptr);
}

void TClientDataSet::raise(std::string_view message) const
{
    throw componentError(m_name, message);
}

void TClientDataSet::checkActive() const
{
    if (!Active()) raise(ClosedDataSet);
}

TField *TClientDataSet::addField(std::unique_ptr<TField> field)
{
    assert(field && !Active());
    if (!field) return nullptr;
    field->m_dataSet = this;
    field->m_fieldNo = 0;
    m_fields.push_back(std::move(field));
    return m_fields.back().get();
}

TField *TClientDataSet::field(int index) const
{
    if (index < 0 || index >= FieldCount()) return nullptr;
    return m_fields[static_cast<std::size_t>(index)].get();
}

TField *TClientDataSet::FindField(std::string_view fieldName) const
{
    for (const auto &field : m_fields)
        if (gbk::equalIgnoringAsciiCase(field->FieldName(), fieldName)) return field.get();
    return nullptr;
}

TField &TClientDataSet::FieldByName(std::string_view fieldName) const
{
    TField *field = FindField(fieldName);
    if (!field) raise("Field '" + std::string(fieldName) + "' not found");
    return *field;
}

void TClientDataSet::SetReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
}

bool TClientDataSet::CanModify() const
{
    return Active() && !m_readOnly && !m_engineReadOnly;
}

bool TClientDataSet::packetAllowsChange() const
{
    if (m_state == TDataSetState::Edit || m_state == TDataSetState::Insert) return true;
    return IsEmpty() ? !m_disableInserts : !m_disableEdits;
}

int TClientDataSet::RecordCount() const
{
    checkActive();
    return static_cast<int>(engineCall([&] { return m_cursor->recordCount(); }));
}

void TClientDataSet::SetActive(bool active)
{
    if (active == Active()) return;
    if (active) {
        openCursor();
        setState(TDataSetState::Browse);
    } else {
        // An edit in progress is dropped, not posted.
        setState(TDataSetState::Inactive);
        closeCursor();
    }
}

void TClientDataSet::openCursor()
{
    if (m_fileName.empty() || !fileExists(m_fileName)) raise(MissingPacket);
    std::optional<TByteBuffer> packet;
    {
        TSharedReadFile file;
        if (file.open(m_fileName)) packet = file.readAll();
        if (!packet) raise("Cannot open file " + m_fileName);
    }
    if (packet->empty()) raise(MissingPacket);

    // What the close compares the file with before it replaces it. A file that is already
    // another one than the bytes just read is never taken for them.
    m_fileIdentity.reset();
    if (std::optional<TFileIdentity> identity = identifyFile(m_fileName)) {
        const std::string_view bytes = packet->view();
        if (identity->size == bytes.size() &&
            bytes.substr(bytes.size() - identity->tail.size()) == identity->tail)
            m_fileIdentity = std::make_unique<TFileIdentity>(std::move(*identity));
    }
    const std::string owner = m_journalFileName.empty() ? std::string() : journalOwner(packet->view());

    try {
        m_store = createDSBase();
        engineCall([&] { m_store->AppendData(std::move(*packet), true); });
        m_cursor = engineCall([&] { return m_store->createCursor(); });
        m_engineReadOnly = m_store->readOnly();
        m_disableEdits = m_store->param("DISABLE_EDITS").value_or(false);
        m_disableInserts = m_store->param("DISABLE_INSERTS").value_or(false);
        bindFields();
        replayJournal(owner);
        engineCall([&] { m_cursor->moveToBOF(); });

        m_slots.clear();
        m_recordCount = 0;
        m_bufferCount = 0;
        updateBufferCount();
        clearBuffers();
        getNextRecords();
        m_bof = true;
    } catch (...) {
        // Nothing of a failed open stays behind, and nothing is written.
        m_journal.reset();
        m_journalState = TJournalState::None;
        m_journalOnDisk = false;
        m_slots.clear();
        m_cursor.reset();
        m_store.reset();
        for (auto &field : m_fields)
            field->m_fieldNo = 0;
        clearBuffers();
        throw;
    }
}

void TClientDataSet::bindFields()
{
    const std::vector<TFieldDescriptor> &descriptors = m_store->fieldDescriptors();
    for (auto &field : m_fields) {
        auto match = std::find_if(descriptors.begin(), descriptors.end(), [&](const auto &d) {
            return gbk::equalIgnoringAsciiCase(d.name, field->FieldName());
        });
        if (match == descriptors.end()) raise("Field '" + field->DisplayName() + "' not found");
        if (!isStringClass(match->typeName))
            raise("Type mismatch for field '" + field->DisplayName() +
                  "', expecting: String actual: " + gbk::toUtf8(match->typeName));
        field->m_fieldNo = match->position;
    }
}

void TClientDataSet::closeCursor()
{
    // The store goes whatever happens below: a second close must not write again.
    std::shared_ptr<IDSBase> store = std::move(m_store);
    std::unique_ptr<IDSCursor> cursor = std::move(m_cursor);
    m_slots.clear();
    clearBuffers();
    for (auto &field : m_fields)
        field->m_fieldNo = 0;
    m_engineReadOnly = m_disableEdits = m_disableInserts = false;

    const std::unique_ptr<TFileIdentity> readIdentity = std::move(m_fileIdentity);
    const bool journaled = std::exchange(m_journalOnDisk, false);
    m_journal.reset();
    m_journalState = TJournalState::None;
    if (!store || m_fileName.empty() || !store->dataChanged()) {
        // A journal that holds no change (a crash right after it was made) has done its work.
        if (journaled && store) journal::remove(m_journalFileName);
        return;
    }

    // A file that is no longer the one that was read (replaced by an update, a sync, another
    // copy of the program) is left as it is: the data goes beside it, and the user is told.
    // A file that is gone is simply made again.
    const std::optional<TFileIdentity> now = identifyFile(m_fileName);
    struct stat entry
    {};
    const bool gone = !now && ::lstat(m_fileName.c_str(), &entry) != 0 && errno == ENOENT;
    if (!gone && (!now || !readIdentity || *now != *readIdentity)) {
        const std::string side = sideFilePath(m_fileName, std::time(nullptr));
        if (!writePacket(side, *store, [&](auto &&call) { engineCall(call); }))
            raise("Cannot create file " + side);
        if (journaled) journal::remove(m_journalFileName);
        throw EDataFileReplaced(side);
    }

    // The new file replaces the old one only once it is whole on the disk, so a failure on
    // the way never costs the only copy of the data. The packet goes to the disk as it is
    // made, never held whole: a large file is written in little more than the disk's time.
    // A failure keeps the journal, so the changes come back at the next start.
    if (!writePacket(m_fileName, *store, [&](auto &&call) { engineCall(call); }))
        raise("Cannot create file " + m_fileName);
    if (journaled) journal::remove(m_journalFileName);
}

void TClientDataSet::replayJournal(const std::string &owner)
{
    m_replayedChanges = 0;
    m_journal.reset();
    m_journalState = TJournalState::None;
    m_journalOwner = owner;
    if (m_journalFileName.empty()) return;
    std::optional<journal::TContents> contents = journal::read(m_journalFileName);
    if (!contents) return;
    // Every entry must apply to the store as it is read and changed by those before it;
    // one that does not means the journal is not this file's after all.
    std::vector<TJournalEntry> entries;
    bool belongs = contents->owner == owner;
    std::uint32_t count = belongs ? m_cursor->recordCount() : 0;
    const std::size_t fieldCount = m_store->fieldDescriptors().size();
    for (const std::string &bytes : belongs ? contents->entries : std::vector<std::string>()) {
        std::optional<TJournalEntry> entry = decodeJournalEntry(bytes);
        if (!entry || entry->values.size() != fieldCount ||
            entry->position >= count + (entry->kind == TJournalEntry::TKind::Insert ? 1 : 0)) {
            belongs = false;
            break;
        }
        if (entry->kind == TJournalEntry::TKind::Insert) ++count;
        entries.push_back(std::move(*entry));
    }
    if (!belongs) {
        journal::setAside(m_journalFileName);
        return;
    }
    m_journalOnDisk = true;
    for (const TJournalEntry &entry : entries) {
        engineCall([&] {
            TRecordBuffer buffer;
            if (entry.kind == TJournalEntry::TKind::Insert) {
                if (entry.position < m_cursor->recordCount())
                    m_cursor->moveToSeqNo(entry.position + 1);
                else
                    m_cursor->moveToEOF();
                buffer = m_cursor->newRecordBuffer();
            } else {
                m_cursor->moveToSeqNo(entry.position + 1);
                m_cursor->getCurrentRecord(buffer);
            }
            for (std::size_t i = 0; i < entry.values.size(); ++i)
                buffer.setValue(static_cast<std::uint32_t>(i + 1),
                                entry.values[i] ? std::optional<std::string_view>(*entry.values[i])
                                                : std::nullopt);
            if (entry.kind == TJournalEntry::TKind::Insert)
                m_cursor->insertRecord(buffer);
            else
                m_cursor->modifyRecord(buffer);
        });
    }
    m_replayedChanges = static_cast<int>(entries.size());
    // More entries follow the complete ones; a torn tail goes. A journal that cannot be
    // written any more stays as it is, and the changes after it live in memory only.
    m_journal = std::make_unique<journal::TWriter>();
    m_journalState = m_journal->reopen(m_journalFileName, contents->validLength)
                         ? TJournalState::Open
                         : TJournalState::Off;
}

void TClientDataSet::journalPost(bool inserted)
{
    if (m_journalFileName.empty() || m_journalState == TJournalState::Off) return;
    if (m_journalState == TJournalState::None) {
        m_journal = std::make_unique<journal::TWriter>();
        if (!m_journal->create(m_journalFileName, m_journalOwner)) {
            m_journalState = TJournalState::Off;
            return;
        }
        m_journalState = TJournalState::Open;
        m_journalOnDisk = true;
    }
    TJournalEntry entry;
    entry.kind = inserted ? TJournalEntry::TKind::Insert : TJournalEntry::TKind::Modify;
    TRecordBuffer stored;
    if (m_cursor->getCurrentRecord(stored) != TFetchResult::Ok || m_cursor->sequenceNumber() == 0) {
        m_journalState = TJournalState::Off;
        return;
    }
    entry.position = m_cursor->sequenceNumber() - 1;
    for (std::uint32_t fieldNo = 1; fieldNo <= stored.fieldCount(); ++fieldNo)
        entry.values.push_back(stored.isBlank(fieldNo)
                                   ? std::nullopt
                                   : std::optional<std::string>(stored.value(fieldNo)));
    if (!m_journal->append(encodeJournalEntry(entry))) m_journalState = TJournalState::Off;
}

void TClientDataSet::setState(TDataSetState state)
{
    if (m_state == state) return;
    m_state = state;
    m_modified = false;
    dataEvent(TDataEvent::UpdateState);
}

void TClientDataSet::dataEvent(TDataEvent event, int distance, TField *field)
{
    if (event == TDataEvent::FieldChange) m_modified = true;
    if (m_disableCount == 0) {
        // A handler may detach a data source; one that is gone hears nothing more.
        const std::vector<TDataSource *> sources = m_dataSources;
        for (TDataSource *source : sources) {
            if (std::find(m_dataSources.begin(), m_dataSources.end(), source) ==
                m_dataSources.end())
                continue;
            source->dataEvent(event, distance, field);
        }
    } else if ((event == TDataEvent::UpdateState && m_state == TDataSetState::Inactive) ||
               event == TDataEvent::LayoutChange) {
        m_enableEvent = TDataEvent::LayoutChange;
    }
}

void TClientDataSet::DisableControls()
{
    if (m_disableCount == 0) {
        m_disableState = m_state;
        m_enableEvent = TDataEvent::DataSetChange;
    }
    ++m_disableCount;
}

void TClientDataSet::EnableControls()
{
    if (m_disableCount == 0) return;
    if (--m_disableCount > 0) return;
    if (m_disableState != m_state) dataEvent(TDataEvent::UpdateState);
    if (isActiveState(m_disableState) && isActiveState(m_state)) dataEvent(m_enableEvent);
}

std::optional<std::string_view> TClientDataSet::fieldData(const TField &field) const
{
    if (!Active() || field.FieldNo() == 0 || IsEmpty()) return std::nullopt;
    const TRecordBuffer &buffer = slot(m_activeRecord).buffer;
    if (buffer.isBlank(field.FieldNo())) return std::nullopt;
    std::string_view value = buffer.value(field.FieldNo());
    return value.substr(0, value.find('\0'));
}

void TClientDataSet::setFieldData(TField &field, std::optional<std::string_view> value)
{
    if (m_state != TDataSetState::Edit && m_state != TDataSetState::Insert) raise(NotEditing);
    assert(field.FieldNo() != 0 && !IsEmpty());
    if (field.FieldNo() == 0 || IsEmpty()) return;
    slot(m_activeRecord).buffer.setValue(field.FieldNo(), value);
    dataEvent(TDataEvent::FieldChange, 0, &field);
}

void TClientDataSet::focusControl(TField *field)
{
    dataEvent(TDataEvent::FocusControl, 0, field);
}

void TClientDataSet::Edit()
{
    if (m_state == TDataSetState::Edit || m_state == TDataSetState::Insert) return;
    if (m_recordCount == 0) {
        Insert();
        return;
    }
    CheckBrowseMode();
    if (!CanModify()) raise(ReadOnlyDataSet);
    if (m_disableEdits) raise(NotAllowed);
    setState(TDataSetState::Edit);
    dataEvent(TDataEvent::RecordChange);
}

void TClientDataSet::Insert()
{
    CheckBrowseMode();
    if (!CanModify()) raise(ReadOnlyDataSet);
    if (m_disableInserts) raise(NotAllowed);
    const TBookmark before = GetBookmark();
    const bool wasEmpty = m_recordCount == 0;
    moveSlot(m_recordCount, m_activeRecord);
    TSlot &inserted = slot(m_activeRecord);
    inserted.buffer = m_cursor->newRecordBuffer();
    inserted.inserted = true;
    inserted.insertBefore = wasEmpty ? TBookmark() : before;
    if (m_recordCount < m_bufferCount) ++m_recordCount;
    setState(TDataSetState::Insert);
    m_modified = false;
    dataEvent(TDataEvent::DataSetChange);
}

void TClientDataSet::UpdateRecord()
{
    if (m_state != TDataSetState::Edit && m_state != TDataSetState::Insert) raise(NotEditing);
    dataEvent(TDataEvent::UpdateRecord);
}

void TClientDataSet::Post()
{
    UpdateRecord();
    if (m_state != TDataSetState::Edit && m_state != TDataSetState::Insert) return;
    dataEvent(TDataEvent::CheckBrowseMode);
    updateCursorPos();
    const TRecordBuffer &buffer = slot(m_activeRecord).buffer;
    const bool inserted = m_state == TDataSetState::Insert;
    if (inserted)
        engineCall([&] { m_cursor->insertRecord(buffer); });
    else
        engineCall([&] { m_cursor->modifyRecord(buffer); });
    journalPost(inserted);
    cursorPosChanged();
    setState(TDataSetState::Browse);
    resync(TResyncMode::Plain);
}

void TClientDataSet::Cancel()
{
    if (m_state != TDataSetState::Edit && m_state != TDataSetState::Insert) return;
    dataEvent(TDataEvent::CheckBrowseMode);
    updateCursorPos();
    setState(TDataSetState::Browse);
    resync(TResyncMode::Plain);
}

void TClientDataSet::CheckBrowseMode()
{
    checkActive();
    dataEvent(TDataEvent::CheckBrowseMode);
    if (m_state == TDataSetState::Edit || m_state == TDataSetState::Insert) {
        UpdateRecord();
        if (m_modified)
            Post();
        else
            Cancel();
    }
}

void TClientDataSet::attachDataSource(TDataSource *source)
{
    if (std::find(m_dataSources.begin(), m_dataSources.end(), source) != m_dataSources.end())
        return;
    m_dataSources.push_back(source);
    updateBufferCount();
}

void TClientDataSet::detachDataSource(TDataSource *source)
{
    std::erase(m_dataSources, source);
    updateBufferCount();
}
