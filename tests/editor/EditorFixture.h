#pragma once
// The real plug-in object with its editor on a headless window, test skins
// of known sizes and colours in place of the art, and a host that logs what
// the editor tells it (edits, automation, window sizes).
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "TestSkins.h"
#include "editor/ZendrixEditor_c.h"
#include "engine/instrument/Zendrix_c.h"
#include "gui/CBitmap.h"
#include "os/window/HeadlessWindow.h"
#include "resources/ResourceTable.h"

namespace editortest {

struct HostLog {
    std::mutex lock;
    std::vector<std::string> lines;
    std::string product = "Test Host";  // the host's product string
    std::atomic<int> idles{0};          // audioMasterIdle calls
    // Answers idle and automate calls as a host might (closing the editor, say).
    std::function<void(VstInt32 opcode)> onCall;
    void add(const std::string& line) {
        std::lock_guard<std::mutex> g(lock);
        lines.push_back(line);
    }
    std::vector<std::string> take() {
        std::lock_guard<std::mutex> g(lock);
        std::vector<std::string> out;
        out.swap(lines);
        return out;
    }
    static HostLog*& current() {
        static HostLog* log = nullptr;
        return log;
    }
    static VstIntPtr callback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void* ptr, float) {
        HostLog* log = current();
        switch (opcode) {
        case audioMasterVersion: return 2400;
        case audioMasterCanDo: return ptr && std::strcmp(static_cast<const char*>(ptr), "supplyIdle") == 0;
        case audioMasterBeginEdit: if (log) log->add("beginEdit " + std::to_string(index)); return 1;
        case audioMasterEndEdit: if (log) log->add("endEdit " + std::to_string(index)); return 1;
        case audioMasterGetProductString:
            if (!log || !ptr) return 0;
            std::strcpy(static_cast<char*>(ptr), log->product.c_str());
            return 1;
        case audioMasterSizeWindow: if (log) log->add("sizeWindow"); return 1;
        case audioMasterIdle:
        case audioMasterAutomate:
            if (log && opcode == audioMasterIdle) ++log->idles;
            if (log && log->onCall) log->onCall(opcode);
            return 0;
        default: return 0;
        }
    }
};

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        HostLog::current() = &log;
        plugin = std::make_unique<Zendrix_c>(&HostLog::callback, &editor::ZendrixEditor_c::make);
        plugin->dispatcher(effOpen, 0, 0, nullptr, 0.0f);
        plugin->dispatcher(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        plugin->dispatcher(effSetBlockSize, 0, 512, nullptr, 0.0f);
        editor = static_cast<editor::ZendrixEditor_c*>(plugin->getEditor());
    }
    void TearDown() override {
        plugin.reset();
        HostLog::current() = nullptr;
    }
    // Opens on a headless window; returns it (owned by the editor).
    os::HeadlessWindow* openHeadless() {
        auto window = std::make_unique<os::HeadlessWindow>(724, 160);
        os::HeadlessWindow* raw = window.get();
        if (!editor->openInWindow(std::move(window))) return nullptr;
        return raw;
    }
    uint32_t pixel(int x, int y) const { return editor->backBuffer().at(x, y); }
    // The strip image c as decoded, at (x, y) inside it.
    uint32_t stripPixel(int c, int x, int y) const {
        return strip.getPixels()->at((c / 11) * 25 + x, (c % 11) * 25 + y);
    }
    // True when the 25 x 25 area at (left, top) shows strip image c.
    bool showsImage(int left, int top, int c) const {
        for (int y = 0; y < 25; ++y)
            for (int x = 0; x < 25; ++x)
                if (pixel(left + x, top + y) != stripPixel(c, x, y)) return false;
        return true;
    }

    resources::ScopedExtraTable skins{testSkinTable()};
    VSTGUI::CBitmap strip{138};
    HostLog log;
    std::unique_ptr<Zendrix_c> plugin;
    editor::ZendrixEditor_c* editor = nullptr;
};

} // namespace editortest
