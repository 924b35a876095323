// File information, size texts and the well-known folders.
#include "Libraries/File.h"

#include "Libraries/Error.h"
#include "Libraries/MyMath.h"
#include "Libraries/MyTime.h"
#include "Libraries/Program.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

#include <cerrno>
#include <fstream>

TFileUnitLoader FileUnitLoader;

namespace {

constexpr const char *ThisUnit = "File";
// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t EpochDifference = 11644473600LL;

std::uint32_t AttributesOf(const std::string &path, const Platform::TEntryStatus &status)
{
    std::uint32_t attributes = 0;
    bool directory = status.IsDirectory;
    if (status.IsSymbolicLink) {
        Platform::TEntryStatus target;
        directory = Platform::EntryStatus(path, target, true) && target.IsDirectory;
    }
    if (directory) attributes |= FileAttribute::Directory;
    if (!status.OwnerCanWrite && !status.IsSymbolicLink) attributes |= FileAttribute::ReadOnly;
    const std::string name = ExtractName(path);
    if (!name.empty() && name.front() == '.') attributes |= FileAttribute::Hidden;
    if (status.Compressed) attributes |= FileAttribute::Compressed;
    if (status.Encrypted) attributes |= FileAttribute::Encrypted;
    if (status.IsSymbolicLink || status.IsMountRoot) attributes |= FileAttribute::ReparsePoint;
    if (status.Sparse) attributes |= FileAttribute::Sparse;
    return attributes;
}

// XDG user folders from user-dirs.dirs ("XDG_MUSIC_DIR="$HOME/Music"").
std::string UserDirectory(const char *key, const char *fallback)
{
    const std::string home = Platform::Environment("HOME");
    std::string config = Platform::Environment("XDG_CONFIG_HOME");
    if (config.empty() || config.front() != '/') config = home + "/.config";
    std::ifstream in(config + "/user-dirs.dirs");
    std::string line;
    const std::string wanted = std::string(key) + "=";
    while (std::getline(in, line)) {
        if (line.compare(0, wanted.size(), wanted) != 0) continue;
        std::string value = line.substr(wanted.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        if (value.compare(0, 5, "$HOME") == 0) value = home + value.substr(5);
        if (!value.empty() && value.front() == '/') return IncludeTrailingBackslash(value);
    }
    return IncludeTrailingBackslash(home + "/" + fallback);
}

std::string XdgBase(const char *variable, const char *fallbackBelowHome)
{
    std::string value = Platform::Environment(variable);
    if (value.empty() || value.front() != '/') value = Platform::Environment("HOME") + fallbackBelowHome;
    return IncludeTrailingBackslash(value);
}

} // namespace

TRawFileTime RawFileTime(std::int64_t unixSeconds, std::uint32_t nanoseconds)
{
    return (unixSeconds + EpochDifference) * 10000000LL + nanoseconds / 100;
}

double ConvertFileTime(TRawFileTime fileTime)
{
    double result = 0;
    TFunScope Fun(ThisUnit, "ConvertFileTime");
    Fun.Run([&] {
        std::int64_t seconds = fileTime / 10000000LL - EpochDifference;
        const std::int64_t rest = fileTime % 10000000LL;
        const double fraction = static_cast<double>(rest) / 1e7 / 86400.0;
        if (!FileUnitLoader.convertTimesToLocal) {
            result = static_cast<double>(seconds) / 86400.0 + 25569.0 + fraction;
            return;
        }
        Platform::TLocalTime local;
        if (!Platform::LocalTimeOf(seconds, local)) {
            Fun.Raise("Failed to convert time.", {}, {}, EOVERFLOW);
            return;
        }
        result = EncodeDateTime(local.year, local.month, local.day, local.hour, local.minute, local.second) + fraction;
    });
    return result;
}

void TFileInfo::Clear()
{
    *this = TFileInfo();
    created = accessed = modified = ConvertFileTime(0);
}

void TFileInfo::Load(const std::string &path)
{
    Clear();
    if (path.empty()) {
        FunStatContext.Reset(fsPerfect);
        return;
    }
    TFunScope Fun(ThisUnit, "TFileInfo::Load");
    Fun.Run([&] {
        if (IsDrivePath(path)) {
            exists = PartitionExists(path);
            return;
        }
        Platform::TEntryStatus status;
        if (!Platform::EntryStatus(path, status, false)) {
            Fun.RaiseLastError("Failed to open file.", path);
            return;
        }
        // A symbolic link shows what it points to, when it points anywhere.
        Platform::TEntryStatus shown = status;
        if (status.IsSymbolicLink) Platform::EntryStatus(path, shown, true);
        exists = true;
        attributes = AttributesOf(path, status);
        size = shown.IsDirectory ? 0 : shown.Size;
        rawCreated = RawFileTime(shown.BornSeconds, shown.BornNanoseconds);
        rawAccessed = RawFileTime(shown.AccessedSeconds, shown.AccessedNanoseconds);
        rawModified = RawFileTime(shown.ModifiedSeconds, shown.ModifiedNanoseconds);
        created = ConvertFileTime(rawCreated);
        if (Fun.CalleeFailed()) return;
        accessed = ConvertFileTime(rawAccessed);
        if (Fun.CalleeFailed()) return;
        modified = ConvertFileTime(rawModified);
    });
    if (Fun.Failed()) {
        const TFunStatContext failure = Fun.Local;
        Clear(); // the record of a path that cannot be read is cleared
        Fun.Local = failure;
    }
}

std::uint64_t GetFileSize(const std::string &path)
{
    std::uint64_t size = 0;
    TFunScope Fun(ThisUnit, "GetFileSize");
    Fun.Run([&] {
        Platform::TEntryStatus status;
        if (!Platform::EntryStatus(path, status, true)) {
            Fun.RaiseAt(fsWarning, __LINE__, "Failed to access file.", path, {}, Platform::LastErrorCode());
            return;
        }
        if (status.IsDirectory) {
            Fun.RaiseAt(fsWarning, __LINE__, "Failed to get file size.", path, {}, EISDIR);
            return;
        }
        size = status.Size;
    });
    return size;
}

std::uint64_t FileSizeByInfo(const std::string &path)
{
    TFileInfo info;
    info.Load(path);
    return info.size;
}

std::uint32_t GetHardLinkCount(const std::string &path)
{
    std::uint32_t count = 0;
    TFunScope Fun(ThisUnit, "GetHardLinkCount");
    Fun.Run([&] {
        Platform::TEntryStatus status;
        if (!Platform::EntryStatus(path, status, true)) {
            Fun.RaiseAt(fsWarning, __LINE__, "Invalid file handle.", path, {}, Platform::LastErrorCode());
            return;
        }
        count = static_cast<std::uint32_t>(status.Links);
    });
    return count;
}

bool HasDirectories(const std::string &path)
{
    bool found = false;
    TFunScope Fun(ThisUnit, "HasDirectories");
    Fun.Run([&] {
        const std::string directory = IncludeTrailingBackslash(IsDrivePath(path) ? path.substr(1) : path);
        const bool read = Platform::ReadDirectory(directory, [&](const Platform::TDirectoryEntry &entry) {
            if (entry.IsDirectory) found = true;
            return !found;
        });
        if (!read) Fun.RaiseLastError("Failed to load directory.", path);
    });
    return found;
}

std::string FileSizeText(int digits, int decimals, std::uint64_t size)
{
    if (!FileUnitLoader.sizesInUnits) return AlignRealToTextPow(digits, decimals, static_cast<double>(size));
    static const char *const units[] = {" B", " KB", " MB", " GB", " TB"};
    double value = static_cast<double>(size);
    int unit = 0;
    // A value that its one decimal rounds up to 1024 belongs to the next unit too
    // (1023.96 KB reads 1.0 MB, not 1,024.0 KB).
    while ((value >= 1024 || (unit > 0 && value >= 1023.95)) && unit < 4) {
        value /= 1024;
        ++unit;
    }
    return AlignRealToTextPow(5, unit == 0 ? 0 : 1, value) + units[unit];
}

std::string GetOperatorPath()
{
    return "/etc/";
}

std::string GetSystemPath()
{
    return "/usr/bin/";
}

std::string GetTempPathA()
{
    return TemporaryDirectory();
}

std::string SystemDrive()
{
    return ":/";
}

std::string SystemDriveRoot()
{
    return "/";
}

std::string GetSystemDirectoryPath(int folder)
{
    std::string path;
    bool perUser = true;
    switch (folder) {
    case sfApplicationData: path = XdgBase("XDG_DATA_HOME", "/.local/share"); break;
    case sfDocuments: path = UserDirectory("XDG_DOCUMENTS_DIR", "Documents"); break;
    case sfCommonDocuments: path = UserDirectory("XDG_PUBLICSHARE_DIR", "Public"); break;
    case sfMusic: path = UserDirectory("XDG_MUSIC_DIR", "Music"); break;
    case sfVideos: path = UserDirectory("XDG_VIDEOS_DIR", "Videos"); break;
    case sfPictures: path = UserDirectory("XDG_PICTURES_DIR", "Pictures"); break;
    case sfDesktop: path = UserDirectory("XDG_DESKTOP_DIR", "Desktop"); break;
    case sfStartMenuPrograms: path = XdgBase("XDG_DATA_HOME", "/.local/share") + "applications/"; break;
    case sfCommonStartMenuPrograms: path = "/usr/share/applications/"; perUser = false; break;
    case sfProgramFiles: path = Platform::Environment("HOME") + "/.local/opt/"; break;
    case sfCommonProgramFiles: path = "/opt/"; perUser = false; break;
    case sfStartUp: path = XdgBase("XDG_CONFIG_HOME", "/.config") + "autostart/"; break;
    case sfCommonStartUp: path = "/etc/xdg/autostart/"; perUser = false; break;
    case sfRecentDocuments: path = XdgBase("XDG_DATA_HOME", "/.local/share"); break;
    case sfInternetCache: path = XdgBase("XDG_CACHE_HOME", "/.cache"); break;
    case sfFonts: path = XdgBase("XDG_DATA_HOME", "/.local/share") + "fonts/"; break;
    default: return {}; // no counterpart: common desktop, favourites, cookies
    }
    if (!perUser || Platform::DirectoryExists(path)) return path;
    TFunScope Fun(ThisUnit, "GetSystemDirectoryPath");
    Fun.Run([&] {
        std::string failed;
        if (!Platform::MakeDirectories(path, failed)) {
            Fun.RaiseLastError("Failed to get path.", failed);
            path.clear();
        }
    });
    return path;
}

std::string HostsFilePath()
{
    return "/etc/hosts";
}
