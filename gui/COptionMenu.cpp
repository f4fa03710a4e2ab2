#include "gui/COptionMenu.h"

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"

namespace VSTGUI {

COptionMenu::COptionMenu(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                         CBitmap* pressed, int32_t style)
    : CParamDisplay(size, background, style), pressed_(pressed) {
    listener_ = listener;
    tag_ = tag;
    if (pressed_) pressed_->remember();
}

COptionMenu::~COptionMenu() {
    removeAllEntry();
    if (pressed_) pressed_->forget();
}

bool COptionMenu::isTypeOf(const char* type) const {
    return (type && std::strcmp(type, "COptionMenu") == 0) || CParamDisplay::isTypeOf(type);
}

bool COptionMenu::addEntry(const char* text, int32_t index) { return entries_.add(text, index); }

bool COptionMenu::addSubMenuEntry(COptionMenu* subMenu, const char* text) {
    return entries_.addSubMenu(subMenu, text);
}

COptionMenu* COptionMenu::getSubMenu(int32_t index) const {
    return static_cast<COptionMenu*>(entries_.subMenu(index));
}

int32_t COptionMenu::getCurrent(char* text, bool countSeparators) const {
    const int32_t current = entries_.current();
    if (current < 0) return -1;
    if (text) copyBounded(text, kTextBufferSize, entries_.text(current));
    return countSeparators ? current : entries_.currentVisibleIndex();
}

bool COptionMenu::setCurrent(int32_t index, bool countSeparators) {
    if (index < 0 || index >= entries_.count()) return false;
    int32_t entry = index;
    if (countSeparators) {
        if (entries_.kind(index) == EntryKind::Separator) return false;
    } else {
        entry = entries_.entryOfVisibleIndex(index);
    }
    entries_.setCurrentIndex(entry);
    if (style_ & kCheckStyle) entries_.toggleCheck(entry);
    CControl::setDirty(true);
    return true;
}

void COptionMenu::setValue(float value) {
    const int32_t entry = static_cast<int32_t>(value);
    if (entry < 0 || entry >= entries_.count()) return;
    entries_.setCurrentIndex(entry);
    if (style_ & kCheckStyle) entries_.toggleCheck(entry);
    CControl::setValue(value);
    CControl::setDirty(true);
}

bool COptionMenu::getEntry(int32_t index, char* text) const {
    const char* entry = entries_.text(index);
    if (!entry) return false;
    if (text) copyBounded(text, kTextBufferSize, entry);
    return true;
}

bool COptionMenu::setEntry(int32_t index, const char* text) { return entries_.setText(index, text); }

bool COptionMenu::removeEntry(int32_t index) { return entries_.remove(index); }

bool COptionMenu::removeAllEntry() {
    entries_.removeAll();
    return true;
}

void COptionMenu::draw(CDrawContext* context) {
    const char* current = entries_.text(entries_.current());
    if (!current) {
        drawText(context, nullptr);
        return;
    }
    const size_t skip = std::min(std::strlen(current), static_cast<size_t>(entries_.prefixLength()));
    drawText(context, current + skip);
}

std::unique_ptr<PopupMenu> COptionMenu::createPopupMenu(int32_t& nextId) {
    auto popup = std::make_unique<PopupMenu>();
    firstId_ = nextId;
    nextId += entries_.count();
    const bool columns = entries_.count() < kMaxEntriesWithColumns && itemsPerColumn_ > 0;
    int32_t shown = 0;
    for (int32_t i = 0; i < entries_.count(); ++i) {
        const char* text = entries_.text(i);
        PopupItem item;
        item.id = firstId_ + i;
        switch (entries_.kind(i)) {
        case EntryKind::Separator:
            item.kind = PopupItem::Kind::Separator;
            break;
        case EntryKind::SubMenu: {
            COptionMenu* sub = getSubMenu(i);
            // A "-M" text added as a plain entry opens nothing: not shown.
            if (!sub) continue;
            item.kind = PopupItem::Kind::SubMenu;
            item.text = text + 2;
            item.subMenu = sub->createPopupMenu(nextId);
            break;
        }
        case EntryKind::Greyed:
            item.kind = PopupItem::Kind::Greyed;
            item.text = text + 2;
            break;
        case EntryKind::Title:
            item.kind = PopupItem::Kind::Title;
            item.text = text + 2;
            break;
        case EntryKind::Plain:
            item.kind = PopupItem::Kind::Command;
            item.text = text;
            item.checked = (style_ & kCheckStyle) ? entries_.isChecked(i)
                                                  : ((style_ & kCheckCurrentStyle) && i == entries_.current());
            break;
        }
        if (columns && shown > 0 && shown % itemsPerColumn_ == 0 && item.kind != PopupItem::Kind::Separator)
            item.columnBreak = true;
        ++shown;
        popup->items.push_back(std::move(item));
    }
    return popup;
}

COptionMenu* COptionMenu::menuOfId(int32_t id, int32_t& index) const {
    if (id >= firstId_ && id < firstId_ + entries_.count()) {
        index = id - firstId_;
        return const_cast<COptionMenu*>(this);
    }
    for (int32_t i = 0; i < entries_.count(); ++i)
        if (COptionMenu* sub = getSubMenu(i))
            if (COptionMenu* found = sub->menuOfId(id, index)) return found;
    return nullptr;
}

void COptionMenu::mouse(CDrawContext* context, CPoint& /*where*/, int32_t buttons) {
    if (!mouseEnabled_ || !getFrame() || !context) return;
    if (buttons == -1) buttons = context->getMouseButtons();
    lastButtons_ = buttons;
    if (listenerTookModifierClick(context, buttons)) return;
    if (!(buttons & (kLButton | kRButton | 64))) return;
    if (pressed_) {
        const char* current = entries_.text(entries_.current());
        drawText(context, current ? current : "", pressed_);
    }
    beginEdit();
    takeFocus(context);
}

void COptionMenu::takeFocus(CDrawContext* context) {
    CFrame* frame = getFrame();
    if (!frame || tracking_) return;
    // The popup's loop only paints; still, nothing may take this menu away
    // while it runs.
    remember();
    tracking_ = true;
    int32_t nextId = 0;
    std::unique_ptr<PopupMenu> popup = createPopupMenu(nextId);
    CPoint topLeft(size_.left, size_.top);
    localToFrame(topLeft);
    PopupRequest request;
    request.menu = popup.get();
    request.anchor = CRect(topLeft.h, topLeft.v, topLeft.h + size_.width(), topLeft.v + size_.height());
    request.above = (style_ & kPopupStyle) != 0;
    request.at = CPoint(request.anchor.left, request.above ? request.anchor.top : request.anchor.bottom);
    request.rightButton = (lastButtons_ & kRButton) != 0;
    FrameServices* services = frameServices(frame);
    const int32_t id = services && !popup->items.empty() ? services->trackPopup(request) : -1;
    int32_t index = -1;
    COptionMenu* chosen = id >= 0 && popup->find(id) ? menuOfId(id, index) : nullptr;
    popup.reset();
    if (chosen || pressed_) {
        CDrawContext* made = nullptr;
        if (!context && chosen) context = made = frame->getFrameContext();
        if (pressed_) CControl::setDirty(true);
        if (chosen && choose(chosen, index) && listener_) listener_->valueChanged(context, chosen);
        if (made) made->forget();
    }
    tracking_ = false;
    if (frame->getFocusView() == this) frame->setFocusView(nullptr);
    endEdit();
    forget();
}

bool COptionMenu::choose(COptionMenu* owner, int32_t index) {
    // Not the virtual setValue: derived menus read their value otherwise.
    owner->COptionMenu::setValue(static_cast<float>(index));
    return true;
}

void COptionMenu::looseFocus(CDrawContext* /*context*/) {}

} // namespace VSTGUI
