// Tests of the thumbnail cache: finding, rendering, stale entries and eviction, on real
// picture and text files made in temporary directories.
#include "Libraries/PictureCache.h"

#include "Libraries/File.h"
#include "Libraries/FileLink.h"

#include "tests/support/TestSupport.h"

#include <QColor>
#include <QCoreApplication>
#include <QFont>
#include <QFile>
#include <QFontMetrics>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QString>

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace {

constexpr TColorRef White = 0x00FFFFFF;
constexpr TColorRef Black = 0x00000000;

// The file's size and write time as a column lists them.
struct TFileKey
{
    std::uint64_t Size = 0;
    std::uint64_t WriteTime = 0;
};

TFileKey KeyOf(const std::string &path)
{
    TFileInfo info;
    info.Load(path);
    return {info.size, static_cast<std::uint64_t>(info.rawModified)};
}

void SavePicture(const std::string &path, int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(QString::fromStdString(path), "PNG")) << path;
}

// Sets the file's modification time to the Unix second.
void SetModified(const std::string &path, long seconds)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// Sets an environment variable for the life of the object.
class TEnvironmentVariable
{
public:
    TEnvironmentVariable(const char *name, const std::string &value) : Name(name)
    {
        if (const char *old = std::getenv(name)) Old = old;
        ::setenv(name, value.c_str(), 1);
    }
    ~TEnvironmentVariable()
    {
        if (Old)
            ::setenv(Name, Old->c_str(), 1);
        else
            ::unsetenv(Name);
    }
    TEnvironmentVariable(const TEnvironmentVariable &) = delete;
    TEnvironmentVariable &operator=(const TEnvironmentVariable &) = delete;

private:
    const char *Name;
    std::optional<std::string> Old;
};

class PictureCacheTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        Canvas.fill(Qt::black);
        Painter = std::make_unique<QPainter>(&Canvas);
        Cache.FreeMemory = [this] { return FreeMemory; };
    }
    void TearDown() override
    {
        Painter.reset();
        TStatusTest::TearDown();
    }

    // Loads a picture thumbnail into the box at (10, 10), as a thumbnail column does.
    const QImage *LoadPicture(const std::string &path, int boxWidth, int boxHeight)
    {
        const TFileKey key = KeyOf(path);
        FunStatContext.Reset(0);
        return LoadThumb(path, key, QRect(10, 10, boxWidth, boxHeight), false);
    }
    // A picture with the fit small options, into the box at (0, 0).
    const QImage *LoadFitted(TPictureCache &cache,
                             const std::string &path,
                             QSize box,
                             bool fitSmall = false,
                             int fitSmallSize = -1)
    {
        const TFileKey key = KeyOf(path);
        FunStatContext.Reset(0);
        return cache.Load(nullptr,
                          *Painter,
                          {},
                          {},
                          false,
                          false,
                          1000,
                          false,
                          NaturalHeight,
                          NaturalWidth,
                          ScalePercent,
                          false,
                          fitSmallSize,
                          fitSmall,
                          key.WriteTime,
                          key.Size,
                          path,
                          2,
                          QRect(QPoint(0, 0), box),
                          false,
                          -1,
                          false,
                          NoColorRef,
                          Black,
                          White);
    }
    const QImage *LoadThumb(const std::string &path, TFileKey key, QRect box, bool text)
    {
        return Cache.Load(Scrolling ? &IsScrolling : nullptr,
                          *Painter,
                          {},
                          {},
                          false,
                          false,
                          1000,
                          text,
                          NaturalHeight,
                          NaturalWidth,
                          ScalePercent,
                          text,
                          -1,
                          false,
                          key.WriteTime,
                          key.Size,
                          path,
                          2,
                          box,
                          false,
                          -1,
                          false,
                          NoColorRef,
                          Black,
                          White);
    }
    // Fills the folder with count pictures of width x height named p0.png, p1.png, ...
    void MakePictures(int count, int width, int height)
    {
        for (int i = 0; i < count; ++i)
            SavePicture(Name(i), width, height, QColor(0, 128, 0));
    }
    std::string Name(int i) const { return Dir / ("p" + std::to_string(i) + ".png"); }

    TTempDir Dir;
    // Thumbnails on disk go to the test's own folder.
    TEnvironmentVariable CacheHome{"XDG_CACHE_HOME", Dir / "cache"};
    TPictureCache Cache;
    std::uint64_t FreeMemory = 1ull << 32;
    QImage Canvas{400, 400, QImage::Format_RGB32};
    std::unique_ptr<QPainter> Painter;
    bool Scrolling = false;
    bool IsScrolling = true;
    int NaturalHeight = 0, NaturalWidth = 0, ScalePercent = 0;
};

TEST_F(PictureCacheTest, TheProgramsCacheStartsEmptyWithItsByteLimit)
{
    EXPECT_EQ(PictureCache.Count(), 0);
    EXPECT_EQ(PictureCache.GetSize(), 0);
    EXPECT_EQ(PictureCache.ByteLimit, 30000000);
    EXPECT_EQ(TPictureCache::MaxEntries, 1000);
}

