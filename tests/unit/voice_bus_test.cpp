#include "framework/voice/AudioTables.h"
#include "framework/voice/InBuffer2.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const float* tiny() { return audiotables::tinyValues(); }

void expectTemplate(const float* p, int32_t n, int32_t from = 0) {
    for (int32_t i = from; i < n; ++i) ASSERT_EQ(p[i], tiny()[i % 256]) << "sample " << i;
}

} // namespace

TEST(VoiceBusTables, TinyValuesAndSilenceCopyRestartEvery256) {
    const float* t = tiny();
    EXPECT_EQ(t[0], -1e-7f);
    EXPECT_EQ(t[1], 1e-7f);
    EXPECT_EQ(t[255], 1e-7f);
    for (int32_t i = 0; i < 256; ++i) {
        ASSERT_EQ(t[i], (i % 2 == 0) ? -1e-7f : 1e-7f);
        ASSERT_EQ(audiotables::unityGains()[i], 1.0f);
    }
    // 600 samples: the table restarts at 256 and 512, and nothing past the end is touched.
    std::vector<float> out(610, 5.0f);
    audiotables::copyTemplate(out.data(), 600, t);
    expectTemplate(out.data(), 600);
    EXPECT_EQ(out[600], 5.0f);
    audiotables::copyTemplate(out.data(), 0, t);
    audiotables::copyTemplate(out.data(), -3, t);
    EXPECT_EQ(out[600], 5.0f);
}

TEST(VoiceBus, OpeningRefusalsAndSilenceFill) {
    InBuffer2_c bus;
    bus.openHostBound("OutBuf", 256, 7, tiny());
    bus.openHostBound("OutBuf", 256, 2, nullptr);
    bus.openOwned("B", 256, 7, tiny(), false, false);
    bus.openOwned("B", 0, 2, tiny(), false, false);
    EXPECT_STREQ(bus.name(), "unnamed");
    EXPECT_FALSE(bus.isValid());
    EXPECT_EQ(bus.getChannels(), 0);
    float* p = nullptr;
    EXPECT_FALSE(bus.getMonoWritePointer(&p, false, 1));
    EXPECT_EQ(p, nullptr);

    // Host-bound: only the mix buffer is owned, and it starts as silence.
    bus.openHostBound("OutBuf", 256, 2, tiny());
    EXPECT_TRUE(bus.isValid());
    EXPECT_TRUE(bus.isHostBound());
    EXPECT_STREQ(bus.name(), "OutBuf");
    EXPECT_EQ(bus.slot(0), nullptr);
    EXPECT_EQ(bus.slot(2), nullptr);
    ASSERT_NE(bus.slot(1), nullptr);
    EXPECT_EQ(bus.slot(3), nullptr);
    expectTemplate(bus.slot(1), 256);

    // Owned six channels: every slot exists and is silence over its 300 frames.
    InBuffer2_c six;
    six.openOwned("Six", 300, 6, tiny(), false, false);
    ASSERT_TRUE(six.isValid());
    for (int32_t s = 0; s < InBuffer2_c::kSlotCount; ++s) {
        ASSERT_NE(six.slot(s), nullptr);
        expectTemplate(six.slot(s), 300);
    }
    // An owned bus keeps its own buffers: host pointers are refused.
    float host[4] = {};
    float* ptrs[6] = {host, host, host, host, host, host};
    EXPECT_EQ(six.setChannelPointers(ptrs), 0);
    EXPECT_NE(six.slot(0), host);
}

