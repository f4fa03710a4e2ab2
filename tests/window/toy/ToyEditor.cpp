#include "tests/window/toy/ToyEditor.h"

#include <algorithm>

#include "framework/sdk/AudioEffectX.h"
#include "gui/CDragContainer.h"
#include "gui/CDrawContext.h"
#include "gui/CFrame.h"
#include "os/Dialogs.h"
#include "os/TextEncoding.h"
#include "os/window/HeadlessWindow.h"

namespace toy {
namespace {

using namespace VSTGUI;

const CColor kBackground{0x30, 0x30, 0x40, 255};
const CColor kFrameColour{0xE0, 0xE0, 0xE0, 255};
const CColor kOn{0x20, 0xC0, 0x40, 255};
const CColor kOff{0x80, 0x20, 0x20, 255};
const CColor kTrack{0x50, 0x50, 0x50, 255};
const CColor kFill{0x40, 0x80, 0xFF, 255};
const CColor kField{0xF0, 0xF0, 0xE0, 255};
const CColor kButton{0xC0, 0xA0, 0x30, 255};
constexpr size_t kMaxShownBytes = 48;

CRect rectOf(const Box& box) { return CRect(box.x, box.y, box.x + box.width, box.y + box.height); }

void fill(CDrawContext* context, const CRect& rect, const CColor& colour) {
    context->setFillColor(colour);
    context->setFrameColor(colour);
    context->drawRect(rect, kDrawFilled);
}

void framed(CDrawContext* context, const CRect& rect, const CColor& colour) {
    fill(context, rect, kFrameColour);
    fill(context, CRect(rect.left + 2, rect.top + 2, rect.right - 2, rect.bottom - 2), colour);
}

// Paints the background and the pattern; takes dropped files.
class Backdrop : public CView {
public:
    Backdrop(ToyModel& model) : CView(CRect(0, 0, kWidth, kHeight)), model_(model) {}
    void draw(CDrawContext* context) override {
        fill(context, size_, kBackground);
        raster::PixelBuffer* device = context->getDevice();
        if (device) {
            // Pixel by pixel, within the clip, at the context's offset.
            const CRect& clip = context->deviceClip();
            const CPoint& offset = context->getOffset();
            for (int y = 0; y < kPatternBox.height; ++y) {
                for (int x = 0; x < kPatternBox.width; ++x) {
                    const CPoint at(kPatternBox.x + x + offset.h, kPatternBox.y + y + offset.v);
                    if (!clip.pointInside(at) || at.h >= device->width() || at.v >= device->height()) continue;
                    device->at(at.h, at.v) = 0xFF000080u | static_cast<uint32_t>(x) << 16 | static_cast<uint32_t>(y) << 8;
                }
            }
        }
        setDirty(false);
    }
    bool onDrop(CDrawContext*, CDragContainer* drag, const CPoint&) override {
        int32_t size = 0;
        int32_t type = 0;
        std::string files;
        for (const char* item = drag->first(size, type); item; item = drag->next(size, type)) {
            if (type != CDragContainer::kFile) return false;
            files += (files.empty() ? "" : ";") + std::string(item, static_cast<size_t>(size));
        }
        if (files.empty()) return false;
        model_.files = files;
        setDirty(true);
        return true;
    }

private:
    ToyModel& model_;
};

class Switch : public CControl {
public:
    using CControl::CControl;
    void draw(CDrawContext* context) override {
        framed(context, size_, value_ >= 0.5f ? kOn : kOff);
        setDirty(false);
    }
    void mouse(CDrawContext* context, CPoint&, int32_t buttons) override {
        if (buttons != kLButton) return;
        beginEdit();
        value_ = value_ >= 0.5f ? 0.0f : 1.0f;
        if (listener_) listener_->valueChanged(context, this);
        endEdit();
    }
};

// Follows the mouse while the left button is held; the wheel steps it.
class Slider : public CControl {
public:
    using CControl::CControl;
    void draw(CDrawContext* context) override {
        fill(context, size_, kTrack);
        const float level = std::clamp(value_, 0.0f, 1.0f);
        const int filled = static_cast<int>(level * size_.width() + 0.5f);
        if (filled > 0) fill(context, CRect(size_.left, size_.top, size_.left + filled, size_.bottom), kFill);
        setDirty(false);
    }
    void mouse(CDrawContext* context, CPoint& where, int32_t buttons) override {
        if (buttons != kLButton) return;
        beginEdit();
        change(context, where, true);
        // The frame ends the loop once it is closed (the buttons read released).
        while (context->getMouseButtons() & kLButton) {
            CPoint now;
            getMouseLocation(context, now);
            change(context, now, false);
            doIdleStuff();
        }
        endEdit();
    }
    bool onWheel(CDrawContext* context, const CPoint&, int32_t, float distance) override {
        beginEdit();
        value_ += wheelIncrement_ * distance;
        bounceValue();
        if (listener_) listener_->valueChanged(context, this);
        endEdit();
        return true;
    }

private:
    // The press always reports its value; moves only a changed one.
    void change(CDrawContext* context, const CPoint& where, bool always) {
        const float value = std::clamp(static_cast<float>(where.h - size_.left) / size_.width(), 0.0f, 1.0f);
        if (value == value_ && !always) return;
        value_ = value;
        if (listener_) listener_->valueChanged(context, this);
        redraw();
    }
};

// Opens a file dialog; the chosen path becomes the file list.
class DialogButton : public CControl {
public:
    DialogButton(const CRect& size, ToyModel& model) : CControl(size), model_(model) {}
    void draw(CDrawContext* context) override {
        framed(context, size_, kButton);
        setDirty(false);
    }
    void mouse(CDrawContext*, CPoint&, int32_t buttons) override {
        if (buttons != kLButton) return;
        std::string path;
        if (os::openFileDialog("Open", "", {}, path)) model_.files = path;
    }

private:
    ToyModel& model_;
};

// Keys while it has the focus; dropped text. Each byte shows as a block
// whose colour is the byte.
class TextField : public CControl {
public:
    TextField(const CRect& size, int32_t tag, std::string& text, int& drops, ToyModel& model)
        : CControl(size, nullptr, tag), text_(text), drops_(drops), model_(model) {
        setWantsFocus(true);
    }
    void draw(CDrawContext* context) override {
        framed(context, size_, kField);
        const size_t shown = std::min(text_.size(), kMaxShownBytes);
        for (size_t i = 0; i < shown; ++i) {
            const auto byte = static_cast<uint8_t>(text_[i]);
            const CCoord x = size_.left + 4 + static_cast<CCoord>(i) * 4;
            fill(context, CRect(x, size_.top + 7, x + 3, size_.top + 23),
                 CColor{byte, static_cast<uint8_t>(255 - byte), static_cast<uint8_t>(byte * 7), 255});
        }
        setDirty(false);
    }
    int32_t onKeyDown(VSTGUI::VstKeyCode& key) override {
        if (key.virt == 0 && key.character == 'm') {
            modalWait();
        } else if (key.virt == 1) {
            if (!text_.empty()) text_.pop_back();
        } else if (key.virt == 0 || key.virt == 7) {
            text_ += os::utf8Of(static_cast<uint32_t>(key.character));
        } else {
            text_ += "<" + std::to_string(key.virt) + ">";
        }
        setDirty(true);
        return 1;
    }
    bool onDrop(CDrawContext*, CDragContainer* drag, const CPoint&) override {
        int32_t size = 0;
        int32_t type = 0;
        const char* item = drag->first(size, type);
        if (!item || type != CDragContainer::kText) return false;
        text_.assign(item, static_cast<size_t>(size));
        ++drops_;
        value_ = 0.1f * static_cast<float>(drops_);
        model_.values[tag_] = value_;
        setDirty(true);
        return true;
    }

private:
    // As while a dialog helper runs: repaints only; input waits.
    void modalWait() {
        CFrame* frame = getFrame();
        const uint32_t end = frame->getTicks() + kModalWaitMs;
        while (frame->isOpen() && static_cast<int32_t>(end - frame->getTicks()) > 0) {
            frame->pumpPaintOnly();
            frame->sleepTicks(10);
        }
    }
    std::string& text_;
    int& drops_;
    ToyModel& model_;
};

} // namespace

void renderToy(const ToyModel& start, os::PixelSurface& surface) {
    ToyModel model = start;
    ToyEditor editor(nullptr, model);
    auto owned = std::make_unique<os::HeadlessWindow>(kWidth, kHeight);
    os::HeadlessWindow* window = owned.get();
    editor.openOn(nullptr, std::move(owned));
    editor.idle();
    surface = window->screen();
    editor.close();
}

ToyEditor::ToyEditor(AudioEffectX* effect, ToyModel& model) : AEffGUIEditor(effect), model_(model) {
    rect.right = kWidth;
    rect.bottom = kHeight;
}

bool ToyEditor::open(void* parent) {
    if (!AEffGUIEditor::open(parent)) return false;
    if (!openFrame(CRect(0, 0, kWidth, kHeight))) {
        AEffGUIEditor::close();
        return false;
    }
    buildViews();
    return true;
}

bool ToyEditor::openOn(void* parent, std::unique_ptr<os::EditorWindow> window) {
    if (!AEffGUIEditor::open(parent) || !openFrameOn(CRect(0, 0, kWidth, kHeight), std::move(window))) return false;
    buildViews();
    return true;
}

os::EditorWindow* ToyEditor::window() const { return frame ? frame->getWindow() : nullptr; }

void ToyEditor::buildViews() {
    frame->addView(new Backdrop(model_));
    controls_[kPower] = new Switch(rectOf(kSwitchBox), this, kPower);
    controls_[kLevel] = new Slider(rectOf(kSliderBox), this, kLevel);
    controls_[kText] = new TextField(rectOf(kTextBox), kText, model_.text, model_.textDrops, model_);
    controls_[kLocked] = new TextField(rectOf(kLockedBox), kLocked, model_.locked, model_.lockedDrops, model_);
    controls_[kLocked]->setMouseEnabled(false);
    for (CControl* control : controls_)
        if (control) frame->addView(control);
    frame->addView(new DialogButton(rectOf(kDialogButtonBox), model_));
    textField_ = controls_[kText];
    modelChanged_ = true;
}

void ToyEditor::closeFrame() {
    std::fill(std::begin(controls_), std::end(controls_), nullptr);
    textField_ = nullptr;
    AEffGUIEditor::closeFrame();
}

void ToyEditor::idle() {
    if (frame && modelChanged_) {
        modelChanged_ = false;
        for (int i = 0; i < kParamCount; ++i) {
            if (controls_[i] && controls_[i]->getValue() != model_.values[i]) {
                controls_[i]->setValue(model_.values[i]);
                controls_[i]->setDirty(true);
            }
        }
    }
    // Keys go to the free field whenever nothing else has the focus.
    if (frame && textField_ && !frame->getFocusView() && !frame->isDispatching()) frame->setFocusView(textField_);
    AEffGUIEditor::idle();
}

void ToyEditor::valueChanged(CDrawContext*, CControl* control) {
    const int index = control->getTag();
    if (getEffectX())
        getEffectX()->setParameterAutomated(index, control->getValue());
    else
        model_.values[index] = control->getValue();
}

} // namespace toy