TEST_F(PictureCacheTest, RepaintingACachedPictureDecodesNothing)
{
    SavePicture(Dir / "wide.png", 200, 100, QColor(255, 0, 0));
    const QImage *first = LoadPicture(Dir / "wide.png", 100, 100);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(FunStatContext.IsError());
    EXPECT_EQ(first->size(), QSize(100, 50));
    EXPECT_EQ(NaturalWidth, 200);
    EXPECT_EQ(NaturalHeight, 100);
    EXPECT_EQ(ScalePercent, 50);
    EXPECT_EQ(Cache.Renderings, 1);
    EXPECT_EQ(Cache.GetSize(), 100 * 50 * 4);

    // The second paint of the visible column comes from the cache and still paints.
    Canvas.fill(Qt::black);
    NaturalWidth = NaturalHeight = ScalePercent = 0;
    const QImage *second = LoadPicture(Dir / "wide.png", 100, 100);
    EXPECT_EQ(second, first);
    EXPECT_EQ(Cache.Renderings, 1);
    EXPECT_EQ(Cache.Count(), 1);
    EXPECT_EQ(NaturalWidth, 200);
    EXPECT_EQ(NaturalHeight, 100);
    EXPECT_EQ(ScalePercent, 50);
    EXPECT_EQ(QColor(Canvas.pixel(60, 30)), QColor(255, 0, 0));
    EXPECT_EQ(QColor(Canvas.pixel(60, 70)), QColor(Qt::black)); // below the 50-pixel rendering
}

TEST_F(PictureCacheTest, ANarrowAndAWideColumnGiveTwoEntries)
{
    SavePicture(Dir / "wide.png", 200, 100, QColor(0, 0, 255));
    ASSERT_NE(LoadPicture(Dir / "wide.png", 50, 50), nullptr);
    ASSERT_NE(LoadPicture(Dir / "wide.png", 100, 100), nullptr);
    ASSERT_EQ(Cache.Count(), 2);
    EXPECT_EQ(Cache.Entry(0).Bitmap.size(), QSize(50, 25));
    EXPECT_EQ(Cache.Entry(1).Bitmap.size(), QSize(100, 50));
    // Both columns painted again: nothing is decoded.
    EXPECT_EQ(LoadPicture(Dir / "wide.png", 50, 50), &Cache.Entry(0).Bitmap);
    EXPECT_EQ(LoadPicture(Dir / "wide.png", 100, 100), &Cache.Entry(1).Bitmap);
    EXPECT_EQ(Cache.Renderings, 2);
    EXPECT_EQ(Cache.Count(), 2);
}

TEST_F(PictureCacheTest, ARewrittenFileIsRenderedAgain)
{
    struct TCase
    {
        const char *Name;
        bool NewContent; // else only the write time changes
    };
    const TCase cases[] = {{"new content and time", true}, {"new write time only", false}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        Cache.Clear();
        Cache.Renderings = 0;
        const std::string path = Dir / "photo.png";
        SavePicture(path, 200, 100, QColor(255, 0, 0));
        SetModified(path, 1700000000);
        ASSERT_NE(LoadPicture(path, 50, 50), nullptr);
        ASSERT_NE(LoadPicture(path, 100, 100), nullptr);
        ASSERT_EQ(Cache.Count(), 2);

        if (c.NewContent) SavePicture(path, 300, 100, QColor(0, 255, 0));
        SetModified(path, 1700000100);
        const QImage *again = LoadPicture(path, 100, 100);
        ASSERT_NE(again, nullptr);
        EXPECT_EQ(Cache.Renderings, 3);
        // The stale rendering at this size went; the one for the narrow column stays until it
        // is painted again.
        ASSERT_EQ(Cache.Count(), 2);
        EXPECT_EQ(Cache.Entry(0).Bitmap.size(), QSize(50, 25));
        EXPECT_EQ(Cache.Entry(0).WriteTime, RawFileTime(1700000000, 0));
        EXPECT_EQ(Cache.Entry(1).WriteTime, RawFileTime(1700000100, 0));
        EXPECT_EQ(NaturalWidth, c.NewContent ? 300 : 200);
        EXPECT_EQ(QColor(again->pixel(10, 10)),
                  c.NewContent ? QColor(0, 255, 0) : QColor(255, 0, 0));
        // Painted once more: from the cache.
        EXPECT_EQ(LoadPicture(path, 100, 100), again);
        EXPECT_EQ(Cache.Renderings, 3);
    }
}

TEST_F(PictureCacheTest, NamesDifferingInLetterCaseAreDifferentFiles)
{
    SavePicture(Dir / "a.png", 20, 20, QColor(255, 0, 0));
    SavePicture(Dir / "A.png", 20, 20, QColor(0, 0, 255));
    // Copies of one size and time: only the name tells them apart.
    SetModified(Dir / "a.png", 1700000000);
    SetModified(Dir / "A.png", 1700000000);
    const QImage *lower = LoadPicture(Dir / "a.png", 100, 100);
    ASSERT_NE(lower, nullptr);
    const QColor lowerColor = QColor(lower->pixel(0, 0));
    const QImage *upper = LoadPicture(Dir / "A.png", 100, 100);
    ASSERT_NE(upper, nullptr);
    EXPECT_EQ(Cache.Renderings, 2);
    EXPECT_EQ(lowerColor, QColor(255, 0, 0));
    EXPECT_EQ(QColor(upper->pixel(0, 0)), QColor(0, 0, 255));
}

