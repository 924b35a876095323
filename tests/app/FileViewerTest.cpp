// The integrated viewer: texts, pictures, the picture viewer's hint and mouse buttons, the
// clipboard picture and the bad files it meets.
#include "app/FileViewer.h"

#include "Libraries/File.h"
#include "Libraries/Program.h"
#include "app/OptionsDialog.h"
#include "tests/support/TestSupport.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QPlainTextEdit>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

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
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG whose valid header claims 100,000 x 100,000 pixels, followed by a few pixels.
std::string HugePngHeader()
{
    std::string png = Encoded(Ramp(4, 4), "PNG");
    for (const std::size_t at : {std::size_t{16}, std::size_t{20}}) {
        png[at] = 0;
        png[at + 1] = 0x01;
        png[at + 2] = static_cast<char>(0x86);
        png[at + 3] = static_cast<char>(0xA0);
    }
    const std::uint32_t crc = Crc32(png.substr(12, 17));
    for (int i = 0; i < 4; ++i)
        png[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    return png;
}

// A media player that records what it was handed.
class TRecordingPlayer : public TMediaPlayer
{
public:
    std::vector<std::string> Calls;
    void PlayFile(const std::string &file) override { Calls.push_back("PlayFile " + file); }
    void PlayMPL(const std::string &file, const std::string &, std::int64_t) override
    {
        Calls.push_back("PlayMPL " + file);
    }
    void PlayTextList(const std::vector<std::string> &list,
                      const std::string &,
                      const std::string &caption,
                      std::int64_t) override
    {
        Calls.push_back("PlayTextList " + caption + " " + std::to_string(list.size()));
    }
    void SaveResumePoint() override {}
    void RegisterPlayList(const std::string &caption) override
    {
        Calls.push_back("Register " + caption);
    }
    void Stop() override { Calls.push_back("Stop"); }
    bool IsPlaying() const override { return false; }
    bool PlayListHasVideo() const override { return false; }
    void FitMovie() override {}
    void PlayThumb(const std::string &, QWidget *, QRect, QRect, TMediaThumbResult &) override {}
    std::int64_t Position() const override { return 0; }
    std::int64_t Length() const override { return 0; }
};

} // namespace

class FileViewerTest : public TStatusTest
{
protected:
    void SetUp() override
    {
        TStatusTest::SetUp();
        SetDefaultExtensionLists();
        if (const char *runtime = std::getenv("XDG_RUNTIME_DIR")) SavedRuntime = runtime;
        ::setenv("XDG_RUNTIME_DIR", (Dir / "run").c_str(), 1);
        fs::create_directories(Dir / "run");
        ::chmod((Dir / "run").c_str(), 0700);
        Client.resize(400, 300);
        Client.setAutoFillBackground(true);
        Viewer = std::make_unique<TFileViewer>(&Client);
    }
    void TearDown() override
    {
        Viewer.reset();
        MediaPlayer = nullptr;
        if (SavedRuntime.empty())
            ::unsetenv("XDG_RUNTIME_DIR");
        else
            ::setenv("XDG_RUNTIME_DIR", SavedRuntime.c_str(), 1);
        TStatusTest::TearDown();
    }
    std::string Text() const { return Viewer->TextBox->toPlainText().toStdString(); }
    bool ShowsPicture() const
    {
        return Viewer->PictureViewer.Image && !Viewer->PictureViewer.Image->isHidden();
    }
    void WritePicture(const std::string &name, const QImage &image, const char *format)
    {
        Dir.WriteFile(name, Encoded(image, format));
    }

    TTempDir Dir;
    QWidget Client;
    std::unique_ptr<TFileViewer> Viewer;
    std::string SavedRuntime;
};

