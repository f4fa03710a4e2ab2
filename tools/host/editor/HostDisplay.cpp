#include "tools/host/editor/HostDisplay.h"

#include <xcb/xtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <thread>

#include "os/TextEncoding.h"
#include "os/window/X11SelectionNotify.h"
#include "tools/host/editor/Options.h"

namespace editor_tool {
namespace {

constexpr uint32_t kXdndVersion = 5;
constexpr uint32_t kShiftL = 0xFFE1;
constexpr uint32_t kControlL = 0xFFE3;
constexpr uint32_t kAltL = 0xFFE9;

const std::map<std::string, uint32_t>& namedKeys() {
    static const std::map<std::string, uint32_t> keys = {
        {"Tab", 0xFF09},     {"Return", 0xFF0D},      {"Escape", 0xFF1B},      {"BackSpace", 0xFF08},
        {"Delete", 0xFFFF},  {"Left", 0xFF51},        {"Up", 0xFF52},          {"Right", 0xFF53},
        {"Down", 0xFF54},    {"Home", 0xFF50},        {"End", 0xFF57},         {"space", ' '},
        {"Num_Lock", 0xFF7F}, {"KP_Enter", 0xFF8D},   {"KP_Multiply", 0xFFAA}, {"KP_Add", 0xFFAB},
        {"KP_Separator", 0xFFAC}, {"KP_Subtract", 0xFFAD}, {"KP_Decimal", 0xFFAE}, {"KP_Divide", 0xFFAF},
        {"KP_0", 0xFFB0},    {"KP_1", 0xFFB1},        {"KP_2", 0xFFB2},        {"KP_3", 0xFFB3},
        {"KP_4", 0xFFB4},    {"KP_5", 0xFFB5},        {"KP_6", 0xFFB6},        {"KP_7", 0xFFB7},
        {"KP_8", 0xFFB8},    {"KP_9", 0xFFB9}};
    return keys;
}

bool isKeypad(uint32_t keysym) { return keysym >= 0xFF80 && keysym <= 0xFFBD; }

// The key symbol of one character (Latin-1 ones are their code points, the
// rest Unicode symbols); 0 for anything else.
uint32_t keysymOfCharacter(const std::string& text) {
    const os::TextCharacter c = os::characterAt(text, 0);
    if (c.length == 0 || c.length != text.size()) return 0;
    const uint32_t code = c.codePoint;
    if (code < 0x20 || code == 0x7F || (code >= 0x80 && code < 0xA0)) return 0;
    return code < 0x100 ? code : 0x01000000u | code;
}

void pause(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

} // namespace

HostDisplay::~HostDisplay() {
    if (!connection_) return;
    if (dragWindow_) xcb_destroy_window(connection_, dragWindow_);
    if (elsewhere_) xcb_destroy_window(connection_, elsewhere_);
    if (parent_ && ownsParent_) xcb_destroy_window(connection_, parent_);
    for (xcb_window_t former : formerParents_) xcb_destroy_window(connection_, former);
    if (colormap_) xcb_free_colormap(connection_, colormap_);
    xcb_flush(connection_);
    xcb_disconnect(connection_);
}

bool HostDisplay::connect(std::string& error) {
    int screenNumber = 0;
    connection_ = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(connection_)) {
        error = "cannot open the X display (is DISPLAY set? try xvfb-run -a)";
        return false;
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(connection_));
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    screen_ = screens.data;
    xcb_test_get_version_reply_t* version =
        xcb_test_get_version_reply(connection_, xcb_test_get_version(connection_, 2, 2), nullptr);
    if (!version) {
        error = "the X server has no XTEST extension";
        return false;
    }
    std::free(version);
    return true;
}

xcb_atom_t HostDisplay::atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t value = reply ? reply->atom : 0;
    std::free(reply);
    return value;
}

