// The File-drag menu: what a drag from a source column onto the active column can do, its
// enabling pass, its commands, and the inter-board source column.
#include "app/MainDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/FileLink.h"
#include "Libraries/FileStream.h"
#include "Libraries/Program.h"
#include "Libraries/Text.h"
#include "Libraries/UtilitiesUi.h"
#include "app/CopyAsDialog.h"
#include "app/FileDialog.h"
#include "app/OptionsDialog.h"
#include "platform/FileSystem.h"

#include "Libraries/ShiftStateUi.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>

#include <algorithm>
#include <limits>

namespace {

constexpr const char *ThisUnit = "MainDialog";

// A partition title stands for its mount point.
std::string FileOf(const std::string &title)
{
    return IsDrivePath(title) ? IncludeTrailingBackslash(title.substr(1)) : title;
}

bool IsFixed(const std::string &title)
{
    const int type = GetPartitionType(FileOf(title));
    FunStatContext.Reset(fsPerfect);
    return type == ptFixed;
}

enum TDragRowKind
{
    drItem,
    drSubmenu,
    drFilled, // a submenu whose items are made at each enabling
    drTitle
};

using F = TMainForm;
using R = TFileDragFacts;

// A row of the File-drag menu: depth, object name, caption, kind, command, enabling rule, hint.
struct TDragRow
{
    int Depth;
    const char *Name;
    const char *Caption;
    TDragRowKind Kind;
    void (TMainForm::*Command)();
    bool (*Rule)(const TFileDragFacts &);
    const char *Hint;
};

bool Always(const R &)
{
    return true;
}
bool CopyRule(const R &f)
{
    return f.SourceHasItems && !f.SameDirectory && !f.DriveInvolved;
}
bool MoveRule(const R &f)
{
    return CopyRule(f) && (!f.DestinationIsContainer || f.SourceIsContainer);
}
bool ConvertRule(const R &f)
{
    return f.SourceHasItems && !f.DriveInvolved && !f.DestinationIsContainer && f.CanConvertPictures;
}
bool CopyAsRule(const R &f)
{
    return f.SourceHasItems && !f.DriveInvolved && !f.DestinationInsideSource && !f.DestinationIsContainer &&
           !f.SourceHasSelection;
}
bool LastNumberedRule(const R &f)
{
    return CopyAsRule(f) && !f.SourceIsDirectory && f.DestinationSortedByName;
}
bool DropRule(const R &f)
{
    return f.SourceHasItems && !f.SourceInDropTarget && !f.SourceIsDrive &&
           (f.DestinationIsDirectory || f.DestinationIsLinkToDirectory);
}
bool DropConvertRule(const R &f)
{
    return f.SourceHasItems && !f.SourceIsDrive && (f.DestinationIsDirectory || f.DestinationIsLinkToDirectory) &&
           f.CanConvertPictures;
}
bool CopyAsLinkRule(const R &f)
{
    return f.SourceHasItems && !f.DriveInvolved && !f.DestinationIsContainer &&
           (f.SourceHasSelection || !f.SourceIsLink);
}
bool HardLinkRule(const R &f)
{
    return f.SourceHasItems && !f.SameDirectory && !f.SourceIsDirectory && !f.DriveInvolved && f.BothFixed &&
           f.SameRoot && !f.DestinationIsContainer && f.DestinationSupportsReparsePoints;
}
bool DirectLocateRule(const R &f)
{
    return f.SourceHasItems && f.DestinationHasItems && (!f.SameDirectory || f.DifferentColumns);
}
bool SearchDuplicatesRule(const R &f)
{
    return f.SourceHasItems && f.DestinationHasItems && !f.DriveInvolved && !f.SourceIsDirectory;
}
bool SendToProgramRule(const R &f)
{
    return f.SourceHasItems && f.DestinationIsProgramOrLink;
}
bool SendReferenceRule(const R &f)
{
    return f.SourceIsLink && f.DestinationIsProgramOrLink;
}
bool SystemRule(const R &f)
{
    return f.SourceHasItems && !f.DriveInvolved;
}
bool AttachStreamRule(const R &f)
{
    return f.SourceHasItems && !f.DriveInvolved && !f.SourceIsDirectory && !f.DestinationIsDirectory &&
           f.DestinationSupportsStreams && f.DestinationHasStreams;
}
bool CompareRule(const R &f)
{
    return f.SourceHasItems && !f.SameDirectory && !f.DriveInvolved && !f.DestinationIsContainer;
}
bool InsertItemRule(const R &f)
{
    return f.SourceHasItems && !f.SameDirectory && !f.DriveInvolved && f.DestinationIsContainer;
}
bool RelocateItemRule(const R &f)
{
    return f.SourceHasItems && !f.DriveInvolved && f.SourceIsContainer && f.DestinationIsContainer;
}
bool StegInRule(const R &f)
{
    return f.SourceHasItems && f.DestinationPicture && !f.DriveInvolved && f.SourceSize <= 1000000;
}
bool StegOutRule(const R &f)
{
    return f.SourcePicture && !f.DestinationIsContainer;
}
bool DifferentColumnsRule(const R &f)
{
    return f.DifferentColumns;
}
bool EnterThisDirRule(const R &f)
{
    return f.DifferentColumns && f.SourceHasItems && (f.SourceIsDirectory || f.SourceIsLink);
}

// clang-format off
const TDragRow DragRows[] = {
    {0, "FileDragMenu_Title", "File-drag", drTitle, nullptr, Always, ""},
    {0, "FileDragMenu_Copy", "Copy *", drItem, &F::FileDragMenu_CopyClick, CopyRule,
     "Copy the source file (all streams) into the destination column. Selected files (if any) are processed instead of the active file. Directories are processed recursively (if the destination column is a not container)."},
    {0, "FileDragMenu_Move", "Move *", drItem, &F::FileDragMenu_MoveClick, MoveRule,
     "Move the source file (all streams) into the destination column. Selected files (if any) are processed instead of the active file. Directories are processed recursively. If files are moved from a container to a directory, the container items will refer the new target of the files. When a file is moved from one partition to another, its read-only attribute is cleared."},
    {0, "FileDragMenu_ConvertPicture", "Convert picture *", drItem, &F::FileDragMenu_ConvertPictureClick, ConvertRule,
     "It's like the \"Copy\" menu, but picture files are converted (to the specified format), and then the secondary data streams are copied (note that only DATA streams are copied). Selected files (if any) are processed instead of the active file. Directories are processed recursively."},
    {0, "FileDragMenu_MoreCopy", "More copy", drSubmenu, nullptr, Always, ""},
    {1, "FileDragMenu_CopyAs", "Copy as", drItem, &F::FileDragMenu_CopyAsClick, CopyAsRule,
     "Copy the source file, into the destination column, with a new name"},
    {1, "FileDragMenu_MoveAs", "Move as", drItem, &F::FileDragMenu_MoveAsClick, CopyAsRule,
     "Move the source file, into the destination column, with a new name"},
    {1, "FileDragMenu_CopyAsLastNumbered", "Copy as last numbered", drItem, &F::FileDragMenu_CopyAsLastNumberedClick, LastNumberedRule,
     "Copy the source file, into the destination column, with a new name created by increasing the suffix number of the last numbered destination file with one unit. For example, if the destination file is \"Grand Canyon 005.bmp\", if the last numbered file from the destination column is \"Grand Canyon 023.bmp\", then the source file will be copied with the new name \"Grand Canyon 024.bmp\" (regardless of its original name and of the name of the destination file). Note that the part of the name which prefixes the number must be the same. This works only if the content of the active column is sorted by name."},
    {1, "FileDragMenu_MoveAsLastNumbered", "Move as last numbered", drItem, &F::FileDragMenu_MoveAsLastNumberedClick, LastNumberedRule,
     "Same as \"Copy as last numbered\", but it moves the source file"},
    {1, "FileDragMenu_DropCopy", "Drop-copy *", drItem, &F::FileDragMenu_DropCopyClick, DropRule,
     "It's like the \"Copy\" menu, but the destination is the directory on which drop occurs (NOT the directory displayed in the destination column). If the drop occurs over a link then its reference is used as drop target."},
    {1, "FileDragMenu_DropMove", "Drop-move *", drItem, &F::FileDragMenu_DropMoveClick, DropRule,
     "It's like the \"Move\" menu, but the destination is the directory on which drop occurs (NOT the directory displayed in the destination column). If the drop occurs over a link then its reference is used as drop target."},
    {1, "FileDragMenu_DropConvertPicture", "Drop-convert picture *", drItem, &F::FileDragMenu_DropConvertPictureClick, DropConvertRule,
     "It's like the \"Convert picture\" menu, but the destination is the directory on which drop occurs (NOT the directory displayed in the destination column). If the drop occurs over a link then its reference is used as drop target."},
    {1, "FileDragMenu_CopyAsLink", "Copy as link *", drItem, &F::FileDragMenu_CopyAsLinkClick, CopyAsLinkRule,
     "Copy as link to the source file into the destination column. The name of the link will be the name of the original file plus the proper link extension. The \"Start in\" field of the link is set to the file's path. Selected files (if any) are processed instead of the active file. Directories are NOT processed recursively, but a link is created to each directory. [F1] for more help."},
    {1, "FileDragMenu_CopyAsHardLink", "Copy as hard-link", drItem, &F::FileDragMenu_CopyAsHardLinkClick, HardLinkRule,
     "Copy a hard-link of the source file, into the destination column, with a given name. Only hard-links to files can be created. [F1] for more help."},
    {0, "FileDragMenu_Send", "Send", drFilled, nullptr, Always,
     "It's like the \"File \\ Send\" menu, but the file title on which drop occurs in destination column is also sent as parameter to the clicked file. If you have released the mouse button on a free area of the destination column, the destination file is the file in focus (even if the column is empty, so the active file is missing). The working path is the path of the destination file. Menu items are all link files from the \"SendDrag\" directory; directories are displayed as submenus, but empty directories are not displayed. You can create your own links to programs here. [F1] for more help. Also see \"Command line substitutions\"."},
    {0, "FileDragMenu_Misc", "Miscellaneous", drSubmenu, nullptr, Always, ""},
    {1, "FileDragMenu_DirectLocate", "Direct locate", drItem, &F::FileDragMenu_DirectLocateClick, DirectLocateRule,
     "Focus a file with a name that matches the source file. The search is performed from the first item in the column."},
    {1, "FileDragMenu_SearchDuplicates", "Search duplicates", drItem, &F::FileDragMenu_SearchDuplicatesClick, SearchDuplicatesRule,
     "Search duplicate files of the source file in the destination column. For a file to be considered a match, the following information must the identical: file size, first 1'000 bytes of content; no other information is relevant. The search, in the destination column, is performed only for the active file (or selected items, if any)"},
    {1, "FileDragMenu_SendToProgram", "Send to program", drItem, &F::FileDragMenu_SendToProgramClick, SendToProgramRule,
     "The source file is sent to the destination file, as parameter of the program. The working directory is the path of the source file. This works only if the destination file is a program or a link."},
    {1, "FileDragMenu_SendRefToProgram", "Send reference to program", drItem, &F::FileDragMenu_SendRefToProgramClick, SendReferenceRule,
     "The reference of the source file is sent to the destination file, as parameter of the program. The working directory is the path of the reference of the source file. This works only if the destination file is a program or a link."},
    {1, "FileDragMenu_System", "System", drItem, &F::FileDragMenu_SystemClick, SystemRule,
     "Show the \"System-drag\" menu"},
    {1, "FileDragMenu_AttachStream", "Attach stream", drFilled, nullptr, AttachStreamRule,
     "Copy the main stream from the source file as a stream of the destination file; the destination file must contain secondary streams (use the streams editor to add secondary streams). Maximum 30 streams from the destination file are displayed in the menu; click one name to copy the source stream there."},
    {1, "FileDragMenu_Compare", "Compare *", drItem, &F::FileDragMenu_CompareClick, CompareRule,
     "Compare the source file with a file with the same name in the destination column. If the source file (directories are ignored from the actual comparison) is newer (by its last write time), its title is copied into the clipboard. Streams are ignored; only the size of the main stream is used. The contents of the files are not compared. If there are any newer files in the destination, they are not counted (and not shown to the user). Selected files (if any) are processed instead of the active file. Directories are processed recursively."},
    {1, "FileDragMenu_StegIn", "Steg-in", drItem, &F::FileDragMenu_StegInClick, StegInRule,
     "The source file (only the main stream) is stegged into (= hidden) the destination file (in the main stream), which has to be a picture, and saved as a new picture file (with the same as the destination, but with a \".png\" extension). The destination file is called \"carrier\" file. This works only if the size of the source file is maximum 1 million bytes. You can steg-in a file multiple times in the same carrier file (or even in the picture file resulted from a previous steg-in operation) - only the last stegged-in file is preserved in the resulted file."},
    {1, "FileDragMenu_StegOut", "Steg-out", drItem, &F::FileDragMenu_StegOutClick, StegOutRule,
     "Any file is stegged-out from the source file. This works only if the destination file is a picture, in which another file was previously stegged-in. To enable the automatic steg-out function, see the \"File \\ View & Edit \\ Activate auto steg-out\" menu."},
    {0, "FileDragMenu_Container", "Container", drSubmenu, nullptr, Always, ""},
    {1, "FileDragMenu_InsertItem", "Insert item *", drItem, &F::FileDragMenu_InsertItemClick, InsertItemRule,
     "If the destination column is a container, the source file is inserted / copied before the active file (instead of being added to the bottom). Selected files (if any) are processed instead of the active file. Directories are NOT processed recursively."},
    {1, "FileDragMenu_RelocateItem", "Relocate item *", drItem, &F::FileDragMenu_RelocateItemClick, RelocateItemRule,
     "If the source and destination columns are containers, the source item is relocated / moved before the active item from the destination. Selected item (if any) are processed instead of the active item. Directories are NOT processed recursively."},
    {0, "FileDragMenu_Column", "Column", drSubmenu, nullptr, Always, ""},
    {1, "FileDragMenu_SetWithSourceColumn", "Set with source column", drItem, &F::FileDragMenu_SetWithSourceColumnClick, DifferentColumnsRule,
     "Copy the content of the source column in the destination column"},
    {1, "FileDragMenu_SwitchColumns", "Switch columns", drItem, &F::FileDragMenu_SwitchColumnsClick, Always,
     "Switch the contents of the source and destination columns"},
    {1, "FileDragMenu_EnterThisDir", "Enter this directory", drItem, &F::FileDragMenu_EnterThisDirClick, EnterThisDirRule,
     "Display in the destination column, the content of the dragged directory"},
};
// clang-format on

// The series stem of a name: without its extension and its trailing digits.
std::string StemOf(const std::string &name)
{
    const std::string extension = ExtractExtension(name);
    std::string digits, prefix;
    int width = 0;
    SplitTrailingNumber(name.substr(0, name.size() - extension.size()), digits, width, prefix);
    return prefix;
}

} // namespace

