// The memo pane: what typing, deleting, pasting and the other keys do to its text, to the
// bound field and to the data set's edit cycle, on real data packet files.
#include "DataSetTestSupport.h"

#include "data/DataSource.h"
#include "platformui/GbkQt.h"
#include "platformui/SystemColors.h"
#include "editors/cxDBMemo.h"
#include "editors/cxInnerMemo.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using namespace testsupport;

namespace {

// Each character reaches the pane as the platform's keyboard sends it: a key with its text.
void typeChars(QWidget *target, const QString &text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &release);
    }
}

void commitFromInputMethod(QWidget *target, const QString &text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(target, &event);
}

QString repeated(const char *utf8, int count)
{
    return QString::fromUtf8(utf8).repeated(count);
}

class MemoTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        path = makeFolder() + "YaoPin.XML";
        createDrugFields(cds);
        cds.SetFileName(path);
        source.SetDataSet(&cds);
    }

    void TearDown() override
    {
        window.reset();
        if (cds.Active()) cds.Close();
    }

    // Drugs named "A", "B", ... whose field `fieldIndex` holds the given values.
    void openWith(int fieldIndex, const std::vector<TValue> &values,
                  const std::vector<std::pair<std::string, bool>> &params = {})
    {
        std::vector<std::vector<TValue>> rows;
        for (std::size_t i = 0; i < values.size(); ++i) {
            rows.push_back(drugRow(std::string(1, static_cast<char>('A' + i))));
            rows.back()[static_cast<std::size_t>(fieldIndex)] = values[i];
        }
        writeFile(path, packet(drugPacketFields(), rows, params));
        cds.Open();
    }

    // A window with the pane bound to `fieldName` and a line edit after it in the tab order.
    void showPane(const std::string &fieldName)
    {
        window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(window.get());
        memo = new TcxDBMemo(window.get());
        memo->setObjectName(QStringLiteral("cxDBMemo1"));
        memo->DataBinding().SetDataSource(&source);
        memo->DataBinding().SetDataField(fieldName);
        other = new QLineEdit(window.get());
        layout->addWidget(memo);
        layout->addWidget(other);
        window->resize(300, 200);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        enter();
    }

    void enter()
    {
        memo->setFocus(Qt::MouseFocusReason);
        ASSERT_TRUE(memo->innerEdit()->hasFocus());
    }

    QPlainTextEdit *edit() const { return memo->innerEdit(); }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), key, modifiers);
    }
    void caretTo(int position)
    {
        QTextCursor cursor = edit()->textCursor();
        cursor.setPosition(position);
        edit()->setTextCursor(cursor);
    }
    void caretToEnd() { caretTo(static_cast<int>(memo->Text().size())); }

    std::string value(const char *fieldName) const { return cds.FieldByName(fieldName).AsString(); }

    std::string path;
    TClientDataSet cds{"cds"};
    TDataSource source{"DataSource1"};
    std::unique_ptr<QWidget> window;
    TcxDBMemo *memo = nullptr;
    QLineEdit *other = nullptr;
};

constexpr int Guige = 14;
constexpr int ZuoYongLeiBie = 6;
constexpr int Phone = 20;

TEST_F(MemoTest, TypingIntoANullFieldIsStoredWhenTheRecordIsLeft)
{
    openWith(Guige, {std::nullopt, gbkOf("瓶装")});
    showPane("Guige");
    EXPECT_EQ(memo->Text(), QString());
    EXPECT_FALSE(memo->isReadOnly());

    typeChars(edit(), QStringLiteral("片剂"));
    EXPECT_EQ(cds.State(), TDataSetState::Edit);
    EXPECT_TRUE(cds.FieldByName("GuiGe").IsNull()) << "typing alone does not write the field";
    key(Qt::Key_Return);
    typeChars(edit(), QStringLiteral("0.5g"));

    cds.Next();
    EXPECT_EQ(cds.State(), TDataSetState::Browse);
    EXPECT_EQ(memo->Text(), QStringLiteral("瓶装"));
    cds.Prior();
    EXPECT_EQ(memo->Text(), QStringLiteral("片剂\n0.5g"));
    EXPECT_EQ(value("GuiGe"), gbkOf("片剂\r\n0.5g"));
}

