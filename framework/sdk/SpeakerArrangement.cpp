// The speaker-arrangement helpers of AudioEffectX. An arrangement with more
// than the 8 speakers of the record is one block with the extra speakers
// following it; every block here comes from allocateArrangement.
#include <cstddef>
#include <cstring>
#include <new>

#include "framework/sdk/AudioEffectX.h"

namespace {

constexpr VstInt32 kRecordSpeakers = 8;
constexpr VstInt32 kMaxSpeakers = 1 << 16;   // far beyond any real layout; keeps sizes small

std::size_t arrangementBytes(VstInt32 channels) {
    const VstInt32 extra = channels > kRecordSpeakers ? channels - kRecordSpeakers : 0;
    return sizeof(VstSpeakerArrangement) + static_cast<std::size_t>(extra) * sizeof(VstSpeakerProperties);
}

// Speaker i of an arrangement block (past the record's 8 for larger blocks).
VstSpeakerProperties* speakerAt(VstSpeakerArrangement* arrangement, VstInt32 i) {
    char* first = reinterpret_cast<char*>(arrangement) + offsetof(VstSpeakerArrangement, speakers);
    return reinterpret_cast<VstSpeakerProperties*>(first) + i;
}

const VstSpeakerProperties* speakerAt(const VstSpeakerArrangement* arrangement, VstInt32 i) {
    const char* first = reinterpret_cast<const char*>(arrangement) + offsetof(VstSpeakerArrangement, speakers);
    return reinterpret_cast<const VstSpeakerProperties*>(first) + i;
}

} // namespace

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 channels) {
    if (!arrangement || channels < 0 || channels > kMaxSpeakers) return false;
    deallocateArrangement(arrangement);
    char* block = new (std::nothrow) char[arrangementBytes(channels)];
    if (!block) return false;
    std::memset(block, 0, arrangementBytes(channels));
    auto* created = reinterpret_cast<VstSpeakerArrangement*>(block);
    created->numChannels = channels;
    *arrangement = created;
    return true;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
    if (!arrangement) return false;
    delete[] reinterpret_cast<char*>(*arrangement);
    *arrangement = nullptr;
    return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, const VstSpeakerProperties* from) {
    if (!to || !from) return false;
    std::memcpy(to, from, sizeof *to);
    return true;
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to, const VstSpeakerArrangement* from) {
    if (!to || !from || from->numChannels < 0 || from->numChannels > kMaxSpeakers) return false;
    if (!allocateArrangement(to, from->numChannels)) return false;
    (*to)->type = from->type;
    for (VstInt32 i = 0; i < from->numChannels; ++i) copySpeaker(speakerAt(*to, i), speakerAt(from, i));
    return true;
}
