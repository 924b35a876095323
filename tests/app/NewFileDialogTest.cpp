// The new-file dialog on real directories: the name a new file gets, what is made on disk,
// refused and existing names, and a creation that fails.
#include "app/NewFileDialog.h"

#include "Libraries/File.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

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
    bool StayedOpen = false; // still open after the name was entered
    QString Caption, GroupCaption;
};

} // namespace

class NewFileDialogTest : public TStatusTest
{
protected:
    // Opens the dialog, types name into the edit (replacing what it held) and presses Enter;
    // a dialog left open afterwards is closed with Escape.
    TRun Create(const std::string &directory, int kind, const std::string &name)
    {
        TRun run;
        QTimer responder;
        responder.setSingleShot(true);
        QObject::connect(&responder, &QTimer::timeout, [&] {
            // One more turn of the loop: the dialog first puts the focus into the edit.
            QTimer::singleShot(0, &Form, [&] {
                if (QApplication::activeModalWidget() != &Form) {
                    ADD_FAILURE() << "the new-file dialog is not the modal window on top";
                    Form.reject();
                    return;
                }
                run.Caption = Form.windowTitle();
                run.GroupCaption = Form.NewFileNameGroupBox->title();
                EXPECT_EQ(Form.NewFileNameEdit->selectedText(), Form.NewFileNameEdit->text());
                QTest::keyClicks(Form.NewFileNameEdit, QString::fromStdString(name));
                QTest::keyClick(Form.NewFileNameEdit, Qt::Key_Return);
                run.StayedOpen = Form.isVisible();
                if (run.StayedOpen) QTest::keyClick(&Form, Qt::Key_Escape);
            });
        });
        responder.start(0);
        run.Result = Form.Dialog(directory, kind);
        return run;
    }

    TTempDir Root;
    TNewFileForm Form;
};

TEST(NewFileNameTest, AFileWithoutExtensionGetsTxtAndAFinalDotGoes)
{
    struct TCase
    {
        const char *Typed;
        int Kind;
        const char *Name;
    };
    const TCase cases[] = {
        {"notes", nkFile, "notes.txt"},
        {"notes.", nkFile, "notes"},
        {"a.md", nkFile, "a.md"},
        {"archive.tar.gz", nkFile, "archive.tar.gz"},
        {"notes", nkFileStream, "notes.txt"},
        {"notes.", nkFileStream, "notes"},
        {"notes", nkDirectory, "notes"},
        {"notes.", nkDirectory, "notes."},
    };
    for (const TCase &c : cases)
        EXPECT_EQ(NewFileName(c.Typed, c.Kind), c.Name) << c.Typed << " as kind " << c.Kind;
}

TEST_F(NewFileDialogTest, MakesTheFileOrDirectoryAndNothingForAStream)
{
    struct TCase
    {
        int Kind;
        const char *Typed, *Name, *Caption, *GroupCaption;
    };
    const TCase cases[] = {
        {nkFile, "notes", "notes.txt", "New file", "New file name"},
        {nkFile, "plain.", "plain", "New file", "New file name"},
        {nkDirectory, "folder", "folder", "New directory", "New directory name"},
        {nkFileStream, "stream", "stream.txt", "New file stream", "New file stream name"},
    };
    Form.NewFileNameEdit->setText(QStringLiteral("left from before"));
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Typed);
        const TRun run = Create(Root.Path(), c.Kind, c.Typed);
        EXPECT_TRUE(run.Result);
        EXPECT_FALSE(run.StayedOpen);
        EXPECT_EQ(run.Caption, QString::fromLatin1(c.Caption));
        EXPECT_EQ(run.GroupCaption, QString::fromLatin1(c.GroupCaption));
        EXPECT_EQ(Form.Title, Root / c.Name);
        EXPECT_EQ(Form.Created, c.Kind != nkFileStream);
    }
    EXPECT_EQ(NamesIn(Root.Path()), (std::vector<std::string>{"folder", "notes.txt", "plain"}));
    EXPECT_TRUE(fs::is_directory(Root / "folder"));
    EXPECT_TRUE(fs::is_regular_file(Root / "notes.txt"));
    EXPECT_EQ(fs::file_size(Root / "notes.txt"), 0u);
    EXPECT_TRUE(Boxes.Shown.empty());
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(NewFileDialogTest, ANameWithASlashIsRefusedAndTheDialogStaysOpen)
{
    fs::create_directories(Root / "sub");
    const TRun run = Create(Root.Path(), nkFile, "sub/notes");
    EXPECT_TRUE(run.StayedOpen);
    EXPECT_FALSE(run.Result) << "closed with Escape";
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Text, "Invalid name.\n\nChange the name !");
    EXPECT_EQ(NamesIn(Root.Path()), std::vector<std::string>{"sub"});
    EXPECT_TRUE(fs::is_empty(Root / "sub"));
}

