// The error dialog's window.
#include "platform/qt/QtErrorWindow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TQtErrorWindow::TQtErrorWindow(TErrorWindowEvents *events, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      MainMemo(new QPlainTextEdit(this)), OkayButton(new QPushButton(QStringLiteral("&Okay"), this)),
      OkayNoErrorsButton(new QPushButton(QStringLiteral("O&kay (no errors)"), this)),
      CancelButton(new QPushButton(QStringLiteral("&Cancel"), this)),
      TerminateButton(new QPushButton(QStringLiteral("&Terminate application immediately"), this)),
      LogButton(new QPushButton(QStringLiteral("&Log"), this)),
      HelpButton(new QPushButton(QStringLiteral("&Help"), this)), RecursionLabel(new QLabel(this)),
      Events(events)
{
    setWindowTitle(QStringLiteral("Error"));
    setModal(true);
    MainMemo->setReadOnly(true);
    MainMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MainMemo->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto *answers = new QHBoxLayout;
    answers->addWidget(OkayButton);
    answers->addWidget(OkayNoErrorsButton);
    answers->addWidget(CancelButton);
    auto *tools = new QHBoxLayout;
    tools->addWidget(LogButton);
    tools->addWidget(HelpButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(MainMemo);
    layout->addLayout(answers);
    layout->addWidget(TerminateButton);
    layout->addLayout(tools);
    layout->addWidget(RecursionLabel);
    OkayButton->setDefault(true);

    connect(OkayButton, &QPushButton::clicked, this, [this] { done(QDialog::Accepted); });
    connect(OkayNoErrorsButton, &QPushButton::clicked, this, [this] { done(2); });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(TerminateButton, &QPushButton::clicked, this, [this] { Events->TerminateButtonClick(); });
    connect(LogButton, &QPushButton::clicked, this, [this] { Events->LogButtonClick(); });
    connect(HelpButton, &QPushButton::clicked, this, [this] { Events->HelpButtonClick(); });
    resize(640, 480);
    setFixedSize(size());
}

void TQtErrorWindow::SetCaption(const std::string &caption)
{
    setWindowTitle(QString::fromStdString(caption));
}

void TQtErrorWindow::SetMemoText(const std::string &text)
{
    MainMemo->setPlainText(QString::fromStdString(text));
}

void TQtErrorWindow::SetRecursionLabel(const std::string &text)
{
    RecursionLabel->setText(QString::fromStdString(text));
}

bool TQtErrorWindow::IsVisible() const
{
    return isVisible();
}

TErrorWindowResult TQtErrorWindow::ShowModal()
{
    if (QWidget *main = parentWidget()) move(main->geometry().center() - rect().center());
    const int result = exec();
    if (result == QDialog::Accepted) return TErrorWindowResult::Okay;
    if (result == 2) return TErrorWindowResult::OkayNoErrors;
    return TErrorWindowResult::Cancel;
}

void TQtErrorWindow::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    OkayButton->setFocus();
    Events->FormActivate();
}
