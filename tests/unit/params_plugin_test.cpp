// The plug-in class on its own: what open builds (wave tables, copies between
// envelopes, fixed exactness, version label, controller map), the voices, and
// the parameter road's thread rules (per-thread nesting,
// the audio thread never waiting, the echo ring never flooding, drawing only
// on the editor's thread).
#include "engine/instrument/Zendrix_c.h"
#include "framework/synth/ParameterWriteScope.h"
#include "support/ScratchFolder.h"
#include "support/TestSynth.h"

#include <gtest/gtest.h>

#include <cmath>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// The plug-in with its protected parts and editor hooks opened up for tests.
class Plugin : public Zendrix_c {
public:
    Plugin() : Zendrix_c(&testsynth::FakeHost::callback) {}
    // As a host's effClose does: the idle timer stops before any class of the
    // object goes (a drain calls virtual hooks).
    ~Plugin() override { close(); }

    struct Notice {
        int32_t entry;
        bool now;
    };
    bool hasEditorListener() const override { return editorPresent; }
    bool onEditorThread() const override { return editorPresent; }
    void editorParameterChanged(int32_t entry, bool now) override { notices.push_back({entry, now}); }
    void onParameterChanged(int32_t row, Part_c* target, int32_t column) override {
        Zendrix_c::onParameterChanged(row, target, column);
        if (hook) hook(column);
    }

    bool editorPresent = false;
    std::vector<Notice> notices;
    std::function<void(int32_t column)> hook;
};

struct ParamsPlugin : ::testing::Test {
    void SetUp() override {
        ::setenv("KELVANTI_REGISTRY_DIR", registry.path().c_str(), 1);
        plugin.reset(new Plugin);
        plugin->open();
        plugin->setSampleRate(44100.0f);
        plugin->setBlockSize(256);
        plugin->resume();
    }
    void TearDown() override {
        plugin.reset();
        ::unsetenv("KELVANTI_REGISTRY_DIR");
    }
    void render(int frames, testsynth::Events* events = nullptr) {
        if (events) plugin->processEvents(events->list());
        testsynth::Block block(frames);
        plugin->processReplacing(nullptr, block.pointers, frames);
    }
    std::string valueText(Part_c& part, int column) {
        char text[64];
        part.getValueText(0, column, text, sizeof text);
        return text;
    }

    testsynth::FakeHost host;
    ScratchFolder registry;
    std::unique_ptr<Plugin> plugin;
};

TEST_F(ParamsPlugin, WaveformSelectsTheThreeTables) {
    Plugin& p = *plugin;
    const char* expected[3][3] = {{" Sine ", "DefSin", "ShSin "}, {" Sine ", " Sine ", "Triang"},
                                  {"Sawtoo", "HilSin", "Square"}};
    for (int w : {2, 0, 1, 2}) {
        p.setParameterFromHost(Zendrix_c::kWaveformEntry, w / 2.0f);
        ASSERT_EQ(p.globals().getValue(0, ZendrixGlo_c::kWaveform), w);
        for (int t = 0; t < 3; ++t) {
            EXPECT_EQ(valueText(p.waveTable(t), WaveROM_c::kWave1), expected[w][t]) << w << " " << t;
            EXPECT_NE(p.waveTable(t).getTable(0), nullptr);
        }
    }
    // The selected tables really differ between waveforms.
    p.setParameterFromHost(Zendrix_c::kWaveformEntry, 0.0f);
    const float* sine = p.waveTable(1).getTable(0);
    p.setParameterFromHost(Zendrix_c::kWaveformEntry, 1.0f);
    EXPECT_NE(p.waveTable(1).getTable(0), sine);
}

TEST_F(ParamsPlugin, BaseHoldIsCopiedToTheNoiseEnvelopeOnly) {
    Plugin& p = *plugin;
    p.setParameterFromHost(7, 0.6f); // "Base Hold"
    const int32_t hold = p.voice(0).baseEnvelope().getValue(0, EnvAHD_c::kHoldTime);
    EXPECT_GT(hold, 0);
    EXPECT_EQ(p.voice(0).noiseEnvelope().getValue(0, EnvAHD_c::kHoldTime), hold);
    EXPECT_EQ(p.voice(23).noiseEnvelope().getValue(0, EnvAHD_c::kHoldTime), hold); // one row for all voices
    EXPECT_EQ(p.voice(0).timbreEnvelope().getValue(0, EnvAHD_c::kHoldTime), 0);
    // The timbre envelope's velocity scale is copied to the other three.
    p.setParameterFromHost(23, 0.8f);
    const int32_t scale = p.voice(0).timbreEnvelope().getValue(0, EnvAHD_c::kVelocityScale);
    EXPECT_GT(scale, 0);
    EXPECT_EQ(p.voice(0).baseEnvelope().getValue(0, EnvAHD_c::kVelocityScale), scale);
    EXPECT_EQ(p.voice(0).noiseEnvelope().getValue(0, EnvAHD_c::kVelocityScale), scale);
    EXPECT_EQ(p.voice(0).pitchEnvelope().getValue(0, EnvAHDP_c::kVelocityScale), scale);
}

