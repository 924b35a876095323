// The File-drag menu on an off-screen main window over real directories: drags that open it,
// its items' work, its enabling rules, and the inter-board source column.
#include "app/MainDialog.h"

#include "Libraries/File.h"
#include "Libraries/Program.h"
#include "app/CopyAsDialog.h"
#include "app/FileDialog.h"
#include "app/OptionsDialog.h"
#include "app/OverwriteDialog.h"
#include "app/SkinDialog.h"
#include "app/StegDialog.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace fs = std::filesystem;

namespace {

// Clicks "&Okay" of the file operation dialog as soon as it shows.
void OkayLater()
{
    QTimer::singleShot(0, [] {
        if (FileForm && QApplication::activeModalWidget() == FileForm) FileForm->OkayButton->click();
    });
}

std::string XattrOf(const std::string &path)
{
    char value[64] = {};
    const ssize_t got = getxattr(path.c_str(), "user.Description", value, sizeof value);
    return got < 0 ? std::string() : std::string(value, static_cast<std::size_t>(got));
}

} // namespace

class FileDragMenuTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        SavedOptions = ProgramOptions;
        ProgramOptions.FirstRun = false;
        ProgramOptions.RMBNameOperation = "None";
        ProgramOptions.RMBTypeOperation = "None";
        SetDefaultExtensionLists();
        UsePortableProgramFolder(Home.Path());
        Overwrite = std::make_unique<TOverwriteForm>();
        FileDialog = std::make_unique<TFileForm>();
        CopyAs = std::make_unique<TCopyAsForm>();
        OverwriteForm = Overwrite.get();
        FileForm = FileDialog.get();
        CopyAsForm = CopyAs.get();
        fs::create_directories(Dir / "src/inner");
        fs::create_directories(Dir / "dst/sub");
        for (const char *name : {"a.txt", "b.txt", "c.txt"}) Dir.WriteFile(std::string("src/") + name, name);
        Dir.WriteFile("dst/d.txt", "d");
        setxattr((Dir / "src/a.txt").c_str(), "user.Description", "about a", 7, 0);
        Main = std::make_unique<TMainForm>();
        Main->resize(900, 600);
        Main->BusyCount = 0;
        Main->Initialised = true;
        Main->show();
        Main->Reset(false);
        Load(0, Dir / "src/a.txt");
        Load(1, Dir / "dst/d.txt");
    }
    void TearDown() override
    {
        Main.reset();
        FileForm = nullptr;
        OverwriteForm = nullptr;
        CopyAsForm = nullptr;
        SetProgramDirectoryOverride("");
        ProgramOptions = SavedOptions;
        TStatusTest::TearDown();
    }
    TColumn &Col(int i) { return *Main->Columns[i]; }
    void Load(int column, const std::string &title)
    {
        Col(column).LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, title);
    }
    int IndexOf(int column, const std::string &name) { return Col(column).IndexOfName(name); }
    QPoint NamePoint(int column, int index)
    {
        const MyTPanel *list = Col(column).FileList;
        const QRect item = list->ItemRect(std::min(index, list->Count() - 1));
        return QPoint(item.left() + Col(column).GetTypeFieldWidth(true) + 8, item.top() + 2);
    }
    // Presses on an item's name in one column and releases over an item of another.
    void Drag(int column, int index, int toColumn, int toIndex, Qt::MouseButton button)
    {
        MyTPanel *list = Col(column).FileList;
        const QPoint down = NamePoint(column, index);
        const QPoint up = Col(toColumn).FileList->mapToGlobal(NamePoint(toColumn, toIndex));
        QMouseEvent press(QEvent::MouseButtonPress, down, list->mapToGlobal(down), button, button, Qt::NoModifier);
        QApplication::sendEvent(list, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, list->mapFromGlobal(up), up, button, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(list, &release);
    }
    QAction *Item(const char *name) { return Main->FileDragItems.at(name); }
    // The enabled state of an item after the enabling pass for source item sourceIndex of
    // column s and the active column.
    bool Enabled(const char *name) { return Item(name)->isEnabled(); }
    void Prepare(int s, int sourceIndex, int d)
    {
        Main->DragSourcePosition = s;
        Main->DragSourceItem = sourceIndex;
        Main->ActiveColumnIndex = d;
        Main->EnableFileDragMenuItems(Qt::NoModifier);
    }

    TTempDir Dir;
    TTempDir Home;
    TProgramOptions SavedOptions;
    std::unique_ptr<TOverwriteForm> Overwrite;
    std::unique_ptr<TFileForm> FileDialog;
    std::unique_ptr<TCopyAsForm> CopyAs;
    std::unique_ptr<TMainForm> Main;
};

