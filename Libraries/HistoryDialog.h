// The menu of a history's newest entries.
#pragma once

#include "Libraries/History.h"

#include <cstdint>
#include <functional>
#include <string>

class QMenu;

// A history with the menu of its 20 newest entries, newest first.
class THistoryDialog
{
public:
    explicit THistoryDialog(THistory &history) : History(history) {}
    // Rebuilds the menu: the entries' directories, each tagged with its index.
    void Setup(QMenu *menu);

    THistory &History;
    // Called with the chosen entry's title, focus kind, focus key and focus row.
    std::function<void(const std::string &title, std::int32_t focusKind, std::int64_t focusKey, std::int32_t focusRow)>
        OnSelect;
};
