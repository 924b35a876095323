// The 30 boards and their presets.
#include "app/Boards.h"

#include "Libraries/File.h"

TBoardData::TBoardData() : TreePath(SystemDrive())
{
    for (int i = 0; i < 10; ++i) {
        ContainerIndex[i] = -1;
        Fixed[i] = false;
        WidthAttribute[i] = 1;
        Subcolumns[i] = 1;
        ThumbHeight[i] = 3;
        Thumb[i] = false;
        ShowContainerPaths[i] = false;
        ActiveTitle[i] = SystemDrive();
        FocusKind[i] = 0;
        FocusRow[i] = 0;
        FocusKey[i] = 0;
        SortMode[i] = "Name";
        DefaultTitle[i] = SystemDrive();
    }
}

std::string TBoardData::DisplayName() const
{
    return Name.empty() ? std::to_string(BoardIndex + 1) : Name;
}

TBoards::TBoards()
{
    for (int i = 0; i < Count; ++i) Items[i].BoardIndex = i;
    IniPaths();
}

void TBoards::IniPaths()
{
    struct TPreset
    {
        const char *Name;
        const char *Shortcut;
        int ColumnCount;
        bool ShowPlayList;
        bool ShowTreeNavigator;
    };
    static const TPreset Presets[] = {
        {"Main", "1", 2, false, false},
        {"Temp", "2", 2, false, false},
        {"CD", "3", 3, false, false},
        {"Search", "4", 3, false, false},
        {"Containers", "5", 3, false, false},
        {"Backup", "6", 2, false, false},
        {"Documents", "7", 2, false, false},
        {"Music", "8", 2, true, false},
        {"Movies", "9", 2, true, false},
        {"Pictures", "0", 2, false, false},
        {"Picture browser", "", 2, false, false},
        {"Books", "", 2, false, false},
        {"Kits", "", 2, false, false},
        {"Downloads", "", 2, false, false},
        {"Explorer", "", 1, false, true},
        {"Favorites", "", 2, false, false},
        {"Program Files", "", 3, false, false},
        {"OS", "", 2, false, false},
        {"This", "", 2, false, false},
    };
    int i = 0;
    for (const TPreset &preset : Presets) {
        TBoardData &board = Items[i++];
        board.Name = preset.Name;
        board.Shortcut = preset.Shortcut;
        board.ColumnCount = preset.ColumnCount;
        board.ShowPlayList = preset.ShowPlayList;
        board.ShowTreeNavigator = preset.ShowTreeNavigator;
    }
}
