#pragma once
// The maker's plug-in base: what every instrument of this family shares
// between the host and its parts. It builds its services when constructed,
// allocates its tables on open (lazily too), switches processing on and off
// with resume and suspend, renders the host's blocks (pre-fill, outputs,
// tempo, the to-audio ring, the parts), takes the host's MIDI to the parts,
// runs deferred work on the idle side, and takes everything down in order.
//
// Threads (see also each section):
//   audio thread   processReplacing, process, processEvents and everything the
//                  parts call back while rendering: no allocation, no blocking
//                  lock but an instrument's queue lock, no system call.
//   host/UI thread open, close, resume, suspend, sample rate, idle, vendor calls.
//   timer thread   the idle callback when the host supplies no idle.
// The life-cycle flags and counters are atomics. The audio side announces
// itself (audio nesting counter) before it tests `blocked`; resume and the
// loaders set `blocked` and then poll the announcement.
//
// Ownership: the parts and voices are made and owned by the plug-in class,
// which hands them over with setPart / setVoice after open; this base owns
// only the pointer tables. A plug-in class calls close() in its destructor
// (hosts call effClose first anyway) so that the idle timer stops before the
// class's own members go.
#include "framework/model/PartContext.h"
#include "framework/platform/Disk_c.h"
#include "framework/platform/FileDialog_c.h"
#include "framework/platform/FileList_c.h"
#include "framework/platform/ModuleManager_c.h"
#include "framework/platform/OsLib_c.h"
#include "framework/platform/SynthServices.h"
#include "framework/sdk/AudioEffectX.h"
#include "framework/settings/ECS2_c.h"
#include "framework/settings/NRPN_c.h"
#include "framework/settings/NoteFreqTable_c.h"
#include "framework/settings/SynGloIns_c.h"
#include "framework/settings/SynGlo_c.h"
#include "framework/settings/SysGlo_c.h"
#include "framework/synth/CmdBuffer_c.h"
#include "framework/synth/EPAS_c.h"
#include "framework/synth/HoldData_c.h"
#include "framework/synth/HostIdentity.h"
#include "framework/synth/PendingParameterWrites.h"
#include "framework/synth/PostponedCommands.h"
#include "framework/platform/Lock_c.h"
#include "framework/model/ModuleTableRow.h"
#include "framework/synth/EarlyHostWrites.h"
#include "framework/synth/ProgramChunkStore.h"
#include "framework/synth/SynthCommand.h"
#include "framework/synth/SynthConfig.h"
#include "framework/synth/ThreadRole.h"
#include "framework/platform/Timer_c.h"
#include "framework/model/NoteC_c.h"
#include "framework/voice/AudioPatchBay_c.h"
#include "framework/voice/NoteClock.h"
#include "framework/voice/PolyNoteTable.h"
#include "framework/voice/SoundingVoice.h"
#include "framework/voice/VoiceHost.h"
#include "os/Random.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class Instrument_c;
class InBuffer2_c;

class Synth : public AudioEffectX, public PartContext, public SynthServices, public VoiceHost {
public:
    static constexpr uint32_t kRingCapacity = 640;
    static constexpr int32_t kPatchBayEntries = 700;
    static constexpr uint32_t kIdleTimerMs = 25;
    static constexpr uint32_t kIdleWatchdogMs = 1000;
    static constexpr uint32_t kBlockedPollMs = 30;
    static constexpr int32_t kFollowersPerEntry = 16;
    static constexpr float kDefaultSampleRate = 44100.0f;
    static constexpr int32_t kMidiAllChannels = 16;
    // NRPN numbers the decoder hands on as program and bank stepping.
    static constexpr int kNrpnProgramDown = 1024;
    static constexpr int kNrpnProgramUp = 1025;
    static constexpr int kNrpnBankDown = 1026;
    static constexpr int kNrpnBankUp = 1027;

    Synth(audioMasterCallback host, const SynthConfig& config);
    ~Synth() override;

    // ---------------------------------------------------------- life cycle
    // Host/UI thread. open runs at most once until close; every entry point
    // that needs it opens lazily and does nothing while opening fails.
    void open() override;
    void close() override;
    void resume() override;
    void suspend() override;
    void setSampleRate(float rate) override;
    void setBlockSize(VstInt32 size) override;
    bool isUsable() const { return usable_; }
    bool isOpened() const { return opened_.load(); }
    bool isReady() const { return ready_.load(); }
    bool isResumed() const { return resumed_.load(); }
    bool isBlocked() const { return blockers_.load() > 0; }
    bool isInitialised() const { return initialised_.load(); }
    bool hasIdleSource() const { return idleSource_.load(); }
    bool outputsConfigured() const { return outputsConfigured_.load(); }
    // Every table open allocates is there.
    bool allocationsComplete() const;
    void updateReady();
    // Blocks the audio side and waits until no block or event call runs.
    // Holders are counted (a resume on one thread must not release the audio
    // side while a bank loads on another): the answer says whether this call
    // holds it; pass it to unblockAudio.
    bool blockAudio();
    void unblockAudio(bool wasSetHere);
    float sampleRateValue() const override { return rate_; }
    float inverseSampleRate() const { return inverseRate_; }

