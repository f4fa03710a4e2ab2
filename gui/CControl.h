#pragma once
// The base of every view holding a value the user edits: a normalised value,
// its range, the value last drawn, a default, the tag naming the parameter,
// a listener told of changes, and the edit bracket that tells the frame (and
// through it the host) when a gesture starts and ends. Editor thread only.
#include "gui/CView.h"

namespace VSTGUI {

class CControl;

// Told when the user changed a control's value. Not owned by the control.
class CControlListener {
public:
    virtual ~CControlListener() = default;
    virtual void valueChanged(CDrawContext* context, CControl* control) = 0;
    // A click with Shift, Control or Alt held on a text field or an option
    // menu, offered here first: non-zero takes it (the control then leaves it).
    virtual int32_t controlModifierClicked(CDrawContext* /*context*/, CControl* /*control*/, int32_t /*buttons*/) {
        return 0;
    }
};

class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener = nullptr, int32_t tag = 0,
             CBitmap* background = nullptr);

    void draw(CDrawContext* context) override = 0;
    // Dirty when the value differs from the value last drawn, or flagged.
    bool isDirty() const override;
    // true: reads dirty from now on; false: the value counts as drawn.
    void setDirty(bool dirty = true) override;
    bool isTypeOf(const char* type) const override;

    // The frame's doIdleStuff, when the control is in a frame.
    virtual void doIdleStuff();
    // No clamping and no redraw.
    virtual void setValue(float value) { value_ = value; }
    virtual float getValue() const { return value_; }
    virtual void setMin(float value) { min_ = value; }
    virtual float getMin() const { return min_; }
    virtual void setMax(float value) { max_ = value; }
    virtual float getMax() const { return max_; }
    virtual void setOldValue(float value) { oldValue_ = value; }
    virtual float getOldValue() const { return oldValue_; }
    virtual void setDefaultValue(float value) { defaultValue_ = value; }
    virtual float getDefaultValue() const { return defaultValue_; }
    virtual void setTag(int32_t tag) { tag_ = tag; }
    virtual int32_t getTag() const { return tag_; }
    // Makes this control the frame's focus view, then the frame's beginEdit(tag).
    virtual void beginEdit();
    virtual void endEdit();
    virtual void setBackOffset(const CPoint& offset) { backOffset_ = offset; }
    // The view's top-left becomes the back offset.
    virtual void copyBackOffset();
    virtual void setWheelInc(float increment) { wheelIncrement_ = increment; }
    virtual float getWheelInc() const { return wheelIncrement_; }
    // Into the range: above the maximum the maximum, below the minimum the minimum.
    virtual void bounceValue();
    // Only for buttons exactly left + Control: the value goes back to the
    // default inside an edit bracket (the listener told when it changed); true.
    virtual bool checkDefaultValue(CDrawContext* context, int32_t buttons);

    // For derived controls' mouse handlers: true when this click, at where,
    // follows the previous one within the double-click time and ±2 pixels
    // (the pair is then used up); otherwise the click is recorded.
    bool isDoubleClick(const CPoint& where);
    // For derived controls' mouse handlers: a click with a modifier key
    // (buttons as getMouseButtons gives them) offered to the listener; true
    // when the listener took it.
    bool listenerTookModifierClick(CDrawContext* context, int32_t buttons);

    void setListener(CControlListener* listener) { listener_ = listener; }
    CControlListener* getListener() const { return listener_; }
    const CPoint& getBackOffset() const { return backOffset_; }

    // Linux has no system double-click time; the common desktop default.
    static constexpr uint32_t kDoubleClickMs = 400;
    static constexpr int32_t kDoubleClickDistance = 2;

protected:
    CControlListener* listener_;
    int32_t tag_;
    float oldValue_ = 1.0f;
    float defaultValue_ = 0.5f;
    float value_ = 0.0f;
    float min_ = 0.0f;
    float max_ = 1.0f;
    float wheelIncrement_ = 0.1f;
    CPoint backOffset_;

private:
    bool clickRecorded_ = false;
    uint32_t lastClickMs_ = 0;
    CPoint lastClickAt_;
};

} // namespace VSTGUI
