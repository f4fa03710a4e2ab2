// kelvanti-editor: opens a VST 2.4 plug-in's editor inside a window of its
// own on the X display, drives it with XTEST input and XDND drops, and
// photographs it. For reviewers and tests (run it under xvfb-run -a).
// Exit codes: 0 done (or --help), 1 usage, 2 plug-in or display unusable,
// 3 effEditOpen answered 0, 4 an action could not be carried out (or a popup
// menu stayed open, or the editor's thread did not come back).
#include <dirent.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "tools/host/editor/HostDisplay.h"
#include "tools/host/editor/Options.h"
#include "tools/png/PngWriter.h"
#include "tools/host/lib/Host.h"
#include "tools/host/lib/OutputFile.h"
#include "tools/host/lib/PluginInstance.h"

namespace {

using editor_tool::Action;
using editor_tool::HostDisplay;
using editor_tool::Options;

constexpr int kIdlePeriodMs = 50;
constexpr int kSettleMs = 200;   // idle time after the parent was destroyed

int openDescriptors() {
    int count = 0;
    if (DIR* folder = opendir("/proc/self/fd")) {
        while (dirent* entry = readdir(folder))
            if (entry->d_name[0] != '.') ++count;
        closedir(folder);
        --count;   // the listing's own
    }
    return count;
}

std::string fileUri(const std::string& path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : path) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           c == '/' || c == '-' || c == '.' || c == '_' || c == '~';
        if (plain) {
            uri.push_back(static_cast<char>(c));
        } else {
            uri.push_back('%');
            uri.push_back(hex[c >> 4]);
            uri.push_back(hex[c & 15]);
        }
    }
    return uri + "\r\n";
}

// The editor's side: effEditIdle on the thread that opened the editor (this
// tool's main thread), counted so the actions' thread can wait for idles.
class EditorSession {
public:
    EditorSession(vsthost::PluginInstance& plugin, HostDisplay& display) : plugin_(plugin), display_(display) {}

    void idleOnce() {
        inIdle_ = true;
        plugin_.dispatch(effEditIdle);
        inIdle_ = false;
        ++idles_;
        display_.drain();
    }
    void idleFor(int milliseconds) {
        for (int waited = 0; waited < milliseconds; waited += kIdlePeriodMs) {
            idleOnce();
            std::this_thread::sleep_for(std::chrono::milliseconds(kIdlePeriodMs));
        }
    }
    bool open() { return plugin_.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(uintptr_t{display_.parent()})) != 0; }
    void close() { plugin_.dispatch(effEditClose); }

    // Any thread.
    uint64_t idles() const { return idles_; }
    bool inIdle() const { return inIdle_; }

    // From the actions' thread: runs task on the editor's thread (with the
    // editor's display) at its next turn and answers its result.
    bool onEditorThread(const std::function<bool(HostDisplay&)>& task) {
        std::unique_lock<std::mutex> lock(tasksLock_);
        task_ = &task;
        taskDone_.wait(lock, [this] { return task_ == nullptr; });
        return taskResult_;
    }
    // On the editor's thread: a task asked for meanwhile.
    void runRequested() {
        std::lock_guard<std::mutex> lock(tasksLock_);
        if (!task_) return;
        taskResult_ = (*task_)(display_);
        task_ = nullptr;
        taskDone_.notify_all();
    }

private:
    vsthost::PluginInstance& plugin_;
    HostDisplay& display_;
    std::atomic<uint64_t> idles_{0};
    std::atomic<bool> inIdle_{false};
    std::mutex tasksLock_;
    std::condition_variable taskDone_;
    const std::function<bool(HostDisplay&)>* task_ = nullptr;
    bool taskResult_ = false;
};

// The actions, on a thread of their own with a connection of their own, while
// the editor's thread keeps idling: an action that opens a popup menu leaves
// that thread in the popup's loop inside effEditIdle, and the next action
// must still reach the screen.
class Actions {
public:
    Actions(const Options& options, EditorSession& session) : options_(options), session_(session) {}

