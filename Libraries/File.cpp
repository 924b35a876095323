// Path texts.
#include "Libraries/File.h"

#include "Libraries/Error.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

#include <algorithm>

namespace {

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(const std::string &a, const std::string &b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
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

std::string IncludeTrailingBackslash(const std::string &path)
{
    if (path.empty() || path.back() == PathDelimiter) return path;
    return path + PathDelimiter;
}

std::string ExcludeTrailingBackslash(const std::string &path)
{
    if (path == "/") return ":/";
    if (IsDrivePath(path) || path.size() <= 1 || path.back() != PathDelimiter) return path;
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

std::string ExtractExtension(const std::string &path)
{
    const std::string name = ExtractName(path);
    if (IsDrivePath(name)) return {};
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return {};
    return name.substr(dot);
}

std::string ReplaceExtension(const std::string &path, const std::string &extension)
{
    const std::string old = ExtractExtension(path);
    return path.substr(0, path.size() - old.size()) + extension;
}

bool HasExtension(const std::string &path, const std::string &extension)
{
    const std::string own = ExtractExtension(path);
    return own.size() == extension.size() &&
           std::equal(own.begin(), own.end(), extension.begin(),
                      [](char a, char b) { return AsciiLower(a) == AsciiLower(b); });
}

std::string ExtensionWithoutDot(const std::string &path)
{
    const std::string extension = ExtractExtension(path);
    return extension.empty() ? extension : extension.substr(1);
}

bool ExtensionInList(const std::string &path, const std::vector<std::string> *list)
{
    if (!list) return false;
    const std::string extension = ExtractExtension(path);
    if (extension.empty()) return false;
    return std::any_of(list->begin(), list->end(), [&](const std::string &item) {
        return EqualIgnoringAsciiCase(item, extension);
    });
}

std::string TakeFirstComponent(std::string &path)
{
    if (!path.empty() && path.front() == PathDelimiter) {
        std::size_t rest = 1;
        while (rest < path.size() && path[rest] == PathDelimiter) ++rest;
        path.erase(0, rest);
        return "/";
    }
    if (path.size() > 1 && path.back() == PathDelimiter) path.pop_back();
    const auto slash = path.find(PathDelimiter);
    if (slash == std::string::npos) {
        std::string first = path;
        path.clear();
        return first;
    }
    std::string first = path.substr(0, slash);
    path.erase(0, slash + 1);
    return first;
}

bool IsPathInside(const std::string &parent, const std::string &path)
{
    if (parent.empty() || path.compare(0, parent.size(), parent) != 0) return false;
    return path.size() == parent.size() || parent.back() == PathDelimiter ||
           path[parent.size()] == PathDelimiter;
}

bool IsInvalidFileName(const std::string &name)
{
    return name.empty() || name == "." || name == ".." || name.find_first_of(std::string("/\0", 2)) != std::string::npos;
}

bool AreValidFullPaths(const std::vector<std::string> &list)
{
    return std::all_of(list.begin(), list.end(), [](const std::string &item) {
        return !item.empty() && item.front() == PathDelimiter && item.find('\0') == std::string::npos &&
               item.size() <= MaximumPathLength;
    });
}

std::string LongPathName(const std::string &path)
{
    return path;
}

std::string FullPath(const std::string &path)
{
    if (path.empty()) return {};
    if (IsDrivePath(path)) return path;
    std::string absolute = path;
    if (absolute.front() != PathDelimiter) absolute = IncludeTrailingBackslash(Platform::CurrentDirectory()) + path;
    std::vector<std::string> parts;
    std::size_t start = 1;
    while (start <= absolute.size()) {
        std::size_t end = absolute.find(PathDelimiter, start);
        if (end == std::string::npos) end = absolute.size();
        const std::string part = absolute.substr(start, end - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    std::string result;
    for (const std::string &part : parts) result += "/" + part;
    if (result.empty()) return "/";
    if (absolute.back() == PathDelimiter) result += PathDelimiter;
    return result;
}

std::string UniversalPath(const std::string &path)
{
    return FullPath(path);
}

bool SamePath(const std::string &path1, const std::string &path2)
{
    if (path1.empty() || path2.empty()) return false;
    if (Platform::SameFile(path1, path2)) return true;
    return ExcludeTrailingBackslash(FullPath(path1)) == ExcludeTrailingBackslash(FullPath(path2));
}

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

bool IsLinkFile(const std::string &path)
{
    return EqualIgnoringAsciiCase(ExtractExtension(path), ".desktop");
}

bool IsPifFile(const std::string &)
{
    return false;
}

bool IsShortcut(const std::string &path)
{
    return IsLinkFile(path);
}

std::string AttributesText(std::uint32_t attributes)
{
    struct TLetter
    {
        std::uint32_t Bit;
        const char *Text;
    };
    static const TLetter letters[] = {{FileAttribute::Archive, "A"},      {FileAttribute::ReadOnly, "R"},
                                      {FileAttribute::Hidden, "H"},       {FileAttribute::System, "S"},
                                      {FileAttribute::Compressed, "C"},   {FileAttribute::Encrypted, "E"},
                                      {FileAttribute::Offline, "O"},      {FileAttribute::Temporary, "T"},
                                      {FileAttribute::ReparsePoint, "Rp"}, {FileAttribute::Sparse, "Sf"}};
    std::string text;
    for (const TLetter &letter : letters)
        if (attributes & letter.Bit) text += letter.Text;
    return text;
}

bool PathExists(const std::string &path)
{
    if (path.empty()) return false;
    if (IsDrivePath(path)) return PartitionExists(path);
    Platform::TEntryStatus status;
    return Platform::EntryStatus(path, status, false);
}

bool IsDirectoryPath(const std::string &path)
{
    if (IsDrivePath(path)) return true;
    Platform::TEntryStatus status;
    return Platform::EntryStatus(path, status, true) && status.IsDirectory;
}

std::uint32_t SafeFileAttributes(const std::string &path)
{
    TFileInfo info;
    info.Load(path);
    FunStatContext.Reset(fsPerfect); // an unreadable path simply has no attributes
    return info.exists ? info.attributes : 0;
}

void ClearReadOnly(const std::string &path)
{
    Platform::TEntryStatus status;
    if (Platform::EntryStatus(path, status, true) && !status.OwnerCanWrite) Platform::AddOwnerWrite(path);
}
