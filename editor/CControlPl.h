#pragma once
// The base of the maker's controls: a view with one or more values (each
// with its own tag) that runs the whole mouse interaction itself (touch,
// reset to the default with Ctrl, double click, stepping with Alt, drags
// with Shift for fine) and tells its listener of every change while the
// mouse is down. The listener pulls the values (getValue, nextChangedSubValue).
// Editor thread only.
#include <cstdint>
#include <string>
#include <vector>

#include "gui/CDrawContext.h"
#include "gui/CView.h"

namespace editor {

class CControlPl;

class CControlListenerPl {
public:
    virtual ~CControlListenerPl() = default;
    virtual void valueChanged(VSTGUI::CDrawContext* context, CControlPl* control) = 0;
    virtual int32_t controlModifierClicked(VSTGUI::CDrawContext* /*context*/, CControlPl* /*control*/,
                                           int32_t /*buttons*/) {
        return 0;
    }
    // flags: 1 when the right button is down.
    virtual void controlTouched(VSTGUI::CDrawContext* context, CControlPl* control, int32_t flags) = 0;
};

// Normalised 0..1 values of one sub-control.
struct SubValue {
    int32_t tag = -1;
    float value = 0.0f;     // the user's value
    float reported = 0.0f;  // last handed to the listener
    float shown = 0.0f;     // to display, set from the plug-in
    float drawn = 0.0f;     // shown at the last draw
    float defaultValue = 0.5f;
};

enum ControlKindCode : int32_t {
    kKindOther = 0,
    kKindKnob = 2,
    kKindSlider = 4,
    kKindOnOff = 5,
    kKindRadio = 7,
    kKindPlusMinus = 12,
    kKindFrameSwap = 15,
};

class CControlPl : public VSTGUI::CView {
public:
    CControlPl(const VSTGUI::CRect& size, CControlListenerPl* listener, int32_t tag);

    void draw(VSTGUI::CDrawContext* context) override;
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;
    bool onWheel(VSTGUI::CDrawContext* context, const VSTGUI::CPoint& where, float distance) override;
    bool isTypeOf(const char* type) const override;
    // What the control is, for listings ("knob", "slider" ...).
    virtual const char* className() const { return "control"; }

    virtual void setValue(float v);
    virtual float getValue();
    virtual void setDefaultValue(float v);
    float getDefaultValue() const { return subs_[0].defaultValue; }
    virtual int32_t getTag() const { return subs_[0].tag; }
    virtual void setSubValue(int32_t tag, float v);
    virtual bool nextChangedSubValue(int32_t& tag, float& value);
    virtual void setCircularMode(bool circular) {
        if (!modeLocked_) circular_ = circular;
    }
    virtual void lockMode(bool locked) { modeLocked_ = locked; }
    virtual void setSubValueTag(int32_t position, int32_t tag);
    virtual void setSubDefaultValue(int32_t tag, float v);
    virtual void setDoubleClickEnabled(bool enabled) { doubleClick_ = enabled; }
    virtual float mouseToValue(const VSTGUI::CPoint& where, bool fine);
    virtual float valueAtPoint(const VSTGUI::CPoint& /*where*/) { return 0.0f; }
    virtual bool clickAt(const VSTGUI::CPoint& /*where*/) { return false; }
    virtual const std::string& getText() const { return text_; }
    virtual void setText(const char* text);
    virtual void setFirstTag(int32_t tag) { subs_[0].tag = tag; }
    virtual bool isTracking() const { return tracking_; }
    virtual void setKind(int32_t kind) { kind_ = kind; }
    int32_t getKind() const { return kind_; }
    virtual void setColor(const VSTGUI::CColor& colour) { colour_ = colour; }

    // Flags the listener reads after valueChanged.
    bool plus() const { return plus_; }
    bool minus() const { return minus_; }
    bool rightButton() const { return rightButton_; }
    bool wasReset() const { return reset_; }
    bool textValue() const { return textValue_; }
    bool circular() const { return circular_; }
    void setTextValue(bool on) { textValue_ = on; }
    void setTextEnabled(bool on) { textEnabled_ = on; }
    void setRepeatWhileHeld(bool on) { repeatWhileHeld_ = on; }
    void setTransparentDraw(bool on) { transparentDraw_ = on; }
    void setInvert(bool on) { invert_ = on; }
    void setHover(bool on) { hover_ = on; }
    bool hover() const { return hover_; }
    CControlListenerPl* listener() const { return listener_; }
    // The value drawn: the first sub-value's shown value.
    float shownValue() const { return subs_[0].shown; }
    int32_t subValueCount() const { return static_cast<int32_t>(subs_.size()); }

protected:
    // The frame's idle work (the window's pointer, the editor's redraws), its
    // clock and the host's edit brackets.
    void beginEdit();
    void endEdit();
    void idleWork();
    void sleepMs(uint32_t ms);
    // Waits ms on the frame's clock while a button stays held, doing the idle
    // work every 40 ms (which paces itself: the pause is the clock's, not
    // the sum of sleeps); false as soon as the buttons are released.
    bool holdFor(VSTGUI::CDrawContext* context, uint32_t ms);
    void tellListener(VSTGUI::CDrawContext* context) {
        if (listener_) listener_->valueChanged(context, this);
    }
    bool buttonHeld(int32_t buttons) const { return (buttons & (VSTGUI::kLButton | VSTGUI::kRButton)) != 0; }
    void clearStepFlags() { plus_ = minus_ = rightButton_ = reset_ = false; }
    void markDrawn();
    // Redraws the piece of the page's background under rect (the page sits at 0, 0).
    void drawPageBackground(VSTGUI::CDrawContext* context, const VSTGUI::CRect& rect) const;

    std::vector<SubValue> subs_;
    CControlListenerPl* listener_;
    bool minus_ = false, plus_ = false, textValue_ = false, repeatWhileHeld_ = false, textEnabled_ = false;
    bool transparentDraw_ = false, invert_ = false, rightButton_ = false, reset_ = false;
    bool circular_ = true, modeLocked_ = false, doubleClick_ = false, hover_ = false, tracking_ = false;
    float valueAtMouseDown_ = -9.9f;
    std::string text_;
    VSTGUI::CColor colour_{255, 0, 0, 255};
    VSTGUI::CPoint mouseDownPoint_, lastPoint_;
    int32_t kind_ = kKindOther;
};

} // namespace editor
