// The main window's areas, layout, start, focus, caption and lifecycle.
#include "app/MainDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/HistoryDialog.h"
#include "Libraries/MyTime.h"
#include "Libraries/Program.h"
#include "app/OptionsDialog.h"
#include "app/SkinDialog.h"
#include "app/FileStreamsDialog.h"
#include "app/FileViewer.h"
#include "app/ViewerPlugins.h"
#include "platform/FileHandle.h"
#include "platform/SettingsStore.h"
#include "platform/System.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

TMainForm *MainForm = nullptr;

namespace {

constexpr const char *ThisUnit = "MainDialog";
constexpr const char *ProgramName = "Velmordian";

const char *const TreeSplitterHint =
    "Drag this bar horizontally to set a new width for the columns and directory tree navigator. "
    "[RMB] = hide the directory tree navigator. [F9] = show / hide the directory tree navigator.";
const char *const PlayListSplitterHint =
    "Drag this bar horizontally to set a new width for the columns and media play-list. [RMB] = "
    "hide the media play-list. [F7] = show / hide the media play-list.";
const char *const ViewerSplitterHint =
    "Drag this bar vertically to set a new height for the columns and viewer. [RMB] or [Esc] = "
    "hide the viewer panel. [Ctrl + F7] = close the viewer.";

const std::vector<int> InfoBarPercentages[4] = {
    {10, 13, 13, 16, 16, 18}, {7, 9, 7, 4, 4, 40}, {}, {5, 9, 6, 34, 29, 9}};

MyTPanel *NewPanel(QWidget *parent, int faceStyle, int border, const std::string &hint = {})
{
    auto *panel = new MyTPanel(parent);
    // The window's areas let the background picture show through their translucent faces.
    panel->Transparent = true;
    panel->FaceStyle = faceStyle;
    panel->BorderWidth = border;
    panel->Hint = hint;
    return panel;
}

// The toolbar button shape of the skin: 0 rounded rectangle, 1 single oval, 2 double oval.
int ToolbarButtonShape()
{
    const std::string &style = SkinOptions.ToolbarButtonsStyle;
    return style == "Single oval" ? 1 : (style == "Double oval" ? 2 : 0);
}

MyTPanel *NewButton(QWidget *parent, const std::string &caption)
{
    auto *button = NewPanel(parent, 0, 3);
    button->SetCaptions(caption, caption);
    button->CenterH = true;
    button->ButtonFace = true;
    button->HotTrack = true;
    button->ButtonShape = ToolbarButtonShape();
    return button;
}

MyTPanel *NewSplitter(QWidget *parent, bool vertical, const std::string &hint)
{
    auto *splitter = new MyTPanel(parent, MyTPanel::RoleSplitter);
    splitter->Vertical = vertical;
    splitter->Transparent = true;
    splitter->Framed = false;
    splitter->FaceStyle = 0;
    splitter->Hint = hint;
    splitter->setCursor(vertical ? Qt::SplitHCursor : Qt::SplitVCursor);
    return splitter;
}

// A right click on a splitter hides its panel.
void HideOnRightClick(MyTPanel *splitter, std::function<void()> hide)
{
    splitter->OnMouseDown = [hide = std::move(hide)](QMouseEvent *event) {
        if (event->button() == Qt::RightButton) hide();
    };
}

} // namespace

std::string OptionsFilesLocation()
{
    std::string path;
    if (Platform::SettingsStoreRead("Software\\Velmordian\\", "OptionsPath", path))
        path = ExcludeTrailingBackslash(path);
    if (!path.empty() && Platform::DirectoryExists(path)) return IncludeTrailingBackslash(path);
    return OptionsDirectory();
}

std::vector<int> InfoBarFieldWidths(const std::vector<int> &percentages, int width)
{
    std::vector<int> widths;
    int used = 0;
    for (const int percentage : percentages) {
        widths.push_back(width * percentage / 100);
        used += widths.back();
    }
    widths.push_back(std::max(0, width - used));
    return widths;
}

std::string MemoryText(std::uint64_t bytes)
{
    return FileSizeText(3, 0, bytes);
}

std::string StatisticsText(int pictures, const std::string &size, int directories, int files)
{
    return "Thumbnail picture cache:\n    * Pictures: " + std::to_string(pictures) +
           "\n    * Size: " + size + "\n\nNavigation history:\n    * Visited directories: " +
           std::to_string(directories) + "\n    * Launched files: " + std::to_string(files);
}

