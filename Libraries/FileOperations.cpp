// The basic file operations, the trash, running files, whole-file reads and writes, hashes.
#include "Libraries/File.h"

#include "Libraries/Error.h"
#include "Libraries/MyTime.h"
#include "Libraries/Program.h"
#include "Libraries/Sha1.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/MessageBoxes.h"
#include "platform/Shell.h"
#include "platform/System.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <unistd.h>

namespace {

constexpr const char *ThisUnit = "File";

bool CopyProgress(std::uint64_t done, std::uint64_t total)
{
    if (!FileUnitLoader.OnCopyProgress || total == 0) return true;
    try {
        return FileUnitLoader.OnCopyProgress(static_cast<double>(done) / static_cast<double>(total));
    } catch (...) {
        return true; // a failing progress display does not stop the copy
    }
}

bool TooLong(const std::string &path)
{
    return path.size() > MaximumPathLength;
}

// A named stream that the destination refuses fails with the words of a stream's write.
const char *CopyFailureWords(Platform::TCopyStep failed, const char *words)
{
    return failed == Platform::TCopyStep::Attributes ? "Failed to write data." : words;
}

// ---- Trash ---------------------------------------------------------------------------------

std::string PercentEncoded(const std::string &path)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                           (byte >= '0' && byte <= '9') || c == '/' || c == '-' || c == '_' || c == '.' ||
                           c == '~';
        if (plain) encoded += c;
        else {
            encoded += '%';
            encoded += digits[byte >> 4];
            encoded += digits[byte & 0x0Fu];
        }
    }
    return encoded;
}

std::string TwoDigits(int n)
{
    return (n < 10 ? "0" : "") + std::to_string(n);
}

std::string DeletionDate()
{
    const double now = Now();
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    DecodeDate(now, year, month, day);
    DecodeTime(now, hour, minute, second);
    return std::to_string(year) + "-" + TwoDigits(month) + "-" + TwoDigits(day) + "T" + TwoDigits(hour) + ":" +
           TwoDigits(minute) + ":" + TwoDigits(second);
}

bool MakeFolder(const std::string &path, std::uint32_t mode)
{
    if (Platform::DirectoryExists(path)) return true;
    return Platform::MakeDirectory(path) && Platform::SetMode(path, mode);
}

// The trash that takes the path, made when missing; the Path= value is relative to topDir
// for a trash on another mount.
bool TrashFor(const std::string &path, std::string &trash, std::string &topDir)
{
    std::string dataHome = Platform::Environment("XDG_DATA_HOME");
    if (dataHome.empty() || dataHome.front() != '/') dataHome = Platform::Environment("HOME") + "/.local/share";
    const std::string home = IncludeTrailingBackslash(dataHome) + "Trash";
    if (SameRoot(path, dataHome)) {
        std::string failed;
        if (!Platform::MakeDirectories(ExtractDirectory(home), failed)) return false;
        if (!MakeFolder(home, 0700) || !MakeFolder(home + "/files", 0700) || !MakeFolder(home + "/info", 0700))
            return false;
        trash = home;
        topDir.clear();
        return true;
    }
    std::string top = PartitionTitleOf(path).substr(1);
    if (top.size() > 1 && top.back() == '/') top.pop_back();
    const std::string uid = std::to_string(Platform::UserId());
    const std::string shared = (top == "/" ? "" : top) + "/.Trash";
    Platform::TEntryStatus status;
    if (Platform::EntryStatus(shared, status, false) && status.IsDirectory && !status.IsSymbolicLink &&
        (status.Mode & 01000)) {
        const std::string mine = shared + "/" + uid;
        if (MakeFolder(mine, 0700) && MakeFolder(mine + "/files", 0700) && MakeFolder(mine + "/info", 0700)) {
            trash = mine;
            topDir = top;
            return true;
        }
    }
    const std::string own = (top == "/" ? "" : top) + "/.Trash-" + uid;
    if (!MakeFolder(own, 0700) || !MakeFolder(own + "/files", 0700) || !MakeFolder(own + "/info", 0700))
        return false;
    trash = own;
    topDir = top;
    return true;
}

