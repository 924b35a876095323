// The file streams editor on real files and real extended attributes: the stream list, loading
// and saving with their limits, the save question, adding, deleting and naming streams, a file
// system without streams, a refused save, the text tools, find, go to line and the keys.
#include "app/FileStreamsDialog.h"

#include "Libraries/StoredTextList.h"
#include "app/MainDialog.h"
#include "app/NewFileDialog.h"
#include "app/StegDialog.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QtTest/QTest>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sys/statfs.h>
#include <sys/xattr.h>

namespace fs = std::filesystem;

namespace {

std::optional<std::string> XattrOf(const std::string &path, const std::string &stream)
{
    const std::string name = "user." + stream;
    const ssize_t size = getxattr(path.c_str(), name.c_str(), nullptr, 0);
    if (size < 0) return std::nullopt;
    std::string value(static_cast<std::size_t>(size), '\0');
    const ssize_t got = getxattr(path.c_str(), name.c_str(), value.data(), value.size());
    value.resize(got < 0 ? 0 : static_cast<std::size_t>(got));
    return value;
}

void SetXattr(const std::string &path, const std::string &stream, const std::string &value)
{
    const std::string name = "user." + stream;
    ASSERT_EQ(setxattr(path.c_str(), name.c_str(), value.data(), value.size(), 0), 0)
        << std::strerror(errno);
}

std::string Text(const QPlainTextEdit *edit)
{
    return edit->toPlainText().toStdString();
}

std::vector<std::string> Items(const QComboBox *box)
{
    std::vector<std::string> items;
    for (int i = 0; i < box->count(); ++i)
        items.push_back(box->itemText(i).toStdString());
    return items;
}

// The texts of the message boxes shown.
std::vector<std::string> Texts(const TFakeMessageBoxes &boxes)
{
    std::vector<std::string> texts;
    for (const auto &shown : boxes.Shown)
        texts.push_back(shown.Text);
    return texts;
}

const char *const SaveQuestion =
    "The content of stream \"Description\" has changed.\nDo you want to save the stream?";

} // namespace

class FileStreamsDialogTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        Form.MinimizeOnDeactivate = false;
        File = Root / "notes.txt";
        Root.WriteFile("notes.txt", "main text\nsecond line\n");
    }
    void TearDown() override
    {
        // Nothing left to ask about: the window closes without a question.
        Form.StreamContentRichEdit->document()->setModified(false);
        Form.close();
        TStatusTest::TearDown();
    }
    // Selects a display name in the list the way the user does, which loads it.
    void Choose(const std::string &displayName)
    {
        const int index = Form.FileStreamsComboBox->findText(QString::fromStdString(displayName));
        ASSERT_GE(index, 0) << displayName;
        // As a choice in the drop-down list: the selection changes, then the choice is told.
        Form.FileStreamsComboBox->setCurrentIndex(index);
        emit Form.FileStreamsComboBox->activated(index);
    }
    void Type(const QString &text) { QTest::keyClicks(Form.StreamContentRichEdit, text); }
    void PressInEdit(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(Form.StreamContentRichEdit, static_cast<Qt::Key>(key), modifiers);
    }
    bool Modified() const { return Form.StreamContentRichEdit->document()->isModified(); }
    // The report of the last error dialog.
    std::string LastMemo() const
    {
        return Window.Memos.empty() ? std::string() : Window.Memos.back();
    }

    TTempDir Root;
    std::string File;
    TFileStreamsForm Form;
};

// ---- Names, captions and texts ------------------------------------------------------------------

TEST(FileStreamsNamesTest, TheListHasMainAndTheNamedStreamsSortedWithoutRegardToCase)
{
    struct TCase
    {
        std::vector<std::string> Named, Listed;
        bool Shadowed;
    };
    const TCase cases[] = {
        {{}, {"Main"}, false},
        {{"Description", "alpha", "Zeta"}, {"alpha", "Description", "Main", "Zeta"}, false},
        {{"b", "B", "a"}, {"a", "B", "b", "Main"}, false},
        {{"Main", "x"}, {"Main", "x"}, true},
        {{"MAIN"}, {"Main"}, true},
        {{"Mainly"}, {"Main", "Mainly"}, false},
    };
    for (const TCase &c : cases) {
        bool shadowed = false;
        EXPECT_EQ(StreamDisplayNames(c.Named, shadowed), c.Listed);
        EXPECT_EQ(shadowed, c.Shadowed);
    }
    EXPECT_EQ(StreamNameOfDisplayName("Main"), "");
    EXPECT_EQ(StreamNameOfDisplayName("mAiN"), "");
    EXPECT_EQ(StreamNameOfDisplayName("Description"), "Description");
    EXPECT_EQ(FileStreamsCaption("/home/ann/notes.txt"),
              "File streams editor - \"notes.txt\" (in \"/home/ann/\")");
}

TEST(FileStreamsNamesTest, GoToLineLimitsTheNumberAndKeepsTheLineForOtherTexts)
{
    struct TCase
    {
        const char *Typed;
        int Current, Count, Line;
    };
    const TCase cases[] = {
        {"3", 1, 5, 3},
        {"5", 1, 5, 5},
        {"6", 1, 5, 5},
        {"0", 2, 5, 1},
        {"-4", 2, 5, 1},
        {"x", 4, 5, 4},
        {"", 4, 5, 4},
        {" 2 ", 1, 5, 2},
        {"99999999999", 1, 5, 5},
    };
    for (const TCase &c : cases)
        EXPECT_EQ(GoToLineNumber(c.Typed, c.Current, c.Count), c.Line) << c.Typed;
}

