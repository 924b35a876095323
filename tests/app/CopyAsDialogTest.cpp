// The copy-as dialog on real files: names it refuses, copies, moves and hard links under a new
// name, and what an existing destination and the overwrite question do to them.
#include "app/CopyAsDialog.h"

#include "Libraries/File.h"
#include "app/OverwriteDialog.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <cerrno>
#include <filesystem>
#include <optional>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string XattrOf(const std::string &path, const char *name)
{
    char value[256] = {};
    const ssize_t got = getxattr(path.c_str(), name, value, sizeof value);
    return got < 0 ? std::string("<none>") : std::string(value, static_cast<std::size_t>(got));
}

struct stat StatOf(const std::string &path)
{
    struct stat info
    {
    };
    if (::lstat(path.c_str(), &info) != 0) info.st_ino = 0;
    return info;
}

std::vector<std::string> NamesIn(const std::string &directory)
{
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// What one opening of the dialog showed and gave.
struct TRun
{
    bool Result = false;
    bool StayedOpen = false;     // still open after the copy button was clicked
    bool OverwriteAsked = false; // the overwrite dialog came up
    QString Caption, ButtonCaption, ProposedName, Paths;
};

} // namespace

class CopyAsDialogTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        OverwriteForm = &Overwrite;
        CopyAsForm = &Form;
        fs::create_directories(Root / "dst");
        Root.WriteFile("a.txt", "alpha");
        Source = Root / "a.txt";
    }
    void TearDown() override
    {
        CopyAsForm = nullptr;
        OverwriteForm = nullptr;
        TStatusTest::TearDown();
    }

    struct TOptions
    {
        bool Move = false, HardLink = false, LastNumbered = false;
        std::string Proposed;
        // Clicked in the overwrite dialog when it comes up.
        QPushButton *TOverwriteForm::*Answer = &TOverwriteForm::SkipThisButton;
    };
    // Opens the dialog on source into directory, types name (when given) and clicks the copy
    // button; a dialog left open afterwards is cancelled.
    TRun CopyAs(const std::string &source,
                const std::string &directory,
                const std::optional<std::string> &name,
                TOptions options)
    {
        TRun run;
        QTimer overwriteResponder;
        overwriteResponder.setSingleShot(true);
        QObject::connect(&overwriteResponder, &QTimer::timeout, [&] {
            if (QApplication::activeModalWidget() != &Overwrite) return;
            run.OverwriteAsked = true;
            QTest::mouseClick(Overwrite.*options.Answer, Qt::LeftButton);
        });
        QTimer responder;
        responder.setSingleShot(true);
        QObject::connect(&responder, &QTimer::timeout, [&] {
            if (QApplication::activeModalWidget() != &Form) {
                ADD_FAILURE() << "the copy-as dialog is not the modal window on top";
                Form.reject();
                return;
            }
            run.Caption = Form.windowTitle();
            run.ButtonCaption = Form.CopyButton->text();
            run.ProposedName = Form.NameComboBox->currentText();
            run.Paths = Form.PathsLabel->text();
            if (!name) {
                QTest::mouseClick(Form.CancelButton, Qt::LeftButton);
                return;
            }
            Form.NameComboBox->setEditText(QString::fromStdString(*name));
            overwriteResponder.start(0);
            QTest::mouseClick(Form.CopyButton, Qt::LeftButton);
            overwriteResponder.stop();
            run.StayedOpen = Form.isVisible();
            if (run.StayedOpen) QTest::mouseClick(Form.CancelButton, Qt::LeftButton);
        });
        responder.start(0);
        run.Result = Form.Dialog(source,
                                 directory,
                                 options.LastNumbered,
                                 options.Move,
                                 options.HardLink,
                                 options.Proposed);
        return run;
    }
    TRun CopyAs(const std::string &name, TOptions options)
    {
        return CopyAs(Source, Root / "dst", name, options);
    }
    TRun CopyAs(const std::string &name) { return CopyAs(name, TOptions()); }
    bool MemoHas(const std::string &text) const
    {
        for (const std::string &memo : Window.Memos)
            if (memo.find(text) != std::string::npos) return true;
        return false;
    }
    std::string LastMemo() const
    {
        return Window.Memos.empty() ? std::string() : Window.Memos.back();
    }

    TTempDir Root;
    TOverwriteForm Overwrite;
    TCopyAsForm Form;
    std::string Source;
};

