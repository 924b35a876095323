// The file search's run: the column's items, the walk over directories, each candidate's name,
// limits and text, the navigation history and the duplicates of a reference file.
#include "app/SearchFileDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/FileStream.h"
#include "platform/FileHandle.h"
#include "platform/System.h"
#include "platform/Xattr.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr const char *ThisUnit = "SearchFileDialog";
// Fifty line breaks end each part of a searched text, so that no match and no proximity
// window spans two parts.
constexpr std::size_t BreaksLength = 100;
constexpr char Breaks[] =
    "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n"
    "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n"
    "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n";
static_assert(sizeof Breaks == BreaksLength + 1);
// The bytes compared before a whole duplicate candidate is read.
constexpr std::size_t HeadSize = 1000;
constexpr std::size_t CompareChunk = 1 << 18;
constexpr std::int64_t DescriptionLimit = 1 << 20;

// Closes a handle at the end of a scope.
struct THandleGuard
{
    int Handle;
    ~THandleGuard()
    {
        if (Handle >= 0) Platform::CloseHandle(Handle);
    }
};

std::size_t NameOffsetOf(const std::string &title)
{
    const std::size_t slash = title.rfind(PathDelimiter);
    return slash == std::string::npos ? 0 : slash + 1;
}

double DateTimeOf(std::int64_t seconds, std::uint32_t nanoseconds)
{
    const double value = ConvertFileTime(RawFileTime(seconds, nanoseconds));
    FunStatContext.Reset(fsPerfect);
    return value;
}

} // namespace

// The entries of one directory level, kept between directories so that a walk makes no
// allocations once its levels have grown.
struct TFileSearch::TLevel
{
    struct TEntry
    {
        std::size_t NameStart, NameLength;
        Platform::TEntryStatus Status;
        bool Valid;
        Platform::TEntryKind Kind;
    };
    std::string Names;
    std::vector<TEntry> Entries;
};

TFileSearch::TFileSearch() = default;
TFileSearch::~TFileSearch() = default;

void TFileSearch::Start()
{
    Found.clear();
    Ranks.clear();
    Errors = Directories = Files = Jumped = 0;
    Stop = false;
    AskErrors = true;
    Visited.clear();
    NameMatcher.Assign(Options.NameFilter);
    TextNameMatcher.Assign(Options.TextExtensionFilter);
    NameFilterIsAll = Options.NameFilter == "*";
    NameFilterIsTextFilter = Options.NameFilter == Options.TextExtensionFilter;
    const std::string &parts = Options.FileParts;
    PartName = parts == "Name" || parts == "Name, content" || parts == "Name, text";
    PartDescription = parts == "Description";
    PartContent = parts == "Content" || parts == "Name, content" || parts == "Name, text";
    PartTextOnly = parts == "Name, text";
    DuplicateMode = !Options.DuplicateReference.empty();
    // The main stream's own size decides a jump where the content is always read.
    LeanListing = !Options.Limits.AnyTime() && !Options.Limits.AnySize() && !DuplicateMode &&
                  (Options.TextFilters.empty() || parts == "Content" || parts == "Name, content");
    if (!DuplicateMode) return;
    TFunScope Fun(ThisUnit, "TFileSearch::Start");
    Fun.Run([&] {
        const std::string &reference = Options.DuplicateReference;
        std::uint64_t size = 0;
        THandleGuard file{Platform::OpenRegularForReading(reference, size)};
        Platform::TEntryStatus status;
        if (file.Handle < 0 || !Platform::EntryStatus(reference, status, true)) {
            Fun.RaiseLastError("Failed to open file.", reference);
            return;
        }
        ReferenceSize = size;
        ReferenceDevice = status.Device;
        ReferenceInode = status.Inode;
        ReferenceHead.assign(HeadSize, '\0');
        if (Platform::ReadFully(file.Handle, ReferenceHead.data(), HeadSize) < 0)
            Fun.RaiseLastError("Failed to read file.", reference);
    });
}