bool HostDisplay::createParent(int width, int height, bool argb, std::string& error) {
    xcb_visualid_t visual = screen_->root_visual;
    parentDepth_ = screen_->root_depth;
    if (argb) {
        visual = 0;
        for (auto depths = xcb_screen_allowed_depths_iterator(screen_); depths.rem && !visual; xcb_depth_next(&depths)) {
            if (depths.data->depth != 32) continue;
            for (auto v = xcb_depth_visuals_iterator(depths.data); v.rem; xcb_visualtype_next(&v))
                if (v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR) {
                    visual = v.data->visual_id;
                    break;
                }
        }
        if (!visual) {
            error = "the display has no 32-bit visual";
            return false;
        }
        parentDepth_ = 32;
        colormap_ = xcb_generate_id(connection_);
        xcb_create_colormap(connection_, XCB_COLORMAP_ALLOC_NONE, colormap_, screen_->root, visual);
    }
    return makeParent(0, 0, width, height, visual, error);
}

bool HostDisplay::addParent(std::string& error) {
    if (!parent_ || !ownsParent_) {
        error = "no parent window to add another to";
        return false;
    }
    formerParents_.push_back(parent_);
    return makeParent(0, nextParentY_, parentWidth_, parentHeight_, parentVisual_, error);
}

std::vector<int> HostDisplay::childCounts() {
    std::vector<xcb_window_t> parents = formerParents_;
    if (parent_) parents.push_back(parent_);
    std::vector<int> counts;
    for (xcb_window_t window : parents) {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr);
        counts.push_back(tree ? xcb_query_tree_children_length(tree) : -1);
        std::free(tree);
    }
    return counts;
}

bool HostDisplay::makeParent(int x, int y, int width, int height, xcb_visualid_t visual, std::string& error) {
    parentVisual_ = visual;
    parentWidth_ = width;
    parentHeight_ = height;
    nextParentY_ = y + height + 40;
    parent_ = xcb_generate_id(connection_);
    uint32_t mask = XCB_CW_BACK_PIXEL | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK;
    std::vector<uint32_t> values = {0xFF404040u, 0, XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_EXPOSURE};
    if (colormap_) {
        mask |= XCB_CW_COLORMAP;
        values.push_back(colormap_);
    }
    xcb_create_window(connection_, parentDepth_, parent_, screen_->root, static_cast<int16_t>(x),
                      static_cast<int16_t>(y), static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, visual, mask, values.data());
    const char title[] = "kelvanti-editor";
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, parent_, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        sizeof title - 1, title);
    xcb_map_window(connection_, parent_);
    xcb_flush(connection_);
    for (int waited = 0; waited < 2000; waited += 5) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            const bool mapped = (event->response_type & 0x7F) == XCB_MAP_NOTIFY;
            std::free(event);
            if (mapped) return true;
        }
        pause(5);
    }
    error = "the parent window was never mapped";
    return false;
}

void HostDisplay::resizeParent(int width, int height) {
    const uint32_t size[] = {static_cast<uint32_t>(width), static_cast<uint32_t>(height)};
    xcb_configure_window(connection_, parent_, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    xcb_flush(connection_);
}

void HostDisplay::destroyParent() {
    xcb_destroy_window(connection_, parent_);
    parent_ = 0;
    sync();
}

void HostDisplay::cover() {
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, parent_), nullptr);
    if (!geometry) return;
    const xcb_window_t sheet = xcb_generate_id(connection_);
    const uint32_t values[] = {screen_->white_pixel, 1};
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, sheet, parent_, 0, 0, geometry->width, geometry->height, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
    std::free(geometry);
    xcb_map_window(connection_, sheet);
    sync();
    xcb_destroy_window(connection_, sheet);
    sync();
}

void HostDisplay::focusAway() {
    if (!elsewhere_) {
        elsewhere_ = xcb_generate_id(connection_);
        // An ordinary top-level window: popup menus are the override-redirect ones.
        const uint32_t values[] = {screen_->black_pixel};
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, elsewhere_, screen_->root,
                          static_cast<int16_t>(screen_->width_in_pixels - 4), static_cast<int16_t>(screen_->height_in_pixels - 4),
                          4, 4, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_BACK_PIXEL, values);
        xcb_map_window(connection_, elsewhere_);
        sync();
    }
    xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_PARENT, elsewhere_, XCB_CURRENT_TIME);
    sync();
}

void HostDisplay::sync() {
    std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
}

