// The program-wide cache of rendered thumbnails: pictures, video frames, texts and plug-in
// renderings, keyed by the file and by everything that changes the rendering.
#pragma once

#include "Libraries/MyGDIPlus.h"
#include "Libraries/UtilitiesUi.h"

#include <QImage>
#include <QRect>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QObject;
class QPainter;

// One rendering of one file and the key it was made under.
struct TPictureCacheEntry
{
    std::string FileName;        // compared exactly
    std::uint64_t FileSize = 0;  // when rendered
    std::uint64_t WriteTime = 0; // last-write file time when rendered
    QImage Bitmap;
    bool FitSmall = false;
    bool FitExactly = false;
    TColorRef BackgroundColor = 0;
    TColorRef TextColor = 0;
    std::string FontName;
    std::int32_t FontSize = 0;
    bool Bold = false;
    std::int32_t NaturalWidth = 0; // of the source picture (video frames and texts: the rendering)
    std::int32_t NaturalHeight = 0;
    std::int32_t ScalePercent = 0; // rendering height * 100 / natural height
};

// At most MaxEntries renderings in insertion order (index 0 the oldest); when full, over the
// byte limit or short of free memory, the oldest half goes at once. Bitmaps handed out stay
// owned by the cache and are valid until its next change.
class TPictureCache
{
public:
    static constexpr int MaxEntries = 1000;
    static constexpr std::int64_t DefaultByteLimit = 30000000;
    // Below this much free physical memory only the first few entries are added without
    // eviction.
    static constexpr std::uint64_t MinimumFreeMemory = 10000000;
    static constexpr int EntriesAllowedWithoutMemory = 5;
    // Thumbnails waiting for the disk beyond this many bytes of pixels are written at once.
    static constexpr std::int64_t MaxPendingDiskBytes = 16000000;

    TPictureCache();
    ~TPictureCache();
    TPictureCache(const TPictureCache &) = delete;
    TPictureCache &operator=(const TPictureCache &) = delete;

    // The newest rendering of the file at the size the box gives (the box itself with fit
    // exactly, else the natural size fitted into it), of the same size and write time and, when
    // depends on text format is set, of the same colours and font; with video only the newest
    // entry whose size touches the box on one side is examined. A same-sized rendering of an
    // older version of the file is dropped on the way. Null when none matches.
    // Error: "Unhandled exception: " + message, or "Unhandled generic exception."
    const QImage *Find(const std::string &fileName,
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
                       std::uint64_t fileSize);

    // Finds the rendering (the canvas's font is part of the key) or makes one (the text, the
    // video's thumbnail, the picture, or the plug-in's drawing), paints it at the rectangle's
    // top-left corner with a border and caches a new one. While the control is being scrolled
    // (controlScrolling points to its flag; null for no control) and show while scrolling is
    // off, a missing rendering is not made: a note is drawn instead and the result is null.
    // A failed rendering caches nothing and gives null.
    // Error: "Not a picture file."; those of LoadPictureToBitmap and LoadTextToBitmap;
    // "Unhandled exception: " + message, or "Unhandled generic exception."
    const QImage *Load(const bool *controlScrolling,
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
                       TColorRef backgroundColor);

    // A new bitmap of the rectangle's size in the background colour showing the start of the
    // file's text (up to the byte limit) in the canvas's font and the text colour, inside the
    // margin (2 when negative); word-wrapped unless the text breaks its lines itself. After a
    // failed read the bitmap holds only the background.
    // Error: those of GetTextFromFileStream; "Unhandled exception: " + message, or
    // "Unhandled generic exception."
    static QImage LoadTextToBitmap(QPainter &canvas,
                                   TColorRef backgroundColor,
                                   std::int64_t byteLimit,
                                   const std::string &fileName,
                                   int margin,
                                   QRect rect,
                                   TColorRef textColor);
    // Draws the bitmap at its own size at the rectangle's top-left corner (transparent pixels
    // left out), then a one-pixel border just outside it unless the colour is NoColorRef.
    static void
    PaintPicture(QPainter &canvas, QRect rect, TColorRef borderColor, const QImage &bitmap);

