#pragma once
// An audio bus of 1..6 channels that sound modules write into and read from
// during one audio block.
//
// Buffer slots: 0 = channel 0 (left), 1 = mono mix buffer, 2 = channel 1 (right),
// 3 = second mix buffer, 4..7 = channels 2..5.
// An owned bus owns every slot in use; a host-bound bus owns only its mix buffers
// (slot 1, and slot 3 with more than two channels) and never frees the channel
// pointers the host hands it.
//
// Threads: opened and resized on the plug-in's construction/opening thread;
// everything else only on the audio thread within one block, without locking.
// Nothing here allocates after opening.
//
// Every pointer handed out is offset by the write position. The getters take the
// number of frames the caller will touch from the pointer: an owned buffer is
// refused when write position + frames would pass its end, and a missing (null)
// host channel is refused, so a writer never gets storage it may not use.
#include <cstdint>

class InBuffer2_c {
public:
    static constexpr int32_t kMaxChannels = 6;
    static constexpr int32_t kSlotCount = 8;

    // Layout of the last access.
    enum Access : int32_t { kAccessNone = 0, kAccessMono = 1, kAccessStereo = 2, kAccessSix = 3, kAccessSpread = 4 };

    InBuffer2_c() = default;
    virtual ~InBuffer2_c();
    InBuffer2_c(const InBuffer2_c&) = delete;
    InBuffer2_c& operator=(const InBuffer2_c&) = delete;

    // Channel buffers come from the host (setChannelPointers); only the mix buffers are
    // allocated here. Refused without effect for channels outside 1..6 or no template.
    // The name and template must outlive the bus.
    void openHostBound(const char* name, int32_t frames, int32_t channels, const float* silence);
    // Every buffer is allocated here. While either keep flag is set, advance() does not move.
    void openOwned(const char* name, int32_t frames, int32_t channels, const float* silence,
                   bool keepPositionA, bool keepPositionB);
    // Re-allocates the owned buffers with a new capacity (only on a valid bus).
    void setFrames(int32_t frames);

    // Host-bound bus only: channel i := pointers[i] for i < channels. Returns the number set.
    int32_t setChannelPointers(float* const* pointers);
    int32_t getChannels() const { return channels_; }

    // Copies n samples of the left channel into the right one at the write position.
    void copyLeftToRight(int32_t n);
    // Starts a slice of n frames: clears what the previous slice used, resets content and position.
    void beginSlice(int32_t n);
    // Adds (mixFrom) or copies (copyFrom) n frames of the source into this bus; gain is
    // one value per 8 frames, or null for unity.
    void mixFrom(InBuffer2_c& source, int32_t n, bool forceStereo, const float* gain);
    void copyFrom(InBuffer2_c& source, int32_t n, bool forceStereo, const float* gain);

    void advance(int32_t n);
    void rewind() { writeOffset_ = 0; }

    // Adds the content (from frame 0) into a pair of outputs.
    void addToPair(float* left, float* right, int32_t n) const;
    void collapseToMono(bool average);
    bool isSilent() const;

    bool getMonoWritePointer(float** out, bool direct, int32_t n);
    bool getStereoWritePointers(float** left, float** right, int32_t n);
    bool getSixWritePointers(float* out[6], int32_t n);
    bool getMonoReadPointer(float** out, bool allowMixdown, int32_t n);
    bool getStereoReadPointers(float** left, float** right, int32_t n);
    bool getSixReadPointers(float* out[6], int32_t n);

    void spreadMono();
    void spreadStereo();
    void setSixFlag();

    // destination[i] (+)= source[i] × gain[i / 8]; gain holds (n + 7) / 8 values.
    static void mulAddGain(float* destination, const float* source, int32_t n, const float* gain);
    static void mulGain(float* destination, const float* source, int32_t n, const float* gain);

    const char* name() const { return name_; }
    int32_t frames() const { return frames_; }
    int32_t writeOffset() const { return writeOffset_; }
    int32_t sliceFrames() const { return sliceFrames_; }
    int32_t lastAccess() const { return lastAccess_; }
    bool isValid() const { return valid_; }
    bool isHostBound() const { return hostBound_; }
    bool holdsMono() const { return holdsMono_; }
    bool holdsStereo() const { return holdsStereo_; }
    bool holdsSix() const { return holdsSix_; }
    // Raw slot, for inspection (tests, the patch bay); not offset by the write position.
    float* slot(int32_t index) const { return index >= 0 && index < kSlotCount ? buffers_[index] : nullptr; }

private:
    static int32_t slotOfChannel(int32_t channel);
    bool ownsSlot(int32_t index) const;
    // Slot usable for n frames from the write position (present, and inside an owned buffer).
    bool fits(int32_t index, int32_t n) const;
    void mixOrCopy(InBuffer2_c& source, int32_t n, bool forceStereo, const float* gain, bool add);
    void allocateAll();
    void freeOwned();
    void fillSilence();
    void clearSlot(int32_t index, int32_t n);
    void clearMixBuffers();
    void clearUsed();
    bool validate();
    void clearContent();

    const char* name_ = "unnamed";
    bool keepPositionA_ = false;
    bool keepPositionB_ = false;
    const float* silence_ = nullptr;
    int32_t channels_ = 0;
    int32_t bufferCount_ = 0;
    int32_t frames_ = 0;
    int32_t lastAccess_ = kAccessNone;
    bool valid_ = false;
    bool hostBound_ = false;
    bool holdsMono_ = false;
    bool holdsStereo_ = false;
    bool holdsSix_ = false;
    bool mixMonoUsed_ = false;
    bool mixStereoUsed_ = false;
    int32_t sliceFrames_ = 0;
    int32_t previousSliceFrames_ = 0;
    int32_t writeOffset_ = 0;
    float* buffers_[kSlotCount] = {};
};
