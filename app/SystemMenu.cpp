// The "System" menu service: the entries, their applications, the menu and its commands.
#include "app/SystemMenu.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/UtilitiesUi.h"
#include "app/MyControls.h"
#include "platform/DesktopApplications.h"
#include "platform/FileSystem.h"
#include "platform/Shell.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeDatabase>
#include <QScreen>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <cerrno>

TMenuChooser ChooseFromSystemMenu = [](QMenu &menu, QPoint at) { return menu.exec(at); };

namespace {

constexpr const char *ThisUnit = "SystemMenu";

// Shows the busy cursor while the entries and their applications are gathered.
class TWaitCursor
{
public:
    TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~TWaitCursor() { QApplication::restoreOverrideCursor(); }
    TWaitCursor(const TWaitCursor &) = delete;
    TWaitCursor &operator=(const TWaitCursor &) = delete;
};

std::string DeleteQuestion(const std::vector<std::string> &paths)
{
    if (paths.size() == 1) return "Delete \"" + ExtractName(paths.front()) + "\" permanently?";
    return "Delete these " + std::to_string(paths.size()) + " items permanently?";
}

// Starts the application's command once for all entries, or once for each.
void RunApplication(const TSystemMenuItem &item,
                    const std::vector<std::string> &paths,
                    const std::string &directory)
{
    TFunScope Fun(ThisUnit, "RunApplication");
    Fun.Run([&] {
        const std::vector<std::vector<std::string>> lines =
            Platform::ExecCommandLines(item.Exec, paths);
        if (lines.empty()) {
            Fun.Raise("Failed to run file.", item.Exec, {}, EINVAL);
            return;
        }
        std::string folder = item.WorkingDirectory.empty() ? directory : item.WorkingDirectory;
        if (!IsDirectoryPath(folder) || IsDrivePath(folder)) folder.clear();
        for (const std::vector<std::string> &line : lines) {
            std::string program = line.front();
            if (program.find(PathDelimiter) == std::string::npos)
                program = Platform::FindInPath(program);
            if (program.empty()) {
                Fun.Raise("Failed to run file.", line.front(), {}, ENOENT);
                return;
            }
            const std::vector<std::string> arguments(line.begin() + 1, line.end());
            if (!Platform::StartDetached(program, arguments, folder)) {
                Fun.RaiseLastError("Failed to run file.", program);
                return;
            }
        }
    });
}

// Deletes an entry for good: a directory with everything in it, anything else (a symbolic
// link to a directory too) by itself.
void DeleteEntry(const std::string &path)
{
    Platform::TEntryStatus status;
    if (Platform::EntryStatus(path, status, false) && status.IsDirectory)
        DeleteDirectoryNoErrors(path);
    else
        MyDeleteFile(path);
}

void RunCommand(const TSystemMenuItem &item,
                const std::vector<std::string> &paths,
                const std::string &directory,
                bool &renameChosen,
                std::vector<std::string> *removed)
{
    TFunScope Fun(ThisUnit, "RunCommand");
    Fun.Run([&] {
        switch (item.Command) {
        case scApplication:
            RunApplication(item, paths, directory);
            break;
        case scOpenWith:
            OpenWith(paths.front(), directory);
            break;
        case scRename:
            renameChosen = true;
            break;
        case scTrash:
            for (const std::string &path : paths) {
                RecycleFile(path);
                if (Fun.CalleeFailed()) return;
                if (removed) removed->push_back(path);
            }
            break;
        case scDelete:
            if (!AskYesNo(DeleteQuestion(paths))) return;
            for (const std::string &path : paths) {
                DeleteEntry(path);
                // A directory that failed half-way has lost part of its content all the same.
                if (removed) removed->push_back(path);
                if (Fun.CalleeFailed()) return;
            }
            break;
        case scProperties:
            for (const std::string &path : paths) {
                RunVerb(path, "properties", directory);
                if (Fun.CalleeFailed()) return;
            }
            break;
        }
        Fun.CalleeFailed();
    });
}

// Builds the menu, lets the person choose and returns the chosen item, or null.
const TSystemMenuItem *ChooseItem(const std::vector<TSystemMenuItem> &items,
                                  QWidget *owner,
                                  QPoint point,
                                  QRect exclusion,
                                  const std::string &caption)
{
    QMenu menu(owner);
    menu.setDefaultAction(menu.addAction(MenuCaptionText(caption)));
    menu.addSeparator();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].Separated) menu.addSeparator();
        QAction *action = menu.addAction(MenuCaptionText(items[i].Caption));
        action->setStatusTip(QString::fromStdString(items[i].Hint));
        action->setData(static_cast<int>(i));
    }
    QObject::connect(&menu, &QMenu::hovered, &menu, [](QAction *action) {
        if (MyTPanel::OnHint) MyTPanel::OnHint(action->statusTip().toStdString());
    });
    const QScreen *screen =
        owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    QAction *chosen =
        ChooseFromSystemMenu(menu, SystemMenuPosition(point, menu.sizeHint(), exclusion, area));
    if (MyTPanel::OnHint) MyTPanel::OnHint(std::string());
    if (!chosen || chosen->menu() != nullptr || !chosen->data().isValid()) return nullptr;
    const int index = chosen->data().toInt();
    return index >= 0 && index < static_cast<int>(items.size())
               ? &items[static_cast<std::size_t>(index)]
               : nullptr;
}

