#include "widgets/AlignLayout.h"
#include "widgets/FlatPanel.h"
#include "widgets/FlatSplitter.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

template<typename W>
W *dock(QWidget *parent, TAlign align, QSize size, const char *name)
{
    auto *control = new W(parent);
    control->setObjectName(QString::fromLatin1(name));
    control->resize(size);
    setAlign(control, align);
    return control;
}

// The main window's regions, created in the order the window creates them.
struct TMainWindow
{
    TMainWindow()
    {
        form.resize(768, 513);
        new TAlignLayout(&form);
        dock<QWidget>(&form, alBottom, {768, 19}, "StatusBar1");
        auto *left = dock<TFlatPanel>(&form, alLeft, {237, 494}, "FlatPanel1");
        dock<TFlatPanel>(left, alTop, {235, 32}, "FlatPanel23");
        dock<QWidget>(left, alClient, {100, 100}, "cxGrid2");
        dock<TFlatPanel>(left, alBottom, {235, 25}, "FlatPanel24");
        auto *right = dock<TFlatPanel>(&form, alClient, {100, 100}, "FlatPanel2");
        dock<TFlatPanel>(right, alLeft, {268, 492}, "FlatPanel3");
        dock<TFlatSplitter>(right, alLeft, {3, 492}, "FlatSplitter1");
        dock<TFlatPanel>(right, alClient, {100, 100}, "FlatPanel4");
    }

    QRect bounds(const char *name) const
    {
        const auto *control = form.findChild<QWidget *>(QString::fromLatin1(name));
        return control ? control->geometry() : QRect();
    }

    QWidget form;
};

} // namespace

