#include "framework/voice/Instrument_c.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "engine/dsp/SafeDivision.h"
#include "framework/voice/PolyNoteTable.h"
#include "framework/voice/SoundingVoice.h"
#include "framework/voice/VoiceHost.h"
#include "framework/voice/BlockSlicer.h"
#include "framework/voice/InBuffer2.h"
#include "os/Clock.h"

namespace {
// Buses are asked for by index until one is missing; no instrument has more.
constexpr int32_t kMaxBuses = 16;
constexpr float kBendPerStep = 0.000122077763535372f; // 2 / 16383
constexpr int32_t kRampFramesPerStep = 64;

float unitOf(int32_t v) {
    return static_cast<float>(v) * (1.0f / 127.0f);
}
int32_t dataByte(uint8_t b) {
    return b & 0x7F;
}
} // namespace

Instrument_c::Instrument_c(int32_t channelCount) {
    channelCount_ = std::clamp(channelCount, 1, 6);
    for (auto& n : keyNotes_) n.clear();
    resetControllers();
    noteSign_ = -1.0f;
    clearHeldKeys();
}

Instrument_c::~Instrument_c() = default;

void Instrument_c::reset() {
    for (auto& lfo : lfos_) lfo.phase = 0.0;
    PartGroup_c::reset();
}

void Instrument_c::setHost(VoiceHost* host, int32_t instrumentIndex, int32_t voices, bool choke) {
    if (!host) return;
    heldBack_.reset();
    heldBackCapacity_ = 0;
    heldBackCount_ = 0;
    voices = std::max(voices, 1);
    polyphony_ = maximumVoices_ = voices;
    mono_ = polyphony_ == 1;
    host_ = host;
    instrumentIndex_ = instrumentIndex;
    choke_ = choke;
    heldBack_.reset(new (std::nothrow) NoteC_c[static_cast<size_t>(2 * voices)]);
    if (heldBack_) {
        heldBackCapacity_ = 2 * voices;
        resetControllers();
    }
}

// ------------------------------------------------------------------ the block

void Instrument_c::queueEvent(int32_t offset, const uint8_t bytes[3]) {
    if (!enabled_ || !bytes) return;
    std::lock_guard<Lock_c> guard(queueLock_);
    if (queue_.insert(offset, bytes)) pendingEvents_.fetch_add(1, std::memory_order_relaxed);
}

void Instrument_c::process(int32_t n) {
    processBlock(n);
}

void Instrument_c::processBlock(int32_t n) {
    // An event being queued right now simply waits for the next block.
    if (!hasWorkThisBlock()) return;
    if (!host_) return;
    if (n < 0) n = 0;
    rendered_ = 0;
    std::lock_guard<Lock_c> guard(queueLock_);
    blockslicer::walkBlock(
        queue_, n, rendered_, [this](int32_t frames) { render(frames); },
        [this](const MidiQueueEntry& entry) { decodeMidi(entry.bytes, true); });
    host_->rewindOutputPositions(n);
    pendingEvents_.store(0, std::memory_order_relaxed);
    for (int32_t i = 0; i < kMaxBuses; ++i) {
        InBuffer2_c* bus = getAuxBus(i);
        if (!bus) break;
        bus->rewind();
    }
    for (int32_t i = 0; i < kMaxBuses; ++i) {
        InBuffer2_c* bus = getOutputBus(i);
        if (!bus) break;
        bus->rewind();
    }
    queue_.clear();
}

void Instrument_c::render(int32_t n) {
    renderSlices(n);
}

void Instrument_c::advanceOutputs(int32_t n) {
    if (host_) host_->advanceOutputPositions(n);
    for (int32_t i = 0; i < kMaxBuses; ++i) {
        InBuffer2_c* bus = getAuxBus(i);
        if (!bus) break;
        bus->advance(n);
    }
    for (int32_t i = 0; i < kMaxBuses; ++i) {
        InBuffer2_c* bus = getOutputBus(i);
        if (!bus) break;
        bus->advance(n);
    }
}

void Instrument_c::renderSlices(int32_t n) {
    // While a preset is applied nothing renders, but positions and buses still
    // move by n so the next span writes where it should.
    const bool programFree = programLock_.tryEnter();
    const bool parameterTaken = programFree && parameterLock().tryEnter();
    blockslicer::renderSpan(
        n, programFree, [this](int32_t m) { renderVoices(m); }, [this](int32_t m) { advanceOutputs(m); });
    if (parameterTaken) parameterLock().leave();
    if (programFree) programLock_.leave();
}