TEST_F(ParamsPlugin, ExactnessStaysAtPoint99AndTheVersionLabelHasOneBlank) {
    Plugin& p = *plugin;
    EXPECT_EQ(p.globals().getValue(0, ZendrixGlo_c::kExactness), 99);
    p.globals().setValue(0, ZendrixGlo_c::kExactness, 10);
    p.globals().setNormalized(0, ZendrixGlo_c::kExactness, 1.0f);
    EXPECT_EQ(p.globals().getValue(0, ZendrixGlo_c::kExactness), 99);
    char label[32];
    p.systemSettings().getText(0, SysGlo_c::kVersionText, label, sizeof label);
    EXPECT_STREQ(label, "1.1b ");
    char shown[32];
    p.getParameterText(Zendrix_c::kVersionLabelEntry, shown, 23);
    EXPECT_STREQ(shown, "1.1b ");
}

TEST_F(ParamsPlugin, PartDefaultsAndTheFactoryControllerMap) {
    Plugin& p = *plugin;
    EXPECT_EQ(p.instrumentSettings().getValue(0, SynGloIns_c::kChannel), 16);
    EXPECT_EQ(p.voice(0).baseEnvelope().getValue(0, EnvAHD_c::kPitchScale), 70);
    EXPECT_TRUE(p.voice(0).baseEnvelope().getBool(0, EnvAHD_c::kLogDecay));
    EXPECT_FALSE(p.voice(0).timbreEnvelope().getBool(0, EnvAHD_c::kLogDecay));
    EXPECT_EQ(p.voice(0).pitchEnvelope().getValue(0, EnvAHDP_c::kDepth), 0);
    p.voice(0).pitchEnvelope().setValue(0, EnvAHDP_c::kDepth, 48);
    EXPECT_EQ(p.voice(0).pitchEnvelope().getValue(0, EnvAHDP_c::kDepth), 24);
    std::vector<std::pair<int, int>> bindings;
    for (int i = 0; i < ECS2_c::kAssignments; ++i) {
        bool active = false;
        int channel = 0, controller = 0, instrument = 0, target = 0;
        if (p.controllerAssignment().getAssignment(i, active, channel, controller, instrument, target) && active)
            bindings.push_back({controller, target});
    }
    EXPECT_EQ(bindings.size(), 25u);
    auto targetOf = [&](int controller) {
        for (auto& b : bindings)
            if (b.first == controller) return b.second;
        return -1;
    };
    EXPECT_EQ(targetOf(105), 10);
    EXPECT_EQ(targetOf(69), 0);
    EXPECT_EQ(targetOf(78), 9);
    EXPECT_EQ(targetOf(79), 11);
    EXPECT_EQ(targetOf(89), 21);
    EXPECT_EQ(targetOf(104), 24);
    EXPECT_EQ(targetOf(90), -1);
}

TEST_F(ParamsPlugin, TwentyFourNotesUseEveryVoiceAndTheNextStealsTheOldest) {
    Plugin& p = *plugin;
    testsynth::Events events;
    events.add(0, 0x90, 36, 100);
    render(256, &events);
    std::this_thread::sleep_for(5ms); // the first note is strictly the oldest
    events.clear();
    for (int i = 1; i < 24; ++i) events.add(i * 10, 0x90, static_cast<uint8_t>(36 + i), 100);
    render(256, &events);
    EXPECT_EQ(p.voiceTable().voicesInUse(), 24);
    int oldest = -1;
    for (int s = 0; s < 24; ++s)
        if (p.voiceTable().getSlot(s)->note == 36) oldest = s;
    ASSERT_GE(oldest, 0);
    events.clear();
    events.add(5, 0x90, 90, 100);
    render(256, &events);
    EXPECT_EQ(p.voiceTable().voicesInUse(), 24);
    EXPECT_EQ(p.voiceTable().getSlot(oldest)->note, 90);
    for (int s = 0; s < 24; ++s)
        if (s != oldest) {
            EXPECT_NE(p.voiceTable().getSlot(s)->note, 90);
        }
}

