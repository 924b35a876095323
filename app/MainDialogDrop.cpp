// Files dropped onto the window by other programs: the dropped titles in the spare column and
// the File-drop menu of what can be done with them in the column under the mouse.
#include "app/MainDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/UtilitiesUi.h"
#include "app/Column.h"
#include "app/Containers.h"
#include "app/OptionsDialog.h"

#include <QAction>
#include <QCursor>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QUrl>

namespace {

constexpr const char *ThisUnit = "MainDialog";

// The local file an address names, its bytes as they were encoded (a name that is not valid
// UTF-8 survives); empty for an address of another kind or another host.
std::string LocalFileOf(const QUrl &url)
{
    if (url.scheme() != QStringLiteral("file")) return {};
    const QString host = url.host();
    if (!host.isEmpty() && host != QStringLiteral("localhost")) return {};
    const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (path.isEmpty() || path.front() != '/') return {};
    return path.toStdString();
}

using F = TMainForm;

// What the enabling rules of the File-drop menu look at.
struct TDropFacts
{
    std::size_t Count = 0;
    bool ActiveIsContainer = false;
    bool ActiveIsDirectory = false; // a directory column, not the partitions list
    bool SinglePicture = false;
};

struct TDropRow
{
    const char *Name;
    const char *Caption;
    void (TMainForm::*Command)();
    bool (*Rule)(const TDropFacts &);
};

bool Always(const TDropFacts &)
{
    return true;
}
bool Single(const TDropFacts &f)
{
    return f.Count < 2;
}
bool IntoContainer(const TDropFacts &f)
{
    return f.ActiveIsContainer;
}
bool IntoDirectory(const TDropFacts &f)
{
    return f.ActiveIsDirectory;
}
bool SingleIntoDirectory(const TDropFacts &f)
{
    return f.ActiveIsDirectory && f.Count < 2;
}
bool Picture(const TDropFacts &f)
{
    return f.SinglePicture;
}

// clang-format off
const TDropRow DropRows[] = {
    {"ExternalFileDragMenu_Title", "File-drop", nullptr, Always},
    {"ExternalFileDragMenu_GoToFile", "Go to file", &F::ExternalFileDragMenu_GoToFileClick, Single},
    {"ExternalFileDragMenu_CopyToContainer", "Copy to container *", nullptr, Always},
    {"ExternalFileDragMenu_CopyToThisContainer", "Copy to this container *", &F::ExternalFileDragMenu_CopyToThisContainerClick, IntoContainer},
    {"ExternalFileDragMenu_Copy", "Copy *", &F::ExternalFileDragMenu_CopyClick, IntoDirectory},
    {"ExternalFileDragMenu_Move", "Move *", &F::ExternalFileDragMenu_MoveClick, IntoDirectory},
    {"ExternalFileDragMenu_ConvertPicture", "Convert picture *", &F::ExternalFileDragMenu_ConvertPictureClick, IntoDirectory},
    {"ExternalFileDragMenu_CopyAs", "Copy as", &F::ExternalFileDragMenu_CopyAsClick, SingleIntoDirectory},
    {"ExternalFileDragMenu_MoveAs", "Move as", &F::ExternalFileDragMenu_MoveAsClick, SingleIntoDirectory},
    {"ExternalFileDragMenu_SetAsBackgroundPicture", "Set as background", &F::ExternalFileDragMenu_SetAsBackgroundPictureClick, Picture},
};
// clang-format on

} // namespace

void TMainForm::CreateExternalFileDragMenu()
{
    ExternalFileDragMenu = new QMenu(this);
    ExternalFileDragMenu->setToolTip(QStringLiteral("The operations are performed in the column in which drop occurs"));
    for (const TDropRow &row : DropRows) {
        QAction *action = nullptr;
        if (std::string(row.Name) == "ExternalFileDragMenu_CopyToContainer") {
            action = ExternalFileDragMenu->addMenu(MenuCaptionText(row.Caption))->menuAction();
        } else {
            action = ExternalFileDragMenu->addAction(MenuCaptionText(row.Caption));
        }
        action->setObjectName(QString::fromUtf8(row.Name));
        ExternalFileDragItems[row.Name] = action;
        if (row.Command) {
            const auto command = row.Command;
            connect(action, &QAction::triggered, this, [this, command] {
                (this->*command)();
                DroppedFiles.clear();
            });
        }
    }
    ExternalFileDragMenu->setDefaultAction(ExternalFileDragItems.at("ExternalFileDragMenu_Title"));
}