TMainForm::TMainForm(QWidget *parent) : QWidget(parent), MainTimer(new QTimer(this))
{
    MainForm = this;
    GMyPanelOptions.MainWindow = this;
    setWindowTitle(QString::fromUtf8(ProgramName));
    setMinimumSize(300, 200);
    resize(1000, 700);
    BusyCount = 1;
    VisibleColumnCount = 2;
    ActiveColumnIndex = 0;
    CreateAreas();
    for (int i = 0; i < 12; ++i) Columns[i] = std::make_unique<TColumn>(*this, ColumnsArea, i);
    CreateMenus();
    MainTimer->setInterval(200);
    connect(MainTimer, &QTimer::timeout, this, [this] { MainTimerTimer(); });
    MyTPanel::OnHint = [this](const std::string &hint) {
        HintBar->SetCaptions(hint, hint);
    };
    qApp->installEventFilter(this);
    SetupBoards();
    InstallThumbnailPainter();
}

TMainForm::~TMainForm()
{
    qApp->removeEventFilter(this);
    DestroyViewers();
    MyTPanel::OnHint = nullptr;
    for (auto &column : Columns) column.reset();
    for (int slot = 0; slot < 3; ++slot) ViewerPlugins.UnloadViewerPlugin(slot);
    if (MainForm == this) MainForm = nullptr;
    if (GMyPanelOptions.MainWindow == this) GMyPanelOptions.MainWindow = nullptr;
    if (GMyPanelOptions.BackPicture == &BackPicture) GMyPanelOptions.BackPicture = nullptr;
}

void TMainForm::CreateAreas()
{
    ClientPanel = NewPanel(this, 2, 0);
    ClientPanel->Framed = false;
    Toolbar = NewPanel(ClientPanel, 2, 3, "Toolbar");
    WorkButton = NewButton(Toolbar, "Work");
    BoardsButton = NewButton(Toolbar, "Boards");
    SkinsButton = NewButton(Toolbar, "Skins");
    HelpButton = NewButton(Toolbar, "Help");
    UserLogo = NewPanel(Toolbar, 2, 0);
    UserLogo->Framed = false;
    UserLogo->OnDrawCaption = [this](QPainter &canvas, const QRect &inside) {
        UserLogoPaint(canvas, inside);
    };
    BoardButtonsBar = NewPanel(ClientPanel, 2, 3);
    WorkArea = NewPanel(ClientPanel, 2, 0);
    WorkArea->Framed = false;

    TreeNavigatorPanel = NewPanel(WorkArea, 2, 0);
    TreeNavigatorTitle = NewPanel(TreeNavigatorPanel, 0, 3);
    TreeNavigatorTitle->SetCaptions("Directory tree navigator", "Directory tree navigator");
    TreeNavigatorSplitter = NewSplitter(TreeNavigatorPanel, true, TreeSplitterHint);
    TreeNavigatorSplitter->OnSplitterValidate = [this](int &delta) {
        delta = std::max(delta, 50 - TreeNavigatorWidth);
    };
    TreeNavigatorSplitter->OnSplitterMoved = [this](int delta) {
        TreeNavigatorWidth += delta;
        Reset(false);
    };

    PlayListPanel = NewPanel(WorkArea, 2, 0);
    PlayListSplitter = NewSplitter(PlayListPanel, true, PlayListSplitterHint);
    PlayListTitle = NewPanel(PlayListPanel, 0, 3);
    PlayListTitle->SetCaptions("Media play-list", "Media play-list");
    PlayListSplitter->OnSplitterValidate = [this](int &delta) {
        delta = std::min(delta, PlayListWidth - 50);
    };
    PlayListSplitter->OnSplitterMoved = [this](int delta) {
        PlayListWidth -= delta;
        Reset(false);
    };

    HideOnRightClick(TreeNavigatorSplitter, [this] {
        Boards.Active().ShowTreeNavigator = false;
        Reset(false);
        FocusColumn(-1, false);
    });
    HideOnRightClick(PlayListSplitter, [this] {
        Boards.Active().ShowPlayList = false;
        Reset(false);
        FocusColumn(-1, false);
    });

    CentreArea = NewPanel(WorkArea, 2, 0);
    CentreArea->Framed = false;
    ViewerPanel = NewPanel(CentreArea, 2, 0);
    ViewerSplitter = NewSplitter(ViewerPanel, false, ViewerSplitterHint);
    ViewerClient = NewPanel(ViewerPanel, 1, 2);
    ViewerSplitter->OnSplitterMoved = [this](int delta) { SetViewerHeight(true, ViewerHeight - delta); };
    HideOnRightClick(ViewerSplitter, [this] {
        ViewerVisible = false;
        if (FileViewer) FileViewer->Clear();
        Reset(false);
        FocusColumn(-1, false);
    });
    ColumnsArea = NewPanel(CentreArea, 2, 0);
    ColumnsArea->Framed = false;

    InfoBarsArea = NewPanel(ClientPanel, 2, 1);
    InfoBarsArea->Framed = false;
    for (int bar = 0; bar < 4; ++bar) {
        InfoBars[bar] = NewPanel(InfoBarsArea, 2, 1);
        InfoBars[bar]->Framed = false;
        const std::size_t fields = InfoBarPercentages[bar].size() + 1;
        for (std::size_t f = 0; f < fields; ++f) InfoFields[bar].push_back(NewPanel(InfoBars[bar], 1, 2));
    }
    HintBar = NewPanel(ClientPanel, 1, 3);
    HintBar->CenterV = false;
    // Its lines hold a long hint broken between words.
    HintBar->WordWrap = true;
}

