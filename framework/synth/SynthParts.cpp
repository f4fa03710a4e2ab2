// The per-part decisions of the plug-in base: mute and solo, key-zone
// weights, choke groups, the "NotesOn" count of the voice hand-back, and the
// output pin labels.
//
// Threads: mute and solo on the thread that writes the parameter (inside
// the parameter write); zones, choke and the voice hand-back on the audio
// thread (no allocation, no lock: the settings cells are atomics); the pin
// labels on a host thread.
#include "framework/synth/Synth.h"

#include <algorithm>
#include <cstdio>

#include "framework/sdk/ValueText.h"
#include "framework/voice/Instrument_c.h"

namespace {
// 'SYG1' "Choke" options: none, the part itself, its neighbours, then the
// groups "1".."5" that choke each other ("6".."9" choke nothing).
constexpr int32_t kChokeSelf = 1;
constexpr int32_t kChokePrevious = 2;
constexpr int32_t kChokeNext = 3;
constexpr int32_t kFirstChokeGroup = 4;
constexpr int32_t kLastChokeGroup = 8;
// A one-pair plug-in labels every pin with this many characters of its name.
constexpr int kSinglePairLabelChars = 6;
} // namespace

// ------------------------------------------------------------------ mute and solo

int32_t Synth::getSolo(int32_t part, bool fx) const {
    return fx ? 0 : synGloIns_.getValue(part, SynGloIns_c::kSolo);
}

int32_t Synth::getMute(int32_t part, bool fx) const {
    return fx ? 0 : synGloIns_.getValue(part, SynGloIns_c::kMute);
}

void Synth::setSolo(int32_t part, bool fx, int32_t value) {
    if (!fx) synGloIns_.setValue(part, SynGloIns_c::kSolo, value);
}

void Synth::setMute(int32_t part, bool fx, int32_t value) {
    if (!fx) synGloIns_.setValue(part, SynGloIns_c::kMute, value);
}

void Synth::writePartSetting(int32_t part, int32_t column, int32_t value) {
    if (ParaSet_c* set = synGloIns_.set()) set->setValue(part, column, value);
}

void Synth::updateMuteSolo(int32_t n, bool isSolo, int32_t first, int32_t last, bool fx) {
    // No FX units: their solo state has nothing to follow.
    if (fx) return;
    first = std::max(first, 0);
    last = std::min(last, config_.parts - 1);
    if (!ready_.load() || !muteMemory_ || n < first || n > last) return;
    auto soloedParts = [&] {
        int32_t count = 0;
        for (int32_t i = first; i <= last; ++i) count += getSolo(i, false) != 0 ? 1 : 0;
        return count;
    };
    // The writes below go straight to the set: the change handler that
    // called us must not see them again.
    const int32_t before = soloCount_.load(std::memory_order_relaxed);
    if (before <= 0 && isSolo)
        for (int32_t i = first; i <= last; ++i) muteMemory_[i] = getMute(i, false);
    if (isSolo) {
        writePartSetting(n, SynGloIns_c::kMute, 1 - getSolo(n, false));
    } else if (getMute(n, false) != 0) {
        writePartSetting(n, SynGloIns_c::kSolo, 0);
    } else if (soloedParts() > 0) {
        writePartSetting(n, SynGloIns_c::kSolo, 1);
    }
    const int32_t soloed = soloedParts();
    if (soloed > 0) {
        for (int32_t i = first; i <= last; ++i)
            if (i != n) writePartSetting(i, SynGloIns_c::kMute, getSolo(i, false) != 0 ? 0 : 1);
    } else if (before > 0 || isSolo) {
        // The last solo has gone, or a solo was switched off while none was
        // on: every part gets the mute state it had before (the memory was
        // just taken in the second case), so switching off an unsoloed part
        // never mutes it. A part whose own mute changed keeps it.
        for (int32_t i = first; i <= last; ++i)
            if (isSolo || i != n) writePartSetting(i, SynGloIns_c::kMute, muteMemory_[i]);
    }
    soloCount_.store(soloed, std::memory_order_relaxed);
    editorRefreshAll();
}

void Synth::recountSolo() {
    int32_t soloed = 0;
    for (int32_t i = 0; i < config_.parts; ++i) soloed += getSolo(i, false);
    soloCount_.store(soloed, std::memory_order_relaxed);
}

// ------------------------------------------------------------------ key zones

int32_t Synth::zoneOverlap(int32_t part, int32_t edge, int32_t loColumn, int32_t hiColumn, int32_t fullLo,
                           bool fromBelow) const {
    int32_t bound = fromBelow ? edge - 1 : edge + 1;
    for (int32_t other = 0; other < config_.parts; ++other) {
        if (other == part || isPartMuted(other)) continue;
        const int32_t lo = synGloIns_.getValue(other, loColumn);
        const int32_t hi = synGloIns_.getValue(other, hiColumn);
        // A part over the whole range does not make a zone edge.
        if (lo == fullLo && hi == 127) continue;
        if (fromBelow) {
            if (lo < edge && edge <= hi) bound = std::max(bound, hi);
        } else if (lo <= edge && edge < hi) {
            bound = std::min(bound, lo);
        }
    }
    return bound;
}

int32_t Synth::lowerNoteOverlap(int32_t part, int32_t noteLo) const {
    return zoneOverlap(part, noteLo, SynGloIns_c::kNoteLo, SynGloIns_c::kNoteHi, 0, true);
}

int32_t Synth::upperNoteOverlap(int32_t part, int32_t noteHi) const {
    return zoneOverlap(part, noteHi, SynGloIns_c::kNoteLo, SynGloIns_c::kNoteHi, 0, false);
}

