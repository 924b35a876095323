// The 30 boards: presets, records in the options data file, switching and rearranging, the
// board buttons bar, the "Boards" menu and the drag hover.
#include "app/Boards.h"

#include "Libraries/Error.h"
#include "Libraries/UtilitiesUi.h"
#include "Libraries/File.h"
#include "Libraries/MemoryStorage.h"
#include "Libraries/Program.h"
#include "Libraries/Text.h"
#include "app/BoardPropertiesDialog.h"
#include "app/Column.h"
#include "app/MainDialog.h"
#include "app/MyControls.h"
#include "app/OptionsDialog.h"

#include <QAction>
#include <QActionGroup>
#include <QDragMoveEvent>
#include <QEvent>
#include <QFont>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

constexpr const char *ThisUnit = "Boards";

std::string LowerAscii(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Lays the buttons out again whenever the bar changes its size.
class TBarWatcher : public QObject
{
public:
    TBarWatcher(QObject *parent, TBoards &boards) : QObject(parent), Boards(boards) {}
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize && watched == Boards.ButtonsBar)
            Boards.LayoutButtons(
                ProgramOptions.VisibleBoards, ProgramOptions.BoardsBarRows, -1, -1);
        return QObject::eventFilter(watched, event);
    }

private:
    TBoards &Boards;
};

} // namespace

void TStorageReader::Bool(bool &value)
{
    if (Failed) return;
    Storage.ReadBool(value);
    Failed = Fun.CalleeFailed();
}

void TStorageReader::Int(std::int32_t &value, std::int32_t minimum, std::int32_t maximum)
{
    if (Failed) return;
    Storage.ReadInt(value, minimum, maximum);
    Failed = Fun.CalleeFailed();
}

void TStorageReader::Int64(std::int64_t &value, std::int64_t minimum, std::int64_t maximum)
{
    if (Failed) return;
    Storage.ReadInt64(value, minimum, maximum);
    Failed = Fun.CalleeFailed();
}

void TStorageReader::Text(std::string &text, std::int32_t maximumLength, bool acceptEmpty)
{
    if (Failed) return;
    Storage.ReadText(text, maximumLength, acceptEmpty);
    Failed = Fun.CalleeFailed();
}

void TStorageReader::Skip(std::int32_t count)
{
    if (Failed) return;
    std::vector<char> block(static_cast<std::size_t>(std::max(count, 0)));
    Storage.ReadObject(block.data(), count);
    Failed = Fun.CalleeFailed();
}

TBoardData::TBoardData() : TreePath(SystemDrive())
{
    for (int i = 0; i < 10; ++i) {
        ContainerIndex[i] = -1;
        Fixed[i] = false;
        WidthAttribute[i] = 1;
        Subcolumns[i] = 1;
        ThumbHeight[i] = 3;
        Thumb[i] = false;
        ShowContainerPaths[i] = false;
        ActiveTitle[i] = SystemDrive();
        FocusKind[i] = 0;
        FocusRow[i] = 0;
        FocusKey[i] = 0;
        SortMode[i] = "Name";
        DefaultTitle[i] = SystemDrive();
    }
}

std::string TBoardData::DisplayName() const
{
    return Name.empty() ? std::to_string(BoardIndex + 1) : Name;
}

char TBoardData::ShortcutKey() const
{
    return Shortcut.empty() || Shortcut == "None" ? '\0' : Shortcut[0];
}

void TBoardData::Read(TStorageReader &reader, int version)
{
    constexpr std::int32_t all = std::numeric_limits<std::int32_t>::max();
    reader.Text(Name, 31, true);
    if (version >= 2) reader.Text(Shortcut, 31, true);
    if (version >= 1) {
        reader.Bool(ShowPlayList);
        reader.Bool(ShowTreeNavigator);
        reader.Text(TreePath, BoardPathLength, false);
    }
    reader.Int(ColumnCount, 1, 10);
    reader.Int(ActiveColumn, 0, 9);
    for (int i = 0; i < 10; ++i) {
        reader.Text(ActiveTitle[i], BoardPathLength, false);
        reader.Int(ContainerIndex[i], -1, 19);
        reader.Bool(Fixed[i]);
        reader.Int(WidthAttribute[i], 1, 10);
        reader.Int(Subcolumns[i], 1, 10);
        reader.Int(ThumbHeight[i], 0, 30);
        reader.Bool(Thumb[i]);
        if (version >= 3) reader.Bool(ShowContainerPaths[i]);
        reader.Int(FocusKind[i], -all - 1, all);
        reader.Int(FocusRow[i], -all - 1, all);
        reader.Int64(FocusKey[i], 0, std::numeric_limits<std::int64_t>::max());
        reader.Text(SortMode[i], 31, false);
    }
}

