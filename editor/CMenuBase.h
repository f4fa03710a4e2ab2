#pragma once
// The maker's option menus: the base (which button opened the menu, a
// transparent look without a skin) and the sub-menu of a grouped list.
// Editor thread only.
#include "gui/COptionMenu.h"

class CMenuWithSub;

class CMenuBase : public VSTGUI::COptionMenu {
public:
    CMenuBase(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t tag,
              VSTGUI::CBitmap* background = nullptr, VSTGUI::CBitmap* pressed = nullptr, int32_t style = 0);

    void mouse(VSTGUI::CDrawContext* context, VSTGUI::CPoint& where, int32_t buttons = -1) override;
    bool rightButtonClicked() const { return rightButton_; }

protected:
    int32_t reserved_[2] = {0, 0};
    bool rightButton_ = false;
};

// The options of one prefix run of a grouped list parameter. Its value is
// the option's position in the whole list: (entry + first option) / span,
// span being the parent's maximum − minimum, so the editor writes it like a
// choice in the parent menu (the tag is the parent's).
class CSubMenuPl : public CMenuBase {
public:
    CSubMenuPl(CMenuWithSub* parent, int32_t firstOption, int32_t optionCount, int32_t span);

    float getValue() const override;
    CMenuWithSub* parentMenu() const { return parent_; }
    int32_t firstOption() const { return firstOption_; }
    int32_t optionCount() const { return optionCount_; }

private:
    CMenuWithSub* parent_;   // owns this sub-menu
    int32_t firstOption_;
    int32_t optionCount_;
    int32_t span_;
};
