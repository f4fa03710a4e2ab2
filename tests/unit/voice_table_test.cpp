#include "framework/voice/PolyNoteTable.h"
#include "os/Clock.h"
#include "os/Random.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

uint32_t g_now = 0;
uint32_t fakeClock(const void*) { return g_now; }

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

// The stealing order, pinned as a script: the table is filled so that every one of the six
// stealing passes has its own oldest candidate, each differing from what any later pass would
// pick; each stolen voice is then killed, so the next note falls to the next pass. Swapping
// two passes, skipping one, dropping a match (instrument, key, channel) or the tie rule
// changes at least one expected slot. New notes are instrument 0, key 60, channel 0.
TEST(VoiceTable, StealingOrderScript) {
    enum Op { On, Steal, Off, Kill, Free };
    struct Step {
        Op op;
        uint32_t t; // ms after the run's base time
        int32_t instrument, key, channel;
        int32_t slot; // expected slot (On, Steal, Off) or the slot acted on (Kill, Free)
    };
    // clang-format off
    static const Step kScript[] = {
        // Filling 12 slots; the comment says what the slot is when the stealing starts.
        {On, 10, 1, 60, 0, 0},   // released later: other instrument              (pass 5, second)
        {On, 11, 1, 60, 0, 1},   // held: other instrument, same key and channel  (pass 6, first)
        {On, 12, 0, 60, 2, 2},   // held: same key, other channel                 (pass 6, second)
        {On, 20, 0, 51, 0, 3},   // held, other key                               (pass 4, tie: lower slot)
        {On, 20, 0, 52, 0, 4},   // held, other key, same ms                      (pass 4, second)
        {On, 21, 0, 60, 0, 5},   // released, same key                            (pass 1, first)
        {On, 21, 0, 60, 0, 6},   // released, same key, later                     (pass 1, second)
        {On, 22, 0, 60, 0, 7},   // held, same key                                (pass 3)
        {On, 23, 0, 54, 0, 8},   // released, other key, later                    (pass 2, second)
        {On, 24, 0, 55, 0, 9},   // released, other key, earlier: higher slot     (pass 2, first)
        {On, 25, 0, 60, 1, 10},  // released: same key, other channel             (pass 5, first)
        {On, 26, 0, 56, 0, 11},  // killed: never stolen
        {Kill, 30, 0, 0, 0, 11},
        {Off, 42, 0, 60, 1, 10},
        {Off, 44, 1, 60, 0, 0},  // the lowest held slot of the key goes first
        {Off, 46, 0, 55, 0, 9},
        {Off, 48, 0, 54, 0, 8},
        {Off, 50, 0, 60, 0, 5},
        {Off, 51, 0, 60, 0, 6},
        // The table is full: each new note steals, and the stolen voice is killed at once.
        {Steal, 60, 0, 60, 0, 5},  {Kill, 60, 0, 0, 0, 5},   // 1: released, same key, oldest release
        {Steal, 60, 0, 60, 0, 6},  {Kill, 60, 0, 0, 0, 6},
        {Steal, 61, 0, 60, 0, 9},  {Kill, 61, 0, 0, 0, 9},   // 2: released, same channel, oldest release
        {Steal, 61, 0, 60, 0, 8},  {Kill, 61, 0, 0, 0, 8},
        {Steal, 62, 0, 60, 0, 7},  {Kill, 62, 0, 0, 0, 7},   // 3: held, same key
        {Steal, 63, 0, 60, 0, 3},  {Kill, 63, 0, 0, 0, 3},   // 4: held, same channel, oldest start
        {Steal, 63, 0, 60, 0, 4},  {Kill, 63, 0, 0, 0, 4},
        {Steal, 64, 0, 60, 0, 10}, {Kill, 64, 0, 0, 0, 10},  // 5: any released
        {Steal, 64, 0, 60, 0, 0},  {Kill, 64, 0, 0, 0, 0},
        {Steal, 65, 0, 60, 0, 1},  {Kill, 65, 0, 0, 0, 1},   // 6: any held
        {Steal, 65, 0, 60, 0, 2},  {Kill, 65, 0, 0, 0, 2},
        {Steal, 66, 0, 60, 0, -1},                            // all killed: no voice
        // A freed slot is taken before any steal; a voice started this very ms can be stolen.
        {Free, 70, 0, 0, 0, 5},
        {On, 70, 0, 70, 0, 5},
        {Steal, 70, 0, 71, 0, 5},
    };
    // clang-format on

    // Every base puts 2^31 or 2^32 between two neighbouring times of the script once,
    // so any comparison of raw stamps instead of their ages changes some answer.
    std::vector<uint64_t> bases = {1000};
    for (const uint64_t boundary : {uint64_t{1} << 31, uint64_t{1} << 32})
        for (const Step& step : kScript) bases.push_back(boundary - step.t - 1);

    for (const uint64_t base : bases) {
        SCOPED_TRACE("base " + std::to_string(base));
        PolyNoteTable_c t(12, fakeClock);
        Owner owners[2];
        for (size_t i = 0; i < sizeof kScript / sizeof kScript[0]; ++i) {
            const Step& s = kScript[i];
            SCOPED_TRACE("step " + std::to_string(i));
            g_now = static_cast<uint32_t>(base + s.t);
            bool reused = s.op != Steal;
            switch (s.op) {
            case On:
            case Steal:
                ASSERT_EQ(t.allocate(s.instrument, &owners[s.instrument], 24, note(s.key, s.channel), &reused, false),
                          s.slot);
                ASSERT_EQ(reused, s.op == Steal);
                break;
            case Off: ASSERT_EQ(t.noteOff(s.instrument, note(s.key, s.channel)), s.slot); break;
            case Kill: t.markKilled(s.slot); break;
            case Free: t.freeSlot(s.slot); break;
            }
        }
        expectCountersMatchSlots(t, {&owners[0], &owners[1]});
        if (HasFatalFailure()) return;
    }
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
