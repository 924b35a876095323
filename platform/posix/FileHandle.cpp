// File and directory primitives over the POSIX calls.
#include "platform/FileHandle.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

int OpenReadWriteCreate(const std::string &path)
{
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
}

std::int64_t HandleSize(int handle)
{
    struct stat info{};
    if (::fstat(handle, &info) != 0) return -1;
    return static_cast<std::int64_t>(info.st_size);
}

bool TruncateHandle(int handle, std::int64_t size)
{
    return ::ftruncate(handle, static_cast<off_t>(size)) == 0;
}

bool WriteAtEnd(int handle, const void *data, std::size_t size)
{
    if (::lseek(handle, 0, SEEK_END) < 0) return false;
    const char *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t written = ::write(handle, bytes, size);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool CloseHandle(int handle)
{
    return ::close(handle) == 0;
}

bool DirectoryExists(const std::string &path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool FileExists(const std::string &path)
{
    struct stat info{};
    return ::stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool MakeDirectory(const std::string &path)
{
    return ::mkdir(path.c_str(), 0777) == 0;
}

bool MakeDirectories(const std::string &path, std::string &failedPart)
{
    std::string directory = path;
    while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
    for (std::size_t slash = directory.find('/', 1);; slash = directory.find('/', slash + 1)) {
        const std::string part = directory.substr(0, slash);
        if (!DirectoryExists(part) && !MakeDirectory(part) && errno != EEXIST) {
            failedPart = part;
            return false;
        }
        if (slash == std::string::npos) break;
    }
    if (DirectoryExists(directory)) return true;
    failedPart = directory;
    errno = ENOTDIR;
    return false;
}

bool DirectoryIsWritable(const std::string &path)
{
    return ::access(path.c_str(), W_OK | X_OK) == 0;
}

bool ListDirectoryNames(const std::string &path, std::vector<std::string> &names)
{
    names.clear();
    DIR *directory = ::opendir(path.c_str());
    if (!directory) return false;
    for (;;) {
        errno = 0; // readdir's end and its failure differ only in errno
        const dirent *entry = ::readdir(directory);
        if (!entry) break;
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    const int code = errno;
    ::closedir(directory);
    errno = code;
    return code == 0;
}

} // namespace Platform
