// Picture services: pixel formats, colour statistics and the colour rotation recommendation,
// drawing through a colour matrix and gamma, and the placing of the back picture.
#include "Libraries/MyGDIPlus.h"

#include "Libraries/Error.h"
#include "Libraries/Utilities.h"

#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

constexpr const char *ThisUnit = "MyGDIPlus";

int Channel(TColorRef color, int shift)
{
    return static_cast<int>((color >> shift) & 0xFFu);
}

bool TranslucencyActive(int translucency)
{
    return translucency > 0 && translucency <= 100;
}

bool OffsetsActive(double red, double green, double blue)
{
    return red != 0 || green != 0 || blue != 0;
}

bool RotationActive(int redGreen, int greenBlue, int blueRed)
{
    const auto inRange = [](int angle) { return angle >= -180 && angle <= 180; };
    return inRange(redGreen) && inRange(greenBlue) && inRange(blueRed) &&
           (redGreen != 0 || greenBlue != 0 || blueRed != 0);
}

bool GammaActive(int percent)
{
    return percent >= 1 && percent <= 1000 && percent != 100;
}

// One step of the rotation recommendation: targets a and b from the differences x, y, z.
void RecommendStep(int &a, int &b, int x, int y, int z)
{
    const auto angle = [](int difference) { return (difference * 180 / 255) / 2; };
    if (x > 0) {
        if (z < x) a = angle(x - z);
        if (y < x) b = angle(y - x);
    } else {
        if (z > x) a = angle(x - z);
        if (y > x) b = angle(y - x);
    }
}

// Applies the colour part of the matrix (alpha stays) and the gamma to every pixel of a
// non-premultiplied 32-bit picture.
void ApplyColorWork(QImage &image, const double m[5][5], bool matrix, double gamma)
{
    std::array<std::uint8_t, 256> curve{};
    for (int v = 0; v < 256; ++v)
        curve[static_cast<std::size_t>(v)] =
            static_cast<std::uint8_t>(std::lround(std::pow(v / 255.0, gamma) * 255));
    const auto clamp = [](double v) {
        return static_cast<std::size_t>(std::clamp(std::lround(v * 255), 0L, 255L));
    };
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = line[x];
            std::size_t r = static_cast<std::size_t>(qRed(pixel));
            std::size_t g = static_cast<std::size_t>(qGreen(pixel));
            std::size_t b = static_cast<std::size_t>(qBlue(pixel));
            if (matrix) {
                const double fr = qRed(pixel) / 255.0, fg = qGreen(pixel) / 255.0,
                             fb = qBlue(pixel) / 255.0;
                const double fa = qAlpha(pixel) / 255.0;
                r = clamp(fr * m[0][0] + fg * m[1][0] + fb * m[2][0] + fa * m[3][0] + m[4][0]);
                g = clamp(fr * m[0][1] + fg * m[1][1] + fb * m[2][1] + fa * m[3][1] + m[4][1]);
                b = clamp(fr * m[0][2] + fg * m[1][2] + fb * m[2][2] + fa * m[3][2] + m[4][2]);
            }
            line[x] = qRgba(curve[r], curve[g], curve[b], qAlpha(pixel));
        }
    }
}

} // namespace

std::string GetPicturePixelFormatName(const QImage &picture)
{
    switch (picture.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        return "1 bpp";
    case QImage::Format_Indexed8:
    case QImage::Format_Grayscale8:
    case QImage::Format_Alpha8:
        return "8 bpp";
    case QImage::Format_RGB16:
    case QImage::Format_RGB555:
    case QImage::Format_RGB444:
    case QImage::Format_ARGB4444_Premultiplied:
    case QImage::Format_Grayscale16:
        return "16 bpp";
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
        return "24 bpp";
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        return "32 bpp";
    case QImage::Format_RGBX64:
    case QImage::Format_RGBA64:
    case QImage::Format_RGBA64_Premultiplied:
        return "64 bpp";
    default:
        return "";
    }
}

int GetPictureFrameCount(const std::string &fileName)
{
    int count = 0;
    TFunScope Fun(ThisUnit, "GetPictureFrameCount");
    Fun.Run([&] {
        TPictureFile file;
        if (file.Open(fileName)) count = file.FrameCount();
    });
    return count;
}

