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

namespace {

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Iterative match with one backtracking point, linear in practice.
bool MatchesPattern(const std::string &name, const std::string &pattern)
{
    std::size_t n = 0, p = 0, starPattern = std::string::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || AsciiLower(pattern[p]) == AsciiLower(name[n]))) {
            // A "?" takes one whole UTF-8 character.
            if (pattern[p] == '?')
                while (n + 1 < name.size() && (static_cast<unsigned char>(name[n + 1]) & 0xC0u) == 0x80u) ++n;
            ++p;
            ++n;
        } else if (starPattern != std::string::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

} // namespace

bool MatchesFilter(const std::string &name, const std::string &filter)
{
    if (filter.empty()) return true;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = filter.find(';', start);
        std::string pattern = filter.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const auto first = pattern.find_first_not_of(' ');
        pattern = first == std::string::npos ? std::string() : pattern.substr(first);
        while (!pattern.empty() && pattern.back() == ' ') pattern.pop_back();
        if (!pattern.empty() && MatchesPattern(name, pattern)) return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}
