// The find-common-text dialog: the paragraphs (lines) of the active file of a column's
// selection compared word by word with the paragraphs of the other selected files, and a
// report of the pairs that share words, each with its score.
//
// The matching itself is made of plain functions (FindCommonTextDialogMatch.cpp) that know
// nothing of the dialog.
#pragma once

#include "Libraries/MyTime.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class TColumn;
class TStoredTextList;

// ---- Settings ---------------------------------------------------------------------------------

// The items of the option boxes, in their order.
const std::vector<std::string> &BeginExtractionItems();
const std::vector<std::string> &EndExtractionItems();
const std::vector<std::string> &NumbersItems();
const std::vector<std::string> &WholeMatchItems();
const std::vector<std::string> &MisspellingItems();
const std::vector<std::string> &MinimumMatchesItems();

// The numbers the items stand for: an extraction item as the word list takes it ("Start" 0,
// "End" -1, "Last" -2, "Last - 1" -3, "Last - 2" -4, "Last - 3" -5, digits as they are), a
// numbers mode ("Include" 0, "Ignore" 1, "Only" 2), a whole-match mode ("Word" 0, "Left" 1,
// "Right" 2, "Any" 3) and a minimum ("All" 0, "All - 1" -1, ..., digits as they are).
int ExtractionValue(const std::string &item);
int NumbersModeValue(const std::string &item);
int WholeMatchValue(const std::string &item);
int MinimumMatchesValue(const std::string &item);

// The whole-match modes.
enum TWholeMatchMode
{
    wmWord = 0,
    wmLeft = 1,
    wmRight = 2,
    wmAny = 3
};

// What a run takes from the dialog's controls.
struct TCommonTextSettings
{
    int BeginExtraction = 0;
    int EndExtraction = -1;
    // The extraction values count delimiters; otherwise they count words.
    bool UseDelimiter = true;
    char Delimiter = '|';
    int NumbersMode = 0;
    int WholeMatch = wmWord;
    int MisspellingTolerance = 0;
    int MinimumMatches = 1;
};

// The complaint about an extraction range that cannot hold a word, or "" when it can.
std::string ExtractionRangeError(int begin, int end, bool useDelimiter);
// The files' sizes together are too much for the memory: more than half of it.
bool FilesTooBigForMemory(std::uint64_t filesSize, std::uint64_t totalPhysicalMemory);

// ---- Paragraphs -------------------------------------------------------------------------------

// A word of a paragraph, upper-cased, with its characters for matching.
struct TCommonTextWord
{
    std::string Text;
    std::u32string Characters;
};
using TCommonTextWords = std::vector<TCommonTextWord>;

// A paragraph that yielded words: its filter text (its words joined with "; ") and its words.
struct TCommonTextParagraph
{
    std::string Filter;
    TCommonTextWords Words;
};

// A parsed file: its title and its paragraphs with words, in file order.
struct TCommonTextFile
{
    std::string Title;
    std::vector<TCommonTextParagraph> Paragraphs;
};

// The lines of a text file's bytes: UTF-8, else Latin-1 turned into UTF-8; lines end at LF, CR
// LF or a lone CR.
std::vector<std::string> TextFileLines(const std::string &bytes);
// The words of a line by the settings; filter receives them joined with "; ". Leaves the word
// list's failure ("The first extracted word is beyond the last extracted word.") in
// FunStatContext.
TCommonTextWords
ParagraphWords(const std::string &line, const TCommonTextSettings &settings, std::string &filter);

// ---- Matching ---------------------------------------------------------------------------------

// One against paragraph that shares words with a source paragraph.
struct TMatchAgainstInfo
{
    std::string AgainstFile;
    std::string AgainstFilter;
    std::string MatchedFilter;
    std::int32_t Rank = 0;
};

// A source paragraph and the against paragraphs it shares words with, each under its filter.
struct TMatchSourceInfo
{
    std::string SourceFilter;
    std::vector<std::pair<std::string, TMatchAgainstInfo>> Matches;
    std::int32_t Rank = 0;
};

// The score of word x found in word y (0 none; 200 whole, 150 at y's start, 100 at its end, 50
// inside), less 5 per differing character but not below 1.
std::int32_t
MatchWordScore(const std::u32string &x, const std::u32string &y, int wholeMatch, int tolerance);
std::int32_t
MatchWordScore(const std::string &x, const std::string &y, int wholeMatch, int tolerance);
// The rank of an against paragraph for a source paragraph: the sum of the best scores of the
// word pairs that match, 0 when it is below 1 or fewer pairs than the minimum match. A ranked
// paragraph is added to the source's matches.
std::int32_t MatchParagraphs(const TCommonTextWords &source,
                             const std::string &againstFile,
                             TMatchSourceInfo &info,
                             const std::string &againstFilter,
                             const TCommonTextWords &against,
                             const TCommonTextSettings &settings);

// More matched source paragraphs than this stop the search.
constexpr int MostCommonTextMatches = 999;
// A report longer than this (in characters) is not shown.
constexpr std::size_t LongestCommonTextReport = 250000;

