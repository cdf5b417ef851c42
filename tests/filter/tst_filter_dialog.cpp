#include "filterdialogs/cxFilterDialog.h"
#include "filterdialogs/OperatorText.h"
#include "editors/cxMaskEdit.h"

#include "criteria/cxDataFilterCriteria.h"
#include "criteria/cxFilterCriteria.h"

#include "shell/Application.h"
#include "platformui/GbkQt.h"
#include "ModalDriver.h"
#include "RecordingPlatform.h"
#include "platformui/SystemColors.h"

#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// The custom filter dialog, driven by simulated input inside its modal loop: what it shows
// when it opens, its operator rows, and what it leaves in the criteria.
namespace {

constexpr int NameColumn = 0;
constexpr int IndicationColumn = 3;

std::string gbk(const char *utf8)
{
    return toGbk(QString::fromUtf8(utf8)).value();
}

QString text(const std::string &gbkBytes)
{
    return toQString(gbkBytes);
}

// A list of a few records whose generic names and indications the criteria tests.
class TTestList
{
public:
    TTestList()
    {
        TcxDataFilterItems items;
        items.count = [] { return 13; };
        items.value = [this](int record, int item) -> std::optional<std::string_view> {
            const auto &value = item == NameColumn ? m_names.at(record) : m_indications.at(record);
            if (!value) return std::nullopt;
            return std::string_view(*value);
        };
        items.caption = [](int item) {
            return item == NameColumn         ? gbk("药品列表")
                   : item == IndicationColumn ? gbk("适用症")
                                              : std::string();
        };
        criteria.setItems(std::move(items));
        criteria.OnChanged = [this] { ++changes; };
    }

    // Records: null, empty text, 感冒灵, 小儿咳喘灵.
    std::vector<std::optional<std::string>> m_names = {std::nullopt, std::string(), gbk("感冒灵"),
                                                       gbk("小儿咳喘灵")};
    std::vector<std::optional<std::string>> m_indications = {std::nullopt, std::nullopt,
                                                             gbk("头痛"), std::nullopt};

    std::vector<int> passing() const
    {
        std::vector<int> records;
        for (int i = 0; i < static_cast<int>(m_names.size()); ++i)
            if (criteria.matches(i)) records.push_back(i);
        return records;
    }

