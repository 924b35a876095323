// The File menu: its table, the enabling pass, its showing and its commands, and the "System"
// menu of the active item.
#include "app/MainDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/FileLink.h"
#include "Libraries/History.h"
#include "Libraries/HistoryDialog.h"
#include "Libraries/ShiftStateUi.h"
#include "Libraries/UtilitiesUi.h"
#include "app/FileStreamsDialog.h"
#include "app/OptionsDialog.h"
#include "app/SkinDialog.h"
#include "app/SystemMenu.h"

#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>

#include <algorithm>
#include <limits>

namespace {

constexpr const char *ThisUnit = "MainDialog";

enum TFileRowKind
{
    rkItem,
    rkSubmenu,
    rkFilled, // a submenu whose items are made each time it opens
    rkTitle   // the bold first item of its submenu, without a command
};

// A row of the File menu: its depth (0 for the menu itself, else inside the last submenu one
// level up), object name, caption, key label and command.
struct TFileMenuRow
{
    int Depth;
    const char *Name;
    const char *Caption;
    const char *Keys;
    TFileRowKind Kind;
    void (TMainForm::*Command)();
};

using F = TMainForm;

// clang-format off
const TFileMenuRow FileMenuRows[] = {
    {0, "AttributesMenu", "Attributes", "", rkSubmenu, nullptr},
    {1, "FixedAttrMenu", "Fixed", "F10", rkItem, &F::Com_ToggleFixed},
    {1, "ThumbAttrMenu", "Thumbnails", "Ctrl+F10", rkItem, &F::Com_ToggleThumb},
    {1, "WidthAttrMenu", "Width", "", rkSubmenu, nullptr},
    {1, "SubcolumnsAttrMenu", "Subcolumns", "", rkSubmenu, nullptr},
    {1, "ThumbHeightMenu", "Thumbnail height", "", rkSubmenu, nullptr},
    {2, "ThumbHeightTitleMenu", "This", "", rkTitle, nullptr},
    {1, "SortModeMenu", "Sort", "", rkSubmenu, nullptr},
    {1, "RenameContainerMenu", "Rename container", "", rkItem, &F::Com_RenameContainer},
    {1, "ShowPathsInContainerMenu", "Paths in container", "Shift+F10", rkItem,
     &F::Com_ToggleContainerPaths},
    {1, "SpecialPathsMenu", "Special paths", "", rkSubmenu, nullptr},
    {1, "EditBoardPropertiesMenu", "Edit board properties", "B", rkItem,
     &F::Com_EditBoardProperties},
    {0, "NavigateMenu", "Navigate", "", rkSubmenu, nullptr},
    {1, "ProgramLocationsMenu", "Program locations", "", rkSubmenu, nullptr},
    {1, "LocationsMenu", "Locations", "", rkSubmenu, nullptr},
    {1, "HistoryMenu", "History", "", rkFilled, nullptr},
    {1, "TreeNavigatorMenu", "Tree navigator dialog", "I", rkItem, nullptr},
    {1, "NavigateToDirectoryMenu", "Navigate to directory", "Ctrl+I", rkItem, nullptr},
    {1, "PreviousDirectoryMenu", "Previous directory", "\\", rkItem, &F::Com_PreviousDirectory},
    {1, "SysLocMenu_PartitionRoot", "Partition root", "Ctrl+\\", rkItem, &F::Com_PartitionRoot},
    {1, "SysLocMenu_TerminalRoot", "Terminal root", "Shift+\\", rkItem, &F::Com_TerminalRoot},
    {1, "DefaultDirectoryMenu", "Default directory", "Num+/", rkItem, &F::Com_DefaultDirectory},
    {1, "ParentDirectoryMenu", "Parent directory", "Backspace", rkItem, &F::Com_ParentDirectory},
    {1, "LoadDirectoryMenu", "Load directory", "L", rkItem, &F::Com_LoadDirectory},
    {1, "LoadAllDirectoriesMenu", "Load all directories", "Ctrl+L", rkItem,
     &F::Com_LoadAllDirectories},
    {1, "SetAsActiveFileMenu", "Set as active file", "Shift+L", rkItem, nullptr},
    {0, "PartitionsMenu", "Partitions", "", rkSubmenu, nullptr},
    {0, "SystemLocationsMenu", "System locations", "", rkSubmenu, nullptr},
    {0, "VisibleColumnsMenu", "Visible columns", "", rkSubmenu, nullptr},
    {0, "GroupOfColumnsMenu", "Group of columns", "", rkSubmenu, nullptr},
    {1, "InsertColumnAtEndMenu", "Insert column at end", "Ctrl+Right", rkItem,
     &F::Com_InsertColumnAtEnd},
    {1, "DeleteLastColumnMenu", "Delete last column", "Ctrl+Left", rkItem,
     &F::Com_DeleteLastColumn},
    {1, "InsertColumnHereMenu", "Insert column here", "Shift+Right", rkItem,
     &F::Com_InsertColumnHere},
    {1, "DeleteThisColumnMenu", "Delete this column", "Shift+Left", rkItem,
     &F::Com_DeleteThisColumn},
    {1, "RotateColumnsToRightMenu", "Rotate columns to right", "Alt+Right", rkItem,
     &F::Com_RotateColumnsToRight},
    {1, "RotateColumnsToLeftMenu", "Rotate columns to left", "Alt+Left", rkItem,
     &F::Com_RotateColumnsToLeft},
    {0, "FileMenu_DropToDir", "Drop to directory", "", rkSubmenu, nullptr},
    {1, "FileMenu_CopyToDir", "Copy *", "", rkSubmenu, nullptr},
    {1, "FileMenu_MoveToDir", "Move *", "", rkSubmenu, nullptr},
    {1, "FileMenu_ConvertPictureToDir", "Convert picture *", "", rkSubmenu, nullptr},
    {0, "SendFileMenu", "Send", "", rkSubmenu, nullptr},
    {0, "FileSystemMenuMenu", "System menu", "", rkItem, &F::Com_SystemMenu},
    {0, "InterBoardMenu", "Inter-board", "", rkSubmenu, nullptr},
    {1, "IBTitleMenu", "No marked column", "", rkTitle, nullptr},
    {1, "MarkIBSourceColumnMenu", "Mark source column", "", rkItem, &F::Com_MarkInterBoardSource},
    {1, "ShowIBFileDragMenu", "Show File-drag menu", "", rkItem, &F::Com_ShowInterBoardFileDragMenu},
    {1, "SetWithIBSourceColumnMenu", "Set with source column", "", rkItem, &F::Com_SetWithInterBoardSource},
    {1, "IBCopyFileMenu", "Copy *", "", rkItem, &F::Com_InterBoardCopy},
    {1, "IBConvertPictureMenu", "Convert picture *", "", rkItem, &F::Com_InterBoardConvertPicture},
    {1, "IBMoveFileMenu", "Move *", "", rkItem, &F::Com_InterBoardMove},
    {0, "OftenMenu", "Often", "", rkSubmenu, nullptr},
    {1, "RecycleFileMenu", "Recycle file *", "F11", rkItem, &F::Com_RecycleFile},
    {1, "DeleteFileMenu", "Delete file *", "F12", rkItem, &F::Com_DeleteFile},
    {1, "NewDirectoryMenu", "New directory", "D", rkItem, &F::Com_NewDirectory},
    {1, "NewFileMenu", "New file", "F", rkItem, &F::Com_NewFile},
    {1, "RenameFileMenu", "Rename file", "N", rkItem, nullptr},
    {1, "MultiRenameFileMenu", "Multi-rename file *", "Ctrl+N", rkItem, nullptr},
    {1, "FilePropertiesMenu", "Properties", "P", rkItem, &F::Com_FileProperties},
    {1, "ReferencePropertiesMenu", "Reference properties", "Ctrl+P", rkItem,
     &F::Com_ReferenceProperties},
    {0, "MiscellaneousMenu", "Miscellaneous", "", rkSubmenu, nullptr},
    {1, "AssociateExtensionMenu", "Associate extension", "", rkSubmenu, nullptr},
    {2, "AssociateExtensionMenu_Program", "Program", "", rkItem, &F::Com_AssociateProgram},
    {2, "AssociateExtensionMenu_Document", "Document", "X", rkItem, &F::Com_AssociateDocument},
    {2, "AssociateExtensionMenu_Generic", "Generic", "Ctrl+X", rkItem, &F::Com_AssociateGeneric},
    {2, "AssociateExtensionMenu_Audio", "Audio", "", rkItem, &F::Com_AssociateAudio},
    {2, "AssociateExtensionMenu_Video", "Video", "", rkItem, &F::Com_AssociateVideo},
    {2, "AssociateExtensionMenu_Text", "Text", "", rkItem, &F::Com_AssociateText},
    {2, "AssociateExtensionMenu_NoViewer", "None", "", rkItem, &F::Com_AssociateNoViewer},
    {2, "AssociateExtensionMenu_SaveUpdate", "Save and update", "Shift+X", rkItem,
     &F::Com_AssociateSaveUpdate},
    {1, "LinkAsMenu", "Link as item in", "", rkSubmenu, nullptr},
    {1, "ClipActiveFileMenu", "Clip active file", "", rkSubmenu, nullptr},
    {2, "ClipActiveNameMenu", "Name", "F2", rkItem, &F::Com_ClipActiveName},
    {2, "ClipActivePathMenu", "Path", "Ctrl+F2", rkItem, &F::Com_ClipActivePath},
    {2, "ClipActiveTitleMenu", "Title", "Shift+F2", rkItem, &F::Com_ClipActiveTitle},
    {2, "ClipActiveReferenceMenu", "Reference", "Alt+F2", rkItem, &F::Com_ClipActiveReference},
    {1, "ClipFileTitlesMenu", "Clip titles *", "C", rkItem, &F::Com_ClipFileTitles},
    {1, "GoToReferenceMenu", "Go to reference", "G", rkItem, nullptr},
    {1, "OpenFileWithMenu", "Open with", "Q", rkItem, &F::Com_OpenFileWith},
    {1, "PrintFileMenu", "Print", "", rkItem, &F::Com_PrintFile},
    {1, "ManualRunMenu", "Manual run", "R", rkItem, nullptr},
    {1, "SetAsBackgroundPicture", "Set as background", "W", rkItem, &F::Com_SetAsBackground},
    {1, "SetAsWallpaperMenu", "Set as wallpaper", "Ctrl+W", rkItem, nullptr},
    {1, "PasteClipboardPictureMenu", "Paste picture", "U", rkItem, nullptr},
    {1, "HashFileMenu", "Hash file", "", rkItem, nullptr},
    {0, "ViewMenu", "View & Edit", "", rkSubmenu, nullptr},
    {1, "ViewNextMenu", "View next", "F3", rkItem, &F::Com_ViewNext},
    {1, "ViewPreviousMenu", "View previous", "F4", rkItem, &F::Com_ViewPrevious},
    {1, "ViewFileMenu", "View", "F5", rkItem, &F::Com_ViewFile},
    {1, "ViewClipboardPictureMenu", "View clipboard picture", "Ctrl+F5", rkItem, &F::Com_ViewClipboardPicture},
    {1, "ViewStegNoiseMenu", "View steg noise", "Shift+F5", rkItem, &F::Com_ViewStegNoise},
    {1, "ViewMediaInDirMenu", "View media in directory", "F6", rkItem, &F::Com_ViewMediaInDirectory},
    {1, "ViewThisMediaInDirMenu", "View this media in directory", "Ctrl+F6", rkItem, &F::Com_ViewThisMediaInDirectory},
    {1, "EditFileMenu", "Edit", "E", rkItem, nullptr},
    {1, "EditFileStreamsMenu", "Edit streams", "A", rkItem, &F::Com_EditStreams},
    {1, "EditFileStreamsAutoloadMenu", "Edit streams (autoload)", "Ctrl+A", rkItem, &F::Com_EditStreamsAutoload},
    {1, "EditFileDescriptionMenu", "Edit description", "Shift+A", rkItem, &F::Com_EditDescription},
    {1, "ActivateAutoStegOutMenu", "Activate auto steg-out", "", rkItem, &F::Com_ActivateAutoStegOut},
    {0, "SearchMenu", "Search", "", rkSubmenu, nullptr},
    {1, "LocateFileMenu", "Locate file", "T", rkItem, nullptr},
    {1, "LocateNextFileMenu", "Locate next file", "Ctrl+T", rkItem, nullptr},
    {1, "LocatePreviousFileMenu", "Locate previous file", "Shift+T", rkItem, nullptr},
    {1, "LocateFirstNumberedMenu", "Locate first numbered", "Ctrl+Alt+T", rkItem, nullptr},
    {1, "LocateLastNumberedMenu", "Locate last numbered", "Alt+T", rkItem, nullptr},
    {1, "SearchHistoryMenu", "Search history", "H", rkItem, &F::Com_SearchHistory},
    {1, "SearchFileMenu", "Search file *", "S", rkItem, &F::Com_SearchFile},
    {1, "SearchFileInHomeMenu", "Search file in home *", "Ctrl+S", rkItem, &F::Com_SearchFileInHome},
    {1, "SearchFileInHome2Menu", "Search file in home 2 *", "Shift+S", rkItem, &F::Com_SearchFileInHome2},
    {1, "FindCommonTextMenu", "Find common text *", "Alt+S", rkItem, &F::Com_FindCommonText},
    {0, "SelectMenu", "Select", "", rkSubmenu, nullptr},
    {0, "ContainerModeMenu", "Show container", "", rkFilled, nullptr},
    {0, "CopyToContainerMenu", "Copy to container *", "", rkFilled, nullptr},
    {0, "ContainerOperationsMenu", "Container operations", "", rkSubmenu, nullptr},
    {1, "GoToContainerItemTargetMenu", "Go to file", "Ctrl+G", rkItem, &F::Com_GoToContainerItemTarget},
    {1, "ClearContainerMenu", "Clear", "", rkItem, &F::Com_ClearContainer},
    {1, "RemoveDuplicateContainerItemsMenu", "Remove duplicates", "", rkItem, &F::Com_RemoveDuplicateContainerItems},
    {1, "RecycleContainerItemMenu", "Recycle item *", "Delete", rkItem, &F::Com_RecycleContainerItem},
    {1, "RenameContainerItemMenu", "Rename item", "M", rkItem, nullptr},
    {1, "MultiRenameItemMenu", "Multi-rename item *", "Ctrl+M", rkItem, nullptr},
    {1, "AddClipboardToContainerMenu", "Add from clipboard *", "", rkItem, &F::Com_AddClipboardToContainer},
};
// clang-format on

const char *const SortModes[] = {"Name",
                                 "Modified, new-old",
                                 "Modified, old-new",
                                 "Created, new-old",
                                 "Created, old-new",
                                 "Size, big-small",
                                 "Size, small-big"};

// The items of a submenu of values, First to Last, each calling the command with its value.
struct TValueItems
{
    const char *Menu;
    int First;
    int Last;
    const char *const *Captions; // the captions by value, or null for the numbers ("Fill" for 0)
    void (TMainForm::*Command)(int value);
};

const TValueItems ValueItems[] = {
    {"WidthAttrMenu", 1, 10, nullptr, &F::Com_SetWidthAttribute},
    {"SubcolumnsAttrMenu", 1, 10, nullptr, &F::Com_SetSubcolumns},
    {"ThumbHeightMenu", 0, 25, nullptr, &F::Com_SetThumbHeight},
    {"ThumbHeightMenu", 30, 30, nullptr, &F::Com_SetThumbHeight},
    {"SortModeMenu", 0, 6, SortModes, &F::Com_SetSortMode},
    {"VisibleColumnsMenu", 1, 10, nullptr, &F::Com_SetVisibleColumns},
};

const struct
{
    const char *Name;
    const char *Hint;
} FileMenuHints[] = {
    {"FileSystemMenuMenu",
     "Show the \"System\" menu. You can also display this menu using the \"Mouse\" menu, or with a "
     "right-click on the file type field."},
    {"DefaultDirectoryMenu",
     "Go to the default directory (the directory which this column had when the program "
     "started). If you rotate the columns (or insert / delete columns), the default directory "
     "doesn't move with the columns."},
};

// Items whose key works whatever modifiers are held with it.
const char *const KeysWithAnyModifiers[] = {"ParentDirectoryMenu",
                                            "ClipFileTitlesMenu",
                                            "NewFileMenu",
                                            "PasteClipboardPictureMenu",
                                            "ViewNextMenu",
                                            "ViewPreviousMenu",
                                            "RecycleFileMenu",
                                            "DeleteFileMenu",
                                            "RecycleContainerItemMenu"};

// What the enabling rules know about the active column.
struct TFileMenuFacts
{
    bool Empty = true;
    bool Many = false;
    bool Partition = false;
    int Kind = ikGeneric;
    bool Container = false;
    bool Selected = false;
    bool Selected2 = false;
    bool SortByName = false;
    std::string Ext;
};

TFileMenuFacts FileMenuFactsOf(const TColumn &column)
{
    TFileMenuFacts facts;
    facts.Empty = column.FileList->Empty || column.FileList->Count() == 0;
    facts.Many = !facts.Empty && column.FileList->Count() > 1;
    facts.Partition = IsDrivePath(column.ActiveTitle);
    facts.Kind = column.FocusKind;
    facts.Container = column.ContainerIndex >= 0;
    facts.Selected = !facts.Empty && column.SelectedCount > 0;
    facts.Selected2 = !facts.Empty && column.SelectedCount >= 2;
    facts.SortByName = column.SortMode == "Name";
    facts.Ext = ExtractExtension(column.ActiveTitle);
    return facts;
}

// The rules of the enabling pass, each computed once from the facts.
struct TFileMenuRules
{
    bool Item;              // the list has items
    bool File;              // ... and the active item is not a partition
    bool FileSelected;      // ... and there is a selection
    bool NotDirectory;      // ... and the active item is no directory
    bool Picture;           // ... and it has a picture extension
    bool Associable;        // a file item that is a program, a document or a generic file
    bool NotProgram;        // the active item is no program
    bool Link;              // an item that is a link
    bool LinkFile;          // ... and not a partition
    bool CommonText;        // at least two selected, no partition, no directory
    bool Many;              // more than one item
    bool ManyByName;        // ... sorted by name
    bool NewHere;           // a directory is shown, not the partitions or a container
    bool Container;         // a container is shown
    bool ContainerItem;     // ... and it has items
    bool ContainerSelected; // ... and there is a selection
    bool NotContainer;
};

TFileMenuRules FileMenuRulesOf(const TFileMenuFacts &f)
{
    TFileMenuRules r{};
    r.Item = !f.Empty;
    r.File = r.Item && !f.Partition;
    r.FileSelected = r.File && f.Selected;
    r.NotDirectory = r.File && f.Kind != ikDirectory;
    r.Picture = r.NotDirectory && PictureFileExtensions.Has(f.Ext);
    r.Associable = r.File && (f.Kind == ikProgram || f.Kind == ikDocument || f.Kind == ikGeneric);
    r.NotProgram = f.Kind != ikProgram;
    r.Link = r.Item && f.Kind == ikLink;
    r.LinkFile = r.Link && !f.Partition;
    r.CommonText = f.Selected2 && !f.Partition && f.Kind != ikDirectory;
    r.Many = f.Many;
    r.ManyByName = f.Many && f.SortByName;
    r.NewHere = !f.Partition && !f.Container;
    r.Container = f.Container;
    r.ContainerItem = f.Container && r.Item;
    r.ContainerSelected = r.ContainerItem && f.Selected;
    r.NotContainer = !f.Container;
    return r;
}

using R = TFileMenuRules;

// The items the enabling pass names, each with its rule; every other item is always enabled.
// An item without a command stays disabled whatever its rule.
const struct
{
    const char *Name;
    bool TFileMenuRules::*Rule;
} EnablingRows[] = {
    {"SendFileMenu", &R::Item},
    {"SearchFileMenu", &R::Item},
    {"SelectMenu", &R::Item},
    {"ClipFileTitlesMenu", &R::Item},
    {"FilePropertiesMenu", &R::Item},
    {"CopyToContainerMenu", &R::Item},
    {"FileSystemMenuMenu", &R::Item},
    {"RecycleFileMenu", &R::File},
    {"DeleteFileMenu", &R::File},
    {"RenameFileMenu", &R::File},
    {"EditFileMenu", &R::File},
    {"LinkAsMenu", &R::File},
    {"RecycleContainerItemMenu", &R::File},
    {"FileMenu_CopyToDir", &R::File},
    {"FileMenu_ConvertPictureToDir", &R::File},
    {"FileMenu_MoveToDir", &R::File},
    {"ViewNextMenu", &R::File},
    {"ViewPreviousMenu", &R::File},
    {"ViewFileMenu", &R::File},
    {"ViewMediaInDirMenu", &R::File},
    {"MultiRenameFileMenu", &R::FileSelected},
    {"PrintFileMenu", &R::NotDirectory},
    {"EditFileStreamsMenu", &R::NotDirectory},
    {"EditFileStreamsAutoloadMenu", &R::NotDirectory},
    {"EditFileDescriptionMenu", &R::NotDirectory},
    {"OpenFileWithMenu", &R::NotDirectory},
    {"SetAsWallpaperMenu", &R::Picture},
    {"SetAsBackgroundPicture", &R::Picture},
    {"ViewStegNoiseMenu", &R::Picture},
    {"AssociateExtensionMenu", &R::Associable},
    {"AssociateExtensionMenu_Audio", &R::NotProgram},
    {"AssociateExtensionMenu_Video", &R::NotProgram},
    {"ClipActiveReferenceMenu", &R::Link},
    {"GoToReferenceMenu", &R::LinkFile},
    {"ReferencePropertiesMenu", &R::LinkFile},
    {"FindCommonTextMenu", &R::CommonText},
    {"LocateFileMenu", &R::Many},
    {"LocateNextFileMenu", &R::Many},
    {"LocatePreviousFileMenu", &R::Many},
    {"LocateFirstNumberedMenu", &R::ManyByName},
    {"LocateLastNumberedMenu", &R::ManyByName},
    {"NewDirectoryMenu", &R::NewHere},
    {"NewFileMenu", &R::NewHere},
    {"RenameContainerMenu", &R::Container},
    {"ShowPathsInContainerMenu", &R::Container},
    {"AddClipboardToContainerMenu", &R::Container},
    {"ClearContainerMenu", &R::ContainerItem},
    {"RemoveDuplicateContainerItemsMenu", &R::ContainerItem},
    {"RenameContainerItemMenu", &R::ContainerItem},
    {"GoToContainerItemTargetMenu", &R::ContainerItem},
    {"MultiRenameItemMenu", &R::ContainerSelected},
    {"PasteClipboardPictureMenu", &R::NotContainer},
    {"SortModeMenu", &R::NotContainer},
};

// The title an item command works on: the active title, or the column's directory when the
// list has no items.
std::string ItemTitleOf(const TColumn &column)
{
    if (!column.FileList->Empty) return column.ActiveTitle;
    const std::string directory = ExtractDirectory(column.ActiveTitle);
    return directory.empty() ? column.ActiveTitle : directory;
}

// A partition title stands for its mount point with a trailing delimiter.
std::string FileOfTitle(const std::string &title)
{
    return IsDrivePath(title) ? IncludeTrailingBackslash(title.substr(1)) : title;
}

// A desktop entry's or symbolic link's target, else the title itself; a link that cannot be
// read stands for itself.
std::string ReferenceOf(const std::string &title)
{
    const std::string reference = GetWhenReference(title);
    FunStatContext.Reset(fsPerfect);
    return reference;
}

// The key as the File menu's key labels spell it: keypad keys keep "Num" only where the
// keyboard has the same key twice, and Shift+\ arrives as "|" on most layouts.
QKeyCombination KeyOfEvent(const QKeyEvent *event)
{
    Qt::KeyboardModifiers held =
        event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    int key = event->key();
    const bool twice = key == Qt::Key_Slash || key == Qt::Key_Asterisk || key == Qt::Key_Plus ||
                       key == Qt::Key_Minus;
    if (twice && (event->modifiers() & Qt::KeypadModifier)) held |= Qt::KeypadModifier;
    if (key == Qt::Key_Bar && (held & Qt::ShiftModifier)) key = Qt::Key_Backslash;
    return QKeyCombination(held, static_cast<Qt::Key>(key));
}

} // namespace

