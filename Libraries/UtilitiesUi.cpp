// General helpers with a user interface: clipboard, typed numbers, combo boxes, trees, lists,
// text drawing, menus filled with files, dropped files and text hashing.
#include "Libraries/UtilitiesUi.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/Utilities.h"
#include "platform/FileHandle.h"
#include "platform/MessageBoxes.h"
#include "platform/System.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QComboBox>
#include <QCursor>
#include <QFontMetrics>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QTextEdit>
#include <QTreeWidgetItem>
#include <QUrl>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <utility>

namespace {

constexpr const char *ThisUnit = "Utilities";
constexpr int MaximumMenuLevelItems = 30;
constexpr Qt::MatchFlags ExactMatch = Qt::MatchExactly | Qt::MatchCaseSensitive;
const char *const NoClipboardText = "The clipboard is not available.";

QString Q(const std::string &text)
{
    return QString::fromStdString(text);
}

QColor ColorOfRef(TColorRef color)
{
    return QColor(static_cast<int>(color & 0xFFu),
                  static_cast<int>((color >> 8) & 0xFFu),
                  static_cast<int>((color >> 16) & 0xFFu));
}

// The text of the controls that hold one: combo boxes, line edits and the two text edits.
QString ControlText(const QWidget *control)
{
    if (const auto *combo = qobject_cast<const QComboBox *>(control)) return combo->currentText();
    if (const auto *edit = qobject_cast<const QLineEdit *>(control)) return edit->text();
    if (const auto *plain = qobject_cast<const QPlainTextEdit *>(control))
        return plain->toPlainText();
    if (const auto *rich = qobject_cast<const QTextEdit *>(control)) return rich->toPlainText();
    return {};
}

void SetControlText(QWidget *control, const QString &text)
{
    if (auto *combo = qobject_cast<QComboBox *>(control)) {
        combo->setCurrentText(text);
    } else if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        edit->setText(text);
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(control)) {
        plain->setPlainText(text);
    } else if (auto *rich = qobject_cast<QTextEdit *>(control)) {
        rich->setPlainText(text);
    }
}

// A typed number that cannot stand: the user is told, and the box gets the default.
void RejectTypedNumber(QWidget *control, const std::string &warning, const QString &defaultText)
{
    ShowWarningMessage(warning);
    FocusControl(control);
    SetControlText(control, defaultText);
}

QClipboard *ClipboardOrRaise(TFunScope &fun)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard) fun.Raise(NoClipboardText);
    return clipboard;
}

void Beep()
{
    if (MessageBoxes) {
        MessageBoxes->Beep(0);
    } else {
        QApplication::beep();
    }
}

// A file's title: no trailing delimiter, except for the root "/" itself.
std::string FileTitle(std::string path)
{
    while (path.size() > 1 && path.back() == PathDelimiter) path.pop_back();
    return path;
}

void AddLocalFile(const QUrl &url, std::vector<std::string> &list)
{
    if (!url.isLocalFile()) return;
    const std::string path = url.toLocalFile().toStdString();
    if (!path.empty()) list.push_back(FileTitle(path));
}

std::vector<std::string> LocalFilesOf(const QMimeData *data)
{
    std::vector<std::string> files;
    if (!data || !data->hasUrls()) return files;
    for (const QUrl &url : data->urls())
        AddLocalFile(url, files);
    return files;
}

// The absolute paths and file URLs among the lines of a text.
std::vector<std::string> PathLinesOf(const QString &text)
{
    std::vector<std::string> files;
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        if (line.startsWith(QStringLiteral("file://"))) {
            AddLocalFile(QUrl(line), files);
        } else if (line.startsWith(QLatin1Char('/'))) {
            files.push_back(FileTitle(line.toStdString()));
        }
    }
    return files;
}

// A menu caption as shown: "&&" is one "&", a single "&" marks the mnemonic and is dropped.
QString ShownCaption(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
        shown += text[i];
    }
    return shown;
}

