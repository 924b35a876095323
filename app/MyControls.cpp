// MyTPanel: the custom-painted panel, button, splitter, list, scroll bar and level bar.
#include "app/MyControls.h"

#include "Libraries/Error.h"
#include "Libraries/MyGDIPlus.h"
#include "Libraries/MyRandom.h"
#include "Libraries/UtilitiesUi.h"
#include "app/OptionsDialog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <fstream>

namespace {

constexpr const char *ThisUnit = "MyControls";

const char *const ScrollBarHint =
    "Scrollbar. [LMB + Drag up / down] = scroll the list-box up / down. The height of the "
    "scrollbar thumb is an inverse indicator of the number of items (from the list-box) which "
    "can be scrolled: the bigger it is, the fewer items to be scrolled there are.";

// One wheel notch.
constexpr int WheelNotch = 120;
// The pressed look lasts at least this long (seconds).
constexpr double MinimumPressTime = 0.19;

// The background picture a window's panels paint over, or null.
const QImage *PictureFor(const QWidget *window)
{
    const TMyPanelOptions &o = GMyPanelOptions;
    if (!o.BackPicture || o.BackPicture->isNull()) return nullptr;
    if (o.MainWindow && o.MainWindow != window) return nullptr;
    return o.BackPicture;
}

// A hash of everything outside the panels that the shared background of a window depends on.
std::uint64_t BackgroundSignature(const QWidget *window)
{
    const TMyPanelOptions &o = GMyPanelOptions;
    const QImage *picture = PictureFor(window);
    const auto u = [](std::int64_t value) { return static_cast<std::uint64_t>(value); };
    const std::uint64_t values[] = {o.FillingColor,
                                    o.ButtonBriskMarginColor,
                                    o.ButtonMarginColor,
                                    o.ButtonBackColor,
                                    o.ButtonTintColor,
                                    o.PushedBriskMarginColor,
                                    o.PushedMarginColor,
                                    o.PushedBackColor,
                                    o.PushedTintColor,
                                    o.WindowBriskMarginColor,
                                    o.WindowMarginColor,
                                    o.WindowBackColor,
                                    u(o.ControlMarginTranslucency),
                                    u(o.ControlBackTranslucency),
                                    u(o.WindowMarginTranslucency),
                                    u(o.WindowBackTranslucency),
                                    std::hash<std::string>{}(o.NonOvalButtonsStyle),
                                    picture ? u(picture->cacheKey()) : 0,
                                    u(window->width()),
                                    u(window->height()),
                                    u(GMyPanelGlobal.PaintingEnabled)};
    std::uint64_t hash = 14695981039346656037ull;
    for (const std::uint64_t value : values)
        hash = (hash ^ value) * 1099511628211ull;
    return hash;
}

// The shared background entry of a window, made when missing; entries of gone windows go.
TSharedBackground &BackgroundOf(QWidget *window)
{
    auto &all = GMyPanelOptions.SharedBackgrounds;
    all.erase(std::remove_if(all.begin(),
                             all.end(),
                             [](const TSharedBackground &entry) { return entry.Window.isNull(); }),
              all.end());
    for (TSharedBackground &entry : all)
        if (entry.Window == window) return entry;
    all.push_back(TSharedBackground{window, QImage(), 0, true});
    return all.back();
}

// Calls visit for every shown panel from widget down (parents before children, in stacking
// order) with its offset in the window and its rectangle there clipped by its parents.
void VisitPanels(QWidget *widget,
                 const QPoint &offset,
                 const QRect &clip,
                 const std::function<void(MyTPanel &, const QPoint &, const QRect &)> &visit)
{
    const QRect area = QRect(offset, widget->size()).intersected(clip);
    if (auto *panel = dynamic_cast<MyTPanel *>(widget)) visit(*panel, offset, area);
    for (QObject *object : widget->children()) {
        auto *child = qobject_cast<QWidget *>(object);
        if (!child || child->isWindow() || child->isHidden()) continue;
        VisitPanels(child, offset + child->pos(), area, visit);
    }
}

// Every panel in the window, the window itself included.
std::vector<MyTPanel *> PanelsOf(QWidget *window)
{
    std::vector<MyTPanel *> panels;
    if (auto *root = dynamic_cast<MyTPanel *>(window)) panels.push_back(root);
    for (QWidget *child : window->findChildren<QWidget *>())
        if (auto *panel = dynamic_cast<MyTPanel *>(child)) panels.push_back(panel);
    return panels;
}

// Fills a face with the colour: opaque at translucency 0, invisible at 100.
void FillFace(QPainter &canvas, const QRect &area, int translucency, TColor color)
{
    if (translucency <= 0)
        canvas.fillRect(area, ColorOf(color));
    else
        PaintTranslucentRect(
            canvas, area.x(), area.y(), translucency, color, area.height(), area.width());
}

// ---- Keys of a list ---------------------------------------------------------------------------

int Page(const MyTPanel &list)
{
    return list.VisibleRows() * list.Subcolumns;
}

int LastItem(const MyTPanel &list)
{
    return list.Count() - 1;
}

// Scrolls one row up (-1) or down (1), the focus keeping its screen row.
void ScrollRowKeepingFocus(MyTPanel &list, int direction)
{
    const int top = list.TopIndex;
    list.SetTopIndex(top + direction * list.Subcolumns);
    list.SetFocusIndex(std::min(list.FocusIndex + list.TopIndex - top, LastItem(list)));
}

// A key of the list's table: keypad rows need the numeric pad; Ctrl rows need Ctrl alone.
struct TKeyRow
{
    int Key;
    bool Keypad;
    bool Ctrl;
    void (*Action)(MyTPanel &list);
};

const TKeyRow KeyRows[] = {
    {Qt::Key_PageUp,
     false,
     false,
     [](MyTPanel &l) {
         const int page = Page(l);
         l.SetTopIndex(std::max(0, l.TopIndex - page));
         l.SetFocusIndex(l.FocusIndex - page);
     }},
    {Qt::Key_PageUp, false, true, [](MyTPanel &l) { l.SetFocusIndex(l.TopIndex); }},
    {Qt::Key_PageDown,
     false,
     false,
     [](MyTPanel &l) {
         const int page = Page(l);
         l.SetTopIndex(l.TopIndex + page);
         l.SetFocusIndex(std::min(l.FocusIndex + page, LastItem(l)));
     }},
    {Qt::Key_PageDown, false, true, [](MyTPanel &l) { l.SetFocusIndex(l.LastVisibleIndex()); }},
    {Qt::Key_Home, false, false, [](MyTPanel &l) { l.SetFocusIndex(0); }},
    {Qt::Key_Home, false, true, [](MyTPanel &l) { l.SetFocusIndex(l.TopIndex); }},
    {Qt::Key_End, false, false, [](MyTPanel &l) { l.SetFocusIndex(LastItem(l)); }},
    {Qt::Key_End, false, true, [](MyTPanel &l) { l.SetFocusIndex(l.LastVisibleIndex()); }},
    {Qt::Key_Up, false, false, [](MyTPanel &l) { l.SetFocusIndex(l.FocusIndex - 1); }},
    {Qt::Key_Up, false, true, [](MyTPanel &l) { ScrollRowKeepingFocus(l, -1); }},
    {Qt::Key_Down, false, false, [](MyTPanel &l) { l.SetFocusIndex(l.FocusIndex + 1); }},
    {Qt::Key_Down, false, true, [](MyTPanel &l) { ScrollRowKeepingFocus(l, 1); }},
    {Qt::Key_8,
     true,
     false,
     [](MyTPanel &l) {
         if (l.FocusIndex - l.Subcolumns >= 0) l.SetFocusIndex(l.FocusIndex - l.Subcolumns);
     }},
    {Qt::Key_8, true, true, [](MyTPanel &l) { ScrollRowKeepingFocus(l, -1); }},
    {Qt::Key_2,
     true,
     false,
     [](MyTPanel &l) {
         if (l.FocusIndex + l.Subcolumns <= LastItem(l))
             l.SetFocusIndex(l.FocusIndex + l.Subcolumns);
         else
             l.SetTopIndex(l.TopIndex + l.Subcolumns);
     }},
    {Qt::Key_2, true, true, [](MyTPanel &l) { ScrollRowKeepingFocus(l, 1); }},
    {Qt::Key_4,
     true,
     false,
     [](MyTPanel &l) {
         if (l.FocusIndex % l.Subcolumns > 0) l.SetFocusIndex(l.FocusIndex - 1);
     }},
    {Qt::Key_6,
     true,
     false,
     [](MyTPanel &l) {
         if (l.FocusIndex % l.Subcolumns < l.Subcolumns - 1 && l.FocusIndex < LastItem(l))
             l.SetFocusIndex(l.FocusIndex + 1);
     }},
};

} // namespace

