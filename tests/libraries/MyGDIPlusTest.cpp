// Tests of the picture services: the codec table, decoding into bitmaps, conversion and the
// colour work, on real picture files made in temporary directories.
#include "Libraries/MyGDIPlus.h"

#include "tests/support/TestSupport.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace {

// The picture encoded in the Qt format, as file bytes.
std::string
Encoded(const QImage &image,
        const char *format,
        int quality = -1,
        QImageIOHandler::Transformations transformation = QImageIOHandler::TransformationNone)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setTransformation(transformation);
    if (!writer.write(image)) throw std::runtime_error("encoding failed");
    return bytes.toStdString();
}

// Left half red, right half blue.
QImage TwoHalves(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height, QColor(255, 0, 0));
    painter.fillRect(width / 2, 0, width - width / 2, height, QColor(0, 0, 255));
    return image;
}

QImage Checkerboard(int side)
{
    QImage image(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            image.setPixel(x, y, (x + y) % 2 ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return image;
}

std::uint32_t Crc32(const std::string &bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return crc ^ 0xFFFFFFFFu;
}

std::string BigEndian(std::uint32_t value)
{
    return {static_cast<char>(value >> 24),
            static_cast<char>(value >> 16),
            static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

std::string PngChunk(const std::string &type, const std::string &data)
{
    const std::string body = type + data;
    return BigEndian(static_cast<std::uint32_t>(data.size())) + body + BigEndian(Crc32(body));
}

// A PNG whose header (with correct checksums) claims the size, followed by a few bytes of
// pixel data only.
std::string PngHeaderClaiming(std::uint32_t width, std::uint32_t height)
{
    return std::string("\x89PNG\r\n\x1a\n", 8) +
           PngChunk("IHDR",
                    BigEndian(width) + BigEndian(height) + std::string("\x08\x06\0\0\0", 5)) +
           PngChunk("IDAT", std::string("\x78\x9c\x63\x60\x00\x00", 6)) + PngChunk("IEND", "");
}

struct TLoaded
{
    QImage Bitmap;
    int PictureHeight = -1, PictureWidth = -1, ScalePercent = -1;
};

TLoaded Load(const std::string &file,
             int boxWidth,
             int boxHeight,
             bool fitSmall = false,
             int fitSmallSize = 0,
             bool fitExactly = false,
             bool highQuality = false,
             int smartQualitySize = -1,
             TColorRef background = 0x00FFFFFF)
{
    TLoaded result;
    result.Bitmap = LoadPictureToBitmap(file,
                                        background,
                                        QRect(0, 0, boxWidth, boxHeight),
                                        smartQualitySize,
                                        highQuality,
                                        result.PictureHeight,
                                        result.PictureWidth,
                                        result.ScalePercent,
                                        fitExactly,
                                        fitSmallSize,
                                        fitSmall);
    return result;
}

class PictureServicesTest : public TStatusTest
{
protected:
    TTempDir Dir;

    std::string Make(const std::string &name, const QImage &image, const char *format)
    {
        Dir.WriteFile(name, Encoded(image, format));
        return Dir / name;
    }
};

// ---- Codecs ---------------------------------------------------------------------------------

TEST_F(PictureServicesTest, CodecTableNamesFormatsAsTheListsShowThem)
{
    std::vector<std::string> filters;
    LoadPictureConvertFilters(filters);
    ASSERT_GE(filters.size(), 4u);
    EXPECT_EQ(filters[0], "BMP");
    EXPECT_EQ(filters[1], "JPEG");
    EXPECT_EQ(std::count(filters.begin(), filters.end(), "GIF"), 0) << "Qt writes no GIF";
    EXPECT_EQ(std::count(filters.begin(), filters.end(), "PNG"), 1);

    const std::vector<TPictureCodec> &decoders = PictureDecoders();
    ASSERT_FALSE(decoders.empty());
    EXPECT_EQ(decoders[0].Description, "BMP");
    EXPECT_EQ(decoders[0].Extensions, "*.BMP;*.DIB;*.RLE");
    EXPECT_EQ(decoders[0].Format, "bmp");
    const bool readsGif = std::any_of(decoders.begin(), decoders.end(), [](const auto &codec) {
        return codec.Description == "GIF";
    });
    EXPECT_TRUE(readsGif);

    const std::string filter = GetPictureExtensionsAsFilter();
    EXPECT_EQ(filter.rfind("*.bmp;*.dib;*.rle;*.jpg;*.jpeg;", 0), 0u) << filter;
    EXPECT_NE(filter.back(), ';');
    EXPECT_EQ(filter.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos);
    EXPECT_NE(filter.find("*.png"), std::string::npos);

    std::vector<std::string> extensions = {"stale"};
    GetPictureExtensions(extensions);
    ASSERT_GE(extensions.size(), 3u);
    EXPECT_EQ(extensions[0], ".BMP");
    EXPECT_EQ(extensions[1], ".DIB");
    EXPECT_EQ(extensions[2], ".RLE");
    for (const char *extension : {".JPG", ".JPEG", ".PNG", ".GIF"})
        EXPECT_EQ(std::count(extensions.begin(), extensions.end(), extension), 1) << extension;
    for (const std::string &extension : extensions) {
        EXPECT_EQ(extension.front(), '.');
        EXPECT_EQ(extension.find_first_of("abcdefghijklmnopqrstuvwxyz*"), std::string::npos);
    }
}

TEST_F(PictureServicesTest, ConverterIdIsFoundByItsExactDescription)
{
    struct TCase
    {
        const char *Description;
        bool Found;
        const char *Extension, *Id;
    } cases[] = {
        {"JPEG", true, ".jpg", "jpeg"},
        {"BMP", true, ".bmp", "bmp"},
        {"PNG", true, ".png", "png"},
        {"jpeg", false, "unchanged", "unchanged"},
        {"GIF", false, "unchanged", "unchanged"},
        {"", false, "unchanged", "unchanged"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Description);
        std::string extension = "unchanged";
        std::string id = "unchanged";
        EXPECT_EQ(GetPictureConverterID(c.Description, extension, id), c.Found);
        EXPECT_EQ(extension, c.Extension);
        EXPECT_EQ(id, c.Id);
    }
}

// ---- Loading into a bitmap ------------------------------------------------------------------

TEST_F(PictureServicesTest, PicturesAreFittedIntoTheBox)
{
    const std::string wideJpeg = Make("wide.jpg", TwoHalves(2000, 1000), "jpeg");
    const std::string widePng = Make("wide.png", TwoHalves(2000, 1000), "png");
    const std::string small = Make("small.png", TwoHalves(50, 20), "png");
    struct TCase
    {
        const char *Name;
        std::string File;
        bool FitSmall;
        int FitSmallSize;
        bool FitExactly;
        int Width, Height, Percent;
    } cases[] = {
        {"wide jpeg", wideJpeg, false, 0, false, 100, 50, 5},
        {"wide png", widePng, false, 0, false, 100, 50, 5},
        {"small", small, false, 0, false, 50, 20, 100},
        {"small enlarged", small, true, 0, false, 100, 40, 200},
        {"small side below the fit small size", small, true, 30, false, 50, 20, 100},
        {"small sides reach the fit small size", small, true, 20, false, 100, 40, 200},
        {"fit exactly", wideJpeg, false, 0, true, 100, 100, 10},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        const TLoaded loaded = Load(c.File, 100, 100, c.FitSmall, c.FitSmallSize, c.FitExactly);
        ASSERT_FALSE(loaded.Bitmap.isNull());
        EXPECT_EQ(FunStatContext.status, fsPerfect);
        EXPECT_EQ(loaded.Bitmap.width(), c.Width);
        EXPECT_EQ(loaded.Bitmap.height(), c.Height);
        EXPECT_EQ(loaded.ScalePercent, c.Percent);
        const QSize natural = c.File == small ? QSize(50, 20) : QSize(2000, 1000);
        EXPECT_EQ(loaded.PictureWidth, natural.width());
        EXPECT_EQ(loaded.PictureHeight, natural.height());
        const QColor left = loaded.Bitmap.pixelColor(c.Width / 4, c.Height / 2);
        const QColor right = loaded.Bitmap.pixelColor(c.Width * 3 / 4, c.Height / 2);
        EXPECT_GT(left.red(), 200);
        EXPECT_LT(left.blue(), 60);
        EXPECT_GT(right.blue(), 200);
        EXPECT_LT(right.red(), 60);
    }
}

TEST_F(PictureServicesTest, SmoothScalingOnlyInHighQualityOrFromTheSmartSize)
{
    const std::string board = Make("board.png", Checkerboard(100), "png");
    struct TCase
    {
        const char *Name;
        bool HighQuality;
        int SmartQualitySize;
        bool Smooth;
    } cases[] = {
        {"fast", false, -1, false},
        {"high quality", true, -1, true},
        {"bitmap reaches the smart size", false, 50, true},
        {"bitmap below the smart size", false, 51, false},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        const TLoaded loaded =
            Load(board, 50, 50, false, 0, false, c.HighQuality, c.SmartQualitySize);
        ASSERT_EQ(loaded.Bitmap.size(), QSize(50, 50));
        int extremes = 0;
        for (int y = 5; y < 45; ++y)
            for (int x = 5; x < 45; ++x) {
                const int grey = qGray(loaded.Bitmap.pixel(x, y));
                if (grey < 30 || grey > 225) ++extremes;
            }
        if (c.Smooth)
            EXPECT_EQ(extremes, 0);
        else
            EXPECT_EQ(extremes, 40 * 40);
    }
}

TEST_F(PictureServicesTest, TransparentKindsKeepTheirAlphaOthersGetTheBackground)
{
    QImage hole(20, 20, QImage::Format_ARGB32);
    hole.fill(Qt::transparent);
    QPainter(&hole).fillRect(5, 5, 10, 10, QColor(0, 255, 0));
    const std::string png = Make("hole.png", hole, "png");
    const std::string bmp = Make("hole.bmp", hole, "bmp");
    const TLoaded fromPng = Load(png, 20, 20, false, 0, false, false, -1, 0x000000FF);
    ASSERT_FALSE(fromPng.Bitmap.isNull());
    EXPECT_EQ(qAlpha(fromPng.Bitmap.pixel(1, 1)), 0);
    EXPECT_EQ(fromPng.Bitmap.pixel(10, 10), qRgb(0, 255, 0));
    const TLoaded fromBmp = Load(bmp, 20, 20, false, 0, false, false, -1, 0x000000FF);
    ASSERT_FALSE(fromBmp.Bitmap.isNull());
    EXPECT_EQ(qAlpha(fromBmp.Bitmap.pixel(1, 1)), 255);
    EXPECT_EQ(fromBmp.Bitmap.pixel(10, 10), qRgb(0, 255, 0));
}

TEST_F(PictureServicesTest, PhotographsAreShownUpright)
{
    // Stored 40 x 20 with an orientation that turns it a quarter clockwise: the left (red)
    // half comes to the top.
    Dir.WriteFile("turned.jpg",
                  Encoded(TwoHalves(40, 20), "jpeg", 95, QImageIOHandler::TransformationRotate90));
    const TLoaded loaded = Load(Dir / "turned.jpg", 100, 100);
    ASSERT_FALSE(loaded.Bitmap.isNull());
    EXPECT_EQ(loaded.PictureWidth, 20);
    EXPECT_EQ(loaded.PictureHeight, 40);
    EXPECT_EQ(loaded.Bitmap.size(), QSize(20, 40));
    EXPECT_GT(loaded.Bitmap.pixelColor(10, 5).red(), 200);
    EXPECT_GT(loaded.Bitmap.pixelColor(10, 35).blue(), 200);
    // Scaled while decoding, the turn is applied to the scaled picture too.
    const TLoaded scaled = Load(Dir / "turned.jpg", 10, 10);
    EXPECT_EQ(scaled.Bitmap.size(), QSize(5, 10));
    EXPECT_GT(scaled.Bitmap.pixelColor(2, 1).red(), 200);
}

TEST_F(PictureServicesTest, PicturesAboveQtsDefaultAllocationLimitLoad)
{
    // 6000 x 6000 at 4 bytes a pixel is 144 MB: more than Qt allows by default, less than our
    // bound. The PNG decoder cannot scale while decoding, so the whole picture is decoded.
    QImage large(6000, 6000, QImage::Format_RGB32);
    large.fill(QColor(10, 20, 30));
    const std::string file = Make("large.png", large, "png");
    large = QImage();
    const TLoaded loaded = Load(file, 100, 100, false, 0, false, true);
    ASSERT_FALSE(loaded.Bitmap.isNull()) << FunStatContext.description;
    EXPECT_EQ(loaded.Bitmap.size(), QSize(100, 100));
    EXPECT_EQ(loaded.Bitmap.pixel(50, 50), qRgb(10, 20, 30));
}

TEST_F(PictureServicesTest, BadInputIsAnInvalidPictureSize)
{
    const std::string jpeg = Encoded(TwoHalves(200, 100), "jpeg", 90);
    Dir.WriteFile("header-only.jpg", jpeg.substr(0, 100));
    Dir.WriteFile("empty.png", "");
    Dir.WriteFile("huge.png", PngHeaderClaiming(100000, 100000));
    Dir.WriteFile("text.png", "just some words, no picture\n");
    std::filesystem::create_directory(Dir / "folder.png");
    for (const char *name : {"header-only.jpg",
                             "empty.png",
                             "huge.png",
                             "text.png",
                             "folder.png",
                             "vanished.png",
                             "\xff\xfe-vanished.png"}) {
        SCOPED_TRACE(name);
        FunStatContext.Reset(fsPerfect);
        const TLoaded loaded = Load(Dir / name, 100, 100);
        EXPECT_TRUE(loaded.Bitmap.isNull());
        EXPECT_EQ(FunStatContext.status, fsError);
        EXPECT_EQ(FunStatContext.description, "Invalid picture size.");
        EXPECT_EQ(FunStatContext.parameter1, Dir / name);
        EXPECT_EQ(FunStatContext.function, "LoadPictureToBitmap");
    }
    // Qt reports the size the header claims; only our bound keeps it from being decoded.
    QImageReader reader(QString::fromStdString(Dir / "huge.png"));
    EXPECT_EQ(reader.size(), QSize(100000, 100000));
}

TEST_F(PictureServicesTest, ATruncatedPhotographShowsWhatWasDecoded)
{
    const std::string jpeg = Encoded(TwoHalves(200, 100), "jpeg", 90);
    Dir.WriteFile("half.jpg", jpeg.substr(0, jpeg.size() / 2));
    const TLoaded loaded = Load(Dir / "half.jpg", 100, 100);
    ASSERT_FALSE(loaded.Bitmap.isNull());
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_EQ(loaded.Bitmap.size(), QSize(100, 50));
    EXPECT_GT(loaded.Bitmap.pixelColor(10, 2).red(), 200);
}

TEST_F(PictureServicesTest, NamesThatAreNotUtf8Load)
{
    const std::string name = "\xff\xfe photo.png";
    const std::string file = Make(name, TwoHalves(50, 20), "png");
    const TLoaded loaded = Load(file, 100, 100);
    ASSERT_FALSE(loaded.Bitmap.isNull()) << FunStatContext.description;
    EXPECT_EQ(loaded.Bitmap.size(), QSize(50, 20));
}

TEST_F(PictureServicesTest, APictureInAFolderWithoutReadPermission)
{
    std::filesystem::create_directory(Dir / "closed");
    const std::string file = Make("closed/photo.png", TwoHalves(50, 20), "png");
    ASSERT_EQ(chmod((Dir / "closed").c_str(), 0700), 0);
    ASSERT_EQ(chmod(Dir.Path().c_str(), 0755), 0);
    const int code = RunAsNobody([&] {
        if (geteuid() == 0) return 3;
        FunStatContext.Reset(fsPerfect);
        const TLoaded loaded = Load(file, 100, 100);
        if (!loaded.Bitmap.isNull()) return 1;
        return FunStatContext.description == "Invalid picture size." &&
                       FunStatContext.parameter1 == file
                   ? 0
                   : 2;
    });
    if (code < 0) GTEST_SKIP() << "cannot run as the user nobody here";
    EXPECT_EQ(code, 0);
    // Its owner reads it.
    EXPECT_FALSE(Load(file, 100, 100).Bitmap.isNull());
}

// ---- Conversion -----------------------------------------------------------------------------

TEST_F(PictureServicesTest, ConvertedSizeFollowsNormalizeSize)
{
    struct TCase
    {
        const char *Name;
        QSize Source;
        int FitSmallSize;
        bool FitSmall, Normalize, Height, Width;
        int BoxHeight, BoxWidth;
        QSize Expected;
    } cases[] = {
        {"width only enlarges", {50, 20}, 0, false, true, false, true, 100, 200, {200, 80}},
        {"width only shrinks", {2000, 1000}, 0, false, true, false, true, 100, 200, {200, 100}},
        {"height only", {2000, 1000}, 0, false, true, true, false, 50, 200, {100, 50}},
        {"both fit inside", {2000, 1000}, 0, false, true, true, true, 100, 100, {100, 50}},
        {"both, small not enlarged", {50, 20}, 0, false, true, true, true, 100, 100, {50, 20}},
        {"both, fit small", {50, 20}, 10, true, true, true, true, 100, 100, {100, 40}},
        {"both, side below fit small", {50, 20}, 30, true, true, true, true, 100, 100, {50, 20}},
        {"no normalize fits the box",
         {2000, 1000},
         0,
         true,
         false,
         true,
         true,
         100,
         100,
         {100, 50}},
        {"no normalize never enlarges", {50, 20}, 0, true, false, true, true, 100, 100, {50, 20}},
        {"no box keeps the size", {50, 20}, 0, false, false, false, false, -1, -1, {50, 20}},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(ConvertedPictureSize(c.Source,
                                       c.FitSmallSize,
                                       c.FitSmall,
                                       c.Normalize,
                                       c.Height,
                                       c.Width,
                                       c.BoxHeight,
                                       c.BoxWidth),
                  c.Expected);
    }
}

TEST_F(PictureServicesTest, ConvertWritesTheEncodersFormatAtTheNormalizedSize)
{
    const std::string source = Make("small.png", TwoHalves(50, 20), "png");
    ConvertPicture(source,
                   Dir / "out.png",
                   false,
                   0,
                   0,
                   nullptr,
                   nullptr,
                   false,
                   0,
                   false,
                   true,
                   false,
                   true,
                   100,
                   200,
                   0.9,
                   "jpeg",
                   ".jpg");
    ASSERT_EQ(FunStatContext.status, fsPerfect) << FunStatContext.description;
    EXPECT_FALSE(std::filesystem::exists(Dir / "out.png"));
    QImageReader reader(QString::fromStdString(Dir / "out.jpg"));
    EXPECT_EQ(reader.format(), "jpeg");
    EXPECT_EQ(reader.size(), QSize(200, 80));

    // The destination exists and may not be overwritten.
    ConvertPicture(source,
                   Dir / "out.bmp",
                   false,
                   0,
                   0,
                   nullptr,
                   nullptr,
                   false,
                   0,
                   false,
                   true,
                   false,
                   true,
                   100,
                   200,
                   0.9,
                   "jpeg",
                   ".jpg");
    EXPECT_EQ(FunStatContext.description, "Contradictory overwrite choices.");
    EXPECT_EQ(FunStatContext.parameter1, Dir / "out.jpg");

    // An unreadable source leaves no destination behind.
    Dir.WriteFile("broken.png", "no picture");
    ConvertPicture(Dir / "broken.png",
                   Dir / "broken.png",
                   true,
                   0,
                   0,
                   nullptr,
                   nullptr,
                   false,
                   0,
                   false,
                   false,
                   false,
                   false,
                   -1,
                   -1,
                   0.9,
                   "png",
                   ".bmp");
    EXPECT_EQ(FunStatContext.description, "Failed to convert picture.");
    EXPECT_EQ(FunStatContext.parameter1, Dir / "broken.png");
    EXPECT_EQ(FunStatContext.parameter2, Dir / "broken.bmp");
    EXPECT_FALSE(std::filesystem::exists(Dir / "broken.bmp"));
}

TEST_F(PictureServicesTest, QualityCountsForJpegAndWebpOnly)
{
    QImage noise(200, 200, QImage::Format_RGB32);
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            noise.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, (x ^ y) % 256));
    const std::string source = Make("noise.png", noise, "png");
    const auto size = [&](const char *format, const char *extension, double quality) {
        const std::string name = std::string("q") + std::to_string(static_cast<int>(quality * 10));
        ConvertPicture(source,
                       Dir / name,
                       true,
                       0,
                       0,
                       nullptr,
                       nullptr,
                       false,
                       0,
                       false,
                       false,
                       false,
                       false,
                       -1,
                       -1,
                       quality,
                       format,
                       extension);
        EXPECT_EQ(FunStatContext.status, fsPerfect);
        return std::filesystem::file_size(Dir / (name + extension));
    };
    EXPECT_LT(size("jpeg", ".jpg", 0.1), size("jpeg", ".jpg", 0.9));
    EXPECT_EQ(size("png", ".png", 0.0), size("png", ".png", 1.0));
    if (QImageWriter::supportedImageFormats().contains("webp")) {
        EXPECT_LT(size("webp", ".webp", 0.1), size("webp", ".webp", 0.9));
    }
}

TEST_F(PictureServicesTest, PluginConversion)
{
    const std::string source = Dir / "page.vdx";
    Dir.WriteFile("page.vdx", "plug-in content");
    ConvertPicture(source,
                   Dir / "page",
                   true,
                   0,
                   0,
                   nullptr,
                   nullptr,
                   true,
                   0,
                   false,
                   false,
                   false,
                   false,
                   -1,
                   -1,
                   0.9,
                   "png",
                   ".png");
    EXPECT_EQ(FunStatContext.description, "Invalid plugin function.");

    std::string seenExtension;
    const TPluginPictureSizeFunction noSize =
        [&](const std::string &, const std::string &ext, int, int, int &width, int &height) {
            seenExtension = ext;
            width = 0;
            height = 0;
        };
    const TPluginLoadFileFunction draw = [](const std::string &,
                                            const std::string &,
                                            int width,
                                            int height,
                                            TColorRef back,
                                            TColorRef,
                                            std::uint8_t *pixels) {
        for (int i = 0; i < width * height; ++i) {
            pixels[i * 4 + 0] = static_cast<std::uint8_t>(back >> 16);
            pixels[i * 4 + 1] = static_cast<std::uint8_t>(back >> 8);
            pixels[i * 4 + 2] = static_cast<std::uint8_t>(back);
        }
        throw std::runtime_error("the plug-in fails after drawing");
    };
    ConvertPicture(source,
                   Dir / "page",
                   true,
                   0,
                   0x00336699,
                   draw,
                   noSize,
                   true,
                   0,
                   false,
                   false,
                   false,
                   false,
                   -1,
                   -1,
                   0.9,
                   "png",
                   ".png");
    ASSERT_EQ(FunStatContext.status, fsPerfect) << FunStatContext.description;
    EXPECT_EQ(seenExtension, ".VDX");
    const QImage written(QString::fromStdString(Dir / "page.png"));
    EXPECT_EQ(written.size(), QSize(100, 100));
    EXPECT_EQ(written.pixel(50, 50), qRgb(0x99, 0x66, 0x33));
}

} // namespace

namespace {

// ---- Colour work and drawing ----------------------------------------------------------------

QImage Solid(int width, int height, QRgb color, QImage::Format format = QImage::Format_ARGB32)
{
    QImage image(width, height, format);
    image.fill(QColor::fromRgba(color));
    return image;
}

struct TAttributes
{
    int Translucency = 0;
    double RedOffset = 0, GreenOffset = 0, BlueOffset = 0;
    int RedGreen = 0, GreenBlue = 0, BlueRed = 0;
    int Gamma = 100;
};

// The picture drawn 1:1 through the attributes onto a canvas of the background.
QImage DrawnThrough(const QImage &picture, const TAttributes &a, QRgb background)
{
    QImage canvas = Solid(picture.width(), picture.height(), background);
    QPainter painter(&canvas);
    DrawPictureWithAttributes(picture,
                              painter,
                              0,
                              0,
                              picture.width(),
                              picture.height(),
                              0,
                              0,
                              picture.width(),
                              picture.height(),
                              a.Translucency,
                              a.RedOffset,
                              a.GreenOffset,
                              a.BlueOffset,
                              a.RedGreen,
                              a.GreenBlue,
                              a.BlueRed,
                              a.Gamma);
    painter.end();
    return canvas;
}

TEST(PictureColorsTest, ColorMatrixTakesOnlyTheEffectsInRange)
{
    double m[5][5];
    PictureColorMatrix(m, 30, 0.1, 0.2, 0.3, 90, 0, 0);
    EXPECT_DOUBLE_EQ(m[3][3], 0.7);
    EXPECT_DOUBLE_EQ(m[4][0], 0.1);
    EXPECT_DOUBLE_EQ(m[4][1], 0.2);
    EXPECT_DOUBLE_EQ(m[4][2], 0.3);
    EXPECT_NEAR(m[0][0], 0, 1e-12);
    EXPECT_NEAR(m[0][1], 1, 1e-12);
    EXPECT_NEAR(m[1][0], -1, 1e-12);
    EXPECT_NEAR(m[2][2], 1, 1e-12);
    PictureColorMatrix(m, 0, 0, 0, 0, 90, 0, 181);
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
            EXPECT_EQ(m[i][j], i == j ? 1 : 0) << i << ", " << j;
    PictureColorMatrix(m, 101, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(m[3][3], 1);
    PictureColorMatrix(m, 100, 0, 0, 0, 0, 0, 0);
    EXPECT_EQ(m[3][3], 0);
}

TEST(PictureColorsTest, DrawingAppliesTheMatrixTheGammaAndTheTranslucencyPerPixel)
{
    const QRgb white = qRgb(255, 255, 255);
    const QRgb black = qRgb(0, 0, 0);
    struct TCase
    {
        const char *Name;
        QRgb Picture;
        TAttributes Attributes;
        QRgb Background;
        int Red, Green, Blue, Alpha;
    } cases[] = {
        {"no effect", qRgb(200, 100, 50), {}, white, 200, 100, 50, 255},
        {"half translucent", qRgb(255, 0, 0), {50}, white, 255, 128, 128, 255},
        {"fully translucent draws nothing", qRgb(255, 0, 0), {100}, white, 255, 255, 255, 255},
        {"red offset", black, {0, 0.5}, white, 128, 0, 0, 255},
        {"red turns green", qRgb(255, 0, 0), {0, 0, 0, 0, 90}, white, 0, 255, 0, 255},
        {"an angle out of range turns nothing",
         qRgb(255, 0, 0),
         {0, 0, 0, 0, 90, 0, 181},
         white,
         255,
         0,
         0,
         255},
        {"gamma 200 darkens",
         qRgb(128, 128, 128),
         {0, 0, 0, 0, 0, 0, 0, 200},
         white,
         64,
         64,
         64,
         255},
        {"gamma 50 lightens",
         qRgb(64, 64, 64),
         {0, 0, 0, 0, 0, 0, 0, 50},
         white,
         128,
         128,
         128,
         255},
        {"gamma 1001 is none",
         qRgb(128, 128, 128),
         {0, 0, 0, 0, 0, 0, 0, 1001},
         white,
         128,
         128,
         128,
         255},
        // Gamma works on the colour, not on colour times alpha: (200 / 255)^2 * 255 = 157.
        {"gamma on a half transparent pixel",
         qRgba(200, 0, 0, 128),
         {0, 0, 0, 0, 0, 0, 0, 200},
         qRgba(0, 0, 0, 0),
         157,
         0,
         0,
         128},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        const QImage drawn = DrawnThrough(Solid(4, 4, c.Picture), c.Attributes, c.Background);
        EXPECT_EQ(FunStatContext.status, fsPerfect);
        const QRgb pixel = drawn.pixel(1, 1);
        EXPECT_NEAR(qRed(pixel), c.Red, 2);
        EXPECT_NEAR(qGreen(pixel), c.Green, 2);
        EXPECT_NEAR(qBlue(pixel), c.Blue, 2);
        EXPECT_NEAR(qAlpha(pixel), c.Alpha, 2);
    }
}

TEST(PictureColorsTest, TheSourceRectangleGoesIntoTheDestinationRectangle)
{
    QImage picture = Solid(20, 10, qRgb(255, 0, 0));
    QPainter(&picture).fillRect(10, 0, 10, 10, QColor(0, 0, 255));
    for (const int gamma : {100, 200}) {
        SCOPED_TRACE(gamma);
        QImage canvas = Solid(30, 30, qRgb(255, 255, 255));
        QPainter painter(&canvas);
        DrawPictureWithAttributes(
            picture, painter, 5, 5, 20, 20, 10, 0, 10, 10, 0, 0, 0, 0, 0, 0, 0, gamma);
        painter.end();
        EXPECT_EQ(canvas.pixel(4, 4), qRgb(255, 255, 255));
        EXPECT_EQ(canvas.pixel(5, 5), qRgb(0, 0, 255));
        EXPECT_EQ(canvas.pixel(24, 24), qRgb(0, 0, 255));
        EXPECT_EQ(canvas.pixel(25, 25), qRgb(255, 255, 255));
    }
}

TEST(PictureColorsTest, PixelFormatNames)
{
    struct TCase
    {
        QImage::Format Format;
        const char *Name;
    } cases[] = {
        {QImage::Format_Mono, "1 bpp"},
        {QImage::Format_Indexed8, "8 bpp"},
        {QImage::Format_Grayscale8, "8 bpp"},
        {QImage::Format_RGB16, "16 bpp"},
        {QImage::Format_RGB555, "16 bpp"},
        {QImage::Format_Grayscale16, "16 bpp"},
        {QImage::Format_RGB888, "24 bpp"},
        {QImage::Format_RGB32, "32 bpp"},
        {QImage::Format_ARGB32, "32 bpp"},
        {QImage::Format_ARGB32_Premultiplied, "32 bpp"},
        {QImage::Format_RGBA64, "64 bpp"},
        {QImage::Format_RGBA64_Premultiplied, "64 bpp"},
        {QImage::Format_RGB30, ""},
        {QImage::Format_RGBA32FPx4, ""},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(GetPicturePixelFormatName(QImage(2, 2, c.Format)), c.Name);
    }
    EXPECT_EQ(GetPicturePixelFormatName(QImage()), "");
}

TEST_F(PictureServicesTest, ColorStatisticsAndTheRotationRecommendation)
{
    QImage picture = Solid(10, 10, qRgb(100, 100, 100), QImage::Format_RGB32);
    int red = -1, green = -1, blue = -1;
    GetPictureColorStatistics(picture, red, green, blue);
    EXPECT_EQ(red, 100);
    EXPECT_EQ(green, 100);
    EXPECT_EQ(blue, 100);
    QPainter(&picture).fillRect(0, 0, 5, 10, QColor(0, 51, 255));
    GetPictureColorStatistics(picture, red, green, blue);
    EXPECT_EQ(red, 50);
    EXPECT_EQ(green, 75);
    EXPECT_EQ(blue, 177);
    GetPictureColorStatistics(QImage(), red, green, blue);
    EXPECT_EQ(FunStatContext.description, "Failed to lock bitmap bits");

    const std::string file = Make("grey.png", Solid(8, 8, qRgb(100, 100, 100)), "png");
    int rg = 7, br = 8, gb = 9;
    const std::string same = RecommendPictureColorStatistics(file, 0x00646464, rg, br, gb);
    EXPECT_EQ(FunStatContext.status, fsPerfect);
    EXPECT_EQ(rg, 7);
    EXPECT_EQ(br, 8);
    EXPECT_EQ(gb, 9);
    EXPECT_EQ(same,
              "Overall color -> \"Filling\" color: \n    * Red = 100 -> 100\n    * Green = 100 -> "
              "100\n    * Blue = 100 -> 100\n\nRecommended color rotation values:\n    * Red - "
              "Green = 7\n    * Green - Blue = 9\n    * Blue - Red = 8");
    // Filling red 200: 100 more red gives (100 * 180 / 255) / 2 = 35 degrees.
    RecommendPictureColorStatistics(file, 0x006464C8, rg, br, gb);
    EXPECT_EQ(rg, -35);
    EXPECT_EQ(br, 35);
    EXPECT_EQ(gb, 9);

    Dir.WriteFile("none.png", "");
    RecommendPictureColorStatistics(Dir / "none.png", 0, rg, br, gb);
    EXPECT_EQ(FunStatContext.description, "Failed to load picture.");
}

TEST(PictureColorsTest, BackPictureStretchesWithinItsSkewTolerance)
{
    struct TCase
    {
        const char *Name;
        QSize Picture;
        bool Tile, Enlarge, Stretch, Crop;
        double MaximumSkew;
        int MinimumSize;
        bool Stretched;
        QRect Source, Destination;
        double Skew;
    } cases[] = {
        {"no tolerance always stretches",
         {200, 100},
         false,
         false,
         true,
         false,
         0,
         -1,
         true,
         {0, 0, 200, 100},
         {0, 0, 100, 100},
         2},
        {"skew above the tolerance is centred",
         {200, 100},
         false,
         false,
         true,
         false,
         1.5,
         -1,
         false,
         {0, 0, 200, 100},
         {0, 25, 100, 50},
         2},
        {"skew within the tolerance stretches",
         {200, 100},
         false,
         false,
         true,
         false,
         2.5,
         -1,
         true,
         {0, 0, 200, 100},
         {0, 0, 100, 100},
         2},
        {"a tile stays at the corner",
         {200, 100},
         true,
         false,
         true,
         false,
         1.5,
         -1,
         false,
         {0, 0, 200, 100},
         {0, 0, 100, 50},
         2},
        {"a side below the minimum never stretches",
         {200, 100},
         false,
         true,
         true,
         false,
         0,
         150,
         false,
         {0, 0, 200, 100},
         {0, 25, 100, 50},
         2},
        {"small and not enlarged",
         {40, 20},
         false,
         false,
         false,
         false,
         0,
         -1,
         false,
         {0, 0, 40, 20},
         {30, 40, 40, 20},
         2},
        {"crop a wide picture",
         {200, 100},
         false,
         false,
         false,
         true,
         0,
         -1,
         true,
         {50, 0, 100, 100},
         {0, 0, 100, 100},
         1},
        {"crop a tall picture",
         {100, 400},
         false,
         false,
         false,
         true,
         0,
         -1,
         true,
         {0, 150, 100, 100},
         {0, 0, 100, 100},
         1},
        {"no crop below the minimum",
         {200, 100},
         false,
         false,
         false,
         true,
         0,
         150,
         false,
         {0, 0, 200, 100},
         {0, 25, 100, 50},
         2},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        QRect source, destination;
        double skew = 0;
        EXPECT_EQ(BackPictureRects(c.Picture,
                                   QSize(100, 100),
                                   c.Tile,
                                   c.Enlarge,
                                   c.Stretch,
                                   c.Crop,
                                   c.MaximumSkew,
                                   c.MinimumSize,
                                   source,
                                   destination,
                                   skew),
                  c.Stretched);
        EXPECT_EQ(source, c.Source);
        EXPECT_EQ(destination, c.Destination);
        EXPECT_DOUBLE_EQ(skew, c.Skew);
    }
}

} // namespace

namespace {

// ---- Brightness and the back picture --------------------------------------------------------

TEST(PictureBrightnessTest, MeansAndDeviationsOfBrightnessAndColour)
{
    QImage picture(2, 1, QImage::Format_RGB32);
    picture.setPixel(0, 0, qRgb(255, 0, 0));
    picture.setPixel(1, 0, qRgb(0, 0, 0));
    double mean = -1, deviation = -1, colorDeviation = -1, colorMean = -1;
    GetPictureBright(picture, mean, deviation, colorDeviation, colorMean);
    // Mean v = 255 / 2 = 127, c = (255 / 2) / 3 = 42, all in integers.
    EXPECT_DOUBLE_EQ(mean, 127 / 255.0);
    EXPECT_DOUBLE_EQ(colorMean, 42 / 255.0);
    EXPECT_DOUBLE_EQ(deviation, std::sqrt((128 * 128 + 127 * 127) / 2) / 255.0);
    const int sum2 = (213 * 213 + 42 * 42 * 2) + 42 * 42 * 3;
    EXPECT_DOUBLE_EQ(colorDeviation, std::sqrt((sum2 / 2) / 3) / 255.0);
    GetPictureBright(QImage(), mean, deviation, colorDeviation, colorMean);
    EXPECT_EQ(FunStatContext.description, "Failed to lock bitmap bits");
    EXPECT_EQ(mean + deviation + colorDeviation + colorMean, 0);
}

TEST(PictureBrightnessTest, NormalizingByEachMethod)
{
    const auto anisotropic = [](int channel, double target, double current, double deviation) {
        const double k = (std::abs(target - current) * 0.5 + 1) * (deviation * 0.5 + 1);
        const double v = channel / 255.0;
        const double w = std::sqrt(1 - std::abs(1 - target - v));
        return std::min(255, static_cast<int>(channel * ((target + 0.5) / (w * k * v + 1))));
    };
    struct TCase
    {
        const char *Method;
        int Channel;
        double Target, Current;
        int Expected;
        double Ratio;
    } cases[] = {
        {"Balanced scaling", 51, 0.5, 0.25, 91, 2},
        {"Balanced scaling", 255, 0.5, 0.25, 255, 2},
        {"Balanced scaling", 51, 0.25, 0.5, 25, 0.5},
        {"Balanced scaling", 10, 1, 0, 255, 100},
        {"Mirrored scaling", 51, 0.75, 0.5, 153, 1.5},
        {"Mirrored scaling", 51, 0.25, 0.5, 25, 0.5},
        {"Anisotropic dampening", 51, 0.6, 0.3, anisotropic(51, 0.6, 0.3, 0.2), 2},
        {"balanced scaling", 51, 0.5, 0.25, 51, 2},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::string(c.Method) + " " + std::to_string(c.Channel));
        QImage picture = Solid(3, 3, qRgb(c.Channel, c.Channel, c.Channel), QImage::Format_RGB32);
        EXPECT_DOUBLE_EQ(NormalizePictureBrightness(picture, c.Method, c.Target, 0.2, c.Current),
                         c.Ratio);
        EXPECT_EQ(qRed(picture.pixel(1, 1)), c.Expected);
        EXPECT_EQ(qBlue(picture.pixel(2, 2)), c.Expected);
    }
}

class BackPictureTest : public PictureServicesTest
{
protected:
    // 30 x 20, red with a blue top-left pixel.
    std::string Tile()
    {
        QImage picture = Solid(30, 20, qRgb(255, 0, 0), QImage::Format_RGB32);
        picture.setPixel(0, 0, qRgb(0, 0, 255));
        return Make("tile.png", picture, "png");
    }

    QImage Load(const std::string &file,
                bool tile,
                int translucency = 0,
                const TAfterPaintFunction &after = nullptr,
                double *skew = nullptr)
    {
        QImage bitmap;
        LoadTilePictureToBitmap(file,
                                bitmap,
                                0x00FFFFFF,
                                after,
                                nullptr,
                                skew,
                                100,
                                "",
                                0.5,
                                false,
                                translucency,
                                tile,
                                false,
                                false,
                                false,
                                0,
                                -1,
                                50,
                                100);
        return bitmap;
    }
};

TEST_F(BackPictureTest, ASmallPictureIsTiledOrCentred)
{
    const std::string file = Tile();
    const QImage tiled = Load(file, true);
    ASSERT_EQ(tiled.size(), QSize(100, 50));
    for (const QPoint at : {QPoint(0, 0), QPoint(30, 0), QPoint(60, 20), QPoint(90, 40)})
        EXPECT_EQ(tiled.pixel(at), qRgb(0, 0, 255)) << at.x() << ", " << at.y();
    EXPECT_EQ(tiled.pixel(99, 49), qRgb(255, 0, 0));

    double skew = 0;
    const QImage centred = Load(file, false, 0, nullptr, &skew);
    EXPECT_EQ(centred.pixel(35, 15), qRgb(0, 0, 255));
    EXPECT_EQ(centred.pixel(34, 15), qRgb(255, 255, 255));
    EXPECT_EQ(centred.pixel(64, 34), qRgb(255, 0, 0));
    EXPECT_EQ(centred.pixel(65, 35), qRgb(255, 255, 255));
    // Aspect 1.5 against the box's 2.
    EXPECT_DOUBLE_EQ(skew, 2 / 1.5);
}

TEST_F(BackPictureTest, FadeOverTheBackgroundAndPaintingAfterwards)
{
    bool painted = false;
    const QImage faded = Load(Tile(), true, 50, [&](QPainter &graphics) {
        painted = true;
        graphics.fillRect(99, 49, 1, 1, QColor(0, 255, 0));
    });
    EXPECT_TRUE(painted);
    EXPECT_NEAR(qGreen(faded.pixel(10, 10)), 128, 2);
    EXPECT_EQ(qRed(faded.pixel(10, 10)), 255);
    EXPECT_EQ(faded.pixel(99, 49), qRgb(0, 255, 0));
}

TEST_F(BackPictureTest, NoNameDoesNothingAndABrokenFileFreesTheBitmap)
{
    QImage bitmap(5, 5, QImage::Format_RGB32);
    double ratio = -1, skew = -1;
    LoadTilePictureToBitmap("",
                            bitmap,
                            0,
                            nullptr,
                            &ratio,
                            &skew,
                            100,
                            "",
                            0.5,
                            false,
                            0,
                            true,
                            false,
                            false,
                            false,
                            0,
                            -1,
                            50,
                            100);
    EXPECT_EQ(bitmap.size(), QSize(5, 5));
    EXPECT_EQ(ratio, 0);
    EXPECT_EQ(skew, 1);
    EXPECT_EQ(FunStatContext.status, fsPerfect);

    Dir.WriteFile("broken.jpg", "no picture");
    LoadTilePictureToBitmap(Dir / "broken.jpg",
                            bitmap,
                            0,
                            nullptr,
                            &ratio,
                            &skew,
                            100,
                            "",
                            0.5,
                            false,
                            0,
                            true,
                            false,
                            false,
                            false,
                            0,
                            -1,
                            50,
                            100);
    EXPECT_TRUE(bitmap.isNull());
    EXPECT_EQ(FunStatContext.description, "Failed to load picture.");
    EXPECT_EQ(FunStatContext.parameter1, Dir / "broken.jpg");

    // With normalising, the ratio is target / current.
    const std::string grey = Make("grey.png", Solid(10, 10, qRgb(51, 51, 51)), "png");
    LoadTilePictureToBitmap(grey,
                            bitmap,
                            0,
                            nullptr,
                            &ratio,
                            &skew,
                            100,
                            "Balanced scaling",
                            0.4,
                            true,
                            0,
                            false,
                            false,
                            true,
                            false,
                            0,
                            -1,
                            50,
                            100);
    ASSERT_FALSE(bitmap.isNull());
    EXPECT_DOUBLE_EQ(ratio, 0.4 / 0.2);
    EXPECT_DOUBLE_EQ(skew, 2);
    EXPECT_EQ(qRed(bitmap.pixel(50, 25)), static_cast<int>(51 * ((2 - 1) * (1 - 0.2) + 1)));
}

TEST_F(PictureServicesTest, PipesAndDevicesAreNotOpened)
{
    ASSERT_EQ(mkfifo((Dir / "pipe.png").c_str(), 0600), 0);
    const TLoaded loaded = Load(Dir / "pipe.png", 100, 100);
    EXPECT_TRUE(loaded.Bitmap.isNull());
    EXPECT_EQ(FunStatContext.description, "Invalid picture size.");
    EXPECT_TRUE(Load("/dev/zero", 100, 100).Bitmap.isNull());
}

} // namespace

namespace {

TEST_F(PictureServicesTest, OnlyJpegIsScaledWhileDecodingAndFramesAreCounted)
{
    const std::string jpeg = Make("a.jpg", TwoHalves(64, 32), "jpeg");
    const std::string png = Make("a.png", TwoHalves(64, 32), "png");
    TPictureFile jpegFile, pngFile;
    ASSERT_TRUE(jpegFile.Open(jpeg));
    ASSERT_TRUE(pngFile.Open(png));
    EXPECT_TRUE(jpegFile.ScalesWhileDecoding());
    EXPECT_FALSE(pngFile.ScalesWhileDecoding());
    EXPECT_EQ(jpegFile.Format(), "jpeg");
    EXPECT_EQ(jpegFile.Size(), QSize(64, 32));
    EXPECT_EQ(jpegFile.Read(QSize(8, 4), false).size(), QSize(8, 4));
    EXPECT_EQ(GetPictureFrameCount(png), 1);
    Dir.WriteFile("none.gif", "GIF89a");
    EXPECT_EQ(GetPictureFrameCount(Dir / "none.gif"), 0);
}

} // namespace
