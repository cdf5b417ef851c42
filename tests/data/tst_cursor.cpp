// The record cursor: moves, bookmarks, the window of record buffers and what links hear.
#include "DataSetTestSupport.h"

#include "data/DataSource.h"
#include "data/FieldDataLink.h"

using namespace testsupport;

namespace {

// A data set of `count` drugs named "drug1", "drug2", ... with one recording link attached.
class CursorTest : public ::testing::Test
{
protected:
    void open(int count)
    {
        createDrugFields(cds);
        std::vector<std::vector<TValue>> rows;
        for (int i = 1; i <= count; ++i)
            rows.push_back(drugRow("drug" + std::to_string(i)));
        cds.SetFileName(folder + "YaoPin.XML");
        writeFile(cds.FileName(), packet(drugPacketFields(), rows));
        source.SetDataSet(&cds);
        link.SetDataSource(&source);
        cds.Open();
        log.clear();
    }

    std::string current() const { return cds.FieldByName("TongYongMing").AsString(); }

    const std::string folder = makeFolder();
    TClientDataSet cds{"cds"};
    TDataSource source{"DataSource1"};
    TLog log;
    TRecordingLink link{log, "link"};
};

} // namespace

TEST_F(CursorTest, OpenMakesTheFirstRecordCurrent)
{
    createDrugFields(cds);
    cds.SetFileName(folder + "YaoPin.XML");
    writeFile(cds.FileName(), packet(drugPacketFields(), {drugRow("a"), drugRow("b")}));
    source.SetDataSet(&cds);
    link.SetDataSource(&source);
    cds.Open();
    // The link learns of the open through its state alone.
    EXPECT_EQ(log, TLog({"link: active"}));
    EXPECT_EQ(cds.State(), TDataSetState::Browse);
    EXPECT_TRUE(cds.Bof());
    EXPECT_FALSE(cds.Eof());
    EXPECT_EQ(current(), "a");
    EXPECT_EQ(cds.RecNo(), 1);
    EXPECT_EQ(cds.RecordCount(), 2);

    log.clear();
    cds.Open(); // already open: nothing is reloaded
    EXPECT_TRUE(log.empty());
}

TEST_F(CursorTest, NextAtTheLastRecordScrollsByZeroOnceThenStaysSilent)
{
    open(3);
    EXPECT_EQ(cds.MoveBy(2), 2);
    EXPECT_EQ(current(), "drug3");
    EXPECT_FALSE(cds.Eof());
    log.clear();

    EXPECT_EQ(cds.MoveBy(1), 0);
    EXPECT_TRUE(cds.Eof());
    EXPECT_EQ(log, TLog({"link: scrolled 0"}));
    EXPECT_EQ(current(), "drug3");

    log.clear();
    EXPECT_EQ(cds.MoveBy(1), 0);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(current(), "drug3");

    // Backward moves clear EOF again.
    EXPECT_EQ(cds.MoveBy(-1), -1);
    EXPECT_FALSE(cds.Eof());
    EXPECT_EQ(current(), "drug2");
}

TEST_F(CursorTest, MoveByMovesAsFarAsThereAreRecords)
{
    open(3);
    EXPECT_EQ(cds.MoveBy(5), 2);
    EXPECT_TRUE(cds.Eof());
    EXPECT_EQ(current(), "drug3");
    EXPECT_EQ(log, TLog({"link: scrolled 2"}));

    log.clear();
    EXPECT_EQ(cds.MoveBy(-5), -2);
    EXPECT_TRUE(cds.Bof());
    EXPECT_FALSE(cds.Eof());
    EXPECT_EQ(current(), "drug1");
    EXPECT_EQ(log, TLog({"link: scrolled -2"}));

    log.clear();
    EXPECT_EQ(cds.MoveBy(-1), 0);
    EXPECT_EQ(cds.MoveBy(0), 0);
    EXPECT_TRUE(log.empty());
}

