// The effect classes against a scripted host callback: the record, the
// dispatcher's guards, the C boundary and the callback wrappers' quirks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/sdk/AEffEditor.h"
#include "framework/sdk/AudioEffectX.h"

namespace {

// ---- a scripted host: answers per opcode (and per canDo text), records calls.
struct ScriptedHost {
    std::map<VstInt32, VstIntPtr> answers;
    std::map<std::string, VstIntPtr> canDoAnswers;
    struct Call {
        VstInt32 opcode;
        VstInt32 index;
        VstIntPtr value;
        float opt;
    };
    std::vector<Call> calls;
};
ScriptedHost* scriptedHost = nullptr;

VstIntPtr VSTCALLBACK scriptedCallback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                       float opt) {
    scriptedHost->calls.push_back({opcode, index, value, opt});
    if (opcode == audioMasterCanDo && ptr) {
        const auto found = scriptedHost->canDoAnswers.find(static_cast<const char*>(ptr));
        return found != scriptedHost->canDoAnswers.end() ? found->second : 0;
    }
    const auto found = scriptedHost->answers.find(opcode);
    return found != scriptedHost->answers.end() ? found->second : 0;
}

// ---- an effect that records what reaches its virtuals.
struct ProbeEffect : AudioEffectX {
    explicit ProbeEffect(audioMasterCallback host, int* destroyed = nullptr)
        : AudioEffectX(host, 128, 4), destroyed_(destroyed) {}
    ~ProbeEffect() override {
        if (destroyed_) ++*destroyed_;
    }
    void processReplacing(float**, float** outputs, VstInt32 frames) override {
        if (throwInProcess) throw std::runtime_error("process");
        outputs[0][frames - 1] = 1.0f;
    }
    void setSampleRate(float rate) override {
        log += "rate " + std::to_string(static_cast<int>(rate)) + ";";
        AudioEffectX::setSampleRate(rate);
    }
    void setBlockSize(VstInt32 size) override {
        log += "block " + std::to_string(size) + ";";
        AudioEffectX::setBlockSize(size);
    }
    void setParameter(VstInt32 index, float value) override {
        log += "param " + std::to_string(index) + ";";
        lastValue = value;
    }
    void close() override {
        if (throwInClose) throw std::runtime_error("close");
    }
    VstInt32 setChunk(void*, VstInt32 size, bool) override {
        ++setChunkCalls;
        return size;
    }
    VstIntPtr vendorSpecific(VstInt32, VstIntPtr, void*, float) override { throw 42; }
    bool getSpeakerArrangement(VstSpeakerArrangement** in, VstSpeakerArrangement** out) override {
        ++speakerCalls;
        return AudioEffectX::getSpeakerArrangement(in, out);
    }

    // Exposed wrappers for the tests.
    using AudioEffect::callHost;
    std::string log;
    float lastValue = 0.0f;
    bool throwInProcess = false;
    bool throwInClose = false;
    int setChunkCalls = 0;
    int speakerCalls = 0;
    int* destroyed_;
};

struct KeyEditor : AEffEditor {
    using AEffEditor::AEffEditor;
    bool onKeyDown(VstKeyCode& key) override {
        last = key;
        return true;
    }
    VstKeyCode last{};
};

class SdkEffect : public ::testing::Test {
protected:
    void SetUp() override { scriptedHost = &host; }
    void TearDown() override { scriptedHost = nullptr; }
    VstIntPtr dispatch(AEffect* e, VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) {
        return e->dispatcher(e, opcode, index, value, ptr, opt);
    }
    ScriptedHost host;
};

