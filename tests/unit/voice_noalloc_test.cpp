// After construction, the bus, the queue, the block walk and the voice table
// allocate nothing: every global allocation is counted while they run.
#include "framework/voice/AudioTables.h"
#include "framework/voice/BlockSlicer.h"
#include "framework/voice/InBuffer2.h"
#include "framework/voice/MidiEventQueue.h"
#include "framework/voice/PolyNoteTable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "support/CountingAllocator.h"

namespace {
struct Owner : VoiceOwner {};
} // namespace

TEST(VoiceNoAlloc, AudioPathAllocatesNothingAfterConstruction) {
    InBuffer2_c bus;
    bus.openHostBound("OutBuf", 256, 2, audiotables::tinyValues());
    std::vector<float> left(1000), right(1000);
    float* ptrs[2] = {left.data(), right.data()};
    MidiEventQueue queue;
    PolyNoteTable_c table(24);
    Owner owner;

    // The counter must see allocations at all.
    g_counting = true;
    delete new int(1);
    g_counting = false;
    ASSERT_EQ(g_allocations.exchange(0), 1);

    g_counting = true;
    for (int block = 0; block < 20; ++block) {
        bus.setChannelPointers(ptrs);
        for (int e = 0; e < 40; ++e) {
            const uint8_t bytes[3] = {0x90, static_cast<uint8_t>(40 + e % 30), 100};
            queue.insert((e * 37) % 1000, bytes);
        }
        int32_t rendered = 0;
        blockslicer::walkBlock(
            queue, 1000, rendered,
            [&](int32_t span) {
                blockslicer::forEachSlice(span, [&](int32_t m) {
                    float* w = nullptr;
                    if (bus.getMonoWritePointer(&w, false, m))
                        for (int32_t i = 0; i < m; ++i) w[i] += 0.25f;
                    bus.copyLeftToRight(m);
                    bus.advance(m);
                });
            },
            [&](const MidiQueueEntry& e) {
                bool reused = false;
                const VoiceNote n{e.bytes[1], e.bytes[2], 0};
                const int32_t s = table.allocate(0, &owner, 24, n, &reused, true);
                if (s % 3 == 1) table.noteOff(0, n);
                if (s % 5 == 4) table.freeSlot(s);
            });
        bus.rewind();
        queue.clear();
        VoiceNote n{};
        for (int32_t s = table.findFirstOf(0, &n); s >= 0; s = table.findNextOf(0, &n)) table.markKilled(s);
    }
    g_counting = false;
    EXPECT_EQ(g_allocations.load(), 0);
    EXPECT_GT(owner.voicesInUse(), 0) << table.voicesInUse() << " " << table.heldVoices();
}
