// Status contexts, the error dialog's logic, the message dialogs and the last-error tests.
#pragma once

#include "platform/ErrorWindow.h"

#include <cstdint>
#include <stdexcept>
#include <string>

// How an operation ended; an error is any status above fsWarning.
enum FunStatus : std::int32_t
{
    fsPerfect = 0,
    fsWarning = 1,
    fsError = 2,
    fsBeginFunction = 3,
    fsPanic = 4,
    fsCatastrophe = 5
};

// The outcome of the last operation: where a failure was raised, where it was shown, and why.
// Copies take the raise context and the user info, never the show context.
class TFunStatContext
{
public:
    // Raise context.
    std::int32_t status = fsPerfect;
    std::string file;
    std::string function;
    std::int32_t line = 0;
    std::string description;
    std::string parameter1;
    std::string parameter2;
    std::int32_t systemErrorCode = 0;
    // Show context.
    std::string showFile;
    std::string showFunction;
    std::int32_t showLine = 0;
    // User info: printed in every report, set by nothing in the program.
    std::int32_t userCode = 0;
    std::string userText;
    std::int32_t userInt = 0;
    double userReal = 0;

    TFunStatContext() = default;
    TFunStatContext(const TFunStatContext &other);
    TFunStatContext &operator=(const TFunStatContext &other);

    bool IsError() const { return status > fsWarning; }

    void Reset(std::int32_t newStatus);
    void ResetUserInfo();
    void BeginFunction(const std::string &unit, const std::string &functionName, std::int32_t at);
    void Raise(std::int32_t newStatus,
               const std::string &unit,
               const std::string &functionName,
               std::int32_t at,
               const std::string &what,
               const std::string &first = {},
               const std::string &second = {},
               std::int32_t errorCode = 0);
    void SetShowContext(const std::string &unit, const std::string &functionName, std::int32_t at);

    static std::string StatusText(std::int32_t value);
    // The structured report shown by the error dialog, lines ended by CR LF.
    std::string ReportText() const;
    // The same report with the given local time (days since 1899-12-30) in its INFO part.
    std::string ReportTextAt(double dateTime) const;
    // Shows the error dialog; true when the user accepted, false on cancel or when it cannot show.
    bool Show(const std::string &message, bool *noErrors = nullptr) const;

    // The handler for exceptions that escape an event handler of the user interface; the system
    // error code is that of a call that just failed, when the exception reports one.
    void OnApplicationException(const std::string &message, std::int32_t failedCallCode = 0);
};

// The one global status context.
extern TFunStatContext FunStatContext;

// The program's own exception class: it remembers where it was thrown.
class TException : public std::runtime_error
{
public:
    explicit TException(const std::string &message,
                        const char *thrownIn = __builtin_FILE(),
                        int thrownAt = __builtin_LINE())
        : std::runtime_error(message), File(thrownIn), Line(thrownAt)
    {
    }
    std::string File;
    int Line;
};

// Carries one operation through the failure convention: BeginFunction on entry, a local
// context, the catch-all, and the outcome assigned to FunStatContext on exit. An error that
// the last callee left in FunStatContext is taken over on exit, so it is never lost; clear it
// with FunStatContext.Reset(0) where a failure is meant to be ignored.
class TFunScope
{
public:
    TFunScope(const char *unit, const char *function, int at = __builtin_LINE());
    ~TFunScope();
    TFunScope(const TFunScope &) = delete;
    TFunScope &operator=(const TFunScope &) = delete;

    // Runs the body under the catch-all.
    template <class TBody>
    void Run(TBody &&body, int at = __builtin_LINE())
    {
        try {
            body();
        } catch (const TException &error) {
            RaiseAt(fsError,
                    at,
                    "Unhandled exception: " + std::string(error.what()),
                    error.File,
                    std::to_string(error.Line));
        } catch (const std::exception &error) {
            RaiseAt(fsError, at, "Unhandled exception: " + std::string(error.what()));
        } catch (...) {
            RaiseAt(fsError, at, "Unhandled generic exception.");
        }
    }

    // Records a failure of this operation (status Error).
    void Raise(const std::string &description,
               const std::string &parameter1 = {},
               const std::string &parameter2 = {},
               std::int32_t systemErrorCode = 0,
               int at = __builtin_LINE());
    // Records a failure with the errno left by the failed call.
    void RaiseLastError(const std::string &description,
                        const std::string &parameter1 = {},
                        const std::string &parameter2 = {},
                        int at = __builtin_LINE());
    // Records a violated limit or invariant and shows it at once as "PANIC: " + description.
    void Panic(const std::string &description,
               const std::string &parameter1 = {},
               const std::string &parameter2 = {},
               int at = __builtin_LINE());
    void RaiseAt(std::int32_t status,
                 int at,
                 const std::string &description,
                 const std::string &parameter1 = {},
                 const std::string &parameter2 = {},
                 std::int32_t systemErrorCode = 0);
    // After each call: takes over the callee's error and returns true when there was one.
    bool CalleeFailed();
    bool Failed() const { return Local.IsError(); }
    // At the top of a user action: shows an error with the message and resets the local
    // context; returns what Show returned (true when nothing was shown).
    bool ShowIfFailed(const std::string &message, bool *noErrors = nullptr, int at = __builtin_LINE());

    TFunStatContext Local;

private:
    const char *Unit;
    const char *Function;
    bool Shown = false;
};

// The error dialog's state and logic; its window is a TErrorWindow.
class TErrorForm : public TErrorWindowEvents
{
public:
    explicit TErrorForm(TErrorWindow *window);
    // A dialog that is gone is no longer the program's error dialog: failures shown after it
    // fall back to the plain message box instead of reaching a destroyed object.
    ~TErrorForm() override;
    TErrorForm(const TErrorForm &) = delete;
    TErrorForm &operator=(const TErrorForm &) = delete;

    bool ShowError(const std::string &caption,
                   const std::string &message,
                   bool *noErrors,
                   const std::string &report);
    // Appends the dialog's text to the log file; true when it was written.
    bool AppendToLog();

    void FormActivate() override;
    void TerminateButtonClick() override;
    void LogButtonClick() override;
    void HelpButtonClick() override;

    int RecursionCount() const { return Recursion; }
    const std::string &MemoText() const { return Memo; }

    TErrorWindow *Window;
    std::string LogFileName;
    int HelpContext = 0;
    // Opens the help at a context; set by the main window.
    void (*OnHelp)(int context) = nullptr;

private:
    int Recursion = 0;
    std::string Memo;
};

// The error dialog; null until the start-up creates it.
extern TErrorForm *ErrorForm;

// Message dialogs.
int ShowMessageBox(const std::string &caption, const std::string &text, unsigned style);
void ShowInfoMessage(const std::string &text);
void ShowWarningMessage(const std::string &text);
void ShowErrorMessage(const std::string &text);
bool AskYesNo(const std::string &text);
// 1 for Yes, 7 for No, 2 for Cancel.
int AskYesNoCancel(const std::string &text);

// Classification of the errno left by a failed call.
bool LastErrorFailed(int code);
bool LastErrorFailed();
bool LastErrorFailedAfterCreate(int code);
bool IsEndOfSearch(int code);
std::string SystemErrorText(int code);
// Warns "There were N errors." when count is not 0.
void ReportErrorCount(int count);
