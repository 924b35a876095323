// The main window: caption, areas, bars, keys, menus, the installer test and the exception hook.
#include "app/MainDialog.h"

#include "Libraries/File.h"
#include "app/Column.h"
#include "Libraries/History.h"
#include "Libraries/HistoryDialog.h"
#include "Libraries/Install.h"
#include "Libraries/PictureCache.h"
#include "Libraries/ShiftStateUi.h"
#include "Libraries/Program.h"
#include "app/OptionsDialog.h"
#include "app/WizardDialog.h"
#include "platform/SettingsStore.h"
#include "platform/System.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QFontMetrics>
#include <QImage>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <memory>
#include <stdexcept>

class MainDialogTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        Saved = ProgramOptions;
        UsePortableProgramFolder(Home.Path());
        Form = std::make_unique<TMainForm>();
        Form->resize(1000, 700);
        Form->StartMainForm();
    }
    void TearDown() override
    {
        Form.reset();
        ProgramOptions = Saved;
        SetProgramDirectoryOverride("");
        TStatusTest::TearDown();
    }
    bool Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QKeyEvent event(QEvent::KeyPress, key, modifiers);
        return Form->FormKeyDown(&event);
    }
    TTempDir Home;
    std::unique_ptr<TMainForm> Form;
    TProgramOptions Saved;
};

TEST_F(MainDialogTest, StartsWithTheBoardCaptionToolbarTwoColumnsAndBars)
{
    EXPECT_EQ(Form->windowTitle().toStdString(), "Velmordian - \"Main\"");
    EXPECT_TRUE(ShownErrors().empty());
    EXPECT_TRUE(Form->Initialised);
    EXPECT_FALSE(Form->IsBusy());
    EXPECT_EQ(Form->VisibleColumnCount, 2);
    EXPECT_EQ(Form->WorkButton->Caption(), "Work");
    EXPECT_EQ(Form->HelpButton->Caption(), "Help");
    EXPECT_TRUE(Form->Columns[0]->ColumnPanel->isVisibleTo(Form.get()));
    EXPECT_TRUE(Form->Columns[1]->ColumnPanel->isVisibleTo(Form.get()));
    EXPECT_FALSE(Form->Columns[2]->ColumnPanel->isVisibleTo(Form.get()));
    EXPECT_EQ(Form->Columns[0]->ColumnPanel->width() + Form->Columns[1]->ColumnPanel->width(),
              Form->ColumnsArea->width());
    EXPECT_TRUE(Form->HintBar->isVisibleTo(Form.get()));
    EXPECT_EQ(Form->minimumSize(), QSize(300, 200));
    // Toolbar buttons: 45, 55, 50 and 45 times the text scale of 1.4 for oval buttons.
    EXPECT_EQ(Form->WorkButton->width(), 63);
    EXPECT_EQ(Form->BoardsButton->width(), 77);
    EXPECT_EQ(Form->BoardsButton->x(), Form->WorkButton->x() + 63);
}

