#include "framework/voice/InBuffer2.h"

#include "framework/voice/AudioTables.h"

#include <cmath>
#include <cstring>
#include <new>

namespace {

// Owned buffers carry a few spare floats past their capacity.
constexpr int32_t kSpareFloats = 5;

void addInto(float* dst, const float* src, int32_t n) {
    if (dst == nullptr || src == nullptr) return;
    for (int32_t i = 0; i < n; ++i) dst[i] += src[i];
}

void copyInto(float* dst, const float* src, int32_t n) {
    if (dst == nullptr || src == nullptr || dst == src || n <= 0) return;
    std::memmove(dst, src, sizeof(float) * static_cast<size_t>(n));
}

} // namespace

InBuffer2_c::~InBuffer2_c() { freeOwned(); }

int32_t InBuffer2_c::slotOfChannel(int32_t channel) {
    static constexpr int32_t kSlots[kMaxChannels] = {0, 2, 4, 5, 6, 7};
    return kSlots[channel];
}

bool InBuffer2_c::ownsSlot(int32_t index) const {
    if (index < 0 || index >= bufferCount_) return false;
    if (!hostBound_) return true;
    return index == 1 || (index == 3 && channels_ > 2);
}

bool InBuffer2_c::fits(int32_t index, int32_t n) const {
    if (n < 0 || buffers_[index] == nullptr) return false;
    // Host channels hold the host's whole block; the caller never renders past it.
    if (!ownsSlot(index)) return true;
    return static_cast<int64_t>(writeOffset_) + n <= frames_;
}

// ---------------------------------------------------------------- opening

void InBuffer2_c::openHostBound(const char* name, int32_t frames, int32_t channels, const float* silence) {
    if (channels < 1 || channels > kMaxChannels || silence == nullptr) return;
    freeOwned();
    for (auto& b : buffers_) b = nullptr;
    hostBound_ = true;
    name_ = name != nullptr ? name : "unnamed";
    frames_ = frames;
    channels_ = channels;
    bufferCount_ = channels == 1 ? 1 : channels == 2 ? 3 : channels + 2;
    silence_ = silence;
    allocateAll(); // only the mix buffers: the channels belong to the host
    keepPositionA_ = false;
    keepPositionB_ = true;
    clearContent();
    validate();
    fillSilence();
}

void InBuffer2_c::openOwned(const char* name, int32_t frames, int32_t channels, const float* silence,
                            bool keepPositionA, bool keepPositionB) {
    if (frames <= 0 || channels <= 0 || channels > kMaxChannels || silence == nullptr) return;
    freeOwned();
    for (auto& b : buffers_) b = nullptr;
    hostBound_ = false;
    name_ = name != nullptr ? name : "unnamed";
    frames_ = frames;
    channels_ = channels;
    bufferCount_ = channels == 1 ? 1 : channels == 2 ? 3 : channels + 2;
    silence_ = silence;
    allocateAll();
    keepPositionA_ = keepPositionA;
    keepPositionB_ = keepPositionB;
    clearContent();
    validate();
    fillSilence();
}

void InBuffer2_c::setFrames(int32_t frames) {
    if (!valid_) return;
    freeOwned();
    frames_ = frames;
    allocateAll();
    validate();
    fillSilence();
}

int32_t InBuffer2_c::setChannelPointers(float* const* pointers) {
    // An owned bus would lose (and later free) memory that is not its own.
    if (!hostBound_ || pointers == nullptr || channels_ < 1) return 0;
    for (int32_t i = 0; i < channels_; ++i) buffers_[slotOfChannel(i)] = pointers[i];
    return channels_;
}

void InBuffer2_c::allocateAll() {
    if (frames_ <= 0) return;
    for (int32_t i = 0; i < bufferCount_; ++i) {
        if (!ownsSlot(i)) continue;
        delete[] buffers_[i];
        buffers_[i] = new (std::nothrow) float[static_cast<size_t>(frames_) + kSpareFloats];
    }
}

void InBuffer2_c::freeOwned() {
    for (int32_t i = 0; i < kSlotCount; ++i) {
        if (!ownsSlot(i)) continue;
        delete[] buffers_[i];
        buffers_[i] = nullptr;
    }
}

void InBuffer2_c::fillSilence() {
    for (int32_t i = 0; i < bufferCount_; ++i)
        if (ownsSlot(i)) audiotables::copyTemplate(buffers_[i], frames_, silence_);
}

