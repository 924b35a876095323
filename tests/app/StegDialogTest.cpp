// Hiding files in pictures: the cipher, the payload's place in the pixels, steg-in and steg-out
// on real pictures, automatic steg, the noise view, and what bad pictures and places give.
#include "app/StegDialog.h"

#include "Libraries/MyRandom.h"
#include "Libraries/StoredTextList.h"
#include "app/OptionsDialog.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// A photograph-like picture: every pixel different from its neighbours, none grey.
QImage NoisePicture(int width, int height, std::uint32_t seed)
{
    QImage picture(width, height, QImage::Format_ARGB32);
    std::uint32_t state = seed;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            picture.setPixel(x, y, 0xFF000000u | (state >> 8));
        }
    return picture;
}

// Exactly (width - 1) * (height - 1) usable pixels: red and green follow x and y, so every pixel
// differs from its neighbours; blue keeps them from being grey.
QImage GradientPicture(int width, int height)
{
    QImage picture(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, 0xFF000000u | static_cast<std::uint32_t>(2 * x) << 16 |
                                       static_cast<std::uint32_t>(2 * y) << 8 | 201u);
    return picture;
}

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string Bytes(std::size_t count, std::uint32_t seed)
{
    std::string text(count, '\0');
    for (char &c : text) {
        seed = seed * 1103515245u + 12345u;
        c = static_cast<char>(seed >> 16);
    }
    return text;
}

std::int64_t ModifiedSeconds(const std::string &path)
{
    struct stat info{};
    stat(path.c_str(), &info);
    return info.st_mtim.tv_sec;
}

} // namespace

class StegTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        SetDefaultExtensionLists();
        Form = std::make_unique<TStegForm>();
        Form->PasswordEdit->setText(QStringLiteral("correct horse"));
        Form->ConfirmPasswordEdit->setText(QStringLiteral("correct horse"));
        Form->UserKeyIterationsComboBox->setCurrentText(QStringLiteral("100"));
        fs::create_directories(Dir / "out");
    }
    void TearDown() override
    {
        Form.reset();
        TStatusTest::TearDown();
    }
    // Saves a picture as PNG with an old last-write time.
    std::string Carrier(const QImage &picture, const std::string &name = "carrier.png")
    {
        const std::string path = Dir / name;
        picture.save(QString::fromStdString(path), "PNG");
        Platform::SetModifiedTime(path, 1200000000, 0);
        return path;
    }
    bool Hide(const std::string &file, const std::string &carrier)
    {
        Form->SourceName = file;
        Form->TargetName = carrier;
        return Form->StegIn(-1);
    }
    bool TakeOut(const std::string &picture, const std::string &directory, bool decrypt = true)
    {
        Form->SourceName = picture;
        Form->TargetName = directory;
        TStegOutResult result;
        return Form->StegOut(decrypt, nullptr, nullptr, false, result);
    }
    bool MemoHas(const std::string &text) const { return Window.Memo.find(text) != std::string::npos; }
    // The description of the failure behind each error shown.
    std::vector<std::string> Described() const
    {
        std::vector<std::string> descriptions;
        const std::string head = "* Description: \"";
        for (const std::string &memo : Window.Memos) {
            const std::size_t start = memo.find(head);
            if (start == std::string::npos) continue;
            const std::size_t end = memo.find("\"\r\n", start + head.size());
            descriptions.push_back(memo.substr(start + head.size(), end - start - head.size()));
        }
        return descriptions;
    }

    TTempDir Dir;
    std::unique_ptr<TStegForm> Form;
};

// ---- The cipher ---------------------------------------------------------------------------

TEST(StegCipher, DecryptionUndoesEncryptionAndTheBufferChains)
{
    TStegBlock s{}, k{}, block{};
    for (std::uint32_t i = 0; i < 16; ++i) {
        s[i] = i * 0x9E3779B9u;
        k[i] = ~i * 0x85EBCA6Bu;
        block[i] = i * 0x01010101u;
    }
    TStegBlock b = block;
    EncryptStegBlock(b.data(), s.data(), k.data());
    EXPECT_NE(b, block);
    DecryptStegBlock(b.data(), s.data(), k.data());
    EXPECT_EQ(b, block);

    // Equal plain blocks come out different, and decryption needs the same starting keys.
    std::vector<std::uint8_t> bytes(64 * 4);
    for (int i = 0; i < 4; ++i) StoreStegBlock(block, bytes.data() + 64 * i);
    const std::vector<std::uint8_t> plain = bytes;
    TStegForm form;
    TStegBlock es = s, ek = k;
    ASSERT_TRUE(form.EncryptBuffer(bytes.data(), 4, ek, es));
    EXPECT_NE(std::memcmp(bytes.data(), bytes.data() + 64, 64), 0);
    TStegBlock ds = s, dk = k;
    form.DecryptBuffer(bytes.data(), 4, dk, ds);
    EXPECT_EQ(bytes, plain);
}