TEST_F(MainDialogTest, InformationBarsAndTheirFields)
{
    EXPECT_FALSE(Form->InfoBarsArea->isVisibleTo(Form.get()));
    Press(Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_TRUE(ProgramOptions.ShowColumnInfo);
    EXPECT_TRUE(Form->InfoBarsArea->isVisibleTo(Form.get()));
    EXPECT_EQ(Form->InfoFields[0].size(), 7u);
    EXPECT_EQ(InfoBarFieldWidths({10, 13, 13, 16, 16, 18}, 1000),
              (std::vector<int>{100, 130, 130, 160, 160, 180, 140}));
    EXPECT_EQ(InfoBarFieldWidths({}, 77), std::vector<int>{77});
    Press(Qt::Key_F8, Qt::ShiftModifier);
    EXPECT_FALSE(Form->InfoBarsArea->isVisibleTo(Form.get()));
    Press(Qt::Key_F8);
    EXPECT_FALSE(ProgramOptions.ShowHintBar);
    EXPECT_FALSE(Form->HintBar->isVisibleTo(Form.get()));
}

TEST_F(MainDialogTest, SidePanelsStayWithinTheirShareOfANarrowWindow)
{
    Form->Boards.Active().ShowTreeNavigator = true;
    Form->Boards.Active().ShowPlayList = true;
    Form->resize(300, 200);
    Form->Reset(false);
    EXPECT_EQ(Form->TreeNavigatorPanel->width(), 135);
    EXPECT_EQ(Form->PlayListPanel->width(), 105);
    EXPECT_EQ(Form->CentreArea->width(), 60);
}

TEST_F(MainDialogTest, VisibleColumnsAndTheInvalidCount)
{
    Form->Com_SetVisibleColumns(5);
    EXPECT_EQ(Form->VisibleColumnCount, 5);
    EXPECT_TRUE(Form->Columns[4]->ColumnPanel->isVisibleTo(Form.get()));
    Form->Com_SetVisibleColumns(11);
    EXPECT_EQ(Form->VisibleColumnCount, 2);

    const int width = Form->Columns[0]->ColumnPanel->width();
    Form->VisibleColumnCount = 0;
    Form->Reset(false);
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"Invalid number of columns."});
    EXPECT_EQ(Form->Columns[0]->ColumnPanel->width(), width);
}

TEST_F(MainDialogTest, KeysClickTheirMenuItems)
{
    EXPECT_TRUE(Press(Qt::Key_Shift));
    EXPECT_TRUE(Press(Qt::Key_F8, Qt::AltModifier));
    EXPECT_TRUE(ProgramOptions.ShowBoardsBar);
    EXPECT_TRUE(Form->BoardButtonsBar->isVisibleTo(Form.get()));
    // The password generator is present but disabled: its key does nothing.
    ASSERT_NE(Form->MenuItem("Password generator"), nullptr);
    EXPECT_FALSE(Form->MenuItem("Password generator")->isEnabled());
    EXPECT_FALSE(Form->ClickMenuItem("Password generator"));
    EXPECT_TRUE(Form->MenuItem("Options")->isEnabled());
    const bool playList = Form->Boards.Active().ShowPlayList;
    Press(Qt::Key_F7);
    EXPECT_NE(Form->Boards.Active().ShowPlayList, playList);
    Press(Qt::Key_Right, Qt::AltModifier);
    EXPECT_TRUE(ShownErrors().empty());
    EXPECT_FALSE(Press(Qt::Key_Q));
}

TEST_F(MainDialogTest, StatisticsText)
{
    PathsHistory.Clear();
    FilesHistory.Clear();
    for (const char *title : {"/d1/f", "/d2/f", "/d3/f"})
        PathsHistory.AddPath(title, 0, true, true, 0, 0);
    FilesHistory.AddFile(Home.Path() + "/notes.txt", true);
    // Thumbnails of 100 x 50 and 50 x 25 pixels in the program's cache.
    QImage picture(200, 100, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(QString::fromStdString(Home / "wide.png")));
    QImage canvas(300, 300, QImage::Format_RGB32);
    {
        QPainter painter(&canvas);
        int height = 0, width = 0, scale = 0;
        for (const int side : {100, 50})
            PictureCache.Load(nullptr,
                              painter,
                              {},
                              {},
                              false,
                              false,
                              0,
                              false,
                              height,
                              width,
                              scale,
                              false,
                              -1,
                              false,
                              1,
                              1,
                              Home / "wide.png",
                              2,
                              QRect(0, 0, side, side),
                              true,
                              -1,
                              false,
                              NoColorRef,
                              0,
                              0xFFFFFF);
    }
    Form->ClickMenuItem("Statistics");
    PathsHistory.Clear();
    FilesHistory.Clear();
    PictureCache.Clear();
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Caption, "Message");
    EXPECT_EQ(Boxes.Shown[0].Text,
              "Thumbnail picture cache:\n    * Pictures: 2\n    * Size: 24.4 KB\n\nNavigation "
              "history:\n    * Visited directories: 3\n    * Launched files: 1");
}

