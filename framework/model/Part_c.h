#pragma once
// A parameterised object of the plug-in (sound module, envelope, instrument,
// settings set, tuning table, controller assignment): a node of the part tree
// bound to one parameter set, whose rows are instruments and columns its
// parameters. Writes through the (row, column) interface notify the part
// (parameterChanged) afterwards.
//
// Threads: note events and rendering run on the audio thread; the value
// operations there neither allocate nor lock. Parameter writes run under the
// part's parameter lock, taken by the plug-in base's write road (blocking,
// outermost write only); the renderer only tries it. Text cells are read and
// written here under that same lock (it is recursive), so a text is never
// freed while another thread copies it; chunk reads and writes take it too.
//
// Ownership: the part that creates its set (adoptSet) owns and deletes it;
// every other part of the type shares it. Children, context, tuning table
// and output bus are not owned.
#include "engine/dsp/NoteScaling.h"
#include "framework/model/Note_c.h"
#include "framework/model/ParaSet_c.h"
#include "framework/model/PartGroup_c.h"
#include "framework/model/SetTypeId.h"
#include "os/Lock.h"
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class InBuffer2_c;
class NoteFreqTable_c;
class PartContext;
class PartValueListener;

class Part_c : public PartGroup_c {
public:
    static constexpr int kMaxRows = 440; // instrument rows a note can address

    Part_c() = default;
    ~Part_c() override;

    // Stores the plug-in object and takes the tuning table from it.
    void attach(PartContext* context, NoteFreqTable_c* tuningTable);
    NoteFreqTable_c* tuningTable() const { return data_; }

    // The lock that serialises parameter writes of this part with rendering
    // and text access. Defaults to the part's own; an instrument's modules
    // are pointed at the instrument's lock. Not owned.
    void setParameterLock(os::RecursiveLock* lock) { parameterLock_ = lock ? lock : &ownLock_; }
    os::RecursiveLock& parameterLock() const { return *parameterLock_; }

    // ------------------------------------------------------ the definer rule
    // Creates the shared set (owned by this part) when there is none yet,
    // binds this part to it, and answers whether its columns still need
    // defining: then define row 0 (set()->columnDefinition(c)->define...)
    // and call set()->copyRowZeroToAll().
    bool adoptSet(ParaSet_c*& sharedSet, int rows, int columns);
    ParaSet_c* set() const { return set_; }
    bool ownsSet() const { return owner_; }

    // ------------------------------------------------------ tree overrides
    void setSampleRate(float rate) override; // then timingChanged
    void start() override;                   // then onStart when published
    void resetParameters() override;         // children, then every row of the set
    void noteOn(int row, Note_c note, bool reused, bool legato) override; // fan-out, then noteEvent

    // ------------------------------------------------------ part operations
    // Children's parameters, then rows a..b-1 of the set; each row notified.
    virtual void resetRows(int a, int b);
    virtual void defineParameters(ParaSet_c*& sharedSet, int rows);
    virtual void defineSharedParameters(ParaSet_c*& sharedSet);
    virtual void onStart() {}
    virtual size_t getChunkSize(int row) const;
    virtual size_t writeChunk(int row, uint8_t* buffer, size_t capacity) const;
    virtual size_t readChunk(const uint8_t* buffer, size_t length, int row);
    // The cell at (row, column), or null outside the set.
    virtual Parameter_c* getRowParameters(int row, int column) const;
    virtual void setNormalized(int row, int column, float x);
    virtual float getNormalized(int row, int column) const;
    virtual void setValue(int row, int column, int32_t value);
    virtual bool setMax(int row, int column, int32_t value); // no notification
    virtual bool setMin(int row, int column, int32_t value); // no notification
    virtual float getDisplayValue(int row, int column) const;
    virtual int32_t getValue(int row, int column) const;
    virtual bool getBool(int row, int column) const;
    virtual void setBool(int row, int column, bool on);
    virtual float normalizedFromValue(int row, int column, int32_t value) const;
    virtual int32_t findOption(int row, int column, std::string_view text) const;
    virtual float getGain(int row, int column) const;
    virtual void setText(int row, int column, std::string_view text);
    virtual void getText(int row, int column, char* buffer, size_t size) const;
    virtual void getTextString(int row, int column, std::string& out) const;
    virtual void getUnit(int row, int column, char* buffer, size_t size) const;
    virtual void getValueText(int row, int column, char* buffer, size_t size) const;
    virtual void getName(int row, int column, char* buffer, size_t size) const;
    virtual float getStepSize(int column, int direction) const;
    // listener->partValue(row, tag, normalised) when filterColumn is -1 or
    // equals column, or column is -1.
    virtual void sendValue(int row, int filterColumn, int column, PartValueListener* listener, int tag) const;
    virtual SetTypeId getTypeId() const { return 0; }
    virtual void lockChunkReads(bool on);
    bool isPublished() const { return published_.load(std::memory_order_relaxed); }
    // Column -1: every column of the row changed (children hear it too).
    virtual void parameterChanged(int row, int column);
    virtual void linkedNotify(int /*code*/, int /*row*/, int /*column*/) {}
    // The part's own note-on, after the children's: clamps the note and
    // takes the row (0..439), key and velocity factors. Answers 0.
    virtual int noteEvent(int row, Note_c note, bool reused, bool legato);
    virtual void activate() { active_ = true; }
    virtual void deactivate() { active_ = false; }
    bool isActive() const { return active_; }
    virtual void setTempo(float bpm);
    float tempo() const { return tempo_; }
    virtual void setReferenceKey(int key);
    int referenceKey() const { return referenceKey_; }
    float applyKeyScaling(float value, float amount) const;
    float applyVelocityScaling(float value, float amount) const;
    virtual void bindOutput(InBuffer2_c* bus, int channel);
    virtual void bindOutputForRow(int row, InBuffer2_c* bus, int channel);
    InBuffer2_c* outputBus() const { return outputBus_; }
    int outputChannel() const { return outputChannel_; }
    bool isBound() const { return bound_; }
    void setRoutingRequest(bool on) { routingRequest_ = on; }
    static void addAndAdvance(float*& cursor, float value) { *cursor++ += value; }
    static void storeAndAdvance(float*& cursor, float value) { *cursor++ = value; }
    virtual void publish() { published_.store(true, std::memory_order_relaxed); }
    virtual void timingChanged();
    // The type code as text, high byte first.
    void typeIdText(char out[5]) const { setTypeIdText(getTypeId(), out); }

    int currentRow() const { return currentRow_; }
    Parameter_c* currentCells() const { return currentCells_; }
    Note_c lastNote() const { return lastNote_; }
    float keyFactor() const { return keyFactor_; }
    float velocityFactor() const { return velocityFactor_; }

private:
    ParaSet_c* set_ = nullptr;
    bool owner_ = false;
    int currentRow_ = -1;
    Parameter_c* currentCells_ = nullptr;
    Note_c lastNote_;
    float keyFactor_ = 0.0f;
    float velocityFactor_ = 1.0f;
    int referenceKey_ = 60;
    float tempo_ = 120.0f;
    std::atomic<bool> published_{false};
    InBuffer2_c* outputBus_ = nullptr;
    int outputChannel_ = 0;
    bool bound_ = false;
    bool routingRequest_ = false;
    bool active_ = true;
    NoteFreqTable_c* data_ = nullptr;
    mutable os::RecursiveLock ownLock_;
    os::RecursiveLock* parameterLock_ = &ownLock_;
};
