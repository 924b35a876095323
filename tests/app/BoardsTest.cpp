// Tests of the boards: presets, records, rearranging, buttons, menu and properties.
#include "app/Boards.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/MemoryStorage.h"
#include "Libraries/Program.h"
#include "app/BoardPropertiesDialog.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>
#include <stdexcept>

using BoardsTest = TStatusTest;

TEST_F(BoardsTest, PresetsNamesShortcutsAndDisplayNames)
{
    TBoards boards;
    EXPECT_EQ(boards.Items[0].Name, "Main");
    EXPECT_EQ(boards.Items[0].ShortcutKey(), '1');
    EXPECT_EQ(boards.Items[9].ShortcutKey(), '0');
    EXPECT_EQ(boards.Items[14].ColumnCount, 1);
    EXPECT_TRUE(boards.Items[14].ShowTreeNavigator);
    EXPECT_TRUE(boards.Items[7].ShowPlayList);
    EXPECT_EQ(boards.Items[19].DisplayName(), "20");
    EXPECT_EQ(boards.FindBoardByShortcut('0'), 9);
    EXPECT_EQ(boards.FindBoardByShortcut('x'), -1);
    EXPECT_EQ(boards.FindSearchBoard(), 3);
    boards.SetName(5, "5");
    EXPECT_EQ(boards.Items[5].Name, "");
    EXPECT_EQ(boards.Items[5].DisplayName(), "6");
    boards.SetShortcut(2, "None");
    EXPECT_EQ(boards.Items[2].ShortcutKey(), '\0');
    EXPECT_EQ(BoardButtonHint(boards.Items[2]).find("[None]"), std::string::npos);
    EXPECT_NE(BoardButtonHint(boards.Items[0]).find(" [1] = show this board."), std::string::npos);
}

TEST_F(BoardsTest, NamesAreCutAt31CharactersNeverInsideOne)
{
    struct TCase
    {
        const char *Label;
        std::string Name, Expected;
    };
    const std::string ascii30(30, 'a');
    std::string accented31, emoji31;
    for (int i = 0; i < 31; ++i) {
        accented31 += "\xC3\xA9";
        emoji31 += "\xF0\x9F\x98\x80";
    }
    const TCase cases[] = {
        {"ASCII 32", ascii30 + "bc", ascii30 + "b"},
        {"accented 31 kept", accented31, accented31},
        {"accented 32", accented31 + "\xC3\xA9", accented31},
        {"two-byte character at the cut", ascii30 + "\xC3\xA9\xC3\xA8", ascii30 + "\xC3\xA9"},
        {"four-byte characters", emoji31 + "\xF0\x9F\x98\x81", emoji31},
        {"euro at the cut", ascii30 + "\xE2\x82\xAC!", ascii30 + "\xE2\x82\xAC"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Label);
        TBoards boards;
        boards.SetName(4, c.Name);
        EXPECT_EQ(boards.Items[4].Name, c.Expected);
        TStreamStorage storage;
        boards.Items[4].Write(storage);
        TBoardData read;
        TFunScope Fun("BoardsTest", "NamesAreCut");
        TStorageReader reader(storage, Fun);
        read.Read(reader, 4);
        EXPECT_FALSE(reader.Failed);
        EXPECT_EQ(read.Name, c.Expected);
    }
}

TEST_F(BoardsTest, ButtonPlacesFillRowsAndTheLastButtonTakesTheRest)
{
    struct TCase
    {
        int Visible, Rows, Width, PerRow, LastRowButtons;
    };
    const TCase cases[] = {
        {30, 4, 803, 8, 6}, {7, 3, 100, 3, 1}, {10, 1, 105, 10, 10}, {10, 3, 90, 4, 2}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.Visible) + " in " + std::to_string(c.Rows));
        const auto places = BoardButtonPlaces(c.Visible, c.Rows, c.Width, 20);
        int shown = 0, lastRow = 0;
        for (const auto &place : places) {
            shown += place.Visible;
            if (place.Visible && place.Y == 20 * (c.Rows - 1)) ++lastRow;
        }
        EXPECT_EQ(shown, c.Visible);
        EXPECT_EQ(lastRow, c.LastRowButtons);
        const auto &lastOfRow = places[static_cast<std::size_t>(c.PerRow - 1)];
        EXPECT_EQ(lastOfRow.X + lastOfRow.Width, c.Width);
        EXPECT_EQ(places[0].Width, c.Width / c.PerRow);
    }
}

