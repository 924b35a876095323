// Column content: loading directories, partitions and lists; grouping, sorting and the focus.
#include "app/Column.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/History.h"
#include "app/Containers.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr const char *ThisUnit = "Column";

// ---- Item slabs -------------------------------------------------------------------------------

// Fixed-size blocks carved from slabs, reused through a free list. One thread only.
class TItemPool
{
public:
    void *Take()
    {
        if (!Free) Grow();
        TBlock *block = Free;
        Free = block->Next;
        return block;
    }
    void Give(void *pointer)
    {
        auto *block = static_cast<TBlock *>(pointer);
        block->Next = Free;
        Free = block;
    }

private:
    union TBlock
    {
        TBlock *Next;
        alignas(TFileListData) unsigned char Bytes[sizeof(TFileListData)];
    };
    void Grow()
    {
        constexpr std::size_t Count = 4096;
        Slabs.emplace_back(new TBlock[Count]);
        TBlock *slab = Slabs.back().get();
        for (std::size_t i = 0; i < Count; ++i) Give(&slab[i]);
    }
    TBlock *Free = nullptr;
    std::vector<std::unique_ptr<TBlock[]>> Slabs;
};

TItemPool &Pool()
{
    static TItemPool pool;
    return pool;
}

// ---- Kinds and order --------------------------------------------------------------------------

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Names without regard to ASCII case, then byte by byte, so "a.txt" and "A.txt" always sort
// the same way.
int CompareNames(const char *a, std::size_t aLength, const char *b, std::size_t bLength)
{
    const std::size_t common = std::min(aLength, bLength);
    for (std::size_t i = 0; i < common; ++i) {
        const char x = Upper(a[i]), y = Upper(b[i]);
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    if (aLength != bLength) return aLength < bLength ? -1 : 1;
    const int bytes = std::memcmp(a, b, common);
    return bytes < 0 ? -1 : (bytes > 0 ? 1 : 0);
}

int CompareTitles(const std::string &a, const std::string &b, std::size_t from)
{
    return CompareNames(a.data() + from, a.size() - from, b.data() + from, b.size() - from);
}

enum TSortKey
{
    skName,
    skModifiedDescending,
    skModifiedAscending,
    skCreatedDescending,
    skCreatedAscending,
    skSizeDescending,
    skSizeAscending
};

TSortKey SortKeyOf(const std::string &mode)
{
    static const struct
    {
        const char *Mode;
        TSortKey Key;
    } modes[] = {{"Modified, new-old", skModifiedDescending}, {"Modified, old-new", skModifiedAscending},
                 {"Created, new-old", skCreatedDescending},   {"Created, old-new", skCreatedAscending},
                 {"Size, big-small", skSizeDescending},       {"Size, small-big", skSizeAscending}};
    for (const auto &row : modes)
        if (mode == row.Mode) return row.Key;
    return skName;
}

std::int64_t SortValue(const TFileListData &item, TSortKey key)
{
    switch (key) {
    case skModifiedDescending:
    case skModifiedAscending: return item.Modified;
    case skCreatedDescending:
    case skCreatedAscending: return item.Created;
    case skSizeDescending:
    case skSizeAscending: return item.Size;
    default: return 0;
    }
}

bool Descending(TSortKey key)
{
    return key == skModifiedDescending || key == skCreatedDescending || key == skSizeDescending;
}

using TItems = std::vector<std::unique_ptr<TFileListData>>;

void SortItems(TItems &items, TSortKey key, std::size_t from)
{
    if (key == skName) {
        std::sort(items.begin(), items.end(), [from](const auto &a, const auto &b) {
            return CompareTitles(a->Title, b->Title, from) < 0;
        });
        return;
    }
    const bool descending = Descending(key);
    std::sort(items.begin(), items.end(), [key, descending](const auto &a, const auto &b) {
        const std::int64_t x = SortValue(*a, key), y = SortValue(*b, key);
        if (x != y) return descending ? x > y : x < y;
        return a->Title < b->Title; // equal values: titles byte by byte
    });
}

// File systems without POSIX modes mark every file executable.
bool HasPosixModes(const std::string &type)
{
    return type != "vfat" && type != "exfat" && type != "ntfs3" && type != "fuseblk" && type != "cifs" &&
           type != "smb3";
}

int FileKind(const char *name, std::size_t length, const Platform::TEntryStatus &status, bool posixModes)
{
    const char *dot = nullptr;
    for (std::size_t i = length; i-- > 1;)
        if (name[i] == '.') {
            dot = name + i;
            break;
        }
    const std::string extension = dot ? std::string(dot, static_cast<std::size_t>(name + length - dot)) : std::string();
    if (DocumentFileExtensions.Has(extension)) return ikDocument;
    if (ProgramFileExtensions.Has(extension)) return ikProgram;
    if (status.IsSymbolicLink || IsLinkFile(std::string(name, length))) return ikLink;
    if (posixModes && status.IsRegular && status.AnyExecuteBit) return ikProgram;
    return ikGeneric;
}

} // namespace

