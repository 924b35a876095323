// Tests of the viewer plug-in host with real plug-in libraries in a temporary plug-in folder.
#include "app/ViewerPlugins.h"

#include "Libraries/Error.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string FullPlugin = "TestPlugin.so";
const std::string SizeOnlyPlugin = "SizeOnlyPlugin.so";

// A fresh plug-in folder holding copies of the two test plug-ins, removed afterwards.
class ViewerPluginsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "velmordian-plugins-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        Directory = pattern + "/";
        fs::copy_file(VELMORDIAN_TEST_PLUGIN, Directory + FullPlugin);
        fs::copy_file(VELMORDIAN_TEST_SIZE_PLUGIN, Directory + SizeOnlyPlugin);
    }

    void TearDown() override
    {
        for (int slot = 0; slot < TViewerPlugins::SlotCount; ++slot)
            Plugins.UnloadViewerPlugin(slot);
        std::error_code ignored;
        fs::remove_all(Directory, ignored);
    }

    void Load(bool activate, const bool (&active)[3], const std::string (&names)[3])
    {
        Plugins.LoadViewerPlugins(activate, active, names, Directory);
    }

    std::string Directory;
    TViewerPlugins Plugins;
};

TEST_F(ViewerPluginsTest, MatchesWholeExtensionsOfActiveSlotsOnly)
{
    const std::string names[3] = {FullPlugin, FullPlugin, SizeOnlyPlugin};
    Load(true, {false, true, true}, names);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_FALSE(Plugins.IsLoaded(0));
    EXPECT_EQ(Plugins.Extensions(0), "");
    EXPECT_EQ(Plugins.Extensions(1), ".PCX.TGA.");

    const struct
    {
        const char *extension;
        int slot;
    } extensionCases[] = {
        {".pcx", 1},
        {".PCX", 1},
        {".tga", 1},
        {".Tga", 1},
        {".tg", -1},
        {".cx", -1},
        {".gif", -1},
        {"", -1},
    };
    for (const auto &c : extensionCases) {
        SCOPED_TRACE(c.extension);
        EXPECT_EQ(Plugins.FindViewerPluginSlot(c.extension), c.slot);
    }

    const struct
    {
        const char *name;
        bool activate;
        bool active[3];
        int slot;
    } configurationCases[] = {
        {"every slot active", true, {true, true, true}, 0},
        {"first slot inactive", true, {false, true, false}, 1},
        {"full plug-in's slots inactive", true, {false, false, true}, -1},
        {"plug-ins off", false, {true, true, true}, -1},
    };
    for (const auto &c : configurationCases) {
        SCOPED_TRACE(c.name);
        Load(c.activate, c.active, names);
        EXPECT_EQ(FunStatContext.status, fsPerfect);
        EXPECT_EQ(Plugins.FindViewerPluginSlot(".pcx"), c.slot);
        for (int slot = 0; slot < 3; ++slot)
            EXPECT_EQ(Plugins.IsLoaded(slot), c.activate && c.active[slot]) << "slot " << slot;
    }
}

TEST_F(ViewerPluginsTest, PluginWithoutExtensionListMatchesNothingAndSizesDefault)
{
    Load(true, {true, false, false}, {SizeOnlyPlugin, "", ""});
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    ASSERT_TRUE(Plugins.IsLoaded(0));
    EXPECT_EQ(Plugins.Extensions(0), "");
    EXPECT_EQ(Plugins.FindViewerPluginSlot(".pcx"), -1);
    EXPECT_EQ(Plugins.FindViewerPluginSlot("."), -1);

    int width = 0;
    int height = 0;
    ASSERT_TRUE(Plugins.GetPictureSize(0, "/x/a.pcx", ".pcx", -1, -1, width, height));
    EXPECT_EQ(width, 100);
    EXPECT_EQ(height, 100);

    TViewerPluginBitmapInfo info;
    EXPECT_FALSE(Plugins.LoadFileToBitmap(0, "/x/a.pcx", ".pcx", info));
    EXPECT_FALSE(Plugins.RecacheOnTextFormatChange(0, ".pcx"));
    EXPECT_EQ(Plugins.PluginInfo(0), "");
}

TEST_F(ViewerPluginsTest, MissingLibraryFailsButOtherSlotsLoad)
{
    const std::string missing = Directory + "Missing.so";
    Load(true, {true, true, true}, {"Missing.so", FullPlugin, SizeOnlyPlugin});
    EXPECT_EQ(FunStatContext.status, fsError);
    EXPECT_EQ(FunStatContext.description, "Failed to load plugin.");
    EXPECT_EQ(FunStatContext.parameter1, missing);
    EXPECT_FALSE(FunStatContext.parameter2.empty());
    EXPECT_FALSE(Plugins.IsLoaded(0));
    EXPECT_TRUE(Plugins.IsLoaded(1));
    EXPECT_TRUE(Plugins.IsLoaded(2));
    EXPECT_EQ(Plugins.FindViewerPluginSlot(".tga"), 1);

    // A clean reload leaves no error behind.
    Load(true, {false, true, true}, {"Missing.so", FullPlugin, SizeOnlyPlugin});
    EXPECT_EQ(FunStatContext.status, fsPerfect);
}

TEST_F(ViewerPluginsTest, CallsEntriesAndUnloadClearsSlot)
{
    Load(true, {true, false, false}, {FullPlugin, "", ""});
    ASSERT_EQ(Plugins.FindViewerPluginSlot(".pcx"), 0);
    EXPECT_EQ(Plugins.PluginInfo(0), "Velmordian test plug-in");
    EXPECT_TRUE(Plugins.RecacheOnTextFormatChange(0, ".tga"));
    EXPECT_FALSE(Plugins.RecacheOnTextFormatChange(0, ".pcx"));

    int width = 0;
    int height = 0;
    ASSERT_TRUE(Plugins.GetPictureSize(0, "/x/a.pcx", ".pcx", -1, -1, width, height));
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 32);

    std::vector<std::uint8_t> pixels(4 * 3 * 4, 0xEE);
    TViewerPluginBitmapInfo info;
    info.width = 4;
    info.height = 3;
    info.backColor = 0x00332211;
    info.pixels = pixels.data();
    ASSERT_TRUE(Plugins.LoadFileToBitmap(0, "/x/a.pcx", ".pcx", info));
    const std::size_t last = (2 * 4 + 3) * 4;
    EXPECT_EQ(pixels[last + 0], 0x33); // blue
    EXPECT_EQ(pixels[last + 1], 0x22); // green
    EXPECT_EQ(pixels[last + 2], 0x11); // red
    EXPECT_EQ(pixels[0], 0x33);

    Plugins.UnloadViewerPlugin(0);
    EXPECT_FALSE(Plugins.IsLoaded(0));
    EXPECT_EQ(Plugins.Extensions(0), "");
    EXPECT_EQ(Plugins.FindViewerPluginSlot(".pcx"), -1);
    EXPECT_FALSE(Plugins.GetPictureSize(0, "/x/a.pcx", ".pcx", -1, -1, width, height));
    EXPECT_FALSE(Plugins.LoadFileToBitmap(0, "/x/a.pcx", ".pcx", info));
    EXPECT_EQ(Plugins.PluginInfo(0), "");
}

} // namespace