TEST_F(NewFileDialogTest, AnExistingTitleIsReportedAndLeftAlone)
{
    for (int kind : {nkFile, nkDirectory}) {
        SCOPED_TRACE(kind);
        Boxes.Shown.clear();
        Root.WriteFile("notes.txt", "kept");
        const TRun run = Create(Root.Path(), kind, "notes.txt");
        EXPECT_TRUE(run.Result) << "the dialog closes as confirmed";
        EXPECT_FALSE(run.StayedOpen);
        EXPECT_FALSE(Form.Created);
        EXPECT_EQ(Form.Title, Root / "notes.txt");
        ASSERT_EQ(Boxes.Shown.size(), 1u);
        EXPECT_EQ(Boxes.Shown[0].Text, "File (/ directory) already exists.");
        EXPECT_EQ(Root.ReadFile("notes.txt"), "kept");
    }
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(NewFileDialogTest, AFailedCreationIsShownAndTheDialogCloses)
{
    for (int kind : {nkFile, nkDirectory}) {
        SCOPED_TRACE(kind);
        Window.Memos.clear();
        const TRun run = Create(Root / "missing", kind, "notes");
        EXPECT_TRUE(run.Result);
        EXPECT_FALSE(Form.Created);
        const std::string message =
            kind == nkFile ? "Failed to create new file." : "Failed to create new directory.";
        EXPECT_EQ(ShownErrors(), std::vector<std::string>{message});
        ASSERT_EQ(Window.Memos.size(), 1u);
        EXPECT_NE(Window.Memos[0].find(Root / "missing/notes"), std::string::npos)
            << Window.Memos[0];
        EXPECT_NE(Window.Memos[0].find("* System error code: " + std::to_string(ENOENT)),
                  std::string::npos);
    }
    EXPECT_FALSE(fs::exists(Root / "missing"));
}

TEST_F(NewFileDialogTest, CreatingWhereTheUserMayNotWriteFails)
{
    // A root-owned directory that others may enter but not write into.
    ASSERT_EQ(::chmod(Root.Path().c_str(), 0755), 0);
    Form.Directory = Root.Path();
    Form.Kind = nkFile;
    Form.NewFileNameEdit->setText(QStringLiteral("notes"));
    const int code = RunAsNobody([this] {
        if (::access(Root.Path().c_str(), W_OK) == 0) return 10; // the user can write after all
        if (!Form.Do()) return 1;
        if (Form.Created) return 2;
        if (ShownErrors() != std::vector<std::string>{"Failed to create new file."}) return 3;
        if (Window.Memos[0].find("* System error code: " + std::to_string(EACCES)) ==
            std::string::npos)
            return 4;
        return 0;
    });
    if (code == -1) GTEST_SKIP() << "this machine cannot run a test as the unprivileged user";
    if (code == 10) GTEST_SKIP() << "the unprivileged user may write into the test directory";
    EXPECT_EQ(code, 0)
        << "1: refused to close, 2: claimed to create, 3: wrong message, 4: no system error";
    EXPECT_FALSE(fs::exists(Root / "notes.txt"));
}
