// The 30 boards: named, saved sets of columns, one of them shown at a time, with their buttons,
// their menu and their records in the options data file.
#pragma once

#include <QElapsedTimer>
#include <QPoint>
#include <QtCore/qnamespace.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class MyTPanel;
class QMenu;
class QTimer;
class TColumn;
class TFunScope;
class TMainForm;
class TStreamStorage;

// Typed reads that stop at the first failure of the storage, which the scope takes over.
class TStorageReader
{
public:
    TStorageReader(TStreamStorage &storage, TFunScope &fun) : Storage(storage), Fun(fun) {}
    void Bool(bool &value);
    void Int(std::int32_t &value, std::int32_t minimum, std::int32_t maximum);
    void Int64(std::int64_t &value, std::int64_t minimum, std::int64_t maximum);
    void Text(std::string &text, std::int32_t maximumLength, bool acceptEmpty);
    // Reads count bytes and drops them.
    void Skip(std::int32_t count);
    bool Failed = false;

private:
    TStreamStorage &Storage;
    TFunScope &Fun;
};

// The longest path a board keeps for a tree path or a column title, in bytes.
constexpr std::int32_t BoardPathLength = 4095;

struct TBoardData
{
    int BoardIndex = 0;
    std::string Name;
    std::string Shortcut;
    bool ShowPlayList = false;
    bool ShowTreeNavigator = false;
    std::string TreePath;
    int ColumnCount = 2;
    int ActiveColumn = 0;
    int ContainerIndex[10];
    bool Fixed[10];
    int WidthAttribute[10];
    int Subcolumns[10];
    int ThumbHeight[10];
    bool Thumb[10];
    bool ShowContainerPaths[10];
    std::string ActiveTitle[10];
    int FocusKind[10];
    int FocusRow[10];
    std::int64_t FocusKey[10];
    std::string SortMode[10];
    std::string DefaultTitle[10];

    TBoardData();
    // The name, or the index plus 1 when the board has no name.
    std::string DisplayName() const;
    // The shortcut key, or 0 when the board has none (empty or "None").
    char ShortcutKey() const;
    // The board's records in a file of that version; a value out of its range keeps the field.
    void Read(TStorageReader &reader, int version);
    void Write(TStreamStorage &storage) const;
    // Takes every field of the other board except the index and the default titles.
    void TakeContent(const TBoardData &other);
};

// Where a board button stands inside the bar; hidden buttons have no place.
struct TBoardButtonPlace
{
    bool Visible = false;
    int X = 0;
    int Y = 0;
    int Width = 0;
};

// The places of the 30 buttons for n visible boards in rows rows of a bar insideWidth wide,
// each button height pixels high: row by row, the last button of a row taking the rest.
std::vector<TBoardButtonPlace>
BoardButtonPlaces(int visibleBoards, int rows, int insideWidth, int height);
// The hint of a board's button.
std::string BoardButtonHint(const TBoardData &board);

// What a click on a board button or a board menu item does with the held modifiers.
enum TBoardAction
{
    baShow,
    baCopy,
    baSwitch,
    baMove,
    baNone
};
// For a button: no modifier shows, exactly Ctrl copies, Shift switches, Alt moves.
TBoardAction ButtonAction(Qt::KeyboardModifiers modifiers);
// For the menu: exactly Ctrl copies, Shift switches, Ctrl and Shift move, anything else shows.
TBoardAction MenuAction(Qt::KeyboardModifiers modifiers);

// The boards, their buttons in the board buttons bar, the "Boards" menu and the hover that
// shows a board while a column is dragged over its button.
class TBoards
{
public:
    TBoards();
    ~TBoards();
    TBoards(const TBoards &) = delete;
    TBoards &operator=(const TBoards &) = delete;
    static constexpr int Count = 30;
    int ActiveBoard = 0;
    TBoardData Items[Count];