TEST_F(PictureCacheTest, TheThousandthEntryIsFollowedByEvictingTheOldestHalf)
{
    MakePictures(1001, 2, 2);
    for (int i = 0; i < 1000; ++i)
        ASSERT_NE(LoadPicture(Name(i), 10, 10), nullptr) << i;
    ASSERT_EQ(Cache.Count(), 1000);
    ASSERT_NE(LoadPicture(Name(1000), 10, 10), nullptr);
    ASSERT_EQ(Cache.Count(), 501);
    EXPECT_EQ(Cache.Entry(0).FileName, Name(500));
    EXPECT_EQ(Cache.Entry(499).FileName, Name(999));
    EXPECT_EQ(Cache.Entry(500).FileName, Name(1000));
    // An evicted picture is rendered again; a kept one is not.
    const std::int64_t renderings = Cache.Renderings;
    LoadPicture(Name(700), 10, 10);
    EXPECT_EQ(Cache.Renderings, renderings);
    LoadPicture(Name(499), 10, 10);
    EXPECT_EQ(Cache.Renderings, renderings + 1);
}

TEST_F(PictureCacheTest, SevenEntriesOverTheByteLimitLoseTheThreeOldest)
{
    MakePictures(8, 10, 10);
    Cache.ByteLimit = 6 * 10 * 10 * 4; // the seventh entry still fits, then the cache is over
    for (int i = 0; i < 7; ++i)
        ASSERT_NE(LoadPicture(Name(i), 100, 100), nullptr) << i;
    ASSERT_EQ(Cache.Count(), 7);
    ASSERT_GT(Cache.GetSize(), Cache.ByteLimit);
    ASSERT_NE(LoadPicture(Name(7), 100, 100), nullptr);
    ASSERT_EQ(Cache.Count(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(Cache.Entry(i).FileName, Name(i + 3)) << i;
    EXPECT_EQ(Cache.GetSize(), 5 * 400);
}

TEST_F(PictureCacheTest, ShortOfFreeMemoryOnlyFiveEntriesAreAddedWithoutEviction)
{
    struct TCase
    {
        std::uint64_t FreeMemory;
        int CountAfterSix;
    };
    // Six insertions: the sixth finds five entries and, short of memory, evicts two first.
    const TCase cases[] = {{9999999, 4}, {10000000, 6}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.FreeMemory);
        Cache.Clear();
        FreeMemory = c.FreeMemory;
        MakePictures(6, 4, 4);
        for (int i = 0; i < 5; ++i)
            ASSERT_NE(LoadPicture(Name(i), 10, 10), nullptr);
        EXPECT_EQ(Cache.Count(), 5);
        ASSERT_NE(LoadPicture(Name(5), 10, 10), nullptr);
        EXPECT_EQ(Cache.Count(), c.CountAfterSix);
        EXPECT_EQ(Cache.Entry(Cache.Count() - 1).FileName, Name(5));
    }
}

TEST_F(PictureCacheTest, AFileThatVanishedBeforePaintingFailsAndCachesNothing)
{
    const std::string path = Dir / "gone.png";
    SavePicture(path, 20, 20, QColor(255, 0, 0));
    const TFileKey listed = KeyOf(path);
    ASSERT_EQ(std::remove(path.c_str()), 0);
    FunStatContext.Reset(0);
    EXPECT_EQ(LoadThumb(path, listed, QRect(10, 10, 100, 100), false), nullptr);
    EXPECT_TRUE(FunStatContext.IsError());
    EXPECT_EQ(FunStatContext.description, "Invalid picture size.");
    EXPECT_EQ(FunStatContext.parameter1, path);
    EXPECT_EQ(Cache.Count(), 0);
    EXPECT_EQ(QColor(Canvas.pixel(20, 20)), QColor(Qt::black)); // the area stays as it was
}

TEST_F(PictureCacheTest, UncachedThumbnailsWaitWhileTheColumnScrolls)
{
    SavePicture(Dir / "a.png", 40, 40, QColor(255, 0, 0));
    SavePicture(Dir / "b.png", 40, 40, QColor(0, 0, 255));
    ASSERT_NE(LoadPicture(Dir / "a.png", 100, 100), nullptr);
    Scrolling = true;
    EXPECT_NE(LoadPicture(Dir / "a.png", 100, 100), nullptr); // cached: painted anyway
    EXPECT_EQ(LoadPicture(Dir / "b.png", 100, 100), nullptr);
    EXPECT_FALSE(FunStatContext.IsError());
    EXPECT_EQ(Cache.Renderings, 1);
    EXPECT_EQ(Cache.Count(), 1);
}

TEST_F(PictureCacheTest, AFontChangeRendersTextThumbnailsAgainButNotPictures)
{
    Dir.WriteFile("notes.txt", "Some words for a small text thumbnail.");
    SavePicture(Dir / "photo.png", 40, 40, QColor(255, 0, 0));
    const QRect box(10, 10, 120, 80);
    QFont font = Painter->font();
    font.setPointSize(9);
    Painter->setFont(font);
    ASSERT_NE(LoadThumb(Dir / "notes.txt", KeyOf(Dir / "notes.txt"), box, true), nullptr);
    ASSERT_NE(LoadPicture(Dir / "photo.png", 120, 80), nullptr);
    EXPECT_EQ(Cache.Entry(0).Bitmap.size(), QSize(120, 80));
    EXPECT_EQ(Cache.Renderings, 2);

    font.setPointSize(12);
    Painter->setFont(font);
    ASSERT_NE(LoadThumb(Dir / "notes.txt", KeyOf(Dir / "notes.txt"), box, true), nullptr);
    ASSERT_NE(LoadPicture(Dir / "photo.png", 120, 80), nullptr);
    EXPECT_EQ(Cache.Renderings, 3);
    EXPECT_EQ(Cache.Count(), 2); // the text in the old font went
}

TEST_F(PictureCacheTest, ATextIsWordWrappedUnlessItBreaksItsOwnLines)
{
    std::string words;
    for (int i = 0; i < 60; ++i)
        words += "word ";
    struct TCase
    {
        const char *Name;
        std::string Text;
        bool Wrapped;
    };
    const TCase cases[] = {{"no line break", words + "Z", true},
                           {"break inside", words + "\nZ", false},
                           {"break at the second character", "x\n" + words, true},
                           {"break at the last character", words + "\n", true},
                           {"carriage return inside", words + "\rZ", false}};
    const int lineHeight = QFontMetrics(Painter->font()).lineSpacing();
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        Dir.WriteFile("notes.txt", c.Text);
        FunStatContext.Reset(0);
        const QImage bitmap = TPictureCache::LoadTextToBitmap(
            *Painter, White, 100000, Dir / "notes.txt", -1, QRect(10, 10, 200, 100), Black);
        EXPECT_FALSE(FunStatContext.IsError());
        ASSERT_EQ(bitmap.size(), QSize(200, 100));
        // Ink in the third line: the long first line continues there only when wrapped.
        bool ink = false;
        for (int y = 2 + 2 * lineHeight; y < 2 + 3 * lineHeight && y < 100; ++y)
            for (int x = 0; x < 200; ++x)
                if (QColor(bitmap.pixel(x, y)) != QColor(Qt::white)) ink = true;
        EXPECT_EQ(ink, c.Wrapped);
    }
    // A text that cannot be read leaves only the background and the read's failure.
    FunStatContext.Reset(0);
    const QImage missing = TPictureCache::LoadTextToBitmap(
        *Painter, White, 1000, Dir / "missing.txt", 2, QRect(0, 0, 50, 40), Black);
    EXPECT_TRUE(FunStatContext.IsError());
    ASSERT_EQ(missing.size(), QSize(50, 40));
    EXPECT_EQ(QColor(missing.pixel(25, 20)), QColor(Qt::white));
}

