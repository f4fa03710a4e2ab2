#include "tools/host/lib/Host.h"

#include <cstring>

namespace vsthost {
namespace {

thread_local Host* instantiatingHost = nullptr;

VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                   void* ptr, float opt) {
    Host* host = nullptr;
    if (effect && effect->resvd1) host = reinterpret_cast<Host*>(effect->resvd1);
    if (!host) host = instantiatingHost;
    return host ? host->handle(effect, opcode, index, value, ptr, opt) : 0;
}

// Copies text into a plug-in's buffer of limit + 1 bytes.
void writeText(void* ptr, const std::string& text, std::size_t limit) {
    if (!ptr) return;
    char* out = static_cast<char*>(ptr);
    const std::size_t n = text.size() < limit ? text.size() : limit;
    std::memcpy(out, text.data(), n);
    out[n] = 0;
}

// A capability name from the plug-in, read no further than a sane length.
std::string readCapability(const void* ptr) {
    if (!ptr) return {};
    const char* text = static_cast<const char*>(ptr);
    std::size_t n = 0;
    while (n < 256 && text[n]) ++n;
    return std::string(text, n);
}

} // namespace

VstTimeInfo HostAnswers::defaultTimeInfo() {
    VstTimeInfo info{};
    info.sampleRate = 44100.0;
    info.tempo = 120.0;
    info.timeSigNumerator = 4;
    info.timeSigDenominator = 4;
    info.flags = kVstTempoValid | kVstTimeSigValid | kVstPpqPosValid;
    return info;
}

Host::Host() = default;
Host::~Host() = default;

audioMasterCallback Host::callback() {
    return hostCallback;
}

void Host::attach(AEffect* effect) {
    if (effect) effect->resvd1 = reinterpret_cast<VstIntPtr>(this);
}

Host::InstantiationScope::InstantiationScope(Host& host) : previous_(instantiatingHost) {
    instantiatingHost = &host;
}

Host::InstantiationScope::~InstantiationScope() {
    instantiatingHost = previous_;
}

std::vector<HostCall> Host::calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::size_t Host::countCalls(VstInt32 opcode) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::size_t count = 0;
    for (const HostCall& call : calls_) count += call.opcode == opcode ? 1 : 0;
    return count;
}

void Host::clearCalls() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
    sentMidi_.clear();
}

std::vector<VstMidiEvent> Host::sentMidiEvents() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return sentMidi_;
}

VstIntPtr Host::handle(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    HostCall call;
    call.effect = effect;
    call.opcode = opcode;
    call.index = index;
    call.value = value;
    call.ptr = ptr;
    call.opt = opt;
    call.thread = std::this_thread::get_id();
    if (opcode == audioMasterCanDo) call.text = readCapability(ptr);
    if (answers_.recordCalls) {
        std::lock_guard<std::mutex> lock(mutex_);
        calls_.push_back(call);
        if (opcode == audioMasterProcessEvents && ptr) {
            const VstEvents* events = static_cast<const VstEvents*>(ptr);
            for (VstInt32 i = 0; i < events->numEvents; ++i) {
                const VstEvent* event = events->events[i];
                if (event && event->type == kVstMidiType) {
                    VstMidiEvent midi;
                    std::memcpy(&midi, event, sizeof midi);
                    sentMidi_.push_back(midi);
                }
            }
        }
    }
    if (answers_.script) {
        if (std::optional<VstIntPtr> scripted = answers_.script(call)) return *scripted;
    }
    return answer(call);
}

VstIntPtr Host::answer(const HostCall& call) {
    const HostAnswers& a = answers_;
    switch (call.opcode) {
    case audioMasterVersion:
        return a.version;
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        return a.automationCalls;
    case audioMasterPinConnected: {
        const auto& pins = call.value ? a.outputPinConnected : a.inputPinConnected;
        const auto found = pins.find(call.index);
        return found != pins.end() ? found->second : a.pinConnectedOther;
    }
    case audioMasterGetTime: {
        if (!a.provideTimeInfo) return 0;
        std::lock_guard<std::mutex> lock(mutex_);
        timeInfoCopy_ = a.timeInfo;
        return reinterpret_cast<VstIntPtr>(&timeInfoCopy_);
    }
    case audioMasterGetSampleRate:
        return a.sampleRate;
    case audioMasterGetBlockSize:
        return a.blockSize;
    case audioMasterGetCurrentProcessLevel:
        return a.processLevel;
    case audioMasterGetVendorString:
        writeText(call.ptr, a.vendor, kVstMaxVendorStrLen);
        return call.ptr ? 1 : 0;
    case audioMasterGetProductString:
        writeText(call.ptr, a.product, kVstMaxProductStrLen);
        return call.ptr ? 1 : 0;
    case audioMasterGetVendorVersion:
        return a.vendorVersion;
    case audioMasterCanDo: {
        const auto found = a.canDo.find(call.text);
        return found != a.canDo.end() ? found->second : a.canDoOther;
    }
    case audioMasterGetLanguage:
        return a.language;
    default: {
        const auto found = a.other.find(call.opcode);
        return found != a.other.end() ? found->second : 0;
    }
    }
}

} // namespace vsthost
