// The main window's viewers: the viewer panel's viewer, the hover window with the logic that
// opens and closes it, and the viewer commands of the "View & Edit" menu.
#include "app/MainDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/Text.h"
#include "app/FileHoverDialog.h"
#include "app/FileViewer.h"
#include "app/OptionsDialog.h"
#include "app/SkinDialog.h"
#include "app/ViewerPlugins.h"

#include <QCursor>
#include <QGuiApplication>

namespace {

constexpr const char *ThisUnit = "MainDialog";

} // namespace

void TMainForm::CreateViewers()
{
    if (!FileViewer) {
        FileViewer = new TFileViewer(ViewerClient);
        FileViewer->SetOptions(ViewerOptions);
        FileViewer->IsViewerPanelVisible = [this] { return ViewerVisible; };
        FileViewer->OnShowViewerPanel = [this] {
            if (ViewerVisible) return;
            ViewerVisible = true;
            Reset(false);
            FocusColumn(-1, false);
        };
        FileViewer->OnInfo = [this](const std::string &text) {
            if (MyTPanel::OnHint) MyTPanel::OnHint(text);
        };
    }
    if (!FileHoverForm) {
        FileHoverForm = new TFileHoverForm(this);
        FileHoverForm->OnHasThumbnail = [this](const std::string &title) {
            return HasThumbnail(title);
        };
        FileHoverForm->OnPaintThumb = [this](const std::string &file,
                                             QRect display,
                                             QRect info,
                                             QPainter &canvas,
                                             std::int64_t modified,
                                             std::int64_t size) {
            PaintThumb(file, nullptr, display, info, canvas, modified, size);
        };
    }
    OnCloseFileHover = [this] { CloseFileHover(); };
}

void TMainForm::DestroyViewers()
{
    OnCloseFileHover = nullptr;
    // Only the viewers of this window.
    if (FileViewer && FileViewer->Client == ViewerClient) {
        delete FileViewer;
        FileViewer = nullptr;
    }
    if (FileHoverForm && FileHoverForm->parentWidget() == this) {
        delete FileHoverForm;
        FileHoverForm = nullptr;
    }
}

// ---- Hover ----------------------------------------------------------------------------------

bool TMainForm::HasThumbnail(const std::string &title) const
{
    const std::string extension = ExtractExtension(title);
    const std::string upper = UpperCaseText(extension);
    if (PictureFileExtensions.Has(extension)) return true;
    if (upper == ".EXE" || upper == ".CUR") return true;
    if (TextFileExtensions.Has(extension)) return true;
    return ViewerPlugins.FindViewerPluginSlot(extension) >= 0;
}

void TMainForm::SetHotItem(int column, int index)
{
    if (index < 0 || (!ProgramOptions.HotTrackColumnItems && !ProgramOptions.FileHoverActive))
        return;
    const TColumnItem item{column, index};
    if (item != HotItem) {
        if (HotItem.Column >= 0)
            Columns[HotItem.Column]->DrawAnItem(nullptr, HotItem.Index, true, false);
        HotItem = item;
        HotItemPainted = false;
        Columns[column]->DrawAnItem(nullptr, index, false, true);
    } else {
        QRect rect;
        QPoint mouse, origin;
        int lineHeight = 0;
        if (IsMouseOverHotType(rect, mouse, lineHeight, origin)) return;
    }
    ItemHoverWatch.Start();
}

void TMainForm::ClearHotItem()
{
    if (HotItem.Column < 0) return;
    Columns[HotItem.Column]->DrawAnItem(nullptr, HotItem.Index, true, false);
    HotItem = {};
}

bool TMainForm::IsMouseOverHotType(QRect &itemRect,
                                   QPoint &mouse,
                                   int &lineHeight,
                                   QPoint &listOrigin)
{
    if (HotItem.Column < 0 || HotItem.Index < 0) return false;
    const TColumn &column = *Columns[HotItem.Column];
    const MyTPanel *list = column.FileList;
    itemRect = list->ItemRectInside(HotItem.Index);
    mouse = QCursor::pos();
    listOrigin = list->mapToGlobal(QPoint(0, 0)) + QPoint(list->BorderWidth, list->BorderWidth);
    lineHeight = list->LineHeight();
    if (itemRect.isEmpty()) return false;
    return mouse.x() - itemRect.left() - listOrigin.x() < column.GetTypeFieldWidth(true) &&
           mouse.y() - itemRect.top() - listOrigin.y() < lineHeight;
}

void TMainForm::CloseFileHover()
{
    if (HoverItem.Column >= 0) {
        if (HoverPlaying && MediaPlayer) MediaPlayer->Stop();
        HoverPlaying = false;
        if (FileHoverForm) FileHoverForm->HideHover();
    }
    HoverItem = HotItem;
}

void TMainForm::CheckHoverMove(int column, int index, int x, int y)
{
    if (!FileHoverForm || !FileHoverForm->Shown) return;
    if (TColumnItem{column, index} == HoverItem && index >= 0) {
        const MyTPanel *list = Columns[column]->FileList;
        const QPoint at = list->mapToGlobal(QPoint(0, 0)) + QPoint(x, y);
        if (HoverMovedAway(HoverStartPoint, at, ProgramOptions.FileHoverSensitivity))
            CloseFileHover();
    } else {
        CloseFileHover();
        HoverItem = {};
    }
}

