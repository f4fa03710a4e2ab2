// A second toy plug-in for the host tool's tests of menus and text entry:
// an option menu of four numbered entries at the top of its editor, one of
// 200 entries beside it, two free text fields and a slider below them, on
// the toolkit with the X popup and keyboard. Parameter 0 is the small menu's
// entry / 3; parameters 1 and 3 count the reported changes of the lower and
// the upper text field (one per change told) and show their texts;
// parameter 2 is the big menu's entry / 199; parameter 4 the slider's value.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "editor/AEffGUIEditor.h"
#include "framework/sdk/AudioEffectX.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "gui/COptionMenu.h"
#include "gui/CTextEdit.h"

namespace menutoy {

using namespace VSTGUI;

constexpr int kWidth = 320;
constexpr int kHeight = 200;
const CRect kMenuRect(20, 10, 180, 30);
const CRect kBigMenuRect(200, 10, 300, 30);
const CRect kTextRect(20, 150, 220, 176);
const CRect kUpperTextRect(20, 50, 220, 76);
const CRect kSliderRect(20, 100, 220, 120);
enum Param { kChoice = 0, kTextChanges = 1, kBigChoice = 2, kUpperTextChanges = 3, kLevel = 4, kParamCount = 5 };
constexpr int kBigEntries = 200;

struct Model {
    float values[kParamCount] = {0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    std::string text = "ab";
    std::string upperText = "cd";
};

// Follows the pointer while the left button is held, from the press to the
// release; each change is told.
class Slider : public CControl {
public:
    using CControl::CControl;
    void draw(CDrawContext* context) override {
        context->setFillColor(CColor{0x50, 0x50, 0x50, 255});
        context->fillRect(size_);
        context->setFillColor(CColor{0x40, 0x80, 0xFF, 255});
        context->fillRect(CRect(size_.left, size_.top, size_.left + static_cast<CCoord>(value_ * size_.width()), size_.bottom));
        setDirty(false);
    }
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons) override {
        if (!(buttons & kLButton)) return;
        beginEdit();
        follow(context, where);
        while (context->getMouseButtons() & kLButton) {
            doIdleStuff();
            CPoint now;
            follow(context, getMouseLocation(context, now));
        }
        endEdit();
    }

private:
    void follow(CDrawContext* context, const CPoint& where) {
        const float value = std::clamp(static_cast<float>(where.h - size_.left) / size_.width(), 0.0f, 1.0f);
        if (value == value_) return;
        value_ = value;
        if (listener_) listener_->valueChanged(context, this);
        setDirty(true);
    }
};

class Editor : public AEffGUIEditor, public CControlListener {
public:
    Editor(AudioEffectX* effect, Model& model) : AEffGUIEditor(effect), model_(model) {
        rect.right = kWidth;
        rect.bottom = kHeight;
    }
    ~Editor() override { close(); }

    bool open(void* parent) override {
        if (!AEffGUIEditor::open(parent)) return false;
        if (!openFrame(CRect(0, 0, kWidth, kHeight))) {
            AEffGUIEditor::close();
            return false;
        }
        menu_ = new COptionMenu(kMenuRect, this, kChoice, nullptr, nullptr, kCheckCurrentStyle);
        menu_->setPrefixNumbers(2);
        for (const char* entry : {"Alpha", "Beta", "Gamma", "Delta"}) menu_->addEntry(entry);
        menu_->setValue(model_.values[kChoice] * 3.0f + 0.1f);
        menu_->setBackColor(CColor{0x20, 0x40, 0x80, 255});
        menu_->setTransparency(false);
        frame->addView(menu_);
        big_ = new COptionMenu(kBigMenuRect, this, kBigChoice, nullptr, nullptr, kCheckCurrentStyle);
        for (int i = 1; i <= kBigEntries; ++i) big_->addEntry(("Entry " + std::to_string(i)).c_str());
        big_->setValue(model_.values[kBigChoice] * (kBigEntries - 1) + 0.1f);
        big_->setBackColor(CColor{0x40, 0x20, 0x60, 255});
        big_->setTransparency(false);
        frame->addView(big_);
        text_ = addTextField(kTextRect, kTextChanges, model_.text);
        upperText_ = addTextField(kUpperTextRect, kUpperTextChanges, model_.upperText);
        slider_ = new Slider(kSliderRect, this, kLevel);
        slider_->setValue(model_.values[kLevel]);
        frame->addView(slider_);
        return true;
    }