TEST(StegCipher, CompressingABlockIntoItselfSeesItsOwnWrites)
{
    TStegBlock a{};
    for (std::uint32_t i = 0; i < 16; ++i) a[i] = i + 1;
    TStegBlock same = a, copy = a;
    StegCompress(same.data(), same.data());
    StegCompress(a.data(), copy.data());
    EXPECT_NE(same, copy);
    EXPECT_EQ(StegHash(a), StegHash(a));
    EXPECT_NE(StegHash(a), a);
}

TEST(StegCipher, TheKeyIgnoresTheLowBitsButNotThePasswordOrTheIterations)
{
    const QImage picture = NoisePicture(40, 30, 7);
    QImage flipped = picture;
    for (int y = 0; y < flipped.height(); ++y)
        for (int x = 0; x < flipped.width(); ++x) flipped.setPixel(x, y, flipped.pixel(x, y) ^ 0x00010101u);
    std::uint8_t salt[64];
    for (int i = 0; i < 64; ++i) salt[i] = static_cast<std::uint8_t>(i * 7);
    TStegBlock s1, k1, s2, k2, s3, k3, s4, k4;
    StegPayloadKey(salt, "pw", picture, 10, s1, k1);
    StegPayloadKey(salt, "pw", flipped, 10, s2, k2);
    StegPayloadKey(salt, "pW", picture, 10, s3, k3);
    StegPayloadKey(salt, "pw", picture, 11, s4, k4);
    EXPECT_EQ(s1, s2);
    EXPECT_EQ(k1, k2);
    EXPECT_NE(s1, s3);
    EXPECT_NE(s1, s4);
    EXPECT_EQ(StegIntegrityCode(picture), StegIntegrityCode(flipped));
    EXPECT_LT(StegIntegrityCode(picture), 10000);
}

TEST(StegPayload, SizesNamesAndAlgorithms)
{
    EXPECT_EQ(StegPayloadBytes(10000), 1216);
    EXPECT_EQ(StegPayloadBytes(511), 0);
    EXPECT_EQ(StegBitsNeeded(640), (640 + 576) * 8);
    EXPECT_EQ(StegBitsNeeded(641), (704 + 576) * 8);
    EXPECT_EQ(StegBitsNeeded(0), 576 * 8);
    EXPECT_EQ(StegAlgorithmNumber("kro3"), 3);
    EXPECT_EQ(StegAlgorithmNumber("KRO1"), 1);
    EXPECT_EQ(StegAlgorithmNumber("KRO4"), -1);
    for (const char *bad : {"", ".", "..", "a:b", "a/b", "a\\b", "a<b", "a>b", "a|b", "a\"b", "a?b", "a*b"})
        EXPECT_FALSE(IsValidStegName(bad)) << bad;
    for (const char *good : {"notes.txt", "...", ".hidden", "naïve.png"}) EXPECT_TRUE(IsValidStegName(good)) << good;
}