// ---- Globals --------------------------------------------------------------------------------

std::function<void(const std::string &)> MyTPanel::OnHint;

TMyPanelOptions GMyPanelOptions{
    .FillingColor = SkinOptions.FillingColor,
    .GridColor = SkinOptions.GridColor,
    .ButtonBriskMarginColor = SkinOptions.ButtonBriskMarginColor,
    .ButtonMarginColor = SkinOptions.ButtonMarginColor,
    .ButtonBackColor = SkinOptions.ButtonBackColor,
    .ButtonTextColor = SkinOptions.ButtonTextColor,
    .ButtonTintColor = SkinOptions.ButtonTintColor,
    .ButtonHotTrackTintColor = SkinOptions.ButtonHotTrackTintColor,
    .PushedBriskMarginColor = SkinOptions.PushedBriskMarginColor,
    .PushedMarginColor = SkinOptions.PushedMarginColor,
    .PushedBackColor = SkinOptions.PushedBackColor,
    .PushedTextColor = SkinOptions.PushedTextColor,
    .PushedTintColor = SkinOptions.PushedTintColor,
    .PushedHotTrackTintColor = SkinOptions.PushedHotTrackTintColor,
    .WindowBriskMarginColor = SkinOptions.WindowBriskMarginColor,
    .WindowMarginColor = SkinOptions.WindowMarginColor,
    .WindowBackColor = SkinOptions.WindowBackColor,
    .WindowTextColor = SkinOptions.WindowTextColor,
    .WindowTintColor = SkinOptions.WindowTintColor,
    .CaptionFontName = ProgramOptions.CaptionFontName,
    .CaptionFontSize = ProgramOptions.CaptionFontSize,
    .ItemsFontName = ProgramOptions.ItemsFontName,
    .ItemsFontSize = ProgramOptions.ItemsFontSize,
    .ItemsExtraHeight = ProgramOptions.ItemsExtraHeight,
    .InstantScrollbarThumbPaint = ProgramOptions.InstantScrollbarThumbPaint,
    .ScrollbarSensitivity = ProgramOptions.ScrollbarSensitivity,
    .ControlMarginTranslucency = SkinOptions.ControlMarginTranslucency,
    .ControlBackTranslucency = SkinOptions.ControlBackTranslucency,
    .WindowMarginTranslucency = SkinOptions.WindowMarginTranslucency,
    .WindowBackTranslucency = SkinOptions.WindowBackTranslucency,
    .WindowActiveFocusMarginTranslucency = SkinOptions.WindowActiveFocusMarginTranslucency,
    .WindowActiveFocusBackTranslucency = SkinOptions.WindowActiveFocusBackTranslucency,
    .WindowInactiveFocusMarginTranslucency = SkinOptions.WindowInactiveFocusMarginTranslucency,
    .WindowInactiveFocusBackTranslucency = SkinOptions.WindowInactiveFocusBackTranslucency,
    .ScrollbarBackTranslucency = SkinOptions.ScrollbarBackTranslucency,
    .ScrollbarThumbMarginTranslucency = SkinOptions.ScrollbarThumbMarginTranslucency,
    .ScrollbarThumbBackTranslucency = SkinOptions.ScrollbarThumbBackTranslucency,
    .NonOvalButtonsStyle = SkinOptions.NonOvalButtonsStyle,
    .MainWindow = {},
    .BackPicture = nullptr,
    .SharedBackgrounds = {}};

TMyPanelGlobal GMyPanelGlobal;

QColor ColorOf(TColor color)
{
    return QColor(static_cast<int>(color & 0xFFu),
                  static_cast<int>((color >> 8) & 0xFFu),
                  static_cast<int>((color >> 16) & 0xFFu));
}

// The colours of a face, chosen by FaceStyle and Down.
struct MyTPanel::TFaceColors
{
    TColor Back, Text, BriskMargin, Margin;
    int MarginTranslucency, BackTranslucency;
    TColor Tint;
};

// ---- Construction and settings ----------------------------------------------------------------

MyTPanel::MyTPanel(QWidget *parent, int role) : QWidget(parent), Owner(parent)
{
    Construct(role);
}

