// MyTPanel: the one custom-painted control behind every area of the main window, in the roles of
// panel, button or caption, splitter bar, list of items, scroll bar of a list and level bar.
#pragma once

#include "Libraries/MyTime.h"
#include "app/SkinDialog.h"

#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QTimer>
#include <QWidget>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QDragMoveEvent;
class QDropEvent;
class QMenu;
class QMimeData;
class QPainter;
class QRegion;
class MyTPanel;

// An item of a list panel; owners derive their item records from it.
struct TPanelItem
{
    virtual ~TPanelItem() = default;
};

// The item of a list of texts, the kind a list makes unless its owner installs another.
struct TTextItem : TPanelItem
{
    TTextItem() = default;
    explicit TTextItem(std::string text) : Text(std::move(text)) {}
    std::string Text;
};

// The Qt colour of a 0x00BBGGRR colour.
QColor ColorOf(TColor color);

// The shared background of one top-level window: its background picture (or the filling colour)
// with the faces of its panels composited into it once per layout.
struct TSharedBackground
{
    QPointer<QWidget> Window;
    QImage Image;
    // The skin, picture and window size the image was made with.
    std::uint64_t Signature = 0;
    // A panel moved, resized, appeared or went away since the image was made.
    bool Dirty = true;
};

// What the panels paint with: references to the live skin and option values, so that a change
// is seen at the next paint, and the background pictures.
struct TMyPanelOptions
{
    TColor &FillingColor;
    TColor &GridColor;
    TColor &ButtonBriskMarginColor;
    TColor &ButtonMarginColor;
    TColor &ButtonBackColor;
    TColor &ButtonTextColor;
    TColor &ButtonTintColor;
    TColor &ButtonHotTrackTintColor;
    TColor &PushedBriskMarginColor;
    TColor &PushedMarginColor;
    TColor &PushedBackColor;
    TColor &PushedTextColor;
    TColor &PushedTintColor;
    TColor &PushedHotTrackTintColor;
    TColor &WindowBriskMarginColor;
    TColor &WindowMarginColor;
    TColor &WindowBackColor;
    TColor &WindowTextColor;
    TColor &WindowTintColor;
    std::string &CaptionFontName;
    std::int32_t &CaptionFontSize;
    std::string &ItemsFontName;
    std::int32_t &ItemsFontSize;
    std::int32_t &ItemsExtraHeight;
    bool &InstantScrollbarThumbPaint;
    std::int32_t &ScrollbarSensitivity;
    std::int32_t &ControlMarginTranslucency;
    std::int32_t &ControlBackTranslucency;
    std::int32_t &WindowMarginTranslucency;
    std::int32_t &WindowBackTranslucency;
    std::int32_t &WindowActiveFocusMarginTranslucency;
    std::int32_t &WindowActiveFocusBackTranslucency;
    std::int32_t &WindowInactiveFocusMarginTranslucency;
    std::int32_t &WindowInactiveFocusBackTranslucency;
    std::int32_t &ScrollbarBackTranslucency;
    std::int32_t &ScrollbarThumbMarginTranslucency;
    std::int32_t &ScrollbarThumbBackTranslucency;
    std::string &NonOvalButtonsStyle;
    // The main window; null: every panel's own top-level window stands for it.
    QPointer<QWidget> MainWindow;
    // The main window's background picture at its client size; null: none (the filling colour).
    const QImage *BackPicture = nullptr;
    // The shared backgrounds, one per top-level window that holds panels.
    std::vector<TSharedBackground> SharedBackgrounds;
};

extern TMyPanelOptions GMyPanelOptions;

// The state all panels share: painting on or off, the hot and the pressed control, the timer
// that releases them and the stopwatch started at each press.
struct TMyPanelGlobal
{
    bool PaintingEnabled = true;
    // Under the mouse and hot-tracked; at most one.
    MyTPanel *HotControl = nullptr;
    // Held down by the mouse; at most one.
    MyTPanel *PressedControl = nullptr;
    // Every 200 ms it releases the pressed control and clears the hot one; made at first use.
    QPointer<QTimer> Timer;
    TCrono PressCrono;
};