void TMainForm::CreateFileMenu()
{
    std::vector<QMenu *> parents{FileMenu};
    for (const TFileMenuRow &row : FileMenuRows) {
        parents.resize(static_cast<std::size_t>(row.Depth) + 1);
        QMenu *parent = parents.back();
        const QString caption = MenuCaptionText(row.Caption);
        QAction *action = nullptr;
        if (row.Kind == rkSubmenu || row.Kind == rkFilled) {
            QMenu *submenu = parent->addMenu(caption);
            parents.push_back(submenu);
            action = submenu->menuAction();
        } else {
            action = parent->addAction(caption);
            if (row.Kind == rkTitle) parent->setDefaultAction(action);
        }
        action->setObjectName(QString::fromUtf8(row.Name));
        action->setShortcut(
            QKeySequence::fromString(QString::fromUtf8(row.Keys), QKeySequence::PortableText));
        FileMenuItems[row.Name] = action;
        Actions.push_back(action);
        if (row.Command) {
            const auto command = row.Command;
            connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
        }
        if (row.Command || row.Kind == rkTitle || row.Kind == rkFilled)
            WiredFileMenuItems.insert(action);
    }
    for (const TValueItems &values : ValueItems) {
        QMenu *menu = FileMenuItems.at(values.Menu)->menu();
        for (int value = values.First; value <= values.Last; ++value) {
            const std::string caption = values.Captions ? values.Captions[value]
                                        : value == 0    ? std::string("Fill")
                                                        : std::to_string(value);
            QAction *action = menu->addAction(MenuCaptionText(caption));
            action->setCheckable(true);
            action->setData(value);
            const auto command = values.Command;
            connect(action, &QAction::triggered, this, [this, command, value] {
                (this->*command)(value);
            });
            WiredFileMenuItems.insert(action);
        }
    }
    // A submenu has a command when one of its items has one.
    for (auto row = std::rbegin(FileMenuRows); row != std::rend(FileMenuRows); ++row) {
        const QAction *action = FileMenuItems.at(row->Name);
        if (!action->menu()) continue;
        for (const QAction *item : action->menu()->actions())
            if (WiredFileMenuItems.count(item) != 0) WiredFileMenuItems.insert(action);
    }
    for (const char *name : {"FixedAttrMenu",
                             "ThumbAttrMenu",
                             "ShowPathsInContainerMenu",
                             "AssociateExtensionMenu_Program",
                             "AssociateExtensionMenu_Document",
                             "AssociateExtensionMenu_Generic",
                             "AssociateExtensionMenu_Audio",
                             "AssociateExtensionMenu_Video",
                             "AssociateExtensionMenu_Text",
                             "AssociateExtensionMenu_NoViewer"})
        FileMenuItems.at(name)->setCheckable(true);
    for (const auto &hint : FileMenuHints)
        FileMenuItems.at(hint.Name)->setStatusTip(QString::fromUtf8(hint.Hint));
    const auto showHint = [](QAction *action) {
        if (MyTPanel::OnHint) MyTPanel::OnHint(action->statusTip().toStdString());
    };
    connect(FileMenu, &QMenu::hovered, this, showHint);
    for (const auto &[name, action] : FileMenuItems)
        if (action->menu()) connect(action->menu(), &QMenu::hovered, this, showHint);

    Containers.OnContainerMode = [this](int number) { ActiveColumn().ShowContainer(number); };
    Containers.OnCopyTo = [this](int number) { CopyToContainerMenuClick(number); };
    HistoryMenu = FileMenuItems.at("HistoryMenu")->menu();
    VisibleColumnsMenu = FileMenuItems.at("VisibleColumnsMenu")->menu();
    // The 20 newest visited directories, loaded into the active column when chosen.
    PathsHistoryDialog = std::make_unique<THistoryDialog>(PathsHistory);
    PathsHistoryDialog->OnSelect =
        [this](const std::string &title, std::int32_t kind, std::int64_t key, std::int32_t row) {
            ActiveColumn().LoadDirectory(true, -1, key, row, kind, title);
            FocusColumn(-1, false);
        };
    connect(
        HistoryMenu, &QMenu::aboutToShow, this, [this] { PathsHistoryDialog->Setup(HistoryMenu); });
}