TEST_F(BoardsTest, ModifiersChooseTheAction)
{
    EXPECT_EQ(ButtonAction(Qt::NoModifier), baShow);
    EXPECT_EQ(ButtonAction(Qt::ControlModifier), baCopy);
    EXPECT_EQ(ButtonAction(Qt::ShiftModifier), baSwitch);
    EXPECT_EQ(ButtonAction(Qt::AltModifier), baMove);
    EXPECT_EQ(ButtonAction(Qt::AltModifier | Qt::ShiftModifier), baNone);
    EXPECT_EQ(MenuAction(Qt::ControlModifier | Qt::ShiftModifier), baMove);
    EXPECT_EQ(MenuAction(Qt::AltModifier), baShow);
}

TEST_F(BoardsTest, RecordsRoundTripAndOldVersionsSkipTheirMissingFields)
{
    TBoards boards;
    boards.Items[4].Name = "Four";
    boards.Items[4].ShowContainerPaths[2] = true;
    boards.Items[4].FocusKey[9] = 123456789012345;
    TStreamStorage storage;
    boards.WriteBoards(storage);
    TBoards read;
    for (TBoardData &board : read.Items)
        board.Name = "x";
    TFunScope Fun("BoardsTest", "Read");
    TStorageReader reader(storage, Fun);
    read.ReadBoards(reader, 4);
    EXPECT_FALSE(reader.Failed);
    EXPECT_EQ(read.Items[4].Name, "Four");
    EXPECT_TRUE(read.Items[4].ShowContainerPaths[2]);
    EXPECT_EQ(read.Items[4].FocusKey[9], 123456789012345);
    EXPECT_EQ(read.Items[0].Name, "Main");
    EXPECT_EQ(storage.Position(), storage.Size());
}

TEST_F(BoardsTest, CopySwitchAndMoveRearrangeTheRecords)
{
    TBoards boards;
    boards.Items[0].Subcolumns[0] = 5;
    boards.CopyBoard(20);
    EXPECT_EQ(boards.ActiveBoard, 20);
    EXPECT_EQ(boards.Items[20].Subcolumns[0], 5);
    EXPECT_EQ(boards.Items[20].Name, "");
    EXPECT_EQ(boards.Items[0].Name, "Main");

    boards.SetActiveBoard(0);
    boards.SwitchBoard(1);
    EXPECT_EQ(boards.ActiveBoard, 1);
    EXPECT_EQ(boards.Items[1].Name, "Main");
    EXPECT_EQ(boards.Items[1].Subcolumns[0], 5);
    EXPECT_EQ(boards.Items[0].Name, "Temp");

    boards.MoveBoard(4);
    EXPECT_EQ(boards.ActiveBoard, 4);
    EXPECT_EQ(boards.Items[4].Name, "Main");
    EXPECT_EQ(boards.Items[1].Name, "CD");
    EXPECT_EQ(boards.Items[3].Name, "Containers");
    EXPECT_EQ(boards.Items[3].BoardIndex, 3);
    boards.MoveBoard(4);
    EXPECT_EQ(boards.Items[4].Name, "Main");
}