TEST_F(FileDragMenuTest, ALeftDragOpensTheMenuAndCopyCopiesAndFocusesTheFile)
{
    Drag(0, IndexOf(0, "a.txt"), 1, IndexOf(1, "d.txt"), Qt::LeftButton);
    EXPECT_EQ(Main->LastMouseOperation, "File-drag menu");
    EXPECT_TRUE(Main->FileDragMenu->isVisible());
    Main->FileDragMenu->hide();
    ASSERT_TRUE(Enabled("FileDragMenu_Copy"));
    OkayLater();
    Item("FileDragMenu_Copy")->trigger();
    EXPECT_EQ(Dir.ReadFile("dst/a.txt"), "a.txt");
    EXPECT_EQ(XattrOf(Dir / "dst/a.txt"), "about a");
    EXPECT_EQ(Col(1).ActiveTitle, Dir / "dst/a.txt");
    EXPECT_EQ(Main->ActiveColumnIndex, 1);
}

TEST_F(FileDragMenuTest, MoveTakesTheSelectionAndTheSourceColumnNoLongerListsIt)
{
    for (const char *name : {"a.txt", "b.txt", "c.txt"}) Col(0).SelectItem(IndexOf(0, name), true);
    Prepare(0, IndexOf(0, "a.txt"), 1);
    ASSERT_TRUE(Enabled("FileDragMenu_Move"));
    OkayLater();
    Item("FileDragMenu_Move")->trigger();
    for (const char *name : {"a.txt", "b.txt", "c.txt"}) {
        EXPECT_TRUE(fs::exists(Dir / (std::string("dst/") + name))) << name;
        EXPECT_FALSE(fs::exists(Dir / (std::string("src/") + name))) << name;
        EXPECT_LT(IndexOf(0, name), 0) << name;
        EXPECT_GE(IndexOf(1, name), 0) << name;
    }
}

TEST_F(FileDragMenuTest, ARightDragOntoADirectoryItemDropCopiesIntoIt)
{
    ProgramOptions.RMBDragNameOperation = "Drop-copy";
    OkayLater();
    Drag(0, IndexOf(0, "b.txt"), 1, IndexOf(1, "sub"), Qt::RightButton);
    EXPECT_EQ(Main->LastMouseOperation, "Drop-copy");
    EXPECT_EQ(Dir.ReadFile("dst/sub/b.txt"), "b.txt");
    EXPECT_FALSE(fs::exists(Dir / "dst/b.txt"));
}