    TcxDataFilterCriteria criteria;
    int changes = 0;
};

TcxFilterDialogColumn nameColumn(TcxFilterValueType type = TcxFilterValueType::Text)
{
    TcxFilterDialogColumn column;
    column.index = NameColumn;
    column.caption = QStringLiteral("药品列表");
    column.valueType = type;
    return column;
}

TcxMaskEdit *maskEdit(QWidget *editor)
{
    auto *edit = qobject_cast<TcxMaskEdit *>(editor);
    EXPECT_TRUE(edit);
    return edit;
}

// Picks an entry of an operator list with the arrow keys, as a user without the mouse does;
// every entry passed on the way is chosen for a moment.
void chooseOperator(QComboBox *operators, const QString &entry)
{
    const int wanted = operators->findText(entry);
    ASSERT_GE(wanted, 0);
    while (operators->currentIndex() < wanted)
        QTest::keyClick(operators, Qt::Key_Down);
    while (operators->currentIndex() > wanted)
        QTest::keyClick(operators, Qt::Key_Up);
    ASSERT_EQ(operators->currentText(), entry);
}

// Types characters one by one, each as a key press carrying its text.
void typeText(QWidget *editor, const QString &typed)
{
    for (QChar c : typed) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(editor, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(editor, &release);
    }
}

void replaceText(QWidget *editor, const QString &typed)
{
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(editor, Qt::Key_Backspace);
    typeText(editor, typed);
}

// Runs the dialog through the entry function and drives it with `script` once it shows; the
// script must close it.
bool runDialog(TcxFilterCriteria &criteria, const std::function<void(TcxFilterDialog &)> &script,
               const TcxFilterDialogColumn &column = nameColumn())
{
    bool shown = false;
    whenShown<TcxFilterDialog>([&](TcxFilterDialog *dialog) {
        shown = true;
        script(*dialog);
    });
    const bool ok = executeCustomFilterDialog(criteria, column);
    EXPECT_TRUE(shown);
    return ok;
}

std::unique_ptr<TcxFilterDialog> makeDialog(TcxFilterCriteria &criteria,
                                            const TcxFilterDialogColumn &column = nameColumn())
{
    return std::make_unique<TcxFilterDialog>(criteria, column,
                                             *filterEditHelper(TcxColumnEditorKind::MaskEdit));
}

TEST(FilterDialogFit, TableOfCriteria)
{
    using Kind = TcxFilterOperatorKind;
    using Bool = TcxFilterBoolOperatorKind;
    struct TCase
    {
        const char *name;
        std::function<void(TcxFilterCriteria &)> build;
        bool fits;
    };
    auto condition = [](TcxFilterCriteria &c, TcxFilterCriteriaItemList *parent, int column,
                        Kind kind) { c.addCondition(parent, column, kind, TVariant("A"), "A"); };
    auto pair = [&](TcxFilterCriteria &c, Bool op, int first, int second, Kind kind) {
        TcxFilterCriteriaItemList *group = c.addGroup(nullptr, op);
        condition(c, group, first, kind);
        condition(c, group, second, kind);
        return group;
    };
    const std::vector<TCase> cases = {
        {"empty", [](TcxFilterCriteria &) {}, true},
        {"empty with an OR root, which the dialog sets back to AND",
         [](TcxFilterCriteria &c) { c.root().setBoolOperator(Bool::Or); }, true},
        {"one like condition", [&](auto &c) { condition(c, nullptr, 0, Kind::Like); }, true},
        {"a blank test", [](auto &c) { c.addCondition(nullptr, 0, Kind::Equal, TVariant(), "x"); },
         true},
        {"conditions on two columns",
         [&](auto &c) {
             condition(c, nullptr, 0, Kind::Less);
             condition(c, nullptr, 3, Kind::NotLike);
         },
         true},
        {"two conditions of one column at the root",
         [&](auto &c) {
             condition(c, nullptr, 0, Kind::Equal);
             condition(c, nullptr, 0, Kind::Equal);
         },
         false},
        {"AND group on one column", [&](auto &c) { pair(c, Bool::And, 0, 0, Kind::Like); }, true},
        {"OR group on one column beside another column",
         [&](auto &c) {
             condition(c, nullptr, 3, Kind::Equal);
             pair(c, Bool::Or, 0, 0, Kind::GreaterEqual);
         },
         true},
        {"NOT AND group", [&](auto &c) { pair(c, Bool::NotAnd, 0, 0, Kind::Like); }, false},
        {"NOT OR group", [&](auto &c) { pair(c, Bool::NotOr, 0, 0, Kind::Like); }, false},
        {"group on two columns", [&](auto &c) { pair(c, Bool::Or, 0, 3, Kind::Like); }, false},
        {"group of three",
         [&](auto &c) { condition(c, pair(c, Bool::Or, 0, 0, Kind::Like), 0, Kind::Like); }, false},
        {"group of one",
         [&](auto &c) { condition(c, c.addGroup(nullptr, Bool::And), 0, Kind::Like); }, false},
        {"nested group",
         [&](auto &c) {
             TcxFilterCriteriaItemList *outer = c.addGroup(nullptr, Bool::And);
             condition(c, outer, 0, Kind::Like);
             TcxFilterCriteriaItemList *inner = c.addGroup(outer, Bool::And);
             condition(c, inner, 0, Kind::Like);
             condition(c, inner, 0, Kind::Like);
         },
         false},
        {"group and condition on the same column",
         [&](auto &c) {
             pair(c, Bool::Or, 0, 0, Kind::Like);
             condition(c, nullptr, 0, Kind::Equal);
         },
         false},
        {"between condition",
         [](auto &c) {
             c.addCondition(nullptr, 0, Kind::Between, TVariant::array({"A", "F"}), "A 并且 F");
         },
         false},
        {"in-list condition in a group", [&](auto &c) { pair(c, Bool::Or, 0, 0, Kind::InList); },
         false},
        {"date condition", [&](auto &c) { condition(c, nullptr, 0, Kind::Today); }, false},
        {"OR root",
         [&](auto &c) {
             c.root().setBoolOperator(Bool::Or);
             condition(c, nullptr, 0, Kind::Like);
         },
         false},
        {"NOT AND root",
         [&](auto &c) {
             c.root().setBoolOperator(Bool::NotAnd);
             condition(c, nullptr, 0, Kind::Like);
         },
         false},
    };
    for (const TCase &row : cases) {
        SCOPED_TRACE(row.name);
        TcxFilterCriteria criteria;
        row.build(criteria);
        EXPECT_EQ(fitsCustomFilterDialog(criteria), row.fits);
    }
}

TEST(FilterDialogOperators, MapToCriteriaKindsAndBack)
{
    using Op = TcxFilterEditorOperator;
    using Kind = TcxFilterOperatorKind;
    struct TCase
    {
        Op op;
        Kind kind;
        const char *text;
    };
    const std::vector<TCase> cases = {
        {Op::Equal, Kind::Equal, "等于"},          {Op::NotLike, Kind::NotLike, "不相似"},
        {Op::Null, Kind::Equal, "为空"},         {Op::NotNull, Kind::NotEqual, "不为空"},
        {Op::Between, Kind::Between, "在...之间"}, {Op::NotInList, Kind::NotInList, "不包含"},
        {Op::Yesterday, Kind::Yesterday, "昨天"},  {Op::NextYear, Kind::NextYear, "下一年"},
    };
    TcxFilterCriteria criteria;
    for (const TCase &row : cases) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(criteriaKind(row.op), row.kind);
        EXPECT_EQ(operatorText(row.op), QString::fromUtf8(row.text));
        const TVariant value = isNullTest(row.op) ? TVariant() : TVariant("A");
        const TcxFilterCriteriaItem *condition =
            criteria.addCondition(nullptr, 0, row.kind, value, "A");
        EXPECT_EQ(editorOperatorOf(*condition), row.op);
    }
    // Every number round-trips through its kind, the blank tests through a null value.
    for (int number = 1; number <= 26; ++number) {
        const auto op = static_cast<Op>(number);
        const TVariant value = isNullTest(op) ? TVariant() : TVariant("A");
        EXPECT_EQ(editorOperatorOf(*criteria.addCondition(nullptr, 0, criteriaKind(op), value, "")),
                  op)
            << number;
    }
}

