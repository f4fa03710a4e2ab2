#include "tools/host/render/RenderCommand.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/host/lib/DemoPattern.h"
#include "tools/host/lib/EventSchedule.h"
#include "tools/host/lib/FxpFile.h"
#include "tools/host/lib/MidiFile.h"
#include "tools/host/lib/OutputFile.h"
#include "tools/host/lib/ParameterLookup.h"
#include "tools/host/lib/PluginInstance.h"
#include "tools/host/lib/WavWriter.h"
#include "tools/host/render/PluginLocation.h"
#include "tools/host/render/PluginState.h"
#include "tools/host/render/RenderSession.h"
#include "tools/host/render/ToolMessages.h"

namespace render {
namespace {

std::unique_ptr<vsthost::PluginInstance> loadInstrument(const std::string& path, vsthost::Host& host,
                                                        std::string& error) {
    std::unique_ptr<vsthost::PluginInstance> plugin = vsthost::PluginInstance::load(path, host, error);
    if (!plugin) return nullptr;
    const AEffect* effect = plugin->effect();
    if (!(effect->flags & effFlagsIsSynth)) {
        error = "'" + path + "' is not an instrument (no isSynth flag)";
        return nullptr;
    }
    if (effect->numOutputs < 1 || !effect->processReplacing) {
        error = "'" + path + "' has no " + (effect->numOutputs < 1 ? "outputs" : "processReplacing");
        return nullptr;
    }
    return plugin;
}

// Everything the command line names to read, read and checked before the
// plug-in is touched or anything is written.
struct Inputs {
    std::vector<kelvanti_host::MidiEvent> midi;
    std::vector<uint8_t> bank;
    kelvanti_host::ChunkPreset preset;
};

bool readInputs(const Options& options, Inputs& inputs, std::string& error) {
    return (options.midiPath.empty() || kelvanti_host::readMidiFile(options.midiPath, inputs.midi, error)) &&
           (options.bankPath.empty() || readBankFile(options.bankPath, inputs.bank, error)) &&
           (options.fxpPath.empty() || kelvanti_host::readChunkPreset(options.fxpPath, inputs.preset, error));
}

// The MIDI file's events, or the demo with its parameter changes. Demo
// parameters the plug-in does not have are dropped, with a warning line for
// when playing starts; those the command line sets keep the value it gave.
void buildPerformance(Inputs& inputs, bool fromFile, vsthost::PluginInstance& plugin,
                      const std::vector<VstInt32>& setByUser, kelvanti_host::Performance& out,
                      std::vector<VstInt32>& changeIndices, std::string& warning) {
    if (fromFile) {
        out.midi = std::move(inputs.midi);
        return;
    }
    kelvanti_host::Performance demo = kelvanti_host::demoPattern();
    out.midi = std::move(demo.midi);
    std::string missing;
    for (const kelvanti_host::ParameterChange& change : demo.parameterChanges) {
        const VstInt32 index = vsthost::findParameter(plugin, change.name);
        if (index < 0) {
            if (missing.find("'" + change.name + "'") == std::string::npos)
                missing += (missing.empty() ? "'" : ", '") + change.name + "'";
        } else if (std::find(setByUser.begin(), setByUser.end(), index) == setByUser.end()) {
            out.parameterChanges.push_back(change);
            changeIndices.push_back(index);
        }
    }
    if (!missing.empty())
        warning = "warning: the demo's parameter changes of " + missing +
                  " are skipped (the plug-in has no such parameters)";
}

// Whether a run plays (and writes a WAV file): unless it only saves.
bool plays(const Options& options) {
    const bool saving = !options.saveBankPath.empty() || !options.saveFxpPath.empty();
    return !saving || !options.midiPath.empty() || !options.outputPath.empty();
}

// Two outputs on one file would leave only the last one written (or both,
// one after the other, on one stream): refused before anything is written.
bool outputsApart(const Options& options, std::string& error) {
    struct Output {
        std::string option, path;
    };
    std::vector<Output> outputs;
    if (plays(options))
        outputs.push_back({options.outputPath.empty() ? "--out (by default)" : "--out",
                           options.outputPath.empty() ? kDefaultOutputPath : options.outputPath});
    if (!options.saveBankPath.empty()) outputs.push_back({"--save-bank", options.saveBankPath});
    if (!options.saveFxpPath.empty()) outputs.push_back({"--save-fxp", options.saveFxpPath});
    for (std::size_t i = 0; i < outputs.size(); ++i) {
        for (std::size_t j = i + 1; j < outputs.size(); ++j) {
            if (!kelvanti_host::sameOutput(outputs[i].path, outputs[j].path)) continue;
            error = outputs[i].option + " " + outputs[i].path + " and " + outputs[j].option + " " + outputs[j].path +
                    " are the same file: give each output its own";
            return false;
        }
    }
    return true;
}

std::string gibibytes(uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f GiB", static_cast<double>(bytes) / (1024.0 * 1024.0 * 1024.0));
    return text;
}

} // namespace

int runRender(const Options& options) {
    kelvanti_host::removeTemporariesOnSignals();
    Inputs inputs;
    std::string error;
    if (!outputsApart(options, error) || !readInputs(options, inputs, error)) return fail(error);

    const std::string pluginPath = options.pluginPath.empty() ? defaultPluginPath() : options.pluginPath;
    vsthost::Host host;
    host.answers().sampleRate = options.sampleRate;
    host.answers().blockSize = options.blockSize;
    // Idle calls come from the render loop, in render time: the plug-in needs
    // no timer of its own, and what it defers to idle lands at the same place
    // in the audio on every run.
    host.answers().canDo["supplyIdle"] = 1;
    std::unique_ptr<vsthost::PluginInstance> plugin = loadInstrument(pluginPath, host, error);
    if (!plugin) return fail(error);
    plugin->open();
    plugin->setSampleRate(static_cast<float>(options.sampleRate));
    plugin->setBlockSize(options.blockSize);

    const bool playing = plays(options);
    std::vector<VstInt32> setByUser;
    for (const ParameterSetting& setting : options.settings)
        setByUser.push_back(vsthost::findParameter(*plugin, setting.name));
    kelvanti_host::Performance performance;
    std::vector<VstInt32> changeIndices;
    std::string warning;
    buildPerformance(inputs, !options.midiPath.empty(), *plugin, setByUser, performance, changeIndices, warning);

    // Every output is checked (and its temporary file made) before anything is loaded.
    const kelvanti_host::EventSchedule schedule(performance, options.sampleRate, options.blockSize);
    const int64_t totalFrames = schedule.totalFrames(options.tailSeconds);
    const auto format = options.floatOutput ? kelvanti_host::WavSampleFormat::Float32
                                            : kelvanti_host::WavSampleFormat::Pcm24;
    const std::string outputPath = options.outputPath.empty() ? kDefaultOutputPath : options.outputPath;
    kelvanti_host::WavWriter writer;
    if (playing) {
        const auto frames = static_cast<uint64_t>(totalFrames);
        if (!kelvanti_host::wavFileFits(frames, format))
            return fail(outputPath + ": the render would take " + gibibytes(kelvanti_host::wavFileBytes(frames, format)) +
                        ", past the WAV format's 4 GiB limit; shorten the MIDI file or --tail, or lower --rate");
        if (!writer.open(outputPath, options.sampleRate, format, error, frames)) return fail(error);
    }
    kelvanti_host::OutputFile bankOut, presetOut;
    if ((!options.saveBankPath.empty() && !bankOut.prepare(options.saveBankPath, error)) ||
        (!options.saveFxpPath.empty() && !presetOut.prepare(options.saveFxpPath, error)))
        return fail(error);

    std::vector<uint8_t> bankBytes, presetBytes;
    std::vector<VstInt32> touched;
    std::vector<std::string> notes;
    if ((!options.bankPath.empty() && !loadBank(*plugin, inputs.bank, options.bankPath, error)) ||
        (!options.fxpPath.empty() && !loadPreset(*plugin, inputs.preset, options.fxpPath, error)) ||
        !applySettings(*plugin, options.settings, touched, notes, error) ||
        (!options.saveBankPath.empty() && !bankFileBytes(*plugin, bankBytes, error)) ||
        (!options.saveFxpPath.empty() && !presetFileBytes(*plugin, presetBytes, error)))
        return fail(error);
    for (const std::string& note : notes) tellUser(note);

    kelvanti_host::RenderSummary summary;
    if (playing) {
        if (!warning.empty()) tellUser(warning);
        constexpr int kStandardError = 2;
        const bool errorTaken = writer.descriptor() == kStandardError || bankOut.descriptor() == kStandardError ||
                                presetOut.descriptor() == kStandardError;
        RenderSession session(*plugin, options, !errorTaken);
        if (!session.play(performance, changeIndices, schedule, totalFrames, writer, summary, error))
            return fail(error);
    }
    // All went well. Every temporary file is completed and flushed first, then
    // the streams are written, then the files are renamed into place: an
    // output that fails (a full disk, a reader that quits) replaces nothing,
    // and the destructors remove the temporary files.
    struct Save {
        const std::string& path;
        kelvanti_host::OutputFile& out;
        const std::vector<uint8_t>& bytes;
    };
    const Save saves[] = {{options.saveBankPath, bankOut, bankBytes}, {options.saveFxpPath, presetOut, presetBytes}};
    for (const bool streams : {false, true}) {
        if (playing && writer.isStream() == streams && !writer.complete(error)) return fail(error);
        for (const Save& save : saves) {
            if (save.path.empty() || save.out.isStream() != streams) continue;
            if (!save.out.write(save.bytes.data(), save.bytes.size(), error) || !save.out.complete(error))
                return fail(error);
        }
    }
    if (playing && !writer.publish(error)) return fail(error);
    for (const Save& save : saves)
        if (!save.path.empty() && !save.out.publish(error)) return fail(error);
    if (playing) {
        summary.outputPath = outputPath == "-" ? "standard output" : outputPath;
        summary.clips = format == kelvanti_host::WavSampleFormat::Pcm24;
        // Standard output that carries a file takes nothing else.
        const bool outputTaken =
            writer.toStandardOutput() || bankOut.isStandardOutput() || presetOut.isStandardOutput();
        std::fprintf(outputTaken ? stderr : stdout, "%s\n", kelvanti_host::formatRenderSummary(summary).c_str());
    }
    return 0;
}

} // namespace render