    // ---------------------------------------------------------- audio block
    // Audio thread. Denormals are flushed for the length of each call.
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;
    void process(float** inputs, float** outputs, VstInt32 frames) override;
    // Samples per bar and bar position from the host's time info; true when
    // the transport plays. Defaults (2 × rate, 0) without usable time info.
    bool readHostTempo(int32_t* samplesPerBar, int32_t* position) override;
    void setIoConfig(int32_t stereoPairs, int32_t monoOutputs, int32_t inputs);
    void configureOutputs();
    int32_t stereoPairs() const { return stereoPairs_; }
    int32_t monoOutputs() const { return monoOutputs_; }
    int32_t outputChannels() const { return 2 * stereoPairs_ + monoOutputs_; }
    // The remembered host output pointer of a channel (null when unknown).
    float* outputPointer(int32_t channel) const;
    // The two output write positions the instruments move within a block.
    void advanceOutputPositions(int32_t n) override;
    void rewindOutputPositions(int32_t n) override;
    int32_t outputPosition(int32_t i) const { return i == 0 || i == 1 ? outputPositions_[i] : 0; }
    uint32_t runningSampleCount() const { return runningSamples_.load(std::memory_order_relaxed); }
    bool firstBlockRendered() const { return firstBlockRendered_.load(); }
    // The note clock (ms of audio rendered): the blocks before this one and,
    // while a part walks its block, the position of the event it decodes.
    uint32_t noteTimeMs() const override;
    double lastTempo() const { return lastTempo_; }
    double secondsPerBeat() const { return secondsPerBeat_; }
    // Samples per beat at the last host tempo; 0 before one is known.
    double samplesPerBeat() const override;
    // True while a block or an event call runs (the in-audio flag).
    bool inAudio() const { return audioNesting_.load() > 0; }
    bool transportPlaying() const { return playing_; }

    // ---------------------------------------------------------- MIDI intake
    // Audio thread (or the host's event thread). Answers 1.
    VstInt32 processEvents(VstEvents* events) override;
    void routeMidiEvent(int32_t offset, const uint8_t bytes[3]);
    void handleSystemMessage(const uint8_t bytes[3]) override;
    void handleControllerInput(const uint8_t bytes[3]) override;
    // The note roads the instruments call while decoding (audio thread).
    int32_t noteOnPart(int32_t part, const NoteC_c& note, const NoteC_c& received) override;
    int32_t noteOnWithChoke(int32_t part, const NoteC_c& note, const NoteC_c& received) override;
    void startVoice(int32_t part, int32_t voice, const NoteC_c& note, bool reused);
    void noteOffPart(int32_t part, const NoteC_c& note) override;
    void allNotesOffPart(int32_t part) override;
    void allNotesOff();
    void killPartVoices(int32_t part) override;
    void killVoice(int32_t voice);
    void chokePart(int32_t part);
    // A voice finished: its slot is freed and the part's count updated.
    void updateNotesOn(int32_t voice) override;
    void resetVoices();
    bool partListensOnChannel(int32_t channel, int32_t part);
    // Editor thread: appends a keyboard note to the to-audio ring.
    bool queueEditorNote(int32_t part, int32_t note, int32_t velocity, int32_t channel, bool on);
    void sendControllerValue(int32_t channel, int32_t controller, int32_t value);
    void sendNoteToHost(int32_t channel, int32_t note, int32_t velocity, bool on);
    bool inSysEx() const { return inSysEx_; }
    // The controller outputs to send on: 0 from construction, and nothing in this
    // plug-in sets it, so the controller echo stays dormant (tests set it by hand).
    int32_t controllerOutputCount() const { return controllerOutputs_; }
    void setControllerOutputCount(int32_t n) { controllerOutputs_ = n; }

    // ---------------------------------------------------------- idle side
    // Any thread but the audio thread: enters the plug-in lock (blocking)
    // when something waits for the idle side (idleWorkWaits).
    void drainIdleQueue();
    // A record in the to-idle ring, a parameter write with file work, a
    // resume or learnt controllers to store.
    bool idleWorkWaits() const;
    // With nothing waiting a drain only notes that it ran (the watchdog reads
    // that): no lock, no busy mark, no thread role. True when it did.
    bool passEmptyDrain();
    VstInt32 fxIdle() override;
    VstIntPtr vendorSpecific(VstInt32 index, VstIntPtr value, void* ptr, float opt) override;
    // Only posts the host program change for the next drain.
    void setProgram(VstInt32 program) override;
    // The host's program number (the program-number mirror); any thread.
    VstInt32 getProgram() override { return curProgram.load(std::memory_order_relaxed); }
    static void idleTimerCallback(void* context);
    uint32_t lastIdleDrainMs() const { return lastDrain_.load(std::memory_order_relaxed); }
    bool idleTimerRunning() const { return timer_.isRunning(); }
    Lock_c& lock() { return lock_; }

    // ---------------------------------------------------------- commands
    // Code 89 is dropped until the first block was rendered.
    bool postCommand(bool toAudio, uint8_t code, int16_t a, int16_t b, intptr_t p, intptr_t q, int mode);
    bool postIdleCommand(uint8_t code, int16_t a, int16_t b, intptr_t p = 0, intptr_t q = 0, int mode = kPushAppend);
    bool postAudioCommand(uint8_t code, int16_t a, int16_t b, intptr_t p = 0, intptr_t q = 0, int mode = kPushAppend);
    void executeAudioCommand(HoldData_c& record);
    void executeIdleCommand(HoldData_c& record);
    // An error box for the idle side to show (caption: a constant text); any
    // thread but the audio thread; never blocks.
    void postErrorMessage(const char* caption, const std::string& text);
    CmdBuffer_c& toAudioRing() { return toAudio_; }
    CmdBuffer_c& toIdleRing() { return toIdle_; }