    void valueChanged(CDrawContext*, CControl* control) override {
        if (control == text_ || control == upperText_) {
            char text[kTextBufferSize];
            static_cast<CTextEdit*>(control)->getText(text);
            (control == text_ ? model_.text : model_.upperText) = text;
            model_.values[control->getTag()] += 0.01f;
            getEffectX()->setParameterAutomated(control->getTag(), model_.values[control->getTag()]);
            return;
        }
        if (control == slider_) {
            model_.values[kLevel] = slider_->getValue();
            getEffectX()->setParameterAutomated(kLevel, model_.values[kLevel]);
        }
        if (control == menu_) {
            model_.values[kChoice] = static_cast<float>(menu_->getCurrent()) / 3.0f;
            getEffectX()->setParameterAutomated(kChoice, model_.values[kChoice]);
        }
        if (control == big_) {
            model_.values[kBigChoice] = static_cast<float>(big_->getCurrent()) / (kBigEntries - 1);
            getEffectX()->setParameterAutomated(kBigChoice, model_.values[kBigChoice]);
        }
    }

protected:
    void closeFrame() override {
        menu_ = nullptr;
        big_ = nullptr;
        text_ = nullptr;
        upperText_ = nullptr;
        slider_ = nullptr;
        AEffGUIEditor::closeFrame();
    }

private:
    CTextEdit* addTextField(const CRect& size, int32_t tag, const std::string& text) {
        auto* field = new CTextEdit(size, this, tag, text.c_str());
        field->setFontColor(kBlackCColor);
        field->setBackColor(CColor{0xF0, 0xF0, 0xE0, 255});
        field->setTransparency(false);
        frame->addView(field);
        return field;
    }

    Model& model_;
    COptionMenu* menu_ = nullptr;
    COptionMenu* big_ = nullptr;
    CTextEdit* text_ = nullptr;
    CTextEdit* upperText_ = nullptr;
    Slider* slider_ = nullptr;
};

class Plugin : public AudioEffectX {
public:
    explicit Plugin(audioMasterCallback host) : AudioEffectX(host, 1, kParamCount) {
        setNumInputs(0);
        setNumOutputs(2);
        canProcessReplacing();
        setUniqueID(vstFourCC('K', 'M', 'n', 'u'));
        new Editor(this, model);   // registers itself; deleted with the effect
    }
    ~Plugin() override {
        delete editor;
        editor = nullptr;
    }
    void setParameter(VstInt32 index, float value) override {
        if (index >= 0 && index < kParamCount) model.values[index] = value;
    }
    float getParameter(VstInt32 index) override {
        return index >= 0 && index < kParamCount ? model.values[index] : 0.0f;
    }
    void getParameterName(VstInt32 index, char* text) override {
        static const char* const names[kParamCount] = {"Choice", "Text", "Big", "Upper", "Level"};
        std::snprintf(text, kVstMaxParamStrLen + 1, "%s", index >= 0 && index < kParamCount ? names[index] : "");
    }
    void getParameterDisplay(VstInt32 index, char* text) override {
        if (index == kTextChanges || index == kUpperTextChanges)
            std::snprintf(text, kVstMaxParamStrLen + 1, "%s", (index == kTextChanges ? model.text : model.upperText).c_str());
        else if (index == kLevel)
            std::snprintf(text, kVstMaxParamStrLen + 1, "%.3f", model.values[kLevel]);
        else if (index == kBigChoice)
            std::snprintf(text, kVstMaxParamStrLen + 1, "%d", static_cast<int>(model.values[kBigChoice] * (kBigEntries - 1) + 1.5f));
        else
            std::snprintf(text, kVstMaxParamStrLen + 1, "%d", static_cast<int>(model.values[kChoice] * 3.0f + 0.5f));
    }
    bool getEffectName(char* name) override {
        std::snprintf(name, kVstMaxEffectNameLen + 1, "Menu Toy");
        return true;
    }
    void processReplacing(float**, float** outputs, VstInt32 frames) override {
        for (int channel = 0; channel < 2; ++channel)
            for (VstInt32 i = 0; i < frames; ++i) outputs[channel][i] = 0.0f;
    }

    Model model;
};

} // namespace menutoy

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback master) {
    if (!master || master(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    return (new menutoy::Plugin(master))->getAeffect();
}
