// kelvanti-editor: opens a VST 2.4 plug-in's editor inside a window of its
// own on the X display, drives it with XTEST input and XDND drops, and
// photographs it. For reviewers and tests (run it under xvfb-run -a).
// Exit codes: 0 done, 1 usage, 2 plug-in or display unusable, 3 effEditOpen
// answered 0, 4 an action could not be carried out.
#include <dirent.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "tools/host/editor/HostDisplay.h"
#include "tools/host/editor/Options.h"
#include "tools/png/PngWriter.h"
#include "tools/host/lib/Host.h"
#include "tools/host/lib/PluginInstance.h"

namespace {

using editor_tool::Action;
using editor_tool::HostDisplay;
using editor_tool::Options;

constexpr int kIdlePeriodMs = 50;
constexpr int kSettleMs = 200;   // idle time after opening and after each action

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

class EditorSession {
public:
    EditorSession(vsthost::PluginInstance& plugin, HostDisplay& display) : plugin_(plugin), display_(display) {}

    void idleOnce() {
        plugin_.dispatch(effEditIdle);
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

    // False when the action could not be carried out (said on stderr).
    bool perform(const Action& action, bool log) {
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
        case Action::Kind::Idle:
            idleFor(action.ms);
            return true;
        case Action::Kind::Reopen: {
            std::string error;
            if (!display_.addParent(error)) {
                std::fprintf(stderr, "kelvanti-editor: --reopen: %s\n", error.c_str());
                return false;
            }
            const bool opened = open();
            if (log) std::printf("reopen %d\n", opened ? 1 : 0);
            std::fflush(stdout);
            return opened;
        }
        case Action::Kind::Windows: {
            const std::vector<int> counts = display_.childCounts();
            for (size_t i = 0; log && i < counts.size(); ++i) std::printf("windows %zu %d\n", i, counts[i]);
            std::fflush(stdout);
            return true;
        }
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
            const std::string answer =
                display_.drop(action.x, action.y, text ? "text/plain;charset=utf-8" : "text/uri-list",
                              text ? action.text : fileUri(action.text), [this] { idleOnce(); });
            if (log) std::printf("drop %s\n", answer.c_str());
            if (answer == "no target" || answer == "timeout") {
                std::fprintf(stderr, "kelvanti-editor: drop at %d,%d: %s\n", action.x, action.y, answer.c_str());
                return false;
            }
            return true;
        }
        }
        return false;
    }

private:
    vsthost::PluginInstance& plugin_;
    HostDisplay& display_;
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
    session.idleFor(kSettleMs);
    int status = 0;
    for (const Action& action : options.actions) {
        if (!session.perform(action, options.log)) status = 4;
        session.idleFor(kSettleMs);
    }
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
    Options options;
    std::string error;
    if (argc < 2 || !editor_tool::parseOptions(argc, argv, options, error)) {
        if (!error.empty()) std::fprintf(stderr, "kelvanti-editor: %s\n", error.c_str());
        std::fputs(editor_tool::kUsage, stderr);
        return 1;
    }
    return run(options);
}
