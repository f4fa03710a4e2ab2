#pragma once
// One MIDI-driven instrument inside the plug-in: it queues the host's MIDI
// events of a block in time order and renders the block sample-accurately,
// rendering its voices up to each event's offset, decoding the event, and
// rendering the rest, always in slices of at most 256 samples.
//
// Threads and locks, taken in this order and released in reverse:
//   queue lock     blocking: queueEvent (any MIDI-delivering thread), disabling,
//                  and the whole of processBlock (audio thread). Held briefly.
//   program lock   held by the program loader while a preset is applied; the
//                  renderer only tries it and renders nothing for that call.
//   parameter lock the part's parameter lock (Part_c::parameterLock), held by
//                  the outermost parameter write; the renderer tries it and
//                  renders whether or not it got it.
// Decoding and rendering run on the audio thread and allocate nothing; the
// held-back note-off buffer is allocated by setHost (opening thread).
// Ownership: the plug-in and the voices are not owned.
#include "framework/model/NoteC_c.h"
#include "framework/model/Part_c.h"
#include "framework/platform/Lock_c.h"
#include "framework/voice/MidiEventQueue.h"
#include "framework/voice/VoiceSlot.h"

#include <atomic>
#include <cstdint>
#include <memory>

class InBuffer2_c;
class VoiceHost;

class Instrument_c : public Part_c, public VoiceOwner {
public:
    static constexpr int32_t kChannels = 16;
    static constexpr int32_t kKeys = 128;
    static constexpr int32_t kHighestPlayedKey = 120;
    static constexpr int32_t kAllChannels = 16;
    static constexpr int32_t kSmoothedControls = 5;
    static constexpr int32_t kMaxRampSteps = 5;
    static constexpr int32_t kLfos = 4;

    enum SmoothedControl : int32_t { kPitchBend = 0, kModWheel = 1, kBreath = 2, kFoot = 3, kExpression = 4 };

    explicit Instrument_c(int32_t channelCount = 2);
    ~Instrument_c() override;

    // Zeroes the LFO phases, then resets as a part group.
    void reset() override;

    // ---- binding (opening thread)
    // Nothing for a null plug-in. Polyphony and maximum := voices; allocates
    // the held-back note-off buffer (2 × voices) and resets.
    virtual void setHost(VoiceHost* host, int32_t instrumentIndex, int32_t voices, bool choke);
    VoiceHost* host() const { return host_; }
    int32_t instrumentIndex() const { return instrumentIndex_; }

    // ---- the block (audio thread; queueEvent from any thread)
    // Inserts in time order (equal offsets keep arrival order); a disabled
    // instrument or a full queue (384) drops the event.
    virtual void queueEvent(int32_t offset, const uint8_t bytes[3]);
    // Renders one host block of n samples; the plug-in calls this per part.
    // Without work for the block (hasWorkThisBlock) it does nothing at all,
    // and the plug-in may leave the call out.
    virtual void process(int32_t n);
    virtual void processBlock(int32_t n);
    // Forwards to renderSlices.
    virtual void render(int32_t n);
    // n samples in slices of at most 256, under the program lock (tried).
    virtual void renderSlices(int32_t n);
    // One slice: smoothing, the voices of this instrument, the LFOs.
    virtual void renderVoices(int32_t n);
    // The voices of this instrument for one slice, in slot order; each voice
    // that reports finished is freed.
    virtual void renderVoiceSet(int32_t n);
    virtual void updateActive(int32_t n);

    // Disabling empties the queue and kills this part's voices under the
    // queue lock; a disabled instrument ignores queued and decoded events.
    virtual void setEnabled(bool enabled);
    bool isEnabled() const { return enabled_.load(std::memory_order_relaxed); }
    virtual void allNotesOffAndReset();

    // ---- decoding (audio thread)
    // askFilter: ask the plug-in whether the part accepts a note-on.
    virtual void decodeMidi(const uint8_t bytes[3], bool askFilter);
    virtual void controller(int32_t channel, int32_t number, int32_t value);
    virtual void setSustain(int32_t channel, bool down);
    virtual void releaseSustained(int32_t channel);
    virtual bool holdNoteOff(const NoteC_c& note);
    // A channel 0..15, or 16 and above for every channel.
    virtual void allNotesOff(int32_t channel);
    virtual void setPressure(float value);
    virtual void keyReleased(int32_t key);
    virtual void noteOnEntry(const NoteC_c& note);
    virtual void noteOffEntry(const NoteC_c& note);
    // Returns the voice slot or -1.
    virtual int32_t startNote(const NoteC_c& note, const NoteC_c& received);
    virtual void stopNote(const NoteC_c& note);
    virtual void monoNoteOff(const NoteC_c& note);
    virtual int32_t firstHeldVelocity(int32_t velocity) const;
    // Controller state, queue and keys; the RPN state and the LFOs survive.
    virtual void resetControllers();

    // ---- control smoothing, once per renderVoices call
    virtual void prepareRamps(int32_t n);
    virtual void rewindRamps() { rampCursor_ = 0; }
    virtual void nextRampStep();
    virtual void finishRamps();

    // ---- LFO phases synchronised to the host's beat
    virtual void advanceLfos(int32_t n);
    virtual bool getHostTime(double* samplesPerBeat, double* position);
    virtual void resyncLfos();

