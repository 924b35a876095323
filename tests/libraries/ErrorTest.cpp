// Status contexts, the guard, the report, the error dialog's logic and the message dialogs.
#include "Libraries/Error.h"

#include "Libraries/MyTime.h"
#include "Libraries/Program.h"
#include "tests/support/TestSupport.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace {

constexpr const char *ThisUnit = "ErrorTest";

void FailingCallee()
{
    TFunScope Fun("Callee", "FailingCallee");
    Fun.Run([&] { Fun.Raise("Callee broke.", "p1", "p2", 0); });
}

void WarningCallee()
{
    TFunScope Fun("Callee", "WarningCallee");
    Fun.Run([&] { Fun.RaiseAt(fsWarning, 7, "Only a warning."); });
}

void SucceedingCallee()
{
    TFunScope Fun("Callee", "SucceedingCallee");
    Fun.Run([] {});
}

// Checks after the call, as operations usually do.
void CallerChecking(bool &continued)
{
    TFunScope Fun(ThisUnit, "CallerChecking");
    Fun.Run([&] {
        FailingCallee();
        if (Fun.CalleeFailed()) return;
        continued = true;
    });
}

// Forgets to check after its last call: the guard still takes the failure over.
void CallerForgetting()
{
    TFunScope Fun(ThisUnit, "CallerForgetting");
    Fun.Run([&] { FailingCallee(); });
}

void CallerIgnoringOnPurpose()
{
    TFunScope Fun(ThisUnit, "CallerIgnoringOnPurpose");
    Fun.Run([&] {
        FailingCallee();
        FunStatContext.Reset(fsPerfect);
    });
}

void CallerAfterWarning()
{
    TFunScope Fun(ThisUnit, "CallerAfterWarning");
    Fun.Run([&] {
        WarningCallee();
        if (Fun.CalleeFailed()) return;
        SucceedingCallee();
    });
}

} // namespace

using ErrorTest = TStatusTest;

TEST_F(ErrorTest, CalleeFailureIsNeverReportedAsSuccess)
{
    bool continued = false;
    CallerChecking(continued);
    EXPECT_FALSE(continued);
    EXPECT_EQ(FunStatContext.status, fsError);
    EXPECT_EQ(FunStatContext.file, "Callee");
    EXPECT_EQ(FunStatContext.function, "FailingCallee");
    EXPECT_EQ(FunStatContext.description, "Callee broke.");

    CallerForgetting();
    EXPECT_EQ(FunStatContext.status, fsError);
    EXPECT_EQ(FunStatContext.function, "FailingCallee");

    CallerIgnoringOnPurpose();
    EXPECT_EQ(FunStatContext.status, fsPerfect);
}

TEST_F(ErrorTest, SuccessAfterAWarningLeavesAnEmptyPerfectContext)
{
    CallerAfterWarning();
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_EQ(FunStatContext.description, "");
    EXPECT_EQ(FunStatContext.function, "");
    EXPECT_EQ(FunStatContext.line, 0);
}

TEST_F(ErrorTest, ShowContextIsNeverCopied)
{
    TFunStatContext source;
    source.Raise(fsError, "U", "F", 12, "D", "1", "2", 5);
    source.SetShowContext("ShowUnit", "ShowFunction", 99);
    source.userText = "kept";
    TFunStatContext target;
    target.SetShowContext("Mine", "", 3);
    target = source;
    EXPECT_EQ(target.description, "D");
    EXPECT_EQ(target.systemErrorCode, 5);
    EXPECT_EQ(target.userText, "kept");
    EXPECT_EQ(target.showFile, "Mine");
    EXPECT_EQ(target.showLine, 3);
    const TFunStatContext copy(source);
    EXPECT_EQ(copy.showFile, "");
    EXPECT_EQ(copy.line, 12);
}

