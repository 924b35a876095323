// Reading the freedesktop application entries and mimeapps lists with a small parser of our
// own, and the command lines of Exec fields.
#include "platform/DesktopApplications.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <unistd.h>

namespace Platform {

// ReadDesktopApplication, taking terminal programs too when asked.
bool ReadApplicationEntry(const std::string &file,
                          TDesktopApplication &application,
                          bool terminalProgramsToo);

namespace {

// Entries and lists beyond this size are not desktop files.
constexpr std::size_t LargestEntryFile = 512 * 1024;
// How deep the application folders are searched for entries.
constexpr int DeepestEntryFolder = 8;

using TGroup = std::map<std::string, std::string>;
using TGroups = std::map<std::string, TGroup>;

std::string EnvironmentOr(const char *name, const std::string &fallback)
{
    const char *value = std::getenv(name);
    return value && *value ? std::string(value) : fallback;
}

std::string HomeFolder()
{
    return EnvironmentOr("HOME", "/");
}

// The absolute folders of a colon-separated list; relative ones do not count.
std::vector<std::string> FolderList(const std::string &text)
{
    std::vector<std::string> folders;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t colon = text.find(':', start);
        if (colon == std::string::npos) colon = text.size();
        std::string folder = text.substr(start, colon - start);
        while (folder.size() > 1 && folder.back() == '/')
            folder.pop_back();
        if (!folder.empty() && folder.front() == '/') folders.push_back(folder);
        start = colon + 1;
    }
    return folders;
}

std::string Lower(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string Trimmed(const std::string &text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// A whole file of text; false when it is missing, too large, or holds a NUL byte or bytes
// that are not UTF-8.
bool ReadTextFile(const std::string &path, std::string &text)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        errno = ENOENT;
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    errno = EINVAL;
    if (size < 0 || static_cast<std::uint64_t>(size) > LargestEntryFile) return false;
    in.seekg(0, std::ios::beg);
    text.assign(static_cast<std::size_t>(size), '\0');
    in.read(text.data(), static_cast<std::streamsize>(size));
    text.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
    if (text.find('\0') != std::string::npos) return false;
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const std::size_t length = byte < 0x80           ? 1
                                   : (byte >> 5) == 0x6  ? 2
                                   : (byte >> 4) == 0xE  ? 3
                                   : (byte >> 3) == 0x1E ? 4
                                                         : 0;
        if (length == 0 || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) >> 6) != 0x2) return false;
        i += length;
    }
    return true;
}

// The groups of an entry or list: "[Group]" headers and "Key=Value" lines; comments, blank
// lines, lines without "=" and lines before the first group are passed over, and the first
// of repeated keys counts.
TGroups ParseGroups(const std::string &text)
{
    TGroups groups;
    TGroup *group = nullptr;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = Trimmed(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            group = close == std::string::npos ? nullptr : &groups[line.substr(1, close - 1)];
            continue;
        }
        const std::size_t equals = line.find('=');
        if (!group || equals == std::string::npos || equals == 0) continue;
        group->emplace(Trimmed(line.substr(0, equals)), Trimmed(line.substr(equals + 1)));
    }
    return groups;
}

// A string value with its escapes \s, \n, \t, \r and \\ resolved.
std::string Unescaped(const std::string &value)
{
    std::string result;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            result += value[i];
            continue;
        }
        const char next = value[++i];
        switch (next) {
        case 's':
            result += ' ';
            break;
        case 'n':
            result += '\n';
            break;
        case 't':
            result += '\t';
            break;
        case 'r':
            result += '\r';
            break;
        case '\\':
            result += '\\';
            break;
        default:
            result += '\\';
            result += next;
        }
    }
    return result;
}

