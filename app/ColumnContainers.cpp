// What a column does with containers: showing one, adding, inserting, relocating and removing
// items, pasting titles, going to an item's file, and keeping every column that shows a
// container in step with it.
#include "app/Column.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/UtilitiesUi.h"
#include "app/Containers.h"
#include "app/MainDialog.h"

#include <QInputDialog>
#include <QLocale>

#include <limits>

namespace {

constexpr const char *ThisUnit = "Column";

std::string Thousands(std::size_t count)
{
    return QLocale().toString(static_cast<qlonglong>(count)).toStdString();
}

// The titles a column hands over: its selected items in list order, else its active title.
std::vector<int> SelectedIndexes(const TColumn &column)
{
    std::vector<int> indexes;
    if (column.FileList->Empty) return indexes;
    for (int i = 0; i < column.FileList->Count(); ++i)
        if (column.Item(i)->Selected) indexes.push_back(i);
    return indexes;
}

// Adds the column's selected titles (deselecting them when asked), else its active title, to
// the container; true when something was added.
bool AddColumnTitles(TContainer &container, TColumn &column, bool deselect)
{
    const std::vector<int> selected = SelectedIndexes(column);
    if (selected.empty()) return container.AddItem(column.ActiveTitle, 0) >= 0;
    bool added = false;
    for (const int i : selected) {
        added |= container.AddItem(column.Item(i)->Title, 0) >= 0;
        if (deselect) column.SelectItem(i, false);
    }
    return added;
}

} // namespace

TContainer &TColumn::Container()
{
    return Form.Containers[ContainerIndex];
}

bool TColumn::IsSynchronized()
{
    return ContainerIndex >= 0 && ListEqualsContainer(Container().Titles());
}

void TColumn::ReloadContainer(int number)
{
    if (number < 0) number = ContainerIndex;
    if (number < 0 || number >= TContainer::Count) return;
    RecordFocus();
    LoadDirectory(false, number);
    FunStatContext.Reset(fsPerfect);
    UpdateRestOfContainers(number);
}

void TColumn::UpdateRestOfContainers(int number)
{
    TFunScope Fun(ThisUnit, "TColumn::UpdateRestOfContainers");
    Fun.Run([&] {
        for (int i = 0; i < Form.VisibleColumnCount; ++i) {
            TColumn &other = *Form.Columns[i];
            if (&other == this || other.ContainerIndex != number) continue;
            other.RecordFocus();
            other.SetWithColumnContent(*this, false, false, false, true);
            if (Fun.CalleeFailed()) return;
        }
    });
    Fun.ShowIfFailed("Failed to update the columns of the container.");
}

void TColumn::ReloadAllShowing(TMainForm &form, int number)
{
    for (int i = 0; i < form.VisibleColumnCount; ++i)
        if (form.Columns[i]->ContainerIndex == number) {
            form.Columns[i]->ReloadContainer(number);
            return;
        }
}

void TColumn::ShowContainer(int number)
{
    if (ContainerIndex == number) return;
    LoadDirectory(true, number);
    FunStatContext.Reset(fsPerfect);
    Form.FocusColumn(Index, false);
}

void TColumn::CopyToContainer(TColumn &d, TColumn &s, bool deselect, bool moveWording)
{
    TFunScope Fun(ThisUnit, "TColumn::CopyToContainer");
    const TBusyScope busy(d.Form);
    bool added = false;
    Fun.Run([&] {
        if (d.ContainerIndex < 0) {
            Fun.Raise("The destination must be a container.");
            return;
        }
        const std::vector<int> selected = SelectedIndexes(s);
        const std::string verb = moveWording ? "moved" : "copied";
        const std::string question =
            selected.empty() ? std::string(moveWording ? "Move" : "Copy") +
                                   " the focused file to the container?\n\nThe file itself is NOT " + verb +
                                   ", but only the container item."
                             : "Copy the " + std::to_string(selected.size()) +
                                   " selected files to the container?\n\nThe files themselves are NOT " + verb +
                                   ", but only the container items.";
        if (!AskYesNo(question)) return;
        added = AddColumnTitles(d.Container(), s, deselect);
    });
    Fun.ShowIfFailed("Failed to copy to container.");
    if (added) d.ReloadContainer(-1);
    s.FileList->update();
}

