// The copy-as dialog: one file copied or moved under a new name, or given another name by a
// hard link.
#pragma once

#include <QDialog>

#include <string>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

class TCopyAsForm : public QDialog
{
public:
    explicit TCopyAsForm(QWidget *parent = nullptr);

    // True when the user confirmed and the file operation succeeded (for a directory, when the
    // user confirmed: the caller then copies or moves it under Name()).
    bool Dialog(const std::string &sourceTitle,
                const std::string &destinationDirectory,
                bool lastNumbered,
                bool move,
                bool hardLink,
                const std::string &proposedName);
    // The confirm button's work; true when the dialog may close.
    bool Do();
    std::string Name() const;

    std::string source, destinationDirectory;
    bool moveMode = false, lastNumberedMode = false, hardLinkMode = false;

    QGroupBox *NameGroupBox;
    QComboBox *NameComboBox;
    QPushButton *NewPrefixByCurrentButton;
    QPushButton *NewPrefixByCreationButton;
    QPushButton *UseActiveFileNameButton;
    QGroupBox *PathsGroupBox;
    QLabel *PathsLabel;
    QPushButton *CopyButton;
    QPushButton *CancelButton;

private:
    void CopyButtonClick();
    void ReplaceSelectedName(const std::string &text);
};

extern TCopyAsForm *CopyAsForm;