TEST_F(ErrorTest, ExceptionsBecomeErrorsAtTheHandlerLine)
{
    struct TCase
    {
        std::function<void()> Throw;
        std::string Description;
        bool HasPlace;
    };
    const TCase cases[] = {
        {[] { throw TException("disk on fire"); }, "Unhandled exception: disk on fire", true},
        {[] { throw std::runtime_error("bad"); }, "Unhandled exception: bad", false},
        {[] { throw 42; }, "Unhandled generic exception.", false},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Description);
        int handlerLine = 0;
        {
            TFunScope Fun(ThisUnit, "Thrower");
            handlerLine = __LINE__ + 1;
            Fun.Run([&] { c.Throw(); });
        }
        EXPECT_EQ(FunStatContext.status, fsError);
        EXPECT_EQ(FunStatContext.description, c.Description);
        EXPECT_EQ(FunStatContext.function, "Thrower");
        EXPECT_EQ(FunStatContext.line, handlerLine);
        EXPECT_EQ(!FunStatContext.parameter1.empty(), c.HasPlace);
        if (c.HasPlace) {
            EXPECT_NE(FunStatContext.parameter1.find("ErrorTest.cpp"), std::string::npos);
            EXPECT_GT(std::stoi(FunStatContext.parameter2), 0);
        }
    }
}

TEST_F(ErrorTest, ReportTextMatchesTheLayoutLineByLine)
{
    TFunStatContext context;
    context.Raise(fsCatastrophe, "Libraries/MemoryStorage", "TMemoryStorage::Recapacitate", 120,
                  "Capacity must be positive.", "-5", "16", ENOENT);
    context.SetShowContext("app/MainDialog", "", 77);
    context.userText = "free text";
    const double when = EncodeDateTime(2008, 3, 19, 14, 30, 5);
    const std::string expected =
        "\r\nRAISE CONTEXT"
        "\r\n* Status: Catastrophe: CATASTROPHIC FAILURE!!! It is highly recommended to terminate "
        "the program immediately!"
        "\r\n* File: \"MemoryStorage\""
        "\r\n* Function: \"TMemoryStorage::Recapacitate\""
        "\r\n* Line: 120"
        "\r\n* Description: \"Capacity must be positive.\""
        "\r\n* Parameter 1: \"-5\""
        "\r\n* Parameter 2: \"16\""
        "\r\n* System error code: 2"
        "\r\n* System error description: \"" + std::string(std::strerror(ENOENT)) + "\""
        "\r\n\r\nSHOW CONTEXT"
        "\r\n* File: \"MainDialog\""
        "\r\n* Function: \"\""
        "\r\n* Line: 77"
        "\r\n\r\nINFO"
        "\r\n* Time: " + LongDateTimeText(" | ", when) +
        "\r\n* Program: " + ProgramFilePath() +
        "\r\n* Recursive attempts: 0"
        "\r\n\r\nUSER INFO"
        "\r\n* UserCode: 0"
        "\r\n* UserText: free text"
        "\r\n* UserInt: 0"
        "\r\n* UserReal: 0";
    EXPECT_EQ(context.ReportTextAt(when), expected);
    EXPECT_EQ(LongDateTimeText(" | ", when), "Wednesday, March 19, 2008 (79) | 2:30:05 PM (522)");
}

TEST_F(ErrorTest, ReportLeavesOutEmptyParametersAndAZeroErrorCode)
{
    TFunStatContext context;
    context.Raise(fsError, "U", "F", 1, "D", "", "second only", 0);
    const std::string report = context.ReportTextAt(EncodeDateTime(2020, 1, 1, 0, 0, 0));
    EXPECT_EQ(report.find("Parameter 1"), std::string::npos);
    EXPECT_NE(report.find("\r\n* Parameter 2: \"second only\""), std::string::npos);
    EXPECT_EQ(report.find("System error"), std::string::npos);
    EXPECT_NE(report.find("* Status: Error\r\n"), std::string::npos);
    EXPECT_EQ(TFunStatContext::StatusText(6), "Unknown function status");
}

TEST_F(ErrorTest, TopLevelShowNamesTheActionAndResets)
{
    {
        TFunScope Fun(ThisUnit, "Com_Something");
        Fun.Run([&] { FailingCallee(); });
        Fun.ShowIfFailed("Failed to rotate column.");
    }
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"Failed to rotate column."});
    EXPECT_EQ(Window.Caption, "Error");
    EXPECT_NE(Window.Memos[0].find("* Description: \"Callee broke.\""), std::string::npos);
    EXPECT_NE(Window.Memos[0].find("SHOW CONTEXT\r\n* File: \"ErrorTest\""), std::string::npos);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
}

