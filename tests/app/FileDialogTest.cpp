// The file operation dialog on real trees: the operations, filters and prefixes, the overwrite
// choices, the questions before the performing pass, cancelling, and what a failure leaves.
#include "app/FileDialog.h"

#include "Libraries/File.h"
#include "Libraries/Program.h"
#include "app/Column.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"
#include "app/OverwriteDialog.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QClipboard>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::vector<std::string> TreeOf(const std::string &root)
{
    std::vector<std::string> entries;
    if (!fs::exists(root)) return entries;
    for (const auto &entry : fs::recursive_directory_iterator(root))
        entries.push_back(fs::relative(entry.path(), root).string() + (entry.is_directory() ? "/" : ""));
    std::sort(entries.begin(), entries.end());
    return entries;
}

std::string XattrOf(const std::string &path, const char *name)
{
    char value[256] = {};
    const ssize_t got = getxattr(path.c_str(), name, value, sizeof value);
    return got < 0 ? std::string("<none>") : std::string(value, static_cast<std::size_t>(got));
}

void SetModified(const std::string &path, std::time_t seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

std::uint64_t InodeOf(const std::string &path)
{
    struct stat info{};
    return stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

// Clicks a button of the modal dialog on top as soon as the event loop runs.
void ClickLater(const QString &caption)
{
    QTimer::singleShot(0, [caption] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal) return;
        for (QPushButton *button : modal->findChildren<QPushButton *>())
            if (button->text() == caption && button->isEnabled()) {
                QTest::mouseClick(button, Qt::LeftButton);
                return;
            }
    });
}

} // namespace

class FileDialogTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        SetDefaultExtensionLists();
        Overwrite = std::make_unique<TOverwriteForm>();
        Form = std::make_unique<TFileForm>();
        OverwriteForm = Overwrite.get();
        FileForm = Form.get();
        fs::create_directories(Root / "src/sub/deep");
        fs::create_directories(Root / "dst");
        Root.WriteFile("src/a.txt", "alpha");
        Root.WriteFile("src/b.jpg", "bravo-picture");
        Root.WriteFile("src/sub/c.txt", "charlie");
        Root.WriteFile("src/sub/deep/d.jpg", "delta");
        setxattr((Root / "src/a.txt").c_str(), "user.Description", "first", 5, 0);
        FileUnitLoader.OnCopyProgress = [this](double fraction) {
            Form->Progress(fraction);
            return !Form->stop;
        };
    }
    void TearDown() override
    {
        FileUnitLoader.OnCopyProgress = nullptr;
        FileForm = nullptr;
        OverwriteForm = nullptr;
        Form.reset();
        Overwrite.reset();
        TStatusTest::TearDown();
    }
    // Sets up the operation on the titles (a selection when there are several, the focused
    // item otherwise).
    bool Prepare(const std::string &operation, const std::vector<std::string> &titles, const std::string &destination)
    {
        std::vector<TFileOperationItem> items;
        for (const std::string &title : titles) items.push_back({title, fs::is_directory(title), -1});
        const std::string sourceDirectory = titles.empty() ? Root / "src/" : ExtractDirectory(titles.front());
        return Form->Prepare(!destination.empty(), operation, false, false, "", destination, sourceDirectory, items,
                             titles.size() > 1);
    }
    // Runs the operation without showing the dialog, as a click on an Okay button would.
    void Run(const std::string &operation,
             const std::vector<std::string> &titles,
             const std::string &destination,
             TOkayKind kind = okOkay)
    {
        ASSERT_TRUE(Prepare(operation, titles, destination));
        Form->IncludeFilterComboBox->setEditText(QString::fromStdString(Include));
        Form->ExcludeFilterComboBox->setEditText(QString::fromStdString(Exclude));
        Form->OnOkay(kind);
    }
    // The filters the next runs type in (opening the dialog empties them).
    void Filters(const std::string &include, const std::string &exclude)
    {
        Include = include;
        Exclude = exclude;
    }
    std::string Include, Exclude;
    std::string Clipboard() const { return QApplication::clipboard()->text().toStdString(); }

    TTempDir Root;
    std::unique_ptr<TOverwriteForm> Overwrite;
    std::unique_ptr<TFileForm> Form;
};

TEST(FileDialogTextTest, InformationLineAndNamedFilters)
{
    EXPECT_EQ(FileOperationInfoText(1, 2, 3, 0, 3725, -1),
              "Errors 1 | Directories 2 | Files 3 | Size 0 B | Time 01:02:05");
    EXPECT_EQ(FileOperationInfoText(0, 0, 1, 0, 0, 0.459), "Errors 0 | Directories 0 | Files 1 | Size 0 B | Time "
                                                           "00:00:00 | File 45%");
    SetDefaultExtensionLists();
    EXPECT_EQ(ResolveNamedFilter("All files"), "*");
    EXPECT_EQ(ResolveNamedFilter("*.c;*.h"), "*.c;*.h");
    EXPECT_NE(ResolveNamedFilter("text FILES").find("*.txt"), std::string::npos);
    EXPECT_EQ(ResolveNamedFilter("Video files"), ResolveNamedFilter("Movie files"));
    EXPECT_NE(ResolveNamedFilter("No backup files").find("*.tmp"), std::string::npos);
}

