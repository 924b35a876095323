// The main window: toolbar, board buttons, the active board's columns, the side panels,
// the viewer panel, the information bars and the hint bar, with its start and close.
#pragma once

#include "Libraries/MemoryStorage.h"
#include "Libraries/StoredTextList.h"
#include "app/Boards.h"
#include "app/Column.h"
#include "app/Containers.h"
#include "app/MyControls.h"

#include <QElapsedTimer>
#include <QImage>
#include <QRect>
#include <QWidget>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QMimeData;
class QTimer;
class THistoryDialog;
class TWizardForm;

// The folder of the two options files, with a trailing delimiter: the one the settings store
// names ("OptionsPath") when it exists, else the options folder.
std::string OptionsFilesLocation();

// Widths of the fields of an information bar: the percentages of the bar's width, then the
// last field takes the rest.
std::vector<int> InfoBarFieldWidths(const std::vector<int> &percentages, int width);

// The text of the "Statistics" message.
std::string StatisticsText(int pictures, const std::string &size, int directories, int files);
// A memory amount of the caption: the size text with three significant digits.
std::string MemoryText(std::uint64_t bytes);

// A row of a menu table: the submenu it stands in ("" for the menu itself), its caption and
// its command; a row without a command is present and disabled.
class TMainForm;
struct TMenuRow
{
    const char *Submenu;
    const char *Caption;
    void (TMainForm::*Command)();
};

// What the File-drag menu's enabling pass knows of the source column S (its recorded item) and
// the destination column D (the active one, its focused item).
struct TFileDragFacts
{
    bool DifferentColumns = false;
    bool SourceHasItems = false;
    bool SourceIsDirectory = false, SourceIsLink = false, SourceHasSelection = false;
    bool SourceIsContainer = false, DestinationIsContainer = false;
    bool DestinationHasItems = false, DestinationIsDirectory = false, DestinationIsLink = false;
    bool DestinationIsLinkToDirectory = false, DestinationIsProgramOrLink = false;
    bool SameDirectory = false, SourceInDropTarget = false;
    bool SourceIsDrive = false, DriveInvolved = false;
    bool BothFixed = false, SameRoot = false;
    bool SourcePicture = false, DestinationPicture = false;
    // D's directory is the source or lies inside it.
    bool DestinationInsideSource = false;
    bool DestinationSortedByName = false;
    bool DestinationSupportsReparsePoints = false;
    bool DestinationSupportsStreams = false, DestinationHasStreams = false;
    bool CanConvertPictures = false;
    std::int64_t SourceSize = 0;
};
class TColumn;
// The effect of dragging column items out of the window for the modifier keys held.
Qt::DropAction ExternalDragAction(Qt::KeyboardModifiers modifiers);
// What other programs take from a drag of those titles: their addresses (text/uri-list), the
// file managers' copied-files list, and the titles as text.
QMimeData *ExternalDragData(const std::vector<std::string> &titles, Qt::DropAction action);
// The facts for source item sourceItem of s (its focused item when -1) and destination d.
TFileDragFacts FileDragFactsOf(const TColumn &s, int sourceItem, const TColumn &d);

// The enabled inter-board items of the File menu.
struct TInterBoardRules
{
    bool Show = false, SetWith = false, Copy = false, Convert = false, Move = false;
};

// The drag source record saved by "Mark source column".
struct TInterBoardRecord
{
    Qt::KeyboardModifiers Modifiers = Qt::NoModifier;
    int SourceItem = -1;
    std::string SourceTitle;
    bool Marked = false;
};

// A column item: board column index and item index; (-1, -1) for none.
struct TColumnItem
{
    int Column = -1;
    int Index = -1;
    bool operator==(const TColumnItem &) const = default;
};