TEST_F(CursorTest, FirstAndLastAnnounceAGeneralChange)
{
    open(4);
    cds.Last();
    EXPECT_EQ(current(), "drug4");
    EXPECT_TRUE(cds.Eof());
    EXPECT_EQ(cds.RecNo(), 4);
    cds.First();
    EXPECT_EQ(current(), "drug1");
    EXPECT_TRUE(cds.Bof());
    EXPECT_EQ(log, TLog({"link: changed", "link: changed"}));
}

TEST_F(CursorTest, ControlsDisabledDeferOneGeneralChange)
{
    open(5);
    cds.DisableControls();
    cds.DisableControls();
    cds.Next();
    cds.Next();
    cds.EnableControls();
    cds.Next();
    EXPECT_TRUE(log.empty());
    cds.EnableControls();
    EXPECT_EQ(log, TLog({"link: changed"}));
    EXPECT_EQ(current(), "drug4");

    log.clear();
    cds.EnableControls(); // unbalanced: ignored
    EXPECT_TRUE(log.empty());
}

TEST_F(CursorTest, ClosingWhileDisabledReportsOnlyTheStateChange)
{
    open(2);
    cds.DisableControls();
    cds.Close();
    EXPECT_TRUE(log.empty());
    cds.EnableControls();
    EXPECT_EQ(log, TLog({"link: inactive"}));
}

TEST_F(CursorTest, BookmarksCompareWithMissingOnesLast)
{
    open(3);
    const TBookmark first = cds.GetBookmark();
    cds.Next();
    const TBookmark second = cds.GetBookmark();
    ASSERT_TRUE(first && second);
    const TBookmark none;

    struct TCase
    {
        const char *name;
        const TBookmark &a;
        const TBookmark &b;
        int expected;
    };
    const TCase cases[] = {
        {"bookmark before missing", first, none, -1},
        {"missing after bookmark", none, first, 1},
        {"two missing", none, none, 0},
        {"earlier record first", first, second, -1},
        {"later record last", second, first, 1},
        {"same record", second, second, 0},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(cds.CompareBookmarks(c.a, c.b), c.expected);
    }

    cds.Last();
    log.clear();
    cds.GotoBookmark(none);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(current(), "drug3");

    EXPECT_TRUE(cds.BookmarkValid(first));
    EXPECT_FALSE(cds.BookmarkValid(none));
    cds.GotoBookmark(first);
    EXPECT_EQ(current(), "drug1");
    EXPECT_EQ(log, TLog({"link: changed"}));
    // Checking a bookmark moves the engine, not the current record.
    EXPECT_TRUE(cds.BookmarkValid(second));
    cds.Next();
    EXPECT_EQ(current(), "drug2");
}

TEST_F(CursorTest, AnEmptySetHasNoBookmarkAndNoRecords)
{
    open(0);
    EXPECT_TRUE(cds.IsEmpty());
    EXPECT_TRUE(cds.Bof());
    EXPECT_TRUE(cds.Eof());
    EXPECT_FALSE(cds.BookmarkAvailable());
    EXPECT_FALSE(cds.GetBookmark().has_value());
    EXPECT_EQ(cds.RecordCount(), 0);
    EXPECT_EQ(cds.MoveBy(1), 0);
    cds.First();
    EXPECT_TRUE(cds.Eof());
    EXPECT_TRUE(cds.FieldByName("TongYongMing").IsNull());
}

TEST_F(CursorTest, SetRecNoMovesToThatRecord)
{
    open(5);
    cds.SetRecNo(4);
    EXPECT_EQ(current(), "drug4");
    EXPECT_EQ(cds.RecNo(), 4);
    EXPECT_EQ(log, TLog({"link: changed"}));
    log.clear();
    cds.SetRecNo(4);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(errorOf([&] { cds.SetRecNo(9); }), "cds: Record not found");
    EXPECT_EQ(current(), "drug4");
    cds.Next();
    EXPECT_EQ(current(), "drug5");
}