namespace {

// A main window that the window system refuses to show again once Refuse is set.
class TRefusingMainForm : public TMainForm
{
public:
    bool Refuse = false;
    void setVisible(bool visible) override
    {
        if (Refuse && visible) throw std::runtime_error("The window system refused the window.");
        TMainForm::setVisible(visible);
    }
};

// Shows the page of the options dialog that holds the box, then clicks the box's indicator.
void ClickOptionsCheckBox(TOptionsForm &dialog, const std::string &section, const std::string &key)
{
    QCheckBox *box = dialog.CheckBoxOf(section, key);
    ASSERT_NE(box, nullptr);
    QTabBar *tabs = dialog.Pages->tabBar();
    for (int page = 0; page < dialog.Pages->count(); ++page)
        if (dialog.Pages->widget(page)->isAncestorOf(box))
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page).center());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));
}

} // namespace

TEST_F(MainDialogTest, AFailureInTheOptionsDialogIsShownAndItsAnswerIsFalseWhateverTheUserSays)
{
    Form.reset();
    auto form = std::make_unique<TRefusingMainForm>();
    form->resize(1000, 700);
    form->StartMainForm();
    // Not a first run: the wizard stays closed when the window is activated.
    ProgramOptions.FirstRun = false;
    form->show();
    ProgramOptions.StayOnTop = false;
    for (const TErrorWindowResult answer : {TErrorWindowResult::Okay, TErrorWindowResult::Cancel}) {
        SCOPED_TRACE(answer == TErrorWindowResult::Okay ? "Okay" : "Cancel");
        Window.Result = answer;
        form->Refuse = false;
        form->setWindowFlag(Qt::WindowStaysOnTopHint, false);
        form->show();
        TOptionsForm dialog(form.get());
        bool toggled = false;
        QTimer::singleShot(0, &dialog, [&] {
            ClickOptionsCheckBox(dialog, "Main", "StayOnTop");
            toggled = dialog.CheckBoxOf("Main", "StayOnTop")->isChecked();
            // Applying "Stay on top" shows the window again, which now fails.
            form->Refuse = true;
            QTest::mouseClick(dialog.OkayButton, Qt::LeftButton);
        });
        bool showTreeNavigator = false;
        EXPECT_FALSE(dialog.Dialog(showTreeNavigator));
        EXPECT_TRUE(toggled);
        form->Refuse = false;
        ProgramOptions.StayOnTop = false;
    }
    ASSERT_EQ(ShownErrors().size(), 2u);
    EXPECT_EQ(ShownErrors()[0], "Failed to show options.");
    EXPECT_NE(Window.Memos[0].find("The window system refused the window."), std::string::npos);
}

TEST(CaptionMemoryTest, AmountsAreSizeTextsAroundTheEndOfAUnit)
{
    struct TCase
    {
        std::uint64_t Bytes;
        const char *Text;
    };
    const std::uint64_t mb = 1ull << 20;
    // 999.4, 999.5, 1000, 1023.9 and 1023.97 KB, MB and GB.
    const TCase cases[] = {
        {1023386, "999.4 KB"},
        {1023488, "999.5 KB"},
        {1024000, "1,000.0 KB"},
        {1048474, "1,023.9 KB"},
        {1048545, "1.0 MB"},
        {999 * mb + mb / 2, "999.5 MB"},
        {1000 * mb, "1,000.0 MB"},
        {1024 * mb - mb / 32, "1.0 GB"},
        {(1024 * mb - mb / 32) * 1024, "1.0 TB"},
        {8 * 1024 * mb - 300 * mb, "7.7 GB"},
    };
    const bool saved = FileUnitLoader.sizesInUnits;
    FileUnitLoader.sizesInUnits = true;
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(MemoryText(c.Bytes), c.Text);
    }
    FileUnitLoader.sizesInUnits = saved;
}

