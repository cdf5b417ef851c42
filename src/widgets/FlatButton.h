#pragma once

#include <QPushButton>

// The flat look's push button: the small button's frame and face, the caption centred on one
// line with its accelerator underlined, and a dotted focus rectangle inside the frame.
class TFlatButton : public QPushButton
{
    Q_OBJECT
public:
    explicit TFlatButton(QWidget *parent = nullptr);
    TFlatButton(const QString &text, QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;
};
