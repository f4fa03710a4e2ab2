#include "gui/CFrame.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "gui/CDrawContext.h"
#include "gui/CDropTarget.h"
#include "gui/CFrameEditor.h"
#include "gui/CTextEdit.h"
#include "os/Clock.h"
#include "os/TextEncoding.h"
#include "os/window/EditorWindow.h"

namespace VSTGUI {
namespace {

std::atomic<int32_t> g_frameCount{0};
std::atomic<int32_t> g_knobMode{0};

constexpr uint32_t kOpaqueBlack = 0xFF000000u;
// The virtual key codes and modifier bits of the host's key records.
constexpr uint8_t kVirtualTab = 2;
constexpr uint8_t kModifierShift = 1;
constexpr uint8_t kModifierAlternate = 2;
constexpr uint8_t kModifierControl = 8;

os::CursorShape cursorShapeOf(int32_t type) {
    switch (type) {
    case kCursorWait: return os::CursorShape::Wait;
    case kCursorHSize: return os::CursorShape::ResizeHorizontal;
    case kCursorVSize: return os::CursorShape::ResizeVertical;
    case kCursorSizeAll: return os::CursorShape::Move;
    case kCursorNESWSize: return os::CursorShape::ResizeNeSw;
    case kCursorNWSESize: return os::CursorShape::ResizeNwSe;
    case kCursorNotAllowed: return os::CursorShape::NotAllowed;
    case kCursorHand: return os::CursorShape::Hand;
    default: return os::CursorShape::Default;
    }
}

uint8_t virtualKeyOf(os::WindowKey key) {
    switch (key) {
    case os::WindowKey::Backspace: return 1;
    case os::WindowKey::Tab: return kVirtualTab;
    case os::WindowKey::Return: return 4;
    case os::WindowKey::Escape: return 6;
    case os::WindowKey::End: return 9;
    case os::WindowKey::Home: return 10;
    case os::WindowKey::Left: return 11;
    case os::WindowKey::Up: return 12;
    case os::WindowKey::Right: return 13;
    case os::WindowKey::Down: return 14;
    case os::WindowKey::Insert: return 21;
    case os::WindowKey::Delete: return 22;
    case os::WindowKey::None: break;
    }
    return 0;
}

VstKeyCode keyCodeOf(const os::WindowEvent& event) {
    VstKeyCode key;
    key.virt = virtualKeyOf(event.key);
    if (event.key == os::WindowKey::None) {
        // One character per key.
        key.character = static_cast<int32_t>(os::characterAt(event.text, 0).codePoint);
        if (key.character == ' ') key.virt = 7;   // the space key has a virtual code of its own
    }
    if (event.buttons & os::kMouseShift) key.modifier |= kModifierShift;
    if (event.buttons & os::kMouseAlt) key.modifier |= kModifierAlternate;
    if (event.buttons & os::kMouseControl) key.modifier |= kModifierControl;
    return key;
}

// The view itself or one of its containers is `outer`.
bool isWithin(const CView* view, const CView* outer) {
    for (const CView* at = view; at; at = at->getParentView())
        if (at == outer) return true;
    return false;
}

// The rectangles of container's dirty views, offset by origin (the
// container's top-left in the frame). A container drawn by parts (mode 1)
// and not dirty as a whole adds its dirty views; any other dirty view, its
// visible rectangle.
CRect dirtyWithin(const CViewContainer& container, const CPoint& origin) {
    CRect area;
    const CRect local(0, 0, container.size().width(), container.size().height());
    for (int32_t i = 0; i < container.getNbViews(); ++i) {
        const CView* child = container.getView(i);
        if (!child || !child->isDirty()) continue;
        CRect visible = child->size();
        visible.bound(local);
        if (visible.isEmpty()) continue;
        const auto* nested = child->isTypeOf("CViewContainer") ? static_cast<const CViewContainer*>(child) : nullptr;
        if (nested && nested->getMode() == 1 && !child->CView::isDirty()) {
            const CRect inner = dirtyWithin(*nested, CPoint(origin.h + child->size().left, origin.v + child->size().top));
            area.unite(CRect(inner).bound(visible.offset(origin.h, origin.v)));
        } else {
            area.unite(visible.offset(origin.h, origin.v));
        }
    }
    return area;
}

bool dispatchesToViews(os::WindowEventKind kind) {
    using os::WindowEventKind;
    switch (kind) {
    case WindowEventKind::MouseMove:
    case WindowEventKind::MouseUp:
    case WindowEventKind::FocusIn:
    case WindowEventKind::Hidden:
    case WindowEventKind::Shown:
    case WindowEventKind::Closed: return false;
    default: return true;
    }
}

} // namespace

struct CFrame::Dispatching {
    explicit Dispatching(CFrame* frame) : frame_(frame) { ++frame_->dispatchDepth_; }
    ~Dispatching() { --frame_->dispatchDepth_; }
    CFrame* frame_;
};

CFrame::CFrame(const CRect& size, CFrameEditor* editor) : CViewContainer(size, nullptr, nullptr), editor_(editor) {
    parentFrame_ = this;
    ++g_frameCount;
}

CFrame::CFrame(const CRect& size, std::unique_ptr<os::EditorWindow> window, CFrameEditor* editor)
    : CFrame(size, editor) {
    window_ = std::move(window);
    open_ = window_ && window_->isOpen();
    ownPixels_ = raster::PixelBuffer(size.width(), size.height());
    std::fill(ownPixels_.pixels().begin(), ownPixels_.pixels().end(), kOpaqueBlack);
    backBuffer_ = &ownPixels_;
    if (window_) setDropActive(true);
}

CFrame::~CFrame() {
    if (modalView_) removeView(modalView_, false);
    modalView_ = nullptr;
    if (window_ && open_) setCursor(kCursorDefault);
    setDropActive(false);
    focusView_ = nullptr;
    // The children go before the window they were drawn into.
    removeAll(true);
    window_.reset();
    --g_frameCount;
}

int32_t CFrame::frameCount() { return g_frameCount.load(); }
int32_t CFrame::getKnobMode() { return g_knobMode.load(); }
void CFrame::setKnobMode(int32_t mode) { g_knobMode.store(mode); }

bool CFrame::isTypeOf(const char* type) const {
    return type && (std::strcmp(type, "CFrame") == 0 || CViewContainer::isTypeOf(type));
}

void CFrame::setOpenFlag(bool open) {
    open_ = open;
    if (!open) {
        // Loops that poll the buttons end.
        pointer_.left = pointer_.middle = pointer_.right = false;
    }
}

CDrawContext* CFrame::getFrameContext() { return new CDrawContext(this, backBuffer_); }

void CFrame::present(const CRect& area) {
    if (!window_ || !open_ || !backBuffer_) return;
    os::PixelSurface& surface = window_->backBuffer();
    CRect r = area;
    r.bound(CRect(0, 0, std::min(surface.width, backBuffer_->width()), std::min(surface.height, backBuffer_->height())));
    if (r.isEmpty()) return;
    // Opaque whatever the drawing left in alpha: a 32-bit parent shows it.
    for (CCoord y = r.top; y < r.bottom; ++y) {
        const uint32_t* from = backBuffer_->row(y);
        uint32_t* to = surface.row(y);
        for (CCoord x = r.left; x < r.right; ++x) to[x] = from[x] | kOpaqueBlack;
    }
    window_->present(os::WindowRect{r.left, r.top, r.width(), r.height()});
}

void CFrame::draw(CDrawContext* context) {
    firstDraw_ = false;
    CDrawContext* own = nullptr;
    if (!context) context = own = getFrameContext();
    CViewContainer::draw(context);
    if (own) {
        own->forget();
        present(CRect(0, 0, size_.width(), size_.height()));
    }
}

void CFrame::drawRect(CDrawContext* context, const CRect& rect) {
    firstDraw_ = false;
    CDrawContext* own = nullptr;
    if (!context) context = own = getFrameContext();
    CRect oldClip;
    context->getClipRect(oldClip);
    CRect clip = rect;
    context->setClipRect(clip.bound(oldClip));
    if (rect.width() > 0 && rect.height() > 0) CViewContainer::drawRect(context, rect);
    context->setClipRect(oldClip);
    if (own) {
        own->forget();
        present(rect);
    }
}

CRect CFrame::dirtyArea() const {
    const CRect whole(0, 0, size_.width(), size_.height());
    if (dirty_ || (getMode() == 0 && isDirty())) return whole;
    return dirtyWithin(*this, CPoint(0, 0));
}

void CFrame::update(CDrawContext* context) {
    if (!open_ || updatesDisabled_) return;
    CDrawContext* own = nullptr;
    if (!context) context = own = getFrameContext();
    const CRect whole(0, 0, size_.width(), size_.height());
    const CRect changed = dirtyArea();
    if (dirty_) {
        CViewContainer::draw(context);
        setDirty(false);
    } else if (getMode() == 0) {
        // Anything dirty redraws the whole frame's area.
        if (isDirty()) CViewContainer::drawRect(context, whole);
    } else {
        CRect outer;
        context->getClipRect(outer);
        if (modalView_ && modalView_->isDirty()) modalView_->update(context);
        for (int32_t i = 0; i < getNbViews(); ++i) {
            CView* child = getView(i);
            CRect clip = child->size();
            context->setClipRect(clip.bound(outer));
            child->update(context);
        }
        context->setClipRect(outer);
    }
    if (own) own->forget();
    present(changed);
}

void CFrame::idle() {
    if (!open_) return;
    if (window_ && dispatchDepth_ == 0) {
        Dispatching dispatching(this);
        window_->pump();
        os::WindowEvent event;
        while (open_ && window_->nextEvent(event)) handleEvent(event);
        // The window (or the host's parent) went away: quietly closed.
        if (!window_->isOpen()) setOpenFlag(false);
    }
    if (!open_) return;
    if (firstDraw_) {
        drawRect(nullptr, CRect(0, 0, size_.width(), size_.height()));
    } else if (isDirty()) {
        update(nullptr);
    }
}

void CFrame::takePointer(int x, int y, int bits) {
    pointer_.screen = CPoint(x, y);
    pointer_.left = (bits & os::kMouseLeft) != 0;
    pointer_.middle = (bits & os::kMouseMiddle) != 0;
    pointer_.right = (bits & os::kMouseRight) != 0;
    pointer_.shift = (bits & os::kMouseShift) != 0;
    pointer_.control = (bits & os::kMouseControl) != 0;
    pointer_.alt = (bits & os::kMouseAlt) != 0;
}

void CFrame::handleEvent(const os::WindowEvent& event) {
    using os::WindowEventKind;
    const os::PointerState now = window_->pointer();
    switch (event.kind) {
    case WindowEventKind::MouseDown: {
        // The buttons held as of this event: a press whose release is
        // already queued still counts as pressed while it is handled.
        takePointer(now.x, now.y, now.buttons);
        CPoint where(event.x, event.y);
        mouse(nullptr, where, -1);
        // A selection made with the mouse is offered as X's primary one.
        if (auto* editing = dynamic_cast<CTextEdit*>(focusView_)) editing->offerSelectedText();
        break;
    }
    case WindowEventKind::MouseUp:
    case WindowEventKind::MouseMove:
        takePointer(now.x, now.y, now.buttons);
        break;
    case WindowEventKind::Wheel: {
        takePointer(event.x, event.y, event.buttons);
        CDrawContext* context = getFrameContext();
        CPoint where;
        getMouseLocation(context, where);
        onWheel(context, where, event.wheel);
        context->forget();
        break;
    }
    case WindowEventKind::KeyDown:
    case WindowEventKind::KeyUp: {
        // The editor's keys first, as for a key the host passes on.
        VstKeyCode key = keyCodeOf(event);
        const bool down = event.kind == WindowEventKind::KeyDown;
        if (editor_ && editor_->takeKey(key, down)) break;
        if (down)
            onKeyDown(key);
        else
            onKeyUp(key);
        break;
    }
    case WindowEventKind::DragEnter:
        takePointer(event.x, event.y, now.buttons);
        if (dropTarget_) dropTarget_->dragEnter();
        break;
    case WindowEventKind::DragMove:
        takePointer(event.x, event.y, now.buttons);
        if (dropTarget_) dropTarget_->dragOver();
        break;
    case WindowEventKind::DragLeave:
        if (dropTarget_) dropTarget_->dragLeave();
        break;
    case WindowEventKind::Drop:
        takePointer(event.x, event.y, now.buttons);
        if (dropTarget_) dropTarget_->drop(event.items);
        break;
    case WindowEventKind::Closed:
        setOpenFlag(false);
        break;
    case WindowEventKind::FocusOut:
        // The keys go elsewhere now: text entry ends, as a click elsewhere ends it.
        setFocusView(nullptr);
        break;
    case WindowEventKind::Paste:
        if (auto* editing = dynamic_cast<CTextEdit*>(focusView_)) editing->paste(event.text);
        break;
    case WindowEventKind::FocusIn:
    case WindowEventKind::Hidden:
    case WindowEventKind::Shown:
        break;
    }
    // Whatever the views drew while handling the event shows now (pointer
    // moves and releases reach no view: they show nothing).
    if (dispatchesToViews(event.kind)) present(CRect(0, 0, size_.width(), size_.height()));
}

void CFrame::pollPointer() {
    if (!window_ || !open_) return;
    const os::PointerState pointer = window_->trackPointer();
    takePointer(pointer.x, pointer.y, pointer.buttons);
    if (!window_->isOpen()) setOpenFlag(false);
}

void CFrame::doIdleStuff() {
    pollPointer();
    if (!open_) return;
    if (!firstDraw_ && isDirty()) update(nullptr);
    if (editor_) editor_->doIdleStuff();
}

uint32_t CFrame::getTicks() const { return window_ ? window_->nowMs() : os::tickMs(); }

void CFrame::sleepTicks(unsigned milliseconds) {
    if (window_)
        window_->sleepMs(milliseconds);
    else
        os::sleepMs(milliseconds);
}

void CFrame::pumpPaintOnly() {
    if (window_ && open_) window_->pumpPaintOnly();
}

void CFrame::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    Dispatching dispatching(this);
    CDrawContext* own = nullptr;
    if (!context) context = own = getFrameContext();
    if (buttons == -1) buttons = context->getMouseButtons();
    // The text field being edited owns its box as a platform edit box would:
    // a click inside goes to it (its caret) and keeps the focus.
    auto* editing = dynamic_cast<CTextEdit*>(focusView_);
    if (editing && editing->isEditing() && (!modalView_ || isWithin(editing, modalView_))) {
        CPoint local = where;
        editing->frameToLocal(local);
        CRect box;
        if (editing->getViewSize(box).pointInside(local)) {
            editing->mouse(context, local, buttons);
            if (own) own->forget();
            return;
        }
    }
    setFocusView(nullptr);
    if (modalView_) {
        if (modalView_->hitTest(where, buttons)) modalView_->mouse(context, where, buttons);
    } else {
        CViewContainer::mouse(context, where, buttons);
    }
    if (own) own->forget();
}