bool InBuffer2_c::validate() {
    bool ok = frames_ > 0 && channels_ > 0 && silence_ != nullptr;
    for (int32_t i = 0; ok && i < bufferCount_; ++i)
        if (ownsSlot(i) && buffers_[i] == nullptr) ok = false;
    valid_ = ok;
    return ok;
}

void InBuffer2_c::clearContent() {
    holdsMono_ = holdsStereo_ = holdsSix_ = false;
    mixMonoUsed_ = mixStereoUsed_ = false;
    lastAccess_ = kAccessNone;
    sliceFrames_ = previousSliceFrames_ = writeOffset_ = 0;
}

// ---------------------------------------------------------------- slices and position

void InBuffer2_c::clearSlot(int32_t index, int32_t n) {
    if (index < bufferCount_) audiotables::copyTemplate(buffers_[index], n, silence_);
}

void InBuffer2_c::clearMixBuffers() {
    const int32_t n = previousSliceFrames_;
    if (holdsStereo_) {
        if (mixMonoUsed_) clearSlot(1, n);
    } else if (holdsSix_ && (mixMonoUsed_ || mixStereoUsed_)) {
        clearSlot(1, n);
        if (mixStereoUsed_) clearSlot(3, n);
    }
}

void InBuffer2_c::clearUsed() {
    const int32_t n = previousSliceFrames_;
    if (holdsMono_) {
        clearSlot(0, n);
    } else if (holdsStereo_) {
        if (mixMonoUsed_) clearSlot(1, n);
        clearSlot(0, n);
        clearSlot(2, n);
    } else if (holdsSix_) {
        if (mixMonoUsed_) clearSlot(1, n);
        if (mixStereoUsed_) clearSlot(3, n);
        for (int32_t c = 0; c < kMaxChannels; ++c) clearSlot(slotOfChannel(c), n);
    }
}

void InBuffer2_c::beginSlice(int32_t n) {
    if (!valid_ || n < 0 || n > frames_) return;
    sliceFrames_ = n;
    if (hostBound_)
        clearMixBuffers();
    else if (lastAccess_ != kAccessNone)
        clearUsed();
    previousSliceFrames_ = n;
    holdsMono_ = holdsStereo_ = holdsSix_ = false;
    mixMonoUsed_ = mixStereoUsed_ = false;
    lastAccess_ = kAccessNone;
    writeOffset_ = 0;
}

void InBuffer2_c::advance(int32_t n) {
    if (n <= 0) return; // a negative step would hand out pointers before the buffers
    if (hostBound_ || (!keepPositionA_ && !keepPositionB_)) {
        const int64_t next = static_cast<int64_t>(writeOffset_) + n;
        writeOffset_ = next > INT32_MAX ? INT32_MAX : static_cast<int32_t>(next);
    }
}

void InBuffer2_c::copyLeftToRight(int32_t n) {
    if (n <= 0 || !fits(0, n) || !fits(2, n)) return;
    copyInto(buffers_[2] + writeOffset_, buffers_[0] + writeOffset_, n);
}

// ---------------------------------------------------------------- content

void InBuffer2_c::addToPair(float* left, float* right, int32_t n) const {
    if (!valid_ || n <= 0) return;
    auto readable = [this, n](int32_t i) { return buffers_[i] != nullptr && (!ownsSlot(i) || n <= frames_); };
    if (holdsMono_ && readable(0)) {
        addInto(left, buffers_[0], n);
        addInto(right, buffers_[0], n);
    } else if (holdsStereo_ && readable(0) && readable(2)) {
        addInto(left, buffers_[0], n);
        addInto(right, buffers_[2], n);
    }
}

void InBuffer2_c::collapseToMono(bool average) {
    if (!valid_ || !holdsStereo_ || buffers_[0] == nullptr || buffers_[2] == nullptr) return;
    if (average) {
        float* l = buffers_[0];
        const float* r = buffers_[2];
        for (int32_t i = 0; i < sliceFrames_; ++i) l[i] = (l[i] + r[i]) * 0.5f;
    }
    holdsStereo_ = false;
    holdsMono_ = true;
    if (mixMonoUsed_) {
        clearSlot(1, sliceFrames_);
        mixMonoUsed_ = false;
    }
    clearSlot(2, sliceFrames_);
}

bool InBuffer2_c::isSilent() const {
    auto loud = [this](int32_t i) {
        const float* b = buffers_[i];
        if (b == nullptr) return false;
        for (int32_t k = 0; k < sliceFrames_; ++k)
            if (std::fabs(b[k]) > 0.001f) return true;
        return false;
    };
    if (holdsMono_) return !loud(0);
    if (holdsStereo_) return !loud(0) && !loud(2);
    return true;
}

// ---------------------------------------------------------------- pointers

