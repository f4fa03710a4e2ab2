// The instrument's host-parameter map: which module column each of the 44
// entries shows. Entries 0..25 are host-visible; the rest serve the editor
// and the controller assignment. Opening thread.
#include "engine/instrument/Zendrix_c.h"

void Zendrix_c::fillHostParameterMap() {
    constexpr int32_t kCurrent = EPAS_c::kCurrentPart;
    constexpr int32_t kPart0 = 0;
    Part_c& osc = voiceModule(kOscRow);
    Part_c& timbre = voiceModule(kTimbreRow);
    Part_c& base = voiceModule(kBaseRow);
    Part_c& noiseEnv = voiceModule(kNoiseEnvRow);
    Part_c& pitch = voiceModule(kPitchRow);
    Part_c& noise = voiceModule(kNoiseRow);
    Part_c& glo = globals_;
    Part_c& syg0 = globalSettings();
    Part_c& syg1 = instrumentSettings();
    Part_c& syps = systemSettings();
    Part_c& ecs2 = controllerAssignment();
    Part_c& tun0 = tuningTable();

    struct Entry {
        int32_t index;
        const char* name;
        Part_c* target;
        int32_t column;
        int32_t part;
        bool hostLocked;
    };
    const Entry entries[] = {
        {0, "Timbre Range", &osc, ZenOsc_c::kTimbreRange, kCurrent, false},
        {1, "Timbre Attack", &timbre, EnvAHD_c::kAttackTime, kCurrent, false},
        {2, "Timbre Decay", &timbre, EnvAHD_c::kDecayTime, kCurrent, false},
        {3, "Timbre Env-Amount", &osc, ZenOsc_c::kEnvDepth, kCurrent, false},
        {4, "Timbre Drive", &osc, ZenOsc_c::kDrive, kCurrent, false},
        {5, "Base Range", &osc, ZenOsc_c::kBaseRange, kCurrent, false},
        {6, "Base Attack", &base, EnvAHD_c::kAttackTime, kCurrent, false},
        {7, "Base Hold", &base, EnvAHD_c::kHoldTime, kCurrent, false},
        {8, "Base Decay", &base, EnvAHD_c::kDecayTime, kCurrent, false},
        {9, "Base Sound", &osc, ZenOsc_c::kBalance, kCurrent, false},
        {kWaveformEntry, "Waveform", &glo, ZendrixGlo_c::kWaveform, kPart0, false},
        {11, "Pitch Timbre On/Off", &osc, ZenOsc_c::kPitchTimbre, kCurrent, false},
        {12, "Pitch Base On/Off", &osc, ZenOsc_c::kPitchBase, kCurrent, false},
        {13, "Pitch Depth", &pitch, EnvAHDP_c::kDepth, kCurrent, false},
        {14, "Pitch Attack", &pitch, EnvAHDP_c::kAttackTime, kCurrent, false},
        {15, "Pitch Decay", &pitch, EnvAHDP_c::kDecayTime, kCurrent, false},
        {16, "Pitch Detune", &osc, ZenOsc_c::kSpread, kCurrent, false},
        {17, "Noise Mix", &glo, ZendrixGlo_c::kOscBalance, kCurrent, false},
        {18, "Noise Colour", &noise, ColorNoise_c::kColor, kCurrent, false},
        {19, "Noise Attack", &noiseEnv, EnvAHD_c::kAttackTime, kCurrent, false},
        {20, "Noise Decay", &noiseEnv, EnvAHD_c::kDecayTime, kCurrent, false},
        {21, "Main Volume", &glo, ZendrixGlo_c::kMainVolume, kCurrent, false},
        {22, "Velocity Curve", &syg0, SynGlo_c::kVelCurve, kPart0, false},
        {23, "Velocity Attack", &timbre, EnvAHD_c::kVelocityScale, kCurrent, false},
        {24, "Velocity Timbre", &osc, ZenOsc_c::kVelTimbre, kCurrent, false},
        {kPresetMarkerEntry, "-", &syg0, SynGlo_c::kPresetMarker, kPart0, false},
        {26, "-", nullptr, -1, kCurrent, false},
        {27, "-", &syg1, SynGloIns_c::kPresetLoadPath, kCurrent, false},
        {28, "-", &syg1, SynGloIns_c::kPresetSavePath, kCurrent, false},
        {29, "-", nullptr, -1, kCurrent, false},
        {30, "-", nullptr, -1, kCurrent, false},
        {31, "-", &syps, SysGlo_c::kKnobMovement, kPart0, false},
        {32, "-", &glo, ZendrixGlo_c::kExactnessOn, kPart0, false},
        {kVersionLabelEntry, "-", &syps, SysGlo_c::kVersionText, kPart0, true},
        {36, "-", nullptr, -1, kCurrent, false},
        {kAssignmentModeEntry, "-", &ecs2, ECS2_c::kMode, kPart0, false},
        {38, "-", nullptr, -1, kCurrent, false},
        {39, "-", &syg0, SynGlo_c::kGloTune, kPart0, false},
        {40, "-", &syg1, SynGloIns_c::kBank, kCurrent, false},
        {41, "-", &syg1, SynGloIns_c::kProgram, kCurrent, false},
        {42, "-", &tun0, NoteFreqTable_c::kTunPath, kPart0, true},
        {43, "-", &tun0, NoteFreqTable_c::kLoadCommand, kPart0, false},
    };
    for (const Entry& e : entries) setParameterEntry(e.index, e.name, e.part, e.target, e.column, e.hostLocked);
    // The editor refreshes entries 33 and 35 together with 34.
    addParameterLink(34, 33);
    addParameterLink(34, 35);
    // A tuning file loaded through its button shows its name at once.
    addParameterLink(43, 42);
}