void TMainForm::ProcessDroppedFiles(const QMimeData *dropped, TColumn *target)
{
    TFunScope Fun(ThisUnit, "TMainForm::ProcessDroppedFiles");
    Fun.Run([&] {
        if (!ExternalFileDragMenu) CreateExternalFileDragMenu();
        DroppedFiles.clear();
        std::size_t refused = 0;
        for (const QUrl &url : dropped ? dropped->urls() : QList<QUrl>()) {
            std::string file = LocalFileOf(url);
            if (file.empty()) ++refused;
            else DroppedFiles.push_back(std::move(file));
        }
        if (refused > 0)
            ShowWarningMessage(std::to_string(refused) +
                               " of the dropped items are not files of this computer and are left out.");
        if (DroppedFiles.empty()) {
            Fun.Raise("No files are dropped.");
            return;
        }
        const std::size_t n = DroppedFiles.size();
        DragSourcePosition = 10;
        DragSourceItem = -1;
        DragShift = Qt::NoModifier;
        DragFocusIndex = 0;
        DragActiveTitle = DroppedFiles.front();
        TColumn &spare = SpareColumn();
        spare.ContainerIndex = -1;
        spare.SetWithList(DroppedFiles, n > 1);
        if (Fun.CalleeFailed()) return;
        spare.RecordFocus();
        if (target) ActiveColumnIndex = target->Index;
        const TColumn &d = ActiveColumn();
        TDropFacts facts;
        facts.Count = n;
        facts.ActiveIsContainer = d.ContainerIndex >= 0;
        facts.ActiveIsDirectory = d.ContainerIndex < 0 && !IsDrivePath(d.ActiveTitle);
        const std::string &first = DroppedFiles.front();
        facts.SinglePicture = n == 1 && !IsDrivePath(first) && !IsDirectoryPath(first) &&
                              ExtensionInList(first, &PictureFileExtensions.List());
        for (const TDropRow &row : DropRows) ExternalFileDragItems.at(row.Name)->setEnabled(row.Rule(facts));
        SetupDropContainerMenu();
        ExternalFileDragItems.at("ExternalFileDragMenu_Title")
            ->setText(QString::fromStdString("File-drop (" + std::to_string(n) + " items)"));
        ExternalFileDragMenu->popup(QCursor::pos());
    });
    Fun.ShowIfFailed("Failed to setup the \"File-drop\" menu.");
}

void TMainForm::SetupDropContainerMenu()
{
    QMenu *menu = ExternalFileDragItems.at("ExternalFileDragMenu_CopyToContainer")->menu();
    menu->clear();
    for (int number = 0; number < TContainer::Count; ++number) {
        QAction *item = menu->addAction(MenuCaptionText(Containers.Caption(number)));
        connect(item, &QAction::triggered, this, [this, number] {
            TFunScope Fun(ThisUnit, "TMainForm::ExternalFileDragMenu_CopyToContainerClick");
            Fun.Run([&] {
                TContainer &container = Containers[number];
                for (const std::string &title : DroppedFiles) container.AddItem(title, 0);
            });
            DroppedFiles.clear();
            Fun.ShowIfFailed("Failed to paste in container.");
            TColumn::ReloadAllShowing(*this, number);
            FocusColumn(-1, false);
        });
    }
}

void TMainForm::ExternalFileDragMenu_GoToFileClick()
{
    TFunScope Fun(ThisUnit, "TMainForm::ExternalFileDragMenu_GoToFileClick");
    Fun.Run([&] {
        if (DroppedFiles.empty()) return;
        TColumn &column = ActiveColumn();
        column.ContainerIndex = -1;
        column.LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, DroppedFiles.front());
    });
    Fun.ShowIfFailed("Failed to go to file.");
    FocusColumn(-1, false);
}

