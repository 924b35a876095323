// The find-common-text dialog: its controls, its settings and the run behind "&Find".
#include "app/FindCommonTextDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/StoredTextList.h"
#include "Libraries/Utilities.h"
#include "Libraries/UtilitiesUi.h"
#include "app/Column.h"
#include "app/MainDialog.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <limits>
#include <memory>

namespace {

constexpr const char *ThisUnit = "FindCommonTextDialog";
constexpr const char *Section = "FindCommonText";
constexpr int DelimiterLength = 31;

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

std::string S(const QString &text)
{
    return text.toStdString();
}

QComboBox *NewItemsBox(const std::vector<std::string> &items)
{
    auto *box = new QComboBox;
    for (const std::string &item : items)
        box->addItem(Q(item));
    return box;
}

// The box selects the stored value when it is one of its items, else the fallback.
void ReadItem(const TStoredTextList &list,
              const char *key,
              const std::string &fallback,
              QComboBox *box)
{
    std::string value = fallback;
    list.ReadString(Section, key, value, false, std::numeric_limits<std::int32_t>::max());
    int index = box->findText(Q(value), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) index = box->findText(Q(fallback), Qt::MatchExactly | Qt::MatchCaseSensitive);
    box->setCurrentIndex(index);
}

// The whole content of a file. Error: "Failed to open file.", "Failed to read data." (path,
// errno)
std::string ReadWholeFile(TFunScope &Fun, const std::string &path)
{
    std::string bytes;
    const int handle = Platform::OpenForReading(path);
    if (handle < 0) {
        Fun.RaiseLastError("Failed to open file.", path);
        return bytes;
    }
    const std::unique_ptr<int, void (*)(int *)> closer(new int(handle), [](int *h) {
        Platform::CloseHandle(*h);
        delete h;
    });
    const std::int64_t size = Platform::HandleSize(handle);
    if (size < 0) {
        Fun.RaiseLastError("Failed to read data.", path);
        return bytes;
    }
    bytes.resize(static_cast<std::size_t>(size));
    const std::int64_t got = Platform::ReadFully(handle, bytes.data(), bytes.size());
    if (got < 0) {
        Fun.RaiseLastError("Failed to read data.", path);
        bytes.clear();
        return bytes;
    }
    bytes.resize(static_cast<std::size_t>(got));
    return bytes;
}

} // namespace

TFindCommonTextForm *FindCommonTextForm = nullptr;

TFindCommonTextForm::TFindCommonTextForm(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Find common text"));
    auto *layout = new QVBoxLayout(this);
    OptionsGroupBox = new QGroupBox(QStringLiteral("Options"));
    auto *options = new QGridLayout(OptionsGroupBox);
    BeginExtractionComboBox = NewItemsBox(BeginExtractionItems());
    EndExtractionComboBox = NewItemsBox(EndExtractionItems());
    UseDelimiterCheckBox = new QCheckBox(QStringLiteral("Use delimiter"));
    DelimiterEdit = new QLineEdit;
    DelimiterEdit->setMaxLength(DelimiterLength);
    NumbersComboBox = NewItemsBox(NumbersItems());
    WholeMatchComboBox = NewItemsBox(WholeMatchItems());
    MisspellingComboBox = NewItemsBox(MisspellingItems());
    MinimumMatchesComboBox = NewItemsBox(MinimumMatchesItems());
    const auto addRow = [options](int row, int column, const char *caption, QWidget *control) {
        auto *label = new QLabel(QString::fromUtf8(caption));
        label->setBuddy(control);
        options->addWidget(label, row, column);
        options->addWidget(control, row, column + 1);
    };
    addRow(0, 0, "Begin extraction", BeginExtractionComboBox);
    addRow(1, 0, "End extraction", EndExtractionComboBox);
    options->addWidget(UseDelimiterCheckBox, 2, 0);
    options->addWidget(DelimiterEdit, 2, 1);
    addRow(0, 2, "Numbers", NumbersComboBox);
    addRow(1, 2, "Whole match", WholeMatchComboBox);
    addRow(2, 2, "Misspelling", MisspellingComboBox);
    addRow(3, 2, "Minimum matches", MinimumMatchesComboBox);
    layout->addWidget(OptionsGroupBox);
    ProgressLabel = new QLabel;
    ProgressLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(ProgressLabel);
    ReportMemo = new QPlainTextEdit;
    ReportMemo->setReadOnly(true);
    ReportMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    ReportMemo->installEventFilter(this);
    layout->addWidget(ReportMemo, 1);
    auto *buttons = new QHBoxLayout;
    FindButton = new QPushButton(QStringLiteral("&Find"));
    FindButton->setDefault(true);
    StopButton = new QPushButton(QStringLiteral("Sto&p"));
    StopButton->setToolTip(QStringLiteral("Stop the operation (don't close the dialog)"));
    StopButton->setEnabled(false);
    CopyReportButton = new QPushButton(QStringLiteral("Copy report to clipboard"));
    CancelButton = new QPushButton(QStringLiteral("&Cancel"));
    HelpButton = new QPushButton(QStringLiteral("&Help"));
    buttons->addWidget(FindButton);
    buttons->addWidget(StopButton);
    buttons->addWidget(CopyReportButton);
    buttons->addStretch(1);
    buttons->addWidget(CancelButton);
    buttons->addWidget(HelpButton);
    layout->addLayout(buttons);
    connect(FindButton, &QPushButton::clicked, this, &TFindCommonTextForm::Do);
    connect(StopButton, &QPushButton::clicked, this, &TFindCommonTextForm::StopButtonClick);
    connect(
        CopyReportButton, &QPushButton::clicked, this, &TFindCommonTextForm::CopyReportButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TFindCommonTextForm::CancelButtonClick);
    connect(HelpButton, &QPushButton::clicked, this, &TFindCommonTextForm::HelpButtonClick);
    // The fallbacks of the settings.
    BeginExtractionComboBox->setCurrentText(QStringLiteral("Start"));
    EndExtractionComboBox->setCurrentText(QStringLiteral("End"));
    UseDelimiterCheckBox->setChecked(true);
    DelimiterEdit->setText(QStringLiteral("|"));
    resize(720, 520);
}

