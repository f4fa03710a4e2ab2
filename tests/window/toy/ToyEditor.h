#pragma once
// A toy editor drawn straight into an os::EditorWindow's back buffer (no
// toolkit): an on/off switch, a slider that tracks the mouse, a text field
// that takes typed keys and dropped text, a list of dropped files, and a
// colour pattern that shows any misplaced row or column. It lets the window
// and the host tool be tested end to end. Editor's thread only.
#include <functional>
#include <memory>
#include <string>

#include "os/window/EditorWindow.h"

namespace toy {

enum Param { kPower = 0, kLevel = 1, kText = 2, kFiles = 3, kParamCount = 4 };

struct ToyModel {
    float values[kParamCount] = {0.0f, 0.25f, 0.0f, 0.0f};
    std::string text = "ab";     // the text field
    std::string files;           // paths of the last file drop, ';' between them
    int textDrops = 0;           // drops the text field accepted
};

// What the editor tells its host (the plug-in forwards these to audioMaster).
struct ToyHostLink {
    std::function<void(int)> beginEdit;
    std::function<void(int, float)> automate;
    std::function<void(int)> endEdit;
    std::function<void()> idle;
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
constexpr Box kPatternBox{240, 20, 160, 150};
constexpr Box kSliderBox{20, 70, 200, 20};
constexpr Box kTextBox{20, 110, 200, 30};
// The key "m" makes the editor wait this long as if a dialog were open.
constexpr uint32_t kModalWaitMs = 1500;

// FNV-1a, 32 bits: how the plug-in shows a text longer than a display string.
inline uint32_t fnv1a(const std::string& text) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : text) hash = (hash ^ c) * 16777619u;
    return hash;
}

// The whole picture of a model, into a surface of kWidth × kHeight.
void renderToy(const ToyModel& model, os::PixelSurface& surface);

class ToyEditor {
public:
    ToyEditor(ToyModel& model, ToyHostLink link, std::unique_ptr<os::EditorWindow> window);

    // One editor idle: reads the window's events, handles them, redraws.
    void idle();
    // The host changed a value: redrawn at the next idle.
    void markDirty() { dirty_ = true; }
    // True while an event is being handled (the host may call back meanwhile).
    bool dispatching() const { return dispatching_; }
    os::EditorWindow& window() { return *window_; }

private:
    void handle(const os::WindowEvent& event);
    void trackSlider(int x);
    void modalWait(uint32_t milliseconds);
    void setValue(int index, float value);
    void edit(int index, float value);
    void redraw();

    ToyModel& model_;
    ToyHostLink link_;
    std::unique_ptr<os::EditorWindow> window_;
    bool dirty_ = true;
    bool dispatching_ = false;
    uint32_t nextHostIdle_ = 0;
};

} // namespace toy
