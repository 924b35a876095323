// Named streams on real files with real user extended attributes.
#include "Libraries/FileStream.h"

#include "platform/Xattr.h"
#include "tests/support/TestSupport.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <iterator>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using FileStreamTest = TStatusTest;

// Sets a stream beside the code under test.
void SetStream(const std::string &file, const std::string &name, const std::string &value)
{
    ASSERT_TRUE(Platform::WriteUserAttribute(file, name, value))
        << name << ": " << std::strerror(errno);
}

std::string StreamOf(const std::string &file, const std::string &name)
{
    std::string value;
    return Platform::ReadUserAttribute(file, name, value) ? value : "<missing>";
}

std::vector<std::string> SortedNames(const std::string &file)
{
    std::vector<std::string> names;
    Platform::ListUserAttributes(file, names);
    std::sort(names.begin(), names.end());
    return names;
}

void ExpectFailure(const std::string &words, const std::string &first, int code)
{
    EXPECT_EQ(FunStatContext.status, fsError);
    EXPECT_EQ(FunStatContext.description, words);
    EXPECT_EQ(FunStatContext.parameter1, first);
    EXPECT_EQ(FunStatContext.systemErrorCode, code)
        << std::strerror(FunStatContext.systemErrorCode);
}

void ExpectWarning(const std::string &words)
{
    EXPECT_EQ(FunStatContext.status, fsWarning);
    EXPECT_EQ(FunStatContext.description, words);
}

std::string Pattern(std::size_t size)
{
    std::string value(size, ' ');
    for (std::size_t i = 0; i < size; ++i)
        value[i] = static_cast<char>('a' + i % 26);
    return value;
}

TEST_F(FileStreamTest, ListsCountsAndSizesTheNamedStreams)
{
    TTempDir dir;
    dir.WriteFile("note.txt", "hello");
    const std::string file = dir / "note.txt";
    std::vector<std::string> names{"stale"};
    EXPECT_EQ(GetFileStreamNames(file, names), 0);
    EXPECT_TRUE(names.empty()) << "the list is cleared and the main stream never listed";
    EXPECT_EQ(GetFileStreamsSize(file), 0u);
    EXPECT_EQ(FunStatContext.status, fsPerfect);

    SetStream(file, "Description", "A note");
    SetStream(file, "xdg.origin.url", "https://example.org/a");
    std::vector<std::string> reported;
    ASSERT_TRUE(Platform::ListUserAttributes(file, reported));
    EXPECT_EQ(GetFileStreamNames(file, names), 2);
    EXPECT_EQ(names, reported) << "in the order the file system reports them";
    EXPECT_NE(std::find(names.begin(), names.end(), "Description"), names.end());
    EXPECT_EQ(GetFileStreamsCount(file), 2);
    EXPECT_EQ(MyFileStream.GetNames(file), 2);
    EXPECT_EQ(GetFileStreamSize(file, "Description"), 6u);
    EXPECT_EQ(GetFileStreamSize(file, ""), 5u) << "the empty name is the file's content";
    EXPECT_EQ(GetFileStreamsSize(file), 6u + 21u);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
}

TEST_F(FileStreamTest, AddWriteAndDeleteAStream)
{
    TTempDir dir;
    dir.WriteFile("f", "content");
    const std::string file = dir / "f";
    WriteFileStream(file, "Notes", "first", -1);
    ExpectFailure("Failed to open file.", file, ENODATA);
    EXPECT_EQ(FunStatContext.parameter2, "Notes");
    EXPECT_EQ(StreamOf(file, "Notes"), "<missing>");

    FunStatContext.Reset(fsPerfect);
    AddFileStream(file, "Notes");
    EXPECT_EQ(StreamOf(file, "Notes"), "");
    WriteFileStream(file, "Notes", "first\0rest", -1);
    EXPECT_EQ(StreamOf(file, "Notes"), "first")
        << "a negative count takes the zero-terminated text";
    AddFileStream(file, "Notes");
    EXPECT_EQ(StreamOf(file, "Notes"), "first") << "an existing stream keeps its content";
    WriteFileStream(file, "Notes", "abcdef", 2);
    EXPECT_EQ(StreamOf(file, "Notes"), "ab");
    WriteFileStream(file, "", "new content", -1);
    EXPECT_EQ(dir.ReadFile("f"), "new content");
    EXPECT_EQ(StreamOf(file, "Notes"), "ab") << "writing the content keeps the streams";
    EXPECT_EQ(FunStatContext.status, fsPerfect);

    DeleteFileStream(file, "Notes");
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_EQ(GetFileStreamsCount(file), 0);
    DeleteFileStream(file, "Notes");
    ExpectFailure("Failed to delete file.", file, ENODATA);
    EXPECT_EQ(dir.ReadFile("f"), "new content");
}

