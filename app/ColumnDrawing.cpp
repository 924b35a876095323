// Column item drawing (type field, name line, frames, grid, thumbnail area) and the filling of
// the main window's information bars for the active column, file and reference.
#include "app/Column.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/FileLink.h"
#include "Libraries/FileStream.h"
#include "Libraries/MyGDIPlus.h"
#include "Libraries/MyTime.h"
#include "Libraries/Program.h"
#include "Libraries/Text.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"
#include "app/SkinDialog.h"
#include "platform/Links.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QString>

#include <algorithm>

TThumbnailPainter PaintThumbnail = nullptr;

namespace {

constexpr const char *ThisUnit = "Column";

// "»" and a space: the mark of a directory in the type field or before its name.
constexpr const char *DirectoryMark = "\xC2\xBB ";
// Separates the parts of a hint that the hint bar shows on lines of their own.
constexpr const char *HintLineSeparator = " \x7F ";
constexpr const char *LinkErrorText = "Error loading link information";
// Descriptions are shown up to this many characters.
constexpr std::size_t DescriptionCharacters = 1000;
// A UTF-8 character takes at most four bytes.
constexpr std::int64_t DescriptionBytes = 4 * DescriptionCharacters;

// A rectangle given by its left, top, right and bottom edges, right and bottom excluded.
QRect Edges(int left, int top, int right, int bottom)
{
    return QRect(left, top, std::max(0, right - left), std::max(0, bottom - top));
}

std::string AsciiLowerCase(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// The first count characters of a UTF-8 text (a byte that is not UTF-8 counts as one).
std::string FirstCharacters(const std::string &text, std::size_t count)
{
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte & 0xC0) == 0x80) continue;
        if (characters == count) return text.substr(0, i);
        ++characters;
    }
    return text;
}

// ---- Colours ----------------------------------------------------------------------------------

// The type field colours of a kind.
struct TKindColors
{
    int Kind;
    TColor TSkinOptions::*Back;
    TColor TSkinOptions::*Text;
};

const TKindColors KindColorRows[] = {
    {ikDirectory, &TSkinOptions::DirsBackColor, &TSkinOptions::DirsTextColor},
    {ikLink, &TSkinOptions::LinksBackColor, &TSkinOptions::LinksTextColor},
    {ikProgram, &TSkinOptions::ProgsBackColor, &TSkinOptions::ProgsTextColor},
    {ikDocument, &TSkinOptions::DocsBackColor, &TSkinOptions::DocsTextColor}};

const TKindColors &KindColors(int kind)
{
    static const TKindColors other{
        ikGeneric, &TSkinOptions::FilesBackColor, &TSkinOptions::FilesTextColor};
    for (const TKindColors &row : KindColorRows)
        if (row.Kind == kind) return row;
    return other;
}

// States of an item's name area; the first that applies wins.
enum TItemState
{
    isActiveFocus,
    isInactiveFocus,
    isSelected,
    isPlain
};

// The colour set and frame translucencies of a framed state.
struct TStateColors
{
    TColor TSkinOptions::*BriskMargin;
    TColor TSkinOptions::*Margin;
    TColor TSkinOptions::*Back;
    TColor TSkinOptions::*Text;
    TColor TSkinOptions::*Tint;
    std::int32_t TSkinOptions::*MarginTranslucency;
    std::int32_t TSkinOptions::*BackTranslucency;
};