TEST_F(BoardsTest, PropertiesOfferNoneTheOwnShortcutAndTheFreeDigits)
{
    TBoards boards;
    boards.SetShortcut(3, "None");
    boards.SetActiveBoard(0);
    EXPECT_EQ(boards.AvailableShortcuts(), (std::vector<std::string>{"None", "1", "4"}));
    TBoardPropertiesForm dialog;
    std::string name = "Main", shortcut = "1";
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(dialog.ShortcutComboBox->currentText(), QStringLiteral("1"));
        dialog.NameComboBox->setEditText(QStringLiteral("Home"));
        dialog.ShortcutComboBox->setCurrentIndex(2);
        dialog.OkayButton->click();
    });
    ASSERT_TRUE(dialog.Dialog(name, shortcut, boards.AvailableShortcuts()));
    EXPECT_EQ(name, "Home");
    EXPECT_EQ(shortcut, "4");
}

class BoardsWindowTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        Saved = ProgramOptions;
        UsePortableProgramFolder(Home.Path());
        Form = std::make_unique<TMainForm>();
        Form->resize(1000, 700);
        Form->SetupBoards();
        Form->StartMainForm();
    }
    void TearDown() override
    {
        Form.reset();
        ProgramOptions = Saved;
        SetProgramDirectoryOverride("");
        TStatusTest::TearDown();
    }
    TTempDir Home;
    std::unique_ptr<TMainForm> Form;
    TProgramOptions Saved;
};

TEST_F(BoardsWindowTest, ShowingABoardStoresTheLiveColumnsAndLoadsTheOther)
{
    Form->Columns[0]->ActiveTitle = Home.Path() + "/";
    EXPECT_TRUE(Form->ShowBoardByShortcut('3'));
    EXPECT_EQ(Form->Boards.ActiveBoard, 2);
    EXPECT_EQ(Form->VisibleColumnCount, 3);
    EXPECT_EQ(Form->Boards.Items[0].ActiveTitle[0], Home.Path() + "/");
    EXPECT_EQ(Form->windowTitle().toStdString(), "Velmordian - \"CD\"");
    EXPECT_FALSE(Form->ShowBoardByShortcut('x'));
    Form->Boards.ShowBoard(2);
    EXPECT_EQ(Form->Boards.ActiveBoard, 2);
    Form->Boards.BoardButtonClick(0, Qt::NoModifier);
    EXPECT_EQ(Form->Boards.ActiveBoard, 0);
    EXPECT_EQ(Form->VisibleColumnCount, 2);
    EXPECT_TRUE(Form->Boards.Buttons[0]->Down);
    EXPECT_FALSE(Form->Boards.Buttons[2]->Down);
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(BoardsWindowTest, AFailureWhileShowingABoardEndsTheBusyState)
{
    ASSERT_FALSE(Form->IsBusy());
    Form->Boards.OnColumnsLoaded = [] { throw std::runtime_error("The columns broke."); };
    Form->Boards.ShowBoard(2);
    EXPECT_FALSE(Form->IsBusy());
    ASSERT_EQ(ShownErrors().size(), 1u);
    EXPECT_EQ(ShownErrors()[0], "Failed to show board.");
    EXPECT_NE(Window.Memos[0].find("Unhandled exception: The columns broke."), std::string::npos);

    // The same at start-up, where the window is busy from its creation on.
    Form.reset();
    Form = std::make_unique<TMainForm>();
    Form->resize(1000, 700);
    Form->SetupBoards();
    Form->Boards.OnColumnsLoaded = [] { throw std::runtime_error("The columns broke."); };
    Form->StartMainForm();
    EXPECT_FALSE(Form->IsBusy());
    // The options data file that the first window saved fails to load the same way.
    EXPECT_EQ(ShownErrors().back(), "Failed to start the program.");
}

TEST_F(BoardsWindowTest, TheBoardsMenuHasATitleAndThirtyBoards)
{
    Form->Boards.ShowMenu(nullptr, Qt::ShiftModifier);
    QMenu *menu = Form->Boards.BoardsMenu;
    ASSERT_NE(menu, nullptr);
    const auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 32);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Switch board"));
    EXPECT_EQ(menu->defaultAction(), actions[0]);
    EXPECT_TRUE(actions[2]->isChecked());
    EXPECT_FALSE(actions[2]->isEnabled());
    EXPECT_EQ(actions[3]->shortcut(), QKeySequence(QStringLiteral("2")));
    EXPECT_TRUE(actions[31]->shortcut().isEmpty());
    actions[3]->trigger();
    EXPECT_EQ(Form->Boards.ActiveBoard, 1);
    EXPECT_EQ(Form->Boards.Items[1].Name, "Main");
}