void TFileSearch::ProcessItem(const std::string &title)
{
    // A partition of the partitions list stands for its mount point.
    Title = IsDrivePath(title) ? title.substr(1) : title;
    while (Title.size() > 1 && Title.back() == PathDelimiter)
        Title.pop_back();
    TCandidate candidate{&Title, NameOffsetOf(Title), {}, false, false};
    candidate.Stated = Platform::EntryStatus(Title, candidate.Status, false);
    if (!candidate.Stated) {
        CandidateFailed("TSearchFileForm::ProcessFile",
                        "Failed to process file.",
                        Title,
                        Platform::LastErrorCode());
        ReportError("Failed to process file.");
        return;
    }
    const bool link = candidate.Status.IsSymbolicLink;
    if (link) {
        Platform::TEntryStatus target;
        if (Platform::EntryStatus(Title, target, true)) candidate.Status = target;
    }
    candidate.IsDirectory = candidate.Status.IsDirectory;
    if (candidate.IsDirectory) {
        if (Options.FindDirectories) ProcessFile(candidate);
        if (Options.Recursive && !link && !Stop) {
            std::string path = Title;
            WalkDirectory(path, candidate.Status, 0);
        }
    } else if (Options.FindFiles) {
        ProcessFile(candidate);
    }
}

void TFileSearch::ProcessDir(const std::string &directory)
{
    Platform::TEntryStatus status;
    std::string path = directory;
    while (path.size() > 1 && path.back() == PathDelimiter)
        path.pop_back();
    if (!Platform::EntryStatus(path, status, true)) {
        CandidateFailed("TSearchFileForm::ProcessDir",
                        "Failed to find first file.",
                        path,
                        Platform::LastErrorCode());
        ReportError("Failed to search in directory.");
        return;
    }
    WalkDirectory(path, status, 0);
}

void TFileSearch::WalkDirectory(std::string &path,
                                const Platform::TEntryStatus &status,
                                std::size_t depth)
{
    // A bind mount or a loop of mounts leads back to a directory already seen.
    if (!Visited.insert({status.Device, status.Inode}).second) return;
    if (Levels.size() <= depth) Levels.push_back(std::make_unique<TLevel>());
    TLevel &level = *Levels[depth];
    level.Names.clear();
    level.Entries.clear();
    const bool listed =
        LeanListing
            ? Platform::ListDirectoryKinds(
                  path,
                  [&level](const char *name, std::size_t length, Platform::TEntryKind kind) {
                      level.Entries.push_back({level.Names.size(), length, {}, true, kind});
                      level.Names.append(name, length);
                  })
            : Platform::ListDirectoryWithStatus(path,
                                                [&level](const char *name,
                                                         std::size_t length,
                                                         const Platform::TEntryStatus &entry,
                                                         bool valid) {
                                                    level.Entries.push_back(
                                                        {level.Names.size(),
                                                         length,
                                                         entry,
                                                         valid,
                                                         Platform::TEntryKind::Unknown});
                                                    level.Names.append(name, length);
                                                });
    if (!listed) {
        const int code = Platform::LastErrorCode();
        CandidateFailed("TSearchFileForm::ProcessDir",
                        level.Entries.empty() ? "Failed to find first file."
                                              : "Failed to look in directory.",
                        path,
                        code);
        ReportError("Failed to search in directory.");
        if (Stop) return;
    }
    const std::size_t base = path.size();
    if (path.back() != PathDelimiter) path.push_back(PathDelimiter);
    const std::size_t nameOffset = path.size();
    for (std::size_t i = 0; i < level.Entries.size() && !Stop; ++i) {
        // The level's vectors stay put while deeper levels are walked: each depth has its own.
        const TLevel::TEntry &entry = Levels[depth]->Entries[i];
        path.resize(nameOffset);
        path.append(Levels[depth]->Names, entry.NameStart, entry.NameLength);
        TCandidate candidate{&path, nameOffset, entry.Status, entry.Status.IsDirectory, true};
        bool valid = entry.Valid;
        if (LeanListing) {
            const Platform::TEntryKind kind = entry.Kind;
            if (kind == Platform::TEntryKind::Regular || kind == Platform::TEntryKind::Other) {
                candidate.Status.IsRegular = kind == Platform::TEntryKind::Regular;
                candidate.Stated = false;
            } else {
                valid = Platform::EntryStatus(path, candidate.Status, false);
                if (valid && candidate.Status.IsSymbolicLink) {
                    Platform::TEntryStatus target;
                    candidate.Status.IsDirectory =
                        Platform::EntryStatus(path, target, true) && target.IsDirectory;
                }
                candidate.IsDirectory = candidate.Status.IsDirectory;
            }
        }
        if (!valid) {
            // The listing keeps no error code of its own for an entry it could not read.
            const int code = LeanListing ? Platform::LastErrorCode() : 0;
            CandidateFailed("TSearchFileForm::ProcessFile", "Failed to process file.", path, code);
            ReportError("Failed to process file.");
            continue;
        }
        const Platform::TEntryStatus entryStatus = candidate.Status;
        const bool link = entryStatus.IsSymbolicLink;
        if (link && (!candidate.IsDirectory || Options.FindDirectories)) {
            Platform::TEntryStatus target;
            if (Platform::EntryStatus(path, target, true)) candidate.Status = target;
        }
        if (candidate.IsDirectory) {
            if (Options.FindDirectories) ProcessFile(candidate);
            // Recursion never enters a linked directory.
            if (Options.Recursive && !link && !Stop) WalkDirectory(path, entryStatus, depth + 1);
        } else if (Options.FindFiles) {
            ProcessFile(candidate);
        }
    }
    path.resize(base);
}