const TStateColors StateColorRows[] = {{&TSkinOptions::ActiveFocusBriskMarginColor,
                                        &TSkinOptions::ActiveFocusMarginColor,
                                        &TSkinOptions::ActiveFocusBackColor,
                                        &TSkinOptions::ActiveFocusTextColor,
                                        &TSkinOptions::ActiveFocusTintColor,
                                        &TSkinOptions::WindowActiveFocusMarginTranslucency,
                                        &TSkinOptions::WindowActiveFocusBackTranslucency},
                                       {&TSkinOptions::InactiveFocusBriskMarginColor,
                                        &TSkinOptions::InactiveFocusMarginColor,
                                        &TSkinOptions::InactiveFocusBackColor,
                                        &TSkinOptions::InactiveFocusTextColor,
                                        &TSkinOptions::InactiveFocusTintColor,
                                        &TSkinOptions::WindowInactiveFocusMarginTranslucency,
                                        &TSkinOptions::WindowInactiveFocusBackTranslucency},
                                       {&TSkinOptions::SelectionBriskMarginColor,
                                        &TSkinOptions::SelectionMarginColor,
                                        &TSkinOptions::SelectionBackColor,
                                        &TSkinOptions::SelectionTextColor,
                                        &TSkinOptions::SelectionTintColor,
                                        &TSkinOptions::WindowSelectionMarginTranslucency,
                                        &TSkinOptions::WindowSelectionBackTranslucency}};

// ---- Information fields -----------------------------------------------------------------------

enum TInfoField
{
    ifFiles,
    ifEncrypted,
    ifSelectedCount,
    ifSelectedSize,
    ifTotalSize,
    ifPartitionSize,
    ifPartitionAttributes,
    ifIndex,
    ifFileSize,
    ifFileAttributes,
    ifHardLinks,
    ifStreams,
    ifFileTitle,
    ifFileModified,
    ifDescription,
    ifReferenceType,
    ifReferenceSize,
    ifReferenceAttributes,
    ifReferenceTitle,
    ifReferenceModified,
    ifParameters,
    ifWorkingDirectory
};

// Where each field sits (information bar, field of the bar) and its fixed hint; the rows follow
// TInfoField.
struct TInfoFieldRow
{
    int Bar;
    int Field;
    const char *Hint;
};

const TInfoFieldRow InfoFieldRows[] = {
    {0, 0, "Active column. Files count (total number of files): "},
    {0, 1, "Active column. Encrypted files count: "},
    {0, 2, "Active column. Selected files count: "},
    {0, 3, "Active column. Selected files size (only the size of the main stream is used): "},
    {0, 4, "Active column. Total file size (only the size of the main stream is used): "},
    {0,
     5,
     "Active column (information is extracted every time the active file is set). Partition "
     "size (free, total): "},
    {0,
     6,
     "Active column (information is extracted every time the active file is set). Partition "
     "supports attributes (C = compression; E = encryption; Q = quotas; R = read-only; Rp = "
     "reparse point; S = streams; Sf = sparse file): "},
    {1,
     0,
     "Active file (information is extracted every time the active file is set). Index in "
     "column: "},
    {1,
     1,
     "Active file (information is extracted every time the active file is set). Size of main "
     "stream (size of all secondary streams); sometimes you might see a directory with a no "
     "null size, on CDs: "},
    {1,
     2,
     "Active file (information is extracted every time the active file is set). Attributes (A = "
     "archive; C = compressed; E = encrypted; H = hidden; O = offline; R = read-only; Rp = "
     "reparse point; S = system; Sf = sparse file; T = temporary): "},
    {1,
     3,
     "Active file (information is extracted every time the active file is set). Hard-links "
     "count: "},
    {1,
     4,
     "Active file (information is extracted every time the active file is set). Streams count "
     "(except the main stream); all information displayed by the program refers only to data "
     "streams: "},
    {1, 5, "Active file (information is extracted every time the active file is set). Title: "},
    {1,
     6,
     "Active file (information is extracted every time the active file is set). Last "
     "modification time (irrelevant for directories): "},
    {2,
     0,
     "Active file (information is extracted every time the active file is set). Description (to "
     "add a description just add a stream with the name \"Description\"; only the first 1'000 "
     "characters are displayed, line breaks are ignored): "},
    {3,
     0,
     "Active reference (information is extracted every time the active file is set). Type (D = "
     "directory; L = link; P = program; T = document; G = generic): "},
    {3,
     1,
     "Active reference (information is extracted every time the active file is set). Size of "
     "main stream (size of all secondary streams): "},
    {3,
     2,
     "Active reference (information is extracted every time the active file is set). Attributes "
     "(A = archive; C = compressed; E = encrypted; H = hidden; O = offline; R = read-only; Rp = "
     "reparse point; S = system; Sf = sparse file; T = temporary): "},
    {3,
     3,
     "Active reference (information is extracted every time the active file is set). Title: "},
    {3,
     4,
     "Active reference (information is extracted every time the active file is set). Last "
     "modification time (irrelevant for directories): "},
    {3,
     5,
     "Active reference (information is extracted every time the active file is set). Command "
     "line parameters: "},
    {3,
     6,
     "Active reference (information is extracted every time the active file is set). Working "
     "directory: "}};

