// The column's keyboard and mouse: the press, the column drag and its drop, the decision of the
// mouse operation, the operations themselves, the key table, the selection model and the
// navigation across the group.
#include "app/Column.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/FileLink.h"
#include "Libraries/History.h"
#include "Libraries/ShiftStateUi.h"
#include "Libraries/Utilities.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"

#include <QDragMoveEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

#include <algorithm>
#include <cctype>
#include <limits>
#include <string>

namespace {

constexpr const char *ThisUnit = "Column";

using TOption = std::string TProgramOptions::*;
using P = TProgramOptions;

bool SameText(const std::string &a, const std::string &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

Qt::KeyboardModifiers ModifiersOf(TShiftState shift)
{
    Qt::KeyboardModifiers modifiers = Qt::NoModifier;
    if (ShiftHas(shift, ssShift)) modifiers |= Qt::ShiftModifier;
    if (ShiftHas(shift, ssCtrl)) modifiers |= Qt::ControlModifier;
    if (ShiftHas(shift, ssAlt)) modifiers |= Qt::AltModifier;
    return modifiers;
}

// ---- The decision table of a finished press ---------------------------------------------------

enum TPressSituation
{
    psClickType,
    psClickName,
    psDragType,
    psDragName,
    psEmptySameColumn,
    psEmptyOtherColumn
};

// The option of each button in a situation; null: nothing happens.
struct TPressRow
{
    TPressSituation Situation;
    TOption Left, Right, Middle;
};

// clang-format off
const TPressRow PressRows[] = {
    {psClickType, &P::LMBTypeOperation, &P::RMBTypeOperation, &P::MMBTypeOperation},
    {psClickName, &P::LMBNameOperation, &P::RMBNameOperation, &P::MMBNameOperation},
    {psDragType, &P::LMBDragTypeOperation, &P::RMBDragTypeOperation, nullptr},
    {psDragName, &P::LMBDragNameOperation, &P::RMBDragNameOperation, nullptr},
    {psEmptySameColumn, nullptr, &P::RMBNameOperation, nullptr},
    {psEmptyOtherColumn, &P::LMBDragNameOperation, &P::RMBDragNameOperation, nullptr},
};
// clang-format on

// ---- The mouse operations ---------------------------------------------------------------------

enum TOperationAction
{
    oaNothing,
    oaMenu, // click the menu item (a missing or disabled item does nothing)
    oaRun,
    oaToggle,     // with the event's modifiers
    oaToggleUp,   // with {Ctrl}
    oaToggleDown, // with {Shift}
    oaFileMenu,
    oaProperties,
    oaFileDragMenu,
    oaInterBoardMenu,
    oaSystemDragMenu,
    oaSystemMenu
};

struct TOperationRow
{
    const char *Name;
    TOperationAction Action;
    const char *Menu;
};

// clang-format off
const TOperationRow OperationRows[] = {
    {"None", oaNothing, nullptr},
    {"Delete", oaMenu, "DeleteFileMenu"},
    {"Edit", oaMenu, "EditFileMenu"},
    {"Edit streams", oaMenu, "EditFileStreamsMenu"},
    {"Edit streams (autoload)", oaMenu, "EditFileStreamsAutoloadMenu"},
    {"File menu", oaFileMenu, nullptr},
    {"View", oaMenu, "ViewFileMenu"},
    {"Properties", oaProperties, nullptr},
    {"Recycle item", oaMenu, "RecycleContainerItemMenu"},
    {"Recycle file", oaMenu, "RecycleFileMenu"},
    {"Rename file", oaMenu, "RenameFileMenu"},
    {"Rename item", oaMenu, "RenameContainerItemMenu"},
    {"Run", oaRun, nullptr},
    {"Run maximized", oaRun, nullptr},
    {"Set as background", oaMenu, "SetAsBackgroundPicture"},
    {"Set as wallpaper", oaMenu, "SetAsWallpaperMenu"},
    {"Toggle selection", oaToggle, nullptr},
    {"Toggle down selection", oaToggleDown, nullptr},
    {"Toggle up selection", oaToggleUp, nullptr},
    {"Enter this directory", oaMenu, "FileDragMenu_EnterThisDir"},
    // The File-drag menus, the System menus and the drag commands come with their menus.
    {"Inter-board file-drag menu", oaInterBoardMenu, nullptr},
    {"System menu", oaSystemMenu, nullptr},
    {"System-drag menu", oaSystemDragMenu, nullptr},
    {"File-drag menu", oaFileDragMenu, nullptr},
    {"Copy", oaMenu, "FileDragMenu_Copy"},
    {"Drop-copy", oaMenu, "FileDragMenu_DropCopy"},
    {"Copy as", oaMenu, "FileDragMenu_CopyAs"},
    {"Copy as last numbered", oaMenu, "FileDragMenu_CopyAsLastNumbered"},
    {"Copy as link", oaMenu, "FileDragMenu_CopyAsLink"},
    {"Convert picture", oaMenu, "FileDragMenu_ConvertPicture"},
    {"Drop-convert picture", oaMenu, "FileDragMenu_DropConvertPicture"},
    {"Copy as hard-link", oaMenu, "FileDragMenu_CopyAsHardLink"},
    {"Insert item", oaMenu, "FileDragMenu_InsertItem"},
    {"Move", oaMenu, "FileDragMenu_Move"},
    {"Drop-move", oaMenu, "FileDragMenu_DropMove"},
    {"Move as", oaMenu, "FileDragMenu_MoveAs"},
    {"Move as last numbered", oaMenu, "FileDragMenu_MoveAsLastNumbered"},
    {"Search duplicates", oaMenu, "FileDragMenu_SearchDuplicates"},
    {"Set with source path", oaMenu, "FileDragMenu_SetWithSourceColumn"},
    {"Switch columns", oaMenu, "FileDragMenu_SwitchColumns"},
};
// clang-format on

enum THeaderAction
{
    haNothing,
    haMenu,
    haParent,
    haParentSystemMenu
};

struct THeaderRow
{
    const char *Name;
    THeaderAction Action;
    const char *Menu;
};

const THeaderRow HeaderRows[] = {
    {"None", haNothing, nullptr},
    {"Directory tree navigator dialog", haMenu, "TreeNavigatorMenu"},
    {"Enter parent directory", haParent, nullptr},
    {"Parent System menu", haParentSystemMenu, nullptr},
    {"Toggle fixed attribute", haMenu, "FixedAttrMenu"},
    {"Toggle thumbnails attribute", haMenu, "ThumbAttrMenu"},
};

// ---- The key table ----------------------------------------------------------------------------

enum TKeyAction
{
    kaNothing, // consumed, nothing done
    kaMenu,
    kaParent,
    kaRun,
    kaPreviousColumn,
    kaNextColumn,
    kaToggleThis,
    kaToggleUp,
    kaToggleDown,
    kaPass, // not consumed
    kaBoard,
    kaShowContainer,
    kaCopyToContainer,
    kaSelectAll,
    kaDeselectAll,
    kaToggleAll,
    kaSelectFiles,
    kaDeselectFiles,
    kaToggleFiles
};

struct TKeyCell
{
    TKeyAction Action = kaNothing;
    const char *Menu = nullptr;
};

// How a row recognises its key: the Qt key, on the keypad only, or the digit row and the two
// punctuation keys by their physical key whatever the layout gives.
enum TKeyMatch
{
    kmKey,
    kmKeypad,
    kmDigit,
    kmSlash,
    kmBackslash
};

// Cells for none, only Ctrl, only Shift, only Alt, only Ctrl+Shift; Same: the first cell for
// every modifier set; CtrlAlt: the cell of only Ctrl+Alt.
struct TKeyRow
{
    TKeyMatch Match;
    int Key;
    bool Same;
    TKeyCell Cells[5];
    TKeyCell CtrlAlt{};
};

constexpr TKeyCell M(const char *menu)
{
    return {kaMenu, menu};
}
constexpr TKeyCell A(TKeyAction action)
{
    return {action, nullptr};
}
constexpr TKeyCell N{};

// clang-format off
const TKeyRow KeyTable[] = {
    {kmKey, Qt::Key_Backspace, true, {A(kaParent), N, N, N, N}},
    {kmKey, Qt::Key_Back, true, {A(kaParent), N, N, N, N}},
    {kmKey, Qt::Key_Return, true, {A(kaRun), N, N, N, N}},
    {kmKey, Qt::Key_Enter, true, {A(kaRun), N, N, N, N}},
    {kmKey, Qt::Key_Left, false, {A(kaPreviousColumn), M("DeleteLastColumnMenu"),
        M("DeleteThisColumnMenu"), M("RotateColumnsToLeftMenu"), N}},
    {kmKey, Qt::Key_Right, false, {A(kaNextColumn), M("InsertColumnAtEndMenu"),
        M("InsertColumnHereMenu"), M("RotateColumnsToRightMenu"), N}},
    {kmKey, Qt::Key_Insert, false, {A(kaToggleThis), A(kaToggleUp), A(kaToggleDown),
        A(kaPass), A(kaPass)}, A(kaPass)},
    {kmKey, Qt::Key_Delete, true, {M("RecycleContainerItemMenu"), N, N, N, N}},
    {kmDigit, 0, false, {A(kaBoard), A(kaShowContainer), A(kaCopyToContainer), N, N}},
    {kmKey, Qt::Key_A, false, {M("EditFileStreamsMenu"), M("EditFileStreamsAutoloadMenu"),
        M("EditFileDescriptionMenu"), N, M("LinkAsStartupItemMenu")}},
    {kmKey, Qt::Key_C, true, {M("ClipFileTitlesMenu"), N, N, N, N}},
    {kmKey, Qt::Key_D, false, {M("NewDirectoryMenu"), N, N, N, M("LinkAsDesktopMenu")}},
    {kmKey, Qt::Key_E, false, {M("EditFileMenu"), N, N, N, M("LinkAsSendDragMenu")}},
    {kmKey, Qt::Key_F, true, {M("NewFileMenu"), N, N, N, N}},
    {kmKey, Qt::Key_G, false, {M("GoToReferenceMenu"), M("GoToContainerItemTargetMenu"), N, N,
        N}},
    {kmKey, Qt::Key_I, false, {M("TreeNavigatorMenu"), M("NavigateToDirectoryMenu"), N, N, N}},
    {kmKey, Qt::Key_L, false, {M("LoadDirectoryMenu"), M("LoadAllDirectoriesMenu"),
        M("SetAsActiveFileMenu"), N, M("LinkAsLocationMenu")}},
    {kmKey, Qt::Key_M, false, {M("RenameContainerItemMenu"), M("MultiRenameItemMenu"), N, N, N}},
    {kmKey, Qt::Key_N, false, {M("RenameFileMenu"), M("MultiRenameFileMenu"), N, N, N}},
    {kmKey, Qt::Key_P, false, {M("FilePropertiesMenu"), M("ReferencePropertiesMenu"), N, N, N}},
    {kmKey, Qt::Key_Q, false, {M("OpenFileWithMenu"), N, N, N, M("LinkAsQuickLaunchMenu")}},
    {kmKey, Qt::Key_S, false, {M("SearchFileMenu"), M("SearchFileInHomeMenu"),
        M("SearchFileInHome2Menu"), M("FindCommonTextMenu"), M("LinkAsSendMenu")}},
    {kmKey, Qt::Key_T, false, {M("LocateFileMenu"), M("LocateNextFileMenu"),
        M("LocatePreviousFileMenu"), M("LocateLastNumberedMenu"), M("LinkAsToolMenu")},
        M("LocateFirstNumberedMenu")},
    {kmKey, Qt::Key_U, true, {M("PasteClipboardPictureMenu"), N, N, N, N}},
    {kmKey, Qt::Key_W, false, {M("SetAsBackgroundPicture"), M("SetAsWallpaperMenu"), N, N, N}},
    {kmKey, Qt::Key_X, false, {M("AssociateExtensionMenu_Document"),
        M("AssociateExtensionMenu_Generic"), M("AssociateExtensionMenu_SaveUpdate"), N, N}},
    {kmKeypad, Qt::Key_Asterisk, false, {A(kaToggleFiles), A(kaToggleAll), N, N, N}},
    // Filtered select and deselect open the selection dialog.
    {kmKeypad, Qt::Key_Plus, false, {M("FilteredSelectMenu"), A(kaSelectAll), A(kaSelectFiles),
        N, N}},
    {kmKeypad, Qt::Key_Minus, false, {M("FilteredDeselectMenu"), A(kaDeselectAll),
        A(kaDeselectFiles), N, N}},
    {kmKey, Qt::Key_F2, false, {M("ClipActiveNameMenu"), M("ClipActivePathMenu"),
        M("ClipActiveTitleMenu"), M("ClipActiveReferenceMenu"), N}},
    {kmKey, Qt::Key_F3, true, {M("ViewNextMenu"), N, N, N, N}},
    {kmKey, Qt::Key_F4, true, {M("ViewPreviousMenu"), N, N, N, N}},
    {kmKey, Qt::Key_F5, false, {M("ViewFileMenu"), M("ViewClipboardPictureMenu"),
        M("ViewStegNoiseMenu"), N, N}},
    {kmKey, Qt::Key_F6, false, {M("ViewMediaInDirMenu"), M("ViewThisMediaInDirMenu"), N, N, N}},
    {kmKey, Qt::Key_F10, false, {M("FixedAttrMenu"), M("ThumbAttrMenu"),
        M("ShowPathsInContainerMenu"), N, N}},
    {kmKey, Qt::Key_F11, true, {M("RecycleFileMenu"), N, N, N, N}},
    {kmKey, Qt::Key_F12, true, {M("DeleteFileMenu"), N, N, N, N}},
    {kmSlash, 0, false, {M("DefaultDirectoryMenu"), M("SysLocMenu_PartitionRoot"),
        M("SysLocMenu_TerminalRoot"), N, N}},
    {kmBackslash, 0, false, {M("PreviousDirectoryMenu"), M("SysLocMenu_PartitionRoot"),
        M("SysLocMenu_TerminalRoot"), N, N}},
};
// clang-format on

// Physical keys: evdev codes + 8 as X11 and Wayland report them.
constexpr quint32 ScanDigit1 = 10, ScanDigit0 = 19, ScanSlash = 61, ScanBackslash = 51;

// The digit 0..9 of a digit-row key, or -1.
int DigitOf(const QKeyEvent &event)
{
    if (event.modifiers() & Qt::KeypadModifier) return -1;
    const quint32 scan = event.nativeScanCode();
    if (scan >= ScanDigit1 && scan <= ScanDigit0)
        return static_cast<int>((scan - ScanDigit1 + 1) % 10);
    if (scan == 0 && event.key() >= Qt::Key_0 && event.key() <= Qt::Key_9)
        return event.key() - Qt::Key_0;
    return -1;
}

bool RowMatches(const TKeyRow &row, const QKeyEvent &event)
{
    const bool keypad = event.modifiers() & Qt::KeypadModifier;
    const quint32 scan = event.nativeScanCode();
    switch (row.Match) {
    case kmKey:
        return event.key() == row.Key && !(keypad && row.Key >= Qt::Key_0 && row.Key <= Qt::Key_9);
    case kmKeypad:
        return keypad && event.key() == row.Key;
    case kmDigit:
        return DigitOf(event) >= 0;
    case kmSlash:
        return !keypad && (scan == ScanSlash || (scan == 0 && event.key() == Qt::Key_Slash));
    case kmBackslash:
        return scan == ScanBackslash || (scan == 0 && event.key() == Qt::Key_Backslash);
    }
    return false;
}

// The cell of the modifier set; null for a set without a cell (nothing, consumed).
const TKeyCell *CellOf(const TKeyRow &row, TShiftState shift)
{
    if (row.Same) return &row.Cells[0];
    if (ShiftIsEmpty(shift)) return &row.Cells[0];
    if (ShiftIsOnly(shift, ssCtrl)) return &row.Cells[1];
    if (ShiftIsOnly(shift, ssShift)) return &row.Cells[2];
    if (ShiftIsOnly(shift, ssAlt)) return &row.Cells[3];
    if (ShiftIsOnlyPair(shift, ssCtrl, ssShift)) return &row.Cells[4];
    if (ShiftIsOnlyPair(shift, ssCtrl, ssAlt)) return &row.CtrlAlt;
    return nullptr;
}

// ---- The list hint -----------------------------------------------------------------------------

// An operation name as the hint shows it, with the note on its modifiers; "Run" gets the
// navigation note only over a directory or a link.
std::string OperationText(const std::string &name, bool runEnters)
{
    static const struct
    {
        const char *Name;
        const char *Note;
    } notes[] = {
        {"System menu", " ([Ctrl] = reference; [Shift] = parent)"},
        {"System-drag menu", " ([Ctrl] = reference; [Shift] = parent)"},
        {"Send menu", " ([Ctrl] = reference; [Shift] = parent)"},
        {"Send-drag menu", " ([Ctrl] = reference; [Shift] = parent)"},
        {"Enter this directory",
         " ([Ctrl] = automove to left; [Shift] = autoopen to right; [Alt] = autohold)"},
        {"Properties", " ([Ctrl] = reference)"},
        {"Toggle selection", " ([Ctrl] = group upward; [Shift] = group downward)"},
        {"Enter parent directory",
         " ([Ctrl] = automove to right; [Shift] = autoopen to left; [Alt] = autohold)"},
    };
    if (SameText(name, "Run"))
        return runEnters ? name + notes[4].Note : name;
    for (const auto &row : notes)
        if (SameText(name, row.Name)) return name + row.Note;
    return name;
}

// The hint of a column list at a point: over an item (its title, size and the operations of the
// zone) or elsewhere (the column's directory and the operations of empty space).
std::string ListHintText(const TFileListData *item, bool typeZone, bool runEnters,
                         const std::string &activeTitle, bool thumbNotes)
{
    const auto op = [&](const std::string &name) { return OperationText(name, runEnters); };
    const TProgramOptions &o = ProgramOptions;
    std::string hint;
    if (item) {
        std::string zone;
        if (typeZone) {
            zone = "[LMB] = " + op(o.LMBTypeOperation) + "." + " [RMB] = " + op(o.RMBTypeOperation) +
                   "." + " [MMB] = " + op(o.MMBTypeOperation) + "." + " [LMB + Drag] = " +
                   op(o.LMBDragTypeOperation) + "." + " [RMB + Drag] = " + op(o.RMBDragTypeOperation) +
                   ".";
            if (o.FileHoverActive)
                zone += " Hover for a moment to display the file hover information window.";
        } else {
            zone = "[Double LMB] = " + op(o.LMBNameOperation) + "." + " [RMB] = " +
                   op(o.RMBNameOperation) + "." + " [MMB] = " + op(o.MMBNameOperation) + "." +
                   " [LMB + Drag] = " + op(o.LMBDragNameOperation) + "." + " [RMB + Drag] = " +
                   op(o.RMBDragNameOperation) + "." + " [RMB + Small drag] = show mouse menu." +
                   " The name of a selected file is displayed with italic and bold font.";
            if (thumbNotes)
                zone += " For a \"\xC2\xB1\" character after the displayed width / height of thumbs, see "
                        "the \"Normalize width / height\" options.";
        }
        hint = "Current file \"" + item->Title + "\". Size " +
               FileSizeText(6, 0, static_cast<std::uint64_t>(std::max<std::int64_t>(0, item->Size))) +
               ". " + zone;
    } else {
        hint = "Column's parent directory \"" + ExtractDirectory(activeTitle) + "\". " + "[RMB] = " +
               op(o.RMBNameOperation) + "." + " [LMB + Drag] = " + op(o.LMBDragNameOperation) + "." +
               " [RMB + Drag] = " + op(o.RMBDragNameOperation) + ".";
    }
    return hint + " Drop files from another program to display the \"External file-drag\" menu. "
                  "[LMB + Drag] = drag files (to copy) to another program ([Ctrl] = copy; [Shift] = "
                  "move; [Alt] = copy as link).";
}

} // namespace

// ---- Zones and the press ----------------------------------------------------------------------

bool TColumn::InTypeZone(int index, int x, int y) const
{
    const QRect item = FileList->ItemRectInside(index);
    if (item.isEmpty()) return false;
    return x - item.left() < GetTypeFieldWidth(true) && y - item.top() < FileList->LineHeight();
}

void TColumn::FileListMouseDown(QMouseEvent *event)
{
    TFunScope Fun(ThisUnit, "TColumn::FileListMouseDown");
    Fun.Run([&] {
        if (Form.IsBusy()) return;
        Form.ActiveColumnIndex = Index;
        Form.FocusColumn(Index, false);
        if (Form.OnCloseFileHover) Form.OnCloseFileHover();
        const QPoint at = event->position().toPoint();
        const int x = at.x() - FileList->BorderWidth, y = at.y() - FileList->BorderWidth;
        const int item = FileList->Empty ? -1 : FileList->ItemAt(x, y);
        if (item >= 0)
            FocusIndex(item);
        else
            SetInactiveFocus();
        Form.DragSourcePosition = Index;
        Form.DragSourceItem = item;
        Form.DragButton = event->button();
        Form.DragShift =
            event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        Form.DragDouble = event->type() == QEvent::MouseButtonDblClick;
        Form.DragDownPoint = QPoint(x, y);
        Form.DragFocusIndex = FileList->FocusIndex;
        if (item >= 0)
            Form.DragActiveTitle = Item(item)->Title;
        else if (!FileList->Empty)
            Form.DragActiveTitle = ActiveTitle;
        else
            Form.DragActiveTitle = ExtractDirectory(ActiveTitle);
        // A left or right press starts the column drag at once; the middle button never drags.
        Form.DragActive = Form.DragButton == Qt::LeftButton || Form.DragButton == Qt::RightButton;
        if (Form.DragButton == Qt::LeftButton) Form.LeftButtonDown = true;
    });
}

void TColumn::FileListMouseUp(QMouseEvent *event, int x, int y)
{
    TFunScope Fun(ThisUnit, "TColumn::FileListMouseUp");
    Fun.Run([&] {
        const Qt::MouseButton button = event->button();
        if (button == Qt::BackButton) {
            if (!Form.IsBusy()) EnterParentDirectory(ShiftStateOf(event->modifiers()));
            return;
        }
        if (button == Qt::LeftButton) Form.LeftButtonDown = false;
        if (button != Form.DragButton || Form.DragSourcePosition != Index) return;
        const TShiftState shift = ShiftStateOf(Form.DragShift, Qt::NoButton, Form.DragDouble);
        if (button == Qt::MiddleButton) {
            Form.DragButton = Qt::NoButton;
            FileListMouse(Qt::MiddleButton, shift, x, y);
            return;
        }
        if (!Form.DragActive) return;
        Form.DragActive = false;
        // A hover over a board button ends with the drag; a board it showed meanwhile holds
        // other columns, so the drag's source is then the inter-board source column.
        const bool otherBoard = Form.Boards.HoverShowedBoard;
        Form.Boards.EndColumnDrag();
        const QPoint global = event->globalPosition().toPoint();
        if (Form.Boards.ColumnDropOnBoardsButton(this, global)) return;
        // The drag ends over the visible column list under the release point, if any.
        for (int i = 0; i < Form.VisibleColumnCount; ++i) {
            MyTPanel *list = Form.Columns[i]->FileList;
            const QPoint at = list->mapFromGlobal(global);
            if (!list->isVisible() || !list->rect().contains(at)) continue;
            const int insideX = at.x() - list->BorderWidth, insideY = at.y() - list->BorderWidth;
            // Over the scroll bar the drop is refused.
            if (insideX >= list->InsideWidth()) return;
            Form.Columns[i]->DropFromColumn(insideX, insideY, otherBoard);
            return;
        }
    });
}

void TColumn::FileListMouseMove(QMouseEvent *event, int x, int y)
{
    TFunScope Fun(ThisUnit, "TColumn::FileListMouseMove");
    Fun.Run([&] {
        if (Form.IsBusy()) return;
        // The column drag holds the mouse: its moves also hover the board buttons.
        if (Form.DragActive && Form.DragSourcePosition == Index &&
            (event->buttons() & (Qt::LeftButton | Qt::RightButton)))
            Form.Boards.ColumnDragMove(this, event->globalPosition().toPoint());
        // A left drag leaving the window hands the items to the program under the pointer; the
        // list's own move event still has the pointer, which a timer would not.
        if (Form.DragActive && Form.DragSourcePosition == Index && Form.DragButton == Qt::LeftButton &&
            (event->buttons() & Qt::LeftButton) &&
            !Form.rect().contains(Form.mapFromGlobal(event->globalPosition().toPoint()))) {
            Form.ActivateExternalDrag();
            return;
        }
        if (!FileList->rect().contains(event->position().toPoint())) {
            Form.HotItem = {};
            return;
        }
        const int item = FileList->Empty ? -1 : FileList->ItemAt(x, y);
        Form.CheckHoverMove(Index, item, x + FileList->BorderWidth, y + FileList->BorderWidth);
        if (item < 0) Form.HotItem = {};
        Form.SetHotItem(Index, item);
        const TFileListData *data = item >= 0 ? Item(item) : nullptr;
        bool runEnters = false;
        if (data) runEnters = data->Kind == ikDirectory || data->Kind == ikLink || IsDrivePath(data->Title);
        const bool thumbNotes =
            Thumb && (ProgramOptions.NormalizeThumbWidth || ProgramOptions.NormalizeThumbHeight);
        const std::string hint =
            ListHintText(data, data && InTypeZone(item, x, y), runEnters, ActiveTitle, thumbNotes);
        if (hint == FileList->Hint) return;
        FileList->Hint = hint;
        if (MyTPanel::OnHint) MyTPanel::OnHint(hint);
    });
}

void TColumn::FileListDragOver(QDragMoveEvent *event, int x, int y)
{
    // The column drag drops on a list, and files from other programs.
    const bool fromColumn =
        event->source() && Form.ColumnOfList(qobject_cast<QWidget *>(event->source()));
    const bool files = !fromColumn && event->mimeData() && event->mimeData()->hasUrls();
    if ((fromColumn || files) && x < FileList->InsideWidth())
        event->acceptProposedAction();
    else
        event->ignore();
    const int item = FileList->Empty ? -1 : FileList->ItemAt(x, y);
    Form.HotItem = item >= 0 ? TColumnItem{Index, item} : TColumnItem{};
}

void TColumn::FileListDragDrop(QDropEvent *event, int x, int y)
{
    const bool fromColumn = event->source() && Form.ColumnOfList(qobject_cast<QWidget *>(event->source()));
    if (!fromColumn && event->mimeData() && event->mimeData()->hasUrls()) {
        // The other program keeps its files whatever is chosen: the menu does the work.
        event->setDropAction(Qt::CopyAction);
        event->accept();
        const int item = FileList->Empty ? -1 : FileList->ItemAt(x, y);
        if (item >= 0) FocusIndex(item);
        Form.ProcessDroppedFiles(event->mimeData(), this);
        return;
    }
    if (!fromColumn) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    DropFromColumn(x, y);
}

void TColumn::FileListEnter()
{
    if (Form.IsBusy() || !IsVisible()) return;
    Form.ActiveColumnIndex = Index;
}

void TColumn::DropFromColumn(int x, int y, bool fromOtherBoard)
{
    const int item = FileList->Empty ? -1 : FileList->ItemAt(x, y);
    if (item >= 0) FocusIndex(item);
    Form.LeftButtonDown = false;
    Form.HotItem = item >= 0 ? TColumnItem{Index, item} : TColumnItem{};
    Form.ActiveColumnIndex = Index;
    Form.FocusColumn(Index, false);
    if (fromOtherBoard) {
        const QPoint screen =
            FileList->mapToGlobal(QPoint(x + FileList->BorderWidth, y + FileList->BorderWidth));
        Form.DragDestinationIndex = item;
        Form.ShowInterBoardFileDragMenuAt(screen.x(), screen.y(), Form.DragShift);
        return;
    }
    FileListMouse(
        Form.DragButton, ShiftStateOf(Form.DragShift, Qt::NoButton, Form.DragDouble), x, y);
}

// ---- The decision and the operations ----------------------------------------------------------

void TColumn::FileListMouse(Qt::MouseButton button, TShiftState shift, int x, int y)
{
    TFunScope Fun(ThisUnit, "TColumn::FileListMouse");
    Fun.Run([&] {
        Form.LastMouseOperation.clear();
        if (Form.IsBusy()) return;
        const int sourceColumn = Form.DragSourcePosition;
        if (sourceColumn < 0 || sourceColumn >= Form.VisibleColumnCount) return;
        const TColumn &source = *Form.Columns[sourceColumn];
        int sourceItem = Form.DragSourceItem;
        if (!source.Item(sourceItem) || source.FileList->Empty) sourceItem = -1;
        const int item = FileList->Empty ? -1 : FileList->ItemAt(x, y);
        Form.DragDestinationIndex = item;
        const bool sameColumn = sourceColumn == Index;
        TPressSituation situation;
        if (sourceItem < 0)
            situation = sameColumn ? psEmptySameColumn : psEmptyOtherColumn;
        else if (sameColumn && item == sourceItem)
            situation = InTypeZone(item, x, y) ? psClickType : psClickName;
        else
            situation =
                source.InTypeZone(sourceItem, Form.DragDownPoint.x(), Form.DragDownPoint.y())
                    ? psDragType
                    : psDragName;
        // A single left click on a name only focuses it.
        if (situation == psClickName && button == Qt::LeftButton && !ShiftHas(shift, ssDouble))
            return;
        for (const TPressRow &row : PressRows) {
            if (row.Situation != situation) continue;
            const TOption option = button == Qt::LeftButton     ? row.Left
                                   : button == Qt::RightButton  ? row.Right
                                   : button == Qt::MiddleButton ? row.Middle
                                                                : nullptr;
            if (!option) return;
            Form.LastMouseOperation = ProgramOptions.*option;
            const QPoint screen =
                FileList->mapToGlobal(QPoint(x + FileList->BorderWidth, y + FileList->BorderWidth));
            ChooseMouseOperation(Form.LastMouseOperation, shift, screen.x(), screen.y());
            Fun.CalleeFailed();
            return;
        }
    });
}

void TColumn::ChooseMouseOperation(const std::string &operation, TShiftState shift, int x, int y)
{
    TFunScope Fun(ThisUnit, "TColumn::ChooseMouseOperation");
    Fun.Run([&] {
        const auto row =
            std::find_if(std::begin(OperationRows),
                         std::end(OperationRows),
                         [&](const TOperationRow &r) { return SameText(r.Name, operation); });
        if (row == std::end(OperationRows)) return;
        const Qt::KeyboardModifiers modifiers = ModifiersOf(shift);
        switch (row->Action) {
        case oaNothing:
            return;
        case oaMenu:
            Form.KeyModifiers = modifiers;
            Form.ClickMenuItem(row->Menu);
            Form.KeyModifiers = Qt::NoModifier;
            return;
        case oaRun:
            RunActiveItem(shift);
            return;
        case oaToggle:
            ToggleSelection(shift, false);
            return;
        case oaToggleUp:
            ToggleSelection(ShiftBit(ssCtrl), true);
            return;
        case oaToggleDown:
            ToggleSelection(ShiftBit(ssShift), true);
            return;
        case oaFileMenu:
            Form.ShowFileMenu(x, y, modifiers);
            return;
        case oaSystemMenu:
            Form.ShowContextMenu(Form.DragSourceItem, x, false, modifiers, y);
            return;
        case oaProperties:
            Form.ClickMenuItem(ShiftHas(shift, ssCtrl) ? "ReferencePropertiesMenu"
                                                       : "FilePropertiesMenu");
            return;
        case oaFileDragMenu:
            Form.ShowFileDragMenu(x, y, modifiers);
            return;
        case oaInterBoardMenu:
            Form.ShowInterBoardFileDragMenuAt(x, y, modifiers);
            return;
        case oaSystemDragMenu:
            Form.ShowContextMenu(Form.DragDestinationIndex, x, true, modifiers, y);
            return;
        }
    });
}

void TColumn::HeaderButtonMouseDown(QMouseEvent *event)
{
    if (Form.IsBusy()) return;
    const Qt::MouseButton button = event->button();
    const std::string *operation =
        button == Qt::LeftButton     ? &ProgramOptions.LMBColumnHeaderOperation
        : button == Qt::RightButton  ? &ProgramOptions.RMBColumnHeaderOperation
        : button == Qt::MiddleButton ? &ProgramOptions.MMBColumnHeaderOperation
                                     : nullptr;
    if (!operation) return;
    ChooseHeaderButtonMouseOperation(
        *operation, ShiftStateOf(event->modifiers()), event->position().toPoint().x());
}

void TColumn::ChooseHeaderButtonMouseOperation(const std::string &operation,
                                               TShiftState shift,
                                               int x)
{
    TFunScope Fun(ThisUnit, "TColumn::ChooseHeaderButtonMouseOperation");
    Fun.Run([&] {
        const auto row =
            std::find_if(std::begin(HeaderRows), std::end(HeaderRows), [&](const THeaderRow &r) {
                return SameText(r.Name, operation);
            });
        if (row == std::end(HeaderRows)) return;
        Form.LastMouseOperation = row->Name;
        Form.ActiveColumnIndex = Index;
        Form.FocusColumn(Index, false);
        switch (row->Action) {
        case haNothing:
            return;
        case haMenu:
            Form.ClickMenuItem(row->Menu);
            return;
        case haParent:
            EnterParentDirectory(shift);
            return;
        case haParentSystemMenu: {
            // The System menu of the column's directory, below the header at the mouse's x.
            Form.DragSourcePosition = Index;
            Form.DragSourceItem = -1;
            Form.DragFocusIndex = FileList->FocusIndex;
            Form.DragActiveTitle = ActiveTitle;
            const QPoint below = HeaderButton->mapToGlobal(QPoint(x, HeaderButton->height()));
            Form.ShowContextMenu(-1, below.x(), false, Qt::ShiftModifier, below.y());
            return;
        }
        }
    });
}

// ---- The key table ----------------------------------------------------------------------------

void TColumn::FileListKeyDown(QKeyEvent *event)
{
    TFunScope Fun(ThisUnit, "TColumn::FileListKeyDown");
    Fun.Run([&] {
        const int key = event->key();
        if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt) {
            event->accept();
            return;
        }
        const auto row = std::find_if(std::begin(KeyTable),
                                      std::end(KeyTable),
                                      [&](const TKeyRow &r) { return RowMatches(r, *event); });
        if (row == std::end(KeyTable)) return;
        const TShiftState shift = ShiftStateOf(event->modifiers());
        const TKeyCell *cell = CellOf(*row, shift);
        if (cell && cell->Action == kaPass) return;
        event->accept();
        // While the program is busy a key is taken and does nothing.
        if (!cell || Form.IsBusy()) return;
        Form.ActiveColumnIndex = Index;
        switch (cell->Action) {
        case kaNothing:
        case kaPass:
            return;
        case kaMenu:
            Form.KeyModifiers = ModifiersOf(shift);
            Form.ClickMenuItem(cell->Menu);
            Form.KeyModifiers = Qt::NoModifier;
            return;
        case kaParent:
            EnterParentDirectory(shift);
            return;
        case kaRun:
            RunActiveItem(shift);
            return;
        case kaPreviousColumn:
            FocusNeighbourColumn(-1);
            return;
        case kaNextColumn:
            FocusNeighbourColumn(1);
            return;
        case kaToggleThis:
            ToggleSelection(0, true);
            return;
        case kaToggleUp:
            ToggleSelection(ShiftBit(ssCtrl), false);
            return;
        case kaToggleDown:
            ToggleSelection(ShiftBit(ssShift), false);
            return;
        case kaBoard:
            Form.ShowBoardByShortcut(static_cast<char>('0' + DigitOf(*event)));
            return;
        case kaShowContainer: {
            const int container = (DigitOf(*event) + 9) % 10;
            if (ContainerIndex == container) return;
            LoadDirectory(true, container);
            Fun.CalleeFailed();
            return;
        }
        case kaCopyToContainer:
            Form.CopyToContainerMenuClick((DigitOf(*event) + 9) % 10);
            return;
        case kaSelectAll:
            SelectAllItems(1, false);
            return;
        case kaDeselectAll:
            SelectAllItems(0, false);
            return;
        case kaToggleAll:
            SelectAllItems(2, false);
            return;
        case kaSelectFiles:
            SelectAllItems(1, true);
            return;
        case kaDeselectFiles:
            SelectAllItems(0, true);
            return;
        case kaToggleFiles:
            SelectAllItems(2, true);
            return;
        }
    });
}