TEST_F(FileStreamTest, ReadStopsAtTheByteLimitWithAWarning)
{
    TTempDir dir;
    dir.WriteFile("f", Pattern(5000));
    const std::string file = dir / "f";
    const std::string value = Pattern(3000);
    if (!Platform::WriteUserAttribute(file, "Big", value))
        GTEST_SKIP() << "the file system of " << dir.Path()
                     << " refuses a 3,000-byte stream: " << std::strerror(errno);
    struct TCase
    {
        const char *Stream;
        std::int64_t Limit;
        std::size_t Size;
        bool Warned;
    };
    const TCase cases[] = {
        {"Big", 1000, 1000, true},
        {"Big", 2999, 2999, true},
        {"Big", 3000, 3000, false},
        {"Big", 3001, 3000, false},
        {"Big", 0, 3000, false},
        {"Big", -1, 3000, false},
        {"", 1000, 1000, true},
        {"", 0, 5000, false},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::string(c.Stream) + " limit " + std::to_string(c.Limit));
        FunStatContext.Reset(fsPerfect);
        std::uint64_t size = 7;
        std::string buffer = "old buffer";
        ReadFileStream(file, c.Stream, false, c.Limit, size, buffer);
        EXPECT_EQ(size, c.Size);
        EXPECT_EQ(buffer, Pattern(c.Size));
        if (c.Warned)
            ExpectWarning("Stream size too big.");
        else
            EXPECT_EQ(FunStatContext.status, fsPerfect);
    }
    FunStatContext.Reset(fsPerfect);
    EXPECT_EQ(GetTextFromFileStream(file, "Big", 1000), Pattern(1000));
    ExpectWarning("Stream size too big.");
}

TEST_F(FileStreamTest, TextEndsAtAZeroByteAndNeverInsideACharacter)
{
    TTempDir dir;
    dir.WriteFile("f", "");
    const std::string file = dir / "f";
    struct TCase
    {
        std::string Value;
        std::int64_t Limit;
        std::string Text;
    };
    const TCase cases[] = {
        {std::string("abc\0def", 7), 0, "abc"},
        {"\xC3\xA9\xC3\xA9\xC3\xA9", 3, "\xC3\xA9"},
        {"\xC3\xA9\xC3\xA9\xC3\xA9", 4, "\xC3\xA9\xC3\xA9"},
        {"a\xE2\x82\xAC!", 3, "a"},
        {"a\xE2\x82\xAC!", 4, "a\xE2\x82\xAC"},
        {"x\xFF\xFE\x80", 0, "x\xFF\xFE\x80"},
        {"x\xFF\xFE\x80", 3, "x\xFF\xFE"},
        {std::string("ab\0\xC3\xA9", 5), 4, "ab"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Text + " limit " + std::to_string(c.Limit));
        SetStream(file, "Text", c.Value);
        FunStatContext.Reset(fsPerfect);
        EXPECT_EQ(GetTextFromFileStream(file, "Text", c.Limit), c.Text);
        EXPECT_FALSE(FunStatContext.IsError());
    }
}

TEST_F(FileStreamTest, DescriptionFallsBackToTheXdgComment)
{
    TTempDir dir;
    for (const char *name : {"both", "comment", "neither"})
        dir.WriteFile(name, "x");
    SetStream(dir / "both", "Description", "mine");
    SetStream(dir / "both", "xdg.comment", "theirs");
    SetStream(dir / "comment", "xdg.comment", "theirs");
    EXPECT_EQ(GetFileDescription(dir / "both", 1000), "mine");
    EXPECT_EQ(GetFileDescription(dir / "comment", 1000), "theirs");
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_EQ(GetFileDescription(dir / "comment", 3), "the");
    ExpectWarning("Stream size too big.");

    FunStatContext.Reset(fsPerfect);
    EXPECT_EQ(GetFileDescription(dir / "neither", 1000), "");
    ExpectFailure("Failed to open file.", dir / "neither", ENODATA);
    EXPECT_EQ(FunStatContext.parameter2, "Description");
}

