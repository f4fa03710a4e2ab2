// The audio block: pre-fill, the quiet road of a silent block, output
// binding, tempo and transport, the to-audio ring, the parts, the idle
// watchdog. Audio thread only.
#include "framework/synth/Synth.h"

#include <cmath>
#include <limits>

#include "engine/dsp/SafeDivision.h"
#include "framework/synth/CommandPayload.h"
#include "framework/voice/AudioTables.h"
#include "framework/voice/Instrument_c.h"
#include "os/Clock.h"
#include "os/Fpu.h"

namespace {
constexpr VstInt32 kTempoAndTransport = kVstTempoValid | kVstTransportPlaying;
constexpr VstInt32 kTempoPositionSignature = kVstTempoValid | kVstPpqPosValid | kVstTimeSigValid | kVstTransportPlaying;

// A double clamped into int32 range before conversion (NaN gives 0).
int32_t toInt32(double x) {
    if (!(x == x)) return 0;
    if (x <= static_cast<double>(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    if (x >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(x);
}
} // namespace

void Synth::processReplacing(float** /*inputs*/, float** outputs, VstInt32 frames) {
    if (frames <= 0 || !outputs) return;
    os::DenormalGuard denormals;
    clearOutputs(outputs, frames);
    // A missing host buffer: the block renders nothing rather than write past it.
    for (int32_t ch = 0; ch < outputChannels(); ++ch)
        if (!outputs[ch]) return;
    if (passQuietBlock(frames)) return;
    bindOutputs(outputs);
    renderBlock(outputs, frames);
}

void Synth::process(float** /*inputs*/, float** outputs, VstInt32 frames) {
    if (frames <= 0 || !outputs) return;
    os::DenormalGuard denormals;
    if (!outputsConfigured_.load()) configureOutputs();
    for (int32_t ch = 0; ch < outputChannels(); ++ch)
        if (!outputs[ch]) return;
    if (passQuietBlock(frames)) return;
    bindOutputs(outputs);
    renderBlock(outputs, frames);
}

void Synth::clearOutputs(float** outputs, int32_t frames) {
    if (!outputsConfigured_.load()) configureOutputs();
    for (int32_t ch = 0; ch < outputChannels(); ++ch) {
        if (!outputs[ch]) break;
        audiotables::fillTiny(outputs[ch], frames);
    }
}

// The quiet road and the watchdog sit beside processReplacing: a silent
// block runs only this stretch of code.
void Synth::runIdleWatchdog() {
    // The clock only when the host's idle calls are what could have gone
    // stale; the timer only when they have (or never come).
    if (idleSource_.load() && os::tickDiff(os::tickMs(), lastDrain_.load(std::memory_order_relaxed)) <=
                                  static_cast<int32_t>(kIdleWatchdogMs))
        return;
    if (!timer_.isRunning()) timer_.startFromAudio(&Synth::idleTimerCallback, kIdleTimerMs, this);
}

bool Synth::audioWorkWaits() const {
    if (keyboardCancelPending_.load(std::memory_order_acquire) || writesForNextBlock_.anyWaiting()) return true;
    if (!postponedToAudio_.empty() || !postponedToIdle_.empty() || toAudio_.mayHoldRecords()) return true;
    for (int32_t i = 0; parts_ && i < config_.parts; ++i)
        if (parts_[i] && parts_[i]->hasWorkThisBlock()) return true;
    return false;
}

bool Synth::passQuietBlock(int32_t frames) {
    // The first block and a block that finds the plug-in not ready take the
    // full road, which configures, readies and marks the first block.
    if (!ready_.load() || !firstBlockRendered_.load()) return false;
    // Announced as a full block is, so loaders that block the audio side
    // wait for these reads too. Work posted by another thread after them
    // waits for the next block, as it does when a ring's guard is busy.
    audioNesting_.fetch_add(1);
    const bool quiet = !isBlocked() && ready_.load() && !audioWorkWaits();
    if (quiet) {
        // What the full road would leave: the host's output pointers are
        // bound again before anything renders, the rings and the parts have
        // nothing to do. The transport is followed every block, as hosts see
        // it asked. The thread still counts as rendering for the host's calls
        // between blocks.
        threadrole::hasRenderedAudio() = true;
        trackTransport();
        noteClock_.beginBlock(rate_);
        noteClock_.endBlock(frames);
        runningSamples_.fetch_add(static_cast<uint32_t>(frames), std::memory_order_relaxed);
        runIdleWatchdog();
    }
    audioNesting_.fetch_sub(1);
    return quiet;
}

uint32_t Synth::noteTimeMs() const {
    // A part decodes each event once it has rendered up to it: that is the event's place.
    return noteClock_.msAt(walkingPart_ ? walkingPart_->renderedFrames() : 0);
}

uint32_t Synth::readNoteClock(const void* synth) {
    return static_cast<const Synth*>(synth)->noteTimeMs();
}

float* Synth::outputPointer(int32_t channel) const {
    if (!outputPointers_ || channel < 0 || channel >= outputChannels()) return nullptr;
    return outputPointers_[channel];
}

void Synth::bindOutputs(float** outputs) {
    if (!outputsConfigured_.load()) configureOutputs();
    if (!outputPointers_ || !outputUnchanged_) return;
    bool changed = false;
    for (int32_t ch = 0; ch < outputChannels(); ++ch) {
        if (outputPointers_[ch] == outputs[ch]) {
            outputUnchanged_[ch] = 1;
        } else {
            outputPointers_[ch] = outputs[ch];
            outputUnchanged_[ch] = 0;
            changed = true;
        }
    }
    if (changed) rebindOutputs(outputPointers_.get());
}

void Synth::configureOutputs() {
    if (hostId_ != HostId::Cubase) {
        int32_t pairs = 0;
        while (pairs < config_.stereoOutputPairs && isOutputConnected(2 * pairs) &&
               isOutputConnected(2 * pairs + 1))
            ++pairs;
        int32_t mono = 0;
        while (mono < config_.monoOutputs && isOutputConnected(2 * pairs + mono)) ++mono;
        if (mono + 2 * pairs < 2) pairs = 1;
        setIoConfig(pairs, mono, inputs_);
        for (int32_t i = 0; parts_ && i < config_.parts; ++i) applyPartOutput(i);
        editorRefreshAll();
        if (initialised_.load()) updateDisplay();
    }
    outputsConfigured_ = true;
}

void Synth::applyPartOutput(int32_t part) {
    Instrument_c* p = parts_ && part >= 0 && part < config_.parts ? parts_[part] : nullptr;
    if (!p) return;
    // "Output Selection": the stereo pairs first, then the mono outputs; an
    // output the host no longer offers falls back to the first pair.
    int32_t output = synGloIns_.getValue(part, SynGloIns_c::kOutputSelection);
    if (output < 0 || output >= stereoPairs_ + monoOutputs_) {
        output = 0;
        synGloIns_.setValue(part, SynGloIns_c::kOutputSelection, 0);
    }
    p->setOutputRange(output < stereoPairs_ ? 2 * output : stereoPairs_ + output);
}

void Synth::advanceOutputPositions(int32_t n) {
    outputPositions_[0] += n;
    outputPositions_[1] += n;
}

void Synth::rewindOutputPositions(int32_t n) {
    outputPositions_[0] -= n;
    outputPositions_[1] -= n;
}

double Synth::samplesPerBeat() const {
    return lastTempo_ > 1.0 ? 60.0 / lastTempo_ * rate_ : 0.0;
}

bool Synth::readHostTempo(int32_t* samplesPerBar, int32_t* position) {
    int32_t bar = toInt32(2.0 * rate_ + 0.1);
    int32_t pos = 0;
    bool playing = false;
    const VstTimeInfo* info = getTimeInfo(kTempoPositionSignature);
    const bool usable = info && (info->flags & kVstTempoValid) && std::isfinite(info->tempo) && info->tempo > 0.0;
    if (usable) {
        // A missing, zero, negative or absurd signature counts as 4/4.
        double numerator = 4.0;
        double denominator = 4.0;
        if ((info->flags & kVstTimeSigValid) && info->timeSigNumerator > 0 && info->timeSigDenominator > 0 &&
            info->timeSigNumerator <= 1024 && info->timeSigDenominator <= 1024) {
            numerator = info->timeSigNumerator;
            denominator = info->timeSigDenominator;
        }
        const double barSeconds = safeDivide(numerator, denominator) * safeDivide(240.0, info->tempo);
        bar = toInt32(barSeconds * rate_ + 0.1);
        double ppq = std::isfinite(info->ppqPos) ? info->ppqPos : 0.0;
        ppq = std::fmod(ppq, numerator);
        if (ppq < 0.0) ppq += numerator;
        pos = toInt32(ppq * safeDivide(1.0, info->tempo) * rate_ * 60.0);
        playing = (info->flags & kVstTransportPlaying) != 0;
    }
    if (samplesPerBar) *samplesPerBar = bar;
    if (position) *position = pos;
    return usable && playing;
}

void Synth::trackTransport() {
    const VstTimeInfo* info = getTimeInfo(kTempoAndTransport);
    if (!info) return;
    const double tempo = info->tempo;
    if (std::isfinite(tempo) && tempo != lastTempo_ && tempo > 1.0) {
        lastTempo_ = tempo;
        secondsPerBeat_ = safeDivide(1.0, tempo);
        for (int32_t r = 0; r < moduleRowCount_; ++r) {
            const ModuleTableRow& row = moduleRows_[r];
            for (int32_t j = 0; row.objects && j < row.count; ++j)
                if (row.objects[j]) row.objects[j]->setTempo(static_cast<float>(tempo));
        }
    }
    playing_ = (info->flags & kVstTransportPlaying) != 0;
}

void Synth::drainAudioRing() {
    // The commands walk the voice table, which a host thread's program load
    // walks too (under a part's queue lock): hold every part's queue lock, in
    // part order, while they run. These are the instruments' brief locks.
    int32_t held = 0;
    for (; held < config_.parts; ++held)
        if (parts_[held]) parts_[held]->queueLock().enter();
    HoldData_c record;
    // tryPop gives up when a producer holds the ring: the rest waits for the next block.
    while (toAudio_.tryPop(record)) executeAudioCommand(record);
    while (held-- > 0)
        if (parts_[held]) parts_[held]->queueLock().leave();
}

void Synth::executeAudioCommand(HoldData_c& record) {
    switch (record.code) {
    case kCmdNone: break;
    case kCmdKeyboardNoteOn:
    case kCmdKeyboardNoteOff:
        if (parts_ && record.a >= 0 && record.a < config_.parts && parts_[record.a])
            parts_[record.a]->decodeMidi(record.midi, false);
        break;
    case kCmdResetVoices: resetVoices(); break;
    case kCmdAllNotesOff:
        if (record.a == 255)
            allNotesOff();
        else
            allNotesOffPart(record.a);
        break;
    case kCmdSendControllersToHost:
        if (record.b == -1)
            sendAllControllers();
        else
            sendParameterControllers(record.a, record.b);
        break;
    default: {
        // Everything else is idle work. A record that owns a payload keeps it
        // (the idle executor frees it); for the rest p and q are not carried.
        const bool owns = commandOwnsPayload(record.code);
        postIdleCommand(record.code, record.a, record.b, owns ? record.p : 0, owns ? record.q : 0, kPushAppend);
        break;
    }
    }
}

void Synth::renderBlock(float** /*outputs*/, int32_t frames) {
    if (!ready_.load()) {
        if (!outputsConfigured_.load()) configureOutputs();
        updateReady();
        if (!ready_.load()) return;
    }
    AudioScope scope(*this);
    if (isBlocked() || !ready_.load()) return;
    trackTransport();
    // Notes of the audio ring (the editor's keys) are stamped at the block's start.
    noteClock_.beginBlock(rate_);
    flushPostponedWork();
    drainAudioRing();
    outputPositions_[0] = outputPositions_[1] = 0;
    for (int32_t i = 0; i < config_.parts; ++i) {
        if (!parts_[i]) continue;
        walkingPart_ = parts_[i];
        parts_[i]->process(frames);
    }
    walkingPart_ = nullptr;
    noteClock_.endBlock(frames);
    runningSamples_.fetch_add(static_cast<uint32_t>(frames), std::memory_order_relaxed);
    firstBlockRendered_ = true;
    runIdleWatchdog();
}
