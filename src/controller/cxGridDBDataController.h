#pragma once

#include "platform/Notifier.h"
#include "platform/UpdateBracket.h"

#include "controller/cxDataStorage.h"
#include "platform/Exception.h"
#include "criteria/cxDataFilterCriteria.h"

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TClientDataSet;
class TDataSource;
class TField;

enum class TcxDataSortOrder { soNone, soAscending, soDescending };

// A request with a record, row or item index out of range: a programming error, which no user
// action reaches.
class EcxInvalidDataControllerOperation : public Exception
{
public:
    using Exception::Exception;
};

// The drug list's data controller: its store views the bound fields of every record of the
// data set (the engine's bytes, not copies of them), keeps the filtered and sorted row list and one focused row, and holds
// that row in step with the data set's current record in both directions.
//
// Items are the view's columns, in column order (item index = column index). Rows are the
// record indexes that pass the filter hook, in sort order; row -1 means none. Record indexes
// are positions in the data set's order at the last reload.
class TcxGridDBDataController
{
public:
    // One data field per view column, bound by these field names without regard to case.
    explicit TcxGridDBDataController(std::vector<std::string> fieldNames);
    ~TcxGridDBDataController();
    TcxGridDBDataController(const TcxGridDBDataController &) = delete;
    TcxGridDBDataController &operator=(const TcxGridDBDataController &) = delete;

    // Keeps one beginUpdate()/endUpdate() pair balanced on every way out of a scope:
    // TcxGridDBDataController::TUpdateLock lock(controller);
    using TUpdateLock = TUpdateBracket<TcxGridDBDataController>;

    TDataSource *DataSource() const;
    // Attaching to an open data set loads it at once.
    void SetDataSource(TDataSource *dataSource);
    TClientDataSet *DataSet() const;

    // Items: the data fields.
    int itemCount() const { return static_cast<int>(m_fields.size()); }
    const std::string &itemFieldName(int item) const;
    // The data set field the item is bound to, or null (closed, or no field of that name).
    TField *itemField(int item) const;

    // The record store.
    int RecordCount() const { return m_storage.RecordCount(); }
    // Null for a null value. The bytes stay valid until the store is reloaded or emptied.
    std::optional<std::string_view> value(int recordIndex, int item) const;
    // Per record, the first eight bytes of the item's value as a number that orders as the
    // bytes do where two differ (0 for null); kept until the store is reloaded or emptied.
    const std::vector<std::uint64_t> &sortPrefixes(int item) const
    {
        return m_storage.sortPrefixes(item);
    }

    // The row list.
    int RowCount() const { return static_cast<int>(m_rows.size()); }
    int recordIndexOfRow(int row) const;
    // The row that shows `recordIndex`, or -1 when the filter hides it (a linear search).
    int rowIndexOfRecord(int recordIndex) const;
    // GBK bytes; empty for a null value. Valid as long as `value`'s bytes.
    std::string_view displayText(int row, int item) const;

    // Focus. The focused record stays known while the filter hides it (no focused row then);
    // FocusedRecordIndex() is -1 only when there is no such record.
    int FocusedRowIndex() const { return m_focusedRow; }
    int FocusedRecordIndex() const;
    // Makes `row` (clamped to -1 .. RowCount() - 1) the focused row and moves the data set
    // cursor to its record. False when the move could not be made (row -1 on an open data set).
    // A failure of the data set (a post that fails on the way) is raised and changes nothing.
    bool focusRow(int row);

    // Sorting. An item's order none removes its pair from the sort list; a direction updates
    // its pair in place, or appends one. The focused record keeps its focus.
    TcxDataSortOrder sortOrder(int item) const;
    void SetSortOrder(int item, TcxDataSortOrder order);
    // Empties the sort list (no item is ever grouped): the rows stand in data set order.
    void clearSorting();
    struct TSortItem
    {
        int item;
        TcxDataSortOrder order;
    };
    const std::vector<TSortItem> &sortList() const { return m_sortList; }

