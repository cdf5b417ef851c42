#include "ListFilterTestSupport.h"

#include "data/ClientDataSet.h"
#include "filterdialogs/fmFilterControlDialog.h"
#include "filterdialogs/cxFilterDialog.h"
#include "platform/Codec.h"
#include "platformui/GbkQt.h"
#include "MessageRecorder.h"
#include "RecordingPlatform.h"
#include "grid/cxScrollBar.h"
#include "criteria/cxDataFilterCriteria.h"

#include <QKeyEvent>

#include <gtest/gtest.h>

// The name column's filter drop-down on the main window's list, driven by simulated input.
using namespace listfilter;

namespace {

std::string g(const char *utf8)
{
    return gbk::fromUtf8(utf8).value();
}

std::vector<std::optional<std::string>> names(std::initializer_list<const char *> utf8)
{
    std::vector<std::optional<std::string>> result;
    for (const char *name : utf8)
        result.push_back(name ? std::optional<std::string>(g(name)) : std::nullopt);
    return result;
}

QString filterText()
{
    return toQString(criteria().filterText());
}

void pressKey(QWidget *widget, int key)
{
    QTest::keyClick(widget, static_cast<Qt::Key>(key));
}

} // namespace

struct TEntriesCase
{
    const char *label;
    std::vector<std::optional<std::string>> names;
    QStringList entries;
};

TEST(FilterDropDown, EntriesAreTheSpecialOnesThenEveryDistinctNameByItsBytes)
{
    // One process per test: the table runs its cases in turn by reopening the window's data.
    const std::vector<TEntriesCase> cases = {
        {"no null name: no blank entries",
         names({"感冒灵", "ABC", "板蓝根"}),
         {"(全部显示)", "(定制过滤...)", "ABC", "板蓝根", "感冒灵"}},
        {"a null name adds the blank entries right after the custom one",
         names({"感冒灵", nullptr, "ABC"}),
         {"(全部显示)", "(定制过滤...)", "(为空)", "(不为空)", "ABC", "感冒灵"}},
        {"duplicates once; case variants twice, upper case first",
         names({"abc", "ABC", "感冒灵", "abc", "ABC", "Abc"}),
         {"(全部显示)", "(定制过滤...)", "ABC", "Abc", "abc", "感冒灵"}},
        {"an empty name is a value, before all others",
         names({"B", "", "A"}),
         {"(全部显示)", "(定制过滤...)", "", "A", "B"}},
    };
    TForm1 *form = startWith({});
    for (const TEntriesCase &c : cases) {
        form->cds->Close();
        writeDataFile(dataFile(c.names));
        form->cds->Open();
        TcxGridFilterPopup *popup = openDropDown();
        ASSERT_NE(popup, nullptr) << c.label;
        EXPECT_EQ(popup->entries(), c.entries) << c.label;
        EXPECT_EQ(popup->itemIndex(), -1) << c.label << ": no filter, nothing highlighted";
        pressKey(popup->listBox(), Qt::Key_Escape);
        EXPECT_FALSE(popup->isVisible()) << c.label;
        EXPECT_TRUE(criteria().isEmpty()) << c.label << ": Esc changes nothing";
    }
}

TEST(FilterDropDown, ListsTheNamesOfAllRecordsWhileTheFilterHidesSome)
{
    startWith(names({"B", "A", "C"}));
    ASSERT_TRUE(pick("A"));
    EXPECT_EQ(shownNames(), std::vector<std::string>{"A"});
    TcxGridFilterPopup *popup = openDropDown();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->entries(), (QStringList{"(全部显示)", "(定制过滤...)", "A", "B", "C"}));
    EXPECT_EQ(popup->itemIndex(), 2) << "the picked name describes the filter";
}