static void RunWithParameter(const std::string &program, const std::string &parameter,
                             const std::string &directory);

TFileDragFacts FileDragFactsOf(const TColumn &s, int sourceItem, const TColumn &d)
{
    TFileDragFacts f;
    f.DifferentColumns = &s != &d;
    if (sourceItem < 0) sourceItem = s.FileList->FocusIndex;
    const TFileListData *item = s.FileList->Empty ? nullptr : s.Item(sourceItem);
    f.SourceHasItems = item != nullptr;
    f.CanConvertPictures = FileForm && FileForm->PictureFormatComboBox->count() > 0;
    if (!f.SourceHasItems) return f;
    const std::string source = item->Title;
    const std::string destination = d.ActiveTitle;
    f.SourceIsDirectory = item->Kind == ikDirectory;
    f.SourceIsLink = item->Kind == ikLink;
    f.SourceSize = item->Size;
    f.SourceHasSelection = s.SelectedCount > 0;
    f.SourceIsContainer = s.ContainerIndex >= 0;
    f.DestinationIsContainer = d.ContainerIndex >= 0;
    f.DestinationHasItems = !d.FileList->Empty;
    f.DestinationIsDirectory = d.FocusKind == ikDirectory;
    f.DestinationIsLink = f.DestinationHasItems && d.FocusKind == ikLink;
    if (f.DestinationIsLink) {
        bool isDirectory = false;
        GetWhenReference(destination, &isDirectory);
        FunStatContext.Reset(fsPerfect);
        f.DestinationIsLinkToDirectory = isDirectory;
    }
    f.DestinationIsProgramOrLink = f.DestinationIsLink || d.FocusKind == ikProgram;
    f.SameDirectory = f.SourceIsContainer || f.DestinationIsContainer
                          ? s.ContainerIndex == d.ContainerIndex
                          : ExtractDirectory(source) == ExtractDirectory(destination);
    f.SourceInDropTarget = ExtractDirectory(source) == IncludeTrailingBackslash(FileOf(destination)) ||
                           ExtractDirectory(source) == IncludeTrailingBackslash(destination);
    f.SourceIsDrive = IsDrivePath(source);
    f.DriveInvolved = f.SourceIsDrive || (IsDrivePath(destination) && !f.DestinationIsContainer);
    f.DestinationInsideSource = IsPathInside(source, ExtractDirectory(destination));
    f.DestinationSortedByName = d.SortMode == "Name";
    if (!f.DriveInvolved) {
        f.BothFixed = IsFixed(source) && IsFixed(destination);
        f.SameRoot = SameRoot(source, ExtractDirectory(destination));
        f.DestinationSupportsReparsePoints = SupportsReparsePoints(ExtractDirectory(destination));
        f.DestinationSupportsStreams = SupportsNamedStreams(destination);
        if (f.DestinationHasItems && f.DestinationSupportsStreams && !f.DestinationIsDirectory) {
            std::vector<std::string> streams;
            f.DestinationHasStreams = GetFileStreamNames(destination, streams) > 0 || !streams.empty();
        }
        FunStatContext.Reset(fsPerfect);
    }
    f.SourcePicture = ExtensionInList(source, &PictureFileExtensions.List());
    f.DestinationPicture = ExtensionInList(destination, &PictureFileExtensions.List());
    return f;
}