MyTPanel *InfoField(TMainForm &form, TInfoField field)
{
    const TInfoFieldRow &row = InfoFieldRows[field];
    const std::vector<MyTPanel *> &fields = form.InfoFields[row.Bar];
    return row.Field < static_cast<int>(fields.size()) ? fields[static_cast<std::size_t>(row.Field)]
                                                       : nullptr;
}

// Sets the field's text; its hint is the fixed hint followed by the text.
void SetInfoField(TMainForm &form, TInfoField field, const std::string &text)
{
    MyTPanel *panel = InfoField(form, field);
    if (!panel) return;
    panel->SetCaptions(text, text);
    panel->Hint = InfoFieldRows[field].Hint + text;
}

// Runs one group of information fields; its failure is dropped so that the others still fill.
template <class TBody> void InfoGroup(TBody &&body)
{
    {
        TFunScope Fun(ThisUnit, "TColumn::ShowInfo");
        Fun.Run(body);
    }
    FunStatContext.Reset(fsPerfect);
}

// The text of a read that may fail: "?" after a failure, which is dropped.
template <class TRead> std::string TextOrUnknown(TRead &&read)
{
    FunStatContext.Reset(fsPerfect);
    std::string text = read();
    const bool failed = FunStatContext.IsError();
    FunStatContext.Reset(fsPerfect);
    return failed ? "?" : text;
}

std::string FileSizeTextOf(std::uint64_t size)
{
    return FileSizeText(6, 0, size);
}

// Main stream size and, in parentheses, the size of all named streams.
std::string StreamSizesText(const std::string &title, std::uint64_t mainSize)
{
    return FileSizeTextOf(mainSize) + " (" +
           TextOrUnknown([&] { return FileSizeTextOf(GetFileStreamsSize(title)); }) + ")";
}

std::string LettersOrNone(const std::string &letters)
{
    return letters.empty() ? "none" : letters;
}

std::string TextOrNone(const std::string &text)
{
    return text.empty() ? "none" : text;
}

// The title as the user reads it: a partition title without its leading ":".
std::string ShownTitle(const std::string &title)
{
    return IsDrivePath(title) ? title.substr(1) : title;
}

// The file a title's file facts are read from: a partition stands for its mount point.
std::string FileOfTitle(const std::string &title)
{
    return IsDrivePath(title) ? IncludeTrailingBackslash(title.substr(1)) : title;
}

bool IsSymbolicLink(const std::string &path)
{
    Platform::TLinkEntryFacts facts;
    return Platform::LinkEntryFacts(path, false, facts) && facts.IsSymbolicLink;
}

// The kind letter of a link target: D, L, P, T or G, in the order of the column's kinds.
std::string TargetKindLetter(const TLinkFile &record)
{
    const std::string &target = record.reference;
    if (ReferenceIsDirectory(record)) return "D";
    const std::string extension = ExtractExtension(target);
    if (DocumentFileExtensions.Has(extension)) return "T";
    if (ProgramFileExtensions.Has(extension)) return "P";
    if (IsSymbolicLink(target) || IsShortcut(target)) return "L";
    if (IsExecutableFile(target)) return "P";
    return "G";
}

std::string DescriptionOf(const std::string &title)
{
    const std::string text = GetFileDescription(title, DescriptionBytes);
    FunStatContext.Reset(fsPerfect); // most files have none
    return FirstCharacters(text, DescriptionCharacters);
}

