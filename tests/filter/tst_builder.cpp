#include "filterdialogs/cxFilterControl.h"
#include "criteria/cxFilterOperatorCatalogue.h"
#include "filterdialogs/fmFilterControlDialog.h"
#include "filterdialogs/cxFilterControlDropDown.h"

#include "shell/Application.h"
#include "platformui/Fonts.h"
#include "platformui/GbkQt.h"
#include "ModalDriver.h"
#include "RecordingPlatform.h"
#include "platformui/SystemColors.h"
#include "criteria/cxDataFilterCriteria.h"
#include "criteria/FilterStream.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>

namespace {

using Element = TcxFilterControlElement;
using Op = TcxFilterEditorOperator;

std::string gbk(const char *utf8)
{
    return toGbk(QString::fromUtf8(utf8)).value();
}

const std::array<const char *, 13> Captions = {
    "药品列表",     "作用类别", "药理作用", "适用症", "用法与用量", "禁忌症",  "规格",
    "药物相互作用", "不良反应", "注意事项", "类别",   "电话",       "生产企业"};

using TRecord = std::array<std::optional<std::string>, 13>;

TRecord record(std::optional<std::string> name, std::optional<std::string> indication)
{
    TRecord fields;
    fields[0] = std::move(name);
    fields[3] = std::move(indication);
    return fields;
}

// A stand-in for the drug list: a record store, its criteria and the rows that pass.
struct TTestList
{
    TTestList()
    {
        records = {record("A", gbk("感冒引起的头痛")), record("B1", gbk("咳嗽")),
                   record("F", std::nullopt),          record("F1", gbk("偏头痛")),
                   record(std::nullopt, gbk("发热")),  record("Z", gbk("头晕"))};
        criteria.setItems({[] { return 13; },
                           [this](int recordIndex, int item) -> std::optional<std::string_view> {
                               const auto &value = records.at(recordIndex)[item];
                               if (!value) return std::nullopt;
                               return std::string_view(*value);
                           },
                           [](int item) { return gbk(Captions.at(item)); },
                           [](int item) { return item; }});
        criteria.setFilterChangedHandler([this] { refilter(); });
        refilter();
    }
    void refilter()
    {
        ++filterings;
        rows.clear();
        for (int index = 0; index < static_cast<int>(records.size()); ++index)
            if (!criteria.inForce() || criteria.matches(index)) rows.push_back(index);
    }
    TcxFilterControlLink link()
    {
        TcxFilterControlLink result;
        for (int id = 0; id < 13; ++id)
            result.columns.push_back({QString::fromUtf8(Captions[id]), id, true});
        result.criteria = &criteria;
        result.applied = [this] { ++applies; };
        return result;
    }
    QString filterText() const { return toQString(criteria.filterText()); }

    std::vector<TRecord> records;
    TcxDataFilterCriteria criteria;
    std::vector<int> rows;
    int filterings = 0;
    int applies = 0;
};

QStringList pieceTexts(const TcxFilterControl &control, int row)
{
    QStringList texts;
    for (const TcxFilterControlPiece &piece : control.rowPieces(row))
        texts << piece.text;
    return texts;
}

void click(TcxFilterControl &control, const TcxFilterControlHit &hit)
{
    const QRect rect = control.elementRect(hit);
    ASSERT_FALSE(rect.isNull());
    QTest::mouseClick(control.viewport(), Qt::LeftButton, {}, rect.center());
}

void chooseInDropDown(TcxFilterControl &control, const char *utf8)
{
    TcxFilterControlDropDown *list = control.dropDown();
    ASSERT_TRUE(list->isVisible());
    const auto found = list->findItems(QString::fromUtf8(utf8), Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1) << utf8;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(found[0]).center());
    EXPECT_FALSE(list->isVisible());
}

// Key presses for any text, also characters that have no key of their own.
void typeText(QWidget *widget, const QString &text)
{
    for (QChar character : text) {
        if (character.unicode() < 128) {
            QTest::keyClick(widget, character.toLatin1());
            continue;
        }
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(character), {});
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(character), {});
    }
}

// Types into the focused value: the first character opens the editor, the rest goes to it.
void typeValue(TcxFilterControl &control, const QString &text)
{
    typeText(&control, text.left(1));
    ASSERT_TRUE(control.isEditing());
    typeText(control.valueEditor(), text.mid(1));
    QTest::keyClick(control.valueEditor(), Qt::Key_Return);
    EXPECT_FALSE(control.isEditing());
}

// A dialog shown on the test list, not modally, with the tree editor focused.
struct TShownDialog
{
    explicit TShownDialog(TTestList &list)
    {
        dialog.setLink(list.link());
        dialog.show();
        dialog.activateWindow();
        QApplication::setActiveWindow(&dialog);
        dialog.FilterControl->setFocus();
        waitFor([this] { return dialog.FilterControl->hasFocus(); });
    }
    TcxFilterControl &control() { return *dialog.FilterControl; }
    TfmFilterControlDialog dialog;
};

std::string readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll().toStdString();
}

void writeFile(const QString &path, const std::string &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

// Also keeps the names the save dialog was asked to propose.
class TProposalPlatform : public TRecordingPlatform
{
public:
    QString getSaveFileName(QWidget *owner, const QString &title, const QString &filter,
                            const QString &suffix, const QString &fileName) override
    {
        proposed << fileName;
        filters << filter;
        suffixes << suffix;
        return TRecordingPlatform::getSaveFileName(owner, title, filter, suffix, fileName);
    }
    QStringList proposed;
    QStringList filters;
    QStringList suffixes;
};

} // namespace

TEST(FilterBuilder, EmptyFilterShowsTheRootAndTheAddTextWhichAddsAFirstCondition)
{
    TTestList list;
    TShownDialog shown(list);
    TcxFilterControl &control = shown.control();
    ASSERT_EQ(control.tree().count(), 1);
    EXPECT_EQ(pieceTexts(control, 0), (QStringList{"过滤", "并且", "<根>"}));
    EXPECT_EQ(pieceTexts(control, 1), QStringList{"按此按钮增加新条件"});
    EXPECT_EQ(control.focusedElement(), (TcxFilterControlHit{0, Element::BoolOperator, -1}));

    click(control, {1, Element::AddCondition, -1});
    ASSERT_EQ(control.tree().count(), 2);
    EXPECT_EQ(pieceTexts(control, 1), (QStringList{"...", "药品列表", "等于", "<空>"}));
    EXPECT_EQ(pieceTexts(control, 2), QStringList{"按此按钮增加新条件"});
    EXPECT_EQ(control.focusedElement(), (TcxFilterControlHit{1, Element::Column, -1}));
    // Nothing reaches the list before an apply.
    EXPECT_TRUE(list.criteria.isEmpty());
}