void TMainForm::EnableFileMenuItem(const char *name, bool rule)
{
    QAction *action = FileMenuItems.at(name);
    action->setEnabled(rule && WiredFileMenuItems.count(action) != 0);
}

void TMainForm::EnableFileMenuItems()
{
    TFunScope Fun(ThisUnit, "TMainForm::EnableFileMenuItems");
    Fun.Run([&] {
        for (const auto &[name, action] : FileMenuItems)
            action->setEnabled(WiredFileMenuItems.count(action) != 0);
        const TFileMenuFacts f = FileMenuFactsOf(ActiveColumn());
        const TFileMenuRules rules = FileMenuRulesOf(f);
        for (const auto &row : EnablingRows)
            EnableFileMenuItem(row.Name, rules.*row.Rule);

        Containers.SetupContainerMode(FileMenuItems.at("ContainerModeMenu")->menu(), ActiveColumn().ContainerIndex);
        Containers.SetupCopyToContainer(FileMenuItems.at("CopyToContainerMenu")->menu(), ActiveColumn().ContainerIndex,
                                        nullptr);
        const TInterBoardRules ib = InterBoardRulesOf();
        EnableFileMenuItem("ShowIBFileDragMenu", ib.Show);
        EnableFileMenuItem("SetWithIBSourceColumnMenu", ib.SetWith);
        EnableFileMenuItem("IBCopyFileMenu", ib.Copy);
        EnableFileMenuItem("IBConvertPictureMenu", ib.Convert);
        EnableFileMenuItem("IBMoveFileMenu", ib.Move);
        FileMenuItems.at("IBTitleMenu")->setText(MenuCaptionText(InterBoardTitle()));

        const bool audio = AudioFileExtensions.Has(f.Ext), video = VideoFileExtensions.Has(f.Ext);
        const bool text = TextFileExtensions.Has(f.Ext);
        FileMenuItems.at("AssociateExtensionMenu_Program")->setChecked(f.Kind == ikProgram);
        FileMenuItems.at("AssociateExtensionMenu_Document")->setChecked(f.Kind == ikDocument);
        FileMenuItems.at("AssociateExtensionMenu_Generic")->setChecked(f.Kind == ikGeneric);
        FileMenuItems.at("AssociateExtensionMenu_Audio")->setChecked(audio);
        FileMenuItems.at("AssociateExtensionMenu_Video")->setChecked(video);
        FileMenuItems.at("AssociateExtensionMenu_Text")->setChecked(text);
        FileMenuItems.at("AssociateExtensionMenu_NoViewer")->setChecked(!audio && !video && !text);
    });
    Fun.ShowIfFailed("Failed to prepare the File menu.");
}

