#pragma once
// Plays a performance through an opened plug-in, block by block, into a WAV
// writer: resume and start processing, per block the parameter changes, then
// the block's MIDI events with their offsets, then processReplacing, then an
// idle call, as a host's idle loop would make one, in render time.
#include <string>
#include <vector>

#include "tools/host/lib/EventSchedule.h"
#include "tools/host/lib/Performance.h"
#include "tools/host/lib/PluginInstance.h"
#include "tools/host/lib/RenderSummary.h"
#include "tools/host/lib/WavWriter.h"
#include "tools/host/render/Options.h"

namespace render {

class RenderSession {
public:
    // progressShown: false when standard error carries an output.
    RenderSession(vsthost::PluginInstance& plugin, const Options& options, bool progressShown = true)
        : plugin_(plugin), options_(options), progressShown_(progressShown) {}

    // changeIndices[i] is the plug-in's index of performance.parameterChanges[i];
    // schedule is the performance's. writer is open and is left unfinished.
    // False with a one-line error when the WAV file cannot be written.
    bool play(const kelvanti_host::Performance& performance, const std::vector<VstInt32>& changeIndices,
              const kelvanti_host::EventSchedule& schedule, int64_t totalFrames, kelvanti_host::WavWriter& writer,
              kelvanti_host::RenderSummary& summary, std::string& error);

private:
    vsthost::PluginInstance& plugin_;
    const Options& options_;
    bool progressShown_;
};

} // namespace render