class TMainForm : public QWidget
{
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // State.
    int VisibleColumnCount = 2;
    int ActiveColumnIndex = 0;
    std::unique_ptr<TColumn> Columns[12];
    int BusyCount = 1;
    bool Initialised = false;
    bool SkipNextResize = false;
    bool FirstActivation = true;
    std::string OptionsFilesDirectory;
    TBoards Boards;
    QElapsedTimer CaptionWatch;
    QElapsedTimer DirCheckWatch;
    QElapsedTimer LastActivationTime;
    QTimer *MainTimer;
    // The column item under the mouse as recorded by hot-tracking and item drawing.
    TColumnItem HotItem;
    // The item the hover window was last opened for, or must not open for again.
    TColumnItem HoverItem;
    // How long the mouse has rested on HotItem.
    TCrono ItemHoverWatch;
    // Item drawing has seen HotItem since it was last recorded.
    bool HotItemPainted = false;
    // Closes the hover window; null while the program has no hover window.
    std::function<void()> OnCloseFileHover;
    // The mouse position when the hover window was opened; the hover window plays media.
    QPoint HoverStartPoint;
    bool HoverPlaying = false;

    // The viewer panel's viewer and the hover window (MainDialogViewer.cpp): made once the
    // dialogs exist, freed before the window.
    void CreateViewers();
    void DestroyViewers();
    // The hover logic, on every main timer tick and the list's mouse events.
    void CheckItemHotTrack();
    void SetHotItem(int column, int index);
    void ClearHotItem();
    void CloseFileHover();
    void CheckHoverMove(int column, int index, int x, int y);
    bool IsMouseOverHotType(QRect &itemRect, QPoint &mouse, int &lineHeight, QPoint &listOrigin);
    bool HasThumbnail(const std::string &title) const;
    // The viewer commands of the "View & Edit" menu.
    void Com_ViewFile();
    void Com_ViewNext();
    void Com_ViewPrevious();
    void Com_ViewClipboardPicture();
    void Com_ViewMediaInDirectory();
    void Com_ViewThisMediaInDirectory();
    void Com_HideViewer();
    void Com_CloseViewer();
    // The drag source record: the source column's position, the modifiers, the source list's
    // focused index and its active title; and the destination item of the last operation.
    int DragSourcePosition = 0;
    Qt::KeyboardModifiers DragShift = Qt::NoModifier;
    int DragFocusIndex = 0;
    std::string DragActiveTitle;
    int DragDestinationIndex = -1;
    // The rest of the drag source record: the item under the press (-1 on empty space), the
    // button, Double, the press point in list coordinates; the column drag in progress; the
    // left-button-down flag; and the mouse operation decided last ("" for none).
    int DragSourceItem = -1;
    Qt::MouseButton DragButton = Qt::NoButton;
    bool DragDouble = false;
    QPoint DragDownPoint;
    bool DragActive = false;
    bool LeftButtonDown = false;
    std::string LastMouseOperation;
    // The next directory check reloads the changed columns.
    bool ReloadOnNextCheck = false;
    // The File menu was opened with Ctrl: "Thumbnail height" sets every board column.
    bool ThumbHeightForAll = false;
    // The modifiers of the key that clicks a menu item; none for a click of the mouse.
    Qt::KeyboardModifiers KeyModifiers = Qt::NoModifier;

    // Areas.
    MyTPanel *ClientPanel;
    MyTPanel *Toolbar;
    MyTPanel *WorkButton;
    MyTPanel *BoardsButton;
    MyTPanel *SkinsButton;
    MyTPanel *HelpButton;
    MyTPanel *UserLogo;
    MyTPanel *BoardButtonsBar;
    MyTPanel *WorkArea;
    MyTPanel *TreeNavigatorPanel;
    MyTPanel *TreeNavigatorTitle;
    MyTPanel *TreeNavigatorSplitter;
    MyTPanel *PlayListPanel;
    MyTPanel *PlayListTitle;
    MyTPanel *PlayListSplitter;
    MyTPanel *CentreArea;
    MyTPanel *ViewerPanel;
    MyTPanel *ViewerSplitter;
    MyTPanel *ViewerClient;
    MyTPanel *ColumnsArea;
    MyTPanel *InfoBarsArea;
    MyTPanel *InfoBars[4];
    std::vector<MyTPanel *> InfoFields[4];
    MyTPanel *HintBar;
    int TreeNavigatorWidth = 300;
    int PlayListWidth = 240;
    int ViewerHeight = 250;
    bool ViewerVisible = false;