TColumn *TMainForm::ColumnOfList(const QWidget *list) const
{
    for (int i = 0; i < 10; ++i)
        if (Columns[i]->FileList == list) return Columns[i].get();
    return nullptr;
}

int TMainForm::GroupStart(int index) const
{
    for (int i = std::min(index, 9); i > 0; --i)
        if (Columns[i]->Fixed) return i;
    return 0;
}

int TMainForm::GroupEnd(int index) const
{
    for (int i = index + 1; i < VisibleColumnCount; ++i)
        if (Columns[i]->Fixed) return i - 1;
    return VisibleColumnCount - 1;
}

void TMainForm::BeginBusy()
{
    ++BusyCount;
}

void TMainForm::EndBusy()
{
    if (BusyCount > 0) --BusyCount;
}

void TMainForm::LayoutToolbar(int &nextTop)
{
    const std::string &style = SkinOptions.ToolbarButtonsStyle;
    const bool oval = style == "Single oval" || style == "Double oval";
    double textScale = std::max(1.0, ProgramOptions.CaptionFontSize / 9.0);
    int buttonHeight = WorkButton->TextHeight() + 2 * WorkButton->BorderWidth;
    if (oval) {
        buttonHeight = static_cast<int>(std::lround(buttonHeight * 1.25));
        textScale *= 1.4;
    }
    Toolbar->setGeometry(0, 0, ClientPanel->width(), buttonHeight + 2 * Toolbar->BorderWidth);
    MyTPanel *const buttons[] = {WorkButton, BoardsButton, SkinsButton, HelpButton};
    const int factors[] = {45, 55, 50, 45};
    int total = 0;
    for (const int factor : factors) total += static_cast<int>(std::lround(factor * textScale));

    const int logoHeight = Toolbar->InsideHeight();
    const int logoWidth = logoHeight * ProgramOptions.UserLogoWidth / 100;
    const bool logoLeft = ProgramOptions.ShowTopLeftUserLogo;
    UserLogo->setVisible(ProgramOptions.ShowUserLogo);
    UserLogo->setGeometry(logoLeft ? Toolbar->BorderWidth : Toolbar->width() - Toolbar->BorderWidth - logoWidth,
                          Toolbar->BorderWidth,
                          logoWidth,
                          logoHeight);
    int x = Toolbar->BorderWidth;
    if (ProgramOptions.ShowUserLogo && logoLeft) x += logoWidth;
    if (ProgramOptions.CenterToolbarButtons) x = std::max(x, (Toolbar->width() - total) / 2);
    for (int i = 0; i < 4; ++i) {
        const int width = static_cast<int>(std::lround(factors[i] * textScale));
        buttons[i]->setGeometry(x, Toolbar->BorderWidth, width, buttonHeight);
        x += width;
    }
    nextTop = Toolbar->height();

    BoardButtonsBar->setVisible(ProgramOptions.ShowBoardsBar);
    if (ProgramOptions.ShowBoardsBar) {
        const int height = ProgramOptions.BoardsBarRows * buttonHeight + 2 * BoardButtonsBar->BorderWidth;
        BoardButtonsBar->setGeometry(0, nextTop, ClientPanel->width(), height);
        nextTop += height;
    }
}

