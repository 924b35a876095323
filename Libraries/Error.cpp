// Status contexts, the error dialog's logic, the message dialogs and the last-error tests.
#include "Libraries/Error.h"

#include "Libraries/MyTime.h"
#include "Libraries/Program.h"
#include "platform/FileHandle.h"
#include "platform/MessageBoxes.h"
#include "platform/System.h"

#include <cerrno>
#include <cstdio>

TFunStatContext FunStatContext;
TErrorForm *ErrorForm = nullptr;
TMessageBoxes *MessageBoxes = nullptr;

namespace {

constexpr const char *ThisUnit = "Error";
const char *const CrLf = "\r\n";

std::string NameWithoutDirectory(const std::string &path)
{
    const auto slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Quoted(const std::string &text)
{
    return "\"" + text + "\"";
}

std::string DefaultRealText(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.15g", value);
    return buffer;
}

} // namespace

// ---- TFunStatContext --------------------------------------------------------------------

TFunStatContext::TFunStatContext(const TFunStatContext &other)
    : status(other.status), file(other.file), function(other.function), line(other.line),
      description(other.description), parameter1(other.parameter1),
      parameter2(other.parameter2), systemErrorCode(other.systemErrorCode),
      userCode(other.userCode), userText(other.userText), userInt(other.userInt),
      userReal(other.userReal)
{
}

TFunStatContext &TFunStatContext::operator=(const TFunStatContext &other)
{
    if (this == &other) return *this;
    status = other.status;
    file = other.file;
    function = other.function;
    line = other.line;
    description = other.description;
    parameter1 = other.parameter1;
    parameter2 = other.parameter2;
    systemErrorCode = other.systemErrorCode;
    userCode = other.userCode;
    userText = other.userText;
    userInt = other.userInt;
    userReal = other.userReal;
    return *this;
}

void TFunStatContext::Reset(std::int32_t newStatus)
{
    status = newStatus;
    file.clear();
    function.clear();
    line = 0;
    description.clear();
    parameter1.clear();
    parameter2.clear();
    systemErrorCode = 0;
}

void TFunStatContext::ResetUserInfo()
{
    userCode = 0;
    userText.clear();
    userInt = 0;
    userReal = 0;
}

void TFunStatContext::BeginFunction(const std::string &unit,
                                    const std::string &functionName,
                                    std::int32_t at)
{
    status = fsBeginFunction;
    file = unit;
    function = functionName;
    line = at;
    description.clear();
    parameter1.clear();
    parameter2.clear();
    systemErrorCode = 0;
}

void TFunStatContext::Raise(std::int32_t newStatus,
                            const std::string &unit,
                            const std::string &functionName,
                            std::int32_t at,
                            const std::string &what,
                            const std::string &first,
                            const std::string &second,
                            std::int32_t errorCode)
{
    status = newStatus;
    file = unit;
    function = functionName;
    line = at;
    description = what;
    parameter1 = first;
    parameter2 = second;
    systemErrorCode = errorCode;
}

void TFunStatContext::SetShowContext(const std::string &unit,
                                     const std::string &functionName,
                                     std::int32_t at)
{
    showFile = unit;
    showFunction = functionName;
    showLine = at;
}

std::string TFunStatContext::StatusText(std::int32_t value)
{
    switch (value) {
    case fsPerfect: return "Perfect";
    case fsWarning: return "Warning";
    case fsError: return "Error";
    case fsBeginFunction: return "Begin function error";
    case fsPanic: return "Panic";
    case fsCatastrophe: return "Catastrophe";
    default: return "Unknown function status";
    }
}

std::string TFunStatContext::ReportText() const
{
    return ReportTextAt(Now());
}

std::string TFunStatContext::ReportTextAt(double dateTime) const
{
    std::string report;
    try {
        report += CrLf;
        report += "RAISE CONTEXT";
        report += CrLf;
        report += "* Status: " + StatusText(status);
        if (status == fsCatastrophe)
            report += ": CATASTROPHIC FAILURE!!! It is highly recommended to terminate the program "
                      "immediately!";
        report += CrLf + std::string("* File: ") + Quoted(NameWithoutDirectory(file));
        report += CrLf + std::string("* Function: ") + Quoted(function);
        report += CrLf + std::string("* Line: ") + std::to_string(line);
        report += CrLf + std::string("* Description: ") + Quoted(description);
        if (!parameter1.empty()) report += CrLf + std::string("* Parameter 1: ") + Quoted(parameter1);
        if (!parameter2.empty()) report += CrLf + std::string("* Parameter 2: ") + Quoted(parameter2);
        if (systemErrorCode != 0) {
            report += CrLf + std::string("* System error code: ") + std::to_string(systemErrorCode);
            report += CrLf + std::string("* System error description: ") +
                      Quoted(::SystemErrorText(systemErrorCode));
        }
        report += CrLf + std::string(CrLf) + "SHOW CONTEXT";
        report += CrLf + std::string("* File: ") + Quoted(NameWithoutDirectory(showFile));
        report += CrLf + std::string("* Function: ") + Quoted(showFunction);
        report += CrLf + std::string("* Line: ") + std::to_string(showLine);
        report += CrLf + std::string(CrLf) + "INFO";
        report += CrLf + std::string("* Time: ") + LongDateTimeText(" | ", dateTime);
        report += CrLf + std::string("* Program: ") + ProgramFilePath();
        report += CrLf + std::string("* Recursive attempts: ") +
                  std::to_string(ErrorForm ? ErrorForm->RecursionCount() : 0);
        report += CrLf + std::string(CrLf) + "USER INFO";
        report += CrLf + std::string("* UserCode: ") + std::to_string(userCode);
        report += CrLf + std::string("* UserText: ") + userText;
        report += CrLf + std::string("* UserInt: ") + std::to_string(userInt);
        report += CrLf + std::string("* UserReal: ") + DefaultRealText(userReal);
    } catch (...) {
        // The part built so far is the report.
    }
    return report;
}

bool TFunStatContext::Show(const std::string &message, bool *noErrors) const
{
    try {
        if (noErrors) *noErrors = false;
        if (!ErrorForm) {
            if (MessageBoxes)
                MessageBoxes->Show("Error",
                                   "The error-dialog form is not created. You must create it.",
                                   MessageBoxStyle::Ok);
            return false;
        }
        return ErrorForm->ShowError(StatusText(status), message, noErrors, ReportText());
    } catch (...) {
        return false;
    }
}

void TFunStatContext::OnApplicationException(const std::string &message,
                                              std::int32_t failedCallCode)
{
    // errno here belongs to whatever ran last, not to a failed call: an escaped exception
    // carries no system error unless the caller knows one.
    const std::int32_t code = failedCallCode;
    const char *const functionName = "TFunStatContext::OnApplicationException";
    const std::string text = "Unhandled error." + std::string(CrLf) + message;
    Raise(fsError, ThisUnit, functionName, __LINE__, text, {}, {}, code);
    SetShowContext(ThisUnit, functionName, __LINE__);
    Show(text);
    Reset(fsPerfect);
}

// ---- TFunScope ----------------------------------------------------------------------------

TFunScope::TFunScope(const char *unit, const char *function, int at) : Unit(unit), Function(function)
{
    FunStatContext.BeginFunction(unit, function, at);
}

TFunScope::~TFunScope()
{
    // An error the last callee left behind is this operation's outcome too. Our own
    // BeginFunction mark (status 3) is never a callee's: callees always leave their outcome.
    if (!Local.IsError() && !Shown && FunStatContext.IsError() &&
        FunStatContext.status != fsBeginFunction)
        Local = FunStatContext;
    FunStatContext = Local;
}

void TFunScope::RaiseAt(std::int32_t status,
                        int at,
                        const std::string &description,
                        const std::string &parameter1,
                        const std::string &parameter2,
                        std::int32_t systemErrorCode)
{
    Local.Raise(status, Unit, Function, at, description, parameter1, parameter2, systemErrorCode);
}

void TFunScope::Raise(const std::string &description,
                      const std::string &parameter1,
                      const std::string &parameter2,
                      std::int32_t systemErrorCode,
                      int at)
{
    RaiseAt(fsError, at, description, parameter1, parameter2, systemErrorCode);
}

void TFunScope::RaiseLastError(const std::string &description,
                               const std::string &parameter1,
                               const std::string &parameter2,
                               int at)
{
    RaiseAt(fsError, at, description, parameter1, parameter2, Platform::LastErrorCode());
}

void TFunScope::Panic(const std::string &description,
                      const std::string &parameter1,
                      const std::string &parameter2,
                      int at)
{
    RaiseAt(fsPanic, at, description, parameter1, parameter2);
    Local.SetShowContext(Unit, "", at);
    Local.Show("PANIC: " + description);
}

bool TFunScope::CalleeFailed()
{
    if (!FunStatContext.IsError() || FunStatContext.status == fsBeginFunction) return false;
    Local = FunStatContext;
    return true;
}

bool TFunScope::ShowIfFailed(const std::string &message, bool *noErrors, int at)
{
    CalleeFailed();
    if (!Local.IsError()) {
        if (noErrors) *noErrors = false;
        return true;
    }
    Local.SetShowContext(Unit, "", at);
    const bool accepted = Local.Show(message, noErrors);
    Local.Reset(fsPerfect);
    Shown = true;
    return accepted;
}

// ---- TErrorForm ---------------------------------------------------------------------------

TErrorForm::TErrorForm(TErrorWindow *window) : Window(window), LogFileName(ErrorLogFileName())
{
    if (Window) Window->SetCaption("Error");
}

TErrorForm::~TErrorForm()
{
    if (ErrorForm == this) ErrorForm = nullptr;
}

bool TErrorForm::ShowError(const std::string &caption,
                           const std::string &message,
                           bool *noErrors,
                           const std::string &report)
{
    if (noErrors) *noErrors = false;
    if (!Window) return false;
    Window->SetCaption(caption);
    if (Recursion > 0) {
        ++Recursion;
        Window->SetRecursionLabel("Recursive attempts = " + std::to_string(Recursion - 1));
        return true;
    }
    Recursion = 1;
    Window->SetRecursionLabel("Recursive attempts = None");
    Memo = "DESCRIPTION" + std::string(CrLf) + (message.empty() ? "Failed to perform." : message) +
           CrLf + report;
    Window->SetMemoText(Memo);
    TErrorWindowResult result = TErrorWindowResult::Cancel;
    if (!Window->IsVisible()) result = Window->ShowModal();
    Recursion = 0;
    if (result == TErrorWindowResult::Cancel) return false;
    if (noErrors) *noErrors = result == TErrorWindowResult::OkayNoErrors;
    return true;
}

bool TErrorForm::AppendToLog()
{
    const int handle = Platform::OpenReadWriteCreate(LogFileName);
    if (handle < 0) return false;
    bool written = true;
    const std::int64_t size = Platform::HandleSize(handle);
    if (size < 0 || (size > 10000 && !Platform::TruncateHandle(handle, 0))) written = false;
    const std::string entry = "**********" + Memo + CrLf + "**********" + CrLf;
    if (written && !Platform::WriteAtEnd(handle, entry.data(), entry.size())) written = false;
    if (!Platform::CloseHandle(handle)) written = false;
    return written;
}

void TErrorForm::FormActivate()
{
    // The window puts the focus on "&Okay" itself.
}

void TErrorForm::TerminateButtonClick()
{
    Platform::TerminateProcessNow(1);
}

void TErrorForm::LogButtonClick()
{
    if (AppendToLog() && MessageBoxes) MessageBoxes->Beep(0);
}

void TErrorForm::HelpButtonClick()
{
    if (OnHelp) OnHelp(HelpContext);
}

// ---- Message dialogs ----------------------------------------------------------------------

int ShowMessageBox(const std::string &caption, const std::string &text, unsigned style)
{
    const int answer = MessageBoxes ? MessageBoxes->Show(caption, text, style | MessageBoxStyle::TaskModal)
                                    : MessageBoxAnswer::Failed;
    if (answer == MessageBoxAnswer::Failed) {
        if (MessageBoxes) MessageBoxes->Beep(MessageBoxStyle::IconExclamation);
        return 2;
    }
    if (answer == MessageBoxAnswer::Ok || answer == MessageBoxAnswer::Yes) return 1;
    if (answer == MessageBoxAnswer::No) return 7;
    return 2;
}

void ShowInfoMessage(const std::string &text)
{
    ShowMessageBox("Message", text, MessageBoxStyle::Ok | MessageBoxStyle::IconInformation);
}

void ShowWarningMessage(const std::string &text)
{
    ShowMessageBox("Warning", text, MessageBoxStyle::Ok | MessageBoxStyle::IconExclamation);
}

void ShowErrorMessage(const std::string &text)
{
    ShowMessageBox("Error", text, MessageBoxStyle::Ok | MessageBoxStyle::IconStop);
}

bool AskYesNo(const std::string &text)
{
    return ShowMessageBox("Query", text, MessageBoxStyle::YesNo | MessageBoxStyle::IconQuestion) == 1;
}

int AskYesNoCancel(const std::string &text)
{
    return ShowMessageBox(
        "Query", text, MessageBoxStyle::YesNoCancel | MessageBoxStyle::IconQuestion);
}

// ---- Last-error tests -----------------------------------------------------------------------

bool LastErrorFailed(int code)
{
    return code != 0 && code != ENOMEM && code != ECANCELED;
}

bool LastErrorFailed()
{
    return LastErrorFailed(Platform::LastErrorCode());
}

bool LastErrorFailedAfterCreate(int code)
{
    return LastErrorFailed(code) && code != EEXIST;
}

bool IsEndOfSearch(int code)
{
    return code == 0 || code == ENOENT;
}

std::string SystemErrorText(int code)
{
    return Platform::SystemErrorText(code);
}

void ReportErrorCount(int count)
{
    if (count != 0) ShowWarningMessage("There were " + std::to_string(count) + " errors.");
}