TEST(StegPayload, UsablePixelsAndTheirBitsGoColumnByColumn)
{
    QImage black(50, 50, QImage::Format_ARGB32);
    black.fill(0u);
    EXPECT_EQ(CountStegPixels(black), 0);
    QImage grey(20, 20, QImage::Format_ARGB32);
    grey.fill(0xFF808080u);
    EXPECT_EQ(CountStegPixels(grey), 0);
    QImage picture = GradientPicture(101, 101);
    EXPECT_EQ(CountStegPixels(picture), 10000);

    // Bit i lands in pixel (i / 100, i % 100), in blue, green, red by turns.
    std::vector<std::uint8_t> bits(1250, 0);
    bits[0] = 0x07;         // bits 0, 1, 2
    bits[12] = 0x10;        // bit 100: pixel (1, 0), blue
    const QImage before = picture;
    WriteStegBits(picture, bits.data(), 8 * 1250);
    EXPECT_EQ(picture.pixel(0, 0) & 0x1u, 1u);
    EXPECT_EQ(picture.pixel(0, 1) & 0x100u, 0x100u);
    EXPECT_EQ(picture.pixel(0, 2) & 0x10000u, 0x10000u);
    EXPECT_EQ(picture.pixel(1, 0) & 0x1u, 1u);
    EXPECT_EQ(picture.pixel(0, 3) & 0x1u, 0u);
    EXPECT_EQ(CountStegPixels(picture), 10000);
    std::vector<std::uint8_t> back(1250, 0xFF);
    ReadStegBits(picture, back.data(), 8 * 1250);
    EXPECT_EQ(back, bits);
    // The last row and column carry nothing.
    EXPECT_EQ(picture.pixel(100, 5), before.pixel(100, 5));
    EXPECT_EQ(picture.pixel(5, 100), before.pixel(5, 100));
}

// ---- Steg-in and steg-out -------------------------------------------------------------------

TEST_F(StegTest, AFileHiddenInAPictureComesOutWholeAndTheCarrierKeepsItsTime)
{
    const std::string secret = Bytes(3000, 1);
    Dir.WriteFile("secret.bin", secret);
    const std::string carrier = Carrier(NoisePicture(200, 160, 3));
    ASSERT_TRUE(Hide(Dir / "secret.bin", carrier)) << Window.Memo;
    const int integrity = Form->LastIntegrity;
    EXPECT_EQ(ModifiedSeconds(carrier), 1200000000);
    ASSERT_FALSE(Boxes.Shown.empty());
    const std::string report = Boxes.Shown.back().Text;
    EXPECT_EQ(report.rfind("Source file has been stegged-in the carrier file.\nIntegrity (four digits): \"" +
                               std::to_string(integrity) + "\"\nThe storing space available is ",
                           0),
              0u)
        << report;
    EXPECT_NE(report.find("The storing space required is 28,672 bits (3,584 bytes)."), std::string::npos) << report;
    EXPECT_NE(report.find("\n\nSteg-in VERIFICATION okay."), std::string::npos);

    ASSERT_TRUE(TakeOut(carrier, Dir / "out"));
    EXPECT_EQ(ReadAll(Dir / "out/secret.bin"), secret);

    // A wrong password: no file, and the integrity code of the steg-in.
    Form->PasswordEdit->setText(QStringLiteral("wrong"));
    EXPECT_FALSE(TakeOut(carrier, Dir / "out2"));
    EXPECT_EQ(ShownErrors(), (std::vector<std::string>{"Failed to stegg-out file."}));
    EXPECT_EQ(Described(), (std::vector<std::string>{"Failed to decrypt."}));
    EXPECT_TRUE(MemoHas("Integrity: \"" + std::to_string(integrity) + "\"")) << Window.Memo;
    EXPECT_FALSE(fs::exists(Dir / "out2"));
}

TEST_F(StegTest, NoDecryptionWritesTheEncryptedDataUnderTheHiddenName)
{
    const std::string secret(1000, 'a');
    Dir.WriteFile("plain.txt", secret);
    const std::string carrier = Carrier(NoisePicture(200, 100, 5));
    ASSERT_TRUE(Hide(Dir / "plain.txt", carrier));
    ASSERT_TRUE(TakeOut(carrier, Dir / "out", false));
    const std::string out = ReadAll(Dir / "out/plain.txt");
    EXPECT_EQ(out.size(), secret.size());
    EXPECT_NE(out, secret);
}

TEST_F(StegTest, AJpegCarrierBecomesAPngBesideIt)
{
    Dir.WriteFile("note.txt", "hello");
    const std::string jpeg = Dir / "photo.jpg";
    NoisePicture(100, 100, 9).save(QString::fromStdString(jpeg), "JPEG", 95);
    ASSERT_TRUE(Hide(Dir / "note.txt", jpeg)) << Window.Memo;
    EXPECT_TRUE(fs::exists(Dir / "photo.png"));
    ASSERT_TRUE(TakeOut(Dir / "photo.png", Dir / "out"));
    EXPECT_EQ(ReadAll(Dir / "out/note.txt"), "hello");
}

