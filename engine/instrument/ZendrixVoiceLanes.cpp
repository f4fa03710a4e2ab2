#include "engine/instrument/ZendrixVoiceLanes.h"

#include "engine/dsp/KernelLevel.h"
#include "engine/instrument/ZendrixTone_c.h"
#include "framework/voice/InBuffer2.h"

namespace {
constexpr int32_t kMostVoices = 64;
}

ZendrixTone_c* ZendrixVoiceLanes::voice(int32_t slot) const {
    return voices_ && slot >= 0 && slot < count_ ? voices_ + slot : nullptr;
}

bool ZendrixVoiceLanes::render(const int32_t* slots, int32_t count, int32_t n, InBuffer2_c* bus, bool* finished) {
    // Without the wide kernel the lanes would only add the gathering's cost.
    if (dsp::kernelLevel() != dsp::KernelLevel::kAvx2) return false;
    // Each voice alone writes the bus's left channel directly once it holds
    // mono (or nothing yet); only then may the voices' additions be gathered.
    if (!bus || !slots || !finished || count < 1 || count > kMostVoices || n < 1 || n > dsp::kMaxLaneSamples ||
        bus->holdsStereo() || bus->holdsSix())
        return false;
    ZendrixTone_c* sounding[kMostVoices];
    int32_t soundingCount = 0;
    for (int32_t i = 0; i < count; ++i) {
        ZendrixTone_c* v = voice(slots[i]);
        if (!v || !v->slicesInto(bus, n)) return false;
        if (v->sounds()) sounding[soundingCount++] = v;
    }
    float* out = nullptr;
    if (soundingCount > 0 && !bus->getMonoWritePointer(&out, false, n)) return false;

    // A voice that does not sound has finished at once, as its render would answer.
    for (int32_t i = 0; i < count; ++i) finished[i] = true;
    // Full groups of four in slot order; a rest of one or two voices renders
    // alone (see dsp::kFewestLanes).
    for (int32_t first = 0; first < soundingCount;) {
        const int32_t left = soundingCount - first;
        const int32_t size = left < dsp::kToneLanes ? left : dsp::kToneLanes;
        dsp::ToneLaneVoice lanes[dsp::kToneLanes];
        const float* sources[2 * dsp::kToneLanes];
        for (int32_t j = 0; j < size; ++j) {
            ZendrixTone_c* v = sounding[first + j];
            v->beginSlice(n);
            lanes[j] = v->laneVoice(oscOut_[j], noiseOut_[j]);
            sources[2 * j] = oscOut_[j];
            sources[2 * j + 1] = noiseOut_[j];
        }
        dsp::renderToneLanes(lanes, size, n, group_, true);
        dsp::addInOrder(out, sources, 2 * size, n);
        first += size;
    }
    for (int32_t i = 0, k = 0; i < count && k < soundingCount; ++i) {
        if (voice(slots[i]) != sounding[k]) continue;
        finished[i] = sounding[k++]->endSlice(n);
    }
    if (soundingCount > 0) {
        bus->spreadMono();
        bus->copyLeftToRight(n);
    }
    ++slices_;
    return true;
}
