// The thumbnail cache: finding, rendering, caching and painting renderings of files.
#include "Libraries/PictureCache.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/FileLink.h"
#include "Libraries/FileStream.h"
#include "Libraries/Text.h"
#include "Libraries/Utilities.h"

#include <QColor>
#include <QFont>
#include <QObject>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <vector>

namespace {

constexpr const char *ThisUnit = "PictureCache";

// The font part of the key.
struct TFontKey
{
    std::string Name;
    int Size = 0;
    bool Bold = false;
};

TFontKey FontKeyOf(const QPainter &canvas)
{
    const QFont font = canvas.font();
    TFontKey key;
    key.Name = font.family().toStdString();
    key.Size = font.pointSize() > 0 ? font.pointSize() : font.pixelSize();
    key.Bold = font.bold();
    return key;
}

// A line break from the third character to the second-last one: the text is laid out by
// lines of its own.
bool BreaksItsOwnLines(const std::string &text)
{
    if (text.size() < 4) return false;
    const auto first = text.begin() + 2;
    const auto last = text.end() - 1;
    return std::find_if(first, last, [](char c) { return c == '\n' || c == '\r'; }) != last;
}

std::uint64_t MachineFreeMemory()
{
    return AvailablePhysicalMemory();
}

} // namespace

TPictureCache PictureCache;

TPictureCache::TPictureCache() : FreeMemory(MachineFreeMemory)
{
    Entries.reserve(MaxEntries);
}

TPictureCache::~TPictureCache() = default;

void TPictureCache::RemoveStale(std::size_t index)
{
    // The entries stay oldest first: eviction and the video look-up rely on that order.
    Entries.erase(Entries.begin() + static_cast<std::ptrdiff_t>(index));
}

const QImage *TPictureCache::Find(const std::string &fileName,
                                  int boxWidth,
                                  int &naturalHeight,
                                  int &naturalWidth,
                                  int &scalePercent,
                                  bool video,
                                  bool dependsOnTextFormat,
                                  bool bold,
                                  int fontSize,
                                  const std::string &fontName,
                                  TColorRef textColor,
                                  TColorRef backgroundColor,
                                  bool fitExactly,
                                  int fitSmallSize,
                                  bool fitSmall,
                                  int boxHeight,
                                  std::uint64_t writeTime,
                                  std::uint64_t fileSize)
{
    const QImage *found = nullptr;
    TFunScope Fun(ThisUnit, "TPictureCache::Find");
    Fun.Run([&] {
        // The walk covers the indexes first - 1 down to last.
        std::size_t first = Entries.size();
        std::size_t last = 0;
        if (video) {
            // A video frame comes from the shell at the box's size: its own size touches the
            // box on one side, and only the newest such entry is examined.
            bool touching = false;
            for (std::size_t i = Entries.size(); i-- > 0;) {
                const TPictureCacheEntry &entry = Entries[i];
                if (entry.FileName != fileName) continue;
                if ((entry.NaturalWidth == boxWidth && entry.NaturalHeight <= boxHeight) ||
                    (entry.NaturalWidth <= boxWidth && entry.NaturalHeight == boxHeight)) {
                    first = i + 1;
                    last = i;
                    touching = true;
                    break;
                }
            }
            if (!touching) return;
        }
        for (std::size_t i = first; i-- > last;) {
            TPictureCacheEntry &entry = Entries[i];
            if (entry.FileName != fileName) continue;
            // A video frame was matched by the side it touches; a rendering by its fitted size.
            if (!video && entry.Bitmap.size() != FittedPictureSize(entry.NaturalWidth,
                                                                   entry.NaturalHeight,
                                                                   QSize(boxWidth, boxHeight),
                                                                   fitExactly,
                                                                   fitSmallSize,
                                                                   fitSmall))
                continue;
            const bool sameFile = entry.FileSize == fileSize && entry.WriteTime == writeTime;
            const bool sameFormat =
                !dependsOnTextFormat ||
                (entry.BackgroundColor == backgroundColor && entry.TextColor == textColor &&
                 entry.FontName == fontName && entry.FontSize == fontSize && entry.Bold == bold);
            if (sameFile && sameFormat) {
                naturalWidth = entry.NaturalWidth;
                naturalHeight = entry.NaturalHeight;
                scalePercent = entry.ScalePercent;
                found = &entry.Bitmap;
                return;
            }
            // An older version of the file, or another text format, at this size: it will
            // never be shown again.
            RemoveStale(i);
        }
    });
    if (Fun.Failed()) found = nullptr;
    return found;
}