TEST_F(SdkEffect, RecordHoldsTheBaseValues) {
    ProbeEffect effect(scriptedCallback);
    const AEffect* e = effect.getAeffect();
    EXPECT_EQ(e->magic, vstFourCC('V', 's', 't', 'P'));
    EXPECT_EQ(e->numPrograms, 128);
    EXPECT_EQ(e->numParams, 4);
    EXPECT_EQ(e->numInputs, 1);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, effFlagsCanReplacing);
    EXPECT_EQ(e->uniqueID, vstFourCC('N', 'o', 'E', 'f'));
    EXPECT_EQ(e->version, 1);
    EXPECT_FLOAT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->object, &effect);
    EXPECT_FLOAT_EQ(effect.getSampleRate(), 44100.0f);
    EXPECT_EQ(effect.getBlockSize(), 1024);

    // Flag setters set and clear exactly their bit.
    effect.isSynth();
    effect.programsAreChunks();
    effect.noTail();
    effect.canDoubleReplacing();
    EXPECT_EQ(e->flags, effFlagsCanReplacing | effFlagsIsSynth | effFlagsProgramChunks | effFlagsNoSoundInStop |
                            effFlagsCanDoubleReplacing);
    effect.noTail(false);
    effect.canProcessReplacing(false);
    EXPECT_EQ(e->flags, effFlagsIsSynth | effFlagsProgramChunks | effFlagsCanDoubleReplacing);
    KeyEditor* editor = new KeyEditor(&effect);
    effect.setEditor(editor);   // owned by the effect from here on
    EXPECT_TRUE(e->flags & effFlagsHasEditor);
}

