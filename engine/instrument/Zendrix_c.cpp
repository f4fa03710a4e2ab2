#include "engine/instrument/Zendrix_c.h"

#include <mutex>
#include <string>

#include "engine/instrument/InstrumentIdentity.h"
#include "engine/dsp/WaveBank.h"
#include "os/PathText.h"
#include "framework/sdk/AEffEditor.h"
#include "framework/sdk/EditorSnapshot.h"
#include "framework/sdk/ValueText.h"
#include "framework/synth/VersionNumber.h"
#include "framework/voice/AudioTables.h"

namespace {

SynthConfig zendrixConfig() {
    SynthConfig config;
    config.partProgramStores = 1;
    config.fxProgramStores = 0;
    config.numPrograms = instrument::kNumPrograms;
    config.hostParameterEntries = 44;
    config.visibleParametersPerPart = instrument::kHostParametersPerPart;
    config.parameterStride = 256;
    config.parts = 1;
    config.voices = Zendrix_c::kVoices;
    config.fxUnits = 0;
    config.stereoOutputPairs = instrument::kStereoOutputPairs;
    config.monoOutputs = 0;
    config.productName = instrument::kProductName;
    config.acceptedPluginIds = "HRVK,HRVO";
    config.versionText = instrument::kVersionText;
    config.engineName = instrument::kEngineName;
    config.exposeParameters = true;
    return config;
}

} // namespace

Zendrix_c::Zendrix_c(audioMasterCallback host, EditorMaker makeEditor) : Synth(host, zendrixConfig()) {
    // Settings handlers act at once while the object is being made.
    setOpeningFlag(true);
    setUniqueID(instrument::kUniqueId);
    if (isUsable()) {
        const ExtensionList presets{"FXP"};
        partProgramList(0).setup(pathtext::kPathBufferSize, "empty", &presets, false);
        partBankList(0).setup(pathtext::kPathBufferSize, "empty", nullptr, false);
    }
    // The editor registers itself with the effect (has-editor flag); without
    // a maker, or when it cannot be made, the plug-in runs without one.
    if (isUsable() && makeEditor) editorListener_ = makeEditor(*this);
    setOpeningFlag(false);
}

Zendrix_c::~Zendrix_c() {
    // The idle timer and any open editor stop before the members go; the
    // editor object itself is deleted last, by the effect base.
    if (AEffEditor* e = getEditor()) e->close();
    close();
}

void Zendrix_c::defineModuleSets() {
    if (modulesDefined_) return;
    const int32_t rows = partCount();
    globals_.defineParameters(sets_[kGlobalsSet], rows);
    for (int i = 0; i < 3; ++i) waves_[i].defineParameters(sets_[kWaveASet + i], rows);
    os::RecursiveLock& lock = instrument_.parameterLock();
    globals_.setParameterLock(&lock);
    for (WaveROM_c& w : waves_) w.setParameterLock(&lock);
    for (ZendrixTone_c& v : voices_) {
        v.timbreEnvelope().defineParameters(sets_[kTimbreSet], rows);
        v.baseEnvelope().defineParameters(sets_[kBaseSet], rows);
        v.noiseEnvelope().defineParameters(sets_[kNoiseEnvSet], rows);
        v.pitchEnvelope().defineParameters(sets_[kPitchSet], rows);
        v.oscillator().defineParameters(sets_[kOscSet], rows);
        v.noise().defineParameters(sets_[kNoiseSet], rows);
        for (Part_c* m : {static_cast<Part_c*>(&v.timbreEnvelope()), static_cast<Part_c*>(&v.baseEnvelope()),
                          static_cast<Part_c*>(&v.noiseEnvelope()), static_cast<Part_c*>(&v.pitchEnvelope()),
                          static_cast<Part_c*>(&v.oscillator()), static_cast<Part_c*>(&v.noise())})
            m->setParameterLock(&lock);
    }
    modulesDefined_ = true;
}

int32_t Zendrix_c::registerRow(Part_c** objects, int32_t count, int32_t instance) {
    return registerModuleRow(objects, count, instance, ModuleTableRow::kGlobal);
}

Part_c& Zendrix_c::voiceModule(VoiceRow row) {
    return *voiceRows_[row][0];
}

