// The file operation dialog: one operation ("Copy", "Move", "Delete", "Recycle", "Convert
// picture", "Copy as link", "Compare", "Clip title of") on a column's selection, its focused
// item or its directory, in a counting pass and a performing pass.
#pragma once

#include "Libraries/MemoryStorage.h"
#include "Libraries/MyTime.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QToolButton;
class TColumn;
class TStoredTextList;
class TFunScope;
class TFunStatContext;
namespace Platform {
struct TEntryStatus;
}

// The information line of a run: the counters, the size, the elapsed time and, when known,
// the fraction of the current file (negative: none).
std::string FileOperationInfoText(int errors,
                                  int directories,
                                  int files,
                                  std::uint64_t processedSize,
                                  double elapsedSeconds,
                                  double fileFraction);
// The wildcard list a named filter stands for ("All files", "Text files", ...); any other text
// is the filter as typed.
std::string ResolveNamedFilter(const std::string &filter);
// The question before files go where their named streams cannot follow; true to go on.
bool AskToLeaveStreams();
// A prefix a file name may begin with: without "/" or a NUL byte, and neither "." nor "..".
bool IsValidNamePrefix(const std::string &prefix);
// The operations that put a prefix before the names they make.
bool OperationAllowsPrefix(const std::string &operation);
// A file "Convert picture" takes: one a decoder or a viewer plug-in reads.
bool IsConvertiblePicture(const std::string &name);

// One item the operation starts from: a title, whether it is a directory to enter, and its
// position in the source column (-1 for none).
struct TFileOperationItem
{
    std::string Title;
    bool IsDirectory = false;
    int Index = -1;
};

enum TPrefixMode
{
    pmNone,
    pmAdd,
    pmReplace
};

// Which of the four Okay buttons started the run.
enum TOkayKind
{
    okOkay,
    okNoErrors,
    okAddPrefix,
    okReplacePrefix
};

class TFileForm : public QDialog
{
public:
    explicit TFileForm(QWidget *parent = nullptr);
    ~TFileForm() override;

    // Opens the dialog on the column's selection (or its focused item, or its directory when
    // processSourceItself); true when it closed with OK.
    bool Dialog(bool needsDestination,
                const std::string &operation,
                bool fromDrop,
                bool processSourceItself,
                const std::string &prefix,
                const std::string &destination,
                const std::string &sourceDirectory,
                int focusedIndex,
                TColumn *column);
    // Sets up a run on the items (the selection when selected, else the one focused item)
    // without a column; Dialog does the same for its column. False when there is nothing to do.
    bool Prepare(bool needsDestination,
                 const std::string &operation,
                 bool fromDrop,
                 bool processSourceItself,
                 const std::string &prefix,
                 const std::string &destination,
                 const std::string &sourceDirectory,
                 const std::vector<TFileOperationItem> &items,
                 bool selected);
    // The work behind the Okay buttons: validation, the counting pass, the questions, the
    // performing pass and the summary.
    void OnOkay(TOkayKind kind);

    // The run.
    std::string operation, operationAtStart;
    TColumn *sourceColumn = nullptr;
    int focusedIndex = -1;
    std::string sourcePath, destinationPath;
    bool processSourceItself = false;
    std::string currentSource, currentDestination;
    TPrefixMode prefixMode = pmNone;
    bool suppressErrors = false;
    bool counting = false;
    bool stop = false;
    int errors = 0, directories = 0, files = 0, commonFiles = 0, newerFiles = 0;
    std::uint64_t processedSize = 0, requiredSize = 0;
    bool encryptedFound = false;
    int streamsFound = 0;
    // The user agreed that streams the destination cannot keep stay behind.
    bool leaveStreams = false;
    std::string includeFilter, excludeFilter;
    std::string prefix;
    std::string pictureExtension, pictureEncoder;
    double pictureQuality = 1;
    TMemoryStorage clipboardText;
    TCrono refreshWatch, elapsedWatch;
    // The fraction of the current file copied; negative when none is being copied.
    double fileFraction = -1;
    // The items the run starts from, and whether they are the column's selection.
    std::vector<TFileOperationItem> items;
    bool itemsSelected = false;
    // Called after the performing pass handled a selected item (the column deselects it).
    std::function<void(int index)> OnItemDone;
    // The top directory of the run is made under this name instead of its own ("Copy as" of a
    // directory); empty for none. Set by the caller around Dialog.
    std::string topSource, topName;
    // False keeps the information labels as they are while the run goes on (the benchmark
    // measures the run with and without them).
    bool showProgress = true;

