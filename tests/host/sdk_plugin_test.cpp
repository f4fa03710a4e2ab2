// The built plug-in as a host sees it: entry points, the effect record, the
// dispatcher's answers and closing.
#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <locale>
#include <memory>
#include <string>
#include <thread>

#include "tools/host/lib/Host.h"
#include "tools/host/lib/PluginInstance.h"
#include "tools/host/lib/PluginLibrary.h"
#include "tests/host/support/BankFolder.h"
#include "tests/host/support/BuiltPlugin.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#define KELVANTI_HAVE_ASAN 1
#endif

namespace {

using vsthost::EventList;
using vsthost::Host;
using vsthost::PluginInstance;
using vsthost::PluginLibrary;

using builtplugin::loadLibrary;
using builtplugin::makeInstance;

TEST(SdkPluginEntry, VersionZeroHostGetsNothing) {
    auto library = loadLibrary();
    ASSERT_TRUE(library);
    EXPECT_EQ(library->entryName(), "VSTPluginMain");
    Host host;
    host.answers().version = 0;
    std::string error;
    EXPECT_FALSE(PluginInstance::create(library, host, error));
    // The only call was the version question: no object was constructed (it
    // would ask the host about I/O changes, and a leak shows under ASan).
    const auto calls = host.calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, audioMasterVersion);
    EXPECT_EQ(calls[0].effect, nullptr);

    EXPECT_EQ(library->entry()(nullptr), nullptr);               // no host: no effect
    EXPECT_EQ(library->entryNamed("main")(nullptr), nullptr);

    host.answers().version = kVstVersion;
    auto plugin = makeInstance(library, host);
    ASSERT_TRUE(plugin);
    bool askedIoChanges = false;
    for (const auto& call : host.calls()) {
        askedIoChanges |= call.opcode == audioMasterCanDo && call.text == "acceptIOChanges" &&
                          call.effect == plugin->effect();
    }
    EXPECT_TRUE(askedIoChanges);
}

