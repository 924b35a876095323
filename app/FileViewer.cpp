// The integrated viewer of the viewer panel.
#include "app/FileViewer.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/FileLink.h"
#include "Libraries/Program.h"
#include "Libraries/Text.h"
#include "app/Column.h"
#include "app/MyControls.h"
#include "app/OptionsDialog.h"
#include "app/SkinDialog.h"
#include "app/StegDialog.h"
#include "app/ViewerPluginEntries.h"
#include "app/ViewerPlugins.h"
#include "platform/FileHandle.h"
#include "platform/FileSystem.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTimer>

#include <cerrno>

TMediaPlayer *MediaPlayer = nullptr;
TFileViewer *FileViewer = nullptr;
const char *const NoMediaPlayerText = "The media player is not available.";

namespace {

constexpr const char *ThisUnit = "FileViewer";

// The text put into the box at once, and each later step of a large file, in characters.
constexpr qsizetype FirstTextChunk = 256 * 1024;
constexpr qsizetype LaterTextChunk = 2 * 1024 * 1024;

// True when the bytes end in the middle of a UTF-8 sequence (its lead byte and fewer
// continuation bytes than it announces).
bool EndsInsideUtf8Sequence(const std::string &bytes)
{
    const std::size_t size = bytes.size();
    for (std::size_t back = 1; back <= 4 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(bytes[size - back]);
        if ((byte & 0xC0) == 0x80) continue;
        const std::size_t length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
        return back < length;
    }
    return false;
}

// Keeps the text box over the whole viewer client when the client changes size.
class TClientResizeFilter : public QObject
{
public:
    TClientResizeFilter(QWidget *client, QWidget *textBox) : QObject(textBox), TextBox(textBox)
    {
        client->installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Resize)
            TextBox->setGeometry(0,
                                 0,
                                 static_cast<QWidget *>(watched)->width(),
                                 static_cast<QWidget *>(watched)->height());
        return false;
    }

private:
    QWidget *TextBox;
};

bool IsMplFile(const std::string &file)
{
    return HasExtension(file, ".mpl");
}

} // namespace

QString DecodeTextFileBytes(const char *data, std::size_t size)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(data, qsizetype(size)));
    if (utf8.hasError()) text = QString::fromLatin1(data, qsizetype(size));
    if (text.contains(QChar(0))) text.replace(QChar(0), QChar(0x2400));
    return text;
}

TFileViewer::TFileViewer(QWidget *client) : Client(client), PictureViewer(client)
{
    TextBox = new QPlainTextEdit(client);
    TextBox->setReadOnly(true);
    TextBox->setObjectName("ViewerTextBox");
    TextBox->hide();
    new TClientResizeFilter(client, TextBox);
    TextTimer = new QTimer(TextBox);
    TextTimer->setInterval(0);
    QObject::connect(TextTimer, &QTimer::timeout, TextBox, [this] { AppendPendingText(); });
    PictureViewer.OnPanelHint = [this](const std::string &text) { SetInfo(text); };
}

TFileViewer::~TFileViewer()
{
    if (TextHandle >= 0) Platform::CloseHandle(TextHandle);
    PictureViewer.Clear();
}

void TFileViewer::SetOptions(const TViewerOptions &options)
{
    FitSmallImages = options.FitSmallImages;
    TextWordWrap = options.TextWordWrap;
    MaxTextSize = options.MaxTextSize;
    FontName = options.FontName.substr(0, 31);
    FontSize = options.FontSize;
    FontBold = options.FontBold;
}

void TFileViewer::ShowViewerPanel()
{
    if (OnShowViewerPanel) OnShowViewerPanel();
}

bool TFileViewer::ViewerPanelVisible() const
{
    return IsViewerPanelVisible ? IsViewerPanelVisible() : true;
}

void TFileViewer::SetInfo(const std::string &text)
{
    Info = text;
    Client->setToolTip(QString::fromStdString(text));
    if (auto *panel = dynamic_cast<MyTPanel *>(Client)) panel->Hint = text;
    if (OnInfo) OnInfo(text);
}

void TFileViewer::Clear()
{
    FinishText();
    TextBox->hide();
    TextBox->clear();
    PictureViewer.Clear();
}

void TFileViewer::Reset()
{
    FileName.clear();
    Clear();
}

void TFileViewer::SetFile(const std::string &title)
{
    FileName = GetWhenReference(title);
}