    // Filtering. The list's one filter: its conditions name items, read the store's values,
    // and each of its changes runs FilterChanged(). The controller's filter hook is this
    // criteria's until SetFilterHook replaces it.
    TcxDataFilterCriteria &Filter() { return m_filter; }
    const TcxDataFilterCriteria &Filter() const { return m_filter; }
    // An item's caption in the filter's text (GBK); by default the bound field's display
    // name, else the field name.
    void setItemCaptions(std::function<std::string(int item)> caption);
    // The hook says whether a record passes; an empty hook lets every record pass.
    void SetFilterHook(std::function<bool(int recordIndex)> passes);
    // The filter changed: cancels a pending edit, filters and sorts the rows again from the
    // store (nothing is re-read), then calls OnFilterChanged. Ignored while the view is being
    // loaded or destroyed.
    void FilterChanged();
    void setViewLoading(bool loading) { m_activity.viewLoading = loading; }
    void setViewDestroying(bool destroying) { m_activity.viewDestroying = destroying; }

    // Discards a pending edit of the current record (the list's Esc).
    void cancelEdit();

    // Batching: changes between the outermost pair cause one rebuild when it closes.
    void beginUpdate() { ++m_lockCount; }
    void endUpdate();
    bool isUpdateLocked() const { return m_lockCount > 0; }
    // A reload of the store is running.
    bool isLoading() const { return m_activity.loading > 0; }

    // Notifications, to every subscriber (the view, the grid's filter UI, …).
    TNotifier<> OnFilterChanged;
    // The row list was rebuilt (filtered or sorted).
    TNotifier<> OnDataChanged;
    // Values changed, rows did not: repaint.
    TNotifier<> OnLayoutChanged;
    // previous record, new record, previous row, new row
    TNotifier<int, int, int, int> OnFocusedRecordChanged;
    TNotifier<> OnSelectionChanged;
    TNotifier<> OnSortingChanged;

private:
    class TcxGridDBDataLink;
    friend class TcxGridDBDataLink;

    struct TcxDBDataField
    {
        std::string fieldName;
        TField *field = nullptr;
    };

    // Changes collected for the next rebuild.
    enum TChange : std::uint8_t {
        ChangeLoad = 1,
        ChangeSorting = 2,
        ChangeResetFocus = 4,
        ChangeFocusedRecord = 8,
        ChangeSortList = 16,
        ChangeFocusFromCursor = 32, // no row shows the focused record: take the cursor's
    };

    // Notifications of the data link.
    void activeChanged();
    void layoutChanged();
    void dataSetChanged();
    void dataSetScrolled(int distance);
    void editingChanged();
    void recordChanged();

    void bindFields();
    void reload();
    void readCurrentRecord(int recordIndex);
    void rebuild(unsigned changes);
    void performRebuild();
    void filterRows();
    void sortRows();
    void findFocusedRow();
    void notifyFocusedRecordChanged();

    void checkItem(int item) const;
    void checkRecord(int recordIndex) const;
    void checkRow(int row) const;

    std::unique_ptr<TcxGridDBDataLink> m_link;
    std::vector<TcxDBDataField> m_fields;
    TcxDataStorage m_storage;
    std::vector<int> m_rows;
    std::vector<TSortItem> m_sortList;
    std::function<bool(int)> m_filterHook;

    int m_focusedRow = -1;
    int m_focusedRecord = -1;
    int m_previousFocusedRow = -1;
    int m_previousFocusedRecord = -1;
    int m_editingRecord = -1;

    int m_cursorRecord = 0;

    // What the controller is in the middle of; each decides what it ignores meanwhile.
    struct TActivity
    {
        int loading = 0;           // reloads of the store (the walk's own notifications nest)
        bool movingCursor = false; // its own move of the data set's cursor to a focused row
        bool refreshing = false;   // taking the data set's changes
        bool viewLoading = false;  // the view is being made
        bool viewDestroying = false;
        bool destroying = false;
        // While the view or the controller is made or taken down, filter changes wait.
        bool busy() const { return viewLoading || viewDestroying || destroying; }
    };
    TActivity m_activity;

    int m_lockCount = 0;
    unsigned m_pending = 0;

    std::function<std::string(int item)> m_itemCaption;
    // Last, so that it goes first: its hooks call back into the controller.
    TcxDataFilterCriteria m_filter;
};
