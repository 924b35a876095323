// Column content on real directories: groups, the seven orders, focus across reloads, the climb.
#include "app/Column.h"

#include "Libraries/File.h"
#include "Libraries/History.h"
#include "Libraries/Program.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace fs = std::filesystem;

class ColumnContentTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        Saved = ProgramOptions;
        SetDefaultExtensionLists();
        Form = std::make_unique<TMainForm>();
        Form->resize(800, 600);
        Form->BusyCount = 0;
        Form->Initialised = true;
        Form->Reset(false);
    }
    void TearDown() override
    {
        Form.reset();
        ProgramOptions = Saved;
        TStatusTest::TearDown();
    }
    TColumn &Column() { return *Form->Columns[0]; }
    void Touch(const std::string &name, std::size_t size = 0, std::time_t modified = 1600000000)
    {
        Dir.WriteFile(name, std::string(size, 'x'));
        const timeval times[2] = {{modified, 0}, {modified, 0}};
        ::utimes((Dir / name).c_str(), times);
    }
    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        if (Column().FileList->Empty) return names;
        for (int i = 0; i < Column().FileList->Count(); ++i) names.push_back(ExtractName(Column().Item(i)->Title));
        return names;
    }
    void Load(const std::string &title, const std::string &mode = "Name")
    {
        Column().SortMode = mode;
        Column().LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, title);
    }
    TTempDir Dir;
    TProgramOptions Saved;
    std::unique_ptr<TMainForm> Form;
};

TEST_F(ColumnContentTest, OrdersAndGroups)
{
    Touch("b.txt", 3, 1600000300);
    Touch("A.txt", 1, 1600000200);
    Touch("c.TXT", 2, 1600000100);
    Load(Dir / "b.txt");
    EXPECT_EQ(Names(), (std::vector<std::string>{"A.txt", "b.txt", "c.TXT"}));
    EXPECT_EQ(Column().ActiveTitle, Dir / "b.txt");

    struct TCase
    {
        const char *Mode;
        std::vector<std::string> Order;
    };
    const TCase cases[] = {
        {"Modified, new-old", {"b.txt", "A.txt", "c.TXT"}},
        {"Modified, old-new", {"c.TXT", "A.txt", "b.txt"}},
        {"Size, big-small", {"b.txt", "c.TXT", "A.txt"}},
        {"Size, small-big", {"A.txt", "c.TXT", "b.txt"}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Mode);
        Load(Dir / "b.txt", c.Mode);
        EXPECT_EQ(Names(), c.Order);
        EXPECT_EQ(Column().ActiveTitle, Dir / "b.txt") << "the focus follows the file";
    }
    // Equal times: titles byte by byte, upper case first.
    Touch("a.txt", 0, 1600000000);
    Touch("B.txt", 0, 1600000000);
    fs::remove(Dir / "A.txt");
    fs::remove(Dir / "b.txt");
    fs::remove(Dir / "c.TXT");
    Load(Dir / "a.txt", "Modified, new-old");
    EXPECT_EQ(Names(), (std::vector<std::string>{"B.txt", "a.txt"}));
}

TEST_F(ColumnContentTest, KindsAndSeparatingOptions)
{
    fs::create_directory(Dir / "zdir");
    Touch("photo.jpg", 10);
    Touch("notes.bin", 5);
    Touch("tool", 7);
    ::chmod((Dir / "tool").c_str(), 0755);
    Touch("setup.sh", 1);
    fs::create_symlink(Dir / "notes.bin", Dir / "alias");
    Touch("launcher.desktop", 1);
    Load(Dir / "");
    EXPECT_EQ(Names(), (std::vector<std::string>{"zdir", "alias", "launcher.desktop", "setup.sh", "tool", "photo.jpg",
                                                 "notes.bin"}));
    EXPECT_EQ(Column().DirectoryCount, 1);
    EXPECT_EQ(Column().LinkCount, 2);
    EXPECT_EQ(Column().ProgramCount, 2);
    EXPECT_EQ(Column().DocumentCount, 1);
    EXPECT_EQ(Column().GenericCount, 1);
    EXPECT_EQ(Column().FileList->FocusIndex, 0) << "a title ending with / focuses the first item";

    ProgramOptions.SeparateDirs = false;
    Load(Dir / "", "Size, big-small");
    EXPECT_EQ(Names().back(), "zdir") << "directories mixed in, size 0 last";

    ProgramOptions.SeparateDirs = true;
    ProgramOptions.DirsAtEnd = true;
    Load(Dir / "");
    EXPECT_EQ(Names().back(), "zdir");

    ProgramOptions.ShowFilesGroup = false;
    fs::remove_all(Dir / "zdir");
    for (const char *name : {"photo.jpg", "tool", "setup.sh", "alias", "launcher.desktop"}) fs::remove(Dir / name);
    Load(Dir / "");
    EXPECT_TRUE(Column().FileList->Empty) << "generic files counted, not listed";
    EXPECT_EQ(Column().GenericCount, 1);
    EXPECT_EQ(Column().TotalSize, 5);
}

