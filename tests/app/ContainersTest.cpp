// Containers: their files and titles, and what columns do with them, on real files and an
// off-screen main window.
#include "app/Containers.h"

#include "Libraries/File.h"
#include "Libraries/Program.h"
#include "app/FileDialog.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"
#include "app/OverwriteDialog.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(ContainerFileTest, LinesAndNames)
{
    struct TCase
    {
        const char *Label;
        std::string Text;
        std::vector<std::string> Titles;
    };
    const std::string big = "/" + std::string(1u << 20, 'x');
    const std::vector<TCase> cases = {
        {"CR LF, LF and CR", "/a\r\n/b\n/c\r/d", {"/a", "/b", "/c", "/d"}},
        {"empty lines and partitions skipped", "/a\r\n\r\n:/media/usb\r\n/b\r\n", {"/a", "/b"}},
        {"a title ending with a colon stays", "/tmp/notes:\r\n", {"/tmp/notes:"}},
        {"relative and oversized lines skipped", "notes.txt\r\n" + big + "\r\n/ok\r\n", {"/ok"}},
        {"escapes", "/a\\nb\r\n/c\\\\d\r\n/e\\x\r\n", {"/a\nb", "/c\\d", "/e\\x"}},
        {"bytes that are not UTF-8 kept as they are", "/caf\xE9\r\n/\xC3\xA9t\xC3\xA9\r\n", {"/caf\xE9", "/\xC3\xA9t\xC3\xA9"}},
        {"duplicates kept", "/a\r\n/a\r\n/A\r\n", {"/a", "/a", "/A"}},
    };
    for (const TCase &c : cases) EXPECT_EQ(ParseContainerText(c.Text), c.Titles) << c.Label;
    const std::vector<std::string> names = {"/x/line\nbreak", "/x/back\\slash", "/x/plain"};
    EXPECT_EQ(ContainerFileText(names), "/x/line\\nbreak\r\n/x/back\\\\slash\r\n/x/plain\r\n");
    EXPECT_EQ(ParseContainerText(ContainerFileText(names)), names);
}

TEST(ContainerFileTest, NamesCaptionsAndItems)
{
    TContainerDialog dialog;
    EXPECT_EQ(dialog[0].FileName(), "01.txt");
    EXPECT_EQ(dialog[9].FileName(), "10.txt");
    EXPECT_EQ(dialog[19].FileName(), "20.txt");
    EXPECT_EQ(dialog[0].title, "Found");
    EXPECT_EQ(dialog.Caption(4), "5 (0 items)");
    for (int i = 0; i < 1234; ++i) dialog[4].AddItem("/f" + std::to_string(i), 0);
    EXPECT_EQ(dialog.Caption(4), "5 (1,234 items)");
    dialog[0].title = "other";
    dialog[7].title = "FOUND";
    EXPECT_EQ(dialog.FindFoundContainer(), 7);

    TContainer &c = dialog[3];
    EXPECT_EQ(c.AddItem("", 0), -1);
    EXPECT_EQ(c.AddItem(":/media/usb", 0), -1);
    c.AddItem("/b", 0);
    c.InsertItem(-5, "/a");
    c.InsertItem(99, "/c");
    EXPECT_EQ(c.Titles(), (std::vector<std::string>{"/a", "/b", "/c"}));
    c.AddItem("/B", 0);
    EXPECT_FALSE(c.IsDuplicate("/b")) << "another letter case is another file";
    c.AddItem("/b", 0);
    EXPECT_TRUE(c.IsDuplicate("/b"));
}

class ContainerRenameTest : public TStatusTest
{
};

TEST_F(ContainerRenameTest, RenameItemRefusesWhatCannotBeAFileAndAStaleExpectation)
{
    TContainer c(2);
    c.AddItem("/d/old.txt", 5);
    c.RenameItem(0, "relative.txt", "");
    EXPECT_EQ(FunStatContext.description, "Invalid file title.");
    FunStatContext.Reset(fsPerfect);
    c.RenameItem(0, "/d/new.txt", "/d/other.txt");
    EXPECT_EQ(FunStatContext.status, fsPanic);
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"PANIC: This item's name is not the same as the original name."});
    FunStatContext.Reset(fsPerfect);
    EXPECT_EQ(c.ItemTitle(0), "/d/old.txt");
    c.RenameItem(0, "/d/what?*.txt", "/d/old.txt");
    EXPECT_FALSE(FunStatContext.IsError());
    EXPECT_EQ(c.ItemTitle(0), "/d/what?*.txt");
    EXPECT_EQ(c.items[0].Data.rank, 5);
}