TEST(FilterDropDown, ShowsFifteenRowsAndABarOnlyAboveFifteenEntries)
{
    struct TRowCase
    {
        int nameCount; // plus the two special entries
        int rows;
        bool bar;
    };
    TForm1 *form = startWith({});
    for (const TRowCase c : {TRowCase{12, 14, false}, {13, 15, false}, {14, 15, true}}) {
        std::vector<std::optional<std::string>> many;
        for (int i = 0; i < c.nameCount; ++i)
            many.push_back("N" + std::to_string(10 + i));
        form->cds->Close();
        writeDataFile(dataFile(many));
        form->cds->Open();
        TcxGridFilterPopup *popup = openDropDown();
        ASSERT_NE(popup, nullptr);
        SCOPED_TRACE(c.nameCount + 2);
        EXPECT_EQ(popup->entries().size(), c.nameCount + 2);
        EXPECT_EQ(popup->visibleRowCount(), c.rows);
        EXPECT_EQ(popup->hasScrollBar(), c.bar);
        EXPECT_EQ(popup->scrollBar()->isVisible(), c.bar);
        EXPECT_EQ(popup->listBox()->height(), c.rows * popup->itemHeight());
        EXPECT_EQ(popup->height(), c.rows * popup->itemHeight() + 2 * popup->FrameWidth);
        // The drop-down hangs from the header's right end, under the filter button.
        const QRect header = view().headerRect(0);
        const QPoint buttonBottomRight =
            form->cxGrid2->mapToGlobal(view().filterButtonRect(0).bottomRight());
        EXPECT_EQ(popup->geometry().top(), buttonBottomRight.y() + 1);
        EXPECT_EQ(popup->geometry().right(), form->cxGrid2->mapToGlobal(header.topRight()).x());
        EXPECT_GE(popup->width(), header.width());
        if (c.bar) {
            // Scrolling by the keys keeps the highlighted entry in sight.
            pressKey(popup->listBox(), Qt::Key_End);
            EXPECT_EQ(popup->itemIndex(), c.nameCount + 1);
            EXPECT_EQ(popup->topIndex(), c.nameCount + 2 - 15);
            EXPECT_EQ(popup->scrollBar()->Position(), popup->topIndex());
        }
        pressKey(popup->listBox(), Qt::Key_Escape);
    }
}

TEST(FilterDropDown, OpensAboveTheButtonWhenThereIsNoRoomBelow)
{
    TForm1 *form = startWith(names({"A", "B", "C"}));
    const QRect screen = form->screen()->geometry();
    const QPoint buttonInGrid = view().filterButtonRect(0).topLeft();
    // The button some twenty pixels above the screen's bottom edge.
    const QPoint buttonNow = form->cxGrid2->mapToGlobal(buttonInGrid);
    form->move(form->pos() + QPoint(0, screen.bottom() - 20 - buttonNow.y()));
    ASSERT_TRUE(waitFor(
        [&] { return form->cxGrid2->mapToGlobal(buttonInGrid).y() == screen.bottom() - 20; }));
    TcxGridFilterPopup *popup = openDropDown();
    ASSERT_NE(popup, nullptr);
    const QRect button(form->cxGrid2->mapToGlobal(buttonInGrid), view().filterButtonRect(0).size());
    EXPECT_EQ(popup->geometry().bottom(), button.top() - 1);
    EXPECT_EQ(popup->geometry().right(),
              form->cxGrid2->mapToGlobal(view().headerRect(0).topRight()).x());
}

TEST(FilterDropDown, PickingANameThenAnotherLeavesOnlyTheSecondCondition)
{
    startWith(names({"感冒灵", "板蓝根", "ABC"}));
    ASSERT_TRUE(pick("感冒灵"));
    EXPECT_EQ(filterText(), "(药品列表 = 感冒灵)");
    EXPECT_EQ(shownNames(), std::vector<std::string>{g("感冒灵")});
    EXPECT_TRUE(criteria().Active());

    ASSERT_TRUE(pick("ABC"));
    EXPECT_EQ(filterText(), "(药品列表 = ABC)");
    EXPECT_EQ(criteria().root().count(), 1);
    EXPECT_EQ(shownNames(), std::vector<std::string>{"ABC"});
}

