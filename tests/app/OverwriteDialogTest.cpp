// The overwrite question on real files: which side is newer, the remembered choices that answer
// without asking, and the modal dialog's buttons, keys and captions.
#include "app/OverwriteDialog.h"

#include "Libraries/File.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <sys/stat.h>

namespace {

void SetModified(const std::string &path, std::time_t seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0) << path;
}

// What one question answered, and what the dialog showed while it asked.
struct TAnswer
{
    bool Proceed = false, SourceNewer = false, DestinationInfo = false, Overwrite = false,
         Abort = false;
    bool Shown = false;
    QString SourceCaption, DestinationCaption, SourceName, DestinationName;
    bool FocusOnOverwriteThis = false;
};

} // namespace

class OverwriteDialogTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        Root.WriteFile("src.txt", "source content");
        Root.WriteFile("dst.txt", "old");
        SetModified(Root / "src.txt", 1300000000);
        Older(Root / "dst.txt");
    }
    static void Older(const std::string &path) { SetModified(path, 1000000000); }
    static void Newer(const std::string &path) { SetModified(path, 1600000000); }

    // Asks about src.txt over dst.txt. When the dialog comes up, react runs on it once the
    // dialog's own start-up work is done; without react a shown dialog is answered with
    // "&Abort" (and Shown tells that it appeared).
    TAnswer Ask(const std::function<void(TOverwriteForm &)> &react = {}, bool askAgain = false)
    {
        TAnswer answer;
        QTimer responder;
        responder.setSingleShot(true);
        QObject::connect(&responder, &QTimer::timeout, [&] {
            QTimer::singleShot(0, &Form, [&] {
                QWidget *modal = QApplication::activeModalWidget();
                if (modal != &Form) {
                    ADD_FAILURE() << "the overwrite dialog is not the modal window on top";
                    Form.reject();
                    return;
                }
                answer.Shown = true;
                answer.SourceCaption = Form.SourceGroupBox->title();
                answer.DestinationCaption = Form.DestinationGroupBox->title();
                answer.SourceName = Form.SourceNameLabel->text();
                answer.DestinationName = Form.DestinationNameLabel->text();
                answer.FocusOnOverwriteThis = Form.focusWidget() == Form.OverThisButton;
                if (react)
                    react(Form);
                else
                    QTest::mouseClick(Form.AbortButton, Qt::LeftButton);
            });
        });
        responder.start(0);
        answer.Proceed = Form.Dialog(Root / "src.txt",
                                     Root / "dst.txt",
                                     answer.SourceNewer,
                                     answer.DestinationInfo,
                                     answer.Overwrite,
                                     answer.Abort,
                                     askAgain);
        return answer;
    }
    static std::function<void(TOverwriteForm &)> Click(QPushButton *TOverwriteForm::*button)
    {
        return [button](TOverwriteForm &form) { QTest::mouseClick(form.*button, Qt::LeftButton); };
    }

    TTempDir Root;
    TOverwriteForm Form;
};

TEST(SourceIsNewerTest, DecidesByEmptinessThenTimeThenSizeThenEncryption)
{
    const TRawFileTime early = RawFileTime(1000000000, 0), late = RawFileTime(1000000000, 500);
    struct TCase
    {
        const char *Name;
        TOverwriteFacts Facts;
        bool Newer;
    };
    const TCase cases[] = {
        {"non-empty over empty, though older", {5, 0, early, late, false, false}, true},
        {"empty over non-empty, though later", {0, 5, late, early, false, false}, false},
        {"both empty, later source", {0, 0, late, early, false, false}, true},
        {"later source, though smaller", {1, 9, late, early, false, false}, true},
        {"earlier source, though larger", {9, 1, early, late, false, false}, false},
        {"equal times, larger source", {9, 1, early, early, false, false}, true},
        {"equal times, smaller source, though encrypted", {1, 9, early, early, true, false}, false},
        {"equal times and sizes, encrypted over plain", {5, 5, early, early, true, false}, true},
        {"equal times and sizes, plain over encrypted", {5, 5, early, early, false, true}, false},
        {"equal times and sizes, both encrypted", {5, 5, early, early, true, true}, false},
        {"everything equal", {5, 5, early, early, false, false}, false},
    };
    for (const TCase &c : cases)
        EXPECT_EQ(SourceIsNewer(c.Facts), c.Newer) << c.Name;
}

