#include "data/ClientDataSet.h"

#include "platform/AtomicFile.h"
#include "platform/Codec.h"
#include "data/DataLink.h"
#include "data/DataSource.h"
#include "data/Field.h"
#include "platform/SharedReadFile.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <filesystem>

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

} // namespace

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

    try {
        m_store = createDSBase();
        engineCall([&] { m_store->AppendData(std::move(*packet), true); });
        m_cursor = engineCall([&] { return m_store->createCursor(); });
        m_engineReadOnly = m_store->readOnly();
        m_disableEdits = m_store->param("DISABLE_EDITS").value_or(false);
        m_disableInserts = m_store->param("DISABLE_INSERTS").value_or(false);
        bindFields();
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

    if (!store || m_fileName.empty() || !store->dataChanged()) return;
    // The new file replaces the old one only once it is whole on the disk, so a failure on
    // the way never costs the only copy of the data. The packet goes to the disk as it is
    // made, never held whole: a large file is written in little more than the disk's time.
    TAtomicFile file(m_fileName);
    const std::string cannotCreate = "Cannot create file " + m_fileName;
    if (!file.ok()) raise(cannotCreate);
    engineCall([&] {
        store->StreamOut([&](std::string_view bytes) {
            if (!file.write(bytes)) raise(cannotCreate);
        });
    });
    if (!file.commit()) raise(cannotCreate);
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
    if (m_state == TDataSetState::Insert)
        engineCall([&] { m_cursor->insertRecord(buffer); });
    else
        engineCall([&] { m_cursor->modifyRecord(buffer); });
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