bool IsElfOrScript(const std::string &path)
{
    const int handle = Platform::OpenForReading(path);
    if (handle < 0) return false;
    char head[4] = {};
    const std::int64_t got = Platform::ReadFully(handle, head, sizeof head);
    Platform::CloseHandle(handle);
    return (got == 4 && head[0] == '\x7F' && head[1] == 'E' && head[2] == 'L' && head[3] == 'F') ||
           (got >= 2 && head[0] == '#' && head[1] == '!');
}

} // namespace

// ---- File operations --------------------------------------------------------------------------

void MyDeleteFile(const std::string &path)
{
    TFunScope Fun(ThisUnit, "MyDeleteFile");
    Fun.Run([&] {
        if (!Platform::RemoveFile(path)) Fun.RaiseLastError("Failed to delete file.", path);
    });
}

void MyCopyFile(const std::string &source,
                const std::string &destination,
                bool overwrite,
                bool allowDecryptedDestination,
                bool dropUnsupportedStreams)
{
    (void)allowDecryptedDestination; // encrypted folders decrypt on reading anyway
    TFunScope Fun(ThisUnit, "MyCopyFile");
    Fun.Run([&] {
        if (TooLong(source) || TooLong(destination)) {
            Fun.Raise("Failed to copy file.", source, destination, ENAMETOOLONG);
            return;
        }
        Platform::TCopyStep failed = Platform::TCopyStep::Content;
        if (!Platform::CopyRegularFile(
                source, destination, overwrite, CopyProgress, {dropUnsupportedStreams, false}, &failed))
            Fun.RaiseLastError(CopyFailureWords(failed, "Failed to copy file."), source, destination);
    });
}

void CopyLinkItself(const std::string &source, const std::string &destination, bool overwrite)
{
    TFunScope Fun(ThisUnit, "CopyLinkItself");
    Fun.Run([&] {
        if (!Platform::CopySymbolicLink(source, destination, overwrite))
            Fun.RaiseLastError("Failed to copy file.", source, destination);
    });
}

void MyMoveFile(const std::string &source,
                const std::string &destination,
                bool overwrite,
                bool dropUnsupportedStreams)
{
    TFunScope Fun(ThisUnit, "MyMoveFile");
    Fun.Run([&] {
        if (TooLong(source) || TooLong(destination)) {
            Fun.Raise("Failed to move file.", source, destination, ENAMETOOLONG);
            return;
        }
        if (SamePath(source, destination) && source == destination) return;
        if (Platform::RenamePath(source, destination, overwrite)) return;
        if (Platform::LastErrorCode() != EXDEV) {
            Fun.RaiseLastError("Failed to move file.", source, destination);
            return;
        }
        // Another mount: the source goes only after its copy is complete and closed.
        Platform::TEntryStatus status;
        if (!Platform::EntryStatus(source, status, false)) {
            Fun.RaiseLastError("Failed to move file.", source, destination);
            return;
        }
        if (status.IsSymbolicLink) {
            if (!Platform::CopySymbolicLink(source, destination, overwrite) ||
                !Platform::SyncDirectory(ExtractDirectory(destination)) || !Platform::RemoveFile(source))
                Fun.RaiseLastError("Failed to move file.", source, destination);
            return;
        }
        if (!status.IsRegular) {
            Fun.Raise("Failed to move file.", source, destination, EXDEV);
            return;
        }
        // The copy and its name are on the disk before the source goes.
        Platform::TCopyStep failed = Platform::TCopyStep::Content;
        if (!Platform::CopyRegularFile(
                source, destination, overwrite, CopyProgress, {dropUnsupportedStreams, true}, &failed)) {
            Fun.RaiseLastError(CopyFailureWords(failed, "Failed to move file."), source, destination);
            return;
        }
        if (!Platform::RemoveFile(source)) Fun.RaiseLastError("Failed to move file.", source, destination);
    });
}

void PrepareOverwrite(const std::string &source, const std::string &destination, bool overwrite)
{
    if (!overwrite || SamePath(source, destination) || !PathExists(destination)) return;
    Platform::RemoveFile(destination);
}

void MyRenameFile(const std::string &source, const std::string &destination, bool overwrite)
{
    TFunScope Fun(ThisUnit, "MyRenameFile");
    Fun.Run([&] {
        if (TooLong(destination)) {
            Fun.Raise("Failed to rename.", source, destination, ENAMETOOLONG);
            return;
        }
        // Renaming onto the same file (only the letter case or another hard link) never
        // deletes it first. The entries themselves are compared: a symbolic link and the file
        // it points to are two files, and renaming one onto the other is an overwrite.
        const bool sameFile = Platform::SameEntry(source, destination);
        if (!Platform::RenamePath(source, destination, overwrite && !sameFile) &&
            !(sameFile && Platform::RenamePath(source, destination, true)))
            Fun.RaiseLastError("Failed to rename.", source, destination);
    });
}