int32_t CFrame::onKeyDown(VstKeyCode& key) {
    Dispatching dispatching(this);
    int32_t answer = -1;
    if (focusView_) answer = focusView_->onKeyDown(key);
    if (answer == -1 && modalView_) answer = modalView_->onKeyDown(key);
    if (answer == -1 && key.virt == kVirtualTab)
        answer = advanceNextFocusView(focusView_, (key.modifier & kModifierShift) != 0) ? 1 : -1;
    return answer;
}

int32_t CFrame::onKeyUp(VstKeyCode& key) {
    Dispatching dispatching(this);
    int32_t answer = -1;
    if (focusView_) answer = focusView_->onKeyUp(key);
    if (answer == -1 && modalView_) answer = modalView_->onKeyUp(key);
    return answer;
}

bool CFrame::onWheel(CDrawContext* context, const CPoint& where, int32_t axis, float distance) {
    Dispatching dispatching(this);
    CView* view = modalView_ ? modalView_ : getViewAt(where, false);
    if (!view) return false;
    CDrawContext* own = nullptr;
    if (!context) context = own = getFrameContext();
    const bool handled = view->onWheel(context, where, axis, distance);
    if (own) own->forget();
    return handled;
}

bool CFrame::advanceNextFocusView(CView* oldFocus, bool reverse) {
    if (modalView_) return false;
    if (!oldFocus) {
        if (!focusView_) return CViewContainer::advanceNextFocusView(nullptr, reverse);
        oldFocus = focusView_;
    }
    if (isChild(oldFocus)) {
        if (CViewContainer::advanceNextFocusView(oldFocus, reverse)) return true;
        setFocusView(nullptr);
        return false;
    }
    CView* level = oldFocus;
    for (CViewContainer* parent = oldFocus->getParentView(); parent && parent != this;
         parent = parent->getParentView()) {
        if (parent->advanceNextFocusView(level, reverse)) return true;
        level = parent;
    }
    return CViewContainer::advanceNextFocusView(level, reverse);
}

