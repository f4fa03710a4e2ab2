#pragma once
// Where the editor puts its controls on the two pages (pixels from a page's
// top-left corner), and the sizes of the skins drawn for them: the art of the
// pages is drawn around these places. A knob's point is its centre and its
// 25 x 25 area starts 12 left and 11 above it; a slider's point is the top of
// its handle's track, its 14 x 34 area starts 6 left and 4 above it.
namespace skin::layout {

constexpr int kPageWidth = 724, kPageHeight = 160;

constexpr int kKnobSize = 25, kKnobFrames = 55, kKnobColumns = 5, kKnobRows = 11;
constexpr int kKnobLeft = 12, kKnobAbove = 11;  // the area's corner from the knob's point

struct Knob {
    int index, x, y;
    const char* caption;
};
constexpr Knob kKnobs[] = {
    {0, 74, 36, "Range"},   {1, 124, 36, "Attack"}, {2, 174, 36, "Decay"},  {3, 224, 36, "Env Amount"},
    {4, 274, 36, "Drive"},  {5, 74, 100, "Range"},  {6, 124, 100, "Attack"}, {7, 174, 100, "Hold"},
    {8, 224, 100, "Decay"}, {9, 274, 100, "Sound"}, {13, 374, 36, "Depth"}, {14, 424, 36, "Attack"},
    {15, 474, 36, "Decay"}, {16, 524, 36, "Detune"}, {17, 324, 100, "Mix"},  {18, 374, 100, "Colour"},
    {19, 424, 100, "Attack"}, {20, 474, 100, "Decay"}, {21, 580, 36, "Volume"}};

constexpr int kHandleWidth = 14, kHandleHeight = 10;
constexpr int kSliderWidth = 14, kSliderHeight = 34, kSliderLeft = 6, kSliderAbove = 4;
struct Slider {
    int index, x, y;
    const char* caption;
};
constexpr Slider kSliders[] = {{22, 618, 24, "Curve"}, {23, 638, 24, "Attack"}, {24, 658, 24, "Timbre"}};

// The faces of the on/off buttons: two states stacked (off above, on below),
// except the badge, one state drawn whole. The pitch envelope's two switches
// stand 14 apart, left of the Depth knob: their faces are narrower and a
// pixel shorter than the back page's, so that they touch neither the knob
// nor each other.
struct Switch {
    int index, x, y, skin;
    int width, height;  // one state
    bool backPage;
};
constexpr Switch kSwitches[] = {{11, 316, 22, 130, 40, 13, false}, {12, 316, 36, 134, 40, 13, false},
                                {31, 397, 55, 132, 46, 14, true},  {32, 489, 55, 136, 46, 14, true}};
constexpr int kBadgeX = 465, kBadgeY = 135, kBadgeWidth = 84, kBadgeHeight = 14;

// The waveform row: three cells side by side, all off above, all on below.
constexpr int kRadioX = 256, kRadioY = 125, kRadioCells = 3, kRadioCellWidth = 22, kRadioHeight = 18;

// The controller-assignment menu's face, two states stacked.
constexpr int kEcsX = 627, kEcsY = 85, kEcsWidth = 44, kEcsHeight = 14;

struct Box {
    int x, y, width, height;
    constexpr int right() const { return x + width; }
    constexpr int bottom() const { return y + height; }
};
// The box from its left, top, right and bottom (right and bottom excluded).
constexpr Box span(int left, int top, int right, int bottom) { return {left, top, right - left, bottom - top}; }
// Main page.
constexpr Box kBankMenu{514, 87, 96, 13}, kProgramMenu{514, 101, 96, 13};
constexpr Box kPreviousProgram{614, 101, 14, 14}, kImport{628, 101, 14, 14}, kNextProgram{642, 101, 14, 14},
              kExport{656, 101, 14, 14};
constexpr Box kMainSwap{36, 130, 650, 22};
// Back page.
constexpr Box kBackSwap{0, 0, 724, 44};
constexpr Box kVersion{408, 36, 50, 12};
constexpr Box kTuneText{435, 86, 28, 15}, kTuneMinus{464, 86, 11, 15}, kTunePlus{476, 86, 12, 15};
constexpr Box kTuningFile{432, 102, 95, 13}, kTuningButton{415, 101, 15, 15};

// The skins: resource number and file name (resources/png/<number>-<name>.png).
struct SkinName {
    int id;
    const char* name;
};
constexpr SkinName kSkinNames[] = {{128, "main-page"},     {129, "back-page"},     {130, "pitch-timbre-switch"},
                                   {131, "midi-learn-menu"}, {132, "knob-mode-switch"}, {134, "pitch-base-switch"},
                                   {135, "badge"},          {136, "exactness-switch"}, {137, "waveform-row"},
                                   {138, "knob-strip"},     {139, "slider-handle"}};

} // namespace skin::layout
