// The program side of the plug-in base: per-part program and bank lists over
// the bank folders, the host's and the parts' program selections, the
// program-number mirror, program names, the work after a program load, the
// preset folder opened at start, the stored preset paths and the current part.
//
// Threads: the idle side (under lock_) and host or editor calls; never the
// audio thread, which only reads the current part. The selections that load
// a preset take lock_ themselves (never call them inside a parameter lock).
#include "framework/synth/Synth.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "os/PathText.h"
#include "framework/sdk/ValueText.h"
#include "framework/voice/Instrument_c.h"
#include "os/Clock.h"

namespace {
// Host program changes are ignored this long after a setChunk (the host is
// still restoring its project) and, in Fruity, after open.
constexpr int32_t kHoldOffAfterChunkMs = 1000;
constexpr int32_t kHoldOffAfterOpenFruityMs = 1500;
// The highest bank a selection accepts (127 values).
constexpr int32_t kMaxBank = 126;
// The file list's error text, never a path.
constexpr const char* kFileListError = "fault";

// A host that answers updateDisplay by asking for the program again must not
// re-enter the display request (process-wide, as hosts call back on any instance).
std::atomic<bool> displayRequestRunning{false};

bool withinHoldOff(uint32_t now, uint32_t since, int32_t window) {
    const int32_t elapsed = os::tickDiff(now, since);
    return elapsed >= 0 && elapsed < window;
}
} // namespace

// ------------------------------------------------------------ lists

FileList_c& Synth::partProgramList(int32_t part) {
    return programLists_[static_cast<size_t>(std::clamp(part, 0, config_.parts - 1))];
}

FileList_c& Synth::partBankList(int32_t part) {
    return bankLists_[static_cast<size_t>(std::clamp(part, 0, config_.parts - 1))];
}

// ------------------------------------------------------------ selections

void Synth::hostProgramChange(int32_t program) {
    const uint32_t now = os::tickMs();
    const bool afterChunk =
        chunkWasSet_.load() && withinHoldOff(now, lastSetChunk_.load(std::memory_order_relaxed), kHoldOffAfterChunkMs);
    const bool fruityOpening = hostId_ == HostId::Fruity && opened_.load() &&
                               withinHoldOff(now, openTime_, kHoldOffAfterOpenFruityMs);
    if (afterChunk || fruityOpening) {
        bool idle = false;
        if (displayRequestRunning.compare_exchange_strong(idle, true)) {
            updateDisplayIfInitialised();
            displayRequestRunning = false;
        }
        return;
    }
    if (!opened_.load() || program == getProgramNumber(hasGlobalProgramList())) return;
    if (hasGlobalProgramList())
        selectGlobalProgram(program);
    else
        selectPartProgram(getCurrentPart(), program);
}

void Synth::selectPartProgram(int32_t part, int32_t program) {
    std::lock_guard<Lock_c> guard(lock_); // the preset is loaded here, not on the idle side
    if (!opened_.load() || part != getCurrentPart() || program < 0 || program >= numPrograms) return;
    FileList_c& programs = partProgramList(part);
    // A host's program that is no listed file left the list empty: the
    // part's bank is listed again, so program changes and the arrows lead on.
    const bool relisted = programs.count() == 0 && relistPartBank(part);
    if (program >= programs.count()) {
        if (relisted) programs.clear();
        return;
    }
    const int32_t previousProgram = synGloIns_.getValue(part, SynGloIns_c::kProgram);
    const std::string previousPath = getPresetLoadPathText(part);
    synGloIns_.setValue(part, SynGloIns_c::kProgram, program);
    const char* path = programs.getFullPath(program);
    synGloIns_.setText(part, SynGloIns_c::kPresetLoadPath, path ? path : "");
    if (!hasGlobalProgramList()) setProgramNumber(program, false);
    if (!loadPartPreset(part)) {
        // Nothing changed: the host and the menus keep the program that sounds.
        synGloIns_.setValue(part, SynGloIns_c::kProgram, previousProgram);
        synGloIns_.setText(part, SynGloIns_c::kPresetLoadPath, previousPath);
        if (!hasGlobalProgramList()) setProgramNumber(previousProgram, false);
        if (relisted) programs.clear(); // the off-list program still sounds
        editorRefreshAll();
    }
    updateDisplayIfInitialised();
}

