#include "criteria/cxFilterCriteria.h"

#include "criteria/FilterStream.h"

#include <cassert>
#include <ctime>

namespace {

template<class TFunction>
void forEachCondition(const TcxFilterCriteriaItemList &group, const TFunction &function)
{
    for (int i = 0; i < group.count(); ++i) {
        TcxCustomFilterCriteriaItem *item = group.item(i);
        if (item->isGroup())
            forEachCondition(static_cast<TcxFilterCriteriaItemList &>(*item), function);
        else
            function(static_cast<TcxFilterCriteriaItem &>(*item));
    }
}

TcxFilterCriteriaItem *firstCondition(const TcxFilterCriteriaItemList &group, int column)
{
    for (int i = 0; i < group.count(); ++i) {
        TcxCustomFilterCriteriaItem *item = group.item(i);
        if (item->isGroup()) {
            if (auto *found =
                    firstCondition(static_cast<TcxFilterCriteriaItemList &>(*item), column))
                return found;
        } else if (static_cast<TcxFilterCriteriaItem *>(item)->column() == column) {
            return static_cast<TcxFilterCriteriaItem *>(item);
        }
    }
    return nullptr;
}

std::chrono::sys_days localToday()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    using namespace std::chrono;
    return sys_days(year(local.tm_year + 1900) / (local.tm_mon + 1) / local.tm_mday);
}

} // namespace

TcxFilterCriteria::TcxFilterCriteria()
    : m_root(std::make_unique<TcxFilterCriteriaItemList>(*this, nullptr,
                                                         TcxFilterBoolOperatorKind::And))
{}

TcxFilterCriteria::~TcxFilterCriteria() = default;

void TcxFilterCriteria::SetOptions(TcxFilterCriteriaOptions options)
{
    if (options == m_options) return;
    m_options = options;
    prepareConditions();
    changed();
}

void TcxFilterCriteria::SetPercentWildcard(char wildcard)
{
    if (wildcard == m_percentWildcard) return;
    m_percentWildcard = wildcard;
    prepareConditions();
    changed();
}

void TcxFilterCriteria::SetUnderscoreWildcard(char wildcard)
{
    if (wildcard == m_underscoreWildcard) return;
    m_underscoreWildcard = wildcard;
    prepareConditions();
    changed();
}

void TcxFilterCriteria::SetMaxValueListCount(std::int32_t count)
{
    if (count == m_maxValueListCount) return;
    m_maxValueListCount = count;
    changed();
}

void TcxFilterCriteria::SetActive(bool active)
{
    if (active == m_active) return;
    m_active = active;
    changed();
}

TcxFilterCriteriaItem *TcxFilterCriteria::addCondition(TcxFilterCriteriaItemList *parent,
                                                       int column, TcxFilterOperatorKind kind,
                                                       TVariant value, std::string displayText)
{
    if (!parent) parent = m_root.get();
    assert(&parent->criteria() == this);
    auto *condition =
        static_cast<TcxFilterCriteriaItem *>(parent->append(std::make_unique<TcxFilterCriteriaItem>(
            *this, parent, column, kind, std::move(value), std::move(displayText))));
    changed();
    return condition;
}

TcxFilterCriteriaItemList *TcxFilterCriteria::addGroup(TcxFilterCriteriaItemList *parent,
                                                       TcxFilterBoolOperatorKind boolOperator)
{
    if (!parent) parent = m_root.get();
    assert(&parent->criteria() == this);
    auto *group = static_cast<TcxFilterCriteriaItemList *>(
        parent->append(std::make_unique<TcxFilterCriteriaItemList>(*this, parent, boolOperator)));
    changed();
    return group;
}

void TcxFilterCriteria::removeItem(TcxCustomFilterCriteriaItem *item)
{
    assert(item && item != m_root.get() && &item->criteria() == this);
    if (!item || !item->parent()) return;
    item->parent()->take(item);
    changed();
}

void TcxFilterCriteria::removeConditions(int column)
{
    bool removed = false;
    while (TcxFilterCriteriaItem *condition = findCondition(column)) {
        TcxFilterCriteriaItemList *parent = condition->parent();
        parent->take(condition);
        removed = true;
        if (parent == m_root.get()) continue;
        TcxFilterCriteriaItemList *grandparent = parent->parent();
        if (parent->isEmpty()) {
            grandparent->take(parent);
        } else if (parent->count() == 1) {
            grandparent->append(parent->take(parent->item(0)));
            grandparent->take(parent);
        }
    }
    if (removed) changed();
}

void TcxFilterCriteria::clear()
{
    m_root->clear();
    m_root->m_boolOperator = TcxFilterBoolOperatorKind::And;
    changed();
}

TcxFilterCriteriaItem *TcxFilterCriteria::findCondition(int column) const
{
    return firstCondition(*m_root, column);
}

std::string TcxFilterCriteria::filterText() const
{
    return isEmpty() ? std::string() : m_root->filterText();
}

void TcxFilterCriteria::assign(const TcxFilterCriteria &source)
{
    // The tree goes through the stream so that column IDs carry the columns across.
    const std::string tree = source.writeToStream();
    TUpdateLock lock(*this);
    SetMaxValueListCount(source.MaxValueListCount());
    SetOptions(source.Options());
    SetPercentWildcard(source.PercentWildcard());
    SetUnderscoreWildcard(source.UnderscoreWildcard());
    readFromStream(tree);
}

void TcxFilterCriteria::readFromStream(std::string_view bytes)
{
    TUpdateLock lock(*this);
    clear();
    readFilterStream(*this, bytes);
}

std::string TcxFilterCriteria::writeToStream() const
{
    return writeFilterStream(*this);
}

void TcxFilterCriteria::endUpdate()
{
    assert(m_lockCount > 0);
    if (m_lockCount == 0) return;
    --m_lockCount;
    changed();
}

void TcxFilterCriteria::changed()
{
    if (m_lockCount == 0) doChanged();
}

void TcxFilterCriteria::doChanged()
{
    refreshDates();
    notifyChanged();
}

void TcxFilterCriteria::refreshDates()
{
    std::optional<std::chrono::sys_days> day;
    forEachCondition(*m_root, [&](TcxFilterCriteriaItem &condition) {
        if (!condition.filterOperator().isDateTest()) return;
        if (!day) day = today();
        condition.setToday(*day, m_firstDayOfWeek);
    });
}

void TcxFilterCriteria::prepareConditions()
{
    forEachCondition(*m_root, [](TcxFilterCriteriaItem &condition) { condition.prepare(); });
}

void TcxFilterCriteria::setClock(std::function<std::chrono::sys_days()> today)
{
    m_clock = std::move(today);
}

std::chrono::sys_days TcxFilterCriteria::today() const
{
    return m_clock ? m_clock() : localToday();
}

void TcxFilterCriteria::setFirstDayOfWeek(std::chrono::weekday day)
{
    m_firstDayOfWeek = day;
}

std::optional<std::string_view> TcxFilterCriteria::itemValue(int, int) const
{
    return std::nullopt;
}

std::string TcxFilterCriteria::itemCaption(int) const
{
    return {};
}

int TcxFilterCriteria::itemId(int column) const
{
    return column;
}

int TcxFilterCriteria::itemById(int id) const
{
    return id < 0 ? -1 : id;
}