QString MenuCaptionText(const QString &caption)
{
    QString text = caption;
    return text.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

// Without regard to case; texts that differ only in case keep one order by their code units.
int CompareCaptions(const QString &a, const QString &b)
{
    const int blind = a.compare(b, Qt::CaseInsensitive);
    return blind != 0 ? blind : a.compare(b, Qt::CaseSensitive);
}

int ItemTag(const QAction *item)
{
    return item->data().toInt();
}

std::string NameWithoutExtension(const std::string &name)
{
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool IsSymbolicLink(const std::string &path)
{
    std::error_code ignored;
    return std::filesystem::is_symlink(std::filesystem::symlink_status(path, ignored));
}

// The directory's names in the order a menu level takes them: without regard to case.
void SortNamesForMenu(std::vector<std::string> &names)
{
    std::vector<std::pair<QString, std::string>> keyed;
    keyed.reserve(names.size());
    for (std::string &name : names)
        keyed.emplace_back(Q(name), std::move(name));
    std::sort(keyed.begin(), keyed.end(), [](const auto &a, const auto &b) {
        return CompareCaptions(a.first, b.first) < 0;
    });
    names.clear();
    for (auto &entry : keyed)
        names.push_back(std::move(entry.second));
}

QAction *ActionAt(const QMenu *menu, int index)
{
    const QList<QAction *> items = menu->actions();
    return index < items.size() ? items[index] : nullptr;
}

struct TMenuFill
{
    const std::string &Filter;
    const std::function<void(const std::string &)> &OnClick;
    const std::string &Hint;
    bool HideExtension, CheckFiles, CheckLinks;
};

void AddFileItem(QMenu *menu,
                 const std::string &name,
                 const std::string &path,
                 const TMenuFill &fill)
{
    const bool plainName = !fill.HideExtension && !fill.CheckFiles && !fill.CheckLinks;
    const std::string caption = plainName ? name : NameWithoutExtension(name);
    auto *item = new QAction(MenuCaptionText(Q(caption)), menu);
    item->setData(FileMenuTag);
    item->setStatusTip(Q(fill.Hint));
    item->setProperty(MenuFilePathProperty, Q(path));
    QObject::connect(item, &QAction::triggered, item, [onClick = fill.OnClick, path] {
        if (onClick) onClick(path);
    });
    menu->insertAction(ActionAt(menu, MenuInsertIndex(caption, menu, false, true)), item);
}

// Fills a sub-menu with the directory; it stays only when something was added to it. True
// when it stays.
bool AddDirectoryItem(QMenu *menu,
                      const std::string &name,
                      const std::string &path,
                      const TMenuFill &fill)
{
    auto *subMenu = new QMenu(MenuCaptionText(Q(name)), menu);
    LoadMenuWithFiles(subMenu,
                      path,
                      fill.Filter,
                      fill.OnClick,
                      fill.Hint,
                      fill.HideExtension,
                      fill.CheckFiles,
                      fill.CheckLinks);
    if (subMenu->isEmpty()) {
        delete subMenu;
        return false;
    }
    QAction *item =
        menu->insertMenu(ActionAt(menu, MenuInsertIndex(name, menu, true, true)), subMenu);
    item->setData(DirectoryMenuTag);
    item->setProperty(MenuFilePathProperty, Q(path));
    return true;
}

} // namespace

QString MenuCaptionText(const std::string &caption)
{
    return MenuCaptionText(Q(caption));
}

// ---- Clipboard ------------------------------------------------------------------------------

bool CopyTextToClipboard(const std::string &text,
                         const std::string &failMessage,
                         bool beep,
                         bool append)
{
    TFunScope Fun(ThisUnit, "CopyTextToClipboard");
    if (text.empty()) {
        ShowWarningMessage("There is no text to copy to clipboard.");
        return false;
    }
    Fun.Run([&] {
        QClipboard *clipboard = ClipboardOrRaise(Fun);
        if (!clipboard) return;
        clipboard->setText(append ? clipboard->text() + Q(text) : Q(text));
        if (beep) Beep();
    });
    Fun.ShowIfFailed(failMessage);
    return true;
}

std::string CopyTextFromClipboard()
{
    TFunScope Fun(ThisUnit, "CopyTextFromClipboard");
    std::string text;
    Fun.Run([&] {
        const QClipboard *clipboard = ClipboardOrRaise(Fun);
        if (clipboard) text = clipboard->text().toStdString();
    });
    Fun.ShowIfFailed("Failed to get text from clipboard.");
    return text;
}

void ClipboardFilesToList(std::vector<std::string> &list)
{
    TFunScope Fun(ThisUnit, "ClipboardFilesToList");
    list.clear();
    Fun.Run([&] {
        const QClipboard *clipboard = ClipboardOrRaise(Fun);
        if (!clipboard) return;
        const QMimeData *data = clipboard->mimeData();
        list = LocalFilesOf(data);
        if (list.empty() && data) list = PathLinesOf(data->text());
    });
    Fun.ShowIfFailed("Failed to get text from clipboard.");
}

// ---- Numbers typed into boxes -----------------------------------------------------------------

std::int32_t GetIntFromComboBox(QWidget *control,
                                std::int32_t minimum,
                                std::int32_t maximum,
                                std::int32_t defaultValue)
{
    TFunScope Fun(ThisUnit, "GetIntFromComboBox");
    std::int32_t value = defaultValue;
    Fun.Run([&] {
        const std::string text = ControlText(control).toStdString();
        if (text.empty()) return;
        if (CheckIntFromText(text, minimum, maximum, value, defaultValue)) return;
        Fun.CalleeFailed();
        value = defaultValue;
        RejectTypedNumber(control,
                          IntegerLimitsWarning(minimum, maximum, defaultValue),
                          QString::number(defaultValue));
    });
    return value;
}

double GetRealFromComboBox(QWidget *control, double defaultValue, double maximum, double minimum)
{
    TFunScope Fun(ThisUnit, "GetRealFromComboBox");
    double value = defaultValue;
    Fun.Run([&] {
        const std::string text = ControlText(control).toStdString();
        if (text.empty()) return;
        bool invalid = false;
        value = GetRealFromText(text, invalid, defaultValue, maximum, minimum);
        const bool conversionFailed = Fun.CalleeFailed();
        if (!invalid && !conversionFailed) return;
        if (!conversionFailed) {
            // Outside the limits, or no number at all: only the latter is a failure.
            bool notNumber = false;
            GetRealFromText(text, notNumber);
            if (!Fun.CalleeFailed() && notNumber)
                Fun.Raise("Unhandled exception: '" + text +
                          "' is not a valid floating point value.");
        }
        value = defaultValue;
        RejectTypedNumber(control,
                          RealLimitsWarning(minimum, maximum, defaultValue),
                          QString::number(defaultValue, 'g', 15));
    });
    return value;
}

// ---- Combo boxes, trees and lists -----------------------------------------------------------

void SelectComboItem(QComboBox *comboBox, const std::string &text, const std::string &fallback)
{
    if (!comboBox) return;
    int index = comboBox->findText(Q(text.empty() ? fallback : text), ExactMatch);
    if (index < 0) index = comboBox->findText(Q(fallback), ExactMatch);
    if (index < 0 && comboBox->count() > 0) index = 0;
    comboBox->setCurrentIndex(index);
}

void AddComboHistory(QComboBox *comboBox, const std::string &text)
{
    if (!comboBox || text.empty()) return;
    const QString item = Q(text);
    const int index = comboBox->findText(item, ExactMatch);
    if (index == 0) return;
    const QString editText = comboBox->currentText();
    // The box shows the same text afterwards, so its handlers hear nothing of the reordering.
    const QSignalBlocker blocker(comboBox);
    if (index > 0) comboBox->removeItem(index);
    comboBox->insertItem(0, item);
    comboBox->setCurrentIndex(comboBox->findText(editText, ExactMatch));
    if (comboBox->isEditable()) comboBox->setEditText(editText);
}

void AddComboHistory(QComboBox *comboBox)
{
    if (comboBox) AddComboHistory(comboBox, comboBox->currentText().toStdString());
}

std::string TreeNodePath(const QTreeWidgetItem *node, const QTreeWidgetItem *root)
{
    std::vector<const QTreeWidgetItem *> chain;
    for (const QTreeWidgetItem *item = node; item; item = item->parent()) {
        chain.push_back(item);
        if (item == root) break;
    }
    std::string path;
    for (auto item = chain.rbegin(); item != chain.rend(); ++item)
        path = IncludeTrailingBackslash(path + (*item)->text(0).toStdString());
    return path;
}

void RefreshListBoxSelection(QListWidget *listBox)
{
    if (!listBox) return;
    if (QListWidgetItem *item = listBox->currentItem()) {
        item->setSelected(false);
        item->setSelected(true);
    }
    listBox->viewport()->update();
}

int SelectListBoxItemAt(QListWidget *listBox, int x, int y)
{
    if (!listBox) return -1;
    QListWidgetItem *item = listBox->itemAt(x, y);
    if (!item) {
        RefreshListBoxSelection(listBox);
        return -1;
    }
    const int row = listBox->row(item);
    listBox->setCurrentRow(row);
    return row;
}

// ---- Windows and controls -------------------------------------------------------------------

void ShowNormal(QWidget *form)
{
    if (!form) return;
    form->showNormal();
    form->raise();
    form->activateWindow();
}

void FocusControl(QWidget *control)
{
    if (control) control->setFocus(Qt::OtherFocusReason);
}

bool IsMouseOver(const QWidget *control)
{
    return IsPointOver(QCursor::pos(), control);
}

bool IsPointOver(QPoint screenPoint, const QWidget *control)
{
    if (!control) return false;
    // Qt reports the innermost child (a list's viewport, a combo box's line edit).
    for (const QWidget *under = QApplication::widgetAt(screenPoint); under;
         under = under->parentWidget()) {
        if (under == control) return true;
        if (under->isWindow()) break;
    }
    return false;
}

// ---- Text drawing and pictures ----------------------------------------------------------------

int GetFontHeight(const QFont &font)
{
    return QFontMetrics(font).height();
}

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
                    QRect rect)
{
    if (width) *width = 0;
    if (height) *height = 0;
    if (text.empty()) return;
    const bool measuring = width || height;
    const QString value = Q(text);
    int flags = format == 0 ? static_cast<int>(Qt::TextSingleLine) : format;
    if (horizontalCenter) flags |= Qt::AlignHCenter;
    if (verticalCenter) flags |= Qt::AlignVCenter;
    const bool centring = horizontalCenter || verticalCenter;
    const QRect extent =
        measuring || centring ? canvas.fontMetrics().boundingRect(rect, flags, value) : QRect();
    if (measuring) {
        if (width) *width = extent.width();
        if (height) *height = extent.height();
        return;
    }
    canvas.save();
    if (!transparent) canvas.fillRect(rect, canvas.brush());
    if (horizontalCenter && extent.width() > rect.width())
        flags &= ~static_cast<int>(Qt::AlignHCenter);
    if (verticalCenter && extent.height() < rect.height()) {
        const int margin = (rect.height() - extent.height()) / 2;
        rect.adjust(0, margin, 0, -margin);
    }
    canvas.setBackgroundMode(Qt::TransparentMode);
    if (withShadow) {
        canvas.setPen(ColorOfRef(shadowColor));
        canvas.drawText(rect.translated(shadowOffsetX, shadowOffsetY), flags, value);
        canvas.setPen(ColorOfRef(textColor));
    }
    canvas.drawText(rect, flags, value);
    canvas.restore();
}

