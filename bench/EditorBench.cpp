// kelvanti-editor-bench: what the open editor costs. The plug-in object and
// its editor run in this process on a headless window; without the skin art
// in the tree, test skins of the same sizes stand in (so knobs really draw).
//   idle        one effEditIdle with nothing changed; as a share of a core
//               at 25 idle calls a second (the most hosts send)
//   knob        one knob changed by the host and redrawn at the next idle
//               (the write itself measured apart and taken off); drawn into
//               the editor's pixels, without a window: what a window then
//               shows is the window's cost (the headless test window copies
//               its whole picture on every pump, an X window sends the area)
//   knob held   the button held on knob 0 for 1 s of real time without
//               moving (a headless window on the real clock): the CPU time
//               of the editor's thread, the host's idle calls, pixels shown
//   open        opening the editor again (skins cached), and closing it
//   memory      heap taken by one open editor (glibc's count)
#include <malloc.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

#include "TestSkins.h"
#include "editor/ZendrixEditor_c.h"
#include "engine/instrument/Zendrix_c.h"
#include "os/Clock.h"
#include "os/window/HeadlessWindow.h"

namespace {

using Clock = std::chrono::steady_clock;

int g_hostIdles = 0;

VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float) {
    if (opcode == audioMasterIdle) ++g_hostIdles;
    if (opcode == audioMasterVersion) return 2400;
    if (opcode == audioMasterCanDo) return ptr && std::strcmp(static_cast<const char*>(ptr), "supplyIdle") == 0;
    return 0;
}

double microsecondsEach(int runs, const Clock::time_point& start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count() / runs;
}

size_t heapInUse() { return mallinfo2().uordblks; }

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// A headless window on the real clock: its sleeps really sleep.
class RealTimeWindow : public os::HeadlessWindow {
public:
    RealTimeWindow() : HeadlessWindow(724, 160) {}
    uint32_t nowMs() override { return os::tickMs(); }
    void sleepMs(unsigned milliseconds) override { os::sleepMs(milliseconds); }
};

struct HeldKnob {
    double cpuMs = 0.0, wallMs = 0.0;
    int hostIdles = 0;
    uint64_t pixelsShown = 0;
};

// The button on knob 0 for a second, not moving, then released.
HeldKnob holdKnob(editor::ZendrixEditor_c& ed) {
    auto owned = std::make_unique<RealTimeWindow>();
    RealTimeWindow* window = owned.get();
    HeldKnob held;
    if (!ed.openInWindow(std::move(owned))) return held;
    ed.idle();
    const uint32_t pressed = os::tickMs();
    window->onPump([pressed, released = false](os::HeadlessWindow& w) mutable {
        if (!released && os::tickDiff(os::tickMs(), pressed) >= 1000) {
            released = true;
            w.injectRelease(74, 36, os::kMouseLeft);
        }
    });
    window->injectPress(74, 36, os::kMouseLeft);
    const uint64_t shownBefore = window->presentedPixels();
    const int idlesBefore = g_hostIdles;
    const double cpuBefore = threadCpuMs();
    const Clock::time_point start = Clock::now();
    ed.idle();
    held.cpuMs = threadCpuMs() - cpuBefore;
    held.wallMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    held.hostIdles = g_hostIdles - idlesBefore;
    held.pixelsShown = window->presentedPixels() - shownBefore;
    ed.close();
    return held;
}

} // namespace

int main(int argc, char** argv) {
    int runs = 2000;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0) runs = std::max(10, std::atoi(argv[2]));
    std::unique_ptr<resources::ScopedExtraTable> stand;
    const bool art = static_cast<bool>(resources::findByNumber("PNG", 138));
    if (!art) stand = std::make_unique<resources::ScopedExtraTable>(editortest::testSkinTable());

    auto plugin = std::make_unique<Zendrix_c>(&host, &editor::ZendrixEditor_c::make);
    plugin->dispatcher(effOpen, 0, 0, nullptr, 0.0f);
    auto* ed = static_cast<editor::ZendrixEditor_c*>(plugin->getEditor());
    auto openOnce = [&] { return ed->openInWindow(std::make_unique<os::HeadlessWindow>(724, 160)); };
    auto openWithoutWindow = [&] { return ed->openInWindow(nullptr); };

    // The first open decodes the skins; later ones find them cached.
    const size_t before = heapInUse();
    if (!openWithoutWindow()) {
        std::fprintf(stderr, "kelvanti-editor-bench: the editor did not open\n");
        return 1;
    }
    const size_t openHeap = heapInUse() - before;
    for (int i = 0; i < 50; ++i) ed->idle();

    Clock::time_point t = Clock::now();
    for (int i = 0; i < runs; ++i) ed->idle();
    const double idleUs = microsecondsEach(runs, t);

    t = Clock::now();
    for (int i = 0; i < runs; ++i) {
        plugin->setParameter(0, (i & 1) ? 0.9f : 0.1f);
        ed->idle();
    }
    const double knobAndWriteUs = microsecondsEach(runs, t) - idleUs;

    ed->close();
    const HeldKnob held = holdKnob(*ed);
    openOnce();
    const int cycles = std::max(10, runs / 20);
    double openUs = 0.0, closeUs = 0.0;
    for (int i = 0; i < cycles; ++i) {
        t = Clock::now();
        ed->close();
        closeUs += microsecondsEach(1, t);
        t = Clock::now();
        openOnce();
        openUs += microsecondsEach(1, t);
    }
    ed->close();
    // The parameter write alone (editor closed), taken off the knob's time.
    t = Clock::now();
    for (int i = 0; i < runs; ++i) plugin->setParameter(0, (i & 1) ? 0.9f : 0.1f);
    const double writeUs = microsecondsEach(runs, t);
    const double knobUs = knobAndWriteUs - writeUs;
    plugin.reset();

    std::printf("skins:              %s\n", art ? "the art in resources/png" : "test skins of the same sizes");
    std::printf("idle, no change:    %.2f us per call, %.4f %% of a core at 25 calls a second\n", idleUs,
                idleUs * 25.0 / 1e6 * 100.0);
    std::printf("one knob redrawn:   %.2f us (the host's write of it %.2f us more)\n", knobUs, writeUs);
    std::printf("knob held 1 s:      %.1f ms of the editor thread's CPU in %.0f ms (%.2f %% of a core), %d host idles,"
                " %llu pixels shown (%.1f whole frames)\n",
                held.cpuMs, held.wallMs, held.wallMs > 0 ? held.cpuMs / held.wallMs * 100.0 : 0.0, held.hostIdles,
                static_cast<unsigned long long>(held.pixelsShown), static_cast<double>(held.pixelsShown) / (724.0 * 160.0));
    std::printf("open (cached):      %.3f ms, close %.3f ms\n", openUs / cycles / 1000.0, closeUs / cycles / 1000.0);
    std::printf("memory, open:       %.1f KiB more heap than closed-at-start (editor object %zu bytes)\n",
                openHeap / 1024.0, sizeof(editor::ZendrixEditor_c));
    return 0;
}
