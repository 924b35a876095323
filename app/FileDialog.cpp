// The file operation dialog: one operation on a column's selection, its focused item or its
// directory, in a counting pass and a performing pass.
#include "app/FileDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/FileLink.h"
#include "Libraries/FileStream.h"
#include "Libraries/MyGDIPlus.h"
#include "Libraries/StoredTextList.h"
#include "Libraries/StoredTextListUi.h"
#include "Libraries/Text.h"
#include "Libraries/UtilitiesUi.h"
#include "app/Column.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"
#include "app/OverwriteDialog.h"
#include "app/SkinDialog.h"
#include "app/ViewerPluginEntries.h"
#include "app/ViewerPlugins.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <cerrno>
#include <cmath>

namespace {

constexpr const char *ThisUnit = "FileDialog";

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

std::string S(const QString &text)
{
    return text.toStdString();
}

bool IsOneOf(const std::string &text, std::initializer_list<const char *> items)
{
    for (const char *item : items)
        if (text == item) return true;
    return false;
}

// The wildcard list of an extension list: "*.txt;*.log".
std::string WildcardsOf(const TExtensionList &list)
{
    std::string text;
    for (const std::string &extension : list.List()) {
        if (!text.empty()) text += ';';
        text += "*" + extension;
    }
    return text;
}

bool HoldsAnyOf(const std::string &text, const char *characters)
{
    return text.find_first_of(characters) != std::string::npos;
}

// The same text without regard to case, for names a case-blind file system takes as one.
std::string Folded(const std::string &text)
{
    return QString::fromStdString(text).toCaseFolded().toStdString();
}

// One directory entry as the walk sees it.
struct TWalkEntry
{
    std::string Name;
    Platform::TEntryStatus Status;
    bool Valid = false;
};

const char *const NamedFilters[] = {"All files", "Text files", "Picture files", "Movie files",
                                    "Music files", "No backup files"};

} // namespace

TFileForm *FileForm = nullptr;

std::string FileOperationInfoText(int errors,
                                  int directories,
                                  int files,
                                  std::uint64_t processedSize,
                                  double elapsedSeconds,
                                  double fileFraction)
{
    std::string text = "Errors " + std::to_string(errors) + " | Directories " + std::to_string(directories) +
                       " | Files " + std::to_string(files) + " | Size " + FileSizeText(6, 0, processedSize) +
                       " | Time " + SecondsToText(0, "/", ".", "hh:nn:ss", elapsedSeconds);
    if (fileFraction >= 0)
        text += " | File " + std::to_string(static_cast<int>(std::trunc(std::min(fileFraction, 1.0) * 100))) + "%";
    return text;
}

std::string ResolveNamedFilter(const std::string &filter)
{
    const QString name = Q(filter).trimmed();
    const auto is = [&name](const char *text) {
        return name.compare(QString::fromLatin1(text), Qt::CaseInsensitive) == 0;
    };
    if (is("All files")) return "*";
    if (is("Text files")) return WildcardsOf(TextFileExtensions);
    if (is("Picture files")) return WildcardsOf(PictureFileExtensions);
    if (is("Movie files") || is("Video files")) return WildcardsOf(VideoFileExtensions);
    if (is("Music files") || is("Audio files")) return WildcardsOf(AudioFileExtensions);
    // Build outputs and editor leftovers of both worlds.
    if (is("No backup files")) return "*.exe;*.dll;*.obj;*.pdb;*.tds;*.tmp;*.o;*.so;*.a;*~;*.swp;*.pyc";
    return filter;
}

bool AskToLeaveStreams()
{
    return AskYesNo("There are file streams in the source files, but the destination partition\n"
                    "doesn't support file streams. Therefore streams will not be in the\n"
                    "destination files.\n\nClick \"Okay\" to CONTINUE.");
}

bool IsValidNamePrefix(const std::string &prefix)
{
    return prefix.find_first_of(std::string("/\0", 2)) == std::string::npos && prefix != "." && prefix != "..";
}

bool OperationAllowsPrefix(const std::string &operation)
{
    return IsOneOf(operation, {"Copy", "Copy as link", "Move", "Compare", "Convert picture"});
}

// ---- The dialog ------------------------------------------------------------------------------

