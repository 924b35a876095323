// The main window's pictures: thumbnails with their information lines, the user logo and the
// background picture.
#include "app/MainDialog.h"

#include "Libraries/File.h"
#include "Libraries/PictureCache.h"
#include "Libraries/Program.h"
#include "app/OptionsDialog.h"
#include "app/SkinDialog.h"
#include "app/ViewerPlugins.h"
#include "platform/FileSystem.h"
#include "tests/support/TestSupport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// A photograph-like picture: a colour ramp, so a decoder has real work.
QImage Ramp(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 255 / width, y * 255 / height, (x + y) % 256));
    return image;
}

std::string Encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes.toStdString();
}

std::uint32_t Crc32(const std::string &bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG whose valid header claims 100,000 x 100,000 pixels, followed by a few pixels.
std::string HugePngHeader()
{
    std::string png = Encoded(Ramp(4, 4), "PNG");
    // IHDR's width and height follow the 8-byte signature, the chunk length and its type.
    for (const std::size_t at : {std::size_t{16}, std::size_t{20}}) {
        png[at] = 0;
        png[at + 1] = 0x01;
        png[at + 2] = static_cast<char>(0x86);
        png[at + 3] = static_cast<char>(0xA0);
    }
    // The header chunk's CRC covers its type and data (bytes 12..28).
    const std::uint32_t crc = Crc32(png.substr(12, 17));
    for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    return png;
}

} // namespace

class MainDialogThumbsTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        Saved = ProgramOptions;
        SavedSkin = SkinOptions;
        UsePortableProgramFolder(Home.Path());
        if (const char *cache = std::getenv("XDG_CACHE_HOME")) SavedCache = cache;
        ::setenv("XDG_CACHE_HOME", (Home / "cache").c_str(), 1);
        ProgramOptions.FirstRun = false;
        Form = std::make_unique<TMainForm>();
        Form->resize(1000, 700);
        Form->StartMainForm();
        PictureCache.Clear();
    }
    void TearDown() override
    {
        Form.reset();
        PictureCache.Clear();
        ProgramOptions = Saved;
        SkinOptions = SavedSkin;
        SetProgramDirectoryOverride("");
        if (SavedCache.empty())
            ::unsetenv("XDG_CACHE_HOME");
        else
            ::setenv("XDG_CACHE_HOME", SavedCache.c_str(), 1);
        TStatusTest::TearDown();
    }
    // Paints the file's thumbnail as a column item of 200 x 150 pixels does; the painted
    // information line is the result.
    std::string Paint(const std::string &file, bool withControl = true)
    {
        QImage item(200, 190, QImage::Format_ARGB32_Premultiplied);
        item.fill(Qt::white);
        QPainter canvas(&item);
        Platform::TEntryStatus status;
        Platform::EntryStatus(file, status, true);
        Form->PaintThumb(file,
                         withControl ? Form->Columns[0]->FileList : nullptr,
                         QRect(0, 0, 200, 150),
                         QRect(0, 160, 200, 20),
                         canvas,
                         RawFileTime(status.ModifiedSeconds, status.ModifiedNanoseconds),
                         static_cast<std::int64_t>(status.Size));
        return Form->ThumbInfo;
    }
    TTempDir Home;
    TTempDir Dir;
    std::unique_ptr<TMainForm> Form;
    TProgramOptions Saved;
    TSkinOptions SavedSkin;
    std::string SavedCache;
};

