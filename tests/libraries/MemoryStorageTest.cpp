// Byte buffers, typed records and storage files on real files.
#include "Libraries/MemoryStorage.h"

#include "tests/support/TestSupport.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using MemoryStorageTest = TStatusTest;
using StreamStorageTest = TStatusTest;
using FileStorageTest = TStatusTest;

std::string Bytes(std::initializer_list<int> values)
{
    std::string text;
    for (int value : values)
        text += static_cast<char>(value);
    return text;
}

std::string Hex(const std::string &bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned char c : bytes) {
        text += digits[c >> 4];
        text += digits[c & 15];
    }
    return text;
}

void ExpectPerfect()
{
    EXPECT_EQ(FunStatContext.status, fsPerfect) << FunStatContext.description;
}

void ExpectPanic(const std::string &description)
{
    EXPECT_EQ(FunStatContext.status, fsPanic);
    EXPECT_EQ(FunStatContext.description, description);
}

// A storage that holds the given bytes, read from the start.
void Fill(TStreamStorage &storage, const std::string &bytes)
{
    storage.WriteObject(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    ASSERT_EQ(FunStatContext.status, fsPerfect);
}

// ---- Capacity policy --------------------------------------------------------------------------

TEST_F(MemoryStorageTest, CapacityIsThePowerOfTwoAboveTheSizeWithAFloorOf256)
{
    struct TCase
    {
        std::int32_t Size;
        std::int32_t Capacity;
    };
    const TCase cases[] = {
        {0, 256},
        {1, 256},
        {255, 256},
        {256, 512},
        {257, 512},
        {100, 256},
        {511, 512},
        {512, 1024},
        {1000, 1024},
        {1024, 2048},
        {65535, 65536},
        {65536, 131072},
        {0, 256},
    };
    TMemoryStorage storage;
    EXPECT_EQ(storage.Capacity(), 0);
    EXPECT_EQ(storage.MinimumCapacity(), 256);
    EXPECT_EQ(storage.Data(), nullptr);
    for (const TCase &c : cases) {
        SCOPED_TRACE("Resize(" + std::to_string(c.Size) + ")");
        storage.Resize(c.Size);
        ExpectPerfect();
        EXPECT_EQ(storage.Size(), c.Size);
        EXPECT_EQ(storage.Capacity(), c.Capacity);
        EXPECT_NE(storage.Data(), nullptr) << "only Clear frees the block";
    }
    storage.Clear();
    EXPECT_EQ(storage.Capacity(), 0);
    EXPECT_EQ(storage.Size(), 0);
    EXPECT_EQ(storage.Data(), nullptr);
    EXPECT_TRUE(Window.Memos.empty());
}

TEST_F(MemoryStorageTest, GrowingAndShrinkingKeepTheBytesThatFit)
{
    TMemoryStorage storage;
    storage.AddText("0123456789", false);
    storage.Resize(257);
    EXPECT_EQ(storage.Capacity(), 512);
    EXPECT_EQ(storage.Text(), std::string("0123456789") + std::string(247, '\0'))
        << "the new bytes are zero";
    storage.Resize(100);
    EXPECT_EQ(storage.Capacity(), 256);
    EXPECT_EQ(storage.Text().substr(0, 10), "0123456789");

    storage.Recapacitate(4);
    EXPECT_EQ(storage.Capacity(), 4);
    EXPECT_EQ(storage.Size(), 4) << "the size never exceeds the capacity";
    EXPECT_EQ(storage.Text(), "0123");
    storage.Recapacitate(4);
    ExpectPerfect();
    storage.Recapacitate(0);
    EXPECT_EQ(storage.Data(), nullptr);
    EXPECT_EQ(storage.Size(), 0);
    ExpectPerfect();
}

TEST_F(MemoryStorageTest, NegativeSizesAndCapacitiesPanicAndChangeNothing)
{
    struct TCase
    {
        const char *Name;
        std::function<void(TMemoryStorage &)> Call;
        const char *Description;
        const char *Function;
    };
    const TCase cases[] = {
        {"Resize(-1)",
         [](TMemoryStorage &s) { s.Resize(-1); },
         "Size must be positive.",
         "TMemoryStorage::Resize"},
        {"Recapacitate(-1)",
         [](TMemoryStorage &s) { s.Recapacitate(-1); },
         "Capacity must be positive.",
         "TMemoryStorage::Recapacitate"},
        {"AddSize(-20)",
         [](TMemoryStorage &s) { s.AddSize(-20); },
         "Size must be positive.",
         "TMemoryStorage::Resize"},
        {"AddSize beyond 32 bits",
         [](TMemoryStorage &s) { s.AddSize(std::numeric_limits<std::int32_t>::max()); },
         "Size must be positive.",
         "TMemoryStorage::Resize"},
        {"AddStrCount beyond 32 bits",
         [](TMemoryStorage &s) { s.AddStrCount("abc", 1 << 30); },
         "Size must be positive.",
         "TMemoryStorage::Resize"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        Window.Memos.clear();
        FunStatContext.Reset(fsPerfect);
        TMemoryStorage storage;
        storage.AddText("keep", false);
        c.Call(storage);
        ExpectPanic(c.Description);
        EXPECT_EQ(FunStatContext.function, c.Function);
        EXPECT_EQ(ShownErrors(), std::vector<std::string>{std::string("PANIC: ") + c.Description})
            << "a panic is shown at once";
        EXPECT_EQ(storage.Text(), "keep");
        EXPECT_EQ(storage.Capacity(), 256);
    }
}

TEST_F(MemoryStorageTest, AppendsFollowTheirEmptyTextRules)
{
    TMemoryStorage storage;
    storage.AddObject("ab", 2);
    storage.AddChar('c');
    storage.AddNull();
    storage.AddStrCount("xy", 3);
    storage.AddStrCount(nullptr, 3);
    storage.AddStrCount("", 3);
    storage.AddStrCount("z", 0);
    storage.AddText("t", true);
    storage.AddText("u", false);
    storage.AddText("", true);
    storage.AddTextEOL("");
    storage.AddTextEOL("line");
    storage.AddObject("never", 0);
    ExpectPerfect();
    EXPECT_EQ(storage.Text(), std::string("abc\0xyxyxyt\0uline\r\n", 19));

    storage.Resize(0);
    storage.AddText("x", true);
    EXPECT_EQ(storage.Text(), std::string("x\0", 2)) << "the terminator is written, not assumed";

    storage.Clear();
    storage.AddText("Mixed case \xC3\xA9 z09", false);
    storage.UpperCase();
    EXPECT_EQ(storage.Text(), "MIXED CASE \xC3\xA9 Z09") << "ASCII letters only";
}

TEST_F(MemoryStorageTest, AppendingByteByByteGrowsByPowersOfTwo)
{
    TMemoryStorage storage;
    std::string expected;
    for (int i = 0; i < 100000; ++i) {
        const char c = static_cast<char>('a' + i % 26);
        storage.AddChar(c);
        expected += c;
    }
    ExpectPerfect();
    EXPECT_EQ(storage.Size(), 100000);
    EXPECT_EQ(storage.Capacity(), 131072);
    EXPECT_EQ(storage.Text(), expected);
}

TEST_F(MemoryStorageTest, AFailedAllocationKeepsTheOldBlock)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address sanitizer cannot run under an address-space limit";
#else
    // The limit lives in a child process so the test binary keeps its address space.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const rlimit limit{512u << 20, 512u << 20};
        if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(100);
        TMemoryStorage storage;
        storage.AddText("kept", false);
        FunStatContext.Reset(fsPerfect);
        storage.Resize(1 << 30);
        const bool ok = FunStatContext.status == fsError &&
                        FunStatContext.description.rfind("Unhandled exception: ", 0) == 0 &&
                        storage.Size() == 4 && storage.Capacity() == 256 &&
                        storage.Text() == "kept";
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 100) GTEST_SKIP() << "cannot limit the address space here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
#endif
}