MyTPanel::~MyTPanel()
{
    if (GMyPanelGlobal.HotControl == this) GMyPanelGlobal.HotControl = nullptr;
    if (GMyPanelGlobal.PressedControl == this) GMyPanelGlobal.PressedControl = nullptr;
    if (ScrollOwner && ScrollOwner->ScrollBar == this) ScrollOwner->ScrollBar = nullptr;
    if (ScrollBar) {
        ScrollBar->ScrollOwner = nullptr;
        delete ScrollBar;
    }
    // A panel that goes away may leave its face behind in any shared background.
    for (TSharedBackground &background : GMyPanelOptions.SharedBackgrounds)
        background.Dirty = true;
}

void MyTPanel::Construct(int role)
{
    TFunScope Fun(ThisUnit, "MyTPanel::Construct");
    Fun.Run([&] {
        // Every pixel comes from the shared background: nothing needs erasing first.
        setAttribute(Qt::WA_OpaquePaintEvent);
        // Every mouse move feeds the random generator, and hot-tracking needs moves too.
        setMouseTracking(true);
        setAcceptDrops(true);
        SetRole(role);
    });
}

void MyTPanel::SetRole(int role)
{
    Role = std::clamp(role, static_cast<int>(RolePanel), static_cast<int>(RoleLevelBar));
    if (Role == RoleSplitter) setCursor(Vertical ? Qt::SplitHCursor : Qt::SplitVCursor);
    if (Role == RoleScrollBar) {
        BorderWidth = 0;
        Framed = false;
        FaceStyle = 0;
        Hint = ScrollBarHint;
        setFocusPolicy(Qt::NoFocus);
    }
    if (Role != RoleList) return;
    setFocusPolicy(Qt::StrongFocus);
    if (!ScrollBar) {
        ScrollBar = new MyTPanel(this, RoleScrollBar);
        ScrollBar->ScrollOwner = this;
        ScrollBar->hide();
    }
    if (!OnIsEmptyItem)
        OnIsEmptyItem = [](const TPanelItem &item) {
            const auto *text = dynamic_cast<const TTextItem *>(&item);
            return !text || text->Text.empty();
        };
    if (!OnNewItem) OnNewItem = [] { return std::make_unique<TTextItem>(); };
    if (!OnCopyItem)
        OnCopyItem = [](const TPanelItem &item) -> std::unique_ptr<TPanelItem> {
            if (const auto *text = dynamic_cast<const TTextItem *>(&item))
                return std::make_unique<TTextItem>(*text);
            return nullptr;
        };
    ItemsChanged();
}

void MyTPanel::SetCaptions(const std::string &up, const std::string &down)
{
    CaptionUp = up;
    CaptionDown = down;
    update();
}

void MyTPanel::SetBorderWidth(int width)
{
    BorderWidth = width < 0 ? 5 : width;
    ResetScrollBar();
    update();
}

void MyTPanel::SetItemHeight(int height)
{
    if (height == ItemHeight) return;
    ItemHeight = height;
    SetTopIndex(TopIndex);
    ResetScrollBar();
    update();
}

void MyTPanel::SetSubcolumns(int count)
{
    count = std::clamp(count, 1, 10);
    if (count == Subcolumns) return;
    Subcolumns = count;
    SetTopIndex(TopIndex);
    ResetScrollBar();
    update();
}

// ---- Geometry ---------------------------------------------------------------------------------

QFont MyTPanel::PanelFont() const
{
    const TMyPanelOptions &o = GMyPanelOptions;
    const bool list = Role == RoleList;
    QFont font(QString::fromStdString(list ? o.ItemsFontName : o.CaptionFontName));
    font.setPointSize(std::max(1, list ? o.ItemsFontSize : o.CaptionFontSize));
    font.setStrikeOut(StrikeOut);
    return font;
}

int MyTPanel::TextHeight() const
{
    return GetFontHeight(PanelFont());
}

int MyTPanel::LineHeight() const
{
    return TextHeight() + GMyPanelOptions.ItemsExtraHeight + 1;
}

int MyTPanel::InsideWidth() const
{
    const int bar = ScrollBarShown() ? LineHeight() : 0;
    return std::max(0, width() - 2 * BorderWidth - bar);
}

int MyTPanel::InsideHeight() const
{
    return std::max(0, height() - 2 * BorderWidth);
}

int MyTPanel::EffectiveItemHeight() const
{
    if (ItemHeight > 0) return ItemHeight;
    const int line = std::max(1, LineHeight());
    return std::max(line, line * (InsideHeight() / line));
}

int MyTPanel::VisibleRows() const
{
    return InsideHeight() / std::max(1, EffectiveItemHeight());
}

int MyTPanel::Rows() const
{
    const int columns = std::max(1, Subcolumns);
    return (Count() + columns - 1) / columns;
}

int MyTPanel::LastVisibleIndex() const
{
    return std::min(Count(), VisibleRows() * Subcolumns + TopIndex) - 1;
}

bool MyTPanel::IsItemVisible(int index) const
{
    return index >= TopIndex && index <= LastVisibleIndex();
}

bool MyTPanel::ScrollBarShown() const
{
    const int visible = VisibleRows();
    return Role == RoleList && visible > 0 && Rows() > visible;
}

QRect MyTPanel::ItemRect(int index) const
{
    if (index < 0 || index >= Count()) return QRect(-1, -1, 0, 0);
    const int k = index - TopIndex;
    const int columnWidth = InsideWidth() / Subcolumns;
    const int left = BorderWidth + columnWidth * (k % Subcolumns);
    const int top = BorderWidth + EffectiveItemHeight() * (k / Subcolumns);
    return QRect(left, top, columnWidth, EffectiveItemHeight());
}

QRect MyTPanel::ItemRectInside(int index) const
{
    const QRect rect = ItemRect(index);
    return rect.left() == -1 && rect.isEmpty() ? rect : rect.translated(-BorderWidth, -BorderWidth);
}

int MyTPanel::ItemAt(int x, int y) const
{
    const int columnWidth = InsideWidth() / Subcolumns;
    const int itemHeight = EffectiveItemHeight();
    if (columnWidth <= 0 || itemHeight <= 0) return -1;
    if (x < 0 || y < 0 || x >= columnWidth * Subcolumns || y >= VisibleRows() * itemHeight)
        return -1;
    const int k = x / columnWidth + (y / itemHeight) * Subcolumns;
    return k < LastVisibleIndex() - TopIndex + 1 ? TopIndex + k : -1;
}