void TPictureCache::Append(TPictureCacheEntry &&entry)
{
    const bool enoughMemory =
        Count() < EntriesAllowedWithoutMemory || (FreeMemory && FreeMemory() >= MinimumFreeMemory);
    if (!(Count() < MaxEntries && GetSize() <= ByteLimit && enoughMemory)) {
        const auto half = static_cast<std::ptrdiff_t>(Entries.size() / 2);
        Entries.erase(Entries.begin(), Entries.begin() + half);
    }
    Entries.push_back(std::move(entry));
}

const QImage *TPictureCache::Load(const bool *controlScrolling,
                                  QPainter &canvas,
                                  const TPluginLoadFileFunction &pluginLoadFileToBitmap,
                                  const TPluginPictureSizeFunction &pluginGetPictureSize,
                                  bool usePlugin,
                                  bool video,
                                  std::int64_t textByteLimit,
                                  bool dependsOnTextFormat,
                                  int &naturalHeight,
                                  int &naturalWidth,
                                  int &scalePercent,
                                  bool fitExactly,
                                  int fitSmallSize,
                                  bool fitSmall,
                                  std::uint64_t writeTime,
                                  std::uint64_t fileSize,
                                  const std::string &fileName,
                                  int textMargin,
                                  QRect thumbRect,
                                  bool showWhileScrolling,
                                  int smartQualitySize,
                                  bool highQuality,
                                  TColorRef borderColor,
                                  TColorRef textColor,
                                  TColorRef backgroundColor)
{
    const QImage *result = nullptr;
    TFunScope Fun(ThisUnit, "TPictureCache::Load");
    Fun.Run([&] {
        const TFontKey font = FontKeyOf(canvas);
        const QImage *cached = Find(fileName,
                                    thumbRect.width(),
                                    naturalHeight,
                                    naturalWidth,
                                    scalePercent,
                                    video,
                                    dependsOnTextFormat,
                                    font.Bold,
                                    font.Size,
                                    font.Name,
                                    textColor,
                                    backgroundColor,
                                    fitExactly,
                                    fitSmallSize,
                                    fitSmall,
                                    thumbRect.height(),
                                    writeTime,
                                    fileSize);
        if (Fun.CalleeFailed()) return;
        if (cached) {
            PaintPicture(canvas, thumbRect, borderColor, *cached);
            result = cached;
            return;
        }
        if (controlScrolling && *controlScrolling && !showWhileScrolling) {
            canvas.drawText(
                thumbRect,
                Qt::TextWordWrap,
                QString::fromUtf8("Uncached thumbnails are not rendered during scrolling."));
            return;
        }
        if (IsDosProgram(fileName)) {
            Fun.Raise("Not a picture file.");
            return;
        }

        ++Renderings;
        QImage bitmap;
        if (!usePlugin && dependsOnTextFormat) {
            naturalWidth = thumbRect.width();
            naturalHeight = thumbRect.height();
            scalePercent = 100;
            bitmap = LoadTextToBitmap(
                canvas, backgroundColor, textByteLimit, fileName, textMargin, thumbRect, textColor);
            if (Fun.CalleeFailed()) return;
        } else if (!usePlugin && video) {
            scalePercent = 100;
            const std::string thumbnail =
                GetSysThumbnailFromFile(fileName, thumbRect.width(), thumbRect.height());
            if (Fun.CalleeFailed()) return;
            QImage frame;
            if (!thumbnail.empty() && frame.load(QString::fromStdString(thumbnail)))
                bitmap =
                    frame.scaled(thumbRect.size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            naturalWidth = bitmap.width();
            naturalHeight = bitmap.height();
        } else if (!usePlugin) {
            bitmap = RenderPicture(fileName,
                                   backgroundColor,
                                   thumbRect,
                                   smartQualitySize,
                                   highQuality,
                                   naturalHeight,
                                   naturalWidth,
                                   scalePercent,
                                   fitExactly,
                                   fitSmallSize,
                                   fitSmall);
            if (Fun.CalleeFailed()) return;
        } else if (pluginLoadFileToBitmap && pluginGetPictureSize) {
            bitmap = RenderWithPlugin(pluginLoadFileToBitmap,
                                      pluginGetPictureSize,
                                      fileName,
                                      thumbRect,
                                      naturalHeight,
                                      naturalWidth,
                                      scalePercent,
                                      fitExactly,
                                      fitSmallSize,
                                      fitSmall,
                                      textColor,
                                      backgroundColor);
            if (Fun.CalleeFailed()) return;
        }
        if (bitmap.isNull()) return;

        PaintPicture(canvas, thumbRect, borderColor, bitmap);
        TPictureCacheEntry entry;
        entry.FileName = fileName;
        entry.FileSize = fileSize;
        entry.WriteTime = writeTime;
        entry.Bitmap = std::move(bitmap);
        entry.FitSmall = fitSmall;
        entry.FitExactly = fitExactly;
        entry.BackgroundColor = backgroundColor;
        entry.TextColor = textColor;
        entry.FontName = font.Name;
        entry.FontSize = font.Size;
        entry.Bold = font.Bold;
        entry.NaturalWidth = naturalWidth;
        entry.NaturalHeight = naturalHeight;
        entry.ScalePercent = scalePercent;
        Append(std::move(entry));
        result = &Entries.back().Bitmap;
    });
    if (Fun.Failed()) result = nullptr;
    return result;
}

QImage TPictureCache::RenderWithPlugin(const TPluginLoadFileFunction &pluginLoadFileToBitmap,
                                       const TPluginPictureSizeFunction &pluginGetPictureSize,
                                       const std::string &fileName,
                                       QRect rect,
                                       int &naturalHeight,
                                       int &naturalWidth,
                                       int &scalePercent,
                                       bool fitExactly,
                                       int fitSmallSize,
                                       bool fitSmall,
                                       TColorRef textColor,
                                       TColorRef backgroundColor)
{
    const std::string extension = UpperCaseText(ExtractExtension(fileName));
    int width = -1, height = -1;
    try {
        pluginGetPictureSize(fileName, extension, rect.width(), rect.height(), width, height);
    } catch (...) {
        // A plug-in's own failure leaves the size unknown.
    }
    naturalWidth = width < 1 ? rect.width() : width;
    naturalHeight = height < 1 ? rect.height() : height;
    const QSize size =
        FittedPictureSize(naturalWidth, naturalHeight, rect.size(), fitExactly, fitSmallSize, fitSmall);
    if (size.width() < 1 || size.height() < 1) return QImage();
    scalePercent = static_cast<int>(std::int64_t{size.height()} * 100 / naturalHeight);
    QImage bitmap(size, QImage::Format_RGB32);
    std::vector<std::uint8_t> pixels(static_cast<std::size_t>(size.width()) *
                                     static_cast<std::size_t>(size.height()) * 4);
    // Start from the background so that a plug-in drawing only part of the box leaves it.
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
        pixels[i] = static_cast<std::uint8_t>((backgroundColor >> 16) & 0xFF);
        pixels[i + 1] = static_cast<std::uint8_t>((backgroundColor >> 8) & 0xFF);
        pixels[i + 2] = static_cast<std::uint8_t>(backgroundColor & 0xFF);
    }
    try {
        pluginLoadFileToBitmap(fileName,
                               extension,
                               size.width(),
                               size.height(),
                               backgroundColor,
                               textColor,
                               pixels.data());
    } catch (...) {
        // An exception raised inside the plug-in is swallowed; the box keeps what was drawn.
    }
    CopyPixelsToBitmap(pixels.data(), bitmap, size.width(), size.height());
    return bitmap;
}

