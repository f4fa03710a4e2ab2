#include "framework/settings/ECS2_c.h"

#include "framework/platform/MessageBoxes.h"
#include "framework/platform/ModuleManager_c.h"
#include "framework/platform/SynthServices.h"
#include "framework/settings/RegistrySet.h"
#include "os/Clock.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kNrpnLsb = 98;
constexpr int kNrpnMsb = 99;
constexpr int kDataIncrement = 96;
constexpr int kDataDecrement = 97;
constexpr float kParRange = 1000.0f; // "Min Par"/"Max Par" count tenths of a percent

int clampIndex(int i) { return std::clamp(i, 0, ECS2_c::kAssignments - 1); }

uint32_t systemClock(const void* /*context*/) { return os::tickMs(); }

} // namespace

ECS2_c::ECS2_c(SynthServices* synth, std::string_view engineName, Clock clock, const void* clockContext)
    : synth_(synth), clock_(clock ? clock : &systemClock), clockContext_(clockContext),
      value_(std::string(engineName) + "ECS2") {
    clearAll();
}

void ECS2_c::defineParameters(ParaSet_c*& sharedSet, int /*rows*/) { defineSharedParameters(sharedSet); }

void ECS2_c::defineSharedParameters(ParaSet_c*& sharedSet) {
    if (!adoptSet(sharedSet, 1, kColumnCount))
        return;
    ParaSet_c& s = *set();
    s.columnDefinition(kVersion)->defineNumber("Version", "", 0.0f, 200, 9900, 2, 200);
    s.columnDefinition(kOnOff)->defineSwitch("On/Off", 0);
    s.columnDefinition(kMode)->defineOptions("Mode", "", 0, 6, 9, 0,
                                             "Off      Learn    Clear    Clear AllLoad     Save     Rest.Fact");
    s.columnDefinition(kReserved0)->defineNumber("Glo Reserved0", "", 0.0f, 0, 1, 0, 0);
    s.columnDefinition(kReserved1)->defineNumber("Glo Reserved1", "", 0.0f, 0, 1, 0, 0);
    s.columnDefinition(kReservedSw0)->defineSwitch("Glo Reserved Sw0", 0);
    s.columnDefinition(kReservedSw1)->defineSwitch("Glo Reserved Sw1", 0);
    for (int i = 0; i < kAssignments; ++i) {
        s.columnDefinition(column(i, kCcIdx))->defineNumber("CCIdx", "", 0.0f, 0, 999999999, 0, 0);
        s.columnDefinition(column(i, kEditIdx))->defineNumber("EditIdx", "", 0.0f, -999999999, 999999999, 0, 0);
        s.columnDefinition(column(i, kMinPar))->defineNumber("Min Par", "", 0.0f, 0, 1000, 1, 0);
        s.columnDefinition(column(i, kMaxPar))->defineNumber("Max Par", "", 0.0f, 0, 1000, 1, 1000);
        s.columnDefinition(column(i, kInsIdx))->defineNumber("Ins Idx", "", 0.0f, 0, 1024, 0, 0);
        s.columnDefinition(column(i, kMidiCh))->defineNumber("MIDI Ch", "", 0.0f, 0, 15, 0, 0);
        s.columnDefinition(column(i, kCurve))->defineNumber("Curve", "", 0.0f, -9, 9, 0, 0);
        s.columnDefinition(column(i, kAssignMode))
            ->defineOptions("Mode", "", 0, 4, 10, 0, "Unused    Normal    Relative ARelative BRelative C");
        s.columnDefinition(column(i, kMinCc))->defineNumber("Min CC", "", 0.0f, 0, 127, 0, 0);
        s.columnDefinition(column(i, kMaxCcInverted))->defineNumber("Max CC", "", 0.0f, 0, 127, 0, 0);
        s.columnDefinition(column(i, kReserved))->defineNumber("", "", 0.0f, 0, 1, 0, 0);
    }
    s.copyRowZeroToAll();
}

// ------------------------------------------------------------------ cells

int ECS2_c::cellValue(int c) const { return set() ? set()->getValue(0, c) : 0; }

void ECS2_c::setOwn(int c, int32_t value) {
    if (set())
        set()->setValue(0, c, value);
}

// ------------------------------------------------------------------ registry

bool ECS2_c::load() {
    if (!synth_ || !set())
        return false;
    if (value_.read(*this, 0))
        loaded_ = true;
    setOwn(kOnOff, 0);
    setOwn(kMode, kModeOff);
    return loaded_;
}

void ECS2_c::store() {
    unstored_ = false;
    if (synth_ && set())
        value_.write(*this, 0, true);
}

void ECS2_c::markChanged() {
    userChanged_ = true;
    unstored_ = true;
}

