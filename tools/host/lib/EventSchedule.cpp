#include "tools/host/lib/EventSchedule.h"
#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace kelvanti_host {
namespace {

// Sample positions beyond this (about 6 days at 192 kHz) are held there, so a
// wild time can never overflow the conversion.
constexpr double kLatestSample = 1e11;

template <typename Event>
void place(const std::vector<Event>& events, double sampleRate, std::vector<EventSchedule::Placed>& placed) {
    placed.reserve(events.size());
    for (std::size_t i = 0; i < events.size(); ++i)
        placed.push_back({EventSchedule::samplePosition(events[i].seconds, sampleRate), i});
    // Lists are expected in time order already; a stable sort makes an
    // unordered list harmless and keeps same-sample events in list order.
    std::stable_sort(placed.begin(), placed.end(),
                     [](const auto& a, const auto& b) { return a.sample < b.sample; });
}

template <typename Placed>
std::pair<std::size_t, std::size_t> within(const std::vector<Placed>& placed, int64_t first, int64_t end) {
    auto lower = [](const Placed& p, int64_t sample) { return p.sample < sample; };
    const auto begin = std::lower_bound(placed.begin(), placed.end(), first, lower);
    const auto stop = std::lower_bound(begin, placed.end(), end, lower);
    return {static_cast<std::size_t>(begin - placed.begin()), static_cast<std::size_t>(stop - placed.begin())};
}

} // namespace

EventSchedule::EventSchedule(const Performance& performance, double sampleRate, int blockSize)
    : performance_(performance), sampleRate_(sampleRate), blockSize_(blockSize) {
    if (!(sampleRate > 0.0) || !std::isfinite(sampleRate)) throw std::invalid_argument("sample rate must be positive");
    if (blockSize <= 0) throw std::invalid_argument("block size must be positive");
    place(performance.midi, sampleRate, midi_);
    place(performance.parameterChanges, sampleRate, parameters_);
    if (!midi_.empty()) endSample_ = midi_.back().sample + 1;
    if (!parameters_.empty()) endSample_ = std::max(endSample_, parameters_.back().sample + 1);
}

int64_t EventSchedule::samplePosition(double seconds, double sampleRate) {
    const double position = std::round(seconds * sampleRate);
    if (!(position > 0.0)) return 0;  // negative and NaN times play at the start
    return static_cast<int64_t>(std::min(position, kLatestSample));
}

int64_t EventSchedule::totalFrames(double tailSeconds) const {
    const int64_t lastEvent = endSample_ > 0 ? endSample_ - 1 : 0;
    return std::max(endSample_, lastEvent + samplePosition(tailSeconds, sampleRate_));
}

int64_t EventSchedule::blockCount(int64_t totalFrames) const {
    if (totalFrames <= 0) return 0;
    return (totalFrames + blockSize_ - 1) / blockSize_;
}

void EventSchedule::block(int64_t index, int64_t totalFrames, BlockEvents& out) const {
    out.firstSample = index * blockSize_;
    out.frames = static_cast<int>(std::clamp<int64_t>(totalFrames - out.firstSample, 0, blockSize_));
    out.midi.clear();
    out.parameterChanges.clear();
    const int64_t end = out.firstSample + out.frames;

    const auto [midiBegin, midiEnd] = within(midi_, out.firstSample, end);
    for (std::size_t i = midiBegin; i < midiEnd; ++i) {
        const MidiEvent& e = performance_.midi[midi_[i].index];
        out.midi.push_back({static_cast<int>(midi_[i].sample - out.firstSample), e.status, e.data1, e.data2});
    }
    const auto [paramBegin, paramEnd] = within(parameters_, out.firstSample, end);
    for (std::size_t i = paramBegin; i < paramEnd; ++i)
        out.parameterChanges.push_back(&performance_.parameterChanges[parameters_[i].index]);
}

} // namespace kelvanti_host