void Instrument_c::renderVoices(int32_t n) {
    if (active_) {
        if (!host_) return;
        prepareRamps(n);
        renderVoiceSet(n);
        updateActive(n);
        finishRamps();
    }
    if (lfoRun_) advanceLfos(n);
}

void Instrument_c::renderVoiceSet(int32_t n) {
    PolyNoteTable_c& table = host_->voiceTable();
    VoiceNote note{};
    for (int32_t slot = table.findFirstOf(instrumentIndex_, &note); slot >= 0;
         slot = table.findNextOf(instrumentIndex_, &note)) {
        currentVoice_ = slot;
        rewindRamps();
        SoundingVoice* voice = host_->getVoice(slot);
        // A slot without a voice object has nothing to sound: it is finished.
        if (!voice || voice->render(n)) host_->updateNotesOn(slot);
    }
}

void Instrument_c::updateActive(int32_t /*n*/) {
    active_ = voicesInUse() > 0;
}

void Instrument_c::setEnabled(bool enabled) {
    if (enabled_ && !enabled) {
        // The voices die under the queue lock, so no render of this part can
        // run between emptying the queue and the kill.
        std::lock_guard<Lock_c> guard(queueLock_);
        queue_.clear();
        pendingEvents_.store(0, std::memory_order_relaxed);
        if (host_) {
            host_->killPartVoices(instrumentIndex_);
            enabled_ = false;
        }
        return;
    }
    enabled_ = enabled;
}

void Instrument_c::allNotesOffAndReset() {
    allNotesOff(kAllChannels);
    resetControllers();
}

// ------------------------------------------------------------------ decoding

int32_t Instrument_c::playedKey(int32_t key, int32_t transpose) {
    // Folded by whole octaves into 0..120 without looping over a huge transpose.
    int64_t k = static_cast<int64_t>(key) + transpose;
    if (k > kHighestPlayedKey) k -= 12 * ((k - kHighestPlayedKey + 11) / 12);
    if (k < 0) k += 12 * ((-k + 11) / 12);
    return static_cast<int32_t>(k);
}

void Instrument_c::decodeMidi(const uint8_t bytes[3], bool askFilter) {
    if (!host_ || !enabled_ || !bytes) return;
    const int32_t status = bytes[0] & 0xF0;
    const int32_t channel = bytes[0] & 0x0F;
    const int32_t data1 = dataByte(bytes[1]);
    const int32_t data2 = dataByte(bytes[2]);
    if (status != 0xB0) rpnComplete_ = true;

    if (status == 0x90 && data2 > 0) {
        NoteC_c note;
        note.key = data1;
        note.velocity = data2;
        note.channel = channel;
        if (askFilter && !host_->partAcceptsNote(instrumentIndex_, note)) return;
        noteOnEntry(note);
    } else if (status == 0x80 || status == 0x90) {
        NoteC_c note;
        note.key = data1;
        note.velocity = data2;
        note.channel = channel;
        noteOffEntry(note);
    } else if (status == 0xA0) {
        if (!receiveAftertouch_) return;
        const int32_t slot =
            host_->voiceTable().findSounding(instrumentIndex_, playedKey(data1, transpose_), channel);
        if (slot < 0) return;
        if (SoundingVoice* voice = host_->getVoice(slot)) voice->setOffsetA(unitOf(data2));
    } else if (status == 0xC0) {
        host_->requestProgramChange(instrumentIndex_, data1);
    } else if (status == 0xD0) {
        if (receiveAftertouch_) setPressure(unitOf(data1));
    } else if (status == 0xE0) {
        if (receivePitchWheel_)
            controls_[kPitchBend].target = static_cast<float>(data2 * 128 + data1) * kBendPerStep - 1.0f;
    } else if (status == 0xB0) {
        const int32_t value = std::min<int32_t>(bytes[2], 127);
        if (data1 == 0) return;
        if (data1 == 32) {
            host_->requestBankSelect(instrumentIndex_, value);
        } else if (data1 >= 123) {
            allNotesOff(channel);
        } else {
            if (instrumentIndex_ == 0) host_->handleControllerInput(bytes);
            controller(channel, data1, value);
        }
    } else if (status == 0xF0) {
        host_->handleSystemMessage(bytes);
    }
}

