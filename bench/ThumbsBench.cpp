// velmordian-bench thumbs DIR [BOX] [--disk]: renders every picture of a folder into a BOX x BOX
// thumbnail through the thumbnail cache, as a thumbnail column paints its items.
#include "Libraries/File.h"
#include "Libraries/MyGDIPlus.h"
#include "Libraries/PictureCache.h"
#include "app/OptionsDialog.h"
#include "bench/Benchmarks.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string UpperAscii(std::string text)
{
    for (char &c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The pictures of the folder by name, those whose extension the codec table knows.
std::vector<std::string> PicturesOf(const std::string &directory)
{
    std::vector<std::string> extensions;
    GetPictureExtensions(extensions);
    std::vector<std::string> names;
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(directory, error)) {
        const std::string name = entry.path().filename().string();
        const std::string extension = UpperAscii(ExtractExtension(name));
        if (std::find(extensions.begin(), extensions.end(), extension) != extensions.end())
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

int ThumbsBench(int argc, char **argv)
{
    bool disk = false;
    std::vector<std::string> arguments;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--disk") == 0)
            disk = true;
        else
            arguments.push_back(argv[i]);
    }
    const int box = arguments.size() >= 2 ? std::atoi(arguments[1].c_str()) : 160;
    if (arguments.empty() || arguments.size() > 2 || box <= 0) {
        std::fprintf(stderr, "usage: velmordian-bench thumbs DIR [BOX] [--disk]\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);
    const std::string directory = IncludeTrailingBackslash(arguments[0]);
    const std::vector<std::string> names = PicturesOf(directory);

    // The options' defaults, as a thumbnail column passes them.
    const TProgramOptions options;
    TPictureCache cache;
    cache.UseDiskCache = disk;
    cache.ByteLimit = std::int64_t{1} << 40; // every rendering stays, as in one visible column
    QImage canvas(box + 2, box + 2, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    const auto start = std::chrono::steady_clock::now();
    int rendered = 0;
    for (const std::string &name : names) {
        const std::string path = directory + name;
        TFileInfo info;
        info.Load(path);
        int naturalHeight = 0, naturalWidth = 0, scalePercent = 0;
        const QImage *bitmap = cache.Load(nullptr,
                                          painter,
                                          {},
                                          {},
                                          false,
                                          false,
                                          0,
                                          false,
                                          naturalHeight,
                                          naturalWidth,
                                          scalePercent,
                                          false,
                                          options.FitSmallThumbsSize,
                                          options.FitSmallThumbs,
                                          static_cast<std::uint64_t>(info.rawModified),
                                          info.size,
                                          path,
                                          2,
                                          QRect(1, 1, box, box),
                                          options.ShowWhileScrolling,
                                          options.SmartQualitySize,
                                          options.HighQualityThumb,
                                          0x00C0C0C0,
                                          0x00000000,
                                          0x00FFFFFF);
        if (bitmap) ++rendered;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // What the event loop does once the column is painted: the thumbnails go to disk.
    const auto painted = std::chrono::steady_clock::now();
    cache.FlushDiskWrites();
    const double writing =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - painted).count();
    std::fprintf(stderr,
                 "decodes: %lld; thumbnails written after the paint: %.6f s\n",
                 static_cast<long long>(cache.Decodes),
                 writing);
    std::printf("%d %.6f\n", rendered, seconds);
    return 0;
}