void Zendrix_c::registerModules() {
    ZendrixVoiceResources shared;
    shared.waveA = &waves_[0];
    shared.waveB = &waves_[1];
    shared.waveC = &waves_[2];
    shared.tuneOffset = &tuneOffset_;
    shared.tuneRatio = &tuneRatio_;
    shared.noteSeeds = &noteSeeds_;
    for (int32_t i = 0; i < kVoices; ++i) {
        ZendrixTone_c& v = voices_[i];
        float (&arrays)[4][kControlValues] = controlArrays_[i];
        shared.arrays = {arrays[0], arrays[1], arrays[2], arrays[3], kControlValues};
        v.bind(this, &globals_, i, shared);
        setVoice(i, &v);
        voiceRows_[kTimbreRow][i] = &v.timbreEnvelope();
        voiceRows_[kBaseRow][i] = &v.baseEnvelope();
        voiceRows_[kNoiseEnvRow][i] = &v.noiseEnvelope();
        voiceRows_[kPitchRow][i] = &v.pitchEnvelope();
        voiceRows_[kOscRow][i] = &v.oscillator();
        voiceRows_[kNoiseRow][i] = &v.noise();
    }
    // After the voices, which draw their own seeds first.
    const uint32_t high = static_cast<uint32_t>(random().next());
    noteSeeds_.seed(high << 15 | static_cast<uint32_t>(random().next()));
    singleRows_[0][0] = &globals_;
    registerRow(singleRows_[0], 1, 0);
    for (int32_t i = 0; i < 3; ++i) {
        singleRows_[1 + i][0] = &waves_[i];
        registerRow(singleRows_[1 + i], 1, i);
    }
    static constexpr int32_t kVoiceRowInstances[kVoiceRows] = {0, 1, 2, 0, 0, 0};
    int32_t oscillatorRow = -1;
    int32_t noiseRow = -1;
    for (int32_t r = 0; r < kVoiceRows; ++r) {
        const int32_t row = registerRow(voiceRows_[r], kVoices, kVoiceRowInstances[r]);
        if (r == kOscRow) oscillatorRow = row;
        if (r == kNoiseRow) noiseRow = row;
    }
    outputBus_.openHostBound("OutBuf", kBusFrames, 2, audiotables::tinyValues());
    addPatchBayEntry("Osc Zen", static_cast<int16_t>(oscillatorRow), &outputBus_, 0, nullptr, -1, -1);
    addPatchBayEntry("Osc Noise", static_cast<int16_t>(noiseRow), &outputBus_, 0, nullptr, -1, -1);
    instrument_.setup(this, 0, &globals_, &outputBus_);
    lanes_.bind(voices_, kVoices);
    instrument_.setVoiceLanes(&lanes_);
    setPart(0, &instrument_);
    setProgram(0);
}

void Zendrix_c::open() {
    if (isOpened()) return;
    Synth::open();
    if (!isOpened()) return;
    setOpeningFlag(true);
    defineModuleSets();
    registerModules();
    fillHostParameterMap();
    setEngineGlobalPart(&globals_);
    setPresetMarkerEntry(kPresetMarkerEntry);
    setLearnExcludedEntry(0, kAssignmentModeEntry);
    resetVoices();
    initPartPrograms(0, partCount());
    finishOpen();
    // A fresh row: every column counts as changed (the wave tables follow "Waveform").
    afterProgramLoad(0);
    suspend();
    setOpeningFlag(false);
}

void Zendrix_c::initPart(int32_t part) {
    SynGloIns_c& ins = instrumentSettings();
    if (!ins.set() || !ins.set()->isRowValid(part)) return;
    ins.setValue(part, SynGloIns_c::kChannel, kMidiAllChannels);
    ins.setValue(part, SynGloIns_c::kMute, 0);
    ins.setValue(part, SynGloIns_c::kSolo, 0);
    ins.setValue(part, SynGloIns_c::kOutputSelection, 0);
    EnvAHD_c* ahd[3] = {&voices_[0].timbreEnvelope(), &voices_[0].baseEnvelope(), &voices_[0].noiseEnvelope()};
    for (EnvAHD_c* e : ahd) e->setValue(part, EnvAHD_c::kPitchScale, 70);
    voices_[0].pitchEnvelope().setValue(part, EnvAHDP_c::kPitchScale, 70);
    ahd[0]->setBool(part, EnvAHD_c::kLogDecay, false);
    ahd[1]->setBool(part, EnvAHD_c::kLogDecay, true);
    ahd[2]->setBool(part, EnvAHD_c::kLogDecay, true);
    globalSettings().setMax(0, SynGlo_c::kEditIns, partCount() - 1);
}