TEST_F(PictureCacheTest, APaintedBitmapGetsItsBorderJustOutsideItAndKeepsItsTransparency)
{
    QImage bitmap(20, 10, QImage::Format_ARGB32_Premultiplied);
    bitmap.fill(QColor(255, 0, 0));
    bitmap.setPixel(5, 5, qRgba(0, 0, 0, 0));
    struct TCase
    {
        const char *Name;
        TColorRef Border;
        QColor Expected; // just outside the bitmap's corners
    };
    const TCase cases[] = {{"border", 0x0000FF00, QColor(0, 255, 0)},
                           {"no colour", NoColorRef, QColor(Qt::black)}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        Canvas.fill(Qt::black);
        TPictureCache::PaintPicture(*Painter, QRect(50, 60, 100, 100), c.Border, bitmap);
        EXPECT_EQ(QColor(Canvas.pixel(50, 60)), QColor(255, 0, 0));
        EXPECT_EQ(QColor(Canvas.pixel(69, 69)), QColor(255, 0, 0));
        EXPECT_EQ(QColor(Canvas.pixel(55, 65)), QColor(Qt::black)); // transparent pixel
        EXPECT_EQ(QColor(Canvas.pixel(49, 59)), c.Expected);
        EXPECT_EQ(QColor(Canvas.pixel(70, 70)), c.Expected);
        EXPECT_EQ(QColor(Canvas.pixel(71, 71)), QColor(Qt::black));
    }
}

TEST_F(PictureCacheTest, APluginDrawsAtTheFittedSizeAndItsExceptionsAreSwallowed)
{
    Dir.WriteFile("drawing.xyz", "anything");
    const std::string path = Dir / "drawing.xyz";
    std::string seenExtension;
    const TPluginPictureSizeFunction size =
        [&](const std::string &, const std::string &extension, int, int, int &w, int &h) {
            seenExtension = extension;
            w = 200;
            h = 100;
        };
    int drawn = 0;
    bool throws = false;
    const TPluginLoadFileFunction draw = [&](const std::string &,
                                             const std::string &,
                                             int width,
                                             int height,
                                             TColorRef,
                                             TColorRef,
                                             std::uint8_t *pixels) {
        ++drawn;
        if (throws) throw std::runtime_error("plug-in failure");
        for (int i = 0; i < width * height; ++i) {
            pixels[4 * i] = 255; // blue
            pixels[4 * i + 1] = 0;
            pixels[4 * i + 2] = 0;
        }
    };
    const auto load = [&](const TPluginLoadFileFunction &drawEntry, QRect box) {
        FunStatContext.Reset(0);
        return Cache.Load(nullptr,
                          *Painter,
                          drawEntry,
                          size,
                          true,
                          false,
                          1000,
                          false,
                          NaturalHeight,
                          NaturalWidth,
                          ScalePercent,
                          false,
                          -1,
                          false,
                          1,
                          8,
                          path,
                          2,
                          box,
                          false,
                          -1,
                          false,
                          NoColorRef,
                          Black,
                          White);
    };
    const QImage *bitmap = load(draw, QRect(10, 10, 100, 100));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(seenExtension, ".XYZ");
    EXPECT_EQ(bitmap->size(), QSize(100, 50));
    EXPECT_EQ(NaturalWidth, 200);
    EXPECT_EQ(ScalePercent, 50);
    EXPECT_EQ(QColor(bitmap->pixel(50, 25)), QColor(0, 0, 255));
    EXPECT_EQ(load(draw, QRect(10, 10, 100, 100)), bitmap);
    EXPECT_EQ(drawn, 1);

    throws = true;
    const QImage *failed = load(draw, QRect(10, 10, 60, 60));
    ASSERT_NE(failed, nullptr);
    EXPECT_FALSE(FunStatContext.IsError());
    EXPECT_EQ(QColor(failed->pixel(10, 10)), QColor(Qt::white)); // only the background

    // A plug-in without its drawing entry renders nothing.
    EXPECT_EQ(load({}, QRect(10, 10, 30, 30)), nullptr);
    EXPECT_FALSE(FunStatContext.IsError());
    EXPECT_EQ(Cache.Count(), 2);
}

