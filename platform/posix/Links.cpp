// Symbolic links, file facts and small whole-file reads and writes over the POSIX calls.
#include "platform/Links.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Platform {

namespace {

// Attempts at a free temporary name before giving up with the last EEXIST.
constexpr int TemporaryNameAttempts = 100;

// The directory part of a path with its trailing "/" ("" for a bare name).
std::string DirectoryOf(const std::string &path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A short hidden name beside the path, so that long names still leave room for it.
std::string TemporaryNameBeside(const std::string &path)
{
    static std::atomic<std::uint32_t> counter{0};
    std::uint64_t random = 0;
    if (getrandom(&random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random))
        random = (static_cast<std::uint64_t>(getpid()) << 32) ^ counter.fetch_add(1);
    static const char digits[] = "0123456789abcdef";
    std::string name = ".velmordian-";
    for (int shift = 60; shift >= 0; shift -= 4)
        name += digits[(random >> shift) & 0xFu];
    return DirectoryOf(path) + name + ".tmp";
}

bool WriteAll(int handle, const std::string &content)
{
    const char *bytes = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t written = ::write(handle, bytes, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        left -= static_cast<std::size_t>(written);
    }
    return true;
}

// Closes and removes a temporary file while keeping the errno of the failure before.
void DiscardTemporary(int handle, const std::string &name)
{
    const int code = errno;
    if (handle >= 0) ::close(handle);
    ::unlink(name.c_str());
    errno = code;
}

} // namespace

bool LinkEntryFacts(const std::string &path, bool followLinks, TLinkEntryFacts &facts)
{
    struct stat info
    {
    };
    const int result = followLinks ? ::stat(path.c_str(), &info) : ::lstat(path.c_str(), &info);
    if (result != 0) return false;
    facts.IsSymbolicLink = S_ISLNK(info.st_mode);
    facts.IsDirectory = S_ISDIR(info.st_mode);
    facts.IsRegular = S_ISREG(info.st_mode);
    facts.Mode = static_cast<std::uint32_t>(info.st_mode & 07777);
    facts.Size = static_cast<std::uint64_t>(info.st_size);
    facts.ModifiedSeconds = static_cast<std::int64_t>(info.st_mtim.tv_sec);
    return true;
}

bool ReadLinkText(const std::string &path, std::string &text)
{
    std::string buffer(PATH_MAX, '\0');
    const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (length < 0) return false;
    if (static_cast<std::size_t>(length) >= buffer.size()) {
        errno = ENAMETOOLONG;
        return false;
    }
    text.assign(buffer.data(), static_cast<std::size_t>(length));
    return true;
}

bool CreateSymbolicLink(const std::string &target, const std::string &linkPath, bool replace)
{
    if (!replace) return ::symlink(target.c_str(), linkPath.c_str()) == 0;
    for (int attempt = 0; attempt < TemporaryNameAttempts; ++attempt) {
        const std::string temporary = TemporaryNameBeside(linkPath);
        if (::symlink(target.c_str(), temporary.c_str()) != 0) {
            if (errno == EEXIST) continue;
            return false;
        }
        if (::rename(temporary.c_str(), linkPath.c_str()) == 0) return true;
        DiscardTemporary(-1, temporary);
        return false;
    }
    return false;
}

bool CanonicalLinkTarget(const std::string &path, std::string &resolved)
{
    char *result = ::realpath(path.c_str(), nullptr);
    if (!result) return false;
    resolved = result;
    std::free(result);
    return true;
}

bool ReadFileHead(const std::string &path, std::size_t limit, std::string &bytes)
{
    bytes.clear();
    const int handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    if (handle < 0) return false;
    std::string buffer(limit, '\0');
    std::size_t filled = 0;
    while (filled < limit) {
        const ssize_t got = ::read(handle, buffer.data() + filled, limit - filled);
        if (got < 0) {
            if (errno == EINTR) continue;
            const int code = errno;
            ::close(handle);
            errno = code;
            return false;
        }
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    ::close(handle);
    buffer.resize(filled);
    bytes = std::move(buffer);
    return true;
}

bool ReplaceFileContent(const std::string &path, const std::string &content, bool executable)
{
    std::string temporary;
    int handle = -1;
    for (int attempt = 0; attempt < TemporaryNameAttempts && handle < 0; ++attempt) {
        temporary = TemporaryNameBeside(path);
        handle = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (handle < 0 && errno != EEXIST) return false;
    }
    if (handle < 0) return false;
    struct stat info
    {
    };
    mode_t mode = 0;
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
        mode = info.st_mode & 07777;
    } else if (::fstat(handle, &info) == 0) {
        mode = info.st_mode & 07777; // 0666 less the umask
    }
    if (executable) mode |= (mode & 0444) >> 2;
    if (!WriteAll(handle, content) || ::fchmod(handle, mode) != 0 || ::fsync(handle) != 0) {
        DiscardTemporary(handle, temporary);
        return false;
    }
    if (::close(handle) != 0) {
        DiscardTemporary(-1, temporary);
        return false;
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        DiscardTemporary(-1, temporary);
        return false;
    }
    return true;
}

bool DeleteLinkEntry(const std::string &path)
{
    return ::unlink(path.c_str()) == 0;
}

bool MayExecute(const std::string &path)
{
    return ::access(path.c_str(), X_OK) == 0;
}

std::string FindProgramInSearchPath(const std::string &name)
{
    if (name.empty() || name.find('/') != std::string::npos) return {};
    const char *variable = std::getenv("PATH");
    const std::string directories = variable ? variable : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = directories.find(':', start);
        const std::string directory =
            directories.substr(start, end == std::string::npos ? end : end - start);
        // An empty entry would mean the current directory: never looked in.
        if (!directory.empty()) {
            const std::string candidate = directory + (directory.back() == '/' ? "" : "/") + name;
            struct stat info
            {
            };
            if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
                ::access(candidate.c_str(), X_OK) == 0)
                return candidate;
        }
        if (end == std::string::npos) return {};
        start = end + 1;
    }
}

} // namespace Platform