TEST_F(MainDialogThumbsTest, EachKindOfFileGetsItsRenderingAndInformationLine)
{
    Dir.WriteFile("photo.jpg", Encoded(Ramp(400, 300), "JPEG"));
    Dir.WriteFile("clear.png", Encoded(QImage(60, 30, QImage::Format_ARGB32), "PNG"));
    Dir.WriteFile("notes.txt", "first line\nsecond line\n");
    Dir.WriteFile("data.xyz", "what is this");
    Dir.WriteFile("cut.jpg", Encoded(Ramp(400, 300), "JPEG").substr(0, 300));
    Dir.WriteFile("empty.png", "");
    Dir.WriteFile("huge.png", HugePngHeader());
    Dir.WriteFile(std::string("caf\xE9.png"), Encoded(Ramp(80, 40), "PNG"));
    // A text file of 1 GiB that takes no disk: only the byte limit's worth is read.
    { std::ofstream(Dir / "big.txt"); }
    fs::resize_file(Dir / "big.txt", std::uint64_t{1} << 30);

    const std::string photoSize = ThumbSizeText(fs::file_size(Dir / "photo.jpg"));
    const struct
    {
        std::string File, Info;
    } cases[] = {
        {"photo.jpg", "W 400 * H 300 | Z 50% |  Sz " + photoSize},
        {"clear.png", "W 60 * H 30 | Z 100% |  Sz " + ThumbSizeText(fs::file_size(Dir / "clear.png"))},
        {std::string("caf\xE9.png"), "W 80 * H 40 | Z 100% |  Sz " +
                                         ThumbSizeText(fs::file_size(Dir / "caf\xE9.png"))},
        {"notes.txt", "Sz " + ThumbSizeText(23)},
        {"big.txt", "Sz " + ThumbSizeText(std::uint64_t{1} << 30)},
        {"data.xyz", "Picture not available"},
        {"cut.jpg", "Picture not available or error"},
        {"empty.png", "Picture not available or error"},
        {"huge.png", "Picture not available or error"},
        {"gone.jpg", "Picture not available or error"},
    };
    for (const auto &c : cases) {
        FunStatContext.Reset(fsPerfect);
        EXPECT_EQ(Paint(Dir / c.File), c.Info) << c.File;
    }
    EXPECT_EQ(Paint(":/"), "Picture not available");
    // Only what could be rendered is cached.
    EXPECT_EQ(PictureCache.Count(), 5);
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(MainDialogThumbsTest, SizeLimitNormalisationAndPluginsShapeTheLine)
{
    const std::string photo = Dir / "photo.jpg";
    Dir.WriteFile("photo.jpg", Encoded(Ramp(400, 300), "JPEG"));
    const std::uint64_t size = fs::file_size(photo);

    ProgramOptions.MaxThumbFileSize = 100;
    EXPECT_EQ(Paint(photo), "File size too big: " + ThumbSizeText(size));
    EXPECT_EQ(PictureCache.Count(), 0);
    ProgramOptions.MaxThumbFileSize = -1;
    ProgramOptions.NormalizeThumbWidth = true;
    ProgramOptions.NormalizeThumbWidthTo = 100;
    EXPECT_EQ(Paint(photo), "W 100\u00B1 * H 75 | Z 50% |  Sz " + ThumbSizeText(size));

    // A viewer plug-in draws what no decoder reads.
    fs::copy_file(VELMORDIAN_TEST_PLUGIN, PluginsDirectory() + "test.so");
    const bool active[3] = {true, false, false};
    const std::string names[3] = {"test.so", "", ""};
    ViewerPlugins.LoadViewerPlugins(true, active, names, PluginsDirectory());
    Dir.WriteFile("scan.pcx", "plug-in food");
    ProgramOptions.NormalizeThumbWidth = false;
    EXPECT_EQ(Paint(Dir / "scan.pcx"), "W 64 * H 32 | Z 100% |  Sz " + ThumbSizeText(12));
    ViewerPlugins.UnloadViewerPlugin(0);
}

TEST_F(MainDialogThumbsTest, APictureInAFolderTheUserCannotReadIsAnErrorNotACrash)
{
    ASSERT_EQ(::mkdir((Dir / "private").c_str(), 0700), 0);
    Dir.WriteFile("private/photo.jpg", Encoded(Ramp(40, 30), "JPEG"));
    const std::string photo = Dir / "private/photo.jpg";
    const int result = RunAsNobody([&] {
        if (::access(photo.c_str(), R_OK) == 0) return 2; // the machine ignores permissions
        return Paint(photo) == "Picture not available or error" ? 0 : 1;
    });
    if (result == 2 || result < 0) GTEST_SKIP() << "cannot run a case as an unprivileged user";
    EXPECT_EQ(result, 0);
}

TEST_F(MainDialogThumbsTest, RepaintingACachedThumbnailColumnDecodesNothing)
{
    for (int i = 0; i < 6; ++i)
        Dir.WriteFile("p" + std::to_string(i) + ".jpg", Encoded(Ramp(320 + i, 240), "JPEG"));
    TColumn &column = *Form->Columns[0];
    column.LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, Dir / "p0.jpg");
    column.Thumb = true;
    column.UpdateItemHeight();
    const auto paint = [&] {
        QImage image(column.FileList->size(), QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        for (int i = column.FileList->TopIndex; i <= column.FileList->LastVisibleIndex(); ++i)
            column.DrawAnItem(&painter, i, false, false);
    };
    paint();
    const std::int64_t renderings = PictureCache.Renderings;
    const int visible = column.FileList->LastVisibleIndex() - column.FileList->TopIndex + 1;
    EXPECT_EQ(PictureCache.Count(), std::min(6, visible));
    paint();
    paint();
    EXPECT_EQ(PictureCache.Renderings, renderings);

    // Taller thumbnails are new renderings beside the old ones.
    column.SetThumbHeight(column.ThumbHeight + 3, false);
    paint();
    const int taller = column.FileList->LastVisibleIndex() - column.FileList->TopIndex + 1;
    EXPECT_EQ(PictureCache.Renderings, renderings + std::min(6, taller));
    EXPECT_EQ(PictureCache.Count(), std::min(6, visible) + std::min(6, taller));
}

TEST_F(MainDialogThumbsTest, TheUserLogoIsTheOptionsFoldersUserLogoFileInAnyCase)
{
    EXPECT_EQ(UserLogoFileName(), "");
    QImage red(40, 40, QImage::Format_RGB32);
    red.fill(Qt::red);
    std::ofstream(OptionsDirectory() + "userlogo.PNG", std::ios::binary) << Encoded(red, "PNG");
    EXPECT_EQ(UserLogoFileName(), OptionsDirectory() + "userlogo.PNG");

    ProgramOptions.ShowUserLogo = true;
    Form->Reset(false);
    ASSERT_TRUE(Form->UserLogo->isVisibleTo(Form.get()));
    QImage painted(Form->UserLogo->size(), QImage::Format_ARGB32_Premultiplied);
    painted.fill(Qt::white);
    {
        QPainter canvas(&painted);
        Form->UserLogoPaint(canvas, painted.rect());
    }
    EXPECT_EQ(painted.pixel(painted.width() / 2, painted.height() / 2), qRgb(255, 0, 0));
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(MainDialogThumbsTest, TheBackgroundPictureCoversTheWindowAndAMissingOneIsNoError)
{
    QImage blue(50, 40, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    std::ofstream(OptionsDirectory() + "BackPictures/tile.png", std::ios::binary)
        << Encoded(blue, "PNG");
    SkinOptions.UseBackPicture = true;
    SkinOptions.FadeBackPicture = 0;
    Form->SetupBackPicture("tile.png");
    EXPECT_EQ(SkinOptions.BackPictureFileTitle, OptionsDirectory() + "BackPictures/tile.png");
    ASSERT_EQ(GMyPanelOptions.BackPicture, &Form->BackPicture);
    EXPECT_EQ(Form->BackPicture.size(), Form->size());
    // Smaller than the stretch minimum: tiled at its own size.
    EXPECT_EQ(Form->BackPicture.pixel(70, 50), qRgb(0, 0, 255));

    SkinOptions.BackPictureFileTitle = "missing.png";
    Form->SetupBackPicture("");
    EXPECT_EQ(GMyPanelOptions.BackPicture, nullptr);
    EXPECT_TRUE(Form->BackPicture.isNull());
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(MainDialogThumbsTest, SetAsBackgroundSwitchesThePictureOnAndMakesTheWindowsShowIt)
{
    QImage green(400, 300, QImage::Format_RGB32);
    green.fill(Qt::green);
    Dir.WriteFile("wall.png", Encoded(green, "PNG"));
    SkinOptions.UseBackPicture = false;
    SkinOptions.WindowBackTranslucency = 0;
    Form->SetAsBackground(Dir / "wall.png");
    EXPECT_TRUE(SkinOptions.UseBackPicture);
    EXPECT_EQ(SkinOptions.WindowBackTranslucency, 100);
    EXPECT_EQ(SkinOptions.BackPictureFileTitle, Dir / "wall.png");
    EXPECT_EQ(Form->BackPicture.size(), Form->size());
    // The empty part of a list shows the picture through its translucent face.
    Form->show();
    QCoreApplication::processEvents();
    const QImage shown = Form->grab().toImage();
    const MyTPanel &list = *Form->Columns[1]->FileList;
    const QPoint inList = list.mapTo(Form.get(), QPoint(list.width() / 2, list.height() - 20));
    const QColor seen = shown.pixelColor(inList);
    EXPECT_GT(seen.green(), seen.red() + 40) << seen.name().toStdString();
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(MainDialogThumbsTest, PicturesAreWhatTheDecodersRead)
{
    EXPECT_TRUE(PictureFileExtensions.Has(".JPG"));
    EXPECT_TRUE(PictureFileExtensions.Has(".png"));
    EXPECT_TRUE(PictureFileExtensions.Has(".GIF"));
    EXPECT_FALSE(PictureFileExtensions.Has(".TXT"));
}

// Writes the window with a thumbnail column of a small folder beside the test program, for a
// reviewer to look at.
TEST_F(MainDialogThumbsTest, AThumbnailColumnOfAMixedFolderOnScreen)
{
    QImage photo = Ramp(640, 480);
    {
        QPainter painter(&photo);
        painter.setBrush(Qt::yellow);
        painter.drawEllipse(QRect(380, 60, 160, 160));
    }
    Dir.WriteFile("1 landscape.jpg", Encoded(photo, "JPEG"));
    Dir.WriteFile("2 portrait.jpg", Encoded(Ramp(300, 500), "JPEG"));
    QImage clear(200, 200, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    {
        QPainter painter(&clear);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(QColor(200, 0, 0, 160));
        painter.drawEllipse(QRect(20, 20, 160, 160));
    }
    Dir.WriteFile("3 transparent.png", Encoded(clear, "PNG"));
    Dir.WriteFile("4 readme.txt", "Thumbnails show the start of a text file.\n\nSecond paragraph.\n");
    QImage noise(700, 500, QImage::Format_RGB32);
    std::uint32_t seed = 1;
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y, (seed = seed * 1664525u + 1013904223u) >> 8);
    Dir.WriteFile("5 too big.png", Encoded(noise, "PNG"));
    Dir.WriteFile("6 unknown.xyz", "no picture here");
    ProgramOptions.MaxThumbFileSize = 1000000;
    ASSERT_GT(fs::file_size(Dir / "5 too big.png"), 1000000u);

    TColumn &column = *Form->Columns[0];
    column.LoadDirectory(
        true, -1, -1, std::numeric_limits<int>::min(), -1, Dir / "1 landscape.jpg");
    column.SetThumbHeight(4, false);
    Form->resize(1000, 1000);
    Form->show();
    Form->FocusColumn(0, true);
    QCoreApplication::processEvents();
    const QImage picture = Form->grab().toImage();
    ASSERT_TRUE(picture.save(
        QString::fromStdString((fs::current_path() / "MainDialogThumbs-column.png").string()),
        "PNG"));
    // Two photographs, the transparent picture and the text.
    EXPECT_EQ(PictureCache.Count(), 4);
    EXPECT_TRUE(ShownErrors().empty());
}