TEST(FilterDialog, OpensOnAnUnfilteredColumn)
{
    TTestList list;
    const bool ok = runDialog(list.criteria, [](TcxFilterDialog &dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("定制过滤"));
        EXPECT_EQ(dialog.lblTitle->text(), QStringLiteral("显示条件行:"));
        EXPECT_EQ(dialog.lblColumnCaption->text(), QStringLiteral("药品列表 "));
        EXPECT_EQ(dialog.rbAnd->text(), QStringLiteral("并且"));
        EXPECT_EQ(dialog.rbOr->text(), QStringLiteral("或者"));
        EXPECT_EQ(dialog.btnOK->text(), QStringLiteral("确定"));
        EXPECT_EQ(dialog.btnCancel->text(), QStringLiteral("取消"));
        EXPECT_EQ(dialog.lblSingle->text(), QStringLiteral("使用 _ 表示任何单个字符"));
        EXPECT_EQ(dialog.lblSeries->text(), QStringLiteral("使用 % 表示任意字符"));

        const QStringList operators = {"等于",     "不等于", "小于",   "小于等于", "大于",
                                       "大于等于", "相似",   "不相似", "为空",     "不为空"};
        QStringList first, second;
        for (int i = 0; i < dialog.cbOperator1->count(); ++i)
            first << dialog.cbOperator1->itemText(i);
        for (int i = 0; i < dialog.cbOperator2->count(); ++i)
            second << dialog.cbOperator2->itemText(i);
        EXPECT_EQ(first, operators);
        EXPECT_EQ(second, QStringList{QString()} + operators);
        EXPECT_EQ(dialog.cbOperator1->currentText(), QStringLiteral("相似"));
        EXPECT_EQ(dialog.cbOperator2->currentIndex(), 0);
        EXPECT_EQ(dialog.operator2(), TcxFilterEditorOperator::None);

        for (QWidget *editor : {dialog.Edit1, dialog.Edit2}) {
            EXPECT_TRUE(maskEdit(editor)->text().isEmpty());
            EXPECT_TRUE(maskEdit(editor)->EditValue().isNull());
        }
        EXPECT_TRUE(dialog.rbAnd->isChecked());
        EXPECT_FALSE(dialog.rbOr->isChecked());
        EXPECT_FALSE(dialog.lblSingle->isHidden());
        EXPECT_FALSE(dialog.lblSeries->isHidden());
        EXPECT_EQ(dialog.focusWidget(), dialog.cbOperator1);
        QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
    });
    EXPECT_FALSE(ok);
}

