// The board properties dialog: a board's name and shortcut key.
#include "app/BoardPropertiesDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

TBoardPropertiesForm *BoardPropertiesForm = nullptr;

TBoardPropertiesForm::TBoardPropertiesForm(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Board properties"));
    auto *grid = new QGridLayout(this);
    NameComboBox = new QComboBox;
    NameComboBox->setEditable(true);
    NameComboBox->lineEdit()->setMaxLength(31);
    NameComboBox->setToolTip(QStringLiteral("The name of the board; empty shows its number."));
    ShortcutComboBox = new QComboBox;
    ShortcutComboBox->setToolTip(
        QStringLiteral("The shortcut key which can be used to display the board. The list contains "
                       "only the available "
                       "shortcuts; if you want to use a shortcut which is not available, you must "
                       "first deactivate it from "
                       "the board which uses it (set that board's shortcut to \"None\")."));
    grid->addWidget(new QLabel(QStringLiteral("Name")), 0, 0);
    grid->addWidget(NameComboBox, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Shortcut")), 1, 0);
    grid->addWidget(ShortcutComboBox, 1, 1);
    auto *buttons = new QHBoxLayout;
    OkayButton = new QPushButton(QStringLiteral("&Okay"));
    CancelButton = new QPushButton(QStringLiteral("&Cancel"));
    OkayButton->setDefault(true);
    buttons->addStretch(1);
    buttons->addWidget(OkayButton);
    buttons->addWidget(CancelButton);
    grid->addLayout(buttons, 2, 0, 1, 2);
    connect(OkayButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TBoardPropertiesForm::keyPressEvent(QKeyEvent *event)
{
    // Enter in either box presses "&Okay"; Esc cancels (QDialog's own handling).
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        OkayButton->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TBoardPropertiesForm::ShowProperties(const std::string &name,
                                          const std::string &shortcut,
                                          const std::vector<std::string> &shortcuts)
{
    NameComboBox->clear();
    NameComboBox->setEditText(QString::fromStdString(name));
    ShortcutComboBox->clear();
    for (const std::string &item : shortcuts)
        ShortcutComboBox->addItem(QString::fromStdString(item));
    const int current = ShortcutComboBox->findText(QString::fromStdString(shortcut));
    ShortcutComboBox->setCurrentIndex(current < 0 ? 0 : current);
}

bool TBoardPropertiesForm::Dialog(std::string &name,
                                  std::string &shortcut,
                                  const std::vector<std::string> &shortcuts)
{
    ShowProperties(name, shortcut, shortcuts);
    QTimer::singleShot(0, NameComboBox, [this] {
        NameComboBox->setFocus();
        NameComboBox->lineEdit()->selectAll();
    });
    if (exec() != QDialog::Accepted) return false;
    name = NameComboBox->currentText().toStdString();
    shortcut = ShortcutComboBox->currentText().toStdString();
    return true;
}
