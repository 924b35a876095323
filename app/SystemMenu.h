// The "System" menu: our own menu of the applications registered for an item's MIME type, their
// desktop actions, and the commands Open with, Rename, Move to Trash, Delete and Properties.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QMenu;
class QWidget;

// What an item of the System menu does.
enum TSystemCommand
{
    scApplication, // starts an application, or one of its actions, with the items
    scOpenWith,
    scRename,
    scTrash,
    scDelete,
    scProperties
};

// One item of the System menu below its caption; a separator stands before it when Separated.
struct TSystemMenuItem
{
    TSystemCommand Command = scApplication;
    std::string Caption;
    std::string Hint;
    std::string Exec;             // the command of an application or action
    std::string WorkingDirectory; // the application's own folder to start in, if it names one
    bool Separated = false;
};


// The MIME type of an entry followed by the types it inherits from.
std::vector<std::string> MimeTypesOfPath(const std::string &path);

// The entries a System menu for the path is about: the path itself (a partition title stands
// for its mount point, a trailing delimiter for the directory), or, when its name holds "*" or
// "?" and no entry has exactly that name, the entries of its directory that match it. Entries
// that do not exist are left out.
std::vector<std::string> SystemMenuPaths(const std::string &path);

// The items of the System menu for existing entries: the applications that open all of them,
// the default first, each followed by its actions ("Name: Action"); then "Open with..." and
// "Rename" for a single entry; then "Move to Trash", "Delete" and "Properties".
std::vector<TSystemMenuItem> SystemMenuItems(const std::vector<std::string> &paths);

// The top left corner of a menu of the size opened horizontally centred on the point and below
// it, or above the exclusion rectangle when it does not fit below it on the screen.
QPoint SystemMenuPosition(QPoint point, QSize size, QRect exclusion, QRect screen);

// Shows a built menu with its top left corner at the point and returns the item the person
// chose, or null; tests put a fake person here.
using TMenuChooser = std::function<QAction *(QMenu &menu, QPoint at)>;
extern TMenuChooser ChooseFromSystemMenu;

// Shows the System menu of the path, owned by the window, at the point without covering the
// exclusion rectangle, with the caption as its bold first item; a chosen command runs with the
// directory as working directory, and "Rename" only sets renameChosen. The entries that
// "Move to Trash" or "Delete" took away are added to removed, when given. False when no entry
// was left to show the menu for.
// Errors: "Failed to run file." (program, errno); those of OpenWith, RecycleFile, MyDeleteFile,
// DeleteDirectoryNoErrors and RunVerb.
bool DisplayContextMenu(const std::string &path,
                        QWidget *owner,
                        QPoint point,
                        QRect exclusion,
                        const std::string &directory,
                        const std::string &caption,
                        bool &renameChosen,
                        std::vector<std::string> *removed = nullptr);
// The same for several names of one directory at once.
bool DisplayContextMenuList(const std::string &directory,
                            const std::vector<std::string> &names,
                            QWidget *owner,
                            QPoint point,
                            QRect exclusion,
                            const std::string &caption,
                            bool &renameChosen,
                            std::vector<std::string> *removed = nullptr);
