// Every sample rate a host may run at, every block size it may send (also
// beyond the declared one), plain and with automation between sub-blocks.
#include <gtest/gtest.h>

#include <string>

#include "tests/conformance/support/NotePass.h"
#include "tests/conformance/support/SuiteSettings.h"

namespace conformance {
namespace {

void runGrid(int sampleRate, bool automate) {
    auto session = createSessionOrFail();
    ASSERT_TRUE(session);
    session->start(static_cast<float>(sampleRate), kDeclaredBlockSize);
    GuardedAudio audio = session->makeAudio(gridBlockSizes().back());
    Dice dice(static_cast<std::uint32_t>(sampleRate) + (automate ? 1u : 0u));
    for (int blockFrames : gridBlockSizes()) {
        NotePass pass;
        pass.blockFrames = blockFrames;
        pass.automate = automate;
        EXPECT_EQ(playNotePass(*session, audio, pass, dice), "")
            << sampleRate << " Hz, blocks of " << blockFrames << " (declared " << kDeclaredBlockSize
            << "), seed " << dice.seed();
    }
    session->stop();
}

class ProcessingGrid : public ::testing::TestWithParam<int> {};
class Automation : public ::testing::TestWithParam<int> {};

TEST_P(ProcessingGrid, NoteThroughEveryBlockSize) {
    runGrid(GetParam(), false);
}

TEST_P(Automation, ParameterWritesBetweenSubBlocks) {
    runGrid(GetParam(), true);
}

std::string rateName(const ::testing::TestParamInfo<int>& info) {
    return "Hz" + std::to_string(info.param);
}

INSTANTIATE_TEST_SUITE_P(SampleRates, ProcessingGrid, ::testing::ValuesIn(gridSampleRates()), rateName);
INSTANTIATE_TEST_SUITE_P(SampleRates, Automation, ::testing::ValuesIn(gridSampleRates()), rateName);

} // namespace
} // namespace conformance