bool ECS2_c::storeChanges() {
    if (!unstored_.exchange(false))
        return false;
    if (synth_ && set())
        value_.write(*this, 0); // only when it differs from what the value holds
    return true;
}

bool ECS2_c::reloadTable() {
    if (!synth_ || !set())
        return false;
    const int32_t onOff = cellValue(kOnOff);
    const int32_t mode = cellValue(kMode);
    const bool clear = clearMode_;
    const bool learning = learnOn_;
    if (!value_.readIfNew(*this, 0))
        return false;
    loaded_ = true;
    setOwn(kOnOff, onOff);
    setOwn(kMode, mode);
    clearMode_ = clear;
    learnOn_ = learning;
    return true;
}

// ------------------------------------------------------------------ table

bool ECS2_c::readAssignment(int i, CCAss_c& out) const {
    if (i < 0 || i >= kAssignments || !set())
        return false;
    out.controller = cellValue(column(i, kCcIdx));
    out.target = cellValue(column(i, kEditIdx));
    out.minPar = static_cast<float>(cellValue(column(i, kMinPar))) / kParRange;
    out.maxPar = static_cast<float>(cellValue(column(i, kMaxPar))) / kParRange;
    out.instrument = cellValue(column(i, kInsIdx));
    out.channel = cellValue(column(i, kMidiCh));
    out.curve = cellValue(column(i, kCurve));
    out.mode = cellValue(column(i, kAssignMode));
    out.minCC = cellValue(column(i, kMinCc));
    out.maxCC = 127 - cellValue(column(i, kMaxCcInverted));
    return true;
}

bool ECS2_c::writeAssignment(int i, const CCAss_c& in) {
    if (i < 0 || i >= kAssignments || !set())
        return false;
    setOwn(column(i, kCcIdx), in.controller);
    setOwn(column(i, kEditIdx), in.target);
    setOwn(column(i, kMinPar), static_cast<int32_t>(std::lround(std::clamp(in.minPar, 0.0f, 1.0f) * kParRange)));
    setOwn(column(i, kMaxPar), static_cast<int32_t>(std::lround(std::clamp(in.maxPar, 0.0f, 1.0f) * kParRange)));
    setOwn(column(i, kInsIdx), in.instrument);
    setOwn(column(i, kMidiCh), in.channel);
    setOwn(column(i, kCurve), in.curve);
    setOwn(column(i, kAssignMode), in.mode);
    setOwn(column(i, kMinCc), in.minCC);
    setOwn(column(i, kMaxCcInverted), 127 - std::clamp(in.maxCC, 0, 127));
    return true;
}

void ECS2_c::storeFactory() {
    for (int i = 0; i < kAssignments; ++i)
        if (!readAssignment(i, factory_[i]))
            factory_[i] = CCAss_c();
    factoryStored_ = true;
}

void ECS2_c::restoreFactory() {
    for (int i = 0; i < kAssignments; ++i)
        writeAssignment(i, factory_[i]);
}

void ECS2_c::clearAll() {
    for (int i = 0; i < kAssignments; ++i)
        writeAssignment(i, CCAss_c());
    lastTarget_ = 0;
    lastInstrument_ = 0;
    lastTime_ = 0;
    nrpnNumber_ = 0;
    nrpnSelected_ = false;
    clearMode_ = false;
    learnOn_ = false;
    armedInstrument_ = -1;
    armedTarget_ = -1;
}

int ECS2_c::addAssignment(int channel, int controller, int instrument, int target, bool alwaysNew) {
    int slot = 0;
    for (; slot < kAssignments; ++slot) {
        if (cellValue(column(slot, kAssignMode)) == 0)
            break;
        if (!alwaysNew && cellValue(column(slot, kEditIdx)) == target &&
            cellValue(column(slot, kInsIdx)) == instrument)
            break;
    }
    if (slot >= kAssignments)
        return kAssignments;
    if (clearMode_) {
        if (cellValue(column(slot, kAssignMode)) != 0 && cellValue(column(slot, kEditIdx)) == target &&
            cellValue(column(slot, kInsIdx)) == instrument)
            removeAssignments(instrument, target);
        return slot;
    }
    setOwn(column(slot, kCcIdx), controller);
    setOwn(column(slot, kMidiCh), channel);
    setOwn(column(slot, kEditIdx), target);
    setOwn(column(slot, kInsIdx), instrument);
    setOwn(column(slot, kAssignMode), 1);
    return slot;
}

// One stable pass: the survivors move up in order, the freed tail gets the
// defaults. (Moving the rest down and going on at the next position would
// skip the entry that just moved in.)
void ECS2_c::removeAssignments(int instrument, int target) {
    if (!set() || cellValue(kOnOff) == 0)
        return;
    const int wanted = std::abs(target);
    int kept = 0;
    for (int i = 0; i < kAssignments; ++i) {
        CCAss_c a;
        readAssignment(i, a);
        if (a.instrument == instrument && std::abs(a.target) == wanted)
            continue;
        if (kept != i)
            writeAssignment(kept, a);
        ++kept;
    }
    if (kept == kAssignments)
        return;
    for (int i = kept; i < kAssignments; ++i)
        writeAssignment(i, CCAss_c());
    markChanged();
}

