// Picture services: the codec table over Qt's readers and writers, decoding into bitmaps of a
// wanted size, conversion, colour work on pixels, and painting translucent rectangles, soft-edged
// frames and gradient button faces.
#pragma once

#include "Libraries/UtilitiesUi.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QColor;
class QPainter;

// ---- Codecs ---------------------------------------------------------------------------------

// One picture format: its description ("JPEG"), its extension list as upper-case patterns
// separated by ";" ("*.JPG;*.JPEG") and the name Qt knows it by ("jpeg"), which serves as the
// codec's identifier.
struct TPictureCodec
{
    std::string Description;
    std::string Extensions;
    std::string Format;
};

// The formats Qt reads here, in the table's order.
const std::vector<TPictureCodec> &PictureDecoders();
// The formats Qt writes here (BMP, JPEG, TIFF, PNG, WEBP; never GIF), in the table's order.
const std::vector<TPictureCodec> &PictureEncoders();
// Replaces the list by the description of every encoder.
void LoadPictureConvertFilters(std::vector<std::string> &list);
// Finds the encoder whose description equals the text exactly; its first extension without the
// leading "*", lower-cased (".jpg"), and its identifier go to the outputs, which stay unchanged
// when none is found.
bool GetPictureConverterID(const std::string &description,
                           std::string &extension,
                           std::string &classId);
// The extension patterns of every decoder joined with ";", lower-cased ("*.bmp;*.dib;...").
std::string GetPictureExtensionsAsFilter();
// Replaces the list by every single extension of every decoder, upper case (".BMP", ".DIB").
void GetPictureExtensions(std::vector<std::string> &list);

// ---- Decoding and conversion ----------------------------------------------------------------

// The most a picture may take once decoded at 32 bits a pixel; a larger one is refused.
constexpr std::int64_t MaximumDecodedPictureBytes = std::int64_t{1} << 30;

// A picture file opened for decoding: the header is read at Open, the pixels at most once by
// Read. The file is opened by its bytes, so names that are not valid UTF-8 work. EXIF
// orientation is applied: sizes are those of the upright picture.
class TPictureFile
{
public:
    TPictureFile();
    ~TPictureFile();
    TPictureFile(const TPictureFile &) = delete;
    TPictureFile &operator=(const TPictureFile &) = delete;

    // False when the file cannot be opened or holds no picture that Qt reads.
    bool Open(const std::string &fileName);
    // The upright size; empty when the header does not tell it.
    QSize Size() const;
    // True when the decoder itself can decode at a smaller size (JPEG), which is much faster.
    bool ScalesWhileDecoding() const;
    // The Qt format name of the content ("jpeg", "png").
    std::string Format() const;
    // The number of frames (1 for a still picture).
    int FrameCount() const;
    // Decodes the picture, scaled to the upright size when one is given (smooth or fast), else
    // whole; null on a failure or when the whole picture would exceed
    // MaximumDecodedPictureBytes.
    QImage Read(QSize scaledSize = QSize(), bool smooth = true);

private:
    struct TState;
    std::unique_ptr<TState> State;
};

// The size a picture of the natural size gets in the box: the box with fit exactly, else FitSize
// into the box, enlarging with fit small for pictures whose sides reach the fit small size; a
// side that comes out below 1 keeps the natural one.
QSize FittedPictureSize(int naturalWidth,
                        int naturalHeight,
                        QSize box,
                        bool fitExactly,
                        int fitSmallSize,
                        bool fitSmall);

// Decodes the file into a new 32-bit bitmap of the fitted size (the box with fit exactly, else
// FitSize into the box, enlarging with fit small for pictures whose sides reach the fit small
// size) over the background colour; pictures that may be transparent (.CUR, .GIF, .ICO, .PNG)
// keep their alpha over a transparent bitmap. The picture's upright size and the scale percent
// (bitmap height * 100 / picture height) go to the outputs. High quality, or a bitmap side
// reaching the smart quality size (when >= 0), decodes with smooth scaling; otherwise the fast
// path (scaled while decoding where the decoder can, else fast scaling) is taken.
// Error: "Invalid picture size." (file name) when the file holds no readable picture, when a
// side is 0 or when the decoded picture would exceed MaximumDecodedPictureBytes; then the
// result is a null image.
QImage LoadPictureToBitmap(const std::string &fileName,
                           TColorRef backgroundColor,
                           QRect box,
                           int smartQualitySize,
                           bool highQuality,
                           int &pictureHeight,
                           int &pictureWidth,
                           int &scalePercent,
                           bool fitExactly,
                           int fitSmallSize,
                           bool fitSmall);

// A viewer plug-in's size entry: the picture's size for a wanted size (-1, -1 for none).
using TPluginPictureSizeFunction = std::function<void(const std::string &fileName,
                                                      const std::string &upperExtension,
                                                      int wantedWidth,
                                                      int wantedHeight,
                                                      int &width,
                                                      int &height)>;
// A viewer plug-in's drawing entry: fills width * height * 4 bytes, rows top-down, each pixel
// B, G, R and an ignored byte, with the file drawn over the back colour.
using TPluginLoadFileFunction = std::function<void(const std::string &fileName,
                                                   const std::string &upperExtension,
                                                   int width,
                                                   int height,
                                                   TColorRef backColor,
                                                   TColorRef foreColor,
                                                   std::uint8_t *pixels)>;