void TMainForm::SetFileMenuChecks()
{
    const TColumn &a = ActiveColumn();
    const auto checkValue = [this](const char *menu, int value) {
        for (QAction *action : FileMenuItems.at(menu)->menu()->actions())
            if (action->isCheckable()) action->setChecked(action->data().toInt() == value);
    };
    checkValue("VisibleColumnsMenu", VisibleColumnCount);
    checkValue("WidthAttrMenu", a.WidthAttribute);
    checkValue("SubcolumnsAttrMenu", a.Subcolumns);
    checkValue("ThumbHeightMenu", std::max(a.ThumbHeight, 0));
    for (QAction *action : FileMenuItems.at("SortModeMenu")->menu()->actions())
        action->setChecked(action->text() == MenuCaptionText(a.SortMode));
    FileMenuItems.at("FixedAttrMenu")->setChecked(a.Fixed);
    FileMenuItems.at("ThumbAttrMenu")->setChecked(a.Thumb);
    FileMenuItems.at("ShowPathsInContainerMenu")->setChecked(a.ShowContainerPaths);
}

void TMainForm::ShowFileMenu(int x, int y, Qt::KeyboardModifiers modifiers)
{
    TFunScope Fun(ThisUnit, "TMainForm::ShowFileMenu");
    Fun.Run([&] {
        EnableFileMenuItems();
        SetFileMenuChecks();
        ThumbHeightForAll = modifiers.testFlag(Qt::ControlModifier);
        QAction *title = FileMenuItems.at("ThumbHeightTitleMenu");
        title->setText(ThumbHeightForAll ? QStringLiteral("All") : QStringLiteral("This"));
        title->setStatusTip(
            ThumbHeightForAll ? QStringLiteral("Set the thumb height for all columns of this board")
                              : QStringLiteral("Set the thumb height for this column"));
        const MyTPanel *list = ActiveColumn().FileList;
        if (x < 0) x = list->mapToGlobal(QPoint(list->width() / 2, 0)).x();
        if (y < 0) {
            const QRect row = list->ItemRect(list->FocusIndex);
            const int bottom =
                row.top() >= 0 ? row.bottom() + 1 : list->BorderWidth + list->EffectiveItemHeight();
            y = list->mapToGlobal(QPoint(0, bottom)).y();
        }
        FileMenu->popup(QPoint(x - FileMenu->sizeHint().width() / 2, y));
    });
    Fun.ShowIfFailed("Failed to show the File menu.");
}

