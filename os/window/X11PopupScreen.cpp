// The popup's windows on X, through a connection of our own (xcb).
#include <poll.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "os/Clock.h"
#include "os/window/PopupScreen.h"
#include "os/window/X11Keyboard.h"

namespace os {
namespace {

class X11PopupScreen : public PopupScreen {
public:
    ~X11PopupScreen() override;
    bool connect();

    bool grab() override;
    bool windowOrigin(uint32_t window, int& x, int& y) override;
    WindowRect screenArea() override { return WindowRect{0, 0, screen_->width_in_pixels, screen_->height_in_pixels}; }
    int openPanel(const WindowRect& area) override;
    void closePanels(int first) override;
    int panelCount() const override { return static_cast<int>(panels_.size()); }
    void show(int panel, const PixelSurface& pixels) override;
    void pump(unsigned waitMs) override;
    bool alive() const override { return connection_ && !xcb_connection_has_error(connection_); }

private:
    struct Panel {
        xcb_window_t window = 0;
        WindowRect area;
        PixelSurface pixels;
    };
    void present(const Panel& panel, const WindowRect& part);
    void handle(const xcb_generic_event_t* event);

    xcb_connection_t* connection_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    xcb_gcontext_t gc_ = 0;
    std::vector<Panel> panels_;
    bool pointerGrabbed_ = false;
    bool keyboardGrabbed_ = false;
    bool swapBytes_ = false;
    size_t maxRequestBytes_ = 0;
    X11Keyboard keyboard_;
    std::vector<uint32_t> band_;
};

X11PopupScreen::~X11PopupScreen() {
    if (!connection_) return;
    // The grab goes first, whatever else fails.
    if (pointerGrabbed_) xcb_ungrab_pointer(connection_, XCB_CURRENT_TIME);
    if (keyboardGrabbed_) xcb_ungrab_keyboard(connection_, XCB_CURRENT_TIME);
    closePanels(0);
    if (gc_) xcb_free_gc(connection_, gc_);
    xcb_flush(connection_);
    xcb_disconnect(connection_);
}

bool X11PopupScreen::connect() {
    int screenNumber = 0;
    connection_ = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection_)) return false;
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    auto screens = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    if (!screens.rem) return false;
    screen_ = screens.data;
    if (screen_->root_depth != 24 && screen_->root_depth != 32) return false;
    swapBytes_ = setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
    maxRequestBytes_ = static_cast<size_t>(setup->maximum_request_length) * 4u;
    gc_ = xcb_generate_id(connection_);
    const uint32_t noExposures = 0;
    xcb_create_gc(connection_, gc_, screen_->root, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    keyboard_.attach(connection_);
    return true;
}

bool X11PopupScreen::grab() {
    if (panels_.empty()) return false;
    const xcb_window_t on = panels_.front().window;
    if (!pointerGrabbed_) {
        const uint16_t mask = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION;
        xcb_grab_pointer_reply_t* reply = xcb_grab_pointer_reply(
            connection_,
            xcb_grab_pointer(connection_, 0, on, mask, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE,
                             XCB_CURRENT_TIME),
            nullptr);
        pointerGrabbed_ = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
        std::free(reply);
    }
    if (!keyboardGrabbed_) {
        xcb_grab_keyboard_reply_t* reply = xcb_grab_keyboard_reply(
            connection_,
            xcb_grab_keyboard(connection_, 0, on, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr);
        keyboardGrabbed_ = reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
        std::free(reply);
    }
    return pointerGrabbed_ && keyboardGrabbed_;
}

bool X11PopupScreen::windowOrigin(uint32_t window, int& x, int& y) {
    xcb_translate_coordinates_reply_t* origin = xcb_translate_coordinates_reply(
        connection_, xcb_translate_coordinates(connection_, window, screen_->root, 0, 0), nullptr);
    if (!origin) return false;
    x = origin->dst_x;
    y = origin->dst_y;
    std::free(origin);
    return true;
}

int X11PopupScreen::openPanel(const WindowRect& area) {
    Panel panel;
    panel.area = area;
    panel.window = xcb_generate_id(connection_);
    const uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 1,
                               XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                   XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_KEY_PRESS};
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, panel.window, screen_->root, static_cast<int16_t>(area.x),
                      static_cast<int16_t>(area.y), static_cast<uint16_t>(std::max(1, area.width)),
                      static_cast<uint16_t>(std::max(1, area.height)), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen_->root_visual, XCB_CW_BACK_PIXMAP | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK,
                      values);
    xcb_map_window(connection_, panel.window);
    xcb_flush(connection_);
    panels_.push_back(std::move(panel));
    return static_cast<int>(panels_.size()) - 1;
}