void Zendrix_c::initPartPrograms(int32_t first, int32_t end) {
    // Limits replace descriptors that host and editor writers read under this lock.
    std::lock_guard<os::RecursiveLock> guard(instrument_.parameterLock());
    Synth::initPartPrograms(first, end);
    for (int32_t r = first; r < end; ++r) {
        if (!globals_.set() || !globals_.set()->isRowValid(r)) return;
        // "Exactness" is fixed at 0.99.
        globals_.setMin(r, ZendrixGlo_c::kExactness, 99);
        globals_.setMax(r, ZendrixGlo_c::kExactness, 99);
        globals_.setValue(r, ZendrixGlo_c::kExactness, 99);

        auto limitDecay = [r](Part_c& e, int column, int32_t max) {
            e.setMax(r, column, max);
            if (ParaSet_c* s = e.set()) {
                s->setMaxInfinite(r, column, false);
                s->setCurve(r, column, 5.0f);
            }
        };
        EnvAHD_c& timbre = voices_[0].timbreEnvelope();
        timbre.setMax(r, EnvAHD_c::kAttackTime, 100);
        timbre.setMax(r, EnvAHD_c::kHoldTime, 0);
        timbre.setValue(r, EnvAHD_c::kHoldTime, 0);
        limitDecay(timbre, EnvAHD_c::kDecayTime, 3000);
        timbre.setMin(r, EnvAHD_c::kVelocityScale, 0);
        timbre.setBool(r, EnvAHD_c::kVelocityAttack, true);
        for (EnvAHD_c* e : {&voices_[0].baseEnvelope(), &voices_[0].noiseEnvelope()}) {
            e->setMax(r, EnvAHD_c::kAttackTime, 100);
            e->setMax(r, EnvAHD_c::kHoldTime, 100);
            e->setValue(r, EnvAHD_c::kHoldTime, 0);
            limitDecay(*e, EnvAHD_c::kDecayTime, 4000);
            e->setMin(r, EnvAHD_c::kVelocityScale, 0);
            e->setBool(r, EnvAHD_c::kVelocityAttack, true);
        }
        voices_[0].noise().setValue(r, ColorNoise_c::kLevel, 0);
        EnvAHDP_c& pitch = voices_[0].pitchEnvelope();
        pitch.setMax(r, EnvAHDP_c::kAttackTime, 100);
        pitch.setMax(r, EnvAHDP_c::kHoldTime, 100);
        pitch.setValue(r, EnvAHDP_c::kHoldTime, 0);
        limitDecay(pitch, EnvAHDP_c::kDecayTime, 4000);
        pitch.setMin(r, EnvAHDP_c::kDepth, -24);
        pitch.setMax(r, EnvAHDP_c::kDepth, 24);
    }
}

void Zendrix_c::applyWaveform(int32_t row) {
    if (!globals_.set() || !globals_.set()->isRowValid(row)) return;
    const dsp::WaveSelection w = dsp::wavesForWaveform(globals_.getValue(row, ZendrixGlo_c::kWaveform));
    const int tables[3] = {w.a, w.b, w.c};
    // Each table re-selects on any change of its row.
    for (int i = 0; i < 3; ++i) waves_[i].setValue(row, WaveROM_c::kWave1, tables[i]);
}

