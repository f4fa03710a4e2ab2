// The editor open while other threads work: the audio thread's changes (MIDI
// controllers, all notes off) reach the editor without an allocation, and a
// host thread writing every parameter while audio renders and the editor
// idles leaves the editor showing the last values (run under TSan too).
#include "../unit/support/CountingAllocator.h"

#include "EditorFixture.h"

#include <atomic>
#include <thread>
#include <vector>

namespace {

using editortest::EditorTest;

constexpr int kFrames = 256;

struct Audio {
    std::vector<float> left = std::vector<float>(kFrames), right = std::vector<float>(kFrames);
    float* outputs[2] = {left.data(), right.data()};
    float* inputs[2] = {left.data(), right.data()};
};

// One block with a controller change (CC 69: the first sound parameter) and
// the channel's all-notes-off at the end.
struct Events {
    VstMidiEvent cc{}, off{};
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[2];
    } list{};
    explicit Events(int value) {
        for (VstMidiEvent* e : {&cc, &off}) {
            e->type = kVstMidiType;
            e->byteSize = sizeof(VstMidiEvent);
        }
        cc.midiData[0] = char(0xB0);
        cc.midiData[1] = 69;
        cc.midiData[2] = char(value & 0x7F);
        off.deltaFrames = kFrames - 1;
        off.midiData[0] = char(0xB0);
        off.midiData[1] = 123;
        list.numEvents = 2;
        list.events[0] = reinterpret_cast<VstEvent*>(&cc);
        list.events[1] = reinterpret_cast<VstEvent*>(&off);
    }
};

void playBlock(AudioEffect& plugin, Audio& audio, Events* events) {
    AEffect* e = plugin.getAeffect();
    if (events) e->dispatcher(e, effProcessEvents, 0, 0, &events->list, 0.0f);
    e->processReplacing(e, audio.inputs, audio.outputs, kFrames);
}

TEST_F(EditorTest, AudioThreadReachesTheOpenEditorWithoutAllocating) {
    ASSERT_NE(openHeadless(), nullptr);
    plugin->dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
    Audio audio;
    std::vector<Events> events;
    events.reserve(16);  // the lists point into their own records: never moved
    for (int i = 0; i < 16; ++i) events.emplace_back(i * 8);
    for (int i = 0; i < 50; ++i) playBlock(*plugin, audio, &events[i % 16]);  // warm up
    editor->idle();
    const uint64_t updates = editor->controlUpdateCount(), full = editor->fullRefreshCount();

    // Positive control: the counter sees an allocation.
    g_allocations = 0;
    g_counting = true;
    { std::vector<int> probe(3); (void)probe; }
    g_counting = false;
    ASSERT_EQ(g_allocations.load(), 1);

    g_allocations = 0;
    g_counting = true;
    for (int i = 0; i < 200; ++i) playBlock(*plugin, audio, &events[i % 16]);
    plugin->allNotesOff();  // as the audio side's command does: everything is redrawn
    g_counting = false;
    EXPECT_EQ(g_allocations.load(), 0) << "allocations on the audio side with the editor open";
    // What the audio side marked is drawn at the next idle: the controller's
    // knob, and everything after all notes off.
    editor->idle();
    EXPECT_GT(editor->controlUpdateCount(), updates);
    EXPECT_EQ(editor->fullRefreshCount(), full + 1);
}

TEST_F(EditorTest, HostThreadWritesEveryParameterWhileAudioRendersAndTheEditorIdles) {
    ASSERT_NE(openHeadless(), nullptr);
    plugin->dispatcher(effMainsChanged, 0, 1, nullptr, 0.0f);
    std::atomic<bool> stop{false};
    std::thread audioThread([&] {
        Audio audio;
        while (!stop.load()) playBlock(*plugin, audio, nullptr);
    });
    constexpr int kRounds = 40;
    std::thread hostThread([&] {
        for (int round = 0; round < kRounds; ++round)
            for (VstInt32 i = 0; i < 25; ++i) plugin->setParameter(i, float(round % 5) / 4.0f);
    });
    // The editor's thread idles until the host thread is done, then once more.
    std::atomic<bool> hostDone{false};
    std::thread watcher([&] {
        hostThread.join();
        hostDone = true;
    });
    while (!hostDone.load()) editor->idle();
    watcher.join();
    editor->idle();
    stop = true;
    audioThread.join();
    // Every knob shows the plug-in's last value.
    for (int32_t i = 0; i < 25; ++i)
        if (editor::CControlPl* c = editor->controlOf(i)) {
            EXPECT_FLOAT_EQ(c->shownValue(), plugin->getParameter(i)) << i;
        }
}

} // namespace
