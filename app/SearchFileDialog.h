// The file search: the matching and ranking of names and texts, the walk over directories, the
// navigation history and the duplicates of a file, and the dialog that runs them and hands the
// found files back to the column.
#pragma once

#include "platform/FileSystem.h"

#include <QDialog>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QTabWidget;
class QWidget;
class TColumn;

// ---- Matching and ranking -----------------------------------------------------------------------

// One text filter, upper-cased, with its marks.
struct TSearchFilter
{
    std::string Text;
    bool Required = false; // given with "&"
    bool Excluded = false; // given with "!"
};

struct TTextMatchOptions
{
    bool AllFilters = false;    // every filter is required
    bool NearDetection = false; // rank filters found close to each other
    int Stem = 0;               // 0 "Any", 1 "Right", 2 "Left", 3 "Word"
};

// The two ranks of a text; Stopped when the progress hook asked to stop (the ranks are then 0).
struct TTextRanks
{
    int Base = 0;
    int Proximity = 0;
    bool Stopped = false;
    // The rank of the text: base + proximity when the base is at least 1, else 0.
    int Rank() const { return Base >= 1 ? Base + Proximity : 0; }
};

// Receives the per mille of the text done and the filter number (from 1) of a long text;
// false stops.
using TTextProgress = std::function<bool(int perMille, int filterNumber)>;

// A word character: an ASCII letter or digit, "_", or any byte of a non-ASCII code point.
bool IsSearchWordByte(unsigned char c);
// Upper-cases the letters a to z only.
void UpperCaseSearchText(char *text, std::size_t length);
// The filters of the text: separated by a blank (freeHand) or by ";", "&" required, "!"
// excluded, "~" taking the next character literally, upper-cased, empty ones dropped and
// duplicates kept once. hasShort tells whether a filter has only one or two characters.
std::vector<TSearchFilter>
MakeSearchFilters(const std::string &text, bool freeHand, bool &hasShort);
// The predefined name filters ("All files", "Text files", ...).
bool IsPredefinedNameFilter(const std::string &text);
// The name filter to match: a predefined name gives its wildcards; with searchSimilar a typed
// filter other than "*" gets a "*" at its start and end.
std::string ExpandNameFilter(const std::string &text, bool searchSimilar);
// The seven characters a name filter must not hold.
bool IsValidNameFilter(const std::string &filter);
// Scores a text (upper-cased, of length bytes) against the filters; occurrences at or after
// nameStart lie outside the path. progress is called at most once a second for texts longer
// than 100,000 bytes.
TTextRanks MatchTextInBuffer(const char *text,
                             std::size_t length,
                             std::size_t nameStart,
                             const std::vector<TSearchFilter> &filters,
                             const TTextMatchOptions &options,
                             const TTextProgress *progress = nullptr);
// The index at which an item of the rank goes into a list kept in descending rank (after the
// items of equal rank).
std::size_t FoundInsertIndex(const std::vector<int> &ranks, int rank);

// A name filter compiled once: "*" any run, "?" one character, ";" between alternatives,
// ASCII letters without regard to case; an empty filter matches every name.
class TNameFilter
{
public:
    void Assign(const std::string &filter);
    bool Matches(const char *name, std::size_t length) const;
    bool MatchesAll() const { return All; }

private:
    std::vector<std::string> Patterns;
    bool All = true;
};

// The time limit a text stands for: a date ("d/m/yy") gives that date-time (isDate set),
// otherwise an integer number of the unit ("minutes", "hours", "days", "weeks") gives days.
// Error: "Invalid time limit." (text)
double GetTimeFromText(const std::string &text, const std::string &unit, bool &isDate);
// A real number of the unit ("bytes", "KB", "MB", "GB", "TB") as bytes.
// Error: "Invalid size limit." (text)
std::int64_t GetSizeFromText(const std::string &text, const std::string &unit);
// "Errors n | Directories n | Files n | Jumped files n | Time t", with " | Progress n‰ | Text
// filter n" while a long text is scanned (perMille >= 0).
std::string SearchInfoText(int errors,
                           int directories,
                           int files,
                           int jumped,
                           double seconds,
                           int perMille,
                           int filterNumber);

// ---- The search run -------------------------------------------------------------------------

// The limits of one run, as date-times (days since 1899-12-30, local) and bytes.
struct TSearchLimits
{
    bool CreationMinOn = false, CreationMaxOn = false, ModifiedMinOn = false, ModifiedMaxOn = false;
    double CreationMin = 0, CreationMax = 0, ModifiedMin = 0, ModifiedMax = 0;
    bool SizeMinOn = false, SizeMaxOn = false;
    std::int64_t SizeMin = 0, SizeMax = 0;
    bool AnyTime() const
    {
        return CreationMinOn || CreationMaxOn || ModifiedMinOn || ModifiedMaxOn;
    }
    bool AnySize() const { return SizeMinOn || SizeMaxOn; }
};

