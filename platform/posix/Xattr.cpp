// Extended attributes of the user namespace.
#include "platform/Xattr.h"

#include <cerrno>
#include <cstring>
#include <sys/xattr.h>

namespace Platform {
namespace {

const std::string Prefix = "user.";

void SplitNames(const std::string &buffer, std::vector<std::string> &names)
{
    names.clear();
    for (std::size_t start = 0; start < buffer.size();) {
        const std::size_t end = buffer.find('\0', start);
        const std::string name = buffer.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (name.compare(0, Prefix.size(), Prefix) == 0 && name.size() > Prefix.size())
            names.push_back(name.substr(Prefix.size()));
        if (end == std::string::npos) break;
        start = end + 1;
    }
}

// Calls a list or get function twice: once for the size, once for the bytes, again when
// the value grew in between.
template <class TCall>
bool ReadGrowing(TCall call, std::string &buffer)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        const ssize_t size = call(nullptr, 0);
        if (size < 0) return false;
        buffer.resize(static_cast<std::size_t>(size));
        if (size == 0) return true;
        const ssize_t got = call(buffer.data(), buffer.size());
        if (got >= 0) {
            buffer.resize(static_cast<std::size_t>(got));
            return true;
        }
        if (errno != ERANGE) return false;
    }
    return false;
}

} // namespace

bool ListUserAttributes(const std::string &path, std::vector<std::string> &names)
{
    std::string buffer;
    if (!ReadGrowing([&](char *data, std::size_t size) { return ::listxattr(path.c_str(), data, size); }, buffer))
        return false;
    SplitNames(buffer, names);
    return true;
}

namespace {

// Lists through the buffer kept by the caller; list(data, size) is listxattr or flistxattr.
template <class TList>
bool ListIntoBuffer(TList list, std::string &buffer, std::vector<std::string> &names)
{
    names.clear();
    for (int attempt = 0; attempt < 4; ++attempt) {
        if (buffer.size() < 256) buffer.resize(256);
        ssize_t got = list(buffer.data(), buffer.size());
        if (got < 0 && errno == ERANGE) {
            const ssize_t size = list(nullptr, 0);
            if (size < 0) return false;
            buffer.resize(static_cast<std::size_t>(size) + 256);
            continue;
        }
        if (got < 0) return false;
        for (ssize_t start = 0; start < got;) {
            const char *name = buffer.data() + start;
            const std::size_t length = ::strnlen(name, static_cast<std::size_t>(got - start));
            if (length > Prefix.size() && Prefix.compare(0, Prefix.size(), name, Prefix.size()) == 0)
                names.emplace_back(name + Prefix.size(), length - Prefix.size());
            start += static_cast<ssize_t>(length) + 1;
        }
        return true;
    }
    errno = ERANGE;
    return false;
}

} // namespace

bool ListUserAttributes(const std::string &path, std::string &buffer, std::vector<std::string> &names)
{
    return ListIntoBuffer(
        [&path](char *data, std::size_t size) { return ::listxattr(path.c_str(), data, size); }, buffer, names);
}

bool ListUserAttributes(int handle, std::string &buffer, std::vector<std::string> &names)
{
    return ListIntoBuffer(
        [handle](char *data, std::size_t size) { return ::flistxattr(handle, data, size); }, buffer, names);
}

bool ListUserAttributes(int handle, std::vector<std::string> &names)
{
    std::string buffer;
    if (!ReadGrowing([&](char *data, std::size_t size) { return ::flistxattr(handle, data, size); }, buffer))
        return false;
    SplitNames(buffer, names);
    return true;
}

bool UserAttributeSize(const std::string &path, const std::string &name, std::size_t &size)
{
    const ssize_t length = ::getxattr(path.c_str(), (Prefix + name).c_str(), nullptr, 0);
    if (length < 0) return false;
    size = static_cast<std::size_t>(length);
    return true;
}

bool ReadUserAttribute(const std::string &path, const std::string &name, std::string &value, std::size_t limit)
{
    const std::string key = Prefix + name;
    if (!ReadGrowing([&](char *data, std::size_t size) { return ::getxattr(path.c_str(), key.c_str(), data, size); },
                     value))
        return false;
    if (value.size() > limit) value.resize(limit);
    return true;
}

bool ReadUserAttribute(int handle, const std::string &name, std::string &value)
{
    const std::string key = Prefix + name;
    return ReadGrowing([&](char *data, std::size_t size) { return ::fgetxattr(handle, key.c_str(), data, size); },
                       value);
}

bool WriteUserAttribute(const std::string &path, const std::string &name, const std::string &value)
{
    return ::setxattr(path.c_str(), (Prefix + name).c_str(), value.data(), value.size(), 0) == 0;
}

bool WriteUserAttribute(int handle, const std::string &name, const std::string &value)
{
    return ::fsetxattr(handle, (Prefix + name).c_str(), value.data(), value.size(), 0) == 0;
}

bool RemoveUserAttribute(const std::string &path, const std::string &name)
{
    return ::removexattr(path.c_str(), (Prefix + name).c_str()) == 0;
}

} // namespace Platform

namespace Platform {

bool UserAttributesSupported(const std::string &path)
{
    char probe = 0;
    if (::getxattr(path.c_str(), "user.velmordian-probe", &probe, sizeof probe) >= 0) return true;
    return errno == ENODATA || errno == ERANGE;
}

} // namespace Platform
