#pragma once

// The states of a data set, in the order (and so with the numbers) that the data set reports.
enum class TDataSetState {
    Inactive = 0,
    Browse,
    Edit,
    Insert,
    SetKey,
    CalcFields,
    Filter,
    NewValue,
    OldValue,
    CurValue,
    BlockRead,
    InternalCalc,
    Opening,
};

// A data set is active in every state but these two.
constexpr bool isActiveState(TDataSetState state)
{
    return state != TDataSetState::Inactive && state != TDataSetState::Opening;
}

// The states in which a link that is not read-only counts as editing.
constexpr bool isEditingState(TDataSetState state)
{
    return state == TDataSetState::Edit || state == TDataSetState::Insert ||
           state == TDataSetState::SetKey;
}

// What a data set tells its data sources, and they their links.
enum class TDataEvent {
    UpdateState,
    RecordChange,
    FieldChange,
    DataSetChange,
    DataSetScroll,
    LayoutChange,
    UpdateRecord,
    CheckBrowseMode,
    FocusControl,
};
