// Tests of the program options, the options files and the options dialog.
#include "app/OptionsDialog.h"

#include "Libraries/History.h"
#include "Libraries/MemoryStorage.h"
#include "Libraries/PictureCache.h"
#include "Libraries/Program.h"
#include "Libraries/StoredTextList.h"
#include "app/MainDialog.h"
#include "platform/SettingsStore.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <sys/mount.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

} // namespace

// Two program runs against one options folder: construct, start, act, close, destroy.
class OptionsTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        SavedOptions = ProgramOptions;
        SavedViewer = ViewerOptions;
        OldHome = std::getenv("HOME") ? std::getenv("HOME") : "";
        fs::create_directories(Home / "home");
        setenv("HOME", (Home / "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (Home / "config").c_str(), 1);
        UsePortableProgramFolder(Home.Path());
        ResetGlobals();
    }
    void TearDown() override
    {
        Form.reset();
        ResetGlobals();
        ProgramOptions = SavedOptions;
        ViewerOptions = SavedViewer;
        SetProgramDirectoryOverride("");
        setenv("HOME", OldHome.c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
        TStatusTest::TearDown();
    }
    // What a new process starts with.
    void ResetGlobals()
    {
        ProgramOptions = TProgramOptions();
        ViewerOptions = TViewerOptions();
        PathsHistory.Clear();
        FilesHistory.Clear();
        for (TExtensionList *list : {&ProgramFileExtensions,
                                     &DocumentFileExtensions,
                                     &AudioFileExtensions,
                                     &VideoFileExtensions,
                                     &TextFileExtensions})
            list->Clear();
    }
    void Start()
    {
        Form = std::make_unique<TMainForm>();
        Form->resize(1000, 700);
        Form->SetupBoards();
        Form->StartMainForm();
    }
    void Close()
    {
        Form->FormCloseQuery();
        Form.reset();
        ResetGlobals();
    }
    // The index of the visited directory in PathsHistory, or -1.
    static int HistoryIndex(const std::string &title)
    {
        for (int i = 0; i < PathsHistory.count(); ++i)
            if (PathsHistory.Entry(i).title == title) return i;
        return -1;
    }
    std::string Options(const std::string &name) const { return Home / ("Options/" + name); }
    // Runs the options dialog, with the controls changed by the person before "&Okay".
    bool RunOptionsDialog(const std::function<void(TOptionsForm &)> &person)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            ASSERT_NE(OptionsForm, nullptr);
            person(*OptionsForm);
            ran = true;
            OptionsForm->OkayButton->click();
        });
        Form->Com_Options();
        return ran;
    }

    TTempDir Home;
    std::unique_ptr<TMainForm> Form;
    TProgramOptions SavedOptions;
    TViewerOptions SavedViewer;
    std::string OldHome;
};

TEST_F(OptionsTest, WithoutFilesTheDefaultsStandAndTheFirstCloseWritesFirstRunFalse)
{
    Start();
    EXPECT_TRUE(ShownErrors().empty());
    EXPECT_TRUE(ProgramOptions.FirstRun);
    EXPECT_EQ(ProgramOptions.ScrollbarSensitivity, 10);
    EXPECT_EQ(ProgramOptions.MouseMenuOperation[3], "Properties");
    EXPECT_TRUE(ProgramFileExtensions.Has(".AppImage"));
    EXPECT_TRUE(ProgramFileExtensions.Has(".sh"));
    EXPECT_EQ(Form->Boards.ActiveBoard, 0);
    Close();
    const std::string text = ReadBytes(Options("Velmordian.ini"));
    EXPECT_NE(text.find("FirstRun=FALSE\r\n"), std::string::npos);
    const std::string data = ReadBytes(Options("Velmordian.vdo"));
    ASSERT_GE(data.size(), 48u);
    EXPECT_EQ(data.substr(4, 18), "Velmordian Options");
    EXPECT_EQ(data[36], 4);
    Start();
    EXPECT_FALSE(ProgramOptions.FirstRun);
}

