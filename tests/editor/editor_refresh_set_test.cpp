// The editor's refresh set: what waits is drawn once, highest index first;
// more than 64 distinct indexes turn into one full redraw; marks from many
// threads at once are neither lost nor duplicated.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "editor/ControlRefreshSet.h"

namespace {

struct Drained {
    std::vector<int32_t> indexes;
    int full = 0;
};

Drained drain(editor::ControlRefreshSet& set) {
    Drained d;
    set.drain([&](int32_t i) { d.indexes.push_back(i); }, [&] { ++d.full; });
    return d;
}

TEST(EditorRefreshSet, EachIndexOnceHighestFirstAndA65thMeansEverything) {
    editor::ControlRefreshSet set;
    EXPECT_FALSE(set.pending());
    set.mark(7);
    set.mark(3);
    set.mark(7);
    set.mark(700);
    set.mark(-1);      // outside: ignored
    set.mark(8192);
    EXPECT_TRUE(set.pending());
    Drained d = drain(set);
    EXPECT_EQ(d.indexes, (std::vector<int32_t>{700, 7, 3}));
    EXPECT_EQ(d.full, 0);
    EXPECT_FALSE(set.pending());
    EXPECT_TRUE(drain(set).indexes.empty());

    // 64 distinct: drawn one by one.
    for (int32_t i = 0; i < 64; ++i) set.mark(i * 3);
    d = drain(set);
    EXPECT_EQ(d.indexes.size(), 64u);
    EXPECT_EQ(d.full, 0);
    EXPECT_EQ(d.indexes.front(), 63 * 3);
    EXPECT_EQ(d.indexes.back(), 0);

    // 65 distinct (repeats cost nothing): one full redraw, nothing else.
    for (int round = 0; round < 3; ++round)
        for (int32_t i = 0; i < 65; ++i) set.mark(i);
    d = drain(set);
    EXPECT_EQ(d.full, 1);
    EXPECT_TRUE(d.indexes.empty());
    // The count starts again after a drain.
    set.mark(1);
    d = drain(set);
    EXPECT_EQ(d.full, 0);
    EXPECT_EQ(d.indexes, std::vector<int32_t>{1});

    set.markAll();
    set.clear();
    EXPECT_FALSE(set.pending());
}

TEST(EditorRefreshSet, MarksFromManyThreadsWhileDrainingAreAllSeen) {
    editor::ControlRefreshSet set;
    constexpr int kThreads = 4, kRounds = 2000;
    std::atomic<bool> go{false};
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t)
        writers.emplace_back([&, t] {
            while (!go.load()) {}
            for (int r = 0; r < kRounds; ++r) set.mark(t * 10 + r % 10);  // 10 indexes per thread
        });
    std::vector<int> seen(64, 0);
    int full = 0;
    go = true;
    for (int i = 0; i < 200; ++i) set.drain([&](int32_t x) { ++seen[x]; }, [&] { ++full; });
    for (std::thread& w : writers) w.join();
    set.drain([&](int32_t x) { ++seen[x]; }, [&] { ++full; });
    // 40 distinct indexes never exceed the limit: no full redraw, every index seen.
    EXPECT_EQ(full, 0);
    for (int t = 0; t < kThreads; ++t)
        for (int k = 0; k < 10; ++k) EXPECT_GE(seen[t * 10 + k], 1) << t * 10 + k;
    EXPECT_FALSE(set.pending());
}

} // namespace