void TMainForm::CreateFileDragMenu()
{
    FileDragMenu = new QMenu(this);
    std::vector<QMenu *> parents{FileDragMenu};
    for (const TDragRow &row : DragRows) {
        parents.resize(static_cast<std::size_t>(row.Depth) + 1);
        QMenu *parent = parents.back();
        const QString caption = MenuCaptionText(row.Caption);
        QAction *action = nullptr;
        if (row.Kind == drSubmenu || row.Kind == drFilled) {
            QMenu *submenu = parent->addMenu(caption);
            parents.push_back(submenu);
            action = submenu->menuAction();
        } else {
            action = parent->addAction(caption);
            if (row.Kind == drTitle) parent->setDefaultAction(action);
        }
        action->setObjectName(QString::fromUtf8(row.Name));
        action->setStatusTip(QString::fromUtf8(row.Hint));
        FileDragItems[row.Name] = action;
        if (row.Command) {
            const auto command = row.Command;
            connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
        }
    }
    const auto showHint = [](QAction *action) {
        if (MyTPanel::OnHint) MyTPanel::OnHint(action->statusTip().toStdString());
    };
    connect(FileDragMenu, &QMenu::hovered, this, showHint);
    for (const auto &[name, action] : FileDragItems)
        if (action->menu()) connect(action->menu(), &QMenu::hovered, this, showHint);
}