TEST(FileStreamsNamesTest, TextToolsAndStreamBytes)
{
    EXPECT_EQ(SeparatorLine('='), std::string(50, '='));
    EXPECT_EQ(SeparatorLine('-'), std::string(50, '-'));
    const auto fixed = [](int length) {
        return std::string(static_cast<std::size_t>(length), 'r');
    };
    EXPECT_EQ(LoginTemplateText(20, fixed),
              "* Login URL = \n* Email address = \n* User name = rrrrrrrrrr\n* Password = " +
                  std::string(20, 'r') + "\n");
    for (int length : {10, 20, 40}) {
        const std::string random = StreamsRandomText(length);
        EXPECT_EQ(random.size(), static_cast<std::size_t>(length));
        EXPECT_EQ(random.find_first_not_of("0123456789ABCDEF"), std::string::npos) << random;
    }
    struct TCase
    {
        std::string Bytes;
        bool Latin1;
    };
    const TCase cases[] = {{"plain", false}, {"caf\xc3\xa9", false}, {"caf\xe9", true}};
    for (const TCase &c : cases) {
        bool latin1 = false;
        const QString text = StreamBytesToText(c.Bytes, latin1);
        EXPECT_EQ(latin1, c.Latin1) << c.Bytes;
        EXPECT_EQ(text, QStringLiteral("plain") == text ? text : QStringLiteral("café"));
        EXPECT_EQ(StreamTextToBytes(text, false, latin1), c.Bytes);
    }
    EXPECT_EQ(StreamTextToBytes(QStringLiteral("a\nb\n"), true, false), "a\r\nb\r\n");
    // A character that Latin-1 cannot hold makes the text UTF-8.
    EXPECT_EQ(StreamTextToBytes(QStringLiteral("\u20ac"), false, true), "\xe2\x82\xac");
}

// ---- Opening ------------------------------------------------------------------------------------

TEST_F(FileStreamsDialogTest, OpensWithMainSelectedAndNothingLoaded)
{
    SetXattr(File, "Description", "about");
    SetXattr(File, "alpha", "a");
    Form.Dialog(File, omPlain);
    EXPECT_EQ(Form.windowTitle().toStdString(),
              "File streams editor - \"notes.txt\" (in \"" + Root.Path() + "/\")");
    EXPECT_EQ(Items(Form.FileStreamsComboBox),
              (std::vector<std::string>{"alpha", "Description", "Main"}));
    EXPECT_EQ(Form.FileStreamsComboBox->currentText(), QStringLiteral("Main"));
    EXPECT_TRUE(Form.Shown);
    EXPECT_TRUE(Form.StreamsSupported);
    EXPECT_TRUE(Form.LoadedStreamName.empty());
    EXPECT_TRUE(Form.StreamContentRichEdit->isReadOnly());
    EXPECT_EQ(Form.StreamContentRichEdit->placeholderText(),
              QStringLiteral("Before you can enter text, you must load a stream."));
    EXPECT_TRUE(Form.AddStreamMenu->isEnabled());
    EXPECT_TRUE(Form.Toolbar->toolTip().isEmpty());
    EXPECT_TRUE(Boxes.Shown.empty());

    // A second file while the first is held.
    Form.Dialog(Root / "other.txt", omPlain);
    EXPECT_EQ(Texts(Boxes),
              (std::vector<std::string>{"The editor is already loaded with a file."}));
    EXPECT_EQ(Form.FileName, File);
}

TEST_F(FileStreamsDialogTest, ADirectoryHasNoStreamsAndANamedMainIsShadowed)
{
    Form.Dialog(Root.Path(), omPlain);
    EXPECT_EQ(Texts(Boxes), (std::vector<std::string>{"Directories don't have streams."}));
    EXPECT_FALSE(Form.Shown);

    Boxes.Shown.clear();
    SetXattr(File, "Main", "hidden away");
    Form.Dialog(File, omLoadMain);
    EXPECT_EQ(Items(Form.FileStreamsComboBox), (std::vector<std::string>{"Main"}));
    EXPECT_EQ(Texts(Boxes),
              (std::vector<std::string>{
                  "A secondary stream with the same name as the main stream already "
                  "exists.\nYou can't access the secondary stream with that name, "
                  "but only the main stream."}));
    EXPECT_EQ(Text(Form.StreamContentRichEdit), "main text\nsecond line\n");
}

// ---- Loading and saving -------------------------------------------------------------------------

