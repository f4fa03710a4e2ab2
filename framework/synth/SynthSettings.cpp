// What the plug-in base reads from and writes to its settings members: the
// parts' MIDI acceptance, the voice's note-on values, the bend range from
// RPN 0, the system settings and the controller assignment, and the services
// the settings and file classes ask of the plug-in.
#include "framework/synth/Synth.h"

#include <algorithm>

#include "framework/voice/Instrument_c.h"

namespace {
int32_t clampPart(int32_t part, int32_t parts) {
    return std::clamp(part, 0, parts - 1);
}
} // namespace

int32_t Synth::partMidiChannel(int32_t part) const {
    return synGloIns_.getValue(clampPart(part, config_.parts), SynGloIns_c::kChannel);
}

bool Synth::partAcceptsNote(int32_t part, const NoteC_c& note) {
    if (!partListensOnChannel(note.channel, part)) return false;
    part = clampPart(part, config_.parts);
    const int32_t noteLo = synGloIns_.getValue(part, SynGloIns_c::kNoteLo);
    const int32_t noteHi = synGloIns_.getValue(part, SynGloIns_c::kNoteHi);
    const int32_t veloLo = synGloIns_.getValue(part, SynGloIns_c::kVeloLo);
    const int32_t veloHi = synGloIns_.getValue(part, SynGloIns_c::kVeloHi);
    return note.key >= noteLo && note.key <= noteHi && note.velocity >= veloLo && note.velocity <= veloHi;
}

bool Synth::isPartMuted(int32_t part) const {
    return synGloIns_.getValue(clampPart(part, config_.parts), SynGloIns_c::kMute) != 0;
}

void Synth::setPitchBendRange(int32_t part, int32_t semitones) {
    part = clampPart(part, config_.parts);
    synGloIns_.setValue(part, SynGloIns_c::kPitchBendUp, semitones);
    // The first option of the down amount: follow the up amount.
    synGloIns_.setNormalized(part, SynGloIns_c::kPitchBendDown, 0.0f);
}

float Synth::velocityCurve() const {
    return synGlo_.getNormalized(0, SynGlo_c::kVelCurve);
}

float Synth::pitchBendUpAmount(int32_t part) const {
    return static_cast<float>(synGloIns_.getValue(clampPart(part, config_.parts), SynGloIns_c::kPitchBendUp));
}

float Synth::pitchBendDownAmount(int32_t part) const {
    return static_cast<float>(synGloIns_.getValue(clampPart(part, config_.parts), SynGloIns_c::kPitchBendDown));
}

float Synth::tuningStepSize() const {
    return tuning_.getStepSize();
}

bool Synth::padVelocityEnabled() const {
    return sysGlo_.getValue(0, SysGlo_c::kPadVelocity) != 0;
}

bool Synth::isControllerLearningArmed() const {
    return ecs_.isLearning();
}

void Synth::learnController(int32_t channel, int32_t number, int32_t value) {
    ecs_.learnController(channel, number, value);
}

void Synth::loadSystemSettings() {
    if (!sysGlo_.isLoaded()) sysGlo_.load();
}

void Synth::setupControllerAssignments() {
    // What was learnt here is stored first, so the stored table read next
    // (another instance's news included) never drops it.
    ecs_.storeChanges();
    if (!ecs_.isLoaded())
        ecs_.load();
    else
        ecs_.reloadTable();
}

std::string Synth::productName() const {
    return config_.productName ? config_.productName : "";
}

bool Synth::beginRowLoad(Part_c& /*part*/, int row) {
    if (row < 0 || row >= config_.parts) return false;
    Instrument_c* instrument = getPart(row);
    if (!instrument) return false;
    instrument->programLock().enter();
    return true;
}

void Synth::endRowLoad(Part_c& /*part*/, int row) {
    if (row < 0 || row >= config_.parts) return;
    if (Instrument_c* instrument = getPart(row)) instrument->programLock().leave();
    editorRefreshAll();
}

void Synth::rowReplaced(Part_c& /*part*/, int /*row*/) {
    editorRefreshAll();
}

void Synth::refreshPartDisplay(Part_c& /*part*/, int /*row*/) {
    editorRefreshAll();
}