// The items of a ";"-separated list value ("\;" stands for a semicolon), empty ones left out.
std::vector<std::string> ListValue(const std::string &value)
{
    std::vector<std::string> items;
    std::string item;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size() && value[i + 1] == ';') {
            item += ';';
            ++i;
        } else if (value[i] == ';') {
            if (!Trimmed(item).empty()) items.push_back(Unescaped(Trimmed(item)));
            item.clear();
        } else {
            item += value[i];
        }
    }
    if (!Trimmed(item).empty()) items.push_back(Unescaped(Trimmed(item)));
    return items;
}

std::string Value(const TGroup &group, const std::string &key)
{
    const auto found = group.find(key);
    return found == group.end() ? std::string() : Unescaped(found->second);
}

bool TrueValue(const TGroup &group, const std::string &key)
{
    const std::string value = Value(group, key);
    return value == "true" || value == "1";
}

// The locale's forms for localised keys, most specific first ("de_DE", "de").
std::vector<std::string> LocaleForms()
{
    std::string locale =
        EnvironmentOr("LC_ALL", EnvironmentOr("LC_MESSAGES", EnvironmentOr("LANG", "")));
    locale = locale.substr(0, locale.find_first_of(".@"));
    std::vector<std::string> forms;
    if (locale.empty() || locale == "C" || locale == "POSIX") return forms;
    forms.push_back(locale);
    const std::size_t underscore = locale.find('_');
    if (underscore != std::string::npos) forms.push_back(locale.substr(0, underscore));
    return forms;
}

std::string LocalisedValue(const TGroup &group, const std::string &key)
{
    for (const std::string &form : LocaleForms()) {
        const std::string value = Value(group, key + "[" + form + "]");
        if (!value.empty()) return value;
    }
    return Value(group, key);
}