    // ---------------------------------------------------------- the audio side never waits
    // On the audio side (threadrole::onAudioSide) nothing waits for a lock or
    // guard another thread holds, and nothing touches files or the registry:
    // - a push that finds its ring's guard held is postponed, counted, and
    //   pushed at the start of the next block (in order, before the drain);
    // - a parameter write that cannot take its part's lock is queued and
    //   written at the next block;
    // - a parameter write whose change handler works with files or the
    //   registry (writeTouchesFiles) goes to the idle side, done by the next
    //   drain;
    // - a resume that cannot take the plug-in lock at once, or finds a block
    //   running, is done by the next drain.
    uint32_t postponedPushCount() const { return postponedPushes_.load(std::memory_order_relaxed); }
    // Pushes lost because the postponed store was full as well.
    uint32_t lostPushCount() const { return lostPushes_.load(std::memory_order_relaxed); }
    uint32_t postponedParameterWriteCount() const { return writesForNextBlock_.postponedTotal(); }
    uint32_t idleSideParameterWriteCount() const { return writesForIdle_.postponedTotal(); }
    bool resumePending() const { return resumePending_.load(); }
    // The settings whose change handlers read or write files or the registry:
    // the system settings, the tuning table, the controller assignment's
    // switch and mode, and the parts' preset load and save paths.
    bool writeTouchesFiles(const Part_c* target, int32_t column) const;

    // ---------------------------------------------------------- parts, voices, modules
    int32_t partCount() const { return config_.parts; }
    int32_t voiceCount() const { return config_.voices; }
    // Opening thread, after open: hands over a part or voice (not owned).
    void setPart(int32_t index, Instrument_c* part);
    void setVoice(int32_t index, SoundingVoice* voice);
    // The part of n clamped to 0..parts - 1 (null before open or when empty).
    Instrument_c* getPart(int32_t n) const;
    SoundingVoice* getVoice(int32_t index) const override;
    PolyNoteTable_c& voiceTable() override { return voiceTable_; }
    void requestProgramChange(int32_t part, int32_t program) override;
    void requestBankSelect(int32_t part, int32_t bank) override;
    int32_t getCurrentPart() const { return currentPart_.load(std::memory_order_relaxed); }
    // Registers a module row; the row index, or -1 when the registry is full.
    int32_t addModuleRow(Part_c** objects, int32_t count, const char* typeId, int32_t instance, int32_t kind);
    // Registers and binds a row whose objects share the set of objects[0]
    // (its owner); the row index, or -1 when the registry is full.
    int32_t registerModuleRow(Part_c** objects, int32_t count, int32_t instance, int32_t kind);
    const ModuleTableRow* moduleRow(int32_t row) const;
    int32_t moduleRowCount() const { return moduleRowCount_; }
    // Every object of the row: the plug-in, the tuning table, the sample rate.
    void bindModuleRow(int32_t row);
    AudioPatchBay_c& patchBay() { return patchBay_; }
    void addPatchBayEntry(const char* label, int16_t row, InBuffer2_c* target, int32_t targetParam,
                          Part_c* conditionPart, int16_t conditionColumn, int16_t conditionValue);
    void applyPatchBay(int32_t value) { patchBay_.apply(value); }
    void applyPatchBayToObject(Part_c* object, int32_t value) { patchBay_.applyTo(object, value); }

    // ---------------------------------------------------------- chunks and preset files
    // Host threads (user interface or worker), never the audio thread.
    // getChunk and setChunk hold the plug-in's Lock_c while they read or write,
    // so no idle drain runs in the middle of them. A bank is applied with the
    // audio side held off from before the modules are reset until after the
    // closing steps; a program under its part's program lock.
    static constexpr size_t kChunkStoreBytes = 4000000;
    // The host-parameter entry automated after a preset file is loaded or
    // saved, so the host marks its project as changed.
    static constexpr VstInt32 kPresetMarkerEntry = 25;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    // Captures the slot's program and points data at it (valid until the slot
    // changes); its size, or 0 for a slot outside the stores, no data pointer
    // or no program (never a negative size: hosts take it as a length).
    int32_t getProgramChunk(int32_t slot, const uint8_t** data);
    // Stores a copy and applies it to the slot's part with the part disabled
    // and its voices killed: -1 for no data or size <= 0, 0 for a slot outside
    // the stores or without a part, else size. A chunk refused for a block no
    // part takes posts the "format mismatch" box unless tellRefusal is false
    // (a caller that reports the failure itself).
    int32_t setProgramChunk(int32_t slot, const uint8_t* data, int32_t size, bool tellRefusal = true);
    void capturePartProgram(int32_t slot);
    void applyStoredProgram(int32_t slot);
    void clearProgramChunk(int32_t slot);
    const MemC_c* storedProgram(int32_t slot) const { return partPrograms_.stored(slot); }
    // FXP preset files (blocking file I/O). load answers the bytes applied, 0
    // for a file that cannot be read or is refused (nothing changes then).
    // save answers false when nothing was written; reason (when given) then
    // says why, as the system does ("Permission denied"); empty for an empty path.
    // These and the program-chunk calls take the plug-in lock (the stored
    // programs): never call them inside a part's parameter lock.
    // markForHost: the preset marker tells the host its project changed
    // (false for the default preset of the first resume).
    int32_t loadProgramFile(int32_t slot, const std::string& path, bool markForHost = true);
    // The program chunk of a preset file of this plug-in; empty when the file
    // cannot be read or is no such preset.
    std::vector<uint8_t> readProgramFileChunk(const std::string& path) const;
    bool saveProgramFile(int32_t slot, const std::string& path, std::string* reason = nullptr);
    // Millisecond clock of the last setChunk (host program changes wait 1000 ms after it).
    uint32_t lastSetChunkMs() const { return lastSetChunk_.load(std::memory_order_relaxed); }
    // True while a bank is being applied.
    bool loadingChunk() const { return chunkLoads_.load() > 0; }

    // ---------------------------------------------------------- host
    HostId getHostId() const { return hostId_; }
    int32_t hostVendorVersion() const { return hostVendorVersion_; }
    bool acceptsIoChanges() const { return acceptIoChanges_; }
    // Asks the host for its names and applies the answer.
    void identifyHostNow();
    const SynthConfig& config() const { return config_; }
    os::Random15& random() { return random_; }

