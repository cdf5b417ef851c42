#include "data/DataLink.h"

#include "data/ClientDataSet.h"
#include "data/DataSource.h"

#include <algorithm>

TDataLink::TDataLink() = default;

TDataLink::~TDataLink()
{
    // Cleared first so that detaching calls no handler of a subclass already destroyed.
    m_active = false;
    m_editing = false;
    SetDataSource(nullptr);
}

void TDataLink::SetDataSource(TDataSource *dataSource)
{
    if (m_dataSource == dataSource) return;
    if (m_dataSource) m_dataSource->removeDataLink(this);
    if (dataSource) dataSource->addDataLink(this);
}

TClientDataSet *TDataLink::DataSet() const
{
    return m_dataSource ? m_dataSource->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool readOnly)
{
    if (m_readOnly == readOnly) return;
    m_readOnly = readOnly;
    updateState();
}

void TDataLink::SetBufferCount(int bufferCount)
{
    bufferCount = std::max(1, bufferCount);
    if (m_bufferCount == bufferCount) return;
    m_bufferCount = bufferCount;
    if (TClientDataSet *dataSet = DataSet()) dataSet->updateBufferCount();
    if (m_active) updateRange();
}

int TDataLink::ActiveRecord() const
{
    const TClientDataSet *dataSet = DataSet();
    if (!dataSet || (m_dataSource && m_dataSource->State() == TDataSetState::SetKey)) return 0;
    return dataSet->activeRecord() - m_firstRecord;
}

bool TDataLink::Edit()
{
    if (!m_readOnly && m_dataSource) m_dataSource->Edit();
    return m_editing;
}

void TDataLink::UpdateRecord()
{
    m_updating = true;
    try {
        UpdateData();
    } catch (...) {
        m_updating = false;
        throw;
    }
    m_updating = false;
}

void TDataLink::updateState()
{
    const TDataSetState state = m_dataSource ? m_dataSource->State() : TDataSetState::Inactive;
    setActive(state != TDataSetState::Inactive);
    setEditing(isEditingState(state) && !m_readOnly);
}

void TDataLink::setActive(bool active)
{
    if (m_active == active) return;
    m_active = active;
    if (active)
        updateRange();
    else
        m_firstRecord = 0;
    ActiveChanged();
}

void TDataLink::setEditing(bool editing)
{
    if (m_editing == editing) return;
    m_editing = editing;
    EditingChanged();
}

void TDataLink::updateRange()
{
    // Keep the current record among this link's buffers, and the buffers inside the window.
    const TClientDataSet *dataSet = DataSet();
    if (!dataSet) return;
    const int active = dataSet->activeRecord();
    const int lowest = std::max(0, active - m_bufferCount + 1);
    const int highest = std::max(0, std::min(active, dataSet->bufferCount() - m_bufferCount));
    m_firstRecord = std::clamp(m_firstRecord, lowest, std::max(lowest, highest));
}

int TDataLink::adjustFirstRecord(int distance)
{
    if (!m_dataSource || m_dataSource->State() == TDataSetState::SetKey) return 0;
    const TClientDataSet *dataSet = DataSet();
    if (!dataSet) return 0;
    const int active = dataSet->activeRecord();
    const int first = m_firstRecord + distance;
    const int last = first + m_bufferCount - 1;
    int shift = 0;
    if (active > last)
        shift = active - last;
    else if (active < first)
        shift = active - first;
    m_firstRecord = first + shift;
    return shift;
}

void TDataLink::dataEvent(TDataEvent event, int distance, TField *&field)
{
    if (event == TDataEvent::UpdateState) {
        updateState();
        return;
    }
    if (!m_active) return;
    switch (event) {
    case TDataEvent::RecordChange:
    case TDataEvent::FieldChange:
        if (!m_updating) RecordChanged(field);
        break;
    case TDataEvent::DataSetChange:
        adjustFirstRecord(0);
        DataSetChanged();
        break;
    case TDataEvent::DataSetScroll: DataSetScrolled(adjustFirstRecord(distance)); break;
    case TDataEvent::LayoutChange:
        adjustFirstRecord(0);
        LayoutChanged();
        break;
    case TDataEvent::UpdateRecord: UpdateRecord(); break;
    case TDataEvent::CheckBrowseMode: CheckBrowseMode(); break;
    case TDataEvent::FocusControl: FocusControl(field); break;
    case TDataEvent::UpdateState: break;
    }
}
