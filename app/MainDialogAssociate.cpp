// The File menu's "Associate extension" commands: they move the active item's extension between
// the stored extension lists, and save and apply them.
#include "app/MainDialog.h"

#include "Libraries/Error.h"
#include "Libraries/File.h"
#include "app/OptionsDialog.h"

#include <initializer_list>

namespace {

constexpr const char *ThisUnit = "MainDialog";

// Within a group the lists exclude each other: how a column classifies its files, and how the
// viewer and the player open them.
const std::initializer_list<TExtensionList *> KindLists = {&ProgramFileExtensions,
                                                           &DocumentFileExtensions};
const std::initializer_list<TExtensionList *> ViewerLists = {
    &AudioFileExtensions, &VideoFileExtensions, &TextFileExtensions};

// Removes the extension from every list of the group, then adds it to the chosen one (none for
// null).
void MoveExtension(const std::string &extension,
                   std::initializer_list<TExtensionList *> group,
                   TExtensionList *chosen)
{
    if (extension.empty()) return;
    for (TExtensionList *list : group)
        list->Remove(extension);
    if (chosen) chosen->Add(extension);
}

} // namespace

void TMainForm::Com_AssociateProgram()
{
    MoveExtension(ExtractExtension(ActiveColumn().ActiveTitle), KindLists, &ProgramFileExtensions);
}

void TMainForm::Com_AssociateDocument()
{
    MoveExtension(ExtractExtension(ActiveColumn().ActiveTitle), KindLists, &DocumentFileExtensions);
}

void TMainForm::Com_AssociateGeneric()
{
    MoveExtension(ExtractExtension(ActiveColumn().ActiveTitle), KindLists, nullptr);
}

void TMainForm::Com_AssociateAudio()
{
    MoveExtension(ExtractExtension(ActiveColumn().ActiveTitle), ViewerLists, &AudioFileExtensions);
}

void TMainForm::Com_AssociateVideo()
{
    MoveExtension(ExtractExtension(ActiveColumn().ActiveTitle), ViewerLists, &VideoFileExtensions);
}

void TMainForm::Com_AssociateText()
{
    MoveExtension(ExtractExtension(ActiveColumn().ActiveTitle), ViewerLists, &TextFileExtensions);
}

void TMainForm::Com_AssociateNoViewer()
{
    MoveExtension(ExtractExtension(ActiveColumn().ActiveTitle), ViewerLists, nullptr);
}

void TMainForm::Com_AssociateSaveUpdate()
{
    TFunScope Fun(ThisUnit, "TMainForm::Com_AssociateSaveUpdate");
    Fun.Run([&] {
        // The options folder may have been marked meanwhile: it takes effect at this save.
        OptionsFilesDirectory = OptionsFilesLocation();
        SaveOptionsText();
        Com_LoadAllDirectories();
    });
    Fun.ShowIfFailed("Failed to save and update.");
}