    // Process-wide tables, built once on first use (thread-safe).
    // linear[i] = i / 127; exponential[i] = exp(0.05 × (i − 127)); i = 0..127.
    static const float* linearTable();
    static const float* exponentialTable();

    // PartContext
    void notifyLinkedParts(Part_c& part, int row, int column) override;
    void routePart(Part_c& part, int row) override;

    // ---------------------------------------------------------- host parameters
    // The parameter map: entry index -> (module, column, part). The plug-in
    // class fills it in its open (setParameterEntry); it is read from any
    // thread afterwards. Host index = part × stride + entry.
    struct ParameterTarget {
        Part_c* target = nullptr;
        int32_t row = 0;
        int32_t column = -1;
        bool valid() const { return target != nullptr && column >= 0; }
    };
    // Host calls (any host thread; the audio thread included).
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* text) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    using ColumnText = void (Part_c::*)(int row, int column, char* buffer, size_t size) const;
    void writeHostColumnText(VstInt32 index, char* text, ColumnText columnText);
    bool beginEdit(VstInt32 index) override;
    bool endEdit(VstInt32 index) override;
    // The longest name, label or display text handed to a host.
    static constexpr int32_t kParameterTextChars = 23;

    // Opening thread: fills one entry (see EPAS_c::set); nothing outside the map.
    void setParameterEntry(int32_t entry, const char* name, int32_t partCode, Part_c* target, int32_t column,
                           bool hostLocked, EPAS_c::Callback callback = nullptr);
    const EPAS_c* parameterEntry(int32_t entry) const;
    int32_t parameterEntryCount() const { return entries_ ? config_.hostParameterEntries : 0; }
    // Target, row and column of an entry at the current part (part -1 entries).
    ParameterTarget lookupParameter(int32_t entry) const;
    // The same at the part of a host index; nothing for a negative index.
    ParameterTarget lookupHostParameter(int32_t hostIndex, int32_t* entry = nullptr) const;
    // The entry the host road never applies (preset marker) and the entries
    // a touch never makes the learn target.
    void setPresetMarkerEntry(int32_t entry) { markerEntry_ = entry; }
    int32_t presetMarkerEntry() const { return markerEntry_; }
    void setLearnExcludedEntry(int32_t slot, int32_t entry);

    // The three roads. All end in setParameterLocked.
    void setParameterFromHost(int32_t hostIndex, float value);
    void setParameterFromController(int32_t entry, Part_c* target, int32_t row, int32_t column, float value);
    // The editor's road (entry indexes; the current part for part -1 entries):
    // the host is told of host-visible entries.
    void setParameterFromEditor(int32_t entry, float value);
    // The common write: the part's lock at the thread's outermost write
    // (only tried on the audio thread), the value, the linked objects, the
    // change handler, then the editor.
    // False when the audio side could not take the part's lock: nothing was
    // written, and the road queues the write for the next block (its
    // follow-up work, callback and echo, runs then).
    bool setParameterLocked(int32_t entry, Part_c* target, int32_t row, int32_t column, float value,
                            bool editorNow);
    void setParameterText(int32_t entry, const char* text);
    void stepParameter(int32_t entry, bool up);
    void setLearnTarget(int32_t entry);

    // Editor accessors by entry index (0, none or nothing without a column).
    int32_t getParameterIntByIndex(int32_t entry) const;
    float getParameterByIndex(int32_t entry);
    Parameter_c* findParameter(int32_t entry) const;
    void setParameterIntByIndex(int32_t entry, int32_t value);
    // The column's descriptor: range, default, curve, digits (the entry width
    // of option lists) and option text ("" without a column).
    int32_t getParameterMinByIndex(int32_t entry) const;
    int32_t getParameterMaxByIndex(int32_t entry) const;
    int32_t getParameterDefaultByIndex(int32_t entry) const;
    float getParameterCurveByIndex(int32_t entry) const;
    int16_t getParameterDigitsByIndex(int32_t entry) const;
    const char* getParameterOptionTextByIndex(int32_t entry) const;
    // The normalised position of the column's default value, not of its
    // current value: it is what a control resets to on a Control-click.
    float getParameterValueByIndex(int32_t entry) const;
    // The value text of the entry's column, at most limit characters.
    void getParameterText(int32_t entry, char* text, int32_t limit);

    // Editor notification and link lists.
    void notifyEditor(int32_t entry, bool now);
    void notifyLinkedEntries(Part_c* target, int32_t column, int32_t part, bool now);
    void addParameterLink(int32_t entry, int32_t linked);
    void addParameterLink(Part_c* target, int32_t part, int32_t column, int32_t linked);
    // The entries refreshed with an entry (up to 16; -1 ends the list).
    const int16_t* parameterLinks(int32_t entry) const;
    // Whether settings handlers act at once on this thread (inside a host or
    // editor call, or while the plug-in opens) instead of posting to the idle side.
    bool actsNowOnThisThread() const { return threadrole::busyOnThisThread() || opening_.load(); }

    // ---------------------------------------------------------- parameter-change dispatcher
    // Every write of the parameter road ends here, on the writing thread,
    // inside the part's parameter lock: target is the part whose set changed
    // (null: none); column -1: every column changed. The settings columns of
    // 'SYG0' and 'SYG1' take effect here; work for the idle side is posted.
    virtual void onParameterChanged(int32_t row, Part_c* target, int32_t column);
    // Editor keys and clickable areas, and idle commands without a case of
    // their own: true for every code it knows.
    virtual bool handleCommand(int32_t code, int32_t a, int32_t b, intptr_t p);
    // A part's program (kind 0) was loaded or cleared: controller values are
    // re-sent and every module row of that kind re-reads the row.
    void announceRowChanged(int32_t row, int32_t kind);
    // Seeds the registry default of a module file dialog's folder
    // ("<data folder>/<product>Mod/<module>") before its first use.
    void moduleFilePath(const char* moduleName) override;
    // The concert-pitch values the voices read ("Glo Tune").
    float tuneOffset() const { return tuneOffset_.load(std::memory_order_relaxed); }
    float tuneRatio() const { return tuneRatio_.load(std::memory_order_relaxed); }
    // The editor's page operations (codes 51, 63, 64); nothing without an editor.
    virtual void swapEditorFrames() {}

    // ---------------------------------------------------------- programs and program lists
    // A program is an FXP file in a bank folder. Each part has a list of bank
    // folders and a list of the selected folder's programs; selections act on
    // the current part only. They run on the idle side under lock_, or inside
    // host and editor calls; never on the audio thread.
    FileList_c& partProgramList(int32_t part);
    FileList_c& partBankList(int32_t part);
    // No global lists exist in this plug-in family: their operations do nothing.
    virtual bool hasGlobalProgramList() const { return false; }
    virtual bool hasGlobalBankList() const { return false; }
    virtual void selectGlobalProgram(int32_t /*program*/) {}
    virtual void selectGlobalBank(int32_t /*bank*/) {}
    // The host's program change (idle command 73), held off for 1000 ms after
    // a setChunk and, in Fruity, for 1500 ms after open.
    virtual void hostProgramChange(int32_t program);
    // A selection whose preset does not load leaves the program that was
    // current as it was (number, name, path, lists); the load error is shown.
    virtual void selectPartProgram(int32_t part, int32_t program);
    virtual void selectPartBank(int32_t part, int32_t bank);
    void stepPartProgram(int32_t part, bool up);
    // Loads the part's "Preset Load Path"; a file that does not load shows
    // "This preset could not be loaded!". False for that and an empty path.
    // Under lock_ (the idle side).
    bool loadPartPreset(int32_t part);
    // The program-number mirror: the global or the current part's "Program"
    // := value, and the host's program number follows the stored value.
    void setProgramNumber(int32_t value, bool global);
    int32_t getProgramNumber(bool global) const;
    int32_t getPartProgramNumber(int32_t part) const;
    // The current part's bank entry: the folder of the preset last loaded,
    // or the bank last selected, whichever came later; -1 when that folder
    // is not in the bank list. MIDI bank steps count from it (up from -1
    // gives the first bank).
    int32_t currentBankIndex() const { return currentBankIndex_.load(std::memory_order_relaxed); }
    // Program names: the file names of the current part's program list.
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    void setProgramName(char* name) override;
    void renameProgram(int32_t part, const char* name);
    void updateDisplayIfInitialised();
    // After a program was applied to a part: every parameter counts as changed.
    virtual void afterProgramLoad(int32_t part);
    // The part's bank and program list entries from a preset path; with
    // rebase, a stored path is first moved into this machine's bank folder.
    // True when the path names a listed file.
    virtual bool reselectPartFromPath(int32_t part, const std::string& path, bool rebase);
    // After a program chunk from the host: the part's lists, program number
    // and name follow the "Preset Load Path" the chunk brought (rebased);
    // when it names no listed file, no program is named. Host threads.
    void followHostProgram(int32_t part);
    // Lists the folder of the part's bank in its program list; false when
    // the bank names no folder. Under the plug-in lock.
    bool relistPartBank(int32_t part);
    // The part's "Preset Load Path" ("fault", the file list's error text, is
    // stored as an empty text) and the global "Multi Load" text.
    void setPresetLoadPathText(int32_t part, const char* path);
    std::string getPresetLoadPathText(int32_t part) const;
    void setMultiLoadText(const char* text);
    std::string getMultiLoadText() const;
    // The system setting "Default Preset Path"; the bank root folder (two
    // folders above it) follows.
    void setDefaultPresetPath(const std::string& path);
    // The stored default preset, or path when none is stored or keep is false
    // (then stored as the default); empty for neither.
    std::string resolveDefaultPresetPath(const char* path, bool keep);
    // path := bank root + the path's folder name + its file name.
    void rebasePresetPath(std::string& path) const;
    const std::string& bankRootFolder() const { return bankRoot_; }
    // The preset folder at start: folder (relative to the data folder unless
    // absolute) is listed for every part and its default preset loaded; a
    // stored default that does not load counts as none stored. The bank
    // folders beside it are listed whether or not a preset loads.
    void openPresetFolder(const char* folder, bool keep);
    // Before the first resume: the bank root as openPresetFolder(folder,
    // keep) would set it, nothing listed or loaded, so a chunk restored now
    // finds its presets where the banks live on this machine.
    void locatePresetFolder(const char* folder, bool keep);
    // folder made absolute (relative ones under the data folder); empty when
    // no data folder is known.
    std::string presetFolderPath(const char* folder) const;
    // Every part's "Program" := its index and "Edited" := 1 for part 0 only,
    // then the instrument's part set-up.
    virtual void initPartPrograms(int32_t first, int32_t end);
    // The part's selection (current part, "Edit Ins", host program number,
    // "Edited"), then the editor and host displays.
    virtual void setCurrentPart(int32_t part);
    // The part whose parameterChanged(row, -1) runs after a program load
    // besides the settings (the instrument's globals); not owned.
    void setEngineGlobalPart(Part_c* part) { engineGlobalPart_ = part; }

    // ---------------------------------------------------------- hooks
    // Filled by later layers (parameters, settings, programs, controller
    // assignment, editor); the base does nothing or gives the neutral answer.
    // Audio-ring targets (audio thread).
    virtual void sendParameterControllers(int32_t part, int32_t hostIndex);
    virtual void sendAllControllers();
    // Controller input that the NRPN decoder did not take (audio thread).
    virtual bool isControllerLearningArmed() const;
    virtual void learnController(int32_t channel, int32_t number, int32_t value);
    virtual void applyControllerToParameters(int32_t channel, int32_t controller, int32_t value);
    // Part settings read on the audio thread.
    // "InsChIdx" of the part (0..15, 16 = all).
    virtual int32_t partMidiChannel(int32_t part) const;
    // The part's channel, then its key ("Note Lo".."Note Hi") and velocity windows.
    bool partAcceptsNote(int32_t part, const NoteC_c& note) override;
    virtual bool isPartMuted(int32_t part) const;
    virtual bool partSkipsNotes(int32_t /*part*/) const { return false; }
    virtual int32_t partPlayMode(int32_t /*part*/) const { return 0; }
    virtual void setPartNotesOn(int32_t part, int32_t count);
    // RPN 0 data entry: the part's pitch-bend up amount := semitones, down follows up.
    void setPitchBendRange(int32_t part, int32_t semitones) override;
    // Values a voice reads at note on.
    virtual float velocityCurve() const;
    virtual float pitchBendUpAmount(int32_t part) const;
    // -1 (below -1e-7) when the down amount follows the up amount.
    virtual float pitchBendDownAmount(int32_t part) const;
    virtual float tuningStepSize() const;
    // The system setting "Pad Velocity".
    virtual bool padVelocityEnabled() const;
    // The instrument's part set-up after a program or bank load.
    virtual void initPart(int32_t /*part*/) {}
    // The mute/solo state after a bank replaced every part's "Solo".
    virtual void recountSolo();
    // Editor (audio thread for the keyboard notes; the editor queues them).
    virtual void showEditorNote(int32_t /*part*/, const NoteC_c& /*note*/, bool /*on*/) {}
    virtual void editorRefreshAll() {}
    // The editor's control of an entry changed; now: redraw at once (only ever
    // true on the editor's own thread), else queue the redraw.
    virtual void editorParameterChanged(int32_t /*entry*/, bool /*now*/) {}
    virtual bool hasEditorListener() const { return false; }
    // True on the thread the editor draws on (none without an editor).
    virtual bool onEditorThread() const { return false; }
    // Writes the version text the editor shows into the system settings.
    virtual void setVersionLabel() {}
    // Settings loading in open and resume: the system settings once, and the
    // controller assignment from the registry.
    virtual void loadSystemSettings();
    virtual void setupControllerAssignments();

    // SynthServices (settings and file services; never the audio thread).
    std::string productName() const override;
    ModuleManager_c* moduleManager() override { return &moduleManager_; }
    // Holds the row's instrument (its program lock) while the row is replaced.
    bool beginRowLoad(Part_c& part, int row) override;
    void endRowLoad(Part_c& part, int row) override;
    void rowReplaced(Part_c& part, int row) override;
    void refreshPartDisplay(Part_c& part, int row) override;

    // The settings members.
    SysGlo_c& systemSettings() { return sysGlo_; }
    SynGlo_c& globalSettings() { return synGlo_; }
    SynGloIns_c& instrumentSettings() { return synGloIns_; }
    ECS2_c& controllerAssignment() { return ecs_; }
    NoteFreqTable_c& tuningTable() { return tuning_; }
    FileDialog_c& fileDialog() { return fileDialog_; }
    Disk_c& disk() { return disk_; }
    // Once, at the end of the first resume, or earlier through
    // initialiseBeforeResume.
    virtual void initialise() {}
    // Establishes the bank root as initialise would, loading nothing: called
    // before a chunk is applied to an instance not yet initialised.
    virtual void locateBanks() {}
    // A host that asks for a program name or a chunk before the first resume
    // gets the state that resume would make: the initialise hook runs now
    // (the default preset loads), without notifications. Host threads.
    void initialiseBeforeResume();
    // Binds the host's output pointers to the plug-in's output bus (audio thread).
    virtual void rebindOutputs(float** outputs) = 0;

