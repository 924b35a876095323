// The hover preview.
#include "app/FileHoverDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/MyMath.h"
#include "Libraries/MyTime.h"
#include "app/FileViewer.h"
#include "app/MyControls.h"
#include "app/OptionsDialog.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

TFileHoverForm *FileHoverForm = nullptr;

namespace {

constexpr const char *ThisUnit = "FileHoverDialog";

QColor QtColor(TColorRef color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

// A path shortened in its middle so that it fits the width, its last component kept whole.
QString ElidedPath(const QString &text, const QFontMetrics &metrics, int width)
{
    if (metrics.horizontalAdvance(text) <= width) return text;
    const qsizetype last = text.lastIndexOf(QLatin1Char('/'));
    if (last <= 0) return metrics.elidedText(text, Qt::ElideMiddle, width);
    const QString tail = text.mid(last);
    QString head = text.left(last);
    while (!head.isEmpty() &&
           metrics.horizontalAdvance(head + QStringLiteral("...") + tail) > width)
        head.chop(1);
    if (head.isEmpty()) return metrics.elidedText(text, Qt::ElideMiddle, width);
    return head + QStringLiteral("...") + tail;
}

} // namespace

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
                             int pictureWidth)
{
    THoverGeometry g;
    g.HeaderHeight = (isDirectory ? 4 : 5) * lineHeight;
    const bool displayArea = thumbnailMode || isVideo || isAudio;
    const int rows = thumbnailMode ? pictureHeight : isVideo ? movieHeight : 0;
    g.Width = thumbnailMode ? pictureWidth : isVideo ? movieWidth : genericWidth;
    const int top = displayArea ? lineHeight : 0;
    g.Height = top + rows * lineHeight + g.HeaderHeight + 2;
    g.Left = g.Width <= anchorX ? anchorX - g.Width : anchorX + 5 * lineHeight;
    g.Top = g.Height <= anchorY ? anchorY - g.Height : 0;
    const int d = (lineHeight - fontHeight) / 2;
    g.InfoRect = QRect(QPoint(5, d + 1), QPoint(g.Width - 5, lineHeight - d + 1));
    g.DisplayRect = QRect(QPoint(5, top + 1), QPoint(g.Width - 5, top + rows * lineHeight));
    return g;
}

bool HoverOpens(const THoverFacts &facts)
{
    if (!facts.HoverDiffersFromHot || facts.WindowShown || facts.MouseButtonHeld) return false;
    if (!facts.DelayPassed || !facts.DelayPassed()) return false;
    if (!facts.MainWindowActive) return false;
    return facts.MouseOverHotType && facts.MouseOverHotType();
}

bool HoverMovedAway(QPoint start, QPoint now, int sensitivity)
{
    return now.x() > start.x() + sensitivity || now.x() < start.x() - sensitivity ||
           now.y() > start.y() + sensitivity || now.y() < start.y() - sensitivity;
}

TFileHoverForm::TFileHoverForm(QWidget *parent)
    : QWidget(parent,
              Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                  Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    resize(150, 200);
    setFont(QFont(QStringLiteral("Arial")));
}

void TFileHoverForm::HideHover()
{
    if (!Shown) return;
    hide();
    Shown = false;
}

void TFileHoverForm::mousePressEvent(QMouseEvent *)
{
    HideHover();
}

void TFileHoverForm::Display(bool playMedia,
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
                             int pictureWidth)
{
    TFunScope Fun(ThisUnit, "TFileHoverForm::Display");
    Fun.Run([&] {
        HideHover();
        Shown = true;
        MediaStarted = false;
        PlayMedia = playMedia;
        WindowColor = backgroundColor;
        QFont font(QString::fromStdString(fontName));
        font.setPointSize(std::max(1, fontSize));
        setFont(font);
        TextColor = textColor;
        BorderColor = borderColor;
        FileName = title;
        Size = size;
        Modified = modified;
        Created = created;
        const std::string extension = ExtractExtension(title);
        IsVideo = VideoFileExtensions.Has(extension);
        IsAudio = AudioFileExtensions.Has(extension);
        IsDirectory = isDirectory;
        const bool hasThumbnail = OnHasThumbnail ? OnHasThumbnail(title) : false;
        ThumbnailMode = hasThumbnail || (IsVideo && !PlayMedia) || (IsVideo && showVideoThumbnail);
        NameText = ExtractName(title);
        PathText = ExtractDirectory(title);
        // The root keeps its "/".
        if (PathText.size() > 1 && PathText.back() == '/') PathText.pop_back();
        SizeGroupedText = GroupedIntText(size);
        SizeText = FileSizeText(6, 0, std::uint64_t(std::max<std::int64_t>(0, size)));
        ModifiedText = DateTimeText("; ", ConvertFileTime(modified));
        CreatedText = DateTimeText("; ", ConvertFileTime(created));
        ErrorText.clear();
        LengthText.clear();
        SourceWidth = SourceHeight = FittedWidth = FittedHeight = 0;
        LineHeight = lineHeight;
        const THoverGeometry g = HoverGeometry(ThumbnailMode,
                                               IsVideo,
                                               IsAudio,
                                               IsDirectory,
                                               lineHeight,
                                               GetFontHeight(font),
                                               anchorX,
                                               anchorY,
                                               genericWidth,
                                               movieHeight,
                                               movieWidth,
                                               pictureHeight,
                                               pictureWidth);
        HeaderHeight = g.HeaderHeight;
        InfoRect = g.InfoRect;
        DisplayRect = g.DisplayRect;
        setGeometry(g.Left, g.Top, g.Width, g.Height);
        if (IsVideo && PlayMedia && !showVideoThumbnail) PlayThumb();
        show();
    });
}

