// The twenty containers: stored, ordered lists of file titles from anywhere, their files in
// the options folder, their titles, and the menus that pick one.
#include "app/Containers.h"

#include "Libraries/Error.h"
#include "Libraries/UtilitiesUi.h"
#include "Libraries/File.h"
#include "Libraries/StoredTextList.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

#include <QAction>
#include <QActionGroup>
#include <QLocale>
#include <QMenu>

#include <cerrno>

namespace {

constexpr const char *ThisUnit = "Containers";
// A container file larger than this is refused rather than read into memory.
constexpr std::uint64_t LargestContainerFile = 256u << 20;

std::string Unescaped(const std::string &line)
{
    std::string title;
    title.reserve(line.size());
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c == '\\' && i + 1 < line.size()) {
            const char next = line[i + 1];
            if (next == 'n' || next == 'r' || next == '\\') {
                title += next == 'n' ? '\n' : (next == 'r' ? '\r' : '\\');
                ++i;
                continue;
            }
        }
        title += c;
    }
    return title;
}

void AddLine(std::vector<std::string> &titles, const std::string &line)
{
    if (line.empty() || line.front() != PathDelimiter || line.size() > MaximumPathLength) return;
    // A title names its file by its bytes, whatever their encoding.
    const std::string title = Unescaped(line);
    if (title.find('\0') == std::string::npos) titles.push_back(title);
}

// Radio and plain items of a container menu, one per container.
void AddContainerItems(QMenu *menu, const TContainerDialog &dialog, int current, bool radio, const char *hint,
                       const char *modifier, const std::function<void(int)> &onClick)
{
    for (int i = 0; i < TContainer::Count; ++i) {
        QAction *item = menu->addAction(MenuCaptionText(dialog.Caption(i)));
        item->setData(i);
        item->setStatusTip(QString::fromLatin1(hint));
        item->setEnabled(i != current);
        if (radio) {
            item->setCheckable(true);
            item->setChecked(i == current);
        }
        if (modifier && i < 10)
            item->setShortcut(QKeySequence(QString::fromLatin1(modifier) + QString::number((i + 1) % 10)));
        QObject::connect(item, &QAction::triggered, menu, [onClick, i] {
            if (onClick) onClick(i);
        });
    }
}

} // namespace

std::vector<std::string> ParseContainerText(const std::string &text)
{
    std::vector<std::string> titles;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
        AddLine(titles, text.substr(start, i - start));
        if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    return titles;
}

std::string ContainerFileText(const std::vector<std::string> &titles)
{
    std::string text;
    for (const std::string &title : titles) {
        for (const char c : title) {
            if (c == '\\') text += "\\\\";
            else if (c == '\n') text += "\\n";
            else if (c == '\r') text += "\\r";
            else text += c;
        }
        text += "\r\n";
    }
    return text;
}

// ---- TContainer ------------------------------------------------------------------------------

TContainer::TContainer(int containerNumber) : number(containerNumber)
{
    if (number == 0) title = "Found";
}

std::string TContainer::FileName() const
{
    const int shown = number + 1;
    return (shown < 10 ? "0" : "") + std::to_string(shown) + ".txt";
}

std::string TContainer::DisplayName() const
{
    return title.empty() ? std::to_string(number + 1) : title;
}

void TContainer::Load(const std::string &directory)
{
    TFunScope Fun(ThisUnit, "TContainer::Load");
    loadFailed = false;
    Fun.Run([&] {
        const std::string path = IncludeTrailingBackslash(directory) + FileName();
        std::uint64_t size = 0;
        if (!Platform::FileSize(path, size)) {
            // A container never saved has no file yet.
            if (Platform::LastErrorCode() != ENOENT) Fun.RaiseLastError("Failed to load container.", path);
            return;
        }
        if (size > LargestContainerFile) {
            Fun.Raise("Failed to load container.", path, std::to_string(size), EFBIG);
            return;
        }
        std::string text(static_cast<std::size_t>(size), '\0');
        const std::int64_t got =
            size == 0 ? 0 : LoadFileToBuffer(path, text.data(), static_cast<std::int64_t>(size), true);
        if (Fun.CalleeFailed()) return;
        text.resize(static_cast<std::size_t>(std::min<std::int64_t>(got, static_cast<std::int64_t>(size))));
        for (const std::string &line : ParseContainerText(text)) AddItem(line, 0);
    });
    loadFailed = Fun.Failed();
}

void TContainer::Save(const std::string &directory)
{
    // The file holds titles that could not be read; an empty container says nothing about them.
    if (loadFailed && items.empty()) return;
    TFunScope Fun(ThisUnit, "TContainer::Save");
    Fun.Run([&] {
        const std::string path = IncludeTrailingBackslash(directory) + FileName();
        // The items are the user's own: the unread file is kept beside the new one first.
        if (loadFailed && !Platform::RenamePath(path, path + ".bad", true) &&
            Platform::LastErrorCode() != ENOENT) {
            Fun.RaiseLastError("Failed to save container.", path + ".bad");
            return;
        }
        const std::string text = ContainerFileText(Titles());
        if (!Platform::WriteWholeFile(path, text.data(), text.size())) {
            Fun.RaiseLastError("Failed to save container.", path);
            return;
        }
        loadFailed = false;
    });
}

int TContainer::AddItem(const std::string &itemTitle, std::int32_t rank)
{
    if (itemTitle.empty() || IsDrivePath(itemTitle)) return -1;
    items.push_back({itemTitle, {rank}});
    return ItemCount() - 1;
}

void TContainer::InsertItem(int index, const std::string &itemTitle)
{
    if (itemTitle.empty() || IsDrivePath(itemTitle)) return;
    const int at = std::clamp(index, 0, ItemCount());
    items.insert(items.begin() + at, TItem{itemTitle, {0}});
}