void TColumn::InsertContainerItem(TColumn &d, TColumn &s, int index)
{
    TFunScope Fun(ThisUnit, "TColumn::InsertContainerItem");
    const TBusyScope busy(d.Form);
    bool inserted = false;
    Fun.Run([&] {
        if (s.ContainerIndex >= 0 && s.ContainerIndex == d.ContainerIndex) return;
        if (d.ContainerIndex < 0) {
            Fun.Raise("The destination must be a container.");
            return;
        }
        if (!d.IsSynchronized()) {
            Fun.Panic("Column and container items are not synchronized. You must reload the column.");
            return;
        }
        const std::vector<int> selected = SelectedIndexes(s);
        const std::string question =
            selected.empty()
                ? "Copy and insert the focused file in the container?\n\nThe file itself is NOT copied, but only the "
                  "container item."
                : "Copy and insert the " + std::to_string(selected.size()) +
                      " selected files in the container?\n\nThe files themselves are NOT copied, but only the "
                      "container items.";
        if (!AskYesNo(question)) return;
        if (index < 0) index = d.FileList->Empty ? 0 : d.FileList->FocusIndex;
        TContainer &container = d.Container();
        if (selected.empty()) container.InsertItem(index, s.ActiveTitle);
        for (auto i = selected.rbegin(); i != selected.rend(); ++i) {
            container.InsertItem(index, s.Item(*i)->Title);
            s.SelectItem(*i, false);
        }
        inserted = true;
    });
    Fun.ShowIfFailed("Failed to copy and insert to container.");
    if (inserted) d.ReloadContainer(-1);
    s.FileList->update();
}

void TColumn::RelocateContainerItem(TColumn &d, TColumn &s, int index)
{
    TFunScope Fun(ThisUnit, "TColumn::RelocateContainerItem");
    const TBusyScope busy(d.Form);
    bool asked = false;
    Fun.Run([&] {
        if (s.ContainerIndex < 0 || d.ContainerIndex < 0) {
            Fun.Raise("The source and destination must be containers.");
            return;
        }
        if (!s.IsSynchronized()) {
            Fun.Panic("Source column and container items are not synchronized. You must reload the column.");
            return;
        }
        const bool same = s.ContainerIndex == d.ContainerIndex;
        if (!same && !d.IsSynchronized()) {
            Fun.Panic("Destination column and container items are not synchronized. You must reload the column.");
            return;
        }
        if (d.Container().IsDuplicate(d.ActiveTitle)) {
            ShowWarningMessage("The active item has duplicates. Therefore, the source item might be relocated next\n"
                               "to a duplicate item (which could be at another position).\n\nUse the \"File \\ "
                               "Container \\ Remove duplicates\" function first.");
            return;
        }
        const std::vector<int> selected = SelectedIndexes(s);
        const std::string what = selected.empty() ? std::string("Relocate the source item")
                                                  : "Relocate " + std::to_string(selected.size()) + " selected items";
        if (!AskYesNo(what + " before the active item?")) return;
        asked = true;
        if (index < 0) index = d.FileList->FocusIndex;
        const int count = d.FileList->Empty ? 0 : d.FileList->Count();
        int anchor = index;
        while (anchor < count && d.Item(anchor)->Selected) ++anchor;
        if (anchor >= count) {
            Fun.Raise("Failed to find a non-selected item after the active item.");
            return;
        }
        const int sourceItem = d.Form.DragSourceIndex();
        if (same && sourceItem == index && (selected.empty() || d.Item(index)->Selected)) ++anchor;
        if (anchor >= count) {
            Fun.Raise("Failed to relocate items.", std::to_string(anchor));
            return;
        }
        const std::string anchorTitle = d.Item(anchor)->Title;
        // The anchor is found again by its place among the items of its title: with duplicates
        // allowed elsewhere, a search by title alone could land on another copy.
        int anchorOccurrence = 0;
        for (int i = 0; i < anchor; ++i)
            if (d.Item(i)->Title == anchorTitle) ++anchorOccurrence;
        if (same)
            for (const int i : selected.empty() ? std::vector<int>{sourceItem} : selected)
                if (i < anchor && d.Item(i)->Title == anchorTitle) --anchorOccurrence;
        const std::vector<std::string> moving =
            s.Container().DeleteItems(selected.empty() ? std::vector<int>{sourceItem} : selected);
        TContainer &to = d.Container();
        int at = -1;
        for (int i = 0, seen = 0; i < to.ItemCount(); ++i)
            if (to.ItemTitle(i) == anchorTitle && seen++ == anchorOccurrence) {
                at = i;
                break;
            }
        if (at < 0) at = to.ItemCount();
        for (auto title = moving.rbegin(); title != moving.rend(); ++title) to.InsertItem(at, *title);
    });
    Fun.ShowIfFailed("Failed to relocate items.");
    if (!asked) return;
    d.ReloadContainer(-1);
    if (s.ContainerIndex != d.ContainerIndex) s.ReloadContainer(-1);
}

