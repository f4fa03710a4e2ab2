#pragma once
// The plug-in's editor: one frame sized to the main skin with two full-size
// pages, "MainEditFrame" and "MainBackFrame", one of them shown; the
// per-index control tables (Edit.h); the refresh of controls when
// parameters change elsewhere; and a skin cache shared by every editor of
// the process. The instrument's layout derives from it (ZendrixEditor_c).
//
// Threads: the editor's thread is the one that opened it; it draws, runs
// the mouse and opens dialogs. parameterChanged and requestRefreshAll come
// from any thread, the audio thread included, and only mark the lock-free
// refresh set. Ownership: made by the plug-in's constructor and deleted by
// the effect last; frame, pages and controls exist only while open.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "editor/AEffGUIEditor.h"
#include "editor/ControlRefreshSet.h"
#include "editor/Edit.h"
#include "editor/MakerControls.h"
#include "framework/synth/EditorListener.h"
#include "gui/CColor.h"
#include "gui/CControl.h"
#include "gui/raster/PixelBuffer.h"

namespace VSTGUI {
class CFrame;
}
namespace os {
class EditorWindow;
}

namespace editor {

// On the editor base: controls that track the mouse pace themselves through
// its doIdleStuff (the host idles meanwhile), and a close the host asks for
// while the frame handles an event happens once that has unwound.
class SynthEditor_c : public AEffGUIEditor,
                      public EditorListener,
                      public CControlListenerPl,
                      public VSTGUI::CControlListener {
public:
    static constexpr int32_t kSkinCacheSize = 601;  // resource ids 0..600
    static constexpr int32_t kHoverThreshold = 25;
    static constexpr int32_t kFallbackWidth = 724;  // the size without a main skin
    static constexpr int32_t kFallbackHeight = 160;

    // Registers itself as the effect's editor (has-editor flag).
    SynthEditor_c(Synth* synth, int32_t controlCount, int32_t mainSkinId, int32_t backSkinId);
    ~SynthEditor_c() override;

    // The cached skin of a resource id (none above 600 or below 0); any thread.
    static VSTGUI::CBitmap* getSkinBitmap(int32_t id);
    static int32_t liveEditors();

    // ---- AEffEditor (editor thread)
    // Opens once the plug-in is open (no audio block needed). window: the
    // host's parent X window id; false without one or without a display.
    // Open already: the editor leaves the old parent for the new one.
    bool open(void* window) override;
    // Opens into a window made by the caller (tests: a headless window);
    // null draws into the back buffer only (snapshots). False when open.
    bool openInWindow(std::unique_ptr<os::EditorWindow> window);
    bool isOpen() override { return open_.load(std::memory_order_acquire); }
    // The plug-in's idle commands, the refresh, then the window's events
    // (a click runs a control's whole drag from here). Nothing inside
    // doIdleStuff's call of the host's idle.
    void idle() override;
    // Keys go to the plug-in's commands first (the arrows step the program),
    // unless a text field is being typed into; then to the frame.
    bool onKeyDown(VstKeyCode& key) override;
    bool onKeyUp(VstKeyCode& key) override;
    bool setKnobMode(VstInt32 mode) override;

    // ---- EditorListener
    void parameterChanged(int32_t index, bool now) override;  // any thread
    void requestRefreshAll() override;                        // any thread
    bool isEditorThread() const override;
    void swapFrames() override;
    bool snapshot(EditorSnapshot& request) override;

    // ---- CControlListenerPl (controls without an Edit)
    void valueChanged(VSTGUI::CDrawContext* context, CControlPl* control) override;
    // ---- CControlListener (the menus and the text field)
    void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override;
    void controlTouched(VSTGUI::CDrawContext* context, CControlPl* control, int32_t flags) override;

    // ---- CFrameEditor
    void beginEdit(int32_t tag) override;
    void endEdit(int32_t tag) override;
    // Keys typed into the editor's own window: the plug-in's commands first.
    bool takeKey(VSTGUI::VstKeyCode& key, bool down) override;

    // ---- refresh (editor thread)
    void updateControl(int32_t index, bool refreshGroups);
    void updateAllControls();
    void applyKnobMode();
    void setColors(const VSTGUI::CColor& colour);
    void applyColors() { setColors(controlColour_); }
    // Draws what is dirty into the back buffer (all of it with full).
    void paint(bool full);

    // ---- factories (nothing without the plug-in, container or bitmap)
    void registerControl(CControlPl* control, int32_t index, VSTGUI::CViewContainer* container);
    void addCommandArea(VSTGUI::CViewContainer* container, int32_t index, int32_t command, int32_t a, int32_t b,
                        int32_t x, int32_t y, int32_t w, int32_t h, bool repeat);
    void addFrameSwapArea(VSTGUI::CViewContainer* container, int32_t index, int32_t x, int32_t y, int32_t w,
                          int32_t h);
    void addSlider(int32_t index, const VSTGUI::CRect& piece, const VSTGUI::CRect& rect, VSTGUI::CBitmap* handle,
                   VSTGUI::CBitmap* background, VSTGUI::CViewContainer* container);
    void addLabel(VSTGUI::CViewContainer* container, int32_t index, int32_t x, int32_t y, int32_t w, int32_t h,
                  const VSTGUI::CColor& colour);
    // states 0: the parameter's number of values; a face of one state is drawn whole.
    void addOnOffButton(VSTGUI::CViewContainer* container, int32_t index, int32_t x, int32_t y,
                        VSTGUI::CBitmap* bitmap, bool transparent, int32_t states = 0);
    CControlPl* addFileDialogButton(VSTGUI::CViewContainer* container, int32_t index, const char* title,
                                    const char* description, const std::vector<std::string>& patterns,
                                    const std::string& folder, const char* registryName, bool save, int32_t x,
                                    int32_t y, int32_t w, int32_t h);
    void addRadioButtons(VSTGUI::CViewContainer* container, int32_t index, int32_t x, int32_t y, int32_t columns,
                         int32_t rows, VSTGUI::CBitmap* bitmap, int32_t orientation);
    void addEcsMenu(VSTGUI::CViewContainer* container, int32_t index, int32_t x, int32_t y, VSTGUI::CBitmap* face);
    // banks: the part's bank folders, else its programs; placeholder when empty.
    void addFileListMenu(VSTGUI::CViewContainer* container, int32_t index, int32_t part, int32_t x, int32_t y,
                         int32_t w, int32_t h, bool banks, const char* placeholder);
    // The parameter's text in a field (display only when its mouse is disabled).
    void addTextEdit(VSTGUI::CViewContainer* container, int32_t index, int32_t x, int32_t y, int32_t w, int32_t h,
                     const VSTGUI::CColor& fontColour, int32_t alignment);
    void bindEdit(int32_t index);
    void setControlMouseEnabled(int32_t index, bool enabled);

    // ---- for tools and tests (editor thread)
    int32_t controlCount() const { return controlCount_; }
    Edit& edit(int32_t index) { return edits_[clampIndex(index)]; }
    ControlSlot& slot(int32_t index) { return slots_[clampIndex(index)]; }
    // The control drawn for an index (the Edit's, else the slot's primary).
    CControlPl* controlOf(int32_t index);
    bool backShown() const { return backShown_; }
    CModulFramePl* mainPage() const { return mainFrame_; }
    CModulFramePl* backPage() const { return backFrame_; }
    // What the frame drew last (its own pixels with a window).
    const raster::PixelBuffer& backBuffer() const;
    // Full redraws and single control updates since construction.
    uint64_t fullRefreshCount() const { return fullRefreshes_; }
    uint64_t controlUpdateCount() const { return controlUpdates_; }

protected:
    // The instrument builds its controls into the pages here.
    virtual void buildControls() = 0;
    int32_t clampIndex(int32_t index) const { return std::clamp(index, 0, controlCount_ - 1); }
    // The page control index lies on (main unless built into the back page).
    VSTGUI::CViewContainer* pageOf(bool back) const {
        return back ? static_cast<VSTGUI::CViewContainer*>(backFrame_) : mainFrame_;
    }
    // Writes a control's changed values to the plug-in.
    void writeControlValues(CControlPl* control);
    void resetTables();
    // The real close: controls, pages, then the frame.
    void closeFrame() override;

    Synth* synth_;
    int32_t controlCount_;
    int32_t mainSkinId_, backSkinId_;
    VSTGUI::CBitmap* mainSkin_ = nullptr;  // from the shared cache
    VSTGUI::CBitmap* backSkin_ = nullptr;
    VSTGUI::CColor controlColour_{255, 255, 255, 255};
    VSTGUI::CColor secondColour_{255, 255, 255, 255};
    VSTGUI::CColor thirdColour_{0, 0, 0, 255};
    VSTGUI::CColor fourthColour_{0, 0, 0, 255};
    int32_t knobModeControl_ = -1;

private:
    void resizeTo(VSTGUI::CBitmap* skin);
    bool openPlugin();
    // The pages and controls in the frame just made.
    void buildPages();
    // A key for the plug-in's commands (code 5 down, 6 up); false while a
    // text field is being typed into, so its keys stay its own.
    bool offerKeyToPlugin(int32_t character, uint8_t virt, uint8_t modifier, bool down);

    void drainRefresh();
    void hoverNotice();

    int32_t windowWidth_ = kFallbackWidth, windowHeight_ = kFallbackHeight;
    CModulFramePl* mainFrame_ = nullptr;
    CModulFramePl* backFrame_ = nullptr;
    raster::PixelBuffer backBuffer_;   // a frame's pixels without a window (snapshots)
    std::atomic<bool> open_{false};
    std::atomic<bool> draining_{false};
    std::atomic<std::thread::id> editorThread_{};
    bool backShown_ = false;
    bool updateEnabled_ = true;
    std::vector<Edit> edits_;
    std::vector<ControlSlot> slots_;
    ControlRefreshSet refresh_;
    CControlPl* hovered_ = nullptr;
    CControlPl* lastWritten_ = nullptr;
    int32_t hoverCount_ = 0;
    uint64_t fullRefreshes_ = 0, controlUpdates_ = 0;
};

} // namespace editor