void TFileSearch::ProcessFile(const TCandidate &candidate)
{
    CandidateError = false;
    const int rank = MatchFile(candidate);
    if (CandidateError) {
        ReportError("Failed to process file.");
    } else if (rank > 0) {
        if (candidate.IsDirectory)
            ++Directories;
        else
            ++Files;
        AddFoundItem(*candidate.Title, rank, candidate.IsDirectory);
    }
    if (OnCandidate) OnCandidate(*candidate.Title);
}

int TFileSearch::MatchFile(const TCandidate &candidate)
{
    const std::string &title = *candidate.Title;
    if (DuplicateMode) {
        if (candidate.IsDirectory || !candidate.Status.IsRegular ||
            candidate.Status.Size != ReferenceSize)
            return -1;
        // The reference and its other names are not duplicates of it.
        if (candidate.Status.Device == ReferenceDevice && candidate.Status.Inode == ReferenceInode)
            return -1;
        return SameContentOfFiles(title) ? 1 : -1;
    }
    const bool nameBypassed =
        NameFilterIsAll || (candidate.IsDirectory && !Options.TextFilters.empty());
    if (!nameBypassed && !NameMatcher.Matches(title.data() + candidate.NameOffset,
                                              title.size() - candidate.NameOffset))
        return -1;
    const TSearchLimits &limits = Options.Limits;
    if ((limits.AnyTime() || (!candidate.IsDirectory && limits.AnySize())) &&
        !WithinLimits(candidate))
        return -1;
    return MatchFileText(candidate);
}

bool TFileSearch::WithinLimits(const TCandidate &candidate) const
{
    const TSearchLimits &limits = Options.Limits;
    const Platform::TEntryStatus &status = candidate.Status;
    if (limits.CreationMinOn || limits.CreationMaxOn) {
        const double created = DateTimeOf(status.BornSeconds, status.BornNanoseconds);
        if (limits.CreationMinOn && created < limits.CreationMin) return false;
        if (limits.CreationMaxOn && created > limits.CreationMax) return false;
    }
    if (limits.ModifiedMinOn || limits.ModifiedMaxOn) {
        const double modified = DateTimeOf(status.ModifiedSeconds, status.ModifiedNanoseconds);
        if (limits.ModifiedMinOn && modified < limits.ModifiedMin) return false;
        if (limits.ModifiedMaxOn && modified > limits.ModifiedMax) return false;
    }
    if (!candidate.IsDirectory) {
        const auto size = static_cast<std::int64_t>(status.Size);
        if (limits.SizeMinOn && size < limits.SizeMin) return false;
        if (limits.SizeMaxOn && size > limits.SizeMax) return false;
    }
    return true;
}

