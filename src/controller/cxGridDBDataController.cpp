#include "controller/cxGridDBDataController.h"

#include "data/ClientDataSet.h"
#include "data/DataLink.h"
#include "data/DataSource.h"
#include "data/Field.h"
#include "platform/Codec.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

namespace {

constexpr const char *RecordIndexOutOfRange = "RecordIndex out of range";
constexpr const char *RowIndexOutOfRange = "RowIndex out of range";
constexpr const char *ItemIndexOutOfRange = "ItemIndex out of range";

bool isEditOrInsert(TDataSetState state)
{
    return state == TDataSetState::Edit || state == TDataSetState::Insert;
}

// Byte-wise order of two values as unsigned bytes: null first, a prefix before its extensions.
int compareValues(std::optional<std::string_view> first, std::optional<std::string_view> second)
{
    if (!first || !second) return first ? 1 : (second ? -1 : 0);
    const std::size_t common = std::min(first->size(), second->size());
    if (common > 0) {
        // memcmp compares as unsigned char, which is the order wanted here.
        if (int result = std::memcmp(first->data(), second->data(), common); result != 0)
            return result < 0 ? -1 : 1;
    }
    if (first->size() == second->size()) return 0;
    return first->size() < second->size() ? -1 : 1;
}

// Raises a flag for a scope and restores it on every way out.
class TFlagGuard
{
public:
    explicit TFlagGuard(bool &flag) : m_flag(flag), m_saved(flag) { m_flag = true; }
    ~TFlagGuard() { m_flag = m_saved; }
    TFlagGuard(const TFlagGuard &) = delete;
    TFlagGuard &operator=(const TFlagGuard &) = delete;

private:
    bool &m_flag;
    bool m_saved;
};

} // namespace

// The controller's link to the data source: a view's link, so it hears after non-visual ones.
class TcxGridDBDataController::TcxGridDBDataLink : public TDataLink
{
public:
    explicit TcxGridDBDataLink(TcxGridDBDataController &controller) : m_controller(controller)
    {
        SetVisualControl(true);
    }

protected:
    void ActiveChanged() override { m_controller.activeChanged(); }
    void LayoutChanged() override { m_controller.layoutChanged(); }
    void DataSetChanged() override { m_controller.dataSetChanged(); }
    void DataSetScrolled(int distance) override { m_controller.dataSetScrolled(distance); }
    void EditingChanged() override { m_controller.editingChanged(); }
    void RecordChanged(TField *) override { m_controller.recordChanged(); }

private:
    TcxGridDBDataController &m_controller;
};

TcxGridDBDataController::TcxGridDBDataController(std::vector<std::string> fieldNames)
    : m_link(std::make_unique<TcxGridDBDataLink>(*this))
{
    m_fields.reserve(fieldNames.size());
    for (std::string &name : fieldNames)
        m_fields.push_back({std::move(name), nullptr});
    m_storage.setFieldCount(itemCount());
    m_filter.setItems(TcxDataFilterItems{
        [this] { return itemCount(); },
        [this](int recordIndex, int item) { return value(recordIndex, item); },
        [this](int item) {
            if (m_itemCaption) return m_itemCaption(item);
            if (const TField *field = itemField(item))
                return gbk::fromUtf8(field->DisplayName()).value_or(itemFieldName(item));
            return itemFieldName(item);
        },
        {}});
    m_filter.setFilterChangedHandler([this] { FilterChanged(); });
    m_filter.setOwnerBusyTest([this] { return m_activity.busy(); });
    m_filterHook = makeFilterHook(m_filter);
}

TcxGridDBDataController::~TcxGridDBDataController()
{
    m_activity.destroying = true;
    // The link goes first: the data source must not call into a half-destroyed controller.
    m_link.reset();
}

TDataSource *TcxGridDBDataController::DataSource() const
{
    return m_link->DataSource();
}

void TcxGridDBDataController::SetDataSource(TDataSource *dataSource)
{
    m_link->SetDataSource(dataSource);
}

TClientDataSet *TcxGridDBDataController::DataSet() const
{
    return m_link->DataSet();
}

const std::string &TcxGridDBDataController::itemFieldName(int item) const
{
    checkItem(item);
    return m_fields[static_cast<std::size_t>(item)].fieldName;
}

TField *TcxGridDBDataController::itemField(int item) const
{
    checkItem(item);
    return m_fields[static_cast<std::size_t>(item)].field;
}

std::optional<std::string_view> TcxGridDBDataController::value(int recordIndex, int item) const
{
    checkRecord(recordIndex);
    checkItem(item);
    return m_storage.value(recordIndex, item);
}

int TcxGridDBDataController::recordIndexOfRow(int row) const
{
    checkRow(row);
    return m_rows[static_cast<std::size_t>(row)];
}

