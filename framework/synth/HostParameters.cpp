// The host's side of the parameter map: the host road (setParameter) and the
// names, labels, display texts and values a host reads. Any host thread,
// the audio thread included; texts never exceed the host's parameter text
// size (23 characters and the end).
#include "framework/synth/Synth.h"

#include <algorithm>

#include "framework/sdk/ValueText.h"

namespace {
constexpr int32_t kValueTextBuffer = 64;

void writeHostText(char* text, const char* source) {
    vsttext::copyText(text, source, Synth::kParameterTextChars);
}
} // namespace

void Synth::setParameter(VstInt32 index, float value) {
    if (index < 0 || index % config_.parameterStride >= config_.visibleParametersPerPart) return;
    // These hosts send stale values before they have rendered anything.
    if ((hostId_ == HostId::Orion || hostId_ == HostId::Samplitude) && !firstBlockRendered_.load()) return;
    setParameterFromHost(index, value);
}

void Synth::setParameterFromHost(int32_t hostIndex, float value) {
    if (!opened_.load() || !entries_ || hostIndex < 0) return;
    const int32_t stride = config_.parameterStride;
    const int32_t entry = hostIndex % stride;
    if (entry >= config_.hostParameterEntries || entry == markerEntry_) return;
    if (entries_[entry].hostLocked()) return;
    const ParameterTarget t = lookupHostParameter(hostIndex);
    if (!t.valid()) return;
    // A write the audio side may not do now waits in the slot of its part.
    using Road = PendingParameterWrites::Road;
    const int32_t part = std::clamp(hostIndex / stride, 0, config_.parts - 1);
    // Until the start-up preset is loaded a host's value must survive it,
    // whichever road the write takes now.
    if (!initialised_.load()) earlyHostWrites_.record(part * config_.hostParameterEntries + entry, value);
    if (sendFileWorkToIdle(part, entry, Road::Host, t.target, t.column, value)) return;
    BusyScope busy(*this);
    // Draw at once only where that is safe: notifyEditor decides by thread.
    if (!setParameterLocked(entry, t.target, t.row, t.column, value, true)) {
        writesForNextBlock_.put(part, entry, Road::Host, value);
        return;
    }
    if (const EPAS_c::Callback callback = entries_[entry].callback()) callback(*this, entry, t.target, t.column);
    // The echo reads the value when it runs: one pending record per parameter
    // is enough, and a stopped audio side cannot fill the ring with them.
    postAudioCommand(kCmdSendControllersToHost, static_cast<int16_t>(t.row), static_cast<int16_t>(entry), 0, 0,
                     kPushSkipIdentical);
}

float Synth::getParameter(VstInt32 index) {
    // A part that does not exist has no values: never another part's.
    if (!opened_.load() || index < 0 || index / config_.parameterStride >= config_.parts) return 0.0f;
    BusyScope busy(*this);
    const ParameterTarget t = lookupHostParameter(index);
    return t.valid() ? t.target->getNormalized(t.row, t.column) : 0.0f;
}

void Synth::getParameterName(VstInt32 index, char* text) {
    if (!text) return;
    if (!openIfNeeded()) {
        writeHostText(text, "uninitialized");
        return;
    }
    BusyScope busy(*this);
    const int32_t entry = index < 0 ? -1 : index % config_.parameterStride;
    if (entry >= 0 && entry < config_.visibleParametersPerPart && entries_)
        writeHostText(text, entries_[entry].name());
    else if (entry >= 0 && entry < config_.hostParameterEntries)
        writeHostText(text, "hidden");
    else
        writeHostText(text, "reserved");
}

void Synth::getParameterLabel(VstInt32 index, char* text) {
    writeHostColumnText(index, text, &Part_c::getName);
}

void Synth::getParameterDisplay(VstInt32 index, char* text) {
    writeHostColumnText(index, text, &Part_c::getValueText);
}

// Label and display differ only in which text of the entry's column they
// show: "---" when the plug-in cannot open, "-" for an entry without column.
void Synth::writeHostColumnText(VstInt32 index, char* text, ColumnText columnText) {
    if (!text) return;
    if (!openIfNeeded()) {
        writeHostText(text, "---");
        return;
    }
    BusyScope busy(*this);
    const ParameterTarget t = lookupHostParameter(index);
    if (!t.valid()) {
        writeHostText(text, "-");
        return;
    }
    char value[kValueTextBuffer] = {};
    (t.target->*columnText)(t.row, t.column, value, sizeof value);
    writeHostText(text, value);
}

bool Synth::beginEdit(VstInt32 index) {
    if (index < 0 || index % config_.parameterStride >= config_.visibleParametersPerPart) return false;
    return AudioEffectX::beginEdit(index);
}

bool Synth::endEdit(VstInt32 index) {
    if (index < 0 || index % config_.parameterStride >= config_.visibleParametersPerPart) return false;
    return AudioEffectX::endEdit(index);
}
