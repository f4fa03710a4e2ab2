#include "os/window/X11Window.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "os/Clock.h"
#include "os/window/DropData.h"
#include "os/window/X11Keyboard.h"
#include "os/window/X11Selection.h"

namespace os {
namespace {

constexpr uint32_t kXdndVersion = 5;
constexpr xcb_atom_t kNoAtom = 0;
// A drop whose data has not come within this time is given up (the source
// died or never answered our conversion request).
constexpr int32_t kDropTimeoutMs = 2000;
// Dropped data larger than this is refused (in 32-bit units of the property).
constexpr uint32_t kMaxDropLongs = 4u * 1024u * 1024u;

// Glyphs of the X cursor font, indexed by CursorShape (Default has none).
constexpr std::array<uint16_t, 9> kCursorGlyphs = {0, 150, 108, 116, 52, 12, 14, 0, 60};

enum AtomIndex {
    kXdndAware, kXdndEnter, kXdndPosition, kXdndStatus, kXdndLeave, kXdndDrop, kXdndFinished,
    kXdndSelection, kXdndTypeList, kXdndActionCopy, kUriList, kTextUtf8, kDropProperty, kAtomCount
};
constexpr std::array<const char*, kAtomCount> kAtomNames = {
    "XdndAware", "XdndEnter", "XdndPosition", "XdndStatus", "XdndLeave", "XdndDrop", "XdndFinished",
    "XdndSelection", "XdndTypeList", "XdndActionCopy", "text/uri-list", "text/plain;charset=utf-8",
    "KELVANTI_DROP"};

void reportOnce(const char* why) {
    static std::atomic<bool> reported{false};
    if (!reported.exchange(true)) std::fprintf(stderr, "kelvanti: no editor window: %s\n", why);
}

int buttonBit(uint8_t detail) {
    switch (detail) {
    case 1: return kMouseLeft;
    case 2: return kMouseMiddle;
    case 3: return kMouseRight;
    default: return 0;
    }
}

class X11Window : public EditorWindow {
public:
    X11Window(int width, int height) : EditorWindow(width, height) {}
    ~X11Window() override;

    // false with the reason when the window cannot be made.
    bool open(uint32_t parent, const char*& why);

    void present(const WindowRect& area) override;
    void pump() override;
    void pumpPaintOnly() override;
    void setCursor(CursorShape shape) override;
    void takeFocus() override;
    void focusGivenBack(uint32_t to) override;
    void resize(int width, int height) override;
    uint32_t nowMs() override { return tickMs(); }
    void sleepMs(unsigned milliseconds) override { os::sleepMs(milliseconds); }
    uint32_t nativeId() const override { return window_; }
    void offerSelection(Selection which, const std::string& utf8) override;
    void requestPaste(Selection which) override;

protected:
    int serverButtons() override;

private:
    // The answer to asked: our window is mapped and all its ancestors too.
    bool viewable(xcb_get_window_attributes_cookie_t asked);
    bool findVisual(const xcb_setup_t* setup, xcb_window_t root, xcb_visualid_t visual, uint8_t depth);
    void internAtoms();
    void handle(xcb_generic_event_t* event);
    void handleButton(const xcb_button_press_event_t* event, bool press);
    void handleKey(const xcb_key_press_event_t* event, bool press);
    void handleCrossing(const xcb_enter_notify_event_t* event);
    void handleClientMessage(const xcb_client_message_event_t* event);
    void handleSelectionNotify(const xcb_selection_notify_event_t* event);
    void queuePointer(WindowEventKind kind, int x, int y, int buttons, int button);
    void sendToSource(xcb_atom_t type, const std::array<uint32_t, 5>& data);
    void finishDrop(bool accepted);
    void endDrag();
    // Ends the drag's state; a view that saw the drag enter hears it leave when asked.
    void forgetDrag(bool announceLeave);
    void checkDropTimeout();
    bool dragPosition(uint32_t packedRoot, int& x, int& y);
    // A focus-out of our window that our own hand-back caused: the server
    // has the focus where we handed it, or back with us (a field took it again).
    bool focusOutIsOurs(const xcb_focus_in_event_t* event);
    // A focus-out to one of our window's ancestors (the host's top-level, or
    // a window between) while the pointer is in our window: a window manager
    // focusing the top-level as the user clicks in it (openbox does, before
    // the click arrives). No loss: a text field that took the keyboard takes
    // it back, and the click comes to us.
    bool focusWentUpUnderPointer(const xcb_focus_in_event_t* event);

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t window_ = 0;
    xcb_window_t parent_ = 0;
    xcb_window_t root_ = 0;
    xcb_colormap_t colormap_ = 0;
    xcb_gcontext_t gc_ = 0;
    xcb_font_t cursorFont_ = 0;
    std::array<xcb_cursor_t, kCursorGlyphs.size()> cursors_{};
    uint8_t depth_ = 24;
    bool swapBytes_ = false;
    size_t maxRequestBytes_ = 0;
    bool windowGone_ = false;
    bool ownColormap_ = false;
    std::array<xcb_atom_t, kAtomCount> atoms_{};
    X11Keyboard keyboard_;
    // Events read by a paint-only pump, handled by the next pump in order.
    std::deque<xcb_generic_event_t*> deferred_;
    std::vector<uint32_t> band_;