TEST_F(MemoTest, WithNoRecordsTheFirstChangeInsertsOne)
{
    openWith(Guige, {});
    showPane("Guige");
    typeChars(edit(), QStringLiteral("x"));
    EXPECT_EQ(cds.State(), TDataSetState::Insert);
    EXPECT_EQ(memo->Text(), QStringLiteral("x")) << "starting the insert must not clear the pane";

    cds.CheckBrowseMode();
    EXPECT_EQ(cds.RecordCount(), 1);
    EXPECT_EQ(value("GuiGe"), "x");
}

TEST_F(MemoTest, EscapeRestoresTheEntryValueAndKeepsTheEdit)
{
    openWith(Guige, {gbkOf("原文"), gbkOf("其他")});
    showPane("Guige");
    caretToEnd();
    typeChars(edit(), QStringLiteral("改"));
    ASSERT_EQ(memo->Text(), QStringLiteral("原文改"));

    key(Qt::Key_Escape);
    EXPECT_EQ(memo->Text(), QStringLiteral("原文"));
    EXPECT_EQ(edit()->textCursor().selectedText(), QStringLiteral("原文"));
    EXPECT_EQ(cds.State(), TDataSetState::Edit);

    // The restored text is what the record keeps.
    typeChars(edit(), QStringLiteral("新"));
    key(Qt::Key_Escape);
    cds.Next();
    cds.Prior();
    EXPECT_EQ(value("GuiGe"), gbkOf("原文"));
}

TEST_F(MemoTest, EscapeAfterTheRecordChangedUnderTheFocusKeepsTheNewRecord)
{
    openWith(Guige, {gbkOf("甲"), gbkOf("乙")});
    showPane("Guige");
    cds.Next();
    ASSERT_EQ(memo->Text(), QStringLiteral("乙"));
    typeChars(edit(), QStringLiteral("x"));
    key(Qt::Key_Escape);
    EXPECT_EQ(memo->Text(), QStringLiteral("乙"));
}