void Instrument_c::controller(int32_t channel, int32_t number, int32_t value) {
    value = std::clamp(value, 0, 127);
    const float u = unitOf(value);
    switch (number) {
    case 1:
        if (receiveModWheel_) controls_[kModWheel].target = u;
        break;
    case 2: controls_[kBreath].target = u; break;
    case 4: controls_[kFoot].target = u; break;
    case 6:
        if (rpnComplete_ && rpnNumber_ == 0 && host_) host_->setPitchBendRange(instrumentIndex_, value);
        break;
    case 7: volume_ = u - 1.0f; break;
    case 10: pan_ = value == 64 ? 0.0f : 2.0f * u - 1.0f; break;
    case 11: controls_[kExpression].target = u; break;
    case 16:
    case 17:
    case 18:
    case 19: generalPurpose_[number - 16] = 2.0f * u - 1.0f; break;
    case 64:
        if (sustainEnabled_) setSustain(channel, value >= 32);
        break;
    case 100:
    case 101: {
        const int32_t part = number == 101 ? value * 128 : value;
        if (rpnComplete_) {
            rpnNumber_ = part;
            rpnComplete_ = false;
        } else {
            rpnNumber_ += part;
            rpnComplete_ = true;
        }
        break;
    }
    default: break;
    }
}

void Instrument_c::noteOnEntry(const NoteC_c& note) {
    resyncLfos();
    startNote(note, note);
}

int32_t Instrument_c::startNote(const NoteC_c& note, const NoteC_c& received) {
    if (!active_) {
        active_ = true;
        for (auto& c : controls_) c.current = c.target;
    }
    NoteC_c played;
    played.key = playedKey(note.key, transpose_);
    played.velocity = note.velocity;
    played.channel = note.channel;
    int32_t result = -1;
    if (choke_) {
        host_->noteOnWithChoke(instrumentIndex_, played, received);
    } else {
        if (mono_ && received.key >= 0 && received.key < kKeys) {
            if (legatoEnabled_) played.velocity = firstHeldVelocity(played.velocity);
            pressTime_[received.key] = host_->noteTimeMs();
            keyHeld_[received.key] = true;
            keyNotes_[received.key] = played;
        }
        result = host_->noteOnPart(instrumentIndex_, played, received);
    }
    noteSign_ = -noteSign_;
    return result;
}

void Instrument_c::noteOffEntry(const NoteC_c& note) {
    if (note.channel >= 0 && note.channel < kChannels && sustain_[note.channel] && holdNoteOff(note)) return;
    stopNote(note);
}

bool Instrument_c::holdNoteOff(const NoteC_c& note) {
    if (!heldBack_ || heldBackCount_ >= heldBackCapacity_) return false;
    heldBack_[heldBackCount_++] = note;
    return true;
}

void Instrument_c::stopNote(const NoteC_c& note) {
    if (!host_) return;
    if (mono_) {
        monoNoteOff(note);
        return;
    }
    NoteC_c played;
    played.key = playedKey(note.key, transpose_);
    played.velocity = note.velocity;
    played.channel = note.channel;
    host_->noteOffPart(instrumentIndex_, played);
}

// The mono key memory is kept by received key (the key the player pressed);
// the voice table is told the played key. With transpose 0 and keys up to 120
// the two agree.
void Instrument_c::monoNoteOff(const NoteC_c& note) {
    const int32_t k = note.key;
    int32_t found = -1;
    for (int32_t j = 0; j < kKeys; ++j) {
        if (j == k || !keyHeld_[j]) continue;
        // Strictly later wins, so of equal times the lowest key stays.
        if (found < 0 || os::tickDiff(pressTime_[j], pressTime_[found]) > 0) found = j;
    }
    const bool kHeld = keyHeld(k);
    if (found >= 0 && kHeld && os::tickDiff(pressTime_[k], pressTime_[found]) >= 0) {
        NoteC_c received;
        received.key = found;
        received.velocity = keyNotes_[found].velocity;
        received.channel = keyNotes_[found].channel;
        host_->noteOnPart(instrumentIndex_, keyNotes_[found], received);
    }
    NoteC_c played;
    played.key = playedKey(k, transpose_);
    played.velocity = note.velocity;
    played.channel = note.channel;
    host_->noteOffPart(instrumentIndex_, played);
    keyReleased(k);
}

void Instrument_c::keyReleased(int32_t key) {
    if (key < 0 || key >= kKeys) return;
    keyHeld_[key] = false;
    keyNotes_[key].clear();
}

