#include "data/DataSource.h"

#include "data/ClientDataSet.h"
#include "data/DataLink.h"

#include <algorithm>

TDataSource::TDataSource(std::string name) : m_name(std::move(name))
{}

TDataSource::~TDataSource()
{
    // Links outlive their data source here and there; they must not point at it any more.
    for (TDataLink *link : std::vector<TDataLink *>(m_dataLinks))
        link->SetDataSource(nullptr);
    SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TClientDataSet *dataSet)
{
    if (m_dataSet == dataSet) return;
    if (m_dataSet) m_dataSet->detachDataSource(this);
    m_dataSet = dataSet;
    if (m_dataSet) m_dataSet->attachDataSource(this);
    updateState();
}

void TDataSource::SetEnabled(bool enabled)
{
    if (m_enabled == enabled) return;
    m_enabled = enabled;
    updateState();
}

void TDataSource::Edit()
{
    if (m_autoEdit && m_state == TDataSetState::Browse && m_dataSet) m_dataSet->Edit();
}

void TDataSource::addDataLink(TDataLink *link)
{
    m_dataLinks.push_back(link);
    link->m_dataSource = this;
    if (m_dataSet) m_dataSet->updateBufferCount();
    link->updateState();
}

void TDataSource::removeDataLink(TDataLink *link)
{
    link->m_dataSource = nullptr;
    std::erase(m_dataLinks, link);
    link->updateState();
    if (m_dataSet) m_dataSet->updateBufferCount();
}

void TDataSource::updateState()
{
    const TDataSetState state =
        (m_enabled && m_dataSet) ? m_dataSet->State() : TDataSetState::Inactive;
    if (state == m_state) return;
    m_state = state;
    notifyDataLinks(TDataEvent::UpdateState, 0, nullptr);
}

void TDataSource::dataEvent(TDataEvent event, int distance, TField *field)
{
    if (event == TDataEvent::UpdateState) {
        updateState();
        return;
    }
    if (m_state != TDataSetState::Inactive) notifyDataLinks(event, distance, field);
}

void TDataSource::notifyDataLinks(TDataEvent event, int distance, TField *field)
{
    // Links that drive no visual control (such as a detail data set's) hear first, then the
    // views; within each group the link attached last hears first.
    const std::vector<TDataLink *> links = m_dataLinks;
    for (bool visual : {false, true}) {
        for (auto it = links.rbegin(); it != links.rend(); ++it) {
            TDataLink *link = *it;
            // A handler may have detached (and destroyed) a link we have not reached yet.
            if (std::find(m_dataLinks.begin(), m_dataLinks.end(), link) == m_dataLinks.end())
                continue;
            if (link->VisualControl() != visual) continue;
            link->dataEvent(event, distance, field); // a focused control clears `field`
            if (event == TDataEvent::FocusControl && !field) return;
        }
    }
}
