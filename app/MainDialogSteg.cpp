// The main window's steganography commands: Steg-in and Steg-out of the File-drag menu, the
// noise view, automatic steg-out, and automatic steg for the streams editor.
#include "app/MainDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "app/Column.h"
#include "app/FileStreamsDialog.h"
#include "app/StegDialog.h"

namespace {

constexpr const char *ThisUnit = "MainDialog";

} // namespace

void TMainForm::FileDragMenu_StegInClick()
{
    TFunScope Fun(ThisUnit, "TMainForm::FileDragMenu_StegInClick");
    if (IsBusy() || !StegForm) return;
    TBusyScope busy(*this);
    Fun.Run([&] {
        TColumn &s = DragSourceColumn();
        TColumn &d = ActiveColumn();
        const TFileListData *item = s.Item(DragSourceIndex());
        if (!item || d.FileList->Empty) return;
        const std::string carrier = d.ActiveTitle;
        if (!StegForm->Dialog(item->Title, carrier, true)) return;
        ReloadAfterOperation(s, ExtractDirectory(item->Title), ExtractDirectory(carrier),
                             ReplaceExtension(carrier, ".png"));
    });
    Fun.ShowIfFailed("Failed to steg-in.");
}

void TMainForm::FileDragMenu_StegOutClick()
{
    TFunScope Fun(ThisUnit, "TMainForm::FileDragMenu_StegOutClick");
    if (IsBusy() || !StegForm) return;
    TBusyScope busy(*this);
    Fun.Run([&] {
        TColumn &s = DragSourceColumn();
        TColumn &d = ActiveColumn();
        const TFileListData *item = s.Item(DragSourceIndex());
        if (!item || d.ContainerIndex >= 0) return;
        const std::string directory = ExtractDirectory(d.ActiveTitle);
        if (!StegForm->Dialog(item->Title, directory, false)) return;
        ReloadAfterOperation(s, ExtractDirectory(item->Title), directory, std::string());
    });
    Fun.ShowIfFailed("Failed to steg-out.");
}

void TMainForm::Com_ViewStegNoise()
{
    TFunScope Fun(ThisUnit, "TMainForm::Com_ViewStegNoise");
    Fun.Run([&] {
        if (!StegForm || ActiveColumn().FileList->Empty) return;
        const std::string picture = StegForm->ViewNoise(ActiveColumn().ActiveTitle);
        if (Fun.CalleeFailed() || picture.empty()) return;
        RunFile(picture, "", "", false, false);
    });
    Fun.ShowIfFailed("Failed to view steg noise.");
}

void TMainForm::Com_ActivateAutoStegOut()
{
    if (StegForm) StegForm->Dialog(true);
}

void TMainForm::InstallAutoSteg()
{
    if (!FileStreamsForm) return;
    FileStreamsForm->OnAutoStegOut = [](const std::string &fileName, std::string &hiddenName, bool &isText,
                                        std::string &text, std::uint64_t &size) {
        if (!StegForm) return false;
        std::string carrier = fileName;
        return StegForm->AutoStegOut(carrier, hiddenName, isText, &text, size);
    };
    FileStreamsForm->OnAutoStegIn = [](const std::string &fileName, const std::string &hiddenName,
                                       const std::string &text) {
        if (StegForm) StegForm->AutoStegIn(fileName, hiddenName, text);
    };
}