TEST_F(PictureCacheTest, AVideoFrameIsFoundByTheBoxSideItTouches)
{
    const TEnvironmentVariable cacheHome("XDG_CACHE_HOME", Dir / "cache");
    Dir.WriteFile("movie.mkv", "not really a movie");
    const std::string video = Dir / "movie.mkv";
    const std::string folder = Dir / "cache/thumbnails/normal";
    std::filesystem::create_directories(folder);
    QImage frame(128, 96, QImage::Format_RGB32);
    frame.fill(QColor(0, 0, 255));
    frame.setText(QStringLiteral("Thumb::URI"), QString::fromStdString(FileUriOfPath(video)));
    ASSERT_TRUE(frame.save(
        QString::fromStdString(folder + "/" + Md5HexDigest(FileUriOfPath(video)) + ".png")));
    const TFileKey key = KeyOf(video);
    const auto load = [&](QRect box) {
        FunStatContext.Reset(0);
        return Cache.Load(nullptr,
                          *Painter,
                          {},
                          {},
                          false,
                          true,
                          1000,
                          false,
                          NaturalHeight,
                          NaturalWidth,
                          ScalePercent,
                          false,
                          -1,
                          false,
                          key.WriteTime,
                          key.Size,
                          video,
                          2,
                          box,
                          false,
                          -1,
                          false,
                          NoColorRef,
                          Black,
                          White);
    };
    const QImage *wide = load(QRect(0, 0, 160, 160));
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide->size(), QSize(160, 120));
    EXPECT_EQ(NaturalWidth, 160);
    EXPECT_EQ(NaturalHeight, 120);
    EXPECT_EQ(ScalePercent, 100);
    EXPECT_EQ(load(QRect(0, 0, 160, 160)), wide);
    EXPECT_EQ(load(QRect(0, 0, 160, 130)), wide); // still touches the box's width
    EXPECT_EQ(Cache.Renderings, 1);
    const QImage *narrow = load(QRect(0, 0, 100, 100));
    ASSERT_NE(narrow, nullptr);
    EXPECT_EQ(narrow->size(), QSize(100, 75));
    EXPECT_EQ(Cache.Renderings, 2);
    EXPECT_EQ(Cache.Count(), 2);
}

// ---- Thumbnails on disk ----------------------------------------------------------------------