void TBoardData::Write(TStreamStorage &storage) const
{
    storage.WriteText(Name);
    storage.WriteText(Shortcut);
    storage.WriteBool(ShowPlayList);
    storage.WriteBool(ShowTreeNavigator);
    storage.WriteText(TreePath);
    storage.WriteInt(ColumnCount);
    storage.WriteInt(ActiveColumn);
    for (int i = 0; i < 10; ++i) {
        storage.WriteText(ActiveTitle[i]);
        storage.WriteInt(ContainerIndex[i]);
        storage.WriteBool(Fixed[i]);
        storage.WriteInt(WidthAttribute[i]);
        storage.WriteInt(Subcolumns[i]);
        storage.WriteInt(ThumbHeight[i]);
        storage.WriteBool(Thumb[i]);
        storage.WriteBool(ShowContainerPaths[i]);
        storage.WriteInt(FocusKind[i]);
        storage.WriteInt(FocusRow[i]);
        storage.WriteInt64(FocusKey[i]);
        storage.WriteText(SortMode[i]);
    }
}

void TBoardData::TakeContent(const TBoardData &other)
{
    const int index = BoardIndex;
    std::string defaults[10];
    std::copy(std::begin(DefaultTitle), std::end(DefaultTitle), std::begin(defaults));
    *this = other;
    BoardIndex = index;
    std::copy(std::begin(defaults), std::end(defaults), std::begin(DefaultTitle));
}

std::vector<TBoardButtonPlace>
BoardButtonPlaces(int visibleBoards, int rows, int insideWidth, int height)
{
    std::vector<TBoardButtonPlace> places(TBoards::Count);
    const int n = std::clamp(visibleBoards, 1, TBoards::Count);
    rows = std::max(rows, 1);
    const int perRow = (n + rows - 1) / rows;
    const int width = insideWidth / perRow;
    for (int i = 0; i < n && i < rows * perRow; ++i) {
        TBoardButtonPlace &place = places[static_cast<std::size_t>(i)];
        const int column = i % perRow;
        place.Visible = true;
        place.X = width * column;
        place.Y = height * (i / perRow);
        place.Width = column == perRow - 1 ? insideWidth - width * (perRow - 1) : width;
    }
    return places;
}

std::string BoardButtonHint(const TBoardData &board)
{
    std::string hint =
        "Board (= set of columns). The button looks pressed for the active board. [LMB] = "
        "show this board ([Ctrl] = copy the active board in this board; [Shift] = switch the "
        "active board with this board; [Alt] = move the active board in the place of this "
        "board).";
    if (board.ShortcutKey()) hint += " [" + board.Shortcut + "] = show this board.";
    return hint +
           " Drag a column over this to show the board (after a short delay), and drop it on a "
           "column "
           "to display the \"File-drag\" menu. Each board can be individually navigated. Each "
           "board's status is saved.";
}

TBoardAction ButtonAction(Qt::KeyboardModifiers modifiers)
{
    modifiers &= Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (modifiers == Qt::NoModifier) return baShow;
    if (modifiers == Qt::ControlModifier) return baCopy;
    if (modifiers == Qt::ShiftModifier) return baSwitch;
    if (modifiers == Qt::AltModifier) return baMove;
    return baNone;
}

TBoardAction MenuAction(Qt::KeyboardModifiers modifiers)
{
    modifiers &= Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
    if (modifiers == Qt::ControlModifier) return baCopy;
    if (modifiers == Qt::ShiftModifier) return baSwitch;
    if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) return baMove;
    return baShow;
}

TBoards::TBoards()
{
    for (int i = 0; i < Count; ++i)
        Items[i].BoardIndex = i;
    IniPaths();
}

