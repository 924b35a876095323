// Paths, partitions, file information, the basic file operations, running files, whole-file
// reads and writes, well-known folders and file hashes.
// A title is a full path ("/home/ann/notes.txt"); a partition title is ":" + a mount point
// (":/", ":/media/ann/USB") and stands for the partitions list with that partition focused.
#pragma once

#include "platform/DirectoryWatch.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

constexpr char PathDelimiter = '/';
// The longest path the program keeps, in bytes.
constexpr std::size_t MaximumPathLength = 4095;

// Attribute bits of a file, in the program's own encoding.
namespace FileAttribute {
constexpr std::uint32_t ReadOnly = 0x1;
constexpr std::uint32_t Hidden = 0x2;
constexpr std::uint32_t System = 0x4;
constexpr std::uint32_t Directory = 0x10;
constexpr std::uint32_t Archive = 0x20;
constexpr std::uint32_t Temporary = 0x100;
constexpr std::uint32_t Sparse = 0x200;
constexpr std::uint32_t ReparsePoint = 0x400;
constexpr std::uint32_t Compressed = 0x800;
constexpr std::uint32_t Offline = 0x1000;
constexpr std::uint32_t Encrypted = 0x4000;
} // namespace FileAttribute

// File system feature flags, in the program's own encoding.
namespace FileSystemFeature {
constexpr std::uint32_t Compression = 0x10;
constexpr std::uint32_t Quotas = 0x20;
constexpr std::uint32_t Sparse = 0x40;
constexpr std::uint32_t ReparsePoints = 0x80;
constexpr std::uint32_t Encryption = 0x20000;
constexpr std::uint32_t NamedStreams = 0x40000;
constexpr std::uint32_t ReadOnlyVolume = 0x80000;
} // namespace FileSystemFeature

// Process-wide settings of the file services.
struct TFileUnitLoader
{
    bool convertTimesToLocal = true;
    bool sizesInUnits = true;
    // Receives the fraction of the current file copied (0..1); false cancels the copy.
    std::function<bool(double fraction)> OnCopyProgress;
};
extern TFileUnitLoader FileUnitLoader;

// ---- Path texts (none of these fails) -------------------------------------------------------

// The path with one trailing delimiter; an empty path stays empty.
std::string IncludeTrailingBackslash(const std::string &path);
// The path without its trailing delimiter; "/" gives the partition title ":/".
std::string ExcludeTrailingBackslash(const std::string &path);
// True for a partition title: ":" followed by at least one character.
bool IsDrivePath(const std::string &path);
// 1-based position of the path's partition in the partitions list; 0 when none.
int DriveNumber(const std::string &path);
// Empty for a partition title, else the directory part with its trailing delimiter.
std::string ExtractDirectory(const std::string &path);
// The partition title itself for a partition title, else the name after the last delimiter.
std::string ExtractName(const std::string &path);
// The extension with its dot ("" for ".bashrc" or "name"); the name's own last dot counts.
std::string ExtractExtension(const std::string &path);
std::string ExtensionWithoutDot(const std::string &path);
// The path with its extension replaced ("a/b.png", ".jpg" gives "a/b.jpg").
std::string ReplaceExtension(const std::string &path, const std::string &extension);
// The extension equals the one given (with its dot) without regard to ASCII case.
bool HasExtension(const std::string &path, const std::string &extension);
// The extension is an item of the list (without regard to ASCII case); false for no list.
bool ExtensionInList(const std::string &path, const std::vector<std::string> *list);
// Removes and returns the first component ("/" for an absolute path, then its names).
std::string TakeFirstComponent(std::string &path);
// The path is the parent or lies below it (exact comparison, whole components).
bool IsPathInside(const std::string &parent, const std::string &path);
// Every item is an absolute path without NUL bytes.
bool AreValidFullPaths(const std::vector<std::string> &list);
std::string LongPathName(const std::string &path);
// The absolute path with "." and ".." removed (symbolic links kept).
std::string FullPath(const std::string &path);
std::string UniversalPath(const std::string &path);
// The same file (device and inode when both exist), else the same full path.
bool SamePath(const std::string &path1, const std::string &path2);
// Both paths lie on the same mount.
bool SameRoot(const std::string &path1, const std::string &path2);
// True when the name matches a wildcard filter ("*" any run, "?" one character, several
// patterns separated by ";", letters compared without regard to ASCII case); an empty filter
// matches everything.
bool MatchesFilter(const std::string &name, const std::string &filter);
// A name no file may have: empty, "." or "..", or holding "/" or a NUL byte.
bool IsInvalidFileName(const std::string &name);
// A desktop entry (".desktop", any case).
bool IsLinkFile(const std::string &path);
bool IsPifFile(const std::string &path);
bool IsShortcut(const std::string &path);
// "A", "R", "H", "S", "C", "E", "O", "T", "Rp", "Sf" for the set attributes, in this order.
std::string AttributesText(std::uint32_t attributes);
// The entry exists (a dangling symbolic link exists too); false for an empty path.
bool PathExists(const std::string &path);
// A directory (symbolic links followed) or a partition title.
bool IsDirectoryPath(const std::string &path);
std::uint32_t SafeFileAttributes(const std::string &path);
// Gives the owner write permission when the file is read-only.
void ClearReadOnly(const std::string &path);

