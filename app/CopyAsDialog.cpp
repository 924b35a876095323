// The copy-as dialog: one file copied or moved under a new name, or given another name by a
// hard link.
#include "app/CopyAsDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/FileStream.h"
#include "Libraries/MyTime.h"
#include "Libraries/UtilitiesUi.h"
#include "app/FileDialog.h"
#include "app/MainDialog.h"
#include "app/OverwriteDialog.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <cerrno>

namespace {

constexpr const char *ThisUnit = "CopyAsDialog";

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

// File systems that keep a single name per file.
bool WithoutHardLinks(const std::string &directory, int code)
{
    if (code == EOPNOTSUPP) return true;
    if (code != EPERM) return false;
    const std::string type = Platform::FileSystemType(directory);
    return type == "vfat" || type == "msdos" || type == "exfat" || type == "iso9660" || type == "udf";
}

// The file has named streams that a copy to the directory would leave behind.
bool StreamsWouldStayBehind(const std::string &source, const std::string &directory)
{
    const std::int32_t count = GetFileStreamsCount(source);
    FunStatContext.Reset(fsPerfect);
    if (count <= 0) return false;
    const bool supported = SupportsNamedStreams(directory);
    FunStatContext.Reset(fsPerfect);
    return !supported;
}

} // namespace

TCopyAsForm *CopyAsForm = nullptr;

TCopyAsForm::TCopyAsForm(QWidget *parent) : QDialog(parent)
{
    auto *layout = new QVBoxLayout(this);
    NameGroupBox = new QGroupBox(QStringLiteral("New &name"));
    auto *nameLayout = new QGridLayout(NameGroupBox);
    NameComboBox = new QComboBox;
    NameComboBox->setEditable(true);
    NameComboBox->setInsertPolicy(QComboBox::NoInsert);
    NewPrefixByCurrentButton = new QPushButton(QStringLiteral("By current"));
    NewPrefixByCurrentButton->setToolTip(
        QStringLiteral("Replaces the selected text of the name with a unique prefix made of the current time."));
    NewPrefixByCreationButton = new QPushButton(QStringLiteral("By creation"));
    NewPrefixByCreationButton->setToolTip(QStringLiteral(
        "Replaces the selected text of the name with a unique prefix made of the source's creation time."));
    UseActiveFileNameButton = new QPushButton(QStringLiteral("Active"));
    UseActiveFileNameButton->setToolTip(QStringLiteral("Puts the name of the active file into the box."));
    nameLayout->addWidget(NameComboBox, 0, 0, 1, 3);
    nameLayout->addWidget(NewPrefixByCurrentButton, 1, 0);
    nameLayout->addWidget(NewPrefixByCreationButton, 1, 1);
    nameLayout->addWidget(UseActiveFileNameButton, 1, 2);
    layout->addWidget(NameGroupBox);
    PathsGroupBox = new QGroupBox(QStringLiteral("Paths"));
    auto *pathsLayout = new QVBoxLayout(PathsGroupBox);
    PathsLabel = new QLabel;
    PathsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pathsLayout->addWidget(PathsLabel);
    layout->addWidget(PathsGroupBox);
    auto *buttons = new QHBoxLayout;
    CopyButton = new QPushButton(QStringLiteral("Copy as"));
    CopyButton->setDefault(true);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"));
    buttons->addStretch(1);
    buttons->addWidget(CopyButton);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);
    connect(CopyButton, &QPushButton::clicked, this, &TCopyAsForm::CopyButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(NewPrefixByCurrentButton, &QPushButton::clicked, this,
            [this] { ReplaceSelectedName(TimeStampText() + "_"); });
    connect(NewPrefixByCreationButton, &QPushButton::clicked, this, [this] {
        TFileInfo info;
        info.Load(source);
        if (FunStatContext.IsError()) {
            FunStatContext.Reset(fsPerfect);
            return;
        }
        ReplaceSelectedName(TimeStampText(info.created) + "_");
    });
    connect(UseActiveFileNameButton, &QPushButton::clicked, this, [this] {
        if (MainForm) NameComboBox->setEditText(Q(ExtractName(MainForm->ActiveColumn().ActiveTitle)));
    });
}

void TCopyAsForm::ReplaceSelectedName(const std::string &text)
{
    NameComboBox->lineEdit()->insert(Q(text));
}

std::string TCopyAsForm::Name() const
{
    return NameComboBox->currentText().toStdString();
}