void TMainForm::ShowFileMenuAtFocus()
{
    ShowFileMenuAtFocus(Qt::NoModifier);
}

void TMainForm::ShowFileMenuAtFocus(Qt::KeyboardModifiers modifiers)
{
    const TColumn &a = ActiveColumn();
    DragSourcePosition = a.Index;
    DragShift = modifiers;
    DragFocusIndex = a.FileList->FocusIndex;
    DragActiveTitle = a.ActiveTitle;
    DragDestinationIndex = DragFocusIndex;
    ShowFileMenu(-1, -1, modifiers);
}

QAction *TMainForm::FileMenuItemOfKey(const QKeyEvent *event) const
{
    const QKeyCombination key = KeyOfEvent(event);
    for (const TFileMenuRow &row : FileMenuRows) {
        QAction *action = FileMenuItems.at(row.Name);
        if (!action->shortcut().isEmpty() && action->shortcut()[0] == key) return action;
    }
    for (const char *name : KeysWithAnyModifiers) {
        QAction *action = FileMenuItems.at(name);
        if (action->shortcut()[0].key() == key.key()) return action;
    }
    return nullptr;
}

// ---- The System menu --------------------------------------------------------------------------

void TMainForm::ShowContextMenu(int index, int x, bool drag, Qt::KeyboardModifiers modifiers, int y)
{
    TFunScope Fun(ThisUnit, "TMainForm::ShowContextMenu");
    BeginBusy();
    Fun.Run([&] {
        if (modifiers.testFlag(Qt::AltModifier)) return;
        const TColumn &a = ActiveColumn();
        if (drag && a.ContainerIndex >= 0) {
            ShowWarningMessage("The destination can't be a container.");
            return;
        }
        const TColumn &source =
            *Columns[static_cast<std::size_t>(std::clamp(DragSourcePosition, 0, 11))];
        std::string title = ItemTitleOf(source);
        const bool parent = modifiers.testFlag(Qt::ShiftModifier);
        const bool reference = modifiers.testFlag(Qt::ControlModifier);
        if (reference) title = ReferenceOf(title);
        if (parent) title = ExcludeTrailingBackslash(ExtractDirectory(title));
        const std::string caption =
            std::string(drag ? "System drag" : "System") + (parent      ? ": Parent directory"
                                                            : reference ? ": Active reference"
                                                                        : ": Active title");

        const MyTPanel *list = a.FileList;
        const int row = source.FileList->FocusIndex - source.FileList->TopIndex;
        const int height = list->EffectiveItemHeight();
        const int rowBottom = list->BorderWidth + height * (row + 1);
        if (x < 0) x = list->mapToGlobal(QPoint(list->width() / 2, 0)).x();
        QRect exclusion;
        if (!list->Empty && static_cast<unsigned>(index) < static_cast<unsigned>(list->Count()) &&
            !a.Thumb) {
            y = list->mapToGlobal(QPoint(0, rowBottom)).y();
            exclusion = QRect(list->mapToGlobal(QPoint(list->BorderWidth, rowBottom - height)),
                              list->mapToGlobal(QPoint(list->width() - 1, rowBottom - 1)));
        } else if (y < 0) {
            y = list->mapToGlobal(QPoint(0, rowBottom)).y();
        }
        ShowSystemMenu(caption, title, exclusion, y, x, ExtractDirectory(title));
        Fun.CalleeFailed();
    });
    // The menu's commands work on the files themselves: the check that follows at once reads
    // again the columns they changed.
    ReloadOnNextCheck = true;
    EndBusy();
    Fun.ShowIfFailed("Failed to show \"System\" menu.");
    CheckDirMonitor(false);
}

