#pragma once
// The VST 2.4 plug-in interface: record layouts, opcode numbers, flags and
// string limits, as published. This is the C boundary between a host and the
// plug-in: plain structs, no C++ beyond constexpr constants. Layouts are fixed
// for both builds (x86-64 and i386) and checked by the static_asserts below.
#include <cstddef>
#include <cstdint>

using VstInt16 = std::int16_t;
using VstInt32 = std::int32_t;
using VstInt64 = std::int64_t;
using VstIntPtr = std::intptr_t;

// Calling convention of every function pointer that crosses the boundary:
// cdecl (the only convention on x86-64; explicit on i386).
#if defined(__i386__)
#define VSTCALLBACK __attribute__((cdecl))
#else
#define VSTCALLBACK
#endif

// Four characters packed big-endian into one 32-bit value ('VstP').
constexpr VstInt32 vstFourCC(char a, char b, char c, char d) {
    return static_cast<VstInt32>((static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                 (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                 (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                 static_cast<std::uint32_t>(static_cast<unsigned char>(d)));
}

constexpr VstInt32 kVstVersion = 2400;
constexpr VstInt32 kEffectMagic = vstFourCC('V', 's', 't', 'P');

struct AEffect;

using audioMasterCallback = VstIntPtr(VSTCALLBACK*)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                    VstIntPtr value, void* ptr, float opt);
using AEffectDispatcherProc = VstIntPtr(VSTCALLBACK*)(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                                      VstIntPtr value, void* ptr, float opt);
using AEffectProcessProc = void(VSTCALLBACK*)(AEffect* effect, float** inputs, float** outputs,
                                              VstInt32 sampleFrames);
using AEffectProcessDoubleProc = void(VSTCALLBACK*)(AEffect* effect, double** inputs, double** outputs,
                                                    VstInt32 sampleFrames);
using AEffectSetParameterProc = void(VSTCALLBACK*)(AEffect* effect, VstInt32 index, float parameter);
using AEffectGetParameterProc = float(VSTCALLBACK*)(AEffect* effect, VstInt32 index);

// The effect record the host holds.
struct AEffect {
    VstInt32 magic;                      // kEffectMagic
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;          // accumulating (deprecated)
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 numInputs;
    VstInt32 numOutputs;
    VstInt32 flags;                      // VstAEffectFlags
    VstIntPtr resvd1;                    // reserved for the host
    VstIntPtr resvd2;
    VstInt32 initialDelay;
    VstInt32 realQualities;              // deprecated
    VstInt32 offQualities;               // deprecated
    float ioRatio;                       // deprecated
    void* object;                        // the plug-in's effect object
    void* user;                          // free for the host
    VstInt32 uniqueID;
    VstInt32 version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

enum VstAEffectFlags : VstInt32 {
    effFlagsHasEditor = 1 << 0,
    effFlagsHasClip = 1 << 1,            // deprecated
    effFlagsHasVu = 1 << 2,              // deprecated
    effFlagsCanMono = 1 << 3,            // deprecated
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsExtIsAsync = 1 << 10,        // deprecated
    effFlagsExtHasBuffer = 1 << 11,      // deprecated
    effFlagsCanDoubleReplacing = 1 << 12,
};

// Dispatcher opcodes (host to plug-in).
enum AEffectOpcodes : VstInt32 {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu,                            // deprecated
    effSetSampleRate,                    // 10
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,                         // deprecated
    effEditMouse,                        // deprecated
    effEditKey,                          // deprecated
    effEditIdle,
    effEditTop,                          // 20, deprecated
    effEditSleep,                        // deprecated
    effIdentify,                         // deprecated
    effGetChunk,
    effSetChunk,
    effProcessEvents,                    // 25
    effCanBeAutomated,
    effString2Parameter,
    effGetNumProgramCategories,          // deprecated
    effGetProgramNameIndexed,
    effCopyProgram,                      // 30, deprecated
    effConnectInput,                     // deprecated
    effConnectOutput,                    // deprecated
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,
    effGetCurrentPosition,               // deprecated
    effGetDestinationBuffer,             // deprecated
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun,                       // 40
    effProcessVarIo,
    effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate,        // deprecated
    effSetBypass,
    effGetEffectName,
    effGetErrorText,                     // deprecated
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific,                   // 50
    effCanDo,
    effGetTailSize,
    effIdle,                             // deprecated
    effGetIcon,                          // deprecated
    effSetViewPosition,                  // deprecated
    effGetParameterProperties,
    effKeysRequired,                     // deprecated
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp,                        // 60
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin,               // 70
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,
    effBeginLoadProgram,
    effSetProcessPrecision,
    effGetNumMidiInputChannels,
    effGetNumMidiOutputChannels,         // 79
};

// Callback opcodes (plug-in to host).
enum AudioMasterOpcodes : VstInt32 {
    audioMasterAutomate = 0,
    audioMasterVersion,
    audioMasterCurrentId,
    audioMasterIdle,
    audioMasterPinConnected,             // deprecated
    audioMasterWantMidi = 6,             // deprecated
    audioMasterGetTime,
    audioMasterProcessEvents,
    audioMasterSetTime,                  // deprecated
    audioMasterTempoAt,                  // 10, deprecated
    audioMasterGetNumAutomatableParameters, // deprecated
    audioMasterGetParameterQuantization, // deprecated
    audioMasterIOChanged,
    audioMasterNeedIdle,                 // deprecated
    audioMasterSizeWindow,
    audioMasterGetSampleRate,
    audioMasterGetBlockSize,
    audioMasterGetInputLatency,
    audioMasterGetOutputLatency,
    audioMasterGetPreviousPlug,          // 20, deprecated
    audioMasterGetNextPlug,              // deprecated
    audioMasterWillReplaceOrAccumulate,  // deprecated
    audioMasterGetCurrentProcessLevel,
    audioMasterGetAutomationState,
    audioMasterOfflineStart,
    audioMasterOfflineRead,
    audioMasterOfflineWrite,
    audioMasterOfflineGetCurrentPass,
    audioMasterOfflineGetCurrentMetaPass,
    audioMasterSetOutputSampleRate,      // 30, deprecated
    audioMasterGetOutputSpeakerArrangement, // deprecated
    audioMasterGetVendorString,
    audioMasterGetProductString,
    audioMasterGetVendorVersion,
    audioMasterVendorSpecific,
    audioMasterSetIcon,                  // deprecated
    audioMasterCanDo,
    audioMasterGetLanguage,
    audioMasterOpenWindow,               // deprecated
    audioMasterCloseWindow,              // 40, deprecated
    audioMasterGetDirectory,
    audioMasterUpdateDisplay,
    audioMasterBeginEdit,
    audioMasterEndEdit,
    audioMasterOpenFileSelector,
    audioMasterCloseFileSelector,
    audioMasterEditFile,                 // deprecated
    audioMasterGetChunkFile,             // deprecated
    audioMasterGetInputSpeakerArrangement, // 49, deprecated
};

// String limits (characters, without the terminating zero).
constexpr int kVstMaxProgNameLen = 24;
constexpr int kVstMaxParamStrLen = 8;
constexpr int kVstMaxVendorStrLen = 64;
constexpr int kVstMaxProductStrLen = 64;
constexpr int kVstMaxEffectNameLen = 32;
constexpr int kVstMaxNameLen = 64;
constexpr int kVstMaxLabelLen = 64;
constexpr int kVstMaxShortLabelLen = 8;
constexpr int kVstMaxCategLabelLen = 24;
constexpr int kVstMaxFileNameLen = 100;

// ------------------------------------------------------------------ events
enum VstEventTypes : VstInt32 {
    kVstMidiType = 1,
    kVstAudioType,                       // deprecated
    kVstVideoType,                       // deprecated
    kVstParameterType,                   // deprecated
    kVstTriggerType,                     // deprecated
    kVstSysExType,
};

struct VstEvent {
    VstInt32 type;
    VstInt32 byteSize;                   // size of the event after these two fields
    VstInt32 deltaFrames;                // sample offset into the block
    VstInt32 flags;
    char data[16];
};

struct VstEvents {
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[2];                 // numEvents pointers in fact
};

enum VstMidiEventFlags : VstInt32 { kVstMidiEventIsRealtime = 1 << 0 };

struct VstMidiEvent {
    VstInt32 type;                       // kVstMidiType
    VstInt32 byteSize;                   // 24
    VstInt32 deltaFrames;
    VstInt32 flags;
    VstInt32 noteLength;
    VstInt32 noteOffset;
    char midiData[4];                    // 1 to 3 MIDI bytes, the fourth 0
    char detune;
    char noteOffVelocity;
    char reserved1;
    char reserved2;
};

struct VstMidiSysexEvent {
    VstInt32 type;                       // kVstSysExType
    VstInt32 byteSize;
    VstInt32 deltaFrames;
    VstInt32 flags;
    VstInt32 dumpBytes;
    VstIntPtr resvd1;
    char* sysexDump;
    VstIntPtr resvd2;
};

// ------------------------------------------------------------------ time
enum VstTimeInfoFlags : VstInt32 {
    kVstTransportChanged = 1,
    kVstTransportPlaying = 1 << 1,
    kVstTransportCycleActive = 1 << 2,
    kVstTransportRecording = 1 << 3,
    kVstAutomationWriting = 1 << 6,
    kVstAutomationReading = 1 << 7,
    kVstNanosValid = 1 << 8,
    kVstPpqPosValid = 1 << 9,
    kVstTempoValid = 1 << 10,
    kVstBarsValid = 1 << 11,
    kVstCyclePosValid = 1 << 12,
    kVstTimeSigValid = 1 << 13,
    kVstSmpteValid = 1 << 14,
    kVstClockValid = 1 << 15,
};

struct VstTimeInfo {
    double samplePos;
    double sampleRate;
    double nanoSeconds;
    double ppqPos;
    double tempo;
    double barStartPos;
    double cycleStartPos;
    double cycleEndPos;
    VstInt32 timeSigNumerator;
    VstInt32 timeSigDenominator;
    VstInt32 smpteOffset;
    VstInt32 smpteFrameRate;
    VstInt32 samplesToNextClock;
    VstInt32 flags;                      // VstTimeInfoFlags
};

enum VstProcessLevels : VstInt32 {
    kVstProcessLevelUnknown = 0,
    kVstProcessLevelUser,
    kVstProcessLevelRealtime,
    kVstProcessLevelPrefetch,
    kVstProcessLevelOffline,
};

enum VstAutomationStates : VstInt32 {
    kVstAutomationUnsupported = 0,
    kVstAutomationOff,
    kVstAutomationRead,
    kVstAutomationWrite,
    kVstAutomationReadWrite,
};

enum VstProcessPrecision : VstInt32 { kVstProcessPrecision32 = 0, kVstProcessPrecision64 };

enum VstHostLanguage : VstInt32 {
    kVstLangEnglish = 1,
    kVstLangGerman,
    kVstLangFrench,
    kVstLangItalian,
    kVstLangSpanish,
    kVstLangJapanese,
};

// ------------------------------------------------------------------ categories and pins
enum VstPlugCategory : VstInt32 {
    kPlugCategUnknown = 0,
    kPlugCategEffect,
    kPlugCategSynth,
    kPlugCategAnalysis,
    kPlugCategMastering,
    kPlugCategSpacializer,
    kPlugCategRoomFx,
    kPlugSurroundFx,
    kPlugCategRestoration,
    kPlugCategOfflineProcess,
    kPlugCategShell,
    kPlugCategGenerator,
    kPlugCategMaxCount,
};

enum VstPinPropertiesFlags : VstInt32 {
    kVstPinIsActive = 1 << 0,
    kVstPinIsStereo = 1 << 1,
    kVstPinUseSpeaker = 1 << 2,
};

struct VstPinProperties {
    char label[kVstMaxLabelLen];
    VstInt32 flags;                      // VstPinPropertiesFlags
    VstInt32 arrangementType;
    char shortLabel[kVstMaxShortLabelLen];
    char future[48];
};

enum VstParameterFlags : VstInt32 {
    kVstParameterIsSwitch = 1 << 0,
    kVstParameterUsesIntegerMinMax = 1 << 1,
    kVstParameterUsesFloatStep = 1 << 2,
    kVstParameterUsesIntStep = 1 << 3,
    kVstParameterSupportsDisplayIndex = 1 << 4,
    kVstParameterSupportsDisplayCategory = 1 << 5,
    kVstParameterCanRamp = 1 << 6,
};

struct VstParameterProperties {
    float stepFloat;
    float smallStepFloat;
    float largeStepFloat;
    char label[kVstMaxLabelLen];
    VstInt32 flags;
    VstInt32 minInteger;
    VstInt32 maxInteger;
    VstInt32 stepInteger;
    VstInt32 largeStepInteger;
    char shortLabel[kVstMaxShortLabelLen];
    VstInt16 displayIndex;
    VstInt16 category;
    VstInt16 numParametersInCategory;
    VstInt16 reserved;
    char categoryLabel[kVstMaxCategLabelLen];
    char future[16];
};

struct VstPatchChunkInfo {
    VstInt32 version;
    VstInt32 pluginUniqueID;
    VstInt32 pluginVersion;
    VstInt32 numElements;                // programs in a bank, parameters in a program
    char future[48];
};

// ------------------------------------------------------------------ speakers
enum VstSpeakerArrangementType : VstInt32 {
    kSpeakerArrUserDefined = -2,
    kSpeakerArrEmpty = -1,
    kSpeakerArrMono = 0,
    kSpeakerArrStereo,
};

enum VstSpeakerType : VstInt32 { kSpeakerUndefined = 0x7fffffff, kSpeakerM = 0, kSpeakerL, kSpeakerR };

struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[kVstMaxNameLen];
    VstInt32 type;                       // VstSpeakerType
    char future[28];
};

struct VstSpeakerArrangement {
    VstInt32 type;                       // VstSpeakerArrangementType
    VstInt32 numChannels;
    VstSpeakerProperties speakers[8];    // numChannels entries in fact (at least 8 stored)
};

// ------------------------------------------------------------------ MIDI program names
struct MidiProgramName {
    VstInt32 thisProgramIndex;
    char name[kVstMaxNameLen];
    char midiProgram;
    char midiBankMsb;
    char midiBankLsb;
    char reserved;
    VstInt32 parentCategoryIndex;
    VstInt32 flags;
};

struct MidiProgramCategory {
    VstInt32 thisCategoryIndex;
    char name[kVstMaxNameLen];
    VstInt32 parentCategoryIndex;
    VstInt32 flags;
};

struct MidiKeyName {
    VstInt32 thisProgramIndex;
    VstInt32 thisKeyNumber;
    char keyName[kVstMaxNameLen];
    VstInt32 reserved;
    VstInt32 flags;
};

// ------------------------------------------------------------------ editor
// The editor's rectangle, in pixels.
struct ERect {
    VstInt16 top;
    VstInt16 left;
    VstInt16 bottom;
    VstInt16 right;
};

struct VstKeyCode {
    VstInt32 character;                  // ASCII character or 0
    unsigned char virt;                  // VstVirtualKey or 0
    unsigned char modifier;              // VstModifierKey bits
};

enum VstVirtualKey : unsigned char {
    VKEY_BACK = 1, VKEY_TAB, VKEY_CLEAR, VKEY_RETURN, VKEY_PAUSE, VKEY_ESCAPE, VKEY_SPACE,
    VKEY_NEXT, VKEY_END, VKEY_HOME, VKEY_LEFT, VKEY_UP, VKEY_RIGHT, VKEY_DOWN, VKEY_PAGEUP,
    VKEY_PAGEDOWN, VKEY_SELECT, VKEY_PRINT, VKEY_ENTER, VKEY_SNAPSHOT, VKEY_INSERT, VKEY_DELETE,
    VKEY_HELP, VKEY_NUMPAD0, VKEY_NUMPAD1, VKEY_NUMPAD2, VKEY_NUMPAD3, VKEY_NUMPAD4, VKEY_NUMPAD5,
    VKEY_NUMPAD6, VKEY_NUMPAD7, VKEY_NUMPAD8, VKEY_NUMPAD9, VKEY_MULTIPLY, VKEY_ADD, VKEY_SEPARATOR,
    VKEY_SUBTRACT, VKEY_DECIMAL, VKEY_DIVIDE, VKEY_F1, VKEY_F2, VKEY_F3, VKEY_F4, VKEY_F5, VKEY_F6,
    VKEY_F7, VKEY_F8, VKEY_F9, VKEY_F10, VKEY_F11, VKEY_F12, VKEY_NUMLOCK, VKEY_SCROLL, VKEY_SHIFT,
    VKEY_CONTROL, VKEY_ALT, VKEY_EQUALS,
};

enum VstModifierKey : unsigned char {
    MODIFIER_SHIFT = 1 << 0,
    MODIFIER_ALTERNATE = 1 << 1,
    MODIFIER_COMMAND = 1 << 2,
    MODIFIER_CONTROL = 1 << 3,
};

// Only passed through as pointers here; their layouts are never read.
struct VstAudioFile;
struct VstOfflineTask;
struct VstFileSelect;
struct VstWindow;
struct VstVariableIo;

// ------------------------------------------------------------------ layout checks
static_assert(sizeof(ERect) == 8 && offsetof(ERect, left) == 2 && offsetof(ERect, bottom) == 4 &&
              offsetof(ERect, right) == 6, "ERect layout");
static_assert(sizeof(VstKeyCode) == 8 && offsetof(VstKeyCode, virt) == 4 &&
              offsetof(VstKeyCode, modifier) == 5, "VstKeyCode layout");
static_assert(sizeof(VstEvent) == 32 && offsetof(VstEvent, deltaFrames) == 8, "VstEvent layout");
static_assert(sizeof(VstMidiEvent) == 32 && offsetof(VstMidiEvent, deltaFrames) == 8 &&
              offsetof(VstMidiEvent, noteLength) == 16 && offsetof(VstMidiEvent, midiData) == 24 &&
              offsetof(VstMidiEvent, detune) == 28 && offsetof(VstMidiEvent, noteOffVelocity) == 29,
              "VstMidiEvent layout");
static_assert(sizeof(VstTimeInfo) == 88 && offsetof(VstTimeInfo, tempo) == 32 &&
              offsetof(VstTimeInfo, timeSigNumerator) == 64 && offsetof(VstTimeInfo, flags) == 84,
              "VstTimeInfo layout");
static_assert(sizeof(VstPinProperties) == 128 && offsetof(VstPinProperties, flags) == 64 &&
              offsetof(VstPinProperties, shortLabel) == 72, "VstPinProperties layout");
static_assert(sizeof(VstParameterProperties) == 152 && offsetof(VstParameterProperties, flags) == 76 &&
              offsetof(VstParameterProperties, displayIndex) == 104 &&
              offsetof(VstParameterProperties, categoryLabel) == 112, "VstParameterProperties layout");
static_assert(sizeof(VstPatchChunkInfo) == 64, "VstPatchChunkInfo layout");
static_assert(sizeof(VstSpeakerProperties) == 112 && offsetof(VstSpeakerProperties, type) == 80,
              "VstSpeakerProperties layout");
static_assert(sizeof(VstSpeakerArrangement) == 8 + 8 * 112, "VstSpeakerArrangement layout");
static_assert(sizeof(MidiProgramName) == 80 && offsetof(MidiProgramName, midiProgram) == 68 &&
              offsetof(MidiProgramName, parentCategoryIndex) == 72, "MidiProgramName layout");
static_assert(sizeof(MidiProgramCategory) == 76, "MidiProgramCategory layout");
static_assert(sizeof(MidiKeyName) == 80, "MidiKeyName layout");

#if defined(__x86_64__)
static_assert(sizeof(AEffect) == 192, "AEffect size (x86-64)");
static_assert(offsetof(AEffect, dispatcher) == 8 && offsetof(AEffect, process) == 16 &&
              offsetof(AEffect, setParameter) == 24 && offsetof(AEffect, getParameter) == 32 &&
              offsetof(AEffect, numPrograms) == 40 && offsetof(AEffect, numParams) == 44 &&
              offsetof(AEffect, numInputs) == 48 && offsetof(AEffect, numOutputs) == 52 &&
              offsetof(AEffect, flags) == 56 && offsetof(AEffect, resvd1) == 64 &&
              offsetof(AEffect, resvd2) == 72 && offsetof(AEffect, initialDelay) == 80 &&
              offsetof(AEffect, realQualities) == 84 && offsetof(AEffect, offQualities) == 88 &&
              offsetof(AEffect, ioRatio) == 92 && offsetof(AEffect, object) == 96 &&
              offsetof(AEffect, user) == 104 && offsetof(AEffect, uniqueID) == 112 &&
              offsetof(AEffect, version) == 116 && offsetof(AEffect, processReplacing) == 120 &&
              offsetof(AEffect, processDoubleReplacing) == 128 && offsetof(AEffect, future) == 136,
              "AEffect layout (x86-64)");
static_assert(sizeof(VstEvents) == 32 && offsetof(VstEvents, events) == 16, "VstEvents layout (x86-64)");
static_assert(sizeof(VstMidiSysexEvent) == 48 && offsetof(VstMidiSysexEvent, sysexDump) == 32,
              "VstMidiSysexEvent layout (x86-64)");
#elif defined(__i386__)
static_assert(sizeof(AEffect) == 144, "AEffect size (i386)");
static_assert(offsetof(AEffect, dispatcher) == 4 && offsetof(AEffect, process) == 8 &&
              offsetof(AEffect, setParameter) == 12 && offsetof(AEffect, getParameter) == 16 &&
              offsetof(AEffect, numPrograms) == 20 && offsetof(AEffect, numParams) == 24 &&
              offsetof(AEffect, numInputs) == 28 && offsetof(AEffect, numOutputs) == 32 &&
              offsetof(AEffect, flags) == 36 && offsetof(AEffect, resvd1) == 40 &&
              offsetof(AEffect, resvd2) == 44 && offsetof(AEffect, initialDelay) == 48 &&
              offsetof(AEffect, realQualities) == 52 && offsetof(AEffect, offQualities) == 56 &&
              offsetof(AEffect, ioRatio) == 60 && offsetof(AEffect, object) == 64 &&
              offsetof(AEffect, user) == 68 && offsetof(AEffect, uniqueID) == 72 &&
              offsetof(AEffect, version) == 76 && offsetof(AEffect, processReplacing) == 80 &&
              offsetof(AEffect, processDoubleReplacing) == 84 && offsetof(AEffect, future) == 88,
              "AEffect layout (i386)");
static_assert(sizeof(VstEvents) == 16 && offsetof(VstEvents, events) == 8, "VstEvents layout (i386)");
static_assert(sizeof(VstMidiSysexEvent) == 32 && offsetof(VstMidiSysexEvent, sysexDump) == 24,
              "VstMidiSysexEvent layout (i386)");
#else
#error "only x86-64 and i386 builds are laid out"
#endif