// ---- Painting ---------------------------------------------------------------------------------

// The item's part of the main window's prepared background when the window shows a back
// picture through its lists, else the window colour.
void PaintItemBackground(QPainter &painter, const MyTPanel &list, const QRect &item)
{
    painter.fillRect(QRect(QPoint(0, 0), item.size()), ColorOf(SkinOptions.WindowBackColor));
    const QImage *picture = GMyPanelOptions.BackPicture;
    if (!picture || picture->isNull() || SkinOptions.WindowBackTranslucency <= 0) return;
    const QWidget *window = list.window();
    for (const TSharedBackground &background : GMyPanelOptions.SharedBackgrounds) {
        if (background.Window != window || background.Image.isNull()) continue;
        const QPoint at = list.mapTo(window, item.topLeft());
        const QRect available = QRect(at, item.size()).intersected(background.Image.rect());
        if (!available.isEmpty())
            painter.drawImage(available.topLeft() - at, background.Image, available);
        return;
    }
}

// The type field from x = 1 to typeWidth: a rounded box with the type text, or an ellipse.
void PaintTypeField(
    QPainter &painter, const TItemLook &look, int kind, int typeWidth, int lineHeight)
{
    const TKindColors &colors = KindColors(kind);
    const QColor back = ColorOf(SkinOptions.*colors.Back);
    const QRect field = Edges(1, 0, typeWidth, lineHeight);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(back);
    painter.setBrush(back);
    if (look.TypeTextShown) {
        painter.drawRoundedRect(QRectF(field).adjusted(0.5, 0.5, -0.5, -0.5), 5, 5);
        const int margin = ProgramOptions.ItemsExtraHeight / 2;
        const QRect inner = Edges(1 + 4, margin, typeWidth - 4, lineHeight - margin);
        painter.setPen(ColorOf(SkinOptions.*colors.Text));
        painter.drawText(inner,
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                         QString::fromStdString(look.TypeText));
    } else {
        painter.drawEllipse(
            QRectF(Edges(3, 2, typeWidth - 2, lineHeight - 2)).adjusted(0.5, 0.5, -0.5, -0.5));
    }
    painter.restore();
}

// Hot-tracking bookkeeping: an item painted under the mouse that the mouse did not reach through
// the main window becomes its hot item, and no hover window opens for it until the mouse moves
// to another item.
void RecordHotItem(TMainForm &form, const TColumnItem &self, bool hot)
{
    const bool hover = ProgramOptions.FileHoverActive;
    if (hot) {
        if (form.HotItemPainted) return;
        if (form.HotItem != self) {
            form.HotItem = self;
            if (hover) form.HoverItem = self;
            form.ItemHoverWatch.Start();
        }
        form.HotItemPainted = true;
        return;
    }
    if (form.HotItem != self) return;
    form.HotItemPainted = false;
    if (!hover) return;
    if (form.OnCloseFileHover)
        form.OnCloseFileHover();
    else
        form.HoverItem = form.HotItem;
}

// The face of a framed state over the name area, inset by 4 pixels; returns the text colour.
TColor PaintNameFrame(QPainter &painter, TItemState state, const QRect &nameArea)
{
    const TSkinOptions &s = SkinOptions;
    if (state == isPlain) return s.WindowTextColor;
    const TStateColors &colors = StateColorRows[state];
    const QRect face = nameArea.adjusted(4, 4, -4, -4);
    PaintButtonFX(painter,
                  face.left(),
                  face.top(),
                  false,
                  false,
                  s.NonOvalButtonsStyle,
                  MyTPanel::ShapeRectangle,
                  s.*colors.BackTranslucency,
                  s.*colors.MarginTranslucency,
                  s.*colors.Tint,
                  s.*colors.Back,
                  s.*colors.Margin,
                  s.*colors.BriskMargin,
                  face.height() - 1,
                  face.width() - 1);
    return s.*colors.Text;
}

