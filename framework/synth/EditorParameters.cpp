// The editor's side of the parameter map: the editor road, text entry,
// stepping, the learn target and the accessors by entry index. Editor
// thread (the accessors from any thread).
#include "framework/synth/Synth.h"

#include <algorithm>
#include <string_view>

#include "framework/sdk/ValueText.h"

namespace {
constexpr int32_t kValueTextBuffer = 320;
}

void Synth::setParameterFromEditor(int32_t entry, float value) {
    if (!entries_ || entry < 0 || entry >= config_.hostParameterEntries) return;
    const ParameterTarget t = lookupParameter(entry);
    const int32_t hostIndex = entry + config_.parameterStride * t.row;
    const bool muteOrSolo = t.target == &synGloIns_ &&
                            (t.column == SynGloIns_c::kMute || t.column == SynGloIns_c::kSolo);
    {
        BusyScope busy(*this);
        if (muteOrSolo || entry >= config_.visibleParametersPerPart) {
            // Not host-visible, or not the host's to automate.
            setParameterFromHost(hostIndex, value);
        } else if (config_.exposeParameters) {
            AudioEffect::setParameterAutomated(hostIndex, value);
        } else {
            setParameter(hostIndex, value);
        }
    }
    const EPAS_c& e = entries_[entry];
    if (t.target != &synGlo_ && t.target != &sysGlo_ && e.fixedPart() >= 0 && e.fixedPart() != currentPart_)
        setCurrentPart(e.fixedPart());
}

void Synth::setParameterText(int32_t entry, const char* text) {
    if (!entries_ || entry < 0 || entry >= config_.hostParameterEntries) return;
    const ParameterTarget t = lookupParameter(entry);
    if (t.valid()) {
        BusyScope busy(*this);
        t.target->setText(t.row, t.column, text ? std::string_view(text) : std::string_view());
        const int32_t moduleRow = findModuleRow(t.target);
        if (const ModuleTableRow* r = moduleRow >= 0 ? &moduleRows_[moduleRow] : nullptr)
            if (r->instance == t.row)
                for (int32_t j = 0; r->objects && j < r->count; ++j)
                    if (r->objects[j]) r->objects[j]->linkedNotify(1, t.row, t.column);
        onParameterChanged(t.row, t.target, t.column);
        notifyEditor(entry, true);
        if (hostId_ == HostId::Live) updateDisplay();
    }
    const EPAS_c& e = entries_[entry];
    if (e.fixedPart() >= 0 && e.fixedPart() != currentPart_) setCurrentPart(e.fixedPart());
}

void Synth::stepParameter(int32_t entry, bool up) {
    const ParameterTarget t = lookupParameter(entry);
    if (!t.valid()) return;
    const float now = t.target->getNormalized(t.row, t.column);
    const float step = t.target->getStepSize(t.column, up ? 1 : -1);
    setParameterFromEditor(entry, std::clamp(now + step, 0.0f, 1.0f));
}

void Synth::setLearnTarget(int32_t entry) {
    if (!entries_ || entry < 0 || entry >= config_.hostParameterEntries) return;
    if (!ecs_.isLearning() || entry == learnExcluded_[0] || entry == learnExcluded_[1]) return;
    const EPAS_c& e = entries_[entry];
    const int32_t part = e.part() == EPAS_c::kCurrentPart ? getCurrentPart() : e.part();
    if (part < 0) return;
    // In clear mode the controller assignment removes the bindings at once.
    ecs_.armLearnTarget(part, entry);
}

int32_t Synth::getParameterIntByIndex(int32_t entry) const {
    const ParameterTarget t = lookupParameter(entry);
    return t.valid() ? t.target->getValue(t.row, t.column) : 0;
}

float Synth::getParameterByIndex(int32_t entry) {
    if (!opened_.load()) return 0.0f;
    BusyScope busy(*this);
    const ParameterTarget t = lookupParameter(entry);
    return t.valid() ? t.target->getNormalized(t.row, t.column) : 0.0f;
}

Parameter_c* Synth::findParameter(int32_t entry) const {
    const ParameterTarget t = lookupParameter(entry);
    return t.valid() ? t.target->getRowParameters(t.row, t.column) : nullptr;
}

void Synth::setParameterIntByIndex(int32_t entry, int32_t value) {
    const ParameterTarget t = lookupParameter(entry);
    if (t.valid()) t.target->setValue(t.row, t.column, value);
}

namespace {
const ParamDesc* descriptorOf(const Parameter_c* cell) { return cell ? cell->descriptor() : nullptr; }
} // namespace

int32_t Synth::getParameterMinByIndex(int32_t entry) const {
    const ParamDesc* d = descriptorOf(findParameter(entry));
    return d ? d->min : 0;
}

int32_t Synth::getParameterMaxByIndex(int32_t entry) const {
    const ParamDesc* d = descriptorOf(findParameter(entry));
    return d ? d->max : 0;
}

int32_t Synth::getParameterDefaultByIndex(int32_t entry) const {
    const ParamDesc* d = descriptorOf(findParameter(entry));
    return d ? d->defaultValue : 0;
}

float Synth::getParameterCurveByIndex(int32_t entry) const {
    const ParamDesc* d = descriptorOf(findParameter(entry));
    return d ? d->curve : 0.0f;
}

int16_t Synth::getParameterDigitsByIndex(int32_t entry) const {
    const ParamDesc* d = descriptorOf(findParameter(entry));
    return d ? d->digits : 0;
}

const char* Synth::getParameterOptionTextByIndex(int32_t entry) const {
    const ParamDesc* d = descriptorOf(findParameter(entry));
    return d ? d->optionText.c_str() : "";
}

float Synth::getParameterValueByIndex(int32_t entry) const {
    const ParameterTarget t = lookupParameter(entry);
    const ParamDesc* d = descriptorOf(t.valid() ? t.target->getRowParameters(t.row, t.column) : nullptr);
    return d ? t.target->normalizedFromValue(t.row, t.column, d->defaultValue) : 0.0f;
}

void Synth::getParameterText(int32_t entry, char* text, int32_t limit) {
    if (!text || limit < 0) return;
    if (!openIfNeeded()) {
        vsttext::copyText(text, "---", limit);
        return;
    }
    BusyScope busy(*this);
    const ParameterTarget t = lookupParameter(entry);
    if (!t.valid()) {
        vsttext::copyText(text, "-", limit);
        return;
    }
    char value[kValueTextBuffer] = {};
    t.target->getValueText(t.row, t.column, value, sizeof value);
    vsttext::copyText(text, value, limit);
}