void HostDisplay::fake(uint8_t type, uint8_t detail) {
    xcb_test_fake_input(connection_, type, detail, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
}

void HostDisplay::moveTo(int x, int y) {
    int rootX = x;
    int rootY = y;
    xcb_translate_coordinates_reply_t* reply = xcb_translate_coordinates_reply(
        connection_,
        xcb_translate_coordinates(connection_, parent_, screen_->root, static_cast<int16_t>(x), static_cast<int16_t>(y)),
        nullptr);
    if (reply) {
        rootX = reply->dst_x;
        rootY = reply->dst_y;
        std::free(reply);
    }
    xcb_test_fake_input(connection_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, screen_->root, static_cast<int16_t>(rootX),
                        static_cast<int16_t>(rootY), 0);
}

uint8_t HostDisplay::keycodeOf(uint32_t keysym, bool& shifted) {
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    const uint8_t first = setup->min_keycode;
    const uint8_t count = static_cast<uint8_t>(setup->max_keycode - first + 1);
    xcb_get_keyboard_mapping_reply_t* reply =
        xcb_get_keyboard_mapping_reply(connection_, xcb_get_keyboard_mapping(connection_, first, count), nullptr);
    uint8_t found = 0;
    if (reply) {
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(reply);
        const int per = reply->keysyms_per_keycode;
        for (int code = 0; code < count && !found; ++code)
            for (int column = 0; column < per && column < 2; ++column)
                if (syms[code * per + column] == keysym) {
                    found = static_cast<uint8_t>(first + code);
                    shifted = column == 1;
                    break;
                }
        std::free(reply);
    }
    return found;
}

void HostDisplay::holdModifiers(int modifiers, bool press) {
    const uint8_t type = press ? XCB_KEY_PRESS : XCB_KEY_RELEASE;
    bool shifted = false;
    if (modifiers & kShift) fake(type, keycodeOf(kShiftL, shifted));
    if (modifiers & kControl) fake(type, keycodeOf(kControlL, shifted));
    if (modifiers & kAlt) fake(type, keycodeOf(kAltL, shifted));
}

// Press and release go out together: both are queued for the editor before
// its next idle, as when a quick click lands between two idle calls.
void HostDisplay::click(int x, int y, int button, int modifiers) {
    holdModifiers(modifiers, true);
    moveTo(x, y);
    fake(XCB_BUTTON_PRESS, static_cast<uint8_t>(button));
    fake(XCB_BUTTON_RELEASE, static_cast<uint8_t>(button));
    holdModifiers(modifiers, false);
    sync();
}

void HostDisplay::drag(int x, int y, int dx, int dy, int button, int modifiers) {
    constexpr int kSteps = 8;
    holdModifiers(modifiers, true);
    moveTo(x, y);
    fake(XCB_BUTTON_PRESS, static_cast<uint8_t>(button));
    for (int step = 1; step <= kSteps; ++step) moveTo(x + dx * step / kSteps, y + dy * step / kSteps);
    fake(XCB_BUTTON_RELEASE, static_cast<uint8_t>(button));
    holdModifiers(modifiers, false);
    sync();
}

void HostDisplay::wheel(int x, int y, int notches) {
    moveTo(x, y);
    const uint8_t button = notches > 0 ? 4 : 5;
    for (int i = 0; i < std::abs(notches); ++i) {
        fake(XCB_BUTTON_PRESS, button);
        fake(XCB_BUTTON_RELEASE, button);
    }
    sync();
}

xcb_window_t HostDisplay::focusInsideParent() {
    xcb_get_input_focus_reply_t* focus = xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr);
    xcb_window_t window = focus ? focus->focus : XCB_NONE;
    std::free(focus);
    // Up from the focus window to the root, at most a few levels.
    for (int level = 0; level < 64 && window != XCB_NONE && window != XCB_INPUT_FOCUS_POINTER_ROOT; ++level) {
        if (window == parent_) return window;
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr);
        const xcb_window_t up = tree && window != tree->root ? tree->parent : XCB_NONE;
        std::free(tree);
        if (up == XCB_NONE) return XCB_NONE;
        if (up == parent_) return window;
        window = up;
    }
    return XCB_NONE;
}