TEST_F(ContainerRenameTest, FilesKeepOrderAndDuplicatesAndAnUnreadableOneTouchesNoOther)
{
    TTempDir dir;
    TContainerDialog dialog;
    for (const char *title : {"/z/last", "/a/first", "/z/last"}) dialog[3].AddItem(title, 7);
    dialog[5].AddItem("/five", 0);
    dialog.SaveAll(dir.Path());
    EXPECT_EQ(dir.ReadFile("04.txt"), "/z/last\r\n/a/first\r\n/z/last\r\n");
    EXPECT_EQ(dir.ReadFile("01.txt"), "");
    // 07.txt cannot be read: it is a directory.
    fs::remove(dir / "07.txt");
    fs::create_directory(dir / "07.txt");
    TContainerDialog again;
    again.LoadAll(dir.Path());
    EXPECT_EQ(again[3].Titles(), (std::vector<std::string>{"/z/last", "/a/first", "/z/last"}));
    EXPECT_EQ(again[3].items[0].Data.rank, 0);
    EXPECT_EQ(again[5].Titles(), std::vector<std::string>{"/five"});
    EXPECT_EQ(again[6].ItemCount(), 0);
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"Failed to load container."});
    // Thousands of duplicate lines load as they are.
    std::string many;
    for (int i = 0; i < 5000; ++i) many += "/same\r\n";
    dir.WriteFile("09.txt", many);
    TContainer nine(8);
    nine.Load(dir.Path());
    EXPECT_EQ(nine.ItemCount(), 5000);
}

TEST_F(ContainerRenameTest, ANameThatIsNotUtf8StillNamesItsFileAfterAReload)
{
    TTempDir dir;
    fs::create_directory(dir / "data");
    // Latin-1 "café.txt", "naïve" and a name with a line feed, made on disk as they are.
    const std::vector<std::string> names = {"caf\xE9.txt", "na\xEFve", "two\nlines", "caf\xC3\xA9.txt"};
    std::vector<std::string> titles;
    for (const std::string &name : names) {
        dir.WriteFile("data/" + name, name);
        titles.push_back(dir / ("data/" + name));
    }
    TContainerDialog dialog;
    for (const std::string &title : titles) dialog[2].AddItem(title, 0);
    dialog.SaveAll(dir / "Containers");
    TContainerDialog again;
    again.LoadAll(dir / "Containers");
    EXPECT_EQ(again[2].Titles(), titles);
    for (const std::string &title : again[2].Titles()) EXPECT_TRUE(fs::exists(title)) << title;
    EXPECT_TRUE(Window.Memos.empty());
}

