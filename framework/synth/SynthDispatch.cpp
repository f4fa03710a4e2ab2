// The parameter-change dispatcher: a changed setting of 'SYG0' or 'SYG1'
// becomes its effect (program and bank selections, preset files, the current
// part, mute and solo, outputs, reception switches, concert pitch, editor
// keyboard notes); the command entry of the editor and the idle side; the
// notification after a program load; the module dialogs' default folder.
//
// Threads: onParameterChanged runs on the writing thread inside the part's
// parameter lock; work that must not run there is posted (idle side: program
// and bank selections, the current part; audio side: notes off, controller
// values to the host). File work never runs on the audio thread.
#include "framework/synth/Synth.h"

#include <algorithm>
#include <cmath>

#include "framework/platform/MessageBoxes.h"
#include "os/PathText.h"
#include "framework/platform/Registry.h"
#include "framework/voice/Instrument_c.h"

namespace {
constexpr const char* kPresetLoadErrorCaption = "Load Error";
constexpr const char* kPresetLoadErrorText = "This preset could not be loaded!";
// A "keyboard" value is key × 1000 + velocity; this and above is no note.
constexpr int32_t kNoKeyboardNote = 200000;
// Left and right arrow as the editor reports them (VST virtual keys).
constexpr int32_t kVirtualKeyLeft = 11;
constexpr int32_t kVirtualKeyRight = 13;
} // namespace

void Synth::onParameterChanged(int32_t row, Part_c* target, int32_t column) {
    const ParaSet_c* set = target ? target->set() : nullptr;
    const bool global = set && set == globalSet_;
    const bool instrument = set && set == instrumentSet_;
    const bool all = column == -1;
    const bool rowValid = row >= 0 && row < config_.parts;

    if (global && column == SynGlo_c::kEditIns) {
        const int32_t part = synGlo_.getValue(0, SynGlo_c::kEditIns);
        // Only the thread inside the host or editor call acts at once: another
        // thread's call (the audio thread's controller road among them) must not
        // make this one refresh the editor or call the host.
        if (actsNowOnThisThread())
            setCurrentPart(part);
        else
            postIdleCommand(kCmdSetCurrentPart, static_cast<int16_t>(part), 0, 0, 0, kPushAppend);
    }
    if ((global && column == SynGlo_c::kGloTune) || all) {
        // Stored in tenths of Hz: offset in quarter octaves from 440 Hz.
        // The ratio to 440 Hz in single precision, as the voices have always
        // had it: 4400 gives exactly 1, so the standard pitch is untouched.
        const float ratio = static_cast<float>(synGlo_.getValue(0, SynGlo_c::kGloTune)) * 0.00022727273f;
        if (ratio > 0.0f) {
            const double offset = std::log(static_cast<double>(ratio)) * 0.36067376022224085;
            tuneOffset_.store(static_cast<float>(offset), std::memory_order_relaxed);
            tuneRatio_.store(static_cast<float>(std::pow(2.0, 4.0 * offset)), std::memory_order_relaxed);
        }
    }
    if ((global && column == SynGlo_c::kMidiCcMode) || all) {
        const int32_t previous = lastControllerMode_;
        lastControllerMode_ = synGlo_.getValue(0, SynGlo_c::kMidiCcMode);
        // "receive only" to "receive+send": the host learns every value.
        if (lastControllerMode_ == previous + 1) postAudioCommand(kCmdSendControllersToHost, -1, -1, 0, 0, kPushReplace);
    }
    if (global && column == SynGlo_c::kKeyboard) {
        const int32_t v = synGlo_.getValue(0, SynGlo_c::kKeyboard);
        if (v < kNoKeyboardNote) queueEditorNote(row, v / 1000, v % 1000, 0, true);
    }
    if (instrument && column == SynGloIns_c::kSolo) updateMuteSolo(row, true, 0, config_.parts - 1, false);
    if (instrument && column == SynGloIns_c::kMute) updateMuteSolo(row, false, 0, config_.parts - 1, false);
    if (instrument && column == SynGloIns_c::kOutputSelection && rowValid) applyPartOutput(row);
    if (instrument && column == SynGloIns_c::kBank && rowValid)
        postIdleCommand(kCmdSelectPartBank, static_cast<int16_t>(row),
                        static_cast<int16_t>(synGloIns_.getValue(row, SynGloIns_c::kBank)), 0, 0, kPushAppend);
    if (instrument && column == SynGloIns_c::kProgram && rowValid) {
        curProgram.store(getPartProgramNumber(getCurrentPart()), std::memory_order_relaxed);
        postIdleCommand(kCmdSelectPartProgram, static_cast<int16_t>(row),
                        static_cast<int16_t>(synGloIns_.getValue(row, SynGloIns_c::kProgram)), 0, 0, kPushAppend);
    }
    if (global && column == SynGlo_c::kBank)
        postIdleCommand(kCmdSelectGlobalBank, 0, static_cast<int16_t>(synGlo_.getValue(0, SynGlo_c::kBank)), 0, 0,
                        kPushAppend);
    if (global && column == SynGlo_c::kProgram) {
        const int32_t program = synGlo_.getValue(0, SynGlo_c::kProgram);
        curProgram.store(program, std::memory_order_relaxed);
        postIdleCommand(kCmdSelectGlobalProgram, 0, static_cast<int16_t>(program), 0, 0, kPushAppend);
    }
    if (instrument && rowValid && (column == SynGloIns_c::kPresetSavePath || column == SynGloIns_c::kPresetLoadPath)) {
        // Preset files are read and written under the plug-in lock, which
        // guards the stored programs. A writer that does not hold it (the
        // host's or editor's parameter road, inside a part's parameter lock,
        // or the audio thread) hands the work to the idle side: taking the
        // plug-in lock inside a parameter lock could deadlock with the drain.
        if (!lock_.heldByThisThread()) {
            postIdleCommand(kCmdSettingChanged, static_cast<int16_t>(row), static_cast<int16_t>(column),
                            reinterpret_cast<intptr_t>(target), 0, kPushAppend);
            return;
        }
        if (column == SynGloIns_c::kPresetSavePath) {
            std::string savePath, reason;
            synGloIns_.getTextString(row, SynGloIns_c::kPresetSavePath, savePath);
            if (!savePath.empty() && !saveProgramFile(row, savePath, &reason))
                showSaveError("This preset", savePath, reason);
        } else {
            loadPartPreset(row);
            return;
        }
    }
    // The reception switches and the transpose of "Note Fade": only the
    // instrument settings, or every column.
    const bool reception = column == SynGloIns_c::kReceiveModWheel || column == SynGloIns_c::kReceiveAftertouch ||
                           column == SynGloIns_c::kReceiveSustain || column == SynGloIns_c::kNoteFade;
    if (reception && !instrument && !all) return;
    Instrument_c* part = rowValid ? getPart(row) : nullptr;
    if (part && (all || column == SynGloIns_c::kReceiveModWheel))
        part->setReceiveModWheel(synGloIns_.getBool(row, SynGloIns_c::kReceiveModWheel));
    if (part && (all || column == SynGloIns_c::kReceiveAftertouch))
        part->setReceiveAftertouch(synGloIns_.getBool(row, SynGloIns_c::kReceiveAftertouch));
    if (part && (all || column == SynGloIns_c::kReceiveSustain))
        part->setSustainEnabled(synGloIns_.getBool(row, SynGloIns_c::kReceiveSustain));
    if (part && (all || column == SynGloIns_c::kNoteFade)) {
        postAudioCommand(kCmdAllNotesOff, static_cast<int16_t>(row), 0, 0, 0, kPushSkipIdentical);
        part->setTranspose(synGloIns_.getValue(row, SynGloIns_c::kNoteFade));
    }
    if (all && entries_) {
        for (int32_t i = 0; i < config_.hostParameterEntries; ++i) {
            const EPAS_c& e = entries_[i];
            if (!e.isSetAt(i) || !e.callback()) continue;
            const ParameterTarget t = lookupParameter(i);
            e.callback()(*this, i, t.target, t.column);
        }
    }
}

