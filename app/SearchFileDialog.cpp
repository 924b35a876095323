// The search dialog: its controls and settings, starting a search over the column or the
// history, the progress while it runs, and the found list's actions.
#include "app/SearchFileDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/History.h"
#include "Libraries/MyTime.h"
#include "Libraries/StoredTextListUi.h"
#include "Libraries/UtilitiesUi.h"
#include "app/Column.h"
#include "app/Containers.h"
#include "app/MainDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>
#include <optional>

namespace {

constexpr const char *ThisUnit = "SearchFileDialog";
constexpr const char *SettingsSection = "SearchFile";
constexpr int TimeHistoryLength = 31;
// Input is looked at this often while a search runs.
constexpr auto InputSlice = std::chrono::milliseconds(20);

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

std::string S(const QString &text)
{
    return text.toStdString();
}

QComboBox *MakeCombo(bool editable, const std::vector<const char *> &items)
{
    auto *box = new QComboBox;
    box->setEditable(editable);
    if (editable) box->setInsertPolicy(QComboBox::NoInsert);
    for (const char *item : items)
        box->addItem(QString::fromUtf8(item));
    return box;
}

void TrimHistory(QComboBox *box)
{
    while (box->count() > TimeHistoryLength)
        box->removeItem(box->count() - 1);
}

// The digit 0..9 of a digit-row key (physical key), or -1.
int DigitKey(const QKeyEvent &event)
{
    if (event.modifiers() & Qt::KeypadModifier) return -1;
    const quint32 scan = event.nativeScanCode();
    if (scan >= 10 && scan <= 19) return static_cast<int>((scan - 10 + 1) % 10);
    if (scan == 0 && event.key() >= Qt::Key_0 && event.key() <= Qt::Key_9)
        return event.key() - Qt::Key_0;
    return -1;
}

// The found list: the left button drags the chosen items out as files.
class TFoundListBox : public QListWidget
{
public:
    TFoundListBox()
    {
        setDragEnabled(true);
        setDragDropMode(QAbstractItemView::DragOnly);
    }

protected:
    QMimeData *mimeData(const QList<QListWidgetItem *> &items) const override
    {
        QList<QUrl> urls;
        for (const QListWidgetItem *item : items)
            urls << QUrl::fromLocalFile(QFile::decodeName(item->data(Qt::UserRole).toByteArray()));
        auto *files = new QMimeData;
        files->setUrls(urls);
        return files;
    }
};

} // namespace

TSearchFileForm *SearchFileForm = nullptr;

