// Column keyboard and mouse on real directories: real Qt events into an offscreen main window.
#include "app/Column.h"

#include "Libraries/File.h"
#include "Libraries/History.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"
#include "app/SkinDialog.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTest>

#include <filesystem>
#include <limits>
#include <sys/stat.h>

namespace fs = std::filesystem;

class ColumnInputTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        SavedOptions = ProgramOptions;
        SavedSkin = SkinOptions;
        ProgramOptions.FirstRun = false;
        // Menus that would pop up stay closed in these tests.
        ProgramOptions.RMBNameOperation = "None";
        ProgramOptions.RMBTypeOperation = "None";
        SetDefaultExtensionLists();
        Main = std::make_unique<TMainForm>();
        Main->resize(800, 600);
        Main->BusyCount = 0;
        Main->Initialised = true;
        Main->show();
        Main->Reset(false);
        fs::create_directory(Dir / "sub");
        fs::create_directory(Dir / "sub/inner");
        Dir.WriteFile("a.txt", "12345");
        Dir.WriteFile("b.txt", "1234567");
        Load(0, Dir / "a.txt");
        Load(1, Dir / "a.txt");
    }
    void TearDown() override
    {
        Main.reset();
        ProgramOptions = SavedOptions;
        SkinOptions = SavedSkin;
        TStatusTest::TearDown();
    }
    TColumn &Col(int i) { return *Main->Columns[i]; }
    void Load(int column, const std::string &title)
    {
        Col(column).LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, title);
    }
    int IndexOf(int column, const std::string &name) { return Col(column).IndexOfName(name); }
    // A point inside the list (widget coordinates) in the name or type zone of an item; an
    // index past the items gives a point below the last one.
    QPoint PointAt(int column, int index, bool typeZone)
    {
        const MyTPanel *list = Col(column).FileList;
        const QRect item = list->ItemRect(std::min(index, list->Count() - 1));
        const int x =
            typeZone ? item.left() + 1 : item.left() + Col(column).GetTypeFieldWidth(true) + 8;
        const int below = index >= list->Count() ? list->EffectiveItemHeight() * 2 : 0;
        return QPoint(x, item.top() + 2 + below);
    }
    void Send(QWidget *to,
              QEvent::Type type,
              QPoint local,
              QPoint global,
              Qt::MouseButton button,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent event(type, local, global, button, held, modifiers);
        QApplication::sendEvent(to, &event);
    }
    // Presses on (column, index) and releases over (toColumn, toIndex); the release goes to the
    // pressed list, as the mouse grab gives it.
    void Press(int column,
               int index,
               int toColumn,
               int toIndex,
               Qt::MouseButton button,
               bool typeZone = false,
               bool twice = false)
    {
        MyTPanel *list = Col(column).FileList;
        const QPoint down = PointAt(column, index, typeZone);
        const QPoint up = Col(toColumn).FileList->mapToGlobal(PointAt(toColumn, toIndex, typeZone));
        Send(list, QEvent::MouseButtonPress, down, list->mapToGlobal(down), button);
        if (twice) {
            Send(list, QEvent::MouseButtonRelease, down, list->mapToGlobal(down), button);
            Send(list, QEvent::MouseButtonDblClick, down, list->mapToGlobal(down), button);
        }
        Send(list, QEvent::MouseButtonRelease, list->mapFromGlobal(up), up, button);
    }
    void Key(int column, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        QApplication::sendEvent(Col(column).FileList, &event);
    }
    // The counters equal the count and size of the selected items.
    void ExpectCounters(int column)
    {
        int count = 0;
        std::int64_t size = 0;
        if (!Col(column).FileList->Empty)
            for (int i = 0; i < Col(column).FileList->Count(); ++i)
                if (Col(column).Item(i)->Selected) {
                    ++count;
                    size += Col(column).Item(i)->Size;
                }
        EXPECT_EQ(Col(column).SelectedCount, count);
        EXPECT_EQ(Col(column).SelectedSize, size);
    }
    std::string DirectoryOf(int column) { return ExtractDirectory(Col(column).ActiveTitle); }
    // Keys then reach the main window before the list, as they do for a user.
    bool ActivateMain()
    {
        Main->activateWindow();
        static_cast<void>(QTest::qWaitForWindowActive(Main.get()));
        return Main->isActiveWindow();
    }
    // The centre of a widget in the coordinates of the list that holds the mouse.
    static QPoint CentreIn(const QWidget *list, const QWidget *widget)
    {
        return list->mapFromGlobal(widget->mapToGlobal(widget->rect().center()));
    }

    TTempDir Dir;
    TProgramOptions SavedOptions;
    TSkinOptions SavedSkin;
    std::unique_ptr<TMainForm> Main;
};

