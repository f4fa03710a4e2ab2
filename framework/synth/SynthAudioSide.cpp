// What the audio side does instead of waiting: postponed pushes, queued
// parameter writes, file work and resumes handed to the idle side.
#include "framework/synth/Synth.h"

#include <algorithm>

#include "framework/synth/CommandPost.h"
#include "framework/voice/Instrument_c.h"

bool Synth::writeTouchesFiles(const Part_c* target, int32_t column) const {
    if (!target) return false;
    // Every change of the system settings is stored in the registry.
    if (target == &sysGlo_) return true;
    // A path or load command reads a .TUN file.
    if (target == &tuning_)
        return column < 0 || column == NoteFreqTable_c::kTunPath || column == NoteFreqTable_c::kLoadCommand;
    // Switch and mode load and store the table in the registry (and ask the user).
    if (target == &ecs_) return column < 0 || column == ECS2_c::kOnOff || column == ECS2_c::kMode;
    // The preset paths load and save preset files.
    if (target == &synGloIns_)
        return column < 0 || column == SynGloIns_c::kPresetLoadPath || column == SynGloIns_c::kPresetSavePath;
    return false;
}

bool Synth::sendFileWorkToIdle(int32_t part, int32_t entry, PendingParameterWrites::Road road,
                               const Part_c* target, int32_t column, float value) {
    if (!threadrole::onAudioSide() || !writeTouchesFiles(target, column)) return false;
    writesForIdle_.put(part, entry, road, value);
    return true;
}

bool Synth::postFromAudioSide(bool toAudio, const HoldData_c& record, int mode) {
    CmdBuffer_c& ring = toAudio ? toAudio_ : toIdle_;
    PostponedCommands& later = toAudio ? postponedToAudio_ : postponedToIdle_;
    // Behind records already waiting, so the ring sees this side's order.
    if (later.empty()) {
        const CmdBuffer_c::PushOutcome outcome = ring.tryPush(record, mode);
        if (outcome != CmdBuffer_c::PushOutcome::Busy) return outcome == CmdBuffer_c::PushOutcome::Stored;
    }
    if (later.put(record, mode)) {
        postponedPushes_.fetch_add(1, std::memory_order_relaxed);
        return true;
    }
    lostPushes_.fetch_add(1, std::memory_order_relaxed);
    HoldData_c dropped = record;
    ring.discard(dropped);
    return false;
}

void Synth::flushPostponedWork() {
    for (CmdBuffer_c* ring : {&toAudio_, &toIdle_}) {
        PostponedCommands& later = ring == &toAudio_ ? postponedToAudio_ : postponedToIdle_;
        later.flush([ring](const HoldData_c& record, int mode) {
            return ring->tryPush(record, mode) != CmdBuffer_c::PushOutcome::Busy;
        });
    }
    if (keyboardCancelPending_.load(std::memory_order_acquire) && toAudio_.tryCancel(kCmdKeyboardNoteOn))
        keyboardCancelPending_.store(false, std::memory_order_release);
    writesForNextBlock_.takeEach([this](int32_t part, int32_t entry, PendingParameterWrites::Road road, float value) {
        replayParameterWrite(part, entry, road, value);
    });
}

void Synth::replayParameterWrite(int32_t part, int32_t entry, PendingParameterWrites::Road road, float value) {
    if (road == PendingParameterWrites::Road::Host) {
        setParameterFromHost(part * config_.parameterStride + entry, value);
    } else if (road == PendingParameterWrites::Road::Controller) {
        const ParameterTarget t = resolve(entry, part);
        if (t.valid()) setParameterFromController(entry, t.target, t.row, t.column, value);
    }
}

// Idle side, lock_ held.
void Synth::applyIdleSideWork() {
    writesForIdle_.takeEach([this](int32_t part, int32_t entry, PendingParameterWrites::Road road, float value) {
        replayParameterWrite(part, entry, road, value);
    });
    if (resumePending_.exchange(false)) resumeWithLockHeld(false);
}

bool Synth::tryBlockAudio() {
    blockers_.fetch_add(1);
    ready_ = false;
    if (audioNesting_.load() == 0) return true;
    blockers_.fetch_sub(1);
    updateReady();
    return false;
}
