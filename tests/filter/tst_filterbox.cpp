#include "ListFilterTestSupport.h"

#include "platform/Codec.h"
#include "filterdialogs/fmFilterControlDialog.h"
#include "platformui/GbkQt.h"
#include "gridfilter/cxGridFilterBox.h"
#include "platformui/SystemColors.h"
#include "criteria/cxDataFilterCriteria.h"

#include <gtest/gtest.h>

// The filter box under the main window's list: when it shows, what it says, and its controls
// driven by simulated clicks.
using namespace listfilter;

namespace {

TcxGridFilterBox &box()
{
    return filtering().filterBox();
}

void click(QPoint point)
{
    QTest::mousePress(&box(), Qt::LeftButton, {}, point);
    QTest::mouseRelease(&box(), Qt::LeftButton, {}, point);
}

QImage rendered(QWidget &widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    widget.render(&image);
    return image;
}

const std::vector<std::optional<std::string>> ThreeNames = {"A", "B", "C"};

} // namespace

TEST(FilterBox, HiddenAtStartAndShownOnceANameIsPicked)
{
    startWith(ThreeNames);
    EXPECT_FALSE(box().isVisible());
    EXPECT_TRUE(view().filterBoxRect().isNull()) << "no room kept for it";

    ASSERT_TRUE(pick("B"));
    ASSERT_TRUE(box().isVisible());
    EXPECT_EQ(box().text(), toQString(criteria().filterText()));
    EXPECT_EQ(box().text(), "(药品列表 = B)");
    EXPECT_EQ(box().geometry(), view().filterBoxRect());
    EXPECT_EQ(box().height(), box().boxHeight());
    // The rows end where the box begins, across the list's full width.
    EXPECT_EQ(view().rowsRect().bottom() + 1, box().geometry().top());
    EXPECT_EQ(view().rowsRect().width(), box().width());
    EXPECT_TRUE(box().isActivateCheckBoxVisible() && box().isCloseButtonVisible());
}

TEST(FilterBox, LayoutPutsTwoControlsLeftTheButtonRightAndTheTextBetween)
{
    startWith(ThreeNames);
    ASSERT_TRUE(pick("A"));
    const QRect close = box().closeButtonRect();
    const QRect check = box().activateCheckBoxRect();
    const QRect customize = box().customizeButtonRect();
    EXPECT_EQ(close, QRect(4, (box().height() - 14) / 2, 16, 14));
    EXPECT_EQ(check, QRect(24, (box().height() - 13) / 2, 13, 13));
    EXPECT_EQ(customize.right(), box().width() - 1 - 4);
    EXPECT_EQ(customize.top(), (box().height() - customize.height()) / 2);
    const int fontHeight = QFontMetrics(box().font()).height();
    EXPECT_EQ(box().boxHeight(), std::max(fontHeight + 6, customize.height() + 8));
    const QRect text = box().textRect();
    EXPECT_EQ(text.left(), 4 + (16 + 4) + (13 + 4) + 3);
    EXPECT_EQ(text.right(), box().width() - 1 - (4 + customize.width() + 4) - 3);

    // Flat look, box colours: shadow background, the check box's window-coloured inside.
    const QImage image = rendered(box());
    EXPECT_EQ(image.pixelColor(text.right() - 1, 1), toQColor(clBtnShadow));
    EXPECT_EQ(image.pixelColor(check.left() + 2, check.top() + 2), toQColor(clWindow));
    EXPECT_EQ(image.pixelColor(close.left(), close.top()), toQColor(clBtnHighlight));
    EXPECT_EQ(image.pixelColor(close.right(), close.bottom()), toQColor(clBtnShadow));
    bool textDrawn = false;
    for (int x = text.left(); x < text.left() + 40 && x <= text.right(); ++x)
        for (int y = 0; y < box().height(); ++y)
            // Smoothed glyph edges: the strokes are far lighter than the shadow colour.
            textDrawn =
                textDrawn || qGray(image.pixel(x, y)) > qGray(toQColor(clBtnShadow).rgb()) + 60;
    EXPECT_TRUE(textDrawn) << "the filter text in the highlight colour";
}