TEST_F(StegTest, TheCapacityIsWholeBlocksOfTheUsablePixels)
{
    const std::string carrier = Carrier(GradientPicture(101, 101));
    Dir.WriteFile("fits.bin", std::string(640, 'x'));
    EXPECT_TRUE(Hide(Dir / "fits.bin", carrier)) << Window.Memo;
    Dir.WriteFile("big.bin", std::string(641, 'x'));
    EXPECT_FALSE(Hide(Dir / "big.bin", carrier));
    EXPECT_EQ(Described().back(),
              "The carrier file must be bigger! The storing space available is 9,728 bits (1,216 bytes). The "
              "storing space required is 10,240 bits (1,280 bytes).");

    QImage grey(300, 300, QImage::Format_ARGB32);
    grey.fill(0xFF7F7F7Fu);
    const std::string flat = Carrier(grey, "grey.png");
    Dir.WriteFile("one.bin", "1");
    EXPECT_FALSE(Hide(Dir / "one.bin", flat));
    EXPECT_EQ(Described().back(),
              "The carrier file must be bigger! The storing space available is 0 bits (0 bytes). The storing space "
              "required is 5,120 bits (640 bytes).");
    EXPECT_EQ(ModifiedSeconds(flat), 1200000000);
}

TEST_F(StegTest, BadFilesAndPicturesAreRefusedAndTheCarrierStaysAsItWas)
{
    const std::string carrier = Carrier(NoisePicture(1200, 900, 11));
    const std::string original = ReadAll(carrier);
    Dir.WriteFile("not-a-picture.png", "plain text, not a picture");
    std::string truncated = original.substr(0, original.size() / 2);
    Dir.WriteFile("truncated.png", truncated);
    Dir.WriteFile("huge.bin", std::string(1000001, 'h'));
    Dir.WriteFile("ok.txt", "ok");
    mkfifo((Dir / "fifo").c_str(), 0600);
    struct TCase
    {
        std::string File, Carrier, Error;
    };
    const std::vector<TCase> cases = {
        {Dir / "ok.txt", Dir / "not-a-picture.png", "Failed to load picture."},
        {Dir / "ok.txt", Dir / "truncated.png", "Failed to load picture."},
        {Dir / "huge.bin", carrier, "Invalid file size."},
        {Dir / "fifo", carrier, "Only files can be stegged-in."},
        {Dir / "missing.txt", carrier, "Can not find file."},
    };
    for (const TCase &c : cases) {
        EXPECT_FALSE(Hide(c.File, c.Carrier)) << c.File;
        ASSERT_FALSE(ShownErrors().empty());
        EXPECT_EQ(Described().back(), c.Error) << c.File << " in " << c.Carrier;
    }
    bool named = false;
    for (const std::string &memo : Window.Memos) named |= memo.find("Maximum 1000000") != std::string::npos;
    EXPECT_TRUE(named);
    EXPECT_EQ(ReadAll(carrier), original);
    EXPECT_EQ(ReadAll(Dir / "truncated.png"), truncated);
    // Nothing hidden there: steg-out of a plain picture is a decryption failure.
    EXPECT_FALSE(TakeOut(carrier, Dir / "out"));
    EXPECT_EQ(Described().back(), "Failed to decrypt.");
}

TEST_F(StegTest, AFullDiskLeavesTheOldCarrierWhole)
{
    TSmallDisk disk(Dir / "small", "1m");
    if (!disk.Mounted) GTEST_SKIP() << "this machine cannot mount a small tmpfs";
    NoisePicture(400, 400, 13).save(QString::fromStdString(Dir / "small/c.png"), "PNG");
    const std::string original = ReadAll(Dir / "small/c.png");
    Dir.WriteFile("note.txt", Bytes(5000, 2));
    disk.FillUp();
    EXPECT_FALSE(Hide(Dir / "note.txt", Dir / "small/c.png"));
    EXPECT_EQ(Described().back(), "Failed to save picture.");
    EXPECT_EQ(ReadAll(Dir / "small/c.png"), original);
    std::vector<std::string> left;
    for (const auto &entry : fs::directory_iterator(Dir / "small")) left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left.size(), 2u); // the picture and the filler, no temporary file
}

