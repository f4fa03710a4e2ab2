#include "engine/instrument/ZenOsc_c.h"

#include "engine/instrument/WaveROM_c.h"
#include "framework/voice/InBuffer2.h"

void ZenOsc_c::defineParameters(ParaSet_c*& sharedSet, int rows) {
    if (!adoptSet(sharedSet, rows, kColumns))
        return;
    ParaSet_c& s = *set();
    s.columnDefinition(kVersion)->defineNumber("Version", "", 0.0f, 200, 9900, 2, 200);
    s.columnDefinition(kS0OnOff)->defineSwitch("S0 On/Off", 1);
    s.columnDefinition(kDrive)->defineLevelDb("Drive", -24, 18, 0, true);
    s.columnDefinition(kBalance)->defineNumber("Balance", "", 0.0f, 0, 100, 2, 50);
    s.columnDefinition(kTimbreRange)->defineNumber("TimRng", "", 0.0f, -24, 48, 0, 0);
    s.columnDefinition(kBaseRange)->defineNumber("BasRng", "", 0.0f, -2, 4, 0, 0);
    s.columnDefinition(kPitchTimbre)->defineSwitch("PitTim", 0);
    s.columnDefinition(kPitchBase)->defineSwitch("PitBas", 0);
    s.columnDefinition(kEnvDepth)->defineNumber("EnvDepth", "", 4.0f, 0, 100, 2, 0);
    s.columnDefinition(kSpread)->defineNumber("Spread", "cent", 4.0f, 0, 5000, 2, 0);
    s.columnDefinition(kVelTimbre)->defineNumber("Vel->Timbre", "%", 0.0f, 0, 100, 2, 40);
    s.copyRowZeroToAll();
}

void ZenOsc_c::setSources(const WaveROM_c* a, const WaveROM_c* b, const WaveROM_c* c, const float* timbre,
                          const float* amplitude, const float* pitch) {
    sources_[0] = a;
    sources_[1] = b;
    sources_[2] = c;
    timbre_ = timbre;
    amplitude_ = amplitude;
    pitch_ = pitch;
}

int ZenOsc_c::noteEvent(int row, Note_c note, bool reused, bool legato) {
    if (!sources_[0] || !sources_[1] || !sources_[2])
        return 0;
    Generator_c::noteEvent(row, note, reused, legato);
    if (!currentCells())
        return 0;
    const int r = currentRow();
    osc_.setTables(sources_[0]->getTable(r), sources_[1]->getTable(r), sources_[2]->getTable(r));
    const int key = lastNote().key;
    dsp::FmNoteSettings s;
    s.modulatorFrequency = getNoteFrequency(static_cast<float>(key + getValue(r, kTimbreRange)));
    s.carrierFrequency = getNoteFrequency(static_cast<float>(key + 12 * getValue(r, kBaseRange)));
    s.inverseRate = inverseSampleRate();
    s.spread = getDisplayValue(r, kSpread);
    s.balance = getDisplayValue(r, kBalance);
    s.driveGain = getGain(r, kDrive);
    s.envDepth = getDisplayValue(r, kEnvDepth);
    s.pitchOnModulator = getBool(r, kPitchTimbre);
    s.pitchOnCarrier = getBool(r, kPitchBase);
    osc_.noteOn(s, reused);
    return 0;
}

bool ZenOsc_c::render(int n) {
    float* out = nullptr;
    InBuffer2_c* bus = outputBus();
    if (!bus || !timbre_ || !amplitude_ || !pitch_ || !bus->getMonoWritePointer(&out, false, n))
        return false;
    osc_.render(out, n, timbre_, amplitude_, pitch_);
    bus->spreadMono();
    return false;
}