    // The drag in progress (XDND target side).
    xcb_window_t dragSource_ = 0;
    xcb_atom_t dragType_ = kNoAtom;
    bool dragEntered_ = false;
    bool dropPending_ = false;
    uint32_t dropStartMs_ = 0;
    int dragX_ = 0;
    int dragY_ = 0;

    // Where we last handed the focus back, until the focus change it causes is read.
    bool focusHandedBack_ = false;
    xcb_window_t focusHandedTo_ = XCB_NONE;
    // A text field took the focus and has not handed it back nor lost it.
    bool keyboardWanted_ = false;
    // The time of the last key or button event: the server orders selection
    // requests by it.
    xcb_timestamp_t lastInputTime_ = XCB_CURRENT_TIME;
    X11Selections selections_;
};

X11Window::~X11Window() {
    for (xcb_generic_event_t* event : deferred_) std::free(event);
    if (!connection_) return;
    if (window_ && !windowGone_) xcb_destroy_window(connection_, window_);   // errors ignored
    for (xcb_cursor_t cursor : cursors_)
        if (cursor) xcb_free_cursor(connection_, cursor);
    if (cursorFont_) xcb_close_font(connection_, cursorFont_);
    if (gc_) xcb_free_gc(connection_, gc_);
    if (colormap_) xcb_free_colormap(connection_, colormap_);
    xcb_flush(connection_);
    xcb_disconnect(connection_);
}

bool X11Window::findVisual(const xcb_setup_t* setup, xcb_window_t root, xcb_visualid_t visual, uint8_t depth) {
    for (auto screens = xcb_setup_roots_iterator(setup); screens.rem; xcb_screen_next(&screens)) {
        if (screens.data->root != root) continue;
        for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem;
             xcb_depth_next(&depths)) {
            if (depths.data->depth != depth) continue;
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
                 xcb_visualtype_next(&visuals)) {
                const xcb_visualtype_t* type = visuals.data;
                if (type->visual_id != visual) continue;
                ownColormap_ = visual != screens.data->root_visual;
                return type->_class == XCB_VISUAL_CLASS_TRUE_COLOR && type->red_mask == 0xFF0000u &&
                       type->green_mask == 0xFF00u && type->blue_mask == 0xFFu;
            }
        }
    }
    return false;
}