TEST_F(ErrorTest, PanicIsShownWhereDetectedAndPropagates)
{
    {
        TFunScope Fun(ThisUnit, "TMemoryStorage::Resize");
        Fun.Run([&] { Fun.Panic("Size must be positive."); });
    }
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"PANIC: Size must be positive."});
    EXPECT_EQ(Window.Caption, "Panic");
    EXPECT_EQ(FunStatContext.status, fsPanic);
    EXPECT_EQ(FunStatContext.description, "Size must be positive.");
}

TEST_F(ErrorTest, NestedFailuresWhileTheDialogIsOpenAreCounted)
{
    std::vector<std::string> labels;
    std::vector<bool> nestedResults;
    Window.OnShow = [&] {
        for (int i = 0; i < 2; ++i) {
            TFunStatContext nested;
            nested.Raise(fsError, "Timer", "Tick", 1, "again");
            nestedResults.push_back(nested.Show("nested"));
            labels.push_back(Window.RecursionLabel);
        }
    };
    TFunStatContext context;
    context.Raise(fsError, "U", "F", 1, "first");
    EXPECT_TRUE(context.Show("first"));
    EXPECT_EQ(labels, (std::vector<std::string>{"Recursive attempts = 1", "Recursive attempts = 2"}));
    EXPECT_EQ(nestedResults, (std::vector<bool>{true, true}));
    EXPECT_EQ(Window.Memos.size(), 1u);
    EXPECT_EQ(Form.RecursionCount(), 0);
    Window.OnShow = nullptr;
    context.Show("again");
    EXPECT_EQ(Window.RecursionLabel, "Recursive attempts = None");
}

TEST_F(ErrorTest, DialogAnswers)
{
    struct TCase
    {
        TErrorWindowResult Result;
        bool Accepted, NoErrors;
    };
    const TCase cases[] = {{TErrorWindowResult::Okay, true, false},
                           {TErrorWindowResult::OkayNoErrors, true, true},
                           {TErrorWindowResult::Cancel, false, false}};
    TFunStatContext context;
    context.Raise(fsError, "U", "F", 1, "D");
    for (const TCase &c : cases) {
        Window.Result = c.Result;
        bool noErrors = !c.NoErrors;
        EXPECT_EQ(context.Show("", &noErrors), c.Accepted);
        EXPECT_EQ(noErrors, c.NoErrors);
    }
    EXPECT_EQ(ShownErrors().back(), "Failed to perform.");

    ErrorForm = nullptr;
    EXPECT_FALSE(context.Show("x"));
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Text, "The error-dialog form is not created. You must create it.");
    EXPECT_EQ(Boxes.Shown[0].Caption, "Error");
}

TEST_F(ErrorTest, LogAppendsEntriesAndRestartsPastTenThousandBytes)
{
    TTempDir dir;
    Form.LogFileName = dir / "Errors.log";
    Window.OnShow = [&] {
        Form.LogButtonClick();
        Form.LogButtonClick();
    };
    TFunStatContext context;
    context.Raise(fsError, "U", "F", 1, "D");
    context.Show("Failed to save.");
    const std::string entry = "**********" + Form.MemoText() + "\r\n**********\r\n";
    EXPECT_EQ(entry.rfind("**********DESCRIPTION\r\nFailed to save.\r\n", 0), 0u);
    EXPECT_EQ(dir.ReadFile("Errors.log"), entry + entry);
    EXPECT_EQ(Boxes.Beeps, (std::vector<unsigned>{0, 0}));

    dir.WriteFile("Errors.log", std::string(10001, 'x'));
    EXPECT_TRUE(Form.AppendToLog());
    EXPECT_EQ(dir.ReadFile("Errors.log"), entry);

    dir.WriteFile("Errors.log", std::string(10000, 'x'));
    EXPECT_TRUE(Form.AppendToLog());
    EXPECT_EQ(dir.ReadFile("Errors.log").size(), 10000 + entry.size());
}

TEST_F(ErrorTest, LogFailureIsSilent)
{
    TTempDir dir;
    Form.LogFileName = dir / "missing/Errors.log";
    Form.LogButtonClick();
    EXPECT_FALSE(Form.AppendToLog());
    EXPECT_TRUE(Boxes.Beeps.empty());

    // A log the user may not write, checked without root's privileges.
    dir.WriteFile("ro.log", "");
    std::filesystem::permissions(dir / "ro.log", std::filesystem::perms::owner_read |
                                                     std::filesystem::perms::group_read |
                                                     std::filesystem::perms::others_read);
    std::filesystem::permissions(dir.Path(), std::filesystem::perms::all);
    Form.LogFileName = dir / "ro.log";
    const int code = RunAsNobody([&] { return Form.AppendToLog() ? 1 : 0; });
    if (code < 0) GTEST_SKIP() << "cannot switch to the user nobody on this machine";
    EXPECT_EQ(code, 0);
}

