// A second toy plug-in for the host tool's tests of menus and text entry:
// an option menu of four numbered entries at the top of its editor, one of
// 200 entries beside it, and a free text field below them, on the toolkit
// with the X popup and keyboard. Parameter 0 is the small menu's entry / 3;
// parameter 1 counts the text field's reported changes (one per change told)
// and shows the text; parameter 2 is the big menu's entry / 199.
#include <cstdio>
#include <memory>
#include <string>

#include "editor/AEffGUIEditor.h"
#include "framework/sdk/AudioEffectX.h"
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
enum Param { kChoice = 0, kTextChanges = 1, kBigChoice = 2, kParamCount = 3 };
constexpr int kBigEntries = 200;

struct Model {
    float values[kParamCount] = {0.0f, 0.0f, 0.0f};
    std::string text = "ab";
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
        text_ = new CTextEdit(kTextRect, this, kTextChanges, model_.text.c_str());
        text_->setFontColor(kBlackCColor);
        text_->setBackColor(CColor{0xF0, 0xF0, 0xE0, 255});
        text_->setTransparency(false);
        frame->addView(text_);
        return true;
    }

    void valueChanged(CDrawContext*, CControl* control) override {
        if (control == text_) {
            char text[kTextBufferSize];
            text_->getText(text);
            model_.text = text;
            model_.values[kTextChanges] += 0.01f;
            getEffectX()->setParameterAutomated(kTextChanges, model_.values[kTextChanges]);
            return;
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
        AEffGUIEditor::closeFrame();
    }

private:
    Model& model_;
    COptionMenu* menu_ = nullptr;
    COptionMenu* big_ = nullptr;
    CTextEdit* text_ = nullptr;
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
        std::snprintf(text, kVstMaxParamStrLen + 1, "%s", index == kChoice ? "Choice" : index == kBigChoice ? "Big" : "Text");
    }
    void getParameterDisplay(VstInt32 index, char* text) override {
        if (index == kTextChanges)
            std::snprintf(text, kVstMaxParamStrLen + 1, "%s", model.text.c_str());
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
