// The chunk roads of the plug-in base: the host's bank and program chunks,
// the stored program chunks per part, and FXP preset files.
#include "framework/synth/Synth.h"
#include "framework/synth/SynthBankChunkHost.h"

#include "framework/platform/MessageBoxes.h"
#include "framework/synth/FxpFormat.h"
#include "framework/synth/ProgramChunk.h"
#include "framework/voice/Instrument_c.h"
#include "os/Clock.h"

#include <algorithm>
#include <limits>
#include <mutex>
#include <new>
#include <vector>

// ------------------------------------------------------------ the table as the chunk code sees it

int SynthBankChunkHost::moduleRowCount() const { return synth_.moduleRowCount(); }

ChunkModuleRow SynthBankChunkHost::moduleRow(int index) const {
    const ModuleTableRow* row = synth_.moduleRow(index);
    ChunkModuleRow view;
    if (row == nullptr)
        return view;
    view.tag = makeSetTypeId({row->typeId[0], row->typeId[1], row->typeId[2], row->typeId[3], 0});
    view.instance = row->instance;
    view.set = row->owner;
    view.kind = row->kind;
    return view;
}

os::RecursiveLock* SynthBankChunkHost::setLock(const ParaSet_c* set) const {
    if (set == nullptr)
        return nullptr;
    if (set == synth_.globalSet_)
        return &synth_.synGlo_.parameterLock();
    if (set == synth_.instrumentSet_)
        return &synth_.synGloIns_.parameterLock();
    if (set == synth_.tuningSet_)
        return &synth_.tuning_.parameterLock();
    if (set == synth_.assignmentSet_)
        return &synth_.ecs_.parameterLock();
    for (int32_t i = 0; i < synth_.moduleRowCount_; ++i) {
        const ModuleTableRow& row = synth_.moduleRows_[i];
        if (row.owner == set && row.objects != nullptr && row.count > 0 && row.objects[0] != nullptr)
            return &row.objects[0]->parameterLock();
    }
    return nullptr;
}

int SynthBankChunkHost::partCount() const { return synth_.partCount(); }
int SynthBankChunkHost::partProgramSlots() const { return synth_.partPrograms_.slotCount(); }
ParaSet_c* SynthBankChunkHost::globalSettingsSet() { return synth_.globalSet_; }
ParaSet_c* SynthBankChunkHost::instrumentSettingsSet() { return synth_.instrumentSet_; }
ParaSet_c* SynthBankChunkHost::tuningSet() { return synth_.tuningSet_; }
ParaSet_c* SynthBankChunkHost::controllerAssignmentSet() { return synth_.assignmentSet_; }

const MemC_c* SynthBankChunkHost::capturedPartProgram(int slot) {
    synth_.capturePartProgram(slot);
    return synth_.storedProgram(slot);
}

void SynthBankChunkHost::loadPartProgram(int slot, const uint8_t* bytes, size_t size) {
    synth_.setProgramChunk(slot, bytes, static_cast<int32_t>(std::min<size_t>(size, kBankChunkCapacity)));
}

void SynthBankChunkHost::beginBankLoad() {
    blockedHere_ = synth_.blockAudio();
    synth_.chunkLoads_.fetch_add(1);
    // Ringing notes fade with the sound they had, before the sets change.
    for (int32_t part = 0; part < synth_.partCount(); ++part) synth_.killPartVoices(part);
    synth_.resetRegisteredModules();
}

void SynthBankChunkHost::runBankClosingSteps() { synth_.runBankClosingSteps(); }

void SynthBankChunkHost::endBankLoad() {
    // The bank reads 'TUN0' straight into the set: the voices hear it from here on.
    synth_.tuning_.publishSetTable();
    synth_.chunkLoads_.fetch_sub(1);
    synth_.unblockAudio(blockedHere_);
}

void SynthBankChunkHost::showBankLoadError(const std::string& text) {
    synth_.postErrorMessage(kBankLoadErrorCaption, text);
}

// ------------------------------------------------------------ host chunks

VstInt32 Synth::getChunk(void** data, bool isPreset) {
    if (data == nullptr)
        return 0;
    *data = nullptr;
    if (!opened_.load())
        return 0;
    // The chunk holds what the instance will be after its first resume.
    initialiseBeforeResume();
    BusyScope busy(*this);
    std::lock_guard<Lock_c> guard(lock_);
    if (hostId_ == HostId::Kore)
        drainIdleQueue();
    if (!hostChunk_)
        hostChunk_.reset(new (std::nothrow) uint8_t[kChunkStoreBytes]);
    if (!hostChunk_)
        return 0;
    size_t size = 0;
    if (isPreset) {
        // A copy: the stored program is replaced by the next load or capture,
        // while the host may still be reading what it was given.
        const uint8_t* program = nullptr;
        size = static_cast<size_t>(getProgramChunk(currentPart_, &program));
        if (program == nullptr || size > kChunkStoreBytes)
            return 0;
        std::copy(program, program + size, hostChunk_.get());
    } else {
        SynthBankChunkHost host(*this);
        size = writeBankChunk(host, hostChunk_.get(), kChunkStoreBytes);
    }
    if (size > 0)
        *data = hostChunk_.get();
    return static_cast<VstInt32>(size);
}

