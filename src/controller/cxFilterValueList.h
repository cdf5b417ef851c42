#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TcxDataFilterCriteria;
class TcxGridDBDataController;

// Kinds of a value list entry; the special kinds stand before every value.
enum class TcxFilterValueItemKind : std::uint8_t {
    fviAll,
    fviCustom,
    fviBlanks,
    fviNonBlanks,
    fviUser,
    fviValue
};

struct TcxFilterValueItem
{
    TcxFilterValueItemKind kind = TcxFilterValueItemKind::fviValue;
    std::optional<std::string> value; // GBK; null for the special kinds
    std::string displayText;          // GBK
};

// The entries of a column's filter drop-down: the special entries, then every distinct value
// of the column among all loaded records, sorted by their bytes.
class TcxFilterValueList
{
public:
    explicit TcxFilterValueList(const TcxDataFilterCriteria &criteria) : m_criteria(criteria) {}

    int Count() const { return static_cast<int>(m_items.size()); }
    const TcxFilterValueItem &Items(int index) const { return m_items.at(index); }
    const std::vector<TcxFilterValueItem> &items() const { return m_items; }

    void Clear();
    // Special entries go before the first value entry, in the order they are added.
    void Add(TcxFilterValueItemKind kind, std::string displayText);
    // A value entry, inserted by halving search; an equal one already there drops it, and so
    // does a full list when the criteria limits its size.
    void AddValue(std::optional<std::string> value, std::string displayText);

    // Fills the list for one item of the controller from every record of its store.
    void Load(const TcxGridDBDataController &controller, int item);

    // The entry that compares equal to `value`, or -1.
    int findValue(const std::optional<std::string> &value) const;
    int findKind(TcxFilterValueItemKind kind) const;

private:
    int firstValueIndex() const;
    // Null first, then by code-page bytes.
    static int compareValues(const std::optional<std::string> &a,
                             const std::optional<std::string> &b);

    const TcxDataFilterCriteria &m_criteria;
    std::vector<TcxFilterValueItem> m_items;
};
