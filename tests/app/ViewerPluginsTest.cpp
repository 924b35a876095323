// Tests of the viewer plug-in host with real plug-in libraries in a temporary plug-in folder.
#include "app/ViewerPlugins.h"

#include "Libraries/Error.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string FullPlugin = "TestPlugin.so";
const std::string SizeOnlyPlugin = "SizeOnlyPlugin.so";

// A fresh plug-in folder holding copies of the two test plug-ins, removed afterwards.
class ViewerPluginsTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
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
        TStatusTest::TearDown();
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

TEST_F(ViewerPluginsTest, ASlotThatDoesNotLoadIsNamedInAWarningAndTheOthersLoad)
{
    // A real plug-in beside the folder and below it: a path must not reach either.
    const std::string outside =
        Directory + "../" + fs::path(Directory).parent_path().filename().string() + "-Outside.so";
    fs::copy_file(Directory + FullPlugin, outside);
    fs::create_directories(Directory + "sub");
    fs::copy_file(Directory + FullPlugin, Directory + "sub/" + FullPlugin);
    std::ofstream(Directory + "Text.so") << "not a library\n";

    const struct
    {
        std::string name;
        const char *said; // a part of the warning
    } cases[] = {
        {"Missing.so", "No such file"},
        {"Text.so", "Text.so"},
        {"../" + fs::path(outside).filename().string(), "file name in the plugin folder"},
        {"sub/" + FullPlugin, "file name in the plugin folder"},
        {Directory + FullPlugin, "file name in the plugin folder"},
        {"..", "file name in the plugin folder"},
        {"", "names no plugin file"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Boxes.Shown.clear();
        Load(true, {true, true, true}, {c.name, FullPlugin, SizeOnlyPlugin});
        EXPECT_EQ(FunStatContext.status, fsPerfect);
        EXPECT_TRUE(ShownErrors().empty());
        EXPECT_FALSE(Plugins.IsLoaded(0));
        EXPECT_TRUE(Plugins.IsLoaded(1));
        EXPECT_TRUE(Plugins.IsLoaded(2));
        EXPECT_EQ(Plugins.FindViewerPluginSlot(".tga"), 1);
        ASSERT_EQ(Boxes.Shown.size(), 1u);
        EXPECT_EQ(Boxes.Shown[0].Caption, "Warning");
        if (!c.name.empty()) {
            EXPECT_NE(Boxes.Shown[0].Text.find("\"" + c.name + "\""), std::string::npos)
                << Boxes.Shown[0].Text;
        }
        EXPECT_NE(Boxes.Shown[0].Text.find(c.said), std::string::npos) << Boxes.Shown[0].Text;
    }

    // Two slots that fail share one warning; a clean reload shows none.
    Boxes.Shown.clear();
    Load(true, {true, true, false}, {"Missing.so", "Text.so", ""});
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_NE(Boxes.Shown[0].Text.find("\"Missing.so\""), std::string::npos);
    EXPECT_NE(Boxes.Shown[0].Text.find("\"Text.so\""), std::string::npos);
    Boxes.Shown.clear();
    Load(true, {false, true, true}, {"Missing.so", FullPlugin, SizeOnlyPlugin});
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_TRUE(Boxes.Shown.empty());
    fs::remove(outside);
}

TEST(ViewerPluginNames, OnlyPlainFileNamesArePluginNames)
{
    for (const char *name : {"VD_PVP.so", "a b.so", ".hidden.so", "..so"})
        EXPECT_TRUE(IsPlainPluginName(name)) << name;
    for (const char *name : {"", ".", "..", "../x.so", "a/b.so", "/usr/lib/x.so", "x.so/"})
        EXPECT_FALSE(IsPlainPluginName(name)) << name;
    EXPECT_FALSE(IsPlainPluginName(std::string("a\0/b.so", 7)));
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
