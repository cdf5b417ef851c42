#include "editors/DBText.h"

#include "data/Field.h"
#include "platformui/GbkQt.h"

#include <utility>

TDBText::TDBText(QWidget *owner) : TLabel(owner)
{
    SetClickNeedsPress(TClickNeedsPress::Yes);
    m_link.OnDataChange = [this] {
        const TField *field = m_link.Field();
        SetCaption(field && m_link.Active() ? toQString(field->DisplayText()) : QString());
    };
    connect(this, &QObject::objectNameChanged, this,
            [this](const QString &name) { m_link.SetControlName(name.toStdString()); });
    resize(65, 17);
}

TDBText::~TDBText()
{
    m_link.OnDataChange = nullptr;
    m_link.SetDataSource(nullptr);
}

void TDBText::SetDataSource(TDataSource *dataSource)
{
    m_link.SetControlName(objectName().toStdString());
    m_link.SetDataSource(dataSource);
}

void TDBText::SetDataField(std::string fieldName)
{
    m_link.SetControlName(objectName().toStdString());
    m_link.SetFieldName(std::move(fieldName));
}
