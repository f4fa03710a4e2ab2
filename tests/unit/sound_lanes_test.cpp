// The plug-in renders the same audio, bit for bit, whether its voices run
// in vector lanes (AVX2) or each alone (baseline): random notes at offsets
// off the 8-sample grid, 1 to 24 voices, notes released and ending inside
// blocks, voices killed, settings changed between blocks, host blocks of
// every size (slices of 256 and short ones between events).
#include "engine/dsp/KernelLevel.h"
#include "engine/instrument/Zendrix_c.h"
#include "os/Random.h"
#include "support/OsScratchFolder.h"
#include "support/TestSynth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using testsynth::Block;
using testsynth::Events;
using testsynth::FakeHost;

struct LevelGuard {
    dsp::KernelLevel saved = dsp::kernelLevel();
    ~LevelGuard() { dsp::forceKernelLevel(saved); }
};

// The host parameters the scenario moves: the four decays, drive, the
// oscillator/noise balance and the waveform.
constexpr VstInt32 kDecays[] = {2, 8, 15, 20};
constexpr VstInt32 kDrive = 4;
constexpr VstInt32 kNoiseMix = 17;
constexpr VstInt32 kWaveform = 10;

std::unique_ptr<Zendrix_c> openPlugin(float rate) {
    auto plugin = std::make_unique<Zendrix_c>(&FakeHost::callback);
    plugin->open();
    plugin->setSampleRate(rate);
    plugin->setBlockSize(1024);
    plugin->resume();
    plugin->fxIdle();
    return plugin;
}

} // namespace

TEST(SoundLanes, VoicesInLanesRenderWhatEachVoiceAloneRenders) {
    if (dsp::supportedKernelLevel() != dsp::KernelLevel::kAvx2) GTEST_SKIP() << "no AVX2 on this processor";
    LevelGuard guard;
    OsScratchFolder registry;
    ::setenv("KELVANTI_REGISTRY_DIR", registry.path().c_str(), 1);
    ::setenv("KELVANTI_RANDOM_SEED", "4711", 1);
    FakeHost host;
    for (float rate : {48000.0f, 44100.0f}) {
        // Two instances fed alike, one rendering each voice alone, one in lanes.
        std::unique_ptr<Zendrix_c> alone = openPlugin(rate);
        std::unique_ptr<Zendrix_c> lanes = openPlugin(rate);
        os::Random15 r;
        r.seed(static_cast<uint32_t>(rate));
        int compared = 0;
        float peak = 0.0f;
        // Phases of up to 24 notes; each ends with every voice killed and
        // faded, so no note is ever stolen.
        for (int phase = 0; phase < 14; ++phase) {
            const int notes = 1 + r.next() % 24;
            const float decay = r.next() % 2 ? 0.05f : 0.4f;
            const float mix = static_cast<float>(r.next() % 3) * 0.5f;
            for (Zendrix_c* p : {alone.get(), lanes.get()}) {
                for (VstInt32 d : kDecays) p->setParameter(d, decay);
                p->setParameter(kNoiseMix, mix);
            }
            int started = 0;
            for (int block = 0; block < 40; ++block) {
                const int frames = r.next() % 4 == 0 ? 1 + r.next() % 40 : 1 + r.next() % 700;
                struct Midi {
                    int offset;
                    uint8_t status, key, velocity;
                };
                std::vector<Midi> midi;
                for (int k = 0; k < 6 && started < notes; ++k, ++started) {
                    const int offset = r.next() % frames;
                    midi.push_back({offset, 0x90, static_cast<uint8_t>(30 + started * 3),
                                    static_cast<uint8_t>(20 + r.next() % 108)});
                }
                if (block > 3 && r.next() % 3 == 0) {
                    const int offset = r.next() % frames;
                    midi.push_back({offset, 0x80, static_cast<uint8_t>(30 + 3 * (r.next() % notes)), 64});
                }
                const float drive = static_cast<float>(r.next() % 10) * 0.1f;
                const int killed = r.next() % 9 == 0 ? r.next() % 24 : -1;
                Block outAlone(frames), outLanes(frames);
                for (Zendrix_c* p : {alone.get(), lanes.get()}) {
                    if (block % 5 == 1) p->setParameter(kDrive, drive);
                    if (block == 20) p->setParameter(kWaveform, 0.5f * static_cast<float>(phase % 3));
                    if (killed >= 0) p->killVoice(killed);
                    p->fxIdle();
                    dsp::forceKernelLevel(p == alone.get() ? dsp::KernelLevel::kBaseline : dsp::KernelLevel::kAvx2);
                    Events events;
                    for (const Midi& m : midi) events.add(m.offset, m.status, m.key, m.velocity);
                    p->processEvents(events.list());
                    Block& out = p == alone.get() ? outAlone : outLanes;
                    p->processReplacing(nullptr, out.pointers, frames);
                }
                ASSERT_EQ(std::memcmp(outAlone.left.data(), outLanes.left.data(), sizeof(float) * frames), 0)
                    << "rate " << rate << " phase " << phase << " block " << block;
                ASSERT_EQ(std::memcmp(outAlone.right.data(), outLanes.right.data(), sizeof(float) * frames), 0);
                for (float x : outLanes.left) peak = std::max(peak, std::fabs(x));
                ++compared;
            }
            for (Zendrix_c* p : {alone.get(), lanes.get()}) {
                p->killPartVoices(0);
                Block out(2048);
                dsp::forceKernelLevel(p == alone.get() ? dsp::KernelLevel::kBaseline : dsp::KernelLevel::kAvx2);
                p->processReplacing(nullptr, out.pointers, 2048);
            }
        }
        EXPECT_EQ(compared, 14 * 40);
        EXPECT_GT(peak, 0.05f); // the voices sounded
        // The lanes did render (the baseline instance never uses them).
        EXPECT_GT(lanes->voiceLanes().slicesRendered(), 100);
        EXPECT_EQ(alone->voiceLanes().slicesRendered(), 0);
        alone->close();
        lanes->close();
    }
    ::unsetenv("KELVANTI_RANDOM_SEED");
}