    // Menus.
    QMenu *WorkPopupMenu;
    QMenu *HelpPopupMenu;
    QMenu *FileMenu;
    QMenu *VisibleColumnsMenu;
    QMenu *HistoryMenu;
    QDialog *AboutForm;
    TWizardForm *WizardForm;
    QLabel *AboutProgramLabel;
    QLabel *AboutVersionLabel;

    TColumn &SpareColumn() { return *Columns[10]; }
    TColumn &InterBoardSourceColumn() { return *Columns[11]; }
    TColumn &ActiveColumn() { return *Columns[ActiveColumnIndex]; }
    // The board column whose list is the given control, or null.
    TColumn *ColumnOfList(const QWidget *list) const;
    int GroupStart(int index) const;
    int GroupEnd(int index) const;

    void StartMainForm();
    // Loads the options text file, then the options data file (boards, histories), from
    // OptionsFilesDirectory; saves them in the same order.
    void LoadOptionsFiles();
    void SaveOptionsFiles();
    // Saves the options text file alone, without asking before it is replaced.
    void SaveOptionsText();
    // The session manager's request to save: both options files as at a close, in the folder
    // the options rule gives now; the window stays open. Nothing is saved before the start-up
    // has read the files.
    void SessionCommitData();
    // The options text file "Velmordian.ini" and the options data file "Velmordian.vdo".
    TStoredTextList StoredTexts;
    TFileStorage OptionsStorage;
    // The loaders and savers bound to the two files: the main window's settings, the program
    // options, the active board and the extension lists; the boards and the histories.
    void ReadOptionsText(TStoredTextList &list);
    void WriteOptionsText(TStoredTextList &list);
    // Errors: those of the storage's reads ("Data too long.", "Text too long.").
    void ReadOptionsData(TStreamStorage &storage, std::int32_t version);
    void WriteOptionsData(TStreamStorage &storage);
    // The options dialog; on "&Okay" the window is laid out again and the plug-ins reloaded.
    // Shown: "Failed to show options."
    void Com_Options();
    // The board buttons and the "Boards" toolbar button's menu; called once by the constructor.
    void SetupBoards();
    // Shows the board whose shortcut is the key (a digit typed in a column list); true when
    // a board has it.
    bool ShowBoardByShortcut(char key);
    // The board properties dialog for the active board.
    void Com_EditBoardProperties();
    // Lays out every area of the window. Shows "Invalid number of columns." when the number of
    // visible columns is outside 1..10.
    void Reset(bool clearLists);
    void ResetColumnsArea();
    void FocusColumn(int index, bool force);
    std::string CaptionText() const;
    void UpdateCaption();
    void BeginBusy();
    void EndBusy();
    bool IsBusy() const { return BusyCount > 0; }
    void SetViewerHeight(bool refit, int height);
    int MaximumViewerHeight() const;
    // Loads the active board's record into the board columns.
    void ShowBoard();
    void LoadVisibleColumns();
    // Handles a key before the controls see it; true when it was used.
    bool FormKeyDown(QKeyEvent *event);
    void FormCloseQuery();
    void MainTimerTimer();
    // The directory check of the visible directory columns: a column whose directory changed
    // gets the header mark; on a reload (also when ReloadOnNextCheck asks for one) the marked
    // columns are read again, each read shared with the columns showing the same directory.
    void CheckDirMonitor(bool reload);
    // Copies column source's list into the columns from first on that show its directory.
    void CheckRestDirMonitor(int source, int first);
    // Marks the visible directory columns showing the entry's directory, or lying inside the
    // entry, as changed.
    void MarkChangedEntry(const std::string &entry);
    void ApplicationEventsActivate();
    void ApplicationEventsDeactivate();

