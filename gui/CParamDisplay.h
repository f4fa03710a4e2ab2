#pragma once
// A control that shows its value, or a text made from it, in a rectangle
// with a background, an optional frame or 3-D edge and an optional shadow
// under the text. The text edit and the option menu draw through it.
// Editor thread only.
#include <cstdint>

#include "gui/BoundedText.h"
#include "gui/CControl.h"

namespace VSTGUI {

// Style bits of displays, text edits and option menus.
enum CParamDisplayStyle : int32_t {
    kCheckStyle = 0x0001,        // option menu: each entry keeps its own check flag
    kShadowText = 0x0004,
    k3DIn = 0x0080,
    k3DOut = 0x0100,
    kPopupStyle = 0x0200,        // option menu: opens above instead of below
    kCheckCurrentStyle = 0x0400, // option menu: the current entry is checked
    kNoTextStyle = 0x0800,
    kNoDrawStyle = 0x1000,
    kDoubleClickStyle = 0x2000,  // text edit: editing starts on a double click
    kNoFrame = 0x4000,
};

// Converters write into a buffer of kTextBufferSize bytes that starts empty.
using CParamDisplayValueToString = void (*)(float value, char* text);
using CParamDisplayValueToStringUserData = void (*)(float value, char* text, void* userData);
using CParamDisplayStringToValue = void (*)(const char* text, float& value, void* userData);

class CParamDisplay : public CControl {
public:
    explicit CParamDisplay(const CRect& size, CBitmap* background = nullptr, int32_t style = 0);

    void draw(CDrawContext* context) override;
    bool isTypeOf(const char* type) const override;

    virtual void setFont(int32_t fontId);
    virtual void setFontColor(const CColor& colour);
    virtual void setBackColor(const CColor& colour);
    virtual void setFrameColor(const CColor& colour);
    virtual void setShadowColor(const CColor& colour);
    virtual void setHoriAlign(int32_t alignment);
    virtual void setStringConvertUserData(CParamDisplayValueToStringUserData converter, void* userData);
    virtual void setStringConvert(CParamDisplayValueToString converter);
    virtual void setString2ValueConvert(CParamDisplayStringToValue converter) { textToValue_ = converter; }
    virtual void setStyle(int32_t style);
    virtual void setTxtFace(int32_t fontStyle);
    virtual void setTextTransparency(bool transparent) { textTransparent_ = transparent; }

    int32_t getFont() const { return fontId_; }
    CColor getFontColor() const { return fontColour_; }
    CColor getBackColor() const { return backColour_; }
    CColor getFrameColor() const { return frameColour_; }
    CColor getShadowColor() const { return shadowColour_; }
    int32_t getHoriAlign() const { return horizontalAlign_; }
    int32_t getStyle() const { return style_; }
    int32_t getTxtFace() const { return fontStyle_; }
    bool getTextTransparency() const { return textTransparent_; }

    // "%2.2f" with the user's decimal separator (the host's locale is never
    // asked: it may differ from the user's and is not ours to change).
    static void formatValue(float value, char* text, size_t capacity);

protected:
    // Background (bitmap, or fill and frame), 3-D edge, then the text in the
    // view's rectangle with its shadow; with no bitmap the view's background.
    void drawText(CDrawContext* context, const char* text, CBitmap* bitmap = nullptr);

    CParamDisplayValueToString valueToString_ = nullptr;
    CParamDisplayValueToStringUserData valueToStringUserData_ = nullptr;
    CParamDisplayStringToValue textToValue_ = nullptr;
    void* userData_ = nullptr;
    int32_t horizontalAlign_ = 1;
    int32_t style_;
    int32_t fontId_ = 3;
    int32_t fontStyle_ = 0;
    CColor fontColour_ = kWhiteCColor;
    CColor backColour_ = kBlackCColor;
    CColor frameColour_ = kBlackCColor;
    CColor shadowColour_ = kRedCColor;
    bool textTransparent_ = true;
};

} // namespace VSTGUI