void X11PopupScreen::closePanels(int first) {
    while (static_cast<int>(panels_.size()) > std::max(0, first)) {
        xcb_destroy_window(connection_, panels_.back().window);
        panels_.pop_back();
    }
    xcb_flush(connection_);
}

void X11PopupScreen::present(const Panel& panel, const WindowRect& part) {
    const WindowRect clipped = clipRect(part, panel.pixels.width, panel.pixels.height);
    if (clipped.width == 0) return;
    const size_t rowBytes = static_cast<size_t>(clipped.width) * 4u;
    const int rowsPerBand = static_cast<int>(std::max<size_t>(1, (maxRequestBytes_ - 32) / rowBytes));
    const uint32_t alpha = screen_->root_depth == 32 ? 0xFF000000u : 0;
    for (int top = clipped.y; top < clipped.y + clipped.height; top += rowsPerBand) {
        const int rows = std::min(rowsPerBand, clipped.y + clipped.height - top);
        band_.resize(static_cast<size_t>(clipped.width) * static_cast<size_t>(rows));
        for (int r = 0; r < rows; ++r)
            for (int x = 0; x < clipped.width; ++x) {
                const uint32_t pixel = panel.pixels.row(top + r)[clipped.x + x] | alpha;
                band_[static_cast<size_t>(r) * static_cast<size_t>(clipped.width) + static_cast<size_t>(x)] =
                    swapBytes_ ? __builtin_bswap32(pixel) : pixel;
            }
        xcb_put_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, panel.window, gc_, static_cast<uint16_t>(clipped.width),
                      static_cast<uint16_t>(rows), static_cast<int16_t>(clipped.x), static_cast<int16_t>(top), 0,
                      screen_->root_depth, static_cast<uint32_t>(band_.size() * 4u),
                      reinterpret_cast<const uint8_t*>(band_.data()));
    }
    xcb_flush(connection_);
}

void X11PopupScreen::show(int index, const PixelSurface& pixels) {
    if (index < 0 || index >= panelCount()) return;
    Panel& panel = panels_[static_cast<size_t>(index)];
    panel.pixels = pixels;
    present(panel, WindowRect{0, 0, pixels.width, pixels.height});
}