void TColumn::RecycleFromContainer(bool withoutConfirmation, bool all)
{
    TFunScope Fun(ThisUnit, "TColumn::RecycleFromContainer");
    const TBusyScope busy(Form);
    bool changed = false;
    Fun.Run([&] {
        if (ContainerIndex < 0) {
            Fun.Raise("The source must be a container.");
            return;
        }
        TContainer &container = Container();
        if (all) {
            if (!AskYesNo("Delete all items of the container?\n\nThe files themselves are NOT deleted.")) return;
            container.Clear();
            changed = true;
            return;
        }
        if (!IsSynchronized()) {
            Fun.Panic("Column and container items are not synchronized. You must reload the column.");
            return;
        }
        const std::vector<int> selected = SelectedIndexes(*this);
        if (!withoutConfirmation) {
            const std::string question =
                selected.empty()
                    ? "Recycle the focused file from the container?\n\nThe file itself is NOT recycled, but only the "
                      "container item."
                    : "Recycle the " + std::to_string(selected.size()) +
                          " selected files from the container?\n\nThe files themselves are NOT recycled, but only "
                          "the container items.";
            if (!AskYesNo(question)) return;
        }
        container.DeleteItems(selected.empty() ? std::vector<int>{FileList->FocusIndex} : selected);
        changed = true;
    });
    Fun.ShowIfFailed("Failed to recycle from container.");
    if (changed) ReloadContainer(-1);
}

void TColumn::RemoveDuplicateContainerItems()
{
    TFunScope Fun(ThisUnit, "TColumn::RemoveDuplicateContainerItems");
    const TBusyScope busy(Form);
    bool changed = false;
    Fun.Run([&] {
        if (ContainerIndex < 0) {
            Fun.Raise("The source must be a container.");
            return;
        }
        if (!AskYesNo("Remove duplicate items from the container?\n\nThe files themselves are NOT deleted.\n\n(This "
                      "may take a little time!)"))
            return;
        // The first of each title stays, in its place; a set keeps this linear.
        std::vector<TContainer::TItem> kept;
        std::set<std::string> seen;
        for (TContainer::TItem &item : Container().items)
            if (seen.insert(item.Title).second) kept.push_back(std::move(item));
        Container().items = std::move(kept);
        changed = true;
    });
    Fun.ShowIfFailed("Failed to remove duplicates from container.");
    if (changed) ReloadContainer(-1);
}

void TColumn::AddClipboardToContainer()
{
    TFunScope Fun(ThisUnit, "TColumn::AddClipboardToContainer");
    const TBusyScope busy(Form);
    Fun.Run([&] {
        std::vector<std::string> titles;
        ClipboardFilesToList(titles);
        if (Fun.CalleeFailed()) return;
        AddListToContainer(titles, true);
        Fun.CalleeFailed();
    });
    Fun.ShowIfFailed("Failed to paste in container.");
}

