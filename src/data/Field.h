#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class TClientDataSet;

enum class TFieldType { Unknown, String };

// One declared field of a data set: its name, caption and size, and access to its value in
// the data set's current record. Values are GBK bytes; names and labels are program texts.
class TField
{
public:
    TField(std::string componentName, std::string fieldName, TFieldType dataType);
    virtual ~TField();
    TField(const TField &) = delete;
    TField &operator=(const TField &) = delete;

    const std::string &Name() const { return m_name; }
    TFieldType DataType() const { return m_dataType; }

    const std::string &FieldName() const { return m_fieldName; }
    void SetFieldName(std::string fieldName);
    const std::string &DisplayLabel() const { return m_displayLabel; }
    void SetDisplayLabel(std::string displayLabel) { m_displayLabel = std::move(displayLabel); }
    // The label when there is one, else the field name.
    const std::string &DisplayName() const;

    int Size() const { return m_size; }
    void SetSize(int size);
    // Position of the matching field in the open data set's packet, counted from 1; 0 while
    // the data set is closed.
    std::uint32_t FieldNo() const { return m_fieldNo; }
    TClientDataSet *DataSet() const { return m_dataSet; }

    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    // Not read-only, bound, and its data set would accept a change now.
    bool CanModify() const;

    // The current record's value; null when there is no current record or the value is null.
    bool IsNull() const;
    virtual std::string AsString() const;
    // The current record's bytes without a copy, null as IsNull() says. The view is valid
    // until the data set moves, changes the record or closes.
    std::optional<std::string_view> valueView() const { return data(); }
    // What data-aware controls show: the value unchanged.
    virtual std::string DisplayText() const;
    // Requires the data set in edit or insert state; marks the record modified and tells the
    // views that this field changed.
    virtual void SetAsString(std::string_view text);
    void Clear(); // writes null

    // Asks the view that shows this field to take the focus.
    void FocusControl();

protected:
    std::optional<std::string_view> data() const;
    void setData(std::optional<std::string_view> value);

private:
    friend class TClientDataSet;

    std::string m_name;
    std::string m_fieldName;
    std::string m_displayLabel;
    TFieldType m_dataType;
    int m_size = 0;
    std::uint32_t m_fieldNo = 0;
    bool m_readOnly = false;
    TClientDataSet *m_dataSet = nullptr;
};

// A text field. Writes are cut to the field's size in bytes, at a whole character.
class TStringField : public TField
{
public:
    static constexpr int DefaultSize = 20;

    TStringField(std::string componentName, std::string fieldName, int size = DefaultSize);

    void SetAsString(std::string_view text) override;
};