TEST_F(MainDialogTest, CaptionWithSystemInformation)
{
    ProgramOptions.ShowSystemInfo = true;
    const std::string caption = Form->CaptionText();
    EXPECT_EQ(caption.rfind("Velmordian - \"Main\" | ", 0), 0u);
    EXPECT_NE(caption.find(" | RAM "), std::string::npos);
    // The total is the size text with three significant digits; the available amount changes.
    std::uint64_t available = 0, total = 0;
    ASSERT_TRUE(Platform::PhysicalMemory(available, total));
    const std::string totalText = " (" + FileSizeText(3, 0, total) + ")";
    ASSERT_GE(caption.size(), totalText.size());
    EXPECT_EQ(caption.substr(caption.size() - totalText.size()), totalText) << caption;
    Form->Boards.ActiveBoard = 25;
    ProgramOptions.ShowSystemInfo = false;
    EXPECT_EQ(Form->CaptionText(), "Velmordian - \"26\"");
}

TEST(InstallerModeTest, ProgramNameOrUninstallParameter)
{
    struct TCase
    {
        const char *Program, *Parameter;
        bool Installer;
    };
    const TCase cases[] = {{"/opt/kit/Install", "", true},
                           {"INSTALL", "", true},
                           {"/usr/bin/velmordian", "", false},
                           {"/usr/bin/Installer", "", false},
                           {"/usr/bin/velmordian", "/Uninstall", true},
                           {"velmordian", "--UNINSTALL", true},
                           {"velmordian", "/home/ann/Uninstall", false}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::string(c.Program) + " " + c.Parameter);
        EXPECT_EQ(IsInstallerMode(c.Program, c.Parameter), c.Installer);
    }
    TInstallForm uninstall(true);
    uninstall.Setup("Velmordian", "File manager", "Version 8.0.7, released on 19.03.2008");
    EXPECT_EQ(uninstall.windowTitle().toStdString(), "Uninstall Velmordian");
    TInstallForm install(false);
    install.Setup("Velmordian", "File manager", "Version 8.0.7, released on 19.03.2008");
    EXPECT_EQ(install.windowTitle().toStdString(), "Install Velmordian");
}

namespace {
// An object whose event handler fails the way a careless handler would.
class TThrowingObject : public QObject
{
public:
    bool event(QEvent *event) override
    {
        if (event->type() == QEvent::User) throw std::runtime_error("handler failed");
        return QObject::event(event);
    }
};
} // namespace

TEST_F(MainDialogTest, ExceptionInAnEventHandlerIsReportedAndTheProgramGoesOn)
{
    TThrowingObject object;
    QCoreApplication::postEvent(&object, new QEvent(QEvent::User));
    QCoreApplication::processEvents();
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"Unhandled error."});
    EXPECT_NE(Window.Memos.at(0).find("handler failed"), std::string::npos);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    Press(Qt::Key_F8);
    EXPECT_FALSE(ProgramOptions.ShowHintBar);
}

TEST_F(MainDialogTest, StartCreatesTheProgramFoldersAndReportsOnesItCannot)
{
    for (const char *folder : {"Plugins", "Options", "Options/Containers", "Options/Locations",
                               "Options/Send", "Options/SendDrag", "Options/Tools", "Options/Skins",
                               "Options/BackPictures"})
        EXPECT_TRUE(std::filesystem::is_directory(Home / folder)) << folder;
    EXPECT_EQ(Form->OptionsFilesDirectory, Home / "Options/");

    // A file where a folder should be: reported, and the start goes on.
    std::filesystem::remove_all(Home / "Options/Skins");
    Home.WriteFile("Options/Skins", "not a folder");
    Form.reset();
    Form = std::make_unique<TMainForm>();
    Form->StartMainForm();
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"Failed to create a folder of the program."});
    EXPECT_TRUE(Form->Initialised);
    EXPECT_TRUE(std::filesystem::is_directory(Home / "Options/BackPictures"));
}