    // 0, or 4 when an action could not be carried out (said on stderr).
    int run(uint32_t parent) {
        std::string error;
        if (!display_.connect(error)) {
            std::fprintf(stderr, "kelvanti-editor: %s\n", error.c_str());
            return 4;
        }
        display_.adoptParent(parent);
        others_ = display_.popupWindows();   // not the editor's: there before it opened
        int status = 0;
        for (const Action& action : options_.actions) {
            if (!settle(true)) giveUp("the editor's thread has been in effEditIdle for 10 s and no popup opened");
            popupsBefore_ = editorPopups();
            if (!perform(action)) status = 4;
        }
        // After the last action a popup may still be open: someone else
        // (a test, a reviewer) may choose in it meanwhile.
        if (!settle(false)) {
            if (editorPopups().empty()) giveUp("the editor's thread has been in effEditIdle for 10 s and no popup opened");
            std::fprintf(stderr,
                         "kelvanti-editor: a popup menu was still open 10 s after the last action; closing it with Escape\n");
            display_.key("Escape");
            status = 4;
            if (!settle(false)) giveUp("the popup menu did not close on Escape");
        }
        return status;
    }

private:
    std::vector<uint32_t> editorPopups() {
        std::vector<uint32_t> popups;
        for (uint32_t window : display_.popupWindows())
            if (std::find(others_.begin(), others_.end(), window) == others_.end()) popups.push_back(window);
        return popups;
    }

