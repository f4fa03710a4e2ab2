#include "tests/conformance/support/SuiteSettings.h"

#include <cstdlib>

namespace conformance {
namespace {

std::string environmentText(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

std::string pluginPath() {
    const std::string chosen = environmentText("KELVANTI_CONFORMANCE_PLUGIN");
    return chosen.empty() ? KELVANTI_PLUGIN_PATH : chosen;
}

std::uint32_t baseSeed() {
    const std::string text = environmentText("KELVANTI_CONFORMANCE_SEED");
    return text.empty() ? 20261209u : static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
}

bool reducedScale() {
    return environmentText("KELVANTI_CONFORMANCE_SCALE") == "reduced";
}

const std::vector<int>& gridSampleRates() {
    static const std::vector<int> rates{44100, 48000, 96000, 22050, 192000};
    return rates;
}

const std::vector<int>& gridBlockSizes() {
    static const std::vector<int> sizes{1, 32, 64, 128, 256, 512, 1024, 4096};
    return sizes;
}

} // namespace conformance