TEST_F(OverwriteDialogTest, RememberedChoicesAnswerWithoutShowingTheDialog)
{
    enum TDestination
    {
        Missing,
        OlderFile,
        NewerFile,
        NewerButEmpty
    };
    struct TCase
    {
        int Choice;
        TDestination Destination;
        bool Proceed, Overwrite, SourceNewer, DestinationInfo;
    };
    const TCase cases[] = {
        {ocSkipThis, Missing, true, false, true, false},
        {ocOverwriteAll, Missing, true, true, true, false},
        {ocOverwriteAll, NewerFile, true, true, true, false},
        {ocAbort, OlderFile, false, false, true, false},
        {ocSkipAll, OlderFile, false, false, true, true},
        {ocSkipAll, NewerFile, false, false, false, true},
        {ocOverwriteAllOlder, OlderFile, true, true, true, true},
        {ocOverwriteAllOlder, NewerFile, false, false, false, true},
        {ocOverwriteAllOlder, NewerButEmpty, true, true, true, true},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE("choice " + std::to_string(c.Choice) + ", destination " +
                     std::to_string(c.Destination));
        std::remove((Root / "dst.txt").c_str());
        if (c.Destination != Missing) {
            Root.WriteFile("dst.txt", c.Destination == NewerButEmpty ? "" : "old");
            if (c.Destination == OlderFile)
                Older(Root / "dst.txt");
            else
                Newer(Root / "dst.txt");
        }
        Form.overwriteChoice = c.Choice;
        const TAnswer answer = Ask();
        EXPECT_FALSE(answer.Shown);
        EXPECT_EQ(answer.Proceed, c.Proceed);
        EXPECT_EQ(answer.Overwrite, c.Overwrite);
        EXPECT_EQ(answer.SourceNewer, c.SourceNewer);
        EXPECT_EQ(answer.DestinationInfo, c.DestinationInfo);
        EXPECT_FALSE(answer.Abort);
        EXPECT_EQ(Form.overwriteChoice, c.Choice)
            << "the choice holds for the rest of the operation";
        EXPECT_EQ(Root.ReadFile("src.txt"), "source content");
    }
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(OverwriteDialogTest, OverwriteThisProceedsAndTheNextConflictIsAskedAgain)
{
    Form.Reset();
    const TAnswer first = Ask(Click(&TOverwriteForm::OverThisButton));
    EXPECT_TRUE(first.Shown);
    EXPECT_TRUE(first.FocusOnOverwriteThis);
    EXPECT_EQ(first.SourceName, QStringLiteral("src.txt"));
    EXPECT_EQ(first.DestinationName, QStringLiteral("dst.txt"));
    EXPECT_EQ(first.SourceCaption, QStringLiteral("Source (newer)"));
    EXPECT_EQ(first.DestinationCaption, QStringLiteral("Destination"));
    EXPECT_TRUE(first.Proceed);
    EXPECT_TRUE(first.Overwrite);
    EXPECT_TRUE(first.SourceNewer);
    EXPECT_TRUE(first.DestinationInfo);
    EXPECT_FALSE(first.Abort);

    const TAnswer second = Ask(Click(&TOverwriteForm::SkipThisButton));
    EXPECT_TRUE(second.Shown);
    EXPECT_FALSE(second.Proceed);
    EXPECT_FALSE(second.Overwrite);
    EXPECT_FALSE(second.Abort);
    EXPECT_FALSE(Form.isVisible());
}

TEST_F(OverwriteDialogTest, OverwriteAllMakesTheNextConflictProceedWithoutAsking)
{
    Form.Reset();
    const TAnswer first = Ask(Click(&TOverwriteForm::OverAllButton));
    EXPECT_TRUE(first.Shown);
    EXPECT_TRUE(first.Proceed);
    EXPECT_TRUE(first.Overwrite);

    Newer(Root / "dst.txt"); // even a newer destination
    const TAnswer second = Ask();
    EXPECT_FALSE(second.Shown);
    EXPECT_TRUE(second.Proceed);
    EXPECT_TRUE(second.Overwrite);
}

TEST_F(OverwriteDialogTest, AbortSetsAbortAndEveryLaterConflictDeclinesWithoutAsking)
{
    Form.Reset();
    const TAnswer first = Ask(Click(&TOverwriteForm::AbortButton));
    EXPECT_TRUE(first.Shown);
    EXPECT_FALSE(first.Proceed);
    EXPECT_TRUE(first.Abort);
    EXPECT_FALSE(first.Overwrite);

    const TAnswer second = Ask();
    EXPECT_FALSE(second.Shown);
    EXPECT_FALSE(second.Proceed);

    Form.Reset(); // a new operation asks again
    EXPECT_TRUE(Ask(Click(&TOverwriteForm::SkipThisButton)).Shown);
}

TEST_F(OverwriteDialogTest, EscapeSkipsThisFileAndTheNextIsAskedAgain)
{
    Form.Reset();
    const TAnswer first = Ask([](TOverwriteForm &form) { QTest::keyClick(&form, Qt::Key_Escape); });
    EXPECT_TRUE(first.Shown);
    EXPECT_FALSE(first.Proceed);
    EXPECT_FALSE(first.Abort);
    EXPECT_FALSE(first.Overwrite);
    EXPECT_EQ(Form.overwriteChoice, ocSkipThis);
    EXPECT_TRUE(Ask(Click(&TOverwriteForm::SkipThisButton)).Shown);
}

TEST_F(OverwriteDialogTest, ANewerDestinationIsMarkedAndOverwriteAllOlderKeepsIt)
{
    Newer(Root / "dst.txt");
    Form.Reset();
    const TAnswer first = Ask(Click(&TOverwriteForm::OverAllOlderButton));
    EXPECT_TRUE(first.Shown);
    EXPECT_EQ(first.SourceCaption, QStringLiteral("Source"));
    EXPECT_EQ(first.DestinationCaption, QStringLiteral("Destination (newer)"));
    EXPECT_FALSE(first.SourceNewer);
    EXPECT_FALSE(first.Proceed);
    EXPECT_FALSE(first.Overwrite);

    // The choice stands: an older destination is now replaced without asking.
    Older(Root / "dst.txt");
    const TAnswer second = Ask();
    EXPECT_FALSE(second.Shown);
    EXPECT_TRUE(second.Proceed);
    EXPECT_TRUE(second.Overwrite);
}

TEST_F(OverwriteDialogTest, AnUnreadableSourceIsShownAndDeclined)
{
    std::remove((Root / "src.txt").c_str());
    Form.Reset();
    const TAnswer answer = Ask();
    EXPECT_FALSE(answer.Shown);
    EXPECT_FALSE(answer.Proceed);
    EXPECT_FALSE(answer.DestinationInfo);
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"Failed to confirm overwrite."});
    EXPECT_EQ(Root.ReadFile("dst.txt"), "old");
}