    // Waits until the editor had kSettleIdles more idle calls or, when a
    // popup may do, until a popup of the editor holds the keyboard and has
    // taken the last action in: a popup that the action opened, changed or
    // closed in part has; one that looks as before gets kPopupInputMs for it.
    // False after 10 s.
    bool settle(bool popupWillDo) {
        const uint64_t mark = session_.idles();
        for (int waited = 0; waited < kSettleLimitMs; waited += kPollMs) {
            if (session_.idles() >= mark + kSettleIdles) return true;
            if (popupWillDo && session_.inIdle()) {
                const std::vector<uint32_t> popups = editorPopups();
                if (!popups.empty() && (popups != popupsBefore_ || waited >= kPopupInputMs) &&
                    display_.keyboardGrabbedElsewhere())
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
        }
        return false;
    }

    [[noreturn]] void giveUp(const char* why) {
        std::fprintf(stderr, "kelvanti-editor: %s; giving up\n", why);
        std::fflush(stdout);
        std::fflush(stderr);
        std::_Exit(4);   // the editor's thread cannot be brought back
    }

    bool perform(const Action& action) {
        switch (action.kind) {
        case Action::Kind::Shot: {
            int width = 0;
            int height = 0;
            std::vector<uint8_t> rgb;
            if (!display_.photograph(width, height, rgb) || !pngtest::writeRgbFile(action.text, width, height, rgb)) {
                std::fprintf(stderr, "kelvanti-editor: cannot photograph the editor into %s\n", action.text.c_str());
                return false;
            }
            return true;
        }
        case Action::Kind::Click:
            display_.click(action.x, action.y, action.button, action.modifiers);
            return true;
        case Action::Kind::Drag:
            display_.drag(action.x, action.y, action.dx, action.dy, action.button, action.modifiers);
            return true;
        case Action::Kind::Cover:
            display_.cover();
            return true;
        case Action::Kind::FocusAway:
            display_.focusAway();
            return true;
        case Action::Kind::Idle:
            // The editor's thread idles all the while.
            std::this_thread::sleep_for(std::chrono::milliseconds(action.ms));
            return true;
        case Action::Kind::Reopen: {
            uint32_t parent = 0;
            const bool opened = session_.onEditorThread([&](HostDisplay& display) {
                std::string error;
                if (!display.addParent(error)) {
                    std::fprintf(stderr, "kelvanti-editor: --reopen: %s\n", error.c_str());
                    return false;
                }
                parent = display.parent();
                return session_.open();
            });
            if (parent) display_.adoptParent(parent);
            if (options_.log) std::printf("reopen %d\n", opened ? 1 : 0);
            std::fflush(stdout);
            return opened;
        }
        case Action::Kind::Windows:
            return session_.onEditorThread([&](HostDisplay& display) {
                const std::vector<int> counts = display.childCounts();
                for (size_t i = 0; options_.log && i < counts.size(); ++i) std::printf("windows %zu %d\n", i, counts[i]);
                std::fflush(stdout);
                return true;
            });
        case Action::Kind::Wheel:
            display_.wheel(action.x, action.y, action.notches);
            return true;
        case Action::Kind::Key:
            if (!display_.key(action.text)) {
                std::fprintf(stderr, "kelvanti-editor: the keyboard has no key %s\n", action.text.c_str());
                return false;
            }
            return true;
        case Action::Kind::DropText:
        case Action::Kind::DropFile: {
            const bool text = action.kind == Action::Kind::DropText;
            // The editor's thread idles meanwhile: waiting is all there is to do here.
            const std::string answer = display_.drop(action.x, action.y,
                                                     text ? "text/plain;charset=utf-8" : "text/uri-list",
                                                     text ? action.text : fileUri(action.text), [] {});
            if (options_.log) {
                std::printf("drop %s\n", answer.c_str());
                std::fflush(stdout);
            }
            if (answer == "no target" || answer == "timeout") {
                std::fprintf(stderr, "kelvanti-editor: drop at %d,%d: %s\n", action.x, action.y, answer.c_str());
                return false;
            }
            return true;
        }
        }
        return false;
    }

    static constexpr int kSettleIdles = 4;
    static constexpr int kSettleLimitMs = 10000;
    static constexpr int kPollMs = 10;
    static constexpr int kPopupInputMs = 250;   // the popup's loop reads its input every 10 ms

    const Options& options_;
    EditorSession& session_;
    HostDisplay display_;
    std::vector<uint32_t> others_;
    std::vector<uint32_t> popupsBefore_;
};

// On a connection of its own: covers the editor, gives it 300 ms to repaint,
// photographs it.
bool photographFromAside(uint32_t parent, const std::string& path) {
    HostDisplay aside;
    std::string error;
    if (!aside.connect(error)) return false;
    aside.adoptParent(parent);
    aside.cover();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    return aside.photograph(width, height, rgb) && pngtest::writeRgbFile(path, width, height, rgb);
}

void logCall(const vsthost::HostCall& call) {
    switch (call.opcode) {
    case audioMasterAutomate: std::printf("automate %d %.6f\n", call.index, static_cast<double>(call.opt)); break;
    case audioMasterBeginEdit: std::printf("beginEdit %d\n", call.index); break;
    case audioMasterEndEdit: std::printf("endEdit %d\n", call.index); break;
    case audioMasterIdle: {
        const auto since = std::chrono::steady_clock::now().time_since_epoch();
        std::printf("idle %lld\n",
                    static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count()));
        break;
    }
    case audioMasterSizeWindow: std::printf("sizeWindow %d %d\n", call.index, static_cast<int>(call.value)); break;
    default: return;
    }
    std::fflush(stdout);
}

