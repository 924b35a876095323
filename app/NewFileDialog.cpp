// The new-file dialog: a new empty file or directory in a column's directory, or the title
// of a new file stream.
#include "app/NewFileDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/MyTime.h"
#include "app/MainDialog.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {

constexpr const char *ThisUnit = "NewFileDialog";

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

} // namespace

TNewFileForm *NewFileForm = nullptr;

std::string NewFileName(const std::string &name, int kind)
{
    if (kind == nkDirectory) return name;
    // A final dot asks for no extension; the dot itself is not kept.
    if (name.size() > 1 && name.back() == '.') return name.substr(0, name.size() - 1);
    return ExtractExtension(name).empty() ? name + ".txt" : name;
}

TNewFileForm::TNewFileForm(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("New file"));
    auto *layout = new QVBoxLayout(this);
    NewFileNameGroupBox = new QGroupBox;
    auto *nameLayout = new QHBoxLayout(NewFileNameGroupBox);
    NewFileNameEdit = new QLineEdit;
    NewFileNameEdit->setToolTip(QStringLiteral(
        "If you create a new file and don't specify any extension then \".txt\" will be considered the extension "
        "of the file. If you don't want the file to have any extension then put a dot at the end of the name."));
    NewPrefixByCurrentButton = new QPushButton(QStringLiteral("By current"));
    nameLayout->addWidget(NewFileNameEdit, 1);
    nameLayout->addWidget(NewPrefixByCurrentButton);
    layout->addWidget(NewFileNameGroupBox);
    auto *buttons = new QHBoxLayout;
    NewButton = new QPushButton(QStringLiteral("&New"));
    NewButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"));
    buttons->addStretch(1);
    buttons->addWidget(NewButton);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);
    connect(NewButton, &QPushButton::clicked, this, [this] {
        if (Do()) accept();
    });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(NewPrefixByCurrentButton, &QPushButton::clicked, this,
            [this] { NewFileNameEdit->setText(Q(TimeStampText() + "_") + NewFileNameEdit->text()); });
    // Enter in the edit goes on to the dialog, which clicks its default button "&New" once.
}

std::string TNewFileForm::KindWord() const
{
    return Kind == nkDirectory ? "directory" : (Kind == nkFile ? "file" : "file stream");
}

bool TNewFileForm::Dialog(const std::string &directory, int kind)
{
    bool result = false;
    TFunScope Fun(ThisUnit, "TNewFileForm::Dialog");
    Fun.Run([&] {
        Title.clear();
        Created = false;
        Directory = directory;
        Kind = kind;
        setWindowTitle(Q("New " + KindWord()));
        NewFileNameGroupBox->setTitle(Q("New " + KindWord() + " name"));
        if (MainForm) {
            const QRect main = MainForm->frameGeometry();
            adjustSize();
            move(main.center() - QPoint(width() / 2, height() / 2));
        }
        QTimer::singleShot(0, NewFileNameEdit, [this] {
            NewFileNameEdit->setFocus();
            NewFileNameEdit->selectAll();
        });
        result = exec() == QDialog::Accepted;
    });
    Fun.ShowIfFailed("Failed to create new " + KindWord() + ".");
    return result;
}

bool TNewFileForm::Do()
{
    const std::string typed = NewFileNameEdit->text().toStdString();
    if (IsInvalidFileName(typed) || IsInvalidFileName(NewFileName(typed, Kind))) {
        ShowWarningMessage("Invalid name.\n\nChange the name !");
        return false;
    }
    TFunScope Fun(ThisUnit, "TNewFileForm::Do");
    Fun.Run([&] {
        Title = IncludeTrailingBackslash(Directory) + NewFileName(typed, Kind);
        if (Kind == nkFileStream) return;
        if (PathExists(Title)) {
            ShowWarningMessage("File (/ directory) already exists.");
            return;
        }
        const bool made = Kind == nkDirectory ? Platform::MakeDirectory(Title) : Platform::CreateEmptyFile(Title);
        if (!made) {
            Fun.RaiseLastError("Failed to create new " + KindWord() + ".", Title);
            return;
        }
        Created = true;
    });
    Fun.ShowIfFailed("Failed to create new " + KindWord() + ".");
    return true;
}
