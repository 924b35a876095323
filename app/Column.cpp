// The column's construction, content copies, loading and the insert, cut and rotate commands.
#include "app/Column.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"

#include <QPainter>

namespace {

constexpr const char *ThisUnit = "Column";

// Equal weights need no new layout of the columns area.
bool WeightsAllEqual(const TMainForm &form)
{
    for (int i = 1; i < form.VisibleColumnCount; ++i)
        if (form.Columns[i]->WidthAttribute != form.Columns[0]->WidthAttribute ||
            form.Columns[i]->Subcolumns != form.Columns[0]->Subcolumns)
            return false;
    return true;
}

// Hides the columns area while the columns are rearranged, then lays out (when the weights
// were or are unequal), shows the area again and refocuses, whatever happened in between.
class TColumnsRearrangement
{
public:
    explicit TColumnsRearrangement(TMainForm &form) : Form(form), EqualBefore(WeightsAllEqual(form))
    {
        Form.ColumnsArea->hide();
    }
    ~TColumnsRearrangement()
    {
        if (!EqualBefore || !WeightsAllEqual(Form)) Form.ResetColumnsArea();
        Form.ColumnsArea->show();
        Form.FocusColumn(-1, false);
    }
    TColumnsRearrangement(const TColumnsRearrangement &) = delete;
    TColumnsRearrangement &operator=(const TColumnsRearrangement &) = delete;

private:
    TMainForm &Form;
    bool EqualBefore;
};

} // namespace

void TColumn::ArmDirMonitor()
{
    // A directory that cannot be watched is read again on activation: not the load's failure,
    // and whatever failure came before stays.
    const TFunStatContext before = FunStatContext;
    if (IsVisible() && ContainerIndex < 0) DirMonitor.Ini(ExtractDirectory(ActiveTitle));
    else DirMonitor.Stop();
    FunStatContext = before;
}

TColumn::TColumn(TMainForm &form, QWidget *columnsArea, int index)
    : ColumnPanel(new MyTPanel(columnsArea)), HeaderButton(new MyTPanel(ColumnPanel)),
      FileList(new MyTPanel(ColumnPanel, MyTPanel::RoleList)), ActiveTitle(SystemDrive()),
      PreviousTitle(ActiveTitle), DefaultTitle(ActiveTitle), Index(index), Form(form)
{
    // The background picture shows through the column's translucent faces.
    for (MyTPanel *panel : {ColumnPanel, HeaderButton, FileList}) panel->Transparent = true;
    ColumnPanel->BorderWidth = 2;
    ColumnPanel->Framed = false;
    HeaderButton->FaceStyle = 0;
    HeaderButton->BorderWidth = 3;
    HeaderButton->CenterH = true;
    FileList->FaceStyle = 1;
    FileList->BorderWidth = 1;
    FileList->OnNewItem = [] { return std::make_unique<TFileListData>(); };
    FileList->OnIsEmptyItem = [](const TPanelItem &item) {
        return static_cast<const TFileListData &>(item).Title.empty();
    };
    FileList->ClearItems();
    FileList->OnDrawItem = [this](QPainter &painter, int i, const QRect &) {
        DrawAnItem(&painter, i, false, false);
    };
    FileList->OnMouseDown = [this](QMouseEvent *event) { FileListMouseDown(event); };
    FileList->OnMouseUp = [this](QMouseEvent *event, int x, int y) { FileListMouseUp(event, x, y); };
    FileList->OnMouseMove = [this](QMouseEvent *event, int x, int y) {
        FileListMouseMove(event, x, y);
    };
    FileList->OnKeyDown = [this](QKeyEvent *event) { FileListKeyDown(event); };
    FileList->OnEnter = [this] { FileListEnter(); };
    FileList->OnDragOver = [this](QDragMoveEvent *event, int x, int y) {
        FileListDragOver(event, x, y);
    };
    FileList->OnDragDrop = [this](QDropEvent *event, int x, int y) { FileListDragDrop(event, x, y); };
    HeaderButton->OnMouseDown = [this](QMouseEvent *event) { HeaderButtonMouseDown(event); };
    UpdateHeader();
}

TColumn::~TColumn()
{
    DirMonitor.Stop();
}

bool TColumn::IsVisible() const
{
    return Index < Form.VisibleColumnCount;
}

TFileListData *TColumn::Item(int index) const
{
    if (index < 0 || index >= FileList->Count()) return nullptr;
    return static_cast<TFileListData *>(FileList->Items[static_cast<std::size_t>(index)].get());
}

void TColumn::ClearColumn()
{
    FileList->ClearItems();
    DirectoryCount = LinkCount = ProgramCount = DocumentCount = GenericCount = EncryptedCount = 0;
    TotalSize = 0;
    SelectedCount = 0;
    SelectedSize = 0;
    UpdateItemHeight();
}

