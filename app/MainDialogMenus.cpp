// The main window's menus, keyboard table and menu commands.
#include "app/MainDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/History.h"
#include "Libraries/PictureCache.h"
#include "Libraries/Program.h"
#include "Libraries/UtilitiesUi.h"
#include "app/OptionsDialog.h"
#include "app/WizardDialog.h"
#include "platform/FileHandle.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr const char *ThisUnit = "MainDialog";
constexpr const char *OnlineHelpAddress = "https://velmordian.org/help/";
constexpr int MainWindowHelpContext = 100;

const TMenuRow WorkMenuRows[] = {
    {"Tools", nullptr, nullptr},
    {"Media play-lists", nullptr, nullptr},
    {"Gizmos", "Password generator", nullptr},
    {"Gizmos", "Text to code", nullptr},
    {"", "Connect partition", nullptr},
    {"", "Disconnect partition", nullptr},
    {"", "Options", &TMainForm::Com_Options},
    {"Layout", "Toggle media play-list", &TMainForm::Com_ToggleMediaPlayList},
    {"Layout", "Close viewer", &TMainForm::Com_CloseViewer},
    {"Layout", "Hide viewer", &TMainForm::Com_HideViewer},
    {"Layout", "Maximize viewer height", &TMainForm::Com_MaximizeViewerHeight},
    {"Layout", "Maximize columns height", &TMainForm::Com_MaximizeColumnsHeight},
    {"Layout", "Toggle hint bar", &TMainForm::Com_ToggleHintBar},
    {"Layout", "Toggle file info bar", &TMainForm::Com_ToggleFileInfoBar},
    {"Layout", "Toggle column info bar", &TMainForm::Com_ToggleColumnInfoBar},
    {"Layout", "Toggle boards bar", &TMainForm::Com_ToggleBoardsBar},
    {"Layout", "Toggle tree navigator", nullptr},
    {"Layout", "Toggle hover info", &TMainForm::Com_ToggleHoverInfo},
    {"", "Statistics", &TMainForm::Com_Statistics},
    {"", "Hide", &TMainForm::Com_Hide},
    {"", "Close program", &TMainForm::Com_CloseProgram},
};

const TMenuRow HelpMenuRows[] = {
    {"", "Wizard", &TMainForm::Com_Wizard},
    {"", "Main", &TMainForm::Com_HelpMain},
    {"", "Keyboard, mouse", &TMainForm::Com_HelpKeyboardMouse},
    {"", "Online", &TMainForm::Com_HelpOnline},
    {"", "About", &TMainForm::Com_About},
};

// Modifier rules of the keyboard table.
enum TKeyModifiers
{
    kmNone,
    kmCtrl,
    kmShift,
    kmAlt,
    kmAny,
    kmAnyOther // any modifier, but not none
};

struct TKeyRow
{
    int Key;
    TKeyModifiers Modifiers;
    const char *Caption;
};

// The window's keys: each clicks the menu item of its caption. A key whose item has no command
// yet goes on to the controls. Space, Alt+F1 and the context-menu key are handled on their own;
// the media keys ("-", "=", "[", "]" and the media and volume keys) come with the media player
// and until then go on to the controls too.
const TKeyRow KeyRows[] = {
    {Qt::Key_Escape, kmNone, "Hide"},
    {Qt::Key_Escape, kmAnyOther, "Hide viewer"},
    {Qt::Key_B, kmNone, "Edit board properties"},
    {Qt::Key_B, kmCtrl, "Mark source column"},
    {Qt::Key_B, kmShift, "Show File-drag menu"},
    {Qt::Key_H, kmNone, "Search history"},
    {Qt::Key_O, kmAny, "Options"},
    {Qt::Key_R, kmAny, "Manual run"},
    {Qt::Key_Z, kmNone, "Password generator"},
    {Qt::Key_Z, kmCtrl, "Text to code"},
    {Qt::Key_F4, kmAlt, "Close program"},
    {Qt::Key_F7, kmNone, "Toggle media play-list"},
    {Qt::Key_F7, kmCtrl, "Close viewer"},
    {Qt::Key_F7, kmShift, "Maximize viewer height"},
    {Qt::Key_F8, kmNone, "Toggle hint bar"},
    {Qt::Key_F8, kmCtrl, "Toggle file info bar"},
    {Qt::Key_F8, kmShift, "Toggle column info bar"},
    {Qt::Key_F8, kmAlt, "Toggle boards bar"},
    {Qt::Key_F9, kmAny, "Toggle tree navigator"},
};