TBoards::~TBoards()
{
    delete BoardsMenu;
}

void TBoards::IniPaths()
{
    TFunScope Fun(ThisUnit, "TBoards::IniPaths");
    Fun.Run([&] {
        const std::string documents = GetSystemDirectoryPath(sfDocuments);
        const std::string temporary = IncludeTrailingBackslash(GetTempPathA());
        const std::string pictures = GetSystemDirectoryPath(sfPictures);
        const std::string programFiles = GetSystemDirectoryPath(sfProgramFiles);
        struct TPreset
        {
            const char *Name;
            const char *Shortcut;
            int ColumnCount;
            bool ShowPlayList;
            bool ShowTreeNavigator;
            std::string Title0;
            std::string Title1;
            std::string Title2;
            bool Fixed1;
            bool Fixed2;
        };
        const TPreset presets[] = {
            {"Main", "1", 2, false, false, "", documents, "", true, false},
            {"Temp", "2", 2, false, false, temporary, "", "", true, false},
            {"CD", "3", 3, false, false, "", "", temporary, false, true},
            {"Search", "4", 3, false, false, documents, "", "", true, true},
            {"Containers", "5", 3, false, false, documents, "", "", true, true},
            {"Backup", "6", 2, false, false, documents, "", "", true, false},
            {"Documents",
             "7",
             2,
             false,
             false,
             documents,
             GetSystemDirectoryPath(sfCommonDocuments),
             "",
             true,
             false},
            {"Music", "8", 2, true, false, GetSystemDirectoryPath(sfMusic), "", "", false, false},
            {"Movies", "9", 2, true, false, GetSystemDirectoryPath(sfVideos), "", "", false, false},
            {"Pictures", "0", 2, false, false, pictures, "", "", false, false},
            {"Picture browser", "", 2, false, false, pictures, "", "", false, false},
            {"Books", "", 2, false, false, documents, "", "", false, false},
            {"Kits", "", 2, false, false, "", programFiles, "", true, false},
            {"Downloads", "", 2, false, false, documents, "", "", true, false},
            {"Explorer", "", 1, false, true, documents, "", "", false, false},
            // There is no favourites folder here: the columns keep their defaults.
            {"Favorites", "", 2, false, false, "", "", "", true, false},
            {"Program Files",
             "",
             3,
             false,
             false,
             programFiles,
             "",
             GetSystemDirectoryPath(sfStartMenuPrograms),
             false,
             true},
            {"OS", "", 2, false, false, GetOperatorPath(), GetSystemPath(), "", true, false},
            // The program's folder without its delimiter: the column shows its parent.
            {"This",
             "",
             2,
             false,
             false,
             ExcludeTrailingBackslash(ProgramDirectory()),
             OptionsDirectory(),
             "",
             false,
             false},
        };
        int index = 0;
        for (const TPreset &preset : presets) {
            TBoardData &board = Items[index++];
            board.Name = preset.Name;
            board.Shortcut = preset.Shortcut;
            board.ColumnCount = preset.ColumnCount;
            board.ShowPlayList = preset.ShowPlayList;
            board.ShowTreeNavigator = preset.ShowTreeNavigator;
            const std::string *titles[3] = {&preset.Title0, &preset.Title1, &preset.Title2};
            for (int column = 0; column < 3; ++column)
                if (!titles[column]->empty())
                    board.ActiveTitle[column] = board.DefaultTitle[column] = *titles[column];
            board.Fixed[1] = preset.Fixed1;
            board.Fixed[2] = preset.Fixed2;
        }
        TBoardData &search = Items[3];
        search.ShowContainerPaths[1] = search.ShowContainerPaths[2] = true;
        search.ContainerIndex[1] = 1;
        search.ContainerIndex[2] = 0; // the container titled "Found", the first one by default
        search.WidthAttribute[2] = 2;
        Items[4].ContainerIndex[1] = 0;
        Items[4].ContainerIndex[2] = 1;
        Items[9].Thumb[1] = true;
        Items[9].Subcolumns[1] = 3;
        Items[10].WidthAttribute[1] = 3;
        Items[10].Thumb[1] = true;
        Items[10].ThumbHeight[1] = 0;
    });
}