TEST_F(FileViewerTest, TextFilesByTheirSizeAndLimit)
{
    struct TCase
    {
        const char *Name;
        std::string Content;
        int MaxTextSize;
        std::string Shown; // the text box, or "#" + the length of the loaded text
    };
    const std::vector<TCase> cases = {
        {"empty.txt", "", 100000, "File is empty or missing."},
        {"exact.txt", std::string(100000, 'a'), 100000, "#100000"},
        {"over.txt", std::string(100001, 'a'), 100000, "File size is too big (over 100000 bytes)."},
        {"unlimited.txt", std::string(700000, 'b'), -1, "#700000"},
        {"latin1.txt", "caf\xE9 cr\xE8me", 100000, "caf\xC3\xA9 cr\xC3\xA8me"},
        {"utf8.txt", "\xE2\x82\xAC 5", 100000, "\xE2\x82\xAC 5"},
        {"nul.txt",
         std::string("a\0b", 3),
         100000,
         "a\xE2\x90\x80"
         "b"},
        // A byte that is not UTF-8 far after the first screen turns the whole text to Latin-1.
        {"late-latin1.txt", "\xC3\xA9" + std::string(400000, 'a') + "\xE9", -1, "#400003"},
        {"late-utf8.txt", std::string(400000, 'a') + "\xC3\xA9", -1, "#400001"},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(c.Name);
        Dir.WriteFile(c.Name, c.Content);
        Viewer->MaxTextSize = c.MaxTextSize;
        Viewer->Do(Dir / c.Name);
        while (!Viewer->TextComplete())
            QCoreApplication::processEvents();
        EXPECT_FALSE(Viewer->TextBox->isHidden());
        if (c.Shown[0] == '#')
            EXPECT_EQ("#" + std::to_string(Viewer->TextBox->toPlainText().size()), c.Shown);
        else
            EXPECT_EQ(Text(), c.Shown);
        EXPECT_EQ(Viewer->Info, "File size = " + FileSizeText(6, 0, c.Content.size()));
        if (c.Content.size() == 400003) {
            EXPECT_EQ(Viewer->TextBox->toPlainText().front(), QChar(0xC3));
            EXPECT_EQ(Viewer->TextBox->toPlainText().back(), QChar(0xE9));
        }
        if (c.Content.size() == 400002) {
            EXPECT_EQ(Viewer->TextBox->toPlainText().back(), QChar(0xE9));
        }
    }
    EXPECT_TRUE(ShownErrors().empty());
}

TEST_F(FileViewerTest, NothingOrTheMediaPlayerForOtherFiles)
{
    Dir.WriteFile("README", "text without extension");
    Dir.WriteFile("list.MPL", "x");
    Dir.WriteFile("song.mp3", "x");
    Dir.WriteFile("data.bin", "x");
    for (const char *name : {"README", "data.bin"}) {
        Viewer->Do(Dir / name);
        EXPECT_TRUE(Viewer->TextBox->isHidden()) << name;
        EXPECT_FALSE(ShowsPicture()) << name;
        EXPECT_EQ(Viewer->Info, "") << name;
    }
    // Without a player the viewer says so.
    Viewer->Do(Dir / "list.MPL");
    EXPECT_EQ(Viewer->Info, NoMediaPlayerText);
    TRecordingPlayer player;
    MediaPlayer = &player;
    Viewer->Do(Dir / "list.MPL");
    Viewer->Do(Dir / "song.mp3");
    EXPECT_EQ(
        player.Calls,
        (std::vector<std::string>{"PlayMPL " + Dir / "list.MPL", "PlayFile " + Dir / "song.mp3"}));
}

TEST_F(FileViewerTest, PicturesFitTheClient)
{
    struct TCase
    {
        int Width, Height;
        bool FitSmall;
        int RenderedWidth, RenderedHeight;
    };
    // The client is 400 x 300 without a border.
    const std::vector<TCase> cases = {
        {100, 50, false, 100, 50},
        {100, 50, true, 400, 200},
        {800, 300, false, 400, 150},
        {300, 600, true, 150, 300},
    };
    for (const TCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.Width) + "x" + std::to_string(c.Height));
        WritePicture("p.png", Ramp(c.Width, c.Height), "PNG");
        Viewer->FitSmallImages = c.FitSmall;
        Viewer->Do(Dir / "p.png");
        ASSERT_TRUE(ShowsPicture());
        EXPECT_EQ(Viewer->PictureViewer.NaturalWidth, c.Width);
        EXPECT_EQ(Viewer->PictureViewer.RenderedWidth, c.RenderedWidth);
        EXPECT_EQ(Viewer->PictureViewer.RenderedHeight, c.RenderedHeight);
        EXPECT_EQ(Viewer->PictureViewer.Image->size(), QSize(c.RenderedWidth, c.RenderedHeight));
    }
}