// ---- The selection model ----------------------------------------------------------------------

void TColumn::SelectItem(int index, bool select)
{
    TFileListData *item = FileList->Empty ? nullptr : Item(index);
    if (!item || item->Selected == select) return;
    item->Selected = select;
    SelectedCount += select ? 1 : -1;
    SelectedSize += select ? item->Size : -item->Size;
}

void TColumn::ToggleItem(int index)
{
    if (const TFileListData *item = FileList->Empty ? nullptr : Item(index))
        SelectItem(index, !item->Selected);
}

void TColumn::SelectAllItems(int mode, bool filesOnly)
{
    if (FileList->Empty) return;
    for (int i = 0; i < FileList->Count(); ++i) {
        if (filesOnly && Item(i)->Kind == ikDirectory) continue;
        if (mode == 2)
            ToggleItem(i);
        else
            SelectItem(i, mode == 1);
    }
    FileList->update();
}

void TColumn::ToggleSelection(TShiftState shift, bool move)
{
    if (FileList->Empty) return;
    const int focus = std::clamp(FileList->FocusIndex, 0, FileList->Count() - 1);
    const bool upward = ShiftIsOnly(shift, ssCtrl), downward = ShiftIsOnly(shift, ssShift);
    if (!upward && !downward) {
        ToggleItem(focus);
        if (move && focus + 1 < FileList->Count()) FocusIndex(focus + 1);
        FileList->update();
        return;
    }
    // A run from the focus: a selected focus deselects up to the first unselected item, an
    // unselected one selects up to the first selected item.
    const bool select = !Item(focus)->Selected;
    const int step = upward ? -1 : 1;
    for (int i = focus; i >= 0 && i < FileList->Count() && Item(i)->Selected != select; i += step)
        SelectItem(i, select);
    FileList->update();
}