int32_t Synth::lowerVelocityOverlap(int32_t part, int32_t veloLo) const {
    return zoneOverlap(part, veloLo, SynGloIns_c::kVeloLo, SynGloIns_c::kVeloHi, 1, true);
}

int32_t Synth::upperVelocityOverlap(int32_t part, int32_t veloHi) const {
    return zoneOverlap(part, veloHi, SynGloIns_c::kVeloLo, SynGloIns_c::kVeloHi, 1, false);
}

float Synth::keyZoneWeight(int32_t part, const NoteC_c& note, int32_t noteLo, int32_t noteHi, int32_t veloLo,
                           int32_t veloHi) const {
    const int32_t k = note.key;
    const int32_t v = note.velocity;
    if (k < noteLo || k > noteHi || v < veloLo || v > veloHi) return 0.0f;
    // Each bound lies at most one step outside the range, so no divisor is 0.
    const int32_t g = lowerNoteOverlap(part, noteLo);
    const int32_t h = upperNoteOverlap(part, noteHi);
    const int32_t l = lowerVelocityOverlap(part, veloLo);
    const int32_t m = upperVelocityOverlap(part, veloHi);
    float w = k > g ? 1.0f : static_cast<float>(k - noteLo + 1) / static_cast<float>(g - noteLo + 2);
    if (k >= h) w = w * static_cast<float>(noteHi - k + 1) / static_cast<float>(noteHi - h + 2);
    if (v <= l) w = w * static_cast<float>(v - veloLo + 1) / static_cast<float>(l - veloLo + 2);
    if (v >= m) w = w * static_cast<float>(veloHi - v + 1) / static_cast<float>(veloHi - m + 2);
    return w;
}

// ------------------------------------------------------------------ voices, "NotesOn" and choke

void Synth::setPartNotesOn(int32_t part, int32_t count) {
    writePartSetting(part, SynGloIns_c::kNotesOn, count);
}

void Synth::notifyPartParameter(int32_t part) {
    if (partDisplayEntry_ >= 0 && partDisplayStride_ > 0)
        notifyEditor(partDisplayEntry_ + part * partDisplayStride_, false);
}

void Synth::refreshNotesOn(int32_t part) {
    if (!parts_ || part < 0 || part >= config_.parts || !parts_[part]) return;
    // The voice table keeps each part's count of voices in use.
    setPartNotesOn(part, parts_[part]->voicesInUse());
    notifyPartParameter(part);
}

void Synth::updateNotesOn(int32_t voice) {
    // The table clamps slot numbers; a voice outside it has no slot to free.
    if (voice < 0 || voice >= voiceTable_.slotCount()) return;
    const VoiceSlot* slot = voiceTable_.getSlot(voice);
    if (!slot) return;
    const int32_t part = slot->instrument;
    voiceTable_.freeSlot(voice);
    refreshNotesOn(part);
}

void Synth::killVoice(int32_t voice) {
    if (voice < 0 || voice >= voiceTable_.slotCount()) return;
    const VoiceSlot* slot = voiceTable_.markKilled(voice);
    if (!slot) return;
    refreshNotesOn(slot->instrument);
    if (SoundingVoice* tone = getVoice(voice)) tone->kill();
}

void Synth::chokePart(int32_t part) {
    // Each pass kills one sounding voice; killed voices are not found again.
    for (int32_t pass = 0; pass < voiceTable_.slotCount(); ++pass) {
        const int32_t voice = voiceTable_.findSounding(part, PolyNoteTable_c::kAnyNote, PolyNoteTable_c::kAnyChannel);
        if (voice < 0) break;
        killVoice(voice);
    }
}

int32_t Synth::noteOnWithChoke(int32_t part, const NoteC_c& note, const NoteC_c& received) {
    const int32_t parts = config_.parts;
    part = std::clamp(part, 0, parts - 1);
    const int32_t group = synGloIns_.getValue(part, SynGloIns_c::kChoke);
    if (group == kChokeSelf) chokePart(part);
    const int32_t voice = noteOnPart(part, note, received);
    if (group == kChokePrevious) {
        chokePart((parts + part - 1) % parts);
    } else if (group == kChokeNext) {
        chokePart((part + 1) % parts);
    } else if (group >= kFirstChokeGroup && group <= kLastChokeGroup) {
        for (int32_t other = 0; other < parts; ++other)
            if (other != part && synGloIns_.getValue(other, SynGloIns_c::kChoke) == group) chokePart(other);
    }
    return voice;
}

// ------------------------------------------------------------------ output pins

bool Synth::getOutputProperties(VstInt32 index, VstPinProperties* properties) {
    // A null record or a negative pin is refused rather than written or labelled.
    if (!properties || index < 0) return false;
    const char* name = config_.productName ? config_.productName : "";
    const int32_t pairs = stereoPairs();
    if (pairs == 1 && monoOutputs() == 0) {
        vsttext::copyText(properties->label, name, kSinglePairLabelChars);
        properties->flags = kVstPinIsActive | kVstPinIsStereo;
        return true;
    }
    // The name's first two characters (fewer when it is shorter).
    char prefix[3] = {};
    for (int i = 0; i < 2 && name[i] != '\0'; ++i) prefix[i] = name[i];
    if (index < 2 * pairs) {
        std::snprintf(properties->label, sizeof properties->label, "%s S%02d", prefix, static_cast<int>(index / 2 + 1));
        properties->flags = kVstPinIsActive | kVstPinIsStereo;
    } else {
        std::snprintf(properties->label, sizeof properties->label, "%s M%02d", prefix,
                      static_cast<int>(index - 2 * pairs + 1));
        properties->flags = kVstPinIsActive;
    }
    return true;
}
