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
} // namespace

PopupPanel::PopupPanel(const PopupMenu& menu) : menu_(&menu) {
    // Columns first: each one as wide as its widest text.
    raster::PixelBuffer scratch(1, 1);
    CDrawContext measure(nullptr, &scratch);
    measure.setFont(kFont, 0, 0);
    struct Column {
        size_t first = 0;
        int32_t width = 0;
        int32_t height = 0;
    };
    std::vector<Column> columns(1);
    for (size_t i = 0; i < menu.items.size(); ++i) {
        const PopupItem& item = menu.items[i];
        if (item.columnBreak && i > columns.back().first) columns.push_back(Column{i, 0, 0});
        const int32_t text = measure.getStringWidth(item.text.c_str());
        columns.back().width = std::max(columns.back().width, kCheckWidth + text + kTextMargin + kArrowWidth);
    }
    columns.push_back(Column{menu.items.size(), 0, 0});   // end marker
    rects_.resize(menu.items.size());
    int32_t x = 1;
    for (size_t c = 0; c + 1 < columns.size(); ++c) {
        const int32_t columnWidth = std::max<int32_t>(columns[c].width, 60);
        int32_t y = 1;
        for (size_t i = columns[c].first; i < columns[c + 1].first; ++i) {
            const int32_t h = menu.items[i].kind == PopupItem::Kind::Separator ? kSeparatorHeight : kItemHeight;
            rects_[i] = CRect(x, y, x + columnWidth, y + h);
            y += h;
        }
        height_ = std::max(height_, y + 1);
        x += columnWidth + 1;   // a rule between columns
    }
    width_ = x;
    height_ = std::max(height_, 2 + kSeparatorHeight);
}

int32_t PopupPanel::itemAt(const CPoint& where) const {
    for (size_t i = 0; i < rects_.size(); ++i) {
        const CRect& r = rects_[i];
        if (where.h >= r.left && where.h < r.right && where.v >= r.top && where.v < r.bottom)
            return menu_->items[i].kind == PopupItem::Kind::Separator ? -1 : static_cast<int32_t>(i);
    }
    return -1;
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
    context.setFont(kFont, 0, 0);
    for (size_t i = 0; i < rects_.size(); ++i) {
        const PopupItem& item = menu_->items[i];
        const CRect& r = rects_[i];
        if (i > 0 && item.columnBreak) {
            context.setFrameColor(kRuleColour);
            context.moveTo(CPoint(r.left - 1, 1));
            context.lineTo(CPoint(r.left - 1, height_ - 1));
        }
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
}

} // namespace VSTGUI