bool X11Window::open(uint32_t parent, const char*& why) {
    connection_ = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection_)) {
        why = "the X display cannot be reached (DISPLAY unset or wrong)";
        return false;
    }
    parent_ = parent;
    auto geometryCookie = xcb_get_geometry(connection_, parent);
    auto attributesCookie = xcb_get_window_attributes(connection_, parent);
    xcb_get_geometry_reply_t* geometry = xcb_get_geometry_reply(connection_, geometryCookie, nullptr);
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(connection_, attributesCookie, nullptr);
    bool usable = geometry && attributes;
    xcb_visualid_t visual = 0;
    if (usable) {
        root_ = geometry->root;
        depth_ = geometry->depth;
        visual = attributes->visual;
        usable = (depth_ == 24 || depth_ == 32) && findVisual(xcb_get_setup(connection_), root_, visual, depth_);
    }
    std::free(geometry);
    std::free(attributes);
    if (!usable) {
        why = "the host's parent window is missing or not a true-colour window";
        return false;
    }
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    bool formatFound = false;
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem; xcb_format_next(&formats))
        if (formats.data->depth == depth_ && formats.data->bits_per_pixel == 32) formatFound = true;
    if (!formatFound) {
        why = "the display has no 32-bit pixel format for the parent's depth";
        return false;
    }
    swapBytes_ = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;

    // A visual other than the root's (a 32-bit ARGB parent) needs a colormap
    // and a border pixel of its own, or the server refuses the window.
    if (ownColormap_) {
        colormap_ = xcb_generate_id(connection_);
        xcb_create_colormap(connection_, XCB_COLORMAP_ALLOC_NONE, colormap_, parent, visual);
    }
    window_ = xcb_generate_id(connection_);
    const uint32_t eventMask = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                               XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
                               XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_KEY_RELEASE |
                               XCB_EVENT_MASK_ENTER_WINDOW | XCB_EVENT_MASK_LEAVE_WINDOW |
                               XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_FOCUS_CHANGE;
    uint32_t valueMask = XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK;
    std::vector<uint32_t> values = {XCB_BACK_PIXMAP_NONE, 0, eventMask};
    if (colormap_) {
        valueMask |= XCB_CW_COLORMAP;
        values.push_back(colormap_);
    }
    // Our window is destroyed with the parent, so its DestroyNotify tells us
    // the parent is gone: nothing is selected on the host's windows.
    auto created = xcb_create_window_checked(connection_, depth_, window_, parent, 0, 0,
                                             static_cast<uint16_t>(std::max(1, width())),
                                             static_cast<uint16_t>(std::max(1, height())), 0,
                                             XCB_WINDOW_CLASS_INPUT_OUTPUT, visual, valueMask, values.data());
    if (xcb_generic_error_t* error = xcb_request_check(connection_, created)) {
        std::free(error);
        windowGone_ = true;
        why = "the child window could not be created in the host's parent";
        return false;
    }
    gc_ = xcb_generate_id(connection_);
    const uint32_t noExposures = 0;
    xcb_create_gc(connection_, gc_, window_, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    internAtoms();
    selections_.open(connection_, window_);
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, atoms_[kXdndAware], XCB_ATOM_ATOM, 32, 1,
                        &kXdndVersion);
    keyboard_.attach(connection_);
    // The core limit (256 KiB on every server), never BIG-REQUESTS: the same
    // bands everywhere, whatever extensions the server has.
    maxRequestBytes_ = static_cast<size_t>(xcb_get_setup(connection_)->maximum_request_length) * 4u;
    xcb_map_window(connection_, window_);
    xcb_flush(connection_);
    return true;
}

void X11Window::internAtoms() {
    std::array<xcb_intern_atom_cookie_t, kAtomCount> cookies;
    for (int i = 0; i < kAtomCount; ++i)
        cookies[i] = xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(kAtomNames[i])),
                                     kAtomNames[i]);
    for (int i = 0; i < kAtomCount; ++i) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection_, cookies[i], nullptr);
        atoms_[i] = reply ? reply->atom : kNoAtom;
        std::free(reply);
    }
}

