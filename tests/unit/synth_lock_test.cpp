#include "framework/platform/Lock_c.h"

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

TEST(SynthLock, OwnerReentersOthersMustWait) {
    Lock_c lock;
    ASSERT_TRUE(lock.enter());
    EXPECT_TRUE(lock.tryEnter());  // the owner may enter again
    bool otherGotIt = true;
    std::thread([&] { otherGotIt = lock.tryEnter(); }).join();
    EXPECT_FALSE(otherGotIt);
    lock.leave();
    std::thread([&] { otherGotIt = lock.tryEnter(); }).join();
    EXPECT_FALSE(otherGotIt);  // still held once
    lock.unlock();
    std::thread([&] {
        otherGotIt = lock.tryEnter();
        if (otherGotIt)
            lock.leave();
    }).join();
    EXPECT_TRUE(otherGotIt);
    {
        std::lock_guard<Lock_c> guard(lock);
        EXPECT_TRUE(lock.tryEnter());
        lock.leave();
    }
}
