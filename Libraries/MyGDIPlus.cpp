// Picture services over QPainter: translucent rectangles, soft-edged frames and gradient button
// faces.
#include "Libraries/MyGDIPlus.h"

#include "Libraries/Error.h"

#include <QBrush>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr const char *ThisUnit = "MyGDIPlus";

int RoundHalfUp(double value)
{
    // Weights such as 0.9 are not exact in binary: 25.5 must not come out as 25.4999.
    return static_cast<int>(std::floor(value + 0.5 + 1e-9));
}

int Channel(TColorRef color, int shift)
{
    return static_cast<int>((color >> shift) & 0xFFu);
}

// Pixels x1..x2 of row y; nothing when the range is empty.
void FillRow(QPainter &canvas, int x1, int x2, int y, const QColor &color)
{
    if (x2 >= x1) canvas.fillRect(QRect(x1, y, x2 - x1 + 1, 1), color);
}

// Pixels y1..y2 of column x; nothing when the range is empty.
void FillColumn(QPainter &canvas, int x, int y1, int y2, const QColor &color)
{
    if (y2 >= y1) canvas.fillRect(QRect(x, y1, 1, y2 - y1 + 1), color);
}

// The outline of the pixels left..right x top..bottom, each pixel painted once.
void FramePixels(QPainter &canvas, int left, int top, int right, int bottom, const QColor &color)
{
    if (right < left || bottom < top) return;
    FillRow(canvas, left, right, top, color);
    if (bottom > top) FillRow(canvas, left, right, bottom, color);
    FillColumn(canvas, left, top + 1, bottom - 1, color);
    if (right > left) FillColumn(canvas, right, top + 1, bottom - 1, color);
}

// A non-premultiplied colour whose channels interpolate linearly.
struct TArgb
{
    double A, R, G, B;
};

TArgb ArgbOf(TColorRef color, int alpha)
{
    return {static_cast<double>(alpha),
            static_cast<double>(Channel(color, 0)),
            static_cast<double>(Channel(color, 8)),
            static_cast<double>(Channel(color, 16))};
}

// One colour of a gradient: position 0 lies on the outline, 1 at the centre point.
struct TStop
{
    double Position;
    TArgb Color;
};

QRgb RgbaAt(const std::vector<TStop> &stops, double position)
{
    TArgb color = stops.front().Color;
    for (std::size_t i = 1; i < stops.size(); ++i) {
        const TStop &from = stops[i - 1];
        const TStop &to = stops[i];
        if (position > to.Position) {
            color = to.Color;
            continue;
        }
        const double span = to.Position - from.Position;
        const double w = span > 0 ? (position - from.Position) / span : 1.0;
        const auto mix = [w](double a, double b) {
            return RoundHalfUp(a + (b - a) * std::clamp(w, 0.0, 1.0));
        };
        return qRgba(mix(from.Color.R, to.Color.R),
                     mix(from.Color.G, to.Color.G),
                     mix(from.Color.B, to.Color.B),
                     mix(from.Color.A, to.Color.A));
    }
    return qRgba(
        RoundHalfUp(color.R), RoundHalfUp(color.G), RoundHalfUp(color.B), RoundHalfUp(color.A));
}

// A gradient that runs from a rectangle's or an ellipse's outline toward a centre point; the
// centre colour covers the outline scaled about the centre point by the focus scales.
struct TPathGradient
{
    bool Oval;
    double X, Y, Width, Height;
    double CentreX, CentreY;
    double ScaleX, ScaleY;

    // The factor s for which centre + s * (dx, dy) lies on the outline.
    double Reach(double dx, double dy) const
    {
        constexpr double none = std::numeric_limits<double>::infinity();
        if (!Oval) {
            double s = none;
            if (dx > 0) s = std::min(s, (X + Width - CentreX) / dx);
            if (dx < 0) s = std::min(s, (X - CentreX) / dx);
            if (dy > 0) s = std::min(s, (Y + Height - CentreY) / dy);
            if (dy < 0) s = std::min(s, (Y - CentreY) / dy);
            return std::max(0.0, s);
        }
        const double a = Width / 2;
        const double b = Height / 2;
        if (a <= 0 || b <= 0) return 0;
        const double ox = CentreX - (X + a);
        const double oy = CentreY - (Y + b);
        const double qa = (dx * dx) / (a * a) + (dy * dy) / (b * b);
        const double qb = 2 * (ox * dx / (a * a) + oy * dy / (b * b));
        const double qc = (ox * ox) / (a * a) + (oy * oy) / (b * b) - 1;
        if (qa <= 0) return none;
        const double root = std::sqrt(std::max(0.0, qb * qb - 4 * qa * qc));
        return std::max(0.0, (-qb + root) / (2 * qa));
    }

