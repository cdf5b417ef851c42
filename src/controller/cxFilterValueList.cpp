#include "controller/cxFilterValueList.h"

#include "platform/Codec.h"
#include "controller/cxGridDBDataController.h"
#include "criteria/cxDataFilterCriteria.h"

#include <algorithm>
#include <vector>

namespace {

std::string gbkText(std::string_view utf8)
{
    return gbk::fromUtf8(utf8).value_or(std::string());
}

} // namespace

void TcxFilterValueList::Clear()
{
    m_items.clear();
}

int TcxFilterValueList::firstValueIndex() const
{
    for (int i = 0; i < Count(); ++i)
        if (m_items[i].kind == TcxFilterValueItemKind::fviValue) return i;
    return Count();
}

void TcxFilterValueList::Add(TcxFilterValueItemKind kind, std::string displayText)
{
    m_items.insert(m_items.begin() + firstValueIndex(),
                   TcxFilterValueItem{kind, std::nullopt, std::move(displayText)});
}

int TcxFilterValueList::compareValues(const std::optional<std::string> &a,
                                      const std::optional<std::string> &b)
{
    if (!a || !b) return a ? 1 : (b ? -1 : 0);
    // std::string compares its chars as unsigned bytes, which is the code page's order.
    const int result = a->compare(*b);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

void TcxFilterValueList::AddValue(std::optional<std::string> value, std::string displayText)
{
    const int limit = m_criteria.MaxValueListCount();
    if (limit != 0 && Count() >= limit) return;
    int low = firstValueIndex();
    int high = Count() - 1;
    bool found = false;
    while (low <= high) {
        const int mid = (low + high) / 2;
        const int result = compareValues(m_items[mid].value, value);
        if (result == 0) found = true;
        if (result < 0)
            low = mid + 1;
        else
            high = mid - 1;
    }
    if (found) return;
    m_items.insert(m_items.begin() + low,
                   TcxFilterValueItem{TcxFilterValueItemKind::fviValue, std::move(value),
                                      std::move(displayText)});
}

void TcxFilterValueList::Load(const TcxGridDBDataController &controller, int item)
{
    Clear();
    Add(TcxFilterValueItemKind::fviAll, gbkText("(全部显示)"));
    Add(TcxFilterValueItemKind::fviCustom, gbkText("(定制过滤...)"));
    const bool softNull = m_criteria.Options().contains(fcoSoftNull);
    bool blanks = false;
    // Every loaded record, also those the current filter hides.
    struct TKey
    {
        std::uint64_t prefix; // orders the values where it differs
        std::string_view value;
    };
    const std::vector<std::uint64_t> &prefixes = controller.sortPrefixes(item);
    std::vector<TKey> keys;
    keys.reserve(static_cast<std::size_t>(controller.RecordCount()));
    for (int record = 0; record < controller.RecordCount(); ++record) {
        const std::optional<std::string_view> value = controller.value(record, item);
        if (!value || (softNull && value->empty())) {
            blanks = true;
            continue;
        }
        keys.push_back({prefixes[static_cast<std::size_t>(record)], *value});
    }
    if (m_criteria.MaxValueListCount() != 0) {
        // With a limit, the first values met are the ones that get in.
        for (const TKey &key : keys)
            AddValue(std::string(key.value), std::string(key.value)); // shown unchanged
    } else {
        // Inserting one by one costs a move of the list per value; sorting once gives the
        // same list: the values in byte order, each once. The prefixes decide most
        // comparisons without reading the values.
        std::sort(keys.begin(), keys.end(), [](const TKey &a, const TKey &b) {
            return a.prefix != b.prefix ? a.prefix < b.prefix : a.value < b.value;
        });
        keys.erase(std::unique(keys.begin(), keys.end(),
                               [](const TKey &a, const TKey &b) { return a.value == b.value; }),
                   keys.end());
        m_items.reserve(m_items.size() + keys.size() + 2);
        for (const TKey &key : keys)
            m_items.push_back(TcxFilterValueItem{TcxFilterValueItemKind::fviValue,
                                                 std::string(key.value), std::string(key.value)});
    }
    if (blanks) {
        Add(TcxFilterValueItemKind::fviBlanks, gbkText("(为空)"));
        Add(TcxFilterValueItemKind::fviNonBlanks, gbkText("(不为空)"));
    }
}

int TcxFilterValueList::findValue(const std::optional<std::string> &value) const
{
    for (int i = firstValueIndex(); i < Count(); ++i)
        if (compareValues(m_items[i].value, value) == 0) return i;
    return -1;
}

int TcxFilterValueList::findKind(TcxFilterValueItemKind kind) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_items[i].kind == kind) return i;
    return -1;
}