// ---- Settings ---------------------------------------------------------------------------------

void TFindCommonTextForm::ReadSettings(const TStoredTextList &list)
{
    ReadItem(list, "BeginExtraction", "Start", BeginExtractionComboBox);
    ReadItem(list, "EndExtraction", "End", EndExtractionComboBox);
    bool useDelimiter = true;
    list.ReadBool(Section, "UseDelimiter", useDelimiter);
    UseDelimiterCheckBox->setChecked(useDelimiter);
    std::string delimiter = "|";
    list.ReadString(Section, "WordDelimiter", delimiter, false, DelimiterLength);
    DelimiterEdit->setText(Q(delimiter));
    ReadItem(list, "UseNumbers", "Include", NumbersComboBox);
    ReadItem(list, "WholeMatch", "Word", WholeMatchComboBox);
    ReadItem(list, "MisspellingTolerance", "0", MisspellingComboBox);
    ReadItem(list, "MinimumMatches", "1", MinimumMatchesComboBox);
}

void TFindCommonTextForm::WriteSettings(TStoredTextList &list) const
{
    list.WriteString(Section, "BeginExtraction", S(BeginExtractionComboBox->currentText()));
    list.WriteString(Section, "EndExtraction", S(EndExtractionComboBox->currentText()));
    list.WriteBool(Section, "UseDelimiter", UseDelimiterCheckBox->isChecked());
    list.WriteString(Section, "WordDelimiter", S(DelimiterEdit->text()));
    list.WriteString(Section, "UseNumbers", S(NumbersComboBox->currentText()));
    list.WriteString(Section, "WholeMatch", S(WholeMatchComboBox->currentText()));
    list.WriteString(Section, "MisspellingTolerance", S(MisspellingComboBox->currentText()));
    list.WriteString(Section, "MinimumMatches", S(MinimumMatchesComboBox->currentText()));
}

TCommonTextSettings TFindCommonTextForm::SettingsFromControls() const
{
    TCommonTextSettings settings;
    settings.BeginExtraction = ExtractionValue(S(BeginExtractionComboBox->currentText()));
    settings.EndExtraction = ExtractionValue(S(EndExtractionComboBox->currentText()));
    settings.UseDelimiter = UseDelimiterCheckBox->isChecked();
    const std::string delimiter = S(DelimiterEdit->text());
    // The word list cuts at one byte: the delimiter's first.
    settings.Delimiter = delimiter.empty() ? '\0' : delimiter.front();
    settings.NumbersMode = NumbersModeValue(S(NumbersComboBox->currentText()));
    settings.WholeMatch = WholeMatchValue(S(WholeMatchComboBox->currentText()));
    settings.MisspellingTolerance =
        std::atoi(MisspellingComboBox->currentText().toLatin1().constData());
    settings.MinimumMatches = MinimumMatchesValue(S(MinimumMatchesComboBox->currentText()));
    return settings;
}