// ---- Typed records ------------------------------------------------------------------------------

TEST_F(StreamStorageTest, RecordsAreLittleEndianFixedWidths)
{
    TStreamStorage storage;
    storage.WriteChar('A');
    storage.WriteBool(true);
    storage.WriteBool(false);
    storage.WriteInt(0x01020304);
    storage.WriteInt(-2);
    storage.WriteInt64(0x0102030405060708LL);
    storage.WriteText("abc");
    storage.WriteText("");
    ExpectPerfect();
    EXPECT_EQ(Hex(storage.Text()),
              "41"
              "01"
              "00"
              "04030201"
              "FEFFFFFF"
              "0807060504030201"
              "03000000616263"
              "00000000");
}

TEST_F(StreamStorageTest, EveryRecordTypeReadsBackInOrder)
{
    const std::string longest(65535, 'x');
    const std::string utf8 = "\xC3\xA9t\xC3\xA9 \xE2\x82\xAC";
    TStreamStorage storage;
    storage.WriteChar('\xFF');
    storage.WriteBool(true);
    storage.WriteBool(false);
    storage.WriteInt(std::numeric_limits<std::int32_t>::min());
    storage.WriteInt(std::numeric_limits<std::int32_t>::max());
    storage.WriteInt64(std::numeric_limits<std::int64_t>::min());
    storage.WriteInt64(0x123456789ABCDEF0LL);
    storage.WriteText(utf8);
    storage.WriteText("");
    storage.WriteText(longest);
    storage.WriteObject("raw", 3);
    ExpectPerfect();

    char c = 0;
    bool yes = false, no = true;
    std::int32_t low = 0, high = 0;
    std::int64_t low64 = 0, big = 0;
    std::string text, empty = "default", full;
    char raw[3] = {};
    storage.ReadChar(c);
    storage.ReadBool(yes);
    storage.ReadBool(no);
    storage.ReadInt(low, std::numeric_limits<std::int32_t>::min(), 0);
    storage.ReadInt(high, 0, std::numeric_limits<std::int32_t>::max());
    storage.ReadInt64(low64, std::numeric_limits<std::int64_t>::min(), 0);
    storage.ReadInt64(big, 0, std::numeric_limits<std::int64_t>::max());
    storage.ReadText(text, 7, false);
    storage.ReadText(empty, 10, true);
    storage.ReadText(full, 65535, false);
    storage.ReadObject(raw, 3);
    ExpectPerfect();
    EXPECT_EQ(c, '\xFF');
    EXPECT_TRUE(yes);
    EXPECT_FALSE(no);
    EXPECT_EQ(low, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(high, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(low64, std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(big, 0x123456789ABCDEF0LL);
    EXPECT_EQ(text, utf8) << "7 characters in 11 bytes fit a maximum of 7";
    EXPECT_EQ(empty, "");
    EXPECT_EQ(full, longest);
    EXPECT_EQ(std::string(raw, 3), "raw");
    EXPECT_EQ(storage.Position(), storage.Size());
}

TEST_F(StreamStorageTest, OutOfRangeValuesKeepTheTargetAndStillAdvance)
{
    TStreamStorage storage;
    storage.WriteInt(11);
    storage.WriteInt64(-1);
    storage.WriteChar('\2');
    std::int32_t value = 5;
    std::int64_t value64 = 7;
    bool truth = true;
    storage.ReadInt(value, 1, 10);
    EXPECT_EQ(value, 5);
    EXPECT_EQ(storage.Position(), 4);
    storage.ReadInt64(value64, 0, std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(value64, 7);
    EXPECT_EQ(storage.Position(), 12);
    storage.ReadBool(truth);
    EXPECT_TRUE(truth) << "a byte other than 0 or 1 is not a truth value";
    EXPECT_EQ(storage.Position(), 13);
    ExpectPerfect();
}

TEST_F(StreamStorageTest, ReadingAnEmptyStorageKeepsEveryTargetAndIsPerfect)
{
    TStreamStorage storage;
    char c = 'k';
    bool truth = true;
    std::int32_t value = 42;
    std::int64_t value64 = 43;
    std::string text = "kept";
    char buffer[4] = {'a', 'b', 'c', 'd'};
    storage.ReadChar(c);
    storage.ReadBool(truth);
    storage.ReadInt(value, 0, 100);
    storage.ReadInt64(value64, 0, 100);
    storage.ReadText(text, 100, true);
    storage.ReadObject(buffer, 4);
    ExpectPerfect();
    EXPECT_EQ(c, 'k');
    EXPECT_TRUE(truth);
    EXPECT_EQ(value, 42);
    EXPECT_EQ(value64, 43);
    EXPECT_EQ(text, "kept");
    EXPECT_EQ(std::string(buffer, 4), "abcd");
    EXPECT_TRUE(Window.Memos.empty());
}

TEST_F(StreamStorageTest, ReadingPastTheEndPanicsWithTheCountAndTheSize)
{
    TStreamStorage storage;
    Fill(storage, "ab");
    std::int32_t value = 9;
    storage.ReadInt(value, 0, 100);
    ExpectPanic("Data too long.");
    EXPECT_EQ(FunStatContext.function, "TStreamStorage::ReadObject");
    EXPECT_EQ(FunStatContext.parameter1, "4");
    EXPECT_EQ(FunStatContext.parameter2, "2");
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"PANIC: Data too long."});
    EXPECT_EQ(value, 9);
    EXPECT_EQ(storage.Position(), 0) << "nothing is read";
}

TEST_F(StreamStorageTest, TextRecordsFollowTheLengthRules)
{
    struct TCase
    {
        const char *Name;
        std::string Bytes;
        std::int32_t Maximum;
        bool AcceptEmpty;
        const char *Expected; // the target afterwards, "old" at the start
        std::int32_t Position;
        const char *Error; // description and parameters, or null
        const char *Parameter1;
        const char *Parameter2;
    };
    const TCase cases[] = {
        {"empty, accepted", Bytes({0, 0, 0, 0}), 10, true, "", 4, nullptr, "", ""},
        {"empty, refused", Bytes({0, 0, 0, 0}), 10, false, "old", 4, nullptr, "", ""},
        {"negative length",
         Bytes({0xFF, 0xFF, 0xFF, 0xFF, 'a'}),
         10,
         true,
         "old",
         4,
         nullptr,
         "",
         ""},
        {"at the maximum", Bytes({3, 0, 0, 0, 'a', 'b', 'c'}), 3, false, "abc", 7, nullptr, "", ""},
        {"over the maximum",
         Bytes({3, 0, 0, 0, 'a', 'b', 'c'}),
         2,
         false,
         "old",
         4,
         "Text too long.",
         "3",
         "2"},
        {"characters, not bytes",
         Bytes({4, 0, 0, 0, 0xC3, 0xA9, 0xC3, 0xA9}),
         2,
         false,
         "\xC3\xA9\xC3\xA9",
         8,
         nullptr,
         "",
         ""},
        {"one character too many",
         Bytes({4, 0, 0, 0, 0xC3, 0xA9, 0xC3, 0xA9}),
         1,
         false,
         "old",
         4,
         "Text too long.",
         "4",
         "1"},
        {"65535 claimed past the end",
         Bytes({0xFF, 0xFF, 0, 0, 'a', 'b', 'c'}),
         65535,
         true,
         "old",
         4,
         "Text too long.",
         "65535",
         "65535"},
        {"one byte short",
         Bytes({4, 0, 0, 0, 'a', 'b', 'c'}),
         255,
         true,
         "old",
         4,
         "Text too long.",
         "4",
         "255"},
        {"huge length",
         Bytes({0xFF, 0xFF, 0xFF, 0x7F}),
         255,
         true,
         "old",
         4,
         "Text too long.",
         "2147483647",
         "255"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        FunStatContext.Reset(fsPerfect);
        TStreamStorage storage;
        Fill(storage, c.Bytes);
        std::string target = "old";
        storage.ReadText(target, c.Maximum, c.AcceptEmpty);
        EXPECT_EQ(target, c.Expected);
        EXPECT_EQ(storage.Position(), c.Position);
        if (c.Error) {
            EXPECT_EQ(FunStatContext.status, fsError);
            EXPECT_EQ(FunStatContext.description, c.Error);
            EXPECT_EQ(FunStatContext.parameter1, c.Parameter1);
            EXPECT_EQ(FunStatContext.parameter2, c.Parameter2);
        } else {
            ExpectPerfect();
        }
    }
    EXPECT_TRUE(Window.Memos.empty()) << "a refused text record is reported by the caller";
}

TEST_F(StreamStorageTest, ALengthCutShortPanicsAndKeepsTheText)
{
    TStreamStorage storage;
    Fill(storage, Bytes({3, 0}));
    std::string target = "old";
    storage.ReadText(target, 10, true);
    ExpectPanic("Data too long.");
    EXPECT_EQ(target, "old");
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"PANIC: Data too long."});
}

TEST_F(StreamStorageTest, WritingATextOf65536BytesPanicsAndWritesNothing)
{
    TStreamStorage storage;
    storage.WriteText(std::string(65535, 'a'));
    ExpectPerfect();
    EXPECT_EQ(storage.Size(), 4 + 65535);
    storage.WriteText(std::string(65536, 'b'));
    ExpectPanic("Text too long.");
    EXPECT_EQ(FunStatContext.parameter1, "65536");
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"PANIC: Text too long."});
    EXPECT_EQ(storage.Size(), 4 + 65535);
}