int32_t Instrument_c::firstHeldVelocity(int32_t velocity) const {
    for (int32_t j = 0; j < kKeys; ++j)
        if (keyHeld_[j]) return keyNotes_[j].velocity;
    return velocity;
}

void Instrument_c::setSustain(int32_t channel, bool down) {
    if (channel < 0 || channel >= kChannels) return;
    if (sustain_[channel] && !down) releaseSustained(channel);
    sustain_[channel] = down;
}

void Instrument_c::releaseSustained(int32_t channel) {
    if (!host_ || !heldBack_) return;
    int32_t kept = 0;
    for (int32_t i = 0; i < heldBackCount_; ++i) {
        const NoteC_c entry = heldBack_[i];
        if (entry.channel != channel) {
            heldBack_[kept++] = entry;
            continue;
        }
        NoteC_c played;
        played.key = playedKey(entry.key, transpose_);
        played.velocity = entry.velocity;
        played.channel = entry.channel;
        host_->noteOffPart(instrumentIndex_, played);
    }
    heldBackCount_ = kept;
}

void Instrument_c::allNotesOff(int32_t channel) {
    if (channel < 0) return;
    const int32_t first = channel >= kChannels ? 0 : channel;
    const int32_t last = channel >= kChannels ? kChannels - 1 : channel;
    for (int32_t ch = first; ch <= last; ++ch) {
        if (host_) host_->allNotesOffPart(instrumentIndex_);
        if (sustain_[ch]) {
            releaseSustained(ch);
            sustain_[ch] = false;
        }
    }
}

void Instrument_c::setPressure(float value) {
    receivedPressure_ = value;
    if (instrumentIndex_ < 0 || !receiveAftertouch_ || !host_) return;
    appliedPressure_ = value;
    PolyNoteTable_c& table = host_->voiceTable();
    VoiceNote note{};
    for (int32_t slot = table.findFirstOf(instrumentIndex_, &note); slot >= 0;
         slot = table.findNextOf(instrumentIndex_, &note)) {
        if (SoundingVoice* voice = host_->getVoice(slot)) voice->setOffsetB(value);
    }
}

void Instrument_c::resetControllers() {
    appliedPressure_ = 0.0f;
    receivedPressure_ = 0.0f;
    for (auto& c : controls_) c = SmoothedValue{};
    controls_[kExpression].target = controls_[kExpression].current = expressionDefault_;
    rampSteps_ = 0;
    rampCursor_ = 0;
    volume_ = 0.0f;
    pan_ = 0.0f;
    for (auto& g : generalPurpose_) g = 0.0f;
    for (int32_t ch = 0; ch < kChannels; ++ch) {
        sustain_[ch] = false;
        singleHeldFlag_[ch] = false;
        channelVoice_[ch] = -1;
    }
    clearHeldKeys();
    heldBackCount_ = 0;
    queue_.clear();
    pendingEvents_.store(0, std::memory_order_relaxed);
}

void Instrument_c::clearHeldKeys() {
    for (int32_t k = 0; k < kKeys; ++k) {
        keyHeld_[k] = false;
        keyNotes_[k].clear();
    }
}

// ------------------------------------------------------------------ smoothing

void Instrument_c::prepareRamps(int32_t n) {
    const float rate = host_ ? host_->sampleRateValue() : 0.0f;
    const float b = rate > 0.0f ? std::clamp(1400.0f / rate, 0.0025f, 0.25f) : 0.25f;
    rampSteps_ = std::clamp((n + kRampFramesPerStep - 1) / kRampFramesPerStep, 0, kMaxRampSteps);
    for (auto& c : controls_) {
        float value = c.current;
        for (int32_t s = 0; s < rampSteps_; ++s) {
            value = (1.0f - b) * value + b * c.target;
            c.steps[s] = value;
        }
    }
    rampCursor_ = 0;
}

void Instrument_c::nextRampStep() {
    if (rampCursor_ < rampSteps_) ++rampCursor_;
}

float Instrument_c::rampValue(SmoothedControl c) const {
    const SmoothedValue& v = controls_[c];
    return rampCursor_ > 0 ? v.steps[rampCursor_ - 1] : v.current;
}

void Instrument_c::finishRamps() {
    if (rampSteps_ <= 0) return;
    for (auto& c : controls_) c.current = c.steps[rampSteps_ - 1];
}