void X11Window::resize(int width, int height) {
    EditorWindow::resize(width, height);
    if (!isOpen()) return;
    const uint32_t size[] = {static_cast<uint32_t>(std::max(width, 1)), static_cast<uint32_t>(std::max(height, 1))};
    xcb_configure_window(connection_, window_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    xcb_flush(connection_);
}

void X11Window::present(const WindowRect& area) {
    if (!isOpen() || windowGone_) return;
    const WindowRect clipped = clipRect(area, width(), height());
    if (clipped.width == 0) return;
    // Bands of whole rows, each under the server's request limit.
    const size_t rowBytes = static_cast<size_t>(clipped.width) * 4u;
    const size_t headerBytes = 32;
    const int rowsPerBand = static_cast<int>(
        std::max<size_t>(1, (maxRequestBytes_ > headerBytes ? maxRequestBytes_ - headerBytes : 0) / rowBytes));
    const uint32_t alpha = depth_ == 32 ? 0xFF000000u : 0;
    for (int top = clipped.y; top < clipped.y + clipped.height; top += rowsPerBand) {
        const int rows = std::min(rowsPerBand, clipped.y + clipped.height - top);
        band_.resize(static_cast<size_t>(clipped.width) * static_cast<size_t>(rows));
        for (int r = 0; r < rows; ++r) {
            const uint32_t* from = backBuffer().row(top + r) + clipped.x;
            uint32_t* to = band_.data() + static_cast<size_t>(r) * static_cast<size_t>(clipped.width);
            for (int x = 0; x < clipped.width; ++x) {
                const uint32_t pixel = from[x] | alpha;
                to[x] = swapBytes_ ? __builtin_bswap32(pixel) : pixel;
            }
        }
        xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, window_, gc_, static_cast<uint16_t>(clipped.width),
                      static_cast<uint16_t>(rows), static_cast<int16_t>(clipped.x), static_cast<int16_t>(top), 0,
                      depth_, static_cast<uint32_t>(band_.size() * 4u),
                      reinterpret_cast<const uint8_t*>(band_.data()));
    }
    xcb_flush(connection_);
}

void X11Window::pump() {
    if (!connection_) return;
    while (!deferred_.empty()) {
        xcb_generic_event_t* event = deferred_.front();
        deferred_.pop_front();
        handle(event);
        std::free(event);
    }
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        handle(event);
        std::free(event);
    }
    if (xcb_connection_has_error(connection_)) {
        windowGone_ = true;   // the server went away: nothing more to send
        markClosed();
    }
    checkDropTimeout();
    selections_.checkTimeout(nowMs());
}

void X11Window::pumpPaintOnly() {
    if (!connection_) return;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        const uint8_t type = event->response_type & 0x7F;
        // Other programs asking for our selections are answered meanwhile too.
        if (type == XCB_EXPOSE || type == XCB_DESTROY_NOTIFY || type == XCB_SELECTION_REQUEST ||
            type == XCB_SELECTION_CLEAR) {
            handle(event);
            std::free(event);
        } else {
            deferred_.push_back(event);
        }
    }
    if (xcb_connection_has_error(connection_)) {
        windowGone_ = true;
        markClosed();
    }
}

void X11Window::queuePointer(WindowEventKind kind, int x, int y, int buttons, int button) {
    WindowEvent event;
    event.kind = kind;
    event.x = x;
    event.y = y;
    event.buttons = buttons;
    event.button = button;
    queueEvent(std::move(event));
}