void X11PopupScreen::handle(const xcb_generic_event_t* event) {
    WindowEvent out;
    out.timeMs = tickMs();
    switch (event->response_type & 0x7F) {
    case XCB_EXPOSE: {
        const auto* expose = reinterpret_cast<const xcb_expose_event_t*>(event);
        for (const Panel& panel : panels_)
            if (panel.window == expose->window)
                present(panel, WindowRect{expose->x, expose->y, expose->width, expose->height});
        return;
    }
    case XCB_BUTTON_PRESS:
    case XCB_BUTTON_RELEASE: {
        const auto* button = reinterpret_cast<const xcb_button_press_event_t*>(event);
        const bool press = (event->response_type & 0x7F) == XCB_BUTTON_PRESS;
        if (button->detail == 4 || button->detail == 5) {
            if (!press) return;
            out.kind = WindowEventKind::Wheel;
            out.x = button->root_x;
            out.y = button->root_y;
            out.wheel = button->detail == 4 ? 1.0f : -1.0f;
            out.buttons = mouseBitsFromXState(button->state);
            break;
        }
        const int bit = button->detail == 1 ? kMouseLeft : button->detail == 2 ? kMouseMiddle
                        : button->detail == 3 ? kMouseRight : 0;
        if (!bit) return;   // the horizontal wheel and extra buttons
        const int state = mouseBitsFromXState(button->state);
        out.kind = press ? WindowEventKind::MouseDown : WindowEventKind::MouseUp;
        out.x = button->root_x;
        out.y = button->root_y;
        out.button = bit;
        out.buttons = press ? (state | bit) : (state & ~bit);
        break;
    }
    case XCB_MOTION_NOTIFY: {
        const auto* motion = reinterpret_cast<const xcb_motion_notify_event_t*>(event);
        out.kind = WindowEventKind::MouseMove;
        out.x = motion->root_x;
        out.y = motion->root_y;
        out.buttons = mouseBitsFromXState(motion->state);
        break;
    }
    case XCB_KEY_PRESS: {
        const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
        const TranslatedKey translated = keyboard_.translate(key->detail, key->state, true, false);
        if (!translated.known) return;
        out.kind = WindowEventKind::KeyDown;
        out.key = translated.key;
        out.text = translated.text;
        out.x = key->root_x;
        out.y = key->root_y;
        break;
    }
    default:
        keyboard_.handle(event);   // XKB's: the keymap and its state follow the server
        return;
    }
    queueEvent(std::move(out));
}

void X11PopupScreen::pump(unsigned waitMs) {
    if (!alive()) return;
    xcb_flush(connection_);
    bool any = false;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        handle(event);
        std::free(event);
        any = true;
    }
    if (any || waitMs == 0) return;
    pollfd descriptor{xcb_get_file_descriptor(connection_), POLLIN, 0};
    ::poll(&descriptor, 1, static_cast<int>(waitMs));
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        handle(event);
        std::free(event);
    }
}

class X11KeyboardHold : public KeyboardHold {
public:
    ~X11KeyboardHold() override {
        if (!connection_) return;
        uint32_t to = 0;
        giveBack(to);
        xcb_disconnect(connection_);
    }
    bool giveBack(uint32_t& to) override {
        // Only a focus still ours goes back: one the user gave to another
        // window meanwhile stays there.
        if (!connection_ || givenBack_ || previous_ == XCB_NONE || previous_ == window_ || focus() != window_)
            return false;
        givenBack_ = true;
        xcb_set_input_focus(connection_, revertTo_, previous_, XCB_CURRENT_TIME);   // errors ignored
        focus();   // a round trip: the focus has moved when editing has ended
        to = previous_;
        return true;
    }
    bool remember(uint32_t window) {
        connection_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(connection_)) return false;
        window_ = window;
        xcb_get_input_focus_reply_t* focus =
            xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr);
        if (focus) {
            previous_ = focus->focus;
            revertTo_ = focus->revert_to;
            std::free(focus);
        }
        return true;
    }

private:
    xcb_window_t focus() {
        xcb_get_input_focus_reply_t* reply =
            xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr);
        const xcb_window_t now = reply ? reply->focus : XCB_NONE;
        std::free(reply);
        return now;
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t window_ = XCB_NONE;
    xcb_window_t previous_ = XCB_NONE;
    uint8_t revertTo_ = XCB_INPUT_FOCUS_PARENT;
    bool givenBack_ = false;
};

} // namespace

std::unique_ptr<PopupScreen> openX11PopupScreen() {
    auto screen = std::make_unique<X11PopupScreen>();
    if (!screen->connect()) return nullptr;
    return screen;
}

std::unique_ptr<KeyboardHold> holdX11Keyboard(uint32_t window) {
    auto hold = std::make_unique<X11KeyboardHold>();
    if (!window || !hold->remember(window)) return nullptr;
    return hold;
}

} // namespace os
