#pragma once
// Menus over a list parameter of the plug-in: one entry per option
// (CMenuSimple), runs of options sharing a prefix before '$' grouped into
// sub-menus (CMenuWithSub), and the controller-assignment mode (CMenuECS).
// The tag is the parameter's entry index; the listener (the editor) writes
// the parameter. Editor thread only.
#include <array>
#include <string>
#include <vector>

#include "editor/CMenuBase.h"

class Synth;

class CMenuSimple : public CMenuBase {
public:
    // Reads the range, option width and option text of the parameter at
    // entry index `index`; with fill, the entries are made at once.
    CMenuSimple(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t index, Synth* synth,
                int32_t colour = 0, bool drawFlag = false, VSTGUI::CBitmap* background = nullptr, bool fill = true);

    // Nothing for an option width outside 1..319; else one entry per option
    // and the current value's entry selected and checked.
    virtual void fillEntries();
    // entry / (maximum − minimum).
    float getValue() const override;
    // Selects entry (maximum − minimum) × value + 0.1, truncated.
    void setValue(float value) override;

    int32_t span() const { return max_ - min_; }
    // Option `option` (from the minimum) as shown: blanks cut, '$' a blank.
    std::string optionText(int32_t option) const;

protected:
    virtual void addOptionEntry(int32_t option);
    bool widthUsable() const;
    int32_t currentOptionOfSynth() const;

    Synth* synth_;
    int32_t min_ = 0;
    int32_t max_ = 0;
    int32_t width_ = 0;
    std::string options_;
    int32_t colour_;
    bool drawFlag_;
};

class CMenuWithSub : public CMenuSimple {
public:
    CMenuWithSub(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t index, Synth* synth,
                 int32_t colour = 0, bool drawFlag = false, VSTGUI::CBitmap* background = nullptr, bool fill = true);

    void fillEntries() override;
    void draw(VSTGUI::CDrawContext* context) override;
    float getValue() const override;
    void setValue(float value) override;
    // One notch: the next or previous option, told to the listener.
    bool onWheel(VSTGUI::CDrawContext* context, const VSTGUI::CPoint& where, float distance) override;

    int32_t currentOption() const { return currentOption_; }
    void selectOption(int32_t option);
    int32_t subMenuCount() const { return static_cast<int32_t>(subMenus_.size()); }

protected:
    bool choose(VSTGUI::COptionMenu* owner, int32_t index) override;
    // The option a notch from `from` goes to (within the range).
    virtual int32_t wheelTarget(int32_t from, int32_t step) const;

private:
    // Where each option lives: value, the menu holding it, its entry there.
    struct EntryRecord {
        float value = -1.0f;
        VSTGUI::COptionMenu* owner = nullptr;
        int32_t index = -1;
    };
    std::array<EntryRecord, 256> records_{};
    std::vector<CSubMenuPl*> subMenus_;   // held by this menu's entries
    int32_t currentOption_ = 0;
};

// The controller-assignment mode: "Off" "Learn" "Clear" "Clear All" "Load"
// "Save" "Rest.Fact". A wheel notch never lands on "Load" or "Save", which
// would open a file dialog per notch.
class CMenuECS : public CMenuWithSub {
public:
    static constexpr int32_t kModeLoad = 4;
    static constexpr int32_t kModeSave = 5;

    CMenuECS(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, int32_t index, Synth* synth,
             VSTGUI::CBitmap* background = nullptr);

protected:
    int32_t wheelTarget(int32_t from, int32_t step) const override;
};
