#pragma once
// A toy editor on the toolkit, for the window's and the host tool's tests: a
// frame with an on/off switch, a slider that tracks the mouse, a button that
// opens a file dialog, a free text field (typed keys, dropped text), the same
// field with its mouse disabled, and a backdrop that takes dropped files and
// shows a colour pattern revealing any misplaced row or column. Editor's
// thread only.
#include <cstdint>
#include <memory>
#include <string>

#include "editor/AEffGUIEditor.h"
#include "gui/CControl.h"
#include "os/window/EditorWindow.h"

namespace toy {

enum Param { kPower = 0, kLevel = 1, kText = 2, kFiles = 3, kLocked = 4, kParamCount = 5 };

struct ToyModel {
    float values[kParamCount] = {0.0f, 0.25f, 0.0f, 0.0f, 0.0f};
    std::string text = "ab";     // the free text field
    std::string locked = "--";   // the mouse-disabled field
    std::string files;           // paths of the last file drop (or dialog), ';' between them
    int textDrops = 0;           // drops the free field accepted
    int lockedDrops = 0;         // drops the mouse-disabled field accepted (none, if all is well)
};

struct Box {
    int x, y, width, height;
    bool contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
};
// Larger than one core X request (262140 bytes), so the window paints in
// bands and photographs show any fault of it; the pattern crosses the band
// boundary (row 163).
constexpr int kWidth = 420;
constexpr int kHeight = 180;
constexpr Box kSwitchBox{20, 20, 60, 30};
constexpr Box kDialogButtonBox{100, 20, 60, 30};
constexpr Box kPatternBox{240, 20, 160, 150};
constexpr Box kSliderBox{20, 70, 200, 20};
constexpr Box kTextBox{20, 106, 200, 30};
constexpr Box kLockedBox{20, 144, 200, 30};
// A free spot of the backdrop (file drops land there).
constexpr int kFreeX = 180;
constexpr int kFreeY = 35;
// The key "m" makes the editor wait this long as if a dialog were open.
constexpr uint32_t kModalWaitMs = 1500;

// FNV-1a, 32 bits: how the plug-in shows a text longer than a display string.
inline uint32_t fnv1a(const std::string& text) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
    return hash;
}

// The toy's picture of a model: its views drawn by a frame on a headless
// window, into a surface of kWidth × kHeight.
void renderToy(const ToyModel& model, os::PixelSurface& surface);

class ToyEditor : public AEffGUIEditor, public VSTGUI::CControlListener {
public:
    ToyEditor(AudioEffectX* effect, ToyModel& model);
    ~ToyEditor() override { close(); }

    // In an X11 child window of the host's window.
    bool open(void* parent) override;
    // On a window made by the caller (tests).
    bool openOn(void* parent, std::unique_ptr<os::EditorWindow> window);
    // Shows the model's values first, then the frame's idle.
    void idle() override;
    void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override;
    // The host changed a value: shown at the next idle.
    void markDirty() { modelChanged_ = true; }
    os::EditorWindow* window() const;

protected:
    void closeFrame() override;

private:
    void buildViews();

    ToyModel& model_;
    VSTGUI::CControl* controls_[kParamCount] = {};
    VSTGUI::CView* textField_ = nullptr;
    bool modelChanged_ = false;
};

} // namespace toy
