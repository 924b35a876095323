// The file streams editor: the window, its stream list, loading and saving of streams and the
// commands on streams. The edit's text tools, keys, find and go to line are in
// FileStreamsDialogEdit.cpp.
#include "app/FileStreamsDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/FileStream.h"
#include "Libraries/MyMath.h"
#include "Libraries/StoredTextListUi.h"
#include "Libraries/UtilitiesUi.h"
#include "app/MyControls.h"
#include "app/NewFileDialog.h"
#include "platform/Xattr.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

constexpr const char *ThisUnit = "FileStreamsDialog";

const std::string DescriptionStream = "Description";
const char *const NoStreamsText = "Your operating system doesn't support file streams.";
const char *const SettingsSection = "FileStreamsEditor";

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

} // namespace

const char *const MainStreamDisplayName = "Main";

TFileStreamsForm *FileStreamsForm = nullptr;

// ---- Names, captions and texts -----------------------------------------------------------------

bool IsMainDisplayName(const std::string &displayName)
{
    return Q(displayName).compare(QLatin1String(MainStreamDisplayName), Qt::CaseInsensitive) == 0;
}

std::string StreamNameOfDisplayName(const std::string &displayName)
{
    return IsMainDisplayName(displayName) ? std::string() : displayName;
}

std::vector<std::string> StreamDisplayNames(const std::vector<std::string> &namedStreams,
                                            bool &mainShadowed)
{
    mainShadowed = false;
    std::vector<std::string> names;
    for (const std::string &name : namedStreams) {
        if (IsMainDisplayName(name)) {
            mainShadowed = true;
            continue;
        }
        names.push_back(name);
    }
    names.push_back(MainStreamDisplayName);
    std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
        const int order = Q(a).compare(Q(b), Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

std::string FileStreamsCaption(const std::string &fileName)
{
    return "File streams editor - \"" + ExtractName(fileName) + "\" (in \"" +
           ExtractDirectory(fileName) + "\")";
}

QString StreamBytesToText(const std::string &bytes, bool &latin1)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text =
        decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    latin1 = decoder.hasError();
    if (latin1) text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return text;
}

std::string StreamTextToBytes(const QString &text, bool crLf, bool latin1)
{
    QString lines = text;
    if (crLf) lines.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    const bool fitsLatin1 = latin1 && std::all_of(lines.cbegin(), lines.cend(), [](QChar c) {
                                return c.unicode() < 256;
                            });
    const QByteArray bytes = fitsLatin1 ? lines.toLatin1() : lines.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// ---- The window ---------------------------------------------------------------------------------

TFileStreamsForm::TFileStreamsForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FileStreamsForm"));
    setWindowTitle(QStringLiteral("File streams editor"));
    setMinimumSize(650, 400);
    resize(750, 500);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    BuildToolbar();
    layout->addWidget(Toolbar);
    StreamContentRichEdit = new QPlainTextEdit;
    StreamContentRichEdit->setObjectName(QStringLiteral("StreamContentRichEdit"));
    StreamContentRichEdit->setTabChangesFocus(false);
    StreamContentRichEdit->setToolTip(QStringLiteral(
        "[LMB + wheel up] = increase the size of the font (until you exit the dialog). "
        "[LMB + wheel down] = decrease the size of the font."));
    StreamContentRichEdit->setContextMenuPolicy(Qt::CustomContextMenu);
    StreamContentRichEdit->installEventFilter(this);
    StreamContentRichEdit->viewport()->installEventFilter(this);
    layout->addWidget(StreamContentRichEdit, 1);
    BuildPopupMenu();
    StatusBar = new QStatusBar;
    StatusBar->setSizeGripEnabled(true);
    SaveStatusPanel = new QLabel;
    LinePosPanel = new QLabel;
    LinesCountPanel = new QLabel;
    CharsCountInfoPanel = new QLabel;
    LoadedStreamNamePanel = new QLabel;
    for (QLabel *panel : {SaveStatusPanel, LinePosPanel, LinesCountPanel, CharsCountInfoPanel})
        StatusBar->addWidget(panel);
    StatusBar->addWidget(LoadedStreamNamePanel, 1);
    layout->addWidget(StatusBar);
    InfoTimer = new QTimer(this);
    InfoTimer->setInterval(500);
    connect(InfoTimer, &QTimer::timeout, this, &TFileStreamsForm::RefreshInfo);
    connect(
        StreamContentRichEdit, &QPlainTextEdit::textChanged, this, &TFileStreamsForm::RefreshInfo);
    connect(StreamContentRichEdit,
            &QPlainTextEdit::cursorPositionChanged,
            this,
            &TFileStreamsForm::RefreshInfo);
    connect(StreamContentRichEdit,
            &QPlainTextEdit::modificationChanged,
            this,
            &TFileStreamsForm::RefreshInfo);
    // The excess of an insertion beyond the edit's limit goes again once the insertion is over.
    connect(
        StreamContentRichEdit->document(),
        &QTextDocument::contentsChange,
        this,
        [this](int position, int, int added) { LimitEditLength(position, added); },
        Qt::QueuedConnection);
    ApplyStreamSupport();
    Unload();
}

void TFileStreamsForm::BuildToolbar()
{
    Toolbar = new QToolBar;
    Toolbar->setObjectName(QStringLiteral("Toolbar"));
    StreamLabel = new QLabel(QStringLiteral("&Stream"));
    FileStreamsComboBox = new QComboBox;
    FileStreamsComboBox->setObjectName(QStringLiteral("FileStreamsComboBox"));
    FileStreamsComboBox->setMinimumWidth(160);
    FileStreamsComboBox->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    StreamLabel->setBuddy(FileStreamsComboBox);
    StreamsMenuButton = new QToolButton;
    StreamsMenuButton->setObjectName(QStringLiteral("StreamsMenuButton"));
    StreamsMenuButton->setText(QStringLiteral("Menu"));
    StreamsMenuButton->setPopupMode(QToolButton::InstantPopup);
    FileStreamsPopupMenu = new QMenu(this);
    struct TRow
    {
        QAction **Action;
        const char *Name, *Caption;
        void (TFileStreamsForm::*Handler)();
    };
    const TRow rows[] = {
        {&AddStreamMenu, "AddStreamMenu", "Add", &TFileStreamsForm::AddStreamMenuClick},
        {&AddDescriptionStreamMenu,
         "AddDescriptionStreamMenu",
         "Add description",
         &TFileStreamsForm::AddDescriptionStreamMenuClick},
        {&DeleteStreamMenu, "DeleteStreamMenu", "Delete", &TFileStreamsForm::DeleteStreamMenuClick},
        {&ClipStreamNameMenu,
         "ClipStreamNameMenu",
         "Clip",
         &TFileStreamsForm::ClipStreamNameMenuClick},
        {&LoadStreamMenu, "LoadStreamMenu", "Load", &TFileStreamsForm::LoadStreamMenuClick},
        {&SaveStreamMenu, "SaveStreamMenu", "Save", &TFileStreamsForm::SaveStreamMenuClick},
    };
    for (const TRow &row : rows) {
        QAction *action = FileStreamsPopupMenu->addAction(QString::fromLatin1(row.Caption));
        action->setObjectName(QString::fromLatin1(row.Name));
        connect(action, &QAction::triggered, this, row.Handler);
        *row.Action = action;
    }
    // Shown in the menu; the edit's key rules save with Ctrl+S, only when something changed.
    SaveStreamMenu->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    SaveStreamMenu->setShortcutContext(Qt::WidgetShortcut);
    StreamsMenuButton->setMenu(FileStreamsPopupMenu);
    FindTextLabel = new QLabel(QStringLiteral("&Find text"));
    FindTextComboBox = new QComboBox;
    FindTextComboBox->setObjectName(QStringLiteral("FindTextComboBox"));
    FindTextComboBox->setEditable(true);
    FindTextComboBox->setInsertPolicy(QComboBox::NoInsert);
    FindTextComboBox->setMinimumWidth(150);
    FindTextLabel->setBuddy(FindTextComboBox);
    GoToLineLabel = new QLabel(QStringLiteral("&Go to line"));
    GoToLineComboBox = new QComboBox;
    GoToLineComboBox->setObjectName(QStringLiteral("GoToLineComboBox"));
    GoToLineComboBox->setEditable(true);
    GoToLineComboBox->setInsertPolicy(QComboBox::NoInsert);
    GoToLineComboBox->setMinimumWidth(80);
    GoToLineLabel->setBuddy(GoToLineComboBox);
    Toolbar->addWidget(StreamLabel);
    Toolbar->addWidget(FileStreamsComboBox);
    Toolbar->addWidget(StreamsMenuButton);
    Toolbar->addSeparator();
    Toolbar->addWidget(FindTextLabel);
    Toolbar->addWidget(FindTextComboBox);
    Toolbar->addSeparator();
    Toolbar->addWidget(GoToLineLabel);
    Toolbar->addWidget(GoToLineComboBox);
    connect(FileStreamsComboBox, &QComboBox::currentIndexChanged, this, [this] {
        SelectionJustChanged = true;
        FileStreamsComboBoxChange();
    });
    // A choice in the list comes after its change of selection, which has loaded it already;
    // choosing the selected stream again loads it when nothing is loaded.
    connect(FileStreamsComboBox, &QComboBox::activated, this, [this] {
        if (!std::exchange(SelectionJustChanged, false)) FileStreamsComboBoxChange();
    });
    FindTextComboBox->lineEdit()->installEventFilter(this);
    GoToLineComboBox->lineEdit()->installEventFilter(this);
}

void TFileStreamsForm::ApplyStreamSupport()
{
    for (QAction *action : {AddStreamMenu, AddDescriptionStreamMenu, DeleteStreamMenu})
        action->setEnabled(StreamsSupported);
    Toolbar->setToolTip(
        StreamsSupported ? QString() : QStringLiteral("Toolbar. ") + QLatin1String(NoStreamsText));
}

void TFileStreamsForm::SetEditorOptions(const TStreamsEditorLook &look)
{
    QPalette form = palette();
    form.setColor(QPalette::Window, ColorOf(look.FormColor));
    form.setColor(QPalette::WindowText, ColorOf(look.FormFontColor));
    setPalette(form);
    QPalette edit = StreamContentRichEdit->palette();
    edit.setColor(QPalette::Base, ColorOf(look.EditColor));
    edit.setColor(QPalette::Text, ColorOf(look.EditFontColor));
    StreamContentRichEdit->setPalette(edit);
    StreamContentRichEdit->setLineWrapMode(look.WordWrap ? QPlainTextEdit::WidgetWidth
                                                         : QPlainTextEdit::NoWrap);
    StreamContentRichEdit->setHorizontalScrollBarPolicy(look.WordWrap ? Qt::ScrollBarAlwaysOff
                                                                      : Qt::ScrollBarAsNeeded);
    StreamContentRichEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QFont font(Q(look.FontName));
    font.setPointSize(std::max(1, look.FontSize));
    font.setBold(look.FontBold);
    StreamContentRichEdit->setFont(font);
    EditFontSize = font.pointSize();
}

void TFileStreamsForm::ReadSettings(const TStoredTextList &list)
{
    ReadFormBounds(list, SettingsSection, "XPos", this, "YSize", "XSize", "YPos");
}

void TFileStreamsForm::WriteSettings(TStoredTextList &list) const
{
    WriteFormBounds(list, SettingsSection, "XPos", this, "YSize", "XSize", "YPos");
}

// ---- Opening and closing ------------------------------------------------------------------------

void TFileStreamsForm::Dialog(const std::string &fileName, int openMode)
{
    TFunScope Fun(ThisUnit, "TFileStreamsForm::Dialog");
    Fun.Run([&] {
        if (Shown) {
            if (isMinimized()) showNormal();
            raise();
            activateWindow();
            ShowInfoMessage("The editor is already loaded with a file.");
            return;
        }
        if (IsDirectoryPath(fileName)) {
            ShowWarningMessage("Directories don't have streams.");
            return;
        }
        FileName = fileName;
        OpenMode = openMode;
        setWindowTitle(Q(FileStreamsCaption(fileName)));
        StreamsSupported = Platform::UserAttributesSupported(fileName);
        ApplyStreamSupport();
        Unload();
        FillStreamsList(MainStreamDisplayName);
        Fun.CalleeFailed();
        if (isMinimized())
            showNormal();
        else
            show();
        raise();
        activateWindow();
        // The activation of the window may come later or, where the windowing system refuses
        // it, never: the first activation's work is done now.
        FormActivate();
    });
}

void TFileStreamsForm::FormActivate()
{
    if (Shown || FileName.empty()) return;
    Shown = true;
    if (OpenMode == omLoadMain) {
        LoadStream();
    } else if (OpenMode == omDescription) {
        if (!StreamsSupported) {
            ShowWarningMessage(NoStreamsText);
        } else if (!ListHolds(DescriptionStream)) {
            AddDescriptionStreamMenuClick();
        } else {
            SelectName(DescriptionStream);
            LoadStream();
        }
    }
    InfoTimer->start();
    if (StreamContentRichEdit->isReadOnly()) FileStreamsComboBox->setFocus();
}

void TFileStreamsForm::closeEvent(QCloseEvent *event)
{
    if (!CheckSave()) {
        event->ignore();
        return;
    }
    Unload();
    StreamContentRichEdit->document()->setModified(false);
    FileStreamsComboBox->blockSignals(true);
    FileStreamsComboBox->clear();
    FileStreamsComboBox->blockSignals(false);
    InfoTimer->stop();
    Shown = false;
    FileName.clear();
    SteggedOut = false;
    HiddenName.clear();
    // The font size chosen with the wheel lasts until the window closes.
    QFont font = StreamContentRichEdit->font();
    font.setPointSize(EditFontSize);
    StreamContentRichEdit->setFont(font);
    event->accept();
}

void TFileStreamsForm::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange) return;
    if (isActiveWindow()) {
        FormActivate();
        return;
    }
    if (!MinimizeOnDeactivate || !isVisible() || isMinimized()) return;
    // The editor's own message boxes, questions, menus and dialogs take the focus for a while
    // and give it back: those leave the window as it is.
    QTimer::singleShot(0, this, [this] {
        if (isActiveWindow() || !isVisible() || isMinimized()) return;
        if (QApplication::activeModalWidget() || QApplication::activePopupWidget()) return;
        showMinimized();
    });
}