// ---- Partitions -------------------------------------------------------------------------------

// One mounted volume of the mount table.
struct TMountEntry
{
    std::uint64_t MountId = 0;
    std::uint64_t ParentId = 0;
    unsigned Major = 0, Minor = 0;
    std::string Root;       // the part of the file system mounted
    std::string MountPoint; // escapes decoded
    std::string Options;
    std::string Type;
    std::string Source;
    bool ReadOnly = false;
};
// The entries of a mountinfo text.
std::vector<TMountEntry> ParseMountInfo(const std::string &text);
// The real file systems of the mount table, sorted by mount point, "/" always kept.
std::vector<TMountEntry> SelectPartitions(const std::vector<TMountEntry> &mounts);
// The partitions of this machine now.
std::vector<TMountEntry> CurrentPartitions();
// The partition title of the mount that holds the path (the longest mount point).
std::string PartitionTitleOf(const std::string &path);
// The partitions' titles (":/", ":/home", ...).
void LogicalDrives(std::vector<std::string> &list, int &count);

enum TPartitionType
{
    ptUnknown = 0,
    ptNoRoot = 1,
    ptRemovable = 2,
    ptFixed = 3,
    ptRemote = 4,
    ptCD = 5,
    ptRAM = 6
};
// The type of the path's partition. Warning: "Failed to get type." (path)
int GetPartitionType(const std::string &path);
// " (Removable)", " (Fixed: "label")", " (Remote: "source")", " (CD)" or " (RAM)" for a
// partition title; empty for other paths.
std::string GetPartitionSuffix(const std::string &path);
// Byte counts of the path's file system. A file system that reports no size at all (ramfs)
// has an unknown space, never a full one: the result is then -1 with the Error. A caller that
// checks for enough space skips the check for a negative result.
// Error: "Failed to get size." (path, errno; 0 for a file system without a size)
std::int64_t GetPartitionTotalSize(const std::string &path);
std::int64_t GetPartitionFreeSize(const std::string &path);
// The path's partition is mounted: for a partition title its mount point; for a path, the
// longest mount point over it among those seen in this run (false once that one is unmounted,
// even though the directory that held the mount is still there).
bool PartitionExists(const std::string &path);
// The partition title of that recorded mount point (what a title falls back to when its
// partition is gone); a partition title itself.
std::string RecordedPartitionTitleOf(const std::string &path);

struct TPartitionInfo
{
    std::string volumeName;
    std::string fileSystemName;
    std::uint32_t serialNumber = 0;
    std::uint32_t maximumComponentLength = 0;
    std::uint32_t fileSystemFlags = 0;
    void Clear();
    // Error: "Failed to load partition information." (path)
    void Load(const std::string &path);
};
std::uint32_t FileSystemFlags(const std::string &path);
std::string FileSystemFlagsText(const std::string &path);
bool SupportsNamedStreams(const std::string &path);
bool SupportsReparsePoints(const std::string &path);
bool SupportsEncryption(const std::string &path);

// ---- File information --------------------------------------------------------------------------