int TcxGridDBDataController::rowIndexOfRecord(int recordIndex) const
{
    auto found = std::find(m_rows.begin(), m_rows.end(), recordIndex);
    return found == m_rows.end() ? -1 : static_cast<int>(found - m_rows.begin());
}

std::string_view TcxGridDBDataController::displayText(int row, int item) const
{
    checkRow(row);
    checkItem(item);
    return m_storage.value(m_rows[static_cast<std::size_t>(row)], item)
        .value_or(std::string_view());
}

int TcxGridDBDataController::FocusedRecordIndex() const
{
    return m_focusedRecord >= 0 && m_focusedRecord < RecordCount() ? m_focusedRecord : -1;
}

bool TcxGridDBDataController::focusRow(int row)
{
    row = std::clamp(row, -1, RowCount() - 1);
    if (row == m_focusedRow) return true;

    const int recordIndex = row >= 0 ? m_rows[static_cast<std::size_t>(row)] : -1;
    TClientDataSet *dataSet = DataSet();
    const bool active = dataSet && dataSet->Active();
    if (active) {
        if (row < 0) return false;
        TFlagGuard moving(m_activity.movingCursor);
        // The distance counts records in data set order, not rows. The data set posts a
        // pending edit before it moves, which reloads the store while the lock is up.
        dataSet->MoveBy(recordIndex - m_cursorRecord);
    }

    m_focusedRow = row;
    if (row >= 0) {
        m_focusedRecord = active ? m_cursorRecord : recordIndex;
        // A reload on the way (the post) may have moved the record to another row.
        if (m_focusedRow >= RowCount() ||
            m_rows[static_cast<std::size_t>(m_focusedRow)] != m_focusedRecord)
            m_focusedRow = rowIndexOfRecord(m_focusedRecord);
    } else {
        m_focusedRecord = -1;
    }
    notifyFocusedRecordChanged();
    return true;
}

TcxDataSortOrder TcxGridDBDataController::sortOrder(int item) const
{
    checkItem(item);
    for (const TSortItem &sortItem : m_sortList)
        if (sortItem.item == item) return sortItem.order;
    return TcxDataSortOrder::soNone;
}

void TcxGridDBDataController::SetSortOrder(int item, TcxDataSortOrder order)
{
    checkItem(item);
    auto found = std::find_if(m_sortList.begin(), m_sortList.end(),
                              [&](const TSortItem &sortItem) { return sortItem.item == item; });
    if (order == TcxDataSortOrder::soNone) {
        if (found == m_sortList.end()) return;
        m_sortList.erase(found);
    } else if (found != m_sortList.end()) {
        if (found->order == order) return;
        found->order = order;
    } else {
        m_sortList.push_back({item, order});
    }
    rebuild(ChangeSorting | ChangeSortList);
}

void TcxGridDBDataController::clearSorting()
{
    if (m_sortList.empty()) return;
    m_sortList.clear();
    rebuild(ChangeSorting | ChangeSortList);
}

void TcxGridDBDataController::setItemCaptions(std::function<std::string(int item)> caption)
{
    m_itemCaption = std::move(caption);
}

void TcxGridDBDataController::SetFilterHook(std::function<bool(int recordIndex)> passes)
{
    m_filterHook = std::move(passes);
}

void TcxGridDBDataController::FilterChanged()
{
    if (m_activity.busy()) return;
    cancelEdit();
    rebuild(ChangeLoad | ChangeSorting);
    OnFilterChanged();
    // The current record may be hidden now: the focus then follows the cursor's record, so
    // that showing it again refocuses it, while no row is focused meanwhile.
    TClientDataSet *dataSet = DataSet();
    if (dataSet && dataSet->Active() && m_focusedRow < 0) rebuild(ChangeFocusFromCursor);
}

void TcxGridDBDataController::cancelEdit()
{
    TClientDataSet *dataSet = DataSet();
    if (dataSet && dataSet->Active() && isEditOrInsert(dataSet->State())) dataSet->Cancel();
}

void TcxGridDBDataController::endUpdate()
{
    if (m_lockCount == 0) return;
    if (--m_lockCount == 0 && m_pending != 0) performRebuild();
}

// Notifications of the data link.

void TcxGridDBDataController::activeChanged()
{
    if (m_activity.refreshing || m_activity.destroying) return;
    TFlagGuard refreshing(m_activity.refreshing);
    if (m_link->Active()) {
        bindFields();
        reload();
        return;
    }
    for (TcxDBDataField &field : m_fields)
        field.field = nullptr;
    m_editingRecord = -1;
    m_cursorRecord = 0;
    TUpdateLock lock(*this);
    m_storage.release();
    m_focusedRecord = -1;
    m_pending |= ChangeLoad | ChangeFocusedRecord;
}

