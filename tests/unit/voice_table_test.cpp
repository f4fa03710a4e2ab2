#include "framework/voice/PolyNoteTable.h"
#include "os/Clock.h"
#include "os/Random.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

uint32_t g_now = 0;
uint32_t fakeClock() { return g_now; }

struct Owner : VoiceOwner {};

VoiceNote note(int32_t key, int32_t channel = 0, int32_t velocity = 100) { return VoiceNote{key, velocity, channel}; }

// Holds `count` notes (keys 40.., channel 0) for instrument 0, one per ms from `start`;
// `sameMs` voices share each millisecond.
void holdNotes(PolyNoteTable_c& t, Owner& o, int32_t count, uint32_t start, int32_t sameMs = 1) {
    for (int32_t i = 0; i < count; ++i) {
        g_now = start + static_cast<uint32_t>(i / sameMs);
        bool reused = true;
        ASSERT_EQ(t.allocate(0, &o, 24, note(40 + i), &reused, false), i);
        ASSERT_FALSE(reused);
    }
}

// Every counter must equal what the slots say.
void expectCountersMatchSlots(const PolyNoteTable_c& t, const std::vector<Owner*>& owners) {
    int32_t inUse = 0, held = 0;
    std::vector<int32_t> ownerInUse(owners.size(), 0), ownerHeld(owners.size(), 0);
    for (int32_t i = 0; i < t.slotCount(); ++i) {
        const VoiceSlot* s = t.getSlot(i);
        if (s->state == kVoiceFree) continue;
        ++inUse;
        held += s->state == kVoiceHeld;
        for (size_t k = 0; k < owners.size(); ++k) {
            if (s->owner != owners[k]) continue;
            ++ownerInUse[k];
            ownerHeld[k] += s->state == kVoiceHeld;
        }
    }
    ASSERT_EQ(t.voicesInUse(), inUse);
    ASSERT_EQ(t.heldVoices(), held);
    for (size_t k = 0; k < owners.size(); ++k) {
        ASSERT_EQ(owners[k]->voicesInUse(), ownerInUse[k]) << "owner " << k;
        ASSERT_EQ(owners[k]->heldVoices(), ownerHeld[k]) << "owner " << k;
    }
}

} // namespace

TEST(VoiceTable, FullTableStealsOldestHeldLowestSlotOnTies) {
    PolyNoteTable_c t(24, fakeClock);
    Owner o;
    holdNotes(t, o, 24, 1000, 2); // slots 0 and 1 share the oldest millisecond
    bool reused = false;
    g_now = 2000;
    EXPECT_EQ(t.allocate(0, &o, 24, note(90), &reused, false), 0);
    EXPECT_TRUE(reused);
    EXPECT_EQ(o.voicesInUse(), 24);
    EXPECT_EQ(t.getSlot(0)->note, 90);
    // Now slots 1 (1000 ms) is oldest alone; after it, 2 and 3 tie.
    EXPECT_EQ(t.allocate(0, &o, 24, note(91), &reused, false), 1);
    EXPECT_EQ(t.allocate(0, &o, 24, note(92), &reused, false), 2);
    EXPECT_EQ(t.allocate(0, &o, 24, note(93), &reused, false), 3);
    // A held voice of the same key is taken before older voices of other keys.
    EXPECT_EQ(t.allocate(0, &o, 24, note(60), &reused, false), 20);
    expectCountersMatchSlots(t, {&o});
}

TEST(VoiceTable, ReleasedVoiceOfTheSameKeyWins) {
    PolyNoteTable_c t(24, fakeClock);
    Owner o;
    holdNotes(t, o, 24, 5000);
    g_now = 6000;
    t.noteOff(0, note(41)); // released early: the oldest release
    g_now = 6100;
    t.noteOff(0, note(50));
    bool reused = false;
    g_now = 6200;
    // Same key and channel still in its release: taken even though an older release exists.
    EXPECT_EQ(t.allocate(0, &o, 24, note(50), &reused, false), 10);
    EXPECT_TRUE(reused);
    // Another key: the oldest released voice of the instrument and channel.
    EXPECT_EQ(t.allocate(0, &o, 24, note(99), &reused, false), 1);
    // Same key on another channel matches none of the instrument's passes: any released voice.
    t.noteOff(0, note(45));
    EXPECT_EQ(t.allocate(0, &o, 24, note(45, 3), &reused, false), 5);

    // With free slots and prefer-same-note, a released voice of that key is reused.
    PolyNoteTable_c u(24, fakeClock);
    Owner p;
    holdNotes(u, p, 4, 100);
    u.noteOff(0, note(42));
    EXPECT_EQ(u.allocate(0, &p, 24, note(42), &reused, true), 2);
    EXPECT_TRUE(reused);
    u.noteOff(0, note(42));
    EXPECT_EQ(u.allocate(0, &p, 24, note(42), &reused, false), 4);
    EXPECT_FALSE(reused);
    expectCountersMatchSlots(u, {&p});
}