void *TFileListData::operator new(std::size_t size)
{
    if (size != sizeof(TFileListData)) return ::operator new(size);
    return Pool().Take();
}

void TFileListData::operator delete(void *pointer) noexcept
{
    if (pointer) Pool().Give(pointer);
}

// ---- Kind ranks -----------------------------------------------------------------------------

int TColumn::KindRank(int kind)
{
    switch (kind) {
    case ikDirectory:
        if (!ProgramOptions.SeparateDirs) return 5;
        return ProgramOptions.DirsAtEnd ? 6 : 0;
    case ikLink: return ProgramOptions.SeparateLinks ? 2 : 5;
    case ikProgram: return ProgramOptions.SeparateProgs ? 3 : 5;
    case ikDocument: return ProgramOptions.SeparateDocs ? 4 : 5;
    default: return kind;
    }
}

// ---- Loading ---------------------------------------------------------------------------------

void TColumn::LoadDirectory(bool rememberPrevious,
                            int container,
                            std::int64_t focusKey,
                            int focusRow,
                            int focusKind,
                            const std::string &title)
{
    TFunScope Fun(ThisUnit, "TColumn::LoadDirectory");
    Form.BeginBusy();
    FileList->PaintingEnabled = false;
    Fun.Run([&] {
        SelectedCount = 0;
        SelectedSize = 0;
        std::string target = title;
        if (ContainerIndex >= 0 && container == -1 && target.empty()) target = PreviousTitle;
        if (target.empty()) target = ActiveTitle;
        if (ContainerIndex < 0) {
            if (container >= 0) PreviousTitle = ActiveTitle;
            else if (rememberPrevious && ExtractDirectory(target) != ExtractDirectory(ActiveTitle))
                PreviousTitle = ActiveTitle;
        }
        ActiveTitle = target;
        if (focusKind >= 0) FocusKind = focusKind;
        if (focusRow != std::numeric_limits<int>::min()) FocusRow = focusRow;
        if (focusKey >= 0) FocusKey = focusKey;
        if (container >= -1) ContainerIndex = container;

        if (ContainerIndex >= 0) {
            // The container store fills the list; the directory monitor stays as it was.
            SetWithContainer(Form.Containers[ContainerIndex].ColumnItems());
            FocusByTitle(ActiveTitle, FocusKind, true, false, SortMode, FocusKey, FocusRow);
            return;
        }
        // An unreadable directory is left one level at a time, down to the partitions list.
        for (int level = 0; level < 4096; ++level) {
            if (!IsDrivePath(ActiveTitle) && !PartitionOfTitleExists()) {
                // The partition is focused where it would stand among those still mounted.
                ActiveTitle = GonePartition();
                FocusKind = ikDirectory;
            }
            LoadWithFiles(ActiveTitle, SortMode);
            if (!FunStatContext.IsError()) {
                const std::string directory = ExtractDirectory(ActiveTitle);
                LoadedPartition = directory.empty() ? std::string() : PartitionTitleOf(directory);
                break;
            }
            Fun.CalleeFailed();
            PathsHistory.RemoveDirectory(ActiveTitle);
            const std::string up = ExcludeTrailingBackslash(ExtractDirectory(ActiveTitle));
            if (up.empty()) break;
            ActiveTitle = up;
        }
        FocusByTitle(ActiveTitle, FocusKind, true, true, SortMode, FocusKey, FocusRow);
        ArmDirMonitor();
    });
    HeaderButton->StrikeOut = false;
    UpdateHeader();
    FileList->PaintingEnabled = IsVisible();
    FileList->update();
    Form.EndBusy();
}

