// The hover preview: a small borderless popup over a column item with the item's name, path,
// size and times and its thumbnail, or a video or audio file played small. It never takes the
// focus.
#pragma once

#include "Libraries/UtilitiesUi.h"

#include <QRect>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QPainter;

// Where the hover window goes and how it is divided.
struct THoverGeometry
{
    int Left = 0, Top = 0, Width = 0, Height = 0;
    int HeaderHeight = 0;
    QRect InfoRect, DisplayRect;
};

// The window's geometry for an anchor (screen coordinates of the bottom-left corner of the
// item's first line): to the left of the item and ending at that line's bottom when there is
// room, else to its right (five line heights from the anchor) or at the top of the screen.
THoverGeometry HoverGeometry(bool thumbnailMode,
                             bool isVideo,
                             bool isAudio,
                             bool isDirectory,
                             int lineHeight,
                             int fontHeight,
                             int anchorX,
                             int anchorY,
                             int genericWidth,
                             int movieHeight,
                             int movieWidth,
                             int pictureHeight,
                             int pictureWidth);

// The facts CheckItemHotTrack tests, in its order, before it opens the window. DelayPassed is
// asked only when the earlier ones hold (it restarts the watch).
struct THoverFacts
{
    bool HoverDiffersFromHot = false;
    bool WindowShown = false;
    bool MouseButtonHeld = false;
    std::function<bool()> DelayPassed;
    bool MainWindowActive = false;
    std::function<bool()> MouseOverHotType;
};
// True when the window opens.
bool HoverOpens(const THoverFacts &facts);
// True when the mouse has gone more than the sensitivity from the start point in x or y.
bool HoverMovedAway(QPoint start, QPoint now, int sensitivity);

class TFileHoverForm : public QWidget
{
public:
    explicit TFileHoverForm(QWidget *parent = nullptr);

    void Display(bool playMedia,
                 bool showVideoThumbnail,
                 bool isDirectory,
                 std::int64_t created,
                 std::int64_t modified,
                 std::int64_t size,
                 const std::string &title,
                 int anchorY,
                 int anchorX,
                 TColorRef borderColor,
                 TColorRef textColor,
                 TColorRef backgroundColor,
                 int lineHeight,
                 int fontSize,
                 const std::string &fontName,
                 int genericWidth,
                 int movieHeight,
                 int movieWidth,
                 int pictureHeight,
                 int pictureWidth);
    void HideHover();
    void FPaint(bool progressOnly, std::int64_t position, std::int64_t length);
    void PlayInWindow();

    // The text lines of the header, top to bottom.
    std::vector<std::string> HeaderLines() const;
    // The information text of the display area (media facts or an error), before painting.
    std::string InformationText(std::int64_t position, std::int64_t length) const;

    bool Shown = false;
    std::string FileName;
    std::int64_t Size = 0;
    std::int64_t Modified = 0, Created = 0;
    std::string NameText, PathText, SizeText, SizeGroupedText, ModifiedText, CreatedText;
    TColorRef TextColor = 0, BorderColor = 0, WindowColor = 0xFFFFFF;
    bool MediaStarted = false;
    bool PlayMedia = false;
    bool IsDirectory = false;
    bool ThumbnailMode = false;
    bool IsVideo = false, IsAudio = false;
    QRect InfoRect, DisplayRect;
    int LineHeight = 0, HeaderHeight = 0;
    int SourceWidth = 0, SourceHeight = 0, FittedWidth = 0, FittedHeight = 0;
    std::string LengthText;
    std::string ErrorText;
    // Paints the thumbnail (the main window's PaintThumb); null paints none.
    std::function<void(const std::string &file,
                       QRect displayRect,
                       QRect infoRect,
                       QPainter &canvas,
                       std::int64_t modified,
                       std::int64_t size)>
        OnPaintThumb;
    // Whether the file has a thumbnail (the main window's HasThumbnail).
    std::function<bool(const std::string &title)> OnHasThumbnail;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void PlayThumb();
    // The canvas FPaint draws on while a paint event runs.
    QPainter *Canvas = nullptr;
};

extern TFileHoverForm *FileHoverForm;