void TColumn::ResetColumnToDefaults(bool unfix)
{
    ClearColumn();
    ContainerIndex = -1;
    if (unfix) {
        Fixed = false;
        HeaderButton->Down = false;
    }
    WidthAttribute = 1;
    Subcolumns = 1;
    FileList->SetSubcolumns(1);
    ThumbHeight = 3;
    Thumb = false;
    SortMode = "Name";
    ShowContainerPaths = false;
    ActiveTitle = SystemDrive();
    FocusKind = 0;
    FocusRow = 0;
    FocusKey = 0;
    DefaultTitle = ActiveTitle;
    UpdateHeader();
}

void TColumn::SetWithColumnContent(
    TColumn &source, bool clearList, bool copyFocus, bool savePrevious, bool refocus)
{
    TFunScope Fun(ThisUnit, "TColumn::SetWithColumnContent");
    FileList->PaintingEnabled = false;
    Fun.Run([&] {
        ContainerIndex = source.ContainerIndex;
        if (savePrevious) PreviousTitle = ActiveTitle;
        if (copyFocus) {
            ActiveTitle = source.ActiveTitle;
            LoadedPartition = source.LoadedPartition;
            FocusKind = source.FocusKind;
            FocusRow = source.FocusRow;
            FocusKey = source.FocusKey;
        }
        SortMode = source.SortMode;
        if (source.DirMonitor.ChangePending) source.HeaderButton->StrikeOut = true;
        HeaderButton->StrikeOut = source.HeaderButton->StrikeOut;
        ArmDirMonitor();
        if (clearList) {
            FileList->ClearItems();
            return;
        }
        DirectoryCount = source.DirectoryCount;
        LinkCount = source.LinkCount;
        ProgramCount = source.ProgramCount;
        DocumentCount = source.DocumentCount;
        GenericCount = source.GenericCount;
        EncryptedCount = source.EncryptedCount;
        TotalSize = source.TotalSize;
        SelectedCount = source.SelectedCount;
        SelectedSize = source.SelectedSize;
        const int keptFocus = FileList->FocusIndex;
        FileList->Items.clear();
        FileList->Items.reserve(source.FileList->Items.size());
        for (int i = 0; i < source.FileList->Count(); ++i)
            FileList->Items.push_back(std::make_unique<TFileListData>(*source.Item(i)));
        FileList->ItemsChanged();
        UpdateItemHeight();
        if (refocus) {
            FocusByTitle(ActiveTitle, FocusKind, true, ContainerIndex < 0, SortMode, FocusKey, FocusRow);
        } else {
            FileList->FocusIndex = std::clamp(keptFocus, 0, FileList->Count() - 1);
            ScrollFocusToRow();
        }
    });
    FileList->PaintingEnabled = IsVisible();
    UpdateHeader();
    FileList->update();
}

void TColumn::SetWithAllColumn(TColumn &source, bool copyFixed, bool refocus, bool clearList)
{
    TFunScope Fun(ThisUnit, "TColumn::SetWithAllColumn");
    Fun.Run([&] {
        WidthAttribute = source.WidthAttribute;
        Subcolumns = source.Subcolumns;
        FileList->SetSubcolumns(Subcolumns);
        ThumbHeight = source.ThumbHeight;
        Thumb = source.Thumb;
        UpdateItemHeight();
        ShowContainerPaths = source.ShowContainerPaths;
        SetWithColumnContent(source, clearList, true, true, refocus);
        if (Fun.CalleeFailed()) return;
        if (copyFixed) {
            Fixed = source.Fixed;
            HeaderButton->Down = Fixed;
        }
        PreviousTitle = source.PreviousTitle;
        DefaultTitle = source.DefaultTitle;
    });
}

void CopyColumn(TColumn &destination, TColumn &source)
{
    if (&destination == &source) return;
    destination.SetWithColumnContent(source, false, true, true, true);
}

void TColumn::InsertColumn(bool before)
{
    if (Index >= 9) return;
    TFunScope Fun(ThisUnit, "TColumn::InsertColumn");
    Fun.Run([&] {
        TColumnsRearrangement rearrangement(Form);
        const std::string keptMode = before ? SortMode : Form.Columns[Index - 1 >= 0 ? Index - 1 : 0]->SortMode;
        for (int i = 9; i > Index; --i) {
            Form.Columns[i]->SetWithAllColumn(*Form.Columns[i - 1],
                                              true,
                                              i < Form.VisibleColumnCount,
                                              i >= Form.VisibleColumnCount);
            if (Fun.CalleeFailed()) return;
        }
        ResetColumnToDefaults(!before);
        if (before) {
            TColumn &moved = *Form.Columns[Index + 1];
            moved.Fixed = false;
            moved.HeaderButton->Down = false;
        }
        SortMode = keptMode;
        LoadDirectory(true);
        Fun.CalleeFailed();
    });
    Fun.ShowIfFailed("Failed to insert column.");
}

