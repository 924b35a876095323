// Picture services over QPainter: translucent rectangles, soft-edged frames and gradient button
// faces.
#pragma once

#include "Libraries/UtilitiesUi.h"

#include <string>

class QColor;
class QPainter;

// The alpha of a translucency percentage: round-half-up((1 - min(t, 100) / 100) * 255), a
// negative translucency counting as 0; so 0 gives 255 and 100 gives 0.
int TranslucencyToAlpha(int translucency);
// The colour (0x00BBGGRR) with the alpha.
QColor ColorWithAlpha(TColorRef color, int alpha);
// Per channel start * (1 - weight) + end * weight, rounded half up and limited to 255.
TColorRef BlendColors(TColorRef start, TColorRef end, double weight);

// Fills the width x height pixels from (x, y) with the colour at the translucency's alpha; does
// nothing unless 0 < translucency < 100.
// Error: "Unhandled exception: " + message, or "Unhandled generic exception."
void PaintTranslucentRect(
    QPainter &canvas, int x, int y, int translucency, TColorRef color, int height, int width);
// Draws the one-pixel outline of the width x height pixels from (x, y) in the colour at the
// translucency's alpha; does nothing when translucency >= 100.
// Error: "Unhandled exception: " + message, or "Unhandled generic exception."
void PaintTranslucentFrame(
    QPainter &canvas, int x, int y, int translucency, TColorRef color, int height, int width);
// Draws the frame of the pixels left..right - 1 x top..bottom - 1 in the frame colour at the
// outer alpha (rounded: corners cut by two-pixel steps), then, unless flat, three inner rings
// blended from the start colour toward the end colour; opaque makes both alphas 255.
// Error: "Unhandled exception: " + message, or "Unhandled generic exception."
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
                    int right);

// Paints a translucent button face over (x, y) .. (x + width, y + height): shape 0 a rectangle,
// 1 a single oval, 2 a double oval, filled with a gradient from the outline toward a centre
// point that a pushed face lowers. Edge style: "Top edge", "Bottom edge", "No edge", "VSB" (a
// scroll bar thumb) or empty. The centre and back colours take the back translucency's alpha,
// margin and outline the margin translucency's; a hot face is opaque.
// Error (under "PaintButtonFX"): "Unhandled exception: " + message, or
// "Unhandled generic exception."
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
                   int width);