TEST_F(FileDialogTest, CopiesATreeWithContentStreamsModesAndTimes)
{
    chmod((Root / "src/sub/c.txt").c_str(), 0640);
    SetModified(Root / "src/sub/c.txt", 1200000000);
    Run("Copy", {Root / "src"}, Root / "dst/");
    EXPECT_EQ(TreeOf(Root / "dst/src"), TreeOf(Root / "src"));
    EXPECT_EQ(Root.ReadFile("dst/src/sub/deep/d.jpg"), "delta");
    EXPECT_EQ(XattrOf(Root / "dst/src/a.txt", "user.Description"), "first");
    struct stat copied{};
    stat((Root / "dst/src/sub/c.txt").c_str(), &copied);
    EXPECT_EQ(copied.st_mode & 0777, 0640u);
    EXPECT_EQ(copied.st_mtim.tv_sec, 1200000000);
    EXPECT_EQ(Form->errors, 0);
    EXPECT_EQ(Form->files, 4);
    EXPECT_EQ(Form->directories, 3);
    EXPECT_EQ(Form->processedSize, 5u + 13 + 7 + 5);
    EXPECT_TRUE(ShownErrors().empty());
    EXPECT_TRUE(Boxes.Shown.empty()); // no summary without errors
}

TEST_F(FileDialogTest, MovingADirectoryIntoItsOwnSubdirectoryMovesNothing)
{
    const auto before = TreeOf(Root / "src");
    Run("Move", {Root / "src"}, Root / "src/sub/");
    EXPECT_EQ(TreeOf(Root / "src"), before);
    ASSERT_FALSE(ShownErrors().empty());
    EXPECT_EQ(ShownErrors().front(), "Failed to Move directory content.");
    EXPECT_NE(Window.Memo.find("Can not Move recursively."), std::string::npos);
    ASSERT_FALSE(Boxes.Shown.empty());
    EXPECT_EQ(Boxes.Shown.back().Text, "There were 1 errors.");
}

TEST_F(FileDialogTest, MoveWithoutFiltersIsOneRenameAndWithAFilterMovesOnlyMatches)
{
    const std::uint64_t inode = InodeOf(Root / "src/sub");
    Run("Move", {Root / "src/sub"}, Root / "dst/");
    EXPECT_FALSE(fs::exists(Root / "src/sub"));
    EXPECT_EQ(InodeOf(Root / "dst/sub"), inode);

    // A filtered move takes the matching files and removes only the directories it emptied.
    fs::create_directories(Root / "src/pics/keep");
    Root.WriteFile("src/pics/p.jpg", "p");
    Root.WriteFile("src/pics/keep/k.txt", "k");
    fs::create_directories(Root / "dst2");
    Filters("*.jpg", "");
    Run("Move", {Root / "src"}, Root / "dst2/");
    EXPECT_EQ(TreeOf(Root / "dst2/src"),
              (std::vector<std::string>{"b.jpg", "pics/", "pics/keep/", "pics/p.jpg"}));
    EXPECT_EQ(TreeOf(Root / "src"), (std::vector<std::string>{"a.txt", "pics/", "pics/keep/", "pics/keep/k.txt"}));
    EXPECT_EQ(Form->errors, 0);
}

TEST_F(FileDialogTest, DeleteWithAnExcludeFilterKeepsTheExcludedAndCountsWhatStays)
{
    Filters("", "*.txt");
    Run("Delete", {Root / "src"}, "", okNoErrors);
    // sub/deep held only d.jpg and went; src and src/sub still hold the text files.
    EXPECT_EQ(TreeOf(Root / "src"), (std::vector<std::string>{"a.txt", "sub/", "sub/c.txt"}));
    EXPECT_TRUE(ShownErrors().empty()) << "O&kay (no errors) keeps the error dialogs away";
    EXPECT_EQ(Form->errors, 2); // src and src/sub could not be removed
    ASSERT_FALSE(Boxes.Shown.empty());
    EXPECT_EQ(Boxes.Shown.back().Text, "There were 2 errors.");
}

TEST_F(FileDialogTest, OverwriteAllOlderReplacesOnlyOlderEmptyOrSmallerSameTime)
{
    struct TCase
    {
        const char *Name;
        std::string Destination;
        std::time_t DestinationTime;
        bool Replaced;
    };
    const std::vector<TCase> cases = {
        {"older.txt", "old", 1000, true},
        {"newer.txt", "new", 3000, false},
        {"empty.txt", "", 3000, true},
        {"smaller.txt", "s", 2000, true},
        {"larger.txt", "larger-than-source", 2000, false},
    };
    fs::create_directories(Root / "many");
    std::vector<std::string> titles;
    for (const TCase &c : cases) {
        Root.WriteFile(std::string("many/") + c.Name, "source");
        SetModified(Root / (std::string("many/") + c.Name), 2000);
        Root.WriteFile(std::string("dst/") + c.Name, c.Destination);
        SetModified(Root / (std::string("dst/") + c.Name), c.DestinationTime);
        titles.push_back(Root / (std::string("many/") + c.Name));
    }
    ASSERT_TRUE(Prepare("Copy", titles, Root / "dst/"));
    Overwrite->overwriteChoice = ocOverwriteAllOlder;
    Form->OnOkay(okOkay);
    for (const TCase &c : cases)
        EXPECT_EQ(Root.ReadFile(std::string("dst/") + c.Name), c.Replaced ? "source" : c.Destination) << c.Name;
    EXPECT_EQ(Form->errors, 0);
}

