// Numbers from texts, truth texts, registry texts, fitting, hashes and the shift-state tests.
#include "Libraries/Utilities.h"

#include "Libraries/Program.h"
#include "Libraries/Sha1.h"
#include "platform/Locale.h"
#include "tests/support/TestSupport.h"

#include <clocale>
#include <cstdlib>
#include <regex>

using UtilitiesTest = TStatusTest;

TEST_F(UtilitiesTest, IntegersFromTexts)
{
    struct TCase
    {
        const char *Text;
        std::int32_t Value;
        bool Ok;
        bool ConversionFailed;
    };
    const TCase cases[] = {
        {"7", 7, true, false},
        {"+7", 7, true, false},
        {"-3", 5, false, false},
        {"11", 5, false, false},
        {"10", 10, true, false},
        {"", 5, true, false},
        {"12a", 5, false, true},
        {"2147483648", 5, false, true},
        {"-2147483649", 5, false, true},
        {" 7", 5, false, true},
        {"+-5", 5, false, true},
        {"+-0", 5, false, true},
        {"-+5", 5, false, true},
        {"++5", 5, false, true},
        {"+", 5, false, true},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Text);
        std::int32_t value = 0;
        EXPECT_EQ(CheckIntFromText(c.Text, 1, 10, value, 5), c.Ok);
        EXPECT_EQ(value, c.Value);
        EXPECT_EQ(FunStatContext.IsError(), c.ConversionFailed);
        if (c.ConversionFailed) {
            EXPECT_EQ(FunStatContext.description,
                      "Unhandled exception: '" + std::string(c.Text) + "' is not a valid integer value.");
        }
        EXPECT_EQ(GetIntFromText(c.Text, 1, 10, 5), c.Value);
    }
    std::int32_t value = 0;
    EXPECT_FALSE(CheckIntFromText("", 1, 10, value, 50)) << "a default outside the limits";
    EXPECT_EQ(GetIntFromText("-2147483648"), INT32_MIN);
    EXPECT_EQ(IntegerLimitsWarning(1, 10, 5),
              "Integer value outside limits.\nIt will be set to default.\n    * Minimum = 1\n    * "
              "Maximum = 10\n    * Default = 5");
}

TEST_F(UtilitiesTest, RealsReadWithAPointWhateverTheLocale)
{
    const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
    std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    Platform::SetLocaleName("de_DE");
    bool invalid = true;
    EXPECT_DOUBLE_EQ(GetRealFromText("2.5", invalid), 2.5);
    EXPECT_FALSE(invalid);
    EXPECT_DOUBLE_EQ(GetRealFromText("2,5", invalid, 1, 10, 0), 1);
    EXPECT_TRUE(invalid);
    EXPECT_DOUBLE_EQ(GetRealFromText("11", invalid, 1, 10, 0), 1);
    EXPECT_TRUE(invalid);
    EXPECT_DOUBLE_EQ(GetRealFromText("", invalid, 3, 10, 0), 3);
    EXPECT_FALSE(invalid);
    EXPECT_DOUBLE_EQ(GetRealFromText("1e400", invalid), 0);
    EXPECT_TRUE(invalid);
    EXPECT_DOUBLE_EQ(GetRealFromText("+-2.5", invalid, 1, 10, -10), 1);
    EXPECT_TRUE(invalid);
    std::setlocale(LC_NUMERIC, saved.c_str());
    Platform::SetLocaleName("en_US");
    EXPECT_EQ(RealLimitsWarning(0.5, 2, 1),
              "Real value outside limits.\nIt will be set to default.\n    * Minimum = 0.5\n    * "
              "Maximum = 2\n    * Default = 1");
    EXPECT_EQ(BoolText(true), "TRUE");
    EXPECT_TRUE(TextBool("TRUE"));
    EXPECT_FALSE(TextBool("true"));
}

TEST_F(UtilitiesTest, FitSizeAndScaleToFixed)
{
    struct TCase
    {
        const char *Name;
        int SourceWidth, SourceHeight, BoxWidth, BoxHeight;
        bool Enlarge, Stretch;
        double Tolerance;
        int MinimumSize;
        int Width, Height;
        bool Stretched;
    };
    const TCase cases[] = {
        {"shrink", 400, 300, 100, 100, false, false, 0, 0, 100, 75, false},
        {"small stays", 50, 40, 100, 100, false, false, 0, 0, 50, 40, false},
        {"enlarge", 50, 40, 100, 100, true, false, 0, 0, 100, 80, false},
        {"tall", 300, 600, 100, 100, false, false, 0, 0, 50, 100, false},
        {"stretch", 400, 300, 100, 100, false, true, 0, 0, 100, 100, true},
        {"skew beyond tolerance", 400, 100, 100, 100, false, true, 1.5, 0, 100, 25, false},
        {"too small to enlarge", 50, 40, 100, 100, true, false, 0, 60, 50, 40, false},
        {"empty source", 0, 40, 100, 100, true, false, 0, 0, 0, 0, false},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        double ratio = 0;
        int width = -1, height = -1;
        EXPECT_EQ(FitSize(c.SourceWidth, c.SourceHeight, c.BoxWidth, ratio, height, width, c.Enlarge,
                          c.Stretch, c.Tolerance, c.MinimumSize, c.BoxHeight),
                  c.Stretched);
        EXPECT_EQ(width, c.Width);
        EXPECT_EQ(height, c.Height);
    }
    int width = 0, height = 0;
    EXPECT_TRUE(ScaleToFixed(400, 300, 200, height, width, false, 0, true, false, true));
    EXPECT_EQ(width, 200);
    EXPECT_EQ(height, 150);
    EXPECT_TRUE(ScaleToFixed(400, 300, 0, height, width, false, 30, true, true, false));
    EXPECT_EQ(width, 40);
    EXPECT_TRUE(ScaleToFixed(400, 300, 100, height, width, false, 100, true, true, true));
    EXPECT_EQ(height, 75);
    EXPECT_FALSE(ScaleToFixed(400, 300, 100, height, width, false, 100, false, true, true));
}