TEST_F(FileStreamTest, CopyStreamsCarriesEveryStreamButNotOntoTheSameFile)
{
    TTempDir dir;
    dir.WriteFile("source", "source content");
    dir.WriteFile("destination", "destination content");
    const std::string source = dir / "source", destination = dir / "destination";
    const std::vector<std::pair<std::string, std::string>> streams = {
        {"Description", "copied"},
        {"line\nbreak", "v\n1"},
        {"\xFF\xFE", std::string("binary\0value\x80", 13)},
        {"empty", ""},
    };
    for (const auto &[name, value] : streams)
        SetStream(source, name, value);
    SetStream(destination, "Own", "own value");
    SetStream(destination, "Description", "old");

    CopyFileStreams(source, destination);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    for (const auto &[name, value] : streams)
        EXPECT_EQ(StreamOf(destination, name), value) << name;
    EXPECT_EQ(StreamOf(destination, "Own"), "own value");
    EXPECT_EQ(GetFileStreamsCount(destination), 5);
    EXPECT_EQ(dir.ReadFile("destination"), "destination content");
    EXPECT_EQ(dir.ReadFile("source"), "source content");

    // Onto the same file, also through a hard link, nothing is done (as nobody below, nothing
    // is even tried).
    std::filesystem::create_hard_link(source, dir / "link");
    for (const std::string &same : {source, dir / "link"}) {
        SCOPED_TRACE(same);
        CopyFileStreams(source, same);
        EXPECT_EQ(FunStatContext.status, fsPerfect);
        EXPECT_EQ(SortedNames(source).size(), streams.size());
    }
}

