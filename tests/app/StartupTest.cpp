// The program's start-up run for real in child processes: two runs against one options folder
// with a person acting through the keyboard and the mouse, and the program file ended by the
// signals that ask a program to end.
//
// The parent creates no application object; each child runs the whole start-up, with every
// folder of the program (its own folder, home, XDG folders, temporary files) in a temporary
// directory, so neither the user's options nor the build folder are touched.
#include "app/Startup.h"

#include "Libraries/History.h"
#include "Libraries/Program.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"
#include "platform/qt/QtErrorWindow.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace fs = std::filesystem;

namespace {

// The variables that lead the program to its folders, with their place below the root.
const struct
{
    const char *Name;
    const char *Below;
} FolderVariables[] = {
    {"HOME", "home"},
    {"XDG_CONFIG_HOME", "config"},
    {"XDG_STATE_HOME", "state"},
    {"XDG_DATA_HOME", "data"},
    {"XDG_CACHE_HOME", "cache"},
    {"XDG_RUNTIME_DIR", "runtime"},
    {"TMPDIR", "tmp"},
};

// The program's folder below the root: writable, so once it holds "Options/" it is a portable
// copy and the options live there.
std::string ProgramFolder(const TTempDir &root)
{
    return root / "program/";
}

std::string OptionsFile(const TTempDir &root, const std::string &name)
{
    return ProgramFolder(root) + "Options/" + name;
}

// The options of a copy that is not portable: in the XDG configuration folder.
std::string ConfigOptionsFile(const TTempDir &root, const std::string &name)
{
    return root / ("config/Velmordian/" + name);
}

void MakeFolders(const TTempDir &root)
{
    for (const auto &variable : FolderVariables)
        fs::create_directories(root / variable.Below);
    fs::permissions(root / "runtime", fs::perms::owner_all);
    fs::create_directories(ProgramFolder(root));
}

// The environment of a run: the parent's, with the folders in the root and the offscreen screen.
std::vector<std::string> RunEnvironment(const TTempDir &root)
{
    std::vector<std::string> variables;
    const auto ours = [](const std::string &entry) {
        if (entry.rfind("QT_QPA_PLATFORM=", 0) == 0 || entry.rfind("XDG_", 0) == 0) return true;
        for (const auto &variable : FolderVariables)
            if (entry.rfind(std::string(variable.Name) + "=", 0) == 0) return true;
        return false;
    };
    for (char **entry = environ; *entry; ++entry)
        if (!ours(*entry)) variables.push_back(*entry);
    for (const auto &variable : FolderVariables)
        variables.push_back(std::string(variable.Name) + "=" + (root / variable.Below));
    variables.push_back("QT_QPA_PLATFORM=offscreen");
    return variables;
}

std::string ReadText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Far beyond what a run takes: the bound on a run that hangs, not a measure of speed.
constexpr unsigned HangSeconds = 120;

// A child's report: its exit code, or 128 + the signal that ended it.
int ExitCodeOf(int status)
{
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// What the person in a child found wrong, each line on the child's standard error.
int Failures = 0;

void Check(bool holds, const std::string &what)
{
    if (holds) return;
    ++Failures;
    std::fprintf(stderr, "Check failed in the child: %s\n", what.c_str());
}

std::function<void()> Person;
// The report of every error dialog the child's program showed; the person's stand-in answers
// each with Okay.
std::vector<std::string> ErrorReports;

// Answers an error dialog that waits in front of the main window.
bool AnswerErrorDialog()
{
    auto *dialog = dynamic_cast<TQtErrorWindow *>(QApplication::activeModalWidget());
    if (!dialog) return false;
    ErrorReports.push_back(dialog->MainMemo->toPlainText().toStdString());
    QTest::mouseClick(dialog->OkayButton, Qt::LeftButton);
    return true;
}

// As a person clicks the main window; the keys reach the window's own handling only then.
void BringMainWindowToFront()
{
    if (MainForm->isActiveWindow()) return;
    MainForm->activateWindow();
    // The offscreen screen hands the activation on by events.
    Check(QTest::qWaitFor([] { return MainForm->isActiveWindow(); }),
          "the main window becomes active");
}

// The person starts once the main window is up and no modal window is in the way.
void ActWhenUp()
{
    if (!MainForm || !MainForm->Initialised || !MainForm->isVisible() ||
        QApplication::activeModalWidget()) {
        AnswerErrorDialog();
        QTimer::singleShot(10, &ActWhenUp);
        return;
    }
    BringMainWindowToFront();
    Person();
}

// Runs in the application object's constructor, when timers can first be started.
void SchedulePerson()
{
    QTimer::singleShot(0, &ActWhenUp);
}

// Runs the program's start-up in a child process with its folders in the root, and the person
// acting in it. The child's exit code is the number of failed checks, or 100 when the program
// itself ended with another code than 0.
int RunInChild(const TTempDir &root, std::function<void()> person)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const std::vector<std::string> variables = RunEnvironment(root);
        ::clearenv();
        for (const std::string &variable : variables) {
            const auto equals = variable.find('=');
            ::setenv(variable.substr(0, equals).c_str(), variable.c_str() + equals + 1, 1);
        }
        // A run that hangs ends here instead of holding up the suite.
        ::alarm(HangSeconds);
        SetProgramDirectoryOverride(ProgramFolder(root));
        Person = std::move(person);
        qAddPreRoutine(&SchedulePerson);
        char name[] = "velmordian";
        char *argv[] = {name, nullptr};
        const int code = RunProgram(1, argv);
        std::fflush(nullptr);
        ::_exit(code != 0 ? 100 : Failures);
    }
    int status = 0;
    if (child < 0 || ::waitpid(child, &status, 0) != child) return -1;
    return ExitCodeOf(status);
}