TEST(VoiceTable, LoweringPolyphonyFreesTheOldestVoices) {
    PolyNoteTable_c t(24, fakeClock);
    Owner o;
    // 8 held, started in the order 3, 7, 1, 5, 0, 2, 6, 4 (slot of each start).
    const int32_t startOrder[8] = {3, 7, 1, 5, 0, 2, 6, 4};
    holdNotes(t, o, 8, 100);
    for (int32_t k = 0; k < 8; ++k) {
        t.freeSlot(startOrder[k]);
        g_now = 200 + static_cast<uint32_t>(k);
        bool reused = false;
        ASSERT_EQ(t.allocate(0, &o, 24, note(60 + k), &reused, false), startOrder[k]);
    }
    g_now = 300;
    bool reused = false;
    // Limit 2: six oldest are freed (slots 3 7 1 5 0 2), then the older of 6 and 4 is stolen.
    EXPECT_EQ(t.allocate(0, &o, 2, note(90), &reused, false), 6);
    EXPECT_TRUE(reused);
    EXPECT_EQ(o.voicesInUse(), 2);
    for (int32_t s : {3, 7, 1, 5, 0, 2}) EXPECT_EQ(t.getSlot(s)->state, kVoiceFree) << s;
    EXPECT_EQ(t.getSlot(4)->state, kVoiceHeld);
    // Freeing the excess takes a released voice before any held one, however old.
    t.noteOff(0, note(90));
    EXPECT_EQ(t.allocate(0, &o, 1, note(91), &reused, false), 4);
    EXPECT_EQ(t.getSlot(6)->state, kVoiceFree);
    EXPECT_EQ(o.voicesInUse(), 1);
    expectCountersMatchSlots(t, {&o});
}

TEST(VoiceTable, NoteOffIterationAndQueries) {
    PolyNoteTable_c t(8, fakeClock);
    Owner a, b;
    bool reused = false;
    g_now = 10;
    t.allocate(0, &a, 8, note(60, 1), &reused, false); // slot 0
    g_now = 50;
    t.allocate(1, &b, 8, note(60, 2), &reused, false); // slot 1
    t.allocate(0, &a, 8, note(60, 1), &reused, false); // slot 2, 40 ms after slot 0: legato
    g_now = 60;
    t.allocate(0, &a, 8, note(62, 1), &reused, false); // slot 3
    EXPECT_FALSE(t.getSlot(0)->legato);
    EXPECT_TRUE(t.getSlot(2)->legato);
    EXPECT_EQ(t.countHeldOnChannel(1), 3);
    EXPECT_EQ(t.countHeldOnChannel(16), 4);
    EXPECT_FALSE(a.getSingleHeld(1));
    EXPECT_TRUE(b.getSingleHeld(2));

    // Two note-offs of one key release the lowest held slot first; channel 16 matches any.
    EXPECT_EQ(t.noteOff(0, note(60, 1, 33)), 0);
    EXPECT_EQ(t.getSlot(0)->velocity, 33);
    EXPECT_EQ(t.noteOff(0, note(60, 16)), 2);
    EXPECT_EQ(t.noteOff(0, note(60, 1)), -1);
    EXPECT_EQ(a.heldVoices(), 1);
    EXPECT_EQ(a.voicesInUse(), 3);

    t.markKilled(3);
    VoiceNote n{};
    EXPECT_EQ(t.findFirstOf(0, &n), 0);
    EXPECT_EQ(t.findNextOf(0, &n), 2);
    EXPECT_EQ(t.findNextOf(0, &n), 3); // killed voices still render their fade
    EXPECT_EQ(n.key, 62);
    EXPECT_EQ(t.findNextOf(0, &n), PolyNoteTable_c::kNoMore);
    EXPECT_EQ(t.findNextOf(0, &n), PolyNoteTable_c::kNotIterating);
    EXPECT_EQ(t.findSounding(0, 128, 16), 0);
    EXPECT_EQ(t.findSounding(0, 62, 16), -1); // killed is not sounding
    EXPECT_EQ(t.findSounding(1, 60, 2), 1);

    int32_t inst = 7;
    EXPECT_FALSE(t.getHeldNote(0, &inst, &n));
    EXPECT_EQ(inst, -1);
    EXPECT_TRUE(t.getHeldNote(1, &inst, &n));
    EXPECT_EQ(inst, 1);
    EXPECT_TRUE(t.getNoteOf(3, 0, &n));
    EXPECT_FALSE(t.getNoteOf(3, 1, &n));
    EXPECT_FALSE(t.getNoteInfo(8, &n));
    EXPECT_EQ(t.getSlot(99), t.getSlot(7)); // clamped

    // Releasing or killing a free slot leaves it free and the counters alone.
    t.release(6, 10);
    t.markKilled(7);
    EXPECT_EQ(t.getSlot(6)->state, kVoiceFree);
    EXPECT_EQ(t.getSlot(7)->state, kVoiceFree);
    expectCountersMatchSlots(t, {&a, &b});

    t.reset();
    EXPECT_EQ(a.voicesInUse(), 0);
    EXPECT_EQ(b.heldVoices(), 0);
    EXPECT_EQ(t.findFirstOf(0, &n), PolyNoteTable_c::kTableIdle);
    expectCountersMatchSlots(t, {&a, &b});
}

