#pragma once
// The host side of the callback: configurable answers for every audioMaster
// request, and a record of each call with the thread that made it. One Host
// can serve several plug-in instances.
#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "framework/sdk/VstInterface.h"

namespace vsthost {

// One audioMaster call as the plug-in made it.
struct HostCall {
    AEffect* effect = nullptr;
    VstInt32 opcode = 0;
    VstInt32 index = 0;
    VstIntPtr value = 0;
    void* ptr = nullptr;
    float opt = 0.0f;
    std::string text;                 // the string ptr named, for canDo
    std::thread::id thread;
};

// What the host answers. Set before the plug-in runs; the callback reads it
// from any thread without a lock.
struct HostAnswers {
    VstIntPtr version = kVstVersion;          // audioMasterVersion; 0 refuses plug-ins
    std::string vendor = "Harvell";
    std::string product = "kelvanti-render";
    VstIntPtr vendorVersion = 1000;
    std::map<std::string, VstIntPtr> canDo;   // audioMasterCanDo per capability...
    VstIntPtr canDoOther = 0;                 // ...and for any other
    std::map<VstInt32, VstIntPtr> inputPinConnected;  // audioMasterPinConnected; missing → pinConnectedOther
    std::map<VstInt32, VstIntPtr> outputPinConnected;
    VstIntPtr pinConnectedOther = 0;          // 0 means "connected" in this request
    VstIntPtr sampleRate = 44100;             // audioMasterGetSampleRate
    VstIntPtr blockSize = 512;                // audioMasterGetBlockSize
    bool provideTimeInfo = true;              // audioMasterGetTime answers timeInfo, else null
    VstTimeInfo timeInfo = defaultTimeInfo();
    VstIntPtr processLevel = kVstProcessLevelUser;
    VstIntPtr language = kVstLangEnglish;
    VstIntPtr automationCalls = 1;            // answer to audioMasterAutomate, BeginEdit, EndEdit
    std::map<VstInt32, VstIntPtr> other;      // any other opcode (0 when missing)
    // false: calls are answered but not recorded, so answering allocates nothing
    // (for watching a plug-in's audio thread).
    bool recordCalls = true;
    // Consulted first for every call; an answer given here wins.
    std::function<std::optional<VstIntPtr>(const HostCall&)> script;

    static VstTimeInfo defaultTimeInfo();
};

class Host {
public:
    Host();
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    HostAnswers& answers() { return answers_; }

    // The C function to hand to a plug-in's entry point.
    static audioMasterCallback callback();

    // Calls of a plug-in find their Host through the record (resvd1), or during
    // an entry call through the instantiating thread.
    void attach(AEffect* effect);
    // Calls made on this thread until the guard ends go to host (for the entry call,
    // before the record exists).
    class InstantiationScope {
    public:
        explicit InstantiationScope(Host& host);
        ~InstantiationScope();
        InstantiationScope(const InstantiationScope&) = delete;
        InstantiationScope& operator=(const InstantiationScope&) = delete;
    private:
        Host* previous_;
    };

    // The call record (a copy), cleared by clearCalls. Any thread.
    std::vector<HostCall> calls() const;
    std::size_t countCalls(VstInt32 opcode) const;
    void clearCalls();
    // MIDI events the plug-in sent (audioMasterProcessEvents), copied.
    std::vector<VstMidiEvent> sentMidiEvents() const;

    // Answers one request (what the callback does once it found the Host).
    VstIntPtr handle(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

private:
    VstIntPtr answer(const HostCall& call);

    HostAnswers answers_;
    mutable std::mutex mutex_;
    std::vector<HostCall> calls_;
    std::vector<VstMidiEvent> sentMidi_;
    VstTimeInfo timeInfoCopy_{};   // what audioMasterGetTime hands out
};

} // namespace vsthost
