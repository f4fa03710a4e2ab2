#pragma once
// What an option menu shows when it opens: a tree of items with the ids a
// choice answers, and where it opens. Editor thread only.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "gui/Geometry.h"

namespace VSTGUI {

struct PopupMenu;

struct PopupItem {
    enum class Kind { Command, Separator, SubMenu, Greyed, Title };
    Kind kind = Kind::Command;
    std::string text;          // as shown (prefix characters removed)
    int32_t id = 0;            // Command: the id a choice answers
    bool checked = false;
    bool columnBreak = false;  // starts a new column
    std::unique_ptr<PopupMenu> subMenu;  // SubMenu only
};

struct PopupMenu {
    std::vector<PopupItem> items;
    // The Command item with that id, searched through the sub-menus; none.
    const PopupItem* find(int32_t id) const;
};

struct PopupRequest {
    const PopupMenu* menu = nullptr;
    // In the frame's window coordinates (the presenter places them on the
    // screen): where the menu's top-left corner goes, and the option menu.
    CPoint at;
    CRect anchor;
    bool above = false;        // opens upwards: `at` is the menu's bottom-left corner
    bool rightButton = false;  // the right button chooses too
};


} // namespace VSTGUI