// The name text on one line, clipped, in the look's style; a container's long paths lose their
// middle. The painter's font is left without style.
void PaintNameText(QPainter &painter,
                   QFont font,
                   const TItemLook &look,
                   TColor color,
                   const QRect &nameArea,
                   bool container)
{
    const int margin = ProgramOptions.ItemsExtraHeight / 2;
    const QRect rect = nameArea.adjusted(4, margin, -4, -margin);
    font.setBold(look.Bold);
    font.setItalic(look.Italic);
    font.setUnderline(look.Underline);
    font.setStrikeOut(look.StrikeOut);
    painter.setFont(font);
    painter.setPen(ColorOf(color));
    QString name = QString::fromStdString(look.NameText);
    if (container) name = painter.fontMetrics().elidedText(name, Qt::ElideMiddle, rect.width());
    painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, name);
    font.setBold(false);
    font.setItalic(false);
    font.setUnderline(false);
    font.setStrikeOut(false);
    painter.setFont(font);
}

// Under the name line of an item of the size: the thumbnail area, its picture and caption.
QRect ThumbnailAreaRect(const QSize &item, int lineHeight)
{
    return Edges(1, lineHeight + 1, item.width() - 1, item.height() - 1);
}

QRect ThumbnailPictureRect(const QSize &item, int lineHeight)
{
    return Edges(1, 2 * (lineHeight + 1), item.width() - 1, item.height() - 1);
}

QRect ThumbnailCaptionRect(const QSize &item, int lineHeight)
{
    const int margin = ProgramOptions.ItemsExtraHeight / 2;
    return Edges(
        1 + 4, lineHeight + 1 + margin, item.width() - 1 - 4, 2 * (lineHeight + 1) - margin);
}

// The selection behind a selected item's thumbnail, and the thumbnail text colour.
void PaintThumbnailArea(QPainter &painter, const QSize &item, int lineHeight, bool selected)
{
    const TSkinOptions &s = SkinOptions;
    const QRect area = ThumbnailAreaRect(item, lineHeight);
    if (selected && !ThumbnailPictureRect(item, lineHeight).isEmpty()) {
        if (ProgramOptions.TranslucentThumbnailSelection)
            PaintTranslucentRect(painter,
                                 area.left(),
                                 area.top(),
                                 s.WindowSelectionBackTranslucency,
                                 s.SelectionBackColor,
                                 area.height(),
                                 area.width());
        else
            painter.fillRect(area, ColorOf(s.SelectionBackColor));
    }
    painter.setPen(ColorOf(s.ThumbTextColor));
}

} // namespace

// ---- Item looks ---------------------------------------------------------------------------------

int TypeFieldWidth(int lineHeight, bool forHitTest)
{
    const TProgramOptions &o = ProgramOptions;
    if (o.ShowFileType) {
        const int percent = !o.ShowExtInType ? std::min(o.FileTypeWidth, 100) : o.FileTypeWidth;
        return (lineHeight + 1) * percent / 100;
    }
    if (forHitTest && o.SimulateFileType) return (lineHeight + 1) * o.SimulateFileTypeWidth / 100;
    return 0;
}

TItemLook
ItemLook(const TFileListData &item, bool empty, int typeFieldWidth, bool fullTitle, bool hot)
{
    TItemLook look;
    const int kind = empty ? static_cast<int>(ikGeneric) : item.Kind;
    const std::string extension = ExtractExtension(item.Title);
    look.TypeTextShown = typeFieldWidth > 0 && ProgramOptions.ShowExtInType;
    if (look.TypeTextShown && !empty)
        look.TypeText = kind == ikDirectory ? DirectoryMark : AsciiLowerCase(extension);

    std::string name = fullTitle ? item.Title : ExtractName(item.Title);
    if (IsDrivePath(name)) name.erase(0, 1);
    // The extension is shown in the type field instead.
    if (!look.TypeText.empty() && kind != ikDirectory && name.size() >= extension.size() &&
        name.compare(name.size() - extension.size(), extension.size(), extension) == 0)
        name.resize(name.size() - extension.size());
    if (item.Rank > 1) name = std::to_string(item.Rank) + " - " + name;
    name += GetPartitionSuffix(item.Title);
    if (typeFieldWidth < 1 && kind == ikDirectory) name = DirectoryMark + name;
    look.NameText = std::move(name);

    look.Bold = look.Italic = item.Selected;
    look.StrikeOut = !item.Exists;
    if (hot && ProgramOptions.HotTrackColumnItems) {
        if (ProgramOptions.UnderlineHotTrackItems)
            look.Underline = true;
        else
            look.Bold = true;
    }
    return look;
}