VstInt32 Synth::setChunk(void* data, VstInt32 byteSize, bool isPreset) {
    if (!openIfNeeded())
        return 0;
    BusyScope busy(*this);
    std::lock_guard<Lock_c> guard(lock_);
    drainIdleQueue();
    // A project from elsewhere names presets where the banks lived there:
    // the bank root of this machine is known before its paths are rebased.
    if (!initialised_.load())
        locateBanks();
    VstInt32 result = 0;
    const auto* bytes = static_cast<const uint8_t*>(data);
    if (isPreset) {
        result = std::max<VstInt32>(0, setProgramChunk(currentPart_, bytes, byteSize));
        if (result == 0)
            return 0; // refused: nothing changed
        followHostProgram(currentPart_);
        if (instrumentSet_)
            instrumentSet_->setValue(currentPart_, SynGloIns_c::kNotesOn, 0);
        initPart(currentPart_);
    } else if (bytes != nullptr && byteSize > 0) {
        SynthBankChunkHost host(*this);
        result = static_cast<VstInt32>(loadBankChunk(host, bytes, static_cast<size_t>(byteSize)));
        if (result > 0)
            finishBankLoad();
    }
    lastSetChunk_.store(os::tickMs(), std::memory_order_relaxed);
    chunkWasSet_ = true;
    if (result > 0 && !initialised_.load()) earlyHostWrites_.noteChunk();
    return result;
}

void Synth::resetRegisteredModules() {
    for (int32_t i = 0; i < moduleRowCount_; ++i) {
        const ModuleTableRow& row = moduleRows_[i];
        if (row.owner != nullptr && row.objects != nullptr && row.count > 0 && row.objects[0] != nullptr)
            row.objects[0]->resetParameters();
    }
    initPartPrograms(0, config_.parts);
}

// Inside the hold-off: the current part, its program number and the solo
// state follow the settings the bank brought.
void Synth::runBankClosingSteps() {
    const bool blockedHere = blockAudio();
    if (globalSet_)
        setCurrentPart(globalSet_->getValue(0, SynGlo_c::kEditIns));
    if (instrumentSet_) {
        const int32_t program = instrumentSet_->getValue(currentPart_, SynGloIns_c::kProgram);
        if (program >= 0 && program < numPrograms)
            curProgram.store(program, std::memory_order_relaxed);
    }
    recountSolo();
    unblockAudio(blockedHere);
}

// After a bank was applied (outside the hold-off, still under lock_).
void Synth::finishBankLoad() {
    for (int32_t part = 0; part < config_.parts; ++part) {
        if (!instrumentSet_)
            break;
        instrumentSet_->setValue(part, SynGloIns_c::kNotesOn, 0);
        std::string path;
        instrumentSet_->getTextString(part, SynGloIns_c::kPresetLoadPath, path);
        reselectPartFromPath(part, path, true);
    }
    initialised_ = true;
    for (int32_t part = 0; part < config_.parts; ++part)
        initPart(part);
}

// ------------------------------------------------------------ stored program chunks

int32_t Synth::getProgramChunk(int32_t slot, const uint8_t** data) {
    std::lock_guard<Lock_c> guard(lock_); // the stored programs
    if (data == nullptr)
        return 0;
    *data = nullptr;
    if (!partPrograms_.hasSlot(slot))
        return 0;
    capturePartProgram(slot);
    const MemC_c* chunk = partPrograms_.stored(slot);
    if (chunk == nullptr || chunk->size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()))
        return 0;
    *data = chunk->data();
    return static_cast<int32_t>(chunk->size());
}

void Synth::capturePartProgram(int32_t slot) {
    SynthBankChunkHost host(*this);
    partPrograms_.capture(host, slot, kPartProgramRow);
}

int32_t Synth::setProgramChunk(int32_t slot, const uint8_t* data, int32_t size, bool tellRefusal) {
    std::lock_guard<Lock_c> guard(lock_); // the stored programs
    if (data == nullptr || size <= 0)
        return -1;
    const int32_t perPart = std::max<int32_t>(1, config_.partProgramStores);
    if (!partPrograms_.hasSlot(slot) || slot / perPart >= config_.parts)
        return 0;
    const int32_t part = slot / perPart;
    Instrument_c* instrument = parts_ ? parts_[part] : nullptr;
    if (instrument == nullptr)
        return 0;
    // A program that would apply only in part, or not at all, changes nothing.
    SynthBankChunkHost host(*this);
    const ProgramChunkCheck check = checkProgramChunk(host, slot, kPartProgramRow, data, static_cast<size_t>(size));
    if (!check.applies) {
        if (check.hasBlock && tellRefusal)
            postProgramLoadError(toIdle_, check.refused);
        return 0;
    }
    instrument->setEnabled(false);
    killPartVoices(part);
    if (!partPrograms_.store(slot, data, static_cast<size_t>(size))) {
        instrument->setEnabled(true);
        return 0;
    }
    applyStoredProgram(slot);
    afterProgramLoad(part);
    initPart(part);
    instrument->setEnabled(true);
    editorRefreshAll();
    if (hostId_ != HostId::Cubase && initialised_.load())
        updateDisplay();
    updateReady();
    return size;
}

