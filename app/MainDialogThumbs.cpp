// The main window's pictures: thumbnails of column items, the user logo and the background
// picture.
#include "app/MainDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/FileLink.h"
#include "Libraries/MyGDIPlus.h"
#include "Libraries/PictureCache.h"
#include "Libraries/Program.h"
#include "Libraries/Text.h"
#include "Libraries/Utilities.h"
#include "Libraries/UtilitiesUi.h"
#include "app/Column.h"
#include "app/MyControls.h"
#include "app/OptionsDialog.h"
#include "app/SkinDialog.h"
#include "app/ViewerPluginEntries.h"
#include "app/ViewerPlugins.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"

#include <QPainter>

#include <algorithm>
#include <vector>

namespace {

constexpr const char *ThisUnit = "MainDialog";

// The margin of text thumbnails: the cache's own default.
constexpr int TextThumbMargin = -1;

bool IsIconSourceExtension(const std::string &upperExtension)
{
    return upperExtension == ".EXE" || upperExtension == ".CUR";
}

// A program or cursor file whose icon is its thumbnail, directly or as a link's target.
bool IsIconSource(const std::string &fileName, const std::string &upperExtension)
{
    if (IsIconSourceExtension(upperExtension)) return true;
    if (!IsLinkFile(fileName)) return false;
    const std::string target = GetWhenReference(fileName);
    // An unreadable link is simply not an icon source.
    FunStatContext.Reset(fsPerfect);
    return IsIconSourceExtension(UpperCaseText(ExtractExtension(target)));
}

void WriteInfo(QPainter &canvas, const QRect &rect, const std::string &text)
{
    DrawTextInRect(text, canvas, true, 0, 0, 0, 0, false, nullptr, nullptr, false, false, 0, rect);
}

// "W 640± * H 480 | Z 25% |  Sz 1.2 MB": the size a conversion with "Normalize size" would
// write, the scale of the thumbnail and the file's size.
std::string PictureInfoLine(int naturalWidth, int naturalHeight, int scalePercent,
                            std::uint64_t fileSize, bool fitSmall)
{
    const TProgramOptions &o = ProgramOptions;
    int width = naturalWidth, height = naturalHeight;
    ScaleToFixed(naturalWidth,
                 naturalHeight,
                 o.NormalizeThumbWidthTo,
                 height,
                 width,
                 fitSmall,
                 o.NormalizeThumbHeightTo,
                 o.NormalizeThumbWidth || o.NormalizeThumbHeight,
                 o.NormalizeThumbHeight,
                 o.NormalizeThumbWidth);
    if (width < 1) width = naturalWidth;
    if (height < 1) height = naturalHeight;
    return "W " + std::to_string(width) + (o.NormalizeThumbWidth ? "\u00B1" : "") + " * H " +
           std::to_string(height) + (o.NormalizeThumbHeight ? "\u00B1" : "") + " | Z " +
           std::to_string(scalePercent) + "% |  Sz " + ThumbSizeText(fileSize);
}

// The thumbnail painter of the columns.
void PaintColumnThumbnail(const std::string &title,
                          MyTPanel &list,
                          const QRect &picture,
                          const QRect &caption,
                          QPainter &canvas,
                          std::int64_t size,
                          std::int64_t modified)
{
    if (MainForm) MainForm->PaintThumb(title, &list, picture, caption, canvas, modified, size);
}

} // namespace

std::string ThumbSizeText(std::uint64_t size)
{
    return FileSizeText(3, 0, size);
}

void InstallThumbnailPainter()
{
    PaintThumbnail = &PaintColumnThumbnail;
}

