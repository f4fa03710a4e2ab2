#pragma once
// What the chunk writer and readers need to see of the plug-in's module
// table: the registered rows with their tag, instance, kind and parameter
// set. Synth implements it over its table of up to 1024 rows.
//
// Threads: the chunk code calls it on the thread running the chunk
// operation; the implementer holds whatever lock covers its table.
#include "framework/model/ParaSet_c.h"
#include "framework/model/SetTypeId.h"
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
};
