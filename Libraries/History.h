// The navigation histories: visited directories with the column's focus at the time, and
// launched files; each at most 1000 entries, the oldest dropped first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct THistoryEntry
{
    std::string title;
    std::int32_t focusKind = 0;
    std::int32_t focusRow = 0;
    std::int64_t focusKey = 0;
};

class THistory
{
public:
    static constexpr int Capacity = 1000;

    int count() const { return static_cast<int>(Entries.size()); }
    const THistoryEntry &Entry(int index) const { return Entries[static_cast<std::size_t>(index)]; }
    void Clear() { Entries.clear(); }

    // Records a visit: one entry per directory, the newest last.
    void AddPath(const std::string &title,
                 std::int32_t focusKind,
                 bool keepOldFocus,
                 bool removeOlder,
                 std::int64_t focusKey,
                 std::int32_t focusRow);
    // Records a launched file.
    void AddFile(const std::string &path, bool removeOlder);
    // The newest entry in the directory; index -1 (and title = directory) when none.
    void FindDirectory(const std::string &directory,
                       std::int32_t &focusKind,
                       std::string &title,
                       int &index,
                       std::int64_t &focusKey,
                       std::int32_t &focusRow) const;
    // The newest entry in the parent of the title's directory; the title to focus is the
    // title's directory itself, without its trailing delimiter.
    void FindParentDirectory(const std::string &title,
                             std::int32_t &focusKind,
                             std::string &titleToFocus,
                             int &index,
                             std::int64_t &focusKey,
                             std::int32_t &focusRow) const;
    // Drops the newest entry when it lies in the title's directory (and another remains).
    void RemoveLastIfSameDirectory(const std::string &title);
    // Removes every entry whose directory is the title's directory.
    void RemoveDirectory(const std::string &title);

private:
    // Removes the older entries matching, the newest exempt unless it is the only one;
    // returns the last one removed, if any.
    bool RemoveOlder(const std::string &key, bool byDirectory, THistoryEntry &removed);
    void Append(const THistoryEntry &entry);
    std::vector<THistoryEntry> Entries;
};

// The histories of the program: directories visited and files launched.
extern THistory PathsHistory;
extern THistory FilesHistory;
