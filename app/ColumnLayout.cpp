// Column placement, item height and the attribute commands.
#include "app/Column.h"

#include "Libraries/Error.h"
#include "app/MainDialog.h"
#include "app/OptionsDialog.h"

#include <algorithm>

namespace {
constexpr const char *ThisUnit = "Column";
}

std::vector<int> ColumnWidths(const std::vector<TColumnWeight> &columns, int areaWidth, int border)
{
    std::vector<int> widths;
    int sum = 0;
    for (const TColumnWeight &column : columns)
        sum += std::max(column.WidthAttribute, column.Subcolumns);
    if (sum <= 0) return widths;
    int x = 0;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const TColumnWeight &column = columns[i];
        const int raw = areaWidth * std::max(column.WidthAttribute, column.Subcolumns) / sum;
        int width = raw;
        // Equal subcolumns: the inside is a whole multiple of the subcolumn count.
        if (column.Subcolumns >= 2)
            width = border * 2 + (raw - border * 2) / column.Subcolumns * column.Subcolumns;
        if (i + 1 == columns.size()) width = areaWidth - x;
        widths.push_back(width);
        x += width;
    }
    return widths;
}

void TMainForm::ResetColumnsArea()
{
    for (int i = 0; i < 10; ++i) Columns[i]->ColumnPanel->hide();
    std::vector<TColumnWeight> weights;
    for (int i = 0; i < VisibleColumnCount; ++i)
        weights.push_back({Columns[i]->WidthAttribute, Columns[i]->Subcolumns});
    const int border = Columns[0]->FileList->BorderWidth;
    const std::vector<int> widths = ColumnWidths(weights, ColumnsArea->InsideWidth(), border);
    const int left = ColumnsArea->BorderWidth;
    const int top = ColumnsArea->BorderWidth;
    const int height = ColumnsArea->InsideHeight();
    int x = 0;
    for (int i = 0; i < VisibleColumnCount; ++i) {
        Columns[i]->Reset(left + x, top, height, widths[static_cast<std::size_t>(i)]);
        x += widths[static_cast<std::size_t>(i)];
    }
    for (int i = VisibleColumnCount; i < 12; ++i) Columns[i]->Reset(0, 0, 0, 0);
}

void TColumn::Reset(int left, int top, int height, int width)
{
    TFunScope Fun(ThisUnit, "TColumn::Reset");
    Fun.Run([&] {
        ColumnPanel->hide();
        if (!IsVisible()) {
            DirMonitor.Stop();
            return;
        }
        ColumnPanel->setGeometry(left, top, width, height);
        const int inside = std::max(0, width - 2 * ColumnPanel->BorderWidth);
        const int headerHeight = HeaderButton->TextHeight() + 2 * HeaderButton->BorderWidth;
        HeaderButton->setGeometry(
            ColumnPanel->BorderWidth, ColumnPanel->BorderWidth, inside, headerHeight);
        HeaderButton->Down = Fixed;
        FileList->setGeometry(ColumnPanel->BorderWidth,
                              ColumnPanel->BorderWidth + headerHeight,
                              inside,
                              std::max(0, height - 2 * ColumnPanel->BorderWidth - headerHeight));
        UpdateItemHeight();
        FileList->SetSubcolumns(Subcolumns);
        ScrollFocusToRow();
    });
    FileList->PaintingEnabled = IsVisible();
    ColumnPanel->setVisible(IsVisible());
}

void TColumn::ScrollFocusToRow()
{
    const int focus = FileList->FocusIndex;
    FileList->SetTopIndex(focus - FocusRow);
    FileList->SetFocusIndex(focus);
}

void TColumn::UpdateItemHeight()
{
    const int line = FileList->TextHeight() + ProgramOptions.ItemsExtraHeight + 1;
    if (Thumb && TotalSize > 0) FileList->SetItemHeight(ThumbHeight > 0 ? (ThumbHeight + 2) * line : 0);
    else FileList->SetItemHeight(line);
}

void TColumn::ToggleFixed()
{
    Fixed = !Fixed;
    HeaderButton->Down = Fixed;
    Form.update();
    HeaderButton->update();
    Form.FocusColumn(-1, false);
}

void TColumn::SetWidthAttribute(int value)
{
    WidthAttribute = std::clamp(value, 1, 10);
    Form.Reset(false);
    Form.FocusColumn(-1, false);
}

void TColumn::SetSubcolumns(int value)
{
    const int old = Subcolumns;
    Subcolumns = std::clamp(value, 1, 10);
    const bool sameWeight = Subcolumns == old || (WidthAttribute >= old && WidthAttribute >= Subcolumns);
    if (sameWeight) FileList->SetSubcolumns(Subcolumns);
    else Form.Reset(false);
    Form.FocusColumn(-1, false);
}

void TColumn::SetThumbHeight(int value, bool all)
{
    value = std::clamp(value, 0, 30);
    if (all) {
        for (int i = 0; i < 10; ++i) {
            Form.Columns[i]->ThumbHeight = value;
            Form.Columns[i]->UpdateItemHeight();
        }
    } else {
        ThumbHeight = value;
    }
    Thumb = true;
    UpdateItemHeight();
    Form.FocusColumn(-1, false);
}

void TColumn::ToggleThumb()
{
    Thumb = !Thumb;
    UpdateItemHeight();
    Form.FocusColumn(-1, false);
}

void TColumn::SetSortMode(const std::string &mode)
{
    SortMode = mode;
    // A container keeps its own order; the mode applies when a directory is shown again.
    if (ContainerIndex < 0) {
        RecordFocus();
        LoadDirectory(false);
    }
    Form.FocusColumn(-1, false);
}

void TColumn::ToggleContainerPaths()
{
    ShowContainerPaths = !ShowContainerPaths;
    FileList->update();
    Form.FocusColumn(-1, false);
}