void TMainForm::LayoutInfoBars(int bottom, int &infoTop)
{
    const bool shown[4] = {ProgramOptions.ShowColumnInfo,
                           ProgramOptions.ShowFileInfo,
                           ProgramOptions.ShowFileDesc,
                           ProgramOptions.ShowReferenceInfo};
    int height = 0;
    for (int bar = 0; bar < 4; ++bar)
        if (shown[bar]) height += InfoBars[bar]->TextHeight() + 2 * InfoBars[bar]->BorderWidth;
    if (height == 0) {
        InfoBarsArea->hide();
        infoTop = bottom;
        return;
    }
    height += 2 * InfoBarsArea->BorderWidth;
    infoTop = bottom - height;
    InfoBarsArea->setGeometry(0, infoTop, ClientPanel->width(), height);
    InfoBarsArea->show();
    int y = InfoBarsArea->BorderWidth;
    for (int bar = 0; bar < 4; ++bar) {
        InfoBars[bar]->setVisible(shown[bar]);
        if (!shown[bar]) continue;
        const int barHeight = InfoBars[bar]->TextHeight() + 2 * InfoBars[bar]->BorderWidth;
        InfoBars[bar]->setGeometry(InfoBarsArea->BorderWidth, y, InfoBarsArea->InsideWidth(), barHeight);
        y += barHeight;
        const std::vector<int> widths =
            InfoBarFieldWidths(InfoBarPercentages[bar], InfoBars[bar]->InsideWidth());
        int x = InfoBars[bar]->BorderWidth;
        for (std::size_t f = 0; f < widths.size(); ++f) {
            InfoFields[bar][f]->setGeometry(x, InfoBars[bar]->BorderWidth, widths[f], InfoBars[bar]->InsideHeight());
            x += widths[f];
        }
    }
}

void TMainForm::Reset(bool clearLists)
{
    TFunScope Fun(ThisUnit, "TMainForm::Reset");
    BeginBusy();
    Fun.Run([&] {
        if (VisibleColumnCount < 1 || VisibleColumnCount > 10) {
            Fun.Raise("Invalid number of columns.", std::to_string(VisibleColumnCount));
            return;
        }
        if (clearLists)
            for (int i = 0; i < 10; ++i) Columns[i]->ClearColumn();
        ClientPanel->setGeometry(rect());

        int top = 0;
        LayoutToolbar(top);

        int bottom = ClientPanel->height();
        HintBar->setVisible(ProgramOptions.ShowHintBar);
        if (ProgramOptions.ShowHintBar) {
            const int height = ProgramOptions.HintLines * HintBar->TextHeight() + 2 * HintBar->BorderWidth;
            bottom -= height;
            HintBar->setGeometry(0, bottom, ClientPanel->width(), height);
        }
        int infoTop = bottom;
        LayoutInfoBars(bottom, infoTop);

        WorkArea->setGeometry(0, top, ClientPanel->width(), std::max(0, infoTop - top));
        const int clientWidth = ClientPanel->width();
        const TBoardData &board = Boards.Active();
        int left = 0;
        int right = WorkArea->width();
        TreeNavigatorPanel->setVisible(board.ShowTreeNavigator);
        if (board.ShowTreeNavigator) {
            const int width = std::min(TreeNavigatorWidth, static_cast<int>(std::lround(clientWidth * 0.45)));
            TreeNavigatorPanel->setGeometry(0, 0, width, WorkArea->height());
            const int titleHeight = TreeNavigatorTitle->TextHeight() + 2 * TreeNavigatorTitle->BorderWidth;
            TreeNavigatorTitle->setGeometry(0, 0, std::max(0, width - 14), titleHeight);
            TreeNavigatorSplitter->setGeometry(std::max(0, width - 14), 0, 14, WorkArea->height());
            left = width;
        }
        PlayListPanel->setVisible(board.ShowPlayList);
        if (board.ShowPlayList) {
            const int width = std::min(PlayListWidth, static_cast<int>(std::lround(clientWidth * 0.35)));
            PlayListPanel->setGeometry(right - width, 0, width, WorkArea->height());
            PlayListSplitter->setGeometry(0, 0, 14, WorkArea->height());
            const int titleHeight = PlayListTitle->TextHeight() + 2 * PlayListTitle->BorderWidth;
            PlayListTitle->setGeometry(14, 0, std::max(0, width - 14), titleHeight);
            right -= width;
        }
        CentreArea->setGeometry(left, 0, std::max(0, right - left), WorkArea->height());

        ViewerPanel->setVisible(ViewerVisible);
        int columnsHeight = CentreArea->height();
        if (ViewerVisible) {
            const int height = std::min(ViewerHeight, CentreArea->height());
            ViewerPanel->setGeometry(0, CentreArea->height() - height, CentreArea->width(), height);
            ViewerSplitter->setGeometry(0, 0, CentreArea->width(), 14);
            ViewerClient->setGeometry(0, 14, CentreArea->width(), std::max(0, height - 14));
            columnsHeight -= height;
        }
        ColumnsArea->setGeometry(0, 0, CentreArea->width(), std::max(0, columnsHeight));
        ResetColumnsArea();
        ActiveColumnIndex = std::clamp(ActiveColumnIndex, 0, VisibleColumnCount - 1);
        for (MyTPanel *button : {WorkButton, BoardsButton, SkinsButton, HelpButton})
            button->ButtonShape = ToolbarButtonShape();
    });
    EndBusy();
    // The translucent faces are composited once per layout.
    MyTPanel::ResetAll(this);
    Fun.ShowIfFailed("Invalid number of columns.");
}