TEST_F(CursorTest, OperationsOnAClosedSetFail)
{
    createDrugFields(cds);
    const std::string closed = "cds: Cannot perform this operation on a closed dataset";
    EXPECT_EQ(errorOf([&] { cds.Next(); }), closed);
    EXPECT_EQ(errorOf([&] { cds.First(); }), closed);
    EXPECT_EQ(errorOf([&] { cds.Edit(); }), closed);
    EXPECT_EQ(errorOf([&] { cds.Insert(); }), closed);
    EXPECT_EQ(errorOf([&] { cds.CheckBrowseMode(); }), closed);
    EXPECT_EQ(errorOf([&] { cds.RecordCount(); }), closed);
    EXPECT_TRUE(cds.IsEmpty());
    EXPECT_FALSE(cds.BookmarkAvailable());
}

TEST(DataLinks, HearEventsNonVisualFirstThenLastAttachedFirst)
{
    const std::string folder = makeFolder();
    TClientDataSet cds("cds");
    createDrugFields(cds);
    cds.SetFileName(folder + "YaoPin.XML");
    writeFile(cds.FileName(), packet(drugPacketFields(), {drugRow("a"), drugRow("b")}));
    TDataSource source("DataSource1");
    source.SetDataSet(&cds);
    TLog log;
    TRecordingLink grid(log, "grid");
    TRecordingLink detail(log, "detail", false);
    TRecordingLink memo(log, "memo");
    TRecordingLink lookup(log, "lookup", false);
    for (TDataLink *link : std::initializer_list<TDataLink *>{&grid, &detail, &memo, &lookup})
        link->SetDataSource(&source);

    cds.Open();
    cds.Next();
    EXPECT_EQ(log, TLog({"lookup: active", "detail: active", "memo: active", "grid: active",
                         "lookup: scrolled 1", "detail: scrolled 1", "memo: scrolled 1",
                         "grid: scrolled 1"}));

    // A detached link, and every link of a disabled source, hears nothing more.
    log.clear();
    memo.SetDataSource(nullptr);
    EXPECT_EQ(log, TLog({"memo: inactive"}));
    log.clear();
    source.SetEnabled(false);
    EXPECT_EQ(log, TLog({"lookup: inactive", "detail: inactive", "grid: inactive"}));
    log.clear();
    cds.Prior();
    EXPECT_TRUE(log.empty());
}

TEST(DataLinks, ALinkWithSeveralBuffersScrollsOnlyWhenTheRecordLeavesItsBuffers)
{
    const std::string folder = makeFolder();
    TClientDataSet cds("cds");
    createDrugFields(cds);
    cds.SetFileName(folder + "YaoPin.XML");
    std::vector<std::vector<TValue>> rows;
    for (int i = 1; i <= 6; ++i)
        rows.push_back(drugRow("drug" + std::to_string(i)));
    writeFile(cds.FileName(), packet(drugPacketFields(), rows));
    TDataSource source("DataSource1");
    source.SetDataSet(&cds);
    TLog log;
    TRecordingLink list(log, "list");
    list.SetBufferCount(3);
    TRecordingLink pane(log, "pane");
    list.SetDataSource(&source);
    pane.SetDataSource(&source);
    cds.Open();
    EXPECT_EQ(cds.bufferCount(), 3);
    EXPECT_EQ(cds.windowRecordCount(), 3);

    struct TStep
    {
        int distance;
        std::string name;
        int listActive;
        TLog heard;
    };
    const TStep steps[] = {
        {1, "drug2", 1, {"pane: scrolled 1", "list: scrolled 0"}},
        {1, "drug3", 2, {"pane: scrolled 1", "list: scrolled 0"}},
        {1, "drug4", 2, {"pane: scrolled 1", "list: scrolled 1"}},
        {2, "drug6", 2, {"pane: scrolled 2", "list: scrolled 2"}},
        {-1, "drug5", 1, {"pane: scrolled -1", "list: scrolled 0"}},
        {-3, "drug2", 0, {"pane: scrolled -3", "list: scrolled -2"}},
    };
    log.clear();
    for (const TStep &step : steps) {
        SCOPED_TRACE(step.name);
        cds.MoveBy(step.distance);
        EXPECT_EQ(cds.FieldByName("TongYongMing").AsString(), step.name);
        EXPECT_EQ(list.ActiveRecord(), step.listActive);
        EXPECT_EQ(pane.ActiveRecord(), 0);
        EXPECT_EQ(log, step.heard);
        log.clear();
    }

    // A move to a record far away re-centres the window.
    cds.SetRecNo(5);
    EXPECT_EQ(cds.FieldByName("TongYongMing").AsString(), "drug5");
    EXPECT_EQ(cds.activeRecord(), 1);
    EXPECT_EQ(list.ActiveRecord(), 1);
    EXPECT_EQ(cds.windowRecordCount(), 3);

    // Without the wide link the window shrinks back to one record and keeps the current one.
    list.SetDataSource(nullptr);
    EXPECT_EQ(cds.bufferCount(), 1);
    EXPECT_EQ(cds.FieldByName("TongYongMing").AsString(), "drug5");
    cds.Next();
    EXPECT_EQ(cds.FieldByName("TongYongMing").AsString(), "drug6");
}

