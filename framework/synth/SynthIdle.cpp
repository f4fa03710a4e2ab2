// The idle side: the drain of the to-idle ring under the plug-in lock, the
// host's idle and vendor calls, the idle timer, and both rings' posting.
#include "framework/synth/Synth.h"

#include <mutex>

#include "framework/platform/MessageBoxes.h"
#include "framework/sdk/AEffEditor.h"
#include "framework/synth/CommandPayload.h"
#include "framework/synth/CommandPost.h"
#include "os/Clock.h"

namespace {
constexpr VstInt32 kVendorEditorCall = 0x73744341; // 'stCA'
constexpr VstIntPtr kVendorWheel = 0x57686565;     // 'Whee'
} // namespace

bool Synth::postCommand(bool toAudio, uint8_t code, int16_t a, int16_t b, intptr_t p, intptr_t q, int mode) {
    CmdBuffer_c& ring = toAudio ? toAudio_ : toIdle_;
    HoldData_c record = makeCommand(code, a, b, p, q);
    if (!threadrole::onAudioSide()) return ::postCommand(ring, firstBlockRendered_.load(), record, mode);
    if (code == kCmdSendControllersToHost && !firstBlockRendered_.load()) {
        ring.discard(record);
        return false;
    }
    return postFromAudioSide(toAudio, record, mode);
}

bool Synth::postIdleCommand(uint8_t code, int16_t a, int16_t b, intptr_t p, intptr_t q, int mode) {
    return postCommand(false, code, a, b, p, q, mode);
}

bool Synth::postAudioCommand(uint8_t code, int16_t a, int16_t b, intptr_t p, intptr_t q, int mode) {
    return postCommand(true, code, a, b, p, q, mode);
}

void Synth::postErrorMessage(const char* caption, const std::string& text) {
    const intptr_t owned = makeOwnedText(text);
    if (owned != 0)
        postIdleCommand(kCmdErrorMessageBox, 0, 0, owned, HoldData_c::fromPointer(caption));
}

bool Synth::idleWorkWaits() const {
    return toIdle_.mayHoldRecords() || writesForIdle_.anyWaiting() || resumePending_.load() ||
           ecs_.hasUnstoredChanges();
}

bool Synth::passEmptyDrain() {
    // Work posted after this look waits for the next drain, as work posted
    // during a drain does.
    if (idleWorkWaits()) return false;
    noteIdleDrain(os::tickMs());
    return true;
}

void Synth::drainIdleQueue() {
    if (passEmptyDrain()) return;
    std::lock_guard<Lock_c> guard(lock_);
    // What runs here is idle work, also on a thread that renders between drains.
    struct IdleSide {
        IdleSide() { ++threadrole::idleDepth(); }
        ~IdleSide() { --threadrole::idleDepth(); }
    } idleSide;
    const uint32_t now = os::tickMs();
    HoldData_c record;
    while (toIdle_.pop(record)) executeIdleCommand(record);
    applyIdleSideWork();
    ecs_.storeChanges(); // controllers learnt on the MIDI thread
    noteIdleDrain(now);
}

void Synth::noteIdleDrain(uint32_t now) {
    lastDrain_.store(now, std::memory_order_relaxed);
    timer_.expectStartFromAudio(now + kIdleWatchdogMs + 1);
}

VstInt32 Synth::fxIdle() {
    if (passEmptyDrain()) return 1;
    BusyScope busy(*this);
    drainIdleQueue();
    return 1;
}

void Synth::idleTimerCallback(void* context) {
    auto* synth = static_cast<Synth*>(context);
    if (!synth || synth->passEmptyDrain()) return;
    BusyScope busy(*synth);
    synth->drainIdleQueue();
}

VstIntPtr Synth::vendorSpecific(VstInt32 index, VstIntPtr value, void* /*ptr*/, float opt) {
    BusyScope busy(*this);
    if (editor && index == kVendorEditorCall && value == kVendorWheel) return editor->onWheel(opt) ? 1 : 0;
    return 0;
}

void Synth::setProgram(VstInt32 program) {
    // Replace: a host repeating the same change leaves one pending record, so
    // a burst never fills the ring and loses the change it asked for last.
    postIdleCommand(kCmdHostProgramChange, 0, static_cast<int16_t>(program), 0, 0, kPushReplace);
}

void Synth::executeIdleCommand(HoldData_c& record) {
    switch (record.code) {
    case kCmdNone: break;
    case kCmdSelectGlobalProgram: selectGlobalProgram(record.b); break;
    case kCmdSelectGlobalBank: selectGlobalBank(record.b); break;
    case kCmdHostProgramChange: hostProgramChange(record.b); break;
    case kCmdSelectPartProgram: selectPartProgram(record.a, record.b); break;
    case kCmdSelectPartBank: selectPartBank(record.a, record.b); break;
    case kCmdSettingChanged: onParameterChanged(record.a, static_cast<Part_c*>(record.pAs<void>()), record.b); break;
    case kCmdMidiProgramChange:
        if (hasGlobalProgramList())
            selectGlobalProgram(record.b);
        else
            selectPartProgram(record.a, record.b);
        break;
    case kCmdMidiBankSelect:
        if (hasGlobalBankList())
            selectGlobalBank(record.b);
        else
            selectPartBank(record.a, record.b);
        break;
    case kCmdSetCurrentPart: setCurrentPart(record.a); break;
    case kCmdErrorMessageBox: {
        const char* caption = record.qAs<const char>();
        const char* text = ownedText(record);
        showErrorBox(caption ? caption : "", text ? text : "");
        releaseOwnedPayload(record);
        break;
    }
    default: handleCommand(record.code, record.a, record.b, record.p); break;
    }
}
