// File and directory primitives that act like the POSIX calls they wrap:
// a failure returns false or -1 and leaves errno for the caller to read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Platform {

// Opens for reading and writing, creating the file when it does not exist.
int OpenReadWriteCreate(const std::string &path);
std::int64_t HandleSize(int handle);
bool TruncateHandle(int handle, std::int64_t size);
// Appends the whole buffer at the end of the file.
bool WriteAtEnd(int handle, const void *data, std::size_t size);
bool CloseHandle(int handle);

bool DirectoryExists(const std::string &path);
bool FileExists(const std::string &path);
// Creates one directory (mode 0777 before the umask).
bool MakeDirectory(const std::string &path);
// Creates a directory and every missing parent; on failure failedPart names the directory
// that could not be made.
bool MakeDirectories(const std::string &path, std::string &failedPart);
// True when the current user may create files in the directory.
bool DirectoryIsWritable(const std::string &path);
// Names of the entries of a directory, "." and ".." left out; false on failure.
bool ListDirectoryNames(const std::string &path, std::vector<std::string> &names);

} // namespace Platform
