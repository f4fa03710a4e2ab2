#include "editor/CMenuBase.h"

#include "editor/CMenuSimple.h"
#include "gui/CDrawContext.h"

using namespace VSTGUI;

CMenuBase::CMenuBase(const CRect& size, CControlListener* listener, int32_t tag, CBitmap* background,
                     CBitmap* pressed, int32_t style)
    : COptionMenu(size, listener, tag, background, pressed, style) {
    if (!background) setTransparency(true);
}

void CMenuBase::mouse(CDrawContext* context, CPoint& where, int32_t buttons) {
    if (buttons == -1 && context) buttons = context->getMouseButtons();
    rightButton_ = (buttons & kRButton) != 0;
    COptionMenu::mouse(context, where, buttons);
}

CSubMenuPl::CSubMenuPl(CMenuWithSub* parent, int32_t firstOption, int32_t optionCount, int32_t span)
    : CMenuBase(CRect(), parent ? parent->getListener() : nullptr, parent ? parent->getTag() : 0),
      parent_(parent), firstOption_(firstOption), optionCount_(optionCount), span_(span) {}

float CSubMenuPl::getValue() const {
    if (optionCount_ < 1 || span_ < 1) return 0.0f;
    return static_cast<float>(getCurrent() + firstOption_) / static_cast<float>(span_);
}
