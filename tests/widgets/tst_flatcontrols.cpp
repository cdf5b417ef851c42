// The flat look's dialog controls: the push button, the drop-down list box, the radio button
// and the top-line bevel.
#include "widgets/FlatButton.h"
#include "widgets/FlatComboBox.h"
#include "widgets/FlatRadioButton.h"
#include "widgets/TopLineBevel.h"

#include "platformui/SystemColors.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace {

QImage render(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    widget.render(&image);
    return image;
}

QColor colour(TColor color)
{
    return toQColor(color);
}

} // namespace

TEST(FlatControls, ButtonFrameFollowsThePress)
{
    for (bool down : {false, true}) {
        SCOPED_TRACE(down ? "pressed" : "normal");
        TFlatButton button(QStringLiteral("确定"), nullptr);
        button.resize(75, 23);
        button.setDown(down);
        const QImage image = render(button);
        const QColor leftTop = colour(down ? clBtnShadow : clBtnHighlight);
        const QColor rightBottom = colour(down ? clBtnHighlight : clBtnShadow);
        EXPECT_EQ(image.pixelColor(0, 0), leftTop);
        EXPECT_EQ(image.pixelColor(0, 11), leftTop);
        EXPECT_EQ(image.pixelColor(74, 0), rightBottom);
        EXPECT_EQ(image.pixelColor(0, 22), rightBottom);
        EXPECT_EQ(image.pixelColor(2, 2), colour(clBtnFace));
    }
}

TEST(FlatControls, ComboBoxBorderFieldAndButton)
{
    TFlatComboBox box;
    box.resize(193, 21);
    box.addItem(QStringLiteral("相似"));
    const QImage image = render(box);
    // A sunken outer ring, a ring of button face inside it, then field and button.
    EXPECT_EQ(image.pixelColor(0, 0), colour(clBtnShadow));
    EXPECT_EQ(image.pixelColor(192, 0), colour(clBtnHighlight));
    EXPECT_EQ(image.pixelColor(0, 20), colour(clBtnHighlight));
    EXPECT_EQ(image.pixelColor(1, 1), colour(clBtnFace));
    EXPECT_EQ(image.pixelColor(191, 19), colour(clBtnFace));
    EXPECT_EQ(image.pixelColor(3, 3), colour(clWindow));
    const int buttonLeft = 191 - TFlatComboBox::DropDownButtonWidth;
    EXPECT_EQ(image.pixelColor(buttonLeft - 1, 10), colour(clWindow));
    EXPECT_EQ(image.pixelColor(buttonLeft, 10), colour(clBtnHighlight));
    EXPECT_EQ(image.pixelColor(190, 10), colour(clBtnShadow));
}

TEST(FlatControls, RadioButtonTakesAClickAnywhereOnIt)
{
    TFlatRadioButton button(QStringLiteral("或者"));
    button.resize(65, 17);
    const QPoint farRight(62, 8); // right of the text, still on the button
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(farRight), QPointF(farRight),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(farRight), QPointF(farRight),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&button, &press);
    QApplication::sendEvent(&button, &release);
    EXPECT_TRUE(button.isChecked());
}

TEST(FlatControls, BevelIsALoweredLineAlongItsTop)
{
    TTopLineBevel bevel;
    bevel.resize(396, 4);
    const QImage image = render(bevel);
    for (int x : {0, 200, 395}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(image.pixelColor(x, 0), colour(clBtnShadow));
        EXPECT_EQ(image.pixelColor(x, 1), colour(clBtnHighlight));
    }
}