TColumn &TMainForm::DragSourceColumn()
{
    return *Columns[static_cast<std::size_t>(std::clamp(DragSourcePosition, 0, 11))];
}

int TMainForm::DragSourceIndex()
{
    const TColumn &s = DragSourceColumn();
    return DragSourceItem >= 0 ? DragSourceItem : s.FileList->FocusIndex;
}

void TMainForm::EnableFileDragMenuItems(Qt::KeyboardModifiers modifiers)
{
    TFunScope Fun(ThisUnit, "TMainForm::EnableFileDragMenuItems");
    Fun.Run([&] {
        DragShift = modifiers;
        TColumn &s = DragSourceColumn();
        TColumn &d = ActiveColumn();
        DragFacts = FileDragFactsOf(s, DragSourceItem, d);
        for (const TDragRow &row : DragRows) FileDragItems.at(row.Name)->setEnabled(row.Rule(DragFacts));
        SetupSendDragMenu();
        d.SetupAttachStream(FileDragItems.at("FileDragMenu_AttachStream")->menu());
        if (Fun.CalleeFailed()) FileDragItems.at("FileDragMenu_AttachStream")->setEnabled(false);
        else if (FileDragItems.at("FileDragMenu_AttachStream")->menu()->isEmpty())
            FileDragItems.at("FileDragMenu_AttachStream")->setEnabled(false);
    });
    Fun.ShowIfFailed("Failed to prepare the File-drag menu.");
}