bool CFrame::setSize(CCoord width, CCoord height) {
    if (!open_ || (width == size_.width() && height == size_.height())) return false;
    // The host's windows are its own: without its consent nothing changes.
    if (!editor_ || !editor_->requestSize(width, height)) return false;
    const bool ownBuffer = backBuffer_ == &ownPixels_;
    if (ownBuffer) {
        ownPixels_ = raster::PixelBuffer(width, height);
        std::fill(ownPixels_.pixels().begin(), ownPixels_.pixels().end(), kOpaqueBlack);
    }
    if (window_) window_->resize(width, height);
    CViewContainer::setViewSize(CRect(0, 0, width, height));
    setDirty(true);
    return true;
}

int32_t CFrame::setModalView(CView* view) {
    if (view && modalView_) return 0;
    if (modalView_) removeView(modalView_, false);
    modalView_ = view;
    if (view) addView(view);
    return 1;
}

void CFrame::beginEdit(int32_t index) {
    if (editor_) editor_->beginEdit(index);
}

void CFrame::endEdit(int32_t index) {
    if (editor_) editor_->endEdit(index);
}

bool CFrame::getCurrentLocation(CPoint& where) {
    where = pointer_.screen;
    return true;
}

void CFrame::setCursor(int32_t type) {
    if (window_) window_->setCursor(cursorShapeOf(type));
}