void DrawFrame(QPainter &canvas, int x, int y, TColorRef color, int height, int width)
{
    if (color == NoColorRef) return;
    const QColor pen = ColorOfRef(color);
    const int outerWidth = width + 2;
    const int outerHeight = height + 2;
    canvas.fillRect(x - 1, y - 1, outerWidth, 1, pen);
    canvas.fillRect(x - 1, y + height, outerWidth, 1, pen);
    canvas.fillRect(x - 1, y - 1, 1, outerHeight, pen);
    canvas.fillRect(x + width, y - 1, 1, outerHeight, pen);
}

void CopyPixelsToBitmap(const std::uint8_t *pixels, QImage &bitmap, int width, int height)
{
    if (bitmap.depth() != 32) throw std::runtime_error("Invalid bitmap pixel format (not 32 bit).");
    if (!pixels || width <= 0 || height <= 0) return;
    const int rows = std::min(height, bitmap.height());
    const auto rowBytes = static_cast<std::size_t>(width) * 4;
    const auto copiedBytes = static_cast<std::size_t>(std::min(width, bitmap.width())) * 4;
    for (int row = 0; row < rows; ++row)
        std::memcpy(
            bitmap.scanLine(row), pixels + static_cast<std::size_t>(row) * rowBytes, copiedBytes);
}

