// A column of the main window: a header button naming the shown directory or container and
// a list of items under it, with its attributes, its focus record and its place in the board.
#pragma once

#include "Libraries/File.h"
#include "app/MyControls.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

class TMainForm;
struct TFileInfo;
class QDragMoveEvent;
class QDropEvent;
class QKeyEvent;
class QMenu;
class QMouseEvent;

// Item kinds of a column list.
enum TItemKind : std::int32_t
{
    ikDirectory = 0,
    ikLink = 2,
    ikProgram = 3,
    ikDocument = 4,
    ikGeneric = 5
};

// One item of a column list.
struct TFileListData : TPanelItem
{
    std::string Title;
    std::int32_t Kind = ikGeneric;
    bool Selected = false;
    bool Encrypted = false;
    std::int64_t Size = 0;
    std::int64_t Modified = 0;
    std::int64_t Created = 0;
    bool Exists = true;
    std::int32_t Rank = 0;

    // Items come from slabs of their own: a column of 100,000 entries makes no allocation
    // per item beyond its title.
    static void *operator new(std::size_t size);
    static void operator delete(void *pointer) noexcept;
};

// A title of a container with its rank.
struct TContainerTitle
{
    std::string Title;
    std::int32_t Rank = 0;
};

// Weight and subcolumns of one visible column, as the columns-area layout sees it.
struct TColumnWeight
{
    int WidthAttribute = 1;
    int Subcolumns = 1;
};
// Widths of the visible columns in an area of the given inside width; b is the lists' border.
std::vector<int> ColumnWidths(const std::vector<TColumnWeight> &columns, int areaWidth, int border);

// What the name line of an item shows: the type field text, the name text and its font style.
struct TItemLook
{
    // The type field holds a text (the extension, or the directory mark), else an ellipse.
    bool TypeTextShown = false;
    std::string TypeText;
    std::string NameText;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
};

// The look of an item in a column whose type field is typeFieldWidth pixels wide; empty: the
// list shows no items; fullTitle: the column shows a container with its paths; hot: the item is
// under the mouse and hot-tracked.
TItemLook ItemLook(
    const TFileListData &item, bool empty, int typeFieldWidth, bool fullTitle, bool hot);
// Width in pixels of the type field of a name line lineHeight pixels high; forHitTest adds the
// simulated zone that is never painted but gives the mouse a "file type" area.
int TypeFieldWidth(int lineHeight, bool forHitTest);

// Paints the thumbnail of a file into the picture rectangle of an item bitmap, with its caption
// in the caption rectangle; null until the program has a thumbnail painter.
using TThumbnailPainter = void (*)(const std::string &title,
                                   MyTPanel &list,
                                   const QRect &picture,
                                   const QRect &caption,
                                   QPainter &canvas,
                                   std::int64_t size,
                                   std::int64_t modified);
extern TThumbnailPainter PaintThumbnail;

class TColumn
{
public:
    TColumn(TMainForm &form, QWidget *columnsArea, int index);
    ~TColumn();
    TColumn(const TColumn &) = delete;
    TColumn &operator=(const TColumn &) = delete;

    MyTPanel *ColumnPanel;
    MyTPanel *HeaderButton;
    MyTPanel *FileList;

    bool Fixed = false;
    int WidthAttribute = 1;
    int Subcolumns = 1;
    int ThumbHeight = 3;
    bool Thumb = false;
    std::string SortMode = "Name";
    bool ShowContainerPaths = false;
    int ContainerIndex = -1;
    std::string ActiveTitle;
    int FocusKind = 0;
    int FocusRow = 0;
    std::int64_t FocusKey = 0;
    std::string PreviousTitle;
    std::string DefaultTitle;
    // The partition title of the directory listed last; empty after the partitions list.
    std::string LoadedPartition;
    TDirectoryMonitor DirMonitor;
    // Arms the monitor on the shown directory of a visible column; a hidden one or a container
    // watches nothing.
    void ArmDirMonitor();
    int Index;
    int DirectoryCount = 0, LinkCount = 0, ProgramCount = 0, DocumentCount = 0, GenericCount = 0,
        EncryptedCount = 0;
    int SelectedCount = 0;
    std::int64_t TotalSize = 0;
    std::int64_t SelectedSize = 0;
    int LastFocusIndex = 0;

    bool IsVisible() const;
    TFileListData *Item(int index) const;

    // Places and sizes the column; a column beyond the visible ones is hidden.
    void Reset(int left, int top, int height, int width);
    void UpdateItemHeight();
    void ResetColumnToDefaults(bool unfix);
    void ClearColumn();

