// The file streams editor: a window that edits the main stream and the named streams of one
// file as plain text, with stream commands, text tools, find and go to line.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QKeyEvent;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class TStoredTextList;

// What the editor does when its window first activates after an opening.
enum TStreamsOpenMode
{
    omPlain = 0,      // nothing
    omLoadMain = 1,   // loads the main stream
    omDescription = 2 // opens the "Description" stream, adding it when missing
};

// The list's name of the main stream.
extern const char *const MainStreamDisplayName;
// The longest stream the editor loads, in bytes, and the most characters its edit holds.
constexpr std::int64_t StreamsEditorByteLimit = 1000000;

// True for "Main" in any letter case: the main stream.
bool IsMainDisplayName(const std::string &displayName);
// The stream a display name stands for: "" (the main stream) for "Main", else the name itself.
std::string StreamNameOfDisplayName(const std::string &displayName);
// The list's entries for the named streams of a file: sorted without regard to case (equal
// names by their bytes), with "Main" for the main stream; mainShadowed tells whether a named
// stream has the main stream's name (it then cannot be reached and is not listed).
std::vector<std::string> StreamDisplayNames(const std::vector<std::string> &namedStreams,
                                            bool &mainShadowed);
// The window's caption for a file: File streams editor - "name" (in "directory").
std::string FileStreamsCaption(const std::string &fileName);
// A separator line: 50 times the character.
std::string SeparatorLine(char character);
// The lines of a login template, each ended by a line end, the user name a random text of 10
// characters and the password one of passwordLength characters (20 or 40).
std::string LoginTemplateText(int passwordLength,
                              const std::function<std::string(int)> &randomText);
// A random text of 10, 20 or 40 characters from the password generator's random texts.
std::string StreamsRandomText(int length);
// The line Go to line moves to: the typed number limited to 1..lineCount, or the current line
// (1-based) when the text is not a number.
int GoToLineNumber(const std::string &typed, int currentLine, int lineCount);
// Decodes a stream's bytes for the edit: UTF-8, or Latin-1 when they are not valid UTF-8
// (latin1 then receives true).
QString StreamBytesToText(const std::string &bytes, bool &latin1);
// Encodes the edit's text for its stream: LF line ends become CR LF when crLf is set, and a text
// decoded as Latin-1 goes back to Latin-1 while every character fits.
std::string StreamTextToBytes(const QString &text, bool crLf, bool latin1);

// The look the main window gives the editor before each opening.
struct TStreamsEditorLook
{
    // Colours as 0x00BBGGRR.
    std::uint32_t FormColor = 0xF0F0F0, FormFontColor = 0, EditColor = 0xFFFFFF, EditFontColor = 0;
    bool WordWrap = true;
    std::string FontName = "Arial";
    std::int32_t FontSize = 9;
    bool FontBold = false;
};

// The editor window; one instance, FileStreamsForm. It holds at most one file at a time and
// loads one of its streams into the edit.
class TFileStreamsForm : public QWidget
{
public:
    explicit TFileStreamsForm(QWidget *parent = nullptr);

    // Opens the editor on a file with an open mode (TStreamsOpenMode). A window that already
    // holds a file comes to the front and says so.
    // Shown: "The editor is already loaded with a file.", "Directories don't have streams."
    // A failure to list the file's streams is left in FunStatContext for the caller to show.
    void Dialog(const std::string &fileName, int openMode);
    // Loads the stream selected in the list; false when nothing was loaded.
    // Shown: "Failed to load stream." (after "Empty internal name of stream.", "Stream size too
    // big.", "This stream contains binary data. You can't edit the data because some of it
    // would be lost during saving." or the read's own report)
    bool LoadStream();
    // Writes the edit into the loaded stream; true when written or nothing needed writing.
    // Shown: "Failed to save stream."; panic: "Contradictory steg-out status and stream name."
    bool SaveStream();
    // Asks whether a modified stream is saved; false when the user cancels or saving failed.
    bool CheckSave();
    // Inserts a login template with a password of passwordLength characters (20 or 40) above
    // the caret's line. Shown: "Failed to insert login template."
    void InsertLoginTemplate(int passwordLength);

    // Refills the stream list from the file, selecting the name (the current selection when
    // empty), or "Main" when it is gone.
    // Shown: "A secondary stream with the same name as the main stream already exists.\nYou
    // can't access the secondary stream with that name, but only the main stream."
    void FillStreamsList(const std::string &select = {});
    // The look of the window and its edit (skin colours and the viewer's text options).
    void SetEditorOptions(const TStreamsEditorLook &look);
    // The window's bounds, section "FileStreamsEditor".
    void ReadSettings(const TStoredTextList &list);
    void WriteSettings(TStoredTextList &list) const;

