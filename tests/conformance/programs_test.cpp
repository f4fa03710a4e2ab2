// Program names and program selection the way hosts browse presets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/conformance/support/ParameterValues.h"
#include "tests/conformance/support/PluginSession.h"
#include "tests/conformance/support/SuiteSettings.h"
#include "tests/conformance/support/TextRequests.h"

namespace conformance {
namespace {

TEST(Programs, EveryNameRandomSelectionsAndRestore) {
    auto session = createSessionOrFail();
    ASSERT_TRUE(session);
    vsthost::PluginInstance& plugin = session->plugin();
    session->start(44100.0f, 256);
    const VstInt32 programs = plugin.numPrograms();
    if (programs <= 0) GTEST_SKIP() << "not applicable: the plug-in has no programs";

    // Hosts select the current program once after opening; that is the state to come back to.
    const VstInt32 original = plugin.program();
    plugin.setProgram(original);
    const TextAnswer originalName = requestText(plugin, effGetProgramName, kVstMaxProgNameLen);
    EXPECT_EQ(originalName.fault, "");
    const std::vector<float> originalValues = readParameters(plugin);

    std::vector<std::string> names;
    for (VstInt32 index = 0; index < programs; ++index) {
        const TextAnswer name = requestText(plugin, effGetProgramNameIndexed, kVstMaxProgNameLen, index, -1);
        EXPECT_EQ(name.fault, "");
        names.push_back(name.text);
    }

    Dice dice(20u);
    GuardedAudio audio = session->makeAudio(256);
    vsthost::EventList events;
    const int selections = reducedScale() ? 16 : 48;
    for (int i = 0; i < selections; ++i) {
        const VstInt32 chosen = dice.between(0, programs - 1);
        plugin.setProgram(chosen);
        EXPECT_EQ(plugin.program(), chosen);
        const TextAnswer current = requestText(plugin, effGetProgramName, kVstMaxProgNameLen);
        EXPECT_EQ(current.fault, "");
        if (!names[static_cast<std::size_t>(chosen)].empty()) {
            EXPECT_EQ(current.text, names[static_cast<std::size_t>(chosen)])
                << "the current program's name is not the name listed for program " << chosen;
        }
        events.clear();
        events.addMidi(0, 0x90, static_cast<std::uint8_t>(dice.between(36, 96)), 100);
        EXPECT_EQ(session->play(audio, 256, events), "") << "after program " << chosen;
    }
    events.clear();
    events.addMidi(0, 0xB0, 123, 0);   // all notes off
    EXPECT_EQ(session->play(audio, 256, events), "");

    plugin.setProgram(original);
    EXPECT_EQ(plugin.program(), original);
    EXPECT_EQ(requestText(plugin, effGetProgramName, kVstMaxProgNameLen).text, originalName.text);
    EXPECT_EQ(parameterDifferences(originalValues, readParameters(plugin)), "")
        << "program " << original << " came back with other values";
    session->stop();
}

} // namespace
} // namespace conformance