void GetPictureColorStatistics(const QImage &picture, int &meanRed, int &meanGreen, int &meanBlue)
{
    TFunScope Fun(ThisUnit, "GetPictureColorStatistics");
    Fun.Run([&] {
        if (picture.isNull()) {
            Fun.Raise("Failed to lock bitmap bits");
            return;
        }
        const QImage pixels = picture.convertToFormat(QImage::Format_ARGB32);
        std::uint64_t sums[3] = {0, 0, 0};
        for (int y = 0; y < pixels.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
            for (int x = 0; x < pixels.width(); ++x) {
                sums[0] += static_cast<std::uint64_t>(qRed(line[x]));
                sums[1] += static_cast<std::uint64_t>(qGreen(line[x]));
                sums[2] += static_cast<std::uint64_t>(qBlue(line[x]));
            }
        }
        const std::uint64_t n = static_cast<std::uint64_t>(pixels.width()) *
                                static_cast<std::uint64_t>(pixels.height());
        meanRed = static_cast<int>(sums[0] / n);
        meanGreen = static_cast<int>(sums[1] / n);
        meanBlue = static_cast<int>(sums[2] / n);
    });
}

std::string RecommendPictureColorStatistics(const std::string &fileName,
                                            TColorRef fillingColor,
                                            int &redGreen,
                                            int &blueRed,
                                            int &greenBlue)
{
    std::string report;
    TFunScope Fun(ThisUnit, "RecommendPictureColorStatistics");
    Fun.Run([&] {
        TPictureFile file;
        const QImage picture = file.Open(fileName) ? file.Read() : QImage();
        if (picture.width() <= 0 || picture.height() <= 0) {
            Fun.Raise("Failed to load picture.", fileName);
            return;
        }
        int red = 0, green = 0, blue = 0;
        GetPictureColorStatistics(picture, red, green, blue);
        if (Fun.CalleeFailed()) return;
        const int fillRed = Channel(fillingColor, 0);
        const int fillGreen = Channel(fillingColor, 8);
        const int fillBlue = Channel(fillingColor, 16);
        const int dR = fillRed - red, dG = fillGreen - green, dB = fillBlue - blue;
        RecommendStep(blueRed, redGreen, dR, dG, dB);
        RecommendStep(redGreen, greenBlue, dG, dB, dR);
        RecommendStep(greenBlue, blueRed, dB, dR, dG);
        const auto n = [](int value) { return std::to_string(value); };
        report = "Overall color -> \"Filling\" color: \n    * Red = " + n(red) + " -> " +
                 n(fillRed) + "\n    * Green = " + n(green) + " -> " + n(fillGreen) +
                 "\n    * Blue = " + n(blue) + " -> " + n(fillBlue) +
                 "\n\nRecommended color rotation values:\n    * Red - Green = " + n(redGreen) +
                 "\n    * Green - Blue = " + n(greenBlue) + "\n    * Blue - Red = " + n(blueRed);
    });
    return report;
}

void PictureColorMatrix(double matrix[5][5],
                        int translucency,
                        double redOffset,
                        double greenOffset,
                        double blueOffset,
                        int redGreenAngle,
                        int greenBlueAngle,
                        int blueRedAngle)
{
    for (int i = 0; i < 5; ++i)
        for (int j = 0; j < 5; ++j)
            matrix[i][j] = i == j ? 1 : 0;
    if (TranslucencyActive(translucency)) matrix[3][3] = 1 - translucency / 100.0;
    if (OffsetsActive(redOffset, greenOffset, blueOffset)) {
        matrix[4][0] = redOffset;
        matrix[4][1] = greenOffset;
        matrix[4][2] = blueOffset;
    }
    if (RotationActive(redGreenAngle, greenBlueAngle, blueRedAngle)) {
        const double radians = std::numbers::pi / 180;
        const double a = redGreenAngle * radians;
        const double b = greenBlueAngle * radians;
        const double c = blueRedAngle * radians;
        matrix[0][0] = std::cos(a) * std::cos(c);
        matrix[1][1] = std::cos(a) * std::cos(b);
        matrix[2][2] = std::cos(b) * std::cos(c);
        matrix[0][1] = std::sin(a);
        matrix[1][0] = -std::sin(a);
        matrix[1][2] = std::sin(b);
        matrix[2][1] = -std::sin(b);
        matrix[2][0] = std::sin(c);
        matrix[0][2] = -std::sin(c);
    }
}