void TMainForm::ShowSystemMenu(const std::string &caption,
                               const std::string &title,
                               QRect exclusion,
                               int y,
                               int x,
                               const std::string &directory)
{
    TFunScope Fun(ThisUnit, "TMainForm::ShowSystemMenu");
    Fun.Run([&] {
        const std::string file = FileOfTitle(title);
        const std::string folder = directory.empty() ? ExtractDirectory(file) : directory;
        const TColumn &a = ActiveColumn();
        bool renameChosen = false;
        std::vector<std::string> removed;
        if (a.SelectedCount > 0 && !a.FileList->Empty) {
            std::vector<std::string> names;
            a.SelectedTitles(names, true);
            DisplayContextMenuList(ExtractDirectory(a.ActiveTitle),
                                   names,
                                   this,
                                   QPoint(x, y),
                                   exclusion,
                                   caption,
                                   renameChosen,
                                   &removed);
        } else {
            DisplayContextMenu(
                file, this, QPoint(x, y), exclusion, folder, caption, renameChosen, &removed);
        }
        for (const std::string &entry : removed)
            MarkChangedEntry(entry);
        if (Fun.CalleeFailed()) return;
        if (renameChosen) ClickMenuItem("RenameFileMenu");
    });
}

// ---- Commands
// -------------------------------------------------------------------------------------