TEST_F(MainDialogTest, WizardChoicesEachApplyOneChange)
{
    TWizardForm &wizard = *Form->WizardForm;
    TProgramOptions options;
    TBoardData board;
    int columns = 2;
    EXPECT_FALSE(wizard.ApplyChoices(options, board, columns));
    EXPECT_TRUE(options.ShowHintBar);
    EXPECT_TRUE(options.FileHoverActive);
    EXPECT_EQ(columns, 2);

    for (QCheckBox *box : {wizard.HideHintBarCheckBox, wizard.ShowThreeColumnsCheckBox,
                           wizard.DeactivateFileHoverCheckBox, wizard.ShowTreeNavigatorCheckBox,
                           wizard.ActivateHotTrackCheckBox})
        box->setChecked(true);
    EXPECT_TRUE(wizard.ApplyChoices(options, board, columns));
    EXPECT_FALSE(options.ShowHintBar);
    EXPECT_FALSE(options.FileHoverActive);
    EXPECT_TRUE(options.HotTrackColumnItems);
    EXPECT_TRUE(board.ShowTreeNavigator);
    EXPECT_FALSE(options.ShowBoardsBar);
    EXPECT_EQ(columns, 3);
    EXPECT_FALSE(wizard.ApplyChoices(options, board, columns)) << "3 columns already";
}

TEST_F(MainDialogTest, OptionsPathFromTheSettingsStoreWithItsFallback)
{
    TTempDir config;
    setenv("XDG_CONFIG_HOME", config.Path().c_str(), 1);
    std::filesystem::create_directory(config / "marked");
    ASSERT_TRUE(Platform::SettingsStoreWrite("Software\\Velmordian\\", "OptionsPath", config / "gone/"));
    Form->FormCloseQuery();
    EXPECT_EQ(Form->OptionsFilesDirectory, Home / "Options/");
    // Marked while the program runs: taken at the close.
    ASSERT_TRUE(Platform::SettingsStoreWrite("Software\\Velmordian\\", "OptionsPath", config / "marked/"));
    Form->FormCloseQuery();
    EXPECT_EQ(Form->OptionsFilesDirectory, config / "marked/");
    unsetenv("XDG_CONFIG_HOME");
}

TEST(ShiftStateTest, QtModifiersAndButtons)
{
    const TShiftState state = ShiftStateOf(Qt::ControlModifier | Qt::ShiftModifier, Qt::LeftButton, true);
    EXPECT_TRUE(ShiftHas(state, ssDouble));
    EXPECT_FALSE(ShiftIsOnlyPair(state, ssCtrl, ssShift)) << "the double click is part of it";
    EXPECT_TRUE(ShiftIsOnlyPair(ShiftStateOf(Qt::ControlModifier | Qt::ShiftModifier, Qt::LeftButton), ssCtrl, ssShift));
    EXPECT_TRUE(ShiftIsEmpty(ShiftStateOf(Qt::NoModifier, Qt::RightButton)));
}

TEST_F(MainDialogTest, HistoryMenuListsTheTwentyNewestDirectoriesNewestFirst)
{
    PathsHistory.Clear();
    for (int i = 0; i < 25; ++i) PathsHistory.AddPath("/d" + std::to_string(i) + "/f", 0, true, true, 0, 0);
    THistoryDialog dialog(PathsHistory);
    std::string chosen;
    dialog.OnSelect = [&](const std::string &title, std::int32_t, std::int64_t, std::int32_t) { chosen = title; };
    QMenu menu;
    dialog.Setup(&menu);
    ASSERT_EQ(menu.actions().size(), 20);
    EXPECT_EQ(menu.actions().front()->text().toStdString(), "/d24/");
    EXPECT_EQ(menu.actions().back()->text().toStdString(), "/d5/");
    menu.actions().front()->trigger();
    EXPECT_EQ(chosen, "/d24/f");
    PathsHistory.Clear();
}

TEST_F(MainDialogTest, TheHintBarBreaksALongHintIntoItsLines)
{
    ProgramOptions.ShowHintBar = true;
    ProgramOptions.HintLines = 3;
    Form->show();
    Form->Reset(false);
    MyTPanel *bar = Form->HintBar;
    ASSERT_TRUE(bar->isVisible());
    const auto shot = [&](const std::string &hint) {
        MyTPanel::OnHint(hint);
        return bar->grab().toImage();
    };
    const QImage blank = shot("");
    std::string hint;
    const QFontMetrics metrics(bar->PanelFont());
    while (metrics.horizontalAdvance(QString::fromStdString(hint)) < 2 * bar->width())
        hint += "Hint words wrap between them. ";
    const QImage written = shot(hint);
    ASSERT_EQ(blank.size(), written.size());
    // Rows of pixels the text changed, by text line.
    const int line = bar->TextHeight();
    bool inked[3] = {};
    for (int y = bar->BorderWidth; y < bar->BorderWidth + 3 * line && y < blank.height(); ++y)
        for (int x = 0; x < blank.width(); ++x)
            if (blank.pixel(x, y) != written.pixel(x, y)) inked[(y - bar->BorderWidth) / line] = true;
    EXPECT_TRUE(inked[0]);
    EXPECT_TRUE(inked[1]) << "the hint goes on in the second line";
    EXPECT_EQ(bar->Caption(), hint);
}