void TContainer::DeleteItem(int index)
{
    if (index >= 0 && index < ItemCount()) items.erase(items.begin() + index);
}

std::vector<std::string> TContainer::DeleteItems(const std::vector<int> &positions)
{
    std::vector<std::string> titles;
    int removed = 0;
    for (const int position : positions) {
        const int at = position - removed;
        if (at < 0 || at >= ItemCount()) continue;
        titles.push_back(ItemTitle(at));
        DeleteItem(at);
        ++removed;
    }
    return titles;
}

bool TContainer::IsDuplicate(const std::string &itemTitle) const
{
    int found = 0;
    for (const TItem &item : items)
        if (item.Title == itemTitle && ++found > 1) return true;
    return false;
}

void TContainer::RenameItem(int index, const std::string &newTitle, const std::string &expectedOldTitle)
{
    TFunScope Fun(ThisUnit, "TContainer::RenameItem");
    Fun.Run([&] {
        // Any character may stand in a name here; only a title that cannot be a file is refused.
        if (newTitle.empty() || newTitle.front() != PathDelimiter || newTitle.find_first_of(std::string("\0", 1)) !=
                                                                         std::string::npos) {
            Fun.Raise("Invalid file title.", newTitle);
            return;
        }
        if (index < 0 || index >= ItemCount()) {
            Fun.Raise("Invalid file title.", newTitle, std::to_string(index));
            return;
        }
        if (!expectedOldTitle.empty() && ItemTitle(index) != expectedOldTitle) {
            Fun.Panic("This item's name is not the same as the original name.", expectedOldTitle,
                      std::to_string(index));
            return;
        }
        items[static_cast<std::size_t>(index)].Title = newTitle;
    });
}

std::vector<TContainerTitle> TContainer::ColumnItems() const
{
    std::vector<TContainerTitle> result;
    result.reserve(items.size());
    for (const TItem &item : items) result.push_back({item.Title, item.Data.rank});
    return result;
}

std::vector<std::string> TContainer::Titles() const
{
    std::vector<std::string> result;
    result.reserve(items.size());
    for (const TItem &item : items) result.push_back(item.Title);
    return result;
}

// ---- TContainerDialog --------------------------------------------------------------------------

TContainerDialog::TContainerDialog()
{
    containers.reserve(TContainer::Count);
    for (int i = 0; i < TContainer::Count; ++i) containers.emplace_back(i);
}

int TContainerDialog::FindFoundContainer() const
{
    for (const TContainer &container : containers)
        if (QString::fromStdString(container.title).compare(QStringLiteral("Found"), Qt::CaseInsensitive) == 0)
            return container.number;
    return 0;
}

std::string TContainerDialog::Caption(int number) const
{
    const TContainer &container = containers[static_cast<std::size_t>(number)];
    return container.DisplayName() + " (" + QLocale().toString(static_cast<qlonglong>(container.ItemCount())).toStdString() +
           " items)";
}

void TContainerDialog::SetupContainerMode(QMenu *menu, int current)
{
    menu->clear();
    auto *group = new QActionGroup(menu);
    QAction *none = menu->addAction(QStringLiteral("None"));
    none->setData(-1);
    none->setStatusTip(
        QStringLiteral("The column will display the content of a directory, not a container. [F1] for more help."));
    none->setEnabled(current >= 0);
    none->setCheckable(true);
    none->setChecked(current < 0);
    group->addAction(none);
    QObject::connect(none, &QAction::triggered, menu, [this] {
        if (OnContainerMode) OnContainerMode(-1);
    });
    menu->addSeparator();
    AddContainerItems(menu, *this, current, true,
                      "The column will display this container, not the content of a directory. [F1] for more help.",
                      "Ctrl+", OnContainerMode);
    for (QAction *item : menu->actions())
        if (item->isCheckable()) group->addAction(item);
}

void TContainerDialog::SetupCopyToContainer(QMenu *menu, int current, const void *owner)
{
    menu->clear();
    sendToOwner = owner;
    AddContainerItems(menu, *this, current, false,
                      owner ? "" : "Add the active file to this container. [F1] for more help.",
                      owner ? nullptr : "Shift+", OnCopyTo);
}

void TContainerDialog::ReadTitles(const TStoredTextList &list)
{
    for (TContainer &container : containers)
        list.ReadString("Containers", std::to_string(container.number), container.title, true, 255);
}

void TContainerDialog::WriteTitles(TStoredTextList &list) const
{
    for (const TContainer &container : containers)
        list.WriteString("Containers", std::to_string(container.number), container.title);
}

void TContainerDialog::LoadAll(const std::string &directory)
{
    for (TContainer &container : containers) {
        container.Clear();
        container.Load(directory);
        // One unreadable file leaves the others to load.
        if (FunStatContext.IsError()) {
            FunStatContext.SetShowContext(ThisUnit, "TContainerDialog::LoadAll", __LINE__);
            FunStatContext.Show("Failed to load container.");
            FunStatContext.Reset(fsPerfect);
        }
    }
}

void TContainerDialog::SaveAll(const std::string &directory)
{
    std::string failed;
    if (!Platform::MakeDirectories(directory, failed)) {
        TFunScope Fun(ThisUnit, "TContainerDialog::SaveAll");
        Fun.RaiseLastError("Failed to save container.", failed);
        Fun.ShowIfFailed("Failed to save container.");
        return;
    }
    for (TContainer &container : containers) {
        container.Save(directory);
        if (FunStatContext.IsError()) {
            FunStatContext.SetShowContext(ThisUnit, "TContainerDialog::SaveAll", __LINE__);
            FunStatContext.Show("Failed to save container.");
            FunStatContext.Reset(fsPerfect);
        }
    }
}