protected:
    // The plug-in class's construction and open: settings handlers act at once
    // while the opening flag is raised.
    void setOpeningFlag(bool on) { opening_ = on; }
    // After the plug-in class has built its modules: opened := every table there.
    void finishOpen() { opened_ = allocationsComplete(); }
    // The concert-pitch values the voices read ("Glo Tune"): offset in
    // quarter octaves and ratio. Written on the parameter road.
    // Written by the dispatcher on any host thread, read by the voices on the audio thread.
    std::atomic<float> tuneOffset_{0.0f};
    std::atomic<float> tuneRatio_{1.0f};

    // Render core: pre-filled outputs in `outputs`, frames > 0.
    void renderBlock(float** outputs, int32_t frames);
    void clearOutputs(float** outputs, int32_t frames);
    void bindOutputs(float** outputs);
    // Frees what open allocated; the timer is already stopped.
    void releaseBuffers();
    void applyPartOutput(int32_t part);

    // Raised for the length of host idle, timer, vendor, parameter, chunk and
    // editor calls: settings handlers act at once while it is raised.
    class BusyScope {
    public:
        explicit BusyScope(Synth& synth) : synth_(synth) {
            synth_.busy_.fetch_add(1);
            ++threadrole::busyDepth();
        }
        ~BusyScope() {
            --threadrole::busyDepth();
            synth_.busy_.fetch_sub(1);
        }
        BusyScope(const BusyScope&) = delete;
        BusyScope& operator=(const BusyScope&) = delete;
    private:
        Synth& synth_;
    };
    int32_t busyCount() const { return busy_.load(); }