void X11Window::handle(xcb_generic_event_t* event) {
    switch (event->response_type & 0x7F) {
    case 0:
        // An error of a request we made without waiting: a BadWindow after
        // the host destroyed its window, say. Nothing to do about it.
        break;
    case XCB_EXPOSE: {
        const auto* expose = reinterpret_cast<const xcb_expose_event_t*>(event);
        if (expose->window == window_) present(WindowRect{expose->x, expose->y, expose->width, expose->height});
        break;
    }
    case XCB_BUTTON_PRESS:
        handleButton(reinterpret_cast<const xcb_button_press_event_t*>(event), true);
        break;
    case XCB_BUTTON_RELEASE:
        handleButton(reinterpret_cast<const xcb_button_press_event_t*>(event), false);
        break;
    case XCB_MOTION_NOTIFY: {
        const auto* motion = reinterpret_cast<const xcb_motion_notify_event_t*>(event);
        queuePointer(WindowEventKind::MouseMove, motion->event_x, motion->event_y, mouseBitsFromXState(motion->state), 0);
        break;
    }
    case XCB_KEY_PRESS:
        handleKey(reinterpret_cast<const xcb_key_press_event_t*>(event), true);
        break;
    case XCB_KEY_RELEASE:
        handleKey(reinterpret_cast<const xcb_key_press_event_t*>(event), false);
        break;
    case XCB_ENTER_NOTIFY:
    case XCB_LEAVE_NOTIFY:
        handleCrossing(reinterpret_cast<const xcb_enter_notify_event_t*>(event));
        break;
    case XCB_DESTROY_NOTIFY: {
        const auto* destroyed = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
        if (destroyed->window == window_ || destroyed->window == parent_) {
            windowGone_ = true;
            markClosed();
        }
        break;
    }
    case XCB_FOCUS_IN:
    case XCB_FOCUS_OUT: {
        const auto* focus = reinterpret_cast<const xcb_focus_in_event_t*>(event);
        // Focus moving between our window and a window inside it changes
        // nothing; nor does the pointer's share of a focus held by another
        // window (detail Pointer: sent as the focus moves between windows
        // elsewhere while the pointer rests on ours, also when ours takes it).
        if (focus->event != window_ || focus->detail == XCB_NOTIFY_DETAIL_INFERIOR ||
            focus->detail == XCB_NOTIFY_DETAIL_POINTER)
            break;
        const bool in = (event->response_type & 0x7F) == XCB_FOCUS_IN;
        if (!in && (focusOutIsOurs(focus) || focusWentUpUnderPointer(focus))) break;
        focusHandedBack_ = false;
        if (!in) keyboardWanted_ = false;
        WindowEvent change;
        change.kind = in ? WindowEventKind::FocusIn : WindowEventKind::FocusOut;
        change.buttons = queuedButtons();
        queueEvent(std::move(change));
        break;
    }
    case XCB_UNMAP_NOTIFY:
    case XCB_MAP_NOTIFY: {
        const bool unmap = (event->response_type & 0x7F) == XCB_UNMAP_NOTIFY;
        const xcb_window_t which = unmap ? reinterpret_cast<const xcb_unmap_notify_event_t*>(event)->window
                                         : reinterpret_cast<const xcb_map_notify_event_t*>(event)->window;
        if (which != window_) break;
        WindowEvent change;
        change.kind = unmap ? WindowEventKind::Hidden : WindowEventKind::Shown;
        change.buttons = queuedButtons();
        queueEvent(std::move(change));
        break;
    }
    case XCB_CLIENT_MESSAGE:
        handleClientMessage(reinterpret_cast<const xcb_client_message_event_t*>(event));
        break;
    case XCB_SELECTION_NOTIFY:
        handleSelectionNotify(reinterpret_cast<const xcb_selection_notify_event_t*>(event));
        break;
    case XCB_SELECTION_REQUEST:
        selections_.handleRequest(reinterpret_cast<const xcb_selection_request_event_t*>(event));
        break;
    case XCB_SELECTION_CLEAR:
        selections_.handleClear(reinterpret_cast<const xcb_selection_clear_event_t*>(event));
        break;
    default:
        keyboard_.handle(event);   // XKB's: the keymap and its state follow the server
        break;
    }
}

// X reports the state before the event: a press's own button is missing
// from it and a release's is still in it. The queued event carries the state
// after it, so replaying events in order gives the buttons as they were.
void X11Window::handleButton(const xcb_button_press_event_t* event, bool press) {
    lastInputTime_ = event->time;
    const int state = mouseBitsFromXState(event->state);
    if (event->detail == 4 || event->detail == 5) {
        if (!press) return;
        WindowEvent wheel;
        wheel.kind = WindowEventKind::Wheel;
        wheel.x = event->event_x;
        wheel.y = event->event_y;
        wheel.wheel = event->detail == 4 ? 1.0f : -1.0f;
        wheel.buttons = state;
        queueEvent(std::move(wheel));
        return;
    }
    const int bit = buttonBit(event->detail);
    if (!bit) return;   // horizontal wheel, extra buttons
    queuePointer(press ? WindowEventKind::MouseDown : WindowEventKind::MouseUp, event->event_x, event->event_y,
                 press ? (state | bit) : (state & ~bit), bit);
}

void X11Window::handleKey(const xcb_key_press_event_t* event, bool press) {
    lastInputTime_ = event->time;
    const TranslatedKey translated = keyboard_.translate(event->detail, event->state, press, true);
    if (!translated.known) return;
    WindowEvent key;
    key.kind = press ? WindowEventKind::KeyDown : WindowEventKind::KeyUp;
    key.x = event->event_x;
    key.y = event->event_y;
    key.key = translated.key;
    key.text = translated.text;
    key.buttons = mouseBitsFromXState(event->state);
    queueEvent(std::move(key));
}