int run(const Options& options) {
    vsthost::Host host;
    host.answers().product = "kelvanti-editor";
    host.answers().canDo["sizeWindow"] = 1;
    host.answers().recordCalls = false;
    HostDisplay display;
    vsthost::PluginInstance* opened = nullptr;   // set once the editor is open
    bool closedInIdle = false;
    host.answers().script = [&](const vsthost::HostCall& call) -> std::optional<VstIntPtr> {
        if (options.log) logCall(call);
        if (call.opcode == audioMasterIdle && options.closeInIdle && opened && !closedInIdle) {
            closedInIdle = true;
            if (options.log) std::printf("effEditClose from idle\n");
            opened->dispatch(effEditClose);
        }
        if (call.opcode == audioMasterSizeWindow && display.parent() && call.index > 0 && call.value > 0) {
            display.resizeParent(call.index, static_cast<int>(call.value));
            return 1;
        }
        return std::nullopt;
    };

    std::string error;
    std::unique_ptr<vsthost::PluginInstance> plugin = vsthost::PluginInstance::load(options.plugin, host, error);
    if (!plugin) {
        std::fprintf(stderr, "kelvanti-editor: %s\n", error.c_str());
        return 2;
    }
    plugin->open();
    plugin->setSampleRate(44100.0f);
    plugin->setBlockSize(512);
    plugin->resume();
    if (!(plugin->effect()->flags & effFlagsHasEditor)) {
        std::fprintf(stderr, "kelvanti-editor: %s has no editor\n", options.plugin.c_str());
        return 2;
    }
    ERect* rect = nullptr;
    plugin->dispatch(effEditGetRect, 0, 0, &rect);
    const int width = rect ? rect->right - rect->left : 0;
    const int height = rect ? rect->bottom - rect->top : 0;
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) {
        std::fprintf(stderr, "kelvanti-editor: effEditGetRect gave no usable rectangle\n");
        return 2;
    }
    if (!display.connect(error) || !display.createParent(width, height, options.argbParent, error)) {
        std::fprintf(stderr, "kelvanti-editor: %s\n", error.c_str());
        return 2;
    }
    EditorSession session(*plugin, display);

    if (options.cycles > 0) {
        // One cycle first, so what opens once per process is not counted.
        if (!session.open()) return 3;
        session.idleOnce();
        session.close();
        const int closed = openDescriptors();
        session.open();
        const int opened = openDescriptors();
        session.close();
        for (int i = 0; i < options.cycles; ++i) {
            if (!session.open()) {
                std::fprintf(stderr, "kelvanti-editor: effEditOpen answered 0 in cycle %d\n", i + 1);
                return 3;
            }
            session.idleOnce();
            session.close();
        }
        std::printf("descriptors: closed %d open %d after %d cycles %d\n", closed, opened, options.cycles,
                    openDescriptors());
        return 0;
    }

    if (!session.open()) {
        std::fprintf(stderr, "kelvanti-editor: effEditOpen answered 0\n");
        return 3;
    }
    opened = plugin.get();
    std::thread photographer;
    bool photographed = true;
    if (options.shotDuringMs >= 0) {
        photographed = false;
        photographer = std::thread([&options, &photographed, parent = display.parent()] {
            std::this_thread::sleep_for(std::chrono::milliseconds(options.shotDuringMs));
            photographed = photographFromAside(parent, options.shotDuringFile);
        });
    }
    int status = 0;
    std::atomic<bool> acted{false};
    Actions actions(options, session);
    std::thread actor([&, parent = display.parent()] {
        status = actions.run(parent);
        acted = true;
    });
    while (!acted) {
        session.runRequested();
        session.idleOnce();
        std::this_thread::sleep_for(std::chrono::milliseconds(kIdlePeriodMs));
    }
    actor.join();
    if (photographer.joinable()) photographer.join();
    if (!photographed) {
        std::fprintf(stderr, "kelvanti-editor: cannot photograph the editor into %s\n", options.shotDuringFile.c_str());
        status = 4;
    }
    if (options.destroyParentFirst) {
        display.destroyParent();
        session.idleFor(kSettleMs);
    }
    session.close();
    opened = nullptr;
    if (options.log) {
        std::printf("program %d\n", static_cast<int>(plugin->dispatch(effGetProgram)));
        for (VstInt32 i = 0; i < plugin->numParams(); ++i)
            std::printf("param %d %s %.6f %s\n", i, plugin->parameterName(i).c_str(),
                        static_cast<double>(plugin->getParameter(i)), plugin->parameterDisplay(i).c_str());
    }
    plugin->suspend();
    plugin->close();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    kelvanti_host::noteInheritedDescriptors();   // before any file is opened: 0, 1 and 2 never become its own
    Options options;
    std::string error;
    const bool parsed = argc >= 2 && editor_tool::parseOptions(argc, argv, options, error);
    if (options.help) {
        std::fputs(editor_tool::kUsage, stdout);
        return 0;
    }
    if (!parsed) {
        if (!error.empty()) std::fprintf(stderr, "kelvanti-editor: %s\n", error.c_str());
        std::fputs(editor_tool::kUsage, stderr);
        return 1;
    }
    return run(options);
}
