#pragma once

#include "data/FieldDataLink.h"
#include "widgets/Label.h"

#include <string>

class TDataSource;
class TField;

// A label that shows one field of the current record: the flat kit's label in its parent's
// colour, one line per line end, a click only after a press on it; its caption comes from the
// field, never from outside.
class TDBText : public TLabel
{
    Q_OBJECT
public:
    explicit TDBText(QWidget *owner = nullptr);
    ~TDBText() override;

    TDataSource *DataSource() const { return m_link.DataSource(); }
    void SetDataSource(TDataSource *dataSource);
    const std::string &DataField() const { return m_link.FieldName(); }
    void SetDataField(std::string fieldName);
    TField *Field() const { return m_link.Field(); }

    // Caption(): the field's display text, empty without a field or a value.

private:
    using TLabel::SetCaption;

    TFieldDataLink m_link;
};