bool TColumn::RecordedPartitionGone() const
{
    // The mount the column listed last stays the title's partition while the title lies in it:
    // once unmounted, the directory there is only the empty mount point of another partition.
    return !LoadedPartition.empty() && IsPathInside(LoadedPartition.substr(1), ActiveTitle) &&
           !PartitionExists(LoadedPartition);
}

bool TColumn::PartitionOfTitleExists() const
{
    return !RecordedPartitionGone() && PartitionExists(ActiveTitle);
}

std::string TColumn::GonePartition() const
{
    return RecordedPartitionGone() ? LoadedPartition : PartitionTitleOf(ActiveTitle);
}

void TColumn::LoadWithFiles(const std::string &title, const std::string &sortMode)
{
    ClearColumn();
    const std::string path = ExtractDirectory(title);
    if (title.empty() || path.empty()) {
        LoadWithPartitions();
        return;
    }
    TFunScope Fun(ThisUnit, "TColumn::LoadWithFiles");
    Fun.Run([&] {
        TItems groups[6]; // directories, links, programs, documents, generic
        enum { gDirectories, gLinks, gPrograms, gDocuments, gGeneric };
        const bool separate[] = {ProgramOptions.SeparateDirs, ProgramOptions.SeparateLinks,
                                 ProgramOptions.SeparateProgs, ProgramOptions.SeparateDocs, true};
        const bool posixModes = HasPosixModes(Platform::FileSystemType(path));
        const auto groupOf = [&](int group) { return separate[group] ? group : static_cast<int>(gGeneric); };
        const bool listed = Platform::ListDirectoryWithStatus(
            path, [&](const char *name, std::size_t length, const Platform::TEntryStatus &status, bool valid) {
                auto item = std::make_unique<TFileListData>();
                item->Title.reserve(path.size() + length);
                item->Title.assign(path).append(name, length);
                if (valid) {
                    item->Encrypted = status.Encrypted;
                    item->Modified = RawFileTime(status.ModifiedSeconds, status.ModifiedNanoseconds);
                    item->Created = RawFileTime(status.BornSeconds, status.BornNanoseconds);
                }
                if (item->Encrypted) ++EncryptedCount;
                if (status.IsDirectory && !status.IsSymbolicLink) {
                    item->Kind = ikDirectory;
                    ++DirectoryCount;
                    groups[groupOf(gDirectories)].push_back(std::move(item));
                    return;
                }
                item->Size = status.IsSymbolicLink ? 0 : static_cast<std::int64_t>(status.Size);
                TotalSize += item->Size;
                item->Kind = FileKind(name, length, status, posixModes);
                switch (item->Kind) {
                case ikDocument:
                    ++DocumentCount;
                    groups[groupOf(gDocuments)].push_back(std::move(item));
                    return;
                case ikProgram:
                    ++ProgramCount;
                    groups[groupOf(gPrograms)].push_back(std::move(item));
                    return;
                case ikLink:
                    ++LinkCount;
                    groups[groupOf(gLinks)].push_back(std::move(item));
                    return;
                default:
                    ++GenericCount;
                    if (ProgramOptions.ShowFilesGroup) groups[gGeneric].push_back(std::move(item));
                    return;
                }
            });
        if (!listed) {
            Fun.RaiseLastError("Failed to first find file.", path + "*");
            return;
        }
        const TSortKey key = SortKeyOf(sortMode);
        SortItems(groups[gDirectories], skName, path.size());
        for (int group = gLinks; group <= gGeneric; ++group) SortItems(groups[group], key, path.size());
        const bool dirsFirst = ProgramOptions.SeparateDirs && !ProgramOptions.DirsAtEnd;
        const bool dirsLast = ProgramOptions.SeparateDirs && ProgramOptions.DirsAtEnd;
        std::size_t total = 0;
        for (const TItems &group : groups) total += group.size();
        auto &items = FileList->Items;
        items.clear();
        items.reserve(total);
        const auto append = [&](TItems &group) {
            for (auto &item : group) items.push_back(std::move(item));
        };
        if (dirsFirst) append(groups[gDirectories]);
        if (separate[gLinks]) append(groups[gLinks]);
        if (separate[gPrograms]) append(groups[gPrograms]);
        if (separate[gDocuments]) append(groups[gDocuments]);
        append(groups[gGeneric]);
        if (dirsLast) append(groups[gDirectories]);
    });
    if (Fun.Failed()) {
        const TFunStatContext failure = Fun.Local;
        ClearColumn(); // after any error the list is empty
        Fun.Local = failure;
    }
    FileList->ItemsChanged();
    UpdateItemHeight();
}