TEST_F(FileDialogTest, CompareListsNewerAndMissingFilesOnTheClipboard)
{
    Root.WriteFile("dst/a.txt", "old");
    SetModified(Root / "dst/a.txt", 1000);
    Root.WriteFile("dst/b.jpg", "bravo-picture");
    SetModified(Root / "src/b.jpg", 1000);
    SetModified(Root / "dst/b.jpg", 5000);
    Run("Compare", {Root / "src/a.txt", Root / "src/b.jpg", Root / "src/sub"}, Root / "dst/");
    // The directory's entries come in the file system's order.
    QStringList lines = QString::fromStdString(Clipboard()).split(QLatin1Char('\n'));
    lines.sort();
    EXPECT_EQ(lines.join(QLatin1Char('|')).toStdString(),
              "|" + (Root / "src/a.txt") + "|NOT_AT_DESTINATION=" + (Root / "src/sub/c.txt") +
                  "|NOT_AT_DESTINATION=" + (Root / "src/sub/deep/d.jpg"));
    ASSERT_FALSE(Boxes.Shown.empty());
    EXPECT_EQ(Boxes.Shown.back().Text.rfind("There are 3 newer files in source (2 are common).\nErrors 0 |", 0), 0u)
        << Boxes.Shown.back().Text;
    EXPECT_TRUE(fs::exists(Root / "dst/a.txt"));
    EXPECT_FALSE(fs::exists(Root / "dst/sub"));
}

TEST_F(FileDialogTest, PrefixesAreAddedOrReplaced)
{
    Root.WriteFile("src/old_photo.jpg", "photo");
    struct TCase
    {
        TOkayKind Kind;
        const char *Prefix;
        const char *Expected;
    };
    for (const TCase &c : {TCase{okReplacePrefix, "2008_", "2008_photo.jpg"}, TCase{okReplacePrefix, "", "photo.jpg"},
                           TCase{okAddPrefix, "new_", "new_old_photo.jpg"}}) {
        ASSERT_TRUE(Prepare("Copy", {Root / "src/old_photo.jpg"}, Root / "dst/"));
        Form->PrefixComboBox->setEditText(QString::fromLatin1(c.Prefix));
        Form->OnOkay(c.Kind);
        EXPECT_TRUE(fs::exists(Root / (std::string("dst/") + c.Expected))) << c.Expected;
    }
    // An empty prefix cannot be added; a prefix with a delimiter is refused.
    ASSERT_TRUE(Prepare("Copy", {Root / "src/a.txt"}, Root / "dst/"));
    Form->PrefixComboBox->setEditText(QString());
    Form->OnOkay(okAddPrefix);
    Form->PrefixComboBox->setEditText(QStringLiteral("x/"));
    Form->OnOkay(okReplacePrefix);
    ASSERT_EQ(Boxes.Shown.size(), 2u);
    EXPECT_EQ(Boxes.Shown[0].Text, "Empty file name prefix.");
    EXPECT_EQ(Boxes.Shown[1].Text, "Invalid file name prefix.");
    EXPECT_FALSE(fs::exists(Root / "dst/a.txt"));
}

TEST_F(FileDialogTest, RecycleSendsAWholeDirectoryToTheTrashInOneStep)
{
    const char *saved = std::getenv("XDG_DATA_HOME");
    const std::string savedDataHome = saved ? saved : "";
    setenv("XDG_DATA_HOME", (Root / "data").c_str(), 1);
    const std::uint64_t inode = InodeOf(Root / "src/sub");
    Run("Recycle", {Root / "src/sub", Root / "src/a.txt"}, "");
    if (savedDataHome.empty()) unsetenv("XDG_DATA_HOME");
    else setenv("XDG_DATA_HOME", savedDataHome.c_str(), 1);
    EXPECT_FALSE(fs::exists(Root / "src/sub"));
    EXPECT_FALSE(fs::exists(Root / "src/a.txt"));
    EXPECT_EQ(InodeOf(Root / "data/Trash/files/sub"), inode);
    EXPECT_TRUE(fs::exists(Root / "data/Trash/info/a.txt.trashinfo"));
    EXPECT_EQ(Form->errors, 0);
}

TEST_F(FileDialogTest, ClipTitleOfPutsThePathsOnTheClipboard)
{
    Run("Clip title of", {Root / "src/a.txt", Root / "src/b.jpg"}, "");
    EXPECT_EQ(Clipboard(), (Root / "src/a.txt") + "\n" + (Root / "src/b.jpg") + "\n");
}

TEST_F(FileDialogTest, CancellingDuringCountingTouchesNothing)
{
    const auto before = TreeOf(Root / "src");
    ASSERT_TRUE(Prepare("Delete", {Root / "src"}, ""));
    // The click arrives while the counting pass takes waiting input.
    QTimer::singleShot(0, Form->OkayButton, [this] { QTest::mouseClick(Form->OkayButton, Qt::LeftButton); });
    QTimer::singleShot(0, Form->CancelButton, [this] { QTest::mouseClick(Form->CancelButton, Qt::LeftButton); });
    Form->exec();
    EXPECT_TRUE(Form->stop);
    EXPECT_EQ(TreeOf(Root / "src"), before);
}

