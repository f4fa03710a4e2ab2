#include "editor/ZendrixEditor_c.h"

#include <new>

#include "editor/CFileDialog3Pl.h"
#include "framework/synth/Synth.h"
#include "gui/CBitmap.h"
#include "os/ModulePath.h"

namespace editor {

using VSTGUI::CBitmap;
using VSTGUI::CColor;
using VSTGUI::CRect;

namespace {
// The own skins, in the order of ZendrixEditor_c::Skin.
constexpr int32_t kSkinIds[] = {130, 131, 132, 134, 135, 136, 137, 138, 139};
// Commands the preset areas send (the plug-in steps the program).
constexpr int32_t kCmdProgramDown = 16, kCmdProgramUp = 15, kCmdExportShortcut = 13;

std::string dataSubfolder(const char* name) {
    std::string folder = os::dataFolder();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + name;
}
} // namespace

ZendrixEditor_c::ZendrixEditor_c(Synth* synth) : SynthEditor_c(synth, kControls, kMainSkin, kBackSkin) {
    controlColour_ = CColor{255, 251, 210, 0};
    thirdColour_ = CColor{150, 145, 110, 0};
    for (int32_t i = 0; i < kOwnSkins; ++i) skins_[i] = new CBitmap(kSkinIds[i]);
    knobModeControl_ = kKnobModeControl;
}

ZendrixEditor_c::~ZendrixEditor_c() {
    close();
    for (CBitmap*& b : skins_) {
        b->forget();
        b = nullptr;
    }
}

EditorListener* ZendrixEditor_c::make(Synth& synth) { return new (std::nothrow) ZendrixEditor_c(&synth); }

CRect ZendrixEditor_c::sliderRect(int32_t x, int32_t y, int32_t handleWidth, int32_t handleHeight) {
    const int32_t m = (handleWidth - 2) / 2, o = (handleHeight - 2) / 2;
    return CRect(x - m, y - o, x + m + 2, y + o + 26);
}

void ZendrixEditor_c::addKnob(VSTGUI::CViewContainer* page, int32_t index, int32_t x, int32_t y) {
    CBitmap* strip = skin(kKnobStrip);
    if (!page) return;
    auto* knob = new CMIKnob(knobRect(x, y), &edit(index), index, page->getBackground(), strip, kKnobImages, false,
                             300.0f, 0.0f);
    edit(index).bindControl(knob, index, this, synth_, page);
}

void ZendrixEditor_c::addSliderAt(int32_t index, int32_t x, int32_t y) {
    CBitmap* handle = skin(kHandle);
    if (!handle->isLoaded()) return;
    const CRect piece(x - 6, y - 4, x - 6 + 14, y - 4 + 34);
    addSlider(index, piece, sliderRect(x, y, handle->getWidth(), handle->getHeight()), handle,
              mainPage()->getBackground(), mainPage());
}

void ZendrixEditor_c::addPlusMinus(VSTGUI::CViewContainer* page, int32_t index, int32_t x, int32_t y) {
    if (!page) return;
    auto* display = new CPlusMinusDisplay(CRect(x, y, x + 53, y + 15), &edit(index), index,
                                          CRect(x, y, x + 28, y + 15), CRect(x + 29, y, x + 40, y + 15),
                                          CRect(x + 41, y, x + 53, y + 15), page->getBackground(), 4,
                                          controlColour_);
    edit(index).bindControl(display, index, this, synth_, page);
}

void ZendrixEditor_c::buildPresetControls(VSTGUI::CViewContainer* page) {
    addFileListMenu(page, 40, 0, 514, 87, 96, 13, true, kUnboundText);
    addFileListMenu(page, 41, 0, 514, 101, 96, 13, false, kUnboundText);
    addCommandArea(page, 29, kCmdProgramDown, -1, 0, 614, 101, 14, 14, true);
    addFileDialogButton(page, 27, "Import Kelvanti Sound Program", "Standard FXP format", {"*.fxp"},
                        dataSubfolder("KelvantiPresets"), "FxpImportFolder", false, 628, 101, 14, 14);
    addCommandArea(page, 30, kCmdProgramUp, -1, 0, 642, 101, 14, 14, true);
    if (auto* exportButton = static_cast<CFileDialog3Pl*>(
            addFileDialogButton(page, 28, "Export Kelvanti Sound Program", "Standard FXP format", {"*.fxp"},
                                dataSubfolder("KelvantiPresets"), "FxpExportFolder", true, 656, 101, 14, 14)))
        exportButton->setShortcut(kCmdExportShortcut, 28, 0);
}

void ZendrixEditor_c::buildBackPage(VSTGUI::CViewContainer* page) {
    addFrameSwapArea(page, 38, 0, 0, 724, 44);
    addOnOffButton(page, 31, 397, 55, skin(kButton31), false);
    addOnOffButton(page, 32, 489, 55, skin(kButton32), false);
    addPlusMinus(page, 39, 435, 86);
    // The version text (33): shown, never edited.
    addTextEdit(page, 33, 408, 36, 50, 12, CColor{255, 255, 255, 255}, VSTGUI::kLeftText);
    setControlMouseEnabled(33, false);
    addLabel(page, 42, 432, 102, 95, 13, controlColour_);
    // Both spellings of the pattern: tuning files come from Windows and Linux alike.
    addFileDialogButton(page, 43, "Load Microtuning Definition", "TUN format", {"*.TUN", "*.tun"},
                        dataSubfolder("NoteFreqTables"), "TunLoadFolder", false, 415, 101, 15, 15);
}

void ZendrixEditor_c::buildControls() {
    VSTGUI::CViewContainer* main = mainPage();
    bindEdit(26);
    bindEdit(25);
    addFrameSwapArea(main, 36, 36, 130, 650, 22);
    addEcsMenu(main, 37, 627, 85, skin(kEcsFace));
    buildPresetControls(main);
    addKnob(main, 21, 580, 36);
    // The badge is one picture, shown whole whatever the value.
    addOnOffButton(main, 35, 465, 135, skin(kButton35), false, 1);
    setControlMouseEnabled(35, false);
    addRadioButtons(main, 10, 256, 125, 3, 1, skin(kRadio10), 0);
    addSliderAt(22, 618, 24);
    addSliderAt(23, 638, 24);
    addSliderAt(24, 658, 24);
    if (backPage()) buildBackPage(backPage());
    for (int32_t i = 0; i < 5; ++i) addKnob(main, i, 74 + 50 * i, 36);
    for (int32_t i = 0; i < 5; ++i) addKnob(main, 5 + i, 74 + 50 * i, 100);
    addOnOffButton(main, 11, 316, 22, skin(kButton11), false);
    addOnOffButton(main, 12, 316, 36, skin(kButton12), false);
    for (int32_t i = 0; i < 4; ++i) addKnob(main, 13 + i, 374 + 50 * i, 36);
    for (int32_t i = 0; i < 4; ++i) addKnob(main, 17 + i, 324 + 50 * i, 100);
}

} // namespace editor
