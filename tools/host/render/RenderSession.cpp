#include "tools/host/render/RenderSession.h"

#include "tools/host/lib/HeldNotes.h"
#include "tools/host/render/RenderProgress.h"

namespace render {
namespace {

// Processing runs between resume/start and stop/suspend, on every path out.
class ProcessingScope {
public:
    explicit ProcessingScope(vsthost::PluginInstance& plugin) : plugin_(plugin) {
        plugin_.resume();
        plugin_.dispatch(effStartProcess);
    }
    ~ProcessingScope() {
        plugin_.dispatch(effStopProcess);
        plugin_.suspend();
    }
    ProcessingScope(const ProcessingScope&) = delete;
    ProcessingScope& operator=(const ProcessingScope&) = delete;

private:
    vsthost::PluginInstance& plugin_;
};

} // namespace

bool RenderSession::play(const kelvanti_host::Performance& performance, const std::vector<VstInt32>& changeIndices,
                         const kelvanti_host::EventSchedule& schedule, int64_t totalFrames,
                         kelvanti_host::WavWriter& writer, kelvanti_host::RenderSummary& summary, std::string& error) {
    const AEffect* effect = plugin_.effect();
    vsthost::AudioBuffers inputs(effect->numInputs, options_.blockSize);
    vsthost::AudioBuffers outputs(effect->numOutputs, options_.blockSize);
    const int rightChannel = effect->numOutputs > 1 ? 1 : 0;   // a mono instrument feeds both sides
    vsthost::EventList events;
    kelvanti_host::BlockEvents block;
    kelvanti_host::LevelMeter meter;
    kelvanti_host::HeldNotes heldNotes;
    RenderProgress progress(totalFrames, options_.sampleRate, progressShown_);
    {
        ProcessingScope processing(plugin_);
        plugin_.dispatch(effIdle);   // what resume deferred (a default preset) is in place before the first block
        const int64_t blocks = schedule.blockCount(totalFrames);
        for (int64_t index = 0; index < blocks; ++index) {
            schedule.block(index, totalFrames, block);
            for (const kelvanti_host::ParameterChange* change : block.parameterChanges) {
                const auto position = static_cast<std::size_t>(change - performance.parameterChanges.data());
                plugin_.setParameter(changeIndices.at(position), change->value);
            }
            events.clear();
            for (const kelvanti_host::BlockMidiEvent& e : block.midi) {
                events.addMidi(e.offset, e.status, e.data1, e.data2);
                heldNotes.apply(e.status, e.data1, e.data2);
            }
            if (!events.empty()) plugin_.sendEvents(events);
            outputs.fill(0.0f);
            plugin_.processReplacing(inputs, outputs, block.frames);
            // Program changes the block decoded take effect from the next block on.
            plugin_.dispatch(effIdle);
            const float* left = outputs.channel(0).data();
            const float* right = outputs.channel(rightChannel).data();
            meter.add(left, right, static_cast<std::size_t>(block.frames));
            if (!writer.write(left, right, static_cast<std::size_t>(block.frames), error)) return false;
            progress.update(block.firstSample + block.frames);
        }
    }
    progress.finish();
    summary.audioSeconds = static_cast<double>(totalFrames) / options_.sampleRate;
    summary.peak = meter.peak();
    summary.rms = meter.rms();
    summary.samplesOverFullScale = meter.samplesOverFullScale();
    summary.voicesUsed = plugin_.canDo("receiveVstMidiEvent") < 0 ? -1 : heldNotes.mostHeld();
    summary.wallSeconds = progress.elapsedSeconds();
    return true;
}

} // namespace render
