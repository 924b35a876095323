// The main window: toolbar, board buttons, the active board's columns, the side panels,
// the viewer panel, the information bars and the hint bar, with its start and close.
#pragma once

#include "app/Boards.h"
#include "app/Column.h"
#include "app/MyControls.h"

#include <QElapsedTimer>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class QAction;
class QDialog;
class QLabel;
class QMenu;
class QTimer;
class THistoryDialog;
class TWizardForm;

// Widths of the fields of an information bar: the percentages of the bar's width, then the
// last field takes the rest.
std::vector<int> InfoBarFieldWidths(const std::vector<int> &percentages, int width);

// The text of the "Statistics" message.
std::string StatisticsText(int pictures, const std::string &size, int directories, int files);

// A row of a menu table: the submenu it stands in ("" for the menu itself), its caption and
// its command; a row without a command is present and disabled.
class TMainForm;
struct TMenuRow
{
    const char *Submenu;
    const char *Caption;
    void (TMainForm::*Command)();
};

class TMainForm : public QWidget
{
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // State.
    int VisibleColumnCount = 2;
    int ActiveColumnIndex = 0;
    std::unique_ptr<TColumn> Columns[12];
    int BusyCount = 1;
    bool Initialised = false;
    bool SkipNextResize = false;
    bool FirstActivation = true;
    std::string OptionsFilesDirectory;
    TBoards Boards;
    QElapsedTimer CaptionWatch;
    QElapsedTimer DirCheckWatch;
    QElapsedTimer LastActivationTime;
    QTimer *MainTimer;

    // Areas.
    MyTPanel *ClientPanel;
    MyTPanel *Toolbar;
    MyTPanel *WorkButton;
    MyTPanel *BoardsButton;
    MyTPanel *SkinsButton;
    MyTPanel *HelpButton;
    MyTPanel *UserLogo;
    MyTPanel *BoardButtonsBar;
    MyTPanel *WorkArea;
    MyTPanel *TreeNavigatorPanel;
    MyTPanel *TreeNavigatorTitle;
    MyTPanel *TreeNavigatorSplitter;
    MyTPanel *PlayListPanel;
    MyTPanel *PlayListTitle;
    MyTPanel *PlayListSplitter;
    MyTPanel *CentreArea;
    MyTPanel *ViewerPanel;
    MyTPanel *ViewerSplitter;
    MyTPanel *ViewerClient;
    MyTPanel *ColumnsArea;
    MyTPanel *InfoBarsArea;
    MyTPanel *InfoBars[4];
    std::vector<MyTPanel *> InfoFields[4];
    MyTPanel *HintBar;
    int TreeNavigatorWidth = 300;
    int PlayListWidth = 240;
    int ViewerHeight = 250;
    bool ViewerVisible = false;

    // Menus.
    QMenu *WorkPopupMenu;
    QMenu *HelpPopupMenu;
    QMenu *FileMenu;
    QMenu *VisibleColumnsMenu;
    QMenu *HistoryMenu;
    QDialog *AboutForm;
    TWizardForm *WizardForm;
    QLabel *AboutProgramLabel;
    QLabel *AboutVersionLabel;

    TColumn &SpareColumn() { return *Columns[10]; }
    TColumn &InterBoardSourceColumn() { return *Columns[11]; }
    TColumn &ActiveColumn() { return *Columns[ActiveColumnIndex]; }
    // The board column whose list is the given control, or null.
    TColumn *ColumnOfList(const QWidget *list) const;
    int GroupStart(int index) const;
    int GroupEnd(int index) const;

    void StartMainForm();
    // Loads the options text file, then the options data file (boards, histories), from
    // OptionsFilesDirectory; saves them in the same order.
    void LoadOptionsFiles();
    void SaveOptionsFiles();
    // Lays out every area of the window. Shows "Invalid number of columns." when the number of
    // visible columns is outside 1..10.
    void Reset(bool clearLists);
    void ResetColumnsArea();
    void FocusColumn(int index, bool force);
    std::string CaptionText() const;
    void UpdateCaption();
    void BeginBusy();
    void EndBusy();
    bool IsBusy() const { return BusyCount > 0; }
    void SetViewerHeight(bool refit, int height);
    int MaximumViewerHeight() const;
    // Loads the active board's record into the board columns.
    void ShowBoard();
    void LoadVisibleColumns();
    // Handles a key before the controls see it; true when it was used.
    bool FormKeyDown(QKeyEvent *event);
    void FormCloseQuery();
    void MainTimerTimer();
    void ApplicationEventsActivate();
    void ApplicationEventsDeactivate();

    // Clicks the menu item of that caption, as a key of the keyboard table does; false when
    // there is no such item or it is disabled.
    bool ClickMenuItem(const std::string &caption);
    QAction *MenuItem(const std::string &caption) const;
    void ShowFileMenuAtFocus();

    // Commands of the menus.
    void Com_Hide();
    void Com_CloseProgram();
    void Com_ToggleHintBar();
    void Com_ToggleFileInfoBar();
    void Com_ToggleColumnInfoBar();
    void Com_ToggleBoardsBar();
    void Com_MaximizeColumnsHeight();
    void Com_ToggleMediaPlayList();
    void Com_MaximizeViewerHeight();
    void Com_ToggleHoverInfo();
    void Com_Statistics();
    void Com_Wizard();
    void Com_HelpMain();
    void Com_HelpKeyboardMouse();
    void Com_HelpOnline();
    void Com_About();
    void Com_SetVisibleColumns(int count);
    void Com_InsertColumnAtEnd();
    void Com_DeleteLastColumn();
    void Com_InsertColumnHere();
    void Com_DeleteThisColumn();
    void Com_RotateColumnsToRight();
    void Com_RotateColumnsToLeft();

    // Opens the help page of a help context.
    static void OpenHelp(int context);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void CreateAreas();
    void CreateMenus();
    void BuildMenu(QMenu *menu, const TMenuRow *rows, std::size_t count);
    void ToggleOption(bool &option);
    void LayoutToolbar(int &nextTop);
    void LayoutInfoBars(int bottom, int &infoTop);
    void CreateProgramFolders();
    std::vector<QAction *> Actions;
    std::unique_ptr<THistoryDialog> PathsHistoryDialog;
};

// The main window; null until the start-up creates it.
extern TMainForm *MainForm;