// A crossing while a button is held: the pointer leaving under a drag, as
// usual; or the drag's ground gone. Another client took the pointer (a
// grab), or the host unmapped its window (we hear only a plain leave, and
// only the window's state tells): the release will never reach us, so the
// buttons count as released now, and tracking loops end.
void X11Window::handleCrossing(const xcb_enter_notify_event_t* event) {
    if ((queuedButtons() & kMouseButtonBits) == 0) return;
    if (event->mode == XCB_NOTIFY_MODE_GRAB || !viewable(xcb_get_window_attributes(connection_, window_)))
        releaseHeldButtons();
}

bool X11Window::viewable(xcb_get_window_attributes_cookie_t asked) {
    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(connection_, asked, nullptr);
    const bool seen = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    return seen;
}

// Asked only while a tracking loop has heard nothing of a held button for a
// while (both questions in one round trip). A window that cannot be seen
// holds no button.
int X11Window::serverButtons() {
    if (!isOpen() || windowGone_) return 0;
    const auto attributes = xcb_get_window_attributes(connection_, window_);
    const auto asked = xcb_query_pointer(connection_, window_);
    const bool seen = viewable(attributes);
    xcb_query_pointer_reply_t* pointer = xcb_query_pointer_reply(connection_, asked, nullptr);
    const int buttons = !seen ? 0 : pointer ? mouseBitsFromXState(pointer->mask) & kMouseButtonBits : -1;
    std::free(pointer);
    return buttons;
}

void X11Window::sendToSource(xcb_atom_t type, const std::array<uint32_t, 5>& data) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = dragSource_;
    message.type = type;
    std::copy(data.begin(), data.end(), message.data.data32);
    xcb_send_event(connection_, 0, dragSource_, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    xcb_flush(connection_);
}

bool X11Window::dragPosition(uint32_t packedRoot, int& x, int& y) {
    xcb_translate_coordinates_reply_t* origin = xcb_translate_coordinates_reply(
        connection_, xcb_translate_coordinates(connection_, window_, root_, 0, 0), nullptr);
    if (!origin) return false;
    x = static_cast<int>(packedRoot >> 16) - origin->dst_x;
    y = static_cast<int>(packedRoot & 0xFFFF) - origin->dst_y;
    std::free(origin);
    return true;
}

void X11Window::handleClientMessage(const xcb_client_message_event_t* event) {
    if (event->format != 32 || event->window != window_) return;
    const uint32_t* data = event->data.data32;
    const xcb_atom_t type = event->type;
    if (type == atoms_[kXdndEnter]) {
        endDrag();
        dragSource_ = data[0];
        std::vector<xcb_atom_t> offered(data + 2, data + 5);
        if (data[1] & 1) {   // more than three types: the list is on the source window
            xcb_get_property_reply_t* list = xcb_get_property_reply(
                connection_,
                xcb_get_property(connection_, 0, dragSource_, atoms_[kXdndTypeList], XCB_ATOM_ATOM, 0, 256),
                nullptr);
            if (list && list->format == 32) {
                const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(list));
                offered.assign(atoms, atoms + xcb_get_property_value_length(list) / 4);
            }
            std::free(list);
        }
        // Files rather than their names as text, when a source offers both.
        const auto has = [&](xcb_atom_t atom) { return std::find(offered.begin(), offered.end(), atom) != offered.end(); };
        dragType_ = has(atoms_[kUriList]) ? atoms_[kUriList] : has(atoms_[kTextUtf8]) ? atoms_[kTextUtf8] : kNoAtom;
    } else if (type == atoms_[kXdndPosition]) {
        if (data[0] != dragSource_ || dropPending_) return;
        int x = 0;
        int y = 0;
        if (dragPosition(data[2], x, y)) {
            dragX_ = x;
            dragY_ = y;
            WindowEvent drag;
            drag.kind = dragEntered_ ? WindowEventKind::DragMove : WindowEventKind::DragEnter;
            drag.x = x;
            drag.y = y;
            drag.buttons = queuedButtons();
            dragEntered_ = true;
            queueEvent(std::move(drag));
        }
        const bool accept = dragType_ != kNoAtom;
        sendToSource(atoms_[kXdndStatus],
                     {window_, accept ? 3u : 2u, 0, 0, accept ? atoms_[kXdndActionCopy] : kNoAtom});
    } else if (type == atoms_[kXdndLeave]) {
        if (data[0] == dragSource_) endDrag();
    } else if (type == atoms_[kXdndDrop]) {
        if (data[0] != dragSource_) return;
        if (dragType_ == kNoAtom || !dragEntered_) {
            finishDrop(false);
            return;
        }
        xcb_convert_selection(connection_, window_, atoms_[kXdndSelection], dragType_, atoms_[kDropProperty], data[2]);
        xcb_flush(connection_);
        dropPending_ = true;
        dropStartMs_ = nowMs();
    }
}