struct TSearchOptions
{
    std::string NameFilter;          // expanded
    std::string TextExtensionFilter; // the expansion of "Text files", for "Name, text"
    std::vector<TSearchFilter> TextFilters;
    TTextMatchOptions Match;
    std::string FileParts = "Name, text";
    bool FindDirectories = true, FindFiles = true, Recursive = true;
    TSearchLimits Limits;
    std::string DuplicateReference; // the file whose duplicates are searched, or empty
};

struct TFoundItem
{
    std::string Title;
    int Rank = 0;
    bool IsDirectory = false;
};

// One run of the search over files, directories or the history, without a window: the hooks
// let the dialog show progress, process input and ask about errors.
class TFileSearch
{
public:
    static constexpr std::uint64_t JumpSize = 10000000;

    TSearchOptions Options;
    std::vector<TFoundItem> Found;
    int Errors = 0, Directories = 0, Files = 0, Jumped = 0;
    bool Stop = false;
    // After every candidate (the dialog processes input there).
    std::function<void(const std::string &candidate)> OnCandidate;
    // A long text is being scanned.
    TTextProgress OnTextProgress;
    // An error of a candidate, left in FunStatContext: true goes on, false stops the search.
    std::function<bool(const std::string &message)> OnError;
    // An item went into Found at the index.
    std::function<void(std::size_t index)> OnFound;

    TFileSearch();
    ~TFileSearch();
    TFileSearch(const TFileSearch &) = delete;
    TFileSearch &operator=(const TFileSearch &) = delete;

    // Prepares a run: clears the found list and the counters, reads the duplicate reference.
    // Error: "Failed to open file." (reference, errno)
    void Start();
    // One item of the column: a file is a candidate, a directory a candidate and, with
    // recursion, walked.
    void ProcessItem(const std::string &title);
    // Walks a directory below its entries. Errors: "Failed to find first file.", "Failed to look
    // in directory." (directory, errno), each counted; the walk goes on.
    void ProcessDir(const std::string &directory);
    // One visited directory (title without its trailing delimiter) or launched file.
    void ProcessHistoryItem(const std::string &title, bool isDirectory);
    // The rank of a history item's text; 0 when not found.
    int MatchHistoryItem(const std::string &title);
    // Two files of the reference's size hold the same bytes (the first 1,000 compared first).
    // Error: "Failed to open file." (file, errno), "Failed to read file." (file, errno)
    bool SameContentOfFiles(const std::string &candidate);

private:
    struct TLevel;
    struct TCandidate
    {
        const std::string *Title;
        std::size_t NameOffset; // where the name begins in the title
        Platform::TEntryStatus Status;
        bool IsDirectory;
        bool Stated; // the status was read, not only the kind the directory lists
    };
    void ProcessFile(const TCandidate &candidate);
    void WalkDirectory(std::string &path, const Platform::TEntryStatus &status, std::size_t depth);
    int MatchFile(const TCandidate &candidate);
    bool WithinLimits(const TCandidate &candidate) const;
    int MatchFileText(const TCandidate &candidate);
    // Appends the main stream and the named streams; false on a read error (FunStatContext).
    bool AppendContent(const TCandidate &candidate, bool mainStream, bool namedStreams);
    void AppendText(const char *text, std::size_t length);
    void AppendBreaks();
    void Reserve(std::size_t length);
    void AddFoundItem(const std::string &title, int rank, bool isDirectory);
    void CandidateFailed(const char *function,
                         const std::string &description,
                         const std::string &title,
                         int code);
    void ReportError(const std::string &message);

    TNameFilter NameMatcher, TextNameMatcher;
    bool NameFilterIsAll = false, NameFilterIsTextFilter = false;
    bool PartName = false, PartDescription = false, PartContent = false, PartTextOnly = false;
    std::unique_ptr<char[]> Buffer;
    std::size_t BufferCapacity = 0, BufferLength = 0;
    std::vector<int> Ranks;
    std::vector<std::unique_ptr<TLevel>> Levels;
    struct TIdentityHash
    {
        std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t> &key) const
        {
            return std::hash<std::uint64_t>()(key.first * 0x9E3779B97F4A7C15ull ^ key.second);
        }
    };
    std::unordered_set<std::pair<std::uint64_t, std::uint64_t>, TIdentityHash> Visited;
    std::string Title;
    std::string AttributeBuffer;
    std::vector<std::string> StreamNames;
    std::string StreamValue;
    // The duplicate reference.
    bool DuplicateMode = false;
    std::uint64_t ReferenceSize = 0, ReferenceDevice = 0, ReferenceInode = 0;
    std::string ReferenceHead;
    std::unique_ptr<char[]> CompareBuffer;
    bool AskErrors = true;
    bool CandidateError = false;
    bool JumpedNow = false;
    // Names alone are matched: the walk reads a status only for directories and links.
    bool LeanListing = false;
};