private:
    // Announcement of a running block or event call (see the class comment):
    // raised before `blocked` is tested, lowered when the call ends.
    class AudioScope {
    public:
        explicit AudioScope(Synth& synth) : synth_(synth) {
            synth_.audioNesting_.fetch_add(1);
            ++threadrole::audioDepth();
            threadrole::hasRenderedAudio() = true;
        }
        ~AudioScope() {
            --threadrole::audioDepth();
            synth_.audioNesting_.fetch_sub(1);
        }
        AudioScope(const AudioScope&) = delete;
        AudioScope& operator=(const AudioScope&) = delete;
    private:
        Synth& synth_;
    };
    // A block with no sounding voice, no queued event and nothing waiting
    // for the audio side needs only its pre-fill, already written: this
    // passes it with the block's bookkeeping (announcement, thread role,
    // transport, sample count, idle watchdog) and answers true; false
    // (nothing done) for any other block. No lock, no clock unless the
    // watchdog needs it.
    bool passQuietBlock(int32_t frames);
    // The note clock as the voice table and the controller decoders read it: context is the Synth.
    static uint32_t readNoteClock(const void* synth);
    // Something for the next block's full road: a record in the to-audio
    // ring or postponed, a parameter write or a cancel waiting, a part with
    // a sounding voice or a queued event. Audio side, announced.
    bool audioWorkWaits() const;
    void trackTransport();
    void drainAudioRing();
    // The audio side's postponed work (SynthAudioSide.cpp).
    bool postFromAudioSide(bool toAudio, const HoldData_c& record, int mode);
    void flushPostponedWork();
    void applyIdleSideWork();
    void replayParameterWrite(int32_t part, int32_t entry, PendingParameterWrites::Road road, float value);
    // On the audio side, a write with file work goes to the idle side: true
    // when it was handed on there.
    bool sendFileWorkToIdle(int32_t part, int32_t entry, PendingParameterWrites::Road road, const Part_c* target,
                            int32_t column, float value);
    // resume's work with lock_ held. Without a hold of the audio side from
    // the caller (tryBlockAudio), it waits for running blocks (blockAudio).
    void resumeWithLockHeld(bool audioHeldByCaller);
    // As blockAudio, but false at once (nothing held) while a block runs.
    bool tryBlockAudio();
    void runIdleWatchdog();
    // Stores the time a drain began and tells the timer from when the
    // watchdog may start it (idle side).
    void noteIdleDrain(uint32_t now);
    bool openIfNeeded();
    // Attaches the settings sets and registers the global and instrument rows.
    void registerSettings();
    void fillTables();
    void shutdown();
    friend class SynthBankChunkHost;
    // Steps of the chunk roads (SynthChunks.cpp).
    void runBankClosingSteps();
    void finishBankLoad();
    void resetRegisteredModules();
    void automatePresetMarker();
    // The module-table row whose objects include target (-1 when none).
    int32_t findModuleRow(const Part_c* target) const;
    ParameterTarget resolve(int32_t entry, int32_t partOfIndex) const;

    const SynthConfig config_;
    bool usable_ = false;

    // The shared parameter sets of the settings members, owned by the member
    // that created each (attached in open).
    ParaSet_c* systemSet_ = nullptr;
    ParaSet_c* globalSet_ = nullptr;
    ParaSet_c* instrumentSet_ = nullptr;
    ParaSet_c* assignmentSet_ = nullptr;
    ParaSet_c* tuningSet_ = nullptr;
    ModuleTableRow moduleRows_[ModuleTableRow::kMaxRows];
    Part_c* globalRowObjects_[1] = {};
    Part_c* instrumentRowObjects_[1] = {};

    // Members in construction order (destroyed in reverse).
    SysGlo_c sysGlo_;
    SynGlo_c synGlo_;
    SynGloIns_c synGloIns_;
    ECS2_c ecs_;
    NoteFreqTable_c tuning_;
    OsLib_c osLib_;
    CmdBuffer_c toAudio_;
    CmdBuffer_c toIdle_;
    PolyNoteTable_c voiceTable_;
    ModuleManager_c moduleManager_;
    AudioPatchBay_c patchBay_;
    FileDialog_c fileDialog_;
    Lock_c lock_;
    Timer_c timer_;
    Disk_c disk_;
    NRPN_c nrpn_;
    PostponedCommands postponedToAudio_;
    PostponedCommands postponedToIdle_;
    std::atomic<uint32_t> postponedPushes_{0};
    std::atomic<uint32_t> lostPushes_{0};
    std::atomic<bool> keyboardCancelPending_{false};
    std::atomic<bool> resumePending_{false};

    // Life-cycle flags and counters.
    std::atomic<int32_t> audioNesting_{0};
    std::atomic<int32_t> busy_{0};
    std::atomic<bool> opening_{true};
    std::atomic<bool> closing_{false};
    std::atomic<bool> opened_{false};
    std::atomic<bool> sampleRateSet_{false};
    std::atomic<bool> outputsConfigured_{false};
    std::atomic<bool> initialised_{false};
    std::atomic<bool> ready_{false};
    std::atomic<int32_t> blockers_{0};
    std::atomic<bool> idleSource_{true};
    std::atomic<bool> resumed_{false};
    std::atomic<bool> midiRequested_{false}; // since open (resume asks once)
    std::atomic<bool> firstBlockRendered_{false};
    std::atomic<uint32_t> runningSamples_{0};
    // Audio thread (host threads only while the audio side is blocked).
    NoteClock noteClock_;
    const Instrument_c* walkingPart_ = nullptr; // the part whose block is being walked
    std::atomic<uint32_t> lastDrain_{0};
    // Programs (SynthPrograms.cpp). The lists are touched on the idle side
    // and inside host or editor calls only.
    std::unique_ptr<FileList_c[]> programLists_;
    std::unique_ptr<FileList_c[]> bankLists_;
    std::atomic<int32_t> currentBankIndex_{0};
    std::atomic<bool> notifications_{true};
    bool globalLoad_ = false;
    std::string bankRoot_;
    Part_c* engineGlobalPart_ = nullptr;
    int32_t lastControllerMode_ = 0;
    uint32_t openTime_ = 0;
    double lastTempo_ = -1.0;
    double secondsPerBeat_ = -1.0;
    bool playing_ = false;
    bool inSysEx_ = false;
    int32_t controllerOutputs_ = 0;
    // Written on the idle side or inside host calls, read by the audio thread.
    std::atomic<int32_t> currentPart_{0};
    int32_t moduleRowCount_ = 0;

    float rate_ = 0.0f;
    float inverseRate_ = 0.0f;
    HostId hostId_ = HostId::Unknown;
    int32_t hostVendorVersion_ = 0;
    bool acceptIoChanges_ = false;
    os::Random15 random_;

    // Output configuration (re-allocated by setIoConfig; zero-initialised).
    int32_t outputCapacity_ = 0;
    int32_t stereoPairs_ = 0;
    int32_t monoOutputs_ = 0;
    int32_t inputs_ = 0;
    std::unique_ptr<float*[]> outputPointers_;
    std::unique_ptr<uint8_t[]> outputUnchanged_;
    int32_t outputPositions_[2] = {0, 0};

    // Stored program chunks, one per part program slot. Guarded by lock_.
    ProgramChunkStore partPrograms_{config_.parts * config_.partProgramStores};
    // Parameter writes handed on by the audio side: to the next block (lock
    // busy) and to the idle side (file work).
    PendingParameterWrites writesForNextBlock_{config_.parts, config_.hostParameterEntries};
    PendingParameterWrites writesForIdle_{config_.parts, config_.hostParameterEntries};
    // The chunk last handed to the host by getChunk, bank or program (allocated
    // on the first request, kChunkStoreBytes). The host may read it until its
    // next getChunk or the close: only getChunk writes it, never a program
    // load, capture or preset file. Guarded by lock_.
    std::unique_ptr<uint8_t[]> hostChunk_;
    std::atomic<int32_t> chunkLoads_{0};
    std::atomic<uint32_t> lastSetChunk_{0};
    std::atomic<bool> chunkWasSet_{false};
    // Host writes and chunks between open and the start-up preset load.
    EarlyHostWrites earlyHostWrites_{config_.parts * config_.hostParameterEntries};

    // Allocated by open.
    std::unique_ptr<int16_t[]> followers_;   // link lists: 16 per entry
    std::unique_ptr<EPAS_c[]> entries_;
    int32_t markerEntry_ = -1;
    int32_t learnExcluded_[2] = {-1, -1};
    std::unique_ptr<Instrument_c*[]> parts_;
    std::unique_ptr<SoundingVoice*[]> voices_;

    // ---------------------------------------------------------- parts: zones, mute/solo, choke, pins
