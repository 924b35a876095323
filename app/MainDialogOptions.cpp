// The main window's options files: the stored text lists and the options data file, the
// options command and the wiring of the boards.
#include "app/MainDialog.h"

#include "Libraries/Error.h"
#include "Libraries/History.h"
#include "Libraries/PictureCache.h"
#include "Libraries/Program.h"
#include "Libraries/StoredTextListUi.h"
#include "app/BoardPropertiesDialog.h"
#include "app/FileDialog.h"
#include "app/FileStreamsDialog.h"
#include "app/FindCommonTextDialog.h"
#include "app/StegDialog.h"
#include "app/OptionsDialog.h"
#include "app/SearchFileDialog.h"
#include "app/ViewerPlugins.h"

#include <QMouseEvent>

#include <algorithm>
#include <limits>

namespace {

constexpr const char *ThisUnit = "MainDialog";
constexpr const char *OptionsTextFileName = "Velmordian.ini";
constexpr const char *OptionsDataFileName = "Velmordian.vdo";
constexpr std::int32_t OptionsDataVersion = 4;
// The bytes that files of versions 1 to 3 keep in front of the boards; nothing reads them.
constexpr std::int32_t OldBlockSize = 400;

// Binds the two files to the window's loaders and savers, in the folder of the options files.
void BindOptionsFiles(TMainForm &form)
{
    form.StoredTexts.OnLoad = [&form](TStoredTextList &list, bool) { form.ReadOptionsText(list); };
    form.StoredTexts.OnSave = [&form](TStoredTextList &list, bool) { form.WriteOptionsText(list); };
    // A file that cannot be read holds the user's boards, histories and settings: the first
    // save after such a load keeps it as "Velmordian.vdo.bad" or "Velmordian.ini.bad".
    form.StoredTexts.keepDamagedFile = true;
    form.OptionsStorage.keepDamagedFile = true;
    form.OptionsStorage.signature = "Velmordian Options";
    form.OptionsStorage.version = OptionsDataVersion;
    form.OptionsStorage.fileName = form.OptionsFilesDirectory + OptionsDataFileName;
    form.OptionsStorage.OnLoad = [&form](TStreamStorage &storage, std::int32_t version) {
        form.ReadOptionsData(storage, version);
    };
    form.OptionsStorage.OnSave = [&form](TStreamStorage &storage) {
        form.WriteOptionsData(storage);
    };
}

// The histories as stored: for the visited directories a count and per entry the title, the
// focus kind, row and key; for the launched files a count and the titles.
void ReadHistories(TStorageReader &reader, THistory &paths, THistory &files)
{
    constexpr std::int32_t all = std::numeric_limits<std::int32_t>::max();
    std::int32_t count = 0;
    reader.Int(count, 0, THistory::Capacity);
    for (std::int32_t i = 0; i < count && !reader.Failed; ++i) {
        THistoryEntry entry;
        reader.Text(entry.title, BoardPathLength, true);
        reader.Int(entry.focusKind, -all - 1, all);
        reader.Int(entry.focusRow, -all - 1, all);
        reader.Int64(entry.focusKey, 0, std::numeric_limits<std::int64_t>::max());
        if (!reader.Failed)
            paths.AddPath(
                entry.title, entry.focusKind, true, false, entry.focusKey, entry.focusRow);
    }
    count = 0;
    reader.Int(count, 0, THistory::Capacity);
    for (std::int32_t i = 0; i < count && !reader.Failed; ++i) {
        std::string title;
        reader.Text(title, BoardPathLength, true);
        if (!reader.Failed) files.AddFile(title, false);
    }
}

void WriteHistories(TStreamStorage &storage)
{
    storage.WriteInt(PathsHistory.count());
    for (int i = 0; i < PathsHistory.count(); ++i) {
        const THistoryEntry &entry = PathsHistory.Entry(i);
        storage.WriteText(entry.title);
        storage.WriteInt(entry.focusKind);
        storage.WriteInt(entry.focusRow);
        storage.WriteInt64(entry.focusKey);
    }
    storage.WriteInt(FilesHistory.count());
    for (int i = 0; i < FilesHistory.count(); ++i)
        storage.WriteText(FilesHistory.Entry(i).title);
}

} // namespace

void TMainForm::LoadOptionsFiles()
{
    BindOptionsFiles(*this);
    // Each file shows its own failure; the program starts with what could be read.
    StoredTexts.LoadFrom(OptionsFilesDirectory + OptionsTextFileName);
    FunStatContext.Reset(0);
    OptionsStorage.Load();
    FunStatContext.Reset(0);
    PictureCache.ByteLimit = ProgramOptions.MaxPictureCacheSize;
}

void TMainForm::SaveOptionsFiles()
{
    SaveOptionsText();
    OptionsStorage.Save(false);
    FunStatContext.Reset(0);
}

void TMainForm::SaveOptionsText()
{
    BindOptionsFiles(*this);
    StoredTexts.SetFileName(OptionsFilesDirectory + OptionsTextFileName);
    // Each file shows its own failure; the other one is still written.
    StoredTexts.Save(false);
    FunStatContext.Reset(0);
}

void TMainForm::SessionCommitData()
{
    if (!Initialised) return;
    FormCloseQuery();
}