TEST(FilterDropDown, BlankEntriesFilterByNullAndAreHighlightedOnReopening)
{
    startWith(names({"A", nullptr, "B"}));
    ASSERT_TRUE(pick("(为空)"));
    EXPECT_EQ(filterText(), "(药品列表 = 空)");
    EXPECT_EQ(shownNames(), std::vector<std::string>{"<null>"});
    TcxGridFilterPopup *popup = openDropDown();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->entries().value(popup->itemIndex()), "(为空)");
    ASSERT_TRUE(pickEntry(*popup, "(不为空)"));
    EXPECT_EQ(filterText(), "(药品列表 <> 空)");
    EXPECT_EQ(shownNames(), (std::vector<std::string>{"A", "B"}));
}

TEST(FilterDropDown, ShowAllKeepsActiveAndTheOtherColumnsConditions)
{
    startWith(names({"A", "B"}));
    {
        // What only the filter builder makes: a condition on a hidden column.
        TUpdateLock lock(criteria());
        criteria().addCondition(nullptr, 3, TcxFilterOperatorKind::Like, TVariant("%x%"), "%x%");
        criteria().addCondition(nullptr, 0, TcxFilterOperatorKind::Equal, TVariant("A"), "A");
        criteria().SetActive(false);
    }
    TcxGridFilterPopup *popup = openDropDown();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->entries().value(popup->itemIndex()), "A");
    ASSERT_TRUE(pickEntry(*popup, "(全部显示)"));
    EXPECT_TRUE(criteria().Active()) << "any entry switches the filter on";
    EXPECT_EQ(criteria().findCondition(0), nullptr);
    ASSERT_NE(criteria().findCondition(3), nullptr);
    EXPECT_EQ(criteria().root().count(), 1);
}

TEST(FilterDropDown, AConditionTheEntriesCannotShowHighlightsTheCustomEntry)
{
    startWith(names({"A", "B"}));
    criteria().addCondition(nullptr, 0, TcxFilterOperatorKind::Like, TVariant("A%"), "A%");
    TcxGridFilterPopup *popup = openDropDown();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->entries().value(popup->itemIndex()), "(定制过滤...)");
    pressKey(popup->listBox(), Qt::Key_Escape);

    // An equal value that no record has any more highlights "(全部显示)".
    criteria().clear();
    criteria().addCondition(nullptr, 0, TcxFilterOperatorKind::Equal, TVariant("Z"), "Z");
    popup = openDropDown();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->itemIndex(), 0);
}

TEST(FilterDropDown, KeysMoveTheHighlightAndEnterPicksIt)
{
    startWith(names({"A", "B", "C"}));
    TcxGridFilterPopup *popup = openDropDown();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->listBox()->hasFocus());
    // From no highlight down past the two special entries and the names to the last.
    for (int i = 0; i < 6; ++i)
        pressKey(popup->listBox(), Qt::Key_Down);
    EXPECT_EQ(popup->entries().value(popup->itemIndex()), "C");
    pressKey(popup->listBox(), Qt::Key_Up);
    pressKey(popup->listBox(), Qt::Key_Return);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_EQ(filterText(), "(药品列表 = B)");
}

TEST(FilterDropDown, ReleasingOutsideTheEntriesPicksNothing)
{
    startWith(names({"A", "B"}));
    TcxGridFilterPopup *popup = openDropDown();
    ASSERT_NE(popup, nullptr);
    // The release of the press that opened it lands on the header, not on an entry.
    QTest::mouseRelease(popup, Qt::LeftButton, {}, QPoint(-5, -5));
    EXPECT_TRUE(popup->isVisible());
    EXPECT_TRUE(criteria().isEmpty());
}