TEST_F(OverwriteDialogTest, AskingAgainShowsTheDialogDespiteARememberedOverwrite)
{
    struct TCase
    {
        int Remembered;
        QPushButton *TOverwriteForm::*Button;
        bool Proceed;
        int RememberedAfter;
    };
    const TCase cases[] = {
        {ocOverwriteAll, &TOverwriteForm::SkipThisButton, false, ocOverwriteAll},
        {ocOverwriteAll, &TOverwriteForm::OverThisButton, true, ocOverwriteAll},
        {ocOverwriteAllOlder, &TOverwriteForm::SkipThisButton, false, ocOverwriteAllOlder},
        {ocOverwriteAllOlder, &TOverwriteForm::SkipAllButton, false, ocSkipAll},
        {ocOverwriteAll, &TOverwriteForm::OverAllButton, true, ocOverwriteAll},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Remembered * 10 + c.RememberedAfter);
        Form.overwriteChoice = c.Remembered;
        const TAnswer answer = Ask(Click(c.Button), true);
        EXPECT_TRUE(answer.Shown);
        EXPECT_EQ(answer.Proceed, c.Proceed);
        EXPECT_EQ(answer.Overwrite, c.Proceed);
        EXPECT_EQ(Form.overwriteChoice, c.RememberedAfter);
    }
    // Without a destination there is nothing to ask about.
    std::filesystem::remove(Root / "dst.txt");
    Form.overwriteChoice = ocOverwriteAll;
    EXPECT_FALSE(Ask({}, true).Shown);
}