TSearchFileForm::TSearchFileForm(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Search file"));
    auto *layout = new QVBoxLayout(this);
    LookingInLabel = new QLabel;
    LookingInLabel->setTextFormat(Qt::PlainText);
    layout->addWidget(LookingInLabel);

    PageControl = new QTabWidget;
    NameTextPage = new QWidget;
    auto *nameGrid = new QGridLayout(NameTextPage);
    NameFilterComboBox = MakeCombo(true,
                                   {"All files",
                                    "Text files",
                                    "Picture files",
                                    "Movie files",
                                    "Video files",
                                    "Music files",
                                    "Audio files",
                                    "No backup files"});
    NameFilterComboBox->setToolTip(
        QStringLiteral("File name filter (\"*\" any text, \"?\" any character, \";\" "
                       "between alternatives)."));
    TextFilterComboBox = MakeCombo(true, {});
    TextFilterComboBox->setToolTip(
        QStringLiteral("Text filters: \"&\" = required, \"!\" = excluded, \"~\" = take the next "
                       "character literally."));
    FilePartsComboBox =
        MakeCombo(false, {"Name", "Name, content", "Name, text", "Content", "Description"});
    StemComboBox = MakeCombo(false, {"Any", "Right", "Left", "Word"});
    SearchSimilarCheckBox = new QCheckBox(QStringLiteral("Similar names"));
    RecursiveCheckBox = new QCheckBox(QStringLiteral("Recursive"));
    FindDirsCheckBox = new QCheckBox(QStringLiteral("Find directories"));
    FindFilesCheckBox = new QCheckBox(QStringLiteral("Find files"));
    ConsiderAllSelectedCheckBox = new QCheckBox(QStringLiteral("Consider all selected"));
    FreeHandFilterCheckBox = new QCheckBox(QStringLiteral("Free-hand filter"));
    NearDetectionCheckBox = new QCheckBox(QStringLiteral("Near detection"));
    AllFiltersCheckBox = new QCheckBox(QStringLiteral("All filters"));
    RecursiveCheckBox->setChecked(true);
    FindDirsCheckBox->setChecked(true);
    FindFilesCheckBox->setChecked(true);
    FilePartsComboBox->setCurrentText(QStringLiteral("Name, text"));
    // A label names its box's key only with the box as its buddy.
    auto *nameLabel = new QLabel(QStringLiteral("&Name filter"));
    nameLabel->setBuddy(NameFilterComboBox);
    auto *textLabel = new QLabel(QStringLiteral("&Text filter"));
    textLabel->setBuddy(TextFilterComboBox);
    nameGrid->addWidget(nameLabel, 0, 0);
    nameGrid->addWidget(NameFilterComboBox, 0, 1, 1, 3);
    nameGrid->addWidget(textLabel, 1, 0);
    nameGrid->addWidget(TextFilterComboBox, 1, 1, 1, 3);
    nameGrid->addWidget(new QLabel(QStringLiteral("File parts")), 2, 0);
    nameGrid->addWidget(FilePartsComboBox, 2, 1);
    nameGrid->addWidget(new QLabel(QStringLiteral("Stem")), 2, 2);
    nameGrid->addWidget(StemComboBox, 2, 3);
    const QCheckBox *order[] = {SearchSimilarCheckBox,
                                RecursiveCheckBox,
                                FindDirsCheckBox,
                                FindFilesCheckBox,
                                ConsiderAllSelectedCheckBox,
                                FreeHandFilterCheckBox,
                                NearDetectionCheckBox,
                                AllFiltersCheckBox};
    for (int i = 0; i < 8; ++i)
        nameGrid->addWidget(const_cast<QCheckBox *>(order[i]), 3 + i / 4, i % 4);
    PageControl->addTab(NameTextPage, QStringLiteral("Name and text"));

    TimeSizePage = new QWidget;
    auto *timeGrid = new QGridLayout(TimeSizePage);
    const auto limitRow = [&](int row, const char *caption, QCheckBox *&check, QComboBox *&box) {
        check = new QCheckBox(QString::fromUtf8(caption));
        box = MakeCombo(true, {});
        timeGrid->addWidget(check, row, 0);
        timeGrid->addWidget(box, row, 1);
    };
    limitRow(0, "Creation minimum", CreationMinCheckBox, CreationMinTimeComboBox);
    limitRow(1, "Creation maximum", CreationMaxCheckBox, CreationMaxTimeComboBox);
    limitRow(2, "Modified minimum", ModifiedMinCheckBox, ModifiedMinTimeComboBox);
    limitRow(3, "Modified maximum", ModifiedMaxCheckBox, ModifiedMaxTimeComboBox);
    TimeMeasurementUnitComboBox = MakeCombo(false, {"minutes", "hours", "days", "weeks"});
    TimeMeasurementUnitComboBox->setCurrentText(QStringLiteral("days"));
    timeGrid->addWidget(TimeMeasurementUnitComboBox, 0, 2);
    limitRow(4, "Size from", SizeMinCheckBox, SizeMinComboBox);
    limitRow(5, "Size up to", SizeMaxCheckBox, SizeMaxComboBox);
    SizeMeasurementUnitComboBox = MakeCombo(false, {"bytes", "KB", "MB", "GB", "TB"});
    SizeMeasurementUnitComboBox->setCurrentText(QStringLiteral("KB"));
    timeGrid->addWidget(SizeMeasurementUnitComboBox, 4, 2);
    TimeSizePage->setToolTip(QStringLiteral("Times are dates (d/m/yy) or numbers of units back "
                                            "from the start of the search, never both."));
    PageControl->addTab(TimeSizePage, QStringLiteral("Time and size"));

    OptionsPage = new QWidget;
    auto *optionsGrid = new QGridLayout(OptionsPage);
    AlwaysFocusThisCheckBox = new QCheckBox(QStringLiteral("Always focus in this column"));
    ReuseContainerCheckBox = new QCheckBox(QStringLiteral("Show the container in column"));
    UseColumnForContainerComboBox =
        MakeCombo(false, {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"});
    UseColumnForContainerComboBox->setCurrentText(QStringLiteral("3"));
    ShowSearchBoardCheckBox = new QCheckBox(QStringLiteral("Show the \"Search\" board"));
    SwitchMouseOperationsCheckBox = new QCheckBox(QStringLiteral("Switch mouse operations"));
    optionsGrid->addWidget(AlwaysFocusThisCheckBox, 0, 0, 1, 2);
    optionsGrid->addWidget(ReuseContainerCheckBox, 1, 0);
    optionsGrid->addWidget(UseColumnForContainerComboBox, 1, 1);
    optionsGrid->addWidget(ShowSearchBoardCheckBox, 2, 0, 1, 2);
    optionsGrid->addWidget(SwitchMouseOperationsCheckBox, 3, 0, 1, 2);
    PageControl->addTab(OptionsPage, QStringLiteral("Results"));
    layout->addWidget(PageControl);

    FoundItemsListBox = new TFoundListBox;
    FoundItemsListBox->setMouseTracking(true);
    FoundItemsListBox->setUniformItemSizes(true);
    FoundItemsListBox->installEventFilter(this);
    FoundItemsListBox->viewport()->installEventFilter(this);
    FoundItemsListBox->setToolTip(Q(FoundListHint()));
    layout->addWidget(FoundItemsListBox, 1);
    InfoLabel = new QLabel;
    layout->addWidget(InfoLabel);

    auto *searchButtons = new QHBoxLayout;
    SearchNamesButton = new QPushButton(QStringLiteral("&Search names"));
    SearchContentButton = new QPushButton(QStringLiteral("Search co&ntent"));
    SearchNamesSelectButton = new QPushButton(QStringLiteral("Search names, select"));
    SearchContentSelectButton = new QPushButton(QStringLiteral("Search content, select"));
    StopButton = new QPushButton(QStringLiteral("S&top"));
    CancelButton = new QPushButton(QStringLiteral("&Cancel"));
    for (QPushButton *button : {SearchNamesButton,
                                SearchContentButton,
                                SearchNamesSelectButton,
                                SearchContentSelectButton,
                                StopButton,
                                CancelButton}) {
        button->setAutoDefault(false);
        searchButtons->addWidget(button);
    }
    layout->addLayout(searchButtons);
    auto *resultButtons = new QHBoxLayout;
    PutInFoundContainerButton = new QPushButton(QStringLiteral("&Put in \"Found\" container"));
    PutInContainerButton = new QPushButton(QStringLiteral("Put in container"));
    ClipAllTitlesButton = new QPushButton(QStringLiteral("Clip all titles"));
    ClipActiveTitleButton = new QPushButton(QStringLiteral("Clip active title"));
    for (QPushButton *button : {PutInFoundContainerButton,
                                PutInContainerButton,
                                ClipAllTitlesButton,
                                ClipActiveTitleButton}) {
        button->setAutoDefault(false);
        resultButtons->addWidget(button);
    }
    layout->addLayout(resultButtons);

    connect(SearchNamesButton, &QPushButton::clicked, this, [this] { Do(false, false); });
    connect(SearchContentButton, &QPushButton::clicked, this, [this] { Do(false, true); });
    connect(SearchNamesSelectButton, &QPushButton::clicked, this, [this] { Do(true, false); });
    connect(SearchContentSelectButton, &QPushButton::clicked, this, [this] { Do(true, true); });
    connect(StopButton, &QPushButton::clicked, this, [this] { Search.Stop = true; });
    connect(CancelButton, &QPushButton::clicked, this, [this] { reject(); });
    connect(PutInFoundContainerButton, &QPushButton::clicked, this, [this] {
        const int found = MainForm ? MainForm->Containers.FindFoundContainer() : 0;
        PutInContainer(found, QApplication::keyboardModifiers() & Qt::ControlModifier);
    });
    connect(PutInContainerButton,
            &QPushButton::clicked,
            this,
            &TSearchFileForm::PutInContainerButtonClick);
    connect(ClipAllTitlesButton, &QPushButton::clicked, this, [this] {
        std::string text;
        for (const TFoundItem &item : Search.Found)
            text += item.Title + "\n";
        CopyTextToClipboard(text, "Failed to copy title to clipboard.");
        FunStatContext.Reset(fsPerfect);
    });
    connect(ClipActiveTitleButton, &QPushButton::clicked, this, [this] {
        const int row = FoundItemsListBox->currentRow();
        if (row < 0 || row >= static_cast<int>(Search.Found.size())) return;
        CopyTextToClipboard(Search.Found[static_cast<std::size_t>(row)].Title,
                            "Failed to copy title to clipboard.");
        FunStatContext.Reset(fsPerfect);
    });
    connect(
        FoundItemsListBox, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem *item) {
            UserAction(FoundItemsListBox->row(item), true, false);
        });
    connect(SwitchMouseOperationsCheckBox, &QCheckBox::toggled, this, [this] {
        FoundItemsListBox->setToolTip(Q(FoundListHint()));
    });
    connect(FoundItemsListBox, &QListWidget::currentRowChanged, this, [this] {
        FoundItemsListBox->setToolTip(Q(FoundListHint()));
    });
    connect(FoundItemsListBox, &QListWidget::itemEntered, this, [this](QListWidgetItem *item) {
        const int row = FoundItemsListBox->row(item);
        if (row < 0 || row >= static_cast<int>(Search.Found.size())) return;
        const TFoundItem &found = Search.Found[static_cast<std::size_t>(row)];
        FoundItemsListBox->setToolTip(Q(FoundListHint() + " Current file \"" +
                                        ExtractName(found.Title) + "\" (rank " +
                                        std::to_string(found.Rank) + ")"));
    });

    Search.OnCandidate = [this](const std::string &candidate) {
        const auto now = std::chrono::steady_clock::now();
        if (now - LastShown >= std::chrono::seconds(1)) {
            LastShown = now;
            LookingInLabel->setText(Q(candidate));
            ShowInfo();
        }
        ProcessPendingInput();
    };
    Search.OnTextProgress = [this](int perMille, int filterNumber) {
        ShowInfo(perMille, filterNumber);
        QCoreApplication::processEvents();
        LastInput = std::chrono::steady_clock::now();
        return !Search.Stop;
    };
    Search.OnFound = [this](std::size_t index) { InsertFoundRow(index); };
}

TSearchFileForm::~TSearchFileForm() = default;

std::string TSearchFileForm::FoundListHint() const
{
    std::string assignment;
    const int row = FoundItemsListBox ? FoundItemsListBox->currentRow() : -1;
    const bool directory = row >= 0 && row < static_cast<int>(Search.Found.size()) &&
                           Search.Found[static_cast<std::size_t>(row)].IsDirectory;
    if (directory)
        assignment = "[Double LMB] / [Enter] = enter directory. [Ctrl + LMB] = run directory.";
    else if (SwitchMouseOperationsCheckBox && SwitchMouseOperationsCheckBox->isChecked())
        assignment =
            "[Double LMB] / [Enter] = focus file (in current column). [Ctrl + LMB] = run file.";
    else
        assignment =
            "[Double LMB] / [Enter] = run file. [Ctrl + LMB] = focus file (in current column).";
    return "Found files. Directories are displayed with bold text. " + assignment +
           " [RMB] = show context menu. [MMB] or [E] = edit file. [F2] = clip current file name "
           "([Ctrl] = clip "
           "current file path; [Shift] = clip current file title).";
}

// ---- Settings -------------------------------------------------------------------------------

namespace {

struct TCheckSetting
{
    const char *Key;
    QCheckBox *TSearchFileForm::*Box;
};
const TCheckSetting CheckSettings[] = {
    {"SearchSimilar", &TSearchFileForm::SearchSimilarCheckBox},
    {"Recursive", &TSearchFileForm::RecursiveCheckBox},
    {"FindDirs", &TSearchFileForm::FindDirsCheckBox},
    {"FindFiles", &TSearchFileForm::FindFilesCheckBox},
    {"ConsiderAllSelected", &TSearchFileForm::ConsiderAllSelectedCheckBox},
    {"FreeHandFilter", &TSearchFileForm::FreeHandFilterCheckBox},
    {"NearDetection", &TSearchFileForm::NearDetectionCheckBox},
    {"AllFilters", &TSearchFileForm::AllFiltersCheckBox},
    {"AlwaysFocusThis", &TSearchFileForm::AlwaysFocusThisCheckBox},
    {"ReuseContainer", &TSearchFileForm::ReuseContainerCheckBox},
    {"ShowSearchBoard", &TSearchFileForm::ShowSearchBoardCheckBox},
    {"SwitchMouseOperations", &TSearchFileForm::SwitchMouseOperationsCheckBox},
};

struct TComboSetting
{
    const char *Key;
    const char *Default;
    QComboBox *TSearchFileForm::*Box;
};
const TComboSetting ComboSettings[] = {
    {"FileParts", "Name, text", &TSearchFileForm::FilePartsComboBox},
    {"Stem", "Any", &TSearchFileForm::StemComboBox},
    {"UseColumnForContainer", "3", &TSearchFileForm::UseColumnForContainerComboBox},
    {"TimeMeasurementUnit", "days", &TSearchFileForm::TimeMeasurementUnitComboBox},
    {"SizeMeasurementUnit", "KB", &TSearchFileForm::SizeMeasurementUnitComboBox},
    {"SizeMin", "", &TSearchFileForm::SizeMinComboBox},
    {"SizeMax", "", &TSearchFileForm::SizeMaxComboBox},
};

// The drop-down histories: the current text first, the items after it, joined by "|".
const std::pair<const char *, QComboBox * TSearchFileForm::*> HistorySettings[] = {
    {"CreationMinTime", &TSearchFileForm::CreationMinTimeComboBox},
    {"CreationMaxTime", &TSearchFileForm::CreationMaxTimeComboBox},
    {"ModifiedMinTime", &TSearchFileForm::ModifiedMinTimeComboBox},
    {"ModifiedMaxTime", &TSearchFileForm::ModifiedMaxTimeComboBox},
};

} // namespace

void TSearchFileForm::ReadSettings(const TStoredTextList &list)
{
    for (const TCheckSetting &row : CheckSettings)
        ReadCheckBox(list, SettingsSection, row.Key, this->*row.Box);
    for (const TComboSetting &row : ComboSettings)
        ReadComboBox(list, SettingsSection, row.Key, row.Default, this->*row.Box);
    for (const auto &[key, member] : HistorySettings) {
        std::string value;
        list.ReadString(SettingsSection, key, value, true, 4000);
        QComboBox *box = this->*member;
        box->clear();
        const QStringList items = Q(value).split(QLatin1Char('|'));
        for (qsizetype i = 1; i < items.size() && box->count() < TimeHistoryLength; ++i)
            if (!items[i].isEmpty()) box->addItem(items[i]);
        box->setEditText(items.value(0));
    }
}

void TSearchFileForm::WriteSettings(TStoredTextList &list) const
{
    for (const TCheckSetting &row : CheckSettings)
        WriteCheckBox(list, SettingsSection, row.Key, this->*row.Box);
    for (const TComboSetting &row : ComboSettings)
        WriteComboBox(list, SettingsSection, row.Key, this->*row.Box);
    for (const auto &[key, member] : HistorySettings) {
        const QComboBox *box = this->*member;
        QStringList items{box->currentText()};
        for (int i = 0; i < box->count(); ++i)
            items << box->itemText(i);
        list.WriteString(SettingsSection, key, S(items.join(QLatin1Char('|'))));
    }
}

// ---- Opening ----------------------------------------------------------------------------------

bool TSearchFileForm::Dialog(TColumn *column, const std::string &duplicateReference, bool history)
{
    bool result = false;
    TFunScope Fun(ThisUnit, "TSearchFileForm::Dialog");
    Fun.Run([&] {
        Column = column;
        DuplicateReference = duplicateReference;
        HistoryMode = history;
        Action = saNone;
        ChosenName.clear();
        CancelRequested = false;
        Search.Options = TSearchOptions();
        Search.Start();
        FoundItemsListBox->clear();
        for (QCheckBox *box : {CreationMinCheckBox,
                               CreationMaxCheckBox,
                               ModifiedMinCheckBox,
                               ModifiedMaxCheckBox,
                               SizeMinCheckBox,
                               SizeMaxCheckBox})
            box->setChecked(false);
        const bool duplicates = !duplicateReference.empty();
        if (duplicates) {
            setWindowTitle(
                Q("Search duplicate files of \"" + ExtractName(duplicateReference) + "\""));
            NameFilterComboBox->setEditText(QStringLiteral("All files"));
        } else {
            setWindowTitle(history ? QStringLiteral("Search navigation history")
                                   : QStringLiteral("Search file"));
        }
        SetWorking(false);
        LookingInLabel->setText(column ? Q(ExtractDirectory(column->ActiveTitle)) : QString());
        ShowInfo();
        if (duplicates)
            QTimer::singleShot(0, this, [this] { Do(false, false); });
        else
            QTimer::singleShot(0, this, [this, history] {
                QComboBox *box = history ? TextFilterComboBox : NameFilterComboBox;
                FocusControl(box);
                // Typing replaces the last filter, as in any search box.
                if (box->lineEdit()) box->lineEdit()->selectAll();
            });
        exec();
        result = Action != saNone && !Search.Found.empty();
    });
    Fun.ShowIfFailed("Failed to search.");
    return result;
}

void TSearchFileForm::SetWorking(bool working)
{
    Searching = working;
    const bool duplicates = !DuplicateReference.empty();
    const bool found = !Search.Found.empty();
    NameFilterComboBox->setEnabled(!working && !duplicates && !HistoryMode);
    TextFilterComboBox->setEnabled(!working && !duplicates);
    FilePartsComboBox->setEnabled(!working && !HistoryMode);
    TimeSizePage->setEnabled(!working && !duplicates && !HistoryMode);
    for (QWidget *control : std::initializer_list<QWidget *>{StemComboBox,
                                                             SearchSimilarCheckBox,
                                                             RecursiveCheckBox,
                                                             FindDirsCheckBox,
                                                             FindFilesCheckBox,
                                                             ConsiderAllSelectedCheckBox,
                                                             FreeHandFilterCheckBox,
                                                             NearDetectionCheckBox,
                                                             AllFiltersCheckBox,
                                                             OptionsPage,
                                                             SearchNamesButton,
                                                             SearchNamesSelectButton})
        control->setEnabled(!working);
    SearchContentButton->setEnabled(!working && !duplicates && !HistoryMode);
    SearchContentSelectButton->setEnabled(!working && !duplicates && !HistoryMode);
    StopButton->setEnabled(working && !HistoryMode);
    CancelButton->setEnabled(!working || !HistoryMode);
    for (QPushButton *button : {PutInFoundContainerButton,
                                PutInContainerButton,
                                ClipAllTitlesButton,
                                ClipActiveTitleButton})
        button->setEnabled(!working && found);
}

void TSearchFileForm::ShowInfo(int perMille, int filterNumber)
{
    InfoLabel->setText(Q(SearchInfoText(Search.Errors,
                                        Search.Directories,
                                        Search.Files,
                                        Search.Jumped,
                                        SecondsNow() - StartTime,
                                        perMille,
                                        filterNumber)));
}

void TSearchFileForm::ProcessPendingInput()
{
    // Input is taken in slices: a full pass of the event loop for every file would cost more
    // than the file itself.
    const auto now = std::chrono::steady_clock::now();
    if (now - LastInput < InputSlice) return;
    LastInput = now;
    QCoreApplication::processEvents();
}

void TSearchFileForm::InsertFoundRow(std::size_t index)
{
    const TFoundItem &found = Search.Found[index];
    auto *item = new QListWidgetItem(Q(" (" + std::to_string(found.Rank) + ") " + found.Title));
    item->setData(Qt::UserRole, QByteArray::fromStdString(found.Title));
    if (found.IsDirectory) {
        QFont font = item->font();
        font.setBold(true);
        item->setFont(font);
    }
    FoundItemsListBox->insertItem(static_cast<int>(index), item);
}

// ---- Searching --------------------------------------------------------------------------------

bool TSearchFileForm::ReadLimits(TSearchLimits &limits)
{
    struct TTimeRow
    {
        QCheckBox *Check;
        QComboBox *Box;
        bool *On;
        double *Value;
    };
    const TTimeRow rows[] = {
        {CreationMinCheckBox, CreationMinTimeComboBox, &limits.CreationMinOn, &limits.CreationMin},
        {CreationMaxCheckBox, CreationMaxTimeComboBox, &limits.CreationMaxOn, &limits.CreationMax},
        {ModifiedMinCheckBox, ModifiedMinTimeComboBox, &limits.ModifiedMinOn, &limits.ModifiedMin},
        {ModifiedMaxCheckBox, ModifiedMaxTimeComboBox, &limits.ModifiedMaxOn, &limits.ModifiedMax},
    };
    const std::string unit = S(TimeMeasurementUnitComboBox->currentText());
    int dates = 0, numbers = 0;
    for (const TTimeRow &row : rows) {
        *row.On = row.Check->isChecked() && row.Check->isEnabled() && TimeSizePage->isEnabled();
        if (!*row.On) continue;
        bool isDate = false;
        *row.Value = GetTimeFromText(S(row.Box->currentText()), unit, isDate);
        if (FunStatContext.IsError()) return false;
        ++(isDate ? dates : numbers);
    }
    if (dates > 0 && numbers > 0) {
        ShowErrorMessage("All time limits must be either absolute or relative.");
        return false;
    }
    if (numbers > 0) {
        const double start = Now();
        for (const TTimeRow &row : rows)
            if (*row.On) *row.Value = start - *row.Value;
    }
    if (limits.CreationMinOn && limits.CreationMaxOn && limits.CreationMin > limits.CreationMax) {
        ShowErrorMessage("\"Creation minimum\" is bigger than \"Creation maximum\".");
        return false;
    }
    if (limits.ModifiedMinOn && limits.ModifiedMaxOn && limits.ModifiedMin > limits.ModifiedMax) {
        ShowErrorMessage("\"Modified minimum\" is bigger than \"Modified maximum\".");
        return false;
    }
    const std::string sizeUnit = S(SizeMeasurementUnitComboBox->currentText());
    limits.SizeMinOn = SizeMinCheckBox->isChecked() && TimeSizePage->isEnabled();
    limits.SizeMaxOn = SizeMaxCheckBox->isChecked() && TimeSizePage->isEnabled();
    if (limits.SizeMinOn) {
        limits.SizeMin = GetSizeFromText(S(SizeMinComboBox->currentText()), sizeUnit);
        if (FunStatContext.IsError()) return false;
    }
    if (limits.SizeMaxOn) {
        limits.SizeMax = GetSizeFromText(S(SizeMaxComboBox->currentText()), sizeUnit);
        if (FunStatContext.IsError()) return false;
    }
    if (limits.SizeMinOn && limits.SizeMaxOn && limits.SizeMin > limits.SizeMax) {
        ShowErrorMessage("\"Size from\" is bigger than \"Size up to\".");
        return false;
    }
    return true;
}

void TSearchFileForm::Do(bool select, bool content)
{
    if (Searching) return;
    TFunScope Fun(ThisUnit, "TSearchFileForm::Do");
    Fun.Run([&] {
        const bool duplicates = !DuplicateReference.empty();
        if (content && !HistoryMode && NameFilterComboBox->currentText().trimmed().isEmpty())
            NameFilterComboBox->setEditText(QStringLiteral("Text files"));
        const std::string nameText = S(NameFilterComboBox->currentText());
        const std::string textFilter = S(TextFilterComboBox->currentText());
        if (content && textFilter.empty()) {
            ShowErrorMessage("Text filter can't be empty.");
            return;
        }
        TSearchOptions options;
        if (!HistoryMode) {
            options.NameFilter = ExpandNameFilter(nameText, SearchSimilarCheckBox->isChecked());
            if (!IsValidNameFilter(options.NameFilter)) {
                ShowErrorMessage("File name filter is invalid.");
                return;
            }
            if (!FindDirsCheckBox->isChecked() && !FindFilesCheckBox->isChecked()) {
                ShowErrorMessage("You must search either directories or files.");
                return;
            }
        }
        // The name buttons search names only; in the history they search its texts.
        if ((content || HistoryMode) && !duplicates) {
            bool hasShort = false;
            options.TextFilters =
                MakeSearchFilters(textFilter, FreeHandFilterCheckBox->isChecked(), hasShort);
            if (Fun.CalleeFailed()) return;
            if (hasShort &&
                !AskYesNo(
                    "There are filters containing only one or two characters.\nSuch filters are "
                    "very common so they may significantly\nslow down the search.\n\nDo you "
                    "want to CONTINUE anyway?"))
                return;
        }
        if (!HistoryMode && !duplicates && !ReadLimits(options.Limits)) {
            Fun.CalleeFailed();
            return;
        }
        options.TextExtensionFilter = ExpandNameFilter("Text files", false);
        options.Match.AllFilters = AllFiltersCheckBox->isChecked();
        options.Match.NearDetection = NearDetectionCheckBox->isChecked();
        options.Match.Stem = StemComboBox->currentIndex();
        options.FileParts = S(FilePartsComboBox->currentText());
        options.FindDirectories = FindDirsCheckBox->isChecked();
        options.FindFiles = FindFilesCheckBox->isChecked();
        options.Recursive = RecursiveCheckBox->isChecked() && !select;
        options.DuplicateReference = DuplicateReference;

        SetWorking(true);
        AddComboHistory(NameFilterComboBox, nameText);
        AddComboHistory(TextFilterComboBox, textFilter);
        for (QComboBox *box : {CreationMinTimeComboBox,
                               CreationMaxTimeComboBox,
                               ModifiedMinTimeComboBox,
                               ModifiedMaxTimeComboBox}) {
            AddComboHistory(box);
            TrimHistory(box);
        }
        FoundItemsListBox->clear();
        StartTime = SecondsNow();
        LastShown = std::chrono::steady_clock::now();
        // Input that came before the search (a click on "S&top") is taken at the first candidate.
        LastInput = LastShown - InputSlice;
        Search.Options = options;
        Search.Start();
        bool askErrors = true;
        Search.OnError = [this, &askErrors](const std::string &message) {
            if (!askErrors) return true;
            ShowInfo();
            TFunStatContext shown = FunStatContext;
            shown.SetShowContext(ThisUnit, "TSearchFileForm::ProcessFile", __LINE__);
            bool noErrors = false;
            const bool accepted = shown.Show(message, &noErrors);
            if (noErrors) askErrors = false;
            return accepted;
        };
        if (!Fun.CalleeFailed()) {
            if (HistoryMode) {
                for (int i = PathsHistory.count() - 1; i >= 0 && !Search.Stop; --i)
                    Search.ProcessHistoryItem(PathsHistory.Entry(i).title, true);
                for (int i = FilesHistory.count() - 1; i >= 0 && !Search.Stop; --i)
                    Search.ProcessHistoryItem(FilesHistory.Entry(i).title, false);
            } else if (Column && !Column->FileList->Empty) {
                SearchColumnItems();
            }
        }
        Search.OnError = nullptr;
        LookingInLabel->setText(QStringLiteral("Search complete."));
        ShowInfo();
        SetWorking(false);
        if (Fun.Failed()) return;
        if (CancelRequested) {
            QDialog::reject();
            return;
        }
        if (Search.Found.empty()) {
            ShowInfoMessage("No matches found.");
            return;
        }
        FoundItemsListBox->setCurrentRow(0);
        if (select)
            CloseWith(saSelectFiles);
        else
            FoundItemsListBox->setFocus();
    });
    Fun.ShowIfFailed("Failed to search.");
}

void TSearchFileForm::SearchColumnItems()
{
    // The main window's periodic work waits while input is processed inside the search, and
    // the items are taken first: nothing reloads the column under the walk.
    std::optional<TBusyScope> busy;
    if (MainForm) busy.emplace(*MainForm);
    const bool all = Column->SelectedCount == 0 && ConsiderAllSelectedCheckBox->isChecked();
    if (Column->SelectedCount == 0 && !all) {
        Search.ProcessItem(Column->ActiveTitle);
        return;
    }
    std::vector<std::pair<int, std::string>> items;
    for (int i = 0; i < Column->FileList->Count(); ++i)
        if (all || Column->Item(i)->Selected) items.emplace_back(i, Column->Item(i)->Title);
    for (const auto &[index, title] : items) {
        if (Search.Stop) break;
        Search.ProcessItem(title);
        if (index < Column->FileList->Count() && Column->Item(index)->Title == title &&
            Column->Item(index)->Selected)
            Column->SelectItem(index, false);
    }
    Column->FileList->update();
}

// ---- The found list ---------------------------------------------------------------------------

void TSearchFileForm::CloseWith(int action)
{
    Action = action;
    accept();
}

void TSearchFileForm::UserAction(int row, bool doubleClick, bool ctrl)
{
    if (row < 0 || row >= static_cast<int>(Search.Found.size()) || Searching) return;
    const TFoundItem &item = Search.Found[static_cast<std::size_t>(row)];
    TFunScope Fun(ThisUnit, "TSearchFileForm::UserAction");
    Fun.Run([&] {
        bool run = false;
        if (item.IsDirectory) {
            if (doubleClick) {
                ChosenName = item.Title;
                CloseWith(saEnterDirectory);
                return;
            }
            run = ctrl;
        } else {
            const bool switched = SwitchMouseOperationsCheckBox->isChecked();
            const bool focus = switched ? doubleClick : ctrl;
            run = switched ? ctrl : doubleClick;
            if (focus) {
                ChosenName = item.Title;
                CloseWith(saFocusFile);
                return;
            }
        }
        if (run) RunFile(item.Title, "", ExtractDirectory(item.Title), false, false);
    });
    Fun.ShowIfFailed("Failed to run file.");
}

void TSearchFileForm::PutInContainer(int number, bool keepItems)
{
    if (Search.Found.empty() || Searching || number < 0 || number >= 20) return;
    ContainerNumber = number;
    KeepContainerItems = keepItems;
    CloseWith(saPutInContainer);
}

void TSearchFileForm::PutInContainerButtonClick()
{
    if (!MainForm) return;
    QMenu menu(this);
    for (int i = 0; i < 20; ++i) {
        QAction *item = menu.addAction(MenuCaptionText(MainForm->Containers.Caption(i)));
        item->setData(i);
    }
    QAction *chosen =
        menu.exec(PutInContainerButton->mapToGlobal(QPoint(0, PutInContainerButton->height())));
    if (chosen)
        PutInContainer(chosen->data().toInt(),
                       QApplication::keyboardModifiers() & Qt::ControlModifier);
}

void TSearchFileForm::FoundListKeyDown(QKeyEvent *event)
{
    const int row = FoundItemsListBox->currentRow();
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int digit = DigitKey(*event);
    if (digit >= 0 && (modifiers & (Qt::ControlModifier | Qt::ShiftModifier))) {
        PutInContainer(digit == 0 ? 9 : digit - 1, modifiers & Qt::ShiftModifier);
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        UserAction(row, true, false);
        return;
    }
    if (event->key() == Qt::Key_F2 && row >= 0 && row < static_cast<int>(Search.Found.size())) {
        const std::string &title = Search.Found[static_cast<std::size_t>(row)].Title;
        const std::string text = modifiers & Qt::ShiftModifier     ? ExtractName(title)
                                 : modifiers & Qt::ControlModifier ? ExtractDirectory(title)
                                                                   : title;
        CopyTextToClipboard(text, "Failed to copy file title to clipboard.");
        FunStatContext.Reset(fsPerfect);
    }
}

bool TSearchFileForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == FoundItemsListBox && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
            key->key() == Qt::Key_F2 || DigitKey(*key) >= 0) {
            FoundListKeyDown(key);
            return true;
        }
    }
    if (watched == FoundItemsListBox->viewport() && event->type() == QEvent::MouseButtonPress) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        QListWidgetItem *item = FoundItemsListBox->itemAt(mouse->position().toPoint());
        if (item && mouse->button() == Qt::LeftButton &&
            (mouse->modifiers() & Qt::ControlModifier)) {
            UserAction(FoundItemsListBox->row(item), false, true);
            return true;
        }
        if (item && mouse->button() == Qt::RightButton && MainForm) {
            FoundItemsListBox->setCurrentItem(item);
            const std::string title =
                Search.Found[static_cast<std::size_t>(FoundItemsListBox->row(item))].Title;
            const QPoint at = mouse->globalPosition().toPoint();
            MainForm->ShowSystemMenu(
                "System", title, QRect(at, at), at.y(), at.x(), ExtractDirectory(title));
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TSearchFileForm::reject()
{
    if (Searching) {
        Search.Stop = true;
        CancelRequested = true;
        return;
    }
    QDialog::reject();
}

void TSearchFileForm::closeEvent(QCloseEvent *event)
{
    if (Searching) {
        Search.Stop = true;
        CancelRequested = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