void TMainForm::CheckItemHotTrack()
{
    TFunScope Fun(ThisUnit, "TMainForm::CheckItemHotTrack");
    Fun.Run([&] {
        const TProgramOptions &o = ProgramOptions;
        int i = -1;
        if (HotItem.Column >= 0) i = Columns[HotItem.Column]->FileList->ItemUnderMouse();
        if (i >= 0 && Columns[HotItem.Column]->FileList->Empty) i = -1;
        if (i < 0) {
            CloseFileHover();
            HoverItem = {};
        }
        if (HotItem.Column < 0 || (!o.HotTrackColumnItems && !o.FileHoverActive)) return;
        if (i >= 0 && o.FileHoverActive && (o.ShowFileType || o.SimulateFileType)) {
            QRect rect;
            QPoint mouse, origin;
            int lineHeight = 0;
            THoverFacts facts;
            facts.HoverDiffersFromHot = HoverItem != HotItem;
            facts.WindowShown = FileHoverForm && FileHoverForm->Shown;
            facts.MouseButtonHeld = (QGuiApplication::mouseButtons() &
                                     (Qt::LeftButton | Qt::RightButton | Qt::MiddleButton)) != 0;
            facts.DelayPassed = [&] { return ItemHoverWatch.IsPeriod(o.FileHoverDelay * 0.1); };
            facts.MainWindowActive = isActiveWindow();
            facts.MouseOverHotType = [&] {
                return IsMouseOverHotType(rect, mouse, lineHeight, origin);
            };
            if (!FileHoverForm || !HoverOpens(facts)) return;
            const TFileListData *item = Columns[HotItem.Column]->Item(HotItem.Index);
            if (!item) return;
            HoverItem = HotItem;
            HoverStartPoint = mouse;
            const bool playMedia =
                o.FileHoverPlayMedia && !(o.FileHoverDontPlayAlready && MediaPlayer &&
                                          MediaPlayer->IsPlaying() && !HoverPlaying);
            FileHoverForm->Display(playMedia,
                                   o.FileHoverShowVideoThumbnail,
                                   item->Kind == ikDirectory,
                                   item->Created,
                                   item->Modified,
                                   item->Size,
                                   item->Title,
                                   origin.y() + rect.top() + lineHeight,
                                   origin.x() + rect.left(),
                                   SkinOptions.GridColor,
                                   SkinOptions.MouseMenuTextColor,
                                   SkinOptions.MouseMenuBackColor,
                                   lineHeight,
                                   o.ItemsFontSize,
                                   o.ItemsFontName,
                                   o.FileHoverGenericWidth,
                                   o.FileHoverMovieHeight,
                                   o.FileHoverMovieWidth,
                                   o.FileHoverPictureHeight,
                                   o.FileHoverPictureWidth);
            Fun.CalleeFailed();
        } else if (i < 0) {
            ClearHotItem();
        }
    });
    FunStatContext.Reset(fsPerfect);
}

// ---- Commands ---------------------------------------------------------------------------------

void TMainForm::Com_ViewFile()
{
    if (!FileViewer || ActiveColumn().FocusKind == ikDirectory) return;
    FileViewer->SetOptions(ViewerOptions);
    FileViewer->Do(ActiveColumn().ActiveTitle);
}

namespace {

void ViewNeighbour(TMainForm &form, int step)
{
    TColumn &column = form.ActiveColumn();
    MyTPanel *list = column.FileList;
    if (!list->Empty && list->Count() > 0) {
        const int index = std::clamp(list->FocusIndex + step, 0, list->Count() - 1);
        column.FocusIndex(index);
        column.RecordFocus();
        column.ShowInfo();
    }
    if (!FileViewer) return;
    FileViewer->SetOptions(ViewerOptions);
    FileViewer->Do(column.ActiveTitle);
}

} // namespace

void TMainForm::Com_ViewNext()
{
    ViewNeighbour(*this, 1);
}

void TMainForm::Com_ViewPrevious()
{
    ViewNeighbour(*this, -1);
}

void TMainForm::Com_ViewClipboardPicture()
{
    if (!FileViewer) return;
    FileViewer->SetOptions(ViewerOptions);
    FileViewer->ViewClipboardPicture();
}

void TMainForm::Com_ViewMediaInDirectory()
{
    if (!FileViewer) return;
    TColumn &column = ActiveColumn();
    const std::string caption =
        column.ContainerIndex >= 0 ? std::string() : ExtractDirectory(column.ActiveTitle);
    FileViewer->ViewMediaInDirectory(caption, column.FileList, 0, std::string());
}

void TMainForm::Com_ViewThisMediaInDirectory()
{
    if (!FileViewer) return;
    TColumn &column = ActiveColumn();
    FileViewer->ViewMediaInDirectory(
        ExtractDirectory(column.ActiveTitle), column.FileList, 0, column.ActiveTitle);
}

void TMainForm::Com_HideViewer()
{
    if (!ViewerVisible) return;
    if (MediaPlayer && MediaPlayer->IsPlaying() && MediaPlayer->PlayListHasVideo()) return;
    ViewerVisible = false;
    if (FileViewer) FileViewer->Clear();
    Reset(false);
    FocusColumn(-1, false);
}

void TMainForm::Com_CloseViewer()
{
    const bool playing = MediaPlayer && MediaPlayer->IsPlaying();
    if (!ViewerVisible && !playing) return;
    if (MediaPlayer) MediaPlayer->Stop();
    if (ViewerVisible) Com_HideViewer();
}