extern TMyPanelGlobal GMyPanelGlobal;

// The custom-painted control: it paints itself over the shared background with the skin's
// colours, and as a list owns its items, its focus and top index and its scroll bar.
class MyTPanel : public QWidget
{
public:
    enum TRole
    {
        RolePanel = 0,
        RoleSplitter = 1,
        RoleList = 2,
        RoleScrollBar = 3,
        RoleLevelBar = 4
    };
    enum TButtonShape
    {
        ShapeRectangle = 0,
        ShapeSingleOval = 1,
        ShapeDoubleOval = 2
    };

    // Makes a panel of the role for its parent.
    // Error (under "MyTPanel::Construct"): "Unhandled exception: " + message, or
    // "Unhandled generic exception."
    explicit MyTPanel(QWidget *parent, int role = RolePanel);
    ~MyTPanel() override;
    MyTPanel(const MyTPanel &) = delete;
    MyTPanel &operator=(const MyTPanel &) = delete;

    QWidget *Owner;
    int Role = RolePanel;
    bool Empty = true;
    int FaceStyle = 2; // 0 button colours, 1 window colours, 2 filling colour
    int BaseStyle = 2; // under the face: 0 ButtonBackColor, 1 WindowBackColor, 2 FillingColor
    bool Framed = true;
    int BorderWidth = 5;
    // Inset of the frame and of oval faces, never more than BorderWidth.
    int FrameInset = 1;
    int ButtonShape = ShapeRectangle;
    bool ButtonFace = false;
    bool Transparent = false;
    bool Pressed = false;
    bool Down = false;
    bool StrikeOut = false;
    // A splitter that resizes horizontally (the mouse moves in x).
    bool Vertical = true;
    bool PathEllipsis = false;
    bool HotTrack = false;
    bool CenterH = false;
    bool CenterV = true;
    bool WordWrap = false;
    std::string CaptionUp;
    std::string CaptionDown;
    std::string Hint;
    // 0 or less: one item fills the list.
    int ItemHeight = 15;
    int Subcolumns = 1;
    // Always a multiple of Subcolumns.
    int TopIndex = 0;
    int FocusIndex = 0;
    std::vector<std::unique_ptr<TPanelItem>> Items;
    // A list's scroll bar, made with the list role.
    MyTPanel *ScrollBar = nullptr;
    // A scroll bar's list.
    MyTPanel *ScrollOwner = nullptr;
    // The scroll bar thumb is being dragged.
    bool Scrolling = false;
    // Painting of the list is switched off while a column changes its content.
    bool PaintingEnabled = true;