void TMainForm::FocusColumn(int index, bool force)
{
    if (!ColumnsArea->isVisible() && Initialised) return;
    if (!force && IsBusy()) return;
    if (index >= 0) ActiveColumnIndex = index;
    ActiveColumnIndex = std::clamp(ActiveColumnIndex, 0, VisibleColumnCount - 1);
    ActiveColumn().FileList->setFocus();
    for (int i = 0; i < VisibleColumnCount; ++i) Columns[i]->FileList->update();
}

std::string TMainForm::CaptionText() const
{
    std::string caption = std::string(ProgramName) + " - \"" + Boards.Active().DisplayName() + "\"";
    if (ProgramOptions.ShowSystemInfo) {
        const double now = Now();
        caption += " | " + LongDateText(now) + " " + LongTimeText(now);
        std::uint64_t available = 0, total = 0;
        if (Platform::PhysicalMemory(available, total))
            caption += " | RAM " + MemoryText(available) + " (" + MemoryText(total) + ")";
    }
    return caption;
}

void TMainForm::UpdateCaption()
{
    setWindowTitle(QString::fromStdString(CaptionText()));
}

int TMainForm::MaximumViewerHeight() const
{
    const MyTPanel *list = Columns[0]->FileList;
    const QPoint firstRowBottom =
        list->mapTo(CentreArea, QPoint(0, list->BorderWidth + list->EffectiveItemHeight()));
    return CentreArea->height() - 2 * CentreArea->BorderWidth - firstRowBottom.y() -
           3 * list->BorderWidth + (ViewerVisible ? ViewerPanel->height() : 0);
}

void TMainForm::SetViewerHeight(bool refit, int height)
{
    if (!ViewerVisible) return;
    if (height <= 0) height = ViewerHeight;
    height = std::min(std::max(height, 50), std::max(50, MaximumViewerHeight()));
    if (height == ViewerHeight) return;
    ViewerHeight = height;
    Reset(false);
    FocusColumn(-1, false);
    if (refit && FileViewer) FileViewer->Refit();
}

void TMainForm::ShowBoard()
{
    Boards.LoadColumns(true);
    UpdateCaption();
}

void TMainForm::LoadVisibleColumns()
{
    for (int i = 0; i < VisibleColumnCount; ++i) Columns[i]->LoadDirectory(true);
}

