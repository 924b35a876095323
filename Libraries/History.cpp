// The navigation histories.
#include "Libraries/History.h"

#include "Libraries/File.h"

THistory PathsHistory;
THistory FilesHistory;

namespace {

std::string DirectoryOf(const std::string &title)
{
    return ExtractDirectory(title);
}

} // namespace

bool THistory::RemoveOlder(const std::string &key, bool byDirectory, THistoryEntry &removed)
{
    bool any = false;
    if (Entries.empty()) return false;
    // The newest entry is exempt, except when it is the only one.
    const std::size_t end = Entries.size() == 1 ? 1 : Entries.size() - 1;
    for (std::size_t i = end; i-- > 0;) {
        const std::string &value = byDirectory ? DirectoryOf(Entries[i].title) : Entries[i].title;
        if (value != key) continue;
        if (!any) removed = Entries[i];
        any = true;
        Entries.erase(Entries.begin() + static_cast<std::ptrdiff_t>(i));
    }
    return any;
}

void THistory::Append(const THistoryEntry &entry)
{
    if (Entries.size() >= static_cast<std::size_t>(Capacity))
        Entries.erase(Entries.begin(), Entries.begin() + static_cast<std::ptrdiff_t>(Entries.size() - Capacity + 1));
    Entries.push_back(entry);
}

void THistory::AddPath(const std::string &title,
                       std::int32_t focusKind,
                       bool keepOldFocus,
                       bool removeOlder,
                       std::int64_t focusKey,
                       std::int32_t focusRow)
{
    if (title.empty() || IsDrivePath(title)) return;
    const std::string directory = DirectoryOf(title);
    if (ExtractName(title).empty()) {
        std::int32_t kind = 0, row = 0;
        std::int64_t key = 0;
        std::string found;
        int index = -1;
        FindDirectory(directory, kind, found, index, key, row);
        if (index >= 0) return;
    }
    THistoryEntry entry{title, focusKind, focusRow, focusKey};
    if (Entries.empty() || DirectoryOf(Entries.back().title) != directory) {
        THistoryEntry removed;
        if (removeOlder && RemoveOlder(directory, true, removed) && keepOldFocus) {
            entry.focusRow = removed.focusRow;
            entry.focusKey = removed.focusKey;
        }
        Append(entry);
        return;
    }
    Entries.back() = entry;
}

void THistory::AddFile(const std::string &path, bool removeOlder)
{
    if (path.empty() || IsDrivePath(path) || ExtractName(path).empty()) return;
    if (!Entries.empty() && Entries.back().title == path) return;
    THistoryEntry removed;
    if (removeOlder) RemoveOlder(path, false, removed);
    Append(THistoryEntry{path, 0, 0, 0});
}

void THistory::FindDirectory(const std::string &directory,
                             std::int32_t &focusKind,
                             std::string &title,
                             int &index,
                             std::int64_t &focusKey,
                             std::int32_t &focusRow) const
{
    for (std::size_t i = Entries.size(); i-- > 0;) {
        if (DirectoryOf(Entries[i].title) != directory) continue;
        focusKind = Entries[i].focusKind;
        title = Entries[i].title;
        index = static_cast<int>(i);
        focusKey = Entries[i].focusKey;
        focusRow = Entries[i].focusRow;
        return;
    }
    index = -1;
    title = directory;
}

void THistory::FindParentDirectory(const std::string &title,
                                   std::int32_t &focusKind,
                                   std::string &titleToFocus,
                                   int &index,
                                   std::int64_t &focusKey,
                                   std::int32_t &focusRow) const
{
    // "/a/b/x.txt": the entry in "/a/", focusing "/a/b"; "/x.txt": the partitions list with
    // ":/" focused.
    titleToFocus = ExcludeTrailingBackslash(DirectoryOf(title));
    const std::string parent = DirectoryOf(titleToFocus);
    std::string found;
    FindDirectory(parent, focusKind, found, index, focusKey, focusRow);
}

void THistory::RemoveLastIfSameDirectory(const std::string &title)
{
    if (Entries.size() >= 2 && DirectoryOf(Entries.back().title) == DirectoryOf(title)) Entries.pop_back();
}

void THistory::RemoveDirectory(const std::string &title)
{
    const std::string directory = DirectoryOf(title);
    std::erase_if(Entries, [&](const THistoryEntry &entry) { return DirectoryOf(entry.title) == directory; });
}
