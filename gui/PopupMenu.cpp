#include "gui/PopupMenu.h"

namespace VSTGUI {

const PopupItem* PopupMenu::find(int32_t id) const {
    for (const PopupItem& item : items) {
        if (item.kind == PopupItem::Kind::Command && item.id == id) return &item;
        if (item.subMenu)
            if (const PopupItem* inner = item.subMenu->find(id)) return inner;
    }
    return nullptr;
}

} // namespace VSTGUI