TEST_F(FileStreamTest, CopyOneStreamOntoAnExistingOne)
{
    TTempDir dir;
    dir.WriteFile("source", "attached content");
    dir.WriteFile("destination", "destination content");
    dir.WriteFile("large", Pattern(2500000));
    dir.WriteFile("copy", "short");
    const std::string source = dir / "source", destination = dir / "destination";
    SetStream(source, "Description", "described");

    CopyFileStream(source, "Description", destination, "Missing");
    ExpectFailure("Failed to open file.", source, ENODATA);
    EXPECT_EQ(FunStatContext.parameter2, destination);
    EXPECT_EQ(StreamOf(destination, "Missing"), "<missing>");

    FunStatContext.Reset(fsPerfect);
    AddFileStream(destination, "Attached");
    CopyFileStream(source, "", destination, "Attached");
    EXPECT_EQ(StreamOf(destination, "Attached"), "attached content");
    CopyFileStream(source, "Description", destination, "");
    EXPECT_EQ(dir.ReadFile("destination"), "described");
    EXPECT_EQ(StreamOf(destination, "Attached"), "attached content");
    SetStream(dir / "copy", "Keep", "kept");
    CopyFileStream(dir / "large", "", dir / "copy", "");
    EXPECT_EQ(dir.ReadFile("copy"), Pattern(2500000)) << "copied through three buffer fills";
    EXPECT_EQ(StreamOf(dir / "copy", "Keep"), "kept");
    EXPECT_EQ(FunStatContext.status, fsPerfect);

    struct TCase
    {
        std::string Source, SourceStream, Destination, DestinationStream, Words;
        int Code;
    };
    const TCase failures[] = {
        {dir / "missing", "", destination, "Attached", "Failed to open file.", ENOENT},
        {source, "Nothing", destination, "Attached", "Failed to open file.", ENODATA},
        {dir / "large", "", destination, "Attached", "Failed to write data.", E2BIG},
        {source, "", dir / "missing", "", "Failed to open file.", ENOENT},
        {source, "", source, "", "Failed to open file.", EBUSY},
    };
    for (const TCase &c : failures) {
        SCOPED_TRACE(c.Source + ":" + c.SourceStream + " -> " + c.Destination + ":" +
                     c.DestinationStream);
        FunStatContext.Reset(fsPerfect);
        CopyFileStream(c.Source, c.SourceStream, c.Destination, c.DestinationStream);
        ExpectFailure(c.Words, c.Source, c.Code);
        EXPECT_EQ(FunStatContext.parameter2, c.Destination);
    }
    EXPECT_EQ(StreamOf(destination, "Attached"), "attached content");
    EXPECT_EQ(dir.ReadFile("source"), "attached content");
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST_F(FileStreamTest, RefusedValueChangesNothing)
{
    TTempDir dir;
    dir.WriteFile("f", "content");
    const std::string file = dir / "f";
    SetStream(file, "Keep", "kept");
    SetStream(file, "Big", "small");
    const std::vector<std::string> before = SortedNames(file);
    struct TCase
    {
        std::size_t Size;
        int Code;
    };
    std::string accepted;
    for (const TCase &c : {TCase{5000, ENOSPC}, TCase{70000, E2BIG}}) {
        SCOPED_TRACE(c.Size);
        FunStatContext.Reset(fsPerfect);
        WriteFileStream(file, "Big", Pattern(c.Size));
        if (c.Code == ENOSPC && FunStatContext.status == fsPerfect) {
            accepted = "the file system of " + dir.Path() + " holds a 5,000-byte stream";
            SetStream(file, "Big", "small");
            continue;
        }
        ExpectFailure("Failed to write data.", file, c.Code);
        EXPECT_EQ(FunStatContext.parameter2, "Big");
        EXPECT_EQ(StreamOf(file, "Big"), "small");
        EXPECT_EQ(StreamOf(file, "Keep"), "kept");
        EXPECT_EQ(SortedNames(file), before);
        EXPECT_EQ(dir.ReadFile("f"), "content");
    }
    if (!accepted.empty()) GTEST_SKIP() << accepted;

    // A refused copy leaves no empty stream behind at the destination.
    dir.WriteFile("g", "other");
    SetStream(dir / "g", "Large", Pattern(3000));
    SetStream(file, "Big", Pattern(2000));
    FunStatContext.Reset(fsPerfect);
    CopyFileStreams(dir / "g", file);
    ExpectFailure("Failed to write data.", dir / "g", ENOSPC);
    EXPECT_EQ(FunStatContext.parameter2, file);
    EXPECT_EQ(StreamOf(file, "Large"), "<missing>");
    EXPECT_EQ(StreamOf(file, "Big"), Pattern(2000));
    EXPECT_EQ(dir.ReadFile("f"), "content");
}

TEST_F(FileStreamTest, FilesThatKeepNoStreamsRefuse)
{
    TTempDir dir;
    dir.WriteFile("source", "x");
    SetStream(dir / "source", "Description", "d");
    ASSERT_EQ(mkfifo((dir / "pipe").c_str(), 0600), 0);
    // A pipe holds no user attributes on any file system; procfs holds none at all.
    const std::string pipe = dir / "pipe", proc = "/proc/self/comm";
    if (Platform::WriteUserAttribute(proc, "Probe", "1"))
        GTEST_SKIP() << proc << " accepts user attributes on this kernel";
    struct TCase
    {
        std::string File;
        std::function<void(const std::string &)> Call;
        std::string Words;
        int Code;
    };
    const TCase cases[] = {
        {pipe, [](const std::string &f) { AddFileStream(f, "S"); }, "Failed to open file.", EPERM},
        {proc,
         [](const std::string &f) { AddFileStream(f, "S"); },
         "Failed to open file.",
         ENOTSUP},
        {proc,
         [](const std::string &f) { GetFileStreamSize(f, "S"); },
         "Failed to open file.",
         ENOTSUP},
        {proc,
         [](const std::string &f) { GetTextFromFileStream(f, "Description", 0); },
         "Failed to open file.",
         ENOTSUP},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.File);
        FunStatContext.Reset(fsPerfect);
        c.Call(c.File);
        ExpectFailure(c.Words, c.File, c.Code);
    }
    for (const auto &[target, code] : {std::pair{pipe, EPERM}, std::pair{proc, ENOTSUP}}) {
        SCOPED_TRACE(target);
        FunStatContext.Reset(fsPerfect);
        CopyFileStreams(dir / "source", target);
        ExpectFailure("Failed to write data.", dir / "source", code);
        EXPECT_EQ(FunStatContext.parameter2, target);
    }
}