TFileForm::TFileForm(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Copy"));
    auto *layout = new QVBoxLayout(this);

    auto *infoPanel = new QGroupBox;
    auto *info = new QVBoxLayout(infoPanel);
    CurrentInfoLabel = new QLabel;
    SourceLabel = new QLabel;
    DestinationLabel = new QLabel;
    TotalInfoLabel = new QLabel;
    for (QLabel *label : {CurrentInfoLabel, SourceLabel, DestinationLabel, TotalInfoLabel}) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setWordWrap(true);
        info->addWidget(label);
    }
    layout->addWidget(infoPanel);

    OptionsPanel = new QWidget;
    auto *options = new QGridLayout(OptionsPanel);
    options->setContentsMargins(0, 0, 0, 0);
    const auto filterBox = [] {
        auto *box = new QComboBox;
        box->setEditable(true);
        for (const char *name : NamedFilters) box->addItem(QString::fromLatin1(name));
        box->setEditText(QString());
        return box;
    };
    IncludeFilterComboBox = filterBox();
    IncludeFilterComboBox->setToolTip(QStringLiteral(
        "Only the files whose names match this filter are processed (for example *.txt;*.doc). Empty: all files."));
    ExcludeFilterComboBox = filterBox();
    ExcludeFilterComboBox->setToolTip(
        QStringLiteral("The files whose names match this filter are not processed. Empty: none is left out."));
    options->addWidget(new QLabel(QStringLiteral("Include")), 0, 0);
    options->addWidget(IncludeFilterComboBox, 0, 1);
    options->addWidget(new QLabel(QStringLiteral("Exclude")), 1, 0);
    options->addWidget(ExcludeFilterComboBox, 1, 1);

    PrefixGroupBox = new QGroupBox(QStringLiteral("File name prefix"));
    auto *prefixLayout = new QGridLayout(PrefixGroupBox);
    PrefixComboBox = new QComboBox;
    PrefixComboBox->setEditable(true);
    NewPrefixByCurrentButton = new QPushButton(QStringLiteral("By current"));
    NewPrefixByCurrentButton->setToolTip(QStringLiteral("Sets a unique prefix made of the current time."));
    NewPrefixByCreationButton = new QPushButton(QStringLiteral("By creation"));
    NewPrefixByCreationButton->setToolTip(
        QStringLiteral("Sets a unique prefix made of the creation time of the focused file."));
    RecurseSubdirectoriesCheckBox = new QCheckBox(QStringLiteral("Recurse subdirectories"));
    prefixLayout->addWidget(PrefixComboBox, 0, 0, 1, 2);
    prefixLayout->addWidget(NewPrefixByCurrentButton, 1, 0);
    prefixLayout->addWidget(NewPrefixByCreationButton, 1, 1);
    prefixLayout->addWidget(RecurseSubdirectoriesCheckBox, 2, 0, 1, 2);
    options->addWidget(PrefixGroupBox, 2, 0, 1, 2);

    StopAfterCountCheckBox = new QCheckBox(QStringLiteral("Stop after files are counted, and ask whether to continue"));
    IgnoreEncryptionCheckBox = new QCheckBox(QStringLiteral("Ignore encryption warnings"));
    options->addWidget(StopAfterCountCheckBox, 3, 0, 1, 2);
    options->addWidget(IgnoreEncryptionCheckBox, 4, 0, 1, 2);

    PictureGroupBox = new QGroupBox(QStringLiteral("Picture"));
    auto *picture = new QGridLayout(PictureGroupBox);
    PictureFormatComboBox = new QComboBox;
    std::vector<std::string> formats;
    LoadPictureConvertFilters(formats);
    for (const std::string &format : formats) PictureFormatComboBox->addItem(Q(format));
    PictureQualityComboBox = new QComboBox;
    PictureQualityComboBox->setEditable(true);
    for (int quality = 0; quality <= 100; quality += 5) PictureQualityComboBox->addItem(QString::number(quality));
    PictureQualityComboBox->setCurrentText(QStringLiteral("80"));
    NormalizeSizeCheckBox = new QCheckBox(QStringLiteral("Normalize size"));
    picture->addWidget(new QLabel(QStringLiteral("Format")), 0, 0);
    picture->addWidget(PictureFormatComboBox, 0, 1);
    picture->addWidget(new QLabel(QStringLiteral("Quality")), 1, 0);
    picture->addWidget(PictureQualityComboBox, 1, 1);
    picture->addWidget(NormalizeSizeCheckBox, 2, 0, 1, 2);
    options->addWidget(PictureGroupBox, 5, 0, 1, 2);
    layout->addWidget(OptionsPanel);

    auto *buttons = new QHBoxLayout;
    ShowOptionsSpeedButton = new QToolButton;
    ShowOptionsSpeedButton->setText(QStringLiteral("Options"));
    ShowOptionsSpeedButton->setCheckable(true);
    ShowOptionsConvertSpeedButton = new QToolButton;
    ShowOptionsConvertSpeedButton->setText(QStringLiteral("Convert"));
    ShowOptionsConvertSpeedButton->setCheckable(true);
    ShowOptionsConvertSpeedButton->setChecked(true);
    OkayButton = new QPushButton(QStringLiteral("&Okay"));
    OkayNoErrorsButton = new QPushButton(QStringLiteral("O&kay (no errors)"));
    OkayAddPrefixButton = new QPushButton(QStringLiteral("Okay (add prefix)"));
    OkayReplacePrefixButton = new QPushButton(QStringLiteral("Okay (replace prefix)"));
    CancelButton = new QPushButton(QStringLiteral("&Cancel"));
    OkayButton->setDefault(true);
    buttons->addWidget(ShowOptionsSpeedButton);
    buttons->addWidget(ShowOptionsConvertSpeedButton);
    buttons->addStretch(1);
    for (QPushButton *button :
         {OkayButton, OkayNoErrorsButton, OkayAddPrefixButton, OkayReplacePrefixButton, CancelButton})
        buttons->addWidget(button);
    layout->addLayout(buttons);

    connect(OkayButton, &QPushButton::clicked, this, [this] { OnOkay(okOkay); });
    connect(OkayNoErrorsButton, &QPushButton::clicked, this, [this] { OnOkay(okNoErrors); });
    connect(OkayAddPrefixButton, &QPushButton::clicked, this, [this] { OnOkay(okAddPrefix); });
    connect(OkayReplacePrefixButton, &QPushButton::clicked, this, [this] { OnOkay(okReplacePrefix); });
    connect(CancelButton, &QPushButton::clicked, this, &TFileForm::CancelButtonClick);
    connect(NewPrefixByCurrentButton, &QPushButton::clicked, this, &TFileForm::NewPrefixByCurrentButtonClick);
    connect(NewPrefixByCreationButton, &QPushButton::clicked, this, &TFileForm::NewPrefixByCreationButtonClick);
    connect(ShowOptionsSpeedButton, &QToolButton::toggled, this, [this] { UpdateOptionsPanel(); });
    connect(ShowOptionsConvertSpeedButton, &QToolButton::toggled, this, [this] { UpdateOptionsPanel(); });
}

TFileForm::~TFileForm()
{
    if (FileForm == this) FileForm = nullptr;
}

void TFileForm::ReadSettings(TStoredTextList &list)
{
    bool stopAfterCount = StopAfterCountCheckBox->isChecked();
    list.ReadBool("Main", "StopAfterCount", stopAfterCount);
    StopAfterCountCheckBox->setChecked(stopAfterCount);
    std::string format;
    list.ReadString("Main", "PictureConverterFormat", format, true, 31);
    const int formatIndex = PictureFormatComboBox->findText(Q(format));
    if (PictureFormatComboBox->count() > 0) PictureFormatComboBox->setCurrentIndex(std::max(0, formatIndex));
    std::int32_t quality = 80;
    list.ReadInteger("Main", "PictureConverterQuality", quality, 0, 100);
    PictureQualityComboBox->setCurrentIndex(PictureQualityComboBox->findText(QString::number(quality)));
    bool normalize = false, showOptions = false, showConvert = true;
    list.ReadBool("Main", "NormalizePictureSize", normalize);
    list.ReadBool("Main", "ShowFileOptions", showOptions);
    list.ReadBool("Main", "ShowOptionsConvert", showConvert);
    NormalizeSizeCheckBox->setChecked(normalize);
    ShowOptionsSpeedButton->setChecked(showOptions);
    ShowOptionsConvertSpeedButton->setChecked(showConvert);
}

