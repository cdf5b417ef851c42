#include "data/FieldDataLink.h"

#include "data/ClientDataSet.h"
#include "data/DatabaseError.h"
#include "data/Field.h"

TFieldDataLink::TFieldDataLink()
{
    SetVisualControl(true);
}

void TFieldDataLink::SetFieldName(std::string fieldName)
{
    if (m_fieldName == fieldName) return;
    m_fieldName = std::move(fieldName);
    updateField();
}

bool TFieldDataLink::CanModify() const
{
    return !ReadOnly() && m_field && m_field->CanModify();
}

bool TFieldDataLink::Edit()
{
    if (CanModify()) TDataLink::Edit();
    return m_fieldEditing;
}

void TFieldDataLink::Reset()
{
    RecordChanged(nullptr);
}

void TFieldDataLink::updateField()
{
    TClientDataSet *dataSet = DataSet();
    if (!Active() || !dataSet || m_fieldName.empty()) {
        setField(nullptr);
        return;
    }
    m_field = nullptr;
    TField *field = dataSet->FindField(m_fieldName);
    if (!field) {
        const std::string message = "Field '" + m_fieldName + "' not found";
        if (m_controlName.empty()) throw componentError(dataSet->Name(), message);
        throw componentError(m_controlName, message);
    }
    setField(field);
}

void TFieldDataLink::setField(TField *field)
{
    if (m_field == field) return;
    m_field = field;
    EditingChanged();
    RecordChanged(nullptr);
}

void TFieldDataLink::setFieldEditing(bool editing)
{
    if (m_fieldEditing == editing) return;
    m_fieldEditing = editing;
    m_modified = false;
    if (OnEditingChange) OnEditingChange();
}

void TFieldDataLink::ActiveChanged()
{
    updateField();
    if (OnActiveChange) OnActiveChange();
}

void TFieldDataLink::EditingChanged()
{
    setFieldEditing(TDataLink::Editing() && CanModify());
}

void TFieldDataLink::RecordChanged(TField *field)
{
    if (field && field != m_field) return;
    if (OnDataChange) OnDataChange();
    m_modified = false;
}

void TFieldDataLink::LayoutChanged()
{
    updateField();
}

void TFieldDataLink::UpdateData()
{
    if (!m_modified) return;
    if (m_field && OnUpdateData) OnUpdateData();
    m_modified = false;
}

void TFieldDataLink::FocusControl(TField *&field)
{
    if (!field || field != m_field || !OnFocusControl) return;
    field = nullptr;
    OnFocusControl();
}
