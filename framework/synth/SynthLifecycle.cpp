// Construction, opening, resume/suspend, readiness and closing of the plug-in base.
#include "framework/synth/Synth.h"

#include <cmath>
#include <cstring>
#include <mutex>
#include <new>

#include "engine/dsp/SafeDivision.h"
#include "framework/sdk/AEffEditor.h"
#include "framework/voice/Instrument_c.h"
#include "os/Clock.h"
#include "os/Seed.h"

namespace {
constexpr int32_t kTableEntries = 128;

struct CurveTables {
    float linear[kTableEntries];
    float exponential[kTableEntries];
    CurveTables() {
        for (int32_t i = 0; i < kTableEntries; ++i) {
            linear[i] = static_cast<float>(i) / 127.0f;
            exponential[i] = static_cast<float>(std::exp(0.05 * (i - 127)));
        }
    }
};

// Built once per process on first use; C++ guarantees a thread-safe start.
const CurveTables& curveTables() {
    static const CurveTables tables;
    return tables;
}
} // namespace

const float* Synth::linearTable() {
    return curveTables().linear;
}

const float* Synth::exponentialTable() {
    return curveTables().exponential;
}

Synth::Synth(audioMasterCallback host, const SynthConfig& config)
    : AudioEffectX(host, config.numPrograms, config.hostParameterCount()),
      config_(config),
      sysGlo_(config.engineName ? config.engineName : ""),
      synGlo_(config.stereoOutputPairs + config.monoOutputs),
      synGloIns_(config.numPrograms, config.stereoOutputPairs, config.monoOutputs),
      ecs_(this, config.engineName ? config.engineName : "", &Synth::readNoteClock, this),
      toAudio_(kRingCapacity),
      toIdle_(kRingCapacity),
      voiceTable_(config.voices > 0 ? config.voices : 1, &Synth::readNoteClock, this),
      moduleManager_(this),
      patchBay_(kPatchBayEntries, kPatchBayEntries, moduleRows_),
      fileDialog_(this),
      nrpn_(&Synth::readNoteClock, this) {
    if (config_.parts >= SynthConfig::kMaxParts || config_.parts < 1 ||
        config_.hostParameterEntries < config_.visibleParametersPerPart) {
        opening_ = false;
        return; // unusable: every entry point does nothing useful
    }
    muteMemory_.reset(new (std::nothrow) int32_t[static_cast<size_t>(config_.parts)]());
    setIoConfig(config_.stereoOutputPairs, config_.monoOutputs, 0);
    programLists_.reset(new (std::nothrow) FileList_c[static_cast<size_t>(config_.parts)]);
    bankLists_.reset(new (std::nothrow) FileList_c[static_cast<size_t>(config_.parts)]);
    if (!programLists_ || !bankLists_) {
        opening_ = false;
        return;
    }
    random_.seed(os::instanceSeed());
    curveTables();
    if (host) {
        programsAreChunks();
        canProcessReplacing();
        isSynth();
        acceptIoChanges_ = canHostDo("acceptIOChanges") != 0;
    }
    identifyHostNow();
    usable_ = true;
    opening_ = false;
}

Synth::~Synth() {
    // Normally close() has run (effClose, or the plug-in class's destructor);
    // this only makes sure nothing of the idle side runs any more.
    shutdown();
}

void Synth::identifyHostNow() {
    char vendor[kVstMaxVendorStrLen + 1] = {};
    char product[kVstMaxProductStrLen + 1] = {};
    getHostVendorString(vendor);
    getHostProductString(product);
    const HostIdentity identity = identifyHost(product, vendor, getHostVendorVersion());
    hostId_ = identity.id;
    hostVendorVersion_ = identity.vendorVersion;
    if (identity.clearsAcceptIOChanges) acceptIoChanges_ = false;
}