void TMainForm::SetupSendDragMenu()
{
    QMenu *menu = FileDragItems.at("FileDragMenu_Send")->menu();
    menu->clear();
    LoadMenuWithFiles(
        menu,
        OptionsDirectory() + "SendDrag/",
        "*.desktop",
        [this](const std::string &link) {
            TFunScope Fun(ThisUnit, "TMainForm::FileDragMenu_SendClick");
            Fun.Run([&] {
                const std::string destination = ActiveColumn().ActiveTitle;
                const TColumn &s = DragSourceColumn();
                if (s.FileList->Empty) return;
                RunWithParameter(link, FileOf(s.ActiveTitle) + "\" \"" + FileOf(destination),
                                 ExtractDirectory(FileOf(destination)));
            });
            Fun.ShowIfFailed("Failed to send file.");
        },
        "Send the destination title to this program",
        true,
        false,
        true);
    FunStatContext.Reset(fsPerfect);
}

void TColumn::SetupAttachStream(QMenu *menu)
{
    TFunScope Fun(ThisUnit, "TColumn::SetupAttachStream");
    Fun.Run([&] {
        menu->clear();
        if (FileList->Empty || IsDrivePath(ActiveTitle) || !IsFixed(ActiveTitle)) return;
        std::vector<std::string> names;
        GetFileStreamNames(ActiveTitle, names);
        if (FunStatContext.IsError()) {
            FunStatContext.Reset(fsPerfect);
            return;
        }
        if (names.empty()) return;
        QAction *title = menu->addAction(QStringLiteral("Destination streams"));
        title->setStatusTip(QStringLiteral("Click a stream name to mark it as the destination stream"));
        menu->setDefaultAction(title);
        for (std::size_t i = 0; i < names.size() && i < 30; ++i) {
            QAction *item = menu->addAction(MenuCaptionText(names[i]));
            item->setStatusTip(QStringLiteral(
                "The source stream is attached in the destinaton file as the stream with the clicked name. If you "
                "want a name that is is not in the list, you must use the streams editor to add that name first."));
            const std::string stream = names[i];
            QObject::connect(item, &QAction::triggered, FileList, [this, stream] { AttachStreamMenuClick(stream); });
        }
    });
}

void TColumn::AttachStreamMenuClick(const std::string &stream)
{
    TFunScope Fun(ThisUnit, "TColumn::AttachStreamMenuClick");
    Fun.Run([&] {
        const TColumn &source = Form.DragSourceColumn();
        const TFileListData *item = source.Item(Form.DragSourceIndex());
        if (!item) return;
        const std::uint64_t size = GetFileStreamSize(ActiveTitle, stream);
        FunStatContext.Reset(fsPerfect);
        if (size > 0 && !AskYesNo("The selected destination stream is not empty.\nDo you want to overwrite it?"))
            return;
        CopyFileStream(item->Title, "", ActiveTitle, stream);
        Fun.CalleeFailed();
    });
    Fun.ShowIfFailed("Failed to attach stream.");
}

void TMainForm::ShowFileDragMenu(int x, int y, Qt::KeyboardModifiers modifiers)
{
    EnableFileDragMenuItems(modifiers);
    const MyTPanel *list = ActiveColumn().FileList;
    if (x < 0) x = list->mapToGlobal(QPoint(list->width() / 2, 0)).x();
    if (y < 0) {
        const QRect row = list->ItemRect(list->FocusIndex);
        y = list->mapToGlobal(QPoint(0, row.top() >= 0 ? row.bottom() + 1 + row.height() : 0)).y();
    }
    FileDragMenu->popup(QPoint(x, y));
}

bool TMainForm::ClickFileDragItem(const std::string &name)
{
    const auto found = FileDragItems.find(name);
    if (found == FileDragItems.end()) return false;
    EnableFileDragMenuItems(KeyModifiers);
    QAction *action = found->second;
    if (!action->isEnabled() || action->menu()) return false;
    action->trigger();
    return true;
}

// ---- The operations ------------------------------------------------------------------------------