// ------------------------------------------------------------------ LFOs

void Instrument_c::advanceLfos(int32_t n) {
    for (auto& lfo : lfos_) {
        lfo.phase += n * lfo.rate;
        if (lfo.phase > 1.0) lfo.phase -= std::floor(lfo.phase);
    }
}

bool Instrument_c::getHostTime(double* samplesPerBeat, double* position) {
    if (!host_ || !samplesPerBeat || !position) return false;
    int32_t samplesPerBar = 0;
    int32_t barPosition = 0;
    if (!host_->readHostTempo(&samplesPerBar, &barPosition)) return false;
    const double beat = host_->samplesPerBeat();
    if (!(beat > 0.0)) return false;
    *samplesPerBeat = beat;
    *position = static_cast<double>(barPosition) + rendered_;
    return true;
}

namespace {
double wrapUnit(double x) {
    x -= std::floor(x);
    return x;
}
} // namespace

void Instrument_c::resyncLfos() {
    bool any = false;
    for (const auto& lfo : lfos_) any = any || (lfo.enabled && lfo.rate > 0.0);
    if (!any) return; // spare the host call on every note
    double S = 0.0, P = 0.0;
    if (!getHostTime(&S, &P)) return;
    for (auto& lfo : lfos_) {
        if (!lfo.enabled || !(lfo.rate > 0.0)) continue;
        const double r = lfo.rate;
        const double q = lfo.phase;
        const double X = S * r;
        double Y = wrapUnit(P * r);
        const double F = wrapUnit(X);
        const double D = F > 0.5 ? 1.0 - F : F;
        double E = Y;
        if (D > 0.01) {
            const int32_t m = static_cast<int32_t>(std::min(safeDivide(1.0, D), 1000.0));
            double best = std::fabs(q - Y);
            for (int32_t j = 1; j <= m + 1; ++j) {
                const double a = wrapUnit(E + j * F);
                if (std::fabs(a - q) < best) {
                    best = std::fabs(a - q);
                    Y = a;
                }
                const double b = wrapUnit(Y - j * F);
                if (std::fabs(b - q) < best) {
                    best = std::fabs(b - q);
                    Y = b;
                }
                E = Y;
            }
        } else if (std::fabs(Y - q) > X / 2.0 && X > 0.0) {
            while (E < q - X / 2.0) E += X;
            while (E > q + X / 2.0) E -= X;
        }
        lfo.phase = wrapUnit(E);
    }
}

// ------------------------------------------------------------------ settings

void Instrument_c::setReceiveModWheel(bool on) {
    receiveModWheel_ = on;
    if (!on) controls_[kModWheel].target = 0.0f;
}

void Instrument_c::setReceiveAftertouch(bool on) {
    if (receiveAftertouch_ && !on) appliedPressure_ = 0.0f;
    else if (!receiveAftertouch_ && on) appliedPressure_ = receivedPressure_;
    receiveAftertouch_ = on;
}

void Instrument_c::setSustainEnabled(bool on) {
    sustainEnabled_ = on;
    if (on) return;
    for (int32_t ch = 0; ch < kChannels; ++ch) {
        if (sustain_[ch]) releaseSustained(ch);
        sustain_[ch] = false;
    }
}

void Instrument_c::setPolyphony(int32_t n) {
    n = std::clamp(n, 1, std::max(maximumVoices_, 1));
    clearHeldKeys();
    polyphony_ = n;
    mono_ = n == 1;
}

bool Instrument_c::getSingleHeld(int32_t channel) const {
    return channel >= 0 && channel < kChannels && singleHeldFlag_[channel];
}

void Instrument_c::setSingleHeld(int32_t channel, bool flag) {
    if (channel >= 0 && channel < kChannels) singleHeldFlag_[channel] = flag;
}

int32_t Instrument_c::getChannelVoice(int32_t channel) const {
    return channel >= 0 && channel < kChannels ? channelVoice_[channel] : -1;
}

void Instrument_c::setChannelVoice(int32_t channel, int32_t voice) {
    if (channel >= 0 && channel < kChannels) channelVoice_[channel] = voice;
}

void Instrument_c::setOutputRange(int32_t first) {
    firstOutput_ = first;
    endOutput_ = first + channelCount_;
}

bool Instrument_c::sustainDown(int32_t channel) const {
    return channel >= 0 && channel < kChannels && sustain_[channel];
}
