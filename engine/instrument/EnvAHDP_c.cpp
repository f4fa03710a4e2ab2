#include "engine/instrument/EnvAHDP_c.h"

void EnvAHDP_c::defineParameters(ParaSet_c*& sharedSet, int rows) {
    if (!adoptSet(sharedSet, rows, kColumns))
        return;
    ParaSet_c& s = *set();
    s.columnDefinition(kVersion)->defineNumber("Version", "", 0.0f, 200, 9900, 2, 200);
    s.columnDefinition(kAttackTime)->defineNumber("A Time", "sec", 4.0f, 0, 1250, 3, 0);
    s.columnDefinition(kHoldTime)->defineNumber("H Time", "sec", 4.0f, 0, 2000, 3, 2000);
    s.columnDefinition(kDecayTime)->defineNumber("D Time", "sec", 0.0f, 5, 2000, 3, 2000);
    s.columnDefinition(kMidiHoldMode)->defineSwitch("Midi Hold Mode", 0);
    s.columnDefinition(kDepth)->defineNumber("Depth", "semitones", 0.0f, -48, 48, 0, 0);
    s.columnDefinition(kPitchScale)->defineNumber("Pitch Scal", "%", 0.0f, -100, 100, 0, 0);
    s.columnDefinition(kVelocityScale)->defineNumber("Veloc.Scal", "%", 0.0f, -100, 100, 0, 0);
    s.columnDefinition(kVelocityAttack)->defineSwitch("Velocity Attack", 1);
    s.copyRowZeroToAll();
}

void EnvAHDP_c::setSampleRate(float rate) {
    Envelope_c::setSampleRate(rate);
    kernel_.setSampleRate(rate);
}

dsp::AhdpSettings EnvAHDP_c::settings() const {
    const int r = currentRow();
    dsp::AhdpSettings s;
    s.attack = getDisplayValue(r, kAttackTime);
    s.hold = getDisplayValue(r, kHoldTime);
    s.decay = getDisplayValue(r, kDecayTime);
    s.holdMode = getBool(r, kMidiHoldMode);
    s.depth = getDisplayValue(r, kDepth);
    s.pitchScale = getDisplayValue(r, kPitchScale);
    s.velocityScale = getDisplayValue(r, kVelocityScale);
    s.velocityAttack = getBool(r, kVelocityAttack);
    return s;
}

int EnvAHDP_c::noteEvent(int row, Note_c note, bool reused, bool legato) {
    Envelope_c::noteEvent(row, note, reused, legato);
    if (!currentCells() || !isBoundToOutputs())
        return 0;
    kernel_.noteOn(settings(), {keyFactor(), velocityFactor()}, reused, legato);
    return 0;
}

void EnvAHDP_c::noteOff(int row, Note_c note) {
    Envelope_c::noteOff(row, note);
    if (currentCells())
        kernel_.noteOff(settings());
}

void EnvAHDP_c::kill() { kernel_.kill(); }

void EnvAHDP_c::nextStage() {
    if (currentCells())
        kernel_.nextStage(settings());
    else
        kernel_.finish();
}

void EnvAHDP_c::enterStage(int stage) {
    if (currentCells())
        kernel_.enterStage(settings(), stage);
}