void X11Window::handleSelectionNotify(const xcb_selection_notify_event_t* event) {
    if (event->requestor != window_) return;
    std::string pasted;
    if (selections_.handleNotify(event, nowMs(), pasted)) {
        if (pasted.empty()) return;
        WindowEvent paste;
        paste.kind = WindowEventKind::Paste;
        paste.text = std::move(pasted);
        paste.buttons = queuedButtons();
        queueEvent(std::move(paste));
        return;
    }
    if (!dropPending_ || event->selection != atoms_[kXdndSelection]) return;
    std::string bytes;
    bool complete = event->property != kNoAtom;
    if (complete) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            connection_,
            xcb_get_property(connection_, 1, window_, event->property, XCB_GET_PROPERTY_TYPE_ANY, 0, kMaxDropLongs),
            nullptr);
        // Refused: a transfer in pieces (INCR), more than the limit, or not bytes.
        complete = reply && reply->format == 8 && reply->bytes_after == 0 && reply->type == event->target;
        if (complete) {
            const auto* value = static_cast<const char*>(xcb_get_property_value(reply));
            bytes.assign(value, static_cast<size_t>(std::max(0, xcb_get_property_value_length(reply))));
        }
        std::free(reply);
    }
    WindowEvent drop;
    drop.kind = WindowEventKind::Drop;
    drop.x = dragX_;
    drop.y = dragY_;
    drop.buttons = queuedButtons();
    if (complete) {
        if (dragType_ == atoms_[kUriList])
            drop.items = filesFromUriList(bytes);
        else
            drop.items.push_back(textItem(bytes));
    }
    const bool accepted = !drop.items.empty();
    if (accepted)
        queueEvent(std::move(drop));
    finishDrop(accepted);
}

void X11Window::finishDrop(bool accepted) {
    sendToSource(atoms_[kXdndFinished],
                     {window_, accepted ? 1u : 0u, accepted ? atoms_[kXdndActionCopy] : kNoAtom, 0, 0});
    forgetDrag(!accepted);
}

void X11Window::endDrag() { forgetDrag(!dropPending_); }

void X11Window::forgetDrag(bool announceLeave) {
    if (announceLeave && dragEntered_) {
        WindowEvent leave;
        leave.kind = WindowEventKind::DragLeave;
        leave.x = dragX_;
        leave.y = dragY_;
        queueEvent(std::move(leave));
    }
    dragEntered_ = false;
    dropPending_ = false;
    dragSource_ = 0;
    dragType_ = kNoAtom;
}

void X11Window::checkDropTimeout() {
    if (dropPending_ && tickDiff(nowMs(), dropStartMs_) > kDropTimeoutMs) finishDrop(false);
}

void X11Window::offerSelection(Selection which, const std::string& utf8) {
    if (!isOpen() || windowGone_) return;
    selections_.offer(which, utf8, lastInputTime_);
}

void X11Window::requestPaste(Selection which) {
    if (!isOpen() || windowGone_) return;
    selections_.requestPaste(which, lastInputTime_, nowMs());
}

void X11Window::takeFocus() {
    if (!isOpen() || windowGone_) return;
    // Back to the host's window when ours goes; errors (our window already
    // gone, or not viewable) arrive as events and are ignored there.
    xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_PARENT, window_, XCB_CURRENT_TIME);
    xcb_flush(connection_);
    keyboardWanted_ = true;
}

void X11Window::focusGivenBack(uint32_t to) {
    focusHandedBack_ = true;
    focusHandedTo_ = to;
    keyboardWanted_ = false;
}

