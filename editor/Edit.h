#pragma once
// The per-index tables of the editor. Every control carries its control
// index as its tag; the index is the plug-in's parameter entry (the map is
// the identity). An Edit binds one index to its parameter: it reads the
// range, default and curve, feeds its control and display from the
// plug-in and writes the control's changes back. Editor thread only.
#include <cstdint>

#include "editor/CControlPl.h"

class Synth;

namespace VSTGUI {
class CBitmap;
class CViewContainer;
}

namespace editor {

class SynthEditor_c;

// What a ControlSlot holds.
enum ControlKind : int32_t {
    kSlotPlain = 0,       // primary: touch area, slider, label, file button
    kSlotOnOff = 5,       // primary
    kSlotEcsMenu = 9,     // secondary
    kSlotFileList = 10,   // secondary
    kSlotFrameSwap = 15,  // primary
    kSlotTextEdit = 17,   // secondary, the parameter's text
    kSlotNameEdit = 18,   // secondary, a name
};

struct ControlSlot {
    CControlPl* primary = nullptr;
    VSTGUI::CView* secondary = nullptr;
    int32_t kind = kSlotPlain;
};

// The texts the editor reads are at most this many bytes.
constexpr int32_t kEditorTextLimit = 319;
// What an index without a parameter shows.
constexpr const char* kUnboundText = "- - -";

// The control default for a parameter default: its linear position in the
// range (0.5 for an empty range), then the column's curve.
float controlDefault(int32_t minimum, int32_t maximum, int32_t defaultValue, float curve);

class Edit : public CControlListenerPl {
public:
    enum Kind : int32_t { kNew = 0, kBoundWithoutControl = 1, kRadio = 6, kFrameSwap = 11, kBoundControl = 13 };

    // Binds to the parameter of index and reads its range, default and curve.
    void bind(int32_t index, SynthEditor_c* editor, Synth* synth, VSTGUI::CViewContainer* container);
    // bind, then the control: its default, its value and text, and the container adds it.
    void bindControl(CControlPl* control, int32_t index, SynthEditor_c* editor, Synth* synth,
                     VSTGUI::CViewContainer* container);
    void createRadioButtons(int32_t index, SynthEditor_c* editor, Synth* synth, int32_t x, int32_t y,
                            int32_t columns, int32_t rows, int32_t orientation, VSTGUI::CBitmap* bitmap,
                            VSTGUI::CViewContainer* container);
    // Shows value and the parameter's text on the control and display.
    void updateText(float value);
    // Forgets the control (the container owns it).
    void release();

    void valueChanged(VSTGUI::CDrawContext* context, CControlPl* control) override;
    void controlTouched(VSTGUI::CDrawContext* context, CControlPl* control, int32_t flags) override;

    bool bound() const { return bound_; }
    int32_t parameter() const { return parameter_; }
    int32_t kind() const { return kind_; }
    int32_t minimum() const { return minimum_; }
    int32_t maximum() const { return maximum_; }
    int32_t defaultValue() const { return default_; }
    float curve() const { return curve_; }
    CControlPl* control() const { return control_; }
    // The last text shown ("- - -" when unbound).
    const char* text() const { return text_; }

private:
    void attach(CControlPl* control);
    void write(float value);

    bool bound_ = false;
    int32_t parameter_ = -1;
    int32_t kind_ = kNew;
    int32_t minimum_ = 0, maximum_ = 0, default_ = 0;
    float curve_ = 0.0f;
    CControlPl* control_ = nullptr;
    CControlPl* display_ = nullptr;
    VSTGUI::CViewContainer* container_ = nullptr;
    SynthEditor_c* editor_ = nullptr;
    Synth* synth_ = nullptr;
    char text_[kEditorTextLimit + 1] = {};
};

} // namespace editor