void TMainForm::CreateProgramFolders()
{
    const std::string options = OptionsDirectory();
    std::vector<std::string> folders = {PluginsDirectory(), options};
    for (const char *sub :
         {"Containers/", "Locations/", "Send/", "SendDrag/", "Tools/", "Skins/", "BackPictures/"})
        folders.push_back(options + sub);
    const std::string log = ErrorLogFileName();
    folders.push_back(log.substr(0, log.rfind('/') + 1));
    for (const std::string &folder : folders) {
        TFunScope Fun(ThisUnit, "TMainForm::CreateProgramFolders");
        Fun.Run([&] {
            // Parents too, so an XDG folder below a missing ~/.local is made.
            std::string failed;
            if (!Platform::MakeDirectories(folder, failed))
                Fun.RaiseLastError("Failed to create directory.", failed);
        });
        Fun.ShowIfFailed("Failed to create a folder of the program.");
    }
}

void TMainForm::StartMainForm()
{
    TFunScope Fun(ThisUnit, "StartMainForm");
    Fun.Run([&] {
        AboutProgramLabel->setText(QString::fromUtf8(ProgramName));
        AboutVersionLabel->setText(QStringLiteral("Version 8.0.7, released on 19.03.2008"));
        if (ErrorForm) {
            ErrorForm->HelpContext = 203;
            ErrorForm->OnHelp = &TMainForm::OpenHelp;
        }
        CreateProgramFolders();
        setAcceptDrops(true);
        InstallAutoSteg();

        OptionsFilesDirectory = OptionsFilesLocation();
        LoadOptionsFiles();

        ShowBoard();
        SetupBackPicture("");
        Reset(false);
        BusyCount = 0;
        DirCheckWatch.start();
        LoadVisibleColumns();
        ViewerPlugins.LoadViewerPlugins(ProgramOptions.ActivatePlugins,
                                        ProgramOptions.ViewerPluginActive,
                                        ProgramOptions.ViewerPluginName,
                                        PluginsDirectory());
        if (Fun.CalleeFailed()) return;
        FocusColumn(-1, false);
    });
    // The start-up's busy state ends on every path, a failure that cut the start short too.
    BusyCount = 0;
    Initialised = true;
    Fun.ShowIfFailed("Failed to start the program.");
}

void TMainForm::FormCloseQuery()
{
    // The options folder may have been marked meanwhile: it takes effect at this save.
    OptionsFilesDirectory = OptionsFilesLocation();
    SaveOptionsFiles();
}

namespace {

constexpr int DirCheckInterval = 200;

} // namespace

void TMainForm::MainTimerTimer()
{
    TFunScope Fun(ThisUnit, "TMainForm::MainTimerTimer");
    Fun.Run([&] {
        CheckItemHotTrack();
        if (IsBusy() || !isActiveWindow()) return;
        // Consuming the notifications costs no disk access: every tick, so that a change shows
        // within a fraction of a second.
        if (!DirCheckWatch.isValid() || DirCheckWatch.elapsed() >= DirCheckInterval) {
            DirCheckWatch.start();
            CheckDirMonitor(false);
        }
        if (!CaptionWatch.isValid() || CaptionWatch.elapsed() >= 5000) {
            UpdateCaption();
            CaptionWatch.start();
        }
    });
    Fun.ShowIfFailed("Failed to run the main timer.");
}

void TMainForm::CheckDirMonitor(bool reload)
{
    TFunScope Fun(ThisUnit, "TMainForm::CheckDirMonitor");
    Fun.Run([&] {
        const bool listFocused = ActiveColumn().FileList->hasFocus();
        if (!reload && !ReloadOnNextCheck && (!listFocused || IsBusy())) return;
        BeginBusy();
        reload = reload || ReloadOnNextCheck;
        ReloadOnNextCheck = false;
        bool any = false;
        for (int i = 0; i < VisibleColumnCount; ++i) {
            TColumn &column = *Columns[i];
            if (column.ContainerIndex >= 0 || IsDrivePath(column.ActiveTitle)) continue;
            TFunScope Check(ThisUnit, "TMainForm::CheckDirMonitor");
            Check.Run([&] {
                // Changes on removable, optical and network partitions, and where no watch could
                // be had, are looked at only when the user comes back to the program.
                const TDirectoryMonitor &monitor = column.DirMonitor;
                const bool watched = (monitor.PartitionType == ptFixed || monitor.PartitionType == ptRAM) &&
                                     !monitor.LimitReached;
                if (!reload && !watched) return;
                // A directory that cannot be watched any more counts as changed.
                const bool changed = column.DirMonitor.Next();
                FunStatContext.Reset(fsPerfect);
                if (!changed && !(reload && column.HeaderButton->StrikeOut)) return;
                any = true;
                column.HeaderButton->StrikeOut = true;
                column.HeaderButton->update();
                if (!reload) return;
                const std::string shown = ExtractDirectory(column.ActiveTitle);
                column.RecordFocus();
                column.LoadDirectory(false);
                // A directory that went away is left for its nearest parent: no failure.
                if (ExtractDirectory(column.ActiveTitle) != shown) FunStatContext.Reset(fsPerfect);
                if (Check.CalleeFailed()) return;
                CheckRestDirMonitor(i, i + 1);
            });
            Check.ShowIfFailed("Failed to reload directory.");
        }
        EndBusy();
        if (any) FocusColumn(-1, false);
    });
    Fun.ShowIfFailed("Failed to check directories.");
}