TEST_F(OptionsTest, DialogColumnsBoardsAndHistoriesComeBackAtTheNextStart)
{
    Start();
    ASSERT_TRUE(RunOptionsDialog([](TOptionsForm &dialog) {
        dialog.CheckBoxOf("FileList", "ShowGrid")->setChecked(true);
        dialog.CheckBoxOf("Main", "ShowBoardsBar")->setChecked(true);
        dialog.ComboBoxOf("Main", "HintLines")->setCurrentText(QStringLiteral("5"));
        dialog.ComboBoxOf("Main", "VisibleBoards")->setCurrentText(QStringLiteral("20"));
        dialog.ComboBoxOf("MouseOperations", "LMBTypeOperation")
            ->setCurrentText(QStringLiteral("View"));
        dialog.ComboBoxOf("FileList", "NormalizeThumbWidthTo")->setEditText(QStringLiteral("777"));
        dialog.ComboBoxOf("Viewer", "MaxTextSize")->setCurrentText(QStringLiteral("300000"));
        dialog.PluginNameEdit[1]->setText(QStringLiteral("Other.so"));
        dialog.ShowTreeNavigatorCheckBox->setChecked(true);
    }));
    EXPECT_TRUE(ProgramOptions.ShowGrid);
    EXPECT_EQ(ProgramOptions.HintLines, 5);
    EXPECT_TRUE(Form->Boards.Active().ShowTreeNavigator);
    EXPECT_TRUE(Form->BoardButtonsBar->isVisibleTo(Form.get()));
    Form->Columns[0]->ActiveTitle = Home.Path() + "/";
    Form->Columns[0]->Fixed = true;
    Form->Columns[1]->SortMode = "Size";
    Form->Boards.SetName(5, "Work");
    Form->Boards.SetShortcut(5, "None");
    PathsHistory.AddPath(Home.Path() + "/a", 1, true, false, 77, 4);
    FilesHistory.AddFile(Home.Path() + "/b.txt", false);
    Form->Boards.ShowBoard(2);
    EXPECT_EQ(Form->Boards.ActiveBoard, 2);
    Form->Columns[2]->Subcolumns = 4;
    Close();

    Start();
    EXPECT_TRUE(ShownErrors().empty());
    EXPECT_TRUE(ProgramOptions.ShowGrid);
    EXPECT_EQ(ProgramOptions.HintLines, 5);
    EXPECT_EQ(ProgramOptions.VisibleBoards, 20);
    EXPECT_EQ(ProgramOptions.LMBTypeOperation, "View");
    EXPECT_EQ(ProgramOptions.NormalizeThumbWidthTo, 777);
    EXPECT_EQ(ViewerOptions.MaxTextSize, 300000);
    EXPECT_EQ(ProgramOptions.ViewerPluginName[1], "Other.so");
    EXPECT_EQ(Form->Boards.ActiveBoard, 2);
    EXPECT_EQ(Form->VisibleColumnCount, 3);
    EXPECT_EQ(Form->Columns[2]->Subcolumns, 4);
    const TBoardData &main = Form->Boards.Items[0];
    EXPECT_TRUE(main.ShowTreeNavigator);
    EXPECT_EQ(main.ActiveTitle[0], Home.Path() + "/");
    EXPECT_EQ(main.DefaultTitle[0], Home.Path() + "/");
    EXPECT_TRUE(main.Fixed[0]);
    EXPECT_EQ(main.SortMode[1], "Size");
    EXPECT_EQ(Form->Boards.Items[5].Name, "Work");
    EXPECT_EQ(Form->Boards.Items[5].Shortcut, "None");
    const int visit = HistoryIndex(Home.Path() + "/a");
    ASSERT_GE(visit, 0);
    EXPECT_EQ(PathsHistory.Entry(visit).focusKey, 77);
    EXPECT_EQ(PathsHistory.Entry(visit).focusRow, 4);
    ASSERT_EQ(FilesHistory.count(), 1);
    EXPECT_EQ(FilesHistory.Entry(0).title, Home.Path() + "/b.txt");
}

