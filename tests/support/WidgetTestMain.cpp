// Entry of the widget test binaries: real Qt widgets on the offscreen platform, with the
// program's own application object and its exception hook.
#include "Libraries/Error.h"
#include "platform/qt/QtApplication.h"

#include "platform/Locale.h"

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    TQtApplication application(argc, argv);
    application.OnException = [](const std::string &message) {
        FunStatContext.OnApplicationException(message);
    };
    // Texts that follow the regional settings are checked against one fixed locale.
    Platform::SetLocaleName("en_US");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