bool ModifiersMatch(TKeyModifiers rule, Qt::KeyboardModifiers held)
{
    held &= Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    switch (rule) {
    case kmNone:
        return held == Qt::NoModifier;
    case kmCtrl:
        return held == Qt::ControlModifier;
    case kmShift:
        return held == Qt::ShiftModifier;
    case kmAlt:
        return held == Qt::AltModifier;
    case kmAny:
        return true;
    case kmAnyOther:
        return held != Qt::NoModifier;
    }
    return false;
}

// The help context of the control under the point, or of the nearest control around it that has
// one.
int HelpContextAt(QPoint global)
{
    for (const QWidget *widget = QApplication::widgetAt(global); widget;
         widget = widget->parentWidget()) {
        const QVariant context = widget->property("HelpContext");
        if (context.isValid()) return context.toInt();
    }
    return MainWindowHelpContext;
}

} // namespace

void TMainForm::BuildMenu(QMenu *menu, const TMenuRow *rows, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const TMenuRow &row = rows[i];
        QMenu *target = menu;
        if (row.Submenu[0] != '\0') {
            const QString title = MenuCaptionText(row.Submenu);
            target = nullptr;
            for (QAction *action : menu->actions())
                if (action->menu() && action->text() == title) target = action->menu();
            if (!target) target = menu->addMenu(title);
            if (!row.Caption) {
                target->setEnabled(false);
                continue;
            }
        }
        QAction *action = target->addAction(MenuCaptionText(row.Caption));
        action->setEnabled(row.Command != nullptr);
        if (row.Command) {
            const auto command = row.Command;
            connect(action, &QAction::triggered, this, [this, command] { (this->*command)(); });
        }
        if (row.Command) WiredFileMenuItems.insert(action);
        Actions.push_back(action);
    }
}

void TMainForm::CreateMenus()
{
    setProperty("HelpContext", MainWindowHelpContext);
    WorkPopupMenu = new QMenu(this);
    BuildMenu(WorkPopupMenu, WorkMenuRows, std::size(WorkMenuRows));
    HelpPopupMenu = new QMenu(this);
    BuildMenu(HelpPopupMenu, HelpMenuRows, std::size(HelpMenuRows));

    FileMenu = new QMenu(this);
    CreateFileMenu();
    CreateFileDragMenu();
    // The labels are shown; the window's own key handling runs the commands.
    for (QAction *action : Actions)
        action->setShortcutContext(Qt::WidgetShortcut);

    const auto popup = [](MyTPanel *button, QMenu *menu) {
        button->OnMouseDown = [button, menu](QMouseEvent *) { button->PopupAt(menu, 0); };
    };
    popup(WorkButton, WorkPopupMenu);
    popup(HelpButton, HelpPopupMenu);

    WizardForm = new TWizardForm(this);
    AboutForm = new QDialog(this);
    AboutForm->setWindowTitle(QStringLiteral("About"));
    AboutProgramLabel = new QLabel(AboutForm);
    AboutVersionLabel = new QLabel(AboutForm);
    auto *layout = new QVBoxLayout(AboutForm);
    layout->addWidget(AboutProgramLabel);
    layout->addWidget(AboutVersionLabel);
}

QAction *TMainForm::MenuItem(const std::string &caption) const
{
    const auto named = FileMenuItems.find(caption);
    if (named != FileMenuItems.end()) return named->second;
    const QString text = MenuCaptionText(caption);
    for (QAction *action : Actions)
        if (action->text() == text) return action;
    return nullptr;
}

