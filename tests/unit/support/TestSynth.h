#pragma once
// A plug-in base for tests: one recording instrument, recording voices, a
// scriptable host callback, and the hooks of the later layers recorded.
#include "engine/modules/Tone_c.h"
#include "framework/synth/Synth.h"
#include "framework/voice/Instrument_c.h"

#include <atomic>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testsynth {

// Host answers for the plug-in's callbacks; one host at a time (set it before
// the plug-in is made; read from any thread).
struct FakeHost {
    std::map<std::string, VstIntPtr> canDo;
    std::string vendor = "Test Vendor";
    std::string product = "Test Host";
    VstIntPtr vendorVersion = 1;
    std::map<VstInt32, VstIntPtr> outputPinConnected; // 0 or missing: connected
    bool provideTime = false;
    VstTimeInfo time{};
    std::atomic<int> wantMidiCalls{0};
    std::atomic<int> sentEvents{0};
    std::atomic<int> displayUpdates{0};
    // The first MIDI message of each event list sent to the host (the first 256 lists).
    static constexpr int kSentRecords = 256;
    uint8_t sentMidi[kSentRecords][3] = {};

    static FakeHost*& current() {
        static FakeHost* host = nullptr;
        return host;
    }
    static VstIntPtr callback(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void* ptr, float) {
        FakeHost* h = current();
        if (!h) return 0;
        switch (opcode) {
        case audioMasterVersion: return kVstVersion;
        case audioMasterCanDo: {
            auto it = h->canDo.find(ptr ? static_cast<const char*>(ptr) : "");
            return it == h->canDo.end() ? 0 : it->second;
        }
        case audioMasterGetVendorString: std::strcpy(static_cast<char*>(ptr), h->vendor.c_str()); return 1;
        case audioMasterGetProductString: std::strcpy(static_cast<char*>(ptr), h->product.c_str()); return 1;
        case audioMasterGetVendorVersion: return h->vendorVersion;
        case audioMasterPinConnected: {
            auto it = h->outputPinConnected.find(index);
            return it == h->outputPinConnected.end() ? 0 : it->second;
        }
        case audioMasterGetTime: return h->provideTime ? reinterpret_cast<VstIntPtr>(&h->time) : 0;
        case audioMasterWantMidi: h->wantMidiCalls++; return 1;
        case audioMasterUpdateDisplay: h->displayUpdates++; return 1;
        case audioMasterProcessEvents: {
            const int n = h->sentEvents++;
            const auto* list = static_cast<const VstEvents*>(ptr);
            if (n < kSentRecords && list && list->numEvents > 0 && list->events[0] &&
                list->events[0]->type == kVstMidiType) {
                const auto* midi = reinterpret_cast<const VstMidiEvent*>(list->events[0]);
                for (int i = 0; i < 3; ++i) h->sentMidi[n][i] = static_cast<uint8_t>(midi->midiData[i]);
            }
            return 1;
        }
        default: return 0;
        }
    }
    FakeHost() { current() = this; }
    ~FakeHost() { current() = nullptr; }
};

// A voice that keeps sounding until told to finish and records its notes.
class RecordingTone : public Tone_c {
public:
    using Tone_c::noteOn;
    void noteOn(int32_t instrumentIndex, const NoteC_c& note, bool reused, bool legato) override {
        Tone_c::noteOn(instrumentIndex, note, reused, legato);
        ++noteOns;
        sounding = true;
    }
    void noteOff(int row, Note_c note) override {
        Tone_c::noteOff(row, note);
        ++noteOffs;
        released = true;
    }
    void kill() override {
        Tone_c::kill();
        ++kills;
        sounding = false;
    }
    bool render(int32_t) override { return finishOnRender; }
    int noteOns = 0;
    int noteOffs = 0;
    int kills = 0;
    bool sounding = false;
    bool released = false;
    bool finishOnRender = false;
};

// Records every slice and every decoded event with the frames rendered before it.
class RecordingInstrument : public Instrument_c {
public:
    struct Decoded {
        int32_t renderedBefore;
        uint8_t bytes[3];
    };
    void renderVoices(int32_t n) override {
        if (slices.size() < kMaxRecords) slices.push_back(n);
        framesRendered += n;
        Instrument_c::renderVoices(n);
    }
    void decodeMidi(const uint8_t bytes[3], bool askFilter) override {
        if (decoded.size() < kMaxRecords) decoded.push_back({framesRendered, {bytes[0], bytes[1], bytes[2]}});
        Instrument_c::decodeMidi(bytes, askFilter);
    }
    void reserve() {
        slices.reserve(kMaxRecords);
        decoded.reserve(kMaxRecords);
    }
    void clearRecords() {
        slices.clear();
        decoded.clear();
        framesRendered = 0;
    }
    static constexpr size_t kMaxRecords = 4096;
    std::vector<int32_t> slices;
    std::vector<Decoded> decoded;
    int32_t framesRendered = 0;
};