void CFrame::setFocusView(CView* view) {
    CView* old = focusView_;
    focusView_ = view;
    if (view && view->wantsFocus()) view->setDirty(true);
    if (old) {
        old->looseFocus(nullptr);
        if (old->wantsFocus()) old->setDirty(true);
    }
}

void CFrame::viewLeaving(CView* view) {
    if (isWithin(modalView_, view)) modalView_ = nullptr;
    if (isWithin(focusView_, view)) setFocusView(nullptr);
}

bool CFrame::setDropActive(bool active) {
    if (!active && !dropTarget_) return true;
    if (!window_) return false;
    delete dropTarget_;
    dropTarget_ = active ? new CDropTarget(this) : nullptr;
    return true;
}

void CFrame::invalidate(const CRect& rect) {
    for (int32_t i = 0; i < getNbViews(); ++i) {
        CView* child = getView(i);
        if (child->checkUpdate(rect)) child->setDirty(true);
    }
}

bool CFrame::setUpdatesDisabled(bool disabled) {
    const bool previous = updatesDisabled_;
    updatesDisabled_ = disabled;
    return previous;
}

void CFrame::drawView(CView* view) {
    if (!backBuffer_) return;
    CDrawContext* context = getFrameContext();
    CRect area(0, 0, size_.width(), size_.height());
    if (view && isChild(view)) {
        view->draw(context);
        area = view->size();
    } else {
        draw(context);
    }
    context->forget();
    present(area);
}

} // namespace VSTGUI