// ---- Opening and buttons ----------------------------------------------------------------------

void TFindCommonTextForm::Dialog(TColumn *column)
{
    Column = column;
    ProgressLabel->clear();
    exec();
    Column = nullptr;
}

void TFindCommonTextForm::CancelButtonClick()
{
    reject();
}

void TFindCommonTextForm::reject()
{
    Stop = true;
    QDialog::reject();
}

void TFindCommonTextForm::StopButtonClick()
{
    Stop = true;
}

void TFindCommonTextForm::CopyReportButtonClick()
{
    CopyTextToClipboard(S(ReportMemo->toPlainText()), "Failed to copy text to clipboard.");
}

void TFindCommonTextForm::HelpButtonClick()
{
    TMainForm::OpenHelp(205);
}

bool TFindCommonTextForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == ReportMemo && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        CancelButtonClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TFindCommonTextForm::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_F1) {
        HelpButtonClick();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TFindCommonTextForm::SetWorking(bool working)
{
    Working = working;
    OptionsGroupBox->setEnabled(!working);
    FindButton->setEnabled(!working);
    ReportMemo->setEnabled(!working);
    StopButton->setEnabled(working);
}

void TFindCommonTextForm::RefreshProgress(const TCommonTextStep *step, int matchIndex)
{
    ProgressLabel->setText(
        Q(CommonTextProgressText(Errors, ElapsedWatch.Elapsed(), Matches, step, matchIndex)));
}

bool TFindCommonTextForm::StepEvents(const TCommonTextStep *step, int matchIndex)
{
    // Waiting input ("Sto&p", "&Cancel") is taken often enough to feel instant; taking it after
    // every pair of short paragraphs would cost more than comparing them.
    const double now = SecondsNow();
    if (now - LastEventsTime >= 0.02) {
        LastEventsTime = now;
        if (RefreshWatch.IsPeriod(1)) RefreshProgress(step, matchIndex);
        QApplication::processEvents();
    }
    return Stop;
}

void TFindCommonTextForm::AddReportLine(const std::string &line)
{
    ReportMemo->appendPlainText(Q(line));
}

// ---- The run ----------------------------------------------------------------------------------

void TFindCommonTextForm::Do()
{
    if (Working) return;
    if (UseDelimiterCheckBox->isChecked() && DelimiterEdit->text().isEmpty()) {
        ShowErrorMessage("Empty delimiter.");
        return;
    }
    SetWorking(true);
    Results.clear();
    ParsedFiles.clear();
    ReportMemo->clear();
    Matches = 0;
    Errors = 0;
    Stop = false;
    Settings = SettingsFromControls();
    TFunScope Fun(ThisUnit, "TFindCommonTextForm::Do");
    Fun.Run([&] {
        const std::string rangeError = ExtractionRangeError(
            Settings.BeginExtraction, Settings.EndExtraction, Settings.UseDelimiter);
        if (!rangeError.empty()) {
            Fun.Raise(rangeError);
            return;
        }
        ElapsedWatch.Start();
        RefreshWatch.Start();
        AddReportLine("Checking resources availability...");
        // The selected documents and generic files, in list order; the active one among them.
        std::vector<std::string> titles;
        int activeIndex = -1;
        std::string activeTitle;
        if (Column) {
            const int focus = Column->FileList->FocusIndex;
            activeTitle = Column->ActiveTitle;
            for (int i = 0; !Column->FileList->Empty && i < Column->FileList->Count(); ++i) {
                const TFileListData *item = Column->Item(i);
                if (i == focus) activeTitle = item->Title;
                if (!item->Selected || (item->Kind != ikDocument && item->Kind != ikGeneric))
                    continue;
                if (i == focus) activeIndex = static_cast<int>(titles.size());
                titles.push_back(item->Title);
            }
        }
        if (activeIndex < 0) {
            ShowErrorMessage("The active file is not selected or it's not a document: \"" +
                             activeTitle + "\".");
            return;
        }
        std::uint64_t size = 0;
        for (const std::string &title : titles)
            size += GetFileSize(title);
        FunStatContext.Reset(fsPerfect);
        const std::uint64_t memory =
            OnTotalPhysicalMemory ? OnTotalPhysicalMemory() : TotalPhysicalMemory();
        if (FilesTooBigForMemory(size, memory)) {
            ShowErrorMessage("The size of the files to use is too big.");
            return;
        }
        AddReportLine("Parsing files and filters...");
        ParsedFiles.resize(titles.size());
        for (std::size_t i = 0; i < titles.size(); ++i) {
            ParseFile(titles[i], static_cast<int>(i));
            if (Fun.CalleeFailed()) return;
        }
        AddReportLine("Looking for common text...");
        LastEventsTime = 0;
        const TCommonTextEnd end =
            FindCommonText(ParsedFiles,
                           activeIndex,
                           Settings,
                           Results,
                           Matches,
                           [this](const TCommonTextStep &step) { return StepEvents(&step, -1); });
        if (end == ceTooManyMatches) {
            AddReportLine("The operation has been automatically aborted.");
            ShowWarningMessage("Too many matches. The operation has been aborted.\nChange the "
                               "options to restrict the matches.");
            return;
        }
        if (end == ceStopped) return;
        AddReportLine("Sorting found text...");
        const bool sorted = SortCommonTextResults(
            Results, [this](int index) { return StepEvents(nullptr, index); });
        if (!sorted) return;
        AddReportLine("Generating report...");
        std::string text;
        if (!CommonTextResultsText(Results, text)) {
            AddReportLine("Report too big.");
            return;
        }
        ReportMemo->setPlainText(
            Q(CommonTextReport(ParsedFiles[static_cast<std::size_t>(activeIndex)].Title,
                               Matches,
                               ElapsedWatch.Elapsed(),
                               text)));
        if (Matches == 0) ShowInfoMessage("No matches found.");
    });
    Results.clear();
    ParsedFiles.clear();
    RefreshProgress();
    SetWorking(false);
    ReportMemo->setFocus();
    Fun.ShowIfFailed("Failed to find common text.");
}

void TFindCommonTextForm::ParseFile(const std::string &file, int index)
{
    TFunScope Fun(ThisUnit, "TFindCommonTextForm::ParseFile");
    Fun.Run([&] {
        if (index < 0 || index >= static_cast<int>(ParsedFiles.size())) {
            Fun.Panic("Invalid index.", std::to_string(index));
            return;
        }
        const std::string bytes = ReadWholeFile(Fun, file);
        if (Fun.Failed()) return;
        TCommonTextFile &parsed = ParsedFiles[static_cast<std::size_t>(index)];
        parsed.Title = file;
        parsed.Paragraphs.clear();
        for (const std::string &line : TextFileLines(bytes)) {
            std::string filter;
            TCommonTextWords words = ParsePara(line, filter);
            if (Fun.CalleeFailed()) return;
            if (!words.empty()) parsed.Paragraphs.push_back({filter, std::move(words)});
        }
    });
}

TCommonTextWords TFindCommonTextForm::ParsePara(const std::string &line, std::string &filter)
{
    TCommonTextWords words;
    TFunScope Fun(ThisUnit, "TFindCommonTextForm::ParsePara");
    Fun.Run([&] {
        words = ParagraphWords(line, Settings, filter);
        if (Fun.CalleeFailed()) words.clear();
    });
    return words;
}

std::int32_t TFindCommonTextForm::FindTextA(const TCommonTextWords &sourceWords,
                                            const std::string &againstFile,
                                            TMatchSourceInfo &sourceInfo,
                                            const std::string &againstFilter,
                                            const TCommonTextWords &againstWords)
{
    std::int32_t rank = 0;
    TFunScope Fun(ThisUnit, "TFindCommonTextForm::FindTextA");
    Fun.Run([&] {
        rank = MatchParagraphs(
            sourceWords, againstFile, sourceInfo, againstFilter, againstWords, Settings);
    });
    return rank;
}

std::int32_t TFindCommonTextForm::MatchText(const std::string &x, const std::string &y)
{
    std::int32_t score = 0;
    TFunScope Fun(ThisUnit, "TFindCommonTextForm::MatchText");
    Fun.Run(
        [&] { score = MatchWordScore(x, y, Settings.WholeMatch, Settings.MisspellingTolerance); });
    Fun.ShowIfFailed("Failed to match text.");
    return score;
}