TEST_F(ColumnContentTest, SparseFileOfFourGibibytesAndOne)
{
    Dir.WriteFile("huge.bin", "");
    fs::resize_file(Dir / "huge.bin", 4294967297ull);
    Load(Dir / "huge.bin");
    ASSERT_EQ(Names(), std::vector<std::string>{"huge.bin"});
    EXPECT_EQ(Column().Item(0)->Size, 4294967297);
}

TEST_F(ColumnContentTest, FocusSurvivesReloadsAtTheSameRow)
{
    for (int i = 0; i < 60; ++i) Touch("f" + std::string(i < 10 ? "0" : "") + std::to_string(i));
    Load(Dir / "f30");
    TColumn &column = Column();
    column.FileList->FocusAt(30, 5, true);
    column.SetInactiveFocus();
    EXPECT_EQ(column.FocusRow, 5);
    fs::remove(Dir / "f30");
    column.LoadDirectory(true);
    EXPECT_EQ(column.ActiveTitle, Dir / "f31") << "the item that took its place";
    EXPECT_EQ(column.FileList->FocusIndex - column.FileList->TopIndex, 5);

    // a.txt and A.txt are two files: a reload focuses exactly the one that was focused.
    Touch("a.txt");
    Touch("A.txt");
    Load(Dir / "a.txt");
    EXPECT_EQ(column.ActiveTitle, Dir / "a.txt");
    const int index = column.FileList->FocusIndex;
    EXPECT_EQ(ExtractName(column.Item(index - 1)->Title), "A.txt");
    column.LoadDirectory(true);
    EXPECT_EQ(column.ActiveTitle, Dir / "a.txt");

    // "/dir" shows the parent with dir focused.
    fs::create_directory(Dir / "sub");
    Load(Dir / "sub");
    EXPECT_EQ(column.HeaderCaption(), Dir.Path());
    EXPECT_EQ(column.ActiveTitle, Dir / "sub");
}

TEST_F(ColumnContentTest, TheClimbOutOfUnreadableDirectories)
{
    fs::create_directories(Dir / "gone/deeper");
    Touch("kept.txt");
    const std::string title = Dir / "gone/deeper/file.txt";
    fs::remove_all(Dir / "gone");
    PathsHistory.Clear();
    Load(title);
    EXPECT_EQ(Column().HeaderCaption(), Dir.Path()) << "stopped at the readable parent";
    EXPECT_EQ(Column().ActiveTitle, Dir / "kept.txt") << "where gone would stand";
    EXPECT_EQ(FunStatContext.description, "Failed to first find file.");

    Load("/no-such-top-level-directory/file");
    EXPECT_EQ(Column().HeaderCaption(), "/");
    Load(":/");
    EXPECT_EQ(Column().HeaderCaption(), "");
    EXPECT_FALSE(Column().FileList->Empty);
    EXPECT_EQ(Column().Item(0)->Title, ":/");
}

TEST_F(ColumnContentTest, ATitleOnAnUnmountedPartitionFallsBackToThePartitionsList)
{
    TSmallDisk disk(Dir / "stick");
    if (!disk.Mounted) GTEST_SKIP() << "this machine cannot mount a small tmpfs";
    fs::create_directories(disk.Path + "/photos");
    std::ofstream(disk.Path + "/photos/one.jpg") << "picture";
    Load(disk.Path + "/photos/one.jpg");
    ASSERT_EQ(Column().HeaderCaption(), disk.Path + "/photos");
    std::vector<std::string> partitions;
    int count = 0;
    LogicalDrives(partitions, count);
    ASSERT_NE(std::find(partitions.begin(), partitions.end(), ":" + disk.Path), partitions.end());

    ASSERT_EQ(::umount2(disk.Path.c_str(), MNT_DETACH), 0);
    disk.Mounted = false;
    Column().LoadDirectory(false);
    EXPECT_EQ(Column().HeaderCaption(), "") << "the partitions list, not the empty mount point";
    ASSERT_FALSE(Column().FileList->Empty);
    EXPECT_TRUE(IsDrivePath(Column().ActiveTitle));
    EXPECT_NE(Column().ActiveTitle, ":" + disk.Path) << "that partition is no longer listed";
    // The focus stands where the partition would be in the list's order of names.
    const auto upper = [](std::string text) {
        for (char &c : text)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return text;
    };
    const std::string gone = ":" + disk.Path;
    std::string expected;
    for (int i = 0; i < Column().FileList->Count(); ++i)
        if (upper(gone) <= upper(Column().Item(i)->Title)) {
            expected = Column().Item(i)->Title;
            break;
        }
    if (expected.empty()) expected = Column().Item(Column().FileList->Count() - 1)->Title;
    EXPECT_EQ(Column().ActiveTitle, expected);
}
