// MyTPanel: the one custom-painted control behind every area of the main window, in the
// roles of panel, button or caption, splitter bar, list of items and level bar.
#pragma once

#include "app/SkinDialog.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QPainter;

// An item of a list panel; owners derive their item records from it.
struct TPanelItem
{
    virtual ~TPanelItem() = default;
};

QColor ColorOf(TColor color);

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

    explicit MyTPanel(QWidget *parent, int role = RolePanel);

    int Role;
    bool Empty = true;
    int FaceStyle = 2; // 0 button colours, 1 window colours, 2 filling colour
    bool Framed = true;
    int BorderWidth = 5;
    bool Down = false;
    bool StrikeOut = false;
    bool Vertical = true;
    bool CenterH = false;
    bool CenterV = true;
    std::string CaptionUp;
    std::string CaptionDown;
    std::string Hint;
    int ItemHeight = 15;
    int Subcolumns = 1;
    int TopIndex = 0;
    int FocusIndex = 0;
    std::vector<std::unique_ptr<TPanelItem>> Items;
    // Painting of the list is switched off while a column changes its content.
    bool PaintingEnabled = true;

    // Paints one item of a list into its rectangle.
    std::function<void(QPainter &, int index, const QRect &rect)> OnDrawItem;
    // Makes the placeholder item of an empty list.
    std::function<std::unique_ptr<TPanelItem>()> OnNewItem;
    // Tells whether a list's single item is the placeholder.
    std::function<bool(const TPanelItem &)> OnIsEmptyItem;
    std::function<void(QMouseEvent *)> OnMouseDown;
    std::function<void(QKeyEvent *)> OnKeyDown;
    // A splitter was dragged by delta pixels (x when Vertical, else y).
    std::function<void(int delta)> OnSplitterMoved;

    void SetCaptions(const std::string &up, const std::string &down);
    void SetBorderWidth(int width);
    void SetItemHeight(int height);
    void SetSubcolumns(int count);

    std::string Caption() const { return Down ? CaptionDown : CaptionUp; }
    QFont PanelFont() const;
    int TextHeight() const;
    int LineHeight() const;
    int InsideWidth() const;
    int InsideHeight() const;
    int EffectiveItemHeight() const;
    int VisibleRows() const;
    int LastVisibleIndex() const;
    int Count() const { return static_cast<int>(Items.size()); }
    QRect ItemRect(int index) const;

    void ClearItems();
    void AddItem(std::unique_ptr<TPanelItem> item);
    void ItemsChanged();
    void SetTopIndex(int top);
    void SetFocusIndex(int focus);

    // Sends every panel's hint to the hint bar.
    static std::function<void(const std::string &)> OnHint;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void enterEvent(QEnterEvent *event) override;

private:
    void PaintFace(QPainter &painter);
    void PaintList(QPainter &painter);
    bool Dragging = false;
    QPoint DragOrigin;
};