bool TMainForm::ClickMenuItem(const std::string &caption)
{
    // A drag operation is validated by the File-drag menu's own enabling pass.
    if (caption.rfind("FileDragMenu_", 0) == 0) return ClickFileDragItem(caption);
    // Every command is validated by the enabled state the active item gives its item.
    EnableFileMenuItems();
    QAction *action = MenuItem(caption);
    if (!action || !action->isEnabled() || action->menu()) return false;
    action->trigger();
    return true;
}

bool TMainForm::FormKeyDown(QKeyEvent *event)
{
    bool handled = false;
    TFunScope Fun(ThisUnit, "TMainForm::FormKeyDown");
    Fun.Run([&] {
        const int key = event->key();
        if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
            key == Qt::Key_Meta) {
            handled = true;
            return;
        }
        if (isMinimized()) showNormal();
        if (OnCloseFileHover) OnCloseFileHover();
        const Qt::KeyboardModifiers held =
            event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        // Shift+F10 is "Paths in container" in a container column and the context-menu key
        // everywhere else.
        const bool shiftF10 = key == Qt::Key_F10 && held == Qt::ShiftModifier;
        if (key == Qt::Key_Menu || (shiftF10 && !ClickMenuItem("ShowPathsInContainerMenu"))) {
            ShowFileMenuAtFocus(held);
            handled = true;
            return;
        }
        if (shiftF10) {
            handled = true;
            return;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            RunActiveItem(held);
            handled = true;
            return;
        }
        // Clicks the item of the caption; an item without a command leaves the key alone.
        const auto clickFromKey = [this, &handled](const char *caption) {
            const QAction *item = MenuItem(caption);
            if (!item || WiredFileMenuItems.count(item) == 0) return;
            ClickFromKey = true;
            ClickMenuItem(caption);
            ClickFromKey = false;
            handled = true;
        };
        if (key == Qt::Key_Space) {
            // Away from the list, Space goes to the tree navigator's selected directory, which
            // comes with the tree navigator.
            if (ActiveColumn().FileList->hasFocus()) clickFromKey("Navigate to directory");
            return;
        }
        if (key == Qt::Key_F1 && held == Qt::AltModifier) {
            OpenHelp(HelpContextAt(QCursor::pos()));
            handled = true;
            return;
        }
        for (const TKeyRow &row : KeyRows) {
            if (row.Key == key && ModifiersMatch(row.Modifiers, event->modifiers())) {
                clickFromKey(row.Caption);
                return;
            }
        }
        // The keys shown beside the File menu's items click them; a disabled item leaves the
        // key to the list.
        if (const QAction *item = FileMenuItemOfKey(event)) {
            KeyModifiers = held;
            handled = ClickMenuItem(item->objectName().toStdString());
            KeyModifiers = Qt::NoModifier;
        }
    });
    Fun.ShowIfFailed("Failed to handle the key.");
    return handled;
}

void TMainForm::ToggleOption(bool &option)
{
    option = !option;
    Reset(false);
    if (option) SetViewerHeight(false, 0);
    FocusColumn(-1, false);
}

void TMainForm::Com_Hide()
{
    showMinimized();
}

void TMainForm::Com_CloseProgram()
{
    close();
}

void TMainForm::Com_ToggleHintBar()
{
    ToggleOption(ProgramOptions.ShowHintBar);
}

void TMainForm::Com_ToggleFileInfoBar()
{
    ToggleOption(ProgramOptions.ShowFileInfo);
}

void TMainForm::Com_ToggleColumnInfoBar()
{
    ToggleOption(ProgramOptions.ShowColumnInfo);
}

void TMainForm::Com_ToggleBoardsBar()
{
    ToggleOption(ProgramOptions.ShowBoardsBar);
}

