#include "editor/Edit.h"

#include <algorithm>
#include <cstring>

#include "editor/MakerControls.h"
#include "editor/SynthEditor_c.h"
#include "framework/model/CurveMapping.h"
#include "framework/model/Parameter_c.h"
#include "framework/synth/Synth.h"
#include "gui/CBitmap.h"
#include "gui/CViewContainer.h"

namespace editor {

float controlDefault(int32_t minimum, int32_t maximum, int32_t defaultValue, float curve) {
    const double position = minimum < maximum ? static_cast<double>(defaultValue - minimum) / (maximum - minimum) : 0.5;
    return curvedPosition(position, curve);
}

void Edit::bind(int32_t index, SynthEditor_c* editor, Synth* synth, VSTGUI::CViewContainer* container) {
    if (!container) return;
    editor_ = editor;
    kind_ = kBoundWithoutControl;
    control_ = display_ = nullptr;
    parameter_ = index;
    synth_ = synth;
    container_ = container;
    bound_ = true;
    minimum_ = maximum_ = default_ = 0;
    curve_ = 0.0f;
    if (!synth) return;
    // The parameter map's by-index reads (0 for an entry without a cell).
    minimum_ = synth->getParameterMinByIndex(index);
    maximum_ = synth->getParameterMaxByIndex(index);
    default_ = synth->getParameterDefaultByIndex(index);
    curve_ = synth->getParameterCurveByIndex(index);
}

void Edit::bindControl(CControlPl* control, int32_t index, SynthEditor_c* editor, Synth* synth,
                       VSTGUI::CViewContainer* container) {
    if (!control || !editor || !synth || !container) return;
    bind(index, editor, synth, container);
    kind_ = kBoundControl;
    attach(control);
}

void Edit::attach(CControlPl* control) {
    control_ = control;
    control->setDefaultValue(controlDefault(minimum_, maximum_, default_, curve_));
    updateText(synth_ ? synth_->getParameterByIndex(parameter_) : 0.0f);
    container_->addView(control);
}

void Edit::createRadioButtons(int32_t index, SynthEditor_c* editor, Synth* synth, int32_t x, int32_t y,
                              int32_t columns, int32_t rows, int32_t orientation, VSTGUI::CBitmap* bitmap,
                              VSTGUI::CViewContainer* container) {
    if (columns <= 0 || !editor || !synth || !bitmap || !container || !bitmap->isLoaded()) return;
    bind(index, editor, synth, container);
    kind_ = kRadio;
    const int32_t states = rows < 0 ? -(columns * rows) : 2;
    const VSTGUI::CRect rect(x, y, x + bitmap->getWidth(), y + bitmap->getHeight() / states);
    attach(new CRadioButtonPl(rect, this, index, columns, rows, orientation, bitmap));
}

void Edit::release() {
    control_ = display_ = nullptr;
    container_ = nullptr;
    bound_ = false;
    parameter_ = -1;
    kind_ = kNew;
}

void Edit::updateText(float value) {
    if (!bound_ || parameter_ < 0 || kind_ == kFrameSwap) {
        std::strcpy(text_, kUnboundText);
        value = 0.0f;
    } else if (synth_) {
        synth_->getParameterText(parameter_, text_, kEditorTextLimit);
    }
    if (kind_ < 3 || kind_ > 13 || kind_ == 8 || kind_ == kFrameSwap) return;
    if (display_) {
        display_->setText(text_);
        display_->setDirty(true);
    }
    if (control_) {
        control_->setValue(value);
        control_->setText(text_);
        control_->setDirty(true);
    }
}

void Edit::write(float value) {
    if (!synth_ || parameter_ < 0) return;
    const bool stepping = kind_ == kBoundControl || kind_ == 4 || kind_ == 9 || kind_ == 10 || kind_ == 3;
    if (stepping && control_ && (control_->plus() || control_->minus())) {
        synth_->stepParameter(parameter_, control_->plus());
        return;
    }
    value = std::clamp(value, 0.0f, 1.0f);
    if (kind_ < 3) return;
    if (kind_ <= 10) {
        synth_->setParameterFromEditor(parameter_, value);
    } else if (kind_ == kBoundControl) {
        if (control_ && control_->textValue())
            synth_->setParameterText(parameter_, control_->getText().c_str());
        else
            synth_->setParameterFromEditor(parameter_, value);
    }
    // The group-edit delta of right-button edits reaches nothing in this instrument.
}

void Edit::valueChanged(VSTGUI::CDrawContext* /*context*/, CControlPl* control) {
    const float value = control ? control->getValue() : 0.0f;
    if (kind_ == kFrameSwap) {
        if (editor_) editor_->swapFrames();
    } else {
        write(value);
    }
    if (kind_ >= 3 && kind_ <= 13 && kind_ != 8 && kind_ != kFrameSwap) {
        if (display_) display_->setDirty(true);
        if (control_) control_->setDirty(true);
    }
}

void Edit::controlTouched(VSTGUI::CDrawContext* /*context*/, CControlPl* /*control*/, int32_t /*flags*/) {
    if (synth_ && parameter_ >= 0) synth_->setLearnTarget(parameter_);
}

} // namespace editor