void TColumn::LoadWithPartitions()
{
    ClearColumn();
    TFunScope Fun(ThisUnit, "TColumn::LoadWithPartitions");
    Fun.Run([&] {
        std::vector<std::string> titles;
        int count = 0;
        LogicalDrives(titles, count);
        auto &items = FileList->Items;
        items.clear();
        items.reserve(titles.size());
        for (const std::string &title : titles) {
            auto item = std::make_unique<TFileListData>();
            item->Title = title;
            item->Kind = ikDirectory;
            items.push_back(std::move(item));
        }
    });
    FileList->ItemsChanged();
    UpdateItemHeight();
}

void TColumn::SetWithList(const std::vector<std::string> &titles, bool selectAll)
{
    std::vector<TContainerTitle> items;
    items.reserve(titles.size());
    for (const std::string &title : titles) items.push_back({title, 0});
    SetWithContainer(items);
    if (!selectAll) return;
    for (int i = 0; i < FileList->Count() && !FileList->Empty; ++i) {
        Item(i)->Selected = true;
        ++SelectedCount;
        SelectedSize += Item(i)->Size;
    }
    FileList->update();
}

void TColumn::SetWithContainer(const std::vector<TContainerTitle> &entries)
{
    ClearColumn();
    TFunScope Fun(ThisUnit, "TColumn::SetWithContainer");
    Fun.Run([&] {
        auto &items = FileList->Items;
        items.clear();
        items.reserve(entries.size());
        for (const TContainerTitle &entry : entries) {
            auto item = std::make_unique<TFileListData>();
            item->Title = entry.Title;
            item->Rank = entry.Rank;
            TFileInfo info;
            info.Load(entry.Title);
            item->Exists = info.exists;
            if (info.exists) {
                item->Modified = info.rawModified;
                item->Created = info.rawCreated;
                item->Encrypted = (info.attributes & FileAttribute::Encrypted) != 0;
                if (item->Encrypted) ++EncryptedCount;
            }
            Platform::TEntryStatus status;
            const bool valid = Platform::EntryStatus(entry.Title, status, false);
            if (info.attributes & FileAttribute::Directory) {
                item->Kind = ikDirectory;
                ++DirectoryCount;
            } else {
                const std::string name = ExtractName(entry.Title);
                item->Kind = FileKind(name.data(), name.size(), valid ? status : Platform::TEntryStatus(),
                                      HasPosixModes(Platform::FileSystemType(ExtractDirectory(entry.Title))));
                item->Size = static_cast<std::int64_t>(info.size);
                TotalSize += item->Size;
                int *counters[] = {nullptr, nullptr, &LinkCount, &ProgramCount, &DocumentCount, &GenericCount};
                if (item->Kind >= ikLink && item->Kind <= ikGeneric) ++*counters[item->Kind];
            }
            items.push_back(std::move(item));
        }
        FunStatContext.Reset(fsPerfect); // a missing file is listed, not an error
    });
    FileList->ItemsChanged();
    UpdateItemHeight();
}

// ---- Focus ---------------------------------------------------------------------------------------

