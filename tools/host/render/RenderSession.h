#pragma once
// Plays a performance through an opened plug-in, block by block, into a WAV
// file: resume and start processing, per block the parameter changes, then
// the block's MIDI events with their offsets, then processReplacing.
#include <string>
#include <vector>

#include "tools/host/lib/Performance.h"
#include "tools/host/lib/PluginInstance.h"
#include "tools/host/lib/RenderSummary.h"
#include "tools/host/render/Options.h"

namespace render {

class RenderSession {
public:
    RenderSession(vsthost::PluginInstance& plugin, const Options& options) : plugin_(plugin), options_(options) {}

    // changeIndices[i] is the plug-in's index of performance.parameterChanges[i].
    // False with a one-line error when the WAV file cannot be written.
    bool play(const kelvanti_host::Performance& performance, const std::vector<VstInt32>& changeIndices,
              kelvanti_host::RenderSummary& summary, std::string& error);

private:
    vsthost::PluginInstance& plugin_;
    const Options& options_;
};

} // namespace render