inline SynthConfig testConfig(int32_t voices = 24, int32_t parts = 1) {
    SynthConfig config;
    config.voices = voices;
    config.parts = parts;
    config.productName = "Kelvanti";
    config.versionText = "1.1b";
    config.engineName = "Zendrix";
    return config;
}

class TestSynth : public Synth {
public:
    explicit TestSynth(audioMasterCallback host = nullptr, const SynthConfig& config = testConfig())
        : Synth(host, config) {
        for (int32_t i = 0; i < config.parts; ++i) instruments.emplace_back(new RecordingInstrument);
        tones.reset(new RecordingTone[static_cast<size_t>(config.voices)]);
        for (auto& i : instruments) i->reserve();
    }
    ~TestSynth() override { close(); }

    void open() override {
        if (isOpened()) return;
        Synth::open();
        if (!isOpened()) return;
        for (int32_t i = 0; i < voiceCount(); ++i) {
            tones[i].bind(this, instruments[0].get(), i);
            setVoice(i, &tones[i]);
        }
        for (int32_t i = 0; i < partCount(); ++i) setPart(i, instruments[i].get());
    }
    void rebindOutputs(float**) override { ++rebinds; }

    RecordingInstrument& instrument(int i = 0) { return *instruments[static_cast<size_t>(i)]; }
    RecordingTone& tone(int i) { return tones[i]; }

    // Hooks of the later layers.
    void selectPartProgram(int32_t part, int32_t program) override {
        partPrograms.push_back({part, program});
        lastSelectedProgram = program; // after the record: a waiter may read the records then
    }
    void selectPartBank(int32_t part, int32_t bank) override { partBanks.push_back({part, bank}); }
    bool handleCommand(int32_t code, int32_t, int32_t, intptr_t) override {
        handled.push_back(code);
        return true;
    }
    void sendAllControllers() override { ++allControllerEchoes; }
    void sendParameterControllers(int32_t, int32_t hostIndex) override { controllerEchoes.push_back(hostIndex); }
    // The test's values where given, else the settings as the base reads them.
    int32_t partMidiChannel(int32_t part) const override {
        return part < static_cast<int32_t>(channels.size()) ? channels[static_cast<size_t>(part)]
                                                            : Synth::partMidiChannel(part);
    }
    bool isPartMuted(int32_t part) const override { return muted || Synth::isPartMuted(part); }
    void setPitchBendRange(int32_t part, int32_t semitones) override {
        bendRanges.push_back({part, semitones});
        Synth::setPitchBendRange(part, semitones);
    }
    bool padVelocityEnabled() const override { return padVelocity; }
    void showEditorNote(int32_t, const NoteC_c&, bool) override { ++editorNotes; }
    void initialise() override { ++initialiseCalls; }

    std::vector<std::unique_ptr<RecordingInstrument>> instruments;
    std::unique_ptr<RecordingTone[]> tones;
    std::vector<std::pair<int32_t, int32_t>> partPrograms, partBanks, bendRanges;
    std::vector<int32_t> handled, controllerEchoes;
    std::vector<int32_t> channels;
    std::atomic<int32_t> lastSelectedProgram{-1};
    int allControllerEchoes = 0;
    int rebinds = 0;
    int editorNotes = 0;
    int initialiseCalls = 0;
    bool muted = false;
    bool padVelocity = true;
};

// Host-style buffers for one block.
struct Block {
    explicit Block(int32_t frames, float fill = 0.5f) : left(static_cast<size_t>(frames), fill), right(left) {
        pointers[0] = left.data();
        pointers[1] = right.data();
    }
    std::vector<float> left, right;
    float* pointers[2];
};

// A VstEvents list of up to 512 short MIDI messages.
struct Events {
    void add(int32_t offset, uint8_t status, uint8_t d1, uint8_t d2) {
        VstMidiEvent& e = midi[static_cast<size_t>(count)];
        e = VstMidiEvent{};
        e.type = kVstMidiType;
        e.byteSize = sizeof(VstMidiEvent);
        e.deltaFrames = offset;
        e.midiData[0] = static_cast<char>(status);
        e.midiData[1] = static_cast<char>(d1);
        e.midiData[2] = static_cast<char>(d2);
        pointers[count] = reinterpret_cast<VstEvent*>(&e);
        ++count;
    }
    VstEvents* list() {
        block.numEvents = count;
        for (int i = 0; i < count; ++i) block.events[i] = pointers[i];
        return reinterpret_cast<VstEvents*>(&block);
    }
    void clear() { count = 0; }
    std::vector<VstMidiEvent> midi = std::vector<VstMidiEvent>(512);
    VstEvent* pointers[512] = {};
    int count = 0;
    // The layout of VstEvents with room for 512 pointers.
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[512];
    } block{};
};

} // namespace testsynth