// ---- Integrity check ----------------------------------------------------------------------------

TEST(StorageIntegrityTest, SeedAndChecksumGiveTheKnownValues)
{
    const std::uint32_t seed = SignatureSeed("abc");
    EXPECT_EQ(seed, 0x23C403C3u);
    EXPECT_EQ(PayloadChecksum("", 0, seed), 0x23C403C3u) << "an empty payload gives the seed";
    EXPECT_EQ(PayloadChecksum("abc", 3, seed), 0x4203EBD6u);
    EXPECT_EQ(SignatureSeed(""), 0u);
    // Bytes from 128 up are sign-extended, whatever the signedness of char.
    EXPECT_EQ(SignatureSeed("\xC3\xA9\xE2\x82\xAC"), 0x2C544093u);
    std::string every(256, '\0');
    for (int i = 0; i < 256; ++i)
        every[static_cast<std::size_t>(i)] = static_cast<char>(i);
    EXPECT_EQ(PayloadChecksum(every.data(), 256, SignatureSeed("Velmordian Options")), 0xDAEA3E6Au)
        << "bytes from 128 up are not sign-extended in the payload";
}

// ---- Storage files
// --------------------------------------------------------------------------------

// A storage of signature "abc", version 4, whose records are a text and an integer.
struct TSample
{
    TFileStorage Storage;
    std::string Text = "hello";
    std::int32_t Number = 1234;
    int Loads = 0;
    std::int32_t LoadedVersion = -1;