// ---- Menus filled with files ------------------------------------------------------------------

void LoadMenuWithFiles(QMenu *menu,
                       const std::string &directory,
                       const std::string &filter,
                       std::function<void(const std::string &path)> onClick,
                       const std::string &hint,
                       bool hideExtension,
                       bool checkFiles,
                       bool checkLinks)
{
    TFunScope Fun(ThisUnit, "LoadMenuWithFiles");
    Fun.Run([&] {
        if (filter.find_first_of("<>|\":\\/") != std::string::npos) {
            Fun.Raise("Invalid file name filter.");
            return;
        }
        if (!menu) return;
        const std::string pattern = filter.empty() ? std::string("*") : filter;
        std::vector<std::string> names;
        if (!Platform::ListDirectoryNames(directory, names)) {
            const int code = Platform::LastErrorCode();
            if (IsEndOfSearch(code)) return;
            // The listing reads the whole directory: names read before the failure mean that
            // it failed on a following entry.
            Fun.Raise(names.empty() ? "Can not find first item." : "Can not find next item.",
                      directory,
                      {},
                      code);
            return;
        }
        SortNamesForMenu(names);
        const TMenuFill fill{pattern, onClick, hint, hideExtension, checkFiles, checkLinks};
        const std::string base = IncludeTrailingBackslash(directory);
        int added = 0;
        for (const std::string &name : names) {
            if (added >= MaximumMenuLevelItems) break;
            if (name.empty() || name.front() == '.') continue;
            const std::string path = base + name;
            // A linked directory is offered as an item of its own, never entered.
            if (Platform::DirectoryExists(path) && !IsSymbolicLink(path)) {
                if (AddDirectoryItem(menu, name, path, fill)) ++added;
                if (Fun.CalleeFailed()) return;
                continue;
            }
            if (!MatchesFilter(name, pattern)) continue;
            const bool exists = Platform::FileExists(path) || Platform::DirectoryExists(path);
            if ((checkFiles || checkLinks) && !exists) continue;
            AddFileItem(menu, name, path, fill);
            ++added;
        }
    });
}