void TColumn::FocusByTitle(const std::string &title,
                           int focusKind,
                           bool scrollAlways,
                           bool searchNearest,
                           const std::string &sortMode,
                           std::int64_t focusKey,
                           int focusRow)
{
    TFunScope Fun(ThisUnit, "TColumn::FocusByTitle");
    Fun.Run([&] {
        const std::string name = ExtractName(title);
        if (FileList->Empty || name.empty()) {
            FileList->SetTopIndex(0);
            FileList->FocusIndex = 0;
            return;
        }
        const int count = FileList->Count();
        int found = IndexOfName(name);
        if (found < 0 && searchNearest) {
            const int rank = KindRank(focusKind);
            const TSortKey key = SortKeyOf(sortMode);
            found = count - 1;
            if (key == skName || focusKind == ikDirectory) {
                for (int i = 0; i < count; ++i) {
                    const TFileListData &item = *Item(i);
                    const int itemRank = KindRank(item.Kind);
                    const std::string itemName = ExtractName(item.Title);
                    if (itemRank > rank ||
                        (itemRank == rank &&
                         CompareNames(name.data(), name.size(), itemName.data(), itemName.size()) <= 0)) {
                        found = i;
                        break;
                    }
                }
            } else {
                for (int i = 0; i < count; ++i) {
                    const TFileListData &item = *Item(i);
                    if (item.Kind == ikDirectory) continue;
                    const int itemRank = KindRank(item.Kind);
                    const std::int64_t value = SortValue(item, key);
                    const std::int64_t d = Descending(key) ? value - focusKey : focusKey - value;
                    if (itemRank > rank || (itemRank == rank && d <= 0)) {
                        found = i;
                        break;
                    }
                }
            }
        } else if (found < 0) {
            found = std::clamp(LastFocusIndex, 0, count - 1);
        }
        FileList->FocusAt(found, focusRow, scrollAlways);
    });
    SetInactiveFocus();
}

void TColumn::SetInactiveFocus()
{
    TFunScope Fun(ThisUnit, "TColumn::SetInactiveFocus");
    Fun.Run([&] {
        if (FileList->Empty) {
            FocusKind = ikGeneric;
            FocusRow = 0;
            FocusKey = 0;
        } else {
            FileList->FocusIndex = std::clamp(FileList->FocusIndex, 0, FileList->Count() - 1);
            const TFileListData &item = *Item(FileList->FocusIndex);
            ActiveTitle = item.Title;
            FocusKind = item.Kind;
            FocusRow = FileList->FocusIndex - FileList->TopIndex;
            const TSortKey key = SortKeyOf(SortMode);
            if (key != skName) FocusKey = SortValue(item, key);
        }
        UpdateHeader();
        PathsHistory.AddPath(ActiveTitle, FocusKind, true, true, FocusKey, FocusRow);
    });
    LastFocusIndex = FileList->FocusIndex;
}

void TColumn::FocusIndex(int index)
{
    FileList->SetFocusIndex(index);
    SetInactiveFocus();
}

void TColumn::SelectedTitles(std::vector<std::string> &target, bool namesOnly) const
{
    target.clear();
    if (SelectedCount == 0 || FileList->Empty) {
        target.push_back(ActiveTitle);
        return;
    }
    for (int i = 0; i < FileList->Count(); ++i)
        if (Item(i)->Selected) target.push_back(namesOnly ? ExtractName(Item(i)->Title) : Item(i)->Title);
}

int TColumn::IndexOfName(const std::string &name) const
{
    if (FileList->Empty) return -1;
    // Which file is meant: names compare exactly.
    for (int i = 0; i < FileList->Count(); ++i) {
        const std::string &title = Item(i)->Title;
        if (title.size() >= name.size() && title.compare(title.size() - name.size(), name.size(), name) == 0 &&
            ExtractName(title) == name)
            return i;
    }
    return -1;
}

bool TColumn::ListEqualsContainer(const std::vector<std::string> &titles) const
{
    const int count = FileList->Empty ? 0 : FileList->Count();
    if (count != static_cast<int>(titles.size())) return false;
    for (int i = 0; i < count; ++i)
        if (Item(i)->Title != titles[static_cast<std::size_t>(i)]) return false;
    return true;
}
