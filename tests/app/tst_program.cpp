#include "forms/about/About.h"
#include "data/ClientDataSet.h"
#include "DataSetTestSupport.h"
#include "platform/IntegrityRecord.h"
#include "platform/ModulePath.h"
#include "shell/Application.h"
#include "forms/main/Main.h"
#include "shell/MessageForm.h"
#include "ModalDriver.h"
#include "program/Program.h"
#include "RecordingPlatform.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

// The whole program body: the splash first, then the main window, then the end. It ends the
// application object's loop for good, so it is a suite of its own.
TEST(Program, SplashThenMainWindowThenTheEnd)
{
    std::vector<std::vector<testsupport::TValue>> rows(2, std::vector<testsupport::TValue>(22));
    rows[0][0] = "B";
    rows[1][0] = "A";
    std::ofstream(executableDirectory() + "YaoPin.XML", std::ios::binary | std::ios::trunc)
        << integrity::sealed(testsupport::packet(testsupport::drugPacketFields(), rows));
    TRecordingPlatform platform;
    bool splashChecked = false;
    bool mainChecked = false;
    whenShown<TFAbout>([&](TFAbout *about) {
        splashChecked = true;
        EXPECT_EQ(about, FAbout);
        EXPECT_TRUE(about->isModal());
        EXPECT_TRUE(about->Label3->Caption().isEmpty());
        EXPECT_EQ(Form1, nullptr) << "the main window exists only after the splash";
        EXPECT_EQ(Application->MainForm(), about);
        QTest::mouseClick(about->Image1, Qt::LeftButton);
        whenShown<TForm1>([&](TForm1 *form) {
            mainChecked = true;
            EXPECT_EQ(FAbout, nullptr);
            EXPECT_EQ(Application->MainForm(), form);
            EXPECT_FALSE(Application->Terminated()) << "closing the splash ends nothing";
            EXPECT_TRUE(waitFor([form] { return form->cds->Active(); }))
                << "the first activation opened the data file";
            const QRect screen = QGuiApplication::primaryScreen()->geometry();
            const QPoint offset = form->frameGeometry().center() - screen.center();
            EXPECT_LE(std::abs(offset.x()), 1);
            EXPECT_LE(std::abs(offset.y()), 1);
            form->Close();
        });
    });
    EXPECT_EQ(runProgram(), 0);
    EXPECT_TRUE(splashChecked);
    EXPECT_TRUE(mainChecked);
    EXPECT_TRUE(Application->Terminated());
    EXPECT_TRUE(platform.errorBoxes.isEmpty());

    // Once terminated, a message box closes at once.
    QElapsedTimer timer;
    timer.start();
    ShowMessage(QStringLiteral("数据文件错误！"));
    EXPECT_LT(timer.elapsed(), 1000);
}