int TColumn::GetTypeFieldWidth(bool forHitTest) const
{
    return TypeFieldWidth(FileList->TextHeight() + ProgramOptions.ItemsExtraHeight, forHitTest);
}

// ---- Drawing ----------------------------------------------------------------------------------

void TColumn::DrawAnItem(QPainter *canvas, int index, bool nameLineOnly, bool nameLineOnlyIfHot)
{
    const QRect item = FileList->ItemRect(index);
    if (index < FileList->TopIndex || index > FileList->LastVisibleIndex() || item.isEmpty())
        return;
    const bool hot = (ProgramOptions.HotTrackColumnItems || ProgramOptions.FileHoverActive) &&
                     index == FileList->ItemUnderMouse();
    const bool partial = (hot && nameLineOnlyIfHot) || nameLineOnly;
    const int lineHeight = FileList->TextHeight() + ProgramOptions.ItemsExtraHeight;
    const QRect nameLine(0, 0, item.width(), std::min(lineHeight, item.height()));
    if (!canvas) {
        // Only a paint event reaches the list's surface; it is clipped to what is invalidated.
        FileList->update(partial ? nameLine.translated(item.topLeft()) : item);
        return;
    }
    TFunScope Fun(ThisUnit, "TColumn::DrawAnItem");
    QImage bitmap(item.size(), QImage::Format_ARGB32_Premultiplied);
    {
        QPainter painter(&bitmap);
        Fun.Run([&] { PaintItemBitmap(painter, index, hot, partial, lineHeight); });
    }
    // Whatever was painted before a failure is shown all the same.
    canvas->drawImage(item.topLeft(), bitmap, partial ? nameLine : bitmap.rect());
}

void TColumn::PaintItemBitmap(QPainter &painter, int index, bool hot, bool partial, int lineHeight)
{
    const TFileListData *data = Item(index);
    if (!data) return;
    const QRect item = FileList->ItemRect(index);
    const int width = item.width();
    const int height = item.height();
    const int h = lineHeight;
    const bool empty = FileList->Empty;
    const bool focus = index == FileList->FocusIndex;
    const QColor grid = ColorOf(SkinOptions.GridColor);

    PaintItemBackground(painter, *FileList, item);
    QFont font = FileList->PanelFont();
    font.setStrikeOut(false);
    painter.setFont(font);
    const int kind = empty ? static_cast<int>(ikGeneric) : data->Kind;
    const int typeWidth = GetTypeFieldWidth(false);
    const TItemLook look =
        ItemLook(*data, empty, typeWidth, ContainerIndex >= 0 && ShowContainerPaths, hot);
    if (typeWidth > 0) PaintTypeField(painter, look, kind, typeWidth, h);

    const TItemState state = focus && FileList->hasFocus() ? isActiveFocus
                             : focus                       ? isInactiveFocus
                             : data->Selected && !empty    ? isSelected
                                                           : isPlain;
    if (state == isActiveFocus) SetActiveFocus();
    RecordHotItem(Form, TColumnItem{Index, index}, hot);
    const TColor text = PaintNameFrame(painter, state, Edges(typeWidth + 1, 0, width - 1, h));
    PaintNameText(
        painter, font, look, text, Edges(typeWidth + 1, 0, width - 1, h), ContainerIndex >= 0);

    if (ProgramOptions.ShowGrid) {
        painter.fillRect(QRect(0, height - 1, width, 1), grid);
        if (Subcolumns > 1 || typeWidth > 0)
            painter.fillRect(QRect(typeWidth, 0, 1, std::min(h + 1, height)), grid);
    }
    if (!partial) {
        const bool selected = data->Selected && !empty;
        PaintThumbnailArea(painter, item.size(), h, selected);
        if (Thumb && TotalSize > 0) {
            if (!empty && PaintThumbnail)
                PaintThumbnail(data->Title,
                               *FileList,
                               ThumbnailPictureRect(item.size(), h),
                               ThumbnailCaptionRect(item.size(), h),
                               painter,
                               data->Size,
                               data->Modified);
            painter.fillRect(QRect(0, height - 1, width, 1), grid);
        }
    }
    if (Subcolumns > 1) {
        painter.fillRect(QRect(0, 0, 1, height), grid);
        painter.fillRect(QRect(width - 1, 0, 1, height), grid);
    }
}