TEST_F(OptionsTest, TheThumbnailCacheSizeOptionSetsTheCachesByteLimit)
{
    Start();
    EXPECT_EQ(PictureCache.ByteLimit, 30000000);
    ASSERT_TRUE(RunOptionsDialog([](TOptionsForm &dialog) {
        dialog.ComboBoxOf("Main", "MaxPictureCacheSize")
            ->setCurrentText(QStringLiteral("50000000"));
    }));
    EXPECT_EQ(PictureCache.ByteLimit, 50000000);
    Close();
    PictureCache.ByteLimit = TPictureCache::DefaultByteLimit;
    Start();
    EXPECT_EQ(PictureCache.ByteLimit, 50000000);
    Close();
    PictureCache.ByteLimit = TPictureCache::DefaultByteLimit;
}

TEST_F(OptionsTest, OkayKeepsTheValuesOfListsThatShowNoSelection)
{
    fs::create_directories(Home / "Options");
    WriteBytes(Options("Velmordian.ini"),
               "[Main]\r\nVisibleBoards=11\r\nHintLines=4\r\n[Viewer]\r\nFontSize=33\r\n");
    Start();
    ASSERT_EQ(ProgramOptions.VisibleBoards, 11);
    ASSERT_EQ(ViewerOptions.FontSize, 33);
    ASSERT_TRUE(RunOptionsDialog([](TOptionsForm &dialog) {
        EXPECT_EQ(dialog.ComboBoxOf("Main", "VisibleBoards")->currentIndex(), -1);
        EXPECT_EQ(dialog.ComboBoxOf("Viewer", "FontSize")->currentIndex(), -1);
        EXPECT_EQ(dialog.ComboBoxOf("Main", "HintLines")->currentText(), QStringLiteral("4"));
    }));
    EXPECT_EQ(ProgramOptions.VisibleBoards, 11);
    EXPECT_EQ(ViewerOptions.FontSize, 33);
    EXPECT_EQ(ProgramOptions.HintLines, 4);
    EXPECT_TRUE(Boxes.Shown.empty());
    EXPECT_TRUE(ShownErrors().empty());
    // A value chosen in such a list is taken.
    ASSERT_TRUE(RunOptionsDialog([](TOptionsForm &dialog) {
        dialog.ComboBoxOf("Viewer", "FontSize")->setCurrentText(QStringLiteral("35"));
    }));
    EXPECT_EQ(ViewerOptions.FontSize, 35);
    EXPECT_EQ(ProgramOptions.VisibleBoards, 11);
}

TEST_F(OptionsTest, APluginThatDoesNotLoadIsNamedAndTheStartGoesOn)
{
    fs::create_directories(Home / "Options");
    fs::create_directories(Home / "Plugins");
    WriteBytes(Home / "Plugins/Text.so", "not a library\n");
    WriteBytes(
        Options("Velmordian.ini"),
        "[Main]\r\nFirstRun=FALSE\r\nActivatePlugins=TRUE\r\n[ViewerPlugins]\r\nActivate0=TRUE\r\n"
        "Name0=Text.so\r\nActivate1=TRUE\r\nName1=../Plugins/Text.so\r\n");
    Start();
    EXPECT_TRUE(ShownErrors().empty());
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_NE(Boxes.Shown[0].Text.find("\"Text.so\""), std::string::npos);
    EXPECT_NE(Boxes.Shown[0].Text.find("\"../Plugins/Text.so\""), std::string::npos);
    EXPECT_EQ(Form->focusWidget(), Form->ActiveColumn().FileList);

    // Once the window is shown, the options' Okay focuses the column again.
    Form->show();
    Form->ActiveColumn().FileList->clearFocus();
    ASSERT_NE(Form->focusWidget(), Form->ActiveColumn().FileList);
    Boxes.Shown.clear();
    ASSERT_TRUE(RunOptionsDialog([](TOptionsForm &) {}));
    EXPECT_TRUE(ShownErrors().empty());
    EXPECT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Form->focusWidget(), Form->ActiveColumn().FileList);
}