// The window's key table driven by real key events.
#include <QDesktopServices>
#include <QTextBrowser>
#include <QtTest/QTest>

namespace {
// Records the keys that reach the object it watches.
class TKeyRecorder : public QObject
{
public:
    std::vector<int> Keys;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress)
            Keys.push_back(static_cast<QKeyEvent *>(event)->key());
        return false;
    }
};
} // namespace

TEST_F(MainDialogTest, WindowKeysActOrGoOnToTheControls)
{
    ProgramOptions.FirstRun = false;
    Form->show();
    Form->activateWindow();
    Form->FocusColumn(0, true);
    QCoreApplication::processEvents();
    if (!Form->isActiveWindow()) GTEST_SKIP() << "the platform activates no window";
    MyTPanel *list = Form->ActiveColumn().FileList;
    TKeyRecorder recorder;
    list->installEventFilter(&recorder);
    std::filesystem::create_directories(Home / "Help");
    Home.WriteFile("Help/help.html", "<html><body><a name=\"ctx100\">Main</a></body></html>");
    QTextBrowser opened;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &opened, "setSource");

    struct TCase
    {
        const char *Name;
        int Key;
        Qt::KeyboardModifiers Modifiers;
        bool Taken;
    };
    const TCase cases[] = {
        // Keys whose items have no command yet go on to the list.
        {"R", Qt::Key_R, Qt::NoModifier, false},
        {"Z", Qt::Key_Z, Qt::NoModifier, false},
        {"Ctrl+Z", Qt::Key_Z, Qt::ControlModifier, false},
        {"F9", Qt::Key_F9, Qt::NoModifier, false},
        {"Space", Qt::Key_Space, Qt::NoModifier, false},
        {"Shift+Space", Qt::Key_Space, Qt::ShiftModifier, false},
        {"-", Qt::Key_Minus, Qt::NoModifier, false},
        {"=", Qt::Key_Equal, Qt::NoModifier, false},
        {"[", Qt::Key_BracketLeft, Qt::NoModifier, false},
        {"]", Qt::Key_BracketRight, Qt::NoModifier, false},
        // Keys whose items exist act and are taken.
        {"Alt+F1", Qt::Key_F1, Qt::AltModifier, true},
        {"F8", Qt::Key_F8, Qt::NoModifier, true},
        {"Ctrl+B", Qt::Key_B, Qt::ControlModifier, true},
        {"H", Qt::Key_H, Qt::NoModifier, true},
        {"Shift+Esc", Qt::Key_Escape, Qt::ShiftModifier, true},
        {"Ctrl+F7", Qt::Key_F7, Qt::ControlModifier, true},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        recorder.Keys.clear();
        QTest::keyClick(list, static_cast<Qt::Key>(c.Key), c.Modifiers);
        EXPECT_EQ(recorder.Keys, c.Taken ? std::vector<int>{} : std::vector<int>{c.Key});
    }
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    list->removeEventFilter(&recorder);

    // Alt+F1 opened the main window's help page; F8 hid the hint bar; Ctrl+B marked the column.
    EXPECT_EQ(opened.source().fileName().toStdString(), "help.html");
    EXPECT_EQ(opened.source().fragment().toStdString(), "ctx100");
    EXPECT_FALSE(ProgramOptions.ShowHintBar);
    EXPECT_TRUE(Form->InterBoard.Marked);
    EXPECT_TRUE(ShownErrors().empty());
}

// ---- Changes made by other programs --------------------------------------------------------