bool Synth::loadPartPreset(int32_t part) {
    const std::string path = getPresetLoadPathText(part);
    if (path.empty())
        return false;
    if (loadProgramFile(part, path) > 0)
        return true;
    showErrorBox(kPresetLoadErrorCaption, kPresetLoadErrorText);
    return false;
}

bool Synth::handleCommand(int32_t code, int32_t a, int32_t b, intptr_t /*p*/) {
    BusyScope busy(*this);
    const int32_t part = a == -1 ? getCurrentPart() : a;
    switch (code) {
    case kCmdEditorKeyPress: {
        const int32_t key = b % 256;
        if (key == kVirtualKeyLeft) return handleCommand(kCmdPreviousProgram, 0, 0, 0);
        if (key == kVirtualKeyRight) return handleCommand(kCmdNextProgram, 0, 0, 0);
        return false; // the editor handles every other key itself
    }
    case kCmdPresetPathToText: {
        const std::string path = getPresetLoadPathText(getCurrentPart());
        setParameterText(a, path.c_str());
        return true;
    }
    case kCmdNextProgram: stepPartProgram(part, true); return true;
    case kCmdPreviousProgram: stepPartProgram(part, false); return true;
    case kCmdSwapFrames: swapEditorFrames(); return true;
    // The part note hook, the assignment removal (its index is never set in
    // this family) and the editor's page modes do nothing here.
    case kCmdPartNoteHook:
    case kCmdRemoveAssignments:
    case kCmdPageModeOn:
    case kCmdPageModeOff: return true;
    default: return false;
    }
}

void Synth::announceRowChanged(int32_t row, int32_t kind) {
    postAudioCommand(kCmdSendControllersToHost, -1, -1, 0, 0, kPushReplace);
    for (int32_t r = 0; r < moduleRowCount_; ++r) {
        const ModuleTableRow& entry = moduleRows_[r];
        if (entry.kind != kind || !entry.objects || !entry.objects[0]) continue;
        entry.objects[0]->parameterChanged(row, -1);
        if (entry.instance != row) continue;
        for (int32_t j = 0; j < entry.count; ++j)
            if (entry.objects[j] && entry.objects[j]->isPublished()) entry.objects[j]->linkedNotify(2, row, -1);
    }
}

void Synth::moduleFilePath(const char* moduleName) {
    if (!moduleName || !*moduleName) return;
    const std::string folder = Disk_c::getModuleFolder();
    if (folder.empty()) return;
    const std::string product = productName();
    const std::string valueName = product + "_MOD_" + moduleName;
    // Only a default: a folder the user chose before stays.
    std::string stored;
    if (!readRegistryString(valueName, stored))
        writeRegistryString(valueName, pathtext::joined(pathtext::joined(folder, product + "Mod"), moduleName));
}
