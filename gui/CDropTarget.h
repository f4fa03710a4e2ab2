#pragma once
// Routes the window's drags to the frame: one drag at a time in the
// process, each wrapped in a drag container; the point is the frame's mouse
// location, and the views under it get enter, move, leave and drop through
// the container routing. Created by CFrame::setDropActive. Editor thread only.
#include <vector>

namespace os {
struct DropItem;
}

namespace VSTGUI {

class CDragContainer;
class CFrame;

class CDropTarget {
public:
    // What the drag source is told it would do: copy, or nothing.
    enum Effect { kEffectNone = 0, kEffectCopy = 2 };

    explicit CDropTarget(CFrame* frame) : frame_(frame) {}
    ~CDropTarget();
    CDropTarget(const CDropTarget&) = delete;
    CDropTarget& operator=(const CDropTarget&) = delete;

    // Refused (none) while another drag of the process is under way.
    Effect dragEnter();
    Effect dragOver();
    void dragLeave();
    // The views' answer: true when one took the items.
    bool drop(const std::vector<os::DropItem>& items);

    // The drag under way in the process, none outside a drag.
    static CDragContainer* currentDrag();

private:
    void endDrag();
    CFrame* frame_;
    bool mine_ = false;   // the current drag is this target's
};

} // namespace VSTGUI