TEST_F(FileStreamsDialogTest, LoadsAndSavesTheMainAndTheDescriptionStreams)
{
    SetXattr(File, "Description", "first words");
    struct TCase
    {
        const char *DisplayName, *Before, *Stream;
    };
    const TCase cases[] = {
        {"Main", "main text\nsecond line\n", ""},
        {"Description", "first words", "Description"},
    };
    Form.Dialog(File, omPlain);
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.DisplayName);
        Choose(c.DisplayName);
        EXPECT_EQ(Form.LoadedStreamName, c.DisplayName);
        EXPECT_EQ(Text(Form.StreamContentRichEdit), c.Before);
        EXPECT_FALSE(Form.StreamContentRichEdit->isReadOnly());
        EXPECT_EQ(Form.LoadedStreamNamePanel->text().toStdString(),
                  std::string(" Name \"") + c.DisplayName + "\"");
        EXPECT_EQ(Form.SaveStatusPanel->text(), QStringLiteral("Saved"));
        Form.StreamContentRichEdit->moveCursor(QTextCursor::End);
        Type(QStringLiteral("+more"));
        EXPECT_EQ(Form.SaveStatusPanel->text(), QStringLiteral("Modified"));
        PressInEdit(Qt::Key_S, Qt::ControlModifier);
        EXPECT_FALSE(Modified());
        EXPECT_EQ(Form.SaveStatusPanel->text(), QStringLiteral("Saved"));
        const std::string after = std::string(c.Before) + "+more";
        if (*c.Stream)
            EXPECT_EQ(XattrOf(File, c.Stream), after);
        else
            EXPECT_EQ(Root.ReadFile("notes.txt"), after);
    }
    // Saving the main stream kept the named one.
    EXPECT_EQ(XattrOf(File, "Description"), "first words+more");
    EXPECT_TRUE(Window.Memos.empty());
    EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(FileStreamsDialogTest, EditDescriptionCreatesAMissingDescriptionEmptyAndLoadsIt)
{
    struct TCase
    {
        const char *Existing;
        const char *Text;
    };
    const TCase cases[] = {{nullptr, ""}, {"kept", "kept"}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Text);
        if (c.Existing) SetXattr(File, "Description", c.Existing);
        Form.Dialog(File, omDescription);
        EXPECT_EQ(XattrOf(File, "Description"), c.Text);
        EXPECT_EQ(Form.LoadedStreamName, "Description");
        EXPECT_EQ(Form.FileStreamsComboBox->currentText(), QStringLiteral("Description"));
        EXPECT_EQ(Text(Form.StreamContentRichEdit), c.Text);
        EXPECT_FALSE(Form.StreamContentRichEdit->isReadOnly());
        EXPECT_TRUE(Form.StreamContentRichEdit->placeholderText().isEmpty());
        Form.close();
        EXPECT_FALSE(Form.Shown);
        removexattr(File.c_str(), "user.Description");
    }
    EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(FileStreamsDialogTest, TheLoadLimitIsOneMillionBytes)
{
    struct TCase
    {
        std::size_t Size;
        bool Loaded;
    };
    const TCase cases[] = {{1000000, true}, {1000001, false}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Size);
        std::string content;
        while (content.size() < c.Size)
            content += std::string(99, 'x') + "\n";
        content.resize(c.Size);
        Root.WriteFile("notes.txt", content);
        Window.Memos.clear();
        Form.Dialog(File, omLoadMain);
        EXPECT_EQ(Form.StreamContentRichEdit->document()->characterCount() - 1,
                  c.Loaded ? static_cast<int>(c.Size) : 0);
        EXPECT_EQ(Form.StreamContentRichEdit->isReadOnly(), !c.Loaded);
        EXPECT_EQ(Form.LoadedStreamName, c.Loaded ? "Main" : "");
        if (c.Loaded) {
            EXPECT_TRUE(Window.Memos.empty());
            EXPECT_EQ(Form.CharsCountInfoPanel->text(), QStringLiteral("Chars 1,000,000"));
        } else {
            EXPECT_EQ(ShownErrors(), (std::vector<std::string>{"Failed to load stream."}));
            EXPECT_NE(LastMemo().find("* Description: \"Stream size too big.\""), std::string::npos)
                << LastMemo();
            // Nothing to save over the stream that was not read.
            PressInEdit(Qt::Key_A);
            EXPECT_FALSE(Modified());
        }
        Form.close();
    }
    EXPECT_EQ(Root.ReadFile("notes.txt").size(), 1000001u);
}

TEST_F(FileStreamsDialogTest, AZeroByteShowsTheTextBeforeItAndRefusesEditing)
{
    Root.WriteFile("notes.txt", std::string("readable\0binary", 15));
    SetXattr(File, "Data", std::string("ab\0cd", 5));
    struct TCase
    {
        const char *DisplayName, *Text;
    };
    const TCase cases[] = {{"Main", "readable"}, {"Data", "ab"}};
    Form.Dialog(File, omPlain);
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.DisplayName);
        Window.Memos.clear();
        Choose(c.DisplayName);
        EXPECT_EQ(Text(Form.StreamContentRichEdit), c.Text);
        EXPECT_EQ(ShownErrors(), (std::vector<std::string>{"Failed to load stream."}));
        EXPECT_NE(
            LastMemo().find("This stream contains binary data. You can't edit the data because "
                            "some of it would be lost during saving."),
            std::string::npos);
        EXPECT_TRUE(Form.StreamContentRichEdit->isReadOnly());
        Form.InsertSeparatorMenuClick('=');
        PressInEdit(Qt::Key_S, Qt::ControlModifier);
        EXPECT_EQ(Text(Form.StreamContentRichEdit), c.Text);
    }
    EXPECT_EQ(Root.ReadFile("notes.txt"), std::string("readable\0binary", 15));
    EXPECT_EQ(XattrOf(File, "Data"), std::string("ab\0cd", 5));
}

TEST_F(FileStreamsDialogTest, CrLfLineEndsAndLatin1BytesComeBackAsTheyWere)
{
    Root.WriteFile("notes.txt", "one\r\ntwo\r\n");
    SetXattr(File, "Old", "caf\xe9");
    Form.Dialog(File, omLoadMain);
    EXPECT_EQ(Text(Form.StreamContentRichEdit), "one\ntwo\n");
    Form.StreamContentRichEdit->moveCursor(QTextCursor::End);
    Type(QStringLiteral("three"));
    EXPECT_TRUE(Form.SaveStream());
    EXPECT_EQ(Root.ReadFile("notes.txt"), "one\r\ntwo\r\nthree");
    Choose("Old");
    EXPECT_EQ(Form.StreamContentRichEdit->toPlainText(), QStringLiteral("café"));
    Type(QStringLiteral("!"));
    EXPECT_TRUE(Form.SaveStream());
    EXPECT_EQ(XattrOf(File, "Old"), "!caf\xe9");
}