TEST_F(FileDialogTest, ThroughTheRealDialogsOverwriteButtonsDecide)
{
    Root.WriteFile("dst/a.txt", "keep");
    Root.WriteFile("dst/b.jpg", "replace me");
    SetModified(Root / "dst/a.txt", 1000);
    SetModified(Root / "dst/b.jpg", 1000);
    ASSERT_TRUE(Prepare("Copy", {Root / "src/a.txt", Root / "src/b.jpg"}, Root / "dst/"));
    // "&Okay" starts the run; the first conflict is skipped, the second overwritten.
    int questions = 0;
    QTimer *answerer = new QTimer(Form.get());
    QObject::connect(answerer, &QTimer::timeout, [&questions] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal != OverwriteForm) return;
        ++questions;
        QTest::mouseClick(questions == 1 ? OverwriteForm->SkipThisButton : OverwriteForm->OverThisButton,
                          Qt::LeftButton);
    });
    answerer->start(5);
    QTimer::singleShot(0, Form->OkayButton, [this] { QTest::mouseClick(Form->OkayButton, Qt::LeftButton); });
    EXPECT_EQ(Form->exec(), QDialog::Accepted);
    answerer->stop();
    EXPECT_EQ(questions, 2);
    EXPECT_EQ(Root.ReadFile("dst/a.txt"), "keep");
    EXPECT_EQ(Root.ReadFile("dst/b.jpg"), "bravo-picture");
    EXPECT_EQ(Form->commonFiles, 1);
}

TEST_F(FileDialogTest, AbortEndsTheRun)
{
    Root.WriteFile("dst/a.txt", "keep");
    ASSERT_TRUE(Prepare("Copy", {Root / "src/a.txt", Root / "src/b.jpg"}, Root / "dst/"));
    QTimer *answerer = new QTimer(Form.get());
    QObject::connect(answerer, &QTimer::timeout, [] {
        if (QApplication::activeModalWidget() == OverwriteForm)
            QTest::mouseClick(OverwriteForm->AbortButton, Qt::LeftButton);
    });
    answerer->start(5);
    Form->OnOkay(okOkay);
    answerer->stop();
    EXPECT_EQ(Root.ReadFile("dst/a.txt"), "keep");
    EXPECT_FALSE(fs::exists(Root / "dst/b.jpg"));
}

TEST_F(FileDialogTest, StopAfterCountAsksAndNoEndsTheRun)
{
    Form->StopAfterCountCheckBox->setChecked(true);
    Boxes.Answer = MessageBoxAnswer::No;
    Run("Copy", {Root / "src"}, Root / "dst/");
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Text, "Continue with processing?");
    EXPECT_FALSE(fs::exists(Root / "dst/src"));
}

// ---- Failures leave the user's data whole ---------------------------------------------------

TEST_F(FileDialogTest, ACopyOntoAFullDiskLeavesNoPartialFileAndTheOldDestinationWhole)
{
    TSmallDisk disk(Root / "small", "256k");
    if (!disk.Mounted) GTEST_SKIP() << "this machine cannot mount a small tmpfs";
    std::string big(600 * 1024, 'x');
    Root.WriteFile("src/big.bin", big);
    Root.WriteFile("small/big.bin", "old content");
    ASSERT_TRUE(Prepare("Copy", {Root / "src/big.bin", Root / "src/a.txt"}, Root / "small/"));
    Overwrite->overwriteChoice = ocOverwriteAll;
    Boxes.Answer = MessageBoxAnswer::Yes; // go on although the space looks short
    Form->OnOkay(okNoErrors);
    EXPECT_EQ(Root.ReadFile("small/big.bin"), "old content");
    EXPECT_EQ(Root.ReadFile("small/a.txt"), "alpha"); // the run went on
    EXPECT_EQ(TreeOf(Root / "small"), (std::vector<std::string>{"a.txt", "big.bin"}));
    EXPECT_EQ(Root.ReadFile("src/big.bin"), big);
    EXPECT_EQ(Form->errors, 1);
    bool askedForSpace = false;
    for (const auto &shown : Boxes.Shown)
        askedForSpace |= shown.Text.rfind("There is not enough space at destination.", 0) == 0;
    EXPECT_TRUE(askedForSpace);
}

TEST_F(FileDialogTest, AMoveAcrossFileSystemsThatFailsLeavesTheSource)
{
    TSmallDisk disk(Root / "small", "256k");
    if (!disk.Mounted) GTEST_SKIP() << "this machine cannot mount a small tmpfs";
    Root.WriteFile("src/sub/big.bin", std::string(600 * 1024, 'y'));
    Boxes.Answer = MessageBoxAnswer::Yes;
    Run("Move", {Root / "src/sub"}, Root / "small/", okNoErrors);
    EXPECT_EQ(Root.ReadFile("src/sub/big.bin"), std::string(600 * 1024, 'y'));
    // What fitted moved whole; what did not stayed.
    EXPECT_EQ(Root.ReadFile("small/sub/c.txt"), "charlie");
    EXPECT_FALSE(fs::exists(Root / "src/sub/c.txt"));
    EXPECT_FALSE(fs::exists(Root / "small/sub/big.bin"));
    EXPECT_TRUE(fs::exists(Root / "src/sub")); // not empty: kept
    EXPECT_GE(Form->errors, 1);
}