    // The settings kept in the options text file.
    void ReadSettings(TStoredTextList &list);
    void WriteSettings(TStoredTextList &list);

    // Controls.
    QLabel *CurrentInfoLabel;
    QLabel *SourceLabel;
    QLabel *DestinationLabel;
    QLabel *TotalInfoLabel;
    QWidget *OptionsPanel;
    QComboBox *IncludeFilterComboBox;
    QComboBox *ExcludeFilterComboBox;
    QGroupBox *PrefixGroupBox;
    QComboBox *PrefixComboBox;
    QPushButton *NewPrefixByCurrentButton;
    QPushButton *NewPrefixByCreationButton;
    QCheckBox *RecurseSubdirectoriesCheckBox;
    QCheckBox *StopAfterCountCheckBox;
    QCheckBox *IgnoreEncryptionCheckBox;
    QGroupBox *PictureGroupBox;
    QComboBox *PictureFormatComboBox;
    QComboBox *PictureQualityComboBox;
    QCheckBox *NormalizeSizeCheckBox;
    QPushButton *OkayButton;
    QPushButton *OkayNoErrorsButton;
    QPushButton *OkayAddPrefixButton;
    QPushButton *OkayReplacePrefixButton;
    QPushButton *CancelButton;
    QToolButton *ShowOptionsSpeedButton;
    QToolButton *ShowOptionsConvertSpeedButton;

    void ProcessAll();
    void Choose(bool isDirectory, const std::string &path, const std::string &destination);
    void ProcessDir(const std::string &source, const std::string &destinationParent);
    // Converts the picture into the chosen format beside the destination's name, after the
    // overwrite question, and copies its streams.
    void ConvertOnePicture(const std::string &source,
                           const std::string &destination,
                           bool &existed,
                           bool &overwrite);
    void ProcessFile(const std::string &source, const std::string &destinationDirectory, std::uint64_t size,
                     bool encrypted, bool isLink);
    void CopyAsLink(const std::string &source, const std::string &destinationDirectory, bool isDirectory);
    void CheckOperation();
    // Counts the failure of one item and, unless counting or suppressed, shows it; "&Cancel"
    // in the error dialog stops the run.
    void ReportItemError(const std::string &message, const TFunStatContext &context);
    void Progress(double fraction);
    void RefreshInfo();
    std::string InfoText() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool working = false;
    bool prefixUsed = false;
    void ReportIfFailed(TFunScope &Fun, const std::string &message);
    bool NeedsCounting() const;
    bool FiltersInUse() const;
    bool PrefixApplies(const std::string &source) const;
    static std::string RealOf(const std::string &path);
    // Asks the overwrite question; "&Abort" stops the run. A destination this run made is asked
    // about again whatever was answered before.
    bool Confirm(const std::string &source, const std::string &destination, bool &existed, bool &overwrite);
    // What the performing pass made: files and links by device and inode, by name and by name
    // without regard to case (a case-blind file system reaches one file by several names), and
    // the directories it created or moved in whole (everything inside them is its own).
    std::set<std::pair<std::uint64_t, std::uint64_t>> madeFiles;
    std::unordered_set<std::string> madeNames, madeFoldedNames, madeDirectories;
    void ForgetMade();
    void RecordMade(const std::string &destination);
    void RecordMadeDirectory(const std::string &directory);
    bool InsideMadeDirectory(const std::string &path) const;
    bool MadeByThisRun(const std::string &destination, const Platform::TEntryStatus &status) const;
    // The first item whose destination is the item itself; false when none.
    bool FindItemOntoItself(std::string &source, std::string &destination) const;
    // The destination with its links resolved, and how deep ProcessDir is in the tree.
    std::string realDestination;
    int depth = 0;
    // Shows the item as the current one; false when the filters leave its name out.
    bool StartItem(const std::string &source, const std::string &destinationDirectory);
    std::string DestinationName(const std::string &name, const std::string &source) const;
    void ResetCounters();
    void UpdateOptionsPanel();
    void SetWorking(bool value);
    void CancelButtonClick();
    void NewPrefixByCurrentButtonClick();
    void NewPrefixByCreationButtonClick();
    double lastEventsTime = 0;
};

// The file operation dialog; made by the start-up.
extern TFileForm *FileForm;