TEST_F(ParamsPlugin, AnotherThreadsWriteWaitsForTheLockAndLeavesItFree) {
    Plugin& p = *plugin;
    std::promise<void> entered, release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<int> inHandler{0};
    std::atomic<int> overlap{0};
    p.hook = [&](int32_t column) {
        if (inHandler.fetch_add(1) > 0) overlap++;
        if (column == ZenOsc_c::kDrive) {
            entered.set_value();
            released.wait();
        }
        inHandler.fetch_sub(1);
    };
    std::thread a([&] { p.setParameterFromHost(4, 0.3f); }); // "Timbre Drive": waits inside the lock
    entered.get_future().wait();
    std::thread b([&] { p.setParameterFromHost(9, 0.7f); }); // "Base Sound": must wait for A
    std::this_thread::sleep_for(50ms);
    EXPECT_EQ(overlap.load(), 0);
    release.set_value();
    a.join();
    b.join();
    EXPECT_EQ(overlap.load(), 0);
    p.hook = nullptr;
    // Neither thread kept the lock: a third thread takes it at once.
    auto taken = std::async(std::launch::async, [&] {
        const bool got = p.instrument().parameterLock().tryEnter();
        if (got) p.instrument().parameterLock().leave();
        return got;
    });
    EXPECT_TRUE(taken.get());
    EXPECT_EQ(ParameterWriteScope::currentDepth(), 0);
}

TEST_F(ParamsPlugin, TheAudioThreadsControllerWriteNeverWaits) {
    Plugin& p = *plugin;
    const Synth::ParameterTarget t = p.lookupParameter(21); // "Main Volume"
    ASSERT_TRUE(t.valid());
    p.instrument().parameterLock().enter(); // a long write elsewhere
    auto write = std::async(std::launch::async, [&] {
        ++threadrole::audioDepth(); // this thread now renders a block
        p.setParameterFromController(21, t.target, t.row, t.column, 0.25f);
        --threadrole::audioDepth();
    });
    const bool finished = write.wait_for(5s) == std::future_status::ready;
    // Queued, not written past the lock: the next block writes it.
    const float whileHeld = p.globals().getNormalized(0, ZendrixGlo_c::kMainVolume);
    p.instrument().parameterLock().leave();
    write.wait();
    EXPECT_TRUE(finished);
    EXPECT_GT(std::fabs(whileHeld - 0.25f), 0.01f);
    render(64);
    EXPECT_NEAR(p.globals().getNormalized(0, ZendrixGlo_c::kMainVolume), 0.25f, 0.01f);
}

TEST_F(ParamsPlugin, EchoRequestsDoNotFloodTheRingWhileProcessingIsStopped) {
    Plugin& p = *plugin;
    render(64); // echoes are accepted once a block was rendered
    const uint32_t before = p.toAudioRing().pendingCount();
    for (int i = 0; i < 3000; ++i) p.setParameterFromHost(i % 25, (i % 100) / 100.0f);
    // One pending echo per written parameter at most.
    EXPECT_LE(p.toAudioRing().pendingCount(), before + 25);
    EXPECT_TRUE(p.postAudioCommand(kCmdAllNotesOff, 0, 0, 0, 0, kPushAppend));
    render(64);
    EXPECT_EQ(p.toAudioRing().pendingCount(), 0u);
}

TEST_F(ParamsPlugin, EditorNoticesDrawAtOnceOnlyOnTheEditorsThreadAndFollowLinks) {
    Plugin& p = *plugin;
    p.editorPresent = true;
    p.setParameterFromHost(21, 0.5f);
    ASSERT_EQ(p.notices.size(), 1u);
    EXPECT_EQ(p.notices[0].entry, 21);
    EXPECT_TRUE(p.notices[0].now);
    p.notices.clear();
    ++threadrole::audioDepth(); // a host write arriving inside a block
    p.setParameterFromHost(21, 0.6f);
    --threadrole::audioDepth();
    ASSERT_EQ(p.notices.size(), 1u);
    EXPECT_FALSE(p.notices[0].now);
    p.notices.clear();
    p.notifyEditor(34, true);
    ASSERT_EQ(p.notices.size(), 3u);
    EXPECT_EQ(p.notices[1].entry, 33);
    EXPECT_EQ(p.notices[2].entry, 35);
}

TEST_F(ParamsPlugin, EditorRoadTextAndStepping) {
    Plugin& p = *plugin;
    p.setParameterFromEditor(10, 1.0f);
    EXPECT_EQ(p.getParameterIntByIndex(10), 2);
    p.stepParameter(10, false);
    EXPECT_EQ(p.getParameterIntByIndex(10), 1);
    p.stepParameter(10, true);
    p.stepParameter(10, true);
    EXPECT_EQ(p.getParameterIntByIndex(10), 2); // stays at the top
    // Entries above the visible ones are written without the host's automation.
    p.setParameterFromEditor(32, 1.0f);
    EXPECT_TRUE(p.globals().getBool(0, ZendrixGlo_c::kExactnessOn));
    // A text entry takes text; the host road never writes it.
    p.setParameterText(33, "Z");
    char shown[32];
    p.getParameterText(33, shown, 23);
    EXPECT_STREQ(shown, "Z");
    // Outside the map: nothing, and no crash.
    p.setParameterFromEditor(-1, 1.0f);
    p.setParameterFromEditor(44, 1.0f);
    p.setParameterText(-5, "x");
    p.stepParameter(99, true);
    EXPECT_EQ(p.findParameter(26), nullptr);
    EXPECT_NE(p.findParameter(0), nullptr);
}

} // namespace