TEST(FilterDialog, ControlsSitAtTheirPlacesInTabOrder)
{
    TTestList list;
    auto dialog = makeDialog(list.criteria);
    EXPECT_EQ(dialog->size(), QSize(414, 175));
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_TRUE(dialog->windowFlags() & Qt::WindowContextHelpButtonHint);
    EXPECT_EQ(dialog->font().family(), QStringLiteral("MS Sans Serif"));
    EXPECT_EQ(dialog->font().pixelSize(), 11);
    struct TPlace
    {
        QWidget *control;
        QRect geometry;
    };
    const std::vector<TPlace> sized = {
        {dialog->bvlLine, {8, 34, 396, 4}},      {dialog->cbOperator1, {8, 46, 193, 21}},
        {dialog->Edit1, {208, 46, 193, 21}},     {dialog->rbAnd, {56, 74, 60, 17}},
        {dialog->rbOr, {120, 74, 65, 17}},       {dialog->cbOperator2, {8, 96, 193, 21}},
        {dialog->Edit2, {208, 96, 193, 21}},     {dialog->btnOK, {248, 144, 75, 23}},
        {dialog->btnCancel, {330, 144, 75, 23}},
    };
    for (const TPlace &place : sized) {
        SCOPED_TRACE(place.control->objectName().toStdString());
        EXPECT_EQ(place.control->geometry(), place.geometry);
    }
    const std::vector<std::pair<QWidget *, QPoint>> labels = {
        {dialog->lblTitle, {8, 8}},
        {dialog->lblColumnCaption, {8, 27}},
        {dialog->lblSingle, {8, 134}},
        {dialog->lblSeries, {8, 153}},
    };
    for (const auto &[label, position] : labels) {
        SCOPED_TRACE(label->objectName().toStdString());
        EXPECT_EQ(label->pos(), position);
    }

    const std::vector<QWidget *> expected = {
        dialog->cbOperator1, dialog->Edit1, dialog->rbAnd, dialog->rbOr,
        dialog->cbOperator2, dialog->Edit2, dialog->btnOK, dialog->btnCancel};
    std::vector<QWidget *> order;
    QWidget *widget = dialog->cbOperator1;
    do {
        if (widget->focusPolicy() & Qt::TabFocus) order.push_back(widget);
        widget = widget->nextInFocusChain();
    } while (widget != dialog->cbOperator1 && order.size() < 20);
    EXPECT_EQ(order, expected);
}

TEST(FilterDialog, HintLinesShowWhileARowMatchesPatterns)
{
    struct TCase
    {
        const char *first;
        const char *second;
        bool visible;
    };
    const std::vector<TCase> cases = {
        {"等于", "", false},      {"不相似", "", true},   {"等于", "相似", true},
        {"为空", "不相似", true}, {"相似", "大于", true}, {"小于", "不为空", false},
    };
    TTestList list;
    auto dialog = makeDialog(list.criteria);
    for (const TCase &row : cases) {
        SCOPED_TRACE(std::string(row.first) + " / " + row.second);
        chooseOperator(dialog->cbOperator1, QString::fromUtf8(row.first));
        chooseOperator(dialog->cbOperator2, QString::fromUtf8(row.second));
        EXPECT_EQ(!dialog->lblSingle->isHidden(), row.visible);
        EXPECT_EQ(!dialog->lblSeries->isHidden(), row.visible);
    }
}

TEST(FilterDialog, LeavingPatternsDeletesTheWildcardsOfThatRowOnly)
{
    TTestList list;
    auto dialog = makeDialog(list.criteria);
    TcxMaskEdit *first = maskEdit(dialog->Edit1);
    TcxMaskEdit *second = maskEdit(dialog->Edit2);
    chooseOperator(dialog->cbOperator2, QStringLiteral("相似"));
    EXPECT_EQ(first->allowedChars(), QStringLiteral("%_"));
    // The second byte of 沖 in GBK is the byte of "_": deleting by bytes would break it.
    typeText(first, QStringLiteral("%沖_感冒%"));
    typeText(second, QStringLiteral("_咳%"));

    chooseOperator(dialog->cbOperator1, QStringLiteral("不相似"));
    EXPECT_EQ(first->text(), QStringLiteral("%沖_感冒%"));
    chooseOperator(dialog->cbOperator1, QStringLiteral("等于"));
    EXPECT_EQ(first->text(), QStringLiteral("沖感冒"));
    EXPECT_TRUE(first->allowedChars().isEmpty());
    first->postEditValue();
    EXPECT_EQ(first->EditValue(), TVariant(gbk("沖感冒")));
    EXPECT_EQ(second->text(), QStringLiteral("_咳%"));

    chooseOperator(dialog->cbOperator2, QStringLiteral("大于"));
    EXPECT_EQ(second->text(), QStringLiteral("咳"));
}