TEST_F(FileStreamsDialogTest, ARefusedSaveKeepsTheTextAndSaysWhy)
{
    SetXattr(File, "Notes", "old value");
    // Every file system refuses a value above 64 KiB; ext4 keeps about 4 KiB per file.
    std::vector<std::pair<std::size_t, int>> cases = {{70000, E2BIG}};
    struct statfs info
    {
    };
    if (statfs(Root.Path().c_str(), &info) == 0 && info.f_type == 0xEF53)
        cases.push_back({5000, ENOSPC});
    Form.Dialog(File, omPlain);
    for (const auto &[size, code] : cases) {
        SCOPED_TRACE(size);
        Window.Memos.clear();
        Choose("Notes");
        const QString typed(static_cast<qsizetype>(size), QLatin1Char('y'));
        Form.StreamContentRichEdit->selectAll();
        Form.StreamContentRichEdit->insertPlainText(typed);
        EXPECT_FALSE(Form.SaveStream());
        EXPECT_EQ(ShownErrors(), (std::vector<std::string>{"Failed to save stream."}));
        EXPECT_NE(LastMemo().find("* Description: \"Failed to write data.\""), std::string::npos);
        EXPECT_NE(LastMemo().find(std::strerror(code)), std::string::npos) << LastMemo();
        EXPECT_EQ(Form.StreamContentRichEdit->toPlainText(), typed);
        EXPECT_TRUE(Modified());
        EXPECT_EQ(XattrOf(File, "Notes"), "old value");
        Form.StreamContentRichEdit->document()->setModified(false);
    }
}

TEST_F(FileStreamsDialogTest, AFullDiskKeepsTheMainStreamAndTheEditorsText)
{
    TSmallDisk disk(Root / "small");
    if (!disk.Mounted) GTEST_SKIP() << "this machine cannot mount a tmpfs";
    const std::string onDisk = disk.Path + "/full.txt";
    {
        std::ofstream(onDisk) << "kept whole";
    }
    disk.FillUp();
    Form.Dialog(onDisk, omLoadMain);
    const QString typed(20000, QLatin1Char('z'));
    Form.StreamContentRichEdit->moveCursor(QTextCursor::End);
    Form.StreamContentRichEdit->insertPlainText(typed);
    EXPECT_FALSE(Form.SaveStream());
    EXPECT_EQ(ShownErrors(), (std::vector<std::string>{"Failed to save stream."}));
    EXPECT_NE(LastMemo().find(std::strerror(ENOSPC)), std::string::npos) << LastMemo();
    EXPECT_EQ(Form.StreamContentRichEdit->toPlainText(), QStringLiteral("kept whole") + typed);
    EXPECT_TRUE(Modified());
    std::ifstream in(onDisk);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()),
              "kept whole");
    Form.StreamContentRichEdit->document()->setModified(false);
    Form.close();
}

// ---- The save question --------------------------------------------------------------------------

TEST_F(FileStreamsDialogTest, SwitchingStreamsAsksToSaveAChangedOne)
{
    struct TCase
    {
        int Answer;
        const char *Stored, *Loaded;
    };
    const TCase cases[] = {
        {MessageBoxAnswer::Yes, "words!", "Main"},
        {MessageBoxAnswer::No, "words", "Main"},
        {MessageBoxAnswer::Cancel, "words", "Description"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Answer);
        SetXattr(File, "Description", "words");
        Form.Dialog(File, omDescription);
        Form.StreamContentRichEdit->moveCursor(QTextCursor::End);
        Type(QStringLiteral("!"));
        Boxes.Shown.clear();
        Boxes.Answer = c.Answer;
        Choose("Main");
        EXPECT_EQ(Texts(Boxes), (std::vector<std::string>{SaveQuestion}));
        EXPECT_EQ(Boxes.Shown[0].Style & 0xF, MessageBoxStyle::YesNoCancel);
        EXPECT_EQ(XattrOf(File, "Description"), c.Stored);
        EXPECT_EQ(Form.LoadedStreamName, c.Loaded);
        EXPECT_EQ(Form.FileStreamsComboBox->currentText().toStdString(), c.Loaded);
        // Without a change nothing is asked.
        Boxes.Shown.clear();
        Form.StreamContentRichEdit->document()->setModified(false);
        Form.close();
        EXPECT_TRUE(Boxes.Shown.empty());
    }
}

TEST_F(FileStreamsDialogTest, ClosingWithAChangeAsksAndCancelKeepsTheWindow)
{
    SetXattr(File, "Description", "words");
    Form.Dialog(File, omDescription);
    Type(QStringLiteral("new "));
    Boxes.Answer = MessageBoxAnswer::Cancel;
    EXPECT_FALSE(Form.close());
    EXPECT_TRUE(Form.isVisible());
    EXPECT_TRUE(Form.Shown);
    EXPECT_EQ(Text(Form.StreamContentRichEdit), "new words");
    Boxes.Answer = MessageBoxAnswer::Yes;
    PressInEdit(Qt::Key_Escape);
    EXPECT_FALSE(Form.isVisible());
    EXPECT_FALSE(Form.Shown);
    EXPECT_EQ(XattrOf(File, "Description"), "new words");
    EXPECT_EQ(Texts(Boxes), (std::vector<std::string>{SaveQuestion, SaveQuestion}));
    // Closed, the window takes the next file.
    Boxes.Shown.clear();
    Form.Dialog(File, omLoadMain);
    EXPECT_TRUE(Boxes.Shown.empty());
    EXPECT_EQ(Form.LoadedStreamName, "Main");
}

// ---- Commands on streams ------------------------------------------------------------------------

