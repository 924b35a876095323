// The thumbnail cache on disk: pictures' thumbnails in the freedesktop thumbnail folders, read
// before decoding a picture and written after, so renderings outlive the program.
//
// What is written: the picture fitted into the box of the folder that serves the rendering
// (the smallest folder whose side reaches the rendering's larger side), never enlarged. When
// that thumbnail is larger than the rendering, the picture is decoded once at the thumbnail's
// size and the rendering is scaled from it; for a JPEG the decoder's own 1/8..1/1 reduction is
// then the same or one step larger. Stretched renderings (fit exactly) and
// renderings enlarged beyond what the folder would keep write nothing. The PNG files are
// encoded and written once the event loop is idle again (or when many wait), so the paint that
// decoded the pictures is not slowed by them. Failures of the disk level are silent: the picture
// is decoded as if there were no thumbnails.
#include "Libraries/PictureCache.h"

#include "Libraries/File.h"
#include "Libraries/FileLink.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"
#include "platform/System.h"

#include <QBuffer>
#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QObject>
#include <QPainter>
#include <QRandomGenerator>
#include <QString>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

struct TThumbnailFolder
{
    const char *Name;
    int Size;
};

constexpr TThumbnailFolder ThumbnailFolders[] = {
    {"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}};

const char *FolderNameOf(int size)
{
    for (const TThumbnailFolder &folder : ThumbnailFolders)
        if (folder.Size == size) return folder.Name;
    return nullptr;
}

// What a thumbnail records of its file, and what the file is now.
struct TSourceFacts
{
    std::string Uri;
    std::int64_t ModifiedSeconds = 0;
    std::uint64_t Size = 0;
};

bool SourceFactsOf(const std::string &fileName, TSourceFacts &facts)
{
    Platform::TEntryStatus status;
    if (!Platform::EntryStatus(fileName, status, true) || !status.IsRegular) return false;
    facts.Uri = FileUriOfPath(fileName);
    facts.ModifiedSeconds = status.ModifiedSeconds;
    facts.Size = status.Size;
    return true;
}

std::string UpperExtension(const std::string &fileName)
{
    std::string extension = ExtractExtension(fileName);
    for (char &c : extension)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return extension;
}

// The kinds whose renderings keep their transparency (as LoadPictureToBitmap makes them).
bool KeepsTransparency(const std::string &extension)
{
    return extension == ".CUR" || extension == ".GIF" || extension == ".ICO" ||
           extension == ".PNG";
}

// A valid thumbnail of the file in the folder of that size: a regular PNG file no larger than
// the folder's box whose URI and modification time (and size, where it records one) are the
// file's. Null otherwise.
QImage ReadThumbnail(const std::string &path, const TSourceFacts &facts, int folderSize)
{
    Platform::TEntryStatus status;
    if (!Platform::EntryStatus(path, status, false) || !status.IsRegular) return QImage();
    const int handle = Platform::OpenForReading(path);
    if (handle < 0) return QImage();
    QFile file;
    if (!file.open(handle, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        Platform::CloseHandle(handle);
        return QImage();
    }
    QImageReader reader(&file, "png");
    reader.setDecideFormatFromContent(false);
    if (!reader.canRead()) return QImage();
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || size.width() > folderSize ||
        size.height() > folderSize)
        return QImage();
    // The reader's own text look-up splits keys at their first ":", which "Thumb::URI" has;
    // the decoded picture carries the texts whole.
    const QImage thumbnail = reader.read();
    if (thumbnail.text(QStringLiteral("Thumb::URI")) != QString::fromStdString(facts.Uri))
        return QImage();
    bool ok = false;
    const qlonglong modified = thumbnail.text(QStringLiteral("Thumb::MTime")).toLongLong(&ok);
    if (!ok || modified != facts.ModifiedSeconds) return QImage();
    const QString sizeText = thumbnail.text(QStringLiteral("Thumb::Size"));
    if (!sizeText.isEmpty()) {
        const qulonglong recorded = sizeText.toULongLong(&ok);
        if (!ok || recorded != facts.Size) return QImage();
    }
    return thumbnail;
}

std::uint32_t Crc32(const std::string &bytes)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> values{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            values[n] = c;
        }
        return values;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes)
        crc = table[(crc ^ static_cast<unsigned char>(c)) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

void AppendBigEndian32(std::string &bytes, std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes += static_cast<char>((value >> shift) & 0xFFu);
}

// The PNG file of the picture with uncompressed text chunks right after the header chunk, where
// readers that stop at the picture data find them. (Qt's writer compresses longer texts, which
// thumbnail readers need not understand.) Empty when the picture does not encode.
std::string PngWithTexts(const QImage &picture,
                         const std::vector<std::pair<std::string, std::string>> &texts)
{
    QByteArray encoded;
    QBuffer buffer(&encoded);
    if (!buffer.open(QIODevice::WriteOnly)) return std::string();
    QImageWriter writer(&buffer, "png");
    // Qt's PNG quality 80 is zlib level 1. For a 256 x 192 photo it encodes in about 3.6 ms
    // to about 70 KB and reads back in about 1.8 ms; level 0 (quality 90 and up) takes 1.5 ms
    // and 1.0 ms but always 3 bytes a pixel, too much for a cache shared by every program.
    writer.setQuality(80);
    if (!writer.write(picture)) return std::string();
    // The signature (8 bytes) and the header chunk (4 + 4 + 13 + 4 bytes).
    constexpr qsizetype headerEnd = 8 + 25;
    if (encoded.size() < headerEnd || encoded.mid(12, 4) != QByteArrayLiteral("IHDR"))
        return std::string();
    std::string bytes(encoded.constData(), static_cast<std::size_t>(headerEnd));
    for (const auto &[key, value] : texts) {
        const std::string chunk = "tEXt" + key + '\0' + value;
        AppendBigEndian32(bytes, static_cast<std::uint32_t>(chunk.size() - 4));
        bytes += chunk;
        AppendBigEndian32(bytes, Crc32(chunk));
    }
    bytes.append(encoded.constData() + headerEnd, static_cast<std::size_t>(encoded.size() - headerEnd));
    return bytes;
}

// The folder exists, made with mode 0700 when it was missing.
bool MakePrivateFolder(const std::string &folder)
{
    if (Platform::DirectoryExists(folder)) return true;
    if (!Platform::MakeDirectory(folder)) return Platform::DirectoryExists(folder);
    return Platform::SetMode(folder, 0700);
}

// Writes the thumbnail through a temporary file of mode 0600 in the same folder, renamed over
// the old one, so a reader never sees half a file. Nothing happens when the folders cannot be
// made or written.
void WriteThumbnail(const std::string &root,
                    int folderSize,
                    const QImage &picture,
                    const TSourceFacts &facts,
                    QSize natural)
{
    const char *name = FolderNameOf(folderSize);
    if (!name || root.size() < 2) return;
    const std::string thumbnails = root.substr(0, root.size() - 1);
    const std::string cacheHome = ExtractDirectory(thumbnails);
    std::string failedPart;
    if (!Platform::DirectoryExists(cacheHome) && !Platform::MakeDirectories(cacheHome, failedPart))
        return;
    const std::string folder = root + name;
    if (!MakePrivateFolder(thumbnails) || !MakePrivateFolder(folder)) return;
    const std::string bytes = PngWithTexts(
        picture.hasAlphaChannel() ? picture.convertToFormat(QImage::Format_ARGB32)
                                  : picture.convertToFormat(QImage::Format_RGB32),
        {{"Thumb::URI", facts.Uri},
         {"Thumb::MTime", std::to_string(facts.ModifiedSeconds)},
         {"Thumb::Size", std::to_string(facts.Size)},
         {"Thumb::Image::Width", std::to_string(natural.width())},
         {"Thumb::Image::Height", std::to_string(natural.height())},
         {"Software", "Velmordian"}});
    if (bytes.empty()) return;
    const std::string target = folder + "/" + Md5HexDigest(facts.Uri) + ".png";
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::string temporary =
            folder + "/.velmordian-" +
            std::to_string(QRandomGenerator::global()->generate64()) + ".png.tmp";
        if (!Platform::CreateNewFile(temporary, bytes)) {
            if (Platform::PathTaken(temporary)) continue; // another writer's name: try again
            return;
        }
        if (!Platform::RenamePath(temporary, target, true)) Platform::RemoveFile(temporary);
        return;
    }
}

// The rendering of the fitted size made from a picture (a thumbnail or the decoded picture) as
// LoadPictureToBitmap makes it: over the background colour, or over transparency for the
// kinds that keep it.
QImage ComposeRendering(const QImage &picture,
                        QSize fitted,
                        TColorRef backgroundColor,
                        bool transparent)
{
    QImage bitmap(fitted, QImage::Format_ARGB32_Premultiplied);
    bitmap.fill(transparent ? QColor(Qt::transparent) : ColorWithAlpha(backgroundColor, 255));
    QPainter painter(&bitmap);
    if (picture.size() == fitted)
        painter.drawImage(QPoint(0, 0), picture);
    else
        painter.drawImage(QPoint(0, 0),
                          picture.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return bitmap;
}

} // namespace

int DiskThumbnailFolderSize(int side)
{
    for (const TThumbnailFolder &folder : ThumbnailFolders)
        if (side <= folder.Size) return folder.Size;
    return 0;
}

std::string DiskThumbnailRoot()
{
    std::string cache = Platform::Environment("XDG_CACHE_HOME");
    if (cache.empty() || cache.front() != PathDelimiter) {
        const std::string home = Platform::Environment("HOME");
        if (home.empty() || home.front() != PathDelimiter) return std::string();
        cache = IncludeTrailingBackslash(home) + ".cache";
    }
    return IncludeTrailingBackslash(cache) + "thumbnails/";
}

std::string DiskThumbnailPath(const std::string &fileName, int folderSize)
{
    const std::string root = DiskThumbnailRoot();
    const char *name = FolderNameOf(folderSize);
    if (root.empty() || !name) return std::string();
    return root + name + "/" + Md5HexDigest(FileUriOfPath(fileName)) + ".png";
}

QImage TPictureCache::RenderPicture(const std::string &fileName,
                                    TColorRef backgroundColor,
                                    QRect box,
                                    int smartQualitySize,
                                    bool highQuality,
                                    int &naturalHeight,
                                    int &naturalWidth,
                                    int &scalePercent,
                                    bool fitExactly,
                                    int fitSmallSize,
                                    bool fitSmall)
{
    const auto decode = [&] {
        ++Decodes;
        return LoadPictureToBitmap(fileName,
                                   backgroundColor,
                                   box,
                                   smartQualitySize,
                                   highQuality,
                                   naturalHeight,
                                   naturalWidth,
                                   scalePercent,
                                   fitExactly,
                                   fitSmallSize,
                                   fitSmall);
    };
    if (!UseDiskCache) return decode();
    const std::string root = DiskThumbnailRoot();
    TSourceFacts facts;
    // Thumbnails of thumbnails are never made.
    if (root.empty() || FullPath(fileName).rfind(root, 0) == 0 || !SourceFactsOf(fileName, facts))
        return decode();
    TPictureFile picture;
    if (!picture.Open(fileName)) return decode(); // which tells why
    const QSize natural = picture.Size();
    if (!natural.isValid() || natural.isEmpty()) return decode();
    const QSize fitted = FittedPictureSize(
        natural.width(), natural.height(), box.size(), fitExactly, fitSmallSize, fitSmall);
    const int folderSize = DiskThumbnailFolderSize(std::max(fitted.width(), fitted.height()));
    if (folderSize == 0 || fitted.isEmpty()) return decode();
    const std::string extension = UpperExtension(fileName);
    const bool transparent = KeepsTransparency(extension);
    const auto finish = [&](const QImage &source) {
        naturalWidth = natural.width();
        naturalHeight = natural.height();
        scalePercent = static_cast<int>(std::int64_t{fitted.height()} * 100 / natural.height());
        return ComposeRendering(source, fitted, backgroundColor, transparent);
    };

    // A thumbnail serves when it holds at least the rendering's pixels: it is only ever
    // scaled down.
    const std::string name = Md5HexDigest(facts.Uri) + ".png";
    const QImage stored =
        ReadThumbnail(root + FolderNameOf(folderSize) + "/" + name, facts, folderSize);
    if (!stored.isNull() && stored.width() >= fitted.width() && stored.height() >= fitted.height())
        return finish(stored);

    // The thumbnail this folder keeps: the picture fitted into its box, never enlarged.
    const QSize thumbnailSize = FittedPictureSize(
        natural.width(), natural.height(), QSize(folderSize, folderSize), false, -1, false);
    if (fitExactly || thumbnailSize.width() < fitted.width() ||
        thumbnailSize.height() < fitted.height())
        return decode();
    ++Decodes;
    // Smooth whatever the options say: the thumbnail stays and other programs show it too.
    const QImage thumbnail = picture.Read(thumbnailSize, true);
    if (thumbnail.isNull() || thumbnail.size() != thumbnailSize) return decode();
    PendingWrites.push_back(
        {root, folderSize, thumbnail, facts.Uri, facts.ModifiedSeconds, facts.Size, natural});
    PendingBytes += thumbnail.sizeInBytes();
    // Without an application object, or with many waiting, the thumbnails are written at once.
    if (PendingBytes > MaxPendingDiskBytes || !QCoreApplication::instance()) {
        FlushDiskWrites();
    } else if (PendingWrites.size() == 1) {
        if (!WriteTimerContext) WriteTimerContext = std::make_unique<QObject>();
        QTimer::singleShot(0, WriteTimerContext.get(), [this] { FlushDiskWrites(); });
    }
    return finish(thumbnail);
}

void TPictureCache::FlushDiskWrites()
{
    std::vector<TPendingThumbnail> pending;
    pending.swap(PendingWrites);
    PendingBytes = 0;
    for (const TPendingThumbnail &write : pending) {
        TSourceFacts facts;
        facts.Uri = write.Uri;
        facts.ModifiedSeconds = write.ModifiedSeconds;
        facts.Size = write.FileSize;
        WriteThumbnail(write.Root, write.FolderSize, write.Picture, facts, write.Natural);
    }
}
