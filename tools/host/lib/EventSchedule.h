#pragma once
// A Performance laid out on the sample grid and cut into fixed-size blocks.
// An event at t seconds lands on sample round(t × rate); within its block it
// carries the offset from the block's first sample. Parameter changes are
// applied before the block that holds their sample is processed.
#include "tools/host/lib/Performance.h"
#include <cstdint>
#include <vector>

namespace kelvanti_host {

struct BlockMidiEvent {
    int offset = 0;  // frames from the block's first sample, 0 .. frames-1
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};

struct BlockEvents {
    int64_t firstSample = 0;
    int frames = 0;  // the last block of a render may be shorter
    std::vector<BlockMidiEvent> midi;                       // in time order
    std::vector<const ParameterChange*> parameterChanges;   // in time order; point into the Performance
};

class EventSchedule {
public:
    // sampleRate > 0 and blockSize > 0, else std::invalid_argument. The
    // performance must outlive the schedule (blocks point into it).
    EventSchedule(const Performance& performance, double sampleRate, int blockSize);

    static int64_t samplePosition(double seconds, double sampleRate);

    // One past the sample of the last event: every note has ended by then
    // (a note left sounding gets no later event). 0 when there are no events.
    int64_t endSample() const { return endSample_; }

    // Frames to render: the tail counts from the last event's sample, so a
    // file whose last event is at 1.5 s renders 1.5 s + tail exactly; the
    // last event's own frame is always rendered (negative tails count as 0).
    int64_t totalFrames(double tailSeconds) const;
    int64_t blockCount(int64_t totalFrames) const;

    // The events of block `index` of a render of totalFrames frames; index < blockCount(totalFrames).
    void block(int64_t index, int64_t totalFrames, BlockEvents& out) const;

    // An event's sample and its index in the performance's list.
    struct Placed {
        int64_t sample;
        std::size_t index;
    };

private:
    const Performance& performance_;
    double sampleRate_;
    int blockSize_;
    std::vector<Placed> midi_;
    std::vector<Placed> parameters_;
    int64_t endSample_ = 0;
};

} // namespace kelvanti_host