int MyTPanel::ItemUnderMouse() const
{
    const QPoint at = mapFromGlobal(QCursor::pos());
    if (!rect().contains(at)) return -1;
    return ItemAt(at.x() - BorderWidth, at.y() - BorderWidth);
}

int MyTPanel::TrackHeight() const
{
    return InsideHeight();
}

int MyTPanel::ThumbHeight() const
{
    if (Role != RoleScrollBar || !ScrollOwner) return 0;
    const int hidden = ScrollOwner->Rows() - ScrollOwner->VisibleRows();
    if (hidden <= 0) return 0;
    const int track = TrackHeight();
    const int sensitivity = GMyPanelOptions.ScrollbarSensitivity;
    const int room = track - ScrollOwner->TextHeight();
    const int step = sensitivity > 0 ? std::max(1, room / sensitivity) : 1;
    const long long shrink =
        std::min<long long>(room, static_cast<long long>(hidden) * room / step);
    const long long wanted = static_cast<long long>(sensitivity) * hidden;
    return static_cast<int>(wanted < shrink ? track - wanted : track - shrink);
}

int MyTPanel::ThumbOffset() const
{
    if (Role != RoleScrollBar || !ScrollOwner) return 0;
    const int hidden = ScrollOwner->Rows() - ScrollOwner->VisibleRows();
    if (hidden <= 0) return 0;
    const long long row = ScrollOwner->TopIndex / ScrollOwner->Subcolumns;
    return static_cast<int>(row * (TrackHeight() - ThumbHeight()) / hidden);
}

// ---- Focus and scrolling ------------------------------------------------------------------------

void MyTPanel::SetTopIndex(int top)
{
    const int rows = Rows();
    const int visible = VisibleRows();
    const int newTop =
        (visible >= rows || top < 0) ? 0 : Subcolumns * std::min(rows - visible, top / Subcolumns);
    if (newTop == TopIndex) return;
    TopIndex = newTop;
    if (PaintingEnabled) update();
    // While the thumb is dragged it follows at once only with instant thumb painting.
    if (ScrollBar && !ScrollBar->Scrolling) ScrollBar->update();
}

void MyTPanel::SetFocusIndex(int focus)
{
    const int old = FocusIndex;
    const int target = std::clamp(focus, 0, std::max(0, Count() - 1));
    if (target != old) {
        const bool wasVisible = IsItemVisible(target);
        const int top = TopIndex;
        FocusIndex = target;
        EnsureFocusVisible();
        // A moved top has repainted the whole list already.
        if (PaintingEnabled && TopIndex == top) {
            if (IsItemVisible(old)) update(ItemRect(old));
            if (wasVisible)
                update(ItemRect(target));
            else
                update();
        }
    }
    if (OnFocusChanged) OnFocusChanged(old);
}

void MyTPanel::EnsureFocusVisible()
{
    if (FocusIndex < TopIndex)
        SetTopIndex(FocusIndex);
    else if (FocusIndex > LastVisibleIndex())
        SetTopIndex(FocusIndex + Subcolumns - VisibleRows() * Subcolumns);
}

void MyTPanel::KeepFocusInView()
{
    if (FocusIndex < TopIndex)
        SetFocusIndex(TopIndex);
    else if (FocusIndex > LastVisibleIndex())
        SetFocusIndex(LastVisibleIndex());
}

void MyTPanel::FocusAt(int index, int rowOffset, bool scroll)
{
    if (Empty) {
        SetTopIndex(0);
        SetFocusIndex(0);
        return;
    }
    if (!scroll && IsItemVisible(index)) {
        SetFocusIndex(index);
        return;
    }
    index = std::clamp(index, 0, Count() - 1);
    int newTop = -1;
    if (rowOffset >= 0) {
        const int page = VisibleRows() * Subcolumns;
        newTop = index - std::min(rowOffset, page) + (rowOffset >= page ? Subcolumns : 0);
    }
    SetFocusIndex(index);
    if (scroll && newTop >= 0) SetTopIndex(newTop);
}

// ---- Items ------------------------------------------------------------------------------------

void MyTPanel::ClearItems()
{
    Items.clear();
    Empty = true;
    TopIndex = 0;
    FocusIndex = 0;
    ItemsChanged();
}

void MyTPanel::AddItem(std::unique_ptr<TPanelItem> item)
{
    if (!item) return;
    if (Empty && Count() == 1) Items.clear();
    Items.push_back(std::move(item));
    Empty = Count() == 1 && OnIsEmptyItem && OnIsEmptyItem(*Items.front());
}

int MyTPanel::AddTextItem(const std::string &text)
{
    if (text.empty()) return -1;
    AddItem(std::make_unique<TTextItem>(text));
    return Count() - 1;
}

void MyTPanel::LoadTextItems(const std::vector<std::string> &texts)
{
    TFunScope Fun(ThisUnit, "MyTPanel::LoadTextItems");
    Fun.Run([&] {
        ClearItems();
        for (const std::string &text : texts)
            AddTextItem(text);
        ItemsChanged();
    });
}