TEST(VoiceBus, HostBoundBindingOffsetsAndNullOutputs) {
    InBuffer2_c bus;
    bus.openHostBound("OutBuf", 256, 2, tiny());
    std::vector<float> left(1024, 0.0f), right(1024, 0.0f);
    float* ptrs[2] = {left.data(), right.data()};
    EXPECT_EQ(bus.setChannelPointers(ptrs), 2);

    // The mono writer gets the host's left channel at the write position, also past
    // the bus's own 256 frames (the host block is longer).
    for (int32_t slice = 0; slice < 4; ++slice) {
        float* w = nullptr;
        ASSERT_TRUE(bus.getMonoWritePointer(&w, false, 256));
        ASSERT_EQ(w, left.data() + slice * 256);
        for (int32_t i = 0; i < 256; ++i) w[i] += static_cast<float>(slice * 256 + i);
        bus.copyLeftToRight(256);
        bus.advance(256);
    }
    EXPECT_EQ(bus.writeOffset(), 1024);
    EXPECT_EQ(left, right);
    EXPECT_EQ(right[1023], 1023.0f);
    bus.rewind();
    EXPECT_EQ(bus.writeOffset(), 0);
    bus.advance(-5); // never moves backwards
    EXPECT_EQ(bus.writeOffset(), 0);

    // A direct writer is only for host-bound buses; an owned bus refuses it.
    float* w = nullptr;
    EXPECT_TRUE(bus.getMonoWritePointer(&w, true, 16));
    InBuffer2_c owned;
    owned.openOwned("O", 256, 2, tiny(), false, false);
    EXPECT_FALSE(owned.getMonoWritePointer(&w, true, 16));

    // A missing host output renders nothing: no pointer, and no copy into the other side.
    float* missingLeft[2] = {nullptr, right.data()};
    bus.setChannelPointers(missingLeft);
    w = reinterpret_cast<float*>(&w);
    EXPECT_FALSE(bus.getMonoWritePointer(&w, false, 64));
    EXPECT_EQ(w, nullptr);
    const std::vector<float> before = right;
    bus.copyLeftToRight(64);
    EXPECT_EQ(right, before);
    float* missingRight[2] = {left.data(), nullptr};
    bus.setChannelPointers(missingRight);
    bus.copyLeftToRight(64); // must not crash
    EXPECT_TRUE(bus.getMonoWritePointer(&w, false, 64));

    // Resizing a host-bound bus re-allocates only its mix buffer; the host's pointers stay.
    bus.setChannelPointers(ptrs);
    bus.setFrames(128);
    EXPECT_EQ(bus.slot(0), left.data());
    EXPECT_EQ(bus.slot(2), right.data());
    EXPECT_EQ(bus.frames(), 128);
    expectTemplate(bus.slot(1), 128);
}

TEST(VoiceBus, AdvanceFollowsKeepPositionFlags) {
    InBuffer2_c free, keepA, keepB;
    free.openOwned("F", 256, 1, tiny(), false, false);
    keepA.openOwned("A", 256, 1, tiny(), true, false);
    keepB.openOwned("B", 256, 1, tiny(), false, true);
    for (InBuffer2_c* b : {&free, &keepA, &keepB}) b->advance(100);
    EXPECT_EQ(free.writeOffset(), 100);
    EXPECT_EQ(keepA.writeOffset(), 0);
    EXPECT_EQ(keepB.writeOffset(), 0);
}

TEST(VoiceBus, OwnedBuffersAreNeverHandedOutPastTheirEnd) {
    // Owned bus: the channel buffers hold 256 frames.
    InBuffer2_c owned;
    owned.openOwned("O", 256, 2, tiny(), false, false);
    owned.advance(200);
    float* w = nullptr;
    float* r = nullptr;
    EXPECT_TRUE(owned.getMonoWritePointer(&w, false, 56));
    EXPECT_EQ(w, owned.slot(0) + 200);
    EXPECT_FALSE(owned.getMonoWritePointer(&w, false, 57));
    EXPECT_EQ(w, nullptr);
    EXPECT_FALSE(owned.getStereoWritePointers(&w, &r, 57));
    EXPECT_FALSE(owned.getMonoReadPointer(&r, false, 57));
    const float tail = owned.slot(2)[255];
    owned.copyLeftToRight(100); // 200 + 100 > 256: refused, nothing written
    EXPECT_EQ(owned.slot(2)[255], tail);

    // Host-bound bus holding stereo: a mono writer goes to the 256-frame mix buffer,
    // which is refused once the write position plus the slice passes its end.
    InBuffer2_c bus;
    bus.openHostBound("OutBuf", 256, 2, tiny());
    std::vector<float> left(1024, 0.0f), right(1024, 0.0f);
    float* ptrs[2] = {left.data(), right.data()};
    bus.setChannelPointers(ptrs);
    bus.spreadStereo(); // the bus now holds stereo content
    ASSERT_TRUE(bus.holdsStereo());
    EXPECT_TRUE(bus.getMonoWritePointer(&w, false, 256));
    EXPECT_EQ(w, bus.slot(1));
    bus.advance(256);
    EXPECT_FALSE(bus.getMonoWritePointer(&w, false, 1));
    // The host's own channels are still handed out.
    EXPECT_TRUE(bus.getMonoWritePointer(&w, true, 256));
    EXPECT_EQ(w, left.data() + 256);
}