void TMainForm::ReloadAfterOperation(TColumn &source, const std::string &sourceDirectory,
                                     const std::string &destinationDirectory, const std::string &focusTitle)
{
    TColumn::ReloadColumnsOfDirectory(*this, destinationDirectory);
    if (sourceDirectory != destinationDirectory) TColumn::ReloadColumnsOfDirectory(*this, sourceDirectory);
    TColumn &d = ActiveColumn();
    if (!focusTitle.empty() && d.ContainerIndex < 0 && ExtractDirectory(d.ActiveTitle) == destinationDirectory)
        d.LoadDirectory(false, -2, -1, std::numeric_limits<int>::min(), -1, focusTitle);
    if (&source == &InterBoardSourceColumn() && source.ContainerIndex < 0) {
        source.LoadDirectory(false);
        FunStatContext.Reset(fsPerfect);
    }
}

void TMainForm::OnCopyMove(const std::string &operation, bool drop)
{
    TFunScope Fun(ThisUnit, "TMainForm::OnCopyMove");
    if (IsBusy() || !FileForm) return;
    BeginBusy();
    Fun.Run([&] {
        TColumn &s = DragSourceColumn();
        TColumn &d = ActiveColumn();
        const int sourceIndex = DragSourceIndex();
        const TFileListData *item = s.Item(sourceIndex);
        if (s.FileList->Empty || !item) return;
        // Container columns take titles, not files.
        if (!drop && d.ContainerIndex >= 0 && operation == "Copy") {
            TColumn::CopyToContainer(d, s, true, false);
            return;
        }
        if (!drop && d.ContainerIndex >= 0 && s.ContainerIndex >= 0 && operation == "Move") {
            if (!s.IsSynchronized()) {
                Fun.Panic("Column and container items are not synchronized. You must reload the column.");
                return;
            }
            const int before = d.Container().ItemCount();
            TColumn::CopyToContainer(d, s, false, true);
            if (Fun.CalleeFailed() || d.Container().ItemCount() == before) return;
            s.RecycleFromContainer(true, false);
            return;
        }
        // A source that went away since the drag is reported; nothing else is touched.
        if (s.SelectedCount == 0 && !PathExists(item->Title)) {
            Fun.Raise("Can not find file.", item->Title, {}, 2);
            return;
        }
        const std::string sourceDirectory = ExtractDirectory(s.ActiveTitle);
        const std::string single = s.SelectedCount == 0 ? ExtractName(item->Title) : std::string();
        const bool ran = FileForm->Dialog(true, operation, drop, false, "", d.ActiveTitle, sourceDirectory,
                                          sourceIndex, &s);
        if (Fun.CalleeFailed()) return;
        const std::string destinationDirectory = FileForm->destinationPath;
        if (!ran) return;
        // A move out of a container leaves its items pointing at the files' new places.
        if (s.ContainerIndex >= 0) s.ReloadContainer(-1);
        ReloadAfterOperation(s, sourceDirectory, destinationDirectory,
                             drop || single.empty() ? std::string() : destinationDirectory + single);
    });
    EndBusy();
    FocusColumn(-1, false);
    Fun.ShowIfFailed("Failed to " + operation + ".");
}

void TMainForm::Com_CopyAs(bool lastNumbered, bool move)
{
    TFunScope Fun(ThisUnit, "TMainForm::Com_CopyAs");
    Fun.Run([&] {
        TColumn &s = DragSourceColumn();
        TColumn &d = ActiveColumn();
        const TFileListData *item = s.Item(DragSourceIndex());
        if (!item || d.ContainerIndex >= 0 || s.SelectedCount > 0 || !CopyAsForm) return;
        const std::string source = item->Title;
        const std::string destinationDirectory = ExtractDirectory(d.ActiveTitle);
        std::string proposed;
        if (lastNumbered) {
            proposed = LastNumberedName(d);
            if (Fun.CalleeFailed() || proposed.empty()) return;
        }
        if (!CopyAsForm->Dialog(source, destinationDirectory, lastNumbered, move, false, proposed)) return;
        const std::string name = CopyAsForm->Name();
        // A directory is copied or moved by the engine, arriving under the chosen name.
        Platform::TEntryStatus status;
        const bool realDirectory = Platform::EntryStatus(source, status, false) && status.IsDirectory;
        if (realDirectory && FileForm) {
            FileForm->topSource = ExcludeTrailingBackslash(source);
            FileForm->topName = name;
            FileForm->Dialog(true, move ? "Move" : "Copy", false, false, "", destinationDirectory,
                             ExtractDirectory(source), DragSourceIndex(), &s);
            FileForm->topSource.clear();
            FileForm->topName.clear();
            if (Fun.CalleeFailed()) return;
        }
        ReloadAfterOperation(s, ExtractDirectory(source), destinationDirectory, destinationDirectory + name);
    });
    FocusColumn(-1, false);
    Fun.ShowIfFailed("Failed to copy as.");
}

std::string TMainForm::LastNumberedName(const TColumn &d) const
{
    if (d.FileList->Empty || d.FileList->Count() < 2) return {};
    // The series runs down from the focused item while the stems agree (the list is sorted by
    // name, so a series is contiguous).
    const QString stem = QString::fromStdString(StemOf(ExtractName(d.ActiveTitle)));
    int last = d.FileList->FocusIndex;
    while (last + 1 < d.FileList->Count() &&
           QString::fromStdString(StemOf(ExtractName(d.Item(last + 1)->Title))).compare(stem, Qt::CaseInsensitive) == 0)
        ++last;
    const std::string next = GetNextSuffixNumFileName(d.Item(last)->Title);
    if (FunStatContext.IsError()) return {};
    return ExtractName(next);
}

