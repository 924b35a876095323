// File system primitives on Linux.
#include "platform/FileSystem.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/vfs.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <cstddef>
#include <unistd.h>
#include <vector>

namespace Platform {
namespace {

// Keeps errno across clean-up calls.
class TErrnoKeeper
{
public:
    TErrnoKeeper() : Saved(errno) {}
    ~TErrnoKeeper() { errno = Saved; }
    TErrnoKeeper(const TErrnoKeeper &) = delete;
    TErrnoKeeper &operator=(const TErrnoKeeper &) = delete;

private:
    int Saved;
};

// Closes a descriptor when it goes out of scope.
class THandle
{
public:
    explicit THandle(int handle = -1) : Value(handle) {}
    ~THandle() { Close(); }
    THandle(const THandle &) = delete;
    THandle &operator=(const THandle &) = delete;
    int Get() const { return Value; }
    bool Close()
    {
        if (Value < 0) return true;
        const int handle = Value;
        Value = -1;
        return ::close(handle) == 0;
    }

private:
    int Value;
};

std::string DirectoryOf(const std::string &path)
{
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// Copies the user extended attributes of one open file to another. A source whose file system
// keeps none has none to copy; a destination that keeps none refuses them (ENOTSUP) unless
// dropUnsupported is set.
bool CopyUserAttributes(int from, int to, bool dropUnsupported)
{
    // One set of buffers for every file of a long copy.
    thread_local std::vector<char> names(4096);
    thread_local std::vector<char> value;
    ssize_t length = 0;
    for (;;) {
        length = ::flistxattr(from, names.data(), names.size());
        if (length >= 0) break;
        if (errno == ENOTSUP) return true;
        if (errno != ERANGE) return false;
        names.resize(names.size() * 4);
    }
    for (ssize_t at = 0; at < length;) {
        const char *name = names.data() + at;
        at += static_cast<ssize_t>(std::strlen(name)) + 1;
        if (std::strncmp(name, "user.", 5) != 0) continue;
        const ssize_t size = ::fgetxattr(from, name, nullptr, 0);
        if (size < 0) return false;
        value.resize(static_cast<std::size_t>(size));
        const ssize_t got = size == 0 ? 0 : ::fgetxattr(from, name, value.data(), value.size());
        if (got < 0) return false;
        if (::fsetxattr(to, name, value.data(), static_cast<std::size_t>(got), 0) != 0)
            return dropUnsupported && errno == ENOTSUP;
    }
    return true;
}

bool SyncDirectoryOf(const std::string &path)
{
    return Platform::SyncDirectory(DirectoryOf(path));
}

// Test seam: the path of file systems without a no-replace rename.
bool RenameReservationForced = false;

// Takes a name that must not exist yet, as a placeholder that a rename then replaces.
bool ReserveName(const std::string &path, bool directory)
{
    if (directory) return ::mkdir(path.c_str(), 0700) == 0;
    THandle file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0600));
    return file.Get() >= 0 && file.Close();
}

bool CopyBytes(int from,
               int to,
               std::uint64_t total,
               const std::function<bool(std::uint64_t, std::uint64_t)> &progress)
{
    constexpr std::size_t Chunk = 16u << 20;
    // One buffer for every file: first touches of fresh pages cost more than the copy of a
    // small file.
    thread_local std::vector<char> buffer;
    // Small files go through the buffer: the kernel's copy saves nothing there, and between two
    // file systems it is refused anyway.
    bool kernelCopy = total >= (1u << 20);
    std::uint64_t done = 0;
    for (;;) {
        ssize_t moved = 0;
        if (kernelCopy) {
            moved = ::copy_file_range(from, nullptr, to, nullptr, Chunk, 0);
            if (moved < 0 && done == 0 &&
                (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                 errno == EPERM)) {
                kernelCopy = false;
                continue;
            }
        } else {
            if (buffer.empty()) buffer.resize(1u << 20);
            moved = ::read(from, buffer.data(), buffer.size());
            for (ssize_t written = 0; moved > 0 && written < moved;) {
                const ssize_t step = ::write(to, buffer.data() + written, static_cast<std::size_t>(moved - written));
                if (step < 0) {
                    if (errno == EINTR) continue;
                    return false;
                }
                written += step;
            }
        }
        if (moved < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (moved == 0) return true;
        done += static_cast<std::uint64_t>(moved);
        if (progress && !progress(done, total)) {
            errno = ECANCELED;
            return false;
        }
    }
}

} // namespace

namespace {

void FillStatus(const struct statx &info, TEntryStatus &status);

} // namespace

bool EntryStatus(const std::string &path, TEntryStatus &status, bool followLinks)
{
    struct statx info{};
    const int flags = followLinks ? 0 : AT_SYMLINK_NOFOLLOW;
    const unsigned mask = STATX_BASIC_STATS | STATX_BTIME | STATX_MNT_ID;
    if (::statx(AT_FDCWD, path.c_str(), flags, mask, &info) != 0) return false;
    FillStatus(info, status);
    return true;
}

namespace {

void FillStatus(const struct statx &info, TEntryStatus &status)
{
    status = TEntryStatus();
    const auto mode = static_cast<mode_t>(info.stx_mode);
    status.Mode = info.stx_mode;
    status.IsSymbolicLink = S_ISLNK(mode);
    status.IsDirectory = S_ISDIR(mode);
    status.IsRegular = S_ISREG(mode);
    status.OwnerCanWrite = (mode & S_IWUSR) != 0;
    status.AnyExecuteBit = (mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
    status.Compressed = (info.stx_attributes & STATX_ATTR_COMPRESSED) != 0;
    status.Encrypted = (info.stx_attributes & STATX_ATTR_ENCRYPTED) != 0;
#ifdef STATX_ATTR_MOUNT_ROOT
    status.IsMountRoot = (info.stx_attributes & STATX_ATTR_MOUNT_ROOT) != 0;
#endif
    status.Size = info.stx_size;
    status.Links = info.stx_nlink;
    status.Device = (static_cast<std::uint64_t>(info.stx_dev_major) << 32) | info.stx_dev_minor;
    status.Inode = info.stx_ino;
    status.MountId = (info.stx_mask & STATX_MNT_ID) ? info.stx_mnt_id : status.Device;
    // Well below the size in allocated blocks: a sparse file.
    status.Sparse = status.IsRegular && info.stx_size > 65536 &&
                    info.stx_blocks * 512 < info.stx_size / 2;
    status.ModifiedSeconds = info.stx_mtime.tv_sec;
    status.ModifiedNanoseconds = info.stx_mtime.tv_nsec;
    status.AccessedSeconds = info.stx_atime.tv_sec;
    status.AccessedNanoseconds = info.stx_atime.tv_nsec;
    if (info.stx_mask & STATX_BTIME) {
        status.BornSeconds = info.stx_btime.tv_sec;
        status.BornNanoseconds = info.stx_btime.tv_nsec;
    } else {
        status.BornSeconds = status.ModifiedSeconds;
        status.BornNanoseconds = status.ModifiedNanoseconds;
    }
}

} // namespace

bool SameFile(const std::string &a, const std::string &b)
{
    struct stat first{}, second{};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool SameEntry(const std::string &a, const std::string &b)
{
    struct stat first{}, second{};
    return ::lstat(a.c_str(), &first) == 0 && ::lstat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool FileSize(const std::string &path, std::uint64_t &size)
{
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0) return false;
    size = static_cast<std::uint64_t>(info.st_size);
    return true;
}

bool ReadDirectory(const std::string &path, const std::function<bool(const TDirectoryEntry &)> &onEntry)
{
    DIR *directory = ::opendir(path.c_str());
    if (!directory) return false;
    const int descriptor = ::dirfd(directory);
    for (;;) {
        errno = 0; // readdir's end and its failure differ only in errno
        const dirent *raw = ::readdir(directory);
        if (!raw) break;
        TDirectoryEntry entry;
        entry.Name = raw->d_name;
        if (entry.Name == "." || entry.Name == "..") continue;
        unsigned char type = raw->d_type;
        if (type == DT_UNKNOWN) {
            struct stat info{};
            if (::fstatat(descriptor, raw->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0)
                type = S_ISDIR(info.st_mode) ? DT_DIR : (S_ISLNK(info.st_mode) ? DT_LNK : DT_REG);
        }
        entry.IsDirectory = type == DT_DIR;
        entry.IsSymbolicLink = type == DT_LNK;
        if (!onEntry(entry)) {
            errno = 0;
            break;
        }
    }
    const int code = errno;
    ::closedir(directory);
    errno = code;
    return code == 0;
}

bool RemoveFile(const std::string &path)
{
    return ::unlink(path.c_str()) == 0;
}

bool RemoveDirectory(const std::string &path)
{
    return ::rmdir(path.c_str()) == 0;
}

bool RenamePath(const std::string &source, const std::string &destination, bool replace)
{
    if (replace) return ::rename(source.c_str(), destination.c_str()) == 0;
    if (!RenameReservationForced) {
        if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, destination.c_str(), RENAME_NOREPLACE) == 0)
            return true;
        if (errno != EINVAL && errno != ENOSYS) return false;
    }
    // A file system without the no-replace flag: an exclusive create of the destination fails
    // on an existing name, and whoever comes later finds the name taken. The rename then
    // replaces only the placeholder (a directory replaces an empty directory).
    struct stat info{};
    if (::lstat(source.c_str(), &info) != 0) return false;
    const bool directory = S_ISDIR(info.st_mode);
    if (!ReserveName(destination, directory)) return false;
    if (::rename(source.c_str(), destination.c_str()) == 0) return true;
    TErrnoKeeper keep;
    if (directory) ::rmdir(destination.c_str());
    else ::unlink(destination.c_str());
    return false;
}

void ForceRenameReservation(bool force)
{
    RenameReservationForced = force;
}

bool MakeHardLink(const std::string &source, const std::string &destination)
{
    return ::link(source.c_str(), destination.c_str()) == 0;
}

bool MakeSymbolicLink(const std::string &target, const std::string &linkPath)
{
    return ::symlink(target.c_str(), linkPath.c_str()) == 0;
}

bool AddOwnerWrite(const std::string &path)
{
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0) return false;
    if (info.st_mode & S_IWUSR) return true;
    return ::chmod(path.c_str(), (info.st_mode & 07777) | S_IWUSR) == 0;
}

bool SetMode(const std::string &path, std::uint32_t mode)
{
    return ::chmod(path.c_str(), static_cast<mode_t>(mode & 07777)) == 0;
}

bool CopyRegularFile(const std::string &source,
                     const std::string &destination,
                     bool replace,
                     const std::function<bool(std::uint64_t done, std::uint64_t total)> &progress,
                     const TCopyOptions &options,
                     TCopyStep *failedStep)
{
    if (failedStep) *failedStep = TCopyStep::Content;
    // Without blocking: a named pipe with no writer would hold the program forever.
    THandle from(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (from.Get() < 0) return false;
    struct stat info{};
    if (::fstat(from.Get(), &info) != 0) return false;
    if (S_ISDIR(info.st_mode)) {
        errno = EISDIR;
        return false;
    }
    // Pipes, sockets and devices have no content to copy.
    if (!S_ISREG(info.st_mode)) {
        errno = EOPNOTSUPP;
        return false;
    }
    // O_NONBLOCK does not change reads of a regular file.
    // Without replace an existing destination makes the final rename fail; with it, a file is
    // never copied onto itself.
    struct stat existing{};
    const bool replacing = replace && ::lstat(destination.c_str(), &existing) == 0;
    if (replacing && existing.st_dev == info.st_dev && existing.st_ino == info.st_ino) {
        errno = EINVAL;
        return false;
    }
    const std::string directory = DirectoryOf(destination);
    std::string temporary = directory + "/.velmordian-copy-XXXXXX";
    THandle to(::mkostemp(temporary.data(), O_CLOEXEC));
    if (to.Get() < 0) return false;
    const auto fail = [&](TCopyStep step) {
        TErrnoKeeper keep;
        if (failedStep) *failedStep = step;
        to.Close();
        ::unlink(temporary.c_str());
        return false;
    };
    if (info.st_size >= (1 << 20)) ::posix_fadvise(from.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    if (!CopyBytes(from.Get(), to.Get(), static_cast<std::uint64_t>(info.st_size), progress))
        return fail(TCopyStep::Content);
    // The attributes go before the mode (a read-only mode refuses them to a normal user) and the
    // times last (writing attributes does not touch them, but nothing may come after them).
    if (!CopyUserAttributes(from.Get(), to.Get(), options.DropUnsupportedAttributes))
        return fail(TCopyStep::Attributes);
    if (::fchmod(to.Get(), info.st_mode & 07777) != 0) return fail(TCopyStep::Content);
    // A rename that replaces a file must never name content that is not on the disk yet: after
    // a crash neither the old nor the new content could be left.
    const timespec times[2] = {info.st_atim, info.st_mtim};
    if (::futimens(to.Get(), times) != 0) return fail(TCopyStep::Content);
    if ((replacing || options.Durable) && ::fsync(to.Get()) != 0) return fail(TCopyStep::Content);
    if (!to.Close()) return fail(TCopyStep::Content);
    if (!RenamePath(temporary, destination, replace)) {
        TErrnoKeeper keep;
        ::unlink(temporary.c_str());
        return false;
    }
    return !options.Durable || SyncDirectoryOf(destination);
}

bool CopyDirectoryAttributes(const std::string &source,
                             const std::string &destination,
                             bool dropUnsupportedAttributes)
{
    THandle from(::open(source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (from.Get() < 0) return false;
    THandle to(::open(destination.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (to.Get() < 0) return false;
    struct stat info{};
    if (::fstat(from.Get(), &info) != 0) return false;
    return CopyUserAttributes(from.Get(), to.Get(), dropUnsupportedAttributes) &&
           ::fchmod(to.Get(), info.st_mode & 07777) == 0;
}

bool CopyTimes(const std::string &source, const std::string &destination)
{
    struct stat info{};
    if (::lstat(source.c_str(), &info) != 0) return false;
    const timespec times[2] = {info.st_atim, info.st_mtim};
    return ::utimensat(AT_FDCWD, destination.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

bool CopySymbolicLink(const std::string &source, const std::string &destination, bool replace)
{
    std::string target;
    if (!ReadSymbolicLink(source, target)) return false;
    struct stat existing{}, info{};
    if (::lstat(source.c_str(), &info) != 0) return false;
    if (::lstat(destination.c_str(), &existing) == 0) {
        if (!replace) {
            errno = EEXIST;
            return false;
        }
        if (existing.st_dev == info.st_dev && existing.st_ino == info.st_ino) {
            errno = EINVAL;
            return false;
        }
    }
    for (int attempt = 0;; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%06x", static_cast<unsigned>(std::rand()) & 0xFFFFFFu);
        const std::string temporary = DirectoryOf(destination) + "/.velmordian-link-" + suffix;
        if (::symlink(target.c_str(), temporary.c_str()) != 0) {
            if (errno == EEXIST && attempt < 100) continue;
            return false;
        }
        const timespec times[2] = {info.st_atim, info.st_mtim};
        ::utimensat(AT_FDCWD, temporary.c_str(), times, AT_SYMLINK_NOFOLLOW);
        if (!RenamePath(temporary, destination, replace)) {
            TErrnoKeeper keep;
            ::unlink(temporary.c_str());
            return false;
        }
        return true;
    }
}

bool MakeHardLinkReplacing(const std::string &source, const std::string &destination, bool replace)
{
    if (!replace) return ::link(source.c_str(), destination.c_str()) == 0;
    for (int attempt = 0;; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%06x", static_cast<unsigned>(std::rand()) & 0xFFFFFFu);
        const std::string temporary = DirectoryOf(destination) + "/.velmordian-link-" + suffix;
        if (::link(source.c_str(), temporary.c_str()) != 0) {
            if (errno == EEXIST && attempt < 100) continue;
            return false;
        }
        if (::rename(temporary.c_str(), destination.c_str()) != 0) {
            TErrnoKeeper keep;
            ::unlink(temporary.c_str());
            return false;
        }
        // Renaming onto another name of the same file leaves both names.
        ::unlink(temporary.c_str());
        return true;
    }
}

bool CreateEmptyFile(const std::string &path)
{
    THandle file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    return file.Get() >= 0 && file.Close();
}

bool FileSystemSpace(const std::string &path, std::uint64_t &total, std::uint64_t &available,
                     std::uint32_t &maximumNameLength, std::uint32_t &fileSystemId)
{
    struct statvfs space{};
    if (::statvfs(path.c_str(), &space) != 0) return false;
    total = static_cast<std::uint64_t>(space.f_blocks) * space.f_frsize;
    available = static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
    maximumNameLength = static_cast<std::uint32_t>(space.f_namemax);
    struct statfs system{};
    fileSystemId = 0;
    if (::statfs(path.c_str(), &system) == 0) {
        std::uint32_t words[2] = {};
        static_assert(sizeof system.f_fsid >= sizeof words);
        std::memcpy(words, &system.f_fsid, sizeof words);
        fileSystemId = words[0];
    }
    return true;
}

int OpenForReading(const std::string &path)
{
    const int handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (handle >= 0) ::posix_fadvise(handle, 0, 0, POSIX_FADV_SEQUENTIAL);
    return handle;
}

int OpenRegularForReading(const std::string &path, std::uint64_t &size)
{
    const int handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (handle < 0) return -1;
    struct stat info{};
    const bool known = ::fstat(handle, &info) == 0;
    if (!known || !S_ISREG(info.st_mode)) {
        const int code = known ? EINVAL : errno;
        ::close(handle);
        errno = code;
        return -1;
    }
    size = static_cast<std::uint64_t>(info.st_size);
    // Small files are read in one call: the hint would cost more than it brings.
    if (size > (1u << 20)) ::posix_fadvise(handle, 0, 0, POSIX_FADV_SEQUENTIAL);
    return handle;
}

std::int64_t ReadFully(int handle, void *buffer, std::size_t size)
{
    auto *bytes = static_cast<char *>(buffer);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::read(handle, bytes + done, size - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    return static_cast<std::int64_t>(done);
}

bool WriteWholeFile(const std::string &path, const void *data, std::size_t size, int mode)
{
    std::string temporary = DirectoryOf(path) + "/.velmordian-save-XXXXXX";
    THandle file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.Get() < 0) return false;
    const auto fail = [&] {
        TErrnoKeeper keep;
        file.Close();
        ::unlink(temporary.c_str());
        return false;
    };
    const auto *bytes = static_cast<const char *>(data);
    for (std::size_t done = 0; done < size;) {
        const ssize_t written = ::write(file.Get(), bytes + done, size - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            return fail();
        }
        done += static_cast<std::size_t>(written);
    }
    // A replaced file keeps its permissions; a new one, or one replacing a symbolic link, gets
    // the usual ones.
    struct stat old{};
    const mode_t newMode = mode >= 0 ? static_cast<mode_t>(mode)
                           : ::lstat(path.c_str(), &old) == 0 && !S_ISLNK(old.st_mode)
                               ? (old.st_mode & 07777)
                               : [] {
                                     const mode_t mask = ::umask(0);
                                     ::umask(mask);
                                     return static_cast<mode_t>(0666 & ~mask);
                                 }();
    if (::fchmod(file.Get(), newMode) != 0 || ::fsync(file.Get()) != 0 || !file.Close()) return fail();
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        TErrnoKeeper keep;
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool RealPath(const std::string &path, std::string &resolved)
{
    char buffer[PATH_MAX] = {};
    if (!::realpath(path.c_str(), buffer)) return false;
    resolved = buffer;
    return true;
}

} // namespace Platform

namespace Platform {

bool SyncFile(const std::string &path)
{
    THandle file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    return file.Get() >= 0 && ::fsync(file.Get()) == 0;
}

bool SyncDirectory(const std::string &path)
{
    THandle directory(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return directory.Get() >= 0 && ::fsync(directory.Get()) == 0;
}

bool ReplaceFileContent(const std::string &path, const std::function<bool(int handle)> &write)
{
    // The file itself is replaced, never a symbolic link on the way to it.
    std::string target;
    if (!RealPath(path, target)) return false;
    // Opening for writing, without cutting, keeps the rule of a write in place: a file the
    // user may not write is refused.
    THandle old(::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (old.Get() < 0) return false;
    struct stat info{};
    if (::fstat(old.Get(), &info) != 0) return false;
    if (!S_ISREG(info.st_mode)) {
        errno = EOPNOTSUPP;
        return false;
    }
    std::string temporary = DirectoryOf(target) + "/.velmordian-save-XXXXXX";
    THandle file(::mkostemp(temporary.data(), O_CLOEXEC));
    if (file.Get() < 0) return false;
    const auto fail = [&] {
        TErrnoKeeper keep;
        file.Close();
        ::unlink(temporary.c_str());
        return false;
    };
    if (!write(file.Get()) || !CopyUserAttributes(old.Get(), file.Get(), false)) return fail();
    // Only a privileged user may give a file away; the others keep it as their own, in the old
    // file's group where they belong to it.
    if (::fchown(file.Get(), info.st_uid, info.st_gid) != 0) {
        if (errno != EPERM) return fail();
        if (::fchown(file.Get(), static_cast<uid_t>(-1), info.st_gid) != 0 && errno != EPERM)
            return fail();
    }
    // The mode after the owner: a change of owner clears the set-user and set-group bits.
    if (::fchmod(file.Get(), info.st_mode & 07777) != 0 || ::fsync(file.Get()) != 0 || !file.Close())
        return fail();
    old.Close();
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        TErrnoKeeper keep;
        ::unlink(temporary.c_str());
        return false;
    }
    SyncDirectoryOf(target); // the content is safe either way: the old or the new file is named
    return true;
}

bool CreateNewFile(const std::string &path, const std::string &content)
{
    THandle file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (file.Get() < 0) return false;
    for (std::size_t done = 0; done < content.size();) {
        const ssize_t written = ::write(file.Get(), content.data() + done, content.size() - done);
        if (written < 0) {
            if (errno == EINTR) continue;
            TErrnoKeeper keep;
            file.Close();
            ::unlink(path.c_str());
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    if (file.Close()) return true;
    TErrnoKeeper keep;
    ::unlink(path.c_str());
    return false;
}

bool PathTaken(const std::string &path)
{
    struct stat info{};
    return ::lstat(path.c_str(), &info) == 0;
}

bool ReadSymbolicLink(const std::string &path, std::string &target)
{
    std::vector<char> buffer(PATH_MAX);
    const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (length < 0) return false;
    target.assign(buffer.data(), static_cast<std::size_t>(length));
    return true;
}

unsigned UserId()
{
    return ::getuid();
}

bool MakePrivateDirectory(const std::string &path)
{
    if (::mkdir(path.c_str(), 0700) == 0) return true;
    if (errno != EEXIST) return false;
    struct stat info{};
    if (::lstat(path.c_str(), &info) != 0) return false;
    if (!S_ISDIR(info.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    if (info.st_uid != ::geteuid()) {
        errno = EPERM;
        return false;
    }
    return (info.st_mode & 077) == 0 || ::chmod(path.c_str(), 0700) == 0;
}

bool SetModifiedTime(const std::string &path, std::int64_t seconds, std::uint32_t nanoseconds)
{
    struct timespec times[2]{};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(seconds);
    times[1].tv_nsec = static_cast<long>(nanoseconds);
    return ::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

} // namespace Platform

namespace Platform {

namespace {

// Calls onEntry(directory handle, name, type from the directory) for every entry of an open
// directory but "." and "..", reading the kernel's records in large batches.
template <std::size_t BufferSize, class TOnEntry>
bool ForEachDirectoryEntry(const std::string &path, TOnEntry &&onEntry)
{
    THandle directory(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Get() < 0) return false;
    struct TRawEntry
    {
        std::uint64_t Inode;
        std::int64_t Offset;
        unsigned short Length;
        unsigned char Type;
        char Name[1];
    };
    alignas(8) char buffer[BufferSize];
    for (;;) {
        const long got = ::syscall(SYS_getdents64, directory.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (got == 0) return true;
        for (long at = 0; at < got;) {
            const auto *raw = reinterpret_cast<const TRawEntry *>(buffer + at);
            const char *name = buffer + at + offsetof(TRawEntry, Name);
            at += raw->Length;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) continue;
            onEntry(directory.Get(), name, raw->Type);
        }
    }
}

} // namespace

bool ListDirectoryWithStatus(
    const std::string &path,
    const std::function<void(const char *name, std::size_t length, const TEntryStatus &status, bool valid)> &onEntry)
{
    TEntryStatus status;
    const unsigned mask = STATX_BASIC_STATS | STATX_BTIME;
    return ForEachDirectoryEntry<(1 << 16)>(path, [&](int directory, const char *name, unsigned char) {
        struct statx info{};
        const bool valid = ::statx(directory, name, AT_SYMLINK_NOFOLLOW, mask, &info) == 0;
        if (valid) {
            FillStatus(info, status);
            // What a link points to decides whether it lists as a directory.
            if (status.IsSymbolicLink) {
                struct statx target{};
                status.IsDirectory = ::statx(directory, name, 0, STATX_TYPE, &target) == 0 &&
                                     S_ISDIR(static_cast<mode_t>(target.stx_mode));
            }
        } else {
            status = TEntryStatus();
        }
        onEntry(name, std::strlen(name), status, valid);
    });
}

bool ListDirectoryKinds(const std::string &path,
                        const std::function<void(const char *name, std::size_t length, TEntryKind kind)> &onEntry)
{
    return ForEachDirectoryEntry<(1 << 15)>(path, [&](int, const char *name, unsigned char type) {
        TEntryKind kind = TEntryKind::Other;
        switch (type) {
        case DT_UNKNOWN: kind = TEntryKind::Unknown; break;
        case DT_REG: kind = TEntryKind::Regular; break;
        case DT_DIR: kind = TEntryKind::Directory; break;
        case DT_LNK: kind = TEntryKind::SymbolicLink; break;
        default: break;
        }
        onEntry(name, std::strlen(name), kind);
    });
}

std::string FileSystemType(const std::string &path)
{
    struct statfs info{};
    if (::statfs(path.c_str(), &info) != 0) return {};
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53: return "ext4";
    case 0x4d44: return "vfat";
    case 0x2011BAB0: return "exfat";
    case 0x7366746e: return "ntfs3";
    case 0x65735546: return "fuseblk";
    case 0xFF534D42: return "cifs";
    case 0xFE534D42: return "smb3";
    case 0x01021994: return "tmpfs";
    case 0x9123683E: return "btrfs";
    case 0x58465342: return "xfs";
    default: return "other";
    }
}

} // namespace Platform