bool InBuffer2_c::getMonoWritePointer(float** out, bool direct, int32_t n) {
    if (out == nullptr) return false;
    *out = nullptr;
    if (!valid_ || (direct && !hostBound_) || channels_ < 1) return false;
    const bool toMix = (holdsStereo_ || holdsSix_) && !direct;
    const int32_t s = toMix ? 1 : 0;
    if (!fits(s, n)) return false;
    if (toMix) mixMonoUsed_ = true;
    lastAccess_ = kAccessMono;
    *out = buffers_[s] + writeOffset_;
    return true;
}

bool InBuffer2_c::getStereoWritePointers(float** left, float** right, int32_t n) {
    if (left == nullptr || right == nullptr) return false;
    *left = *right = nullptr;
    if (!valid_ || channels_ < 2) return false;
    const bool toMix = holdsSix_;
    const int32_t a = toMix ? 1 : 0;
    const int32_t b = toMix ? 3 : 2;
    if (!fits(a, n) || !fits(b, n)) return false;
    if (holdsMono_ && frames_ >= sliceFrames_) {
        copyInto(buffers_[2], buffers_[0], sliceFrames_);
        holdsMono_ = false;
        holdsStereo_ = true;
    }
    if (toMix) mixStereoUsed_ = true;
    lastAccess_ = kAccessStereo;
    *left = buffers_[a] + writeOffset_;
    *right = buffers_[b] + writeOffset_;
    return true;
}

bool InBuffer2_c::getSixWritePointers(float* out[6], int32_t n) {
    if (out == nullptr) return false;
    for (int32_t c = 0; c < kMaxChannels; ++c) out[c] = nullptr;
    if (!valid_ || channels_ < 6) return false;
    for (int32_t c = 0; c < kMaxChannels; ++c)
        if (!fits(slotOfChannel(c), n)) return false;
    if (holdsMono_ && frames_ >= sliceFrames_) {
        copyInto(buffers_[2], buffers_[0], sliceFrames_);
        copyInto(buffers_[6], buffers_[0], sliceFrames_);
        copyInto(buffers_[7], buffers_[0], sliceFrames_);
        holdsMono_ = false;
        holdsSix_ = true;
    } else if (holdsStereo_ && frames_ >= sliceFrames_) {
        copyInto(buffers_[6], buffers_[0], sliceFrames_);
        copyInto(buffers_[7], buffers_[2], sliceFrames_);
        holdsStereo_ = false;
        holdsSix_ = true;
    }
    for (int32_t c = 0; c < kMaxChannels; ++c) out[c] = buffers_[slotOfChannel(c)] + writeOffset_;
    lastAccess_ = kAccessSix;
    return true;
}

bool InBuffer2_c::getMonoReadPointer(float** out, bool allowMixdown, int32_t n) {
    if (out == nullptr) return false;
    *out = nullptr;
    if (!valid_ || channels_ < 1) return false;
    int32_t s = 0;
    if (holdsStereo_ || holdsSix_) {
        if (!allowMixdown || buffers_[0] == nullptr || buffers_[2] == nullptr || !fits(1, n)) return false;
        float* mix = buffers_[1];
        const float* l = buffers_[0];
        const float* r = buffers_[2];
        for (int32_t i = 0; i < sliceFrames_; ++i) mix[i] = (r[i] + l[i]) * 0.5f;
        s = 1;
    }
    if (!fits(s, n)) return false;
    *out = buffers_[s] + writeOffset_;
    return true;
}

bool InBuffer2_c::getStereoReadPointers(float** left, float** right, int32_t n) {
    if (left == nullptr || right == nullptr) return false;
    *left = *right = nullptr;
    if (!valid_ || channels_ < 2 || holdsSix_) return false;
    const int32_t b = holdsMono_ ? 0 : 2;
    if (!fits(0, n) || !fits(b, n)) return false;
    *left = buffers_[0] + writeOffset_;
    *right = buffers_[b] + writeOffset_;
    return true;
}

bool InBuffer2_c::getSixReadPointers(float* out[6], int32_t n) {
    if (out == nullptr) return false;
    for (int32_t c = 0; c < kMaxChannels; ++c) out[c] = nullptr;
    if (!valid_ || channels_ < 6) return false;
    static constexpr int32_t kMono[6] = {0, 0, 4, 5, 0, 0};
    static constexpr int32_t kStereo[6] = {0, 2, 4, 5, 0, 2};
    static constexpr int32_t kSix[6] = {0, 2, 4, 5, 6, 7};
    const int32_t* map = holdsMono_ ? kMono : holdsStereo_ ? kStereo : kSix;
    for (int32_t c = 0; c < kMaxChannels; ++c)
        if (!fits(map[c], n)) return false;
    for (int32_t c = 0; c < kMaxChannels; ++c) out[c] = buffers_[map[c]] + writeOffset_;
    return true;
}