TEST_F(SdkEffect, DispatcherGuardsAndRouting) {
    ProbeEffect effect(scriptedCallback);
    AEffect* e = effect.getAeffect();

    dispatch(e, effSetProgram, 0, 5);
    EXPECT_EQ(dispatch(e, effGetProgram), 5);
    EXPECT_EQ(dispatch(e, effSetProgram, 0, 128), 0);
    EXPECT_EQ(dispatch(e, effSetProgram, 0, -1), 0);
    EXPECT_EQ(dispatch(e, effGetProgram), 5);

    // Rate and size reach the setters, so derived classes see them.
    EXPECT_EQ(dispatch(e, effSetBlockSizeAndSampleRate, 0, 256, nullptr, 48000.0f), 1);
    EXPECT_EQ(effect.log, "block 256;rate 48000;");
    EXPECT_FLOAT_EQ(effect.getSampleRate(), 48000.0f);

    // Speaker arrangement: nothing happens unless both host pointers are there.
    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement* in = &dummy;
    VstSpeakerArrangement* out = &dummy;
    EXPECT_EQ(dispatch(e, effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), nullptr), 0);
    EXPECT_EQ(dispatch(e, effGetSpeakerArrangement, 0, 0, &out), 0);
    EXPECT_EQ(effect.speakerCalls, 0);
    EXPECT_EQ(out, &dummy);
    EXPECT_EQ(dispatch(e, effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 0);
    EXPECT_EQ(effect.speakerCalls, 1);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);

    // Editor opcodes without an editor answer 0; null pointers never crash.
    ERect* rect = reinterpret_cast<ERect*>(&dummy);
    EXPECT_EQ(dispatch(e, effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, nullptr);
    EXPECT_EQ(dispatch(e, effEditGetRect, 0, 0, nullptr), 0);
    EXPECT_EQ(dispatch(e, effEditOpen), 0);
    EXPECT_EQ(dispatch(e, effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(dispatch(e, effSetEditKnobMode, 0, 2), 0);
    dispatch(e, effEditClose);
    dispatch(e, effEditIdle);
    for (VstInt32 op : {effGetParamName, effGetParamLabel, effGetParamDisplay, effGetProgramName, effSetProgramName,
                        effGetEffectName, effGetVendorString, effGetProductString, effCanDo, effGetChunk,
                        effProcessEvents, effGetOutputProperties, effGetInputProperties, effGetProgramNameIndexed,
                        effString2Parameter, effGetParameterProperties, effGetMidiKeyName}) {
        EXPECT_EQ(dispatch(e, op, 0, 0, nullptr), 0) << "opcode " << op;
    }

    // Keys: the modifier arrives as a float; garbage gives no modifier.
    auto* editor = new KeyEditor(&effect);
    effect.setEditor(editor);
    EXPECT_EQ(dispatch(e, effEditKeyDown, 'x', VKEY_LEFT, nullptr, static_cast<float>(MODIFIER_SHIFT)), 1);
    EXPECT_EQ(editor->last.character, 'x');
    EXPECT_EQ(editor->last.virt, VKEY_LEFT);
    EXPECT_EQ(editor->last.modifier, MODIFIER_SHIFT);
    EXPECT_EQ(dispatch(e, effEditKeyDown, 'y', 0, nullptr, NAN), 1);
    EXPECT_EQ(editor->last.modifier, 0);

    // Chunk sizes from the host are checked before the effect sees them.
    char block[8] = {};
    EXPECT_EQ(dispatch(e, effSetChunk, 0, -1, block), 0);
    EXPECT_EQ(dispatch(e, effSetChunk, 0, 8, nullptr), 0);
    EXPECT_EQ(effect.setChunkCalls, 0);
    EXPECT_EQ(dispatch(e, effSetChunk, 0, 8, block), 8);

    // Answers of the base table.
    EXPECT_EQ(dispatch(e, effCanDo, 0, 0, const_cast<char*>("receiveVstMidiEvent")), 1);
    EXPECT_EQ(dispatch(e, effCanDo, 0, 0, const_cast<char*>("receiveVstMidi")), -1);
    EXPECT_EQ(dispatch(e, effGetCurrentMidiProgram), -1);
    EXPECT_EQ(dispatch(e, effSetTotalSampleToProcess, 0, 777), 777);
    EXPECT_EQ(dispatch(e, effGetNumMidiInputChannels), 16);
    EXPECT_EQ(dispatch(e, effConnectInput), 1);
    EXPECT_EQ(dispatch(e, effGetVu), 0);
    EXPECT_EQ(dispatch(e, 12345), 0);
}

TEST_F(SdkEffect, NoExceptionCrossesTheBoundary) {
    int destroyed = 0;
    auto* effect = new ProbeEffect(scriptedCallback, &destroyed);
    AEffect* e = effect->getAeffect();
    EXPECT_EQ(dispatch(e, effVendorSpecific, 1, 2), 0);   // the virtual throws

    float left[4] = {}, right[4] = {};
    float* outputs[2] = {left, right};
    effect->throwInProcess = true;
    e->processReplacing(e, nullptr, outputs, 4);           // swallowed
    effect->throwInProcess = false;
    e->processReplacing(e, nullptr, outputs, 0);           // no frames: not called
    e->processReplacing(e, nullptr, nullptr, 4);           // no outputs: not called
    EXPECT_EQ(left[3], 0.0f);
    e->processReplacing(e, nullptr, outputs, 4);
    EXPECT_EQ(left[3], 1.0f);

    // A record that is not ours, or none, is answered 0.
    AEffect foreign = *e;
    foreign.magic = 0;
    EXPECT_EQ(e->dispatcher(&foreign, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(e->dispatcher(nullptr, effGetVstVersion, 0, 0, nullptr, 0.0f), 0);
    EXPECT_EQ(e->getParameter(nullptr, 0), 0.0f);

    // close throws: the host still gets 1 and the object is gone.
    effect->throwInClose = true;
    EXPECT_EQ(dispatch(e, effClose), 1);
    EXPECT_EQ(destroyed, 1);
}

TEST_F(SdkEffect, CallbackWrapperQuirks) {
    ProbeEffect effect(scriptedCallback);

    host.canDoAnswers = {{"supplyIdle", -1}, {"sendVstEvents", 1}, {"offline", 0}};
    EXPECT_EQ(effect.canHostDo("supplyIdle"), 1);   // -1 counts as yes
    EXPECT_EQ(effect.canHostDo("sendVstEvents"), 1);
    EXPECT_EQ(effect.canHostDo("offline"), 0);

    EXPECT_EQ(effect.getMasterVersion(), 1);        // 0 means an old host: 1
    host.answers[audioMasterVersion] = 2400;
    EXPECT_EQ(effect.getMasterVersion(), 2400);

    EXPECT_TRUE(effect.isOutputConnected(0));       // answer 0 means connected
    host.answers[audioMasterPinConnected] = 1;
    EXPECT_FALSE(effect.isOutputConnected(0));
    EXPECT_FALSE(effect.isInputConnected(3));
    EXPECT_EQ(host.calls.back().index, 3);
    EXPECT_EQ(host.calls.back().value, 0);          // 0 asks about an input

    host.answers[audioMasterGetSampleRate] = 96000;
    EXPECT_DOUBLE_EQ(effect.updateSampleRate(), 96000.0);
    EXPECT_NE(effect.log.find("rate 96000"), std::string::npos);
    host.answers[audioMasterGetSampleRate] = -5;    // not positive: the stored rate stays
    EXPECT_DOUBLE_EQ(effect.updateSampleRate(), 96000.0);
    host.answers[audioMasterGetBlockSize] = 0;
    EXPECT_EQ(effect.updateBlockSize(), 1024);
    host.answers[audioMasterGetBlockSize] = 64;
    EXPECT_EQ(effect.updateBlockSize(), 64);

    host.answers[audioMasterProcessEvents] = 2;
    EXPECT_FALSE(effect.sendVstEventsToHost(nullptr));  // only 1 is success
    host.answers[audioMasterProcessEvents] = 1;
    EXPECT_TRUE(effect.sendVstEventsToHost(nullptr));

    EXPECT_FALSE(effect.openFileSelector(nullptr));  // no pointer: the host is not asked
    EXPECT_NE(host.calls.back().opcode, audioMasterOpenFileSelector);

    // setParameterAutomated: the effect first, then the host with the value.
    host.calls.clear();
    effect.setParameterAutomated(3, 0.25f);
    EXPECT_EQ(effect.log.substr(effect.log.size() - 8), "param 3;");
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(host.calls[0].index, 3);
    EXPECT_FLOAT_EQ(host.calls[0].opt, 0.25f);

    // resume asks for MIDI when the effect is a synth.
    host.calls.clear();
    effect.isSynth();
    effect.resume();
    ASSERT_EQ(host.calls.size(), 1u);
    EXPECT_EQ(host.calls[0].opcode, audioMasterWantMidi);
    EXPECT_EQ(host.calls[0].value, 1);
}

TEST_F(SdkEffect, WithoutCallbackEveryWrapperAnswersSafely) {
    ProbeEffect effect(nullptr);
    EXPECT_EQ(effect.getMasterVersion(), 1);
    EXPECT_TRUE(effect.isInputConnected(0));
    EXPECT_EQ(effect.canHostDo("supplyIdle"), 0);
    EXPECT_EQ(effect.getTimeInfo(0), nullptr);
    char text[kVstMaxVendorStrLen + 1] = "stale";
    EXPECT_FALSE(effect.getHostVendorString(text));
    EXPECT_STREQ(text, "");
    EXPECT_DOUBLE_EQ(effect.updateSampleRate(), 44100.0);
    effect.setParameterAutomated(0, 0.5f);
    EXPECT_FLOAT_EQ(effect.lastValue, 0.5f);
}

TEST_F(SdkEffect, SpeakerArrangementHelpers) {
    ProbeEffect effect(nullptr);
    VstSpeakerArrangement* source = nullptr;
    ASSERT_TRUE(effect.allocateArrangement(&source, 10));   // more than the record's 8
    source->type = kSpeakerArrUserDefined;
    auto* speakers = reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(source) +
                                                             offsetof(VstSpeakerArrangement, speakers));
    speakers[9].azimuth = 0.5f;
    std::strcpy(speakers[9].name, "Rs");
    VstSpeakerArrangement* copy = nullptr;
    ASSERT_TRUE(effect.matchArrangement(&copy, source));
    auto* copied = reinterpret_cast<VstSpeakerProperties*>(reinterpret_cast<char*>(copy) +
                                                           offsetof(VstSpeakerArrangement, speakers));
    EXPECT_EQ(copy->numChannels, 10);
    EXPECT_EQ(copy->type, kSpeakerArrUserDefined);
    EXPECT_FLOAT_EQ(copied[9].azimuth, 0.5f);
    EXPECT_STREQ(copied[9].name, "Rs");
    EXPECT_FALSE(effect.allocateArrangement(&copy, -1));
    EXPECT_TRUE(effect.deallocateArrangement(&copy));
    EXPECT_TRUE(effect.deallocateArrangement(&source));
    EXPECT_EQ(source, nullptr);
}

} // namespace