TEST(SdkPluginEntry, EachMainCallMakesItsOwnRecord) {
    ASSERT_TRUE(bankfolder::bank().ok); // before any instance reads its settings
    auto library = loadLibrary();
    ASSERT_TRUE(library);
    Host host;
    auto mainEntry = library->entryNamed("main");
    ASSERT_NE(mainEntry, nullptr);
    AEffect* first = nullptr;
    AEffect* second = nullptr;
    {
        Host::InstantiationScope scope(host);
        first = mainEntry(Host::callback());
        second = mainEntry(Host::callback());
    }
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(first->object, second->object);
    // Independent state: a program set on one is not seen by the other.
    // A host program change takes effect at the next idle drain, once the
    // preset folder is listed (at the first resume).
    first->dispatcher(first, effMainsChanged, 0, 1, nullptr, 0.0f);
    first->dispatcher(first, effSetProgram, 0, 7, nullptr, 0.0f);
    first->dispatcher(first, effIdle, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(first->dispatcher(first, effGetProgram, 0, 0, nullptr, 0.0f), 7);
    EXPECT_EQ(second->dispatcher(second, effGetProgram, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(first->dispatcher(first, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(second->dispatcher(second, effClose, 0, 0, nullptr, 0.0f), 1);
}

TEST(SdkPluginEntry, HostLocaleIsUntouched) {
    // The host runs in a locale of its own choice; the plug-in must leave it so.
    ASSERT_NE(std::setlocale(LC_ALL, "C.UTF-8"), nullptr);
    const std::string before = std::setlocale(LC_ALL, nullptr);
    const std::string globalBefore = std::locale().name();
    {
        auto library = loadLibrary();
        ASSERT_TRUE(library);
        Host host;
        auto plugin = makeInstance(library, host);
        ASSERT_TRUE(plugin);
        plugin->open();
        plugin->resume();
        plugin->parameterDisplay(0);
    }
    EXPECT_EQ(std::string(std::setlocale(LC_ALL, nullptr)), before);
    EXPECT_EQ(std::locale().name(), globalBefore);
    char number[16];
    std::snprintf(number, sizeof number, "%.1f", 0.5);
    EXPECT_STREQ(number, "0.5");
    std::setlocale(LC_ALL, "C");
}

TEST(SdkPluginRecord, IdentityAndIo) {
    auto library = loadLibrary();
    ASSERT_TRUE(library);
    Host host;
    auto plugin = makeInstance(library, host);
    ASSERT_TRUE(plugin);
    const AEffect* e = plugin->effect();
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->uniqueID, vstFourCC('H', 'R', 'V', 'K'));
    EXPECT_EQ(e->numInputs, 0);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->numPrograms, 128);
    EXPECT_EQ(e->numParams, 26);
    EXPECT_EQ(e->flags, effFlagsHasEditor | effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->setParameter, nullptr);
    EXPECT_NE(e->getParameter, nullptr);
    EXPECT_EQ(plugin->effectName(), "Kelvanti");
    EXPECT_EQ(plugin->productString(), "Kelvanti");
    EXPECT_EQ(plugin->vendorString(), "Harvell");
    EXPECT_EQ(plugin->vendorVersion(), 1100);
    EXPECT_EQ(plugin->dispatch(effGetPlugCategory), kPlugCategSynth);

    VstPinProperties pin{};
    EXPECT_EQ(plugin->dispatch(effGetOutputProperties, 1, 0, &pin), 1);
    EXPECT_STREQ(pin.label, "Kelvan");
    EXPECT_EQ(pin.flags, kVstPinIsActive | kVstPinIsStereo);
    EXPECT_EQ(plugin->dispatch(effGetInputProperties, 0, 0, &pin), 0);
}

TEST(SdkPluginRecord, OpcodeTable) {
    ASSERT_TRUE(bankfolder::bank().ok); // before any instance reads its settings
    auto library = loadLibrary();
    ASSERT_TRUE(library);
    Host host;
    auto plugin = makeInstance(library, host);
    ASSERT_TRUE(plugin);
    // Scanning hosts ask before effOpen, with a rate and size of 0.
    EXPECT_EQ(plugin->dispatch(effIdentify), vstFourCC('N', 'v', 'E', 'f'));
    EXPECT_EQ(plugin->dispatch(effSetBlockSizeAndSampleRate, 0, 0, nullptr, 0.0f), 1);
    plugin->setSampleRate(0.0f);
    plugin->setBlockSize(0);
    plugin->open();
    plugin->setSampleRate(44100.0f);
    plugin->setBlockSize(512);

    plugin->resume();
    plugin->setProgram(3);
    plugin->dispatch(effIdle);
    EXPECT_EQ(plugin->program(), 3);
    plugin->setProgram(128);
    plugin->dispatch(effIdle);
    EXPECT_EQ(plugin->program(), 3);
    EXPECT_EQ(plugin->dispatch(effSetProgram, 0, 1000), 0);
    plugin->dispatch(effIdle);
    EXPECT_EQ(plugin->program(), 3);

    for (const char* yes : {"receiveVstEvents", "receiveVstMidiEvent", "sendVstEvents", "sendVstMidiEvent",
                            "midiProgramNames", "receiveVstTimeInfo"}) {
        EXPECT_EQ(plugin->canDo(yes), 1) << yes;
    }
    for (const char* no : {"bypass", "receiveVst", "receiveVstEventsX", "", "midiProgramName", "offline"}) {
        EXPECT_EQ(plugin->canDo(no), -1) << no;
    }

    EXPECT_EQ(plugin->dispatch(effKeysRequired), 0);
    EXPECT_EQ(plugin->dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(plugin->dispatch(effCanBeAutomated, 0), 1);
    EXPECT_EQ(plugin->dispatch(effGetNumProgramCategories), 1);
    EXPECT_EQ(plugin->dispatch(effGetTailSize), 0);
    EXPECT_EQ(plugin->dispatch(effIdle), 1);
    EXPECT_EQ(plugin->dispatch(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(plugin->dispatch(effGetNumMidiInputChannels), 16);
    EXPECT_EQ(plugin->dispatch(effGetNumMidiOutputChannels), 16);
    EXPECT_EQ(plugin->dispatch(effSetTotalSampleToProcess, 0, 4096), 4096);
    EXPECT_EQ(plugin->dispatch(effConnectOutput, 0, 1), 1);
    EXPECT_EQ(plugin->dispatch(effGetVu), 0);

    // The editor: its rectangle before it opens, a null rectangle pointer is
    // harmless, no parent window opens nothing; keys it does not use answer 0.
    ERect* rect = nullptr;
    EXPECT_EQ(plugin->dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 724);
    EXPECT_EQ(rect->bottom - rect->top, 160);
    EXPECT_EQ(plugin->dispatch(effEditGetRect, 0, 0, nullptr), 0);
    EXPECT_EQ(plugin->dispatch(effEditOpen), 0);
    EXPECT_EQ(plugin->dispatch(effEditIdle), 0);
    EXPECT_EQ(plugin->dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(plugin->dispatch(effEditKeyUp, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(plugin->dispatch(effSetEditKnobMode, 0, 2), 1);
    EXPECT_EQ(plugin->dispatch(effGetSpeakerArrangement, 0, 0, nullptr), 0);
    EXPECT_EQ(plugin->dispatch(9999), 0);
    EXPECT_EQ(plugin->dispatch(-1), 0);
}

TEST(SdkPluginRecord, ProcessesAnyBlockWithEventsFromAnyThread) {
    auto library = loadLibrary();
    ASSERT_TRUE(library);
    Host host;
    auto plugin = makeInstance(library, host);
    ASSERT_TRUE(plugin);
    plugin->open();
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(1024);
    plugin->resume();   // a synth asks for MIDI

    // The audio thread is another thread.
    VstIntPtr eventsAnswer = 0;
    std::thread audio([&] {
        vsthost::AudioBuffers inputs(0, 1024);
        vsthost::AudioBuffers outputs(2, 1024);
        for (int frames : {1024, 768, 256, 1, 333}) {
            EventList events;
            events.addMidi(0, 0x90, 60, 100);
            events.addMidi(frames - 1, 0x80, 60, 0);
            eventsAnswer = plugin->sendEvents(events);
            outputs.fill(0.75f);
            plugin->processReplacing(inputs, outputs, frames);
            for (int c = 0; c < 2; ++c) {
                // The note sounds from the block's first sample, finitely.
                float peak = 0.0f;
                for (int i = 0; i < frames; ++i) {
                    EXPECT_TRUE(std::isfinite(outputs.channel(c)[i]));
                    peak = std::max(peak, std::fabs(outputs.channel(c)[i]));
                }
                if (frames > 8) {
                    EXPECT_GT(peak, 1e-3f) << frames;
                }
                if (frames < 1024) {
                    EXPECT_EQ(outputs.channel(c)[frames], 0.75f);   // never past the block
                }
            }
        }
        plugin->suspend();
        plugin->resume();
    });
    audio.join();
    EXPECT_EQ(eventsAnswer, 1);
    // The resume on the audio thread did its work (the blocks after it sounded)
    // without asking for MIDI again.
    EXPECT_EQ(host.countCalls(audioMasterWantMidi), 1u);
    // The state survives a bank chunk: it loads back and writes the same bytes.
    const std::vector<std::uint8_t> bank = plugin->getChunk(false);
    ASSERT_FALSE(bank.empty());
    EXPECT_EQ(plugin->setChunk(bank, false), static_cast<VstIntPtr>(bank.size()));
    EXPECT_EQ(plugin->getChunk(false), bank);
}

// Hosts that check their plug-ins' calls count requests for MIDI (hosts resume
// on every transport or rate change, the plug-in asks once per open) and expect
// a plug-in that asks for the time info to declare it.
TEST(SdkPluginRecord, AsksForMidiOncePerOpenAndDeclaresTheTimeInfoItAsksFor) {
    auto library = loadLibrary();
    ASSERT_TRUE(library);
    Host host;
    for (int instance = 0; instance < 2; ++instance) {
        SCOPED_TRACE(instance);
        host.clearCalls();
        auto plugin = makeInstance(library, host);
        ASSERT_TRUE(plugin);
        plugin->open();
        plugin->setSampleRate(48000.0f);
        plugin->setBlockSize(256);
        vsthost::AudioBuffers inputs(0, 256), outputs(2, 256);
        // Each block plays a note, so each renders in full (a silent block's
        // request is counted by the next test).
        const auto playNote = [&] {
            EventList events;
            events.addMidi(0, 0x90, 60, 100);
            plugin->sendEvents(events);
            plugin->processReplacing(inputs, outputs, 256);
        };
        for (int cycle = 0; cycle < 4; ++cycle) {
            plugin->resume();
            playNote();
            plugin->suspend();
        }
        std::thread other([&] { plugin->resume(); });
        other.join();
        playNote();
        EXPECT_EQ(host.countCalls(audioMasterWantMidi), 1u);

        // It asks for the time info every block it renders, naming the tempo among the
        // fields it wants, and declares that it does.
        std::size_t timeRequests = 0;
        for (const auto& call : host.calls()) {
            if (call.opcode != audioMasterGetTime) continue;
            ++timeRequests;
            EXPECT_NE(call.value & kVstTempoValid, 0);
        }
        EXPECT_GE(timeRequests, 5u);
        EXPECT_EQ(plugin->canDo("receiveVstTimeInfo"), 1);
    }
}

// A block with nothing to play takes a short road past the voices, and it
// still follows the host's transport: it asks the time once, the transport
// running or stopped.
TEST(SdkPluginRecord, ASilentBlockAsksTheHostsTimeOnce) {
    auto library = loadLibrary();
    ASSERT_TRUE(library);
    Host host;
    auto plugin = makeInstance(library, host);
    ASSERT_TRUE(plugin);
    plugin->open();
    plugin->setSampleRate(48000.0f);
    plugin->setBlockSize(256);
    plugin->resume();
    vsthost::AudioBuffers inputs(0, 256), outputs(2, 256);
    plugin->processReplacing(inputs, outputs, 256); // the first block configures the outputs
    for (const bool running : {true, false}) {
        SCOPED_TRACE(running ? "transport running" : "transport stopped");
        host.answers().timeInfo.flags = kVstTempoValid | kVstPpqPosValid | (running ? kVstTransportPlaying : 0);
        host.clearCalls();
        for (int block = 0; block < 8; ++block) {
            plugin->processReplacing(inputs, outputs, 256);
            EXPECT_EQ(host.countCalls(audioMasterGetTime), static_cast<std::size_t>(block + 1)) << "block " << block;
        }
        for (int c = 0; c < 2; ++c)
            for (float x : outputs.channel(c)) ASSERT_LE(std::fabs(x), 1e-6f); // silent indeed
    }
}

TEST(SdkPluginRecord, CloseAnswersOneAndFreesTheObject) {
    auto library = loadLibrary();
    ASSERT_TRUE(library);
    Host host;
    auto plugin = makeInstance(library, host);
    ASSERT_TRUE(plugin);
    plugin->open();
    void* object = plugin->effect()->object;
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(plugin->close(), 1);
    EXPECT_TRUE(plugin->isClosed());
#if defined(KELVANTI_HAVE_ASAN)
    EXPECT_TRUE(__asan_address_is_poisoned(object)) << "the effect object is still allocated after effClose";
#else
    GTEST_SKIP() << "freeing is checked in the AddressSanitizer build";
#endif
}

} // namespace
