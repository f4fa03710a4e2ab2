#pragma once
// The maker's concrete controls: each differs in how it draws (always from
// skin bitmaps, over the piece of the page background it covers, so no
// control needs an off-screen buffer) and in how a mouse position becomes a
// value. Editor thread only. Bitmaps are borrowed: the editor owns them for
// longer than any control lives.
#include <cstdint>

#include "editor/CControlPl.h"
#include "gui/CBitmap.h"
#include "gui/CViewContainer.h"

class Synth;

namespace editor {

// Knob with a handle bitmap on a 300-degree arc.
class CKnobPl : public CControlPl {
public:
    CKnobPl(const VSTGUI::CRect& size, CControlListenerPl* listener, int32_t tag, VSTGUI::CBitmap* background,
            VSTGUI::CBitmap* handle, float arcDegrees, float startOffsetDegrees);
    const char* className() const override { return "knob"; }
    void draw(VSTGUI::CDrawContext* context) override;
    float mouseToValue(const VSTGUI::CPoint& where, bool fine) override;
    float circularValue(const VSTGUI::CPoint& where) const;
    float linearValue(const VSTGUI::CPoint& where, bool fine) const;
    void setRangeFactor(float factor);
    void setBias(bool on) { bias_ = on; }

protected:
    float drawnValue() const { return bias_ ? 0.05f + 0.9f * shownValue() : shownValue(); }
    void drawBackgroundPiece(VSTGUI::CDrawContext* context);

    float range_ = 120.0f;   // pixels of drag for half the scale
    bool bias_ = false;
    bool endless_;
    VSTGUI::CBitmap* background_;
    VSTGUI::CBitmap* handle_;
    float arc_;
    double scale_;
    float startAngle_;
};

// Knob drawn as one image of a strip: n images in 5 columns (column-major)
// or in one column.
class CMIKnob : public CKnobPl {
public:
    CMIKnob(const VSTGUI::CRect& size, CControlListenerPl* listener, int32_t tag, VSTGUI::CBitmap* background,
            VSTGUI::CBitmap* strip, int32_t images, bool singleColumn, float arcDegrees, float startOffsetDegrees);
    const char* className() const override { return "knob"; }
    void draw(VSTGUI::CDrawContext* context) override;
    // The strip image shown for value v (clamped to 0..1).
    int32_t imageIndex(float v) const;
    // Where image c sits in the strip.
    VSTGUI::CPoint imageOffset(int32_t c) const;

private:
    int32_t images_;
    bool singleColumn_;
};

class CSliderPl : public CControlPl {
public:
    CSliderPl(const VSTGUI::CRect& backgroundPiece, const VSTGUI::CRect& size, CControlListenerPl* listener,
              int32_t tag, VSTGUI::CBitmap* handle, VSTGUI::CBitmap* background);
    const char* className() const override { return "slider"; }
    void draw(VSTGUI::CDrawContext* context) override;
    float mouseToValue(const VSTGUI::CPoint& where, bool fine) override;
    const VSTGUI::CRect& backgroundPiece() const { return piece_; }

private:
    VSTGUI::CRect piece_;
    VSTGUI::CBitmap* handle_;
    VSTGUI::CBitmap* background_;
};

class COnOffButtonPl : public CControlPl {
public:
    COnOffButtonPl(const VSTGUI::CRect& size, CControlListenerPl* listener, int32_t tag, VSTGUI::CBitmap* bitmap,
                   int32_t states);
    const char* className() const override { return "onoff"; }
    void draw(VSTGUI::CDrawContext* context) override;
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;
    int32_t state() const;

private:
    VSTGUI::CBitmap* bitmap_;
    int32_t states_;
};

class CRadioButtonPl : public CControlPl {
public:
    // rows < 0: one image per state, stacked.
    CRadioButtonPl(const VSTGUI::CRect& size, CControlListenerPl* listener, int32_t tag, int32_t columns,
                   int32_t rows, int32_t orientation, VSTGUI::CBitmap* bitmap);
    const char* className() const override { return "radio"; }
    void draw(VSTGUI::CDrawContext* context) override;
    float valueAtPoint(const VSTGUI::CPoint& where) override;
    float mouseToValue(const VSTGUI::CPoint& where, bool /*fine*/) override { return valueAtPoint(where); }

private:
    int32_t cells() const { return columns_ * (rows_ < 0 ? -rows_ : rows_); }
    int32_t columns_, rows_, orientation_;
    int32_t cellWidth_, cellHeight_;
    VSTGUI::CBitmap* bitmap_;
};

class CLabelPl : public CControlPl {
public:
    CLabelPl(const VSTGUI::CRect& size, CControlListenerPl* listener, int32_t tag, VSTGUI::CBitmap* background,
             int32_t font, const VSTGUI::CColor& colour, int32_t alignment);
    const char* className() const override { return "label"; }
    void draw(VSTGUI::CDrawContext* context) override;
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;

private:
    VSTGUI::CBitmap* background_;
    int32_t font_;
    int32_t alignment_;
};

// An invisible area that sends a command to the plug-in; with repeat it
// sends again while held, after 480 ms, then 40 ms sooner each time down to 200.
class CTouchAreaPl : public CControlPl {
public:
    CTouchAreaPl(const VSTGUI::CRect& size, CControlListenerPl* listener, int32_t tag, Synth* synth,
                 int32_t command, int32_t a, int32_t b, bool repeat);
    const char* className() const override { return kind_ == kKindFrameSwap ? "swap" : "command"; }
    void draw(VSTGUI::CDrawContext* context) override { markDrawn(); (void)context; }
    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;
    void setAltCommand(int32_t command, int32_t a, int32_t b) {
        altCommand_ = command;
        altA_ = a;
        altB_ = b;
    }

private:
    Synth* synth_;
    int32_t command_, a_, b_;
    int32_t altCommand_ = -1, altA_ = 0, altB_ = 0;
    bool repeat_;
};

class CPlusMinusDisplay : public CControlPl {
public:
    CPlusMinusDisplay(const VSTGUI::CRect& size, CControlListenerPl* listener, int32_t tag,
                      const VSTGUI::CRect& textField, const VSTGUI::CRect& minusZone, const VSTGUI::CRect& plusZone,
                      VSTGUI::CBitmap* background, int32_t font, const VSTGUI::CColor& colour);
    const char* className() const override { return "plusminus"; }
    void draw(VSTGUI::CDrawContext* context) override;
    float mouseToValue(const VSTGUI::CPoint& where, bool fine) override;
    void setViewSize(const VSTGUI::CRect& rect) override;

private:
    VSTGUI::CRect textField_, minusZone_, plusZone_;
    VSTGUI::CBitmap* background_;
    int32_t font_;
};

// The page container: one full-size page of the editor.
class CModulFramePl : public VSTGUI::CViewContainer {
public:
    CModulFramePl(int32_t x, int32_t y, int32_t width, int32_t height, VSTGUI::CFrame* frame,
                  VSTGUI::CBitmap* background, const char* name);
    const char* name() const { return name_; }
    bool isTypeOf(const char* type) const override;
    // True when container is reached walking up the parent chain.
    bool isDescendantOf(const VSTGUI::CViewContainer* container) const;

private:
    const char* name_;
};

// Removes trailing blanks in place; the index of the last character left
// (-1 for an empty result).
int32_t trimTrailingBlanks(char* text);

} // namespace editor
