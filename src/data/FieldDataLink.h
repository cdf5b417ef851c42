#pragma once

#include "data/DataLink.h"

#include <functional>
#include <string>

// The link of a control that shows one field of the current record: it resolves the field by
// name, tells the control when to reload or when editing starts and ends, and asks it for its
// value when the data set collects pending changes.
class TFieldDataLink : public TDataLink
{
public:
    TFieldDataLink();

    const std::string &FieldName() const { return m_fieldName; }
    void SetFieldName(std::string fieldName);
    TField *Field() const { return m_field; }
    // The owning control's component name, which prefixes a missing field's message.
    const std::string &ControlName() const { return m_controlName; }
    void SetControlName(std::string controlName) { m_controlName = std::move(controlName); }

    // Editing and the field may be changed: the link's own view of editing.
    bool Editing() const { return m_fieldEditing; }
    // Not read-only, with a field that can be modified.
    bool CanModify() const;
    // The control holds a value that the field has not been given yet.
    bool Modified() const { return m_modified; }
    void SetModified() { m_modified = true; }

    // Starts editing when the field can be modified; returns whether the link is editing.
    bool Edit();
    // Has the control show the field's value again, dropping its pending change.
    void Reset();

    std::function<void()> OnDataChange;
    std::function<void()> OnEditingChange;
    std::function<void()> OnUpdateData;
    std::function<void()> OnActiveChange;
    std::function<void()> OnFocusControl;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void RecordChanged(TField *field) override;
    void LayoutChanged() override;
    void UpdateData() override;
    void FocusControl(TField *&field) override;

private:
    void updateField();
    void setField(TField *field);
    void setFieldEditing(bool editing);

    std::string m_fieldName;
    std::string m_controlName;
    TField *m_field = nullptr;
    bool m_fieldEditing = false;
    bool m_modified = false;
};