class DirectoryChangeTest : public MainDialogTest
{
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        ProgramOptions.FirstRun = false;
        std::filesystem::create_directories(Dir / "sub");
        Dir.WriteFile("a.txt", "a");
        Form->BusyCount = 0;
        Form->Initialised = true;
        Form->show();
        Form->Reset(false);
        Show(0);
        Show(1);
    }
    void TearDown() override
    {
        TDirectoryMonitor::PartitionTypeOf = SavedType;
        MainDialogTest::TearDown();
    }
    TColumn &Col(int i) { return *Form->Columns[i]; }
    void Show(int i) { Col(i).LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, Dir / "a.txt"); }
    // The periodic check, with the active list holding the focus as when the user works in it.
    void Check()
    {
        Form->ActiveColumnIndex = 0;
        QApplication::setActiveWindow(Form.get());
        Col(0).FileList->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(Col(0).FileList->hasFocus());
        Form->CheckDirMonitor(false);
    }
    // Another program's change.
    void Outside(const std::string &command) { ASSERT_EQ(std::system(command.c_str()), 0); }
    bool Lists(int i, const char *name) { return Col(i).IndexOfName(name) >= 0; }
    TTempDir Dir;
    std::function<int(const std::string &)> SavedType = TDirectoryMonitor::PartitionTypeOf;
};

TEST_F(DirectoryChangeTest, AChangeMarksEveryColumnOfTheDirectoryAndTheActivationReadsItOnce)
{
    Check();
    EXPECT_FALSE(Col(0).HeaderButton->StrikeOut);
    Outside("touch '" + Dir / "new.txt" + "'");
    Check();
    EXPECT_TRUE(Col(0).HeaderButton->StrikeOut);
    EXPECT_TRUE(Col(1).HeaderButton->StrikeOut);
    EXPECT_FALSE(Lists(0, "new.txt")) << "marked only, not read";
    // Coming back to the program reads the first column and gives its list to the second.
    Form->ReloadOnNextCheck = true;
    Check();
    EXPECT_TRUE(Lists(0, "new.txt"));
    EXPECT_TRUE(Lists(1, "new.txt"));
    EXPECT_FALSE(Col(0).HeaderButton->StrikeOut);
    EXPECT_FALSE(Col(1).HeaderButton->StrikeOut);
    // A change inside a subdirectory is not the directory's.
    Outside("touch '" + Dir / "sub/inner.txt" + "'");
    Check();
    EXPECT_FALSE(Col(0).HeaderButton->StrikeOut);
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(DirectoryChangeTest, ARemovablePartitionIsLookedAtOnlyOnActivation)
{
    TDirectoryMonitor::PartitionTypeOf = [](const std::string &) { return static_cast<int>(ptRemovable); };
    for (int i = 0; i < 2; ++i) {
        Col(i).DirMonitor.Stop();
        Show(i);
    }
    Check();
    Outside("touch '" + Dir / "late.txt" + "'");
    Check();
    EXPECT_FALSE(Col(0).HeaderButton->StrikeOut);
    Form->ReloadOnNextCheck = true;
    Check();
    EXPECT_TRUE(Lists(0, "late.txt"));
    EXPECT_TRUE(Lists(1, "late.txt"));
}

TEST_F(DirectoryChangeTest, ARemovedDirectoryGivesWayToItsParentAtActivation)
{
    std::filesystem::create_directories(Dir / "sub/deep");
    Dir.WriteFile("sub/deep/f.txt", "f");
    Col(0).LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, Dir / "sub/deep/f.txt");
    const std::string shown = ExtractDirectory(Col(0).ActiveTitle);
    Check(); // the window's first activation reads everything once
    Outside("rm -r '" + Dir / "sub" + "'");
    Check();
    EXPECT_TRUE(Col(0).HeaderButton->StrikeOut);
    Form->ReloadOnNextCheck = true;
    Check();
    EXPECT_NE(ExtractDirectory(Col(0).ActiveTitle), shown);
    EXPECT_EQ(ExtractDirectory(Col(0).ActiveTitle).rfind(Dir.Path(), 0), 0u);
    EXPECT_TRUE(ShownErrors().empty());
}