// The size a conversion writes: with normalize, the fixed width and/or height (both: fitted
// into them, enlarged with fit small only when both sides reach the fit small size), else the
// source fitted into the box without enlarging (-1 for no box); a side below 1 becomes the
// source's.
QSize ConvertedPictureSize(QSize source,
                           int fitSmallSize,
                           bool fitSmall,
                           bool normalize,
                           bool normalizeHeight,
                           bool normalizeWidth,
                           int boxHeight,
                           int boxWidth);
// Writes the source picture (decoded by Qt, or drawn by the plug-in) in the encoder's format
// at the converted size to the destination with its extension replaced by the new one; the
// quality (0..1) applies to JPEG and WEBP only. The file appears complete or not at all.
// Error: "Invalid plugin function.", "Contradictory overwrite choices." (destination),
// "Failed to convert picture." (source, destination)
void ConvertPicture(const std::string &sourceName,
                    const std::string &destinationName,
                    bool overwrite,
                    TColorRef foregroundColor,
                    TColorRef backgroundColor,
                    const TPluginLoadFileFunction &pluginLoadFileToBitmap,
                    const TPluginPictureSizeFunction &pluginGetPictureSize,
                    bool usePlugin,
                    int fitSmallSize,
                    bool fitSmall,
                    bool normalize,
                    bool normalizeHeight,
                    bool normalizeWidth,
                    int boxHeight,
                    int boxWidth,
                    double quality,
                    const std::string &encoderClassId,
                    const std::string &newExtension);

// ---- Colour work and drawing ----------------------------------------------------------------

// "1 bpp", "8 bpp", "16 bpp", "24 bpp", "32 bpp", "64 bpp" by the picture's pixel format;
// empty for other formats.
std::string GetPicturePixelFormatName(const QImage &picture);
// The number of frames of the picture file (1 for a still picture, 0 when unreadable).
int GetPictureFrameCount(const std::string &fileName);
// The integer means 0..255 of the red, green and blue of every pixel.
// Error: "Failed to lock bitmap bits" (a null picture)
void GetPictureColorStatistics(const QImage &picture, int &meanRed, int &meanGreen, int &meanBlue);
// The colour rotation (degrees) that turns the picture's mean colour toward the filling colour,
// and the report text. The outputs keep the caller's values where the rule assigns nothing.
// Error: "Failed to load picture."
std::string RecommendPictureColorStatistics(const std::string &fileName,
                                            TColorRef fillingColor,
                                            int &redGreen,
                                            int &blueRed,
                                            int &greenBlue);
// The 5 x 5 colour matrix (row vectors: new [R G B A 1] = [R G B A 1] x M, channels 0..1) for
// a translucency, offsets (0..1 units) and the red-green, green-blue and blue-red angles in
// degrees; effects outside their ranges stay identity.
void PictureColorMatrix(double matrix[5][5],
                        int translucency,
                        double redOffset,
                        double greenOffset,
                        double blueOffset,
                        int redGreenAngle,
                        int greenBlueAngle,
                        int blueRedAngle);
// Draws the source rectangle of the picture into the destination rectangle through the colour
// matrix (translucency 0 < t <= 100, offsets when any is non-zero, rotation when all angles lie
// in -180..180 and one is non-zero) and gamma (percent 1..1000 other than 100: each channel
// c becomes c ^ (percent / 100)); with no effect the picture is drawn unchanged. The pixel work
// is done on non-premultiplied 32-bit pixels.
// Error: "Unhandled exception: " + message, or "Unhandled generic exception."
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
                               int gammaPercent);
// Where the back picture goes in the box: the cropped source rectangle (crop with both sides at
// least the minimum size), or the destination from FitSize with the maximum skew as the stretch
// tolerance (centred unless stretched or tiled); true when stretched or cropped. The skew is
// FitSize's ratio (1 when cropped).
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
                      double &skew);

// The brightness mean (of max(R, G, B) per pixel), its deviation, the colour deviation and the
// colour mean, each 0..1; all 0 after a failure.
// Error: "Failed to lock bitmap bits" (a null picture)
void GetPictureBright(const QImage &picture,
                      double &brightnessMean,
                      double &brightnessDeviation,
                      double &colorDeviation,
                      double &colorMean);
// Changes the pixels toward the target brightness by the method ("Anisotropic dampening",
// "Balanced scaling", "Mirrored scaling"; another name changes nothing) and returns target /
// current, both limited to 0.01..1.
// Error: "Failed to lock bitmap bits" (a null picture)
double NormalizePictureBrightness(QImage &picture,
                                  const std::string &method,
                                  double targetBrightness,
                                  double brightnessDeviation,
                                  double currentBrightness);
// Repeats the top-left tile of the bitmap over the box.
void TileBitmap(QImage &bitmap, int tileWidth, int tileHeight, int boxHeight, int boxWidth);
// Called with the painter of the back picture after the picture is drawn.
using TAfterPaintFunction = std::function<void(QPainter &graphics)>;
// Makes the back picture: a new box-sized bitmap in the background colour with the picture
// (brightness normalised when asked) drawn as BackPictureRects places it, with translucency
// and gamma, tiled when neither stretched nor cropped; the after-paint function then paints
// over it. Ratio (0 unless normalised) and skew (1 unless fitted) go to the outputs when given.
// An empty file name does nothing.
// Error: "Failed to load picture." (file name); "Failed to lock bitmap bits". The bitmap is
// then null.
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
                             int boxWidth);

// ---- Painting on a canvas -------------------------------------------------------------------

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