TEST(AlignLayout, MainWindowRegionsAtTheInitialSize)
{
    TMainWindow window;
    const struct
    {
        const char *name;
        QRect bounds;
    } rows[] = {
        {"StatusBar1", {0, 494, 768, 19}},  {"FlatPanel1", {0, 0, 237, 494}},
        {"FlatPanel23", {1, 1, 235, 32}},   {"cxGrid2", {1, 33, 235, 435}},
        {"FlatPanel24", {1, 468, 235, 25}}, {"FlatPanel2", {237, 0, 531, 494}},
        {"FlatPanel3", {1, 1, 268, 492}},   {"FlatSplitter1", {269, 1, 3, 492}},
        {"FlatPanel4", {272, 1, 258, 492}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(window.bounds(row.name), row.bounds);
    }
}

TEST(AlignLayout, ResizingKeepsTheDockedSizes)
{
    TMainWindow window;
    // Qt tells a container of its new size once it is shown, and the layout follows then.
    window.form.show();
    window.form.resize(600, 400);
    EXPECT_EQ(window.bounds("StatusBar1"), QRect(0, 381, 600, 19));
    // The left half keeps its width; only the right half and the list give way.
    EXPECT_EQ(window.bounds("FlatPanel1"), QRect(0, 0, 237, 381));
    EXPECT_EQ(window.bounds("cxGrid2"), QRect(1, 33, 235, 381 - 2 - 32 - 25));
    EXPECT_EQ(window.bounds("FlatPanel24"), QRect(1, 381 - 1 - 25, 235, 25));
    EXPECT_EQ(window.bounds("FlatPanel2"), QRect(237, 0, 363, 381));
    EXPECT_EQ(window.bounds("FlatPanel3"), QRect(1, 1, 268, 379));
    EXPECT_EQ(window.bounds("FlatPanel4"), QRect(272, 1, 363 - 2 - 271, 379));
}

TEST(AlignLayout, SidesAreServedTopBottomLeftRightThenClient)
{
    // Created in the reverse order, so only the rule can put them where they belong.
    QWidget container;
    container.resize(100, 80);
    new TAlignLayout(&container, QMargins(1, 1, 1, 1));
    auto *client = dock<QWidget>(&container, alClient, {5, 5}, "client");
    auto *right = dock<QWidget>(&container, alRight, {10, 5}, "right");
    auto *left = dock<QWidget>(&container, alLeft, {12, 5}, "left");
    auto *bottom = dock<QWidget>(&container, alBottom, {5, 7}, "bottom");
    auto *top = dock<QWidget>(&container, alTop, {5, 9}, "top");
    auto *free = dock<QWidget>(&container, alNone, {5, 5}, "free");
    free->move(40, 40);

    EXPECT_EQ(top->geometry(), QRect(1, 1, 98, 9));
    EXPECT_EQ(bottom->geometry(), QRect(1, 72, 98, 7));
    EXPECT_EQ(left->geometry(), QRect(1, 10, 12, 62));
    EXPECT_EQ(right->geometry(), QRect(89, 10, 10, 62));
    EXPECT_EQ(client->geometry(), QRect(13, 10, 76, 62));
    EXPECT_EQ(free->geometry(), QRect(40, 40, 5, 5));
}

TEST(AlignLayout, SameSideStacksInChildOrderAndFollowsSizeChanges)
{
    QWidget container;
    container.resize(50, 100);
    new TAlignLayout(&container);
    auto *first = dock<QWidget>(&container, alTop, {50, 10}, "first");
    auto *second = dock<QWidget>(&container, alTop, {50, 20}, "second");
    auto *lowest = dock<QWidget>(&container, alBottom, {50, 5}, "lowest");
    auto *above = dock<QWidget>(&container, alBottom, {50, 6}, "above");
    auto *rest = dock<QWidget>(&container, alClient, {1, 1}, "rest");
    container.show();

    EXPECT_EQ(second->geometry(), QRect(0, 10, 50, 20));
    EXPECT_EQ(lowest->geometry(), QRect(0, 95, 50, 5));
    EXPECT_EQ(above->geometry(), QRect(0, 89, 50, 6));
    EXPECT_EQ(rest->geometry(), QRect(0, 30, 50, 59));

    first->resize(50, 25);
    EXPECT_EQ(second->geometry(), QRect(0, 25, 50, 20));
    EXPECT_EQ(rest->geometry(), QRect(0, 45, 50, 44));

    // A docked child moved out of place goes back; a hidden one gives its room back.
    second->move(0, 70);
    EXPECT_EQ(second->geometry(), QRect(0, 25, 50, 20));
    first->hide();
    EXPECT_EQ(second->geometry(), QRect(0, 0, 50, 20));
    EXPECT_EQ(rest->geometry(), QRect(0, 20, 50, 69));
    first->show();
    EXPECT_EQ(second->geometry(), QRect(0, 25, 50, 20));

    setAlign(first, alNone);
    EXPECT_EQ(second->geometry(), QRect(0, 0, 50, 20));
}

TEST(AlignLayout, UsedUpRoomLeavesLaterChildrenEmpty)
{
    QWidget container;
    container.resize(40, 30);
    new TAlignLayout(&container);
    dock<QWidget>(&container, alTop, {40, 20}, "top");
    auto *bottom = dock<QWidget>(&container, alBottom, {40, 20}, "bottom");
    auto *left = dock<QWidget>(&container, alLeft, {10, 5}, "left");
    auto *client = dock<QWidget>(&container, alClient, {5, 5}, "client");
    EXPECT_EQ(bottom->geometry(), QRect(0, 10, 40, 20));
    EXPECT_EQ(left->height(), 0);
    EXPECT_EQ(client->height(), 0);
    EXPECT_GE(client->width(), 0);
}

TEST(AlignLayout, LockDefersTheLayoutToTheOutermostRelease)
{
    QWidget container;
    container.resize(50, 100);
    new TAlignLayout(&container);
    auto *top = dock<QWidget>(&container, alTop, {50, 10}, "top");
    auto *rest = dock<QWidget>(&container, alClient, {1, 1}, "rest");
    container.show();
    {
        TAlignLock outer(&container);
        {
            TAlignLock inner(&container);
            top->resize(50, 30);
        }
        container.resize(60, 100);
        EXPECT_EQ(rest->geometry(), QRect(0, 10, 50, 90));
    }
    EXPECT_EQ(top->geometry(), QRect(0, 0, 60, 30));
    EXPECT_EQ(rest->geometry(), QRect(0, 30, 60, 70));
}