void TMainForm::PaintThumb(const std::string &fileName,
                           MyTPanel *control,
                           QRect thumbRect,
                           QRect infoRect,
                           QPainter &canvas,
                           std::int64_t writeTime,
                           std::int64_t fileSize)
{
    TFunScope Fun(ThisUnit, "TMainForm::PaintThumb");
    ThumbInfo.clear();
    const auto info = [&](const std::string &text) {
        ThumbInfo = text;
        WriteInfo(canvas, infoRect, text);
    };
    Fun.Run([&] {
        if (IsDrivePath(fileName)) {
            info("Picture not available");
            return;
        }
        const TProgramOptions &o = ProgramOptions;
        const TSkinOptions &s = SkinOptions;
        const std::string ext = UpperCaseText(ExtractExtension(fileName));
        const auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(0, fileSize));
        const auto time = static_cast<std::uint64_t>(writeTime);
        const bool *scrolling = control ? &control->Scrolling : nullptr;
        const bool iconSource = IsIconSource(fileName, ext);
        const bool video = VideoFileExtensions.Has(ext);
        const bool picture = PictureFileExtensions.Has(ext);
        int naturalHeight = 0, naturalWidth = 0, scale = 0;
        const auto load = [&](const TPluginLoadFileFunction &draw,
                              const TPluginPictureSizeFunction &measure,
                              bool usePlugin,
                              bool isVideo,
                              std::int64_t textLimit,
                              bool dependsOnTextFormat,
                              bool fitExactly,
                              int fitSmallSize,
                              bool fitSmall) {
            PictureCache.Load(scrolling,
                              canvas,
                              draw,
                              measure,
                              usePlugin,
                              isVideo,
                              textLimit,
                              dependsOnTextFormat,
                              naturalHeight,
                              naturalWidth,
                              scale,
                              fitExactly,
                              fitSmallSize,
                              fitSmall,
                              time,
                              size,
                              fileName,
                              TextThumbMargin,
                              thumbRect,
                              o.ShowWhileScrolling,
                              o.SmartQualitySize,
                              o.HighQualityThumb,
                              s.GridColor,
                              s.ThumbTextColor,
                              s.WindowBackColor);
            return !Fun.CalleeFailed();
        };

        if (picture || iconSource || video) {
            if (o.MaxThumbFileSize >= 0 && size > static_cast<std::uint64_t>(o.MaxThumbFileSize) &&
                !iconSource && !video) {
                info("File size too big: " + ThumbSizeText(size));
                return;
            }
            const bool fitSmall = o.FitSmallThumbs && control;
            if (!load({}, {}, false, video, 0, false, false, o.FitSmallThumbsSize, fitSmall)) return;
            if (naturalWidth > 0 && naturalHeight > 0)
                info(PictureInfoLine(naturalWidth, naturalHeight, scale, size, fitSmall));
            return;
        }
        if (TextFileExtensions.Has(ext)) {
            const std::int64_t limit =
                std::max<std::int64_t>(1000,
                                       std::int64_t{thumbRect.height()} * thumbRect.width() /
                                           std::max(1, o.ItemsFontSize) / 5);
            if (!load({}, {}, false, false, limit, true, true, -1, false)) return;
            info("Sz " + ThumbSizeText(size));
            return;
        }
        const int slot = ViewerPlugins.FindViewerPluginSlot(ext);
        if (slot < 0) {
            info("Picture not available");
            return;
        }
        if (!ViewerPlugins.HasRenderingEntries(slot)) {
            info("Invalid rendering function");
            return;
        }
        const TPluginPictureSizeFunction measure = PictureSizeEntry(ViewerPlugins, slot);
        const TPluginLoadFileFunction draw = LoadFileEntry(ViewerPlugins, slot);
        const bool dependsOnTextFormat = ViewerPlugins.RecacheOnTextFormatChange(slot, ext);
        if (!load(draw, measure, true, false, 0, dependsOnTextFormat, false, -1, false)) return;
        if (naturalWidth > 0 && naturalHeight > 0)
            info(PictureInfoLine(naturalWidth, naturalHeight, scale, size, false));
    });
    if (Fun.Failed()) info("Picture not available or error");
}

