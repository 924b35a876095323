// Symbolic links, file facts and small whole-file reads and writes for the shortcut services.
// They act like the calls they wrap: a failure returns false and leaves errno.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Platform {

// What lstat (or stat, when links are followed) says of a path.
struct TLinkEntryFacts
{
    bool IsSymbolicLink = false;
    bool IsDirectory = false;
    bool IsRegular = false;
    std::uint32_t Mode = 0; // permission bits
    std::uint64_t Size = 0;
    std::int64_t ModifiedSeconds = 0; // since 1970-01-01 UTC
};

// Facts of the entry itself (followLinks false) or of what its symbolic links finally name.
bool LinkEntryFacts(const std::string &path, bool followLinks, TLinkEntryFacts &facts);
// The text a symbolic link holds (readlink).
bool ReadLinkText(const std::string &path, std::string &text);
// Creates a symbolic link at linkPath holding target. Without replace an existing linkPath
// fails with EEXIST; with replace a temporary link beside it is renamed over it.
bool CreateSymbolicLink(const std::string &target, const std::string &linkPath, bool replace);
// The path with every symbolic link resolved and "." and ".." removed (realpath): ELOOP for a
// loop, ENOENT when something along the way is missing.
bool CanonicalLinkTarget(const std::string &path, std::string &resolved);
// At most limit bytes from the start of a file.
bool ReadFileHead(const std::string &path, std::size_t limit, std::string &bytes);
// Writes the content to a temporary file in the path's directory, then renames it over the
// path. The file keeps the permission bits of the file it replaces (a new one gets 0666 less
// the umask); with executable, an execute bit is added beside each read bit.
bool ReplaceFileContent(const std::string &path, const std::string &content, bool executable);
// Removes a file or a symbolic link (unlink).
bool DeleteLinkEntry(const std::string &path);
// True when the current user may execute the path (access X_OK).
bool MayExecute(const std::string &path);
// The first regular file named name that the user may execute in the directories of PATH;
// empty when there is none.
std::string FindProgramInSearchPath(const std::string &name);

} // namespace Platform