TEST_F(MemoTest, LeavingThePaneWritesTheFieldButDoesNotPost)
{
    openWith(Guige, {gbkOf("a")});
    showPane("Guige");
    caretToEnd();
    typeChars(edit(), QStringLiteral("b"));

    key(Qt::Key_Tab);
    EXPECT_TRUE(other->hasFocus());
    EXPECT_EQ(memo->Text(), QStringLiteral("ab")) << "Tab never types a tab character";
    EXPECT_EQ(value("GuiGe"), "ab");
    EXPECT_EQ(cds.State(), TDataSetState::Edit);

    QTest::keyClick(other, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(edit()->hasFocus());
}

TEST_F(MemoTest, TabWithoutAChangeLeavesTheDataSetBrowsing)
{
    openWith(Guige, {gbkOf("a")});
    showPane("Guige");
    key(Qt::Key_Tab);
    EXPECT_TRUE(other->hasFocus());
    EXPECT_EQ(cds.State(), TDataSetState::Browse);
}

TEST_F(MemoTest, ClosingWithAnUnpostedChangeKeepsTheFileAndAPostedOne)
{
    openWith(Guige, {gbkOf("一"), gbkOf("二")});
    const std::string before = readFile(path);
    showPane("Guige");
    typeChars(edit(), QStringLiteral("x"));
    key(Qt::Key_Tab); // written to the field, still not posted
    cds.Close();
    EXPECT_EQ(readFile(path), before);
    EXPECT_TRUE(memo->Text().isEmpty());
    EXPECT_TRUE(memo->isReadOnly());

    cds.Open();
    EXPECT_EQ(memo->Text(), QStringLiteral("一"));
    enter();
    typeChars(edit(), QStringLiteral("y"));
    cds.Next(); // posts
    typeChars(edit(), QStringLiteral("z"));
    cds.Close();

    TClientDataSet reader("cds");
    createDrugFields(reader);
    reader.SetFileName(path);
    reader.Open();
    EXPECT_EQ(reader.FieldByName("GuiGe").AsString(), gbkOf("y一"));
    reader.Next();
    EXPECT_EQ(reader.FieldByName("GuiGe").AsString(), gbkOf("二"));
}

TEST_F(MemoTest, TheFieldSizeLimitsTypingInGbkBytes)
{
    openWith(ZuoYongLeiBie, {std::nullopt});
    showPane("Zuoyongleibie");
    ASSERT_EQ(memo->maxLength(), 60);

    typeChars(edit(), repeated("药", 31));
    EXPECT_EQ(memo->Text(), repeated("药", 30));
    typeChars(edit(), QStringLiteral("a"));
    EXPECT_EQ(memo->Text(), repeated("药", 30));

    // 29 characters and one letter leave one byte: no room for a line break (two bytes)
    // nor for a character, but for one more letter.
    key(Qt::Key_Backspace);
    typeChars(edit(), QStringLiteral("a"));
    key(Qt::Key_Return);
    commitFromInputMethod(edit(), QStringLiteral("药"));
    EXPECT_EQ(memo->Text(), repeated("药", 29) + QStringLiteral("a"));
    commitFromInputMethod(edit(), QStringLiteral("bc"));
    EXPECT_EQ(memo->Text(), repeated("药", 29) + QStringLiteral("ab"));

    key(Qt::Key_Tab);
    EXPECT_EQ(cds.FieldByName("ZuoYongLeiBie").AsString().size(), 60u);
}

struct TPasteCase
{
    const char *name;
    const char *initial; // the Phone field's text, at most 15 bytes
    int caret;
    QString clipboard;
    QString expected;
    bool edits; // the data set is in edit state afterwards
};

TEST_F(MemoTest, PasteIsCutAtTheLimitAtAWholeCharacter)
{
    const TPasteCase cases[] = {
        {"fits", "", 0, QStringLiteral("010-8888"), QStringLiteral("010-8888"), true},
        {"cut after a whole character", "1234567890123", 13, QStringLiteral("中文"),
         QStringLiteral("1234567890123中"), true},
        {"half a character left out", "12345678901234", 14, QStringLiteral("中"),
         QStringLiteral("12345678901234"), true},
        {"the euro sign is one byte", "12345678901234", 14, QStringLiteral("€中"),
         QStringLiteral("12345678901234€"), true},
        {"half a line break left out", "12345678901234", 14, QStringLiteral("\nx"),
         QStringLiteral("12345678901234"), true},
        {"text after the caret is kept", "12345678901234", 0, QStringLiteral("ab"),
         QStringLiteral("a12345678901234"), true},
        {"clipboard lines become lines", "", 0, QStringLiteral("a\r\nb\nc\rd"),
         QStringLiteral("a\nb\nc\nd"), true},
        {"a character without GBK form refuses the paste", "12", 2, QStringLiteral("3😀"),
         QStringLiteral("12"), false},
        {"a control picture cannot pass for a lone LF", "", 0, QStringLiteral("a\u240Ab"),
         QString(), false},
        {"an empty clipboard does nothing", "12", 2, QString(), QStringLiteral("12"), false},
    };
    for (const TPasteCase &row : cases) {
        SCOPED_TRACE(row.name);
        openWith(Phone, {std::string(row.initial)});
        showPane("Phone");
        caretTo(row.caret);
        QGuiApplication::clipboard()->setText(row.clipboard);
        QTest::keyClick(edit(), Qt::Key_V, Qt::ControlModifier);
        EXPECT_EQ(memo->Text(), row.expected);
        EXPECT_EQ(cds.State(), row.edits ? TDataSetState::Edit : TDataSetState::Browse);
        if (row.edits) {
            const int pasted = static_cast<int>(row.expected.size()) -
                               static_cast<int>(QString::fromUtf8(row.initial).size());
            EXPECT_EQ(edit()->textCursor().position(), row.caret + pasted);
        }
        window.reset();
        cds.Close();
    }
}

TEST_F(MemoTest, StoredLineBreaksSurviveAnEditElsewhere)
{
    const char *stored[] = {"a\r\nb",
                            "a\nb",
                            "a\rb",
                            "x\r\r\n",
                            "\r\n\r\n",
                            "\n\r",
                            "tab\tc\x01"
                            "de",
                            "&<>\"",
                            "\xA1\xA1 \x80",
                            "a  b "};
    for (const char *original : stored) {
        SCOPED_TRACE(testing::PrintToString(std::string(original)));
        openWith(Guige, {std::string(original)});
        showPane("Guige");
        caretToEnd();
        typeChars(edit(), QStringLiteral("z"));
        key(Qt::Key_Backspace);
        cds.CheckBrowseMode();
        EXPECT_EQ(value("GuiGe"), std::string(original));
        window.reset();
        cds.Close();
    }
}

TEST_F(MemoTest, AStoredCrLfIsOneLineOfTheEdit)
{
    openWith(Guige, {std::string("one\r\ntwo\nthree")});
    showPane("Guige");
    EXPECT_EQ(edit()->blockCount(), 2);
    EXPECT_EQ(memo->Text(), QStringLiteral("one\ntwo\u240Athree"));
    // A line break is one step for the caret and goes with one Backspace.
    caretTo(4);
    key(Qt::Key_Backspace);
    cds.CheckBrowseMode();
    EXPECT_EQ(value("GuiGe"), "onetwo\nthree");
}

QAction *menuAction(QMenu &menu, const QString &text)
{
    for (QAction *action : menu.actions())
        if (action->text() == text) return action;
    ADD_FAILURE() << "no menu entry " << text.toStdString();
    static QAction none;
    return &none;
}

enum class TRefusal { DataSetReadOnly, PacketForbidsEdits, FieldReadOnly, PaneReadOnly };

TEST_F(MemoTest, ARefusedChangeDoesNothing)
{
    const std::pair<const char *, TRefusal> refusals[] = {
        {"data set opened read-only", TRefusal::DataSetReadOnly},
        {"packet forbids edits", TRefusal::PacketForbidsEdits},
        {"field read-only", TRefusal::FieldReadOnly},
        {"pane read-only", TRefusal::PaneReadOnly},
    };
    // Every way of changing the text; the menu entries are fired directly, since a disabled
    // entry is no proof that the change itself would be refused.
    const std::pair<const char *, std::function<void()>> changes[] = {
        {"typing", [&] { typeChars(edit(), QStringLiteral("x")); }},
        {"input method", [&] { commitFromInputMethod(edit(), QStringLiteral("中")); }},
        {"Backspace", [&] { key(Qt::Key_Backspace); }},
        {"Delete", [&] { caretTo(0), key(Qt::Key_Delete); }},
        {"Enter", [&] { key(Qt::Key_Return); }},
        {"Ctrl+V",
         [&] {
             QGuiApplication::clipboard()->setText(QStringLiteral("p"));
             QTest::keyClick(edit(), Qt::Key_V, Qt::ControlModifier);
         }},
        {"Ctrl+X",
         [&] {
             edit()->selectAll();
             QTest::keyClick(edit(), Qt::Key_X, Qt::ControlModifier);
         }},
        {"menu cut, paste and delete",
         [&] {
             edit()->selectAll();
             QGuiApplication::clipboard()->setText(QStringLiteral("p"));
             std::unique_ptr<QMenu> menu(static_cast<TcxInnerMemo *>(edit())->createContextMenu());
             emit menuAction(*menu, QStringLiteral("剪切(&T)"))->triggered();
             emit menuAction(*menu, QStringLiteral("粘贴(&P)"))->triggered();
             emit menuAction(*menu, QStringLiteral("删除(&D)"))->triggered();
         }},
    };
    for (const auto &[name, refusal] : refusals) {
        SCOPED_TRACE(name);
        cds.SetReadOnly(refusal == TRefusal::DataSetReadOnly);
        std::vector<std::pair<std::string, bool>> params;
        if (refusal == TRefusal::PacketForbidsEdits) params.push_back({"DISABLE_EDITS", true});
        openWith(Guige, {gbkOf("原文")}, params);
        cds.FieldByName("GuiGe").SetReadOnly(refusal == TRefusal::FieldReadOnly);
        showPane("Guige");
        if (refusal == TRefusal::PaneReadOnly) memo->Properties().SetReadOnly(true);
        for (const auto &[what, change] : changes) {
            SCOPED_TRACE(what);
            caretToEnd();
            change();
            EXPECT_EQ(memo->Text(), QStringLiteral("原文"));
            EXPECT_EQ(cds.State(), TDataSetState::Browse);
        }
        window.reset();
        cds.Close();
        cds.FieldByName("GuiGe").SetReadOnly(false);
    }
    cds.SetReadOnly(false);
}

TEST_F(MemoTest, TheContextMenuChangesThroughTheSameCheck)
{
    openWith(Guige, {gbkOf("原文")});
    showPane("Guige");
    auto *inner = static_cast<TcxInnerMemo *>(edit());

    std::unique_ptr<QMenu> menu(inner->createContextMenu());
    EXPECT_FALSE(menuAction(*menu, QStringLiteral("剪切(&T)"))->isEnabled());
    edit()->selectAll();
    menu.reset(inner->createContextMenu());
    ASSERT_TRUE(menuAction(*menu, QStringLiteral("剪切(&T)"))->isEnabled());
    menuAction(*menu, QStringLiteral("剪切(&T)"))->trigger();
    EXPECT_EQ(memo->Text(), QString());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("原文"));
    EXPECT_EQ(cds.State(), TDataSetState::Edit);

    menu.reset(inner->createContextMenu());
    menuAction(*menu, QStringLiteral("粘贴(&P)"))->trigger();
    menuAction(*menu, QStringLiteral("粘贴(&P)"))->trigger();
    EXPECT_EQ(memo->Text(), QStringLiteral("原文原文"));
}