bool Synth::relistPartBank(int32_t part) {
    const char* folder = partBankList(part).getFullPath(synGloIns_.getValue(part, SynGloIns_c::kBank));
    if (!folder) return false;
    partProgramList(part).rescan(folder, false);
    return true;
}

void Synth::selectPartBank(int32_t part, int32_t bank) {
    std::lock_guard<Lock_c> guard(lock_); // the preset is loaded here, not on the idle side
    if (!opened_.load() || bank < 0 || bank > kMaxBank || part != getCurrentPart()) return;
    FileList_c& banks = partBankList(part);
    if (bank >= banks.count()) return;
    const int32_t previousBank = synGloIns_.getValue(part, SynGloIns_c::kBank);
    const int32_t previousProgram = synGloIns_.getValue(part, SynGloIns_c::kProgram);
    FileList_c& programs = partProgramList(part);
    const std::string previousFolder = programs.folder();
    synGloIns_.setValue(part, SynGloIns_c::kBank, bank);
    synGloIns_.setValue(part, SynGloIns_c::kProgram, 0);
    const char* folder = banks.getFullPath(bank);
    programs.rescan(folder ? folder : "", false);
    const char* first = programs.getFullPath(0);
    if (first) {
        const std::string previousPath = getPresetLoadPathText(part);
        synGloIns_.setText(part, SynGloIns_c::kPresetLoadPath, first);
        if (!loadPartPreset(part)) {
            // Nothing changed: the bank and the program that sound stay current.
            synGloIns_.setText(part, SynGloIns_c::kPresetLoadPath, previousPath);
            synGloIns_.setValue(part, SynGloIns_c::kBank, previousBank);
            synGloIns_.setValue(part, SynGloIns_c::kProgram, previousProgram);
            programs.rescan(previousFolder, false);
            editorRefreshAll();
            return;
        }
        setProgramNumber(0, false);
    } else {
        editorRefreshAll();
    }
    currentBankIndex_ = bank;
}

void Synth::stepPartProgram(int32_t part, bool up) {
    if (!opened_.load()) return;
    part = std::clamp(part, 0, config_.parts - 1);
    const int32_t last = partProgramList(part).count() - 1;
    const int32_t program = synGloIns_.getValue(part, SynGloIns_c::kProgram) + (up ? 1 : -1);
    selectPartProgram(part, std::max(0, std::min(program, last)));
}

// ------------------------------------------------------------ program-number mirror

void Synth::setProgramNumber(int32_t value, bool global) {
    if (global) {
        synGlo_.setValue(0, SynGlo_c::kProgram, value);
        curProgram.store(synGlo_.getValue(0, SynGlo_c::kProgram), std::memory_order_relaxed);
    } else {
        const int32_t part = getCurrentPart();
        synGloIns_.setValue(part, SynGloIns_c::kProgram, value);
        curProgram.store(synGloIns_.getValue(part, SynGloIns_c::kProgram), std::memory_order_relaxed);
    }
}

int32_t Synth::getProgramNumber(bool global) const {
    return global ? synGlo_.getValue(0, SynGlo_c::kProgram) : getPartProgramNumber(getCurrentPart());
}

int32_t Synth::getPartProgramNumber(int32_t part) const {
    return synGloIns_.getValue(std::clamp(part, 0, config_.parts - 1), SynGloIns_c::kProgram);
}

// ------------------------------------------------------------ names

void Synth::getProgramName(char* name) {
    if (!name) return;
    name[0] = '\0';
    if (!opened_.load()) return;
    BusyScope busy(*this);
    if (hostId_ == HostId::Kore) drainIdleQueue();
    getProgramNameIndexed(0, curProgram.load(std::memory_order_relaxed), name);
}

