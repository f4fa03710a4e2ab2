// The audio thread never waits and never touches files. Another thread takes
// a ring's guard or a lock and keeps it while an audio thread acts and then
// renders 100 blocks: all 100 must complete while it is held, and the
// postponed work must happen only after it is released. Controller writes
// whose handlers read or write files go to the idle side.
#include "engine/instrument/Zendrix_c.h"
#include "support/ScratchFolder.h"
#include "support/TestSynth.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <sstream>
#include <string>

using namespace testsynth;

namespace {

constexpr int kHeldBlocks = 100;
constexpr auto kHangGuard = std::chrono::seconds(10);

void renderBlock(Synth& synth, Events* events = nullptr) {
    if (events) synth.processEvents(events->list());
    Block block(64);
    synth.processReplacing(nullptr, block.pointers, 64);
}

void playNote(Synth& synth, uint8_t key) {
    Events e;
    e.add(0, 0x90, key, 100);
    renderBlock(synth, &e);
}

bool anyVoiceReleased(TestSynth& synth) {
    for (int i = 0; i < synth.voiceCount(); ++i)
        if (synth.tone(i).released) return true;
    return false;
}

// One thing another thread holds, what the audio thread does meanwhile, and
// how the postponed work is seen.
struct HeldCase {
    std::string name;
    std::function<void(TestSynth&)> prepare;     // test thread, before the hold
    std::function<void(TestSynth&)> take, give;  // the holding thread
    std::function<void(TestSynth&)> act;         // the audio thread, between its blocks
    std::function<bool(TestSynth&)> done;        // the postponed work has happened
    std::function<void(TestSynth&)> settle;      // after the release: what runs it
};

TEST(SynthAudioSide, HeldGuardsAndLocksNeverStallTheAudioThread) {
    std::unique_ptr<CmdBuffer_c::Hold> ringHold;
    const HeldCase cases[] = {
        {"to-audio ring guard: a command posted between blocks",
         [](TestSynth& s) { playNote(s, 60); },
         [&](TestSynth& s) { ringHold.reset(new CmdBuffer_c::Hold(s.toAudioRing())); },
         [&](TestSynth&) { ringHold.reset(); },
         [](TestSynth& s) { s.postAudioCommand(kCmdAllNotesOff, 0, 0); },
         [](TestSynth& s) { return anyVoiceReleased(s); },
         [](TestSynth& s) { renderBlock(s); }},
        {"to-idle ring guard: a MIDI program change decoded in a block",
         [](TestSynth&) {},
         [&](TestSynth& s) { ringHold.reset(new CmdBuffer_c::Hold(s.toIdleRing())); },
         [&](TestSynth&) { ringHold.reset(); },
         [](TestSynth& s) {
             Events e;
             e.add(0, 0xC0, 5, 0);
             s.processEvents(e.list());
         },
         [](TestSynth& s) { return s.partPrograms.size() == 1 && s.partPrograms[0].second == 5; },
         [](TestSynth& s) {
             renderBlock(s);
             s.fxIdle();
         }},
        {"part's parameter lock: host automation between blocks",
         [](TestSynth& s) {
             s.setParameterEntry(0, "Velo Fade", EPAS_c::kCurrentPart, &s.instrumentSettings(),
                                 SynGloIns_c::kVeloFade, false);
         },
         [](TestSynth& s) { s.instrument().parameterLock().enter(); },
         [](TestSynth& s) { s.instrument().parameterLock().leave(); },
         [](TestSynth& s) { s.setParameter(0, 0.9f); },
         [](TestSynth& s) {
             // Written, and its follow-up (the controller echo) ran once.
             return s.instrumentSettings().getValue(0, SynGloIns_c::kVeloFade) > 90 &&
                    s.controllerEchoes.size() == 1;
         },
         [](TestSynth& s) { renderBlock(s); }},
        {"plug-in lock (an idle call loading a preset): resume on the audio thread",
         [](TestSynth& s) {
             playNote(s, 62);
             s.suspend();
         },
         [](TestSynth& s) { s.lock().enter(); },
         [](TestSynth& s) { s.lock().leave(); },
         [](TestSynth& s) { s.resume(); },
         [](TestSynth& s) { return s.isResumed() && anyVoiceReleased(s); },
         [](TestSynth& s) { s.fxIdle(); }},
    };

    for (const HeldCase& c : cases) {
        SCOPED_TRACE(c.name);
        FakeHost host;
        host.canDo["supplyIdle"] = 1;
        TestSynth synth(&FakeHost::callback);
        synth.resume();
        renderBlock(synth);
        ASSERT_TRUE(synth.isReady());
        c.prepare(synth);
        ASSERT_FALSE(c.done(synth));

        c.take(synth);
        int rendered = 0;
        // A fresh thread: one block makes it an audio thread, then it acts
        // between blocks and renders on.
        auto audio = std::async(std::launch::async, [&] {
            renderBlock(synth);
            c.act(synth);
            for (; rendered < kHeldBlocks; ++rendered) renderBlock(synth);
        });
        const bool completed = audio.wait_for(kHangGuard) == std::future_status::ready;
        const bool doneWhileHeld = completed && c.done(synth);
        c.give(synth);
        audio.wait();
        EXPECT_TRUE(completed) << "the audio thread waited for the holder";
        EXPECT_EQ(rendered, kHeldBlocks);
        EXPECT_FALSE(doneWhileHeld) << "the postponed work ran while the holder held on";

        c.settle(synth);
        EXPECT_TRUE(c.done(synth)) << "the postponed work never ran after the release";
    }
}

// A MIDI reset decoded while another thread holds the to-audio ring cannot
// cancel the editor's waiting notes at once; the next block does, also a
// block with nothing to play. Otherwise the cancel waits on and takes a
// note the editor plays long after the reset.
TEST(SynthAudioSide, AResetsCancelOfEditorNotesEndsAtTheNextBlock) {
    for (const bool ringHeld : {false, true}) {
        SCOPED_TRACE(ringHeld ? "reset while the ring is held" : "reset with the ring free");
        FakeHost host;
        host.canDo["supplyIdle"] = 1;
        TestSynth synth(&FakeHost::callback);
        synth.resume();
        renderBlock(synth);
        Events reset;
        reset.add(0, 0xFF, 0, 0);
        {
            std::unique_ptr<CmdBuffer_c::Hold> hold(ringHeld ? new CmdBuffer_c::Hold(synth.toAudioRing()) : nullptr);
            renderBlock(synth, &reset);
        }
        renderBlock(synth); // nothing sounds, nothing is queued
        ASSERT_EQ(synth.voiceTable().heldVoices(), 0);
        ASSERT_TRUE(synth.queueEditorNote(0, 60, 100, 0, true));
        renderBlock(synth);
        EXPECT_EQ(synth.voiceTable().heldVoices(), 1) << "the editor's note was cancelled";
    }
}

// The postponed store hands its records on in order, stops at a ring that is
// still busy and resumes there; a full store refuses; tryPush never waits.
TEST(SynthAudioSide, PostponedPushesKeepTheirOrderAndWaitForTheRing) {
    CmdBuffer_c ring(8, nullptr);
    PostponedCommands later;
    HoldData_c record;
    record.code = kCmdAllNotesOff;
    for (uint32_t i = 0; i < PostponedCommands::kCapacity; ++i) {
        record.a = static_cast<int16_t>(i);
        ASSERT_TRUE(later.put(record, kPushAppend));
    }
    EXPECT_FALSE(later.put(record, kPushAppend)); // full
    {
        CmdBuffer_c::Hold hold(ring);
        EXPECT_EQ(ring.tryPush(record, kPushAppend), CmdBuffer_c::PushOutcome::Busy);
        EXPECT_FALSE(ring.tryCancel(kCmdAllNotesOff));
        later.flush([&](const HoldData_c& r, int mode) {
            return ring.tryPush(r, mode) != CmdBuffer_c::PushOutcome::Busy;
        });
    }
    EXPECT_EQ(ring.pendingCount(), 0u);
    // The ring takes 7; the 8th push is refused (taken from the store, lost),
    // the rest stay for a later flush.
    int handed = 0;
    later.flush([&](const HoldData_c& r, int mode) {
        ++handed;
        return ring.tryPush(r, mode) != CmdBuffer_c::PushOutcome::Busy;
    });
    EXPECT_EQ(handed, static_cast<int>(PostponedCommands::kCapacity));
    EXPECT_TRUE(later.empty());
    HoldData_c out;
    for (int16_t i = 0; i < 7; ++i) {
        ASSERT_TRUE(ring.pop(out));
        EXPECT_EQ(out.a, i);
    }
    EXPECT_FALSE(ring.pop(out));
}

// Controller messages on the audio thread that reach the system settings
// (the registry) or the tuning table's load command (a .TUN file).
class FileWorkPlugin : public Zendrix_c {
public:
    FileWorkPlugin() : Zendrix_c(&FakeHost::callback) {}
    ~FileWorkPlugin() override { close(); }
};

std::map<std::string, std::string> folderContents(const std::string& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& item : std::filesystem::recursive_directory_iterator(folder)) {
        if (!item.is_regular_file()) continue;
        std::ifstream in(item.path(), std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        contents[item.path().string()] = bytes.str();
    }
    return contents;
}

TEST(SynthAudioSide, ControllerWritesWithFileWorkRunOnTheIdleSide) {
    ScratchFolder registry;
    ScratchFolder files;
    ::setenv("KELVANTI_REGISTRY_DIR", registry.path().c_str(), 1);
    {
        FakeHost host;
        host.canDo["supplyIdle"] = 1;
        FileWorkPlugin plugin;
        plugin.setSampleRate(44100.0f);
        plugin.resume();
        renderBlock(plugin);
        plugin.fxIdle();

        // Assignments as a stored table or a bank's controller block brings
        // them: controller 85 to entry 31 (a system setting), 86 to entry 43
        // (the tuning table's load command).
        ECS2_c& ecs = plugin.controllerAssignment();
        ASSERT_LT(ecs.addAssignment(0, 85, 0, 31, true), ECS2_c::kAssignments);
        ASSERT_LT(ecs.addAssignment(0, 86, 0, 43, true), ECS2_c::kAssignments);
        const std::string tunPath = files.path() + "/raised.tun";
        NoteFreqTable_c& tuning = plugin.tuningTable();
        tuning.setText(0, NoteFreqTable_c::kLoadCommand, tunPath); // no file yet: nothing loads
        {
            std::ofstream tun(tunPath);
            tun << "note 69=8100\n"; // cents above key 0: A4 an octave up
        }
        const int32_t knobBefore = plugin.systemSettings().getValue(0, SysGlo_c::kKnobMovement);
        const float a4Before = tuning.getFrequency(69.0f);
        const auto registryBefore = folderContents(registry.path());

        Events e;
        e.add(0, 0xB0, 85, knobBefore == 0 ? 127 : 0);
        e.add(1, 0xB0, 86, 127);
        renderBlock(plugin, &e);
        // The block neither wrote the registry nor read the file.
        EXPECT_EQ(plugin.systemSettings().getValue(0, SysGlo_c::kKnobMovement), knobBefore);
        EXPECT_EQ(tuning.getFrequency(69.0f), a4Before);
        EXPECT_EQ(folderContents(registry.path()), registryBefore);
        EXPECT_EQ(plugin.idleSideParameterWriteCount(), 2u);

        // The idle side does both.
        plugin.fxIdle();
        EXPECT_NE(plugin.systemSettings().getValue(0, SysGlo_c::kKnobMovement), knobBefore);
        EXPECT_NE(folderContents(registry.path()), registryBefore);
        EXPECT_NEAR(tuning.getFrequency(69.0f), 2.0f * a4Before, 0.01f * a4Before);
    }
    ::unsetenv("KELVANTI_REGISTRY_DIR");
}

} // namespace