TEST_F(ColumnInputTest, DoubleClickOnDirectoryNameEntersIt)
{
    const int sub = IndexOf(0, "sub");
    ASSERT_GE(sub, 0);
    Press(0, sub, 0, sub, Qt::LeftButton);
    EXPECT_EQ(Main->LastMouseOperation, "");
    EXPECT_EQ(DirectoryOf(1), IncludeTrailingBackslash(Dir.Path()));
    Press(0, sub, 0, sub, Qt::LeftButton, false, true);
    EXPECT_EQ(Main->LastMouseOperation, "Run");
    EXPECT_EQ(DirectoryOf(1), IncludeTrailingBackslash(Dir / "sub"));
    EXPECT_EQ(Main->ActiveColumnIndex, 1);
}

TEST_F(ColumnInputTest, ParentNavigationClimbsToPartitions)
{
    for (int i = 0; i < 40 && !DirectoryOf(0).empty(); ++i)
        Key(0, Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(Col(0).ActiveTitle, ExcludeTrailingBackslash(SystemDriveRoot()));
    EXPECT_EQ(Col(0).ActiveTitle, ":/");
    Key(0, Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(Col(0).ActiveTitle, ":/");
}

TEST_F(ColumnInputTest, PressesDecideTheirOperation)
{
    ProgramOptions.LMBTypeOperation = "None";
    struct TCase
    {
        const char *Name;
        Qt::MouseButton Button;
        bool TypeZone;
        int ToColumn;
        const char *Decided;
    };
    const TCase cases[] = {
        {"left drag name to B", Qt::LeftButton, false, 1, "File-drag menu"},
        {"left drag type to B", Qt::LeftButton, true, 1, "Copy"},
        {"right drag type to B", Qt::RightButton, true, 1, "Move"},
        {"left drag to another item of A", Qt::LeftButton, false, 0, "File-drag menu"},
        {"left click type", Qt::LeftButton, true, -1, "None"},
        {"right click name", Qt::RightButton, false, -1, "None"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        const int from = IndexOf(0, "a.txt");
        const int to = c.ToColumn < 0 ? from : IndexOf(c.ToColumn, "b.txt");
        Press(0, from, c.ToColumn < 0 ? 0 : c.ToColumn, to, c.Button, c.TypeZone);
        EXPECT_EQ(Main->LastMouseOperation, c.Decided);
        EXPECT_FALSE(Main->LeftButtonDown);
    }
}

TEST_F(ColumnInputTest, RightDragEntersThisDirectory)
{
    Press(0, IndexOf(0, "sub"), 1, IndexOf(1, "b.txt"), Qt::RightButton);
    EXPECT_EQ(Main->LastMouseOperation, "Enter this directory");
    EXPECT_EQ(DirectoryOf(1), IncludeTrailingBackslash(Dir / "sub"));
    EXPECT_EQ(DirectoryOf(0), IncludeTrailingBackslash(Dir.Path()));
}

TEST_F(ColumnInputTest, MiddleButtonTogglesSelection)
{
    const int a = IndexOf(0, "a.txt"), b = IndexOf(0, "b.txt");
    Press(0, a, 0, a, Qt::MiddleButton);
    EXPECT_EQ(Main->LastMouseOperation, "Toggle selection");
    EXPECT_TRUE(Col(0).Item(a)->Selected);
    Press(0, b, 0, b, Qt::MiddleButton);
    EXPECT_EQ(Col(0).SelectedCount, 2);
    EXPECT_EQ(Col(0).SelectedSize, 12);
    Press(0, a, 0, a, Qt::MiddleButton);
    EXPECT_FALSE(Col(0).Item(a)->Selected);
    ExpectCounters(0);
    ProgramOptions.MMBNameOperation = "None";
    Press(0, b, 0, b, Qt::MiddleButton);
    EXPECT_TRUE(Col(0).Item(b)->Selected);
}

TEST_F(ColumnInputTest, SelectionKeysKeepTheCounters)
{
    struct TCase
    {
        const char *Name;
        int Key;
        Qt::KeyboardModifiers Modifiers;
        int Selected;
    };
    const Qt::KeyboardModifiers pad = Qt::KeypadModifier;
    const TCase cases[] = {
        {"Ctrl+numeric + selects all", Qt::Key_Plus, pad | Qt::ControlModifier, 3},
        {"Shift+numeric - deselects files", Qt::Key_Minus, pad | Qt::ShiftModifier, 1},
        {"numeric * toggles files", Qt::Key_Asterisk, pad, 3},
        {"Ctrl+numeric * toggles all", Qt::Key_Asterisk, pad | Qt::ControlModifier, 0},
        {"Shift+numeric + selects files", Qt::Key_Plus, pad | Qt::ShiftModifier, 2},
        {"Insert toggles the focus", Qt::Key_Insert, Qt::NoModifier, 3},
        {"Ctrl+numeric - deselects all", Qt::Key_Minus, pad | Qt::ControlModifier, 0},
        {"Shift+Insert selects downward", Qt::Key_Insert, Qt::ShiftModifier, 3},
        {"Ctrl+Insert deselects upward", Qt::Key_Insert, Qt::ControlModifier, 0},
    };
    Col(0).FocusIndex(0);
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        if (c.Key == Qt::Key_Insert && c.Modifiers != Qt::NoModifier)
            Col(0).FocusIndex(c.Modifiers == Qt::ShiftModifier ? 0 : 2);
        Key(0, c.Key, c.Modifiers);
        EXPECT_EQ(Col(0).SelectedCount, c.Selected);
        ExpectCounters(0);
    }
}

TEST_F(ColumnInputTest, BadInputNeverActsOnTheWrongItem)
{
    fs::create_directory(Dir / "empty");
    Load(1, IncludeTrailingBackslash(Dir / "empty"));
    ASSERT_TRUE(Col(1).FileList->Empty);
    const std::string before0 = Col(0).ActiveTitle;
    ProgramOptions.RMBDragNameOperation = "None";
    const Qt::MouseButton buttons[] = {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton};
    for (const Qt::MouseButton button : buttons) {
        // On the empty list and its placeholder, then from it to the other column.
        Press(1, 0, 1, 0, button, false, true);
        Press(1, 0, 1, 0, button, true);
        Press(1, 0, 0, 0, button);
        ExpectCounters(1);
        // Past the last item.
        Press(0, 99, 0, 99, button, false, true);
        ExpectCounters(0);
    }
    // A drop focuses the item under it, but nothing is run or entered.
    EXPECT_EQ(DirectoryOf(0), ExtractDirectory(before0));
    EXPECT_EQ(DirectoryOf(1), IncludeTrailingBackslash(Dir / "empty"));
    // A right drag from the empty list has no directory to enter.
    ProgramOptions.RMBDragNameOperation = "Enter this directory";
    Press(1, 0, 0, 0, Qt::RightButton);
    EXPECT_EQ(Main->LastMouseOperation, "Enter this directory");
    EXPECT_EQ(DirectoryOf(0), ExtractDirectory(before0));

    // The directory of a column vanished under it.
    Load(0, Dir / "sub/inner");
    fs::remove_all(Dir / "sub");
    Press(0, 0, 0, 0, Qt::MiddleButton);
    ExpectCounters(0);
    Press(0, 0, 0, 0, Qt::LeftButton, false, true);
    Key(0, Qt::Key_Backspace, Qt::AltModifier);
    ExpectCounters(0);

    // Keys while busy do nothing.
    Load(0, Dir / "a.txt");
    const std::string title = Col(0).ActiveTitle;
    Main->BusyCount = 1;
    const int keys[] = {Qt::Key_Insert, Qt::Key_Left, Qt::Key_Asterisk};
    for (const int key : keys)
        Key(0, key);
    Main->BusyCount = 0;
    EXPECT_EQ(Col(0).ActiveTitle, title);
    EXPECT_EQ(Col(0).SelectedCount, 0);
}

TEST_F(ColumnInputTest, ShiftEnterAndShiftBackspaceAutoopenThroughTheMainWindow)
{
    Main->VisibleColumnCount = 3;
    Main->Reset(false);
    fs::create_directory(Dir / "other");
    Load(0, Dir / "sub");
    Load(1, IncludeTrailingBackslash(Dir / "other"));
    Load(2, IncludeTrailingBackslash(Dir / "other"));
    if (!ActivateMain()) GTEST_SKIP() << "the platform activates no window";
    Main->FocusColumn(0, true);
    QTest::keyClick(Col(0).FileList, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(DirectoryOf(1), IncludeTrailingBackslash(Dir / "sub"));
    EXPECT_EQ(Col(1).ActiveTitle, Dir / "sub/inner");
    EXPECT_EQ(DirectoryOf(2), IncludeTrailingBackslash(Dir / "sub/inner")) << "opened to the right";
    EXPECT_EQ(Main->ActiveColumnIndex, 1);

    Load(0, IncludeTrailingBackslash(Dir / "other"));
    Main->FocusColumn(2, true);
    QTest::keyClick(Col(2).FileList, Qt::Key_Backspace, Qt::ShiftModifier);
    EXPECT_EQ(DirectoryOf(1), IncludeTrailingBackslash(Dir / "sub"));
    EXPECT_EQ(DirectoryOf(0), IncludeTrailingBackslash(Dir.Path())) << "opened to the left";
    EXPECT_EQ(Col(0).ActiveTitle, Dir / "sub");
    EXPECT_EQ(Main->ActiveColumnIndex, 1);
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(ColumnInputTest, AFileStartedByEnterOrDoubleClickIsALaunchedFile)
{
    Dir.WriteFile("tool.sh", "#!/bin/sh\nexit 0\n");
    ::chmod((Dir / "tool.sh").c_str(), 0755);
    Load(0, Dir / "tool.sh");
    if (!ActivateMain()) GTEST_SKIP() << "the platform activates no window";
    struct TCase
    {
        const char *Name;
        bool Key;
    };
    const TCase cases[] = {{"Enter", true}, {"double click", false}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        FilesHistory.Clear();
        Main->FocusColumn(0, true);
        const int tool = IndexOf(0, "tool.sh");
        ASSERT_GE(tool, 0);
        if (c.Key) {
            Col(0).FocusIndex(tool);
            QTest::keyClick(Col(0).FileList, Qt::Key_Return);
        } else {
            Press(0, tool, 0, tool, Qt::LeftButton, false, true);
        }
        ASSERT_EQ(FilesHistory.count(), 1);
        EXPECT_EQ(FilesHistory.Entry(0).title, Dir / "tool.sh");
    }
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(ColumnInputTest, EnterThisDirectoryTakesOnlyADirectoryDraggedToAnotherColumn)
{
    Load(1, IncludeTrailingBackslash(Dir / "sub"));
    struct TCase
    {
        const char *Name;
        const char *From;
        int ToColumn;
        int RowsLower;
    };
    const TCase cases[] = {
        {"a directory released one row lower in its own column", "sub", 0, 1},
        {"a plain file dragged to the other column", "a.txt", 1, 0},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string before0 = DirectoryOf(0), before1 = DirectoryOf(1);
        const int from = IndexOf(0, c.From);
        ASSERT_GE(from, 0);
        Press(0, from, c.ToColumn, c.ToColumn == 0 ? from + c.RowsLower : 0, Qt::RightButton);
        EXPECT_EQ(Main->LastMouseOperation, "Enter this directory");
        EXPECT_EQ(DirectoryOf(0), before0);
        EXPECT_EQ(DirectoryOf(1), before1);
    }
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(ColumnInputTest, TheListHintNamesTheItemAndTheOperationsUnderTheMouse)
{
    const std::string tail =
        " Drop files from another program to display the \"External file-drag\" menu. [LMB + Drag] "
        "= drag files (to copy) to another program ([Ctrl] = copy; [Shift] = move; [Alt] = copy as "
        "link).";
    const std::string enterNote =
        " ([Ctrl] = automove to left; [Shift] = autoopen to right; [Alt] = autohold)";
    ProgramOptions.FileHoverActive = true;
    struct TCase
    {
        const char *Name;
        int Index;
        bool TypeZone;
        std::string Hint;
    };
    const TCase cases[] = {
        {"the name of a file", IndexOf(0, "a.txt"), false,
         "Current file \"" + (Dir / "a.txt") + "\". Size " + FileSizeText(6, 0, 5) +
             ". [Double LMB] = Run. [RMB] = None. [MMB] = Toggle selection ([Ctrl] = group upward; "
             "[Shift] = group downward). [LMB + Drag] = File-drag menu. [RMB + Drag] = Enter this "
             "directory" + enterNote + ". [RMB + Small drag] = show mouse menu. The name of a "
             "selected file is displayed with italic and bold font." + tail},
        {"the type field of a directory", IndexOf(0, "sub"), true,
         "Current file \"" + (Dir / "sub") + "\". Size " + FileSizeText(6, 0, 0) + ". [LMB] = Run" +
             enterNote + ". [RMB] = None. [MMB] = Inter-board file-drag menu. [LMB + Drag] = Copy. "
             "[RMB + Drag] = Move. Hover for a moment to display the file hover information window." +
             tail},
        {"below the last item", 99, false,
         "Column's parent directory \"" + IncludeTrailingBackslash(Dir.Path()) +
             "\". [RMB] = None. [LMB + Drag] = File-drag menu. [RMB + Drag] = Enter this directory" +
             enterNote + "." + tail},
    };
    MyTPanel *list = Col(0).FileList;
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        // The header's hint is shown first, as when the mouse comes from the header.
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), Col(0).HeaderButton->mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(Col(0).HeaderButton, &enter);
        ASSERT_EQ(Main->HintBar->Caption(), Col(0).HeaderButton->Hint);
        const QPoint at = PointAt(0, c.Index, c.TypeZone);
        Send(list, QEvent::MouseMove, at, list->mapToGlobal(at), Qt::NoButton);
        EXPECT_EQ(Main->HintBar->Caption(), c.Hint);
    }
}

TEST_F(ColumnInputTest, AColumnDragHoveringABoardButtonShowsThatBoard)
{
    ProgramOptions.ShowBoardsBar = true;
    Main->Reset(false);
    QCoreApplication::processEvents();
    MyTPanel *list = Col(0).FileList;
    MyTPanel *button = Main->Boards.Buttons[1];
    ASSERT_TRUE(button->isVisible());
    ASSERT_FALSE(button->rect().isEmpty());
    ASSERT_EQ(Main->Boards.ActiveBoard, 0);
    const QPoint down = PointAt(0, IndexOf(0, "a.txt"), false);
    QTest::mousePress(list, Qt::LeftButton, Qt::NoModifier, down);
    // The list holds the mouse: every move of the drag comes to it.
    QTest::mouseMove(list, down + QPoint(0, 4));
    QTest::mouseMove(list, CentreIn(list, button));
    EXPECT_TRUE(Main->InterBoard.Marked) << "the dragged column is the inter-board source";
    EXPECT_EQ(Main->InterBoardSourceColumn().ActiveTitle, Dir / "a.txt");
    for (int wait = 0; wait < 100 && Main->Boards.ActiveBoard != 1; ++wait) QTest::qWait(50);
    EXPECT_EQ(Main->Boards.ActiveBoard, 1) << "shown after the hover delay";

    // Dropped on a column of the board it showed, the drag opens the inter-board File-drag menu.
    MyTPanel *destination = Col(1).FileList;
    ASSERT_TRUE(destination->isVisible());
    QTest::mouseMove(list, CentreIn(list, destination));
    QTest::mouseRelease(list, Qt::LeftButton, Qt::NoModifier, CentreIn(list, destination));
    EXPECT_FALSE(Main->Boards.HoverTimer->isActive());
    EXPECT_EQ(Main->Boards.HoverBoard, -1);
    EXPECT_EQ(Main->DragSourcePosition, 11);
    EXPECT_EQ(Main->ActiveColumnIndex, 1);
    EXPECT_TRUE(Main->FileDragMenu->isVisible());
    Main->FileDragMenu->close();
    EXPECT_TRUE(fs::exists(Dir / "a.txt"));
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(ColumnInputTest, AColumnDroppedOnTheBoardsButtonIsMarkedAndTheBoardsMenuOpens)
{
    MyTPanel *list = Col(1).FileList;
    const QPoint down = PointAt(1, IndexOf(1, "b.txt"), false);
    QTest::mousePress(list, Qt::LeftButton, Qt::NoModifier, down);
    QTest::mouseMove(list, CentreIn(list, Main->BoardsButton));
    QTest::mouseRelease(list, Qt::LeftButton, Qt::NoModifier, CentreIn(list, Main->BoardsButton));
    EXPECT_TRUE(Main->InterBoard.Marked);
    EXPECT_EQ(Main->InterBoardSourceColumn().ActiveTitle, Dir / "b.txt");
    ASSERT_NE(Main->Boards.BoardsMenu, nullptr);
    EXPECT_TRUE(Main->Boards.BoardsMenu->isVisible());
    EXPECT_EQ(Main->Boards.BoardsMenu->actions().value(0)->text().toStdString(), "Show board");
    Main->Boards.BoardsMenu->close();
    EXPECT_EQ(Main->Boards.ActiveBoard, 0);
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(ColumnInputTest, AHoverShowingABoardWithoutTheDraggedColumnEndsTheDrag)
{
    ProgramOptions.ShowBoardsBar = true;
    Main->Reset(false);
    QCoreApplication::processEvents();
    Main->Boards.Items[1].ColumnCount = 1;
    MyTPanel *list = Col(1).FileList;
    MyTPanel *button = Main->Boards.Buttons[1];
    ASSERT_TRUE(button->isVisible());
    QTest::mousePress(list, Qt::LeftButton, Qt::NoModifier, PointAt(1, IndexOf(1, "b.txt"), false));
    QTest::mouseMove(list, CentreIn(list, button));
    for (int wait = 0; wait < 100 && Main->Boards.ActiveBoard != 1; ++wait) QTest::qWait(50);
    ASSERT_EQ(Main->Boards.ActiveBoard, 1);
    EXPECT_FALSE(list->isVisible());
    EXPECT_FALSE(Main->DragActive);
    EXPECT_FALSE(Main->Boards.HoverTimer->isActive());
    QTest::mouseRelease(list, Qt::LeftButton, Qt::NoModifier, CentreIn(list, Col(0).FileList));
    EXPECT_FALSE(Main->FileDragMenu->isVisible());
    EXPECT_TRUE(ShownErrors().empty());
}
