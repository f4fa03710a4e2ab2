#include "framework/sdk/AudioEffect.h"

#include <cmath>
#include <cstring>

#include "framework/sdk/AEffEditor.h"
#include "framework/sdk/ValueText.h"
#include "os/Locale.h"

namespace {

// ---- the C boundary. Every entry point catches everything: an exception
// must never unwind into the host. A failed call answers 0.

VstIntPtr VSTCALLBACK dispatchEntry(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                    void* ptr, float opt) {
    AudioEffect* object = AudioEffect::fromAeffect(effect);
    if (!object) return 0;
    if (opcode == effClose) {
        try {
            object->dispatcher(opcode, index, value, ptr, opt);
        } catch (...) {
        }
        // The host drops the record after close whatever close did: the object goes too.
        effect->object = nullptr;
        delete object;
        return 1;
    }
    try {
        return object->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

void VSTCALLBACK processEntry(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames) {
    AudioEffect* object = AudioEffect::fromAeffect(effect);
    if (!object || !outputs || sampleFrames <= 0) return;
    try {
        object->process(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

void VSTCALLBACK processReplacingEntry(AEffect* effect, float** inputs, float** outputs,
                                       VstInt32 sampleFrames) {
    AudioEffect* object = AudioEffect::fromAeffect(effect);
    if (!object || !outputs || sampleFrames <= 0) return;
    try {
        object->processReplacing(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

void VSTCALLBACK processDoubleReplacingEntry(AEffect* effect, double** inputs, double** outputs,
                                             VstInt32 sampleFrames) {
    AudioEffect* object = AudioEffect::fromAeffect(effect);
    if (!object || !outputs || sampleFrames <= 0) return;
    try {
        object->processDoubleReplacing(inputs, outputs, sampleFrames);
    } catch (...) {
    }
}

void VSTCALLBACK setParameterEntry(AEffect* effect, VstInt32 index, float value) {
    AudioEffect* object = AudioEffect::fromAeffect(effect);
    if (!object) return;
    try {
        object->setParameter(index, value);
    } catch (...) {
    }
}

float VSTCALLBACK getParameterEntry(AEffect* effect, VstInt32 index) {
    AudioEffect* object = AudioEffect::fromAeffect(effect);
    if (!object) return 0.0f;
    try {
        return object->getParameter(index);
    } catch (...) {
        return 0.0f;
    }
}

} // namespace

AudioEffect::AudioEffect(audioMasterCallback host, VstInt32 programs, VstInt32 params)
    : audioMaster(host), numPrograms(programs), numParams(params),
      decimalSeparator_(os::userDecimalSeparator()) {
    std::memset(&cEffect, 0, sizeof cEffect);
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = dispatchEntry;
    cEffect.process = processEntry;
    cEffect.setParameter = setParameterEntry;
    cEffect.getParameter = getParameterEntry;
    cEffect.numPrograms = programs;
    cEffect.numParams = params;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.flags = effFlagsCanReplacing;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = vstFourCC('N', 'o', 'E', 'f');
    cEffect.version = 1;
    cEffect.processReplacing = processReplacingEntry;
    cEffect.processDoubleReplacing = processDoubleReplacingEntry;
}

AudioEffect::~AudioEffect() {
    delete editor;
}

AudioEffect* AudioEffect::fromAeffect(AEffect* effect) {
    if (!effect || effect->magic != kEffectMagic || effect->dispatcher != dispatchEntry) return nullptr;
    return static_cast<AudioEffect*>(effect->object);
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
    case effOpen:
        open();
        return 0;
    case effClose:
        close();
        return 0;
    case effSetProgram:
        // A program number outside the list (negative ones too) changes nothing.
        if (value >= 0 && value < numPrograms) setProgram(static_cast<VstInt32>(value));
        return 0;
    case effGetProgram:
        return getProgram();
    case effSetProgramName:
        if (ptr) setProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetProgramName:
        if (ptr) getProgramName(static_cast<char*>(ptr));
        return 0;
    case effGetParamLabel:
        if (ptr) getParameterLabel(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamDisplay:
        if (ptr) getParameterDisplay(index, static_cast<char*>(ptr));
        return 0;
    case effGetParamName:
        if (ptr) getParameterName(index, static_cast<char*>(ptr));
        return 0;
    case effGetVu:
        return static_cast<VstIntPtr>(getVu() * 32767.0f);
    case effSetSampleRate:
        setSampleRate(opt);
        return 0;
    case effSetBlockSize:
        setBlockSize(static_cast<VstInt32>(value));
        return 0;
    case effMainsChanged:
        if (value)
            resume();
        else
            suspend();
        return 0;
    case effEditGetRect:
        // Hosts may read *ptr even when we answer 0: never leave it undefined.
        if (!ptr) return 0;
        if (!editor) {
            *static_cast<ERect**>(ptr) = nullptr;
            return 0;
        }
        return editor->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
    case effEditOpen:
        return editor ? (editor->open(ptr) ? 1 : 0) : 0;
    case effEditClose:
        if (editor) editor->close();
        return 0;
    case effEditIdle:
        if (editor) editor->idle();
        return 0;
    case effIdentify:
        return vstFourCC('N', 'v', 'E', 'f');
    case effGetChunk:
        if (!ptr) return 0;
        *static_cast<void**>(ptr) = nullptr;
        return getChunk(static_cast<void**>(ptr), index != 0);
    case effSetChunk:
        // The size comes from the host: a null block or a size that does not fit
        // the 32-bit field is refused before the effect sees it.
        if (!ptr || value < 0 || value > 0x7fffffff) return 0;
        return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
    default:
        return 0;
    }
}

void AudioEffect::processDoubleReplacing(double** /*inputs*/, double** /*outputs*/, VstInt32 /*sampleFrames*/) {}

void AudioEffect::process(float** /*inputs*/, float** /*outputs*/, VstInt32 /*sampleFrames*/) {}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    setFlag(effFlagsHasEditor, newEditor != nullptr);
}

VstIntPtr AudioEffect::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return audioMaster ? audioMaster(&cEffect, opcode, index, value, ptr, opt) : 0;
}

VstInt32 AudioEffect::getMasterVersion() {
    const VstIntPtr version = callHost(audioMasterVersion);
    return version ? static_cast<VstInt32>(version) : 1;
}

VstInt32 AudioEffect::getCurrentUniqueId() {
    return static_cast<VstInt32>(callHost(audioMasterCurrentId));
}

void AudioEffect::masterIdle() {
    callHost(audioMasterIdle);
}

bool AudioEffect::isInputConnected(VstInt32 input) {
    return callHost(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::isOutputConnected(VstInt32 output) {
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

void AudioEffect::dB2string(float value, char* text, VstInt32 maxLen) {
    vsttext::gainToDbText(value, text, maxLen, decimalSeparator_);
}

void AudioEffect::Hz2string(float samples, char* text, VstInt32 maxLen) {
    vsttext::periodToHzText(samples, sampleRate, text, maxLen, decimalSeparator_);
}

void AudioEffect::ms2string(float samples, char* text, VstInt32 maxLen) {
    vsttext::samplesToMsText(samples, sampleRate, text, maxLen, decimalSeparator_);
}

void AudioEffect::float2string(float value, char* text, VstInt32 maxLen) {
    vsttext::floatToText(value, text, maxLen, decimalSeparator_);
}

void AudioEffect::int2string(VstInt32 value, char* text, VstInt32 maxLen) {
    vsttext::intToText(value, text, maxLen);
}