void Synth::setIoConfig(int32_t stereoPairs, int32_t monoOutputs, int32_t inputs) {
    stereoPairs_ = stereoPairs > 0 ? stereoPairs : 0;
    monoOutputs_ = monoOutputs > 0 ? monoOutputs : 0;
    inputs_ = inputs > 0 ? inputs : 0;
    const int32_t channels = outputChannels();
    // The tables only grow (the first configuration on the audio thread then
    // allocates nothing); their old contents are dropped. Zero-initialised: a
    // pointer compared before any block is null, never garbage.
    if (channels > outputCapacity_ || !outputPointers_ || !outputUnchanged_) {
        outputPointers_.reset(new (std::nothrow) float*[static_cast<size_t>(channels + 1)]());
        outputUnchanged_.reset(new (std::nothrow) uint8_t[static_cast<size_t>(channels + 1)]());
        outputCapacity_ = outputPointers_ && outputUnchanged_ ? channels : 0;
    } else {
        for (int32_t i = 0; i <= outputCapacity_; ++i) {
            outputPointers_[i] = nullptr;
            outputUnchanged_[i] = 0;
        }
    }
    if (audioMaster) {
        setNumOutputs(channels);
        setNumInputs(inputs_);
    }
}

bool Synth::openIfNeeded() {
    if (!opened_.load()) open();
    return opened_.load();
}

void Synth::open() {
    if (!usable_ || opened_.load()) return;
    opening_ = true;
    const int32_t entries = config_.hostParameterEntries;
    followers_.reset(new (std::nothrow) int16_t[static_cast<size_t>(entries) * kFollowersPerEntry]);
    voices_.reset(new (std::nothrow) SoundingVoice*[static_cast<size_t>(config_.voices + 1)]());
    parts_.reset(new (std::nothrow) Instrument_c*[static_cast<size_t>(config_.parts + 1)]());
    entries_.reset(new (std::nothrow) EPAS_c[static_cast<size_t>(entries)]);
    if (!followers_ || !voices_ || !parts_ || !entries_) {
        releaseBuffers();
        opening_ = false;
        return;
    }
    for (int32_t i = 0; i < entries * kFollowersPerEntry; ++i) followers_[i] = -1;
    openTime_ = os::tickMs();
    noteIdleDrain(openTime_);
    registerSettings();
    identifyHostNow();
    loadSystemSettings();
    setVersionLabel();
    if (canHostDo("supplyIdle") != 0) {
        idleSource_ = true;
    } else {
        idleSource_ = timer_.start(&Synth::idleTimerCallback, kIdleTimerMs, this);
    }
    opened_ = true;
    opening_ = false;
}

bool Synth::allocationsComplete() const {
    return followers_ && entries_ && voices_ && parts_ && outputPointers_ && outputUnchanged_;
}

void Synth::updateReady() {
    bool partsPresent = parts_ != nullptr;
    for (int32_t i = 0; partsPresent && i < config_.parts; ++i) partsPresent = parts_[i] != nullptr;
    ready_ = !isBlocked() && sampleRateSet_.load() && outputsConfigured_.load() && partsPresent &&
             allocationsComplete();
}

void Synth::setSampleRate(float rate) {
    if (!openIfNeeded()) return;
    BusyScope busy(*this);
    AudioEffectX::setSampleRate(rate);
    rate_ = rate;
    inverseRate_ = safeDivide(1.0f, rate);
    sampleRateSet_ = rate > 1000.0f;
    updateReady();
    for (int32_t i = 0; i < config_.voices; ++i)
        if (voices_[i]) voices_[i]->setSampleRate(rate);
    for (int32_t i = 0; i < config_.parts; ++i)
        if (parts_[i]) parts_[i]->setSampleRate(rate);
    for (int32_t r = 0; r < moduleRowCount_; ++r) {
        const ModuleTableRow& row = moduleRows_[r];
        for (int32_t j = 0; row.objects && j < row.count; ++j)
            if (row.objects[j]) row.objects[j]->setSampleRate(rate);
    }
}

void Synth::setBlockSize(VstInt32 size) {
    AudioEffectX::setBlockSize(size);
}