int TFileSearch::MatchFileText(const TCandidate &candidate)
{
    if (Options.TextFilters.empty()) return 1;
    if (!candidate.IsDirectory && candidate.Stated && candidate.Status.Size > JumpSize) {
        ++Jumped;
        return 0;
    }
    const std::string &title = *candidate.Title;
    BufferLength = 0;
    std::size_t nameStart = 0;
    if (PartName) {
        AppendText(title.data(), title.size());
        nameStart = candidate.NameOffset;
        AppendBreaks();
    }
    if (!candidate.IsDirectory) {
        if (PartDescription) {
            const std::string description = GetFileDescription(title, DescriptionLimit);
            if (FunStatContext.IsError()) {
                CandidateError = true;
                return -1;
            }
            AppendText(description.data(), description.size());
            AppendBreaks();
        }
        if (PartContent) {
            const bool mainStream = !PartTextOnly || NameFilterIsTextFilter ||
                                    TextNameMatcher.Matches(title.data() + candidate.NameOffset,
                                                            title.size() - candidate.NameOffset);
            JumpedNow = false;
            if (!AppendContent(candidate, mainStream, true)) return -1;
            if (JumpedNow) {
                ++Jumped;
                return 0;
            }
        }
    }
    // A zero byte ends the text.
    const char *zero = static_cast<const char *>(std::memchr(Buffer.get(), 0, BufferLength));
    const std::size_t length = zero ? static_cast<std::size_t>(zero - Buffer.get()) : BufferLength;
    if (length == 0) return 0;
    UpperCaseSearchText(Buffer.get(), length);
    const TTextRanks ranks = MatchTextInBuffer(
        Buffer.get(), length, nameStart, Options.TextFilters, Options.Match, &OnTextProgress);
    if (ranks.Stopped) {
        Stop = true;
        return 0;
    }
    return ranks.Rank();
}

bool TFileSearch::AppendContent(const TCandidate &candidate, bool mainStream, bool namedStreams)
{
    const std::string &title = *candidate.Title;
    THandleGuard file{-1};
    if (mainStream && candidate.Status.IsRegular) {
        std::uint64_t size = 0;
        file.Handle = Platform::OpenRegularForReading(title, size);
        if (file.Handle < 0) {
            CandidateFailed("TSearchFileForm::MatchFileText",
                            "Failed to open file.",
                            title,
                            Platform::LastErrorCode());
            return false;
        }
        if (size > JumpSize) {
            JumpedNow = true;
            return true;
        }
        Reserve(BufferLength + size + BreaksLength);
        const std::int64_t got =
            Platform::ReadFully(file.Handle, Buffer.get() + BufferLength, size);
        if (got < 0) {
            CandidateFailed("TSearchFileForm::MatchFileText",
                            "Failed to read file.",
                            title,
                            Platform::LastErrorCode());
            return false;
        }
        BufferLength += static_cast<std::size_t>(got);
        AppendBreaks();
    }
    if (!namedStreams) return true;
    // Through the open file where there is one: no second walk down the path.
    const bool listed =
        file.Handle >= 0 ? Platform::ListUserAttributes(file.Handle, AttributeBuffer, StreamNames)
                         : Platform::ListUserAttributes(title, AttributeBuffer, StreamNames);
    if (!listed) {
        const int code = Platform::LastErrorCode();
        // No streams where the file system keeps none, and none behind a dangling link.
        if (code == ENOTSUP || code == ENOENT || code == ELOOP) return true;
        CandidateFailed(
            "TSearchFileForm::MatchFileText", "Failed to read file streams.", title, code);
        return false;
    }
    for (const std::string &name : StreamNames) {
        const bool read = file.Handle >= 0
                              ? Platform::ReadUserAttribute(file.Handle, name, StreamValue)
                              : Platform::ReadUserAttribute(title, name, StreamValue);
        if (!read) {
            const int code = Platform::LastErrorCode();
            if (code == ENODATA) continue; // removed in between
            CandidateFailed(
                "TSearchFileForm::MatchFileText", "Failed to read file stream.", title, code);
            return false;
        }
        AppendText(StreamValue.data(), StreamValue.size());
        AppendBreaks();
    }
    return true;
}

void TFileSearch::Reserve(std::size_t length)
{
    if (length <= BufferCapacity) return;
    const std::size_t capacity =
        std::max(length, std::max<std::size_t>(BufferCapacity * 2, 1 << 16));
    std::unique_ptr<char[]> grown(new char[capacity]);
    if (BufferLength > 0) std::memcpy(grown.get(), Buffer.get(), BufferLength);
    Buffer = std::move(grown);
    BufferCapacity = capacity;
}

void TFileSearch::AppendText(const char *text, std::size_t length)
{
    Reserve(BufferLength + length);
    if (length > 0) std::memcpy(Buffer.get() + BufferLength, text, length);
    BufferLength += length;
}

void TFileSearch::AppendBreaks()
{
    AppendText(Breaks, BreaksLength);
}

