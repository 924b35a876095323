// Message boxes drawn by Qt.
#include "platform/qt/QtMessageBoxes.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

int TQtMessageBoxes::Show(const std::string &caption, const std::string &text, unsigned style)
{
    if (!qApp) return MessageBoxAnswer::Failed;
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    box.setWindowModality(Qt::ApplicationModal);
    switch (style & 0xF0u) {
    case MessageBoxStyle::IconStop: box.setIcon(QMessageBox::Critical); break;
    case MessageBoxStyle::IconQuestion: box.setIcon(QMessageBox::Question); break;
    case MessageBoxStyle::IconExclamation: box.setIcon(QMessageBox::Warning); break;
    case MessageBoxStyle::IconInformation: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    const unsigned buttons = style & 0x0Fu;
    if (buttons == MessageBoxStyle::YesNoCancel) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    } else if (buttons == MessageBoxStyle::YesNo) {
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return MessageBoxAnswer::Ok;
    case QMessageBox::Yes: return MessageBoxAnswer::Yes;
    case QMessageBox::No: return MessageBoxAnswer::No;
    default: return MessageBoxAnswer::Cancel;
    }
}

void TQtMessageBoxes::Beep(unsigned)
{
    QApplication::beep();
}
