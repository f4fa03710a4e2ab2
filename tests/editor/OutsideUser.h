#pragma once
// A user outside the editor's process: kelvanti-editor runs on a thread of
// this test (its process id known, for its CPU time), and the pointer moves
// through XTEST on a connection of this test's own while the tool's editor
// thread sits in whatever loop it is in. The tool's parent window is found
// by its title; nothing here touches the editor's own window.
#include <sys/types.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/host/lib/Process.h"

namespace outside {

using Clock = std::chrono::steady_clock;

// Milliseconds of the monotonic clock, as the tool's log prints them.
inline long long nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

inline void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The fields of /proc/PID/stat after the command name (field 3 first).
inline std::vector<std::string> statFields(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const size_t close = line.rfind(')');
    std::vector<std::string> fields;
    if (close == std::string::npos) return fields;
    std::istringstream rest(line.substr(close + 1));
    for (std::string field; rest >> field;) fields.push_back(field);
    return fields;
}

// The tool running with args; finish() waits for it and gives what it printed.
class BackgroundTool {
public:
    explicit BackgroundTool(std::vector<std::string> argv) {
        thread_ = std::thread([this, argv] {
            result_ = vsthost::runProcess(argv);
            done_ = true;
        });
        // The tool is this process's only child: found by its parent.
        for (int waited = 0; waited < 10000 && !pid_ && !done_; waited += 10) {
            pid_ = findChild();
            if (!pid_) sleepMs(10);
        }
    }
    ~BackgroundTool() {
        if (thread_.joinable()) thread_.join();
    }
    pid_t pid() const { return pid_; }
    bool done() const { return done_; }
    // User and system CPU time of the whole process, in ms (0 once it is gone).
    double cpuMs() const {
        const std::vector<std::string> f = pid_ ? statFields(pid_) : std::vector<std::string>();
        if (f.size() < 13) return 0.0;
        return (std::stod(f[11]) + std::stod(f[12])) * 1000.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
    }
    const vsthost::ProcessResult& finish() {
        if (thread_.joinable()) thread_.join();
        return result_;
    }

private:
    static pid_t findChild() {
        const std::string me = std::to_string(::getpid());
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            const std::vector<std::string> f = statFields(static_cast<pid_t>(std::stol(name)));
            if (f.size() > 1 && f[1] == me) return static_cast<pid_t>(std::stol(name));
        }
        return 0;
    }

    std::thread thread_;
    std::atomic<bool> done_{false};
    pid_t pid_ = 0;
    vsthost::ProcessResult result_;
};

// The pointer, moved through XTEST on a connection of its own.
class Hand {
public:
    Hand() : connection_(xcb_connect(nullptr, nullptr)) {
        if (!xcb_connection_has_error(connection_)) screen_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
    }
    ~Hand() { xcb_disconnect(connection_); }
    Hand(const Hand&) = delete;
    Hand& operator=(const Hand&) = delete;
    bool ok() const { return screen_ != nullptr; }

    // Waits until a window titled "kelvanti-editor" holds a child (the
    // editor's window): that is the parent from now on.
    bool findEditor(int timeoutMs) {
        for (int waited = 0; waited < timeoutMs; waited += 20) {
            parent_ = titledWindow("kelvanti-editor");
            xcb_query_tree_reply_t* tree =
                parent_ ? xcb_query_tree_reply(connection_, xcb_query_tree(connection_, parent_), nullptr) : nullptr;
            const bool holdsEditor = tree && xcb_query_tree_children_length(tree) > 0;
            std::free(tree);
            xcb_translate_coordinates_reply_t* at =
                holdsEditor ? xcb_translate_coordinates_reply(
                                  connection_, xcb_translate_coordinates(connection_, parent_, screen_->root, 0, 0), nullptr)
                            : nullptr;
            if (at) {
                originX_ = at->dst_x;
                originY_ = at->dst_y;
                std::free(at);
                return true;
            }
            sleepMs(20);
        }
        return false;
    }
    // The editor's own window: the parent's first child (0 when none).
    xcb_window_t editorWindow() {
        xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection_, xcb_query_tree(connection_, parent_), nullptr);
        const xcb_window_t child = tree && xcb_query_tree_children_length(tree) > 0 ? xcb_query_tree_children(tree)[0] : 0;
        std::free(tree);
        return child;
    }
    // At the editor's pixels (the parent's top-left is the editor's).
    void moveTo(int x, int y) { moveOnScreen(originX_ + x, originY_ + y); }
    void moveOnScreen(int x, int y) { fake(XCB_MOTION_NOTIFY, 0, x, y); }
    void press() { fake(XCB_BUTTON_PRESS, 1); }
    void release() { fake(XCB_BUTTON_RELEASE, 1); }
    // As a host hides its window (our editor's window stays mapped in it).
    void showParent(bool shown) {
        if (shown)
            xcb_map_window(connection_, parent_);
        else
            xcb_unmap_window(connection_, parent_);
        roundTrip();
    }

private:
    void roundTrip() { std::free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr)); }
    void fake(uint8_t type, uint8_t detail, int x = 0, int y = 0) {
        xcb_test_fake_input(connection_, type, detail, XCB_CURRENT_TIME,
                            type == XCB_MOTION_NOTIFY ? screen_->root : XCB_NONE, static_cast<int16_t>(x),
                            static_cast<int16_t>(y), 0);
        roundTrip();   // the server has taken the input before we go on
    }
    xcb_window_t titledWindow(const char* title) {
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(connection_, xcb_query_tree(connection_, screen_->root), nullptr);
        if (!tree) return 0;
        xcb_window_t found = 0;
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i) {
            xcb_get_property_reply_t* name = xcb_get_property_reply(
                connection_, xcb_get_property(connection_, 0, children[i], XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 0, 64),
                nullptr);
            const int length = name ? xcb_get_property_value_length(name) : 0;
            if (length == static_cast<int>(std::strlen(title)) &&
                std::memcmp(xcb_get_property_value(name), title, static_cast<size_t>(length)) == 0)
                found = children[i];
            std::free(name);
        }
        std::free(tree);
        return found;
    }
    xcb_connection_t* connection_;
    xcb_screen_t* screen_ = nullptr;
    xcb_window_t parent_ = 0;
    int originX_ = 0, originY_ = 0;
};

} // namespace outside
