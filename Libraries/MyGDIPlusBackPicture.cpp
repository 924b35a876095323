// Picture services: brightness measuring and normalising, tiling, and the window's back picture.
#include "Libraries/MyGDIPlus.h"

#include "Libraries/Error.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr const char *ThisUnit = "MyGDIPlus";

// The picture as non-premultiplied 32-bit pixels, converted in place when it is not one.
void MakePixelsEditable(QImage &picture)
{
    if (picture.format() != QImage::Format_ARGB32 && picture.format() != QImage::Format_RGB32)
        picture = picture.convertToFormat(QImage::Format_ARGB32);
}

int Scaled(int channel, double factor)
{
    const double value = std::trunc(channel * factor);
    return value >= 256 ? 255 : std::max(0, static_cast<int>(value));
}

} // namespace

void GetPictureBright(const QImage &picture,
                      double &brightnessMean,
                      double &brightnessDeviation,
                      double &colorDeviation,
                      double &colorMean)
{
    brightnessMean = brightnessDeviation = colorDeviation = colorMean = 0;
    TFunScope Fun(ThisUnit, "GetPictureBright");
    Fun.Run([&] {
        if (picture.isNull()) {
            Fun.Raise("Failed to lock bitmap bits");
            return;
        }
        const QImage pixels = picture.convertToFormat(QImage::Format_ARGB32);
        const std::uint64_t n = static_cast<std::uint64_t>(pixels.width()) *
                                static_cast<std::uint64_t>(pixels.height());
        std::uint64_t sumV = 0, sumC = 0;
        for (int y = 0; y < pixels.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
            for (int x = 0; x < pixels.width(); ++x) {
                const int r = qRed(line[x]), g = qGreen(line[x]), b = qBlue(line[x]);
                sumV += static_cast<std::uint64_t>(std::max({r, g, b}));
                sumC += static_cast<std::uint64_t>(r + g + b);
            }
        }
        const std::int64_t meanV = static_cast<std::int64_t>(sumV / n);
        const std::int64_t c = static_cast<std::int64_t>((sumC / n) / 3);
        std::uint64_t sum1 = 0, sum2 = 0;
        for (int y = 0; y < pixels.height(); ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(pixels.constScanLine(y));
            for (int x = 0; x < pixels.width(); ++x) {
                const std::int64_t r = qRed(line[x]), g = qGreen(line[x]), b = qBlue(line[x]);
                const std::int64_t v = std::max({r, g, b}) - meanV;
                sum1 += static_cast<std::uint64_t>(v * v);
                sum2 += static_cast<std::uint64_t>((r - c) * (r - c) + (g - c) * (g - c) +
                                                   (b - c) * (b - c));
            }
        }
        brightnessMean = static_cast<double>(meanV) / 255;
        brightnessDeviation = std::sqrt(static_cast<double>(sum1 / n)) / 255;
        colorDeviation = std::sqrt(static_cast<double>((sum2 / n) / 3)) / 255;
        colorMean = static_cast<double>(c) / 255;
    });
}

double NormalizePictureBrightness(QImage &picture,
                                  const std::string &method,
                                  double targetBrightness,
                                  double brightnessDeviation,
                                  double currentBrightness)
{
    double ratio = 0;
    TFunScope Fun(ThisUnit, "NormalizePictureBrightness");
    Fun.Run([&] {
        if (picture.isNull()) {
            Fun.Raise("Failed to lock bitmap bits");
            return;
        }
        const double current = std::clamp(currentBrightness, 0.01, 1.0);
        const double target = std::clamp(targetBrightness, 0.01, 1.0);
        ratio = target / current;
        const bool anisotropic = method == "Anisotropic dampening";
        const bool balanced = method == "Balanced scaling";
        const bool mirrored = method == "Mirrored scaling";
        if (!anisotropic && !balanced && !mirrored) return;
        const double k = (std::abs(target - current) * 0.5 + 1) * (brightnessDeviation * 0.5 + 1);
        MakePixelsEditable(picture);
        for (int y = 0; y < picture.height(); ++y) {
            auto *line = reinterpret_cast<QRgb *>(picture.scanLine(y));
            for (int x = 0; x < picture.width(); ++x) {
                const QRgb pixel = line[x];
                int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
                const double v = std::max({r, g, b}) / 255.0;
                if (mirrored) {
                    const auto mirror = [&](int channel) {
                        if (target <= current)
                            return static_cast<int>(std::trunc(channel * target / current));
                        return static_cast<int>(
                            std::trunc(255 - (1 - target) / (1 - current) * (255 - channel)));
                    };
                    r = mirror(r);
                    g = mirror(g);
                    b = mirror(b);
                } else {
                    double f = ratio;
                    if (anisotropic) {
                        const double w = std::sqrt(1 - std::abs(1 - target - v));
                        f = (target + 0.5) / (w * k * v + 1);
                    } else if (target > current) {
                        f = (ratio - 1) * (1 - v) + 1;
                    }
                    r = Scaled(r, f);
                    g = Scaled(g, f);
                    b = Scaled(b, f);
                }
                line[x] = qRgba(std::clamp(r, 0, 255),
                                std::clamp(g, 0, 255),
                                std::clamp(b, 0, 255),
                                qAlpha(pixel));
            }
        }
    });
    return ratio;
}