    explicit TSample(const std::string &file)
    {
        Storage.fileName = file;
        Storage.signature = "abc";
        Storage.version = 4;
        Storage.OnSave = [this](TStreamStorage &s) {
            s.WriteText(Text);
            s.WriteInt(Number);
        };
        Storage.OnLoad = [this](TStreamStorage &s, std::int32_t version) {
            ++Loads;
            LoadedVersion = version;
            s.ReadText(Text, 255, true);
            s.ReadInt(Number, 0, 100000);
        };
    }
};

std::string ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

TEST_F(FileStorageTest, SaveWritesTheHeaderAndThePayloadByteForByte)
{
    TTempDir dir;
    const std::string file = dir / "options.dat";
    WriteBytes(file, std::string(1000, 'o'));
    TFileStorage storage;
    storage.fileName = file;
    storage.signature = "abc";
    storage.version = 4;
    storage.OnSave = [](TStreamStorage &s) { s.WriteObject("abc", 3); };
    EXPECT_TRUE(storage.Save(false));
    ExpectPerfect();
    EXPECT_EQ(Hex(ReadBytes(file)),
              "D6EB0342" // check
              "616263" +
                  std::string(58, '0') + // signature
                  "04000000"             // version
                  "0000000000000000"     // reserved
                  "616263")              // payload
        << "a longer old file is cut to 48 + the payload";
    EXPECT_EQ(storage.Size(), 0) << "the buffer only carries data to the file";
    EXPECT_TRUE(Window.Memos.empty());
    EXPECT_TRUE(Boxes.Shown.empty()) << "no question without askBeforeOverwrite";
}