void TBoards::Setup(TMainForm &form, MyTPanel *buttonsBar)
{
    TFunScope Fun(ThisUnit, "TBoards::TBoards");
    Fun.Run([&] {
        if (Form) return;
        Form = &form;
        ButtonsBar = buttonsBar;
        for (int i = 0; i < Count; ++i) {
            auto *button = new MyTPanel(buttonsBar);
            button->FaceStyle = 0;
            button->BorderWidth = 3;
            button->CenterH = true;
            button->ButtonFace = true;
            button->HotTrack = true;
            button->setAcceptDrops(true);
            button->OnMouseDown = [this, i](QMouseEvent *event) {
                if (event->button() == Qt::LeftButton) BoardButtonClick(i, event->modifiers());
            };
            button->OnDragOver = [this, i](QDragMoveEvent *event, int, int) {
                TColumn *column = Form->ColumnOfList(qobject_cast<QWidget *>(event->source()));
                if (!column || column->Index >= 10) return;
                event->acceptProposedAction();
                HoverPoint = Buttons[i]->mapToGlobal(event->position().toPoint());
                DragOverButton(column, i, HoverBoard != i);
            };
            Buttons[i] = button;
            UpdateButton(i);
        }
        HoverTimer = new QTimer(buttonsBar);
        HoverTimer->setInterval(200);
        QObject::connect(HoverTimer, &QTimer::timeout, buttonsBar, [this] { HoverTimerTimer(); });
        buttonsBar->installEventFilter(new TBarWatcher(buttonsBar, *this));
        SetActiveBoard(ActiveBoard);
    });
}

void TBoards::UpdateButton(int index)
{
    MyTPanel *button = Buttons[index];
    if (!button) return;
    button->SetCaptions(Items[index].DisplayName(), Items[index].DisplayName());
    button->Hint = BoardButtonHint(Items[index]);
    button->update();
}

void TBoards::SetActiveBoard(int index)
{
    ActiveBoard = std::clamp(index, 0, Count - 1);
    for (int i = 0; i < Count; ++i)
        if (Buttons[i]) {
            Buttons[i]->Down = i == ActiveBoard;
            Buttons[i]->update();
        }
    if (Form) Form->UpdateCaption();
}

void TBoards::StoreColumns()
{
    if (!Form) return;
    TBoardData &board = Active();
    for (int i = 0; i < 10; ++i) {
        const TColumn &column = *Form->Columns[i];
        board.ContainerIndex[i] = column.ContainerIndex;
        board.Fixed[i] = column.Fixed;
        board.WidthAttribute[i] = column.WidthAttribute;
        board.Subcolumns[i] = column.Subcolumns;
        board.ThumbHeight[i] = column.ThumbHeight;
        board.Thumb[i] = column.Thumb;
        board.ShowContainerPaths[i] = column.ShowContainerPaths;
        board.ActiveTitle[i] = column.ActiveTitle;
        board.FocusKind[i] = column.FocusKind;
        board.FocusRow[i] = column.FocusRow;
        board.FocusKey[i] = column.FocusKey;
        board.SortMode[i] = column.SortMode;
        board.DefaultTitle[i] = column.DefaultTitle;
    }
    board.ColumnCount = Form->VisibleColumnCount;
    board.ActiveColumn = Form->ActiveColumnIndex;
}

void TBoards::LoadColumns(bool updateHeaders)
{
    if (!Form) return;
    const TBoardData &board = Active();
    Form->VisibleColumnCount = std::clamp(board.ColumnCount, 1, 10);
    Form->ActiveColumnIndex = std::clamp(board.ActiveColumn, 0, Form->VisibleColumnCount - 1);
    for (int i = 0; i < 10; ++i) {
        TColumn &column = *Form->Columns[i];
        column.ContainerIndex = board.ContainerIndex[i];
        column.Fixed = board.Fixed[i];
        column.WidthAttribute = board.WidthAttribute[i];
        column.Subcolumns = board.Subcolumns[i];
        column.ThumbHeight = board.ThumbHeight[i];
        column.Thumb = board.Thumb[i];
        column.ShowContainerPaths = board.ShowContainerPaths[i];
        column.PreviousTitle = column.ActiveTitle;
        column.ActiveTitle = board.ActiveTitle[i];
        column.FocusKind = board.FocusKind[i];
        column.FocusRow = board.FocusRow[i];
        column.FocusKey = board.FocusKey[i];
        column.SortMode = board.SortMode[i];
        column.DefaultTitle = board.DefaultTitle[i];
        if (updateHeaders && i < Form->VisibleColumnCount) column.UpdateHeader();
    }
    if (OnColumnsLoaded) OnColumnsLoaded();
}