bool Synth::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 index, char* text) {
    if (!text || index < 0 || index >= numPrograms) return false;
    // Hosts ask for names before they resume: open first, so that the
    // initialise hook finds its part and the default preset loads.
    if (!openIfNeeded()) return false;
    initialiseBeforeResume();
    // The idle side rescans the list under the same lock.
    std::lock_guard<Lock_c> guard(lock_);
    const char* name = partProgramList(getCurrentPart()).getName(index);
    vsttext::copyText(text, name ? name : "unknown", kVstMaxProgNameLen - 1);
    return true;
}

void Synth::setProgramName(char* name) {
    if (!name || !opened_.load()) return;
    BusyScope busy(*this);
    renameProgram(getCurrentPart(), name);
}

void Synth::renameProgram(int32_t part, const char* name) {
    constexpr int32_t kNameRow = 2;   // the plug-in class's first registered row
    constexpr int32_t kNameColumn = 1;
    const ModuleTableRow* row = moduleRow(kNameRow);
    if (!name || !row || !row->owner) return;
    row->owner->setText(part, kNameColumn, std::string_view(name, strnlen(name, pathtext::kPathBufferSize - 1)));
    if (row->objects && row->objects[0]) notifyLinkedEntries(row->objects[0], kNameColumn, part, true);
}

void Synth::updateDisplayIfInitialised() {
    if (initialised_.load()) updateDisplay();
}

// ------------------------------------------------------------ after a program load

void Synth::afterProgramLoad(int32_t part) {
    part = std::clamp(part, 0, config_.parts - 1);
    onParameterChanged(part, nullptr, -1);
    synGlo_.parameterChanged(part, -1);
    synGloIns_.parameterChanged(part, -1);
    if (!engineGlobalPart_) return;
    engineGlobalPart_->parameterChanged(part, -1);
    announceRowChanged(part, ModuleTableRow::kGlobal);
    // The voices share their sets: one stands for all.
    if (SoundingVoice* voice = getVoice(0)) voice->rowChanged(part);
    Instrument_c* instrument = parts_ ? parts_[part] : nullptr;
    if (!instrument) return;
    instrument->rowChanged(part);
    applyPatchBay(part);
    editorRefreshAll();
}

// ------------------------------------------------------------ paths

bool Synth::reselectPartFromPath(int32_t part, const std::string& path, bool rebase) {
    if (!programLists_ || path.empty()) return false;
    std::lock_guard<Lock_c> guard(lock_); // the file menus read the lists under it
    part = std::clamp(part, 0, config_.parts - 1);
    std::string located = path;
    if (rebase) rebasePresetPath(located);
    const int32_t listedBank = partBankList(part).selectPath(located.c_str(), true);
    const int32_t bank = std::max(0, listedBank);
    const int32_t listedProgram = partProgramList(part).selectPath(located.c_str(), false);
    const int32_t program = std::max(0, listedProgram);
    synGloIns_.setValue(part, SynGloIns_c::kBank, bank);
    synGloIns_.setValue(part, SynGloIns_c::kProgram, program);
    // The bank menu and the bank steps start from the folder of the preset
    // that sounds, not from the last bank chosen; none when it is not listed.
    if (part == getCurrentPart()) currentBankIndex_ = listedBank >= 0 ? listedBank : -1;
    if (!hasGlobalProgramList() && part == getCurrentPart()) setProgramNumber(program, false);
    if (notifications_.load()) {
        editorRefreshAll();
        updateDisplayIfInitialised();
    }
    return listedProgram >= 0;
}

