// The picture painter of the viewer panel.
#include "app/PictureViewer.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/Text.h"
#include "Libraries/Utilities.h"
#include "app/MyControls.h"
#include "platform/FileSystem.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <cstdio>
#include <vector>

namespace {

constexpr const char *ThisUnit = "PictureViewer";

QColor QtColor(TColorRef color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

// A number right-aligned in three characters.
std::string Pad3(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%3d", value);
    return text;
}

std::string Hex6(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%06X", value & 0xFFFFFF);
    return text;
}

} // namespace

// ---- TPictureImage --------------------------------------------------------------------------

TPictureImage::TPictureImage(QWidget *parent, TPictureViewer &owner) : QWidget(parent), Owner(owner)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TPictureImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, Bitmap);
}

void TPictureImage::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    Owner.UpdateHint(at.x(), at.y());
    QToolTip::showText(event->globalPosition().toPoint(), QString::fromStdString(Hint), this);
}

void TPictureImage::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::RightButton)
        CopyTextToClipboard(
            Owner.ColorClipText(at.x(), at.y()), "Failed to copy text to clipboard.", false, true);
    else if (event->button() == Qt::MiddleButton)
        CopyTextToClipboard(Owner.CoordinatesClipText(at.x(), at.y()),
                            "Failed to copy text to clipboard.",
                            false,
                            true);
}

// ---- TPictureViewer -------------------------------------------------------------------------

TPictureViewer::TPictureViewer(QWidget *panel) : Panel(panel) {}

TPictureViewer::~TPictureViewer()
{
    // The image belongs to the panel's children as well; free it while the panel lives.
    delete Image;
}

void TPictureViewer::Clear()
{
    NaturalWidth = NaturalHeight = RenderedWidth = RenderedHeight = 0;
    ColorDepth.clear();
    Frames = 0;
    FileSize = 0;
    delete Image;
    Image = nullptr;
}

int TPictureViewer::BorderWidth() const
{
    const auto *panel = dynamic_cast<const MyTPanel *>(Panel);
    return panel ? panel->BorderWidth : 0;
}

QSize TPictureViewer::Box() const
{
    const int border = BorderWidth();
    return QSize(std::max(0, Panel->width() - 2 * border),
                 std::max(0, Panel->height() - 2 * border));
}

void TPictureViewer::PrepareImage(bool fitSmall, TColorRef backgroundColor)
{
    delete Image;
    Image = nullptr;
    const QSize box = Box();
    double ratio = 1;
    int height = 0, width = 0;
    FitSize(NaturalWidth,
            NaturalHeight,
            box.width(),
            ratio,
            height,
            width,
            fitSmall,
            false,
            0,
            0,
            box.height());
    RenderedWidth = std::max(0, width);
    RenderedHeight = std::max(0, height);
    Image = new TPictureImage(Panel, *this);
    Image->hide();
    const int border = BorderWidth();
    Image->setGeometry(border, border, RenderedWidth, RenderedHeight);
    Image->Bitmap =
        QImage(std::max(1, RenderedWidth), std::max(1, RenderedHeight), QImage::Format_ARGB32);
    Image->Bitmap.fill(QtColor(backgroundColor));
}

void TPictureViewer::LoadPaint(const std::string &file, bool fitSmall, TColorRef backgroundColor)
{
    TFunScope Fun(ThisUnit, "TPictureViewer::LoadPaint");
    Fun.Run([&] {
        FileSize = static_cast<std::int64_t>(GetFileSize(file));
        TPictureFile picture;
        if (!picture.Open(file)) {
            Fun.Raise("Failed to load picture.", file);
            return;
        }
        const QSize natural = picture.Size();
        if (!natural.isValid() || natural.isEmpty() ||
            std::int64_t{natural.width()} * natural.height() * 4 > MaximumDecodedPictureBytes) {
            Fun.Raise("Invalid picture size.", file);
            return;
        }
        NaturalWidth = natural.width();
        NaturalHeight = natural.height();
        Frames = picture.FrameCount();
        PrepareImage(fitSmall, backgroundColor);
        // Decoded at the size it is shown, never whole first.
        const QImage decoded = picture.Read(QSize(RenderedWidth, RenderedHeight), true);
        if (decoded.isNull()) {
            delete Image;
            Image = nullptr;
            Fun.Raise("Failed to load picture.", file);
            return;
        }
        ColorDepth = GetPicturePixelFormatName(decoded);
        {
            QPainter graphics(&Image->Bitmap);
            graphics.setRenderHint(QPainter::SmoothPixmapTransform);
            graphics.drawImage(QRect(0, 0, RenderedWidth, RenderedHeight), decoded);
        }
        UpdateHint(-1, -1);
        Image->show();
    });
}