TEST_F(StegTest, AKeptCarrierIsNotTouchedAndAnExistingOutputIsAskedFor)
{
    Dir.WriteFile("note.txt", "first");
    const std::string carrier = Carrier(NoisePicture(100, 100, 17));
    const std::string original = ReadAll(carrier);
    Boxes.Answer = MessageBoxAnswer::No;
    EXPECT_FALSE(Hide(Dir / "note.txt", carrier));
    EXPECT_EQ(Boxes.Shown.back().Text, "File already exists. OVERWRITE it?");
    EXPECT_EQ(ReadAll(carrier), original);
    EXPECT_TRUE(ShownErrors().empty());

    Boxes.Answer = MessageBoxAnswer::Yes;
    ASSERT_TRUE(Hide(Dir / "note.txt", carrier));
    Dir.WriteFile("out/note.txt", "already here");
    Boxes.Answer = MessageBoxAnswer::No;
    EXPECT_FALSE(TakeOut(carrier, Dir / "out"));
    EXPECT_EQ(ReadAll(Dir / "out/note.txt"), "already here");
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(StegTest, TheHiddenFileReplacesASymbolicLinkOfItsNameAndNeverWritesThroughIt)
{
    Dir.WriteFile("note.txt", "hidden text");
    const std::string carrier = Carrier(NoisePicture(100, 100, 19));
    Boxes.Answer = MessageBoxAnswer::Yes;
    ASSERT_TRUE(Hide(Dir / "note.txt", carrier));
    Dir.WriteFile("victim.txt", "precious");
    fs::create_symlink(Dir / "victim.txt", Dir / "out/note.txt");
    ASSERT_TRUE(TakeOut(carrier, Dir / "out"));
    EXPECT_EQ(ReadAll(Dir / "victim.txt"), "precious");
    EXPECT_FALSE(fs::is_symlink(Dir / "out/note.txt"));
    EXPECT_EQ(ReadAll(Dir / "out/note.txt"), "hidden text");
}

TEST_F(StegTest, ADestinationWithoutWritePermissionIsReported)
{
    Dir.WriteFile("note.txt", "text");
    const std::string carrier = Carrier(NoisePicture(100, 100, 23));
    ASSERT_TRUE(Hide(Dir / "note.txt", carrier));
    fs::create_directories(Dir / "locked");
    chmod(Dir.Path().c_str(), 0755);
    chmod(carrier.c_str(), 0644);
    chmod((Dir / "locked").c_str(), 0555);
    const int result = RunAsNobody([&] {
        TFunStatContext saved = FunStatContext;
        const bool got = TakeOut(carrier, Dir / "locked");
        if (got) return 10;
        if (fs::exists(Dir / "locked/note.txt")) return 11;
        return Window.Memo.find("Failed to save file.") != std::string::npos ? 0 : 12;
    });
    if (result < 0) GTEST_SKIP() << "this machine cannot switch to the user nobody";
    EXPECT_EQ(result, 0);
}

// A picture whose header is encrypted properly but holds what no steg-in writes.
class StegCraftedTest : public StegTest
{
protected:
    std::string Craft(const std::string &name, std::uint32_t size, std::uint32_t sizeHigh = 0)
    {
        QImage picture = NoisePicture(100, 100, 29);
        const std::int64_t capacity = StegPayloadBytes(CountStegPixels(picture));
        std::vector<std::uint32_t> words(static_cast<std::size_t>(capacity / 4));
        Random.Fill(words.data(), words.size());
        auto *bytes = reinterpret_cast<std::uint8_t *>(words.data());
        std::memset(bytes + StegLayout::Name, 0, 256);
        std::memcpy(bytes + StegLayout::Name, name.data(), std::min<std::size_t>(name.size(), 256));
        for (int i = 0; i < 4; ++i) {
            bytes[StegLayout::Size + i] = static_cast<std::uint8_t>(size >> (8 * i));
            bytes[StegLayout::SizeHigh + i] = static_cast<std::uint8_t>(sizeHigh >> (8 * i));
        }
        StoreStegBlock(StegHash(LoadStegBlock(bytes + 64)), bytes + 128);
        TStegBlock s, k;
        StegPayloadKey(bytes, "correct horse", picture, 100, s, k);
        EXPECT_TRUE(Form->EncryptBuffer(bytes + 64, capacity / 64 - 1, k, s));
        WriteStegBits(picture, bytes, 8 * capacity);
        const std::string path = Dir / "crafted.png";
        picture.save(QString::fromStdString(path), "PNG");
        return path;
    }
};

TEST_F(StegCraftedTest, AHeaderNoSteginWritesIsRefusedAndNothingIsWritten)
{
    struct TCase
    {
        const char *Label;
        std::string Name;
        std::uint32_t Size, SizeHigh;
    };
    const std::vector<TCase> cases = {
        {"a size above the limit", "a.txt", 1000001, 0},
        {"a size beyond the payload", "a.txt", 5000, 0},
        {"a high size half", "a.txt", 10, 1},
        {"a path", "../escape.txt", 10, 0},
        {"a colon", "a:b.txt", 10, 0},
        {"dot-dot", "..", 10, 0},
        {"no name", "", 10, 0},
        {"no terminating zero", std::string(256, 'n'), 10, 0},
    };
    for (const TCase &c : cases) {
        const std::string picture = Craft(c.Name, c.Size, c.SizeHigh);
        EXPECT_FALSE(TakeOut(picture, Dir / "out")) << c.Label;
        ASSERT_FALSE(Described().empty()) << c.Label;
        EXPECT_EQ(Described().back(), "Failed to decrypt (though signature checked the first time).") << c.Label;
    }
    EXPECT_TRUE(fs::is_empty(Dir / "out"));
    EXPECT_FALSE(fs::exists(Dir / "escape.txt"));
    // The same crafting with a sound header does come out.
    EXPECT_TRUE(TakeOut(Craft("fine.txt", 10), Dir / "out"));
    EXPECT_EQ(ReadAll(Dir / "out/fine.txt").size(), 10u);
}

// ---- The format ---------------------------------------------------------------------------

// A picture stored by this program: whatever changes, it must still give the same file.
TEST_F(StegTest, TheStoredTestVectorStillReads)
{
    const std::string folder = std::string(VELMORDIAN_SOURCE_DIR) + "/tests/data/steg/";
    Form->PasswordEdit->setText(QString::fromUtf8("vector pässword"));
    Form->UserKeyIterationsComboBox->setCurrentText(QStringLiteral("1000"));
    ASSERT_TRUE(TakeOut(folder + "carrier.png", Dir / "out")) << Window.Memo;
    EXPECT_EQ(ReadAll(Dir / "out/hidden.txt"), ReadAll(folder + "hidden.txt"));
    EXPECT_EQ(Form->LastIntegrity, std::stoi(ReadAll(folder + "integrity.txt")));
    // And the cipher's first steps on fixed inputs.
    TStegBlock x{};
    for (std::uint32_t i = 0; i < 16; ++i) x[i] = i * 0x01020304u;
    EXPECT_EQ(StegHash(x)[0], 3846266625u);
}

// ---- Automatic steg and the noise view ------------------------------------------------------

TEST_F(StegTest, AutomaticStegKeepsATextInAPngAndShowsAHiddenPictureFromAPrivateFolder)
{
    const std::string carrier = Carrier(NoisePicture(300, 200, 31), "notebook.png");
    std::string picture = carrier, name, text;
    bool isText = false;
    std::uint64_t size = 0;
    // Off: nothing, and no error.
    EXPECT_FALSE(Form->AutoStegOut(picture, name, isText, &text, size));
    EXPECT_FALSE(FunStatContext.IsError());
    EXPECT_FALSE(Form->AutoStegIn(carrier, "notes.txt", "x"));
    EXPECT_EQ(FunStatContext.description, "Failed to auto steg-in because the function is not active.");
    FunStatContext.Reset(fsPerfect);

    Form->ActivateAutoStegSpeedButton->setChecked(true);
    // An ordinary picture gives nothing, silently.
    EXPECT_FALSE(Form->AutoStegOut(picture, name, isText, &text, size));
    EXPECT_FALSE(FunStatContext.IsError());
    ASSERT_TRUE(Form->AutoStegIn(carrier, "notes.txt", "line one\nline two")) << FunStatContext.description;
    EXPECT_TRUE(Boxes.Shown.empty()); // no report in automatic mode
    ASSERT_TRUE(Form->AutoStegOut(picture, name, isText, &text, size));
    EXPECT_TRUE(isText);
    EXPECT_EQ(name, "notes.txt");
    EXPECT_EQ(text, "line one\nline two");
    EXPECT_EQ(picture, carrier);

    // A wrong password gives nothing and says nothing.
    Form->PasswordEdit->setText(QStringLiteral("other"));
    EXPECT_FALSE(Form->AutoStegOut(picture, name, isText, &text, size));
    EXPECT_FALSE(FunStatContext.IsError());
    Form->PasswordEdit->setText(QStringLiteral("correct horse"));

    // Only texts and a ".png" carrier.
    EXPECT_FALSE(Form->AutoStegIn(carrier, "notes.doc", "x"));
    EXPECT_EQ(FunStatContext.description, "Failed to auto steg-in because the source is not text.");
    FunStatContext.Reset(fsPerfect);
    EXPECT_FALSE(Form->AutoStegIn(Dir / "a.bmp", "notes.txt", "x"));
    EXPECT_EQ(FunStatContext.description, "Failed to auto steg-in because the carrier file is invalid.");
    FunStatContext.Reset(fsPerfect);
    EXPECT_FALSE(Form->AutoStegIn(carrier, std::string(296, 'n') + ".txt", "x"));
    EXPECT_EQ(FunStatContext.description, "File name too long.");
    FunStatContext.Reset(fsPerfect);

    // A hidden ".txt" holding a zero byte is no text, and no picture either: nothing.
    Dir.WriteFile("zero.txt", std::string("a\0b", 3));
    Form->SourceName = Dir / "zero.txt";
    Form->TargetName = carrier;
    Boxes.Answer = MessageBoxAnswer::Yes;
    ASSERT_TRUE(Form->StegIn(-1));
    EXPECT_FALSE(Form->AutoStegOut(picture, name, isText, &text, size));
    EXPECT_FALSE(FunStatContext.IsError());

    // A hidden picture comes out into the user's private folder, for the user alone.
    QImage small = NoisePicture(8, 8, 37);
    small.save(QString::fromStdString(Dir / "tiny.png"), "PNG");
    Form->SourceName = Dir / "tiny.png";
    Form->TargetName = carrier;
    Boxes.Answer = MessageBoxAnswer::Yes;
    ASSERT_TRUE(Form->StegIn(-1));
    picture = carrier;
    ASSERT_TRUE(Form->AutoStegOut(picture, name, isText, &text, size));
    EXPECT_FALSE(isText);
    EXPECT_NE(picture, carrier);
    EXPECT_EQ(fs::path(picture).filename(), "-Velmordian_AutoStegPicture.bmp");
    EXPECT_EQ(ReadAll(picture), ReadAll(Dir / "tiny.png"));
    EXPECT_EQ(fs::status(picture).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(fs::path(picture).parent_path()).permissions() & fs::perms::all, fs::perms::owner_all);
}

TEST_F(StegTest, TheNoiseViewShowsTheLowBitsAsAPrivatePicture)
{
    QImage picture(4, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, 0xFF000000u);
    picture.setPixel(1, 0, 0xFF010000u);
    picture.setPixel(2, 0, 0xFF000101u);
    picture.setPixel(3, 0, 0xFFFFFFFFu);
    const std::string path = Form->ViewNoise(Carrier(picture, "bits.png"));
    ASSERT_FALSE(path.empty()) << FunStatContext.description;
    EXPECT_EQ(fs::path(path).filename(), "-Velmordian_StegNoisePicture.bmp");
    EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    const QImage noise(QString::fromStdString(path));
    ASSERT_EQ(noise.size(), QSize(4, 1));
    EXPECT_EQ(noise.pixel(0, 0) & 0xFFFFFFu, 0x000000u);
    EXPECT_EQ(noise.pixel(1, 0) & 0xFFFFFFu, 0x800000u);
    EXPECT_EQ(noise.pixel(2, 0) & 0xFFFFFFu, 0x008080u);
    EXPECT_EQ(noise.pixel(3, 0) & 0xFFFFFFu, 0x808080u);
    EXPECT_TRUE(Form->ViewNoise(Dir / "none.png").empty());
    EXPECT_EQ(FunStatContext.description, "Failed to load picture.");
    FunStatContext.Reset(fsPerfect);
}

// ---- The dialog ---------------------------------------------------------------------------

TEST_F(StegTest, TheDialogChecksThePasswordsBeforeItRuns)
{
    Dir.WriteFile("note.txt", "dialog");
    const std::string carrier = Carrier(NoisePicture(100, 100, 41));
    Form->PasswordEdit->clear();
    Form->ConfirmPasswordEdit->clear();
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(Form->windowTitle().toStdString(), "Steg-in");
        EXPECT_EQ(Form->OkayButton->text().toStdString(), "&Steg-in");
        EXPECT_TRUE(Form->ConfirmPasswordEdit->isEnabled());
        EXPECT_FALSE(Form->NoDecryptionSpeedButton->isEnabled());
        Form->OkayButton->click();
        EXPECT_EQ(Boxes.Shown.back().Text, "The password is empty.");
        Form->PasswordEdit->setText(QStringLiteral("pw"));
        Form->ConfirmPasswordEdit->setText(QStringLiteral("pv"));
        Form->OkayButton->click();
        EXPECT_EQ(Boxes.Shown.back().Text, "The password is not confirmed.\nType again the confirmation password.");
        Form->ConfirmPasswordEdit->setText(QStringLiteral("pw"));
        Form->OkayButton->click();
    });
    Boxes.Answer = MessageBoxAnswer::Yes;
    EXPECT_TRUE(Form->Dialog(Dir / "note.txt", carrier, true));
    EXPECT_EQ(Boxes.Shown.back().Text.rfind("Source file has been stegged-in the carrier file.", 0), 0u);

    QTimer::singleShot(0, [&] {
        EXPECT_EQ(Form->windowTitle().toStdString(), "Steg-out");
        EXPECT_FALSE(Form->ConfirmPasswordEdit->isEnabled());
        EXPECT_TRUE(Form->NoDecryptionSpeedButton->isEnabled());
        Form->OkayButton->click();
    });
    EXPECT_TRUE(Form->Dialog(carrier, Dir / "out", false));
    EXPECT_EQ(ReadAll(Dir / "out/note.txt"), "dialog");

    // The automatic password dialog: Cancel leaves automatic steg off.
    QTimer::singleShot(0, [&] {
        EXPECT_EQ(Form->windowTitle().toStdString(), "Auto steg");
        EXPECT_EQ(Form->OkayButton->text().toStdString(), "&Okay");
        Form->CancelButton->click();
    });
    EXPECT_FALSE(Form->Dialog(true));
    EXPECT_FALSE(Form->AutoStegActive());
    QTimer::singleShot(0, [&] { Form->OkayButton->click(); });
    EXPECT_TRUE(Form->Dialog(true));
    EXPECT_TRUE(Form->AutoStegActive());
}

