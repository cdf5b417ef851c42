#pragma once

#include "data/FieldDataLink.h"

#include <QWidget>

#include <functional>
#include <string>

class TDataSource;
class TField;

// A label that shows one field of the current record: opaque, not editable, never focused;
// its text is drawn from the top left and cut at its bounds, an ampersand as itself.
class TDBText : public QWidget
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

    // What the label shows: the field's display text, empty without a field or a value.
    QString Caption() const { return m_caption; }

    // Sized to its text after every change of text or font, the top left staying put.
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool autoSize);

    // The background; until set, the parent's colour.
    QColor Color() const;
    void SetColor(const QColor &color);
    bool ParentColor() const;
    void SetParentColor(bool parentColor);
    QColor FontColor() const;
    void SetFontColor(const QColor &color);
    // The font and the mouse cursor are the widget's own (setFont, setCursor).

    std::function<void()> OnClick;

    // The size the text takes in the label's font; an empty text takes one space.
    QSize textSize() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void setCaption(const QString &caption);
    void adjustBounds();
    QString shownText() const;

    TFieldDataLink m_link;
    QString m_caption;
    bool m_autoSize = false;
    bool m_pressed = false;
};