bool X11Window::focusOutIsOurs(const xcb_focus_in_event_t* event) {
    // Only the focus change that follows a hand-back of ours; a grab taking
    // the keyboard (the focus stays ours on the server) is always a loss.
    if (!focusHandedBack_ || event->mode == XCB_NOTIFY_MODE_GRAB) return false;
    focusHandedBack_ = false;
    xcb_get_input_focus_reply_t* reply = xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr);
    const bool ours = reply && (reply->focus == window_ || reply->focus == focusHandedTo_);
    std::free(reply);
    return ours;
}

bool X11Window::focusWentUpUnderPointer(const xcb_focus_in_event_t* event) {
    if (event->mode != XCB_NOTIFY_MODE_NORMAL || event->detail != XCB_NOTIFY_DETAIL_ANCESTOR) return false;
    const auto focusAsked = xcb_get_input_focus(connection_);
    const auto pointerAsked = xcb_query_pointer(connection_, window_);
    const auto rootPointerAsked = xcb_query_pointer(connection_, root_);
    xcb_get_input_focus_reply_t* focus = xcb_get_input_focus_reply(connection_, focusAsked, nullptr);
    xcb_query_pointer_reply_t* pointer = xcb_query_pointer_reply(connection_, pointerAsked, nullptr);
    xcb_query_pointer_reply_t* rootPointer = xcb_query_pointer_reply(connection_, rootPointerAsked, nullptr);
    const xcb_window_t focused = focus ? focus->focus : XCB_NONE;
    const bool inside = pointer && pointer->same_screen && pointer->win_x >= 0 && pointer->win_y >= 0 &&
                        pointer->win_x < width() && pointer->win_y < height();
    const xcb_window_t underPointer = rootPointer ? rootPointer->child : XCB_NONE;
    std::free(focus);
    std::free(pointer);
    std::free(rootPointer);
    if (!inside || focused == XCB_NONE || focused == XCB_INPUT_FOCUS_POINTER_ROOT || focused == root_) return false;
    // Up from our window to the top-level: the focus is on the way, and no
    // other top-level lies over ours where the pointer is.
    bool focusAbove = false;
    xcb_window_t at = window_;
    for (int level = 0;; ++level) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, at), nullptr);
        const xcb_window_t parent = tree ? tree->parent : XCB_NONE;
        std::free(tree);
        if (parent == XCB_NONE || level == 64) return false;
        if (parent == root_) break;
        focusAbove = focusAbove || parent == focused;
        at = parent;
    }
    if (!focusAbove || at != underPointer) return false;
    if (keyboardWanted_) {
        xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_PARENT, window_, XCB_CURRENT_TIME);
        xcb_flush(connection_);
    }
    return true;
}

void X11Window::setCursor(CursorShape shape) {
    if (!isOpen() || windowGone_) return;
    const size_t index = static_cast<size_t>(shape);
    uint32_t cursor = XCB_CURSOR_NONE;   // the parent's cursor
    if (index < kCursorGlyphs.size() && shape != CursorShape::Default) {
        if (!cursorFont_) {
            cursorFont_ = xcb_generate_id(connection_);
            xcb_open_font(connection_, cursorFont_, 6, "cursor");
        }
        if (!cursors_[index]) {
            cursors_[index] = xcb_generate_id(connection_);
            const uint16_t glyph = kCursorGlyphs[index];
            xcb_create_glyph_cursor(connection_, cursors_[index], cursorFont_, cursorFont_, glyph,
                                    static_cast<uint16_t>(glyph + 1), 0, 0, 0, 0xFFFF, 0xFFFF, 0xFFFF);
        }
        cursor = cursors_[index];
    }
    xcb_change_window_attributes(connection_, window_, XCB_CW_CURSOR, &cursor);
    xcb_flush(connection_);
}

} // namespace

std::unique_ptr<EditorWindow> openX11Window(uint32_t parent, int width, int height) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
        reportOnce("the editor's size is out of range");
        return nullptr;
    }
    auto window = std::make_unique<X11Window>(width, height);
    const char* why = "";
    if (!window->open(parent, why)) {
        reportOnce(why);
        return nullptr;
    }
    return window;
}

} // namespace os