void TPictureViewer::LoadPaintWithPlugin(const std::string &file,
                                         bool fitSmall,
                                         const TPluginPictureSizeFunction &getPictureSize,
                                         const TPluginLoadFileFunction &loadFileToBitmap,
                                         TColorRef textColor,
                                         TColorRef backgroundColor)
{
    TFunScope Fun(ThisUnit, "TPictureViewer::LoadPaintWithPlugin");
    Fun.Run([&] {
        if (!getPictureSize || !loadFileToBitmap) return;
        const std::string extension = UpperCaseText(ExtractExtension(file));
        const QSize box = Box();
        int width = 0, height = 0;
        getPictureSize(file, extension, box.width(), box.height(), width, height);
        NaturalWidth = width < 1 ? box.width() : width;
        NaturalHeight = height < 1 ? box.height() : height;
        PrepareImage(fitSmall, backgroundColor);
        std::vector<std::uint8_t> pixels(std::size_t(RenderedWidth) * RenderedHeight * 4);
        try {
            loadFileToBitmap(file,
                             extension,
                             RenderedWidth,
                             RenderedHeight,
                             backgroundColor,
                             textColor,
                             pixels.data());
        } catch (...) {
            // The buffer holds whatever the plug-in drew before it failed.
        }
        if (RenderedWidth > 0 && RenderedHeight > 0)
            CopyPixelsToBitmap(pixels.data(), Image->Bitmap, RenderedWidth, RenderedHeight);
        ColorDepth = "0";
        Frames = 0;
        FileSize = static_cast<std::int64_t>(GetFileSize(file));
        UpdateHint(-1, -1);
        Image->show();
    });
}

void TPictureViewer::ViewClipboardPicture(const std::string &file, bool fitSmall)
{
    TFunScope Fun(ThisUnit, "TPictureViewer::ViewClipboardPicture");
    Fun.Run([&] {
        const QImage picture = QGuiApplication::clipboard()->image();
        if (picture.isNull()) return;
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        if (!picture.save(&buffer, "BMP") ||
            !Platform::WriteWholeFile(file, bytes.constData(), std::size_t(bytes.size()), 0600)) {
            Fun.Raise("Failed to save clipboard picture.", file);
            return;
        }
        LoadPaint(file, fitSmall, 0x000000);
        Fun.CalleeFailed();
    });
}

std::string TPictureViewer::HintText(int x, int y) const
{
    const int zoom =
        NaturalHeight >= 1 ? int(std::int64_t{RenderedHeight} * 100 / NaturalHeight) : 0;
    std::string text =
        "File size = " + FileSizeText(6, 0, std::uint64_t(std::max<std::int64_t>(0, FileSize))) +
        ". Image width * height = " + std::to_string(NaturalWidth) + " * " +
        std::to_string(NaturalHeight) +
        "; Rendered width * height = " + std::to_string(RenderedWidth) + " * " +
        std::to_string(RenderedHeight) + ". Zoom = " + std::to_string(zoom) + "%" +
        ". Color depth = " + ColorDepth + ". Frames = " + std::to_string(Frames) +
        ". [RMB] = add color to clipboard" + ". [MMB] = add coordinates to clipboard.";
    if (x < 0 || y < 0 || RenderedWidth < 1 || RenderedHeight < 1) return text;
    int r = 0, g = 0, b = 0;
    if (Image && x < Image->Bitmap.width() && y < Image->Bitmap.height()) {
        const QRgb pixel = Image->Bitmap.pixel(x, y);
        r = qRed(pixel);
        g = qGreen(pixel);
        b = qBlue(pixel);
    }
    const int v = r * 65536 + g * 256 + b;
    text +=
        " RGB color = " + std::to_string(r) + "-" + std::to_string(g) + "-" + std::to_string(b) +
        "; Decimal color = " + std::to_string(v) + "; Hexadecimal color = 0x" + Hex6(v) +
        ". X * Y image = " + std::to_string(std::int64_t{x} * NaturalWidth / RenderedWidth) +
        " * " + std::to_string(std::int64_t{y} * NaturalHeight / RenderedHeight) +
        ". X * Y relative (\u2030) = " + std::to_string(std::int64_t{x} * 1000 / RenderedWidth) +
        " * " + std::to_string(std::int64_t{y} * 1000 / RenderedHeight) +
        ". X * Y rendered = " + std::to_string(x) + " * " + std::to_string(y) + ".";
    return text;
}

std::string TPictureViewer::ColorClipText(int x, int y) const
{
    int r = 0, g = 0, b = 0;
    if (Image && x >= 0 && y >= 0 && x < Image->Bitmap.width() && y < Image->Bitmap.height()) {
        const QRgb pixel = Image->Bitmap.pixel(x, y);
        r = qRed(pixel);
        g = qGreen(pixel);
        b = qBlue(pixel);
    }
    return "\nRGB(" + Pad3(r) + ", " + Pad3(g) + ", " + Pad3(b) + ");";
}

std::string TPictureViewer::CoordinatesClipText(int x, int y) const
{
    const int ix = RenderedWidth > 0 ? int(std::int64_t{x} * NaturalWidth / RenderedWidth) : 0;
    const int iy = RenderedHeight > 0 ? int(std::int64_t{y} * NaturalHeight / RenderedHeight) : 0;
    return "\nXY(" + Pad3(ix) + ", " + Pad3(iy) + ");";
}

void TPictureViewer::UpdateHint(int x, int y)
{
    if (!Image) return;
    Image->Hint = HintText(x, y);
    Image->setToolTip(QString::fromStdString(Image->Hint));
    if (OnPanelHint) OnPanelHint(std::string());
}
