// The new-file dialog: a new empty file or directory in a column's directory, or the title
// of a new file stream.
#pragma once

#include <QDialog>

#include <string>

class QGroupBox;
class QLineEdit;
class QPushButton;

enum TNewFileKind
{
    nkDirectory = 0,
    nkFile = 1,
    nkFileStream = 2
};

// The name a new file or stream gets: ".txt" for a name without extension, none for a name
// ending with a dot (the dot goes); a directory keeps the name as typed.
std::string NewFileName(const std::string &name, int kind);

class TNewFileForm : public QDialog
{
public:
    explicit TNewFileForm(QWidget *parent = nullptr);

    // True when the dialog closed with "&New"; Title is then the new item's title.
    bool Dialog(const std::string &directory, int kind);
    // The "&New" button's work; true when the dialog may close.
    bool Do();

    std::string Directory;
    int Kind = nkFile;
    std::string Title;
    // The item was made by this dialog (false when it existed already).
    bool Created = false;

    QGroupBox *NewFileNameGroupBox;
    QLineEdit *NewFileNameEdit;
    QPushButton *NewPrefixByCurrentButton;
    QPushButton *NewButton;
    QPushButton *CancelButton;

private:
    std::string KindWord() const;
};

extern TNewFileForm *NewFileForm;