std::string UserLogoFileName()
{
    const std::string folder = OptionsDirectory();
    std::vector<std::string> names;
    Platform::ReadDirectory(folder, [&](const Platform::TDirectoryEntry &entry) {
        const std::string stem = entry.Name.substr(0, entry.Name.rfind('.'));
        if (!entry.IsDirectory && entry.Name.find('.') != std::string::npos &&
            SameTextIgnoringCase(stem, "UserLogo"))
            names.push_back(entry.Name);
        return true;
    });
    if (names.empty()) return {};
    // The directory's order is arbitrary: the first name wins, so the choice stays the same.
    return folder + *std::min_element(names.begin(), names.end());
}

void TMainForm::UserLogoPaint(QPainter &canvas, const QRect &inside)
{
    TFunScope Fun(ThisUnit, "TMainForm::UserLogoPaint");
    Fun.Run([&] {
        const std::string logo = UserLogoFileName();
        Platform::TEntryStatus status;
        // No logo file is no error: nothing is painted.
        if (logo.empty() || !Platform::EntryStatus(logo, status, true) || !status.IsRegular)
            return;
        const TProgramOptions &o = ProgramOptions;
        int naturalHeight = 0, naturalWidth = 0, scale = 0;
        PictureCache.Load(nullptr,
                          canvas,
                          {},
                          {},
                          false,
                          false,
                          0,
                          false,
                          naturalHeight,
                          naturalWidth,
                          scale,
                          false,
                          -1,
                          false,
                          static_cast<std::uint64_t>(
                              RawFileTime(status.ModifiedSeconds, status.ModifiedNanoseconds)),
                          status.Size,
                          logo,
                          -1,
                          inside,
                          true,
                          o.SmartQualitySize,
                          o.HighQualityThumb,
                          NoColorRef,
                          SkinOptions.ThumbTextColor,
                          SkinOptions.WindowBackColor);
    });
}

void TMainForm::SetupBackPicture(const std::string &path)
{
    TFunScope Fun(ThisUnit, "TMainForm::SetupBackPicture");
    Fun.Run([&] {
        BackPicture = QImage();
        GMyPanelOptions.BackPicture = nullptr;
        TSkinOptions &s = SkinOptions;
        if (!path.empty()) s.BackPictureFileTitle = BackPictureFullPath(path);
        const std::string file = BackPictureFullPath(s.BackPictureFileTitle);
        // A missing picture is no error: the filling colour shows.
        if (!s.UseBackPicture || file.empty() || !Platform::FileExists(file)) return;
        const QSize box = size();
        if (box.isEmpty()) return;
        const TBackPictureStretchRule &rule = BackPictureStretchRule;
        QImage picture;
        LoadTilePictureToBitmap(file,
                                picture,
                                s.FillingBackPictureColor,
                                nullptr,
                                nullptr,
                                nullptr,
                                s.GammaBackPicture,
                                "",
                                0,
                                false,
                                s.FadeBackPicture,
                                true,
                                s.FitBeforeTileBackPicture,
                                s.StretchBackPicture,
                                false,
                                rule.MaxSkewPercent < 0 ? -1.0 : rule.MaxSkewPercent / 100.0,
                                rule.MinStretchSize,
                                box.height(),
                                box.width());
        if (Fun.CalleeFailed() || picture.isNull()) return;
        BackPicture = std::move(picture);
        GMyPanelOptions.BackPicture = &BackPicture;
    });
    update();
}

void TMainForm::SetAsBackground(const std::string &path)
{
    TFunScope Fun(ThisUnit, "TMainForm::SetAsBackground");
    Fun.Run([&] {
        SkinOptions.UseBackPicture = true;
        if (SkinOptions.WindowBackTranslucency <= 0) SkinOptions.WindowBackTranslucency = 100;
        SetupBackPicture(path);
        if (Fun.CalleeFailed()) return;
        Reset(false);
        FocusColumn(-1, false);
    });
    Fun.ShowIfFailed("Failed to set background picture.");
}

void TMainForm::Com_SetAsBackground()
{
    SetAsBackground(ActiveColumn().ActiveTitle);
}