void TMainForm::FileDragMenu_CopyClick()
{
    OnCopyMove("Copy", false);
}
void TMainForm::FileDragMenu_MoveClick()
{
    OnCopyMove("Move", false);
}
void TMainForm::FileDragMenu_ConvertPictureClick()
{
    OnCopyMove("Convert picture", false);
}
void TMainForm::FileDragMenu_DropCopyClick()
{
    OnCopyMove("Copy", true);
}
void TMainForm::FileDragMenu_DropMoveClick()
{
    OnCopyMove("Move", true);
}
void TMainForm::FileDragMenu_DropConvertPictureClick()
{
    OnCopyMove("Convert picture", true);
}
void TMainForm::FileDragMenu_CopyAsLinkClick()
{
    OnCopyMove("Copy as link", false);
}
void TMainForm::FileDragMenu_CompareClick()
{
    OnCopyMove("Compare", false);
}
void TMainForm::FileDragMenu_CopyAsClick()
{
    Com_CopyAs(false, false);
}
void TMainForm::FileDragMenu_MoveAsClick()
{
    Com_CopyAs(false, true);
}
void TMainForm::FileDragMenu_CopyAsLastNumberedClick()
{
    Com_CopyAs(true, false);
}
void TMainForm::FileDragMenu_MoveAsLastNumberedClick()
{
    Com_CopyAs(true, true);
}

void TMainForm::FileDragMenu_CopyAsHardLinkClick()
{
    TFunScope Fun(ThisUnit, "TMainForm::FileDragMenu_CopyAsHardLinkClick");
    Fun.Run([&] {
        TColumn &s = DragSourceColumn();
        TColumn &d = ActiveColumn();
        const TFileListData *item = s.Item(DragSourceIndex());
        if (!item || d.ContainerIndex >= 0 || !CopyAsForm) return;
        const std::string directory = ExtractDirectory(d.ActiveTitle);
        if (CopyAsForm->Dialog(item->Title, directory, false, false, true, ""))
            ReloadAfterOperation(s, ExtractDirectory(item->Title), directory, directory + CopyAsForm->Name());
    });
    Fun.ShowIfFailed("Failed to copy as hard-link.");
}

void TMainForm::FileDragMenu_SearchDuplicatesClick()
{
    const TFileListData *item = DragSourceColumn().Item(DragSourceIndex());
    if (item) ActiveColumn().Com_Search(item->Title);
}

void TMainForm::FileDragMenu_DirectLocateClick()
{
    const TFileListData *item = DragSourceColumn().Item(DragSourceIndex());
    if (!item) return;
    TColumn &d = ActiveColumn();
    const int found = d.IndexOfName(ExtractName(item->Title));
    if (found < 0) {
        ShowWarningMessage("There is no such file name to focus.");
        return;
    }
    d.FocusIndex(found);
    FocusColumn(-1, false);
}

// Starts the program (or the program a desktop entry starts, with the entry's own arguments)
// with the parameter.
static void RunWithParameter(const std::string &program, const std::string &parameter,
                             const std::string &directory)
{
    if (!IsLinkFile(program)) {
        RunFile(program, parameter, directory, false, true);
        return;
    }
    TLinkFile link;
    link.Load(program, true);
    if (FunStatContext.IsError()) return;
    const std::string quoted = "\"" + parameter + "\"";
    RunFile(link.reference, link.arguments.empty() ? quoted : link.arguments + " " + quoted,
            link.workingDirectory.empty() ? directory : link.workingDirectory, false, false);
}

void TMainForm::FileDragMenu_SendToProgramClick()
{
    TFunScope Fun(ThisUnit, "TMainForm::FileDragMenu_SendToProgramClick");
    Fun.Run([&] {
        const TFileListData *item = DragSourceColumn().Item(DragSourceIndex());
        if (!item) return;
        RunWithParameter(ActiveColumn().ActiveTitle, FileOf(item->Title), ExtractDirectory(FileOf(item->Title)));
    });
    Fun.ShowIfFailed("Failed to send file to program.");
}

void TMainForm::FileDragMenu_SendRefToProgramClick()
{
    TFunScope Fun(ThisUnit, "TMainForm::FileDragMenu_SendRefToProgramClick");
    Fun.Run([&] {
        const TFileListData *item = DragSourceColumn().Item(DragSourceIndex());
        if (!item) return;
        const std::string reference = GetWhenReference(item->Title);
        if (Fun.CalleeFailed()) return;
        RunWithParameter(ActiveColumn().ActiveTitle, reference, ExtractDirectory(reference));
    });
    Fun.ShowIfFailed("Failed to send reference to program.");
}

void TMainForm::FileDragMenu_SystemClick()
{
    ShowContextMenu(DragDestinationIndex, -1, true, DragShift, -1);
}

void TMainForm::FileDragMenu_SetWithSourceColumnClick()
{
    TColumn &s = DragSourceColumn();
    TColumn &d = ActiveColumn();
    if (&s == &d) return;
    d.SetWithColumnContent(s, false, true, true, true);
    FocusColumn(d.Index, false);
}