TEST(FilterBuilder, LikeOnAHiddenColumnFiltersTheListWhenApplied)
{
    TTestList list;
    TShownDialog shown(list);
    TcxFilterControl &control = shown.control();
    click(control, {1, Element::AddCondition, -1});
    click(control, {1, Element::Column, -1});
    chooseInDropDown(control, "适用症");
    EXPECT_EQ(control.focusedElement(), (TcxFilterControlHit{1, Element::Operator, -1}));
    click(control, {1, Element::Operator, -1});
    chooseInDropDown(control, "相似");
    EXPECT_EQ(control.focusedElement(), (TcxFilterControlHit{1, Element::Value, 0}));
    typeValue(control, QStringLiteral("%头痛%"));
    EXPECT_EQ(pieceTexts(control, 1), (QStringList{"...", "适用症", "相似", "%头痛%"}));

    const int filteringsBefore = list.filterings;
    QTest::mouseClick(shown.dialog.btApply, Qt::LeftButton);
    EXPECT_EQ(list.filterText(), QStringLiteral("(适用症 LIKE %头痛%)"));
    EXPECT_TRUE(list.criteria.Active());
    EXPECT_EQ(list.rows, (std::vector<int>{0, 3}));
    // The copy and the switch are one change: the list is filtered once per apply.
    EXPECT_EQ(list.filterings, filteringsBefore + 1);
    EXPECT_EQ(list.applies, 1);
    EXPECT_TRUE(shown.dialog.isVisible());
    // The rows come back from the list's copy.
    EXPECT_EQ(pieceTexts(control, 1), (QStringList{"...", "适用症", "相似", "%头痛%"}));
}

TEST(FilterBuilder, EqualWithoutAValueTestsForBlanks)
{
    TTestList list;
    TShownDialog shown(list);
    click(shown.control(), {1, Element::AddCondition, -1});
    QTest::mouseClick(shown.dialog.btApply, Qt::LeftButton);
    EXPECT_EQ(list.filterText(), QStringLiteral("(药品列表 = 空)"));
    EXPECT_EQ(list.rows, std::vector<int>{4});
    // Back from the list, an equality with a null value is the blank test.
    EXPECT_EQ(pieceTexts(shown.control(), 1), (QStringList{"...", "药品列表", "为空"}));
}

TEST(FilterBuilder, BetweenValuesAreStoredInAscendingOrder)
{
    TTestList list;
    TShownDialog shown(list);
    TcxFilterControl &control = shown.control();
    click(control, {1, Element::AddCondition, -1});
    click(control, {1, Element::Operator, -1});
    chooseInDropDown(control, "在...之间");
    typeValue(control, QStringLiteral("F"));
    QTest::keyClick(&control, Qt::Key_Right);
    EXPECT_EQ(control.focusedElement(), (TcxFilterControlHit{1, Element::Value, 1}));
    typeValue(control, QStringLiteral("A"));
    EXPECT_EQ(pieceTexts(control, 1),
              (QStringList{"...", "药品列表", "在...之间", "F", " 并且 ", "A"}));
    QTest::mouseClick(shown.dialog.btApply, Qt::LeftButton);
    EXPECT_EQ(list.filterText(), QStringLiteral("(药品列表 在...之间 A 并且 F)"));
    const auto &condition =
        static_cast<const TcxFilterCriteriaItem &>(*list.criteria.root().item(0));
    EXPECT_EQ(condition.value(), TVariant::array({TVariant("A"), TVariant("F")}));
    EXPECT_EQ(list.rows, (std::vector<int>{0, 1, 2}));
}

