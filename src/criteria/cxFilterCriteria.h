#pragma once

#include "platform/UpdateBracket.h"

#include "criteria/cxFilterCriteriaItemList.h"

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

enum TcxFilterCriteriaOption : std::uint8_t {
    fcoCaseInsensitive,
    fcoShowOperatorDescription,
    fcoSoftNull,
    fcoSoftCompare
};

// A set of criteria options.
class TcxFilterCriteriaOptions
{
public:
    constexpr TcxFilterCriteriaOptions() = default;
    constexpr TcxFilterCriteriaOptions(std::initializer_list<TcxFilterCriteriaOption> options)
    {
        for (TcxFilterCriteriaOption option : options)
            m_bits |= static_cast<std::uint8_t>(1u << option);
    }
    constexpr bool contains(TcxFilterCriteriaOption option) const
    {
        return (m_bits >> option) & 1u;
    }
    bool operator==(const TcxFilterCriteriaOptions &) const = default;

private:
    std::uint8_t m_bits = 0;
};

// The one filter of a list: a tree of groups and conditions on the list's columns, the test
// of a record against it, its display text and its byte stream. The criteria knows nothing of
// the list: a column is an item index, and a derived class supplies the items' values,
// captions and stream IDs.
//
// Every effective change raises one change; between beginUpdate() and endUpdate() changes are
// collected, and the outermost endUpdate() raises one for all of them.
class TcxFilterCriteria
{
public:
    TcxFilterCriteria();
    virtual ~TcxFilterCriteria();
    TcxFilterCriteria(const TcxFilterCriteria &) = delete;
    TcxFilterCriteria &operator=(const TcxFilterCriteria &) = delete;

    TcxFilterCriteriaItemList &root() const { return *m_root; }

    TcxFilterCriteriaOptions Options() const { return m_options; }
    void SetOptions(TcxFilterCriteriaOptions options);
    char PercentWildcard() const { return m_percentWildcard; }
    void SetPercentWildcard(char wildcard);
    char UnderscoreWildcard() const { return m_underscoreWildcard; }
    void SetUnderscoreWildcard(char wildcard);
    std::int32_t MaxValueListCount() const { return m_maxValueListCount; }
    void SetMaxValueListCount(std::int32_t count);
    bool Active() const { return m_active; }
    void SetActive(bool active);

    std::function<void()> OnChanged;

    // Appends to `parent` (the root when null), which must belong to this criteria.
    TcxFilterCriteriaItem *addCondition(TcxFilterCriteriaItemList *parent, int column,
                                        TcxFilterOperatorKind kind, TVariant value,
                                        std::string displayText);
    TcxFilterCriteriaItemList *addGroup(TcxFilterCriteriaItemList *parent,
                                        TcxFilterBoolOperatorKind boolOperator);
    // Frees a node other than the root, with everything under it.
    void removeItem(TcxCustomFilterCriteriaItem *item);
    // Frees every condition of the column and tidies the groups that lost one: an emptied
    // group goes, a group left with one child is replaced by that child at the end of the
    // group's parent. One change, and only if something was removed.
    void removeConditions(int column);
    // Frees every node and sets the root's operator back to AND.
    void clear();
    // The first condition of the column, depth first.
    TcxFilterCriteriaItem *findCondition(int column) const;
    bool isEmpty() const { return m_root->isEmpty(); }

    // The display form of the tree, GBK; empty for an empty root.
    std::string filterText() const;
    // The record test. Throws EVariantError for a failed conversion unless fcoSoftCompare.
    bool matches(int recordIndex) const { return m_root->matches(recordIndex); }

    // Copies the settings and, through the stream, the tree: one change.
    virtual void assign(const TcxFilterCriteria &source);

    // Reads the filter stream after clearing the tree; one change. Throws Exception with
    // "Stream read error" for a damaged or short stream and keeps what was read up to there.
    void readFromStream(std::string_view bytes);
    // Throws Exception with "Stream write error" for a value the stream cannot hold.
    std::string writeToStream() const;

    void beginUpdate() { ++m_lockCount; }
    void endUpdate();
    int lockCount() const { return m_lockCount; }
    // Raises one change now, or when the outermost bracket closes.
    void changed();

    // Today's date for the date kinds: the local date unless a test sets its own clock.
    void setClock(std::function<std::chrono::sys_days()> today);
    std::chrono::sys_days today() const;
    std::chrono::weekday firstDayOfWeek() const { return m_firstDayOfWeek; }
    void setFirstDayOfWeek(std::chrono::weekday day);

    // What the criteria asks of the items its conditions name. By default an item is its
    // own stream ID, has no caption and no values.
    virtual std::optional<std::string_view> itemValue(int recordIndex, int column) const;
    virtual std::string itemCaption(int column) const;
    virtual int itemId(int column) const;
    virtual int itemById(int id) const; // -1 when no item has the ID

protected:
    // A change with the lock at 0: the date conditions take today's date again, then
    // OnChanged. Derived criteria tell their owner in between.
    virtual void doChanged();
    void refreshDates();
    void notifyChanged()
    {
        if (OnChanged) OnChanged();
    }

private:
    void prepareConditions();

    std::unique_ptr<TcxFilterCriteriaItemList> m_root;
    TcxFilterCriteriaOptions m_options;
    char m_percentWildcard = '%';
    char m_underscoreWildcard = '_';
    std::int32_t m_maxValueListCount = 0;
    bool m_active = false;
    int m_lockCount = 0;
    std::function<std::chrono::sys_days()> m_clock;
    std::chrono::weekday m_firstDayOfWeek = std::chrono::Monday;
};

// Keeps one beginUpdate()/endUpdate() pair of the criteria balanced on every way out of a
// scope.
using TUpdateLock = TUpdateBracket<TcxFilterCriteria>;