TEST_F(ContainerRenameTest, AFileThatDidNotLoadIsNeverSavedOver)
{
    TTempDir dir;
    const std::string folder = dir / "Containers";
    fs::create_directory(folder);
    const std::string titles = "/home/ann/a.txt\r\n/home/ann/b.txt\r\n";
    // 03.txt is too big to load; 04.txt is a directory in place of the file.
    dir.WriteFile("Containers/03.txt", titles);
    fs::resize_file(folder + "/03.txt", (256u << 20) + 1);
    fs::create_directory(folder + "/04.txt");
    dir.WriteFile("Containers/04.txt/inside", "x");
    dir.WriteFile("Containers/05.txt", "/home/ann/c.txt\r\n");
    TContainerDialog dialog;
    dialog.LoadAll(folder);
    EXPECT_EQ(ShownErrors(), (std::vector<std::string>{"Failed to load container.", "Failed to load container."}))
        << "each failure is shown once, at the load";
    EXPECT_TRUE(dialog[2].LoadFailed());
    EXPECT_TRUE(dialog[3].LoadFailed());
    EXPECT_FALSE(dialog[4].LoadFailed());
    dialog[4].AddItem("/home/ann/d.txt", 0);
    dialog.SaveAll(folder);
    dialog.SaveAll(folder);
    EXPECT_EQ(Window.Memos.size(), 2u) << "the saves show nothing";
    EXPECT_EQ(fs::file_size(folder + "/03.txt"), (256u << 20) + 1);
    std::string head(titles.size(), '\0');
    std::ifstream(folder + "/03.txt", std::ios::binary).read(head.data(), static_cast<std::streamsize>(head.size()));
    EXPECT_EQ(head, titles);
    EXPECT_TRUE(fs::is_directory(folder + "/04.txt"));
    EXPECT_EQ(dir.ReadFile("Containers/04.txt/inside"), "x");
    EXPECT_EQ(dir.ReadFile("Containers/05.txt"), "/home/ann/c.txt\r\n/home/ann/d.txt\r\n");
    EXPECT_FALSE(fs::exists(folder + "/03.txt.bad"));

    // Items the user gives such a container are the user's: the unread file is kept first.
    dir.WriteFile("Containers/03.txt.bad", "older");
    dialog[2].AddItem("/home/ann/new.txt", 0);
    dialog.SaveAll(folder);
    EXPECT_EQ(dir.ReadFile("Containers/03.txt"), "/home/ann/new.txt\r\n");
    EXPECT_EQ(fs::file_size(folder + "/03.txt.bad"), (256u << 20) + 1);
    EXPECT_FALSE(dialog[2].LoadFailed());
    dialog[2].Clear();
    dialog.SaveAll(folder);
    EXPECT_EQ(dir.ReadFile("Containers/03.txt"), "") << "from now on an empty container is saved";
    EXPECT_EQ(Window.Memos.size(), 2u);
}

TEST_F(ContainerRenameTest, AnUnreadableFileIsNotSavedOverByItsUser)
{
    TTempDir dir;
    const std::string folder = dir / "Containers";
    fs::create_directory(folder);
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0777), 0);
    const std::string titles = "/home/ann/a.txt\r\n";
    dir.WriteFile("Containers/06.txt", titles);
    ASSERT_EQ(::chmod((folder + "/06.txt").c_str(), 0), 0);
    const int result = RunAsNobody([&] {
        if (::geteuid() == 0) return 100;
        TContainerDialog dialog;
        dialog.LoadAll(folder);
        if (!dialog[5].LoadFailed() || dialog[5].ItemCount() != 0) return 1;
        if (ShownErrors() != std::vector<std::string>{"Failed to load container."}) return 2;
        dialog.SaveAll(folder);
        if (Window.Memos.size() != 1) return 3;
        return 0;
    });
    if (result == -1 || result == 100) GTEST_SKIP() << "this machine cannot run a check as nobody";
    EXPECT_EQ(result, 0) << "check " << result << " failed";
    EXPECT_EQ(dir.ReadFile("Containers/06.txt"), titles);
    EXPECT_EQ((fs::status(folder + "/06.txt").permissions() & fs::perms::all), fs::perms::none);
}

// ---- Containers in columns ------------------------------------------------------------------

class ContainerColumnTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        SavedOptions = ProgramOptions;
        ProgramOptions.FirstRun = false;
        SetDefaultExtensionLists();
        UsePortableProgramFolder(Home.Path());
        OverwriteForm = &Overwrite;
        FileForm = &FileDialog;
        fs::create_directories(Dir / "one");
        fs::create_directories(Dir / "two");
        fs::create_directories(Dir / "out");
        for (const char *name : {"one/a.txt", "one/b.txt", "one/c.txt", "two/x.txt", "two/y.txt"})
            Dir.WriteFile(name, name);
        Boxes.Answer = MessageBoxAnswer::Yes;
        Start();
    }
    void TearDown() override
    {
        Main.reset();
        FileForm = nullptr;
        OverwriteForm = nullptr;
        SetProgramDirectoryOverride("");
        ProgramOptions = SavedOptions;
        TStatusTest::TearDown();
    }
    void Start()
    {
        Main = std::make_unique<TMainForm>();
        Main->resize(900, 600);
        Main->StartMainForm();
        Main->BusyCount = 0;
        Main->Initialised = true;
    }
    TColumn &Col(int i) { return *Main->Columns[i]; }
    void Load(int column, const std::string &title)
    {
        Col(column).LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, title);
    }
    void Activate(int column)
    {
        Main->ActiveColumnIndex = column;
        Main->FocusColumn(column, true);
    }
    std::vector<std::string> ColumnTitles(int column)
    {
        std::vector<std::string> titles;
        if (Col(column).FileList->Empty) return titles;
        for (int i = 0; i < Col(column).FileList->Count(); ++i) titles.push_back(Col(column).Item(i)->Title);
        return titles;
    }
    // Fills container k with the titles and shows it in the column.
    void Show(int column, int k, const std::vector<std::string> &titles)
    {
        Main->Containers[k].Clear();
        for (const std::string &title : titles) Main->Containers[k].AddItem(title, 0);
        Col(column).LoadDirectory(true, k);
    }

    TTempDir Dir;
    TTempDir Home;
    TProgramOptions SavedOptions;
    TOverwriteForm Overwrite;
    TFileForm FileDialog;
    std::unique_ptr<TMainForm> Main;
};

