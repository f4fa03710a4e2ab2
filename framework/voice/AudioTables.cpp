#include "framework/voice/AudioTables.h"

#include <array>
#include <cstring>

namespace audiotables {
namespace {

constexpr std::array<float, kTableSize> makeTiny() {
    std::array<float, kTableSize> t{};
    for (int32_t i = 0; i < kTableSize; ++i) t[i] = (i % 2 == 0) ? -1e-7f : 1e-7f;
    return t;
}

constexpr std::array<float, kTableSize> makeUnity() {
    std::array<float, kTableSize> t{};
    for (auto& v : t) v = 1.0f;
    return t;
}

// Constant-initialised: no construction order or first-use race.
constexpr std::array<float, kTableSize> kTiny = makeTiny();
constexpr std::array<float, kTableSize> kUnity = makeUnity();

} // namespace

const float* tinyValues() { return kTiny.data(); }
const float* unityGains() { return kUnity.data(); }

void copyTemplate(float* dst, int32_t n, const float* tmpl) {
    if (dst == nullptr || tmpl == nullptr) return;
    while (n > kTableSize) {
        std::memcpy(dst, tmpl, sizeof(float) * kTableSize);
        dst += kTableSize;
        n -= kTableSize;
    }
    if (n > 0) std::memcpy(dst, tmpl, sizeof(float) * static_cast<size_t>(n));
}

} // namespace audiotables