TEST(FilterDialog, TheEditorSelectsItsTextOnEntryAndTakesItOnLeaving)
{
    TTestList list;
    list.criteria.addCondition(nullptr, NameColumn, TcxFilterOperatorKind::Equal,
                               TVariant(gbk("感冒灵")), gbk("感冒灵"));
    runDialog(list.criteria, [](TcxFilterDialog &dialog) {
        TcxMaskEdit *edit = maskEdit(dialog.Edit1);
        ASSERT_TRUE(waitFor([&] { return dialog.cbOperator1->hasFocus(); }));
        QTest::keyClick(dialog.cbOperator1, Qt::Key_Tab);
        ASSERT_TRUE(edit->hasFocus());
        EXPECT_EQ(edit->selectedText(), QStringLiteral("感冒灵"));
        typeText(edit, QStringLiteral("咳"));
        EXPECT_TRUE(edit->EditValue() == TVariant(gbk("感冒灵"))) << "taken only on leaving";
        QTest::keyClick(edit, Qt::Key_Tab);
        EXPECT_TRUE(dialog.rbAnd->hasFocus());
        EXPECT_FALSE(edit->hasSelectedText());
        EXPECT_TRUE(edit->EditValue() == TVariant(gbk("咳")));
        QTest::mouseClick(dialog.btnCancel, Qt::LeftButton);
    });
}

TEST(FilterDialog, TheEditorRefusesTextThatGbkCannotHold)
{
    TTestList list;
    auto dialog = makeDialog(list.criteria);
    TcxMaskEdit *edit = maskEdit(dialog->Edit1);
    typeText(edit, QStringLiteral("感冒"));
    typeText(edit, QString::fromUtf8("\xF0\x9F\x98\x80")); // an emoji, outside GBK
    typeText(edit, QStringLiteral("€"));
    EXPECT_EQ(edit->text(), QStringLiteral("感冒€"));
}

