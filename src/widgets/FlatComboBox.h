#pragma once

#include <QComboBox>

// The flat look's drop-down list box: a sunken two-pixel border, the field and a small button
// with the drop-down arrow. The list that drops down is the toolkit's, below the box, in the
// system's list colours.
class TFlatComboBox : public QComboBox
{
    Q_OBJECT
public:
    explicit TFlatComboBox(QWidget *parent = nullptr);

    // The width of the button at the right end.
    static constexpr int DropDownButtonWidth = 17;
    // How many entries the list shows before it scrolls.
    static constexpr int DropDownCount = 8;

    void showPopup() override;
    void hidePopup() override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    bool m_dropped = false;
};