// The text stored under the key in a PNG file; the file may have any name.
QString PngText(const std::string &path, const char *key)
{
    QFile file;
    const int handle = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (handle < 0 || !file.open(handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return QString();
    QImageReader reader(&file, "png");
    // The reader's own text look-up splits keys at their first ":"; the picture keeps them.
    return reader.read().text(QString::fromUtf8(key));
}

// Every file below the folder, by its path.
std::vector<std::string> FilesBelow(const std::string &folder)
{
    std::vector<std::string> files;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator();
         it.increment(error))
        if (it->is_regular_file()) files.push_back(it->path().string());
    std::sort(files.begin(), files.end());
    return files;
}

std::uint32_t ModeOf(const std::string &path)
{
    struct stat info{};
    if (::stat(path.c_str(), &info) != 0) return 0;
    return info.st_mode & 07777;
}

TEST_F(PictureCacheTest, TheFolderServingARenderingIsTheSmallestThatHoldsItsLargerSide)
{
    const std::pair<int, int> cases[] = {
        {1, 128}, {128, 128}, {129, 256}, {256, 256}, {512, 512}, {1000, 1024}, {1024, 1024},
        {1025, 0}};
    for (const auto &[side, folder] : cases)
        EXPECT_EQ(DiskThumbnailFolderSize(side), folder) << side;
    EXPECT_EQ(DiskThumbnailRoot(), Dir / "cache/thumbnails/");
    {
        const TEnvironmentVariable relative("XDG_CACHE_HOME", "not/absolute");
        const TEnvironmentVariable home("HOME", Dir / "home");
        EXPECT_EQ(DiskThumbnailRoot(), Dir / "home/.cache/thumbnails/");
    }
    EXPECT_EQ(DiskThumbnailPath(Dir / "a.png", 256),
              Dir / ("cache/thumbnails/large/" + Md5HexDigest(FileUriOfPath(Dir / "a.png")) +
                     ".png"));
    EXPECT_EQ(DiskThumbnailPath(Dir / "a.png", 200), "");
}

TEST_F(PictureCacheTest, AFreshCacheFindsThePictureOnDiskWithoutDecoding)
{
    struct TCase
    {
        const char *Name;
        QSize Picture;
        QSize Box;
        bool FitSmall;
        int FitSmallSize;
        QSize Rendering;
        int Folder;    // where the thumbnail is written
        QSize Written; // its size; empty when nothing is written
    };
    const TCase cases[] = {
        {"photo in a thumbnail column", {400, 300}, {160, 160}, false, -1, {160, 120}, 256, {256, 192}},
        {"portrait in a wide box", {300, 600}, {200, 100}, false, -1, {50, 100}, 128, {64, 128}},
        {"box of a folder's size", {800, 400}, {256, 256}, false, -1, {256, 128}, 256, {256, 128}},
        {"small picture at its own size", {100, 50}, {160, 160}, false, -1, {100, 50}, 128, {100, 50}},
        {"small picture enlarged", {100, 50}, {160, 160}, true, 10, {160, 80}, 256, {}},
        {"rendering above the largest folder", {3000, 2000}, {1500, 1500}, false, -1, {1500, 1000}, 0, {}},
    };
    int index = 0;
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        const std::string path = Dir / ("picture" + std::to_string(index++) + ".jpg");
        QImage picture(c.Picture, QImage::Format_RGB32);
        picture.fill(QColor(200, 40, 40));
        ASSERT_TRUE(picture.save(QString::fromStdString(path), "JPEG"));

        // The rendering without the disk level is the yardstick.
        TPictureCache memoryOnly;
        memoryOnly.UseDiskCache = false;
        const QImage *plain = LoadFitted(memoryOnly, path, c.Box, c.FitSmall, c.FitSmallSize);
        ASSERT_NE(plain, nullptr);
        ASSERT_EQ(plain->size(), c.Rendering);
        const int scale = ScalePercent;
        EXPECT_EQ(memoryOnly.Decodes, 1);
        EXPECT_TRUE(FilesBelow(Dir / "cache").empty());

        Cache.Clear();
        Cache.Decodes = 0;
        const QImage *first = LoadFitted(Cache, path, c.Box, c.FitSmall, c.FitSmallSize);
        ASSERT_NE(first, nullptr);
        EXPECT_FALSE(FunStatContext.IsError());
        EXPECT_EQ(first->size(), c.Rendering);
        EXPECT_EQ(NaturalWidth, c.Picture.width());
        EXPECT_EQ(NaturalHeight, c.Picture.height());
        EXPECT_EQ(ScalePercent, scale);
        EXPECT_EQ(Cache.Decodes, 1);
        const std::string written = c.Folder ? DiskThumbnailPath(path, c.Folder) : "";
        // The thumbnail waits for the paint to end: the event loop writes it when idle.
        EXPECT_EQ(Cache.PendingDiskWrites(), c.Written.isEmpty() ? 0 : 1);
        EXPECT_TRUE(written.empty() || !std::filesystem::exists(written));
        QCoreApplication::processEvents();
        EXPECT_EQ(Cache.PendingDiskWrites(), 0);
        if (c.Written.isEmpty()) {
            EXPECT_TRUE(written.empty() || !std::filesystem::exists(written));
        } else {
            ASSERT_TRUE(std::filesystem::exists(written));
            EXPECT_EQ(QImage(QString::fromStdString(written)).size(), c.Written);
        }

        // As after a restart: memory is empty, the disk still holds the thumbnail.
        Cache.Clear();
        NaturalWidth = NaturalHeight = ScalePercent = 0;
        const QImage *again = LoadFitted(Cache, path, c.Box, c.FitSmall, c.FitSmallSize);
        ASSERT_NE(again, nullptr);
        EXPECT_FALSE(FunStatContext.IsError());
        EXPECT_EQ(again->size(), c.Rendering);
        EXPECT_EQ(NaturalWidth, c.Picture.width());
        EXPECT_EQ(NaturalHeight, c.Picture.height());
        EXPECT_EQ(ScalePercent, scale);
        EXPECT_EQ(Cache.Decodes, c.Written.isEmpty() ? 2 : 1);
        EXPECT_EQ(Cache.Renderings, 2 * index);
        const QColor middle = QColor(again->pixel(again->width() / 2, again->height() / 2));
        EXPECT_NEAR(middle.red(), 200, 8);
        EXPECT_NEAR(middle.green(), 40, 8);
        std::filesystem::remove_all(Dir / "cache");
    }
}

TEST_F(PictureCacheTest, ARewrittenPictureIsDecodedAgainAndItsThumbnailReplaced)
{
    const std::string path = Dir / "photo.png";
    SavePicture(path, 400, 300, QColor(255, 0, 0));
    SetModified(path, 1700000000);
    ASSERT_NE(LoadFitted(Cache, path, {160, 160}), nullptr);
    Cache.FlushDiskWrites();
    const std::string thumbnail = DiskThumbnailPath(path, 256);
    EXPECT_EQ(PngText(thumbnail, "Thumb::MTime"), QStringLiteral("1700000000"));

    Cache.Clear();
    SavePicture(path, 400, 300, QColor(0, 255, 0));
    SetModified(path, 1700000100);
    const QImage *again = LoadFitted(Cache, path, {160, 160});
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Cache.Decodes, 2);
    EXPECT_EQ(QColor(again->pixel(80, 60)), QColor(0, 255, 0));
    Cache.FlushDiskWrites();
    EXPECT_EQ(PngText(thumbnail, "Thumb::MTime"), QStringLiteral("1700000100"));
    EXPECT_EQ(QColor(QImage(QString::fromStdString(thumbnail)).pixel(10, 10)), QColor(0, 255, 0));
    EXPECT_EQ(FilesBelow(Dir / "cache"), std::vector<std::string>{thumbnail});
}

