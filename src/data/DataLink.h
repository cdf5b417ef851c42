#pragma once

#include "data/DataEvent.h"

class TClientDataSet;
class TDataSource;
class TField;

// A view's connection to a data source. Subclasses override the notifications they need;
// the defaults turn a scroll into a general change and a general change into a record change.
class TDataLink
{
public:
    TDataLink();
    virtual ~TDataLink();
    TDataLink(const TDataLink &) = delete;
    TDataLink &operator=(const TDataLink &) = delete;

    TDataSource *DataSource() const { return m_dataSource; }
    void SetDataSource(TDataSource *dataSource);
    TClientDataSet *DataSet() const;

    // The data source's state is not inactive.
    bool Active() const { return m_active; }
    // The data source is in edit, insert or set-key state and the link is not read-only.
    bool Editing() const { return m_editing; }
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);
    // Links of visual controls hear of every event after the others.
    bool VisualControl() const { return m_visualControl; }
    void SetVisualControl(bool visualControl) { m_visualControl = visualControl; }

    // How many records of the data set's window this link shows.
    int BufferCount() const { return m_bufferCount; }
    void SetBufferCount(int bufferCount);
    // The current record's index among this link's buffers.
    int ActiveRecord() const;
    // The window index of this link's first buffer.
    int firstRecord() const { return m_firstRecord; }

    // Asks the data source to start editing; returns whether the link is editing now.
    bool Edit();
    // Has the link write its pending value without hearing its own field change back.
    void UpdateRecord();

protected:
    virtual void ActiveChanged() {}
    virtual void EditingChanged() {}
    // `field` is the field whose value changed, or null for the whole record.
    virtual void RecordChanged(TField *field) { (void)field; }
    virtual void DataSetChanged() { RecordChanged(nullptr); }
    virtual void DataSetScrolled(int distance)
    {
        (void)distance;
        DataSetChanged();
    }
    virtual void LayoutChanged() { DataSetChanged(); }
    virtual void UpdateData() {}
    virtual void CheckBrowseMode() {}
    // A link whose control took the focus clears `field`, so that no other control takes it.
    virtual void FocusControl(TField *&field) { (void)field; }

private:
    friend class TDataSource;
    friend class TClientDataSet;

    void updateState();
    void setActive(bool active);
    void setEditing(bool editing);
    void updateRange();
    int adjustFirstRecord(int distance);
    void dataEvent(TDataEvent event, int distance, TField *&field);

    TDataSource *m_dataSource = nullptr;
    bool m_active = false;
    bool m_editing = false;
    bool m_readOnly = false;
    bool m_visualControl = false;
    bool m_updating = false;
    int m_bufferCount = 1;
    int m_firstRecord = 0;
};
