// The integrated viewer of the viewer panel: pictures (decoded here or by a viewer plug-in),
// text files in a read-only text box, the file hidden in a ".png" under automatic steg-out and
// the clipboard's picture; media go to the media player.
#pragma once

#include "app/PictureViewer.h"

#include <QRect>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class MyTPanel;
class QPlainTextEdit;
class QStringDecoder;
class QTimer;
class QWidget;
struct TViewerOptions;

// What a media preview in the hover window reports back.
struct TMediaThumbResult
{
    std::string ErrorText;
    std::string LengthText;
    int FittedHeight = 0, FittedWidth = 0, SourceHeight = 0, SourceWidth = 0;
};

// The seam to the media player: the viewer and the hover window hand media to it. The program
// has no player until one is set in MediaPlayer.
class TMediaPlayer
{
public:
    virtual ~TMediaPlayer() = default;
    virtual void PlayFile(const std::string &file) = 0;
    virtual void
    PlayMPL(const std::string &file, const std::string &startTitle, std::int64_t position) = 0;
    virtual void PlayTextList(const std::vector<std::string> &list,
                              const std::string &startTitle,
                              const std::string &caption,
                              std::int64_t position) = 0;
    virtual void SaveResumePoint() = 0;
    virtual void RegisterPlayList(const std::string &caption) = 0;
    virtual void Stop() = 0;
    virtual bool IsPlaying() const = 0;
    // The play-list being played holds a video.
    virtual bool PlayListHasVideo() const = 0;
    virtual void FitMovie() = 0;
    // Plays the media small in the window's display rectangle.
    virtual void PlayThumb(const std::string &title,
                           QWidget *window,
                           QRect displayRect,
                           QRect infoRect,
                           TMediaThumbResult &result) = 0;
    virtual std::int64_t Position() const = 0;
    virtual std::int64_t Length() const = 0;
};

// The program's media player; null while there is none.
extern TMediaPlayer *MediaPlayer;

// The information shown while media would play but no player is there.
extern const char *const NoMediaPlayerText;

// Decodes text file bytes: UTF-8 when they are valid UTF-8, else Latin-1. NUL bytes become the
// visible symbol U+2400 so that the text box shows them.
QString DecodeTextFileBytes(const char *data, std::size_t size);

class TFileViewer
{
public:
    // The client is the viewer client, where the viewer paints.
    explicit TFileViewer(QWidget *client);
    ~TFileViewer();
    TFileViewer(const TFileViewer &) = delete;
    TFileViewer &operator=(const TFileViewer &) = delete;

    // Views the file: Clear, SetFile, ApplyTextOptions, View; a failure clears the viewer and
    // becomes the information "ERROR: " + its description.
    void Do(const std::string &file);
    void View();
    void PaintImage();
    // Plays the audio and video items of the list. Shown: "Failed to play media in directory."
    void ViewMediaInDirectory(const std::string &caption,
                              const MyTPanel *list,
                              std::int64_t startPosition,
                              const std::string &startTitle);
    void ViewClipboardPicture();
    void Clear();
    void Reset();
    void SetFile(const std::string &title);
    void ApplyTextOptions();
    void SetInfo(const std::string &text);
    void Refit();
    // Some item of the list, taken by its reference, has a video extension.
    static bool HasVideo(const MyTPanel *list);
    // Takes over the six settings.
    void SetOptions(const TViewerOptions &options);

    // The text box is visible and holds the whole text (a large file fills it in steps).
    bool TextComplete() const;
    // The file of the clipboard picture.
    static std::string ClipboardPictureFile();

    QWidget *Client;
    std::string FileName;
    QPlainTextEdit *TextBox = nullptr;
    bool FitSmallImages = false;
    bool TextWordWrap = true;
    std::int32_t MaxTextSize = 100000;
    std::string FontName = "Arial";
    std::int32_t FontSize = 9;
    bool FontBold = false;
    TPictureViewer PictureViewer;
    // The viewer client's information text.
    std::string Info;
    // Shows the viewer panel; tells whether it is visible (true without a main window).
    std::function<void()> OnShowViewerPanel;
    std::function<bool()> IsViewerPanelVisible;
    // Called whenever the information changes (the hint bar shows it).
    std::function<void(const std::string &)> OnInfo;

private:
    void ShowViewerPanel();
    bool ViewerPanelVisible() const;
    // Loads the text file into the text box; the first screen at once, the rest in steps.
    void LoadTextFile(std::uint64_t size);
    void AppendPendingText();
    // Decodes the next bytes of the file (UTF-8 until a byte shows it is not, then Latin-1).
    QString NextTextChunk(qsizetype bytes, bool &atEnd);
    void FinishText();

    // The open text file while the box fills, the bytes read so far and a read's errno.
    int TextHandle = -1;
    int TextReadError = 0;
    std::string PendingBytes;
    std::unique_ptr<QStringDecoder> Utf8Decoder;
    bool Latin1Text = false;
    QTimer *TextTimer = nullptr;
};

// The program's viewer; null until the main window creates it.
extern TFileViewer *FileViewer;