TEST_F(FileStorageTest, RecordsSurviveASaveAndALoad)
{
    TTempDir dir;
    const std::string file = dir / "options.dat";
    TFileStorage out;
    out.fileName = file;
    out.signature = "Velmordian Options";
    out.version = 4;
    out.OnSave = [](TStreamStorage &s) {
        s.WriteChar('z');
        s.WriteBool(true);
        s.WriteInt(-7);
        s.WriteInt64(1LL << 40);
        s.WriteText("\xC3\xA9t\xC3\xA9");
        s.WriteText("");
    };
    ASSERT_TRUE(out.Save(false));

    TFileStorage in;
    in.fileName = file;
    in.signature = "Velmordian Options";
    in.version = 9;
    char c = 0;
    bool truth = false;
    std::int32_t value = 0;
    std::int64_t value64 = 0;
    std::string text, empty = "x";
    std::int32_t seen = -1;
    in.OnLoad = [&](TStreamStorage &s, std::int32_t version) {
        seen = version;
        s.ReadChar(c);
        s.ReadBool(truth);
        s.ReadInt(value, -10, 10);
        s.ReadInt64(value64, 0, 1LL << 50);
        s.ReadText(text, 3, false);
        s.ReadText(empty, 3, true);
    };
    EXPECT_TRUE(in.Load());
    EXPECT_TRUE(in.Loaded());
    ExpectPerfect();
    EXPECT_EQ(seen, 4) << "OnLoad gets the file's version, not the storage's";
    EXPECT_EQ(c, 'z');
    EXPECT_TRUE(truth);
    EXPECT_EQ(value, -7);
    EXPECT_EQ(value64, 1LL << 40);
    EXPECT_EQ(text, "\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(empty, "");
    EXPECT_EQ(in.Size(), 0);
    EXPECT_TRUE(Window.Memos.empty());
}

TEST_F(FileStorageTest, AChangedVersionFieldStillLoads)
{
    TTempDir dir;
    const std::string file = dir / "options.dat";
    TSample saved(file);
    saved.Text = "kept";
    ASSERT_TRUE(saved.Storage.Save(false));
    std::string bytes = ReadBytes(file);
    bytes[36] = 7;
    bytes[40] = 'r'; // the reserved words are not read either
    WriteBytes(file, bytes);
    TSample loaded(file);
    EXPECT_TRUE(loaded.Storage.Load());
    EXPECT_EQ(loaded.LoadedVersion, 7);
    EXPECT_EQ(loaded.Text, "kept");
    EXPECT_TRUE(Window.Memos.empty());
}

TEST_F(FileStorageTest, AMissingFileIsCreatedEmptyAndLoadsTheDefaults)
{
    TTempDir dir;
    const std::string file = dir / "new.dat";
    TSample sample(file);
    EXPECT_TRUE(sample.Storage.Load());
    ExpectPerfect();
    EXPECT_EQ(sample.Loads, 1) << "the owner's post-processing runs on an empty file too";
    EXPECT_EQ(sample.LoadedVersion, 4) << "an empty file has the storage's own version";
    EXPECT_EQ(sample.Text, "hello");
    EXPECT_EQ(sample.Number, 1234);
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(fs::file_size(file), 0u);

    TFileStorage bare;
    bare.fileName = file;
    bare.signature = "abc";
    EXPECT_TRUE(bare.Load()) << "without OnLoad a readable file counts as loaded";
}

TEST_F(FileStorageTest, BadFilesFailTheLoadAndStayAsTheyWere)
{
    TTempDir dir;
    const std::string good = dir / "good.dat";
    {
        TSample sample(good);
        sample.Text = "payload text";
        ASSERT_TRUE(sample.Storage.Save(false));
    }
    const std::string valid = ReadBytes(good);
    std::mt19937 random(20240601);
    std::string noise(4096, '\0');
    for (char &c : noise)
        c = static_cast<char>(random());
    const auto changed = [&](std::size_t at) {
        std::string bytes = valid;
        bytes[at] = static_cast<char>(bytes[at] ^ 0x01);
        return bytes;
    };
    const std::string signatureWords = "Invalid file signature.";
    const std::string checkWords = "Invalid integrity check.";
    struct TCase
    {
        const char *Name;
        std::string Bytes;
        std::uint64_t SparseSize; // grown with a hole to this size when not 0
        std::string Description;
        bool ShortFilePanic;
    };
    const TCase cases[] = {
        {"1 byte", "a", 0, signatureWords, true},
        {"47 bytes", valid.substr(0, 47), 0, signatureWords, true},
        {"48 zero bytes", std::string(48, '\0'), 0, signatureWords, false},
        {"random bytes", noise, 0, signatureWords, false},
        {"signature changed", changed(5), 0, signatureWords, false},
        {"payload byte changed", changed(valid.size() - 3), 0, checkWords, false},
        {"check changed", changed(0), 0, checkWords, false},
        {"truncated", valid.substr(0, valid.size() - 1), 0, checkWords, false},
        {"header only", valid.substr(0, 48), 0, checkWords, false},
        {"100 MiB of zeros", "", 100u << 20, signatureWords, false},
        {"valid header, 100 MiB", valid, 100u << 20, checkWords, false},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        Window.Memos.clear();
        FunStatContext.Reset(fsPerfect);
        const std::string file = dir / "bad.dat";
        WriteBytes(file, c.Bytes);
        if (c.SparseSize) fs::resize_file(file, c.SparseSize);
        const std::uint64_t size = fs::file_size(file);
        const std::string before = c.SparseSize ? std::string() : ReadBytes(file);

        TSample sample(file);
        EXPECT_FALSE(sample.Storage.Load());
        EXPECT_FALSE(sample.Storage.Loaded());
        ExpectPerfect();
        EXPECT_EQ(sample.Loads, 0);
        EXPECT_EQ(sample.Text, "hello") << "the owner keeps its defaults";
        std::vector<std::string> shown;
        if (c.ShortFilePanic) shown.push_back("PANIC: Data too long.");
        shown.push_back("Failed to load. Data is probably corrupted.");
        EXPECT_EQ(ShownErrors(), shown);
        ASSERT_FALSE(Window.Memos.empty());
        EXPECT_NE(Window.Memos.back().find("* Description: \"" + c.Description + "\""),
                  std::string::npos)
            << Window.Memos.back();
        EXPECT_NE(Window.Memos.back().find("* Parameter 1: \"" + file + "\""), std::string::npos);
        EXPECT_EQ(fs::file_size(file), size);
        if (!c.SparseSize) {
            EXPECT_EQ(ReadBytes(file), before) << "nothing is lost";
        }
        EXPECT_EQ(sample.Storage.Size(), 0);
    }
}

TEST_F(FileStorageTest, ADamagedFileIsKeptBesideBeforeTheFirstSaveReplacesIt)
{
    TTempDir dir;
    const std::string file = dir / "options.dat";
    {
        TSample sample(file);
        sample.Text = "the user's boards";
        ASSERT_TRUE(sample.Storage.Save(false));
    }
    std::string damaged = ReadBytes(file);
    damaged[damaged.size() - 3] = static_cast<char>(damaged[damaged.size() - 3] ^ 0x01);
    WriteBytes(file, damaged);
    WriteBytes(file + ".bad", "an older damaged file");

    TSample sample(file);
    sample.Storage.keepDamagedFile = true;
    EXPECT_FALSE(sample.Storage.Load());
    ASSERT_EQ(Window.Memos.size(), 1u);
    EXPECT_EQ(ShownErrors(),
              std::vector<std::string>{"Failed to load. Data is probably corrupted."});
    EXPECT_NE(
        Window.Memos[0].find("\r\nThe damaged file will be kept as \"" + file + ".bad\".\r\n"),
        std::string::npos)
        << Window.Memos[0];
    EXPECT_EQ(ReadBytes(file), damaged) << "the load changes nothing";
    EXPECT_EQ(ReadBytes(file + ".bad"), "an older damaged file");

    EXPECT_TRUE(sample.Storage.Save(false));
    EXPECT_EQ(ReadBytes(file + ".bad"), damaged) << "the damaged file replaces the older one";
    TSample again(file);
    again.Storage.keepDamagedFile = true;
    EXPECT_TRUE(again.Storage.Load());
    EXPECT_EQ(again.Text, "hello") << "the new file holds the defaults";
    // Later saves replace the new file only; the damaged one stays.
    sample.Text = "later";
    EXPECT_TRUE(sample.Storage.Save(false));
    EXPECT_EQ(ReadBytes(file + ".bad"), damaged);
    EXPECT_EQ(Window.Memos.size(), 1u);

    // Without the request a damaged file is replaced as before, and a good load keeps nothing.
    fs::remove(file + ".bad");
    WriteBytes(file, damaged);
    TSample plain(file);
    EXPECT_FALSE(plain.Storage.Load());
    EXPECT_EQ(Window.Memos.back().find("kept as"), std::string::npos);
    EXPECT_TRUE(plain.Storage.Save(false));
    EXPECT_FALSE(fs::exists(file + ".bad"));
    EXPECT_TRUE(again.Storage.Load());
    EXPECT_TRUE(again.Storage.Save(false));
    EXPECT_FALSE(fs::exists(file + ".bad"));
}

TEST_F(FileStorageTest, AnUnreadableFileIsKeptBesideAsANormalUser)
{
    TTempDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0777), 0);
    const std::string file = dir / "options.dat";
    {
        TSample sample(file);
        ASSERT_TRUE(sample.Storage.Save(false));
    }
    const std::string original = ReadBytes(file);
    ASSERT_EQ(::chmod(file.c_str(), 0), 0);
    const int result = RunAsNobody([&] {
        if (::geteuid() == 0) return 100;
        TSample sample(file);
        sample.Storage.keepDamagedFile = true;
        if (sample.Storage.Load()) return 1;
        if (Window.Memos.size() != 1 || Window.Memos[0].find(".bad\".") == std::string::npos)
            return 2;
        if (!sample.Storage.Save(false)) return 3;
        return 0;
    });
    if (result == -1 || result == 100) GTEST_SKIP() << "this machine cannot run a check as nobody";
    EXPECT_EQ(result, 0) << "check " << result << " failed";
    EXPECT_EQ(ReadBytes(file + ".bad"), original);
    TSample sample(file);
    EXPECT_TRUE(sample.Storage.Load()) << "the new file is a good one";
}

