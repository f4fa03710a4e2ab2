// MIDI intake and the note roads the instruments call back while decoding.
// Audio thread (queueEditorNote: the editor's thread).
#include "framework/synth/Synth.h"

#include <algorithm>
#include <mutex>

#include "framework/synth/CommandPost.h"
#include "framework/voice/Instrument_c.h"

namespace {
VoiceNote voiceNoteOf(const NoteC_c& note) {
    return VoiceNote{note.key, note.velocity, note.channel};
}
// Copied field by field: NoteC_c's constructor would clamp a query channel 16 to 15.
NoteC_c noteOf(const VoiceNote& note) {
    NoteC_c n;
    n.key = note.key;
    n.velocity = note.velocity;
    n.channel = note.channel;
    return n;
}
uint8_t dataByte(char c) {
    const auto b = static_cast<uint8_t>(c);
    return b > 127 ? 127 : b;
}
} // namespace

VstInt32 Synth::processEvents(VstEvents* events) {
    if (!events || events->numEvents <= 0) return 1;
    AudioScope scope(*this);
    if (isBlocked() || !opened_.load() || !parts_) return 1;
    // The host's list holds numEvents pointers although the record declares two.
    VstEvent* const* list = events->events;
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = list[i];
        if (!event || event->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const auto status = static_cast<uint8_t>(midi->midiData[0]);
        if (status < 0x80) continue; // running status is not part of a VST event
        const uint8_t bytes[3] = {status, dataByte(midi->midiData[1]), dataByte(midi->midiData[2])};
        routeMidiEvent(midi->deltaFrames, bytes);
    }
    return 1;
}

void Synth::routeMidiEvent(int32_t offset, const uint8_t bytes[3]) {
    if (!parts_) return;
    const int32_t status = bytes[0];
    const int32_t high = status & 0xF0;
    const bool toFirstPart = high == 0xF0 || (high == 0xC0 && hasGlobalProgramList()) ||
                             (high == 0xB0 && (bytes[1] == 0 || bytes[1] == 32) && hasGlobalBankList());
    if (toFirstPart) {
        if (parts_[0]) parts_[0]->queueEvent(offset, bytes);
        return;
    }
    for (int32_t i = 0; i < config_.parts; ++i)
        if (parts_[i] && partListensOnChannel(status & 0x0F, i)) parts_[i]->queueEvent(offset, bytes);
}

bool Synth::partListensOnChannel(int32_t channel, int32_t part) {
    channel = std::clamp(channel, 0, 15);
    part = std::clamp(part, 0, config_.parts - 1);
    const int32_t listens = partMidiChannel(part);
    return listens == channel || listens == kMidiAllChannels;
}


void Synth::handleSystemMessage(const uint8_t bytes[3]) {
    switch (bytes[0]) {
    case 0xF0: inSysEx_ = true; break;
    case 0xF7: inSysEx_ = false; break;
    case 0xFF: resetVoices(); break;
    default: break;
    }
}

void Synth::handleControllerInput(const uint8_t bytes[3]) {
    const int32_t channel = bytes[0] & 0x0F;
    const int32_t controller = bytes[1] & 0x7F;
    const int32_t value = std::min<int32_t>(bytes[2], 127);
    int number = controller;
    int data = value;
    if (!nrpn_.process(channel, number, data)) {
        if (isControllerLearningArmed()) learnController(channel, controller, value);
        applyControllerToParameters(channel, controller, value);
        return;
    }
    const auto part = static_cast<int16_t>(currentPart_);
    switch (number) {
    case kNrpnProgramDown:
    case kNrpnProgramUp:
        if (data >= 64) {
            const int32_t step = number == kNrpnProgramUp ? 1 : -1;
            postIdleCommand(kCmdMidiProgramChange, part, static_cast<int16_t>(getProgramNumber(hasGlobalProgramList()) + step));
        }
        break;
    case kNrpnBankDown:
    case kNrpnBankUp:
        if (data >= 64) {
            const int32_t step = number == kNrpnBankUp ? 1 : -1;
            postIdleCommand(kCmdMidiBankSelect, part, static_cast<int16_t>(currentBankIndex() + step));
        }
        break;
    default: break;
    }
}

int32_t Synth::noteOnPart(int32_t part, const NoteC_c& note, const NoteC_c& /*received*/) {
    if (!parts_) return -1;
    part = std::clamp(part, 0, config_.parts - 1);
    Instrument_c* instrument = parts_[part];
    if (!instrument || isPartMuted(part) || partSkipsNotes(part)) return -1;
    bool reused = false;
    const int32_t voice =
        voiceTable_.allocate(part, instrument, instrument->getPolyphony(), voiceNoteOf(note), &reused, true);
    if (voice < 0) return voice;
    refreshNotesOn(part);
    showEditorNote(part, note, true);
    if (instrument->getChannelVoice(note.channel) == -1) instrument->setChannelVoice(note.channel, voice);
    startVoice(part, voice, note, reused);
    instrument->setChannelVoice(note.channel, voice);
    return voice;
}

void Synth::startVoice(int32_t part, int32_t voice, const NoteC_c& /*note*/, bool reused) {
    SoundingVoice* tone = getVoice(voice);
    Instrument_c* instrument = getPart(part);
    if (!tone || !instrument) return;
    VoiceNote slotNote{};
    if (!voiceTable_.getNoteInfo(voice, &slotNote)) return;
    const bool legato = reused && instrument->legatoEnabled() && partPlayMode(part) < 2;
    const NoteC_c played = noteOf(slotNote);
    // Only parts that can share keys weigh their notes.
    if (config_.parts > 1) {
        const int32_t row = std::clamp(part, 0, config_.parts - 1);
        tone->setZoneGain(keyZoneWeight(row, played, synGloIns_.getValue(row, SynGloIns_c::kNoteLo),
                                        synGloIns_.getValue(row, SynGloIns_c::kNoteHi),
                                        synGloIns_.getValue(row, SynGloIns_c::kVeloLo),
                                        synGloIns_.getValue(row, SynGloIns_c::kVeloHi)));
    }
    tone->noteOn(part, played, reused, legato);
}

