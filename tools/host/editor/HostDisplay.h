#pragma once
// The host side of kelvanti-editor on the X display: the parent window it
// gives the editor, input sent through XTEST, photographs through GetImage,
// and drags offered as an XDND source. One thread.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <xcb/xcb.h>

namespace editor_tool {

class HostDisplay {
public:
    HostDisplay() = default;
    ~HostDisplay();
    HostDisplay(const HostDisplay&) = delete;
    HostDisplay& operator=(const HostDisplay&) = delete;

    // False with a reason: no display, no XTEST.
    bool connect(std::string& error);
    // A top-level window of width × height, mapped and shown; argb: of a
    // 32-bit visual with its own colormap. False with a reason.
    bool createParent(int width, int height, bool argb, std::string& error);
    // Works on a parent another HostDisplay made (from another thread); it is
    // not destroyed with this one.
    void adoptParent(uint32_t parent) {
        parent_ = parent;
        ownsParent_ = false;
    }
    uint32_t parent() const { return parent_; }
    // Another top-level window like the first, below the last one; it becomes
    // the parent that input and photographs go to. False with a reason.
    bool addParent(std::string& error);
    // The child windows of every parent made, in the order made.
    std::vector<int> childCounts();
    void resizeParent(int width, int height);
    void destroyParent();

    // Input at editor coordinates (those of the parent's top-left), through XTEST.
    // modifiers: Modifier bits of Options.h, held around the action.
    void click(int x, int y, int button, int modifiers);
    void drag(int x, int y, int dx, int dy, int button, int modifiers);
    void wheel(int x, int y, int notches);
    // A character or a key name (Options.h); false when the keyboard has no such key.
    // The keys go to the window that has the focus when it lies inside the
    // parent (a text field took it); else the parent gets the focus first.
    bool key(const std::string& name);
    // The mapped override-redirect windows on the screen (popup menus).
    std::vector<uint32_t> popupWindows();
    // True while another client holds the keyboard grabbed (a popup's loop).
    bool keyboardGrabbedElsewhere();
    // Maps a white window over the parent and destroys it again, so the
    // editor receives Expose events for all of itself.
    void cover();
    // Gives the keyboard focus to a window of our own in the screen's corner.
    void focusAway();
    // Waits until the server has handled everything sent so far.
    void sync();

    // The parent's pixels as RGB rows; false when it cannot be read.
    bool photograph(int& width, int& height, std::vector<uint8_t>& rgb);

    // Offers bytes of the MIME type at (x, y) as an XDND source; idle runs
    // the plug-in's idle while waiting for its answers. The answer: what the
    // target said ("accepted", "refused", "no target", "timeout").
    std::string drop(int x, int y, const std::string& mimeType, const std::string& bytes,
                     const std::function<void()>& idle);

    // Handles what arrived for us (selection requests of a drop); any time.
    void drain();

private:
    void moveTo(int x, int y);
    void fake(uint8_t type, uint8_t detail);
    void holdModifiers(int modifiers, bool press);
    uint8_t keycodeOf(uint32_t keysym, bool& shifted);
    // The focus window, when it is the parent or lies inside it; else 0.
    xcb_window_t focusInsideParent();
    xcb_atom_t atom(const char* name);
    void handle(xcb_generic_event_t* event);
    void send(xcb_window_t target, xcb_atom_t type, const uint32_t (&data)[5]);

    xcb_connection_t* connection_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    bool makeParent(int x, int y, int width, int height, xcb_visualid_t visual, std::string& error);

    xcb_window_t parent_ = 0;
    bool ownsParent_ = true;
    std::vector<xcb_window_t> formerParents_;   // made before parent_, still ours
    xcb_visualid_t parentVisual_ = 0;
    int parentWidth_ = 0, parentHeight_ = 0, nextParentY_ = 0;
    xcb_colormap_t colormap_ = 0;
    uint8_t parentDepth_ = 24;

    // The drop in progress.
    xcb_window_t elsewhere_ = 0;   // the window focusAway gives the focus to
    xcb_window_t dragWindow_ = 0;
    xcb_window_t dragTarget_ = 0;
    xcb_atom_t dragType_ = 0;
    std::string dragBytes_;
    int statusAnswer_ = -1;      // -1 none yet, 0 refused, 1 accepted
    int finishedAnswer_ = -1;
};

} // namespace editor_tool
