// The desktop's applications: the freedesktop application entries, the mimeapps lists that
// choose among them for a MIME type, and the command lines of their Exec fields.
#pragma once

#include <string>
#include <vector>

namespace Platform {

// One "[Desktop Action id]" group of an application entry.
struct TDesktopAction
{
    std::string Id;
    std::string Name;
    std::string Exec;
};

// One application entry ("Type=Application") as the menus use it.
struct TDesktopApplication
{
    std::string Id;   // the desktop file ID: "org.example.Editor.desktop", "kde-viewer.desktop"
    std::string File; // the full path of the entry
    std::string Name;
    std::string Comment;
    std::string Icon;
    std::string Exec;
    std::string WorkingDirectory; // the "Path" key
    std::vector<std::string> MimeTypes;
    std::vector<TDesktopAction> Actions; // the listed actions that have a name and a command
    bool NoDisplay = false;
};

// Reads an application entry; false (errno ENOENT or EINVAL) for a missing, oversized, binary
// or malformed file, for any other type of entry, for "Hidden=true", for a terminal program,
// for a program that "TryExec" cannot find and for a command that does not parse.
bool ReadDesktopApplication(const std::string &file, TDesktopApplication &application);

// The folders of the application entries, most important first: $XDG_DATA_HOME/applications
// (default ~/.local/share), then each of $XDG_DATA_DIRS (default /usr/local/share:/usr/share).
std::vector<std::string> ApplicationDirectories();

// The mimeapps.list files that exist, most important first: the desktop-specific and plain
// lists of $XDG_CONFIG_HOME, $XDG_CONFIG_DIRS and then the application folders.
std::vector<std::string> MimeAppsListFiles();

// The applications that open a file of the MIME types (its own type first, then the types it
// inherits from), the default application first, each once; an entry that is removed from
// the associations, or that asks not to be displayed and was not chosen by the user, is left
// out.
std::vector<TDesktopApplication>
ApplicationsForMimeTypes(const std::vector<std::string> &mimeTypes);

// True when any installed application opens a file of the MIME types (its own type first,
// then the types it inherits from), counting the terminal programs and the entries that ask not
// to be displayed: what the desktop's opener can find for the file.
bool HasApplicationForMimeTypes(const std::vector<std::string> &mimeTypes);

// The applications that open every one of several files, given by the MIME types of each, in
// the order of the first file's list.
std::vector<TDesktopApplication>
ApplicationsForFiles(const std::vector<std::vector<std::string>> &mimeTypesOfEachFile);

// The argument vectors of an Exec value for the files: one vector when the value takes a list
// (%F, %U) or no file, one per file when it takes one (%f, %u); %i, %c, %k and the deprecated
// codes are dropped and "%%" is a percent sign. Empty when the value does not parse.
std::vector<std::vector<std::string>> ExecCommandLines(const std::string &exec,
                                                       const std::vector<std::string> &files);

} // namespace Platform