TEST_F(FileViewerTest, HiddenViewerPanelOnlyClearsThePicture)
{
    WritePicture("p.png", Ramp(40, 30), "PNG");
    Viewer->Do(Dir / "p.png");
    ASSERT_TRUE(ShowsPicture());
    Viewer->IsViewerPanelVisible = [] { return false; };
    Viewer->PaintImage();
    EXPECT_EQ(Viewer->PictureViewer.Image, nullptr);
    EXPECT_EQ(Viewer->PictureViewer.NaturalWidth, 0);
}

TEST_F(FileViewerTest, HintReportsZoomColourAndCoordinates)
{
    QImage picture(400, 300, QImage::Format_RGB32);
    picture.fill(qRgb(10, 20, 30));
    WritePicture("p.bmp", picture, "BMP");
    Client.resize(200, 150);
    Viewer->Do(Dir / "p.bmp");
    ASSERT_TRUE(ShowsPicture());
    const TPictureViewer &p = Viewer->PictureViewer;
    EXPECT_EQ(p.RenderedWidth, 200);
    const std::string base = p.HintText(-1, -1);
    EXPECT_EQ(
        base,
        "File size = " + FileSizeText(6, 0, fs::file_size(Dir / "p.bmp")) +
            ". Image width * height = 400 * 300; Rendered width * height = 200 * 150. Zoom = 50%. "
            "Color depth = " +
            p.ColorDepth +
            ". Frames = 1. [RMB] = add color to clipboard. [MMB] = "
            "add coordinates to clipboard.");
    EXPECT_EQ(
        p.HintText(100, 75),
        base +
            " RGB color = 10-20-30; Decimal color = 660510; Hexadecimal color = 0x0A141E. X * Y "
            "image = 200 * 150. X * Y relative (\u2030) = 500 * 500. X * Y rendered = 100 * 75.");
    EXPECT_EQ(p.Image->toolTip().toStdString(), base);
    EXPECT_EQ(Viewer->Info, "");

    // The buttons append the colour and the picture's coordinates to the clipboard text.
    QGuiApplication::clipboard()->setText(QStringLiteral("start"));
    QTest::mouseClick(p.Image, Qt::RightButton, Qt::NoModifier, QPoint(100, 75));
    QTest::mouseClick(p.Image, Qt::MiddleButton, Qt::NoModifier, QPoint(100, 75));
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(),
              "start\nRGB( 10,  20,  30);\nXY(200, 150);");
}

TEST_F(FileViewerTest, PluginSizeZeroFillsTheClient)
{
    Dir.WriteFile("x.pcx", "plug-in data");
    int calledWidth = 0;
    Viewer->PictureViewer.LoadPaintWithPlugin(
        Dir / "x.pcx",
        false,
        [](const std::string &, const std::string &extension, int, int, int &width, int &height) {
            EXPECT_EQ(extension, ".PCX");
            width = 0;
            height = 0;
        },
        [&](const std::string &,
            const std::string &,
            int width,
            int height,
            TColorRef,
            TColorRef,
            std::uint8_t *pixels) {
            calledWidth = width;
            for (int i = 0; i < width * height; ++i) {
                pixels[4 * i] = 255; // blue
                pixels[4 * i + 3] = 0;
            }
            throw std::runtime_error("the plug-in fails after drawing");
        },
        0xFFFFFF,
        0x000000);
    const TPictureViewer &p = Viewer->PictureViewer;
    EXPECT_EQ(p.RenderedWidth, 400);
    EXPECT_EQ(p.RenderedHeight, 300);
    EXPECT_EQ(calledWidth, 400);
    EXPECT_EQ(p.ColorDepth, "0");
    EXPECT_EQ(p.Frames, 0);
    ASSERT_TRUE(ShowsPicture());
    EXPECT_EQ(QColor(p.Image->Bitmap.pixel(10, 10)), QColor(0, 0, 255));
}

