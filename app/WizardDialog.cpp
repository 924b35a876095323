// The configuration and help wizard.
#include "app/WizardDialog.h"

#include "app/Boards.h"
#include "app/OptionsDialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

TWizardForm::TWizardForm(QWidget *parent)
    : QDialog(parent), Pages(new QStackedWidget(this)),
      PreviousButton(new QPushButton(QStringLiteral("&Previous step"), this)),
      NextButton(new QPushButton(QStringLiteral("&Next step"), this)),
      OkayButton(new QPushButton(QStringLiteral("&Okay"), this)),
      CancelButton(new QPushButton(QStringLiteral("&Cancel"), this))
{
    setWindowTitle(QStringLiteral("Wizard"));
    auto *welcome = new QLabel(
        QStringLiteral("Velmordian shows boards of columns side by side. Drag a file from one "
                       "column to another to copy, move or compare it; the File-drag menu offers "
                       "everything that applies. Press the context-menu key in a column for the "
                       "File menu.\n\nThe next step offers a few settings to start with."));
    welcome->setWordWrap(true);
    Pages->addWidget(welcome);

    auto *settings = new QWidget;
    auto *boxes = new QVBoxLayout(settings);
    const auto box = [&](const char *caption) {
        auto *check = new QCheckBox(QString::fromUtf8(caption), settings);
        boxes->addWidget(check);
        return check;
    };
    HideHintBarCheckBox = box("Hide hint bar");
    ShowBoardsBarCheckBox =
        box("Show boards bar (recommended if you want to use drag-and-drop between boards)");
    ShowTreeNavigatorCheckBox = box("Show directory tree navigator");
    SynchronizeColumnCheckBox = box("Synchronize column");
    ShowThreeColumnsCheckBox = box("Show 3 columns");
    ShowFileTypeCheckBox = box("Show file type");
    ShowExtInTypeCheckBox = box("Show file extension in type field");
    ShowColumnInfoCheckBox = box("Show column info");
    ShowFileInfoCheckBox = box("Show file info");
    DeactivateFileHoverCheckBox = box("Deactivate file hover");
    ActivateHotTrackCheckBox = box("Activate hot-track");
    Pages->addWidget(settings);

    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : {PreviousButton, NextButton, OkayButton, CancelButton})
        buttons->addWidget(button);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Pages);
    layout->addLayout(buttons);
    OkayButton->setDefault(true);
    connect(PreviousButton, &QPushButton::clicked, this, &TWizardForm::PreviousButtonClick);
    connect(NextButton, &QPushButton::clicked, this, &TWizardForm::NextButtonClick);
    connect(OkayButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    UpdateButtons();
}

bool TWizardForm::ApplyChoices(TProgramOptions &options, TBoardData &board, int &visibleColumns) const
{
    if (HideHintBarCheckBox->isChecked()) options.ShowHintBar = false;
    if (ShowBoardsBarCheckBox->isChecked()) options.ShowBoardsBar = true;
    if (ShowTreeNavigatorCheckBox->isChecked()) board.ShowTreeNavigator = true;
    if (SynchronizeColumnCheckBox->isChecked()) options.SynchronizeColumn = true;
    if (ShowFileTypeCheckBox->isChecked()) options.ShowFileType = true;
    if (ShowExtInTypeCheckBox->isChecked()) options.ShowExtInType = true;
    if (ShowColumnInfoCheckBox->isChecked()) options.ShowColumnInfo = true;
    if (ShowFileInfoCheckBox->isChecked()) options.ShowFileInfo = true;
    if (DeactivateFileHoverCheckBox->isChecked()) options.FileHoverActive = false;
    if (ActivateHotTrackCheckBox->isChecked()) options.HotTrackColumnItems = true;
    const int before = visibleColumns;
    if (ShowThreeColumnsCheckBox->isChecked()) visibleColumns = 3;
    return visibleColumns > before;
}

void TWizardForm::PreviousButtonClick()
{
    Pages->setCurrentIndex(std::max(0, Pages->currentIndex() - 1));
    UpdateButtons();
}

void TWizardForm::NextButtonClick()
{
    Pages->setCurrentIndex(std::min(Pages->count() - 1, Pages->currentIndex() + 1));
    UpdateButtons();
}

void TWizardForm::UpdateButtons()
{
    PreviousButton->setEnabled(Pages->currentIndex() > 0);
    NextButton->setEnabled(Pages->currentIndex() < Pages->count() - 1);
}