// Voices started just before the clock passes 2^31 (or wraps at 2^32) are older than
// the ones started after it, and still get stolen.
TEST(VoiceTable, StealingAcrossClockBoundaries) {
    for (const uint64_t boundary : {uint64_t{1} << 31, uint64_t{1} << 32}) {
        auto setNow = [&](int64_t fromBoundary) {
            os::holdTickForTesting(static_cast<uint32_t>(boundary + fromBoundary));
        };
        PolyNoteTable_c t(24, nullptr); // the os clock
        Owner o;
        bool reused = false;
        setNow(-40);
        for (int32_t i = 0; i < 12; ++i) ASSERT_EQ(t.allocate(0, &o, 24, note(30 + i), &reused, false), i);
        setNow(+40);
        for (int32_t i = 12; i < 24; ++i) ASSERT_EQ(t.allocate(0, &o, 24, note(30 + i), &reused, false), i);
        EXPECT_TRUE(t.getSlot(12)->legato); // 80 ms after slot 0, across the boundary
        const int32_t stolen = t.allocate(0, &o, 24, note(100), &reused, false);
        EXPECT_GE(stolen, 0);
        EXPECT_LT(stolen, 12) << "boundary " << boundary;
        // Released voices likewise: the release before the boundary is the oldest.
        setNow(-30 + 0);
        t.noteOff(0, note(35));
        setNow(+60);
        t.noteOff(0, note(40));
        EXPECT_EQ(t.allocate(0, &o, 24, note(101), &reused, false), 5);
        expectCountersMatchSlots(t, {&o});
    }
    os::releaseTickForTesting();
}

TEST(VoiceTable, RandomOperationsKeepCountersEqualToSlots) {
    for (const uint32_t start : {0x00100000u, 0x7FFFF000u, 0xFFFFF000u}) {
        g_now = start;
        os::Random15 rng(start & 0x7FFF);
        PolyNoteTable_c t(24, fakeClock);
        Owner a, b, c;
        std::vector<Owner*> owners = {&a, &b, &c};
        for (int step = 0; step < 20000; ++step) {
            g_now += static_cast<uint32_t>(rng.next() % 3); // crosses 2^31 / 2^32 on the way
            const int32_t k = rng.next() % 3;
            const int32_t slot = rng.next() % 26 - 1; // includes out-of-range slots
            const VoiceNote n = note(rng.next() % 12 + 50, rng.next() % 3, rng.next() % 127 + 1);
            switch (rng.next() % 10) {
            case 0:
            case 1:
            case 2: {
                bool reused = false;
                const int32_t limit = rng.next() % 26;
                const int32_t got = t.allocate(k, owners[k], limit, n, &reused, rng.next() % 2 == 0);
                // Only an all-killed table may refuse a note.
                if (got < 0) {
                    for (int32_t i = 0; i < t.slotCount(); ++i) {
                        const VoiceState s = t.getSlot(i)->state;
                        ASSERT_TRUE(s == kVoiceKilled || s == kVoiceFree) << "step " << step;
                    }
                } else {
                    ASSERT_EQ(t.getSlot(got)->state, kVoiceHeld);
                    ASSERT_EQ(t.getSlot(got)->owner, owners[k]);
                }
                break;
            }
            case 3:
            case 4: t.noteOff(k, n); break;
            case 5: t.release(slot, n.velocity); break;
            case 6: t.freeSlot(slot); break;
            case 7: t.markKilled(slot); break;
            case 8: t.freeExcess(k, rng.next() % 4); break;
            case 9:
                if (rng.next() % 50 == 0) t.reset();
                break;
            }
            expectCountersMatchSlots(t, owners);
            if (HasFatalFailure()) return;
        }
    }
}