void TFileForm::WriteSettings(TStoredTextList &list)
{
    list.WriteBool("Main", "StopAfterCount", StopAfterCountCheckBox->isChecked());
    list.WriteString("Main", "PictureConverterFormat", S(PictureFormatComboBox->currentText()));
    bool valid = false;
    const int quality = PictureQualityComboBox->currentText().toInt(&valid);
    list.WriteInteger("Main", "PictureConverterQuality", valid ? quality : 80);
    list.WriteBool("Main", "NormalizePictureSize", NormalizeSizeCheckBox->isChecked());
    list.WriteBool("Main", "ShowFileOptions", ShowOptionsSpeedButton->isChecked());
    list.WriteBool("Main", "ShowOptionsConvert", ShowOptionsConvertSpeedButton->isChecked());
}

void TFileForm::UpdateOptionsPanel()
{
    OptionsPanel->setVisible(ShowOptionsSpeedButton->isChecked() ||
                             (ShowOptionsConvertSpeedButton->isChecked() && operation == "Convert picture"));
    adjustSize();
}

void TFileForm::SetWorking(bool value)
{
    working = value;
    for (QWidget *control : std::initializer_list<QWidget *>{OkayButton, OkayNoErrorsButton, OkayAddPrefixButton,
                                                             OkayReplacePrefixButton, ShowOptionsSpeedButton,
                                                             ShowOptionsConvertSpeedButton, OptionsPanel})
        control->setEnabled(!value);
    const bool prefixAllowed = OperationAllowsPrefix(operation);
    if (!value) {
        OkayAddPrefixButton->setEnabled(prefixAllowed);
        OkayReplacePrefixButton->setEnabled(prefixAllowed);
    }
}

void TFileForm::CancelButtonClick()
{
    stop = true;
    if (!working) reject();
}