QImage TPictureCache::LoadTextToBitmap(QPainter &canvas,
                                       TColorRef backgroundColor,
                                       std::int64_t byteLimit,
                                       const std::string &fileName,
                                       int margin,
                                       QRect rect,
                                       TColorRef textColor)
{
    QImage bitmap;
    TFunScope Fun(ThisUnit, "TPictureCache::LoadTextToBitmap");
    Fun.Run([&] {
        bitmap = QImage(rect.size(), QImage::Format_ARGB32_Premultiplied);
        bitmap.fill(ColorWithAlpha(backgroundColor, 255));
        const std::string text = GetTextFromFileStream(fileName, "", byteLimit);
        if (Fun.CalleeFailed()) return;
        if (margin < 0) margin = 2;
        int flags = Qt::TextExpandTabs;
        if (!BreaksItsOwnLines(text)) flags |= Qt::TextWordWrap;
        QPainter painter(&bitmap);
        painter.setFont(canvas.font());
        painter.setPen(ColorWithAlpha(textColor, 255));
        painter.drawText(QRect(QPoint(margin, margin),
                               QPoint(rect.width() - margin - 1, rect.height() - margin - 1)),
                         flags,
                         QString::fromStdString(text));
    });
    return bitmap;
}

void TPictureCache::PaintPicture(QPainter &canvas,
                                 QRect rect,
                                 TColorRef borderColor,
                                 const QImage &bitmap)
{
    // Transparent pixels are left out by the painter's own composition.
    canvas.drawImage(rect.topLeft(), bitmap);
    DrawFrame(canvas, rect.left(), rect.top(), borderColor, bitmap.height(), bitmap.width());
}

void TPictureCache::Clear()
{
    Entries.clear();
}

std::int64_t TPictureCache::GetSize() const
{
    std::int64_t size = 0;
    for (const TPictureCacheEntry &entry : Entries)
        size += std::int64_t{entry.Bitmap.width()} * entry.Bitmap.height() * 4;
    return size;
}