void MyTPanel::LoadTextItemsFromFile(const std::string &fileName)
{
    TFunScope Fun(ThisUnit, "MyTPanel::LoadTextItemsFromFile");
    Fun.Run([&] {
        ClearItems();
        std::ifstream file(fileName, std::ios::binary);
        std::string line;
        while (file && std::getline(file, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            AddTextItem(line);
        }
        ItemsChanged();
    });
}

void MyTPanel::CopyItemsFrom(const MyTPanel &source)
{
    Items.clear();
    Empty = true;
    AppendItems(source);
}

void MyTPanel::AppendItems(const MyTPanel &source)
{
    const auto &copy = OnCopyItem ? OnCopyItem : source.OnCopyItem;
    if (!source.Empty && copy)
        for (const auto &item : source.Items)
            AddItem(copy(*item));
    ItemsChanged();
}

void MyTPanel::ItemsChanged()
{
    if (Items.empty()) {
        Empty = true;
        std::unique_ptr<TPanelItem> placeholder = OnNewItem ? OnNewItem() : nullptr;
        Items.push_back(placeholder ? std::move(placeholder) : std::make_unique<TPanelItem>());
    } else {
        Empty = Items.size() == 1 && OnIsEmptyItem && OnIsEmptyItem(*Items.front());
    }
    FocusIndex = std::clamp(FocusIndex, 0, Count() - 1);
    const int rows = Rows();
    const int visible = VisibleRows();
    TopIndex = visible >= rows ? 0 : std::clamp(TopIndex, 0, (rows - visible) * Subcolumns);
    TopIndex -= TopIndex % Subcolumns;
    ResetScrollBar();
    if (PaintingEnabled) update();
}

std::string MyTPanel::TextOf(int index) const
{
    if (index < 0 || index >= Count()) return {};
    const auto *item =
        dynamic_cast<const TTextItem *>(Items[static_cast<std::size_t>(index)].get());
    return item ? item->Text : std::string();
}

int MyTPanel::FindTextItem(const std::string &text) const
{
    const QString wanted = QString::fromStdString(text);
    for (int i = 0; i < Count(); ++i) {
        const auto *item =
            dynamic_cast<const TTextItem *>(Items[static_cast<std::size_t>(i)].get());
        if (item && QString::fromStdString(item->Text).compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

void MyTPanel::ShuffleItems(int passes)
{
    if (Empty || Count() < 2) return;
    const auto count = static_cast<std::uint32_t>(Count());
    for (int pass = 0; pass < passes; ++pass) {
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t j = Random.Next() % count;
            if (j != i) std::swap(Items[i], Items[j]);
        }
    }
    if (PaintingEnabled) update();
}

void MyTPanel::PopupAt(QMenu *menu, int x)
{
    if (!menu) return;
    const int left = x < 0 ? QCursor::pos().x() : mapToGlobal(QPoint(BorderWidth + x, 0)).x();
    menu->popup(QPoint(left, mapToGlobal(QPoint(0, height())).y()));
}

Qt::DropAction MyTPanel::StartDrag(QMimeData *mimeData, Qt::DropActions actions)
{
    if (OnStartDrag) OnStartDrag();
    auto *drag = new QDrag(this);
    drag->setMimeData(mimeData);
    const Qt::DropAction result = drag->exec(actions);
    if (OnEndDrag) OnEndDrag(result);
    return result;
}

void MyTPanel::ResetScrollBar()
{
    TFunScope Fun(ThisUnit, "MyTPanel::ResetScrollBar");
    Fun.Run([&] {
        if (Role != RoleList || !ScrollBar) return;
        if (!ScrollBarShown()) {
            ScrollBar->hide();
            return;
        }
        const int line = LineHeight();
        ScrollBar->setGeometry(
            width() - BorderWidth - line, BorderWidth, line, VisibleRows() * EffectiveItemHeight());
        ScrollBar->show();
        ScrollBar->update();
    });
}

// ---- Painting ---------------------------------------------------------------------------------

MyTPanel::TFaceColors MyTPanel::FaceColors(bool hot) const
{
    const TMyPanelOptions &o = GMyPanelOptions;
    const TFaceColors sets[] = {{o.ButtonBackColor,
                                 o.ButtonTextColor,
                                 o.ButtonBriskMarginColor,
                                 o.ButtonMarginColor,
                                 o.ControlMarginTranslucency,
                                 o.ControlBackTranslucency,
                                 0},
                                {o.WindowBackColor,
                                 o.WindowTextColor,
                                 o.WindowBriskMarginColor,
                                 o.WindowMarginColor,
                                 o.WindowMarginTranslucency,
                                 o.WindowBackTranslucency,
                                 0},
                                {o.FillingColor,
                                 o.WindowTextColor,
                                 o.WindowBriskMarginColor,
                                 o.WindowMarginColor,
                                 o.WindowMarginTranslucency,
                                 o.WindowBackTranslucency,
                                 0}};
    TFaceColors colors = sets[std::clamp(FaceStyle, 0, 2)];
    if (Down) {
        colors.Text = o.PushedTextColor;
        colors.Back = o.PushedBackColor;
        colors.BriskMargin = o.PushedBriskMarginColor;
        colors.Margin = o.PushedMarginColor;
        colors.Tint = hot ? o.PushedHotTrackTintColor : o.PushedTintColor;
    } else {
        colors.Tint = hot ? o.ButtonHotTrackTintColor : o.ButtonTintColor;
    }
    return colors;
}

TColor MyTPanel::BaseColor() const
{
    const TMyPanelOptions &o = GMyPanelOptions;
    const TColor bases[] = {o.ButtonBackColor, o.WindowBackColor, o.FillingColor};
    return bases[std::clamp(BaseStyle, 0, 2)];
}

bool MyTPanel::IsHot() const
{
    return GMyPanelGlobal.HotControl == this && HotTrack &&
           (FaceStyle == 0 || Role == RoleScrollBar);
}

bool MyTPanel::HasSomethingToPaint() const
{
    return BorderWidth > 0 || ButtonFace || Transparent || OnDrawCaption || !Caption().empty() ||
           Role == RoleList || Role == RoleScrollBar || Role == RoleLevelBar;
}

bool MyTPanel::IsPrePainted() const
{
    return (BorderWidth > 0 || ButtonFace) && Role != RoleScrollBar;
}

MyTPanel::TFaceKey MyTPanel::FaceKey() const
{
    const QPoint at = mapTo(window(), QPoint(0, 0));
    return {at.x(),
            at.y(),
            width(),
            height(),
            FaceStyle,
            BaseStyle,
            Framed,
            BorderWidth,
            FrameInset,
            ButtonShape,
            ButtonFace,
            Transparent,
            Down,
            Role};
}

void MyTPanel::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    FPaint(painter, false, event->region());
}

void MyTPanel::FPaint(QPainter &canvas, bool prePaint, const QRegion &region)
{
    TFunScope Fun(ThisUnit, "MyTPanel::FPaint");
    Fun.Run([&] {
        if (!GMyPanelGlobal.PaintingEnabled) return;
        QWidget *win = window();
        if (prePaint) {
            if (!Transparent || !PictureFor(win)) canvas.fillRect(rect(), ColorOf(BaseColor()));
            PaintFace(canvas, false, true);
            return;
        }
        TSharedBackground &background = BackgroundOf(win);
        const bool stale = background.Dirty || background.Signature != BackgroundSignature(win) ||
                           IsPrePainted() != PrePaintedFace ||
                           (PrePaintedFace && FaceKey() != PrePaintedKey);
        if (stale) BuildBackground(background, win);
        const bool hot = IsHot();
        const bool live = (hot || Pressed) && Role != RoleScrollBar && HasSomethingToPaint();
        PaintBackground(canvas, region.boundingRect(), live);
        if (!HasSomethingToPaint()) return;
        if (Role == RoleScrollBar) {
            PaintScrollBar(canvas, hot);
            return;
        }
        if (live) {
            // The hot or pressed face is composited live, over the same base as the pre-paint.
            if (!Transparent || !PictureFor(win)) canvas.fillRect(rect(), ColorOf(BaseColor()));
            PaintFace(canvas, hot, false);
            if (Fun.CalleeFailed()) return;
        }
        if (Role == RoleLevelBar)
            PaintLevel(canvas);
        else if (Role == RoleList)
            PaintItems(canvas, region);
        else
            PaintCaption(canvas, hot);
    });
}

void MyTPanel::PaintBackground(QPainter &canvas, const QRect &area, bool bare)
{
    QWidget *win = window();
    const QImage *picture = PictureFor(win);
    const QImage &source = bare && picture ? *picture : BackgroundOf(win).Image;
    const QPoint offset = mapTo(win, QPoint(0, 0));
    const QRect wanted = area.translated(offset);
    const QRect available = wanted.intersected(source.rect());
    if (available != wanted) canvas.fillRect(area, ColorOf(GMyPanelOptions.FillingColor));
    if (!available.isEmpty()) canvas.drawImage(available.topLeft() - offset, source, available);
}

void MyTPanel::PaintFace(QPainter &canvas, bool hot, bool prePaint)
{
    const TMyPanelOptions &o = GMyPanelOptions;
    const TFaceColors colors = FaceColors(hot);
    const int inset = std::clamp(FrameInset, 0, std::max(0, BorderWidth));
    if (BorderWidth <= 0) {
        if (colors.Back != BaseColor())
            canvas.fillRect(rect().adjusted(inset, inset, -inset, -inset), ColorOf(colors.Back));
        return;
    }
    if (ButtonFace && FaceStyle == 0) {
        const int d = ButtonShape != ShapeRectangle ? inset : BorderWidth;
        PaintButtonFX(canvas,
                      d,
                      d,
                      hot,
                      Pressed && !prePaint,
                      o.NonOvalButtonsStyle,
                      ButtonShape,
                      o.ControlBackTranslucency,
                      o.ControlMarginTranslucency,
                      colors.Tint,
                      colors.Back,
                      colors.Margin,
                      colors.BriskMargin,
                      height() - 2 * d - 1,
                      width() - 2 * d - 1);
    } else {
        const QRect inside(
            BorderWidth, BorderWidth, width() - 2 * BorderWidth, height() - 2 * BorderWidth);
        FillFace(canvas, inside, colors.BackTranslucency, colors.Back);
    }
    if (Framed && ButtonShape == ShapeRectangle)
        FrameRoundRect(canvas,
                       inset,
                       inset,
                       false,
                       true,
                       false,
                       colors.BackTranslucency,
                       colors.MarginTranslucency,
                       colors.Back,
                       colors.Margin,
                       colors.BriskMargin,
                       height() - inset,
                       width() - inset);
}

void MyTPanel::PaintScrollBar(QPainter &canvas, bool hot)
{
    const TMyPanelOptions &o = GMyPanelOptions;
    PaintTranslucentRect(
        canvas, 0, 0, o.ScrollbarBackTranslucency, o.ButtonBackColor, height(), width());
    const int thumb = ThumbHeight();
    if (thumb <= 0) return;
    const int top = BorderWidth + ThumbOffset();
    const int side = width() - 2 * BorderWidth;
    PaintTranslucentFrame(canvas,
                          BorderWidth,
                          top,
                          o.ScrollbarThumbMarginTranslucency,
                          o.ButtonMarginColor,
                          thumb,
                          side);
    PaintButtonFX(canvas,
                  BorderWidth + 1,
                  top + 1,
                  hot,
                  Scrolling,
                  "VSB",
                  ButtonShape,
                  o.ScrollbarThumbBackTranslucency,
                  o.ScrollbarThumbMarginTranslucency,
                  hot ? o.ButtonHotTrackTintColor : o.ButtonTintColor,
                  o.ButtonBackColor,
                  o.ButtonMarginColor,
                  o.ButtonMarginColor,
                  thumb - 3,
                  side - 3);
}

void MyTPanel::PaintLevel(QPainter &canvas)
{
    TColor fill = GMyPanelOptions.PushedBackColor;
    TColor line = GMyPanelOptions.PushedMarginColor;
    if (OnLevelColors) OnLevelColors(fill, line);
    const double level = OnLevelGet ? std::clamp(OnLevelGet(), 0.0, 1.0) : 0.0;
    const int inside = InsideHeight();
    if (inside <= 0) return;
    const int filled = static_cast<int>(level * inside);
    canvas.fillRect(QRect(BorderWidth, BorderWidth, InsideWidth(), filled), ColorOf(fill));
    canvas.fillRect(
        QRect(BorderWidth, BorderWidth + std::min(filled, inside - 1), InsideWidth(), 1),
        ColorOf(line));
}

void MyTPanel::PaintCaption(QPainter &canvas, bool hot)
{
    const QRect inside(BorderWidth, BorderWidth, InsideWidth(), InsideHeight());
    const std::string caption = Caption();
    if (caption.empty()) {
        if (OnDrawCaption) OnDrawCaption(canvas, inside);
        return;
    }
    const TColor color = FaceColors(hot).Text;
    canvas.save();
    canvas.setFont(PanelFont());
    canvas.setPen(ColorOf(color));
    QString text = QString::fromStdString(caption);
    if (PathEllipsis && !WordWrap)
        text = canvas.fontMetrics().elidedText(text, Qt::ElideMiddle, inside.width());
    const int format = Qt::TextExpandTabs | (WordWrap ? Qt::TextWordWrap : Qt::TextSingleLine);
    // Centring applies to plain single lines only.
    const bool plain = !WordWrap && !PathEllipsis;
    DrawTextInRect(text.toStdString(),
                   canvas,
                   true,
                   color,
                   color,
                   0,
                   0,
                   false,
                   nullptr,
                   nullptr,
                   plain && CenterV,
                   plain && CenterH,
                   format,
                   inside);
    canvas.restore();
}

void MyTPanel::PaintItems(QPainter &canvas, const QRegion &region)
{
    if (!PaintingEnabled || !OnDrawItem) return;
    const int last = LastVisibleIndex();
    for (int i = TopIndex; i <= last; ++i) {
        const QRect item = ItemRect(i);
        if (!region.intersects(item)) continue;
        canvas.save();
        OnDrawItem(canvas, i, item);
        canvas.restore();
    }
}

void MyTPanel::BuildBackground(TSharedBackground &background, QWidget *window)
{
    const QImage *picture = PictureFor(window);
    QImage image(window->size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    image.fill(ColorOf(GMyPanelOptions.FillingColor));
    for (MyTPanel *panel : PanelsOf(window))
        panel->PrePaintedFace = false;
    QPainter painter(&image);
    if (picture) painter.drawImage(QPoint(0, 0), *picture);
    const QRect all(QPoint(0, 0), window->size());
    VisitPanels(
        window, QPoint(0, 0), all, [&](MyTPanel &panel, const QPoint &at, const QRect &clip) {
            if (!panel.OnAfterBackgroundPaint || clip.isEmpty()) return;
            painter.save();
            painter.setClipRect(clip);
            painter.translate(at);
            panel.OnAfterBackgroundPaint(painter);
            painter.restore();
        });
    VisitPanels(
        window, QPoint(0, 0), all, [&](MyTPanel &panel, const QPoint &at, const QRect &clip) {
            if (!panel.IsPrePainted() || clip.isEmpty()) return;
            painter.save();
            painter.setClipRect(clip);
            painter.translate(at);
            panel.FPaint(painter, true, QRegion());
            painter.restore();
            panel.PrePaintedFace = true;
            panel.PrePaintedKey = panel.FaceKey();
        });
    painter.end();
    background.Image = std::move(image);
    background.Signature = BackgroundSignature(window);
    // Faces skipped while painting was off come in at the next paint.
    background.Dirty = !GMyPanelGlobal.PaintingEnabled;
}

void MyTPanel::ResetAll(QWidget *mainWindow)
{
    TFunScope Fun(ThisUnit, "MyTPanel::ResetAll");
    Fun.Run([&] {
        QWidget *win = mainWindow ? mainWindow : GMyPanelOptions.MainWindow.data();
        std::vector<QWidget *> windows;
        if (win) {
            BuildBackground(BackgroundOf(win), win);
            windows.push_back(win);
        } else {
            // Without a main window every window's background is made again at its next paint.
            for (TSharedBackground &background : GMyPanelOptions.SharedBackgrounds) {
                background.Dirty = true;
                if (background.Window) windows.push_back(background.Window.data());
            }
        }
        for (QWidget *each : windows)
            for (MyTPanel *panel : PanelsOf(each))
                panel->update();
    });
}

void MyTPanel::MarkBackgroundDirty()
{
    // Scroll bars are never composited into the background.
    if (Role == RoleScrollBar) return;
    BackgroundOf(window()).Dirty = true;
}

// ---- Events -----------------------------------------------------------------------------------

bool MyTPanel::event(QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::FocusIn:
    case QEvent::FocusOut:
    case QEvent::Enter:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
    case QEvent::Resize:
        break;
    default:
        return QWidget::event(event);
    }
    bool result = false;
    TFunScope Fun(ThisUnit, "MyTPanel::Dispatch");
    Fun.Run([&] { result = QWidget::event(event); });
    return result;
}

void MyTPanel::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    const QPoint inside = at - QPoint(BorderWidth, BorderWidth);
    const bool left = event->button() == Qt::LeftButton;
    if (Role == RoleList) {
        const int index = ItemAt(inside.x(), inside.y());
        if (index >= 0) SetFocusIndex(index);
        setFocus(Qt::MouseFocusReason);
    }
    if (Role == RoleScrollBar && ScrollOwner) {
        ScrollOwner->setFocus(Qt::MouseFocusReason);
        if (left) {
            ScrollPressed = true;
            ScrollPressY = event->globalPosition().toPoint().y();
            ScrollPressTop = ScrollOwner->TopIndex;
        }
    }
    if (Role == RoleSplitter && left) {
        SplitterActive = true;
        SplitterOrigin = event->globalPosition().toPoint();
    }
    if (Role == RoleLevelBar && inside.y() >= 0 && inside.y() < InsideHeight() && OnLevelSet)
        OnLevelSet(inside.y() / static_cast<double>(std::max(1, InsideHeight() - 1)));
    if ((Role == RolePanel || Role == RoleList) && FaceStyle == 0) Press();
    if (OnMouseDown) OnMouseDown(event);
}

void MyTPanel::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint global = event->globalPosition().toPoint();
    Random.AddMouseEntropy(global.x(), global.y());
    const bool left = event->buttons() & Qt::LeftButton;
    if (HotTrack && (FaceStyle == 0 || Role == RoleScrollBar)) SetHot();
    if (Role == RoleSplitter && SplitterActive && left) {
        SplitterShift(global, true);
        return;
    }
    if (Role == RoleScrollBar && ScrollPressed && left) {
        ScrollBarDrag(global.y());
        return;
    }
    const QPoint at = event->position().toPoint();
    if (OnMouseMove) OnMouseMove(event, at.x() - BorderWidth, at.y() - BorderWidth);
}