    // Paints one item of a list into its rectangle.
    std::function<void(QPainter &, int index, const QRect &rect)> OnDrawItem;
    // Paints the inside of a panel without caption.
    std::function<void(QPainter &, const QRect &inside)> OnDrawCaption;
    // Makes the placeholder item of an empty list.
    std::function<std::unique_ptr<TPanelItem>()> OnNewItem;
    // Tells whether a list's single item is the placeholder.
    std::function<bool(const TPanelItem &)> OnIsEmptyItem;
    // Copies an item for CopyItemsFrom and AppendItems; null skips the item.
    std::function<std::unique_ptr<TPanelItem>(const TPanelItem &)> OnCopyItem;
    // The focus moved, or was set again, from oldIndex.
    std::function<void(int oldIndex)> OnFocusChanged;
    // Dragging the scroll bar moved the top to top.
    std::function<void(int top)> OnTopChanged;
    // A scroll bar drag that moved the top ended.
    std::function<void()> OnScrollEnd;
    std::function<void(QKeyEvent *)> OnKeyDown;
    std::function<void(QMouseEvent *)> OnMouseDown;
    // Mouse up and moves, with x and y inside the border.
    std::function<void(QMouseEvent *, int x, int y)> OnMouseUp;
    std::function<void(QMouseEvent *, int x, int y)> OnMouseMove;
    std::function<void(QWheelEvent *)> OnWheel;
    // A drag over the panel, x and y inside the border; accepting the event allows the drop.
    std::function<void(QDragMoveEvent *, int x, int y)> OnDragOver;
    std::function<void(QDropEvent *, int x, int y)> OnDragDrop;
    std::function<void()> OnStartDrag;
    std::function<void(Qt::DropAction)> OnEndDrag;
    // The keyboard focus came (enter) or went (leave).
    std::function<void()> OnEnter;
    std::function<void()> OnLeave;
    // A splitter drag of shift pixels (x when Vertical, else y) may be changed here.
    std::function<void(int &shift)> OnSplitterValidate;
    // A splitter was dragged by delta pixels (x when Vertical, else y); called at the release.
    std::function<void(int delta)> OnSplitterMoved;
    // A level bar's level, 0..1.
    std::function<double()> OnLevelGet;
    // A press on a level bar chose the level, 0..1.
    std::function<void(double level)> OnLevelSet;
    // The level bar's fill and line colours (PushedBackColor and PushedMarginColor unless set).
    std::function<void(TColor &fill, TColor &line)> OnLevelColors;
    // Draws on the shared background over the panel's rectangle before the faces are composited.
    std::function<void(QPainter &)> OnAfterBackgroundPaint;

    // Sets the role; a list gets its items, its scroll bar and text-item callbacks.
    void SetRole(int role);
    void SetCaptions(const std::string &up, const std::string &down);
    // A negative width becomes 5.
    void SetBorderWidth(int width);
    void SetItemHeight(int height);
    // Limited to 1..10.
    void SetSubcolumns(int count);

    std::string Caption() const { return Down ? CaptionDown : CaptionUp; }
    // The items font for a list, the caption font otherwise.
    QFont PanelFont() const;
    int TextHeight() const;
    // Text height + "ItemsExtraHeight" + 1.
    int LineHeight() const;
    // Width inside the border, without the scroll bar when it is shown.
    int InsideWidth() const;
    int InsideHeight() const;
    int EffectiveItemHeight() const;
    int VisibleRows() const;
    // Rows of items: count / Subcolumns, rounded up.
    int Rows() const;
    int LastVisibleIndex() const;
    int Count() const { return static_cast<int>(Items.size()); }
    bool IsItemVisible(int index) const;
    bool ScrollBarShown() const;
    // The item's rectangle in the panel; left and top -1 and empty when index is not an item.
    QRect ItemRect(int index) const;
    // The same without the border offset.
    QRect ItemRectInside(int index) const;
    // The item at a point inside the border, or -1.
    int ItemAt(int x, int y) const;
    // The item under the mouse cursor, or -1.
    int ItemUnderMouse() const;

    // A scroll bar's track height, thumb height and thumb offset from the track's top.
    int TrackHeight() const;
    int ThumbHeight() const;
    int ThumbOffset() const;

    void SetTopIndex(int top);
    void SetFocusIndex(int focus);
    // Scrolls so that the focused item is shown.
    void EnsureFocusVisible();
    // Moves the focus to the top or the last visible item when it is not shown.
    void KeepFocusInView();
    // Focuses index, putting it rowOffset items below the top when scroll is set (or it is hidden).
    void FocusAt(int index, int rowOffset, bool scroll);