// 100-nanosecond intervals since 1601-01-01 UTC.
using TRawFileTime = std::int64_t;
TRawFileTime RawFileTime(std::int64_t unixSeconds, std::uint32_t nanoseconds);
// A date-time of a raw file time, local when convertTimesToLocal.
double ConvertFileTime(TRawFileTime fileTime);

struct TFileInfo
{
    bool exists = false;
    std::uint32_t attributes = 0;
    double created = 0, accessed = 0, modified = 0;
    std::uint64_t size = 0;
    TRawFileTime rawCreated = 0, rawAccessed = 0, rawModified = 0;
    void Clear();
    // Error: "Failed to open file." (path, errno)
    void Load(const std::string &path);
};

// Warnings: "Failed to access file.", "Failed to get file size." (path); the result is then 0.
std::uint64_t GetFileSize(const std::string &path);
std::uint64_t FileSizeByInfo(const std::string &path);
// Warnings: "Invalid file handle.", "Failed to retrieve file information." (path).
std::uint32_t GetHardLinkCount(const std::string &path);
// True when the directory holds a sub-directory. Error: "Failed to load directory." (path)
bool HasDirectories(const std::string &path);
// "1,023 B", "1.5 KB", or the plain number when sizes are not shown in units.
std::string FileSizeText(int digits, int decimals, std::uint64_t size);

// ---- Well-known folders (each with a trailing delimiter) ---------------------------------------

std::string GetOperatorPath();
std::string GetSystemPath();
std::string GetTempPathA();
std::string SystemDrive();
std::string SystemDriveRoot();
enum TSystemFolder
{
    sfApplicationData = 26,
    sfDocuments = 5,
    sfCommonDocuments = 46,
    sfMusic = 13,
    sfVideos = 14,
    sfPictures = 39,
    sfDesktop = 16,
    sfCommonDesktop = 25,
    sfStartMenuPrograms = 2,
    sfCommonStartMenuPrograms = 23,
    sfProgramFiles = 38,
    sfCommonProgramFiles = 43,
    sfFavourites = 6,
    sfCommonFavourites = 31,
    sfStartUp = 7,
    sfCommonStartUp = 24,
    sfRecentDocuments = 8,
    sfCookies = 33,
    sfInternetCache = 32,
    sfFonts = 20
};
// The folder's path; empty for a folder without a counterpart. A missing per-user folder is
// created. Error: "Failed to get path."
std::string GetSystemDirectoryPath(int folder);
std::string HostsFilePath();

// ---- File operations -----------------------------------------------------------------------------

// Error: "Failed to delete file." (path, errno)
void MyDeleteFile(const std::string &path);
// Copies content, named streams (user extended attributes), mode and times; the destination
// gets its name only when complete, and a destination that is replaced is flushed to the disk
// before it is. Error: "Failed to copy file." (source, destination, errno).
// A named stream that the destination refuses fails the copy with the Error "Failed to write
// data." (source, destination, errno: ENOTSUP where its file system keeps no streams), and
// nothing is left at the destination. With dropUnsupportedStreams (for a caller that has asked
// whether the streams may be left behind) a destination without streams takes the content
// alone; other refusals still fail.
void MyCopyFile(const std::string &source,
                const std::string &destination,
                bool overwrite,
                bool allowDecryptedDestination = false,
                bool dropUnsupportedStreams = false);
// Copies a symbolic link as a link (its target and times), never what it points to.
// Error: "Failed to copy file." (source, destination, errno)
void CopyLinkItself(const std::string &source, const std::string &destination, bool overwrite);
// One rename on the same mount; across mounts a copy as MyCopyFile makes it, flushed with its
// directory, then the source is deleted. Error: "Failed to move file." (source, destination,
// errno); named streams refused by the destination: as MyCopyFile ("Failed to write data."),
// the source then stays.
void MyMoveFile(const std::string &source,
                const std::string &destination,
                bool overwrite,
                bool dropUnsupportedStreams = false);
