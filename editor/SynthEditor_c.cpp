#include "editor/SynthEditor_c.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "editor/CFileDialog3Pl.h"
#include "editor/CMenuFileList.h"
#include "editor/CMenuSimple.h"
#include "framework/sdk/EditorSnapshot.h"
#include "framework/platform/EditorThread.h"
#include "framework/synth/Synth.h"
#include "gui/CBitmap.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "os/Clock.h"
#include "os/window/EditorWindow.h"
#include "gui/CTextEdit.h"

namespace editor {

using VSTGUI::CBitmap;
using VSTGUI::CColor;
using VSTGUI::CRect;

namespace {

// The skins every editor of the process shares, and how many editors live.
struct SkinCache {
    std::mutex lock;  // lives as long as the process
    CBitmap* bitmaps[SynthEditor_c::kSkinCacheSize] = {};
    int32_t editors = 0;
};

SkinCache& skinCache() {
    // Made on first use and kept while an editor may still need it: an editor
    // alive at the library's static destruction keeps it. With none left it
    // goes with the library, so a host that unloads the plug-in gets its
    // memory back.
    static SkinCache* cache = new SkinCache;
    static struct Release {
        ~Release() {
            {
                std::lock_guard<std::mutex> guard(cache->lock);
                if (cache->editors != 0) return;
                for (CBitmap* b : cache->bitmaps)
                    if (b) b->forget();
            }
            delete cache;
        }
    } release;
    return *cache;
}

constexpr uint32_t kCloseWaitMs = 5;
constexpr int kCloseWaitRounds = 50;  // at most 250 ms for a drain left running

} // namespace

SynthEditor_c::SynthEditor_c(Synth* synth, int32_t controlCount, int32_t mainSkinId, int32_t backSkinId)
    : AEffGUIEditor(synth), synth_(synth), controlCount_(std::clamp(controlCount, 1, ControlRefreshSet::kCapacity)),
      mainSkinId_(mainSkinId), backSkinId_(backSkinId), edits_(static_cast<size_t>(controlCount_)),
      slots_(static_cast<size_t>(controlCount_)) {
    {
        SkinCache& cache = skinCache();
        std::lock_guard<std::mutex> guard(cache.lock);
        if (++cache.editors == 1)
            for (CBitmap*& b : cache.bitmaps) b = nullptr;
    }
    mainSkin_ = getSkinBitmap(mainSkinId);
    if (backSkinId >= 0) backSkin_ = getSkinBitmap(backSkinId);
    resizeTo(mainSkin_);
    resetTables();
}

SynthEditor_c::~SynthEditor_c() {
    close();
    // Waits only for a drain another thread left running (none once closed).
    for (int i = 0; i < kCloseWaitRounds && draining_.load(); ++i) os::sleepMs(kCloseWaitMs);
    SkinCache& cache = skinCache();
    std::lock_guard<std::mutex> guard(cache.lock);
    if (--cache.editors == 0)
        for (CBitmap*& b : cache.bitmaps) {
            if (b) b->forget();
            b = nullptr;
        }
}

CBitmap* SynthEditor_c::getSkinBitmap(int32_t id) {
    if (id < 0 || id >= kSkinCacheSize) return nullptr;
    SkinCache& cache = skinCache();
    std::lock_guard<std::mutex> guard(cache.lock);
    if (!cache.bitmaps[id]) cache.bitmaps[id] = new CBitmap(id);
    return cache.bitmaps[id];
}

int32_t SynthEditor_c::liveEditors() {
    SkinCache& cache = skinCache();
    std::lock_guard<std::mutex> guard(cache.lock);
    return cache.editors;
}

void SynthEditor_c::resizeTo(CBitmap* skin) {
    // Without its skin the editor keeps the size the pages are drawn for.
    const bool loaded = skin && skin->isLoaded();
    windowWidth_ = loaded ? skin->getWidth() : kFallbackWidth;
    windowHeight_ = loaded ? skin->getHeight() : kFallbackHeight;
    rect.top = rect.left = 0;
    rect.right = static_cast<VstInt16>(windowWidth_);
    rect.bottom = static_cast<VstInt16>(windowHeight_);
}

void SynthEditor_c::resetTables() {
    open_.store(false);
    draining_.store(false);
    refresh_.clear();
    for (size_t i = 0; i < slots_.size(); ++i) {
        slots_[i] = ControlSlot();
        edits_[i].release();
    }
    lastWritten_ = hovered_ = nullptr;
    hoverCount_ = 0;
}

// ------------------------------------------------------------------ open and close

bool SynthEditor_c::openPlugin() {
    // Hosts open editors before any audio block: the plug-in need only be open.
    if (!synth_->isOpened()) synth_->open();
    return synth_->isOpened();
}

bool SynthEditor_c::open(void* window) {
    if (!window || !synth_ || !openPlugin()) return false;
    // A frame still open (a second open without a close) goes first.
    if (!AEffGUIEditor::open(window)) return false;
    backShown_ = false;
    resizeTo(mainSkin_);
    if (!openFrame(CRect(0, 0, windowWidth_, windowHeight_))) {
        AEffGUIEditor::close();
        return false;
    }
    buildPages();
    return true;
}

bool SynthEditor_c::openInWindow(std::unique_ptr<os::EditorWindow> window) {
    if (!synth_ || isOpen() || !openPlugin()) return false;
    if (!AEffGUIEditor::open(nullptr)) return false;
    backShown_ = false;
    resizeTo(mainSkin_);
    const CRect whole(0, 0, windowWidth_, windowHeight_);
    if (window) {
        // The frame owns the window from now on: its events, pixels and clock.
        if (!openFrameOn(whole, std::move(window))) {
            AEffGUIEditor::close();
            return false;
        }
    } else {
        frame = new VSTGUI::CFrame(whole, this);
        backBuffer_ = raster::PixelBuffer(windowWidth_, windowHeight_);
        frame->setBackBuffer(&backBuffer_);
    }
    buildPages();
    return true;
}

void SynthEditor_c::buildPages() {
    // Questions and file dialogs may block this thread only.
    editorThread_.store(std::this_thread::get_id());
    frame->setMode(1);
    const CColor pageColour{24, 24, 28, 255};  // shown only where a skin is missing
    const bool mainLoaded = mainSkin_ && mainSkin_->isLoaded();
    mainFrame_ = new CModulFramePl(0, 0, windowWidth_, windowHeight_, frame, mainLoaded ? mainSkin_ : nullptr,
                                   "MainEditFrame");
    mainFrame_->setBackgroundColor(pageColour);
    mainFrame_->setMode(1);
    // A page whose skin is missing is drawn plain, so the editor stays whole.
    if (backSkin_) {
        const bool backLoaded = backSkin_->isLoaded();
        backFrame_ = new CModulFramePl(0, 0, backLoaded ? backSkin_->getWidth() : windowWidth_,
                                       backLoaded ? backSkin_->getHeight() : windowHeight_, frame,
                                       backLoaded ? backSkin_ : nullptr, "MainBackFrame");
        backFrame_->setBackgroundColor(pageColour);
        backFrame_->setMode(1);
    }
    frame->addView(mainFrame_);
    applyColors();
    buildControls();
    open_.store(true, std::memory_order_release);
    applyKnobMode();
    updateAllControls();
    paint(true);
}

void SynthEditor_c::closeFrame() {
    open_.store(false);
    editorThread_.store(std::thread::id());
    for (int i = 0; i < kCloseWaitRounds && draining_.load(); ++i) os::sleepMs(kCloseWaitMs);
    if (frame) {
        if (mainFrame_) mainFrame_->removeAll(true);
        if (backFrame_) backFrame_->removeAll(true);
        if (mainFrame_ && frame->isChild(mainFrame_)) frame->removeView(mainFrame_, false);
        if (backFrame_ && frame->isChild(backFrame_)) frame->removeView(backFrame_, false);
    }
    if (mainFrame_) mainFrame_->forget();
    if (backFrame_) backFrame_->forget();
    mainFrame_ = backFrame_ = nullptr;
    AEffGUIEditor::closeFrame();
    resetTables();
}

bool SynthEditor_c::isEditorThread() const {
    return open_.load(std::memory_order_acquire) && editorThread_.load() == std::this_thread::get_id();
}

// ------------------------------------------------------------------ pages

void SynthEditor_c::swapFrames() {
    if (!synth_ || !frame || !backFrame_) return;
    CModulFramePl* from = backShown_ ? backFrame_ : mainFrame_;
    CModulFramePl* to = backShown_ ? mainFrame_ : backFrame_;
    CBitmap* skin = backShown_ ? mainSkin_ : backSkin_;
    frame->removeView(from, false);
    // Both pages share one size, so the host is never asked to resize; a
    // back skin of its own size would resize the frame and the rectangle.
    if (skin && skin->isLoaded() && (skin->getWidth() != windowWidth_ || skin->getHeight() != windowHeight_)) {
        if (frame->isOpen() && !frame->setSize(skin->getWidth(), skin->getHeight())) {
            frame->addView(from);  // the host refused: the page stays
            return;
        }
        resizeTo(skin);
    }
    frame->addView(to);
    backShown_ = !backShown_;
    frame->setDirty(true);
    paint(true);
}

// ------------------------------------------------------------------ refresh

void SynthEditor_c::parameterChanged(int32_t index, bool now) {
    if (!open_.load(std::memory_order_acquire) || index < 0 || index >= controlCount_) return;
    refresh_.mark(index);
    // Only the editor's own thread draws at once; the mark stays for idle.
    if (now && isEditorThread()) {
        updateControl(index, true);
        if (index == knobModeControl_) applyKnobMode();
    }
}

void SynthEditor_c::requestRefreshAll() {
    if (open_.load(std::memory_order_acquire)) refresh_.markAll();
}

void SynthEditor_c::updateControl(int32_t index, bool refreshGroups) {
    if (!synth_ || !isOpen() || index < 0 || index >= controlCount_) return;
    ++controlUpdates_;
    // No view groups exist here; in Fruity a group refresh redraws everything.
    if (refreshGroups && synth_->getHostId() == HostId::Fruity) refresh_.markAll();
    Edit& e = edits_[index];
    if (e.parameter() >= 0) {
        e.updateText(synth_->getParameterByIndex(e.parameter()));
        return;
    }
    ControlSlot& s = slots_[index];
    if (!s.primary && !s.secondary) return;
    char text[kEditorTextLimit + 1] = {};
    synth_->getParameterText(index, text, kEditorTextLimit);
    const float value = synth_->getParameterByIndex(index);
    switch (s.kind) {
    case kSlotEcsMenu: static_cast<CMenuECS*>(s.secondary)->setValue(value); break;
    case kSlotFileList: static_cast<CMenuFileList*>(s.secondary)->fillEntries(); break;
    case kSlotTextEdit:
    case kSlotNameEdit:
        static_cast<VSTGUI::CTextEdit*>(s.secondary)->setText(text);
        static_cast<VSTGUI::CTextEdit*>(s.secondary)->setValue(value);
        break;
    default: break;
    }
    if (s.secondary) s.secondary->setDirty(true);
    if (!s.primary) return;
    s.primary->setText(text);
    s.primary->setSubValue(index, value);
}

void SynthEditor_c::updateAllControls() {
    ++fullRefreshes_;
    for (int32_t i = 0; i < controlCount_; ++i) updateControl(i, false);
    if (knobModeControl_ >= 0) applyKnobMode();
}

void SynthEditor_c::drainRefresh() {
    if (!updateEnabled_ || !refresh_.pending()) return;
    draining_.store(true);
    bool knobMode = false;
    refresh_.drain(
        [&](int32_t index) {
            updateControl(index, true);
            knobMode = knobMode || index == knobModeControl_;
        },
        [&] { updateAllControls(); });
    if (knobMode) applyKnobMode();
    draining_.store(false);
}

void SynthEditor_c::idle() {
    // A host that answers doIdleStuff's idle call with ours redraws nothing twice.
    if (inIdleStuff || !synth_ || !isOpen()) return;
    // The plug-in's idle commands first (a program load refreshes everything).
    synth_->fxIdle();
    hoverNotice();
    drainRefresh();
    // What changed is drawn and shown, then the window's events are handled
    // (the frame redraws what they changed); a close asked for meanwhile
    // happens once they have unwound.
    paint(false);
    AEffGUIEditor::idle();
    // The host's window went away: close quietly.
    if (frame && !frame->isOpen() && frame->getWindow()) close();
}

void SynthEditor_c::hoverNotice() {
    if (lastWritten_ && lastWritten_->isTracking()) return;
    if (!frame) return;
    const VSTGUI::PointerState& p = frame->getPointer();
    VSTGUI::CPoint at(p.screen.h, p.screen.v);  // relative to the window
    VSTGUI::CView* view = frame->getViewAt(at, true);
    CControlPl* found = view && view->isTypeOf("CControlPl") ? static_cast<CControlPl*>(view) : nullptr;
    if (found != hovered_) hoverCount_ = 0;
    if (found && found->hover()) {
        // The plug-in's display of the parameter under the pointer is dormant here.
        ++hoverCount_;
    } else {
        hoverCount_ = 0;
    }
    hovered_ = found;
}

void SynthEditor_c::paint(bool full) {
    if (!frame) return;
    const CRect whole(0, 0, windowWidth_, windowHeight_);
    CModulFramePl* page = backShown_ ? backFrame_ : mainFrame_;
    // Only the area of the dirty controls is drawn (and shown), so one knob
    // costs one knob; the page's own mark (set when it was added) means all.
    const CRect area = full || !page ? whole : frame->dirtyArea();
    if (area.isEmpty()) return;
    if (frame->isOpen()) {
        // The frame draws into its own pixels and shows them in the window.
        frame->drawRect(nullptr, area);
    } else {
        VSTGUI::CDrawContext* context = new VSTGUI::CDrawContext(frame, &backBuffer_);
        frame->drawRect(context, area);
        context->forget();
    }
    if (area == whole) {
        frame->VSTGUI::CView::setDirty(false);
        if (mainFrame_) mainFrame_->VSTGUI::CView::setDirty(false);
        if (backFrame_) backFrame_->VSTGUI::CView::setDirty(false);
    } else if (page) {
        // The frame marks a page drawn in part as owing the rest; every dirty
        // control lay inside the area, so it owes nothing.
        page->VSTGUI::CView::setDirty(false);
    }
}

const raster::PixelBuffer& SynthEditor_c::backBuffer() const {
    const raster::PixelBuffer* pixels = frame ? frame->getBackBuffer() : nullptr;
    return pixels ? *pixels : backBuffer_;
}

void SynthEditor_c::beginEdit(int32_t tag) {
    if (synth_ && tag >= 0) synth_->beginEdit(tag);
}

void SynthEditor_c::endEdit(int32_t tag) {
    if (synth_ && tag >= 0) synth_->endEdit(tag);
}

// ------------------------------------------------------------------ keys, knob mode, colours

bool SynthEditor_c::offerKeyToPlugin(int32_t character, uint8_t virt, uint8_t modifier, bool down) {
    if (!synth_) return false;
    VSTGUI::CView* focus = frame ? frame->getFocusView() : nullptr;
    if (focus && focus->isTypeOf("CTextEdit") && static_cast<VSTGUI::CTextEdit*>(focus)->isEditing()) return false;
    return synth_->handleCommand(down ? 5 : 6, character, modifier * 256 + virt, 0);
}

bool SynthEditor_c::onKeyDown(VstKeyCode& key) {
    return offerKeyToPlugin(key.character, key.virt, key.modifier, true) || AEffGUIEditor::onKeyDown(key);
}

bool SynthEditor_c::onKeyUp(VstKeyCode& key) {
    return offerKeyToPlugin(key.character, key.virt, key.modifier, false) || AEffGUIEditor::onKeyUp(key);
}

bool SynthEditor_c::takeKey(VSTGUI::VstKeyCode& key, bool down) {
    return offerKeyToPlugin(key.character, key.virt, key.modifier, down);
}

bool SynthEditor_c::setKnobMode(VstInt32 mode) {
    // Applies as soon as the plug-in is open, before any audio block.
    if (!synth_ || !synth_->isOpened()) return true;
    mode = std::clamp<VstInt32>(mode, 0, 2);
    if (knobModeControl_ >= 0) {
        synth_->setParameterIntByIndex(knobModeControl_, mode == 2 ? 1 : 0);
        applyKnobMode();
        parameterChanged(knobModeControl_, true);
    }
    return true;
}

void SynthEditor_c::applyKnobMode() {
    if (!isOpen() || knobModeControl_ < 0 || !synth_) return;
    const bool circular = synth_->getParameterByIndex(knobModeControl_) < 0.5f;
    for (int32_t i = 0; i < controlCount_; ++i) {
        if (CControlPl* c = edits_[i].control()) c->setCircularMode(circular);
        if (CControlPl* c = slots_[i].primary) c->setCircularMode(circular);
    }
}

void SynthEditor_c::setColors(const CColor& colour) {
    controlColour_ = colour;
    if (!isOpen()) return;
    for (int32_t i = 0; i < controlCount_; ++i) {
        if ((slots_[i].kind == kSlotEcsMenu || slots_[i].kind == kSlotFileList) && slots_[i].secondary)
            static_cast<VSTGUI::CParamDisplay*>(slots_[i].secondary)->setFontColor(colour);
        if (slots_[i].primary) slots_[i].primary->setColor(colour);
        else if (edits_[i].kind() == Edit::kBoundControl && edits_[i].control()) edits_[i].control()->setColor(colour);
    }
}

// ------------------------------------------------------------------ controls without an Edit

CControlPl* SynthEditor_c::controlOf(int32_t index) {
    if (index < 0 || index >= controlCount_) return nullptr;
    if (CControlPl* c = edits_[index].control()) return c;
    return slots_[index].primary;
}

void SynthEditor_c::valueChanged(VSTGUI::CDrawContext* /*context*/, CControlPl* control) {
    if (!control || !synth_) return;
    const int32_t index = clampIndex(control->getTag());
    if (control->getKind() == kKindFrameSwap) {
        swapFrames();
        return;
    }
    writeControlValues(control);
    control->setDirty(true);
    (void)index;
}

void SynthEditor_c::valueChanged(VSTGUI::CDrawContext* /*context*/, VSTGUI::CControl* control) {
    if (!control || !synth_) return;
    const int32_t index = clampIndex(control->getTag());
    const ControlSlot& s = slots_[index];
    if (s.secondary != control) return;
    switch (s.kind) {
    case kSlotEcsMenu: synth_->setParameterFromEditor(index, control->getValue()); break;
    case kSlotFileList: {
        // A menu of one entry (or only its placeholder) never writes.
        auto* menu = static_cast<CMenuFileList*>(control);
        if (menu->hasFiles() && menu->getNbEntries() != 1) synth_->setParameterFromEditor(index, menu->choiceValue());
        break;
    }
    case kSlotTextEdit: {
        char text[VSTGUI::kTextBufferSize] = {};
        static_cast<VSTGUI::CTextEdit*>(control)->getText(text);
        synth_->setParameterText(index, text);
        break;
    }
    default: break;  // names (kind 18) reach nothing in this instrument
    }
    control->setDirty(true);
}

void SynthEditor_c::writeControlValues(CControlPl* control) {
    lastWritten_ = control;
    const int32_t tag = clampIndex(control->getTag());
    if (control->plus() || control->minus()) {
        synth_->stepParameter(tag, control->plus());
        return;
    }
    if (control->textValue()) {
        synth_->setParameterText(tag, control->getText().c_str());
        return;
    }
    int32_t subTag = 0;
    float value = 0.0f;
    while (control->nextChangedSubValue(subTag, value))
        synth_->setParameterFromEditor(clampIndex(subTag), std::clamp(value, 0.0f, 1.0f));
}

void SynthEditor_c::controlTouched(VSTGUI::CDrawContext* /*context*/, CControlPl* control, int32_t /*flags*/) {
    if (control && synth_) synth_->setLearnTarget(clampIndex(control->getTag()));
}

// ------------------------------------------------------------------ factories

void SynthEditor_c::registerControl(CControlPl* control, int32_t index, VSTGUI::CViewContainer* container) {
    if (!control) return;
    if (!synth_ || !container) {
        control->forget();
        return;
    }
    index = clampIndex(index);
    slots_[index].primary = control;
    const Edit probe = [&] {
        Edit e;
        e.bind(index, this, synth_, container);
        return e;
    }();
    control->setDefaultValue(controlDefault(probe.minimum(), probe.maximum(), probe.defaultValue(), probe.curve()));
    container->addView(control);
    updateControl(index, false);
}

void SynthEditor_c::addCommandArea(VSTGUI::CViewContainer* container, int32_t index, int32_t command, int32_t a,
                                   int32_t b, int32_t x, int32_t y, int32_t w, int32_t h, bool repeat) {
    if (!synth_ || !container) return;
    registerControl(new CTouchAreaPl(CRect(x, y, x + w, y + h), this, index, synth_, command, a, b, repeat), index,
                    container);
}

void SynthEditor_c::addFrameSwapArea(VSTGUI::CViewContainer* container, int32_t index, int32_t x, int32_t y,
                                     int32_t w, int32_t h) {
    if (!synth_ || !container) return;
    auto* area = new CTouchAreaPl(CRect(x, y, x + w, y + h), this, index, synth_, kCmdSwapFrames, 0, 0, false);
    registerControl(area, index, container);
    area->setKind(kKindFrameSwap);
    slots_[clampIndex(index)].kind = kSlotFrameSwap;
}

void SynthEditor_c::addSlider(int32_t index, const CRect& piece, const CRect& rect, CBitmap* handle,
                              CBitmap* background, VSTGUI::CViewContainer* container) {
    if (!synth_ || !container || !handle || !handle->isLoaded()) return;
    registerControl(new CSliderPl(piece, rect, this, index, handle, background), index, container);
}

void SynthEditor_c::addLabel(VSTGUI::CViewContainer* container, int32_t index, int32_t x, int32_t y, int32_t w,
                             int32_t h, const CColor& colour) {
    if (!synth_ || !container) return;
    auto* label = new CLabelPl(CRect(x, y, x + w, y + h), this, index, container->getBackground(), 4, colour,
                               VSTGUI::kLeftText);
    label->setMouseEnabled(false);
    registerControl(label, index, container);
}

void SynthEditor_c::addOnOffButton(VSTGUI::CViewContainer* container, int32_t index, int32_t x, int32_t y,
                                   CBitmap* bitmap, bool transparent, int32_t states) {
    if (!synth_ || !container || !bitmap || !bitmap->isLoaded()) return;
    index = clampIndex(index);
    if (states <= 0) {
        Edit probe;
        probe.bind(index, this, synth_, container);
        states = std::max(probe.maximum() - probe.minimum() + 1, 1);
    }
    auto* button = new COnOffButtonPl(CRect(x, y, x + bitmap->getWidth(), y + bitmap->getHeight() / states), this,
                                      index, bitmap, states);
    button->setTransparentDraw(transparent);
    registerControl(button, index, container);
    slots_[index].kind = kSlotOnOff;
}

CControlPl* SynthEditor_c::addFileDialogButton(VSTGUI::CViewContainer* container, int32_t index, const char* title,
                                              const char* description, const std::vector<std::string>& patterns,
                                              const std::string& folder, const char* registryName, bool save,
                                              int32_t x, int32_t y, int32_t w, int32_t h) {
    if (!synth_ || !container) return nullptr;
    auto* button = new CFileDialog3Pl(CRect(x, y, x + w, y + h), this, index, synth_, title, description, patterns,
                                      folder, registryName, save);
    registerControl(button, index, container);
    return button;
}

void SynthEditor_c::addRadioButtons(VSTGUI::CViewContainer* container, int32_t index, int32_t x, int32_t y,
                                    int32_t columns, int32_t rows, CBitmap* bitmap, int32_t orientation) {
    edits_[clampIndex(index)].createRadioButtons(clampIndex(index), this, synth_, x, y, columns, rows, orientation,
                                                 bitmap, container);
}

void SynthEditor_c::addEcsMenu(VSTGUI::CViewContainer* container, int32_t index, int32_t x, int32_t y,
                               CBitmap* face) {
    if (!synth_ || !container || !face || !face->isLoaded()) return;
    index = clampIndex(index);
    auto* menu = new CMenuECS(CRect(x, y, x + face->getWidth(), y + face->getHeight() / 2),
                              static_cast<VSTGUI::CControlListener*>(this), index, synth_, face);
    // The face says what it is; the mode shows when the menu opens.
    menu->setStyle(menu->getStyle() | VSTGUI::kNoTextStyle);
    menu->setFontColor(controlColour_);
    slots_[index].secondary = menu;
    slots_[index].kind = kSlotEcsMenu;
    container->addView(menu);
}

void SynthEditor_c::addFileListMenu(VSTGUI::CViewContainer* container, int32_t index, int32_t part, int32_t x,
                                    int32_t y, int32_t w, int32_t h, bool banks, const char* placeholder) {
    if (!synth_ || !container) return;
    index = clampIndex(index);
    auto* menu = new CMenuFileList(CRect(x, y, x + w, y + h), static_cast<VSTGUI::CControlListener*>(this), index,
                                   nullptr, synth_, part, placeholder, banks);
    menu->setFontColor(controlColour_);
    slots_[index].secondary = menu;
    slots_[index].kind = kSlotFileList;
    container->addView(menu);
}

void SynthEditor_c::addTextEdit(VSTGUI::CViewContainer* container, int32_t index, int32_t x, int32_t y, int32_t w,
                                int32_t h, const CColor& fontColour, int32_t alignment) {
    if (!synth_ || !container || w <= 0 || h <= 0) return;
    index = clampIndex(index);
    char text[kEditorTextLimit + 1] = {};
    synth_->getParameterText(index, text, kEditorTextLimit);
    auto* field = new VSTGUI::CTextEdit(CRect(x, y, x + w, y + h), static_cast<VSTGUI::CControlListener*>(this),
                                        index, text);
    // Light text on dark, dark text on light.
    const bool darkText = fontColour.red + fontColour.green + fontColour.blue < 334;
    field->setBackColor(darkText ? CColor{240, 240, 255, 255} : CColor{20, 20, 40, 255});
    field->setFontColor(fontColour);
    field->setFont(h == 10 ? 6 : (h >= 11 && h <= 13) ? 4 : 3);
    field->setHoriAlign(alignment);
    slots_[index].secondary = field;
    slots_[index].kind = kSlotTextEdit;
    container->addView(field);
}

void SynthEditor_c::bindEdit(int32_t index) {
    edits_[clampIndex(index)].bind(clampIndex(index), this, synth_, mainFrame_);
}

void SynthEditor_c::setControlMouseEnabled(int32_t index, bool enabled) {
    ControlSlot& s = slots_[clampIndex(index)];
    if (s.primary) s.primary->setMouseEnabled(enabled);
    if (s.secondary) s.secondary->setMouseEnabled(enabled);
}

// ------------------------------------------------------------------ snapshot

bool SynthEditor_c::snapshot(EditorSnapshot& request) {
    const bool wasOpen = isOpen();
    if (!wasOpen && !openInWindow(nullptr)) return false;
    if ((request.page == 1) != backShown_) swapFrames();
    idle();
    paint(true);
    request.width = windowWidth_;
    request.height = windowHeight_;
    bool ok = true;
    if (request.pixels && request.pixelCapacity > 0) {
        const int64_t need = static_cast<int64_t>(windowWidth_) * windowHeight_;
        if (request.pixelCapacity < need) {
            ok = false;
        } else {
            for (int32_t y = 0; y < windowHeight_; ++y)
                std::memcpy(request.pixels + static_cast<size_t>(y) * windowWidth_, backBuffer().row(y),
                            static_cast<size_t>(windowWidth_) * sizeof(uint32_t));
        }
    }
    if (request.rects && request.rectsCapacity > 0) {
        std::string lines;
        for (int32_t i = 0; i < controlCount_; ++i) {
            VSTGUI::CView* view = controlOf(i);
            const char* kind = view ? controlOf(i)->className() : nullptr;
            if (!view && slots_[i].secondary) {
                view = slots_[i].secondary;
                kind = slots_[i].kind == kSlotTextEdit || slots_[i].kind == kSlotNameEdit ? "textedit" : "menu";
            }
            if (!view) continue;
            const bool back = backFrame_ && backFrame_->isChild(view);
            const CRect& r = view->size();
            char line[96];
            std::snprintf(line, sizeof line, "%d %s %s %d %d %d %d\n", i, back ? "back" : "main", kind, r.left, r.top,
                          r.right, r.bottom);
            lines += line;
        }
        const size_t n = std::min(lines.size(), static_cast<size_t>(request.rectsCapacity - 1));
        std::memcpy(request.rects, lines.data(), n);
        request.rects[n] = '\0';
    }
    if (!wasOpen) close();
    return ok;
}

} // namespace editor