void TFileViewer::ApplyTextOptions()
{
    TextBox->setLineWrapMode(TextWordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    TextBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    TextBox->setHorizontalScrollBarPolicy(TextWordWrap ? Qt::ScrollBarAlwaysOff
                                                       : Qt::ScrollBarAlwaysOn);
    QFont font(QString::fromStdString(FontName));
    font.setPointSize(std::max(1, FontSize));
    font.setBold(FontBold);
    TextBox->setFont(font);
    TextBox->setGeometry(0, 0, Client->width(), Client->height());
}

void TFileViewer::Do(const std::string &file)
{
    TFunScope Fun(ThisUnit, "TFileViewer::Do");
    Fun.Run([&] {
        Clear();
        SetFile(file);
        // An unreadable link views the link itself.
        FunStatContext.Reset(fsPerfect);
        ApplyTextOptions();
        View();
        Fun.CalleeFailed();
    });
    if (Fun.Failed()) {
        Clear();
        SetInfo("ERROR: " + Fun.Local.description);
    }
}

void TFileViewer::View()
{
    TFunScope Fun(ThisUnit, "TFileViewer::View");
    Fun.Run([&] {
        const std::string extension = ExtractExtension(FileName);
        if (extension.empty()) return;
        if (IsMplFile(FileName)) {
            if (MediaPlayer)
                MediaPlayer->PlayMPL(FileName, std::string(), 0);
            else
                SetInfo(NoMediaPlayerText);
            return;
        }
        if (StegForm) {
            std::string carrier = FileName, hiddenName, text;
            bool isText = false;
            std::uint64_t size = 0;
            const bool got = StegForm->AutoStegOut(carrier, hiddenName, isText, &text, size);
            if (Fun.CalleeFailed()) return;
            if (got) {
                ShowViewerPanel();
                if (isText) {
                    TextBox->setPlainText(DecodeTextFileBytes(text.data(), text.size()));
                    TextBox->show();
                    SetInfo("Stegged-out size = " + FileSizeText(6, 0, size));
                } else {
                    FileName = carrier;
                    PaintImage();
                    Fun.CalleeFailed();
                }
                return;
            }
        }
        if (PictureFileExtensions.Has(extension) ||
            ViewerPlugins.FindViewerPluginSlot(extension) >= 0) {
            ShowViewerPanel();
            PaintImage();
            Fun.CalleeFailed();
        } else if (AudioFileExtensions.Has(extension)) {
            if (MediaPlayer)
                MediaPlayer->PlayFile(FileName);
            else
                SetInfo(NoMediaPlayerText);
        } else if (VideoFileExtensions.Has(extension)) {
            Clear();
            ShowViewerPanel();
            if (MediaPlayer)
                MediaPlayer->PlayFile(FileName);
            else
                SetInfo(NoMediaPlayerText);
        } else if (TextFileExtensions.Has(extension)) {
            ShowViewerPanel();
            Platform::TEntryStatus status;
            const bool exists = Platform::EntryStatus(FileName, status, true);
            if (exists && !status.IsRegular && !status.IsDirectory) {
                // A pipe or a device would block the program or never end.
                Fun.Raise("Not a regular file.", FileName);
                return;
            }
            const std::uint64_t size = exists && status.IsRegular ? GetFileSize(FileName) : 0;
            FunStatContext.Reset(fsPerfect);
            if (size == 0 || !exists || status.IsDirectory)
                TextBox->setPlainText(QStringLiteral("File is empty or missing."));
            else if (MaxTextSize >= 0 && size > std::uint64_t(MaxTextSize))
                TextBox->setPlainText(QString::fromStdString(
                    "File size is too big (over " + std::to_string(MaxTextSize) + " bytes)."));
            else {
                LoadTextFile(size);
                if (Fun.CalleeFailed()) return;
            }
            TextBox->show();
            SetInfo("File size = " + FileSizeText(6, 0, size));
        }
    });
    if (Fun.Failed()) SetInfo("ERROR: " + Fun.Local.description);
}

void TFileViewer::LoadTextFile(std::uint64_t size)
{
    TFunScope Fun(ThisUnit, "TFileViewer::LoadTextFile");
    Fun.Run([&] {
        FinishText();
        TextHandle = Platform::OpenForReading(FileName);
        if (TextHandle < 0) {
            Fun.RaiseLastError("Failed to open file.", FileName);
            return;
        }
        PendingBytes.reserve(std::size_t(size));
        Utf8Decoder = std::make_unique<QStringDecoder>(QStringDecoder::Utf8);
        Latin1Text = false;
        // The first screen at once; the rest is read, decoded and appended in steps, so that a
        // large file shows without reading and laying out the whole document first.
        bool atEnd = false;
        const QString first = NextTextChunk(FirstTextChunk, atEnd);
        if (TextHandle < 0) {
            Fun.Raise("Failed to read file.", FileName, {}, TextReadError);
            return;
        }
        TextBox->setPlainText(first);
        if (atEnd)
            FinishText();
        else
            TextTimer->start();
    });
}

QString TFileViewer::NextTextChunk(qsizetype bytes, bool &atEnd)
{
    const std::size_t old = PendingBytes.size();
    PendingBytes.resize(old + std::size_t(bytes));
    std::int64_t got =
        Platform::ReadFully(TextHandle, PendingBytes.data() + old, std::size_t(bytes));
    if (got < 0) {
        TextReadError = errno;
        FinishText();
        atEnd = true;
        return QString();
    }
    PendingBytes.resize(old + std::size_t(got));
    atEnd = got < bytes;
    const QByteArrayView chunk(PendingBytes.data() + old, qsizetype(got));
    QString text;
    if (!Latin1Text) {
        text = Utf8Decoder->decode(chunk);
        if (Utf8Decoder->hasError() || (atEnd && EndsInsideUtf8Sequence(PendingBytes))) {
            // Not UTF-8 after all: the whole text again, as Latin-1.
            Latin1Text = true;
            text = QString::fromLatin1(PendingBytes.data(), qsizetype(PendingBytes.size()));
            if (old > 0) TextBox->clear();
        }
    } else {
        text = QString::fromLatin1(chunk.data(), chunk.size());
    }
    if (text.contains(QChar(0))) text.replace(QChar(0), QChar(0x2400));
    return text;
}

void TFileViewer::FinishText()
{
    if (TextHandle >= 0) Platform::CloseHandle(TextHandle);
    TextHandle = -1;
    TextTimer->stop();
    PendingBytes = std::string();
    Utf8Decoder.reset();
}

void TFileViewer::AppendPendingText()
{
    if (TextHandle < 0) {
        FinishText();
        return;
    }
    QScrollBar *bar = TextBox->verticalScrollBar();
    const int value = bar->value();
    bool atEnd = false;
    const QString text = NextTextChunk(LaterTextChunk, atEnd);
    QTextCursor cursor(TextBox->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    bar->setValue(value);
    if (atEnd) FinishText();
}

bool TFileViewer::TextComplete() const
{
    return TextHandle < 0;
}

void TFileViewer::PaintImage()
{
    TFunScope Fun(ThisUnit, "TFileViewer::PaintImage");
    Fun.Run([&] {
        if (FileName.empty()) return;
        const std::string extension = ExtractExtension(FileName);
        const int slot = ViewerPlugins.FindViewerPluginSlot(extension);
        if (!ViewerPanelVisible() || (!PictureFileExtensions.Has(extension) && slot < 0)) {
            PictureViewer.Clear();
        } else if (slot < 0) {
            PictureViewer.LoadPaint(FileName, FitSmallImages, SkinOptions.WindowBackColor);
        } else {
            PictureViewer.LoadPaintWithPlugin(FileName,
                                              FitSmallImages,
                                              PictureSizeEntry(ViewerPlugins, slot),
                                              LoadFileEntry(ViewerPlugins, slot),
                                              SkinOptions.WindowTextColor,
                                              SkinOptions.WindowBackColor);
        }
        Fun.CalleeFailed();
    });
    if (Fun.Failed()) SetInfo("ERROR");
}

std::string TFileViewer::ClipboardPictureFile()
{
    const std::string directory = PrivateTemporaryDirectory();
    if (directory.empty()) return {};
    return IncludeTrailingBackslash(directory) + "-Velmordian_ClipboardPicture.bmp";
}

void TFileViewer::ViewClipboardPicture()
{
    TFunScope Fun(ThisUnit, "TFileViewer::ViewClipboardPicture");
    Fun.Run([&] {
        Clear();
        const std::string file = ClipboardPictureFile();
        if (Fun.CalleeFailed()) return;
        FileName = file;
        ShowViewerPanel();
        PictureViewer.ViewClipboardPicture(file, FitSmallImages);
        Fun.CalleeFailed();
    });
    if (Fun.Failed()) SetInfo("ERROR");
}

void TFileViewer::ViewMediaInDirectory(const std::string &caption,
                                       const MyTPanel *list,
                                       std::int64_t startPosition,
                                       const std::string &startTitle)
{
    TFunScope Fun(ThisUnit, "TFileViewer::ViewMediaInDirectory");
    Fun.Run([&] {
        if (!MediaPlayer) {
            SetInfo(NoMediaPlayerText);
            return;
        }
        MediaPlayer->SaveResumePoint();
        std::vector<std::string> playList;
        bool video = false;
        if (list && !list->Empty) {
            for (const auto &entry : list->Items) {
                const auto *item = dynamic_cast<const TFileListData *>(entry.get());
                if (!item) continue;
                const std::string reference = GetWhenReference(item->Title);
                FunStatContext.Reset(fsPerfect);
                const std::string extension = ExtractExtension(reference);
                const bool isVideo = VideoFileExtensions.Has(extension);
                video = video || isVideo;
                if (isVideo || AudioFileExtensions.Has(extension)) playList.push_back(item->Title);
            }
        }
        if (!playList.empty()) {
            if (video) {
                Reset();
                ShowViewerPanel();
            }
            MediaPlayer->RegisterPlayList(caption);
        }
        MediaPlayer->PlayTextList(playList, startTitle, caption, startPosition);
    });
    Fun.ShowIfFailed("Failed to play media in directory.");
}

void TFileViewer::Refit()
{
    if (!ViewerPanelVisible()) return;
    ApplyTextOptions();
    TextBox->setVisible(!TextBox->document()->isEmpty());
    if (MediaPlayer) MediaPlayer->FitMovie();
    PaintImage();
}

bool TFileViewer::HasVideo(const MyTPanel *list)
{
    if (!list || list->Empty) return false;
    for (const auto &entry : list->Items) {
        const auto *item = dynamic_cast<const TFileListData *>(entry.get());
        if (!item) continue;
        const std::string reference = GetWhenReference(item->Title);
        FunStatContext.Reset(fsPerfect);
        if (VideoFileExtensions.Has(ExtractExtension(reference))) return true;
    }
    return false;
}
