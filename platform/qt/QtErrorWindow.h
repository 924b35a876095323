// The error dialog's window: a report memo, the answer buttons, log and help.
#pragma once

#include "platform/ErrorWindow.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TQtErrorWindow : public QDialog, public TErrorWindow
{
public:
    explicit TQtErrorWindow(TErrorWindowEvents *events, QWidget *parent = nullptr);

    void SetCaption(const std::string &caption) override;
    void SetMemoText(const std::string &text) override;
    void SetRecursionLabel(const std::string &text) override;
    bool IsVisible() const override;
    TErrorWindowResult ShowModal() override;

    QPlainTextEdit *MainMemo;
    QPushButton *OkayButton;
    QPushButton *OkayNoErrorsButton;
    QPushButton *CancelButton;
    QPushButton *TerminateButton;
    QPushButton *LogButton;
    QPushButton *HelpButton;
    QLabel *RecursionLabel;

protected:
    void showEvent(QShowEvent *event) override;

private:
    TErrorWindowEvents *Events;
};
