// The patch bay: routes from module rows to buses, applied at once or by condition.
#include "framework/model/Part_c.h"
#include "framework/voice/AudioPatchBay_c.h"
#include "framework/voice/InBuffer2.h"

#include <gtest/gtest.h>

namespace {
// A module that remembers the last binding it was given.
class Module : public Part_c {
public:
    void bindOutput(InBuffer2_c* bus, int channel) override {
        bound = bus;
        boundChannel = channel;
        ++bindings;
    }
    void bindOutputForRow(int row, InBuffer2_c* bus, int channel) override {
        boundRow = row;
        bindOutput(bus, channel);
    }
    InBuffer2_c* bound = nullptr;
    int boundChannel = -1;
    int boundRow = -1;
    int bindings = 0;
};

struct Registry {
    Registry() {
        for (int i = 0; i < 3; ++i) objects[i] = &modules[i];
        rows[0].objects = objects;
        rows[0].count = 3;
    }
    Module modules[3];
    Part_c* objects[3];
    ModuleTableRow rows[ModuleTableRow::kMaxRows];
};
} // namespace

TEST(PatchBay, UnconditionalRoutesApplyOnceAndOnlyOnce) {
    Registry r;
    InBuffer2_c outBuf;
    AudioPatchBay_c bay(700, 700, r.rows);
    ASSERT_TRUE(bay.isValid());
    bay.addRoute("Osc Zen", 0, &outBuf, 0, nullptr, -1, 0);
    for (const Module& m : r.modules) {
        EXPECT_EQ(m.bound, &outBuf);
        EXPECT_EQ(m.bindings, 1);
    }
    bay.addRoute("Osc Zen", 0, &outBuf, 0, nullptr, -1, 0);
    EXPECT_EQ(bay.count(AudioPatchBay_c::kUnconditional), 1);

    // The 701st unconditional route is refused.
    AudioPatchBay_c small(700, 700, r.rows);
    InBuffer2_c buses[701];
    for (int i = 0; i < 701; ++i) small.addRoute("r", 1, &buses[i], 0, nullptr, -1, 0);
    EXPECT_EQ(small.count(AudioPatchBay_c::kUnconditional), 700);

    // Without a registry the patch bay does nothing.
    AudioPatchBay_c none(700, 700, nullptr);
    EXPECT_FALSE(none.isValid());
    none.addRoute("r", 0, &outBuf, 0, nullptr, -1, 0);
    EXPECT_EQ(none.count(AudioPatchBay_c::kUnconditional), 0);
}

TEST(PatchBay, ConditionalRoutesByRangeAndObject) {
    Registry r;
    InBuffer2_c bus;
    AudioPatchBay_c bay(700, 700, r.rows);
    // Empty conditional table: nothing happens.
    bay.apply(3);
    bay.applyTo(&r.modules[1], 3);
    EXPECT_EQ(r.modules[1].bindings, 0);

    bay.add("ranged", 0, 2, 4, &bus, 1, nullptr, -1, -1);
    EXPECT_EQ(bay.count(AudioPatchBay_c::kConditional), 1);
    EXPECT_EQ(r.modules[0].bindings, 0); // conditional routes wait for a value
    bay.apply(5);
    EXPECT_EQ(r.modules[0].bindings, 0);
    bay.apply(3);
    EXPECT_EQ(r.modules[0].boundRow, 3);
    EXPECT_EQ(r.modules[2].boundChannel, 1);
    // An overlapping range with the same row and target is a duplicate.
    bay.add("again", 0, 4, 6, &bus, 1, nullptr, -1, -1);
    EXPECT_EQ(bay.count(AudioPatchBay_c::kConditional), 1);

    // applyTo binds the one object only.
    Registry other;
    AudioPatchBay_c bay2(700, 700, other.rows);
    bay2.add("ranged", 0, 0, 9, &bus, 0, nullptr, -1, -1);
    bay2.applyTo(&other.modules[1], 7);
    EXPECT_EQ(other.modules[1].boundRow, 7);
    EXPECT_EQ(other.modules[0].bindings, 0);
    EXPECT_EQ(other.modules[2].bindings, 0);
}