TEST_F(CopyAsDialogTest, CaptionsAndTheProposedNameFollowTheMode)
{
    struct TCase
    {
        bool Move, HardLink, LastNumbered;
        const char *Caption, *Button, *Proposed;
    };
    const TCase cases[] = {
        {false, false, false, "Copy as", "Copy as", "a.txt"},
        {true, false, false, "Move as", "Move as", "a.txt"},
        {false, false, true, "Copy as last numbered", "Copy as last", "a_0007.txt"},
        {true, false, true, "Move as last numbered", "Move as last", "a_0007.txt"},
        {false, true, false, "Copy as hard-link", "Copy as", "a.txt"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Caption);
        TOptions options;
        options.Move = c.Move;
        options.HardLink = c.HardLink;
        options.LastNumbered = c.LastNumbered;
        options.Proposed = "a_0007.txt";
        const TRun run = CopyAs(Source, Root / "dst", std::nullopt, options);
        EXPECT_FALSE(run.Result) << "cancelled";
        EXPECT_EQ(run.Caption, QString::fromLatin1(c.Caption));
        EXPECT_EQ(run.ButtonCaption, QString::fromLatin1(c.Button));
        EXPECT_EQ(run.ProposedName, QString::fromLatin1(c.Proposed));
        EXPECT_EQ(
            run.Paths,
            QString::fromStdString("* Source: " + Source + "\n* Destination: " + Root / "dst/"));
    }
    EXPECT_TRUE(NamesIn(Root / "dst").empty());
    EXPECT_TRUE(fs::exists(Source));
}

