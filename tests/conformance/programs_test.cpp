// Program names and program selection the way hosts browse presets.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/conformance/support/ParameterValues.h"
#include "tests/host/support/BankFolder.h"
#include "tests/conformance/support/PluginSession.h"
#include "tests/conformance/support/SuiteSettings.h"
#include "tests/conformance/support/TextRequests.h"

namespace conformance {
namespace {

// A plug-in may apply a program change on its idle side (the host's effIdle
// or its own timer), as VST 2 allows: give it idle calls and a short while,
// the way a host's user-interface loop would, before judging the selection.
VstInt32 programAfterIdle(vsthost::PluginInstance& plugin, VstInt32 wanted) {
    for (int attempt = 0; attempt < 100 && plugin.program() != wanted; ++attempt) {
        plugin.dispatch(effIdle);
        if (plugin.program() != wanted) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return plugin.program();
}

// Programs a host would offer to select: when at least two programs have
// names of their own, those (slots that share one placeholder name, such as
// "empty", hold nothing to select); otherwise every program.
std::vector<VstInt32> selectablePrograms(const std::vector<std::string>& names) {
    std::vector<VstInt32> chosen;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const auto same = std::count(names.begin(), names.end(), names[i]);
        if (!names[i].empty() && same == 1) chosen.push_back(static_cast<VstInt32>(i));
    }
    if (chosen.size() < 2) {
        chosen.clear();
        for (std::size_t i = 0; i < names.size(); ++i) chosen.push_back(static_cast<VstInt32>(i));
    }
    return chosen;
}

TEST(Programs, EveryNameRandomSelectionsAndRestore) {
    // Plug-ins that list a preset folder find a bank of their own presets
    // there (KELVANTI_DATA_DIR); others ignore it.
    bankfolder::bank(pluginPath());
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

    const std::vector<VstInt32> selectable = selectablePrograms(names);
    Dice dice(20u);
    GuardedAudio audio = session->makeAudio(256);
    vsthost::EventList events;
    const int selections = reducedScale() ? 16 : 48;
    for (int i = 0; i < selections; ++i) {
        const VstInt32 chosen =
            selectable[static_cast<std::size_t>(dice.between(0, static_cast<int>(selectable.size()) - 1))];
        plugin.setProgram(chosen);
        EXPECT_EQ(programAfterIdle(plugin, chosen), chosen);
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
    EXPECT_EQ(programAfterIdle(plugin, original), original);
    EXPECT_EQ(requestText(plugin, effGetProgramName, kVstMaxProgNameLen).text, originalName.text);
    EXPECT_EQ(parameterDifferences(originalValues, readParameters(plugin)), "")
        << "program " << original << " came back with other values";
    session->stop();
}

} // namespace
} // namespace conformance
