#include "gui/PopupTracker.h"

#include <algorithm>

namespace VSTGUI {

namespace {
os::PixelSurface surfaceOf(const raster::PixelBuffer& pixels) {
    os::PixelSurface surface;
    surface.width = pixels.width();
    surface.height = pixels.height();
    surface.stride = pixels.width();
    surface.pixels = pixels.pixels();
    return surface;
}
} // namespace

bool PopupTracker::keepWaiting() {
    if (frameOpen_ && !frameOpen_()) return false;
    if (editor_) {
        editor_->pumpPaintOnly();
        if (!editor_->isOpen()) return false;
    }
    return screen_.alive();
}

std::unique_ptr<PopupPanel> PopupTracker::panelOf(const PopupMenu& menu) {
    const os::WindowRect screen = screen_.screenArea();
    return std::make_unique<PopupPanel>(menu, screen.width, screen.height);
}

void PopupTracker::scrollLevel(size_t level, int32_t pixels) {
    if (!levels_[level].panel->scrollBy(pixels)) return;
    closeLevelsAfter(level);
    redraw(level);
}

void PopupTracker::scrollOnTime() {
    if (scrollingLevel_ < 0 || scrollingLevel_ >= static_cast<int>(levels_.size())) return;
    const uint32_t now = screen_.nowMs();
    if (static_cast<int32_t>(now - nextScrollMs_) < 0) return;
    nextScrollMs_ = now + kScrollStepMs;
    scrollLevel(static_cast<size_t>(scrollingLevel_), scrollDirection_ * PopupPanel::kItemHeight);
}

void PopupTracker::redraw(size_t level) {
    const PopupPanel& panel = *levels_[level].panel;
    raster::PixelBuffer pixels(panel.width(), panel.height());
    panel.draw(pixels);
    screen_.show(static_cast<int>(level), surfaceOf(pixels));
}

// Placed at (x, y); when it would leave the screen at the bottom, at
// alternativeY (its bottom edge there) instead; always inside the screen.
void PopupTracker::openLevel(const PopupMenu& menu, int x, int y, int alternativeY) {
    Level level;
    level.panel = panelOf(menu);
    const os::WindowRect screen = screen_.screenArea();
    const int w = level.panel->width();
    const int h = level.panel->height();
    if (y + h > screen.y + screen.height && alternativeY - h >= screen.y) y = alternativeY - h;
    x = std::max(screen.x, std::min(x, screen.x + screen.width - w));
    y = std::max(screen.y, std::min(y, screen.y + screen.height - h));
    level.area = os::WindowRect{x, y, w, h};
    screen_.openPanel(level.area);
    levels_.push_back(std::move(level));
    redraw(levels_.size() - 1);
}

void PopupTracker::closeLevelsAfter(size_t level) {
    if (levels_.size() <= level + 1) return;
    levels_.resize(level + 1);
    screen_.closePanels(static_cast<int>(level) + 1);
}

int PopupTracker::findLevel(int x, int y, CPoint& inPanel) const {
    for (int i = static_cast<int>(levels_.size()) - 1; i >= 0; --i) {
        const os::WindowRect& a = levels_[static_cast<size_t>(i)].area;
        if (x >= a.x && y >= a.y && x < a.x + a.width && y < a.y + a.height) {
            inPanel = CPoint(x - a.x, y - a.y);
            return i;
        }
    }
    return -1;
}

void PopupTracker::openSubMenuOf(size_t level, int32_t item) {
    const PopupPanel& panel = *levels_[level].panel;
    const PopupItem& entry = panel.menu().items[static_cast<size_t>(item)];
    if (entry.kind != PopupItem::Kind::SubMenu || !entry.subMenu || entry.subMenu->items.empty()) return;
    if (levels_.size() > level + 1 && &levels_[level + 1].panel->menu() == entry.subMenu.get()) return;
    closeLevelsAfter(level);
    const os::WindowRect& a = levels_[level].area;
    const CRect r = panel.itemRect(static_cast<size_t>(item));
    int x = a.x + r.right;
    const std::unique_ptr<PopupPanel> probe = panelOf(*entry.subMenu);
    const os::WindowRect screen = screen_.screenArea();
    if (x + probe->width() > screen.x + screen.width) x = a.x + r.left - probe->width();   // to the left instead
    openLevel(*entry.subMenu, x, a.y + r.top - 1, a.y + r.bottom + 1);
}

void PopupTracker::hoverAt(size_t level, int32_t item) {
    PopupPanel& panel = *levels_[level].panel;
    if (panel.hover() != item) {
        panel.setHover(item);
        redraw(level);
    }
    if (item >= 0 && panel.menu().items[static_cast<size_t>(item)].kind == PopupItem::Kind::SubMenu)
        openSubMenuOf(level, item);
    else
        closeLevelsAfter(level);
}

int32_t PopupTracker::run(const PopupRequest& request) {
    if (!request.menu || request.menu->items.empty()) return -1;
    int originX = 0;
    int originY = 0;
    if (editor_ && !screen_.windowOrigin(editor_->nativeId(), originX, originY)) return -1;
    const int x = originX + request.at.h;
    const int top = originY + request.anchor.top;
    const int bottom = originY + request.anchor.bottom;
    const std::unique_ptr<PopupPanel> probe = panelOf(*request.menu);
    if (request.above)
        openLevel(*request.menu, x, top - probe->height(), top);
    else
        openLevel(*request.menu, x, bottom, top);

    // The click that opened the menu may still hold the pointer.
    unsigned waited = 0;
    while (!screen_.grab()) {
        if (waited >= kGrabPatienceMs || !keepWaiting()) return -1;
        screen_.pump(kPumpWaitMs);
        waited += kPumpWaitMs;
    }
    bool pressedInside = false;   // a release chooses only after a press in the popup...
    bool draggedOnItem = false;   // ...or a drag over its items with the button held
    const auto releaseChooses = [&](int button) {
        return button == os::kMouseLeft || (request.rightButton && button == os::kMouseRight);
    };
    while (keepWaiting()) {
        screen_.pump(kPumpWaitMs);
        os::WindowEvent event;
        while (screen_.nextEvent(event)) {
            CPoint at;
            const int level = findLevel(event.x, event.y, at);
            switch (event.kind) {
            case os::WindowEventKind::MouseMove: {
                const int32_t arrow = level >= 0 ? levels_[static_cast<size_t>(level)].panel->arrowAt(at) : 0;
                if (arrow != 0 && (scrollingLevel_ != level || scrollDirection_ != arrow)) {
                    scrollingLevel_ = level;
                    scrollDirection_ = arrow;
                    nextScrollMs_ = screen_.nowMs();   // one row at once, then more while resting there
                } else if (arrow == 0) {
                    scrollingLevel_ = -1;
                }
                if (level >= 0) {
                    const int32_t item = levels_[static_cast<size_t>(level)].panel->itemAt(at);
                    hoverAt(static_cast<size_t>(level), item);
                    if (item >= 0 && (event.buttons & os::kMouseButtonBits)) draggedOnItem = true;
                }
                break;
            }
            case os::WindowEventKind::Wheel:
                if (level >= 0)
                    scrollLevel(static_cast<size_t>(level),
                                (event.wheel > 0 ? -1 : 1) * kWheelRows * PopupPanel::kItemHeight);
                break;
            case os::WindowEventKind::MouseDown:
                if (level < 0) return -1;   // a click outside cancels
                pressedInside = true;
                hoverAt(static_cast<size_t>(level), levels_[static_cast<size_t>(level)].panel->itemAt(at));
                break;
            case os::WindowEventKind::MouseUp: {
                if (level < 0 || !releaseChooses(event.button) || !(pressedInside || draggedOnItem)) break;
                const PopupPanel& panel = *levels_[static_cast<size_t>(level)].panel;
                const int32_t item = panel.itemAt(at);
                if (item >= 0 && panel.menu().items[static_cast<size_t>(item)].kind == PopupItem::Kind::Command)
                    return panel.menu().items[static_cast<size_t>(item)].id;
                break;
            }
            case os::WindowEventKind::KeyDown: {
                const size_t deepest = levels_.size() - 1;
                PopupPanel& panel = *levels_[deepest].panel;
                switch (event.key) {
                case os::WindowKey::Escape:
                    if (deepest == 0) return -1;
                    closeLevelsAfter(deepest - 1);
                    break;
                case os::WindowKey::Left:
                    if (deepest > 0) closeLevelsAfter(deepest - 1);
                    break;
                case os::WindowKey::Up:
                case os::WindowKey::Down: {
                    const int32_t next = panel.nextSelectable(panel.hover(), event.key == os::WindowKey::Up ? -1 : 1);
                    panel.setHover(next);
                    panel.scrollToShow(next);
                    redraw(deepest);
                    break;
                }
                case os::WindowKey::Right:
                case os::WindowKey::Return: {
                    const int32_t item = panel.hover();
                    if (item < 0) break;
                    const PopupItem& entry = panel.menu().items[static_cast<size_t>(item)];
                    if (entry.kind == PopupItem::Kind::SubMenu) {
                        openSubMenuOf(deepest, item);
                        if (levels_.size() > deepest + 1) {
                            PopupPanel& inner = *levels_.back().panel;
                            inner.setHover(inner.nextSelectable(-1, 1));
                            redraw(levels_.size() - 1);
                        }
                    } else if (entry.kind == PopupItem::Kind::Command && event.key == os::WindowKey::Return) {
                        return entry.id;
                    }
                    break;
                }
                default:
                    break;
                }
                break;
            }
            default:
                break;
            }
        }
        scrollOnTime();
    }
    return -1;   // the display or the editor's window went away
}

} // namespace VSTGUI