void TMainForm::Com_ToggleFixed()
{
    ActiveColumn().ToggleFixed();
}

void TMainForm::Com_ToggleThumb()
{
    ActiveColumn().ToggleThumb();
}

void TMainForm::Com_SetWidthAttribute(int value)
{
    ActiveColumn().SetWidthAttribute(value);
}

void TMainForm::Com_SetSubcolumns(int value)
{
    ActiveColumn().SetSubcolumns(value);
}

void TMainForm::Com_SetThumbHeight(int value)
{
    ActiveColumn().SetThumbHeight(value, ThumbHeightForAll);
}

void TMainForm::Com_SetSortMode(int index)
{
    if (index >= 0 && index < static_cast<int>(std::size(SortModes)))
        ActiveColumn().SetSortMode(SortModes[index]);
}

void TMainForm::Com_ToggleContainerPaths()
{
    ActiveColumn().ToggleContainerPaths();
}

void TMainForm::EnterDirectory(TColumn &column,
                               Qt::KeyboardModifiers modifiers,
                               const std::string &path)
{
    const int here = column.Index;
    const int end = GroupEnd(here);
    const auto automoveLeft = [&] {
        for (int i = GroupStart(here); i < here; ++i)
            Columns[i]->SetWithColumnContent(*Columns[i + 1], false, true, true, true);
        return here;
    };
    int target = here;
    if (modifiers.testFlag(Qt::ControlModifier))
        target = automoveLeft();
    else if (!modifiers.testFlag(Qt::AltModifier))
        target = here < end ? here + 1 : automoveLeft();
    const std::string directory = IncludeTrailingBackslash(FileOfTitle(path));
    std::int32_t kind = -1, row = std::numeric_limits<int>::min();
    std::int64_t key = -1;
    std::string title;
    int found = -1;
    PathsHistory.FindDirectory(directory, kind, title, found, key, row);
    if (found < 0) {
        kind = -1;
        key = -1;
        row = std::numeric_limits<int>::min();
        title = directory;
    }
    Columns[target]->LoadDirectory(true, -1, key, row, kind, title);
    ActiveColumnIndex = target;
    FocusColumn(target, false);
}

void TMainForm::EnterParentDirectory(TColumn &column, Qt::KeyboardModifiers modifiers)
{
    if (ExtractDirectory(column.ActiveTitle).empty()) return;
    const int here = column.Index;
    const int start = GroupStart(here);
    const auto automoveRight = [&] {
        for (int i = GroupEnd(here); i > here; --i)
            Columns[i]->SetWithColumnContent(*Columns[i - 1], false, true, true, true);
        return here;
    };
    std::int32_t kind = ikDirectory, row = std::numeric_limits<int>::min();
    std::int64_t key = -1;
    std::string focus;
    int found = -1;
    PathsHistory.FindParentDirectory(column.ActiveTitle, kind, focus, found, key, row);
    if (found < 0) {
        kind = ikDirectory;
        key = -1;
        row = std::numeric_limits<int>::min();
    }
    int target = here;
    if (modifiers.testFlag(Qt::ControlModifier))
        target = automoveRight();
    else if (!modifiers.testFlag(Qt::AltModifier))
        target = here > start ? here - 1 : automoveRight();
    Columns[target]->LoadDirectory(true, -1, key, row, kind, focus);
    ActiveColumnIndex = target;
    FocusColumn(target, false);
}

void TMainForm::GoToPath(const std::string &path, bool addDelimiter)
{
    TFunScope Fun(ThisUnit, "TMainForm::GoToPath");
    Fun.Run([&] {
        if (path.empty()) return;
        const Qt::KeyboardModifiers held = DragShift | Qt::AltModifier;
        if (addDelimiter) {
            EnterDirectory(ActiveColumn(), held, path);
            return;
        }
        TColumn &a = ActiveColumn();
        if (held.testFlag(Qt::ControlModifier)) {
            for (int i = GroupStart(a.Index); i < a.Index; ++i)
                Columns[i]->SetWithColumnContent(*Columns[i + 1], false, true, true, true);
        }
        a.LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, path);
        FocusColumn(a.Index, false);
    });
    Fun.ShowIfFailed("Failed to load path.");
}

void TMainForm::RunActiveItem(Qt::KeyboardModifiers modifiers)
{
    // One run for every key and button: the column's, with autoopen and the launched files.
    ActiveColumn().RunActiveItem(ShiftStateOf(modifiers));
}

void TMainForm::Com_PreviousDirectory()
{
    TFunScope Fun(ThisUnit, "TMainForm::Com_PreviousDirectory");
    Fun.Run([&] {
        TColumn &a = ActiveColumn();
        std::swap(a.ActiveTitle, a.PreviousTitle);
        std::int32_t kind = -1, row = std::numeric_limits<int>::min();
        std::int64_t key = -1;
        std::string title;
        int found = -1;
        PathsHistory.FindDirectory(ExtractDirectory(a.ActiveTitle), kind, title, found, key, row);
        if (found < 0 || ExtractDirectory(a.ActiveTitle).empty()) {
            kind = -1;
            key = -1;
            row = std::numeric_limits<int>::min();
            title = a.ActiveTitle;
        }
        a.LoadDirectory(false, -1, key, row, kind, title);
        FocusColumn(-1, false);
    });
    Fun.ShowIfFailed("Failed to load the previous directory.");
}

void TMainForm::Com_PartitionRoot()
{
    const std::string partition = PartitionTitleOf(FileOfTitle(ActiveColumn().ActiveTitle));
    GoToPath(partition.substr(1), true);
}

void TMainForm::Com_TerminalRoot()
{
    GoToPath(PartitionTitleOf(FileOfTitle(ActiveColumn().ActiveTitle)), false);
}

void TMainForm::Com_DefaultDirectory()
{
    TFunScope Fun(ThisUnit, "TMainForm::Com_DefaultDirectory");
    Fun.Run([&] {
        TColumn &a = ActiveColumn();
        const std::string directory = ExtractDirectory(a.DefaultTitle);
        std::int32_t kind = ikDirectory, row = std::numeric_limits<int>::min();
        std::int64_t key = -1;
        std::string title;
        int found = -1;
        PathsHistory.FindDirectory(directory, kind, title, found, key, row);
        if (found < 0 || directory.empty()) {
            kind = -1;
            key = -1;
            row = std::numeric_limits<int>::min();
            title = a.DefaultTitle;
        }
        a.LoadDirectory(true, -1, key, row, kind, title);
        FocusColumn(-1, false);
    });
    Fun.ShowIfFailed("Failed to load the default directory.");
}