TEST(DataLinks, ALinkDetachedWhileAnEventIsPassedOnHearsNoMoreOfIt)
{
    const std::string folder = makeFolder();
    TClientDataSet cds("cds");
    createDrugFields(cds);
    cds.SetFileName(folder + "YaoPin.XML");
    writeFile(cds.FileName(), packet(drugPacketFields(), {drugRow("a"), drugRow("b")}));
    TDataSource source("DataSource1");
    source.SetDataSet(&cds);
    TLog log;
    auto victim = std::make_unique<TRecordingLink>(log, "victim");
    victim->SetDataSource(&source);

    // Attached last, so it hears first, and destroys the other link on the first scroll.
    struct TKiller : TDataLink
    {
        std::unique_ptr<TRecordingLink> *target = nullptr;
        void DataSetScrolled(int) override { target->reset(); }
    } killer;
    killer.target = &victim;
    killer.SetVisualControl(true);
    killer.SetDataSource(&source);
    cds.Open();
    log.clear();
    cds.Next();
    EXPECT_EQ(victim, nullptr);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(source.dataLinks().size(), 1u);
}

TEST_F(CursorTest, EnablingControlsReportsAStateChangeMadeMeanwhile)
{
    open(2);
    cds.DisableControls();
    cds.Edit();
    cds.FieldByName("Web").SetAsString("x");
    EXPECT_TRUE(cds.Modified()) << "a write counts even while the views hear nothing";
    EXPECT_TRUE(log.empty());
    cds.EnableControls();
    EXPECT_EQ(log, TLog({"link: editing", "link: changed"}));
    EXPECT_TRUE(link.Editing());
}

TEST_F(CursorTest, AFieldAsksTheViewThatShowsItForTheFocus)
{
    open(1);
    TFieldDataLink name;
    TFieldDataLink web;
    TFieldDataLink webToo;
    std::vector<std::string> focused;
    name.OnFocusControl = [&] { focused.push_back("name"); };
    web.OnFocusControl = [&] { focused.push_back("web"); };
    webToo.OnFocusControl = [&] { focused.push_back("webToo"); };
    name.SetFieldName("TongYongMing");
    web.SetFieldName("Web");
    webToo.SetFieldName("web");
    for (TFieldDataLink *fieldLink : {&name, &web, &webToo})
        fieldLink->SetDataSource(&source);
    cds.FieldByName("Web").FocusControl();
    // The control attached last hears first; once one has the focus, no other takes it.
    EXPECT_EQ(focused, (std::vector<std::string>{"webToo"}));
}
