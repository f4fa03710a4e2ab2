#pragma once
// The VST 1 effect base: owns the effect record the host holds, the host
// callback and the editor, and turns the host's calls on the record into
// virtual calls. The static entry points in the record are the C boundary:
// no exception ever leaves them, and a record without an object is answered 0.
#include "framework/sdk/VstInterface.h"

#include <atomic>

class AEffEditor;

class AudioEffect {
public:
    // host may be null (the effect then never calls back). numPrograms and
    // numParams go into the record as given.
    AudioEffect(audioMasterCallback host, VstInt32 numPrograms, VstInt32 numParams);
    // Deletes the editor last, after everything the derived classes free.
    virtual ~AudioEffect();
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;

    // The record handed to the host; lives as long as this object.
    AEffect* getAeffect() { return &cEffect; }
    // The effect object behind a record, or null for a record that is not one of ours.
    static AudioEffect* fromAeffect(AEffect* effect);

    // ---- host requests (any host thread; the derived class states its own rules)
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}

    virtual void setSampleRate(float newSampleRate) { sampleRate = newSampleRate; }
    virtual void setBlockSize(VstInt32 newBlockSize) { blockSize = newBlockSize; }
    float getSampleRate() const { return sampleRate; }
    VstInt32 getBlockSize() const { return blockSize; }

    // Audio thread. outputs is never null and sampleFrames is positive.
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) = 0;
    virtual void processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames);
    // Accumulating process of VST 1 hosts: adds into outputs; by default nothing.
    virtual void process(float** inputs, float** outputs, VstInt32 sampleFrames);

    // Programs. The dispatcher only passes program numbers in 0..numPrograms-1.
    virtual void setProgram(VstInt32 program) { curProgram = program; }
    virtual VstInt32 getProgram() { return curProgram; }
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name) { *name = 0; }

    // Parameters; text buffers come from the host (kVstMaxParamStrLen + 1 bytes by convention).
    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
    virtual float getParameter(VstInt32 /*index*/) { return 0.0f; }
    virtual void getParameterLabel(VstInt32 /*index*/, char* label) { *label = 0; }
    virtual void getParameterDisplay(VstInt32 /*index*/, char* text) { *text = 0; }
    virtual void getParameterName(VstInt32 /*index*/, char* text) { *text = 0; }
    // Calls setParameter, then tells the host (audioMasterAutomate).
    virtual void setParameterAutomated(VstInt32 index, float value);

    // Chunks: *data points at memory the effect owns until the next call; the size is answered.
    virtual VstInt32 getChunk(void** /*data*/, bool /*isPreset*/) { return 0; }
    // data holds byteSize bytes (byteSize ≥ 0); the effect must check every length it reads.
    virtual VstInt32 setChunk(void* /*data*/, VstInt32 /*byteSize*/, bool /*isPreset*/) { return 0; }

    virtual float getVu() { return 0.0f; }

    // ---- editor: owned; deleted by the destructor. setEditor sets or clears
    // effFlagsHasEditor and does not delete a previous editor.
    virtual void setEditor(AEffEditor* newEditor);
    AEffEditor* getEditor() const { return editor; }

    // ---- record fields and flags
    virtual void setUniqueID(VstInt32 id) { cEffect.uniqueID = id; }
    virtual void setNumInputs(VstInt32 inputs) { cEffect.numInputs = inputs; }
    virtual void setNumOutputs(VstInt32 outputs) { cEffect.numOutputs = outputs; }
    virtual void setInitialDelay(VstInt32 delay) { cEffect.initialDelay = delay; }
    virtual void setRealtimeQualities(VstInt32 qualities) { cEffect.realQualities = qualities; }
    virtual void setOfflineQualities(VstInt32 qualities) { cEffect.offQualities = qualities; }
    virtual void canProcessReplacing(bool state = true) { setFlag(effFlagsCanReplacing, state); }
    virtual void canDoubleReplacing(bool state = true) { setFlag(effFlagsCanDoubleReplacing, state); }
    virtual void programsAreChunks(bool state = true) { setFlag(effFlagsProgramChunks, state); }
    virtual void hasVu(bool state = true) { setFlag(effFlagsHasVu, state); }
    virtual void hasClip(bool state = true) { setFlag(effFlagsHasClip, state); }
    virtual void canMono(bool state = true) { setFlag(effFlagsCanMono, state); }

    // ---- host callback wrappers (each answers 0 / false without a callback)
    virtual VstInt32 getMasterVersion();     // 1 when the host answers 0
    virtual VstInt32 getCurrentUniqueId();
    virtual void masterIdle();
    virtual bool isInputConnected(VstInt32 input);   // true when the host answers 0
    virtual bool isOutputConnected(VstInt32 output); // true when the host answers 0

    // ---- value-to-text helpers for displays, in the user's decimal separator.
    // Each writes at most maxLen characters and a terminating zero.
    virtual void dB2string(float value, char* text, VstInt32 maxLen);
    virtual void Hz2string(float samples, char* text, VstInt32 maxLen);
    virtual void ms2string(float samples, char* text, VstInt32 maxLen);
    virtual void float2string(float value, char* text, VstInt32 maxLen);
    virtual void int2string(VstInt32 value, char* text, VstInt32 maxLen);
    char decimalSeparator() const { return decimalSeparator_; }

protected:
    void setFlag(VstInt32 flag, bool state) {
        if (state)
            cEffect.flags |= flag;
        else
            cEffect.flags &= ~flag;
    }
    // Calls the host; 0 without a callback. Exceptions of the host are not ours to catch.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);

    audioMasterCallback audioMaster;
    AEffEditor* editor = nullptr;
    float sampleRate = 44100.0f;
    VstInt32 blockSize = 1024;
    VstInt32 numPrograms;
    VstInt32 numParams;
    // Read by host threads while the idle side or a chunk load changes it.
    std::atomic<VstInt32> curProgram{0};
    AEffect cEffect;

private:
    char decimalSeparator_;
};
