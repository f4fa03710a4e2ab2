// The voice base: key and velocity values at note on, offsets, binding.
#include "support/TestSynth.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace testsynth;

TEST(VoiceBase, KeyAndVelocityValues) {
    EXPECT_FLOAT_EQ(Tone_c::keyPositionOf(0), -1.0f);
    EXPECT_FLOAT_EQ(Tone_c::keyCurveOf(Tone_c::keyPositionOf(0)), -1.0f); // clamped from -2
    EXPECT_FLOAT_EQ(Tone_c::keyPositionOf(127), 1.0f);
    EXPECT_FLOAT_EQ(Tone_c::keyCurveOf(Tone_c::keyPositionOf(127)), 1.0f);
    for (float curve : {0.0f, 0.3f, 1.0f}) EXPECT_FLOAT_EQ(Tone_c::velocityBlendOf(127, curve), 1.0f);
    EXPECT_NEAR(Tone_c::velocityBlendOf(0, 1.0f), std::exp(-6.35) * 2.0 - 1.0, 1e-6);
    EXPECT_FLOAT_EQ(Tone_c::velocityBlendOf(0, 0.0f), -1.0f);
}

TEST(VoiceBase, NoteOnTakesTheInstrumentsPressureAndSign) {
    TestSynth synth;
    synth.resume();
    Tone_c plain;
    // Binding needs a plug-in and a globals part.
    EXPECT_FALSE(plain.bind(nullptr, &synth.instrument(), 0));
    EXPECT_FALSE(plain.bind(&synth, &synth.instrument(), 0, nullptr, nullptr, 2));
    plain.noteOn(0, NoteC_c(60, 100, 0), false, false);
    EXPECT_EQ(plain.instrumentIndex(), -1); // unbound: nothing happens
    ASSERT_TRUE(plain.bind(&synth, &synth.instrument(), 3));
    plain.setSampleRate(44100.0f);
    EXPECT_FLOAT_EQ(plain.smoothingFactor(), 1400.0f / 44100.0f);
    plain.setSampleRate(1000.0f);
    EXPECT_FLOAT_EQ(plain.smoothingFactor(), 0.25f);

    synth.instrument().setPressure(0.5f);
    plain.setOffsetA(0.2f);
    NoteC_c note;
    note.key = 64;
    note.velocity = 127;
    note.channel = 2;
    plain.noteOn(0, note, true, false);
    EXPECT_EQ(plain.instrument(), &synth.instrument());
    EXPECT_FLOAT_EQ(plain.offsetB(), 0.5f);
    EXPECT_FLOAT_EQ(plain.offsetA(), 0.0f);
    EXPECT_FLOAT_EQ(plain.noteStartOffset(), 0.5f);
    EXPECT_EQ(plain.noteSign(), synth.instrument().noteSign());
    EXPECT_EQ(plain.note().channel, 2);
    EXPECT_TRUE(plain.reused());
    EXPECT_FLOAT_EQ(plain.linearVelocity(), 1.0f);
    // The base has nothing to sound: it finishes in its first render.
    EXPECT_TRUE(plain.render(64));
    EXPECT_NE(plain.getModSlot(23), nullptr);
    EXPECT_EQ(plain.getModSlot(24), nullptr);
    EXPECT_EQ(*plain.modInput(0), 1.0f);
}