void TMainForm::ReadOptionsText(TStoredTextList &list)
{
    TFunScope Fun(ThisUnit, "TMainForm::ReadOptionsText");
    Fun.Run([&] {
        ReadFormBounds(list, "Main", "XPos", this, "YSize", "XSize", "YPos");
        list.ReadInteger("Main",
                         "TreeNavigatorWidth",
                         TreeNavigatorWidth,
                         100,
                         std::max(100, static_cast<int>(0.45 * width())));
        list.ReadInteger("Main",
                         "MPLWidth",
                         PlayListWidth,
                         100,
                         std::max(100, static_cast<int>(0.35 * width())));
        list.ReadInteger("Main", "ViewerHeight", ViewerHeight, 50, std::max(50, height()));
        ReadProgramOptions(list);
        if (FileForm) FileForm->ReadSettings(list);
        if (FileStreamsForm) FileStreamsForm->ReadSettings(list);
        if (FindCommonTextForm) FindCommonTextForm->ReadSettings(list);
        if (StegForm) StegForm->ReadSettings(list);
        if (SearchFileForm) SearchFileForm->ReadSettings(list);
        Containers.ReadTitles(list);
        Containers.LoadAll(OptionsFilesDirectory + "Containers/");
        std::int32_t active = 0;
        list.ReadInteger("Main", "ActiveBoard", active, 0, TBoards::Count - 1);
        Boards.SetActiveBoard(active);
        ReadExtensionLists(list);
    });
}

void TMainForm::WriteOptionsText(TStoredTextList &list)
{
    TFunScope Fun(ThisUnit, "TMainForm::WriteOptionsText");
    Fun.Run([&] {
        // Sections and keys written by other parts of the program stay as they were read.
        WriteFormBounds(list, "Main", "XPos", this, "YSize", "XSize", "YPos");
        list.WriteInteger("Main", "TreeNavigatorWidth", TreeNavigatorWidth);
        list.WriteInteger("Main", "MPLWidth", PlayListWidth);
        list.WriteInteger("Main", "ViewerHeight", ViewerHeight);
        WriteProgramOptions(list);
        if (FileForm) FileForm->WriteSettings(list);
        if (FileStreamsForm) FileStreamsForm->WriteSettings(list);
        if (FindCommonTextForm) FindCommonTextForm->WriteSettings(list);
        if (StegForm) StegForm->WriteSettings(list);
        if (SearchFileForm) SearchFileForm->WriteSettings(list);
        Containers.WriteTitles(list);
        Containers.SaveAll(OptionsFilesDirectory + "Containers/");
        list.WriteInteger("Main", "ActiveBoard", Boards.ActiveBoard);
        WriteExtensionLists(list);
    });
}

void TMainForm::ReadOptionsData(TStreamStorage &storage, std::int32_t version)
{
    TFunScope Fun(ThisUnit, "TMainForm::ReadOptionsData");
    Fun.Run([&] {
        const int fileVersion = std::clamp(version, 0, OptionsDataVersion);
        TStorageReader reader(storage, Fun);
        if (fileVersion >= 1 && fileVersion <= 3) reader.Skip(OldBlockSize);
        const std::vector<TBoardData> before(Boards.Items, Boards.Items + TBoards::Count);
        Boards.ReadBoards(reader, fileVersion);
        THistory paths;
        THistory files;
        if (fileVersion >= 3) ReadHistories(reader, paths, files);
        if (reader.Failed) {
            // A damaged file leaves the boards as they were before it was read.
            std::copy(before.begin(), before.end(), Boards.Items);
            return;
        }
        if (fileVersion >= 3) {
            PathsHistory = paths;
            FilesHistory = files;
        }
        for (TBoardData &board : Boards.Items)
            std::copy(std::begin(board.ActiveTitle),
                      std::end(board.ActiveTitle),
                      std::begin(board.DefaultTitle));
        Boards.LoadColumns(false);
    });
}

void TMainForm::WriteOptionsData(TStreamStorage &storage)
{
    TFunScope Fun(ThisUnit, "TMainForm::WriteOptionsData");
    Fun.Run([&] {
        Boards.StoreColumns();
        Boards.WriteBoards(storage);
        WriteHistories(storage);
    });
}

void TMainForm::Com_Options()
{
    TFunScope Fun(ThisUnit, "TMainForm::Com_Options");
    Fun.Run([&] {
        if (!OptionsForm) {
            OptionsForm = new TOptionsForm(this);
            QObject::connect(OptionsForm, &QObject::destroyed, [] { OptionsForm = nullptr; });
        }
        if (!OptionsForm->Dialog(Boards.Active().ShowTreeNavigator)) return;
        PictureCache.ByteLimit = ProgramOptions.MaxPictureCacheSize;
        Reset(false);
        Boards.LayoutButtons(ProgramOptions.VisibleBoards, ProgramOptions.BoardsBarRows, -1, -1);
        ViewerPlugins.LoadViewerPlugins(ProgramOptions.ActivatePlugins,
                                        ProgramOptions.ViewerPluginActive,
                                        ProgramOptions.ViewerPluginName,
                                        PluginsDirectory());
        if (Fun.CalleeFailed()) return;
        FocusColumn(-1, false);
    });
    Fun.ShowIfFailed("Failed to apply options.");
}

void TMainForm::SetupBoards()
{
    Boards.Setup(*this, BoardButtonsBar);
    BoardsButton->OnMouseDown = [this](QMouseEvent *event) {
        if (event->button() == Qt::LeftButton) Boards.ShowMenu(BoardsButton, event->modifiers());
    };
}

bool TMainForm::ShowBoardByShortcut(char key)
{
    const int index = Boards.FindBoardByShortcut(key);
    if (index < 0) return false;
    Boards.ShowBoard(index);
    return true;
}

void TMainForm::Com_EditBoardProperties()
{
    Boards.EditBoardProperties();
}