TEST_F(FileStreamsDialogTest, AddsStreamsThroughTheNewFileDialog)
{
    TNewFileForm names;
    NewFileForm = &names;
    // Types the name into the new-file dialog once it is up.
    const auto answer = [&](const QString &typed) {
        QTimer::singleShot(0, &names, [&, typed] {
            QTimer::singleShot(0, &names, [&, typed] {
                names.NewFileNameEdit->setText(typed);
                QTest::keyClick(names.NewFileNameEdit, Qt::Key_Return);
            });
        });
    };
    SetXattr(File, "existing.txt", "x");
    Form.Dialog(File, omPlain);
    struct TCase
    {
        const char *Typed;
        std::vector<std::string> Listed;
        std::vector<std::string> Shown;
    };
    const TCase cases[] = {
        {"notes", {"existing.txt", "Main", "notes.txt"}, {}},
        {"plain.", {"existing.txt", "Main", "notes.txt", "plain"}, {}},
        {"existing", {"existing.txt", "Main", "notes.txt", "plain"}, {"Stream already exists."}},
        {"Main.", {"existing.txt", "Main", "notes.txt", "plain"}, {}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Typed);
        Boxes.Shown.clear();
        answer(QString::fromLatin1(c.Typed));
        Form.AddStreamMenu->trigger();
        EXPECT_EQ(Items(Form.FileStreamsComboBox), c.Listed);
        EXPECT_EQ(Texts(Boxes), c.Shown);
        EXPECT_EQ(Form.FileStreamsComboBox->currentText(), QStringLiteral("Main"));
    }
    EXPECT_EQ(XattrOf(File, "notes.txt"), "");
    EXPECT_EQ(XattrOf(File, "existing.txt"), "x");
    EXPECT_FALSE(XattrOf(File, "Main").has_value());
    NewFileForm = nullptr;
}

TEST_F(FileStreamsDialogTest, AFailedAddSaysWhyAndTheListShowsTheFile)
{
    Form.OnAskStreamName = [](const std::string &) { return std::string(300, 'n'); };
    Form.Dialog(File, omPlain);
    Form.AddStreamMenuClick();
    EXPECT_EQ(ShownErrors(), (std::vector<std::string>{"Failed to add stream."}));
    EXPECT_EQ(Items(Form.FileStreamsComboBox), (std::vector<std::string>{"Main"}));
}

TEST_F(FileStreamsDialogTest, DeletesNamedStreamsButNeverTheMainOne)
{
    SetXattr(File, "Description", "d");
    SetXattr(File, "Other", "o");
    Form.Dialog(File, omDescription);
    Type(QStringLiteral("unsaved "));
    struct TCase
    {
        const char *Selected;
        int Answer;
        std::vector<std::string> Shown, Listed;
    };
    const TCase cases[] = {
        {"Main",
         MessageBoxAnswer::Yes,
         {"You can't delete the main stream because the entire file would be deleted."},
         {"Description", "Main", "Other"}},
        {"Other",
         MessageBoxAnswer::No,
         {"Delete stream \"Other\"?"},
         {"Description", "Main", "Other"}},
        // The loaded stream with its unsaved change goes without a save question.
        {"Description",
         MessageBoxAnswer::Yes,
         {"Delete stream \"Description\"?"},
         {"Main", "Other"}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Selected);
        Boxes.Shown.clear();
        Boxes.Answer = c.Answer;
        Form.FileStreamsComboBox->blockSignals(true);
        Form.FileStreamsComboBox->setCurrentText(QString::fromLatin1(c.Selected));
        Form.FileStreamsComboBox->blockSignals(false);
        Form.DeleteStreamMenu->trigger();
        EXPECT_EQ(Texts(Boxes), c.Shown);
        EXPECT_EQ(Items(Form.FileStreamsComboBox), c.Listed);
    }
    EXPECT_FALSE(XattrOf(File, "Description").has_value());
    EXPECT_EQ(XattrOf(File, "Other"), "o");
    EXPECT_EQ(Form.LoadedStreamName, "Main");
    EXPECT_EQ(Text(Form.StreamContentRichEdit), "main text\nsecond line\n");
    EXPECT_TRUE(Window.Memos.empty());
}

TEST_F(FileStreamsDialogTest, ClipPutsTheStreamNameOnTheClipboard)
{
    SetXattr(File, "Description", "d");
    Form.Dialog(File, omDescription);
    Form.ClipStreamNameMenu->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Description"));
}

// ---- A file system without streams --------------------------------------------------------------

TEST_F(FileStreamsDialogTest, AFileSystemWithoutStreamsSaysSoForItsFilesOnly)
{
    TRamDisk ram(Root / "ram");
    if (!ram.Mounted) GTEST_SKIP() << "this machine cannot mount a ramfs";
    const std::string onRam = ram.Path + "/plain.txt";
    {
        std::ofstream(onRam) << "on ram";
    }
    Form.Dialog(onRam, omDescription);
    EXPECT_FALSE(Form.StreamsSupported);
    EXPECT_EQ(Texts(Boxes),
              (std::vector<std::string>{"Your operating system doesn't support file streams."}));
    EXPECT_EQ(Items(Form.FileStreamsComboBox), (std::vector<std::string>{"Main"}));
    EXPECT_FALSE(Form.AddStreamMenu->isEnabled());
    EXPECT_FALSE(Form.AddDescriptionStreamMenu->isEnabled());
    EXPECT_FALSE(Form.DeleteStreamMenu->isEnabled());
    EXPECT_EQ(Form.Toolbar->toolTip(),
              QStringLiteral("Toolbar. Your operating system doesn't support file streams."));
    EXPECT_TRUE(Window.Memos.empty());
    // The main stream is still a text to edit.
    Choose("Main");
    Form.StreamContentRichEdit->moveCursor(QTextCursor::End);
    Type(QStringLiteral(" edited"));
    EXPECT_TRUE(Form.SaveStream());
    Form.close();
    std::ifstream in(onRam);
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(content, "on ram edited");

    // The next file, on a file system with streams, has them.
    Boxes.Shown.clear();
    Form.Dialog(File, omDescription);
    EXPECT_TRUE(Form.StreamsSupported);
    EXPECT_TRUE(Boxes.Shown.empty());
    EXPECT_TRUE(Form.AddStreamMenu->isEnabled());
    EXPECT_TRUE(Form.Toolbar->toolTip().isEmpty());
    EXPECT_EQ(Form.LoadedStreamName, "Description");
}

