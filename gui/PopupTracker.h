#pragma once
// The popup's own loop: shows a menu on a popup screen below (or above) its
// option menu, grabs pointer and keyboard, follows the pointer and keys
// through the levels of cascading sub-menus and answers the chosen id.
// A menu taller than the screen comes in more columns, or scrolls (arrow
// strips, the wheel, the keys): every entry stays reachable on the screen.
// Escape at the top level, a press outside every panel, a failed grab, the
// display going away or the editor's window closing cancel (-1). While it
// runs the editor's window is kept painted (paint-only: its input stays
// queued). Editor thread only.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "gui/PopupMenu.h"
#include "gui/PopupPanel.h"
#include "os/window/PopupScreen.h"

namespace VSTGUI {

class PopupTracker {
public:
    // How long a grab is tried before the popup gives up (the click that
    // opened it may still hold the pointer).
    static constexpr unsigned kGrabPatienceMs = 1000;
    static constexpr unsigned kPumpWaitMs = 10;
    // A panel too tall for the screen scrolls one row this often while the
    // pointer rests on an arrow strip, and three rows a wheel notch.
    static constexpr uint32_t kScrollStepMs = 60;
    static constexpr int32_t kWheelRows = 3;

    // editor may be none (then nothing is kept painted); frameOpen, when
    // given, answers false once the frame closes (the loop then ends).
    PopupTracker(os::PopupScreen& screen, os::EditorWindow* editor, std::function<bool()> frameOpen = {})
        : screen_(screen), editor_(editor), frameOpen_(std::move(frameOpen)) {}

    int32_t run(const PopupRequest& request);

private:
    struct Level {
        std::unique_ptr<PopupPanel> panel;
        os::WindowRect area;   // on the screen
    };
    void openLevel(const PopupMenu& menu, int x, int y, int alternativeY);
    void closeLevelsAfter(size_t level);
    void redraw(size_t level);
    // The deepest level under a screen point and the point in its panel.
    int findLevel(int x, int y, CPoint& inPanel) const;
    void hoverAt(size_t level, int32_t item);
    void openSubMenuOf(size_t level, int32_t item);
    bool keepWaiting();
    // A panel made to fit the screen.
    std::unique_ptr<PopupPanel> panelOf(const PopupMenu& menu);
    // Scrolls a level's items; its cascades close (they hang from old places).
    void scrollLevel(size_t level, int32_t pixels);
    // Scrolls the level under an arrow strip while the pointer rests there.
    void scrollOnTime();

    os::PopupScreen& screen_;
    os::EditorWindow* editor_;
    std::function<bool()> frameOpen_;
    std::vector<Level> levels_;
    int scrollingLevel_ = -1;   // the level whose arrow strip the pointer is on
    int32_t scrollDirection_ = 0;
    uint32_t nextScrollMs_ = 0;
};

} // namespace VSTGUI
