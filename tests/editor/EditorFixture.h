#pragma once
// The real plug-in object with its editor on a headless window, test skins
// of known sizes and colours in place of the art, and a host that logs what
// the editor tells it (edits, automation, window sizes).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "PngWriter.h"
#include "editor/ZendrixEditor_c.h"
#include "engine/instrument/Zendrix_c.h"
#include "gui/CBitmap.h"
#include "os/window/HeadlessWindow.h"
#include "resources/ResourceTable.h"

namespace editortest {

// Colour of strip image c: every image differs.
inline uint32_t stripColour(int c) { return 0xFF000000u | uint32_t(c * 4) << 16 | uint32_t(255 - c * 4) << 8 | 99u; }

struct TestSkins {
    std::vector<std::vector<uint8_t>> files;
    std::vector<resources::BuiltInResource> rows;

    static std::vector<uint8_t> image(int w, int h, uint32_t (*colourAt)(int x, int y, int w, int h)) {
        pngtest::Image img;
        img.width = w;
        img.height = h;
        img.colourType = 6;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const uint32_t c = colourAt(x, y, w, h);
                img.rows.insert(img.rows.end(), {uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), uint8_t(c >> 24)});
            }
        return pngtest::encode(img);
    }
    TestSkins() {
        auto add = [&](int id, std::vector<uint8_t> bytes) {
            files.push_back(std::move(bytes));
            rows.push_back({id, "PNG", "test", nullptr, nullptr});
        };
        auto page = [](int, int, int, int) { return 0xFF282830u; };
        auto halves = [](int, int y, int, int h) { return y < h / 2 ? 0xFF101010u : 0xFFC8C8C8u; };
        auto strip = [](int x, int y, int, int) { return stripColour((x / 25) * 11 + y / 25); };
        auto white = [](int, int, int, int) { return 0xFFFFFFFFu; };
        add(128, image(724, 160, page));
        add(129, image(724, 160, page));
        for (int id : {130, 132, 134, 135, 136}) add(id, image(20, 20, halves));
        add(131, image(30, 32, halves));
        add(137, image(60, 24, halves));
        add(138, image(125, 275, strip));
        add(139, image(14, 10, white));
        for (size_t i = 0; i < rows.size(); ++i) {
            rows[i].begin = files[i].data();
            rows[i].end = files[i].data() + files[i].size();
        }
        rows.push_back({0, nullptr, nullptr, nullptr, nullptr});
    }
};

// One table for the whole process: decoded skins are shared by every bitmap.
inline const resources::BuiltInResource* testSkinTable() {
    static TestSkins* skins = new TestSkins;
    return skins->rows.data();
}

struct HostLog {
    std::mutex lock;
    std::vector<std::string> lines;
    int sizeWindowCalls = 0;
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
        case audioMasterSizeWindow: if (log) log->add("sizeWindow"); return 1;
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
