// File system primitives over statx, copy_file_range, renameat2 and friends. They act like the
// calls they wrap: a failure returns false and leaves errno.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Platform {

// What statx says of one directory entry (the entry itself: a symbolic link is not followed).
struct TEntryStatus
{
    bool IsDirectory = false;   // a directory, or a symbolic link to one when followed
    bool IsSymbolicLink = false;
    bool IsRegular = false;
    bool OwnerCanWrite = false;
    bool AnyExecuteBit = false;
    bool Compressed = false;
    bool Encrypted = false;
    bool IsMountRoot = false;
    bool Sparse = false;
    std::uint32_t Mode = 0;
    std::uint64_t Size = 0;
    std::uint64_t Links = 0;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::uint64_t MountId = 0;
    // Seconds and nanoseconds since 1970 (UTC); the birth time is the modification time where
    // the file system keeps none.
    std::int64_t ModifiedSeconds = 0, AccessedSeconds = 0, BornSeconds = 0;
    std::uint32_t ModifiedNanoseconds = 0, AccessedNanoseconds = 0, BornNanoseconds = 0;
};

// The entry itself (followLinks false) or what a symbolic link points to.
bool EntryStatus(const std::string &path, TEntryStatus &status, bool followLinks = false);
// True when both paths name the same file (device and inode).
bool SameFile(const std::string &a, const std::string &b);
// True when both paths are the same directory entry's file, links not followed: a symbolic link
// and its target are two entries, two hard links of one file are the same.
bool SameEntry(const std::string &a, const std::string &b);
bool FileSize(const std::string &path, std::uint64_t &size);

// One entry of a directory listing, "." and ".." left out.
struct TDirectoryEntry
{
    std::string Name;
    bool IsDirectory = false; // not following symbolic links
    bool IsSymbolicLink = false;
};
// Calls onEntry for each entry; onEntry returns false to stop. False on a failure (errno).
bool ReadDirectory(const std::string &path, const std::function<bool(const TDirectoryEntry &)> &onEntry);

bool RemoveFile(const std::string &path);
bool RemoveDirectory(const std::string &path);
// Renames; with replace false an existing destination fails with EEXIST. Where the file system
// has no no-replace rename, the destination name is first reserved by an exclusive create (a
// directory for a directory) and the rename then takes the reserved name.
bool RenamePath(const std::string &source, const std::string &destination, bool replace);
// Test seam: makes RenamePath take its path for file systems without a no-replace rename.
void ForceRenameReservation(bool force);
bool MakeHardLink(const std::string &source, const std::string &destination);
bool MakeSymbolicLink(const std::string &target, const std::string &linkPath);
// Gives the owner write permission.
bool AddOwnerWrite(const std::string &path);
bool SetMode(const std::string &path, std::uint32_t mode);

// What a copy does besides the bytes.
struct TCopyOptions
{
    // User extended attributes that the destination's file system does not keep at all
    // (ENOTSUP) are left out; otherwise their refusal fails the copy.
    bool DropUnsupportedAttributes = false;
    // The copy is flushed before it takes its name, and its directory after (a move's copy,
    // whose source goes next). A copy that replaces a file is always flushed before the rename.
    bool Durable = false;
};
// The step of a copy that failed.
enum class TCopyStep
{
    Content,   // opening, reading, writing, naming
    Attributes // a user extended attribute was refused by the destination
};

// Copies a regular file's bytes, user extended attributes, mode and times (in that order, so
// that a read-only mode never refuses the attributes) to a temporary file beside the
// destination, then renames it to the destination (replacing it only when replace is true).
// progress gets the bytes done and the total between chunks and returns false to cancel
// (ECANCELED). Nothing is left at the destination name unless it is complete. On failure
// failedStep (when given) tells which step failed.
bool CopyRegularFile(const std::string &source,
                     const std::string &destination,
                     bool replace,
                     const std::function<bool(std::uint64_t done, std::uint64_t total)> &progress,
                     const TCopyOptions &options = {},
                     TCopyStep *failedStep = nullptr);

// Gives the destination directory the source directory's user extended attributes and mode;
// attributes the destination's file system does not keep fail (ENOTSUP) unless
// dropUnsupportedAttributes is set.
bool CopyDirectoryAttributes(const std::string &source,
                             const std::string &destination,
                             bool dropUnsupportedAttributes = false);