// ---- Information bars -------------------------------------------------------------------------

void TColumn::SetActiveFocus()
{
    SetInactiveFocus();
    SetProgramWorkingPath(FileOfTitle(ActiveTitle));
    ShowInfo();
}

void TColumn::ShowInfo()
{
    TFunScope Fun(ThisUnit, "TColumn::ShowInfo");
    Fun.Run([&] {
        for (std::size_t field = 0; field < std::size(InfoFieldRows); ++field) {
            MyTPanel *panel = InfoField(Form, static_cast<TInfoField>(field));
            if (!panel) continue;
            panel->SetCaptions({}, {});
            panel->Hint = InfoFieldRows[field].Hint;
        }
        InfoGroup([&] { ShowColumnCountsInfo(); });

        // Removable and network drives given as bare partition titles are never touched.
        if (IsDrivePath(ActiveTitle)) {
            const int type = GetPartitionType(ActiveTitle);
            FunStatContext.Reset(fsPerfect);
            if (type != ptFixed && type != ptCD && type != ptRAM) return;
        }
        if (!PartitionExists(ActiveTitle)) return;
        const std::string title = FileOfTitle(ActiveTitle);
        TFileInfo info;
        info.Load(title);
        const bool fileError = FunStatContext.IsError() || !info.exists;
        FunStatContext.Reset(fsPerfect);
        InfoGroup([&] { ShowPartitionInfo(); });
        std::string description;
        InfoGroup([&] {
            ShowFileInfo(title, info, fileError);
            description = DescriptionOf(title);
            SetDescriptionInfo(description, false);
        });
        if (ProgramOptions.ShowReferenceInfo || ProgramOptions.ShowFileDesc)
            InfoGroup([&] { ShowReferenceInfo(title, fileError, description.empty()); });
    });
}

void TColumn::ShowColumnCountsInfo()
{
    const int files = DirectoryCount + LinkCount + ProgramCount + DocumentCount + GenericCount;
    SetInfoField(Form, ifFiles, "Files " + std::to_string(files));
    if (MyTPanel *panel = InfoField(Form, ifFiles))
        panel->Hint += " (Directories " + std::to_string(DirectoryCount) + "; Links " +
                       std::to_string(LinkCount) + "; Programs " + std::to_string(ProgramCount) +
                       "; Documents " + std::to_string(DocumentCount) +
                       (ProgramOptions.ShowFilesGroup ? "; Generic " : "; Invisible ") +
                       std::to_string(GenericCount) + ")";
    SetInfoField(Form, ifEncrypted, "Encrypted " + std::to_string(EncryptedCount));
    SetInfoField(Form, ifSelectedCount, "SelNum " + std::to_string(SelectedCount));
    SetInfoField(
        Form, ifSelectedSize, "SelSz " + FileSizeTextOf(static_cast<std::uint64_t>(SelectedSize)));
    SetInfoField(
        Form, ifTotalSize, "TotalSz " + FileSizeTextOf(static_cast<std::uint64_t>(TotalSize)));
    SetInfoField(Form, ifFileTitle, "Title \"" + ShownTitle(ActiveTitle) + "\"");
}

