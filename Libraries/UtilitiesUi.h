// General helpers with a user interface: clipboard texts, numbers typed into boxes, combo box
// histories, tree paths, text drawing, menus filled with files, dropped files, window aids.
#pragma once

#include <QPoint>
#include <QRect>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QFont;
class QImage;
class QListWidget;
class QMenu;
class QString;
class QMimeData;
class QPainter;
class QTreeWidgetItem;
class QWidget;

// A colour as 0x00BBGGRR, and the value that stands for no colour at all.
using TColorRef = std::uint32_t;
constexpr TColorRef NoColorRef = 0x1FFFFFFFu;

// ---- Clipboard ------------------------------------------------------------------------------

// Puts the text on the clipboard (after the clipboard's old text when append is set) and
// beeps when asked; false only for an empty text.
// Warning shown: "There is no text to copy to clipboard."; a failure is shown with failMessage.
// Error: "The clipboard is not available."
bool CopyTextToClipboard(const std::string &text,
                         const std::string &failMessage = "Failed to copy text to clipboard.",
                         bool beep = false,
                         bool append = false);
// The clipboard's text; empty after a failure.
// Error: "The clipboard is not available.", shown as "Failed to get text from clipboard."
std::string CopyTextFromClipboard();
// Replaces the list by the files on the clipboard, one absolute path each: the local files of
// its URI list, or else the lines of its text that are absolute paths or file URLs.
// Error: "The clipboard is not available.", shown as "Failed to get text from clipboard."
void ClipboardFilesToList(std::vector<std::string> &list);

// ---- Numbers typed into boxes -----------------------------------------------------------------

// The integer typed into a combo box (its current text) or a line edit; an empty text gives
// the default. A text that is not a number or lies outside the limits shows the warning, moves
// the focus to the control, puts the default in it and gives the default; for a text that is
// not a number the conversion's failure stays the outcome.
// Warning shown: "Integer value outside limits.\nIt will be set to default.\n    * Minimum = ..."
std::int32_t GetIntFromComboBox(QWidget *control,
                                std::int32_t minimum,
                                std::int32_t maximum,
                                std::int32_t defaultValue);
// The same for a real with "." as decimal separator.
// Warning shown: "Real value outside limits.\nIt will be set to default.\n    * Minimum = ..."
// Error (a text that is not a number): "Unhandled exception: '<text>' is not a valid floating
// point value."
double GetRealFromComboBox(QWidget *control, double defaultValue, double maximum, double minimum);

// ---- Combo boxes, trees and lists -----------------------------------------------------------

// Selects the item equal to the text (an empty text means the fallback), else the item equal
// to the fallback, else the first item.
void SelectComboItem(QComboBox *comboBox, const std::string &text, const std::string &fallback);
// Puts the text at the top of the box's items (moving it when it is already further down),
// leaving the edit text as it was; an empty text or the first item changes nothing.
void AddComboHistory(QComboBox *comboBox, const std::string &text);
// The same with the box's own current text.
void AddComboHistory(QComboBox *comboBox);
// The texts from root (or the top-level item when root is not an ancestor) down to the node,
// each followed by "/" unless it already ends with one ("/", "home" give "/home/"); empty for
// no node.
std::string TreeNodePath(const QTreeWidgetItem *node, const QTreeWidgetItem *root);
// Deselects and reselects the current item so that its selection is painted again.
void RefreshListBoxSelection(QListWidget *listBox);
// Selects the item at the point of the list's viewport and returns its row; without an item
// there the selection is refreshed and the result is -1.
int SelectListBoxItemAt(QListWidget *listBox, int x, int y);

// ---- Windows and controls -------------------------------------------------------------------

// Restores the window from minimized or maximized, shows it, raises it and activates it.
void ShowNormal(QWidget *form);
// Gives the keyboard focus to the control.
void FocusControl(QWidget *control);
// True when the widget under the mouse cursor is the control or one of its children.
bool IsMouseOver(const QWidget *control);
// True when the widget under the screen point is the control or one of its children.
bool IsPointOver(QPoint screenPoint, const QWidget *control);