TEST_F(MemoTest, AValueThatIsNotGbkTextCannotBeEdited)
{
    // Shown with replacement characters, it could only be written back as other bytes.
    const std::string damaged = "ab\x81 cd";
    openWith(Guige, {damaged});
    showPane("Guige");
    caretToEnd();
    typeChars(edit(), QStringLiteral("x"));
    key(Qt::Key_Backspace);
    EXPECT_EQ(cds.State(), TDataSetState::Browse);
    EXPECT_EQ(value("GuiGe"), damaged);
}

TEST_F(MemoTest, ClosedDataSetEmptiesThePaneAndAMissingFieldFailsTheOpen)
{
    openWith(Guige, {gbkOf("原文")});
    showPane("Guige");
    cds.Close();
    EXPECT_TRUE(memo->isReadOnly());
    typeChars(edit(), QStringLiteral("x"));
    EXPECT_EQ(memo->Text(), QString());

    memo->DataBinding().SetDataField("Nope");
    EXPECT_EQ(errorOf([&] { cds.Open(); }), "cxDBMemo1: Field 'Nope' not found");
}

TEST_F(MemoTest, CtrlASelectsTheWholeText)
{
    openWith(Guige, {gbkOf("一\r\n二")});
    showPane("Guige");
    key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(edit()->textCursor().selectionStart(), 0);
    EXPECT_EQ(edit()->textCursor().selectionEnd(), 3);
    EXPECT_EQ(cds.State(), TDataSetState::Browse);
}

TEST_F(MemoTest, TheSelectionShowsOnlyWhileThePaneHasTheFocus)
{
    openWith(Guige, {gbkOf("原文原文")});
    showPane("Guige");
    edit()->selectAll();
    const auto highlighted = [&] {
        const QImage image = memo->grab().toImage();
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixelColor(x, y) == toQColor(clHighlight);
        return count;
    };
    EXPECT_GT(highlighted(), 0);
    other->setFocus();
    EXPECT_EQ(highlighted(), 0);
    EXPECT_EQ(edit()->textCursor().selectedText(), QStringLiteral("原文原文"))
        << "only hidden, not dropped";
}

} // namespace
