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
#include "app/OptionsDialog.h"

#include <limits>

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