TEST_F(FileStreamTest, MissingAndUnwritableFilesFail)
{
    TTempDir dir;
    dir.WriteFile("f", "content");
    const std::string file = dir / "f", missing = dir / "missing";
    SetStream(file, "Keep", "kept");
    struct TCase
    {
        const char *Label;
        std::function<void()> Call;
        const char *Words;
    };
    std::uint64_t size = 0;
    std::string buffer;
    const TCase cases[] = {
        {"count", [&] { GetFileStreamsCount(missing); }, "Failed to open file."},
        {"size", [&] { GetFileStreamsSize(missing); }, "Failed to open file."},
        {"content size", [&] { GetFileStreamSize(missing, ""); }, "Failed to open file."},
        {"stream size", [&] { GetFileStreamSize(missing, "Keep"); }, "Failed to open file."},
        {"add", [&] { AddFileStream(missing, "Keep"); }, "Failed to open file."},
        {"delete", [&] { DeleteFileStream(missing, "Keep"); }, "Failed to delete file."},
        {"read",
         [&] { ReadFileStream(missing, "Keep", false, 0, size, buffer); },
         "Failed to open file."},
        {"read content",
         [&] { ReadFileStream(missing, "", false, 0, size, buffer); },
         "Failed to open file."},
        {"description", [&] { GetFileDescription(missing, 1000); }, "Failed to open file."},
        {"write", [&] { WriteFileStream(missing, "Keep", "v", -1); }, "Failed to open file."},
        {"write content", [&] { WriteFileStream(missing, "", "v", -1); }, "Failed to open file."},
        {"copy", [&] { CopyFileStream(missing, "Keep", file, "Keep"); }, "Failed to open file."},
        {"copy all", [&] { CopyFileStreams(missing, file); }, "Failed to open file."},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Label);
        FunStatContext.Reset(fsPerfect);
        c.Call();
        ExpectFailure(c.Words, missing, ENOENT);
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(StreamOf(file, "Keep"), "kept");

    // As nobody: the files belong to another user and may be read, not written.
    dir.WriteFile("other", "other");
    std::filesystem::permissions(dir.Path(), std::filesystem::perms(0755));
    std::filesystem::permissions(file, std::filesystem::perms(0644));
    std::filesystem::permissions(dir / "other", std::filesystem::perms(0644));
    std::filesystem::create_hard_link(file, dir / "link");
    const passwd *nobody = getpwnam("nobody");
    struct TCheck
    {
        std::function<void()> Call;
        const char *Words; // null: no failure
        int Code;
    };
    const TCheck checks[] = {
        {[&] { WriteFileStream(file, "Keep", "changed"); }, "Failed to write data.", EACCES},
        {[&] { AddFileStream(file, "New"); }, "Failed to open file.", EACCES},
        {[&] { DeleteFileStream(file, "Keep"); }, "Failed to delete file.", EACCES},
        {[&] { WriteFileStream(file, "", "changed"); }, "Failed to open file.", EACCES},
        {[&] { CopyFileStreams(file, dir / "other"); }, "Failed to write data.", EACCES},
        {[&] { CopyFileStreams(file, file); }, nullptr, 0},
        {[&] { CopyFileStreams(file, dir / "link"); }, nullptr, 0},
        {[&] { GetTextFromFileStream(file, "Keep", 0); }, nullptr, 0},
    };
    const int result = RunAsNobody([&] {
        if (!nobody || getuid() != nobody->pw_uid) return 100;
        for (std::size_t i = 0; i < std::size(checks); ++i) {
            FunStatContext.Reset(fsPerfect);
            checks[i].Call();
            const bool expected = checks[i].Words
                                      ? FunStatContext.description == checks[i].Words &&
                                            FunStatContext.systemErrorCode == checks[i].Code &&
                                            FunStatContext.parameter1 == file
                                      : FunStatContext.status == fsPerfect;
            if (!expected) return static_cast<int>(i) + 1;
        }
        return 0;
    });
    if (result == -1 || result == 100) GTEST_SKIP() << "this machine cannot run a check as nobody";
    EXPECT_EQ(result, 0) << "check " << result << " of the unwritable file failed";
    EXPECT_EQ(StreamOf(file, "Keep"), "kept");
    EXPECT_EQ(StreamOf(file, "New"), "<missing>");
    EXPECT_EQ(dir.ReadFile("f"), "content");
    EXPECT_EQ(SortedNames(dir / "other"), std::vector<std::string>());
}