// ---- Navigation -------------------------------------------------------------------------------

void TColumn::RunActiveItem(TShiftState shift)
{
    TFunScope Fun(ThisUnit, "TColumn::RunActiveItem");
    Fun.Run([&] {
        if (FileList->Empty) return;
        SetInactiveFocus();
        const std::string title = ActiveTitle;
        if (FocusKind == ikDirectory || IsDrivePath(title)) {
            EnterDirectory(shift, title);
            return;
        }
        bool isDirectory = false;
        const std::string reference = GetWhenReference(title, &isDirectory);
        if (Fun.CalleeFailed()) return;
        if (isDirectory) {
            // A desktop entry leads to its target; a symbolic link is entered by its own path.
            EnterDirectory(shift, IsLinkFile(title) ? reference : title);
            return;
        }
        RunFile(title, {}, ExtractDirectory(title), false, false);
        if (Fun.CalleeFailed()) return;
        FilesHistory.AddFile(title, true);
    });
    Fun.ShowIfFailed("Failed to run file.");
}

void TColumn::EnterDirectory(TShiftState shift, const std::string &path)
{
    Form.EnterDirectory(*this, ModifiersOf(shift), path);
    const int target = Form.ActiveColumnIndex;
    if (ShiftHas(shift, ssShift)) {
        // Autoopen to the right: each directory shown active opens in the next column.
        for (int i = target; i < Form.GroupEnd(target); ++i) {
            TColumn &column = *Form.Columns[i];
            if (column.FileList->Empty || column.FocusKind != ikDirectory) break;
            Form.EnterDirectory(column, Qt::NoModifier, column.ActiveTitle);
        }
    }
    Form.ActiveColumnIndex = target;
    Form.FocusColumn(target, false);
}

void TColumn::EnterParentDirectory(TShiftState shift)
{
    if (ExtractDirectory(ActiveTitle).empty()) return;
    Form.EnterParentDirectory(*this, ModifiersOf(shift));
    const int target = Form.ActiveColumnIndex;
    if (ShiftHas(shift, ssShift)) {
        // Autoopen to the left, up to a root.
        for (int i = target - 1; i >= Form.GroupStart(target); --i) {
            const std::string directory = ExtractDirectory(Form.Columns[i + 1]->ActiveTitle);
            if (directory.empty() || IsDrivePath(ExcludeTrailingBackslash(directory))) break;
            Form.EnterParentDirectory(*Form.Columns[i + 1], Qt::NoModifier);
        }
    }
    Form.ActiveColumnIndex = target;
    Form.FocusColumn(target, false);
}

void TColumn::FocusNeighbourColumn(int step)
{
    const int count = std::max(1, Form.VisibleColumnCount);
    const int next = ((Index + step) % count + count) % count;
    Form.ActiveColumnIndex = next;
    Form.FocusColumn(next, false);
}