void RecycleFile(const std::string &path)
{
    TFunScope Fun(ThisUnit, "RecycleFile");
    Fun.Run([&] {
        const std::string full = ExcludeTrailingBackslash(FullPath(path));
        if (full.empty() || IsDrivePath(full) || !PathExists(full)) {
            Fun.Raise("Failed to recycle.", path, {}, ENOENT);
            return;
        }
        std::string trash, topDir;
        if (!TrashFor(full, trash, topDir)) {
            Fun.RaiseLastError("Failed to recycle.", path);
            return;
        }
        const std::string name = ExtractName(full);
        const std::string stored = topDir.empty() ? full : full.substr(topDir == "/" ? 1 : topDir.size() + 1);
        const std::string content = "[Trash Info]\nPath=" + PercentEncoded(stored) + "\nDeletionDate=" + DeletionDate() + "\n";
        // The info file is written first, under a name nobody else holds.
        std::string base = name;
        for (int number = 1;; ++number) {
            if (number > 1) {
                const auto dot = name.rfind('.');
                base = (dot == std::string::npos || dot == 0 ? name : name.substr(0, dot)) + "." + std::to_string(number) +
                       (dot == std::string::npos || dot == 0 ? "" : name.substr(dot));
            }
            const std::string info = trash + "/info/" + base + ".trashinfo";
            if (Platform::PathTaken(trash + "/files/" + base)) continue;
            if (Platform::CreateNewFile(info, content)) break;
            if (Platform::LastErrorCode() != EEXIST || number > 10000) {
                Fun.RaiseLastError("Failed to recycle.", path);
                return;
            }
        }
        if (!Platform::RenamePath(full, trash + "/files/" + base, false)) {
            const int code = Platform::LastErrorCode();
            Platform::RemoveFile(trash + "/info/" + base + ".trashinfo");
            Fun.Raise("Failed to recycle.", path, {}, code);
        }
    });
}

void DeleteDirectoryNoErrors(const std::string &path)
{
    TFunScope Fun(ThisUnit, "DeleteDirectoryNoErrors");
    Fun.Run([&] {
        const std::string directory = ExcludeTrailingBackslash(path);
        Platform::TEntryStatus status;
        if (!Platform::EntryStatus(directory, status, false) || !status.IsDirectory) {
            Fun.Raise("Can not find directory.", path);
            return;
        }
        bool listed = Platform::ReadDirectory(directory, [&](const Platform::TDirectoryEntry &entry) {
            const std::string child = directory + "/" + entry.Name;
            // A link to a directory is removed itself, never followed.
            if (entry.IsDirectory && !entry.IsSymbolicLink) {
                DeleteDirectoryNoErrors(child);
                FunStatContext.Reset(fsPerfect);
            } else {
                Platform::RemoveFile(child);
            }
            return true;
        });
        if (!listed || !Platform::RemoveDirectory(directory))
            Fun.RaiseLastError("Failed to delete directory content.", path);
    });
}