// Gives the destination the source's access and modification times (links not followed).
bool CopyTimes(const std::string &source, const std::string &destination);
// Makes the destination a symbolic link with the source link's target and times, through a
// temporary name beside it (replacing an existing destination only when replace is true).
bool CopySymbolicLink(const std::string &source, const std::string &destination, bool replace);
// Makes the destination another name of the source file; an existing destination is replaced
// (only when replace is true) in one step, so it is never lost when the link fails.
bool MakeHardLinkReplacing(const std::string &source, const std::string &destination, bool replace);
// Creates an empty file that must not exist yet, with the usual permissions (the umask applies).
bool CreateEmptyFile(const std::string &path);
// Space of the file system that holds the path, in bytes.
bool FileSystemSpace(const std::string &path, std::uint64_t &total, std::uint64_t &available,
                     std::uint32_t &maximumNameLength, std::uint32_t &fileSystemId);

// Whole-file reads and writes.
int OpenForReading(const std::string &path);
// Opens a regular file for reading, never waiting on a FIFO or a device (symbolic links
// followed); anything else fails with EINVAL. size gets the size of the open file.
int OpenRegularForReading(const std::string &path, std::uint64_t &size);
// Reads up to size bytes (fewer only at the end of the file); -1 on failure.
std::int64_t ReadFully(int handle, void *buffer, std::size_t size);
// Creates or replaces the file through a temporary file beside it. A symbolic link of that name
// is replaced, never followed. The mode is that of the replaced file, else the usual one for a
// new file, unless one is given.
bool WriteWholeFile(const std::string &path, const void *data, std::size_t size, int mode = -1);
// Replaces the content of an existing file that the user may write: write fills a temporary
// file beside it (through its handle; false stops with errno), which gets the old file's mode,
// owner and group (where permitted) and user extended attributes, is flushed and renamed over
// it. A symbolic link keeps pointing to the replaced file. On failure the old file stays whole.
// Another hard link of the file keeps the old content.
bool ReplaceFileContent(const std::string &path, const std::function<bool(int handle)> &write);
// The path with "." and ".." resolved and every symbolic link followed.
bool RealPath(const std::string &path, std::string &resolved);

} // namespace Platform

namespace Platform {

// Flushes a file's content to its device.
bool SyncFile(const std::string &path);
// Flushes a directory's entries (a name just made or removed) to its device.
bool SyncDirectory(const std::string &path);
// Creates a file that must not exist yet, with the content; false (EEXIST) when it does.
bool CreateNewFile(const std::string &path, const std::string &content);
// An entry of that name exists (links not followed).
bool PathTaken(const std::string &path);
bool ReadSymbolicLink(const std::string &path, std::string &target);
unsigned UserId();
// Creates the directory with mode 0700, or accepts an existing one that is a real directory
// (not a symbolic link) of this user, taking its group and other permissions away; false with
// errno otherwise (EPERM for one of another user, ENOTDIR for anything else).
bool MakePrivateDirectory(const std::string &path);
// Sets the last-write time of the file itself (links not followed); the access time is kept.
bool SetModifiedTime(const std::string &path, std::int64_t seconds, std::uint32_t nanoseconds);

} // namespace Platform

namespace Platform {

// Lists a directory with each entry's status (the entry itself; for a symbolic link also
// whether it points to a directory). onEntry gets the name and its status; a status that
// cannot be read comes with valid false. False on a failure to open or read the directory.
bool ListDirectoryWithStatus(
    const std::string &path,
    const std::function<void(const char *name, std::size_t length, const TEntryStatus &status, bool valid)> &onEntry);
// The kind of a directory entry as the directory itself tells it, without a status call.
enum class TEntryKind : unsigned char
{
    Unknown,
    Regular,
    Directory,
    SymbolicLink,
    Other // FIFO, socket, device
};
// Lists a directory with the kind of each entry ("." and ".." left out); an entry whose kind
// the file system does not report comes as Unknown. False on a failure to open or read it.
bool ListDirectoryKinds(const std::string &path,
                        const std::function<void(const char *name, std::size_t length, TEntryKind kind)> &onEntry);
// The file system type of the path ("ext4", "vfat", ...); empty when unknown.
std::string FileSystemType(const std::string &path);

} // namespace Platform
