// The program options, their table and its reader and writer, the extension lists and the
// options dialog.
#include "app/OptionsDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/FileLink.h"
#include "Libraries/MyGDIPlus.h"
#include "Libraries/Program.h"
#include "Libraries/StoredTextList.h"
#include "Libraries/UtilitiesUi.h"
#include "app/MainDialog.h"
#include "app/ViewerPlugins.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <dlfcn.h>

#include <algorithm>

TProgramOptions ProgramOptions;
TViewerOptions ViewerOptions;
TOptionsForm *OptionsForm = nullptr;
const char *const SelectNothing = "";
TExtensionList ProgramFileExtensions;
TExtensionList DocumentFileExtensions;
TExtensionList AudioFileExtensions;
TExtensionList VideoFileExtensions;
TExtensionList TextFileExtensions;
TExtensionList PictureFileExtensions;

namespace {

constexpr const char *ThisUnit = "OptionsDialog";

std::string Lower(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

void TExtensionList::Add(const std::string &extension)
{
    if (extension.empty()) return;
    const std::string key = Lower(extension);
    const auto at = std::lower_bound(Keys.begin(), Keys.end(), key);
    if (at != Keys.end() && *at == key) return;
    Items.insert(Items.begin() + (at - Keys.begin()), extension);
    Keys.insert(at, key);
}

void TExtensionList::Remove(const std::string &extension)
{
    const std::string key = Lower(extension);
    const auto at = std::lower_bound(Keys.begin(), Keys.end(), key);
    if (at == Keys.end() || *at != key) return;
    Items.erase(Items.begin() + (at - Keys.begin()));
    Keys.erase(at);
}

bool TExtensionList::Has(const std::string &extension) const
{
    if (extension.empty()) return false;
    return std::binary_search(Keys.begin(), Keys.end(), Lower(extension));
}

void TExtensionList::Assign(const std::vector<std::string> &extensions)
{
    Clear();
    for (const std::string &extension : extensions)
        Add(extension);
}

void SetDefaultExtensionLists()
{
    // Pictures are what the decoders read; the list is not stored.
    if (PictureFileExtensions.Empty()) {
        std::vector<std::string> pictures;
        GetPictureExtensions(pictures);
        PictureFileExtensions.Assign(pictures);
    }
    if (ProgramFileExtensions.Empty())
        ProgramFileExtensions.Assign({".bat",
                                      ".com",
                                      ".cpl",
                                      ".exe",
                                      ".js",
                                      ".msc",
                                      ".msi",
                                      ".scf",
                                      ".vbs",
                                      ".wsf",
                                      ".wsh",
                                      ".sh",
                                      ".AppImage",
                                      ".run"});
    if (DocumentFileExtensions.Empty())
        DocumentFileExtensions.Assign(
            {".ace", ".ani",   ".arj", ".art", ".asc",   ".asf",  ".avi",  ".bkf", ".bmp",
             ".bpr", ".c",     ".cab", ".cal", ".cda",   ".cpp",  ".crd",  ".cs",  ".csv",
             ".cur", ".dhtml", ".dib", ".doc", ".dpr",   ".dwg",  ".dxf",  ".emf", ".eml",
             ".gif", ".gpg",   ".gz",  ".h",   ".hlp",   ".hpj",  ".hpp",  ".htm", ".html",
             ".htt", ".ico",   ".img", ".imp", ".iwz",   ".jfif", ".jpg",  ".jpe", ".jpeg",
             ".lha", ".lzh",   ".mak", ".mid", ".midi",  ".mov",  ".mp3",  ".mpa", ".mpeg",
             ".mpg", ".mpl",   ".odg", ".ogg", ".pas",   ".pcx",  ".pdf",  ".pfx", ".pgp",
             ".plt", ".png",   ".ppt", ".qt",  ".rar",   ".reg",  ".rle",  ".rmi", ".rtf",
             ".sda", ".sdw",   ".sgi", ".shb", ".shtml", ".sig",  ".snd",  ".stc", ".sxi",
             ".sxd", ".sxw",   ".tar", ".tga", ".theme", ".tif",  ".tiff", ".txt", ".url",
             ".vqf", ".wav",   ".wma", ".wmf", ".wmv",   ".wp",   ".wpd",  ".wpg", ".wri",
             ".xab", ".xls",   ".xml", ".z",   ".zip"});
    if (AudioFileExtensions.Empty())
        AudioFileExtensions.Assign({".mid", ".midi", ".mp3", ".rmi", ".vqf", ".wav", ".wma"});
    if (VideoFileExtensions.Empty())
        VideoFileExtensions.Assign(
            {".ani", ".asf", ".avi", ".mov", ".mpa", ".mpeg", ".mpg", ".wmv"});
    if (TextFileExtensions.Empty())
        TextFileExtensions.Assign({".bat", ".c",   ".cpp", ".dfm",  ".dsk",   ".eml",
                                   ".vds", ".h",   ".hpp", ".htm",  ".html",  ".ini",
                                   ".js",  ".log", ".pas", ".scf",  ".theme", ".txt",
                                   ".url", ".vbs", ".xml", ".xhtm", ".xhtml"});
}

namespace {

// The numbers from first to last by step, as texts.
std::vector<std::string> Numbers(std::int32_t first, std::int32_t last, std::int32_t step = 1)
{
    std::vector<std::string> items;
    for (std::int32_t value = first; value <= last; value += step)
        items.push_back(std::to_string(value));
    return items;
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> items;
    for (const auto &part : parts)
        items.insert(items.end(), part.begin(), part.end());
    return items;
}

TOptionRow
Check(const char *section, const char *key, bool &field, const char *caption, const char *page)
{
    TOptionRow row;
    row.Section = section;
    row.Key = key;
    row.Bool = &field;
    row.Caption = caption;
    row.Page = page;
    return row;
}

// An integer kept in a range, shown in a list that may select nothing for another value.
TOptionRow Ranged(const char *section,
                  const char *key,
                  std::int32_t &field,
                  std::int32_t minimum,
                  std::int32_t maximum,
                  std::vector<std::string> items,
                  const char *caption,
                  const char *page)
{
    TOptionRow row;
    row.Section = section;
    row.Key = key;
    row.Int = &field;
    row.Minimum = minimum;
    row.Maximum = maximum;
    row.Items = std::move(items);
    row.Control = ocList;
    row.Caption = caption;
    row.Page = page;
    row.Fallback = nullptr;
    return row;
}

// An integer that must be one of the items of its list.
TOptionRow Item(const char *section,
                const char *key,
                std::int32_t &field,
                std::vector<std::string> items,
                const char *caption,
                const char *page,
                const char *fallback = nullptr)
{
    TOptionRow row =
        Ranged(section, key, field, INT32_MIN, INT32_MAX, std::move(items), caption, page);
    row.ItemRule = true;
    row.Fallback = fallback;
    return row;
}

// Dialog limits of an integer box.
TOptionRow
Limits(TOptionRow row, std::int32_t minimum, std::int32_t maximum, std::int32_t byDefault)
{
    row.DialogMinimum = minimum;
    row.DialogMaximum = maximum;
    row.DialogDefault = byDefault;
    return row;
}

TOptionRow NoSelection(TOptionRow row)
{
    row.Fallback = SelectNothing;
    return row;
}

TOptionRow Text(const char *section,
                const std::string &key,
                std::string &field,
                std::int32_t maximumLength,
                TOptionControl control,
                const char *caption,
                const char *page)
{
    TOptionRow row;
    row.Section = section;
    row.Key = key;
    row.Text = &field;
    row.Maximum = maximumLength;
    row.Control = control;
    row.Caption = caption;
    row.Page = page;
    return row;
}

// A mouse operation: one of its vocabulary, the default shown for another value.
TOptionRow Operation(const char *key,
                     std::string &field,
                     const std::vector<std::string> &items,
                     const char *byDefault,
                     const char *caption)
{
    TOptionRow row = Text("MouseOperations", key, field, 31, ocList, caption, "Mouse operations");
    row.Items = items;
    row.ItemRule = true;
    row.Fallback = byDefault;
    return row;
}

const std::vector<std::string> ThumbSideItems =
    Join({{"-1"}, Numbers(100, 500, 50), Numbers(600, 1000, 100)});
const std::vector<std::string> TypeWidthItems =
    Join({Numbers(100, 200, 10), Numbers(225, 400, 25)});
const std::vector<std::string> FontSizeItems = Join({Numbers(8, 30), {"32", "35", "38", "40"}});
const std::vector<std::string> NormalizeItems = {
    "50",  "60",  "75",   "80",   "90",   "100",  "120",  "150",  "200",
    "240", "250", "300",  "320",  "350",  "400",  "450",  "500",  "600",
    "768", "800", "1000", "1024", "2000", "2048", "4096", "5000", "10000"};
const std::vector<std::string> HoverWidthItems =
    Join({Numbers(50, 150, 10), {"180", "200"}, Numbers(250, 400, 50), {"500"}});
const std::vector<std::string> HoverHeightItems = Join({Numbers(1, 10), {"12", "15", "18", "20"}});
const std::vector<std::string> SensitivityItems = Join({Numbers(3, 10), {"15", "20"}});

} // namespace

const std::vector<std::string> &ClickOperations()
{
    static const std::vector<std::string> items = {"Delete",
                                                   "Edit",
                                                   "Edit streams",
                                                   "Edit streams (autoload)",
                                                   "File menu",
                                                   "Inter-board file-drag menu",
                                                   "None",
                                                   "Properties",
                                                   "Recycle file",
                                                   "Recycle item",
                                                   "Rename file",
                                                   "Rename item",
                                                   "Run",
                                                   "Run maximized",
                                                   "Set as background",
                                                   "Set as wallpaper",
                                                   "System menu",
                                                   "Toggle down selection",
                                                   "Toggle selection",
                                                   "Toggle up selection",
                                                   "View"};
    return items;
}

const std::vector<std::string> &DragOperations()
{
    static const std::vector<std::string> items = {"Convert picture",
                                                   "Copy",
                                                   "Copy as",
                                                   "Copy as last numbered",
                                                   "Copy as link",
                                                   "Drop-convert picture",
                                                   "Drop-copy",
                                                   "Drop-move",
                                                   "Enter this directory",
                                                   "File-drag menu",
                                                   "Insert item",
                                                   "Move",
                                                   "Move as",
                                                   "Move as last numbered",
                                                   "None",
                                                   "Search duplicates",
                                                   "Set with source path",
                                                   "Switch columns",
                                                   "System-drag menu"};
    return items;
}

const std::vector<std::string> &HeaderOperations()
{
    static const std::vector<std::string> items = {"Directory tree navigator dialog",
                                                   "Enter parent directory",
                                                   "Parent System menu",
                                                   "Toggle fixed attribute",
                                                   "Toggle thumbnails attribute"};
    return items;
}

std::vector<TOptionRow> ProgramOptionRows(TProgramOptions &o, TViewerOptions &v)
{
    const char *general = "General";
    const char *columns = "Columns";
    const char *viewer = "Viewer";
    const char *menu = "Mouse menu";
    const char *hover = "File hover";
    const char *plugins = "Plugins";
    TOptionRow firstRun = Check("Main", "FirstRun", o.FirstRun, "", general);
    firstRun.Control = ocNone;
    std::vector<TOptionRow> rows = {
        firstRun,
        Check("Main", "Autorun", o.Autorun, "Autorun", general),
        Check("Main", "StayOnTop", o.StayOnTop, "Stay-on-top", general),
        Check("Main",
              "SecureDoubleExtension",
              o.SecureDoubleExtension,
              "Secure double extension",
              general),
        Check("Main",
              "ShowUniversalFileTime",
              o.ShowUniversalFileTime,
              "Show universal file time",
              general),
        Check("Main", "ClassicFileSize", o.ClassicFileSize, "Classic file size", general),
        Check("Main", "ShowColumnInfo", o.ShowColumnInfo, "Show column info bar", columns),
        Check("Main", "ShowFileInfo", o.ShowFileInfo, "Show file info bar", columns),
        Check("Main", "ShowSystemInfo", o.ShowSystemInfo, "Show system info", general),
        Check("Main", "HotTrackColumnItems", o.HotTrackColumnItems, "Hot-track items", columns),
        Check("Main", "UnderlineHotTrackItems", o.UnderlineHotTrackItems, "Underline", columns),
        Check("Main",
              "InstantScrollbarThumbPaint",
              o.InstantScrollbarThumbPaint,
              "Instant scrollbar thumb paint",
              columns),
        Item("Main",
             "ScrollbarSensitivity",
             o.ScrollbarSensitivity,
             Numbers(3, 20),
             "Scrollbar sensitivity",
             columns,
             "10"),
        Check("Main", "ShowBoardsBar", o.ShowBoardsBar, "Show boards bar", general),
        Check("Main", "SynchronizeColumn", o.SynchronizeColumn, "Synchronize column", general),
        Limits(NoSelection(Ranged("Main",
                                  "VisibleBoards",
                                  o.VisibleBoards,
                                  10,
                                  30,
                                  {"10", "12", "15", "16", "20", "24", "25", "30"},
                                  "Buttons",
                                  general)),
               10,
               30,
               10),
        Limits(
            NoSelection(Ranged(
                "Main", "BoardsBarRows", o.BoardsBarRows, 1, 5, {"1", "2", "3"}, "Rows", general)),
            1,
            5,
            1),
        Check("Main", "ShowHintBar", o.ShowHintBar, "Show hint bar", general),
        Limits(NoSelection(
                   Ranged("Main", "HintLines", o.HintLines, 1, 5, Numbers(1, 5), "Lines", general)),
               1,
               5,
               3),
        Check("Main", "ShowUserLogo", o.ShowUserLogo, "Show user logo", general),
        Limits(NoSelection(Ranged("Main",
                                  "UserLogoWidth",
                                  o.UserLogoWidth,
                                  50,
                                  500,
                                  Join({Numbers(50, 200, 10), Numbers(250, 500, 50)}),
                                  "Logo width",
                                  general)),
               50,
               500,
               100),
        Check("Main",
              "ShowTopLeftUserLogo",
              o.ShowTopLeftUserLogo,
              "Show in top-left corner",
              general),
        Check("Main",
              "CenterToolbarButtons",
              o.CenterToolbarButtons,
              "Center toolbar buttons",
              general),
        Check("Main", "ShowFileDesc", o.ShowFileDesc, "Show file description bar", columns),
        Check("Main", "ShowReferenceInfo", o.ShowReferenceInfo, "Show reference info bar", columns),
        Operation(
            "LMBTypeOperation", o.LMBTypeOperation, ClickOperations(), "Run", "[LMB] on file type"),
        Operation("LMBNameOperation",
                  o.LMBNameOperation,
                  ClickOperations(),
                  "Run",
                  "[Double LMB] on file name"),
        Operation("RMBTypeOperation",
                  o.RMBTypeOperation,
                  ClickOperations(),
                  "System menu",
                  "[RMB] on file type"),
        Operation("RMBNameOperation",
                  o.RMBNameOperation,
                  ClickOperations(),
                  "File menu",
                  "[RMB] on file name"),
        Operation("MMBTypeOperation",
                  o.MMBTypeOperation,
                  ClickOperations(),
                  "Inter-board file-drag menu",
                  "[MMB] on file type"),
        Operation("MMBNameOperation",
                  o.MMBNameOperation,
                  ClickOperations(),
                  "Toggle selection",
                  "[MMB] on file name"),
        Operation("LMBDragTypeOperation",
                  o.LMBDragTypeOperation,
                  DragOperations(),
                  "Copy",
                  "[LMB + Drag] on file type"),
        Operation("LMBDragNameOperation",
                  o.LMBDragNameOperation,
                  DragOperations(),
                  "File-drag menu",
                  "[LMB + Drag] on file name"),
        Operation("RMBDragTypeOperation",
                  o.RMBDragTypeOperation,
                  DragOperations(),
                  "Move",
                  "[RMB + Drag] on file type"),
        Operation("RMBDragNameOperation",
                  o.RMBDragNameOperation,
                  DragOperations(),
                  "Enter this directory",
                  "[RMB + Drag] on file name"),
        Operation("LMBColumnHeaderOperation",
                  o.LMBColumnHeaderOperation,
                  HeaderOperations(),
                  "Enter parent directory",
                  "[LMB] on column header"),
        Operation("RMBColumnHeaderOperation",
                  o.RMBColumnHeaderOperation,
                  HeaderOperations(),
                  "Toggle fixed attribute",
                  "[RMB] on column header"),
        Operation("MMBColumnHeaderOperation",
                  o.MMBColumnHeaderOperation,
                  HeaderOperations(),
                  "Directory tree navigator dialog",
                  "[MMB] on column header"),
        Check("MouseMenu2", "MouseMenuActive", o.MouseMenuActive, "Active", menu),
        Ranged("MouseMenu2",
               "MouseMenuTranslucency",
               o.MouseMenuTranslucency,
               0,
               100,
               Join({Numbers(0, 50, 5), Numbers(60, 90, 10)}),
               "Translucency",
               menu),
        Ranged("MouseMenu2",
               "MouseMenuSensitivity",
               o.MouseMenuSensitivity,
               3,
               20,
               SensitivityItems,
               "Sensitivity",
               menu),
        Ranged("MouseMenu2",
               "MouseMenuItemWidth",
               o.MouseMenuItemWidth,
               50,
               400,
               Join({Numbers(50, 150, 10), {"180", "200", "250", "300"}}),
               "Item width",
               menu),
        Ranged("MouseMenu2",
               "MouseMenuItemExtraHeight",
               o.MouseMenuItemExtraHeight,
               2,
               20,
               Numbers(2, 20, 2),
               "Item extra-height",
               menu),
    };
    for (int i = 0; i < 12; ++i) {
        TOptionRow row = Text("MouseMenu2",
                              "MouseMenuOperation" + std::to_string(i + 1),
                              o.MouseMenuOperation[i],
                              31,
                              ocList,
                              "",
                              menu);
        row.Caption = "Menu item " + std::to_string(i + 1);
        row.Items = ClickOperations();
        row.Fallback = SelectNothing;
        rows.push_back(row);
    }
    const std::vector<TOptionRow> more = {
        Check("FileHover", "Active", o.FileHoverActive, "Active", hover),
        Item("FileHover",
             "Delay",
             o.FileHoverDelay,
             Join({Numbers(2, 10), {"12", "15"}}),
             "Delay",
             hover),
        Check("FileHover", "PlayMedia", o.FileHoverPlayMedia, "Play media", hover),
        Item("FileHover",
             "MediaStartShift",
             o.FileHoverMediaStartShift,
             Join({Numbers(0, 5), Numbers(10, 30, 5), Numbers(40, 90, 10), {"95"}}),
             "Media start shift",
             hover),
        Check("FileHover",
              "FileHoverDontPlayAlready",
              o.FileHoverDontPlayAlready,
              "Don't start if playing from main player",
              hover),
        Check("FileHover",
              "ShowVideoThumbnail",
              o.FileHoverShowVideoThumbnail,
              "Show thumbnail for movie files",
              hover),
        Item("FileHover",
             "Sensitivity",
             o.FileHoverSensitivity,
             SensitivityItems,
             "Sensitivity",
             hover),
        Item("FileHover",
             "PictureWidth",
             o.FileHoverPictureWidth,
             HoverWidthItems,
             "Picture width",
             hover),
        Item("FileHover",
             "PictureHeight",
             o.FileHoverPictureHeight,
             HoverHeightItems,
             "Picture height",
             hover),
        Item("FileHover",
             "MovieWidth",
             o.FileHoverMovieWidth,
             HoverWidthItems,
             "Movie width",
             hover),
        Item("FileHover",
             "MovieHeight",
             o.FileHoverMovieHeight,
             HoverHeightItems,
             "Movie height",
             hover),
        Item("FileHover",
             "GenericWidth",
             o.FileHoverGenericWidth,
             HoverWidthItems,
             "Generic width",
             hover),
        Check("Viewer",
              "FitSmallImages",
              v.FitSmallImages,
              "Fit small images to viewer panel",
              viewer),
        Check("Viewer", "TextWordWrap", v.TextWordWrap, "Text word-wrap", viewer),
        Limits(NoSelection(Ranged("Viewer",
                                  "MaxTextSize",
                                  v.MaxTextSize,
                                  -1,
                                  1000000,
                                  Join({{"-1"}, Numbers(100000, 500000, 100000), {"1000000"}}),
                                  "Maximum text size",
                                  viewer)),
               -1,
               1000000,
               100000),
        Text("Viewer", "FontName", v.FontName, 31, ocEditList, "Font name", viewer),
        NoSelection(
            Ranged("Viewer", "FontSize", v.FontSize, 8, 40, FontSizeItems, "Font size", viewer)),
        Check("Viewer", "FontBold", v.FontBold, "Bold font", viewer),
        Check("FileList", "ShowGrid", o.ShowGrid, "Show grid", columns),
        Check("FileList", "ShowFilesGroup", o.ShowFilesGroup, "Show generic files group", columns),
        Check("FileList", "DirsAtEnd", o.DirsAtEnd, "Directories at end", columns),
        Check("FileList", "SeparateDirs", o.SeparateDirs, "Separate directories", columns),
        Check("FileList", "SeparateLinks", o.SeparateLinks, "Separate links", columns),
        Check("FileList", "SeparateProgs", o.SeparateProgs, "Separate programs", columns),
        Check("FileList", "SeparateDocs", o.SeparateDocs, "Separate documents", columns),
        Check("FileList", "ShowFileType", o.ShowFileType, "Show file type", columns),
        Check("FileList",
              "ShowExtInType",
              o.ShowExtInType,
              "Show file extension in type field",
              columns),
        Limits(NoSelection(Ranged("FileList",
                                  "FileTypeWidth",
                                  o.FileTypeWidth,
                                  100,
                                  400,
                                  TypeWidthItems,
                                  "Type width",
                                  columns)),
               100,
               400,
               150),
        Check("FileList", "SimulateFileType", o.SimulateFileType, "Simulate file type", columns),
        Item("FileList",
             "SimulateFileTypeWidth",
             o.SimulateFileTypeWidth,
             TypeWidthItems,
             "Width",
             columns,
             "120"),
        Item("Main",
             "MaxPictureCacheSize",
             o.MaxPictureCacheSize,
             Numbers(10000000, 100000000, 10000000),
             "Maximum thumbnails cache size",
             viewer,
             "30000000"),
        Limits(NoSelection(Ranged("FileList",
                                  "MaxThumbFileSize",
                                  o.MaxThumbFileSize,
                                  -1,
                                  2000000,
                                  Join({{"-1"}, Numbers(100000, 1000000, 100000), {"2000000"}}),
                                  "Maximum thumb file size",
                                  viewer)),
               -1,
               2000000,
               1000000),
        Check("FileList", "HighQualityThumb", o.HighQualityThumb, "High quality thumb", viewer),
        Item("FileList",
             "SmartQualitySize",
             o.SmartQualitySize,
             ThumbSideItems,
             "Smart quality size",
             viewer),
        Check(
            "FileList", "ShowWhileScrolling", o.ShowWhileScrolling, "Show while scrolling", viewer),
        Check("FileList",
              "NormalizeThumbWidth",
              o.NormalizeThumbWidth,
              "Normalize thumb width to",
              viewer),
        Limits(Ranged("FileList",
                      "NormalizeThumbWidthTo",
                      o.NormalizeThumbWidthTo,
                      50,
                      10000,
                      NormalizeItems,
                      "Width in pixels",
                      viewer),
               50,
               10000,
               100),
        Check("FileList",
              "NormalizeThumbHeight",
              o.NormalizeThumbHeight,
              "Normalize thumb height to",
              viewer),
        Limits(Ranged("FileList",
                      "NormalizeThumbHeightTo",
                      o.NormalizeThumbHeightTo,
                      50,
                      10000,
                      NormalizeItems,
                      "Height in pixels",
                      viewer),
               50,
               10000,
               100),
        Check("Main",
              "TranslucentThumbnailSelection",
              o.TranslucentThumbnailSelection,
              "Translucent thumbnail selection",
              columns),
        Check("Main",
              "FitSmallThumbs",
              o.FitSmallThumbs,
              "Fit small images to thumbnail area",
              viewer),
        Item("Main",
             "FitSmallThumbsSize",
             o.FitSmallThumbsSize,
             ThumbSideItems,
             "Fit size",
             viewer,
             "100"),
        Text("Main",
             "CaptionFontName",
             o.CaptionFontName,
             31,
             ocEditList,
             "Information font name",
             columns),
        NoSelection(Item("Main",
                         "CaptionFontSize",
                         o.CaptionFontSize,
                         FontSizeItems,
                         "Information font size",
                         columns)),
        Text("FileList",
             "ItemsFontName",
             o.ItemsFontName,
             31,
             ocEditList,
             "Column font name",
             columns),
        NoSelection(Item("FileList",
                         "ItemsFontSize",
                         o.ItemsFontSize,
                         FontSizeItems,
                         "Column font size",
                         columns)),
        NoSelection(Item("FileList",
                         "ItemsExtraHeight",
                         o.ItemsExtraHeight,
                         Join({Numbers(0, 30, 2), {"36", "40", "46", "50"}}),
                         "File item extra-height",
                         columns)),
        Check("Main", "ActivatePlugins", o.ActivatePlugins, "Activate plugins", plugins),
    };
    rows.insert(rows.end(), more.begin(), more.end());
    for (int i = 0; i < 3; ++i) {
        const std::string slot = std::to_string(i);
        TOptionRow active =
            Check("ViewerPlugins", "", o.ViewerPluginActive[i], "Activate plugin", plugins);
        active.Key = "Activate" + slot;
        rows.push_back(active);
        rows.push_back(
            Text("ViewerPlugins", "Name" + slot, o.ViewerPluginName[i], 259, ocEdit, "", plugins));
    }
    for (TOptionRow &row : rows) {
        if (row.Key == "CenterToolbarButtons") row.ApplyAfter = true;
        // Number boxes that keep an edited value are editable; their items are suggestions.
        if (row.Key == "NormalizeThumbWidthTo" || row.Key == "NormalizeThumbHeightTo")
            row.Control = ocEditList;
    }
    return rows;
}

void ApplyProgramOptions()
{
    if (MainForm) {
        const bool onTop = MainForm->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        if (onTop != ProgramOptions.StayOnTop) {
            const bool shown = MainForm->isVisible();
            MainForm->setWindowFlag(Qt::WindowStaysOnTopHint, ProgramOptions.StayOnTop);
            if (shown) MainForm->show();
        }
    }
    FileUnitLoader.convertTimesToLocal = !ProgramOptions.ShowUniversalFileTime;
    FileUnitLoader.sizesInUnits = ProgramOptions.ClassicFileSize;
}

namespace {

void ReadRow(const TStoredTextList &list, const TOptionRow &row)
{
    if (row.Bool) {
        list.ReadBool(row.Section, row.Key, *row.Bool);
    } else if (row.Int) {
        if (row.ItemRule)
            list.ReadComboNumber(row.Section, row.Key, *row.Int, row.Items);
        else
            list.ReadInteger(row.Section, row.Key, *row.Int, row.Minimum, row.Maximum);
    } else if (row.Text) {
        if (row.ItemRule)
            list.ReadComboItem(row.Section, row.Key, *row.Text, row.Items);
        else
            list.ReadString(row.Section, row.Key, *row.Text, false, row.Maximum);
    }
}

void WriteRow(TStoredTextList &list, const TOptionRow &row)
{
    if (row.Bool) list.WriteBool(row.Section, row.Key, *row.Bool);
    if (row.Int) list.WriteInteger(row.Section, row.Key, *row.Int);
    if (row.Text) list.WriteString(row.Section, row.Key, *row.Text);
}

} // namespace

void ReadProgramOptions(const TStoredTextList &list)
{
    for (const TOptionRow &row : ProgramOptionRows(ProgramOptions, ViewerOptions)) {
        ReadRow(list, row);
        if (row.ApplyAfter) ApplyProgramOptions();
    }
}

std::string AutorunEntryPath()
{
    const std::string name = ExtractName(ProgramFilePath());
    return GetSystemDirectoryPath(sfStartUp) +
           name.substr(0, name.size() - ExtractExtension(name).size()) + ".desktop";
}

void WriteProgramOptions(TStoredTextList &list)
{
    ProgramOptions.FirstRun = false;
    const std::vector<TOptionRow> rows = ProgramOptionRows(ProgramOptions, ViewerOptions);
    const auto hintBar = std::find_if(
        rows.begin(), rows.end(), [](const TOptionRow &row) { return row.Key == "ShowHintBar"; });
    for (const TOptionRow &row : rows) {
        if (row.Key == "ShowHintBar") continue;
        WriteRow(list, row);
        if (row.Key == "ShowFileInfo") WriteRow(list, *hintBar);
        if (row.Key == "Autorun") {
            // The entry's failure is shown by MakeLinkByStatus and does not stop the writing.
            MakeLinkByStatus(GetSystemDirectoryPath(sfStartUp),
                             ProgramFilePath(),
                             "",
                             ProgramOptions.Autorun,
                             true,
                             "Velmordian");
            FunStatContext.Reset(0);
        }
    }
}

namespace {

struct TStoredExtensions
{
    const char *Section;
    TExtensionList *List;
};

const TStoredExtensions StoredExtensions[] = {
    {"ProgramExtensions", &ProgramFileExtensions},
    {"DocumentExtensions", &DocumentFileExtensions},
    {"Viewer_AudioExtensions", &AudioFileExtensions},
    {"Viewer_VideoExtensions", &VideoFileExtensions},
    {"Viewer_TextExtensions", &TextFileExtensions},
};

} // namespace

void ReadExtensionLists(const TStoredTextList &list)
{
    for (const TStoredExtensions &stored : StoredExtensions) {
        std::vector<std::string> items;
        list.ReadList(stored.Section, items, false, 0);
        stored.List->Assign(items);
    }
    SetDefaultExtensionLists();
}

void WriteExtensionLists(TStoredTextList &list)
{
    for (const TStoredExtensions &stored : StoredExtensions) {
        // An emptied list must not leave its old items behind.
        list.EraseSection(stored.Section);
        list.WriteList(stored.Section, stored.List->List());
    }
}

std::string PluginPath(const std::string &name)
{
    return PluginsDirectory() + name;
}

std::string PluginInformation(const std::string &path, bool &informative)
{
    std::string text;
    informative = false;
    TFunScope Fun(ThisUnit, "TOptionsForm::PictureViewerPluginInfoButtonClick");
    Fun.Run([&] {
        void *module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            text = "Invalid plugin file.";
            return;
        }
        auto info = reinterpret_cast<TGetPluginInfoFunction>(::dlsym(module, "GetPluginInfo"));
        auto extensions =
            reinterpret_cast<TLoadFileExtensionsFunction>(::dlsym(module, "LoadFileExtensions"));
        if (!info) {
            text = "This plugin contains no information.";
        } else {
            const char *about = info();
            const char *list = extensions ? extensions() : nullptr;
            text = "Plugin information:\n\n" + std::string(about ? about : "") +
                   "\n\nProcessed file extensions: \"" + std::string(list ? list : "") + "\"";
            informative = true;
        }
        ::dlclose(module);
    });
    return text;
}

namespace {

std::string ControlKey(const std::string &section, const std::string &key)
{
    return section + "/" + key;
}

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

} // namespace

TOptionsForm::TOptionsForm(QWidget *parent)
    : QDialog(parent), Rows(ProgramOptionRows(ProgramOptions, ViewerOptions))
{
    setWindowTitle(QStringLiteral("Options"));
    auto *layout = new QVBoxLayout(this);
    Pages = new QTabWidget(this);
    layout->addWidget(Pages);
    for (const char *page : {"General",
                             "Columns",
                             "Viewer",
                             "Mouse operations",
                             "Mouse menu",
                             "File hover",
                             "Plugins"})
        PageOf(page);
    ShowTreeNavigatorCheckBox = new QCheckBox(QStringLiteral("Show directory tree navigator"));
    ShowTreeNavigatorCheckBox->setToolTip(
        QStringLiteral("The active board shows the directory tree navigator."));
    static_cast<QGridLayout *>(PageOf("General")->layout())
        ->addWidget(ShowTreeNavigatorCheckBox, 0, 0, 1, 3);
    for (const TOptionRow &row : Rows) {
        if (row.Control == ocNone) continue;
        auto *grid = static_cast<QGridLayout *>(PageOf(row.Page)->layout());
        const int line = grid->rowCount();
        QWidget *control = nullptr;
        if (row.Control == ocCheckBox) {
            auto *box = new QCheckBox(Q(row.Caption));
            grid->addWidget(box, line, 0, 1, 3);
            control = box;
        } else if (row.Control == ocEdit) {
            const int slot = row.Key.back() - '0';
            auto *edit = new QLineEdit;
            edit->setMaxLength(row.Maximum);
            PluginNameEdit[slot] = edit;
            PluginLoadButton[slot] = new QPushButton(QStringLiteral("Load"));
            PluginInfoButton[slot] = new QPushButton(QStringLiteral("Info"));
            PluginLoadButton[slot]->setToolTip(
                QStringLiteral("Choose the plug-in file from the plug-in folder."));
            PluginInfoButton[slot]->setToolTip(
                QStringLiteral("Show what the plug-in says about itself."));
            connect(PluginLoadButton[slot], &QPushButton::clicked, this, [this, slot] {
                PictureViewerPluginLoadButtonClick(slot);
            });
            connect(PluginInfoButton[slot], &QPushButton::clicked, this, [this, slot] {
                PictureViewerPluginInfoButtonClick(slot);
            });
            grid->addWidget(edit, line, 0);
            grid->addWidget(PluginLoadButton[slot], line, 1);
            grid->addWidget(PluginInfoButton[slot], line, 2);
            control = edit;
        } else {
            auto *box = new QComboBox;
            box->setEditable(row.Control == ocEditList);
            for (const std::string &item : row.Items)
                box->addItem(Q(item));
            grid->addWidget(new QLabel(Q(row.Caption)), line, 0);
            grid->addWidget(box, line, 1, 1, 2);
            if (row.Key == "NormalizeThumbWidthTo" || row.Key == "NormalizeThumbHeightTo") {
                const TOptionRow limits = row;
                connect(box->lineEdit(), &QLineEdit::editingFinished, this, [box, limits] {
                    GetIntFromComboBox(
                        box, limits.DialogMinimum, limits.DialogMaximum, limits.DialogDefault);
                    FunStatContext.Reset(0);
                });
            }
            control = box;
        }
        Controls[ControlKey(row.Section, row.Key)] = control;
    }
    for (auto &[name, page] : PageWidgets)
        static_cast<QGridLayout *>(page->layout())->setRowStretch(1000, 1);

    auto *buttons = new QHBoxLayout;
    OkayButton = new QPushButton(QStringLiteral("&Okay"));
    CancelButton = new QPushButton(QStringLiteral("&Cancel"));
    HelpButton = new QPushButton(QStringLiteral("&Help"));
    buttons->addStretch(1);
    for (QPushButton *button : {OkayButton, CancelButton, HelpButton})
        buttons->addWidget(button);
    layout->addLayout(buttons);
    connect(OkayButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpButton, &QPushButton::clicked, this, [] { TMainForm::OpenHelp(101); });
}

QWidget *TOptionsForm::PageOf(const std::string &name)
{
    const auto found = PageWidgets.find(name);
    if (found != PageWidgets.end()) return found->second;
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    grid->setColumnStretch(1, 1);
    auto *scroll = new QScrollArea;
    scroll->setWidgetResizable(true);
    scroll->setWidget(page);
    Pages->addTab(scroll, Q(name));
    PageWidgets[name] = page;
    return page;
}

QCheckBox *TOptionsForm::CheckBoxOf(const std::string &section, const std::string &key) const
{
    const auto found = Controls.find(ControlKey(section, key));
    return found == Controls.end() ? nullptr : qobject_cast<QCheckBox *>(found->second);
}

QComboBox *TOptionsForm::ComboBoxOf(const std::string &section, const std::string &key) const
{
    const auto found = Controls.find(ControlKey(section, key));
    return found == Controls.end() ? nullptr : qobject_cast<QComboBox *>(found->second);
}

void TOptionsForm::ShowOptionsInDialog(bool showTreeNavigator)
{
    const QStringList fonts = QFontDatabase::families();
    for (const TOptionRow &row : Rows) {
        if (row.Control == ocNone) continue;
        QWidget *control = Controls.at(ControlKey(row.Section, row.Key));
        if (row.Control == ocCheckBox) {
            static_cast<QCheckBox *>(control)->setChecked(*row.Bool);
            continue;
        }
        if (row.Control == ocEdit) {
            static_cast<QLineEdit *>(control)->setText(Q(*row.Text));
            continue;
        }
        auto *box = static_cast<QComboBox *>(control);
        const std::string value = row.Int ? std::to_string(*row.Int) : *row.Text;
        if (row.Control == ocEditList) {
            if (row.Text) {
                box->clear();
                box->addItems(fonts);
            }
            box->setEditText(Q(value));
            continue;
        }
        int index = box->findText(Q(value));
        if (index < 0) {
            if (row.Fallback == SelectNothing)
                index = -1;
            else
                index = row.Fallback ? box->findText(QString::fromUtf8(row.Fallback)) : 0;
        }
        box->setCurrentIndex(index);
    }
    ShowTreeNavigatorCheckBox->setChecked(showTreeNavigator);
}

void TOptionsForm::TakeOptionsFromDialog(bool &showTreeNavigator)
{
    for (const TOptionRow &row : Rows) {
        if (row.Control == ocNone) continue;
        QWidget *control = Controls.at(ControlKey(row.Section, row.Key));
        if (row.Control == ocCheckBox) {
            *row.Bool = static_cast<QCheckBox *>(control)->isChecked();
        } else if (row.Control == ocEdit) {
            *row.Text = static_cast<QLineEdit *>(control)->text().toStdString();
        } else if (row.Int) {
            // A list that shows no selection keeps the option as it was.
            if (row.Control == ocList && static_cast<QComboBox *>(control)->currentIndex() < 0)
                continue;
            *row.Int = GetIntFromComboBox(
                control, row.DialogMinimum, row.DialogMaximum, row.DialogDefault);
            // The warning was shown; the default stands in the box and is taken.
            FunStatContext.Reset(0);
        } else {
            const auto *box = static_cast<QComboBox *>(control);
            // A list without a selection and an emptied box keep the option as it was.
            const std::string text = box->currentText().toStdString();
            if ((row.Control == ocEditList || box->currentIndex() >= 0) && !text.empty())
                *row.Text = text;
        }
    }
    showTreeNavigator = ShowTreeNavigatorCheckBox->isChecked();
    ApplyProgramOptions();
}

bool TOptionsForm::Dialog(bool &showTreeNavigator)
{
    bool result = false;
    TFunScope Fun(ThisUnit, "TOptionsForm::Dialog");
    Fun.Run([&] {
        ShowOptionsInDialog(showTreeNavigator);
        QTimer::singleShot(0, CancelButton, [this] { CancelButton->setFocus(); });
        result = exec() == QDialog::Accepted;
        if (result) TakeOptionsFromDialog(showTreeNavigator);
    });
    for (const TOptionRow &row : Rows)
        if (row.Control == ocEditList && row.Text) ComboBoxOf(row.Section, row.Key)->clear();
    Fun.CalleeFailed();
    // After a failure the options were not taken, whatever the answer to the error dialog.
    const bool failed = Fun.Failed();
    Fun.ShowIfFailed("Failed to show options.");
    return result && !failed;
}

void TOptionsForm::PictureViewerPluginLoadButtonClick(int slot)
{
    TFunScope Fun(ThisUnit, "TOptionsForm::PictureViewerPluginLoadButtonClick");
    Fun.Run([&] {
        const std::string name = PluginNameEdit[slot]->text().toStdString();
        const std::string start = PluginPath(name.empty() ? "*.so" : name);
        const std::string chosen =
            OnChoosePluginFile ? OnChoosePluginFile(start)
                               : QFileDialog::getOpenFileName(this,
                                                              QStringLiteral("Load plugin"),
                                                              Q(start),
                                                              QStringLiteral("Plugin (*.so)"))
                                     .toStdString();
        if (chosen.empty()) return;
        const QFileInfo file(Q(chosen));
        const QString folder = QFileInfo(Q(PluginsDirectory())).canonicalFilePath();
        // A plug-in must lie in the plug-in folder; one from elsewhere leaves the slot empty.
        const bool inside = !folder.isEmpty() && file.absoluteDir().canonicalPath() == folder;
        PluginNameEdit[slot]->setText(inside ? file.fileName() : QString());
    });
    Fun.ShowIfFailed("Failed to load plugin.");
}

void TOptionsForm::PictureViewerPluginInfoButtonClick(int slot)
{
    TFunScope Fun(ThisUnit, "TOptionsForm::PictureViewerPluginInfoButtonClick");
    Fun.Run([&] {
        bool informative = false;
        const std::string name = PluginNameEdit[slot]->text().toStdString();
        // Only a plain file name in the plug-in folder is ever loaded, never a path out of it.
        const std::string text = IsPlainPluginName(name)
                                     ? PluginInformation(PluginPath(name), informative)
                                     : std::string("Invalid plugin file.");
        if (Fun.CalleeFailed()) return;
        if (informative)
            ShowInfoMessage(text);
        else
            ShowWarningMessage(text);
    });
    Fun.ShowIfFailed("TOptionsForm::PictureViewerPluginInfoButtonClick");
}