bool Synth::blockAudio() {
    blockers_.fetch_add(1);
    ready_ = false;
    // The audio side announces itself before it tests `blocked`, so once the
    // announcement is gone no block can be past that test.
    while (audioNesting_.load() > 0) os::sleepMs(kBlockedPollMs);
    return true;
}

void Synth::unblockAudio(bool wasSetHere) {
    if (wasSetHere) blockers_.fetch_sub(1);
    updateReady();
}

void Synth::resume() {
    if (!openIfNeeded()) return;
    BusyScope busy(*this);
    if (!threadrole::onAudioSide()) {
        // Serialised with chunk loads, preset loads and the idle drain, which
        // also reset or kill voices from host threads.
        std::lock_guard<Lock_c> guard(lock_);
        resumePending_ = false;
        resumeWithLockHeld(false);
        return;
    }
    // Hosts resume on their audio threads too: that thread never waits for an
    // idle call or loader holding the lock, nor for a block running elsewhere.
    // Then the next drain resumes.
    if (!lock_.tryEnter()) {
        resumePending_ = true;
        return;
    }
    std::lock_guard<Lock_c> guard(lock_, std::adopt_lock);
    if (!tryBlockAudio()) {
        resumePending_ = true;
        return;
    }
    resumePending_ = false;
    resumeWithLockHeld(true);
}

void Synth::resumeWithLockHeld(bool audioHeldByCaller) {
    BusyScope busy(*this);
    if (!sampleRateSet_.load()) setSampleRate(kDefaultSampleRate);
    resumed_ = true;
    loadSystemSettings();
    setupControllerAssignments();
    // The caller's hold of the audio side, if any, is released here.
    const bool setHere = audioHeldByCaller || blockAudio();
    resetVoices();
    for (int32_t i = 0; i < config_.voices; ++i)
        if (voices_[i]) voices_[i]->start();
    for (int32_t i = 0; i < config_.parts; ++i) {
        setPartNotesOn(i, 0);
        if (parts_[i]) parts_[i]->start();
    }
    unblockAudio(setHere);
    if (!initialised_.load()) {
        initialise();
        initialised_ = true;
    }
    // The base asks the host for MIDI. Once per open: hosts resume on every
    // transport or rate change, and hosts that check their plug-ins report a
    // repeated request.
    if (!midiRequested_.exchange(true)) AudioEffectX::resume();
}

void Synth::initialiseBeforeResume() {
    if (initialised_.load()) return;
    BusyScope busy(*this);
    notifications_ = false;
    initialise();
    initialised_ = true;
    notifications_ = true;
}

void Synth::suspend() {
    if (!opened_.load()) return;
    BusyScope busy(*this);
    // A resume still waiting for the idle side is overtaken by this suspend.
    resumePending_ = false;
    resumed_ = false;
}

void Synth::close() {
    if (!opened_.load()) {
        shutdown();
        return;
    }
    closing_ = true;
    shutdown();
    // An open editor goes before the members it uses.
    if (editor) editor->close();
    const bool setHere = blockAudio();
    {
        // A drain that is running holds the lock: wait for it before freeing.
        std::lock_guard<Lock_c> guard(lock_);
        ecs_.storeChanges();
        releaseBuffers();
    }
    unblockAudio(setHere);
    closing_ = false;
}

void Synth::shutdown() {
    timer_.stop();
    idleSource_ = false;
}

void Synth::registerSettings() {
    synGlo_.defineParameters(globalSet_, 1);
    synGloIns_.defineParameters(instrumentSet_, config_.parts);
    globalRowObjects_[0] = &synGlo_;
    instrumentRowObjects_[0] = &synGloIns_;
    for (Part_c* settings : {static_cast<Part_c*>(&synGlo_), static_cast<Part_c*>(&synGloIns_)}) {
        Part_c** objects = settings == &synGlo_ ? globalRowObjects_ : instrumentRowObjects_;
        char type[5];
        settings->typeIdText(type);
        const int32_t row = addModuleRow(objects, 1, type, 0, ModuleTableRow::kGlobal);
        if (row >= 0) moduleRows_[row].owner = settings->set();
        bindModuleRow(row);
    }
    tuning_.defineSharedParameters(tuningSet_);
    sysGlo_.defineSharedParameters(systemSet_);
    ecs_.defineSharedParameters(assignmentSet_);
    for (Part_c* shared : {static_cast<Part_c*>(&tuning_), static_cast<Part_c*>(&sysGlo_), static_cast<Part_c*>(&ecs_)})
        shared->attach(this, &tuning_);
    synGlo_.attach(this, &tuning_);
    synGloIns_.attach(this, &tuning_);
}

