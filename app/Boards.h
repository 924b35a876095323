// The 30 boards: named, saved sets of columns, one of them shown at a time.
#pragma once

#include <cstdint>
#include <string>

struct TBoardData
{
    int BoardIndex = 0;
    std::string Name;
    std::string Shortcut;
    bool ShowPlayList = false;
    bool ShowTreeNavigator = false;
    std::string TreePath;
    int ColumnCount = 2;
    int ActiveColumn = 0;
    int ContainerIndex[10];
    bool Fixed[10];
    int WidthAttribute[10];
    int Subcolumns[10];
    int ThumbHeight[10];
    bool Thumb[10];
    bool ShowContainerPaths[10];
    std::string ActiveTitle[10];
    int FocusKind[10];
    int FocusRow[10];
    std::int64_t FocusKey[10];
    std::string SortMode[10];
    std::string DefaultTitle[10];

    TBoardData();
    // The name, or the index plus 1 when the board has no name.
    std::string DisplayName() const;
};

class TBoards
{
public:
    TBoards();
    static constexpr int Count = 30;
    int ActiveBoard = 0;
    TBoardData Items[Count];

    TBoardData &Active() { return Items[ActiveBoard]; }
    const TBoardData &Active() const { return Items[ActiveBoard]; }

private:
    void IniPaths();
};
