// The controller road of the plug-in base: incoming controllers move the
// parameters assigned to them (absolutely, or stepped up and down), and
// parameter values go back to the host as controller messages.
//
// Threads: all of it runs on the audio thread (controller decoding and
// to-audio command 89). Nothing here allocates or waits: the assignment
// table is read through its atomic cells, the speed clock is the vDSO
// monotonic clock the voice table reads too, and the parameter write only
// tries the part's lock on this thread.
#include "framework/synth/Synth.h"

#include <algorithm>
#include <cmath>

namespace {
// Steps count at most this many units of a parameter's range.
constexpr int32_t kMaxStepUnits = 512;
// Controller numbers above this are NRPN numbers: no single controller message carries them.
constexpr int32_t kHighestController = 127;

// The normalised step of one relative message: one unit of the parameter's
// range when the messages come slowly, up to 1/20 of the range at full speed.
float relativeStep(const Part_c& target, int32_t row, int32_t column, float speed, bool up) {
    int64_t units = 1;
    if (const Parameter_c* cell = target.getRowParameters(row, column))
        if (const ParamDesc* desc = cell->descriptor()) units = static_cast<int64_t>(desc->max) - desc->min;
    const float n = static_cast<float>(std::clamp<int64_t>(units, 1, kMaxStepUnits));
    const float step = std::clamp((1.0f / n) * (1.0f - speed) * 1.00001f + speed * 0.05f, 1.00001f / n, 1.0f);
    return std::max(step, std::fabs(target.getStepSize(column, up ? 1 : -1)));
}
} // namespace

void Synth::applyControllerToParameters(int32_t channel, int32_t controller, int32_t value) {
    int position = -1;
    ECS2_c::Match match;
    while (ecs_.matchController(channel, controller, value, position, match)) {
        // The assignment names an entry of the map and the part it acts on.
        const ParameterTarget t = resolve(match.target, match.instrument);
        if (!t.valid()) break;
        float x = 0.0f;
        if (match.kind == ECS2_c::kAbsolute) {
            x = ecs_.ccToParameterValue(position, value);
        } else if (match.kind == ECS2_c::kIncrement || match.kind == ECS2_c::kDecrement) {
            const bool up = match.kind == ECS2_c::kIncrement;
            CCAss_c a;
            if (!ecs_.readAssignment(position, a)) break;
            // Stepped within the assignment's range: the current value as a
            // position in minPar..maxPar, so repeated steps reach the range's
            // ends instead of being pulled back towards its middle.
            const float current = t.target->getNormalized(t.row, t.column);
            const float span = a.maxPar - a.minPar;
            const float from = span != 0.0f ? std::clamp((current - a.minPar) / span, 0.0f, 1.0f) : 0.0f;
            const float step = relativeStep(*t.target, t.row, t.column, match.speed, up);
            x = ecs_.scaleToParameter(position, std::clamp(up ? from + step : from - step, 0.0f, 1.0f));
        } else {
            continue;
        }
        setParameterFromController(match.target, t.target, t.row, t.column, x);
    }
}

void Synth::sendAssignmentValue(int32_t assignment, int32_t channel, int32_t controller, float value) {
    // An NRPN-numbered assignment cannot be echoed as one controller; clamping
    // its number would send an unrelated controller (127 is "poly mode on").
    if (controller < 0 || controller > kHighestController) return;
    CCAss_c a;
    if (ecs_.readAssignment(assignment, a) && a.target < 0) value = 1.0f - value;
    sendControllerValue(channel, controller, ecs_.parameterToCcValue(assignment, value));
}

void Synth::sendParameterControllers(int32_t part, int32_t hostIndex) {
    if (!opened_.load() || controllerOutputs_ <= 0) return;
    // hostIndex is the map entry the assignments store; part is its row.
    const ParameterTarget t = resolve(hostIndex, part);
    if (!t.valid()) return;
    const float value = t.target->getNormalized(t.row, t.column);
    int channel = 0, controller = 0, index = 0;
    for (int n = 0; ecs_.findAssignment(part, hostIndex, n, channel, controller, index); ++n)
        sendAssignmentValue(index, channel, controller, value);
}

void Synth::sendAllControllers() {
    // Cakewalk is never sent the whole set.
    if (!opened_.load() || hostId_ == HostId::Cakewalk || controllerOutputs_ <= 0) return;
    for (int i = 0; i < ECS2_c::kAssignments; ++i) {
        bool active = false;
        int channel = 0, controller = 0, instrument = 0, target = 0;
        if (!ecs_.getAssignment(i, active, channel, controller, instrument, target) || !active) continue;
        const ParameterTarget t = resolve(target, instrument);
        if (t.valid()) sendAssignmentValue(i, channel, controller, t.target->getNormalized(t.row, t.column));
    }
}