void TMainForm::FileDragMenu_SwitchColumnsClick()
{
    TColumn &s = DragSourceColumn();
    TColumn &d = ActiveColumn();
    if (&s == &d) return;
    TColumn &spare = SpareColumn();
    const int focusIndex = d.FileList->FocusIndex;
    const int focusRow = d.FocusRow;
    spare.SetWithColumnContent(d, false, true, false, false);
    d.SetWithColumnContent(s, false, true, false, true);
    s.SetWithColumnContent(spare, false, true, false, true);
    s.FocusRow = focusRow;
    s.FocusIndex(std::min(focusIndex, std::max(0, s.FileList->Count() - 1)));
    FocusColumn(d.Index, false);
}

void TMainForm::FileDragMenu_EnterThisDirClick()
{
    const TColumn &s = DragSourceColumn();
    if (s.FileList->Empty || s.ActiveTitle.empty()) return;
    ActiveColumn().EnterDirectory(ShiftBit(ssAlt), s.ActiveTitle);
}

// ---- The inter-board source column ------------------------------------------------------------

void TMainForm::MarkInterBoardSource(bool fromKey)
{
    TColumn &a = ActiveColumn();
    if (fromKey) {
        DragSourcePosition = a.Index;
        DragShift = Qt::NoModifier;
        DragSourceItem = a.FileList->FocusIndex;
        DragActiveTitle = a.ActiveTitle;
    }
    InterBoard = {DragShift, DragSourceItem, DragActiveTitle, true};
    InterBoardSourceColumn().SetWithColumnContent(a, false, true, false, false);
    InterBoardSourceColumn().FocusIndex(a.FileList->FocusIndex);
}

void TMainForm::UseInterBoardSource()
{
    DragSourcePosition = InterBoardSourceColumn().Index;
    DragShift = InterBoard.Modifiers;
    DragSourceItem = InterBoard.SourceItem;
    DragActiveTitle = InterBoard.SourceTitle;
}

std::string TMainForm::InterBoardTitle() const
{
    const TColumn &ib = *Columns[11];
    std::string title;
    if (!InterBoard.Marked) return "No marked column";
    if (ib.ContainerIndex >= 0) title = "Container \"" + Containers.containers[static_cast<std::size_t>(ib.ContainerIndex)].DisplayName() + "\"";
    else title = "Directory \"" + ExtractName(ExcludeTrailingBackslash(ExtractDirectory(ib.ActiveTitle))) + "\"";
    if (ib.SelectedCount > 0) title += " (" + std::to_string(ib.SelectedCount) + ")";
    return title;
}

TInterBoardRules TMainForm::InterBoardRulesOf() const
{
    const TColumn &ib = *Columns[11];
    const TColumn &a = *Columns[ActiveColumnIndex];
    TInterBoardRules r;
    const bool items = InterBoard.Marked && !ib.FileList->Empty;
    const bool sameDirectory = ib.ContainerIndex >= 0 || a.ContainerIndex >= 0
                                   ? ib.ContainerIndex == a.ContainerIndex
                                   : ExtractDirectory(ib.ActiveTitle) == ExtractDirectory(a.ActiveTitle);
    const bool drive = IsDrivePath(InterBoard.SourceTitle) || IsDrivePath(a.ActiveTitle);
    r.Show = InterBoard.Marked;
    r.SetWith = items && !sameDirectory;
    r.Copy = r.SetWith && !drive;
    r.Convert = items && !drive && a.ContainerIndex < 0 && FileForm && FileForm->PictureFormatComboBox->count() > 0;
    r.Move = items && !sameDirectory && !drive && a.ContainerIndex < 0;
    return r;
}

void TMainForm::Com_MarkInterBoardSource()
{
    MarkInterBoardSource(ClickFromKey);
}

void TMainForm::Com_ShowInterBoardFileDragMenu()
{
    if (!InterBoard.Marked) return;
    UseInterBoardSource();
    ShowFileDragMenu(-1, -1, InterBoard.Modifiers);
}

void TMainForm::ShowInterBoardFileDragMenuAt(int x, int y, Qt::KeyboardModifiers modifiers)
{
    if (!InterBoardRulesOf().Show) return;
    UseInterBoardSource();
    DragShift = modifiers;
    ShowFileDragMenu(x, y, modifiers);
}

void TMainForm::Com_SetWithInterBoardSource()
{
    if (!InterBoardRulesOf().SetWith) return;
    ActiveColumn().SetWithColumnContent(InterBoardSourceColumn(), false, true, true, true);
    FocusColumn(-1, false);
}

void TMainForm::Com_InterBoardCopy()
{
    if (!InterBoardRulesOf().Copy) return;
    UseInterBoardSource();
    OnCopyMove("Copy", false);
}

void TMainForm::Com_InterBoardConvertPicture()
{
    if (!InterBoardRulesOf().Convert) return;
    UseInterBoardSource();
    OnCopyMove("Convert picture", false);
}

void TMainForm::Com_InterBoardMove()
{
    if (!InterBoardRulesOf().Move) return;
    UseInterBoardSource();
    OnCopyMove("Move", false);
}