void Synth::followHostProgram(int32_t part) {
    if (!programLists_) return;
    part = std::clamp(part, 0, config_.parts - 1);
    const std::string path = getPresetLoadPathText(part);
    // Rebased first (the banks may live elsewhere on this machine); then,
    // when the file is there, as carried (a preset kept outside the banks).
    if (reselectPartFromPath(part, path, true)) return;
    if (!readProgramFileChunk(path).empty() && reselectPartFromPath(part, path, false)) return;
    // Not a listed file (a preset from elsewhere, or one saved without a
    // path): the program list names nothing rather than another preset, and
    // without a path no bank is named either. The bank menu and the bank
    // steps still lead to every listed preset.
    std::lock_guard<Lock_c> guard(lock_);
    partProgramList(part).clear();
    synGloIns_.setValue(part, SynGloIns_c::kProgram, 0);
    if (path.empty()) {
        synGloIns_.setValue(part, SynGloIns_c::kBank, 0);
        if (part == getCurrentPart()) currentBankIndex_ = -1;
    }
    if (!hasGlobalProgramList() && part == getCurrentPart()) setProgramNumber(0, false);
    if (notifications_.load()) {
        editorRefreshAll();
        updateDisplayIfInitialised();
    }
}

void Synth::setPresetLoadPathText(int32_t part, const char* path) {
    if (part < 0 || part >= config_.parts || !path) return;
    synGloIns_.setText(part, SynGloIns_c::kPresetLoadPath, std::strcmp(path, kFileListError) == 0 ? "" : path);
}

std::string Synth::getPresetLoadPathText(int32_t part) const {
    std::string text;
    if (part >= 0 && part < config_.parts) synGloIns_.getTextString(part, SynGloIns_c::kPresetLoadPath, text);
    return text;
}

void Synth::setMultiLoadText(const char* text) {
    synGlo_.setText(0, SynGlo_c::kMultiLoad, text ? text : "");
}

std::string Synth::getMultiLoadText() const {
    std::string text;
    synGlo_.getTextString(0, SynGlo_c::kMultiLoad, text);
    return text;
}

void Synth::setDefaultPresetPath(const std::string& path) {
    sysGlo_.setText(0, SysGlo_c::kDefaultPresetPath, path);
    if (!path.empty()) bankRoot_ = std::string(pathtext::folderOf(pathtext::folderOf(path)));
}

std::string Synth::resolveDefaultPresetPath(const char* path, bool keep) {
    std::string resolved;
    sysGlo_.getTextString(0, SysGlo_c::kDefaultPresetPath, resolved);
    if (resolved.empty() || !keep) {
        resolved = path ? path : "";
        if (path) setDefaultPresetPath(resolved);
    }
    bankRoot_ = resolved.empty() ? std::string() : std::string(pathtext::folderOf(pathtext::folderOf(resolved)));
    return resolved;
}

void Synth::rebasePresetPath(std::string& path) const {
    if (path.empty() || bankRoot_.empty()) return;
    const std::string_view bank = pathtext::fileNameOf(pathtext::folderOf(path));
    const std::string_view file = pathtext::fileNameOf(path);
    // A path without a bank folder and a file name stays as it was.
    if (bank.empty() || file.empty()) return;
    path = pathtext::joined(pathtext::joined(bankRoot_, bank), file);
}

// ------------------------------------------------------------ the preset folder at start

std::string Synth::presetFolderPath(const char* folder) const {
    if (!folder) return {};
    if (pathtext::isAbsolutePath(folder)) return folder;
    const std::string base = Disk_c::getModuleFolder();
    if (base.empty() || !*folder) return {};
    return pathtext::joined(base, folder);
}

void Synth::locatePresetFolder(const char* folder, bool keep) {
    std::lock_guard<Lock_c> guard(lock_);
    if (!programLists_ || initialised_.load()) return;
    loadSystemSettings();
    const std::string path = presetFolderPath(folder);
    if (path.empty()) return;
    // A copy: the part's own lists stay as the restored program sets them.
    FileList_c programs = partProgramList(0);
    programs.rescan(path, false);
    const char* listed = programs.getFullPath(0);
    const std::string first = listed ? listed : "";
    std::string preset;
    sysGlo_.getTextString(0, SysGlo_c::kDefaultPresetPath, preset);
    if (preset.empty() || !keep || (!first.empty() && preset != first && readProgramFileChunk(preset).empty()))
        preset = first;
    if (!preset.empty()) bankRoot_ = std::string(pathtext::folderOf(pathtext::folderOf(preset)));
}