void CopyDeleteDirectory(const std::string &source, const std::string &destination, bool copy)
{
    TFunScope Fun(ThisUnit, "CopyDeleteDirectory");
    Fun.Run([&] {
        const std::string from = ExcludeTrailingBackslash(source);
        const std::string to = ExcludeTrailingBackslash(destination);
        if (to.empty()) {
            Fun.Raise("Empty destination name.", source);
            return;
        }
        if (!Platform::DirectoryExists(from)) {
            Fun.Raise("Can not find directory.", source);
            return;
        }
        if (!Platform::DirectoryExists(to) && !Platform::MakeDirectory(to)) {
            Fun.RaiseLastError("Failed to create directory.", destination);
            return;
        }
        const bool listed = Platform::ReadDirectory(from, [&](const Platform::TDirectoryEntry &entry) {
            const std::string child = from + "/" + entry.Name;
            const std::string target = to + "/" + entry.Name;
            if (entry.IsDirectory && !entry.IsSymbolicLink) {
                CopyDeleteDirectory(child, target, copy);
            } else if (entry.IsSymbolicLink) {
                std::string linkTarget;
                if (Platform::ReadSymbolicLink(child, linkTarget)) Platform::MakeSymbolicLink(linkTarget, target);
                if (!copy) Platform::RemoveFile(child);
            } else if (copy) {
                Platform::CopyRegularFile(child, target, true, nullptr);
            } else if (!Platform::RenamePath(child, target, true)) {
                if (Platform::CopyRegularFile(child, target, true, nullptr)) Platform::RemoveFile(child);
            }
            FunStatContext.Reset(fsPerfect); // single files that fail are passed over
            return true;
        });
        if (!listed) {
            Fun.RaiseLastError("Failed to find first file.", source);
            return;
        }
        if (!copy) Platform::RemoveDirectory(from);
    });
    if (Fun.Failed() && MessageBoxes) MessageBoxes->Show("Error", "Failed to process directory.", MessageBoxStyle::Ok);
}

// ---- Running ------------------------------------------------------------------------------------

bool IsDirectlyExecutable(const std::string &path)
{
    Platform::TEntryStatus status;
    return Platform::EntryStatus(path, status, true) && status.IsRegular && status.AnyExecuteBit && IsElfOrScript(path);
}

void RunFile(const std::string &file,
             const std::string &parameters,
             const std::string &directory,
             bool minimized,
             bool quoteParameters)
{
    (void)minimized; // the desktop decides how new windows open
    if (file.empty()) {
        ShowErrorMessage("The name of the file is empty.");
        FunStatContext.Reset(fsPerfect);
        return;
    }
    TFunScope Fun(ThisUnit, "RunFile");
    Fun.Run([&] {
        std::vector<std::string> arguments;
        if (!parameters.empty()) arguments = quoteParameters ? std::vector<std::string>{parameters}
                                                             : Platform::SplitCommandLine(parameters);
        std::string program = file;
        const bool address = file.find("://") != std::string::npos || file.rfind("mailto:", 0) == 0;
        if (!address && file.find('/') == std::string::npos) program = Platform::FindInPath(file);
        const std::string workingDirectory = directory.empty() ? ProgramWorkingPath() : directory;
        bool started = false;
        std::string failure; // why the desktop did not open it
        if (!address && !program.empty() && IsDirectlyExecutable(program))
            started = Platform::StartDetached(program, arguments, workingDirectory);
        else if (!address && !PathExists(program.empty() ? file : program))
            errno = ENOENT;
        else
            started = Platform::OpenWithDefaultApplication(program.empty() ? file : program, failure);
        if (started) return;
        if (failure.empty())
            Fun.RaiseLastError("Failed to run file.", file);
        else
            Fun.Raise("Failed to run file.", file, failure);
    });
}

void RunVerb(const std::string &file, const std::string &verb, const std::string &directory)
{
    if (file.empty()) {
        FunStatContext.Reset(fsPerfect);
        return;
    }
    TFunScope Fun(ThisUnit, "RunVerb");
    Fun.Run([&] {
        if (verb == "open" || verb.empty()) {
            RunFile(file, {}, directory, false, false);
            if (Fun.CalleeFailed()) Fun.Raise("Failed to run verb.", file, verb, FunStatContext.systemErrorCode);
            return;
        }
        if (verb == "print") {
            const std::string lp = Platform::FindInPath("lp");
            if (lp.empty() || !Platform::StartDetached(lp, {"--", file}, directory.empty() ? "/" : directory))
                Fun.Raise("Failed to run verb.", file, verb, lp.empty() ? ENOENT : Platform::LastErrorCode());
            return;
        }
        if (verb == "properties") {
            if (Platform::ShowItemProperties(file)) return;
            TFileInfo info;
            info.Load(file);
            if (Fun.CalleeFailed()) return;
            ShowInfoMessage(file + "\n\nSize: " + FileSizeText(5, 1, info.size) + "\nAttributes: " +
                            AttributesText(info.attributes) + "\nModified: " + LongDateText(info.modified) + " " +
                            LongTimeText(info.modified));
            return;
        }
        Fun.Raise("Failed to run verb.", file, verb, ENOTSUP);
    });
}

