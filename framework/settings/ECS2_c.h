#pragma once
// The controller assignment: binds incoming MIDI controllers (NRPN
// increment/decrement included) to host parameters, maps controller values
// into the parameters' ranges and back, learns bindings, and keeps the
// table in the registry value <engine name>"ECS2" and in module files.
//
// Threads: learning, arming, matching and the mapping run on the thread that
// delivers MIDI, without lock or allocation (they touch only cell values,
// which are atomics). Mode changes (parameterChanged) run where parameters
// change; they do the registry work and ask the confirmations, which only
// the editor's thread shows (elsewhere they answer "no").
#include "framework/model/Part_c.h"
#include "framework/settings/CCAss_c.h"
#include "framework/settings/RegistrySet.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

class SynthServices;

class ECS2_c : public Part_c {
public:
    static constexpr int kAssignments = 128;
    static constexpr int kGlobalColumns = 7;
    static constexpr int kColumnsPerAssignment = 11;
    static constexpr int kColumnCount = kGlobalColumns + kAssignments * kColumnsPerAssignment; // 1415

    enum GlobalColumn { kVersion = 0, kOnOff, kMode, kReserved0, kReserved1, kReservedSw0, kReservedSw1 };
    enum Mode { kModeOff = 0, kModeLearn, kModeClear, kModeClearAll, kModeLoad, kModeSave, kModeRestoreFactory };
    // Offsets inside one assignment's columns.
    enum AssignmentColumn {
        kCcIdx = 0, kEditIdx, kMinPar, kMaxPar, kInsIdx, kMidiCh, kCurve, kAssignMode, kMinCc, kMaxCcInverted, kReserved
    };
    enum Kind { kNone = 0, kAbsolute = 1, kIncrement = 2, kDecrement = 3 };

    // Milliseconds, wrapping at 2^32; context is the one given with the clock.
    using Clock = uint32_t (*)(const void* context);

    struct Match {
        int instrument = 0;
        int target = 0;   // without sign
        bool inverted = false;
        int kind = kNone;
        float speed = 0.0f; // 0..1, relative kinds only
    };

    // Without a Synth the registry is never touched. The clock times relative
    // messages: the plug-in's note clock (the audio's time of the message), a
    // test's own, or without one the system millisecond clock.
    ECS2_c(SynthServices* synth, std::string_view engineName, Clock clock = nullptr,
           const void* clockContext = nullptr);

    SetTypeId getTypeId() const override { return makeSetTypeId("ECS2"); }
    void defineParameters(ParaSet_c*& sharedSet, int rows) override;
    void defineSharedParameters(ParaSet_c*& sharedSet) override;

    // Reads the registry value into the set; then "On/Off" and "Mode" := 0
    // (without notification). Answers whether the value was read.
    bool load();
    // Writes the whole set into the registry value.
    void store();
    bool isLoaded() const { return loaded_; }
    const std::string& registryName() const { return value_.name(); }

    // The user's own changes of the table (learnt or removed assignments,
    // edited assignment columns) since it was last stored: marked on the
    // thread that makes them (the MIDI thread too: no I/O there) and stored
    // by storeChanges on the idle side, at resume and at close, so no
    // resume loses them. Answers whether there were any.
    bool storeChanges();
    bool hasUnstoredChanges() const { return unstored_; }
    // At resume: the stored table when it holds news from elsewhere (another
    // instance stored since this one last read or wrote it); the learning
    // state (On/Off, Mode, clear mode, the armed target) stays as it is.
    // Call storeChanges first. Answers whether a table was read.
    bool reloadTable();
    // A table is in force: loaded, built as the factory table, or changed by the user.
    bool hasTable() const { return loaded_ || factoryStored_ || userChanged_; }

    // False (nothing done) for i outside 0..127.
    bool readAssignment(int i, CCAss_c& out) const;
    bool writeAssignment(int i, const CCAss_c& in);
    void storeFactory();
    void restoreFactory();
    void clearAll();

    // The first free slot, or (unless alwaysNew) the slot already bound to
    // the same instrument and target, gets the binding; answers the slot,
    // 128 when the table is full. In clear mode nothing is bound and an
    // existing binding of the target is removed instead.
    int addAssignment(int channel, int controller, int instrument, int target, bool alwaysNew);
    // Removes every assignment of the instrument whose |target| matches,
    // keeping the order of the rest (only while "On/Off" is set).
    void removeAssignments(int instrument, int target);
    // A host parameter was touched while learning: in clear mode its
    // assignments go, otherwise it becomes the learn target.
    void armLearnTarget(int instrument, int target);
    void learnController(int channel, int number, int value);
    // Finds the next assignment after position matching the message;
    // position is updated so the caller can loop over all matches.
    bool matchController(int channel, int number, int value, int& position, Match& match);

    float ccToParameterValue(int i, int value) const;
    float scaleToParameter(int i, float position) const;
    int parameterToCcValue(int i, float value) const;
    // Active, channel, controller, instrument and |target| of assignment i.
    bool getAssignment(int i, bool& active, int& channel, int& controller, int& instrument, int& target) const;
    // The n-th active assignment of the instrument and |target|.
    bool findAssignment(int instrument, int target, int n, int& channel, int& controller, int& index) const;

    bool isLearning() const { return learnOn_; }
    bool isClearMode() const { return clearMode_; }
    int armedTarget() const { return armedTarget_; }

    // The mode handling of "On/Off" and "Mode" (see the class comment).
    // Its own writes go straight to the set: no notification, no recursion.
    void parameterChanged(int row, int column) override;

private:
    static int column(int i, int offset) { return kGlobalColumns + i * kColumnsPerAssignment + offset; }
    int cellValue(int column) const;
    void setOwn(int column, int32_t value); // without notification
    int decode(int number, int value, int& kind);
    void handleMode(int mode);
    void markChanged();

    SynthServices* synth_;
    Clock clock_;
    const void* clockContext_;
    RegistrySetValue value_;
    CCAss_c factory_[kAssignments];
    // Shared between the MIDI thread and where parameters change: atomics.
    std::atomic<bool> loaded_{false};
    std::atomic<bool> factoryStored_{false};
    std::atomic<bool> userChanged_{false};
    std::atomic<bool> unstored_{false};
    std::atomic<bool> learnOn_{false};
    std::atomic<bool> clearMode_{false};
    std::atomic<int32_t> armedInstrument_{-1};
    std::atomic<int32_t> armedTarget_{-1};
    std::atomic<int32_t> lastTarget_{0};
    std::atomic<int32_t> lastInstrument_{0};
    std::atomic<uint32_t> lastTime_{0};
    std::atomic<int32_t> nrpnNumber_{0};
    std::atomic<bool> nrpnSelected_{false};
};