// ---------------------------------------------------------------- spreading

void InBuffer2_c::spreadMono() {
    if (!valid_) return;
    const float* mix = buffers_[1];
    if (holdsStereo_ && mix != nullptr) {
        addInto(buffers_[0], mix, sliceFrames_);
        addInto(buffers_[2], mix, sliceFrames_);
    } else if (holdsSix_ && mix != nullptr) {
        for (int32_t c = 0; c < kMaxChannels; ++c) addInto(buffers_[slotOfChannel(c)], mix, sliceFrames_);
    }
    lastAccess_ = kAccessSpread;
    if (!holdsMono_ && !holdsStereo_ && !holdsSix_) holdsMono_ = true;
}

void InBuffer2_c::spreadStereo() {
    if (!valid_) return;
    if (holdsSix_) {
        addInto(buffers_[0], buffers_[1], sliceFrames_);
        addInto(buffers_[6], buffers_[1], sliceFrames_);
        addInto(buffers_[2], buffers_[3], sliceFrames_);
        addInto(buffers_[7], buffers_[3], sliceFrames_);
    }
    lastAccess_ = kAccessSpread;
    if (!holdsStereo_ && !holdsSix_) {
        holdsMono_ = false;
        holdsStereo_ = true;
    }
}

void InBuffer2_c::setSixFlag() {
    holdsMono_ = holdsStereo_ = false; // the bus holds one layout at a time
    holdsSix_ = true;
    lastAccess_ = kAccessSpread;
}

void InBuffer2_c::mulAddGain(float* destination, const float* source, int32_t n, const float* gain) {
    if (destination == nullptr || source == nullptr || gain == nullptr) return;
    for (int32_t i = 0; i < n; ++i) destination[i] += source[i] * gain[i >> 3];
}

void InBuffer2_c::mulGain(float* destination, const float* source, int32_t n, const float* gain) {
    if (destination == nullptr || source == nullptr || gain == nullptr) return;
    for (int32_t i = 0; i < n; ++i) destination[i] = source[i] * gain[i >> 3];
}

// ---------------------------------------------------------------- bus to bus

void InBuffer2_c::mixFrom(InBuffer2_c& source, int32_t n, bool forceStereo, const float* gain) {
    mixOrCopy(source, n, forceStereo, gain, true);
}

void InBuffer2_c::copyFrom(InBuffer2_c& source, int32_t n, bool forceStereo, const float* gain) {
    mixOrCopy(source, n, forceStereo, gain, false);
}

void InBuffer2_c::mixOrCopy(InBuffer2_c& source, int32_t n, bool forceStereo, const float* gain, bool add) {
    if (n < 0) return;
    const bool moveSamples = add || frames_ >= n;
    auto move = [n, gain, add](float* dst, const float* src) {
        if (add) {
            if (gain != nullptr)
                mulAddGain(dst, src, n, gain);
            else
                addInto(dst, src, n);
        } else {
            if (gain != nullptr)
                mulGain(dst, src, n, gain);
            else
                copyInto(dst, src, n);
        }
    };
    const bool sourceMono = source.holdsMono_;
    if (forceStereo || !sourceMono) {
        if (source.holdsStereo_ || forceStereo) {
            float* wl = nullptr;
            float* wr = nullptr;
            if (getStereoWritePointers(&wl, &wr, n)) {
                float* rl = nullptr;
                float* rr = nullptr;
                if (moveSamples && source.getStereoReadPointers(&rl, &rr, n)) {
                    move(wl, rl);
                    move(wr, rr);
                }
                spreadStereo();
            }
        } else if (source.holdsSix_) {
            float* w[6];
            if (getSixWritePointers(w, n)) {
                float* r[6];
                if (moveSamples && source.getSixReadPointers(r, n))
                    for (int32_t c = 0; c < kMaxChannels; ++c) move(w[c], r[c]);
                setSixFlag();
            }
        }
    }
    if (sourceMono && !forceStereo) {
        float* w = nullptr;
        if (getMonoWritePointer(&w, false, n)) {
            float* r = nullptr;
            if (moveSamples && source.getMonoReadPointer(&r, false, n)) move(w, r);
            spreadMono();
        }
    }
    if (lastAccess_ == kAccessNone) lastAccess_ = source.lastAccess_;
}