    // The stream commands. Shown: "Failed to add stream.", "Stream already exists.", "Failed to
    // add description stream.", "You can't delete the main stream because the entire file
    // would be deleted.", "Failed to delete stream.", "Failed to copy stream name to clipboard."
    void AddStreamMenuClick();
    void AddDescriptionStreamMenuClick();
    void DeleteStreamMenuClick();
    void ClipStreamNameMenuClick();
    void LoadStreamMenuClick();
    void SaveStreamMenuClick();
    // The edit's commands.
    void CopyMenuClick();
    void CutMenuClick();
    void PasteMenuClick();
    void InsertSeparatorMenuClick(char character);
    void InsertRandomTextMenuClick(int length);
    // Selects the next match of the find box's text after the caret (from the beginning when
    // fromStart is set). Shown: "There are no more text matches."
    void FindNext(bool fromStart);
    // Moves the caret to the line typed into the go-to-line box.
    void GoToLine();
    // The status panels.
    void RefreshInfo();
    // The list's selection changed: loads it, or goes back to the loaded stream when the user
    // keeps the modified one.
    void FileStreamsComboBoxChange();
    // The first activation after an opening: runs the open mode.
    void FormActivate();
    // The key rules of the edit; true when the key was taken or discarded.
    bool StreamContentRichEditKeyDown(QKeyEvent *event);

    std::string FileName;
    // The display name of the loaded stream; empty when none is loaded.
    std::string LoadedStreamName;
    int OpenMode = omPlain;
    // The file's file system keeps named streams.
    bool StreamsSupported = false;
    // The window holds a file.
    bool Shown = false;
    // The loaded main stream came from automatic steg-out; saving goes through automatic
    // steg-in with the hidden name.
    bool SteggedOut = false;
    std::string HiddenName;
    // The loaded stream had CR LF line ends / was not UTF-8; saving keeps them.
    bool LoadedWithCrLf = false;
    bool LoadedAsLatin1 = false;
    // The window minimises itself when another program's window takes the focus.
    bool MinimizeOnDeactivate = true;

    // Automatic steg-out of a picture's main stream: true when it gave a result; text receives
    // the hidden text when isText is set. Leaves its failure in FunStatContext. Null: none.
    std::function<bool(const std::string &fileName,
                       std::string &hiddenName,
                       bool &isText,
                       std::string &text,
                       std::uint64_t &size)>
        OnAutoStegOut;
    // Automatic steg-in of the edited text into the picture; leaves its failure in
    // FunStatContext. Needed only when OnAutoStegOut gave a text.
    std::function<void(
        const std::string &fileName, const std::string &hiddenName, const std::string &text)>
        OnAutoStegIn;
    // The name of a new stream, empty when the user cancels; null: the new-file dialog asks.
    std::function<std::string(const std::string &directory)> OnAskStreamName;

    QToolBar *Toolbar;
    QLabel *StreamLabel;
    QComboBox *FileStreamsComboBox;
    QToolButton *StreamsMenuButton;
    QMenu *FileStreamsPopupMenu;
    QAction *AddStreamMenu;
    QAction *AddDescriptionStreamMenu;
    QAction *DeleteStreamMenu;
    QAction *ClipStreamNameMenu;
    QAction *LoadStreamMenu;
    QAction *SaveStreamMenu;
    QLabel *FindTextLabel;
    QComboBox *FindTextComboBox;
    QLabel *GoToLineLabel;
    QComboBox *GoToLineComboBox;
    QPlainTextEdit *StreamContentRichEdit;
    QMenu *PopupMenu;
    QStatusBar *StatusBar;
    QLabel *SaveStatusPanel;
    QLabel *LinePosPanel;
    QLabel *LinesCountPanel;
    QLabel *CharsCountInfoPanel;
    QLabel *LoadedStreamNamePanel;
    QTimer *InfoTimer;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void BuildToolbar();
    void BuildPopupMenu();
    // Nothing loaded: the edit is emptied, read-only and says so.
    void Unload();
    // The selected display name, and selecting one without loading it.
    std::string SelectedName() const;
    void SelectName(const std::string &displayName);
    bool ListHolds(const std::string &displayName) const;
    // The edit accepts typing and the text tools.
    bool Editable() const;
    void InsertAboveCaretLine(const QString &lines);
    void LimitEditLength(int position, int added);
    void ApplyStreamSupport();
    std::string AskStreamName();
    // Characters of the edit (code points, line ends included).
    std::int64_t EditCharacterCount() const;
    // The font size of the look, which the wheel changes until the window closes.
    int EditFontSize = 9;
    // The list's selection changed since its last choice.
    bool SelectionJustChanged = false;
};

// The streams editor; null until the start-up creates it.
extern TFileStreamsForm *FileStreamsForm;