void TMainForm::Com_MaximizeColumnsHeight()
{
    ProgramOptions.ShowBoardsBar = false;
    ProgramOptions.ShowColumnInfo = false;
    ProgramOptions.ShowFileDesc = false;
    ProgramOptions.ShowReferenceInfo = false;
    ProgramOptions.ShowHintBar = false;
    Reset(false);
    FocusColumn(-1, false);
}

void TMainForm::Com_ToggleMediaPlayList()
{
    TBoardData &board = Boards.Active();
    board.ShowPlayList = !board.ShowPlayList;
    PlayListPanel->setVisible(board.ShowPlayList);
    Reset(false);
    SetViewerHeight(true, 0);
    FocusColumn(-1, false);
}

void TMainForm::Com_MaximizeViewerHeight()
{
    SetViewerHeight(false, MaximumViewerHeight());
}

void TMainForm::Com_ToggleHoverInfo()
{
    ProgramOptions.FileHoverActive = !ProgramOptions.FileHoverActive;
}

void TMainForm::Com_Statistics()
{
    ShowInfoMessage(
        StatisticsText(PictureCache.Count(),
                       FileSizeText(6, 0, static_cast<std::uint64_t>(PictureCache.GetSize())),
                       PathsHistory.count(),
                       FilesHistory.count()));
}

void TMainForm::OpenHelp(int context)
{
    TFunScope Fun(ThisUnit, "TMainForm::OpenHelp");
    Fun.Run([&] {
        const std::string page = HelpDirectory() + "help.html";
        if (!Platform::FileExists(page)) {
            Fun.Raise("Failed to open help.", page);
            return;
        }
        QUrl url = QUrl::fromLocalFile(QString::fromStdString(page));
        url.setFragment(QStringLiteral("ctx") + QString::number(context));
        if (!QDesktopServices::openUrl(url)) Fun.Raise("Failed to open help.", page);
    });
    Fun.ShowIfFailed("Failed to open help.");
}

void TMainForm::Com_Wizard()
{
    if (WizardForm->exec() == QDialog::Accepted) {
        const bool grew =
            WizardForm->ApplyChoices(ProgramOptions, Boards.Active(), VisibleColumnCount);
        Reset(grew);
        SetViewerHeight(true, 0);
        if (grew) LoadVisibleColumns();
    }
    FocusColumn(-1, false);
}

void TMainForm::Com_HelpMain()
{
    OpenHelp(100);
}

void TMainForm::Com_HelpKeyboardMouse()
{
    OpenHelp(301);
}

void TMainForm::Com_HelpOnline()
{
    TFunScope Fun(ThisUnit, "TMainForm::Com_HelpOnline");
    Fun.Run([&] {
        if (!QDesktopServices::openUrl(QUrl(QString::fromUtf8(OnlineHelpAddress))))
            Fun.Raise("Failed to open site.", OnlineHelpAddress);
    });
    Fun.ShowIfFailed("Failed to open site.");
}

void TMainForm::Com_About()
{
    AboutForm->exec();
}

void TMainForm::Com_SetVisibleColumns(int count)
{
    VisibleColumnCount = (count >= 1 && count <= 10) ? count : 2;
    Reset(true);
    LoadVisibleColumns();
    FocusColumn(-1, false);
}

void TMainForm::Com_InsertColumnAtEnd()
{
    const int end = GroupEnd(ActiveColumnIndex);
    if (end < VisibleColumnCount - 1) Columns[end + 1]->InsertColumn(false);
}

void TMainForm::Com_DeleteLastColumn()
{
    Columns[GroupEnd(ActiveColumnIndex)]->CutColumn();
}

void TMainForm::Com_InsertColumnHere()
{
    ActiveColumn().InsertColumn(true);
}

void TMainForm::Com_DeleteThisColumn()
{
    ActiveColumn().CutColumn();
}

void TMainForm::Com_RotateColumnsToRight()
{
    TColumn::Com_RotateColumnsToRight(*this);
}

void TMainForm::Com_RotateColumnsToLeft()
{
    TColumn::Com_RotateColumnsToLeft(*this);
}
