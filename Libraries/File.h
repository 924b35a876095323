// Path texts. A title is a full path; a partition title is ":" + a mount point (":/",
// ":/home") and stands for the partitions list with that partition focused.
#pragma once

#include <string>

constexpr char PathDelimiter = '/';

// The path with one trailing delimiter; an empty path stays empty.
std::string IncludeTrailingBackslash(const std::string &path);
// The path without its trailing delimiter; a lone "/" stays "/".
std::string ExcludeTrailingBackslash(const std::string &path);
// True for a partition title: ":" followed by at least one character.
bool IsDrivePath(const std::string &path);
// Empty for a partition title, else the directory part with its trailing delimiter
// ("/x" gives "/", "/" gives "/").
std::string ExtractDirectory(const std::string &path);
// The partition title itself for a partition title, else the name after the last delimiter.
std::string ExtractName(const std::string &path);
// The partition title of the system's root file system, and that root.
std::string SystemDrive();
std::string SystemDriveRoot();

// True when the name matches a wildcard filter ("*" any run, "?" one character, several
// patterns separated by ";", letters compared without regard to ASCII case); an empty filter
// matches everything.
bool MatchesFilter(const std::string &name, const std::string &filter);