// ---- Text tools, find, go to line and keys ------------------------------------------------------

TEST_F(FileStreamsDialogTest, TextToolsInsertAboveTheCaretLineOrReplaceTheSelection)
{
    Form.Dialog(File, omLoadMain);
    QTextCursor cursor = Form.StreamContentRichEdit->textCursor();
    cursor.setPosition(Form.StreamContentRichEdit->document()->findBlockByNumber(1).position() + 3);
    Form.StreamContentRichEdit->setTextCursor(cursor);
    Form.InsertSeparatorMenuClick('-');
    EXPECT_EQ(Text(Form.StreamContentRichEdit),
              "main text\n" + SeparatorLine('-') + "\nsecond line\n");
    Form.InsertLoginTemplate(40);
    const QStringList lines = Form.StreamContentRichEdit->toPlainText().split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 9);
    EXPECT_EQ(lines[2], QStringLiteral("* Login URL = "));
    EXPECT_EQ(lines[3], QStringLiteral("* Email address = "));
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("* User name = ")));
    EXPECT_EQ(lines[4].size(), 14 + 10);
    EXPECT_TRUE(lines[5].startsWith(QStringLiteral("* Password = ")));
    EXPECT_EQ(lines[5].size(), 13 + 40);
    EXPECT_EQ(lines[6].toStdString(), SeparatorLine('='));
    EXPECT_EQ(lines[7], QStringLiteral("second line"));
    // The caret stayed in its line.
    EXPECT_EQ(Form.StreamContentRichEdit->textCursor().blockNumber(), 7);
    Form.StreamContentRichEdit->selectAll();
    Form.InsertRandomTextMenuClick(20);
    EXPECT_EQ(Form.StreamContentRichEdit->toPlainText().size(), 20);
    EXPECT_TRUE(Modified());
}

TEST_F(FileStreamsDialogTest, FindsTheNextMatchAndGoesToLines)
{
    Root.WriteFile("notes.txt", "alpha\nbeta Alpha\ngamma\nalpha again\n");
    Form.Dialog(File, omLoadMain);
    QLineEdit *find = Form.FindTextComboBox->lineEdit();
    find->setText(QStringLiteral("alpha"));
    struct TCase
    {
        Qt::KeyboardModifiers Modifiers;
        int Line;
    };
    // From the caret at the start: each Enter the next match, case aside; Ctrl starts over.
    const TCase cases[] = {
        {Qt::NoModifier, 0}, {Qt::NoModifier, 1}, {Qt::NoModifier, 3}, {Qt::ControlModifier, 0}};
    for (const TCase &c : cases) {
        QTest::keyClick(find, Qt::Key_Return, c.Modifiers);
        EXPECT_EQ(Form.StreamContentRichEdit->textCursor().blockNumber(), c.Line);
        EXPECT_EQ(Form.StreamContentRichEdit->textCursor().selectedText().toLower(),
                  QStringLiteral("alpha"));
    }
    EXPECT_TRUE(Boxes.Shown.empty());
    PressInEdit(Qt::Key_F3);
    PressInEdit(Qt::Key_F3);
    PressInEdit(Qt::Key_F3);
    EXPECT_EQ(Texts(Boxes), (std::vector<std::string>{"There are no more text matches."}));
    EXPECT_EQ(Items(Form.FindTextComboBox), (std::vector<std::string>{"alpha"}));
    // F3 with nothing to find goes to the find box.
    find->clear();
    Form.StreamContentRichEdit->setFocus();
    PressInEdit(Qt::Key_F3);
    EXPECT_TRUE(find->hasFocus() || QApplication::focusWidget() == nullptr);

    QLineEdit *line = Form.GoToLineComboBox->lineEdit();
    struct TLineCase
    {
        const char *Typed;
        int Block;
    };
    const TLineCase lines[] = {{"3", 2}, {"1000", 4}, {"0", 0}, {"x", 0}, {"2", 1}};
    for (const TLineCase &c : lines) {
        SCOPED_TRACE(c.Typed);
        line->setText(QString::fromLatin1(c.Typed));
        QTest::keyClick(line, Qt::Key_Return);
        EXPECT_EQ(Form.StreamContentRichEdit->textCursor().blockNumber(), c.Block);
        EXPECT_EQ(Form.LinePosPanel->text(), QStringLiteral("Line %1").arg(c.Block + 1));
    }
    EXPECT_EQ(Items(Form.GoToLineComboBox), (std::vector<std::string>{"2", "1", "5", "3"}));
    EXPECT_EQ(Form.LinesCountPanel->text(), QStringLiteral("Lines 5"));
}

