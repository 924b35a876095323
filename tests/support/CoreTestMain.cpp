// Entry of the test binaries that need no display.
#include "platform/Locale.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Texts that follow the regional settings are checked against one fixed locale.
    Platform::SetLocaleName("en_US");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