TEST_F(FileStorageTest, UnreadablePlacesFailWithTheSystemError)
{
    TTempDir dir;
    fs::create_directory(dir / "folder");
    TSample sample(dir / "folder");
    EXPECT_FALSE(sample.Storage.Load());
    EXPECT_EQ(ShownErrors(),
              std::vector<std::string>{"Failed to load. Data is probably corrupted."});
    ASSERT_EQ(Window.Memos.size(), 1u);
    EXPECT_NE(Window.Memos[0].find("* Description: \"Failed to read.\""), std::string::npos);
    EXPECT_NE(Window.Memos[0].find("* System error code: " + std::to_string(EISDIR)),
              std::string::npos);

    Window.Memos.clear();
    TSample missingFolder(dir / "no/such/options.dat");
    EXPECT_FALSE(missingFolder.Storage.Load());
    ASSERT_EQ(Window.Memos.size(), 1u);
    EXPECT_NE(Window.Memos[0].find("* System error code: " + std::to_string(ENOENT)),
              std::string::npos);
    ExpectPerfect();
}

TEST_F(FileStorageTest, ARecordBeyondTheDataFailsTheLoad)
{
    TTempDir dir;
    const std::string file = dir / "options.dat";
    TFileStorage out;
    out.fileName = file;
    out.signature = "abc";
    // A well-formed file whose text record claims 65535 bytes but holds 3.
    out.OnSave = [](TStreamStorage &s) { s.WriteObject("\xFF\xFF\0\0abc", 7); };
    ASSERT_TRUE(out.Save(false));
    TSample sample(file);
    sample.Storage.OnLoad = [&](TStreamStorage &s, std::int32_t) {
        ++sample.Loads;
        s.ReadText(sample.Text, 65535, true);
    };
    EXPECT_FALSE(sample.Storage.Load());
    EXPECT_EQ(sample.Loads, 1);
    EXPECT_EQ(sample.Text, "hello");
    EXPECT_EQ(ShownErrors(),
              std::vector<std::string>{"Failed to load. Data is probably corrupted."});
    ASSERT_EQ(Window.Memos.size(), 1u);
    EXPECT_NE(Window.Memos[0].find("* Description: \"Text too long.\""), std::string::npos);
    EXPECT_NE(Window.Memos[0].find("* Parameter 1: \"65535\""), std::string::npos);
    ExpectPerfect();
}

