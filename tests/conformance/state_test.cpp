// State as hosts save and restore it: the bank chunk for projects, the
// program chunk for presets. Only for plug-ins that keep their programs as
// chunks and hand one out.
#include <gtest/gtest.h>

#include "tests/conformance/support/ParameterValues.h"
#include "tests/conformance/support/PluginSession.h"

namespace conformance {
namespace {

void chunkRoundTrip(bool preset) {
    auto session = createSessionOrFail();
    ASSERT_TRUE(session);
    vsthost::PluginInstance& plugin = session->plugin();
    session->start(44100.0f, 512);
    if (!(session->effect().flags & effFlagsProgramChunks)) {
        GTEST_SKIP() << "not applicable: the plug-in does not keep its programs as chunks";
    }
    Dice dice(preset ? 11u : 10u);
    randomiseParameters(plugin, dice);
    const std::vector<float> saved = readParameters(plugin);
    const std::vector<std::uint8_t> chunk = plugin.getChunk(preset);
    if (chunk.empty()) {
        GTEST_SKIP() << "not applicable: the plug-in says its programs are chunks but hands out none "
                        "(hosts read size 0 as no chunk)";
    }

    randomiseParameters(plugin, dice);
    plugin.setChunk(chunk, preset);
    // Some plug-ins apply a new state at the next block; hosts keep playing.
    GuardedAudio audio = session->makeAudio(512);
    vsthost::EventList noEvents;
    for (int block = 0; block < 2; ++block) EXPECT_EQ(session->play(audio, 512, noEvents), "");
    EXPECT_EQ(parameterDifferences(saved, readParameters(plugin)), "") << "seed " << dice.seed();
    const std::vector<std::uint8_t> again = plugin.getChunk(preset);
    EXPECT_EQ(again.size(), chunk.size());
    EXPECT_TRUE(again == chunk) << "the chunk read back differs from the chunk set";
    session->stop();
}

TEST(State, BankChunkRestoresEveryParameter) {
    chunkRoundTrip(false);
}

TEST(State, ProgramChunkRestoresEveryParameter) {
    chunkRoundTrip(true);
}

} // namespace
} // namespace conformance