bool HostDisplay::key(const std::string& name) {
    const auto named = namedKeys().find(name);
    const uint32_t keysym = named != namedKeys().end() ? named->second : keysymOfCharacter(name);
    bool shifted = false;
    const uint8_t code = keysym ? keycodeOf(keysym, shifted) : 0;
    if (!code) return false;
    // A keypad key is pressed as it is: Num Lock, not Shift, picks what it types.
    if (isKeypad(keysym)) shifted = false;
    // Keys go to the focus window's descendant under the pointer: the host
    // gives its own window the focus and the pointer rests on the editor;
    // a window inside ours that took the focus (a text field) keeps it.
    const xcb_window_t focus = focusInsideParent();
    if (focus == XCB_NONE || focus == parent_) {
        xcb_set_input_focus(connection_, XCB_INPUT_FOCUS_PARENT, parent_, XCB_CURRENT_TIME);
        moveTo(1, 1);
    }
    bool ignored = false;
    const uint8_t shift = keycodeOf(kShiftL, ignored);
    if (shifted) fake(XCB_KEY_PRESS, shift);
    fake(XCB_KEY_PRESS, code);
    fake(XCB_KEY_RELEASE, code);
    if (shifted) fake(XCB_KEY_RELEASE, shift);
    sync();
    return true;
}

std::vector<uint32_t> HostDisplay::popupWindows() {
    std::vector<uint32_t> found;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, screen_->root), nullptr);
    if (!tree) return found;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    const int count = xcb_query_tree_children_length(tree);
    for (int i = 0; i < count; ++i) {
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            connection_, xcb_get_window_attributes(connection_, children[i]), nullptr);
        if (attributes && attributes->override_redirect && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            found.push_back(children[i]);
        std::free(attributes);
    }
    std::free(tree);
    return found;
}