TEST_F(FileStorageTest, SaveAsksBeforeReplacingAnExistingFile)
{
    TTempDir dir;
    const std::string file = dir / "options.dat";
    WriteBytes(file, "old");
    TSample sample(file);
    Boxes.Answer = MessageBoxAnswer::No;
    EXPECT_FALSE(sample.Storage.Save(true));
    ASSERT_EQ(Boxes.Shown.size(), 1u);
    EXPECT_EQ(Boxes.Shown[0].Text, "File already exists.\nOverwrite it?");
    EXPECT_EQ(ReadBytes(file), "old");
    EXPECT_TRUE(Window.Memos.empty()) << "a declined overwrite shows no failure";
    ExpectPerfect();

    Boxes.Answer = MessageBoxAnswer::Yes;
    EXPECT_TRUE(sample.Storage.Save(true));
    EXPECT_EQ(ReadBytes(file).size(), 48u + 4 + 5 + 4);

    Boxes.Shown.clear();
    EXPECT_TRUE(TSample(dir / "fresh.dat").Storage.Save(true));
    EXPECT_TRUE(Boxes.Shown.empty()) << "a new file needs no question";
}

TEST_F(FileStorageTest, AFailureInOnSaveLeavesTheOldFile)
{
    TTempDir dir;
    const std::string file = dir / "options.dat";
    WriteBytes(file, "old");
    TSample sample(file);
    sample.Storage.OnSave = [](TStreamStorage &s) { s.WriteText(std::string(70000, 't')); };
    EXPECT_FALSE(sample.Storage.Save(false));
    EXPECT_EQ(ShownErrors(),
              (std::vector<std::string>{"PANIC: Text too long.", "Failed to save."}));
    EXPECT_EQ(ReadBytes(file), "old");
    ExpectPerfect();
}