void MyTPanel::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint global = event->globalPosition().toPoint();
    if (event->button() == Qt::LeftButton) {
        if (Role == RoleScrollBar && ScrollPressed) ScrollBarRelease(global.y());
        if (Role == RoleSplitter && SplitterActive) {
            const int shift = SplitterShift(global, false);
            SplitterActive = false;
            if (shift != 0 && OnSplitterMoved) OnSplitterMoved(shift);
        }
    }
    const QPoint at = event->position().toPoint();
    if (OnMouseUp) OnMouseUp(event, at.x() - BorderWidth, at.y() - BorderWidth);
}

int MyTPanel::SplitterShift(const QPoint &globalPos, bool moveCursorBack)
{
    const int raw =
        Vertical ? globalPos.x() - SplitterOrigin.x() : globalPos.y() - SplitterOrigin.y();
    int shift = raw;
    if (OnSplitterValidate) OnSplitterValidate(shift);
    // The cursor stays over the splitter where the shift was limited (not on Wayland).
    if (moveCursorBack && shift != raw)
        QCursor::setPos(Vertical ? QPoint(SplitterOrigin.x() + shift, globalPos.y())
                                 : QPoint(globalPos.x(), SplitterOrigin.y() + shift));
    return shift;
}

void MyTPanel::ScrollBarDrag(int globalY)
{
    MyTPanel *list = ScrollOwner;
    if (!list) return;
    const int range = TrackHeight() - ThumbHeight();
    if (range <= 0) return;
    const long long moved = std::clamp(globalY - ScrollPressY, -range, range);
    const long long hidden = list->Rows() - list->VisibleRows();
    Scrolling = true;
    list->SetTopIndex(ScrollPressTop + static_cast<int>(hidden * list->Subcolumns * moved / range));
    if (GMyPanelOptions.InstantScrollbarThumbPaint) repaint();
}