void TMainForm::Com_ParentDirectory()
{
    TFunScope Fun(ThisUnit, "TMainForm::Com_ParentDirectory");
    Fun.Run([&] { ActiveColumn().EnterParentDirectory(ShiftStateOf(KeyModifiers)); });
    Fun.ShowIfFailed("Failed to load the parent directory.");
}

void TMainForm::Com_LoadDirectory()
{
    TColumn &a = ActiveColumn();
    a.RecordFocus();
    a.LoadDirectory(false);
    FocusColumn(-1, false);
}

void TMainForm::Com_LoadAllDirectories()
{
    for (int i = 0; i < VisibleColumnCount; ++i) {
        Columns[i]->RecordFocus();
        Columns[i]->LoadDirectory(false);
    }
    FocusColumn(-1, false);
}

void TMainForm::Com_SystemMenu()
{
    ShowContextMenu(DragFocusIndex, -1, false, DragShift, -1);
}

void TMainForm::Com_RecycleFile()
{
    ActiveColumn().OnDelete("Recycle");
}

void TMainForm::Com_DeleteFile()
{
    ActiveColumn().OnDelete("Delete");
}

void TMainForm::Com_ClipFileTitles()
{
    ActiveColumn().OnDelete("Clip title of");
}

void TMainForm::Com_NewDirectory()
{
    ActiveColumn().Com_NewFile(0);
}

void TMainForm::Com_NewFile()
{
    ActiveColumn().Com_NewFile(1);
}

void TMainForm::Com_FileProperties()
{
    TFunScope Fun(ThisUnit, "TMainForm::Com_FileProperties");
    Fun.Run([&] {
        const std::string file = FileOfTitle(ItemTitleOf(ActiveColumn()));
        RunVerb(file, "properties", ExtractDirectory(file));
        Fun.CalleeFailed();
    });
    Fun.ShowIfFailed("Failed to show properties.");
}

void TMainForm::Com_ReferenceProperties()
{
    TFunScope Fun(ThisUnit, "TMainForm::Com_ReferenceProperties");
    Fun.Run([&] {
        const std::string reference = ReferenceOf(ActiveColumn().ActiveTitle);
        RunVerb(reference, "properties", ExtractDirectory(reference));
        Fun.CalleeFailed();
    });
    Fun.ShowIfFailed("Failed to show properties.");
}

void TMainForm::Com_ClipActiveName()
{
    CopyTextToClipboard(ExtractName(ItemTitleOf(ActiveColumn())),
                        "Failed to copy active name to clipboard.");
}

void TMainForm::Com_ClipActivePath()
{
    CopyTextToClipboard(ExtractDirectory(ItemTitleOf(ActiveColumn())),
                        "Failed to copy active path to clipboard.");
}

void TMainForm::Com_ClipActiveTitle()
{
    CopyTextToClipboard(ItemTitleOf(ActiveColumn()), "Failed to copy active title to clipboard.");
}

void TMainForm::Com_ClipActiveReference()
{
    CopyTextToClipboard(ReferenceOf(ItemTitleOf(ActiveColumn())),
                        "Failed to copy active reference to clipboard.");
}

void TMainForm::Com_OpenFileWith()
{
    TFunScope Fun(ThisUnit, "TMainForm::Com_OpenFileWith");
    Fun.Run([&] {
        const std::string reference = ReferenceOf(ActiveColumn().ActiveTitle);
        OpenWith(reference, ExtractDirectory(reference));
        Fun.CalleeFailed();
    });
    Fun.ShowIfFailed("Failed to show dialog.");
}

void TMainForm::Com_PrintFile()
{
    TFunScope Fun(ThisUnit, "TMainForm::Com_PrintFile");
    Fun.Run([&] {
        const std::string reference = ReferenceOf(ActiveColumn().ActiveTitle);
        RunVerb(reference, "print", ExtractDirectory(reference));
        Fun.CalleeFailed();
    });
    Fun.ShowIfFailed("Failed to print.");
}

void TMainForm::Com_EditStreams()
{
    ActiveColumn().Com_EditStreams(false, false);
}

void TMainForm::Com_EditStreamsAutoload()
{
    ActiveColumn().Com_EditStreams(true, false);
}

void TMainForm::Com_EditDescription()
{
    ActiveColumn().Com_EditStreams(false, true);
}

void TMainForm::Com_FindCommonText()
{
    ActiveColumn().Com_FindCommonText();
}

void TMainForm::Com_SearchFile()
{
    ActiveColumn().Com_Search();
}

void TMainForm::SearchFile(int column)
{
    TFunScope Fun(ThisUnit, "TMainForm::SearchFile");
    Fun.Run([&] {
        const int board = Boards.FindSearchBoard();
        if (board >= 0 && board != Boards.ActiveBoard) Boards.ShowBoard(board);
        if (Fun.CalleeFailed() || VisibleColumnCount <= 0) return;
        ActiveColumnIndex = std::clamp(column, 0, VisibleColumnCount - 1);
        FocusColumn(ActiveColumnIndex, false);
        column = ActiveColumnIndex;
        Columns[static_cast<std::size_t>(column)]->Com_Search();
    });
    Fun.ShowIfFailed("Failed to search.");
}

void TMainForm::Com_SearchFileInHome()
{
    SearchFile(0);
}

void TMainForm::Com_SearchFileInHome2()
{
    SearchFile(1);
}

void TMainForm::Com_SearchHistory()
{
    ActiveColumn().Com_Search({}, true);
}

void TMainForm::SetFileStreamsEditorOptions()
{
    if (!FileStreamsForm) return;
    const TSkinOptions &s = SkinOptions;
    const TViewerOptions &o = ViewerOptions;
    TStreamsEditorLook look;
    look.FormColor = s.FillingColor;
    look.FormFontColor = s.ButtonTextColor;
    look.EditColor = s.WindowBackColor;
    look.EditFontColor = s.WindowTextColor;
    look.WordWrap = o.TextWordWrap;
    look.FontName = o.FontName;
    look.FontSize = o.FontSize;
    look.FontBold = o.FontBold;
    FileStreamsForm->SetEditorOptions(look);
}