void TColumn::AddListToContainer(const std::vector<std::string> &titles, bool ask)
{
    TFunScope Fun(ThisUnit, "TColumn::AddListToContainer");
    Fun.Run([&] {
        if (ContainerIndex < 0) return;
        if (titles.empty() || !AreValidFullPaths(titles)) {
            ShowWarningMessage("The clipboard doesn't contain valid file titles.");
            return;
        }
        if (ask && !AskYesNo("Paste " + Thousands(titles.size()) + " file titles in the container?")) return;
        for (const std::string &title : titles) Container().AddItem(title, 0);
        ReloadContainer(-1);
    });
    Fun.ShowIfFailed("Failed to paste in container.");
}

void TColumn::GoToContainerItemTarget()
{
    TFunScope Fun(ThisUnit, "TColumn::GoToContainerItemTarget");
    Fun.Run([&] {
        if (ContainerIndex < 0 || FileList->Empty) return;
        const std::string directory = ExtractDirectory(ActiveTitle);
        if (directory.empty() || !IsDirectoryPath(directory)) {
            ShowErrorMessage("The parent directory of the file doesn't exist.");
            return;
        }
        const std::string title = ActiveTitle;
        LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, title);
        Fun.CalleeFailed();
    });
    Fun.ShowIfFailed("Failed to go to file.");
}

void TColumn::FollowMovedItem(const std::string &oldTitle, const std::string &newTitle)
{
    if (ContainerIndex < 0) return;
    TContainer &container = Container();
    for (int i = 0; i < container.ItemCount(); ++i)
        if (container.ItemTitle(i) == oldTitle) {
            container.RenameItem(i, newTitle, oldTitle);
            FunStatContext.Reset(fsPerfect);
        }
}

// ---- The main window's container commands ------------------------------------------------------

void TMainForm::CopyToContainerMenuClick(int number)
{
    TFunScope Fun(ThisUnit, "TMainForm::CopyToContainerMenuClick");
    BeginBusy();
    Fun.Run([&] {
        TColumn &column = ActiveColumn();
        if (column.ContainerIndex == number || number < 0 || number >= TContainer::Count) return;
        AddColumnTitles(Containers[number], column, true);
        column.FileList->update();
    });
    EndBusy();
    Fun.ShowIfFailed("Failed to copy to container.");
    TColumn::ReloadAllShowing(*this, number);
    FocusColumn(-1, false);
}

void TMainForm::Com_RenameContainer()
{
    TColumn &column = ActiveColumn();
    if (column.ContainerIndex < 0) return;
    bool accepted = false;
    const QString title = QInputDialog::getText(this, QStringLiteral("Rename container"),
                                                QStringLiteral("New container name"), QLineEdit::Normal,
                                                QString::fromStdString(column.Container().title), &accepted);
    if (!accepted) return;
    column.Container().title = title.left(255).toStdString();
    for (int i = 0; i < VisibleColumnCount; ++i)
        if (Columns[i]->ContainerIndex == column.ContainerIndex) Columns[i]->UpdateHeader();
    column.SetActiveFocus();
}

void TMainForm::Com_GoToContainerItemTarget()
{
    ActiveColumn().GoToContainerItemTarget();
}

void TMainForm::Com_ClearContainer()
{
    ActiveColumn().RecycleFromContainer(false, true);
}

void TMainForm::Com_RemoveDuplicateContainerItems()
{
    ActiveColumn().RemoveDuplicateContainerItems();
}

void TMainForm::Com_RecycleContainerItem()
{
    TColumn &column = ActiveColumn();
    // In a directory column the item is the file itself.
    if (column.ContainerIndex < 0) column.OnDelete("Recycle");
    else column.RecycleFromContainer(false, false);
}

void TMainForm::Com_AddClipboardToContainer()
{
    ActiveColumn().AddClipboardToContainer();
}

void TMainForm::FileDragMenu_InsertItemClick()
{
    TColumn::InsertContainerItem(ActiveColumn(), DragSourceColumn(), -1);
    FocusColumn(-1, false);
}

void TMainForm::FileDragMenu_RelocateItemClick()
{
    TColumn::RelocateContainerItem(ActiveColumn(), DragSourceColumn(), -1);
    FocusColumn(-1, false);
}