void Synth::noteOffPart(int32_t part, const NoteC_c& note) {
    if (!parts_) return;
    part = std::clamp(part, 0, config_.parts - 1);
    Instrument_c* instrument = parts_[part];
    if (!instrument) return;
    showEditorNote(part, note, false);
    const int32_t voice = voiceTable_.noteOff(part, voiceNoteOf(note));
    if (voice < 0) return;
    refreshNotesOn(part);
    if (SoundingVoice* tone = getVoice(voice)) tone->noteOff(part, Note_c(note.key, note.velocity));
}

void Synth::requestProgramChange(int32_t part, int32_t program) {
    postIdleCommand(kCmdMidiProgramChange, static_cast<int16_t>(part), static_cast<int16_t>(program));
}

void Synth::requestBankSelect(int32_t part, int32_t bank) {
    postIdleCommand(kCmdMidiBankSelect, static_cast<int16_t>(part), static_cast<int16_t>(bank));
}

void Synth::allNotesOffPart(int32_t part) {
    if (!parts_ || part < 0 || part >= config_.parts) return;
    VoiceNote slotNote{};
    for (int32_t voice = voiceTable_.findFirstOf(part, &slotNote); voice >= 0;
         voice = voiceTable_.findNextOf(part, &slotNote)) {
        SoundingVoice* tone = getVoice(voice);
        if (!tone) break;
        noteOffPart(part, noteOf(slotNote));
        // Another held voice of the same key may have taken that note-off.
        const VoiceSlot* slot = voiceTable_.getSlot(voice);
        if (slot && slot->state == kVoiceHeld) {
            voiceTable_.release(voice, slotNote.velocity);
            tone->noteOff(part, Note_c(slotNote.key, slotNote.velocity));
        }
    }
}

void Synth::allNotesOff() {
    for (int32_t i = 0; i < config_.parts; ++i) allNotesOffPart(i);
    editorRefreshAll();
}

void Synth::killPartVoices(int32_t part) {
    if (!parts_ || part < 0 || part >= config_.parts) return;
    // The table's walk is shared: a host thread walks it under the part's
    // queue lock, as the part's render and the audio ring's commands do.
    std::unique_lock<Lock_c> queue;
    if (parts_[part]) queue = std::unique_lock<Lock_c>(parts_[part]->queueLock());
    VoiceNote slotNote{};
    // The slots stay killed until their voices have faded (5 ms in the next
    // blocks) and report finished: a voice freed at once would stop mid-wave.
    for (int32_t voice = voiceTable_.findFirstOf(part, &slotNote); voice >= 0;
         voice = voiceTable_.findNextOf(part, &slotNote)) {
        const VoiceSlot* slot = voiceTable_.getSlot(voice);
        if (slot && slot->state == kVoiceKilled) continue;
        showEditorNote(part, noteOf(slotNote), false);
        killVoice(voice);
    }
}

void Synth::resetVoices() {
    for (int32_t i = 0; parts_ && i < config_.parts; ++i) {
        if (!parts_[i]) break;
        parts_[i]->reset();
    }
    allNotesOff();
    voiceTable_.reset();
    // The audio side never waits for the ring's guard: when it is held, the
    // cancel is repeated before the next block drains the ring.
    if (!threadrole::onAudioSide())
        toAudio_.cancelKeyboardNotes();
    else if (!toAudio_.tryCancel(kCmdKeyboardNoteOn))
        keyboardCancelPending_.store(true, std::memory_order_release);
    inSysEx_ = false;
}

bool Synth::queueEditorNote(int32_t part, int32_t note, int32_t velocity, int32_t channel, bool on) {
    note = std::clamp(note, 0, 127);
    velocity = std::clamp(velocity, 0, 127);
    channel = std::clamp(channel, 0, 15);
    if (!padVelocityEnabled() && velocity > 0) velocity = 127;
    HoldData_c record = makeCommand(on ? kCmdKeyboardNoteOn : kCmdKeyboardNoteOff, static_cast<int16_t>(part), 0);
    record.midi[0] = static_cast<uint8_t>((on ? 0x90 : 0x80) + channel);
    record.midi[1] = static_cast<uint8_t>(note);
    record.midi[2] = static_cast<uint8_t>(velocity);
    return toAudio_.push(record, kPushAppend);
}

namespace {
void sendShortMessage(AudioEffectX& effect, uint8_t status, int32_t data1, int32_t data2) {
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = sizeof(VstMidiEvent);
    event.midiData[0] = static_cast<char>(status);
    event.midiData[1] = static_cast<char>(std::clamp(data1, 0, 127));
    event.midiData[2] = static_cast<char>(std::clamp(data2, 0, 127));
    VstEvents list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<VstEvent*>(&event);
    effect.sendVstEventsToHost(&list);
}
} // namespace

void Synth::sendControllerValue(int32_t channel, int32_t controller, int32_t value) {
    if (!opened_.load() || controllerOutputs_ <= 0) return;
    sendShortMessage(*this, static_cast<uint8_t>(0xB0 + std::clamp(channel, 0, 15)), controller, value);
}

void Synth::sendNoteToHost(int32_t channel, int32_t note, int32_t velocity, bool on) {
    if (!opened_.load() || controllerOutputs_ <= 0) return;
    sendShortMessage(*this, static_cast<uint8_t>((on ? 0x90 : 0x80) + std::clamp(channel, 0, 15)), note, velocity);
}
