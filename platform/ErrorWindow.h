// The window of the error dialog, as the dialog's logic sees it.
#pragma once

#include <string>

enum class TErrorWindowResult
{
    Okay,
    OkayNoErrors,
    Cancel
};

// What the window's buttons call while it is open.
class TErrorWindowEvents
{
public:
    virtual ~TErrorWindowEvents() = default;
    virtual void FormActivate() = 0;
    virtual void TerminateButtonClick() = 0;
    virtual void LogButtonClick() = 0;
    virtual void HelpButtonClick() = 0;
};

class TErrorWindow
{
public:
    virtual ~TErrorWindow() = default;
    virtual void SetCaption(const std::string &caption) = 0;
    virtual void SetMemoText(const std::string &text) = 0;
    virtual void SetRecursionLabel(const std::string &text) = 0;
    virtual bool IsVisible() const = 0;
    // Runs the window modally until a closing button, Escape or the close box.
    virtual TErrorWindowResult ShowModal() = 0;
};