// Renames without replacing an existing destination unless overwrite is set; a destination
// that is the same entry (another name of the same file, or the name in another letter case)
// is renamed onto without being deleted. A symbolic link and its target are different entries.
// Error: "Failed to rename." (source, destination, errno)
void MyRenameFile(const std::string &source, const std::string &destination, bool overwrite);
// With overwrite, deletes an existing destination that is not the source itself.
void PrepareOverwrite(const std::string &source, const std::string &destination, bool overwrite);
// Moves the file or directory to the desktop's trash. Error: "Failed to recycle." (path)
void RecycleFile(const std::string &path);
// Deletes a whole tree, going past the files that cannot be deleted.
// Errors: "Can not find directory.", "Failed to delete directory content."
void DeleteDirectoryNoErrors(const std::string &path);
// Copies a whole tree (or moves it when copy is false). Errors: "Empty destination name.",
// "Failed to create directory.", "Failed to find first file."; a failure is also announced
// with the message box "Failed to process directory.".
void CopyDeleteDirectory(const std::string &source, const std::string &destination, bool copy);

// ---- Running -----------------------------------------------------------------------------------------

// Starts a program, or opens any other file or address with its application.
// Shown: "The name of the file is empty."; Error: "Failed to run file." (file, errno)
void RunFile(const std::string &file,
             const std::string &parameters,
             const std::string &directory,
             bool minimized,
             bool quoteParameters);
// "open", "print" (lp) and "properties". Error: "Failed to run verb." (file, verb)
void RunVerb(const std::string &file, const std::string &verb, const std::string &directory);
// Lets the user choose the application for the file. Error: "Failed to run file." (file)
void OpenWith(const std::string &file, const std::string &directory);
// Opens an address; a failure is shown with the message and reset.
void OpenSite(const std::string &address, const std::string &failMessage = "Failed to open site.");
// True for an ELF file or a "#!" script with an execute bit.
bool IsDirectlyExecutable(const std::string &path);

// ---- Whole files -----------------------------------------------------------------------------------

// Reads the file into the buffer; returns the bytes that were to be read. Errors: "Failed to
// load." (path, errno), "Failed to load, or empty file.", "File size too big." (size,
// capacity); with truncate a larger file is cut with the Warning "File size too big.".
std::int64_t LoadFileToBuffer(const std::string &path, void *buffer, std::int64_t capacity, bool truncate);
// Creates or replaces the file. Error: "Failed to save." (path, errno)
void SaveBufferToFile(const std::string &path, const void *buffer, std::size_t count);
// The SHA-1 of the file as 40 upper-case hexadecimal digits; progress(userData, bytes done)
// returns true to stop. Errors: "Failed to open file.", "Failed to get file size.", "Failed to
// read data."; Warning: "User abort." (path). The result is then empty.
std::string HashFile(const std::string &path,
                     bool (*progress)(void *userData, std::uint64_t done),
                     void *userData);

// ---- Directory monitor ---------------------------------------------------------------------------

// Tells whether one directory's content (names, directory names, attributes, sizes; not its
// subdirectories) changed since it was last armed. Polled, never blocking, no thread.
class TDirectoryMonitor
{
public:
    TDirectoryMonitor() = default;
    ~TDirectoryMonitor() { Stop(); }
    TDirectoryMonitor(const TDirectoryMonitor &) = delete;
    TDirectoryMonitor &operator=(const TDirectoryMonitor &) = delete;

    // Has the directory changed? Error: "Failed get status." (path, errno); the watch is then
    // closed and a change reported.
    bool GetChange();
    // Arms the monitor; on the same path a change signalled and not yet consumed is kept.
    // Error: "Failed set monitor." (path, errno), except when the user's watch limit is
    // reached: then LimitReached is set and nothing is reported.
    void Set(const std::string &path);
    // Arms it and forgets any change: the caller has just read the directory.
    void Ini(const std::string &path);
    // Consumes: whether a change happened since the last arming; re-arms.
    bool Next();
    void Stop();
    void Close();
    bool Armed() const { return Handle.Armed(); }

    std::string Path;
    bool ChangePending = false;
    // The user's inotify watch limit was reached: changes are not seen, the directory is read
    // again on activation.
    bool LimitReached = false;
    // GetPartitionType of the path when it was armed.
    int PartitionType = 0;
    // The partition type of a path (GetPartitionType; tests replace it).
    static std::function<int(const std::string &path)> PartitionTypeOf;

private:
    bool Usable() const { return !Path.empty(); }
    Platform::TDirectoryWatch Handle;
    // The device of the path when it was armed.
    std::uint64_t Device = 0;
};