// ---- Text drawing and pictures ----------------------------------------------------------------

// The character height of the font.
int GetFontHeight(const QFont &font);
// Draws the text in the rectangle with the painter's font and pen; measures it instead when
// width or height is given (both set, nothing drawn). Unless transparent the rectangle is
// first filled with the painter's brush; with shadow the text is drawn at the offsets in the
// shadow colour and then in the text colour instead of the pen's. Format holds
// Qt::Alignment and Qt::TextFlag bits, 0 meaning a single line; a horizontal centring is
// dropped for a text wider than the rectangle, a vertical centring narrows the rectangle.
void DrawTextInRect(const std::string &text,
                    QPainter &canvas,
                    bool transparent,
                    TColorRef shadowColor,
                    TColorRef textColor,
                    int shadowOffsetY,
                    int shadowOffsetX,
                    bool withShadow,
                    int *width,
                    int *height,
                    bool verticalCenter,
                    bool horizontalCenter,
                    int format,
                    QRect rect);
// Draws the one-pixel outline from (x - 1, y - 1) to (x + width, y + height); nothing for
// NoColorRef.
void DrawFrame(QPainter &canvas, int x, int y, TColorRef color, int height, int width);
// Copies rows of width 32-bit pixels (top row first, no padding) into the bitmap, as far as
// it reaches. Throws std::runtime_error: "Invalid bitmap pixel format (not 32 bit)."
void CopyPixelsToBitmap(const std::uint8_t *pixels, QImage &bitmap, int width, int height);

// ---- Menus filled with files ------------------------------------------------------------------

// The tag of a menu item (QAction::data): 1 for a directory's sub-menu, 0 for a file.
constexpr int DirectoryMenuTag = 1;
constexpr int FileMenuTag = 0;
// The property of a file item that holds the file's full path (a QString).
constexpr const char *MenuFilePathProperty = "velmordianFilePath";

// A caption as a menu item shows it: an ampersand is a character, not a mnemonic mark.
QString MenuCaptionText(const std::string &caption);

// Adds the directory's files that match the filter to the menu, sub-directories as sub-menus
// first, each group sorted without regard to case; at most 30 items a level, hidden entries
// and directories without matching files left out. A click calls onClick with the file's path.
// Captions lose the extension when hideExtension, checkFiles or checkLinks is set; the last two
// leave out entries that do not exist (for a symbolic link: whose target does not exist).
// Error: "Invalid file name filter."; "Can not find first item.", "Can not find next item."
// (the directory; the system error code)
void LoadMenuWithFiles(QMenu *menu,
                       const std::string &directory,
                       const std::string &filter,
                       std::function<void(const std::string &path)> onClick,
                       const std::string &hint,
                       bool hideExtension,
                       bool checkFiles,
                       bool checkLinks);
// The index at which the caption keeps the menu's items sorted (directories first when asked).
int MenuInsertIndex(const std::string &caption,
                    const QMenu *menu,
                    bool isDirectory,
                    bool directoriesFirst);
// The first item with the tag that is not a separator, or null.
QAction *FindMenuItemByTag(const QMenu *menu, int tag);
// The full path of a file item of a menu filled with files; empty for other items.
std::string MenuItemFilePath(const QAction *item);

// ---- Dropped files and hashing ------------------------------------------------------------------

// Replaces the list by the local files of a drop (its URI list), in the order given.
void DroppedFilesToList(const QMimeData *data, std::vector<std::string> &list);
// The number of local files of a drop.
int DroppedFilesCount(const QMimeData *data);
// Replaces the text of a line edit, plain text edit or text edit by the digest of its text
// hashed iterations times, as 40 upper-case hexadecimal digits; the typed text is overwritten
// before it goes. Warning shown: "There is no text to hash."; error shown: "Unknown hash
// algorithm."
void HashControlText(QWidget *control, const std::string &algorithm, int iterations);