// Shows the menu for the entries; false when there are none.
bool DisplayForPaths(const std::vector<std::string> &requested,
                     QWidget *owner,
                     QPoint point,
                     QRect exclusion,
                     const std::string &directory,
                     const std::string &caption,
                     bool &renameChosen,
                     std::vector<std::string> *removed)
{
    std::vector<std::string> paths;
    std::vector<TSystemMenuItem> items;
    {
        TWaitCursor wait;
        for (const std::string &path : requested)
            for (const std::string &entry : SystemMenuPaths(path))
                if (std::find(paths.begin(), paths.end(), entry) == paths.end())
                    paths.push_back(entry);
        if (paths.empty()) return false;
        items = SystemMenuItems(paths);
    }
    if (const TSystemMenuItem *chosen = ChooseItem(items, owner, point, exclusion, caption))
        RunCommand(*chosen, paths, directory, renameChosen, removed);
    return true;
}

} // namespace

std::vector<std::string> MimeTypesOfPath(const std::string &path)
{
    const QMimeDatabase database;
    const QMimeType type = database.mimeTypeForFile(QString::fromStdString(path));
    std::vector<std::string> types{type.name().toStdString()};
    for (const QString &ancestor : type.allAncestors())
        types.push_back(ancestor.toStdString());
    return types;
}

std::vector<std::string> SystemMenuPaths(const std::string &path)
{
    std::string full = IsDrivePath(path) ? path.substr(1) : path;
    if (full.size() > 1 && full.back() == PathDelimiter) full.pop_back();
    if (full.empty() || full.front() != PathDelimiter) return {};
    if (PathExists(full)) return {full};
    const std::string name = ExtractName(full);
    if (name.find_first_of("*?") == std::string::npos) return {};
    const std::string directory = ExtractDirectory(full);
    std::vector<std::string> matches;
    Platform::ReadDirectory(directory, [&](const Platform::TDirectoryEntry &entry) {
        if (MatchesFilter(entry.Name, name)) matches.push_back(directory + entry.Name);
        return true;
    });
    std::sort(matches.begin(), matches.end());
    return matches;
}

std::vector<TSystemMenuItem> SystemMenuItems(const std::vector<std::string> &paths)
{
    std::vector<std::vector<std::string>> types;
    for (const std::string &path : paths)
        types.push_back(MimeTypesOfPath(path));
    std::vector<TSystemMenuItem> items;
    for (const Platform::TDesktopApplication &application : Platform::ApplicationsForFiles(types)) {
        items.push_back({scApplication,
                         application.Name,
                         application.Comment,
                         application.Exec,
                         application.WorkingDirectory,
                         false});
        for (const Platform::TDesktopAction &action : application.Actions)
            items.push_back({scApplication,
                             application.Name + ": " + action.Name,
                             application.Comment,
                             action.Exec,
                             application.WorkingDirectory,
                             false});
    }
    if (paths.size() == 1) {
        items.push_back({scOpenWith,
                         "Open with...",
                         "Choose the application that opens the item",
                         {},
                         {},
                         true});
        items.push_back({scRename, "Rename", "Rename the item", {}, {}, true});
    }
    items.push_back({scTrash, "Move to Trash", "Move to the trash", {}, {}, paths.size() != 1});
    items.push_back({scDelete, "Delete", "Delete for good, without the trash", {}, {}, false});
    items.push_back({scProperties, "Properties", "Show the properties", {}, {}, true});
    return items;
}

QPoint SystemMenuPosition(QPoint point, QSize size, QRect exclusion, QRect screen)
{
    QPoint corner(point.x() - size.width() / 2, point.y());
    if (!exclusion.isEmpty()) corner.setY(std::max(point.y(), exclusion.bottom() + 1));
    if (screen.isEmpty()) return corner;
    if (corner.y() + size.height() > screen.bottom() + 1) {
        const int above = (exclusion.isEmpty() ? point.y() : exclusion.top()) - size.height();
        if (above >= screen.top()) corner.setY(above);
    }
    corner.setX(std::clamp(
        corner.x(), screen.left(), std::max(screen.left(), screen.right() + 1 - size.width())));
    return corner;
}

bool DisplayContextMenu(const std::string &path,
                        QWidget *owner,
                        QPoint point,
                        QRect exclusion,
                        const std::string &directory,
                        const std::string &caption,
                        bool &renameChosen,
                        std::vector<std::string> *removed)
{
    renameChosen = false;
    bool shown = false;
    TFunScope Fun(ThisUnit, "DisplayContextMenu");
    Fun.Run([&] {
        shown = DisplayForPaths(
            {path}, owner, point, exclusion, directory, caption, renameChosen, removed);
        Fun.CalleeFailed();
    });
    return shown;
}

bool DisplayContextMenuList(const std::string &directory,
                            const std::vector<std::string> &names,
                            QWidget *owner,
                            QPoint point,
                            QRect exclusion,
                            const std::string &caption,
                            bool &renameChosen,
                            std::vector<std::string> *removed)
{
    renameChosen = false;
    bool shown = false;
    TFunScope Fun(ThisUnit, "DisplayContextMenuList");
    Fun.Run([&] {
        std::vector<std::string> paths;
        for (const std::string &name : names) {
            if (name.empty()) continue;
            paths.push_back(IsDrivePath(name) || name.front() == PathDelimiter
                                ? name
                                : IncludeTrailingBackslash(directory) + name);
        }
        shown = DisplayForPaths(
            paths, owner, point, exclusion, directory, caption, renameChosen, removed);
        Fun.CalleeFailed();
    });
    return shown;
}