bool TCopyAsForm::Dialog(const std::string &sourceTitle,
                         const std::string &destination,
                         bool lastNumbered,
                         bool move,
                         bool hardLink,
                         const std::string &proposedName)
{
    bool result = false;
    TFunScope Fun(ThisUnit, "TCopyAsForm::Dialog");
    Fun.Run([&] {
        source = sourceTitle;
        destinationDirectory = IncludeTrailingBackslash(destination);
        moveMode = move;
        lastNumberedMode = lastNumbered;
        hardLinkMode = hardLink;
        const std::string verb = move ? "Move as" : "Copy as";
        setWindowTitle(Q(hardLink ? std::string("Copy as hard-link") : verb + (lastNumbered ? " last numbered" : "")));
        CopyButton->setText(Q(verb + (lastNumbered ? " last" : "")));
        NameComboBox->setEditText(Q(lastNumbered ? proposedName : ExtractName(sourceTitle)));
        PathsLabel->setText(Q("* Source: " + sourceTitle + "\n* Destination: " + destinationDirectory));
        QTimer::singleShot(0, NameComboBox, [this] {
            NameComboBox->setFocus();
            NameComboBox->lineEdit()->selectAll();
        });
        result = exec() == QDialog::Accepted;
    });
    Fun.ShowIfFailed("Failed to copy as.");
    return result;
}

void TCopyAsForm::CopyButtonClick()
{
    if (Do()) accept();
}

bool TCopyAsForm::Do()
{
    const std::string name = Name();
    if (IsInvalidFileName(name)) {
        ShowErrorMessage("Invalid name.\n\nChange the name !");
        return false;
    }
    AddComboHistory(NameComboBox, name);
    NameComboBox->setEditText(Q(name));
    Platform::TEntryStatus sourceStatus;
    const bool statusKnown = Platform::EntryStatus(source, sourceStatus, false);
    const bool sourceIsDirectory = statusKnown && sourceStatus.IsDirectory && !sourceStatus.IsSymbolicLink;
    const bool sourceIsLink = statusKnown && sourceStatus.IsSymbolicLink;
    bool done = false;
    TFunScope Fun(ThisUnit, "TCopyAsForm::Do");
    Fun.Run([&] {
        const std::string destination = destinationDirectory + name;
        // Also for a directory, which the caller copies or moves: onto itself it would be
        // merged with itself.
        if (destination == ExcludeTrailingBackslash(source) || destination == source ||
            (PathExists(destination) && Platform::SameFile(source, destination))) {
            Fun.Raise("Source and destination are the same.", source, destination);
            return;
        }
        // A directory (never a link to one) is copied or moved by the caller.
        if (sourceIsDirectory && !hardLinkMode) {
            done = true;
            return;
        }
        Platform::TEntryStatus status;
        if (Platform::EntryStatus(destination, status, true) && status.IsDirectory) {
            Fun.Raise("Failed to rename. \nA directory with that name already exists.", source, destination);
            return;
        }
        // Streams cannot follow a copy onto a file system without them (a move within one mount
        // is a rename and keeps them): the same question as the file dialog's.
        const bool leaveStreams = !hardLinkMode && !sourceIsLink &&
                                  (!moveMode || !SameRoot(source, destinationDirectory)) &&
                                  StreamsWouldStayBehind(source, destinationDirectory);
        if (leaveStreams && !AskToLeaveStreams()) return;
        bool sourceNewer = true, existed = false, overwrite = false, abort = false;
        if (OverwriteForm) {
            OverwriteForm->Reset();
            const bool proceed = OverwriteForm->Dialog(source, destination, sourceNewer, existed, overwrite, abort);
            if (Fun.CalleeFailed() || !proceed) return;
        } else if (PathExists(destination)) {
            return;
        }
        if (hardLinkMode) {
            if (!Platform::MakeHardLinkReplacing(source, destination, overwrite)) {
                const int code = Platform::LastErrorCode();
                if (WithoutHardLinks(destinationDirectory, code))
                    Fun.Raise("Can't create hard-links with this version of the program.", source, destination, code);
                else
                    Fun.Raise("Failed to copy as hard-link.", source, destination, code);
                return;
            }
        } else if (moveMode) {
            MyMoveFile(source, destination, overwrite, leaveStreams);
        } else if (sourceIsLink) {
            // A link is copied as a link, as everywhere else.
            CopyLinkItself(source, destination, overwrite);
        } else {
            MyCopyFile(source, destination, overwrite, false, leaveStreams);
        }
        if (Fun.CalleeFailed()) return;
        done = true;
    });
    Fun.ShowIfFailed("Failed to copy as.");
    return done;
}