TEST_F(FileDialogTest, ACancelDuringALongCopyLeavesNothingAtTheDestination)
{
    const std::string big(40u << 20, 'z');
    Root.WriteFile("src/big.bin", big);
    // The cancel arrives between two chunks of the copy, as a click taken by the progress.
    int calls = 0;
    FileUnitLoader.OnCopyProgress = [this, &calls](double fraction) {
        Form->Progress(fraction);
        if (++calls == 1) Form->CancelButton->click();
        return !Form->stop;
    };
    Run("Copy", {Root / "src/big.bin", Root / "src/a.txt"}, Root / "dst/");
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(TreeOf(Root / "dst").empty());
    EXPECT_EQ(Root.ReadFile("src/big.bin").size(), big.size());
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(FileDialogTest, SymbolicLinksAreCopiedAsLinksAndNeverEntered)
{
    fs::create_directory_symlink(Root / "src", Root / "src/sub/loop");
    fs::create_symlink("a.txt", Root / "src/rel");
    Run("Copy", {Root / "src"}, Root / "dst/");
    EXPECT_EQ(Form->errors, 0);
    EXPECT_TRUE(fs::is_symlink(Root / "dst/src/sub/loop"));
    EXPECT_EQ(fs::read_symlink(Root / "dst/src/sub/loop"), Root / "src");
    EXPECT_EQ(fs::read_symlink(Root / "dst/src/rel"), "a.txt");
    // Deleting a tree removes the link, not what it points to.
    Run("Delete", {Root / "dst/src"}, "");
    EXPECT_FALSE(fs::exists(Root / "dst/src"));
    EXPECT_TRUE(fs::exists(Root / "src/a.txt"));
}

TEST_F(FileDialogTest, APipeInTheTreeIsOneErrorAndNeverHoldsTheRun)
{
    ASSERT_EQ(mkfifo((Root / "src/sub/pipe").c_str(), 0644), 0);
    Run("Copy", {Root / "src"}, Root / "dst/", okNoErrors);
    EXPECT_EQ(Form->errors, 1);
    EXPECT_FALSE(fs::exists(Root / "dst/src/sub/pipe"));
    EXPECT_EQ(Root.ReadFile("dst/src/sub/c.txt"), "charlie");
}

TEST_F(FileDialogTest, AFileReplacedByADirectoryAfterCountingIsOneReportedError)
{
    Form->StopAfterCountCheckBox->setChecked(true);
    Boxes.Answer = MessageBoxAnswer::Yes;
    Boxes.OnShow = [this](const std::string &text) {
        if (text != "Continue with processing?") return;
        fs::remove(Root / "src/a.txt");
        fs::create_directories(Root / "src/a.txt");
        fs::remove(Root / "src/b.jpg"); // and one vanished
    };
    Run("Copy", {Root / "src/a.txt", Root / "src/b.jpg", Root / "src/sub"}, Root / "dst/", okOkay);
    EXPECT_EQ(Form->errors, 2);
    EXPECT_EQ(ShownErrors().size(), 2u);
    EXPECT_EQ(Root.ReadFile("dst/sub/c.txt"), "charlie"); // the run went on
}

TEST_F(FileDialogTest, UnreadableFilesAndReadOnlyDirectoriesAreCountedErrors)
{
    // A tree the unprivileged user owns but cannot fully read or change.
    fs::create_directories(Root / "mine/locked");
    Root.WriteFile("mine/secret.txt", "secret");
    Root.WriteFile("mine/open.txt", "open");
    Root.WriteFile("mine/locked/kept.txt", "kept");
    fs::create_directories(Root / "out");
    chmod(Root.Path().c_str(), 0755);
    chmod((Root / "mine/secret.txt").c_str(), 0000);
    chmod((Root / "mine/locked").c_str(), 0555);
    chmod((Root / "out").c_str(), 0777);
    const int result = RunAsNobody([this] {
        if (!Prepare("Copy", {Root / "mine"}, Root / "out/")) return 10;
        Form->OnOkay(okNoErrors);
        if (Form->errors != 1) return 11;                           // secret.txt
        if (!fs::exists(Root / "out/mine/open.txt")) return 12;      // the run went on
        if (fs::exists(Root / "out/mine/secret.txt")) return 13;
        if (!Prepare("Delete", {Root / "mine/locked"}, "")) return 14;
        Form->OnOkay(okNoErrors);
        if (Form->errors != 2) return 15;                            // kept.txt and locked itself
        return fs::exists(Root / "mine/locked/kept.txt") ? 0 : 16;
    });
    if (result < 0) GTEST_SKIP() << "this machine cannot switch to the user nobody";
    EXPECT_EQ(result, 0);
}

// ---- The dialog on a column ----------------------------------------------------------------

TEST_F(FileDialogTest, DialogOnAColumnCopiesTheSelectionAndDeselectsEachItem)
{
    TTempDir home;
    UsePortableProgramFolder(home.Path());
    ProgramOptions.FirstRun = false;
    TMainForm main;
    main.resize(1000, 700);
    main.StartMainForm();
    main.BusyCount = 0;
    TColumn &column = *main.Columns[0];
    column.LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, Root / "src/");
    int selected = 0;
    for (int i = 0; i < column.FileList->Count(); ++i)
        if (column.Item(i)->Kind != ikDirectory) {
            column.SelectItem(i, true);
            ++selected;
        }
    ASSERT_EQ(selected, 2);
    ClickLater(QStringLiteral("&Okay"));
    EXPECT_TRUE(Form->Dialog(true, "Copy", false, false, "", Root / "dst/", Root / "src/", 0, &column));
    EXPECT_TRUE(fs::exists(Root / "dst/a.txt"));
    EXPECT_TRUE(fs::exists(Root / "dst/b.jpg"));
    EXPECT_EQ(column.SelectedCount, 0);
    EXPECT_EQ(Form->windowTitle().toStdString(), "Copy");
    SetProgramDirectoryOverride("");
}

// ---- What a run made, and items onto themselves -----------------------------------------------

TEST(FileDialogPrefixTest, OnlyDelimitersNulAndDotNamesAreRefusedInAPrefix)
{
    struct TCase
    {
        std::string Prefix;
        bool Valid;
    };
    const TCase cases[] = {
        {"", true},          {"2008_", true},        {"10:30_", true},  {"what?_", true},
        {"a<b>c|d\"*_", true}, {"back\\slash_", true}, {"...", true},     {".hidden_", true},
        {"x/", false},       {"/", false},           {std::string("a\0b", 3), false},
        {".", false},        {"..", false},
    };
    for (const TCase &c : cases) EXPECT_EQ(IsValidNamePrefix(c.Prefix), c.Valid) << c.Prefix;
}

