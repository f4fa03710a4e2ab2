#include "gui/CDropTarget.h"

#include "gui/CDragContainer.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"

namespace VSTGUI {
namespace {

// One drag at a time in the process (the editor's thread of each frame may
// differ, but a pointer drags one thing at a time).
CDragContainer* g_currentDrag = nullptr;

template <typename Call>
void withFrameContext(CFrame* frame, Call call) {
    CDrawContext* context = frame->getFrameContext();
    CPoint where;
    frame->getMouseLocation(context, where);
    call(context, where);
    context->forget();
}

} // namespace

CDropTarget::~CDropTarget() {
    if (mine_) endDrag();
}

CDragContainer* CDropTarget::currentDrag() { return g_currentDrag; }

CDropTarget::Effect CDropTarget::dragEnter() {
    if (!frame_ || (g_currentDrag && !mine_)) return kEffectNone;
    if (mine_) endDrag();
    g_currentDrag = new CDragContainer();
    mine_ = true;
    withFrameContext(frame_, [this](CDrawContext* context, const CPoint& where) {
        frame_->onDragEnter(context, g_currentDrag, where);
    });
    return kEffectCopy;
}

CDropTarget::Effect CDropTarget::dragOver() {
    if (!mine_) return kEffectNone;
    withFrameContext(frame_, [this](CDrawContext* context, const CPoint& where) {
        frame_->onDragMove(context, g_currentDrag, where);
    });
    return kEffectCopy;
}

void CDropTarget::dragLeave() {
    if (!mine_) return;
    withFrameContext(frame_, [this](CDrawContext* context, const CPoint& where) {
        frame_->onDragLeave(context, g_currentDrag, where);
    });
    endDrag();
}

bool CDropTarget::drop(const std::vector<os::DropItem>& items) {
    if (!mine_) return false;
    g_currentDrag->setItems(items);
    bool taken = false;
    withFrameContext(frame_, [this, &taken](CDrawContext* context, const CPoint& where) {
        taken = frame_->onDrop(context, g_currentDrag, where);
    });
    endDrag();
    return taken;
}

void CDropTarget::endDrag() {
    if (g_currentDrag) g_currentDrag->forget();
    g_currentDrag = nullptr;
    mine_ = false;
}

} // namespace VSTGUI
