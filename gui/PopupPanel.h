#pragma once
// One level of an open popup menu on the screen: where its items lie in
// columns, which item the pointer is over, and its picture drawn with our
// rasteriser (checks, greyed entries, titles, separators, sub-menu arrows,
// column rules). A panel never grows past the space it is given (the
// screen): a menu taller than that is cut into more columns, and when those
// would be too wide it keeps its own columns and scrolls, with an arrow
// strip at its top and bottom. Editor thread only.
#include <climits>
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
    static constexpr int32_t kScrollStripHeight = 14;

    PopupPanel(const PopupMenu& menu, int32_t maxWidth = INT32_MAX, int32_t maxHeight = INT32_MAX);

    const PopupMenu& menu() const { return *menu_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    // In panel coordinates, as scrolled now (it may lie outside the view).
    CRect itemRect(size_t item) const;
    // The item at a point of the panel, -1 for none (or a separator, or an
    // item scrolled out of view).
    int32_t itemAt(const CPoint& where) const;
    // Commands and sub-menus can be chosen or opened.
    bool selectable(int32_t item) const;
    // The next selectable item from `from` in direction ±1 (wrapping); -1: none.
    int32_t nextSelectable(int32_t from, int32_t direction) const;

    int32_t hover() const { return hover_; }
    void setHover(int32_t item) { hover_ = item; }

    // Scrolling (only when the items do not fit): -1 over the upper arrow
    // strip, +1 over the lower one, 0 elsewhere.
    bool scrolls() const { return scrollRange_ > 0; }
    int32_t arrowAt(const CPoint& where) const;
    // Moves the items by pixels (positive: towards the end); false when
    // already at that end.
    bool scrollBy(int32_t pixels);
    // Scrolls just enough for the item to be seen whole.
    void scrollToShow(int32_t item);

    // The whole panel, hover highlighted.
    void draw(raster::PixelBuffer& pixels) const;

private:
    // The rows between the arrow strips (or the borders), in panel coordinates.
    CCoord viewTop() const { return scrolls() ? 1 + kScrollStripHeight : 1; }
    CCoord viewBottom() const { return scrolls() ? height_ - 1 - kScrollStripHeight : height_ - 1; }

    const PopupMenu* menu_;
    std::vector<CRect> rects_;   // unscrolled
    std::vector<bool> columnStarts_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t hover_ = -1;
    int32_t scroll_ = 0;
    int32_t scrollRange_ = 0;
};

} // namespace VSTGUI