TEST_F(UtilitiesTest, Hashes)
{
    std::string digest;
    ASSERT_TRUE(HashText("abc", "SHA160", 1, digest));
    EXPECT_EQ(digest, "A9993E364706816ABA3E25717850C26C9CD0D89D");
    ASSERT_TRUE(HashText("abc", "", 2, digest));
    const TSha1Digest once = [] {
        TSha1 hasher;
        hasher.Update("abc", 3);
        return hasher.Final();
    }();
    EXPECT_EQ(digest, Sha1HexText(once.data(), once.size()));
    EXPECT_FALSE(HashText("abc", "MD5", 1, digest));
    const std::regex hex10("[0-9A-F]{10}"), hex20("[0-9A-F]{20}"), hex40("[0-9A-F]{40}");
    EXPECT_TRUE(std::regex_match(RandomHashText(1), hex10));
    EXPECT_TRUE(std::regex_match(RandomHashText(2), hex20));
    EXPECT_TRUE(std::regex_match(RandomHashText(3), hex40));
    EXPECT_NE(RandomHashText(3), RandomHashText(3));
}

TEST_F(UtilitiesTest, RegistryTextsAndTheUninstallEntry)
{
    TTempDir config;
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    EXPECT_EQ(GetProgramRegistryText("Velmordian", "", "OptionsPath"), "");
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    SetProgramRegistryText("Velmordian", "", "OptionsPath", "/data/options");
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_EQ(GetProgramRegistryText("Velmordian", "", "OptionsPath"), "/data/options");
    SetUninstallRegistry("Velmordian", "Velmordian", "/opt/v/Velmordian --uninstall");
    EXPECT_EQ(GetRegistryText(TRegistryRoot::LocalMachine, "Software\\Velmordian\\Uninstall\\Velmordian",
                              "UninstallString"),
              "/opt/v/Velmordian --uninstall");
    DeleteUninstallerRegistry("Velmordian");
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_EQ(GetRegistryText(TRegistryRoot::LocalMachine, "Software\\Velmordian\\Uninstall\\Velmordian",
                              "DisplayName"),
              "");
    EXPECT_EQ(GetProgramRegistryText("Velmordian", "", "OptionsPath"), "/data/options");

    // A store the user may not write: checked without root's privileges.
    const int code = RunAsNobody([&] {
        SetProgramRegistryText("Velmordian", "", "OptionsPath", "/elsewhere");
        return FunStatContext.description == "Failed to write registry value." &&
                       FunStatContext.systemErrorCode != 0
                   ? 0
                   : 1;
    });
    if (code < 0) GTEST_SKIP() << "cannot switch to the user nobody on this machine";
    EXPECT_EQ(code, 0);
    unsetenv("XDG_CONFIG_HOME");
}

TEST_F(UtilitiesTest, WallpaperOfAMissingFileFails)
{
    SetFileAsWallpaper("/nonexistent/picture.jpg");
    EXPECT_EQ(FunStatContext.description, "Failed to set wallpaper.");
    EXPECT_EQ(FunStatContext.parameter1, "/nonexistent/picture.jpg");
}

TEST_F(UtilitiesTest, ShiftStateKeepsOnlyTheKeyboardPart)
{
    const TShiftState ctrlLeft = ShiftBit(ssCtrl) | ShiftBit(ssLeft);
    EXPECT_TRUE(ShiftIsOnly(ctrlLeft, ssCtrl));
    EXPECT_TRUE(ShiftHas(ctrlLeft, ssCtrl));
    EXPECT_FALSE(ShiftHas(ctrlLeft, ssLeft)) << "buttons are not part of it";
    EXPECT_TRUE(ShiftIsEmpty(ShiftBit(ssRight) | ShiftBit(ssMiddle)));
    EXPECT_TRUE(ShiftIsOnlyPair(ShiftBit(ssShift) | ShiftBit(ssAlt), ssAlt, ssShift));
    EXPECT_FALSE(ShiftIsOnlyPair(ShiftBit(ssShift), ssAlt, ssShift));
    EXPECT_FALSE(ShiftIsOnly(ShiftBit(ssShift) | ShiftBit(ssDouble), ssShift));
}

TEST_F(UtilitiesTest, MemoryAndProgramPaths)
{
    std::uint64_t total = 0, available = 0, pageTotal = 0, pageAvailable = 0;
    MemoryStatus(total, available, pageTotal, pageAvailable);
    EXPECT_GT(total, 0u);
    EXPECT_LE(available, total);
    EXPECT_GE(pageTotal, total);
    EXPECT_EQ(ProgramDirectoryFile("Errors.log"), ProgramDirectory() + "Errors.log");
    EXPECT_EQ(ProgramFileName(), "velmordian_libraries_tests");

    TTempDir dir;
    SetProgramWorkingPath(dir / "file.txt");
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_EQ(ProgramWorkingPath(), dir.Path() + "/");
    SetProgramWorkingPath("/nonexistent/dir/file.txt");
    EXPECT_EQ(FunStatContext.description, "Failed to set working path.");
    EXPECT_EQ(ProgramWorkingPath(), TemporaryDirectory());
}