public:
    // Mute and solo ('SYG1' "Mute" and "Solo" of a part). fx names the
    // FX-unit forms; this family has no FX units, so they answer 0 and
    // change nothing. setSolo and setMute are the set's own value write: the
    // parameter-change handler is not reached, so they never recurse.
    int32_t getSolo(int32_t part, bool fx) const;
    int32_t getMute(int32_t part, bool fx) const;
    void setSolo(int32_t part, bool fx, int32_t value);
    void setMute(int32_t part, bool fx, int32_t value);
    // After part n's "Solo" (isSolo) or "Mute" changed on the parameter road:
    // the other parts of first..last follow (the writing thread, inside the
    // parameter write). Nothing before the plug-in is ready.
    void updateMuteSolo(int32_t n, bool isSolo, int32_t first, int32_t last, bool fx);
    // Soloed parts after the last update or bank load.
    int32_t soloCount() const { return soloCount_.load(std::memory_order_relaxed); }

    // Key zones (audio thread). The weight of a note in the overlap of the
    // part's key and velocity ranges with those of the other unmuted parts:
    // 1 outside any overlap, 0 outside the part's own ranges.
    float keyZoneWeight(int32_t part, const NoteC_c& note, int32_t noteLo, int32_t noteHi, int32_t veloLo,
                        int32_t veloHi) const;
    // The highest key (velocity) of another part's zone that reaches into the
    // part's range from below, at least lo - 1; and the lowest that reaches in
    // from above, at most hi + 1.
    int32_t lowerNoteOverlap(int32_t part, int32_t noteLo) const;
    int32_t upperNoteOverlap(int32_t part, int32_t noteHi) const;
    int32_t lowerVelocityOverlap(int32_t part, int32_t veloLo) const;
    int32_t upperVelocityOverlap(int32_t part, int32_t veloHi) const;

    // The editor display entry that follows a part's "NotesOn" (audio
    // thread). Nothing in this family sets the entry, so it stays silent.
    void notifyPartParameter(int32_t part);

    // Output pin labels from the product name and the output configuration.
    // Host thread; only the label and the flags are written.
    bool getOutputProperties(VstInt32 index, VstPinProperties* properties) override;

private:
    // Writes a 'SYG1' column without notification (no dispatcher re-entry).
    void writePartSetting(int32_t part, int32_t column, int32_t value);
    // The nearest zone bound of the other unmuted parts over one edge of a
    // range held in 'SYG1' columns loColumn/hiColumn (full range fullLo..127).
    int32_t zoneOverlap(int32_t part, int32_t edge, int32_t loColumn, int32_t hiColumn, int32_t fullLo,
                        bool fromBelow) const;
    // "NotesOn" := the voice table's count of the part, then the display.
    void refreshNotesOn(int32_t part);
    // One feedback message for assignment i (audio thread).
    void sendAssignmentValue(int32_t assignment, int32_t channel, int32_t controller, float value);

    // One remembered "Mute" per part, taken when the first solo comes on
    // (allocated by the constructor; null when that failed).
    std::unique_ptr<int32_t[]> muteMemory_;
    std::atomic<int32_t> soloCount_{0};
    // Display entry and per-part stride of the "NotesOn" display; never set here.
    int32_t partDisplayEntry_ = -1;
    int32_t partDisplayStride_ = 0;
};
