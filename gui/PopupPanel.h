#pragma once
// One level of an open popup menu on the screen: where its items lie in
// columns, which item the pointer is over, and its picture drawn with our
// rasteriser (checks, greyed entries, titles, separators, sub-menu arrows,
// column rules). Editor thread only.
#include <cstdint>
#include <vector>

#include "gui/PopupMenu.h"
#include "gui/raster/PixelBuffer.h"

namespace VSTGUI {

class PopupPanel {
public:
    static constexpr int32_t kItemHeight = 20;
    static constexpr int32_t kSeparatorHeight = 9;
    static constexpr int32_t kCheckWidth = 20;
    static constexpr int32_t kArrowWidth = 18;
    static constexpr int32_t kTextMargin = 6;

    explicit PopupPanel(const PopupMenu& menu);

    const PopupMenu& menu() const { return *menu_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // In panel coordinates.
    const CRect& itemRect(size_t item) const { return rects_[item]; }
    // The item at a point of the panel, -1 for none (or a separator).
    int32_t itemAt(const CPoint& where) const;
    // Commands and sub-menus can be chosen or opened.
    bool selectable(int32_t item) const;
    // The next selectable item from `from` in direction ±1 (wrapping); -1: none.
    int32_t nextSelectable(int32_t from, int32_t direction) const;

    int32_t hover() const { return hover_; }
    void setHover(int32_t item) { hover_ = item; }

    // The whole panel, hover highlighted.
    void draw(raster::PixelBuffer& pixels) const;

private:
    const PopupMenu* menu_;
    std::vector<CRect> rects_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t hover_ = -1;
};

} // namespace VSTGUI