void TMainForm::CheckRestDirMonitor(int source, int first)
{
    TColumn &from = *Columns[source];
    const std::string directory = ExtractDirectory(from.ActiveTitle);
    for (int k = first; k < VisibleColumnCount; ++k) {
        TColumn &column = *Columns[k];
        if (k == source || column.ContainerIndex >= 0 || IsDrivePath(column.ActiveTitle) ||
            ExtractDirectory(column.ActiveTitle) != directory)
            continue;
        TFunScope Fun(ThisUnit, "TMainForm::CheckRestDirMonitor");
        Fun.Run([&] {
            column.RecordFocus();
            // The list is shared only in the same order; another sort reads the directory.
            if (column.SortMode == from.SortMode)
                column.SetWithColumnContent(from, false, false, false, true);
            else
                column.LoadDirectory(false);
            column.DirMonitor.Next();
            FunStatContext.Reset(fsPerfect);
            column.HeaderButton->StrikeOut = false;
            Fun.CalleeFailed();
        });
        Fun.ShowIfFailed("Failed to reload directory.");
    }
}

void TMainForm::MarkChangedEntry(const std::string &entry)
{
    const std::string directory = ExtractDirectory(entry);
    const std::string inside = IncludeTrailingBackslash(entry);
    for (int i = 0; i < VisibleColumnCount; ++i) {
        TColumn &column = *Columns[i];
        if (column.ContainerIndex >= 0 || IsDrivePath(column.ActiveTitle)) continue;
        const std::string shown = ExtractDirectory(column.ActiveTitle);
        if (shown == directory || shown.rfind(inside, 0) == 0) column.DirMonitor.ChangePending = true;
    }
}

void TMainForm::ApplicationEventsActivate()
{
    TFunScope Fun(ThisUnit, "TMainForm::ApplicationEventsActivate");
    Fun.Run([&] {
        LastActivationTime.start();
        // What other programs did meanwhile is read at the next directory check.
        ReloadOnNextCheck = true;
        if (!FirstActivation) return;
        FirstActivation = false;
        if (ProgramOptions.FirstRun) {
            // Shown once a run until the options are saved for the first time.
            ProgramOptions.FirstRun = false;
            Com_Wizard();
        }
        // An invalid watch counts as 5 seconds gone: the first tick refreshes the caption.
        CaptionWatch.invalidate();
        MainTimer->start();
        MainTimerTimer();
    });
    Fun.ShowIfFailed("Failed to activate the program.");
}

void TMainForm::ApplicationEventsDeactivate()
{
    if (OnCloseFileHover) OnCloseFileHover();
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->window() == this && widget->isActiveWindow())
            return FormKeyDown(static_cast<QKeyEvent *>(event));
    }
    return QWidget::eventFilter(watched, event);
}

void TMainForm::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ClientPanel->setGeometry(rect());
    if (!Initialised) return;
    if (SkipNextResize) {
        SkipNextResize = false;
        return;
    }
    SetupBackPicture("");
    Reset(false);
    SetViewerHeight(false, 0);
    FocusColumn(-1, false);
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    // The streams editor asks about an unsaved stream first; a cancel keeps the program open.
    if (FileStreamsForm && FileStreamsForm->isVisible() && !FileStreamsForm->close()) {
        event->ignore();
        return;
    }
    FormCloseQuery();
    event->accept();
}

void TMainForm::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange) return;
    if (isActiveWindow()) ApplicationEventsActivate();
    else ApplicationEventsDeactivate();
}
