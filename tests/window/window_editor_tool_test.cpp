// kelvanti-editor driving the toy editor plug-in on an X display (the test
// runs under xvfb-run -a): photographs, clicks, drags, wheel, keys, drops,
// the parent destroyed first, and open/close cycles.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#ifdef KELVANTI_TEST_READS_PNG
#include "tests/window/ReadPng.h"
#endif

#include "tests/host/support/ScratchFolder.h"
#include "os/window/HeadlessWindow.h"
#include "tests/window/toy/ToyEditor.h"
#include "tools/host/lib/Process.h"

namespace {

vsthost::ProcessResult runTool(const std::vector<std::string>& args) {
    std::vector<std::string> argv = vsthost::splitCommandPrefix(KELVANTI_EXEC_WRAPPER);
    argv.push_back(KELVANTI_EDITOR_TOOL);
    argv.push_back(KELVANTI_TOY_EDITOR_PLUGIN);
    argv.insert(argv.end(), args.begin(), args.end());
    return vsthost::runProcess(argv);
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

bool contains(const std::vector<std::string>& all, const std::string& line) {
    for (const auto& l : all)
        if (l == line) return true;
    return false;
}

// The lines of the log that are host callbacks of a gesture.
std::vector<std::string> gestureCalls(const std::vector<std::string>& log) {
    std::vector<std::string> out;
    for (const auto& l : log)
        if (l.rfind("beginEdit", 0) == 0 || l.rfind("automate", 0) == 0 || l.rfind("endEdit", 0) == 0) out.push_back(l);
    return out;
}

using render_run::ScratchFolder;

#ifdef KELVANTI_TEST_READS_PNG
// The toy's picture of a model, drawn by the toy editor on a headless window, as RGB.
std::vector<uint8_t> headlessRendering(const toy::ToyModel& model) {
    os::PixelSurface surface;
    toy::renderToy(model, surface);
    std::vector<uint8_t> rgb;
    for (uint32_t pixel : surface.pixels) {
        rgb.push_back(static_cast<uint8_t>(pixel >> 16));
        rgb.push_back(static_cast<uint8_t>(pixel >> 8));
        rgb.push_back(static_cast<uint8_t>(pixel));
    }
    return rgb;
}

#endif

TEST(EditorTool, ShotsEqualTheToysOwnRenderingPixelForPixel) {
#ifndef KELVANTI_TEST_READS_PNG
    GTEST_SKIP() << "libpng's development files are missing in this build: the photographs cannot be read";
#else
    ScratchFolder folder;
    const std::string before = folder.file("before.png");
    const std::string after = folder.file("after.png");
    const std::string argb = folder.file("argb.png");
    const auto run = runTool({"--shot", before, "--click", "30,30", "--shot", after});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto runArgb = runTool({"--argb-parent", "--shot", argb});
    ASSERT_EQ(runArgb.exitCode, 0) << runArgb.err;
    // Covered by a white window and uncovered: only the Expose events repaint it.
    const std::string covered = folder.file("covered.png");
    const auto runCovered = runTool({"--cover", "--shot", covered});
    ASSERT_EQ(runCovered.exitCode, 0) << runCovered.err;
    // Covered and photographed while the editor waits in its modal loop
    // ("m", 1.5 s from about 250 ms on): its paint-only pump repaints it.
    const std::string modal = folder.file("modal.png");
    const auto runModal = runTool({"--key", "m", "--shot-during", "700," + modal});
    ASSERT_EQ(runModal.exitCode, 0) << runModal.err;

    toy::ToyModel model;
    const std::vector<uint8_t> untouched = headlessRendering(model);
    model.values[toy::kPower] = 1.0f;
    const std::vector<uint8_t> switchedOn = headlessRendering(model);
    ASSERT_NE(untouched, switchedOn);   // the click shows

    const struct {
        std::string path;
        const std::vector<uint8_t>& expected;
    } shots[] = {{before, untouched}, {after, switchedOn}, {argb, untouched}, {covered, untouched}, {modal, untouched}};
    for (const auto& shot : shots) {
        int width = 0;
        int height = 0;
        std::vector<uint8_t> rgb;
        ASSERT_TRUE(readPng(shot.path, width, height, rgb)) << shot.path;
        EXPECT_EQ(width, toy::kWidth);
        EXPECT_EQ(height, toy::kHeight);
        size_t differing = 0;
        for (size_t i = 0; i < rgb.size() && i < shot.expected.size(); ++i) differing += rgb[i] != shot.expected[i];
        EXPECT_EQ(differing, 0u) << shot.path;
        EXPECT_EQ(rgb.size(), shot.expected.size());
    }
#endif
}

TEST(EditorTool, ClickDragAndWheelLogTheirGesturesInOrder) {
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> gestures;   // empty: check the prefix rows below
        std::string parameter;               // a "param" line of the log
    } rows[] = {
        // Press and release go out together, so both are queued before the next idle.
        {{"--click", "30,30"}, {"beginEdit 0", "automate 0 1.000000", "endEdit 0"}, "param 0 Power 1.000000 On"},
        {{"--click", "30,30", "--click", "30,30"},
         {"beginEdit 0", "automate 0 1.000000", "endEdit 0", "beginEdit 0", "automate 0 0.000000", "endEdit 0"},
         "param 0 Power 0.000000 Off"},
        // Beside every control, or with the right button: nothing.
        {{"--click", "5,5", "--click", "30,30,right"}, {}, "param 0 Power 0.000000 Off"},
        {{"--wheel", "30,80,2"},
         {"beginEdit 1", "automate 1 0.350000", "endEdit 1", "beginEdit 1", "automate 1 0.450000", "endEdit 1"},
         "param 1 Level 0.450000 0.450"},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = row.args;
        args.push_back("--log");
        const auto run = runTool(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const auto log = lines(run.out);
        EXPECT_EQ(gestureCalls(log), row.gestures) << run.out;
        EXPECT_TRUE(contains(log, row.parameter)) << run.out;
    }

    // A drag: press at 0.25, eight moves to 0.45, one gesture with values
    // rising in order and the host idled while the button was held.
    const auto run = runTool({"--drag", "70,75,40,0", "--log"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto calls = gestureCalls(lines(run.out));
    ASSERT_GE(calls.size(), 4u) << run.out;
    EXPECT_EQ(calls.front(), "beginEdit 1");
    EXPECT_EQ(calls[1], "automate 1 0.250000");
    EXPECT_EQ(calls[calls.size() - 2], "automate 1 0.450000");
    EXPECT_EQ(calls.back(), "endEdit 1");
    for (size_t i = 2; i + 1 < calls.size(); ++i) EXPECT_GT(calls[i], calls[i - 1]) << run.out;
    const auto log = lines(run.out);
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string& l) { return l.rfind("idle ", 0) == 0; }))
        << run.out;
}

TEST(EditorTool, KeysAndDropsReachTheEditor) {
    const std::string path = "/tmp/a b/\xC3\xA9t\xC3\xA9 100%.txt";
    char files[16];
    std::snprintf(files, sizeof files, "%08x", toy::fnv1a(path));
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> expected;
    } rows[] = {
        {{"--key", "c", "--key", "Tab", "--key", "A", "--key", "BackSpace"}, {"param 2 Text 0.000000 abc<2>"}},
        {{"--drop-text", "40,120,hello"}, {"drop accepted", "param 2 Text 0.100000 hello"}},
        // On the switch the text is refused by the editor: the field keeps its text.
        {{"--drop-text", "30,30,elsewhere"}, {"param 2 Text 0.000000 ab"}},
        // The same drop on the field whose mouse is disabled: refused, it keeps its text.
        {{"--drop-text", std::to_string(toy::kLockedBox.x + 20) + "," + std::to_string(toy::kLockedBox.y + 10) + ",hello"},
         {"param 4 Locked 0.000000 --", "param 2 Text 0.000000 ab"}},
        {{"--drop-file", std::to_string(toy::kFreeX) + "," + std::to_string(toy::kFreeY) + "," + path}, {"drop accepted", "param 3 Files 0.000000 " + std::string(files)}},
    };
    for (const auto& row : rows) {
        std::vector<std::string> args = row.args;
        args.push_back("--log");
        const auto run = runTool(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        for (const auto& line : row.expected) EXPECT_TRUE(contains(lines(run.out), line)) << line << "\n" << run.out;
    }
}

TEST(EditorTool, AFileDialogThatWaitsKeepsTheEditorPaintedAndItsAnswerArrives) {
#ifndef KELVANTI_TEST_READS_PNG
    GTEST_SKIP() << "libpng's development files are missing in this build: the photographs cannot be read";
#else
    // A fake dialog helper (first on PATH) that answers after 2 s.
    ScratchFolder folder;
    const std::string helper = folder.file("zenity");
    {
        FILE* script = std::fopen(helper.c_str(), "w");
        ASSERT_NE(script, nullptr);
        std::fputs("#!/bin/sh\nsleep 2\necho /tmp/chosen.fxp\n", script);
        std::fclose(script);
        ASSERT_EQ(::chmod(helper.c_str(), 0755), 0);
    }
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    ::setenv("PATH", (folder.file("") + ":" + oldPath).c_str(), 1);
    const std::string during = folder.file("during.png");
    const std::string button = std::to_string(toy::kDialogButtonBox.x + 10) + "," + std::to_string(toy::kDialogButtonBox.y + 10);
    const auto run = runTool({"--click", button, "--shot-during", "1000," + during, "--log"});
    ::setenv("PATH", oldPath.c_str(), 1);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    char files[16];
    std::snprintf(files, sizeof files, "%08x", toy::fnv1a("/tmp/chosen.fxp"));
    EXPECT_TRUE(contains(lines(run.out), "param 3 Files 0.000000 " + std::string(files))) << run.out;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(readPng(during, width, height, rgb));
    EXPECT_EQ(rgb, headlessRendering(toy::ToyModel{}));   // covered during the wait, and painted again
#endif
}

TEST(EditorTool, TheParentDestroyedFirstACloseFromIdleAndManyOpenCloseCyclesEndCleanly) {
    const auto destroyed = runTool({"--click", "30,30", "--destroy-parent-first", "--log"});
    EXPECT_EQ(destroyed.exitCode, 0) << destroyed.err;
    EXPECT_EQ(destroyed.err, "");
    EXPECT_TRUE(contains(lines(destroyed.out), "param 0 Power 1.000000 On")) << destroyed.out;

    // The host closes the editor from its idle in the middle of a drag: the
    // gesture still ends, the editor is gone afterwards (the click after it
    // reaches nothing), and nothing is used after it was freed.
    const auto closing = runTool({"--drag", "70,75,40,0", "--close-in-idle", "--click", "30,30", "--log"});
    EXPECT_EQ(closing.exitCode, 0) << closing.err;
    const auto closingLog = lines(closing.out);
    const auto closeAt = std::find(closingLog.begin(), closingLog.end(), "effEditClose from idle");
    ASSERT_NE(closeAt, closingLog.end()) << closing.out;
    EXPECT_NE(std::find(closeAt, closingLog.end(), "endEdit 1"), closingLog.end()) << closing.out;
    EXPECT_FALSE(contains(closingLog, "beginEdit 0")) << closing.out;

    const auto cycles = runTool({"--cycles", "100"});
    ASSERT_EQ(cycles.exitCode, 0) << cycles.err;
    int closed = -1;
    int open = -1;
    int count = -1;
    int after = -1;
    ASSERT_EQ(std::sscanf(cycles.out.c_str(), "descriptors: closed %d open %d after %d cycles %d", &closed, &open,
                          &count, &after),
              4)
        << cycles.out;
    EXPECT_GT(open, closed);   // an open editor holds its connection: the count sees it
    EXPECT_EQ(count, 100);
    EXPECT_EQ(after, closed);
}

} // namespace