void TcxGridDBDataController::layoutChanged()
{
    if (m_activity.refreshing || m_activity.destroying) return;
    TFlagGuard refreshing(m_activity.refreshing);
    bindFields();
    reload();
}

void TcxGridDBDataController::dataSetChanged()
{
    if (m_activity.destroying) return;
    // The general change that enabling controls sends at the end of our own walk.
    if (m_activity.loading > 0) {
        dataSetScrolled(0);
        return;
    }
    TClientDataSet *dataSet = DataSet();
    if (dataSet && dataSet->State() == TDataSetState::Browse) reload();
}

void TcxGridDBDataController::dataSetScrolled(int distance)
{
    if (m_activity.destroying) return;
    m_cursorRecord += distance;
    // Our own move: focusRow sets the focus itself once the move is done.
    if (m_activity.movingCursor) return;
    m_focusedRecord = m_cursorRecord;
    rebuild(ChangeResetFocus);
}

void TcxGridDBDataController::editingChanged()
{
    TClientDataSet *dataSet = DataSet();
    if (dataSet && dataSet->State() == TDataSetState::Edit)
        m_editingRecord = m_focusedRow >= 0 ? m_focusedRecord : -1;
    else
        m_editingRecord = -1;
}

void TcxGridDBDataController::recordChanged()
{
    // Only an edit of a record that the store holds is mirrored; the rows are filtered and
    // sorted again at the reload that follows the post.
    TClientDataSet *dataSet = DataSet();
    if (!dataSet || dataSet->State() != TDataSetState::Edit || m_activity.loading > 0) return;
    if (m_editingRecord < 0 || m_editingRecord >= RecordCount()) return;
    readCurrentRecord(m_editingRecord);
    OnLayoutChanged();
}

// Loading.

void TcxGridDBDataController::bindFields()
{
    TClientDataSet *dataSet = DataSet();
    for (TcxDBDataField &field : m_fields)
        field.field = dataSet ? dataSet->FindField(field.fieldName) : nullptr;
}

void TcxGridDBDataController::readCurrentRecord(int recordIndex)
{
    for (int item = 0; item < itemCount(); ++item) {
        const TField *field = m_fields[static_cast<std::size_t>(item)].field;
        // The edit's values are copied: the data set's edit buffer holds them only until it
        // posts or moves.
        m_storage.setValue(recordIndex, item, field ? field->valueView() : std::nullopt);
    }
}

void TcxGridDBDataController::reload()
{
    TUpdateLock lock(*this);
    m_storage.clear();
    // The rows refer to the old store: whatever happens below, they are built again.
    m_pending |= ChangeLoad;
    TClientDataSet *dataSet = DataSet();
    if (!dataSet || !dataSet->Active() || dataSet->ControlsDisabled()) return;

    {
        ++m_activity.loading;
        // Controls stay disabled for the walk, so the other views do not follow each record.
        // The deferred general change arrives while the counter is still up, and so counts
        // as a scroll by 0: the counter goes down after the controls are enabled again.
        struct TDecrement
        {
            int &count;
            ~TDecrement() { --count; }
        } decrement{m_activity.loading};
        struct TControls
        {
            TClientDataSet &dataSet;
            void beginUpdate() { dataSet.DisableControls(); }
            void endUpdate() { dataSet.EnableControls(); }
        } controls{*dataSet};
        TUpdateBracket<TControls> disabled(controls);
        if (isEditOrInsert(dataSet->State())) dataSet->Cancel();

        const TBookmark saved = dataSet->GetBookmark();
        const bool wasBof = dataSet->Bof();
        const bool wasEof = dataSet->Eof();

        // The store views the engine's cells of every record in data set order: what a walk
        // from the first record to the last would meet, without moving the cursor or copying
        // a value. The saved bookmark names the record the cursor record index is taken from.
        std::vector<std::uint32_t> fieldNos;
        fieldNos.reserve(m_fields.size());
        for (const TcxDBDataField &field : m_fields)
            fieldNos.push_back(field.field ? field.field->FieldNo() : 0);
        m_storage.load(dataSet->store(), std::move(fieldNos));
        if (saved) {
            if (const int recordIndex = m_storage.recordIndexOfEngineRecord(saved->id);
                recordIndex >= 0)
                m_cursorRecord = recordIndex;
        }

        if (saved && dataSet->BookmarkValid(saved)) {
            dataSet->GotoBookmark(saved);
            if (wasBof && !dataSet->Bof()) dataSet->Prior();
            if (wasEof && !dataSet->Eof()) dataSet->Next();
        }
    }

    m_focusedRecord = m_cursorRecord;
    m_pending |= ChangeFocusedRecord;
    if (!m_sortList.empty()) m_pending |= ChangeSorting;
}