    // Clicks the menu item of that caption, as a key of the keyboard table does; false when
    // there is no such item or it is disabled.
    bool ClickMenuItem(const std::string &caption);
    // The menu item of that object name, else the first of that caption; null when none.
    QAction *MenuItem(const std::string &caption) const;
    void ShowFileMenuAtFocus();
    // The context-menu key: fills the drag source record from the active column, then shows
    // the File menu under its focused item.
    void ShowFileMenuAtFocus(Qt::KeyboardModifiers modifiers);
    // Enables exactly the File menu items that apply to the active column's active item (or
    // its selection), and sets the check marks that follow from it.
    // Shown: "Failed to prepare the File menu."
    void EnableFileMenuItems();
    // Prepares the File menu and opens it centred on (x, y); a negative x or y stands for the
    // middle of the active list or the bottom of its focused row. Shown: "Failed to show the
    // File menu."
    void ShowFileMenu(int x, int y, Qt::KeyboardModifiers modifiers);
    // The "System" menu of the drag source's item (with Ctrl of its reference, with Shift of
    // its parent directory), or of the active column's selection; nothing with Alt. The drag
    // form refuses a container destination. Shown: "Failed to show \"System\" menu.";
    // warning shown: "The destination can't be a container."
    void ShowContextMenu(int index, int x, bool drag, Qt::KeyboardModifiers modifiers, int y);
    // Shows the System menu for the title, or for the active column's selection, at (x, y)
    // outside the exclusion rectangle; "Rename" there clicks the program's own rename.
    void ShowSystemMenu(const std::string &caption,
                        const std::string &title,
                        QRect exclusion,
                        int y,
                        int x,
                        const std::string &directory);
    // Runs the active item: a directory (or a desktop entry's directory) is entered, anything
    // else is started. Shown: "Failed to run file."
    void RunActiveItem(Qt::KeyboardModifiers modifiers);
    // Enters the directory of the path in the column chosen from the column's group: Ctrl moves
    // the group's contents to the left, Alt keeps the column, else the next column.
    void EnterDirectory(TColumn &column, Qt::KeyboardModifiers modifiers, const std::string &path);
    // Enters the parent of the column's directory: Ctrl moves the group's contents to the right,
    // Alt keeps the column, else the previous column; nothing in the partitions list.
    void EnterParentDirectory(TColumn &column, Qt::KeyboardModifiers modifiers);
    // Shows the path in the active column, which stays in place unless Ctrl is held; with
    // addDelimiter the directory itself, else the path as a title. Shown: "Failed to load path."
    void GoToPath(const std::string &path, bool addDelimiter);

    // Commands of the menus.
    void Com_Hide();
    void Com_CloseProgram();
    void Com_ToggleHintBar();
    void Com_ToggleFileInfoBar();
    void Com_ToggleColumnInfoBar();
    void Com_ToggleBoardsBar();
    void Com_MaximizeColumnsHeight();
    void Com_ToggleMediaPlayList();
    void Com_MaximizeViewerHeight();
    void Com_ToggleHoverInfo();
    void Com_Statistics();