TEST_F(FileDragMenuTest, EnablingRulesForSourceAndDestination)
{
    fs::create_symlink(Dir / "src/a.txt", Dir / "src/link");
    Load(0, Dir / "src/a.txt");
    struct TCase
    {
        const char *Label;
        const char *SourceName; // in column 0
        int Destination;        // column 1, or 0 for the same column
        bool Select;
        const char *Item;
        bool Enabled;
    };
    const std::vector<TCase> cases = {
        {"a file onto another directory", "a.txt", 1, false, "FileDragMenu_Copy", true},
        {"same directory", "a.txt", 0, false, "FileDragMenu_Copy", false},
        {"same directory", "a.txt", 0, false, "FileDragMenu_Compare", false},
        {"same directory, copy as stays", "a.txt", 0, false, "FileDragMenu_CopyAs", true},
        {"a directory cannot be numbered", "inner", 1, false, "FileDragMenu_CopyAsLastNumbered", false},
        {"a directory has no hard link", "inner", 1, false, "FileDragMenu_CopyAsHardLink", false},
        {"a single link", "link", 1, false, "FileDragMenu_CopyAsLink", false},
        {"a link with a selection", "link", 1, true, "FileDragMenu_CopyAsLink", true},
        {"copy as with a selection", "a.txt", 1, true, "FileDragMenu_CopyAs", false},
        {"enter a directory", "inner", 1, false, "FileDragMenu_EnterThisDir", true},
        {"enter a file", "a.txt", 1, false, "FileDragMenu_EnterThisDir", false},
        {"set with source column", "a.txt", 1, false, "FileDragMenu_SetWithSourceColumn", true},
        {"set with itself", "a.txt", 0, false, "FileDragMenu_SetWithSourceColumn", false},
        {"drop onto a file", "a.txt", 1, false, "FileDragMenu_DropCopy", false},
        {"no container yet", "a.txt", 1, false, "FileDragMenu_InsertItem", false},
    };
    for (const TCase &c : cases) {
        Col(0).SelectAllItems(0, false);
        if (c.Select) Col(0).SelectItem(IndexOf(0, "b.txt"), true);
        Load(1, Dir / "dst/d.txt");
        Prepare(0, IndexOf(0, c.SourceName), c.Destination);
        EXPECT_EQ(Enabled(c.Item), c.Enabled) << c.Label << ": " << c.Item;
    }
    // A container as destination takes copies but no moves from a directory; two columns of
    // the same container count as the same directory.
    Col(1).ContainerIndex = 3;
    Col(1).SetWithList({Dir / "dst/d.txt"}, false);
    Prepare(0, IndexOf(0, "a.txt"), 1);
    EXPECT_TRUE(Enabled("FileDragMenu_Copy"));
    EXPECT_FALSE(Enabled("FileDragMenu_Move"));
    EXPECT_FALSE(Enabled("FileDragMenu_CopyAs"));
    EXPECT_FALSE(Enabled("FileDragMenu_Compare"));
    Col(0).ContainerIndex = 3;
    Col(0).SetWithList({Dir / "src/a.txt"}, false);
    Prepare(0, 0, 1);
    EXPECT_FALSE(Enabled("FileDragMenu_Copy"));
    Col(0).ContainerIndex = 4;
    Prepare(0, 0, 1);
    EXPECT_TRUE(Enabled("FileDragMenu_Move"));
    Col(0).ContainerIndex = Col(1).ContainerIndex = -1;
    // "Attach stream" needs a destination file that has streams.
    Load(1, Dir / "dst/d.txt");
    Prepare(0, IndexOf(0, "a.txt"), 1);
    EXPECT_FALSE(Enabled("FileDragMenu_AttachStream"));
    setxattr((Dir / "dst/d.txt").c_str(), "user.Notes", "n", 1, 0);
    Prepare(0, IndexOf(0, "a.txt"), 1);
    EXPECT_TRUE(Enabled("FileDragMenu_AttachStream"));
    // A partition title as source: nothing that needs a file, but entering it.
    Col(0).LoadWithPartitions();
    Prepare(0, 0, 1);
    for (const char *name : {"FileDragMenu_Copy", "FileDragMenu_Move", "FileDragMenu_CopyAs", "FileDragMenu_Compare",
                             "FileDragMenu_CopyAsLink", "FileDragMenu_DropCopy"})
        EXPECT_FALSE(Enabled(name)) << name;
    // An empty source list enables only what needs no source item.
    Load(0, Dir / "src/inner/");
    Prepare(0, -1, 1);
    EXPECT_FALSE(Enabled("FileDragMenu_Copy"));
    EXPECT_TRUE(Enabled("FileDragMenu_SwitchColumns"));
}

TEST_F(FileDragMenuTest, LastNumberedProposesTheNameAfterTheSeries)
{
    for (const char *name : {"Grand Canyon 005.bmp", "Grand Canyon 012.bmp", "Grand Canyon 023.bmp", "Other 099.bmp"})
        Dir.WriteFile(std::string("dst/") + name, "x");
    Load(1, Dir / "dst/Grand Canyon 005.bmp");
    EXPECT_EQ(Main->LastNumberedName(Col(1)), "Grand Canyon 024.bmp");
    Prepare(0, IndexOf(0, "a.txt"), 1);
    EXPECT_TRUE(Enabled("FileDragMenu_CopyAsLastNumbered"));
    Col(1).SetSortMode("Size");
    Prepare(0, IndexOf(0, "a.txt"), 1);
    EXPECT_FALSE(Enabled("FileDragMenu_CopyAsLastNumbered"));
}