    // ---- settings the plug-in's parameter dispatcher writes
    void setReceiveModWheel(bool on);
    void setReceiveAftertouch(bool on);
    void setSustainEnabled(bool on);
    void setTranspose(int32_t semitones) { transpose_ = semitones; }
    int32_t transpose() const { return transpose_; }
    virtual void setPolyphony(int32_t n);
    virtual int32_t getPolyphony() const { return polyphony_; }
    bool isMono() const { return mono_; }
    int32_t maximumVoices() const { return maximumVoices_; }
    bool choke() const { return choke_; }
    bool legatoEnabled() const { return legatoEnabled_; }

    // ---- per channel, written by the voice table and the plug-in
    bool getSingleHeld(int32_t channel) const override;
    void setSingleHeld(int32_t channel, bool flag) override;
    virtual int32_t getChannelVoice(int32_t channel) const;
    virtual void setChannelVoice(int32_t channel, int32_t voice);

    virtual void setOutputRange(int32_t first);
    virtual float getAuxValue(int32_t, int32_t) const { return 0.0f; }
    // Buses the instrument renders into; none in the base.
    virtual InBuffer2_c* getAuxBus(int32_t) { return nullptr; }
    virtual InBuffer2_c* getOutputBus(int32_t) { return nullptr; }

    // ---- state for voices and tests
    bool hasActiveVoices() const { return active_; }
    // A sounding voice or an event queued since the last block. Audio thread.
    bool hasWorkThisBlock() const { return active_ || pendingEvents_.load(std::memory_order_relaxed) != 0; }
    int32_t queuedCount() const { return queue_.count(); }
    int32_t renderedFrames() const { return rendered_; }
    int32_t currentVoice() const { return currentVoice_; }
    float noteSign() const { return noteSign_; }
    float appliedPressure() const { return appliedPressure_; }
    float controlTarget(SmoothedControl c) const { return controls_[c].target; }
    float controlValue(SmoothedControl c) const { return controls_[c].current; }
    // Value of the current ramp step (the control's value before any step).
    float rampValue(SmoothedControl c) const;
    float volume() const { return volume_; }
    float pan() const { return pan_; }
    float generalPurpose(int32_t i) const { return i >= 0 && i < 4 ? generalPurpose_[i] : 0.0f; }
    bool sustainDown(int32_t channel) const;
    int32_t heldBackCount() const { return heldBackCount_; }
    // Whether the received key is pressed (mono key memory).
    bool keyHeld(int32_t key) const { return key >= 0 && key < kKeys && keyHeld_[key]; }
    int32_t rpnNumber() const { return rpnNumber_; }
    // The played key of a received key: transposed, then folded by octaves into 0..120.
    static int32_t playedKey(int32_t key, int32_t transpose);

    Lock_c& queueLock() { return queueLock_; }
    Lock_c& programLock() { return programLock_; }

protected:
    void clearHeldKeys();
    void setCurrentVoice(int32_t slot) { currentVoice_ = slot; }
    // Moves both output write positions of the plug-in and every bus by n.
    void advanceOutputs(int32_t n);

private:
    struct SmoothedValue {
        float target = 0.0f;
        float current = 0.0f;
        float steps[kMaxRampSteps] = {};
    };
    struct Lfo {
        double phase = 0.0;
        double rate = 0.0;
        bool enabled = false;
    };

    VoiceHost* host_ = nullptr;
    int32_t instrumentIndex_ = -1;
    int32_t maximumVoices_ = 0;
    int32_t polyphony_ = 1;
    bool mono_ = false;
    bool choke_ = false;
    int32_t channelCount_ = 2;
    int32_t firstOutput_ = 0;
    int32_t endOutput_ = 0;
    std::atomic<bool> enabled_{true}; // written by any thread, read by the audio thread
    bool active_ = true;
    // Events queued since the last block: lets an idle instrument skip the
    // lock. Beside active_, so a silent block reads both in one cache line.
    std::atomic<int32_t> pendingEvents_{0};

    MidiEventQueue queue_; // under the queue lock
    int32_t rendered_ = 0;
    int32_t currentVoice_ = -1;
    Lock_c queueLock_;
    Lock_c programLock_;

    bool receiveModWheel_ = true;
    bool receivePitchWheel_ = true;
    bool receiveAftertouch_ = true;
    bool sustainEnabled_ = true;
    int32_t transpose_ = 0;
    float noteSign_ = -1.0f;

    bool sustain_[kChannels] = {};
    bool singleHeldFlag_[kChannels] = {};
    int32_t channelVoice_[kChannels] = {};
    uint32_t pressTime_[kKeys] = {}; // note clock at the press; compare by wrapped difference
    bool keyHeld_[kKeys] = {};
    NoteC_c keyNotes_[kKeys];
    std::unique_ptr<NoteC_c[]> heldBack_;
    int32_t heldBackCapacity_ = 0;
    int32_t heldBackCount_ = 0;

    float appliedPressure_ = 0.0f;
    float receivedPressure_ = 0.0f;
    SmoothedValue controls_[kSmoothedControls];
    int32_t rampSteps_ = 0;
    int32_t rampCursor_ = 0;
    float volume_ = 0.0f;
    float pan_ = 0.0f;
    float generalPurpose_[4] = {};
    float expressionDefault_ = 1.0f;
    bool rpnComplete_ = true;
    int32_t rpnNumber_ = -1;
    Lfo lfos_[kLfos];
    bool lfoRun_ = false;
    bool legatoEnabled_ = false;
};
