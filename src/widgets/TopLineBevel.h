#pragma once

#include <QWidget>

// A bevel drawn as one lowered line along its top edge: a shadow row over a highlight row.
class TTopLineBevel : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent *event) override;
};