void TMainForm::ExternalFileDragMenu_CopyToThisContainerClick()
{
    TFunScope Fun(ThisUnit, "TMainForm::ExternalFileDragMenu_CopyToThisContainerClick");
    {
        TBusyScope busy(*this);
        Fun.Run([&] {
            TColumn &column = ActiveColumn();
            if (column.ContainerIndex < 0) return;
            column.AddListToContainer(DroppedFiles, false);
        });
    }
    Fun.ShowIfFailed("Failed to paste in container.");
}

void TMainForm::ExternalFileDragMenu_CopyClick()
{
    FileDragMenu_CopyClick();
}

void TMainForm::ExternalFileDragMenu_MoveClick()
{
    FileDragMenu_MoveClick();
}

void TMainForm::ExternalFileDragMenu_ConvertPictureClick()
{
    FileDragMenu_ConvertPictureClick();
}

void TMainForm::ExternalFileDragMenu_CopyAsClick()
{
    Com_CopyAs(false, false);
}

void TMainForm::ExternalFileDragMenu_MoveAsClick()
{
    Com_CopyAs(false, true);
}

void TMainForm::ExternalFileDragMenu_SetAsBackgroundPictureClick()
{
    if (!DroppedFiles.empty()) SetAsBackground(DroppedFiles.front());
}

void TMainForm::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData() && event->mimeData()->hasUrls()) event->acceptProposedAction();
    else event->ignore();
}

void TMainForm::dropEvent(QDropEvent *event)
{
    if (!event->mimeData() || !event->mimeData()->hasUrls()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    ProcessDroppedFiles(event->mimeData(), nullptr);
}

// ---- Dragging column items out to other programs ---------------------------------------------

Qt::DropAction ExternalDragAction(Qt::KeyboardModifiers modifiers)
{
    const Qt::KeyboardModifiers keys = modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    // Alt rarely reaches the program (the window manager takes it): Ctrl+Shift links too.
    if (keys == Qt::AltModifier || keys == (Qt::ControlModifier | Qt::ShiftModifier)) return Qt::LinkAction;
    if (keys == Qt::ShiftModifier) return Qt::MoveAction;
    return Qt::CopyAction;
}

QMimeData *ExternalDragData(const std::vector<std::string> &titles, Qt::DropAction action)
{
    auto *data = new QMimeData;
    QList<QUrl> urls;
    QByteArray copied = action == Qt::MoveAction ? "cut" : "copy";
    QString text;
    for (const std::string &title : titles) {
        // Byte for byte: a name that is not UTF-8 stays the same file.
        const QByteArray encoded = "file://" + QByteArray::fromStdString(title).toPercentEncoding("/");
        urls.push_back(QUrl::fromEncoded(encoded));
        copied += "\n" + encoded;
        if (!text.isEmpty()) text += QLatin1Char('\n');
        text += QString::fromStdString(title);
    }
    data->setUrls(urls);
    // What file managers that paste from their own format look for.
    data->setData(QStringLiteral("x-special/gnome-copied-files"), copied);
    data->setText(text);
    return data;
}

void TMainForm::ActivateExternalDrag()
{
    TFunScope Fun(ThisUnit, "TMainForm::ActivateExternalDrag");
    Fun.Run([&] {
        // The column drag ends here, without a drop.
        DragActive = false;
        LeftButtonDown = false;
        Boards.EndColumnDrag();
        TColumn &s = DragSourceColumn();
        if (s.FileList->Empty) return;
        std::vector<std::string> selected, titles;
        s.SelectedTitles(selected, false);
        for (const std::string &title : selected)
            if (!IsDrivePath(title)) titles.push_back(ExcludeTrailingBackslash(title));
        if (titles.empty()) return;
        const Qt::DropAction action = ExternalDragAction(DragShift);
        auto *drag = new QDrag(s.FileList);
        drag->setMimeData(ExternalDragData(titles, action));
        // The program that takes the drop does the work, a move included.
        drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, action);
    });
    Fun.ShowIfFailed("Failed to drag files out.");
}