TEST_F(PictureCacheTest, TheWrittenThumbnailCarriesItsKeysAndIsPrivate)
{
    // A long name: Qt would compress a long text, thumbnail readers expect plain text chunks.
    const std::string path = Dir / "a picture with a rather long name, spaces and 100%.png";
    SavePicture(path, 600, 300, QColor(0, 0, 255));
    SetModified(path, 1700000042);
    ASSERT_NE(LoadFitted(Cache, path, {160, 160}), nullptr);
    Cache.FlushDiskWrites();
    const std::string thumbnail = DiskThumbnailPath(path, 256);
    EXPECT_EQ(FilesBelow(Dir / "cache"), std::vector<std::string>{thumbnail}); // no temporary left
    const std::string uri = FileUriOfPath(path);
    EXPECT_NE(uri.find("%20"), std::string::npos);
    EXPECT_EQ(thumbnail, Dir / ("cache/thumbnails/large/" + Md5HexDigest(uri) + ".png"));
    EXPECT_EQ(PngText(thumbnail, "Thumb::URI"), QString::fromStdString(uri));
    EXPECT_EQ(PngText(thumbnail, "Thumb::MTime"), QStringLiteral("1700000042"));
    EXPECT_EQ(PngText(thumbnail, "Thumb::Size"), QString::number(KeyOf(path).Size));
    EXPECT_EQ(PngText(thumbnail, "Thumb::Image::Width"), QStringLiteral("600"));
    EXPECT_EQ(PngText(thumbnail, "Thumb::Image::Height"), QStringLiteral("300"));
    EXPECT_EQ(PngText(thumbnail, "Software"), QStringLiteral("Velmordian"));
    const std::string bytes = Dir.ReadFile("cache/thumbnails/large/" + Md5HexDigest(uri) + ".png");
    EXPECT_NE(bytes.find("tEXtThumb::URI" + std::string(1, '\0') + uri), std::string::npos);
    EXPECT_LT(bytes.find("tEXtThumb::URI"), bytes.find("IDAT"));
    EXPECT_EQ(QImage(QString::fromStdString(thumbnail)).size(), QSize(256, 128));
    EXPECT_EQ(ModeOf(thumbnail), 0600u);
    EXPECT_EQ(ModeOf(Dir / "cache/thumbnails"), 0700u);
    EXPECT_EQ(ModeOf(Dir / "cache/thumbnails/large"), 0700u);
}

TEST_F(PictureCacheTest, OnlyAValidThumbnailThatHoldsTheRenderingServes)
{
    const std::string path = Dir / "photo.jpg";
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(QColor(255, 0, 0));
    ASSERT_TRUE(picture.save(QString::fromStdString(path), "JPEG"));
    SetModified(path, 1700000000);
    const TFileKey key = KeyOf(path);
    struct TCase
    {
        const char *Name;
        std::string Uri;
        const char *Modified;
        std::string Size; // empty: no size key, as some programs write
        QSize Thumbnail;
        bool Serves;
    };
    const std::string uri = FileUriOfPath(path);
    const std::string size = std::to_string(key.Size);
    const TCase cases[] = {
        {"another program's thumbnail", uri, "1700000000", "", {256, 192}, true},
        {"with the size", uri, "1700000000", size, {256, 192}, true},
        {"another modification time", uri, "1700000001", size, {256, 192}, false},
        {"no modification time", uri, nullptr, size, {256, 192}, false},
        {"another size", uri, "1700000000", "1", {256, 192}, false},
        {"another file", uri + "x", "1700000000", size, {256, 192}, false},
        {"too few pixels for the rendering", uri, "1700000000", size, {150, 112}, false},
        {"more than its folder holds", uri, "1700000000", size, {400, 300}, false},
    };
    const std::string thumbnail = DiskThumbnailPath(path, 256);
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        std::filesystem::remove_all(Dir / "cache");
        std::filesystem::create_directories(Dir / "cache/thumbnails/large");
        QImage stored(c.Thumbnail, QImage::Format_RGB32);
        stored.fill(QColor(0, 0, 255));
        stored.setText(QStringLiteral("Thumb::URI"), QString::fromStdString(c.Uri));
        if (c.Modified) stored.setText(QStringLiteral("Thumb::MTime"), QString::fromUtf8(c.Modified));
        if (!c.Size.empty()) stored.setText(QStringLiteral("Thumb::Size"), QString::fromStdString(c.Size));
        ASSERT_TRUE(stored.save(QString::fromStdString(thumbnail), "PNG"));
        Cache.Clear();
        Cache.Decodes = 0;
        const QImage *rendering = LoadFitted(Cache, path, {160, 160});
        ASSERT_NE(rendering, nullptr);
        EXPECT_FALSE(FunStatContext.IsError());
        EXPECT_EQ(rendering->size(), QSize(160, 120));
        EXPECT_EQ(Cache.Decodes, c.Serves ? 0 : 1);
        const QColor seen = QColor(rendering->pixel(80, 60));
        EXPECT_EQ(seen.blue() > 200, c.Serves) << seen.name().toStdString();
        // A thumbnail that did not serve was replaced by a valid one.
        Cache.FlushDiskWrites();
        EXPECT_EQ(PngText(thumbnail, "Thumb::MTime"), QStringLiteral("1700000000"));
    }
}