void TColumn::CutColumn()
{
    if (Form.GroupStart(Index) == Form.GroupEnd(Index)) return;
    TFunScope Fun(ThisUnit, "TColumn::CutColumn");
    Fun.Run([&] {
        TColumnsRearrangement rearrangement(Form);
        const int groupStart = Form.GroupStart(Index);
        if (Form.GroupEnd(Index) == Form.ActiveColumnIndex) --Form.ActiveColumnIndex;
        for (int i = Index; i <= 8; ++i) {
            Form.Columns[i]->SetWithAllColumn(*Form.Columns[i + 1],
                                              groupStart < i,
                                              i < Form.VisibleColumnCount - 1,
                                              i >= Form.VisibleColumnCount);
            if (Fun.CalleeFailed()) return;
        }
        Form.Columns[9]->ResetColumnToDefaults(true);
        Form.Columns[Form.VisibleColumnCount - 1]->LoadDirectory(true);
        Fun.CalleeFailed();
    });
    Fun.ShowIfFailed("Failed to cut column.");
}

void TColumn::Com_RotateColumnsToRight(TMainForm &form)
{
    TFunScope Fun(ThisUnit, "TColumn::Com_RotateColumnsToRight");
    Fun.Run([&] {
        TColumnsRearrangement rearrangement(form);
        TColumn &spare = form.SpareColumn();
        spare.SetWithAllColumn(*form.Columns[9], true, false, true);
        if (Fun.CalleeFailed()) return;
        for (int i = 9; i >= 1; --i) {
            form.Columns[i]->SetWithAllColumn(
                *form.Columns[i - 1], true, true, i >= form.VisibleColumnCount);
            if (Fun.CalleeFailed()) return;
        }
        form.Columns[0]->SetWithAllColumn(spare, true, false, true);
        if (Fun.CalleeFailed()) return;
        spare.ResetColumnToDefaults(false);
        form.Columns[0]->LoadDirectory(true);
        Fun.CalleeFailed();
    });
    Fun.ShowIfFailed("Failed to rotate column.");
}

void TColumn::Com_RotateColumnsToLeft(TMainForm &form)
{
    TFunScope Fun(ThisUnit, "TColumn::Com_RotateColumnsToLeft");
    Fun.Run([&] {
        TColumnsRearrangement rearrangement(form);
        TColumn &spare = form.SpareColumn();
        spare.SetWithAllColumn(*form.Columns[0], true, false, true);
        if (Fun.CalleeFailed()) return;
        for (int i = 0; i <= 8; ++i) {
            form.Columns[i]->SetWithAllColumn(*form.Columns[i + 1],
                                              true,
                                              i + 1 != form.VisibleColumnCount,
                                              i >= form.VisibleColumnCount);
            if (Fun.CalleeFailed()) return;
        }
        form.Columns[9]->SetWithAllColumn(spare, true, false, true);
        if (Fun.CalleeFailed()) return;
        spare.ResetColumnToDefaults(false);
        form.Columns[form.VisibleColumnCount - 1]->LoadDirectory(true);
        Fun.CalleeFailed();
    });
    Fun.ShowIfFailed("Failed to rotate column.");
}

std::string TColumn::HeaderCaption() const
{
    if (ContainerIndex >= 0) return "Container \"" + Form.Containers[ContainerIndex].DisplayName() + "\"";
    // The root's header reads "/", not the partition title ":/" of the path service.
    const std::string directory = ExcludeTrailingBackslash(ExtractDirectory(ActiveTitle));
    return IsDrivePath(directory) ? directory.substr(1) : directory;
}

void TColumn::UpdateHeaderHint()
{
    HeaderButton->Hint =
        "Column's parent directory \"" + ExtractDirectory(ActiveTitle) +
        "\". If the content of the directory has changed then a horizontal line strikes the button "
        "caption. If the column's fixed attribute is true, this button looks pressed.  [LMB] = " +
        ProgramOptions.LMBColumnHeaderOperation + ". [RMB] = " + ProgramOptions.RMBColumnHeaderOperation +
        ". [MMB] = " + ProgramOptions.MMBColumnHeaderOperation + ".";
}

void TColumn::UpdateHeader()
{
    const std::string caption = HeaderCaption();
    HeaderButton->SetCaptions(caption, caption);
    HeaderButton->Down = Fixed;
    UpdateHeaderHint();
}
