#pragma once
// What an option menu shows when it opens: a tree of items with the ids a
// choice answers, and the presenter that shows it and waits for the choice
// (on X our own popup window; in tests a chooser the test supplies).
// Editor thread only.
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
    CPoint at;                 // screen position of the menu's top-left corner
    CRect anchor;              // the option menu on the screen
    bool above = false;        // opens upwards from `at` (its bottom-left corner)
    bool rightButton = false;  // the right button chooses too
};

class PopupPresenter {
public:
    virtual ~PopupPresenter() = default;
    // Shows the menu until a choice or a cancel: the chosen Command id, or -1.
    virtual int32_t track(const PopupRequest& request) = 0;
};

} // namespace VSTGUI