TEST_F(FileStreamTest, OddNamesAndValuesDoNotCrash)
{
    TTempDir dir;
    dir.WriteFile("f", "content");
    const std::string file = dir / "f";
    const std::string value("nul\0inside\nnewline\r\xFF\xFE\x80", 22);
    struct TCase
    {
        std::string Name;
        int Code; // 0: accepted
    };
    const TCase cases[] = {
        {"line\nbreak", 0},
        {"\xFF\xFE\x80", 0},
        {"tab\tand spaces ", 0},
        {"\xC3\xBCn\xC3\xAF", 0},
        {std::string(250, 'n'), 0},
        {std::string(251, 'n'), ERANGE},
        {std::string("a\0b", 3), EINVAL},
        {"", EINVAL},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Name));
        FunStatContext.Reset(fsPerfect);
        AddFileStream(file, c.Name);
        if (c.Code != 0) {
            ExpectFailure("Failed to open file.", file, c.Code);
            FunStatContext.Reset(fsPerfect);
            DeleteFileStream(file, c.Name);
            ExpectFailure("Failed to delete file.", file, c.Code);
            EXPECT_EQ(SortedNames(file), std::vector<std::string>()) << "nothing was created";
            continue;
        }
        WriteFileStream(file, c.Name, value);
        std::uint64_t size = 0;
        std::string buffer;
        ReadFileStream(file, c.Name, false, 0, size, buffer);
        EXPECT_EQ(buffer, value);
        EXPECT_EQ(GetTextFromFileStream(file, c.Name, 0), "nul");
        std::vector<std::string> names;
        EXPECT_EQ(GetFileStreamNames(file, names), 1);
        EXPECT_EQ(names, std::vector<std::string>{c.Name});
        DeleteFileStream(file, c.Name);
        EXPECT_EQ(FunStatContext.status, fsPerfect);
    }
    std::uint64_t size = 0;
    std::string buffer;
    ReadFileStream(file, std::string("a\0b", 3), true, 0, size, buffer);
    ExpectFailure("Failed to open file.", file, EINVAL);
    AddFileStream(file, "x");
    FunStatContext.Reset(fsPerfect);
    WriteFileStream(file, "x", nullptr, 5);
    ExpectFailure("Failed to write data.", file, EINVAL);
    FunStatContext.Reset(fsPerfect);
    WriteFileStream(file, "x", nullptr, -1);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_EQ(StreamOf(file, "x"), "");
    EXPECT_EQ(dir.ReadFile("f"), "content");
}


TEST_F(FileStreamTest, WritingTheMainStreamOnAFullDiskKeepsTheOldFile)
{
    TTempDir dir;
    TSmallDisk small(dir / "small", "128k");
    if (!small.Mounted) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
    const std::string file = dir / "small/notes.txt";
    const std::string old = Pattern(40000);
    dir.WriteFile("small/notes.txt", old);
    SetStream(file, "Description", "kept");
    ::chmod(file.c_str(), 0640);
    dir.WriteFile("attached.bin", std::string(60000, 'n'));
    small.FillUp();
    struct TCase
    {
        const char *Label;
        std::function<void()> Call;
    };
    const TCase cases[] = {
        {"write", [&] { WriteFileStream(file, "", std::string(60000, 'w')); }},
        {"copy", [&] { CopyFileStream(dir / "attached.bin", "", file, ""); }},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Label);
        FunStatContext.Reset(fsPerfect);
        c.Call();
        EXPECT_EQ(FunStatContext.description, "Failed to write data.");
        EXPECT_EQ(FunStatContext.systemErrorCode, ENOSPC);
        EXPECT_EQ(dir.ReadFile("small/notes.txt"), old) << "the old content stays whole";
        EXPECT_EQ(StreamOf(file, "Description"), "kept");
    }
    for (const auto &entry : std::filesystem::directory_iterator(dir / "small"))
        EXPECT_NE(entry.path().filename().string().rfind(".velmordian", 0), 0u) << entry.path();

    // With room the new content takes the file's place with its mode and streams; a symbolic
    // link to the file stays a link to it.
    std::filesystem::remove(dir / "small/filler");
    std::filesystem::create_symlink("small/notes.txt", dir / "link");
    WriteFileStream(dir / "link", "", "new content");
    EXPECT_EQ(FunStatContext.status, fsPerfect) << FunStatContext.description;
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link"));
    EXPECT_EQ(dir.ReadFile("small/notes.txt"), "new content");
    EXPECT_EQ(StreamOf(file, "Description"), "kept");
    struct stat info{};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    CopyFileStream(dir / "attached.bin", "", dir / "link", "");
    EXPECT_EQ(FunStatContext.status, fsPerfect) << FunStatContext.description;
    EXPECT_EQ(dir.ReadFile("small/notes.txt"), std::string(60000, 'n'));
    EXPECT_EQ(StreamOf(file, "Description"), "kept");
}

} // namespace
