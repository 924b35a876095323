// Path texts.
#include "Libraries/File.h"

std::string IncludeTrailingBackslash(const std::string &path)
{
    if (path.empty() || path.back() == PathDelimiter) return path;
    return path + PathDelimiter;
}

std::string ExcludeTrailingBackslash(const std::string &path)
{
    if (path.size() <= 1 || path.back() != PathDelimiter) return path;
    return path.substr(0, path.size() - 1);
}

bool IsDrivePath(const std::string &path)
{
    return path.size() >= 2 && path.front() == ':';
}

std::string ExtractDirectory(const std::string &path)
{
    if (IsDrivePath(path)) return {};
    const auto slash = path.rfind(PathDelimiter);
    if (slash == std::string::npos) return {};
    return path.substr(0, slash + 1);
}

std::string ExtractName(const std::string &path)
{
    if (IsDrivePath(path)) return path;
    const auto slash = path.rfind(PathDelimiter);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string SystemDrive()
{
    return ":/";
}

std::string SystemDriveRoot()
{
    return "/";
}
