#pragma once
// Points and rectangles of the toolkit. Coordinates are 32-bit on both builds,
// so that layouts and pixels match. A rectangle's left and top are inside, its
// right and bottom one past the last pixel drawn (hit tests take all four
// edges as inside: CView::hitTest).
#include <cstdint>

namespace VSTGUI {

using CCoord = int32_t;

struct CPoint {
    CCoord h = 0;
    CCoord v = 0;

    CPoint() = default;
    CPoint(CCoord x, CCoord y) : h(x), v(y) {}
    CPoint& offset(CCoord x, CCoord y) {
        h += x;
        v += y;
        return *this;
    }
    bool operator==(const CPoint& o) const { return h == o.h && v == o.v; }
    bool operator!=(const CPoint& o) const { return !(*this == o); }
};

struct CRect {
    CCoord left = 0;
    CCoord top = 0;
    CCoord right = 0;
    CCoord bottom = 0;

    CRect() = default;
    CRect(CCoord l, CCoord t, CCoord r, CCoord b) : left(l), top(t), right(r), bottom(b) {}

    CCoord width() const { return right - left; }
    CCoord height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }

    CRect& offset(CCoord x, CCoord y) {
        left += x;
        right += x;
        top += y;
        bottom += y;
        return *this;
    }
    CRect& moveTo(CCoord x, CCoord y) { return offset(x - left, y - top); }

    // The intersection; an empty one keeps right = left and bottom = top
    // (where the edges crossed, the far edge is pulled back to the near one).
    CRect& bound(const CRect& o) {
        if (left < o.left) left = o.left;
        if (top < o.top) top = o.top;
        if (right > o.right) right = o.right;
        if (bottom > o.bottom) bottom = o.bottom;
        if (bottom < top) bottom = top;
        if (right < left) right = left;
        return *this;
    }

    // The smallest rectangle holding both; an empty one adds nothing.
    CRect& unite(const CRect& o) {
        if (o.isEmpty()) return *this;
        if (isEmpty()) return *this = o;
        if (o.left < left) left = o.left;
        if (o.top < top) top = o.top;
        if (o.right > right) right = o.right;
        if (o.bottom > bottom) bottom = o.bottom;
        return *this;
    }

    // Inside for drawing: right and bottom excluded.
    bool pointInside(const CPoint& p) const { return p.h >= left && p.h < right && p.v >= top && p.v < bottom; }
    // Inside for the mouse: all four edges included.
    bool pointInsideEdges(const CPoint& p) const {
        return p.h >= left && p.h <= right && p.v >= top && p.v <= bottom;
    }

    bool operator==(const CRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const CRect& o) const { return !(*this == o); }
};

} // namespace VSTGUI