bool HostDisplay::keyboardGrabbedElsewhere() {
    xcb_grab_keyboard_reply_t* reply = xcb_grab_keyboard_reply(
        connection_,
        xcb_grab_keyboard(connection_, 0, screen_->root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr);
    const int status = reply ? reply->status : int{XCB_GRAB_STATUS_NOT_VIEWABLE};
    std::free(reply);
    if (status == XCB_GRAB_STATUS_SUCCESS) {
        xcb_ungrab_keyboard(connection_, XCB_CURRENT_TIME);
        sync();
    }
    return status == XCB_GRAB_STATUS_ALREADY_GRABBED || status == XCB_GRAB_STATUS_FROZEN;
}

bool HostDisplay::photograph(int& width, int& height, std::vector<uint8_t>& rgb) {
    xcb_get_geometry_reply_t* geometry =
        xcb_get_geometry_reply(connection_, xcb_get_geometry(connection_, parent_), nullptr);
    if (!geometry) return false;
    width = geometry->width;
    height = geometry->height;
    std::free(geometry);
    xcb_get_image_reply_t* image = xcb_get_image_reply(
        connection_,
        xcb_get_image(connection_, XCB_IMAGE_FORMAT_Z_PIXMAP, parent_, 0, 0, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(height), ~0u),
        nullptr);
    if (!image) return false;
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    const bool whole = static_cast<size_t>(xcb_get_image_data_length(image)) == pixels * 4u;
    if (whole) {
        const bool msbFirst = xcb_get_setup(connection_)->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST;
        const uint8_t* data = xcb_get_image_data(image);
        rgb.resize(pixels * 3u);
        for (size_t i = 0; i < pixels; ++i) {
            const uint8_t* p = data + i * 4u;
            const uint32_t pixel = msbFirst ? (uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3])
                                            : (uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
            rgb[i * 3] = static_cast<uint8_t>(pixel >> 16);
            rgb[i * 3 + 1] = static_cast<uint8_t>(pixel >> 8);
            rgb[i * 3 + 2] = static_cast<uint8_t>(pixel);
        }
    }
    std::free(image);
    return whole;
}

void HostDisplay::send(xcb_window_t target, xcb_atom_t type, const uint32_t (&data)[5]) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = target;
    message.type = type;
    std::memcpy(message.data.data32, data, sizeof data);
    xcb_send_event(connection_, 0, target, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    xcb_flush(connection_);
}

std::string HostDisplay::drop(int x, int y, const std::string& mimeType, const std::string& bytes,
                              const std::function<void()>& idle) {
    moveTo(x, y);
    sync();
    // The deepest window under the pointer that speaks XDND.
    const xcb_atom_t aware = atom("XdndAware");
    xcb_window_t target = 0;
    for (xcb_window_t window = screen_->root;;) {
        xcb_query_pointer_reply_t* pointer =
            xcb_query_pointer_reply(connection_, xcb_query_pointer(connection_, window), nullptr);
        const xcb_window_t child = pointer ? pointer->child : 0;
        std::free(pointer);
        if (!child) break;
        xcb_get_property_reply_t* property = xcb_get_property_reply(
            connection_, xcb_get_property(connection_, 0, child, aware, XCB_ATOM_ATOM, 0, 1), nullptr);
        if (property && property->value_len > 0) target = child;
        std::free(property);
        window = child;
    }
    if (!target) return "no target";

    dragWindow_ = xcb_generate_id(connection_);
    xcb_create_window(connection_, XCB_COPY_FROM_PARENT, dragWindow_, screen_->root, -10, -10, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
    const xcb_atom_t selection = atom("XdndSelection");
    xcb_set_selection_owner(connection_, dragWindow_, selection, XCB_CURRENT_TIME);
    dragTarget_ = target;
    dragType_ = atom(mimeType.c_str());
    dragBytes_ = bytes;
    statusAnswer_ = -1;
    finishedAnswer_ = -1;

    int16_t rootX = static_cast<int16_t>(x);
    int16_t rootY = static_cast<int16_t>(y);
    xcb_translate_coordinates_reply_t* at = xcb_translate_coordinates_reply(
        connection_,
        xcb_translate_coordinates(connection_, parent_, screen_->root, static_cast<int16_t>(x), static_cast<int16_t>(y)),
        nullptr);
    if (at) {
        rootX = at->dst_x;
        rootY = at->dst_y;
        std::free(at);
    }
    const xcb_atom_t copy = atom("XdndActionCopy");
    send(target, atom("XdndEnter"), {dragWindow_, kXdndVersion << 24, dragType_, 0, 0});
    send(target, atom("XdndPosition"),
         {dragWindow_, 0, static_cast<uint32_t>(static_cast<uint16_t>(rootX)) << 16 | static_cast<uint16_t>(rootY),
          XCB_CURRENT_TIME, copy});
    const auto await = [&](const int& answer, int timeoutMs) {
        for (int waited = 0; waited < timeoutMs && answer < 0; waited += 10) {
            idle();
            drain();
            if (answer < 0) pause(10);
        }
        return answer >= 0;
    };
    std::string result;
    if (!await(statusAnswer_, 2000)) {
        result = "timeout";
    } else if (statusAnswer_ == 0) {
        result = "refused";
    }
    if (!result.empty()) {
        send(target, atom("XdndLeave"), {dragWindow_, 0, 0, 0, 0});
    } else {
        send(target, atom("XdndDrop"), {dragWindow_, 0, XCB_CURRENT_TIME, 0, 0});
        result = !await(finishedAnswer_, 3000) ? "timeout" : finishedAnswer_ == 1 ? "accepted" : "refused";
    }
    idle();
    xcb_destroy_window(connection_, dragWindow_);
    xcb_flush(connection_);
    dragWindow_ = 0;
    dragTarget_ = 0;
    return result;
}

void HostDisplay::drain() {
    if (!connection_) return;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        handle(event);
        std::free(event);
    }
}

void HostDisplay::handle(xcb_generic_event_t* event) {
    const uint8_t type = event->response_type & 0x7F;
    if (type == XCB_CLIENT_MESSAGE && dragWindow_) {
        const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (message->window != dragWindow_ || message->format != 32) return;
        if (message->type == atom("XdndStatus")) statusAnswer_ = message->data.data32[1] & 1;
        else if (message->type == atom("XdndFinished")) finishedAnswer_ = message->data.data32[1] & 1;
    } else if (type == XCB_SELECTION_REQUEST && dragWindow_) {
        const auto* request = reinterpret_cast<const xcb_selection_request_event_t*>(event);
        xcb_atom_t answered = XCB_NONE;
        if (request->owner == dragWindow_ && request->target == dragType_ && request->property != XCB_NONE) {
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request->requestor, request->property, dragType_, 8,
                                static_cast<uint32_t>(dragBytes_.size()), dragBytes_.data());
            answered = request->property;
        }
        os::sendSelectionNotify(connection_, *request, answered);
        xcb_flush(connection_);
    }
}

} // namespace editor_tool