void TColumn::ShowPartitionInfo()
{
    const std::int64_t free = GetPartitionFreeSize(ActiveTitle);
    if (FunStatContext.IsError()) return;
    const std::int64_t total = GetPartitionTotalSize(ActiveTitle);
    if (FunStatContext.IsError()) return;
    SetInfoField(Form,
                 ifPartitionSize,
                 "PartSz " + FileSizeText(3, 0, static_cast<std::uint64_t>(free)) + " (" +
                     FileSizeText(3, 0, static_cast<std::uint64_t>(total)) + ")");
    const std::string letters = FileSystemFlagsText(ActiveTitle);
    SetInfoField(Form, ifPartitionAttributes, "PartAttr " + LettersOrNone(letters));
}

void TColumn::ShowFileInfo(const std::string &title, const TFileInfo &info, bool fileError)
{
    SetInfoField(Form, ifIndex, "Index " + std::to_string(FileList->FocusIndex + 1));
    SetInfoField(Form, ifFileSize, "Sz " + (fileError ? "?" : StreamSizesText(title, info.size)));
    SetInfoField(Form,
                 ifFileAttributes,
                 "Attr " + (fileError ? "?" : LettersOrNone(AttributesText(info.attributes))));
    SetInfoField(Form, ifHardLinks, "HL " + TextOrUnknown([&] {
                                        return std::to_string(GetHardLinkCount(title));
                                    }));
    SetInfoField(Form, ifStreams, "SC " + TextOrUnknown([&] {
                                      return std::to_string(GetFileStreamsCount(title));
                                  }));
    SetInfoField(
        Form, ifFileModified, "Mod " + (fileError ? "?" : DateTimeText("; ", info.modified)));
}

void TColumn::ShowReferenceInfo(const std::string &title, bool fileError, bool withoutDescription)
{
    if (!IsSymbolicLink(title) && !IsShortcut(title)) {
        SetInfoField(Form, ifReferenceTitle, "Not a link");
        return;
    }
    TLinkFile record;
    if (!fileError) record.Load(title, false);
    if (fileError || FunStatContext.IsError()) {
        FunStatContext.Reset(fsPerfect);
        SetInfoField(Form, ifReferenceTitle, LinkErrorText);
        return;
    }
    std::string type = "?", attributes = "?", modified = "?", size = "?";
    if (record.referenceFound) {
        type = TargetKindLetter(record);
        attributes = LettersOrNone(AttributesText(record.referenceAttributes));
        modified = DateTimeText("; ", record.referenceModified);
        size = StreamSizesText(record.reference, record.referenceSize);
        if (withoutDescription) SetDescriptionInfo(DescriptionOf(record.reference), true);
    }
    SetInfoField(Form, ifReferenceType, "Type " + type);
    SetInfoField(Form, ifReferenceSize, "Sz " + size);
    SetInfoField(Form, ifReferenceAttributes, "Attr " + attributes);
    SetInfoField(Form, ifReferenceTitle, "Title \"" + record.reference + "\"");
    SetInfoField(Form, ifReferenceModified, "Mod " + modified);
    SetInfoField(Form, ifParameters, "Param " + TextOrNone(record.arguments));
    SetInfoField(Form, ifWorkingDirectory, "Work " + TextOrNone(record.workingDirectory));
}

void TColumn::SetDescriptionInfo(const std::string &text, bool isLinkTarget)
{
    TFunScope Fun(ThisUnit, "TColumn::SetDescriptionInfo");
    Fun.Run([&] {
        const std::string flat = SingleLineText(text);
        SetInfoField(Form, ifDescription, "Desc \"" + flat + "\"");
        MyTPanel *titleField = InfoField(Form, ifFileTitle);
        MyTPanel *descriptionField = InfoField(Form, ifDescription);
        if (flat.empty() || !titleField || !descriptionField) return;
        titleField->Hint += std::string(HintLineSeparator) + (isLinkTarget ? "LINK TARGET" : "") +
                            HintLineSeparator + descriptionField->Hint;
    });
}