TEST_F(FileDialogTest, APrefixWithCharactersValidInLinuxNamesIsUsed)
{
    ASSERT_TRUE(Prepare("Copy", {Root / "src/a.txt"}, Root / "dst/"));
    Form->PrefixComboBox->setEditText(QStringLiteral("10:30 what?_"));
    Form->OnOkay(okAddPrefix);
    EXPECT_TRUE(Boxes.Shown.empty());
    EXPECT_EQ(Root.ReadFile("dst/10:30 what?_a.txt"), "alpha");
}

namespace {

// Answers every overwrite question with one button and counts the questions.
struct TOverwriteAnswerer
{
    explicit TOverwriteAnswerer(QPushButton *TOverwriteForm::*answer)
    {
        QObject::connect(&Timer, &QTimer::timeout, [this, answer] {
            if (QApplication::activeModalWidget() != OverwriteForm) return;
            ++Questions;
            QTest::mouseClick(OverwriteForm->*answer, Qt::LeftButton);
        });
        Timer.start(5);
    }
    QTimer Timer;
    int Questions = 0;
};

} // namespace

TEST_F(FileDialogTest, WhatTheRunMovedInIsNeverReplacedWithoutAQuestion)
{
    // Two items of one name from different places (a container, search results), or names a
    // replaced prefix makes equal, moved into one folder after an "overwrite all" answer.
    struct TCase
    {
        const char *Name;
        std::vector<std::string> Items;
        TOkayKind Kind;
        int Remembered;
        QPushButton *TOverwriteForm::*Answer;
        std::string Shared;  // the destination both items want
        std::string Arrived; // what it holds afterwards
        std::string Left;    // the item that stays where it was ("" when none)
        int Errors;
    };
    const std::vector<TCase> cases = {
        {"same name, overwrite all, skip", {"x/same.txt", "y/same.txt"}, okOkay, ocOverwriteAll,
         &TOverwriteForm::SkipThisButton, "dst/same.txt", "first", "y/same.txt", 0},
        {"same name, overwrite all older, skip", {"x/same.txt", "y/same.txt"}, okOkay, ocOverwriteAllOlder,
         &TOverwriteForm::SkipThisButton, "dst/same.txt", "first", "y/same.txt", 0},
        {"same name, overwrite this", {"x/same.txt", "y/same.txt"}, okOkay, ocOverwriteAll,
         &TOverwriteForm::OverThisButton, "dst/same.txt", "second", "", 0},
        // The first directory moves in one step; the second is merged into it and stays,
        // holding the skipped file (its removal is the one error).
        {"directories merged", {"x/sub", "y/sub"}, okOkay, ocOverwriteAll, &TOverwriteForm::SkipThisButton,
         "dst/sub/same.txt", "first", "y/sub/same.txt", 1},
        {"replaced prefix", {"x/old_same.txt", "x/new_same.txt"}, okReplacePrefix, ocOverwriteAll,
         &TOverwriteForm::SkipThisButton, "dst/same.txt", "first", "x/new_same.txt", 0},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        for (const char *directory : {"x", "y", "dst"}) fs::remove_all(Root / directory);
        for (const char *directory : {"x/sub", "y/sub", "dst"}) fs::create_directories(Root / directory);
        for (const char *name : {"x/same.txt", "x/sub/same.txt", "x/old_same.txt"}) {
            Root.WriteFile(name, "first");
            SetModified(Root / name, 1000);
        }
        for (const char *name : {"y/same.txt", "y/sub/same.txt", "x/new_same.txt"}) {
            Root.WriteFile(name, "second");
            SetModified(Root / name, 2000); // newer: "older" answers would replace
        }
        // An ordinary conflict with what was there before still follows the answer.
        Root.WriteFile("dst/older.txt", "old");
        SetModified(Root / "dst/older.txt", 500);
        Root.WriteFile("x/older.txt", "new");
        std::vector<TFileOperationItem> items;
        for (const std::string &item : c.Items) items.push_back({Root / item, fs::is_directory(Root / item), -1});
        items.push_back({Root / "x/older.txt", false, -1});
        ASSERT_TRUE(Form->Prepare(true, "Move", false, false, "", Root / "dst/", Root / "x/", items, true));
        Overwrite->overwriteChoice = c.Remembered;
        Form->PrefixComboBox->setEditText(QString());
        Window.Result = TErrorWindowResult::Okay;
        TOverwriteAnswerer answerer(c.Answer);
        Form->OnOkay(c.Kind);
        EXPECT_EQ(answerer.Questions, 1);
        EXPECT_EQ(Root.ReadFile(c.Shared), c.Arrived);
        if (!c.Left.empty()) {
            EXPECT_EQ(Root.ReadFile(c.Left), "second");
        }
        EXPECT_EQ(Root.ReadFile("dst/older.txt"), "new");
        EXPECT_EQ(Form->errors, c.Errors);
        EXPECT_EQ(Overwrite->overwriteChoice, c.Remembered) << "an answer for one file keeps the remembered one";
    }
}