void TFileHoverForm::PlayThumb()
{
    if (!MediaPlayer) {
        ErrorText = NoMediaPlayerText;
        return;
    }
    TMediaThumbResult result;
    MediaPlayer->PlayThumb(FileName, this, DisplayRect, InfoRect, result);
    ErrorText = result.ErrorText;
    LengthText = result.LengthText;
    FittedHeight = result.FittedHeight;
    FittedWidth = result.FittedWidth;
    SourceHeight = result.SourceHeight;
    SourceWidth = result.SourceWidth;
}

std::vector<std::string> TFileHoverForm::HeaderLines() const
{
    std::vector<std::string> lines = {"Name \"" + NameText + "\"", "Path \"" + PathText + "\""};
    if (!IsDirectory) lines.push_back("Size " + SizeText + " (" + SizeGroupedText + " bytes)");
    lines.push_back("Created " + CreatedText);
    lines.push_back("Modified " + ModifiedText);
    return lines;
}

std::string TFileHoverForm::InformationText(std::int64_t position, std::int64_t length) const
{
    std::string text, percent;
    if (!ErrorText.empty()) {
        text = "Error \"" + ErrorText + "\"";
    } else {
        if ((IsVideo || IsAudio) && length >= 1)
            percent =
                " (" + std::to_string(std::llround(double(position) * 100 / double(length))) + "%)";
        if (IsVideo) {
            // Without a source height the zoom figure is left out.
            const std::string zoom =
                SourceHeight >= 1 ? std::to_string(FittedHeight * 100 / SourceHeight) + "%" : "?";
            text = "W " + std::to_string(SourceWidth) + " * H " + std::to_string(SourceHeight) +
                   " | Z " + zoom + " | D " + LengthText;
        } else if (IsAudio) {
            text = PlayMedia ? "D " + LengthText : "Not playing";
        }
    }
    return text.empty() ? text : text + percent;
}

void TFileHoverForm::FPaint(bool progressOnly, std::int64_t position, std::int64_t length)
{
    TFunScope Fun(ThisUnit, "TFileHoverForm::FPaint");
    Fun.Run([&] {
        if (!Canvas) {
            // Outside a paint event the window is painted again in full.
            (void)progressOnly;
            (void)position;
            (void)length;
            update();
            return;
        }
        QPainter &canvas = *Canvas;
        canvas.setFont(font());
        canvas.setPen(QtColor(TextColor));
        const int width = this->width();
        if (!progressOnly) {
            canvas.fillRect(rect(), QtColor(WindowColor));
            canvas.setBrush(Qt::NoBrush);
            canvas.drawRect(rect().adjusted(0, 0, -1, -1));
            canvas.setBrush(QtColor(WindowColor));
            int y = height() - HeaderHeight - 1;
            const std::vector<std::string> lines = HeaderLines();
            for (std::size_t i = 0; i < lines.size(); ++i) {
                const QRect line(5, y, width - 10, LineHeight);
                std::string text = lines[i];
                if (i == 1) {
                    const QString path =
                        ElidedPath(QString::fromStdString(PathText),
                                   canvas.fontMetrics(),
                                   line.width() - canvas.fontMetrics().horizontalAdvance(
                                                      QStringLiteral("Path \"\"")));
                    text = "Path \"" + path.toStdString() + "\"";
                }
                DrawTextInRect(text,
                               canvas,
                               false,
                               0,
                               TextColor,
                               0,
                               0,
                               false,
                               nullptr,
                               nullptr,
                               true,
                               false,
                               Qt::TextSingleLine,
                               line);
                y += LineHeight;
            }
        }
        if (ThumbnailMode) {
            if (!progressOnly && OnPaintThumb)
                OnPaintThumb(FileName, DisplayRect, InfoRect, canvas, Modified, Size);
            return;
        }
        if (IsAudio && PlayMedia && !MediaStarted) {
            PlayThumb();
            MediaStarted = ErrorText.empty();
        }
        const std::string text = InformationText(position, length);
        if (IsVideo && ErrorText.empty())
            DrawFrame(canvas,
                      DisplayRect.left(),
                      DisplayRect.top(),
                      BorderColor,
                      FittedHeight,
                      FittedWidth);
        if (!text.empty()) {
            canvas.setBrush(QtColor(WindowColor));
            DrawTextInRect(text,
                           canvas,
                           false,
                           0,
                           TextColor,
                           0,
                           0,
                           false,
                           nullptr,
                           nullptr,
                           true,
                           false,
                           Qt::TextSingleLine,
                           InfoRect);
        }
    });
}

void TFileHoverForm::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Canvas = &painter;
    const std::int64_t position = MediaPlayer ? MediaPlayer->Position() : 0;
    const std::int64_t length = MediaPlayer ? MediaPlayer->Length() : 0;
    FPaint(false, position, length);
    Canvas = nullptr;
}

void TFileHoverForm::PlayInWindow()
{
    if (!Shown || !(IsVideo || IsAudio)) return;
    MediaStarted = false;
    PlayMedia = true;
    ThumbnailMode = false;
    if (IsVideo) PlayThumb();
    FPaint(false, 0, 0);
}