void ECS2_c::armLearnTarget(int instrument, int target) {
    if (clearMode_) {
        removeAssignments(instrument, target);
        return;
    }
    armedInstrument_ = instrument;
    armedTarget_ = target;
}

// ------------------------------------------------------------------ MIDI

int ECS2_c::decode(int number, int value, int& kind) {
    kind = kNone;
    switch (number) {
    case kNrpnLsb:
        nrpnNumber_ = value + (nrpnNumber_ & 0xFF80);
        nrpnSelected_ = true;
        return 0;
    case kNrpnMsb:
        nrpnNumber_ = value * 128 + (nrpnNumber_ & 0x7F);
        nrpnSelected_ = true;
        return 0;
    case kDataIncrement:
    case kDataDecrement:
        kind = number == kDataIncrement ? kIncrement : kDecrement;
        if (nrpnSelected_)
            return nrpnNumber_;
        nrpnNumber_ = value;
        return value;
    default:
        nrpnNumber_ = number;
        kind = kAbsolute;
        return number;
    }
}

void ECS2_c::learnController(int channel, int number, int value) {
    if (armedTarget_ < 0 || !learnOn_ || channel < 0 || channel > 15 || number < 0)
        return;
    int kind;
    const int decoded = decode(number, value, kind);
    if (kind == kNone)
        return;
    // In clear mode the binding is removed instead; removeAssignments marks that.
    if (addAssignment(channel, decoded, armedInstrument_, armedTarget_, false) < kAssignments && !clearMode_)
        markChanged();
    armedTarget_ = -1;
}

bool ECS2_c::matchController(int channel, int number, int value, int& position, Match& match) {
    int kind;
    const int decoded = decode(number, value, kind);
    if (kind == kNone || !set())
        return false;
    int i = std::max(position + 1, 0);
    for (; i < kAssignments; ++i)
        if (cellValue(column(i, kAssignMode)) > 0 && cellValue(column(i, kCcIdx)) == decoded &&
            cellValue(column(i, kMidiCh)) == channel)
            break;
    if (i >= kAssignments)
        return false;
    position = i;
    const int target = cellValue(column(i, kEditIdx));
    match.instrument = cellValue(column(i, kInsIdx));
    match.target = std::abs(target);
    match.inverted = target < 0;
    match.kind = kind;
    match.speed = 0.0f;
    if (kind == kIncrement || kind == kDecrement) {
        const uint32_t now = clock_(clockContext_);
        // Wrapped difference: the clock wraps every 49.7 days.
        const int64_t dt = std::clamp<int64_t>(os::tickDiff(now, lastTime_), 1, 999999999);
        if (match.target == lastTarget_ && match.instrument == lastInstrument_) {
            const float s = std::clamp((25.0f / static_cast<float>(dt) - 0.05f) * 1.0526316f, 0.0f, 1.0f);
            match.speed = s * s;
        }
        lastTarget_ = match.target;
        lastInstrument_ = match.instrument;
        lastTime_ = now;
    }
    return true;
}

// ------------------------------------------------------------------ mapping

float ECS2_c::ccToParameterValue(int i, int value) const {
    i = clampIndex(i);
    int lo = cellValue(column(i, kMinCc));
    int hi = 127 - cellValue(column(i, kMaxCcInverted));
    const bool swapped = lo > hi;
    if (swapped)
        std::swap(lo, hi);
    const int v = std::clamp(value, lo, hi);
    float position;
    if (lo == hi) {
        position = 0.5f;
    } else {
        const int count = hi - lo + 1;
        if (count % 2 == 0) {
            const int mid = lo + count / 2;
            position = v > mid ? (static_cast<float>(v - mid) / static_cast<float>(hi - mid) + 1.0f) * 0.5f
                               : static_cast<float>(v - lo) / static_cast<float>(mid - lo) * 0.5f;
        } else {
            position = static_cast<float>(v - lo) / static_cast<float>(hi - lo);
        }
        position = std::clamp(position, 0.0f, 1.0f);
    }
    if (swapped)
        position = 1.0f - position;
    return scaleToParameter(i, position);
}

float ECS2_c::scaleToParameter(int i, float position) const {
    i = clampIndex(i);
    const float minPar = static_cast<float>(cellValue(column(i, kMinPar))) / kParRange;
    const float maxPar = static_cast<float>(cellValue(column(i, kMaxPar))) / kParRange;
    return minPar + std::clamp(position, 0.0f, 1.0f) * (maxPar - minPar);
}

