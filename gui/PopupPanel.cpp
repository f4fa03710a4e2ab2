#include "gui/PopupPanel.h"

#include <algorithm>

#include "gui/CDrawContext.h"

namespace VSTGUI {

namespace {
constexpr CColor kPanelColour{240, 240, 240, 255};
constexpr CColor kBorderColour{100, 100, 100, 255};
constexpr CColor kTextColour{0, 0, 0, 255};
constexpr CColor kGreyColour{150, 150, 150, 255};
constexpr CColor kHighlightColour{51, 102, 204, 255};
constexpr CColor kRuleColour{200, 200, 200, 255};
constexpr int32_t kFont = kNormalFont;
constexpr int32_t kMinColumnWidth = 60;

int32_t heightOf(const PopupItem& item) {
    return item.kind == PopupItem::Kind::Separator ? PopupPanel::kSeparatorHeight : PopupPanel::kItemHeight;
}

struct Layout {
    std::vector<CRect> rects;        // x from 1 (the border), y from 0 (the first row)
    std::vector<bool> columnStarts;
    int32_t width = 0;               // with both borders and the rules
    int32_t contentHeight = 0;       // the tallest column
};

// Columns where the menu starts them (when keepBreaks) and wherever a column
// would grow past columnHeight; each as wide as its widest item, at most
// maxColumnWidth.
Layout layOut(const PopupMenu& menu, const std::vector<int32_t>& widths, bool keepBreaks, int32_t columnHeight,
              int32_t maxColumnWidth) {
    const size_t count = menu.items.size();
    Layout layout;
    layout.rects.resize(count);
    layout.columnStarts.assign(count, false);
    int32_t y = 0;
    for (size_t i = 0; i < count; ++i) {
        const int32_t h = heightOf(menu.items[i]);
        const bool breakHere = i > 0 && ((keepBreaks && menu.items[i].columnBreak) || (y > 0 && y + h > columnHeight));
        if (breakHere) y = 0;
        layout.columnStarts[i] = breakHere;
        layout.rects[i] = CRect(0, y, 0, y + h);
        y += h;
        layout.contentHeight = std::max(layout.contentHeight, y);
    }
    int32_t x = 1;
    for (size_t first = 0; first < count;) {
        size_t end = first + 1;
        while (end < count && !layout.columnStarts[end]) ++end;
        int32_t columnWidth = kMinColumnWidth;
        for (size_t i = first; i < end; ++i) columnWidth = std::max(columnWidth, widths[i]);
        columnWidth = std::min(columnWidth, maxColumnWidth);
        for (size_t i = first; i < end; ++i) {
            layout.rects[i].left = x;
            layout.rects[i].right = x + columnWidth;
        }
        x += columnWidth + 1;   // a rule between columns, the border after the last
        first = end;
    }
    layout.width = std::max(x, 1 + kMinColumnWidth + 1);
    return layout;
}
} // namespace

PopupPanel::PopupPanel(const PopupMenu& menu, int32_t maxWidth, int32_t maxHeight) : menu_(&menu) {
    raster::PixelBuffer scratch(1, 1);
    CDrawContext measure(nullptr, &scratch);
    measure.setFont(kFont, 0, 0);
    std::vector<int32_t> widths;
    for (const PopupItem& item : menu.items)
        widths.push_back(kCheckWidth + measure.getStringWidth(item.text.c_str()) + kTextMargin + kArrowWidth);

    // Tallest first: everything seen at once, in as many columns as the
    // height asks for; too wide for that: the menu's own columns, scrolled;
    // still too wide: one column, scrolled, its texts cut at the edge.
    const int32_t inner = std::max(kItemHeight, maxHeight - 2);
    Layout layout = layOut(menu, widths, true, inner, INT32_MAX);
    if (layout.width > maxWidth) layout = layOut(menu, widths, true, INT32_MAX, INT32_MAX);
    if (layout.width > maxWidth) layout = layOut(menu, widths, false, INT32_MAX, std::max(kMinColumnWidth, maxWidth - 2));
    rects_ = std::move(layout.rects);
    columnStarts_ = std::move(layout.columnStarts);
    width_ = layout.width;
    const int32_t natural = layout.contentHeight + 2;
    if (natural > maxHeight && maxHeight >= 2 + 2 * kScrollStripHeight + kItemHeight) {
        height_ = maxHeight;
        scrollRange_ = layout.contentHeight - (height_ - 2 - 2 * kScrollStripHeight);
    } else {
        height_ = std::max(natural, 2 + kSeparatorHeight);
    }
}

CRect PopupPanel::itemRect(size_t item) const {
    CRect r = rects_[item];
    r.offset(0, viewTop() - scroll_);
    return r;
}

int32_t PopupPanel::itemAt(const CPoint& where) const {
    if (where.v < viewTop() || where.v >= viewBottom()) return -1;
    for (size_t i = 0; i < rects_.size(); ++i) {
        if (itemRect(i).pointInside(where))
            return menu_->items[i].kind == PopupItem::Kind::Separator ? -1 : static_cast<int32_t>(i);
    }
    return -1;
}

int32_t PopupPanel::arrowAt(const CPoint& where) const {
    if (!scrolls() || where.h < 0 || where.h >= width_) return 0;
    if (where.v >= 0 && where.v < viewTop()) return -1;
    if (where.v >= viewBottom() && where.v < height_) return 1;
    return 0;
}

bool PopupPanel::scrollBy(int32_t pixels) {
    const int32_t next = std::clamp(scroll_ + pixels, 0, scrollRange_);
    if (next == scroll_) return false;
    scroll_ = next;
    return true;
}

void PopupPanel::scrollToShow(int32_t item) {
    if (!scrolls() || item < 0 || item >= static_cast<int32_t>(rects_.size())) return;
    const CRect& r = rects_[static_cast<size_t>(item)];
    const int32_t view = viewBottom() - viewTop();
    if (r.top < scroll_) scroll_ = r.top;
    if (r.bottom > scroll_ + view) scroll_ = r.bottom - view;
    scroll_ = std::clamp(scroll_, 0, scrollRange_);
}

bool PopupPanel::selectable(int32_t item) const {
    if (item < 0 || item >= static_cast<int32_t>(menu_->items.size())) return false;
    const PopupItem::Kind kind = menu_->items[static_cast<size_t>(item)].kind;
    return kind == PopupItem::Kind::Command || kind == PopupItem::Kind::SubMenu;
}

int32_t PopupPanel::nextSelectable(int32_t from, int32_t direction) const {
    const int32_t count = static_cast<int32_t>(menu_->items.size());
    if (count == 0) return -1;
    int32_t at = from < 0 ? (direction > 0 ? -1 : count) : from;
    for (int32_t step = 0; step < count; ++step) {
        at = ((at + direction) % count + count) % count;
        if (selectable(at)) return at;
    }
    return -1;
}

void PopupPanel::draw(raster::PixelBuffer& pixels) const {
    CDrawContext context(nullptr, &pixels);
    context.setClipRect(CRect(0, 0, width_, height_));
    context.setFillColor(kPanelColour);
    context.fillRect(CRect(-1, -1, width_, height_));
    context.setFrameColor(kBorderColour);
    context.drawRect(CRect(0, 0, width_, height_));
    const CRect view(1, viewTop(), width_ - 1, viewBottom());
    context.setClipRect(view);
    context.setFont(kFont, 0, 0);
    for (size_t i = 0; i < rects_.size(); ++i) {
        const PopupItem& item = menu_->items[i];
        const CRect r = itemRect(i);
        if (columnStarts_[i]) {
            context.setFrameColor(kRuleColour);
            context.moveTo(CPoint(r.left - 1, view.top));
            context.lineTo(CPoint(r.left - 1, view.bottom));
        }
        if (r.bottom <= view.top || r.top >= view.bottom) continue;
        if (item.kind == PopupItem::Kind::Separator) {
            const int32_t y = (r.top + r.bottom) / 2;
            context.setFrameColor(kRuleColour);
            context.moveTo(CPoint(r.left + 4, y));
            context.lineTo(CPoint(r.right - 4, y));
            continue;
        }
        const bool enabled = item.kind == PopupItem::Kind::Command || item.kind == PopupItem::Kind::SubMenu;
        const bool lit = enabled && static_cast<int32_t>(i) == hover_;
        if (lit) {
            context.setFillColor(kHighlightColour);
            context.fillRect(CRect(r.left - 1, r.top - 1, r.right, r.bottom));
        }
        const CColor ink = lit ? kWhiteCColor : enabled ? kTextColour : kGreyColour;
        context.setFrameColor(ink);
        if (item.checked) {
            const int32_t cx = r.left + 6;
            const int32_t cy = r.top + r.height() / 2;
            for (int32_t t = 0; t < 2; ++t) {   // two pixels thick
                context.moveTo(CPoint(cx, cy + t));
                context.lineTo(CPoint(cx + 3, cy + 3 + t));
                context.lineTo(CPoint(cx + 9, cy - 3 + t));
            }
        }
        context.setFont(kFont, 0, item.kind == PopupItem::Kind::Title ? kBoldFace : 0);
        context.setFontColor(ink);
        context.drawString(item.text.c_str(), CRect(r.left + kCheckWidth, r.top, r.right - kArrowWidth, r.bottom),
                           false, kLeftText);
        if (item.kind == PopupItem::Kind::SubMenu) {
            const int32_t ax = r.right - kArrowWidth + 6;
            const int32_t ay = r.top + r.height() / 2;
            for (int32_t d = 0; d <= 4; ++d) {   // a small triangle pointing right
                context.moveTo(CPoint(ax + d, ay - 4 + d));
                context.lineTo(CPoint(ax + d, ay + 5 - d));
            }
        }
    }
    if (!scrolls()) return;
    // The arrow strips: a triangle pointing the way the items can still go.
    context.setClipRect(CRect(0, 0, width_, height_));
    const int32_t cx = width_ / 2;
    for (const int32_t direction : {-1, 1}) {
        const CCoord top = direction < 0 ? 1 : viewBottom();
        const bool more = direction < 0 ? scroll_ > 0 : scroll_ < scrollRange_;
        context.setFrameColor(kRuleColour);
        context.moveTo(CPoint(1, direction < 0 ? top + kScrollStripHeight - 1 : top));
        context.lineTo(CPoint(width_ - 1, direction < 0 ? top + kScrollStripHeight - 1 : top));
        context.setFrameColor(more ? kTextColour : kGreyColour);
        const CCoord tip = top + (direction < 0 ? 4 : kScrollStripHeight - 5);
        for (int32_t d = 0; d <= 4; ++d) {
            const CCoord y = tip - direction * d;
            context.moveTo(CPoint(cx - d, y));
            context.lineTo(CPoint(cx + d + 1, y));
        }
    }
}

} // namespace VSTGUI
