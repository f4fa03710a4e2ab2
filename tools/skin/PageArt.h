#pragma once
// What the two pages draw around the editor's controls, as data: the panels
// (the main page's bar and the back page's header are panels too), the
// captions, the hairlines after the panels' titles and the arrows. The pages
// are drawn from it, and a test holds it against the rectangles the editor
// gives its controls: each control stands wholly inside a panel, clear of its
// edge, or wholly outside it, and touches no caption. Pixels from a page's
// top-left corner.
#include <string>
#include <vector>

#include "tools/skin/Canvas.h"
#include "tools/skin/SkinLayout.h"

namespace skin {

enum class PanelStyle {
    panel,   // the panel's colour inside an edge of one pixel
    bar,     // the main page's bar to the back page: lighter, lit along its top
    header,  // the back page's header: a ramp, lined along its foot
};

// A panel is the union of its pieces, each with its corners rounded by
// `radius`. A panel of several pieces steps around a control that stands at
// its corner or across its edge.
struct Panel {
    std::string name;  // for people reading a test's findings
    PanelStyle style;
    double radius;
    std::vector<layout::Box> pieces;
};

struct Caption {
    std::string text;
    int x;         // the left edge, the centre or the right edge, as `align` says
    int baseline;  // the row under the letters
    int size;
    bool bold;
    Rgb colour;
    Align align;
};

// A filled triangle across its box, pointing right or left.
struct Arrow {
    layout::Box box;
    bool pointsRight;
};

struct PageArt {
    std::vector<Panel> panels;
    std::vector<Caption> captions;
    std::vector<layout::Box> rules;  // hairlines
    std::vector<Arrow> arrows;
};

PageArt mainPageArt();
PageArt backPageArt();

// Whether the panel paints any sample of the pixel.
bool panelCovers(const Panel& panel, int x, int y);
// Whether the pixel and its eight neighbours are the panel's: clear of its edge.
bool panelInterior(const Panel& panel, int x, int y);
// The pixels a caption's glyphs paint (width 0 when none).
layout::Box inkBox(const Caption& caption);

} // namespace skin
