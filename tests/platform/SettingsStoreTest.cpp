// The per-user settings store.
#include "platform/SettingsStore.h"

#include "tests/support/TestSupport.h"

#include <cstdlib>

TEST(SettingsStoreTest, ValuesLiveInOneFilePerProgramKey)
{
    TTempDir dir;
    setenv("XDG_CONFIG_HOME", dir.Path().c_str(), 1);
    std::string value;
    EXPECT_FALSE(Platform::SettingsStoreRead("Software\\Velmordian\\", "OptionsPath", value));
    ASSERT_TRUE(Platform::SettingsStoreWrite("Software\\Velmordian\\", "OptionsPath", "/data/opt"));
    ASSERT_TRUE(Platform::SettingsStoreWrite("Software\\Velmordian\\Uninstall", "DisplayName", "V"));
    ASSERT_TRUE(Platform::SettingsStoreWrite("Software\\Velmordian\\", "OptionsPath", "/x = y"));
    ASSERT_TRUE(Platform::SettingsStoreWrite("Software\\Tapestrovex\\", "BroadcastWallpaperChange", "/p.jpg"));
    EXPECT_TRUE(Platform::SettingsStoreRead("Software\\Velmordian\\", "OptionsPath", value));
    EXPECT_EQ(value, "/x = y");
    EXPECT_TRUE(Platform::SettingsStoreRead("Software\\Velmordian\\Uninstall", "DisplayName", value));
    EXPECT_EQ(value, "V");
    EXPECT_EQ(dir.ReadFile("Velmordian/registry.ini"),
              "[Velmordian]\nOptionsPath=/x = y\n[Velmordian\\Uninstall]\nDisplayName=V\n");
    EXPECT_EQ(Platform::SettingsStoreFile("Software\\Tapestrovex\\"), dir / "Tapestrovex/registry.ini");
    EXPECT_FALSE(Platform::SettingsStoreWrite("Software\\Velmordian\\", "Bad\nName", "v"));
    EXPECT_FALSE(Platform::SettingsStoreWrite("Software\\..\\", "a", "v"));
    unsetenv("XDG_CONFIG_HOME");
}