TEST_F(BoardsWindowTest, BoardNamesWithAnAmpersandShowWhole)
{
    Form->Boards.Items[4].Name = "R&D";
    Form->Boards.ShowMenu(nullptr, Qt::NoModifier);
    ASSERT_NE(Form->Boards.BoardsMenu, nullptr);
    const auto actions = Form->Boards.BoardsMenu->actions();
    ASSERT_EQ(actions.size(), 32);
    EXPECT_EQ(actions[6]->text(), QStringLiteral("R&&D"));
}

TEST_F(BoardsWindowTest, AMenuThatFailsHalfWayIsFreedWhateverTheAnswer)
{
    for (const TErrorWindowResult answer : {TErrorWindowResult::Okay, TErrorWindowResult::Cancel}) {
        SCOPED_TRACE(answer == TErrorWindowResult::Okay ? "Okay" : "Cancel");
        Window.Result = answer;
        QPointer<QMenu> built;
        Form->Boards.OnMenuBuilt = [&](QMenu &menu) {
            built = &menu;
            throw std::runtime_error("The menu broke.");
        };
        QTest::mousePress(Form->BoardsButton, Qt::LeftButton);
        QTest::mouseRelease(Form->BoardsButton, Qt::LeftButton);
        EXPECT_EQ(Form->Boards.BoardsMenu, nullptr);
        EXPECT_TRUE(built.isNull()) << "the half-built menu is freed";
    }
    const std::string failed = "Failed to show boards menu.";
    EXPECT_EQ(ShownErrors(), (std::vector<std::string>{failed, failed}));
    Form->Boards.OnMenuBuilt = nullptr;
    QTest::mousePress(Form->BoardsButton, Qt::LeftButton);
    QTest::mouseRelease(Form->BoardsButton, Qt::LeftButton);
    ASSERT_NE(Form->Boards.BoardsMenu, nullptr) << "a menu that was built stays until the next one";
    Form->Boards.BoardsMenu->close();
}

TEST_F(BoardsWindowTest, TheButtonsBarShowsTheVisibleBoardsInRows)
{
    ProgramOptions.ShowBoardsBar = true;
    ProgramOptions.VisibleBoards = 15;
    ProgramOptions.BoardsBarRows = 2;
    Form->Reset(false);
    Form->Boards.LayoutButtons(15, 2, -1, -1);
    EXPECT_TRUE(Form->BoardButtonsBar->isVisibleTo(Form.get()));
    EXPECT_TRUE(Form->Boards.Buttons[14]->isVisibleTo(Form.get()));
    EXPECT_FALSE(Form->Boards.Buttons[15]->isVisibleTo(Form.get()));
    EXPECT_EQ(Form->Boards.Buttons[0]->y(), Form->Boards.Buttons[7]->y());
    EXPECT_GT(Form->Boards.Buttons[8]->y(), Form->Boards.Buttons[0]->y());
    EXPECT_EQ(Form->Boards.Buttons[0]->Caption(), "Main");
}

TEST_F(BoardsTest, TheOsBoardShowsTheOperatingSystemAndSystemFolders)
{
    TBoards boards;
    const TBoardData &os = boards.Items[17];
    EXPECT_EQ(os.Name, "OS");
    EXPECT_EQ(os.ActiveTitle[0], "/etc/");
    EXPECT_EQ(os.DefaultTitle[0], GetOperatorPath());
    EXPECT_EQ(os.ActiveTitle[1], "/usr/bin/");
    EXPECT_EQ(os.DefaultTitle[1], GetSystemPath());
    EXPECT_TRUE(os.Fixed[1]);
    EXPECT_FALSE(os.Fixed[2]);
}