    // Paints the thumbnail of a file (from the picture cache, rendering it on a miss) into the
    // thumbnail rectangle and its one-line information into the other; control is the list
    // being painted, null for the hover preview.
    void PaintThumb(const std::string &fileName,
                    MyTPanel *control,
                    QRect thumbRect,
                    QRect infoRect,
                    QPainter &canvas,
                    std::int64_t writeTime,
                    std::int64_t fileSize);
    // The information line of the thumbnail painted last ("" when it had none).
    std::string ThumbInfo;
    // The user logo through the picture cache; nothing when there is no logo file.
    void UserLogoPaint(QPainter &canvas, const QRect &inside);
    // Rebuilds the background picture for the client size; a path becomes the skin's picture.
    void SetupBackPicture(const std::string &path);
    // Makes the picture the skin's background picture and shows it.
    void SetAsBackground(const std::string &path);
    // "Set as background": the active column's focused picture.
    void Com_SetAsBackground();
    // The background picture at the client size; null when none is shown.
    QImage BackPicture;
    void Com_Wizard();
    void Com_HelpMain();
    void Com_HelpKeyboardMouse();
    void Com_HelpOnline();
    void Com_About();
    void Com_SetVisibleColumns(int count);
    void Com_InsertColumnAtEnd();
    void Com_DeleteLastColumn();
    void Com_InsertColumnHere();
    void Com_DeleteThisColumn();
    void Com_RotateColumnsToRight();
    void Com_RotateColumnsToLeft();
    // Commands of the File menu on the active column and its active item.
    void Com_ToggleFixed();
    void Com_ToggleThumb();
    void Com_SetWidthAttribute(int value);
    void Com_SetSubcolumns(int value);
    void Com_SetThumbHeight(int value);
    // The sort mode of that index of the "Sort" submenu.
    void Com_SetSortMode(int index);
    void Com_ToggleContainerPaths();
    // Exchanges the active and the previous title and shows the new one's directory.
    // Shown: "Failed to load the previous directory."
    void Com_PreviousDirectory();
    // The root of the active title's partition; the partitions list with it focused.
    void Com_PartitionRoot();
    void Com_TerminalRoot();
    // Shown: "Failed to load the default directory."
    void Com_DefaultDirectory();
    // Enters the parent directory with the modifiers of the key. Shown: "Failed to load the
    // parent directory."
    void Com_ParentDirectory();
    // Reloads the active column, or every visible column, keeping the focus.
    void Com_LoadDirectory();
    void Com_LoadAllDirectories();
    // The System menu of the drag source record's item.
    void Com_SystemMenu();
    // Moves the selected items, or the active item, to the trash. Shown: "Failed to recycle
    // file."
    void Com_RecycleFile();
    void Com_DeleteFile();
    void Com_ClipFileTitles();
    void Com_NewDirectory();
    void Com_NewFile();
    void Com_EditStreams();
    void Com_EditStreamsAutoload();
    void Com_EditDescription();
    // The find-common-text dialog on the active column's selection.
    void Com_FindCommonText();
    void Com_SearchFile();
    // The search in the first (home) or second column of the "Search" board, shown first.
    // Shown: "Failed to search."
    void SearchFile(int column);
    void Com_SearchFileInHome();
    void Com_SearchFileInHome2();
    void Com_SearchHistory();
    // Gives the streams editor the skin's colours and the viewer's font and wrapping.
    void SetFileStreamsEditorOptions();
    // Shown: "Failed to show properties."
    void Com_FileProperties();
    void Com_ReferenceProperties();
    // Shown: "Failed to copy active name to clipboard." (path, title, reference likewise).
    void Com_ClipActiveName();
    void Com_ClipActivePath();
    void Com_ClipActiveTitle();
    void Com_ClipActiveReference();
    // Shown: "Failed to show dialog."
    void Com_OpenFileWith();
    // Shown: "Failed to print."
    void Com_PrintFile();
    // The "Associate extension" menu: the extension of the active item moves into one list of
    // its group (programs and documents; audio, video and text), or out of the group
    // ("Generic", "None"). A name without an extension changes nothing.
    void Com_AssociateProgram();
    void Com_AssociateDocument();
    void Com_AssociateGeneric();
    void Com_AssociateAudio();
    void Com_AssociateVideo();
    void Com_AssociateText();
    void Com_AssociateNoViewer();
    // Saves the options text file in the folder the options rule gives now and reloads every
    // visible column, so that the lists take effect.
    void Com_AssociateSaveUpdate();