int MenuInsertIndex(const std::string &caption,
                    const QMenu *menu,
                    bool isDirectory,
                    bool directoriesFirst)
{
    if (!menu) return 0;
    const QList<QAction *> items = menu->actions();
    const int count = static_cast<int>(items.size());
    int first = 0;
    int last = count;
    if (directoriesFirst) {
        int directories = 0;
        while (directories < count && ItemTag(items[directories]) != 0)
            ++directories;
        if (isDirectory) {
            last = directories;
        } else {
            first = directories;
        }
    }
    const QString text = Q(caption);
    for (int index = first; index < last; ++index)
        if (CompareCaptions(ShownCaption(items[index]->text()), text) > 0) return index;
    return last;
}

QAction *FindMenuItemByTag(const QMenu *menu, int tag)
{
    if (!menu) return nullptr;
    for (QAction *item : menu->actions())
        if (!item->isSeparator() && ItemTag(item) == tag) return item;
    return nullptr;
}

std::string MenuItemFilePath(const QAction *item)
{
    return item ? item->property(MenuFilePathProperty).toString().toStdString() : std::string();
}

// ---- Dropped files and hashing ------------------------------------------------------------------

void DroppedFilesToList(const QMimeData *data, std::vector<std::string> &list)
{
    list = LocalFilesOf(data);
}

int DroppedFilesCount(const QMimeData *data)
{
    return static_cast<int>(LocalFilesOf(data).size());
}

void HashControlText(QWidget *control, const std::string &algorithm, int iterations)
{
    TFunScope Fun(ThisUnit, "HashControlText");
    Fun.Run([&] {
        QString typed = ControlText(control);
        if (typed.isEmpty()) {
            ShowWarningMessage("There is no text to hash.");
            return;
        }
        std::string text = typed.toStdString();
        std::string digest;
        const bool known = HashText(text, algorithm, iterations, digest);
        std::fill(text.begin(), text.end(), '\xFF');
        if (Fun.CalleeFailed()) return;
        if (!known) {
            ShowErrorMessage("Unknown hash algorithm.");
            return;
        }
        // The typed text is overwritten in the control before it goes.
        const auto characters = static_cast<qsizetype>(typed.toUcs4().size());
        typed.fill(QChar(u'\u00FF'));
        SetControlText(control, QString(characters, QChar(u'\u00FF')));
        SetControlText(control, QString());
        SetControlText(control, Q(digest));
    });
}