TEST(VoiceBus, LayoutChangesThroughMixBuffersAndSpreading) {
    InBuffer2_c bus;
    bus.openOwned("S", 64, 2, tiny(), false, false);
    bus.beginSlice(32);
    EXPECT_EQ(bus.sliceFrames(), 32);

    // Mono content widened by a stereo writer: left is copied to the right first.
    float* m = nullptr;
    ASSERT_TRUE(bus.getMonoWritePointer(&m, false, 32));
    for (int32_t i = 0; i < 32; ++i) m[i] = 1.0f;
    bus.spreadMono();
    EXPECT_TRUE(bus.holdsMono());
    float* l = nullptr;
    float* r = nullptr;
    ASSERT_TRUE(bus.getStereoWritePointers(&l, &r, 32));
    EXPECT_TRUE(bus.holdsStereo());
    EXPECT_EQ(r[31], 1.0f);
    for (int32_t i = 0; i < 32; ++i) r[i] += 1.0f; // left 1, right 2

    // A mono writer on stereo content gets the mix buffer; spreading adds it to both.
    ASSERT_TRUE(bus.getMonoWritePointer(&m, false, 32));
    EXPECT_EQ(m, bus.slot(1));
    for (int32_t i = 0; i < 32; ++i) m[i] += 0.5f - bus.slot(1)[i];
    bus.spreadMono();
    EXPECT_EQ(bus.slot(0)[0], 1.5f);
    EXPECT_EQ(bus.slot(2)[31], 2.5f);
    EXPECT_FALSE(bus.isSilent());

    // Summed to one channel and back: the mix-down read averages the two channels.
    ASSERT_TRUE(bus.getMonoReadPointer(&m, true, 32));
    EXPECT_EQ(m[5], 2.0f);
    EXPECT_FALSE(bus.getMonoReadPointer(&m, false, 32));

    // A slice longer than the bus is ignored; the next slice clears what was used.
    bus.beginSlice(65);
    EXPECT_EQ(bus.sliceFrames(), 32);
    bus.beginSlice(16);
    expectTemplate(bus.slot(0), 32);
    expectTemplate(bus.slot(1), 32);
    expectTemplate(bus.slot(2), 32);
    EXPECT_FALSE(bus.holdsStereo());

    // isSilent: exactly 0.001 is still silent, anything above is not.
    ASSERT_TRUE(bus.getMonoWritePointer(&m, false, 16));
    m[3] = -0.001f;
    bus.spreadMono();
    EXPECT_TRUE(bus.isSilent());
    m[3] = 0.0011f;
    EXPECT_FALSE(bus.isSilent());
}

TEST(VoiceBus, MixAndCopyBetweenBusesWithGainCurve) {
    InBuffer2_c source, target;
    source.openOwned("Src", 32, 2, tiny(), false, false);
    target.openOwned("Dst", 32, 2, tiny(), false, false);
    source.beginSlice(16);
    target.beginSlice(16);
    float* w = nullptr;
    ASSERT_TRUE(source.getMonoWritePointer(&w, false, 16));
    for (int32_t i = 0; i < 16; ++i) w[i] = 1.0f;
    source.spreadMono();

    const float gain[2] = {0.5f, 2.0f}; // one per 8 frames
    target.copyFrom(source, 16, false, gain);
    EXPECT_TRUE(target.holdsMono());
    EXPECT_EQ(target.slot(0)[7], 0.5f);
    EXPECT_EQ(target.slot(0)[8], 2.0f);
    target.mixFrom(source, 16, false, nullptr);
    EXPECT_EQ(target.slot(0)[0], 1.5f);
    EXPECT_EQ(target.lastAccess(), InBuffer2_c::kAccessSpread);

    // Forced stereo: the mono source lands on both channels.
    target.beginSlice(16);
    target.mixFrom(source, 16, true, nullptr);
    EXPECT_TRUE(target.holdsStereo());
    EXPECT_FLOAT_EQ(target.slot(0)[2], 1.0f + tiny()[2]);
    EXPECT_FLOAT_EQ(target.slot(2)[2], 1.0f + tiny()[2]);

    // A copy longer than the target bus moves no samples.
    InBuffer2_c small;
    small.openOwned("Small", 8, 1, tiny(), false, false);
    small.copyFrom(source, 16, false, nullptr);
    expectTemplate(small.slot(0), 8);

    // Pairs: stereo content is added into the two outputs.
    float outL[16] = {}, outR[16] = {};
    target.addToPair(outL, outR, 16);
    EXPECT_FLOAT_EQ(outL[2], target.slot(0)[2]);
    EXPECT_FLOAT_EQ(outR[2], target.slot(2)[2]);
}