MyTPanel *ActiveList()
{
    return MainForm->ActiveColumn().FileList;
}

// A key typed into the active list of the main window.
void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    BringMainWindowToFront();
    QTest::keyClick(ActiveList(), key, modifiers);
}

// Clicks the page of the options dialog that holds the check box, then the box's indicator at
// its left end.
void ClickOptionsCheckBox(const std::string &section, const std::string &key)
{
    QCheckBox *box = OptionsForm->CheckBoxOf(section, key);
    Check(box != nullptr, "the options dialog has a box for " + key);
    if (!box) return;
    QTabBar *tabs = OptionsForm->Pages->tabBar();
    for (int page = 0; page < OptionsForm->Pages->count(); ++page)
        if (OptionsForm->Pages->widget(page)->isAncestorOf(box))
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page).center());
    Check(box->isVisible(), "the page of " + key + " is shown");
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));
}

// Alt+F4, which ends the run; a window that stays open is closed all the same.
void CloseByKey()
{
    Key(Qt::Key_F4, Qt::AltModifier);
    Check(!MainForm->isVisible(), "Alt+F4 closes the main window");
    if (MainForm->isVisible()) MainForm->close();
}

std::string DocumentsFolder(const TTempDir &root)
{
    return root / "home/Documents/";
}

// The first run: a bar toggled by its key, an option changed in the options dialog, the second
// column moved into a folder, another board shown, the program closed by its key.
void ActInTheFirstRun(const TTempDir &root)
{
    Check(!ProgramOptions.ShowColumnInfo && !ProgramOptions.ShowGrid, "the defaults at start");
    Key(Qt::Key_F8, Qt::ShiftModifier);
    Check(ProgramOptions.ShowColumnInfo, "Shift+F8 shows the column info bar");

    QTimer::singleShot(0, [] {
        Check(OptionsForm && OptionsForm->isVisible(), "the options dialog is open");
        if (!OptionsForm) return;
        ClickOptionsCheckBox("FileList", "ShowGrid");
        QTest::mouseClick(OptionsForm->OkayButton, Qt::LeftButton);
    });
    Key(Qt::Key_O);
    Check(ProgramOptions.ShowGrid, "the options dialog's Okay applies \"Show grid\"");

    Key(Qt::Key_Right);
    Check(MainForm->ActiveColumnIndex == 1, "Right focuses the second column");
    Check(MainForm->ActiveColumn().ActiveTitle == DocumentsFolder(root) + "Projects",
          "the second column shows the documents with their only folder focused, not \"" +
              MainForm->ActiveColumn().ActiveTitle + "\"");
    Key(Qt::Key_End);
    Key(Qt::Key_Return);
    Check(MainForm->Columns[1]->ActiveTitle.rfind(DocumentsFolder(root) + "Projects/", 0) == 0,
          "Return enters the folder, not \"" + MainForm->Columns[1]->ActiveTitle + "\"");

    Key(Qt::Key_2);
    Check(MainForm->Boards.ActiveBoard == 1, "the key 2 shows the board \"Temp\"");
    CloseByKey();
}