TEST_F(ErrorTest, MessageDialogsMapTheAnswers)
{
    struct TCase
    {
        int Answer;
        bool YesNo;
        int YesNoCancel;
    };
    const TCase cases[] = {{MessageBoxAnswer::Yes, true, 1},
                           {MessageBoxAnswer::No, false, 7},
                           {MessageBoxAnswer::Cancel, false, 2},
                           {MessageBoxAnswer::Failed, false, 2}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Answer);
        Boxes.Answer = c.Answer;
        EXPECT_EQ(AskYesNo("q"), c.YesNo);
        EXPECT_EQ(AskYesNoCancel("q"), c.YesNoCancel);
    }
    EXPECT_EQ(Boxes.Beeps, (std::vector<unsigned>{48, 48}));
    Boxes.Shown.clear();
    ShowInfoMessage("i");
    ShowWarningMessage("w");
    ShowErrorMessage("e");
    ASSERT_EQ(Boxes.Shown.size(), 3u);
    EXPECT_EQ(Boxes.Shown[0].Caption, "Message");
    EXPECT_EQ(Boxes.Shown[0].Style, 64u | 0x2000u);
    EXPECT_EQ(Boxes.Shown[1].Caption, "Warning");
    EXPECT_EQ(Boxes.Shown[1].Style, 48u | 0x2000u);
    EXPECT_EQ(Boxes.Shown[2].Caption, "Error");
    EXPECT_EQ(Boxes.Shown[2].Style, 16u | 0x2000u);
    Boxes.Shown.clear();
    ReportErrorCount(0);
    ReportErrorCount(3);
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Text, "There were 3 errors.");
}

TEST_F(ErrorTest, LastErrorClassification)
{
    EXPECT_FALSE(LastErrorFailed(0));
    EXPECT_FALSE(LastErrorFailed(ECANCELED));
    EXPECT_TRUE(LastErrorFailed(EACCES));
    EXPECT_FALSE(LastErrorFailedAfterCreate(EEXIST));
    EXPECT_TRUE(LastErrorFailed(EEXIST));
    EXPECT_TRUE(IsEndOfSearch(0));
    EXPECT_TRUE(IsEndOfSearch(ENOENT));
    EXPECT_FALSE(IsEndOfSearch(EIO));
}

TEST_F(ErrorTest, ApplicationExceptionIsShownAndReset)
{
    FunStatContext.OnApplicationException("boom");
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"Unhandled error."});
    EXPECT_NE(Window.Memos[0].find("\"Unhandled error.\r\nboom\""), std::string::npos);
    EXPECT_NE(Window.Memos[0].find("* Function: \"TFunStatContext::OnApplicationException\""),
              std::string::npos);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
}

TEST_F(ErrorTest, ADialogThatIsGoneIsNeverShown)
{
    {
        TFakeErrorWindow window;
        TErrorForm form(&window);
        ErrorForm = &form;
    }
    EXPECT_EQ(ErrorForm, nullptr);
    FunStatContext.Raise(fsError, "ErrorTest", "ADialogThatIsGone", 1, "Broken.");
    EXPECT_FALSE(FunStatContext.Show("Failed to go on."));
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Text, "The error-dialog form is not created. You must create it.");
    ErrorForm = &Form;
}

TEST_F(ErrorTest, ApplicationExceptionRecordsASystemErrorOnlyWhenACallFailed)
{
    // An earlier call that succeeded may leave any errno behind.
    errno = ENOENT;
    FunStatContext.OnApplicationException("boom");
    ASSERT_EQ(Window.Memos.size(), 1u);
    EXPECT_EQ(Window.Memos[0].find("* System error"), std::string::npos) << Window.Memos[0];
    errno = 0;
    FunStatContext.OnApplicationException("refused", EACCES);
    ASSERT_EQ(Window.Memos.size(), 2u);
    EXPECT_NE(Window.Memos[1].find("* System error code: " + std::to_string(EACCES)),
              std::string::npos)
        << Window.Memos[1];
    EXPECT_EQ(FunStatContext.status, fsPerfect);
}