TEST_F(ContainerColumnTest, AContainerBuiltFromTwoDirectoriesComesBackAfterARestart)
{
    Load(0, Dir / "one/a.txt");
    Activate(0);
    Col(0).SelectItem(Col(0).IndexOfName("a.txt"), true);
    Col(0).SelectItem(Col(0).IndexOfName("c.txt"), true);
    Main->CopyToContainerMenuClick(3);
    EXPECT_EQ(Col(0).SelectedCount, 0);
    Load(0, Dir / "two/y.txt");
    Main->CopyToContainerMenuClick(3);
    Main->CopyToContainerMenuClick(3); // a duplicate
    Col(1).ShowContainer(3);
    EXPECT_EQ(Col(1).HeaderCaption(), "Container \"4\"");
    EXPECT_EQ(ColumnTitles(1), (std::vector<std::string>{Dir / "one/a.txt", Dir / "one/c.txt", Dir / "two/y.txt",
                                                         Dir / "two/y.txt"}));
    // Reorder: the last item goes before the first.
    Col(1).FocusIndex(3);
    Main->DragSourcePosition = 1;
    Main->DragSourceItem = 3;
    Col(1).FocusIndex(0);
    TColumn::RelocateContainerItem(Col(1), Col(1), 0);
    Col(1).RemoveDuplicateContainerItems();
    const std::vector<std::string> expected = {Dir / "two/y.txt", Dir / "one/a.txt", Dir / "one/c.txt"};
    EXPECT_EQ(ColumnTitles(1), expected);
    Main->FormCloseQuery();
    Main.reset();

    EXPECT_EQ(Home.ReadFile("Options/Containers/04.txt"),
              Dir / "two/y.txt" + "\r\n" + Dir / "one/a.txt" + "\r\n" + Dir / "one/c.txt" + "\r\n");
    Start();
    EXPECT_EQ(Main->Containers[3].Titles(), expected);
    EXPECT_EQ(Main->Containers[0].title, "Found");
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(ContainerColumnTest, AMissingFileIsStruckOutAndCopyCountsItAsAnError)
{
    Show(0, 2, {Dir / "one/a.txt", Dir / "gone.txt", Dir / "two/x.txt"});
    ASSERT_EQ(ColumnTitles(0).size(), 3u);
    EXPECT_FALSE(Col(0).Item(1)->Exists);
    EXPECT_TRUE(ItemLook(*Col(0).Item(1), false, 10, false, false).StrikeOut);
    EXPECT_TRUE(Col(0).Item(0)->Exists);
    for (int i = 0; i < 3; ++i) Col(0).SelectItem(i, true);
    Load(1, Dir / "out/");
    Main->DragSourcePosition = 0;
    Main->DragSourceItem = 0;
    Activate(1);
    QTimer::singleShot(0, [] {
        if (QApplication::activeModalWidget() == FileForm) FileForm->OkayNoErrorsButton->click();
    });
    Main->OnCopyMove("Copy", false);
    EXPECT_TRUE(fs::exists(Dir / "out/a.txt"));
    EXPECT_TRUE(fs::exists(Dir / "out/x.txt"));
    EXPECT_EQ(FileDialog.errors, 1);
}

TEST_F(ContainerColumnTest, TwoColumnsOfOneContainerStayInStep)
{
    Show(0, 5, {Dir / "one/a.txt", Dir / "one/b.txt"});
    Col(1).LoadDirectory(true, 5);
    Load(2, Dir / "two/x.txt");
    // Insert from a directory column before the second item of column 0.
    Main->DragSourcePosition = 2;
    Main->DragSourceItem = Col(2).IndexOfName("x.txt");
    Col(2).FocusIndex(Main->DragSourceItem);
    Col(0).FocusIndex(1);
    TColumn::InsertContainerItem(Col(0), Col(2), -1);
    const std::vector<std::string> inserted = {Dir / "one/a.txt", Dir / "two/x.txt", Dir / "one/b.txt"};
    EXPECT_EQ(ColumnTitles(0), inserted);
    EXPECT_EQ(ColumnTitles(1), inserted);
    // Remove from the other column: the first follows.
    Col(1).FocusIndex(0);
    Col(1).RecycleFromContainer(true, false);
    EXPECT_EQ(ColumnTitles(1), (std::vector<std::string>{Dir / "two/x.txt", Dir / "one/b.txt"}));
    EXPECT_EQ(ColumnTitles(0), ColumnTitles(1));
    // A column left behind by a change elsewhere refuses positional work.
    Main->Containers[5].AddItem(Dir / "two/y.txt", 0);
    TColumn::InsertContainerItem(Col(0), Col(2), 0);
    const auto shown = ShownErrors();
    EXPECT_NE(std::find(shown.begin(), shown.end(),
                        "PANIC: Column and container items are not synchronized. You must reload the column."),
              shown.end());
    EXPECT_EQ(Main->Containers[5].ItemCount(), 3);
}

TEST_F(ContainerColumnTest, InsertAndRelocateKeepTheOrderOfTheSelection)
{
    std::vector<std::string> six;
    for (int i = 0; i < 6; ++i) {
        Dir.WriteFile("one/" + std::to_string(i), "");
        six.push_back(Dir / ("one/" + std::to_string(i)));
    }
    Show(0, 6, six);
    Col(0).SelectItem(1, true);
    Col(0).SelectItem(3, true);
    Main->DragSourcePosition = 0;
    Main->DragSourceItem = 1;
    Col(0).FocusIndex(5);
    TColumn::RelocateContainerItem(Col(0), Col(0), -1);
    EXPECT_EQ(ColumnTitles(0), (std::vector<std::string>{six[0], six[2], six[4], six[1], six[3], six[5]}));

    // Three selected files inserted at item 5 stand at 5, 6 and 7.
    Show(0, 6, six);
    Load(1, Dir / "two/x.txt");
    Dir.WriteFile("two/z.txt", "");
    Load(1, Dir / "two/x.txt");
    for (int i = 0; i < 3; ++i) Col(1).SelectItem(i, true);
    const std::vector<std::string> three = {Col(1).Item(0)->Title, Col(1).Item(1)->Title, Col(1).Item(2)->Title};
    Col(0).FocusIndex(5);
    TColumn::InsertContainerItem(Col(0), Col(1), -1);
    const auto titles = ColumnTitles(0);
    ASSERT_EQ(titles.size(), 9u);
    EXPECT_EQ((std::vector<std::string>{titles[5], titles[6], titles[7]}), three);
    EXPECT_EQ(titles[8], six[5]);

    // An active item with a duplicate only warns.
    Show(0, 7, {six[0], six[1], six[0]});
    Col(0).FocusIndex(0);
    Main->DragSourceItem = 1;
    Boxes.Shown.clear();
    TColumn::RelocateContainerItem(Col(0), Col(0), -1);
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Text.rfind("The active item has duplicates.", 0), 0u);
    EXPECT_EQ(ColumnTitles(0), (std::vector<std::string>{six[0], six[1], six[0]}));
}