// The second run: everything the first one changed is back; then the first board again.
void CheckInTheSecondRun(const TTempDir &root)
{
    const std::string projects = DocumentsFolder(root) + "Projects/";
    Check(!ProgramOptions.FirstRun, "FirstRun is false");
    Check(ProgramOptions.ShowColumnInfo, "the column info bar option is back");
    Check(MainForm->InfoBarsArea->isVisible(), "the column info bar is shown");
    Check(ProgramOptions.ShowGrid, "\"Show grid\" is back");
    Check(MainForm->Boards.ActiveBoard == 1, "the board \"Temp\" is active");
    Check(MainForm->windowTitle() == QStringLiteral("Velmordian - \"Temp\""), "the caption");
    Check(MainForm->Columns[0]->ActiveTitle.rfind(root / "tmp/", 0) == 0,
          "the board's first column shows the temporary folder, not \"" +
              MainForm->Columns[0]->ActiveTitle + "\"");
    Check(MainForm->Boards.Items[0].ActiveTitle[1].rfind(projects, 0) == 0,
          "the first board's second column is in the folder, not \"" +
              MainForm->Boards.Items[0].ActiveTitle[1] + "\"");
    int documents = -1;
    for (int i = 0; i < PathsHistory.count(); ++i)
        if (PathsHistory.Entry(i).title.rfind(DocumentsFolder(root), 0) == 0) documents = i;
    Check(documents >= 0, "the history of visited directories holds the documents");

    Key(Qt::Key_1);
    Check(MainForm->Boards.ActiveBoard == 0, "the key 1 shows the board \"Main\"");
    Check(MainForm->Columns[1]->ActiveTitle.rfind(projects, 0) == 0,
          "the second column is in the folder, not \"" + MainForm->Columns[1]->ActiveTitle + "\"");
    CloseByKey();
}

// Starts the program file copied into the root's program folder; -1 when it cannot start.
pid_t StartProgramFile(const TTempDir &root)
{
    const std::string program = ProgramFolder(root) + "velmordian";
    fs::copy_file(VELMORDIAN_PROGRAM_FILE, program, fs::copy_options::overwrite_existing);
    std::vector<std::string> variables = RunEnvironment(root);
    std::vector<char *> environment;
    for (std::string &variable : variables)
        environment.push_back(variable.data());
    environment.push_back(nullptr);
    // The signals start with their default actions, even when the tests run in the background
    // of a shell that ignores them.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults, none;
    sigemptyset(&defaults);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaddset(&defaults, signal);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    std::string name = program;
    char *argv[] = {name.data(), nullptr};
    pid_t child = -1;
    std::fflush(nullptr);
    const int failed =
        posix_spawn(&child, program.c_str(), nullptr, &attributes, argv, environment.data());
    posix_spawnattr_destroy(&attributes);
    return failed == 0 ? child : -1;
}

