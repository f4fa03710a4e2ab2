#pragma once
// What the plug-in asks of its editor object. The editor lives as long as the
// plug-in (made in its constructor, deleted last); its window only while open.
//
// Threads: parameterChanged and requestRefreshAll may come from any thread,
// the audio thread included: there they only store atomics (no lock, no
// allocation, no drawing). Everything else runs on the editor's thread.
#include <cstdint>

class Synth;
class AEffEditor;

class EditorListener {
public:
    virtual ~EditorListener() = default;
    // Marks a control index for the next idle; now (only ever true on the
    // editor's thread) also redraws it at once.
    virtual void parameterChanged(int32_t entry, bool now) = 0;
    // Every control is redrawn at the next idle.
    virtual void requestRefreshAll() = 0;
    // True on the thread that opened the editor while it is open.
    virtual bool isEditorThread() const = 0;
    // Shows the other page.
    virtual void swapFrames() = 0;
    // Draws the editor without a window (rendering tools, tests); see
    // framework/sdk/EditorSnapshot.h.
    virtual bool snapshot(struct EditorSnapshot& request) = 0;
};

// Makes the plug-in's editor; it registers itself with the effect. Null: the
// plug-in runs without an editor.
using EditorMaker = EditorListener* (*)(Synth& synth);