    // Null until Setup: the boards then change data only.
    TMainForm *Form = nullptr;
    MyTPanel *ButtonsBar = nullptr;
    MyTPanel *Buttons[Count] = {};
    QTimer *HoverTimer = nullptr;
    QMenu *BoardsMenu = nullptr;
    Qt::KeyboardModifiers MenuShift;
    TColumn *HoverColumn = nullptr;
    int HoverBoard = -1;
    QElapsedTimer HoverWatch;
    // Where the column drag was last seen, in screen coordinates.
    QPoint HoverPoint;
    // The hover showed a board during this column drag.
    bool HoverShowedBoard = false;

    TBoardData &Active() { return Items[ActiveBoard]; }
    const TBoardData &Active() const { return Items[ActiveBoard]; }

    // Makes the buttons in the bar and the hover timer for the main window.
    // Error (under "TBoards::TBoards"): "Unhandled exception: " + message
    void Setup(TMainForm &form, MyTPanel *buttonsBar);
    // Stores the live columns, loads board index into them and reloads them; showing the
    // active board only refocuses. Error (under "TBoards::ShowBoard"): those of the loading
    void ShowBoard(int index);
    // The active board's content goes to the target, which becomes active.
    void CopyBoard(int target);
    // The active board and the target exchange places; the shown columns stay.
    void SwitchBoard(int target);
    // The active board moves to the target's place, the boards between shifting towards it.
    void MoveBoard(int target);
    // Copies the live columns into the active board, and back.
    void StoreColumns();
    void LoadColumns(bool updateHeaders);
    // Runs after the active board's record went into the columns; tests make a failure there.
    std::function<void()> OnColumnsLoaded;
    // Makes a board active, with the pressed look of its button and the window caption.
    void SetActiveBoard(int index);
    // Places the buttons; the bar shows with "ShowBoardsBar".
    void LayoutButtons(int visibleBoards, int rows, int barWidth, int barTop);
    // Pops the "Boards" menu up at the button. Shown: "Failed to show boards menu."
    void ShowMenu(MyTPanel *button, Qt::KeyboardModifiers shift);
    // Runs when the boards menu is filled, before it pops up; tests make a failure there.
    std::function<void(QMenu &menu)> OnMenuBuilt;
    // Runs the board properties dialog for the active board.
    void EditBoardProperties();
    // The first board whose shortcut begins with the key, or -1.
    int FindBoardByShortcut(char key) const;
    // The first board named "Search" or "Find" (any case), or -1.
    int FindSearchBoard() const;
    // A name equal to the board's own index is kept as no name.
    void SetName(int index, const std::string &name);
    void SetShortcut(int index, const std::string &shortcut);
    // A left click on a board button with the modifiers held.
    void BoardButtonClick(int index, Qt::KeyboardModifiers modifiers);
    // A column drag over a board button; entering restarts the hover watch. The first one of a
    // drag marks the column as the inter-board source.
    void DragOverButton(TColumn *column, int index, bool entering);
    // A move of the column drag (the list holds the mouse) to the screen point: over a visible
    // board button it hovers that button.
    void ColumnDragMove(TColumn *column, const QPoint &global);
    // The column drag ends at the screen point: on the "Boards" button the active column is
    // marked as the inter-board source and the menu opens; true when it did.
    bool ColumnDropOnBoardsButton(TColumn *column, const QPoint &global);
    // Every 200 ms while a column drag hovers: shows the hovered board after 0.8 s.
    void HoverTimerTimer();
    // The column drag ended: no hover any more.
    void EndColumnDrag();
    // The board records of a file of that version, boards 29 down to 0; taken only when all
    // of them were read.
    void ReadBoards(TStorageReader &reader, int version);
    void WriteBoards(TStreamStorage &storage) const;
    // Refreshes a button's caption and hint.
    void UpdateButton(int index);
    // The shortcuts the properties dialog offers the active board: "None", its own, then the
    // free digits.
    std::vector<std::string> AvailableShortcuts() const;

private:
    void IniPaths();
    void ExchangeColumns(TBoardData &a, TBoardData &b);
};
