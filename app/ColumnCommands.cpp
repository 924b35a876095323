// The column commands that hand the column's items to the file operation and naming dialogs.
#include "app/Column.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "Libraries/FileLink.h"
#include "Libraries/History.h"
#include "app/FileDialog.h"
#include "app/FileStreamsDialog.h"
#include "app/FindCommonTextDialog.h"
#include "app/StegDialog.h"
#include "app/MainDialog.h"
#include "app/NewFileDialog.h"
#include "app/SearchFileDialog.h"
#include "app/OptionsDialog.h"

#include <QCheckBox>
#include <QComboBox>

#include <limits>
#include <unordered_set>

namespace {

constexpr const char *ThisUnit = "Column";

} // namespace

void TColumn::ReloadColumnsOfDirectory(TMainForm &form, const std::string &directory)
{
    for (int i = 0; i < form.VisibleColumnCount; ++i) {
        TColumn &column = *form.Columns[i];
        if (column.ContainerIndex >= 0 || ExtractDirectory(column.ActiveTitle) != directory) continue;
        column.RecordFocus();
        column.LoadDirectory(false);
        FunStatContext.Reset(fsPerfect);
    }
}

void TColumn::OnDelete(const std::string &operation)
{
    TFunScope Fun(ThisUnit, "TColumn::OnDelete");
    Fun.Run([&] {
        if (Form.IsBusy() || FileList->Empty || IsDrivePath(ActiveTitle) || !FileForm) return;
        const std::string directory = ExtractDirectory(ActiveTitle);
        const bool ran = FileForm->Dialog(false, operation, false, false, "", "", directory, FileList->FocusIndex, this);
        if (Fun.CalleeFailed() || !ran || operation == "Clip title of") return;
        // A container keeps its items: the column shows which files went.
        if (ContainerIndex >= 0) ReloadContainer(-1);
        ReloadColumnsOfDirectory(Form, directory);
    });
    Fun.ShowIfFailed("Failed to " + operation + ".");
}

void TColumn::Com_EditStreams(bool autoload, bool description)
{
    TFunScope Fun(ThisUnit, "TColumn::Com_EditStreams");
    Fun.Run([&] {
        if (!FileStreamsForm || FileList->Empty || IsDrivePath(ActiveTitle)) return;
        const std::string reference = GetWhenReference(ActiveTitle);
        if (Fun.CalleeFailed()) return;
        Form.SetFileStreamsEditorOptions();
        // A picture opened to edit its main stream is read through automatic steg-out.
        if (autoload && StegForm && !StegForm->AutoStegActive() && HasExtension(reference, ".png"))
            Form.Com_ActivateAutoStegOut();
        FileStreamsForm->Dialog(reference,
                                description ? omDescription : autoload ? omLoadMain : omPlain);
        if (Fun.CalleeFailed()) return;
        if (autoload && TextFileExtensions.Has(ExtractExtension(reference)))
            FilesHistory.AddFile(ActiveTitle, true);
    });
    Fun.ShowIfFailed("Failed to edit the streams of the file.");
}

void TColumn::Com_FindCommonText()
{
    TFunScope Fun(ThisUnit, "TColumn::Com_FindCommonText");
    Fun.Run([&] {
        if (!FindCommonTextForm || FileList->Empty) return;
        FindCommonTextForm->Dialog(this);
        Fun.CalleeFailed();
    });
    Fun.ShowIfFailed("Failed to find common text.");
}

void TColumn::Com_NewFile(int kind)
{
    TFunScope Fun(ThisUnit, "TColumn::Com_NewFile");
    Fun.Run([&] {
        if (ContainerIndex >= 0 || IsDrivePath(ActiveTitle) || !NewFileForm) return;
        const std::string directory = ExtractDirectory(ActiveTitle);
        if (directory.empty() || !NewFileForm->Dialog(directory, kind) || !NewFileForm->Created) return;
        // The new item becomes the active one of every column showing the directory.
        ReloadColumnsOfDirectory(Form, directory);
        LoadDirectory(false, -2, -1, std::numeric_limits<int>::min(), -1, NewFileForm->Title);
    });
    Fun.ShowIfFailed("Failed to create new file.");
}

namespace {

// The column that shows the container after a search: one that already shows it, else the
// chosen column when asked and it exists, else the active one.
TColumn &ContainerColumnAfterSearch(TMainForm &form, TColumn &active, int number)
{
    for (int i = 0; i < form.VisibleColumnCount; ++i)
        if (form.Columns[i]->ContainerIndex == number) return *form.Columns[i];
    if (SearchFileForm->ReuseContainerCheckBox->isChecked()) {
        const int column = SearchFileForm->UseColumnForContainerComboBox->currentText().toInt() - 1;
        if (column >= 0 && column < form.VisibleColumnCount) return *form.Columns[column];
    }
    return active;
}

} // namespace

void TColumn::Com_Search(const std::string &duplicateReference, bool history)
{
    TFunScope Fun(ThisUnit, "TColumn::Com_Search");
    Fun.Run([&] {
        if (!SearchFileForm) return;
        const bool found = SearchFileForm->Dialog(this, duplicateReference, history);
        if (Fun.CalleeFailed() || !found) return;
        const std::vector<TFoundItem> items = SearchFileForm->FoundItems();
        const std::string &chosen = SearchFileForm->ChosenName;
        switch (SearchFileForm->Action) {
        case saEnterDirectory:
            LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, IncludeTrailingBackslash(chosen));
            break;
        case saFocusFile:
            LoadDirectory(true, -1, -1, std::numeric_limits<int>::min(), -1, chosen);
            break;
        case saPutInContainer: {
            const int number = SearchFileForm->ContainerNumber;
            TContainer &container = Form.Containers[number];
            if (!SearchFileForm->KeepContainerItems) container.Clear();
            for (const TFoundItem &item : items) container.AddItem(item.Title, item.Rank);
            if (SearchFileForm->ShowSearchBoardCheckBox->isChecked()) {
                Form.Boards.ShowBoard(Form.Boards.FindSearchBoard());
                FunStatContext.Reset(fsPerfect);
            }
            TColumn &target = ContainerColumnAfterSearch(Form, Form.ActiveColumn(), number);
            if (target.ContainerIndex == number) target.ReloadContainer(number);
            else target.ShowContainer(number);
            break;
        }
        case saSelectFiles: {
            if (SelectedCount > 0) {
                ShowErrorMessage("Can't select files because there already are selected files.");
                return;
            }
            if (FileList->Empty || static_cast<int>(items.size()) > FileList->Count()) {
                ShowErrorMessage("Found more files than there are in the column.");
                return;
            }
            // The found list is in the order of the walk, the column in its sort order.
            std::unordered_set<std::string> titles;
            for (const TFoundItem &item : items) titles.insert(item.Title);
            for (int i = 0; i < FileList->Count(); ++i)
                if (titles.count(Item(i)->Title) != 0) SelectItem(i, true);
            FileList->update();
            ShowInfo();
            break;
        }
        default:
            break;
        }
    });
    Fun.ShowIfFailed("Failed to search.");
}