void MyTPanel::ScrollBarRelease(int globalY)
{
    ScrollBarDrag(globalY);
    ScrollPressed = false;
    Scrolling = false;
    update();
    MyTPanel *list = ScrollOwner;
    if (!list || list->TopIndex == ScrollPressTop) return;
    list->KeepFocusInView();
    if (list->OnTopChanged) list->OnTopChanged(list->TopIndex);
    if (list->OnScrollEnd) list->OnScrollEnd();
}

void MyTPanel::wheelEvent(QWheelEvent *event)
{
    // Qt gives the wheel to the panel under the mouse; a scroll bar's wheel scrolls its list.
    MyTPanel *list = Role == RoleScrollBar ? ScrollOwner : (Role == RoleList ? this : nullptr);
    if (!list) {
        event->ignore();
        return;
    }
    event->accept();
    if (list->ScrollBar && list->ScrollBar->ScrollPressed) return;
    if (OnWheel) OnWheel(event);
    if (QApplication::focusWidget() != list) list->setFocus(Qt::OtherFocusReason);
    // High-resolution wheels and touchpads send parts of a notch.
    list->WheelDelta += event->angleDelta().y();
    const int notches = list->WheelDelta / WheelNotch;
    list->WheelDelta -= notches * WheelNotch;
    if (notches == 0) return;
    list->SetTopIndex(list->TopIndex - notches * list->Subcolumns);
    list->KeepFocusInView();
}

