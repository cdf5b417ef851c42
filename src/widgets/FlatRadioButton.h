#pragma once

#include <QRadioButton>

// The flat look's radio button: a flat round box and its text beside it; a press anywhere on
// the button counts, text included.
class TFlatRadioButton : public QRadioButton
{
    Q_OBJECT
public:
    using QRadioButton::QRadioButton;

protected:
    bool hitButton(const QPoint &point) const override;
    void paintEvent(QPaintEvent *event) override;
};