// True once the process catches the signal (its handler is installed just before the message
// loop starts); false when the process ended first or never came that far.
bool WaitUntilCaught(pid_t process, int signal)
{
    const unsigned long long bit = 1ull << (signal - 1);
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(HangSeconds);
    while (std::chrono::steady_clock::now() < giveUp) {
        int status = 0;
        if (::waitpid(process, &status, WNOHANG) != 0) return false;
        std::ifstream in("/proc/" + std::to_string(process) + "/status");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("SigCgt:", 0) == 0 && (std::stoull(line.substr(7), nullptr, 16) & bit))
                return true;
        ::usleep(20000);
    }
    ::kill(process, SIGKILL);
    ::waitpid(process, nullptr, 0);
    return false;
}

// Once the error dialog is open: what it shows is checked, then a person answers "&Okay".
void AnswerTheErrorDialog()
{
    QWidget *modal = QApplication::activeModalWidget();
    auto *window = dynamic_cast<TQtErrorWindow *>(modal);
    if (!window) {
        // The plain message box stands in when the error dialog is gone.
        Check(!modal, "the error dialog opens, not another window");
        if (modal) QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
        QTimer::singleShot(10, &AnswerTheErrorDialog);
        return;
    }
    const std::string memo = window->MainMemo->toPlainText().toStdString();
    Check(memo.find("Failed to perform.") != std::string::npos, "the message, not " + memo);
    Check(memo.find("Unhandled exception: The start-up broke.") != std::string::npos,
          "the escaped failure in the report, not " + memo);
    QTest::mouseClick(window->OkayButton, Qt::LeftButton);
}

// A failure that escapes the guarded start-up once every dialog exists.
void FailOnceTheDialogsExist()
{
    QTimer::singleShot(0, &AnswerTheErrorDialog);
    throw std::runtime_error("The start-up broke.");
}

} // namespace