TEST_F(FileDragMenuTest, SwitchColumnsExchangesTheirContent)
{
    Prepare(0, IndexOf(0, "a.txt"), 1);
    Item("FileDragMenu_SwitchColumns")->trigger();
    EXPECT_EQ(ExtractDirectory(Col(0).ActiveTitle), IncludeTrailingBackslash(Dir / "dst"));
    EXPECT_EQ(ExtractDirectory(Col(1).ActiveTitle), IncludeTrailingBackslash(Dir / "src"));
    EXPECT_GE(IndexOf(0, "d.txt"), 0);
    EXPECT_GE(IndexOf(1, "a.txt"), 0);
}

TEST_F(FileDragMenuTest, ASourceDeletedBeforeTheDropIsReportedAndNothingElseIsTouched)
{
    Prepare(0, IndexOf(0, "a.txt"), 1);
    fs::remove(Dir / "src/a.txt");
    Item("FileDragMenu_Copy")->trigger();
    ASSERT_EQ(ShownErrors().size(), 1u);
    EXPECT_EQ(ShownErrors().front(), "Failed to Copy.");
    EXPECT_EQ(std::distance(fs::directory_iterator(Dir / "dst"), fs::directory_iterator()), 2);
}

TEST_F(FileDragMenuTest, DroppingAColumnOntoItselfCopiesNothing)
{
    Drag(0, IndexOf(0, "a.txt"), 0, IndexOf(0, "b.txt"), Qt::LeftButton);
    Main->FileDragMenu->hide();
    EXPECT_FALSE(Enabled("FileDragMenu_Copy"));
    EXPECT_FALSE(Enabled("FileDragMenu_Move"));
    Item("FileDragMenu_Copy")->trigger(); // a disabled item's command is never reached by a drag
    EXPECT_FALSE(Main->ClickFileDragItem("FileDragMenu_Copy"));
}

TEST_F(FileDragMenuTest, TheInterBoardSourceOfBoardOneFeedsACopyOnBoardTwo)
{
    Main->FocusColumn(0, true);
    Col(0).FocusIndex(IndexOf(0, "c.txt"));
    Main->ClickFromKey = true;
    Main->MarkInterBoardSource(true);
    Main->ClickFromKey = false;
    EXPECT_EQ(Main->InterBoardTitle(), "Directory \"src\"");
    // Another board shows other directories in its columns.
    Main->Boards.SetActiveBoard(1);
    Main->ShowBoard();
    Load(0, Dir / "dst/d.txt");
    Main->FocusColumn(0, true);
    ASSERT_TRUE(Main->InterBoardRulesOf().Copy);
    OkayLater();
    Main->Com_InterBoardCopy();
    EXPECT_EQ(Dir.ReadFile("dst/c.txt"), "c.txt");
    EXPECT_TRUE(fs::exists(Dir / "src/c.txt"));
}

TEST_F(FileDragMenuTest, CopyAsADirectoryCopiesItUnderTheNewName)
{
    Dir.WriteFile("src/inner/deep.txt", "deep");
    Prepare(0, IndexOf(0, "inner"), 1);
    ASSERT_TRUE(Enabled("FileDragMenu_CopyAs"));
    QTimer::singleShot(0, [] {
        CopyAsForm->NameComboBox->setEditText(QStringLiteral("renamed"));
        QTimer::singleShot(0, [] { OkayLater(); });
        CopyAsForm->CopyButton->click();
    });
    Item("FileDragMenu_CopyAs")->trigger();
    EXPECT_EQ(Dir.ReadFile("dst/renamed/deep.txt"), "deep");
    EXPECT_FALSE(fs::exists(Dir / "dst/inner"));
    EXPECT_TRUE(fs::exists(Dir / "src/inner/deep.txt"));
}

TEST_F(FileDragMenuTest, AttachStreamCopiesTheSourceIntoTheChosenStream)
{
    setxattr((Dir / "dst/d.txt").c_str(), "user.Notes", "old", 3, 0);
    Load(1, Dir / "dst/d.txt");
    Prepare(0, IndexOf(0, "b.txt"), 1);
    QMenu *streams = Item("FileDragMenu_AttachStream")->menu();
    ASSERT_TRUE(Enabled("FileDragMenu_AttachStream"));
    QAction *notes = nullptr;
    for (QAction *action : streams->actions())
        if (action->text() == QStringLiteral("Notes")) notes = action;
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(streams->actions().front()->text(), QStringLiteral("Destination streams"));
    Boxes.Answer = MessageBoxAnswer::No;
    notes->trigger();
    char value[16] = {};
    EXPECT_EQ(getxattr((Dir / "dst/d.txt").c_str(), "user.Notes", value, sizeof value), 3);
    EXPECT_EQ(Boxes.Shown.back().Text, "The selected destination stream is not empty.\nDo you want to overwrite it?");
    Boxes.Answer = MessageBoxAnswer::Yes;
    notes->trigger();
    const ssize_t got = getxattr((Dir / "dst/d.txt").c_str(), "user.Notes", value, sizeof value);
    EXPECT_EQ(std::string(value, got > 0 ? static_cast<std::size_t>(got) : 0), "b.txt");
    EXPECT_EQ(Dir.ReadFile("dst/d.txt"), "d");
}

