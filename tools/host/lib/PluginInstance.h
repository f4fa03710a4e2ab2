#pragma once
// One effect made by a plug-in library for a Host, with typed wrappers of the
// dispatcher and the process calls. Not thread-safe by itself: a test that
// drives it from several threads arranges its own order, as a host would.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/sdk/VstInterface.h"
#include "tools/host/lib/AudioBuffers.h"
#include "tools/host/lib/EventList.h"
#include "tools/host/lib/Host.h"
#include "tools/host/lib/PluginLibrary.h"

namespace vsthost {

class PluginInstance {
public:
    // Calls the library's entry with host's callback. Null with a one-line
    // reason in error when the plug-in gives no effect or a record without the
    // VST magic. host must outlive the instance.
    static std::unique_ptr<PluginInstance> create(std::shared_ptr<PluginLibrary> library, Host& host,
                                                  std::string& error);
    // Loads the library at path and creates one instance.
    static std::unique_ptr<PluginInstance> load(const std::string& path, Host& host, std::string& error);
    // Closes the effect (effClose) unless that was done.
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    AEffect* effect() const { return effect_; }
    bool isClosed() const { return effect_ == nullptr; }
    PluginLibrary& library() const { return *library_; }

    // Raw dispatcher call; 0 once closed.
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);

    // ---- lifecycle
    void open() { dispatch(effOpen); }
    // effClose: the effect is gone afterwards; answers what the plug-in answered.
    VstIntPtr close();
    void setSampleRate(float rate) { dispatch(effSetSampleRate, 0, 0, nullptr, rate); }
    void setBlockSize(VstInt32 frames) { dispatch(effSetBlockSize, 0, frames); }
    void resume() { dispatch(effMainsChanged, 0, 1); }
    void suspend() { dispatch(effMainsChanged, 0, 0); }

    // ---- audio (the thread that calls these is the audio thread)
    // frames ≤ the buffers' frames; both tables must have the effect's channel counts.
    void processReplacing(AudioBuffers& inputs, AudioBuffers& outputs, VstInt32 frames);
    void processDoubleReplacing(AudioBuffersDouble& inputs, AudioBuffersDouble& outputs, VstInt32 frames);
    VstIntPtr sendEvents(EventList& events);

    // ---- state
    std::vector<std::uint8_t> getChunk(bool preset);
    VstIntPtr setChunk(const std::vector<std::uint8_t>& bytes, bool preset);

    // ---- parameters and programs
    VstInt32 numParams() const { return effect_ ? effect_->numParams : 0; }
    VstInt32 numPrograms() const { return effect_ ? effect_->numPrograms : 0; }
    float getParameter(VstInt32 index);
    void setParameter(VstInt32 index, float value);
    std::string parameterName(VstInt32 index);
    std::string parameterDisplay(VstInt32 index);
    std::string parameterLabel(VstInt32 index);
    VstInt32 program() { return static_cast<VstInt32>(dispatch(effGetProgram)); }
    void setProgram(VstInt32 program) { dispatch(effSetProgram, 0, program); }
    std::string programName();
    std::string programNameIndexed(VstInt32 index);

    // ---- identity
    std::string effectName();
    std::string vendorString();
    std::string productString();
    VstIntPtr vendorVersion() { return dispatch(effGetVendorVersion); }
    VstIntPtr canDo(const std::string& capability);

private:
    PluginInstance(std::shared_ptr<PluginLibrary> library, AEffect* effect);
    // Calls a text opcode with a generous zeroed buffer and reads it back safely.
    std::string textOf(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0);

    std::shared_ptr<PluginLibrary> library_;
    AEffect* effect_;
};

// "HRVK" for printable codes, else the number in hex.
std::string fourCCText(VstInt32 code);

} // namespace vsthost
