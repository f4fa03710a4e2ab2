#pragma once
// Routes from rows of the plug-in's module registry (all instances of one
// module kind) to output buses. Unconditional routes are applied once, when
// added; conditional routes again whenever an instrument index is selected
// (apply) or a module without an output starts a note (applyTo).
//
// Threads: routes are added while the plug-in opens; apply and applyTo run on
// their callers' threads. No locking. Entries are only ever added; the tables
// are allocated by the constructor and freed by the destructor.
// Ownership: the registry, buses and condition parts are not owned.
#include "framework/platform/Tool_c.h"
#include "framework/model/ModuleTableRow.h"

#include <cstdint>
#include <memory>

class InBuffer2_c;
class Part_c;

struct PatchBayEntry {
    const char* label = nullptr;          // route name, stored only
    int16_t row = -1;                     // module registry row
    InBuffer2_c* target = nullptr;        // the bus handed to each module
    int32_t targetParam = 0;              // bus parameter
    int16_t rangeLo = -1;                 // -1: no range
    int16_t rangeHi = -1;
    Part_c* conditionPart = nullptr;      // part whose value decides the route
    int16_t conditionColumn = -1;         // -1: no condition
    int16_t conditionValue = -1;
};

class AudioPatchBay_c : public Tool_c {
public:
    // registry: the plug-in's ModuleTableRow::kMaxRows rows (may be null: an
    // invalid patch bay that does nothing).
    AudioPatchBay_c(int32_t unconditionalCapacity, int32_t conditionalCapacity, ModuleTableRow* registry);
    ~AudioPatchBay_c() override;
    AudioPatchBay_c(const AudioPatchBay_c&) = delete;
    AudioPatchBay_c& operator=(const AudioPatchBay_c&) = delete;

    enum Table : int32_t { kUnconditional = 0, kConditional = 1 };

    // Appends unless an entry with the same row, target and condition whose
    // range overlaps is already there. False when refused (invalid, full, duplicate).
    virtual bool insertUnique(Table table, const char* label, int16_t row, int16_t rangeLo, int16_t rangeHi,
                              InBuffer2_c* target, int32_t targetParam, Part_c* conditionPart,
                              int16_t conditionColumn, int16_t conditionValue);
    // Without range and condition: the unconditional table, whose last entry is
    // then applied at once; else the conditional table.
    virtual void add(const char* label, int16_t row, int16_t rangeLo, int16_t rangeHi, InBuffer2_c* target,
                     int32_t targetParam, Part_c* conditionPart, int16_t conditionColumn,
                     int16_t conditionValue);
    virtual void addRoute(const char* label, int16_t row, InBuffer2_c* target, int32_t targetParam,
                          Part_c* conditionPart, int16_t conditionColumn, int16_t conditionValue);
    // Every conditional entry that matches the value.
    virtual void apply(int32_t value);
    // The first matching conditional entry whose row holds object, to that object alone.
    virtual void applyTo(Part_c* object, int32_t value);
    // value -1: bindOutput on every object of the entry's row; else bindOutputForRow(value, ...).
    virtual void dispatch(Table table, int32_t value, int32_t index);

    bool isValid() const { return valid_; }
    int32_t count(Table table) const { return table == kUnconditional ? unconditionalCount_ : conditionalCount_; }
    const PatchBayEntry* entry(Table table, int32_t index) const;

private:
    bool matches(const PatchBayEntry& e, int32_t value) const;
    const ModuleTableRow* rowOf(const PatchBayEntry& e) const;

    int32_t unconditionalCapacity_;
    int32_t conditionalCapacity_;
    std::unique_ptr<PatchBayEntry[]> unconditional_;
    std::unique_ptr<PatchBayEntry[]> conditional_;
    ModuleTableRow* registry_;
    bool valid_ = false;
    int32_t unconditionalCount_ = 0;
    int32_t conditionalCount_ = 0;
};