TEST(FilterDropDown, FilterButtonLooksPressedWhileItsDropDownIsOpen)
{
    startWith(names({"A", "B"}));
    TcxGrid &grid = *Form1->cxGrid2;
    const QRect button = view().filterButtonRect(0);
    const auto topLeftPixel = [&] {
        QImage image(grid.size(), QImage::Format_RGB32);
        grid.render(&image);
        return image.pixelColor(button.topLeft());
    };
    EXPECT_EQ(topLeftPixel(), toQColor(clBtnHighlight));
    TcxGridFilterPopup *popup = openDropDown();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(topLeftPixel(), toQColor(clBtnShadow));
    pressKey(popup->listBox(), Qt::Key_Escape);
    EXPECT_EQ(topLeftPixel(), toQColor(clBtnHighlight));
}

TEST(FilterDropDown, CustomEntryOpensTheCustomDialogOrTheBuilderWhenTheFilterDoesNotFit)
{
    startWith(names({"A", "B"}));
    bool customShown = false;
    whenShown<TcxFilterDialog>([&](TcxFilterDialog *dialog) {
        customShown = true;
        dialog->SetModalResult(mrCancel);
    });
    ASSERT_TRUE(pick("(定制过滤...)"));
    EXPECT_TRUE(customShown);
    EXPECT_TRUE(criteria().isEmpty());

    // Three conditions on one column do not fit the custom dialog.
    for (const char *value : {"A", "B", "C"})
        criteria().addCondition(nullptr, 0, TcxFilterOperatorKind::Equal, TVariant(value), value);
    ASSERT_FALSE(fitsCustomFilterDialog(criteria()));
    bool builderShown = false;
    whenShown<TfmFilterControlDialog>([&](TfmFilterControlDialog *dialog) {
        builderShown = true;
        dialog->SetModalResult(mrCancel);
    });
    ASSERT_TRUE(pick("(定制过滤...)"));
    EXPECT_TRUE(builderShown);
    EXPECT_EQ(criteria().root().count(), 3);
}

TEST(FilterDropDown, FilterButtonLooksActiveWhileTheColumnIsFiltered)
{
    startWith(names({"A", "B"}));
    TcxGrid &grid = *Form1->cxGrid2;
    ASSERT_TRUE(grid.isColumnFiltered);
    EXPECT_FALSE(grid.isColumnFiltered(0));
    ASSERT_TRUE(pick("B"));
    EXPECT_TRUE(grid.isColumnFiltered(0));
    // The active look draws the button's mark in blue.
    QImage image(grid.size(), QImage::Format_RGB32);
    grid.render(&image);
    const QRect button = view().filterButtonRect(0);
    bool blue = false;
    for (int y = button.top(); y <= button.bottom(); ++y)
        for (int x = button.left(); x <= button.right(); ++x)
            blue = blue || image.pixelColor(x, y) == toQColor(clBlue);
    EXPECT_TRUE(blue);
    ASSERT_TRUE(pick("(全部显示)"));
    EXPECT_FALSE(grid.isColumnFiltered(0));
}

TEST(FilterDropDown, ClosingItActivatesTheMainWindowAgainWhichChecksTheDataFile)
{
    TRecordingPlatform platform;
    TMessageRecorder recorder;
    TForm1 *form = startWith(names({"A", "B", "C"}));
    form->cds->Next();
    const int recordNumber = form->cds->RecNo();

    TcxGridFilterPopup *popup = openDropDown();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(waitFor([popup] { return Application->Screen().FocusedForm() == popup; }));
    pressKey(popup->listBox(), Qt::Key_Escape);
    EXPECT_TRUE(waitFor([] { return Application->Screen().FocusedForm() == Form1; }));
    EXPECT_TRUE(recorder.messages.isEmpty());
    EXPECT_EQ(form->cds->RecNo(), recordNumber) << "the check does not reload";

    // A file changed meanwhile fails the check when the drop-down closes again.
    popup = openDropDown();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(waitFor([popup] { return Application->Screen().FocusedForm() == popup; }));
    writeDataFile(dataFile(names({"A", "B", "C"})) + "x");
    ASSERT_TRUE(pickEntry(*popup, "B"));
    EXPECT_TRUE(waitFor([] { return Application->Screen().FocusedForm() == Form1; }));
    EXPECT_EQ(recorder.messages, QStringList{"数据文件错误！"});
    EXPECT_TRUE(waitFor([] { return Application->Terminated(); }));
}