TEST_F(FileDragMenuTest, SendStartsTheSendDragProgramWithTheSourceAndTheDestination)
{
    // A program that records its parameters, behind a desktop entry of the "SendDrag" folder.
    const std::string record = Dir / "record.txt";
    Dir.WriteFile("rec.sh", "#!/bin/sh\nprintf '%s|' \"$@\" > '" + record + ".part' && mv '" + record + ".part' '" +
                                record + "'\n");
    fs::permissions(Dir / "rec.sh", fs::perms::owner_all);
    fs::create_directories(OptionsDirectory() + "SendDrag");
    std::ofstream(OptionsDirectory() + "SendDrag/Record.desktop")
        << "[Desktop Entry]\nType=Application\nName=Record\nExec=" << Dir / "rec.sh" << "\n";
    Col(0).FocusIndex(IndexOf(0, "a.txt"));
    Prepare(0, IndexOf(0, "a.txt"), 1);
    QMenu *send = Item("FileDragMenu_Send")->menu();
    QAction *recordItem = nullptr;
    for (QAction *action : send->actions())
        if (action->text() == QStringLiteral("Record")) recordItem = action;
    ASSERT_NE(recordItem, nullptr);
    recordItem->trigger();
    for (int i = 0; i < 100 && !fs::exists(record); ++i) QTest::qWait(50);
    EXPECT_EQ(Dir.ReadFile("record.txt"), Dir / "src/a.txt" + "|" + Dir / "dst/d.txt" + "|");
    EXPECT_TRUE(ShownErrors().empty());
}

// A picture of random colours, where every pixel can carry a hidden bit.
static void SaveNoisyPicture(const std::string &path, int width, int height)
{
    QImage picture(width, height, QImage::Format_ARGB32);
    std::uint32_t state = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            picture.setPixel(x, y, 0xFF000000u | (state >> 8));
        }
    picture.save(QString::fromStdString(path), "PNG");
}

TEST_F(FileDragMenuTest, AFileDraggedOntoAPictureIsHiddenThereAndDraggedBackOut)
{
    TStegForm steg;
    StegForm = &steg;
    const std::string secret = "a file hidden by dragging\n";
    Dir.WriteFile("src/secret.txt", secret);
    SaveNoisyPicture(Dir / "dst/photo.png", 200, 120);
    struct timespec old[2] = {{0, UTIME_OMIT}, {1300000000, 0}};
    utimensat(AT_FDCWD, (Dir / "dst/photo.png").c_str(), old, 0);
    Load(0, Dir / "src/secret.txt");
    Load(1, Dir / "dst/photo.png");
    const auto typePassword = [&] {
        QTimer::singleShot(0, [&] {
            steg.PasswordEdit->setText(QStringLiteral("drag"));
            steg.ConfirmPasswordEdit->setText(QStringLiteral("drag"));
            steg.OkayButton->click();
        });
    };
    Drag(0, IndexOf(0, "secret.txt"), 1, IndexOf(1, "photo.png"), Qt::LeftButton);
    Main->FileDragMenu->hide();
    ASSERT_TRUE(Enabled("FileDragMenu_StegIn"));
    EXPECT_FALSE(Enabled("FileDragMenu_StegOut")); // the source is no picture
    Boxes.Answer = MessageBoxAnswer::Yes;
    typePassword();
    Item("FileDragMenu_StegIn")->trigger();
    EXPECT_TRUE(ShownErrors().empty());
    EXPECT_EQ(Boxes.Shown.back().Text.rfind("Source file has been stegged-in the carrier file.", 0), 0u);
    EXPECT_EQ(fs::last_write_time(Dir / "dst/photo.png").time_since_epoch(),
              std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(1300000000)))
                  .time_since_epoch());
    fs::create_directories(Dir / "out");
    Dir.WriteFile("out/x.txt", "x");
    Load(0, Dir / "out/x.txt");
    Prepare(1, IndexOf(1, "photo.png"), 0);
    ASSERT_TRUE(Enabled("FileDragMenu_StegOut"));
    typePassword();
    Item("FileDragMenu_StegOut")->trigger();
    EXPECT_TRUE(ShownErrors().empty());
    EXPECT_EQ(Dir.ReadFile("out/secret.txt"), secret);
    EXPECT_GE(IndexOf(0, "secret.txt"), 0);
    StegForm = nullptr;
}