// What OK leaves in the criteria, from a given start, for the rows as the user sets them.
TEST(FilterDialog, OkReplacesTheColumnsConditions)
{
    struct TCase
    {
        const char *name;
        std::function<void(TcxFilterCriteria &)> start;
        std::function<void(TcxFilterDialog &)> input;
        const char *filterText;
    };
    auto likeRow1 = [](TcxFilterDialog &d) {
        chooseOperator(d.cbOperator1, QStringLiteral("相似"));
        replaceText(d.Edit1, QStringLiteral("%感冒%"));
    };
    auto indication = [](TcxFilterCriteria &c) {
        c.addCondition(nullptr, IndicationColumn, TcxFilterOperatorKind::Like,
                       TVariant(gbk("%头痛%")), gbk("%头痛%"));
    };
    const std::vector<TCase> cases = {
        {"one row", [](auto &) {}, likeRow1, "(药品列表 LIKE %感冒%)"},
        {"two rows joined by or", [](auto &) {},
         [&](TcxFilterDialog &d) {
             likeRow1(d);
             QTest::mouseClick(d.rbOr, Qt::LeftButton);
             chooseOperator(d.cbOperator2, QStringLiteral("相似"));
             typeText(d.Edit2, QStringLiteral("%咳%"));
         },
         "((药品列表 LIKE %感冒%) 或者 (药品列表 LIKE %咳%))"},
        {"two rows joined by and", [](auto &) {},
         [&](TcxFilterDialog &d) {
             likeRow1(d);
             QTest::mouseClick(d.rbOr, Qt::LeftButton);
             QTest::mouseClick(d.rbAnd, Qt::LeftButton);
             chooseOperator(d.cbOperator2, QStringLiteral("不等于"));
             typeText(d.Edit2, QStringLiteral("感冒灵"));
         },
         "((药品列表 LIKE %感冒%) 并且 (药品列表 <> 感冒灵))"},
        {"a second row set back to the empty entry adds nothing", [](auto &) {},
         [&](TcxFilterDialog &d) {
             likeRow1(d);
             chooseOperator(d.cbOperator2, QStringLiteral("等于"));
             typeText(d.Edit2, QStringLiteral("感冒灵"));
             chooseOperator(d.cbOperator2, QString());
         },
         "(药品列表 LIKE %感冒%)"},
        {"the column's condition is replaced, the other column's kept",
         [&](TcxFilterCriteria &c) {
             c.addCondition(nullptr, NameColumn, TcxFilterOperatorKind::Equal,
                            TVariant(gbk("感冒灵")), gbk("感冒灵"));
             indication(c);
         },
         likeRow1, "(适用症 LIKE %头痛%) 并且 (药品列表 LIKE %感冒%)"},
        {"the column's group is replaced",
         [&](TcxFilterCriteria &c) {
             TcxFilterCriteriaItemList *group = c.addGroup(nullptr, TcxFilterBoolOperatorKind::Or);
             c.addCondition(group, NameColumn, TcxFilterOperatorKind::Equal, TVariant("A"), "A");
             c.addCondition(group, NameColumn, TcxFilterOperatorKind::Equal, TVariant("B"), "B");
             indication(c);
         },
         [](TcxFilterDialog &d) {
             chooseOperator(d.cbOperator2, QString());
             chooseOperator(d.cbOperator1, QStringLiteral("大于"));
             replaceText(d.Edit1, QStringLiteral("C"));
         },
         "(适用症 LIKE %头痛%) 并且 (药品列表 > C)"},
        {"the root joins by AND again",
         [&](TcxFilterCriteria &c) {
             indication(c);
             c.root().setBoolOperator(TcxFilterBoolOperatorKind::Or);
         },
         likeRow1, "(适用症 LIKE %头痛%) 并且 (药品列表 LIKE %感冒%)"},
    };
    for (const TCase &row : cases) {
        SCOPED_TRACE(row.name);
        TTestList list;
        row.start(list.criteria);
        list.changes = 0;
        const bool ok = runDialog(list.criteria, [&](TcxFilterDialog &dialog) {
            row.input(dialog);
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        });
        EXPECT_TRUE(ok);
        EXPECT_EQ(text(list.criteria.filterText()), QString::fromUtf8(row.filterText));
        EXPECT_EQ(list.changes, 1) << "one change for the whole result";
        EXPECT_EQ(list.criteria.root().boolOperator(), TcxFilterBoolOperatorKind::And);
    }
}

TEST(FilterDialog, AnUntouchedEditorGivesNullAndAnEmptiedOneTheEmptyText)
{
    struct TCase
    {
        const char *name;
        std::function<void(QWidget *)> input;
        bool nullValue;
        std::vector<int> passing; // records: null, empty, 感冒灵, 小儿咳喘灵
    };
    const std::vector<TCase> cases = {
        {"never typed into", [](QWidget *) {}, true, {0}},
        {"typed into and emptied",
         [](QWidget *edit) {
             typeText(edit, QStringLiteral("x"));
             QTest::keyClick(edit, Qt::Key_Backspace);
         },
         false,
         {1}},
    };
    for (const TCase &row : cases) {
        SCOPED_TRACE(row.name);
        TTestList list;
        list.criteria.SetActive(true);
        runDialog(list.criteria, [&](TcxFilterDialog &dialog) {
            chooseOperator(dialog.cbOperator1, QStringLiteral("等于"));
            row.input(dialog.Edit1);
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        });
        const TcxFilterCriteriaItem *condition = list.criteria.findCondition(NameColumn);
        ASSERT_TRUE(condition);
        EXPECT_EQ(condition->value().isNull(), row.nullValue);
        EXPECT_EQ(condition->operatorKind(), TcxFilterOperatorKind::Equal);
        EXPECT_EQ(text(list.criteria.filterText()), QStringLiteral("(药品列表 = 空)"));
        EXPECT_EQ(list.passing(), row.passing);
    }
}

