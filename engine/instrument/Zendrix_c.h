#pragma once
// The plug-in: the plug-in base filled with this instrument's objects (three
// wave tables, the output bus "OutBuf", the instrument globals, one
// instrument with 24 voices), its host-parameter map, the patch-bay routes,
// the default controller assignments, the limits of the part parameters and
// the reactions to a few parameter changes.
//
// Threads: as Synth. open runs on the host's thread (or lazily on the first
// call that needs it); onParameterChanged on the writing thread inside the
// part's parameter lock; rebindOutputs on the audio thread.
// Ownership: every member lives as long as the object; the base only borrows
// the instrument and the voices.
#include <cstdint>

#include "engine/instrument/WaveROM_c.h"
#include "engine/instrument/ZendrixGlo_c.h"
#include "engine/instrument/ZendrixInst_c.h"
#include "engine/instrument/ZendrixTone_c.h"
#include "engine/instrument/ZendrixVoiceLanes.h"
#include "framework/synth/EditorListener.h"
#include "framework/synth/Synth.h"
#include "framework/voice/InBuffer2.h"

class Zendrix_c : public Synth {
public:
    static constexpr int32_t kVoices = 24;
    static constexpr int32_t kBusFrames = 256;
    // Host-parameter entries with a role of their own.
    static constexpr int32_t kWaveformEntry = 10;
    static constexpr int32_t kPresetMarkerEntry = 25;
    static constexpr int32_t kVersionLabelEntry = 33;
    static constexpr int32_t kAssignmentModeEntry = 37;

    // makeEditor: the editor made in the constructor (null: none).
    explicit Zendrix_c(audioMasterCallback host, EditorMaker makeEditor = nullptr);
    ~Zendrix_c() override;

    // The editor's side of the parameter road. On the audio thread these
    // only store atomics in the editor's refresh set.
    void editorParameterChanged(int32_t entry, bool now) override;
    void editorRefreshAll() override;
    bool hasEditorListener() const override { return editorListener_ != nullptr; }
    bool onEditorThread() const override;
    void swapEditorFrames() override;
    // The private editor snapshot call (framework/sdk/EditorSnapshot.h), then the base's.
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override;

    void open() override;
    void onParameterChanged(int32_t row, Part_c* target, int32_t column) override;
    void setupControllerAssignments() override;
    void rebindOutputs(float** outputs) override;
    void setVersionLabel() override;
    // Opens the default bank folder "Kelvanti Banks/Diverse" (keeping a stored default preset).
    void initialise() override;
    // The bank root of that folder, nothing loaded (a chunk restored first).
    void locateBanks() override;

    // The part defaults of one part row.
    void initPart(int32_t part) override;
    // The base's part programs, then the limits of the part parameters for
    // parts first .. end - 1 (after every module reset too).
    void initPartPrograms(int32_t first, int32_t end) override;

    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    VstInt32 getPlugCategory() override { return kPlugCategSynth; }

    // The modules, for tests and the editor.
    WaveROM_c& waveTable(int i) { return waves_[i < 0 ? 0 : i > 2 ? 2 : i]; }
    ZendrixGlo_c& globals() { return globals_; }
    ZendrixInst_c& instrument() { return instrument_; }
    ZendrixTone_c& voice(int32_t i) { return voices_[i < 0 ? 0 : i >= kVoices ? kVoices - 1 : i]; }
    InBuffer2_c& outputBus() { return outputBus_; }
    const ZendrixVoiceLanes& voiceLanes() const { return lanes_; }

private:
    enum SetRole { kGlobalsSet = 0, kWaveASet, kWaveBSet, kWaveCSet, kTimbreSet, kBaseSet, kNoiseEnvSet,
                   kPitchSet, kOscSet, kNoiseSet, kSetRoles };
    enum VoiceRow { kTimbreRow = 0, kBaseRow, kNoiseEnvRow, kPitchRow, kOscRow, kNoiseRow, kVoiceRows };
    static constexpr int32_t kControlValues = kBusFrames / 8 + 2;

    void defineModuleSets();
    void registerModules();
    void fillHostParameterMap();
    // Registers objects as one module row sharing the set of objects[0].
    int32_t registerRow(Part_c** objects, int32_t count, int32_t instance);
    // The module of voice 0 that stands for its row in the map.
    Part_c& voiceModule(VoiceRow row);
    void applyWaveform(int32_t row);

    // Members in construction order.
    WaveROM_c waves_[3];
    InBuffer2_c outputBus_;
    ZendrixGlo_c globals_;
    ZendrixInst_c instrument_;
    ZendrixTone_c voices_[kVoices];

    ParaSet_c* sets_[kSetRoles] = {};            // owned by each role's first module
    Part_c* singleRows_[4][1] = {};              // globals, tables A, B, C
    Part_c* voiceRows_[kVoiceRows][kVoices] = {}; // the six per-voice module rows
    float controlArrays_[kVoices][4][kControlValues] = {}; // each voice's own scratch
    ZendrixVoiceLanes lanes_;
    os::Random15 noteSeeds_; // the voices' noise seeds, one draw per note (audio thread)
    bool modulesDefined_ = false;
    // Owned by the effect base (deleted last); set once in the constructor.
    EditorListener* editorListener_ = nullptr;
};
