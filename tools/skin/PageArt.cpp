#include "tools/skin/PageArt.h"

#include <algorithm>
#include <climits>

#include "tools/skin/SkinArt.h"

namespace skin {
namespace {

using namespace colours;
using namespace layout;

constexpr int kTitleSize = 10, kCaptionSize = 10;
constexpr double kPanelRadius = 5.0, kBarRadius = 4.0;

// A knob's caption under it, one pixel clear of its area.
constexpr int kKnobCaptionBelow = kKnobSize - kKnobAbove + 8;

void addPanel(PageArt& art, const std::string& name, std::vector<Box> pieces, const Box& outline, const char* title) {
    art.panels.push_back({name, PanelStyle::panel, kPanelRadius, std::move(pieces)});
    if (!title) return;
    // The title in the top-left corner, a hairline after it where there is
    // room for more than a stub.
    const int left = outline.x + 8, baseline = outline.y + 11;
    art.captions.push_back({title, left, baseline, kTitleSize, true, kTitle, Align::left});
    const int after = left + Canvas::textWidth(title, kTitleSize, true) + 6, end = outline.right() - 8;
    if (end - after >= 12) art.rules.push_back(span(after, baseline - 4, end, baseline - 3));
}

void addPanel(PageArt& art, const std::string& name, const Box& outline, const char* title) {
    addPanel(art, name, {outline}, outline, title);
}

void addCaption(PageArt& art, const std::string& text, int x, int baseline, Align align = Align::left) {
    art.captions.push_back({text, x, baseline, kCaptionSize, false, kCaption, align});
}

} // namespace

PageArt mainPageArt() {
    PageArt art;
    // The instrument's name down the left margin.
    addPanel(art, "name", span(4, 2, 46, 128), nullptr);
    const char* name = "ZENDRIX";
    for (int i = 0; name[i]; ++i) {
        art.captions.push_back({std::string(1, name[i]), 25, 22 + i * 16, 13, true, kTitle, Align::centre});
    }

    addPanel(art, "TIMBRE", span(50, 2, 300, 67), "TIMBRE");
    addPanel(art, "PITCH", span(304, 2, 545, 67), "PITCH");
    addPanel(art, "MAIN", span(548, 2, 601, 67), "MAIN");
    addPanel(art, "VELOCITY", span(604, 2, 720, 78), "VELOCITY");

    // The waveform row stands under the Sound and Mix knobs and reaches into
    // the bar: it keeps a pocket of the page around it, one pixel above and
    // below, two at the sides. The panels above step up at their corners, the
    // bar dips under it.
    const Box pocket = span(kRadioX - 2, kRadioY - 1, kRadioX + kRadioCells * kRadioCellWidth + 2,
                            kRadioY + kRadioHeight + 1);
    const Box base = span(50, 70, 300, 128), noise = span(304, 70, 502, 128);
    addPanel(art, "BASE", {span(base.x, base.y, base.right(), pocket.y), span(base.x, base.y, pocket.x, base.bottom())}, base,
             "BASE");
    addPanel(art, "NOISE", {span(noise.x, noise.y, noise.right(), pocket.y), span(pocket.right(), noise.y, noise.right(), noise.bottom())},
             noise, "NOISE");
    // The programs: menus, steps, import and export, the MIDI menu.
    addPanel(art, "programs", span(506, 81, 720, 128), nullptr);

    for (const Knob& knob : kKnobs) addCaption(art, knob.caption, knob.x + 1, knob.y + kKnobCaptionBelow, Align::centre);
    // The sliders' captions in two rows, as their neighbours are only 20 apart.
    for (size_t i = 0; i < sizeof(kSliders) / sizeof(kSliders[0]); ++i) {
        addCaption(art, kSliders[i].caption, kSliders[i].x + 1, i % 2 ? 74 : 64, Align::centre);
    }

    // The bar that shows the back page (its swap area); the badge sits on it.
    const Box& bar = kMainSwap;
    art.panels.push_back({"bar", PanelStyle::bar, kBarRadius,
                          {span(bar.x, bar.y, pocket.x, bar.bottom()), span(pocket.right(), bar.y, bar.right(), bar.bottom()),
                           span(bar.x, pocket.bottom(), bar.right(), bar.bottom())}});
    const int baseline = bar.y + 15;
    art.captions.push_back({"KELVANTI", bar.x + 12, baseline, 9, true, kDim, Align::left});
    addCaption(art, "Waveform", pocket.x - 6, baseline, Align::right);
    addCaption(art, "Settings and tuning", bar.right() - 22, baseline, Align::right);
    art.arrows.push_back({span(bar.right() - 17, bar.y + 7, bar.right() - 11, bar.y + 15), true});
    return art;
}

PageArt backPageArt() {
    PageArt art;
    // The header returns to the main page; it ends above the version display,
    // which stands in the header's swap area.
    const Box header = span(0, 0, kPageWidth, kVersion.y - 3);
    art.panels.push_back({"header", PanelStyle::header, 0.0, {header}});
    art.captions.push_back({"ZENDRIX", 16, 24, 20, true, kTitle, Align::left});
    art.captions.push_back({"Settings", 16 + Canvas::textWidth("ZENDRIX", 20, true) + 10, 24, 13, false, kCaption, Align::left});
    art.captions.push_back({"Back to the sound", header.right() - 26, 22, 11, false, kCaption, Align::right});
    art.arrows.push_back({span(header.right() - 19, 13, header.right() - 13, 22), false});

    addCaption(art, "Version", kVersion.x - 5, kVersion.bottom() - 2, Align::right);

    addPanel(art, "settings", span(330, 52, 600, 124), nullptr);
    // Knob mode's caption before its switch, exactness's after (the two are
    // too close for a caption between them).
    for (const Switch& s : kSwitches) {
        if (s.index == 31) addCaption(art, "Knobs", s.x - 5, s.y + 11, Align::right);
        if (s.index == 32) addCaption(art, "Exactness", s.x + s.width + 5, s.y + 11);
    }
    addCaption(art, "Concert A", kTuneText.x - 5, kTuneText.y + 11, Align::right);
    addCaption(art, "Hz", kTunePlus.right() + 4, kTuneText.y + 11);
    addCaption(art, "Tuning", kTuningButton.x - 5, kTuningButton.y + 11, Align::right);

    // How the controls behave, for the musician.
    const char* help[] = {"Drag a knob up and down, or around its centre",
                          "(Knobs: Linear or Circular).",
                          "Hold Shift while dragging for fine steps;",
                          "Ctrl-click sets a control to its default.",
                          "Concert A: 415.3 to 466.2 Hz, for every note.",
                          "Tuning: a .tun file retunes the scale."};
    int y = 68;
    for (const char* line : help) {
        art.captions.push_back({line, 24, y, kCaptionSize, false, kDim, Align::left});
        y += 14;
    }
    art.captions.push_back(
        {"Zendrix percussion synthesizer by Harvell", kPageWidth - 16, 150, 9, false, kDim, Align::right});
    return art;
}

bool panelCovers(const Panel& panel, int x, int y) {
    for (const Box& piece : panel.pieces) {
        if (x < piece.x || y < piece.y || x >= piece.right() || y >= piece.bottom()) continue;
        // Away from the rounded corners the piece covers its pixels whole.
        const int r = static_cast<int>(panel.radius + 0.999);
        const bool nearCorner = (x < piece.x + r || x >= piece.right() - r) && (y < piece.y + r || y >= piece.bottom() - r);
        if (!nearCorner) return true;
        const Canvas::Inside inside =
            Canvas::roundRectInside(piece.x, piece.y, piece.right(), piece.bottom(), panel.radius);
        if (Canvas::samplesInside(x, y, inside) > 0) return true;
    }
    return false;
}

bool panelInterior(const Panel& panel, int x, int y) {
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (!panelCovers(panel, x + dx, y + dy)) return false;
        }
    }
    return true;
}

Box inkBox(const Caption& caption) {
    // Drawn alone on a scratch picture wide and tall enough for any alignment.
    const int width = Canvas::textWidth(caption.text, caption.size, caption.bold);
    const int originX = caption.x - width - 2 * caption.size, originY = caption.baseline - 2 * caption.size;
    raster::PixelBuffer scratch(2 * width + 4 * caption.size, 4 * caption.size);
    Canvas canvas(scratch);
    canvas.fill(0, 0, scratch.width(), scratch.height(), Rgb{0, 0, 0});
    canvas.text(caption.text, caption.x - originX, caption.baseline - originY, caption.size, caption.bold,
                Rgb{255, 255, 255}, caption.align);
    const uint32_t black = raster::packPixel(0, 0, 0);
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    for (int y = 0; y < scratch.height(); ++y) {
        for (int x = 0; x < scratch.width(); ++x) {
            if (scratch.at(x, y) == black) continue;
            left = std::min(left, x);
            right = std::max(right, x + 1);
            top = std::min(top, y);
            bottom = std::max(bottom, y + 1);
        }
    }
    if (left == INT_MAX) return Box{caption.x, caption.baseline, 0, 0};
    return span(left + originX, top + originY, right + originX, bottom + originY);
}

} // namespace skin