// The program is an executable file, found through PATH when it names no folder.
bool ProgramExists(const std::string &program)
{
    if (program.empty()) return false;
    if (program.find('/') != std::string::npos) return access(program.c_str(), X_OK) == 0;
    for (const std::string &folder :
         FolderList(EnvironmentOr("PATH", "/usr/local/bin:/usr/bin:/bin")))
        if (access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    return false;
}

// The arguments of an Exec value: blanks separate, double quotes group, and inside quotes a
// backslash takes the next character literally. False for an unclosed quote.
bool SplitExec(const std::string &exec, std::vector<std::string> &arguments)
{
    arguments.clear();
    std::size_t i = 0;
    while (i < exec.size()) {
        while (i < exec.size() && (exec[i] == ' ' || exec[i] == '\t'))
            ++i;
        if (i == exec.size()) break;
        std::string argument;
        while (i < exec.size() && exec[i] != ' ' && exec[i] != '\t') {
            if (exec[i] != '"') {
                argument += exec[i++];
                continue;
            }
            for (++i;; ++i) {
                if (i == exec.size()) return false;
                if (exec[i] == '"') break;
                if (exec[i] == '\\' && i + 1 < exec.size()) ++i;
                argument += exec[i];
            }
            ++i;
        }
        arguments.push_back(argument);
    }
    return !arguments.empty();
}

bool IsFileCode(char code)
{
    return code == 'f' || code == 'u' || code == 'F' || code == 'U';
}

// One argument with its field codes replaced: file codes by the file, "%%" by "%", every other
// code by nothing.
std::string ExpandedArgument(const std::string &argument, const std::string &file)
{
    std::string result;
    for (std::size_t i = 0; i < argument.size(); ++i) {
        if (argument[i] != '%' || i + 1 == argument.size()) {
            result += argument[i];
            continue;
        }
        const char code = argument[++i];
        if (code == '%')
            result += '%';
        else if (IsFileCode(code))
            result += file;
    }
    return result;
}

// The argument vector of split Exec arguments for the files (all for a list code, the first
// for a single code).
std::vector<std::string> CommandLine(const std::vector<std::string> &arguments,
                                     const std::vector<std::string> &files)
{
    static const std::set<std::string> dropped = {
        "%i", "%c", "%k", "%d", "%D", "%n", "%N", "%v", "%m"};
    std::vector<std::string> line;
    const std::string first = files.empty() ? std::string() : files.front();
    for (const std::string &argument : arguments) {
        if (argument == "%F" || argument == "%U") {
            line.insert(line.end(), files.begin(), files.end());
        } else if (argument == "%f" || argument == "%u") {
            if (!files.empty()) line.push_back(first);
        } else if (dropped.count(argument) == 0) {
            line.push_back(ExpandedArgument(argument, first));
        }
    }
    return line;
}

bool TakesOneFile(const std::vector<std::string> &arguments)
{
    bool single = false;
    for (const std::string &argument : arguments) {
        if (argument == "%F" || argument == "%U") return false;
        for (std::size_t i = 0; i + 1 < argument.size(); ++i) {
            if (argument[i] != '%') continue;
            if (argument[i + 1] == 'f' || argument[i + 1] == 'u') single = true;
            ++i;
        }
    }
    return single;
}

// The files of an application folder that are entries, with their desktop file IDs (the path
// below the folder, "/" replaced by "-"), sorted by ID.
std::vector<std::pair<std::string, std::string>> EntriesOfFolder(const std::string &folder)
{
    std::vector<std::pair<std::string, std::string>> entries;
    namespace fs = std::filesystem;
    std::error_code error;
    fs::recursive_directory_iterator it(
        folder, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        if (it.depth() > DeepestEntryFolder) {
            it.disable_recursion_pending();
            continue;
        }
        const std::string path = it->path().string();
        if (path.size() <= folder.size() + 1 || path.size() < 8 ||
            path.compare(path.size() - 8, 8, ".desktop") != 0)
            continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        std::string id = path.substr(folder.size() + 1);
        std::replace(id.begin(), id.end(), '/', '-');
        entries.emplace_back(id, path);
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// The installed applications and the mimeapps lists, read once for a question.
class TCatalog
{
public:
    // Terminal programs are left out unless asked for.
    explicit TCatalog(bool terminalProgramsToo = false)
    {
        std::set<std::string> seen;
        for (const std::string &folder : ApplicationDirectories()) {
            for (const auto &[id, path] : EntriesOfFolder(folder)) {
                // A more important folder's entry hides the same ID further down, even a broken
                // or hidden one.
                if (!seen.insert(id).second) continue;
                TDesktopApplication application;
                if (!ReadApplicationEntry(path, application, terminalProgramsToo)) continue;
                application.Id = id;
                Order.push_back(id);
                Installed.emplace(id, std::move(application));
            }
        }
        for (const std::string &file : MimeAppsListFiles()) {
            std::string text;
            if (ReadTextFile(file, text)) Lists.push_back(ParseGroups(text));
        }
    }

    // Applications that ask not to be displayed are left out, unless the user chose them or
    // undisplayedToo is set.
    std::vector<TDesktopApplication> ForTypes(const std::vector<std::string> &mimeTypes,
                                              bool undisplayedToo = false) const
    {
        std::vector<std::string> types;
        for (const std::string &type : mimeTypes)
            types.push_back(Lower(type));
        std::vector<std::string> ids;
        std::set<std::string> chosen; // named by the user: shown even when not displayed
        const std::string preferred = DefaultFor(types);
        if (!preferred.empty()) {
            ids.push_back(preferred);
            chosen.insert(preferred);
        }
        for (const std::string &type : types)
            AddAssociations(type, ids, chosen);
        std::vector<TDesktopApplication> applications;
        std::set<std::string> listed;
        for (const std::string &id : ids) {
            const TDesktopApplication &application = Installed.at(id);
            if (!listed.insert(id).second) continue;
            if (application.NoDisplay && chosen.count(id) == 0 && !undisplayedToo) continue;
            applications.push_back(application);
        }
        return applications;
    }

private:
    std::vector<std::string>
    ListOf(const TGroups &list, const char *group, const std::string &type) const
    {
        const auto found = list.find(group);
        if (found == list.end()) return {};
        for (const auto &[key, value] : found->second)
            if (Lower(key) == type) return ListValue(value);
        return {};
    }

    bool IsInstalled(const std::string &id) const { return Installed.count(id) != 0; }

    // The first installed default of the most important list, for the type and then the
    // types it inherits from, that an earlier list did not remove.
    std::string DefaultFor(const std::vector<std::string> &types) const
    {
        for (const std::string &type : types) {
            std::set<std::string> removed;
            for (const TGroups &list : Lists) {
                for (const std::string &id : ListOf(list, "Default Applications", type))
                    if (IsInstalled(id) && removed.count(id) == 0) return id;
                for (const std::string &id : ListOf(list, "Removed Associations", type))
                    removed.insert(id);
            }
        }
        return {};
    }

    void AddAssociations(const std::string &type,
                         std::vector<std::string> &ids,
                         std::set<std::string> &chosen) const
    {
        std::set<std::string> removed;
        for (const TGroups &list : Lists) {
            for (const std::string &id : ListOf(list, "Added Associations", type)) {
                if (!IsInstalled(id) || removed.count(id) != 0) continue;
                ids.push_back(id);
                chosen.insert(id);
            }
            for (const std::string &id : ListOf(list, "Removed Associations", type))
                removed.insert(id);
        }
        for (const std::string &id : Order) {
            if (removed.count(id) != 0) continue;
            for (const std::string &own : Installed.at(id).MimeTypes) {
                if (Lower(own) != type) continue;
                ids.push_back(id);
                break;
            }
        }
    }

    std::map<std::string, TDesktopApplication> Installed;
    std::vector<std::string> Order; // the installed IDs by folder importance, then by ID
    std::vector<TGroups> Lists;
};

} // namespace

bool ReadDesktopApplication(const std::string &file, TDesktopApplication &application)
{
    return ReadApplicationEntry(file, application, false);
}

bool ReadApplicationEntry(const std::string &file,
                          TDesktopApplication &application,
                          bool terminalProgramsToo)
{
    application = TDesktopApplication();
    std::string text;
    if (!ReadTextFile(file, text)) return false;
    errno = EINVAL;
    const TGroups groups = ParseGroups(text);
    const auto entry = groups.find("Desktop Entry");
    if (entry == groups.end()) return false;
    const TGroup &main = entry->second;
    if (Value(main, "Type") != "Application" || TrueValue(main, "Hidden") ||
        (TrueValue(main, "Terminal") && !terminalProgramsToo))
        return false;
    std::vector<std::string> arguments;
    application.Exec = Value(main, "Exec");
    application.Name = LocalisedValue(main, "Name");
    if (application.Name.empty() || !SplitExec(application.Exec, arguments)) return false;
    const std::string tryExec = Value(main, "TryExec");
    if (!tryExec.empty() && !ProgramExists(tryExec)) return false;
    const std::size_t slash = file.rfind('/');
    application.Id = file.substr(slash == std::string::npos ? 0 : slash + 1);
    application.File = file;
    application.Comment = LocalisedValue(main, "Comment");
    application.Icon = Value(main, "Icon");
    application.WorkingDirectory = Value(main, "Path");
    application.NoDisplay = TrueValue(main, "NoDisplay");
    application.MimeTypes = ListValue(main.count("MimeType") ? main.at("MimeType") : std::string());
    for (const std::string &id :
         ListValue(main.count("Actions") ? main.at("Actions") : std::string())) {
        const auto group = groups.find("Desktop Action " + id);
        if (group == groups.end()) continue;
        TDesktopAction action{
            id, LocalisedValue(group->second, "Name"), Value(group->second, "Exec")};
        if (!action.Name.empty() && SplitExec(action.Exec, arguments))
            application.Actions.push_back(action);
    }
    return true;
}

std::vector<std::string> ApplicationDirectories()
{
    std::vector<std::string> folders{
        EnvironmentOr("XDG_DATA_HOME", HomeFolder() + "/.local/share")};
    for (const std::string &folder :
         FolderList(EnvironmentOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share")))
        folders.push_back(folder);
    std::vector<std::string> result;
    for (const std::string &folder : folders) {
        const std::string applications = (folder == "/" ? std::string() : folder) + "/applications";
        if (std::find(result.begin(), result.end(), applications) == result.end())
            result.push_back(applications);
    }
    return result;
}

std::vector<std::string> MimeAppsListFiles()
{
    std::vector<std::string> folders{EnvironmentOr("XDG_CONFIG_HOME", HomeFolder() + "/.config")};
    for (const std::string &folder : FolderList(EnvironmentOr("XDG_CONFIG_DIRS", "/etc/xdg")))
        folders.push_back(folder);
    for (const std::string &folder : ApplicationDirectories())
        folders.push_back(folder);
    std::vector<std::string> desktops;
    const std::string current = EnvironmentOr("XDG_CURRENT_DESKTOP", "");
    for (std::size_t start = 0; start < current.size();) {
        std::size_t colon = current.find(':', start);
        if (colon == std::string::npos) colon = current.size();
        if (colon > start) desktops.push_back(Lower(current.substr(start, colon - start)));
        start = colon + 1;
    }
    std::vector<std::string> files;
    for (const std::string &folder : folders) {
        std::vector<std::string> names;
        for (const std::string &desktop : desktops)
            names.push_back(desktop + "-mimeapps.list");
        names.push_back("mimeapps.list");
        for (const std::string &name : names) {
            const std::string file = folder + "/" + name;
            if (access(file.c_str(), R_OK) == 0) files.push_back(file);
        }
    }
    return files;
}

std::vector<TDesktopApplication> ApplicationsForMimeTypes(const std::vector<std::string> &mimeTypes)
{
    return TCatalog().ForTypes(mimeTypes);
}

bool HasApplicationForMimeTypes(const std::vector<std::string> &mimeTypes)
{
    return !TCatalog(true).ForTypes(mimeTypes, true).empty();
}

std::vector<TDesktopApplication>
ApplicationsForFiles(const std::vector<std::vector<std::string>> &mimeTypesOfEachFile)
{
    if (mimeTypesOfEachFile.empty()) return {};
    const TCatalog catalog;
    std::map<std::vector<std::string>, std::set<std::string>> idsOfTypes;
    for (const std::vector<std::string> &types : mimeTypesOfEachFile) {
        if (idsOfTypes.count(types) != 0) continue;
        std::set<std::string> &ids = idsOfTypes[types];
        for (const TDesktopApplication &application : catalog.ForTypes(types))
            ids.insert(application.Id);
    }
    std::vector<TDesktopApplication> common;
    for (const TDesktopApplication &application : catalog.ForTypes(mimeTypesOfEachFile.front())) {
        bool everywhere = true;
        for (const auto &[types, ids] : idsOfTypes)
            everywhere = everywhere && ids.count(application.Id) != 0;
        if (everywhere) common.push_back(application);
    }
    return common;
}

std::vector<std::vector<std::string>> ExecCommandLines(const std::string &exec,
                                                       const std::vector<std::string> &files)
{
    std::vector<std::string> arguments;
    if (!SplitExec(exec, arguments)) return {};
    std::vector<std::vector<std::string>> lines;
    if (TakesOneFile(arguments) && files.size() > 1) {
        for (const std::string &file : files)
            lines.push_back(CommandLine(arguments, {file}));
    } else {
        lines.push_back(CommandLine(arguments, files));
    }
    for (const std::vector<std::string> &line : lines)
        if (line.empty() || line.front().empty()) return {};
    return lines;
}

} // namespace Platform
