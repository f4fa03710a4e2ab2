#include "framework/settings/NRPN_c.h"

#include "os/Clock.h"

#include <algorithm>

namespace {
constexpr int kSelectMsb = 99;
constexpr int kSelectLsb = 98;
constexpr int kDataCoarse = 6;
constexpr int kDataFine = 38;
constexpr int32_t kMaxNumber = 16383;
constexpr int32_t kMaxCoarse = 127;
} // namespace

namespace {
uint32_t systemClock(const void* /*context*/) { return os::tickMs(); }
} // namespace

NRPN_c::NRPN_c(Clock clock, const void* clockContext)
    : clock_(clock != nullptr ? clock : &systemClock), clockContext_(clockContext) {}

bool NRPN_c::process(int channel, int& number, int& value) {
    if (channel < 0 || channel >= kChannels)
        return false;
    ChannelState& state = channels_[channel];
    const uint32_t now = clock_(clockContext_);

    if (number == kSelectMsb || number == kSelectLsb) {
        (number == kSelectMsb ? state.numberMsb : state.numberLsb) = value;
        state.selectTime = now;
        state.selectPending = true;
        return false;
    }
    if (number != kDataCoarse && number != kDataFine)
        return false;
    // Wrapped difference: raw times cannot be compared across the clock's wrap.
    if (state.selectPending && os::tickDiff(now, state.selectTime) >= kSelectWindowMs)
        return false;
    if (state.numberMsb < 0 || state.numberLsb < 0)
        return false;

    const int64_t selected = static_cast<int64_t>(state.numberMsb) * 128 + state.numberLsb;
    const int32_t parameter = static_cast<int32_t>(std::min<int64_t>(selected, kMaxNumber));
    if (number == kDataCoarse) {
        state.dataMsb = value;
        value = std::clamp(value, 0, static_cast<int>(kMaxCoarse));
    } else {
        const int64_t fine = static_cast<int64_t>(state.dataMsb) * 128 + value;
        value = static_cast<int>(std::clamp<int64_t>(fine, 0, kMaxNumber));
    }
    number = parameter;
    state.selectPending = false;
    return true;
}