void TBoards::ShowBoard(int index)
{
    TFunScope Fun(ThisUnit, "TBoards::ShowBoard");
    Fun.Run([&] {
        if (index < 0 || index >= Count || index == ActiveBoard || !Form) return;
        const TBusyScope busy(*Form);
        StoreColumns();
        SetActiveBoard(index);
        LoadColumns(true);
        Form->Reset(true);
        Form->SetViewerHeight(true, Form->ViewerHeight);
        Form->LoadVisibleColumns();
    });
    if (Form) Form->FocusColumn(-1, false);
    Fun.ShowIfFailed("Failed to show board.");
}

void TBoards::CopyBoard(int target)
{
    if (target < 0 || target >= Count || target == ActiveBoard) return;
    TBoardData &from = Active();
    TBoardData &to = Items[target];
    to.ShowPlayList = from.ShowPlayList;
    to.ShowTreeNavigator = from.ShowTreeNavigator;
    to.TreePath = from.TreePath;
    StoreColumns();
    if (!Form) {
        // Without live columns the records themselves carry the content.
        const std::string name = to.Name, shortcut = to.Shortcut;
        to.TakeContent(from);
        to.Name = name;
        to.Shortcut = shortcut;
    }
    SetActiveBoard(target);
    if (Form) Form->FocusColumn(-1, false);
}

void TBoards::ExchangeColumns(TBoardData &a, TBoardData &b)
{
    TBoardData kept = a;
    a.TakeContent(b);
    b.TakeContent(kept);
    // Only the columns change places here; the caller exchanged the rest already.
    std::swap(a.Name, b.Name);
    std::swap(a.Shortcut, b.Shortcut);
    std::swap(a.ShowPlayList, b.ShowPlayList);
    std::swap(a.ShowTreeNavigator, b.ShowTreeNavigator);
    std::swap(a.TreePath, b.TreePath);
}

void TBoards::SwitchBoard(int target)
{
    if (target < 0 || target >= Count || target == ActiveBoard) return;
    TBoardData &a = Active();
    TBoardData &t = Items[target];
    std::swap(a.Name, t.Name);
    std::swap(a.Shortcut, t.Shortcut);
    std::swap(a.ShowPlayList, t.ShowPlayList);
    std::swap(a.ShowTreeNavigator, t.ShowTreeNavigator);
    std::swap(a.TreePath, t.TreePath);
    StoreColumns();
    SetActiveBoard(target);
    ExchangeColumns(a, t);
    UpdateButton(a.BoardIndex);
    UpdateButton(target);
    if (Form) Form->FocusColumn(-1, false);
}

void TBoards::MoveBoard(int target)
{
    const int from = ActiveBoard;
    if (target < 0 || target >= Count || target == from) return;
    StoreColumns();
    const TBoardData moved = Items[from];
    if (from < target)
        for (int k = from; k < target; ++k)
            Items[k].TakeContent(Items[k + 1]);
    else
        for (int k = from; k > target; --k)
            Items[k].TakeContent(Items[k - 1]);
    SetActiveBoard(target);
    Items[target].TakeContent(moved);
    StoreColumns();
    for (int k = std::min(from, target); k <= std::max(from, target); ++k)
        UpdateButton(k);
    if (Form) Form->FocusColumn(-1, false);
}