void TileBitmap(QImage &bitmap, int tileWidth, int tileHeight, int boxHeight, int boxWidth)
{
    TFunScope Fun(ThisUnit, "TileBitmap");
    Fun.Run([&] {
        if (bitmap.isNull() || tileWidth < 1 || tileHeight < 1) return;
        const QImage tile = bitmap.copy(0, 0, tileWidth, tileHeight);
        const int columns = (boxWidth + tileWidth - 1) / tileWidth;
        const int rows = (boxHeight + tileHeight - 1) / tileHeight;
        QPainter painter(&bitmap);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        for (int row = 0; row < rows; ++row)
            for (int column = 0; column < columns; ++column)
                if (row > 0 || column > 0)
                    painter.drawImage(column * tileWidth, row * tileHeight, tile);
    });
}

void LoadTilePictureToBitmap(const std::string &fileName,
                             QImage &bitmap,
                             TColorRef backgroundColor,
                             const TAfterPaintFunction &afterPaint,
                             double *brightnessRatio,
                             double *skew,
                             int gammaPercent,
                             const std::string &brightnessMethod,
                             double targetBrightness,
                             bool normalizeBrightness,
                             int translucency,
                             bool tile,
                             bool enlarge,
                             bool stretch,
                             bool crop,
                             double maximumSkew,
                             int minimumSize,
                             int boxHeight,
                             int boxWidth)
{
    TFunScope Fun(ThisUnit, "LoadTilePictureToBitmap");
    Fun.Run([&] {
        if (skew) *skew = 1.0;
        if (brightnessRatio) *brightnessRatio = 0;
        if (fileName.empty()) return;
        TPictureFile file;
        QImage picture = file.Open(fileName) ? file.Read() : QImage();
        if (picture.width() < 1 || picture.height() < 1) {
            Fun.Raise("Failed to load picture.", fileName);
            return;
        }
        if (normalizeBrightness) {
            double mean = 0, deviation = 0, colorDeviation = 0, colorMean = 0;
            GetPictureBright(picture, mean, deviation, colorDeviation, colorMean);
            if (Fun.CalleeFailed()) return;
            const double ratio = NormalizePictureBrightness(
                picture, brightnessMethod, targetBrightness, deviation, mean);
            if (Fun.CalleeFailed()) return;
            if (brightnessRatio) *brightnessRatio = ratio;
        }
        bitmap = QImage(std::max(1, boxWidth), std::max(1, boxHeight), QImage::Format_RGB32);
        QRect source, destination;
        double fitSkew = 1;
        const bool stretched = BackPictureRects(picture.size(),
                                                QSize(boxWidth, boxHeight),
                                                tile,
                                                enlarge,
                                                stretch,
                                                crop,
                                                maximumSkew,
                                                minimumSize,
                                                source,
                                                destination,
                                                fitSkew);
        if (skew) *skew = fitSkew;
        bitmap.fill(ColorWithAlpha(backgroundColor, 255));
        QPainter graphics(&bitmap);
        graphics.setRenderHint(QPainter::SmoothPixmapTransform, true);
        DrawPictureWithAttributes(picture,
                                  graphics,
                                  destination.x(),
                                  destination.y(),
                                  destination.width(),
                                  destination.height(),
                                  source.x(),
                                  source.y(),
                                  source.width(),
                                  source.height(),
                                  translucency,
                                  0,
                                  0,
                                  0,
                                  0,
                                  0,
                                  0,
                                  gammaPercent);
        if (Fun.CalleeFailed()) return;
        if (!stretched && tile) {
            graphics.end();
            TileBitmap(bitmap, destination.width(), destination.height(), boxHeight, boxWidth);
            if (Fun.CalleeFailed()) return;
            graphics.begin(&bitmap);
        }
        if (afterPaint) afterPaint(graphics);
    });
    if (Fun.Failed()) bitmap = QImage();
}
