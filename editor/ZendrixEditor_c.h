#pragma once
// The instrument's editor: 44 control indexes (index i edits the plug-in's
// parameter entry i), the main page on skin 128 and the back page on 129,
// and its own nine skins for knobs, slider handle, buttons, the menu face
// and the radio row. Threads and ownership as SynthEditor_c.
#include "editor/SynthEditor_c.h"

namespace editor {

class ZendrixEditor_c : public SynthEditor_c {
public:
    static constexpr int32_t kControls = 44;
    static constexpr int32_t kMainSkin = 128;
    static constexpr int32_t kBackSkin = 129;
    static constexpr int32_t kKnobModeControl = 31;
    static constexpr int32_t kKnobImages = 55;

    explicit ZendrixEditor_c(Synth* synth);
    ~ZendrixEditor_c() override;

    // The editor the plug-in makes in its constructor (EditorMaker).
    static EditorListener* make(Synth& synth);

    // Placement rules: a knob by its centre, a slider by the top of its track,
    // the plus/minus display by its top-left.
    static VSTGUI::CRect knobRect(int32_t x, int32_t y) { return VSTGUI::CRect(x - 12, y - 11, x + 13, y + 14); }
    static VSTGUI::CRect sliderRect(int32_t x, int32_t y, int32_t handleWidth, int32_t handleHeight);

protected:
    void buildControls() override;

private:
    enum Skin { kButton11 = 0, kEcsFace, kButton31, kButton12, kButton35, kButton32, kRadio10, kKnobStrip, kHandle,
                kOwnSkins };
    VSTGUI::CBitmap* skin(Skin s) const { return skins_[s]; }
    void addKnob(VSTGUI::CViewContainer* page, int32_t index, int32_t x, int32_t y);
    void addSliderAt(int32_t index, int32_t x, int32_t y);
    void addPlusMinus(VSTGUI::CViewContainer* page, int32_t index, int32_t x, int32_t y);
    void buildPresetControls(VSTGUI::CViewContainer* page);
    void buildBackPage(VSTGUI::CViewContainer* page);

    VSTGUI::CBitmap* skins_[kOwnSkins] = {};
};

} // namespace editor