TEST_F(OptionsTest, PluginInfoLoadsNothingFromOutsideThePluginFolder)
{
    fs::create_directories(Home / "Options");
    fs::create_directories(Home / "Plugins");
    fs::copy_file(VELMORDIAN_TEST_PLUGIN, Home / "Elsewhere.so");
    WriteBytes(Options("Velmordian.ini"), "[Main]\r\nFirstRun=FALSE\r\n");
    Start();
    Boxes.Shown.clear();
    ASSERT_TRUE(RunOptionsDialog([](TOptionsForm &dialog) {
        dialog.PluginNameEdit[0]->setText(QStringLiteral("../Elsewhere.so"));
        dialog.PluginInfoButton[0]->click();
        dialog.PluginNameEdit[0]->clear();
    }));
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Text, "Invalid plugin file.");
}

TEST_F(OptionsTest, StoredValuesThatBreakTheirRuleAreReplacedAsTheReadersSay)
{
    struct TCase
    {
        const char *Section, *Key;
        std::string Stored;
        std::string Expected;
        std::function<std::string()> Value;
    };
    const TCase cases[] = {
        {"Main",
         "ScrollbarSensitivity",
         "25",
         "3",
         [] { return std::to_string(ProgramOptions.ScrollbarSensitivity); }},
        {"Main",
         "ScrollbarSensitivity",
         "20",
         "20",
         [] { return std::to_string(ProgramOptions.ScrollbarSensitivity); }},
        {"Main", "HintLines", "9", "3", [] { return std::to_string(ProgramOptions.HintLines); }},
        {"Main", "HintLines", "5", "5", [] { return std::to_string(ProgramOptions.HintLines); }},
        {"Main",
         "VisibleBoards",
         "9",
         "10",
         [] { return std::to_string(ProgramOptions.VisibleBoards); }},
        {"MouseMenu2",
         "MouseMenuOperation4",
         "",
         "Properties",
         [] { return ProgramOptions.MouseMenuOperation[3]; }},
        {"MouseMenu2",
         "MouseMenuOperation4",
         "Fly",
         "Fly",
         [] { return ProgramOptions.MouseMenuOperation[3]; }},
        {"MouseOperations",
         "LMBTypeOperation",
         "Fly",
         "Delete",
         [] { return ProgramOptions.LMBTypeOperation; }},
        {"FileList",
         "ItemsFontName",
         std::string(32, 'f'),
         "Arial",
         [] { return ProgramOptions.ItemsFontName; }},
        {"FileHover",
         "Delay",
         "11",
         "2",
         [] { return std::to_string(ProgramOptions.FileHoverDelay); }},
        {"FileList",
         "MaxThumbFileSize",
         "-2",
         "1000000",
         [] { return std::to_string(ProgramOptions.MaxThumbFileSize); }},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::string(c.Key) + "=" + c.Stored);
        ProgramOptions = TProgramOptions();
        TStoredTextList list;
        list.WriteString(c.Section, c.Key, c.Stored);
        ReadProgramOptions(list);
        EXPECT_EQ(c.Value(), c.Expected);
    }
}

TEST_F(OptionsTest, ADataFileOfVersionTwoLoadsWithoutItsBlockAndSavesAsVersionFour)
{
    fs::create_directories(Home / "Options");
    TFileStorage old;
    old.fileName = Options("Velmordian.vdo");
    old.signature = "Velmordian Options";
    old.version = 2;
    old.OnSave = [](TStreamStorage &storage) {
        const std::string block(400, 'x');
        storage.WriteObject(block.data(), 400);
        for (int board = 29; board >= 0; --board) {
            storage.WriteText(board == 0 ? "Old main" : "");
            storage.WriteText(board == 0 ? "7" : "");
            storage.WriteBool(false);
            storage.WriteBool(board == 0);
            storage.WriteText("/tmp");
            storage.WriteInt(board == 0 ? 4 : 2);
            storage.WriteInt(0);
            for (int column = 0; column < 10; ++column) {
                storage.WriteText("/tmp/");
                storage.WriteInt(-1);
                storage.WriteBool(column == 3);
                storage.WriteInt(1);
                storage.WriteInt(2);
                storage.WriteInt(3);
                storage.WriteBool(false);
                storage.WriteInt(0);
                storage.WriteInt(0);
                storage.WriteInt64(0);
                storage.WriteText("Name");
            }
        }
    };
    ASSERT_TRUE(old.Save(false));
    PathsHistory.AddPath("/kept", 0, true, false, 0, 0);
    Start();
    EXPECT_TRUE(ShownErrors().empty());
    const TBoardData &main = Form->Boards.Items[0];
    EXPECT_EQ(main.Name, "Old main");
    EXPECT_EQ(main.Shortcut, "7");
    EXPECT_TRUE(main.ShowTreeNavigator);
    EXPECT_EQ(main.ColumnCount, 4);
    EXPECT_TRUE(main.Fixed[3]);
    EXPECT_EQ(main.Subcolumns[5], 2);
    EXPECT_EQ(Form->Boards.Items[1].Name, "");
    EXPECT_GE(HistoryIndex("/kept"), 0) << "a version 2 file has no histories";
    Close();
    EXPECT_EQ(ReadBytes(Options("Velmordian.vdo"))[36], 4);
    Start();
    EXPECT_EQ(Form->Boards.Items[0].Name, "Old main");
    EXPECT_GE(HistoryIndex("/kept"), 0) << "the version 4 file holds the histories";
}

