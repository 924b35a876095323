// The configuration and help wizard: explanatory pages and a few check boxes, each of which
// applies one change of the settings when the wizard closes with Okay.
#pragma once

#include <QDialog>

class QCheckBox;
class QPushButton;
class QStackedWidget;
struct TBoardData;
struct TProgramOptions;

class TWizardForm : public QDialog
{
public:
    explicit TWizardForm(QWidget *parent = nullptr);

    // Applies the checked boxes; an unchecked box changes nothing. Returns true when the
    // number of visible columns grew.
    bool ApplyChoices(TProgramOptions &options, TBoardData &board, int &visibleColumns) const;

    QStackedWidget *Pages;
    QCheckBox *HideHintBarCheckBox;
    QCheckBox *ShowBoardsBarCheckBox;
    QCheckBox *ShowTreeNavigatorCheckBox;
    QCheckBox *SynchronizeColumnCheckBox;
    QCheckBox *ShowThreeColumnsCheckBox;
    QCheckBox *ShowFileTypeCheckBox;
    QCheckBox *ShowExtInTypeCheckBox;
    QCheckBox *ShowColumnInfoCheckBox;
    QCheckBox *ShowFileInfoCheckBox;
    QCheckBox *DeactivateFileHoverCheckBox;
    QCheckBox *ActivateHotTrackCheckBox;
    QPushButton *PreviousButton;
    QPushButton *NextButton;
    QPushButton *OkayButton;
    QPushButton *CancelButton;

private:
    void PreviousButtonClick();
    void NextButtonClick();
    void UpdateButtons();
};