void TBoards::LayoutButtons(int visibleBoards, int rows, int barWidth, int barTop)
{
    if (!ButtonsBar || !Buttons[0]) return;
    const int border = ButtonsBar->BorderWidth;
    rows = std::max(rows, 1);
    if (barWidth >= 0) {
        const int height = Buttons[0]->TextHeight() + 2 * Buttons[0]->BorderWidth;
        ButtonsBar->setGeometry(0, barTop, barWidth, rows * height + 2 * border);
    }
    // The buttons share the height of the bar as it was placed.
    const int height = std::max(1, (ButtonsBar->height() - 2 * border) / rows);
    const std::vector<TBoardButtonPlace> places =
        BoardButtonPlaces(visibleBoards, rows, ButtonsBar->width() - 2 * border, height);
    for (int i = 0; i < Count; ++i) {
        const TBoardButtonPlace &place = places[static_cast<std::size_t>(i)];
        Buttons[i]->setVisible(place.Visible);
        if (place.Visible)
            Buttons[i]->setGeometry(border + place.X, border + place.Y, place.Width, height);
    }
    ButtonsBar->setVisible(ProgramOptions.ShowBoardsBar);
    if (ProgramOptions.ShowBoardsBar) SetActiveBoard(ActiveBoard);
}

void TBoards::BoardButtonClick(int index, Qt::KeyboardModifiers modifiers)
{
    if (index == ActiveBoard) return;
    switch (ButtonAction(modifiers)) {
    case baShow:
        ShowBoard(index);
        break;
    case baCopy:
        CopyBoard(index);
        break;
    case baSwitch:
        SwitchBoard(index);
        break;
    case baMove:
        MoveBoard(index);
        break;
    case baNone:
        break;
    }
}

void TBoards::ShowMenu(MyTPanel *button, Qt::KeyboardModifiers shift)
{
    TFunScope Fun(ThisUnit, "TBoards::ShowMenu");
    Fun.Run([&] {
        delete BoardsMenu;
        BoardsMenu = nullptr;
        MenuShift = shift;
        auto *menu = new QMenu;
        BoardsMenu = menu;
        static const char *const titles[] = {
            "Show board", "Copy board", "Switch board", "Move board"};
        const TBoardAction action = MenuAction(shift);
        QAction *title = menu->addAction(QString::fromUtf8(titles[action]));
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        menu->setDefaultAction(title);
        menu->addSeparator();
        auto *group = new QActionGroup(menu);
        for (int i = 0; i < Count; ++i) {
            const TBoardData &board = Items[i];
            QAction *item = menu->addAction(MenuCaptionText(board.DisplayName()));
            item->setCheckable(true);
            item->setActionGroup(group);
            item->setStatusTip(QStringLiteral("Show this board"));
            item->setToolTip(QStringLiteral("Show this board"));
            if (board.ShortcutKey())
                item->setShortcut(QKeySequence(QString(QChar::fromLatin1(board.ShortcutKey()))));
            item->setChecked(i == ActiveBoard);
            item->setEnabled(i != ActiveBoard);
            QObject::connect(item, &QAction::triggered, menu, [this, i] {
                switch (MenuAction(MenuShift)) {
                case baCopy:
                    CopyBoard(i);
                    break;
                case baSwitch:
                    SwitchBoard(i);
                    break;
                case baMove:
                    MoveBoard(i);
                    break;
                default:
                    ShowBoard(i);
                    break;
                }
            });
        }
        if (OnMenuBuilt) OnMenuBuilt(*menu);
        if (button) button->PopupAt(menu, 0);
    });
    Fun.CalleeFailed();
    const bool failed = Fun.Failed();
    Fun.ShowIfFailed("Failed to show boards menu.");
    // A menu that failed half-way is freed whatever the answer to the error dialog.
    if (failed) {
        delete BoardsMenu;
        BoardsMenu = nullptr;
    }
}

int TBoards::FindBoardByShortcut(char key) const
{
    for (int i = 0; i < Count; ++i)
        if (Items[i].ShortcutKey() == key && key != '\0') return i;
    return -1;
}

int TBoards::FindSearchBoard() const
{
    for (int i = 0; i < Count; ++i) {
        const std::string name = LowerAscii(Items[i].Name);
        if (name == "search" || name == "find") return i;
    }
    return -1;
}

void TBoards::SetName(int index, const std::string &name)
{
    Items[index].Name = name == std::to_string(index) ? std::string() : CodePointPrefix(name, 31);
    UpdateButton(index);
}

void TBoards::SetShortcut(int index, const std::string &shortcut)
{
    Items[index].Shortcut = shortcut;
    UpdateButton(index);
}