    // Frees every rendering.
    void Clear();
    // The bytes of all renderings at 4 bytes a pixel.
    std::int64_t GetSize() const;
    int Count() const { return static_cast<int>(Entries.size()); }
    const TPictureCacheEntry &Entry(int index) const
    {
        return Entries[static_cast<std::size_t>(index)];
    }

    // The most the renderings may take before the oldest half goes.
    std::int64_t ByteLimit = DefaultByteLimit;
    // How many renderings were attempted since creation (a repaint from the cache adds none).
    std::int64_t Renderings = 0;
    // How many pictures were decoded from their files (a rendering made from a thumbnail on disk
    // adds none).
    std::int64_t Decodes = 0;
    // Pictures also keep their thumbnails on disk, in the thumbnail folders of
    // $XDG_CACHE_HOME/thumbnails that other programs share, so a new start finds them without
    // decoding. Texts, video frames and plug-in drawings stay in memory only.
    bool UseDiskCache = true;
    // Writes the thumbnails that wait for the disk. They are written when the event loop is
    // next idle, after the paint that made them, so a column appears before its thumbnails are
    // encoded; thumbnails still waiting when the cache goes are not written.
    void FlushDiskWrites();
    int PendingDiskWrites() const { return static_cast<int>(PendingWrites.size()); }
    // The machine's free physical memory in bytes.
    std::function<std::uint64_t()> FreeMemory;

private:
    // A thumbnail to write: the picture and what it records of its file.
    struct TPendingThumbnail
    {
        std::string Root;
        int FolderSize = 0;
        QImage Picture;
        std::string Uri;
        std::int64_t ModifiedSeconds = 0;
        std::uint64_t FileSize = 0;
        QSize Natural;
    };
    void Append(TPictureCacheEntry &&entry);
    // The picture at its fitted size: scaled from a valid thumbnail on disk that holds enough
    // pixels, else decoded (and then written to disk). Errors: those of LoadPictureToBitmap;
    // the disk level itself reports none.
    QImage RenderPicture(const std::string &fileName,
                         TColorRef backgroundColor,
                         QRect box,
                         int smartQualitySize,
                         bool highQuality,
                         int &naturalHeight,
                         int &naturalWidth,
                         int &scalePercent,
                         bool fitExactly,
                         int fitSmallSize,
                         bool fitSmall);
    void RemoveStale(std::size_t index);
    // The plug-in's drawing at the fitted size over the background colour.
    static QImage RenderWithPlugin(const TPluginLoadFileFunction &pluginLoadFileToBitmap,
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
                                   TColorRef backgroundColor);
    std::vector<TPictureCacheEntry> Entries;
    std::vector<TPendingThumbnail> PendingWrites;
    std::int64_t PendingBytes = 0;
    // The receiver of the idle-time write; it goes with the cache, and its call with it.
    std::unique_ptr<QObject> WriteTimerContext;
};

// The one cache of the program.
extern TPictureCache PictureCache;

// ---- Thumbnails on disk ---------------------------------------------------------------------

// The thumbnail folders by their box side: "normal" 128, "large" 256, "x-large" 512,
// "xx-large" 1024 pixels.
// The smallest folder size whose box holds a rendering whose larger side is side pixels; 0 when
// the side exceeds 1024.
int DiskThumbnailFolderSize(int side);
// $XDG_CACHE_HOME/thumbnails/ (else $HOME/.cache/thumbnails/), with the trailing "/"; empty when
// neither variable gives an absolute folder.
std::string DiskThumbnailRoot();
// The thumbnail file of the file in the folder of that size: the lower-case MD5 of the file's
// URI + ".png"; empty without a root or for another size.
std::string DiskThumbnailPath(const std::string &fileName, int folderSize);