    // Attribute commands on this column.
    void ToggleFixed();
    void SetWidthAttribute(int value);
    void SetSubcolumns(int value);
    void SetThumbHeight(int value, bool all);
    void ToggleThumb();
    void SetSortMode(const std::string &mode);
    void ToggleContainerPaths();

    // Shifts the columns right of this one and puts a new column here (Before) or after it.
    // Shows "Failed to insert column." on failure.
    void InsertColumn(bool before);
    // Deletes this column from its group. Shows "Failed to cut column." on failure.
    void CutColumn();
    // Rotate all ten board positions. Show "Failed to rotate column." on failure.
    static void Com_RotateColumnsToRight(TMainForm &form);
    static void Com_RotateColumnsToLeft(TMainForm &form);

    void SetWithColumnContent(TColumn &source, bool clearList, bool copyFocus, bool savePrevious,
                              bool refocus);
    void SetWithAllColumn(TColumn &source, bool copyFixed, bool refocus, bool clearList);

    // The one entry for (re)loading the column: container -2 keeps the shown one, -1 shows a
    // directory; a negative focus key or kind, the smallest row and an empty title change
    // nothing. An unreadable directory is left one level at a time.
    void LoadDirectory(bool rememberPrevious,
                       int container = -2,
                       std::int64_t focusKey = -1,
                       int focusRow = std::numeric_limits<int>::min(),
                       int focusKind = -1,
                       const std::string &title = {});
    // Whether the partition of ActiveTitle is mounted, and the partition title to fall back to
    // when it is not (the mount listed last when the title lies in it).
    bool PartitionOfTitleExists() const;
    std::string GonePartition() const;
    bool RecordedPartitionGone() const;
    // Lists the directory of the title, grouped and sorted.
    // Errors: "Failed to first find file." (pattern, errno), "Failed to find next file."
    void LoadWithFiles(const std::string &title, const std::string &sortMode);
    // Lists the partitions.
    void LoadWithPartitions();
    // Lists the titles in their order.
    void SetWithList(const std::vector<std::string> &titles, bool selectAll);
    void SetWithContainer(const std::vector<TContainerTitle> &items);
    // Focuses the item of the title (exactly, else where it would stand) at the focus row.
    void FocusByTitle(const std::string &title,
                      int focusKind,
                      bool scrollAlways,
                      bool searchNearest,
                      const std::string &sortMode,
                      std::int64_t focusKey,
                      int focusRow);
    // Records the focus of the column: ActiveTitle, the focus fields, the history.
    void SetInactiveFocus();
    void RecordFocus() { SetInactiveFocus(); }
    void FocusIndex(int index);
    // The selected titles (or names) in list order; ActiveTitle alone when none is selected.
    void SelectedTitles(std::vector<std::string> &target, bool namesOnly) const;
    int IndexOfName(const std::string &name) const;
    bool ListEqualsContainer(const std::vector<std::string> &titles) const;
    // The group rank of a kind under the separating options.
    static int KindRank(int kind);

    // Paints item index: in full, or only its name line when nameLineOnly is set or when
    // nameLineOnlyIfHot is set and the item is hot. Without a canvas the list repaints that part.
    // Error (under "TColumn::DrawAnItem"): "Unhandled exception: " + message, or
    // "Unhandled generic exception."
    void DrawAnItem(QPainter *canvas, int index, bool nameLineOnly, bool nameLineOnlyIfHot);
    // The type field width of this column's list (see TypeFieldWidth).
    int GetTypeFieldWidth(bool forHitTest) const;
    // Refreshes every information bar field from the column and its ActiveTitle; a failure in
    // one group of fields leaves the others filled.
    void ShowInfo();
    // Shows a description (line breaks flattened) in the description field.
    void SetDescriptionInfo(const std::string &text, bool isLinkTarget);
    // Records the focus, makes ActiveTitle the program working path and refreshes the bars.
    void SetActiveFocus();

    // Input of the list and the header button (ColumnInput.cpp). The modifier sets are shift
    // states without buttons; Double marks the second press of a double click.
    void FileListMouseDown(QMouseEvent *event);
    void FileListMouseUp(QMouseEvent *event, int x, int y);
    void FileListMouseMove(QMouseEvent *event, int x, int y);
    void FileListDragOver(QDragMoveEvent *event, int x, int y);
    void FileListDragDrop(QDropEvent *event, int x, int y);
    void FileListKeyDown(QKeyEvent *event);
    void FileListEnter();
    void HeaderButtonMouseDown(QMouseEvent *event);
    // The column drag of source ends over this list at (x, y) inside its border; fromOtherBoard:
    // a board hover showed this board during the drag, and the inter-board File-drag menu opens.
    void DropFromColumn(int x, int y, bool fromOtherBoard = false);
    // Decides the mouse operation of a finished press released at (x, y) inside this list.
    void FileListMouse(Qt::MouseButton button, std::uint8_t shift, int x, int y);
    // Performs a mouse operation; x and y are screen coordinates for a popup.
    void ChooseMouseOperation(const std::string &operation, std::uint8_t shift, int x, int y);
    void ChooseHeaderButtonMouseOperation(const std::string &operation, std::uint8_t shift, int x);
    // True when (x, y) inside the list lies in the type zone of item index.
    bool InTypeZone(int index, int x, int y) const;