    // The twenty containers and their commands (ColumnContainers.cpp).
    TContainerDialog Containers;
    void CopyToContainerMenuClick(int number);
    void Com_RenameContainer();
    void Com_GoToContainerItemTarget();
    void Com_ClearContainer();
    void Com_RemoveDuplicateContainerItems();
    void Com_RecycleContainerItem();
    void Com_AddClipboardToContainer();
    void FileDragMenu_InsertItemClick();
    void FileDragMenu_RelocateItemClick();

    // The File-drag menu (MainDialogFileDrag.cpp).
    QMenu *FileDragMenu = nullptr;
    std::map<std::string, QAction *> FileDragItems;
    TFileDragFacts DragFacts;
    TInterBoardRecord InterBoard;
    // The menu item being clicked comes from the window's key table.
    bool ClickFromKey = false;
    void CreateFileDragMenu();
    // The drag source record's column and item (its focused item when none was pressed).
    TColumn &DragSourceColumn();
    int DragSourceIndex();
    // Computes the facts for the drag source and the active column and enables exactly the
    // applicable items; rebuilds the "Send" and "Attach stream" submenus.
    // Shown: "Failed to prepare the File-drag menu."
    void EnableFileDragMenuItems(Qt::KeyboardModifiers modifiers);
    void SetupSendDragMenu();
    // Pops the menu up at (x, y); negative: below the active list's focused item.
    void ShowFileDragMenu(int x, int y, Qt::KeyboardModifiers modifiers);
    // Clicks a File-drag item by object name after the enabling pass; false when it is disabled.
    bool ClickFileDragItem(const std::string &name);
    // The common action of Copy, Move, Convert picture, Copy as link, Compare and their drop and
    // inter-board forms. Shown: "Failed to " + operation + "."
    void OnCopyMove(const std::string &operation, bool drop);
    // The copy-as dialog for the drag source into the active column's directory.
    void Com_CopyAs(bool lastNumbered, bool move);
    // The name after the last of the numbered series of D's focused item; empty when none.
    std::string LastNumberedName(const TColumn &d) const;
    // Reloads the columns showing either directory; the active column then focuses focusTitle.
    void ReloadAfterOperation(TColumn &source, const std::string &sourceDirectory,
                              const std::string &destinationDirectory, const std::string &focusTitle);
    void FileDragMenu_CopyClick();
    void FileDragMenu_MoveClick();
    void FileDragMenu_ConvertPictureClick();
    void FileDragMenu_DropCopyClick();
    void FileDragMenu_DropMoveClick();
    void FileDragMenu_DropConvertPictureClick();
    void FileDragMenu_CopyAsLinkClick();
    void FileDragMenu_CompareClick();
    void FileDragMenu_CopyAsClick();
    void FileDragMenu_MoveAsClick();
    void FileDragMenu_CopyAsLastNumberedClick();
    void FileDragMenu_MoveAsLastNumberedClick();
    void FileDragMenu_CopyAsHardLinkClick();
    void FileDragMenu_SearchDuplicatesClick();
    void FileDragMenu_DirectLocateClick();
    void FileDragMenu_SendToProgramClick();
    void FileDragMenu_SendRefToProgramClick();
    void FileDragMenu_SystemClick();
    void FileDragMenu_SetWithSourceColumnClick();
    void FileDragMenu_SwitchColumnsClick();
    void FileDragMenu_EnterThisDirClick();
    // The steganography dialog for the drag source and the active column: hiding the source in
    // the focused picture, or taking the file hidden in the source out into the directory.
    // Files dropped by another program: their titles in the spare column and the File-drop
    // menu for the column they were dropped on (null: the active column stays). Shown: "Failed
    // to setup the "File-drop" menu."
    void ProcessDroppedFiles(const QMimeData *dropped, TColumn *target);
    void CreateExternalFileDragMenu();
    // The drag source's selected titles (or its active title) handed to the program under the
    // pointer: copy, Shift for a move, Alt or Ctrl+Shift for a link.
    void ActivateExternalDrag();
    void SetupDropContainerMenu();
    void ExternalFileDragMenu_GoToFileClick();
    void ExternalFileDragMenu_CopyToThisContainerClick();
    void ExternalFileDragMenu_CopyClick();
    void ExternalFileDragMenu_MoveClick();
    void ExternalFileDragMenu_ConvertPictureClick();
    void ExternalFileDragMenu_CopyAsClick();
    void ExternalFileDragMenu_MoveAsClick();
    void ExternalFileDragMenu_SetAsBackgroundPictureClick();
    QMenu *ExternalFileDragMenu = nullptr;
    std::map<std::string, QAction *> ExternalFileDragItems;
    std::vector<std::string> DroppedFiles;
    void FileDragMenu_StegInClick();
    void FileDragMenu_StegOutClick();
    // The low bits of the active picture, opened as a picture. Shown: "Failed to view steg noise."
    void Com_ViewStegNoise();
    void Com_ActivateAutoStegOut();
    // Lets the streams editor show and save the text hidden in a ".png" picture.
    static void InstallAutoSteg();
    // The inter-board source: marking saves the drag source record (from the active column
    // when fromKey) and copies the active column into the inter-board source column.
    void MarkInterBoardSource(bool fromKey);
    void UseInterBoardSource();
    std::string InterBoardTitle() const;
    TInterBoardRules InterBoardRulesOf() const;
    void Com_MarkInterBoardSource();
    void Com_ShowInterBoardFileDragMenu();
    // The mouse operation: the File-drag menu with the inter-board source, when one is marked.
    void ShowInterBoardFileDragMenuAt(int x, int y, Qt::KeyboardModifiers modifiers);
    void Com_SetWithInterBoardSource();
    void Com_InterBoardCopy();
    void Com_InterBoardConvertPicture();
    void Com_InterBoardMove();