TEST_F(ContainerColumnTest, ClipboardTitlesGoToFileAndAMovedFileIsFollowed)
{
    Show(0, 4, {});
    Activate(0);
    QApplication::clipboard()->setText(QStringLiteral("notes.txt\nother"));
    Col(0).AddClipboardToContainer();
    EXPECT_EQ(Boxes.Shown.back().Text, "The clipboard doesn't contain valid file titles.");
    EXPECT_EQ(Main->Containers[4].ItemCount(), 0);
    QApplication::clipboard()->setText(QString::fromStdString(Dir / "one/a.txt" + "\n" + Dir / "gone/z.txt"));
    Col(0).AddClipboardToContainer();
    EXPECT_EQ(ColumnTitles(0), (std::vector<std::string>{Dir / "one/a.txt", Dir / "gone/z.txt"}));

    // "Go to file" on an item whose directory went away stays in the container.
    Col(0).FocusIndex(1);
    Col(0).GoToContainerItemTarget();
    EXPECT_EQ(Boxes.Shown.back().Text, "The parent directory of the file doesn't exist.");
    EXPECT_EQ(Col(0).ContainerIndex, 4);

    // Moving a file out of the container column points its item at the new place.
    Load(1, Dir / "out/");
    Col(0).FocusIndex(0);
    Main->DragSourcePosition = 0;
    Main->DragSourceItem = 0;
    Activate(1);
    QTimer::singleShot(0, [] {
        if (QApplication::activeModalWidget() == FileForm) FileForm->OkayButton->click();
    });
    Main->OnCopyMove("Move", false);
    EXPECT_TRUE(fs::exists(Dir / "out/a.txt"));
    EXPECT_EQ(Main->Containers[4].ItemTitle(0), Dir / "out/a.txt");
    EXPECT_EQ(Col(0).Item(0)->Title, Dir / "out/a.txt");

    // "Go to file" on an existing item shows its directory with the file focused.
    Col(0).FocusIndex(0);
    Col(0).GoToContainerItemTarget();
    EXPECT_EQ(Col(0).ContainerIndex, -1);
    EXPECT_EQ(Col(0).ActiveTitle, Dir / "out/a.txt");
}

