#pragma once

#include "data/DataEvent.h"

#include <string>
#include <vector>

class TClientDataSet;
class TDataLink;
class TField;

// The one path from a data set to the views: it follows the data set's state and passes the
// data set's events on to its data links.
class TDataSource
{
public:
    explicit TDataSource(std::string name = {});
    ~TDataSource();
    TDataSource(const TDataSource &) = delete;
    TDataSource &operator=(const TDataSource &) = delete;

    const std::string &Name() const { return m_name; }

    TClientDataSet *DataSet() const { return m_dataSet; }
    void SetDataSet(TClientDataSet *dataSet);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    bool AutoEdit() const { return m_autoEdit; }
    void SetAutoEdit(bool autoEdit) { m_autoEdit = autoEdit; }
    // The data set's state while enabled and connected, else inactive.
    TDataSetState State() const { return m_state; }

    // Puts a browsing data set into edit state when auto edit is on; links call this.
    void Edit();

    const std::vector<TDataLink *> &dataLinks() const { return m_dataLinks; }

private:
    friend class TClientDataSet;
    friend class TDataLink;

    void addDataLink(TDataLink *link);
    void removeDataLink(TDataLink *link);
    void updateState();
    void dataEvent(TDataEvent event, int distance, TField *field);
    void notifyDataLinks(TDataEvent event, int distance, TField *field);

    std::string m_name;
    TClientDataSet *m_dataSet = nullptr;
    bool m_enabled = true;
    bool m_autoEdit = true;
    TDataSetState m_state = TDataSetState::Inactive;
    std::vector<TDataLink *> m_dataLinks; // in the order they were attached
};