// ---- The stream list ----------------------------------------------------------------------------

std::string TFileStreamsForm::SelectedName() const
{
    return FileStreamsComboBox->currentText().toStdString();
}

void TFileStreamsForm::SelectName(const std::string &displayName)
{
    int index =
        FileStreamsComboBox->findText(Q(displayName), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        index = FileStreamsComboBox->findText(QLatin1String(MainStreamDisplayName),
                                              Qt::MatchExactly | Qt::MatchCaseSensitive);
    FileStreamsComboBox->blockSignals(true);
    FileStreamsComboBox->setCurrentIndex(index);
    FileStreamsComboBox->blockSignals(false);
}

bool TFileStreamsForm::ListHolds(const std::string &displayName) const
{
    return FileStreamsComboBox->findText(Q(displayName),
                                         Qt::MatchExactly | Qt::MatchCaseSensitive) >= 0;
}

void TFileStreamsForm::FillStreamsList(const std::string &select)
{
    const std::string selected = select.empty() ? SelectedName() : select;
    TFunScope Fun(ThisUnit, "TFileStreamsForm::FillStreamsList");
    Fun.Run([&] {
        std::vector<std::string> named;
        // A file system without named streams has the main stream alone.
        if (StreamsSupported) {
            GetFileStreamNames(FileName, named);
            Fun.CalleeFailed();
        }
        bool mainShadowed = false;
        const std::vector<std::string> names = StreamDisplayNames(named, mainShadowed);
        FileStreamsComboBox->blockSignals(true);
        FileStreamsComboBox->clear();
        for (const std::string &name : names)
            FileStreamsComboBox->addItem(Q(name));
        FileStreamsComboBox->blockSignals(false);
        SelectName(selected);
        if (mainShadowed)
            ShowWarningMessage(
                "A secondary stream with the same name as the main stream already exists.\n"
                "You can't access the secondary stream with that name, but only the main "
                "stream.");
    });
}

void TFileStreamsForm::FileStreamsComboBoxChange()
{
    if (SelectedName() == LoadedStreamName && Editable() &&
        !StreamContentRichEdit->document()->isModified())
        return;
    // The user keeps the modified stream: the list shows it again.
    if (!CheckSave()) {
        SelectName(LoadedStreamName);
        return;
    }
    StreamContentRichEdit->document()->setModified(false);
    LoadStream();
}

// ---- Loading and saving -------------------------------------------------------------------------

bool TFileStreamsForm::Editable() const
{
    return !LoadedStreamName.empty() && !StreamContentRichEdit->isReadOnly();
}

void TFileStreamsForm::Unload()
{
    LoadedStreamName.clear();
    LoadedWithCrLf = false;
    LoadedAsLatin1 = false;
    StreamContentRichEdit->clear();
    StreamContentRichEdit->setReadOnly(true);
    StreamContentRichEdit->setPlaceholderText(
        QStringLiteral("Before you can enter text, you must load a stream."));
    StreamContentRichEdit->document()->setModified(false);
    LoadedStreamNamePanel->clear();
    RefreshInfo();
}

bool TFileStreamsForm::LoadStream()
{
    if (!CheckSave()) return false;
    bool loaded = false;
    TFunScope Fun(ThisUnit, "TFileStreamsForm::LoadStream");
    Fun.Run([&] {
        Unload();
        StreamContentRichEdit->document()->setDocumentMargin(5);
        const std::string name = SelectedName();
        LoadedStreamNamePanel->setText(Q(" Name \"" + name + "\""));
        if (name.empty()) {
            Fun.Raise("Empty internal name of stream.", FileName);
            return;
        }
        SteggedOut = false;
        HiddenName.clear();
        const std::string stream = StreamNameOfDisplayName(name);
        QString text;
        bool binary = false;
        if (stream.empty() && OnAutoStegOut) {
            std::string hidden, hiddenText;
            bool isText = false;
            std::uint64_t size = 0;
            const bool got = OnAutoStegOut(FileName, hidden, isText, hiddenText, size);
            if (Fun.CalleeFailed()) return;
            // Only a hidden text is edited in place; a hidden picture leaves the main stream
            // to be read as it is, and saving then writes it as it is.
            if (got && isText) {
                SteggedOut = true;
                HiddenName = hidden;
                text = Q(hiddenText);
            }
        }
        if (!SteggedOut) {
            std::uint64_t size = 0;
            std::string buffer;
            ReadFileStream(FileName, stream, true, StreamsEditorByteLimit, size, buffer);
            if (Fun.CalleeFailed()) return;
            // A cut read is no stream to edit: saving it would lose the rest.
            if (FunStatContext.status == fsWarning) {
                Fun.Local = FunStatContext;
                Fun.Local.status = fsError;
                return;
            }
            const std::size_t zero = buffer.find('\0');
            binary = zero != std::string::npos;
            if (binary) buffer.resize(zero);
            LoadedWithCrLf = buffer.find("\r\n") != std::string::npos;
            text = StreamBytesToText(buffer, LoadedAsLatin1);
            if (LoadedWithCrLf) text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        }
        StreamContentRichEdit->setPlaceholderText(QString());
        StreamContentRichEdit->setPlainText(text);
        LoadedStreamName = name;
        if (binary) {
            // Shown, but not editable: saving would lose everything after the zero byte.
            Fun.Raise(
                "This stream contains binary data. You can't edit the data because some of it "
                "would be lost during saving.",
                FileName,
                stream);
            return;
        }
        StreamContentRichEdit->setReadOnly(false);
        loaded = true;
    });
    StreamContentRichEdit->document()->setModified(false);
    RefreshInfo();
    Fun.ShowIfFailed("Failed to load stream.");
    return loaded;
}

bool TFileStreamsForm::SaveStream()
{
    if (!Editable()) return true;
    bool saved = false;
    TFunScope Fun(ThisUnit, "TFileStreamsForm::SaveStream");
    Fun.Run([&] {
        const QString text = StreamContentRichEdit->toPlainText();
        if (SteggedOut) {
            if (!IsMainDisplayName(LoadedStreamName)) {
                Fun.Panic(
                    "Contradictory steg-out status and stream name.", FileName, LoadedStreamName);
                return;
            }
            if (!OnAutoStegIn) {
                Fun.Raise("Failed to save stream.", FileName, LoadedStreamName);
                return;
            }
            OnAutoStegIn(FileName, HiddenName, text.toStdString());
            if (Fun.CalleeFailed()) return;
        } else {
            const std::string bytes = StreamTextToBytes(text, LoadedWithCrLf, LoadedAsLatin1);
            WriteFileStream(FileName, StreamNameOfDisplayName(LoadedStreamName), bytes.c_str(), -1);
            if (Fun.CalleeFailed()) return;
        }
        StreamContentRichEdit->document()->setModified(false);
        saved = true;
    });
    RefreshInfo();
    // A panic has been shown where it was found.
    if (Fun.Local.status == fsPanic) return false;
    Fun.ShowIfFailed("Failed to save stream.");
    return saved;
}

bool TFileStreamsForm::CheckSave()
{
    if (!Editable() || !StreamContentRichEdit->document()->isModified()) return true;
    const int answer = AskYesNoCancel("The content of stream \"" + LoadedStreamName +
                                      "\" has changed.\nDo you want to save the stream?");
    if (answer == 1) return SaveStream();
    return answer == 7;
}

// ---- Commands on streams ------------------------------------------------------------------------

std::string TFileStreamsForm::AskStreamName()
{
    const std::string directory = ExtractDirectory(FileName);
    if (OnAskStreamName) return OnAskStreamName(directory);
    if (!NewFileForm || !NewFileForm->Dialog(directory, nkFileStream)) return {};
    return ExtractName(NewFileForm->Title);
}

void TFileStreamsForm::AddStreamMenuClick()
{
    TFunScope Fun(ThisUnit, "TFileStreamsForm::AddStreamMenuClick");
    Fun.Run([&] {
        const std::string name = AskStreamName();
        FunStatContext.Reset(fsPerfect); // the dialog showed its own failure
        if (name.empty() || IsMainDisplayName(name)) return;
        if (ListHolds(name)) {
            ShowWarningMessage("Stream already exists.");
            return;
        }
        AddFileStream(FileName, name);
        if (Fun.CalleeFailed()) return;
    });
    // What the file really holds, also after a failure.
    FillStreamsList();
    Fun.ShowIfFailed("Failed to add stream.");
    FileStreamsComboBox->setFocus();
}

void TFileStreamsForm::AddDescriptionStreamMenuClick()
{
    TFunScope Fun(ThisUnit, "TFileStreamsForm::AddDescriptionStreamMenuClick");
    bool load = false;
    Fun.Run([&] {
        if (!ListHolds(DescriptionStream)) {
            AddFileStream(FileName, DescriptionStream);
            if (Fun.CalleeFailed()) return;
            FillStreamsList();
            if (Fun.CalleeFailed()) return;
        }
        if (!CheckSave()) return;
        StreamContentRichEdit->document()->setModified(false);
        SelectName(DescriptionStream);
        load = true;
    });
    if (Fun.Failed()) FillStreamsList();
    Fun.ShowIfFailed("Failed to add description stream.");
    if (load) LoadStream();
    StreamContentRichEdit->setFocus();
}

void TFileStreamsForm::DeleteStreamMenuClick()
{
    const std::string name = SelectedName();
    if (name.empty()) return;
    if (IsMainDisplayName(name)) {
        ShowWarningMessage(
            "You can't delete the main stream because the entire file would be deleted.");
        return;
    }
    if (!AskYesNo("Delete stream \"" + name + "\"?")) return;
    TFunScope Fun(ThisUnit, "TFileStreamsForm::DeleteStreamMenuClick");
    Fun.Run([&] {
        DeleteFileStream(FileName, name);
        if (Fun.CalleeFailed()) return;
        // The user gave the deleted stream up, edits included.
        if (name == LoadedStreamName) Unload();
    });
    FillStreamsList();
    Fun.ShowIfFailed("Failed to delete stream.");
    LoadStream();
    FileStreamsComboBox->setFocus();
}

void TFileStreamsForm::ClipStreamNameMenuClick()
{
    CopyTextToClipboard(SelectedName(), "Failed to copy stream name to clipboard.");
}

void TFileStreamsForm::LoadStreamMenuClick()
{
    LoadStream();
}

void TFileStreamsForm::SaveStreamMenuClick()
{
    SaveStream();
}

// ---- Status panels ------------------------------------------------------------------------------

void TFileStreamsForm::RefreshInfo()
{
    const QTextDocument *document = StreamContentRichEdit->document();
    SaveStatusPanel->setText(document->isModified() ? QStringLiteral("Modified")
                                                    : QStringLiteral("Saved"));
    LinePosPanel->setText(
        Q("Line " + GroupedIntText(StreamContentRichEdit->textCursor().blockNumber() + 1)));
    LinesCountPanel->setText(Q("Lines " + GroupedIntText(document->blockCount())));
    CharsCountInfoPanel->setText(Q("Chars " + GroupedIntText(EditCharacterCount())));
}