TEST_F(ContainerColumnTest, DragsAndKeysBetweenDirectoriesAndContainers)
{
    // Shift+digit adds the focused file to that container.
    Load(0, Dir / "one/b.txt");
    Activate(0);
    Col(0).FocusIndex(Col(0).IndexOfName("b.txt"));
    QKeyEvent shiftTwo(QEvent::KeyPress, Qt::Key_At, Qt::ShiftModifier, 11, Qt::Key_2, 0, QStringLiteral("@"));
    QApplication::sendEvent(Col(0).FileList, &shiftTwo);
    EXPECT_EQ(Main->Containers[1].Titles(), std::vector<std::string>{Dir / "one/b.txt"});

    // "Copy" onto a container column adds titles, never files.
    Show(1, 8, {});
    Main->DragSourcePosition = 0;
    Main->DragSourceItem = Col(0).IndexOfName("a.txt");
    Col(0).FocusIndex(Main->DragSourceItem);
    Activate(1);
    Main->OnCopyMove("Copy", false);
    EXPECT_EQ(ColumnTitles(1), std::vector<std::string>{Dir / "one/a.txt"});
    EXPECT_EQ(Boxes.Shown.back().Text,
              "Copy the focused file to the container?\n\nThe file itself is NOT copied, but only the container item.");

    // "Move" from one container column to another moves the item.
    Show(0, 9, {Dir / "two/x.txt", Dir / "two/y.txt"});
    Main->DragSourcePosition = 0;
    Main->DragSourceItem = 1;
    Col(0).FocusIndex(1);
    Activate(1);
    Main->OnCopyMove("Move", false);
    EXPECT_EQ(ColumnTitles(1), (std::vector<std::string>{Dir / "one/a.txt", Dir / "two/y.txt"}));
    EXPECT_EQ(ColumnTitles(0), std::vector<std::string>{Dir / "two/x.txt"});
    EXPECT_TRUE(fs::exists(Dir / "two/y.txt"));
}

TEST(ContainerMenuTest, TitlesWithAnAmpersandShowWhole)
{
    TContainerDialog dialog;
    dialog[2].title = "R&D";
    QMenu menu;
    dialog.SetupContainerMode(&menu, -1);
    bool found = false;
    for (const QAction *action : menu.actions())
        found |= action->text().startsWith(QStringLiteral("R&&D"));
    EXPECT_TRUE(found) << "the ampersand is shown, not taken as a mnemonic";
}