void OpenWith(const std::string &file, const std::string &directory)
{
    (void)directory;
    TFunScope Fun(ThisUnit, "OpenWith");
    Fun.Run([&] {
        if (!Platform::OpenWithChooser(file)) Fun.RaiseLastError("Failed to run file.", file);
    });
}

void OpenSite(const std::string &address, const std::string &failMessage)
{
    TFunScope Fun(ThisUnit, "OpenSite");
    Fun.Run([&] {
        std::string failure;
        if (!Platform::OpenWithDefaultApplication(address, failure)) Fun.Raise("Failed to run file.", address, failure);
    });
    Fun.ShowIfFailed(failMessage);
}

// ---- Whole files ----------------------------------------------------------------------------------

std::int64_t LoadFileToBuffer(const std::string &path, void *buffer, std::int64_t capacity, bool truncate)
{
    std::int64_t count = 0;
    TFunScope Fun(ThisUnit, "LoadFileToBuffer");
    Fun.Run([&] {
        const int handle = Platform::OpenForReading(path);
        if (handle < 0) {
            Fun.RaiseLastError("Failed to load.", path);
            return;
        }
        const std::unique_ptr<int, void (*)(int *)> closer(new int(handle), [](int *h) {
            Platform::CloseHandle(*h);
            delete h;
        });
        const std::int64_t size = Platform::HandleSize(handle);
        if (size <= 0) {
            Fun.Raise("Failed to load, or empty file.", path, {}, size < 0 ? Platform::LastErrorCode() : 0);
            return;
        }
        std::int64_t wanted = size;
        if (size > capacity) {
            if (!truncate) {
                Fun.Raise("File size too big.", std::to_string(size), std::to_string(capacity));
                return;
            }
            wanted = capacity;
            Fun.RaiseAt(fsWarning, __LINE__, "File size too big.", std::to_string(size), std::to_string(capacity));
        }
        if (Platform::ReadFully(handle, buffer, static_cast<std::size_t>(wanted)) < 0) {
            Fun.RaiseLastError("Failed to load.", path);
            return;
        }
        count = wanted;
    });
    return count;
}

void SaveBufferToFile(const std::string &path, const void *buffer, std::size_t count)
{
    TFunScope Fun(ThisUnit, "SaveBufferToFile");
    Fun.Run([&] {
        if (!Platform::WriteWholeFile(path, buffer, count)) Fun.RaiseLastError("Failed to save.", path);
    });
}

std::string HashFile(const std::string &path, bool (*progress)(void *userData, std::uint64_t done), void *userData)
{
    std::string digest;
    TFunScope Fun(ThisUnit, "HashFile");
    Fun.Run([&] {
        const int handle = Platform::OpenForReading(path);
        if (handle < 0) {
            Fun.RaiseLastError("Failed to open file.", path);
            return;
        }
        const std::unique_ptr<int, void (*)(int *)> closer(new int(handle), [](int *h) {
            Platform::CloseHandle(*h);
            delete h;
        });
        const std::int64_t size = Platform::HandleSize(handle);
        if (size < 0) {
            Fun.RaiseLastError("Failed to get file size.", path);
            return;
        }
        // Progress counts blocks of 1000000 bytes; the reads are smaller, so that the bytes
        // are still in the processor's cache when the digest takes them.
        constexpr std::size_t Block = 1000000;
        constexpr std::size_t Piece = 128 * 1024;
        const std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[Piece]());
        TSha1 hasher;
        std::uint64_t done = 0;
        for (;;) {
            std::size_t inBlock = 0;
            bool ended = false;
            while (inBlock < Block) {
                const std::size_t wanted = std::min(Piece, Block - inBlock);
                const std::int64_t got = Platform::ReadFully(handle, buffer.get(), wanted);
                if (got < 0) {
                    Fun.RaiseLastError("Failed to read data.", path);
                    return;
                }
                hasher.Update(buffer.get(), static_cast<std::size_t>(got));
                inBlock += static_cast<std::size_t>(got);
                if (static_cast<std::size_t>(got) < wanted) {
                    ended = true;
                    break;
                }
            }
            done += inBlock;
            if (progress && progress(userData, done)) {
                Fun.RaiseAt(fsWarning, __LINE__, "User abort.", path);
                return;
            }
            if (ended || done >= static_cast<std::uint64_t>(size)) break;
        }
        digest = Sha1DigestHexText(hasher.Final());
    });
    return digest;
}