TEST(FilterBuilder, InListCollectsEveryValueAndCtrlDeleteDropsOne)
{
    TTestList list;
    TShownDialog shown(list);
    TcxFilterControl &control = shown.control();
    click(control, {1, Element::AddCondition, -1});
    click(control, {1, Element::Operator, -1});
    chooseInDropDown(control, "包含");
    typeValue(control, QStringLiteral("Z"));
    click(control, {1, Element::AddValue, -1});
    EXPECT_EQ(control.focusedElement(), (TcxFilterControlHit{1, Element::Value, 1}));
    typeValue(control, QStringLiteral("B1"));
    click(control, {1, Element::AddValue, -1});
    typeValue(control, QStringLiteral("Q"));
    EXPECT_EQ(pieceTexts(control, 1),
              (QStringList{"...", "药品列表", "包含", "(", "Z", ", ", "B1", ", ", "Q", ")", "+"}));
    QTest::keyClick(&control, Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(control.tree().count(), 2);
    QTest::mouseClick(shown.dialog.btApply, Qt::LeftButton);
    EXPECT_EQ(list.filterText(), QStringLiteral("(药品列表 包含 (Z, B1))"));
    EXPECT_EQ(list.rows, (std::vector<int>{1, 5}));
}

TEST(FilterBuilder, ValueSlotsFollowTheOperator)
{
    const struct
    {
        const char *name;
        Op from;
        std::vector<const char *> values;
        Op to;
        std::vector<const char *> expected; // nullptr for an empty slot
    } cases[] = {
        {"a typed value stays for like", Op::Equal, {"x"}, Op::Like, {"x"}},
        {"between adds an empty second", Op::Equal, {"x"}, Op::Between, {"x", nullptr}},
        {"between keeps two of three", Op::InList, {"x", "y", "z"}, Op::NotBetween, {"x", "y"}},
        {"in-list keeps all", Op::Between, {"x", "y"}, Op::InList, {"x", "y"}},
        {"one-value keeps the first", Op::InList, {"x", "y", "z"}, Op::Less, {"x"}},
        {"no value leaves one empty slot", Op::InList, {"x", "y"}, Op::Null, {nullptr}},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        TcxFilterControlTree tree({{0, true}});
        TcxFilterControlRow &condition = *tree.addCondition(tree.root());
        tree.setOperator(condition, row.from);
        condition.values.clear();
        for (const char *value : row.values)
            condition.values.push_back({TVariant(value), value});
        tree.setOperator(condition, row.to);
        ASSERT_EQ(condition.values.size(), row.expected.size());
        for (size_t index = 0; index < row.expected.size(); ++index) {
            if (row.expected[index])
                EXPECT_EQ(condition.values[index].value, TVariant(row.expected[index]));
            else
                EXPECT_TRUE(condition.values[index].value.isNull());
        }
    }
}

// Every operator of the catalogue that the builder offers is stored with the kind and the
// null value the catalogue gives it, named in the filter text by its word, and shows as the
// same operator when the criteria is read back.
TEST(FilterBuilder, EveryOfferedOperatorRoundTripsThroughTheCriteria)
{
    TcxFilterControlTree tree({{0, true}});
    const std::vector<Op> offered = tree.supportedOperators(0);
    for (const TcxFilterOperatorEntry &entry : filteroperators::Catalogue) {
        if (std::find(offered.begin(), offered.end(), entry.op) == offered.end()) continue;
        SCOPED_TRACE(std::string(entry.word));
        tree.clear();
        TcxFilterControlRow &condition = *tree.addCondition(tree.root());
        tree.setOperator(condition, entry.op);
        for (std::size_t i = 0; i < condition.values.size(); ++i)
            condition.values[i] = {TVariant(i ? "B" : "A"), i ? "B" : "A"};

        TcxFilterCriteria criteria;
        ASSERT_TRUE(tree.build(criteria));
        ASSERT_EQ(criteria.root().count(), 1);
        const auto &item = static_cast<const TcxFilterCriteriaItem &>(*criteria.root().item(0));
        EXPECT_EQ(item.operatorKind(), entry.kind);
        EXPECT_EQ(item.value().isNull(), entry.nullTest);
        // Named by symbol, as the list shows it, and by word, as the builder's text shows it.
        const std::string bySymbol = criteria.filterText();
        EXPECT_TRUE(bySymbol.find(gbk(std::string(entry.symbol).c_str())) != std::string::npos ||
                    bySymbol.find(gbk(std::string(entry.word).c_str())) != std::string::npos)
            << bySymbol;
        criteria.SetOptions({fcoShowOperatorDescription});
        EXPECT_NE(criteria.filterText().find(gbk(std::string(entry.word).c_str())),
                  std::string::npos);

        TcxFilterControlTree loaded({{0, true}});
        loaded.load(criteria);
        ASSERT_EQ(loaded.count(), 2);
        EXPECT_EQ(loaded.row(1)->op, entry.op);
    }
    EXPECT_EQ(offered.size(), 14u);
}

TEST(FilterBuilder, LikeOperatorsNeedATextColumn)
{
    TcxFilterControlTree tree({{0, true}, {7, false}});
    const auto text = tree.supportedOperators(0);
    ASSERT_EQ(text.size(), 14u);
    EXPECT_EQ(text.front(), Op::Equal);
    EXPECT_EQ(text.back(), Op::NotInList);
    const auto other = tree.supportedOperators(1);
    EXPECT_EQ(other.size(), 12u);
    EXPECT_EQ(std::count(other.begin(), other.end(), Op::Like), 0);
    EXPECT_EQ(std::count(other.begin(), other.end(), Op::NotLike), 0);
}

TEST(FilterBuilder, DeletingTheOnlyConditionOfANestedGroupDeletesTheGroup)
{
    TTestList list;
    TShownDialog shown(list);
    TcxFilterControl &control = shown.control();
    click(control, {1, Element::AddCondition, -1}); // row 1
    control.addGroupTo(0);                          // rows 2 (group) and 3
    control.addGroupTo(3);                          // rows 4 (group) and 5, inside row 2
    ASSERT_EQ(control.tree().count(), 6);
    EXPECT_EQ(pieceTexts(control, 2), (QStringList{"...", "并且", "使用下面的条件"}));
    control.addConditionTo(3); // row 6, after the inner group
    ASSERT_EQ(control.tree().count(), 7);
    EXPECT_EQ(control.tree().row(6)->parent(), control.tree().row(2));

    // The inner group holds one condition: deleting it takes the group too.
    control.setFocusedElement({5, Element::Column, -1});
    QTest::keyClick(&control, Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(control.tree().count(), 5);
    EXPECT_EQ(control.focusedElement(), (TcxFilterControlHit{3, Element::Column, -1}));
    EXPECT_FALSE(control.tree().row(4)->isGroup());

    // Deleting the outer group's conditions one by one ends with the group gone as well.
    control.deleteRowAt(4);
    control.deleteRowAt(3);
    ASSERT_EQ(control.tree().count(), 2);
    EXPECT_EQ(control.focusedElement(), (TcxFilterControlHit{1, Element::Column, -1}));
    // The root stays whatever is asked.
    control.deleteRowAt(0);
    EXPECT_EQ(control.tree().count(), 2);
}

TEST(FilterBuilder, RowMenuOffersWhatTheRowAllows)
{
    TTestList list;
    TShownDialog shown(list);
    TcxFilterControl &control = shown.control();
    auto entries = [&] {
        QStringList texts;
        for (QAction *action : control.rowMenu()->actions())
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        return texts;
    };
    click(control, {0, Element::RowButton, -1});
    ASSERT_TRUE(control.rowMenu()->isVisible());
    EXPECT_EQ(entries(), (QStringList{"添加条件(&C)", "添加组(&G)"}));
    control.rowMenu()->actions().at(1)->trigger();
    control.rowMenu()->hide();
    ASSERT_EQ(control.tree().count(), 3);
    EXPECT_EQ(control.focusedElement(), (TcxFilterControlHit{2, Element::Column, -1}));

    click(control, {1, Element::RowButton, -1});
    EXPECT_EQ(entries(), (QStringList{"添加条件(&C)", "添加组(&G)", "-", "删除行(&R)"}));
    control.rowMenu()->actions().at(0)->trigger(); // a condition in the group of row 1
    control.rowMenu()->hide();
    ASSERT_EQ(control.tree().count(), 4);
    EXPECT_EQ(control.tree().row(3)->parent(), control.tree().row(1));

    click(control, {0, Element::RowButton, -1});
    EXPECT_EQ(entries(), (QStringList{"添加条件(&C)", "添加组(&G)", "-", "清除(&A)"}));
    control.tree().root().boolOperator = TcxFilterBoolOperatorKind::NotOr;
    control.rowMenu()->actions().at(3)->trigger();
    control.rowMenu()->hide();
    EXPECT_EQ(control.tree().count(), 1);
    EXPECT_EQ(control.tree().root().boolOperator, TcxFilterBoolOperatorKind::And);
    EXPECT_TRUE(control.criteria().isEmpty());
}

TEST(FilterBuilder, GroupOperatorIsChosenFromItsDropDown)
{
    TTestList list;
    TShownDialog shown(list);
    TcxFilterControl &control = shown.control();
    click(control, {1, Element::AddCondition, -1});
    control.addConditionTo(0);
    click(control, {0, Element::BoolOperator, -1});
    TcxFilterControlDropDown *dropDown = control.dropDown();
    ASSERT_EQ(dropDown->count(), 4);
    EXPECT_EQ(dropDown->currentRow(), 0);
    chooseInDropDown(control, "非或者");
    EXPECT_EQ(pieceTexts(control, 0), (QStringList{"过滤", "非或者", "<根>"}));
    QTest::mouseClick(shown.dialog.btApply, Qt::LeftButton);
    EXPECT_EQ(list.filterText(), QStringLiteral("非 ((药品列表 = 空) 或者 (药品列表 = 空))"));
    EXPECT_EQ(list.rows, (std::vector<int>{0, 1, 2, 3, 5}));
}

TEST(FilterBuilder, KeysMoveTheFocusAndEdit)
{
    TTestList list;
    TShownDialog shown(list);
    TcxFilterControl &control = shown.control();
    click(control, {1, Element::AddCondition, -1});
    control.addGroupTo(0); // rows 2 (group) and 3
    control.setFocusedElement({0, Element::BoolOperator, -1});
    const struct
    {
        int key;
        Qt::KeyboardModifiers modifiers;
        TcxFilterControlHit expected;
    } steps[] = {
        {Qt::Key_Up, {}, {0, Element::BoolOperator, -1}},    // stops at the root
        {Qt::Key_Right, {}, {0, Element::BoolOperator, -1}}, // the root row ends there
        {Qt::Key_Left, {}, {0, Element::RowButton, -1}},
        {Qt::Key_Left, {}, {0, Element::RowButton, -1}},
        {Qt::Key_Down, {}, {1, Element::Column, -1}},
        {Qt::Key_Right, {}, {1, Element::Operator, -1}},
        {Qt::Key_Right, {}, {1, Element::Value, 0}},
        {Qt::Key_Right, {}, {1, Element::Value, 0}},
        {Qt::Key_Down, {}, {2, Element::BoolOperator, -1}},
        {Qt::Key_Down, {}, {3, Element::Column, -1}},
        {Qt::Key_Down, {}, {4, Element::AddCondition, -1}},
        {Qt::Key_Down, {}, {4, Element::AddCondition, -1}},
        {Qt::Key_Up, {}, {3, Element::Column, -1}},
        {Qt::Key_Insert, {}, {4, Element::Column, -1}}, // into the group of row 3
    };
    for (const auto &step : steps) {
        QTest::keyClick(&control, static_cast<Qt::Key>(step.key), step.modifiers);
        EXPECT_EQ(control.focusedElement(), step.expected) << "after key " << std::hex << step.key;
    }
    EXPECT_EQ(control.tree().row(4)->parent(), control.tree().row(2));

    // Enter opens what Space opens: here the operator list.
    QTest::keyClick(&control, Qt::Key_Right);
    QTest::keyClick(&control, Qt::Key_Return);
    EXPECT_TRUE(control.dropDown()->isVisible());
    QTest::keyClick(control.dropDown(), Qt::Key_Escape);
    EXPECT_FALSE(control.dropDown()->isVisible());
    EXPECT_EQ(control.tree().row(4)->op, Op::Equal);
}

TEST(FilterBuilder, ValueEditorKeysAndTheWildcardRule)
{
    TTestList list;
    TShownDialog shown(list);
    TcxFilterControl &control = shown.control();
    click(control, {1, Element::AddCondition, -1});
    control.addConditionTo(0);
    // Outside the like operators the wildcards cannot be typed.
    control.setFocusedElement({1, Element::Value, 0});
    typeValue(control, QStringLiteral("a%b_c"));
    EXPECT_EQ(control.tree().row(1)->values.at(0).text, "abc");

    // Esc drops the edit and leaves the dialog open.
    control.setFocusedElement({1, Element::Value, 0});
    QTest::keyClicks(&control, "q");
    QTest::keyClick(control.valueEditor(), Qt::Key_Escape);
    EXPECT_FALSE(control.isEditing());
    EXPECT_EQ(control.tree().row(1)->values.at(0).text, "abc");
    EXPECT_EQ(shown.dialog.ModalResult(), mrNone);

    // Down accepts and moves on; Ctrl+Insert accepts and adds a condition.
    QTest::keyClicks(&control, "r");
    QTest::keyClick(control.valueEditor(), Qt::Key_Down);
    EXPECT_EQ(control.tree().row(1)->values.at(0).text, "r");
    EXPECT_EQ(control.focusedElement(), (TcxFilterControlHit{2, Element::Column, -1}));
    control.setFocusedElement({2, Element::Value, 0});
    QTest::keyClicks(&control, "s");
    QTest::keyClick(control.valueEditor(), Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(control.tree().row(2)->values.at(0).text, "s");
    ASSERT_EQ(control.tree().count(), 4);
    EXPECT_EQ(control.focusedElement(), (TcxFilterControlHit{3, Element::Column, -1}));

    // Ctrl+Delete drops the edit and deletes the row.
    control.setFocusedElement({3, Element::Value, 0});
    QTest::keyClicks(&control, "t");
    QTest::keyClick(control.valueEditor(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(control.tree().count(), 3);

    // An edit in progress is taken by the apply.
    control.setFocusedElement({2, Element::Value, 0});
    QTest::keyClicks(&control, "u");
    QTest::mouseClick(shown.dialog.btApply, Qt::LeftButton);
    EXPECT_EQ(list.filterText(), QStringLiteral("(药品列表 = r) 并且 (药品列表 = u)"));
}

TEST(FilterBuilder, ElementsReactWithTheHandCursorAndHotValuesWiden)
{
    TTestList list;
    TShownDialog shown(list);
    TcxFilterControl &control = shown.control();
    click(control, {1, Element::AddCondition, -1});
    const TcxFilterControlHit value{1, Element::Value, 0};
    const int normalWidth = control.elementRect(value).width();
    QTest::mouseMove(control.viewport(), control.elementRect(value).center());
    EXPECT_EQ(control.hotElement(), value);
    EXPECT_EQ(control.viewport()->cursor().shape(), Qt::PointingHandCursor);
    const int zero = QFontMetrics(control.valueFont()).horizontalAdvance(QLatin1Char('0'));
    EXPECT_GE(control.elementRect(value).width(), 12 * zero);
    EXPECT_GT(control.elementRect(value).width(), normalWidth);
    // The caption of a group is no element.
    const QRect caption = control.rowPieces(0).back().rect.translated(0, 0);
    QTest::mouseMove(control.viewport(), caption.center());
    EXPECT_EQ(control.hotElement(), TcxFilterControlHit());
    EXPECT_EQ(control.viewport()->cursor().shape(), Qt::ArrowCursor);
}

TEST(FilterBuilder, ElementsAreDrawnInTheirColours)
{
    TTestList list;
    TcxFilterControl control;
    control.setFont(formFont(MsSansSerif, 11));
    control.resize(400, 120);
    control.setColumns(list.link().columns);
    control.setLinkedCriteria(&list.criteria);
    control.addConditionTo(0);
    control.tree().row(1)->values[0] = {TVariant("WWW"), "WWW"};
    control.setFocusedElement({1, Element::Column, -1});
    control.setFocusedElement({0, Element::BoolOperator, -1});
    QImage image(control.size(), QImage::Format_RGB32);
    control.render(&image);
    const QPoint origin = control.viewport()->mapTo(&control, QPoint(0, 0));
    auto has = [&](const TcxFilterControlHit &hit, QRgb colour) {
        const QRect rect = control.elementRect(hit).translated(origin);
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                if (image.pixel(x, y) == colour) return true;
        return false;
    };
    EXPECT_TRUE(has({0, Element::BoolOperator, -1}, qRgb(255, 0, 0)));
    EXPECT_TRUE(has({1, Element::Column, -1}, qRgb(0, 128, 0)));
    EXPECT_TRUE(has({1, Element::Operator, -1}, qRgb(128, 0, 0)));
    EXPECT_TRUE(has({1, Element::Value, 0}, qRgb(0, 0, 255)));
    EXPECT_FALSE(has({1, Element::Column, -1}, qRgb(255, 0, 0)));
    // A level line joins the condition to the root, dotted under the root's button.
    const QRect rootButton = control.elementRect({0, Element::RowButton, -1}).translated(origin);
    const QRect button = control.elementRect({1, Element::RowButton, -1}).translated(origin);
    const int y = button.center().y();
    int dots = 0;
    for (int x = rootButton.left(); x < button.left(); ++x)
        dots += image.pixel(x, y) == toQColor(clBtnShadow).rgb();
    EXPECT_GT(dots, 2);
}

TEST(FilterBuilder, DialogFormAndButtons)
{
    TTestList list;
    TShownDialog shown(list);
    TfmFilterControlDialog &dialog = shown.dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("过滤生成器 - [未命名.flt]"));
    EXPECT_EQ(dialog.size(), QSize(528, 365));
    EXPECT_EQ(dialog.minimumSize(), QSize(520, 165));
    const struct
    {
        QPushButton *button;
        const char *text;
        QRect rect;
    } buttons[] = {
        {dialog.btOpen, "打开(&O)...", {6, 8, 74, 23}},
        {dialog.btSave, "另存为(&S)...", {85, 8, 76, 23}},
        {dialog.btOk, "确定", {7, 8, 74, 23}},
        {dialog.btCancel, "取消", {88, 8, 75, 23}},
        {dialog.btApply, "应用(&A)", {167, 8, 75, 23}},
    };
    for (const auto &row : buttons) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(row.button->text(), QString::fromUtf8(row.text));
        EXPECT_EQ(row.button->geometry(), row.rect);
    }
    EXPECT_EQ(dialog.pnlBottom->geometry(), QRect(0, 365 - 38, 528, 38));
    EXPECT_EQ(dialog.pnlBottomRight->geometry(), QRect(528 - 248, 0, 248, 38));
    EXPECT_EQ(dialog.FilterControl->geometry(), QRect(0, 0, 528, 365 - 38));
    dialog.resize(700, 400);
    EXPECT_EQ(dialog.pnlBottomRight->geometry(), QRect(700 - 248, 0, 248, 38));
    EXPECT_TRUE(dialog.FilterControl->hasFocus());
    // Tab is not the tree's: it moves on to the next control.
    QTest::keyClick(dialog.FilterControl, Qt::Key_Tab);
    EXPECT_TRUE(dialog.btOpen->hasFocus());
}

TEST(FilterBuilder, FocusedRowIsScrolledIntoSight)
{
    TTestList list;
    TShownDialog shown(list);
    TcxFilterControl &control = shown.control();
    shown.dialog.resize(528, 165);
    for (int index = 0; index < 30; ++index)
        control.addConditionTo(0);
    const int visible = control.viewport()->height() / control.rowHeight();
    ASSERT_LT(visible, 30);
    EXPECT_EQ(control.focusedElement().row, 30);
    EXPECT_EQ(control.topRow(), 30 - visible + 1);
    control.setFocusedElement({0, Element::BoolOperator, -1});
    EXPECT_EQ(control.topRow(), 0);
    // Down to the add text: the last row the tree can show.
    for (int index = 0; index < 31; ++index)
        QTest::keyClick(&control, Qt::Key_Down);
    EXPECT_EQ(control.focusedElement(), (TcxFilterControlHit{31, Element::AddCondition, -1}));
    EXPECT_EQ(control.topRow(), 31 - visible + 1);
    EXPECT_EQ(control.hitTest(control.elementRect(control.focusedElement()).center()),
              control.focusedElement());
}

TEST(FilterBuilder, TextTheDataCannotHoldIsRefused)
{
    TRecordingPlatform platform;
    TTestList list;
    TShownDialog shown(list);
    TcxFilterControl &control = shown.control();
    click(control, {1, Element::AddCondition, -1});
    control.setFocusedElement({1, Element::Value, 0});
    typeText(&control, QStringLiteral("a"));
    typeText(control.valueEditor(), QStringLiteral("\u0E01")); // Thai: no GBK code
    QTest::keyClick(control.valueEditor(), Qt::Key_Return);
    EXPECT_EQ(platform.errorBoxes, QStringList{"输入值非法."});
    EXPECT_TRUE(control.isEditing());
    QTest::keyClick(control.valueEditor(), Qt::Key_Escape);
    EXPECT_FALSE(control.isEditing());
    EXPECT_TRUE(control.tree().row(1)->values.at(0).value.isNull());

    // Leaving the editor by a click elsewhere takes what was typed.
    typeText(&control, QStringLiteral("b"));
    click(control, {1, Element::Column, -1});
    EXPECT_FALSE(control.isEditing());
    EXPECT_EQ(control.tree().row(1)->values.at(0).text, "b");
}

TEST(FilterBuilder, ListFilterTheColumnsCannotShowEndsInTheErrorBox)
{
    TRecordingPlatform platform;
    TTestList list;
    list.criteria.addCondition(nullptr, 1, TcxFilterOperatorKind::Equal, TVariant("x"), "x");
    list.criteria.addCondition(nullptr, 40, TcxFilterOperatorKind::Equal, TVariant("y"), "y");
    TShownDialog shown(list);
    EXPECT_EQ(platform.errorBoxes, QStringList{"不能从源建立过滤."});
    ASSERT_EQ(shown.control().tree().count(), 2);
    EXPECT_EQ(pieceTexts(shown.control(), 1), (QStringList{"...", "作用类别", "等于", "x"}));
    EXPECT_TRUE(shown.dialog.isVisible());
}

TEST(FilterBuilder, CancelAfterApplyKeepsTheAppliedFilterAndThePlaceIsRemembered)
{
    TTestList list;
    QRect placeAtClose;
    whenShown<TfmFilterControlDialog>([&](TfmFilterControlDialog *dialog) {
        TcxFilterControl &control = *dialog->FilterControl;
        click(control, {1, Element::AddCondition, -1});
        QTest::mouseClick(dialog->btApply, Qt::LeftButton);
        control.addConditionTo(0); // not applied
        dialog->setGeometry(40, 50, 600, 300);
        placeAtClose = dialog->geometry();
        QTest::mouseClick(dialog->btCancel, Qt::LeftButton);
    });
    EXPECT_FALSE(executeFilterBuilder(list.link()));
    EXPECT_EQ(list.filterText(), QStringLiteral("(药品列表 = 空)"));
    EXPECT_TRUE(list.criteria.Active());
    EXPECT_EQ(list.rows, std::vector<int>{4});

    // The next run stands where the last one closed, and Esc closes it; OK applies.
    QRect placeAtOpen;
    whenShown<TfmFilterControlDialog>([&](TfmFilterControlDialog *dialog) {
        placeAtOpen = dialog->geometry();
        EXPECT_EQ(dialog->FilterControl->tree().count(), 2);
        QTest::keyClick(dialog->FilterControl, Qt::Key_Escape);
    });
    EXPECT_FALSE(executeFilterBuilder(list.link()));
    EXPECT_EQ(placeAtOpen, placeAtClose);

    whenShown<TfmFilterControlDialog>([&](TfmFilterControlDialog *dialog) {
        dialog->FilterControl->clearAll();
        QTest::mouseClick(dialog->btOk, Qt::LeftButton);
    });
    EXPECT_TRUE(executeFilterBuilder(list.link()));
    EXPECT_TRUE(list.criteria.isEmpty());
    EXPECT_EQ(list.rows.size(), list.records.size());
}

TEST(FilterBuilder, SavingAnEmptyFilterWritesNineBytesAndOpeningItEmptiesTheTree)
{
    TProposalPlatform platform;
    QTemporaryDir folder;
    TTestList list;
    TShownDialog shown(list);
    platform.nextFileName = folder.filePath("empty.flt");
    QTest::mouseClick(shown.dialog.btSave, Qt::LeftButton);
    EXPECT_EQ(platform.dialogTitles, QStringList{"保存当前过滤条件到文件中"});
    EXPECT_EQ(readFile(platform.nextFileName), std::string("\xFF\xFF\xFF\xFF\0\0\0\0\0", 9));
    EXPECT_EQ(shown.dialog.windowTitle(), QStringLiteral("过滤生成器 - [empty.flt]"));
    EXPECT_TRUE(platform.errorBoxes.isEmpty());

    click(shown.control(), {1, Element::AddCondition, -1});
    shown.control().addGroupTo(0);
    QTest::mouseClick(shown.dialog.btOpen, Qt::LeftButton);
    EXPECT_EQ(platform.dialogTitles.last(), QStringLiteral("打开过滤条件文件"));
    EXPECT_EQ(shown.control().tree().count(), 1);
    EXPECT_TRUE(shown.control().criteria().isEmpty());
    EXPECT_TRUE(platform.errorBoxes.isEmpty());

    // The save dialog proposes the default name first and then the file saved last.
    platform.nextFileName.clear();
    QTest::mouseClick(shown.dialog.btSave, Qt::LeftButton);
    EXPECT_EQ(platform.proposed, (QStringList{"未命名.flt", folder.filePath("empty.flt")}));
    EXPECT_EQ(platform.filters.first(), QStringLiteral("过滤条件文件 (*.flt)"));
    EXPECT_EQ(platform.suffixes.first(), QStringLiteral("flt"));
    EXPECT_EQ(shown.dialog.windowTitle(), QStringLiteral("过滤生成器 - [empty.flt]"));
}

namespace {

// A reader of the filter stream written from the format's table alone, to check what the
// builder writes without going through the criteria's own reader.
struct TDecodedValue
{
    int tag = 0;
    std::string text;
    std::vector<TDecodedValue> elements;
};

struct TDecodedNode
{
    bool group = false;
    int boolOperator = 0;
    int kind = 0;
    std::string displayText;
    int id = 0;
    TDecodedValue value;
    std::vector<TDecodedNode> children;
};

class TDecoder
{
public:
    explicit TDecoder(std::string bytes) : m_bytes(std::move(bytes)) {}

    TDecodedNode root()
    {
        TDecodedNode node;
        node.group = true;
        if (int32() != -1) throw std::runtime_error("no marker");
        node.boolOperator = byte();
        children(node);
        if (m_at != m_bytes.size()) throw std::runtime_error("trailing bytes");
        return node;
    }

private:
    void children(TDecodedNode &group)
    {
        for (int count = int32(); count > 0; --count)
            group.children.push_back(node());
    }
    TDecodedNode node()
    {
        TDecodedNode result;
        result.group = byte() == 1;
        if (result.group) {
            result.boolOperator = byte();
            children(result);
            return result;
        }
        result.kind = byte();
        result.displayText = take(int32());
        result.id = int32();
        result.value = value();
        return result;
    }
    TDecodedValue value()
    {
        TDecodedValue result;
        result.tag = byte();
        switch (result.tag) {
        case 0: break;
        case 1: {
            const TDecodedValue count = value();
            int elements = 0;
            if (count.tag == 2)
                elements = static_cast<std::int8_t>(count.text[0]);
            else if (count.tag == 4)
                elements = std::stoi(count.text);
            else
                throw std::runtime_error("array count");
            for (int index = 0; index < elements; ++index)
                result.elements.push_back(value());
            break;
        }
        case 2: result.text = take(1); break;
        case 4: result.text = std::to_string(int32()); break;
        case 6: result.text = take(byte()); break;
        case 12: result.text = take(int32()); break;
        default: throw std::runtime_error("unexpected tag");
        }
        return result;
    }
    int byte() { return static_cast<unsigned char>(take(1)[0]); }
    int int32()
    {
        const std::string bytes = take(4);
        std::uint32_t value = 0;
        for (int index = 3; index >= 0; --index)
            value = (value << 8) | static_cast<unsigned char>(bytes[index]);
        return static_cast<std::int32_t>(value);
    }
    std::string take(size_t count)
    {
        if (m_at + count > m_bytes.size()) throw std::runtime_error("short");
        std::string result = m_bytes.substr(m_at, count);
        m_at += count;
        return result;
    }

    std::string m_bytes;
    size_t m_at = 0;
};

// The list's filter for the file tests: NOT OR of a like on a hidden column, a group of a
// between and an in-list, a blank test and a not-equal.
void buildNestedFilter(TcxFilterCriteria &criteria)
{
    TUpdateLock lock(criteria);
    criteria.root().setBoolOperator(TcxFilterBoolOperatorKind::NotOr);
    criteria.addCondition(nullptr, 3, TcxFilterOperatorKind::Like, TVariant(gbk("%头痛%")),
                          gbk("%头痛%"));
    TcxFilterCriteriaItemList *group = criteria.addGroup(nullptr, TcxFilterBoolOperatorKind::Or);
    criteria.addCondition(group, 0, TcxFilterOperatorKind::Between,
                          TVariant::array({TVariant("A"), TVariant("F")}), gbk("A 并且 F"));
    criteria.addCondition(group, 12, TcxFilterOperatorKind::InList,
                          TVariant::array({TVariant("X"), TVariant("Y")}), "(X, Y)");
    criteria.addCondition(nullptr, 5, TcxFilterOperatorKind::Equal, TVariant(), gbk("空"));
    criteria.addCondition(nullptr, 6, TcxFilterOperatorKind::NotEqual, TVariant("10mg"), "10mg");
}

} // namespace

TEST(FilterBuilder, SavedFileHoldsTheTreeInTheStreamFormat)
{
    TRecordingPlatform platform;
    QTemporaryDir folder;
    TTestList list;
    buildNestedFilter(list.criteria);
    TShownDialog shown(list);
    EXPECT_EQ(shown.control().tree().count(), 7);
    platform.nextFileName = folder.filePath("nested.flt");
    QTest::mouseClick(shown.dialog.btSave, Qt::LeftButton);

    TDecodedNode root = TDecoder(readFile(platform.nextFileName)).root();
    EXPECT_EQ(root.boolOperator, 3);
    ASSERT_EQ(root.children.size(), 4u);
    const TDecodedNode &like = root.children[0];
    EXPECT_FALSE(like.group);
    EXPECT_EQ(like.kind, 6);
    EXPECT_EQ(like.id, 3);
    EXPECT_EQ(like.displayText, gbk("%头痛%"));
    EXPECT_EQ(like.value.tag, 6);
    EXPECT_EQ(like.value.text, gbk("%头痛%"));

    const TDecodedNode &group = root.children[1];
    ASSERT_TRUE(group.group);
    EXPECT_EQ(group.boolOperator, 1);
    ASSERT_EQ(group.children.size(), 2u);
    const TDecodedNode &between = group.children[0];
    EXPECT_EQ(between.kind, 8);
    EXPECT_EQ(between.id, 0);
    EXPECT_EQ(between.displayText, gbk("A 并且 F"));
    ASSERT_EQ(between.value.tag, 1);
    ASSERT_EQ(between.value.elements.size(), 2u);
    EXPECT_EQ(between.value.elements[0].text, "A");
    EXPECT_EQ(between.value.elements[1].text, "F");
    const TDecodedNode &inList = group.children[1];
    EXPECT_EQ(inList.kind, 10);
    EXPECT_EQ(inList.id, 12);
    EXPECT_EQ(inList.displayText, "(X, Y)");
    ASSERT_EQ(inList.value.elements.size(), 2u);
    EXPECT_EQ(inList.value.elements[1].text, "Y");

    const TDecodedNode &blank = root.children[2];
    EXPECT_EQ(blank.kind, 0);
    EXPECT_EQ(blank.id, 5);
    EXPECT_EQ(blank.value.tag, 0);
    EXPECT_EQ(blank.displayText, gbk("空"));
    const TDecodedNode &notEqual = root.children[3];
    EXPECT_EQ(notEqual.kind, 1);
    EXPECT_EQ(notEqual.id, 6);
    EXPECT_EQ(notEqual.value.text, "10mg");
}

TEST(FilterBuilder, SaveOpenApplyGivesTheSameFilter)
{
    TRecordingPlatform platform;
    QTemporaryDir folder;
    TTestList list;
    buildNestedFilter(list.criteria);
    list.criteria.SetActive(true);
    const QString before = list.filterText();
    const std::vector<int> rowsBefore = list.rows;
    TShownDialog shown(list);
    platform.nextFileName = folder.filePath("round.flt");
    QTest::mouseClick(shown.dialog.btSave, Qt::LeftButton);

    list.criteria.clear();
    shown.control().clearAll();
    QTest::mouseClick(shown.dialog.btOpen, Qt::LeftButton);
    EXPECT_EQ(shown.control().tree().count(), 7);
    EXPECT_TRUE(list.criteria.isEmpty()); // not before the apply
    QTest::mouseClick(shown.dialog.btApply, Qt::LeftButton);
    EXPECT_EQ(list.filterText(), before);
    EXPECT_EQ(list.rows, rowsBefore);
    EXPECT_TRUE(platform.errorBoxes.isEmpty());
}

TEST(FilterBuilder, DamagedOrForeignFilesEndInTheErrorBox)
{
    TRecordingPlatform platform;
    QTemporaryDir folder;
    TTestList list;
    buildNestedFilter(list.criteria);
    const std::string whole = list.criteria.writeToStream();
    TShownDialog shown(list);
    TcxFilterControl &control = shown.control();
    const QString caption = shown.dialog.windowTitle();

    // Cut short, and a tag the stream does not know.
    std::string badTag = whole;
    badTag[badTag.size() - 6] = '\x63'; // the last value's tag
    const struct
    {
        const char *name;
        std::string bytes;
    } damaged[] = {
        {"truncated", whole.substr(0, whole.size() - 3)},
        {"bad tag", badTag},
        {"only a marker", std::string("\xFF\xFF\xFF\xFF", 4)},
    };
    for (const auto &row : damaged) {
        SCOPED_TRACE(row.name);
        platform.errorBoxes.clear();
        platform.nextFileName = folder.filePath(QString::fromUtf8(row.name) + ".flt");
        writeFile(platform.nextFileName, row.bytes);
        QTest::mouseClick(shown.dialog.btOpen, Qt::LeftButton);
        EXPECT_EQ(platform.errorBoxes, QStringList{"Stream read error."});
        EXPECT_EQ(shown.dialog.windowTitle(), caption);
        // The tree shows what was read before the damage, and stays usable.
        EXPECT_LT(control.tree().count(), 7);
        control.addConditionTo(0);
        EXPECT_TRUE(shown.dialog.isVisible());
    }

    // A column ID that no builder column has: the rows before it stay.
    TcxFilterCriteria foreign;
    foreign.addCondition(nullptr, 2, TcxFilterOperatorKind::Equal, TVariant("x"), "x");
    foreign.addCondition(nullptr, 99, TcxFilterOperatorKind::Equal, TVariant("y"), "y");
    foreign.addCondition(nullptr, 4, TcxFilterOperatorKind::Equal, TVariant("z"), "z");
    platform.errorBoxes.clear();
    platform.nextFileName = folder.filePath("foreign.flt");
    writeFile(platform.nextFileName, foreign.writeToStream());
    QTest::mouseClick(shown.dialog.btOpen, Qt::LeftButton);
    EXPECT_EQ(platform.errorBoxes, QStringList{"不能从源建立过滤."});
    ASSERT_EQ(control.tree().count(), 2);
    EXPECT_EQ(pieceTexts(control, 1), (QStringList{"...", "药理作用", "等于", "x"}));
    EXPECT_EQ(shown.dialog.windowTitle(), caption);

    // A file that cannot be read changes nothing.
    platform.errorBoxes.clear();
    platform.nextFileName = folder.filePath("missing.flt");
    QTest::mouseClick(shown.dialog.btOpen, Qt::LeftButton);
    EXPECT_EQ(platform.errorBoxes.size(), 1);
    EXPECT_EQ(control.tree().count(), 2);
    // Nor does a FIFO (nobody writes it: waiting on it would hang the dialog), a device that
    // never ends, or a file past the bound of a filter file.
    const QString fifo = folder.filePath("fifo.flt");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString tooLarge = folder.filePath("too-large.flt");
    writeFile(tooLarge, std::string(cxFilterFileMaxSize + 1, '\0'));
    const struct
    {
        QString path;
        QString message;
    } refused[] = {
        {fifo, "过滤条件文件不能打开（不是普通文件）：" + fifo + "."},
        {"/dev/zero", "过滤条件文件不能打开（不是普通文件）：/dev/zero."},
        {tooLarge, "过滤条件文件不能打开（大于 1 MB）：" + tooLarge + "."},
    };
    for (const auto &row : refused) {
        SCOPED_TRACE(row.path.toStdString());
        platform.errorBoxes.clear();
        platform.nextFileName = row.path;
        QTest::mouseClick(shown.dialog.btOpen, Qt::LeftButton);
        EXPECT_EQ(platform.errorBoxes, QStringList{row.message});
        EXPECT_EQ(control.tree().count(), 2);
        EXPECT_EQ(shown.dialog.windowTitle(), caption);
    }
    // Nor does a file that cannot be created.
    platform.errorBoxes.clear();
    platform.nextFileName = folder.filePath("no/such/folder/x.flt");
    QTest::mouseClick(shown.dialog.btSave, Qt::LeftButton);
    EXPECT_EQ(platform.errorBoxes.size(), 1);
    EXPECT_EQ(shown.dialog.windowTitle(), caption);
    // Cancelling the file dialogs does nothing.
    platform.errorBoxes.clear();
    platform.nextFileName.clear();
    QTest::mouseClick(shown.dialog.btOpen, Qt::LeftButton);
    QTest::mouseClick(shown.dialog.btSave, Qt::LeftButton);
    EXPECT_TRUE(platform.errorBoxes.isEmpty());
    EXPECT_EQ(control.tree().count(), 2);
}

// The dialog on a nested filter as the user sees it; the picture goes to TERVANA_PICTURE_DIR
// when that is set.
TEST(FilterBuilder, PictureOfANestedTree)
{
    TTestList list;
    buildNestedFilter(list.criteria);
    TShownDialog shown(list);
    TcxFilterControl &control = shown.control();
    control.setFocusedElement({3, Element::Column, -1});
    QTest::mouseMove(control.viewport(), control.elementRect({6, Element::Value, 0}).center());
    QImage image(shown.dialog.size(), QImage::Format_RGB32);
    shown.dialog.render(&image);
    if (const QByteArray folder = qgetenv("TERVANA_PICTURE_DIR"); !folder.isEmpty())
        image.save(QString::fromLocal8Bit(folder) + "/filter-builder.png");
    // The tree stands on the window colour above the bottom panel's button face.
    const QPoint treePoint = control.mapTo(&shown.dialog, QPoint(control.width() - 20, 200));
    EXPECT_EQ(image.pixel(treePoint), toQColor(clWindow).rgb());
    EXPECT_EQ(image.pixel(260, 365 - 4), toQColor(clBtnFace).rgb());
    // The operator list and the value editor, looked at in the same place.
    click(control, {6, Element::Operator, -1});
    ASSERT_TRUE(control.dropDown()->isVisible());
    EXPECT_EQ(control.dropDown()->currentItem()->text(), QStringLiteral("不等于"));
    const QImage operators = control.dropDown()->grab().toImage();
    QTest::keyClick(control.dropDown(), Qt::Key_Escape);
    control.setFocusedElement({1, Element::Value, 0});
    typeText(&control, QStringLiteral("%"));
    typeText(control.valueEditor(), QStringLiteral("偏头"));
    shown.dialog.render(&image);
    if (const QByteArray folder = qgetenv("TERVANA_PICTURE_DIR"); !folder.isEmpty()) {
        operators.save(QString::fromLocal8Bit(folder) + "/filter-builder-operators.png");
        image.save(QString::fromLocal8Bit(folder) + "/filter-builder-editing.png");
    }
    // The nested rows stand one row height further in than their group.
    EXPECT_EQ(control.elementRect({3, Element::RowButton, -1}).left() -
                  control.elementRect({2, Element::RowButton, -1}).left(),
              control.rowHeight());
}

namespace {

// A filter as the criteria writes it: `count` conditions at the root, or one list of `count`
// values.
std::string largeFilter(bool oneList, int count)
{
    TcxFilterCriteria criteria;
    TUpdateLock lock(criteria);
    if (oneList) {
        std::vector<TVariant> values;
        values.reserve(count);
        for (int index = 0; index < count; ++index)
            values.emplace_back(std::to_string(index % 10));
        criteria.addCondition(nullptr, 0, TcxFilterOperatorKind::InList,
                              TVariant::array(std::move(values)), "(...)");
    } else {
        for (int index = 0; index < count; ++index)
            criteria.addCondition(nullptr, index % 13, TcxFilterOperatorKind::Equal,
                                  TVariant(std::to_string(index % 10)),
                                  std::to_string(index % 10));
    }
    return criteria.writeToStream();
}

// The most conditions or values of that kind that `bytes` hold.
int largestCount(bool oneList, std::size_t bytes)
{
    const std::size_t small = largeFilter(oneList, 100).size();
    const std::size_t hundred = largeFilter(oneList, 200).size() - small;
    return static_cast<int>(100 + 100 * (bytes - small) / hundred);
}

} // namespace

// Unoptimised and sanitized builds run the same work several times slower.
#if defined(__SANITIZE_ADDRESS__) || !defined(NDEBUG)
constexpr qint64 BuildSlowdown = 8;
#else
constexpr qint64 BuildSlowdown = 1;
#endif

// Many conditions, or one list of many values, up to the bound of a filter file, open and
// paint in well under a second here; the tree once took seconds to minutes for them, growing
// with the square of the rows. The time bound fails such a return before the suite's own
// timeout would.
TEST(FilterBuilder, LargeFilterFilesOpenAndPaintPromptly)
{
    TRecordingPlatform platform;
    QTemporaryDir folder;
    TTestList list;
    TShownDialog shown(list);
    TcxFilterControl &control = shown.control();
    const struct
    {
        const char *name;
        bool oneList;
        std::size_t bytes;
        qint64 boundMs;
    } files[] = {
        {"conditions, 64 KiB", false, 64 * 1024, 2000},
        {"conditions at the bound", false, cxFilterFileMaxSize, 5000},
        {"one list at the bound", true, cxFilterFileMaxSize, 5000},
    };
    for (const auto &file : files) {
        SCOPED_TRACE(file.name);
        const int count = largestCount(file.oneList, file.bytes);
        const std::string bytes = largeFilter(file.oneList, count);
        ASSERT_LE(bytes.size(), file.bytes);
        platform.errorBoxes.clear();
        platform.nextFileName = folder.filePath("large.flt");
        writeFile(platform.nextFileName, bytes);
        QElapsedTimer timer;
        timer.start();
        QTest::mouseClick(shown.dialog.btOpen, Qt::LeftButton);
        control.viewport()->repaint();
        const TcxFilterControlHit value{1, Element::Value, 0};
        QTest::mouseMove(control.viewport(), control.elementRect(value).center());
        control.viewport()->repaint();
        const qint64 elapsed = timer.elapsed();
        EXPECT_TRUE(platform.errorBoxes.isEmpty());
        EXPECT_EQ(control.hotElement(), value);
        ASSERT_EQ(control.tree().count(), file.oneList ? 2 : count + 1);
        EXPECT_EQ(control.tree().row(1)->values.size(), file.oneList ? std::size_t(count) : 1u);
        ASSERT_LT(elapsed, file.boundMs * BuildSlowdown) << count << " conditions or values";
    }
}
