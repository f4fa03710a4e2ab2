#include "tools/host/lib/PluginInstance.h"

#include <cstdio>
#include <cstring>

namespace vsthost {
namespace {

constexpr std::size_t kTextBufferBytes = 512;   // far above every VST string limit

} // namespace

PluginInstance::PluginInstance(std::shared_ptr<PluginLibrary> library, AEffect* effect)
    : library_(std::move(library)), effect_(effect) {}

std::unique_ptr<PluginInstance> PluginInstance::create(std::shared_ptr<PluginLibrary> library, Host& host,
                                                       std::string& error) {
    if (!library || !library->entry()) {
        error = "no plug-in library";
        return nullptr;
    }
    AEffect* effect = nullptr;
    {
        Host::InstantiationScope scope(host);
        effect = library->entry()(Host::callback());
    }
    if (!effect) {
        error = "plug-in '" + library->path() + "' gave no effect (" + library->entryName() + " returned null)";
        return nullptr;
    }
    if (effect->magic != kEffectMagic) {
        char magic[16];
        std::snprintf(magic, sizeof magic, "0x%08X", static_cast<unsigned>(effect->magic));
        error = "plug-in '" + library->path() + "' gave an effect with the wrong magic " + magic;
        return nullptr;
    }
    if (!effect->dispatcher) {
        error = "plug-in '" + library->path() + "' gave an effect without a dispatcher";
        return nullptr;
    }
    host.attach(effect);
    return std::unique_ptr<PluginInstance>(new PluginInstance(std::move(library), effect));
}

std::unique_ptr<PluginInstance> PluginInstance::load(const std::string& path, Host& host, std::string& error) {
    std::shared_ptr<PluginLibrary> library = PluginLibrary::load(path, error);
    if (!library) return nullptr;
    return create(std::move(library), host, error);
}

PluginInstance::~PluginInstance() {
    close();
}

VstIntPtr PluginInstance::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (!effect_) return 0;
    return effect_->dispatcher(effect_, opcode, index, value, ptr, opt);
}

VstIntPtr PluginInstance::close() {
    if (!effect_) return 0;
    AEffect* effect = effect_;
    effect_ = nullptr;
    return effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

void PluginInstance::processReplacing(AudioBuffers& inputs, AudioBuffers& outputs, VstInt32 frames) {
    if (!effect_ || !effect_->processReplacing) return;
    effect_->processReplacing(effect_, inputs.pointers(), outputs.pointers(), frames);
}

void PluginInstance::processDoubleReplacing(AudioBuffersDouble& inputs, AudioBuffersDouble& outputs,
                                            VstInt32 frames) {
    if (!effect_ || !effect_->processDoubleReplacing) return;
    effect_->processDoubleReplacing(effect_, inputs.pointers(), outputs.pointers(), frames);
}

VstIntPtr PluginInstance::sendEvents(EventList& events) {
    return dispatch(effProcessEvents, 0, 0, events.events());
}

std::vector<std::uint8_t> PluginInstance::getChunk(bool preset) {
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
    if (size <= 0 || !data) return {};
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

VstIntPtr PluginInstance::setChunk(const std::vector<std::uint8_t>& bytes, bool preset) {
    // The plug-in gets its own copy, as hosts hand over memory they own.
    std::vector<std::uint8_t> copy(bytes);
    return dispatch(effSetChunk, preset ? 1 : 0, static_cast<VstIntPtr>(copy.size()),
                    copy.empty() ? nullptr : copy.data());
}

float PluginInstance::getParameter(VstInt32 index) {
    return effect_ && effect_->getParameter ? effect_->getParameter(effect_, index) : 0.0f;
}

void PluginInstance::setParameter(VstInt32 index, float value) {
    if (effect_ && effect_->setParameter) effect_->setParameter(effect_, index, value);
}

std::string PluginInstance::textOf(VstInt32 opcode, VstInt32 index, VstIntPtr value) {
    char buffer[kTextBufferBytes] = {};
    dispatch(opcode, index, value, buffer);
    buffer[kTextBufferBytes - 1] = 0;
    return buffer;
}

std::string PluginInstance::parameterName(VstInt32 index) { return textOf(effGetParamName, index); }
std::string PluginInstance::parameterDisplay(VstInt32 index) { return textOf(effGetParamDisplay, index); }
std::string PluginInstance::parameterLabel(VstInt32 index) { return textOf(effGetParamLabel, index); }
std::string PluginInstance::programName() { return textOf(effGetProgramName); }
std::string PluginInstance::programNameIndexed(VstInt32 index) {
    return textOf(effGetProgramNameIndexed, index, -1);
}
std::string PluginInstance::effectName() { return textOf(effGetEffectName); }
std::string PluginInstance::vendorString() { return textOf(effGetVendorString); }
std::string PluginInstance::productString() { return textOf(effGetProductString); }

VstIntPtr PluginInstance::canDo(const std::string& capability) {
    std::vector<char> text(capability.begin(), capability.end());
    text.push_back(0);
    return dispatch(effCanDo, 0, 0, text.data());
}

std::string fourCCText(VstInt32 code) {
    const auto value = static_cast<std::uint32_t>(code);
    char text[5];
    for (int i = 0; i < 4; ++i) text[i] = static_cast<char>((value >> (24 - 8 * i)) & 0xff);
    text[4] = 0;
    bool printable = true;
    for (int i = 0; i < 4; ++i) printable = printable && text[i] >= 0x20 && text[i] < 0x7f;
    if (printable) return text;
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", value);
    return hex;
}

} // namespace vsthost