TEST(FilterBox, CheckBoxSwitchesTheFilterOffAndOnAndKeepsTheText)
{
    startWith(ThreeNames);
    ASSERT_TRUE(pick("C"));
    const QString text = box().text();
    const QPoint check = box().activateCheckBoxRect().center();
    click(check);
    EXPECT_FALSE(criteria().Active());
    EXPECT_EQ(shownNames().size(), 3u);
    EXPECT_TRUE(box().isVisible());
    EXPECT_EQ(box().text(), text);
    const QRect mark = box().activateCheckBoxRect().adjusted(2, 2, -2, -2);
    const auto markPixels = [&] {
        const QImage image = rendered(box());
        int count = 0;
        for (int y = mark.top(); y <= mark.bottom(); ++y)
            for (int x = mark.left(); x <= mark.right(); ++x)
                count += image.pixelColor(x, y) == toQColor(clBtnText);
        return count;
    };
    EXPECT_EQ(markPixels(), 0) << "unchecked";

    click(check);
    EXPECT_TRUE(criteria().Active());
    EXPECT_EQ(shownNames(), std::vector<std::string>{"C"});
    EXPECT_GT(markPixels(), 0) << "checked";

    // Off again; then a drop-down entry switches it on.
    click(check);
    ASSERT_TRUE(pick("A"));
    EXPECT_TRUE(criteria().Active());
    EXPECT_EQ(shownNames(), std::vector<std::string>{"A"});
}

TEST(FilterBox, CloseButtonClearsTheFilterAndTheBoxGoesButActiveStays)
{
    startWith(ThreeNames);
    ASSERT_TRUE(pick("B"));
    click(box().closeButtonRect().center());
    EXPECT_TRUE(criteria().isEmpty());
    EXPECT_TRUE(criteria().Active());
    EXPECT_FALSE(box().isVisible());
    EXPECT_TRUE(view().filterBoxRect().isNull());
    EXPECT_EQ(shownNames().size(), 3u);
    // The next condition filters at once.
    criteria().addCondition(nullptr, 0, TcxFilterOperatorKind::Equal, TVariant("A"), "A");
    EXPECT_EQ(shownNames(), std::vector<std::string>{"A"});
    EXPECT_TRUE(box().isVisible());
}

TEST(FilterBox, AClickIsAPressAndAReleaseOverTheSameButton)
{
    startWith(ThreeNames);
    ASSERT_TRUE(pick("B"));
    const QPoint close = box().closeButtonRect().center();
    const QPoint check = box().activateCheckBoxRect().center();

    QTest::mousePress(&box(), Qt::LeftButton, {}, close);
    EXPECT_EQ(box().pressedPart(), TcxFilterBoxPart::CloseButton);
    // The pressed look: the frame's left top in shadow.
    const QRect rect = box().closeButtonRect();
    EXPECT_EQ(rendered(box()).pixelColor(rect.left(), rect.top()), toQColor(clBtnShadow));
    QTest::mouseMove(&box(), check);
    EXPECT_EQ(rendered(box()).pixelColor(rect.left(), rect.top()), toQColor(clBtnHighlight))
        << "off the button it looks normal";
    QTest::mouseRelease(&box(), Qt::LeftButton, {}, check);
    EXPECT_EQ(box().pressedPart(), TcxFilterBoxPart::None);
    EXPECT_FALSE(criteria().isEmpty()) << "released elsewhere: no action";
    EXPECT_TRUE(criteria().Active()) << "nor the other control's";

    // The text reacts to no click.
    click(box().textRect().center());
    EXPECT_FALSE(criteria().isEmpty());
    EXPECT_TRUE(criteria().Active());
}

TEST(FilterBox, CustomizeOpensTheBuilderEvenWhenTheCustomDialogWouldFit)
{
    startWith(ThreeNames);
    ASSERT_TRUE(pick("B"));
    int columns = -1;
    whenShown<TfmFilterControlDialog>([&](TfmFilterControlDialog *dialog) {
        columns = static_cast<int>(dialog->FilterControl->columns().size());
        dialog->SetModalResult(mrCancel);
    });
    click(box().customizeButtonRect().center());
    EXPECT_EQ(columns, 13);
    EXPECT_EQ(box().text(), "(药品列表 = B)") << "Cancel changes nothing";
}

TEST(FilterBox, VisibilityOptions)
{
    startWith(ThreeNames);
    filtering().SetVisible(TcxGridFilterVisible::fvAlways);
    ASSERT_TRUE(box().isVisible());
    EXPECT_EQ(box().text(), "<数据过滤条件为空>");
    EXPECT_FALSE(box().isCloseButtonVisible());
    EXPECT_TRUE(box().activateCheckBoxRect().isNull());
    EXPECT_EQ(box().textRect().left(), 4 + 3);
    filtering().SetCustomizeDialog(false);
    EXPECT_EQ(box().boxHeight(), QFontMetrics(box().font()).height() + 6);
    filtering().SetVisible(TcxGridFilterVisible::fvNever);
    ASSERT_TRUE(pick("A"));
    EXPECT_FALSE(box().isVisible());
}
