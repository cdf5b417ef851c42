#pragma once

#include "widgets/FlatLookAndFeelPainter.h"

#include <QRect>
#include <QString>
#include <QWidget>

class TcxGridTableFiltering;

enum class TcxFilterBoxPart { None, CloseButton, ActivateCheckBox, CustomizeButton };

// The strip under the drug list's rows that shows the filter as text, with a close button
// that clears it, a check box that switches it on and off and "定制..." for the filter builder.
// It has no state of its own beyond a pressed button: what it shows is read from the criteria
// and the options whenever the list lays itself out.
class TcxGridFilterBox : public QWidget
{
    Q_OBJECT
public:
    explicit TcxGridFilterBox(TcxGridTableFiltering &filtering);

    // Whether the options and the criteria show the box now.
    bool isShown() const;
    // Recomputes the box's height, reserves it in the view and follows the view's place for
    // it; hides the box when it is not shown.
    void updateLayout();

    QString text() const;
    bool isCloseButtonVisible() const;
    bool isActivateCheckBoxVisible() const;
    bool isCustomizeButtonVisible() const;

    // Geometry within the box (its own coordinates), for painting, input and tests alike.
    int boxHeight() const;
    QRect closeButtonRect() const;
    QRect activateCheckBoxRect() const;
    QRect customizeButtonRect() const;
    QRect textRect() const;
    TcxFilterBoxPart hitTest(QPoint point) const;

    TcxFilterBoxPart pressedPart() const { return m_pressedPart; }

    static constexpr QSize CloseButtonSize{16, 14};
    static constexpr QSize CheckBoxSize{13, 13};

    // The three actions of the box's controls.
    void closeButtonClick();
    void activateCheckBoxClick();
    void customizeButtonClick();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    QString customizeCaption() const;
    QSize customizeButtonSize() const;
    TButtonState partState(TcxFilterBoxPart part) const;

    TcxGridTableFiltering &m_filtering;
    TcxFilterBoxPart m_pressedPart = TcxFilterBoxPart::None;
    // The pressed button shows its pressed look only while the mouse is over it.
    bool m_pressedOver = false;
};