std::vector<std::string> TBoards::AvailableShortcuts() const
{
    std::vector<std::string> shortcuts = {"None"};
    if (Active().ShortcutKey()) shortcuts.push_back(Active().Shortcut);
    for (char digit = '0'; digit <= '9'; ++digit)
        if (FindBoardByShortcut(digit) < 0) shortcuts.push_back(std::string(1, digit));
    return shortcuts;
}

void TBoards::EditBoardProperties()
{
    TFunScope Fun(ThisUnit, "TBoards::EditBoardProperties");
    Fun.Run([&] {
        if (!BoardPropertiesForm) {
            BoardPropertiesForm = new TBoardPropertiesForm(Form);
            QObject::connect(
                BoardPropertiesForm, &QObject::destroyed, [] { BoardPropertiesForm = nullptr; });
        }
        std::string name = Active().Name;
        std::string shortcut = Active().Shortcut;
        if (!BoardPropertiesForm->Dialog(name, shortcut, AvailableShortcuts())) return;
        SetName(ActiveBoard, name);
        SetShortcut(ActiveBoard, shortcut);
        if (Form) Form->UpdateCaption();
    });
    Fun.ShowIfFailed("Failed to edit board properties.");
}

void TBoards::DragOverButton(TColumn *column, int index, bool entering)
{
    HoverColumn = column;
    HoverBoard = index;
    if (HoverTimer && !HoverTimer->isActive()) {
        // The dragged column stays reachable from the board the hover may show.
        if (Form && column && column->Index < 10) {
            Form->ActiveColumnIndex = column->Index;
            Form->MarkInterBoardSource(false);
        }
        HoverTimer->start();
    }
    if (entering || !HoverWatch.isValid()) HoverWatch.start();
}

void TBoards::ColumnDragMove(TColumn *column, const QPoint &global)
{
    if (!column || column->Index >= 10) return;
    HoverPoint = global;
    for (int i = 0; i < Count; ++i) {
        MyTPanel *button = Buttons[i];
        if (!button || !button->isVisible() || !button->rect().contains(button->mapFromGlobal(global)))
            continue;
        DragOverButton(column, i, HoverBoard != i);
        return;
    }
}

bool TBoards::ColumnDropOnBoardsButton(TColumn *column, const QPoint &global)
{
    if (!Form || !column) return false;
    MyTPanel *button = Form->BoardsButton;
    if (!button || !button->isVisible() || !button->rect().contains(button->mapFromGlobal(global)))
        return false;
    // Only the active column's list drops here.
    if (column->Index != Form->ActiveColumnIndex) return false;
    Form->LeftButtonDown = false;
    Form->ClickMenuItem("MarkIBSourceColumnMenu");
    ShowMenu(button, Qt::NoModifier);
    return true;
}

void TBoards::HoverTimerTimer()
{
    if (HoverBoard < 0 || HoverBoard == ActiveBoard || !HoverWatch.isValid()) return;
    MyTPanel *button = Buttons[HoverBoard];
    if (!button || !button->rect().contains(button->mapFromGlobal(HoverPoint))) return;
    if (HoverWatch.elapsed() < 800) return;
    HoverShowedBoard = true;
    TColumn *dragged = HoverColumn;
    ShowBoard(HoverBoard);
    // A board with fewer columns hides the dragged list, and the drag ends with it.
    if (dragged && !dragged->FileList->isVisible()) {
        if (Form) Form->DragActive = false;
        EndColumnDrag();
    }
}

void TBoards::EndColumnDrag()
{
    HoverColumn = nullptr;
    HoverBoard = -1;
    HoverShowedBoard = false;
    HoverWatch.invalidate();
    if (HoverTimer) HoverTimer->stop();
}

void TBoards::ReadBoards(TStorageReader &reader, int version)
{
    std::vector<TBoardData> read(Items, Items + Count);
    for (int i = Count - 1; i >= 0 && !reader.Failed; --i)
        read[static_cast<std::size_t>(i)].Read(reader, version);
    if (reader.Failed) return;
    for (int i = 0; i < Count; ++i) {
        Items[i] = read[static_cast<std::size_t>(i)];
        Items[i].BoardIndex = i;
        UpdateButton(i);
    }
}

void TBoards::WriteBoards(TStreamStorage &storage) const
{
    for (int i = Count - 1; i >= 0; --i)
        Items[i].Write(storage);
}