void Zendrix_c::onParameterChanged(int32_t row, Part_c* target, int32_t column) {
    Synth::onParameterChanged(row, target, column);
    const ParaSet_c* set = target ? target->set() : nullptr;
    const bool all = column == -1;
    if (isOpened() && (all || (set == sets_[kBaseSet] && column == EnvAHD_c::kHoldTime))) {
        // Plain writes: the timbre envelope's range keeps its hold at 0.
        const int32_t hold = voices_[0].baseEnvelope().getValue(row, EnvAHD_c::kHoldTime);
        if (ParaSet_c* s = sets_[kTimbreSet]) s->setValue(row, EnvAHD_c::kHoldTime, hold);
        if (ParaSet_c* s = sets_[kNoiseEnvSet]) s->setValue(row, EnvAHD_c::kHoldTime, hold);
    }
    if (isOpened() && (all || (set == sets_[kTimbreSet] && column == EnvAHD_c::kVelocityScale))) {
        const int32_t scale = voices_[0].timbreEnvelope().getValue(row, EnvAHD_c::kVelocityScale);
        if (ParaSet_c* s = sets_[kBaseSet]) s->setValue(row, EnvAHD_c::kVelocityScale, scale);
        if (ParaSet_c* s = sets_[kNoiseEnvSet]) s->setValue(row, EnvAHD_c::kVelocityScale, scale);
        if (ParaSet_c* s = sets_[kPitchSet]) s->setValue(row, EnvAHDP_c::kVelocityScale, scale);
    }
    if (all || (set && set == sets_[kGlobalsSet] && column == ZendrixGlo_c::kWaveform)) applyWaveform(row);
}

namespace {
// The bank opened at start, under the data folder.
std::string defaultPresetFolder() { return pathtext::joined("Kelvanti Banks", "Diverse"); }
} // namespace

void Zendrix_c::initialise() {
    openPresetFolder(defaultPresetFolder().c_str(), true);
}

void Zendrix_c::locateBanks() {
    locatePresetFolder(defaultPresetFolder().c_str(), true);
}

void Zendrix_c::setupControllerAssignments() {
    ECS2_c& ecs = controllerAssignment();
    // The factory table only while no table is in force: a later resume
    // keeps what was loaded or learnt.
    if (!ecs.hasTable()) {
        ecs.clearAll();
        struct Range { int firstController, lastController, firstEntry; };
        static constexpr Range kDefaults[] = {{69, 78, 0}, {79, 89, 11}, {102, 104, 22}, {105, 105, 10}};
        for (const Range& r : kDefaults)
            for (int cc = r.firstController; cc <= r.lastController; ++cc)
                ecs.addAssignment(0, cc, 0, r.firstEntry + (cc - r.firstController), false);
        ecs.storeFactory();
    }
    Synth::setupControllerAssignments();
}

void Zendrix_c::rebindOutputs(float** outputs) {
    outputBus_.setChannelPointers(outputs);
}

void Zendrix_c::setVersionLabel() {
    // The version text and one blank, as the editor shows it.
    const std::string label = std::string(instrument::kVersionText) + " ";
    systemSettings().setText(0, SysGlo_c::kVersionText, label);
}

bool Zendrix_c::getEffectName(char* name) {
    vsttext::copyText(name, instrument::kProductName, kVstMaxEffectNameLen);
    return name != nullptr;
}

bool Zendrix_c::getVendorString(char* text) {
    vsttext::copyText(text, instrument::kVendorName, kVstMaxVendorStrLen);
    return text != nullptr;
}

bool Zendrix_c::getProductString(char* text) {
    vsttext::copyText(text, instrument::kProductName, kVstMaxProductStrLen);
    return text != nullptr;
}

VstInt32 Zendrix_c::getVendorVersion() {
    return synth::versionNumberFromText(instrument::kVersionText);
}

void Zendrix_c::editorParameterChanged(int32_t entry, bool now) {
    if (editorListener_) editorListener_->parameterChanged(entry, now);
}

void Zendrix_c::editorRefreshAll() {
    if (editorListener_) editorListener_->requestRefreshAll();
}

bool Zendrix_c::onEditorThread() const {
    return editorListener_ && editorListener_->isEditorThread();
}

void Zendrix_c::swapEditorFrames() {
    if (editorListener_) editorListener_->swapFrames();
}

VstIntPtr Zendrix_c::vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (index == kEditorSnapshotIndex && value == kEditorSnapshotValue) {
        auto* request = static_cast<EditorSnapshot*>(ptr);
        if (!editorListener_ || !request || request->size != static_cast<int32_t>(sizeof(EditorSnapshot))) return 0;
        return editorListener_->snapshot(*request) ? 1 : 0;
    }
    return Synth::vendorSpecific(index, value, ptr, opt);
}