TEST_F(FileStreamsDialogTest, CtrlAndAltLetOnlyTheirKeysThrough)
{
    Root.WriteFile("notes.txt", "");
    Form.Dialog(File, omLoadMain);
    Type(QStringLiteral("ab"));
    struct TCase
    {
        int Key;
        Qt::KeyboardModifiers Modifiers;
        const char *Text;
    };
    const TCase cases[] = {
        {Qt::Key_B, Qt::ControlModifier, "ab"},
        {Qt::Key_I, Qt::ControlModifier, "ab"},
        {Qt::Key_Return, Qt::ControlModifier, "ab"},
        {Qt::Key_X, Qt::AltModifier, "ab"},
        {Qt::Key_Tab, Qt::NoModifier, "ab\t"},
        // Undo works with Ctrl held.
        {Qt::Key_Z, Qt::ControlModifier, ""},
        {Qt::Key_A, Qt::NoModifier, "a"},
        {Qt::Key_B, Qt::NoModifier, "ab"},
        {Qt::Key_C, Qt::NoModifier, "abc"},
    };
    for (const TCase &c : cases) {
        PressInEdit(c.Key, c.Modifiers);
        EXPECT_EQ(Text(Form.StreamContentRichEdit), c.Text) << c.Key;
    }
    // Ctrl+A selects everything, Ctrl+C copies it with the clipboard routine, Ctrl+V pastes.
    PressInEdit(Qt::Key_A, Qt::ControlModifier);
    PressInEdit(Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("abc"));
    PressInEdit(Qt::Key_End, Qt::ControlModifier);
    PressInEdit(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Text(Form.StreamContentRichEdit), "abcabc");
    // Alt+F reaches the "&Find text" label.
    PressInEdit(Qt::Key_F, Qt::AltModifier);
    EXPECT_EQ(Text(Form.StreamContentRichEdit), "abcabc");
    QWidget *focused = Form.focusWidget();
    EXPECT_TRUE(focused == Form.FindTextComboBox || focused == Form.FindTextComboBox->lineEdit())
        << (focused ? focused->metaObject()->className() : "none");
}

TEST_F(FileStreamsDialogTest, TheEditHoldsAtMostOneMillionCharacters)
{
    std::string content;
    while (content.size() < 999998)
        content += std::string(99, 'x') + "\n";
    content.resize(999998);
    Root.WriteFile("notes.txt", content);
    Form.Dialog(File, omLoadMain);
    Form.StreamContentRichEdit->moveCursor(QTextCursor::End);
    Form.StreamContentRichEdit->insertPlainText(QStringLiteral("12345"));
    QCoreApplication::processEvents();
    EXPECT_EQ(Form.StreamContentRichEdit->document()->characterCount() - 1, 1000000);
    EXPECT_TRUE(Form.StreamContentRichEdit->toPlainText().endsWith(QStringLiteral("x12")));
}

// ---- Steganography hooks, settings and the window -----------------------------------------------

TEST_F(FileStreamsDialogTest, APictureUnderAutomaticStegIsAnEncryptedNotebook)
{
    TStegForm steg;
    StegForm = &steg;
    FileStreamsForm = &Form;
    TMainForm::InstallAutoSteg();
    QImage picture(160, 120, QImage::Format_ARGB32);
    std::uint32_t state = 99;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            state = state * 1664525u + 1013904223u;
            picture.setPixel(x, y, 0xFF000000u | (state >> 8));
        }
    const std::string carrier = Root / "book.png";
    picture.save(QString::fromStdString(carrier), "PNG");
    steg.PasswordEdit->setText(QStringLiteral("notebook"));
    steg.ConfirmPasswordEdit->setText(QStringLiteral("notebook"));
    steg.UserKeyIterationsComboBox->setCurrentText(QStringLiteral("100"));
    steg.ActivateAutoStegSpeedButton->setChecked(true);
    ASSERT_TRUE(steg.AutoStegIn(carrier, "diary.txt", "first entry\n"));

    Form.Dialog(carrier, omLoadMain);
    EXPECT_TRUE(Form.SteggedOut);
    EXPECT_EQ(Text(Form.StreamContentRichEdit), "first entry\n");
    Form.StreamContentRichEdit->moveCursor(QTextCursor::End);
    Type(QStringLiteral("second entry"));
    EXPECT_TRUE(Form.SaveStream());
    EXPECT_TRUE(ShownErrors().empty());
    std::string name, text;
    std::string shown = carrier;
    bool isText = false;
    std::uint64_t size = 0;
    ASSERT_TRUE(steg.AutoStegOut(shown, name, isText, &text, size));
    EXPECT_EQ(name, "diary.txt");
    EXPECT_EQ(text, "first entry\nsecond entry");
    EXPECT_TRUE(QImage(QString::fromStdString(carrier)).width() == 160);
    Form.StreamContentRichEdit->document()->setModified(false);
    FileStreamsForm = nullptr;
    StegForm = nullptr;
}