TEST(StartupTest, OptionsColumnsBoardsAndHistoriesComeBackInTheNextRun)
{
    TTempDir root;
    MakeFolders(root);
    fs::create_directories(DocumentsFolder(root) + "Projects");
    // Not a fresh installation: the wizard stays closed.
    fs::create_directories(ProgramFolder(root) + "Options");
    std::ofstream(OptionsFile(root, "Velmordian.ini")) << "[Main]\r\nFirstRun=FALSE\r\n";

    ASSERT_EQ(RunInChild(root, [&] { ActInTheFirstRun(root); }), 0);
    const std::string text = ReadText(OptionsFile(root, "Velmordian.ini"));
    EXPECT_NE(text.find("ShowGrid=TRUE\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("ActiveBoard=1\r\n"), std::string::npos) << text;
    EXPECT_TRUE(fs::exists(OptionsFile(root, "Velmordian.vdo")));

    EXPECT_EQ(RunInChild(root, [&] { CheckInTheSecondRun(root); }), 0);
    EXPECT_NE(ReadText(OptionsFile(root, "Velmordian.ini")).find("ActiveBoard=0\r\n"),
              std::string::npos);
}

TEST(StartupTest, TheSignalsThatAskToEndCloseTheProgramWhichSavesItsOptions)
{
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(strsignal(signal));
        TTempDir root;
        MakeFolders(root);
        const pid_t program = StartProgramFile(root);
        ASSERT_GT(program, 0);
        if (!WaitUntilCaught(program, signal)) {
            ADD_FAILURE() << "The program did not come up to catching the signal.";
            continue;
        }
        ASSERT_EQ(::kill(program, signal), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(program, &status, 0), program);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(ExitCodeOf(status), 0);
        // A fresh installation: the first run wrote the options text file and the data file.
        EXPECT_NE(ReadText(ConfigOptionsFile(root, "Velmordian.ini")).find("FirstRun=FALSE\r\n"),
                  std::string::npos);
        EXPECT_TRUE(fs::exists(ConfigOptionsFile(root, "Velmordian.vdo")));
    }
}

TEST(StartupTest, OnlyAWritableFolderThatHoldsOptionsIsAPortableCopy)
{
    for (const bool portable : {false, true}) {
        SCOPED_TRACE(portable ? "with Options/" : "without Options/");
        TTempDir root;
        MakeFolders(root);
        if (portable) fs::create_directories(ProgramFolder(root) + "Options");
        const pid_t program = StartProgramFile(root);
        ASSERT_GT(program, 0);
        ASSERT_TRUE(WaitUntilCaught(program, SIGTERM));
        ASSERT_EQ(::kill(program, SIGTERM), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(program, &status, 0), program);
        EXPECT_EQ(ExitCodeOf(status), 0);
        for (const char *name : {"Velmordian.ini", "Velmordian.vdo"}) {
            EXPECT_EQ(fs::exists(OptionsFile(root, name)), portable) << name;
            EXPECT_EQ(fs::exists(ConfigOptionsFile(root, name)), !portable) << name;
        }
        EXPECT_EQ(fs::exists(ProgramFolder(root) + "Plugins"), portable);
        EXPECT_EQ(fs::exists(root / "data/Velmordian/Plugins"), !portable);
        EXPECT_EQ(fs::exists(ProgramFolder(root) + "Options"), portable)
            << "a folder that is not portable gets no options";
    }
}

TEST(StartupTest, ADamagedOptionsDataFileIsKeptAsBadBeforeTheCloseSavesOverIt)
{
    TTempDir root;
    MakeFolders(root);
    fs::create_directories(ProgramFolder(root) + "Options");
    std::ofstream(OptionsFile(root, "Velmordian.ini")) << "[Main]\r\nFirstRun=FALSE\r\n";
    ASSERT_EQ(RunInChild(root, [] { CloseByKey(); }), 0);
    const std::string data = OptionsFile(root, "Velmordian.vdo");
    std::string damaged = ReadText(data);
    ASSERT_GT(damaged.size(), 48u);
    damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x10);
    std::ofstream(data, std::ios::binary | std::ios::trunc) << damaged;

    EXPECT_EQ(RunInChild(root,
                         [&] {
                             Check(ErrorReports.size() == 1, "one error dialog at the start");
                             const std::string report = ErrorReports.empty() ? "" : ErrorReports[0];
                             Check(report.find("Failed to load. Data is probably corrupted.") !=
                                       std::string::npos,
                                   "the load's message, not \"" + report + "\"");
                             Check(report.find("Invalid integrity check.") != std::string::npos,
                                   "the cause");
                             Check(report.find(
                                       "The damaged file will be kept as \"" + ProgramFolder(root) +
                                       "Options/Velmordian.vdo.bad\".") != std::string::npos,
                                   "the message says where the damaged file goes");
                             CloseByKey();
                         }),
              0);
    EXPECT_EQ(ReadText(data + ".bad"), damaged);
    EXPECT_NE(ReadText(data), damaged);
    // The file the close wrote loads without a word.
    EXPECT_EQ(RunInChild(root,
                         [] {
                             Check(ErrorReports.empty(), "no error dialog");
                             CloseByKey();
                         }),
              0);
    EXPECT_EQ(ReadText(data + ".bad"), damaged);
}

TEST(StartupTest, AFailureThatEscapesTheStartUpIsShownByAnErrorDialogThatStillExists)
{
    TTempDir root;
    MakeFolders(root);
    fs::create_directories(ProgramFolder(root) + "Options");
    std::ofstream(OptionsFile(root, "Velmordian.ini")) << "[Main]\r\nFirstRun=FALSE\r\n";
    OnDialogsCreated = &FailOnceTheDialogsExist;
    const int code = RunInChild(root, [] {});
    OnDialogsCreated = nullptr;
    EXPECT_EQ(code, 0) << "0: shown and answered; 100: the run ended with another code; "
                          "128 and more: a signal ended it";
}