TEST(FilterDialog, BlankTestsIgnoreTheEditorsText)
{
    struct TCase
    {
        const char *entry;
        TcxFilterOperatorKind kind;
        const char *filterText;
    };
    const std::vector<TCase> cases = {
        {"为空", TcxFilterOperatorKind::Equal, "(药品列表 = 空)"},
        {"不为空", TcxFilterOperatorKind::NotEqual, "(药品列表 <> 空)"},
    };
    for (const TCase &row : cases) {
        SCOPED_TRACE(row.entry);
        TTestList list;
        runDialog(list.criteria, [&](TcxFilterDialog &dialog) {
            typeText(dialog.Edit1, QStringLiteral("感冒灵"));
            chooseOperator(dialog.cbOperator1, QString::fromUtf8(row.entry));
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        });
        const TcxFilterCriteriaItem *condition = list.criteria.findCondition(NameColumn);
        ASSERT_TRUE(condition);
        EXPECT_EQ(condition->operatorKind(), row.kind);
        EXPECT_TRUE(condition->value().isNull());
        EXPECT_EQ(text(list.criteria.filterText()), QString::fromUtf8(row.filterText));
    }
}

TEST(FilterDialog, ReopensWithBothConditionsAndTheJoiningWord)
{
    struct TCase
    {
        const char *name;
        std::function<void(TcxFilterDialog &)> input;
        const char *first;
        const char *firstText;
        bool orChecked;
        const char *second;
        const char *secondText;
        bool hints;
    };
    const std::vector<TCase> cases = {
        {"or of two patterns",
         [](TcxFilterDialog &d) {
             typeText(d.Edit1, QStringLiteral("%感冒%"));
             QTest::mouseClick(d.rbOr, Qt::LeftButton);
             chooseOperator(d.cbOperator2, QStringLiteral("相似"));
             typeText(d.Edit2, QStringLiteral("%咳%"));
         },
         "相似", "%感冒%", true, "相似", "%咳%", true},
        {"and of a blank test and a name with a percent sign",
         [](TcxFilterDialog &d) {
             chooseOperator(d.cbOperator1, QStringLiteral("不为空"));
             chooseOperator(d.cbOperator2, QStringLiteral("不等于"));
             typeText(d.Edit2, QStringLiteral("0.9%氯化钠"));
         },
         "不为空", "", false, "不等于", "0.9%氯化钠", false},
    };
    for (const TCase &row : cases) {
        SCOPED_TRACE(row.name);
        TTestList list;
        runDialog(list.criteria, [&](TcxFilterDialog &dialog) {
            row.input(dialog);
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        });
        const std::string before = list.criteria.writeToStream();
        runDialog(list.criteria, [&](TcxFilterDialog &dialog) {
            EXPECT_EQ(dialog.cbOperator1->currentText(), QString::fromUtf8(row.first));
            EXPECT_EQ(maskEdit(dialog.Edit1)->text(), QString::fromUtf8(row.firstText));
            EXPECT_EQ(dialog.rbOr->isChecked(), row.orChecked);
            EXPECT_EQ(dialog.rbAnd->isChecked(), !row.orChecked);
            EXPECT_EQ(dialog.cbOperator2->currentText(), QString::fromUtf8(row.second));
            EXPECT_EQ(maskEdit(dialog.Edit2)->text(), QString::fromUtf8(row.secondText));
            EXPECT_EQ(!dialog.lblSingle->isHidden(), row.hints);
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        });
        // OK without a change gives the same filter back.
        EXPECT_EQ(list.criteria.writeToStream(), before);
    }
}

TEST(FilterDialog, CancelChangesNothing)
{
    struct TCase
    {
        const char *name;
        std::function<void(TcxFilterDialog &)> close;
    };
    const std::vector<TCase> cases = {
        {"cancel button", [](auto &d) { QTest::mouseClick(d.btnCancel, Qt::LeftButton); }},
        {"Esc in the value editor", [](auto &d) { QTest::keyClick(d.Edit1, Qt::Key_Escape); }},
        {"the window's close box", [](auto &d) { d.Close(); }},
    };
    for (const TCase &row : cases) {
        SCOPED_TRACE(row.name);
        TTestList list;
        list.criteria.addCondition(nullptr, NameColumn, TcxFilterOperatorKind::Equal,
                                   TVariant(gbk("感冒灵")), gbk("感冒灵"));
        list.criteria.SetActive(true);
        const std::string before = list.criteria.writeToStream();
        list.changes = 0;
        const bool ok = runDialog(list.criteria, [&](TcxFilterDialog &dialog) {
            chooseOperator(dialog.cbOperator1, QStringLiteral("相似"));
            replaceText(dialog.Edit1, QStringLiteral("%咳%"));
            chooseOperator(dialog.cbOperator2, QStringLiteral("为空"));
            row.close(dialog);
        });
        EXPECT_FALSE(ok);
        EXPECT_EQ(list.criteria.writeToStream(), before);
        EXPECT_EQ(list.changes, 0);
        EXPECT_TRUE(list.criteria.Active());
    }
}