void DrawPictureWithAttributes(const QImage &picture,
                               QPainter &graphics,
                               int destinationX,
                               int destinationY,
                               int destinationWidth,
                               int destinationHeight,
                               int sourceX,
                               int sourceY,
                               int sourceWidth,
                               int sourceHeight,
                               int translucency,
                               double redOffset,
                               double greenOffset,
                               double blueOffset,
                               int redGreenAngle,
                               int greenBlueAngle,
                               int blueRedAngle,
                               int gammaPercent)
{
    TFunScope Fun(ThisUnit, "DrawPictureWithAttributes");
    Fun.Run([&] {
        const QRect destination(destinationX, destinationY, destinationWidth, destinationHeight);
        const QRect source(sourceX, sourceY, sourceWidth, sourceHeight);
        const bool fade = TranslucencyActive(translucency);
        const bool matrix = OffsetsActive(redOffset, greenOffset, blueOffset) ||
                            RotationActive(redGreenAngle, greenBlueAngle, blueRedAngle);
        const bool gamma = GammaActive(gammaPercent);
        if (!fade && !matrix && !gamma) {
            graphics.drawImage(destination, picture, source);
            return;
        }
        QImage part = picture.copy(source);
        if (matrix || gamma) {
            // The colour work runs on the smaller of the source and the destination.
            const bool smooth = graphics.testRenderHint(QPainter::SmoothPixmapTransform);
            if (std::int64_t{destinationWidth} * destinationHeight <
                std::int64_t{sourceWidth} * sourceHeight)
                part = part.scaled(destination.size(),
                                   Qt::IgnoreAspectRatio,
                                   smooth ? Qt::SmoothTransformation : Qt::FastTransformation);
            part = part.convertToFormat(QImage::Format_ARGB32);
            double m[5][5];
            PictureColorMatrix(m,
                               0,
                               redOffset,
                               greenOffset,
                               blueOffset,
                               redGreenAngle,
                               greenBlueAngle,
                               blueRedAngle);
            ApplyColorWork(part, m, matrix, gamma ? gammaPercent / 100.0 : 1.0);
        }
        // The matrix scales only the alpha by 1 - t / 100: the painter's opacity does the same.
        graphics.save();
        if (fade) graphics.setOpacity(graphics.opacity() * (1 - translucency / 100.0));
        graphics.drawImage(destination, part);
        graphics.restore();
    });
}

bool BackPictureRects(QSize picture,
                      QSize box,
                      bool tile,
                      bool enlarge,
                      bool stretch,
                      bool crop,
                      double maximumSkew,
                      int minimumSize,
                      QRect &source,
                      QRect &destination,
                      double &skew)
{
    const int pw = picture.width(), ph = picture.height();
    const int bw = box.width(), bh = box.height();
    source = QRect(0, 0, pw, ph);
    destination = QRect(0, 0, bw, bh);
    skew = 1.0;
    if (crop && pw >= minimumSize && ph >= minimumSize && pw > 0 && ph > 0 && bw > 0 && bh > 0) {
        const double rw = static_cast<double>(bw) / pw;
        const double rh = static_cast<double>(bh) / ph;
        if (rw >= rh) {
            const int height = static_cast<int>(std::trunc(ph / (rw / rh)));
            source = QRect(0, (ph - height) / 2, pw, height);
        } else {
            const int width = static_cast<int>(std::trunc(pw / (rh / rw)));
            source = QRect((pw - width) / 2, 0, width, ph);
        }
        return true;
    }
    int width = 0, height = 0;
    const bool stretched =
        FitSize(pw, ph, bw, skew, height, width, enlarge, stretch, maximumSkew, minimumSize, bh);
    destination = QRect(0, 0, width, height);
    if (!stretched && !tile) destination.moveTo((bw - width) / 2, (bh - height) / 2);
    return stretched;
}
