#include "grid/cxGrid.h"
#include "forms/main/Main.h"
#include "ModalDriver.h"
#include "editors/cxDBMemo.h"

#include <QApplication>
#include <QTest>

#include <gtest/gtest.h>

// The main window's arrangement at its initial size and when it is resized.
namespace {

struct TRegion
{
    const char *name;
    QRect rect; // in the parent's coordinates
};

QWidget *child(QWidget *form, const char *name)
{
    return form->findChild<QWidget *>(QString::fromLatin1(name));
}

void expectRegions(QWidget *form, std::initializer_list<TRegion> regions)
{
    for (const TRegion &region : regions) {
        SCOPED_TRACE(region.name);
        QWidget *widget = child(form, region.name);
        ASSERT_TRUE(widget);
        EXPECT_EQ(widget->geometry(), region.rect);
    }
}

std::unique_ptr<TForm1> shownForm()
{
    auto form = std::make_unique<TForm1>();
    form->show();
    waitFor([&] { return form->isVisible() && form->width() == 768; });
    return form;
}

} // namespace

TEST(MainLayout, RegionsAtTheInitialSize)
{
    auto form = shownForm();
    EXPECT_EQ(form->size(), QSize(768, 513));
    expectRegions(form.get(), {
                                  {"StatusBar1", {0, 494, 768, 19}},
                                  {"FlatPanel1", {0, 0, 237, 494}},
                                  {"FlatPanel23", {1, 1, 235, 32}},
                                  {"cxGrid2", {1, 33, 235, 435}},
                                  {"FlatPanel24", {1, 468, 235, 25}},
                                  {"FlatPanel2", {237, 0, 531, 494}},
                                  {"FlatPanel3", {1, 1, 268, 492}},
                                  {"FlatSplitter1", {269, 1, 3, 492}},
                                  {"FlatPanel4", {272, 1, 258, 492}},
                                  // The left column: sections and the splitters under them.
                                  {"FlatPanel5", {1, 1, 266, 76}},
                                  {"FlatSplitter2", {1, 77, 266, 3}},
                                  {"FlatPanel7", {1, 80, 266, 73}},
                                  {"FlatSplitter3", {1, 153, 266, 3}},
                                  {"FlatPanel9", {1, 156, 266, 89}},
                                  {"FlatSplitter4", {1, 245, 266, 3}},
                                  {"FlatPanel11", {1, 248, 266, 97}},
                                  {"FlatSplitter5", {1, 345, 266, 3}},
                                  {"FlatPanel13", {1, 348, 266, 69}},
                                  {"FlatSplitter6", {1, 417, 266, 3}},
                                  {"FlatPanel15", {1, 420, 266, 71}},
                                  // The right column and the manufacturer block.
                                  {"FlatPanel17", {1, 1, 256, 96}},
                                  {"FlatSplitter7", {1, 97, 256, 3}},
                                  {"FlatPanel19", {1, 100, 256, 96}},
                                  {"FlatSplitter9", {1, 196, 256, 3}},
                                  {"FlatPanel21", {1, 199, 256, 189}},
                                  {"FlatPanel25", {1, 388, 256, 103}},
                                  // Inside a section: the caption bar, then the pane.
                                  {"FlatPanel6", {1, 1, 264, 20}},
                                  {"cxDBMemo1", {1, 21, 264, 54}},
                                  {"FlatPanel26", {1, 1, 254, 20}},
                                  {"FlatPanel27", {1, 21, 254, 81}},
                                  // Labels.
                                  {"DBText1", {1, 8, 233, 19}},
                                  {"DBText2", {80, 4, 65, 17}},
                                  {"DBText3", {52, 8, 400, 13}},
                              });
    for (const char *name : {"Label1", "Label2", "Label3", "Label4", "Label5"})
        ASSERT_TRUE(child(form.get(), name)) << name;
    EXPECT_EQ(child(form.get(), "Label1")->pos(), QPoint(48, 8));
    EXPECT_EQ(child(form.get(), "Label2")->pos(), QPoint(124, 8));
}

TEST(MainLayout, ResizingChangesOnlyTheRightHalfAndTheTwoRestSections)
{
    auto form = shownForm();
    form->resize(700, 450);
    waitFor([&] { return child(form.get(), "StatusBar1")->y() == 431; });
    expectRegions(form.get(), {
                                  {"StatusBar1", {0, 431, 700, 19}},
                                  {"FlatPanel1", {0, 0, 237, 431}},
                                  {"FlatPanel23", {1, 1, 235, 32}},
                                  {"cxGrid2", {1, 33, 235, 372}},
                                  {"FlatPanel24", {1, 405, 235, 25}},
                                  {"FlatPanel2", {237, 0, 463, 431}},
                                  {"FlatPanel3", {1, 1, 268, 429}},
                                  {"FlatPanel4", {272, 1, 190, 429}},
                                  {"FlatPanel5", {1, 1, 266, 76}},
                                  {"FlatPanel13", {1, 348, 266, 69}},
                                  {"FlatPanel15", {1, 420, 266, 8}},
                                  {"FlatPanel17", {1, 1, 188, 96}},
                                  {"FlatPanel19", {1, 100, 188, 96}},
                                  {"FlatPanel21", {1, 199, 188, 126}},
                                  {"FlatPanel25", {1, 325, 188, 103}},
                              });
}

TEST(MainLayout, TabVisitsTheListThenTheNinePanesInOrder)
{
    auto form = shownForm();
    form->activateWindow();
    QWidget *list = child(form.get(), "cxGrid2");
    list->setFocus();
    ASSERT_TRUE(waitFor([&] { return list->hasFocus(); }));
    const char *panes[] = {"cxDBMemo1", "cxDBMemo2", "cxDBMemo3", "cxDBMemo4", "cxDBMemo5",
                           "cxDBMemo6", "cxDBMemo7", "cxDBMemo8", "cxDBMemo9"};
    for (const char *pane : panes) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *focused = QApplication::focusWidget();
        ASSERT_TRUE(focused);
        EXPECT_TRUE(focused == child(form.get(), pane) ||
                    child(form.get(), pane)->isAncestorOf(focused))
            << pane << " expected, focus is on " << focused->objectName().toStdString();
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_TRUE(list->hasFocus() || list->isAncestorOf(QApplication::focusWidget()));
}