    // 0 on the outline, 1 inside the focus area, linear between along the ray from the centre.
    double PositionAt(double px, double py) const
    {
        const double dx = px - CentreX;
        const double dy = py - CentreY;
        if (std::abs(dx) < 1e-9 && std::abs(dy) < 1e-9) return 1;
        const double outline = Reach(dx, dy);
        const double focus = ScaleX > 0 && ScaleY > 0 ? Reach(dx / ScaleX, dy / ScaleY) : 0;
        if (focus >= 1 || outline <= focus) return 1;
        return std::clamp((outline - 1) / (outline - focus), 0.0, 1.0);
    }
};

// The gradient over the (width + 1) x (height + 1) pixels from (x, y), pixel centres on the
// integer coordinates of the outline.
QImage RenderGradient(const TPathGradient &gradient,
                      const std::vector<TStop> &stops,
                      int x,
                      int y,
                      int height,
                      int width)
{
    QImage image(width + 1, height + 1, QImage::Format_ARGB32);
    for (int row = 0; row <= height; ++row) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(row));
        for (int column = 0; column <= width; ++column)
            line[column] = RgbaAt(stops, gradient.PositionAt(x + column, y + row));
    }
    return image;
}

// The height fraction of the centre point by shape, edge style and push.
double CentreFraction(bool oval, const std::string &edgeStyle, bool pushed)
{
    if (oval) return pushed ? 0.7 : 0.5;
    if (edgeStyle == "Top edge") return pushed ? 0.5 : 0.15;
    if (edgeStyle == "Bottom edge") return pushed ? 0.5 : 0.85;
    return pushed ? 0.85 : 0.5;
}

// The focus scales (x, y) by shape, edge style and proportions.
std::pair<double, double>
FocusScales(int shape, const std::string &edgeStyle, int height, int width)
{
    if (shape == 1) return {0.3, 0.25};
    if (shape == 2) return {0.4, 0.25};
    if (edgeStyle == "VSB") return {0.1, 0.96};
    if (width > height) return {0.85, 0.15};
    return {0.15, 0.85};
}

} // namespace

int TranslucencyToAlpha(int translucency)
{
    const int t = std::clamp(translucency, 0, 100);
    // round-half-up((100 - t) * 255 / 100) in integers.
    return ((100 - t) * 255 * 2 + 100) / 200;
}

QColor ColorWithAlpha(TColorRef color, int alpha)
{
    return QColor(
        Channel(color, 0), Channel(color, 8), Channel(color, 16), std::clamp(alpha, 0, 255));
}

TColorRef BlendColors(TColorRef start, TColorRef end, double weight)
{
    TColorRef result = 0;
    for (const int shift : {0, 8, 16}) {
        const double value = Channel(start, shift) * (1 - weight) + Channel(end, shift) * weight;
        result |= static_cast<TColorRef>(std::clamp(RoundHalfUp(value), 0, 255)) << shift;
    }
    return result;
}

void PaintTranslucentRect(
    QPainter &canvas, int x, int y, int translucency, TColorRef color, int height, int width)
{
    TFunScope Fun(ThisUnit, "PaintTranslucentRect");
    Fun.Run([&] {
        if (translucency <= 0 || translucency >= 100 || height <= 0 || width <= 0) return;
        canvas.fillRect(QRect(x, y, width, height),
                        ColorWithAlpha(color, TranslucencyToAlpha(translucency)));
    });
}

void PaintTranslucentFrame(
    QPainter &canvas, int x, int y, int translucency, TColorRef color, int height, int width)
{
    TFunScope Fun(ThisUnit, "PaintTranslucentFrame");
    Fun.Run([&] {
        if (translucency >= 100 || height <= 0 || width <= 0) return;
        FramePixels(canvas,
                    x,
                    y,
                    x + width - 1,
                    y + height - 1,
                    ColorWithAlpha(color, TranslucencyToAlpha(translucency)));
    });
}

