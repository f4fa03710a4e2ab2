#pragma once
// One instance of the plug-in under test with its own host, driven the way a
// host plays it: set up, started, then blocks of events and audio.
#include <memory>
#include <string>

#include "tests/conformance/support/GuardedAudio.h"
#include "tools/host/lib/EventList.h"
#include "tools/host/lib/Host.h"
#include "tools/host/lib/PluginInstance.h"
#include "tools/host/lib/PluginLibrary.h"

namespace conformance {

class PluginSession {
public:
    // A new instance from library (or from the suite's plug-in path); null
    // with a one-line reason in error.
    static std::unique_ptr<PluginSession> create(const std::shared_ptr<vsthost::PluginLibrary>& library,
                                                 std::string& error);
    static std::unique_ptr<PluginSession> create(std::string& error);

    vsthost::Host& host() { return *host_; }
    vsthost::PluginInstance& plugin() { return *plugin_; }
    AEffect& effect() { return *plugin_->effect(); }

    // Rate and declared block size, open, resume, start processing.
    void start(float sampleRate, int declaredBlockSize);
    // Stop processing, suspend.
    void stop();
    // Buffers for this plug-in's channel counts.
    GuardedAudio makeAudio(int maxFrames);
    // One block as hosts play it: effProcessEvents (also with no events),
    // then processReplacing. Answers the block's fault, empty when clean.
    std::string play(GuardedAudio& audio, int frames, vsthost::EventList& events);

private:
    PluginSession() = default;
    std::unique_ptr<vsthost::Host> host_;
    std::unique_ptr<vsthost::PluginInstance> plugin_;   // closed before the host goes
};

// Shorthand for the checks: the suite's plug-in, one instance, or a failed assertion.
std::unique_ptr<PluginSession> createSessionOrFail();

} // namespace conformance