namespace {

// A small exFAT image mounted through FUSE: a file system that takes "a.txt" and "A.txt" as
// one name. Mounted is false where the machine has no loop devices, FUSE or exFAT tools.
struct TCaseBlindDisk
{
    explicit TCaseBlindDisk(const std::string &path) : Path(path), Image(path + ".img")
    {
        fs::create_directories(path);
        const std::string setUp = "truncate -s 8M '" + Image + "' && mkfs.exfat '" + Image + "' >/dev/null 2>&1";
        if (std::system(setUp.c_str()) != 0) return;
        FILE *pipe = ::popen(("losetup -f --show '" + Image + "' 2>/dev/null").c_str(), "r");
        if (!pipe) return;
        char line[256] = {};
        if (std::fgets(line, sizeof line, pipe)) Device = line;
        ::pclose(pipe);
        while (!Device.empty() && (Device.back() == '\n' || Device.back() == ' ')) Device.pop_back();
        if (Device.empty()) return;
        Mounted = std::system(("mount.exfat-fuse '" + Device + "' '" + path + "' >/dev/null 2>&1").c_str()) == 0;
    }
    ~TCaseBlindDisk()
    {
        if (Mounted) std::system(("umount '" + Path + "' >/dev/null 2>&1").c_str());
        if (!Device.empty()) std::system(("losetup -d '" + Device + "' >/dev/null 2>&1").c_str());
    }
    std::string Path, Image, Device;
    bool Mounted = false;
};

} // namespace

TEST_F(FileDialogTest, OnACaseBlindFileSystemTwoSpellingsOfANameAreAskedAbout)
{
    TCaseBlindDisk disk(Root / "stick");
    if (!disk.Mounted)
        GTEST_SKIP() << "this machine cannot mount an exFAT image (needs loop devices, FUSE, exfat-fuse and "
                        "exfatprogs)";
    fs::create_directories(Root / "x");
    fs::create_directories(Root / "y");
    Root.WriteFile("x/a.txt", "first");
    Root.WriteFile("y/A.txt", "second");
    ASSERT_TRUE(Form->Prepare(true, "Move", false, false, "", Root / "stick/", Root / "x/",
                              {{Root / "x/a.txt", false, -1}, {Root / "y/A.txt", false, -1}}, true));
    Overwrite->overwriteChoice = ocOverwriteAll;
    Boxes.Answer = MessageBoxAnswer::Yes;
    TOverwriteAnswerer answerer(&TOverwriteForm::SkipThisButton);
    Form->OnOkay(okOkay);
    EXPECT_EQ(answerer.Questions, 1);
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(Root / "stick")) names.push_back(entry.path().filename());
    EXPECT_EQ(names, std::vector<std::string>{"a.txt"});
    EXPECT_EQ(Root.ReadFile("stick/a.txt"), "first");
    EXPECT_EQ(Root.ReadFile("y/A.txt"), "second");
    EXPECT_FALSE(fs::exists(Root / "x/a.txt"));
}

TEST_F(FileDialogTest, AnItemOntoItselfIsRefusedBeforeAnythingIsTouched)
{
    // A directory moved into its own parent (a container's item), through a link to the same
    // folder, or under its own name ("Move as" keeping the proposed name); copies the same.
    fs::create_directories(Root / "src/sub/empty");
    fs::create_directories(Root / "src/hollow");
    fs::create_directory_symlink(Root / "src", Root / "lnk");
    struct TCase
    {
        const char *Operation;
        std::string Item, Destination, TopName;
    };
    const TCase cases[] = {
        {"Move", "src/sub", "src/", ""},          {"Move", "src/hollow", "src/", ""},
        {"Move", "src/sub", "lnk/", ""},          {"Move", "src/sub", "src/", "sub"},
        {"Copy", "src/sub", "src/", ""},          {"Copy", "src/sub", "lnk/", ""},
        {"Move", "src/a.txt", "lnk/", ""},        {"Copy", "src/a.txt", "src/", ""},
    };
    const auto before = TreeOf(Root / "src");
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::string(c.Operation) + " " + c.Item + " to " + c.Destination);
        Window.Memos.clear();
        Overwrite->overwriteChoice = ocOverwriteAll;
        Form->topSource = c.TopName.empty() ? std::string() : Root / c.Item;
        Form->topName = c.TopName;
        ASSERT_TRUE(Form->Prepare(true, c.Operation, false, false, "", Root / c.Destination, Root / "src/",
                                  {{Root / c.Item, fs::is_directory(Root / c.Item), -1}}, false));
        Overwrite->overwriteChoice = ocOverwriteAll;
        Form->OnOkay(okOkay);
        Form->topSource.clear();
        Form->topName.clear();
        EXPECT_EQ(TreeOf(Root / "src"), before);
        EXPECT_EQ(ShownErrors(), std::vector<std::string>{"Failed to " + std::string(c.Operation) + "."});
        EXPECT_NE(Window.Memo.find("Source and destination are the same."), std::string::npos) << Window.Memo;
    }
    EXPECT_EQ(XattrOf(Root / "src/a.txt", "user.Description"), "first");
}

namespace {


} // namespace

