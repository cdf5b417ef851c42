#include "Application.h"

#include <gtest/gtest.h>

// Runs the suite inside the program's own application object.
int main(int argc, char **argv)
{
    TApplication application(argc, argv);
    application.SetTitle(QStringLiteral("Tervana"));
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
