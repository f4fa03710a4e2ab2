// Every parameter at random values through everything a host asks about it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <string>
#include <vector>

#include "tests/conformance/support/Dice.h"
#include "tests/conformance/support/PluginSession.h"
#include "tests/conformance/support/SuiteSettings.h"
#include "tests/conformance/support/TextRequests.h"

namespace conformance {
namespace {

constexpr std::size_t kFaultsShown = 10;

TEST(ParameterFuzz, EveryParameterAtRandomValues) {
    auto session = createSessionOrFail();
    ASSERT_TRUE(session);
    vsthost::PluginInstance& plugin = session->plugin();
    session->start(44100.0f, 512);
    const VstInt32 parameters = plugin.numParams();
    if (parameters <= 0) GTEST_SKIP() << "not applicable: the plug-in has no parameters";

    Dice dice(30u);
    const int rounds = reducedScale() ? 6 : 20;
    std::vector<std::string> faults;
    std::size_t longestText = 0;
    for (VstInt32 index = 0; index < parameters; ++index) {
        for (int round = 0; round < rounds; ++round) {
            const float value = dice.unit();
            plugin.setParameter(index, value);
            const float read = plugin.getParameter(index);
            if (!std::isfinite(read) || read < 0.0f || read > 1.0f) {
                faults.push_back("parameter " + std::to_string(index) + " set to " + std::to_string(value) +
                                 " reads " + std::to_string(read) + " (outside 0..1)");
            }
            for (VstInt32 opcode : {effGetParamName, effGetParamDisplay, effGetParamLabel}) {
                const TextAnswer answer = requestText(plugin, opcode, kParameterTextLimit, index);
                if (!answer.fault.empty()) faults.push_back(answer.fault);
                longestText = std::max(longestText, answer.text.size());
            }
        }
    }
    // Worth knowing, not a fault: hosts give more room than the interface's 8 characters.
    std::cout << "longest parameter text: " << longestText << " characters\n";
    std::string shown;
    for (std::size_t i = 0; i < faults.size() && i < kFaultsShown; ++i) shown += faults[i] + "\n";
    EXPECT_TRUE(faults.empty()) << faults.size() << " faults, seed " << dice.seed() << ":\n" << shown;
    session->stop();
}

} // namespace
} // namespace conformance