TEST_F(FileStreamsDialogTest, AHiddenTextIsEditedInPlaceAndHiddenAgain)
{
    std::string hiddenIn;
    int stegIns = 0;
    Form.OnAutoStegOut = [](const std::string &,
                            std::string &hiddenName,
                            bool &isText,
                            std::string &text,
                            std::uint64_t &size) {
        hiddenName = "secret.txt";
        isText = true;
        text = "hidden words";
        size = text.size();
        return true;
    };
    Form.OnAutoStegIn =
        [&](const std::string &file, const std::string &hiddenName, const std::string &text) {
            EXPECT_EQ(file, File);
            EXPECT_EQ(hiddenName, "secret.txt");
            hiddenIn = text;
            ++stegIns;
        };
    Form.Dialog(File, omLoadMain);
    EXPECT_TRUE(Form.SteggedOut);
    EXPECT_EQ(Text(Form.StreamContentRichEdit), "hidden words");
    Type(QStringLiteral("more "));
    EXPECT_TRUE(Form.SaveStream());
    EXPECT_EQ(stegIns, 1);
    EXPECT_EQ(hiddenIn, "more hidden words");
    EXPECT_EQ(Root.ReadFile("notes.txt"), "main text\nsecond line\n");

    // A hidden picture is no text: the main stream is read as it is.
    Form.OnAutoStegOut =
        [](const std::string &, std::string &, bool &isText, std::string &, std::uint64_t &) {
            isText = false;
            return true;
        };
    Form.LoadStream();
    EXPECT_FALSE(Form.SteggedOut);
    EXPECT_EQ(Text(Form.StreamContentRichEdit), "main text\nsecond line\n");
    Type(QStringLiteral("x"));
    EXPECT_TRUE(Form.SaveStream());
    EXPECT_EQ(stegIns, 1);
    EXPECT_EQ(Root.ReadFile("notes.txt"), "xmain text\nsecond line\n");

    // A steg-out state on another stream is a contradiction.
    SetXattr(File, "Description", "d");
    Form.FillStreamsList();
    Choose("Description");
    Form.SteggedOut = true;
    Type(QStringLiteral("x"));
    EXPECT_FALSE(Form.SaveStream());
    EXPECT_EQ(ShownErrors(),
              (std::vector<std::string>{"PANIC: Contradictory steg-out status and stream name."}));
    EXPECT_EQ(XattrOf(File, "Description"), "d");
    Form.SteggedOut = false;
}

TEST_F(FileStreamsDialogTest, TheWindowBoundsAreStoredUnderItsOwnSection)
{
    TStoredTextList list;
    list.WriteInteger("FileStreamsEditor", "XPos", 40);
    list.WriteInteger("FileStreamsEditor", "YPos", 30);
    list.WriteInteger("FileStreamsEditor", "XSize", 700);
    list.WriteInteger("FileStreamsEditor", "YSize", 450);
    Form.ReadSettings(list);
    EXPECT_EQ(Form.width(), 700);
    EXPECT_EQ(Form.height(), 450);
    Form.resize(660, 410);
    TStoredTextList written;
    Form.WriteSettings(written);
    std::int32_t width = 0, height = 0;
    written.ReadInteger("FileStreamsEditor", "XSize", width, 0, 10000);
    written.ReadInteger("FileStreamsEditor", "YSize", height, 0, 10000);
    EXPECT_EQ(width, 660);
    EXPECT_EQ(height, 410);
    // Never below 650 x 400.
    Form.resize(100, 100);
    EXPECT_EQ(Form.size(), QSize(650, 400));
}

TEST_F(FileStreamsDialogTest, LosingTheFocusToAnotherWindowMinimisesIt)
{
    Form.MinimizeOnDeactivate = true;
    Form.Dialog(File, omLoadMain);
    QApplication::setActiveWindow(&Form);
    QCoreApplication::processEvents();
    if (!Form.isActiveWindow()) GTEST_SKIP() << "this platform does not activate windows";
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    EXPECT_TRUE(Form.isMinimized());
    // Opening another file brings it back, saying it already holds one.
    Form.Dialog(File, omPlain);
    EXPECT_FALSE(Form.isMinimized());
}

TEST_F(FileStreamsDialogTest, TheWindowShowsEveryControlAndItsMenus)
{
    SetXattr(File, "Description", "A file with a description.\nSecond line of it.");
    Form.resize(760, 460);
    Form.Dialog(File, omDescription);
    const std::vector<QWidget *> controls = {Form.FileStreamsComboBox,
                                             Form.StreamsMenuButton,
                                             Form.FindTextComboBox,
                                             Form.GoToLineComboBox,
                                             Form.StreamContentRichEdit,
                                             Form.SaveStatusPanel,
                                             Form.LinePosPanel,
                                             Form.LinesCountPanel,
                                             Form.CharsCountInfoPanel,
                                             Form.LoadedStreamNamePanel};
    for (QWidget *control : controls)
        EXPECT_TRUE(control->isVisible()) << control->objectName().toStdString();
    const auto captions = [](const QMenu *menu) {
        std::vector<std::string> texts;
        for (const QAction *action : menu->actions())
            if (!action->isSeparator()) texts.push_back(action->text().toStdString());
        return texts;
    };
    EXPECT_EQ(
        captions(Form.FileStreamsPopupMenu),
        (std::vector<std::string>{"Add", "Add description", "Delete", "Clip", "Load", "Save"}));
    EXPECT_EQ(Form.SaveStreamMenu->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_EQ(captions(Form.PopupMenu),
              (std::vector<std::string>{"Copy to clipboard",
                                        "Cut to clipboard",
                                        "Paste from clipboard",
                                        "Insert separator =",
                                        "Insert separator -",
                                        "Insert 10 chars random text",
                                        "Insert 20 chars random text",
                                        "Insert 40 chars random text",
                                        "Insert 20 chars login template",
                                        "Insert 40 chars login template"}));
    EXPECT_EQ(Form.StreamLabel->text(), QStringLiteral("&Stream"));
    EXPECT_EQ(Form.FindTextLabel->text(), QStringLiteral("&Find text"));
    EXPECT_EQ(Form.GoToLineLabel->text(), QStringLiteral("&Go to line"));
    EXPECT_EQ(Form.LinesCountPanel->text(), QStringLiteral("Lines 2"));
    EXPECT_EQ(Form.CharsCountInfoPanel->text(), QStringLiteral("Chars 45"));
    // Under a real display the window stays up for the given seconds, for a look or a picture.
    const int seconds = qEnvironmentVariableIntValue("VELMORDIAN_SHOW_STREAMS_EDITOR_SECONDS");
    if (seconds > 0) {
        QTimer::singleShot(seconds * 1000, &Form, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
}
