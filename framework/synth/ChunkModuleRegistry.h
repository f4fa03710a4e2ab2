#pragma once
// What the chunk writer and readers need to see of the plug-in's module
// table: the registered rows with their tag, instance, kind and parameter
// set. Synth implements it over its table of up to 1024 rows.
//
// Threads: the chunk code calls it on the thread running the chunk
// operation; the implementer holds whatever lock covers its table.
#include "framework/model/ParaSet_c.h"
#include "framework/model/SetTypeId.h"
#include "os/Lock.h"
#include <cstdint>

enum ModuleRowKind : int {
    kPartProgramRow = 0,   // one set row per part program slot; saved in 'PROG' blocks
    kEffectProgramRow = 1, // one set row per effect program slot; saved in 'FXPG' blocks
    kBankOnlyRow = 2,      // one set row; saved as a block of its own in the bank
};

struct ChunkModuleRow {
    SetTypeId tag = 0;
    int32_t instance = -1;
    int kind = kPartProgramRow;
    ParaSet_c* set = nullptr; // null: the row has no set yet
};

class ChunkModuleRegistry {
public:
    virtual ~ChunkModuleRegistry() = default;
    virtual int moduleRowCount() const = 0;
    // Row index in 0..moduleRowCount()-1, in registration order.
    virtual ChunkModuleRow moduleRow(int index) const = 0;
    // The lock that serialises the set's texts and rows with other threads
    // (its part's parameter lock); null when the set has none.
    virtual os::RecursiveLock* setLock(const ParaSet_c* /*set*/) const { return nullptr; }
};

// Holds a set's lock (when it has one) for the length of one chunk
// operation on it.
class ChunkSetGuard {
public:
    ChunkSetGuard(const ChunkModuleRegistry& registry, const ParaSet_c* set) : lock_(registry.setLock(set)) {
        if (lock_)
            lock_->enter();
    }
    ~ChunkSetGuard() {
        if (lock_)
            lock_->leave();
    }
    ChunkSetGuard(const ChunkSetGuard&) = delete;
    ChunkSetGuard& operator=(const ChunkSetGuard&) = delete;

private:
    os::RecursiveLock* lock_;
};