void TFileForm::closeEvent(QCloseEvent *event)
{
    // While working the window stays: closing it only asks the run to stop.
    if (working) {
        stop = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TFileForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        CancelButtonClick();
        return;
    }
    if (event->key() == Qt::Key_F1) {
        TMainForm::OpenHelp(200);
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFileForm::NewPrefixByCurrentButtonClick()
{
    PrefixComboBox->setEditText(Q(TimeStampText() + "_"));
}

void TFileForm::NewPrefixByCreationButtonClick()
{
    TFunScope Fun(ThisUnit, "TFileForm::NewPrefixByCreationButtonClick");
    Fun.Run([&] {
        const TFileListData *item = sourceColumn ? sourceColumn->Item(focusedIndex) : nullptr;
        const std::string focused = item && !sourceColumn->FileList->Empty ? item->Title : sourcePath;
        TFileInfo info;
        info.Load(focused);
        if (Fun.CalleeFailed()) return;
        PrefixComboBox->setEditText(Q(TimeStampText(info.created) + "_"));
    });
    Fun.ShowIfFailed("Failed to set prefix.");
}

// ---- Opening ----------------------------------------------------------------------------------

bool TFileForm::Dialog(bool needsDestination,
                       const std::string &operationText,
                       bool fromDrop,
                       bool sourceItself,
                       const std::string &givenPrefix,
                       const std::string &destination,
                       const std::string &sourceDirectory,
                       int focused,
                       TColumn *column)
{
    if (!column || column->FileList->Empty) return false;
    if (column->ContainerIndex >= 0 && !column->IsSynchronized()) {
        TFunScope Fun(ThisUnit, "TFileForm::Dialog");
        Fun.Panic("Column and container items are not synchronized. You must reload the column.");
        Fun.Local.Reset(fsPerfect);
        return false;
    }
    std::vector<TFileOperationItem> chosen;
    const auto itemOf = [column](int index) {
        const TFileListData *item = column->Item(index);
        return TFileOperationItem{item->Title, item->Kind == ikDirectory, index};
    };
    const int count = column->FileList->Count();
    if (column->SelectedCount > 0) {
        for (int i = 0; i < count; ++i)
            if (column->Item(i)->Selected) chosen.push_back(itemOf(i));
    } else if (focused >= 0 && focused < count) {
        chosen.push_back(itemOf(focused));
    }
    if (!Prepare(needsDestination, operationText, fromDrop, sourceItself, givenPrefix, destination,
                 sourceDirectory, chosen, column->SelectedCount > 0))
        return false;
    sourceColumn = column;
    focusedIndex = focused;
    OnItemDone = [column](int index) { column->SelectItem(index, false); };
    FileUnitLoader.OnCopyProgress = [this](double fraction) {
        Progress(fraction);
        return !stop;
    };
    if (MainForm) {
        // Centred vertically on the main window.
        const QRect main = MainForm->frameGeometry();
        const QSize size = sizeHint();
        move(main.left() + std::max(0, (main.width() - size.width()) / 2),
             main.top() + std::max(0, (main.height() - size.height()) / 2));
    }
    const bool accepted = exec() == QDialog::Accepted;
    FileUnitLoader.OnCopyProgress = nullptr;
    OnItemDone = nullptr;
    sourceColumn = nullptr;
    return accepted;
}

bool TFileForm::Prepare(bool needsDestination,
                        const std::string &operationText,
                        bool fromDrop,
                        bool sourceItself,
                        const std::string &givenPrefix,
                        const std::string &destination,
                        const std::string &sourceDirectory,
                        const std::vector<TFileOperationItem> &chosen,
                        bool selected)
{
    if (needsDestination && destination.empty()) return false;
    if ((!sourceItself && chosen.empty()) || !OverwriteForm) return false;
    items = chosen;
    itemsSelected = selected;
    ResetCounters();
    counting = true;
    stop = false;
    suppressErrors = false;
    prefixMode = pmNone;
    prefixUsed = false;
    operation = operationAtStart = operationText;
    processSourceItself = sourceItself;
    sourcePath = IncludeTrailingBackslash(FullPath(sourceDirectory));
    destinationPath.clear();
    if (!destination.empty()) {
        if (fromDrop) {
            const std::string dropped =
                IsDrivePath(destination) ? IncludeTrailingBackslash(destination.substr(1)) : destination;
            const std::string target = GetWhenReference(FullPath(dropped));
            FunStatContext.Reset(fsPerfect);
            destinationPath = IncludeTrailingBackslash(target);
        } else {
            destinationPath = ExtractDirectory(FullPath(destination));
        }
    }
    currentSource = currentDestination = {};
    clipboardText.Clear();
    OverwriteForm->Reset();
    if (operation == "Compare") OverwriteForm->overwriteChoice = ocOverwriteAllOlder;
    setWindowTitle(Q(operation + (fromDrop ? " (from drop)" : "")));
    TotalInfoLabel->clear();
    if (selected) {
        CurrentInfoLabel->setText(Q(operation + " " + std::to_string(items.size()) + " selected files / directories?"));
        SourceLabel->setText(Q(sourcePath));
    } else {
        CurrentInfoLabel->setText(Q(operation + " focused file / directory?"));
        SourceLabel->setText(Q(sourceItself || items.empty() ? sourcePath : items.front().Title));
    }
    DestinationLabel->setText(Q(destinationPath));
    SetWorking(false);
    CancelButton->setEnabled(true);
    const bool prefixAllowed = OperationAllowsPrefix(operation);
    PrefixGroupBox->setEnabled(prefixAllowed);
    PictureGroupBox->setEnabled(operation == "Convert picture");
    IgnoreEncryptionCheckBox->setEnabled(operation == "Copy");
    IncludeFilterComboBox->setEditText(QString());
    ExcludeFilterComboBox->setEditText(QString());
    if (PrefixComboBox->findText(PrefixComboBox->currentText()) < 0) PrefixComboBox->setEditText(QString());
    if (!givenPrefix.empty()) PrefixComboBox->setEditText(Q(givenPrefix));
    UpdateOptionsPanel();
    return true;
}

void TFileForm::ResetCounters()
{
    errors = directories = files = commonFiles = newerFiles = 0;
    processedSize = requiredSize = 0;
    fileFraction = -1;
}

// ---- The run ------------------------------------------------------------------------------------

bool TFileForm::FiltersInUse() const
{
    return !includeFilter.empty() || !excludeFilter.empty();
}

bool TFileForm::NeedsCounting() const
{
    if (IsOneOf(operation, {"Clip title of", "Compare", "Copy as link"})) return false;
    return operation != "Recycle" || FiltersInUse();
}

void TFileForm::OnOkay(TOkayKind kind)
{
    if (working) return;
    TFunScope Fun(ThisUnit, "TFileForm::OnOkay");
    bool ran = false;
    Fun.Run([&] {
        const std::string include = S(IncludeFilterComboBox->currentText());
        const std::string exclude = S(ExcludeFilterComboBox->currentText());
        prefix = S(PrefixComboBox->currentText());
        static const char *const filterRefused = "<>|\":\\/";
        if (HoldsAnyOf(include, filterRefused)) {
            ShowWarningMessage("Invalid include file name filter.");
            return;
        }
        if (HoldsAnyOf(exclude, filterRefused)) {
            ShowWarningMessage("Invalid exclude file name filter.");
            return;
        }
        if (!IsValidNamePrefix(prefix)) {
            ShowWarningMessage("Invalid file name prefix.");
            return;
        }
        if (kind == okAddPrefix && prefix.empty()) {
            ShowWarningMessage("Empty file name prefix.");
            return;
        }
        ran = true;
        suppressErrors = kind == okNoErrors;
        prefixUsed = kind == okAddPrefix || kind == okReplacePrefix;
        prefixMode = kind == okAddPrefix ? pmAdd : (kind == okReplacePrefix ? pmReplace : pmNone);
        includeFilter = include.empty() ? std::string() : ResolveNamedFilter(include);
        excludeFilter = exclude.empty() ? std::string() : ResolveNamedFilter(exclude);
        SetWorking(true);
        if (operation == "Convert picture") {
            // The picture encoders fill the format list; without one there is nothing to
            // convert to.
            if (!GetPictureConverterID(
                    S(PictureFormatComboBox->currentText()), pictureExtension, pictureEncoder)) {
                Fun.Raise("Failed to get format information.", currentSource, currentDestination);
                return;
            }
            bool valid = false;
            const double quality = PictureQualityComboBox->currentText().toDouble(&valid) / 100;
            pictureQuality = valid && quality >= 0 && quality <= 1 ? quality : 1;
            if (NormalizeSizeCheckBox->isChecked() && !ProgramOptions.NormalizeThumbWidth &&
                !ProgramOptions.NormalizeThumbHeight) {
                ShowWarningMessage(
                    "The size of thumb pictures is not normalized.\nFirst, change this in the options dialog.");
                return;
            }
        }
        const bool transfers = IsOneOf(operation, {"Copy", "Convert picture", "Move"});
        // An item onto itself would be merged with itself and its directories removed: the run
        // is refused before anything is touched.
        std::string sameSource, sameDestination;
        if (transfers && FindItemOntoItself(sameSource, sameDestination)) {
            Fun.Raise("Source and destination are the same.", sameSource, sameDestination);
            return;
        }
        leaveStreams = false;
        if (transfers) streamsFound = SupportsNamedStreams(destinationPath) ? -1 : 0;
        FunStatContext.Reset(fsPerfect);
        if (NeedsCounting()) {
            TotalInfoLabel->setText(QStringLiteral("Calculating total space..."));
            counting = true;
            ProcessAll();
            if (Fun.CalleeFailed() || stop) return;
            TotalInfoLabel->setText(Q(FileOperationInfoText(errors, directories, files, processedSize,
                                                            elapsedWatch.Elapsed(), -1)));
        }
        counting = false;
        if (StopAfterCountCheckBox->isChecked() && operation != "Compare" &&
            !AskYesNo("Continue with processing?"))
            return;
        if (transfers && (operation != "Move" || !SameRoot(sourcePath, destinationPath))) {
            const std::int64_t free = GetPartitionFreeSize(destinationPath);
            FunStatContext.Reset(fsPerfect);
            if (free >= 0 && static_cast<std::uint64_t>(free) < requiredSize &&
                !AskYesNo("There is not enough space at destination.\nClick \"Okay\" to CONTINUE."))
                return;
        }
        if (transfers && streamsFound > 0) {
            if (!AskToLeaveStreams()) return;
            leaveStreams = true;
        }
        if (IsOneOf(operation, {"Copy", "Move"}) && encryptedFound && !SupportsEncryption(destinationPath) &&
            !IgnoreEncryptionCheckBox->isChecked()) {
            if (!AskYesNo("You are attempting to process encrypted files, but the destination partition\n"
                          "doesn't support encryption, and the \"Ignore encryption warnings\" check-box\n"
                          "is not checked.\n\nClick \"Okay\" to check the \"Ignore encryption warnings\" "
                          "check-box and CONTINUE."))
                return;
            IgnoreEncryptionCheckBox->setChecked(true);
        }
        ResetCounters();
        RefreshInfo();
        ProcessAll();
        if (Fun.CalleeFailed()) return;
        fileFraction = -1;
        if (stop) {
            RefreshInfo();
            ReportErrorCount(errors);
            return;
        }
        if (IsOneOf(operation, {"Compare", "Clip title of"})) {
            clipboardText.AddNull();
            const std::string text = reinterpret_cast<const char *>(clipboardText.Data());
            clipboardText.Clear();
            if (!text.empty()) CopyTextToClipboard(text);
            FunStatContext.Reset(fsPerfect);
        }
        RefreshInfo();
        if (operation == "Compare")
            ShowInfoMessage("There are " + std::to_string(newerFiles) + " newer files in source (" +
                            std::to_string(commonFiles) + " are common).\n" + InfoText());
        else
            ReportErrorCount(errors);
    });
    if (!ran && !Fun.Failed()) return; // a refused entry: the dialog stays for a correction
    AddComboHistory(IncludeFilterComboBox);
    AddComboHistory(ExcludeFilterComboBox);
    AddComboHistory(IncludeFilterComboBox, S(ExcludeFilterComboBox->currentText()));
    AddComboHistory(ExcludeFilterComboBox, S(IncludeFilterComboBox->currentText()));
    if (prefixUsed) AddComboHistory(PrefixComboBox);
    if (sourceColumn) sourceColumn->FileList->update();
    SetWorking(false);
    Fun.ShowIfFailed("Failed to " + operation + ".");
    accept();
}

void TFileForm::ProcessAll()
{
    refreshWatch.Start();
    elapsedWatch.Start();
    lastEventsTime = 0;
    realDestination = RealOf(destinationPath);
    depth = 0;
    ForgetMade();
    if (!itemsSelected) {
        if (processSourceItself) {
            const std::string source = sourcePath.size() > 1 ? sourcePath.substr(0, sourcePath.size() - 1) : sourcePath;
            ProcessDir(source, destinationPath);
        } else if (!items.empty()) {
            Choose(items.front().IsDirectory, items.front().Title, destinationPath);
        }
        return;
    }
    for (const TFileOperationItem &item : items) {
        if (stop) break;
        Choose(item.IsDirectory, item.Title, destinationPath);
        if (!counting && !stop && OnItemDone && item.Index >= 0) OnItemDone(item.Index);
    }
}

void TFileForm::ReportIfFailed(TFunScope &Fun, const std::string &message)
{
    // Each failure is reported once, where it happened, and cleared so that the callers go on;
    // a Panic has been shown already and stops the run.
    Fun.CalleeFailed();
    if (!Fun.Local.IsError()) return;
    if (Fun.Local.status == fsPanic) {
        stop = true;
        return;
    }
    // A copy the user cancelled is no failure to show.
    if (!(stop && Fun.Local.systemErrorCode == ECANCELED)) ReportItemError(message, Fun.Local);
    Fun.Local.Reset(fsPerfect);
    FunStatContext.Reset(fsPerfect);
}

void TFileForm::Choose(bool isDirectory, const std::string &path, const std::string &destination)
{
    TFunScope Fun(ThisUnit, "TFileForm::Choose");
    Fun.Run([&] {
        if (IsDrivePath(path) || path.empty()) {
            Fun.Raise("Can not find file.", path);
            return;
        }
        Platform::TEntryStatus status;
        if (!Platform::EntryStatus(path, status, false)) {
            Fun.RaiseLastError("Failed to access file.", path);
            return;
        }
        // A link to a directory is one item: never entered.
        const bool directory = isDirectory && status.IsDirectory;
        if (operation == "Copy as link") CopyAsLink(path, destination, directory);
        else if (directory) ProcessDir(path, destination);
        else ProcessFile(path, destination, status.Size, status.Encrypted, status.IsSymbolicLink);
    });
    ReportIfFailed(Fun, "Failed to " + operation + ".");
}

void TFileForm::ProcessDir(const std::string &source, const std::string &destinationParent)
{
    if (stop) return;
    ++depth;
    TFunScope Fun(ThisUnit, "TFileForm::ProcessDir");
    Fun.Run([&] {
        currentSource = source;
        currentDestination = destinationParent;
        CheckOperation();
        if (Fun.CalleeFailed()) {
            stop = true;
            return;
        }
        const bool performing = !counting;
        if (performing && operation == "Recycle" && !FiltersInUse()) {
            RecycleFile(source);
            if (Fun.CalleeFailed()) return;
            ++directories;
            return;
        }
        const bool transfers = IsOneOf(operation, {"Copy", "Convert picture", "Move"});
        // A directory's own streams are carried like a file's.
        if (counting && streamsFound != -1) {
            streamsFound += std::max(0, GetFileStreamsCount(source));
            FunStatContext.Reset(fsPerfect);
        }
        // Below the top directory the destination cannot lie inside unless it does at the top,
        // so the real paths are resolved only there.
        if ((transfers || operation == "Compare") &&
            (IsPathInside(source, destinationParent) ||
             (depth == 1 && IsPathInside(RealOf(source), realDestination)))) {
            Fun.Raise("Can not " + operation + " recursively.", source, destinationParent);
            return;
        }
        const std::string destination = IncludeTrailingBackslash(destinationParent) +
                                        (!topName.empty() && source == topSource ? topName : ExtractName(source));
        const bool taken = transfers && Platform::PathTaken(destination);
        if (taken && Platform::SameFile(source, destination)) {
            Fun.Raise("Source and destination are the same.", source, destination);
            return;
        }
        if (performing && operation == "Move" && !FiltersInUse() && !taken &&
            !(prefixUsed && RecurseSubdirectoriesCheckBox->isChecked()) && SameRoot(source, destinationParent)) {
            FunStatContext.Reset(fsPerfect);
            MyMoveFile(source, destination, false, leaveStreams);
            if (!Fun.CalleeFailed()) {
                RecordMadeDirectory(destination);
                if (sourceColumn) sourceColumn->FollowMovedItem(source, destination);
                ++directories;
                return;
            }
            // Two mounts of one file system: the files move one by one.
            if (Fun.Local.systemErrorCode != EXDEV) return;
            Fun.Local.Reset(fsPerfect);
            FunStatContext.Reset(fsPerfect);
        }
        const bool makesCopy = performing && transfers && destination != source;
        if (makesCopy) {
            if (Platform::MakeDirectory(destination)) {
                RecordMadeDirectory(destination);
            } else {
                const int code = Platform::LastErrorCode();
                if (LastErrorFailedAfterCreate(code) || !Platform::DirectoryExists(destination)) {
                    Fun.Raise("Failed to " + operation + " directory.", source, destination,
                              code == EEXIST ? ENOTDIR : code);
                    return;
                }
                // Merging into a directory this run made (another spelling of its name on a
                // case-blind file system): what lies inside is the run's own as well.
                Platform::TEntryStatus status;
                if (Platform::EntryStatus(destination, status, true) && MadeByThisRun(destination, status))
                    RecordMadeDirectory(destination);
            }
        }
        // The entries are read first: the directory changes while they are handled.
        std::vector<TWalkEntry> entries;
        const bool listed = Platform::ListDirectoryWithStatus(
            source, [&entries](const char *name, std::size_t length, const Platform::TEntryStatus &status, bool valid) {
                entries.push_back({std::string(name, length), status, valid});
            });
        if (!listed) {
            const int code = Platform::LastErrorCode();
            if (entries.empty()) Fun.Raise("Can not find file.", source, {}, code);
            else Fun.Raise("Failed to " + operation + " directory content.", source, {}, code);
            ++directories;
            return;
        }
        const std::string inside = IncludeTrailingBackslash(source);
        for (const TWalkEntry &entry : entries) {
            if (stop) break;
            const std::string path = inside + entry.Name;
            if (!entry.Valid) {
                TFunStatContext failure;
                failure.Raise(fsError, ThisUnit, "TFileForm::ProcessDir", __LINE__, "Failed to access file.", path);
                ReportItemError("Failed to " + operation + " directory content.", failure);
                ++files;
                continue;
            }
            if (entry.Status.IsDirectory && !entry.Status.IsSymbolicLink) ProcessDir(path, destination);
            else ProcessFile(path, destination, entry.Status.Size, entry.Status.Encrypted, entry.Status.IsSymbolicLink);
            FunStatContext.Reset(fsPerfect);
        }
        if (!performing || stop) {
            ++directories;
            return;
        }
        if (makesCopy && (!Platform::CopyDirectoryAttributes(source, destination, leaveStreams) ||
                          !Platform::CopyTimes(source, destination))) {
            Fun.RaiseLastError("Failed to " + operation + " directory.", source, destination);
            ++directories;
            return;
        }
        if (IsOneOf(operation, {"Delete", "Move"}) || (operation == "Recycle" && !FiltersInUse())) {
            if (!Platform::RemoveDirectory(source)) {
                const int code = Platform::LastErrorCode();
                // A filtered move leaves the directories that still hold files left out.
                if (!(operation == "Move" && FiltersInUse() && (code == ENOTEMPTY || code == EEXIST)))
                    Fun.Raise("Failed to " + operation + " directory.", source, {}, code);
            }
        }
        ++directories;
    });
    ReportIfFailed(Fun, "Failed to " + operation + " directory content.");
    --depth;
}

// The path with every symbolic link resolved; the path itself when it cannot be resolved.
std::string TFileForm::RealOf(const std::string &path)
{
    std::string resolved;
    return Platform::RealPath(path, resolved) ? IncludeTrailingBackslash(resolved) : path;
}

bool TFileForm::StartItem(const std::string &source, const std::string &destinationDirectory)
{
    currentSource = source;
    currentDestination = destinationDirectory;
    const std::string name = ExtractName(source);
    if (MatchesFilter(name, includeFilter) && (excludeFilter.empty() || !MatchesFilter(name, excludeFilter)))
        return true;
    // A name the filters leave out only moves the progress on.
    Progress(-1);
    return false;
}

bool TFileForm::PrefixApplies(const std::string &source) const
{
    return prefixMode != pmNone && OperationAllowsPrefix(operation) &&
           (ExtractDirectory(source) == sourcePath || RecurseSubdirectoriesCheckBox->isChecked());
}

std::string TFileForm::DestinationName(const std::string &name, const std::string &source) const
{
    if (!PrefixApplies(source)) return name;
    return prefixMode == pmAdd ? prefix + name : JoinAfterUnderscore(name, prefix);
}

void TFileForm::ProcessFile(const std::string &source,
                            const std::string &destinationDirectory,
                            std::uint64_t size,
                            bool encrypted,
                            bool isLink)
{
    if (stop) return;
    TFunScope Fun(ThisUnit, "TFileForm::ProcessFile");
    Fun.Run([&] {
        if (!StartItem(source, destinationDirectory)) return;
        const std::string name = ExtractName(source);
        if (operation == "Convert picture" && !IsConvertiblePicture(name)) {
            Progress(-1);
            return;
        }
        if (IsPathInside(source, destinationDirectory)) {
            Fun.Raise("Can not " + operation + " recursively.", source, destinationDirectory);
            return;
        }
        const std::string destination = IncludeTrailingBackslash(destinationDirectory) + DestinationName(name, source);
        CheckOperation();
        if (Fun.CalleeFailed()) {
            stop = true;
            return;
        }
        if (!counting) {
            bool existed = false, overwrite = false;
            const auto confirm = [&] {
                const bool proceed = Confirm(source, destination, existed, overwrite);
                if (proceed && existed) ++commonFiles;
                return proceed;
            };
            if (operation == "Delete") {
                Progress(0);
                MyDeleteFile(source);
            } else if (operation == "Recycle") {
                Progress(0);
                RecycleFile(source);
            } else if (operation == "Clip title of") {
                clipboardText.AddText(source + "\n", false);
            } else if (operation == "Compare") {
                const bool proceed = Confirm(source, destination, existed, overwrite);
                if (existed) ++commonFiles;
                if (proceed) {
                    ++newerFiles;
                    clipboardText.AddText((existed ? "" : "NOT_AT_DESTINATION=") + source + "\n", false);
                }
            } else if (operation == "Copy") {
                if (confirm()) {
                    Progress(0);
                    if (!stop) {
                        if (isLink) CopyLinkItself(source, destination, overwrite);
                        else MyCopyFile(source, destination, overwrite, IgnoreEncryptionCheckBox->isChecked(), leaveStreams);
                        if (!FunStatContext.IsError()) RecordMade(destination);
                    }
                }
            } else if (operation == "Convert picture") {
                ConvertOnePicture(source, destination, existed, overwrite);
            } else if (operation == "Move") {
                if (confirm()) {
                    Progress(0);
                    if (!stop) MyMoveFile(source, destination, overwrite, leaveStreams);
                    // The container item of a moved file follows it.
                    if (!stop && !FunStatContext.IsError()) {
                        RecordMade(destination);
                        if (sourceColumn) sourceColumn->FollowMovedItem(source, destination);
                    }
                }
            }
            if (Fun.CalleeFailed()) return;
        }
        fileFraction = -1;
        Progress(1);
        if (stop) return;
        if (counting) {
            if (encrypted) encryptedFound = true;
            if (streamsFound != -1 && !isLink) {
                streamsFound += std::max(0, GetFileStreamsCount(source));
                FunStatContext.Reset(fsPerfect);
            }
        }
        processedSize += size;
        if (IsOneOf(operation, {"Copy", "Convert picture"}) ||
            (operation == "Move" && counting && !SameRoot(source, destinationDirectory)))
            requiredSize += size;
    });
    ++files;
    ReportIfFailed(Fun, "Failed to " + operation + " file.");
}

bool IsConvertiblePicture(const std::string &name)
{
    const std::string ext = ExtractExtension(name);
    return !ext.empty() &&
           (PictureFileExtensions.Has(ext) || ViewerPlugins.FindViewerPluginSlot(ext) >= 0);
}

void TFileForm::ConvertOnePicture(const std::string &source,
                                  const std::string &destination,
                                  bool &existed,
                                  bool &overwrite)
{
    const std::string converted =
        destination.substr(0, destination.size() - ExtractExtension(destination).size()) +
        pictureExtension;
    if (!Confirm(source, converted, existed, overwrite)) return;
    if (existed) ++commonFiles;
    Progress(0);
    if (stop) return;
    const TProgramOptions &o = ProgramOptions;
    const std::string ext = UpperCaseText(ExtractExtension(source));
    const int slot = PictureFileExtensions.Has(ext) ? -1 : ViewerPlugins.FindViewerPluginSlot(ext);
    const bool normalize = NormalizeSizeCheckBox->isChecked();
    ConvertPicture(source,
                   converted,
                   overwrite,
                   SkinOptions.WindowTextColor,
                   SkinOptions.WindowBackColor,
                   slot >= 0 ? LoadFileEntry(ViewerPlugins, slot) : TPluginLoadFileFunction(),
                   slot >= 0 ? PictureSizeEntry(ViewerPlugins, slot) : TPluginPictureSizeFunction(),
                   slot >= 0,
                   o.FitSmallThumbsSize,
                   o.FitSmallThumbs,
                   normalize,
                   o.NormalizeThumbHeight,
                   o.NormalizeThumbWidth,
                   normalize ? o.NormalizeThumbHeightTo : -1,
                   normalize ? o.NormalizeThumbWidthTo : -1,
                   pictureQuality,
                   pictureEncoder,
                   pictureExtension);
    if (FunStatContext.IsError()) return;
    RecordMade(converted);
    CopyFileStreams(source, converted);
}

void TFileForm::CopyAsLink(const std::string &source, const std::string &destinationDirectory, bool isDirectory)
{
    if (stop) return;
    TFunScope Fun(ThisUnit, "TFileForm::CopyAsLink");
    Fun.Run([&] {
        if (!StartItem(source, destinationDirectory)) return;
        const std::string name = ExtractName(source);
        if (IsPathInside(source, destinationDirectory) ||
            ExtractDirectory(source) == IncludeTrailingBackslash(destinationDirectory)) {
            Fun.Raise("You should not " + operation + " in the same directory.", source, destinationDirectory);
            return;
        }
        if (IsShortcut(source)) {
            Fun.Raise("This operating system does not support chained links.", source);
            return;
        }
        const std::string extension = ShortcutExtension(source);
        const std::string shortcut =
            IncludeTrailingBackslash(destinationDirectory) + DestinationName(name, source) + extension;
        // The same directory reached by another path: the link would replace the file itself.
        if (PathExists(shortcut) && Platform::SameFile(source, shortcut)) {
            Fun.Raise("You should not " + operation + " in the same directory.", source, destinationDirectory);
            return;
        }
        CheckOperation();
        if (Fun.CalleeFailed()) {
            stop = true;
            return;
        }
        if (!counting) {
            bool existed = false, overwrite = false;
            const bool proceed = Confirm(source, shortcut, existed, overwrite);
            if (proceed && !stop) {
                CopyFileAsLink(source, shortcut, overwrite, false, true, "");
                if (!FunStatContext.IsError()) RecordMade(shortcut);
            }
            if (Fun.CalleeFailed()) return;
        }
        Progress(1);
    });
    ++(isDirectory ? directories : files);
    ReportIfFailed(Fun, "Failed to " + operation + " file.");
}

bool TFileForm::Confirm(const std::string &source, const std::string &destination, bool &existed, bool &overwrite)
{
    bool sourceNewer = true, abort = false;
    // Only a remembered "overwrite" answer could replace what this run made without a question.
    bool again = false;
    const int remembered = OverwriteForm->overwriteChoice;
    if ((remembered == ocOverwriteAll || remembered == ocOverwriteAllOlder) &&
        (!madeNames.empty() || !madeDirectories.empty())) {
        Platform::TEntryStatus status;
        again = Platform::EntryStatus(destination, status, false) && MadeByThisRun(destination, status);
    }
    const bool proceed = OverwriteForm->Dialog(source, destination, sourceNewer, existed, overwrite, abort, again);
    FunStatContext.Reset(fsPerfect); // the question shows its own failure
    // "&Abort" ends the whole run.
    if (abort) stop = true;
    return proceed;
}

void TFileForm::ForgetMade()
{
    madeFiles.clear();
    madeNames.clear();
    madeFoldedNames.clear();
    madeDirectories.clear();
}

void TFileForm::RecordMade(const std::string &destination)
{
    // Inside a directory the run made everything is the run's own already.
    if (InsideMadeDirectory(destination)) return;
    madeNames.insert(destination);
    madeFoldedNames.insert(Folded(destination));
    Platform::TEntryStatus status;
    if (Platform::EntryStatus(destination, status, false)) madeFiles.insert({status.Device, status.Inode});
}

void TFileForm::RecordMadeDirectory(const std::string &directory)
{
    RecordMade(directory);
    madeDirectories.insert(IncludeTrailingBackslash(directory));
}

bool TFileForm::InsideMadeDirectory(const std::string &path) const
{
    if (madeDirectories.empty()) return false;
    std::string at = ExcludeTrailingBackslash(path);
    while (!at.empty() && !IsDrivePath(at)) {
        if (madeDirectories.count(IncludeTrailingBackslash(at))) return true;
        const std::string parent = ExtractDirectory(at);
        if (parent.empty() || parent == IncludeTrailingBackslash(at)) break;
        at = ExcludeTrailingBackslash(parent);
    }
    return false;
}

bool TFileForm::MadeByThisRun(const std::string &destination, const Platform::TEntryStatus &status) const
{
    if (madeNames.empty() && madeDirectories.empty()) return false;
    if (madeNames.count(destination) || madeFiles.count({status.Device, status.Inode}) ||
        InsideMadeDirectory(destination))
        return true;
    if (!madeFoldedNames.count(Folded(destination))) return false;
    // Another spelling of a name the run made: the same file unless the directory lists the
    // name as it is spelt (a case-blind file system keeps one name for both).
    const std::string name = ExtractName(destination);
    bool listed = false;
    Platform::ReadDirectory(ExtractDirectory(destination), [&](const Platform::TDirectoryEntry &entry) {
        listed = entry.Name == name;
        return !listed;
    });
    return !listed;
}

bool TFileForm::FindItemOntoItself(std::string &source, std::string &destination) const
{
    const auto onto = [&](const std::string &title, bool isDirectory) {
        Platform::TEntryStatus status;
        const bool directory = isDirectory && Platform::EntryStatus(title, status, false) && status.IsDirectory &&
                               !status.IsSymbolicLink;
        const std::string name = directory ? (!topName.empty() && title == topSource ? topName : ExtractName(title))
                                           : DestinationName(ExtractName(title), title);
        const std::string target = IncludeTrailingBackslash(destinationPath) + name;
        if (!Platform::SameFile(title, target)) return false;
        source = title;
        destination = target;
        return true;
    };
    if (!itemsSelected) {
        if (processSourceItself)
            return sourcePath.size() > 1 && onto(sourcePath.substr(0, sourcePath.size() - 1), true);
        return !items.empty() && onto(items.front().Title, items.front().IsDirectory);
    }
    for (const TFileOperationItem &item : items)
        if (onto(item.Title, item.IsDirectory)) return true;
    return false;
}

void TFileForm::CheckOperation()
{
    if (operation == operationAtStart) return;
    TFunScope Fun(ThisUnit, "TFileForm::CheckOperation");
    Fun.Panic("CATASTROPHIC FAILURE!!!\nThe current operation is not the same as the initial one.\n"
              "You should TERMINATE the program immediately.",
              currentSource,
              currentDestination);
}

void TFileForm::ReportItemError(const std::string &message, const TFunStatContext &context)
{
    ++errors;
    if (counting || suppressErrors) return;
    RefreshInfo();
    TFunStatContext shown = context;
    shown.SetShowContext(ThisUnit, "TFileForm::ReportItemError", __LINE__);
    bool noErrors = false;
    const bool accepted = shown.Show(message, &noErrors);
    if (noErrors) suppressErrors = true;
    if (!accepted) stop = true;
}

void TFileForm::Progress(double fraction)
{
    if (fraction >= 0) fileFraction = fraction;
    if (refreshWatch.IsPeriod(1)) RefreshInfo();
    // Waiting input (the "&Cancel" button) is taken often enough to feel instant; taking it for
    // every small file of a tree would cost more than copying them.
    const double now = SecondsNow();
    if (now - lastEventsTime >= 0.02) {
        lastEventsTime = now;
        QApplication::processEvents();
    }
}

std::string TFileForm::InfoText() const
{
    return FileOperationInfoText(errors, directories, files, processedSize, elapsedWatch.Elapsed(),
                                 counting ? -1 : fileFraction);
}

void TFileForm::RefreshInfo()
{
    if (!showProgress) return;
    CurrentInfoLabel->setText(Q(InfoText()));
    SourceLabel->setText(Q(currentSource));
    DestinationLabel->setText(Q(currentDestination));
}