namespace {

// Notes, as each plain message box shows, whether the drop-down was still on the screen.
class TShownUnder : public QObject
{
public:
    explicit TShownUnder(const QWidget &popup) : m_popup(popup) { qApp->installEventFilter(this); }
    ~TShownUnder() override { qApp->removeEventFilter(this); }
    QStringList seen;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<TMessageForm *>(watched))
            seen << ((m_popup.isVisible() || m_popup.testAttribute(Qt::WA_Mapped))
                         ? QStringLiteral("over the drop-down")
                         : QStringLiteral("alone"));
        return false;
    }

private:
    const QWidget &m_popup;
};

} // namespace

TEST(FilterDropDown, TheCheckAfterClosingItShowsItsMessageOnlyOnceTheDropDownIsGone)
{
    for (const int key : {int(Qt::Key_Escape), int(Qt::Key_Return)}) {
        SCOPED_TRACE(key);
        TRecordingPlatform platform;
        TMessageRecorder recorder;
        startWith(names({"A", "B", "C"}));
        TcxGridFilterPopup *popup = openDropDown();
        ASSERT_NE(popup, nullptr);
        EXPECT_TRUE(waitFor([popup] { return Application->Screen().FocusedForm() == popup; }));
        writeDataFile(dataFile(names({"A", "B", "C"})) + "x");
        pressKey(popup->listBox(), Qt::Key_Down);
        TShownUnder shown(*popup);
        pressKey(popup->listBox(), key);
        EXPECT_TRUE(waitFor([] { return Application->Screen().FocusedForm() == Form1; }));
        EXPECT_EQ(recorder.messages, QStringList{"数据文件错误！"});
        EXPECT_EQ(shown.seen, QStringList{"alone"});
        Application->DestroyForm(Form1);
    }
}

TEST(FilterDropDown, WidestEntryIsTheWidestMeasuredTextWithoutMeasuringEveryText)
{
    // Kerning Latin pairs, digits and full-width punctuation beside Han characters, a line
    // break, a byte that is not GBK, an empty name: each list's widest text as the font
    // measures it, whichever kind of text that is.
    const std::vector<std::vector<std::string>> lists = {
        {g("阿莫西林"), g("板蓝根颗粒"), g("维生素C片")},
        {"AVAVAVAVAVAV", "WWWWWWWWWW", g("葡萄糖"), "To.To.To.To."},
        {g("感冒灵颗粒，复方"), g("感冒灵颗粒") + "12", g("阿莫") + "\n" + g("西林胶囊")},
        {g("甲") + "\xFF" + g("乙"), "", g("丙丁戊己庚辛")},
        {"ii", "WAVE", "LT", "Ty"},
    };
    std::shared_ptr<TcxGridFilterPopup::TAdvanceTable> advances;
    for (const QFont &font : {QFont(QString::fromUtf8("宋体"), 9), QFont("DejaVu Sans", 14)}) {
        for (const std::vector<std::string> &list : lists) {
            std::vector<TcxFilterValueItem> items;
            int widest = 0;
            for (const std::string &text : list) {
                items.push_back({TcxFilterValueItemKind::fviValue, text, text});
                widest = std::max(widest, QFontMetrics(font).horizontalAdvance(toQString(text)));
            }
            // Twice: the second call reads the characters' advances it learnt.
            for (int round = 0; round < 2; ++round)
                EXPECT_EQ(TcxGridFilterPopup::widestTextWidth(font, items, advances), widest)
                    << font.family().toStdString() << ", " << list.front();
        }
    }
}
