#pragma once
// One instance of a plug-in in a host of ours, set up for measuring: a
// scratch registry, a rate and block size, resumed, with a number of notes
// held that sound for as long as the measurement lasts.
#include <cstdint>
#include <memory>
#include <string>

#include "tools/host/lib/AudioBuffers.h"
#include "tools/host/lib/EventList.h"
#include "tools/host/lib/Host.h"
#include "tools/host/lib/PluginInstance.h"

namespace bench {

// Points the plug-in's registry at a fresh folder for this process (removed at exit).
void useScratchRegistry();

class EngineRig {
public:
    // Loads and opens the plug-in; ok() tells whether that worked (error() why
    // not). hostSuppliesIdle: the host answers "supplyIdle" (it calls effIdle).
    EngineRig(const std::string& pluginPath, float rate, int block, bool hostSuppliesIdle = false);

    bool ok() const { return plugin_ != nullptr; }
    const std::string& error() const { return error_; }
    vsthost::PluginInstance& plugin() { return *plugin_; }
    int block() const { return block_; }
    float rate() const { return rate_; }

    // Sets every parameter whose name ends in "Decay" to its longest value.
    // Answers how many it set, and the display text of the last one.
    int setLongestDecays(std::string& display);

    // Queues note-ons for `voices` distinct keys, sent with the next block.
    void holdNotes(int voices, int velocity = 100);
    void queueMidi(int offset, std::uint8_t status, std::uint8_t data1, std::uint8_t data2);

    // One block: the queued events, then processReplacing. With the watch
    // on, both plug-in calls run inside an armed section (the host's own
    // event record is laid out before it).
    void process();
    void watchAllocations(bool on) { watch_ = on; }
    const vsthost::AudioBuffers& output() const { return out_; }

private:
    float rate_;
    int block_;
    vsthost::Host host_;
    std::unique_ptr<vsthost::PluginInstance> plugin_;
    std::string error_;
    vsthost::EventList events_;
    bool watch_ = false;
    vsthost::AudioBuffers in_;
    vsthost::AudioBuffers out_;
};

// The keys held for `voices` notes: distinct, spread over four octaves.
int heldKey(int index);

} // namespace bench
