// The order real Linux hosts load and first play an instrument in, with the
// answers they depend on.
#include <gtest/gtest.h>

#include <string>

#include "tests/conformance/support/PluginSession.h"
#include "tests/conformance/support/SuiteSettings.h"
#include "tests/conformance/support/TextRequests.h"

namespace conformance {
namespace {

TEST(HostLoadSequence, RealHostOrderFromIdentifyToClose) {
    std::string error;
    auto library = vsthost::PluginLibrary::load(pluginPath(), error);
    ASSERT_TRUE(library) << error;
    vsthost::Host host;
    auto plugin = vsthost::PluginInstance::create(library, host, error);
    ASSERT_TRUE(plugin) << error;
    AEffect* effect = plugin->effect();
    ASSERT_NE(effect->processReplacing, nullptr) << "hosts refuse a plug-in without processReplacing";

    // Set-up some hosts send before effOpen.
    plugin->dispatch(effIdentify);
    plugin->dispatch(effSetProcessPrecision, 0, kVstProcessPrecision32);
    plugin->dispatch(effSetBlockSizeAndSampleRate, 0, 512, nullptr, 44100.0f);
    plugin->setSampleRate(44100.0f);
    plugin->setBlockSize(512);

    plugin->open();
    EXPECT_EQ(effect->magic, kEffectMagic);
    EXPECT_NE(effect->uniqueID, 0) << "hosts refuse a unique id of 0";
    plugin->setProgram(0);

    const TextAnswer texts[] = {
        requestText(*plugin, effGetEffectName, kVstMaxEffectNameLen),
        requestText(*plugin, effGetVendorString, kVstMaxVendorStrLen),
        requestText(*plugin, effGetProductString, kVstMaxProductStrLen),
        requestText(*plugin, effGetProgramName, kVstMaxProgNameLen),
    };
    for (const TextAnswer& answer : texts) EXPECT_EQ(answer.fault, "");

    const VstIntPtr category = plugin->dispatch(effGetPlugCategory);
    EXPECT_GE(category, 0);
    EXPECT_LT(category, kPlugCategMaxCount);
    for (const char* capability : {"receiveVstEvents", "receiveVstMidiEvent", "sendVstEvents", "sendVstMidiEvent",
                                   "receiveVstTimeInfo", "offline", "bypass", "midiProgramNames"}) {
        plugin->canDo(capability);
    }
    if (effect->flags & effFlagsIsSynth) {
        EXPECT_TRUE(plugin->canDo("receiveVstEvents") > 0 || plugin->canDo("receiveVstMidiEvent") > 0)
            << "an instrument that does not say it takes MIDI gets none from some hosts";
    }
    plugin->dispatch(effIdle);

    plugin->resume();
    plugin->dispatch(effStartProcess);
    vsthost::EventList notes;
    notes.addMidi(0, 0x90, 60, 100);
    notes.addMidi(128, 0x90, 64, 90);
    GuardedAudio audio(effect->numInputs, effect->numOutputs, 512);
    plugin->sendEvents(notes);
    audio.arm(512);
    effect->processReplacing(effect, audio.inputs(), audio.outputs(), 512);
    EXPECT_EQ(audio.fault(512), "");
    plugin->dispatch(effStopProcess);
    plugin->suspend();
    EXPECT_NE(effect->uniqueID, 0);
    plugin->close();
}

} // namespace
} // namespace conformance