TEST_F(OptionsTest, AutorunMakesTheStartUpEntryOnceAndRemovesIt)
{
    const std::string entry = AutorunEntryPath();
    EXPECT_EQ(entry.rfind(Home / "config/autostart/", 0), 0u) << entry;
    Start();
    ProgramOptions.Autorun = true;
    Close();
    ASSERT_TRUE(fs::exists(entry));
    EXPECT_NE(ReadBytes(entry).find("Exec="), std::string::npos);
    const auto written = fs::last_write_time(entry);
    fs::last_write_time(entry, written - std::chrono::hours(1));
    Start();
    EXPECT_TRUE(ProgramOptions.Autorun);
    Close();
    EXPECT_EQ(fs::last_write_time(entry), written - std::chrono::hours(1)) << "rewritten";
    Start();
    ProgramOptions.Autorun = false;
    Close();
    EXPECT_FALSE(fs::exists(entry));
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(OptionsTest, DamagedDataFilesAreReportedAndLeaveTheBoardsAsPreset)
{
    Start();
    Form->Boards.SetName(0, "Saved");
    Close();
    const std::string good = ReadBytes(Options("Velmordian.vdo"));
    std::mt19937 chance(7);
    std::string random(5000, '\0');
    for (char &c : random)
        c = static_cast<char>(chance());
    struct TCase
    {
        const char *Name;
        std::string Bytes;
    };
    const TCase cases[] = {
        {"truncated", good.substr(0, good.size() / 2)},
        {"zero-filled", std::string(good.size(), '\0')},
        {"random", random},
        {"oversized", good + std::string(3 << 20, 'z')},
        {"header only", good.substr(0, 20)},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        Window.Memos.clear();
        WriteBytes(Options("Velmordian.vdo"), c.Bytes);
        Start();
        const std::vector<std::string> shown = ShownErrors();
        EXPECT_NE(
            std::find(shown.begin(), shown.end(), "Failed to load. Data is probably corrupted."),
            shown.end());
        EXPECT_EQ(Form->Boards.Items[0].Name, "Main");
        EXPECT_TRUE(Form->Initialised);
        Form.reset();
        ResetGlobals();
    }
}

TEST_F(OptionsTest, ADataFileWithAValidHeaderAndAShortPayloadKeepsTheBoards)
{
    fs::create_directories(Home / "Options");
    TFileStorage file;
    file.fileName = Options("Velmordian.vdo");
    file.signature = "Velmordian Options";
    file.version = 4;
    file.OnSave = [](TStreamStorage &storage) {
        storage.WriteText("Half");
        storage.WriteText("3");
        storage.WriteBool(true);
    };
    ASSERT_TRUE(file.Save(false));
    Start();
    EXPECT_FALSE(ShownErrors().empty());
    EXPECT_EQ(Form->Boards.Items[29].Name, "");
    EXPECT_EQ(Form->Boards.Items[0].Name, "Main");
}

TEST_F(OptionsTest, AwkwardOptionsTextLoadsAndKeepsWhatOthersOwn)
{
    fs::create_directories(Home / "Options");
    std::string text = "[ProgramExtensions]\r\nCount=2147483647\r\n0=.one\r\n5=.six\r\n";
    text += "[Main]\r\nHintLines=2\r\nLong=" + std::string(1 << 20, 'l') + "\r\n";
    text += "Binary=\x01\x02\xff\xfe\x7f\r\n";
    text += "[Main]\r\nHintLines=4\r\nScrollbarSensitivity=12\r\n";
    text += "[Skin_Main]\r\nUseBackPicture=TRUE\r\n";
    WriteBytes(Options("Velmordian.ini"), text);
    Start();
    EXPECT_TRUE(ShownErrors().empty());
    EXPECT_EQ(ProgramOptions.HintLines, 2) << "the first of two equal keys wins";
    EXPECT_EQ(ProgramOptions.ScrollbarSensitivity, 12);
    EXPECT_EQ(ProgramFileExtensions.List(), (std::vector<std::string>{".one", ".six"}));
    Close();
    const std::string saved = ReadBytes(Options("Velmordian.ini"));
    EXPECT_NE(saved.find("UseBackPicture=TRUE"), std::string::npos);
    EXPECT_NE(saved.find("Long=" + std::string(1 << 20, 'l')), std::string::npos);
    EXPECT_NE(saved.find("0=.one"), std::string::npos);
}

TEST_F(OptionsTest, AFullDiskKeepsTheOldOptionsFiles)
{
    const TSmallDisk disk(Home / "Options", "256k");
    if (!disk.Mounted) GTEST_SKIP() << "cannot mount a tmpfs here";
    Start();
    Close();
    const std::string data = ReadBytes(Options("Velmordian.vdo"));
    disk.FillUp();
    Start();
    ProgramOptions.ShowGrid = true;
    PathsHistory.AddPath(std::string(100000, 'p'), 0, true, false, 0, 0);
    Form->Boards.SetName(3, std::string(31, 'n'));
    Window.Memos.clear();
    Form->FormCloseQuery();
    const std::vector<std::string> shown = ShownErrors();
    EXPECT_NE(std::find(shown.begin(), shown.end(), "Failed to save."), shown.end());
    EXPECT_EQ(ReadBytes(Options("Velmordian.vdo")), data);
    Form.reset();
}

TEST_F(OptionsTest, AReadOnlyOptionsFolderKeepsTheFilesAndSaysSo)
{
    Start();
    Close();
    const std::string text = ReadBytes(Options("Velmordian.ini"));
    fs::permissions(Home.Path(),
                    fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    ::chmod((Home / "Options").c_str(), 0555);
    ::chmod(Options("Velmordian.ini").c_str(), 0444);
    ::chmod(Options("Velmordian.vdo").c_str(), 0444);
    const int code = RunAsNobody([&] {
        TStoredTextList list(Options("Velmordian.ini"));
        if (!list.Load()) return 1;
        ProgramOptions = TProgramOptions();
        ReadProgramOptions(list);
        ProgramOptions.ShowGrid = true;
        WriteProgramOptions(list);
        if (list.Save(false)) return 2;
        const std::vector<std::string> shown = ShownErrors();
        return std::find(shown.begin(), shown.end(), "Failed to save file.") != shown.end() ? 0 : 3;
    });
    ::chmod((Home / "Options").c_str(), 0755);
    if (code == -1) GTEST_SKIP() << "cannot switch users here";
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadBytes(Options("Velmordian.ini")), text);
}

TEST_F(OptionsTest, TheSessionManagersRequestSavesBothFilesOnlyOnceTheyWereRead)
{
    Form = std::make_unique<TMainForm>();
    Form->SessionCommitData();
    EXPECT_FALSE(fs::exists(Options("Velmordian.ini")));
    Form->resize(1000, 700);
    Form->StartMainForm();
    Form->Com_ToggleHintBar();
    Form->SessionCommitData();
    const std::string text = ReadBytes(Options("Velmordian.ini"));
    EXPECT_NE(text.find("FirstRun=FALSE\r\n"), std::string::npos);
    EXPECT_NE(text.find("ShowHintBar=FALSE\r\n"), std::string::npos);
    EXPECT_TRUE(fs::exists(Options("Velmordian.vdo")));
    EXPECT_TRUE(Form->Initialised);
    Close();
    EXPECT_EQ(ReadBytes(Options("Velmordian.ini")), text);
}

TEST_F(OptionsTest, AssociateExtensionMovesTheFocusedExtensionWithinItsGroupAndSaveAndUpdateApplies)
{
    fs::create_directories(Home / "files");
    Home.WriteFile("files/a.xyz", "a");
    Start();
    Form->GoToPath(Home / "files/a.xyz", false);
    const TColumn &column = Form->ActiveColumn();
    ASSERT_EQ(column.ActiveTitle, Home / "files/a.xyz");
    ASSERT_EQ(column.FocusKind, ikGeneric);
    // "Save and update" takes the options folder that is marked at that moment.
    fs::create_directories(Home / "marked");
    ASSERT_TRUE(Platform::SettingsStoreWrite("Software\\Velmordian\\", "OptionsPath", Home / "marked"));
    const auto saved = [&](const char *section) {
        TStoredTextList list(Home / "marked/Velmordian.ini");
        list.Load();
        std::vector<std::string> items;
        list.ReadList(section, items, false, 0);
        return std::find(items.begin(), items.end(), ".xyz") != items.end();
    };
    const auto checked = [&](const char *item) {
        return Form->MenuItem(std::string("AssociateExtensionMenu_") + item)->isChecked();
    };

    // Each row: the item chosen, then the lists that hold ".xyz", the column's kind of the file
    // after "Save and update", and the viewer item that is then checked.
    const struct
    {
        const char *Item;
        bool Program, Document, Audio, Video, Text;
        int Kind;
        const char *Viewer;
    } cases[] = {
        {"Program", true, false, false, false, false, ikProgram, "NoViewer"},
        {"Document", false, true, false, false, false, ikDocument, "NoViewer"},
        {"Text", false, true, false, false, true, ikDocument, "Text"},
        {"Video", false, true, false, true, false, ikDocument, "Video"},
        {"Audio", false, true, true, false, false, ikDocument, "Audio"},
        {"NoViewer", false, true, false, false, false, ikDocument, "NoViewer"},
        {"Generic", false, false, false, false, false, ikGeneric, "NoViewer"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.Item);
        ASSERT_TRUE(Form->ClickMenuItem(std::string("AssociateExtensionMenu_") + c.Item));
        EXPECT_EQ(ProgramFileExtensions.Has(".XYZ"), c.Program);
        EXPECT_EQ(DocumentFileExtensions.Has(".xyz"), c.Document);
        EXPECT_EQ(AudioFileExtensions.Has(".xyz"), c.Audio);
        EXPECT_EQ(VideoFileExtensions.Has(".xyz"), c.Video);
        EXPECT_EQ(TextFileExtensions.Has(".xyz"), c.Text);
        ASSERT_TRUE(Form->ClickMenuItem("AssociateExtensionMenu_SaveUpdate"));
        EXPECT_EQ(column.ActiveTitle, Home / "files/a.xyz");
        EXPECT_EQ(column.FocusKind, c.Kind);
        EXPECT_EQ(saved("ProgramExtensions"), c.Program);
        EXPECT_EQ(saved("DocumentExtensions"), c.Document);
        EXPECT_EQ(saved("Viewer_TextExtensions"), c.Text);
        Form->EnableFileMenuItems();
        EXPECT_EQ(checked("Program"), c.Kind == ikProgram);
        EXPECT_EQ(checked("Generic"), c.Kind == ikGeneric);
        EXPECT_TRUE(checked(c.Viewer));
        // A program has no audio or video viewer.
        EXPECT_EQ(Form->MenuItem("AssociateExtensionMenu_Audio")->isEnabled(), c.Kind != ikProgram);
    }
    EXPECT_TRUE(ShownErrors().empty());
    EXPECT_FALSE(fs::exists(Options("Velmordian.ini")));
}