TEST_F(FileStorageTest, ATooLongSignatureIsRefused)
{
    TTempDir dir;
    TSample sample(dir / "options.dat");
    sample.Storage.signature = std::string(32, 's');
    EXPECT_FALSE(sample.Storage.Save(false));
    EXPECT_FALSE(sample.Storage.Load());
    EXPECT_EQ(ShownErrors(),
              (std::vector<std::string>{"PANIC: Signature too long.",
                                        "Failed to save.",
                                        "PANIC: Signature too long.",
                                        "Failed to load. Data is probably corrupted."}));
    EXPECT_FALSE(fs::exists(dir / "options.dat"));
    sample.Storage.signature = std::string(31, 's');
    EXPECT_TRUE(sample.Storage.Save(false));
    EXPECT_TRUE(sample.Storage.Load());
}

TEST_F(FileStorageTest, SavingThroughASymbolicLinkReplacesItsTarget)
{
    TTempDir dir;
    TSample sample(dir / "real.dat");
    ASSERT_TRUE(sample.Storage.Save(false));
    fs::create_symlink(dir / "real.dat", dir / "link.dat");
    TSample viaLink(dir / "link.dat");
    viaLink.Text = "through the link";
    EXPECT_TRUE(viaLink.Storage.Save(false));
    EXPECT_TRUE(fs::is_symlink(dir / "link.dat"));
    TSample check(dir / "real.dat");
    EXPECT_TRUE(check.Storage.Load());
    EXPECT_EQ(check.Text, "through the link");
}

TEST_F(FileStorageTest, AReadOnlyFolderLoadsButCannotBeSaved)
{
    TTempDir dir;
    ASSERT_EQ(::chmod(dir.Path().c_str(), 0755), 0);
    const std::string folder = dir / "locked";
    fs::create_directory(folder);
    const std::string file = folder + "/options.dat";
    {
        TSample sample(file);
        sample.Text = "original";
        ASSERT_TRUE(sample.Storage.Save(false));
    }
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    const std::string before = ReadBytes(file);
    const int result = RunAsNobody([&] {
        if (::geteuid() == 0) return 100;
        TSample sample(file);
        if (!sample.Storage.Load() || sample.Text != "original") return 1;
        sample.Text = "changed";
        if (sample.Storage.Save(false)) return 2;
        if (ShownErrors() != std::vector<std::string>{"Failed to save."}) return 3;
        if (Window.Memos[0].find("* System error code: " + std::to_string(EACCES)) ==
            std::string::npos)
            return 4;
        if (FunStatContext.status != fsPerfect) return 5;
        TSample missing(folder + "/missing.dat");
        if (missing.Storage.Load() || Window.Memos.size() != 2) return 6;
        if (Window.Memos[1].find("* Description: \"Failed to read.\"") == std::string::npos)
            return 7;
        return 0;
    });
    ::chmod(folder.c_str(), 0755);
    if (result == -1 || result == 100) GTEST_SKIP() << "this machine cannot run a check as nobody";
    EXPECT_EQ(result, 0) << "check " << result << " failed";
    EXPECT_EQ(ReadBytes(file), before);
    EXPECT_EQ(fs::directory_iterator(folder)->path().filename(), "options.dat")
        << "no temporary file is left behind";
}

TEST_F(FileStorageTest, AFullDiskKeepsTheOldFileByteForByte)
{
    TTempDir dir;
    TSmallDisk disk(dir / "small");
    if (!disk.Mounted) GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    const std::string file = disk.Path + "/options.dat";
    TSample sample(file);
    sample.Text = "the old settings";
    ASSERT_TRUE(sample.Storage.Save(false));
    const std::string before = ReadBytes(file);
    disk.FillUp();

    sample.Text = std::string(60000, 'n');
    EXPECT_FALSE(sample.Storage.Save(false));
    EXPECT_EQ(ShownErrors(), std::vector<std::string>{"Failed to save."});
    ASSERT_EQ(Window.Memos.size(), 1u);
    EXPECT_NE(Window.Memos[0].find("* Description: \"Failed to save.\""), std::string::npos);
    EXPECT_NE(Window.Memos[0].find("* System error code: " + std::to_string(ENOSPC)),
              std::string::npos)
        << Window.Memos[0];
    EXPECT_EQ(ReadBytes(file), before);
    std::vector<std::string> names;
    for (const auto &entry : fs::directory_iterator(disk.Path))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"filler", "options.dat"}));
    ExpectPerfect();

    TSample reloaded(file);
    EXPECT_TRUE(reloaded.Storage.Load());
    EXPECT_EQ(reloaded.Text, "the old settings");
}

} // namespace