TEST_F(CopyAsDialogTest, OnlyNamesThatCannotBeFileNamesAreRefused)
{
    struct TCase
    {
        std::string Name;
        bool Accepted;
    };
    const TCase cases[] = {
        {"sub/b.txt", false},
        {"", false},
        {"..", false},
        {"what?.txt", true},
        {"10:30 notes.txt", true},
        {"<a|b*\"c\\>.txt", true},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        Boxes.Shown.clear();
        const TRun run = CopyAs(c.Name);
        EXPECT_EQ(run.Result, c.Accepted);
        EXPECT_EQ(run.StayedOpen, !c.Accepted);
        if (c.Accepted) {
            EXPECT_TRUE(Boxes.Shown.empty());
            EXPECT_EQ(Root.ReadFile("dst/" + c.Name), "alpha");
        } else {
            ASSERT_EQ(Boxes.Shown.size(), 1u);
            EXPECT_EQ(Boxes.Shown[0].Text, "Invalid name.\n\nChange the name !");
        }
    }
    EXPECT_EQ(NamesIn(Root / "dst"),
              (std::vector<std::string>{"10:30 notes.txt", "<a|b*\"c\\>.txt", "what?.txt"}));
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(CopyAsDialogTest, ACopyUnderANewNameTakesContentAndUserAttributes)
{
    ASSERT_EQ(setxattr(Source.c_str(), "user.Description", "first", 5, 0), 0);
    const TRun run = CopyAs("b.txt");
    EXPECT_TRUE(run.Result);
    EXPECT_FALSE(run.OverwriteAsked);
    EXPECT_EQ(Root.ReadFile("dst/b.txt"), "alpha");
    EXPECT_EQ(XattrOf(Root / "dst/b.txt", "user.Description"), "first");
    EXPECT_NE(StatOf(Root / "dst/b.txt").st_ino, StatOf(Source).st_ino);
    EXPECT_EQ(Root.ReadFile("a.txt"), "alpha");
    EXPECT_EQ(Form.NameComboBox->findText(QStringLiteral("b.txt")), 0)
        << "the name went to the history";
}

TEST_F(CopyAsDialogTest, TargetsThatAreTheSourceOrADirectoryAreRefused)
{
    Root.WriteFile("dst/other.txt", "other");
    ASSERT_EQ(::link((Root / "dst/other.txt").c_str(), (Root / "dst/same-file.txt").c_str()), 0);
    fs::create_directories(Root / "dst/taken");
    struct TCase
    {
        std::string Source, Directory, Name, Description;
    };
    const TCase cases[] = {
        {Source, Root.Path(), "a.txt", "Source and destination are the same."},
        {Root / "dst/other.txt",
         Root / "dst",
         "same-file.txt",
         "Source and destination are the same."},
        {Source, Root / "dst", "taken", "A directory with that name already exists."},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        Window.Memos.clear();
        for (bool hardLink : {false, true}) {
            TOptions options;
            options.HardLink = hardLink;
            const TRun run = CopyAs(c.Source, c.Directory, c.Name, options);
            EXPECT_FALSE(run.Result);
            EXPECT_TRUE(run.StayedOpen);
            EXPECT_FALSE(run.OverwriteAsked);
        }
        EXPECT_EQ(ShownErrors(),
                  (std::vector<std::string>{"Failed to copy as.", "Failed to copy as."}));
        EXPECT_TRUE(MemoHas(c.Description)) << LastMemo();
    }
    EXPECT_EQ(Root.ReadFile("a.txt"), "alpha");
    EXPECT_EQ(Root.ReadFile("dst/same-file.txt"), "other");
    EXPECT_EQ(NamesIn(Root / "dst"),
              (std::vector<std::string>{"other.txt", "same-file.txt", "taken"}));
    EXPECT_TRUE(fs::is_empty(Root / "dst/taken"));
}

TEST_F(CopyAsDialogTest, TheSameNameInOtherLetterCaseIsANewFile)
{
    const TRun run = CopyAs(Source, Root.Path(), "A.txt", TOptions());
    EXPECT_TRUE(run.Result);
    EXPECT_FALSE(run.OverwriteAsked);
    EXPECT_TRUE(ShownErrors().empty());
    EXPECT_EQ(Root.ReadFile("A.txt"), "alpha");
    EXPECT_EQ(Root.ReadFile("a.txt"), "alpha");
    EXPECT_NE(StatOf(Root / "A.txt").st_ino, StatOf(Source).st_ino);
}

TEST_F(CopyAsDialogTest, AnExistingDestinationIsReplacedOnlyWhenTheOverwriteDialogAgrees)
{
    for (bool move : {false, true}) {
        SCOPED_TRACE(move ? "move" : "copy");
        Root.WriteFile("dst/b.txt", "bravo");
        TOptions options;
        options.Move = move;
        options.Answer = &TOverwriteForm::SkipThisButton;
        const TRun skipped = CopyAs("b.txt", options);
        EXPECT_TRUE(skipped.OverwriteAsked);
        EXPECT_FALSE(skipped.Result);
        EXPECT_TRUE(skipped.StayedOpen);
        EXPECT_EQ(Root.ReadFile("dst/b.txt"), "bravo");
        EXPECT_EQ(Root.ReadFile("a.txt"), "alpha");

        options.Answer = &TOverwriteForm::OverThisButton;
        const TRun replaced = CopyAs("b.txt", options);
        EXPECT_TRUE(replaced.OverwriteAsked);
        EXPECT_TRUE(replaced.Result);
        EXPECT_EQ(Root.ReadFile("dst/b.txt"), "alpha");
        EXPECT_EQ(fs::exists(Source), !move);
    }
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(CopyAsDialogTest, MoveModeMovesTheFileUnderTheNewName)
{
    const ino_t inode = StatOf(Source).st_ino;
    TOptions options;
    options.Move = true;
    const TRun run = CopyAs("moved.txt", options);
    EXPECT_TRUE(run.Result);
    EXPECT_FALSE(fs::exists(Source));
    EXPECT_EQ(Root.ReadFile("dst/moved.txt"), "alpha");
    EXPECT_EQ(StatOf(Root / "dst/moved.txt").st_ino, inode)
        << "a move within one mount is a rename";
}

TEST_F(CopyAsDialogTest, HardLinkModeGivesTheFileASecondName)
{
    TOptions options;
    options.HardLink = true;
    const TRun run = CopyAs("link.txt", options);
    EXPECT_TRUE(run.Result);
    EXPECT_FALSE(run.OverwriteAsked);
    EXPECT_EQ(StatOf(Root / "dst/link.txt").st_ino, StatOf(Source).st_ino);
    EXPECT_EQ(StatOf(Source).st_nlink, 2u);
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(CopyAsDialogTest, AHardLinkOntoAnExistingFileWaitsForTheOverwriteDialog)
{
    Root.WriteFile("dst/b.txt", "bravo");
    TOptions options;
    options.HardLink = true;
    const TRun skipped = CopyAs("b.txt", options);
    EXPECT_TRUE(skipped.OverwriteAsked);
    EXPECT_FALSE(skipped.Result);
    EXPECT_EQ(Root.ReadFile("dst/b.txt"), "bravo");
    EXPECT_EQ(StatOf(Source).st_nlink, 1u);

    options.Answer = &TOverwriteForm::OverThisButton;
    const TRun replaced = CopyAs("b.txt", options);
    EXPECT_TRUE(replaced.OverwriteAsked);
    EXPECT_TRUE(replaced.Result);
    EXPECT_EQ(StatOf(Root / "dst/b.txt").st_ino, StatOf(Source).st_ino);
    EXPECT_EQ(NamesIn(Root / "dst"), std::vector<std::string>{"b.txt"})
        << "no temporary name is left";
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(CopyAsDialogTest, AFailedHardLinkLeavesTheOldDestination)
{
    TSmallDisk disk(Root / "disk");
    if (!disk.Mounted)
        GTEST_SKIP()
            << "this machine cannot mount a tmpfs, so there is no second mount to link across";
    Root.WriteFile("disk/a.txt", "alpha on another mount");
    Root.WriteFile("dst/b.txt", "bravo");
    TOptions options;
    options.HardLink = true;
    options.Answer = &TOverwriteForm::OverThisButton;
    const TRun run = CopyAs(Root / "disk/a.txt", Root / "dst", "b.txt", options);
    EXPECT_TRUE(run.OverwriteAsked);
    EXPECT_FALSE(run.Result);
    EXPECT_TRUE(run.StayedOpen);
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"Failed to copy as."});
    EXPECT_TRUE(MemoHas("* Description: \"Failed to copy as hard-link.\"")) << LastMemo();
    EXPECT_TRUE(MemoHas("* System error code: " + std::to_string(EXDEV))) << LastMemo();
    EXPECT_EQ(Root.ReadFile("dst/b.txt"), "bravo");
    EXPECT_EQ(NamesIn(Root / "dst"), std::vector<std::string>{"b.txt"});
}

TEST_F(CopyAsDialogTest, ADirectoryOntoItselfIsRefusedAndKeepsItsEmptyDirectories)
{
    // "Move as" (or "Copy as") keeping the proposed name, directly or through a link to the
    // same folder: the caller would merge the directory with itself.
    fs::create_directories(Root / "d/empty");
    fs::create_directory_symlink(Root.Path(), Root / "lnk");
    for (const std::string &directory : {Root.Path(), Root / "lnk"})
        for (bool move : {true, false}) {
            SCOPED_TRACE(directory + (move ? " move" : " copy"));
            Window.Memos.clear();
            TOptions options;
            options.Move = move;
            const TRun run = CopyAs(Root / "d", directory, "d", options);
            EXPECT_FALSE(run.Result);
            EXPECT_TRUE(run.StayedOpen);
            EXPECT_TRUE(MemoHas("Source and destination are the same.")) << LastMemo();
            EXPECT_TRUE(fs::is_directory(Root / "d/empty"));
        }
    // Another name is the caller's to copy or move.
    TOptions options;
    options.Move = true;
    EXPECT_TRUE(CopyAs(Root / "d", Root.Path(), "e", options).Result);
    EXPECT_TRUE(fs::is_directory(Root / "d/empty"));
}

namespace {


const char *const LeaveStreamsQuestion =
    "There are file streams in the source files, but the destination partition\n"
    "doesn't support file streams. Therefore streams will not be in the\n"
    "destination files.\n\nClick \"Okay\" to CONTINUE.";

} // namespace

TEST_F(CopyAsDialogTest, StreamsThatCannotFollowAreAskedAboutFirst)
{
    TRamDisk ram(Root / "ram");
    if (!ram.Mounted) GTEST_SKIP() << "this machine cannot mount a ramfs";
    ASSERT_EQ(setxattr(Source.c_str(), "user.Description", "kept", 4, 0), 0);
    struct TCase
    {
        bool Move;
        int Answer;
        bool Done;
    };
    // "No" touches nothing; after "Okay" the file goes without its streams.
    const TCase cases[] = {{true, MessageBoxAnswer::No, false},
                           {false, MessageBoxAnswer::No, false},
                           {false, MessageBoxAnswer::Yes, true},
                           {true, MessageBoxAnswer::Yes, true}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::string(c.Move ? "move" : "copy") + (c.Done ? " yes" : " no"));
        Boxes.Shown.clear();
        Boxes.Answer = c.Answer;
        TOptions options;
        options.Move = c.Move;
        const TRun run = CopyAs(Source, ram.Path, "b.txt", options);
        ASSERT_GE(Boxes.Shown.size(), 1u);
        EXPECT_EQ(Boxes.Shown[0].Text, LeaveStreamsQuestion);
        const bool arrived = fs::exists(ram.Path + "/b.txt");
        EXPECT_EQ(run.Result, arrived);
        EXPECT_EQ(arrived, c.Done);
        if (arrived) {
            EXPECT_EQ(Root.ReadFile("ram/b.txt"), "alpha");
        }
        if (!arrived || !c.Move) {
            EXPECT_EQ(Root.ReadFile("a.txt"), "alpha");
            EXPECT_EQ(XattrOf(Source, "user.Description"), "kept");
        }
        if (arrived && c.Move) {
            EXPECT_FALSE(fs::exists(Source));
        }
        fs::remove(ram.Path + "/b.txt");
    }
    // A move within one mount is a rename that keeps the streams: nothing to ask.
    Root.WriteFile("c.txt", "charlie");
    ASSERT_EQ(setxattr((Root / "c.txt").c_str(), "user.Description", "mine", 4, 0), 0);
    Boxes.Shown.clear();
    TOptions options;
    options.Move = true;
    EXPECT_TRUE(CopyAs(Root / "c.txt", Root / "dst", "c.txt", options).Result);
    EXPECT_TRUE(Boxes.Shown.empty());
    EXPECT_EQ(XattrOf(Root / "dst/c.txt", "user.Description"), "mine");
}
