// Resetting rows of a set names rows of that set: a range that lies wholly
// outside touches no row; a range that overlaps is cut to the set. And a
// curve changed on a shared descriptor moves the position of every row.
#include "framework/model/ParaSet_c.h"
#include <gtest/gtest.h>
#include <cmath>
#include <vector>

namespace {

constexpr int kRows = 3;

// A set of three rows whose single number column is moved off its default in every row.
struct Moved {
    ParaSet_c set{makeSetTypeId("TST0"), kRows, 1};
    Moved() {
        set.columnDefinition(0)->defineNumber("N", "", 0.0f, 0, 100, 0, 10);
        set.copyRowZeroToAll();
        for (int r = 0; r < kRows; ++r) set.setValue(r, 0, 50 + r);
    }
    std::vector<int32_t> values() const {
        std::vector<int32_t> v;
        for (int r = 0; r < kRows; ++r) v.push_back(set.getValue(r, 0));
        return v;
    }
};

TEST(ModelRows, ResetRowsTouchesOnlyRowsOfTheSet) {
    struct Case {
        int first, end;
        std::vector<int32_t> expected;
    };
    const std::vector<Case> cases = {
        {1, 2, {50, 10, 52}},    // positive control: one row
        {0, 3, {10, 10, 10}},
        {2, 9, {50, 51, 10}},    // cut to the set
        {-4, 1, {10, 51, 52}},   // cut to the set
        {3, 4, {50, 51, 52}},    // the row after the last
        {7, 8, {50, 51, 52}},
        {-2, -1, {50, 51, 52}},
        {-1, 0, {50, 51, 52}},
    };
    for (const Case& c : cases) {
        Moved m;
        m.set.resetRows(c.first, c.end);
        EXPECT_EQ(m.values(), c.expected) << c.first << ".." << c.end;
    }
    Moved m;
    m.set.resetRow(kRows);
    m.set.resetRow(-1);
    EXPECT_EQ(m.values(), (std::vector<int32_t>{50, 51, 52}));
    m.set.resetRow(kRows - 1);
    EXPECT_EQ(m.values(), (std::vector<int32_t>{50, 51, 10}));
}

TEST(ModelRows, ACurveOrLimitChangeKeepsValuesAndMovesEveryPosition) {
    Moved m;
    const std::vector<int32_t> before = m.values();
    // The shared descriptor: every row follows, each keeps its value.
    ASSERT_TRUE(m.set.setCurve(0, 0, 5.0f));
    EXPECT_EQ(m.values(), before);
    for (int r = 0; r < kRows; ++r) {
        const double t = (before[r] - 0) / 100.0;
        const double expected = std::log(1.0 + t * (std::exp(5.0) - 1.0)) / 5.0;
        EXPECT_NEAR(m.set.getNormalized(r, 0), expected, 1e-6) << r;
    }
    // The row's own position written back lands on the same value.
    for (int r = 0; r < kRows; ++r) m.set.setNormalized(r, 0, m.set.getNormalized(r, 0));
    EXPECT_EQ(m.values(), before);
    // Showing infinity at the maximum keeps values and positions.
    const float position = m.set.getNormalized(1, 0);
    ASSERT_TRUE(m.set.setMaxInfinite(1, 0, true));
    EXPECT_EQ(m.values(), before);
    EXPECT_FLOAT_EQ(m.set.getNormalized(1, 0), position);
    EXPECT_FALSE(m.set.setCurve(kRows, 0, 1.0f));
}

} // namespace
