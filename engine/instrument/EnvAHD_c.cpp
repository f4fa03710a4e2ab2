#include "engine/instrument/EnvAHD_c.h"

void EnvAHD_c::defineParameters(ParaSet_c*& sharedSet, int rows) {
    if (!adoptSet(sharedSet, rows, kColumns))
        return;
    ParaSet_c& s = *set();
    s.columnDefinition(kVersion)->defineNumber("Version", "", 0.0f, 200, 9900, 2, 200);
    s.columnDefinition(kAttackTime)->defineNumber("A Time", "sec", 4.0f, 0, 500, 3, 0);
    s.columnDefinition(kHoldTime)->defineNumber("H Time", "sec", 4.0f, 0, 2000, 3, 2000);
    s.columnDefinition(kDecayTime)->defineNumber("D Time", "sec", 0.0f, 5, 2001, 3, 2001);
    s.columnDefinition(kDecayTime)->setMaxInfinite(true);
    s.columnDefinition(kMidiHoldMode)->defineSwitch("Midi Hold Mode", 0);
    s.columnDefinition(kPitchScale)->defineNumber("Pitch Scal", "%", 0.0f, -100, 100, 0, 0);
    s.columnDefinition(kVelocityScale)->defineNumber("Veloc.Scal", "%", 0.0f, -100, 100, 0, 0);
    s.columnDefinition(kVelocityAttack)->defineSwitch("Velocity Attack", 1);
    s.columnDefinition(kLogDecay)->defineSwitch("Log Decay", 1);
    s.copyRowZeroToAll();
}

void EnvAHD_c::setSampleRate(float rate) {
    Envelope_c::setSampleRate(rate);
    kernel_.setSampleRate(rate);
}

dsp::AhdSettings EnvAHD_c::settings() const {
    const int r = currentRow();
    dsp::AhdSettings s;
    s.attack = getDisplayValue(r, kAttackTime);
    s.hold = getDisplayValue(r, kHoldTime);
    s.decay = getDisplayValue(r, kDecayTime);
    const Parameter_c* decay = getRowParameters(r, kDecayTime);
    s.decayEndless = decay && decay->isAtInfinity();
    s.holdMode = getBool(r, kMidiHoldMode);
    s.pitchScale = getDisplayValue(r, kPitchScale);
    s.velocityScale = getDisplayValue(r, kVelocityScale);
    s.velocityAttack = getBool(r, kVelocityAttack);
    s.logDecay = getBool(r, kLogDecay);
    return s;
}

int EnvAHD_c::noteEvent(int row, Note_c note, bool reused, bool legato) {
    Envelope_c::noteEvent(row, note, reused, legato);
    if (!currentCells() || !isBoundToOutputs())
        return 0;
    kernel_.noteOn(settings(), {keyFactor(), velocityFactor()}, reused, legato);
    return 0;
}

void EnvAHD_c::noteOff(int row, Note_c note) {
    Envelope_c::noteOff(row, note);
    if (currentCells())
        kernel_.noteOff(settings());
}

void EnvAHD_c::kill() { kernel_.kill(); }

void EnvAHD_c::nextStage() {
    if (currentCells())
        kernel_.nextStage(settings());
    else
        kernel_.finish();
}
