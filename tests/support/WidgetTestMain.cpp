// Entry of the widget test binaries: real Qt widgets on the offscreen platform, with the
// program's own application object and its exception hook.
#include "Libraries/Error.h"
#include "platform/qt/QtApplication.h"

#include "platform/Locale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // Thumbnails the tests render go to a cache folder of this run, never the user's.
    std::string cache = (std::filesystem::temp_directory_path() / "velmordian-cache-XXXXXX").string();
    if (mkdtemp(cache.data())) setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    TQtApplication application(argc, argv);
    application.OnException = [](const std::string &message) {
        FunStatContext.OnApplicationException(message);
    };
    // Texts that follow the regional settings are checked against one fixed locale.
    Platform::SetLocaleName("en_US");
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    std::filesystem::remove_all(cache, ignored);
    return result;
}
