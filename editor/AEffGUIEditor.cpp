#include "editor/AEffGUIEditor.h"

#include "framework/platform/EditorThread.h"
#include "framework/sdk/AudioEffectX.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "os/Clock.h"
#include "os/Dialogs.h"
#include "os/window/X11Window.h"

namespace {

// The editor whose frame a waiting dialog keeps painted, per thread.
thread_local AEffGUIEditor* t_paintedWhileDialogs = nullptr;

void paintWhileDialogWaits(void* context) {
    if (VSTGUI::CFrame* frame = static_cast<AEffGUIEditor*>(context)->getFrame()) frame->pumpPaintOnly();
}

VSTGUI::VstKeyCode toolkitKey(const VstKeyCode& key) {
    VSTGUI::VstKeyCode copy;
    copy.character = key.character;
    copy.virt = key.virt;
    copy.modifier = key.modifier;
    return copy;
}

} // namespace

AEffGUIEditor::AEffGUIEditor(AudioEffectX* effect)
    : AEffEditor(effect), nextIdleMs(os::tickMs()), effectX_(effect) {
    if (effect) effect->setEditor(this);
}

AEffGUIEditor::~AEffGUIEditor() {
    // Derived editors have closed their frame; a frame left by a host that
    // never closed goes here (views first, through closeFrame of this class).
    if (frame) AEffGUIEditor::closeNow();
}

bool AEffGUIEditor::getRect(ERect** out) {
    if (out) *out = &rect;
    return true;
}

bool AEffGUIEditor::open(void* window) {
    std::lock_guard<std::recursive_mutex> serial(entry_);
    if (frame) {
        // A second open without a close: the first frame goes.
        if (frame->isDispatching()) return false;
        closePending_ = false;
        closeNow();
    }
    AEffEditor::open(window);
    setEditorThread(this);
    return true;
}

bool AEffGUIEditor::openFrame(const VSTGUI::CRect& size) {
    auto window = os::openX11Window(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(systemWindow_)), size.width(),
                                    size.height());
    if (!window) return false;
    return openFrameOn(size, std::move(window));
}

bool AEffGUIEditor::openFrameOn(const VSTGUI::CRect& size, std::unique_ptr<os::EditorWindow> window) {
    if (!window) return false;
    frame = new VSTGUI::CFrame(size, std::move(window), this);
    nextIdleMs = frame->getTicks();
    t_paintedWhileDialogs = this;
    os::setDialogWaitHandler(paintWhileDialogWaits, this);
    return true;
}

void AEffGUIEditor::close() {
    std::lock_guard<std::recursive_mutex> serial(entry_);
    if (frame && frame->isDispatching()) {
        // Hidden from the views' loops: they end, and the handling unwinds.
        frame->setOpenFlag(false);
        closePending_ = true;
        return;
    }
    closeNow();
}

void AEffGUIEditor::closeNow() {
    closePending_ = false;
    if (frame) closeFrame();
    if (t_paintedWhileDialogs == this) {
        os::setDialogWaitHandler(nullptr, nullptr);
        t_paintedWhileDialogs = nullptr;
    }
    clearEditorThread(this);
    AEffEditor::close();
}

void AEffGUIEditor::closeFrame() {
    if (frame) frame->forget();
    frame = nullptr;
}

void AEffGUIEditor::finishPendingClose() {
    if (closePending_ && !(frame && frame->isDispatching())) closeNow();
}

void AEffGUIEditor::idle() {
    std::lock_guard<std::recursive_mutex> serial(entry_);
    if (inIdleStuff || !frame) return;
    frame->idle();
    finishPendingClose();
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& keyCode) {
    std::lock_guard<std::recursive_mutex> serial(entry_);
    if (!frame || !frame->isOpen()) return false;
    VSTGUI::VstKeyCode key = toolkitKey(keyCode);
    const bool handled = frame->onKeyDown(key) == 1;
    finishPendingClose();
    return handled;
}

bool AEffGUIEditor::onKeyUp(VstKeyCode& keyCode) {
    std::lock_guard<std::recursive_mutex> serial(entry_);
    if (!frame || !frame->isOpen()) return false;
    VSTGUI::VstKeyCode key = toolkitKey(keyCode);
    const bool handled = frame->onKeyUp(key) == 1;
    finishPendingClose();
    return handled;
}

bool AEffGUIEditor::onWheel(float distance) {
    std::lock_guard<std::recursive_mutex> serial(entry_);
    if (!frame || !frame->isOpen()) return false;
    // Our window sits at the host window's top-left: its origin is the screen origin.
    VSTGUI::CDrawContext* context = frame->getFrameContext();
    VSTGUI::CPoint where;
    context->getMouseLocation(where);
    const bool handled = frame->onWheel(context, where, distance);
    context->forget();
    finishPendingClose();
    return handled;
}

bool AEffGUIEditor::setKnobMode(VstInt32 mode) {
    VSTGUI::CFrame::setKnobMode(mode);
    return true;
}

void AEffGUIEditor::beginEdit(int32_t index) {
    if (effectX_) effectX_->beginEdit(index);
}

void AEffGUIEditor::endEdit(int32_t index) {
    if (effectX_) effectX_->endEdit(index);
}

void AEffGUIEditor::doIdleStuff() {
    if (!frame) return;
    uint32_t now = frame->getTicks();
    if (os::tickDiff(nextIdleMs, now) > 0) {
        frame->sleepTicks(4);
        now += 4;
        if (os::tickDiff(nextIdleMs - 50, now) > 0) return;
    }
    idle();
    if (!frame) return;
    frame->pumpPaintOnly();
    nextIdleMs = now + 100;
    inIdleStuff = true;
    if (effectX_) effectX_->masterIdle();
    inIdleStuff = false;
}

bool AEffGUIEditor::requestSize(int32_t width, int32_t height) {
    if (!effectX_ || !effectX_->canHostDo("sizeWindow") || !effectX_->sizeWindow(width, height)) return false;
    rect.right = static_cast<VstInt16>(rect.left + width);
    rect.bottom = static_cast<VstInt16>(rect.top + height);
    return true;
}