    // Frees every item and leaves the placeholder.
    void ClearItems();
    // Adds an item; an empty list's placeholder gives way to it.
    void AddItem(std::unique_ptr<TPanelItem> item);
    // Adds a text item and returns its index; an empty text is not added (-1).
    int AddTextItem(const std::string &text);
    // Replaces the items by text items of the non-empty texts.
    // Error (under "MyTPanel::LoadTextItems"): "Unhandled exception: " + message, or
    // "Unhandled generic exception."
    void LoadTextItems(const std::vector<std::string> &texts);
    // Replaces the items by text items of the file's non-empty lines; none when unreadable.
    // Error (under "MyTPanel::LoadTextItemsFromFile"): "Unhandled exception: " + message, or
    // "Unhandled generic exception."
    void LoadTextItemsFromFile(const std::string &fileName);
    // Replaces the items by copies of the source's, through the copy callback.
    void CopyItemsFrom(const MyTPanel &source);
    // Adds copies of the source's items after this list's.
    void AppendItems(const MyTPanel &source);
    // Recomputes Empty (adding the placeholder to a list without items), re-lays out the scroll
    // bar and repaints.
    void ItemsChanged();
    // The text of a text item, empty for other items.
    std::string TextOf(int index) const;
    // The first text item equal to text without regard to case, or -1.
    int FindTextItem(const std::string &text) const;
    // Exchanges every item with a random one, passes times.
    void ShuffleItems(int passes);

    // Opens the menu under the panel: at the mouse's x when x < 0, else at border + x.
    void PopupAt(QMenu *menu, int x);
    // Drags the data from the panel through the start and end callbacks.
    Qt::DropAction StartDrag(QMimeData *mimeData, Qt::DropActions actions);

    // Places and shows or hides a list's scroll bar.
    // Error (under "MyTPanel::ResetScrollBar"): "Unhandled exception: " + message, or
    // "Unhandled generic exception."
    void ResetScrollBar();
    // Paints the control: into the shared background (prePaint) or on screen over the region.
    // Error (under "MyTPanel::FPaint"): "Unhandled exception: " + message, or
    // "Unhandled generic exception."
    void FPaint(QPainter &canvas, bool prePaint, const QRegion &region);

    // Rebuilds the shared background of the window (null: the main window) and repaints it.
    // Error (under "MyTPanel::ResetAll"): "Unhandled exception: " + message, or
    // "Unhandled generic exception."
    static void ResetAll(QWidget *mainWindow = nullptr);
    // One beat of the 200 ms timer: releases the pressed control, clears the hot one.
    static void TimerTick();

    // Sends every panel's hint to the hint bar.
    static std::function<void(const std::string &)> OnHint;

protected:
    // Error (under "MyTPanel::Dispatch"): "Unhandled exception: " + message, or
    // "Unhandled generic exception."
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    struct TFaceColors;
    using TFaceKey = std::array<int, 14>;

    void Construct(int role);
    TFaceColors FaceColors(bool hot) const;
    TColor BaseColor() const;
    bool IsHot() const;
    bool HasSomethingToPaint() const;
    bool IsPrePainted() const;
    TFaceKey FaceKey() const;
    void PaintBackground(QPainter &canvas, const QRect &area, bool bare);
    void PaintFace(QPainter &canvas, bool hot, bool prePaint);
    void PaintScrollBar(QPainter &canvas, bool hot);
    void PaintLevel(QPainter &canvas);
    void PaintCaption(QPainter &canvas, bool hot);
    void PaintItems(QPainter &canvas, const QRegion &region);
    void Press();
    void SetHot();
    void ScrollBarDrag(int globalY);
    void ScrollBarRelease(int globalY);
    int SplitterShift(const QPoint &globalPos, bool moveCursorBack);
    void MarkBackgroundDirty();
    static void StartTimer();
    static void BuildBackground(TSharedBackground &background, QWidget *window);

    // The face this panel composited into the shared background, and whether it did.
    TFaceKey PrePaintedKey{};
    bool PrePaintedFace = false;
    int WheelDelta = 0;
    bool SplitterActive = false;
    QPoint SplitterOrigin;
    bool ScrollPressed = false;
    int ScrollPressY = 0;
    int ScrollPressTop = 0;
};