// Where the search is: source paragraph, file and against paragraph, 0-based.
struct TCommonTextStep
{
    int SourceParagraph = 0;
    int File = 0;
    int AgainstParagraph = 0;
};

// How a search ended.
enum TCommonTextEnd
{
    ceDone,
    ceStopped,
    ceTooManyMatches
};

// Compares each paragraph of the active file with every paragraph of the other files (titles
// equal to the active one's are left out). The source paragraphs with a rank of at least 1
// go into results, counted by matches. step runs after each against paragraph and returns
// true to stop; more than MostCommonTextMatches matched source paragraphs end the search.
TCommonTextEnd FindCommonText(const std::vector<TCommonTextFile> &files,
                              int activeIndex,
                              const TCommonTextSettings &settings,
                              std::vector<TMatchSourceInfo> &results,
                              int &matches,
                              const std::function<bool(const TCommonTextStep &)> &step);
// Results by rank, highest first, and within each its matches; equal ranks keep their order.
// step runs before each result's matches are sorted, with its index, and returns true to stop;
// false when stopped.
bool SortCommonTextResults(std::vector<TMatchSourceInfo> &results,
                           const std::function<bool(int index)> &step);
// The results' part of the report; false (text incomplete) when it grew too long.
bool CommonTextResultsText(const std::vector<TMatchSourceInfo> &results, std::string &text);
// The whole report: its head and the results' part.
std::string CommonTextReport(const std::string &sourceFile,
                             int matches,
                             double elapsedSeconds,
                             const std::string &resultsText);
// The progress line; a step is shown while searching, a match index (>= 0) while sorting.
std::string CommonTextProgressText(
    int errors, double elapsedSeconds, int matches, const TCommonTextStep *step, int matchIndex);

// ---- The dialog -------------------------------------------------------------------------------

class TFindCommonTextForm : public QDialog
{
public:
    explicit TFindCommonTextForm(QWidget *parent = nullptr);

    // Works on the column's selection; shows the dialog until it closes.
    void Dialog(TColumn *column);
    // "&Find": one run on the remembered column.
    // Shown: "Empty delimiter.", "The active file is not selected or it's not a document: ...",
    // "The size of the files to use is too big.", "No matches found.", the warning "Too many
    // matches. The operation has been aborted.\nChange the options to restrict the matches.",
    // and other failures as "Failed to find common text.".
    void Do();
    // Parses a file into place index of the parsed files.
    void ParseFile(const std::string &file, int index);
    // The words of one line by the settings of the run.
    TCommonTextWords ParsePara(const std::string &line, std::string &filter);
    // MatchParagraphs with the settings of the run.
    std::int32_t FindTextA(const TCommonTextWords &sourceWords,
                           const std::string &againstFile,
                           TMatchSourceInfo &sourceInfo,
                           const std::string &againstFilter,
                           const TCommonTextWords &againstWords);
    // MatchWordScore with the settings of the run.
    std::int32_t MatchText(const std::string &x, const std::string &y);

    // Section "FindCommonText"; a value that is not one of its box's items gives the fallback.
    void ReadSettings(const TStoredTextList &list);
    void WriteSettings(TStoredTextList &list) const;
    // The settings the controls hold.
    TCommonTextSettings SettingsFromControls() const;

    // "&Cancel" (and Escape): stops a run and closes. "Sto&p": stops a run only.
    void CancelButtonClick();
    void StopButtonClick();
    void CopyReportButtonClick();
    void HelpButtonClick();

    TColumn *Column = nullptr;
    bool Stop = false;
    bool Working = false;
    int Matches = 0;
    int Errors = 0;
    TCommonTextSettings Settings;
    std::vector<TCommonTextFile> ParsedFiles;
    std::vector<TMatchSourceInfo> Results;
    TCrono RefreshWatch;
    TCrono ElapsedWatch;
    // The total physical memory in bytes; null: the machine's.
    std::function<std::uint64_t()> OnTotalPhysicalMemory;

    QGroupBox *OptionsGroupBox;
    QComboBox *BeginExtractionComboBox;
    QComboBox *EndExtractionComboBox;
    QCheckBox *UseDelimiterCheckBox;
    QLineEdit *DelimiterEdit;
    QComboBox *NumbersComboBox;
    QComboBox *WholeMatchComboBox;
    QComboBox *MisspellingComboBox;
    QComboBox *MinimumMatchesComboBox;
    QLabel *ProgressLabel;
    QPlainTextEdit *ReportMemo;
    QPushButton *FindButton;
    QPushButton *StopButton;
    QPushButton *CancelButton;
    QPushButton *CopyReportButton;
    QPushButton *HelpButton;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void reject() override;

private:
    void RefreshProgress(const TCommonTextStep *step = nullptr, int matchIndex = -1);
    // After a step of the search or the sorting: refreshes the progress line at most once a
    // second and takes waiting input; true when the run is to stop.
    bool StepEvents(const TCommonTextStep *step, int matchIndex);
    double LastEventsTime = 0;
    void AddReportLine(const std::string &line);
    void SetWorking(bool working);
};

// The find-common-text dialog; null until the start-up creates it.
extern TFindCommonTextForm *FindCommonTextForm;