    // Opens the help page of a help context.
    static void OpenHelp(int context);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    // Files dropped on the window outside the column lists.
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void CreateAreas();
    void CreateMenus();
    void BuildMenu(QMenu *menu, const TMenuRow *rows, std::size_t count);
    // Builds the File menu from its table.
    void CreateFileMenu();
    // Sets the check marks of the File menu from the active column.
    void SetFileMenuChecks();
    // Enables the File menu item of that object name when the rule holds and it has a command.
    void EnableFileMenuItem(const char *name, bool rule);
    // The File menu item whose key label is the key, or null.
    QAction *FileMenuItemOfKey(const QKeyEvent *event) const;
    // The File menu's items by object name; the menu items (of every menu) that have a command.
    std::map<std::string, QAction *> FileMenuItems;
    std::set<const QAction *> WiredFileMenuItems;
    void ToggleOption(bool &option);
    void LayoutToolbar(int &nextTop);
    void LayoutInfoBars(int bottom, int &infoTop);
    void CreateProgramFolders();
    std::vector<QAction *> Actions;
    std::unique_ptr<THistoryDialog> PathsHistoryDialog;
};

// Keeps the main window busy while it lives, whichever way its scope is left.
class TBusyScope
{
public:
    explicit TBusyScope(TMainForm &form) : Form(form) { Form.BeginBusy(); }
    ~TBusyScope() { Form.EndBusy(); }
    TBusyScope(const TBusyScope &) = delete;
    TBusyScope &operator=(const TBusyScope &) = delete;

private:
    TMainForm &Form;
};

// The main window; null until the start-up creates it.
extern TMainForm *MainForm;

// The first file of the options folder named "UserLogo" with any extension (any case); empty
// when there is none.
std::string UserLogoFileName();
// A file size as thumbnails show it ("1.2 MB").
std::string ThumbSizeText(std::uint64_t size);
// Makes the columns paint their thumbnails through the main window.
void InstallThumbnailPainter();