TEST_F(FileDragMenuTest, StegInTakesFilesUpToOneMillionBytesAndOnlyPictures)
{
    Dir.WriteFile("src/limit.bin", std::string(1000000, 'l'));
    Dir.WriteFile("src/over.bin", std::string(1000001, 'o'));
    SaveNoisyPicture(Dir / "dst/photo.png", 10, 10);
    Load(0, Dir / "src/a.txt");
    Load(1, Dir / "dst/photo.png");
    Prepare(0, IndexOf(0, "limit.bin"), 1);
    EXPECT_TRUE(Enabled("FileDragMenu_StegIn"));
    Prepare(0, IndexOf(0, "over.bin"), 1);
    EXPECT_FALSE(Enabled("FileDragMenu_StegIn"));
    Load(1, Dir / "dst/d.txt");
    Prepare(0, IndexOf(0, "limit.bin"), 1);
    EXPECT_FALSE(Enabled("FileDragMenu_StegIn"));
}

// ---- Files dropped by other programs --------------------------------------------------------

// What another program's drag carries: the addresses of its files.
static std::unique_ptr<QMimeData> DroppedUrls(const std::vector<std::string> &addresses)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const std::string &address : addresses) urls.push_back(QUrl::fromEncoded(QByteArray::fromStdString(address)));
    data->setUrls(urls);
    return data;
}

