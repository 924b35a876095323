// The program options with their table, the extension lists and the options dialog.
#pragma once

#include <QDialog>

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

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
    std::string ViewerPluginName[3] = {"VD_PVP.so", "", ""};

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

// The viewer's settings, edited on the viewer page of the options dialog (section "Viewer").
struct TViewerOptions
{
    bool FitSmallImages = false;
    bool TextWordWrap = true;
    std::int32_t MaxTextSize = 100000;
    std::string FontName = "Arial";
    std::int32_t FontSize = 9;
    bool FontBold = false;
};

extern TViewerOptions ViewerOptions;

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

class TStoredTextList;

// What a row of the options table edits and how its dialog control shows it.
enum TOptionControl
{
    ocNone,     // no control ("FirstRun")
    ocCheckBox, // a truth value
    ocList,     // a drop-down list of the row's items
    ocEditList, // an editable combo box: the value as text
    ocEdit      // an edit box (plug-in file names)
};

// One option: where its key stands, its field, the rule a stored value must keep and the
// control that edits it. Rows stand in the order of reading.
struct TOptionRow
{
    std::string Section;
    std::string Key;
    bool *Bool = nullptr;
    std::int32_t *Int = nullptr;
    std::string *Text = nullptr;
    // Integers: the accepted range. Texts: Maximum is the longest accepted length.
    std::int32_t Minimum = 0;
    std::int32_t Maximum = 0;
    // The items of the dialog's list.
    std::vector<std::string> Items;
    // A stored value must be one of the items, else it becomes the first item.
    bool ItemRule = false;
    TOptionControl Control = ocCheckBox;
    // The dialog control's caption and its page.
    std::string Caption;
    std::string Page;
    // A value that is no item selects: nothing (SelectNothing), this item, or the first item
    // (null).
    const char *Fallback = nullptr;
    // Limits and default of the dialog's integer box when taken back.
    std::int32_t DialogMinimum = INT32_MIN;
    std::int32_t DialogMaximum = INT32_MAX;
    std::int32_t DialogDefault = 0;
    // ApplyProgramOptions runs right after this row is read.
    bool ApplyAfter = false;
};

// The Fallback of a list that shows no selection for a value that is no item.
extern const char *const SelectNothing;

// The operations a click, a drag or a click on a column header can run, in list order.
const std::vector<std::string> &ClickOperations();
const std::vector<std::string> &DragOperations();
const std::vector<std::string> &HeaderOperations();

// The table of every option of the options text, bound to the given records.
std::vector<TOptionRow> ProgramOptionRows(TProgramOptions &options, TViewerOptions &viewer);

// Applies the options that act at once: the main window's stay-on-top state and the file
// time and size formats.
void ApplyProgramOptions();
// Reads every option of the table in its order ("ApplyProgramOptions" after the toolbar keys);
// values that break their rule keep the current value or become the first item of their list.
void ReadProgramOptions(const TStoredTextList &list);
// Writes every option with "FirstRun" false, bringing the start-up entry in line with
// "Autorun". Shown: "Failed to create link."
void WriteProgramOptions(TStoredTextList &list);
// The start-up entry of the program in the user's autostart folder.
std::string AutorunEntryPath();

// The five stored extension lists, each given its defaults when it comes back empty.
void ReadExtensionLists(const TStoredTextList &list);
void WriteExtensionLists(TStoredTextList &list);

// The plug-in file's full path inside the plug-in folder.
std::string PluginPath(const std::string &name);
// The text of the "Info" message of a plug-in file, informative true; or the warning
// "Invalid plugin file." or "This plugin contains no information.", informative false.
std::string PluginInformation(const std::string &path, bool &informative);

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTabWidget;

// The options dialog: a page per group of options, one control per row of the options table.
class TOptionsForm : public QDialog
{
public:
    explicit TOptionsForm(QWidget *parent = nullptr);

    // Shows the options, runs the dialog and on "&Okay" takes them back; true for "&Okay".
    // showTreeNavigator is the active board's tree navigator flag.
    // Shown: "Failed to show options."
    bool Dialog(bool &showTreeNavigator);
    // Every control shows its option; the font-name boxes receive the system's fonts.
    void ShowOptionsInDialog(bool showTreeNavigator);
    // Every control's value goes back to its option, then ApplyProgramOptions runs.
    void TakeOptionsFromDialog(bool &showTreeNavigator);
    // The "Load" button of a plug-in slot: a file chosen from the plug-in folder.
    void PictureViewerPluginLoadButtonClick(int slot);
    // The plug-in's information as an information message.
    // Shown: "Invalid plugin file.", "This plugin contains no information."
    void PictureViewerPluginInfoButtonClick(int slot);
    // The file the slot's "Load" button picks in its open dialog (a test may set it); empty:
    // the user chooses.
    std::function<std::string(const std::string &start)> OnChoosePluginFile;

    // The control of an option, or null.
    QCheckBox *CheckBoxOf(const std::string &section, const std::string &key) const;
    QComboBox *ComboBoxOf(const std::string &section, const std::string &key) const;

    QTabWidget *Pages;
    QCheckBox *ShowTreeNavigatorCheckBox;
    QLineEdit *PluginNameEdit[3];
    QPushButton *PluginLoadButton[3];
    QPushButton *PluginInfoButton[3];
    QPushButton *OkayButton;
    QPushButton *CancelButton;
    QPushButton *HelpButton;

private:
    QWidget *PageOf(const std::string &name);
    std::vector<TOptionRow> Rows;
    std::map<std::string, QWidget *> Controls; // "section/key" -> control
    std::map<std::string, QWidget *> PageWidgets;
};

// The options dialog; made by the main window's "Options" command at its first use.
extern TOptionsForm *OptionsForm;