    // The selection model: SelectedCount and SelectedSize follow every change.
    void SelectItem(int index, bool select);
    void ToggleItem(int index);
    // mode 0 deselects, 1 selects, 2 toggles; filesOnly leaves the directories.
    void SelectAllItems(int mode, bool filesOnly);
    // Toggles the focused item (none), the run upward (only Ctrl) or downward (only Shift);
    // move moves the focus one down after a single toggle.
    void ToggleSelection(std::uint8_t shift, bool move);

    // Navigation across the group: Ctrl automove, Shift autoopen, Alt autohold.
    void RunActiveItem(std::uint8_t shift);
    void EnterDirectory(std::uint8_t shift, const std::string &path);
    void EnterParentDirectory(std::uint8_t shift);
    void FocusNeighbourColumn(int step);

    // The file operation dialog with "Recycle", "Delete" or "Clip title of" on the selection or
    // the focused item; the columns showing the directory are reloaded afterwards.
    void OnDelete(const std::string &operation);
    // The new-file dialog in the column's directory (kind: 0 directory, 1 file); the new item
    // is focused.
    void Com_NewFile(int kind);
    // The streams editor on the focused item's reference: the streams listed (autoload: the
    // main stream loaded; description: the "Description" stream opened).
    void Com_EditStreams(bool autoload, bool description);
    // The find-common-text dialog on the column's selection. Shown: "Failed to find common
    // text."
    void Com_FindCommonText();
    // The search dialog for this column (the duplicates of a reference file, or the navigation
    // history); its result enters or focuses the chosen item here, fills a container or selects
    // the found files. Shown: "Failed to search."
    void Com_Search(const std::string &duplicateReference = {}, bool history = false);
    // The "Attach stream" submenu: this column's focused file's streams (at most 30).
    void SetupAttachStream(QMenu *menu);
    void AttachStreamMenuClick(const std::string &stream);
    // Containers (ColumnContainers.cpp). The column's container; only while ContainerIndex >= 0.
    class TContainer &Container();
    // The list holds exactly the container's titles in its order.
    bool IsSynchronized();
    // Loads the container (number -1: the column's own) and brings the other columns showing
    // it in step.
    void ReloadContainer(int number);
    void UpdateRestOfContainers(int number);
    // Reloads the first visible column showing the container, and with it the others.
    static void ReloadAllShowing(TMainForm &form, int number);
    // Shows container number (-1: the directory again) and focuses the column.
    void ShowContainer(int number);
    static void CopyToContainer(TColumn &d, TColumn &s, bool deselect, bool moveWording);
    static void InsertContainerItem(TColumn &d, TColumn &s, int index);
    static void RelocateContainerItem(TColumn &d, TColumn &s, int index);
    void RecycleFromContainer(bool withoutConfirmation, bool all);
    void RemoveDuplicateContainerItems();
    void AddClipboardToContainer();
    void AddListToContainer(const std::vector<std::string> &titles, bool ask);
    void GoToContainerItemTarget();
    // Points the container's items of oldTitle at newTitle (a file that was moved).
    void FollowMovedItem(const std::string &oldTitle, const std::string &newTitle);
    // Reloads every visible directory column showing the directory, keeping its focus.
    static void ReloadColumnsOfDirectory(TMainForm &form, const std::string &directory);

    std::string HeaderCaption() const;
    void UpdateHeaderHint();
    void UpdateHeader();

private:
    TMainForm &Form;
    void ScrollFocusToRow();
    // Paints item index into the bitmap of its size.
    void PaintItemBitmap(QPainter &painter, int index, bool hot, bool partial, int lineHeight);
    // The groups of fields of ShowInfo; title is the file ActiveTitle stands for.
    void ShowColumnCountsInfo();
    void ShowPartitionInfo();
    void ShowFileInfo(const std::string &title, const TFileInfo &info, bool fileError);
    void ShowReferenceInfo(const std::string &title, bool fileError, bool withoutDescription);
};

// Sets d with s's content (used by "Set with source column").
void CopyColumn(TColumn &destination, TColumn &source);