TEST_F(FileDragMenuTest, ThreeDroppedFilesOpenTheFileDropMenuWithThemSelectedInTheSpareColumn)
{
    fs::create_directories(Dir / "outside");
    Dir.WriteFile("outside/one.txt", "1");
    Dir.WriteFile("outside/two.txt", "2");
    Dir.WriteFile("outside/three.txt", "3");
    const auto data = DroppedUrls({"file://" + Dir / "outside/one.txt", "file://" + Dir / "outside/two.txt",
                                   "file://localhost" + Dir / "outside/three.txt"});
    // Real drag events on the second column's list: it takes them, then the drop.
    MyTPanel *list = Col(1).FileList;
    QDragEnterEvent enter(QPoint(20, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDragMoveEvent move(QPoint(20, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list, &move);
    EXPECT_TRUE(move.isAccepted());
    QDropEvent drop(QPointF(20, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(list, &drop);
    ASSERT_NE(Main->ExternalFileDragMenu, nullptr);
    EXPECT_TRUE(Main->ExternalFileDragMenu->isVisible());
    Main->ExternalFileDragMenu->hide();
    const auto item = [&](const char *name) { return Main->ExternalFileDragItems.at(name); };
    EXPECT_EQ(item("ExternalFileDragMenu_Title")->text().toStdString(), "File-drop (3 items)");
    EXPECT_FALSE(item("ExternalFileDragMenu_GoToFile")->isEnabled());
    EXPECT_TRUE(item("ExternalFileDragMenu_Copy")->isEnabled());
    EXPECT_FALSE(item("ExternalFileDragMenu_CopyAs")->isEnabled());
    EXPECT_FALSE(item("ExternalFileDragMenu_CopyToThisContainer")->isEnabled());
    EXPECT_EQ(Main->ActiveColumnIndex, 1);
    EXPECT_EQ(Main->DragSourcePosition, 10);
    EXPECT_EQ(Main->SpareColumn().SelectedCount, 3);
    // Copy puts the three into the directory of the column they were dropped on.
    OkayLater();
    item("ExternalFileDragMenu_Copy")->trigger();
    for (const char *name : {"one.txt", "two.txt", "three.txt"})
        EXPECT_TRUE(fs::exists(Dir / (std::string("dst/") + name))) << name;
    EXPECT_TRUE(Main->DroppedFiles.empty());
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(FileDragMenuTest, APictureDroppedOnThePartitionsListCanOnlyBecomeTheBackground)
{
    SaveNoisyPicture(Dir / "photo.png", 8, 8);
    Load(1, ":/");
    ASSERT_TRUE(IsDrivePath(Col(1).ActiveTitle));
    const auto data = DroppedUrls({"file://" + Dir / "photo.png"});
    Main->ProcessDroppedFiles(data.get(), &Col(1));
    Main->ExternalFileDragMenu->hide();
    std::vector<std::string> enabled;
    for (const auto &[name, action] : Main->ExternalFileDragItems)
        if (action->isEnabled()) enabled.push_back(name);
    EXPECT_EQ(enabled, (std::vector<std::string>{"ExternalFileDragMenu_CopyToContainer", "ExternalFileDragMenu_GoToFile",
                                                 "ExternalFileDragMenu_SetAsBackgroundPicture",
                                                 "ExternalFileDragMenu_Title"}));
    EXPECT_EQ(Main->ExternalFileDragItems.at("ExternalFileDragMenu_Title")->text().toStdString(),
              "File-drop (1 items)");
}

TEST_F(FileDragMenuTest, DroppedAddressesThatAreNoLocalFilesAreLeftOutWithAMessage)
{
    // A name that is not UTF-8 comes through byte for byte.
    fs::create_directories(Dir / "outside");
    const std::string odd = Dir / "outside/\xFF\xFE.txt";
    Dir.WriteFile("outside/\xFF\xFE.txt", "odd");
    const auto mixed = DroppedUrls({"file://" + Dir / "outside/%FF%FE.txt", "file://otherhost/etc/passwd",
                                    "https://example.org/x.txt"});
    Main->ProcessDroppedFiles(mixed.get(), &Col(1));
    Main->ExternalFileDragMenu->hide();
    EXPECT_EQ(Main->DroppedFiles, std::vector<std::string>{odd});
    EXPECT_EQ(Boxes.Shown.back().Text, "2 of the dropped items are not files of this computer and are left out.");
    EXPECT_EQ(Main->SpareColumn().ActiveTitle, odd);

    const auto none = DroppedUrls({"file://otherhost/etc/passwd"});
    Main->ProcessDroppedFiles(none.get(), &Col(1));
    EXPECT_EQ(ShownErrors().back(), "Failed to setup the \"File-drop\" menu.");

    // A hundred thousand titles still give the menu.
    std::vector<std::string> many;
    for (int i = 0; i < 100000; ++i) many.push_back("file://" + Dir / ("gone/f" + std::to_string(i)));
    const auto lots = DroppedUrls(many);
    Main->ProcessDroppedFiles(lots.get(), &Col(1));
    EXPECT_TRUE(Main->ExternalFileDragMenu->isVisible());
    Main->ExternalFileDragMenu->hide();
    EXPECT_EQ(Main->ExternalFileDragItems.at("ExternalFileDragMenu_Title")->text().toStdString(),
              "File-drop (100000 items)");
}

TEST(ExternalDrag, TheKeysChooseTheEffectAndTheDataNamesEveryTitleByteForByte)
{
    EXPECT_EQ(ExternalDragAction(Qt::NoModifier), Qt::CopyAction);
    EXPECT_EQ(ExternalDragAction(Qt::ShiftModifier), Qt::MoveAction);
    EXPECT_EQ(ExternalDragAction(Qt::AltModifier), Qt::LinkAction);
    EXPECT_EQ(ExternalDragAction(Qt::ControlModifier | Qt::ShiftModifier), Qt::LinkAction);
    EXPECT_EQ(ExternalDragAction(Qt::ControlModifier), Qt::CopyAction);
    const std::unique_ptr<QMimeData> data(
        ExternalDragData({"/home/ann/a b.txt", "/home/ann/\xFF.bin"}, Qt::MoveAction));
    ASSERT_EQ(data->urls().size(), 2);
    EXPECT_EQ(data->urls()[0].toEncoded().toStdString(), "file:///home/ann/a%20b.txt");
    EXPECT_EQ(data->urls()[1].toEncoded().toStdString(), "file:///home/ann/%FF.bin");
    EXPECT_EQ(data->data(QStringLiteral("x-special/gnome-copied-files")).toStdString(),
              "cut\nfile:///home/ann/a%20b.txt\nfile:///home/ann/%FF.bin");
}