void Synth::releaseBuffers() {
    for (int32_t r = 0; r < moduleRowCount_; ++r) {
        moduleRows_[r].objects = nullptr;
        moduleRows_[r].owner = nullptr;
    }
    moduleRowCount_ = 0;
    voices_.reset();
    parts_.reset();
    followers_.reset();
    entries_.reset();
    ready_ = false;
    opened_ = false;
    midiRequested_ = false;
}

void Synth::setPart(int32_t index, Instrument_c* part) {
    if (!parts_ || index < 0 || index >= config_.parts) return;
    parts_[index] = part;
    if (part) part->setHost(this, index, config_.voices, false);
    if (part && rate_ > 0.0f) part->setSampleRate(rate_);
    updateReady();
}

void Synth::setVoice(int32_t index, SoundingVoice* voice) {
    if (!voices_ || index < 0 || index >= config_.voices) return;
    voices_[index] = voice;
    if (voice && rate_ > 0.0f) voice->setSampleRate(rate_);
}

Instrument_c* Synth::getPart(int32_t n) const {
    if (!parts_) return nullptr;
    if (n < 0) n = 0;
    if (n >= config_.parts) n = config_.parts - 1;
    return parts_[n];
}

SoundingVoice* Synth::getVoice(int32_t index) const {
    if (!voices_ || index < 0 || index >= config_.voices) return nullptr;
    return voices_[index];
}

int32_t Synth::addModuleRow(Part_c** objects, int32_t count, const char* typeId, int32_t instance, int32_t kind) {
    if (moduleRowCount_ >= ModuleTableRow::kMaxRows || !objects || count <= 0) return -1;
    ModuleTableRow& row = moduleRows_[moduleRowCount_];
    row = ModuleTableRow{};
    row.objects = objects;
    row.count = count;
    row.instance = instance;
    row.kind = kind;
    if (typeId) {
        for (int i = 0; i < 4 && typeId[i]; ++i) row.typeId[i] = typeId[i];
    }
    return moduleRowCount_++;
}

int32_t Synth::registerModuleRow(Part_c** objects, int32_t count, int32_t instance, int32_t kind) {
    if (!objects || count <= 0 || !objects[0]) return -1;
    char type[5];
    objects[0]->typeIdText(type);
    const int32_t row = addModuleRow(objects, count, type, instance, kind);
    if (row < 0) return -1;
    moduleRows_[row].owner = objects[0]->set();
    bindModuleRow(row);
    return row;
}

const ModuleTableRow* Synth::moduleRow(int32_t row) const {
    return row >= 0 && row < moduleRowCount_ ? &moduleRows_[row] : nullptr;
}

void Synth::bindModuleRow(int32_t r) {
    const ModuleTableRow* row = moduleRow(r);
    if (!row || !row->objects) return;
    for (int32_t j = 0; j < row->count; ++j) {
        Part_c* object = row->objects[j];
        if (!object) continue;
        object->attach(this, &tuning_);
        if (sampleRateSet_.load()) object->setSampleRate(rate_);
    }
}

void Synth::addPatchBayEntry(const char* label, int16_t row, InBuffer2_c* target, int32_t targetParam,
                             Part_c* conditionPart, int16_t conditionColumn, int16_t conditionValue) {
    patchBay_.addRoute(label, row, target, targetParam, conditionPart, conditionColumn, conditionValue);
}

void Synth::notifyLinkedParts(Part_c& /*part*/, int /*row*/, int /*column*/) {}

void Synth::routePart(Part_c& part, int row) {
    patchBay_.applyTo(&part, row);
}