void MyTPanel::keyPressEvent(QKeyEvent *event)
{
    if (Role != RoleList) {
        if (OnKeyDown)
            OnKeyDown(event);
        else
            QWidget::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    if (key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt) {
        event->ignore();
        return;
    }
    const bool keypad = event->modifiers() & Qt::KeypadModifier;
    const Qt::KeyboardModifiers modifiers =
        event->modifiers() & ~Qt::KeyboardModifiers(Qt::KeypadModifier);
    bool handled = false;
    if (modifiers == Qt::NoModifier || modifiers == Qt::ControlModifier) {
        const bool ctrl = modifiers == Qt::ControlModifier;
        for (const TKeyRow &row : KeyRows) {
            if (row.Key != key || row.Ctrl != ctrl || (row.Keypad && !keypad)) continue;
            row.Action(*this);
            handled = true;
            break;
        }
    }
    // Character keys end here; other keys go on to the parent unless the callback takes them.
    event->setAccepted(handled || !event->text().isEmpty());
    if (OnKeyDown) OnKeyDown(event);
}

void MyTPanel::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    // The owner may have turned the splitter after making it.
    if (Role == RoleSplitter) setCursor(Vertical ? Qt::SplitHCursor : Qt::SplitVCursor);
    if (OnHint && !Hint.empty()) OnHint(Hint);
}

void MyTPanel::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    if (Role == RoleScrollBar && ScrollOwner) {
        ScrollOwner->setFocus(event->reason());
        return;
    }
    if (Role == RoleList && PaintingEnabled) update(ItemRect(FocusIndex));
    if (OnEnter) OnEnter();
}

void MyTPanel::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    if (Role == RoleList && PaintingEnabled) update(ItemRect(FocusIndex));
    if (OnLeave) OnLeave();
}

void MyTPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    MarkBackgroundDirty();
    if (Role != RoleList) return;
    SetTopIndex(TopIndex);
    ResetScrollBar();
}

void MyTPanel::moveEvent(QMoveEvent *event)
{
    QWidget::moveEvent(event);
    if (!isWindow()) MarkBackgroundDirty();
}

void MyTPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    MarkBackgroundDirty();
}

void MyTPanel::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    MarkBackgroundDirty();
}

void MyTPanel::dragEnterEvent(QDragEnterEvent *event)
{
    if (OnDragOver || OnDragDrop)
        event->acceptProposedAction();
    else
        event->ignore();
}

void MyTPanel::dragMoveEvent(QDragMoveEvent *event)
{
    if (!OnDragOver) return;
    const QPoint at = event->position().toPoint();
    OnDragOver(event, at.x() - BorderWidth, at.y() - BorderWidth);
}

void MyTPanel::dropEvent(QDropEvent *event)
{
    if (!OnDragDrop) {
        event->ignore();
        return;
    }
    const QPoint at = event->position().toPoint();
    OnDragDrop(event, at.x() - BorderWidth, at.y() - BorderWidth);
}

// ---- Press, hot-tracking and the timer ----------------------------------------------------------

void MyTPanel::Press()
{
    TMyPanelGlobal &g = GMyPanelGlobal;
    if (g.PressedControl && g.PressedControl != this) {
        g.PressedControl->Pressed = false;
        g.PressedControl->update();
    }
    Pressed = true;
    g.PressedControl = this;
    update();
    g.PressCrono.Start();
    StartTimer();
}

void MyTPanel::SetHot()
{
    TMyPanelGlobal &g = GMyPanelGlobal;
    if (g.HotControl != this) {
        if (g.HotControl) g.HotControl->update();
        g.HotControl = this;
        update();
    }
    StartTimer();
}

void MyTPanel::StartTimer()
{
    TMyPanelGlobal &g = GMyPanelGlobal;
    if (!g.Timer) {
        g.Timer = new QTimer(QCoreApplication::instance());
        g.Timer->setInterval(200);
        QObject::connect(g.Timer.data(), &QTimer::timeout, &MyTPanel::TimerTick);
    }
    if (!g.Timer->isActive()) g.Timer->start();
}

void MyTPanel::TimerTick()
{
    TMyPanelGlobal &g = GMyPanelGlobal;
    if (MyTPanel *pressed = g.PressedControl) {
        const bool held = QGuiApplication::mouseButtons() != Qt::NoButton;
        if ((!held || !IsMouseOver(pressed)) && g.PressCrono.Elapsed() >= MinimumPressTime) {
            pressed->Pressed = false;
            g.PressedControl = nullptr;
            pressed->update();
        }
    }
    if (MyTPanel *hot = g.HotControl; hot && !IsMouseOver(hot)) {
        g.HotControl = nullptr;
        hot->update();
    }
    if (!g.HotControl && !g.PressedControl && g.Timer) g.Timer->stop();
}
