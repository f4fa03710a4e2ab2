#include "tools/host/lib/DemoPattern.h"
#include "tools/host/lib/EventSchedule.h"
#include <gtest/gtest.h>
#include <map>
#include <set>

using namespace kelvanti_host;

TEST(DemoPattern, OrderedBalancedNotesOnOurKeysWithParameterMoves) {
    const Performance demo = demoPattern();
    ASSERT_GE(demo.midi.size(), 100u);
    const double barSeconds = 4 * 60.0 / kDemoBeatsPerMinute;
    const double lengthSeconds = (kDemoBars + 1) * barSeconds;

    std::map<int, int> sounding;  // key -> notes on
    std::set<int> keys, velocities;
    for (std::size_t i = 0; i < demo.midi.size(); ++i) {
        const MidiEvent& e = demo.midi[i];
        if (i > 0) {
            EXPECT_LE(demo.midi[i - 1].seconds, e.seconds) << i;
        }
        EXPECT_GE(e.seconds, 0.0);
        EXPECT_LT(e.seconds, lengthSeconds);
        EXPECT_EQ(e.channel(), 0);
        EXPECT_TRUE(e.isNoteOn() || e.isNoteOff()) << i;
        EXPECT_TRUE(e.data1 == 36 || e.data1 == 38 || e.data1 == 42 || e.data1 == 46 || e.data1 == 49 ||
                    (e.data1 >= 60 && e.data1 <= 72)) << int(e.data1);
        if (e.isNoteOn()) {
            EXPECT_EQ(sounding[e.data1]++, 0) << "key " << int(e.data1) << " struck again while sounding";
            keys.insert(e.data1);
            velocities.insert(e.data2);
        } else {
            EXPECT_EQ(sounding[e.data1]--, 1) << "note-off without a note at key " << int(e.data1);
        }
    }
    for (const auto& [key, count] : sounding) EXPECT_EQ(count, 0) << "key " << key << " left sounding";
    EXPECT_GE(keys.size(), 8u);
    EXPECT_GE(velocities.size(), 4u);

    ASSERT_GE(demo.parameterChanges.size(), 3u);
    std::set<std::string> names;
    for (std::size_t i = 0; i < demo.parameterChanges.size(); ++i) {
        const ParameterChange& change = demo.parameterChanges[i];
        if (i > 0) {
            EXPECT_LE(demo.parameterChanges[i - 1].seconds, change.seconds);
        }
        EXPECT_GE(change.value, 0.0f);
        EXPECT_LE(change.value, 1.0f);
        EXPECT_LT(change.seconds, kDemoBars * barSeconds);
        names.insert(change.name);
    }
    EXPECT_GE(names.size(), 2u);

    // Scheduled, the render runs until the last note-off.
    const EventSchedule schedule(demo, 48000.0, 512);
    EXPECT_EQ(schedule.endSample(), EventSchedule::samplePosition(demo.midi.back().seconds, 48000.0) + 1);
    EXPECT_TRUE(demo.midi.back().isNoteOff());
}
