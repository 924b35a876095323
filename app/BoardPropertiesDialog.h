// The board properties dialog: a board's name and shortcut key.
#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QPushButton;

// Edits the name and the shortcut of the active board.
class TBoardPropertiesForm : public QDialog
{
public:
    explicit TBoardPropertiesForm(QWidget *parent = nullptr);

    // Shows the name and the shortcuts (the current one selected), runs the dialog and on
    // "&Okay" gives back the name and the chosen shortcut; true for "&Okay".
    bool
    Dialog(std::string &name, std::string &shortcut, const std::vector<std::string> &shortcuts);
    // Fills the boxes for a name and the shortcuts offered.
    void ShowProperties(const std::string &name,
                        const std::string &shortcut,
                        const std::vector<std::string> &shortcuts);

    QComboBox *NameComboBox;
    QComboBox *ShortcutComboBox;
    QPushButton *OkayButton;
    QPushButton *CancelButton;

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

// The board properties dialog; made at its first use.
extern TBoardPropertiesForm *BoardPropertiesForm;
