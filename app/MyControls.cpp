// MyTPanel: the custom-painted panel, button, splitter and list.
#include "app/MyControls.h"

#include "app/OptionsDialog.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

std::function<void(const std::string &)> MyTPanel::OnHint;

QColor ColorOf(TColor color)
{
    return QColor(static_cast<int>(color & 0xFFu),
                  static_cast<int>((color >> 8) & 0xFFu),
                  static_cast<int>((color >> 16) & 0xFFu));
}

MyTPanel::MyTPanel(QWidget *parent, int role) : QWidget(parent), Role(role)
{
    if (Role == RoleList) {
        setFocusPolicy(Qt::StrongFocus);
        ItemsChanged();
    }
    if (Role == RoleSplitter) setCursor(Qt::SplitHCursor);
    setMouseTracking(false);
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
    update();
}

void MyTPanel::SetItemHeight(int height)
{
    if (height == ItemHeight) return;
    ItemHeight = height;
    SetTopIndex(TopIndex);
    update();
}

void MyTPanel::SetSubcolumns(int count)
{
    count = std::clamp(count, 1, 10);
    if (count == Subcolumns) return;
    Subcolumns = count;
    SetTopIndex(TopIndex);
    update();
}

QFont MyTPanel::PanelFont() const
{
    const bool list = Role == RoleList;
    QFont font(QString::fromStdString(list ? ProgramOptions.ItemsFontName
                                           : ProgramOptions.CaptionFontName));
    font.setPointSize(list ? ProgramOptions.ItemsFontSize : ProgramOptions.CaptionFontSize);
    font.setStrikeOut(StrikeOut);
    return font;
}

int MyTPanel::TextHeight() const
{
    return QFontMetrics(PanelFont()).height();
}

int MyTPanel::LineHeight() const
{
    return TextHeight() + ProgramOptions.ItemsExtraHeight + 1;
}

int MyTPanel::InsideWidth() const
{
    return std::max(0, width() - 2 * BorderWidth);
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

int MyTPanel::LastVisibleIndex() const
{
    return std::min(Count(), VisibleRows() * Subcolumns + TopIndex) - 1;
}

QRect MyTPanel::ItemRect(int index) const
{
    if (index < TopIndex || index > LastVisibleIndex()) return QRect(-1, -1, 0, 0);
    const int k = index - TopIndex;
    const int columnWidth = InsideWidth() / Subcolumns;
    const int left = BorderWidth + columnWidth * (k % Subcolumns);
    const int top = BorderWidth + EffectiveItemHeight() * (k / Subcolumns);
    return QRect(left, top, columnWidth, EffectiveItemHeight());
}

void MyTPanel::ClearItems()
{
    Items.clear();
    TopIndex = 0;
    FocusIndex = 0;
    ItemsChanged();
}

void MyTPanel::AddItem(std::unique_ptr<TPanelItem> item)
{
    if (item) Items.push_back(std::move(item));
}

void MyTPanel::ItemsChanged()
{
    if (Items.empty()) {
        Empty = true;
        Items.push_back(OnNewItem ? OnNewItem() : std::make_unique<TPanelItem>());
    } else {
        Empty = Items.size() == 1 && OnIsEmptyItem && OnIsEmptyItem(*Items.front());
    }
    FocusIndex = std::clamp(FocusIndex, 0, Count() - 1);
    if (PaintingEnabled) update();
}

void MyTPanel::SetTopIndex(int top)
{
    const int rows = (Count() + Subcolumns - 1) / Subcolumns;
    const int visible = VisibleRows();
    const int newTop = (visible >= rows || top < 0) ? 0 : Subcolumns * std::min(rows - visible, top / Subcolumns);
    if (newTop == TopIndex) return;
    TopIndex = newTop;
    if (PaintingEnabled) update();
}

void MyTPanel::SetFocusIndex(int focus)
{
    FocusIndex = std::clamp(focus, 0, std::max(0, Count() - 1));
    if (FocusIndex < TopIndex) SetTopIndex(FocusIndex);
    else if (FocusIndex > LastVisibleIndex())
        SetTopIndex(FocusIndex + Subcolumns - VisibleRows() * Subcolumns);
    if (PaintingEnabled) update();
}

void MyTPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    PaintFace(painter);
    if (Role == RoleList && PaintingEnabled) PaintList(painter);
}

void MyTPanel::PaintFace(QPainter &painter)
{
    TColor back = SkinOptions.FillingColor;
    TColor margin = SkinOptions.WindowMarginColor;
    TColor text = SkinOptions.ButtonTextColor;
    if (Down) {
        back = SkinOptions.PushedBackColor;
        margin = SkinOptions.PushedMarginColor;
        text = SkinOptions.PushedTextColor;
    } else if (FaceStyle == 0) {
        back = SkinOptions.ButtonBackColor;
        margin = SkinOptions.ButtonMarginColor;
    } else if (FaceStyle == 1) {
        back = SkinOptions.WindowBackColor;
        text = SkinOptions.WindowTextColor;
    }
    painter.fillRect(rect(), ColorOf(back));
    if (Framed && Role != RoleSplitter) {
        painter.setPen(ColorOf(margin));
        const int inset = std::min(1, BorderWidth);
        painter.drawRoundedRect(rect().adjusted(inset, inset, -inset - 1, -inset - 1), 3, 3);
    }
    const std::string caption = Caption();
    if (caption.empty()) return;
    painter.setPen(ColorOf(text));
    painter.setFont(PanelFont());
    const QRect inside = rect().adjusted(BorderWidth, 0, -BorderWidth, 0);
    const int flags = (CenterH ? Qt::AlignHCenter : Qt::AlignLeft) |
                      (CenterV ? Qt::AlignVCenter : Qt::AlignTop) | Qt::TextSingleLine;
    painter.drawText(inside, flags, QString::fromStdString(caption));
}

void MyTPanel::PaintList(QPainter &painter)
{
    if (Empty || !OnDrawItem) return;
    for (int i = TopIndex; i <= LastVisibleIndex(); ++i) OnDrawItem(painter, i, ItemRect(i));
}

void MyTPanel::mousePressEvent(QMouseEvent *event)
{
    if (Role == RoleSplitter && event->button() == Qt::LeftButton) {
        Dragging = true;
        DragOrigin = event->globalPosition().toPoint();
    }
    if (Role == RoleList) setFocus();
    if (OnMouseDown) OnMouseDown(event);
}

void MyTPanel::mouseMoveEvent(QMouseEvent *event)
{
    if (!Dragging || !OnSplitterMoved) return;
    const QPoint now = event->globalPosition().toPoint();
    const int delta = Vertical ? now.x() - DragOrigin.x() : now.y() - DragOrigin.y();
    if (delta == 0) return;
    DragOrigin = now;
    OnSplitterMoved(delta);
}

void MyTPanel::mouseReleaseEvent(QMouseEvent *)
{
    Dragging = false;
}

void MyTPanel::keyPressEvent(QKeyEvent *event)
{
    if (OnKeyDown) OnKeyDown(event);
    else QWidget::keyPressEvent(event);
}

void MyTPanel::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    if (OnHint && !Hint.empty()) OnHint(Hint);
}
