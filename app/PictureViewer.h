// The picture painter of the viewer panel: fits a picture into the viewer client, reports its
// facts and the colour and coordinates under the mouse in its hint, and copies those facts to
// the clipboard on a mouse button.
#pragma once

#include "Libraries/MyGDIPlus.h"
#include "Libraries/UtilitiesUi.h"

#include <QImage>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>

class QMouseEvent;
class QPaintEvent;
class TPictureViewer;

// The picture control the painter creates on the viewer client for each picture.
class TPictureImage : public QWidget
{
public:
    TPictureImage(QWidget *parent, TPictureViewer &owner);
    // The drawn picture, rendered width x rendered height, over the background colour.
    QImage Bitmap;
    // The hint text, also the widget's tool tip.
    std::string Hint;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    TPictureViewer &Owner;
};

class TPictureViewer
{
public:
    // The panel is the viewer client, the parent of the image.
    explicit TPictureViewer(QWidget *panel);
    ~TPictureViewer();
    TPictureViewer(const TPictureViewer &) = delete;
    TPictureViewer &operator=(const TPictureViewer &) = delete;

    // Decodes the file at the size it is shown and paints it. Errors: "Failed to load picture."
    // (file) for a file that holds no readable picture, "Invalid picture size." (file) for one
    // whose size is 0 or too big to decode.
    void LoadPaint(const std::string &file, bool fitSmall, TColorRef backgroundColor);
    // Lets a viewer plug-in draw the file; nothing without both entries.
    void LoadPaintWithPlugin(const std::string &file,
                             bool fitSmall,
                             const TPluginPictureSizeFunction &getPictureSize,
                             const TPluginLoadFileFunction &loadFileToBitmap,
                             TColorRef textColor,
                             TColorRef backgroundColor);
    // Saves the clipboard's picture as BMP to the file and paints it over black; nothing
    // without a picture on the clipboard. Error: "Failed to save clipboard picture." (file)
    void ViewClipboardPicture(const std::string &file, bool fitSmall);
    // Every number 0, the colour depth empty, the image freed.
    void Clear();

    // The hint for the mouse at (x, y) of the image, or for no mouse position with -1, -1.
    std::string HintText(int x, int y) const;
    // The box a picture is fitted into: the client's inside width and its height less twice
    // its border width.
    QSize Box() const;
    // The client's border width (that of a custom panel, else 0).
    int BorderWidth() const;

    // The right button's and the middle button's clipboard lines for (x, y) of the image.
    std::string ColorClipText(int x, int y) const;
    std::string CoordinatesClipText(int x, int y) const;

    QWidget *Panel;
    TPictureImage *Image = nullptr;
    int NaturalWidth = 0, NaturalHeight = 0;
    int RenderedWidth = 0, RenderedHeight = 0;
    std::string ColorDepth;
    int Frames = 0;
    std::int64_t FileSize = 0;
    // Called with the hint the viewer client gets (emptied while an image has its own).
    std::function<void(const std::string &)> OnPanelHint;

private:
    // Frees the old image and makes a new hidden one of the rendered size over the colour.
    void PrepareImage(bool fitSmall, TColorRef backgroundColor);
    void UpdateHint(int x, int y);
    friend class TPictureImage;
};