TEST_F(PictureCacheTest, AReadOnlyOrMissingCacheFolderPaintsWithoutAnError)
{
    const std::string path = Dir / "photo.png";
    SavePicture(path, 400, 300, QColor(255, 0, 0));
    ASSERT_EQ(::chmod(Dir.Path().c_str(), 0755), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0644), 0);
    std::filesystem::create_directories(Dir / "readonly/thumbnails/large");
    struct TCase
    {
        const char *Name;
        std::string CacheHome;
    };
    // The folders belong to root: the user nobody can neither write nor make them.
    const TCase cases[] = {{"read-only folders", Dir / "readonly"},
                           {"missing folder", Dir / "missing/cache"}};
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        const TEnvironmentVariable cacheHome("XDG_CACHE_HOME", c.CacheHome);
        const int result = RunAsNobody([&] {
            Cache.Clear();
            const QImage *rendering = LoadFitted(Cache, path, {160, 160});
            if (!rendering || rendering->size() != QSize(160, 120)) return 1;
            Cache.FlushDiskWrites();
            if (FunStatContext.IsError() || !ShownErrors().empty()) return 2;
            if (QColor(Canvas.pixel(80, 60)) != QColor(255, 0, 0)) return 3;
            return Cache.Decodes == 1 ? 0 : 4;
        });
        if (result == -1) GTEST_SKIP() << "the machine cannot run a test as nobody";
        EXPECT_EQ(result, 0);
    }
    EXPECT_TRUE(FilesBelow(Dir / "readonly").empty());
    EXPECT_FALSE(std::filesystem::exists(Dir / "missing"));
}

TEST_F(PictureCacheTest, PicturesInsideTheThumbnailFoldersAreNotWrittenBack)
{
    std::filesystem::create_directories(Dir / "cache/thumbnails/large");
    const std::string path = Dir / "cache/thumbnails/large/0123456789abcdef0123456789abcdef.png";
    SavePicture(path, 256, 192, QColor(255, 0, 0));
    const QImage *rendering = LoadFitted(Cache, path, {160, 160});
    ASSERT_NE(rendering, nullptr);
    EXPECT_FALSE(FunStatContext.IsError());
    EXPECT_EQ(rendering->size(), QSize(160, 120));
    EXPECT_EQ(Cache.PendingDiskWrites(), 0);
    Cache.FlushDiskWrites();
    EXPECT_EQ(FilesBelow(Dir / "cache"), std::vector<std::string>{path});
}

TEST_F(PictureCacheTest, ANameThatIsNotUtf8HasItsBytesInTheThumbnailsUri)
{
    const std::string path = Dir / "caf\xE9 \xFF.png";
    SavePicture(Dir / "plain.png", 400, 300, QColor(0, 255, 0));
    ASSERT_EQ(std::rename((Dir / "plain.png").c_str(), path.c_str()), 0);
    ASSERT_NE(LoadFitted(Cache, path, {160, 160}), nullptr);
    EXPECT_FALSE(FunStatContext.IsError());
    Cache.FlushDiskWrites();
    const std::string uri = FileUriOfPath(path);
    EXPECT_NE(uri.find("caf%E9%20%FF.png"), std::string::npos);
    const std::string thumbnail = DiskThumbnailPath(path, 256);
    ASSERT_TRUE(std::filesystem::exists(thumbnail));
    EXPECT_EQ(PngText(thumbnail, "Thumb::URI"), QString::fromStdString(uri));
    Cache.Clear();
    const QImage *again = LoadFitted(Cache, path, {160, 160});
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Cache.Decodes, 1);
    EXPECT_EQ(QColor(again->pixel(80, 60)), QColor(0, 255, 0));
}

TEST_F(PictureCacheTest, WithoutTheDiskLevelNothingIsWrittenOrRead)
{
    const std::string path = Dir / "photo.png";
    SavePicture(path, 400, 300, QColor(255, 0, 0));
    ASSERT_NE(LoadFitted(Cache, path, {160, 160}), nullptr);
    Cache.FlushDiskWrites();
    Cache.Clear();
    Cache.UseDiskCache = false;
    std::filesystem::remove_all(Dir / "cache");
    ASSERT_NE(LoadFitted(Cache, path, {160, 160}), nullptr);
    EXPECT_EQ(Cache.Decodes, 2);
    EXPECT_TRUE(FilesBelow(Dir / "cache").empty());
}

TEST_F(PictureCacheTest, ThumbnailsOfACacheThatWentAreNotWritten)
{
    const std::string path = Dir / "photo.png";
    SavePicture(path, 400, 300, QColor(255, 0, 0));
    {
        TPictureCache shortLived;
        ASSERT_NE(LoadFitted(shortLived, path, {160, 160}), nullptr);
        EXPECT_EQ(shortLived.PendingDiskWrites(), 1);
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(FilesBelow(Dir / "cache").empty());
}

} // namespace
