// Picture services: the codec table over Qt's readers and writers, decoding pictures into
// bitmaps of a wanted size, and conversion into another format and size.
#include "Libraries/MyGDIPlus.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/Utilities.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <cctype>
#include <cmath>

namespace {

constexpr const char *ThisUnit = "MyGDIPlus";

// Every format the program knows, in the order the lists show them; a row appears in a list
// only when Qt reads (or writes) its format here.
struct TCodecRow
{
    const char *Description;
    const char *Extensions;
    const char *Format;
    bool Writable;
};

constexpr TCodecRow CodecRows[] = {
    {"BMP", "*.BMP;*.DIB;*.RLE", "bmp", true},
    {"JPEG", "*.JPG;*.JPEG;*.JPE;*.JFIF", "jpeg", true},
    // Qt has no GIF writer.
    {"GIF", "*.GIF", "gif", false},
    {"TIFF", "*.TIF;*.TIFF", "tiff", true},
    {"PNG", "*.PNG", "png", true},
    {"ICO", "*.ICO", "ico", false},
    {"CUR", "*.CUR", "cur", false},
    {"WEBP", "*.WEBP", "webp", true},
    {"TGA", "*.TGA", "tga", false},
    {"PNM", "*.PBM;*.PGM;*.PPM", "ppm", false},
    {"XPM", "*.XPM", "xpm", false},
    {"XBM", "*.XBM", "xbm", false},
    {"WBMP", "*.WBMP", "wbmp", false},
    {"ICNS", "*.ICNS", "icns", false},
    {"SVG", "*.SVG", "svg", false},
};

std::vector<TPictureCodec> CodecsOf(const QList<QByteArray> &formats, bool writers)
{
    std::vector<TPictureCodec> codecs;
    for (const TCodecRow &row : CodecRows) {
        if (writers && !row.Writable) continue;
        if (!formats.contains(QByteArray(row.Format))) continue;
        codecs.push_back({row.Description, row.Extensions, row.Format});
    }
    return codecs;
}

std::string LowerAscii(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string UpperAscii(std::string text)
{
    for (char &c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The patterns of an extension list ("*.JPG;*.JPEG" gives "*.JPG", "*.JPEG").
std::vector<std::string> SplitPatterns(const std::string &list)
{
    std::vector<std::string> patterns;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t end = std::min(list.find(';', start), list.size());
        if (end > start) patterns.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return patterns;
}

std::string WithoutStar(const std::string &pattern)
{
    return !pattern.empty() && pattern.front() == '*' ? pattern.substr(1) : pattern;
}

// Qt refuses to allocate images above its own limit (128 MB by default); pictures up to our
// bound must load, larger ones are refused before decoding.
void RaiseAllocationLimit()
{
    constexpr int limitMegabytes = static_cast<int>(MaximumDecodedPictureBytes >> 20);
    if (QImageReader::allocationLimit() != limitMegabytes)
        QImageReader::setAllocationLimit(limitMegabytes);
}

bool IsTransparentKind(const std::string &fileName)
{
    const std::string extension = UpperAscii(ExtractExtension(fileName));
    return extension == ".CUR" || extension == ".GIF" || extension == ".ICO" || extension == ".PNG";
}

bool IsIconKind(const std::string &fileName)
{
    const std::string extension = UpperAscii(ExtractExtension(fileName));
    return extension == ".CUR" || extension == ".ICO";
}

QColor OpaqueColor(TColorRef color)
{
    return ColorWithAlpha(color, 255);
}

} // namespace

// ---- Codecs ---------------------------------------------------------------------------------

const std::vector<TPictureCodec> &PictureDecoders()
{
    static const std::vector<TPictureCodec> decoders =
        CodecsOf(QImageReader::supportedImageFormats(), false);
    return decoders;
}

const std::vector<TPictureCodec> &PictureEncoders()
{
    static const std::vector<TPictureCodec> encoders =
        CodecsOf(QImageWriter::supportedImageFormats(), true);
    return encoders;
}

void LoadPictureConvertFilters(std::vector<std::string> &list)
{
    TFunScope Fun(ThisUnit, "LoadPictureConvertFilters");
    Fun.Run([&] {
        list.clear();
        for (const TPictureCodec &codec : PictureEncoders())
            list.push_back(codec.Description);
    });
}

bool GetPictureConverterID(const std::string &description,
                           std::string &extension,
                           std::string &classId)
{
    bool found = false;
    TFunScope Fun(ThisUnit, "GetPictureConverterID");
    Fun.Run([&] {
        for (const TPictureCodec &codec : PictureEncoders()) {
            if (codec.Description != description) continue;
            const std::vector<std::string> patterns = SplitPatterns(codec.Extensions);
            const std::string first = patterns.empty() ? std::string() : patterns.front();
            extension =
                LowerAscii(first.empty() || first.front() == '.' ? first : WithoutStar(first));
            classId = codec.Format;
            found = true;
            return;
        }
    });
    return found;
}

std::string GetPictureExtensionsAsFilter()
{
    std::string filter;
    TFunScope Fun(ThisUnit, "GetPictureExtensionsAsFilter");
    Fun.Run([&] {
        for (const TPictureCodec &codec : PictureDecoders()) {
            if (!filter.empty()) filter += ';';
            filter += LowerAscii(codec.Extensions);
        }
    });
    return filter;
}

void GetPictureExtensions(std::vector<std::string> &list)
{
    TFunScope Fun(ThisUnit, "GetPictureExtensions");
    Fun.Run([&] {
        list.clear();
        for (const TPictureCodec &codec : PictureDecoders())
            for (const std::string &pattern : SplitPatterns(codec.Extensions))
                list.push_back(WithoutStar(pattern));
    });
}

// ---- TPictureFile ---------------------------------------------------------------------------

struct TPictureFile::TState
{
    QFile File;
    QImageReader Reader;
    // The stored size and whether the upright picture turns it by 90 degrees.
    QSize StoredSize;
    bool Turned = false;
};

TPictureFile::TPictureFile() = default;
TPictureFile::~TPictureFile() = default;

bool TPictureFile::Open(const std::string &fileName)
{
    RaiseAllocationLimit();
    State = std::make_unique<TState>();
    // Opening a pipe or a device would wait for a writer or never end.
    Platform::TEntryStatus status;
    if (!Platform::EntryStatus(fileName, status, true) || !status.IsRegular) return false;
    const int handle = Platform::OpenForReading(fileName);
    if (handle < 0) return false;
    if (!State->File.open(handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        Platform::CloseHandle(handle);
        return false;
    }
    State->Reader.setDevice(&State->File);
    State->Reader.setAutoTransform(true);
    if (!State->Reader.canRead()) return false;
    State->StoredSize = State->Reader.size();
    State->Turned =
        State->Reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
    return true;
}

QSize TPictureFile::Size() const
{
    if (!State || !State->StoredSize.isValid()) return QSize();
    return State->Turned ? State->StoredSize.transposed() : State->StoredSize;
}

bool TPictureFile::ScalesWhileDecoding() const
{
    // Other handlers that take a scaled size decode the whole picture and scale it afterwards,
    // always smoothly.
    return State && State->Reader.format() == "jpeg" &&
           State->Reader.supportsOption(QImageIOHandler::ScaledSize);
}

std::string TPictureFile::Format() const
{
    return State ? State->Reader.format().toStdString() : std::string();
}

int TPictureFile::FrameCount() const
{
    return State ? std::max(0, State->Reader.imageCount()) : 0;
}

QImage TPictureFile::Read(QSize scaledSize, bool smooth)
{
    if (!State) return QImage();
    const QSize stored = State->StoredSize;
    if (stored.isValid() &&
        std::int64_t{stored.width()} * stored.height() * 4 > MaximumDecodedPictureBytes)
        return QImage();
    const QSize storedScaled = State->Turned ? scaledSize.transposed() : scaledSize;
    const bool scale = scaledSize.isValid() && !scaledSize.isEmpty() && storedScaled != stored;
    if (scale && ScalesWhileDecoding()) {
        // The decoder's own scaling; its quality setting chooses the finishing interpolation.
        State->Reader.setQuality(smooth ? 100 : 0);
        State->Reader.setScaledSize(storedScaled);
        return State->Reader.read();
    }
    QImage image = State->Reader.read();
    if (image.isNull() || !scale) return image;
    return image.scaled(scaledSize,
                        Qt::IgnoreAspectRatio,
                        smooth ? Qt::SmoothTransformation : Qt::FastTransformation);
}

// ---- Loading into a bitmap ------------------------------------------------------------------

QSize FittedPictureSize(int naturalWidth,
                        int naturalHeight,
                        QSize box,
                        bool fitExactly,
                        int fitSmallSize,
                        bool fitSmall)
{
    int width = box.width();
    int height = box.height();
    if (!fitExactly) {
        double ratio = 1;
        FitSize(naturalWidth,
                naturalHeight,
                box.width(),
                ratio,
                height,
                width,
                fitSmall,
                false,
                0,
                fitSmallSize,
                box.height());
    }
    if (width < 1) width = naturalWidth;
    if (height < 1) height = naturalHeight;
    return QSize(width, height);
}

QImage LoadPictureToBitmap(const std::string &fileName,
                           TColorRef backgroundColor,
                           QRect box,
                           int smartQualitySize,
                           bool highQuality,
                           int &pictureHeight,
                           int &pictureWidth,
                           int &scalePercent,
                           bool fitExactly,
                           int fitSmallSize,
                           bool fitSmall)
{
    QImage bitmap;
    TFunScope Fun(ThisUnit, "LoadPictureToBitmap");
    Fun.Run([&] {
        pictureHeight = pictureWidth = 0;
        TPictureFile file;
        const bool opened = file.Open(fileName);
        const QSize size = opened ? file.Size() : QSize();
        pictureWidth = std::max(0, size.width());
        pictureHeight = std::max(0, size.height());
        if (pictureWidth == 0 || pictureHeight == 0 ||
            std::int64_t{pictureWidth} * pictureHeight * 4 > MaximumDecodedPictureBytes) {
            Fun.Raise("Invalid picture size.", fileName);
            return;
        }
        const QSize fitted =
            FittedPictureSize(pictureWidth, pictureHeight, box.size(), fitExactly, fitSmallSize, fitSmall);
        const int width = fitted.width();
        const int height = fitted.height();
        scalePercent = static_cast<int>(std::int64_t{height} * 100 / pictureHeight);
        const bool icon = IsIconKind(fileName);
        if (smartQualitySize >= 0 && (width >= smartQualitySize || height >= smartQualitySize))
            highQuality = true;
        const QImage picture = file.Read(QSize(width, height), highQuality || icon);
        if (picture.isNull()) {
            Fun.Raise("Invalid picture size.", fileName);
            return;
        }
        bitmap = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
        bitmap.fill(icon || IsTransparentKind(fileName) ? QColor(Qt::transparent)
                                                        : OpaqueColor(backgroundColor));
        QPainter painter(&bitmap);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, highQuality || icon);
        painter.drawImage(QRect(0, 0, width, height), picture);
    });
    if (Fun.Failed()) bitmap = QImage();
    return bitmap;
}

// ---- Conversion -----------------------------------------------------------------------------

QSize ConvertedPictureSize(QSize source,
                           int fitSmallSize,
                           bool fitSmall,
                           bool normalize,
                           bool normalizeHeight,
                           bool normalizeWidth,
                           int boxHeight,
                           int boxWidth)
{
    int width = 0;
    int height = 0;
    double ratio = 1;
    bool handled = false;
    if (normalize && normalizeWidth && normalizeHeight && boxWidth > 0 && boxHeight > 0) {
        FitSize(source.width(),
                source.height(),
                boxWidth,
                ratio,
                height,
                width,
                fitSmall,
                false,
                0,
                fitSmallSize,
                boxHeight);
        handled = true;
    } else {
        handled = ScaleToFixed(source.width(),
                               source.height(),
                               boxWidth,
                               height,
                               width,
                               fitSmall,
                               boxHeight,
                               normalize,
                               normalizeHeight,
                               normalizeWidth);
    }
    if (!handled)
        FitSize(source.width(),
                source.height(),
                boxWidth < 1 ? -1 : boxWidth,
                ratio,
                height,
                width,
                false,
                false,
                0,
                0,
                boxHeight < 1 ? -1 : boxHeight);
    if (width < 1) width = source.width();
    if (height < 1) height = source.height();
    return QSize(width, height);
}

namespace {

// The plug-in's drawing of the file as an opaque 32-bit bitmap; an exception inside the plug-in
// leaves whatever the buffer holds.
QImage PluginPicture(const TPluginLoadFileFunction &load,
                     const std::string &sourceName,
                     QSize size,
                     TColorRef backgroundColor,
                     TColorRef foregroundColor)
{
    const std::size_t rowBytes = static_cast<std::size_t>(size.width()) * 4;
    std::vector<std::uint8_t> pixels(rowBytes * static_cast<std::size_t>(size.height()), 0);
    try {
        load(sourceName,
             UpperAscii(ExtractExtension(sourceName)),
             size.width(),
             size.height(),
             backgroundColor,
             foregroundColor,
             pixels.data());
    } catch (...) {
    }
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        const std::uint8_t *row = pixels.data() + rowBytes * static_cast<std::size_t>(y);
        for (int x = 0; x < size.width(); ++x, row += 4)
            line[x] = qRgb(row[2], row[1], row[0]);
    }
    return image;
}

} // namespace

void ConvertPicture(const std::string &sourceName,
                    const std::string &destinationName,
                    bool overwrite,
                    TColorRef foregroundColor,
                    TColorRef backgroundColor,
                    const TPluginLoadFileFunction &pluginLoadFileToBitmap,
                    const TPluginPictureSizeFunction &pluginGetPictureSize,
                    bool usePlugin,
                    int fitSmallSize,
                    bool fitSmall,
                    bool normalize,
                    bool normalizeHeight,
                    bool normalizeWidth,
                    int boxHeight,
                    int boxWidth,
                    double quality,
                    const std::string &encoderClassId,
                    const std::string &newExtension)
{
    TFunScope Fun(ThisUnit, "ConvertPicture");
    Fun.Run([&] {
        if (usePlugin && (!pluginLoadFileToBitmap || !pluginGetPictureSize)) {
            Fun.Raise("Invalid plugin function.");
            return;
        }
        const int encoderQuality = static_cast<int>(std::trunc(quality * 100));
        const std::string destination = ReplaceExtension(destinationName, newExtension);
        if (!overwrite && PathExists(destination)) {
            Fun.Raise("Contradictory overwrite choices.", destination);
            return;
        }
        TPictureFile file;
        QSize source;
        if (usePlugin) {
            int width = -1;
            int height = -1;
            pluginGetPictureSize(
                sourceName, UpperAscii(ExtractExtension(sourceName)), -1, -1, width, height);
            source = QSize(width < 1 ? 100 : width, height < 1 ? 100 : height);
        } else if (file.Open(sourceName)) {
            source = file.Size();
        }
        QImage picture;
        if (usePlugin || source.isValid()) {
            const QSize target = ConvertedPictureSize(source,
                                                      fitSmallSize,
                                                      fitSmall,
                                                      normalize,
                                                      normalizeHeight,
                                                      normalizeWidth,
                                                      boxHeight,
                                                      boxWidth);
            if (usePlugin)
                picture = PluginPicture(
                    pluginLoadFileToBitmap, sourceName, target, backgroundColor, foregroundColor);
            else if (boxWidth >= 1 || boxHeight >= 1)
                picture = file.Read(target, true);
            else
                picture = file.Read();
        }
        QByteArray encoded;
        bool saved = false;
        if (!picture.isNull()) {
            QBuffer buffer(&encoded);
            buffer.open(QIODevice::WriteOnly);
            QImageWriter writer(&buffer, QByteArray::fromStdString(encoderClassId));
            // Only these formats read the value as a quality; PNG would take it as compression.
            if (!usePlugin && (encoderClassId == "jpeg" || encoderClassId == "webp"))
                writer.setQuality(std::clamp(encoderQuality, 0, 100));
            saved = writer.write(picture);
        }
        if (!saved || !Platform::WriteWholeFile(destination,
                                                encoded.constData(),
                                                static_cast<std::size_t>(encoded.size()))) {
            Fun.Raise("Failed to convert picture.", sourceName, destination);
            return;
        }
    });
}
