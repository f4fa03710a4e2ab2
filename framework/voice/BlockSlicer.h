#pragma once
// Sample-accurate walk of one instrument's block: voices render in slices of at
// most 256 frames (the capacity of the output bus), up to the offset of each
// queued event, which is then decoded.
//
// Audio thread only; allocates nothing. The caller holds whatever lock guards
// the queue for the whole walk.
#include "framework/voice/MidiEventQueue.h"

#include <cstdint>

namespace blockslicer {

constexpr int32_t kMaxSliceFrames = 256;

// Calls slice(m) for consecutive slices covering n frames: full slices of 256
// while more than 256 remain, then one last slice of 1..256. n <= 0: no call.
template <class SliceFn>
void forEachSlice(int32_t n, SliceFn&& slice) {
    while (n > kMaxSliceFrames) {
        slice(kMaxSliceFrames);
        n -= kMaxSliceFrames;
    }
    if (n > 0) slice(n);
}

// One span of n frames cut into slices: each slice is rendered (only when `render`,
// e.g. the program lock was free) and then always advanced, so the output write
// positions and buses move by exactly n even when rendering is skipped.
template <class RenderFn, class AdvanceFn>
void renderSpan(int32_t n, bool render, RenderFn&& renderSlice, AdvanceFn&& advance) {
    forEachSlice(n, [&](int32_t m) {
        if (render) renderSlice(m);
        advance(m);
    });
}

// Walks a block of n frames. For each queued entry in order, the frames from
// `rendered` up to its offset (clamped to n) go to span(frames) and `rendered`
// becomes that offset; then decode(entry). An entry at or behind `rendered`
// (offset 0, negative or out of order) is decoded at once. Finally the rest of
// the block goes to span. A block never spans more than n frames.
// span(k) is called with k >= 1 and is expected to cut k into slices with
// forEachSlice. The queue's count is read afresh after every decode, so a decode
// that empties the queue (a reset) ends the walk. The caller empties the queue.
template <class SpanFn, class DecodeFn>
void walkBlock(const MidiEventQueue& queue, int32_t n, int32_t& rendered, SpanFn&& span, DecodeFn&& decode) {
    if (n < 0) n = 0;
    rendered = 0;
    for (int32_t i = 0; i < queue.count(); ++i) {
        const MidiQueueEntry entry = queue.at(i);
        const int32_t target = entry.offset < n ? entry.offset : n;
        if (target > rendered) {
            span(target - rendered);
            rendered = target;
        }
        decode(entry);
    }
    if (rendered < n) span(n - rendered);
}

} // namespace blockslicer