// Rebuilding the rows.

void TcxGridDBDataController::rebuild(unsigned changes)
{
    m_pending |= changes;
    if (m_lockCount == 0) performRebuild();
}

void TcxGridDBDataController::performRebuild()
{
    // A handler of a notification may ask for more: a request made while no bracket is open
    // rebuilds at once (nested), one made inside a bracket runs as one more round here.
    while (m_pending != 0 && m_lockCount == 0) {
        const unsigned changes = std::exchange(m_pending, 0u);
        bool dataChanged = false;
        bool selectionChanged = false;
        if (changes & ChangeLoad) {
            filterRows();
            dataChanged = true;
            selectionChanged = RowCount() < RecordCount();
        }
        if ((changes & ChangeSorting) && !m_rows.empty()) {
            sortRows();
            dataChanged = true;
        }
        findFocusedRow();
        if ((changes & ChangeFocusFromCursor) && m_focusedRow < 0) {
            TClientDataSet *dataSet = DataSet();
            if (dataSet && dataSet->Active()) {
                m_focusedRecord = m_cursorRecord;
                findFocusedRow();
            }
        }

        if (dataChanged) OnDataChanged();
        if (selectionChanged) OnSelectionChanged();
        notifyFocusedRecordChanged();
        if (changes & ChangeSortList) OnSortingChanged();
    }
}

void TcxGridDBDataController::filterRows()
{
    const int count = RecordCount();
    m_rows.clear();
    m_rows.reserve(static_cast<std::size_t>(count));
    for (int recordIndex = 0; recordIndex < count; ++recordIndex)
        if (!m_filterHook || m_filterHook(recordIndex)) m_rows.push_back(recordIndex);
}

void TcxGridDBDataController::sortRows()
{
    // Every comparison ends in the record index, so the order is total and a plain (unstable)
    // sort gives the one order that the comparison defines.
    struct TKey
    {
        std::uint64_t prefix; // of the first sort item's value
        int recordIndex;
    };
    std::vector<TKey> keys;
    keys.reserve(m_rows.size());
    const int firstItem = m_sortList.empty() ? -1 : m_sortList.front().item;
    if (firstItem >= 0) {
        const std::vector<std::uint64_t> &prefixes = m_storage.sortPrefixes(firstItem);
        for (int recordIndex : m_rows)
            keys.push_back({prefixes[static_cast<std::size_t>(recordIndex)], recordIndex});
    } else {
        for (int recordIndex : m_rows)
            keys.push_back({0, recordIndex});
    }

    auto descending = [](const TSortItem &sortItem) {
        return sortItem.order == TcxDataSortOrder::soDescending;
    };
    const bool firstDescending = firstItem >= 0 && descending(m_sortList.front());
    auto less = [&](const TKey &a, const TKey &b) {
        if (a.prefix != b.prefix)
            return firstDescending ? a.prefix > b.prefix : a.prefix < b.prefix;
        for (const TSortItem &sortItem : m_sortList) {
            const int result = compareValues(m_storage.value(a.recordIndex, sortItem.item),
                                             m_storage.value(b.recordIndex, sortItem.item));
            if (result != 0) return descending(sortItem) ? result > 0 : result < 0;
        }
        // The tie-break is never negated: equal names keep data set order both ways.
        return a.recordIndex < b.recordIndex;
    };
    std::sort(keys.begin(), keys.end(), less);
    for (std::size_t i = 0; i < keys.size(); ++i)
        m_rows[i] = keys[i].recordIndex;
}

void TcxGridDBDataController::findFocusedRow()
{
    m_focusedRow = m_focusedRecord >= 0 ? rowIndexOfRecord(m_focusedRecord) : -1;
}

void TcxGridDBDataController::notifyFocusedRecordChanged()
{
    if (m_focusedRecord == m_previousFocusedRecord && m_focusedRow == m_previousFocusedRow) return;
    const int previousRecord = std::exchange(m_previousFocusedRecord, m_focusedRecord);
    const int previousRow = std::exchange(m_previousFocusedRow, m_focusedRow);
    OnFocusedRecordChanged(previousRecord, m_focusedRecord, previousRow, m_focusedRow);
}

void TcxGridDBDataController::checkItem(int item) const
{
    if (item < 0 || item >= itemCount())
        throw EcxInvalidDataControllerOperation(ItemIndexOutOfRange);
}

void TcxGridDBDataController::checkRecord(int recordIndex) const
{
    if (recordIndex < 0 || recordIndex >= RecordCount())
        throw EcxInvalidDataControllerOperation(RecordIndexOutOfRange);
}

void TcxGridDBDataController::checkRow(int row) const
{
    if (row < 0 || row >= RowCount()) throw EcxInvalidDataControllerOperation(RowIndexOutOfRange);
}
