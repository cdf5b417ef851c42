#include <QApplication>

#include <gtest/gtest.h>

// Runs the suite inside one application object, as widgets need.
int main(int argc, char **argv)
{
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