TEST(FilterDialog, EnterInTheValueEditorClosesWithOk)
{
    TTestList list;
    const bool ok = runDialog(list.criteria, [](TcxFilterDialog &dialog) {
        typeText(dialog.Edit1, QStringLiteral("%灵"));
        QTest::keyClick(dialog.Edit1, Qt::Key_Return);
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(text(list.criteria.filterText()), QStringLiteral("(药品列表 LIKE %灵)"));
}

TEST(FilterDialog, AValueTheFieldCannotTakeKeepsTheDialogOpen)
{
    TRecordingPlatform platform;
    TTestList list;
    const bool ok = runDialog(
        list.criteria,
        [&](TcxFilterDialog &dialog) {
            // A pattern is never converted, so it passes whatever the field.
            typeText(dialog.Edit1, QStringLiteral("1%"));
            chooseOperator(dialog.cbOperator2, QStringLiteral("大于"));
            typeText(dialog.Edit2, QStringLiteral("x"));
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
            EXPECT_EQ(platform.errorBoxes, QStringList{QStringLiteral("输入值非法.")});
            EXPECT_EQ(dialog.ModalResult(), mrNone);
            EXPECT_EQ(dialog.focusWidget(), dialog.Edit2);

            chooseOperator(dialog.cbOperator1, QStringLiteral("等于"));
            replaceText(dialog.Edit1, QStringLiteral("a1"));
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
            EXPECT_EQ(platform.errorBoxes.size(), 2);
            EXPECT_EQ(dialog.focusWidget(), dialog.Edit1);
            EXPECT_TRUE(list.criteria.isEmpty());

            replaceText(dialog.Edit1, QStringLiteral("12"));
            replaceText(dialog.Edit2, QString());
            QTest::mouseClick(dialog.btnOK, Qt::LeftButton);
        },
        nameColumn(TcxFilterValueType::Integer));
    EXPECT_TRUE(ok);
    EXPECT_EQ(platform.errorBoxes.size(), 2);
    // An emptied value of a field that holds no text tests for a blank field.
    EXPECT_EQ(text(list.criteria.filterText()),
              QStringLiteral("((药品列表 = 12) 并且 (药品列表 > 空))"));
    const auto *group =
        static_cast<const TcxFilterCriteriaItemList *>(list.criteria.root().item(0));
    EXPECT_TRUE(static_cast<const TcxFilterCriteriaItem *>(group->item(1))->value().isNull());
}

TEST(FilterDialog, AColumnEditorWithoutValuesOpensNothing)
{
    TTestList list;
    TcxFilterDialogColumn column = nameColumn();
    column.editor = TcxColumnEditorKind::Memo;
    EXPECT_FALSE(executeCustomFilterDialog(list.criteria, column));
    EXPECT_TRUE(list.criteria.isEmpty());
    EXPECT_EQ(list.changes, 0);
}

TEST(FilterDialogPainting, TheCaptionStandsOnTheLine)
{
    TTestList list;
    auto dialog = makeDialog(list.criteria);
    QImage image(dialog->size(), QImage::Format_RGB32);
    dialog->render(&image);
    const QColor face = toQColor(clBtnFace);
    const QRect caption = dialog->lblColumnCaption->geometry();
    // The line runs from the caption's end to the bevel's right end, shadow over highlight.
    for (int x : {caption.right() + 1, 300, 403}) {
        SCOPED_TRACE(x);
        EXPECT_EQ(image.pixelColor(x, 34), toQColor(clBtnShadow));
        EXPECT_EQ(image.pixelColor(x, 35), toQColor(clBtnHighlight));
        EXPECT_EQ(image.pixelColor(x, 36), face);
    }
    EXPECT_EQ(image.pixelColor(404, 34), face);
    // Under the blank after the caption the line is hidden.
    EXPECT_EQ(image.pixelColor(caption.right(), 34), face);
    EXPECT_EQ(image.pixelColor(caption.right(), 35), face);
}

} // namespace