TEST_F(FileViewerTest, BadFilesGiveAMessageInTheViewer)
{
    const std::string jpeg = Encoded(Ramp(640, 480), "JPEG");
    Dir.WriteFile("truncated.jpg", jpeg.substr(0, 200));
    Dir.WriteFile("half.jpg", jpeg.substr(0, jpeg.size() / 2));
    Dir.WriteFile("bomb.png", HugePngHeader());
    Dir.WriteFile("notapicture.png", "hello");
    ASSERT_EQ(::mkfifo((Dir / "pipe.png").c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo((Dir / "pipe.txt").c_str(), 0600), 0);
    struct TCase
    {
        const char *Name;
        std::string Info;
    };
    const std::vector<TCase> cases = {
        {"truncated.jpg", "ERROR: Invalid picture size."},
        {"bomb.png", "ERROR: Invalid picture size."},
        {"notapicture.png", "ERROR: Failed to load picture."},
        {"vanished.png", "ERROR: Failed to load picture."},
        {"pipe.png", "ERROR: Failed to load picture."},
        {"pipe.txt", "ERROR: Not a regular file."},
    };
    for (const TCase &c : cases) {
        Viewer->Do(Dir / c.Name);
        EXPECT_EQ(Viewer->Info, c.Info) << c.Name;
        EXPECT_FALSE(ShowsPicture()) << c.Name;
        EXPECT_TRUE(Viewer->TextBox->isHidden()) << c.Name;
    }
    // A JPEG cut in the middle of its pixels shows the part it holds.
    Viewer->Do(Dir / "half.jpg");
    EXPECT_TRUE(ShowsPicture());
    EXPECT_EQ(Viewer->Info, "");
    // A text file that vanished while the focus rested on it.
    Dir.WriteFile("gone.txt", "soon gone");
    fs::remove(Dir / "gone.txt");
    Viewer->Do(Dir / "gone.txt");
    EXPECT_EQ(Text(), "File is empty or missing.");
    // The viewer never shows a message box of its own.
    EXPECT_TRUE(ShownErrors().empty());
    EXPECT_TRUE(Boxes.Shown.empty());
}

TEST_F(FileViewerTest, UnreadableFilesAsNobody)
{
    Dir.WriteFile("secret.txt", "secret");
    WritePicture("secret.png", Ramp(20, 20), "PNG");
    ::chmod(Dir.Path().c_str(), 0755);
    ::chmod((Dir / "secret.txt").c_str(), 0600);
    ::chmod((Dir / "secret.png").c_str(), 0600);
    const int result = RunAsNobody([this] {
        if (::geteuid() == 0) return 100;
        Viewer->Do(Dir / "secret.txt");
        if (Viewer->Info != "ERROR: Failed to open file.") return 1;
        if (!Viewer->TextBox->isHidden()) return 2;
        Viewer->Do(Dir / "secret.png");
        if (Viewer->Info != "ERROR: Failed to load picture.") return 3;
        return ShowsPicture() ? 4 : 0;
    });
    if (result == -1 || result == 100) GTEST_SKIP() << "this machine cannot run a check as nobody";
    EXPECT_EQ(result, 0) << "check " << result << " failed";
}

TEST_F(FileViewerTest, ClipboardPictureGoesToThePrivateFolder)
{
    QImage picture(60, 40, QImage::Format_RGB32);
    picture.fill(qRgb(200, 0, 0));
    QGuiApplication::clipboard()->setImage(picture);
    Viewer->ViewClipboardPicture();
    const std::string file = Dir / "run/velmordian/-Velmordian_ClipboardPicture.bmp";
    EXPECT_EQ(Viewer->FileName, file);
    ASSERT_TRUE(fs::exists(file));
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(ShowsPicture());
    EXPECT_EQ(Viewer->PictureViewer.NaturalWidth, 60);
    // Without a picture nothing is shown.
    QGuiApplication::clipboard()->setText(QStringLiteral("no picture"));
    Viewer->ViewClipboardPicture();
    EXPECT_FALSE(ShowsPicture());
}

TEST_F(FileViewerTest, LargeTextShowsItsFirstScreenFirst)
{
    std::string line = "A line of a large text file that fills the viewer.\n";
    std::string content;
    while (content.size() < 3000000)
        content += line;
    Dir.WriteFile("large.txt", content);
    Viewer->MaxTextSize = -1;
    Viewer->Do(Dir / "large.txt");
    EXPECT_FALSE(Viewer->TextComplete());
    EXPECT_TRUE(Text().starts_with(line));
    while (!Viewer->TextComplete())
        QCoreApplication::processEvents();
    EXPECT_EQ(Viewer->TextBox->toPlainText().size(), qsizetype(content.size()));
}
