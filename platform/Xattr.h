// Extended attributes of the user namespace: "user." + name, of what a symbolic link points to.
// They act like the calls they wrap:
// a failure returns false and leaves errno (ENOTSUP where the file system has none).
#pragma once

#include <string>
#include <vector>

namespace Platform {

// The names without the "user." prefix, in the order the file system reports them.
bool ListUserAttributes(const std::string &path, std::vector<std::string> &names);
// The same, listed through the caller's buffer, which is kept for the next call: a file
// without user attributes costs no allocation.
bool ListUserAttributes(const std::string &path, std::string &buffer, std::vector<std::string> &names);
bool ListUserAttributes(int handle, std::string &buffer, std::vector<std::string> &names);
// Size of one value; false when it is missing (ENODATA) or cannot be read.
bool UserAttributeSize(const std::string &path, const std::string &name, std::size_t &size);
// At most limit bytes of a value (the whole value when it is shorter).
bool ReadUserAttribute(const std::string &path, const std::string &name, std::string &value,
                       std::size_t limit = static_cast<std::size_t>(-1));
bool WriteUserAttribute(const std::string &path, const std::string &name, const std::string &value);
bool RemoveUserAttribute(const std::string &path, const std::string &name);
// The same on an open file.
bool ListUserAttributes(int handle, std::vector<std::string> &names);
bool ReadUserAttribute(int handle, const std::string &name, std::string &value);
bool WriteUserAttribute(int handle, const std::string &name, const std::string &value);

} // namespace Platform

namespace Platform {

// True when the file system of the path accepts user attributes.
bool UserAttributesSupported(const std::string &path);

} // namespace Platform
