// The twenty containers: stored, ordered lists of file titles from anywhere, their files in
// the options folder, their titles, and the menus that pick one.
#pragma once

#include "app/Column.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QMenu;
class TStoredTextList;

struct TContainerItemData
{
    std::int32_t rank = 0;
};

// The titles of a container file's text: one per line (CR LF, LF or CR), empty lines,
// partition titles and anything that is not an absolute path left out; "\n", "\r" and "\\"
// stand for a line feed, a carriage return and a backslash of a name; every other byte is kept
// as it is, so a name that is not UTF-8 still names its file.
std::vector<std::string> ParseContainerText(const std::string &text);
// The file's text for the titles: each escaped as above and ended by CR LF.
std::string ContainerFileText(const std::vector<std::string> &titles);

class TContainer
{
public:
    static constexpr int Count = 20;
    explicit TContainer(int number);

    struct TItem
    {
        std::string Title;
        TContainerItemData Data;
    };

    const int number;
    std::string title;
    std::vector<TItem> items;

    // "01.txt" for container 0, "20.txt" for container 19.
    std::string FileName() const;
    // The title, or number + 1 when it has none.
    std::string DisplayName() const;
    // Appends the titles of its file in the folder; a missing file adds nothing. A file that
    // cannot be read leaves the container marked as not loaded.
    // Error: "Failed to load container." (file, errno)
    void Load(const std::string &directory);
    // Replaces its file in the folder (a failed save leaves the old file). A container that did
    // not load leaves its file alone while it is empty; once the user has given it items, the
    // unread file is kept as its name + ".bad" (replacing an older one) before the new one is
    // written. Error: "Failed to save container." (file, errno)
    void Save(const std::string &directory);
    // The last load failed and no save has replaced the file since.
    bool LoadFailed() const { return loadFailed; }
    void Clear() { items.clear(); }
    // The index of the new last item; -1 (nothing added) for an empty or partition title.
    int AddItem(const std::string &itemTitle, std::int32_t rank);
    // Inserts before index (below 0 counts as 0, past the end appends).
    void InsertItem(int index, const std::string &itemTitle);
    void DeleteItem(int index);
    // Removes the items at the positions (ascending) and gives their titles in that order.
    std::vector<std::string> DeleteItems(const std::vector<int> &positions);
    int ItemCount() const { return static_cast<int>(items.size()); }
    const std::string &ItemTitle(int index) const { return items[static_cast<std::size_t>(index)].Title; }
    // The title occurs at least twice.
    bool IsDuplicate(const std::string &itemTitle) const;
    // Errors: "Invalid file title." (new title); Panic: "This item's name is not the same as the
    // original name." (expected title, index).
    void RenameItem(int index, const std::string &newTitle, const std::string &expectedOldTitle);
    std::vector<TContainerTitle> ColumnItems() const;
    std::vector<std::string> Titles() const;

private:
    bool loadFailed = false;
};

class TContainerDialog
{
public:
    TContainerDialog();
    std::vector<TContainer> containers;

    TContainer &operator[](int number) { return containers[static_cast<std::size_t>(number)]; }
    // The first container titled "Found" (any case); 0 when none is.
    int FindFoundContainer() const;
    // Display name + " (" + item count with thousands separators + " items)".
    std::string Caption(int number) const;
    // The "Show container" submenu: "None" and the twenty containers, current checked.
    void SetupContainerMode(QMenu *menu, int current);
    // A "Copy to container" submenu; without an owner the items get the File menu's keys.
    void SetupCopyToContainer(QMenu *menu, int current, const void *owner);
    std::function<void(int number)> OnContainerMode;
    std::function<void(int number)> OnCopyTo;
    const void *sendToOwner = nullptr;

    // The titles in the options text ("Containers", keys "0" to "19"), and the files.
    void ReadTitles(const TStoredTextList &list);
    void WriteTitles(TStoredTextList &list) const;
    void LoadAll(const std::string &directory);
    // Saves every container; one that did not load and is still empty is left out.
    void SaveAll(const std::string &directory);
};