void FrameRoundRect(QPainter &canvas,
                    int left,
                    int top,
                    bool flat,
                    bool rounded,
                    bool opaque,
                    int endTranslucency,
                    int outerTranslucency,
                    TColorRef endColor,
                    TColorRef startColor,
                    TColorRef frameColor,
                    int bottom,
                    int right)
{
    TFunScope Fun(ThisUnit, "FrameRoundRect");
    Fun.Run([&] {
        const int outerAlpha = opaque ? 255 : TranslucencyToAlpha(outerTranslucency);
        const int endAlpha = opaque ? 255 : TranslucencyToAlpha(endTranslucency);
        const QColor frame = ColorWithAlpha(frameColor, outerAlpha);
        // The straight edges of the rounded form stop 4 pixels before each corner.
        const auto edges = [&](int in, const QColor &color) {
            FillColumn(canvas, left + in, top + 4, bottom - 5, color);
            FillRow(canvas, left + 4, right - 5, top + in, color);
            FillColumn(canvas, right - 1 - in, top + 4, bottom - 5, color);
            FillRow(canvas, left + 4, right - 5, bottom - 1 - in, color);
        };
        if (rounded) {
            edges(0, frame);
            FillColumn(canvas, left + 1, top + 2, top + 3, frame);
            FillRow(canvas, left + 2, left + 3, top + 1, frame);
            FillColumn(canvas, right - 2, top + 2, top + 3, frame);
            FillRow(canvas, right - 4, right - 3, top + 1, frame);
            FillColumn(canvas, left + 1, bottom - 4, bottom - 3, frame);
            FillRow(canvas, left + 2, left + 3, bottom - 2, frame);
            FillColumn(canvas, right - 2, bottom - 4, bottom - 3, frame);
            FillRow(canvas, right - 4, right - 3, bottom - 2, frame);
        } else {
            FramePixels(canvas, left, top, right - 1, bottom - 1, frame);
        }
        if (flat) return;
        const double weights[] = {0.5, 0.7, 0.9};
        for (int ring = 1; ring <= 3; ++ring) {
            const double w = weights[ring - 1];
            const int alpha = std::min(255, RoundHalfUp(outerAlpha * (1 - w) + endAlpha * w));
            const QColor color = ColorWithAlpha(BlendColors(startColor, endColor, w), alpha);
            if (rounded && ring == 1)
                edges(1, color);
            else
                FramePixels(
                    canvas, left + ring, top + ring, right - 1 - ring, bottom - 1 - ring, color);
        }
    });
}

void PaintButtonFX(QPainter &canvas,
                   int x,
                   int y,
                   bool hot,
                   bool pushed,
                   const std::string &edgeStyle,
                   int shape,
                   int backTranslucency,
                   int marginTranslucency,
                   TColorRef centreColor,
                   TColorRef backColor,
                   TColorRef marginColor,
                   TColorRef outlineColor,
                   int height,
                   int width)
{
    TFunScope Fun(ThisUnit, "PaintButtonFX");
    Fun.Run([&] {
        if (height <= 0 || width <= 0) return;
        const bool oval = shape == 1 || shape == 2;
        const int backAlpha = hot ? 255 : TranslucencyToAlpha(backTranslucency);
        const int marginAlpha = hot ? 255 : TranslucencyToAlpha(marginTranslucency);
        const TArgb centre = ArgbOf(centreColor, backAlpha);
        const TArgb back = ArgbOf(backColor, backAlpha);
        const TArgb margin = ArgbOf(marginColor, marginAlpha);
        std::vector<TStop> stops;
        if (shape == 1)
            stops = {{0.0, margin}, {0.3, centre}, {1.0, back}};
        else if (shape == 2)
            stops = {{0.0, margin}, {0.25, back}, {0.35, margin}, {0.45, back}, {1.0, centre}};
        else
            stops = {{0.0, back}, {1.0, centre}};
        const auto [scaleX, scaleY] = FocusScales(shape, edgeStyle, height, width);
        const TPathGradient gradient{
            oval,
            static_cast<double>(x),
            static_cast<double>(y),
            static_cast<double>(width),
            static_cast<double>(height),
            std::trunc(x + width * 0.5),
            std::trunc(y + height * CentreFraction(oval, edgeStyle, pushed)),
            scaleX,
            scaleY};
        const QImage face = RenderGradient(gradient, stops, x, y, height, width);
        canvas.save();
        if (oval) {
            // Qt puts pixel centres half a pixel in: the outline runs through them.
            QPainterPath path;
            path.addEllipse(QRectF(x + 0.5, y + 0.5, width, height));
            QBrush brush(face);
            brush.setTransform(QTransform::fromTranslate(x, y));
            canvas.setRenderHint(QPainter::Antialiasing, true);
            canvas.fillPath(path, brush);
            canvas.strokePath(path, QPen(ColorWithAlpha(outlineColor, marginAlpha), 1.0));
        } else {
            canvas.drawImage(QPoint(x + 1, y + 1), face, QRect(1, 1, width - 1, height - 1));
            FramePixels(canvas, x, y, x + width, y + height, ColorWithAlpha(backColor, backAlpha));
        }
        canvas.restore();
    });
}
