#include "shell/Application.h"

#include <gtest/gtest.h>

// Runs the suite inside the program's own application object.
int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no display.
    if (testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    TApplication application(argc, argv);
    application.SetTitle(QStringLiteral("Tervana"));
    return RUN_ALL_TESTS();
}