bool TFileSearch::SameContentOfFiles(const std::string &candidate)
{
    const auto fail = [&](const char *description, const std::string &file) {
        CandidateFailed(
            "TSearchFileForm::SameContentOfFiles", description, file, Platform::LastErrorCode());
    };
    std::uint64_t size = 0;
    THandleGuard file{Platform::OpenRegularForReading(candidate, size)};
    if (file.Handle < 0) {
        fail("Failed to open file.", candidate);
        return false;
    }
    if (!CompareBuffer) CompareBuffer.reset(new char[2 * CompareChunk]);
    char *mine = CompareBuffer.get();
    char *theirs = mine + CompareChunk;
    // The quick test: the first 1,000 bytes, zero-filled when shorter.
    std::memset(mine, 0, HeadSize);
    const std::int64_t head = Platform::ReadFully(file.Handle, mine, HeadSize);
    if (head < 0) {
        fail("Failed to read file.", candidate);
        return false;
    }
    if (std::memcmp(mine, ReferenceHead.data(), HeadSize) != 0) return false;
    // Then the whole contents, up to the first difference.
    std::uint64_t referenceSize = 0;
    THandleGuard reference{
        Platform::OpenRegularForReading(Options.DuplicateReference, referenceSize)};
    if (reference.Handle < 0) {
        fail("Failed to open file.", Options.DuplicateReference);
        return false;
    }
    std::int64_t done = 0;
    for (;;) {
        const std::int64_t a = Platform::ReadFully(reference.Handle, theirs, CompareChunk);
        if (a < 0) {
            fail("Failed to read file.", Options.DuplicateReference);
            return false;
        }
        std::int64_t b = 0;
        if (done == 0) {
            // The candidate's head is already read.
            const std::int64_t rest = Platform::ReadFully(
                file.Handle, mine + head, CompareChunk - static_cast<std::size_t>(head));
            b = rest < 0 ? -1 : head + rest;
        } else {
            b = Platform::ReadFully(file.Handle, mine, CompareChunk);
        }
        if (b < 0) {
            fail("Failed to read file.", candidate);
            return false;
        }
        if (a != b || std::memcmp(mine, theirs, static_cast<std::size_t>(a)) != 0) return false;
        if (a < static_cast<std::int64_t>(CompareChunk)) break;
        done += a;
    }
    return true;
}

void TFileSearch::ProcessHistoryItem(const std::string &title, bool isDirectory)
{
    Title = title;
    if (isDirectory)
        while (Title.size() > 1 && Title.back() == PathDelimiter)
            Title.pop_back();
    const int rank = MatchHistoryItem(Title);
    if (rank > 0) {
        if (isDirectory)
            ++Directories;
        else
            ++Files;
        AddFoundItem(Title, rank, isDirectory);
    }
    if (OnCandidate) OnCandidate(Title);
}

int TFileSearch::MatchHistoryItem(const std::string &title)
{
    if (Options.TextFilters.empty()) return 1;
    BufferLength = 0;
    AppendText(title.data(), title.size());
    AppendBreaks();
    UpperCaseSearchText(Buffer.get(), BufferLength);
    const TTextRanks ranks = MatchTextInBuffer(Buffer.get(),
                                               BufferLength,
                                               NameOffsetOf(title),
                                               Options.TextFilters,
                                               Options.Match,
                                               &OnTextProgress);
    return ranks.Rank();
}

void TFileSearch::AddFoundItem(const std::string &title, int rank, bool isDirectory)
{
    const std::size_t index = FoundInsertIndex(Ranks, rank);
    Ranks.insert(Ranks.begin() + static_cast<std::ptrdiff_t>(index), rank);
    Found.insert(Found.begin() + static_cast<std::ptrdiff_t>(index),
                 TFoundItem{title, rank, isDirectory});
    if (OnFound) OnFound(index);
}

void TFileSearch::CandidateFailed(const char *function,
                                  const std::string &description,
                                  const std::string &title,
                                  int code)
{
    {
        TFunScope Fun(ThisUnit, function);
        Fun.Raise(description, title, {}, code);
    }
    CandidateError = true;
}

void TFileSearch::ReportError(const std::string &message)
{
    ++Errors;
    if (AskErrors && OnError && !OnError(message)) Stop = true;
    FunStatContext.Reset(fsPerfect);
}