TEST_F(FileDialogTest, ADirectorysOwnStreamsAreAskedAboutToo)
{
    TRamDisk ram(Root / "ram");
    if (!ram.Mounted) GTEST_SKIP() << "this machine cannot mount a ramfs";
    fs::create_directories(Root / "tagged");
    Root.WriteFile("tagged/plain.txt", "plain");
    ASSERT_EQ(setxattr((Root / "tagged").c_str(), "user.Description", "box", 3, 0), 0);
    Boxes.Answer = MessageBoxAnswer::Yes;
    Run("Copy", {Root / "tagged"}, Root / "ram/", okNoErrors);
    bool asked = false;
    for (const auto &shown : Boxes.Shown)
        asked |= shown.Text.rfind("There are file streams in the source files", 0) == 0;
    EXPECT_TRUE(asked);
    EXPECT_EQ(Root.ReadFile("ram/tagged/plain.txt"), "plain");
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(FileDialogTest, AMoveWhoseStreamsCannotFollowAsksAndNeverLosesThemSilently)
{
    TRamDisk ram(Root / "ram");
    if (!ram.Mounted) GTEST_SKIP() << "this machine cannot mount a ramfs";
    const std::string question = "There are file streams in the source files, but the destination partition\n"
                                 "doesn't support file streams. Therefore streams will not be in the\n"
                                 "destination files.\n\nClick \"Okay\" to CONTINUE.";
    for (int answer : {MessageBoxAnswer::No, MessageBoxAnswer::Yes}) {
        SCOPED_TRACE(answer == MessageBoxAnswer::No ? "no" : "yes");
        Boxes.Shown.clear();
        // Any other question (the free space of a ramfs is not known) is answered "Yes".
        Boxes.OnShow = [&](const std::string &text) {
            Boxes.Answer = text == question ? answer : MessageBoxAnswer::Yes;
        };
        Run("Move", {Root / "src/a.txt"}, Root / "ram/", okNoErrors);
        bool asked = false;
        for (const auto &shown : Boxes.Shown) asked |= shown.Text == question;
        EXPECT_TRUE(asked);
        const bool arrived = fs::exists(Root / "ram/a.txt");
        // "Okay" moves the file without its streams; "No" touches nothing.
        EXPECT_EQ(arrived, answer == MessageBoxAnswer::Yes);
        EXPECT_EQ(fs::exists(Root / "src/a.txt"), !arrived);
        // Without the file's streams at the destination the source stays whole, unless the
        // user agreed to leave them.
        if (!arrived) {
            EXPECT_EQ(Root.ReadFile("src/a.txt"), "alpha");
            EXPECT_EQ(XattrOf(Root / "src/a.txt", "user.Description"), "first");
        } else {
            EXPECT_EQ(Root.ReadFile("ram/a.txt"), "alpha");
        }
    }
    Boxes.OnShow = nullptr;
}

TEST_F(FileDialogTest, ConvertPictureWritesTheChosenFormatAndLeavesOtherFilesAlone)
{
    QImage picture(60, 40, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(QString::fromStdString(Root / "src/p.png"), "PNG"));
    setxattr((Root / "src/p.png").c_str(), "user.Description", "cyan", 4, 0);
    const TProgramOptions saved = ProgramOptions;

    ASSERT_GE(Form->PictureFormatComboBox->findText(QStringLiteral("JPEG")), 0);
    Form->PictureFormatComboBox->setCurrentText(QStringLiteral("JPEG"));
    Form->NormalizeSizeCheckBox->setChecked(false);
    Run("Convert picture", {Root / "src/p.png", Root / "src/a.txt", Root / "src/b.jpg"}, Root / "dst/");
    QImage converted(QString::fromStdString(Root / "dst/p.jpg"), "JPEG");
    EXPECT_EQ(converted.size(), QSize(60, 40));
    char description[8] = {};
    EXPECT_EQ(getxattr((Root / "dst/p.jpg").c_str(), "user.Description", description, 8), 4);
    EXPECT_FALSE(fs::exists(Root / "dst/a.txt"));
    EXPECT_FALSE(fs::exists(Root / "dst/a.jpg"));
    // "b.jpg" holds no picture: its failure is counted, the others are converted all the same.
    EXPECT_FALSE(fs::exists(Root / "dst/b.jpg"));
    EXPECT_EQ(Form->errors, 1);

    // With "Normalize size" the options' thumbnail width decides.
    ProgramOptions.NormalizeThumbWidth = true;
    ProgramOptions.NormalizeThumbWidthTo = 30;
    Form->PictureFormatComboBox->setCurrentText(QStringLiteral("PNG"));
    Form->NormalizeSizeCheckBox->setChecked(true);
    Run("Convert picture", {Root / "src/p.png"}, Root / "dst/");
    EXPECT_EQ(QImage(QString::fromStdString(Root / "dst/p.png")).size(), QSize(30, 20));
    ProgramOptions = saved;
}

TEST_F(FileDialogTest, AConversionThatFailsLeavesNoPartialPicture)
{
    QImage picture(400, 300, QImage::Format_RGB32);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 400; ++x) picture.setPixel(x, y, qRgb(x % 256, (x * y) % 256, y % 256));
    ASSERT_TRUE(picture.save(QString::fromStdString(Root / "src/p.png"), "PNG"));
    Form->PictureFormatComboBox->setCurrentText(QStringLiteral("BMP"));
    Form->NormalizeSizeCheckBox->setChecked(false);

    // A source that vanished before the run reaches it.
    const std::string gone = Root / "src/gone.png";
    Run("Convert picture", {gone}, Root / "dst/");
    EXPECT_FALSE(fs::exists(Root / "dst/gone.bmp"));

    // A full disk: no half-written picture and no temporary file stay behind.
    TSmallDisk disk(Root / "small", "64k");
    if (!disk.Mounted) GTEST_SKIP() << "cannot mount a small tmpfs here";
    Run("Convert picture", {Root / "src/p.png"}, disk.Path + "/");
    EXPECT_GE(Form->errors, 1);
    EXPECT_TRUE(fs::is_empty(disk.Path));
    EXPECT_TRUE(fs::exists(Root / "src/p.png"));
}