int ECS2_c::parameterToCcValue(int i, float value) const {
    i = clampIndex(i);
    const float a = static_cast<float>(cellValue(column(i, kMinPar))) / kParRange;
    const float b = static_cast<float>(cellValue(column(i, kMaxPar))) / kParRange;
    const float x = std::isnan(value) ? a : std::clamp(value, std::min(a, b), std::max(a, b));
    const float h = a == b ? 1.0f : std::clamp((x - a) / (b - a), 0.0f, 1.0f);
    const int lo = cellValue(column(i, kMinCc));
    const int hi = 127 - cellValue(column(i, kMaxCcInverted));
    const int l = hi > lo ? hi - lo + 1 : hi - lo - 1;
    int cc;
    if (l % 2 == 0) {
        if (h > 0.5f)
            cc = lo + l / 2 + static_cast<int>((static_cast<float>(hi - lo - l / 2)) * (h - 0.5f) * 2.0f);
        else
            cc = lo + static_cast<int>(h * static_cast<float>(l) + 0.25f);
    } else {
        cc = lo + static_cast<int>(h * static_cast<float>(l) * 0.9961f);
    }
    return std::clamp(cc, std::min(lo, hi), std::max(lo, hi));
}

bool ECS2_c::getAssignment(int i, bool& active, int& channel, int& controller, int& instrument, int& target) const {
    if (i < 0 || i >= kAssignments || !set())
        return false;
    active = cellValue(column(i, kAssignMode)) > 0;
    channel = cellValue(column(i, kMidiCh));
    controller = cellValue(column(i, kCcIdx));
    instrument = cellValue(column(i, kInsIdx));
    target = std::abs(cellValue(column(i, kEditIdx)));
    return true;
}

bool ECS2_c::findAssignment(int instrument, int target, int n, int& channel, int& controller, int& index) const {
    if (!set())
        return false;
    const int wanted = std::abs(target);
    for (int i = 0; i < kAssignments; ++i) {
        if (cellValue(column(i, kAssignMode)) <= 0 || cellValue(column(i, kInsIdx)) != instrument ||
            std::abs(cellValue(column(i, kEditIdx))) != wanted)
            continue;
        if (n-- == 0) {
            channel = cellValue(column(i, kMidiCh));
            controller = cellValue(column(i, kCcIdx));
            index = i;
            return true;
        }
    }
    return false;
}

// ------------------------------------------------------------------ modes

void ECS2_c::parameterChanged(int row, int column) {
    Part_c::parameterChanged(row, column);
    if (!set())
        return;
    clearMode_ = false; // every change of the part ends clear mode; "Clear" sets it again below
    if (column >= kGlobalColumns)
        markChanged(); // an assignment edited by hand
    if (column == kOnOff || column == kMode) {
        if (column == kOnOff) {
            if (cellValue(kOnOff) == 0) {
                storeChanges();
            } else {
                storeChanges(); // what was learnt here survives the load
                load();
                setOwn(kOnOff, 1);
            }
        } else {
            handleMode(cellValue(kMode));
        }
    }
    learnOn_ = cellValue(kOnOff) != 0;
}

void ECS2_c::handleMode(int mode) {
    switch (mode) {
    case kModeOff:
        setOwn(kOnOff, 0);
        storeChanges(); // an unchanged table never overwrites what another instance stored
        break;
    case kModeLearn:
        storeChanges(); // what was learnt here survives the load
        load();
        setOwn(kMode, kModeLearn);
        setOwn(kOnOff, 1);
        break;
    case kModeClear:
        setOwn(kOnOff, 1);
        clearMode_ = true;
        break;
    case kModeClearAll:
        setOwn(kOnOff, 0);
        if (askYesNo("Do you want to clear all Controller Assigments of this instrument?", "Clear ECS")) {
            clearAll();
            store();
        }
        setOwn(kMode, kModeOff);
        break;
    case kModeLoad:
        setOwn(kOnOff, 0);
        if (synth_ && synth_->moduleManager())
            synth_->moduleManager()->run(this, 0, ModuleManager_c::kLoad, "ECS");
        store();
        setOwn(kMode, kModeOff);
        break;
    case kModeSave:
        setOwn(kOnOff, 0);
        storeChanges();
        if (synth_ && synth_->moduleManager())
            synth_->moduleManager()->run(this, 0, ModuleManager_c::kSave, "ECS");
        setOwn(kMode, kModeOff);
        break;
    case kModeRestoreFactory:
        setOwn(kOnOff, 0);
        if (askYesNo("Do you want to restore the ECS factory settings?", "Restore Factory ECS")) {
            clearAll();
            restoreFactory();
            store();
        }
        setOwn(kMode, kModeOff);
        break;
    default:
        break;
    }
}
