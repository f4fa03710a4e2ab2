// The parameter map: its entries, lookup, the common locked write, the
// controller road, link lists and the editor notification.
#include "framework/synth/Synth.h"

#include <algorithm>

#include "framework/synth/ParameterWriteScope.h"
#include "framework/voice/Instrument_c.h"

void Synth::setParameterEntry(int32_t entry, const char* name, int32_t partCode, Part_c* target, int32_t column,
                              bool hostLocked, EPAS_c::Callback callback) {
    if (!entries_ || entry < 0 || entry >= config_.hostParameterEntries) return;
    entries_[entry].set(entry, name, true, partCode, 0, target, column, hostLocked, -1, callback);
}

const EPAS_c* Synth::parameterEntry(int32_t entry) const {
    if (!entries_ || entry < 0 || entry >= config_.hostParameterEntries) return nullptr;
    return &entries_[entry];
}

void Synth::setLearnExcludedEntry(int32_t slot, int32_t entry) {
    if (slot == 0 || slot == 1) learnExcluded_[slot] = entry;
}

Synth::ParameterTarget Synth::resolve(int32_t entry, int32_t partOfIndex) const {
    ParameterTarget found;
    if (!opened_.load() || !entries_ || entry < 0 || entry >= config_.hostParameterEntries) return found;
    const EPAS_c& e = entries_[entry];
    if (!e.isSetAt(entry) || !e.target() || e.column() < 0) return found;
    found.target = e.target();
    found.column = e.column();
    found.row = e.part() == EPAS_c::kCurrentPart ? std::clamp(partOfIndex, 0, config_.parts - 1) : e.part();
    // Page registers are never set in this plug-in family: the column stays.
    return found;
}

Synth::ParameterTarget Synth::lookupParameter(int32_t entry) const {
    return resolve(entry, currentPart_);
}

Synth::ParameterTarget Synth::lookupHostParameter(int32_t hostIndex, int32_t* entry) const {
    if (hostIndex < 0) return ParameterTarget{};
    const int32_t stride = config_.parameterStride;
    const int32_t e = hostIndex % stride;
    if (entry) *entry = e;
    return resolve(e, hostIndex / stride);
}

int32_t Synth::findModuleRow(const Part_c* target) const {
    if (!target) return -1;
    for (int32_t r = 0; r < moduleRowCount_; ++r)
        if (moduleRows_[r].objects && moduleRows_[r].objects[0] == target) return r;
    for (int32_t r = 0; r < moduleRowCount_; ++r)
        for (int32_t j = 1; moduleRows_[r].objects && j < moduleRows_[r].count; ++j)
            if (moduleRows_[r].objects[j] == target) return r;
    return -1;
}

bool Synth::setParameterLocked(int32_t entry, Part_c* target, int32_t row, int32_t column, float value,
                               bool editorNow) {
    if (!target || !opened_.load()) return true;
    const int32_t moduleRow = findModuleRow(target);
    // Sets outside the module table (system settings, tuning, controller
    // assignment) are not read by the renderer: their own part lock suffices.
    const bool partLocked = moduleRow >= 0 && moduleRows_[moduleRow].kind == ModuleTableRow::kGlobal;
    Instrument_c* part = nullptr;
    if (partLocked) {
        if (row < 0 || row >= config_.parts) return true;
        part = getPart(row);
        if (!part) return true;
    }
    {
        // The audio side never waits for the lock: a write that cannot take
        // it is left to the caller to queue.
        const auto wait = threadrole::onAudioSide() ? ParameterWriteScope::Wait::TryOnly
                                                    : ParameterWriteScope::Wait::Block;
        ParameterWriteScope scope(part ? part->parameterLock() : target->parameterLock(), wait);
        if (scope.isOutermost() && !scope.holdsLock()) return false;
        target->setNormalized(row, column, value);
        if (moduleRow >= 0) {
            const ModuleTableRow& r = moduleRows_[moduleRow];
            if (r.instance == row)
                for (int32_t j = 0; r.objects && j < r.count; ++j)
                    if (r.objects[j]) r.objects[j]->linkedNotify(1, row, column);
        }
        onParameterChanged(row, target, column);
    }
    notifyEditor(entry, editorNow);
    return true;
}

void Synth::setParameterFromController(int32_t entry, Part_c* target, int32_t row, int32_t column, float value) {
    using Road = PendingParameterWrites::Road;
    if (sendFileWorkToIdle(row, entry, Road::Controller, target, column, value)) return;
    if (!setParameterLocked(entry, target, row, column, value, false)) {
        writesForNextBlock_.put(row, entry, Road::Controller, value);
        return;
    }
    if (const EPAS_c* e = parameterEntry(entry))
        if (e->callback()) e->callback()(*this, entry, target, column);
}

void Synth::notifyEditor(int32_t entry, bool now) {
    if (!hasEditorListener() || !followers_ || entry < 0 || entry >= config_.hostParameterEntries) return;
    // Only the editor's own thread draws; every other thread queues.
    now = now && onEditorThread() && !threadrole::onAudioThread();
    editorParameterChanged(entry, now);
    const int16_t* links = &followers_[static_cast<size_t>(entry) * kFollowersPerEntry];
    for (int32_t i = 0; i < kFollowersPerEntry && links[i] >= 0; ++i) editorParameterChanged(links[i], now);
}

void Synth::notifyLinkedEntries(Part_c* target, int32_t column, int32_t part, bool now) {
    if (!entries_) return;
    for (int32_t i = 0; i < config_.hostParameterEntries; ++i) {
        const EPAS_c& e = entries_[i];
        if (!e.isSetAt(i) || e.target() != target || e.column() != column) continue;
        if (e.part() == part || (e.part() == EPAS_c::kCurrentPart && part == currentPart_)) notifyEditor(i, now);
    }
}

void Synth::addParameterLink(int32_t entry, int32_t linked) {
    const int32_t n = config_.hostParameterEntries;
    if (!followers_ || entry < 0 || entry >= n || linked < 0 || linked >= n) return;
    int16_t* links = &followers_[static_cast<size_t>(entry) * kFollowersPerEntry];
    for (int32_t i = 0; i < kFollowersPerEntry; ++i) {
        if (links[i] < 0) {
            links[i] = static_cast<int16_t>(linked);
            return;
        }
    }
}

void Synth::addParameterLink(Part_c* target, int32_t part, int32_t column, int32_t linked) {
    if (!entries_) return;
    for (int32_t i = 0; i < config_.hostParameterEntries; ++i) {
        const EPAS_c& e = entries_[i];
        if (i != linked && e.isSetAt(i) && e.target() == target && e.part() == part && e.column() == column)
            addParameterLink(i, linked);
    }
}

const int16_t* Synth::parameterLinks(int32_t entry) const {
    if (!followers_ || entry < 0 || entry >= config_.hostParameterEntries) return nullptr;
    return &followers_[static_cast<size_t>(entry) * kFollowersPerEntry];
}
