// The program options: one record with the defaults of a new installation.
#pragma once

#include <cstdint>
#include <string>

// Every field bears the name of its key in the options text file.
struct TProgramOptions
{
    // Section "Main".
    bool FirstRun = true;
    bool Autorun = false;
    bool StayOnTop = false;
    bool SecureDoubleExtension = true;
    bool ShowUniversalFileTime = false;
    bool ClassicFileSize = true;
    bool ShowSystemInfo = false;
    bool HotTrackColumnItems = false;
    bool UnderlineHotTrackItems = true;
    bool InstantScrollbarThumbPaint = false;
    std::int32_t ScrollbarSensitivity = 10;
    bool ShowColumnInfo = false;
    bool ShowFileInfo = false;
    bool ShowHintBar = true;
    std::int32_t HintLines = 3;
    bool ShowBoardsBar = false;
    bool SynchronizeColumn = false;
    std::int32_t VisibleBoards = 10;
    std::int32_t BoardsBarRows = 1;
    bool ShowUserLogo = false;
    std::int32_t UserLogoWidth = 100;
    bool ShowTopLeftUserLogo = false;
    bool CenterToolbarButtons = false;
    bool ShowFileDesc = false;
    bool ShowReferenceInfo = false;
    bool ActivatePlugins = true;

    // Section "ViewerPlugins": three slots.
    bool ViewerPluginActive[3] = {false, false, false};
    std::string ViewerPluginName[3] = {"VD_PVP.dll", "", ""};

    // Section "FileList".
    bool ShowGrid = false;
    bool ShowFilesGroup = true;
    bool DirsAtEnd = false;
    bool SeparateDirs = true;
    bool SeparateLinks = true;
    bool SeparateProgs = true;
    bool SeparateDocs = true;
    bool ShowFileType = false;
    bool ShowExtInType = false;
    std::int32_t FileTypeWidth = 150;
    bool SimulateFileType = true;
    std::int32_t SimulateFileTypeWidth = 120;

    std::int32_t MaxPictureCacheSize = 30000000;

    std::int32_t MaxThumbFileSize = 1000000;
    bool HighQualityThumb = true;
    std::int32_t SmartQualitySize = 200;
    bool ShowWhileScrolling = false;
    bool NormalizeThumbWidth = false;
    std::int32_t NormalizeThumbWidthTo = 100;
    bool NormalizeThumbHeight = false;
    std::int32_t NormalizeThumbHeightTo = 100;

    bool TranslucentThumbnailSelection = false;
    bool FitSmallThumbs = false;
    std::int32_t FitSmallThumbsSize = 100;
    std::string CaptionFontName = "Arial";
    std::int32_t CaptionFontSize = 9;

    std::string ItemsFontName = "Arial";
    std::int32_t ItemsFontSize = 9;
    std::int32_t ItemsExtraHeight = 4;

    // Section "MouseOperations".
    std::string LMBTypeOperation = "Run";
    std::string LMBNameOperation = "Run";
    std::string RMBTypeOperation = "System menu";
    std::string RMBNameOperation = "File menu";
    std::string MMBTypeOperation = "Inter-board file-drag menu";
    std::string MMBNameOperation = "Toggle selection";
    std::string LMBDragTypeOperation = "Copy";
    std::string LMBDragNameOperation = "File-drag menu";
    std::string RMBDragTypeOperation = "Move";
    std::string RMBDragNameOperation = "Enter this directory";
    std::string LMBColumnHeaderOperation = "Enter parent directory";
    std::string RMBColumnHeaderOperation = "Toggle fixed attribute";
    std::string MMBColumnHeaderOperation = "Directory tree navigator dialog";

    // Section "MouseMenu2".
    bool MouseMenuActive = true;
    std::int32_t MouseMenuTranslucency = 0;
    std::int32_t MouseMenuSensitivity = 5;
    std::int32_t MouseMenuItemWidth = 80;
    std::int32_t MouseMenuItemExtraHeight = 6;
    std::string MouseMenuOperation[12] = {"Toggle up selection",
                                          "Toggle down selection",
                                          "Toggle selection",
                                          "Properties",
                                          "Edit streams (autoload)",
                                          "Edit",
                                          "Set as background",
                                          "View",
                                          "Delete",
                                          "Recycle item",
                                          "Rename file",
                                          "None"};

    // Section "FileHover".
    bool FileHoverActive = true;
    std::int32_t FileHoverDelay = 5;
    bool FileHoverPlayMedia = true;
    std::int32_t FileHoverMediaStartShift = 5;
    bool FileHoverDontPlayAlready = true;
    bool FileHoverShowVideoThumbnail = false;
    std::int32_t FileHoverSensitivity = 10;
    std::int32_t FileHoverPictureWidth = 250;
    std::int32_t FileHoverPictureHeight = 8;
    std::int32_t FileHoverMovieWidth = 250;
    std::int32_t FileHoverMovieHeight = 8;
    std::int32_t FileHoverGenericWidth = 200;
};

// The program's options, alive for the whole run.
extern TProgramOptions ProgramOptions;

#include <vector>

// A sorted extension list ("." included), compared without regard to ASCII case, without
// duplicates.
class TExtensionList
{
public:
    void Clear()
    {
        Items.clear();
        Keys.clear();
    }
    // Adds an extension; a duplicate is ignored.
    void Add(const std::string &extension);
    void Remove(const std::string &extension);
    bool Has(const std::string &extension) const;
    bool Empty() const { return Items.empty(); }
    const std::vector<std::string> &List() const { return Items; }
    void Assign(const std::vector<std::string> &extensions);

private:
    std::vector<std::string> Items; // sorted by their lower-case form
    std::vector<std::string> Keys;  // the lower-case forms, for look-ups without allocations
};

extern TExtensionList ProgramFileExtensions;
extern TExtensionList DocumentFileExtensions;
extern TExtensionList AudioFileExtensions;
extern TExtensionList VideoFileExtensions;
extern TExtensionList TextFileExtensions;
extern TExtensionList PictureFileExtensions;
// Fills every empty list with its defaults.
void SetDefaultExtensionLists();