void Synth::openPresetFolder(const char* folder, bool keep) {
    std::lock_guard<Lock_c> guard(lock_); // the preset is loaded here, not on the idle side
    if (!folder || !programLists_) return;
    loadSystemSettings();
    const std::string path = presetFolderPath(folder);
    if (path.empty()) return;
    // Host program changes asked for before the folder was listed found no
    // program to select; served now they would replace the default preset
    // depending on when the first idle call comes. They count as served.
    toIdle_.cancel(kCmdHostProgramChange);
    hostProgramChange(0);
    const bool startup = !initialised_.load();
    // At start-up the default preset fills in what the host left unset:
    // never over a program chunk the host loaded...
    const bool hostProgram = startup && earlyHostWrites_.chunkLoaded();
    for (int32_t part = 0; part < config_.parts; ++part) {
        FileList_c& programs = partProgramList(part);
        programs.rescan(path, false);
        // The banks beside the folder, whether or not a preset loads: the
        // user can always choose another one.
        FileList_c& banks = partBankList(part);
        banks.rescan(pathtext::folderOf(path), true);
        synGloIns_.setValue(part, SynGloIns_c::kBank, std::max(0, banks.indexOf(pathtext::fileNameOf(path))));
        const char* listed = programs.getFullPath(0);
        const std::string first = listed ? listed : "";
        const std::string preset = resolveDefaultPresetPath(listed, keep);
        if (preset.empty()) break;
        globalLoad_ = false;
        // A stored default that does not load (the data folder moved, the
        // file broke) counts as none stored. The host's program is not
        // replaced, but the bank folders are found from a default that is there.
        // The start-up load is no change of the host's project: it is not
        // marked to the host.
        const bool fallBack = !first.empty() && preset != first;
        if (hostProgram) {
            if (fallBack && readProgramFileChunk(preset).empty()) resolveDefaultPresetPath(first.c_str(), false);
        } else if (loadProgramFile(part, preset, !startup) <= 0 && fallBack) {
            loadProgramFile(part, resolveDefaultPresetPath(first.c_str(), false), !startup);
        }
    }
    // The lists, the number and the name follow the host's program, not the
    // folder just listed.
    if (hostProgram) followHostProgram(currentPart_);
    initialised_ = true;
    // ...nor over the values the host set: they are written again.
    if (startup) {
        earlyHostWrites_.replay([this](int32_t slot, float value) {
            const int32_t entries = config_.hostParameterEntries;
            setParameterFromHost((slot / entries) * config_.parameterStride + slot % entries, value);
        });
    }
}

void Synth::initPartPrograms(int32_t first, int32_t end) {
    first = std::max(first, 0);
    end = std::min(end, config_.parts);
    for (int32_t i = first; i < end; ++i) {
        // Host and editor writers of the part hold its lock: so does this.
        Instrument_c* part = getPart(i);
        std::unique_lock<os::RecursiveLock> guard;
        if (part) guard = std::unique_lock<os::RecursiveLock>(part->parameterLock());
        synGloIns_.setValue(i, SynGloIns_c::kProgram, i);
        synGloIns_.setValue(i, SynGloIns_c::kEdited, i == 0 ? 1 : 0);
    }
    for (int32_t i = first; i < end; ++i) initPart(i);
}

// ------------------------------------------------------------ the current part

void Synth::setCurrentPart(int32_t part) {
    part = std::clamp(part, 0, config_.parts - 1);
    if (part == getCurrentPart()) return;
    currentPart_ = part;
    synGlo_.setValue(0, SynGlo_c::kEditIns, part);
    if (!hasGlobalProgramList()) curProgram.store(getPartProgramNumber(part), std::memory_order_relaxed);
    for (int32_t i = 0; i < config_.parts; ++i) synGloIns_.setValue(i, SynGloIns_c::kEdited, i == part ? 1 : 0);
    editorRefreshAll();
    if (!opening_.load()) updateDisplayIfInitialised();
}