TEST_F(StegTest, AnUnconfirmedPasswordIsAskedForBeforeAutomaticStegIn)
{
    const std::string carrier = Carrier(NoisePicture(200, 100, 43), "book.png");
    Form->ActivateAutoStegSpeedButton->setChecked(true);
    Form->ConfirmPasswordEdit->clear();
    Boxes.OnShow = [&](const std::string &text) {
        if (text != "The password is empty or not confirmed.") return;
        QTimer::singleShot(0, [&] {
            EXPECT_EQ(Form->windowTitle().toStdString(), "Confirm password");
            EXPECT_EQ(Form->OkayButton->text().toStdString(), "C&onfirm");
            Form->ConfirmPasswordEdit->setText(Form->PasswordEdit->text());
            Form->OkayButton->click();
        });
    };
    Boxes.Answer = MessageBoxAnswer::Ok;
    EXPECT_TRUE(Form->AutoStegIn(carrier, "a.txt", "confirmed")) << FunStatContext.description;

    Form->ConfirmPasswordEdit->clear();
    Boxes.OnShow = [&](const std::string &) {
        QTimer::singleShot(0, [&] { Form->CancelButton->click(); });
    };
    EXPECT_FALSE(Form->AutoStegIn(carrier, "a.txt", "unconfirmed"));
    EXPECT_EQ(FunStatContext.description, "Failed to auto steg-in because the password is empty or not confirmed.");
    FunStatContext.Reset(fsPerfect);
}

TEST_F(StegTest, SettingsRoundTrip)
{
    TStoredTextList list;
    Form->UserKeyIterationsComboBox->setCurrentText(QStringLiteral("100000"));
    Form->WriteSettings(list);
    TStegForm other;
    EXPECT_EQ(other.UserKeyIterations(), 1000);
    other.ReadSettings(list);
    EXPECT_EQ(other.UserKeyIterations(), 100000);
    EXPECT_EQ(other.AlgorithmComboBox->currentText().toStdString(), "KRO3");
    TStoredTextList empty;
    other.ReadSettings(empty);
    EXPECT_EQ(other.UserKeyIterations(), 1000);
}