void Synth::applyStoredProgram(int32_t slot) {
    slot = std::clamp<int32_t>(slot, 0, std::max(0, partPrograms_.slotCount() - 1));
    const MemC_c* chunk = partPrograms_.stored(slot);
    if (chunk == nullptr)
        return;
    const int32_t part = slot / std::max<int32_t>(1, config_.partProgramStores);
    Instrument_c* instrument = parts_ && part < config_.parts ? parts_[part] : nullptr;
    if (instrument)
        instrument->programLock().enter();
    SynthBankChunkHost host(*this);
    applyProgramChunk(host, slot, kPartProgramRow, chunk->data(), chunk->size(), toIdle_);
    if (instrument)
        instrument->programLock().leave();
}

void Synth::clearProgramChunk(int32_t slot) {
    std::lock_guard<Lock_c> guard(lock_); // the stored programs
    if (!partPrograms_.hasSlot(slot))
        return;
    partPrograms_.clear(slot);
    SynthBankChunkHost host(*this);
    for (int32_t i = 0; i < host.moduleRowCount(); ++i) {
        const ChunkModuleRow row = host.moduleRow(i);
        if (row.kind == kPartProgramRow && row.set != nullptr)
            row.set->resetRow(slot);
    }
    const int32_t part = slot / std::max<int32_t>(1, config_.partProgramStores);
    afterProgramLoad(part);
    initPart(part);
}

// ------------------------------------------------------------ FXP preset files

void Synth::automatePresetMarker() {
    setParameterAutomated(kPresetMarkerEntry, 1.0f);
    setParameterAutomated(kPresetMarkerEntry, static_cast<float>(random_.next()) / os::Random15::kMax);
}

std::vector<uint8_t> Synth::readProgramFileChunk(const std::string& path) const {
    Disk_c file;
    if (path.empty() || !file.openRead(path))
        return {};
    // A file may carry bytes after its chunk; more than the largest chunk is never needed.
    std::vector<uint8_t> bytes(std::min(file.size(), fxp::kHeaderSize + fxp::kMaxChunkSize));
    bytes.resize(file.read(bytes.data(), bytes.size()));
    fxp::ProgramFile program;
    if (fxp::decodeProgramFile(bytes.data(), bytes.size(), config_.acceptedPluginIds, program) !=
        fxp::DecodeResult::Ok)
        return {};
    return std::move(program.chunk);
}

int32_t Synth::loadProgramFile(int32_t slot, const std::string& path, bool markForHost) {
    std::lock_guard<Lock_c> guard(lock_); // the stored programs
    const std::vector<uint8_t> chunk = readProgramFileChunk(path);
    if (chunk.empty())
        return 0;
    // The caller shows the one error box of a refused file.
    const int32_t result = setProgramChunk(slot, chunk.data(), static_cast<int32_t>(chunk.size()), false);
    if (result <= 0)
        return result; // refused: nothing changed
    if (instrumentSet_) {
        const int32_t part = std::clamp<int32_t>(slot / std::max<int32_t>(1, config_.partProgramStores), 0,
                                                 config_.parts - 1);
        instrumentSet_->setText(part, SynGloIns_c::kPresetLoadPath, path);
        reselectPartFromPath(part, path, false);
    }
    if (markForHost)
        automatePresetMarker();
    return result;
}

bool Synth::saveProgramFile(int32_t slot, const std::string& path, std::string* reason) {
    std::lock_guard<Lock_c> guard(lock_); // the stored programs
    if (path.empty())
        return false;
    // The name first: before the plug-in is initialised, asking for it lists
    // the default bank and loads its first preset, which replaces the stored
    // chunk. The chunk fetched afterwards is the program as it stands now.
    char name[320] = {};
    getProgramName(name);
    const uint8_t* chunk = nullptr;
    const int32_t size = getProgramChunk(slot, &chunk);
    const std::vector<uint8_t> bytes =
        size > 0 ? fxp::encodeProgramFile(static_cast<uint32_t>(cEffect.uniqueID), name, chunk, static_cast<size_t>(size))
                 : std::vector<uint8_t>();
    if (bytes.empty()) {
        if (reason)
            *reason = "the program could not be put into a preset";
        return false;
    }
    Disk_c file;
    if (!file.openWrite(path) || !file.write(bytes.data(), bytes.size()) || !file.close()) {
        if (reason)
            *reason = file.errorText();
        return false;
    }
    if (systemSet_ && systemSet_->getBool(0, SysGlo_c::kJumpToSaveDir) && instrumentSet_) {
        reselectPartFromPath(currentPart_, path, false);
        instrumentSet_->setText(currentPart_, SynGloIns_c::kPresetLoadPath, path);
    }
    automatePresetMarker();
    return true;
}