// ---- The dialog -------------------------------------------------------------------------------

class TStoredTextList;

// What the column does with the result of the dialog.
enum TSearchAction
{
    saNone = 0,
    saEnterDirectory = 1,
    saFocusFile = 2,
    saPutInContainer = 3,
    saSelectFiles = 4
};

class TSearchFileForm : public QDialog
{
public:
    explicit TSearchFileForm(QWidget *parent = nullptr);
    ~TSearchFileForm() override;

    // Runs the dialog for the column: duplicates of the reference when it is given, the
    // navigation history when history is set. True when it closed with a result and something
    // was found. Shown: "Failed to search."
    bool Dialog(TColumn *column, const std::string &duplicateReference, bool history);
    // Starts a search with the current controls (select: without recursion, then select the
    // found files and close).
    void Do(bool select, bool content);
    // The found list's input: a click (ctrl: with Ctrl held) or Enter (double click).
    void UserAction(int row, bool doubleClick, bool ctrl);
    // Ctrl or Shift with a digit key on the found list: action 3 for the container.
    void PutInContainer(int number, bool keepItems);

    void ReadSettings(const TStoredTextList &list);
    void WriteSettings(TStoredTextList &list) const;

    // The result for the caller.
    int Action = saNone;
    std::string ChosenName;
    int ContainerNumber = 0;
    bool KeepContainerItems = false;
    std::vector<TFoundItem> FoundItems() const { return Search.Found; }
    bool Searching = false;

    TColumn *Column = nullptr;
    std::string DuplicateReference;
    bool HistoryMode = false;

    QTabWidget *PageControl;
    QWidget *NameTextPage, *TimeSizePage, *OptionsPage;
    QComboBox *NameFilterComboBox, *TextFilterComboBox, *FilePartsComboBox, *StemComboBox;
    QCheckBox *SearchSimilarCheckBox, *RecursiveCheckBox, *FindDirsCheckBox, *FindFilesCheckBox,
        *ConsiderAllSelectedCheckBox, *FreeHandFilterCheckBox, *NearDetectionCheckBox,
        *AllFiltersCheckBox;
    QCheckBox *CreationMinCheckBox, *CreationMaxCheckBox, *ModifiedMinCheckBox,
        *ModifiedMaxCheckBox, *SizeMinCheckBox, *SizeMaxCheckBox;
    QComboBox *CreationMinTimeComboBox, *CreationMaxTimeComboBox, *ModifiedMinTimeComboBox,
        *ModifiedMaxTimeComboBox, *TimeMeasurementUnitComboBox, *SizeMinComboBox, *SizeMaxComboBox,
        *SizeMeasurementUnitComboBox;
    QCheckBox *AlwaysFocusThisCheckBox, *ReuseContainerCheckBox, *ShowSearchBoardCheckBox,
        *SwitchMouseOperationsCheckBox;
    QComboBox *UseColumnForContainerComboBox;
    QLabel *LookingInLabel, *InfoLabel;
    QListWidget *FoundItemsListBox;
    QPushButton *SearchNamesButton, *SearchContentButton, *SearchNamesSelectButton,
        *SearchContentSelectButton, *StopButton, *CancelButton, *PutInFoundContainerButton,
        *PutInContainerButton, *ClipAllTitlesButton, *ClipActiveTitleButton;

    // The hint of the found list for the current mouse assignment.
    std::string FoundListHint() const;

    // "&Cancel": stops a running search and closes when it has ended.
    void reject() override;

protected:
    void closeEvent(class QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SetWorking(bool working);
    bool ReadLimits(TSearchLimits &limits);
    void ShowInfo(int perMille = -1, int filterNumber = 0);
    void InsertFoundRow(std::size_t index);
    void CloseWith(int action);
    void PutInContainerButtonClick();
    void FoundListKeyDown(class QKeyEvent *event);
    void ProcessPendingInput();
    // The column's selection (or all its items, or its focused item) goes to the search.
    void SearchColumnItems();

    TFileSearch Search;
    bool CancelRequested = false;
    std::chrono::steady_clock::time_point LastInput, LastShown;
    double StartTime = 0;
};

extern TSearchFileForm *SearchFileForm;
